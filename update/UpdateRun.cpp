#include "update/UpdateRun.h"

#include <algorithm>

#include "platform/Clock.h"
#include "platform/SystemError.h"
#include "update/Session.h"

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

// The session's pieces back to back, with the bench's own policy around them: how long to
// call, a missing port waited for or not, a stop asked for between two pieces.
class Run {
 public:
  Run(CP03& link, const RunOptions& options, RunObserver& observer)
      : link_(link),
        options_(options),
        observer_(observer),
        session_(link, SessionOptionsOf(options)) {}

  RunResult Go() {
    const std::uint64_t start = Now();
    if (StopAsked()) {
      End(Outcome::Stopped);  // nothing begun, nothing to tell
      return result_;
    }
    observer_.OnStage(options_.id, Stage::Calling);
    const bool answered = Call(start);
    result_.callingMs = Now() - start;
    const std::uint64_t answeredAt = Now();
    if (answered) {
      if (Check() && options_.program && SwitchSpeed()) Program();
      observer_.OnStage(options_.id, Stage::Finishing);
      session_.GiveUp();
      session_.Advance();
    } else {
      link_.Close();
    }
    result_.updateMs = answered ? Now() - answeredAt : 0;
    result_.repairs = session_.Repairs();
    result_.versionAfter = session_.VersionAfter();
    return result_;
  }

 private:
  static SessionOptions SessionOptionsOf(const RunOptions& options) {
    SessionOptions out;
    out.program = options.program;
    out.speed = options.speed;
    out.image = options.image;
    out.stop = options.stop;
    out.trace = options.trace;
    out.verify = options.verify;
    return out;
  }

  bool StopAsked() const { return options_.stop && options_.stop(); }

  void End(Outcome outcome, LinkError error = LinkOk) {
    result_.outcome = outcome;
    result_.error = error;
  }
  // The same, for the steps that say with false that the run goes no further.
  bool Ended(Outcome outcome, LinkError error = LinkOk) {
    End(outcome, error);
    return false;
  }

  bool TimeUp(std::uint64_t start) const {
    return options_.waitSeconds && Now() - start >= std::uint64_t{*options_.waitSeconds} * 1000;
  }

  // Calls until the loader answers. A port that cannot be opened ends the run at once, unless
  // its node is only missing for now (a cable being plugged in) and the caller, or an earlier
  // open in this run, says it is worth waiting for.
  bool Call(std::uint64_t start) {
    bool portWorked = false;
    for (;;) {
      if (StopAsked()) return Ended(Outcome::Stopped);
      const SessionEvent call = session_.Advance();
      if (call.kind == SessionEvent::Kind::Answered) return true;
      if (!call.portFailed) {
        portWorked = true;
      } else if (!PortMissing(call.error) || !(options_.waitForPort || portWorked)) {
        return Ended(Outcome::PortFailed, call.error);
      }
      if (TimeUp(start))
        return Ended(call.portFailed ? Outcome::PortFailed : Outcome::NoAnswer, call.error);
      if (call.portFailed && !Pause(kPortPollMs, options_.stop)) return Ended(Outcome::Stopped);
    }
  }

  // The checks; true when all passed. What they read goes to the observer once they are over,
  // however they ended.
  bool Check() {
    result_.stage = Stage::Checking;
    observer_.OnStage(options_.id, Stage::Checking);
    Verdict verdict = Verdict::Pass();
    while (session_.Next() == Session::Piece::Check && session_.CheckStage < kCheckProgramming) {
      const SessionEvent event = session_.Advance();
      if (event.kind == SessionEvent::Kind::Verdict) {
        verdict = event.verdict;
        break;
      }
      if (StopAsked()) {
        verdict = Verdict::Stop();
        break;
      }
    }
    result_.device = session_.Facts();
    observer_.OnDevice(options_.id, result_.device);
    switch (verdict.kind) {
      case Verdict::Kind::Passed:
        if (!options_.program) End(Outcome::WouldUpdate);
        return true;
      case Verdict::Kind::Refused:
        result_.refusal = verdict.refusal;
        End(verdict.refusal == Refusal::Version ? Outcome::UpToDate : Outcome::Refused);
        return false;
      case Verdict::Kind::LinkFailed:
        End(Outcome::LinkFailed, verdict.error);
        return false;
      case Verdict::Kind::Stopped:
        End(Outcome::Stopped);
        return false;
    }
    return false;
  }

  bool SwitchSpeed() {
    if (session_.Next() == Session::Piece::Switch) {
      result_.stage = Stage::Switching;
      observer_.OnStage(options_.id, Stage::Switching);
      const SessionEvent event = session_.Advance();
      if (event.kind == SessionEvent::Kind::Verdict)
        return Ended(Outcome::LinkFailed, event.verdict.error);
    }
    result_.speed = session_.Speed();
    result_.speedRefused = session_.SpeedRefused();
    observer_.OnSpeed(options_.id, result_.speed, result_.speedRefused);
    if (StopAsked()) return Ended(Outcome::Stopped);
    return true;
  }

  void Program() {
    result_.stage = Stage::Programming;
    observer_.OnStage(options_.id, Stage::Programming);
    const SessionEvent prepared = session_.Advance();  // unlock and programming mode
    if (prepared.kind == SessionEvent::Kind::Verdict)
      return End(Outcome::LinkFailed, prepared.verdict.error);
    const std::size_t count = session_.RecordCount();
    result_.recordCount = count;
    observer_.OnProgress(options_.id, 0, count);
    for (;;) {
      if (StopAsked()) return End(Outcome::Stopped);
      const SessionEvent record = session_.Advance();
      result_.written = session_.Written();
      if (result_.written > 0) result_.programmingBegun = true;
      if (record.kind == SessionEvent::Kind::Verdict) {
        if (record.verdict.kind == Verdict::Kind::Stopped) return End(Outcome::Stopped);
        if (!record.verdict.Passed()) return End(Outcome::LinkFailed, record.verdict.error);
      }
      result_.recordsDone = session_.RecordsDone();
      observer_.OnProgress(options_.id, result_.recordsDone, count);
      if (record.kind == SessionEvent::Kind::Verdict) return End(Outcome::Updated);
    }
  }

  CP03& link_;
  const RunOptions& options_;
  RunObserver& observer_;
  Session session_;
  RunResult result_;
};

}  // namespace

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
  }
  return "?";
}

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
