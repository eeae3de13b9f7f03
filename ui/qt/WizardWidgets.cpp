#include "ui/qt/WizardWidgets.h"

#include <QKeyEvent>

void WizardButton::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
  if (enter && modifiers == Qt::NoModifier && !event->isAutoRepeat()) {
    click();
    return;
  }
  QPushButton::keyPressEvent(event);
}

QItemSelectionModel::SelectionFlags WizardListBox::selectionCommand(const QModelIndex& index,
                                                                    const QEvent*) const {
  if (!index.isValid()) return QItemSelectionModel::NoUpdate;
  return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
}
