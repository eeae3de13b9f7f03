#include "ui/qt/MessageDialog.h"

#include <QMessageBox>
#include <QPushButton>

namespace ui::qt {

namespace {

using wizard::DialogAnswer;

// Title and button captions are the toolkit's own English texts whatever the wizard's language.
DialogAnswer RunMessageBox(QWidget* parent, const wizard::DialogRequest& r) {
  QMessageBox box(parent);
  const bool error = r.kind == wizard::DialogKind::Error;
  box.setIcon(error ? QMessageBox::Critical : QMessageBox::Information);
  box.setWindowTitle(QString::fromUtf8(wizard::DialogTitle(r)));
  box.setText(QString::fromStdString(r.text));
  if (r.buttons == wizard::DialogButtons::YesNo) {
    QPushButton* yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
    box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.exec();
    return box.clickedButton() == yes ? DialogAnswer::Yes : DialogAnswer::No;
  }
  QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
  box.setDefaultButton(ok);
  box.exec();
  return box.clickedButton() == ok ? DialogAnswer::Ok : DialogAnswer::Dismissed;
}

}  // namespace

DialogAnswer ShowMessageDialog(QWidget* parent, const wizard::DialogRequest& request) {
  if (const auto answer = wizard::HandlerAnswer(request)) return *answer;
  return RunMessageBox(parent, request);
}

}  // namespace ui::qt
