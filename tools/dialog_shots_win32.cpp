// Saves a picture of every outcome dialog the Windows wizard can show, in French and in English,
// as the wizard itself shows them: the real window on step 8, the message posted to it with
// PostMessageW, the real MessageBoxW, drawn frame and all, answered with its first button once
// its picture is taken. Run under Wine with a display (scripts/screenshots --windows).
// Usage: orb42-dialog-shots OUTPUT_DIR
#include "ui/win32/Win32.h"
// After Win32.h.
#include <objbase.h>
#include <wincodec.h>

#include <cstdio>
#include <string>

#include "tools/OutcomeShots.h"
#include "ui/win32/Utf.h"
#include "ui/win32/WizardWindow.h"

namespace {

// Writes a bitmap as a PNG file with Windows' imaging component.
bool SavePng(HBITMAP bitmap, const std::wstring& path) {
  IWICImagingFactory* factory = nullptr;
  IWICBitmap* source = nullptr;
  IWICStream* stream = nullptr;
  IWICBitmapEncoder* encoder = nullptr;
  IWICBitmapFrameEncode* frame = nullptr;
  bool saved =
      SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_IWICImagingFactory, reinterpret_cast<void**>(&factory))) &&
      SUCCEEDED(factory->CreateBitmapFromHBITMAP(bitmap, nullptr, WICBitmapIgnoreAlpha, &source)) &&
      SUCCEEDED(factory->CreateStream(&stream)) &&
      SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) &&
      SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
      SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) &&
      SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) &&
      SUCCEEDED(frame->Initialize(nullptr)) && SUCCEEDED(frame->WriteSource(source, nullptr)) &&
      SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
  for (IUnknown* object : std::initializer_list<IUnknown*>{frame, encoder, stream, source, factory})
    if (object != nullptr) object->Release();
  return saved;
}

// The whole window, frame and title bar included, as it is drawn.
bool SaveWindow(HWND window, const std::wstring& path) {
  RedrawWindow(window, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  RECT r{};
  GetWindowRect(window, &r);
  const int width = r.right - r.left, height = r.bottom - r.top;
  HDC source = GetWindowDC(window);
  HDC target = CreateCompatibleDC(source);
  HBITMAP bitmap = CreateCompatibleBitmap(source, width, height);
  const HGDIOBJ old = SelectObject(target, bitmap);
  BitBlt(target, 0, 0, width, height, source, 0, 0, SRCCOPY);
  SelectObject(target, old);
  DeleteDC(target);
  ReleaseDC(window, source);
  const bool saved = SavePng(bitmap, path);
  DeleteObject(bitmap);
  return saved;
}

struct Pending {
  std::wstring file;
  bool saved = false, done = false;
} g_pending;

// Once the message box is up and painted: its picture, then its first button.
void CALLBACK TakeTheBox(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND box = nullptr;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND w, LPARAM found) {
        wchar_t name[16] = {};
        GetClassNameW(w, name, 16);
        if (!IsWindowVisible(w) || lstrcmpW(name, L"#32770") != 0) return TRUE;
        *reinterpret_cast<HWND*>(found) = w;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&box));
  if (box == nullptr) return;
  KillTimer(nullptr, timer);
  g_pending.saved = SaveWindow(box, g_pending.file);
  const int first = GetDlgItem(box, IDYES) != nullptr ? IDYES : IDOK;
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(first, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, first)));
  g_pending.done = true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: orb42-dialog-shots OUTPUT_DIR\n");
    return 2;
  }
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const std::wstring dir = ui::win32::Widen(argv[1]);
  CreateDirectoryW(dir.c_str(), nullptr);
  int saved = 0;
  for (const tools::OutcomeShot& shot : tools::kOutcomeShots) {
    for (LanguageIndex language : {0, 1}) {
      ui::win32::WizardWindow window;
      TFormMj& form = window.Form();
      form.SetLanguage(language);
      window.Show();
      tools::PutOnStep8(form, shot);
      g_pending = Pending{dir + L"\\outcome-" + ui::win32::Widen(shot.name) +
                          (language ? L"-en.png" : L"-fr.png")};
      SetTimer(nullptr, 0, 300, TakeTheBox);
      window.PostMessage(shot.message, static_cast<std::intptr_t>(shot.wParam));
      const ULONGLONG end = GetTickCount64() + 10000;
      MSG msg;
      while (!g_pending.done && GetTickCount64() < end) {
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
          if (msg.message != WM_QUIT) ui::win32::DispatchWizardMessage(window.Handle(), msg);
        } else {
          MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        }
      }
      if (g_pending.saved) ++saved;
      std::printf("%s %s\n", g_pending.saved ? "saved" : "MISSING",
                  ui::win32::Narrow(g_pending.file).c_str());
    }
  }
  std::printf("%d pictures in %s\n", saved, argv[1]);
  CoUninitialize();
  return saved == 2 * static_cast<int>(std::size(tools::kOutcomeShots)) ? 0 : 1;
}
