// The settings file in Wine's Windows directory (C:\windows, $WINEPREFIX/drive_c/windows), read
// through the Windows calls.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/SettingsFile.h"
#include "platform/SystemText.h"
#include "wizard/ProgramError.h"
#include "wizard/Settings.h"

namespace {

class SettingsFileInWine : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = SettingsFilePath();
    ASSERT_FALSE(path_.empty());
    Remove();
  }
  void TearDown() override { Remove(); }

  void Remove() const {
    DeleteFileA(path_.c_str());
    RemoveDirectoryA(path_.c_str());
    ASSERT_FALSE(platform::SettingsFileExists(path_));
  }

  void Write(const std::string& contents) const {
    const HANDLE file = CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    EXPECT_TRUE(
        WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr));
    CloseHandle(file);
  }

  // The message start-up shows, or "" when the file was read.
  static std::string OpenError() {
    try {
      ReadLanguageSettingFile();
      return "";
    } catch (const ProgramError& e) {
      return e.what();
    }
  }

  std::string path_;
};

}  // namespace

TEST_F(SettingsFileInWine, LivesInTheDirectoryThatWindowsNames) {
  char dir[MAX_PATH] = {};
  ASSERT_GT(GetWindowsDirectoryA(dir, sizeof dir), 0u);
  EXPECT_EQ(path_, std::string(dir) + "\\BrennalV1.CFG");
  EXPECT_EQ(path_, "C:\\windows\\BrennalV1.CFG");
}

TEST_F(SettingsFileInWine, TheLangueEntryOfItsFirst200BytesGivesTheLanguage) {
  EXPECT_EQ(ReadLanguageSettingFile(), 0);  // no file: French

  Write("[Brennal]\r\nLangue=1;\r\n");
  EXPECT_EQ(ReadLanguageSettingFile(), 1);

  const std::string entry = "Langue=1;";
  Write(std::string(200 - entry.size(), 'x') + entry);  // ";" is byte 200
  EXPECT_EQ(ReadLanguageSettingFile(), 1);
  Write(std::string(201 - entry.size(), 'x') + entry);  // ";" is byte 201
  EXPECT_EQ(ReadLanguageSettingFile(), 0);
}

TEST_F(SettingsFileInWine, ADirectoryInItsPlaceCannotBeOpened) {
  ASSERT_TRUE(CreateDirectoryA(path_.c_str(), nullptr));
  EXPECT_EQ(OpenError(), "Cannot open file C:\\windows\\BrennalV1.CFG");
}

// The file is opened with no sharing, so any other open handle keeps it from being read, even
// one that would share it.
TEST_F(SettingsFileInWine, AFileOpenElsewhereCannotBeOpened) {
  Write("Langue=1;");
  for (const DWORD otherSharing : {DWORD{0}, DWORD{FILE_SHARE_READ | FILE_SHARE_WRITE}}) {
    const HANDLE other = CreateFileA(path_.c_str(), GENERIC_READ, otherSharing, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    EXPECT_EQ(OpenError(), "Cannot open file C:\\windows\\BrennalV1.CFG") << otherSharing;
    CloseHandle(other);
  }
  EXPECT_EQ(OpenError(), "");
}

// Read once and closed: nothing holds the file afterwards.
TEST_F(SettingsFileInWine, ReadingLeavesTheFileClosed) {
  Write("Langue=1;");
  ASSERT_EQ(ReadLanguageSettingFile(), 1);
  const HANDLE again = CreateFileA(path_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(again, INVALID_HANDLE_VALUE);
  CloseHandle(again);
}

// The Windows directory comes from the ANSI call, in the ANSI code page: 1252 on a French or an
// English Windows, where "Système" is the bytes "Syst\xe8me". The error box's text is UTF-8:
// the path is converted where it meets it, never taken for UTF-8 (which would show U+FFFD).
TEST(SystemText, AnAnsiPathMeetsTheUtf8TextsConverted) {
  if (GetACP() != 1252) GTEST_SKIP() << "the ANSI code page here is " << GetACP();
  EXPECT_EQ(platform::SystemTextToUtf8("C:\\Syst\xe8me\\BrennalV1.CFG"),
            "C:\\Syst\xc3\xa8me\\BrennalV1.CFG");
  EXPECT_EQ(platform::SystemTextToUtf8("C:\\windows"), "C:\\windows");
  EXPECT_EQ(platform::SystemTextToUtf8(""), "");
}
