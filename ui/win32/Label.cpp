#include "ui/win32/Controls.h"
#include "ui/win32/Fonts.h"
#include "ui/win32/Utf.h"

namespace ui::win32 {

namespace {

// Left: one line, cut at the right edge (SS_LEFT would wrap the words onto a line that the label
// has no room for). SS_NOPREFIX: "&" is a character like any other.
DWORD AlignmentStyle(wizard::Alignment alignment) {
  return alignment == wizard::Alignment::Centre ? SS_CENTER : SS_LEFTNOWORDWRAP;
}

}  // namespace

Win32Label::Win32Label(HWND parent, const wizard::layout::Component& c, int id)
    : hwnd_(CreateControl(parent, L"STATIC", WS_VISIBLE | SS_NOPREFIX | AlignmentStyle(c.alignment),
                          0, c.rect, id)),
      pixels_(c.fontPixels),
      style_(c.bold ? wizard::FontStyle::Bold : wizard::FontStyle::Plain) {
  ApplyFont();
}

HFONT Win32Label::Font() const {
  return WizardFont(pixels_, style_);
}

void Win32Label::ApplyFont() {
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(Font()), TRUE);
}

void Win32Label::SetText(const std::string& text) {
  SetControlText(hwnd_, text);
}

void Win32Label::SetVisible(bool visible) {
  ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
}

void Win32Label::SetAlignment(wizard::Alignment alignment) {
  const LONG_PTR style = GetWindowLongPtrW(hwnd_, GWL_STYLE);
  SetWindowLongPtrW(hwnd_, GWL_STYLE,
                    (style & ~static_cast<LONG_PTR>(SS_TYPEMASK)) | AlignmentStyle(alignment));
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void Win32Label::SetFontStyle(wizard::FontStyle style) {
  style_ = style;
  ApplyFont();
}

void Win32Label::SetPointSize(int points) {
  pixels_ = points == 10 ? 13 : 11;  // 8 and 10 points at 96 dots an inch
  ApplyFont();
}

wizard::Rect Win32Label::Geometry() const {
  return ControlRect(hwnd_);
}

int Win32Label::TextWidth(const std::string& text) const {
  return TextWidthIn(Font(), Widen(text));
}

}  // namespace ui::win32
