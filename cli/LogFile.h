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
  // *error (the system's message) when it cannot.
  bool Open(const std::string& path, std::string* error);
  // One line for the device; safe from any thread.
  void Append(const Port& port, const DeviceReport& report);

  // A field quoted when it must be (a comma, a quote, a line end).
  static std::string CsvField(const std::string& text);
  static const char* Header();

 private:
  std::mutex mutex_;
  std::FILE* file_ = nullptr;
};

}  // namespace flash
