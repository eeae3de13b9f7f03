#pragma once
// The program's start on Windows: the start-up guard and its error box, the message loop.
namespace ui::win32 {

// The wizard window, the About dialog, the language of the settings file and the message loop,
// inside the start-up guard: an error there is shown in the error box (the program's title, an
// error icon, OK) and the program ends without the wizard. Returns 0.
int RunWizard();

// The whole program: COM for the pictures and the shell, then RunWizard. Always returns 0.
int RunProgram();

}  // namespace ui::win32
