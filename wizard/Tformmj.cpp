// The wizard window's construction, its button and list handlers, and the port list.
#include "wizard/Tformmj.h"

#include "wizard/Settings.h"
#include "wizard/TextFormat.h"

namespace layout = wizard::layout;

// The members are initialised in their declaration order, which is the layout table's: the
// controls are made in that order, and so stacked and tabbed.
TFormMj::TFormMj(wizard::Toolkit& kit)
    : window(&kit.TheWindow()),
      ButtonQuitter(&kit.MakeButton(layout::ButtonQuitter)),
      ButtonPrecedant(&kit.MakeButton(layout::ButtonPrecedant)),
      ButtonSuivant(&kit.MakeButton(layout::ButtonSuivant)),
      EditEtape(&kit.MakeEditBox(layout::EditEtape)),
      LabelTitreEtape(&kit.MakeLabel(layout::LabelTitreEtape)),
      ImageConnectAppareilaPC(&kit.MakePicture(layout::ImageConnectAppareilaPC)),
      ProgressBarProgrammation(&kit.MakeProgressBar(layout::ProgressBarProgrammation)),
      ButtonAPropos(&kit.MakeButton(layout::ButtonAPropos)),
      Image1(&kit.MakePicture(layout::Image1)),
      TimerGestionSerie(&timer_),
      LabelLigne1(&kit.MakeLabel(layout::LabelLigne1)),
      LabelLigne2(&kit.MakeLabel(layout::LabelLigne2)),
      LabelLigne3(&kit.MakeLabel(layout::LabelLigne3)),
      LabelLigne4(&kit.MakeLabel(layout::LabelLigne4)),
      LabelBarreProgression(&kit.MakeLabel(layout::LabelBarreProgression)),
      LabelLigne5(&kit.MakeLabel(layout::LabelLigne5)),
      ListBoxSelectLangPort(&kit.MakeListBox(layout::ListBoxSelectLangPort)),
      timerDriver_(kit.MakeTimer()),
      timer_(timerDriver_) {
  ButtonQuitter->SetOnClick([this] { ButtonQuitterClick(); });
  ButtonPrecedant->SetOnClick([this] { ButtonPrecedantClick(); });
  ButtonSuivant->SetOnClick([this] { ButtonSuivantClick(); });
  ButtonAPropos->SetOnClick([this] { ButtonAProposClick(); });
  ListBoxSelectLangPort->SetOnUserSelect([this] { ListBoxSelectLangPortClick(); });
  timerDriver_.SetOnTick([this] { TimerGestionSerieTimer(); });
  PreferredPort.clear();
  WizardStep = 1;
  Language = 0;
  portList_ = std::make_unique<::PortList>();
  PortList = portList_.get();
  ConnectImageWidth = ImageConnectAppareilaPC->Width();
  RefreshPortList();
  ShowStep1();
  TimerGestionSerie->SetEnabled(true);
}

// The link's own destruction releases the loader and closes the port.
TFormMj::~TFormMj() {
  TimerGestionSerie->SetEnabled(false);
  // The controls outlive the wizard: none may reach it once it is gone.
  for (wizard::Button* button : {ButtonQuitter, ButtonPrecedant, ButtonSuivant, ButtonAPropos})
    button->SetOnClick({});
  ListBoxSelectLangPort->SetOnUserSelect({});
  timerDriver_.SetOnTick({});
  FormDestroy();
}

void TFormMj::FormDestroy() {
  portList_.reset();
  PortList = nullptr;
}

void TFormMj::ButtonQuitterClick() {
  CloseWindow();
}

void TFormMj::ButtonSuivantClick() {
  NextStep();
}

void TFormMj::ButtonPrecedantClick() {
  PreviousStep();
}

void TFormMj::ButtonAProposClick() {
  window->ShowAboutDialog(GetLanguage());
}

void TFormMj::ListBoxSelectLangPortClick() {
  const int row = ListBoxSelectLangPort->SelectedIndex();
  if (WizardStep == 1) {
    SetLanguage(row);
  } else if (WizardStep == 5) {
    PortIndex = PortIndexFromEntry(row >= 0 ? ListBoxSelectLangPort->ItemText(row) : std::string());
  }
}

bool TFormMj::MayClose() const {
  return ButtonQuitter->IsEnabled();
}

void TFormMj::CloseWindow() {
  window->Close();
}

bool TFormMj::RefreshPortList() {
  return ::RefreshPortList(*PortList, PreferredPort);
}

std::int32_t TFormMj::PortIndexFromEntry(const std::string& entry) {
  return ::PortIndexFromEntry(entry);
}

std::int32_t TFormMj::ReadLanguageSetting() {
  return ReadLanguageSettingFile();
}

// The box shows the list's entries in the list's own order.
void TFormMj::LoadPortListIntoListBox() {
  ListBoxSelectLangPort->Clear();
  for (const std::string& entry : PortList->Entries()) ListBoxSelectLangPort->AddItem(entry);
}

bool TFormMj::PortSelected() const {
  return ListBoxSelectLangPort->SelectedIndex() >= 0;
}

std::string TFormMj::Text(const TextPair& pair) const {
  return pair.Get(Language);
}

std::string TFormMj::Format(const TextPair& pair) const {
  // Some texts name the device twice; an argument a text does not use is ignored.
  return wizard::FormatText(pair.Get(Language), {CP03::DeviceName(), CP03::DeviceName()});
}
