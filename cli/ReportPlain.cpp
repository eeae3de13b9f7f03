// Plain lines, one per event of note, for a log file or a pipe: no cursor movement, no line
// redrawn, each line whole and prefixed with its port.
#include <mutex>

#include "cli/Report.h"
#include "cli/Words.h"

namespace flash {

namespace {

class PlainReporter final : public Reporter {
 public:
  PlainReporter(const Job& job, std::FILE* out) : job_(job), out_(out) {
    quarters_.assign(job.ports.size(), 0);
    sequence_.assign(job.ports.size(), 1);
  }

  void OnStage(update::RunId id, update::Stage stage) override {
    const std::size_t port = id.port;
    const unsigned sequence = id.device;
    std::lock_guard lock(mutex_);
    sequence_[port] = sequence;
    if (stage == update::Stage::Calling) {
      Line(port,
           !job_.run.waitSeconds
               ? Say({"appel de l'appareil (jusqu'à Ctrl-C)", "calling the device (until Ctrl-C)"})
           : *job_.run.waitSeconds == 0
               ? Say({"appel de l'appareil, une fois", "calling the device once"})
               : Say({"appel de l'appareil (jusqu'à {0} s)", "calling the device (up to {0} s)"},
                     {std::to_string(*job_.run.waitSeconds)}));
    }
  }

  void OnDevice(update::RunId id, const update::DeviceFacts& d) override {
    const std::size_t port = id.port;
    std::lock_guard lock(mutex_);
    std::string text = Say({"identité {0}", "identity {0}"},
                           {d.identity ? (French() ? "« " + Printable(*d.identity) + " »"
                                                   : "\"" + Printable(*d.identity) + "\"")
                                       : "?"});
    if (d.type)
      text += Say({", type d'appareil {0}", ", device type {0}"}, {std::to_string(*d.type)});
    if (d.serialNumber)
      text += Say({", numéro de série {0}", ", serial number {0}"}, {SerialText(d)});
    if (d.versionMajor) text += Say({", version {0}", ", version {0}"}, {VersionText(d)});
    Line(port, text);
  }

  void OnSpeed(update::RunId id, std::int32_t bitsPerSecond, bool refused) override {
    const std::size_t port = id.port;
    std::lock_guard lock(mutex_);
    quarters_[port] = 0;
    const std::string bps = std::to_string(bitsPerSecond);
    Line(port, refused ? Say({"le chargeur a refusé {0} bit/s : programmation à {1} bit/s",
                              "the loader refused {0} bit/s: programming at {1} bit/s"},
                             {std::to_string(job_.run.session.speed), bps})
                       : Say({"programmation à {0} bit/s", "programming at {0} bit/s"}, {bps}));
  }

  // A line at each quarter, not at each record: a log is read by people.
  void OnProgress(update::RunId id, std::size_t done, std::size_t count) override {
    const std::size_t port = id.port;
    if (count == 0) return;
    std::lock_guard lock(mutex_);
    const std::size_t quarter = 4 * done / count;
    if (quarter <= quarters_[port] || quarter >= 4) return;
    quarters_[port] = quarter;
    Line(port, std::to_string(25 * quarter) + (French() ? " %" : "%"));
  }

  void Waiting(std::size_t port, unsigned next) override {
    std::lock_guard lock(mutex_);
    sequence_[port] = next;
    Line(port, Say({"attente du départ de l'appareil, puis du suivant",
                    "waiting for the device to go, then for the next one"}));
  }

  void Result(const DeviceReport& r) override {
    std::lock_guard lock(mutex_);
    sequence_[r.port] = r.sequence;
    Line(r.port, r.result.device.serialNumber
                     ? Say({"{0} : {1}", "{0}: {1}"}, {SerialText(r.result.device), r.line})
                     : r.line);
    // A bench that runs on does not wait for the summary to say what went wrong.
    if (job_.loop && r.code != kExitUpdated) {
      for (const std::string& line : CauseAndRemedy(r)) Line(r.port, line);
    }
  }

  void Stopping() override {
    std::lock_guard lock(mutex_);
    Write(out_, StoppingText() + "\n");
  }

  void End(const RunSummary& summary) override {
    std::lock_guard lock(mutex_);
    std::string text;
    for (const std::string& line : SummaryLines(job_, summary)) text += line + "\n";
    Write(out_, text);
  }

 private:
  void Line(std::size_t port, const std::string& text) {
    Write(out_,
          Say({"{0} : {1}", "{0}: {1}"}, {DeviceLabel(job_, port, sequence_[port]), text}) + "\n");
  }

  const Job& job_;
  std::FILE* out_;
  std::mutex mutex_;
  std::vector<std::size_t> quarters_;
  std::vector<unsigned> sequence_;
};

// Only what went wrong, on the error stream: nothing for a device that was updated.
class QuietReporter final : public Reporter {
 public:
  QuietReporter(const Job& job, std::FILE* err) : job_(job), err_(err) {}

  void Result(const DeviceReport& r) override {
    if (r.code == kExitUpdated) return;
    std::lock_guard lock(mutex_);
    std::string text =
        Say({"{0} : {1}", "{0}: {1}"},
            {WhoText(DeviceLabel(job_, r.port, r.sequence), r.result.device), r.line}) +
        "\n";
    for (const std::string& line : CauseAndRemedy(r)) text += "    " + line + "\n";
    std::fputs(text.c_str(), err_);
    std::fflush(err_);
  }

  void End(const RunSummary&) override {}

 private:
  const Job& job_;
  std::FILE* err_;
  std::mutex mutex_;
};

}  // namespace

std::unique_ptr<Reporter> MakePlainReporter(const Job& job, std::FILE* out) {
  return std::make_unique<PlainReporter>(job, out);
}

std::unique_ptr<Reporter> MakeQuietReporter(const Job& job, std::FILE* err) {
  return std::make_unique<QuietReporter>(job, err);
}

}  // namespace flash
