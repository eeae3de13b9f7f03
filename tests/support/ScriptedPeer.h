#pragma once
// A scripted stand-in for the device on the master side of a real pseudo-terminal. It reads the
// host bytes each step expects, then answers the step's bytes (or hangs up), and records every
// host byte it sees, also after the script has ended. Tests compare the record with the exact
// bytes a command must send.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

using Bytes = std::vector<std::uint8_t>;

class Script {
 public:
  Script& Expect(Bytes hostBytes);  // host bytes to read, in order
  Script& Send(Bytes loaderBytes);  // bytes to answer with
  Script& Pause(unsigned ms);       // wait before the next step
  Script& HangUp();                 // close the master: the slave side sees a hang-up
  // A hex pair answered digit by digit, each digit acknowledged by the host with 0x84.
  Script& AnswerPair(std::uint8_t value);
  // The release the link sends on Close or Disconnect of a connected loader: 0x9E 8 1, the
  // loader's 0x84 and one more byte, then 0x04 and any byte.
  Script& ReleaseConnected();
  // The release byte 0x04 alone, answered with one byte.
  Script& Release();

  struct Step {
    enum Kind { kExpect, kSend, kPause, kHangUp } kind;
    Bytes bytes;
    unsigned ms = 0;
  };
  const std::vector<Step>& Steps() const { return steps_; }
  // Every host byte the script expects, in order.
  Bytes ExpectedHostBytes() const;

 private:
  std::vector<Step> steps_;
};

class ScriptedPeer {
 public:
  ScriptedPeer();  // opens the pseudo-terminal (raw) and keeps one slave descriptor of its own
  ~ScriptedPeer();
  ScriptedPeer(const ScriptedPeer&) = delete;
  ScriptedPeer& operator=(const ScriptedPeer&) = delete;

  bool Ok() const { return master_ >= 0; }
  const std::string& SlavePath() const { return slavePath_; }
  int SlaveFd() const { return slave_; }  // the peer's own slave descriptor

  void Run(const Script& script);  // starts the script on the peer's thread
  // Waits until the script has run through (up to timeoutMs); false when it has not.
  bool WaitDone(unsigned timeoutMs = 10000);
  // Host bytes seen so far; the script's mismatches ("step 3: expected 0x84, got 0x00").
  Bytes HostBytes() const;
  std::vector<std::string> Problems() const;
  void Stop();

 private:
  void Serve(Script script);
  bool ReadExpected(std::uint8_t expected, std::size_t step);
  void Drain();
  void Record(std::uint8_t byte);
  void Problem(std::string text);

  int master_ = -1;
  int slave_ = -1;
  std::string slavePath_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::condition_variable done_;
  bool scriptDone_ = true;
  Bytes hostBytes_;
  std::vector<std::string> problems_;
};

// A temporary device directory holding ttyUSB0 (or another node) as a link to a slave path, made
// current through ORB42_DEV_DIR for its lifetime. COM33 then names the pseudo-terminal.
class DevDir {
 public:
  DevDir();
  ~DevDir();
  DevDir(const DevDir&) = delete;
  DevDir& operator=(const DevDir&) = delete;
  void Link(const std::string& node, const std::string& target);
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::vector<std::string> nodes_;
};

}  // namespace testing_support
