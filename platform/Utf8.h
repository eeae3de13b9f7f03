#pragma once
// UTF-8 read a character at a time, for the program's own texts and for what comes from outside
// (names, files): header only, so that the build's own tools use it too.
#include <cstddef>
#include <string_view>

namespace platform {

// The length of the UTF-8 sequence that starts text[i] and its code point, or 0 when it is not a
// valid one (a stray continuation byte, a sequence cut short, an overlong form, a surrogate).
inline std::size_t Utf8Sequence(std::string_view text, std::size_t i, char32_t& code) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  const std::size_t length = lead < 0x80                   ? 1
                             : lead >= 0xC2 && lead < 0xE0 ? 2
                             : lead >= 0xE0 && lead < 0xF0 ? 3
                             : lead >= 0xF0 && lead < 0xF5 ? 4
                                                           : 0;
  if (length == 0 || i + length > text.size()) return 0;
  code = length == 1 ? lead : lead & (0xFF >> (length + 1));
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(i + k) & 0x3F);
  }
  const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

}  // namespace platform
