#include "ui/win32/Controls.h"
#include "ui/win32/Fonts.h"

namespace ui::win32 {

// Sunken like an entry field, read-only, and left out of the Tab order.
Win32EditBox::Win32EditBox(HWND parent, const wizard::layout::Component& c, int id)
    : hwnd_(CreateControl(parent, L"EDIT", WS_VISIBLE | ES_READONLY | ES_AUTOHSCROLL | ES_LEFT,
                          WS_EX_CLIENTEDGE, c.rect, id)) {
  SendMessageW(hwnd_, WM_SETFONT,
               reinterpret_cast<WPARAM>(WizardFont(
                   c.fontPixels, c.bold ? wizard::FontStyle::Bold : wizard::FontStyle::Plain)),
               FALSE);
}

void Win32EditBox::SetText(const std::string& text) {
  SetControlText(hwnd_, text);
}

}  // namespace ui::win32
