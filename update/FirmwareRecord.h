#pragma once
// Run-time access to the embedded firmware: the index of its records and the decoding of one
// record, field by field, with the loader's hex-pair decoder (upper-case digits only).
#include <array>
#include <cstddef>
#include <cstdint>

#include "update/AddressClass.h"
#include "update/FirmwareImage.h"

inline constexpr std::size_t kRecordTableCapacity = 2000;
using RecordTable = std::array<const char*, kRecordTableCapacity>;

// Points the entries of `table`, from the first, at the record texts of `image` in place,
// up to the first empty slot, and returns how many it stored. It stops at the table's
// capacity as well, so an image that slipped past the build check cannot overrun it. Entries
// beyond the count are cleared to nullptr.
std::size_t FillRecordTable(const FirmwareRecord* image, RecordTable& table);
// The same over the embedded image.
std::size_t FillRecordTable(RecordTable& table);
// How many records FillRecordTable would index, without a table.
std::size_t CountRecords(const FirmwareRecord* image);

struct DecodedRecord {
  const char* text = nullptr;
  std::uint32_t byteCount = 0;
  std::uint32_t wordCount = 0;    // byteCount / 2; an odd last byte is ignored
  std::uint32_t wordAddress = 0;  // byte address / 2
  std::uint32_t recordType = 0;

  // Data word k, low byte first: 256 x pair(11 + 4k) + pair(9 + 4k).
  std::uint32_t DataWord(std::uint32_t k) const;
  // The byte an EEPROM record stores from data word k: its low pair only.
  std::uint32_t EepromByte(std::uint32_t k) const;
  AddressClass Class() const { return ClassOfWordAddress(wordAddress); }
};

// Decodes the header fields of one record text (an entry of RecordTable).
DecodedRecord DecodeRecord(const char* text);
