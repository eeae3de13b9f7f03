#include "sim/EventReader.h"

#include <cstdio>

#include "sim/DeviceMemory.h"
#include "sim/HexDigit.h"
#include "sim/Protocol.h"

namespace sim {
namespace {

// How many argument digits the host sends after each command.
std::size_t DigitsAfter(std::uint8_t command) {
  switch (command) {
    case kReadEeprom:
    case kSetSpeed:
      return 2;
    case kWriteEeprom:
      return 4;
    case kWriteWord:
      return 8;
    default:
      return 0;
  }
}

std::string Hex4(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", value & 0xFFFFu);
  return text;
}

}  // namespace

std::vector<Event> EventReader::Feed(const std::vector<TrafficByte>& transcript) {
  std::vector<Event> out;
  for (; seen_ < transcript.size(); ++seen_) {
    const TrafficByte& t = transcript[seen_];
    if (t.fromHost) {
      HostByte(t.value, t.atMs, out);
    } else {
      LoaderByte(t.value, t.atMs, out);
    }
  }
  return out;
}

// A command byte always starts a new command, as it does for the loader; digits complete the
// one under way; the host's acknowledgements of answer digits (0x84) carry nothing.
void EventReader::HostByte(std::uint8_t b, std::uint64_t at, std::vector<Event>& out) {
  if (IsCommand(b)) {
    command_ = b;
    digits_.clear();
    readCell_ = -1;
    digitsWanted_ = DigitsAfter(b);
    if (digitsWanted_ == 0) CommandDone(at, out);
    return;
  }
  if (digitsWanted_ == 0 || !DigitValue(b)) return;
  digits_.push_back(static_cast<char>(b));
  if (digits_.size() == digitsWanted_) {
    digitsWanted_ = 0;
    CommandDone(at, out);
  }
}

// The loader's digits answer an EEPROM read (the version cells are remembered, so that a write
// of the minor number alone over a major 1 counts as version 1.5); 0x81 answers the call.
void EventReader::LoaderByte(std::uint8_t b, std::uint64_t at, std::vector<Event>& out) {
  if (readCell_ >= 0 && DigitValue(b)) {
    answer_.push_back(static_cast<char>(b));
    if (answer_.size() == 2) {
      const int value = static_cast<int>(*DigitValue(static_cast<std::uint8_t>(answer_[0])) * 16 +
                                         *DigitValue(static_cast<std::uint8_t>(answer_[1])));
      if (readCell_ == kMajorCell) major_ = value;
      if (readCell_ == kMinorCell) minor_ = value;
      readCell_ = -1;
    }
    return;
  }
  if (b != kCallAnswer || called_) return;
  calling_ = false;
  called_ = true;
  wordWrites_ = 0;
  major_ = minor_ = -1;
  out.push_back({at, "call answered"});
}

std::vector<std::uint8_t> EventReader::Arguments() const {
  std::vector<std::uint8_t> values;
  for (std::size_t i = 0; i + 1 < digits_.size(); i += 2) {
    const unsigned high = *DigitValue(static_cast<std::uint8_t>(digits_[i]));
    const unsigned low = *DigitValue(static_cast<std::uint8_t>(digits_[i + 1]));
    values.push_back(static_cast<std::uint8_t>(high * 16 + low));
  }
  return values;
}

void EventReader::CommandDone(std::uint64_t at, std::vector<Event>& out) {
  if (command_ == kCall) {
    // Calls repeat until the device is switched on: only the first of a series is news.
    if (!called_ && !calling_) out.push_back({at, "calling"});
    calling_ = !called_;
    return;
  }
  if (!called_) return;  // the loader ignores everything else before a call is answered
  const std::vector<std::uint8_t> args = Arguments();
  switch (command_) {
    case kIdentity:
      out.push_back({at, "identity asked"});
      break;
    case kDeviceType:
      out.push_back({at, "device type asked"});
      break;
    case kReadEeprom:
      if (args[0] == kSerialCell) out.push_back({at, "serial number asked"});
      if (args[0] == kMajorCell) out.push_back({at, "version asked"});
      readCell_ = args[0];
      answer_.clear();
      break;
    case kUnlock:
      out.push_back({at, "unlocked"});
      break;
    case kEnterProgramming:
      out.push_back({at, "programming mode"});
      break;
    case kWriteWord:
      if (++wordWrites_ == 1) {
        const unsigned address = ((args[0] ^ kHighMask) << 8) | (args[1] ^ kLowMask);
        out.push_back({at, "first word written at " + Hex4(address)});
      }
      break;
    case kWriteEeprom: {
      // Told once, when the second of the two cells makes it 1.5 (or the only one written).
      const bool was15 = major_ == 1 && minor_ == 5;
      if (args[0] == kMajorCell) major_ = args[1];
      if (args[0] == kMinorCell) minor_ = args[1];
      if (!was15 && major_ == 1 && minor_ == 5) out.push_back({at, "version 1.5 written"});
      break;
    }
    case kLeaveProgramming:
      out.push_back({at, "programming mode left"});
      break;
    case kRelease:
      called_ = false;
      out.push_back({at, "released after " + std::to_string(wordWrites_) + " program-word writes"});
      break;
    default:
      break;
  }
}

std::string EventLine(const Event& event, std::uint64_t startMs) {
  const std::uint64_t ms = event.atMs > startMs ? event.atMs - startMs : 0;
  char time[32];
  std::snprintf(time, sizeof time, "%llu.%03llu", static_cast<unsigned long long>(ms / 1000),
                static_cast<unsigned long long>(ms % 1000));
  return "# event " + std::string(time) + " s: " + event.text;
}

}  // namespace sim
