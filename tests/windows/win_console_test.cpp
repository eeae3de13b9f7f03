// orb42-flash in a console window, as a technician runs it from a command prompt. orb42-flash
// writes UTF-8; a console reads bytes in its own code page, the OEM one (850 under a French
// Windows, 437 under an English one), unless told otherwise. The test gives itself a console,
// runs orb42-flash in it (the program named by $ORB42_FLASH_EXE) against a device that does not
// answer (COM33, the simulator's, switched off: flash_tests.cmake), with its streams as a command
// prompt hands them over, and watches the console's code page while it runs and after.
// What the console then draws is not looked at: Wine's console takes each write for whole
// characters, and the C library writes an unbuffered stream a byte at a time.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/Win32Utf.h"

namespace {

HANDLE Inheritable(const wchar_t* name, DWORD access) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return CreateFileW(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                     nullptr);
}

// The console reads UTF-8 while orb42-flash runs, whichever of its streams is the console: both
// (the live lines, or the plain lines of --verbose), or stderr alone while stdout goes to a file
// (--quiet's messages). Once orb42-flash has ended, the console has its own code page back, for
// the programs run after it in the same window.
TEST(FlashInAConsole, TheConsoleReadsUtf8WhileItRunsAndHasItsOwnCodePageBackAfter) {
  const char* flash = std::getenv("ORB42_FLASH_EXE");
  ASSERT_NE(flash, nullptr) << "ORB42_FLASH_EXE names orb42-flash.exe (flash_tests.cmake)";
  FreeConsole();
  ASSERT_TRUE(AllocConsole());
  const HANDLE screen = Inheritable(L"CONOUT$", GENERIC_READ | GENERIC_WRITE);
  const HANDLE keyboard = Inheritable(L"CONIN$", GENERIC_READ | GENERIC_WRITE);
  const HANDLE nowhere = Inheritable(L"NUL", GENERIC_WRITE);
  ASSERT_NE(screen, INVALID_HANDLE_VALUE);
  const UINT page = GetConsoleOutputCP();
  ASSERT_NE(page, static_cast<UINT>(CP_UTF8));

  struct Case {
    const char* name;
    const char* options;
    bool stdoutToConsole;
  };
  const std::vector<Case> cases = {
      {"the live lines", "", true},
      {"--verbose, plain lines", " --verbose", true},
      {"stdout elsewhere, --quiet's messages on stderr", " --quiet", false},
  };
  for (const Case& c : cases) {
    SetConsoleOutputCP(page);  // each case from the console as a command prompt has it
    std::wstring command = platform::WideFromUtf8(std::string("\"") + flash +
                                                  "\" update COM33 --wait 0 --lang fr" + c.options);
    STARTUPINFOW start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = keyboard;
    start.hStdOutput = c.stdoutToConsole ? screen : nowhere;
    start.hStdError = screen;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                               &start, &process))
        << c.name;
    bool utf8 = false;
    while (WaitForSingleObject(process.hProcess, 20) == WAIT_TIMEOUT)
      utf8 = utf8 || GetConsoleOutputCP() == CP_UTF8;
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(status, 5u) << c.name << ": no answer";
    EXPECT_TRUE(utf8) << c.name;
    EXPECT_EQ(GetConsoleOutputCP(), page) << c.name;
  }
  CloseHandle(nowhere);
  CloseHandle(keyboard);
  CloseHandle(screen);
  FreeConsole();
}

}  // namespace
