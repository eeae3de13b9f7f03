// The wizard window's construction, its button and list handlers, and the port list.
#include "wizard/Tformmj.h"

#include "wizard/Settings.h"
#include "wizard/TextFormat.h"

TFormMj::TFormMj(const TFormMjComponents& c)
    : window(c.window),
      ButtonQuitter(c.ButtonQuitter),
      ButtonPrecedant(c.ButtonPrecedant),
      ButtonSuivant(c.ButtonSuivant),
      EditEtape(c.EditEtape),
      LabelTitreEtape(c.LabelTitreEtape),
      ImageConnectAppareilaPC(c.ImageConnectAppareilaPC),
      ProgressBarProgrammation(c.ProgressBarProgrammation),
      ButtonAPropos(c.ButtonAPropos),
      Image1(c.Image1),
      TimerGestionSerie(&timer_),
      LabelLigne1(c.LabelLigne1),
      LabelLigne2(c.LabelLigne2),
      LabelLigne3(c.LabelLigne3),
      LabelLigne4(c.LabelLigne4),
      LabelBarreProgression(c.LabelBarreProgression),
      LabelLigne5(c.LabelLigne5),
      ListBoxSelectLangPort(c.ListBoxSelectLangPort),
      timer_(*c.TimerGestionSerie) {
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
