// orb42-flash, the real program, against simulated bridges (several ports at once, each with a
// device of its own): the commands, the exit status of each outcome, several ports with one
// refused or failing device, Ctrl-C half-way, --loop, the firmware check, the error messages,
// and the three kinds of output.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Sha256.h"
#include "sim/LoaderBank.h"
#include "support/FlashFixture.h"
#include "support/TerminalScreen.h"

namespace {

using namespace testsupport;
namespace fs = std::filesystem;

TEST_F(FlashTest, ListShowsThePortsAsTheWizardDoesWithTheBridgesMarked) {
  Start(Ports(2));
  fs::create_directories(bank->SysfsDir() + "/ttyS0/device");  // a port that is no bridge
  const auto plain = RunFlash({"list"});
  EXPECT_EQ(plain.status, 0);
  EXPECT_EQ(plain.out, "COM1 (ttyS0)\nCOM33 (ttyUSB0) : TALVIRE\nCOM34 (ttyUSB1) : TALVIRE\n");
  const auto json = JsonLines(RunFlash({"list", "--json"}).out);
  ASSERT_EQ(json.size(), 3u);
  EXPECT_EQ(json[0]["bridge"], false);
  EXPECT_EQ(json[1]["port"], "COM33");
  EXPECT_EQ(json[1]["device"], bank->DevDir() + "/ttyUSB0");
  EXPECT_EQ(json[1]["bridge"], true);
}

TEST_F(FlashTest, InfoTellsEachDeviceAndWritesNothing) {
  std::vector<sim::Options> ports = Ports(2);
  ports[1].device.versionMinor = 5;
  Start(ports);
  const auto r = RunFlash({"info", "--all"});
  EXPECT_EQ(r.status, 3) << r.out << r.err;
  for (const char* line : {"COM33 (ttyUSB0): identity \"P03\", device type 1, serial number "
                           "312000001, version 1.4",
                           "COM33 (ttyUSB0): 312000001: version 1.4: would be updated to 1.5",
                           "COM34 (ttyUSB1): 312001001: already 1.5: not updated",
                           "2 devices: 1 would be updated, 1 would not."}) {
    EXPECT_TRUE(Has(r.out, line)) << line << "\n" << r.out;
  }
  EXPECT_TRUE(NothingWritten(0));
  EXPECT_TRUE(NothingWritten(1));
}

struct OutcomeCase {
  const char* behaviour;
  void (*setUp)(sim::Options&);
  std::vector<std::string> args;
  int status;
  std::vector<std::string> said;  // on the output, in the device's line or the summary
};

// One device a case, each outcome with its own exit status and its words.
TEST_F(FlashTest, EachOutcomeHasItsExitStatusAndItsWords) {
  const OutcomeCase cases[] = {
      {"updated", [](sim::Options&) {}, {"update", "COM33"}, 0, {"updated 1.4 -> 1.5 in "}},
      {"a loader without the faster line",
       [](sim::Options& o) {
         o.faults = {{sim::FaultKind::Refuse, sim::FaultTarget::SetSpeed, 1}};
       },
       {"update", "COM33"},
       0,
       {"the loader refused 115200 bit/s: programming at 9600 bit/s", "at 9600 bit/s"}},
      {"already 1.5",
       [](sim::Options& o) { o.device.versionMinor = 5; },
       {"update", "COM33"},
       3,
       {"already 1.5: not updated"}},
      {"newer",
       [](sim::Options& o) { o.device.versionMajor = 2; },
       {"update", "COM33"},
       3,
       {"newer (2.4): not updated"}},
      {"another loader",
       [](sim::Options& o) { o.device.identity = "Q\x1b["; },
       {"update", "COM33"},
       4,
       {"the loader is \"Q\\x1B[\", not \"P03\""}},
      {"device type 2",
       [](sim::Options& o) { o.device.deviceType = 2; },
       {"update", "COM33"},
       4,
       {"refused: device type 2, not 1"}},
      {"serial number below the range",
       [](sim::Options& o) { o.device.serialNumber = 299999999; },
       {"update", "COM33"},
       4,
       {"serial number 299999999 is outside 300000000 to 399999999"}},
      {"switched on too late",
       [](sim::Options& o) { o.switchOnDelayMs = 60000; },
       {"update", "COM33", "--wait", "0"},
       5,
       {"calling the device once", "no answer from the device within 0 s", "switch the device on"}},
      {"cable pulled while programming",
       [](sim::Options& o) {
         o.faults = {{sim::FaultKind::HangUp, sim::FaultTarget::ProgramWord, 50}};
       },
       {"update", "COM33"},
       7,
       {"transmission failure while programming", "not updated, can be updated again",
        "Stopped half-way, not updated, can be updated again: COM33 (ttyUSB0) 312000001"}},
  };
  for (const OutcomeCase& c : cases) {
    SCOPED_TRACE(c.behaviour);
    sim::Options options = Fast();
    c.setUp(options);
    Start(Ports(1, options));
    const auto r = RunFlash(c.args);
    EXPECT_EQ(r.status, c.status) << r.out << r.err;
    for (const std::string& words : c.said)
      EXPECT_TRUE(Has(r.out, words)) << words << "\n" << r.out;
    EXPECT_TRUE(c.status == 0 || c.status == 7 || NothingWritten(0));
    EXPECT_EQ(c.status == 0, HoldsImageAndVersion15(0));
    TearDown();
  }
}

// Wrong usage ends before any port is opened.
TEST_F(FlashTest, BadUsageEndsWithStatus2AndSaysWhy) {
  Start(Ports(1));
  const struct {
    std::vector<std::string> args;
    std::string said;
  } cases[] = {
      {{}, "give a command: list, info, update or check"},
      {{"flash", "COM33"}, "unknown command 'flash'; commands: list, info, update or check"},
      // An unknown command is named wherever the options before it stand.
      {{"--lang", "en", "bogus"}, "unknown command 'bogus'"},
      {{"--json", "bogus", "COM33"}, "unknown command 'bogus'"},
      {{"info", "--loop", "COM33"}, "--loop is not an option of info"},
      {{"update", "COM33", "--speed", "9600", "--speed", "115200"},
       "--speed: given twice ('9600' and '115200'); give it once"},
      {{"update", "COM33", "--json=yes"}, "--json: this option takes no value"},
      {{"list", "COM33"}, "list takes no argument: 'COM33'"},
      {{"check"}, "check: give the Intel HEX file to check (FILE.hex)"},
      {{"check", "a.hex", "b.hex"}, "'b.hex' is one too many"},
      {{"update"}, "name the ports (PORT...) or give --all"},
      {{"update", "COM33", "--speed", "230400"}, "230400"},
      {{"update", "COM33", "--bogus"}, "--bogus"},
      {{"update", "COM33", "--all"}, "excludes"},
      {{"update", "COM33", "--loop", "--wait", "5"}, "excludes"},
      {{"update", "COM0"}, "'COM0' is not a serial port here"},
      {{"update", "COM97"}, "'COM97' is not a serial port here"},
      {{"update", "/dev/null"}, "its path in " + bank->DevDir()},
      {{"update", bank->DevDir() + "/ttyUSB32"}, "is not a serial port here"},
      {{"update", "COM33", bank->DevDir() + "/ttyUSB0"}, "names COM33 (ttyUSB0) a second time"},
      {{"update", "COM33", "--log", dir + "/no/such/dir/log.csv"}, "cannot open the log file"},
      {{"update", "COM33", "--log", "/dev/full"},
       "cannot write to the log file /dev/full: No space left on device"},
      // A value that is not one the option takes names the option and what it takes.
      {{"update", "COM33", "--speed", ""},
       "--speed: an empty value is not a speed of the loader; give one of 4800, 9600, 14400, "
       "19200, 38400, 56000, 57600, 115200, 128000 or 256000 (bit/s)"},
      {{"update", "COM33", "--speed=", "--wait", "0"}, "--speed: an empty value is not a speed"},
      {{"update", "COM33", "--speed", "1e5"}, "--speed: '1e5' is not a speed of the loader; give"},
      {{"update", "COM33", "--speed", "0x2580"}, "--speed: '0x2580' is not a speed"},
      {{"update", "COM33", "--speed"}, "--speed: its value (BPS) is missing; give one of 4800"},
      {{"update", "COM33", "--log", "--json"}, "--log: its value (FILE) is missing"},
      {{"info", "COM33", "--wait", "1e3"},
       "--wait: '1e3' is not a number of seconds; give whole seconds from 0 to 3600"},
      {{"update", "COM33", "--wait", "-1"}, "--wait: '-1' is not a number of seconds"},
      {{"update", "COM33", "--wait", "5.5"}, "--wait: '5.5' is not a number of seconds"},
      {{"update", "COM33", "--wait", "3601"}, "--wait: '3601' is not a number of seconds"},
      {{"update", "COM33", "--firmware", ""},
       "--firmware: an empty value is not a file name; give the path of an Intel HEX file"},
      {{"update", "COM33", "--log", ""}, "--log: an empty value is not a file name; give the path"},
  };
  for (const auto& c : cases) {
    const auto r = RunFlash(c.args);
    EXPECT_EQ(r.status, 2) << c.said << "\n" << r.out;
    EXPECT_TRUE(Has(r.err, c.said)) << c.said << "\n" << r.err;
  }
  EXPECT_TRUE(bank->Port(0).HostBytes().empty());
  const auto help = RunFlash({"update", "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(Has(help.out, "--speed BPS")) << help.out;
  EXPECT_TRUE(Has(help.out, "  7    transmission failure")) << help.out;
  const auto listHelp = RunFlash({"list", "--help"});
  EXPECT_EQ(listHelp.status, 0);
  EXPECT_FALSE(Has(listHelp.out, "transmission failure")) << listHelp.out;  // no device called
  EXPECT_TRUE(Has(RunFlash({"--version"}).out, "installs firmware 1.5"));
}

TEST_F(FlashTest, RefusedDeviceAmongGoodOnesIsLeftAloneAndNamed) {
  std::vector<sim::Options> ports = Ports(3);
  ports[1].device.serialNumber = 299999999;
  Start(ports);
  const auto r = RunFlash({"update", "--all"});
  EXPECT_EQ(r.status, 4) << r.out << r.err;
  EXPECT_TRUE(HoldsImageAndVersion15(0));
  EXPECT_TRUE(NothingWritten(1));
  EXPECT_TRUE(HoldsImageAndVersion15(2));
  EXPECT_TRUE(Has(r.out,
                  "3 devices: 2 updated, 1 not updated.\n  COM34 (ttyUSB1) 299999999: "
                  "refused: serial number 299999999"))
      << r.out;
}

// The cable of one port is pulled half-way; the other ports finish, and the device of the
// failed port is updated by the next run once it was switched off and on: its loader kept the
// faster line the cable was pulled at, and a call at 9600 bit/s means nothing to it before.
TEST_F(FlashTest, FaultOnOnePortWhileTheOthersFinish) {
  std::vector<sim::Options> ports = Ports(3);
  ports[2].faults = {{sim::FaultKind::HangUp, sim::FaultTarget::ProgramWord, 300}};
  Start(ports);
  const auto r = RunFlash({"update", "COM33", "COM34", "COM35", "--json"});
  EXPECT_EQ(r.status, 7) << r.out << r.err;
  EXPECT_TRUE(HoldsImageAndVersion15(0));
  EXPECT_TRUE(HoldsImageAndVersion15(1));
  EXPECT_TRUE(Version14(2));
  EXPECT_GE(WordsWritten(2), 290);
  const auto lines = JsonLines(r.out);
  const auto results = Events(lines, "result");
  ASSERT_EQ(results.size(), 3u);
  const auto failed = std::find_if(results.begin(), results.end(),
                                   [](const Json& j) { return j["port"] == "COM35"; });
  ASSERT_NE(failed, results.end());
  EXPECT_EQ((*failed)["outcome"], "transmission-failure");
  EXPECT_EQ((*failed)["half_way"], true);
  EXPECT_EQ((*failed)["exit_code"], 7);
  const Json summary = lines.back();
  EXPECT_EQ(summary["event"], "summary");
  EXPECT_EQ(summary["updated"], 2);
  ASSERT_EQ(summary["half_way"].size(), 1u);
  EXPECT_EQ(summary["half_way"][0]["serial_number"], 312002001);

  EXPECT_EQ(RunFlash({"info", "COM35", "--wait", "0"}).status, 5) << "no answer at 9600 bit/s";
  bank->Port(2).PowerCycle();
  const auto again = RunFlash({"update", "COM35"});
  EXPECT_EQ(again.status, 0) << again.out;
  EXPECT_TRUE(HoldsImageAndVersion15(2));
}

// Ctrl-C in the middle of programming: each port finishes its word, leaves programming,
// releases the device; the devices keep 1.4 and are updated by the next run.
TEST_F(FlashTest, CtrlCHalfWayLeavesEveryDeviceUpdatable) {
  sim::Options paced = Fast();
  paced.pacing = true;
  Start(Ports(2, paced));
  FlashProcess flash({"update", "--all", "--speed", "9600", "--json"});
  ASSERT_TRUE(flash.WaitFor("\"percent\":10}")) << flash.Out() << flash.Err();
  flash.Signal(SIGINT);
  EXPECT_EQ(flash.Finish(), 130) << flash.Out();
  const auto lines = JsonLines(flash.Out());
  EXPECT_EQ(Events(lines, "stopping").size(), 1u);
  const Json summary = lines.back();
  EXPECT_EQ(summary["interrupted"], true);
  EXPECT_EQ(summary["half_way"].size(), 2u);
  for (std::size_t port : {0u, 1u}) {
    EXPECT_TRUE(Version14(port));
    EXPECT_GT(WordsWritten(port), 0);
    EXPECT_EQ(bank->Port(port).LineSpeed(), 9600u);
    const auto host = bank->Port(port).HostBytes();
    EXPECT_NE(std::find(host.begin(), host.end(), 0x91), host.end());  // programming left
    EXPECT_EQ(host.back(), 0x04);                                      // released
  }
  const auto again = RunFlash({"update", "--all"});
  EXPECT_EQ(again.status, 0) << again.out;
  EXPECT_TRUE(HoldsImageAndVersion15(0));
  EXPECT_TRUE(HoldsImageAndVersion15(1));
}

// --loop: device after device on the same port (each must go silent before the next is taken),
// until Ctrl-C, which between two devices is the normal end.
TEST_F(FlashTest, LoopUpdatesDeviceAfterDeviceUntilCtrlC) {
  sim::Options options = Fast();
  options.switchOnDelayMs = 1200;  // each new remote is switched on a moment after the call
  Start(Ports(1, options));
  const std::string log = dir + "/bench.csv";
  FlashProcess flash({"update", "COM33", "--loop", "--json", "--log", log});
  ASSERT_TRUE(
      flash.WaitFor("\"serial_number\":312000002,\"version\":\"1.5\",\"version_before\":\"1.4\""))
      << flash.Out();
  ASSERT_TRUE(flash.WaitFor("\"next_device\":3")) << flash.Out();
  flash.Signal(SIGINT);
  EXPECT_EQ(flash.Finish(), 0) << flash.Out();
  // Every event of a device carries its number, and no device is begun after the stop without
  // its result: the third one, called after Ctrl-C, has no event at all.
  bool stopped = false;
  for (const Json& j : JsonLines(flash.Out())) {
    const std::string event = j["event"];
    if (event == "stopping") stopped = true;
    if (event != "start" && event != "stopping" && event != "summary") {
      EXPECT_TRUE(j.contains("device_no")) << j.dump();
    }
    if (stopped && event == "stage") {
      EXPECT_NE(j["device_no"], 3) << j.dump();
    }
  }
  const auto results = Events(JsonLines(flash.Out()), "result");
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(results[0]["outcome"], "updated");
  EXPECT_EQ(results[1]["device_no"], 2);
  EXPECT_EQ(results[1]["serial_number"], 312000002);
  // The second device is replaced by the next one only when a call byte reaches it; Ctrl-C may
  // come before the wait for silence has sent one, and then it is still the current device.
  auto devices = bank->Port(0).FinishedDevices();
  if (devices.size() < 2) devices.push_back(bank->Port(0).CurrentDevice());
  ASSERT_GE(devices.size(), 2u);
  for (const auto& device : {devices[0], devices[1]}) {
    EXPECT_EQ(testsupport::WordsDiffering(testsupport::EmbeddedImageWords(), device.program), 0);
    EXPECT_EQ(device.eeprom[127], 5);
  }
  const std::string csv = testsupport::ReadText(log);
  EXPECT_TRUE(Has(csv, kCsvHeader + "\n")) << csv;
  EXPECT_TRUE(Has(csv, ",COM33 (ttyUSB0),312000001,1.4,1.5,updated,,115200,")) << csv;
  EXPECT_TRUE(Has(csv, ",COM33 (ttyUSB0),312000002,1.4,1.5,updated,,115200,")) << csv;
}

// A disk that fills up half-way through a bench: the file may not grow more than 40 bytes past
// its header (a limit on the file size; the signal that would end the program at the limit is
// ignored, as a full disk sends none), so a line goes in only in part. Each lost line is said at
// once on stderr while the other port still works, the devices all finish, the run ends with
// status 8, and nothing of a lost line is left behind: the next run's line is whole.
TEST_F(FlashTest, LogLineThatCannotBeWrittenIsAnErrorAndTheDevicesGoOn) {
  std::vector<sim::Options> ports = Ports(2);
  ports[1].switchOnDelayMs = 4000;
  Start(ports);
  static std::string header;
  header = kCsvHeader + "\n";
  const std::string log = File("bench.csv", header);
  FlashProcess flash({"update", "--all", "--log", log, "--json"}, FlashProcess::Output::Pipes, [] {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{header.size() + 40, header.size() + 40};
    setrlimit(RLIMIT_FSIZE, &limit);
  });
  ASSERT_TRUE(flash.WaitForError("orb42-flash: cannot write to the log file " + log +
                                 " (File too large): the line of COM33 (ttyUSB0) 312000001 is "
                                 "lost: "))
      << flash.Err();
  EXPECT_FALSE(Has(flash.Out(), "\"port\":\"COM34\",\"device_no\":1,\"outcome\""))
      << "the message waited for the other device";
  EXPECT_EQ(flash.Finish(), 8) << flash.Out() << flash.Err();
  EXPECT_TRUE(Has(flash.Err(), "the line of COM34 (ttyUSB1) 312001001 is lost")) << flash.Err();
  EXPECT_TRUE(HoldsImageAndVersion15(0));
  EXPECT_TRUE(HoldsImageAndVersion15(1));
  const Json summary = JsonLines(flash.Out()).back();
  EXPECT_EQ(summary["log_lines_lost"], 2);
  EXPECT_EQ(summary["exit_code"], 8);
  EXPECT_EQ(testsupport::ReadText(log), header);
  EXPECT_EQ(RunFlash({"info", "COM33", "--log", log}).status, 0);
  const std::string after = testsupport::ReadText(log);
  ASSERT_EQ(after.rfind(header, 0), 0u) << after;
  const std::string added = after.substr(header.size());
  EXPECT_TRUE(Has(added, ",COM33 (ttyUSB0),312000002,1.4,1.4,would-update,")) << after;
  EXPECT_EQ(std::count(added.begin(), added.end(), '\n'), 1) << after;  // one whole line

  const auto plain = RunFlash({"update", "COM33", "--log", "/dev/null"});
  EXPECT_EQ(plain.status, 0) << plain.out;  // the next remote; /dev/null takes every line
  EXPECT_FALSE(Has(plain.out, "could not be written")) << plain.out;
}

std::vector<std::string> CsvLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> Fields(const std::string& line, char separator) {
  std::vector<std::string> fields;
  std::string field;
  bool quoted = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
    } else if (c == separator && !quoted) {
      fields.push_back(field);
      field.clear();
    } else {
      field += c;
    }
  }
  fields.push_back(field);
  return fields;
}

// What a workshop keeps of a bench: JSON events that each carry their time, a result that tells
// the version before and after; a CSV line per device with the columns a spreadsheet needs, the
// firmware's name and SHA-256 among them; the separator of a spreadsheet that writes decimal
// commas; and a run that cannot start said as one JSON error event.
TEST_F(FlashTest, RecordsAWorkshopCanKeep) {
  std::vector<sim::Options> ports = Ports(2);
  ports[1].device.serialNumber = 299999999;
  Start(ports);
  const std::string log = dir + "/bench.csv";
  const auto r = RunFlash({"update", "--all", "--json", "--log", log, "--log-separator", ","});
  EXPECT_EQ(r.status, 4) << r.out << r.err;
  const std::regex iso("^\\d{4}-\\d{2}-\\d{2}T\\d{2}:\\d{2}:\\d{2}\\.\\d{3}Z$");
  for (const Json& j : JsonLines(r.out)) {
    ASSERT_TRUE(j.contains("time")) << j.dump();
    EXPECT_TRUE(std::regex_match(j["time"].get<std::string>(), iso)) << j.dump();
  }
  for (const Json& j : Events(JsonLines(r.out), "result")) {
    if (j["port"] != "COM33") continue;
    EXPECT_EQ(j["version"], "1.5");
    EXPECT_EQ(j["version_before"], "1.4");
    EXPECT_EQ(j["repairs"], 0);
  }

  std::ifstream hex(std::string(ORB42_SOURCE_DIR) + "/firmware/orb42tlx-v1.5.hex",
                    std::ios::binary);
  const std::string sha = platform::Sha256Hex(
      std::string(std::istreambuf_iterator<char>(hex), std::istreambuf_iterator<char>()));
  const auto lines = CsvLines(testsupport::ReadText(log));
  ASSERT_EQ(lines.size(), 3u) << testsupport::ReadText(log);
  // A new file starts with the byte-order mark that makes a spreadsheet read UTF-8.
  EXPECT_EQ(lines[0], kByteOrderMark + kCsvHeader);
  for (const std::string& line : {lines[1], lines[2]}) {
    const auto f = Fields(line, ',');
    ASSERT_EQ(f.size(), 13u) << line;
    EXPECT_TRUE(std::regex_match(f[0], iso)) << line;
    EXPECT_TRUE(std::regex_match(f[8], std::regex("^[0-9]+\\.[0-9]$"))) << line;
    EXPECT_EQ(f[9], "0") << line;
    EXPECT_EQ(f[10], "built-in");
    EXPECT_EQ(f[11], sha);
    EXPECT_EQ(f[12], "1.5.2.5");
    if (f[1] == "COM33 (ttyUSB0)") {
      EXPECT_EQ(std::vector<std::string>(f.begin() + 2, f.begin() + 8),
                (std::vector<std::string>{"312000001", "1.4", "1.5", "updated", "", "115200"}));
    } else {
      EXPECT_EQ(std::vector<std::string>(f.begin() + 1, f.begin() + 8),
                (std::vector<std::string>{"COM34 (ttyUSB1)", "299999999", "", "",  // not read
                                          "refused-serial-number",
                                          "serial number 299999999 is outside 300000000 to "
                                          "399999999",
                                          ""}));
    }
  }

  // A French spreadsheet: semicolons and a decimal comma; a file keeps its own separator, and a
  // file with other columns is refused before anything is sent.
  const std::string french = dir + "/atelier.csv";
  EXPECT_EQ(RunFlash({"update", "COM33", "--log", french, "--log-separator", ";"}).status, 0);
  EXPECT_EQ(RunFlash({"update", "COM33", "--log", french}).status, 0);
  const auto semi = CsvLines(testsupport::ReadText(french));
  ASSERT_EQ(semi.size(), 3u);
  EXPECT_EQ(semi[0], kByteOrderMark + LogHeader(';'));  // the same header, with its mark
  for (const std::string& line : {semi[1], semi[2]}) {
    const auto f = Fields(line, ';');
    ASSERT_EQ(f.size(), 13u) << line;
    EXPECT_TRUE(std::regex_match(f[8], std::regex("^[0-9]+,[0-9]$"))) << line;
  }
  const std::string older =
      File("older.csv", "time,port,serial_number,version_before,outcome,seconds\n");
  const auto refused = RunFlash({"update", "COM33", "--log", older, "--json"});
  EXPECT_EQ(refused.status, 2);
  EXPECT_TRUE(Has(refused.err, "has other columns")) << refused.err;

  // Runs that cannot start, with --json: one error event each, and the status.
  const std::string empty = File("empty.hex", ":00000001FF\n");
  const struct {
    std::vector<std::string> args;
    int status;
    std::string message;
  } errors[] = {
      {{"update", "COM33", "--json", "--speed", "1e5"}, 2, "--speed: '1e5' is not a speed"},
      {{"update", "COM97", "--json"}, 2, "'COM97' is not a serial port here"},
      {{"update", "COM33", "--json", "--firmware", empty}, 2, empty + ": error: no program data"},
      {{"update", "COM33", "--log", older, "--json"}, 2, "has other columns"},
  };
  for (const auto& e : errors) {
    const auto run = RunFlash(e.args);
    EXPECT_EQ(run.status, e.status) << e.message;
    const auto events = JsonLines(run.out);
    ASSERT_EQ(events.size(), 1u) << run.out;
    EXPECT_EQ(events[0]["event"], "error");
    EXPECT_EQ(events[0]["exit_code"], e.status);
    EXPECT_TRUE(Has(events[0]["message"].get<std::string>(), e.message)) << run.out;
  }
  EXPECT_TRUE(NothingWritten(1));
  TearDown();
  Start(Ports(0));
  const auto none = RunFlash({"update", "--all", "--json"});
  EXPECT_EQ(none.status, 6);
  ASSERT_EQ(JsonLines(none.out).size(), 1u) << none.out;
  EXPECT_EQ(JsonLines(none.out)[0]["event"], "error");
}

TEST_F(FlashTest, FirmwareFileIsCheckedAsTheBuildChecksIt) {
  Start(Ports(1));
  const struct {
    const char* name;
    const char* text;
    const char* said;  // after "FILE"
  } refusals[] = {
      {"checksum.hex",
       ":100060008A110A12BA298A110A12C1298A110A129E\n"
       ":043000000034003465\n"  // checksum off by one
       ":00000001FF\n",
       ":2: error: bad checksum\n"},
      {"loader.hex", ":02378000FF3F09\n:00000001FF\n",  // word 7104, the loader's own
       ":1: error: program data reaches word 7104"},
      {"unended.hex", ":040060000102030492\n", ":1: error: no end record"},
      {"empty.hex", ":00000001FF\n", ": error: no program data"},
      {"missing.hex", nullptr, "missing.hex: error: cannot read the firmware file"},
  };
  for (const auto& r : refusals) {
    const std::string path = r.text ? File(r.name, r.text) : dir + "/" + r.name;
    const auto refused = RunFlash({"update", "COM33", "--firmware", path});
    EXPECT_EQ(refused.status, 2) << r.name;
    EXPECT_TRUE(Has(refused.err, (r.text ? path : "") + r.said)) << refused.err;
    EXPECT_TRUE(Has(refused.err, "nothing was sent to any device")) << refused.err;
  }
  EXPECT_TRUE(bank->Port(0).HostBytes().empty());

  const std::string text = ":040060000102030492\n:00000001FF\n";
  const auto updated = RunFlash({"update", "COM33", "--firmware", File("good.hex", text)});
  EXPECT_EQ(updated.status, 0) << updated.out << updated.err;
  EXPECT_EQ(WordsWritten(0), 2);
  EXPECT_EQ(testsupport::WordsDiffering(testsupport::HexProgramWords(text),
                                        bank->Port(0).ProgramMemory()),
            0);
  EXPECT_EQ(bank->Port(0).Eeprom()[127], 5);
}

// A type-4 record only sets the upper address: whatever its address field says, nothing of it is
// written. Its field here names word 48, which no data record of the file writes, so the
// record's two bytes written as data would show there.
TEST_F(FlashTest, TypeFourRecordWritesNothingWhateverItsAddressField) {
  Start(Ports(1));
  const std::string text =
      ":0200600400009A\n"      // type 4, address field 0x0060 (word 48), upper address 0000
      ":040062000102030490\n"  // words 49 and 50
      ":00000001FF\n";
  const auto r = RunFlash({"update", "COM33", "--json", "--firmware", File("upper.hex", text)});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  const auto results = Events(JsonLines(r.out), "result");
  ASSERT_EQ(results.size(), 1u) << r.out;
  EXPECT_EQ(results[0]["words_written"], 2);
  EXPECT_EQ(results[0]["version"], "1.5");
  const sim::FinishedDevice device = bank->Port(0).CurrentDevice();
  EXPECT_FALSE(device.programWritten[48]);
  EXPECT_EQ(WordsWritten(0), 2);
  EXPECT_EQ(testsupport::WordsDiffering(testsupport::HexProgramWords(text), device.program), 0);
  EXPECT_EQ(device.eeprom[126], 1);
  EXPECT_EQ(device.eeprom[127], 5);
}

// A port held by another program (a second descriptor holding the lock), and one that is not
// there: each named with its remedy and the system's own message.
TEST_F(FlashTest, BusyAndMissingPortsAreNamedWithTheirRemedy) {
  Start(Ports(2));
  const int holder = open((bank->DevDir() + "/ttyUSB1").c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
  const auto r = RunFlash({"update", "COM33", "COM34", "COM40"});
  close(holder);
  EXPECT_EQ(r.status, 6) << r.out;
  EXPECT_TRUE(HoldsImageAndVersion15(0));
  for (const char* words :
       {"COM34 (ttyUSB1): port held by another program",
        "ttyUSB1 is held by another program (Resource temporarily unavailable)", "sudo fuser -v",
        "COM40 (ttyUSB7): no such port", "no such port: ", "ttyUSB7 (No such file or directory)",
        "plug the cable in, or name another port: orb42-flash list shows the ports"}) {
    EXPECT_TRUE(Has(r.out, words)) << words << "\n" << r.out;
  }
  EXPECT_TRUE(NothingWritten(1));
}

// `cat` on the port, started before orb42-flash, reads the device's answers as a terminal
// program would. Its pid; killed and reaped by the destructor.
class StrayCat {
 public:
  explicit StrayCat(const std::string& node) {
    pid_ = fork();
    if (pid_ == 0) {
      const int fd = open(node.c_str(), O_RDWR | O_NOCTTY);
      const int null = open("/dev/null", O_WRONLY);
      if (fd < 0 || null < 0) _exit(127);
      dup2(fd, STDIN_FILENO);
      dup2(null, STDOUT_FILENO);
      execlp("cat", "cat", static_cast<char*>(nullptr));
      _exit(127);
    }
    usleep(200000);  // let it open the port and block in its read
  }
  ~StrayCat() {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  StrayCat(const StrayCat&) = delete;
  StrayCat& operator=(const StrayCat&) = delete;
  pid_t Pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
};

// Another program reading the port takes bytes that poll() announced: no read may then wait for
// ever. A device that stays silent is told with the other reader named; Ctrl-C in the middle of
// an update that the other reader disturbs ends the run at once.
TEST_F(FlashTest, AnotherProgramReadingThePortIsNamedAndCannotHoldTheRun) {
  sim::Options off = Fast();
  off.switchOnDelayMs = 60000;
  Start(Ports(1, off));
  {
    StrayCat cat(bank->DevDir() + "/ttyUSB0");
    const auto r = RunFlash({"update", "COM33", "--wait", "2"});
    EXPECT_EQ(r.status, 5) << r.out << r.err;
    const std::string named = "cat (pid " + std::to_string(cat.Pid()) + ")";
    for (const std::string& words : {"another program is reading this port: " + named,
                                     "close " + named + ", which takes the device's answers"}) {
      EXPECT_TRUE(Has(r.out, words)) << words << "\n" << r.out;
    }
  }
  const auto alone = RunFlash({"update", "COM33", "--wait", "0"});
  EXPECT_TRUE(Has(alone.out, "another program may be reading this port: sudo fuser -v " +
                                 bank->DevDir() + "/ttyUSB0 names it"))
      << alone.out;
  EXPECT_FALSE(Has(alone.out, "another program is reading")) << alone.out;
  TearDown();

  sim::Options paced = Fast();
  paced.pacing = true;
  Start(Ports(1, paced));
  StrayCat cat(bank->DevDir() + "/ttyUSB0");
  FlashProcess flash({"update", "COM33", "--speed", "9600", "--wait", "30"});
  ASSERT_TRUE(flash.WaitFor("COM33 (ttyUSB0): calling")) << flash.Out();
  usleep(3000000);  // calls, checks or programming, whichever the other reader lets it reach
  flash.Signal(SIGINT);
  const auto stopped = std::chrono::steady_clock::now();
  const int status = flash.Finish(15000);
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - stopped)
                        .count();
  EXPECT_NE(status, -1) << "still running 15 s after Ctrl-C\n" << flash.Out();
  EXPECT_LT(took, 6000) << flash.Out();
  EXPECT_TRUE(Version14(0));
}

// French when the user's locale is French, English otherwise, --lang over both; the words for
// people follow the language, the JSON keys, outcome codes and CSV columns never do.
TEST_F(FlashTest, SpeaksTheUsersLanguage) {
  std::vector<sim::Options> ports = Ports(1);
  ports[0].device.serialNumber = 299999999;
  Start(ports);
  const std::string french[] = {
      "COM33 (ttyUSB0) : appel de l'appareil (jusqu'à 45 s)\n",
      "COM33 (ttyUSB0) : 299999999 : refusé : le numéro de série 299999999 est hors de 300000000 "
      "à 399999999\n",
      "1 appareil : 0 mis à jour, 1 non mis à jour.\n",
      "      remède : ce programme ne met à jour que les télécommandes ORB42TLX de type 1",
      "Code de sortie 4.\n"};
  const std::string english[] = {
      "COM33 (ttyUSB0): calling the device (up to 45 s)\n",
      "COM33 (ttyUSB0): 299999999: refused: serial number 299999999 is outside 300000000 to "
      "399999999\n",
      "1 device: 0 updated, 1 not updated.\n",
      "      remedy: this program updates ORB42TLX remotes of device type 1", "Exit status 4.\n"};
  const struct {
    const char* behaviour;
    std::vector<std::pair<const char*, const char*>> env;
    std::vector<std::string> args;
    bool inFrench;
  } cases[] = {
      {"LANG French", {{"LANG", "fr_FR.UTF-8"}}, {}, true},
      {"LC_MESSAGES before LANG",
       {{"LANG", "en_GB.UTF-8"}, {"LC_MESSAGES", "fr_CA.UTF-8"}},
       {},
       true},
      {"LC_ALL before both", {{"LANG", "fr_FR.UTF-8"}, {"LC_ALL", "de_DE.UTF-8"}}, {}, false},
      {"--lang en over a French locale", {{"LANG", "fr_FR.UTF-8"}}, {"--lang", "en"}, false},
      {"--lang fr over an English one", {{"LANG", "en_US.UTF-8"}}, {"--lang=fr"}, true},
      {"no locale", {}, {}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.behaviour);
    SetUp();
    for (const auto& [name, value] : c.env) setenv(name, value, 1);
    std::vector<std::string> args = {"update", "COM33"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const auto r = RunFlash(args);
    EXPECT_EQ(r.status, 4);
    for (const std::string& line : c.inFrench ? french : english)
      EXPECT_TRUE(Has(r.out, line)) << line << "\n" << r.out;
  }

  SetUp();
  setenv("LANG", "fr_FR.UTF-8", 1);
  const std::string log = dir + "/atelier.csv";
  const auto json = RunFlash({"update", "COM33", "--json", "--log", log, "--log-separator", ","});
  const Json result = Events(JsonLines(json.out), "result").at(0);
  EXPECT_EQ(result["outcome"], "refused-serial-number");
  EXPECT_EQ(result["cause"], "le numéro de série 299999999 est hors de 300000000 à 399999999");
  const auto lines = CsvLines(testsupport::ReadText(log));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], kByteOrderMark + kCsvHeader);
  EXPECT_EQ(Fields(lines[1], ',')[6],
            "le numéro de série 299999999 est hors de 300000000 à 399999999");
  const auto usage = RunFlash({"update", "COM33", "--speed", "1e5"});
  EXPECT_EQ(usage.status, 2);
  EXPECT_TRUE(Has(usage.err,
                  "--speed : « 1e5 » n'est pas une vitesse du chargeur ; donnez 4800, "
                  "9600, 14400, 19200, 38400, 56000, 57600, 115200, 128000 ou 256000 "
                  "(bit/s)"))
      << usage.err;
  EXPECT_TRUE(Has(RunFlash({"update", "--help"}).out, "  7    problème de transmission"));
  EXPECT_TRUE(Has(RunFlash({"flash"}).err,
                  "commande inconnue « flash » ; commandes : list, info, "
                  "update ou check"));
}

// Words that English texts are full of and French ones never hold: one of them in a French run's
// output is a text that was left in English.
const char* const kEnglishMarks[] = {
    " the ",      "The ",     " is ",     " are ",       "give ",    " of ",  " not ",   " and ",
    "with ",      "unknown",  "required", "missing",     "expected", "Usage", "Run ",    "excludes",
    "Subcommand", "Options:", "SECONDS",  "FILE",        " SEP",     "BPS",   "No such", "denied",
    "error:",     "warning:", "cannot",   "Exit status", "default"};

// Under a French locale, every usage error, every help and the errors of a run that cannot start
// are French, down to the system's own messages and the placeholders of the help.
TEST_F(FlashTest, FrenchOutputHoldsNoEnglish) {
  Start(Ports(1));
  setenv("LANG", "fr_FR.UTF-8", 1);
  const std::vector<std::vector<std::string>> runs = {
      {},
      {"--help"},
      {"list", "--help"},
      {"info", "--help"},
      {"update", "--help"},
      {"check", "--help"},
      {"bogus"},
      {"--json", "bogus"},
      {"info", "--loop", "COM33"},
      {"update", "--all", "COM33"},
      {"update", "--loop", "--wait", "5", "COM33"},
      {"update"},
      {"update", "COM33", "--speed"},
      {"update", "COM33", "--speed", "1e5"},
      {"update", "COM33", "--speed", "9600", "--speed", "115200"},
      {"update", "COM33", "--wait", "3601"},
      {"update", "COM33", "--log-separator", "|"},
      {"update", "COM33", "--lang", "de"},
      {"update", "COM33", "--bogus"},
      {"update", "COM33", "--json=1"},
      {"list", "x"},
      {"check"},
      {"check", "a.hex", "b.hex"},
      {"update", "COM0"},
      {"update", "COM33", "COM33"},
      {"update", "COM34"},
      {"update", "COM33", "--log", dir + "/no/such/dir/log.csv"},
      {"update", "COM33", "--log", dir},
  };
  for (const auto& args : runs) {
    std::string line;
    for (const std::string& a : args) line += " " + a;
    SCOPED_TRACE("orb42-flash" + line);
    const auto r = RunFlash(args);
    const std::string said = r.out + r.err;
    EXPECT_FALSE(said.empty());
    for (const char* mark : kEnglishMarks) EXPECT_FALSE(Has(said, mark)) << mark << "\n" << said;
  }
}

// check FILE.hex: the build's own check, then what the image would write and its SHA-256,
// without a device.
TEST_F(FlashTest, CheckTellsWhatAFirmwareFileWouldWrite) {
  Start(Ports(1));
  const std::string good = File("good.hex",
                                ":040060000102030492\n"  // words 48 and 49
                                ":0442000005000600AF\n"  // EEPROM cells 0 and 1
                                ":00000001FF\n");
  const auto r = RunFlash({"check", good});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, good +
                       ": 3 records: 2 program words (words 48 to 49), 2 EEPROM cells, then "
                       "version 1.5\n" +
                       good + ": SHA-256 " + platform::Sha256Hex(testsupport::ReadText(good)) +
                       "\n");
  const auto json = JsonLines(RunFlash({"check", good, "--json"}).out);
  ASSERT_EQ(json.size(), 1u);
  EXPECT_EQ(json[0]["program_words"], 2);
  EXPECT_EQ(json[0]["eeprom_cells"], 2);
  const std::string empty = File("empty.hex", ":00000001FF\n");
  const auto refused = RunFlash({"check", empty});
  EXPECT_EQ(refused.status, 2);
  EXPECT_TRUE(Has(refused.err, empty + ": error: no program data")) << refused.err;
  EXPECT_EQ(RunFlash({"check"}).status, 2);
  EXPECT_TRUE(bank->Port(0).HostBytes().empty());
}

// What can be read back is read back: the EEPROM cells before the version is written, the
// version after it. A cell that keeps another value fails the update before the version, so the
// device is updated by the next run; a version that reads back otherwise is written once more.
// --no-verify reads nothing back.
TEST_F(FlashTest, WhatCanBeReadBackIsVerified) {
  const std::string hex = ":040060000102030492\n:0442000005000600AF\n:00000001FF\n";
  sim::Options weakCell = Fast();
  weakCell.faults = {{sim::FaultKind::Corrupt, sim::FaultTarget::EepromWrite, 1}};
  Start(Ports(1, weakCell));
  const std::string file = File("eeprom.hex", hex);
  const auto failed = RunFlash({"update", "COM33", "--firmware", file});
  EXPECT_EQ(failed.status, 7) << failed.out;
  EXPECT_TRUE(Has(failed.out, "an EEPROM cell read back differs from what was written"))
      << failed.out;
  EXPECT_TRUE(Has(failed.out, "the device keeps version 1.4 and can be updated again"))
      << failed.out;
  EXPECT_TRUE(Version14(0));
  const auto again = RunFlash({"update", "COM33", "--firmware", file});
  EXPECT_EQ(again.status, 0) << again.out;
  EXPECT_EQ(bank->Port(0).Eeprom()[0], 5);
  EXPECT_EQ(bank->Port(0).Eeprom()[127], 5);
  TearDown();

  Start(Ports(1, weakCell));  // the built-in image writes no cell: the fault hits the version
  const auto version = RunFlash({"update", "COM33", "--json"});
  EXPECT_EQ(version.status, 0) << version.out;
  EXPECT_EQ(Events(JsonLines(version.out), "result")[0]["repairs"], 1);
  EXPECT_TRUE(HoldsImageAndVersion15(0));
  TearDown();

  Start(Ports(1, weakCell));
  const auto blind =
      RunFlash({"update", "COM33", "--firmware", File("eeprom.hex", hex), "--no-verify"});
  EXPECT_EQ(blind.status, 0) << blind.out;
  EXPECT_EQ(bank->Port(0).Eeprom()[0], 0xFA);  // nothing read it back
}

// --verbose: every loader command with its bytes and its time, and every repair of the line,
// on stderr; with --json the same as trace events among the others.
TEST_F(FlashTest, VerboseTracesEveryCommandAndRepair) {
  sim::Options options = Fast();
  options.faults = {{sim::FaultKind::WrongByte, sim::FaultTarget::ProgramWord, 5}};
  Start(Ports(1, options));
  const auto r = RunFlash({"update", "COM33", "-v", "--speed", "9600"});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  const std::string ts = "[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9:.]{12}Z COM33 \\(ttyUSB0\\): ";
  for (const std::string& line :
       {ts + "call: >80 <81\n",
        ts + "identity: >86 <35 >84 <30 >84 <33 >84 <30 >84 <33 >84 <33 >84\n",
        ts + "read EEPROM cell 120: >89 >37 >38 <30 >84 <31 >84\n",
        ts + "write word [0-9]+ = 0x[0-9A-F]{4}: >8D( >[0-9A-F]{2}){8} <00 \\(purge\\)\n",
        ts + "repair: write word [0-9]+ = 0x[0-9A-F]{4} again\n",
        ts + "write EEPROM cell 127 = 5: >8B >37 >46 >30 >35 <84\n", ts + "release: >04 <84\n"}) {
    EXPECT_TRUE(std::regex_search(r.err, std::regex(line))) << line << "\n"
                                                            << r.err.substr(0, 3000);
  }
  const auto json = RunFlash({"update", "COM33", "-v", "--json"});  // the next remote
  EXPECT_EQ(json.status, 0) << json.err;
  const auto traces = Events(JsonLines(json.out), "trace");
  ASSERT_GT(traces.size(), 900u);
  EXPECT_EQ(traces[1]["command"], "call");
  EXPECT_EQ(traces[1]["bytes"], ">80 <81");
  EXPECT_TRUE(json.err.empty()) << json.err.substr(0, 500);
}

// On a terminal: live lines redrawn in place, then the outcome on the same line. Piped: plain
// lines, no cursor movement.
// The live lines of a terminal: every line of every frame as the terminal shows it (what
// follows the last "clear line" before each line end).
std::vector<std::string> ScreenLines(const std::string& raw) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end = raw.find('\n'); end != std::string::npos; end = raw.find('\n', start)) {
    std::string line = raw.substr(start, end - start);
    const std::size_t clear = line.rfind("\x1b[2K");
    if (clear != std::string::npos) line = line.substr(clear + 4);
    while (!line.empty() && (line.back() == '\r')) line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

// A narrow terminal (50 columns): no live line wraps, the percentage stays and the bar shrinks or
// goes; the lines printed for good wrap whole at spaces instead of being cut. The calling count
// starts at 0.
TEST_F(FlashTest, NarrowTerminalKeepsThePercentageAndWrapsTheOutcome) {
  sim::Options paced = Fast();
  paced.pacing = true;
  paced.switchOnDelayMs = 1500;
  Start(Ports(1, paced));
  FlashProcess narrow({"update", "COM33", "--speed", "9600"}, FlashProcess::Output::Terminal,
                      nullptr, 50);
  EXPECT_EQ(narrow.Finish(), 0) << narrow.Out();
  const auto lines = ScreenLines(narrow.Out());
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "COM33 (ttyUSB0)  -          calling 0 s of 45");
  bool percentage = false;
  for (const std::string& line : lines) {
    if (line.find("programming") != std::string::npos) {
      EXPECT_LE(line.size(), 49u) << line;
      percentage = percentage || std::regex_search(line, std::regex("programming +[0-9]+%"));
    }
  }
  EXPECT_TRUE(percentage) << narrow.Out();
  // The last frame and the summary: every line within the width, the outcome whole once its
  // continuation lines are joined back.
  const auto last = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
    return l.find("updated 1.4") != std::string::npos;
  });
  ASSERT_NE(last, lines.end());
  std::string joined;
  for (auto line = last; line != lines.end(); ++line) {
    EXPECT_LE(line->size(), 49u) << *line;
    joined += (line->rfind("    ", 0) == 0 ? " " + line->substr(4) : "\n" + *line);
  }
  EXPECT_TRUE(std::regex_search(
      joined, std::regex("312000001  updated 1\\.4 -> 1\\.5 in [0-9.]+ s at 9600 bit/s\n")))
      << joined;
}

// Ctrl-C twice: the program ends at once and says what to do and which devices may be left in
// programming mode.
TEST_F(FlashTest, SecondCtrlCEndsAtOnceAndNamesTheDevicesLeftInProgramming) {
  sim::Options paced = Fast();
  paced.pacing = true;
  Start(Ports(2, paced));
  FlashProcess flash({"update", "--all", "--speed", "9600", "--json"});
  ASSERT_TRUE(flash.WaitFor("\"percent\":5}")) << flash.Out();
  flash.Signal(SIGINT);
  ASSERT_TRUE(flash.WaitFor("\"event\":\"stopping\"")) << flash.Out();
  flash.Signal(SIGINT);
  EXPECT_EQ(flash.Finish(2000), 130) << flash.Err();
  EXPECT_TRUE(Has(flash.Err(),
                  "orb42-flash: ended at once; switch each of these devices off and on, then run "
                  "orb42-flash again (they may be left in programming mode): COM33 (ttyUSB0) "
                  "312000001, COM34 (ttyUSB1) 312001001\n"))
      << flash.Err();
}

// --loop on a terminal: each device's outcome is printed once, above the live lines, also when
// Ctrl-C ends the bench while a device is under way; a device that fails says why at once.
TEST_F(FlashTest, LoopOnATerminalTellsEachDeviceOnce) {
  sim::Options options = Fast();
  options.pacing = true;
  options.switchOnDelayMs = 1200;
  std::vector<sim::Options> ports = Ports(2, options);
  ports[1].device.serialNumber = 299999999;
  Start(ports);
  FlashProcess flash({"update", "--all", "--loop", "--speed", "9600"},
                     FlashProcess::Output::Terminal);
  ASSERT_TRUE(flash.WaitFor("remedy: this program updates ORB42TLX remotes")) << flash.Out();
  ASSERT_TRUE(flash.WaitFor("312000001  programming")) << flash.Out();
  flash.Signal(SIGINT);
  EXPECT_EQ(flash.Finish(), 130) << flash.Out();
  const auto screen = testsupport::FinalScreen(flash.Out());
  std::string shown;
  for (const std::string& line : screen) shown += line + "\n";
  const auto count = [&](const std::string& start, const std::string& part) {
    return std::count_if(screen.begin(), screen.end(), [&](const std::string& l) {
      return l.rfind(start, 0) == 0 && l.find(part) != std::string::npos;
    });
  };
  EXPECT_EQ(count("COM33 (ttyUSB0) #1", "312000001  stopped half-way"), 1) << shown;
  EXPECT_EQ(count("COM34 (ttyUSB1) #1", "299999999  refused"), 1) << shown;
  EXPECT_EQ(count("    cause: ", "serial number 299999999"), 1) << shown;    // when it failed
  EXPECT_EQ(count("      cause: ", "serial number 299999999"), 1) << shown;  // in the summary
}

TEST_F(FlashTest, LiveLinesOnATerminalPlainLinesOtherwise) {
  sim::Options paced = Fast();
  paced.pacing = true;
  Start(Ports(2, paced));
  FlashProcess terminal({"update", "--all"}, FlashProcess::Output::Terminal);
  EXPECT_EQ(terminal.Finish(), 0) << terminal.Out();
  const std::string& t = terminal.Out();
  EXPECT_TRUE(std::regex_search(
      t, std::regex("\x1b\\[2A\r\x1b\\[2KCOM33 \\(ttyUSB0\\)  312000001  programming +[0-9]+% "
                    "\\[#*-*\\] 115200 bit/s")))
      << t;
  EXPECT_TRUE(Has(t, "\r\x1b[2KCOM34 (ttyUSB1)  312001001  updated 1.4 -> 1.5 in ")) << t;
  EXPECT_TRUE(Has(t, "2 devices: 2 updated, 0 not updated.")) << t;

  const auto piped = RunFlash({"update", "COM34"});  // the next remote on that port
  EXPECT_EQ(piped.status, 0);
  EXPECT_EQ(piped.out.find('\x1b'), std::string::npos);
  for (const char* line :
       {"COM34 (ttyUSB1): calling the device (up to 45 s)\n",
        "COM34 (ttyUSB1): programming at 115200 bit/s\n", "COM34 (ttyUSB1): 50%\n",
        "COM34 (ttyUSB1): 312001002: updated 1.4 -> 1.5 in "}) {
    EXPECT_TRUE(Has(piped.out, line)) << line << piped.out;
  }
}

}  // namespace
