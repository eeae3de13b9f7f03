#include "ui/qt/QtControls.h"

namespace ui::qt {

QtTimerDriver::QtTimerDriver(QObject* parent) : timer_(new QTimer(parent)) {
  timer_->setTimerType(Qt::PreciseTimer);
  timer_->setSingleShot(false);
}

void QtTimerDriver::Start(int periodMs) {
  timer_->start(periodMs);
}

void QtTimerDriver::Stop() {
  timer_->stop();
}

}  // namespace ui::qt
