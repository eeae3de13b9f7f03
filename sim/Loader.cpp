#include "sim/Loader.h"

#include <cstdio>
#include <utility>

#include "platform/Clock.h"
#include "sim/DeviceMemory.h"
#include "sim/HexDigit.h"
#include "sim/Protocol.h"

namespace sim {

void Loader::Run() {
  for (;;) {
    bool unplugAsked = false;
    const std::optional<std::uint8_t> b = channel_.Receive(&unplugAsked);
    if (unplugAsked) {
      unsigned downMs = 0;
      bool unplug = false;
      bool powerCycle = false;
      {
        std::lock_guard lock(shared_.mutex);
        downMs = shared_.unplugDownMs;
        unplug = std::exchange(shared_.unplugAsked, false);
        powerCycle = std::exchange(shared_.powerCycleAsked, false);
      }
      if (powerCycle) PowerCycle();
      if (unplug && HangUp(downMs) == Flow::Stop) return;
      continue;
    }
    if (!b) return;
    if (!SwitchedOn(*b) || !IsCommand(*b)) continue;  // off, or a stray digit or acknowledgement
    std::optional<Fault> fired;
    {
      std::lock_guard lock(shared_.mutex);
      fired = shared_.faults.OnCommand(*b);
    }
    MaybeFault fault;
    answerDelayMs_ = 0;
    corrupt_ = false;
    if (fired && fired->kind == FaultKind::Late) {
      answerDelayMs_ = fired->delayMs;  // carried out as usual, answered late
    } else if (fired && fired->kind == FaultKind::Corrupt) {
      corrupt_ = true;  // carried out and acknowledged, its value changed
    } else if (fired) {
      fault = fired->kind;
    }
    Flow flow = Flow::Ok;
    if (fault == FaultKind::HangUp) {
      flow = HangUp(shared_.options.hangUpDownMs);
    } else if (called_ || *b == kCall || *b == kRelease) {
      flow = Dispatch(*b, fault);
    }
    if (flow == Flow::Stop) return;
  }
}

// The device is off until the switch-on delay has passed since its first call byte; a call to a
// released device that holds version 1.5 finds the next device there instead.
// Without a delay the device is on from the start.
bool Loader::SwitchedOn(std::uint8_t b) {
  const std::uint64_t now = platform::TickCount();
  const unsigned delay = shared_.options.switchOnDelayMs;
  if (b == kCall && nextDevicePending_) {
    NextDevice();
    onAtMs_.reset();
  }
  if (!onAtMs_ && (b == kCall || delay == 0)) onAtMs_ = now + delay;
  return onAtMs_ && now >= *onAtMs_;
}

// Switched off and on: the loader starts again at 9600 bit/s, not called, and answers only once
// the switch-on delay has passed after the next call; the memories stay.
void Loader::PowerCycle() {
  called_ = unlocked_ = programming_ = false;
  onAtMs_.reset();
  channel_.SetSpeed(kStartSpeed);
  std::lock_guard lock(shared_.mutex);
  shared_.lineSpeed = kStartSpeed;
}

void Loader::NextDevice() {
  std::lock_guard lock(shared_.mutex);
  shared_.finished.push_back(std::move(shared_.memory));
  shared_.device.serialNumber += 1;
  shared_.memory = FreshDevice(shared_.device);
  called_ = unlocked_ = programming_ = false;
  version15Written_ = nextDevicePending_ = false;
}

Loader::Flow Loader::Dispatch(std::uint8_t command, MaybeFault fault) {
  switch (command) {
    case kCall:
      return OnCall(fault);
    case kRelease:
      return OnRelease(fault);
    case kUnlock:
      return OnUnlock(fault);
    case kEnterProgramming:
      return OnEnterProgramming(fault);
    case kLeaveProgramming:
      return OnLeaveProgramming(fault);
    case kIdentity:
      return OnIdentity(fault);
    case kDeviceType:
      return OnDeviceType(fault);
    case kReadEeprom:
      return OnReadEeprom(fault);
    case kWriteEeprom:
      return OnWriteEeprom(fault);
    case kWriteWord:
      return OnWriteWord(fault);
    case kSetSpeed:
      return OnSetSpeed(fault);
    default:
      return Flow::Ok;
  }
}

// Unplug and replug: the host's descriptor hangs up; after a while a new pty stands behind the
// same dev link. The device itself keeps running, with its memories and its state.
Loader::Flow Loader::HangUp(unsigned downMs) {
  channel_.Reset();
  shared_.pty.Close();
  if (!channel_.SleepMs(downMs)) return Flow::Stop;
  std::string error;
  if (!shared_.pty.Open(&error)) {
    std::fprintf(stderr, "orb42-loader-sim: replug failed: %s\n", error.c_str());
    return Flow::Stop;
  }
  channel_.Start();  // the new terminal's settings
  std::lock_guard lock(shared_.mutex);
  shared_.slavePath = shared_.pty.SlavePath();
  if (!shared_.trees.devLink.empty() &&
      !PointLink(shared_.trees.devLink, shared_.slavePath, &error)) {
    std::fprintf(stderr, "orb42-loader-sim: %s\n", error.c_str());
  }
  ++shared_.hangUps;
  return Flow::Ok;
}

Loader::Flow Loader::OnCall(MaybeFault fault) {
  if (!fault) called_ = true;
  return Answer(kCallAnswer, fault);
}

Loader::Flow Loader::OnRelease(MaybeFault fault) {
  if (fault) return Answer(kAck, fault);
  called_ = unlocked_ = programming_ = false;
  if (version15Written_) {
    std::lock_guard lock(shared_.mutex);
    nextDevicePending_ = HoldsVersion(shared_.memory, 1, 5);
  }
  {
    std::lock_guard lock(shared_.mutex);
    shared_.lineSpeed = kStartSpeed;  // before the answer, so that the host sees it done
  }
  const Flow flow = Answer(kAck, fault);
  channel_.SetSpeed(kStartSpeed);  // the answer itself still goes at the old speed
  return flow;
}

Loader::Flow Loader::OnUnlock(MaybeFault fault) {
  if (!fault) unlocked_ = true;
  return Answer(kAck, fault);
}

Loader::Flow Loader::OnEnterProgramming(MaybeFault fault) {
  if (!unlocked_) return Answer(kRefusal, fault);
  if (!fault) programming_ = true;
  return Answer(kAck, fault);
}

Loader::Flow Loader::OnLeaveProgramming(MaybeFault fault) {
  if (!fault) programming_ = false;
  return Flow::Ok;  // no answer
}

Loader::Flow Loader::OnIdentity(MaybeFault fault) {
  std::string identity;
  {
    std::lock_guard lock(shared_.mutex);
    identity = shared_.device.identity;
  }
  identity.resize(3, ' ');
  return Reply({identity.begin(), identity.end()}, fault);
}

Loader::Flow Loader::OnDeviceType(MaybeFault fault) {
  std::uint8_t type = 0;
  {
    std::lock_guard lock(shared_.mutex);
    type = shared_.device.deviceType;
  }
  return Reply({type}, fault);
}

Loader::Flow Loader::OnReadEeprom(MaybeFault fault) {
  std::uint8_t address = 0;
  if (const Flow f = ReadPair(address); f != Flow::Ok) return f;
  std::uint8_t value = 0;
  {
    std::lock_guard lock(shared_.mutex);
    value = shared_.memory.eeprom[address];
  }
  return Reply({value}, fault);
}

Loader::Flow Loader::OnWriteEeprom(MaybeFault fault) {
  std::uint8_t address = 0;
  std::uint8_t value = 0;
  if (const Flow f = ReadPair(address); f != Flow::Ok) return f;
  if (const Flow f = ReadPair(value); f != Flow::Ok) return f;
  if (!fault) {
    std::lock_guard lock(shared_.mutex);
    WriteEepromCell(shared_.memory, address, corrupt_ ? static_cast<std::uint8_t>(~value) : value);
    if (address == kMajorCell || address == kMinorCell) {
      version15Written_ = HoldsVersion(shared_.memory, 1, 5);
    }
  }
  return Answer(kAck, fault);
}

Loader::Flow Loader::OnWriteWord(MaybeFault fault) {
  std::uint8_t masked[4] = {};
  for (std::uint8_t& m : masked) {
    if (const Flow f = ReadPair(m); f != Flow::Ok) return f;
  }
  const std::uint32_t address = ((masked[0] ^ kHighMask) << 8) | (masked[1] ^ kLowMask);
  const auto word =
      static_cast<std::uint16_t>(((masked[2] ^ kHighMask) << 8) | (masked[3] ^ kLowMask));
  if (!programming_ || address >= kProgramWords) return Answer(kRefusal, fault);
  if (!fault) {
    std::lock_guard lock(shared_.mutex);
    WriteProgramWord(shared_.memory, address,
                     corrupt_ ? static_cast<std::uint16_t>(word ^ 0x3FFF) : word);
  }
  return Answer(kAck, fault);
}

// 0x84, then one more byte still at the old speed; only then does the loader change speed.
Loader::Flow Loader::OnSetSpeed(MaybeFault fault) {
  std::uint8_t divisor = 0;
  if (const Flow f = ReadPair(divisor); f != Flow::Ok) return f;
  const std::optional<std::uint32_t> speed = SpeedForDivisor(divisor);
  if (!speed) return Answer(kRefusal, fault);
  if (fault) return Answer(kAck, fault);
  if (!SendAnswerByte(kAck)) return Flow::Stop;
  {
    std::lock_guard lock(shared_.mutex);
    shared_.lineSpeed = *speed;
  }
  if (!channel_.Send(kAck)) return Flow::Stop;
  channel_.SetSpeed(*speed);
  return Flow::Ok;
}

Loader::Flow Loader::ReadPair(std::uint8_t& value) {
  unsigned v = 0;
  for (int i = 0; i < 2; ++i) {
    const std::optional<std::uint8_t> b = channel_.Receive();
    if (!b) return Flow::Stop;
    const std::optional<unsigned> digit = DigitValue(*b);
    if (!digit) {
      channel_.Unread(*b);
      return Flow::Abort;
    }
    v = v * 16 + *digit;
  }
  value = static_cast<std::uint8_t>(v);
  return Flow::Ok;
}

// Each digit waits for the host's 0x84 before the next one goes out.
Loader::Flow Loader::SendPair(std::uint8_t value, bool corruptFirst) {
  const unsigned nibbles[2] = {static_cast<unsigned>(value >> 4), value & 0x0Fu};
  for (int i = 0; i < 2; ++i) {
    // Noise garbles each digit its own way: the n-th garbled digit is the right one plus n (mod
    // 16, never the right one), so two garbled answers to the same question differ, as two
    // random errors would.
    const unsigned nibble = nibbles[i] + ((corruptFirst && i == 0) ? 1 + garbled_++ % 15 : 0);
    if (!SendAnswerByte(HexDigit(nibble))) return Flow::Stop;
    const std::optional<std::uint8_t> ack = channel_.Receive();
    if (!ack) return Flow::Stop;
    if (*ack != kAck) {
      channel_.Unread(*ack);
      return Flow::Abort;
    }
  }
  return Flow::Ok;
}

// Sends the one-byte answer, or what a fault puts in its place.
Loader::Flow Loader::Answer(std::uint8_t normal, MaybeFault fault) {
  std::uint8_t b = normal;
  if (fault == FaultKind::Silence) return Flow::Abort;
  if (fault == FaultKind::WrongByte) b = 0x00;
  if (fault == FaultKind::Refuse) b = kRefusal;
  if (!SendAnswerByte(b)) return Flow::Stop;
  return fault ? Flow::Abort : Flow::Ok;
}

// The first answer byte of a command waits out a Late fault's delay; the loader reads nothing
// meanwhile.
bool Loader::SendAnswerByte(std::uint8_t b) {
  if (answerDelayMs_ > 0) {
    const unsigned delay = answerDelayMs_;
    answerDelayMs_ = 0;
    if (!channel_.SleepMs(delay)) return false;
  }
  return channel_.Send(b);
}

// Sends values as hex pairs; a WrongByte fault corrupts the first digit only.
Loader::Flow Loader::Reply(const std::vector<std::uint8_t>& values, MaybeFault fault) {
  if (fault == FaultKind::Silence) return Flow::Abort;
  if (fault == FaultKind::Refuse) return channel_.Send(kRefusal) ? Flow::Abort : Flow::Stop;
  bool corrupt = fault == FaultKind::WrongByte;
  for (std::uint8_t v : values) {
    if (const Flow f = SendPair(v, corrupt); f != Flow::Ok) return f;
    corrupt = false;
  }
  return Flow::Ok;
}

}  // namespace sim
