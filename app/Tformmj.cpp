#include "app/Tformmj.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyledItemDelegate>

#include "app/Boiteapropos.h"
#include "app/PeriodicTimer.h"
#include "app/Settings.h"
#include "app/WizardFont.h"
#include "app/WizardMessages.h"
#include "app/WizardWidgets.h"
#include "assets/Pictures.h"

namespace {

// The list box draws every item on one 13-pixel line.
class FixedHeightItems : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return {QStyledItemDelegate::sizeHint(option, index).width(), 13};
  }
};

QLabel* MakeLabel(QWidget* parent, int x, int y, int w, int h) {
  auto* label = new QLabel(parent);
  label->setGeometry(x, y, w, h);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setWordWrap(false);
  label->setTextFormat(Qt::PlainText);
  return label;
}

QPushButton* MakeButton(QWidget* parent, int x, int y) {
  auto* button = new WizardButton(parent);
  button->setGeometry(x, y, 75, 25);
  button->setAutoDefault(false);
  return button;
}

// A picture drawn at its own size from the control's top-left corner and never scaled: a control
// narrower than the picture shows only its left part.
QLabel* MakePicture(QWidget* parent, int x, int y, int w, int h, const QImage& image,
                    Qt::Alignment alignment) {
  auto* picture = new QLabel(parent);
  picture->setGeometry(x, y, w, h);
  picture->setScaledContents(false);
  picture->setAlignment(alignment);
  picture->setPixmap(QPixmap::fromImage(image));
  return picture;
}

}  // namespace

TFormMj::TFormMj(QWidget* owner) : QWidget(owner, Qt::Window) {
  CreateComponents();
  PreferredPort.clear();
  WizardStep = 1;
  Language = 0;
  PortList = new ::PortList();
  ConnectImageWidth = ImageConnectAppareilaPC->width();
  RefreshPortList();
  ShowStep1();
  TimerGestionSerie->SetEnabled(true);
  ListBoxSelectLangPort->setSelectionMode(QAbstractItemView::SingleSelection);
  ListBoxSelectLangPort->setSortingEnabled(false);
}

TFormMj::~TFormMj() {
  FormDestroy();
  // Link's own destruction releases the loader and closes the port.
}

void TFormMj::FormDestroy() {
  delete PortList;
  PortList = nullptr;
}

void TFormMj::CreateComponents() {
  setFixedSize(558, 403);
  setMinimumSize(558, 403);
  // A title bar with no system menu: no close, minimise or maximise box.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setFont(WizardFont());
  setWindowIcon(AppIcon());
  setAutoFillBackground(true);

  ButtonQuitter = MakeButton(this, 274, 356);
  ButtonQuitter->setToolTip(QString::fromUtf8(txt::QuitTooltip.fr));
  // Laid out at 394, which overlapped Next by three pixels; moved left to leave a gap.
  ButtonPrecedant = MakeButton(this, 386, 356);
  ButtonSuivant = MakeButton(this, 466, 356);

  EditEtape = new QLineEdit(this);
  EditEtape->setGeometry(-1, 358, 140, 21);
  EditEtape->setReadOnly(true);
  EditEtape->setFocusPolicy(Qt::NoFocus);
  QFont bold = WizardFont();
  bold.setBold(true);
  EditEtape->setFont(bold);
  QPalette editPalette = EditEtape->palette();
  editPalette.setColor(QPalette::Base, palette().color(QPalette::Button));
  EditEtape->setPalette(editPalette);

  LabelTitreEtape = MakeLabel(this, 0, 64, 561, 20);
  QFont title = WizardFont();
  title.setPixelSize(16);
  title.setBold(true);
  LabelTitreEtape->setFont(title);
  LabelTitreEtape->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

  ImageConnectAppareilaPC = MakePicture(this, 24, 136, 362, 193, ConnectionPicture(),
                                        Qt::AlignLeft | Qt::AlignTop);
  // The picture takes no mouse input (it is disabled in the layout; a disabled QLabel would draw
  // its pixmap greyed, so it is made transparent to the mouse instead).
  ImageConnectAppareilaPC->setAttribute(Qt::WA_TransparentForMouseEvents);
  ImageConnectAppareilaPC->setAttribute(Qt::WA_TranslucentBackground);

  ProgressBarProgrammation = new QProgressBar(this);
  ProgressBarProgrammation->setGeometry(8, 312, 545, 33);
  ProgressBarProgrammation->setRange(0, 100);
  ProgressBarProgrammation->setTextVisible(false);
  ProgressBarProgrammation->setFocusPolicy(Qt::TabFocus);
  ProgressBarProgrammation->hide();
  SetProgressBarSmooth(false);

  ButtonAPropos = MakeButton(this, 162, 356);
  Image1 = MakePicture(this, 0, 0, 553, 57, BannerPicture(), Qt::AlignCenter);
  TimerGestionSerie = new PeriodicTimer(this);
  TimerGestionSerie->SetInterval(1000);

  LabelLigne1 = MakeLabel(this, 0, 112, 553, 13);
  LabelLigne2 = MakeLabel(this, 0, 144, 553, 13);
  LabelLigne3 = MakeLabel(this, 0, 176, 561, 13);
  LabelLigne4 = MakeLabel(this, 0, 208, 553, 13);
  LabelBarreProgression = MakeLabel(this, 0, 288, 553, 17);
  LabelBarreProgression->setFont(bold);
  LabelLigne5 = MakeLabel(this, 0, 240, 553, 13);

  ListBoxSelectLangPort = new WizardListBox(this);
  // Laid out 145 wide, which cut the bridge's entry "COM33 (ttyUSB0) : TALVIRE"; 181 shows it.
  ListBoxSelectLangPort->setGeometry(400, 136, 181, 161);
  ListBoxSelectLangPort->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  ListBoxSelectLangPort->setItemDelegate(new FixedHeightItems(ListBoxSelectLangPort));
  ListBoxSelectLangPort->setUniformItemSizes(true);
  ListBoxSelectLangPort->setSelectionMode(QAbstractItemView::SingleSelection);

  // The picture lies under the text lines and the list; keep it at the bottom of the stack.
  ImageConnectAppareilaPC->lower();

  setTabOrder(ButtonQuitter, ButtonPrecedant);
  setTabOrder(ButtonPrecedant, ButtonSuivant);
  setTabOrder(ButtonSuivant, ProgressBarProgrammation);
  setTabOrder(ProgressBarProgrammation, ButtonAPropos);
  setTabOrder(ButtonAPropos, ListBoxSelectLangPort);

  connect(ButtonQuitter, &QPushButton::clicked, this, &TFormMj::ButtonQuitterClick);
  connect(ButtonSuivant, &QPushButton::clicked, this, &TFormMj::ButtonSuivantClick);
  connect(ButtonPrecedant, &QPushButton::clicked, this, &TFormMj::ButtonPrecedantClick);
  connect(ButtonAPropos, &QPushButton::clicked, this, &TFormMj::ButtonAProposClick);
  // Only the user's own changes of the selection reach the click handler: the step set-ups
  // change it with the list's signals blocked.
  connect(ListBoxSelectLangPort, &QListWidget::currentRowChanged, this,
          [this](int) { ListBoxSelectLangPortClick(); });
  connect(TimerGestionSerie, &PeriodicTimer::Tick, this, &TFormMj::TimerGestionSerieTimer);

  // Centred on the screen.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }
}

void TFormMj::SetProgressBarSmooth(bool smooth) {
  progressSmooth_ = smooth;
  ProgressBarProgrammation->setProperty("smooth", smooth);
  // Segmented: the bar fills in blocks, as a classic progress bar does.
  ProgressBarProgrammation->setStyleSheet(
      smooth ? QString()
             : QStringLiteral("QProgressBar { border: 1px solid #8f8f8f; background: white; }"
                              "QProgressBar::chunk { background: #2a7fd4; width: 9px; "
                              "margin: 2px 1px; }"));
}

void TFormMj::ButtonQuitterClick() {
  quitting_ = true;
  close();
}

void TFormMj::ButtonSuivantClick() { NextStep(); }

void TFormMj::ButtonPrecedantClick() { PreviousStep(); }

void TFormMj::ButtonAProposClick() {
  if (!aboutDialog_) return;
  aboutDialog_->SetLanguage(GetLanguage());
  aboutDialog_->exec();
}

void TFormMj::ListBoxSelectLangPortClick() {
  const int row = ListBoxSelectLangPort->currentRow();
  if (WizardStep == 1) {
    SetLanguage(row);
  } else if (WizardStep == 5) {
    const QListWidgetItem* item = row >= 0 ? ListBoxSelectLangPort->item(row) : nullptr;
    PortIndex = PortIndexFromEntry(item ? item->text() : QString());
  }
}

bool TFormMj::RefreshPortList() { return ::RefreshPortList(*PortList, PreferredPort); }

std::int32_t TFormMj::PortIndexFromEntry(const QString& entry) {
  return ::PortIndexFromEntry(entry.toStdString());
}

std::int32_t TFormMj::ReadLanguageSetting() { return ReadLanguageSettingFile(); }

void TFormMj::closeEvent(QCloseEvent* e) {
  // The window manager may still ask to close (Alt+F4) although there is no close box: that is
  // Quit while Quit is enabled, and refused while the device is checked or programmed.
  if (!quitting_ && !ButtonQuitter->isEnabled()) {
    e->ignore();
    return;
  }
  quitting_ = false;
  e->accept();
  // Closing the wizard ends the program, also while the About dialog runs its own loop: that
  // dialog goes too, and with the last window gone the application quits.
  if (aboutDialog_ && aboutDialog_->isVisible()) aboutDialog_->done(QDialog::Rejected);
}

void TFormMj::PostMessage(int message, std::intptr_t wParam) {
  QCoreApplication::postEvent(this, new WizardMessage(message, wParam));
}
