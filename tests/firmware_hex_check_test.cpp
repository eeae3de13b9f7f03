#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/HexWords.h"
#include "update/HexValidate.h"

namespace {

const char* const kEnd = ":00000001FF\n";

// One record with a correct checksum, followed by a line feed.
std::string Rec(unsigned byteAddress, std::vector<unsigned> bytes, unsigned type = 0) {
  return testsupport::HexRecord(byteAddress, bytes, type);
}

std::vector<unsigned> Bytes(unsigned count) {
  return std::vector<unsigned>(count, 0x34);
}

// EEPROM data as files give it: one word per cell, its high byte zero.
std::vector<unsigned> EepromBytes(unsigned count) {
  std::vector<unsigned> bytes(count, 0x00);
  for (unsigned i = 0; i < count; i += 2) bytes[i] = 0x5A;
  return bytes;
}

}  // namespace

TEST(FirmwareHexCheck, RefusesWhatTheWizardWouldWriteWrongly) {
  struct Case {
    const char* fault;
    std::string text;
    std::size_t line;
    const char* message;
  } cases[] = {
      {"bad checksum", ":100060008A110A12BA298A110A12C1298A110A129F\n" + std::string(kEnd), 1,
       "bad checksum"},
      {"byte count above the data", ":06006000003400346200\n" + std::string(kEnd), 1,
       "does not match"},
      {"record of 55 characters", Rec(0x0060, Bytes(22)) + kEnd, 1, "longer than 54"},
      {"lower-case digits", ":100060008a110A12BA298A110A12C1298A110A129E\n" + std::string(kEnd), 1,
       "lower-case"},
      {"missing colon", "100060008A110A12BA298A110A12C1298A110A129E\n" + std::string(kEnd), 1,
       "':'"},
      {"non-hex character", ":0200600000G4AA\n" + std::string(kEnd), 1, "not a hexadecimal"},
      {"type 2", Rec(0x0000, {0x10, 0x00}, 2) + kEnd, 1, "record type 2"},
      {"type 5 start address", Rec(0x0000, {0, 0, 0, 0x60}, 5) + kEnd, 1, "record type 5"},
      {"type-4 upper address 1", Rec(0x0000, {0x00, 0x01}, 4) + Rec(0x0060, Bytes(2)) + kEnd, 1,
       "non-zero upper address"},
      {"odd byte count in program", Rec(0x0060, Bytes(3)) + kEnd, 1, "odd byte count"},
      {"odd address in program", Rec(0x0061, Bytes(2)) + kEnd, 1, "odd"},
      {"odd byte count in EEPROM", Rec(0x4200, {0x05}) + kEnd, 1, "odd"},
      {"loader words into program", Rec(0x005C, Bytes(8)) + kEnd, 1, "leaves its address class"},
      {"program into configuration", Rec(0x3FFC, Bytes(8)) + kEnd, 1, "leaves its address class"},
      {"configuration into EEPROM", Rec(0x41FC, Bytes(8)) + kEnd, 1, "leaves its address class"},
      {"program word 7104 reached", Rec(0x377C, Bytes(6)) + kEnd, 1, "reaches word 7104"},
      {"program word 7104", Rec(0x3780, Bytes(2)) + kEnd, 1, "reaches word 7104"},
      {"EEPROM cell 256 reached", Rec(0x43FE, Bytes(4)) + kEnd, 1, "reaches cell 256"},
      {"EEPROM into serial number", Rec(0x42EC, Bytes(6)) + kEnd, 1, "cells 120 to 127"},
      {"EEPROM version cell", Rec(0x42FE, Bytes(2)) + kEnd, 1, "cells 120 to 127"},
      {"EEPROM word with a high byte", ":0242000012ABFF\n" + std::string(kEnd), 1,
       "high byte 0xAB"},
      {"EEPROM high byte in a later word", Rec(0x4210, {0x01, 0x00, 0x02, 0x01}) + kEnd, 1,
       "EEPROM word at 0x4212"},
      {"no end record", Rec(0x0060, Bytes(2)), 1, "no end record"},
      {"empty file", "", 0, "no end record"},
      {"record after the end", kEnd + Rec(0x0060, Bytes(2)), 2, "after the end record"},
      {"blank line inside", Rec(0x0060, Bytes(2)) + "\n" + kEnd, 2, "blank line"},
      {"end record with data", Rec(0x0000, Bytes(2), 1), 1, "end record with data"},
      // Written, these would store version 1.5 over the old firmware.
      {"only the end record", kEnd, 0, "no program data"},
      {"only the loader's own words", Rec(0x0000, {0x30, 0x28}) + kEnd, 0, "no program data"},
      {"only configuration words", Rec(0x400E, {0x70, 0x3F}) + kEnd, 0, "no program data"},
      {"only EEPROM data", Rec(0x4200, EepromBytes(4)) + kEnd, 0, "no program data"},
      {"a program record without data", Rec(0x0100, {}) + kEnd, 0, "no program data"},
      // The device would keep the later value: not the image that was checked.
      {"program word written again with another value",
       Rec(0x0060, {0x01, 0x02, 0x03, 0x04}) + Rec(0x4200, EepromBytes(2)) +
           Rec(0x0062, {0x03, 0x05}) + kEnd,
       3, "program word 49 is written twice with different values: 0x0503 here, 0x0403 on line 1"},
      {"EEPROM cell written again with another value",
       Rec(0x4200, EepromBytes(4)) + Rec(0x0060, Bytes(2)) + Rec(0x4202, {0x11, 0x00}) + kEnd, 3,
       "EEPROM cell 1 is written twice with different values: 0x11 here, 0x5A on line 1"},
  };
  for (const Case& c : cases) {
    const HexCheck check = CheckHexText(c.text);
    EXPECT_FALSE(check.ok) << c.fault;
    EXPECT_EQ(check.error.line, c.line) << c.fault;
    EXPECT_NE(check.error.text.find(c.message), std::string::npos)
        << c.fault << ": " << check.error.text;
  }
}

TEST(FirmwareHexCheck, AcceptsTheEdgesOfEveryRule) {
  const std::string text = Rec(0x0000, {0x00, 0x00}, 4) +  // upper address 0
                           Rec(0x0060, Bytes(16)) +        // first program word
                           Rec(0x377E, Bytes(2)) +         // program word 7103
                           Rec(0x4200, EepromBytes(20)) +  // EEPROM cells 0 to 9
                           Rec(0x42EC, EepromBytes(4)) +   // cells 118 and 119
                           Rec(0x4300, EepromBytes(2)) +   // cell 128
                           Rec(0x43FE, EepromBytes(2)) +   // cell 255
                           Rec(0x0100, {}) +               // no data
                           kEnd;
  const HexCheck check = CheckHexText(text);
  ASSERT_TRUE(check.ok) << check.error.line << ": " << check.error.text;
  EXPECT_EQ(check.records.size(), 9u);
  EXPECT_TRUE(check.warnings.empty());
}

// A word or a cell written again with the value it has already is harmless: accepted, and
// counted once. The range of program words is the lowest and the highest written, whatever the
// order of the records and the gaps between them.
TEST(FirmwareHexCheck, CountsEachWordAndCellOnceAndTheRangeAcrossGaps) {
  const HexCheck check =
      CheckHexText(Rec(0x0258, {0x12, 0x34}) +              // word 300
                   Rec(0x0080, {0x01, 0x02, 0x03, 0x04}) +  // words 64 and 65
                   Rec(0x0080, {0x01, 0x02}) +              // word 64 again, the same value
                   Rec(0x00A0, {0x05, 0x06}) +              // word 80
                   Rec(0x4200, {0x07, 0x00, 0x08, 0x00, 0x09, 0x00}) +  // cells 0 to 2
                   Rec(0x4202, {0x08, 0x00}) +  // cell 1 again, the same value
                   kEnd);
  ASSERT_TRUE(check.ok) << check.error.line << ": " << check.error.text;
  EXPECT_EQ(check.records.size(), 7u);
  EXPECT_EQ(check.programWords, 4u);
  EXPECT_EQ(check.firstProgramWord, 64u);
  EXPECT_EQ(check.lastProgramWord, 300u);
  EXPECT_EQ(check.eepromCells, 3u);
}

// A file saved with a byte-order mark (as some Windows editors do) is the same firmware. A
// character that has no place in a record is named, with its column; one that would not show
// (a control character, a byte that is no UTF-8, a byte-order mark inside the file) as its bytes.
TEST(FirmwareHexCheck, AcceptsAByteOrderMarkAndNamesABadCharacterWithItsColumn) {
  const HexCheck marked = CheckHexText("\xEF\xBB\xBF:0200600000346A\r\n:00000001FF\r\n");
  ASSERT_TRUE(marked.ok) << marked.error.text;
  EXPECT_EQ(marked.records.front(), ":0200600000346A");
  const struct {
    std::string line;
    std::size_t column;
    std::string text;
  } cases[] = {
      {":0200600000G4AA", 12, "character 'G' is not a hexadecimal digit"},
      {":02006000\xC3\xA9"
       "0346A",
       10, "character '\xC3\xA9' is not a hexadecimal digit"},
      {":0200\x07"
       "0600000346A",
       6, "character '\\x07' is not a hexadecimal digit"},
      {":0200600000 346A", 12, "character ' ' is not a hexadecimal digit"},
      {":02006000\xFF"
       "0346A",
       10, "character '\\xFF' is not a hexadecimal digit"},
      {":0200600000346a", 15, "lower-case hexadecimal digit 'a'"},
      {"\xEF\xBB\xBF:0200600000346A", 1,
       "record does not start with ':' but with '\\xEF\\xBB\\xBF'"},
  };
  for (const auto& c : cases) {
    const HexCheck check = CheckHexText(Rec(0x0062, {0x00, 0x34}) + c.line + "\n" + kEnd);
    EXPECT_FALSE(check.ok) << c.line;
    EXPECT_EQ(check.error.line, 2u) << c.line;
    EXPECT_EQ(check.error.column, c.column) << c.line;
    EXPECT_EQ(check.error.text.rfind(c.text, 0), 0u) << c.line << ": " << check.error.text;
    EXPECT_EQ(HexMessageLine("in.hex", check.error, "error"),
              "in.hex:2:" + std::to_string(c.column) + ": error: " + check.error.text);
  }
}

TEST(FirmwareHexCheck, AcceptsCrLfAndBlankLinesAfterTheEnd) {
  const HexCheck check = CheckHexText(":0200600000346A\r\n:00000001FF\r\n\r\n\n");
  ASSERT_TRUE(check.ok) << check.error.text;
  ASSERT_EQ(check.records.size(), 2u);
  EXPECT_EQ(check.records[0], ":0200600000346A");
  EXPECT_EQ(check.records[1], ":00000001FF");
}

TEST(FirmwareHexCheck, WarnsForDataTheWizardSkips) {
  // A reset jump in the loader's words and a configuration word, as assemblers emit them.
  const HexCheck check = CheckHexText(Rec(0x0000, {0x30, 0x28}) + Rec(0x0060, Bytes(4)) +
                                      Rec(0x400E, {0x70, 0x3F}) + Rec(0x005F, {1}) + kEnd);
  ASSERT_TRUE(check.ok) << check.error.text;
  ASSERT_EQ(check.warnings.size(), 3u);
  EXPECT_EQ(check.warnings[0].line, 1u);
  EXPECT_EQ(check.warnings[1].line, 3u);
  EXPECT_NE(check.warnings[1].text.find("configuration"), std::string::npos);
  EXPECT_EQ(check.warnings[2].line, 4u);
}

TEST(FirmwareHexCheck, RefusesMoreThan2000Records) {
  std::string text;
  for (unsigned i = 0; i < kMaxFirmwareRecords - 1; ++i)
    text += Rec(0x0060 + 2 * (i % 7000), {1, 2});
  EXPECT_TRUE(CheckHexText(text + kEnd).ok);
  const HexCheck check = CheckHexText(text + Rec(0x0060, {1, 2}) + kEnd);
  EXPECT_FALSE(check.ok);
  EXPECT_EQ(check.error.line, kMaxFirmwareRecords + 1);
  EXPECT_NE(check.error.text.find("more than 2000"), std::string::npos);
}

TEST(FirmwareHexCheck, SlotsAreNulPaddedAndClosedByAnEmptySlot) {
  const std::vector<FirmwareRecord> slots = ToSlots({":0200600000346A", ":00000001FF"});
  ASSERT_EQ(slots.size(), 3u);
  EXPECT_STREQ(slots[0].text, ":0200600000346A");
  for (std::size_t i = 15; i < kFirmwareSlotSize; ++i) EXPECT_EQ(slots[0].text[i], '\0');
  for (char c : slots[2].text) EXPECT_EQ(c, '\0');
}

// The build's own tool: a refused file fails with its name and line and leaves no table.
TEST(FirmwareHexTool, RefusesABadFileAndBuildsAGoodOne) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("orb42_hex2table_" + std::to_string(getpid()));
  fs::create_directories(dir);
  const fs::path tool = fs::path(ORB42_BINARY_DIR) / "update" / "orb42_hex2table";
  const auto run = [&](const std::string& hex, std::string& messages) {
    std::ofstream(dir / "in.hex") << hex;
    const std::string command = tool.string() + " " + (dir / "in.hex").string() + " " +
                                (dir / "out.cpp").string() + " 2>" + (dir / "err.txt").string();
    const int status = std::system(command.c_str());
    std::stringstream err;
    err << std::ifstream(dir / "err.txt").rdbuf();
    messages = err.str();
    return status;
  };
  std::string messages;
  EXPECT_NE(run(Rec(0x0060, Bytes(2)) + ":020062000034A7\n" + kEnd, messages), 0);
  EXPECT_NE(messages.find("in.hex:2: error: bad checksum"), std::string::npos) << messages;
  EXPECT_FALSE(fs::exists(dir / "out.cpp"));
  EXPECT_NE(run(Rec(0x400E, {0x70, 0x3F}) + kEnd, messages), 0);
  EXPECT_NE(messages.find("in.hex: error: no program data"), std::string::npos) << messages;
  EXPECT_FALSE(fs::exists(dir / "out.cpp"));

  EXPECT_EQ(run(Rec(0x400E, {0x70, 0x3F}) + Rec(0x0060, Bytes(2)) + kEnd, messages), 0);
  EXPECT_NE(messages.find("in.hex:1: warning:"), std::string::npos) << messages;
  std::stringstream table;
  table << std::ifstream(dir / "out.cpp").rdbuf();
  EXPECT_NE(table.str().find("const std::size_t FirmwareImageSlots = 4;"), std::string::npos);
  fs::remove_all(dir);
}
