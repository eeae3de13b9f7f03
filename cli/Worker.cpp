#include "cli/Worker.h"

#include "link/Com_p03.h"
#include "platform/PortReaders.h"
#include "update/UpdateRun.h"

namespace flash {

namespace {

// The run's events, passed on with the port and the device they are about.
class Forward final : public update::RunObserver {
 public:
  Forward(Reporter& reporter, std::size_t port) : reporter_(reporter), port_(port) {}
  void SetSequence(unsigned sequence) { sequence_ = sequence; }

  void OnStage(update::Stage stage) override { reporter_.Stage(port_, sequence_, stage); }
  void OnDevice(const update::DeviceFacts& facts) override { reporter_.Device(port_, facts); }
  void OnSpeed(std::int32_t bitsPerSecond, bool refused) override {
    reporter_.Speed(port_, bitsPerSecond, refused);
  }
  void OnProgress(std::size_t done, std::size_t count) override {
    reporter_.Progress(port_, done, count);
  }

 private:
  Reporter& reporter_;
  const std::size_t port_;
  unsigned sequence_ = 1;
};

}  // namespace

PortWorker::PortWorker(std::size_t index, const Port& port, const WorkSettings& settings,
                       Reporter& reporter, LogFile* log, const std::atomic<bool>& stop)
    : index_(index),
      port_(port),
      settings_(settings),
      reporter_(reporter),
      log_(log),
      stop_(stop) {}

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
  Forward forward(reporter_, index_);
  const auto stop = [this] { return stop_.load(); };
  for (unsigned sequence = 1;; ++sequence) {
    forward.SetSequence(sequence);
    if (sequence > 1) {
      reporter_.Waiting(index_, sequence);
      if (!update::WaitUntilSilent(link, stop)) break;
    }
    update::RunOptions options;
    options.program = !settings_.info;
    options.speed = settings_.speed;
    options.waitSeconds = settings_.waitSeconds;
    // A bench's cable may be out for a moment between two devices; a port that is missing from
    // the start is a mistake to report at once.
    options.waitForPort = settings_.loop && sequence > 1;
    options.image = settings_.image;
    options.stop = stop;
    const update::RunResult result = update::RunUpdate(link, options, forward);
    // With --loop, Ctrl-C while calling for the next device is the normal end of the bench.
    if (settings_.loop && result.outcome == update::Outcome::Stopped &&
        result.stage == update::Stage::Calling)
      break;
    ReportContext context{port_, settings_.info, settings_.waitSeconds, settings_.speed, {}};
    // A silent line may be another program taking the answers: look while it may still be there.
    if (result.error == LinkTimeout || result.outcome == update::Outcome::NoAnswer)
      context.otherReaders = platform::OtherReadersOf(port_.device);
    DeviceReport report = Explain(result, context);
    report.port = index_;
    report.sequence = sequence;
    // A lost log line is told at once; the devices under way go on.
    if (std::string error; log_ && !log_->Append(port_, report, &error)) reporter_.Problem(error);
    reporter_.Result(report);
    reports_.push_back(std::move(report));
    if (!settings_.loop || stop() || result.outcome == update::Outcome::PortFailed) break;
  }
  finished_ = true;
}

}  // namespace flash
