#include "support/SimWizard.h"

#include <chrono>
#include <thread>

namespace testsupport {

SimWizard::SimWizard(sim::Options options) : device_(std::move(options)) {}

void SimWizard::GoToStep7() {
  while (Form().WizardStep < 7) Form().NextStep();
}

bool SimWizard::TickUntil(const std::function<bool()>& done, int maxTicks,
                          int pauseAfterFailedCallMs) {
  TFormMj& f = Form();
  for (int i = 0; i < maxTicks && !done() && f.TimerGestionSerie->Enabled(); ++i) {
    const bool calling = f.WizardStep == 7;
    Tick();
    if (calling && f.WizardStep == 7)
      std::this_thread::sleep_for(std::chrono::milliseconds(pauseAfterFailedCallMs));
  }
  return done();
}

bool SimWizard::RunUpdate() {
  GoToStep7();
  TFormMj& f = Form();
  TickUntil([&f] { return f.WizardStep == 10 && !f.TimerGestionSerie->Enabled(); });
  return f.WizardStep == 10 && !f.TimerGestionSerie->Enabled();
}

}  // namespace testsupport
