// The console and Ctrl-C on Windows.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <initializer_list>

#include "cli/InterruptNote.h"
#include "cli/Terminal.h"

namespace flash::terminal {

namespace {

std::atomic<bool>* stopFlag = nullptr;
InterruptNote note;

HANDLE HandleOf(std::FILE* stream) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
}

bool IsConsole(std::FILE* stream) {
  DWORD mode = 0;
  return GetConsoleMode(HandleOf(stream), &mode) != 0;
}

// Every stream carries UTF-8. A console shows bytes in its own code page, the OEM one (850 on a
// French Windows, 437 on an English one), where "mis à jour" would read "mis ├á jour": it takes
// UTF-8 from the start, whichever stream reaches it (the trace of --verbose, the messages on
// stderr while stdout goes to a file), and gets its own page back as the program ends, for the
// programs run after it in the same window. The streams that are the console are written in
// binary mode, so that the bytes reach it as they are: in text mode the C library may take each
// byte for a character of its own locale on the way to a console (Wine's does).
class ConsoleCodePage {
 public:
  ConsoleCodePage() {
    const UINT page = GetConsoleOutputCP();
    if (page != 0 && page != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) previous_ = page;
    for (std::FILE* stream : {stdout, stderr})
      if (IsConsole(stream)) _setmode(_fileno(stream), _O_BINARY);
  }
  ~ConsoleCodePage() { Restore(); }
  ConsoleCodePage(const ConsoleCodePage&) = delete;
  ConsoleCodePage& operator=(const ConsoleCodePage&) = delete;
  void Restore() const {
    if (previous_ != 0) SetConsoleOutputCP(previous_);
  }

 private:
  UINT previous_ = 0;
};
const ConsoleCodePage consoleCodePage;

std::atomic<int> cause{static_cast<int>(StopCause::None)};

// Ctrl-C, Ctrl-Break, the console window closed, the session ending: the ports finish cleanly;
// the second one ends the program at once (130 after Ctrl-C, 143 after a request to end).
BOOL WINAPI OnConsoleEvent(DWORD event) {
  StopCause asked = StopCause::Interrupt;
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      break;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      asked = StopCause::Terminate;
      break;
    default:
      return FALSE;
  }
  int none = static_cast<int>(StopCause::None);
  cause.compare_exchange_strong(none, static_cast<int>(asked));
  if (stopFlag->exchange(true)) {
    const InterruptNote::View line = note.Current();
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line.text, static_cast<DWORD>(line.length), &written,
              nullptr);
    consoleCodePage.Restore();
    ExitProcess(asked == StopCause::Terminate ? 143 : 130);
  }
  return TRUE;
}

}  // namespace

// A console that takes the cursor movements of the live lines (virtual terminal sequences,
// switched on here); UTF-8 it takes from the start (ConsoleCodePage).
// A Windows program started without a standard output has no handle there; its writes fail
// and are seen at the end, like any other lost output.
bool GuardStandardStreams() {
  return true;
}

bool IsTerminal(std::FILE* stream) {
  const HANDLE handle = HandleOf(stream);
  DWORD mode = 0;
  if (handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode)) return false;
  return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) ||
         SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

// The window onto the console's buffer, not the buffer: the buffer keeps thousands of rows
// of scrollback, the window is what the technician sees. Read each time: a console sends no
// signal when it is resized.
Size SizeOf(std::FILE* stream) {
  Size size;
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!GetConsoleScreenBufferInfo(HandleOf(stream), &info)) return size;
  const int columns = info.srWindow.Right - info.srWindow.Left + 1;
  const int rows = info.srWindow.Bottom - info.srWindow.Top + 1;
  if (columns > 0) size.columns = columns;
  if (rows > 0) size.rows = rows;
  return size;
}

StopCause StoppedBy() {
  return static_cast<StopCause>(cause.load());
}

void SetInterruptNote(const std::string& instruction, const std::vector<std::string>& names,
                      const std::function<std::string(std::size_t)>& more) {
  note.Set(instruction, names, more);
}

void OnInterrupt(std::atomic<bool>* stop) {
  stopFlag = stop;
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

}  // namespace flash::terminal
