#include "ui/win32/Controls.h"
#include "ui/win32/Fonts.h"
#include "ui/win32/Utf.h"

namespace ui::win32 {

// LBS_NOTIFY: the user's changes come as LBN_SELCHANGE. No LBS_NOINTEGRALHEIGHT would let the
// system shorten the box to whole items; the steps give it its height.
Win32ListBox::Win32ListBox(HWND parent, const wizard::layout::Component& c, int id)
    : hwnd_(CreateControl(parent, L"LISTBOX",
                          WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT |
                              LBS_OWNERDRAWFIXED | LBS_HASSTRINGS,
                          WS_EX_CLIENTEDGE, c.rect, id)) {
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(WizardFont(c.fontPixels)), FALSE);
  SendMessageW(hwnd_, LB_SETITEMHEIGHT, 0, wizard::layout::kListItemHeight);
}

void Win32ListBox::Clear() {
  SendMessageW(hwnd_, LB_RESETCONTENT, 0, 0);
}

void Win32ListBox::AddItem(const std::string& text) {
  const std::wstring wide = Widen(text);
  SendMessageW(hwnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

int Win32ListBox::Count() const {
  return static_cast<int>(SendMessageW(hwnd_, LB_GETCOUNT, 0, 0));
}

std::string Win32ListBox::ItemText(int index) const {
  const LRESULT length = SendMessageW(hwnd_, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (index < 0 || length == LB_ERR) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const LRESULT copied = SendMessageW(hwnd_, LB_GETTEXT, static_cast<WPARAM>(index),
                                      reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied == LB_ERR ? 0 : static_cast<std::size_t>(copied));
  return Narrow(text);
}

int Win32ListBox::SelectedIndex() const {
  const LRESULT row = SendMessageW(hwnd_, LB_GETCURSEL, 0, 0);
  return row == LB_ERR ? -1 : static_cast<int>(row);
}

void Win32ListBox::SetSelectedIndex(int index) {
  SendMessageW(hwnd_, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void Win32ListBox::SetVisible(bool visible) {
  ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
}

wizard::Rect Win32ListBox::Geometry() const {
  return ControlRect(hwnd_);
}

void Win32ListBox::SetGeometry(const wizard::Rect& r) {
  SetWindowPos(hwnd_, nullptr, r.left, r.top, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

// The item's text on one line, vertically centred, 2 pixels from the left edge, on the
// selection's colours when selected, with the focus rectangle where the keyboard is.
void Win32ListBox::DrawItem(const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  RECT r = item.rcItem;
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  FillRect(dc, &r, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  if (item.itemID != static_cast<UINT>(-1)) {
    const LRESULT length = SendMessageW(item.hwndItem, LB_GETTEXTLEN, item.itemID, 0);
    if (length != LB_ERR) {
      std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
      const LRESULT copied = SendMessageW(item.hwndItem, LB_GETTEXT, item.itemID,
                                          reinterpret_cast<LPARAM>(text.data()));
      text.resize(copied == LB_ERR ? 0 : static_cast<std::size_t>(copied));
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
      RECT textRect = r;
      textRect.left += 2;
      DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &textRect,
                DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_LEFT);
    }
  }
  if ((item.itemState & ODS_FOCUS) != 0 && (item.itemState & ODS_NOFOCUSRECT) == 0)
    DrawFocusRect(dc, &r);
}

}  // namespace ui::win32
