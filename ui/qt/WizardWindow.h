#pragma once
// The wizard window on Qt: it makes the widgets the wizard's logic (TFormMj) asks for, one for
// each component of the layout table, which the logic then drives and wires itself. The window is
// the Window of the logic: title, posted messages (QEvents of the messages' own numbers, handed to
// TFormMj::HandleMessage), closing, dialogs.
#include <QEvent>
#include <QWidget>
#include <map>
#include <memory>

#include "ui/qt/QtControls.h"
#include "wizard/Tformmj.h"
#include "wizard/Toolkit.h"

class TFormAPropos;

namespace ui::qt {

// A posted private message: its event type is the message's number.
class WizardMessage : public QEvent {
 public:
  WizardMessage(int message, std::intptr_t wParam)
      : QEvent(static_cast<QEvent::Type>(message)), wParam(wParam) {}
  const std::intptr_t wParam;
};

class WizardWindow : public QWidget, public wizard::Window, public wizard::Toolkit {
 public:
  explicit WizardWindow(QWidget* owner = nullptr);
  ~WizardWindow() override;

  TFormMj& Form() { return *form_; }

  // The About dialog shown by the About button; made at start-up right after this window.
  void SetAboutDialog(TFormAPropos* dialog) { aboutDialog_ = dialog; }

  // The widget made for a component of the layout table, for the front end's own checks and
  // pictures (a component of another kind, or not made, is a mistake and throws).
  QPushButton* Button(const wizard::layout::Component& c) const {
    return buttons_.at(&c)->widget();
  }
  QLabel* Label(const wizard::layout::Component& c) const { return labels_.at(&c)->widget(); }
  QLabel* Picture(const wizard::layout::Component& c) const { return pictures_.at(&c)->widget(); }
  QLineEdit* EditBox(const wizard::layout::Component& c) const { return edits_.at(&c)->widget(); }
  QListWidget* ListBox(const wizard::layout::Component& c) const { return lists_.at(&c)->widget(); }
  QProgressBar* ProgressBar(const wizard::layout::Component& c) const {
    return bars_.at(&c)->widget();
  }
  QTimer* Timer() const { return timer_->timer(); }
  // Whether the list box is meant sorted.
  bool ListSorted() const { return lists_.at(&wizard::layout::ListBoxSelectLangPort)->Sorted(); }

  // wizard::Window
  void SetTitle(const std::string& title) override;
  void PostMessage(int message, std::intptr_t wParam) override;
  void Close() override;
  wizard::DialogAnswer ShowMessageDialog(const wizard::DialogRequest& request) override;
  void ShowAboutDialog(LanguageIndex language) override;

  // wizard::Toolkit: each widget on this window, at its component's place.
  wizard::Window& TheWindow() override { return *this; }
  wizard::Label& MakeLabel(const wizard::layout::Component& c) override;
  wizard::Button& MakeButton(const wizard::layout::Component& c) override;
  wizard::EditBox& MakeEditBox(const wizard::layout::Component& c) override;
  wizard::ListBox& MakeListBox(const wizard::layout::Component& c) override;
  wizard::ProgressBar& MakeProgressBar(const wizard::layout::Component& c) override;
  wizard::Picture& MakePicture(const wizard::layout::Component& c) override;
  wizard::TimerDriver& MakeTimer() override;

 protected:
  bool event(QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  template <class Adapter>
  using Made = std::map<const wizard::layout::Component*, std::unique_ptr<Adapter>>;
  QWidget* WidgetOf(const wizard::layout::Component& c) const;

  Made<QtButton> buttons_;
  Made<QtLabel> labels_;
  Made<QtEditBox> edits_;
  Made<QtPicture> pictures_;
  Made<QtProgressBar> bars_;
  Made<QtListBox> lists_;
  std::unique_ptr<QtTimerDriver> timer_;
  std::unique_ptr<TFormMj> form_;
  TFormAPropos* aboutDialog_ = nullptr;
  bool quitting_ = false;
};

}  // namespace ui::qt
