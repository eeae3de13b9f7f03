#include "ui/win32/Startup.h"

#include "ui/win32/Win32.h"
// After Win32.h.
#include <objbase.h>

#include "ui/win32/AboutDialog.h"
#include "ui/win32/WizardWindow.h"
#include "wizard/ProgramError.h"

namespace ui::win32 {

namespace {

int RunMessageLoop(HWND wizard) {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchWizardMessage(wizard, msg);
  return 0;
}

}  // namespace

int RunWizard() {
  try {
    WizardWindow window;
    TFormAPropos about(window.Handle());
    window.SetAboutDialog(&about);
    TFormMj& form = window.Form();
    const std::int32_t language = form.ReadLanguageSetting();
    form.SetLanguage(language);
    window.Show();
    RunMessageLoop(window.Handle());
  } catch (...) {
    ShowErrorBox(ErrorBoxText(std::current_exception()));
  }
  return 0;
}

int RunProgram() {
  // The device is checked and programmed in timer ticks that keep the window from its messages
  // for up to about 7 s (a silent device: four attempts with their purges). Windows takes a
  // window that has not looked at its messages for 5 s for a hung one: it puts a "(Not
  // Responding)" ghost in its place and offers to close the program, mid-programming. The
  // schedule stays; the ghost goes.
  DisableProcessWindowsGhosting();
  // The pictures are decoded and the links opened through COM, on this one thread.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  RunWizard();
  if (SUCCEEDED(com)) CoUninitialize();
  return 0;
}

}  // namespace ui::win32
