#include "ui/win32/Startup.h"
#include "ui/win32/Win32.h"

// The wizard takes no command-line arguments; it always returns 0.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  return ui::win32::RunProgram();
}
