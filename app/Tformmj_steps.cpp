// The ten step set-ups and the moves between them. Each set-up touches only what it lists; every
// other property keeps the value it had, so a step can look different by the path that reached it.
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>

#include "app/PeriodicTimer.h"
#include "app/PortListBox.h"
#include "app/Tformmj.h"
#include "app/WizardFont.h"

namespace {

constexpr int kStepCount = 10;
constexpr int kVersionMajor = 1;  // the firmware version this program installs
constexpr int kVersionMinor = 5;
constexpr int kOuterWidth = 566;  // the window's outer width, borders included

enum class Style { Plain, Bold, Italic };

// A style replaces the whole set: bold means bold only.
void SetStyle(QLabel* label, Style style) {
  QFont font = label->font();
  font.setBold(style == Style::Bold);
  font.setItalic(style == Style::Italic);
  font.setUnderline(false);
  font.setStrikeOut(false);
  label->setFont(font);
}

void SetPointSize(QLabel* label, int points) {
  QFont font = label->font();
  font.setPixelSize(points == 10 ? 13 : 11);  // 8 and 10 points at 96 dots an inch
  label->setFont(font);
}

void SetAlignment(QLabel* label, Qt::Alignment horizontal) {
  label->setAlignment(horizontal | Qt::AlignTop);
}

}  // namespace

QString TFormMj::Text(const TextPair& pair) const { return QString::fromUtf8(pair.Get(Language)); }

QString TFormMj::Format(const TextPair& pair) const {
  // Some texts name the device twice; printf ignores an argument a text does not use.
  return QString::asprintf(pair.Get(Language), CP03::DeviceName(), CP03::DeviceName());
}

void TFormMj::SetStepIndicator() {
  EditEtape->setText(QString::asprintf(txt::StepIndicator.Get(Language), WizardStep, kStepCount));
}

void TFormMj::SetWindowTitleAndLine1() {
  const QString title = QString::asprintf(txt::WindowTitle.Get(Language), kVersionMajor,
                                          kVersionMinor, CP03::DeviceName());
  setWindowTitle(title);
  LabelLigne1->setText(title);
}

void TFormMj::SetRemarkProgress() {
  const int max = ProgressBarProgrammation->maximum();
  const double share = max > 0 ? 100.0 * ProgressBarProgrammation->value() / max : 0.0;
  LabelBarreProgression->setText(QString::asprintf(txt::Progress.Get(Language), share));
}

void TFormMj::ShowStep1() {
  SetStepIndicator();
  ButtonPrecedant->setEnabled(false);
  ListBoxSelectLangPort->hide();
  ImageConnectAppareilaPC->hide();
  LabelTitreEtape->setText(Format(txt::Step1Title));
  SetWindowTitleAndLine1();
  SetAlignment(LabelLigne1, Qt::AlignHCenter);
  SetStyle(LabelLigne1, Style::Bold);
  LabelLigne1->show();
  LabelLigne2->setText(Text(txt::Step1Line2));
  SetAlignment(LabelLigne2, Qt::AlignHCenter);
  LabelLigne2->show();
  LabelLigne3->setText(Text(txt::Step1Line3));
  LabelLigne3->show();
  LabelLigne4->hide();
  LabelLigne5->hide();
  LabelBarreProgression->setText(Text(txt::Remark));
  SetStyle(LabelBarreProgression, Style::Italic);
  SetPointSize(LabelBarreProgression, 10);
  SetAlignment(LabelBarreProgression, Qt::AlignHCenter);
  LabelBarreProgression->show();
  ButtonQuitter->setText(Text(txt::CaptionQuit));
  ButtonPrecedant->setText(Text(txt::CaptionPrevious));
  ButtonSuivant->setText(Text(txt::CaptionNext));
  ButtonAPropos->setText(Text(txt::CaptionAbout));
  // The language list stands right of the prompt of line 3.
  const int textWidth = QFontMetrics(LabelLigne3->font()).horizontalAdvance(LabelLigne3->text());
  ListBoxSelectLangPort->setGeometry(LabelLigne3->x() + textWidth + 10, LabelLigne3->y() - 2,
                                     ListBoxSelectLangPort->width(), 8 * LabelLigne3->height());
  {
    const QSignalBlocker quiet(ListBoxSelectLangPort);
    ListBoxSelectLangPort->clear();
    listSorted_ = false;
    ListBoxSelectLangPort->addItem(QString::fromUtf8(txt::LanguageNames[0]));
    ListBoxSelectLangPort->addItem(QString::fromUtf8(txt::LanguageNames[1]));
    ListBoxSelectLangPort->setCurrentRow(Language);
  }
  ListBoxSelectLangPort->show();
}

void TFormMj::ShowStep2() {
  SetStepIndicator();
  ButtonPrecedant->setEnabled(true);
  ListBoxSelectLangPort->hide();
  ImageConnectAppareilaPC->hide();
  ButtonQuitter->setText(Text(txt::CaptionQuit));
  ButtonPrecedant->setText(Text(txt::CaptionPrevious));
  ButtonSuivant->setText(Text(txt::CaptionNext));
  LabelTitreEtape->setText(Format(txt::Step2Title));
  ButtonAPropos->setText(Text(txt::CaptionAbout));
  SetWindowTitleAndLine1();
  SetAlignment(LabelLigne1, Qt::AlignHCenter);
  SetStyle(LabelLigne1, Style::Bold);
  LabelLigne2->setText(Text(txt::Step2Line2));
  LabelLigne3->setText(Format(txt::Step2Line3));
  LabelLigne4->setText(Text(txt::Step2Line4));
  LabelBarreProgression->setText(Text(txt::Remark));
  SetStyle(LabelBarreProgression, Style::Italic);
  SetPointSize(LabelBarreProgression, 10);
  SetAlignment(LabelBarreProgression, Qt::AlignHCenter);
  LabelLigne1->show();
  LabelLigne2->show();
  LabelLigne3->show();
  LabelLigne4->show();
  LabelBarreProgression->show();
  LabelLigne5->hide();
  ListBoxSelectLangPort->hide();
}

void TFormMj::ShowStep3() {
  SetStepIndicator();
  LabelTitreEtape->setText(Format(txt::Step3Title));
  SetAlignment(LabelLigne1, Qt::AlignLeft);
  SetStyle(LabelLigne1, Style::Plain);
  SetStyle(LabelBarreProgression, Style::Plain);
  SetPointSize(LabelBarreProgression, 8);
  SetAlignment(LabelBarreProgression, Qt::AlignLeft);
  LabelBarreProgression->hide();
  LabelLigne1->setText(Format(txt::Step3Line1));
  LabelLigne1->show();
  LabelLigne2->hide();
  LabelLigne3->hide();
  LabelLigne4->hide();
  LabelLigne5->hide();
  // Only the left half shows: the device with the cable plugged in.
  ImageConnectAppareilaPC->resize(ConnectImageWidth / 2, ImageConnectAppareilaPC->height());
  ButtonPrecedant->setEnabled(true);
  ImageConnectAppareilaPC->show();
  ListBoxSelectLangPort->hide();
}

void TFormMj::ShowStep4() {
  SetStepIndicator();
  LabelTitreEtape->setText(Format(txt::Step4Title));
  ImageConnectAppareilaPC->resize(ConnectImageWidth, ImageConnectAppareilaPC->height());
  LabelLigne1->setText(Text(txt::Step4Line1));
  LabelLigne1->show();
  LabelLigne2->hide();
  LabelLigne3->hide();
  LabelLigne4->hide();
  LabelLigne5->hide();
  LabelBarreProgression->hide();
  ImageConnectAppareilaPC->show();
  ButtonPrecedant->show();
  ButtonPrecedant->setText(Text(txt::CaptionPrevious));
  ButtonSuivant->show();
  ButtonSuivant->setEnabled(true);
  ButtonSuivant->setText(Text(txt::CaptionNext));
  ButtonQuitter->setEnabled(true);
  ButtonQuitter->setText(Text(txt::CaptionQuit));
  ListBoxSelectLangPort->hide();
}

void TFormMj::ShowStep5() {
  SetStepIndicator();
  LabelTitreEtape->setText(Text(txt::Step5Title));
  ImageConnectAppareilaPC->hide();
  LabelLigne1->hide();
  SetStyle(LabelLigne2, Style::Plain);
  LabelLigne2->setText(Text(txt::Step5Line2));
  LabelLigne2->show();
  LabelLigne3->hide();
  LabelLigne4->hide();
  LabelLigne5->hide();
  ProgressBarProgrammation->hide();
  LabelBarreProgression->hide();
  ButtonSuivant->setText(Text(txt::CaptionNext));
  ButtonPrecedant->setText(Text(txt::CaptionPrevious));
  ButtonQuitter->setText(Text(txt::CaptionQuit));
  const QSignalBlocker quiet(ListBoxSelectLangPort);
  ListBoxSelectLangPort->show();
  ListBoxSelectLangPort->clear();
  listSorted_ = true;
  RefreshPortList();
  if (PortList->Count() > 0)
    LoadPortListIntoListBox(*ListBoxSelectLangPort, *PortList);
  else
    PortList->Add(Text(txt::NoSerialPort).toStdString());
  // The port list stands centred under line 2.
  const int listWidth = ListBoxSelectLangPort->width();
  ListBoxSelectLangPort->setGeometry((kOuterWidth - listWidth) / 2,
                                     LabelLigne2->y() + 2 * LabelLigne2->height(), listWidth,
                                     8 * LabelLigne2->height());
  // The list's own exact-match search ignores letter case.
  const QString preferred = QString::fromStdString(PreferredPort);
  int row = -1;
  for (int i = 0; i < ListBoxSelectLangPort->count() && !preferred.isEmpty(); ++i)
    if (ListBoxSelectLangPort->item(i)->text().compare(preferred, Qt::CaseInsensitive) == 0) {
      row = i;
      break;
    }
  ListBoxSelectLangPort->setCurrentRow(row);
  TimerGestionSerie->SetInterval(1000);
  TimerGestionSerie->SetEnabled(true);
}

void TFormMj::ShowStep6() {
  SetStepIndicator();
  LabelTitreEtape->setText(Text(txt::Step6Title));
  ButtonSuivant->setText(Text(txt::CaptionConnect));
  ButtonPrecedant->setText(Text(txt::CaptionPrevious));
  ButtonQuitter->setText(Text(txt::CaptionQuit));
  ButtonSuivant->show();
  ButtonSuivant->setEnabled(true);
  ListBoxSelectLangPort->hide();
  LabelLigne1->setText(Format(txt::Step6Line1));
  LabelLigne1->show();
  SetAlignment(LabelLigne2, Qt::AlignLeft);
  LabelLigne2->setText(Format(txt::Step6Line2));
  LabelLigne2->show();
  LabelLigne3->hide();
  LabelLigne4->setText(Format(txt::Step6Line4));
  LabelLigne4->show();
  LabelLigne5->hide();
  LabelBarreProgression->hide();
  ProgressBarProgrammation->hide();
  ButtonQuitter->setEnabled(true);
}

void TFormMj::ShowStep7() {
  SetStepIndicator();
  LabelLigne2->hide();
  LabelLigne3->hide();
  LabelLigne4->hide();
  LabelLigne5->hide();
  LabelTitreEtape->setText(Text(txt::Step7Title));
  SetStyle(LabelLigne1, Style::Bold);
  LabelLigne1->setText(Format(txt::Step7Line1));
  ButtonPrecedant->setText(Text(txt::CaptionCancel));
  // The bar counts the connection attempts.
  ProgressBarProgrammation->setValue(0);
  ProgressBarProgrammation->setMinimum(0);
  ProgressBarProgrammation->setMaximum(20);
  SetProgressBarSmooth(false);
  ProgressBarProgrammation->hide();
  RecordIndex = 0;
  ButtonSuivant->setEnabled(false);
  PortIndex = PortIndexFromEntry(PortSelected() ? ListBoxSelectLangPort->currentItem()->text()
                                                : QString());
  Link.SetPortIndex(PortIndex);
  TimerGestionSerie->SetInterval(2250);
  TimerGestionSerie->SetEnabled(true);
  ListBoxSelectLangPort->hide();
}

void TFormMj::ShowStep8() {
  SetStepIndicator();
  SetStyle(LabelLigne1, Style::Plain);
  LabelTitreEtape->setText(Text(txt::Step8Title));
  ProgressBarProgrammation->hide();
  ButtonPrecedant->hide();
  LabelBarreProgression->hide();
  LabelLigne1->hide();
  LabelLigne5->hide();
  CheckStage = 0;
  ButtonQuitter->setEnabled(false);
  TimerGestionSerie->SetInterval(200);
  TimerGestionSerie->SetEnabled(true);
  ListBoxSelectLangPort->hide();
}

void TFormMj::ShowStep9() {
  SetStepIndicator();
  ProgressBarProgrammation->setValue(0);
  SetProgressBarSmooth(true);
  LabelTitreEtape->setText(Format(txt::Step9Title));
  SetRemarkProgress();
  LabelLigne5->setText(Format(txt::Step9Line5));
  LabelLigne5->show();
  ProgressBarProgrammation->show();
  LabelBarreProgression->show();
  TimerGestionSerie->SetInterval(100);
  TimerGestionSerie->SetEnabled(true);
  ListBoxSelectLangPort->hide();
}

void TFormMj::ShowStep10() {
  SetStepIndicator();
  LabelTitreEtape->setText(Text(txt::Step10Title));
  ButtonSuivant->hide();
  ButtonQuitter->setText(Text(txt::CaptionNo));
  ButtonPrecedant->setText(Text(txt::CaptionYes));
  ButtonPrecedant->show();
  LabelBarreProgression->setText(Text(txt::Step10Remark));
  ProgressBarProgrammation->hide();
  ButtonQuitter->setEnabled(true);
  LabelLigne1->hide();
  LabelLigne2->hide();
  LabelLigne3->hide();
  LabelLigne4->hide();
  LabelLigne5->hide();
  ListBoxSelectLangPort->hide();
}

void TFormMj::RunStepSetUp(int step) {
  switch (step) {
    case 1: ShowStep1(); break;
    case 2: ShowStep2(); break;
    case 3: ShowStep3(); break;
    case 4: ShowStep4(); break;
    case 5: ShowStep5(); break;
    case 6: ShowStep6(); break;
    case 7: ShowStep7(); break;
    case 8: ShowStep8(); break;
    case 9: ShowStep9(); break;
    case 10: ShowStep10(); break;
    default: break;  // no other step exists
  }
}

bool TFormMj::PortSelected() const {
  const QListWidgetItem* item = ListBoxSelectLangPort->currentItem();
  return item && item->isSelected();
}

void TFormMj::NextStep() {
  WizardStep = WizardStep + 1;
  if (WizardStep == 6 && !PortSelected()) {
    WizardStep = 5;  // without a chosen port the wizard stays on step 5, without a word
    return;
  }
  RunStepSetUp(WizardStep);
}

void TFormMj::PreviousStep() {
  WizardStep = WizardStep - 1;
  if (WizardStep == 5) {
    // Off first, so that step 5's set-up restarts the 1000 ms period.
    TimerGestionSerie->SetEnabled(false);
  } else if (WizardStep == 9) {
    // Yes on step 10: back to step 4 for another device.
    WizardStep = 4;
    Link.Disconnect();
  }
  RunStepSetUp(WizardStep);
}

void TFormMj::SetLanguage(LanguageIndex n) {
  if (n == Language || n < 0 || n > 1) return;
  Language = n;
  RunStepSetUp(WizardStep);
}
