// The log file on Linux: open(2) without waiting, the sticky-folder rule for symbolic links, and
// a write that is undone with ftruncate when it does not go in whole.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "platform/AppendFile.h"

namespace platform {

namespace {

// The rule of fs.protected_symlinks: a link in a sticky folder that others may write to is
// followed only by its owner, or when it belongs to the folder's owner.
bool PlantedLink(const std::string& path) {
  struct stat link {};
  if (lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return false;
  std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (folder.empty()) folder = ".";
  struct stat dir {};
  if (stat(folder.c_str(), &dir) != 0) return false;
  const bool shared = (dir.st_mode & S_ISVTX) && (dir.st_mode & S_IWOTH);
  return shared && link.st_uid != geteuid() && link.st_uid != dir.st_uid;
}

}  // namespace

AppendFile::~AppendFile() {
  Close();
}

bool AppendFile::IsOpen() const {
  return fd_ >= 0;
}

void AppendFile::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  regular_ = false;
}

// A FIFO is opened for writing only, without waiting: with no reader the open fails at once
// (ENXIO). Anything else is opened for reading too, so that a regular file's first line can be
// read on the descriptor that was checked (no second open that a swapped name could redirect).
int AppendFile::Open(const std::string& path, Refusal* refusal) {
  Close();
  if (refusal) *refusal = Refusal::None;
  if (PlantedLink(path)) {
    if (refusal) *refusal = Refusal::PlantedLink;
    return 0;
  }
  struct stat before {};
  const bool fifo = stat(path.c_str(), &before) == 0 && S_ISFIFO(before.st_mode);
  const int flags =
      (fifo ? O_WRONLY : O_RDWR) | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
  fd_ = open(path.c_str(), flags, 0666);
  if (fd_ < 0) {
    const int error = errno;
    if (error == ENXIO && fifo && refusal) *refusal = Refusal::NoReader;
    return error == ENXIO && fifo ? 0 : error;
  }
  // Only the open must not wait; a reader that is slow to take the lines may hold the writes.
  const int now = fcntl(fd_, F_GETFL);
  if (now >= 0) fcntl(fd_, F_SETFL, now & ~O_NONBLOCK);
  struct stat opened {};
  regular_ = fstat(fd_, &opened) == 0 && S_ISREG(opened.st_mode);
  return 0;
}

std::string AppendFile::Head(std::size_t max) const {
  if (!regular_) return {};
  std::string head(max, '\0');
  const ssize_t got = pread(fd_, head.data(), max, 0);
  head.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return head;
}

bool AppendFile::EndsWithLineEnd() const {
  if (!regular_) return true;
  struct stat now {};
  if (fstat(fd_, &now) != 0 || now.st_size == 0) return true;
  char last = '\n';
  return pread(fd_, &last, 1, now.st_size - 1) != 1 || last == '\n';
}

int AppendFile::Append(const std::string& text) {
  if (fd_ < 0) return EBADF;
  struct stat before {};
  const bool sized = regular_ && fstat(fd_, &before) == 0;
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd_, text.data() + done, text.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    const int error = n < 0 ? errno : EIO;
    if (sized && ftruncate(fd_, before.st_size) != 0) {
      // The half line stays; the next one still starts on a line of its own (EndsWithLineEnd).
    }
    return error;
  }
  return 0;
}

}  // namespace platform
