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

std::string ComNameForDevicePath(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path node = fs::absolute(fs::path(path), ec).lexically_normal();
  if (ec || !node.has_filename()) return {};
  fs::path dir = fs::absolute(fs::path(DevDir()), ec).lexically_normal();
  if (ec) return {};
  if (!dir.has_filename()) dir = dir.parent_path();  // "/dev/" names the same directory
  if (node.parent_path() != dir) return {};
  const long number = ComNumberOfNode(node.filename().string());
  return number == 0 ? std::string() : kComPrefix + std::to_string(number);
}

}  // namespace platform
