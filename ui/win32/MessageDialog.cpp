#include "ui/win32/MessageDialog.h"

#include "ui/win32/Utf.h"

namespace ui::win32 {

namespace {

using wizard::DialogAnswer;

// MessageBoxW labels its buttons in the language of Windows; the wizard's dialogs have always
// read "&Yes", "&No" and "OK". The box is relabelled as it is activated, before it is shown.
// Only the box that MessageBoxW creates: the first dialog created while the hook is in place.
// Another dialog of the thread activated meanwhile (the About dialog, open when a posted outcome
// brings its box, and activated again as the box goes) keeps its own buttons.
HHOOK g_captionHook = nullptr;
HWND g_box = nullptr;

bool IsDialog(HWND window) {
  wchar_t windowClass[16] = {};
  GetClassNameW(window, windowClass, 16);
  return lstrcmpW(windowClass, L"#32770") == 0;
}

LRESULT CALLBACK EnglishButtons(int code, WPARAM wParam, LPARAM lParam) {
  HWND window = reinterpret_cast<HWND>(wParam);
  if (code == HCBT_CREATEWND && g_box == nullptr && IsDialog(window)) g_box = window;
  if (code == HCBT_ACTIVATE && window == g_box) {
    struct Caption {
      int id;
      const wchar_t* text;
    };
    for (const Caption& c : {Caption{IDYES, L"&Yes"}, Caption{IDNO, L"&No"}, Caption{IDOK, L"OK"}})
      if (HWND button = GetDlgItem(window, c.id)) SetWindowTextW(button, c.text);
  }
  return CallNextHookEx(g_captionHook, code, wParam, lParam);
}

DialogAnswer RunMessageBox(HWND owner, const wizard::DialogRequest& r) {
  UINT flags = r.buttons == wizard::DialogButtons::YesNo ? MB_YESNO : MB_OK;
  flags |= r.kind == wizard::DialogKind::Error ? MB_ICONERROR : MB_ICONINFORMATION;
  if (owner == nullptr) flags |= MB_TASKMODAL;
  const std::wstring text = Widen(r.text);
  const std::wstring title = Widen(wizard::DialogTitle(r));
  HHOOK outer = g_captionHook;
  HWND outerBox = g_box;
  g_box = nullptr;
  g_captionHook = SetWindowsHookExW(WH_CBT, EnglishButtons, nullptr, GetCurrentThreadId());
  const int answer = MessageBoxW(owner, text.c_str(), title.c_str(), flags);
  if (g_captionHook != nullptr) UnhookWindowsHookEx(g_captionHook);
  g_captionHook = outer;
  g_box = outerBox;
  switch (answer) {
    case IDYES:
      return DialogAnswer::Yes;
    case IDNO:
      return DialogAnswer::No;
    case IDOK:
      return DialogAnswer::Ok;
    default:
      return DialogAnswer::Dismissed;
  }
}

}  // namespace

DialogAnswer ShowMessageDialog(HWND owner, const wizard::DialogRequest& request) {
  if (const auto answer = wizard::HandlerAnswer(request)) return *answer;
  return RunMessageBox(owner, request);
}

}  // namespace ui::win32
