#pragma once
// The options of orb42-loader-sim.
#include <string>
#include <vector>

#include "sim/Types.h"

namespace sim {

struct CommandLine {
  std::string dir;  // empty: a new temporary directory
  Options options;  // every port's, unless a port has its own (below)
  bool help = false;
  bool events = false;  // print one line per notable event as it happens (--events)
  unsigned ports = 1;   // ttyUSB0 to ttyUSB<ports - 1> (--ports)
  // "--serial 2=299999999": a device option (or a fault) for one port only, as given.
  struct PortOption {
    unsigned port;
    std::string name;
    std::string value;
  };
  std::vector<PortOption> portOptions;
};

// The options of each port: options, with port i's node and first serial number (1000 apart,
// from options' own), then the options given for port i alone.
std::vector<Options> OptionsOfPorts(const CommandLine& commandLine);

// The program's own defaults: paced like a real cable, switched on two seconds after the first
// call, as a person would do it after pressing Connect.
CommandLine DefaultCommandLine();

// args without the program name. false with *error on a bad option.
bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& out, std::string* error);

std::string Usage();

}  // namespace sim
