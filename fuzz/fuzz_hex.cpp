// The firmware HEX check and the run-time record decoding.
//
// The input is taken as a HEX file. When the check accepts it, the table built from it must
// decode, with the wizard's own decoder, to exactly the records the check read: byte count,
// address, type and every data word, and its data must lie where the loader takes it. The
// same input is also taken as a raw image of 55-byte slots (any bytes, no NUL needed), which
// FillRecordTable and DecodeRecord must walk without reading outside a slot; each record is
// decoded from a copy of exactly one slot's size so that AddressSanitizer sees any over-read.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "link/Com_p03.h"
#include "update/AddressClass.h"
#include "update/FirmwareRecord.h"
#include "update/HexValidate.h"

namespace {

int Digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The harness's own reading of an accepted record: byte i of the record after the colon.
std::uint32_t Byte(const std::string& record, std::size_t i) {
  const int high = Digit(record[1 + 2 * i]);
  const int low = Digit(record[2 + 2 * i]);
  FUZZ_CHECK(high >= 0 && low >= 0, "accepted record '%s' has a non-digit", record.c_str());
  return static_cast<std::uint32_t>(high * 16 + low);
}

void CheckDecodedAsRead(const std::string& record, const char* text) {
  const std::uint32_t count = Byte(record, 0);
  const std::uint32_t address = 256 * Byte(record, 1) + Byte(record, 2);
  const std::uint32_t type = Byte(record, 3);
  const DecodedRecord decoded = DecodeRecord(text);
  FUZZ_CHECK(decoded.byteCount == count && decoded.wordCount == count / 2 &&
                 decoded.wordAddress == address / 2 && decoded.recordType == type,
             "record '%s' decodes as %u bytes at word %u, type %u", record.c_str(),
             decoded.byteCount, decoded.wordAddress, decoded.recordType);
  if (type != 0 || count == 0) return;

  const AddressClass cls = decoded.Class();
  if (cls == AddressClass::Skipped) return;
  FUZZ_CHECK(count % 2 == 0 && address % 2 == 0, "odd data accepted: '%s'", record.c_str());
  const std::uint32_t last = decoded.wordAddress + decoded.wordCount - 1;
  if (cls == AddressClass::ProgramMemory) {
    FUZZ_CHECK(decoded.wordAddress >= kFirstProgramWord && last < kProgramWordLimit,
               "program data outside the loader's words: '%s'", record.c_str());
  } else {
    const std::uint32_t first = EepromCellOf(decoded.wordAddress);
    const std::uint32_t lastCell = EepromCellOf(last);
    FUZZ_CHECK(lastCell < kEepromSize, "EEPROM data beyond the EEPROM: '%s'", record.c_str());
    FUZZ_CHECK(lastCell < kFirstIdentityCell || first > kLastIdentityCell,
               "EEPROM data over the identity cells: '%s'", record.c_str());
  }
  for (std::uint32_t k = 0; k < decoded.wordCount; ++k) {
    const std::uint32_t word = Byte(record, 4 + 2 * k) + 256 * Byte(record, 5 + 2 * k);
    FUZZ_CHECK(decoded.DataWord(k) == word, "word %u of '%s' decodes as 0x%X", k, record.c_str(),
               decoded.DataWord(k));
    FUZZ_CHECK(decoded.EepromByte(k) == (word & 0xFF), "EEPROM byte %u of '%s'", k, record.c_str());
    FUZZ_CHECK(cls != AddressClass::Eeprom || word < 0x100,
               "EEPROM word %u of '%s' loses its high byte", k, record.c_str());
  }
}

void CheckAccepted(const HexCheck& check) {
  FUZZ_CHECK(!check.records.empty() && check.records.size() <= kMaxFirmwareRecords,
             "%zu records accepted", check.records.size());
  for (std::size_t i = 0; i < check.records.size(); ++i) {
    const bool last = i + 1 == check.records.size();
    const std::uint32_t type = Byte(check.records[i], 3);
    FUZZ_CHECK(last ? type == 1 && Byte(check.records[i], 0) == 0 : type == 0 || type == 4,
               "record %zu of %zu has type %u", i, check.records.size(), type);
  }
  // An accepted image always writes a program word, or its update would store 1.5 over the
  // old firmware.
  FUZZ_CHECK(check.programWords > 0, "an image without a program word accepted");
  const std::vector<FirmwareRecord> slots = ToSlots(check.records);
  FUZZ_CHECK(slots.size() == check.records.size() + 1, "%zu slots", slots.size());
  static const FirmwareRecord kEmpty{};
  FUZZ_CHECK(std::memcmp(&slots.back(), &kEmpty, sizeof kEmpty) == 0, "last slot not empty");

  auto table = std::make_unique<RecordTable>();
  const std::size_t count = FillRecordTable(slots.data(), *table);
  FUZZ_CHECK(count == check.records.size(), "table of %zu entries for %zu records", count,
             check.records.size());
  for (std::size_t i = 0; i < count; ++i) {
    FUZZ_CHECK((*table)[i] == slots[i].text && check.records[i] == (*table)[i],
               "entry %zu is not record '%s'", i, check.records[i].c_str());
    CheckDecodedAsRead(check.records[i], (*table)[i]);
  }
  for (std::size_t i = count; i < table->size(); ++i)
    FUZZ_CHECK((*table)[i] == nullptr, "entry %zu beyond the count is set", i);
}

// Any bytes as slots; a leading '#' repeats them past the table's capacity.
void CheckRawSlots(const std::uint8_t* data, std::size_t size) {
  const std::size_t given = (size + kFirmwareSlotSize - 1) / kFirmwareSlotSize;
  if (given == 0) return;
  const std::size_t wanted = data[0] == '#' ? given * (kRecordTableCapacity / given + 2) : given;
  std::vector<FirmwareRecord> image(wanted + 1, FirmwareRecord{});
  for (std::size_t i = 0; i < wanted * kFirmwareSlotSize; ++i)
    image[i / kFirmwareSlotSize].text[i % kFirmwareSlotSize] = static_cast<char>(
        i % (given * kFirmwareSlotSize) < size ? data[i % (given * kFirmwareSlotSize)] : 0);

  auto table = std::make_unique<RecordTable>();
  const std::size_t count = FillRecordTable(image.data(), *table);
  FUZZ_CHECK(count <= kRecordTableCapacity, "%zu entries", count);
  std::size_t expected = 0;
  while (expected < kRecordTableCapacity && image[expected].text[0] != '\0') ++expected;
  FUZZ_CHECK(count == expected, "%zu entries, %zu expected", count, expected);
  for (std::size_t i = 0; i < count && i < 64; ++i) {
    const auto slot = std::make_unique<char[]>(kFirmwareSlotSize);
    std::memcpy(slot.get(), (*table)[i], kFirmwareSlotSize);
    const DecodedRecord decoded = DecodeRecord(slot.get());
    FUZZ_CHECK(decoded.text == slot.get() && decoded.wordCount == decoded.byteCount / 2,
               "raw slot %zu decoded inconsistently", i);
    for (std::uint32_t k = 0; k < decoded.wordCount && k < 300; ++k) {
      decoded.DataWord(k);
      decoded.EepromByte(k);
    }
  }
}

void CheckHexPairs(const std::uint8_t* data, std::size_t size) {
  for (std::size_t i = 0; i + 1 < size && i < 32; i += 2) {
    const std::uint32_t value = CP03::DecodeHexPair(data[i], data[i + 1]);
    const int high = Digit(static_cast<char>(data[i]));
    const int low = Digit(static_cast<char>(data[i + 1]));
    if (high >= 0 && low >= 0)
      FUZZ_CHECK(value == static_cast<std::uint32_t>(16 * high + low), "pair %c%c gave %u", data[i],
                 data[i + 1], value);
  }
}

}  // namespace

// The embedded image decodes as the check read it, once per run.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  auto table = std::make_unique<RecordTable>();
  const std::size_t count = FillRecordTable(*table);
  FUZZ_CHECK(count + 1 == FirmwareImageSlots, "embedded table of %zu entries", count);
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text += std::string((*table)[i]) + "\n";
  const HexCheck check = CheckHexText(text);
  FUZZ_CHECK(check.ok, "the embedded image fails its own check: %s", check.error.text.c_str());
  CheckAccepted(check);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const HexCheck check = CheckHexText(std::string_view(reinterpret_cast<const char*>(data), size));
  if (check.ok) {
    CheckAccepted(check);
  } else {
    FUZZ_CHECK(!check.error.text.empty(), "a refusal without a message");
  }
  CheckRawSlots(data, size);
  CheckHexPairs(data, size);
  return 0;
}
