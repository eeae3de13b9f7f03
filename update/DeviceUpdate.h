#pragma once
// The device work of one update, shared by the wizard (one piece per timer tick, on its own
// schedule) and the bench updater (in a loop, as fast as the line allows): the five checks and
// their verdicts, the programming of one record, the new version written after the end record,
// and the finish. No window and no widget: each call talks to the device through the link and
// says how it went; what the caller shows, and what it does next, is the caller's business.
#include <cstdint>
#include <functional>
#include <string>

#include "link/Com_p03.h"
#include "link/LoaderFacts.h"

namespace update {

// The devices this program is for.
inline constexpr std::uint32_t kDeviceType = 1;
inline constexpr std::uint32_t kFirstSerialNumber = 300000000;
inline constexpr std::uint32_t kLastSerialNumber = 399999999;

bool SerialNumberValid(std::uint32_t serialNumber);
// Older than the version this program installs: major 0 with any minor, major 1 below minor 5.
bool MayBeUpdated(std::uint32_t major, std::uint32_t minor);

// Why a device is not updated.
enum class Refusal {
  Identity,      // the loader is not the expected one
  SerialNumber,  // outside 300000000 to 399999999
  Version,       // already 1.5, or newer
  DeviceType,    // not type 1
};

struct Verdict {
  enum class Kind {
    Passed,
    Refused,     // the device must not be updated: refusal says why
    LinkFailed,  // the line or the loader failed: error holds the link's code
    Stopped,     // the caller asked to stop (only between two words of a record)
  };
  Kind kind = Kind::Passed;
  Refusal refusal = Refusal::Identity;
  LinkError error = LinkOk;

  bool Passed() const { return kind == Kind::Passed; }
  static Verdict Pass() { return {}; }
  static Verdict Refuse(Refusal why) { return {Kind::Refused, why, LinkOk}; }
  static Verdict Fail(LinkError code) { return {Kind::LinkFailed, Refusal::Identity, code}; }
  static Verdict Stop() { return {Kind::Stopped, Refusal::Identity, LinkOk}; }
};

// The checks, in the order an update runs them on a connected loader. Each sends its own
// commands and no other; the out values hold what was read, also when the verdict refuses. A
// value that decides whether the device is written (type, serial number, version) is read twice,
// and two answers that differ fail with LinkAnswersDiffer; an identity other than "P03" is read
// twice too before the device is refused as another one.
Verdict CheckIdentity(CP03& link);
// The same, and the three characters the loader gave (for a report): "P03" when it passed.
Verdict CheckIdentity(CP03& link, std::string& identity);
Verdict CheckDeviceType(CP03& link, std::uint32_t& type);
Verdict CheckSerialNumber(CP03& link, std::uint32_t& serialNumber);
Verdict CheckVersion(CP03& link, std::uint32_t& major, std::uint32_t& minor);
// Unlocks the loader and puts it in programming mode.
Verdict PrepareProgramming(CP03& link);

struct RecordResult {
  Verdict verdict;
  bool endOfImage = false;    // the end record: the image is in place and the version written
  std::uint32_t written = 0;  // program words or EEPROM cells written by this call
};

// Asked between two words of a record; true stops the record there.
using StopRequested = std::function<bool()>;

// Programs one record of the image (an entry of a RecordTable): its program words, or its
// EEPROM cells, or nothing for a record of a skipped class or an upper-address record. The end
// record writes the new version instead, minor cell first: a device whose update broke off
// anywhere keeps a version that lets the next attempt update it. The first write that fails
// ends the record, its remaining words unsent. With stop, a record can also end between two
// words, and the verdict says Stopped.
RecordResult ProgramRecord(CP03& link, const char* recordText, const StopRequested& stop = {});

// Leaves programming mode, releases the loader and closes the port, without looking at the
// results: by then the update is complete, or given up.
void Finish(CP03& link);

}  // namespace update
