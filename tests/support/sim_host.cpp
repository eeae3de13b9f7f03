#include "support/sim_host.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>

#include "platform/TermiosKernel.h"

namespace simtest {

RawHost::RawHost(const std::string& path) {
  fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd_ < 0) return;
  termios t{};
  tcgetattr(fd_, &t);
  cfmakeraw(&t);
  t.c_cflag |= CLOCAL | CREAD;
  tcsetattr(fd_, TCSANOW, &t);
}

RawHost::~RawHost() {
  if (fd_ >= 0) close(fd_);
}

void RawHost::SetSpeed(unsigned bitsPerSecond) {
  platform::termios_kernel::SetArbitrarySpeed(fd_, bitsPerSecond);
}

void RawHost::Send(const std::vector<std::uint8_t>& bytes) {
  if (bytes.empty()) return;
  [[maybe_unused]] const ssize_t n = write(fd_, bytes.data(), bytes.size());
}

void RawHost::SendText(const std::string& text) {
  Send({text.begin(), text.end()});
}

std::optional<std::uint8_t> RawHost::Read(int timeoutMs) {
  pollfd p{fd_, POLLIN, 0};
  if (poll(&p, 1, timeoutMs) <= 0 || !(p.revents & POLLIN)) return std::nullopt;
  std::uint8_t b = 0;
  if (read(fd_, &b, 1) != 1) return std::nullopt;
  return b;
}

std::string RawHost::ReadPairAcked(int timeoutMs) {
  std::string pair;
  for (int i = 0; i < 2; ++i) {
    const auto digit = Read(timeoutMs);
    if (!digit) return {};
    pair += static_cast<char>(*digit);
    Send({0x84});
  }
  return pair;
}

std::optional<std::uint8_t> RawHost::Ask(const std::vector<std::uint8_t>& bytes, int timeoutMs) {
  Send(bytes);
  return Read(timeoutMs);
}

std::string HexPair(unsigned value) {
  char text[3];
  std::snprintf(text, sizeof text, "%02X", value & 0xFFu);
  return text;
}

namespace {
void AppendPair(std::vector<std::uint8_t>& out, unsigned value) {
  const std::string p = HexPair(value);
  out.insert(out.end(), p.begin(), p.end());
}
}  // namespace

std::vector<std::uint8_t> WordWrite(unsigned address, unsigned word) {
  std::vector<std::uint8_t> out{0x8D};
  AppendPair(out, (address >> 8) ^ 0x6B);
  AppendPair(out, (address & 0xFF) ^ 0xD3);
  AppendPair(out, (word >> 8) ^ 0x6B);
  AppendPair(out, (word & 0xFF) ^ 0xD3);
  return out;
}

std::vector<std::uint8_t> EepromRead(unsigned address) {
  std::vector<std::uint8_t> out{0x89};
  AppendPair(out, address);
  return out;
}

std::vector<std::uint8_t> EepromWrite(unsigned address, unsigned value) {
  std::vector<std::uint8_t> out{0x8B};
  AppendPair(out, address);
  AppendPair(out, value);
  return out;
}

}  // namespace simtest
