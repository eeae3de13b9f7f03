#pragma once
// orb42-flash's JSON lines (--json): one object a line, "event" and "time" (UTC, milliseconds)
// first. Field names are stable: scripts rely on them.
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

#include "update/DeviceFacts.h"

namespace flash {

// The event as one line, without its line end. A device's bytes never break the line: anything
// that is not UTF-8 is replaced.
std::string JsonLine(const nlohmann::ordered_json& event);
// --json outside a run: one "error" event (a usage error, a refused firmware file, no port).
void PrintJsonError(std::FILE* out, int exitCode, const std::string& message);
// What the checks read of a device, under the keys of the "device" and "result" events.
nlohmann::ordered_json FactsJson(const update::DeviceFacts& facts);

}  // namespace flash
