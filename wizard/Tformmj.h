#pragma once
// The wizard window without a toolkit: the state of a run, the ten steps and the moves between
// them, the languages, the port list, the timer's work and the outcome handlers, written against
// the small component interfaces of Components.h. A front end only makes the controls (Toolkit.h);
// the wizard takes one for each component of the layout table and wires their events to the
// handlers below itself. The front end hands over the posted messages (HandleMessage) and asks
// whether the system may close the window (MayClose).
#include <cstdint>
#include <memory>
#include <string>

#include "link/Com_p03.h"
#include "update/PortList.h"
#include "update/Session.h"
#include "wizard/Components.h"
#include "wizard/PeriodicTimer.h"
#include "wizard/Texts.h"
#include "wizard/Toolkit.h"

class TFormMj {
 public:
  // Takes its controls from the toolkit and wires their events, builds the link, fills the port
  // list once, sets up step 1 in French and switches the timer on. The controls must outlive the
  // window.
  explicit TFormMj(wizard::Toolkit& kit);
  ~TFormMj();
  TFormMj(const TFormMj&) = delete;
  TFormMj& operator=(const TFormMj&) = delete;

  // Button and list handlers, the timer's tick, the window's destroy event (the controls' events
  // reach them by themselves; a test may call them as the user would).
  void ButtonQuitterClick();
  void ButtonSuivantClick();
  void ButtonPrecedantClick();
  void ButtonAProposClick();
  // The user changed the list's selection (by mouse or keyboard).
  void ListBoxSelectLangPortClick();
  void TimerGestionSerieTimer();
  void FormDestroy();
  // The message map: the four private messages go to their outcome handlers; false for any
  // other message, which the front end handles as its toolkit does.
  bool HandleMessage(int message, std::intptr_t wParam);
  // Whether the window may close when the system asks (the window manager's close, Alt+F4):
  // it is Quit while Quit is enabled, and refused while the device is checked or programmed.
  // The window's own closings (Quit, an outcome answered No) always may.
  bool MayClose() const;

  // Steps and navigation.
  void ShowStep1();
  void ShowStep2();
  void ShowStep3();
  void ShowStep4();
  void ShowStep5();
  void ShowStep6();
  void ShowStep7();
  void ShowStep8();
  void ShowStep9();
  void ShowStep10();
  void NextStep();
  void PreviousStep();
  void SetLanguage(LanguageIndex n);
  LanguageIndex GetLanguage() const { return Language; }

  // Serial ports and the settings file.
  bool RefreshPortList();
  static std::int32_t PortIndexFromEntry(const std::string& entry);
  // The language number of the settings file; throws ProgramError when the file exists but
  // cannot be read.
  std::int32_t ReadLanguageSetting();

  // Components, in declaration order. Public so that front ends and tests reach them by name.
  wizard::Window* const window;
  wizard::Button* const ButtonQuitter;
  wizard::Button* const ButtonPrecedant;
  wizard::Button* const ButtonSuivant;
  wizard::EditBox* const EditEtape;
  wizard::Label* const LabelTitreEtape;
  wizard::Picture* const ImageConnectAppareilaPC;
  wizard::ProgressBar* const ProgressBarProgrammation;
  wizard::Button* const ButtonAPropos;
  wizard::Picture* const Image1;
  wizard::PeriodicTimer* const TimerGestionSerie;
  wizard::Label* const LabelLigne1;
  wizard::Label* const LabelLigne2;
  wizard::Label* const LabelLigne3;
  wizard::Label* const LabelLigne4;
  wizard::Label* const LabelBarreProgression;
  wizard::Label* const LabelLigne5;
  wizard::ListBox* const ListBoxSelectLangPort;

  // The state of a run.
  LanguageIndex Language = 0;
  ::PortList* PortList = nullptr;
  std::string PreferredPort;
  std::int32_t WizardStep = 1;
  std::int32_t ConnectImageWidth = 0;
  std::int32_t PortIndex = 0;
  std::uint32_t SerialNumber = 0;
  std::uint32_t DeviceType = 0;
  CP03 Link;
  std::uint32_t VersionMajor = 0;
  std::uint32_t VersionMinor = 0;
  // The update of the device on the link: the record table, the record index, the check stage.
  update::Session UpdateSession{Link};

 private:
  void RunStepSetUp(int step);
  bool PortSelected() const;
  void LoadPortListIntoListBox();
  void TickStep5();
  void TickConnect();
  void TickCheck();
  void TickRecord();
  void TickFinish();
  void HandleLinkFailed();
  void HandleConnectFailed();
  void HandleDeviceRefused(std::intptr_t reason);
  void BackToStep4();
  void AskAnotherTry(const std::string& text, wizard::DialogKind kind);
  void CloseLink();
  void CloseWindow();
  std::string Text(const TextPair& pair) const;
  std::string Format(const TextPair& pair) const;  // every %s receives the device name
  void SetStepIndicator();
  void SetWindowTitleAndLine1();
  void SetRemarkProgress();

  wizard::TimerDriver& timerDriver_;
  wizard::PeriodicTimer timer_;
  std::unique_ptr<::PortList> portList_;
};
