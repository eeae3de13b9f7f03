#include "bench/SoakFaults.h"

#include "sim/Protocol.h"

namespace bench {

namespace {

// A clean update sends about a thousand commands (the call, the checks with their values read
// twice, the switch to a faster line on a bench, 983 words, two version cells, the finish's
// four) and 983 program words.
constexpr unsigned kCommandsPerUpdate = 1008;
constexpr unsigned kWordsPerUpdate = 983;
constexpr unsigned kCommandsBeforeWords = 19;
constexpr unsigned kCommandsAfterWords = 6;
constexpr unsigned kEdgeCommands = kCommandsBeforeWords + kCommandsAfterWords;

int ClassOf(sim::FaultKind kind) {
  switch (kind) {
    case sim::FaultKind::Silence:
      return kSilence;
    case sim::FaultKind::WrongByte:
      return kWrongByte;
    case sim::FaultKind::Refuse:
      return kRefusal;
    case sim::FaultKind::HangUp:
      return kHangUp;
    case sim::FaultKind::Late:
      return kLate;
    case sim::FaultKind::Corrupt:  // the soak makes none: the wizard reads nothing back
      break;
  }
  return kSilence;
}

unsigned CountOf(const LineCounts& c, sim::FaultTarget target) {
  switch (target) {
    case sim::FaultTarget::Command:
      return c.commands;
    case sim::FaultTarget::Call:
      return c.calls;
    case sim::FaultTarget::ProgramWord:
      return c.words;
    case sim::FaultTarget::SetSpeed:     // the wizard never switches speed
    case sim::FaultTarget::EepromWrite:  // the soak aims at commands, calls and words only
      return 0;
  }
  return 0;
}

}  // namespace

void LineCounts::Add(const std::vector<sim::TrafficByte>& transcript) {
  for (const sim::TrafficByte& b : transcript) {
    if (!b.fromHost || !sim::IsCommand(b.value)) continue;
    ++commands;
    if (b.value == sim::kCall) ++calls;
    if (b.value == sim::kWriteWord) ++words;
  }
}

const char* FaultClassName(int c) {
  static const char* const kNames[kFaultClasses] = {"silence", "wrong byte", "call refused",
                                                    "hang-up", "late answer"};
  return c >= 0 && c < kFaultClasses ? kNames[c] : "?";
}

unsigned FaultPlanner::Uniform(unsigned low, unsigned high) {
  return std::uniform_int_distribution<unsigned>(low, high)(random_);
}

// Where a fault lands: any program word, any command, or one of the few commands around the
// words (the call and the checks before them, the version cells and the finish after them),
// which a uniform pick would seldom meet.
sim::Fault FaultPlanner::OneFault(const LineCounts& now) {
  const unsigned roll = Uniform(1, 100);
  if (roll <= 15) return {sim::FaultKind::Refuse, sim::FaultTarget::Call, now.calls + 1};
  const sim::FaultKind kind = roll <= 35   ? sim::FaultKind::Silence
                              : roll <= 60 ? sim::FaultKind::WrongByte
                              : roll <= 80 ? sim::FaultKind::Late
                                           : sim::FaultKind::HangUp;
  // A late answer comes after the host's 1100 ms read time-out: during the purge's second that
  // follows, while the host brings the conversation back in step, or later than it waits.
  const unsigned delay = kind == sim::FaultKind::Late ? Uniform(1150, 5000) : 0;
  switch (Uniform(0, 2)) {
    case 0:
      return {kind, sim::FaultTarget::ProgramWord, now.words + Uniform(1, kWordsPerUpdate), delay};
    case 1:
      return {kind, sim::FaultTarget::Command, now.commands + Uniform(1, kCommandsPerUpdate),
              delay};
    default: {
      const unsigned edge = Uniform(1, kEdgeCommands);
      const unsigned offset =
          edge <= kCommandsBeforeWords ? edge : kCommandsPerUpdate - (kEdgeCommands - edge);
      return {kind, sim::FaultTarget::Command, now.commands + offset, delay};
    }
  }
}

std::vector<sim::Fault> FaultPlanner::Plan(const LineCounts& now) {
  const unsigned roll = Uniform(1, 100);
  const int count = roll <= 20 ? 0 : roll <= 85 ? 1 : 2;
  while (static_cast<int>(planned_.size()) < count) {
    const sim::Fault f = OneFault(now);
    bool taken = false;  // the simulator fires one fault per byte
    for (const sim::Fault& p : planned_)
      taken = taken || (p.target == f.target && p.ordinal == f.ordinal);
    if (!taken) planned_.push_back(f);
  }
  return planned_;
}

void FaultPlanner::Settle(const LineCounts& now) {
  for (const sim::Fault& f : planned_) {
    if (CountOf(now, f.target) >= f.ordinal)
      ++injected_[ClassOf(f.kind)];
    else
      ++unused_;
  }
  planned_.clear();
}

}  // namespace bench
