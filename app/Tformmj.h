#pragma once
// The wizard window: its components, the state of a run, the ten steps and the moves between
// them. The timer's work and the outcome handlers live in update/sequence/.
#include <QWidget>
#include <array>
#include <cstdint>
#include <string>

#include "app/MessageDialog.h"
#include "update/PortList.h"
#include "app/Texts.h"
#include "link/Com_p03.h"
#include "update/FirmwareRecord.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class PeriodicTimer;
class TFormAPropos;

class TFormMj : public QWidget {
  Q_OBJECT
 public:
  explicit TFormMj(QWidget* owner = nullptr);
  ~TFormMj() override;

  // The About dialog shown by the About button; made at start-up right after this window.
  void SetAboutDialog(TFormAPropos* dialog) { aboutDialog_ = dialog; }

  // Button and list handlers.
  void ButtonQuitterClick();
  void ButtonSuivantClick();
  void ButtonPrecedantClick();
  void ButtonAProposClick();
  void ListBoxSelectLangPortClick();
  void TimerGestionSerieTimer();
  void FormDestroy();

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
  static std::int32_t PortIndexFromEntry(const QString& entry);
  std::int32_t ReadLanguageSetting();

  // Components, in declaration order. Public so that tests can look at what the user sees.
  QPushButton* ButtonQuitter;
  QPushButton* ButtonPrecedant;
  QPushButton* ButtonSuivant;
  QLineEdit* EditEtape;
  QLabel* LabelTitreEtape;
  QLabel* ImageConnectAppareilaPC;
  QProgressBar* ProgressBarProgrammation;
  QPushButton* ButtonAPropos;
  QLabel* Image1;
  PeriodicTimer* TimerGestionSerie;
  QLabel* LabelLigne1;
  QLabel* LabelLigne2;
  QLabel* LabelLigne3;
  QLabel* LabelLigne4;
  QLabel* LabelBarreProgression;
  QLabel* LabelLigne5;
  QListWidget* ListBoxSelectLangPort;

  // The state of a run.
  LanguageIndex Language = 0;
  ::PortList* PortList = nullptr;
  std::string PreferredPort;
  std::int32_t WizardStep = 1;
  std::uint32_t CheckStage = 0;
  std::int32_t ConnectImageWidth = 0;
  std::int32_t PortIndex = 0;
  std::uint32_t SerialNumber = 0;
  std::uint32_t DeviceType = 0;
  CP03 Link;
  std::uint32_t VersionMajor = 0;
  std::uint32_t VersionMinor = 0;
  ::RecordTable RecordTable{};
  std::int32_t RecordIndex = 0;

  // Whether the progress bar draws as one smooth bar or as segments.
  bool ProgressBarSmooth() const { return progressSmooth_; }
  void SetProgressBarSmooth(bool smooth);
  // Whether the list box keeps its entries sorted (the port list) or in their order (languages).
  bool ListSorted() const { return listSorted_; }

 protected:
  bool event(QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  void CreateComponents();
  void RunStepSetUp(int step);
  bool PortSelected() const;
  void PostMessage(int message, std::intptr_t wParam);
  void HandleLinkFailed();
  void HandleConnectFailed();
  void HandleDeviceRefused(std::intptr_t reason);
  void BackToStep4();
  void AskAnotherTry(const QString& text, DialogKind kind);
  void CloseLink();
  void TickStep5();
  void TickConnect();
  void TickCheck();
  void TickRecord();
  void TickFinish();
  QString Text(const TextPair& pair) const;
  QString Format(const TextPair& pair) const;  // the one %s receives the device name
  void SetStepIndicator();
  void SetWindowTitleAndLine1();
  void SetRemarkProgress();

  TFormAPropos* aboutDialog_ = nullptr;
  bool progressSmooth_ = false;
  bool listSorted_ = false;
  bool quitting_ = false;
};
