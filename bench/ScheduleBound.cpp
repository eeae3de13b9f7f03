#include "bench/ScheduleBound.h"

#include <algorithm>
#include <cmath>

namespace bench {

namespace {

// The link's own waits, told by the command bytes they go with: Connect purges the line for
// 1000 ms before its call byte, and Disconnect sleeps 500 ms before its release byte, both on a
// quiet line. An EEPROM write spins 10 ms as soon as the host has handed its five bytes to the
// port; they cross the line, and the loader's answer after them, during the spin, so only what
// is left of the 10 ms beyond those six bytes adds to the time. Command bytes never look like
// the hex digits (0x30-0x46) or the acknowledgement (0x84) that travel between them.
double WaitBefore(std::uint8_t hostByte) {
  switch (hostByte) {
    case 0x80:
      return 1000.0;
    case 0x8B:
      return std::max(0.0, 10.0 - 6 * kByteMs);
    case 0x04:
      return 500.0;
    default:
      return 0.0;
  }
}

bool IsHexDigit(std::uint8_t b) {
  return (b >= '0' && b <= '9') || (b >= 'A' && b <= 'F');
}

// Hands each byte to the tick it belongs to. A tick's first byte is always one of the host's
// commands, stamped by the simulator once it has crossed the line, so after the tick began; it
// goes to the last tick begun by then. Every other byte (arguments, answers, acknowledgements)
// goes with the command before it: the simulator may stamp the last of them after its tick
// ended, even after the next one began.
std::vector<TickWork> Distribute(const std::vector<TickSpan>& spans,
                                 const std::vector<sim::TrafficByte>& transcript, int& stray) {
  constexpr std::uint8_t kAck = 0x84;
  std::vector<TickWork> work(spans.size());
  for (std::size_t i = 0; i < spans.size(); ++i) work[i].span = spans[i];
  std::size_t next = 0;  // the first tick not begun at the current byte's stamp
  bool placed = false;
  stray = 0;
  for (const sim::TrafficByte& b : transcript) {
    const bool command = b.fromHost && b.value != kAck && !IsHexDigit(b.value);
    if (command) {
      const double at = static_cast<double>(b.atMs);
      while (next < work.size() && std::floor(work[next].span.startMs) <= at) ++next;
      placed = next > 0;
    }
    if (!placed) {
      ++stray;
      continue;
    }
    TickWork& w = work[next - 1];
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
