#include "update/UpdateRun.h"

#include <algorithm>

#include "platform/Clock.h"
#include "platform/SystemError.h"
#include "update/FirmwareRecord.h"

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

class Run {
 public:
  Run(CP03& link, const RunOptions& options, RunObserver& observer)
      : link_(link), options_(options), observer_(observer) {}

  RunResult Go() {
    const std::uint64_t start = Now();
    observer_.OnStage(Stage::Calling);
    const bool answered = Call(start);
    result_.callingMs = Now() - start;
    const std::uint64_t answeredAt = Now();
    if (answered) {
      if (Check() && options_.program && SwitchSpeed()) Program();
      observer_.OnStage(Stage::Finishing);
      Finish(link_);
    } else {
      link_.Close();
    }
    result_.updateMs = answered ? Now() - answeredAt : 0;
    return result_;
  }

 private:
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

  // Opens the port if needed and calls until the loader answers. A port that cannot be opened
  // ends the run at once, unless its node is only missing for now (a cable being plugged in)
  // and the caller, or an earlier open in this run, says it is worth waiting for.
  bool Call(std::uint64_t start) {
    bool portWorked = false;
    for (;;) {
      if (StopAsked()) return Ended(Outcome::Stopped);
      LinkError openError = LinkOk;
      if (!link_.IsOpen()) {
        openError = link_.Open();
        if (openError != LinkOk) {
          link_.Close();  // a port that opened but could not be set up is let go as well
          if (!PortMissing(openError) || !(options_.waitForPort || portWorked))
            return Ended(Outcome::PortFailed, openError);
        } else {
          portWorked = true;
        }
      }
      LinkError callError = openError;
      if (openError == LinkOk) {
        callError = link_.Connect(1);
        if (callError == LinkOk) return true;
      }
      if (TimeUp(start)) {
        if (openError != LinkOk) return Ended(Outcome::PortFailed, openError);
        return Ended(Outcome::NoAnswer, callError);
      }
      if (openError != LinkOk && !Pause(kPortPollMs, options_.stop)) return Ended(Outcome::Stopped);
    }
  }

  // The checks in the device's order; true when all passed. What they read goes to the
  // observer once they are over, however they ended.
  bool Check() {
    result_.stage = Stage::Checking;
    observer_.OnStage(Stage::Checking);
    const Verdict verdict = RunChecks();
    observer_.OnDevice(result_.device);
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

  Verdict RunChecks() {
    DeviceFacts& facts = result_.device;
    std::string identity;
    Verdict v = CheckIdentity(link_, identity);
    if (v.kind != Verdict::Kind::LinkFailed) facts.identity = identity;
    if (!v.Passed()) return v;
    if (StopAsked()) return Verdict::Stop();
    std::uint32_t type = 0;
    v = CheckDeviceType(link_, type);
    if (v.kind != Verdict::Kind::LinkFailed) facts.type = type;
    if (!v.Passed()) return v;
    if (StopAsked()) return Verdict::Stop();
    std::uint32_t serial = 0;
    v = CheckSerialNumber(link_, serial);
    if (v.kind != Verdict::Kind::LinkFailed) facts.serialNumber = serial;
    if (!v.Passed()) return v;
    if (StopAsked()) return Verdict::Stop();
    std::uint32_t major = 0, minor = 0;
    v = CheckVersion(link_, major, minor);
    if (v.kind != Verdict::Kind::LinkFailed) {
      facts.versionMajor = major;
      facts.versionMinor = minor;
    }
    if (!v.Passed()) return v;
    return StopAsked() ? Verdict::Stop() : v;
  }

  // A loader that refuses the faster line is programmed at 9600; any other failure of the
  // switch is the line's.
  bool SwitchSpeed() {
    result_.speed = 9600;
    if (options_.speed != 9600) {
      result_.stage = Stage::Switching;
      observer_.OnStage(Stage::Switching);
      const LinkError error = link_.SetLoaderSpeed(options_.speed);
      if (error == LinkBadAnswer) {
        result_.speedRefused = true;
      } else if (error != LinkOk) {
        End(Outcome::LinkFailed, error);
        return false;
      } else {
        result_.speed = options_.speed;
      }
    }
    observer_.OnSpeed(result_.speed, result_.speedRefused);
    if (StopAsked()) return Ended(Outcome::Stopped);
    return true;
  }

  void Program() {
    result_.stage = Stage::Programming;
    observer_.OnStage(Stage::Programming);
    const Verdict prepared = PrepareProgramming(link_);
    if (!prepared.Passed()) return End(Outcome::LinkFailed, prepared.error);
    RecordTable table{};
    const std::size_t count =
        options_.image ? FillRecordTable(options_.image, table) : FillRecordTable(table);
    result_.recordCount = count;
    observer_.OnProgress(0, count);
    for (std::size_t i = 0; i < count; ++i) {
      if (StopAsked()) return End(Outcome::Stopped);
      const RecordResult record = ProgramRecord(link_, table[i], options_.stop);
      result_.written += record.written;
      if (record.written > 0) result_.programmingBegun = true;
      if (record.verdict.kind == Verdict::Kind::Stopped) return End(Outcome::Stopped);
      if (!record.verdict.Passed()) return End(Outcome::LinkFailed, record.verdict.error);
      result_.recordsDone = i + 1;
      observer_.OnProgress(i + 1, count);
      if (record.endOfImage) return End(Outcome::Updated);
    }
    // Unreachable with a checked image, which always ends with its end record; an image
    // without one never had its version written, so it is not an update.
    End(Outcome::LinkFailed, LinkOk);
  }

  CP03& link_;
  const RunOptions& options_;
  RunObserver& observer_;
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
  return IsSystemError(error) && platform::ClassifyPortError(error) == platform::PortFailure::Missing;
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
