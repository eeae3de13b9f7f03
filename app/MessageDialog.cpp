#include "app/MessageDialog.h"

#include <QMessageBox>
#include <QPushButton>

namespace {
DialogHandler& Handler() {
  static DialogHandler handler;
  return handler;
}

// Title and button captions are the toolkit's own English texts whatever the wizard's language.
DialogAnswer RunMessageBox(QWidget* parent, const DialogRequest& r) {
  QMessageBox box(parent);
  const bool error = r.kind == DialogKind::Error;
  box.setIcon(error ? QMessageBox::Critical : QMessageBox::Information);
  box.setWindowTitle(!r.caption.isEmpty() ? r.caption
                                          : QString::fromLatin1(error ? "Error" : "Information"));
  box.setText(r.text);
  if (r.buttons == DialogButtons::YesNo) {
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

DialogAnswer ShowMessageDialog(QWidget* parent, const DialogRequest& request) {
  if (Handler()) return Handler()(request);
  return RunMessageBox(parent, request);
}

DialogHandler SetDialogHandler(DialogHandler handler) {
  DialogHandler previous = std::move(Handler());
  Handler() = std::move(handler);
  return previous;
}
