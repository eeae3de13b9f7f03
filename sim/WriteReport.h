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

class LoaderSim;
// What one simulated bridge served, as orb42-loader-sim prints it when it stops: the devices and
// their hang-ups, the host's line as the loader saw it change, then each device's report. where
// names the port when there are several (" on ttyUSB1 (COM34)"), empty otherwise.
std::string DescribePort(const LoaderSim& loader, const std::string& where);

}  // namespace sim
