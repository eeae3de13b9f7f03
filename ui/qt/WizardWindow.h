#pragma once
// The wizard window on Qt: the widgets of the layout table, their adapters, and the wizard's
// logic (TFormMj) driving them. The window is the Window of the logic: title, posted messages
// (QEvents of the messages' own numbers, handed to TFormMj::HandleMessage), closing, dialogs.
#include <QEvent>
#include <QWidget>
#include <memory>

#include "ui/qt/QtControls.h"
#include "wizard/Tformmj.h"

class TFormAPropos;

namespace ui::qt {

// A posted private message: its event type is the message's number.
class WizardMessage : public QEvent {
 public:
  WizardMessage(int message, std::intptr_t wParam)
      : QEvent(static_cast<QEvent::Type>(message)), wParam(wParam) {}
  const std::intptr_t wParam;
};

class WizardWindow : public QWidget, public wizard::Window {
 public:
  explicit WizardWindow(QWidget* owner = nullptr);
  ~WizardWindow() override;

  TFormMj& Form() { return *form_; }

  // The About dialog shown by the About button; made at start-up right after this window.
  void SetAboutDialog(TFormAPropos* dialog) { aboutDialog_ = dialog; }

  // The widgets, by the components' names, for the front end's own checks and pictures.
  struct WidgetSet {
    QPushButton* ButtonQuitter;
    QPushButton* ButtonPrecedant;
    QPushButton* ButtonSuivant;
    QLineEdit* EditEtape;
    QLabel* LabelTitreEtape;
    QLabel* ImageConnectAppareilaPC;
    QProgressBar* ProgressBarProgrammation;
    QPushButton* ButtonAPropos;
    QLabel* Image1;
    QTimer* TimerGestionSerie;
    QLabel* LabelLigne1;
    QLabel* LabelLigne2;
    QLabel* LabelLigne3;
    QLabel* LabelLigne4;
    QLabel* LabelBarreProgression;
    QLabel* LabelLigne5;
    QListWidget* ListBoxSelectLangPort;
  };
  const WidgetSet& Widgets() const { return w_; }
  // Whether the progress bar draws smooth or in segments; whether the list box sorts.
  bool ListSorted() const { return list_->Sorted(); }

  // wizard::Window
  void SetTitle(const std::string& title) override;
  void PostMessage(int message, std::intptr_t wParam) override;
  void Close() override;
  wizard::DialogAnswer ShowMessageDialog(const wizard::DialogRequest& request) override;
  void ShowAboutDialog(LanguageIndex language) override;

 protected:
  bool event(QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  void CreateComponents();
  void OnTimer();

  WidgetSet w_{};
  std::unique_ptr<QtButton> quit_, previous_, next_, about_;
  std::unique_ptr<QtEditBox> step_;
  std::unique_ptr<QtLabel> title_, line1_, line2_, line3_, line4_, remark_, line5_;
  std::unique_ptr<QtPicture> connection_, banner_;
  std::unique_ptr<QtProgressBar> progress_;
  std::unique_ptr<QtListBox> list_;
  std::unique_ptr<QtTimerDriver> timer_;
  std::unique_ptr<TFormMj> form_;
  TFormAPropos* aboutDialog_ = nullptr;
  bool quitting_ = false;
};

}  // namespace ui::qt
