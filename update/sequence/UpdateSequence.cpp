// The update sequence: each tick of the wizard's timer does one small piece of work chosen by the
// step on show, and every phase ends with one message posted to the window. The handlers of those
// messages show the outcome and move the wizard.
#include <QCoreApplication>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>

#include "app/MessageDialog.h"
#include "app/PeriodicTimer.h"
#include "app/PortListBox.h"
#include "app/Tformmj.h"
#include "app/WizardMessages.h"
#include "update/FirmwareRecord.h"

namespace {

constexpr std::uint32_t kSerialFirst = 300000000;
constexpr std::uint32_t kSerialLast = 399999999;
constexpr std::uint32_t kNewMajor = 1;
constexpr std::uint32_t kNewMinor = 5;

// Major 0 with any minor, or major 1 below minor 5.
bool MayBeUpdated(std::uint32_t major, std::uint32_t minor) {
  return major == 0 || (major == 1 && minor < kNewMinor);
}

}  // namespace

void TFormMj::TimerGestionSerieTimer() {
  // The end record's WM_STEP_DONE must reach the window before the next tick: the timer keeps
  // running after it, and that next tick belongs to step 10.
  QCoreApplication::sendPostedEvents(this, WM_STEP_DONE);
  switch (WizardStep) {
    case 1:
    case 2:
    case 3:
    case 4: RefreshPortList(); break;
    case 5: TickStep5(); break;
    case 7: TickConnect(); break;
    case 8: TickCheck(); break;
    case 9: TickRecord(); break;
    case 10: TickFinish(); break;
    default: break;  // step 6 waits for the user
  }
}

void TFormMj::TickStep5() {
  RefreshPortListBoxKeepingSelection(*ListBoxSelectLangPort, *PortList, PreferredPort);
}

void TFormMj::TickConnect() {
  if (Link.Connect(1) == LinkOk) {
    TimerGestionSerie->SetEnabled(false);
    PostMessage(WM_STEP_DONE, 0);
    return;
  }
  const int attempts = ProgressBarProgrammation->value() + 1;
  if (attempts >= ProgressBarProgrammation->maximum()) {
    TimerGestionSerie->SetEnabled(false);
    PostMessage(WM_CONNECT_FAILED, 0);
    Link.Close();
  }
  ProgressBarProgrammation->setValue(attempts);
  const double remaining = 30.0 - 1.5 * ProgressBarProgrammation->value();
  LabelBarreProgression->setText(
      QString::asprintf(txt::Countdown.Get(Language), CP03::DeviceName(), remaining));
}

void TFormMj::TickCheck() {
  auto fail = [this](int message, std::intptr_t wParam) {
    PostMessage(message, wParam);
    TimerGestionSerie->SetEnabled(false);
  };
  switch (CheckStage) {
    case 0:
      if (Link.CheckIdentity() != LinkOk) {
        if (Link.LastError() == LinkWrongIdentity)
          fail(WM_DEVICE_REFUSED, RefusedIdentity);
        else
          fail(WM_LINK_FAILED, Link.LastError());
        return;
      }
      CheckStage = 1;
      LabelLigne1->setText(Text(txt::CheckDeviceModel));
      LabelLigne1->show();
      return;
    case 1: {
      if (Link.ReadDeviceType(DeviceType) != LinkOk) return fail(WM_LINK_FAILED, Link.LastError());
      if (DeviceType != 1) return fail(WM_DEVICE_REFUSED, RefusedDeviceType);
      const int records = static_cast<int>(FillRecordTable(RecordTable));
      ProgressBarProgrammation->setValue(0);
      SetProgressBarSmooth(true);
      ProgressBarProgrammation->setMaximum(records);
      CheckStage = 2;
      [[fallthrough]];
    }
    case 2:
      if (Link.ReadSerialNumber(SerialNumber) != LinkOk)
        return fail(WM_LINK_FAILED, Link.LastError());
      CheckStage = 3;
      LabelLigne2->setText(QString::asprintf(txt::CheckSerialNumber.Get(Language),
                                             static_cast<unsigned long>(SerialNumber)));
      LabelLigne2->show();
      if (SerialNumber < kSerialFirst || SerialNumber > kSerialLast)
        fail(WM_DEVICE_REFUSED, RefusedSerialNumber);
      return;
    case 3:
      if (Link.ReadVersion(VersionMajor, VersionMinor) != LinkOk)
        return fail(WM_LINK_FAILED, Link.LastError());
      if (!MayBeUpdated(VersionMajor, VersionMinor)) return fail(WM_DEVICE_REFUSED, RefusedVersion);
      LabelLigne3->setText(Text(txt::CheckVersion));
      LabelLigne3->show();
      CheckStage = 4;
      return;
    case 4:
      LabelLigne4->setText(Text(txt::CheckPreparing));
      LabelLigne4->show();
      if (Link.Unlock() != LinkOk || Link.EnterProgramming() != LinkOk)
        return fail(WM_LINK_FAILED, Link.LastError());
      TimerGestionSerie->SetEnabled(false);
      PostMessage(WM_STEP_DONE, 0);
      return;
    default: return;
  }
}

void TFormMj::TickRecord() {
  const int i = RecordIndex;
  RecordIndex = i + 1;
  const int count = ProgressBarProgrammation->maximum();
  if (i >= count || RecordTable[i] == nullptr) {
    // The table ended without an end record: nothing more to send, and no success to report.
    TimerGestionSerie->SetEnabled(false);
    PostMessage(WM_LINK_FAILED, 0);
    return;
  }
  LabelBarreProgression->setText(
      QString::asprintf(txt::Progress.Get(Language), static_cast<double>(i) / count * 100.0));
  ProgressBarProgrammation->setValue(std::min(i + 1, count));
  const DecodedRecord record = DecodeRecord(RecordTable[i]);
  // The bar stands one record ahead of the text and stops at its maximum.
  ProgressBarProgrammation->setValue(std::min(ProgressBarProgrammation->value() + 1, count));

  auto fail = [this] {
    TimerGestionSerie->SetEnabled(false);
    PostMessage(WM_LINK_FAILED, Link.LastError());
  };
  if (record.recordType == 1) {
    // The version goes last, after every word: a device whose update broke off anywhere keeps a
    // version that lets the next attempt update it. The timer keeps running; the next tick is
    // step 10's finish.
    if (Link.WriteVersion(kNewMajor, kNewMinor) != LinkOk) return fail();
    PostMessage(WM_STEP_DONE, 0);
    return;
  }
  if (record.recordType == 4) return;
  switch (record.Class()) {
    case AddressClass::ProgramMemory:
      for (std::uint32_t k = 0; k < record.wordCount; ++k)
        if (Link.WriteProgramWord(record.wordAddress + k,
                                  static_cast<std::uint16_t>(record.DataWord(k))) != LinkOk)
          return fail();
      return;
    case AddressClass::Eeprom:
      for (std::uint32_t k = 0; k < record.wordCount; ++k)
        if (Link.WriteEepromByte(EepromCellOf(record.wordAddress + k), record.EepromByte(k)) !=
            LinkOk)
          return fail();
      return;
    case AddressClass::Skipped: return;
  }
}

void TFormMj::TickFinish() {
  Link.LeaveProgramming();
  Link.Disconnect();
  Link.Close();
  TimerGestionSerie->SetEnabled(false);
}

bool TFormMj::event(QEvent* e) {
  switch (static_cast<int>(e->type())) {
    case WM_LINK_FAILED: HandleLinkFailed(); return true;
    case WM_CONNECT_FAILED: HandleConnectFailed(); return true;
    case WM_STEP_DONE: NextStep(); return true;
    case WM_DEVICE_REFUSED:
      HandleDeviceRefused(static_cast<WizardMessage*>(e)->wParam);
      return true;
    default: return QWidget::event(e);
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

void TFormMj::AskAnotherTry(const QString& text, DialogKind kind) {
  if (ShowMessageDialog(this, {QString(), text, kind, DialogButtons::YesNo}) == DialogAnswer::Yes) {
    BackToStep4();
  } else {
    quitting_ = true;
    close();
  }
}

void TFormMj::HandleLinkFailed() {
  CloseLink();
  AskAnotherTry(Text(txt::DlgLinkFailed), DialogKind::Error);
}

void TFormMj::HandleConnectFailed() {
  ShowMessageDialog(this, {QString(), Format(txt::DlgConnectFailed), DialogKind::Error,
                           DialogButtons::Ok});
  BackToStep4();
}

void TFormMj::HandleDeviceRefused(std::intptr_t reason) {
  CloseLink();
  switch (reason) {
    case RefusedIdentity:
      return AskAnotherTry(Format(txt::DlgRefusedIdentity), DialogKind::Error);
    case RefusedSerialNumber:
      return AskAnotherTry(Format(txt::DlgRefusedSerial), DialogKind::Error);
    case RefusedVersion:
      return AskAnotherTry(Format(VersionMajor == 1 && VersionMinor == 5 ? txt::DlgAlreadyInstalled
                                                                         : txt::DlgMoreRecent),
                           DialogKind::Information);
    case RefusedDeviceType:
      return AskAnotherTry(Format(txt::DlgRefusedDeviceType), DialogKind::Error);
    default: return;  // an unknown reason: the link is closed, nothing more
  }
}
