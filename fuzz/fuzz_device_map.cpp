// The serial-device map reader over tty class trees built from the input: entry names from a
// small alphabet of valid and invalid node names, each entry a link to a device directory (as
// in sysfs), a plain directory, a broken link or a file; its `device` a link, a directory, a
// broken link, a file or a link to a file; a driver link with various targets, or a file or a
// directory in its place; a `type` file with any content, or a directory in its place.
//
// The map read must be exactly the one the tree describes: which nodes count, the value names
// (bridge, other USB, UART, ACM), the data "COM<k> (<node>)", in COM-number order, with no two
// values alike. The tree lives under /dev/shm and is removed after each input.
#include <fcntl.h>
#include <fuzzer/FuzzedDataProvider.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "platform/SerialDeviceMap.h"

namespace {

namespace fs = std::filesystem;
using platform::RegistryValue;

std::string root;  // made once per process

void RemoveRoot() {
  std::error_code ignored;
  if (!root.empty()) fs::remove_all(root, ignored);
}

void WriteFile(const std::string& path, const std::string& content) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  FUZZ_CHECK(fd >= 0, "cannot create %s", path.c_str());
  FUZZ_CHECK(write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size()),
             "cannot write %s", path.c_str());
  close(fd);
}

void MakeDir(const std::string& path) {
  FUZZ_CHECK(mkdir(path.c_str(), 0755) == 0, "cannot make %s", path.c_str());
}

void MakeLink(const std::string& target, const std::string& path) {
  FUZZ_CHECK(symlink(target.c_str(), path.c_str()) == 0, "cannot link %s", path.c_str());
}

// A node name: mostly near the map's own names, sometimes anything a directory may hold.
std::string NodeName(FuzzedDataProvider& in) {
  static const char* const kFamilies[] = {"ttyS", "ttyUSB", "ttyACM", "tty",     "ttyU",
                                          "ttys", "TTYS",   "ttyAMA", "ttyUSBx", "ttyACM-"};
  const int pick = in.ConsumeIntegralInRange<int>(0, 12);
  if (pick >= 10) {
    std::string name = in.ConsumeRandomLengthString(12);
    for (char& c : name)
      if (c == '/' || c == '\0') c = '_';
    return name.empty() || name == "." || name == ".." ? "x" : name;
  }
  std::string digits = std::to_string(in.ConsumeIntegralInRange<int>(0, 40));
  switch (in.ConsumeIntegralInRange<int>(0, 5)) {
    case 0:
      digits = "0" + digits;
      break;
    case 1:
      digits += "a";
      break;
    case 2:
      digits.clear();
      break;
    default:
      break;
  }
  return kFamilies[pick] + digits;
}

std::string DriverTarget(FuzzedDataProvider& in) {
  static const char* const kTargets[] = {"../../../../bus/usb-serial/drivers/cp210x",
                                         "cp210x",
                                         "cp210x/",
                                         "/bus/drivers/cp210x//",
                                         "../drivers/cp2101",
                                         "../drivers/ftdi_sio",
                                         "../drivers/CP210X",
                                         "cp210x/x",
                                         "/",
                                         "../drivers/pl2303"};
  const int pick = in.ConsumeIntegralInRange<int>(0, 10);
  if (pick < 10) return kTargets[pick];
  std::string target = in.ConsumeRandomLengthString(20);
  for (char& c : target)
    if (c == '\0') c = '/';
  return target.empty() ? "cp210x" : target;
}

// The slot of a node of the map, computed independently of the reader.
int SlotOf(const std::string& name) {
  static const std::pair<const char*, int> kFamilies[] = {
      {"ttyS", 0}, {"ttyUSB", 32}, {"ttyACM", 64}};
  for (const auto& [prefix, first] : kFamilies) {
    for (int n = 0; n < 32; ++n)
      if (name == prefix + std::to_string(n)) return first + n;
  }
  return -1;
}

bool IsPlaceholderType(const std::string& content) {
  std::string head = content.substr(0, 32);
  std::size_t begin = 0, end = head.size();
  while (begin < end && static_cast<unsigned char>(head[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(head[end - 1]) <= ' ') --end;
  return end > begin && head.find_first_not_of('0', begin) >= end;
}

std::string LastComponent(std::string target) {
  while (!target.empty() && target.back() == '/') target.pop_back();
  const std::size_t slash = target.rfind('/');
  return slash == std::string::npos ? target : target.substr(slash + 1);
}

struct Expected {
  std::map<int, RegistryValue> bySlot;
};

// Builds one entry and returns its value when the tree makes it count.
std::optional<RegistryValue> BuildEntry(FuzzedDataProvider& in, const std::string& tty,
                                        const std::string& devices, const std::string& name,
                                        int index) {
  const std::string entry = tty + "/" + name;
  const int entryKind = in.ConsumeIntegralInRange<int>(0, 3);
  if (entryKind == 2) {
    MakeLink("../devices/missing" + std::to_string(index), entry);
    return std::nullopt;
  }
  if (entryKind == 3) {
    WriteFile(entry, "not a directory");
    return std::nullopt;
  }
  if (entryKind == 0) {
    const std::string dir = devices + "/node" + std::to_string(index);
    MakeDir(dir);
    MakeLink(dir, entry);
  } else {
    MakeDir(entry);
  }

  // device: 0 none, 1 link to a directory, 2 directory, 3 broken link, 4 file, 5 link to a file
  const int deviceKind = in.ConsumeIntegralInRange<int>(0, 5);
  const std::string device = entry + "/device";
  const std::string deviceDir = devices + "/dev" + std::to_string(index);
  switch (deviceKind) {
    case 1:
      MakeDir(deviceDir);
      MakeLink(deviceDir, device);
      break;
    case 2:
      MakeDir(device);
      break;
    case 3:
      MakeLink(deviceDir + "-missing", device);
      break;
    case 4:
      WriteFile(device, "");
      break;
    case 5:
      WriteFile(deviceDir, "");
      MakeLink(deviceDir, device);
      break;
    default:
      break;
  }

  // driver: 0 none, 1 link, 2 file, 3 directory; only inside a device directory
  std::string driver;
  const int driverKind = in.ConsumeIntegralInRange<int>(0, 3);
  if (deviceKind == 1 || deviceKind == 2) {
    const std::string path = device + "/driver";
    if (driverKind == 1) {
      const std::string target = DriverTarget(in);
      MakeLink(target, path);
      if (target.size() < 4096) driver = LastComponent(target);
    } else if (driverKind == 2) {
      WriteFile(path, "cp210x");
    } else if (driverKind == 3) {
      MakeDir(path);
    }
  }

  // type: 0 none, 1 file with any content, 2 directory
  bool typeCounts = true;
  const int typeKind = in.ConsumeIntegralInRange<int>(0, 2);
  if (typeKind == 1) {
    const std::string content = in.ConsumeRandomLengthString(40);
    WriteFile(entry + "/type", content);
    typeCounts = !IsPlaceholderType(content);
  } else if (typeKind == 2) {
    MakeDir(entry + "/type");
    typeCounts = false;  // a type that cannot be read
  }

  const int slot = SlotOf(name);
  const bool hasDevice = deviceKind != 0 && deviceKind != 4;
  if (slot < 0 || !hasDevice) return std::nullopt;
  const std::string number = std::to_string(slot % 32);
  RegistryValue value;
  if (slot < 32) {
    if (!typeCounts) return std::nullopt;
    value.name = "\\Device\\Serial" + number;
  } else if (slot < 64) {
    value.name = (driver == "cp210x" ? "\\Device\\Silabser" : "\\Device\\VCP") + number;
  } else {
    value.name = "\\Device\\USBSER" + number;
  }
  value.data = "COM" + std::to_string(slot + 1) + " (" + name + ")";
  return value;
}

void CheckTree(FuzzedDataProvider& in, const std::string& base) {
  const std::string tty = base + "/tty";
  const std::string devices = base + "/devices";
  MakeDir(devices);
  const int layout = in.ConsumeIntegralInRange<int>(0, 15);
  if (layout == 0) {  // no tty class directory at all
    FUZZ_CHECK(!platform::ReadSerialDeviceMap(tty), "a missing directory gave a map");
    return;
  }
  if (layout == 1) {  // a file in its place
    WriteFile(tty, "");
    FUZZ_CHECK(!platform::ReadSerialDeviceMap(tty), "a file gave a map");
    return;
  }
  MakeDir(tty);

  std::map<int, RegistryValue> expected;
  std::set<std::string> names;
  const int count = in.ConsumeIntegralInRange<int>(0, 8);
  for (int i = 0; i < count && in.remaining_bytes() > 0; ++i) {
    const std::string name = NodeName(in);
    if (!names.insert(name).second) continue;
    if (auto value = BuildEntry(in, tty, devices, name, i)) {
      const int slot = SlotOf(name);
      expected[slot] = *value;
    }
  }

  const auto map = platform::ReadSerialDeviceMap(layout == 2 ? tty + "/" : tty);
  FUZZ_CHECK(map.has_value(), "an existing directory gave no map");
  FUZZ_CHECK(map->size() == expected.size(), "%zu values, %zu expected", map->size(),
             expected.size());
  std::size_t i = 0;
  std::set<std::string> datas, valueNames;
  for (const auto& [slot, value] : expected) {
    const RegistryValue& got = (*map)[i++];
    FUZZ_CHECK(got.name == value.name && got.data == value.data,
               "value %zu is %s = %s, expected %s = %s", i - 1, got.name.c_str(), got.data.c_str(),
               value.name.c_str(), value.data.c_str());
    FUZZ_CHECK(datas.insert(got.data).second && valueNames.insert(got.name).second,
               "two values alike: %s", got.data.c_str());
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char pattern[] = "/dev/shm/orb42-fuzz-map-XXXXXX";
  const char* made = mkdtemp(pattern);
  FUZZ_CHECK(made != nullptr, "cannot make a temporary directory");
  root = made;
  std::atexit(RemoveRoot);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string base = root + "/t";
  MakeDir(base);
  CheckTree(in, base);
  std::error_code error;
  fs::remove_all(base, error);
  FUZZ_CHECK(!error, "cannot remove %s", base.c_str());
  return 0;
}
