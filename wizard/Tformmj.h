#pragma once
// The wizard window without a toolkit: the state of a run, the ten steps and the moves between
// them, the languages, the port list, the timer's work and the outcome handlers, written against
// the small component interfaces of Components.h. A front end makes the controls, hands them to
// the constructor, and calls the handlers below when the user acts, the timer ticks or a posted
// message arrives.
#include <cstdint>
#include <memory>
#include <string>

#include "link/Com_p03.h"
#include "update/Session.h"
#include "update/PortList.h"
#include "wizard/Components.h"
#include "wizard/PeriodicTimer.h"
#include "wizard/Texts.h"

// The controls a front end makes for the window, in declaration order.
struct TFormMjComponents {
  wizard::Window* window;
  wizard::Button* ButtonQuitter;
  wizard::Button* ButtonPrecedant;
  wizard::Button* ButtonSuivant;
  wizard::EditBox* EditEtape;
  wizard::Label* LabelTitreEtape;
  wizard::Picture* ImageConnectAppareilaPC;
  wizard::ProgressBar* ProgressBarProgrammation;
  wizard::Button* ButtonAPropos;
  wizard::Picture* Image1;
  wizard::TimerDriver* TimerGestionSerie;
  wizard::Label* LabelLigne1;
  wizard::Label* LabelLigne2;
  wizard::Label* LabelLigne3;
  wizard::Label* LabelLigne4;
  wizard::Label* LabelBarreProgression;
  wizard::Label* LabelLigne5;
  wizard::ListBox* ListBoxSelectLangPort;
};

class TFormMj {
 public:
  // Builds the link, fills the port list once, sets up step 1 in French and switches the timer
  // on. The components must outlive the window.
  explicit TFormMj(const TFormMjComponents& components);
  ~TFormMj();
  TFormMj(const TFormMj&) = delete;
  TFormMj& operator=(const TFormMj&) = delete;

  // Button and list handlers, the timer's tick, the window's destroy event.
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

  wizard::PeriodicTimer timer_;
  std::unique_ptr<::PortList> portList_;
};
