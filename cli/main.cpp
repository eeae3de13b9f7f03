// orb42-flash: the bench updater. Everything is in Flash.cpp and its neighbours.
#include "cli/Flash.h"

#if defined(_WIN32)
#include <windows.h>
// windows.h first
#include <shellapi.h>

#include <string>
#include <vector>

#include "platform/Win32Utf.h"

// The command line as Windows holds it, in UTF-16, made UTF-8: the char argv of main is in the
// ANSI code page, where a folder named "Łukasz" on a French Windows becomes "?ukasz" and cannot
// be opened.
int main() {
  int argc = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::vector<std::string> args;
  for (int i = 0; i < argc && wide; ++i) args.push_back(platform::Utf8FromWide(wide[i]));
  if (wide) LocalFree(wide);
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  argv.push_back(nullptr);
  return flash::Main(static_cast<int>(args.size()), argv.data());
}
#else
int main(int argc, char** argv) {
  return flash::Main(argc, argv);
}
#endif
