// The registry's map of serial devices, read-only: RegOpenKeyExA, RegQueryInfoKeyA,
// RegEnumValueA, RegQueryValueExA, RegCloseKey.
#include <windows.h>

#include "platform/SerialDeviceMap.h"
#include "platform/SystemText.h"

namespace platform {
namespace {

// Under HKEY_LOCAL_MACHINE. The registry calls take subkeys relative to the root they are given,
// without a leading backslash.
constexpr const char* kSerialCommKey = "HARDWARE\\DEVICEMAP\\SERIALCOMM";

// Closes the key whatever way the reading ends.
class OpenKey {
 public:
  OpenKey() = default;
  ~OpenKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  HKEY* out() { return &key_; }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

// The names of all values, in the registry's enumeration order.
std::vector<std::string> ValueNames(HKEY key) {
  DWORD count = 0;
  DWORD longestName = 0;
  if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                       &longestName, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    return {};
  std::vector<std::string> names;
  std::string name(longestName + 1, '\0');
  for (DWORD i = 0; i < count; ++i) {
    DWORD length = static_cast<DWORD>(name.size());
    // A value removed since the count was taken ends the list early.
    if (RegEnumValueA(key, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    names.emplace_back(name.data(), length);
  }
  return names;
}

// The string data of one value, without its terminating NUL(s); std::nullopt when the value is
// gone or does not hold a string.
std::optional<std::string> StringData(HKEY key, const std::string& name) {
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    return std::nullopt;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
  std::string data(size + 1, '\0');
  if (RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                       &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return std::nullopt;
  data.resize(size);
  // The stored size may or may not count a terminator; the name ends at the first NUL.
  data.resize(data.find('\0') == std::string::npos ? data.size() : data.find('\0'));
  return data;
}

}  // namespace

// A value whose data is not a string (a number, binary data) names no port the wizard could
// open: it is skipped, as if the driver had not written it.
std::optional<std::vector<RegistryValue>> ReadSerialDeviceMap() {
  OpenKey key;
  const LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSerialCommKey, 0, KEY_READ, key.out());
  if (opened == ERROR_FILE_NOT_FOUND) return std::nullopt;
  std::vector<RegistryValue> values;
  if (opened != ERROR_SUCCESS) return values;  // there, but not for us to read: no values
  for (std::string& name : ValueNames(key.get())) {
    // Read with the names as the registry gave them; handed on in UTF-8, the encoding of the
    // list's entries (a driver's name is ASCII, but nothing stops one from being otherwise).
    std::optional<std::string> data = StringData(key.get(), name);
    if (data) values.push_back({SystemTextToUtf8(name), SystemTextToUtf8(*data)});
  }
  return values;
}

std::string SerialDeviceMapSource() {
  return std::string("HKEY_LOCAL_MACHINE\\") + kSerialCommKey;
}

}  // namespace platform
