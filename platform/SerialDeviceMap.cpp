#include "platform/SerialDeviceMap.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <utility>

namespace platform {
namespace {

constexpr int kNodesPerFamily = 32;

// The three families of the fixed COM map, in COM-number order.
enum class Family { kSerial = 0, kUsb = 1, kAcm = 2 };

struct FamilyInfo {
  std::string_view node;  // node name without its number
  Family family;
};

constexpr std::array<FamilyInfo, 3> kFamilies{{
    {"ttyS", Family::kSerial},
    {"ttyUSB", Family::kUsb},
    {"ttyACM", Family::kAcm},
}};

// The slot (COM number minus one) of a node name of the COM map, or -1 for any other name.
// Only the exact names count: "ttyS01" or "ttyUSB32" are not nodes of the map.
int SlotOfNodeName(std::string_view name) {
  for (const FamilyInfo& f : kFamilies) {
    if (name.size() <= f.node.size() || name.substr(0, f.node.size()) != f.node) continue;
    const std::string_view digits = name.substr(f.node.size());
    if (digits.size() > 2 || (digits.size() == 2 && digits[0] == '0')) return -1;
    int n = 0;
    for (char c : digits) {
      if (c < '0' || c > '9') return -1;
      n = n * 10 + (c - '0');
    }
    if (n >= kNodesPerFamily) return -1;
    return static_cast<int>(f.family) * kNodesPerFamily + n;
  }
  return -1;
}

// "<name>/<leaf>" for the *at() calls; names of the map are at most 8 characters.
std::string Sub(std::string_view name, std::string_view leaf) {
  std::string path;
  path.reserve(name.size() + 1 + leaf.size());
  path.append(name).push_back('/');
  path.append(leaf);
  return path;
}

bool HasDevice(int dirFd, std::string_view name) {
  struct stat st {};
  if (fstatat(dirFd, Sub(name, "device").c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
  return S_ISLNK(st.st_mode) || S_ISDIR(st.st_mode);
}

enum class UartType { kAbsent, kPlaceholder, kReal, kUnreadable };

// A ttyS entry whose `type` file reads 0 is a legacy placeholder with no UART behind it.
UartType ReadUartType(int dirFd, std::string_view name) {
  const int fd = openat(dirFd, Sub(name, "type").c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return errno == ENOENT ? UartType::kAbsent : UartType::kUnreadable;
  char buf[32];
  ssize_t got;
  do {
    got = read(fd, buf, sizeof buf);
  } while (got < 0 && errno == EINTR);
  close(fd);
  if (got < 0) return UartType::kUnreadable;
  std::string_view text(buf, static_cast<std::size_t>(got));
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  if (text.empty()) return UartType::kReal;
  for (char c : text) {
    if (c != '0') return UartType::kReal;
  }
  return UartType::kPlaceholder;
}

// The last component of the target of <name>/device/driver; empty when there is no such link.
// The target is only read, never followed, so it need not exist.
std::string DriverName(int dirFd, std::string_view name) {
  char target[4096];
  const ssize_t len = readlinkat(dirFd, Sub(name, "device/driver").c_str(), target, sizeof target);
  if (len <= 0 || static_cast<std::size_t>(len) >= sizeof target) return {};
  std::string_view path(target, static_cast<std::size_t>(len));
  while (!path.empty() && path.back() == '/') path.remove_suffix(1);
  const std::size_t slash = path.rfind('/');
  if (slash != std::string_view::npos) path.remove_prefix(slash + 1);
  return std::string(path);
}

// The value of one node, or nullopt when the node does not count as a port.
std::optional<RegistryValue> ValueOfNode(int dirFd, std::string_view name, int slot) {
  if (!HasDevice(dirFd, name)) return std::nullopt;
  const auto family = static_cast<Family>(slot / kNodesPerFamily);
  const std::string number = std::to_string(slot % kNodesPerFamily);
  RegistryValue value;
  switch (family) {
    case Family::kSerial: {
      const UartType type = ReadUartType(dirFd, name);
      if (type == UartType::kPlaceholder || type == UartType::kUnreadable) return std::nullopt;
      value.name = "\\Device\\Serial" + number;
      break;
    }
    case Family::kUsb:
      value.name =
          (DriverName(dirFd, name) == "cp210x" ? "\\Device\\Silabser" : "\\Device\\VCP") + number;
      break;
    case Family::kAcm:
      value.name = "\\Device\\USBSER" + number;
      break;
  }
  value.data = "COM" + std::to_string(slot + 1) + " (" + std::string(name) + ")";
  return value;
}

}  // namespace

std::string SerialDeviceMapDir() {
  const char* dir = std::getenv("ORB42_SYSFS_TTY");
  return (dir != nullptr && *dir != '\0') ? std::string(dir) : std::string("/sys/class/tty");
}

std::string SerialDeviceMapSource() {
  return SerialDeviceMapDir();
}

std::optional<std::vector<RegistryValue>> ReadSerialDeviceMap() {
  return ReadSerialDeviceMap(SerialDeviceMapDir());
}

std::optional<std::vector<RegistryValue>> ReadSerialDeviceMap(const std::string& ttyClassDir) {
  DIR* dir = opendir(ttyClassDir.c_str());
  if (dir == nullptr) return std::nullopt;
  const int dirFd = dirfd(dir);

  // One pass over the directory collects the nodes of the map by slot, so that the values can
  // come out in COM-number order whatever order the directory lists them in.
  std::array<std::optional<RegistryValue>, 3 * kNodesPerFamily> slots;
  bool readFailed = false;
  for (;;) {
    errno = 0;
    const dirent* entry = readdir(dir);
    if (entry == nullptr) {
      readFailed = errno != 0;
      break;
    }
    const std::string_view name(entry->d_name);
    const int slot = SlotOfNodeName(name);
    if (slot >= 0) slots[static_cast<std::size_t>(slot)] = ValueOfNode(dirFd, name, slot);
  }
  closedir(dir);
  if (readFailed) return std::nullopt;

  std::vector<RegistryValue> values;
  for (auto& slot : slots) {
    if (slot) values.push_back(std::move(*slot));
  }
  return values;
}

}  // namespace platform
