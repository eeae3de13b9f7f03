#pragma once
// The cable's USB-to-UART bridge (a CP2102, USB id 10c4:ea60) as its host driver sees it: the
// vendor requests on the control endpoint that enable the UART, set its speed, character format,
// flow control and modem lines, purge its queues and tell its part number, each answered as the
// chip answers it. What the host asked of the line comes out as a HostLine for the loader
// simulator, which then reads only what a UART set that way would deliver.
//
// Requests (bmRequestType 0x41 host to interface, 0xC1 interface to host, 0xC0 device to host;
// wIndex the interface), from the bridge's published USB interface:
//   0x00 IFC_ENABLE     wValue 1 enables the UART, 0 disables it
//   0x01 SET_BAUDDIV    wValue: divisor of 3.6864 MHz   0x02 GET_BAUDDIV   2 bytes
//   0x03 SET_LINE_CTL   wValue: stop bits (bits 0-3: 0 one, 1 one and a half, 2 two), parity
//                       (bits 4-7: none, odd, even, mark, space), data bits (bits 8-15)
//   0x04 GET_LINE_CTL   2 bytes, as set
//   0x05 SET_BREAK      wValue 1 on, 0 off
//   0x07 SET_MHS        DTR (bit 0) and RTS (bit 1), each written when its mask bit (8, 9) is set
//   0x08 GET_MDMSTS     1 byte: DTR, RTS as set; CTS, DSR and DCD on (the cable ties them)
//   0x0E GET_CHARS      6 bytes (eof, error, break, event, xon, xoff)   0x19 SET_CHARS 6 bytes
//   0x10 GET_COMM_STATUS 19 bytes: errors, hold reasons, bytes in the receive and transmit
//                       queues, eof received, wait for immediate, reserved
//   0x12 PURGE          wValue bits 0 and 2 clear the transmit queue, 1 and 3 the receive queue
//   0x13 SET_FLOW, 0x14 GET_FLOW   16 bytes: control handshake, flow replace, XON and XOFF limits
//   0x15 EMBED_EVENTS   wValue: the escape character put before events in the received data
//                       (0: none)
//   0x1D GET_BAUDRATE   4 bytes   0x1E SET_BAUDRATE 4 bytes, little-endian
//   0xFF VENDOR_SPECIFIC, device to host, wValue 0x370B: the part number (0x02, a CP2102); a
//                       request for 2 bytes gets 2, as the genuine part answers it
// Anything else (the immediate character, XON/XOFF by request, the event mask and state, the
// properties record, the reset, the other vendor values) is stalled, as the chip stalls a
// request it does not take: the Linux driver sends none of them to a CP2102, and a model that
// made their answers up could hide a driver that starts to.
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "sim/Types.h"

namespace bridge {

struct SetupRequest {
  std::uint8_t requestType = 0;
  std::uint8_t request = 0;
  std::uint16_t value = 0;
  std::uint16_t index = 0;
  std::uint16_t length = 0;
};

// What the bridge does with one request.
struct Reply {
  bool stall = false;
  std::vector<std::uint8_t> data;  // for a request to the host (IN): what goes back
  bool purgeTransmit = false;      // clear the bytes on their way to the loader
  bool purgeReceive = false;       // clear the loader's bytes not yet handed to the host
};

// The queues the bridge holds at the moment, for GET_COMM_STATUS.
struct Queues {
  std::uint32_t toHost = 0;    // received from the loader, not yet handed over
  std::uint32_t toLoader = 0;  // from the host, not yet sent on the UART
};

class Cp210xModel {
 public:
  static constexpr std::uint8_t kPartNumber = 0x02;  // CP2102

  // The request with its data stage (OUT requests); answered from the registers.
  Reply Handle(const SetupRequest& request, const std::vector<std::uint8_t>& data,
               const Queues& queues = {});
  // Whether an OUT request is one the bridge takes (its data is read only then); IN requests
  // are decided by Handle.
  bool Takes(const SetupRequest& request) const;

  // The line the UART runs now: off until enabled.
  sim::HostLine Line() const;
  bool UartEnabled() const { return enabled_; }
  bool Dtr() const { return (mhs_ & 0x01) != 0; }
  bool Rts() const { return (mhs_ & 0x02) != 0; }
  bool Break() const { return break_; }
  // The escape character of embedded events, 0 when off: the received data then carries each
  // escape character as that character followed by 0.
  std::uint8_t EventEscape() const { return escape_; }

  // "IFC_ENABLE 4, SET_BAUDRATE 6, ..." in the order first seen; stalled requests as
  // "stalled 0xNN".
  std::string Summary() const;
  static std::string RequestName(std::uint8_t request);

 private:
  std::vector<std::uint8_t> Registers(std::uint8_t request, std::uint16_t value,
                                      const Queues& queues, bool& known) const;
  void Count(const std::string& name);

  bool enabled_ = false;
  std::uint32_t baud_ = 9600;
  std::uint16_t lineCtl_ = 0x0800;  // 8 data bits, no parity, one stop bit
  std::uint16_t mhs_ = 0;
  std::uint8_t escape_ = 0;
  bool break_ = false;
  std::array<std::uint8_t, 16> flow_{0x01, 0, 0, 0, 0x40, 0, 0, 0, 0x80, 0, 0, 0, 0x80, 0, 0, 0};
  std::array<std::uint8_t, 6> chars_{0, 0, 0, 0, 0x11, 0x13};
  std::vector<std::string> order_;
  std::map<std::string, unsigned> counts_;
};

}  // namespace bridge
