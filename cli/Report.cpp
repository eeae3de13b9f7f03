#include "cli/Report.h"

#include <atomic>
#include <cerrno>

#include "cli/Words.h"

namespace flash {

namespace {

std::atomic<int> outputError{0};

}  // namespace

void Write(std::FILE* out, const std::string& text) {
  errno = 0;
  const bool written = std::fputs(text.c_str(), out) >= 0;
  const bool flushed = std::fflush(out) == 0;
  if ((written && flushed) || out != stdout) return;
  int none = 0;
  outputError.compare_exchange_strong(none, errno != 0 ? errno : EIO);
}

int OutputError() {
  return outputError.load();
}

std::string DeviceLabel(const Job& job, std::size_t port, unsigned sequence) {
  std::string label = job.ports.at(port).Label();
  if (job.loop) label += " #" + std::to_string(sequence);
  return label;
}

void Reporter::Problem(const std::string& text) {
  std::fprintf(stderr, "%s\n", Say({"orb42-flash : {0}", "orb42-flash: {0}"}, {text}).c_str());
  std::fflush(stderr);
}

// Written whole, in one call, so that the lines of several ports never mix.
void Reporter::OnTrace(update::RunId id, const TraceLine& line) {
  (void)id;
  const std::string text = line.time + " " + line.who + ": " + line.command +
                           (line.bytes.empty() ? std::string() : ": " + line.bytes) + "\n";
  std::fputs(text.c_str(), stderr);
}

std::vector<std::string> CauseAndRemedy(const DeviceReport& r) {
  std::vector<std::string> lines;
  if (!r.cause.empty()) lines.push_back(Say({"cause : {0}", "cause: {0}"}, {r.cause}));
  if (!r.remedy.empty()) lines.push_back(Say({"remède : {0}", "remedy: {0}"}, {r.remedy}));
  return lines;
}

std::string StoppingText() {
  return Say({"{0} : chaque port finit le mot en cours, quitte la programmation, libère "
              "l'appareil et ferme (un second {0} arrête tout de suite)",
              "{0}: each port finishes the word under way, leaves programming, releases the "
              "device and closes ({0} again ends at once)"},
             {StopName()});
}

std::vector<std::string> SummaryLines(const Job& job, const RunSummary& summary) {
  std::vector<std::string> lines;
  std::size_t good = 0;
  for (const DeviceReport& r : summary.reports) good += r.code == kExitUpdated ? 1 : 0;
  const std::size_t count = summary.reports.size();
  const std::size_t bad = count - good;
  const std::vector<std::string> n = {std::to_string(count), std::to_string(good),
                                      std::to_string(bad)};
  if (job.Info()) {
    lines.push_back(count == 1 ? Say({"{0} appareil : {1} serait mis à jour, {2} non.",
                                      "{0} device: {1} would be updated, {2} would not."},
                                     {n[0], n[1], n[2]})
                               : Say({"{0} appareils : {1} seraient mis à jour, {2} non.",
                                      "{0} devices: {1} would be updated, {2} would not."},
                                     {n[0], n[1], n[2]}));
  } else {
    lines.push_back(count == 1 ? Say({"{0} appareil : {1} mis à jour, {2} non mis à jour.",
                                      "{0} device: {1} updated, {2} not updated."},
                                     {n[0], n[1], n[2]})
                               : Say({"{0} appareils : {1} mis à jour, {2} non mis à jour.",
                                      "{0} devices: {1} updated, {2} not updated."},
                                     {n[0], n[1], n[2]}));
  }
  std::string halfWay;
  for (const DeviceReport& r : summary.reports) {
    if (r.code == kExitUpdated) continue;
    const std::string who = WhoText(DeviceLabel(job, r.port, r.sequence), r.result.device);
    lines.push_back("  " + Say({"{0} : {1}", "{0}: {1}"}, {who, r.line}));
    for (const std::string& line : CauseAndRemedy(r)) lines.push_back("      " + line);
    if (r.stoppedHalfWay) halfWay += (halfWay.empty() ? "" : ", ") + who;
  }
  if (!halfWay.empty()) {
    lines.push_back(Say({"Arrêtés en cours, non mis à jour, peuvent l'être à nouveau : {0}.",
                         "Stopped half-way, not updated, can be updated again: {0}."},
                        {halfWay}));
  }
  if (summary.interrupted)
    lines.push_back(job.loop ? Say({"Fin par {0}.", "Ended by {0}."}, {StopName()})
                             : Say({"Interrompu par {0}.", "Interrupted by {0}."}, {StopName()}));
  if (summary.logLinesLost > 0)
    lines.push_back(Say({"{0} ligne(s) n'ont pas pu être écrites dans le journal {1}.",
                         "{0} line(s) could not be written to the log file {1}."},
                        {std::to_string(summary.logLinesLost), summary.log}));
  lines.push_back(Say({"Code de sortie {0}.", "Exit status {0}."},
                      {std::to_string(static_cast<int>(summary.code))}));
  return lines;
}

}  // namespace flash
