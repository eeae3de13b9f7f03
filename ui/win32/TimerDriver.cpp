#include "ui/win32/Controls.h"

namespace ui::win32 {

// A new period replaces the running one (SetTimer with the same identifier restarts it). The
// system keeps the schedule: WM_TIMER is due every period, and one that fell due while a handler
// ran comes as soon as the handler returns and no posted message is waiting.
void Win32TimerDriver::Start(int periodMs) {
  SetTimer(window_, id_, static_cast<UINT>(periodMs), nullptr);
}

void Win32TimerDriver::Stop() {
  KillTimer(window_, id_);
}

}  // namespace ui::win32
