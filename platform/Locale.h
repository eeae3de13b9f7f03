#pragma once
// What the user's own settings say about language and numbers, for a program that follows them
// (the bench updater's words, its log's columns).
namespace platform {

// The user's language is French: on Linux the first of LC_ALL, LC_MESSAGES and LANG that is set
// begins with "fr"; on Windows the user's interface language is French.
bool UserLanguageIsFrench();

// The user's locale writes decimals with a comma ("2,3"): LC_ALL, LC_NUMERIC or LANG on Linux
// (a locale that is not installed counts as the C locale's point), the user's number format on
// Windows.
bool UserLocaleUsesDecimalComma();

}  // namespace platform
