#pragma once
// The file access behind the settings file "BrennalV1.CFG" in the Windows directory. Only the
// access lives here; what the text means is the wizard's business (app/Settings.h).
//   Windows: the directory from GetWindowsDirectoryA, the file opened for reading with no
//            sharing (PosixSettingsFile.cpp has the Linux side, Win32SettingsFile.cpp this one).
//   Linux:   the directory is $ORB42_WINDOWS_DIR (unset or empty: /etc); Linux has no share
//            modes, so nothing is locked.
#include <cstddef>
#include <optional>
#include <string>

namespace platform {

// Only the head of the file is ever read.
inline constexpr std::size_t kSettingsReadLimit = 200;

// "<Windows directory><separator>BrennalV1.CFG", or the empty path when the system hands over
// no directory, or one longer than 197 characters (what its 200-byte buffer holds).
std::string SettingsFilePath();

// Whether anything exists under path (a file, a directory, ...). A broken link does not.
bool SettingsFileExists(const std::string& path);

// The first kSettingsReadLimit bytes of the file at path, or std::nullopt when it cannot be
// opened and read as a plain file: a directory, a file that another program holds open without
// sharing, no permission, a read error.
std::optional<std::string> ReadSettingsFileHead(const std::string& path);

}  // namespace platform
