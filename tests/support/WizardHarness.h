#pragma once
// What a wizard test needs around a real TFormMj: an offscreen application, its own serial-device
// tree and Windows directory in the environment, and a recorder that answers the dialogs.
#include <QApplication>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "app/MessageDialog.h"
#include "support/FakeSysfs.h"

namespace testsupport {

// The offscreen application shared by every wizard test of a program.
QApplication& QtApp();

// Points ORB42_SYSFS_TTY, ORB42_WINDOWS_DIR and ORB42_DEV_DIR at directories of its own; puts the
// old values back on destruction. Starts with ttyS0 and a cp210x bridge on ttyUSB0.
class WizardEnv {
 public:
  WizardEnv();
  ~WizardEnv();
  WizardEnv(const WizardEnv&) = delete;
  WizardEnv& operator=(const WizardEnv&) = delete;

  FakeSysfs& Sysfs() { return *sysfs_; }
  const std::string& WindowsDir() const { return windowsDir_; }
  const std::string& DevDir() const { return devDir_; }
  // Writes BrennalV1.CFG into the Windows directory.
  void WriteSettings(const std::string& content);

 private:
  std::unique_ptr<FakeSysfs> sysfs_;
  std::string root_, windowsDir_, devDir_;
  std::vector<std::pair<std::string, std::string>> saved_;
};

// Takes the place of the message dialogs: records each one and answers from a queue (No, or OK
// for a dialog with only OK, when the queue is empty).
class DialogRecorder {
 public:
  DialogRecorder();
  ~DialogRecorder();
  DialogRecorder(const DialogRecorder&) = delete;
  DialogRecorder& operator=(const DialogRecorder&) = delete;

  void Answer(DialogAnswer answer) { answers_.push_back(answer); }
  const std::vector<DialogRequest>& Shown() const { return shown_; }
  // Forgets the dialogs shown and the answers not used yet.
  void Clear() {
    shown_.clear();
    answers_.clear();
  }

 private:
  std::deque<DialogAnswer> answers_;
  std::vector<DialogRequest> shown_;
  DialogHandler previous_;
};

}  // namespace testsupport
