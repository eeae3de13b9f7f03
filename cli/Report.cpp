#include "cli/Report.h"

namespace flash {

std::string DeviceLabel(const Job& job, std::size_t port, unsigned sequence) {
  std::string label = job.ports.at(port).Label();
  if (job.loop) label += " #" + std::to_string(sequence);
  return label;
}

void Reporter::Problem(const std::string& text) {
  std::fprintf(stderr, "orb42-flash: %s\n", text.c_str());
  std::fflush(stderr);
}

// Written whole, in one call, so that the lines of several ports never mix.
void Reporter::OnTrace(update::RunId id, const TraceLine& line) {
  (void)id;
  const std::string text = line.time + " " + line.who + ": " + line.command +
                           (line.bytes.empty() ? std::string() : ": " + line.bytes) + "\n";
  std::fputs(text.c_str(), stderr);
}

std::vector<std::string> SummaryLines(const Job& job, const RunSummary& summary) {
  std::vector<std::string> lines;
  std::size_t good = 0;
  for (const DeviceReport& r : summary.reports) good += r.code == kExitUpdated ? 1 : 0;
  const std::size_t count = summary.reports.size();
  const std::size_t bad = count - good;
  std::string counts = std::to_string(count) + (count == 1 ? " device: " : " devices: ");
  counts += job.Info()
                ? std::to_string(good) + " would be updated, " + std::to_string(bad) + " would not"
                : std::to_string(good) + " updated, " + std::to_string(bad) + " not updated";
  lines.push_back(counts + ".");
  std::string halfWay;
  for (const DeviceReport& r : summary.reports) {
    if (r.code == kExitUpdated) continue;
    const std::string who = WhoText(DeviceLabel(job, r.port, r.sequence), r.result.device);
    lines.push_back("  " + who + ": " + r.line);
    if (!r.cause.empty()) lines.push_back("      cause: " + r.cause);
    if (!r.remedy.empty()) lines.push_back("      remedy: " + r.remedy);
    if (r.stoppedHalfWay) halfWay += (halfWay.empty() ? "" : ", ") + who;
  }
  if (!halfWay.empty()) {
    lines.push_back("Stopped half-way, not updated, can be updated again: " + halfWay + ".");
  }
  if (summary.interrupted)
    lines.push_back(job.loop ? "Ended by Ctrl-C." : "Interrupted by Ctrl-C.");
  if (summary.logLinesLost > 0)
    lines.push_back(std::to_string(summary.logLinesLost) +
                    (summary.logLinesLost == 1 ? " line" : " lines") +
                    " could not be written to the log file " + summary.log + ".");
  lines.push_back("Exit status " + std::to_string(summary.code) + ".");
  return lines;
}

}  // namespace flash
