#pragma once
// A whole update driven through the update piece alone (update/DeviceUpdate.h), in the order the
// wizard's sequence follows but without its timer: connect, the device checks, unlock and
// programming mode, every record of the embedded image (program words, and EEPROM bytes if the
// image has any), version 1.5, then the finish (leave programming, release, close). The same code
// runs on Linux and, cross-built, under Wine, so the two can be timed against each other
// (scripts/bench-windows) and the Windows build can be checked end to end (tests/windows).
#include <cstdint>
#include <string>

#include "link/Com_p03.h"

struct LinkUpdateResult {
  LinkError error = LinkOk;  // the first failure, or LinkOk
  std::string failedAt;      // what was under way when it failed ("record 12", "unlock" ...)
  double milliseconds = 0;   // from Connect to the closed port
  std::uint32_t programWords = 0;
  std::uint32_t eepromBytes = 0;
};

// Runs the update on the port that link names. connectSeconds is Connect's time limit.
LinkUpdateResult RunLinkUpdate(CP03& link, std::int32_t connectSeconds);

// One line for a person: "update: 14012.3 ms, 954 program words, 0 EEPROM bytes, result 0".
std::string DescribeLinkUpdate(const LinkUpdateResult& result);
