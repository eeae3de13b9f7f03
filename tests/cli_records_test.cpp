// What orb42-flash reports of a device (its result line, its JSON, its CSV line) against what the
// device really holds afterwards (the simulator's cells), over the faults a line can make at each
// point of an update: a record is a promise, also when the update failed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "support/FlashFixture.h"

namespace {

using namespace testsupport;
using sim::FaultKind;
using sim::FaultTarget;

// Command bytes of one update by orb42-flash, counted from 1: the call, the identity, the type
// twice, the serial number's four cells twice, the version's two cells twice, the switch to the
// faster line, unlock, programming mode, then the words and the version cells.
constexpr unsigned kIdentity = 2, kType = 3, kSerialCell122 = 7, kVersion = 14, kSwitch = 17,
                   kUnlock = 18, kProgramming = 19;

struct RecordCase {
  const char* what;
  std::vector<sim::Fault> faults;
  std::uint32_t serialNumber = 312000001;
  const char* outcome = nullptr;  // where the case must end one way: the outcome and repairs
  int repairs = -1;
};

const RecordCase kCases[] = {
    {"no identity", {{FaultKind::Silence, FaultTarget::Command, kIdentity}}},
    {"garbled identity", {{FaultKind::WrongByte, FaultTarget::Command, kIdentity}}},
    {"garbled type", {{FaultKind::WrongByte, FaultTarget::Command, kType}}},
    {"late serial number", {{FaultKind::Late, FaultTarget::Command, kSerialCell122, 2300}}},
    {"garbled serial number", {{FaultKind::WrongByte, FaultTarget::Command, kSerialCell122}}},
    // One digit of 299999999's cell 122 garbled into another digit reads 301048575, in range.
    {"garbled out-of-range serial number",
     {{FaultKind::WrongByte, FaultTarget::Command, kSerialCell122}},
     299999999},
    {"garbled version", {{FaultKind::WrongByte, FaultTarget::Command, kVersion}}},
    {"cable pulled at the version", {{FaultKind::HangUp, FaultTarget::Command, kVersion}}},
    {"no answer to the switch", {{FaultKind::Silence, FaultTarget::Command, kSwitch}}},
    {"no unlock", {{FaultKind::Silence, FaultTarget::Command, kUnlock}}},
    {"cable pulled entering programming",
     {{FaultKind::HangUp, FaultTarget::Command, kProgramming}}},
    {"call refused", {{FaultKind::Refuse, FaultTarget::Call, 1}}},
    {"silent word", {{FaultKind::Silence, FaultTarget::ProgramWord, 10}}},
    {"refused word", {{FaultKind::WrongByte, FaultTarget::ProgramWord, 10}}},
    {"word answered after the purge", {{FaultKind::Late, FaultTarget::ProgramWord, 10, 2300}}},
    {"word answered too late to wait for", {{FaultKind::Late, FaultTarget::ProgramWord, 10, 4500}}},
    {"cable pulled at a word", {{FaultKind::HangUp, FaultTarget::ProgramWord, 500}}},
    {"silent minor version cell", {{FaultKind::Silence, FaultTarget::EepromWrite, 1}}},
    {"refused minor version cell", {{FaultKind::WrongByte, FaultTarget::EepromWrite, 1}}},
    {"late minor version cell", {{FaultKind::Late, FaultTarget::EepromWrite, 1, 2300}}},
    {"cable pulled at the minor version cell", {{FaultKind::HangUp, FaultTarget::EepromWrite, 1}}},
    {"silent major version cell", {{FaultKind::Silence, FaultTarget::EepromWrite, 2}}},
    {"refused major version cell", {{FaultKind::WrongByte, FaultTarget::EepromWrite, 2}}},
    {"late major version cell", {{FaultKind::Late, FaultTarget::EepromWrite, 2, 2300}}},
    {"cable pulled at the major version cell", {{FaultKind::HangUp, FaultTarget::EepromWrite, 2}}},
    // The link repeats a refused word three times, each after a purge and its conversation back
    // in step; a fourth refusal is one too many.
    {"word refused three times, then taken",
     {{FaultKind::WrongByte, FaultTarget::ProgramWord, 10},
      {FaultKind::WrongByte, FaultTarget::ProgramWord, 11},
      {FaultKind::WrongByte, FaultTarget::ProgramWord, 12}},
     312000001,
     "updated",
     3},
    {"word refused four times",
     {{FaultKind::WrongByte, FaultTarget::ProgramWord, 10},
      {FaultKind::WrongByte, FaultTarget::ProgramWord, 11},
      {FaultKind::WrongByte, FaultTarget::ProgramWord, 12},
      {FaultKind::WrongByte, FaultTarget::ProgramWord, 13}},
     312000001,
     "transmission-failure",
     3},
};

std::string VersionOf(const std::vector<std::uint8_t>& eeprom) {
  return std::to_string(eeprom[126]) + "." + std::to_string(eeprom[127]);
}

std::uint32_t SerialOf(const std::vector<std::uint8_t>& eeprom) {
  return eeprom[120] | eeprom[121] << 8 | eeprom[122] << 16 |
         static_cast<std::uint32_t>(eeprom[123]) << 24;
}

// The CSV's lines by port label ("COM33 (ttyUSB0)"), split at the commas (no field here holds one
// that matters: the cause, quoted, comes after the versions).
std::map<std::string, std::vector<std::string>> CsvByPort(const std::string& path) {
  std::map<std::string, std::vector<std::string>> out;
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);  // the header
  while (std::getline(in, line)) {
    std::vector<std::string> fields;
    std::stringstream split(line);
    for (std::string field; fields.size() < 6 && std::getline(split, field, ',');)
      fields.push_back(field);
    if (fields.size() == 6) out[fields[1]] = fields;
  }
  return out;
}

// Every case on a port of its own, all in one run: each device's result, JSON and CSV, against
// its cells. Whatever failed, a version said is the version the device holds, a serial number
// said is the device's, a device that holds the whole image and 1.5 is reported updated, and an
// updated device holds them.
TEST_F(FlashTest, EveryRecordSaysWhatTheDeviceHoldsWhateverTheLineDid) {
  std::vector<sim::Options> ports = Ports(std::size(kCases));
  for (std::size_t i = 0; i < std::size(kCases); ++i) {
    ports[i].faults = kCases[i].faults;
    ports[i].device.serialNumber = kCases[i].serialNumber;
  }
  Start(ports);
  const std::string log = dir + "/bench.csv";
  const auto run = RunFlash({"update", "--all", "--json", "--wait", "5", "--log", log});
  const std::vector<Json> results = Events(JsonLines(run.out), "result");
  ASSERT_EQ(results.size(), std::size(kCases)) << run.out << run.err;
  const auto csv = CsvByPort(log);

  for (const Json& r : results) {
    const std::size_t port = std::stoul(r["port"].get<std::string>().substr(3)) - 33;
    ASSERT_LT(port, std::size(kCases));
    const RecordCase& c = kCases[port];
    SCOPED_TRACE(c.what);
    const sim::LoaderSim::FinishedDevice device = bank->Port(port).CurrentDevice();
    const std::string holds = VersionOf(device.eeprom);
    const bool wholeImage =
        WordsDiffering(EmbeddedImageWords(), device.program) == 0 && holds == "1.5";
    EXPECT_EQ(r["outcome"] == "updated", wholeImage) << r.dump();
    if (r.contains("serial_number")) {
      EXPECT_EQ(r["serial_number"], SerialOf(device.eeprom));
    }
    if (r.contains("version_before")) {
      EXPECT_EQ(r["version_before"], "1.4");
    }
    if (r.contains("version")) {
      // The line answered again in every case: the version is never left unknown here.
      ASSERT_FALSE(r["version"].is_null()) << r.dump();
      EXPECT_EQ(r["version"], holds) << r.dump();
    }
    if (c.outcome) {
      EXPECT_EQ(r["outcome"], c.outcome) << r.dump();
      EXPECT_EQ(r["repairs"], c.repairs) << r.dump();
    }
    if (c.serialNumber == 299999999) {
      EXPECT_NE(r["outcome"], "updated");
      EXPECT_TRUE(NothingWritten(port));
    }
    const auto line =
        csv.find("COM" + std::to_string(33 + port) + " (ttyUSB" + std::to_string(port) + ")");
    ASSERT_NE(line, csv.end());
    EXPECT_EQ(line->second[4], r.contains("version") ? r["version"].get<std::string>() : "");
    EXPECT_EQ(line->second[5], r["outcome"]);
  }
}

}  // namespace

namespace {

// A process that holds a port for reading, under a name of its choosing.
class NamedReader {
 public:
  NamedReader(const std::string& node, const char* name) {
    pid_ = fork();
    if (pid_ == 0) {
      prctl(PR_SET_NAME, name);
      if (open(node.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK) < 0) _exit(127);
      pause();
      _exit(0);
    }
    usleep(200000);
  }
  ~NamedReader() {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  NamedReader(const NamedReader&) = delete;
  NamedReader& operator=(const NamedReader&) = delete;

 private:
  pid_t pid_ = -1;
};

bool HasControlCharacter(const std::string& text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\r') || c == 0x7F;
  });
}

// Another program's name, and a port named through a link whose name carries escape sequences,
// reach the output, the cause and the log only with their control characters escaped.
TEST_F(FlashTest, NamesFromOutsideCannotDrawOverTheOutputOrTheLog) {
  sim::Options off = Fast();
  off.switchOnDelayMs = 60000;
  Start(Ports(1, off));
  const std::string node = bank->DevDir() + "/ttyUSB0";
  const std::string link = dir + "/\x1b]0;pwned\x07port";
  fs::create_symlink(node, link);
  NamedReader reader(node, "\x1b[2J\x1b]0;x\x07=1+1");
  const std::string log = dir + "/log.csv";
  const auto r = RunFlash({"update", link, "--wait", "0", "--log", log});
  EXPECT_EQ(r.status, 5) << r.out << r.err;
  std::ifstream in(log, std::ios::binary);
  const std::string logged((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (const std::string* text : {&r.out, &r.err, &logged}) {
    EXPECT_FALSE(HasControlCharacter(*text)) << *text;
  }
  EXPECT_TRUE(Has(r.out, "another program is reading this port: \\x1B[2J\\x1B]0;x\\x07=1+1"))
      << r.out;
  EXPECT_TRUE(Has(logged, "\\x1B]0;pwned\\x07port (COM33)")) << logged;
}

struct SafeLogCase {
  const char* what;
  std::string (*setUp)(const std::string& dir);  // the --log path
  const char* said;                              // on stderr
};

// A log that could be turned against the user, or would make the run wait for ever, is refused
// at once, before any device is called; so is an output that cannot be written, after the run.
TEST_F(FlashTest, LogAndOutputThatCannotBeTrustedAreRefusedAtOnce) {
  const SafeLogCase cases[] = {
      {"another user's link in a shared sticky folder",
       [](const std::string& dir) {
         const std::string shared = dir + "/shared";
         fs::create_directory(shared);
         chmod(shared.c_str(), 01777);
         std::ofstream(dir + "/victim.csv") << "keep\n";
         const std::string planted = shared + "/bench.csv";
         fs::create_symlink(dir + "/victim.csv", planted);
         if (lchown(planted.c_str(), 65534, 65534) != 0) return std::string();
         return planted;
       },
       "is another user's symbolic link in a folder that everyone may write to"},
      {"a FIFO nobody reads",
       [](const std::string& dir) {
         const std::string fifo = dir + "/log.fifo";
         mkfifo(fifo.c_str(), 0600);
         return fifo;
       },
       "nobody reads the pipe"},
      {"a directory", [](const std::string& dir) { return dir; }, "cannot open the log file"},
  };
  Start(Ports(1));
  for (const SafeLogCase& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = c.setUp(dir);
    ASSERT_FALSE(path.empty());
    const auto start = std::chrono::steady_clock::now();
    const auto r = RunFlash({"info", "COM33", "--log", path});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_TRUE(Has(r.err, c.said)) << r.err;
    EXPECT_TRUE(bank->Port(0).HostBytes().empty()) << "the device was called";
  }
  std::ifstream victim(dir + "/victim.csv");
  std::string kept;
  std::getline(victim, kept);
  EXPECT_EQ(kept, "keep");

  // The results that do not reach the output are not a success.
  FlashProcess full({"update", "COM33"}, FlashProcess::Output::Pipes, [] {
    const int fd = open("/dev/full", O_WRONLY);
    dup2(fd, STDOUT_FILENO);
  });
  EXPECT_EQ(full.Finish(), 8);
  EXPECT_TRUE(Has(full.Err(), "the output could not be written (No space left on device)"))
      << full.Err();
  FlashProcess closed({"info", "COM33"}, FlashProcess::Output::Pipes, [] { close(STDOUT_FILENO); });
  EXPECT_EQ(closed.Finish(), 8);
  EXPECT_TRUE(Has(closed.Err(), "the standard output is closed")) << closed.Err();
}

}  // namespace
