// The termios serial port on its own, over a real pseudo-terminal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <ostream>
#include <thread>

#include "platform/Clock.h"
#include "platform/SerialPort.h"
#include "platform/TermiosKernel.h"
#include "support/ScriptedPeer.h"

using platform::CommTimeouts;
using platform::LineSettings;
using testing_support::DevDir;
using testing_support::Script;
using testing_support::ScriptedPeer;

namespace {

constexpr char kCom33[] = "\\\\.\\COM33";

class SerialPortOverPty : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(peer.Ok());
    dev.Link("ttyUSB0", peer.SlavePath());
  }
  termios SlaveSettings() {
    termios t{};
    EXPECT_EQ(tcgetattr(peer.SlaveFd(), &t), 0);
    return t;
  }
  std::uint32_t SlaveSpeed() {
    std::uint32_t in = 0, out = 0;
    EXPECT_EQ(platform::termios_kernel::GetSpeeds(peer.SlaveFd(), in, out), 0);
    EXPECT_EQ(in, out);
    return out;
  }

  ScriptedPeer peer;
  DevDir dev;
  std::unique_ptr<platform::SerialPort> port = platform::MakeTermiosPort();
};

}  // namespace

TEST(SerialPortNames, ComNumbersMapToFixedDeviceNodes) {
  struct Case {
    const char* name;
    const char* node;  // empty: names no node
  } cases[] = {{"\\\\.\\COM1", "ttyS0"},
               {"\\\\.\\COM32", "ttyS31"},
               {"\\\\.\\COM33", "ttyUSB0"},
               {"\\\\.\\COM64", "ttyUSB31"},
               {"\\\\.\\COM65", "ttyACM0"},
               {"\\\\.\\COM96", "ttyACM31"},
               {"\\\\.\\COM0", ""},
               {"\\\\.\\COM-2", ""},
               {"\\\\.\\COM97", ""},
               {"\\\\.\\COM101", ""},
               {"COM33", ""},
               {"\\\\.\\COM3x", ""},
               {"\\\\.\\COM", ""}};
  DevDir dev;
  for (const char* dir : {"", "/x/dev"}) {
    setenv("ORB42_DEV_DIR", dir, 1);
    const std::string base = *dir ? dir : "/dev";
    for (const Case& c : cases) {
      const std::string want = *c.node ? base + "/" + c.node : "";
      EXPECT_EQ(platform::DevicePathForComName(c.name), want) << c.name << " in " << dir;
    }
  }
  unsetenv("ORB42_DEV_DIR");
  EXPECT_EQ(platform::DevicePathForComName("\\\\.\\COM2"), "/dev/ttyS1");
}

TEST(SerialPortOpen, MissingNodeFailsWithEnoentAndStaysClosed) {
  DevDir dev;  // empty directory
  auto port = platform::MakeTermiosPort();
  EXPECT_EQ(port->Open(kCom33), ENOENT);
  EXPECT_FALSE(port->IsOpen());
  EXPECT_EQ(port->Open("\\\\.\\COM0"), ENOENT);
  EXPECT_FALSE(port->IsOpen());
  std::uint8_t value = 0;
  bool got = true;
  EXPECT_EQ(port->ReadByte(value, got), EBADF);
  EXPECT_FALSE(got);
}

TEST_F(SerialPortOverPty, PortLockedByAnotherDescriptorFailsTheOpen) {
  const int other = open(peer.SlavePath().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(other, 0);
  ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
  EXPECT_EQ(port->Open(kCom33), EWOULDBLOCK);
  EXPECT_FALSE(port->IsOpen());
  close(other);
  EXPECT_EQ(port->Open(kCom33), 0);
  EXPECT_TRUE(port->IsOpen());
}

TEST_F(SerialPortOverPty, ExclusiveFlagIsClearedAtClose) {
  int exclusive = 0;
  ASSERT_EQ(port->Open(kCom33), 0);
  ASSERT_EQ(ioctl(peer.SlaveFd(), TIOCGEXCL, &exclusive), 0);
  EXPECT_EQ(exclusive, 1);
  EXPECT_EQ(port->Close(), 0);
  ASSERT_EQ(ioctl(peer.SlaveFd(), TIOCGEXCL, &exclusive), 0);
  EXPECT_EQ(exclusive, 0);
  EXPECT_FALSE(port->IsOpen());
}

TEST_F(SerialPortOverPty, LineIsRawEightBitsEvenParityWithoutFlowControl) {
  termios cooked = SlaveSettings();
  cooked.c_lflag |= ICANON | ECHO | ISIG;
  cooked.c_oflag |= OPOST;
  cooked.c_iflag |= IXON | IXOFF | ICRNL;
  cooked.c_cflag |= CRTSCTS | CSTOPB | PARODD;
  ASSERT_EQ(tcsetattr(peer.SlaveFd(), TCSANOW, &cooked), 0);
  ASSERT_EQ(port->Open(kCom33), 0);
  ASSERT_EQ(port->SetLine(LineSettings{}), 0);
  const termios t = SlaveSettings();
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ECHONL | ISIG | IEXTEN), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF | ICRNL | INLCR | ISTRIP), 0u);
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  // A pseudo-terminal always drops PARENB; the record the port asks for is checked below.
  EXPECT_EQ(t.c_cflag & (CSTOPB | CRTSCTS), 0u);
  EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
  EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B9600));
  EXPECT_EQ(SlaveSpeed(), 9600u);
}

TEST(SerialPortLine, RawRecordAsksForEvenParityAndNoFlowControl) {
  platform::termios_kernel::LineFlags cooked{IXON | IXOFF | ICRNL | INPCK, OPOST,
                                             CS7 | PARODD | CSTOPB | CRTSCTS | HUPCL,
                                             ICANON | ECHO | ISIG | IEXTEN};
  const auto f = platform::termios_kernel::RawLineFlags(cooked, LineSettings{});
  EXPECT_EQ(f.input & (IXON | IXOFF | ICRNL | INPCK), 0u);
  EXPECT_EQ(f.output & OPOST, 0u);
  EXPECT_EQ(f.local & (ICANON | ECHO | ISIG | IEXTEN), 0u);
  EXPECT_EQ(f.control & ~static_cast<tcflag_t>(HUPCL),
            static_cast<tcflag_t>(CS8 | PARENB | CLOCAL | CREAD));
}

TEST_F(SerialPortOverPty, RatesWithoutAConstantAreSetExactly) {
  ASSERT_EQ(port->Open(kCom33), 0);
  LineSettings line;
  for (std::uint32_t rate : {14400u, 56000u, 115200u, 128000u, 256000u, 9600u}) {
    line.BaudRate = rate;
    EXPECT_EQ(port->SetLine(line), 0) << rate;
    EXPECT_EQ(SlaveSpeed(), rate);
  }
}

TEST_F(SerialPortOverPty, SavedSettingsArePutBackExactly) {
  termios own = SlaveSettings();
  own.c_lflag |= ICANON | ECHO;
  ASSERT_EQ(tcsetattr(peer.SlaveFd(), TCSANOW, &own), 0);
  ASSERT_EQ(platform::termios_kernel::SetArbitrarySpeed(peer.SlaveFd(), 14400), 0);
  ASSERT_EQ(port->Open(kCom33), 0);
  platform::SavedSettings saved;
  ASSERT_EQ(port->GetState(saved), 0);
  EXPECT_TRUE(saved.valid);
  LineSettings line;
  line.BaudRate = 57600;
  ASSERT_EQ(port->SetLine(line), 0);
  ASSERT_EQ(SlaveSpeed(), 57600u);
  ASSERT_EQ(port->SetState(saved), 0);
  const termios back = SlaveSettings();
  EXPECT_EQ(back.c_lflag & (ICANON | ECHO), static_cast<tcflag_t>(ICANON | ECHO));
  EXPECT_EQ(SlaveSpeed(), 14400u);
  EXPECT_EQ(port->SetState(platform::SavedSettings{}), EINVAL);  // never read: nothing to put back
}

TEST_F(SerialPortOverPty, BytesMoveBothWaysUnderTheTimeouts) {
  peer.Run(Script().Expect({0x11, 0x00}).Send({0xFF}));
  ASSERT_EQ(port->Open(kCom33), 0);
  ASSERT_EQ(port->SetLine(LineSettings{}), 0);
  CommTimeouts own;
  ASSERT_EQ(port->GetTimeouts(own), 0);
  EXPECT_EQ(own.ReadTotalTimeoutConstant, 0u);

  // All-zero time-outs: a read does not wait.
  std::uint8_t value = 7;
  bool got = true;
  std::uint64_t start = platform::TickCount();
  EXPECT_EQ(port->ReadByte(value, got), 0);
  EXPECT_FALSE(got);
  EXPECT_LT(platform::TickCount() - start, 50u);

  // Multiplier * 1 + constant.
  CommTimeouts t;
  t.ReadTotalTimeoutMultiplier = 50;
  t.ReadTotalTimeoutConstant = 250;
  t.WriteTotalTimeoutMultiplier = 50;
  t.WriteTotalTimeoutConstant = 250;
  ASSERT_EQ(port->SetTimeouts(t), 0);
  start = platform::TickCount();
  EXPECT_EQ(port->ReadByte(value, got), 0);
  const std::uint64_t waited = platform::TickCount() - start;
  EXPECT_FALSE(got);
  EXPECT_EQ(value, 7);
  EXPECT_GE(waited, 300u);
  EXPECT_LT(waited, 600u);

  EXPECT_EQ(port->WriteByte(0x11), 0);
  EXPECT_EQ(port->WriteByte(0x00), 0);
  EXPECT_EQ(port->ReadByte(value, got), 0);
  EXPECT_TRUE(got);
  EXPECT_EQ(value, 0xFF);
  ASSERT_TRUE(peer.WaitDone());
  EXPECT_EQ(peer.Problems(), std::vector<std::string>{});
  EXPECT_EQ(port->Purge(), 0);
}

TEST_F(SerialPortOverPty, HangUpIsAnErrorNotATimeout) {
  peer.Run(Script().Pause(200).HangUp());
  ASSERT_EQ(port->Open(kCom33), 0);
  ASSERT_EQ(port->SetLine(LineSettings{}), 0);
  CommTimeouts t;
  t.ReadTotalTimeoutConstant = 3000;
  t.WriteTotalTimeoutConstant = 3000;
  ASSERT_EQ(port->SetTimeouts(t), 0);
  std::uint8_t value = 0;
  bool got = true;
  const std::uint64_t start = platform::TickCount();
  EXPECT_EQ(port->ReadByte(value, got), EIO);
  EXPECT_LT(platform::TickCount() - start, 1500u);
  EXPECT_FALSE(got);
  EXPECT_EQ(port->WriteByte(0x80), EIO);
  port->Close();
  EXPECT_FALSE(port->IsOpen());
}

// A terminal program, a stray cat, brltty: another process reads the same terminal and takes
// some of the bytes that poll() announced to this port. The port must then go on waiting for what
// is left of its time-out, never block in read() until a next byte that may never come, and never
// start its time-out again when it lost a byte: on a busy line it would then wait for as long as
// the bytes keep coming. The stray reader blocks in read() as cat does, so it takes most bytes
// first; the peer hangs up at the end, which also frees a read stuck inside read().
struct BusyLine {
  unsigned intervalMs;  // between two bytes of the peer
  unsigned count;
  std::uint32_t timeoutMs;  // of one read
};

void PrintTo(const BusyLine& line, std::ostream* os) {
  *os << line.count << " bytes " << line.intervalMs << " ms apart, time-out " << line.timeoutMs
      << " ms";
}

class AnotherReader : public SerialPortOverPty, public ::testing::WithParamInterface<BusyLine> {};

TEST_P(AnotherReader, NeverHoldsAReadPastItsTimeout) {
  const BusyLine line = GetParam();
  Script script;
  for (unsigned i = 0; i < line.count; ++i)
    script.Pause(line.intervalMs).Send({static_cast<std::uint8_t>(i)});
  script.Pause(1500).HangUp();
  const int stray = open(peer.SlavePath().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(stray, 0);
  std::atomic<int> stolen{0};
  std::thread strayReader([&] {
    unsigned char byte = 0;
    while (read(stray, &byte, 1) == 1) ++stolen;
  });
  ASSERT_EQ(port->Open(kCom33), 0);
  ASSERT_EQ(port->SetLine(LineSettings{}), 0);
  CommTimeouts t;
  t.ReadTotalTimeoutConstant = line.timeoutMs;
  ASSERT_EQ(port->SetTimeouts(t), 0);
  peer.Run(script);

  int received = 0;
  std::uint64_t longest = 0;
  int result = 0;
  const std::uint64_t end = platform::TickCount() + 20000;
  while (result == 0 && platform::TickCount() < end) {
    std::uint8_t value = 0;
    bool got = false;
    const std::uint64_t start = platform::TickCount();
    result = port->ReadByte(value, got);
    longest = std::max(longest, platform::TickCount() - start);
    received += got ? 1 : 0;
  }
  EXPECT_EQ(result, EIO) << "the hang-up at the end is an error";
  EXPECT_LT(longest, line.timeoutMs + 200u) << "a read waited past its time-out";
  EXPECT_EQ(received + stolen, static_cast<int>(line.count));
  port->Close();
  strayReader.join();
  close(stray);
}

// A byte now and then, slower than the time-out; and a busy line, a byte every 40 ms for three
// seconds, ten of them inside one time-out.
INSTANTIATE_TEST_SUITE_P(Lines, AnotherReader,
                         ::testing::Values(BusyLine{400, 12, 150}, BusyLine{40, 75, 400}));
