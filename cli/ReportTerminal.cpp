// On a terminal: one line per port, redrawn in place ten times a second (port, serial number,
// stage, a percentage and a bar, then the outcome). With --loop each device's outcome is printed
// above the live lines, which go on with the next device. A live line never wraps, so that the
// redraw stays in place: on a narrow terminal the bar shrinks first, then the line is cut. Lines
// printed for good (outcomes above the live lines, the last frame, the summary) wrap at word
// breaks instead.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "cli/Report.h"
#include "cli/Words.h"
#include "platform/Clock.h"

namespace flash {

namespace {

constexpr std::size_t kBarWidth = 24;
constexpr std::size_t kNarrowestBar = 6;  // a bar narrower than this says nothing: none
constexpr auto kRepaint = std::chrono::milliseconds(100);

std::string Pad(const std::string& text, std::size_t width) {
  return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

class TerminalReporter final : public Reporter {
 public:
  TerminalReporter(const Job& job, std::FILE* out, int width)
      : job_(job), out_(out), width_(width), rows_(job.ports.size()) {
    // The calling count starts at 0, not at the machine's uptime.
    for (Row& row : rows_) row.since = platform::TickCount();
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
    rows_[port].speed =
        std::to_string(bitsPerSecond) + " bit/s" +
        (refused ? Say({" ({0} refusé)", " (refused {0})"}, {std::to_string(job_.speed)})
                 : std::string());
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
      commits_.push_back(RowText(r.port, row, false));
      // A bench that runs on does not wait for the summary to say what went wrong.
      if (r.code != kExitUpdated) {
        if (!r.cause.empty())
          commits_.push_back("    " + Say({"cause : {0}", "cause: {0}"}, {r.cause}));
        if (!r.remedy.empty())
          commits_.push_back("    " + Say({"remède : {0}", "remedy: {0}"}, {r.remedy}));
      }
    }
  }

  // The live lines go, the message stays above them, and they are drawn again below it.
  void Problem(const std::string& text) override {
    std::lock_guard lock(mutex_);
    if (drawn_ > 0) Write(out_, "\x1b[" + std::to_string(drawn_) + "A\r\x1b[J");
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
    std::string text = Up() + "\r\x1b[J";
    if (job_.loop) {
      // The live lines have nothing more to say: every outcome is above them already.
      for (const std::string& line : commits_) text += Wrap(line);
    } else {
      for (std::size_t i = 0; i < rows_.size(); ++i) text += Wrap(RowText(i, rows_[i], false));
    }
    commits_.clear();
    drawn_ = 0;
    for (const std::string& line : SummaryLines(job_, summary)) text += Wrap(line);
    Write(out_, text);
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

  static std::string Percent(const Row& row) {
    const int percent = row.records ? static_cast<int>(100 * row.done_records / row.records) : 0;
    std::string text = std::to_string(percent) + "%";
    return std::string(4 - text.size(), ' ') + text;
  }

  static std::string Bar(const Row& row, std::size_t width) {
    const std::size_t filled = row.records ? width * row.done_records / row.records : 0;
    return "[" + std::string(filled, '#') + std::string(width - filled, '-') + "]";
  }

  // "programming  52% [######------] 115200 bit/s": the percentage before the bar, and a bar as
  // wide as the line leaves room for (room: the columns left for the whole state).
  std::string Programming(const Row& row, std::size_t room) const {
    const std::string head = Say({"programmation ", "programming "}) + Percent(row);
    const std::string tail = row.speed.empty() ? "" : " " + row.speed;
    const std::size_t fixed = head.size() + 3 + tail.size();  // " [" and "]"
    const std::size_t bar = room > fixed ? std::min(kBarWidth, room - fixed) : 0;
    if (bar < kNarrowestBar) return head + tail;
    return head + " " + Bar(row, bar) + tail;
  }

  std::string State(const Row& row, std::size_t room) const {
    if (row.done) return row.outcome;
    std::string state;
    if (row.waiting) {
      state = Say({"attente du départ de l'appareil, puis du suivant",
                   "waiting for the device to go, then for the next one"});
    } else {
      switch (row.stage) {
        case update::Stage::Calling: {
          const std::uint64_t s = (platform::TickCount() - row.since) / 1000;
          state = job_.waitSeconds == 0u ? Say({"appel, une fois", "calling once"})
                  : job_.waitSeconds     ? Say({"appel {0} s sur {1}", "calling {0} s of {1}"},
                                               {std::to_string(s), std::to_string(*job_.waitSeconds)})
                                     : Say({"appel {0} s", "calling {0} s"}, {std::to_string(s)});
          break;
        }
        case update::Stage::Checking:
          state = Say({"vérifications", "checking"});
          break;
        case update::Stage::Switching:
          state =
              Say({"passage à {0} bit/s", "switching to {0} bit/s"}, {std::to_string(job_.speed)});
          break;
        case update::Stage::Programming:
          state = Programming(row, room > 14 ? room - 14 : 0);  // "  (stopping)"
          break;
        case update::Stage::Finishing:
          state = Say({"fin", "finishing"});
          break;
      }
    }
    return stopping_ ? state + Say({"  (arrêt)", "  (stopping)"}) : state;
  }

  std::size_t Columns() const { return width_ > 1 ? static_cast<std::size_t>(width_ - 1) : 79; }

  // A live line is cut to the width; one printed for good is not (Wrap breaks it).
  std::string RowText(std::size_t port, const Row& row, bool live = true) const {
    const std::string head =
        Pad(DeviceLabel(job_, port, row.sequence), labelWidth_) + "  " + Pad(row.serial, 10) + " ";
    const std::size_t room = Columns() > head.size() ? Columns() - head.size() : 0;
    const std::string line = head + State(row, live ? room : kBarWidth + 40);
    return live ? Fit(line) : line;
  }

  // Cut to the width, so that a live line never wraps (a wrapped one would throw the redraw off).
  std::string Fit(const std::string& line) const {
    return line.size() > Columns() ? line.substr(0, Columns()) : line;
  }

  // Broken at spaces to the width, the lines after the first indented four more than it; each
  // line cleared and ended.
  std::string Wrap(const std::string& line) const {
    std::string out;
    std::string rest = line;
    const std::string more(line.find_first_not_of(' ') + 4, ' ');
    bool first = true;
    for (;;) {
      const std::string indent = first ? "" : more;
      const std::size_t limit = Columns() > indent.size() + 10 ? Columns() - indent.size() : 10;
      if (rest.size() <= limit) {
        out += "\r\x1b[2K" + indent + rest + "\n";
        return out;
      }
      std::size_t cut = rest.rfind(' ', limit);
      if (cut == std::string::npos || cut == 0) cut = limit;
      out += "\r\x1b[2K" + indent + rest.substr(0, cut) + "\n";
      rest = rest.substr(cut);
      if (!rest.empty() && rest[0] == ' ') rest.erase(0, 1);
      first = false;
    }
  }

  std::string Up() const {
    return drawn_ > 0 ? "\x1b[" + std::to_string(drawn_) + "A" : std::string();
  }

  // Up to the first live line, the outcomes to keep above it, then every live line anew.
  void Draw() {
    std::string text = Up();
    for (const std::string& line : commits_) text += Wrap(line);
    commits_.clear();
    for (std::size_t i = 0; i < rows_.size(); ++i)
      text += "\r\x1b[2K" + RowText(i, rows_[i]) + "\n";
    drawn_ = static_cast<int>(rows_.size());
    Write(out_, text);
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
