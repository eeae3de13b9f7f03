// The ten step set-ups and the moves between them. Each set-up touches only what it lists; every
// other property keeps the value it had, so a step can look different by the path that reached it.
#include "link/LoaderFacts.h"
#include "wizard/Layout.h"
#include "wizard/TextFormat.h"
#include "wizard/Tformmj.h"

namespace {

constexpr int kStepCount = 10;

using wizard::Alignment;
using wizard::FontStyle;

}  // namespace

void TFormMj::SetStepIndicator() {
  EditEtape->SetText(
      wizard::FormatText(txt::StepIndicator.Get(Language), {WizardStep, kStepCount}));
}

void TFormMj::SetWindowTitleAndLine1() {
  const std::string title =
      wizard::FormatText(txt::WindowTitle.Get(Language),
                         {static_cast<int>(loader::kNewVersionMajor),
                          static_cast<int>(loader::kNewVersionMinor), CP03::DeviceName()});
  window->SetTitle(title);
  LabelLigne1->SetText(title);
}

void TFormMj::SetRemarkProgress() {
  const int max = ProgressBarProgrammation->Maximum();
  const double share = max > 0 ? 100.0 * ProgressBarProgrammation->Position() / max : 0.0;
  LabelBarreProgression->SetText(wizard::FormatText(txt::Progress.Get(Language), {share}));
}

void TFormMj::ShowStep1() {
  SetStepIndicator();
  ButtonPrecedant->SetEnabled(false);
  ListBoxSelectLangPort->SetVisible(false);
  ImageConnectAppareilaPC->SetVisible(false);
  LabelTitreEtape->SetText(Format(txt::Step1Title));
  SetWindowTitleAndLine1();
  LabelLigne1->SetAlignment(Alignment::Centre);
  LabelLigne1->SetFontStyle(FontStyle::Bold);
  LabelLigne1->SetVisible(true);
  LabelLigne2->SetText(Text(txt::Step1Line2));
  LabelLigne2->SetAlignment(Alignment::Centre);
  LabelLigne2->SetVisible(true);
  const std::string prompt = Text(txt::Step1Line3);
  LabelLigne3->SetText(prompt);
  LabelLigne3->SetVisible(true);
  LabelLigne4->SetVisible(false);
  LabelLigne5->SetVisible(false);
  LabelBarreProgression->SetText(Text(txt::Remark));
  LabelBarreProgression->SetFontStyle(FontStyle::Italic);
  LabelBarreProgression->SetPointSize(10);
  LabelBarreProgression->SetAlignment(Alignment::Centre);
  LabelBarreProgression->SetVisible(true);
  ButtonQuitter->SetText(Text(txt::CaptionQuit));
  ButtonPrecedant->SetText(Text(txt::CaptionPrevious));
  ButtonSuivant->SetText(Text(txt::CaptionNext));
  ButtonAPropos->SetText(Text(txt::CaptionAbout));
  // The language list stands right of the prompt of line 3.
  const wizard::Rect line3 = LabelLigne3->Geometry();
  ListBoxSelectLangPort->SetGeometry({line3.left + LabelLigne3->TextWidth(prompt) + 10,
                                      line3.top - 2, ListBoxSelectLangPort->Geometry().width,
                                      8 * line3.height});
  ListBoxSelectLangPort->Clear();
  ListBoxSelectLangPort->SetSorted(false);
  ListBoxSelectLangPort->AddItem(txt::LanguageNames[0]);
  ListBoxSelectLangPort->AddItem(txt::LanguageNames[1]);
  ListBoxSelectLangPort->SetSelectedIndex(Language);
  ListBoxSelectLangPort->SetVisible(true);
}

void TFormMj::ShowStep2() {
  SetStepIndicator();
  ButtonPrecedant->SetEnabled(true);
  ListBoxSelectLangPort->SetVisible(false);
  ImageConnectAppareilaPC->SetVisible(false);
  ButtonQuitter->SetText(Text(txt::CaptionQuit));
  ButtonPrecedant->SetText(Text(txt::CaptionPrevious));
  ButtonSuivant->SetText(Text(txt::CaptionNext));
  LabelTitreEtape->SetText(Format(txt::Step2Title));
  ButtonAPropos->SetText(Text(txt::CaptionAbout));
  SetWindowTitleAndLine1();
  LabelLigne1->SetAlignment(Alignment::Centre);
  LabelLigne1->SetFontStyle(FontStyle::Bold);
  LabelLigne2->SetText(Text(txt::Step2Line2));
  LabelLigne3->SetText(Format(txt::Step2Line3));
  LabelLigne4->SetText(Text(txt::Step2Line4));
  LabelBarreProgression->SetText(Text(txt::Remark));
  LabelBarreProgression->SetFontStyle(FontStyle::Italic);
  LabelBarreProgression->SetPointSize(10);
  LabelBarreProgression->SetAlignment(Alignment::Centre);
  LabelLigne1->SetVisible(true);
  LabelLigne2->SetVisible(true);
  LabelLigne3->SetVisible(true);
  LabelLigne4->SetVisible(true);
  LabelBarreProgression->SetVisible(true);
  LabelLigne5->SetVisible(false);
  ListBoxSelectLangPort->SetVisible(false);
}

void TFormMj::ShowStep3() {
  SetStepIndicator();
  LabelTitreEtape->SetText(Format(txt::Step3Title));
  LabelLigne1->SetAlignment(Alignment::Left);
  LabelLigne1->SetFontStyle(FontStyle::Plain);
  LabelBarreProgression->SetFontStyle(FontStyle::Plain);
  LabelBarreProgression->SetPointSize(8);
  LabelBarreProgression->SetAlignment(Alignment::Left);
  LabelBarreProgression->SetVisible(false);
  LabelLigne1->SetText(Format(txt::Step3Line1));
  LabelLigne1->SetVisible(true);
  LabelLigne2->SetVisible(false);
  LabelLigne3->SetVisible(false);
  LabelLigne4->SetVisible(false);
  LabelLigne5->SetVisible(false);
  // Only the left half shows: the device with the cable plugged in.
  ImageConnectAppareilaPC->SetWidth(ConnectImageWidth / 2);
  ButtonPrecedant->SetEnabled(true);
  ImageConnectAppareilaPC->SetVisible(true);
  ListBoxSelectLangPort->SetVisible(false);
}

void TFormMj::ShowStep4() {
  SetStepIndicator();
  LabelTitreEtape->SetText(Format(txt::Step4Title));
  ImageConnectAppareilaPC->SetWidth(ConnectImageWidth);
  LabelLigne1->SetText(Text(txt::Step4Line1));
  LabelLigne1->SetVisible(true);
  LabelLigne2->SetVisible(false);
  LabelLigne3->SetVisible(false);
  LabelLigne4->SetVisible(false);
  LabelLigne5->SetVisible(false);
  LabelBarreProgression->SetVisible(false);
  ImageConnectAppareilaPC->SetVisible(true);
  ButtonPrecedant->SetVisible(true);
  ButtonPrecedant->SetText(Text(txt::CaptionPrevious));
  ButtonSuivant->SetVisible(true);
  ButtonSuivant->SetEnabled(true);
  ButtonSuivant->SetText(Text(txt::CaptionNext));
  ButtonQuitter->SetEnabled(true);
  ButtonQuitter->SetText(Text(txt::CaptionQuit));
  ListBoxSelectLangPort->SetVisible(false);
}

void TFormMj::ShowStep5() {
  SetStepIndicator();
  LabelTitreEtape->SetText(Text(txt::Step5Title));
  ImageConnectAppareilaPC->SetVisible(false);
  LabelLigne1->SetVisible(false);
  LabelLigne2->SetFontStyle(FontStyle::Plain);
  LabelLigne2->SetText(Text(txt::Step5Line2));
  LabelLigne2->SetVisible(true);
  LabelLigne3->SetVisible(false);
  LabelLigne4->SetVisible(false);
  LabelLigne5->SetVisible(false);
  ProgressBarProgrammation->SetVisible(false);
  LabelBarreProgression->SetVisible(false);
  ButtonSuivant->SetText(Text(txt::CaptionNext));
  ButtonPrecedant->SetText(Text(txt::CaptionPrevious));
  ButtonQuitter->SetText(Text(txt::CaptionQuit));
  ListBoxSelectLangPort->SetVisible(true);
  ListBoxSelectLangPort->Clear();
  ListBoxSelectLangPort->SetSorted(true);
  RefreshPortList();
  if (PortList->Count() > 0)
    LoadPortListIntoListBox();
  else
    PortList->Add(Text(txt::NoSerialPort));
  // The port list stands centred under line 2.
  const wizard::Rect line2 = LabelLigne2->Geometry();
  const int listWidth = ListBoxSelectLangPort->Geometry().width;
  ListBoxSelectLangPort->SetGeometry({(wizard::layout::kOuterWidth - listWidth) / 2,
                                      line2.top + 2 * line2.height, listWidth, 8 * line2.height});
  // The list's own exact-match search, which ignores letter case.
  int row = -1;
  for (int i = 0; i < ListBoxSelectLangPort->Count() && row < 0 && !PreferredPort.empty(); ++i)
    if (SameEntry(ListBoxSelectLangPort->ItemText(i), PreferredPort)) row = i;
  ListBoxSelectLangPort->SetSelectedIndex(row);
  TimerGestionSerie->SetInterval(1000);
  TimerGestionSerie->SetEnabled(true);
}

void TFormMj::ShowStep6() {
  SetStepIndicator();
  LabelTitreEtape->SetText(Text(txt::Step6Title));
  ButtonSuivant->SetText(Text(txt::CaptionConnect));
  ButtonPrecedant->SetText(Text(txt::CaptionPrevious));
  ButtonQuitter->SetText(Text(txt::CaptionQuit));
  ButtonSuivant->SetVisible(true);
  ButtonSuivant->SetEnabled(true);
  ListBoxSelectLangPort->SetVisible(false);
  LabelLigne1->SetText(Format(txt::Step6Line1));
  LabelLigne1->SetVisible(true);
  LabelLigne2->SetAlignment(Alignment::Left);
  LabelLigne2->SetText(Format(txt::Step6Line2));
  LabelLigne2->SetVisible(true);
  LabelLigne3->SetVisible(false);
  LabelLigne4->SetText(Format(txt::Step6Line4));
  LabelLigne4->SetVisible(true);
  LabelLigne5->SetVisible(false);
  LabelBarreProgression->SetVisible(false);
  ProgressBarProgrammation->SetVisible(false);
  ButtonQuitter->SetEnabled(true);
}

void TFormMj::ShowStep7() {
  SetStepIndicator();
  LabelLigne2->SetVisible(false);
  LabelLigne3->SetVisible(false);
  LabelLigne4->SetVisible(false);
  LabelLigne5->SetVisible(false);
  LabelTitreEtape->SetText(Text(txt::Step7Title));
  LabelLigne1->SetFontStyle(FontStyle::Bold);
  LabelLigne1->SetText(Format(txt::Step7Line1));
  ButtonPrecedant->SetText(Text(txt::CaptionCancel));
  // The bar counts the connection attempts.
  ProgressBarProgrammation->SetPosition(0);
  ProgressBarProgrammation->SetMinimum(0);
  ProgressBarProgrammation->SetMaximum(20);
  ProgressBarProgrammation->SetSmooth(false);
  ProgressBarProgrammation->SetVisible(false);
  UpdateSession.Restart();  // from the first record again, after a call
  ButtonSuivant->SetEnabled(false);
  const int row = ListBoxSelectLangPort->SelectedIndex();
  PortIndex = PortIndexFromEntry(row >= 0 ? ListBoxSelectLangPort->ItemText(row) : std::string());
  Link.SetPortIndex(PortIndex);
  TimerGestionSerie->SetInterval(2250);
  TimerGestionSerie->SetEnabled(true);
  ListBoxSelectLangPort->SetVisible(false);
}

void TFormMj::ShowStep8() {
  SetStepIndicator();
  LabelLigne1->SetFontStyle(FontStyle::Plain);
  LabelTitreEtape->SetText(Text(txt::Step8Title));
  ProgressBarProgrammation->SetVisible(false);
  ButtonPrecedant->SetVisible(false);
  LabelBarreProgression->SetVisible(false);
  LabelLigne1->SetVisible(false);
  LabelLigne5->SetVisible(false);
  UpdateSession.BeginChecks();
  ButtonQuitter->SetEnabled(false);
  TimerGestionSerie->SetInterval(200);
  TimerGestionSerie->SetEnabled(true);
  ListBoxSelectLangPort->SetVisible(false);
}

void TFormMj::ShowStep9() {
  SetStepIndicator();
  ProgressBarProgrammation->SetPosition(0);
  ProgressBarProgrammation->SetSmooth(true);
  LabelTitreEtape->SetText(Format(txt::Step9Title));
  SetRemarkProgress();
  LabelLigne5->SetText(Format(txt::Step9Line5));
  LabelLigne5->SetVisible(true);
  ProgressBarProgrammation->SetVisible(true);
  LabelBarreProgression->SetVisible(true);
  UpdateSession.BeginRecords();
  TimerGestionSerie->SetInterval(100);
  TimerGestionSerie->SetEnabled(true);
  ListBoxSelectLangPort->SetVisible(false);
}

void TFormMj::ShowStep10() {
  SetStepIndicator();
  LabelTitreEtape->SetText(Text(txt::Step10Title));
  ButtonSuivant->SetVisible(false);
  ButtonQuitter->SetText(Text(txt::CaptionNo));
  ButtonPrecedant->SetText(Text(txt::CaptionYes));
  ButtonPrecedant->SetVisible(true);
  LabelBarreProgression->SetText(Text(txt::Step10Remark));
  ProgressBarProgrammation->SetVisible(false);
  ButtonQuitter->SetEnabled(true);
  LabelLigne1->SetVisible(false);
  LabelLigne2->SetVisible(false);
  LabelLigne3->SetVisible(false);
  LabelLigne4->SetVisible(false);
  LabelLigne5->SetVisible(false);
  ListBoxSelectLangPort->SetVisible(false);
}

void TFormMj::RunStepSetUp(int step) {
  switch (step) {
    case 1:
      ShowStep1();
      break;
    case 2:
      ShowStep2();
      break;
    case 3:
      ShowStep3();
      break;
    case 4:
      ShowStep4();
      break;
    case 5:
      ShowStep5();
      break;
    case 6:
      ShowStep6();
      break;
    case 7:
      ShowStep7();
      break;
    case 8:
      ShowStep8();
      break;
    case 9:
      ShowStep9();
      break;
    case 10:
      ShowStep10();
      break;
    default:
      break;  // no other step exists
  }
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
