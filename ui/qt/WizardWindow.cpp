#include "ui/qt/WizardWindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QStyledItemDelegate>

#include "assets/Pictures.h"
#include "ui/qt/Boiteapropos.h"
#include "ui/qt/MessageDialog.h"
#include "ui/qt/WizardFont.h"
#include "ui/qt/WizardWidgets.h"
#include "wizard/Layout.h"
#include "wizard/WizardMessages.h"

namespace ui::qt {

namespace {

namespace layout = wizard::layout;

// The list box draws every item on one 13-pixel line.
class FixedHeightItems : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return {QStyledItemDelegate::sizeHint(option, index).width(), layout::kListItemHeight};
  }
};

void Place(QWidget* widget, const layout::Component& c) {
  widget->setGeometry(c.rect.left, c.rect.top, c.rect.width, c.rect.height);
}

QFont FontOf(const layout::Component& c) {
  QFont font = WizardFont(c.fontPixels);
  font.setBold(c.bold);
  return font;
}

QLabel* MakeLabel(QWidget* parent, const layout::Component& c) {
  auto* label = new QLabel(parent);
  Place(label, c);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setWordWrap(false);
  label->setTextFormat(Qt::PlainText);
  if (c.fontPixels != layout::kFontPixels || c.bold) label->setFont(FontOf(c));
  if (c.alignment == wizard::Alignment::Centre)
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  return label;
}

QPushButton* MakeButton(QWidget* parent, const layout::Component& c) {
  auto* button = new WizardButton(parent);
  Place(button, c);
  button->setAutoDefault(false);
  return button;
}

// A picture drawn at its own size from the control's top-left corner and never scaled: a control
// narrower than the picture shows only its left part.
QLabel* MakePicture(QWidget* parent, const layout::Component& c, const QImage& image,
                    Qt::Alignment alignment) {
  auto* picture = new QLabel(parent);
  Place(picture, c);
  picture->setScaledContents(false);
  picture->setAlignment(alignment);
  picture->setPixmap(QPixmap::fromImage(image));
  return picture;
}

}  // namespace

WizardWindow::WizardWindow(QWidget* owner) : QWidget(owner, Qt::Window) {
  CreateComponents();
  form_ = std::make_unique<TFormMj>(TFormMjComponents{
      this, quit_.get(), previous_.get(), next_.get(), step_.get(), title_.get(), connection_.get(),
      progress_.get(), about_.get(), banner_.get(), timer_.get(), line1_.get(), line2_.get(),
      line3_.get(), line4_.get(), remark_.get(), line5_.get(), list_.get()});
  w_.ListBoxSelectLangPort->setSelectionMode(QAbstractItemView::SingleSelection);
  w_.ListBoxSelectLangPort->setSortingEnabled(false);
}

WizardWindow::~WizardWindow() {
  // The logic goes first: its link releases the loader and closes the port while the widgets
  // it drives still exist.
  form_.reset();
}

void WizardWindow::CreateComponents() {
  setFixedSize(layout::kClientWidth, layout::kClientHeight);
  setMinimumSize(layout::kClientWidth, layout::kClientHeight);
  // A title bar with no system menu: no close, minimise or maximise box.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setFont(WizardFont());
  setWindowIcon(AppIcon());
  setAutoFillBackground(true);

  w_.ButtonQuitter = MakeButton(this, layout::ButtonQuitter);
  w_.ButtonQuitter->setToolTip(QString::fromUtf8(txt::QuitTooltip.fr));
  w_.ButtonPrecedant = MakeButton(this, layout::ButtonPrecedant);
  w_.ButtonSuivant = MakeButton(this, layout::ButtonSuivant);

  w_.EditEtape = new QLineEdit(this);
  Place(w_.EditEtape, layout::EditEtape);
  w_.EditEtape->setReadOnly(true);
  w_.EditEtape->setFocusPolicy(Qt::NoFocus);
  w_.EditEtape->setFont(FontOf(layout::EditEtape));
  QPalette editPalette = w_.EditEtape->palette();
  editPalette.setColor(QPalette::Base, palette().color(QPalette::Button));
  w_.EditEtape->setPalette(editPalette);

  w_.LabelTitreEtape = MakeLabel(this, layout::LabelTitreEtape);

  w_.ImageConnectAppareilaPC = MakePicture(this, layout::ImageConnectAppareilaPC,
                                           ConnectionPicture(), Qt::AlignLeft | Qt::AlignTop);
  // The picture takes no mouse input (disabled in the layout; a disabled QLabel would draw its
  // pixmap greyed, so it is made transparent to the mouse instead).
  w_.ImageConnectAppareilaPC->setAttribute(Qt::WA_TransparentForMouseEvents);
  w_.ImageConnectAppareilaPC->setAttribute(Qt::WA_TranslucentBackground);

  w_.ProgressBarProgrammation = new QProgressBar(this);
  Place(w_.ProgressBarProgrammation, layout::ProgressBarProgrammation);
  w_.ProgressBarProgrammation->setRange(0, 100);
  w_.ProgressBarProgrammation->setTextVisible(false);
  w_.ProgressBarProgrammation->setFocusPolicy(Qt::TabFocus);
  w_.ProgressBarProgrammation->hide();

  w_.ButtonAPropos = MakeButton(this, layout::ButtonAPropos);
  w_.Image1 = MakePicture(this, layout::Image1, BannerPicture(), Qt::AlignCenter);
  w_.TimerGestionSerie = new QTimer(this);

  w_.LabelLigne1 = MakeLabel(this, layout::LabelLigne1);
  w_.LabelLigne2 = MakeLabel(this, layout::LabelLigne2);
  w_.LabelLigne3 = MakeLabel(this, layout::LabelLigne3);
  w_.LabelLigne4 = MakeLabel(this, layout::LabelLigne4);
  w_.LabelBarreProgression = MakeLabel(this, layout::LabelBarreProgression);
  w_.LabelLigne5 = MakeLabel(this, layout::LabelLigne5);

  QListWidget* list = new WizardListBox(this);
  w_.ListBoxSelectLangPort = list;
  Place(list, layout::ListBoxSelectLangPort);
  list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list->setItemDelegate(new FixedHeightItems(list));
  list->setUniformItemSizes(true);
  list->setSelectionMode(QAbstractItemView::SingleSelection);

  // The picture lies under the text lines and the list; keep it at the bottom of the stack.
  w_.ImageConnectAppareilaPC->lower();

  QWidget* const tabOrder[] = {w_.ButtonQuitter, w_.ButtonPrecedant,
                               w_.ButtonSuivant, w_.ProgressBarProgrammation,
                               w_.ButtonAPropos, w_.ListBoxSelectLangPort};
  for (std::size_t i = 1; i < std::size(tabOrder); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);

  quit_ = std::make_unique<QtButton>(w_.ButtonQuitter);
  previous_ = std::make_unique<QtButton>(w_.ButtonPrecedant);
  next_ = std::make_unique<QtButton>(w_.ButtonSuivant);
  about_ = std::make_unique<QtButton>(w_.ButtonAPropos);
  step_ = std::make_unique<QtEditBox>(w_.EditEtape);
  title_ = std::make_unique<QtLabel>(w_.LabelTitreEtape);
  line1_ = std::make_unique<QtLabel>(w_.LabelLigne1);
  line2_ = std::make_unique<QtLabel>(w_.LabelLigne2);
  line3_ = std::make_unique<QtLabel>(w_.LabelLigne3);
  line4_ = std::make_unique<QtLabel>(w_.LabelLigne4);
  remark_ = std::make_unique<QtLabel>(w_.LabelBarreProgression);
  line5_ = std::make_unique<QtLabel>(w_.LabelLigne5);
  connection_ = std::make_unique<QtPicture>(w_.ImageConnectAppareilaPC);
  banner_ = std::make_unique<QtPicture>(w_.Image1);
  progress_ = std::make_unique<QtProgressBar>(w_.ProgressBarProgrammation);
  list_ = std::make_unique<QtListBox>(list);
  timer_ = std::make_unique<QtTimerDriver>(w_.TimerGestionSerie);

  connect(w_.ButtonQuitter, &QPushButton::clicked, this, [this] { form_->ButtonQuitterClick(); });
  connect(w_.ButtonSuivant, &QPushButton::clicked, this, [this] { form_->ButtonSuivantClick(); });
  connect(w_.ButtonPrecedant, &QPushButton::clicked, this,
          [this] { form_->ButtonPrecedantClick(); });
  connect(w_.ButtonAPropos, &QPushButton::clicked, this, [this] { form_->ButtonAProposClick(); });
  // Only the user's own changes of the selection reach the click handler: the adapter changes it
  // with the list's signals blocked. The selection, not the current row: a click makes the row
  // current first and selects it only then.
  connect(list, &QListWidget::itemSelectionChanged, this,
          [this] { form_->ListBoxSelectLangPortClick(); });
  connect(w_.TimerGestionSerie, &QTimer::timeout, this, [this] { OnTimer(); });

  // Centred on the screen.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }
}

void WizardWindow::OnTimer() {
  // The end record's WM_STEP_DONE must reach the window before the next tick: the timer keeps
  // running after it, and that next tick belongs to step 10.
  QCoreApplication::sendPostedEvents(this, WM_STEP_DONE);
  form_->TimerGestionSerieTimer();
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
