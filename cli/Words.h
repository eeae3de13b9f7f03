#pragma once
// orb42-flash speaks French or English, as the wizard does: every text a person reads is a pair,
// French first, written where it is used, and Say() picks the run's language. Chosen over
// gettext because it builds the same on both systems with nothing to ship beside the program
// (Debian has no gettext runtime for mingw), and because a text cannot lose its other language:
// the pair is one expression. JSON keys, outcome codes and CSV column names are never words.
#include <initializer_list>
#include <string>

namespace flash {

enum class Language { French, English };

// Set once at start, before any worker thread.
void SetLanguage(Language language);
bool French();

struct Words {
  const char* fr;
  const char* en;
};

// The text in the run's language, each "{N}" replaced by the N-th argument (from 0).
std::string Say(const Words& words, std::initializer_list<std::string> args = {});

}  // namespace flash
