// The simulator with several bridges at once: one pair of trees with a node per port, each port
// its own device and its own faults, from the library and from the program's options.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "sim/CommandLine.h"
#include "sim/LoaderBank.h"
#include "support/sim_host.h"

namespace {

namespace fs = std::filesystem;

TEST(SimBank, EachPortIsANodeWithItsOwnDeviceAndTheTreesGoAway) {
  char pattern[] = "/tmp/orb42-simbank-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string dir = pattern;
  {
    std::vector<sim::Options> ports = sim::OptionsForPorts({}, 3);
    ports[2].faults = {{sim::FaultKind::Silence, sim::FaultTarget::Call, 1}};
    sim::LoaderBank bank(ports);
    std::string error;
    ASSERT_TRUE(bank.Start(dir, &error)) << error;
    for (unsigned i = 0; i < 3; ++i) {
      SCOPED_TRACE(i);
      const std::string node = "ttyUSB" + std::to_string(i);
      EXPECT_EQ(fs::read_symlink(bank.SysfsDir() + "/" + node + "/device/driver").filename(),
                "cp210x");
      EXPECT_EQ(fs::read_symlink(bank.DevDir() + "/" + node), bank.Port(i).SlavePath());
      simtest::RawHost host(bank.DevDir() + "/" + node);
      ASSERT_TRUE(host.ok());
      if (i == 2) {
        EXPECT_FALSE(host.Ask({0x80}, 300)) << "port 2's own fault";
      }
      ASSERT_EQ(host.Ask({0x80}), 0x81);
      host.Send(simtest::EepromRead(120));
      const std::string low = host.ReadPairAcked();
      // 312000001 is 0x1298BE01, 312001001 0x1298C1E9, 312002001 0x1298C5D1
      EXPECT_EQ(low, (std::vector<std::string>{"01", "E9", "D1"}[i]));
    }
  }
  EXPECT_TRUE(fs::is_empty(dir));
  fs::remove_all(dir);
}

TEST(SimBank, CommandLineGivesEachPortItsOptions) {
  sim::CommandLine cl = sim::DefaultCommandLine();
  ASSERT_TRUE(sim::ParseCommandLine(
      {"--serial", "1=299999999", "--ports", "3", "--fault", "silence:call:1", "--fault",
       "2=refuse:speed:1", "--version", "2=1.5", "--identity", "0=P02"},
      cl, nullptr));
  const std::vector<sim::Options> ports = sim::OptionsOfPorts(cl);
  ASSERT_EQ(ports.size(), 3u);
  EXPECT_EQ(ports[0].device.identity, "P02");
  EXPECT_EQ(ports[0].device.serialNumber, 312000001u);
  EXPECT_EQ(ports[1].device.serialNumber, 299999999u);
  EXPECT_EQ(ports[2].device.serialNumber, 312002001u);
  EXPECT_EQ(ports[2].device.versionMinor, 5);
  EXPECT_EQ(ports[1].device.versionMinor, 4);
  for (unsigned i = 0; i < 3; ++i) {
    EXPECT_EQ(ports[i].node, i);
    EXPECT_TRUE(ports[i].pacing);
    ASSERT_GE(ports[i].faults.size(), 1u);
    EXPECT_EQ(ports[i].faults[0].target, sim::FaultTarget::Call);  // for every port
  }
  ASSERT_EQ(ports[2].faults.size(), 2u);
  EXPECT_EQ(ports[2].faults[1].target, sim::FaultTarget::SetSpeed);

  for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
           {"--ports", "0"},
           {"--ports", "33"},
           {"--serial", "1=5"},  // one port only
           {"--ports", "2", "--fault", "2=silence:call:1"},
           {"--ports", "2", "--fault", "1=silence:call"},
       }) {
    sim::CommandLine out;
    std::string error;
    EXPECT_FALSE(sim::ParseCommandLine(bad, out, &error)) << bad[0] << " " << bad[1];
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
