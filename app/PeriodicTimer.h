#pragma once
// The wizard's periodic timer. Setting the period it already has, or switching on a timer that
// runs, must not restart it; a new period, or switching on from off, restarts it. QTimer::start()
// always restarts, hence this wrapper. Ticks keep their schedule (Qt::PreciseTimer): the next tick
// is due one period after the previous one was due, not one period after the handler returned.
#include <QObject>
#include <QTimer>

class PeriodicTimer : public QObject {
  Q_OBJECT
 public:
  explicit PeriodicTimer(QObject* parent = nullptr);

  int Interval() const { return interval_; }
  bool Enabled() const { return enabled_; }
  void SetInterval(int ms);
  void SetEnabled(bool on);

 signals:
  void Tick();

 private:
  QTimer timer_{this};  // a child, so it follows this object (threads, event filters)
  int interval_ = 1000;
  bool enabled_ = false;
};
