// The link's port access: naming, opening, closing, speeds, single bytes, purge and waits.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "support/FakeSerialPort.h"
#include "support/PtyLink.h"

using testing_support::DevDir;
using testing_support::FakePortRecord;
using testing_support::FakeSerialPort;
using testing_support::PtyLink;
using testing_support::Script;

TEST(LinkPort, NewLinkIsClosedOnCom2AndRefusesByteOperations) {
  CP03 link;
  EXPECT_STREQ(link.PortName(), "\\\\.\\COM2");
  EXPECT_FALSE(link.IsOpen());
  EXPECT_EQ(link.Connected(), 0);
  EXPECT_EQ(link.State(), LoaderIdle);
  EXPECT_EQ(link.BaudRate(), 9600u);
  EXPECT_EQ(link.LastError(), LinkOk);
  std::uint32_t value = 42;
  EXPECT_EQ(link.WriteByte(0x80), LinkPortNotOpen);
  EXPECT_EQ(link.ReadByte(value), LinkPortNotOpen);
  EXPECT_EQ(value, 42u);
  EXPECT_EQ(link.Purge(), LinkPortNotOpen);
  EXPECT_EQ(link.LastError(), LinkPortNotOpen);
  EXPECT_EQ(link.Disconnect(), LinkPortNotOpen);
  EXPECT_EQ(link.Close(), LinkOk);
  EXPECT_EQ(link.LastError(), LinkOk);
  EXPECT_STREQ(CP03::DeviceName(), "Télécommande ORB42TLX");
}

TEST(LinkPort, PortIndexNamesTheComPort) {
  const struct {
    std::int32_t index;
    const char* name;
  } cases[] = {{0, "\\\\.\\COM1"},     {32, "\\\\.\\COM33"}, {100, "\\\\.\\COM101"},
               {101, "\\\\.\\COM2"},   {500, "\\\\.\\COM2"}, {-1, "\\\\.\\COM0"},
               {-100, "\\\\.\\COM-99"}};
  CP03 link;
  for (const auto& c : cases) {
    link.SetPortIndex(c.index);
    EXPECT_STREQ(link.PortName(), c.name) << c.index;
  }
}

TEST(LinkPort, HostSpeedIsOneOfTheKnownRatesOr9600) {
  const struct {
    std::int32_t asked;
    std::uint32_t set;
  } cases[] = {{115200, 115200}, {14400, 14400}, {256000, 256000}, {110, 110},  {1200, 1200},
               {100, 9600},      {0, 9600},      {-9600, 9600},    {9601, 9600}};
  CP03 link;
  for (const auto& c : cases) {
    EXPECT_EQ(link.SetSpeed(c.asked), LinkOk) << c.asked;
    EXPECT_EQ(link.BaudRate(), c.set) << c.asked;
  }
}

TEST(LinkPort, OpenOfAMissingNodeFailsAndLeavesThePortClosed) {
  DevDir dev;  // nothing in it
  CP03 link;
  link.SetPortIndex(32);
  EXPECT_EQ(link.Open(), ENOENT);
  EXPECT_FALSE(link.IsOpen());
  link.SetPortIndex(-1);  // COM0 names no node at all
  EXPECT_EQ(link.Open(), ENOENT);
  EXPECT_EQ(link.Connect(1), ENOENT);
  EXPECT_FALSE(link.IsOpen());
}

TEST_F(PtyLink, PortLockedElsewhereFailsTheOpenAndStaysClosed) {
  const int other = open(peer.SlavePath().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(other, 0);
  ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
  EXPECT_EQ(link.Open(), EWOULDBLOCK);
  EXPECT_EQ(link.LastError(), EWOULDBLOCK);
  EXPECT_FALSE(link.IsOpen());
  close(other);
}

TEST_F(PtyLink, SecondOpenReleasesTheLoaderAndReopens) {
  Script script;
  script.Release().Release();
  peer.Run(script);
  ASSERT_EQ(link.Open(), LinkOk);
  EXPECT_EQ(SlaveSpeed(), 9600u);
  EXPECT_EQ(link.SetSpeed(14400), LinkOk);  // applied to the open port
  EXPECT_EQ(SlaveSpeed(), 14400u);
  EXPECT_EQ(link.Open(), LinkOk);
  EXPECT_TRUE(link.IsOpen());
  EXPECT_EQ(link.BaudRate(), 9600u);
  EXPECT_EQ(SlaveSpeed(), 9600u);
  EXPECT_EQ(link.Close(), LinkOk);
  EXPECT_FALSE(link.IsOpen());
  EXPECT_EQ(SlaveSpeed(), 38400u);  // the terminal's own speed is back
  ExpectExactExchange(script);
}

// Also shows that the purge's pause comes first: a byte arriving during it is discarded.
TEST_F(PtyLink, ReadTimesOutAfter1100MsAndPurgeWaitsASecondFirst) {
  Script script;
  script.Expect({0x22}).Send({0xFF}).Expect({0x11}).Pause(400).Send({0x55}).Release();
  peer.Run(script);
  ASSERT_EQ(link.Open(), LinkOk);
  std::uint32_t value = 7;
  ASSERT_EQ(link.WriteByte(0x22), LinkOk);
  EXPECT_EQ(link.ReadByte(value), LinkOk);
  EXPECT_EQ(value, 255u);

  ASSERT_EQ(link.WriteByte(0x11), LinkOk);
  std::uint64_t start = Now();
  EXPECT_EQ(link.Purge(), LinkOk);
  const std::uint64_t purged = Now() - start;
  EXPECT_GE(purged, 1000u);
  EXPECT_LT(purged, 1300u);

  value = 7;
  start = Now();
  EXPECT_EQ(link.ReadByte(value), LinkTimeout);
  const std::uint64_t waited = Now() - start;
  EXPECT_EQ(value, 7u);
  EXPECT_GE(waited, 1100u);
  EXPECT_LT(waited, 1400u);
  EXPECT_EQ(link.Close(), LinkOk);
  ExpectExactExchange(script);
}

TEST_F(PtyLink, HangUpIsASystemErrorWithinTheTimeout) {
  peer.Run(Script().Pause(200).HangUp());
  ASSERT_EQ(link.Open(), LinkOk);
  std::uint32_t value = 0;
  const std::uint64_t start = Now();
  EXPECT_EQ(link.ReadByte(value), EIO);
  EXPECT_LT(Now() - start, 1000u);
  EXPECT_EQ(link.Close(), EIO);  // the settings cannot go back on a hung-up line
  EXPECT_FALSE(link.IsOpen());
}

// Another port named while one is open: the open one is released and closed, so a later Connect
// cannot keep calling the old device.
TEST_F(PtyLink, NamingAnotherPortClosesTheOpenOne) {
  Script script;
  script.Expect({0x80}).Send({0x81}).ReleaseConnected();
  peer.Run(script);
  ASSERT_EQ(link.Connect(1), LinkOk);
  link.SetPortIndex(32);  // the same port: nothing happens
  EXPECT_TRUE(link.IsOpen());
  EXPECT_EQ(link.Connected(), 1);
  link.SetPortIndex(33);  // COM34, ttyUSB1, which is not there
  EXPECT_FALSE(link.IsOpen());
  EXPECT_EQ(link.Connected(), 0);
  EXPECT_STREQ(link.PortName(), "\\\\.\\COM34");
  EXPECT_EQ(link.Connect(1), ENOENT);
  ExpectExactExchange(script);
}

TEST(LinkPort, CloseAfterAFailedRestoreStillClosesAndClearsTheState) {
  auto record = std::make_shared<FakePortRecord>();
  CP03 link(std::make_unique<FakeSerialPort>(record));
  record->answers = {0x81, 0x84};  // the call answer, then the unlock's acknowledgement
  ASSERT_EQ(link.Connect(1), LinkOk);
  ASSERT_EQ(link.Unlock(), LinkOk);
  record->setStateResult = EIO;
  record->answers = {0x84, 0x00, 0x00};  // speed change and release
  EXPECT_EQ(link.Close(), EIO);
  EXPECT_EQ(link.LastError(), EIO);
  EXPECT_FALSE(link.IsOpen());
  EXPECT_EQ(record->closes, 1);
  EXPECT_EQ(link.Connected(), 0);
  EXPECT_EQ(link.State(), LoaderIdle);
}

// Left open, such a port would be read with the system's own time-outs, which on Windows are
// all zero: a read that waits for ever. Closed, every call opens it afresh and fails the same way.
TEST(LinkPort, PortWhoseConfigurationFailsIsClosedAndOpenedAfreshByTheNextCall) {
  struct Case {
    const char* what;
    int getStateResult;
    int setLineResult;
    int putBack;  // SetState calls: the port's own settings, once they were read
  };
  const Case cases[] = {{"settings cannot be read", EACCES, 0, 0}, {"line refused", 0, EINVAL, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto record = std::make_shared<FakePortRecord>();
    CP03 link(std::make_unique<FakeSerialPort>(record));
    record->getStateResult = c.getStateResult;
    record->setLineResult = c.setLineResult;
    const int error = c.getStateResult != 0 ? c.getStateResult : c.setLineResult;
    EXPECT_EQ(link.Open(), error);
    EXPECT_EQ(link.LastError(), error);
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(record->closes, 1);
    EXPECT_EQ(record->setStates, c.putBack);
    record->answers = {0x81};  // a loader that would answer the call
    EXPECT_EQ(link.Connect(1), error);
    EXPECT_EQ(record->opens, 2);
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(link.Connected(), 0);
    EXPECT_TRUE(record->written.empty()) << "a byte went to a port without its time-outs";
    EXPECT_EQ(link.Close(), LinkOk);
  }
}

TEST(LinkPort, WaitSpinsItsFullLength) {
  CP03 link;
  std::uint64_t start = platform::TickCount();
  link.Wait(250);
  const std::uint64_t waited = platform::TickCount() - start;
  EXPECT_GE(waited, 250u);
  EXPECT_LT(waited, 350u);
  start = platform::TickCount();
  link.Wait(0);
  EXPECT_LT(platform::TickCount() - start, 5u);
}
