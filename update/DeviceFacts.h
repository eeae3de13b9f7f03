#pragma once
// What the checks read of a device, as far as they got.
#include <cstdint>
#include <optional>
#include <string>

namespace update {

struct DeviceFacts {
  std::optional<std::string> identity;  // the loader's three characters, as received
  std::optional<std::uint32_t> type;
  std::optional<std::uint32_t> serialNumber;
  std::optional<std::uint32_t> versionMajor, versionMinor;
};

}  // namespace update
