// orb42-flash in process: which PORT arguments name which port, and what a port that cannot be
// opened is told with (the causes that a test cannot make happen for real as root).
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "cli/LogFile.h"
#include "cli/Messages.h"
#include "cli/Ports.h"

namespace {

TEST(FlashPorts, ArgumentsAreComNamesNodeNamesOrPathsToNodesOfTheMap) {
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
      {"ttyUSB0", 32},                  // a node's name alone
      {"ttyS31", 31},                   //
      {"/dev/ttyUSB0", 32},             // the system's name, whatever the node directory
      {"ttyUSB32", -1},                 // beyond the map
      {"tty0", -1},                     //
      {"/tmp/elsewhere/ttyUSB0", -1},   // neither the node directory nor /dev
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
      EXPECT_NE(error.find("its path in /tmp/bench/dev ($ORB42_DEV_DIR) or /dev"),
                std::string::npos)
          << error;
    } else {
      ASSERT_TRUE(port) << c.argument << ": " << error;
      EXPECT_EQ(port->index, c.index) << c.argument;
    }
  }
  unsetenv("ORB42_DEV_DIR");
}

// udev's links pin a socket (by-path) or a cable (by-id) and lead to the node; a bench labelled
// by them reads its output by the same names.
TEST(FlashPorts, LinksThatLeadToANodeNameItAndThePortIsShownAsGiven) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("orb42-ports-" + std::to_string(getpid()));
  fs::create_directories(dir / "dev/serial/by-id");
  fs::create_directories(dir / "dev/serial/by-path");
  std::ofstream(dir / "dev/ttyUSB3").put('\n');
  fs::create_symlink("../../ttyUSB3", dir / "dev/serial/by-id/usb-Silicon_Labs_CP2102-if00-port0");
  fs::create_symlink("../by-id/usb-Silicon_Labs_CP2102-if00-port0",
                     dir / "dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0");
  fs::create_symlink("/dev/null", dir / "dev/serial/by-id/not-a-port");
  setenv("ORB42_DEV_DIR", (dir / "dev").c_str(), 1);
  const std::string byPath =
      (dir / "dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0").string();
  const struct {
    std::string argument;
    int index;
    std::string label;
  } cases[] = {
      {(dir / "dev/serial/by-id/usb-Silicon_Labs_CP2102-if00-port0").string(), 35, ""},
      {byPath, 35, byPath + " (COM36)"},
      {"ttyUSB3", 35, "ttyUSB3 (COM36)"},
      {"COM36", 35, "COM36 (ttyUSB3)"},
      {"com36", 35, "COM36 (ttyUSB3)"},
      {(dir / "dev/serial/by-id/not-a-port").string(), -1, ""},
  };
  for (const auto& c : cases) {
    const auto port = flash::PortFromArgument(c.argument, nullptr);
    if (c.index < 0) {
      EXPECT_FALSE(port) << c.argument;
      continue;
    }
    ASSERT_TRUE(port) << c.argument;
    EXPECT_EQ(port->index, c.index);
    EXPECT_EQ(port->device, (dir / "dev/ttyUSB3").string());
    if (!c.label.empty()) {
      EXPECT_EQ(port->Label(), c.label);
    }
  }
  unsetenv("ORB42_DEV_DIR");
  fs::remove_all(dir);
}

TEST(FlashMessages, PortThatCannotBeOpenedIsToldWithItsRemedyAndTheSystemsWords) {
  const flash::Port port{32, "COM33", "/dev/ttyUSB0", ""};
  const struct {
    int error;
    const char* line;
    const char* remedy;
  } cases[] = {
      {EACCES, "permission denied",
       "udev rule 70-orb42-cp210x.rules (the package puts it in "
       "/usr/lib/udev/rules.d, cmake --install with another "
       "prefix in /etc/udev/rules.d)"},
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
    EXPECT_EQ(r.remedy.find("packaging/"), std::string::npos) << r.remedy;  // not the sources
  }
}

}  // namespace

namespace {

// What comes from outside (a process's name, a port or file name) is shown as it is when it is
// plain text in any language, and with its control characters escaped otherwise; a spreadsheet
// never takes a field of the log for a formula.
TEST(FlashShown, ControlCharactersAndBrokenTextAreEscapedWordsAreKept) {
  const struct {
    const char* raw;
    const char* shown;
  } cases[] = {
      {"cat", "cat"},
      {"journal-été-Łukasz.csv", "journal-été-Łukasz.csv"},
      {"C:\\bench\\log.csv", "C:\\bench\\log.csv"},
      {"\x1b[2J\x1b]0;x\a=1+1", "\\x1B[2J\\x1B]0;x\\x07=1+1"},
      {"a\nb\rc\td", "a\\x0Ab\\x0Dc\\x09d"},
      {"\x7f", "\\x7F"},
      {"\xc2\x9b"
       "31m",
       "\\xC2\\x9B31m"},  // C1 control, as UTF-8
      {"abc\xe2\x80\xae"
       "fdp.exe",
       "abc\\xE2\\x80\\xAEfdp.exe"},  // right-to-left override
      {"refus\xc3", "refus\\xC3"},    // cut inside a character
      {"\xc0\xaf", "\\xC0\\xAF"},     // overlong
  };
  for (const auto& c : cases) EXPECT_EQ(flash::Shown(c.raw), c.shown) << c.raw;
  EXPECT_EQ(flash::LogFile::CsvField("=HYPERLINK(\"x\") (COM33)"),
            "\"'=HYPERLINK(\"\"x\"\") (COM33)\"");
  EXPECT_EQ(flash::LogFile::CsvField("+1"), "'+1");
  EXPECT_EQ(flash::LogFile::CsvField("COM33 (ttyUSB0)"), "COM33 (ttyUSB0)");
}

}  // namespace
