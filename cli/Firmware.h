#pragma once
// Another firmware image for --firmware: the HEX file read and put through the same check as the
// build's (update/HexValidate.h), then laid out in the slots the record table points into.
#include <cstdint>
#include <string>
#include <vector>

#include "update/FirmwareImage.h"
#include "update/HexValidate.h"

namespace flash {

struct LoadedFirmware {
  bool ok = false;
  std::vector<FirmwareRecord> slots;  // the records, then the empty slot
  std::size_t records = 0;
  std::string sha256;                             // of the file's bytes, as sha256sum gives it
  std::size_t programWords = 0, eepromCells = 0;  // what the image writes
  std::uint32_t firstProgramWord = 0, lastProgramWord = 0;  // the program words' range
  // "FILE:LINE: warning: ..." and, when refused, "FILE:LINE: error: ...", as hex2table places
  // them, in the run's language.
  std::vector<std::string> messages;
};

LoadedFirmware LoadFirmware(const std::string& path);

// What the check found, in the run's language, with its values.
std::string HexMessageText(const HexMessage& message);

}  // namespace flash
