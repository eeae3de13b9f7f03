#pragma once
// The settings file "BrennalV1.CFG" in the Windows directory: its "Langue" entry presets the
// wizard's language at start-up. It is read once and never written.
#include <cstdint>
#include <string>
#include <string_view>

// The number given by the "Langue" entry of a settings text such as "Langue=1;", or 0 when the
// text gives none. The text ends at its first NUL byte. Everything before the first "Langue"
// (exact case) is dropped; without it the whole text is searched. The value lies strictly
// between the first "=" and the first ";" (everything before ";" when there is no "="; nothing
// when there is no ";" or the ";" comes first), blanks and control characters trimmed.
// Accepted numbers: an optional sign and decimal digits within the signed 32-bit range, or up
// to 32 bits of hexadecimal digits after "$" or "0x", taken as a bit pattern ("$FFFFFFFF" is
// -1). Anything else, an empty value or a larger number gives 0.
std::int32_t ParseLanguageSetting(std::string_view text);

// The path of the settings file, as the platform layer gives it (platform/SettingsFile.h):
// "<Windows directory>\BrennalV1.CFG" on Windows; on Linux "<dir>/BrennalV1.CFG", the directory
// being $ORB42_WINDOWS_DIR (unset or empty: /etc). A directory path longer than 197 characters
// gives the empty path: there is then no settings file, as when the system could not hand over
// so long a directory.
std::string SettingsFilePath();

// The language number of the settings file: 0 when there is no path or nothing exists there
// (a broken link does not exist), otherwise ParseLanguageSetting of its first 200 bytes.
// Throws ProgramError("Cannot open file <path>") when something exists there that cannot be
// opened and read as a plain file (a directory, a device, a file held open without sharing,
// an open or read error).
std::int32_t ReadLanguageSettingFile();
