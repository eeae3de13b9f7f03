#include "ui/win32/WizardWindow.h"

#include <commctrl.h>

#include "ui/win32/AboutDialog.h"
#include "ui/win32/Fonts.h"
#include "ui/win32/MessageDialog.h"
#include "ui/win32/Pictures.h"
#include "ui/win32/Utf.h"
#include "wizard/Layout.h"
#include "wizard/ProgramError.h"

namespace ui::win32 {

namespace {

namespace layout = wizard::layout;

constexpr wchar_t kWindowClass[] = L"Orb42Wizard";
constexpr char kApplicationTitle[] = "orb42-update";

// A title bar without a system menu, so without close, minimise and maximise boxes (the
// minimise box is declared, as it always was; the system draws it only with a system menu), and
// a single border that the user cannot drag. The window is left through Quit, or through an
// outcome dialog.
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = 0;

// Control identifiers: 100 + the component's place in the layout table. None is IDOK or
// IDCANCEL, which the keyboard interface sends for Return and Escape.
int IdOf(const layout::Component& c) {
  for (std::size_t i = 0; i < layout::kComponents.size(); ++i)
    if (layout::kComponents[i] == &c) return 100 + static_cast<int>(i);
  return 99;
}

void RegisterWindowClass() {
  static const ATOM atom = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;  // replaced per window at WM_NCCREATE
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hIcon = ProgramIcon(GetSystemMetrics(SM_CXICON));
    wc.hIconSm = ProgramIcon(GetSystemMetrics(SM_CXSMICON));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    wc.lpszClassName = kWindowClass;
    return RegisterClassExW(&wc);
  }();
  (void)atom;
}

}  // namespace

WizardWindow::WizardWindow() {
  INITCOMMONCONTROLSEX controls{sizeof controls,
                                ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  RegisterWindowClass();
  RECT frame{0, 0, layout::kClientWidth, layout::kClientHeight};
  AdjustWindowRectEx(&frame, kWindowStyle, FALSE, kWindowExStyle);
  hwnd_ = CreateWindowExW(kWindowExStyle, kWindowClass, L"", kWindowStyle, CW_USEDEFAULT,
                          CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                          nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (hwnd_ == nullptr) throw ProgramError("Cannot create the window");
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WndProc));
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(WizardFont()), FALSE);
  // The wizard makes its controls through the Make* below, in declaration order, which is also
  // the order of the Z axis and of the Tab key.
  form_ = std::make_unique<TFormMj>(*this);
  // The connection picture lies under the text lines and the list, below the controls made
  // after it.
  if (underAll_ != nullptr)
    SetWindowPos(underAll_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

WizardWindow::~WizardWindow() {
  // The logic goes first: its link releases the loader and closes the port while the controls
  // it drives still exist.
  form_.reset();
  if (hwnd_ != nullptr && IsWindow(hwnd_)) {
    // Not a closing by the user: the loop, if any, is not told to end (an error box shown after
    // a failed start-up would otherwise meet the loop's end message and vanish at once).
    ownClose_ = true;
    quitOnDestroy_ = false;
    DestroyWindow(hwnd_);
  }
}

wizard::Label& WizardWindow::MakeLabel(const layout::Component& c) {
  labels_.push_back(std::make_unique<Win32Label>(hwnd_, c, IdOf(c)));
  handles_[&c] = labels_.back()->handle();
  return *labels_.back();
}

wizard::Button& WizardWindow::MakeButton(const layout::Component& c) {
  buttons_.push_back(std::make_unique<Win32Button>(hwnd_, c, IdOf(c)));
  handles_[&c] = buttons_.back()->handle();
  if (c.tooltip != nullptr) AddTooltip(buttons_.back()->handle(), c.tooltip);
  return *buttons_.back();
}

wizard::EditBox& WizardWindow::MakeEditBox(const layout::Component& c) {
  edits_.push_back(std::make_unique<Win32EditBox>(hwnd_, c, IdOf(c)));
  handles_[&c] = edits_.back()->handle();
  return *edits_.back();
}

wizard::ListBox& WizardWindow::MakeListBox(const layout::Component& c) {
  list_ = std::make_unique<Win32ListBox>(hwnd_, c, IdOf(c));
  handles_[&c] = list_->handle();
  return *list_;
}

wizard::ProgressBar& WizardWindow::MakeProgressBar(const layout::Component& c) {
  bars_.push_back(std::make_unique<Win32ProgressBar>(hwnd_, c, IdOf(c)));
  handles_[&c] = bars_.back()->handle();
  return *bars_.back();
}

// The connection picture takes no mouse input (disabled; it draws itself, so it is not greyed);
// the banner is centred at its own size.
wizard::Picture& WizardWindow::MakePicture(const layout::Component& c) {
  const bool connection = c.art == layout::Art::Connection;
  pictures_.push_back(std::make_unique<Win32Picture>(
      hwnd_, c.rect, connection ? ConnectionBitmap() : BannerBitmap(),
      connection ? PicturePlacement::TopLeft : PicturePlacement::Centre,
      connection ? WS_DISABLED : 0));
  handles_[&c] = pictures_.back()->handle();
  if (connection) underAll_ = pictures_.back()->handle();
  return *pictures_.back();
}

wizard::TimerDriver& WizardWindow::MakeTimer() {
  timer_ = std::make_unique<Win32TimerDriver>(hwnd_, kTimerId);
  return *timer_;
}

void WizardWindow::AddTooltip(HWND control, const char* text) {
  if (tooltip_ == nullptr)
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
  if (tooltip_ == nullptr) return;
  std::wstring tip = Widen(text);
  TOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = hwnd_;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = tip.data();
  SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

HWND WizardWindow::Handle(const layout::Component& c) const {
  const auto found = handles_.find(&c);
  return found != handles_.end() ? found->second : nullptr;
}

HFONT WizardWindow::LabelFont(HWND label) const {
  for (const auto& l : labels_)
    if (l->handle() == label) return l->Font();
  return nullptr;
}

void WizardWindow::Show() {
  RECT frame{};
  GetWindowRect(hwnd_, &frame);
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - width) / 2,
               work.top + (work.bottom - work.top - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(hwnd_, SW_SHOW);
  UpdateWindow(hwnd_);
  SetForegroundWindow(hwnd_);
  if (GetFocus() == nullptr || !IsChild(hwnd_, GetFocus())) FocusFirstControl();
}

void WizardWindow::FocusFirstControl() {
  HWND first = GetNextDlgTabItem(hwnd_, nullptr, FALSE);
  SetFocus(first != nullptr ? first : hwnd_);
}

void WizardWindow::SetTitle(const std::string& title) {
  SetWindowTextW(hwnd_, Widen(title).c_str());
}

void WizardWindow::PostMessage(int message, std::intptr_t wParam) {
  PostMessageW(hwnd_, Carrier(message), static_cast<WPARAM>(wParam), 0);
}

void WizardWindow::Close() {
  ownClose_ = true;
  SendMessageW(hwnd_, WM_CLOSE, 0, 0);
}

wizard::DialogAnswer WizardWindow::ShowMessageDialog(const wizard::DialogRequest& request) {
  return ui::win32::ShowMessageDialog(hwnd_, request);
}

void WizardWindow::ShowAboutDialog(LanguageIndex language) {
  if (aboutDialog_ == nullptr) return;
  aboutDialog_->SetLanguage(language);
  aboutDialog_->ShowModal();
}

// Return pressed with no default button: the focused button is pressed, as Space does.
void WizardWindow::PressFocusedButton() {
  HWND focus = GetFocus();
  for (const auto& button : buttons_) {
    HWND b = button->handle();
    if (focus == b && IsWindowEnabled(b) && IsWindowVisible(b))
      return OnCommand(GetDlgCtrlID(b), BN_CLICKED, b);
  }
}

// Each control runs the handler it was given.
void WizardWindow::OnCommand(int id, int code, HWND control) {
  if (id == IDOK && control == nullptr) return PressFocusedButton();
  if (code == BN_CLICKED) {
    for (const auto& button : buttons_)
      if (button->handle() == control) return button->Clicked();
  } else if (code == LBN_SELCHANGE && list_ != nullptr && control == list_->handle()) {
    // The list reports only the user's own changes: the adapter's LB_SETCURSEL sends nothing.
    list_->UserSelected();
  }
}

LRESULT CALLBACK WizardWindow::WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<WizardWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    self->hwnd_ = nullptr;
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  // An error escaping a handler is shown in the error box, and the wizard goes on.
  try {
    return self->OnMessage(message, wParam, lParam);
  } catch (...) {
    ShowErrorBox(ErrorBoxText(std::current_exception()));
    return 0;
  }
}

LRESULT WizardWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (timer_ == nullptr || wParam != timer_->id()) break;
      timer_->Ticked();
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return 0;
    case WM_CTLCOLORSTATIC: {
      // The labels and the read-only step indicator, on the button face.
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_MEASUREITEM:
      reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = layout::kListItemHeight;
      return TRUE;
    case WM_DRAWITEM:
      if (list_ == nullptr ||
          reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem != list_->handle())
        break;
      Win32ListBox::DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_ACTIVATE:
      // The keyboard goes back to the control that had it, as in a dialog.
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(hwnd_, focus)) focus_ = focus;
      } else if (HIWORD(wParam) == 0) {  // not minimised
        if (focus_ != nullptr && IsWindow(focus_) && IsWindowVisible(focus_) &&
            IsWindowEnabled(focus_))
          SetFocus(focus_);
        else
          FocusFirstControl();
      }
      return 0;
    case WM_CLOSE:
      // The window's own closings (Quit, an outcome answered No) always close. The system's
      // (Alt+F4, the taskbar's Close) is Quit while Quit is enabled, and is refused while the
      // device is checked or programmed.
      if (ownClose_ || !form_) {
        DestroyWindow(hwnd_);
      } else if (form_->MayClose()) {
        form_->ButtonQuitterClick();
      }
      return 0;
    case WM_DESTROY:
      if (quitOnDestroy_) PostQuitMessage(0);  // the wizard window is the program's main window
      return 0;
    default: {
      // Only the window's own posts, in the WM_APP range: a message of WM_USER's range (the
      // dialog manager's DM_SETDEFID among them) gets the default handling.
      const int wizardMessage = static_cast<int>(message) - WM_APP + WM_USER;
      if (message >= WM_APP && IsWizardMessage(wizardMessage) && form_) {
        form_->HandleMessage(wizardMessage, static_cast<std::intptr_t>(wParam));
        return 0;
      }
      break;
    }
  }
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}

void ShowErrorBox(const std::string& text) {
  ShowMessageDialog(
      nullptr, {kApplicationTitle, text, wizard::DialogKind::Error, wizard::DialogButtons::Ok});
}

void DispatchWizardMessage(HWND wizard, MSG& msg) {
  if (wizard != nullptr && IsWindow(wizard) && IsDialogMessageW(wizard, &msg)) return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

}  // namespace ui::win32
