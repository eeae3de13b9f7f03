#pragma once
// The list of serial ports as the wizard offers them on step 5 (and the bench updater lists
// them), with the device's own USB-to-serial bridge marked, and the reading of a chosen entry as
// a port index. No widget here.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/SerialDeviceMap.h"

// A sorted list of texts: alphabetical order with ASCII letter case ignored ("COM10" before
// "COM2"); texts that differ only in letter case are equal and held once.
class PortList {
 public:
  // Inserts text at its sorted place and returns its index; a text already held (letter case
  // ignored) is not added again and its index is returned.
  int Add(const std::string& text);
  void Clear() { entries_.clear(); }
  int Count() const { return static_cast<int>(entries_.size()); }
  // The entry at index; index must lie in [0, Count()).
  const std::string& At(int index) const { return entries_.at(static_cast<std::size_t>(index)); }
  // The index of the entry equal to text with letter case ignored, or -1.
  int IndexOf(const std::string& text) const;
  const std::vector<std::string>& Entries() const { return entries_; }

 private:
  std::vector<std::string> entries_;
};

// Whether two entries are the same, ASCII letter case ignored (as the list compares them).
bool SameEntry(const std::string& a, const std::string& b);

// The entry of a port behind the device's own USB-to-serial bridge ends with this.
inline constexpr const char* kBridgeSuffix = " : TALVIRE";

// Rebuilds the port list from the serial-device map `key` (std::nullopt: no map at all).
// preferredPort becomes the entry of the bridge that the map lists first, or empty. portList is
// replaced as a whole only when the map's entries differ from it; the result tells whether it
// was. A map without values leaves portList as it is.
bool RefreshPortList(PortList& portList, std::string& preferredPort,
                     const std::optional<std::vector<platform::RegistryValue>>& key);

// The same, reading the serial-device map of this machine.
bool RefreshPortList(PortList& portList, std::string& preferredPort);

// The zero-based port index named by an entry: "COM1" gives 0, "COM5 : TALVIRE" 4, a text
// without "COM" -1, "COM" without a number (or one too large for 32 bits) -3.
std::int32_t PortIndexFromEntry(const std::string& entry);
