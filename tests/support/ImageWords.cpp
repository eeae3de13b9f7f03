#include "support/ImageWords.h"

#include "update/FirmwareRecord.h"

namespace testsupport {

const std::map<std::uint32_t, std::uint16_t>& ImageWords() {
  static const std::map<std::uint32_t, std::uint16_t> words = [] {
    std::map<std::uint32_t, std::uint16_t> w;
    RecordTable table{};
    const std::size_t count = FillRecordTable(table);
    for (std::size_t i = 0; i < count; ++i) {
      const DecodedRecord r = DecodeRecord(table[i]);
      if (r.recordType == 0 && r.Class() == AddressClass::ProgramMemory)
        for (std::uint32_t k = 0; k < r.wordCount; ++k)
          w[r.wordAddress + k] = static_cast<std::uint16_t>(r.DataWord(k));
    }
    return w;
  }();
  return words;
}

int WordsDifferingFromImage(const std::vector<std::uint16_t>& memory) {
  int differing = 0;
  for (const auto& [address, word] : ImageWords())
    if (address >= memory.size() || memory[address] != word) ++differing;
  return differing;
}

}  // namespace testsupport
