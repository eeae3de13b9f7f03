#include "sim/bridge/Cp210xModel.h"

#include <algorithm>
#include <cstdio>

namespace bridge {
namespace {

constexpr std::uint8_t kIfcEnable = 0x00;
constexpr std::uint8_t kSetBaudDiv = 0x01;
constexpr std::uint8_t kGetBaudDiv = 0x02;
constexpr std::uint8_t kSetLineCtl = 0x03;
constexpr std::uint8_t kGetLineCtl = 0x04;
constexpr std::uint8_t kSetBreak = 0x05;
constexpr std::uint8_t kSetMhs = 0x07;
constexpr std::uint8_t kGetMdmSts = 0x08;
constexpr std::uint8_t kGetChars = 0x0E;
constexpr std::uint8_t kGetCommStatus = 0x10;
constexpr std::uint8_t kPurge = 0x12;
constexpr std::uint8_t kSetFlow = 0x13;
constexpr std::uint8_t kGetFlow = 0x14;
constexpr std::uint8_t kEmbedEvents = 0x15;
constexpr std::uint8_t kSetChars = 0x19;
constexpr std::uint8_t kGetBaudRate = 0x1D;
constexpr std::uint8_t kSetBaudRate = 0x1E;
constexpr std::uint8_t kVendorSpecific = 0xFF;
constexpr std::uint16_t kGetPartNumber = 0x370B;

constexpr std::uint32_t kBaudDivClock = 3686400;           // SET_BAUDDIV divides this
constexpr std::uint8_t kModemInputs = 0x10 | 0x20 | 0x80;  // CTS, DSR, DCD

void PutLe(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::uint32_t GetLe(const std::vector<std::uint8_t>& data) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < data.size() && i < 4; ++i) value |= std::uint32_t{data[i]} << (8 * i);
  return value;
}

bool IsVendor(const SetupRequest& r) {
  return (r.requestType & 0x60) == 0x40;
}

}  // namespace

std::string Cp210xModel::RequestName(std::uint8_t request) {
  switch (request) {
    case kIfcEnable:
      return "IFC_ENABLE";
    case kSetBaudDiv:
      return "SET_BAUDDIV";
    case kGetBaudDiv:
      return "GET_BAUDDIV";
    case kSetLineCtl:
      return "SET_LINE_CTL";
    case kGetLineCtl:
      return "GET_LINE_CTL";
    case kSetBreak:
      return "SET_BREAK";
    case kSetMhs:
      return "SET_MHS";
    case kGetMdmSts:
      return "GET_MDMSTS";
    case kGetChars:
      return "GET_CHARS";
    case kGetCommStatus:
      return "GET_COMM_STATUS";
    case kPurge:
      return "PURGE";
    case kSetFlow:
      return "SET_FLOW";
    case kGetFlow:
      return "GET_FLOW";
    case kEmbedEvents:
      return "EMBED_EVENTS";
    case kSetChars:
      return "SET_CHARS";
    case kGetBaudRate:
      return "GET_BAUDRATE";
    case kSetBaudRate:
      return "SET_BAUDRATE";
    case kVendorSpecific:
      return "VENDOR_SPECIFIC";
    default: {
      char name[8];
      std::snprintf(name, sizeof name, "0x%02X", request);
      return name;
    }
  }
}

bool Cp210xModel::Takes(const SetupRequest& r) const {
  if (!IsVendor(r) || (r.requestType & 0x80)) return false;
  switch (r.request) {
    case kIfcEnable:
    case kSetBaudDiv:
    case kSetLineCtl:
    case kSetBreak:
    case kSetMhs:
    case kPurge:
    case kEmbedEvents:
      return r.length == 0;
    case kSetFlow:
      return r.length == 16;
    case kSetChars:
      return r.length == 6;
    case kSetBaudRate:
      return r.length == 4;
    default:
      return false;
  }
}

std::vector<std::uint8_t> Cp210xModel::Registers(std::uint8_t request, std::uint16_t value,
                                                 const Queues& queues, bool& known) const {
  std::vector<std::uint8_t> out;
  known = true;
  switch (request) {
    case kGetBaudDiv:
      PutLe(out, baud_ != 0 ? kBaudDivClock / baud_ : 0, 2);
      break;
    case kGetLineCtl:
      PutLe(out, lineCtl_, 2);
      break;
    case kGetMdmSts:
      out.push_back(static_cast<std::uint8_t>((mhs_ & 0x03) | kModemInputs));
      break;
    case kGetChars:
      out.assign(chars_.begin(), chars_.end());
      break;
    case kGetCommStatus:
      PutLe(out, 0, 4);  // errors
      PutLe(out, 0, 4);  // hold reasons
      PutLe(out, queues.toHost, 4);
      PutLe(out, queues.toLoader, 4);
      out.insert(out.end(), {0, 0, 0});
      break;
    case kGetFlow:
      out.assign(flow_.begin(), flow_.end());
      break;
    case kGetBaudRate:
      PutLe(out, baud_, 4);
      break;
    case kVendorSpecific:
      if (value == kGetPartNumber) {
        out = {kPartNumber, 0};
      } else {
        known = false;
      }
      break;
    default:
      known = false;
  }
  return out;
}

Reply Cp210xModel::Handle(const SetupRequest& r, const std::vector<std::uint8_t>& data,
                          const Queues& queues) {
  Reply reply;
  const std::string name = RequestName(r.request);
  if (!IsVendor(r)) {
    reply.stall = true;
  } else if (r.requestType & 0x80) {
    bool known = false;
    reply.data = Registers(r.request, r.value, queues, known);
    reply.stall = !known;
    if (reply.data.size() > r.length) reply.data.resize(r.length);
  } else if (!Takes(r)) {
    reply.stall = true;
  } else {
    switch (r.request) {
      case kIfcEnable:
        enabled_ = r.value != 0;
        break;
      case kSetBaudDiv:
        if (r.value != 0) baud_ = kBaudDivClock / r.value;
        break;
      case kSetLineCtl:
        lineCtl_ = r.value;
        break;
      case kSetBreak:
        break_ = r.value != 0;
        break;
      case kSetMhs:
        if (r.value & 0x0100) mhs_ = static_cast<std::uint16_t>((mhs_ & ~0x01) | (r.value & 0x01));
        if (r.value & 0x0200) mhs_ = static_cast<std::uint16_t>((mhs_ & ~0x02) | (r.value & 0x02));
        break;
      case kPurge:
        reply.purgeTransmit = (r.value & 0x05) != 0;
        reply.purgeReceive = (r.value & 0x0A) != 0;
        break;
      case kEmbedEvents:
        escape_ = static_cast<std::uint8_t>(r.value & 0xFF);
        break;
      case kSetFlow:
        std::copy_n(data.begin(), flow_.size(), flow_.begin());
        break;
      case kSetChars:
        std::copy_n(data.begin(), chars_.size(), chars_.begin());
        break;
      case kSetBaudRate:
        if (GetLe(data) != 0) baud_ = GetLe(data);
        break;
      default:
        break;
    }
  }
  Count(reply.stall ? "stalled " + name : name);
  return reply;
}

sim::HostLine Cp210xModel::Line() const {
  sim::HostLine line;
  line.enabled = enabled_;
  line.speed = baud_;
  line.stopBits = (lineCtl_ & 0x0F) == 0 ? 1 : 2;
  static constexpr char kParity[] = {'N', 'O', 'E', 'M', 'S'};
  const unsigned parity = (lineCtl_ >> 4) & 0x0F;
  line.parity = parity < sizeof kParity ? kParity[parity] : '?';
  line.dataBits = static_cast<std::uint8_t>(lineCtl_ >> 8);
  return line;
}

void Cp210xModel::Count(const std::string& name) {
  if (counts_[name]++ == 0) order_.push_back(name);
}

std::string Cp210xModel::Summary() const {
  std::string text;
  for (const std::string& name : order_) {
    if (!text.empty()) text += ", ";
    text += name + " " + std::to_string(counts_.at(name));
  }
  return text;
}

}  // namespace bridge
