#include "ui/qt/Boiteapropos.h"

#include <QDesktopServices>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QUrl>

#include "assets/Pictures.h"
#include "ui/qt/WizardFont.h"
#include "wizard/AboutLinks.h"
#include "wizard/Layout.h"

namespace {

QLabel* MakeContactLine(QWidget* parent, const wizard::layout::about::Line& line,
                        const char* text) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setTextFormat(Qt::PlainText);
  label->move(line.left, line.top);
  label->adjustSize();  // sized to its text
  return label;
}

// Web and mail lines: blue, underlined, 13 pixels high, with a hand cursor.
QLabel* MakeLinkLine(QWidget* parent, const wizard::layout::about::Line& line, const char* text) {
  QLabel* label = MakeContactLine(parent, line, text);
  QFont font = WizardFont(wizard::layout::about::kLinkFontPixels);
  font.setUnderline(true);
  label->setFont(font);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, Qt::blue);
  label->setPalette(palette);
  label->setCursor(Qt::PointingHandCursor);
  label->adjustSize();
  return label;
}

}  // namespace

TFormAPropos::TFormAPropos(QWidget* owner) : QDialog(owner) {
  setFont(WizardFont());
  namespace about = wizard::layout::about;
  setFixedSize(about::kClientWidth, about::kClientHeight);
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setModal(true);

  ButtonOk = new QPushButton(this);
  ButtonOk->setGeometry(about::ButtonOk.left, about::ButtonOk.top, about::ButtonOk.width,
                        about::ButtonOk.height);
  ButtonOk->setDefault(true);
  connect(ButtonOk, &QPushButton::clicked, this, &TFormAPropos::ButtonOkClick);

  // The banner is centred and scaled proportionally into its 441 x 41 frame.
  Image1 = new QLabel(this);
  Image1->setGeometry(about::Image1.left, about::Image1.top, about::Image1.width,
                      about::Image1.height);
  Image1->setAlignment(Qt::AlignCenter);
  const QImage banner = AboutBannerPicture();
  Image1->setPixmap(QPixmap::fromImage(
      banner.scaled(Image1->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));

  LabelAdresse = MakeContactLine(this, about::LabelAdresse, maker::AddressLine.fr);
  LabelCodeVille = MakeContactLine(this, about::LabelCodeVille, maker::TownLine.fr);
  LabelPays = MakeContactLine(this, about::LabelPays, maker::Country.fr);
  LabelTelephone = MakeContactLine(this, about::LabelTelephone, maker::TelephoneLine.fr);
  LabelTelecopie = MakeContactLine(this, about::LabelTelecopie, maker::FaxLine.fr);
  LabelNomSite = MakeLinkLine(this, about::LabelNomSite, maker::WebLine.fr);
  LabelMel = MakeLinkLine(this, about::LabelMel, maker::MailLine.fr);
  LabelNomSite->installEventFilter(this);
  LabelMel->installEventFilter(this);

  Language = 0;
  setWindowTitle(QString::fromUtf8(txt::AboutCaption.fr));
  ButtonOk->setText(QString::fromUtf8(txt::AboutOk.fr));
  // Centred on the desktop, like the wizard.
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

void TFormAPropos::SetLanguage(LanguageIndex n) {
  if (n == Language) return;
  Language = n;
  setWindowTitle(QString::fromUtf8(txt::AboutCaption.Get(n)));
  ButtonOk->setText(QString::fromUtf8(txt::AboutOk.Get(n)));
}

void TFormAPropos::ButtonOkClick() {
  accept();
}

void TFormAPropos::LabelNomSiteClick() {
  BrowseInternet(QString::fromUtf8(maker::WebAddress));
}

void TFormAPropos::LabelMelClick() {
  BrowseInternet(QString::fromUtf8(maker::MailLink));
}

// The system's default handler opens the address; a failure is not reported and the dialog
// stays open. The mail link has always carried a blank after "mailto:", which would reach the
// mail program as "%20" in front of the address: the address goes without it.
void TFormAPropos::BrowseInternet(const QString& url) {
  QString target = url;
  const QString mailto = QStringLiteral("mailto:");
  if (target.startsWith(mailto, Qt::CaseInsensitive))
    target = mailto + target.mid(mailto.size()).trimmed();
  QDesktopServices::openUrl(QUrl(target, QUrl::TolerantMode));
}

bool TFormAPropos::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    if (watched == LabelNomSite) {
      LabelNomSiteClick();
      return true;
    }
    if (watched == LabelMel) {
      LabelMelClick();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}
