#include "support/ScriptedPeer.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

namespace testing_support {

namespace {

std::string Hex(std::uint8_t byte) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", byte);
  return text;
}

// The longest the peer waits for one expected host byte: past every wait of the link.
constexpr int kExpectTimeoutMs = 6000;

}  // namespace

Script& Script::Expect(Bytes hostBytes) {
  steps_.push_back({Step::kExpect, std::move(hostBytes)});
  return *this;
}

Script& Script::Send(Bytes loaderBytes) {
  steps_.push_back({Step::kSend, std::move(loaderBytes)});
  return *this;
}

Script& Script::Pause(unsigned ms) {
  steps_.push_back({Step::kPause, {}, ms});
  return *this;
}

Script& Script::HangUp() {
  steps_.push_back({Step::kHangUp, {}});
  return *this;
}

Script& Script::AnswerPair(std::uint8_t value) {
  auto digit = [](unsigned d) {
    return static_cast<std::uint8_t>(d < 10 ? '0' + d : 'A' + d - 10);
  };
  return Send({digit(value / 16)}).Expect({0x84}).Send({digit(value % 16)}).Expect({0x84});
}

Script& Script::ReleaseConnected() {
  return Expect({0x9E, '8', '1'}).Send({0x84, 0x00}).Release();
}

Script& Script::Release() {
  return Expect({0x04}).Send({0x00});
}

Bytes Script::ExpectedHostBytes() const {
  Bytes all;
  for (const Step& step : steps_)
    if (step.kind == Step::kExpect) all.insert(all.end(), step.bytes.begin(), step.bytes.end());
  return all;
}

ScriptedPeer::ScriptedPeer() {
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
  char name[128];
  if (ptsname_r(master_, name, sizeof name) != 0) return;
  slavePath_ = name;
  // Our own slave descriptor keeps the terminal alive while the host closes and reopens it, and
  // raw mode keeps the line discipline from echoing or holding bytes before the host configures it.
  slave_ = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  termios t{};
  if (slave_ >= 0 && tcgetattr(slave_, &t) == 0) {
    cfmakeraw(&t);
    tcsetattr(slave_, TCSANOW, &t);
  }
}

ScriptedPeer::~ScriptedPeer() {
  Stop();
  if (slave_ >= 0) close(slave_);
  if (master_ >= 0) close(master_);
}

void ScriptedPeer::Run(const Script& script) {
  Stop();
  stop_ = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    scriptDone_ = false;
  }
  thread_ = std::thread([this, script] { Serve(script); });
}

bool ScriptedPeer::WaitDone(unsigned timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  return done_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return scriptDone_; });
}

Bytes ScriptedPeer::HostBytes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return hostBytes_;
}

std::vector<std::string> ScriptedPeer::Problems() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return problems_;
}

void ScriptedPeer::Stop() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
}

void ScriptedPeer::Serve(Script script) {
  const auto& steps = script.Steps();
  bool ok = true;
  for (std::size_t i = 0; i < steps.size() && ok && !stop_; ++i) {
    const Script::Step& step = steps[i];
    switch (step.kind) {
      case Script::Step::kExpect:
        for (std::uint8_t byte : step.bytes)
          if (ok) ok = ReadExpected(byte, i);
        break;
      case Script::Step::kSend:
        if (write(master_, step.bytes.data(), step.bytes.size()) !=
            static_cast<ssize_t>(step.bytes.size()))
          Problem("step " + std::to_string(i) + ": write failed");
        break;
      case Script::Step::kPause:
        std::this_thread::sleep_for(std::chrono::milliseconds(step.ms));
        break;
      case Script::Step::kHangUp:
        close(master_);
        master_ = -1;
        break;
    }
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    scriptDone_ = true;
  }
  done_.notify_all();
  Drain();
}

// One host byte; a different byte is a problem but the script goes on, so that the record shows
// everything that was sent. Silence ends the script.
bool ScriptedPeer::ReadExpected(std::uint8_t expected, std::size_t step) {
  for (int waited = 0; waited < kExpectTimeoutMs && !stop_; waited += 20) {
    pollfd p{master_, POLLIN, 0};
    if (poll(&p, 1, 20) <= 0 || !(p.revents & POLLIN)) continue;
    std::uint8_t byte = 0;
    if (read(master_, &byte, 1) != 1) continue;
    Record(byte);
    if (byte != expected)
      Problem("step " + std::to_string(step) + ": expected " + Hex(expected) + ", got " +
              Hex(byte));
    return true;
  }
  if (!stop_)
    Problem("step " + std::to_string(step) + ": expected " + Hex(expected) + ", got nothing");
  return false;
}

// After the script: keep recording whatever else the host sends, unanswered.
void ScriptedPeer::Drain() {
  while (!stop_ && master_ >= 0) {
    pollfd p{master_, POLLIN, 0};
    if (poll(&p, 1, 20) <= 0 || !(p.revents & POLLIN)) continue;
    std::uint8_t byte = 0;
    if (read(master_, &byte, 1) == 1) Record(byte);
  }
}

void ScriptedPeer::Record(std::uint8_t byte) {
  std::lock_guard<std::mutex> lock(mutex_);
  hostBytes_.push_back(byte);
}

void ScriptedPeer::Problem(std::string text) {
  std::lock_guard<std::mutex> lock(mutex_);
  problems_.push_back(std::move(text));
}

DevDir::DevDir() {
  char pattern[] = "/tmp/orb42-devdir-XXXXXX";
  if (mkdtemp(pattern) != nullptr) path_ = pattern;
  setenv("ORB42_DEV_DIR", path_.c_str(), 1);
}

DevDir::~DevDir() {
  unsetenv("ORB42_DEV_DIR");
  for (const std::string& node : nodes_) unlink((path_ + "/" + node).c_str());
  if (!path_.empty()) rmdir(path_.c_str());
}

void DevDir::Link(const std::string& node, const std::string& target) {
  const std::string link = path_ + "/" + node;
  unlink(link.c_str());
  if (symlink(target.c_str(), link.c_str()) == 0) nodes_.push_back(node);
}

}  // namespace testing_support
