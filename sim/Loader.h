#pragma once
// The resident loader itself: takes the host's bytes one at a time from the channel and answers
// them as the device would. Runs on the simulator's thread until Stop.
#include <cstdint>
#include <optional>
#include <vector>

#include "sim/Channel.h"
#include "sim/Shared.h"

namespace sim {

class Loader {
 public:
  Loader(Shared& shared, Channel& channel) : shared_(shared), channel_(channel) {}
  void Run();

 private:
  // Ok: go on. Abort: the command was broken off or spoiled by a fault. Stop: the thread ends.
  enum class Flow { Ok, Abort, Stop };
  using MaybeFault = std::optional<FaultKind>;

  bool SwitchedOn(std::uint8_t b);
  void NextDevice();
  void PowerCycle();
  Flow Dispatch(std::uint8_t command, MaybeFault fault);
  Flow HangUp(unsigned downMs);
  bool SendAnswerByte(std::uint8_t b);

  Flow OnCall(MaybeFault fault);
  Flow OnRelease(MaybeFault fault);
  Flow OnUnlock(MaybeFault fault);
  Flow OnEnterProgramming(MaybeFault fault);
  Flow OnLeaveProgramming(MaybeFault fault);
  Flow OnIdentity(MaybeFault fault);
  Flow OnDeviceType(MaybeFault fault);
  Flow OnReadEeprom(MaybeFault fault);
  Flow OnWriteEeprom(MaybeFault fault);
  Flow OnWriteWord(MaybeFault fault);
  Flow OnSetSpeed(MaybeFault fault);

  Flow ReadPair(std::uint8_t& value);
  Flow SendPair(std::uint8_t value, bool corruptFirst);
  Flow Answer(std::uint8_t normal, MaybeFault fault);
  Flow Reply(const std::vector<std::uint8_t>& values, MaybeFault fault);

  Shared& shared_;
  Channel& channel_;
  std::optional<std::uint64_t> onAtMs_;  // when the device is (or was) switched on
  bool called_ = false;
  bool unlocked_ = false;
  bool programming_ = false;
  bool version15Written_ = false;
  bool nextDevicePending_ = false;
  unsigned answerDelayMs_ = 0;  // a Late fault: how long the command's first answer byte waits
  bool corrupt_ = false;        // a Corrupt fault: the command's write keeps another value
  unsigned garbled_ = 0;        // digits garbled by WrongByte faults so far
};

}  // namespace sim
