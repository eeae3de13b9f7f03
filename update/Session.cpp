#include "update/Session.h"

#include <string>
#include <utility>

#include "platform/Clock.h"

namespace update {

namespace {

SessionEvent Event(SessionEvent::Kind kind, Stage stage, std::uint32_t check = kCheckIdentity) {
  SessionEvent event;
  event.kind = kind;
  event.stage = stage;
  event.check = check;
  return event;
}

bool LinkBroke(const Verdict& verdict) {
  return verdict.kind == Verdict::Kind::LinkFailed;
}

}  // namespace

Session::Session(CP03& link, SessionOptions options)
    : link_(link), options_(std::move(options)), repairsAtStart_(link.Repairs()) {
  SetImage(options_.image);
  if (options_.trace) link_.SetTrace(options_.trace);
}

Session::~Session() {
  if (options_.trace) link_.SetTrace({});
}

const char* StageName(Stage stage) {
  switch (stage) {
    case Stage::Calling:
      return "calling";
    case Stage::Checking:
      return "checking";
    case Stage::Switching:
      return "switching";
    case Stage::Programming:
      return "programming";
    case Stage::Finishing:
      return "finishing";
    case Stage::Done:
      return "done";
  }
  return "?";
}

void Session::Restart() {
  next_ = Stage::Calling;
  programmingMode_ = false;
  RecordIndex = 0;
  CheckStage = kCheckIdentity;
  facts_ = {};
  speed_ = loader::kCallSpeed;
  speedRefused_ = false;
  written_ = 0;
  recordsDone_ = 0;
  repairsAtStart_ = link_.Repairs();
  cellsWritten_.clear();
  versionAfter_ = {};
}

void Session::SetImage(const FirmwareRecord* image) {
  options_.image = image;
  recordCount_ = image ? FillRecordTable(image, RecordTable) : FillRecordTable(RecordTable);
}

void Session::BeginChecks() {
  next_ = Stage::Checking;
  CheckStage = kCheckIdentity;
}

void Session::BeginRecords() {
  next_ = Stage::Programming;
  programmingMode_ = true;
}

bool Session::CheckAhead() const {
  return next_ == Stage::Checking || (next_ == Stage::Programming && !programmingMode_);
}

bool Session::RecordAhead() const {
  return next_ == Stage::Programming && programmingMode_ && RecordIndex >= 0 &&
         static_cast<std::size_t>(RecordIndex) < recordCount_ && RecordTable[RecordIndex];
}

SessionEvent Session::Advance() {
  switch (next_) {
    case Stage::Calling:
      return Call();
    case Stage::Checking:
      return Check();
    case Stage::Switching:
      return Switch();
    case Stage::Programming:
      return programmingMode_ ? Record() : Prepare();
    case Stage::Finishing:
      return Finish();
    case Stage::Done:
      break;
  }
  return Event(SessionEvent::Kind::Finished, Stage::Done);
}

// One call: the port opened if it is not, then the call byte and its answer, within a second.
SessionEvent Session::Call() {
  SessionEvent event = Event(SessionEvent::Kind::Unanswered, Stage::Calling);
  if (!link_.IsOpen()) {
    if (const LinkError opened = link_.Open(); opened != LinkOk) {
      event.error = opened;
      event.portFailed = true;
      return event;
    }
  }
  if (const LinkError called = link_.Connect(1); called != LinkOk) {
    event.error = called;
    return event;
  }
  BeginChecks();
  return Event(SessionEvent::Kind::Answered, Stage::Calling);
}

// The checks in the device's order: identity, device type and serial number together, version,
// then programming mode. What each read is kept, also when it refuses; a broken line keeps
// nothing of the check it broke.
SessionEvent Session::Check() {
  switch (CheckStage) {
    case kCheckIdentity: {
      std::string identity;
      const Verdict v = CheckIdentity(link_, identity);
      if (!LinkBroke(v)) facts_.identity = identity;
      if (!v.Passed()) return Over(v, kCheckIdentity);
      CheckStage = kCheckDeviceType;
      return Event(SessionEvent::Kind::Checked, Stage::Checking, kCheckIdentity);
    }
    case kCheckDeviceType: {
      std::uint32_t type = 0;
      const Verdict v = CheckDeviceType(link_, type);
      if (!LinkBroke(v)) facts_.type = type;
      if (!v.Passed()) return Over(v, kCheckDeviceType);
      CheckStage = kCheckSerialNumber;
      [[fallthrough]];  // the serial number in the same piece
    }
    case kCheckSerialNumber: {
      std::uint32_t serial = 0;
      const Verdict v = CheckSerialNumber(link_, serial);
      if (!LinkBroke(v)) facts_.serialNumber = serial;
      if (!v.Passed()) return Over(v, kCheckSerialNumber);
      CheckStage = kCheckVersion;
      return Event(SessionEvent::Kind::Checked, Stage::Checking, kCheckSerialNumber);
    }
    case kCheckVersion: {
      std::uint32_t major = 0, minor = 0;
      const Verdict v = CheckVersion(link_, major, minor);
      if (!LinkBroke(v)) {
        facts_.versionMajor = major;
        facts_.versionMinor = minor;
      }
      if (!v.Passed()) return Over(v, kCheckVersion);
      if (!options_.program) return Over(Verdict::Pass(), kCheckVersion);
      CheckStage = kCheckProgramming;
      next_ = options_.speed != loader::kCallSpeed ? Stage::Switching : Stage::Programming;
      return Event(SessionEvent::Kind::Checked, Stage::Checking, kCheckVersion);
    }
    default:
      return Over(Verdict::Fail(LinkOk), CheckStage);
  }
}

// Unlock and programming mode: the first piece of the programming, and the wizard's last check.
SessionEvent Session::Prepare() {
  const Verdict v = PrepareProgramming(link_);
  if (!v.Passed()) return Over(v, kCheckProgramming);
  programmingMode_ = true;
  return Event(SessionEvent::Kind::Checked, Stage::Programming, kCheckProgramming);
}

// A loader that refuses the faster line stays at the call speed and is programmed there; any
// other failure of the switch is the line's.
SessionEvent Session::Switch() {
  const LinkError error = link_.SetLoaderSpeed(options_.speed);
  if (error == LinkBadAnswer) {
    speedRefused_ = true;
  } else if (error != LinkOk) {
    return Over(Verdict::Fail(error), kCheckProgramming);
  } else {
    speed_ = options_.speed;
  }
  next_ = Stage::Programming;
  return Event(SessionEvent::Kind::Switched, Stage::Switching);
}

// One record of the table. A table that ends without its end record never had the version
// written: that is a failure, never an update.
SessionEvent Session::Record() {
  const std::int32_t i = RecordIndex;
  RecordIndex = i + 1;
  if (i < 0 || static_cast<std::size_t>(i) >= recordCount_ || RecordTable[i] == nullptr)
    return Over(Verdict::Fail(LinkOk));
  const DecodedRecord decoded = DecodeRecord(RecordTable[i]);
  if (decoded.recordType == 1) {
    // The version goes in only once every cell the image wrote holds what was written.
    if (options_.verify) {
      if (const Verdict cells = VerifyCells(); !cells.Passed()) return Over(cells);
    }
    const Verdict verdict = WriteVersion();
    if (verdict.Passed()) recordsDone_ = static_cast<std::size_t>(i) + 1;
    return Over(verdict);
  }
  const RecordResult result = ProgramRecord(link_, RecordTable[i], options_.stop);
  written_ += result.written;
  if (!result.verdict.Passed()) return Over(result.verdict);
  if (decoded.recordType == 0 && decoded.Class() == AddressClass::Eeprom) {
    for (std::uint32_t k = 0; k < decoded.wordCount; ++k)
      cellsWritten_.emplace_back(EepromCellOf(decoded.wordAddress + k), decoded.EepromByte(k));
  }
  recordsDone_ = static_cast<std::size_t>(i) + 1;
  return Event(SessionEvent::Kind::Programmed, Stage::Programming);
}

Verdict Session::VerifyCells() {
  for (const auto& [cell, value] : cellsWritten_) {
    std::uint32_t read = 0;
    if (link_.ReadEepromByte(cell, read) != LinkOk) return Verdict::Fail(link_.LastError());
    if (read != value) return Verdict::Fail(LinkCellMismatch);
  }
  return Verdict::Pass();
}

// Every word of the image has its own acknowledgement by now. From the first byte of the version
// on, the cells may hold the old version, the new one or a mix (the minor cell goes first, so a
// 1.x device already reads 1.5 after it): whatever fails, what the device holds is read back.
Verdict Session::WriteVersion() {
  versionAfter_ = {VersionCells::Kind::Unknown};
  Verdict verdict = Verdict::Pass();
  if (link_.WriteVersion(loader::kNewVersionMajor, loader::kNewVersionMinor) != LinkOk)
    verdict = Verdict::Fail(link_.LastError());
  else if (options_.verify)
    verdict = VerifyVersion();
  if (!verdict.Passed() && verdict.error != LinkVersionMismatch) verdict = ReadBackVersion(verdict);
  if (verdict.Passed())
    versionAfter_ = {VersionCells::Kind::Written, loader::kNewVersionMajor,
                     loader::kNewVersionMinor};
  return verdict;
}

// A version that reads back otherwise is written once more: left as it is, it could read as a
// version newer than this one, and the device would never be offered the update again.
Verdict Session::VerifyVersion() {
  for (int attempt = 0;; ++attempt) {
    std::uint32_t major = 0, minor = 0;
    if (link_.ReadVersion(major, minor) != LinkOk) return Verdict::Fail(link_.LastError());
    if (major == loader::kNewVersionMajor && minor == loader::kNewVersionMinor)
      return Verdict::Pass();
    versionAfter_ = {VersionCells::Kind::ReadBack, major, minor};
    if (attempt > 0) return Verdict::Fail(LinkVersionMismatch);
    link_.NoteRepair("version read back as " + std::to_string(major) + "." + std::to_string(minor) +
                     ", written again");
    if (link_.WriteVersion(loader::kNewVersionMajor, loader::kNewVersionMinor) != LinkOk)
      return Verdict::Fail(link_.LastError());
  }
}

// After a failure while the version was written: the version as the device holds it, read twice
// on a line that is back in step. The new version there is an update done (the failure only
// took an acknowledgement, or a cell that already held its value); anything else leaves the
// failure's verdict, with what was read, or the version unknown when nothing could be read.
Verdict Session::ReadBackVersion(const Verdict& failure) {
  if (!BackInStep(failure.error)) return failure;
  std::uint32_t major = 0, minor = 0;
  // Read as the check reads it, twice; the check refuses 1.5, which is a good read here.
  if (CheckVersion(link_, major, minor).kind == Verdict::Kind::LinkFailed) return failure;
  versionAfter_ = {VersionCells::Kind::ReadBack, major, minor};
  if (major != loader::kNewVersionMajor || minor != loader::kNewVersionMinor) return failure;
  link_.NoteRepair("version read back as " + std::to_string(major) + "." + std::to_string(minor) +
                   " after the failure of its write: the device is updated");
  return Verdict::Pass();
}

// On a line that still answers, a resynchronisation; on one that broke off (a cable pulled out
// and plugged back in), the port opened afresh and the device called again, first at the speed
// it was left at, then at the call speed. The device keeps its memories meanwhile.
bool Session::BackInStep(LinkError failure) {
  if (link_.IsOpen() && link_.Connected() && !IsSystemError(failure))
    return link_.Resynchronise() == LinkOk;
  constexpr std::uint64_t kReopenMs = 1500;
  link_.Close();
  const std::uint64_t end = platform::TickCount() + kReopenMs;
  while (link_.Open() != LinkOk) {
    if (platform::TickCount() >= end) return false;
    platform::SleepMs(250);
  }
  for (const std::int32_t speed : {speed_, loader::kCallSpeed}) {
    link_.SetSpeed(speed);
    if (link_.Connect(1) == LinkOk) return true;
    if (speed == loader::kCallSpeed) break;
  }
  return false;
}

SessionEvent Session::Finish() {
  update::Finish(link_);
  next_ = Stage::Done;
  return Event(SessionEvent::Kind::Finished, Stage::Finishing);
}

// The verdict of the piece that just ran, in the stage it ran in; the finish comes next.
SessionEvent Session::Over(const Verdict& verdict, std::uint32_t check) {
  SessionEvent event = Event(SessionEvent::Kind::Verdict, next_, check);
  event.verdict = verdict;
  next_ = Stage::Finishing;
  return event;
}

}  // namespace update
