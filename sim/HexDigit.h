#pragma once
// The loader's hex digits: upper-case ASCII, one byte per nibble, high nibble first.
#include <cstdint>
#include <optional>

namespace sim {

inline std::uint8_t HexDigit(unsigned nibble) {
  nibble &= 0x0F;
  return static_cast<std::uint8_t>(nibble < 10 ? '0' + nibble : 'A' + nibble - 10);
}

// Strict: only '0'-'9' and 'A'-'F' are digits. Anything else is not part of an argument, so the
// loader can take it as the start of a new command.
inline std::optional<unsigned> DigitValue(std::uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return std::nullopt;
}

}  // namespace sim
