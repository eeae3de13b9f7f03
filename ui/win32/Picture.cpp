#include <algorithm>

#include "ui/win32/Controls.h"

namespace ui::win32 {

namespace {

constexpr wchar_t kPictureClass[] = L"Orb42Picture";

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP info{};
  if (bitmap == nullptr || GetObjectW(bitmap, sizeof info, &info) == 0) return {0, 0};
  return {info.bmWidth, info.bmHeight};
}

}  // namespace

Win32Picture::Win32Picture(HWND parent, const wizard::Rect& rect, HBITMAP bitmap,
                           PicturePlacement placement, DWORD extraStyle)
    : hwnd_(nullptr), bitmap_(bitmap), placement_(placement) {
  static const ATOM registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kPictureClass;
    return RegisterClassExW(&wc);
  }();
  (void)registered;
  hwnd_ = CreateWindowExW(0, kPictureClass, L"", WS_CHILD | WS_VISIBLE | extraStyle, rect.left,
                          rect.top, rect.width, rect.height, parent, nullptr,
                          GetModuleHandleW(nullptr), this);
}

void Win32Picture::SetVisible(bool visible) {
  ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
}

int Win32Picture::Width() const {
  return ControlRect(hwnd_).width;
}

void Win32Picture::SetWidth(int width) {
  const wizard::Rect r = ControlRect(hwnd_);
  SetWindowPos(hwnd_, nullptr, 0, 0, width, r.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK Win32Picture::WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  const auto* self = reinterpret_cast<const Win32Picture*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers every pixel
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      if (self != nullptr) self->Paint(dc);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_PRINTCLIENT:
      if (self != nullptr) self->Paint(reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_SIZE:
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    default:
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

// The button face everywhere the picture does not cover, then the picture at its own size (or
// scaled down to fit), clipped by the control.
void Win32Picture::Paint(HDC dc) const {
  RECT client{};
  GetClientRect(hwnd_, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  const SIZE size = BitmapSize(bitmap_);
  if (size.cx <= 0 || size.cy <= 0) return;
  int width = size.cx, height = size.cy;
  if (placement_ == PicturePlacement::Fit && (width > client.right || height > client.bottom)) {
    const double scale = std::min(static_cast<double>(client.right) / width,
                                  static_cast<double>(client.bottom) / height);
    width = std::max(1, static_cast<int>(width * scale + 0.5));
    height = std::max(1, static_cast<int>(height * scale + 0.5));
  }
  int left = 0, top = 0;
  if (placement_ != PicturePlacement::TopLeft) {
    left = (static_cast<int>(client.right) - width) / 2;
    top = (static_cast<int>(client.bottom) - height) / 2;
  }
  HDC source = CreateCompatibleDC(dc);
  const HGDIOBJ old = SelectObject(source, bitmap_);
  if (width == size.cx && height == size.cy) {
    BitBlt(dc, left, top, width, height, source, 0, 0, SRCCOPY);
  } else {
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchBlt(dc, left, top, width, height, source, 0, 0, size.cx, size.cy, SRCCOPY);
  }
  SelectObject(source, old);
  DeleteDC(source);
}

}  // namespace ui::win32
