// The loader's byte protocol, checked byte for byte against a scripted peer on a real
// pseudo-terminal.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <functional>
#include <thread>

#include "support/FakeSerialPort.h"
#include "support/PtyLink.h"

using testing_support::Bytes;
using testing_support::FakePortRecord;
using testing_support::FakeSerialPort;
using testing_support::PtyLink;
using testing_support::Script;

namespace {

constexpr std::uint8_t kAck = 0x84;

// The masked program-word command for (address, word): 0x8D, then four masked hex pairs.
Bytes ProgramWordBytes(std::uint32_t address, std::uint16_t word) {
  auto pair = [](Bytes& out, unsigned v) {
    const char* digits = "0123456789ABCDEF";
    out.push_back(static_cast<std::uint8_t>(digits[v / 16]));
    out.push_back(static_cast<std::uint8_t>(digits[v % 16]));
  };
  Bytes bytes{0x8D};
  pair(bytes, (address / 256) ^ 0x6B);
  pair(bytes, (address % 256) ^ 0xD3);
  pair(bytes, (word / 256u) ^ 0x6B);
  pair(bytes, (word % 256u) ^ 0xD3);
  return bytes;
}

// Connect, Unlock and EnterProgramming, answered.
Script& ToProgramming(Script& script) {
  return script.Expect({0x80}).Send({0x81}).Expect({0x83}).Send({kAck}).Expect({0x90}).Send({kAck});
}

// The identity the link asks for to bring the conversation back in step, answered.
Script& BackInStep(Script& script) {
  return script.Expect({0x86}).AnswerPair('P').AnswerPair('0').AnswerPair('3');
}

}  // namespace

TEST(LinkProtocol, MaskedProgramWordBytesMatchHandWorkedExamples) {
  EXPECT_EQ(ProgramWordBytes(48, 0x3FFF), (Bytes{0x8D, '6', 'B', 'E', '3', '5', '4', '2', 'C'}));
  EXPECT_EQ(ProgramWordBytes(7103, 0x1234), (Bytes{0x8D, '7', '0', '6', 'C', '7', '9', 'E', '7'}));
}

TEST_F(PtyLink, WholeConversationSendsTheExactBytesOfEveryCommand) {
  Script script;
  script.Expect({0x80}).Send({0x81});                                     // Connect
  script.Expect({0x86}).AnswerPair('P').AnswerPair('0').AnswerPair('3');  // CheckIdentity
  script.Expect({0x87}).AnswerPair(1);                                    // ReadDeviceType
  script.Expect({0x89, '7', '8'}).AnswerPair(0x00);                       // ReadSerialNumber
  script.Expect({0x89, '7', '9'}).AnswerPair(0x84);
  script.Expect({0x89, '7', 'A'}).AnswerPair(0xD7);
  script.Expect({0x89, '7', 'B'}).AnswerPair(0x17);
  script.Expect({0x89, '7', 'E'}).AnswerPair(1);  // ReadVersion
  script.Expect({0x89, '7', 'F'}).AnswerPair(4);
  script.Expect({0x89, '1', '0'}).AnswerPair(0xFF);  // ReadEepromByte
  script.Expect({0x83}).Send({kAck});                // Unlock
  script.Expect({0x90}).Send({kAck});                // EnterProgramming
  script.Expect(ProgramWordBytes(48, 0x3FFF)).Send({kAck});
  script.Expect(ProgramWordBytes(7103, 0x1234)).Send({kAck});
  script.Expect({0x8B, '1', '0', 'A', '5'}).Send({kAck});  // WriteEepromByte
  script.Expect({0x8B, '7', 'F', '0', '5'}).Send({kAck});  // WriteVersion: minor first
  script.Expect({0x8B, '7', 'E', '0', '1'}).Send({kAck});
  script.Expect({0x91});                               // LeaveProgramming
  script.Expect({0x80}).Send({0x81});                  // Connect again
  script.Expect({0x9E, '1', '4'}).Send({kAck, 0x00});  // SetLoaderSpeed(57600)
  script.Expect({0x9E, '8', '1'}).Send({kAck, 0x00});  // SetLoaderSpeed(1200)
  script.ReleaseConnected();                           // Close
  peer.Run(script);

  EXPECT_EQ(link.Connect(1), LinkOk);
  EXPECT_EQ(link.Connected(), 1);
  EXPECT_EQ(link.CheckIdentity(), LinkOk);
  std::uint32_t type = 0, serial = 0, major = 0, minor = 0, cell = 0;
  EXPECT_EQ(link.ReadDeviceType(type), LinkOk);
  EXPECT_EQ(type, 1u);
  EXPECT_EQ(link.ReadSerialNumber(serial), LinkOk);
  EXPECT_EQ(serial, 400000000u);
  EXPECT_EQ(link.ReadVersion(major, minor), LinkOk);
  EXPECT_EQ(major, 1u);
  EXPECT_EQ(minor, 4u);
  EXPECT_EQ(link.ReadEepromByte(0x10, cell), LinkOk);
  EXPECT_EQ(cell, 255u);
  EXPECT_EQ(link.Unlock(), LinkOk);
  EXPECT_EQ(link.State(), LoaderUnlocked);
  EXPECT_EQ(link.EnterProgramming(), LinkOk);
  EXPECT_EQ(link.State(), LoaderProgramming);
  EXPECT_EQ(link.WriteProgramWord(47, 0x3FFF), LinkAddressOutOfRange);  // nothing sent
  EXPECT_EQ(link.WriteProgramWord(48, 0x3FFF), LinkOk);
  EXPECT_EQ(link.WriteProgramWord(7103, 0x1234), LinkOk);
  EXPECT_EQ(link.WriteProgramWord(7104, 0x1234), LinkAddressOutOfRange);  // nothing sent
  EXPECT_EQ(link.WriteEepromByte(0x10, 0xA5), LinkOk);
  EXPECT_EQ(link.WriteVersion(1, 5), LinkOk);
  EXPECT_EQ(link.LeaveProgramming(), LinkOk);
  EXPECT_EQ(link.State(), LoaderProgramming);
  EXPECT_EQ(link.Connect(1), LinkOk);  // answered again: the loader state stays
  EXPECT_EQ(link.State(), LoaderProgramming);
  EXPECT_EQ(link.SetLoaderSpeed(57600), LinkOk);
  EXPECT_EQ(link.BaudRate(), 57600u);
  EXPECT_EQ(SlaveSpeed(), 57600u);
  EXPECT_EQ(link.SetLoaderSpeed(1200), LinkOk);  // no divisor of its own: back to 9600
  EXPECT_EQ(link.BaudRate(), 9600u);
  EXPECT_EQ(link.Close(), LinkOk);
  EXPECT_EQ(link.Connected(), 0);
  EXPECT_EQ(link.State(), LoaderIdle);
  EXPECT_FALSE(link.IsOpen());
  ExpectExactExchange(script);
}

TEST_F(PtyLink, WrongAnswersAndSilenceGiveTheirCodesAndKeepTheState) {
  Script script;
  script.Expect({0x80}).Send({0x81});
  script.Expect({0x83}).Send({0x00});                                     // Unlock refused
  script.Expect({0x83}).Send({kAck});                                     // Unlock
  script.Expect({0x90}).Send({0x00});                                     // EnterProgramming
  script.Expect({0x8B, '0', '1', '0', '2'}).Send({0x00});                 // WriteEepromByte
  script.Expect({0x9E, '1', '4'}).Send({0x00});                           // SetLoaderSpeed
  script.Expect({0x8B, '7', 'F', '0', '5'}).Send({0x00});                 // WriteVersion
  script.Expect({0x86}).AnswerPair('P').AnswerPair('0').AnswerPair('2');  // CheckIdentity
  script.Expect({0x86}).AnswerPair('P');                                  // ReadIdentity, cut short
  script.Expect({0x9E, '8', '1'}).Send({kAck, 0x00}).Expect({0x04});      // Disconnect unanswered
  script.ReleaseConnected();
  peer.Run(script);

  ASSERT_EQ(link.Connect(1), LinkOk);
  EXPECT_EQ(link.EnterProgramming(), LinkNotUnlocked);
  EXPECT_EQ(link.LeaveProgramming(), LinkNotProgramming);
  EXPECT_EQ(link.Unlock(), LinkBadAnswer);
  EXPECT_EQ(link.State(), LoaderIdle);
  EXPECT_EQ(link.Unlock(), LinkOk);
  EXPECT_EQ(link.LeaveProgramming(), LinkNotProgramming);
  EXPECT_EQ(link.WriteProgramWord(100, 1), LinkNotProgramming);
  EXPECT_EQ(link.EnterProgramming(), LinkBadAnswer);
  EXPECT_EQ(link.State(), LoaderUnlocked);
  EXPECT_EQ(link.WriteEepromByte(1, 2), LinkBadAnswer);
  EXPECT_EQ(link.SetLoaderSpeed(57600), LinkBadAnswer);
  EXPECT_EQ(link.BaudRate(), 9600u);
  EXPECT_EQ(link.WriteVersion(1, 5), LinkBadAnswer);  // the major number is not sent after it
  EXPECT_EQ(link.CheckIdentity(), LinkWrongIdentity);
  char text[4] = {'x', 'y', 'z', 'w'};
  const std::uint64_t start = Now();
  EXPECT_EQ(link.ReadIdentity(text), LinkTimeout);
  EXPECT_GE(Now() - start, 1100u);
  EXPECT_EQ(text[0], 'P');
  EXPECT_EQ(text[1], 'y');
  EXPECT_EQ(text[3], '\0');
  EXPECT_EQ(link.Disconnect(), LinkTimeout);
  EXPECT_EQ(link.Connected(), 1);
  EXPECT_EQ(link.State(), LoaderUnlocked);
  EXPECT_EQ(link.Close(), LinkOk);
  ExpectExactExchange(script);
}

TEST_F(PtyLink, ConnectOnASilentLineSendsOneCallAndTimesOut) {
  Script script;
  script.Expect({0x80}).Expect({0x80}).Send({0x81}).ReleaseConnected();
  peer.Run(script);
  const std::uint64_t start = Now();
  EXPECT_EQ(link.Connect(1), LinkTimeout);
  const std::uint64_t took = Now() - start;
  EXPECT_GE(took, 2100u);  // the purge's second, then one read time-out
  EXPECT_LT(took, 2500u);
  EXPECT_TRUE(link.IsOpen());
  EXPECT_EQ(link.Connected(), 0);
  EXPECT_EQ(link.Connect(1), LinkOk);
  EXPECT_EQ(link.Close(), LinkOk);
  ExpectExactExchange(script);
}

TEST_F(PtyLink, RefusedCallGivesThePortUpAndTheNextConnectReopensIt) {
  Script script;
  script.Expect({0x80}).Send({0x85}).Release().Release();  // Disconnect, then Close's own
  script.Expect({0x80}).Send({0x81}).ReleaseConnected();
  peer.Run(script);
  EXPECT_EQ(link.Connect(1), LinkTimeout);
  EXPECT_FALSE(link.IsOpen());
  EXPECT_EQ(link.Connected(), 0);
  EXPECT_EQ(link.Connect(1), LinkOk);
  EXPECT_TRUE(link.IsOpen());
  EXPECT_EQ(link.Close(), LinkOk);
  ExpectExactExchange(script);
}

TEST_F(PtyLink, UnlimitedConnectEndsOnTheClosedPortAfterARefusal) {
  Script script;
  script.Expect({0x80}).Send({0x85}).Release().Release();
  peer.Run(script);
  EXPECT_EQ(link.Connect(0), LinkPortNotOpen);
  EXPECT_FALSE(link.IsOpen());
  ExpectExactExchange(script);
}

TEST_F(PtyLink, ProgramWordIsRepeatedAfterAWrongAnswerWithAPurge) {
  const Bytes command = ProgramWordBytes(0x100, 0xABCD);
  Script script;
  ToProgramming(script);
  // A wrong answer followed by a stray byte: only the purge keeps the stray byte from being
  // taken as the next attempt's answer.
  script.Expect(command).Send({0x00, 0x55});
  BackInStep(script).Expect(command).Send({kAck});
  for (int i = 0; i < 4; ++i) {
    script.Expect(command).Send({0x00});
    if (i < 3) BackInStep(script);  // not after the last attempt: nothing follows it
  }
  script.Expect(command);  // silence: a purge, back in step, then the repeat
  BackInStep(script).Expect(command).Send({kAck});
  script.ReleaseConnected();
  peer.Run(script);

  ASSERT_EQ(link.Connect(1), LinkOk);
  ASSERT_EQ(link.Unlock(), LinkOk);
  ASSERT_EQ(link.EnterProgramming(), LinkOk);
  std::uint64_t start = Now();
  EXPECT_EQ(link.WriteProgramWord(0x100, 0xABCD), LinkOk);
  EXPECT_GE(Now() - start, 1000u);

  start = Now();
  EXPECT_EQ(link.WriteProgramWord(0x100, 0xABCD), LinkBadAnswer);
  EXPECT_GE(Now() - start, 4000u);  // four attempts, four purges, no fifth attempt
  EXPECT_EQ(link.State(), LoaderProgramming);

  start = Now();
  EXPECT_EQ(link.WriteProgramWord(0x100, 0xABCD), LinkOk);
  const std::uint64_t took = Now() - start;
  EXPECT_GE(took, 2100u);  // the read time-out, then the purge's second
  EXPECT_LT(took, 3000u);
  EXPECT_EQ(link.Close(), LinkOk);
  ExpectExactExchange(script);
}

// An answer that comes after the read time-out must not be taken for the answer to the repeat:
// every later answer would be read one command late, and a refused word would pass for the
// acknowledgement of the next one and never be repeated. Whether it comes during the purge's
// second or after it, the identity the link asks for next is read past it.
class LateAnswer : public PtyLink, public ::testing::WithParamInterface<unsigned> {};

TEST_P(LateAnswer, IsReadPastBeforeTheWordIsRepeated) {
  const Bytes first = ProgramWordBytes(0x100, 0x1234);
  const Bytes second = ProgramWordBytes(0x101, 0x5678);
  Script script;
  ToProgramming(script);
  script.Expect(first).Pause(GetParam()).Send({kAck});  // late: after the host's 1100 ms
  BackInStep(script).Expect(first).Send({kAck});
  script.Expect(second).Send({0x00});  // refused: must be purged and repeated
  BackInStep(script).Expect(second).Send({kAck});
  script.ReleaseConnected();
  peer.Run(script);

  ASSERT_EQ(link.Connect(1), LinkOk);
  ASSERT_EQ(link.Unlock(), LinkOk);
  ASSERT_EQ(link.EnterProgramming(), LinkOk);
  EXPECT_EQ(link.WriteProgramWord(0x100, 0x1234), LinkOk);
  EXPECT_EQ(link.WriteProgramWord(0x101, 0x5678), LinkOk);
  EXPECT_EQ(link.Close(), LinkOk);
  ExpectExactExchange(script);
}

// 1400 ms: during the purge's pause; 2300 and 3100 ms: after it, while the identity is awaited.
INSTANTIATE_TEST_SUITE_P(Delays, LateAnswer, ::testing::Values(1400u, 2300u, 3100u));

// An answer later still than the identity's own time-out: the link cannot tell what is in step,
// so the word fails without a repeat, and nothing more is sent for it.
TEST_F(PtyLink, LoaderThatStaysSilentThroughTheIdentityFailsTheWordWithoutARepeat) {
  const Bytes first = ProgramWordBytes(0x100, 0x1234);
  Script script;
  ToProgramming(script);
  script.Expect(first).Pause(4500).Send({kAck});
  peer.Run(script);

  ASSERT_EQ(link.Connect(1), LinkOk);
  ASSERT_EQ(link.Unlock(), LinkOk);
  ASSERT_EQ(link.EnterProgramming(), LinkOk);
  EXPECT_EQ(link.WriteProgramWord(0x100, 0x1234), LinkTimeout);
  ASSERT_TRUE(peer.WaitDone());  // the late answer has gone out; what followed is recorded
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  Bytes sent = script.ExpectedHostBytes();
  sent.push_back(0x86);
  EXPECT_EQ(peer.HostBytes(), sent) << "the identity, then nothing";
}

// A byte that is not a hex digit is a wrong answer, never part of a number; it is not
// acknowledged.
TEST_F(PtyLink, AnswerDigitOutsideTheHexDigitsIsAWrongAnswer) {
  Script script;
  script.Expect({0x80}).Send({0x81});
  script.Expect({0x87}).Send({'G'});
  script.Expect({0x87}).Send({'0'}).Expect({kAck}).Send({'a'});
  script.Expect({0x87}).AnswerPair(1);
  script.ReleaseConnected();
  peer.Run(script);

  ASSERT_EQ(link.Connect(1), LinkOk);
  std::uint32_t type = 7;
  EXPECT_EQ(link.ReadDeviceType(type), LinkBadAnswer);
  EXPECT_EQ(link.ReadDeviceType(type), LinkBadAnswer);
  EXPECT_EQ(type, 7u) << "a bad answer leaves the value alone";
  EXPECT_EQ(link.ReadDeviceType(type), LinkOk);
  EXPECT_EQ(type, 1u);
  EXPECT_EQ(link.Close(), LinkOk);
  ExpectExactExchange(script);
}

TEST(LinkProtocol, CommandsBeforeConnectAreRefusedWithoutSendingAnything) {
  auto record = std::make_shared<FakePortRecord>();
  CP03 link(std::make_unique<FakeSerialPort>(record));
  ASSERT_EQ(link.Open(), LinkOk);
  std::uint32_t value = 0, other = 0;
  char text[4] = {};
  const std::function<LinkError()> commands[] = {
      [&] { return link.SetLoaderSpeed(9600); },    [&] { return link.Unlock(); },
      [&] { return link.ReadIdentity(text); },      [&] { return link.CheckIdentity(); },
      [&] { return link.ReadDeviceType(value); },   [&] { return link.ReadEepromByte(1, value); },
      [&] { return link.WriteEepromByte(1, 2); },   [&] { return link.ReadEepromWord(1, value); },
      [&] { return link.ReadSerialNumber(value); }, [&] { return link.ReadVersion(value, other); },
      [&] { return link.WriteVersion(1, 5); },      [&] { return link.EnterProgramming(); },
      [&] { return link.LeaveProgramming(); },      [&] { return link.WriteProgramWord(100, 1); },
      [&] { return link.ReceiveHexPair(value); },
  };
  int i = 0;
  for (const auto& command : commands) {
    EXPECT_EQ(command(), LinkNotConnected) << "command " << i;
    EXPECT_EQ(link.LastError(), LinkNotConnected) << "command " << i++;
  }
  EXPECT_TRUE(record->written.empty());
  EXPECT_EQ(link.SendHexPair(0x0A), LinkOk);  // only the port is needed
  EXPECT_EQ(record->written, (Bytes{'0', 'A'}));
}
