#pragma once
// One update of one device, a piece at a time: a call, one check, the switch to a faster line,
// programming mode, one record, the finish; each piece in one Stage, which its event names. The
// wizard's timer runs one piece a tick on its own schedule; the bench updater runs them back to
// back (UpdateRun) as fast as the line allows. The order of the checks, what each one reads and
// what ends the update live here and nowhere else; what a person sees of it is the caller's
// business.
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "link/Com_p03.h"
#include "link/LoaderFacts.h"
#include "update/DeviceFacts.h"
#include "update/DeviceUpdate.h"
#include "update/FirmwareRecord.h"
#include "update/Stage.h"

namespace update {

struct SessionOptions {
  bool program = true;  // false: the checks only, then the finish
  // The line speed for the programming, a speed of the loader's table; at the call speed the
  // loader is not switched at all (the wizard).
  std::int32_t speed = loader::kCallSpeed;
  const FirmwareRecord* image = nullptr;  // the slots of the image; nullptr: the embedded one
  StopRequested stop;                     // asked between two words of a record
  // Everything the link does while the session has it (orb42-flash --verbose); empty: nothing.
  LinkTraceHook trace;
  // Read back what can be read: before the version is written, every EEPROM cell the image
  // wrote (a difference fails the update, and the version stays the old one); after it, the
  // version (written once more if it reads back otherwise). The loader cannot read program
  // memory: program words are not read back. (Whatever this says, a failure while the version
  // is being written is always followed by a read-back of the version: see VersionAfter.)
  bool verify = false;
};

// The wizard's five device checks of step 8 (CheckStage), by the number of the one that runs
// next; the last one, unlock and programming mode, is the first piece of the Programming stage.
enum CheckStageNumber : std::uint32_t {
  kCheckIdentity = 0,
  kCheckDeviceType = 1,  // and the serial number in the same piece
  kCheckSerialNumber = 2,
  kCheckVersion = 3,
  kCheckProgramming = 4,  // unlock and programming mode
};

// What one piece did.
struct SessionEvent {
  enum class Kind {
    Unanswered,  // a call went unanswered; error: the call's code, or the open's (portFailed)
    Answered,    // the loader answered a call: the checks come next
    Checked,     // a check passed; check: which one (the device's facts hold what it read)
    Switched,    // the line speed for the programming is settled (Speed(), SpeedRefused())
    Programmed,  // one more record is in place (RecordIndex of RecordCount())
    Verdict,     // the device work is over: only the finish is left; verdict says how it ended
    Finished,    // programming left, the loader released, the port closed
  };
  Kind kind = Kind::Unanswered;
  Stage stage = Stage::Calling;          // the stage the piece worked in
  std::uint32_t check = kCheckIdentity;  // Checked, and a verdict given by a check
  Verdict verdict;                       // Verdict: Passed is an update done (checks only:
                                         // every check passed)
  LinkError error = LinkOk;              // Unanswered
  bool portFailed = false;               // Unanswered: the port could not be opened
};

class Session {
 public:
  explicit Session(CP03& link, SessionOptions options = {});
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Starts over with a call, for a new device or another try; the record index goes back to the
  // first record and the facts are forgotten.
  void Restart();
  // The checks start over from the identity (the loader has answered).
  void BeginChecks();
  // The records go on from RecordIndex (programming mode is on).
  void BeginRecords();
  // The stage of the piece the next Advance runs; Done when there is none.
  Stage Next() const { return next_; }
  // The next piece is one of the wizard's five checks of step 8 (CheckStage says which).
  bool CheckAhead() const;
  // The next piece is a record of the table, not the end of a table without an end record.
  bool RecordAhead() const;
  // Runs the next piece and tells what it did and in which stage. After the verdict the next
  // piece is the finish; after the finish there is nothing more to do (Done) until Restart.
  SessionEvent Advance();
  // Gives the update up where it stands: the next piece is the finish.
  void GiveUp() { next_ = Stage::Finishing; }
  // Another image, for tests and a bench's --firmware: refills the record table from its slots
  // (which must outlive the session; nullptr: the embedded image). Before the records start.
  void SetImage(const FirmwareRecord* image);

  const DeviceFacts& Facts() const { return facts_; }
  std::size_t RecordCount() const { return recordCount_; }
  std::int32_t Speed() const { return speed_; }
  bool SpeedRefused() const { return speedRefused_; }
  std::uint32_t Written() const { return written_; }  // program words and EEPROM cells
  // What the version cells hold now, as far as the session knows. Once every word of the image
  // has been acknowledged, a failure while the version is written (a time-out, a wrong answer, a
  // line that broke off) does not end the update on its own: the version is read back (on a
  // line brought back in step, or after calling the device again), and a device that reads the
  // new version is updated; otherwise the verdict is the failure's, with what was read.
  const VersionCells& VersionAfter() const { return versionAfter_; }
  std::size_t RecordsDone() const { return recordsDone_; }  // records programmed
  // The link's repairs since the last Restart: words sent again, calls on a port given up.
  std::uint32_t Repairs() const { return link_.Repairs() - repairsAtStart_; }

  // The records of the image, the next one to program, and the next device check.
  ::RecordTable RecordTable{};
  std::int32_t RecordIndex = 0;
  std::uint32_t CheckStage = kCheckIdentity;

 private:
  SessionEvent Call();
  SessionEvent Check();
  SessionEvent Switch();
  SessionEvent Prepare();
  SessionEvent Record();
  SessionEvent Finish();
  SessionEvent Over(const Verdict& verdict, std::uint32_t check = kCheckIdentity);
  Verdict VerifyCells();
  Verdict WriteVersion();
  Verdict VerifyVersion();
  Verdict ReadBackVersion(const Verdict& failure);
  bool BackInStep(LinkError failure);

  CP03& link_;
  SessionOptions options_;
  Stage next_ = Stage::Calling;
  bool programmingMode_ = false;  // unlocked and in programming mode: the records may go
  DeviceFacts facts_;
  std::size_t recordCount_ = 0;
  std::int32_t speed_ = loader::kCallSpeed;
  bool speedRefused_ = false;
  std::uint32_t written_ = 0;
  std::size_t recordsDone_ = 0;
  std::uint32_t repairsAtStart_ = 0;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> cellsWritten_;  // cell, value
  VersionCells versionAfter_;
};

}  // namespace update
