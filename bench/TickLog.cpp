#include "bench/TickLog.h"

#include <QEvent>
#include <QTimer>
#include <chrono>

#include "ui/qt/WizardWindow.h"

namespace bench {

double NowMs() {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

TickLog::TickLog(ui::qt::WizardWindow& window) : form_(window.Form()) {
  ticks_.reserve(512);
  QTimer* timer = window.Timer();
  timer_ = timer;
  timer_->installEventFilter(this);
  // Connected after the window's own handler, so this runs once the tick's work is done.
  done_ = connect(timer, &QTimer::timeout, this, [this] { OnTickDone(); });
}

TickLog::~TickLog() {
  if (timer_ != nullptr) timer_->removeEventFilter(this);
  disconnect(done_);
}

bool TickLog::eventFilter(QObject*, QEvent* event) {
  if (event->type() == QEvent::Timer) ticks_.push_back({0, 0, NowMs(), 0});
  return false;
}

void TickLog::OnTickDone() {
  if (ticks_.empty()) return;
  // The step is read at the end: a tick first hands over the end record's message, which moves
  // the wizard from step 9 to step 10 before the finish runs.
  ticks_.back().step = form_.WizardStep;
  ticks_.back().record = form_.UpdateSession.RecordIndex;
  ticks_.back().endMs = NowMs();
}

}  // namespace bench
