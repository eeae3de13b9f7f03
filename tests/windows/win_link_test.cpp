// The device link over the Windows serial calls, under Wine, against the loader simulator. These
// tests only run through tests/windows/with-sim, which starts the simulator with what each group
// needs (tests/windows/CMakeLists.txt: one CTest case per group) and links Wine's COM33 to it.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "bench/LinkUpdate.h"
#include "link/Com_p03.h"
#include "platform/Win32Port.h"

namespace {

constexpr std::int32_t kCom33 = 32;  // zero-based
constexpr const char* kCom33Path = "\\\\.\\COM33";

class Stopwatch {
 public:
  double Ms() const {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_)
        .count();
  }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// A link on COM33 whose port can still be looked at through its handle.
struct LinkOnCom33 {
  LinkOnCom33() {
    auto owned = std::make_unique<platform::Win32Port>();
    port = owned.get();
    link = std::make_unique<CP03>(std::move(owned));
    link->SetPortIndex(kCom33);
  }
  platform::Win32Port* port;
  std::unique_ptr<CP03> link;
};

DCB CommState(HANDLE handle) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  EXPECT_TRUE(GetCommState(handle, &dcb)) << GetLastError();
  return dcb;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// A quiet line: the simulated device stays switched off and never answers.

// Wine does not hold a serial device for one handle (a second CreateFileA with no sharing
// succeeds there), so the port's exclusive use cannot be seen under Wine.
TEST(PortOverWine, APortThatDoesNotExistGivesTheSystemCodeAndStaysClosed) {
  for (const std::int32_t index : {33, -1}) {  // COM34 (nothing behind it), COM0
    CP03 link;
    link.SetPortIndex(index);
    EXPECT_EQ(link.Open(), ERROR_FILE_NOT_FOUND) << link.PortName();
    EXPECT_FALSE(link.IsOpen());
  }
}

TEST(PortOverWine, TheLinkSettingsReachThePortAndItsOwnComeBackAtClose) {
  // The port's own settings: 19200 bit/s.
  const HANDLE raw =
      CreateFileA(kCom33Path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(raw, INVALID_HANDLE_VALUE) << GetLastError();
  DCB own = CommState(raw);
  own.BaudRate = 19200;
  own.ByteSize = 8;
  own.Parity = NOPARITY;
  own.fParity = 0;
  own.StopBits = ONESTOPBIT;
  ASSERT_TRUE(SetCommState(raw, &own)) << GetLastError();
  CloseHandle(raw);

  LinkOnCom33 l;
  ASSERT_EQ(l.link->Open(), LinkOk);
  // A pseudo-terminal keeps no parity, so Wine reads none back; the rest is the link's.
  const DCB line = CommState(l.port->NativeHandle());
  EXPECT_EQ(line.BaudRate, 9600u);
  EXPECT_EQ(line.ByteSize, 8);
  EXPECT_EQ(line.StopBits, ONESTOPBIT);
  EXPECT_EQ(line.fOutxCtsFlow, 0u);
  EXPECT_EQ(line.fOutX, 0u);
  EXPECT_EQ(line.fInX, 0u);
  EXPECT_EQ(line.XonChar, 1);
  EXPECT_EQ(line.XoffChar, 2);
  COMMTIMEOUTS t{};
  ASSERT_TRUE(GetCommTimeouts(l.port->NativeHandle(), &t));
  EXPECT_EQ(t.ReadIntervalTimeout, 500u);
  EXPECT_EQ(t.ReadTotalTimeoutMultiplier, 100u);
  EXPECT_EQ(t.ReadTotalTimeoutConstant, 1000u);
  EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 100u);
  EXPECT_EQ(t.WriteTotalTimeoutConstant, 1000u);

  EXPECT_EQ(l.link->SetSpeed(115200), LinkOk);
  EXPECT_EQ(CommState(l.port->NativeHandle()).BaudRate, 115200u);

  EXPECT_EQ(l.link->Close(), LinkOk);
  const HANDLE after =
      CreateFileA(kCom33Path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(after, INVALID_HANDLE_VALUE) << GetLastError();
  EXPECT_EQ(CommState(after).BaudRate, 19200u);
  CloseHandle(after);
}

TEST(PortOverWine, AOneByteReadOnASilentLineGivesUpAfterAbout1100Ms) {
  CP03 link;
  link.SetPortIndex(kCom33);
  ASSERT_EQ(link.Open(), LinkOk);
  std::uint32_t value = 0xAB;
  const Stopwatch watch;
  EXPECT_EQ(link.ReadByte(value), LinkTimeout);
  const double ms = watch.Ms();
  std::printf("one-byte read on a silent line: %.1f ms\n", ms);
  EXPECT_GE(ms, 1000);
  EXPECT_LE(ms, 1500);
  EXPECT_EQ(value, 0xABu);  // untouched
  EXPECT_EQ(link.Close(), LinkOk);
}

// The pause counts whole milliseconds of the tick counter, so a finer clock may see it end up
// to one millisecond short of 1000.
TEST(PortOverWine, PurgePausesASecondBeforeItDiscards) {
  CP03 link;
  link.SetPortIndex(kCom33);
  ASSERT_EQ(link.Open(), LinkOk);
  const Stopwatch watch;
  EXPECT_EQ(link.Purge(), LinkOk);
  const double ms = watch.Ms();
  std::printf("purge: %.1f ms\n", ms);
  EXPECT_GE(ms, 999);
  EXPECT_LE(ms, 1500);
  EXPECT_EQ(link.Close(), LinkOk);
}

// ---------------------------------------------------------------------------------------------
// The loader's protocol and its failures.

// The simulator runs with --serial 312345678 --version 1.3.
TEST(LinkOverWine, ConnectsAndReadsTheDevice) {
  CP03 link;
  link.SetPortIndex(kCom33);
  ASSERT_EQ(link.Connect(5), LinkOk);
  EXPECT_EQ(link.Connected(), 1);
  char identity[4] = {};
  EXPECT_EQ(link.ReadIdentity(identity), LinkOk);
  EXPECT_STREQ(identity, "P03");
  EXPECT_EQ(link.CheckIdentity(), LinkOk);
  std::uint32_t type = 0, serial = 0, major = 0, minor = 0;
  EXPECT_EQ(link.ReadDeviceType(type), LinkOk);
  EXPECT_EQ(type, 1u);
  EXPECT_EQ(link.ReadSerialNumber(serial), LinkOk);
  EXPECT_EQ(serial, 312345678u);
  EXPECT_EQ(link.ReadVersion(major, minor), LinkOk);
  EXPECT_EQ(major, 1u);
  EXPECT_EQ(minor, 3u);
  EXPECT_EQ(link.Disconnect(), LinkOk);
  EXPECT_EQ(link.Connected(), 0);
  EXPECT_EQ(link.Close(), LinkOk);
  EXPECT_FALSE(link.IsOpen());
}

// The first call is answered with the refusal 0x85.
TEST(LinkOverWine, ARefusedCallGivesThePortUp) {
  CP03 link;
  link.SetPortIndex(kCom33);
  EXPECT_EQ(link.Connect(5), LinkPortNotOpen);
  EXPECT_FALSE(link.IsOpen());
  EXPECT_EQ(link.Connected(), 0);
  EXPECT_EQ(link.Connect(5), LinkOk);  // the next call is answered
  EXPECT_EQ(link.Close(), LinkOk);
}

// The identity command (the loader's second) goes unanswered.
TEST(LinkOverWine, ASilentLoaderRunsOutTheReadTimeout) {
  CP03 link;
  link.SetPortIndex(kCom33);
  ASSERT_EQ(link.Connect(5), LinkOk);
  const Stopwatch watch;
  EXPECT_EQ(link.CheckIdentity(), LinkTimeout);
  const double ms = watch.Ms();
  std::printf("unanswered identity: %.1f ms\n", ms);
  EXPECT_GE(ms, 1000);
  EXPECT_LE(ms, 1500);
  EXPECT_EQ(link.CheckIdentity(), LinkOk);  // the loader answers the next one
  EXPECT_EQ(link.Close(), LinkOk);
}

// The first write is answered wrongly, the second not at all; the third goes through.
TEST(LinkOverWine, AFailedProgramWordIsRepeated) {
  CP03 link;
  link.SetPortIndex(kCom33);
  ASSERT_EQ(link.Connect(5), LinkOk);
  ASSERT_EQ(link.Unlock(), LinkOk);
  ASSERT_EQ(link.EnterProgramming(), LinkOk);
  EXPECT_EQ(link.WriteProgramWord(0x300, 0x1234), LinkOk);
  EXPECT_EQ(link.LeaveProgramming(), LinkOk);
  EXPECT_EQ(link.Close(), LinkOk);
}

// The cable is pulled on the unlock (the loader's second command) and plugged back 300 ms later,
// behind the same COM33. Wine reads a pseudo-terminal whose other side has gone as a line that
// stays silent, so there the unlock runs out its read time-out; a real bridge that is pulled out
// fails the call with a system error instead.
TEST(LinkOverWine, AnUnplugFailsTheCommandAndTheReplugAnswers) {
  CP03 link;
  link.SetPortIndex(kCom33);
  ASSERT_EQ(link.Connect(5), LinkOk);
  const LinkError unplugged = link.Unlock();
  std::printf("unlock on an unplugged cable: %d\n", static_cast<int>(unplugged));
  EXPECT_NE(unplugged, LinkOk);
  link.Close();
  EXPECT_FALSE(link.IsOpen());
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  EXPECT_EQ(link.Connect(5), LinkOk);
  EXPECT_EQ(link.Unlock(), LinkOk);
  EXPECT_EQ(link.Close(), LinkOk);
}

// ---------------------------------------------------------------------------------------------
// A whole update at the line's own pace; with-sim checks what the device received.

TEST(UpdateOverWine, WritesTheWholeImageAndVersion15) {
  CP03 link;
  link.SetPortIndex(kCom33);
  const LinkUpdateResult result = RunLinkUpdate(link, 5);
  std::printf("%s\n", DescribeLinkUpdate(result).c_str());
  EXPECT_EQ(result.error, LinkOk) << result.failedAt;
  EXPECT_GT(result.programWords, 0u);
  EXPECT_FALSE(link.IsOpen());
}
