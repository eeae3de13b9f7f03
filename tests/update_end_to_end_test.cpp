// Whole updates on the real event loop: a user clicking through the wizard, the timer driving
// the sequence, the simulator behind the serial-device map.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <thread>

#include "support/ImageWords.h"
#include "support/QtHarness.h"
#include "wizard/WizardMessages.h"

namespace {

using testsupport::RunLoopUntil;

TEST(UpdateEndToEnd, TwoDevicesOneAfterTheOtherThroughTheWizard) {
  testsupport::QtSimWizard w;
  TFormMj& f = w.Form();
  auto& widgets = w.Window();
  w.Window().show();
  int devicesDone = 0;
  std::vector<int> stepsSeen;
  // The user: Next up to step 6, Connect, and on step 10 Yes once (another device), then stop.
  QTimer user;
  QObject::connect(&user, &QTimer::timeout, [&] {
    if (stepsSeen.empty() || stepsSeen.back() != f.WizardStep) stepsSeen.push_back(f.WizardStep);
    if (f.WizardStep <= 6) {
      widgets.Button(wizard::layout::ButtonSuivant)->click();
    } else if (f.WizardStep == 10 && !f.TimerGestionSerie->Enabled()) {
      ++devicesDone;
      if (devicesDone == 1) {
        EXPECT_EQ(testsupport::WordsDifferingFromImage(w.Sim().ProgramMemory()), 0);
        widgets.Button(wizard::layout::ButtonPrecedant)->click();  // "&Oui": another device
      }
    }
  });
  user.start(100);
  ASSERT_TRUE(RunLoopUntil([&] { return devicesDone >= 2; }, 120000))
      << "stuck on step " << f.WizardStep;
  user.stop();

  const std::vector<int> oneDevice = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  std::vector<int> expected = oneDevice;
  expected.insert(expected.end(), {4, 5, 6, 7, 8, 9, 10});
  EXPECT_EQ(stepsSeen, expected);
  // The first device was released with version 1.5 and replaced by the next one at its call.
  const auto finished = w.Sim().FinishedDevices();
  ASSERT_EQ(finished.size(), 1u);
  EXPECT_EQ(testsupport::WordsDifferingFromImage(finished[0].program), 0);
  EXPECT_EQ(finished[0].eeprom[126], 1);
  EXPECT_EQ(finished[0].eeprom[127], 5);
  EXPECT_EQ(testsupport::WordsDifferingFromImage(w.Sim().ProgramMemory()), 0);
  EXPECT_EQ(w.Sim().Eeprom()[126], 1);
  EXPECT_EQ(w.Sim().Eeprom()[127], 5);
  EXPECT_EQ(f.SerialNumber, 312000002u);  // the second device's number
  EXPECT_TRUE(w.Dialogs().Shown().empty());
  for (const auto& m : w.Spy().seen) EXPECT_EQ(m.message, WM_STEP_DONE);
  EXPECT_FALSE(f.Link.IsOpen());
}

// Watches every event of the application: the timer's ticks (with the step they find) and the
// end record's message; slows the end record's tick down past its period.
class TickWatcher : public QObject {
 public:
  TickWatcher(ui::qt::WizardWindow& window)
      : form_(window.Form()), window_(window), timer_(window.Timer()) {
    qApp->installEventFilter(this);
  }
  ~TickWatcher() override { qApp->removeEventFilter(this); }
  std::vector<std::string> order;

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Timer && watched == timer_ && form_.WizardStep >= 9) {
      order.push_back("tick on step " + std::to_string(form_.WizardStep));
      // The end record's tick overruns its 100 ms period: the next tick is due at once.
      if (form_.WizardStep == 9 && form_.UpdateSession.RecordIndex == 131)
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    } else if (watched == &window_ && event->type() == WM_STEP_DONE) {
      order.push_back("step done");
    }
    return false;
  }

 private:
  TFormMj& form_;
  ui::qt::WizardWindow& window_;
  QObject* timer_;
};

TEST(UpdateEndToEnd, EndRecordMessageReachesTheWindowBeforeTheNextTick) {
  testsupport::QtSimWizard w;
  TFormMj& f = w.Form();
  w.Window().show();
  while (f.WizardStep < 7) f.NextStep();
  ASSERT_TRUE(
      RunLoopUntil([&] { return f.WizardStep == 9 && f.UpdateSession.RecordIndex >= 125; }, 60000));
  TickWatcher watcher(w.Window());
  ASSERT_TRUE(RunLoopUntil([&] { return !f.TimerGestionSerie->Enabled(); }, 20000));
  // The last ticks: the end record on step 9, its message, then one tick on step 10.
  ASSERT_GE(watcher.order.size(), 3u);
  const std::vector<std::string> tail(watcher.order.end() - 3, watcher.order.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"tick on step 9", "step done", "tick on step 10"}));
  EXPECT_EQ(f.WizardStep, 10);
  EXPECT_EQ(f.UpdateSession.RecordIndex, 132);  // no tick read past the end record
  for (const auto& m : w.Spy().seen) EXPECT_EQ(m.message, WM_STEP_DONE);
}

}  // namespace
