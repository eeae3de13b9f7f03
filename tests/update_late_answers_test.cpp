// A program word answered late (during the purge that follows its time-out, after it, or later
// than the link waits), then a word a few words on that gets no answer or a wrong one: through the
// wizard's tick and through the bench's run, one attempt ends with the whole image and version
// 1.5, or with a failure and the old version. Never 1.5 with a word missing, never a success
// that the device does not hold, never a failure that it does.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "support/HexWords.h"
#include "support/SimDevice.h"
#include "support/SimWizard.h"
#include "update/UpdateRun.h"
#include "wizard/WizardMessages.h"

namespace {

using sim::FaultKind;
using sim::FaultTarget;

enum class Path { Wizard, Run };

struct LateCase {
  Path path;
  unsigned delayMs;
  FaultKind then;  // at the tenth word after the late one
};

void PrintTo(const LateCase& c, std::ostream* os) {
  *os << (c.path == Path::Wizard ? "wizard" : "run") << ", " << c.delayMs << " ms, then "
      << (c.then == FaultKind::Silence ? "silence" : "a wrong answer");
}

struct Ending {
  bool reportedUpdated = false;
  std::vector<std::uint16_t> program;
  std::vector<std::uint8_t> eeprom;
};

sim::Options WithFaults(const LateCase& c) {
  sim::Options options;
  options.faults = {{FaultKind::Late, FaultTarget::ProgramWord, 10, c.delayMs},
                    {c.then, FaultTarget::ProgramWord, 20}};
  return options;
}

Ending ThroughTheWizard(const LateCase& c) {
  testsupport::SimWizard w(WithFaults(c));
  TFormMj& f = w.Form();
  w.Ui().Answer(wizard::DialogAnswer::No);  // one attempt only
  w.GoToStep7();
  w.TickUntil([&] { return !f.TimerGestionSerie->Enabled(); });
  bool failed = false;
  for (const auto& m : w.Messages()) failed = failed || m.message == WM_LINK_FAILED;
  return {f.WizardStep == 10 && !failed, w.Sim().ProgramMemory(), w.Sim().Eeprom()};
}

Ending ThroughTheRun(const LateCase& c) {
  testsupport::SimDevice device(WithFaults(c));
  CP03 link;
  link.SetPortIndex(32);  // COM33, the simulator's bridge
  struct : update::RunObserver {
  } quiet;
  update::RunOptions options;
  options.session.speed = 9600;  // as the wizard, so that both paths meet the same timing
  const update::RunResult r = update::RunUpdate(link, options, quiet);
  return {r.outcome == update::Outcome::Updated, device.Sim().ProgramMemory(),
          device.Sim().Eeprom()};
}

class LateAnswers : public ::testing::TestWithParam<LateCase> {};

TEST_P(LateAnswers, NeverTheNewVersionWithAWordMissing) {
  const LateCase& c = GetParam();
  const Ending e = c.path == Path::Wizard ? ThroughTheWizard(c) : ThroughTheRun(c);
  const bool holds15 = e.eeprom[126] == 1 && e.eeprom[127] == 5;
  const int missing = testsupport::WordsDiffering(testsupport::EmbeddedImageWords(), e.program);
  EXPECT_EQ(e.reportedUpdated, holds15) << "what is reported is what the device holds";
  if (holds15) {
    EXPECT_EQ(missing, 0) << "version 1.5 with words missing";
  } else {
    EXPECT_EQ(e.eeprom[127], 4) << "a failure keeps the old version";
  }
  // Well inside the waits: the answer is read past and the update goes through. Well past them:
  // the link cannot tell what is in step and gives up.
  if (c.delayMs <= 2300) {
    EXPECT_TRUE(e.reportedUpdated);
  }
  if (c.delayMs >= 4500) {
    EXPECT_FALSE(e.reportedUpdated);
  }
}

std::vector<LateCase> Cases() {
  std::vector<LateCase> cases;
  for (Path path : {Path::Wizard, Path::Run}) {
    cases.push_back({path, 1500, FaultKind::Silence});
    cases.push_back({path, 2150, FaultKind::WrongByte});
    cases.push_back({path, 2300, FaultKind::Silence});
    cases.push_back({path, 3150, FaultKind::WrongByte});
    cases.push_back({path, 4500, FaultKind::Silence});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Delays, LateAnswers, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<LateCase>& info) {
                           const LateCase& c = info.param;
                           return std::string(c.path == Path::Wizard ? "Wizard" : "Run") +
                                  std::to_string(c.delayMs) + "ms" +
                                  (c.then == FaultKind::Silence ? "ThenSilence"
                                                                : "ThenWrongAnswer");
                         });

}  // namespace
