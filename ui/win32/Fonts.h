#pragma once
// The fonts of the wizard and its About dialog: "MS Sans Serif" where the system has it and draws
// its italic and bold (every Windows does), otherwise its TrueType successor "Microsoft Sans
// Serif", which the system replaces by its nearest sans serif where it is missing (under Wine,
// Liberation Sans). Sizes are the layout's pixel heights of the characters (11 px is 8 points at
// 96 dots an inch). Fonts are made once and live as long as the program.
#include "ui/win32/Win32.h"
// After Win32.h.
#include <string>

#include "wizard/Components.h"

namespace ui::win32 {

// The face every control uses.
const std::wstring& WizardFontFace();

// The font of that face: `pixels` high, in a style (a style replaces the whole set: bold is bold
// only), optionally underlined (the About dialog's links).
HFONT WizardFont(int pixels = 11, wizard::FontStyle style = wizard::FontStyle::Plain,
                 bool underline = false);

// The width in pixels of a text drawn in a font.
int TextWidthIn(HFONT font, const std::wstring& text);

}  // namespace ui::win32
