// The console and Ctrl-C on Windows.
#include <io.h>
#include <windows.h>

#include "cli/InterruptNote.h"
#include "cli/Terminal.h"

namespace flash::terminal {

namespace {

std::atomic<bool>* stopFlag = nullptr;
InterruptNote note;

HANDLE HandleOf(std::FILE* stream) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
}

// Ctrl-C, Ctrl-Break, the console window closed: the ports finish cleanly; the second one ends
// the program at once.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
      if (stopFlag->exchange(true)) {
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_ERROR_HANDLE), note.Text(), static_cast<DWORD>(note.Length()),
                  &written, nullptr);
        ExitProcess(130);
      }
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

// A console that takes the cursor movements of the live lines (virtual terminal sequences,
// switched on here) and UTF-8.
bool IsTerminal(std::FILE* stream) {
  const HANDLE handle = HandleOf(stream);
  DWORD mode = 0;
  if (handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode)) return false;
  if (!(mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) &&
      !SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING))
    return false;
  SetConsoleOutputCP(CP_UTF8);
  return true;
}

int Width(std::FILE* stream) {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!GetConsoleScreenBufferInfo(HandleOf(stream), &info)) return 80;
  const int width = info.srWindow.Right - info.srWindow.Left + 1;
  return width > 0 ? width : 80;
}

void SetInterruptNote(const std::string& line) {
  note.Set(line);
}

void OnInterrupt(std::atomic<bool>* stop) {
  stopFlag = stop;
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

}  // namespace flash::terminal
