#include "cli/Trace.h"

#include <cstdio>

namespace flash {

namespace {

std::string Byte(char direction, std::uint8_t byte) {
  char text[8];
  std::snprintf(text, sizeof text, "%c%02X", direction, byte);
  return text;
}

}  // namespace

void TraceLines::Take(const LinkTrace& event) {
  auto add = [this](const std::string& part) {
    line_.bytes += (line_.bytes.empty() ? "" : " ") + part;
  };
  switch (event.kind) {
    case LinkTrace::Kind::Command:
      Flush();
      line_.time = UtcTimestamp();
      line_.command = event.text;
      return;
    case LinkTrace::Kind::Repaired:
      Flush();
      reporter_.OnTrace(id_, {who_, UtcTimestamp(), "repair: " + event.text, ""});
      return;
    case LinkTrace::Kind::Sent:
      return add(Byte('>', event.byte));
    case LinkTrace::Kind::Received:
      return add(Byte('<', event.byte));
    case LinkTrace::Kind::TimedOut:
      return add("<(time-out)");
    case LinkTrace::Kind::Failed:
      return add("(" + LinkErrorText(event.error) + ")");
    case LinkTrace::Kind::Purged:
      return add("(purge)");
  }
}

void TraceLines::Flush() {
  if (line_.command.empty() && line_.bytes.empty()) return;
  if (line_.time.empty()) line_.time = UtcTimestamp();
  line_.who = who_;
  reporter_.OnTrace(id_, line_);
  line_ = {};
}

LinkTraceHook TraceHook(const std::shared_ptr<TraceLines>& lines) {
  return [lines](const LinkTrace& event) { lines->Take(event); };
}

}  // namespace flash
