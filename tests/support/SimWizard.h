#pragma once
// The wizard's logic on the in-memory front end, wired to the loader simulator: the simulator's
// trees in the environment, a window that finds the bridge through the serial-device map, and
// ticks and messages driven by the test, as the message loop would hand them out.
#include <functional>
#include <vector>

#include "sim/LoaderSim.h"
#include "support/ImageWords.h"
#include "support/SimDevice.h"
#include "ui/memory/MemoryWizard.h"

namespace testsupport {

using ui::memory::MemoryWizard;
using ui::memory::PostedMessage;

class SimWizard {
 public:
  explicit SimWizard(sim::Options options = {});

  TFormMj& Form() { return ui_.Form(); }
  MemoryWizard& Ui() { return ui_; }
  sim::LoaderSim& Sim() { return device_.Sim(); }
  // The private messages handed to the wizard so far, in order.
  const std::vector<PostedMessage>& Messages() const { return ui_.Handled(); }

  // From wherever the wizard is (1 or 4) to step 7, as a user pressing Next and Connect.
  void GoToStep7();
  // One tick as the message loop gives it: the timer's work, then the messages it posted.
  void Tick() { ui_.Tick(); }
  // Ticks while the timer runs and done() is false; at most maxTicks. Step-7 ticks that failed
  // wait pauseAfterFailedCallMs, as the real 2250 ms period would, so a replugged cable is back.
  bool TickUntil(const std::function<bool()>& done, int maxTicks = 2000,
                 int pauseAfterFailedCallMs = 400);
  // A whole update from step 7: true once step 10's finish has run.
  bool RunUpdate();

 private:
  SimDevice device_;
  MemoryWizard ui_;
};

}  // namespace testsupport
