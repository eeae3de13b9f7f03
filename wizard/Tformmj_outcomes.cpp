// The other end of the update sequence: the message map and the four outcome handlers, which
// close the link where needed, tell the user the outcome and move the wizard on.
#include "link/LoaderFacts.h"
#include "wizard/Tformmj.h"
#include "wizard/WizardMessages.h"

using wizard::DialogAnswer;
using wizard::DialogButtons;
using wizard::DialogKind;

bool TFormMj::HandleMessage(int message, std::intptr_t wParam) {
  switch (message) {
    case WM_LINK_FAILED:
      HandleLinkFailed();
      return true;
    case WM_CONNECT_FAILED:
      HandleConnectFailed();
      return true;
    case WM_STEP_DONE:
      NextStep();
      return true;
    case WM_DEVICE_REFUSED:
      HandleDeviceRefused(wParam);
      return true;
    default:
      return false;
  }
}

void TFormMj::CloseLink() {
  Link.Disconnect();
  Link.Close();
}

void TFormMj::BackToStep4() {
  WizardStep = 5;
  PreviousStep();
}

// Only Yes tries again; any other answer ends the program.
void TFormMj::AskAnotherTry(const std::string& text, DialogKind kind) {
  if (window->ShowMessageDialog({std::string(), text, kind, DialogButtons::YesNo}) ==
      DialogAnswer::Yes) {
    BackToStep4();
  } else {
    CloseWindow();
  }
}

void TFormMj::HandleLinkFailed() {
  CloseLink();
  AskAnotherTry(Text(txt::DlgLinkFailed), DialogKind::Error);
}

void TFormMj::HandleConnectFailed() {
  window->ShowMessageDialog(
      {std::string(), Format(txt::DlgConnectFailed), DialogKind::Error, DialogButtons::Ok});
  BackToStep4();
}

void TFormMj::HandleDeviceRefused(std::intptr_t reason) {
  CloseLink();
  switch (reason) {
    case RefusedIdentity:
      return AskAnotherTry(Format(txt::DlgRefusedIdentity), DialogKind::Error);
    case RefusedSerialNumber:
      return AskAnotherTry(Format(txt::DlgRefusedSerial), DialogKind::Error);
    case RefusedVersion: {
      const bool same =
          VersionMajor == loader::kNewVersionMajor && VersionMinor == loader::kNewVersionMinor;
      return AskAnotherTry(Format(same ? txt::DlgAlreadyInstalled : txt::DlgMoreRecent),
                           DialogKind::Information);
    }
    case RefusedDeviceType:
      return AskAnotherTry(Format(txt::DlgRefusedDeviceType), DialogKind::Error);
    default:
      return;  // an unknown reason: the link is closed, nothing more
  }
}
