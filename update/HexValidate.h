#pragma once
// The build-time check of a firmware HEX file. The wizard trusts its embedded table (no
// checksum test, only upper-case digits decode, unknown record types count as data, the
// upper address of a type-4 record is not applied, a record is classed by its first word), so
// everything it would write wrongly is refused here, before the table exists.
//
// Accepted: one record per line, LF or CRLF line ends, a UTF-8 byte-order mark before the first
// (as some editors save), types 0 (data), 1 (end) and 4 (upper address 0000), the end record
// last, then only blank lines, and at least one program word. Data in the classes the wizard
// skips (words 0 to 47, the configuration words at byte addresses 0x4000 to 0x41FF) is accepted
// with a warning, since assemblers always emit the configuration. A program word or an EEPROM
// cell written by two records must get the same value from both: the device would keep the
// later one, and the image would not be the one that was checked.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "update/FirmwareImage.h"

inline constexpr std::size_t kMaxFirmwareRecords = 2000;

// What a message says. Its values are listed in the order HexFaultEnglish() names them {0},
// {1}, ...: numbers and characters as a message shows them ("0x0060", "48", "G").
enum class HexFault {
  // Errors: the file is refused.
  NoColon,              // {0} the character found instead
  RecordTooLong,        // {0} the most, {1} the record's length
  LowerCaseDigit,       // {0} the digit
  NotHexDigit,          // {0} the character (a byte that is no UTF-8 as \xNN)
  RecordTooShortOrOdd,  //
  ByteCountMismatch,    // {0} the byte count
  BadChecksum,          //
  RecordType,           // {0} the type
  EndRecordWithData,    //
  UpperAddressSize,     //
  UpperAddressNotZero,  //
  LeavesAddressClass,   // {0} the record's byte address, {1} {2} its first and last word
  OddData,              // {0} the byte address, {1} the byte count
  ProgramBeyondLoader,  // {0} the word reached, {1} {2} the loader's range
  EepromBeyondEnd,      // {0} the cell reached, {1} the EEPROM's size
  EepromOverIdentity,   // {0} {1} the identity cells
  EepromHighByte,       // {0} the byte address of the word, {1} its high byte
  ProgramWordTwice,     // {0} the word, {1} its value here, {2} the other value, {3} its line
  EepromCellTwice,      // {0} the cell, {1} its value here, {2} the other value, {3} its line
  TextAfterEnd,         //
  BlankLine,            //
  TooManyRecords,       // {0} the most
  NoEndRecord,          //
  NoProgramData,        // {0} {1} the loader's range of program words
  // Warnings: data the wizard skips.
  SkippedLoaderWords,    // {0} the record's byte address
  SkippedConfiguration,  // {0} the record's byte address
};

struct HexMessage {
  std::size_t line = 0;    // 1-based; 0 for the file as a whole
  std::size_t column = 0;  // 1-based, in characters; 0 when the line as a whole is meant
  HexFault fault = HexFault::NoEndRecord;
  std::vector<std::string> values;
  std::string text;  // in English: the build's own words (HexFaultEnglish with the values)
};

struct HexCheck {
  std::vector<std::string> records;  // accepted record texts, end record included
  std::vector<HexMessage> warnings;
  std::size_t programWords = 0;  // distinct program words (48 to 7103) that the image writes
  std::uint32_t firstProgramWord = 0, lastProgramWord = 0;  // of those, when there are some
  std::size_t eepromCells = 0;                              // distinct EEPROM cells that it writes
  bool ok = false;
  HexMessage error;  // the first fault found, when !ok
};

// Checks the whole file text; stops at the first fault. An image without a program word to
// write is a fault of the file as a whole (line 0).
HexCheck CheckHexText(std::string_view text);

// The English wording of a fault, "{N}" standing for its N-th value. orb42-flash words the same
// values in the user's language.
const char* HexFaultEnglish(HexFault fault);

// "FILE:LINE: error: text", "FILE:LINE:COLUMN: error: text" for a character, or "FILE: error:
// text" for the file as a whole; kind is "error" or "warning".
std::string HexMessageLine(const std::string& path, const HexMessage& message, const char* kind);

// Where a message is: "FILE", "FILE:LINE" or "FILE:LINE:COLUMN".
std::string HexMessagePlace(const std::string& path, const HexMessage& message);

// The table of slots for accepted records, closed by the all-zero slot.
std::vector<FirmwareRecord> ToSlots(const std::vector<std::string>& records);
