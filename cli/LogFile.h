#pragma once
// --log FILE: one CSV line per device, appended as soon as the device is done, so that a bench
// log survives an interrupted run: time, port, serial number, version before, outcome, seconds.
#include <cstdio>
#include <mutex>
#include <string>

#include "cli/Messages.h"

namespace flash {

class LogFile {
 public:
  LogFile() = default;
  ~LogFile();
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;

  // Opens path for appending (a new or empty file gets the header line first); false with
  // *error (the system's message) when it cannot, or cannot write the header.
  bool Open(const std::string& path, std::string* error);
  // One line for the device; safe from any thread. false with *error (the system's message and
  // the line that was lost) when the line could not be written, a full disk for instance.
  bool Append(const Port& port, const DeviceReport& report, std::string* error);

  // A field quoted when it must be (a comma, a quote, a line end).
  static std::string CsvField(const std::string& text);
  std::size_t LinesLost() const;
  static const char* Header();

 private:
  bool Write(const std::string& line);

  mutable std::mutex mutex_;
  std::FILE* file_ = nullptr;
  std::string path_;
  std::size_t linesLost_ = 0;
};

}  // namespace flash
