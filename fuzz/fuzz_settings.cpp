// The settings-file parser over arbitrary text, and over texts built around a known number so
// that the number read back can be checked: decimal, "$" and "0x" hexadecimal, with blanks and
// control characters around it, any text before the entry and after it.
#include <fuzzer/FuzzedDataProvider.h>

#include <cinttypes>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "wizard/Settings.h"

namespace {

std::string Hex(std::uint32_t value, bool lower) {
  char text[16];
  std::snprintf(text, sizeof text, lower ? "%x" : "%X", value);
  return text;
}

// Blanks and control characters (all bytes 0x01 to 0x20), which the parser trims.
std::string Blanks(FuzzedDataProvider& in) {
  std::string blanks(in.ConsumeIntegralInRange<std::size_t>(0, 3), ' ');
  for (char& c : blanks) c = static_cast<char>(in.ConsumeIntegralInRange<int>(1, 0x20));
  return blanks;
}

// Text that may stand before the entry: no NUL (the text would end there) and no "Langue"
// (the entry would start there).
std::string Prefix(FuzzedDataProvider& in) {
  std::string prefix = in.ConsumeRandomLengthString(64);
  prefix = prefix.substr(0, prefix.find('\0'));
  if (prefix.find("Langue") != std::string::npos) prefix.clear();
  return prefix;
}

std::string Value(std::int32_t number, int form) {
  const auto bits = static_cast<std::uint32_t>(number);
  switch (form) {
    case 0:
      return std::to_string(number);
    case 1:
      return "$" + Hex(bits, false);
    case 2:
      return "0x" + Hex(bits, true);
    case 3:
      return "0X" + Hex(bits, false);
    default:
      return (number >= 0 ? "+" : "") + std::to_string(number);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view raw(reinterpret_cast<const char*>(data), size);
  ParseLanguageSetting(raw);

  FuzzedDataProvider in(data, size);
  const auto number = in.ConsumeIntegral<std::int32_t>();
  const int form = in.ConsumeIntegralInRange<int>(0, 4);
  const std::string prefix = Prefix(in);
  const std::string before = Blanks(in);
  const std::string after = Blanks(in);
  const std::string tail = in.ConsumeRemainingBytesAsString();

  const std::string text = prefix + "Langue=" + before + Value(number, form) + after + ";" + tail;
  const std::int32_t got = ParseLanguageSetting(text);
  FUZZ_CHECK(got == number, "read %" PRId32 " instead of %" PRId32, got, number);

  // A decimal beyond the signed 32-bit range reads as 0.
  const std::int64_t beyond = number < 0 ? static_cast<std::int64_t>(number) - 2147483649LL
                                         : static_cast<std::int64_t>(number) + 2147483648LL;
  const std::string large = prefix + "Langue=" + std::to_string(beyond) + ";" + tail;
  FUZZ_CHECK(ParseLanguageSetting(large) == 0, "out-of-range %" PRId64 " not refused", beyond);
  return 0;
}
