// The log file on Windows: CreateFileW on the UTF-16 path (a folder name outside the ANSI code
// page works), every line written at the end, and a write that does not go in whole cut back
// with SetEndOfFile. Windows has no FIFO to wait on: a named pipe with no server fails its open.
#include <windows.h>

#include "platform/AppendFile.h"
#include "platform/Win32Utf.h"

namespace platform {

namespace {

HANDLE Handle(void* h) {
  return static_cast<HANDLE>(h);
}

bool ReadAt(HANDLE file, std::int64_t offset, char* buffer, DWORD size, DWORD* got) {
  LARGE_INTEGER at;
  at.QuadPart = offset;
  return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) &&
         ReadFile(file, buffer, size, got, nullptr);
}

}  // namespace

AppendFile::~AppendFile() {
  Close();
}

bool AppendFile::IsOpen() const {
  return handle_ != nullptr;
}

void AppendFile::Close() {
  if (handle_) CloseHandle(Handle(handle_));
  handle_ = nullptr;
  regular_ = false;
}

int AppendFile::Open(const std::string& path, Refusal* refusal) {
  Close();
  if (refusal) *refusal = Refusal::None;
  const HANDLE file = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return static_cast<int>(GetLastError());
  handle_ = file;
  regular_ = GetFileType(file) == FILE_TYPE_DISK;
  return 0;
}

std::string AppendFile::Head(std::size_t max) const {
  if (!regular_) return {};
  std::string head(max, '\0');
  DWORD got = 0;
  if (!ReadAt(Handle(handle_), 0, head.data(), static_cast<DWORD>(max), &got)) got = 0;
  head.resize(got);
  return head;
}

bool AppendFile::EndsWithLineEnd() const {
  if (!regular_) return true;
  LARGE_INTEGER size;
  if (!GetFileSizeEx(Handle(handle_), &size) || size.QuadPart == 0) return true;
  char last = '\n';
  DWORD got = 0;
  return !ReadAt(Handle(handle_), size.QuadPart - 1, &last, 1, &got) || got != 1 || last == '\n';
}

int AppendFile::Append(const std::string& text) {
  if (!handle_) return ERROR_INVALID_HANDLE;
  const HANDLE file = Handle(handle_);
  LARGE_INTEGER before{};
  const bool sized = regular_ && GetFileSizeEx(file, &before);
  LARGE_INTEGER zero{};
  if (regular_) SetFilePointerEx(file, zero, nullptr, FILE_END);
  std::size_t done = 0;
  while (done < text.size()) {
    DWORD wrote = 0;
    if (WriteFile(file, text.data() + done, static_cast<DWORD>(text.size() - done), &wrote,
                  nullptr) &&
        wrote > 0) {
      done += wrote;
      continue;
    }
    const DWORD error = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
    if (sized && SetFilePointerEx(file, before, nullptr, FILE_BEGIN)) SetEndOfFile(file);
    return static_cast<int>(error);
  }
  return 0;
}

}  // namespace platform
