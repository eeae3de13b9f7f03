#include "cli/Worker.h"

#include "cli/Trace.h"
#include "link/Com_p03.h"
#include "platform/PortReaders.h"
#include "update/UpdateRun.h"

namespace flash {

namespace {

// The run's events go to the reporter, and to the worker's own note of its stage.
class Tee final : public update::RunObserver {
 public:
  // silentAfterStop: a device whose call begins after the stop ends without a result (the next
  // device of a --loop), so it gets no event either.
  Tee(update::RunObserver& first, std::atomic<int>& stage, std::atomic<std::uint32_t>& serial,
      const std::atomic<bool>& stop, bool silentAfterStop)
      : first_(first),
        stage_(stage),
        serial_(serial),
        stop_(stop),
        silentAfterStop_(silentAfterStop) {}
  void OnStage(update::RunId id, update::Stage stage) override {
    stage_ = static_cast<int>(stage);
    if (silentAfterStop_ && stage == update::Stage::Calling && stop_.load()) return;
    first_.OnStage(id, stage);
  }
  void OnDevice(update::RunId id, const update::DeviceFacts& facts) override {
    serial_ = facts.serialNumber.value_or(0);
    first_.OnDevice(id, facts);
  }
  void OnSpeed(update::RunId id, std::int32_t bitsPerSecond, bool refused) override {
    first_.OnSpeed(id, bitsPerSecond, refused);
  }
  void OnProgress(update::RunId id, std::size_t done, std::size_t count) override {
    first_.OnProgress(id, done, count);
  }

 private:
  update::RunObserver& first_;
  std::atomic<int>& stage_;
  std::atomic<std::uint32_t>& serial_;
  const std::atomic<bool>& stop_;
  const bool silentAfterStop_;
};

}  // namespace

PortWorker::PortWorker(std::size_t index, const Job& job, Reporter& reporter, LogFile* log,
                       const std::atomic<bool>& stop)
    : index_(index),
      job_(job),
      port_(job.ports.at(index)),
      reporter_(reporter),
      log_(log),
      stop_(stop) {}

std::string PortWorker::AtRisk() const {
  const int stage = stage_.load();
  if (stage != static_cast<int>(update::Stage::Switching) &&
      stage != static_cast<int>(update::Stage::Programming) &&
      stage != static_cast<int>(update::Stage::Finishing))
    return {};
  std::string who = port_.Label();
  if (job_.loop) who += " #" + std::to_string(sequence_.load());
  if (const std::uint32_t serial = serial_.load()) who += " " + std::to_string(serial);
  return who;
}

PortWorker::~PortWorker() {
  Join();
}

void PortWorker::Start() {
  thread_ = std::thread([this] { Run(); });
}

void PortWorker::Join() {
  if (thread_.joinable()) thread_.join();
}

void PortWorker::Run() {
  CP03 link;
  link.SetPortIndex(port_.index);
  const auto stop = [this] { return stop_.load(); };
  update::RunOptions options = job_.run;
  options.session.stop = stop;
  for (unsigned sequence = 1;; ++sequence) {
    options.id = {index_, sequence};
    if (sequence > 1) {
      reporter_.Waiting(index_, sequence);
      if (!update::WaitUntilSilent(link, stop)) break;
    }
    // A bench's cable may be out for a moment between two devices; a port that is missing from
    // the start is a mistake to report at once.
    options.waitForPort = job_.loop && sequence > 1;
    sequence_ = sequence;
    serial_ = 0;
    Tee observer(reporter_, stage_, serial_, stop_, job_.loop && sequence > 1);
    std::shared_ptr<TraceLines> trace;
    if (job_.verbose) {
      trace =
          std::make_shared<TraceLines>(reporter_, options.id, DeviceLabel(job_, index_, sequence));
      options.session.trace = TraceHook(trace);
    }
    // A socket with nothing plugged in has no node to call: its port fails on its own line.
    update::RunResult result;
    if (port_.emptySocket)
      result.outcome = update::Outcome::PortFailed;
    else
      result = update::RunUpdate(link, options, observer);
    if (trace) trace->Flush();
    stage_ = -1;
    // With --loop, Ctrl-C while calling for the next device is the normal end of the bench, and
    // so is Ctrl-C just as it answers: a device that nothing was written to is no device done.
    if (job_.loop && result.outcome == update::Outcome::Stopped && !result.programmingBegun) break;
    // A silent line may be another program taking the answers: look while it may still be there.
    std::vector<std::string> otherReaders;
    if (result.error == LinkTimeout || result.outcome == update::Outcome::NoAnswer)
      otherReaders = platform::OtherReadersOf(port_.device);
    DeviceReport report = Explain(result, job_, port_, otherReaders);
    report.port = index_;
    report.sequence = sequence;
    // A lost log line is told at once; the devices under way go on.
    if (std::string error; log_ && !log_->Append(port_, report, &error)) reporter_.Problem(error);
    reporter_.Result(report);
    reports_.push_back(std::move(report));
    if (!job_.loop || stop() || result.outcome == update::Outcome::PortFailed) break;
  }
  finished_ = true;
}

}  // namespace flash
