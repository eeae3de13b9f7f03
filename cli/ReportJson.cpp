// --json: one JSON object a line for every event and every result, flushed at once, so that a
// script can follow a run as it goes. Field names are stable: scripts rely on them.
#include <mutex>
#include <nlohmann/json.hpp>

#include "cli/Json.h"
#include "cli/Report.h"
#include "cli/Terminal.h"

namespace flash {

using Json = nlohmann::ordered_json;

namespace {

class JsonReporter final : public Reporter {
 public:
  JsonReporter(const Job& job, std::FILE* out)
      : job_(job), out_(out), quiet_(job.quiet), percent_(job.ports.size(), -1) {}

  void Begin() override {
    Json ports = Json::array();
    for (const Port& p : job_.ports) ports.push_back({{"port", p.com}, {"device", p.device}});
    Json j = {{"event", "start"},
              {"command", job_.Info() ? "info" : "update"},
              {"ports", ports},
              {"wait_seconds", job_.run.waitSeconds ? Json(*job_.run.waitSeconds) : Json(nullptr)}};
    if (!job_.Info()) {
      j["speed"] = job_.run.session.speed;
      j["loop"] = job_.loop;
      j["firmware"] = job_.firmware.empty() ? Json("built-in") : Json(job_.firmware);
      j["records"] = job_.records;
    }
    Emit(j);
  }

  void OnStage(update::RunId id, update::Stage stage) override {
    const std::size_t port = id.port;
    const unsigned sequence = id.device;
    Json j = Head("stage", port, sequence);
    j["stage"] = update::StageName(stage);
    Emit(j);
  }

  void OnDevice(update::RunId id, const update::DeviceFacts& facts) override {
    Json j = Head("device", id.port, id.device);
    j.update(FactsJson(facts));
    Emit(j);
  }

  void OnSpeed(update::RunId id, std::int32_t bitsPerSecond, bool refused) override {
    Json j = Head("speed", id.port, id.device);
    j["bps"] = bitsPerSecond;
    j["refused"] = refused;
    Emit(j);
  }

  // One event each time the whole percentage moves on.
  void OnProgress(update::RunId id, std::size_t done, std::size_t count) override {
    const std::size_t port = id.port;
    if (quiet_ || count == 0) return;
    const int percent = static_cast<int>(100 * done / count);
    {
      std::lock_guard lock(mutex_);
      if (percent == percent_[port]) return;
      percent_[port] = percent;
    }
    Json j = Head("progress", port, id.device);
    j["records"] = done;
    j["of"] = count;
    j["percent"] = percent;
    Emit(j);
  }

  void Waiting(std::size_t port, unsigned next) override {
    Json j = Head("waiting", port, next);
    j["next_device"] = next;
    Emit(j);
  }

  void Result(const DeviceReport& r) override {
    const update::RunResult& x = r.result;
    Json j = Head("result", r.port, r.sequence);
    j["outcome"] = OutcomeKey(x);
    j["exit_code"] = static_cast<int>(r.code);
    j.update(FactsJson(x.device));
    if (x.device.versionMajor && x.device.versionMinor) {
      // On the device now; null when it could not be read back after a failure while it was
      // being written.
      const std::string after = VersionAfter(x);
      j["version"] = after == "?" ? Json(nullptr) : Json(after);
      j["version_before"] = VersionText(x.device);
    }
    j["repairs"] = x.repairs;
    if (x.stage == update::Stage::Switching || x.stage == update::Stage::Programming) {
      j["speed"] = x.speed;
      j["speed_refused"] = x.speedRefused;
      j["records_written"] = x.recordsDone;
      j["records"] = x.recordCount;
      j["words_written"] = x.written;
      j["half_way"] = r.stoppedHalfWay;
    }
    j["seconds"] = static_cast<double>(x.updateMs) / 1000.0;
    j["calling_seconds"] = static_cast<double>(x.callingMs) / 1000.0;
    if (x.error != LinkOk) j["error"] = {{"code", x.error}, {"text", LinkErrorText(x.error)}};
    j["message"] = r.line;
    if (!r.cause.empty()) j["cause"] = r.cause;
    if (!r.remedy.empty()) j["remedy"] = r.remedy;
    Emit(j);
  }

  void Stopping() override { Emit({{"event", "stopping"}, {"by", StopKey()}}); }

  void OnTrace(update::RunId id, const TraceLine& line) override {
    Json j = Head("trace", id.port, id.device);
    j["command"] = line.command;
    j["bytes"] = line.bytes;
    j["began"] = line.time;
    Emit(j);
  }

  void End(const RunSummary& summary) override {
    std::size_t good = 0;
    Json halfWay = Json::array();
    for (const DeviceReport& r : summary.reports) {
      good += r.code == kExitUpdated ? 1 : 0;
      if (r.stoppedHalfWay) {
        Json who = {{"port", job_.ports[r.port].com}, {"device_no", r.sequence}};
        who.update(FactsJson(r.result.device));
        halfWay.push_back(who);
      }
    }
    // The same keys for info and update, so that one script reads both: for info, "updated"
    // counts the devices that would be.
    Emit({{"event", "summary"},
          {"command", job_.Info() ? "info" : "update"},
          {"devices", summary.reports.size()},
          {"updated", good},
          {"not_updated", summary.reports.size() - good},
          {"half_way", halfWay},
          {"interrupted", summary.interrupted},
          {"stopped_by", summary.interrupted ? Json(StopKey()) : Json(nullptr)},
          {"log_lines_lost", summary.logLinesLost},
          {"exit_code", static_cast<int>(summary.code)}});
  }

 private:
  // Every event of a device: its port (the COM name, and the port as the user gave it when that
  // was another name: a by-path link, a node's path) and its number on that port.
  Json Head(const char* event, std::size_t port, unsigned sequence) const {
    const Port& p = job_.ports[port];
    Json j = {{"event", event}, {"port", p.com.empty() ? p.given : p.com}, {"device_no", sequence}};
    if (!p.given.empty() && p.given != p.com) j["port_given"] = Shown(p.given);
    return j;
  }

  static const char* StopKey() {
    return terminal::StoppedBy() == terminal::StopCause::Terminate ? "terminate" : "ctrl-c";
  }

  void Emit(const Json& j) {
    const std::string line = JsonLine(j);
    std::lock_guard lock(mutex_);
    Write(out_, line + "\n");
  }

  const Job& job_;
  std::FILE* out_;
  const bool quiet_;
  std::mutex mutex_;
  std::vector<int> percent_;
};

}  // namespace

std::unique_ptr<Reporter> MakeJsonReporter(const Job& job, std::FILE* out) {
  return std::make_unique<JsonReporter>(job, out);
}

}  // namespace flash
