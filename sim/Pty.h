#pragma once
// One pseudo-terminal: the master the loader serves on, and one slave descriptor of the
// simulator's own, kept open so that the master never reads EIO while the host has the port
// closed. The master is in packet mode and the slave set for external processing (EXTPROC):
// then every change of the slave's settings by the host wakes the master with a status byte,
// so the loader's end learns the host's speed as soon as it is set, not only when bytes follow.
#include <string>

namespace sim {

class Pty {
 public:
  Pty() = default;
  ~Pty() { Close(); }
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;

  // Opens a new master (non-blocking) and the simulator's slave descriptor in raw mode.
  bool Open(std::string* error);
  void Close();

  int Master() const { return master_; }
  // The simulator's own slave descriptor: the terminal's settings, as the host set them, are
  // read through it.
  int Slave() const { return slave_; }
  const std::string& SlavePath() const { return slavePath_; }

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string slavePath_;
};

}  // namespace sim
