#pragma once
// The command line of orb42-flash: the three commands, their options, --help and --version,
// read with CLI11.
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace flash {

enum class Command { List, Info, Update };

struct Settings {
  Command command = Command::List;
  std::vector<std::string> ports;  // PORT arguments as given
  bool all = false;                // every bridge found
  std::int32_t speed = 115200;
  std::optional<unsigned> waitSeconds = 45;  // nullopt with --loop: until Ctrl-C
  bool loop = false;
  std::string firmware;  // empty: the embedded image
  bool json = false;
  std::string log;  // empty: no log
  bool quiet = false;
};

// Reads the command line. nullopt: go on with settings. A number: the program ends with it
// now (0 after --help or --version, 2 on bad usage), its messages written to out and err.
std::optional<int> ParseCommandLine(int argc, const char* const* argv, Settings& settings,
                                    std::ostream& out, std::ostream& err);

}  // namespace flash
