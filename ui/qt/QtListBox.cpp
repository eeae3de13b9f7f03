#include <QSignalBlocker>
#include <QStyledItemDelegate>

#include "ui/qt/QtControls.h"
#include "ui/qt/WizardWidgets.h"

namespace ui::qt {

namespace {

// The list box draws every item on one 13-pixel line.
class FixedHeightItems : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return {QStyledItemDelegate::sizeHint(option, index).width(), wizard::layout::kListItemHeight};
  }
};

}  // namespace

QtListBox::QtListBox(QWidget* parent, const wizard::layout::Component& c)
    : list_(new WizardListBox(parent)) {
  Place(list_, c);
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list_->setItemDelegate(new FixedHeightItems(list_));
  list_->setUniformItemSizes(true);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setSortingEnabled(false);
  // Only the user's own changes of the selection reach the handler: the adapter changes it with
  // the list's signals blocked. The selection, not the current row: a click makes the row
  // current first and selects it only then.
  QObject::connect(list_, &QListWidget::itemSelectionChanged, list_, [this] {
    if (onSelect_) onSelect_();
  });
}

void QtListBox::Clear() {
  const QSignalBlocker quiet(list_);
  list_->clear();
}

void QtListBox::AddItem(const std::string& text) {
  const QSignalBlocker quiet(list_);
  list_->addItem(ToQt(text));
}

int QtListBox::Count() const {
  return list_->count();
}

std::string QtListBox::ItemText(int index) const {
  const QListWidgetItem* item = index >= 0 ? list_->item(index) : nullptr;
  return item ? item->text().toStdString() : std::string();
}

// The current entry counts only while it is selected.
int QtListBox::SelectedIndex() const {
  const QListWidgetItem* item = list_->currentRow() >= 0 ? list_->currentItem() : nullptr;
  return item && item->isSelected() ? list_->currentRow() : -1;
}

void QtListBox::SetSelectedIndex(int index) {
  const QSignalBlocker quiet(list_);
  if (index < 0) list_->clearSelection();
  list_->setCurrentRow(index);
}

void QtListBox::SetVisible(bool visible) {
  list_->setVisible(visible);
}

wizard::Rect QtListBox::Geometry() const {
  return ToRect(list_->geometry());
}

void QtListBox::SetGeometry(const wizard::Rect& r) {
  list_->setGeometry(r.left, r.top, r.width, r.height);
}

}  // namespace ui::qt
