// orb42-flash in process: which PORT arguments name which port, and what a port that cannot be
// opened is told with (the causes that a test cannot make happen for real as root).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "cli/Messages.h"
#include "cli/Ports.h"

namespace {

TEST(FlashPorts, ArgumentsAreComNamesOrNodePathsOfTheMapInTheDevDirectory) {
  setenv("ORB42_DEV_DIR", "/tmp/bench/dev/", 1);  // a trailing slash names the same directory
  const struct {
    const char* argument;
    int index;  // -1: refused
  } cases[] = {
      {"COM33", 32},
      {"com34", 33},
      {"COM1", 0},
      {"COM96", 95},
      {"/tmp/bench/dev/ttyUSB1", 33},
      {"/tmp/bench/dev/../dev/./ttyS0", 0},
      {"/tmp/bench/dev/ttyACM31", 95},
      {"COM0", -1},
      {"COM97", -1},
      {"COM", -1},
      {"COM3x", -1},
      {"ttyUSB0", -1},                  // a node name alone is not a path
      {"/dev/ttyUSB0", -1},             // outside $ORB42_DEV_DIR
      {"/tmp/bench/dev/ttyUSB32", -1},  // beyond the map
      {"/tmp/bench/dev/ttyUSB01", -1},  // not the node's own name
      {"/tmp/bench/dev/sub/ttyUSB0", -1},
      {"", -1},
  };
  for (const auto& c : cases) {
    std::string error;
    const auto port = flash::PortFromArgument(c.argument, &error);
    if (c.index < 0) {
      EXPECT_FALSE(port) << c.argument;
      EXPECT_NE(error.find("the path of such a node in /tmp/bench/dev"), std::string::npos)
          << error;
    } else {
      ASSERT_TRUE(port) << c.argument << ": " << error;
      EXPECT_EQ(port->index, c.index) << c.argument;
    }
  }
  const auto port = flash::PortFromArgument("/tmp/bench/dev/ttyUSB1", nullptr);
  ASSERT_TRUE(port);
  EXPECT_EQ(port->Label(), "COM34 (ttyUSB1)");
  unsetenv("ORB42_DEV_DIR");
}

TEST(FlashMessages, PortThatCannotBeOpenedIsToldWithItsRemedyAndTheSystemsWords) {
  const flash::Port port{32, "COM33", "/dev/ttyUSB0"};
  const struct {
    int error;
    const char* line;
    const char* remedy;
  } cases[] = {
      {EACCES, "permission denied", "packaging/70-orb42-cp210x.rules"},
      {EPERM, "permission denied", "sudo adduser $USER dialout"},
      {EWOULDBLOCK, "port held by another program", "sudo fuser -v /dev/ttyUSB0"},
      {EBUSY, "port held by another program", "close that program"},
      {ENOENT, "no such port", "orb42-flash list shows the ports"},
  };
  for (const auto& c : cases) {
    update::RunResult result;
    result.outcome = update::Outcome::PortFailed;
    result.error = c.error;
    const flash::DeviceReport r = flash::Explain(result, flash::Job{}, port);
    EXPECT_EQ(r.code, flash::kExitPortFailed);
    EXPECT_EQ(r.line, c.line);
    EXPECT_NE(r.cause.find("/dev/ttyUSB0"), std::string::npos) << r.cause;
    EXPECT_NE(r.cause.find(std::strerror(c.error)), std::string::npos) << r.cause;
    EXPECT_NE(r.remedy.find(c.remedy), std::string::npos) << r.remedy;
  }
}

}  // namespace
