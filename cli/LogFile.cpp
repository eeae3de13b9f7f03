#include "cli/LogFile.h"

#include <vector>

#include "cli/Words.h"
#include "platform/SystemError.h"

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

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

// The first line of what a file holds, without a byte-order mark and its line end.
std::string FirstLine(const std::string& head) {
  std::string line = head.substr(0, head.find('\n'));
  if (line.rfind(kByteOrderMark, 0) == 0) line.erase(0, 3);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace

LogFile::~LogFile() = default;

std::string LogFile::Header(char separator) {
  std::string header;
  for (const char* column : Columns())
    header += (header.empty() ? "" : std::string(1, separator)) + column;
  return header;
}

bool LogFile::Open(const Job& job, std::string* error) {
  const std::string& path = job.log;
  separator_ = job.logSeparator;
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    file_.Close();
    return false;
  };
  platform::AppendFile::Refusal refusal = platform::AppendFile::Refusal::None;
  if (const int code = file_.Open(path, &refusal); code != 0) {
    return fail(
        Say({"impossible d'ouvrir le journal {0} : {1}", "cannot open the log file {0}: {1}"},
            {Shown(path), SystemWords(code)}));
  }
  if (refusal == platform::AppendFile::Refusal::PlantedLink) {
    return fail(Say({"le journal {0} est un lien symbolique d'un autre utilisateur dans un dossier "
                     "où chacun peut écrire : il peut mener à n'importe quel fichier ; nommez un "
                     "fichier à vous",
                     "the log file {0} is another user's symbolic link in a folder that everyone "
                     "may write to: it may lead to any file; name a file of your own"},
                    {Shown(path)}));
  }
  if (refusal == platform::AppendFile::Refusal::NoReader) {
    return fail(Say({"personne ne lit le tube {0} : lancez d'abord ce qui le lit",
                     "nobody reads the pipe {0}: start what reads it first"},
                    {Shown(path)}));
  }
  const std::string head = file_.Head(600);
  const std::string first = FirstLine(head);
  if (!first.empty()) {
    if (first == Header(',')) {
      separator_ = ',';
    } else if (first == Header(';')) {
      separator_ = ';';
    } else {
      return fail(Say({"le journal {0} a d'autres colonnes (d'un ancien orb42-flash ?) : nommez un "
                       "nouveau fichier, pour qu'aucun fichier ne mélange deux sortes de lignes",
                       "the log file {0} has other columns (an older orb42-flash's?): name a new "
                       "file, so that no file mixes two kinds of line"},
                      {Shown(path)}));
    }
  }
  lineEndFirst_ = !file_.EndsWithLineEnd();
  // A new file (or what is not a file: a pipe, a terminal) gets the header; only a file gets the
  // mark, which a program reading a pipe would not expect.
  if (head.empty()) {
    const std::string mark = file_.Regular() ? kByteOrderMark : "";
    if (const int code = Write(mark + Header(separator_)); code != 0) {
      return fail(Say({"impossible d'écrire dans le journal {0} : {1}",
                       "cannot write to the log file {0}: {1}"},
                      {Shown(path), SystemWords(code)}));
    }
  }
  path_ = Shown(path);
  firmware_ = job.firmware.empty() ? "built-in" : Shown(job.firmware);
  firmwareSha256_ = job.firmwareSha256;
  return true;
}

// The whole line, or nothing of it.
int LogFile::Write(const std::string& line) {
  const int code = file_.Append((lineEndFirst_ ? "\n" : "") + line + "\n");
  if (code == 0) lineEndFirst_ = false;
  return code;
}

std::size_t LogFile::LinesLost() const {
  std::lock_guard lock(mutex_);
  return linesLost_;
}

// A field that a spreadsheet would take for a formula (=, +, -, @ first: a port named by a link
// called "=HYPERLINK(...)") gets an apostrophe in front, which the spreadsheet shows as text.
std::string LogFile::CsvField(const std::string& raw, char separator) {
  const std::string text =
      !raw.empty() && std::string("=+-@").find(raw.front()) != std::string::npos ? "'" + raw : raw;
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
  if (!file_.IsOpen()) return true;
  const int code = Write(line);
  if (code == 0) return true;
  ++linesLost_;
  if (error)
    *error =
        Say({"impossible d'écrire dans le journal {0} ({1}) : la ligne de {2} est perdue : {3}",
             "cannot write to the log file {0} ({1}): the line of {2} is lost: {3}"},
            {path_, SystemWords(code), WhoText(port.Label(), r.device), line});
  return false;
}

}  // namespace flash
