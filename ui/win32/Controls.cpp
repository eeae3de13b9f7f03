// What every control kind shares: making a child control, its place, its text.
#include "ui/win32/Controls.h"

#include "ui/win32/Utf.h"

namespace ui::win32 {

HWND CreateControl(HWND parent, const wchar_t* windowClass, DWORD style, DWORD exStyle,
                   const wizard::Rect& r, int id) {
  return CreateWindowExW(exStyle, windowClass, L"", WS_CHILD | style, r.left, r.top, r.width,
                         r.height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         GetModuleHandleW(nullptr), nullptr);
}

wizard::Rect ControlRect(HWND control) {
  RECT r{};
  GetWindowRect(control, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return {static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.right - r.left),
          static_cast<int>(r.bottom - r.top)};
}

void SetControlText(HWND control, const std::string& utf8) {
  SetWindowTextW(control, Widen(utf8).c_str());
}

std::string ControlText(HWND control) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return Narrow(text);
}

}  // namespace ui::win32
