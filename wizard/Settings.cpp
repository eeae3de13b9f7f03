#include "wizard/Settings.h"

#include <optional>

#include "platform/SettingsFile.h"
#include "platform/SystemText.h"
#include "wizard/ProgramError.h"

namespace {

constexpr std::string_view kKey = "Langue";

// Blanks and every control character, as the original trim took them: all bytes up to 0x20.
bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= 0x20;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view ValueOfEntry(std::string_view text) {
  const std::size_t key = text.find(kKey);
  if (key != std::string_view::npos) text.remove_prefix(key);
  text = Trim(text);
  const std::size_t equals = text.find('=');
  const std::size_t semicolon = text.find(';');
  if (semicolon == std::string_view::npos) return {};
  if (equals == std::string_view::npos) return Trim(text.substr(0, semicolon));
  if (semicolon < equals) return {};
  return Trim(text.substr(equals + 1, semicolon - equals - 1));
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Hexadecimal digits up to 0xFFFFFFFF, returned as that 32-bit pattern.
std::optional<std::int32_t> ParseHex(std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : digits) {
    const int digit = HexDigit(c);
    if (digit < 0) return std::nullopt;
    value = value * 16 + static_cast<std::uint64_t>(digit);
    if (value > 0xFFFFFFFFu) return std::nullopt;
  }
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

std::optional<std::int32_t> ParseDecimal(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > limit) return std::nullopt;
  }
  return static_cast<std::int32_t>(negative ? -value : value);
}

std::optional<std::int32_t> ParseInteger(std::string_view text) {
  if (text.size() >= 1 && text.front() == '$') return ParseHex(text.substr(1));
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    return ParseHex(text.substr(2));
  return ParseDecimal(text);
}

}  // namespace

std::int32_t ParseLanguageSetting(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  return ParseInteger(ValueOfEntry(text)).value_or(0);
}

std::string SettingsFilePath() {
  return platform::SettingsFilePath();
}

std::int32_t ReadLanguageSettingFile() {
  const std::string path = platform::SettingsFilePath();
  if (path.empty() || !platform::SettingsFileExists(path)) return 0;
  const std::optional<std::string> head = platform::ReadSettingsFileHead(path);
  // The path is the system's (the ANSI code page on Windows); the error box's text is UTF-8.
  if (!head) throw ProgramError("Cannot open file " + platform::SystemTextToUtf8(path));
  return ParseLanguageSetting(*head);
}
