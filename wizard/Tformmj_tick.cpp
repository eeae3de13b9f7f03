// The update sequence: each tick of the wizard's timer does one small piece of work chosen by the
// step on show, and every phase ends with one message posted to the window. The device work
// itself is update/DeviceUpdate.h's; what the user sees of it, and which message ends a phase,
// is decided here.
#include <algorithm>

#include "update/DeviceUpdate.h"
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
  if (Link.Connect(1) == LinkOk) {
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

void TFormMj::TickCheck() {
  // A stage that does not pass posts exactly one message and stops the timer.
  auto fail = [this](const update::Verdict& verdict) {
    if (verdict.kind == update::Verdict::Kind::Refused)
      window->PostMessage(WM_DEVICE_REFUSED, ReasonOf(verdict.refusal));
    else
      window->PostMessage(WM_LINK_FAILED, verdict.error);
    TimerGestionSerie->SetEnabled(false);
  };
  switch (CheckStage) {
    case 0: {
      const update::Verdict v = update::CheckIdentity(Link);
      if (!v.Passed()) return fail(v);
      CheckStage = 1;
      LabelLigne1->SetText(Text(txt::CheckDeviceModel));
      LabelLigne1->SetVisible(true);
      return;
    }
    case 1: {
      const update::Verdict v = update::CheckDeviceType(Link, DeviceType);
      if (!v.Passed()) return fail(v);
      const int records = static_cast<int>(FillRecordTable(RecordTable));
      ProgressBarProgrammation->SetPosition(0);
      ProgressBarProgrammation->SetSmooth(true);
      ProgressBarProgrammation->SetMaximum(records);
      CheckStage = 2;
      [[fallthrough]];  // the serial number in the same tick
    }
    case 2: {
      const update::Verdict v = update::CheckSerialNumber(Link, SerialNumber);
      if (v.kind == update::Verdict::Kind::LinkFailed) return fail(v);
      CheckStage = 3;
      // The number is shown, also when it is refused.
      LabelLigne2->SetText(wizard::FormatText(txt::CheckSerialNumber.Get(Language),
                                              {static_cast<unsigned long>(SerialNumber)}));
      LabelLigne2->SetVisible(true);
      if (!v.Passed()) fail(v);
      return;
    }
    case 3: {
      const update::Verdict v = update::CheckVersion(Link, VersionMajor, VersionMinor);
      if (!v.Passed()) return fail(v);
      LabelLigne3->SetText(Text(txt::CheckVersion));
      LabelLigne3->SetVisible(true);
      CheckStage = 4;
      return;
    }
    case 4: {
      LabelLigne4->SetText(Text(txt::CheckPreparing));
      LabelLigne4->SetVisible(true);
      const update::Verdict v = update::PrepareProgramming(Link);
      if (!v.Passed()) return fail(v);
      TimerGestionSerie->SetEnabled(false);
      window->PostMessage(WM_STEP_DONE, 0);
      return;
    }
    default:
      return;
  }
}

void TFormMj::TickRecord() {
  const int i = RecordIndex;
  RecordIndex = i + 1;
  const int count = ProgressBarProgrammation->Maximum();
  if (i >= count || RecordTable[i] == nullptr) {
    // The table ended without an end record: nothing more to send, and no success to report.
    TimerGestionSerie->SetEnabled(false);
    window->PostMessage(WM_LINK_FAILED, 0);
    return;
  }
  LabelBarreProgression->SetText(
      wizard::FormatText(txt::Progress.Get(Language), {static_cast<double>(i) / count * 100.0}));
  ProgressBarProgrammation->SetPosition(std::min(i + 1, count));
  // The bar stands one record ahead of the text and stops at its maximum.
  ProgressBarProgrammation->SetPosition(std::min(ProgressBarProgrammation->Position() + 1, count));

  const update::RecordResult result = update::ProgramRecord(Link, RecordTable[i]);
  if (!result.verdict.Passed()) {
    TimerGestionSerie->SetEnabled(false);
    window->PostMessage(WM_LINK_FAILED, result.verdict.error);
    return;
  }
  // After the end record the timer keeps running: its message moves the wizard to step 10
  // before the next tick, which is step 10's finish.
  if (result.endOfImage) window->PostMessage(WM_STEP_DONE, 0);
}

void TFormMj::TickFinish() {
  update::Finish(Link);
  TimerGestionSerie->SetEnabled(false);
}
