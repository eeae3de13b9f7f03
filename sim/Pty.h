#pragma once
// One pseudo-terminal: the master the loader serves on, and one slave descriptor of the
// simulator's own, kept open so that the master never reads EIO while the host has the port
// closed.
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
  const std::string& SlavePath() const { return slavePath_; }

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string slavePath_;
};

}  // namespace sim
