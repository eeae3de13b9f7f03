#include "cli/Json.h"

#include "cli/Figures.h"
#include "cli/Report.h"
#include "cli/TextColumns.h"

namespace flash {

using Json = nlohmann::ordered_json;

Json FactsJson(const update::DeviceFacts& d) {
  Json j = Json::object();
  if (d.identity) j["identity"] = Printable(*d.identity);
  if (d.type) j["device_type"] = *d.type;
  if (d.serialNumber) j["serial_number"] = *d.serialNumber;
  if (d.versionMajor && d.versionMinor) j["version"] = VersionText(d);
  return j;
}

// The event's name first, then its time, then the rest.
std::string JsonLine(const Json& event) {
  Json j = {{"event", event.value("event", "")}, {"time", UtcTimestamp()}};
  for (const auto& [key, value] : event.items())
    if (key != "event") j[key] = value;
  return j.dump(-1, ' ', false, Json::error_handler_t::replace);
}

void PrintJsonError(std::FILE* out, int exitCode, const std::string& message) {
  Write(out, JsonLine({{"event", "error"}, {"exit_code", exitCode}, {"message", message}}) + "\n");
}

}  // namespace flash
