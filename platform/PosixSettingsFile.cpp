// The settings file on Linux: the "Windows directory" is $ORB42_WINDOWS_DIR, /etc by default.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/SettingsFile.h"

namespace platform {
namespace {

constexpr std::size_t kLongestDir = 197;  // what fits the directory buffer with its NUL
constexpr const char* kFileName = "/BrennalV1.CFG";

// Closes the descriptor whatever way the read ends.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

std::string SettingsFilePath() {
  const char* fromEnvironment = std::getenv("ORB42_WINDOWS_DIR");
  const std::string dir =
      fromEnvironment != nullptr && *fromEnvironment != '\0' ? fromEnvironment : "/etc";
  if (dir.size() > kLongestDir) return {};
  return dir + kFileName;
}

// stat() follows links, so a broken link does not exist.
bool SettingsFileExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

// Only a regular file counts. O_NONBLOCK keeps a FIFO in the file's place from hanging the
// start-up; it is refused below.
std::optional<std::string> ReadSettingsFileHead(const std::string& path) {
  const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  struct stat info {};
  if (file.get() < 0 || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode))
    return std::nullopt;
  std::string head(kSettingsReadLimit, '\0');
  std::size_t got = 0;
  while (got < kSettingsReadLimit) {
    const ssize_t n = ::read(file.get(), head.data() + got, kSettingsReadLimit - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  head.resize(got);
  return head;
}

}  // namespace platform
