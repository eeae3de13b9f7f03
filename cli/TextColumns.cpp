#include "cli/TextColumns.h"

#include <algorithm>
#include <iterator>

#include "platform/Utf8.h"

namespace flash {

namespace {

struct Range {
  char32_t first, last;
};

// The same table on both systems: glibc's wcwidth() depends on the locale (a program started
// under LANG=C would measure "é" as -1), and Windows has none. The ranges are Unicode's East
// Asian Wide and Fullwidth characters (CJK, kana, Hangul, fullwidth forms, emoji) and the
// combining marks of Latin, Greek, Cyrillic, Hebrew, Arabic and Thai text with the joiners and
// direction marks: what a port name, a file name or a program's name may bring. The marks of the
// Indic and other scripts are left out (one column each here, none for glibc); the tests hold the
// table against glibc's wcwidth() under C.UTF-8 on the characters they try.
constexpr Range kNoColumn[] = {
    {0x0300, 0x036F}, {0x0483, 0x0489},   {0x0591, 0x05BD}, {0x05BF, 0x05BF}, {0x05C1, 0x05C2},
    {0x05C4, 0x05C5}, {0x05C7, 0x05C7},   {0x0610, 0x061A}, {0x061C, 0x061C}, {0x064B, 0x065F},
    {0x0670, 0x0670}, {0x06D6, 0x06DC},   {0x06DF, 0x06E4}, {0x06E7, 0x06E8}, {0x06EA, 0x06ED},
    {0x0E31, 0x0E31}, {0x0E34, 0x0E3A},   {0x0E47, 0x0E4E}, {0x1160, 0x11FF}, {0x1AB0, 0x1AFF},
    {0x1DC0, 0x1DFF}, {0x200B, 0x200F},   {0x202A, 0x202E}, {0x2060, 0x2064}, {0x2066, 0x206F},
    {0x20D0, 0x20F0}, {0x302A, 0x302D},   {0x3099, 0x309A}, {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F},
    {0xFEFF, 0xFEFF}, {0xE0100, 0xE01EF},
};

constexpr Range kTwoColumns[] = {
    {0x1100, 0x115F},   {0x231A, 0x231B},   {0x2329, 0x232A},   {0x23E9, 0x23EC},
    {0x23F0, 0x23F0},   {0x23F3, 0x23F3},   {0x25FD, 0x25FE},   {0x2614, 0x2615},
    {0x2648, 0x2653},   {0x267F, 0x267F},   {0x2693, 0x2693},   {0x26A1, 0x26A1},
    {0x26AA, 0x26AB},   {0x26BD, 0x26BE},   {0x26C4, 0x26C5},   {0x26CE, 0x26CE},
    {0x26D4, 0x26D4},   {0x26EA, 0x26EA},   {0x26F2, 0x26F3},   {0x26F5, 0x26F5},
    {0x26FA, 0x26FA},   {0x26FD, 0x26FD},   {0x2705, 0x2705},   {0x270A, 0x270B},
    {0x2728, 0x2728},   {0x274C, 0x274C},   {0x274E, 0x274E},   {0x2753, 0x2755},
    {0x2757, 0x2757},   {0x2795, 0x2797},   {0x27B0, 0x27B0},   {0x27BF, 0x27BF},
    {0x2B1B, 0x2B1C},   {0x2B50, 0x2B50},   {0x2B55, 0x2B55},   {0x2E80, 0x303E},
    {0x3041, 0x33FF},   {0x3400, 0x4DBF},   {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},
    {0xA960, 0xA97F},   {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},   {0xFE10, 0xFE19},
    {0xFE30, 0xFE6F},   {0xFF00, 0xFF60},   {0xFFE0, 0xFFE6},   {0x16FE0, 0x16FE4},
    {0x17000, 0x18CFF}, {0x1B000, 0x1B2FF}, {0x1F004, 0x1F004}, {0x1F0CF, 0x1F0CF},
    {0x1F18E, 0x1F18E}, {0x1F191, 0x1F19A}, {0x1F200, 0x1F202}, {0x1F210, 0x1F23B},
    {0x1F240, 0x1F248}, {0x1F250, 0x1F251}, {0x1F260, 0x1F265}, {0x1F300, 0x1F320},
    {0x1F32D, 0x1F335}, {0x1F337, 0x1F37C}, {0x1F37E, 0x1F393}, {0x1F3A0, 0x1F3CA},
    {0x1F3CF, 0x1F3D3}, {0x1F3E0, 0x1F3F0}, {0x1F3F4, 0x1F3F4}, {0x1F3F8, 0x1F43E},
    {0x1F440, 0x1F440}, {0x1F442, 0x1F4FC}, {0x1F4FF, 0x1F53D}, {0x1F54B, 0x1F54E},
    {0x1F550, 0x1F567}, {0x1F57A, 0x1F57A}, {0x1F595, 0x1F596}, {0x1F5A4, 0x1F5A4},
    {0x1F5FB, 0x1F64F}, {0x1F680, 0x1F6C5}, {0x1F6CC, 0x1F6CC}, {0x1F6D0, 0x1F6D2},
    {0x1F6D5, 0x1F6D7}, {0x1F6EB, 0x1F6EC}, {0x1F6F4, 0x1F6FC}, {0x1F7E0, 0x1F7EB},
    {0x1F90C, 0x1F93A}, {0x1F93C, 0x1F945}, {0x1F947, 0x1F9FF}, {0x1FA70, 0x1FAFF},
    {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD},
};

template <std::size_t N>
bool In(const Range (&table)[N], char32_t code) {
  const auto after = std::upper_bound(std::begin(table), std::end(table), code,
                                      [](char32_t c, const Range& r) { return c < r.first; });
  return after != std::begin(table) && code <= std::prev(after)->last;
}

// The next character of text from byte i: its length in bytes (a bad byte alone) and columns.
std::size_t Next(std::string_view text, std::size_t i, std::size_t& columns) {
  char32_t code = 0;
  const std::size_t length = platform::Utf8Sequence(text, i, code);
  columns = length == 0 ? 1 : CharacterColumns(code);
  return length == 0 ? 1 : length;
}

}  // namespace

std::size_t CharacterColumns(char32_t code) {
  if (code < 0x20 || (code >= 0x7F && code < 0xA0)) return 0;  // controls draw nothing
  if (code < 0x300) return 1;
  if (In(kNoColumn, code)) return 0;
  return In(kTwoColumns, code) ? 2 : 1;
}

std::size_t Columns(std::string_view text) {
  std::size_t total = 0;
  for (std::size_t i = 0, columns = 0; i < text.size(); total += columns)
    i += Next(text, i, columns);
  return total;
}

std::string CutToColumns(std::string_view text, std::size_t columns) {
  std::size_t used = 0, i = 0;
  while (i < text.size()) {
    std::size_t width = 0;
    const std::size_t length = Next(text, i, width);
    if (used + width > columns) break;
    used += width;
    i += length;
  }
  return std::string(text.substr(0, i));
}

std::string PadToColumns(std::string_view text, std::size_t columns) {
  const std::size_t width = Columns(text);
  std::string out(text);
  if (width < columns) out.append(columns - width, ' ');
  return out;
}

std::string Printable(const std::string& raw) {
  std::string out;
  for (unsigned char c : raw) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      out += escaped;
    }
  }
  return out;
}

namespace {

bool Hidden(char32_t code) {
  return code < 0x20 || (code >= 0x7F && code <= 0x9F) || code == 0x061C ||
         (code >= 0x200E && code <= 0x200F) || (code >= 0x2028 && code <= 0x202E) ||
         (code >= 0x2066 && code <= 0x2069);
}

}  // namespace

std::string Shown(const std::string& raw) {
  std::string out;
  for (std::size_t i = 0; i < raw.size();) {
    char32_t code = 0;
    const std::size_t length = platform::Utf8Sequence(raw, i, code);
    if (length > 0 && !Hidden(code)) {
      out.append(raw, i, length);
      i += length;
      continue;
    }
    const std::size_t bad = length > 0 ? length : 1;
    for (std::size_t k = 0; k < bad; ++k) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(raw[i + k]));
      out += escaped;
    }
    i += bad;
  }
  return out;
}

}  // namespace flash
