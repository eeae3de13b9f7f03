#include "app/PortListBox.h"

#include <QSignalBlocker>
#include <QString>

namespace {

// The text of the selected entry; empty when nothing is selected.
std::string SelectedText(const QListWidget& box) {
  const QListWidgetItem* item = box.currentRow() >= 0 ? box.currentItem() : nullptr;
  if (item == nullptr || !item->isSelected()) return {};
  return item->text().toStdString();
}

// Selects the row showing list.At(index), or nothing when index is -1. The row is found by its
// text rather than taken as index, so that a box that sorts its items by itself still gets the
// right entry selected.
void SelectListEntry(QListWidget& box, const PortList& list, int index) {
  box.clearSelection();
  box.setCurrentRow(-1);
  if (index < 0) return;
  const QString wanted = QString::fromStdString(list.At(index));
  for (int row = 0; row < box.count(); ++row) {
    if (box.item(row)->text() == wanted) {
      box.setCurrentRow(row);
      return;
    }
  }
}

}  // namespace

void LoadPortListIntoListBox(QListWidget& box, const PortList& list) {
  const QSignalBlocker blocker(box);
  box.clear();
  for (const std::string& entry : list.Entries()) box.addItem(QString::fromStdString(entry));
}

bool RefreshPortListBoxKeepingSelection(
    QListWidget& box, PortList& list, std::string& preferred,
    const std::optional<std::vector<platform::RegistryValue>>& key) {
  const std::string remembered = SelectedText(box);
  if (!RefreshPortList(list, preferred, key)) return false;
  const QSignalBlocker blocker(box);
  LoadPortListIntoListBox(box, list);
  SelectListEntry(box, list, list.IndexOf(remembered));
  return true;
}

bool RefreshPortListBoxKeepingSelection(QListWidget& box, PortList& list, std::string& preferred) {
  return RefreshPortListBoxKeepingSelection(box, list, preferred, platform::ReadSerialDeviceMap());
}
