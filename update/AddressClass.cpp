#include "update/AddressClass.h"

AddressClass ClassOfWordAddress(std::uint32_t wordAddress) {
  if (wordAddress >= kFirstEepromWord) return AddressClass::Eeprom;
  if (wordAddress >= kFirstConfigWord) return AddressClass::Skipped;
  if (wordAddress >= kFirstProgramWord) return AddressClass::ProgramMemory;
  return AddressClass::Skipped;
}
