#pragma once
// Text that the system hands over in its own narrow encoding, made UTF-8 where it meets the
// program's own texts (which are UTF-8 throughout). On Windows the ANSI calls
// (GetWindowsDirectoryA, the registry's A calls) speak the ANSI code page: 1252 on a French
// Windows, where "C:\Windows\Système" would otherwise show as U+FFFD. Linux's file names and
// system texts are UTF-8 already.
#include <string>

namespace platform {

std::string SystemTextToUtf8(const std::string& text);

}  // namespace platform
