#pragma once
// What a test of the Qt front end needs: an offscreen application, a recorder that answers the
// message boxes, a spy on the private messages, and the Qt wizard wired to the simulator.
#include <QApplication>
#include <QObject>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "support/SimDevice.h"
#include "ui/qt/MessageDialog.h"
#include "ui/qt/WizardWindow.h"

namespace testsupport {

// The offscreen application shared by every Qt test of a program.
QApplication& QtApp();

// Runs the real event loop until done() or the time limit; done()'s last answer.
bool RunLoopUntil(const std::function<bool()>& done, int limitMs);

// Takes the place of the message boxes: records each one and answers from a queue (No, or OK
// for a box with only OK, when the queue is empty).
class DialogRecorder {
 public:
  DialogRecorder();
  ~DialogRecorder();
  DialogRecorder(const DialogRecorder&) = delete;
  DialogRecorder& operator=(const DialogRecorder&) = delete;

  void Answer(wizard::DialogAnswer answer) { answers_.push_back(answer); }
  const std::vector<wizard::DialogRequest>& Shown() const { return shown_; }

 private:
  std::deque<wizard::DialogAnswer> answers_;
  std::vector<wizard::DialogRequest> shown_;
  ui::qt::DialogHandler previous_;
};

struct SpiedMessage {
  int message;
  std::intptr_t wParam;
};

// Records the wizard's private messages as the window gets them from the event loop.
class MessageSpy : public QObject {
 public:
  explicit MessageSpy(QObject* target) { target->installEventFilter(this); }
  std::vector<SpiedMessage> seen;
  bool eventFilter(QObject* watched, QEvent* event) override;
};

// The Qt wizard against the simulator, for what only the real event loop shows.
class QtSimWizard {
 public:
  explicit QtSimWizard(sim::Options options = {});
  ~QtSimWizard();

  ui::qt::WizardWindow& Window() { return *window_; }
  TFormMj& Form() { return window_->Form(); }
  sim::LoaderSim& Sim() { return device_.Sim(); }
  DialogRecorder& Dialogs() { return dialogs_; }
  MessageSpy& Spy() { return *spy_; }

 private:
  SimDevice device_;
  DialogRecorder dialogs_;
  std::unique_ptr<ui::qt::WizardWindow> window_;
  std::unique_ptr<MessageSpy> spy_;
};

}  // namespace testsupport
