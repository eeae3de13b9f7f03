#include "update/FirmwareRecord.h"

#include <cstring>

#include "link/HexPair.h"

namespace {

// The pair of characters at `pos` and `pos + 1`. Characters past the record's NUL read as 0
// instead of running into the next slot: a record whose byte count claims more digits than
// it holds then yields zero words rather than bytes of another record.
std::uint32_t PairAt(const char* text, std::uint32_t pos) {
  const std::size_t length = strnlen(text, kFirmwareRecordMaxChars + 1);
  if (pos + 1 >= length) return 0;
  return loader::DecodeHexPair(static_cast<unsigned char>(text[pos]),
                               static_cast<unsigned char>(text[pos + 1]));
}

}  // namespace

std::size_t FillRecordTable(const FirmwareRecord* image, RecordTable& table) {
  std::size_t count = 0;
  while (count < table.size() && image[count].text[0] != '\0') {
    table[count] = image[count].text;
    ++count;
  }
  for (std::size_t i = count; i < table.size(); ++i) table[i] = nullptr;
  return count;
}

std::size_t CountRecords(const FirmwareRecord* image) {
  std::size_t count = 0;
  while (count < kRecordTableCapacity && image[count].text[0] != '\0') ++count;
  return count;
}

std::size_t FillRecordTable(RecordTable& table) {
  return FillRecordTable(FirmwareImage, table);
}

DecodedRecord DecodeRecord(const char* text) {
  DecodedRecord record;
  record.text = text;
  record.byteCount = PairAt(text, 1);
  record.wordCount = record.byteCount / 2;
  record.wordAddress = (256 * PairAt(text, 3) + PairAt(text, 5)) / 2;
  record.recordType = PairAt(text, 7);
  return record;
}

std::uint32_t DecodedRecord::DataWord(std::uint32_t k) const {
  return 256 * PairAt(text, 11 + 4 * k) + PairAt(text, 9 + 4 * k);
}

std::uint32_t DecodedRecord::EepromByte(std::uint32_t k) const {
  return PairAt(text, 9 + 4 * k);
}
