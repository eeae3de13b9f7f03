#pragma once
// The second Ctrl-C's line, written where a signal handler (or a console handler) can read it
// without a lock: two fixed buffers, and an index flipped once the other one is complete. The
// main thread writes it every few tens of milliseconds; the handler reads it once, then ends.
//
// The line is made to fit its buffer by the main thread, so that the handler never has to cut
// it: what to do first and whole, then every name that fits whole, then how many did not fit.
// 4096 bytes hold a bench of 32 ports named by their /dev/serial/by-path links (about 75 bytes
// a name with its serial number).
#include <atomic>
#include <cstddef>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace flash::terminal {

class InterruptNote {
 public:
  static constexpr std::size_t kSize = 4096;

  // instruction, then the names separated by ", ", then more(n) when n names did not fit; a
  // line feed ends it.
  void Set(const std::string& instruction, const std::vector<std::string>& names,
           const std::function<std::string(std::size_t)>& more) {
    Publish(Compose(instruction, names, more, kSize - 1));
  }

  struct View {
    const char* text;
    std::size_t length;
  };
  // The last complete line, read with one look at the index. Safe in a signal handler.
  View Current() const {
    const int index = current_.load();
    return {buffers_[index], lengths_[index]};
  }

  // The line that Set() publishes, within capacity bytes.
  static std::string Compose(const std::string& instruction, const std::vector<std::string>& names,
                             const std::function<std::string(std::size_t)>& more,
                             std::size_t capacity) {
    std::string line = WithinBytes(instruction, capacity);
    std::size_t listed = 0;
    for (; listed < names.size(); ++listed) {
      const std::string next = (listed == 0 ? "" : ", ") + names[listed];
      const std::size_t left = names.size() - listed - 1;
      const std::string rest = left > 0 ? more(left) : std::string();
      if (line.size() + next.size() + rest.size() > capacity) break;
      line += next;
    }
    if (listed < names.size()) {
      const std::string rest = more(names.size() - listed);
      if (line.size() + rest.size() <= capacity) line += rest;
    }
    return line;
  }

 private:
  // text, or as much of it as fits whole characters in capacity bytes.
  static std::string WithinBytes(const std::string& text, std::size_t capacity) {
    if (text.size() <= capacity) return text;
    std::size_t end = capacity;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end);
  }

  void Publish(const std::string& line) {
    const int next = 1 - current_.load();
    const std::size_t n = line.size() < kSize - 1 ? line.size() : kSize - 1;
    std::memcpy(buffers_[next], line.data(), n);
    buffers_[next][n] = '\n';
    lengths_[next] = n + 1;
    current_.store(next);
  }

  char buffers_[2][kSize] = {};
  std::size_t lengths_[2] = {0, 0};
  std::atomic<int> current_{0};
};

}  // namespace flash::terminal
