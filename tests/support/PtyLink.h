#pragma once
// A link pointed at a scripted peer: ORB42_DEV_DIR holds ttyUSB0 -> the peer's pseudo-terminal,
// and the link names COM33.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "link/Com_p03.h"
#include "platform/Clock.h"
#include "platform/TermiosKernel.h"
#include "support/ScriptedPeer.h"

namespace testing_support {

class PtyLink : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(peer.Ok());
    dev.Link("ttyUSB0", peer.SlavePath());
    link.SetPortIndex(32);
  }

  // The script ran through without a wrong byte, and the host sent exactly what it expected.
  void ExpectExactExchange(const Script& script) {
    ASSERT_TRUE(peer.WaitDone());
    std::this_thread::sleep_for(std::chrono::milliseconds(60));  // let stray bytes arrive
    EXPECT_EQ(peer.Problems(), std::vector<std::string>{});
    EXPECT_EQ(peer.HostBytes(), script.ExpectedHostBytes());
  }

  std::uint32_t SlaveSpeed() {
    std::uint32_t in = 0, out = 0;
    platform::termios_kernel::GetSpeeds(peer.SlaveFd(), in, out);
    return out;
  }

  static std::uint64_t Now() { return platform::TickCount(); }

  ScriptedPeer peer;
  DevDir dev;
  CP03 link;  // destroyed first, while the peer still serves
};

}  // namespace testing_support
