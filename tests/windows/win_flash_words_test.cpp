// orb42-flash's words for what Windows answers, under Wine: a bridge pulled out during a run
// fails every read and write with one of a few codes, each told as a cable unplugged; the
// system's messages come in the run's language, also when it is not Windows' own.
#include <gtest/gtest.h>
#include <windows.h>

#include "cli/Messages.h"
#include "cli/Words.h"
#include "platform/SystemError.h"

namespace {

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(FlashWordsOverWine, CablePulledDuringARunIsToldAsSuch) {
  flash::SetLanguage(flash::Language::English);
  for (DWORD code : {ERROR_GEN_FAILURE, ERROR_BAD_COMMAND, ERROR_ACCESS_DENIED,
                     ERROR_DEVICE_NOT_CONNECTED, ERROR_OPERATION_ABORTED}) {
    EXPECT_TRUE(platform::LineGone(static_cast<int>(code))) << code;
    EXPECT_TRUE(
        EndsWith(flash::LinkErrorText(static_cast<int>(code)), " (the cable was unplugged?)"))
        << code << ": " << flash::LinkErrorText(static_cast<int>(code));
  }
  EXPECT_FALSE(platform::LineGone(ERROR_FILE_NOT_FOUND));
  // At the open, access denied is a port that another program holds.
  EXPECT_EQ(platform::ClassifyPortError(ERROR_ACCESS_DENIED), platform::PortFailure::Held);
}

TEST(FlashWordsOverWine, SystemMessagesInTheRunsLanguage) {
  flash::SetLanguage(flash::Language::French);
  const std::string french = flash::SystemWords(ERROR_FILE_NOT_FOUND);
  EXPECT_NE(french.find("introuvable"), std::string::npos) << french;
  flash::SetLanguage(flash::Language::English);
  const std::string english = flash::SystemWords(ERROR_FILE_NOT_FOUND);
  // Windows says "The system cannot find the file specified", Wine "File not found".
  EXPECT_TRUE(english.find("find the file") != std::string::npos ||
              english.find("File not found") != std::string::npos)
      << english;
}

}  // namespace
