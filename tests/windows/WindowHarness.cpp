#include "WindowHarness.h"

#include <memory>

#include "ui/win32/WizardWindow.h"

namespace wintest {

namespace {

constexpr const wchar_t* kPortsKey = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";
int g_quits = 0;

}  // namespace

bool HaveDisplay() {
  static const bool have = [] {
    HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    if (probe != nullptr) DestroyWindow(probe);
    return probe != nullptr;
  }();
  return have;
}

void RemoveSerialPorts() {
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, kPortsKey);
}

void RestoreSerialPorts() {
  WriteSerialPorts({{"\\Device\\Serial0", "COM1"}});
}

void WriteSerialPorts(const std::vector<std::pair<std::string, std::string>>& values) {
  RemoveSerialPorts();
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kPortsKey, 0, nullptr, REG_OPTION_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return;
  for (const auto& [name, data] : values)
    RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>(data.size() + 1));
  RegCloseKey(key);
}

bool PumpUntil(HWND wizard, const std::function<bool()>& done, int limitMs) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(limitMs);
  for (;;) {
    if (done && done()) return true;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        ++g_quits;
        continue;
      }
      ui::win32::DispatchWizardMessage(wizard, msg);
      if (done && done()) return true;
    }
    if (GetTickCount64() >= end) return done && done();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

void PumpFor(HWND wizard, int ms) {
  PumpUntil(wizard, nullptr, ms);
}

int QuitsSeen() {
  return g_quits;
}

DialogScript::DialogScript()
    : previous_(ui::win32::SetDialogHandler([this](const wizard::DialogRequest& request) {
        shown_.push_back(request);
        if (answers_.empty()) return wizard::DialogAnswer::Yes;
        const wizard::DialogAnswer answer = answers_.front();
        answers_.pop_front();
        return answer;
      })) {}

DialogScript::~DialogScript() {
  ui::win32::SetDialogHandler(previous_);
}

namespace {

struct Finder {
  const wchar_t* windowClass;
  std::wstring title;
  HWND found = nullptr;
};

BOOL CALLBACK Match(HWND window, LPARAM context) {
  auto* f = reinterpret_cast<Finder*>(context);
  if (!IsWindowVisible(window)) return TRUE;
  if (f->windowClass != nullptr) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (lstrcmpW(name, f->windowClass) != 0) return TRUE;
  }
  if (!f->title.empty() && TextOf(window) != f->title) return TRUE;
  f->found = window;
  return FALSE;
}

struct Watch {
  std::function<HWND()> find;
  std::function<void(HWND)> look;
  ULONGLONG end = 0;
  bool appeared = false;
};
Watch g_watch;

void CALLBACK Poll(HWND, UINT, UINT_PTR id, DWORD) {
  HWND window = g_watch.find ? g_watch.find() : nullptr;
  if (window == nullptr && GetTickCount64() < g_watch.end) return;
  KillTimer(nullptr, id);
  auto look = std::move(g_watch.look);
  g_watch = Watch{};
  g_watch.appeared = window != nullptr;
  if (window != nullptr && look) look(window);
}

}  // namespace

HWND FindThreadWindow(const wchar_t* windowClass, const std::wstring& title) {
  Finder f{windowClass, title};
  EnumThreadWindows(GetCurrentThreadId(), Match, reinterpret_cast<LPARAM>(&f));
  return f.found;
}

void WhenWindowAppears(std::function<HWND()> find, std::function<void(HWND)> look, int limitMs) {
  g_watch.find = std::move(find);
  g_watch.look = std::move(look);
  g_watch.end = GetTickCount64() + static_cast<ULONGLONG>(limitMs);
  g_watch.appeared = false;
  SetTimer(nullptr, 0, 20, Poll);
}

bool WindowAppeared() {
  return g_watch.appeared;
}

std::wstring TextOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

void PostKey(HWND focus, WPARAM key) {
  const UINT scan = MapVirtualKeyW(static_cast<UINT>(key), MAPVK_VK_TO_VSC);
  PostMessageW(focus, WM_KEYDOWN, key, 1 | (static_cast<LPARAM>(scan) << 16));
  PostMessageW(focus, WM_KEYUP, key, 1 | (static_cast<LPARAM>(scan) << 16) | (3LL << 30));
}

void PostAltKey(HWND focus, wchar_t letter) {
  const WPARAM key = static_cast<WPARAM>(towupper(letter));
  const UINT scan = MapVirtualKeyW(static_cast<UINT>(key), MAPVK_VK_TO_VSC);
  const LPARAM context = 1 | (static_cast<LPARAM>(scan) << 16) | (1LL << 29);  // Alt held
  PostMessageW(focus, WM_SYSKEYDOWN, key, context);  // the loop's TranslateMessage adds WM_SYSCHAR
  PostMessageW(focus, WM_SYSKEYUP, key, context | (3LL << 30));
}

void PostClick(HWND control, int x, int y, WPARAM keys) {
  const LPARAM at = MAKELPARAM(x, y);
  PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON | keys, at);
  PostMessageW(control, WM_LBUTTONUP, keys, at);
}

}  // namespace wintest
