#pragma once
// The command line of orb42-flash: the three commands, their options, --help and --version,
// read with CLI11.
#include <optional>
#include <ostream>

#include "cli/Job.h"
#include "cli/Words.h"

namespace flash {

// Reads the command line. nullopt: go on with settings. A number: the program ends with it
// now (0 after --help or --version, 2 on bad usage), its messages written to out and err. Fills
// the command line's part of the job.
// The language of the run: --lang fr|en anywhere on the line, otherwise the user's own
// (platform::UserLanguageIsFrench). Looked at before the command line is parsed, so that the
// help and the usage errors speak it too.
Language LanguageOf(int argc, const char* const* argv);

std::optional<int> ParseCommandLine(int argc, const char* const* argv, Job& job, std::ostream& out,
                                    std::ostream& err);

}  // namespace flash
