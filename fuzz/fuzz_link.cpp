// The device link facing a loader that answers arbitrary bytes, over an in-memory port and a
// virtual clock, so that no operation waits for real.
//
// Input: byte 0 = n, then n operation bytes (an operation and its arguments), then the answer
// stream. Each ReadByte takes the next answer byte; 0xFE escapes: 0xFE k gives 0xFE itself
// (k % 4 == 0), a time-out (1), a hang-up EIO (2) or ENXIO (3). An exhausted stream times out.
// One operation arms a one-shot failure of the next port call of a chosen kind.
//
// Virtual time: the clock advances 1 ms per TickCount call, by the slept time on SleepMs,
// 1 ms per byte read or written and 1100 ms per read time-out, as the real port takes. Each
// operation must end within the bound that its bytes, waits and retries allow; a link that
// runs past it aborts at once (a loop that never ends shows up here, not as a libFuzzer
// time-out).
//
// After every operation: LastError equals the returned code, the code is 0, one of the link's
// own or an errno the port gave; the loader state is Idle, Unlocked or Programming; connected
// is 0 or 1; the link's view of the port matches the port; no port call but Open happens while
// the port is closed; after Close the port is closed, not connected, Idle; a successful Connect
// leaves the link connected and a failed one not; successful writes sent exactly their bytes.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "link/Com_p03.h"
#include "platform/Clock.h"

namespace {

// Worst-case times of the port, in virtual ms.
constexpr std::uint64_t kRead = 1100;  // 100 x 1 + 1000: one byte's read time-out
constexpr std::uint64_t kWrite = 1;
constexpr std::uint64_t kPurge = 1001;  // Wait(1000) on a clock that moves 1 ms per look
constexpr std::uint64_t kSlack = 20;

// --- virtual clock ---------------------------------------------------------------------------

// ORB42_FUZZ_TRACE=1 prints each operation and its result, to read what an input does.
bool trace = false;

std::uint64_t virtualNow = 0;
std::uint64_t opStart = 0;
std::uint64_t opBound = 0;
const char* opName = "";

void CheckBound() {
  FUZZ_CHECK(virtualNow - opStart <= opBound + kSlack, "%s took %llu virtual ms (bound %llu)",
             opName, static_cast<unsigned long long>(virtualNow - opStart),
             static_cast<unsigned long long>(opBound));
}

void Advance(std::uint64_t ms) {
  virtualNow += ms;
  CheckBound();
}

std::uint64_t VirtualTick() {
  Advance(1);
  return virtualNow;
}

void VirtualSleep(std::uint32_t ms) {
  Advance(ms);
}

const platform::ClockHooks kVirtualClock{VirtualTick, VirtualSleep};

// --- in-memory port --------------------------------------------------------------------------

enum FaultKind {
  kFaultOpen,
  kFaultGetState,
  kFaultSetState,
  kFaultSetLine,
  kFaultGetTimeouts,
  kFaultSetTimeouts,
  kFaultPurge,
  kFaultWrite,
  kFaultClose,
  kFaultKinds
};
constexpr int kInjectedErrors[] = {EIO, EBUSY, ENXIO, EACCES};

struct PortRecord {
  const std::uint8_t* answers = nullptr;
  std::size_t answersLeft = 0;
  bool open = false;
  int armed[kFaultKinds] = {};  // errno of the next call of that kind, or 0
  std::vector<std::uint8_t> written;
};

class FuzzPort final : public platform::SerialPort {
 public:
  explicit FuzzPort(PortRecord& r) : r_(r) {}
  int Open(const std::string& name) override {
    FUZZ_CHECK(!r_.open, "Open of an open port");
    FUZZ_CHECK(name.rfind("\\\\.\\COM", 0) == 0, "port name '%s'", name.c_str());
    if (int e = Take(kFaultOpen)) return e;
    r_.open = true;
    return 0;
  }
  bool IsOpen() const override { return r_.open; }
  int GetState(platform::SavedSettings& saved) override {
    MustBeOpen("GetState");
    const int e = Take(kFaultGetState);
    saved.valid = e == 0;
    return e;
  }
  int SetState(const platform::SavedSettings& saved) override {
    MustBeOpen("SetState");
    if (int e = Take(kFaultSetState)) return e;
    return saved.valid ? 0 : EINVAL;  // nothing was read, so nothing to put back
  }
  int SetLine(const platform::LineSettings& line) override {
    MustBeOpen("SetLine");
    FUZZ_CHECK(line.ByteSize == 8 && line.Parity == 2 && line.StopBits == 0, "line settings");
    return Take(kFaultSetLine);
  }
  int GetTimeouts(platform::CommTimeouts& out) override {
    MustBeOpen("GetTimeouts");
    out = {};
    return Take(kFaultGetTimeouts);
  }
  int SetTimeouts(const platform::CommTimeouts&) override {
    MustBeOpen("SetTimeouts");
    return Take(kFaultSetTimeouts);
  }
  int Purge() override {
    MustBeOpen("Purge");
    return Take(kFaultPurge);
  }
  int ReadByte(std::uint8_t& value, bool& got) override {
    MustBeOpen("ReadByte");
    got = false;
    if (r_.answersLeft == 0) {
      Advance(kRead);
      return 0;
    }
    std::uint8_t b = Next();
    if (b == 0xFE && r_.answersLeft > 0) {
      switch (Next() % 4) {
        case 1:
          Advance(kRead);
          return 0;
        case 2:
          return EIO;
        case 3:
          return ENXIO;
        default:
          break;
      }
    }
    Advance(1);
    value = b;
    got = true;
    return 0;
  }
  int WriteByte(std::uint8_t value) override {
    MustBeOpen("WriteByte");
    if (int e = Take(kFaultWrite)) return e;
    Advance(kWrite);
    r_.written.push_back(value);
    return 0;
  }
  int Close() override {
    MustBeOpen("Close");
    r_.open = false;  // as the termios port: the descriptor is gone even when close fails
    return Take(kFaultClose);
  }

 private:
  void MustBeOpen(const char* call) const { FUZZ_CHECK(r_.open, "%s on a closed port", call); }
  int Take(FaultKind kind) {
    const int e = r_.armed[kind];
    r_.armed[kind] = 0;
    return e;
  }
  std::uint8_t Next() {
    --r_.answersLeft;
    return *r_.answers++;
  }
  PortRecord& r_;
};

// --- operations ------------------------------------------------------------------------------

class OpBytes {
 public:
  OpBytes(const std::uint8_t* data, std::size_t size) : p_(data), left_(size) {}
  bool Empty() const { return left_ == 0; }
  std::uint8_t Byte() {
    if (left_ == 0) return 0;
    --left_;
    return *p_++;
  }
  std::uint16_t Word() { return static_cast<std::uint16_t>(Byte() | Byte() << 8); }

 private:
  const std::uint8_t* p_;
  std::size_t left_;
};

// Speeds the loader and the host know, and some they do not.
constexpr std::int32_t kSpeeds[] = {4800,   9600,   14400, 19200, 38400, 56000, 57600, 115200,
                                    128000, 256000, 110,   300,   0,     -1,    12345, 1000000};

constexpr std::uint64_t kHexPairIn = 2 * kRead + 2 * kWrite;
constexpr std::uint64_t kLoaderSpeed = 3 * kWrite + 2 * kRead;
constexpr std::uint64_t kDisconnect = kLoaderSpeed + 500 + kWrite + kRead;
constexpr std::uint64_t kEepromRead = 3 * kWrite + kHexPairIn;
constexpr std::uint64_t kEepromWrite = 5 * kWrite + 11 + kRead;
constexpr std::uint64_t kProgramWordAttempt = 9 * kWrite + kRead + kPurge;
constexpr std::uint64_t kConnectCalling = kPurge + kWrite + kRead + 2;
// Purge, the last call and its answer, then on a refusal or a broken line: purge, disconnect
// and close (which disconnects again).
constexpr std::uint64_t kConnect = kPurge + kWrite + kRead + 2 + kPurge + 2 * kDisconnect;

bool IsLinkCode(LinkError e) {
  switch (e) {
    case LinkOk:
    case LinkNotConnected:
    case LinkTimeout:
    case LinkBadAnswer:
    case LinkNotUnlocked:
    case LinkAddressOutOfRange:
    case LinkNotProgramming:
    case LinkPortNotOpen:
    case LinkWrongIdentity:
      return true;
    default:
      return false;
  }
}

bool IsPortCode(LinkError e) {
  if (e == EINVAL) return true;
  for (int injected : kInjectedErrors)
    if (e == injected) return true;
  return false;
}

std::uint8_t HexDigit(std::uint32_t d) {
  return static_cast<std::uint8_t>(d < 10 ? '0' + d : 'A' + d - 10);
}

// The last written bytes are exactly `expected`.
void CheckTail(const PortRecord& r, const std::vector<std::uint8_t>& expected, const char* what) {
  FUZZ_CHECK(r.written.size() >= expected.size() &&
                 std::equal(expected.begin(), expected.end(), r.written.end() - expected.size()),
             "%s did not send its bytes", what);
}

std::vector<std::uint8_t> Command(std::uint8_t command,
                                  std::initializer_list<std::uint32_t> pairs) {
  std::vector<std::uint8_t> bytes{command};
  for (std::uint32_t pair : pairs) {
    bytes.push_back(HexDigit(pair / 16));
    bytes.push_back(HexDigit(pair % 16));
  }
  return bytes;
}

class Session {
 public:
  explicit Session(PortRecord& r) : r_(r), link_(std::make_unique<FuzzPort>(r)) {}

  // Runs one operation chosen by the next operation byte, then checks the link's state.
  void Run(OpBytes& ops) {
    const std::uint8_t op = ops.Byte() % 24;
    opStart = virtualNow;
    LinkError result = LinkOk;
    bool hasResult = true;
    switch (op) {
      case 0:
        Begin("Connect(1)", kConnect);
        result = link_.Connect(1);
        FUZZ_CHECK(link_.Connected() == (result == LinkOk ? 1 : 0), "Connect gave %d, connected %d",
                   static_cast<int>(result), static_cast<int>(link_.Connected()));
        if (result == LinkOk) FUZZ_CHECK(link_.IsOpen(), "connected over a closed port");
        // Without a give-up one call of 0x80 goes out: about 1 to 2.1 s.
        if (link_.IsOpen())
          FUZZ_CHECK(virtualNow - opStart <= kConnectCalling, "Connect took %llu ms",
                     static_cast<unsigned long long>(virtualNow - opStart));
        break;
      case 1:
        Begin("CheckIdentity", kWrite + 3 * kHexPairIn);
        result = link_.CheckIdentity();
        break;
      case 2: {
        Begin("ReadDeviceType", kWrite + kHexPairIn);
        std::uint32_t type = 0;
        result = link_.ReadDeviceType(type);
        break;
      }
      case 3: {
        Begin("ReadSerialNumber", 4 * kEepromRead);
        std::uint32_t number = 0;
        result = link_.ReadSerialNumber(number);
        break;
      }
      case 4: {
        Begin("ReadVersion", 2 * kEepromRead);
        std::uint32_t major = 0, minor = 0;
        result = link_.ReadVersion(major, minor);
        break;
      }
      case 5:
        Begin("Unlock", kWrite + kRead);
        result = link_.Unlock();
        if (result == LinkOk) FUZZ_CHECK(link_.State() == LoaderUnlocked, "not unlocked");
        break;
      case 6:
        Begin("EnterProgramming", kWrite + kRead);
        result = link_.EnterProgramming();
        if (result == LinkOk) FUZZ_CHECK(link_.State() == LoaderProgramming, "not programming");
        break;
      case 7: {
        const std::uint32_t address = ops.Word() % 7200;
        const std::uint16_t word = ops.Word();
        Begin("WriteProgramWord", 4 * kProgramWordAttempt);
        result = link_.WriteProgramWord(address, word);
        if (result == LinkOk)
          CheckTail(r_,
                    Command(0x8D, {(address / 256) ^ 0x6B, (address % 256) ^ 0xD3,
                                   (word / 256u) ^ 0x6B, (word % 256u) ^ 0xD3}),
                    "WriteProgramWord");
        break;
      }
      case 8: {
        const std::uint8_t address = ops.Byte();
        const std::uint8_t value = ops.Byte();
        Begin("WriteEepromByte", kEepromWrite);
        result = link_.WriteEepromByte(address, value);
        if (result == LinkOk) CheckTail(r_, Command(0x8B, {address, value}), "WriteEepromByte");
        break;
      }
      case 9: {
        const std::uint8_t major = ops.Byte();
        const std::uint8_t minor = ops.Byte();
        Begin("WriteVersion", 2 * kEepromWrite);
        result = link_.WriteVersion(major, minor);
        if (result == LinkOk) CheckTail(r_, Command(0x8B, {126, major}), "WriteVersion");
        break;
      }
      case 10:
        Begin("LeaveProgramming", kWrite);
        result = link_.LeaveProgramming();
        break;
      case 11:
        Begin("Disconnect", kDisconnect);
        result = link_.Disconnect();
        if (result == LinkOk)
          FUZZ_CHECK(!link_.Connected() && link_.State() == LoaderIdle, "still connected");
        break;
      case 12:
        Begin("Close", kDisconnect);
        result = link_.Close();
        FUZZ_CHECK(!link_.IsOpen() && !r_.open && !link_.Connected() && link_.State() == LoaderIdle,
                   "not closed and reset after Close");
        break;
      case 13:
        Begin("SetLoaderSpeed", kLoaderSpeed);
        result = link_.SetLoaderSpeed(kSpeeds[ops.Byte() % 16]);
        break;
      case 14: {
        const std::int32_t index = static_cast<std::int8_t>(ops.Byte());
        Begin("SetPortIndex", kDisconnect);
        link_.SetPortIndex(index);
        char name[32];
        std::snprintf(name, sizeof name, "\\\\.\\COM%d", index > 100 ? 2 : index + 1);
        FUZZ_CHECK(std::strcmp(name, link_.PortName()) == 0, "port name %s for index %d",
                   link_.PortName(), static_cast<int>(index));
        hasResult = false;
        break;
      }
      case 15:
        Begin("Open", kDisconnect);
        result = link_.Open();
        if (result == LinkOk) FUZZ_CHECK(link_.IsOpen(), "opened but closed");
        break;
      case 16:
        Begin("Purge", kPurge);
        result = link_.Purge();
        break;
      case 17:
        Begin("SetSpeed", 0);
        result = link_.SetSpeed(kSpeeds[ops.Byte() % 16]);
        break;
      case 18: {
        Begin("ReadIdentity", kWrite + 3 * kHexPairIn);
        char text[4] = {'x', 'x', 'x', 'x'};
        const std::size_t sent = r_.written.size();
        result = link_.ReadIdentity(text);
        // Once the command went out the text is terminated, however few characters came.
        if (r_.written.size() > sent) FUZZ_CHECK(text[3] == '\0', "identity not terminated");
        break;
      }
      case 19: {
        Begin("ReadEepromWord", 2 * kEepromRead);
        std::uint32_t value = 0;
        result = link_.ReadEepromWord(ops.Byte(), value);
        break;
      }
      case 20: {
        const std::uint8_t kind = ops.Byte();
        Begin("InjectFault", 0);
        r_.armed[kind % kFaultKinds] = kInjectedErrors[(kind / kFaultKinds) % 4];
        hasResult = false;
        break;
      }
      case 21: {
        Begin("ReceiveHexPair", kHexPairIn);
        std::uint32_t value = 0;
        result = link_.ReceiveHexPair(value);
        break;
      }
      case 22: {
        const std::uint32_t ms = ops.Byte();
        Begin("Wait", ms + 1);
        link_.Wait(ms);
        FUZZ_CHECK(virtualNow - opStart >= ms, "Wait(%u) returned early", ms);
        hasResult = false;
        break;
      }
      default: {
        Begin("WriteByte+ReadByte", kWrite + kRead);
        result = link_.WriteByte(ops.Byte());
        if (result == LinkOk) {
          std::uint32_t value = 0;
          result = link_.ReadByte(value);
        }
        break;
      }
    }
    CheckBound();
    if (trace)
      std::fprintf(stderr, "%-18s -> %6d  %4llu ms  connected %d state %d open %d\n", opName,
                   static_cast<int>(result), static_cast<unsigned long long>(virtualNow - opStart),
                   static_cast<int>(link_.Connected()), static_cast<int>(link_.State()),
                   static_cast<int>(link_.IsOpen()));
    CheckState(result, hasResult);
  }

  // The destructor disconnects and closes.
  void End() {
    opStart = virtualNow;
    Begin("~CP03", 2 * kDisconnect);
  }

 private:
  void Begin(const char* name, std::uint64_t bound) {
    opName = name;
    opBound = bound;
  }

  void CheckState(LinkError result, bool hasResult) {
    if (hasResult) {
      FUZZ_CHECK(result == link_.LastError(), "%s returned %d, LastError %d", opName,
                 static_cast<int>(result), static_cast<int>(link_.LastError()));
      FUZZ_CHECK(IsLinkCode(result) || IsPortCode(result), "%s returned %d", opName,
                 static_cast<int>(result));
    }
    const LoaderState state = link_.State();
    FUZZ_CHECK(state == LoaderIdle || state == LoaderUnlocked || state == LoaderProgramming,
               "loader state %d after %s", static_cast<int>(state), opName);
    FUZZ_CHECK(link_.Connected() == 0 || link_.Connected() == 1, "connected %d after %s",
               static_cast<int>(link_.Connected()), opName);
    FUZZ_CHECK(link_.IsOpen() == r_.open, "the link's view of the port is wrong after %s", opName);
    static constexpr std::uint32_t kHostSpeeds[] = {110,   300,   600,    1200,   2400,
                                                    4800,  9600,  14400,  19200,  38400,
                                                    56000, 57600, 115200, 128000, 256000};
    bool known = false;
    for (std::uint32_t speed : kHostSpeeds) known = known || speed == link_.BaudRate();
    FUZZ_CHECK(known, "host speed %u after %s", link_.BaudRate(), opName);
  }

  PortRecord& r_;
  CP03 link_;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  platform::SetClockForTesting(&kVirtualClock);
  const char* traceSetting = std::getenv("ORB42_FUZZ_TRACE");
  trace = traceSetting != nullptr && *traceSetting == '1';
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t opCount = std::min<std::size_t>(data[0], size - 1);
  PortRecord record;
  record.answers = data + 1 + opCount;
  record.answersLeft = size - 1 - opCount;
  OpBytes ops(data + 1, opCount);
  virtualNow = 0;
  opStart = 0;
  opName = "construction";
  opBound = 0;
  {
    Session session(record);
    while (!ops.Empty()) session.Run(ops);
    session.End();
  }
  CheckBound();
  FUZZ_CHECK(!record.open, "the port is still open after the link went away");
  return 0;
}
