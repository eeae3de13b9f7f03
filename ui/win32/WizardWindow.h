#pragma once
// The wizard window on Windows: a fixed-size top-level window with the controls of the layout
// table, their adapters, and the wizard's logic (TFormMj) driving them. The window is the
// wizard's Window: its title, the four private messages (posted with PostMessageW and handed to
// TFormMj::HandleMessage by the window procedure), its closing, the message boxes and the About
// dialog.
#include "ui/win32/Win32.h"
// After Win32.h.
#include <map>
#include <memory>
#include <vector>

#include "ui/win32/Controls.h"
#include "wizard/Tformmj.h"
#include "wizard/Toolkit.h"

namespace ui::win32 {

class TFormAPropos;

class WizardWindow final : public wizard::Window, public wizard::Toolkit {
 public:
  // Makes the window hidden, with every control, then the wizard's logic, which sets up step 1
  // in French and switches the timer on.
  WizardWindow();
  ~WizardWindow() override;
  WizardWindow(const WizardWindow&) = delete;
  WizardWindow& operator=(const WizardWindow&) = delete;

  HWND Handle() const { return hwnd_; }
  TFormMj& Form() { return *form_; }
  // The About dialog that the About button shows; made at start-up right after this window.
  void SetAboutDialog(TFormAPropos* dialog) { aboutDialog_ = dialog; }
  // Shows the window, centred on the screen, and gives the keyboard to its first control.
  void Show();

  // The control made for a component of the layout table (nullptr for one not made), for the
  // front end's own checks and pictures.
  HWND Handle(const wizard::layout::Component& c) const;
  // What the adapters keep beside their controls: whether the list is meant sorted, and the
  // label's font (the one its text is measured in).
  bool ListSorted() const { return list_ != nullptr && list_->Sorted(); }
  HFONT LabelFont(HWND label) const;
  // The identifier of the wizard's timer (SetTimer on this window).
  static constexpr UINT_PTR kTimerId = 1;
  // The window message that carries one of the wizard's private messages (WM_LINK_FAILED, ...):
  // the same offset from WM_APP as the wizard's number has from WM_USER. WM_USER's own range
  // belongs to the dialog manager too: IsDialogMessage sends DM_GETDEFID (WM_USER) and
  // DM_SETDEFID (WM_USER + 1, which is WM_LINK_FAILED's number) to the window it handles.
  static constexpr UINT Carrier(int wizardMessage) {
    return static_cast<UINT>(WM_APP + (wizardMessage - WM_USER));
  }

  // wizard::Window
  void SetTitle(const std::string& title) override;
  void PostMessage(int message, std::intptr_t wParam) override;
  void Close() override;
  wizard::DialogAnswer ShowMessageDialog(const wizard::DialogRequest& request) override;
  void ShowAboutDialog(LanguageIndex language) override;

  // wizard::Toolkit: each control on this window, at its component's place, with the control
  // identifier 100 + the component's place in the layout table.
  wizard::Window& TheWindow() override { return *this; }
  wizard::Label& MakeLabel(const wizard::layout::Component& c) override;
  wizard::Button& MakeButton(const wizard::layout::Component& c) override;
  wizard::EditBox& MakeEditBox(const wizard::layout::Component& c) override;
  wizard::ListBox& MakeListBox(const wizard::layout::Component& c) override;
  wizard::ProgressBar& MakeProgressBar(const wizard::layout::Component& c) override;
  wizard::Picture& MakePicture(const wizard::layout::Component& c) override;
  wizard::TimerDriver& MakeTimer() override;

 private:
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void AddTooltip(HWND control, const char* text);
  void OnCommand(int id, int code, HWND control);
  void PressFocusedButton();
  void FocusFirstControl();

  HWND hwnd_ = nullptr;
  // Every control made, and the handle of each component's.
  std::vector<std::unique_ptr<Win32Button>> buttons_;
  std::vector<std::unique_ptr<Win32Label>> labels_;
  std::vector<std::unique_ptr<Win32EditBox>> edits_;
  std::vector<std::unique_ptr<Win32Picture>> pictures_;
  std::vector<std::unique_ptr<Win32ProgressBar>> bars_;
  std::unique_ptr<Win32ListBox> list_;
  std::unique_ptr<Win32TimerDriver> timer_;
  std::map<const wizard::layout::Component*, HWND> handles_;
  HWND underAll_ = nullptr;  // the connection picture
  std::unique_ptr<TFormMj> form_;
  HWND tooltip_ = nullptr;
  HWND focus_ = nullptr;  // the control that had the keyboard when the window was deactivated
  TFormAPropos* aboutDialog_ = nullptr;
  bool ownClose_ = false;
  bool quitOnDestroy_ = true;
};

// The error box for an error that escaped a handler: the program's title, an error icon, OK.
void ShowErrorBox(const std::string& text);

// Hands one message of the thread to its window as the program's message loop does: keys of the
// wizard window go through IsDialogMessageW (Tab, Alt+mnemonic presses a button, Return presses
// the focused button).
void DispatchWizardMessage(HWND wizard, MSG& msg);

}  // namespace ui::win32
