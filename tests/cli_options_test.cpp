// orb42-flash's command line in process: each option's values at both edges of what it takes and
// just past them, and what an accepted value puts into the job.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "cli/Options.h"

namespace {

struct ValueCase {
  std::vector<std::string> args;  // after "orb42-flash update COM33"
  bool accepted;
  std::string (*seen)(const flash::Job&);  // what the job holds then
  std::string expected;
};

std::string Wait(const flash::Job& j) {
  return j.run.waitSeconds ? std::to_string(*j.run.waitSeconds) : "none";
}
std::string Speed(const flash::Job& j) {
  return std::to_string(j.run.session.speed);
}
std::string Separator(const flash::Job& j) {
  return std::string(1, j.logSeparator);
}
std::string Log(const flash::Job& j) {
  return j.log;
}
std::string Firmware(const flash::Job& j) {
  return j.firmware;
}

TEST(FlashOptions, EachValueIsTakenUpToItsEdgesAndRefusedJustPastThem) {
  setenv("LANG", "C.UTF-8", 1);
  unsetenv("LC_ALL");
  const ValueCase cases[] = {
      {{"--wait", "0"}, true, Wait, "0"},
      {{"--wait", "3600"}, true, Wait, "3600"},
      {{"--wait", "3601"}, false, nullptr, ""},
      {{"--wait", "-1"}, false, nullptr, ""},
      {{"--wait", ""}, false, nullptr, ""},
      {{"--wait=45"}, true, Wait, "45"},
      {{}, true, Wait, "45"},  // the default
      {{"--loop"}, true, Wait, "none"},
      {{"--speed", "4800"}, true, Speed, "4800"},
      {{"--speed", "256000"}, true, Speed, "256000"},
      {{"--speed", "2400"}, false, nullptr, ""},
      {{"--speed", "256001"}, false, nullptr, ""},
      {{"--speed", "115200"}, true, Speed, "115200"},
      {{}, true, Speed, "115200"},
      {{"--log-separator", ";"}, true, Separator, ";"},
      {{"--log-separator", ","}, true, Separator, ","},
      {{"--log-separator", ";;"}, false, nullptr, ""},
      {{"--log-separator", ""}, false, nullptr, ""},
      {{"--log", "a"}, true, Log, "a"},
      {{"--log", ""}, false, nullptr, ""},
      {{"--firmware", "f.hex"}, true, Firmware, "f.hex"},
      {{"--firmware="}, false, nullptr, ""},
      {{"--lang", "fr"}, true, Speed, "115200"},
      {{"--lang", "en"}, true, Speed, "115200"},
      {{"--lang", "de"}, false, nullptr, ""},
      {{"--lang", "FR"}, false, nullptr, ""},
  };
  for (const ValueCase& c : cases) {
    std::vector<const char*> argv = {"orb42-flash", "update", "COM33"};
    std::string line;
    for (const std::string& a : c.args) {
      argv.push_back(a.c_str());
      line += " '" + a + "'";
    }
    SCOPED_TRACE(line);
    flash::Job job;
    const flash::CommandLine read =
        flash::ReadCommandLine(static_cast<int>(argv.size()), argv.data(), job);
    EXPECT_EQ(read.ask == flash::CommandLine::Ask::Run, c.accepted) << read.error;
    if (c.accepted && c.seen) {
      EXPECT_EQ(c.seen(job), c.expected);
    }
    if (!c.accepted) {
      EXPECT_NE(read.error.find(c.args[0].substr(0, c.args[0].find('='))), std::string::npos)
          << "the refusal names the option: " << read.error;
    }
  }
}

}  // namespace
