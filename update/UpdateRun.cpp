#include "update/UpdateRun.h"

#include <algorithm>

#include "platform/Clock.h"
#include "platform/SystemError.h"

namespace update {

namespace {

constexpr std::uint64_t kPortPollMs = 500;  // how often a missing node is looked for again

std::uint64_t Now() {
  return platform::TickCount();
}

// Sleeps ms in short slices; false as soon as stop asks for an end.
bool Pause(std::uint64_t ms, const std::function<bool()>& stop) {
  const std::uint64_t end = Now() + ms;
  for (std::uint64_t now = Now(); now < end; now = Now()) {
    if (stop && stop()) return false;
    platform::SleepMs(static_cast<std::uint32_t>(std::min<std::uint64_t>(end - now, 100)));
  }
  return !(stop && stop());
}

// The session's pieces back to back, with the bench's own policy around them: how long to call,
// a missing port waited for or not, a stop asked for between two pieces. One loop: advance, tell
// the observer what the piece's event says, end on a verdict or a stop.
class Run {
 public:
  Run(CP03& link, const RunOptions& options, RunObserver& observer)
      : link_(link), options_(options), observer_(observer), session_(link, options.session) {}

  RunResult Go() {
    start_ = Now();
    if (StopAsked()) {
      result_.outcome = Outcome::Stopped;  // nothing begun, nothing to tell
      return result_;
    }
    Stage told = Stage::Done;
    while (session_.Next() != Stage::Done) {
      const Stage stage = session_.Next();
      if (stage != Stage::Finishing && StopAsked()) {
        End(Outcome::Stopped);
        if (!GiveUp(stage)) break;
        continue;
      }
      if (stage != told) Tell(told, stage);
      told = stage;
      if (!React(session_.Advance())) break;
    }
    result_.updateMs = answeredAt_ ? Now() - *answeredAt_ : 0;
    result_.repairs = session_.Repairs();
    result_.versionAfter = session_.VersionAfter();
    return result_;
  }

 private:
  bool StopAsked() const { return options_.session.stop && options_.session.stop(); }

  // A new stage: what the checks read once they are over, then the stage itself.
  void Tell(Stage from, Stage to) {
    if (from == Stage::Checking) {
      result_.device = session_.Facts();
      observer_.OnDevice(options_.id, result_.device);
    }
    if (to == Stage::Programming) {
      result_.speed = session_.Speed();
      result_.speedRefused = session_.SpeedRefused();
      observer_.OnSpeed(options_.id, result_.speed, result_.speedRefused);
    }
    if (to != Stage::Done) observer_.OnStage(options_.id, to);
    if (to != Stage::Finishing && to != Stage::Done) result_.stage = to;
  }

  void End(Outcome outcome, LinkError error = LinkOk) {
    result_.outcome = outcome;
    result_.error = error;
  }

  // The device is let go where it stands. A loader that never answered has nothing to finish:
  // its port is only closed (false: the run is over).
  bool GiveUp(Stage stage) {
    if (stage == Stage::Calling) {
      result_.callingMs = Now() - start_;
      link_.Close();
      return false;
    }
    session_.GiveUp();
    return true;
  }

  // What one piece's event means for the run; false when the run is over.
  bool React(const SessionEvent& event) {
    switch (event.kind) {
      case SessionEvent::Kind::Unanswered:
        return Unanswered(event);
      case SessionEvent::Kind::Answered:
        result_.callingMs = Now() - start_;
        answeredAt_ = Now();
        return true;
      case SessionEvent::Kind::Programmed:
        Programmed();
        return true;
      case SessionEvent::Kind::Verdict:
        Programmed();
        Judge(event);
        return true;
      case SessionEvent::Kind::Checked:
        if (event.check == kCheckProgramming) {  // programming mode: the records come next
          result_.recordCount = session_.RecordCount();
          observer_.OnProgress(options_.id, 0, result_.recordCount);
        }
        return true;
      case SessionEvent::Kind::Switched:
        return true;
      case SessionEvent::Kind::Finished:
        return false;
    }
    return false;
  }

  // A call that went unanswered: call again, unless the time is up or the port cannot be used. A
  // port that cannot be opened ends the run at once, unless its node is only missing for now (a
  // cable being plugged in) and the caller, or an earlier open in this run, says it is worth
  // waiting for.
  bool Unanswered(const SessionEvent& call) {
    if (!call.portFailed) {
      portWorked_ = true;
    } else if (!PortMissing(call.error) || !(options_.waitForPort || portWorked_)) {
      return Ended(Outcome::PortFailed, call.error);
    }
    const bool timeUp =
        options_.waitSeconds && Now() - start_ >= std::uint64_t{*options_.waitSeconds} * 1000;
    if (timeUp) return Ended(call.portFailed ? Outcome::PortFailed : Outcome::NoAnswer, call.error);
    if (call.portFailed && !Pause(kPortPollMs, options_.session.stop)) {
      return Ended(Outcome::Stopped);
    }
    return true;
  }

  bool Ended(Outcome outcome, LinkError error = LinkOk) {
    End(outcome, error);
    result_.callingMs = Now() - start_;
    link_.Close();
    return false;
  }

  void Programmed() {
    result_.written = session_.Written();
    result_.programmingBegun = result_.written > 0;
    if (session_.RecordsDone() == result_.recordsDone) return;
    result_.recordsDone = session_.RecordsDone();
    observer_.OnProgress(options_.id, result_.recordsDone, result_.recordCount);
  }

  // The verdict, in the stage it was given in.
  void Judge(const SessionEvent& event) {
    const Verdict& verdict = event.verdict;
    switch (verdict.kind) {
      case Verdict::Kind::Passed:
        return End(event.stage == Stage::Checking ? Outcome::WouldUpdate : Outcome::Updated);
      case Verdict::Kind::Refused:
        result_.refusal = verdict.refusal;
        return End(verdict.refusal == Refusal::Version ? Outcome::UpToDate : Outcome::Refused);
      case Verdict::Kind::LinkFailed:
        return End(Outcome::LinkFailed, verdict.error);
      case Verdict::Kind::Stopped:
        return End(Outcome::Stopped);
    }
  }

  CP03& link_;
  const RunOptions& options_;
  RunObserver& observer_;
  Session session_;
  RunResult result_;
  std::uint64_t start_ = 0;
  std::optional<std::uint64_t> answeredAt_;
  bool portWorked_ = false;
};

}  // namespace

const char* OutcomeName(Outcome outcome) {
  switch (outcome) {
    case Outcome::Updated:
      return "updated";
    case Outcome::WouldUpdate:
      return "would-update";
    case Outcome::UpToDate:
      return "up-to-date";
    case Outcome::Refused:
      return "refused";
    case Outcome::NoAnswer:
      return "no-answer";
    case Outcome::PortFailed:
      return "port-failed";
    case Outcome::LinkFailed:
      return "transmission-failure";
    case Outcome::Stopped:
      return "stopped";
  }
  return "?";
}

bool PortMissing(LinkError error) {
  return IsSystemError(error) &&
         platform::ClassifyPortError(error) == platform::PortFailure::Missing;
}

RunResult RunUpdate(CP03& link, const RunOptions& options, RunObserver& observer) {
  return Run(link, options, observer).Go();
}

bool WaitUntilSilent(CP03& link, const std::function<bool()>& stop) {
  for (;;) {
    if (stop && stop()) {
      link.Close();
      return false;
    }
    if (!link.IsOpen() && link.Open() != LinkOk) {
      link.Close();
      return true;  // the port itself is gone: so is the device
    }
    const LinkError error = link.Connect(1);
    if (error != LinkOk) return true;  // unanswered (or hung up): the device has gone
    link.Disconnect();                 // still there: let it go and ask again
  }
}

}  // namespace update
