#include "sim/FaultBook.h"

#include "sim/Protocol.h"

namespace sim {

std::optional<Fault> FaultBook::OnCommand(std::uint8_t command) {
  ++commands_;
  if (command == kCall) ++calls_;
  if (command == kWriteWord) ++words_;
  if (command == kSetSpeed) ++speeds_;
  if (command == kWriteEeprom) ++eepromWrites_;
  for (auto it = pending_.begin(); it != pending_.end(); ++it) {
    const bool hit =
        (it->target == FaultTarget::Command && it->ordinal == commands_) ||
        (it->target == FaultTarget::Call && command == kCall && it->ordinal == calls_) ||
        (it->target == FaultTarget::ProgramWord && command == kWriteWord &&
         it->ordinal == words_) ||
        (it->target == FaultTarget::SetSpeed && command == kSetSpeed && it->ordinal == speeds_) ||
        (it->target == FaultTarget::EepromWrite && command == kWriteEeprom &&
         it->ordinal == eepromWrites_);
    if (hit) {
      const Fault fault = *it;
      pending_.erase(it);
      return fault;
    }
  }
  return std::nullopt;
}

}  // namespace sim
