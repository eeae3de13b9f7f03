#pragma once
// A wizard wired to the loader simulator: the simulator's trees in the environment, a window that
// finds the bridge through the serial-device map, a recorder for the dialogs and a spy on the
// messages the update sequence posts.
#include <QObject>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "app/Tformmj.h"
#include "sim/LoaderSim.h"
#include "support/WizardHarness.h"

namespace testsupport {

struct PostedMessage {
  int message;
  std::intptr_t wParam;
};

// Records the wizard's private messages as they are handled.
class MessageSpy : public QObject {
 public:
  explicit MessageSpy(QObject* target) { target->installEventFilter(this); }
  std::vector<PostedMessage> seen;
  bool eventFilter(QObject* watched, QEvent* event) override;
};

class SimWizard {
 public:
  explicit SimWizard(sim::Options options = {});
  ~SimWizard();

  TFormMj& Form() { return *form_; }
  sim::LoaderSim& Sim() { return *sim_; }
  DialogRecorder& Dialogs() { return dialogs_; }
  MessageSpy& Spy() { return *spy_; }

  // From wherever the wizard is (1 or 4) to step 7, as a user pressing Next and Connect.
  void GoToStep7();
  // One tick as the message loop gives it: the timer's work, then the messages it posted.
  void Tick();
  // Ticks while the timer runs and done() is false; at most maxTicks. Step-7 ticks that failed
  // wait pauseAfterFailedCallMs, as the real 2250 ms period would, so a replugged cable is back.
  bool TickUntil(const std::function<bool()>& done, int maxTicks = 2000,
                 int pauseAfterFailedCallMs = 400);
  // A whole update from step 7: true once step 10's finish has run.
  bool RunUpdate();

 private:
  WizardEnv env_;
  std::string root_;
  std::unique_ptr<sim::LoaderSim> sim_;
  DialogRecorder dialogs_;
  std::unique_ptr<TFormMj> form_;
  std::unique_ptr<MessageSpy> spy_;
};

// The program words the embedded image holds, by word address.
const std::map<std::uint32_t, std::uint16_t>& ImageWords();
// How many program words of memory differ from the image (0: the image is in place).
int WordsDifferingFromImage(const std::vector<std::uint16_t>& memory);

}  // namespace testsupport
