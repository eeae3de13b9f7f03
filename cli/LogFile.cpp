#include "cli/LogFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "cli/Words.h"

#ifndef ORB42_VERSION
#define ORB42_VERSION "unknown"
#endif

namespace flash {

namespace {

const std::vector<const char*>& Columns() {
  static const std::vector<const char*> columns = {"time",
                                                   "port",
                                                   "serial_number",
                                                   "version_before",
                                                   "version_after",
                                                   "outcome",
                                                   "cause",
                                                   "speed",
                                                   "seconds",
                                                   "repairs",
                                                   "firmware",
                                                   "firmware_sha256",
                                                   "orb42_flash_version"};
  return columns;
}

// The first line of an existing regular file, without its line end, read up to a header's
// length and a little more; empty for a new or empty file, and for anything that is not a
// regular file (/dev/null, /dev/full, a pipe), which has no header to keep.
std::string FirstLine(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return {};
  std::ifstream in(path, std::ios::binary);
  std::string line(512, '\0');
  in.read(line.data(), static_cast<std::streamsize>(line.size()));
  line.resize(static_cast<std::size_t>(in.gcount()));
  line = line.substr(0, line.find('\n'));
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace

LogFile::~LogFile() {
  if (file_) std::fclose(file_);
}

std::string LogFile::Header(char separator) {
  std::string header;
  for (const char* column : Columns())
    header += (header.empty() ? "" : std::string(1, separator)) + column;
  return header;
}

bool LogFile::Open(const Job& job, std::string* error) {
  const std::string& path = job.log;
  separator_ = job.logSeparator;
  const std::string first = FirstLine(path);
  if (!first.empty()) {
    if (first == Header(',')) {
      separator_ = ',';
    } else if (first == Header(';')) {
      separator_ = ';';
    } else {
      if (error)
        *error = Say({"le journal {0} a d'autres colonnes (d'un ancien orb42-flash ?) : nommez un "
                      "nouveau fichier, pour qu'aucun fichier ne mélange deux sortes de lignes",
                      "the log file {0} has other columns (an older orb42-flash's?): name a new "
                      "file, so that no file mixes two kinds of line"},
                     {path});
      return false;
    }
  }
  file_ = std::fopen(path.c_str(), "a");
  if (!file_) {
    if (error)
      *error =
          Say({"impossible d'ouvrir le journal {0} : {1}", "cannot open the log file {0}: {1}"},
              {path, std::strerror(errno)});
    return false;
  }
  std::fseek(file_, 0, SEEK_END);
  if (std::ftell(file_) == 0 && !Write(Header(separator_))) {
    if (error)
      *error = Say({"impossible d'écrire dans le journal {0} : {1}",
                    "cannot write to the log file {0}: {1}"},
                   {path, std::strerror(errno)});
    std::fclose(file_);
    file_ = nullptr;
    return false;
  }
  path_ = path;
  firmware_ = job.firmware.empty() ? "built-in" : job.firmware;
  firmwareSha256_ = job.firmwareSha256;
  return true;
}

// The whole line reaches the system or the call fails: a full disk shows at the flush.
bool LogFile::Write(const std::string& line) {
  const bool written = std::fprintf(file_, "%s\n", line.c_str()) >= 0;
  const bool flushed = std::fflush(file_) == 0;
  const bool ok = written && flushed && !std::ferror(file_);
  const int error = errno;
  std::clearerr(file_);  // the next line tries again
  errno = error;
  return ok;
}

std::size_t LogFile::LinesLost() const {
  std::lock_guard lock(mutex_);
  return linesLost_;
}

std::string LogFile::CsvField(const std::string& text, char separator) {
  if (text.find_first_of(std::string("\"\r\n") + separator) == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

bool LogFile::Append(const Port& port, const DeviceReport& report, std::string* error) {
  const update::RunResult& r = report.result;
  // The device's own time, from its answer to the port closed; a device that never answered
  // was called for callingMs.
  std::string seconds = Seconds(r.updateMs > 0 ? r.updateMs : r.callingMs);
  if (separator_ == ';') seconds.replace(seconds.find('.'), 1, ",");
  const bool programmed =
      r.stage == update::Stage::Switching || r.stage == update::Stage::Programming;
  const std::vector<std::string> fields = {UtcTimestamp(),
                                           port.Label(),
                                           r.device.serialNumber ? SerialText(r.device) : "",
                                           r.device.versionMajor ? VersionText(r.device) : "",
                                           VersionAfter(r),
                                           OutcomeKey(r),
                                           report.cause,
                                           programmed ? std::to_string(r.speed) : "",
                                           seconds,
                                           std::to_string(r.repairs),
                                           firmware_,
                                           firmwareSha256_,
                                           ORB42_VERSION};
  std::string line;
  for (const std::string& field : fields)
    line += (line.empty() ? "" : std::string(1, separator_)) + CsvField(field, separator_);
  std::lock_guard lock(mutex_);
  if (!file_) return true;
  if (Write(line)) return true;
  ++linesLost_;
  if (error)
    *error =
        Say({"impossible d'écrire dans le journal {0} ({1}) : la ligne de {2} est perdue : {3}",
             "cannot write to the log file {0} ({1}): the line of {2} is lost: {3}"},
            {path_, std::strerror(errno), WhoText(port.Label(), r.device), line});
  return false;
}

}  // namespace flash
