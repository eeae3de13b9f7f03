#pragma once
// The command line of orb42-flash, read once, in one pass, before anything is said: the language
// (--lang, or the user's) and --json are known before the first message is worded, so that the
// help and every usage error speak the run's language, and a script gets its error event. The
// commands and options themselves are OptionTable's.
#include <optional>
#include <string>

#include "cli/Job.h"
#include "cli/Words.h"

namespace flash {

struct CommandLine {
  enum class Ask {
    Run,      // the job's command-line part is filled
    Help,     // the help of `command` (none: of the program)
    Version,  // the version line
    Error,    // a usage error: `error`, in the run's language
  };
  Ask ask = Ask::Run;
  Language language = Language::English;
  bool json = false;  // --json among the arguments, also when the line is refused
  std::optional<Command> command;
  std::string error;
};

// Reads argv and fills the command line's part of job for a run. The language is the last valid
// --lang, otherwise the user's own (platform::UserLanguageIsFrench).
CommandLine ReadCommandLine(int argc, const char* const* argv, Job& job);

// The help of a command, or of the program (nullopt), in the run's language, wrapped at 80
// columns; the defaults come from the constants they are.
std::string HelpText(std::optional<Command> command);
// "orb42-flash 1.5.2.5, installs firmware 1.5".
std::string VersionText();
// "Run with --help for more information.", with the command when there is one.
std::string RunHelp(std::optional<Command> command);

}  // namespace flash
