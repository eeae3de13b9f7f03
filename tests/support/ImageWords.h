#pragma once
// The embedded image's program words, to compare a device's memory with.
#include <cstdint>
#include <map>
#include <vector>

namespace testsupport {

// The program words the embedded image holds, by word address.
const std::map<std::uint32_t, std::uint16_t>& ImageWords();
// How many program words of memory differ from the image (0: the image is in place).
int WordsDifferingFromImage(const std::vector<std::uint16_t>& memory);

}  // namespace testsupport
