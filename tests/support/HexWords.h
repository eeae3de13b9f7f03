#pragma once
// The program words an Intel HEX file puts in a PIC16's program memory, read straight from the
// file (byte address / 2, low byte first): an oracle for what an update must have written that
// does not go through the record table the updater itself uses. Header only, no toolkit.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace testsupport {

// One Intel HEX record with a correct checksum, followed by a line feed.
inline std::string HexRecord(unsigned byteAddress, const std::vector<unsigned>& bytes,
                             unsigned type = 0) {
  unsigned sum =
      static_cast<unsigned>(bytes.size()) + (byteAddress >> 8) + (byteAddress & 0xFF) + type;
  std::string text(":");
  char pair[8];
  for (unsigned value :
       {static_cast<unsigned>(bytes.size()), byteAddress >> 8, byteAddress & 0xFF, type}) {
    std::snprintf(pair, sizeof pair, "%02X", value);
    text += pair;
  }
  for (unsigned b : bytes) {
    std::snprintf(pair, sizeof pair, "%02X", b);
    text += pair;
    sum += b;
  }
  std::snprintf(pair, sizeof pair, "%02X\n", (256 - sum % 256) % 256);
  return text + pair;
}

inline std::map<std::uint32_t, std::uint16_t> HexProgramWords(const std::string& text) {
  std::map<std::uint32_t, std::uint16_t> words;
  std::istringstream in(text);
  std::string line;
  auto byte = [&line](std::size_t pos) {
    return static_cast<std::uint32_t>(std::stoul(line.substr(pos, 2), nullptr, 16));
  };
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() < 11 || line[0] != ':' || byte(7) != 0) continue;
    const std::uint32_t count = byte(1);
    const std::uint32_t address = 256 * byte(3) + byte(5);
    for (std::uint32_t i = 0; i + 1 < count; i += 2) {
      const std::uint32_t word = (address + i) / 2;
      if (word >= 48 && word < 8192)
        words[word] = static_cast<std::uint16_t>(byte(9 + 2 * i) + 256 * byte(11 + 2 * i));
    }
  }
  return words;
}

inline std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The words of the firmware the program embeds.
inline const std::map<std::uint32_t, std::uint16_t>& EmbeddedImageWords() {
  static const auto words =
      HexProgramWords(ReadText(std::string(ORB42_SOURCE_DIR) + "/firmware/orb42tlx-v1.5.hex"));
  return words;
}

// How many of words differ from memory (a word of the image that memory does not hold).
inline int WordsDiffering(const std::map<std::uint32_t, std::uint16_t>& words,
                          const std::vector<std::uint16_t>& memory) {
  int differing = 0;
  for (const auto& [address, word] : words)
    if (address >= memory.size() || memory[address] != word) ++differing;
  return differing;
}

}  // namespace testsupport
