#include "update/DeviceUpdate.h"

#include "update/FirmwareRecord.h"

namespace update {

namespace {

Verdict FromLink(LinkError error) {
  return error == LinkOk ? Verdict::Pass() : Verdict::Fail(error);
}

}  // namespace

bool SerialNumberValid(std::uint32_t serialNumber) {
  return serialNumber >= kFirstSerialNumber && serialNumber <= kLastSerialNumber;
}

bool MayBeUpdated(std::uint32_t major, std::uint32_t minor) {
  return major == 0 || (major == loader::kNewVersionMajor && minor < loader::kNewVersionMinor);
}

// A loader that answers, but not as "P03", is another device; any other failure is the line's.
Verdict CheckIdentity(CP03& link) {
  const LinkError error = link.CheckIdentity();
  if (error == LinkWrongIdentity) return Verdict::Refuse(Refusal::Identity);
  return FromLink(error);
}

Verdict CheckIdentity(CP03& link, std::string& identity) {
  const Verdict verdict = CheckIdentity(link);
  identity.clear();
  if (verdict.Passed()) {
    identity = "P03";
  } else if (verdict.kind == Verdict::Kind::Refused) {
    char text[4] = {};
    if (link.ReadIdentity(text) == LinkOk) identity.assign(text, 3);
  }
  return verdict;
}

Verdict CheckDeviceType(CP03& link, std::uint32_t& type) {
  if (link.ReadDeviceType(type) != LinkOk) return Verdict::Fail(link.LastError());
  return type == kDeviceType ? Verdict::Pass() : Verdict::Refuse(Refusal::DeviceType);
}

Verdict CheckSerialNumber(CP03& link, std::uint32_t& serialNumber) {
  if (link.ReadSerialNumber(serialNumber) != LinkOk) return Verdict::Fail(link.LastError());
  return SerialNumberValid(serialNumber) ? Verdict::Pass() : Verdict::Refuse(Refusal::SerialNumber);
}

Verdict CheckVersion(CP03& link, std::uint32_t& major, std::uint32_t& minor) {
  if (link.ReadVersion(major, minor) != LinkOk) return Verdict::Fail(link.LastError());
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
