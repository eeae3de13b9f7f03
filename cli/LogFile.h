#pragma once
// --log FILE: one CSV line per device, appended as soon as the device is done, so that a bench
// log survives an interrupted run. The columns are Header()'s; the separator is a comma, or a
// semicolon (with a decimal comma in the seconds) for a spreadsheet of a country that writes
// decimals with a comma, since such a spreadsheet reads only semicolons as column breaks.
#include <cstdio>
#include <mutex>
#include <string>

#include "cli/Job.h"
#include "cli/Messages.h"

namespace flash {

class LogFile {
 public:
  LogFile() = default;
  ~LogFile();
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;

  // Opens job.log for appending; a new or empty file gets the header line first, written with
  // job.logSeparator. A file that already has a header keeps its own separator; one whose first
  // line is another header (an older orb42-flash's columns) is refused, so that no file ever
  // mixes two kinds of line. false with *error (the system's message) when it cannot.
  bool Open(const Job& job, std::string* error);
  // One line for the device; safe from any thread. false with *error (the system's message and
  // the line that was lost) when the line could not be written, a full disk for instance.
  bool Append(const Port& port, const DeviceReport& report, std::string* error);
  std::size_t LinesLost() const;
  char Separator() const { return separator_; }

  // A field quoted when it must be (the separator, a quote, a line end).
  static std::string CsvField(const std::string& text, char separator = ',');
  // The column names, with this separator.
  static std::string Header(char separator = ',');

 private:
  bool Write(const std::string& line);

  mutable std::mutex mutex_;
  std::FILE* file_ = nullptr;
  std::string path_;
  char separator_ = ',';
  std::string firmware_, firmwareSha256_;
  std::size_t linesLost_ = 0;
};

}  // namespace flash
