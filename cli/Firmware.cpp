#include "cli/Firmware.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/Messages.h"
#include "platform/Sha256.h"
#include "update/HexValidate.h"

namespace flash {

namespace {

// A firmware file is small: a file far beyond the largest table a check could accept is
// refused before it is read into memory.
constexpr std::streamoff kMaxFileBytes = 1 << 20;

}  // namespace

LoadedFirmware LoadFirmware(const std::string& file) {
  LoadedFirmware firmware;
  const std::string path = Shown(file);  // for the messages: a name may carry anything
  std::error_code ec;
  if (std::filesystem::exists(file, ec) && !std::filesystem::is_regular_file(file, ec)) {
    firmware.messages.push_back(path + ": error: not a firmware file (not a regular file)");
    return firmware;
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    firmware.messages.push_back(path + ": error: cannot read the firmware file (" +
                                std::strerror(errno) + ")");
    return firmware;
  }
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  in.seekg(0, std::ios::beg);
  if (size < 0 || size > kMaxFileBytes) {
    firmware.messages.push_back(
        path + ": error: not a firmware file (" +
        (size < 0 ? std::string("cannot tell its size") : std::to_string(size) + " bytes") + ")");
    return firmware;
  }
  std::ostringstream text;
  text << in.rdbuf();
  const HexCheck check = CheckHexText(text.str());
  for (const HexMessage& w : check.warnings)
    firmware.messages.push_back(HexMessageLine(path, w, "warning"));
  if (!check.ok) {
    firmware.messages.push_back(HexMessageLine(path, check.error, "error"));
    return firmware;
  }
  firmware.sha256 = platform::Sha256Hex(text.str());
  firmware.programWords = check.programWords;
  firmware.eepromCells = check.eepromCells;
  firmware.firstProgramWord = check.firstProgramWord;
  firmware.lastProgramWord = check.lastProgramWord;
  firmware.slots = ToSlots(check.records);
  firmware.records = check.records.size();
  firmware.ok = true;
  return firmware;
}

}  // namespace flash
