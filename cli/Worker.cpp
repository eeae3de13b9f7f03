#include "cli/Worker.h"

#include "link/Com_p03.h"
#include "platform/PortReaders.h"
#include "update/UpdateRun.h"

namespace flash {

PortWorker::PortWorker(std::size_t index, const Job& job, Reporter& reporter, LogFile* log,
                       const std::atomic<bool>& stop)
    : index_(index),
      job_(job),
      port_(job.ports.at(index)),
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
  const auto stop = [this] { return stop_.load(); };
  update::RunOptions options;
  options.program = !job_.Info();
  options.speed = job_.speed;
  options.waitSeconds = job_.waitSeconds;
  options.image = job_.image;
  options.stop = stop;
  for (unsigned sequence = 1;; ++sequence) {
    options.id = {index_, sequence};
    if (sequence > 1) {
      reporter_.Waiting(index_, sequence);
      if (!update::WaitUntilSilent(link, stop)) break;
    }
    // A bench's cable may be out for a moment between two devices; a port that is missing from
    // the start is a mistake to report at once.
    options.waitForPort = job_.loop && sequence > 1;
    const update::RunResult result = update::RunUpdate(link, options, reporter_);
    // With --loop, Ctrl-C while calling for the next device is the normal end of the bench.
    if (job_.loop && result.outcome == update::Outcome::Stopped &&
        result.stage == update::Stage::Calling)
      break;
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
