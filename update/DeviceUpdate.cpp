#include "update/DeviceUpdate.h"

#include "update/FirmwareRecord.h"

namespace update {

namespace {

Verdict FromLink(LinkError error) {
  return error == LinkOk ? Verdict::Pass() : Verdict::Fail(error);
}

// Reads a value twice with read; two answers that differ are a line that garbles (a digit can
// turn into another digit), and a value that decides whether a device is written must be the
// one the device sent. value keeps the first answer.
template <typename Read>
Verdict ReadConfirmed(CP03& link, std::uint32_t& value, Read read) {
  if (read(value) != LinkOk) return Verdict::Fail(link.LastError());
  std::uint32_t again = 0;
  if (read(again) != LinkOk) return Verdict::Fail(link.LastError());
  return again == value ? Verdict::Pass() : Verdict::Fail(LinkAnswersDiffer);
}

}  // namespace

bool SerialNumberValid(std::uint32_t serialNumber) {
  return serialNumber >= kFirstSerialNumber && serialNumber <= kLastSerialNumber;
}

bool MayBeUpdated(std::uint32_t major, std::uint32_t minor) {
  return major == 0 || (major == loader::kNewVersionMajor && minor < loader::kNewVersionMinor);
}

// A loader that answers, but not as "P03", is another device; any other failure is the line's.
// An identity that does not match is asked for once more before the device is refused: a
// garbled digit must not make the right device "another one", and the report names what the
// other loader really calls itself.
Verdict CheckIdentity(CP03& link) {
  std::string identity;
  return CheckIdentity(link, identity);
}

Verdict CheckIdentity(CP03& link, std::string& identity) {
  identity.clear();
  char first[4] = {};
  if (link.ReadIdentity(first) != LinkOk) return Verdict::Fail(link.LastError());
  if (std::string(first, 3) == loader::kLoaderIdentity) {
    identity = loader::kLoaderIdentity;
    return Verdict::Pass();
  }
  char second[4] = {};
  if (link.ReadIdentity(second) != LinkOk) return Verdict::Fail(link.LastError());
  if (std::string(first, 3) != std::string(second, 3)) return Verdict::Fail(LinkAnswersDiffer);
  identity.assign(first, 3);
  return Verdict::Refuse(Refusal::Identity);
}

Verdict CheckDeviceType(CP03& link, std::uint32_t& type) {
  const Verdict read =
      ReadConfirmed(link, type, [&link](std::uint32_t& v) { return link.ReadDeviceType(v); });
  if (!read.Passed()) return read;
  return type == kDeviceType ? Verdict::Pass() : Verdict::Refuse(Refusal::DeviceType);
}

Verdict CheckSerialNumber(CP03& link, std::uint32_t& serialNumber) {
  const Verdict read = ReadConfirmed(
      link, serialNumber, [&link](std::uint32_t& v) { return link.ReadSerialNumber(v); });
  if (!read.Passed()) return read;
  return SerialNumberValid(serialNumber) ? Verdict::Pass() : Verdict::Refuse(Refusal::SerialNumber);
}

Verdict CheckVersion(CP03& link, std::uint32_t& major, std::uint32_t& minor) {
  // Both cells in one value, so that the two readings are compared whole.
  std::uint32_t both = 0;
  const Verdict read = ReadConfirmed(link, both, [&link](std::uint32_t& v) {
    std::uint32_t ma = 0, mi = 0;
    const LinkError error = link.ReadVersion(ma, mi);
    if (error == LinkOk) v = ma * 256 + mi;
    return error;
  });
  if (!read.Passed()) return read;
  major = both / 256;
  minor = both % 256;
  return MayBeUpdated(major, minor) ? Verdict::Pass() : Verdict::Refuse(Refusal::Version);
}

Verdict PrepareProgramming(CP03& link) {
  if (link.Unlock() != LinkOk || link.EnterProgramming() != LinkOk)
    return Verdict::Fail(link.LastError());
  return Verdict::Pass();
}

RecordResult ProgramRecord(CP03& link, const char* recordText, const StopRequested& stop) {
  RecordResult result;
  const DecodedRecord record = DecodeRecord(recordText);
  if (record.recordType == 1) {
    result.verdict =
        FromLink(link.WriteVersion(loader::kNewVersionMajor, loader::kNewVersionMinor));
    result.endOfImage = result.verdict.Passed();
    return result;
  }
  if (record.recordType == 4) return result;  // the upper address is not applied
  const AddressClass where = record.Class();
  if (where == AddressClass::Skipped) return result;
  for (std::uint32_t k = 0; k < record.wordCount; ++k) {
    if (k > 0 && stop && stop()) {
      result.verdict = Verdict::Stop();
      return result;
    }
    const LinkError error =
        where == AddressClass::ProgramMemory
            ? link.WriteProgramWord(record.wordAddress + k,
                                    static_cast<std::uint16_t>(record.DataWord(k)))
            : link.WriteEepromByte(EepromCellOf(record.wordAddress + k), record.EepromByte(k));
    if (error != LinkOk) {
      result.verdict = Verdict::Fail(error);
      return result;
    }
    ++result.written;
  }
  return result;
}

void Finish(CP03& link) {
  link.LeaveProgramming();
  link.Disconnect();
  link.Close();
}

}  // namespace update
