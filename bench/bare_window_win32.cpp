// The reference for the Windows wizard's start-up under Wine: a bare Win32 window with the
// wizard's frame and client size, nothing in it.
#include <windows.h>

namespace {

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = Procedure;
  windowClass.hInstance = instance;
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  windowClass.lpszClassName = L"Orb42BareWindow";
  RegisterClassW(&windowClass);
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_MINIMIZEBOX;
  RECT frame{0, 0, 558, 403};
  AdjustWindowRect(&frame, style, FALSE);
  HWND window = CreateWindowW(L"Orb42BareWindow", L"orb42-bench-bare-window", style, CW_USEDEFAULT,
                              CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                              nullptr, nullptr, instance, nullptr);
  ShowWindow(window, SW_SHOW);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  return 0;
}
