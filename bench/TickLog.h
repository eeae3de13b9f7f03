#pragma once
// Watches the wizard's periodic timer on the real event loop: when each tick began and ended and
// which step it ran. Times are milliseconds of the steady clock, the clock the simulator stamps
// its transcript with.
#include <QObject>
#include <vector>

class TFormMj;
namespace ui::qt {
class WizardWindow;
}

namespace bench {

struct TickSpan {
  int step = 0;    // the step the tick ran (read when it ended)
  int record = 0;  // RecordIndex after the tick: on step 9, one more than the record sent
  double startMs = 0;
  double endMs = 0;
};

// Steady-clock milliseconds with a fraction.
double NowMs();

class TickLog : public QObject {
 public:
  explicit TickLog(ui::qt::WizardWindow& window);
  ~TickLog() override;
  const std::vector<TickSpan>& Ticks() const { return ticks_; }
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void OnTickDone();
  TFormMj& form_;
  QObject* timer_ = nullptr;  // the wizard window's QTimer
  QMetaObject::Connection done_;
  std::vector<TickSpan> ticks_;
};

}  // namespace bench
