#include "ui/qt/WizardWindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

#include "assets/Pictures.h"
#include "ui/qt/Boiteapropos.h"
#include "ui/qt/MessageDialog.h"
#include "ui/qt/WizardFont.h"
#include "ui/qt/WizardWidgets.h"
#include "wizard/Layout.h"
#include "wizard/WizardMessages.h"

namespace ui::qt {

namespace layout = wizard::layout;

WizardWindow::WizardWindow(QWidget* owner) : QWidget(owner, Qt::Window) {
  setFixedSize(layout::kClientWidth, layout::kClientHeight);
  setMinimumSize(layout::kClientWidth, layout::kClientHeight);
  // A title bar with no system menu: no close, minimise or maximise box.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setFont(WizardFont());
  setWindowIcon(AppIcon());
  setAutoFillBackground(true);
  // The wizard makes its widgets through the Make* below, in declaration order, which is also
  // the order they are stacked in.
  form_ = std::make_unique<TFormMj>(*this);
  for (std::size_t i = 1; i < layout::kTabOrder.size(); ++i)
    setTabOrder(WidgetOf(*layout::kTabOrder[i - 1]), WidgetOf(*layout::kTabOrder[i]));
  // Centred on the screen.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }
}

WizardWindow::~WizardWindow() {
  // The logic goes first: its link releases the loader and closes the port while the widgets
  // it drives still exist.
  form_.reset();
}

wizard::Label& WizardWindow::MakeLabel(const layout::Component& c) {
  return *(labels_[&c] = std::make_unique<QtLabel>(this, c));
}

wizard::Button& WizardWindow::MakeButton(const layout::Component& c) {
  return *(buttons_[&c] = std::make_unique<QtButton>(this, c));
}

wizard::EditBox& WizardWindow::MakeEditBox(const layout::Component& c) {
  return *(edits_[&c] = std::make_unique<QtEditBox>(this, c));
}

wizard::ListBox& WizardWindow::MakeListBox(const layout::Component& c) {
  return *(lists_[&c] = std::make_unique<QtListBox>(this, c));
}

wizard::ProgressBar& WizardWindow::MakeProgressBar(const layout::Component& c) {
  return *(bars_[&c] = std::make_unique<QtProgressBar>(this, c));
}

wizard::Picture& WizardWindow::MakePicture(const layout::Component& c) {
  return *(pictures_[&c] = std::make_unique<QtPicture>(this, c));
}

// The end record's WM_STEP_DONE must reach the window before the next tick: the timer keeps
// running after it, and that next tick belongs to step 10.
wizard::TimerDriver& WizardWindow::MakeTimer() {
  timer_ = std::make_unique<QtTimerDriver>(this);
  connect(timer_->timer(), &QTimer::timeout, this, [this] {
    QCoreApplication::sendPostedEvents(this, WM_STEP_DONE);
    timer_->Ticked();
  });
  return *timer_;
}

QWidget* WizardWindow::WidgetOf(const layout::Component& c) const {
  switch (c.kind) {
    case layout::Kind::Button:
      return Button(c);
    case layout::Kind::Label:
      return Label(c);
    case layout::Kind::EditBox:
      return EditBox(c);
    case layout::Kind::ListBox:
      return ListBox(c);
    case layout::Kind::ProgressBar:
      return ProgressBar(c);
    case layout::Kind::Picture:
      return Picture(c);
  }
  return nullptr;
}

void WizardWindow::SetTitle(const std::string& title) {
  setWindowTitle(QString::fromStdString(title));
}

void WizardWindow::PostMessage(int message, std::intptr_t wParam) {
  QCoreApplication::postEvent(this, new WizardMessage(message, wParam));
}

void WizardWindow::Close() {
  quitting_ = true;
  close();
}

wizard::DialogAnswer WizardWindow::ShowMessageDialog(const wizard::DialogRequest& request) {
  return ui::qt::ShowMessageDialog(this, request);
}

void WizardWindow::ShowAboutDialog(LanguageIndex language) {
  if (!aboutDialog_) return;
  aboutDialog_->SetLanguage(language);
  aboutDialog_->exec();
}

bool WizardWindow::event(QEvent* e) {
  const int type = static_cast<int>(e->type());
  if (IsWizardMessage(type) && form_)
    return form_->HandleMessage(type, static_cast<WizardMessage*>(e)->wParam);
  return QWidget::event(e);
}

void WizardWindow::closeEvent(QCloseEvent* e) {
  // The window manager may still ask to close (Alt+F4) although there is no close box: that is
  // Quit while Quit is enabled, and refused while the device is checked or programmed.
  if (!quitting_ && !form_->MayClose()) {
    e->ignore();
    return;
  }
  quitting_ = false;
  e->accept();
  // Closing the wizard ends the program, also while the About dialog runs its own loop: that
  // dialog goes too, and with the last window gone the application quits.
  if (aboutDialog_ && aboutDialog_->isVisible()) aboutDialog_->done(QDialog::Rejected);
}

}  // namespace ui::qt
