// orb42-flash's own firmware files: what `check` tells of an image, and what it and --firmware
// refuse, in the user's language.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "cli/Firmware.h"
#include "cli/Words.h"
#include "platform/Sha256.h"
#include "support/FlashFixture.h"
#include "support/HexWords.h"

namespace {

using namespace testsupport;

// Every fault of the check is worded in both languages, each wording with every value the check
// gives it.
TEST(FirmwareMessages, EveryFaultIsWordedInBothLanguagesWithAllItsValues) {
  for (int f = 0; f <= static_cast<int>(HexFault::SkippedConfiguration); ++f) {
    HexMessage m;
    m.fault = static_cast<HexFault>(f);
    const std::string english = HexFaultEnglish(m.fault);
    for (char n = '0'; n <= '3'; ++n)
      if (english.find(std::string("{") + n + "}") != std::string::npos)
        m.values.push_back(std::string("<value ") + n + ">");
    for (const flash::Language language : {flash::Language::French, flash::Language::English}) {
      flash::SetLanguage(language);
      const std::string text = flash::HexMessageText(m);
      EXPECT_FALSE(text.empty()) << f;
      EXPECT_EQ(text.find('{'), std::string::npos) << text;
      for (const std::string& value : m.values) EXPECT_TRUE(Has(text, value)) << text;
    }
  }
}

// An image whose counts all differ (7 records, 4 program words, 3 EEPROM cells, words 64 to
// 300): the first record is not the lowest word, the program words have gaps, and a word and a
// cell are written twice with the same value, which counts once.
TEST_F(FlashTest, CheckTellsTheWordRangeAcrossGapsAndCountsWordsAndCellsOnce) {
  Start(Ports(1));
  const std::string hex =
      File("gaps.hex", HexRecord(0x0258, {0x12, 0x34}) +                  // 300
                           HexRecord(0x0080, {0x01, 0x02, 0x03, 0x04}) +  // 64, 65
                           HexRecord(0x0080, {0x01, 0x02}) +              // 64 again
                           HexRecord(0x00A0, {0x05, 0x06}) +              // 80
                           HexRecord(0x4200, {7, 0, 8, 0, 9, 0}) +        // cells 0-2
                           HexRecord(0x4202, {8, 0}) +                    // cell 1 again
                           ":00000001FF\n");
  const std::string sha256 = platform::Sha256Hex(ReadText(hex));
  const auto plain = RunFlash({"check", hex});
  EXPECT_EQ(plain.status, 0) << plain.err;
  EXPECT_EQ(plain.out, hex +
                           ": 7 records: 4 program words (words 64 to 300), 3 EEPROM cells, then "
                           "version 1.5\n" +
                           hex + ": SHA-256 " + sha256 + "\n");
  const auto json = RunFlash({"check", hex, "--json"});
  EXPECT_EQ(json.status, 0) << json.err;
  const auto lines = JsonLines(json.out);
  ASSERT_EQ(lines.size(), 1u) << json.out;
  EXPECT_EQ(lines[0]["event"], "check");
  EXPECT_EQ(lines[0]["records"], 7);
  EXPECT_EQ(lines[0]["program_words"], 4);
  EXPECT_EQ(lines[0]["first_word"], 64);
  EXPECT_EQ(lines[0]["last_word"], 300);
  EXPECT_EQ(lines[0]["eeprom_cells"], 3);
  EXPECT_EQ(lines[0]["sha256"], sha256);
}

// The build's own image with one more record that writes its first 8 words again with other
// values: the device would keep those, not the image that was checked. Refused, with both lines
// named, in the user's language, and nothing sent. The same image saved with a byte-order mark is
// the same firmware.
TEST_F(FlashTest, AWordWrittenTwiceWithAnotherValueIsRefusedNamingBothLines) {
  Start(Ports(1));
  std::string image = ReadText(std::string(ORB42_SOURCE_DIR) + "/firmware/orb42tlx-v1.5.hex");
  const std::string end = ":00000001FF\n";
  ASSERT_EQ(image.substr(image.size() - end.size()), end);
  const std::string twice =
      File("twice.hex", image.substr(0, image.size() - end.size()) +
                            HexRecord(0x0060, std::vector<unsigned>(16, 0x11)) + end);
  const struct {
    const char* lang;
    std::string said;
  } refusals[] = {
      {"en", twice + ":132: error: program word 48 is written twice with different values: "
                     "0x1111 here, 0x118A on line 1\n"},
      {"fr", twice + ":132: erreur : le mot de programme 48 est écrit deux fois avec des valeurs "
                     "différentes : 0x1111 ici, 0x118A à la ligne 1\n"},
  };
  for (const auto& r : refusals) {
    const auto checked = RunFlash({"check", twice, "--lang", r.lang});
    EXPECT_EQ(checked.status, 2) << r.lang;
    EXPECT_EQ(checked.out, "") << r.lang;
    EXPECT_EQ(checked.err, r.said) << r.lang;
    const auto update = RunFlash({"update", "COM33", "--firmware", twice, "--lang", r.lang});
    EXPECT_EQ(update.status, 2) << r.lang;
    EXPECT_TRUE(Has(update.err, r.said)) << update.err;
  }
  EXPECT_TRUE(bank->Port(0).HostBytes().empty());

  const std::string marked = File("marked.hex", kByteOrderMark + image);
  const auto accepted = RunFlash({"check", marked});
  EXPECT_EQ(accepted.status, 0) << accepted.err;
  EXPECT_TRUE(Has(accepted.out, marked + ": 132 records: 983 program words (words 48 to "))
      << accepted.out;
}

}  // namespace
