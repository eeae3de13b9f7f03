// The pieces of the wizard's core that every front end relies on: the timer's restart rules,
// the formatting of the texts whatever the locale, and the targets of the About dialog's links.
#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "ui/memory/MemoryWizard.h"
#include "wizard/AboutLinks.h"
#include "wizard/PeriodicTimer.h"
#include "wizard/TextFormat.h"
#include "wizard/Texts.h"

namespace {

// Setting the period it has, or switching on a running timer, must not restart it: the ticks
// would drift, and a step that sets its period on every visit would never tick.
TEST(WizardTimer, RestartsOnlyForANewPeriodOrWhenSwitchedOn) {
  ui::memory::MemoryTimerDriver driver;
  wizard::PeriodicTimer timer(driver);
  EXPECT_EQ(timer.Interval(), 1000);
  timer.SetInterval(1000);
  EXPECT_EQ(driver.Starts(), 0) << "off: nothing starts";
  timer.SetEnabled(true);
  EXPECT_EQ(driver.Starts(), 1);
  EXPECT_EQ(driver.Period(), 1000);
  timer.SetEnabled(true);
  timer.SetInterval(1000);
  EXPECT_EQ(driver.Starts(), 1) << "on again, same period: no restart";
  timer.SetInterval(2250);
  EXPECT_EQ(driver.Starts(), 2);
  EXPECT_EQ(driver.Period(), 2250);
  timer.SetEnabled(false);
  EXPECT_FALSE(driver.Running());
  timer.SetInterval(200);
  EXPECT_EQ(driver.Starts(), 2) << "a new period while off starts nothing";
  timer.SetEnabled(true);
  EXPECT_EQ(driver.Starts(), 3);
  EXPECT_EQ(driver.Period(), 200);
}

// The texts' numbers come out the same in every locale; a French one would make "28,5" of
// printf's "%.1f".
TEST(WizardTextFormat, NumbersIgnoreTheLocaleAndArgumentsFollowTheFormat) {
  const std::string before = std::setlocale(LC_NUMERIC, nullptr);
  const bool french = std::setlocale(LC_NUMERIC, "fr_FR.UTF-8") != nullptr ||
                      std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
  struct Case {
    std::string got, expected;
  } cases[] = {
      {wizard::FormatText(txt::Countdown.fr, {"X", 28.5}),
       "Le temps restant pour allumer votre X est de 28.5 s"},
      {wizard::FormatText(txt::Progress.en, {99.24}), "Update progression : 99.2 %"},
      {wizard::FormatText(txt::CheckSerialNumber.fr, {299999999ul}),
       "Le numéro de série de l'appareil est le : 0299999999"},
      {wizard::FormatText(txt::StepIndicator.en, {4, 10}), "Step n° 4 of 10"},
      {wizard::FormatText("%5i|%-4s|%.0f|%u", {-42, "ab", 2.5, 7u}), "  -42|ab  |2|7"},
      {wizard::FormatText("%s and %s", {"one"}), "one and "},  // a missing argument: nothing
      {wizard::FormatText("100%% %q", {}), "100% %q"},         // not a conversion of ours
  };
  std::setlocale(LC_NUMERIC, before.c_str());
  for (const Case& c : cases) EXPECT_EQ(c.got, c.expected);
  if (!french) GTEST_LOG_(INFO) << "no French or German locale here; checked in the C locale";
}

TEST(WizardAboutLinks, MailLinkOpensTheAddressItself) {
  EXPECT_EQ(wizard::MailLinkTarget(), "mailto:support@talvire.example");
  EXPECT_EQ(wizard::WebLinkTarget(), "https://www.talvire.example/");
  EXPECT_EQ(wizard::AboutLinkTarget("MAILTO:  a@b.example "), "mailto:a@b.example");
  EXPECT_EQ(wizard::AboutLinkTarget("mail"), "mail");
  EXPECT_EQ(std::string(maker::MailLink), "mailto: support@talvire.example");  // as it always was
}

}  // namespace
