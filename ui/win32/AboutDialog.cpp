#include "ui/win32/AboutDialog.h"

#include <shellapi.h>

#include "ui/win32/Fonts.h"
#include "ui/win32/Pictures.h"
#include "ui/win32/Utf.h"
#include "wizard/AboutLinks.h"
#include "wizard/Layout.h"

namespace ui::win32 {

namespace {

namespace about = wizard::layout::about;

enum ControlId : int {
  kIdWeb = 201,
  kIdMail,
  kIdLine,
};

LinkOpener& Opener() {
  static LinkOpener opener;
  return opener;
}

void OpenLink(const std::string& target) {
  const std::wstring wide = Widen(target);
  if (Opener()) return Opener()(wide);
  // The result is not looked at: without a browser or a mail program nothing happens and the
  // dialog stays open.
  ShellExecuteW(nullptr, nullptr, wide.c_str(), L"", L"", SW_SHOWNORMAL);
}

// A dialog template with no control: the controls are made in pixels from the layout table.
struct EmptyTemplate {
  DLGTEMPLATE dialog;
  WORD menu = 0, windowClass = 0, title = 0;
};

// A line sized to its text in its font.
HWND MakeLine(HWND dialog, const about::Line& line, const char* text, HFONT font, int id,
              DWORD extraStyle = 0) {
  const std::wstring wide = Widen(text);
  HDC dc = GetDC(dialog);
  const HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(dialog, dc);
  HWND label =
      CreateControl(dialog, L"STATIC", WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX | extraStyle, 0,
                    {line.left, line.top, size.cx, size.cy}, id);
  SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  SetWindowTextW(label, wide.c_str());
  return label;
}

}  // namespace

LinkOpener SetLinkOpener(LinkOpener opener) {
  LinkOpener previous = std::move(Opener());
  Opener() = std::move(opener);
  return previous;
}

TFormAPropos::TFormAPropos(HWND owner) : owner_(owner) {
  EmptyTemplate t{};
  // A dialog frame with a title bar and a close box; the size is set once the controls exist.
  t.dialog.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  CreateDialogIndirectParamW(GetModuleHandleW(nullptr), &t.dialog, owner, DialogProc,
                             reinterpret_cast<LPARAM>(this));
}

TFormAPropos::~TFormAPropos() {
  if (hwnd_ != nullptr && IsWindow(hwnd_)) DestroyWindow(hwnd_);
}

void TFormAPropos::CreateControls() {
  // The client area as laid out, centred on the desktop's work area.
  RECT frame{0, 0, about::kClientWidth, about::kClientHeight};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)));
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - width) / 2,
               work.top + (work.bottom - work.top - height) / 2, width, height,
               SWP_NOZORDER | SWP_NOACTIVATE);

  HFONT font = WizardFont();
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  // Ok first: the first tab stop, and the default button that Enter presses.
  ButtonOk = CreateControl(hwnd_, L"BUTTON", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0,
                           about::ButtonOk, IDOK);
  SendMessageW(ButtonOk, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  banner_ = std::make_unique<Win32Picture>(hwnd_, about::Image1, AboutBannerBitmap(),
                                           PicturePlacement::Fit);
  Image1 = banner_->handle();
  LabelAdresse = MakeLine(hwnd_, about::LabelAdresse, maker::AddressLine.fr, font, kIdLine);
  LabelCodeVille = MakeLine(hwnd_, about::LabelCodeVille, maker::TownLine.fr, font, kIdLine);
  LabelPays = MakeLine(hwnd_, about::LabelPays, maker::Country.fr, font, kIdLine);
  LabelTelephone = MakeLine(hwnd_, about::LabelTelephone, maker::TelephoneLine.fr, font, kIdLine);
  LabelTelecopie = MakeLine(hwnd_, about::LabelTelecopie, maker::FaxLine.fr, font, kIdLine);
  // The links: blue, underlined, 13 pixels high; SS_NOTIFY reports their clicks.
  HFONT link = WizardFont(about::kLinkFontPixels, wizard::FontStyle::Plain, true);
  LabelNomSite = MakeLine(hwnd_, about::LabelNomSite, maker::WebLine.fr, link, kIdWeb, SS_NOTIFY);
  LabelMel = MakeLine(hwnd_, about::LabelMel, maker::MailLine.fr, link, kIdMail, SS_NOTIFY);

  Language = 0;
  SetWindowTextW(hwnd_, Widen(txt::AboutCaption.fr).c_str());
  SetWindowTextW(ButtonOk, Widen(txt::AboutOk.fr).c_str());
}

void TFormAPropos::SetLanguage(LanguageIndex n) {
  if (n == Language) return;
  Language = n;
  SetWindowTextW(hwnd_, Widen(txt::AboutCaption.Get(n)).c_str());
  SetWindowTextW(ButtonOk, Widen(txt::AboutOk.Get(n)).c_str());
}

void TFormAPropos::ShowModal() {
  if (hwnd_ == nullptr || !IsWindow(hwnd_)) return;
  closed_ = false;
  EnableWindow(owner_, FALSE);
  ShowWindow(hwnd_, SW_SHOW);
  SetForegroundWindow(hwnd_);
  SetFocus(ButtonOk);
  // The dialog's own loop: every message of the thread still goes where it belongs (the wizard's
  // ticks and posted messages included); only the dialog's keys take the dialog's way.
  MSG msg;
  while (!closed_ && IsWindow(hwnd_)) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));  // for the outer loop
      break;
    }
    if (!IsDialogMessageW(hwnd_, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  closed_ = true;
  // The owner comes back first and takes the activation over, as when a dialog ends, so that the
  // keyboard goes back to the wizard.
  if (IsWindow(owner_)) EnableWindow(owner_, TRUE);
  if (IsWindow(hwnd_)) {
    if (GetActiveWindow() == hwnd_ && IsWindow(owner_)) SetForegroundWindow(owner_);
    ShowWindow(hwnd_, SW_HIDE);
  }
}

void TFormAPropos::Close() {
  closed_ = true;
}

void TFormAPropos::ButtonOkClick() {
  Close();
}

void TFormAPropos::LabelNomSiteClick() {
  OpenLink(wizard::WebLinkTarget());
}

void TFormAPropos::LabelMelClick() {
  OpenLink(wizard::MailLinkTarget());
}

INT_PTR CALLBACK TFormAPropos::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    auto* self = reinterpret_cast<TFormAPropos*>(lParam);
    self->hwnd_ = hwnd;
    self->CreateControls();
    return FALSE;  // the focus is set when the dialog is shown
  }
  auto* self = reinterpret_cast<TFormAPropos*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  return self != nullptr ? self->OnMessage(message, wParam, lParam) : FALSE;
}

INT_PTR TFormAPropos::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:  // the button, or Enter
          ButtonOkClick();
          return TRUE;
        case IDCANCEL:  // Escape, or the close box
          Close();
          return TRUE;
        case kIdWeb:
          if (HIWORD(wParam) == STN_CLICKED) LabelNomSiteClick();
          return TRUE;
        case kIdMail:
          if (HIWORD(wParam) == STN_CLICKED) LabelMelClick();
          return TRUE;
        default:
          return FALSE;
      }
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      SetTextColor(dc, IsLink(reinterpret_cast<HWND>(lParam)) ? RGB(0, 0, 255)
                                                              : GetSysColor(COLOR_WINDOWTEXT));
      return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_SETCURSOR:
      if (IsLink(reinterpret_cast<HWND>(wParam))) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, TRUE);
        return TRUE;
      }
      return FALSE;
    case WM_DESTROY:
      hwnd_ = nullptr;
      closed_ = true;
      return FALSE;
    default:
      (void)lParam;
      return FALSE;
  }
}

}  // namespace ui::win32
