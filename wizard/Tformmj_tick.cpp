// The update sequence: each tick of the wizard's timer does one small piece of work chosen by the
// step on show, and every phase ends with one message posted to the window. The device work
// itself is the update session's (update/Session.h), one piece a tick; what the user sees of it,
// and which message ends a phase, is decided here.
#include <algorithm>

#include "update/Session.h"
#include "wizard/TextFormat.h"
#include "wizard/Tformmj.h"
#include "wizard/WizardMessages.h"

namespace {

RefusalReason ReasonOf(update::Refusal refusal) {
  switch (refusal) {
    case update::Refusal::Identity:
      return RefusedIdentity;
    case update::Refusal::SerialNumber:
      return RefusedSerialNumber;
    case update::Refusal::Version:
      return RefusedVersion;
    case update::Refusal::DeviceType:
      return RefusedDeviceType;
  }
  return RefusedIdentity;
}

}  // namespace

void TFormMj::TimerGestionSerieTimer() {
  switch (WizardStep) {
    case 1:
    case 2:
    case 3:
    case 4:
      RefreshPortList();
      break;
    case 5:
      TickStep5();
      break;
    case 7:
      TickConnect();
      break;
    case 8:
      TickCheck();
      break;
    case 9:
      TickRecord();
      break;
    case 10:
      TickFinish();
      break;
    default:
      break;  // step 6 waits for the user
  }
}

// A refresh that changes nothing leaves the box and its selection alone; one that replaces the
// list reloads the box and selects again the entry that was selected, or nothing when it is gone.
void TFormMj::TickStep5() {
  const int selected = ListBoxSelectLangPort->SelectedIndex();
  const std::string remembered = selected >= 0 ? ListBoxSelectLangPort->ItemText(selected) : "";
  if (!RefreshPortList()) return;
  LoadPortListIntoListBox();
  ListBoxSelectLangPort->SetSelectedIndex(-1);
  const int index = PortList->IndexOf(remembered);
  if (index < 0) return;
  const std::string& wanted = PortList->At(index);
  for (int row = 0; row < ListBoxSelectLangPort->Count(); ++row) {
    if (ListBoxSelectLangPort->ItemText(row) == wanted) {
      ListBoxSelectLangPort->SetSelectedIndex(row);
      return;
    }
  }
}

void TFormMj::TickConnect() {
  if (UpdateSession.Advance().kind == update::SessionEvent::Kind::Answered) {
    TimerGestionSerie->SetEnabled(false);
    window->PostMessage(WM_STEP_DONE, 0);
    return;
  }
  const int attempts = ProgressBarProgrammation->Position() + 1;
  if (attempts >= ProgressBarProgrammation->Maximum()) {
    TimerGestionSerie->SetEnabled(false);
    window->PostMessage(WM_CONNECT_FAILED, 0);
    Link.Close();
  }
  ProgressBarProgrammation->SetPosition(attempts);
  const double remaining = 30.0 - 1.5 * ProgressBarProgrammation->Position();
  LabelBarreProgression->SetText(
      wizard::FormatText(txt::Countdown.Get(Language), {CP03::DeviceName(), remaining}));
}

// One check a tick, as the session orders them; each passed check shows its line, and a check
// that does not pass posts exactly one message and stops the timer.
void TFormMj::TickCheck() {
  using update::SessionEvent;
  if (!UpdateSession.CheckAhead()) return;
  const std::uint32_t stage = UpdateSession.CheckStage;
  if (stage == update::kCheckProgramming) {
    LabelLigne4->SetText(Text(txt::CheckPreparing));
    LabelLigne4->SetVisible(true);
  }
  const SessionEvent event = UpdateSession.Advance();
  const update::DeviceFacts& facts = UpdateSession.Facts();
  const bool over = event.kind == SessionEvent::Kind::Verdict;
  auto fail = [this, &event] {
    if (event.verdict.kind == update::Verdict::Kind::Refused)
      window->PostMessage(WM_DEVICE_REFUSED, ReasonOf(event.verdict.refusal));
    else
      window->PostMessage(WM_LINK_FAILED, event.verdict.error);
    TimerGestionSerie->SetEnabled(false);
  };
  switch (stage) {
    case update::kCheckIdentity:
      if (over) return fail();
      LabelLigne1->SetText(Text(txt::CheckDeviceModel));
      LabelLigne1->SetVisible(true);
      return;
    case update::kCheckDeviceType:
    case update::kCheckSerialNumber:
      if (facts.type) DeviceType = *facts.type;
      if (over && event.check == update::kCheckDeviceType) return fail();
      if (stage == update::kCheckDeviceType) {
        // The type passed: the bar is the records' from here on.
        ProgressBarProgrammation->SetPosition(0);
        ProgressBarProgrammation->SetSmooth(true);
        ProgressBarProgrammation->SetMaximum(static_cast<int>(UpdateSession.RecordCount()));
      }
      if (!facts.serialNumber) return fail();  // the line broke while reading it
      SerialNumber = *facts.serialNumber;
      // The number is shown, also when it is refused.
      LabelLigne2->SetText(wizard::FormatText(txt::CheckSerialNumber.Get(Language),
                                              {static_cast<unsigned long>(SerialNumber)}));
      LabelLigne2->SetVisible(true);
      if (over) fail();
      return;
    case update::kCheckVersion:
      if (facts.versionMajor && facts.versionMinor) {
        VersionMajor = *facts.versionMajor;
        VersionMinor = *facts.versionMinor;
      }
      if (over) return fail();
      LabelLigne3->SetText(Text(txt::CheckVersion));
      LabelLigne3->SetVisible(true);
      return;
    case update::kCheckProgramming:
      if (over) return fail();
      TimerGestionSerie->SetEnabled(false);
      window->PostMessage(WM_STEP_DONE, 0);
      return;
    default:
      return;
  }
}

void TFormMj::TickRecord() {
  using update::SessionEvent;
  if (UpdateSession.RecordAhead()) {
    const int i = UpdateSession.RecordIndex;
    const int count = static_cast<int>(UpdateSession.RecordCount());
    LabelBarreProgression->SetText(
        wizard::FormatText(txt::Progress.Get(Language), {static_cast<double>(i) / count * 100.0}));
    ProgressBarProgrammation->SetPosition(std::min(i + 1, count));
    // The bar stands one record ahead of the text and stops at its maximum.
    ProgressBarProgrammation->SetPosition(
        std::min(ProgressBarProgrammation->Position() + 1, count));
  }
  const SessionEvent event = UpdateSession.Advance();
  if (event.kind != SessionEvent::Kind::Verdict) return;
  if (!event.verdict.Passed()) {
    // A failed record, or a table that ended without its end record: nothing more to send, and
    // no success to report.
    TimerGestionSerie->SetEnabled(false);
    window->PostMessage(WM_LINK_FAILED, event.verdict.error);
    return;
  }
  // After the end record the timer keeps running: its message moves the wizard to step 10
  // before the next tick, which is step 10's finish.
  window->PostMessage(WM_STEP_DONE, 0);
}

void TFormMj::TickFinish() {
  UpdateSession.GiveUp();
  UpdateSession.Advance();
  TimerGestionSerie->SetEnabled(false);
}
