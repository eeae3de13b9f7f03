// The port list over arbitrary registry values and arbitrary list entries, and the reading of
// an entry as a port index.
//
// Checked after every refresh: the list stays sorted (letter case ignored) and free of
// duplicates; PreferredPort is the entry of the first value whose name holds "Silabser"; every
// entry of the map is listed; a refresh that reports no change left the list as it was; a
// refresh of values that are all different gives exactly their entries, and a second refresh of
// the same values reports no change. Values whose entries repeat (letter case ignored) get only
// the first checks: the refresh compares counts, as the registry walk always did, and the map
// reader never gives two values the same data.
#include <fuzzer/FuzzedDataProvider.h>

#include <cinttypes>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "update/PortList.h"

namespace {

using platform::RegistryValue;

std::string Folded(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

bool Before(const std::string& a, const std::string& b) {
  return Folded(a) < Folded(b);
}

void CheckSorted(const PortList& list) {
  for (int i = 1; i < list.Count(); ++i)
    FUZZ_CHECK(Before(list.At(i - 1), list.At(i)), "entries %d and %d out of order", i - 1, i);
}

std::string AnyText(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
      return "COM" + std::to_string(in.ConsumeIntegralInRange<int>(0, 200));
    case 1:
      return "com" + std::to_string(in.ConsumeIntegralInRange<int>(0, 200));
    case 2:
      return "COM" + std::to_string(in.ConsumeIntegralInRange<int>(0, 200)) + " (ttyUSB" +
             std::to_string(in.ConsumeIntegralInRange<int>(0, 40)) + ")";
    default:
      return in.ConsumeRandomLengthString(24);
  }
}

std::string ValueName(FuzzedDataProvider& in) {
  const std::string n = std::to_string(in.ConsumeIntegralInRange<int>(0, 40));
  switch (in.ConsumeIntegralInRange<int>(0, 4)) {
    case 0:
      return "\\Device\\Silabser" + n;
    case 1:
      return "\\Device\\SILABSER" + n;
    case 2:
      return "\\Device\\Serial" + n;
    case 3:
      return "\\Device\\VCP" + n;
    default:
      return in.ConsumeRandomLengthString(24);
  }
}

std::optional<std::vector<RegistryValue>> Key(FuzzedDataProvider& in) {
  const int count = in.ConsumeIntegralInRange<int>(-1, 12);
  if (count < 0) return std::nullopt;
  std::vector<RegistryValue> values;
  for (int i = 0; i < count; ++i) {
    RegistryValue value;
    value.name = ValueName(in);
    value.data = AnyText(in);
    values.push_back(std::move(value));
  }
  return values;
}

std::string EntryOf(const RegistryValue& value) {
  return value.name.find("Silabser") != std::string::npos ? value.data + kBridgeSuffix : value.data;
}

void CheckRefresh(PortList& list, const std::optional<std::vector<RegistryValue>>& key) {
  const std::vector<std::string> before = list.Entries();
  std::string preferred = "stale";
  const bool changed = RefreshPortList(list, preferred, key);
  CheckSorted(list);
  if (!changed) FUZZ_CHECK(list.Entries() == before, "no change reported but the list changed");
  if (!key || key->empty()) {
    FUZZ_CHECK(!changed && preferred.empty(), "a missing or empty map changed something");
    return;
  }

  std::string expectedPreferred;
  std::set<std::string> distinct;
  for (const RegistryValue& value : *key) {
    const std::string entry = EntryOf(value);
    if (expectedPreferred.empty() && value.name.find("Silabser") != std::string::npos)
      expectedPreferred = entry;
    distinct.insert(Folded(entry));
  }
  FUZZ_CHECK(preferred == expectedPreferred, "preferred '%s' instead of '%s'", preferred.c_str(),
             expectedPreferred.c_str());
  if (distinct.size() != key->size()) return;

  std::set<std::string> listed;
  for (const std::string& entry : list.Entries()) listed.insert(Folded(entry));
  FUZZ_CHECK(listed == distinct, "the list holds %zu entries, the map %zu", listed.size(),
             distinct.size());
  std::string again;
  FUZZ_CHECK(!RefreshPortList(list, again, key), "a second refresh of the same map changed");
  FUZZ_CHECK(again == preferred, "a second refresh preferred another entry");
}

// "COM<n>" with letter case, blanks and a tail varied gives n - 1.
void CheckPortIndex(FuzzedDataProvider& in) {
  const auto number = in.ConsumeIntegralInRange<std::int32_t>(0, INT32_MAX);
  std::string com = in.ConsumeBool() ? "COM" : "cOm";
  std::string head = in.ConsumeBool() ? " \t" : "";
  std::string tail;
  switch (in.ConsumeIntegralInRange<int>(0, 2)) {
    case 0:
      tail = kBridgeSuffix;
      break;
    case 1:
      tail = " \r\n";
      break;
    default:
      tail = in.ConsumeRandomLengthString(16);
      if (!tail.empty() && tail[0] >= '0' && tail[0] <= '9') tail.clear();
  }
  const std::int32_t got = PortIndexFromEntry(head + com + std::to_string(number) + tail);
  FUZZ_CHECK(got == number - 1, "COM%" PRId32 " read as index %" PRId32, number, got);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);

  const std::string entry = in.ConsumeRandomLengthString(40);
  const std::int32_t index = PortIndexFromEntry(entry);
  FUZZ_CHECK(index >= -3, "index %" PRId32 " below -3", index);
  if (Folded(entry).find("com") == std::string::npos)
    FUZZ_CHECK(index == -1, "an entry without COM gave %" PRId32, index);
  CheckPortIndex(in);

  PortList list;
  const int initial = in.ConsumeIntegralInRange<int>(0, 8);
  for (int i = 0; i < initial; ++i) {
    const std::string text = AnyText(in);
    const int at = list.Add(text);
    FUZZ_CHECK(at >= 0 && at < list.Count() && Folded(list.At(at)) == Folded(text),
               "Add gave index %d for an entry it does not hold there", at);
    FUZZ_CHECK(list.IndexOf(text) == at, "IndexOf disagrees with Add");
  }
  CheckSorted(list);
  while (in.remaining_bytes() > 0) CheckRefresh(list, Key(in));
  return 0;
}
