// The text pairs are checked for what would break the program or garble the screen, not
// restated: every text is valid UTF-8, and every printf conversion is one the callers feed,
// with no more arguments than they pass (a %s without its argument reads a wild pointer).
#include "wizard/Texts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Entry {
  const char* name;
  const TextPair* pair;
  const char* args;  // what the caller passes; nullptr: shown as it is, never formatted
};

// clang-format off
#define PLAIN(n) Entry{#n, &txt::n, nullptr}
#define FORMATTED(n) Entry{#n, &txt::n, txt::n##Args}
#define MAKER(n) Entry{#n, &maker::n, nullptr}
// clang-format on

const std::vector<Entry>& AllTexts() {
  static const std::vector<Entry> all = {
      FORMATTED(StepIndicator), FORMATTED(WindowTitle), PLAIN(CaptionQuit), PLAIN(CaptionPrevious),
      PLAIN(CaptionNext), PLAIN(CaptionAbout), PLAIN(CaptionConnect), PLAIN(CaptionCancel),
      PLAIN(CaptionNo), PLAIN(CaptionYes), PLAIN(QuitTooltip), FORMATTED(Step1Title),
      PLAIN(Step1Line2), PLAIN(Step1Line3), PLAIN(Remark), FORMATTED(Step2Title), PLAIN(Step2Line2),
      FORMATTED(Step2Line3), PLAIN(Step2Line4), FORMATTED(Step3Title), FORMATTED(Step3Line1),
      FORMATTED(Step4Title), PLAIN(Step4Line1), PLAIN(Step5Title), PLAIN(Step5Line2),
      PLAIN(NoSerialPort), PLAIN(Step6Title), FORMATTED(Step6Line1), FORMATTED(Step6Line2),
      FORMATTED(Step6Line4), PLAIN(Step7Title), FORMATTED(Step7Line1), FORMATTED(Countdown),
      PLAIN(Step8Title), PLAIN(CheckDeviceModel), FORMATTED(CheckSerialNumber), PLAIN(CheckVersion),
      PLAIN(CheckPreparing), FORMATTED(Step9Title), FORMATTED(Step9Line5), FORMATTED(Progress),
      PLAIN(Step10Title), PLAIN(Step10Remark), PLAIN(DlgLinkFailed), FORMATTED(DlgConnectFailed),
      FORMATTED(DlgRefusedIdentity),
      // The pieces are never formatted alone, but each stays within the whole's arguments.
      Entry{"DlgRefusedSerialBefore", &txt::DlgRefusedSerialBefore, txt::DlgRefusedSerialArgs},
      Entry{"DlgRefusedSerialAfter", &txt::DlgRefusedSerialAfter, txt::DlgRefusedSerialArgs},
      FORMATTED(DlgRefusedSerial), FORMATTED(DlgAlreadyInstalled), FORMATTED(DlgMoreRecent),
      FORMATTED(DlgRefusedDeviceType), PLAIN(AboutCaption), PLAIN(AboutOk), MAKER(AddressLine),
      MAKER(TownLine), MAKER(Country), MAKER(TelephoneLine), MAKER(FaxLine), MAKER(WebLine),
      MAKER(MailLine)};
  return all;
}

// The conversions of a printf format, in order ("%%" is text, not a conversion). A conversion
// cut short by the end of the text comes back as it is, and so fails the allowed set.
std::vector<std::string> Conversions(const char* format) {
  std::vector<std::string> found;
  for (const char* p = format; *p != '\0'; ++p) {
    if (*p != '%') continue;
    if (p[1] == '%') {
      ++p;
      continue;
    }
    const char* start = p++;
    while (*p != '\0' && std::strchr("-+ #0123456789.hlLqjzt", *p) != nullptr) ++p;
    found.emplace_back(start, *p != '\0' ? p + 1 : p);
    if (*p == '\0') break;
  }
  return found;
}

bool IsPrefix(const std::vector<std::string>& head, const std::vector<std::string>& whole) {
  return head.size() <= whole.size() && std::equal(head.begin(), head.end(), whole.begin());
}

// Strict UTF-8: no stray continuation bytes, overlong forms, surrogates or code points above
// U+10FFFF (a Windows-1252 byte such as 0xE9 for "é" fails here).
bool IsValidUtf8(const char* text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  while (*p != 0) {
    unsigned c = *p++;
    int more = c < 0x80             ? 0
               : (c & 0xE0) == 0xC0 ? 1
               : (c & 0xF0) == 0xE0 ? 2
               : (c & 0xF8) == 0xF0 ? 3
                                    : -1;
    if (more < 0) return false;
    unsigned code = more == 0 ? c : c & (0x3F >> more);
    for (int i = 0; i < more; ++i, ++p) {
      if ((*p & 0xC0) != 0x80) return false;
      code = (code << 6) | (*p & 0x3F);
    }
    static constexpr unsigned kSmallest[] = {0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[more] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
      return false;
  }
  return true;
}

TEST(Texts, EveryTextPairOfTheHeaderIsChecked) {
  std::ifstream in(ORB42_SOURCE_DIR "/wizard/Texts.h");
  ASSERT_TRUE(in) << "cannot read wizard/Texts.h";
  std::stringstream header;
  header << in.rdbuf();
  const std::string source = header.str();

  std::set<std::string> registered, formatted;
  for (const Entry& e : AllTexts()) {
    registered.insert(e.name);
    if (e.args != nullptr) formatted.insert(e.name);
  }
  const std::regex pairDecl(R"(inline constexpr TextPair (\w+))");
  int pairs = 0;
  for (std::sregex_iterator it(source.begin(), source.end(), pairDecl), end; it != end; ++it) {
    ++pairs;
    EXPECT_TRUE(registered.count((*it)[1])) << (*it)[1] << " is not in this test's list";
  }
  EXPECT_EQ(pairs, static_cast<int>(AllTexts().size()));
  // A text that declares its arguments must be checked as a format, not as plain text.
  const std::regex argsDecl(R"(inline constexpr const char\* (\w+)Args =)");
  for (std::sregex_iterator it(source.begin(), source.end(), argsDecl), end; it != end; ++it)
    EXPECT_TRUE(formatted.count((*it)[1])) << (*it)[1] << " has Args but is listed as plain";
}

TEST(Texts, AllTextsAreValidUtf8) {
  for (const Entry& e : AllTexts()) {
    ASSERT_NE(e.pair->fr, nullptr) << e.name;
    ASSERT_NE(e.pair->en, nullptr) << e.name;
    EXPECT_TRUE(IsValidUtf8(e.pair->fr)) << e.name << " (French)";
    EXPECT_TRUE(IsValidUtf8(e.pair->en)) << e.name << " (English)";
  }
  for (const char* name : txt::LanguageNames) EXPECT_TRUE(IsValidUtf8(name)) << name;
  EXPECT_TRUE(IsValidUtf8(maker::WebAddress));
  EXPECT_TRUE(IsValidUtf8(maker::MailLink));
}

TEST(Texts, FormatsTakeOnlyTheArgumentsTheirCallersPass) {
  const std::set<std::string> allowed = {"%s", "%i", "%.1f", "%010lu"};
  for (const Entry& e : AllTexts()) {
    for (LanguageIndex l : {0, 1}) {
      const char* text = e.pair->Get(l);
      const char* lang = l == 0 ? " (French)" : " (English)";
      if (e.args == nullptr) {
        // Shown unformatted: a '%' would appear as is, or break if someone formats it later.
        EXPECT_EQ(std::strchr(text, '%'), nullptr) << e.name << lang;
        continue;
      }
      const auto used = Conversions(text);
      for (const auto& c : used) EXPECT_TRUE(allowed.count(c)) << e.name << lang << ": " << c;
      EXPECT_TRUE(IsPrefix(used, Conversions(e.args)))
          << e.name << lang << " takes more or other arguments than " << e.args;
    }
  }
}

TEST(Texts, EveryDeclaredArgumentIsUsedByOneLanguage) {
  // Args that no language uses in full would have the caller pass values nobody shows, and
  // would hide a conversion dropped from the text.
  for (const Entry& e : AllTexts()) {
    if (e.args == nullptr || std::string(e.name).find("DlgRefusedSerial") == 0) continue;
    const auto args = Conversions(e.args);
    EXPECT_TRUE(Conversions(e.pair->fr) == args || Conversions(e.pair->en) == args) << e.name;
  }
  // The serial-number dialog: the whole uses its argument in both languages.
  EXPECT_EQ(Conversions(txt::DlgRefusedSerial.fr), Conversions(txt::DlgRefusedSerialArgs));
  EXPECT_EQ(Conversions(txt::DlgRefusedSerial.en), Conversions(txt::DlgRefusedSerialArgs));
}

TEST(Texts, ConversionCheckerCatchesWhatWouldCrash) {
  EXPECT_EQ(Conversions("a %s b %.1f %% c %010lu"),
            (std::vector<std::string>{"%s", "%.1f", "%010lu"}));
  EXPECT_EQ(Conversions("100 %"), (std::vector<std::string>{"%"}));  // not an allowed one
  EXPECT_EQ(Conversions("%d"), (std::vector<std::string>{"%d"}));
  EXPECT_FALSE(IsPrefix(Conversions("%s%s"), Conversions("%s")));
  EXPECT_FALSE(IsPrefix(Conversions("%i"), Conversions("%s")));
  EXPECT_FALSE(IsValidUtf8("caf\xE9"));       // Windows-1252 "é"
  EXPECT_FALSE(IsValidUtf8("\xC3\xA9\xC3"));  // cut short
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));      // overlong
  EXPECT_TRUE(IsValidUtf8("T\xC3\xA9l\xC3\xA9"));
}

}  // namespace
