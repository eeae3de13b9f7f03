#pragma once
// What one run of orb42-flash is to do: read from the command line, completed with the ports
// and the firmware before the workers start, and then passed by reference, unchanged, to the
// workers and the reporters.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/Ports.h"
#include "update/FirmwareImage.h"
#include "update/UpdateRun.h"

namespace flash {

enum class Command { List, Info, Update, Check };

struct Job {
  // From the command line.
  Command command = Command::List;
  std::vector<std::string> portArguments;  // PORT arguments as given
  bool all = false;                        // every bridge found
  bool loop = false;
  std::string firmware;  // empty: the embedded image
  bool json = false;
  std::string log;          // empty: no log
  char logSeparator = ',';  // ',' or ';'
  bool quiet = false;
  bool verbose = false;  // the link's trace: on stderr, or as JSON events
  // What each port's run does (speed, --wait, verify, checks only for info), with their
  // defaults where they are stated: the workers start from it.
  update::RunOptions run;

  // Made ready before the run.
  std::vector<Port> ports;
  std::size_t records = 0;     // records of the image (--firmware's slots: run.session.image)
  std::string firmwareSha256;  // of the HEX file (the built-in image's, or --firmware's)

  bool Info() const { return !run.session.program; }
};

}  // namespace flash
