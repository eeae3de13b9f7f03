// From the Windows port name that the link formats to a device node. The map is fixed, so a COM
// number keeps naming the same node while other devices come and go.
#include <cstdlib>
#include <string>

#include "platform/SerialPort.h"

namespace platform {

namespace {

constexpr char kComPrefix[] = "\\\\.\\COM";

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

std::string DevDir() {
  const char* dir = std::getenv("ORB42_DEV_DIR");
  return dir != nullptr && *dir != '\0' ? dir : "/dev";
}

}  // namespace

std::string DevicePathForComName(const std::string& name) {
  struct Range {
    long first;
    const char* node;
  };
  static constexpr Range kRanges[] = {{1, "ttyS"}, {33, "ttyUSB"}, {65, "ttyACM"}};
  const long number = ComNumber(name);
  for (const Range& range : kRanges) {
    if (number >= range.first && number < range.first + 32)
      return DevDir() + "/" + range.node + std::to_string(number - range.first);
  }
  return {};
}

}  // namespace platform
