// A whole update through the wizard's native window under Wine, against the loader simulator on
// COM33 (tests/windows/with-sim starts it and checks what was written: every word of the image
// and version 1.5). The window's timer is SetTimer's and its messages are PostMessageW's: the
// system hands out posted messages before it makes a WM_TIMER, so the end record's WM_STEP_DONE
// reaches the window before the next tick by itself. Shown here with the end record's tick
// overrunning its 100 ms period, so that the next tick is due the moment the record is done.
#include "ui/win32/Win32.h"
// After Win32.h.
#include <gtest/gtest.h>
#include <objbase.h>

#include <memory>
#include <string>
#include <vector>

#include "WindowHarness.h"
#include "ui/win32/WizardWindow.h"

namespace {

// The window shown, the simulator's bridge on COM33 in the serial-device map, and the user
// through to step 7 with Connect.
class WindowOnStep7 : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  void SetUp() override {
    ASSERT_TRUE(wintest::HaveDisplay()) << "with-sim --needs-display runs this only with a display";
    wintest::WriteSerialPorts({{"\\Device\\Silabser0", "COM33"}});
    window_ = std::make_unique<ui::win32::WizardWindow>();
    TFormMj& form = window_->Form();
    window_->Show();
    while (form.WizardStep < 6) form.NextStep();
    form.ButtonSuivantClick();  // Connect
    ASSERT_EQ(form.WizardStep, 7);
  }
  void TearDown() override {
    window_.reset();
    wintest::RestoreSerialPorts();
  }

  wintest::DialogScript dialogs;
  std::unique_ptr<ui::win32::WizardWindow> window_;
};

class UpdateThroughTheWindow : public WindowOnStep7 {};
class RefusedLineSettings : public WindowOnStep7 {};

TEST_F(UpdateThroughTheWindow, TheEndRecordsMessageComesBeforeTheNextTick) {
  ui::win32::WizardWindow& window = *window_;
  TFormMj& form = window.Form();

  // The program's own loop, watching what reaches the window from step 9 on.
  std::vector<std::string> order;
  const HWND wizard = window.Handle();
  const ULONGLONG end = GetTickCount64() + 180000;
  while (!(form.WizardStep == 10 && !form.TimerGestionSerie->Enabled()) && GetTickCount64() < end) {
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
      continue;
    }
    const bool tick = msg.hwnd == wizard && msg.message == WM_TIMER &&
                      msg.wParam == ui::win32::WizardWindow::kTimerId;
    const bool endRecord =
        tick && form.WizardStep == 9 &&
        form.UpdateSession.RecordIndex == form.ProgressBarProgrammation->Maximum() - 1;
    if (tick && form.WizardStep >= 9)
      order.push_back("tick on step " + std::to_string(form.WizardStep));
    if (msg.hwnd == wizard && msg.message == ui::win32::WizardWindow::Carrier(WM_STEP_DONE) &&
        form.WizardStep >= 9)
      order.push_back("step done");
    ui::win32::DispatchWizardMessage(wizard, msg);
    if (endRecord) Sleep(250);  // the end record's tick overruns its period
  }
  ASSERT_EQ(form.WizardStep, 10);
  ASSERT_GE(order.size(), 3u);
  const std::vector<std::string> tail(order.end() - 3, order.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"tick on step 9", "step done", "tick on step 10"}));
  EXPECT_EQ(form.UpdateSession.RecordIndex,
            form.ProgressBarProgrammation->Maximum());  // none read past it
  EXPECT_EQ(wintest::TextOf(window.Handle(wizard::layout::EditEtape)), L"Etape n° 10 sur 10");
  EXPECT_EQ(wintest::TextOf(window.Handle(wizard::layout::LabelTitreEtape)),
            L"Mise à jour réussie");
  EXPECT_FALSE(form.Link.IsOpen());  // step 10's tick released the device and closed the port
  EXPECT_TRUE(dialogs.Shown().empty());
}

// Without the line shim the simulator's pseudo-terminal refuses the link's even parity, as a
// virtual COM port (a Bluetooth serial port picked by mistake) refuses SetCommState. Each call
// then fails at its open and is counted like any unanswered call: the twentieth brings the
// connection-failed box. A port left open after the refusal would be read with the system's own
// time-outs, all zero, which wait for ever. The ticks are driven here, one after the other,
// rather than 2.25 s apart.
TEST_F(RefusedLineSettings, TheWizardGivesUpAfterItsTwentyCalls) {
  ui::win32::WizardWindow& window = *window_;
  TFormMj& form = window.Form();
  dialogs.Answer(wizard::DialogAnswer::Ok);
  form.TimerGestionSerie->SetEnabled(false);
  for (int call = 1; call <= 20 && dialogs.Shown().empty(); ++call) {
    form.TimerGestionSerieTimer();
    EXPECT_FALSE(form.Link.IsOpen()) << "call " << call;
    wintest::PumpFor(window.Handle(), 20);
  }
  wintest::PumpUntil(
      window.Handle(), [&] { return !dialogs.Shown().empty(); }, 2000);
  ASSERT_EQ(dialogs.Shown().size(), 1u);
  EXPECT_EQ(dialogs.Shown()[0].kind, wizard::DialogKind::Error);
  EXPECT_NE(dialogs.Shown()[0].text.find("Echec"), std::string::npos) << dialogs.Shown()[0].text;
  EXPECT_EQ(form.WizardStep, 4);
  EXPECT_EQ(form.ProgressBarProgrammation->Position(), 20);
}

}  // namespace
