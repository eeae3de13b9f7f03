#include "update/HexValidate.h"

#include <cstdint>
#include <cstdio>
#include <optional>

#include "platform/Utf8.h"
#include "update/AddressClass.h"

namespace {

struct Record {
  std::uint32_t count = 0;
  std::uint32_t address = 0;
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
};

// A fault of one record: what, where in the line (0: the line as a whole), with what values.
struct Fault {
  HexFault fault;
  std::vector<std::string> values = {};
  std::size_t column = 0;
};
using Verdict = std::optional<Fault>;

// Who wrote what: the value a program word or an EEPROM cell gets, and the line that gave it.
struct Written {
  std::uint32_t value = 0;
  std::size_t line = 0;  // 0: not written
};

struct Memories {
  std::vector<Written> program = std::vector<Written>(kProgramWordLimit);
  std::vector<Written> eeprom = std::vector<Written>(kEepromSize);
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

std::string Number(std::uint64_t value) {
  return std::to_string(value);
}

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::uint32_t ByteAt(std::string_view line, std::size_t pos) {
  return static_cast<std::uint32_t>(DigitValue(line[pos]) * 16 + DigitValue(line[pos + 1]));
}

// The character that starts at line[pos] as a message shows it: itself when it is a printable
// UTF-8 character, else its bytes as \xNN (a control character, a byte that is no UTF-8).
// length gets the bytes it takes.
std::string CharacterAt(std::string_view line, std::size_t pos, std::size_t& length) {
  char32_t code = 0;
  length = platform::Utf8Sequence(line, pos, code);
  if (length > 0 && code >= 0x20 && (code < 0x7F || code > 0x9F) && code != 0xFEFF)
    return std::string(line.substr(pos, length));
  if (length == 0) length = 1;
  std::string shown;
  for (std::size_t k = 0; k < length; ++k) {
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\x%02X",
                  static_cast<unsigned>(static_cast<unsigned char>(line[pos + k])));
    shown += escaped;
  }
  return shown;
}

// The English text: the wording with each {N} replaced by values[N].
std::string Worded(HexFault fault, const std::vector<std::string>& values) {
  const std::string wording = HexFaultEnglish(fault);
  std::string out;
  for (std::size_t i = 0; i < wording.size(); ++i) {
    if (wording[i] == '{' && i + 2 < wording.size() && wording[i + 2] == '}') {
      const auto n = static_cast<std::size_t>(wording[i + 1] - '0');
      if (n < values.size()) {
        out += values[n];
        i += 2;
        continue;
      }
    }
    out += wording[i];
  }
  return out;
}

HexMessage MessageOf(std::size_t line, const Fault& fault) {
  return {line, fault.column, fault.fault, fault.values, Worded(fault.fault, fault.values)};
}

// The record's syntax: colon, digits, length, checksum. A character that has no place in a
// record is named with its column, counted in characters.
Verdict CheckSyntax(std::string_view line) {
  std::size_t length = 1;
  if (line.empty()) return Fault{HexFault::NoColon, {""}, 1};
  if (line[0] != ':') return Fault{HexFault::NoColon, {CharacterAt(line, 0, length)}, 1};
  if (line.size() > kFirmwareRecordMaxChars)
    return Fault{HexFault::RecordTooLong, {Number(kFirmwareRecordMaxChars), Number(line.size())}};
  std::size_t column = 2;
  for (std::size_t pos = 1; pos < line.size(); pos += length, ++column) {
    length = 1;
    const char c = line[pos];
    if (c >= 'a' && c <= 'f') return Fault{HexFault::LowerCaseDigit, {std::string(1, c)}, column};
    if (DigitValue(c) < 0)
      return Fault{HexFault::NotHexDigit, {CharacterAt(line, pos, length)}, column};
  }
  if (line.size() < 11 || line.size() % 2 == 0) return Fault{HexFault::RecordTooShortOrOdd};
  if (line.size() != 11 + 2 * ByteAt(line, 1))
    return Fault{HexFault::ByteCountMismatch, {Number(ByteAt(line, 1))}};
  std::uint32_t sum = 0;
  for (std::size_t pos = 1; pos < line.size(); pos += 2) sum += ByteAt(line, pos);
  if (sum % 256 != 0) return Fault{HexFault::BadChecksum};
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

// Every EEPROM byte takes a whole word of the file, and only its low byte reaches the cell: a
// high byte other than zero would be dropped without a word.
Verdict CheckEepromData(const Record& r, std::uint32_t first, std::uint32_t last) {
  const std::uint32_t firstCell = EepromCellOf(first), lastCell = EepromCellOf(last);
  if (lastCell >= kEepromSize)
    return Fault{HexFault::EepromBeyondEnd, {Number(lastCell), Number(kEepromSize)}};
  if (firstCell <= kLastIdentityCell && lastCell >= kFirstIdentityCell)
    return Fault{HexFault::EepromOverIdentity,
                 {Number(kFirstIdentityCell), Number(kLastIdentityCell)}};
  for (std::uint32_t k = 0; 2 * k + 1 < r.count; ++k) {
    if (r.data[2 * k + 1] != 0)
      return Fault{HexFault::EepromHighByte, {Hex4(r.address + 2 * k), Hex2(r.data[2 * k + 1])}};
  }
  return std::nullopt;
}

// One more word or cell for the image: new, the same value again, or another value, which is
// refused with both lines. count counts the distinct ones.
Verdict Write(std::vector<Written>& memory, std::uint32_t index, std::uint32_t value,
              std::size_t lineNo, std::size_t& count, HexFault twice,
              std::string (*shown)(std::uint32_t)) {
  Written& cell = memory[index];
  if (cell.line == 0) {
    cell = {value, lineNo};
    ++count;
    return std::nullopt;
  }
  if (cell.value == value) return std::nullopt;
  return Fault{twice, {Number(index), shown(value), shown(cell.value), Number(cell.line)}};
}

// A data record: where its words go, as the wizard classes it by its first word.
Verdict CheckData(const Record& r, std::size_t lineNo, Memories& memories, HexCheck& out) {
  if (r.count == 0) return std::nullopt;
  const std::uint32_t first = r.address / 2, last = (r.address + r.count - 1) / 2;
  const AddressClass cls = ClassOfWordAddress(first);
  if (ClassOfWordAddress(last) != cls)
    return Fault{HexFault::LeavesAddressClass, {Hex4(r.address), Number(first), Number(last)}};
  if (cls == AddressClass::Skipped) {
    const HexFault which =
        first < kFirstProgramWord ? HexFault::SkippedLoaderWords : HexFault::SkippedConfiguration;
    out.warnings.push_back(MessageOf(lineNo, {which, {Hex4(r.address)}}));
    return std::nullopt;
  }
  if (r.count % 2 != 0 || r.address % 2 != 0)
    return Fault{HexFault::OddData, {Hex4(r.address), Number(r.count)}};
  if (cls == AddressClass::ProgramMemory) {
    if (last >= kProgramWordLimit)
      return Fault{HexFault::ProgramBeyondLoader,
                   {Number(last), Number(kFirstProgramWord), Number(kProgramWordLimit - 1)}};
    for (std::uint32_t k = 0; first + k <= last; ++k) {
      const std::uint32_t value = r.data[2 * k] + 256u * r.data[2 * k + 1];
      if (auto fault = Write(memories.program, first + k, value, lineNo, out.programWords,
                             HexFault::ProgramWordTwice, Hex4))
        return fault;
    }
    return std::nullopt;
  }
  if (auto fault = CheckEepromData(r, first, last)) return fault;
  for (std::uint32_t k = 0; first + k <= last; ++k) {
    if (auto fault = Write(memories.eeprom, EepromCellOf(first + k), r.data[2 * k], lineNo,
                           out.eepromCells, HexFault::EepromCellTwice, Hex2))
      return fault;
  }
  return std::nullopt;
}

Verdict CheckRecord(const Record& r, std::size_t lineNo, Memories& memories, HexCheck& out) {
  switch (r.type) {
    case 0:
      return CheckData(r, lineNo, memories, out);
    case 1:
      if (r.count != 0) return Fault{HexFault::EndRecordWithData};
      return std::nullopt;
    case 4:
      if (r.count != 2) return Fault{HexFault::UpperAddressSize};
      if (r.data[0] != 0 || r.data[1] != 0) return Fault{HexFault::UpperAddressNotZero};
      return std::nullopt;
    default:
      return Fault{HexFault::RecordType, {Number(r.type)}};
  }
}

bool IsBlank(std::string_view line) {
  return line.find_first_not_of(" \t") == std::string_view::npos;
}

}  // namespace

const char* HexFaultEnglish(HexFault fault) {
  switch (fault) {
    case HexFault::NoColon:
      return "record does not start with ':' but with '{0}'";
    case HexFault::RecordTooLong:
      return "record longer than {0} characters ({1})";
    case HexFault::LowerCaseDigit:
      return "lower-case hexadecimal digit '{0}' (the wizard decodes upper case only)";
    case HexFault::NotHexDigit:
      return "character '{0}' is not a hexadecimal digit";
    case HexFault::RecordTooShortOrOdd:
      return "record too short or of odd digit count";
    case HexFault::ByteCountMismatch:
      return "byte count {0} does not match the record's length";
    case HexFault::BadChecksum:
      return "bad checksum";
    case HexFault::RecordType:
      return "record type {0} (only 0, 1 and 4 are accepted)";
    case HexFault::EndRecordWithData:
      return "end record with data";
    case HexFault::UpperAddressSize:
      return "type-4 record without a 2-byte upper address";
    case HexFault::UpperAddressNotZero:
      return "type-4 record with a non-zero upper address (the wizard would not apply it)";
    case HexFault::LeavesAddressClass:
      return "record at {0} leaves its address class (words {1} to {2})";
    case HexFault::OddData:
      return "odd byte count or odd address in program or EEPROM data ({0}, {1} bytes)";
    case HexFault::ProgramBeyondLoader:
      return "program data reaches word {0} (the loader takes words {1} to {2})";
    case HexFault::EepromBeyondEnd:
      return "EEPROM data reaches cell {0} (the EEPROM has {1})";
    case HexFault::EepromOverIdentity:
      return "EEPROM data over cells {0} to {1} (the device's serial number and version)";
    case HexFault::EepromHighByte:
      return "EEPROM word at {0} has the high byte {1} (the EEPROM cell takes the low byte only)";
    case HexFault::ProgramWordTwice:
      return "program word {0} is written twice with different values: {1} here, {2} on line {3}";
    case HexFault::EepromCellTwice:
      return "EEPROM cell {0} is written twice with different values: {1} here, {2} on line {3}";
    case HexFault::TextAfterEnd:
      return "text after the end record";
    case HexFault::BlankLine:
      return "blank line before the end record";
    case HexFault::TooManyRecords:
      return "more than {0} records";
    case HexFault::NoEndRecord:
      return "no end record (:00000001FF)";
    case HexFault::NoProgramData:
      return "no program data (no word from {0} to {1} to write)";
    case HexFault::SkippedLoaderWords:
      return "data at {0} (the loader's own words) is skipped by the wizard";
    case HexFault::SkippedConfiguration:
      return "data at {0} (configuration words) is skipped by the wizard";
  }
  return "";
}

HexCheck CheckHexText(std::string_view text) {
  HexCheck out;
  Memories memories;
  bool ended = false;
  std::size_t lineNo = 0;
  auto fail = [&out](std::size_t line, const Fault& fault) {
    out.error = MessageOf(line, fault);
    out.ok = false;
    return out;
  };
  // A byte-order mark is how some editors begin a UTF-8 file; it is no part of the first record.
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) text.remove_prefix(3);
  while (!text.empty()) {
    const std::size_t eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (ended) {
      if (!IsBlank(line)) return fail(lineNo, {HexFault::TextAfterEnd});
      continue;
    }
    if (IsBlank(line)) return fail(lineNo, {HexFault::BlankLine});
    if (auto fault = CheckSyntax(line)) return fail(lineNo, *fault);
    const Record r = Parse(line);
    if (auto fault = CheckRecord(r, lineNo, memories, out)) return fail(lineNo, *fault);
    if (out.records.size() == kMaxFirmwareRecords)
      return fail(lineNo, {HexFault::TooManyRecords, {Number(kMaxFirmwareRecords)}});
    out.records.emplace_back(line);
    ended = r.type == 1;
  }
  if (!ended) return fail(lineNo, {HexFault::NoEndRecord});
  // An image that writes no program word would still be written "successfully", version 1.5
  // and all: the device would then be refused as up to date by every later update, with
  // nothing of the new firmware in it.
  if (out.programWords == 0)
    return fail(
        0, {HexFault::NoProgramData, {Number(kFirstProgramWord), Number(kProgramWordLimit - 1)}});
  bool seen = false;
  for (std::uint32_t word = 0; word < kProgramWordLimit; ++word) {
    if (memories.program[word].line == 0) continue;
    if (!seen) out.firstProgramWord = word;
    out.lastProgramWord = word;
    seen = true;
  }
  out.ok = true;
  return out;
}

std::string HexMessagePlace(const std::string& path, const HexMessage& message) {
  if (message.line == 0) return path;
  std::string place = path + ":" + std::to_string(message.line);
  if (message.column != 0) place += ":" + std::to_string(message.column);
  return place;
}

std::string HexMessageLine(const std::string& path, const HexMessage& message, const char* kind) {
  return HexMessagePlace(path, message) + ": " + kind + ": " + message.text;
}

std::vector<FirmwareRecord> ToSlots(const std::vector<std::string>& records) {
  std::vector<FirmwareRecord> slots(records.size() + 1, FirmwareRecord{});
  for (std::size_t i = 0; i < records.size(); ++i)
    records[i].copy(slots[i].text, kFirmwareRecordMaxChars);
  return slots;
}
