#include <gtest/gtest.h>

#include "link/Com_p03.h"

TEST(DecodeHexPair, DecodesUpperCaseDigitsAndPassesOthersUnchecked) {
  struct Case {
    char high, low;
    std::uint32_t value;
  } cases[] = {{'3', 'A', 58}, {'F', 'F', 255}, {'0', '0', 0}, {'0', 'A', 10}, {'a', '0', 672}};
  for (const auto& c : cases)
    EXPECT_EQ(CP03::DecodeHexPair(c.high, c.low), c.value) << c.high << c.low;
}
