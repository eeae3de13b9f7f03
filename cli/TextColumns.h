#pragma once
// Text as a terminal shows it: UTF-8 read a character at a time, each character as wide as the
// terminal draws it (an accented letter one column, a CJK ideogram or a fullwidth form two, a
// combining accent none). A line is cut or padded to a number of columns between two
// characters, never inside one: a terminal shows a cut sequence as a replacement sign, and the
// live lines would no longer fit.
#include <cstddef>
#include <string>
#include <string_view>

namespace flash {

// The columns a character takes: 0 for the marks drawn over the character before them, 2 for
// the wide ones, 1 otherwise.
std::size_t CharacterColumns(char32_t code);

// The columns text takes; a byte that is no UTF-8 takes one (the terminal's replacement sign).
std::size_t Columns(std::string_view text);

// The longest start of text that takes at most `columns`, ended between two characters (the
// marks over the last character kept stay with it).
std::string CutToColumns(std::string_view text, std::size_t columns);

// text followed by spaces up to `columns`; text as it is when it is that wide already.
std::string PadToColumns(std::string_view text, std::size_t columns);

// A device's bytes made safe to print: printable ASCII kept, anything else as \xNN.
std::string Printable(const std::string& raw);
// A text from outside the program (another process's name, a port or file name as typed, a path)
// made safe to show on a terminal and in a spreadsheet: valid UTF-8 kept, but the control
// characters (C0, DEL, C1: escape sequences that would move the cursor, clear the screen, set
// the terminal's title), the marks that reverse the direction of a line, and bytes that are not
// UTF-8 become \xNN, so that nobody can draw over the output through a name.
std::string Shown(const std::string& raw);

}  // namespace flash
