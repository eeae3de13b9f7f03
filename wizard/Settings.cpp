#include "wizard/Settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>

#include "wizard/ProgramError.h"

namespace {

constexpr std::string_view kKey = "Langue";
constexpr std::size_t kReadLimit = 200;   // only the head of the file counts
constexpr std::size_t kLongestDir = 197;  // what fits the directory buffer with its NUL
constexpr const char* kFileName = "/BrennalV1.CFG";

// Blanks and every control character, as the original trim took them: all bytes up to 0x20.
bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= 0x20;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view ValueOfEntry(std::string_view text) {
  const std::size_t key = text.find(kKey);
  if (key != std::string_view::npos) text.remove_prefix(key);
  text = Trim(text);
  const std::size_t equals = text.find('=');
  const std::size_t semicolon = text.find(';');
  if (semicolon == std::string_view::npos) return {};
  if (equals == std::string_view::npos) return Trim(text.substr(0, semicolon));
  if (semicolon < equals) return {};
  return Trim(text.substr(equals + 1, semicolon - equals - 1));
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Hexadecimal digits up to 0xFFFFFFFF, returned as that 32-bit pattern.
std::optional<std::int32_t> ParseHex(std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : digits) {
    const int digit = HexDigit(c);
    if (digit < 0) return std::nullopt;
    value = value * 16 + static_cast<std::uint64_t>(digit);
    if (value > 0xFFFFFFFFu) return std::nullopt;
  }
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

std::optional<std::int32_t> ParseDecimal(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > limit) return std::nullopt;
  }
  return static_cast<std::int32_t>(negative ? -value : value);
}

std::optional<std::int32_t> ParseInteger(std::string_view text) {
  if (text.size() >= 1 && text.front() == '$') return ParseHex(text.substr(1));
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    return ParseHex(text.substr(2));
  return ParseDecimal(text);
}

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

// The first bytes of a regular file, or nothing when it is not one or cannot be read.
// O_NONBLOCK keeps a FIFO in the file's place from hanging the start-up; it is refused below.
std::optional<std::string> ReadHead(const std::string& path) {
  const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  struct stat info {};
  if (file.get() < 0 || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode))
    return std::nullopt;
  std::string head(kReadLimit, '\0');
  std::size_t got = 0;
  while (got < kReadLimit) {
    const ssize_t n = ::read(file.get(), head.data() + got, kReadLimit - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  head.resize(got);
  return head;
}

}  // namespace

std::int32_t ParseLanguageSetting(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  return ParseInteger(ValueOfEntry(text)).value_or(0);
}

std::string SettingsFilePath() {
  const char* fromEnvironment = std::getenv("ORB42_WINDOWS_DIR");
  const std::string dir =
      fromEnvironment != nullptr && *fromEnvironment != '\0' ? fromEnvironment : "/etc";
  if (dir.size() > kLongestDir) return {};
  return dir + kFileName;
}

std::int32_t ReadLanguageSettingFile() {
  const std::string path = SettingsFilePath();
  struct stat info {};
  if (path.empty() || ::stat(path.c_str(), &info) != 0) return 0;
  const std::optional<std::string> head = ReadHead(path);
  if (!head) throw ProgramError("Cannot open file " + path);
  return ParseLanguageSetting(*head);
}
