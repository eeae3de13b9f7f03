#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "update/FirmwareRecord.h"
#include "update/HexValidate.h"

namespace {

// What the update would write: program words and EEPROM bytes by address, found the way the
// update sequence walks the table (type 1 ends, type 4 is skipped, the rest classed as data).
struct Written {
  std::size_t records = 0;
  bool ended = false;
  std::map<std::uint32_t, std::uint32_t> program;
  std::map<std::uint32_t, std::uint32_t> eeprom;
};

Written Walk(const FirmwareRecord* image) {
  RecordTable table;
  Written out;
  out.records = FillRecordTable(image, table);
  for (std::size_t i = 0; i < out.records && !out.ended; ++i) {
    const DecodedRecord r = DecodeRecord(table[i]);
    if (r.recordType == 1) out.ended = true;
    if (r.recordType == 1 || r.recordType == 4) continue;
    for (std::uint32_t k = 0; k < r.wordCount; ++k) {
      if (r.Class() == AddressClass::ProgramMemory) out.program[r.wordAddress + k] = r.DataWord(k);
      if (r.Class() == AddressClass::Eeprom)
        out.eeprom[EepromCellOf(r.wordAddress) + k] = r.EepromByte(k);
    }
  }
  return out;
}

std::vector<FirmwareRecord> LoadFixture(const std::string& name, std::size_t warnings) {
  std::ifstream in(std::string(ORB42_SOURCE_DIR) + "/tests/fixtures/hex/" + name);
  std::stringstream text;
  text << in.rdbuf();
  const HexCheck check = CheckHexText(text.str());
  EXPECT_TRUE(check.ok) << name << ':' << check.error.line << ": " << check.error.text;
  EXPECT_EQ(check.warnings.size(), warnings) << name;
  return ToSlots(check.records);
}

}  // namespace

TEST(FirmwareImage, HoldsTheRecordsOfFirmware15InSlotsOf55Bytes) {
  EXPECT_EQ(FirmwareImageSlots, 133u);
  EXPECT_EQ(FirmwareImageSlots * sizeof(FirmwareRecord), 7315u);
  for (char c : FirmwareImage[FirmwareImageSlots - 1].text) EXPECT_EQ(c, '\0');

  RecordTable table;
  ASSERT_EQ(FillRecordTable(table), 132u);
  EXPECT_STREQ(table[0], ":100060008A110A12BA298A110A12C1298A110A129E");
  EXPECT_STREQ(table[126], ":043000000034003464");
  EXPECT_STREQ(table[131], ":00000001FF");
  EXPECT_EQ(table[132], nullptr);
  for (std::size_t i = 0; i < 131; ++i) EXPECT_EQ(DecodeRecord(table[i]).recordType, 0u) << i;
}

TEST(FirmwareImage, Writes983ProgramWordsInTwoBlocksAndNoEeprom) {
  const Written w = Walk(FirmwareImage);
  EXPECT_TRUE(w.ended);
  EXPECT_EQ(w.program.size(), 983u);
  EXPECT_TRUE(w.eeprom.empty());
  // Words 0x0030 to 0x03E9 and 0x1800 to 0x181C, every one a 14-bit instruction.
  std::uint32_t expected = 0x0030;
  for (const auto& [address, word] : w.program) {
    if (expected == 0x03EA) expected = 0x1800;
    EXPECT_EQ(address, expected);
    EXPECT_LT(word, 0x4000u) << std::hex << address;
    ++expected;
  }
  EXPECT_EQ(expected, 0x181Du);
}

// The same image rewritten by srec_cat in records of at most 12 bytes, after a type-4 record.
TEST(FirmwareImage, AnImageRewrittenBySrecCatWritesTheSameWords) {
  const std::vector<FirmwareRecord> slots = LoadFixture("srec_cat_obs12.hex", 0);
  const Written w = Walk(slots.data());
  EXPECT_TRUE(w.ended);
  EXPECT_GT(w.records, 132u);
  EXPECT_EQ(w.program, Walk(FirmwareImage).program);
}

// gpasm output for a PIC16: INHX32 with a type-4 record, a reset jump in the loader's words and
// the configuration word (both skipped, with warnings), program code, and EEPROM data at byte
// address 0x4200, one byte per word.
TEST(FirmwareImage, AProgramAssembledByGpasmWritesItsCodeAndEeprom) {
  const std::vector<FirmwareRecord> slots = LoadFixture("gpasm_pic16.hex", 2);
  const Written w = Walk(slots.data());
  EXPECT_TRUE(w.ended);
  const std::map<std::uint32_t, std::uint32_t> program = {
      {0x30, 0x1683}, {0x31, 0x0186}, {0x32, 0x1283}, {0x33, 0x3055}, {0x34, 0x0086},
      {0x35, 0x2038}, {0x36, 0x0086}, {0x37, 0x2835}, {0x38, 0x0782}, {0x39, 0x3401},
      {0x3A, 0x3402}, {0x3B, 0x3404}, {0x3C, 0x3408}, {0x3D, 0x3410}, {0x3E, 0x3420}};
  EXPECT_EQ(w.program, program);
  const std::map<std::uint32_t, std::uint32_t> eeprom = {
      {0, 0x12}, {1, 0x34}, {2, 0x56}, {3, 0x78}};
  EXPECT_EQ(w.eeprom, eeprom);
}
