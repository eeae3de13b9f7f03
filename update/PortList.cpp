#include "update/PortList.h"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <string_view>
#include <utility>

namespace {

unsigned char FoldCase(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
}

// <0, 0, >0 as a is before, equal to, after b, ASCII letter case ignored.
int CompareText(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const int ca = FoldCase(static_cast<unsigned char>(a[i]));
    const int cb = FoldCase(static_cast<unsigned char>(b[i]));
    if (ca != cb) return ca - cb;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

// The first entry not before text.
template <typename Entries>
auto LowerBound(Entries& entries, const std::string& text) {
  return std::lower_bound(
      entries.begin(), entries.end(), text,
      [](const std::string& entry, const std::string& t) { return CompareText(entry, t) < 0; });
}

bool IsBridgeValueName(const std::string& name) {
  return name.find("Silabser") != name.npos;
}

}  // namespace

bool SameEntry(const std::string& a, const std::string& b) {
  return CompareText(a, b) == 0;
}

int PortList::Add(const std::string& text) {
  const auto at = LowerBound(entries_, text);
  const int index = static_cast<int>(at - entries_.begin());
  if (at == entries_.end() || CompareText(*at, text) != 0) entries_.insert(at, text);
  return index;
}

int PortList::IndexOf(const std::string& text) const {
  const auto at = LowerBound(entries_, text);
  if (at == entries_.end() || CompareText(*at, text) != 0) return -1;
  return static_cast<int>(at - entries_.begin());
}

bool RefreshPortList(PortList& portList, std::string& preferredPort,
                     const std::optional<std::vector<platform::RegistryValue>>& key) {
  bool changed = false;
  preferredPort.clear();
  if (!key) return false;
  const std::vector<platform::RegistryValue>& values = *key;
  if (values.empty()) return false;  // the entries of the previous refresh stay listed
  if (values.size() != static_cast<std::size_t>(portList.Count())) changed = true;

  // Walk from the last value to the first: every bridge overwrites preferredPort, so the bridge
  // that the map lists first is the one that stays preferred.
  std::vector<std::string> fresh;
  fresh.reserve(values.size());
  for (auto value = values.rbegin(); value != values.rend(); ++value) {
    std::string entry = value->data;
    if (IsBridgeValueName(value->name)) {
      entry += kBridgeSuffix;
      preferredPort = entry;
    }
    if (!changed && portList.IndexOf(entry) < 0) changed = true;
    fresh.push_back(std::move(entry));
  }

  if (changed) {
    portList.Clear();
    for (const std::string& entry : fresh) portList.Add(entry);
  }
  return changed;
}

bool RefreshPortList(PortList& portList, std::string& preferredPort) {
  return RefreshPortList(portList, preferredPort, platform::ReadSerialDeviceMap());
}

std::int32_t PortIndexFromEntry(const std::string& entry) {
  std::size_t begin = 0;
  std::size_t end = entry.size();
  while (begin < end && static_cast<unsigned char>(entry[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(entry[end - 1]) <= ' ') --end;
  std::string text = entry.substr(begin, end - begin);
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - ('a' - 'A'));
  }

  const std::size_t com = text.find("COM");
  if (com == std::string::npos) return -1;

  // An empty digit run, or one whose value does not fit a signed 32-bit integer, reads as -2.
  std::int64_t number = 0;
  std::size_t i = com + 3;
  const std::size_t firstDigit = i;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    number = number * 10 + (text[i] - '0');
    if (number > std::numeric_limits<std::int32_t>::max()) {
      number = -2;
      break;
    }
  }
  if (i == firstDigit) number = -2;
  return static_cast<std::int32_t>(number - 1);
}
