#pragma once
// What the wizard's schedule allows for one update, worked out from what actually went over the
// line: each tick's bytes (from the simulator's transcript) and the link's own waits, laid on the
// timer's periods as if the host cost nothing. Ticks keep their schedule: a tick is due one period
// after the previous one was due, or at once when the previous one overran.
#include <vector>

#include "bench/TickLog.h"
#include "sim/LoaderSim.h"

namespace bench {

// 11 bits a byte (start, 8 data, parity, stop) at 9600 bit/s.
constexpr double kByteMs = 11.0 * 1000.0 / 9600.0;

struct TickWork {
  TickSpan span;
  int hostBytes = 0;
  int loaderBytes = 0;
  double wireMs = 0;  // the tick's bytes on the line
  double waitMs = 0;  // the link's own waits in the tick (Purge, EEPROM write spin, release sleep)
  double boundStartMs = 0;  // in the ideal schedule, from the click
  double boundEndMs = 0;
};

struct Phase {
  int step = 0;
  int ticks = 0;
  int bytes = 0;
  double wireMs = 0;
  double measuredMs = 0;  // from the end of the previous phase (the click for step 7)
  double boundMs = 0;
};

struct UpdateFigures {
  std::vector<TickWork> ticks;
  std::vector<Phase> phases;
  int bytes = 0;
  double wireMs = 0;
  double measuredMs = 0;  // from the click to the end of the finish tick
  double boundMs = 0;
  int strayBytes = 0;  // bytes outside every tick (there should be none)
};

// The timer's period on a step: 2250 ms calling, 200 ms checking, 100 ms per record and finish.
int PeriodOf(int step);

// ticks: those from the click on; clickMs: when the user pressed Connect (steady-clock ms).
UpdateFigures Analyse(const std::vector<TickSpan>& ticks,
                      const std::vector<sim::TrafficByte>& transcript, double clickMs);

}  // namespace bench
