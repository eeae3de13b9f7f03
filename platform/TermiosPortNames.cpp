// From the Windows port name that the link formats to a device node, and back. The map is fixed,
// so a COM number keeps naming the same node while other devices come and go.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/SerialPort.h"

namespace platform {

namespace {

constexpr char kComPrefix[] = "\\\\.\\COM";

struct Range {
  long first;
  const char* node;
};
constexpr Range kRanges[] = {{1, "ttyS"}, {33, "ttyUSB"}, {65, "ttyACM"}};
constexpr long kNodesPerRange = 32;

// The number after the prefix, or 0 (which names no node) when the rest is not a plain number.
long ComNumber(const std::string& name) {
  const std::string prefix = kComPrefix;
  if (name.compare(0, prefix.size(), prefix) != 0) return 0;
  const std::string digits = name.substr(prefix.size());
  if (digits.empty() || digits.size() > 9) return 0;
  for (char c : digits)
    if (c < '0' || c > '9') return 0;
  return std::strtol(digits.c_str(), nullptr, 10);
}

// The COM number of a node name of the map ("ttyUSB0" gives 33), or 0. Only the exact names
// count: no leading zero, no number beyond the range.
long ComNumberOfNode(const std::string& node) {
  for (const Range& range : kRanges) {
    const std::string prefix = range.node;
    if (node.size() <= prefix.size() || node.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string digits = node.substr(prefix.size());
    if (digits.size() > 2 || (digits.size() == 2 && digits[0] == '0')) return 0;
    long n = 0;
    for (char c : digits) {
      if (c < '0' || c > '9') return 0;
      n = n * 10 + (c - '0');
    }
    return n < kNodesPerRange ? range.first + n : 0;
  }
  return 0;
}

std::string DevDir() {
  const char* dir = std::getenv("ORB42_DEV_DIR");
  return dir != nullptr && *dir != '\0' ? dir : "/dev";
}

}  // namespace

std::string DevicePathForComName(const std::string& name) {
  const long number = ComNumber(name);
  for (const Range& range : kRanges) {
    if (number >= range.first && number < range.first + kNodesPerRange)
      return DevDir() + "/" + range.node + std::to_string(number - range.first);
  }
  return {};
}

// A node's own name alone ("ttyUSB0"); a path to a node of the map in the node directory or in
// /dev (the system's name for it, whatever the directory in use); or a link, or a chain of links,
// that comes to such a path: udev's /dev/serial/by-path/... and by-id/..., which pin a socket or
// a cable. The links are followed one at a time, so that a node directory whose entries are
// themselves links (a simulator's) is recognised by its entries' names.
std::string ComNameForDevicePath(const std::string& path) {
  namespace fs = std::filesystem;
  auto com = [](long number) {
    return number == 0 ? std::string() : kComPrefix + std::to_string(number);
  };
  if (path.empty()) return {};
  if (path.find('/') == std::string::npos) return com(ComNumberOfNode(path));
  std::error_code ec;
  fs::path dir = fs::absolute(fs::path(DevDir()), ec).lexically_normal();
  if (ec) return {};
  if (!dir.has_filename()) dir = dir.parent_path();  // "/dev/" names the same directory
  fs::path node = fs::absolute(fs::path(path), ec).lexically_normal();
  if (ec) return {};
  for (int hop = 0; hop < 16 && node.has_filename(); ++hop) {
    const fs::path parent = node.parent_path();
    if (parent == dir || parent == fs::path("/dev")) {
      if (const long number = ComNumberOfNode(node.filename().string())) return com(number);
    }
    if (!fs::is_symlink(node, ec)) break;
    const fs::path target = fs::read_symlink(node, ec);
    if (ec) break;
    node = (target.is_absolute() ? target : parent / target).lexically_normal();
  }
  return {};
}

}  // namespace platform
