#pragma once
// The wizard's periodic timer. Setting the period it already has, or switching on a timer that
// runs, must not restart it; a new period, or switching on from off, restarts it. The front
// end's driver only starts and stops; these rules live here, once for every front end. Ticks
// keep their schedule (the driver's business): the next tick is due one period after the
// previous one was due, not one period after the handler returned.
#include "wizard/Components.h"

namespace wizard {

class PeriodicTimer {
 public:
  explicit PeriodicTimer(TimerDriver& driver) : driver_(driver) {}

  int Interval() const { return interval_; }
  bool Enabled() const { return enabled_; }
  void SetInterval(int ms);
  void SetEnabled(bool on);

 private:
  TimerDriver& driver_;
  int interval_ = 1000;  // the toolkit's default period
  bool enabled_ = false;
};

}  // namespace wizard
