// On a terminal: one line per port, redrawn in place ten times a second (port, serial number,
// stage, a percentage and a bar, then the outcome). With --loop each device's outcome is printed
// above the live lines, which go on with the next device. A live line never wraps, so that the
// redraw stays in place: on a narrow terminal the bar shrinks first, then the line is cut
// (between two characters, by the columns they take). Lines printed for good (outcomes above the
// live lines, the last frame, the summary) wrap at word breaks instead.
//
// The live lines never take more rows than the terminal has, less the one the cursor rests on:
// a block taller than the screen would scroll its top into the scrollback at every frame, where
// the cursor cannot go back to it. With more ports than rows, the ports that have most to show
// get the rows and one line counts the others. The size is measured again before each frame, so
// a resized terminal gets lines of its new width at the next frame.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <numeric>
#include <thread>

#include "cli/Report.h"
#include "cli/Terminal.h"
#include "cli/TextColumns.h"
#include "cli/Words.h"
#include "platform/Clock.h"

namespace flash {

namespace {

constexpr std::size_t kBarWidth = 24;
constexpr std::size_t kNarrowestBar = 6;  // a bar narrower than this says nothing: none
constexpr auto kRepaint = std::chrono::milliseconds(100);

class TerminalReporter final : public Reporter {
 public:
  TerminalReporter(const Job& job, std::FILE* out, int width)
      : job_(job), out_(out), rows_(job.ports.size()) {
    size_.columns = width;
    // The calling count starts at 0, not at the machine's uptime.
    for (Row& row : rows_) row.since = platform::TickCount();
    for (const Port& p : job.ports) labelWidth_ = std::max(labelWidth_, Columns(p.Label()));
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
                        (refused ? Say({" ({0} refusé)", " (refused {0})"},
                                       {std::to_string(job_.run.session.speed)})
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
    row.good = r.code == kExitUpdated;
    if (job_.loop) {
      commits_.push_back(RowText(r.port, row, false));
      // A bench that runs on does not wait for the summary to say what went wrong.
      if (r.code != kExitUpdated) {
        for (const std::string& line : CauseAndRemedy(r)) commits_.push_back("    " + line);
      }
    }
  }

  // The live lines go, the message stays above them, and they are drawn again below it.
  void Problem(const std::string& text) override {
    std::lock_guard lock(mutex_);
    Measure();
    if (!drawnColumns_.empty()) Write(out_, Up() + "\r\x1b[J");
    drawnColumns_.clear();
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
    Measure();
    std::string text = Up() + "\r\x1b[J";
    if (job_.loop) {
      // The live lines have nothing more to say: every outcome is above them already.
      for (const std::string& line : commits_) text += Wrap(line);
    } else {
      for (std::size_t i = 0; i < rows_.size(); ++i) text += Wrap(RowText(i, rows_[i], false));
    }
    commits_.clear();
    drawnColumns_.clear();
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
    bool good = false;  // done, and updated (info: would be)
    bool waiting = false;
    std::string outcome;
  };

  // Which ports get the rows when there are too few: the ones at work, then the ones calling,
  // then the ones waiting for the next device, then the ones done.
  static int Rank(const Row& row) {
    if (row.done) return 3;
    if (row.waiting) return 2;
    return row.stage == update::Stage::Calling ? 1 : 0;
  }

  static std::string Percent(const Row& row) {
    const int percent = row.records ? static_cast<int>(100 * row.done_records / row.records) : 0;
    // French puts a space before the sign: "100 %" takes one column more.
    std::string text = std::to_string(percent) + (French() ? " %" : "%");
    const std::size_t width = French() ? 5 : 4;
    return std::string(width - std::min(width, text.size()), ' ') + text;
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
    const std::size_t fixed = Columns(head) + 3 + Columns(tail);  // " [" and "]"
    const std::size_t bar = room > fixed ? std::min(kBarWidth, room - fixed) : 0;
    if (bar < kNarrowestBar) return head + tail;
    return head + " " + Bar(row, bar) + tail;
  }

  std::string State(const Row& row, std::size_t room) const {
    if (row.done) return row.outcome;
    const std::string stopping = stopping_ ? Say({"  (arrêt)", "  (stopping)"}) : std::string();
    std::string state;
    if (row.waiting) {
      state = Say({"attente du départ de l'appareil, puis du suivant",
                   "waiting for the device to go, then for the next one"});
    } else {
      switch (row.stage) {
        case update::Stage::Calling: {
          const std::uint64_t s = (platform::TickCount() - row.since) / 1000;
          state = job_.run.waitSeconds == 0u ? Say({"appel, une fois", "calling once"})
                  : job_.run.waitSeconds
                      ? Say({"appel {0} s sur {1}", "calling {0} s of {1}"},
                            {std::to_string(s), std::to_string(*job_.run.waitSeconds)})
                      : Say({"appel {0} s", "calling {0} s"}, {std::to_string(s)});
          break;
        }
        case update::Stage::Checking:
          state = Say({"vérifications", "checking"});
          break;
        case update::Stage::Switching:
          state = Say({"passage à {0} bit/s", "switching to {0} bit/s"},
                      {std::to_string(job_.run.session.speed)});
          break;
        case update::Stage::Programming:
          state = Programming(row, room > Columns(stopping) ? room - Columns(stopping) : 0);
          break;
        case update::Stage::Finishing:
        case update::Stage::Done:
          state = Say({"fin", "finishing"});
          break;
      }
    }
    return state + stopping;
  }

  // The columns a line may take: all but the last, which some terminals wrap at once.
  std::size_t LineColumns() const {
    return size_.columns > 1 ? static_cast<std::size_t>(size_.columns - 1) : 79;
  }

  // A live line is cut to the width; one printed for good is not (Wrap breaks it).
  std::string RowText(std::size_t port, const Row& row, bool live = true) const {
    const std::string head = PadToColumns(DeviceLabel(job_, port, row.sequence), labelWidth_) +
                             "  " + PadToColumns(row.serial, 10) + " ";
    const std::size_t used = Columns(head);
    const std::size_t room = LineColumns() > used ? LineColumns() - used : 0;
    const std::string line = head + State(row, live ? room : kBarWidth + 40);
    return live ? Fit(line) : line;
  }

  // Cut to the width, so that a live line never wraps (a wrapped one would throw the redraw off).
  std::string Fit(const std::string& line) const { return CutToColumns(line, LineColumns()); }

  // "… 12 more ports: 3 under way, 8 updated, 1 not updated": the ports left out of the block.
  std::string Others(const std::vector<std::size_t>& hidden) const {
    std::size_t working = 0, waiting = 0, good = 0, bad = 0;
    for (std::size_t port : hidden) {
      const Row& row = rows_[port];
      (row.done ? (row.good ? good : bad) : row.waiting ? waiting : working) += 1;
    }
    const auto n = [](std::size_t count) { return std::to_string(count); };
    std::vector<std::string> parts;
    if (working) parts.push_back(Say({"{0} en cours", "{0} under way"}, {n(working)}));
    if (waiting) parts.push_back(Say({"{0} en attente", "{0} waiting"}, {n(waiting)}));
    if (good) {
      parts.push_back(!job_.Info() ? Say({"{0} mis à jour", "{0} updated"}, {n(good)})
                      : good == 1
                          ? Say({"{0} serait mis à jour", "{0} would be updated"}, {n(good)})
                          : Say({"{0} seraient mis à jour", "{0} would be updated"}, {n(good)}));
    }
    if (bad) {
      parts.push_back(job_.Info() ? Say({"{0} non", "{0} would not"}, {n(bad)})
                                  : Say({"{0} non mis à jour", "{0} not updated"}, {n(bad)}));
    }
    std::string text =
        hidden.size() == 1
            ? Say({"… {0} autre port : ", "… {0} more port: "}, {n(hidden.size())})
            : Say({"… {0} autres ports : ", "… {0} more ports: "}, {n(hidden.size())});
    for (std::size_t i = 0; i < parts.size(); ++i) text += (i ? ", " : "") + parts[i];
    return text;
  }

  // One line per port when the terminal has the rows for them; otherwise the ports that have
  // most to show, in their order, and the count of the others on the last row.
  std::vector<std::string> LiveLines() const {
    const std::size_t limit = size_.rows > 2 ? static_cast<std::size_t>(size_.rows - 1) : 1;
    std::vector<std::string> lines;
    if (rows_.size() <= limit) {
      for (std::size_t i = 0; i < rows_.size(); ++i) lines.push_back(RowText(i, rows_[i]));
      return lines;
    }
    std::vector<std::size_t> order(rows_.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [this](std::size_t a, std::size_t b) {
      return Rank(rows_[a]) < Rank(rows_[b]);
    });
    std::vector<bool> shown(rows_.size(), false);
    for (std::size_t k = 0; k + 1 < limit; ++k) shown[order[k]] = true;
    std::vector<std::size_t> hidden;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
      if (shown[i]) {
        lines.push_back(RowText(i, rows_[i]));
      } else {
        hidden.push_back(i);
      }
    }
    lines.push_back(Fit(Others(hidden)));
    return lines;
  }

  // Broken at spaces to the width, the lines after the first indented four more than it; each
  // line cleared and ended.
  std::string Wrap(const std::string& line) const {
    std::string out;
    std::string rest = line;
    const std::string more(std::min(line.find_first_not_of(' '), line.size()) + 4, ' ');
    bool first = true;
    for (;;) {
      const std::string indent = first ? "" : more;
      const std::size_t limit =
          LineColumns() > indent.size() + 10 ? LineColumns() - indent.size() : 10;
      if (Columns(rest) <= limit) {
        out += "\r\x1b[2K" + indent + rest + "\n";
        return out;
      }
      // At the last space that leaves the part before it within the limit (the space itself may
      // fall just past it); a word longer than the line is cut between two characters.
      const std::size_t fits = CutToColumns(rest, limit).size();
      std::size_t cut = rest.rfind(' ', fits);
      if (cut == std::string::npos || cut == 0) cut = fits;
      if (cut == 0) cut = 1;  // nothing fits: one byte, so that the loop moves on
      out += "\r\x1b[2K" + indent + rest.substr(0, cut) + "\n";
      rest = rest.substr(cut);
      if (!rest.empty() && rest[0] == ' ') rest.erase(0, 1);
      first = false;
    }
  }

  void Measure() { size_ = terminal::SizeOf(out_); }

  // Back to the first live line. A terminal made narrower since the last frame has wrapped each
  // of its lines onto as many rows as the new width needs (terminals reflow their lines; one that
  // does not is taken up a few rows too far, which the next frame draws over).
  std::string Up() const {
    std::size_t rows = drawnColumns_.size();
    if (size_.columns != drawnAt_ && size_.columns > 0) {
      const auto width = static_cast<std::size_t>(size_.columns);
      rows = 0;
      for (std::size_t columns : drawnColumns_)
        rows += std::max<std::size_t>(1, (columns + width - 1) / width);
    }
    return rows > 0 ? "\x1b[" + std::to_string(rows) + "A" : std::string();
  }

  // Up to the first live line, the outcomes to keep above it, then every live line anew, and
  // below them cleared: what a taller block or a reflowed one left there.
  void Draw() {
    Measure();
    std::string text = Up();
    for (const std::string& line : commits_) text += Wrap(line);
    commits_.clear();
    drawnColumns_.clear();
    for (const std::string& line : LiveLines()) {
      text += "\r\x1b[2K" + line + "\n";
      drawnColumns_.push_back(Columns(line));
    }
    text += "\x1b[J";
    drawnAt_ = size_.columns;
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
  terminal::Size size_;
  std::size_t labelWidth_ = 0;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::vector<Row> rows_;
  std::vector<std::string> commits_;
  std::vector<std::size_t> drawnColumns_;  // the columns of each live line of the last frame
  int drawnAt_ = 0;                        // the terminal's width when it was drawn
  bool stopping_ = false;
  bool ending_ = false;
  std::thread painter_;
};

}  // namespace

std::unique_ptr<Reporter> MakeTerminalReporter(const Job& job, std::FILE* out, int width) {
  return std::make_unique<TerminalReporter>(job, out, width);
}

}  // namespace flash
