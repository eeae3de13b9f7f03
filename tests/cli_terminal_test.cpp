// orb42-flash on a terminal as a technician meets it: more ports than the terminal has rows, a
// narrow terminal in French, a terminal resized while it runs, and the second Ctrl-C on a large
// bench. The terminal is a pseudo-terminal of a given size; what it shows is played by
// TerminalScreen.h, which measures characters with glibc's wcwidth(), not with the program's
// own table.
#include <gtest/gtest.h>
#include <locale.h>
#include <stdlib.h>

#include <chrono>
#include <cwchar>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "cli/InterruptNote.h"
#include "cli/TextColumns.h"
#include "support/FlashFixture.h"
#include "support/TerminalScreen.h"

namespace {

using namespace testsupport;
namespace fs = std::filesystem;

bool ValidUtf8(const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80                   ? 1
                               : lead >= 0xC2 && lead < 0xE0 ? 2
                               : lead >= 0xE0 && lead < 0xF0 ? 3
                               : lead >= 0xF0 && lead < 0xF5 ? 4
                                                             : 0;
    if (length == 0 || i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k)
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    i += length;
  }
  return true;
}

// The columns a line takes, by glibc's measure.
std::size_t GlibcColumns(const std::string& text) {
  static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
  const locale_t previous = uselocale(utf8);
  std::mbstate_t state{};
  std::size_t columns = 0;
  for (std::size_t i = 0; i < text.size();) {
    wchar_t wide = 0;
    const std::size_t read = std::mbrtowc(&wide, text.data() + i, text.size() - i, &state);
    if (read == 0 || read > text.size() - i) {
      columns += 1;
      i += 1;
      state = {};
      continue;
    }
    const int width = wcwidth(wide);
    columns += width < 0 ? 1 : static_cast<std::size_t>(width);
    i += read;
  }
  uselocale(previous);
  return columns;
}

// The output up to the end of its last whole frame (each frame ends by clearing what is below it).
std::string WholeFrames(const std::string& out) {
  const std::size_t end = out.rfind("\x1b[J");
  return end == std::string::npos ? std::string() : out.substr(0, end + 3);
}

TEST(TextColumns, MeasuresCutsAndPadsAsATerminalDrawsTheCharacters) {
  const struct {
    const char* text;
    std::size_t columns;
  } measured[] = {
      {"refusé", 6},
      {"e\xCC\x81t\xC3\xA9", 3},  // e and a combining acute, then t and é
      {"中文", 4},
      {"ＡＢ", 4},  // fullwidth
      {"ｶﾅ", 2},    // halfwidth
      {"한국어", 6},
      {"… 3", 3},
      {"\xF0\x9F\x98\x80", 2},  // an emoji
      {"refus\xC3", 6},         // a cut sequence: the replacement sign
  };
  for (const auto& m : measured) {
    EXPECT_EQ(flash::Columns(m.text), m.columns) << m.text;
    if (ValidUtf8(m.text)) {
      EXPECT_EQ(GlibcColumns(m.text), m.columns) << m.text;
    }
  }
  const struct {
    const char* text;
    std::size_t columns;
    const char* cut;
  } cuts[] = {
      {"refusé : le", 6, "refusé"},   {"refusé", 5, "refus"},
      {"中文字", 5, "中文"},          {"中文字", 1, ""},
      {"e\xCC\x81x", 1, "e\xCC\x81"}, {"abc", 9, "abc"},
  };
  for (const auto& c : cuts) EXPECT_EQ(flash::CutToColumns(c.text, c.columns), c.cut) << c.text;
  EXPECT_EQ(flash::PadToColumns("é", 3), "é  ");
  EXPECT_EQ(flash::PadToColumns("中文", 3), "中文");
}

// The second Ctrl-C's note: what to do comes first and whole, then whole names as long as they
// fit, then how many did not; never a character cut in two.
TEST(InterruptNote, WhatToDoFirstThenTheNamesThatFitAndHowManyDoNot) {
  using flash::terminal::InterruptNote;
  const std::string instruction =
      "orb42-flash: ended at once; switch each of these devices off and on, then run orb42-flash "
      "again (they may be left in programming mode): ";
  const auto more = [](std::size_t n) { return " and " + std::to_string(n) + " more"; };
  std::vector<std::string> names;
  for (int i = 0; i < 96; ++i)
    names.push_back("/dev/serial/by-path/pci-0000:00:14.0-usb-0:" + std::to_string(i / 8 + 1) +
                    "." + std::to_string(i % 8 + 1) + ":1.0-port0 (COM" + std::to_string(33 + i) +
                    ") 3120" + std::to_string(10000 + i) + "1");
  static InterruptNote note;
  note.Set(instruction, names, more);
  const InterruptNote::View view = note.Current();
  const std::string line(view.text, view.length);
  ASSERT_LE(line.size(), InterruptNote::kSize);
  ASSERT_EQ(line.back(), '\n');
  ASSERT_EQ(line.rfind(instruction, 0), 0u) << line;
  std::smatch m;
  const std::string body = line.substr(instruction.size(), line.size() - instruction.size() - 1);
  ASSERT_TRUE(std::regex_search(body, m, std::regex(" and ([0-9]+) more$"))) << body;
  const std::size_t left = std::stoul(m[1]);
  std::vector<std::string> listed;
  const std::string list = body.substr(0, static_cast<std::size_t>(m.position(0)));
  for (std::size_t start = 0; start <= list.size();) {
    const std::size_t comma = list.find(", ", start);
    listed.push_back(list.substr(start, comma == std::string::npos ? comma : comma - start));
    if (comma == std::string::npos) break;
    start = comma + 2;
  }
  ASSERT_EQ(listed.size() + left, names.size());
  for (std::size_t i = 0; i < listed.size(); ++i) EXPECT_EQ(listed[i], names[i]);
  // As many as fit: one more name would not have.
  EXPECT_GT(
      line.size() + 2 + names[listed.size()].size() + more(left - 1).size() - more(left).size(),
      InterruptNote::kSize);

  // A short bench: every name, nothing more.
  note.Set(instruction, {names[0], names[1]}, more);
  EXPECT_EQ(std::string(note.Current().text, note.Current().length),
            instruction + names[0] + ", " + names[1] + "\n");
  // A note that cannot even hold what to do keeps whole characters of it.
  EXPECT_EQ(InterruptNote::Compose("éééé", {"COM33"}, more, 7), "ééé");
}

// 32 ports on an 80 x 24 terminal: the live lines never take more than the 23 rows above the
// cursor, so nothing scrolls while the bench runs (before, every frame pushed a stale copy of the
// top ports into the scrollback: several hundred lines a run). The rows go to the ports at work
// and one line counts the others; the bar fits 80 columns. At the end each port's outcome is
// printed once, then the summary.
TEST_F(FlashTest, MorePortsThanRowsKeepTheLiveLinesOnTheScreen) {
  sim::Options paced = Fast();
  paced.pacing = true;
  Start(Ports(32, paced));
  FlashProcess flash({"update", "--all"}, FlashProcess::Output::Terminal, nullptr, 80, 24);
  ASSERT_TRUE(flash.WaitFor("% [#")) << flash.Out();
  Screen during(80, 24);
  during.Feed(WholeFrames(flash.Out()));
  EXPECT_TRUE(during.Scrollback().empty()) << during.Scrollback().size() << " rows scrolled";
  const std::vector<std::string> shown = during.Lines();
  ASSERT_EQ(shown.size(), 23u);
  for (std::size_t i = 0; i + 1 < shown.size(); ++i) {
    EXPECT_TRUE(std::regex_search(shown[i], std::regex("^COM[0-9]+ \\(ttyUSB[0-9]+\\) ")))
        << shown[i];
    EXPECT_LE(GlibcColumns(shown[i]), 79u) << shown[i];
  }
  EXPECT_TRUE(std::regex_match(shown.back(), std::regex("… 10 more ports: .+"))) << shown.back();
  bool bar = false;
  for (const std::string& line : shown)
    bar =
        bar || std::regex_search(line, std::regex("programming +[0-9]+% \\[#*-*\\] 115200 bit/s$"));
  EXPECT_TRUE(bar) << flash.Out();

  EXPECT_EQ(flash.Finish(), 0);
  Screen after(80, 24);
  after.Feed(flash.Out());
  std::vector<std::string> everything = after.Scrollback();
  for (const std::string& line : after.Lines()) everything.push_back(line);
  ASSERT_EQ(everything.size(), 34u) << flash.Out().size() << " bytes";
  for (std::size_t i = 0; i < 32; ++i)
    EXPECT_TRUE(std::regex_search(everything[i], std::regex("  updated 1\\.4 -> 1\\.5 in ")))
        << everything[i];
  EXPECT_EQ(everything[32], "32 devices: 32 updated, 0 not updated.");
  EXPECT_EQ(everything[33], "Exit status 0.");
}

// A French terminal narrowed from 80 to 35 columns while a device is called and another has been
// refused: the next frame is drawn at the new width with no half-line of the old frame left,
// "refusé" is cut after its é, not inside it, every byte written is UTF-8, and the outcomes and
// the summary printed at the end wrap at word breaks within 34 columns.
TEST_F(FlashTest, NarrowedFrenchTerminalGetsWholeCharactersAndLinesOfItsWidth) {
  setenv("LANG", "fr_FR.UTF-8", 1);
  std::vector<sim::Options> ports = Ports(2);
  ports[0].switchOnDelayMs = 4000;  // called while the terminal changes
  ports[1].device.serialNumber = 299999999;
  Start(ports);
  FlashProcess flash({"update", "--all"}, FlashProcess::Output::Terminal, nullptr, 80, 24);
  ASSERT_TRUE(flash.WaitFor("299999999  refusé : le numéro de série")) << flash.Out();
  ASSERT_TRUE(flash.WaitFor("\x1b[J")) << flash.Out();
  ASSERT_TRUE(flash.Resize(35, 24));
  const std::string cut = "\x1b[2KCOM34 (ttyUSB1)  299999999  refusé\r\n";
  ASSERT_TRUE(flash.WaitFor(cut)) << flash.Out();
  const std::string& out = flash.Out();
  // Every whole frame drawn before the first one at the new width (a frame may have come at 80
  // columns after the resize was asked for, before the program saw it).
  const std::string before = WholeFrames(out.substr(0, out.find(cut)));
  for (int i = 0; i < 20 && out.find("\x1b[J", out.find(cut)) == std::string::npos; ++i)
    flash.WaitFor("\x01", 100);
  const std::size_t frameEnd = out.find("\x1b[J", out.find(cut));
  ASSERT_NE(frameEnd, std::string::npos) << out;
  Screen screen(80, 24);
  screen.Feed(before);
  screen.Resize(35, 24);
  screen.Feed(out.substr(before.size(), frameEnd + 3 - before.size()));
  const std::vector<std::string> shown = screen.Lines();
  ASSERT_EQ(shown.size(), 2u) << ::testing::PrintToString(shown);
  EXPECT_EQ(shown[0], "COM33 (ttyUSB0)  -          appel ");
  EXPECT_EQ(shown[1], "COM34 (ttyUSB1)  299999999  refusé");

  EXPECT_EQ(flash.Finish(), 4) << flash.Out();
  EXPECT_TRUE(ValidUtf8(flash.Out())) << flash.Out();
  Screen end(80, 24);
  end.Feed(before);
  end.Resize(35, 24);
  end.Feed(flash.Out().substr(before.size()));
  std::vector<std::string> lines = end.Scrollback();
  for (const std::string& line : end.Lines()) lines.push_back(line);
  std::string joined;
  for (const std::string& line : lines) {
    EXPECT_LE(GlibcColumns(line), 34u) << line;
    const std::size_t indent = line.find_first_not_of(' ');
    const bool goesOn = !joined.empty() && indent != std::string::npos && indent >= 4;
    joined += (goesOn ? " " + line.substr(indent) : "\n" + line);
  }
  EXPECT_TRUE(std::regex_search(
      joined,
      std::regex("\nCOM33 \\(ttyUSB0\\)  312000001  mis à jour 1\\.4 -> 1\\.5 en [0-9]+,[0-9] s "
                 "à 115200 bit/s\nCOM34 \\(ttyUSB1\\)  299999999  refusé : le numéro de "
                 "série 299999999 est hors de 300000000 à 399999999\n2 appareils : 1 mis à "
                 "jour, 1 non mis à jour\\.\n")))
      << joined;
  EXPECT_EQ(joined.find("appel"), std::string::npos) << joined;
}

// The second Ctrl-C on a bench of 32 ports named by their /dev/serial/by-path links: the note
// says what to do first and whole, then names each device whole (before, it was cut at 2048
// bytes in the middle of a path, and what to do never came).
TEST_F(FlashTest, SecondCtrlCOnABigBenchSaysWhatToDoFirstAndNamesWholeDevices) {
  sim::Options paced = Fast();
  paced.pacing = true;
  Start(Ports(32, paced));
  const fs::path links = fs::path(bank->DevDir()) / "serial/by-path";
  fs::create_directories(links);
  std::vector<std::string> args = {"update"};
  std::set<std::string> expected;
  for (int i = 0; i < 32; ++i) {
    const std::string link = (links / ("pci-0000:00:14.0-usb-0:" + std::to_string(i / 8 + 1) + "." +
                                       std::to_string(i % 8 + 1) + ":1.0-port0"))
                                 .string();
    fs::create_symlink("../../ttyUSB" + std::to_string(i), link);
    args.push_back(link);
    expected.insert(link + " (COM" + std::to_string(33 + i) + ") " +
                    std::to_string(312000001 + 1000 * i));
  }
  for (const char* option : {"--speed", "9600"}) args.push_back(option);
  FlashProcess flash(args);
  const auto start = std::chrono::steady_clock::now();
  const auto programming = [&] {
    std::size_t count = 0;
    for (std::size_t at = 0; (at = flash.Out().find(": programming at ", at)) != std::string::npos;
         ++at)
      ++count;
    return count;
  };
  while (programming() < 32 && std::chrono::steady_clock::now() - start < std::chrono::seconds(60))
    flash.WaitFor("\x01", 200);
  ASSERT_EQ(programming(), 32u) << flash.Out();
  flash.Signal(SIGINT);
  ASSERT_TRUE(flash.WaitFor("Ctrl-C: each port finishes")) << flash.Out();
  flash.Signal(SIGINT);
  EXPECT_EQ(flash.Finish(5000), 130) << flash.Err();
  const std::string instruction =
      "orb42-flash: ended at once; switch each of these devices off and on, then run orb42-flash "
      "again (they may be left in programming mode): ";
  const std::size_t at = flash.Err().find(instruction);
  ASSERT_NE(at, std::string::npos) << flash.Err();
  const std::string note = flash.Err().substr(at);
  ASSERT_EQ(note.back(), '\n') << note;
  EXPECT_TRUE(ValidUtf8(note));
  std::string list = note.substr(instruction.size(), note.size() - instruction.size() - 1);
  std::smatch m;
  std::size_t left = 0;
  if (std::regex_search(list, m, std::regex(" and ([0-9]+) more$"))) {
    left = std::stoul(m[1]);
    list.erase(static_cast<std::size_t>(m.position(0)));
  }
  std::set<std::string> named;
  for (std::size_t begin = 0;;) {
    const std::size_t comma = list.find(", ", begin);
    const std::string name = list.substr(begin, comma == std::string::npos ? comma : comma - begin);
    EXPECT_EQ(expected.count(name), 1u) << "not a whole name: " << name;
    named.insert(name);
    if (comma == std::string::npos) break;
    begin = comma + 2;
  }
  EXPECT_EQ(named.size() + left, 32u) << note;
}

}  // namespace
