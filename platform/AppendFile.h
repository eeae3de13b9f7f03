#pragma once
// A file that lines are appended to (orb42-flash's --log): created when missing, never truncated
// at the open, and never waited on. A line goes in whole or not at all: a write cut short (a full
// disk) is cut back, so that the next line never continues half of one.
#include <cstdint>
#include <string>

namespace platform {

class AppendFile {
 public:
  // Why the program itself refused to open a path (the system's code is then 0).
  enum class Refusal {
    None,
    // A symbolic link in a folder that everyone may write to and that is sticky (/tmp), owned by
    // someone other than the user and the folder's owner: another user may have planted it to
    // make this program write where they cannot. Refused as the kernel's protected_symlinks
    // would, also where that protection is off.
    PlantedLink,
    NoReader,  // a FIFO that nobody reads: opening it would wait for one
  };

  AppendFile() = default;
  ~AppendFile();
  AppendFile(const AppendFile&) = delete;
  AppendFile& operator=(const AppendFile&) = delete;

  // 0, or the system's error code (errno; GetLastError() on Windows); *refusal says when the
  // program refused on its own. The path is UTF-8 on both systems.
  int Open(const std::string& path, Refusal* refusal);
  bool IsOpen() const;
  void Close();
  // A regular file, which has a first line to read and a length to cut back to (not a pipe, a
  // terminal, /dev/null).
  bool Regular() const { return regular_; }
  // The first bytes of a regular file (up to max), and whether it ends with a line end (true for
  // an empty file and for anything that is not a regular file).
  std::string Head(std::size_t max) const;
  bool EndsWithLineEnd() const;
  // Appends text whole; 0, or the system's error code after the file was cut back to the length
  // it had before.
  int Append(const std::string& text);

 private:
#if defined(_WIN32)
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
  bool regular_ = false;
};

}  // namespace platform
