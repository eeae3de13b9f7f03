#include "update/HexValidate.h"

#include <cstdint>
#include <cstdio>
#include <optional>

#include "update/AddressClass.h"

namespace {

struct Record {
  std::uint32_t count = 0;
  std::uint32_t address = 0;
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
};

std::string Hex4(std::uint32_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(value));
  return text;
}

std::string Hex2(std::uint32_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(value));
  return text;
}

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::uint32_t ByteAt(std::string_view line, std::size_t pos) {
  return static_cast<std::uint32_t>(DigitValue(line[pos]) * 16 + DigitValue(line[pos + 1]));
}

// The record's syntax: colon, digits, length, checksum. Returns the fault, if any.
std::optional<std::string> CheckSyntax(std::string_view line) {
  if (line.empty() || line[0] != ':') return "record does not start with ':'";
  if (line.size() > kFirmwareRecordMaxChars)
    return "record longer than " + std::to_string(kFirmwareRecordMaxChars) + " characters (" +
           std::to_string(line.size()) + ")";
  for (char c : line.substr(1)) {
    if (c >= 'a' && c <= 'f')
      return "lower-case hexadecimal digit '" + std::string(1, c) +
             "' (the wizard decodes upper case only)";
    if (DigitValue(c) < 0) return "character that is not a hexadecimal digit";
  }
  if (line.size() < 11 || line.size() % 2 == 0) return "record too short or of odd digit count";
  if (line.size() != 11 + 2 * ByteAt(line, 1))
    return "byte count " + std::to_string(ByteAt(line, 1)) + " does not match the record's length";
  std::uint32_t sum = 0;
  for (std::size_t pos = 1; pos < line.size(); pos += 2) sum += ByteAt(line, pos);
  if (sum % 256 != 0) return "bad checksum";
  return std::nullopt;
}

Record Parse(std::string_view line) {
  Record r;
  r.count = ByteAt(line, 1);
  r.address = 256 * ByteAt(line, 3) + ByteAt(line, 5);
  r.type = ByteAt(line, 7);
  for (std::uint32_t i = 0; i < r.count; ++i) r.data.push_back(ByteAt(line, 9 + 2 * i));
  return r;
}

std::optional<std::string> CheckProgramData(std::uint32_t last) {
  if (last >= kProgramWordLimit)
    return "program data reaches word " + std::to_string(last) + " (the loader takes words " +
           std::to_string(kFirstProgramWord) + " to " + std::to_string(kProgramWordLimit - 1) + ")";
  return std::nullopt;
}

// Every EEPROM byte takes a whole word of the file, and only its low byte reaches the cell: a
// high byte other than zero would be dropped without a word.
std::optional<std::string> CheckEepromData(const Record& r, std::uint32_t first,
                                           std::uint32_t last) {
  const std::uint32_t firstCell = EepromCellOf(first), lastCell = EepromCellOf(last);
  if (lastCell >= kEepromSize)
    return "EEPROM data reaches cell " + std::to_string(lastCell) + " (the EEPROM has " +
           std::to_string(kEepromSize) + ")";
  if (firstCell <= kLastIdentityCell && lastCell >= kFirstIdentityCell)
    return "EEPROM data over cells 120 to 127 (the device's serial number and version)";
  for (std::uint32_t k = 0; 2 * k + 1 < r.count; ++k) {
    if (r.data[2 * k + 1] != 0)
      return "EEPROM word at " + Hex4(r.address + 2 * k) + " has the high byte " +
             Hex2(r.data[2 * k + 1]) + " (the EEPROM cell takes the low byte only)";
  }
  return std::nullopt;
}

// A data record: where its words go, as the wizard classes it by its first word.
std::optional<std::string> CheckData(const Record& r, std::size_t lineNo, HexCheck& out) {
  if (r.count == 0) return std::nullopt;
  const std::uint32_t first = r.address / 2, last = (r.address + r.count - 1) / 2;
  const AddressClass cls = ClassOfWordAddress(first);
  if (ClassOfWordAddress(last) != cls)
    return "record at " + Hex4(r.address) + " leaves its address class (words " +
           std::to_string(first) + " to " + std::to_string(last) + ")";
  if (cls == AddressClass::Skipped) {
    out.warnings.push_back({lineNo, "data at " + Hex4(r.address) +
                                        (first < kFirstProgramWord ? " (the loader's own words)"
                                                                   : " (configuration words)") +
                                        " is skipped by the wizard"});
    return std::nullopt;
  }
  if (r.count % 2 != 0 || r.address % 2 != 0)
    return "odd byte count or odd address in program or EEPROM data (" + Hex4(r.address) + ", " +
           std::to_string(r.count) + " bytes)";
  if (cls == AddressClass::ProgramMemory) {
    if (out.programWords == 0 || first < out.firstProgramWord) out.firstProgramWord = first;
    if (out.programWords == 0 || last > out.lastProgramWord) out.lastProgramWord = last;
    out.programWords += r.count / 2;
    return CheckProgramData(last);
  }
  out.eepromCells += r.count / 2;
  return CheckEepromData(r, first, last);
}

std::optional<std::string> CheckRecord(const Record& r, std::size_t lineNo, HexCheck& out) {
  switch (r.type) {
    case 0:
      return CheckData(r, lineNo, out);
    case 1:
      if (r.count != 0) return "end record with data";
      return std::nullopt;
    case 4:
      if (r.count != 2) return "type-4 record without a 2-byte upper address";
      if (r.data[0] != 0 || r.data[1] != 0)
        return "type-4 record with a non-zero upper address (the wizard would not apply it)";
      return std::nullopt;
    default:
      return "record type " + std::to_string(r.type) + " (only 0, 1 and 4 are accepted)";
  }
}

bool IsBlank(std::string_view line) {
  return line.find_first_not_of(" \t") == std::string_view::npos;
}

}  // namespace

HexCheck CheckHexText(std::string_view text) {
  HexCheck out;
  bool ended = false;
  std::size_t lineNo = 0;
  auto fail = [&out](std::size_t line, std::string message) {
    out.error = {line, std::move(message)};
    out.ok = false;
    return out;
  };
  while (!text.empty()) {
    const std::size_t eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (ended) {
      if (!IsBlank(line)) return fail(lineNo, "text after the end record");
      continue;
    }
    if (IsBlank(line)) return fail(lineNo, "blank line before the end record");
    if (auto fault = CheckSyntax(line)) return fail(lineNo, *fault);
    const Record r = Parse(line);
    if (auto fault = CheckRecord(r, lineNo, out)) return fail(lineNo, *fault);
    if (out.records.size() == kMaxFirmwareRecords)
      return fail(lineNo, "more than " + std::to_string(kMaxFirmwareRecords) + " records");
    out.records.emplace_back(line);
    ended = r.type == 1;
  }
  if (!ended) return fail(lineNo, "no end record (:00000001FF)");
  // An image that writes no program word would still be written "successfully", version 1.5
  // and all: the device would then be refused as up to date by every later update, with
  // nothing of the new firmware in it.
  if (out.programWords == 0)
    return fail(0, "no program data (no word from " + std::to_string(kFirstProgramWord) + " to " +
                       std::to_string(kProgramWordLimit - 1) + " to write)");
  out.ok = true;
  return out;
}

std::string HexMessageLine(const std::string& path, const HexMessage& message, const char* kind) {
  const std::string where = message.line == 0 ? path : path + ":" + std::to_string(message.line);
  return where + ": " + kind + ": " + message.text;
}

std::vector<FirmwareRecord> ToSlots(const std::vector<std::string>& records) {
  std::vector<FirmwareRecord> slots(records.size() + 1, FirmwareRecord{});
  for (std::size_t i = 0; i < records.size(); ++i)
    records[i].copy(slots[i].text, kFirmwareRecordMaxChars);
  return slots;
}
