#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "update/FirmwareRecord.h"

namespace {

// A data record with a correct checksum.
std::string DataRecord(unsigned byteAddress, std::vector<unsigned> bytes, unsigned type = 0) {
  unsigned sum = bytes.size() + (byteAddress >> 8) + (byteAddress & 0xFF) + type;
  char head[16];
  std::snprintf(head, sizeof head, ":%02X%04X%02X", static_cast<unsigned>(bytes.size()),
                byteAddress, type);
  std::string text = head;
  for (unsigned b : bytes) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02X", b);
    text += pair;
    sum += b;
  }
  char check[3];
  std::snprintf(check, sizeof check, "%02X", (256 - sum % 256) % 256);
  return text + check;
}

FirmwareRecord Slot(const std::string& text) {
  FirmwareRecord slot{};
  text.copy(slot.text, kFirmwareRecordMaxChars);
  return slot;
}

}  // namespace

TEST(DecodeRecord, EndRecordIsTypeOneWithoutData) {
  const DecodedRecord r = DecodeRecord(":00000001FF");
  EXPECT_EQ(r.byteCount, 0u);
  EXPECT_EQ(r.wordCount, 0u);
  EXPECT_EQ(r.wordAddress, 0u);
  EXPECT_EQ(r.recordType, 1u);
}

TEST(DecodeRecord, ByteAddressGivesWordAddressAndClass) {
  struct Case {
    unsigned byteAddress;
    std::uint32_t word;
    AddressClass cls;
  } cases[] = {
      {0x005E, 47, AddressClass::Skipped},         {0x0060, 48, AddressClass::ProgramMemory},
      {0x3FFE, 8191, AddressClass::ProgramMemory}, {0x4000, 8192, AddressClass::Skipped},
      {0x41FE, 8447, AddressClass::Skipped},       {0x4200, 8448, AddressClass::Eeprom},
      {0x4202, 8449, AddressClass::Eeprom}};
  for (const Case& c : cases) {
    const std::string text = DataRecord(c.byteAddress, {0x12, 0x00});
    const DecodedRecord r = DecodeRecord(text.c_str());
    EXPECT_EQ(r.wordAddress, c.word) << std::hex << c.byteAddress;
    EXPECT_EQ(r.Class(), c.cls) << std::hex << c.byteAddress;
  }
  // Every EEPROM byte takes a whole word of the image.
  EXPECT_EQ(EepromCellOf(8448), 0u);
  EXPECT_EQ(EepromCellOf(8449), 1u);
}

TEST(DecodeRecord, WordsAreLowByteFirstAndAnOddLastByteIsIgnored) {
  const DecodedRecord row0 = DecodeRecord(":100060008A110A12BA298A110A12C1298A110A129E");
  EXPECT_EQ(row0.byteCount, 16u);
  EXPECT_EQ(row0.wordCount, 8u);
  const std::uint32_t expected[] = {0x118A, 0x120A, 0x29BA, 0x118A, 0x120A, 0x29C1, 0x118A, 0x120A};
  for (std::uint32_t k = 0; k < 8; ++k) EXPECT_EQ(row0.DataWord(k), expected[k]) << k;

  const DecodedRecord row126 = DecodeRecord(":043000000034003464");
  EXPECT_EQ(row126.wordCount, 2u);
  EXPECT_EQ(row126.wordAddress, 0x1800u);
  EXPECT_EQ(row126.DataWord(0), 0x3400u);
  EXPECT_EQ(row126.DataWord(1), 0x3400u);

  const std::string oddText = DataRecord(0x0060, {0x01, 0x30, 0x7F});
  const DecodedRecord odd = DecodeRecord(oddText.c_str());
  EXPECT_EQ(odd.byteCount, 3u);
  EXPECT_EQ(odd.wordCount, 1u);
  EXPECT_EQ(odd.DataWord(0), 0x3001u);

  const std::string eepromText = DataRecord(0x4204, {0xA5, 0x00, 0x3C, 0x00});
  const DecodedRecord eeprom = DecodeRecord(eepromText.c_str());
  EXPECT_EQ(eeprom.EepromByte(0), 0xA5u);
  EXPECT_EQ(eeprom.EepromByte(1), 0x3Cu);
}

TEST(DecodeRecord, ByteCountLongerThanTheTextReadsZerosNotTheNextSlot) {
  // A 0xFF byte count on a header and checksum: the checksum digits are read as the low byte
  // of word 0, as the trusted decoding does, but words past the text decode as 0 and nothing
  // beyond the record's own slot is read (the sanitizer build catches a read past the slot).
  auto slot = std::make_unique<FirmwareRecord>(Slot(":FF006000A1"));
  const DecodedRecord r = DecodeRecord(slot->text);
  EXPECT_EQ(r.wordCount, 127u);
  EXPECT_EQ(r.DataWord(0), 0xA1u);
  EXPECT_EQ(r.DataWord(1), 0u);
  EXPECT_EQ(r.DataWord(126), 0u);
}

TEST(FillRecordTable, IndexesRecordsInPlaceUpToTheEmptySlot) {
  std::vector<FirmwareRecord> image = {Slot(":020060000034"), Slot(":00000001FF"), Slot(""),
                                       Slot(":020070000034")};
  RecordTable table;
  table.fill(image[3].text);
  EXPECT_EQ(FillRecordTable(image.data(), table), 2u);
  EXPECT_EQ(table[0], image[0].text);
  EXPECT_EQ(table[1], image[1].text);
  EXPECT_EQ(table[2], nullptr);
  EXPECT_EQ(table[kRecordTableCapacity - 1], nullptr);
}

TEST(FillRecordTable, StopsAtTheTableCapacityOnAnOversizedImage) {
  std::vector<FirmwareRecord> image(kRecordTableCapacity + 100, Slot(":020060000034"));
  image.push_back(Slot(""));
  RecordTable table{};
  EXPECT_EQ(FillRecordTable(image.data(), table), kRecordTableCapacity);
  EXPECT_EQ(table[kRecordTableCapacity - 1], image[kRecordTableCapacity - 1].text);
}
