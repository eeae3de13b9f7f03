// The whole update in a loop (update/UpdateRun) against the loader simulator: the faster line
// between the checks and the programming, the refusals that write nothing, a stop half-way that
// leaves the device updatable, the waiting for a device and for a port.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/Clock.h"
#include "sim/LoaderSim.h"
#include "support/HexWords.h"
#include "support/SimDeviceLinkTest.h"
#include "update/UpdateRun.h"

namespace {

using update::Outcome;
using update::Stage;

// Records what the run told its observer.
struct Recorder final : update::RunObserver {
  void OnStage(update::RunId, Stage stage) override { stages.push_back(stage); }
  void OnDevice(update::RunId, const update::DeviceFacts& f) override { facts = f; }
  void OnSpeed(update::RunId, std::int32_t bps, bool refused) override {
    speed = bps;
    speedRefused = refused;
  }
  void OnProgress(update::RunId, std::size_t done, std::size_t count) override {
    progress.push_back(done);
    records = count;
  }
  std::vector<Stage> stages;
  update::DeviceFacts facts;
  std::int32_t speed = 0;
  bool speedRefused = false;
  std::vector<std::size_t> progress;
  std::size_t records = 0;
};

class UpdateRunTest : public testsupport::SimDeviceLinkTest {
 protected:
  // Host bytes of the commands that write: program words and EEPROM cells.
  int WriteCommands() const {
    const auto bytes = loader->HostBytes();
    return static_cast<int>(std::count_if(bytes.begin(), bytes.end(),
                                          [](std::uint8_t b) { return b == 0x8D || b == 0x8B; }));
  }

  update::RunResult Run(update::RunOptions options) {
    return update::RunUpdate(*link, options, recorder);
  }

  Recorder recorder;
};

TEST_F(UpdateRunTest, WholeUpdateProgramsAtTheFasterLineAndEndsBackAt9600) {
  Start();
  const update::RunResult r = Run({});
  EXPECT_EQ(r.outcome, Outcome::Updated);
  EXPECT_EQ(r.speed, 115200);
  EXPECT_FALSE(r.speedRefused);
  EXPECT_EQ(r.recordsDone, 132u);
  EXPECT_EQ(r.written, 983u);  // program words; the version cells come with the end record
  EXPECT_EQ(r.device.serialNumber, 312000001u);
  EXPECT_EQ(r.device.identity, "P03");
  EXPECT_EQ(testsupport::WordsDiffering(testsupport::EmbeddedImageWords(), loader->ProgramMemory()),
            0);
  EXPECT_EQ(loader->Eeprom()[126], 1);
  EXPECT_EQ(loader->Eeprom()[127], 5);
  EXPECT_FALSE(link->IsOpen());
  EXPECT_EQ(loader->LineSpeed(), 9600u);
  EXPECT_EQ(recorder.stages, (std::vector<Stage>{Stage::Calling, Stage::Checking, Stage::Switching,
                                                 Stage::Programming, Stage::Finishing}));
  EXPECT_EQ(recorder.progress.front(), 0u);
  EXPECT_EQ(recorder.progress.back(), 132u);

  // The checks went at 9600, every program word at 115200, the release at 9600 again.
  const std::vector<sim::TrafficByte> t = loader->Transcript();
  auto firstHost = [&t](std::uint8_t command) {
    return std::find_if(t.begin(), t.end(),
                        [command](const auto& b) { return b.fromHost && b.value == command; });
  };
  EXPECT_EQ(firstHost(0x86)->speed, 9600u);  // identity
  EXPECT_EQ(firstHost(0x8D)->speed, 115200u);
  EXPECT_EQ(t.back().speed, 9600u);
  // The host's own end followed: the terminal went to 115200 and back to 9600, and the loader
  // read every byte (a release sent at the faster line would reach it garbled).
  EXPECT_EQ(sim::DescribeLineLog(loader->HostLines()), "9600 > 115200 > 9600");
  EXPECT_EQ(loader->UnreadableBytes(), 0u);
  // The version goes last, minor cell first: 0x8B 7F (127) before 0x8B 7E (126).
  std::vector<std::uint8_t> host = loader->HostBytes();
  const auto lastWord = std::find(host.rbegin(), host.rend(), 0x8D).base();
  const std::vector<std::uint8_t> tail(lastWord, host.end());
  const std::vector<std::uint8_t> minorThenMajor = {0x8B, '7', 'F', '0', '5'};
  const auto minor =
      std::search(tail.begin(), tail.end(), minorThenMajor.begin(), minorThenMajor.end());
  ASSERT_NE(minor, tail.end());
  const std::vector<std::uint8_t> major = {0x8B, '7', 'E', '0', '1'};
  EXPECT_NE(std::search(minor, tail.end(), major.begin(), major.end()), tail.end());
}

// The bench's --speed accepts what the loader's divisor table holds; the link must know each of
// them too, or it would quietly stay at 9600.
TEST_F(UpdateRunTest, EveryLoaderSpeedSwitchesBothEnds) {
  Start();
  ASSERT_EQ(link->Connect(1), LinkOk);
  for (const loader::SpeedStep& step : loader::kSpeedSteps) {
    const std::int32_t speed = step.bitsPerSecond;
    SCOPED_TRACE(speed);
    EXPECT_EQ(link->SetLoaderSpeed(speed), LinkOk);
    EXPECT_EQ(link->BaudRate(), static_cast<std::uint32_t>(speed));
    EXPECT_EQ(loader->LineSpeed(), static_cast<std::uint32_t>(speed));
  }
  EXPECT_EQ(link->Disconnect(), LinkOk);
  EXPECT_EQ(loader->LineSpeed(), 9600u);
  EXPECT_FALSE(loader::IsLoaderSpeed(110));
  EXPECT_FALSE(loader::IsLoaderSpeed(230400));
}

TEST_F(UpdateRunTest, LoaderThatRefusesTheFasterLineIsProgrammedAt9600) {
  sim::Options options;
  options.faults = {{sim::FaultKind::Refuse, sim::FaultTarget::SetSpeed, 1}};
  Start(options);
  const update::RunResult r = Run({});
  EXPECT_EQ(r.outcome, Outcome::Updated);
  EXPECT_TRUE(r.speedRefused);
  EXPECT_EQ(r.speed, 9600);
  EXPECT_EQ(recorder.speed, 9600);
  EXPECT_TRUE(recorder.speedRefused);
  EXPECT_EQ(loader->Eeprom()[127], 5);
  for (const sim::TrafficByte& b : loader->Transcript()) ASSERT_EQ(b.speed, 9600u);
}

struct RefusalCase {
  const char* behaviour;
  sim::Device device;
  Outcome outcome;
};

// A refused device gets no write and no speed switch: the faster line is asked for only after
// every check passed. The checks alone (info) write nothing either.
TEST_F(UpdateRunTest, RefusedDevicesAndChecksOnlyWriteNothing) {
  const RefusalCase cases[] = {
      {"another loader", {"P02", 1, 312000001, 1, 4}, Outcome::Refused},
      {"serial above the range", {"P03", 1, 400000000, 1, 4}, Outcome::Refused},
      {"already 1.5", {"P03", 1, 312000001, 1, 5}, Outcome::UpToDate},
  };
  Start();
  for (const RefusalCase& c : cases) {
    SCOPED_TRACE(c.behaviour);
    loader->SetDevice(c.device);
    loader->ClearTranscript();
    const update::RunResult r = Run({});
    EXPECT_EQ(r.outcome, c.outcome);
    EXPECT_EQ(r.device.identity, c.device.identity);  // told even when it is not the right one
    EXPECT_EQ(WriteCommands(), 0);
    const auto host = loader->HostBytes();
    EXPECT_EQ(std::count(host.begin(), host.end(), 0x9E), 1);  // only Disconnect's, to 9600
    EXPECT_FALSE(link->IsOpen());
  }

  loader->SetDevice({"P03", 1, 312000001, 1, 4});
  loader->ClearTranscript();
  update::RunOptions checksOnly;
  checksOnly.session.program = false;
  const update::RunResult r = Run(checksOnly);
  EXPECT_EQ(r.outcome, Outcome::WouldUpdate);
  EXPECT_EQ(r.device.versionMajor, 1u);
  EXPECT_EQ(r.device.versionMinor, 4u);
  EXPECT_EQ(WriteCommands(), 0);
}

// Stopped between two words: the device keeps its old version, and the next run updates it.
TEST_F(UpdateRunTest, StopHalfWayLeavesTheDeviceUpdatable) {
  Start();
  update::RunOptions options;
  options.session.stop = [this] { return recorder.progress.size() > 40; };
  const update::RunResult stopped = Run(options);
  EXPECT_EQ(stopped.outcome, Outcome::Stopped);
  EXPECT_TRUE(stopped.programmingBegun);
  EXPECT_EQ(stopped.stage, Stage::Programming);
  EXPECT_GT(stopped.written, 0u);
  EXPECT_EQ(loader->Eeprom()[126], 1);
  EXPECT_EQ(loader->Eeprom()[127], 4);
  EXPECT_FALSE(link->IsOpen());
  const auto host = loader->HostBytes();
  EXPECT_NE(std::find(host.begin(), host.end(), 0x91), host.end());  // programming left
  EXPECT_EQ(host.back(), 0x04);                                      // released

  recorder = {};
  const update::RunResult again = Run({});
  EXPECT_EQ(again.outcome, Outcome::Updated);
  EXPECT_EQ(testsupport::WordsDiffering(testsupport::EmbeddedImageWords(), loader->ProgramMemory()),
            0);
}

TEST_F(UpdateRunTest, NoAnswerWithinTheWaitAndAMissingPortAtOnce) {
  sim::Options options;
  options.switchOnDelayMs = 60000;
  Start(options);
  update::RunOptions noWait;
  noWait.waitSeconds = 0;
  const update::RunResult silent = Run(noWait);
  EXPECT_EQ(silent.outcome, Outcome::NoAnswer);
  EXPECT_FALSE(link->IsOpen());

  link->SetPortIndex(33);  // ttyUSB1: no such node
  const std::uint64_t start = platform::TickCount();
  const update::RunResult missing = Run({});  // 45 s of waiting do not apply to a missing port
  EXPECT_EQ(missing.outcome, Outcome::PortFailed);
  EXPECT_EQ(missing.error, ENOENT);
  EXPECT_LT(platform::TickCount() - start, 1000u);
}

}  // namespace
