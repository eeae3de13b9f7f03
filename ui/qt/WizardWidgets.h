#pragma once
// The two Qt controls whose desktop behaviour the wizard changes: a push button that Return
// presses as well as Space, and a list box whose one selected entry the user cannot take away.
#include <QListWidget>
#include <QPushButton>

// Return and Enter press the focused button, as Space does, without making it a default button
// (which would change how it is drawn).
class WizardButton : public QPushButton {
 public:
  using QPushButton::QPushButton;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

// A click or a key selects the entry it lands on; nothing unselects: neither a click in the
// empty part of the list nor Ctrl+click on the selected entry. Next on the port step relies on a
// selected port, and without one it would do nothing at all.
class WizardListBox : public QListWidget {
 public:
  using QListWidget::QListWidget;

 protected:
  QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                       const QEvent* event) const override;
};
