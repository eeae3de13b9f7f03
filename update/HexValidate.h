#pragma once
// The build-time check of a firmware HEX file. The wizard trusts its embedded table (no
// checksum test, only upper-case digits decode, unknown record types count as data, the
// upper address of a type-4 record is not applied, a record is classed by its first word), so
// everything it would write wrongly is refused here, before the table exists.
//
// Accepted: one record per line, LF or CRLF line ends, types 0 (data), 1 (end) and 4 (upper
// address 0000), the end record last, then only blank lines, and at least one program word. Data in
// the classes the wizard skips (words 0 to 47, the configuration words at byte addresses 0x4000 to
// 0x41FF) is accepted with a warning, since assemblers always emit the configuration.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "update/FirmwareImage.h"

inline constexpr std::size_t kMaxFirmwareRecords = 2000;

struct HexMessage {
  std::size_t line = 0;  // 1-based; 0 for the file as a whole
  std::string text;
};

struct HexCheck {
  std::vector<std::string> records;  // accepted record texts, end record included
  std::vector<HexMessage> warnings;
  std::size_t programWords = 0;  // program words (48 to 7103) that the image writes
  std::uint32_t firstProgramWord = 0, lastProgramWord = 0;  // of those, when there are some
  std::size_t eepromCells = 0;                              // EEPROM cells that it writes
  bool ok = false;
  HexMessage error;  // the first fault found, when !ok
};

// Checks the whole file text; stops at the first fault. An image without a program word to
// write is a fault of the file as a whole (line 0).
HexCheck CheckHexText(std::string_view text);

// "FILE:LINE: error: text", or "FILE: error: text" for the file as a whole; kind is "error" or
// "warning".
std::string HexMessageLine(const std::string& path, const HexMessage& message, const char* kind);

// The table of slots for accepted records, closed by the all-zero slot.
std::vector<FirmwareRecord> ToSlots(const std::vector<std::string>& records);
