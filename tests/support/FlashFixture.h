#pragma once
// orb42-flash's tests: simulated bridges ttyUSB0.. in a directory of their own, pointed at by the
// environment that orb42-flash inherits, and helpers to read its JSON lines and the devices'
// memories. Header only (the cli tests link no toolkit).
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "sim/LoaderBank.h"
#include "support/FlashProcess.h"
#include "support/HexWords.h"

namespace testsupport {

namespace fs = std::filesystem;
using Json = nlohmann::json;

inline std::string LogHeader(char separator) {
  std::string header =
      "time,port,serial_number,version_before,version_after,outcome,cause,speed,seconds,repairs,"
      "firmware,firmware_sha256,orb42_flash_version";
  std::replace(header.begin(), header.end(), ',', separator);
  return header;
}
inline const std::string kCsvHeader = LogHeader(',');
inline const std::string kByteOrderMark = "\xEF\xBB\xBF";

inline bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

inline std::vector<Json> JsonLines(const std::string& out) {
  std::vector<Json> lines;
  std::istringstream in(out);
  std::string line;
  while (std::getline(in, line)) lines.push_back(Json::parse(line));  // throws on a bad line
  return lines;
}

inline std::vector<Json> Events(const std::vector<Json>& lines, const std::string& event) {
  std::vector<Json> out;
  std::copy_if(lines.begin(), lines.end(), std::back_inserter(out),
               [&](const Json& j) { return j["event"] == event; });
  return out;
}

// Simulated bridges ttyUSB0.. in a directory of their own, pointed at by the environment that
// orb42-flash inherits. Pacing off and devices switched on, unless a test says otherwise.
class FlashTest : public ::testing::Test {
 protected:
  static std::vector<sim::Options> Ports(unsigned count, sim::Options base = Fast()) {
    return sim::OptionsForPorts(base, count);
  }
  static sim::Options Fast() {
    sim::Options o;
    o.pacing = false;
    return o;
  }

  // orb42-flash follows the user's language and number format: the tests say which they want.
  void SetUp() override {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LC_NUMERIC"}) unsetenv(name);
    setenv("LANG", "C.UTF-8", 1);
  }

  void Start(const std::vector<sim::Options>& ports) {
    char pattern[] = "/tmp/orb42-flash-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
    bank = std::make_unique<sim::LoaderBank>(ports);
    std::string error;
    ASSERT_TRUE(bank->Start(dir + "/sim", &error)) << error;
    setenv("ORB42_SYSFS_TTY", bank->SysfsDir().c_str(), 1);
    setenv("ORB42_DEV_DIR", bank->DevDir().c_str(), 1);
  }

  void TearDown() override {
    bank.reset();
    unsetenv("ORB42_SYSFS_TTY");
    unsetenv("ORB42_DEV_DIR");
    if (!dir.empty()) fs::remove_all(dir);
  }

  bool HoldsImageAndVersion15(std::size_t port) {
    const sim::LoaderSim& p = bank->Port(port);
    return testsupport::WordsDiffering(testsupport::EmbeddedImageWords(), p.ProgramMemory()) == 0 &&
           p.Eeprom()[126] == 1 && p.Eeprom()[127] == 5;
  }
  bool Version14(std::size_t port) {
    return bank->Port(port).Eeprom()[126] == 1 && bank->Port(port).Eeprom()[127] == 4;
  }
  int WordsWritten(std::size_t port) {
    const auto written = bank->Port(port).CurrentDevice().programWritten;
    return static_cast<int>(std::count(written.begin(), written.end(), true));
  }
  bool NothingWritten(std::size_t port) {
    const auto host = bank->Port(port).HostBytes();
    return std::none_of(host.begin(), host.end(), [](auto b) { return b == 0x8D || b == 0x8B; });
  }

  std::string File(const std::string& name, const std::string& text) {
    const std::string path = dir + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

  std::string dir;
  std::unique_ptr<sim::LoaderBank> bank;
};

}  // namespace testsupport
