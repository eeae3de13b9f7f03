#include "wizard/Settings.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

#include "wizard/ProgramError.h"

namespace {

using namespace std::literals;
namespace fs = std::filesystem;

TEST(ParseLanguageSetting, ReadsTheNumberOfTheLangueEntry) {
  struct Case {
    std::string_view text;
    std::int32_t number;
  } cases[] = {
      {"Langue=1;", 1},
      {"Langue=0;", 0},
      {"Langue=2;", 2},
      {"Langue = 1 ;", 1},
      {"\r\n\tLangue=\t1\r;\r\n", 1},
      {"Langue=1;Langue=0;", 1},
      // Without the exact key the whole text is searched for "=" and ";".
      {"langue=1;", 1},
      {"X=1;Langue=0;", 0},  // what comes before the key is dropped
      {"1;", 1},             // no "=": everything before ";"
      {"Langue=1", 0},       // no terminator
      {"Langue;=1", 0},      // ";" before "="
      {"Langue=;", 0},
      {"", 0},
      {"Langue=1\0;"sv, 0},  // the text ends at the first NUL
      {"Langue=1;\0Langue=0;"sv, 1},
      // Numbers.
      {"Langue=$1;", 1},
      {"Langue=0x1;", 1},
      {"Langue=0X1f;", 31},
      {"Langue=$FFFFFFFF;", -1},   // 32-bit pattern
      {"Langue=$0000000001;", 1},  // leading zeros do not overflow
      {"Langue=$100000000;", 0},   // more than 32 bits
      {"Langue=-1;", -1},
      {"Langue=+1;", 1},
      {"Langue=2147483647;", 2147483647},
      {"Langue=-2147483648;", INT32_MIN},
      {"Langue=2147483648;", 0},
      {"Langue=-2147483649;", 0},
      {"Langue=99999999999999999999;", 0},
      {"Langue=1x;", 0},
      {"Langue=1 1;", 0},
      {"Langue=0x;", 0},
      {"Langue=$;", 0},
      {"Langue=-;", 0},
      {"Langue=-$1;", 0},
      {"Langue=1.0;", 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ParseLanguageSetting(c.text), c.number) << '"' << std::string(c.text) << '"';
}

// A Windows directory of our own, named through ORB42_WINDOWS_DIR; the variable is put back as
// it was.
class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* old = std::getenv(kVariable)) saved_ = old;
    char pattern[] = "/tmp/orb42-settings-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    root_ = pattern;
    UseDirectory(root_);
  }
  void TearDown() override {
    if (saved_)
      ::setenv(kVariable, saved_->c_str(), 1);
    else
      ::unsetenv(kVariable);
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  static void UseDirectory(const std::string& dir) { ::setenv(kVariable, dir.c_str(), 1); }
  static void Write(const std::string& path, std::string_view contents) {
    std::ofstream(path, std::ios::binary) << contents;
  }
  std::string FileIn(const std::string& dir) const { return dir + "/BrennalV1.CFG"; }

  static constexpr const char* kVariable = "ORB42_WINDOWS_DIR";
  std::optional<std::string> saved_;
  std::string root_;
};

TEST_F(SettingsFile, PathIsInTheWindowsDirectoryWithEtcAsDefault) {
  EXPECT_EQ(SettingsFilePath(), FileIn(root_));
  ::setenv(kVariable, "", 1);
  EXPECT_EQ(SettingsFilePath(), "/etc/BrennalV1.CFG");
  ::unsetenv(kVariable);
  EXPECT_EQ(SettingsFilePath(), "/etc/BrennalV1.CFG");
}

TEST_F(SettingsFile, MissingFileOrBrokenLinkMeansFrench) {
  EXPECT_EQ(ReadLanguageSettingFile(), 0);
  fs::create_symlink(root_ + "/nowhere", FileIn(root_));
  EXPECT_EQ(ReadLanguageSettingFile(), 0);
}

TEST_F(SettingsFile, ReadsTheEntryAndLeavesTheFileAsItWas) {
  Write(FileIn(root_), "[Brennal]\r\nLangue=1;\r\n");
  EXPECT_EQ(ReadLanguageSettingFile(), 1);
  std::ifstream in(FileIn(root_), std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "[Brennal]\r\nLangue=1;\r\n");
}

TEST_F(SettingsFile, OnlyTheFirst200BytesAreRead) {
  const std::string entry = "Langue=1;";
  Write(FileIn(root_), std::string(200 - entry.size(), 'x') + entry);  // ";" is byte 200
  EXPECT_EQ(ReadLanguageSettingFile(), 1);
  Write(FileIn(root_), std::string(201 - entry.size(), 'x') + entry);  // ";" is byte 201
  EXPECT_EQ(ReadLanguageSettingFile(), 0);
  Write(FileIn(root_), std::string(300, ' ') + entry);
  EXPECT_EQ(ReadLanguageSettingFile(), 0);
}

TEST_F(SettingsFile, SomethingThatIsNotARegularFileCannotBeOpened) {
  fs::create_directory(FileIn(root_));
  try {
    ReadLanguageSettingFile();
    ADD_FAILURE() << "a directory was read as the settings file";
  } catch (const ProgramError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file " + FileIn(root_));
  }
  // A FIFO must not hang the start-up waiting for a writer.
  fs::remove(FileIn(root_));
  ASSERT_EQ(::mkfifo(FileIn(root_).c_str(), 0600), 0);
  EXPECT_THROW(ReadLanguageSettingFile(), ProgramError);
}

TEST_F(SettingsFile, DirectoryPathsLongerThan197CharactersHaveNoSettingsFile) {
  for (const std::size_t length : {197u, 198u}) {
    const std::string dir = root_ + "/" + std::string(length - root_.size() - 1, 'd');
    ASSERT_EQ(dir.size(), length);
    fs::create_directory(dir);
    Write(FileIn(dir), "Langue=1;");
    UseDirectory(dir);
    EXPECT_EQ(SettingsFilePath(), length == 197 ? FileIn(dir) : "") << length;
    EXPECT_EQ(ReadLanguageSettingFile(), length == 197 ? 1 : 0) << length;
  }
}

}  // namespace
