#include "ui/win32/Controls.h"
#include "ui/win32/Fonts.h"

namespace ui::win32 {

Win32Button::Win32Button(HWND parent, const wizard::layout::Component& c, int id)
    : hwnd_(CreateControl(parent, L"BUTTON", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, c.rect,
                          id)) {
  SendMessageW(hwnd_, WM_SETFONT,
               reinterpret_cast<WPARAM>(WizardFont(
                   c.fontPixels, c.bold ? wizard::FontStyle::Bold : wizard::FontStyle::Plain)),
               FALSE);
}

void Win32Button::SetText(const std::string& caption) {
  SetControlText(hwnd_, caption);
}

void Win32Button::SetVisible(bool visible) {
  ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
}

void Win32Button::SetEnabled(bool enabled) {
  EnableWindow(hwnd_, enabled);
}

bool Win32Button::IsEnabled() const {
  return IsWindowEnabled(hwnd_);
}

}  // namespace ui::win32
