// The cable's bridge as its host driver talks to it: the vendor requests the Linux cp210x driver
// sends at probe, open, every change of the line and close, and the line the loader is told of.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "sim/bridge/Cp210xModel.h"

namespace {

using bridge::Cp210xModel;
using bridge::SetupRequest;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kToInterface = 0x41;
constexpr std::uint8_t kFromInterface = 0xC1;
constexpr std::uint8_t kFromDevice = 0xC0;

SetupRequest Out(std::uint8_t request, std::uint16_t value, std::uint16_t length = 0) {
  return {kToInterface, request, value, 0, length};
}
SetupRequest In(std::uint8_t request, std::uint16_t length, std::uint8_t type = kFromInterface,
                std::uint16_t value = 0) {
  return {type, request, value, 0, length};
}
Bytes Le32(std::uint32_t v) {
  return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
          static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

// Probe, open at the port's own 9600 8N1, the link's 9600 8E1 with DTR off and RTS on, the switch
// to 115200 and back, the port's own settings given back, close: each answered as the chip does,
// and the loader told the line at every step.
TEST(Cp210xModel, DriverSessionSetsTheLineTheLoaderIsToldOf) {
  Cp210xModel m;
  // Probe: the part number, once as one byte, once as the two a genuine part answers.
  EXPECT_EQ(m.Handle(In(0xFF, 1, kFromDevice, 0x370B), {}).data, Bytes{0x02});
  EXPECT_EQ(m.Handle(In(0xFF, 2, kFromDevice, 0x370B), {}).data.size(), 2u);
  EXPECT_FALSE(m.Line().enabled) << "the UART is off until a port opens";

  // Open: enable, speed, line control, flow control read back and written, DTR and RTS up.
  EXPECT_FALSE(m.Handle(Out(0x00, 1), {}).stall);
  ASSERT_TRUE(m.Takes(Out(0x1E, 0, 4)));
  m.Handle(Out(0x1E, 0, 4), Le32(9600));
  m.Handle(Out(0x03, 0x0800), {});
  const Bytes flow = m.Handle(In(0x14, 16), {}).data;
  ASSERT_EQ(flow.size(), 16u);
  EXPECT_FALSE(m.Handle(Out(0x13, 0, 16), flow).stall);
  EXPECT_EQ(m.Handle(In(0x14, 16), {}).data, flow);
  m.Handle(Out(0x07, 0x0303), {});
  EXPECT_EQ(sim::DescribeLine(m.Line()), "9600 8N1");
  EXPECT_TRUE(m.Dtr());

  // The link: even parity, DTR off (only DTR's mask bit set), RTS on.
  m.Handle(Out(0x03, 0x0820), {});
  m.Handle(Out(0x07, 0x0100), {});
  m.Handle(Out(0x07, 0x0202), {});
  EXPECT_EQ(sim::DescribeLine(m.Line()), "9600 8E1");
  EXPECT_FALSE(m.Dtr());
  EXPECT_TRUE(m.Rts());
  EXPECT_EQ(m.Handle(In(0x08, 1), {}).data, Bytes{0x02 | 0x10 | 0x20 | 0x80});
  EXPECT_EQ(m.Handle(In(0x04, 2), {}).data, (Bytes{0x20, 0x08}));

  m.Handle(Out(0x1E, 0, 4), Le32(115200));
  EXPECT_EQ(sim::DescribeLine(m.Line()), "115200 8E1");
  EXPECT_EQ(m.Handle(In(0x1D, 4), {}).data, Le32(115200));
  m.Handle(Out(0x1E, 0, 4), Le32(9600));
  m.Handle(Out(0x03, 0x0800), {});  // the port's own settings put back
  EXPECT_EQ(sim::DescribeLine(m.Line()), "9600 8N1");

  // The transmit queue as the driver waits for it to drain at close.
  const Bytes status = m.Handle(In(0x10, 19), {}, {3, 5}).data;
  ASSERT_EQ(status.size(), 19u);
  EXPECT_EQ(status[8], 3);   // bytes received, not yet handed to the host
  EXPECT_EQ(status[12], 5);  // bytes from the host, not yet on the UART

  // Close: both queues purged, the UART off.
  const bridge::Reply purge = m.Handle(Out(0x12, 0x000F), {});
  EXPECT_TRUE(purge.purgeTransmit);
  EXPECT_TRUE(purge.purgeReceive);
  m.Handle(Out(0x00, 0), {});
  EXPECT_EQ(sim::DescribeLine(m.Line()), "off");
  EXPECT_EQ(m.Summary(),
            "VENDOR_SPECIFIC 2, IFC_ENABLE 2, SET_BAUDRATE 3, SET_LINE_CTL 3, GET_FLOW 2, "
            "SET_FLOW 1, SET_MHS 3, GET_MDMSTS 1, GET_LINE_CTL 1, GET_BAUDRATE 1, "
            "GET_COMM_STATUS 1, PURGE 1");
}

struct LineCtlCase {
  std::uint16_t value;
  const char* line;
};

TEST(Cp210xModel, LineControlGivesSizeParityAndStopBits) {
  const LineCtlCase cases[] = {
      {0x0800, "9600 8N1"}, {0x0820, "9600 8E1"}, {0x0810, "9600 8O1"}, {0x0830, "9600 8M1"},
      {0x0840, "9600 8S1"}, {0x0722, "9600 7E2"}, {0x0801, "9600 8N2"}, {0x0550, "9600 5?1"},
  };
  for (const LineCtlCase& c : cases) {
    Cp210xModel m;
    m.Handle(Out(0x00, 1), {});
    m.Handle(Out(0x03, c.value), {});
    EXPECT_EQ(sim::DescribeLine(m.Line()), c.line) << std::hex << c.value;
  }
  Cp210xModel divisor;
  divisor.Handle(Out(0x00, 1), {});
  divisor.Handle(Out(0x01, 384), {});  // 3.6864 MHz / 384
  EXPECT_EQ(divisor.Line().speed, 9600u);
  EXPECT_EQ(divisor.Handle(In(0x02, 2), {}).data, (Bytes{0x80, 0x01}));
}

// What the chip does not take it stalls, as it does: requests it does not know, the wrong length
// of data, requests that are not vendor requests, other vendor values.
TEST(Cp210xModel, RequestsItDoesNotTakeAreStalled) {
  Cp210xModel m;
  EXPECT_TRUE(m.Handle(In(0x0F, 64), {}).stall) << "GET_PROPS";
  EXPECT_TRUE(m.Handle(Out(0x11, 0), {}).stall) << "RESET";
  EXPECT_TRUE(m.Handle(In(0xFF, 3, kFromDevice, 0x0010), {}).stall) << "another vendor value";
  EXPECT_FALSE(m.Takes(Out(0x1E, 0, 2))) << "a speed must come as four bytes";
  EXPECT_TRUE(m.Handle(Out(0x1E, 0, 2), {0x80, 0x25}).stall);
  EXPECT_TRUE(m.Handle({0x21, 0x20, 0, 0, 7}, {}).stall) << "a CDC request";
  EXPECT_EQ(m.Line().speed, 9600u);
  EXPECT_EQ(m.Summary(),
            "stalled 0x0F 1, stalled 0x11 1, stalled VENDOR_SPECIFIC 1, stalled SET_BAUDRATE 1, "
            "stalled 0x20 1");
}

// With input parity checking the driver asks for events embedded in the data behind an escape
// character; the bridge then doubles the character as data (escape, 0).
TEST(Cp210xModel, EmbeddedEventsEscapeCharacterFollowsTheDriver) {
  Cp210xModel m;
  EXPECT_EQ(m.EventEscape(), 0);
  m.Handle(Out(0x15, 0xEC), {});
  EXPECT_EQ(m.EventEscape(), 0xEC);
  m.Handle(Out(0x15, 0), {});
  EXPECT_EQ(m.EventEscape(), 0);
}

}  // namespace
