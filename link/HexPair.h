#pragma once
// The loader's numbers travel as pairs of ASCII hex digits, and the firmware's records are text
// of the same digits: one decoder for both, below the link and the firmware decoding alike.
#include <cstdint>

namespace loader {

// Each character counts as c - '0' up to '9' and as c - 55 above it, with no validation: only
// 0-9 and upper-case A-F give the digits 0 to 15.
constexpr std::uint32_t DecodeHexPair(std::uint32_t high, std::uint32_t low) {
  auto digit = [](std::uint32_t c) { return c <= 0x39u ? c - 0x30u : c - 0x37u; };
  return 16u * digit(high) + digit(low);
}

}  // namespace loader
