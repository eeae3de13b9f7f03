#pragma once
// --log FILE: one CSV line per device, appended as soon as the device is done, so that a bench
// log survives an interrupted run. The columns are Header()'s; the separator is a comma, or a
// semicolon (with a decimal comma in the seconds) for a spreadsheet of a country that writes
// decimals with a comma, since such a spreadsheet reads only semicolons as column breaks.
#include <mutex>
#include <string>

#include "cli/Job.h"
#include "cli/Messages.h"
#include "platform/AppendFile.h"

namespace flash {

class LogFile {
 public:
  LogFile() = default;
  ~LogFile();
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;

  // Opens job.log for appending; a new or empty file gets a UTF-8 byte-order mark (so that a
  // spreadsheet opened by a double click reads the accents right) and the header line first,
  // written with job.logSeparator. A file that already has a header (with or without the mark)
  // keeps its own separator; one whose first line is another header (an older orb42-flash's
  // columns) is refused, so that no file ever mixes two kinds of line. A file whose last line
  // was left half-written (by another program, or an older orb42-flash) gets the next line on a
  // line of its own. false with *error (the system's message) when it cannot; it never waits
  // (a FIFO that nobody reads is refused at once), and a symbolic link that another user planted
  // in a shared folder is refused.
  bool Open(const Job& job, std::string* error);
  // One line for the device; safe from any thread. false with *error (the system's message and
  // the line that was lost) when the line could not be written, a full disk for instance: then
  // nothing of it is left in the file.
  bool Append(const Port& port, const DeviceReport& report, std::string* error);
  std::size_t LinesLost() const;

  // A field quoted when it must be (the separator, a quote, a line end).
  static std::string CsvField(const std::string& text, char separator = ',');
  // The column names, with this separator.
  static std::string Header(char separator = ',');

 private:
  int Write(const std::string& line);

  mutable std::mutex mutex_;
  platform::AppendFile file_;
  bool lineEndFirst_ = false;  // the file ends with half a line: start the next one afresh
  std::string path_;
  char separator_ = ',';
  std::string firmware_, firmwareSha256_;
  std::size_t linesLost_ = 0;
};

}  // namespace flash
