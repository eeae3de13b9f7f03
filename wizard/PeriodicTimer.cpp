#include "wizard/PeriodicTimer.h"

namespace wizard {

void PeriodicTimer::SetInterval(int ms) {
  if (ms == interval_) return;
  interval_ = ms;
  if (enabled_) driver_.Start(interval_);
}

void PeriodicTimer::SetEnabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  if (on)
    driver_.Start(interval_);
  else
    driver_.Stop();
}

}  // namespace wizard
