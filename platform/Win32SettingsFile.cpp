// The settings file on Windows: in the directory that GetWindowsDirectoryA hands over, opened
// for reading with no sharing, so a file that another program holds open cannot be read.
#include <windows.h>

#include "platform/SettingsFile.h"

namespace platform {
namespace {

constexpr UINT kDirBufferSize = 200;
// The size the call is told: two bytes short of the buffer, so the longest directory it can
// hand over has 197 characters.
constexpr UINT kDirSizeArgument = 198;
constexpr UINT kLongestDir = 197;
constexpr const char* kFileName = "\\BrennalV1.CFG";

// Closes the handle whatever way the read ends.
class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  ~FileHandle() {
    if (ok()) CloseHandle(handle_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace

// The call returns the directory's length, or the size it would need when the directory does
// not fit (which is then more than 197), or 0 when it fails.
std::string SettingsFilePath() {
  char dir[kDirBufferSize] = {};
  const UINT length = GetWindowsDirectoryA(dir, kDirSizeArgument);
  if (length == 0 || length > kLongestDir) return {};
  return std::string(dir, length) + kFileName;
}

bool SettingsFileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A directory is refused before the open: opening one without backup semantics fails anyway,
// but only a plain file is read.
std::optional<std::string> ReadSettingsFileHead(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return std::nullopt;
  const FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.ok()) return std::nullopt;
  std::string head(kSettingsReadLimit, '\0');
  std::size_t got = 0;
  while (got < kSettingsReadLimit) {
    DWORD count = 0;
    if (!ReadFile(file.get(), head.data() + got, static_cast<DWORD>(kSettingsReadLimit - got),
                  &count, nullptr))
      return std::nullopt;
    if (count == 0) break;
    got += count;
  }
  head.resize(got);
  return head;
}

}  // namespace platform
