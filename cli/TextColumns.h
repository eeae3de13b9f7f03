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

}  // namespace flash
