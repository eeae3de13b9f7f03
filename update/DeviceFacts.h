#pragma once
// What the checks read of a device, as far as they got.
#include <cstdint>
#include <optional>
#include <string>

namespace update {

// What the device's version cells hold once the update is over, as far as the program knows.
struct VersionCells {
  enum class Kind {
    Untouched,  // never written: the device keeps the version the checks read
    Written,    // the new version went in: acknowledged cell by cell, or read back
    ReadBack,   // something failed while they were written; a read-back found major.minor
    Unknown,    // something failed while they were written, and they could not be read back
  };
  Kind kind = Kind::Untouched;
  std::uint32_t major = 0, minor = 0;  // Written and ReadBack
};

struct DeviceFacts {
  std::optional<std::string> identity;  // the loader's three characters, as received
  std::optional<std::uint32_t> type;
  std::optional<std::uint32_t> serialNumber;
  std::optional<std::uint32_t> versionMajor, versionMinor;
};

}  // namespace update
