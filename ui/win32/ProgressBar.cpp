#include "ui/win32/Controls.h"
// After windows.h.
#include <commctrl.h>

namespace ui::win32 {

// Hidden until a step shows it; segmented until a step makes it smooth.
Win32ProgressBar::Win32ProgressBar(HWND parent, const wizard::layout::Component& c, int id)
    : hwnd_(CreateControl(parent, PROGRESS_CLASSW, WS_TABSTOP, 0, c.rect, id)) {
  SendMessageW(hwnd_, PBM_SETRANGE32, static_cast<WPARAM>(minimum_), maximum_);
  SendMessageW(hwnd_, PBM_SETSTEP, 1, 0);
}

void Win32ProgressBar::SetMinimum(int minimum) {
  minimum_ = minimum;
  SendMessageW(hwnd_, PBM_SETRANGE32, static_cast<WPARAM>(minimum_), maximum_);
}

void Win32ProgressBar::SetMaximum(int maximum) {
  maximum_ = maximum;
  SendMessageW(hwnd_, PBM_SETRANGE32, static_cast<WPARAM>(minimum_), maximum_);
}

void Win32ProgressBar::SetPosition(int position) {
  SendMessageW(hwnd_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

int Win32ProgressBar::Position() const {
  return static_cast<int>(SendMessageW(hwnd_, PBM_GETPOS, 0, 0));
}

void Win32ProgressBar::SetSmooth(bool smooth) {
  const LONG_PTR style = GetWindowLongPtrW(hwnd_, GWL_STYLE);
  SetWindowLongPtrW(hwnd_, GWL_STYLE, smooth ? style | PBS_SMOOTH : style & ~PBS_SMOOTH);
  InvalidateRect(hwnd_, nullptr, TRUE);
}

bool Win32ProgressBar::Smooth() const {
  return (GetWindowLongPtrW(hwnd_, GWL_STYLE) & PBS_SMOOTH) != 0;
}

void Win32ProgressBar::SetVisible(bool visible) {
  ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
}

}  // namespace ui::win32
