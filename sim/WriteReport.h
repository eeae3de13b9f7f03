#pragma once
// What the host wrote to each device, in words a person can check against the firmware image.
#include <string>
#include <vector>

#include "sim/Types.h"

namespace sim {

// "program words 0x0030-0x03E9 (954 words)" for each run of written addresses, one a line.
std::vector<std::string> WrittenWordRanges(const std::vector<bool>& written);

// The report of one device: its written word ranges, the EEPROM cells written and the cells
// 120 to 127 (serial number and version).
std::string DescribeDevice(const FinishedDevice& device);

}  // namespace sim
