#include "bench/ScheduleBound.h"

#include <algorithm>
#include <cmath>

namespace bench {

namespace {

// The link's own waits, told by the command bytes that follow or precede them: Connect purges
// the line for 1000 ms before its call byte, an EEPROM write spins 10 ms before reading its
// answer, and Disconnect sleeps 500 ms before its release byte. Command bytes never look like
// the hex digits (0x30-0x46) or the acknowledgement (0x84) that travel between them.
double WaitBefore(std::uint8_t hostByte) {
  switch (hostByte) {
    case 0x80:
      return 1000.0;
    case 0x8B:
      return 10.0;
    case 0x04:
      return 500.0;
    default:
      return 0.0;
  }
}

// Hands each byte to the tick it belongs to. The simulator stamps a byte once it has gone over
// the line, which is inside the tick that sent or awaited it, with one exception: the host's
// acknowledgement of the last digit it receives is written as the tick ends and crosses the line
// afterwards; an acknowledgement goes with the byte before it. Stamps are whole milliseconds, so
// any other byte goes to the first tick that had not ended in an earlier millisecond.
std::vector<TickWork> Distribute(const std::vector<TickSpan>& spans,
                                 const std::vector<sim::TrafficByte>& transcript, int& stray) {
  constexpr std::uint8_t kAck = 0x84;
  std::vector<TickWork> work(spans.size());
  for (std::size_t i = 0; i < spans.size(); ++i) work[i].span = spans[i];
  std::size_t i = 0;
  bool previousPlaced = false;
  stray = 0;
  for (const sim::TrafficByte& b : transcript) {
    const double at = static_cast<double>(b.atMs);
    const bool followsPrevious = b.fromHost && b.value == kAck && previousPlaced;
    if (!followsPrevious) {
      while (i < work.size() && std::floor(work[i].span.endMs) < at) ++i;
      previousPlaced = i < work.size() && at >= std::floor(work[i].span.startMs);
      if (!previousPlaced) {
        ++stray;
        continue;
      }
    }
    TickWork& w = work[i];
    (b.fromHost ? w.hostBytes : w.loaderBytes) += 1;
    w.wireMs += kByteMs;
    if (b.fromHost) w.waitMs += WaitBefore(b.value);
  }
  return work;
}

// Lays the ticks on the ideal schedule. A phase's timer starts when the previous phase's message
// is handled, at the end of its last tick; the finish tick rides on step 9's timer.
void Schedule(std::vector<TickWork>& work) {
  double prevStart = 0, prevEnd = 0;
  int prevStep = 0;
  for (TickWork& w : work) {
    const int step = w.span.step;
    const bool sameTimer = step == prevStep || (step == 10 && prevStep == 9);
    w.boundStartMs =
        sameTimer ? std::max(prevStart + PeriodOf(step), prevEnd) : prevEnd + PeriodOf(step);
    w.boundEndMs = w.boundStartMs + w.wireMs + w.waitMs;
    prevStart = w.boundStartMs;
    prevEnd = w.boundEndMs;
    prevStep = step;
  }
}

std::vector<Phase> Phases(const std::vector<TickWork>& work, double clickMs) {
  std::vector<Phase> phases;
  double measuredFrom = 0, boundFrom = 0;
  for (const TickWork& w : work) {
    if (phases.empty() || phases.back().step != w.span.step) {
      if (!phases.empty()) {
        measuredFrom += phases.back().measuredMs;
        boundFrom += phases.back().boundMs;
      }
      phases.push_back({w.span.step});
    }
    Phase& p = phases.back();
    p.ticks += 1;
    p.bytes += w.hostBytes + w.loaderBytes;
    p.wireMs += w.wireMs;
    p.measuredMs = w.span.endMs - clickMs - measuredFrom;
    p.boundMs = w.boundEndMs - boundFrom;
  }
  return phases;
}

}  // namespace

int PeriodOf(int step) {
  switch (step) {
    case 7:
      return 2250;
    case 8:
      return 200;
    default:
      return 100;
  }
}

UpdateFigures Analyse(const std::vector<TickSpan>& ticks,
                      const std::vector<sim::TrafficByte>& transcript, double clickMs) {
  UpdateFigures f;
  f.ticks = Distribute(ticks, transcript, f.strayBytes);
  Schedule(f.ticks);
  f.phases = Phases(f.ticks, clickMs);
  for (const TickWork& w : f.ticks) {
    f.bytes += w.hostBytes + w.loaderBytes;
    f.wireMs += w.wireMs;
  }
  if (!f.ticks.empty()) {
    f.measuredMs = f.ticks.back().span.endMs - clickMs;
    f.boundMs = f.ticks.back().boundEndMs;
  }
  return f;
}

}  // namespace bench
