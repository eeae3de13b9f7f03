#pragma once
// The command line of orb42-flash: the three commands, their options, --help and --version,
// read with CLI11.
#include <optional>
#include <ostream>

#include "cli/Job.h"

namespace flash {

// Reads the command line. nullopt: go on with settings. A number: the program ends with it
// now (0 after --help or --version, 2 on bad usage), its messages written to out and err. Fills
// the command line's part of the job.
std::optional<int> ParseCommandLine(int argc, const char* const* argv, Job& job, std::ostream& out,
                                    std::ostream& err);

}  // namespace flash
