// orb42-flash on a bench as a technician meets it: sockets named by their udev links (one empty,
// one whose bridge will not start), a service manager that ends the run, and the JSON a script
// reads from both commands.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <regex>
#include <utility>
#include <vector>

#include "support/FlashFixture.h"

namespace {

using namespace testsupport;

// A bench labelled by socket: the empty socket's link is gone (udev removes it with the cable),
// the next socket's node is there but will not open (an input/output error, as from a bridge
// that refuses to start), and the third works. Each port is told on its own line; the working one
// is updated; the run ends with the port status.
TEST_F(FlashTest, SocketsAreToldOneByOneAndAnEmptyOneStopsNothing) {
  Start(Ports(1));
  const std::string sockets = dir + "/serial/by-path";
  fs::create_directories(sockets);
  const std::string empty = sockets + "/pci-0000:00:14.0-usb-0:3:1.0-port0";
  const std::string working = sockets + "/pci-0000:00:14.0-usb-0:4:1.0-port0";
  fs::create_symlink(bank->DevDir() + "/ttyUSB0", working);
  // A pseudo-terminal that is still locked answers every open with EIO.
  const int locked = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(locked, 0);
  ASSERT_EQ(grantpt(locked), 0);
  fs::create_symlink(ptsname(locked), bank->DevDir() + "/ttyUSB1");

  const auto r = RunFlash({"update", empty, "COM34", working, "--json"});
  close(locked);
  EXPECT_EQ(r.status, 6) << r.out << r.err;
  EXPECT_TRUE(HoldsImageAndVersion15(0));
  const auto results = Events(JsonLines(r.out), "result");
  ASSERT_EQ(results.size(), 3u) << r.out;
  for (const Json& j : results) {
    if (j.value("port_given", "") == empty) {
      EXPECT_EQ(j["port"], empty);
      EXPECT_EQ(j["outcome"], "port-failed");
      EXPECT_EQ(j["message"], "nothing plugged in");
    } else if (j["port"] == "COM34") {
      EXPECT_EQ(j["outcome"], "port-failed");
      EXPECT_EQ(j["message"], "cannot use the port (Input/output error)");
    } else {
      EXPECT_EQ(j["port"], "COM33");
      EXPECT_EQ(j["port_given"], working);  // as the user named it, beside its COM name
      EXPECT_EQ(j["outcome"], "updated");
    }
  }
}

// SIGTERM (a service manager stopping the bench, kill) is its own end: each port finishes as for
// Ctrl-C, the run says what ended it, and the status is 143, not Ctrl-C's 130.
TEST_F(FlashTest, RequestToEndIsToldApartFromCtrlC) {
  sim::Options paced = Fast();
  paced.pacing = true;
  Start(Ports(1, paced));
  FlashProcess json({"update", "COM33", "--speed", "9600", "--json"});
  ASSERT_TRUE(json.WaitFor("\"percent\":10")) << json.Out();
  json.Signal(SIGTERM);
  EXPECT_EQ(json.Finish(), 143) << json.Out();
  const auto lines = JsonLines(json.Out());
  EXPECT_EQ(Events(lines, "stopping").at(0)["by"], "terminate");
  EXPECT_EQ(lines.back()["stopped_by"], "terminate");
  EXPECT_EQ(lines.back()["exit_code"], 143);
  EXPECT_EQ(Events(lines, "result").at(0)["exit_code"], 143);
  EXPECT_TRUE(Version14(0));

  FlashProcess plain({"update", "COM33", "--speed", "9600"});
  ASSERT_TRUE(plain.WaitFor("25%")) << plain.Out();
  plain.Signal(SIGTERM);
  EXPECT_EQ(plain.Finish(), 143) << plain.Out();
  EXPECT_TRUE(Has(plain.Out(), "Interrupted by SIGTERM.")) << plain.Out();
  EXPECT_TRUE(Has(plain.Out(), "stopped by SIGTERM while programming")) << plain.Out();
}

// One script reads info and update alike: the same summary keys, the command that ran.
TEST_F(FlashTest, InfoAndUpdateSummariesShareTheirKeys) {
  Start(Ports(1));
  for (const char* command : {"info", "update"}) {
    const auto r = RunFlash({command, "COM33", "--json"});
    const Json summary = JsonLines(r.out).back();
    EXPECT_EQ(summary["event"], "summary");
    EXPECT_EQ(summary["command"], command);
    EXPECT_EQ(summary["updated"], 1) << command;
    EXPECT_EQ(summary["not_updated"], 0) << command;
    EXPECT_TRUE(summary["stopped_by"].is_null());
  }
}

}  // namespace

namespace {

struct LocaleCase {
  std::vector<std::pair<const char*, const char*>> env;
  bool french;     // the words
  char separator;  // of a new log, and the seconds' decimal mark with it
};

// As the README promises: the language from LC_ALL, then LC_MESSAGES, then LANG; the log's
// separator (';' with a decimal comma where the locale writes decimals with a comma) from
// LC_ALL, then LC_NUMERIC, then LANG. Each with French, English, C, nothing set, and the
// variables at odds with each other.
TEST_F(FlashTest, LocaleChoosesTheWordsAndTheLogsNumbersInTheirOrder) {
  const LocaleCase cases[] = {
      {{{"LANG", "fr_FR.UTF-8"}}, true, ';'},
      {{{"LANG", "C.UTF-8"}}, false, ','},
      {{{"LANG", "C"}}, false, ','},
      {{}, false, ','},
      {{{"LANG", "fr_FR.UTF-8"}, {"LC_ALL", "C.UTF-8"}}, false, ','},
      {{{"LANG", "C.UTF-8"}, {"LC_ALL", "fr_FR.UTF-8"}}, true, ';'},
      {{{"LANG", "C.UTF-8"}, {"LC_MESSAGES", "fr_FR.UTF-8"}}, true, ','},
      {{{"LANG", "fr_FR.UTF-8"}, {"LC_MESSAGES", "C.UTF-8"}}, false, ';'},
      {{{"LANG", "C.UTF-8"}, {"LC_NUMERIC", "fr_FR.UTF-8"}}, false, ';'},
      {{{"LANG", "fr_FR.UTF-8"}, {"LC_NUMERIC", "C.UTF-8"}}, true, ','},
      {{{"LC_MESSAGES", "C.UTF-8"}, {"LC_NUMERIC", "C.UTF-8"}, {"LC_ALL", "fr_FR.UTF-8"}},
       true,
       ';'},
      {{{"LC_MESSAGES", "fr_FR.UTF-8"}, {"LC_NUMERIC", "fr_FR.UTF-8"}, {"LC_ALL", "C.UTF-8"}},
       false,
       ','},
  };
  Start(Ports(1));
  int n = 0;
  for (const LocaleCase& c : cases) {
    std::string env;
    for (const auto& [name, value] : c.env) env += std::string(name) + "=" + value + " ";
    SCOPED_TRACE(env);
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LC_NUMERIC", "LANG"}) unsetenv(name);
    for (const auto& [name, value] : c.env) setenv(name, value, 1);
    const std::string log = dir + "/log" + std::to_string(++n) + ".csv";
    const auto r = RunFlash({"info", "COM33", "--log", log});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(Has(r.out, "1 appareil : 1 serait mis à jour"), c.french) << r.out;
    const std::string text = ReadText(log);
    const auto header = text.substr(3, text.find('\n') - 3);  // after the byte-order mark
    EXPECT_EQ(header, LogHeader(c.separator));
    const std::string decimal = c.separator == ';' ? ";[0-9]+,[0-9];" : ",[0-9]+\\.[0-9],";
    EXPECT_TRUE(std::regex_search(text.substr(text.find('\n')), std::regex(decimal))) << text;
  }
}

}  // namespace
