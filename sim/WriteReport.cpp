#include "sim/WriteReport.h"

#include <cstdint>
#include <cstdio>

#include "sim/DeviceMemory.h"

namespace sim {
namespace {

std::string Format(const char* format, unsigned a, unsigned b, unsigned c = 0) {
  char text[96];
  std::snprintf(text, sizeof text, format, a, b, c);
  return text;
}

std::string CellRanges(const std::vector<bool>& written) {
  std::string out;
  for (std::size_t i = 0; i < written.size();) {
    if (!written[i]) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end + 1 < written.size() && written[end + 1]) ++end;
    if (!out.empty()) out += ", ";
    out += end == i ? std::to_string(i) : std::to_string(i) + "-" + std::to_string(end);
    i = end + 1;
  }
  return out.empty() ? "none" : out;
}

}  // namespace

std::vector<std::string> WrittenWordRanges(const std::vector<bool>& written) {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < written.size();) {
    if (!written[i]) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end + 1 < written.size() && written[end + 1]) ++end;
    const auto count = static_cast<unsigned>(end - i + 1);
    lines.push_back(Format(count == 1 ? "program words 0x%04X-0x%04X (%u word)"
                                      : "program words 0x%04X-0x%04X (%u words)",
                           static_cast<unsigned>(i), static_cast<unsigned>(end), count));
    i = end + 1;
  }
  return lines;
}

std::string DescribeDevice(const LoaderSim::FinishedDevice& device) {
  std::string out;
  const std::vector<std::string> ranges = WrittenWordRanges(device.programWritten);
  if (ranges.empty()) out += "  no program word written\n";
  for (const std::string& line : ranges) out += "  " + line + "\n";
  out += "  EEPROM cells written: " + CellRanges(device.eepromWritten) + "\n";
  out += "  EEPROM 120-127:";
  for (unsigned cell = 120; cell <= 127; ++cell) out += Format(" %02X", device.eeprom[cell], 0);
  std::uint32_t serial = 0;
  for (unsigned i = 0; i < 4; ++i)
    serial |= std::uint32_t{device.eeprom[kSerialCell + i]} << (8 * i);
  out += " (serial number " + std::to_string(serial) + ", version " +
         std::to_string(device.eeprom[kMajorCell]) + "." +
         std::to_string(device.eeprom[kMinorCell]) + ")\n";
  return out;
}

}  // namespace sim
