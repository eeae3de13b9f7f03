#include "cli/LogFile.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>

namespace flash {

namespace {

// "2026-12-10T14:03:27Z": UTC, so that logs of benches in other time zones sort together.
std::string Now() {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm utc{};
#if defined(_WIN32)
  gmtime_s(&utc, &now);
#else
  gmtime_r(&now, &utc);
#endif
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

}  // namespace

LogFile::~LogFile() {
  if (file_) std::fclose(file_);
}

const char* LogFile::Header() {
  return "time,port,serial_number,version_before,outcome,seconds";
}

bool LogFile::Open(const std::string& path, std::string* error) {
  file_ = std::fopen(path.c_str(), "a");
  if (!file_) {
    if (error) *error = "cannot open the log file " + path + ": " + std::strerror(errno);
    return false;
  }
  std::fseek(file_, 0, SEEK_END);
  if (std::ftell(file_) == 0 && !Write(Header())) {
    if (error) *error = "cannot write to the log file " + path + ": " + std::strerror(errno);
    std::fclose(file_);
    file_ = nullptr;
    return false;
  }
  path_ = path;
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

std::string LogFile::CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

bool LogFile::Append(const Port& port, const DeviceReport& report, std::string* error) {
  const update::RunResult& r = report.result;
  const std::string version = r.device.versionMajor ? VersionText(r.device) : "";
  const std::string serial = r.device.serialNumber ? SerialText(r.device) : "";
  // The device's own time, from its answer to the port closed; a device that never answered
  // was called for callingMs.
  const std::uint64_t ms = r.updateMs > 0 ? r.updateMs : r.callingMs;
  const std::string line = Now() + "," + CsvField(port.Label()) + "," + serial + "," + version +
                           "," + OutcomeKey(r) + "," + Seconds(ms);
  std::lock_guard lock(mutex_);
  if (!file_) return true;
  if (Write(line)) return true;
  ++linesLost_;
  if (error)
    *error = "cannot write to the log file " + path_ + " (" + std::strerror(errno) +
             "): the line of " + WhoText(port.Label(), r.device) + " is lost: " + line;
  return false;
}

}  // namespace flash
