// On a terminal: one line per port, redrawn in place ten times a second (port, serial number,
// stage, a bar and a percentage, then the outcome). With --loop each device's outcome is printed
// above the live lines, which go on with the next device. Lines are cut to the terminal's width
// so that none wraps and the redraw stays in place.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "cli/Report.h"
#include "platform/Clock.h"

namespace flash {

namespace {

constexpr int kBarWidth = 24;
constexpr auto kRepaint = std::chrono::milliseconds(100);

std::string Pad(const std::string& text, std::size_t width) {
  return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

class TerminalReporter final : public Reporter {
 public:
  TerminalReporter(const Job& job, std::FILE* out, int width)
      : job_(job), out_(out), width_(width), rows_(job.ports.size()) {
    for (const Port& p : job.ports) labelWidth_ = std::max(labelWidth_, p.Label().size());
    if (job.loop) labelWidth_ += 4;  // " #12"
  }

  ~TerminalReporter() override { StopPainter(); }

  void Begin() override {
    painter_ = std::thread([this] { Paint(); });
  }

  void OnStage(update::RunId id, update::Stage stage) override {
    const std::size_t port = id.port;
    const unsigned sequence = id.device;
    std::lock_guard lock(mutex_);
    Row& row = rows_[port];
    if (row.sequence != sequence) row = Row{};
    row.sequence = sequence;
    row.stage = stage;
    row.since = platform::TickCount();
    row.done = false;
    row.waiting = false;
  }

  void OnDevice(update::RunId id, const update::DeviceFacts& facts) override {
    const std::size_t port = id.port;
    std::lock_guard lock(mutex_);
    rows_[port].serial = SerialText(facts);
  }

  void OnSpeed(update::RunId id, std::int32_t bitsPerSecond, bool refused) override {
    const std::size_t port = id.port;
    std::lock_guard lock(mutex_);
    rows_[port].speed = std::to_string(bitsPerSecond) + " bit/s" +
                        (refused ? " (refused " + std::to_string(job_.speed) + ")" : "");
  }

  void OnProgress(update::RunId id, std::size_t done, std::size_t count) override {
    const std::size_t port = id.port;
    std::lock_guard lock(mutex_);
    rows_[port].done_records = done;
    rows_[port].records = count;
  }

  void Waiting(std::size_t port, unsigned next) override {
    std::lock_guard lock(mutex_);
    Row& row = rows_[port];
    row = Row{};
    row.sequence = next;
    row.waiting = true;
  }

  void Result(const DeviceReport& r) override {
    std::lock_guard lock(mutex_);
    Row& row = rows_[r.port];
    row.sequence = r.sequence;
    row.serial = SerialText(r.result.device);
    row.outcome = r.line;
    row.done = true;
    if (job_.loop) {
      commits_.push_back(RowText(r.port, row));
      // A bench that runs on does not wait for the summary to say what went wrong.
      if (r.code != kExitUpdated) {
        if (!r.cause.empty()) commits_.push_back("    cause: " + r.cause);
        if (!r.remedy.empty()) commits_.push_back("    remedy: " + r.remedy);
      }
    }
  }

  // The live lines go, the message stays above them, and they are drawn again below it.
  void Problem(const std::string& text) override {
    std::lock_guard lock(mutex_);
    if (drawn_ > 0) std::fprintf(out_, "\x1b[%dA\r\x1b[J", drawn_);
    std::fflush(out_);
    drawn_ = 0;
    Reporter::Problem(text);
    Draw();
  }

  void Stopping() override {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }

  void End(const RunSummary& summary) override {
    StopPainter();
    std::lock_guard lock(mutex_);
    if (job_.loop) {
      // The live lines have nothing more to say: the outcomes are above them.
      for (Row& row : rows_) {
        if (!row.done) row.outcome = "ended";
        row.done = true;
      }
    }
    Draw();
    for (const std::string& line : SummaryLines(job_, summary)) {
      std::fprintf(out_, "\r\x1b[2K%s\n", Fit(line, false).c_str());
    }
    std::fflush(out_);
  }

 private:
  struct Row {
    unsigned sequence = 1;
    update::Stage stage = update::Stage::Calling;
    std::uint64_t since = 0;
    std::string serial = "-";
    std::string speed;
    std::size_t done_records = 0, records = 0;
    bool done = false;
    bool waiting = false;
    std::string outcome;
  };

  std::string Bar(const Row& row) const {
    const std::size_t filled = row.records ? kBarWidth * row.done_records / row.records : 0;
    const int percent = row.records ? static_cast<int>(100 * row.done_records / row.records) : 0;
    return "[" + std::string(filled, '#') + std::string(kBarWidth - filled, '-') + "] " +
           (percent < 10    ? "  "
            : percent < 100 ? " "
                            : "") +
           std::to_string(percent) + "%";
  }

  std::string State(const Row& row) const {
    if (row.done) return row.outcome;
    std::string state;
    if (row.waiting) {
      state = "waiting for the device to go, then for the next one";
    } else {
      switch (row.stage) {
        case update::Stage::Calling: {
          const std::uint64_t s = (platform::TickCount() - row.since) / 1000;
          state = "calling " + std::to_string(s) + " s" +
                  (job_.waitSeconds ? " of " + std::to_string(*job_.waitSeconds) : "");
          break;
        }
        case update::Stage::Checking:
          state = "checking";
          break;
        case update::Stage::Switching:
          state = "switching to " + std::to_string(job_.speed) + " bit/s";
          break;
        case update::Stage::Programming:
          state = "programming " + Bar(row) + (row.speed.empty() ? "" : "  " + row.speed);
          break;
        case update::Stage::Finishing:
          state = "finishing";
          break;
      }
    }
    return stopping_ ? state + "  (stopping)" : state;
  }

  std::string RowText(std::size_t port, const Row& row) const {
    return Pad(DeviceLabel(job_, port, row.sequence), labelWidth_) + "  " + Pad(row.serial, 10) +
           " " + State(row);
  }

  // Cut to the width, so that a line never wraps (a wrapped line would throw the redraw off).
  std::string Fit(const std::string& line, bool cut = true) const {
    const std::size_t limit = width_ > 1 ? static_cast<std::size_t>(width_ - 1) : 79;
    return cut && line.size() > limit ? line.substr(0, limit) : line;
  }

  // Up to the first live line, the outcomes to keep above it, then every live line anew.
  void Draw() {
    std::string text;
    if (drawn_ > 0) text += "\x1b[" + std::to_string(drawn_) + "A";
    for (const std::string& line : commits_) text += "\r\x1b[2K" + Fit(line) + "\n";
    commits_.clear();
    for (std::size_t i = 0; i < rows_.size(); ++i)
      text += "\r\x1b[2K" + Fit(RowText(i, rows_[i])) + "\n";
    drawn_ = static_cast<int>(rows_.size());
    std::fputs(text.c_str(), out_);
    std::fflush(out_);
  }

  void Paint() {
    std::unique_lock lock(mutex_);
    while (!ending_) {
      Draw();
      wake_.wait_for(lock, kRepaint, [this] { return ending_; });
    }
  }

  void StopPainter() {
    {
      std::lock_guard lock(mutex_);
      ending_ = true;
    }
    wake_.notify_all();
    if (painter_.joinable()) painter_.join();
  }

  const Job& job_;
  std::FILE* out_;
  const int width_;
  std::size_t labelWidth_ = 0;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::vector<Row> rows_;
  std::vector<std::string> commits_;
  std::string lastFrame_;
  int drawn_ = 0;
  bool stopping_ = false;
  bool ending_ = false;
  std::thread painter_;
};

}  // namespace

std::unique_ptr<Reporter> MakeTerminalReporter(const Job& job, std::FILE* out, int width) {
  return std::make_unique<TerminalReporter>(job, out, width);
}

}  // namespace flash
