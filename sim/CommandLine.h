#pragma once
// The options of orb42-loader-sim.
#include <string>
#include <vector>

#include "sim/LoaderSim.h"

namespace sim {

struct CommandLine {
  std::string dir;  // empty: a new temporary directory
  Options options;
  bool help = false;
  bool events = false;  // print one line per notable event as it happens (--events)
};

// The program's own defaults: paced like a real cable, switched on two seconds after the first
// call, as a person would do it after pressing Connect.
CommandLine DefaultCommandLine();

// args without the program name. false with *error on a bad option.
bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& out, std::string* error);

std::string Usage();

}  // namespace sim
