#include <cstdlib>
#include <string>

#include "sim/Types.h"

namespace sim {

std::string DescribeLine(const HostLine& line) {
  if (!line.enabled) return "off";
  std::string text = std::to_string(line.speed);
  if (line.dataBits != 0 || line.parity != '?') {
    text += " ";
    text += line.dataBits != 0 ? std::to_string(line.dataBits) : std::string("?");
    text += line.parity;
    text += std::to_string(line.stopBits);
  }
  return text;
}

std::uint32_t QemuSerialRate(std::uint32_t bitsPerSecond) {
  static constexpr std::uint32_t kRates[] = {
      50,     75,     110,     134,     150,     200,     300,     600,     1200,    1800,
      2400,   4800,   9600,    19200,   38400,   57600,   115200,  230400,  460800,  500000,
      576000, 921600, 1000000, 1152000, 1500000, 2000000, 2500000, 3000000, 3500000, 4000000};
  const std::uint32_t wanted = static_cast<std::uint32_t>(std::uint64_t{bitsPerSecond} * 10 / 11);
  for (std::uint32_t rate : kRates)
    if (wanted <= rate) return rate;
  return 4000000;
}

std::string DescribeLineLog(const std::vector<LineChange>& log) {
  std::string text;
  for (const LineChange& change : log) {
    if (!text.empty()) text += " > ";
    text += DescribeLine(change.line);
  }
  return text;
}

bool LoaderCanRead(const HostLine& line, std::uint32_t loaderSpeed) {
  if (!line.enabled || loaderSpeed == 0) return false;
  const long long difference =
      std::llabs(static_cast<long long>(line.speed) - static_cast<long long>(loaderSpeed));
  if (difference * 100 > 3LL * loaderSpeed) return false;
  if (line.parity != '?' && line.parity != 'E') return false;
  return line.dataBits == 0 || line.dataBits == 8;
}

}  // namespace sim
