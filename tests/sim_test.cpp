// The loader simulator, driven byte by byte from the slave side of its pseudo-terminal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "sim/CommandLine.h"
#include "sim/EventReader.h"
#include "sim/LoaderSim.h"
#include "sim/WriteReport.h"
#include "support/sim_host.h"

namespace {

namespace fs = std::filesystem;
using simtest::EepromRead;
using simtest::EepromWrite;
using simtest::RawHost;
using simtest::WordWrite;
using Bytes = std::vector<std::uint8_t>;
using Ms = std::chrono::milliseconds;

constexpr std::uint8_t kAck = 0x84;

double ElapsedMs(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since)
      .count();
}

// A fresh directory under the system's temporary directory, removed with everything in it.
struct TempDir {
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "sim_test-XXXXXX").string();
    path = mkdtemp(pattern.data());
  }
  ~TempDir() { fs::remove_all(path); }
  std::string path;
};

class SimTest : public ::testing::Test {
 protected:
  void StartSim(sim::Options options = {}) {
    sim_ = std::make_unique<sim::LoaderSim>(options);
    std::string error;
    ASSERT_TRUE(sim_->Start(&error)) << error;
    host_ = std::make_unique<RawHost>(sim_->SlavePath());
    ASSERT_TRUE(host_->ok());
  }

  void CallUnlockAndProgram() {
    ASSERT_EQ(host_->Ask({0x80}), 0x81);
    ASSERT_EQ(host_->Ask({0x83}), kAck);
    ASSERT_EQ(host_->Ask({0x90}), kAck);
  }

  unsigned ReadCell(unsigned address) {
    host_->Send(EepromRead(address));
    const std::string pair = host_->ReadPairAcked();
    EXPECT_EQ(pair.size(), 2u) << "cell " << address;
    return pair.size() == 2 ? std::stoul(pair, nullptr, 16) : 0x1000;
  }

  std::unique_ptr<sim::LoaderSim> sim_;
  std::unique_ptr<RawHost> host_;
};

TEST_F(SimTest, DeviceStaysSilentUntilSwitchedOnAfterFirstCall) {
  sim::Options options;
  options.switchOnDelayMs = 400;
  StartSim(options);
  EXPECT_FALSE(host_->Ask({0x04}, 150)) << "a device never called is off";
  const auto firstCall = std::chrono::steady_clock::now();
  EXPECT_FALSE(host_->Ask({0x80}, 150));
  EXPECT_FALSE(host_->Ask({0x04}, 100)) << "still off: not even the release is answered";
  std::this_thread::sleep_for(Ms(400) - Ms(static_cast<int>(ElapsedMs(firstCall))) + Ms(20));
  EXPECT_EQ(host_->Ask({0x80}), 0x81);
}

TEST_F(SimTest, SwitchedOnLoaderAnswersOnlyCallAndReleaseBeforeACall) {
  StartSim();
  EXPECT_EQ(host_->Ask({0x04}), kAck) << "release keeps Disconnect and Close quick";
  EXPECT_FALSE(host_->Ask({0x83}, 150));
  host_->Send(EepromRead(120));
  EXPECT_FALSE(host_->Read(150)) << "an ignored command's digits are ignored with it";
  EXPECT_EQ(host_->Ask({0x80}), 0x81);
  EXPECT_EQ(host_->Ask({0x83}), kAck);
  EXPECT_EQ(host_->Ask({0x04}), kAck);
  EXPECT_FALSE(host_->Ask({0x83}, 150)) << "the release ends the call";
}

TEST_F(SimTest, IdentityAndTypeDigitsEachWaitForTheHostsAcknowledgement) {
  StartSim();
  ASSERT_EQ(host_->Ask({0x80}), 0x81);
  host_->Send({0x86});
  EXPECT_EQ(host_->Read(), '5');
  EXPECT_FALSE(host_->Read(150)) << "no second digit before the acknowledgement";
  host_->Send({kAck});
  EXPECT_EQ(host_->Read(), '0');
  host_->Send({kAck});
  EXPECT_EQ(host_->ReadPairAcked(), "30");
  EXPECT_EQ(host_->ReadPairAcked(), "33");
  EXPECT_FALSE(host_->Read(100));
  host_->Send({0x87});
  EXPECT_EQ(host_->ReadPairAcked(), "01");
}

TEST_F(SimTest, EepromHoldsSerialAndVersionAndKeepsWrites) {
  sim::Options options;
  options.device.serialNumber = 400000000;  // 0x17D78400
  StartSim(options);
  ASSERT_EQ(host_->Ask({0x80}), 0x81);
  const unsigned expected[][2] = {{120, 0x00}, {121, 0x84}, {122, 0xD7}, {123, 0x17},
                                  {126, 1},    {127, 4},    {0, 0xFF},   {255, 0xFF}};
  for (const auto& [cell, value] : expected) EXPECT_EQ(ReadCell(cell), value) << "cell " << cell;
  EXPECT_EQ(host_->Ask(EepromWrite(0x0A, 0xC5)), kAck);
  EXPECT_EQ(ReadCell(0x0A), 0xC5u);
  const sim::LoaderSim::FinishedDevice now = sim_->CurrentDevice();
  EXPECT_EQ(now.eeprom[0x0A], 0xC5);
  EXPECT_TRUE(now.eepromWritten[0x0A]);
  EXPECT_FALSE(now.eepromWritten[120]) << "the factory's serial number is no host write";
}

TEST_F(SimTest, MaskedProgramWordIsStoredAtItsWordAddress) {
  StartSim();
  CallUnlockAndProgram();
  EXPECT_EQ(host_->Ask(WordWrite(0x0030, 0x2A5C)), kAck);
  EXPECT_EQ(host_->Ask(WordWrite(7103, 0x3FFE)), kAck);
  EXPECT_EQ(host_->Ask(WordWrite(8192, 0x1111)), 0x85) << "beyond program memory";
  const std::vector<std::uint16_t> program = sim_->ProgramMemory();
  ASSERT_EQ(program.size(), 8192u);
  EXPECT_EQ(program[0x0030], 0x2A5C);
  EXPECT_EQ(program[7103], 0x3FFE);
  EXPECT_EQ(program[0x0031], 0x3FFF) << "untouched words stay erased";
  EXPECT_EQ(host_->Ask({0x91}, 150), std::nullopt) << "leaving programming is not answered";
  EXPECT_EQ(host_->Ask(WordWrite(0x0040, 1)), 0x85) << "no word outside programming mode";
  EXPECT_EQ(sim_->ProgramMemory()[0x0040], 0x3FFF);
}

TEST_F(SimTest, ProgrammingModeNeedsUnlock) {
  StartSim();
  ASSERT_EQ(host_->Ask({0x80}), 0x81);
  EXPECT_EQ(host_->Ask({0x90}), 0x85);
  EXPECT_EQ(host_->Ask(WordWrite(0x0030, 1)), 0x85);
  EXPECT_EQ(host_->Ask({0x83}), kAck);
  EXPECT_EQ(host_->Ask({0x90}), kAck);
  EXPECT_EQ(host_->Ask(WordWrite(0x0030, 1)), kAck);
}

TEST_F(SimTest, CommandBrokenOffByANewCommandIsDropped) {
  StartSim();
  ASSERT_EQ(host_->Ask({0x80}), 0x81);
  host_->SendText(
      "\x89"
      "7");
  EXPECT_EQ(host_->Ask({0x80}), 0x81) << "a command byte in place of a digit starts anew";
  host_->Send({0x86});
  EXPECT_EQ(host_->Read(), '5');
  EXPECT_EQ(host_->Ask({0x80}), 0x81) << "a command byte in place of an acknowledgement, too";
}

struct FaultCase {
  const char* name;
  sim::Fault fault;
  Bytes before;                        // commands answered normally first (one byte each)
  Bytes command;                       // the faulted command
  std::optional<std::uint8_t> answer;  // its first answer byte
};

// CTest lists each case by this name rather than by the bytes of the structure.
void PrintTo(const FaultCase& c, std::ostream* os) {
  *os << c.name;
}

class SimFaultTest : public SimTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(SimFaultTest, FaultSpoilsItsCommandOnceAndOnlyOnce) {
  const FaultCase& c = GetParam();
  sim::Options options;
  options.faults = {c.fault};
  StartSim(options);
  for (std::uint8_t b : c.before) ASSERT_TRUE(host_->Ask({b})) << "byte " << int{b};
  std::optional<std::uint8_t> got = host_->Ask(c.command, 250);
  EXPECT_EQ(got, c.answer);
  for (; got; got = host_->Read(100)) host_->Send({kAck});  // a corrupt digit still waits for it
  const std::uint8_t normal = c.command[0] == 0x80 ? 0x81 : c.command[0] == 0x86 ? '5' : kAck;
  EXPECT_EQ(host_->Ask(c.command), normal) << "the fault fires once";
}

const FaultCase kFaultCases[] = {
    {"SilentCall", {sim::FaultKind::Silence, sim::FaultTarget::Call, 1}, {}, {0x80}, {}},
    {"RefusedCall", {sim::FaultKind::Refuse, sim::FaultTarget::Call, 2}, {0x80}, {0x80}, 0x85},
    {"WrongCallAnswer", {sim::FaultKind::WrongByte, sim::FaultTarget::Call, 1}, {}, {0x80}, 0},
    {"SilentUnlock", {sim::FaultKind::Silence, sim::FaultTarget::Command, 2}, {0x80}, {0x83}, {}},
    {"WrongUnlockAnswer",
     {sim::FaultKind::WrongByte, sim::FaultTarget::Command, 2},
     {0x80},
     {0x83},
     0x00},
    {"CorruptIdentityDigit",
     {sim::FaultKind::WrongByte, sim::FaultTarget::Command, 2},
     {0x80},
     {0x86},
     '6'},
};

INSTANTIATE_TEST_SUITE_P(Faults, SimFaultTest, ::testing::ValuesIn(kFaultCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimTest, WrongAnswerToAProgramWordLeavesItUnwrittenUntilTheRepeat) {
  sim::Options options;
  options.faults = {{sim::FaultKind::WrongByte, sim::FaultTarget::ProgramWord, 2},
                    {sim::FaultKind::Silence, sim::FaultTarget::ProgramWord, 4}};
  StartSim(options);
  CallUnlockAndProgram();
  EXPECT_EQ(host_->Ask(WordWrite(0x0030, 0x0101)), kAck);
  EXPECT_EQ(host_->Ask(WordWrite(0x0031, 0x0202)), 0x00);
  EXPECT_EQ(sim_->ProgramMemory()[0x0031], 0x3FFF);
  EXPECT_EQ(host_->Ask(WordWrite(0x0031, 0x0202)), kAck);
  EXPECT_EQ(host_->Ask(WordWrite(0x0032, 0x0303), 250), std::nullopt);
  EXPECT_EQ(sim_->ProgramMemory()[0x0032], 0x3FFF);
  EXPECT_EQ(host_->Ask(WordWrite(0x0032, 0x0303)), kAck);
  EXPECT_EQ(sim_->ProgramMemory()[0x0031], 0x0202);
  EXPECT_EQ(sim_->ProgramMemory()[0x0032], 0x0303);
}

// A late answer: the command is carried out, its answer comes after the delay, and what the host
// sent meanwhile is taken only afterwards, in order.
TEST_F(SimTest, LateAnswerComesAfterItsDelayWithTheCommandCarriedOut) {
  sim::Options options;
  options.faults = {{sim::FaultKind::Late, sim::FaultTarget::ProgramWord, 1, 600}};
  StartSim(options);
  CallUnlockAndProgram();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(host_->Ask(WordWrite(0x0030, 0x0101), 300), std::nullopt);
  host_->Send(WordWrite(0x0031, 0x0202));  // the host's repeat or next word, while it waits
  EXPECT_EQ(host_->Read(1000), kAck);
  EXPECT_GE(std::chrono::steady_clock::now() - start, Ms(600));
  EXPECT_EQ(host_->Read(1000), kAck) << "the word sent meanwhile is answered after";
  EXPECT_EQ(sim_->ProgramMemory()[0x0030], 0x0101);
  EXPECT_EQ(sim_->ProgramMemory()[0x0031], 0x0202);
  EXPECT_EQ(host_->Ask(WordWrite(0x0032, 0x0303), 300), kAck) << "the fault fires once";
}

// Unplugged between two commands: the host sees the hang-up at once, and the cable comes back
// behind the same dev link only after the time asked for.
TEST_F(SimTest, UnplugBetweenCommandsReplugsAfterTheTimeAskedFor) {
  TempDir dir;
  sim_ = std::make_unique<sim::LoaderSim>();
  ASSERT_TRUE(sim_->BuildTrees(dir.path));
  ASSERT_TRUE(sim_->Start());
  const std::string link = sim_->DevDir() + "/ttyUSB0";
  {
    RawHost host(link);
    ASSERT_TRUE(host.ok());
    ASSERT_EQ(host.Ask({0x80}), 0x81);
    sim_->Unplug(500);
    pollfd p{host.fd(), POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 1000), 1);
    EXPECT_TRUE(p.revents & (POLLHUP | POLLERR)) << "the host sees the cable go";
  }
  std::this_thread::sleep_for(Ms(250));
  EXPECT_EQ(sim_->HangUps(), 0u) << "still unplugged";
  for (int i = 0; i < 100 && sim_->HangUps() == 0; ++i) std::this_thread::sleep_for(Ms(10));
  ASSERT_EQ(sim_->HangUps(), 1u);
  RawHost again(link);
  ASSERT_TRUE(again.ok());
  EXPECT_EQ(again.Ask({0x80}), 0x81);
}

TEST_F(SimTest, HangUpReplugsANewWorkingPtyBehindTheDevLink) {
  TempDir dir;
  sim::Options options;
  options.hangUpDownMs = 100;
  options.faults = {{sim::FaultKind::HangUp, sim::FaultTarget::Command, 2}};
  sim_ = std::make_unique<sim::LoaderSim>(options);
  ASSERT_TRUE(sim_->BuildTrees(dir.path));
  ASSERT_TRUE(sim_->Start());
  const std::string link = sim_->DevDir() + "/ttyUSB0";
  const std::string oldSlave = sim_->SlavePath();
  EXPECT_EQ(fs::read_symlink(link).string(), oldSlave);
  {
    RawHost host(link);
    ASSERT_TRUE(host.ok());
    ASSERT_EQ(host.Ask({0x80}), 0x81);
    host.Send({0x83});
    pollfd p{host.fd(), POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 1000), 1);
    EXPECT_TRUE(p.revents & (POLLHUP | POLLERR)) << "the host sees the cable go";
  }
  for (int i = 0; i < 100 && sim_->HangUps() == 0; ++i) std::this_thread::sleep_for(Ms(10));
  ASSERT_EQ(sim_->HangUps(), 1u);
  EXPECT_EQ(fs::read_symlink(link).string(), sim_->SlavePath());
  RawHost again(link);
  ASSERT_TRUE(again.ok());
  EXPECT_EQ(again.Ask({0x80}), 0x81);
  EXPECT_EQ(again.Ask({0x83}), kAck);
}

// The wizard's port opens with flock and TIOCEXCL and clears TIOCNXCL before it closes; the
// simulator's own slave descriptor must neither block that nor make the reopen fail.
TEST_F(SimTest, HostCanOpenExclusivelyCloseAndReopenThePort) {
  StartSim();
  host_.reset();
  for (int round = 0; round < 2; ++round) {
    const int fd = open(sim_->SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(ioctl(fd, TIOCEXCL), 0);
    const std::uint8_t call = 0x80;
    ASSERT_EQ(write(fd, &call, 1), 1);
    pollfd p{fd, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 1000), 1);
    std::uint8_t answer = 0;
    EXPECT_EQ(read(fd, &answer, 1), 1);
    EXPECT_EQ(answer, 0x81) << "round " << round;
    ioctl(fd, TIOCNXCL);
    close(fd);
  }
}

TEST_F(SimTest, ReleaseAfterVersion15MeetsTheNextDeviceAtTheNextCall) {
  StartSim();
  CallUnlockAndProgram();
  ASSERT_EQ(host_->Ask(WordWrite(0x0100, 0x1234)), kAck);
  ASSERT_EQ(host_->Ask(EepromWrite(126, 1)), kAck);
  ASSERT_EQ(host_->Ask(EepromWrite(127, 5)), kAck);
  ASSERT_EQ(host_->Ask({0x04}), kAck);
  ASSERT_EQ(host_->Ask({0x04}), kAck) << "Close's own release still meets the finished device";
  EXPECT_TRUE(sim_->FinishedDevices().empty());
  ASSERT_EQ(host_->Ask({0x80}), 0x81);
  const auto finished = sim_->FinishedDevices();
  ASSERT_EQ(finished.size(), 1u);
  EXPECT_EQ(finished[0].program[0x0100], 0x1234);
  EXPECT_EQ(finished[0].eeprom[127], 5);
  EXPECT_EQ(sim_->ProgramMemory()[0x0100], 0x3FFF);
  EXPECT_EQ(ReadCell(120) | ReadCell(121) << 8 | ReadCell(122) << 16 | ReadCell(123) << 24,
            312000002u);
  EXPECT_EQ(ReadCell(126), 1u);
  EXPECT_EQ(ReadCell(127), 4u);
}

TEST_F(SimTest, ReleaseWithoutVersion15KeepsTheSameDevice) {
  sim::Options options;
  options.device.versionMinor = 5;  // already up to date: not written by the host
  StartSim(options);
  CallUnlockAndProgram();
  ASSERT_EQ(host_->Ask(WordWrite(0x0100, 0x1234)), kAck);
  ASSERT_EQ(host_->Ask(EepromWrite(127, 5)), kAck) << "writing the minor alone changes nothing";
  ASSERT_EQ(host_->Ask(EepromWrite(126, 2)), kAck);
  ASSERT_EQ(host_->Ask({0x04}), kAck);
  ASSERT_EQ(host_->Ask({0x80}), 0x81);
  EXPECT_TRUE(sim_->FinishedDevices().empty());
  EXPECT_EQ(sim_->ProgramMemory()[0x0100], 0x1234);
}

TEST_F(SimTest, NextDeviceIsSwitchedOnAfterTheDelayAgain) {
  sim::Options options;
  options.switchOnDelayMs = 200;
  StartSim(options);
  host_->Send({0x80});
  std::this_thread::sleep_for(Ms(250));
  CallUnlockAndProgram();
  ASSERT_EQ(host_->Ask(EepromWrite(126, 1)), kAck);
  ASSERT_EQ(host_->Ask(EepromWrite(127, 5)), kAck);
  ASSERT_EQ(host_->Ask({0x04}), kAck);
  EXPECT_EQ(host_->Ask({0x80}, 120), std::nullopt);
  std::this_thread::sleep_for(Ms(120));
  EXPECT_EQ(host_->Ask({0x80}), 0x81);
  EXPECT_EQ(sim_->FinishedDevices().size(), 1u);
}

TEST_F(SimTest, SpeedCommandAnswersTwiceThenChangesSpeedAndReleaseRestores) {
  StartSim();
  ASSERT_EQ(host_->Ask({0x80}), 0x81);
  host_->SendText(
      "\x9E"
      "14");
  EXPECT_EQ(host_->Read(), kAck);
  EXPECT_TRUE(host_->Read()) << "one more byte at the old speed";
  EXPECT_EQ(sim_->LineSpeed(), 57600u);
  host_->SetSpeed(57600);
  host_->SendText(
      "\x9E"
      "33");
  EXPECT_EQ(host_->Read(), 0x85) << "an unknown divisor is refused";
  EXPECT_EQ(sim_->LineSpeed(), 57600u);
  EXPECT_EQ(host_->Ask({0x04}), kAck);
  EXPECT_EQ(sim_->LineSpeed(), 9600u);
}

// Eleven bits a byte: at 9600 bit/s ten calls and their answers (20 bytes) take about 23 ms,
// and a program-word write (9 bytes in, 1 out) about 11.5 ms.
TEST_F(SimTest, PacingTakesElevenBitsPerByteAtTheLineSpeed) {
  auto tenCalls = [this] {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 10; ++i) EXPECT_EQ(host_->Ask({0x80}), 0x81);
    return ElapsedMs(start);
  };
  auto fourWords = [this] {
    const auto start = std::chrono::steady_clock::now();
    for (unsigned a = 0x30; a < 0x34; ++a) EXPECT_EQ(host_->Ask(WordWrite(a, a)), kAck);
    return ElapsedMs(start);
  };
  sim::Options options;
  options.pacing = true;
  StartSim(options);
  const double calls = tenCalls();
  EXPECT_GE(calls, 22.0);
  EXPECT_LT(calls, 60.0);
  CallUnlockAndProgram();
  const double at9600 = fourWords();
  EXPECT_GE(at9600, 45.0);
  EXPECT_LT(at9600, 90.0);
  host_->SendText(
      "\x9E"
      "0A");  // 115200
  ASSERT_EQ(host_->Read(), kAck);
  ASSERT_TRUE(host_->Read());
  host_->SetSpeed(115200);
  const double at115200 = fourWords();
  EXPECT_LT(at115200, at9600 / 2) << at9600 << " ms at 9600, " << at115200 << " ms at 115200";

  StartSim();  // no pacing
  EXPECT_LT(tenCalls(), 15.0);
}

// A bridge's latency: each answer reaches the host inLatencyMs after it left the loader, each
// host byte the loader outLatencyMs after the host wrote it; the speed switch's two answers still
// follow each other at once.
TEST_F(SimTest, LatencyDelaysEachRoundTripOnce) {
  auto tenCalls = [this] {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 10; ++i) EXPECT_EQ(host_->Ask({0x80}), 0x81);
    return ElapsedMs(start);
  };
  sim::Options options;
  options.inLatencyMs = 16;
  StartSim(options);
  const double in = tenCalls();
  EXPECT_GE(in, 160.0);
  EXPECT_LT(in, 260.0);
  host_->SendText(
      "\x9E"
      "0A");
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(host_->Read(), kAck);
  ASSERT_TRUE(host_->Read());
  EXPECT_LT(ElapsedMs(start), 30.0) << "the second answer follows the first, not a latency later";

  options.inLatencyMs = 0;
  options.outLatencyMs = 8;
  StartSim(options);
  const double out = tenCalls();
  EXPECT_GE(out, 80.0);
  EXPECT_LT(out, 160.0);
}

struct LineCase {
  const char* behaviour;
  sim::HostLine line;
  bool answered;
};

// What the host asked of the line decides whether the loader can read it: only the loader's own
// speed (within what two clocks may differ by), even parity and eight data bits reach it.
TEST_F(SimTest, LoaderAnswersOnlyALineAtItsSpeedWithEvenParity) {
  const LineCase cases[] = {
      {"9600 8E1", {true, 9600, 'E', 8, 1}, true},
      {"two stop bits do not matter to a receiver", {true, 9600, 'E', 8, 2}, true},
      {"a bridge's rate 1 % off", {true, 9696, 'E', 8, 1}, true},
      {"no parity", {true, 9600, 'N', 8, 1}, false},
      {"odd parity", {true, 9600, 'O', 8, 1}, false},
      {"seven data bits", {true, 9600, 'E', 7, 1}, false},
      {"the faster speed before the switch", {true, 115200, 'E', 8, 1}, false},
      {"5 % off", {true, 10080, 'E', 8, 1}, false},
      {"the bridge's UART switched off", {false, 9600, 'E', 8, 1}, false},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.behaviour);
    sim::Options options;
    options.line = sim::LineSource::Declared;
    StartSim(options);
    sim_->SetHostLine(c.line);
    const auto answer = host_->Ask({0x80}, 300);
    EXPECT_EQ(answer.has_value(), c.answered);
    EXPECT_EQ(sim_->UnreadableBytes(), c.answered ? 0u : 1u);
    ASSERT_FALSE(sim_->Transcript().empty());
    EXPECT_EQ(sim_->Transcript().front().unreadable, !c.answered);
  }
}

// On the pseudo-terminal the host's speed is the terminal's: a host that switched the loader but
// not its own end is not understood any more, nor once it follows, after the release; the
// terminal's settings are logged as the host changes them, whether bytes follow or not.
TEST_F(SimTest, OnThePtyTheLoaderReadsOnlyAHostThatFollowsItsSpeed) {
  StartSim();
  ASSERT_EQ(host_->Ask({0x80}), 0x81);
  host_->SendText(
      "\x9E"
      "0A");  // 115200
  ASSERT_EQ(host_->Read(), kAck);
  ASSERT_TRUE(host_->Read());
  EXPECT_EQ(host_->Ask({0x87}, 300), std::nullopt) << "the host still sends at 9600";
  host_->SetSpeed(115200);
  host_->Send({0x87});
  EXPECT_EQ(host_->ReadPairAcked(), "01");
  EXPECT_EQ(host_->Ask({0x04}), kAck);
  EXPECT_EQ(host_->Ask({0x80}, 300), std::nullopt) << "released at 9600, called at 115200";
  host_->SetSpeed(9600);
  EXPECT_EQ(host_->Ask({0x80}), 0x81);
  host_->SetSpeed(19200);  // no byte follows: the change is seen all the same
  for (int i = 0; i < 100 && sim_->HostLines().size() < 4; ++i) std::this_thread::sleep_for(Ms(5));
  EXPECT_EQ(sim::DescribeLineLog(sim_->HostLines()), "9600 > 115200 > 9600 > 19200");
  EXPECT_EQ(sim_->UnreadableBytes(), 2u);

  sim::Options unchecked;
  unchecked.line = sim::LineSource::Unchecked;
  StartSim(unchecked);
  host_->SetSpeed(115200);
  EXPECT_EQ(host_->Ask({0x80}), 0x81) << "a relay hides the host's settings: all is read";
  EXPECT_TRUE(sim_->HostLines().empty());
}

// Behind QEMU's serial backend the terminal holds the guest's speed rounded to a standard rate:
// 256000 bit/s shows as 460800, and the loader switched to 256000 takes that as its own.
TEST_F(SimTest, BehindQemuTheRoundedRateCountsAsTheLoadersSpeed) {
  for (const sim::LineSource source : {sim::LineSource::QemuPty, sim::LineSource::Pty}) {
    sim::Options options;
    options.line = source;
    StartSim(options);
    ASSERT_EQ(host_->Ask({0x80}), 0x81);
    host_->SendText(
        "\x9E"
        "04");  // 256000
    ASSERT_EQ(host_->Read(), kAck);
    ASSERT_TRUE(host_->Read());
    host_->SetSpeed(460800);
    EXPECT_EQ(host_->Ask({0x83}, 300).has_value(), source == sim::LineSource::QemuPty);
  }
  EXPECT_EQ(sim::QemuSerialRate(9600), 9600u);
  EXPECT_EQ(sim::QemuSerialRate(115200), 115200u);
  EXPECT_EQ(sim::QemuSerialRate(14400), 19200u);
}

TEST_F(SimTest, TranscriptRecordsBothWaysInOrderWithMonotonicTimes) {
  StartSim();
  ASSERT_EQ(host_->Ask({0x80}), 0x81);
  host_->Send({0x87});
  ASSERT_EQ(host_->ReadPairAcked(), "01");
  for (int i = 0; i < 100 && sim_->HostBytes().size() < 4; ++i) {
    std::this_thread::sleep_for(Ms(10));  // the last acknowledgement is on its way
  }
  EXPECT_EQ(sim_->HostBytes(), (Bytes{0x80, 0x87, kAck, kAck}));
  EXPECT_EQ(sim_->LoaderBytes(), (Bytes{0x81, '0', '1'}));
  const auto transcript = sim_->Transcript();
  ASSERT_EQ(transcript.size(), 7u);
  const bool fromHost[] = {true, false, true, false, true, false, true};
  for (std::size_t i = 0; i < transcript.size(); ++i) {
    EXPECT_EQ(transcript[i].fromHost, fromHost[i]) << i;
    if (i > 0) {
      EXPECT_GE(transcript[i].atMs, transcript[i - 1].atMs);
    }
  }
  sim_->ClearTranscript();
  EXPECT_TRUE(sim_->Transcript().empty());
}

TEST(SimTrees, BuildTreesLaysOutSysfsAndDevAndRemovesThem) {
  TempDir dir;
  {
    sim::LoaderSim sim;
    ASSERT_TRUE(sim.BuildTrees(dir.path));
    ASSERT_TRUE(sim.Start());
    EXPECT_EQ(sim.SysfsDir(), dir.path + "/sys/class/tty");
    EXPECT_EQ(sim.DevDir(), dir.path + "/dev");
    EXPECT_TRUE(fs::is_directory(sim.SysfsDir() + "/ttyUSB0/device"));
    const fs::path driver = fs::read_symlink(sim.SysfsDir() + "/ttyUSB0/device/driver");
    EXPECT_EQ(driver.filename(), "cp210x");
    EXPECT_EQ(fs::read_symlink(sim.DevDir() + "/ttyUSB0").string(), sim.SlavePath());
  }
  EXPECT_TRUE(fs::is_empty(dir.path)) << "the simulator takes its trees away";
}

TEST(SimTrees, RefusesTheSystemTrees) {
  TempDir dir;
  fs::create_directory_symlink("/sys/class", dir.path + "/to-sys");
  for (const std::string& bad :
       {std::string("/dev"), std::string("/sys"), std::string("/sys/class/tty"),
        std::string("/dev/../dev/pts"), std::string("/"), std::string(""), dir.path + "/to-sys"}) {
    sim::LoaderSim sim;
    std::string error;
    EXPECT_FALSE(sim.BuildTrees(bad, &error)) << bad;
    EXPECT_FALSE(error.empty()) << bad;
    EXPECT_EQ(sim.DevDir(), "") << bad;
  }
}

TEST(SimCommandLine, ParsesOptionsAndRejectsBadOnes) {
  sim::CommandLine cl = sim::DefaultCommandLine();
  EXPECT_TRUE(cl.options.pacing);
  ASSERT_TRUE(sim::ParseCommandLine({"--dir",       "/tmp/x",
                                     "--no-pacing", "--switch-on-delay=50",
                                     "--identity",  "P02",
                                     "--type",      "3",
                                     "--serial",    "399999999",
                                     "--version",   "1.5",
                                     "--fault",     "hang-up:word:7",
                                     "--fault",     "refuse:call:1",
                                     "--fault",     "late:word:300",
                                     "--fault",     "late:command:5:2500",
                                     "--latency",   "2:16",
                                     "--line",      "unchecked",
                                     "--events"},
                                    cl, nullptr));
  EXPECT_EQ(cl.dir, "/tmp/x");
  EXPECT_FALSE(cl.options.pacing);
  EXPECT_EQ(cl.options.switchOnDelayMs, 50u);
  EXPECT_EQ(cl.options.device.identity, "P02");
  EXPECT_EQ(cl.options.device.deviceType, 3);
  EXPECT_EQ(cl.options.device.serialNumber, 399999999u);
  EXPECT_EQ(cl.options.device.versionMinor, 5);
  ASSERT_EQ(cl.options.faults.size(), 4u);
  EXPECT_EQ(cl.options.faults[0].kind, sim::FaultKind::HangUp);
  EXPECT_EQ(cl.options.faults[0].target, sim::FaultTarget::ProgramWord);
  EXPECT_EQ(cl.options.faults[0].ordinal, 7u);
  EXPECT_EQ(cl.options.faults[1].target, sim::FaultTarget::Call);
  EXPECT_EQ(cl.options.faults[2].kind, sim::FaultKind::Late);
  EXPECT_EQ(cl.options.faults[2].delayMs, 1500u);
  EXPECT_EQ(cl.options.faults[3].ordinal, 5u);
  EXPECT_EQ(cl.options.faults[3].delayMs, 2500u);
  EXPECT_TRUE(cl.events);
  EXPECT_FALSE(sim::DefaultCommandLine().events);
  EXPECT_EQ(cl.options.outLatencyMs, 2u);
  EXPECT_EQ(cl.options.inLatencyMs, 16u);
  EXPECT_EQ(cl.options.line, sim::LineSource::Unchecked);
  EXPECT_EQ(sim::DefaultCommandLine().options.line, sim::LineSource::Pty);
  sim::CommandLine qemu;
  ASSERT_TRUE(sim::ParseCommandLine({"--line=qemu"}, qemu, nullptr));
  EXPECT_EQ(qemu.options.line, sim::LineSource::QemuPty);
  sim::CommandLine answers;
  ASSERT_TRUE(sim::ParseCommandLine({"--latency", "1"}, answers, nullptr));
  EXPECT_EQ(answers.options.outLatencyMs, 0u);
  EXPECT_EQ(answers.options.inLatencyMs, 1u) << "one figure: added to each answer";

  for (const std::vector<std::string>& bad :
       std::vector<std::vector<std::string>>{{"--bogus"},
                                             {"--type"},
                                             {"--type", "256"},
                                             {"--serial", "-1"},
                                             {"--serial", "4294967296"},
                                             {"--version", "1"},
                                             {"--version", "1.x"},
                                             {"--identity", "P0"},
                                             {"--fault", "silence:command:0"},
                                             {"--fault", "loud:command:1"},
                                             {"--fault", "silence:command"},
                                             {"--fault", "silence:command:1:100"},
                                             {"--fault", "late:word:1:0"},
                                             {"--fault", "late:word:1:x"},
                                             {"--switch-on-delay", "1s"},
                                             {"--no-pacing=1"},
                                             {"--latency", "1:"},
                                             {"--latency", "-1"},
                                             {"--line", "declared"},
                                             {"--events=yes"}}) {
    sim::CommandLine out;
    std::string error;
    EXPECT_FALSE(sim::ParseCommandLine(bad, out, &error)) << bad[0];
    EXPECT_FALSE(error.empty());
  }
}

TEST(SimWriteReport, WordRangesAreContiguousRuns) {
  std::vector<bool> written(8192, false);
  for (unsigned a = 0x30; a <= 0x3E9; ++a) written[a] = true;
  written[0x1FFF] = true;
  EXPECT_EQ(sim::WrittenWordRanges(written),
            (std::vector<std::string>{"program words 0x0030-0x03E9 (954 words)",
                                      "program words 0x1FFF-0x1FFF (1 word)"}));
}

// A transcript written by hand, one millisecond per byte.
class TranscriptBuilder {
 public:
  TranscriptBuilder& Host(const Bytes& bytes) { return Add(true, bytes); }
  TranscriptBuilder& Loader(const Bytes& bytes) { return Add(false, bytes); }
  // An EEPROM read and its answer: two digits, each acknowledged by the host.
  TranscriptBuilder& ReadCell(unsigned address, unsigned value) {
    Host(EepromRead(address));
    const std::string pair = simtest::HexPair(value);
    for (char c : pair) Loader({static_cast<std::uint8_t>(c)}).Host({kAck});
    return *this;
  }
  std::vector<sim::TrafficByte> bytes;

 private:
  TranscriptBuilder& Add(bool fromHost, const Bytes& values) {
    for (std::uint8_t v : values) bytes.push_back({fromHost, v, bytes.size() + 1});
    return *this;
  }
};

std::vector<std::string> Texts(const std::vector<sim::Event>& events) {
  std::vector<std::string> texts;
  for (const sim::Event& e : events) texts.push_back(e.text);
  return texts;
}

TEST(SimEventReader, FollowsAWholeUpdateOnceEachWhateverTheFeedSteps) {
  TranscriptBuilder t;
  t.Host({0x80}).Host({0x80}).Host({0x80}).Loader({0x81});       // two calls to a device off
  t.Host({0x86}).Loader({'5', '0'}).Host({0x87}).Loader({'0'});  // answers need not be whole
  t.ReadCell(120, 0x01).ReadCell(126, 0x01).ReadCell(127, 0x04);
  t.Host({0x83}).Loader({kAck}).Host({0x90}).Loader({kAck});
  t.Host(WordWrite(0x30, 0x1234)).Loader({kAck}).Host(WordWrite(0x31, 0)).Loader({kAck});
  t.Host(EepromWrite(127, 5)).Loader({kAck});  // the major number 1 is already there
  t.Host(EepromWrite(126, 1)).Loader({kAck});  // and written again: still one event
  t.Host({0x91}).Loader({kAck}).Host({0x04}).Loader({kAck});
  t.Host({0x86});  // ignored: no call since the release
  const std::vector<std::string> expected{"calling",
                                          "call answered",
                                          "identity asked",
                                          "device type asked",
                                          "serial number asked",
                                          "version asked",
                                          "unlocked",
                                          "programming mode",
                                          "first word written at 0x0030",
                                          "version 1.5 written",
                                          "programming mode left",
                                          "released after 2 program-word writes"};
  for (std::size_t step : {std::size_t{1}, std::size_t{7}, t.bytes.size()}) {
    sim::EventReader reader;
    std::vector<sim::Event> events;
    std::vector<sim::TrafficByte> growing;
    for (const sim::TrafficByte& b : t.bytes) {
      growing.push_back(b);
      if (growing.size() % step == 0 || growing.size() == t.bytes.size()) {
        for (sim::Event& e : reader.Feed(growing)) events.push_back(e);
      }
    }
    EXPECT_EQ(Texts(events), expected) << "fed " << step << " byte(s) at a time";
    ASSERT_EQ(events.size(), expected.size());
    EXPECT_EQ(events[1].atMs, 4u);  // the time of the answer 0x81, the fourth byte
  }
  EXPECT_EQ(sim::EventLine({12345, "call answered"}, 2000), "# event 10.345 s: call answered");
}

TEST(SimEventReader, VersionOtherThan15AndAnUnfinishedCommandTellNothing) {
  TranscriptBuilder t;
  t.Host({0x80}).Loader({0x81}).Host(EepromWrite(127, 5)).Host(EepromWrite(126, 2));
  t.Host({0x8D, '1', '2'}).Host({0x04});  // a word write broken off by the release
  sim::EventReader reader;
  EXPECT_EQ(Texts(reader.Feed(t.bytes)),
            (std::vector<std::string>{"calling", "call answered",
                                      "released after 0 program-word writes"}));
}

// Runs the program, reads its standard output up to the end, with SIGINT sent once the export
// lines are there and the given action has run.
class SimProgram {
 public:
  static bool Built() { return access(kProgram, X_OK) == 0; }

  explicit SimProgram(const std::vector<std::string>& args) {
    int out[2];
    if (pipe(out) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], STDOUT_FILENO);
      dup2(out[1], STDERR_FILENO);
      std::vector<char*> argv{const_cast<char*>(kProgram)};
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(kProgram, argv.data());
      _exit(127);
    }
    close(out[1]);
    fd_ = out[0];
  }
  ~SimProgram() {
    if (fd_ >= 0) close(fd_);
    if (pid_ > 0 && status_ < 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  // Reads until text appears or the output ends (or 5 s pass).
  bool WaitFor(const std::string& text) {
    const auto start = std::chrono::steady_clock::now();
    while (output_.find(text) == std::string::npos && ElapsedMs(start) < 5000) {
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) continue;
      char buffer[512];
      const ssize_t n = read(fd_, buffer, sizeof buffer);
      if (n <= 0) break;
      output_.append(buffer, static_cast<std::size_t>(n));
    }
    return output_.find(text) != std::string::npos;
  }
  int Interrupt() {
    kill(pid_, SIGINT);
    return Finish();
  }
  int Finish() {
    WaitFor("\x01never");
    int status = 0;
    waitpid(pid_, &status, 0);
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return status_;
  }
  const std::string& output() const { return output_; }

 private:
  static constexpr const char* kProgram = ORB42_BINARY_DIR "/sim/orb42-loader-sim";
  pid_t pid_ = -1;
  int fd_ = -1;
  int status_ = -1;
  std::string output_;
};

TEST(SimProgramTest, PrintsExportsServesAndDumpsWritesOnInterrupt) {
  if (!SimProgram::Built()) GTEST_SKIP() << "orb42-loader-sim is not built";
  TempDir dir;
  SimProgram program({"--dir", dir.path, "--no-pacing", "--switch-on-delay", "0"});
  ASSERT_TRUE(program.WaitFor("Ctrl-C ends\n")) << program.output();
  EXPECT_NE(program.output().find("export ORB42_SYSFS_TTY=" + dir.path + "/sys/class/tty\n"),
            std::string::npos);
  EXPECT_NE(program.output().find("export ORB42_DEV_DIR=" + dir.path + "/dev\n"),
            std::string::npos);
  {
    RawHost host(dir.path + "/dev/ttyUSB0");
    ASSERT_TRUE(host.ok());
    ASSERT_EQ(host.Ask({0x80}), 0x81);
    ASSERT_EQ(host.Ask({0x83}), kAck);
    ASSERT_EQ(host.Ask({0x90}), kAck);
    for (unsigned a = 0x30; a < 0x34; ++a) ASSERT_EQ(host.Ask(WordWrite(a, a)), kAck);
    ASSERT_EQ(host.Ask(EepromWrite(127, 5)), kAck);
  }
  EXPECT_EQ(program.Interrupt(), 0);
  EXPECT_NE(program.output().find("program words 0x0030-0x0033 (4 words)"), std::string::npos)
      << program.output();
  EXPECT_NE(program.output().find("EEPROM 120-127: 01 BE 98 12 FF FF 01 05"), std::string::npos)
      << program.output();
  EXPECT_TRUE(fs::is_empty(dir.path));
}

TEST(SimProgramTest, EventsOptionPrintsEachEventAsItHappens) {
  if (!SimProgram::Built()) GTEST_SKIP() << "orb42-loader-sim is not built";
  TempDir dir;
  SimProgram program({"--dir", dir.path, "--no-pacing", "--switch-on-delay", "0", "--events"});
  ASSERT_TRUE(program.WaitFor("Ctrl-C ends\n")) << program.output();
  RawHost host(dir.path + "/dev/ttyUSB0");
  ASSERT_TRUE(host.ok());
  ASSERT_EQ(host.Ask({0x80}), 0x81);
  EXPECT_TRUE(program.WaitFor(" s: call answered\n")) << program.output();
  ASSERT_EQ(host.Ask({0x83}), kAck);
  ASSERT_EQ(host.Ask({0x90}), kAck);
  ASSERT_EQ(host.Ask(WordWrite(0x40, 1)), kAck);
  ASSERT_EQ(host.Ask(EepromWrite(127, 5)), kAck);
  ASSERT_EQ(host.Ask(EepromWrite(126, 1)), kAck);
  ASSERT_EQ(host.Ask({0x04}), kAck);
  EXPECT_TRUE(program.WaitFor(" s: released after 1 program-word writes\n")) << program.output();
  EXPECT_EQ(program.Interrupt(), 0);
  for (const char* line :
       {"# event 0.", "s: first word written at 0x0040\n", "s: version 1.5 written\n"}) {
    EXPECT_NE(program.output().find(line), std::string::npos) << line << program.output();
  }
  EXPECT_LT(program.output().find("released after"), program.output().find("# what was written"));
}

TEST(SimProgramTest, BadOptionGivesUsageAndStatus2) {
  if (!SimProgram::Built()) GTEST_SKIP() << "orb42-loader-sim is not built";
  SimProgram program({"--fault", "silence"});
  EXPECT_EQ(program.Finish(), 2);
  EXPECT_NE(program.output().find("Usage: orb42-loader-sim"), std::string::npos);
  SimProgram refused({"--dir", "/dev"});
  EXPECT_EQ(refused.Finish(), 1);
}

}  // namespace
