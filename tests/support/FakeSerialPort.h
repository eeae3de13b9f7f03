#pragma once
// A SerialPort that needs no device: it answers from a queue (an empty queue is an immediate
// time-out), records what the link writes, and fails chosen calls on demand. Its record outlives
// the port, which the link owns.
#include <cerrno>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "platform/SerialPort.h"

namespace testing_support {

struct FakePortRecord {
  std::vector<std::uint8_t> written;
  std::deque<std::uint8_t> answers;
  int opens = 0;
  int closes = 0;
  int setStates = 0;
  int setStateResult = 0;  // errno to return from SetState
  int getStateResult = 0;
  int setLineResult = 0;  // errno to return from SetLine, as a port that refuses the line
  bool open = false;
};

class FakeSerialPort final : public platform::SerialPort {
 public:
  explicit FakeSerialPort(std::shared_ptr<FakePortRecord> record) : r_(std::move(record)) {}
  int Open(const std::string&) override {
    ++r_->opens;
    r_->open = true;
    return 0;
  }
  bool IsOpen() const override { return r_->open; }
  int GetState(platform::SavedSettings& saved) override {
    saved.valid = r_->getStateResult == 0;
    return r_->getStateResult;
  }
  int SetState(const platform::SavedSettings& saved) override {
    ++r_->setStates;
    if (!saved.valid) return EINVAL;  // as the termios port: nothing read, nothing to put back
    return r_->setStateResult;
  }
  int SetLine(const platform::LineSettings&) override { return r_->setLineResult; }
  int GetTimeouts(platform::CommTimeouts& out) override {
    out = {};
    return 0;
  }
  int SetTimeouts(const platform::CommTimeouts&) override { return 0; }
  int Purge() override { return 0; }
  int ReadByte(std::uint8_t& value, bool& got) override {
    got = !r_->answers.empty();
    if (got) {
      value = r_->answers.front();
      r_->answers.pop_front();
    }
    return 0;
  }
  int WriteByte(std::uint8_t value) override {
    r_->written.push_back(value);
    return 0;
  }
  int Close() override {
    ++r_->closes;
    r_->open = false;
    return 0;
  }

 private:
  std::shared_ptr<FakePortRecord> r_;
};

}  // namespace testing_support
