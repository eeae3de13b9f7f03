// Port names on Windows: the link opens "\\.\COMn" itself, and a person names the port "COMn".
#include <cstdlib>
#include <string>

#include "platform/SerialPort.h"

namespace platform {

namespace {

constexpr char kPrefix[] = "\\\\.\\COM";
// The link names at most COM101 (a greater index falls back to COM2).
constexpr long kLastCom = 101;

long ComNumber(const std::string& text, std::size_t from) {
  if (text.size() <= from || text.size() > from + 3) return 0;
  for (std::size_t i = from; i < text.size(); ++i)
    if (text[i] < '0' || text[i] > '9') return 0;
  const long n = std::strtol(text.c_str() + from, nullptr, 10);
  return n >= 1 && n <= kLastCom ? n : 0;
}

}  // namespace

std::string DevicePathForComName(const std::string& name) {
  const std::string prefix = kPrefix;
  if (name.compare(0, prefix.size(), prefix) != 0) return {};
  const long n = ComNumber(name, prefix.size());
  return n > 0 ? "COM" + std::to_string(n) : std::string();
}

std::string ComNameForDevicePath(const std::string& path) {
  const std::string prefix = kPrefix;
  if (path.compare(0, prefix.size(), prefix) != 0) return {};
  const long n = ComNumber(path, prefix.size());
  return n > 0 ? prefix + std::to_string(n) : std::string();
}

}  // namespace platform
