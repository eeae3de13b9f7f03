#pragma once
// The SHA-256 of some bytes, as 64 lower-case hex digits: what sha256sum prints for a firmware
// file. From the system's own library: nettle on Linux, CNG (bcrypt) on Windows.
#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

std::string Sha256Hex(std::string_view bytes);

// Bytes as lower-case hex digits, two a byte.
inline std::string HexOfBytes(const unsigned char* bytes, std::size_t count) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (std::size_t i = 0; i < count; ++i) {
    hex += kDigits[bytes[i] >> 4];
    hex += kDigits[bytes[i] & 15];
  }
  return hex;
}

}  // namespace platform
