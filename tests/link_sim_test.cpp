// The link against the loader simulator over a real pseudo-terminal: the main paths end to end.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <thread>

#include "link/Com_p03.h"
#include "sim/LoaderSim.h"

namespace {

class SimLink : public ::testing::Test {
 protected:
  explicit SimLink(sim::Options options = {}) : loader(std::move(options)) {}
  void SetUp() override {
    char pattern[] = "/tmp/orb42-simlink-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
    std::string error;
    ASSERT_TRUE(loader.Start(&error)) << error;
    ASSERT_TRUE(loader.BuildTrees(dir, &error)) << error;
    setenv("ORB42_DEV_DIR", loader.DevDir().c_str(), 1);
    link = std::make_unique<CP03>();
    link->SetPortIndex(32);
  }
  void TearDown() override {
    link.reset();
    loader.Stop();
    unsetenv("ORB42_DEV_DIR");
    std::filesystem::remove_all(dir);
  }

  sim::LoaderSim loader;
  std::string dir;
  std::unique_ptr<CP03> link;
};

}  // namespace

TEST_F(SimLink, ChecksProgramsAndReleasesTheSimulatedDevice) {
  ASSERT_EQ(link->Connect(1), LinkOk);
  EXPECT_EQ(link->CheckIdentity(), LinkOk);
  std::uint32_t type = 0, serial = 0, major = 0, minor = 0;
  EXPECT_EQ(link->ReadDeviceType(type), LinkOk);
  EXPECT_EQ(type, 1u);
  EXPECT_EQ(link->ReadSerialNumber(serial), LinkOk);
  EXPECT_EQ(serial, 312000001u);
  EXPECT_EQ(link->ReadVersion(major, minor), LinkOk);
  EXPECT_EQ(major, 1u);
  EXPECT_EQ(minor, 4u);
  EXPECT_EQ(link->Unlock(), LinkOk);
  EXPECT_EQ(link->EnterProgramming(), LinkOk);
  EXPECT_EQ(link->WriteProgramWord(0x200, 0x2A5F), LinkOk);
  EXPECT_EQ(link->WriteProgramWord(7103, 0x3FFF), LinkOk);
  EXPECT_EQ(link->WriteVersion(1, 5), LinkOk);
  EXPECT_EQ(link->LeaveProgramming(), LinkOk);
  EXPECT_EQ(link->Disconnect(), LinkOk);
  EXPECT_EQ(link->Connected(), 0);
  EXPECT_EQ(link->State(), LoaderIdle);
  EXPECT_EQ(link->Close(), LinkOk);
  EXPECT_FALSE(link->IsOpen());

  const auto program = loader.ProgramMemory();
  ASSERT_EQ(program.size(), 8192u);
  EXPECT_EQ(program[0x200], 0x2A5F);
  EXPECT_EQ(program[7103], 0x3FFF);
  const auto eeprom = loader.Eeprom();
  EXPECT_EQ(eeprom[126], 1);
  EXPECT_EQ(eeprom[127], 5);
  EXPECT_EQ(loader.LineSpeed(), 9600u);
}

TEST_F(SimLink, RefusedCallClosesThePortAndTheNextConnectSucceeds) {
  loader.AddFault({sim::FaultKind::Refuse, sim::FaultTarget::Call, 1});
  EXPECT_EQ(link->Connect(1), LinkTimeout);
  EXPECT_FALSE(link->IsOpen());
  const auto sent = loader.HostBytes();
  EXPECT_EQ(std::count(sent.begin(), sent.end(), 0x04), 2);  // Disconnect, then Close's own
  EXPECT_EQ(link->Connect(1), LinkOk);
  EXPECT_EQ(link->Close(), LinkOk);
}

TEST_F(SimLink, UnplugIsAnErrorAndTheReplugCanBeCalledAgain) {
  ASSERT_EQ(link->Connect(1), LinkOk);
  loader.AddFault({sim::FaultKind::HangUp, sim::FaultTarget::Command, 2});  // the unlock
  EXPECT_EQ(link->Unlock(), EIO);
  EXPECT_NE(link->Close(), LinkOk);
  EXPECT_FALSE(link->IsOpen());
  std::this_thread::sleep_for(std::chrono::milliseconds(600));  // the cable stays out 300 ms
  EXPECT_EQ(link->Connect(1), LinkOk);
  EXPECT_EQ(link->Unlock(), LinkOk);
  EXPECT_EQ(link->Close(), LinkOk);
}

// The cable pulled while the host waits between two calls: the next call fails to go out, the
// port is given up, and a later call opens the replugged bridge afresh.
TEST_F(SimLink, CableUnpluggedBetweenTwoCallsIsOpenedAfreshLater) {
  loader.AddFault({sim::FaultKind::Silence, sim::FaultTarget::Call, 1});
  EXPECT_EQ(link->Connect(1), LinkTimeout);
  ASSERT_TRUE(link->IsOpen());
  loader.Unplug(2000);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(link->Connect(1), EIO);
  EXPECT_FALSE(link->IsOpen()) << "the dead descriptor is not kept";
  std::this_thread::sleep_for(std::chrono::milliseconds(2000));
  EXPECT_EQ(link->Connect(1), LinkOk);
  EXPECT_EQ(link->Close(), LinkOk);
}

TEST_F(SimLink, WrongAnswerToAProgramWordIsRepeated) {
  loader.AddFault({sim::FaultKind::WrongByte, sim::FaultTarget::ProgramWord, 1});
  ASSERT_EQ(link->Connect(1), LinkOk);
  ASSERT_EQ(link->Unlock(), LinkOk);
  ASSERT_EQ(link->EnterProgramming(), LinkOk);
  EXPECT_EQ(link->WriteProgramWord(0x300, 0x1234), LinkOk);
  EXPECT_EQ(loader.ProgramMemory()[0x300], 0x1234);
  EXPECT_EQ(link->Close(), LinkOk);
}
