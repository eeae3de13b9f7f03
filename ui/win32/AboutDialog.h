#pragma once
// The About dialog on Windows: the maker's banner, address, telephone and fax, and the web and
// mail lines as links that the shell opens. Made once at start-up, hidden, and shown modally by
// the wizard's About button; its caption and button follow the wizard's language, its contact
// lines stay French.
#include "ui/win32/Win32.h"
// After Win32.h.
#include <functional>
#include <memory>
#include <string>

#include "ui/win32/Controls.h"
#include "wizard/Texts.h"

namespace ui::win32 {

// Hands a link's target to the system: ShellExecuteW with no owner and no verb (the target's
// default action), as the links have always been opened. Tests put their own in its place.
using LinkOpener = std::function<void(const std::wstring& target)>;
// Returns the previous opener; an empty one puts the shell back.
LinkOpener SetLinkOpener(LinkOpener opener);

class TFormAPropos {
 public:
  explicit TFormAPropos(HWND owner);
  ~TFormAPropos();
  TFormAPropos(const TFormAPropos&) = delete;
  TFormAPropos& operator=(const TFormAPropos&) = delete;

  void SetLanguage(LanguageIndex n);
  // Shows the dialog; the owner takes no input until it is closed (Ok, Enter, Escape or the
  // close box). The owner's timer and posted messages still run meanwhile.
  void ShowModal();
  void ButtonOkClick();
  void LabelNomSiteClick();
  void LabelMelClick();

  HWND Handle() const { return hwnd_; }
  bool IsShown() const { return hwnd_ != nullptr && IsWindowVisible(hwnd_); }

  // The controls, by their names.
  HWND ButtonOk = nullptr;
  HWND Image1 = nullptr;
  HWND LabelAdresse = nullptr;
  HWND LabelCodeVille = nullptr;
  HWND LabelPays = nullptr;
  HWND LabelTelephone = nullptr;
  HWND LabelTelecopie = nullptr;
  HWND LabelNomSite = nullptr;
  HWND LabelMel = nullptr;
  LanguageIndex Language = 0;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void CreateControls();
  void Close();
  bool IsLink(HWND control) const { return control == LabelNomSite || control == LabelMel; }

  HWND owner_;
  HWND hwnd_ = nullptr;
  std::unique_ptr<Win32Picture> banner_;
  bool closed_ = true;
};

}  // namespace ui::win32
