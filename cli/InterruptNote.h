#pragma once
// The second Ctrl-C's line, written where a signal handler (or a console handler) can read it
// without a lock: two fixed buffers, and an index flipped once the other one is complete. The
// main thread writes it every few tens of milliseconds; the handler reads it once, then ends.
#include <atomic>
#include <cstddef>
#include <cstring>
#include <string>

namespace flash::terminal {

class InterruptNote {
 public:
  void Set(const std::string& line) {
    const int next = 1 - current_.load();
    const std::size_t n = line.size() < kSize - 1 ? line.size() : kSize - 1;
    std::memcpy(buffers_[next], line.data(), n);
    buffers_[next][n] = '\n';
    lengths_[next] = n + 1;
    current_.store(next);
  }
  const char* Text() const { return buffers_[current_.load()]; }
  std::size_t Length() const { return lengths_[current_.load()]; }

 private:
  static constexpr std::size_t kSize = 2048;
  char buffers_[2][kSize] = {};
  std::size_t lengths_[2] = {0, 0};
  std::atomic<int> current_{0};
};

}  // namespace flash::terminal
