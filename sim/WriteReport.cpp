#include "sim/WriteReport.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "sim/DeviceMemory.h"
#include "sim/LoaderSim.h"

namespace sim {
namespace {

std::string Format(const char* format, unsigned a, unsigned b, unsigned c = 0) {
  char text[96];
  std::snprintf(text, sizeof text, format, a, b, c);
  return text;
}

// The runs of consecutive true marks, as first and last index.
std::vector<std::pair<std::size_t, std::size_t>> Runs(const std::vector<bool>& written) {
  std::vector<std::pair<std::size_t, std::size_t>> runs;
  for (std::size_t i = 0; i < written.size();) {
    if (!written[i]) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end + 1 < written.size() && written[end + 1]) ++end;
    runs.emplace_back(i, end);
    i = end + 1;
  }
  return runs;
}

std::string CellRanges(const std::vector<bool>& written) {
  std::string out;
  for (const auto& [first, last] : Runs(written)) {
    if (!out.empty()) out += ", ";
    out +=
        last == first ? std::to_string(first) : std::to_string(first) + "-" + std::to_string(last);
  }
  return out.empty() ? "none" : out;
}

}  // namespace

std::vector<std::string> WrittenWordRanges(const std::vector<bool>& written) {
  std::vector<std::string> lines;
  for (const auto& [first, last] : Runs(written)) {
    const auto count = static_cast<unsigned>(last - first + 1);
    lines.push_back(Format(count == 1 ? "program words 0x%04X-0x%04X (%u word)"
                                      : "program words 0x%04X-0x%04X (%u words)",
                           static_cast<unsigned>(first), static_cast<unsigned>(last), count));
  }
  return lines;
}

std::string DescribeDevice(const FinishedDevice& device) {
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

std::string DescribePort(const LoaderSim& loader, const std::string& where) {
  std::vector<FinishedDevice> devices = loader.FinishedDevices();
  devices.push_back(loader.CurrentDevice());
  char head[160];
  std::snprintf(head, sizeof head, "# what was written%s, %zu device(s), %u hang-up(s):\n",
                where.c_str(), devices.size(), loader.HangUps());
  std::string out = head;
  const std::string line = DescribeLineLog(loader.HostLines());
  if (!line.empty()) {
    out += "# the host's line" + where + ": " + line + "; " +
           std::to_string(loader.UnreadableBytes()) + " byte(s) the loader could not read\n";
  }
  for (std::size_t i = 0; i < devices.size(); ++i) {
    out += "device " + std::to_string(i + 1) + (i + 1 < devices.size() ? " (finished)" : "") +
           ":\n" + DescribeDevice(devices[i]);
  }
  return out;
}

}  // namespace sim
