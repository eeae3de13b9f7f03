#include "support/SimWizard.h"

#include <QCoreApplication>
#include <QListWidget>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "app/PeriodicTimer.h"
#include "app/WizardMessages.h"
#include "update/FirmwareRecord.h"

namespace testsupport {

bool MessageSpy::eventFilter(QObject*, QEvent* event) {
  const int type = event->type();
  if (type == WM_LINK_FAILED || type == WM_CONNECT_FAILED || type == WM_STEP_DONE ||
      type == WM_DEVICE_REFUSED)
    seen.push_back({type, static_cast<WizardMessage*>(event)->wParam});
  return false;
}

SimWizard::SimWizard(sim::Options options) {
  QtApp();
  char pattern[] = "/tmp/orb42-simwizard-XXXXXX";
  root_ = mkdtemp(pattern);
  sim_ = std::make_unique<sim::LoaderSim>(std::move(options));
  std::string error;
  if (!sim_->Start(&error) || !sim_->BuildTrees(root_, &error)) throw std::runtime_error(error);
  setenv("ORB42_SYSFS_TTY", sim_->SysfsDir().c_str(), 1);
  setenv("ORB42_DEV_DIR", sim_->DevDir().c_str(), 1);
  form_ = std::make_unique<TFormMj>();
  spy_ = std::make_unique<MessageSpy>(form_.get());
}

SimWizard::~SimWizard() {
  spy_.reset();
  form_.reset();
  sim_.reset();
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

void SimWizard::GoToStep7() {
  while (form_->WizardStep < 7) form_->NextStep();
}

void SimWizard::Tick() {
  form_->TimerGestionSerieTimer();
  QCoreApplication::sendPostedEvents();
}

bool SimWizard::TickUntil(const std::function<bool()>& done, int maxTicks,
                          int pauseAfterFailedCallMs) {
  for (int i = 0; i < maxTicks && !done() && form_->TimerGestionSerie->Enabled(); ++i) {
    const bool calling = form_->WizardStep == 7;
    Tick();
    if (calling && form_->WizardStep == 7)
      std::this_thread::sleep_for(std::chrono::milliseconds(pauseAfterFailedCallMs));
  }
  return done();
}

bool SimWizard::RunUpdate() {
  GoToStep7();
  TickUntil([this] { return form_->WizardStep == 10 && !form_->TimerGestionSerie->Enabled(); });
  return form_->WizardStep == 10 && !form_->TimerGestionSerie->Enabled();
}

const std::map<std::uint32_t, std::uint16_t>& ImageWords() {
  static const std::map<std::uint32_t, std::uint16_t> words = [] {
    std::map<std::uint32_t, std::uint16_t> w;
    RecordTable table{};
    const std::size_t count = FillRecordTable(table);
    for (std::size_t i = 0; i < count; ++i) {
      const DecodedRecord r = DecodeRecord(table[i]);
      if (r.recordType == 0 && r.Class() == AddressClass::ProgramMemory)
        for (std::uint32_t k = 0; k < r.wordCount; ++k)
          w[r.wordAddress + k] = static_cast<std::uint16_t>(r.DataWord(k));
    }
    return w;
  }();
  return words;
}

int WordsDifferingFromImage(const std::vector<std::uint16_t>& memory) {
  int differing = 0;
  for (const auto& [address, word] : ImageWords())
    if (address >= memory.size() || memory[address] != word) ++differing;
  return differing;
}

}  // namespace testsupport
