#pragma once
// The port list shown in the wizard's list box on step 5.
#include <QListWidget>
#include <optional>
#include <string>
#include <vector>

#include "update/PortList.h"

// Empties the box and fills it with the entries of list, in the list's order. The box's signals
// are blocked meanwhile: a reload is not a user's click.
void LoadPortListIntoListBox(QListWidget& box, const PortList& list);

// One timer tick on step 5: refreshes list and preferred from key, and when the list was
// replaced reloads the box and selects again the entry that was selected before, or nothing when
// that entry is gone. A refresh that changes nothing leaves the box and its selection alone.
// The box's signals are blocked during the reload and the selection, so no selection signal
// reaches the click handler. Returns the refresh's result.
bool RefreshPortListBoxKeepingSelection(
    QListWidget& box, PortList& list, std::string& preferred,
    const std::optional<std::vector<platform::RegistryValue>>& key);

// The same, reading the serial-device map of this machine.
bool RefreshPortListBoxKeepingSelection(QListWidget& box, PortList& list, std::string& preferred);
