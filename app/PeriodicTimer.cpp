#include "app/PeriodicTimer.h"

PeriodicTimer::PeriodicTimer(QObject* parent) : QObject(parent) {
  timer_.setTimerType(Qt::PreciseTimer);
  timer_.setSingleShot(false);
  connect(&timer_, &QTimer::timeout, this, &PeriodicTimer::Tick);
}

void PeriodicTimer::SetInterval(int ms) {
  if (ms == interval_) return;
  interval_ = ms;
  if (enabled_) timer_.start(interval_);
}

void PeriodicTimer::SetEnabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  if (on)
    timer_.start(interval_);
  else
    timer_.stop();
}
