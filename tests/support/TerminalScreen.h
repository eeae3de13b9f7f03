#pragma once
// What a terminal shows after some output: the few controls the live lines use (cursor up,
// carriage return, clear the line, clear to the end of the screen, line feed) played on a grid
// of rows. Given a size, it does what a terminal of that size does: a character past the last
// column goes on the next row, a line feed on the last row scrolls the top row into the
// scrollback, and a resize reflows the lines to the new width (as VTE, tmux, Windows Terminal
// and the Windows console do). Without a size (FinalScreen), lines longer than any width are
// kept whole and nothing scrolls: the tests look at the width themselves.
//
// Characters are read as UTF-8 and take the columns glibc's wcwidth() gives them under
// C.UTF-8: the tests' own measure, not the program's.
#include <locale.h>

#include <algorithm>
#include <cstddef>
#include <cwchar>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

class Screen {
 public:
  // columns 0: no row is ever full; rows 0: the screen grows instead of scrolling.
  explicit Screen(std::size_t columns = 0, std::size_t rows = 0)
      : columns_(columns), rows_(rows), screen_(1) {}

  void Feed(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
      const char c = bytes[i];
      if (c == '\x1b' && i + 1 < bytes.size() && bytes[i + 1] == '[') {
        std::size_t j = i + 2;
        std::size_t n = 0;
        bool given = false;
        while (j < bytes.size() && ((bytes[j] >= '0' && bytes[j] <= '9') || bytes[j] == ';')) {
          if (bytes[j] != ';') n = n * 10 + static_cast<std::size_t>(bytes[j] - '0');
          given = true;
          ++j;
        }
        if (j >= bytes.size()) break;
        Control(bytes[j], given ? n : 0, given);
        i = j + 1;
      } else if (c == '\r') {
        column_ = 0;
        ++i;
      } else if (c == '\n') {
        LineFeed();
        column_ = 0;
        ++i;
      } else {
        std::size_t length = SequenceLength(bytes, i);
        Print(std::string(bytes.substr(i, length)));
        i += length;
      }
    }
  }

  // The terminal is resized: every line (the scrollback's too) is laid out again at the new
  // width, and the screen shows the last rows, down to the cursor.
  void Resize(std::size_t columns, std::size_t rows) {
    // The lines, each the rows it was wrapped onto put back together, and where the cursor is
    // in them.
    std::vector<std::vector<std::string>> lines;
    std::size_t cursorLine = 0, cursorCell = 0;
    std::vector<Row> all = scrollback_;
    const std::size_t cursorRow = scrollback_.size() + row_;
    all.insert(all.end(), screen_.begin(), screen_.end());
    all.resize(std::max(all.size(), cursorRow + 1));
    while (all.size() > cursorRow + 1 && all.back().cells.empty()) all.pop_back();
    for (std::size_t r = 0; r < all.size(); ++r) {
      if (!all[r].wrapped || lines.empty()) lines.emplace_back();
      if (r == cursorRow) {
        cursorLine = lines.size() - 1;
        cursorCell = lines.back().size() + std::min(column_, all[r].cells.size());
      }
      lines.back().insert(lines.back().end(), all[r].cells.begin(), all[r].cells.end());
    }
    // Laid out again at the new width; a wide character does not straddle two rows.
    columns_ = columns;
    rows_ = rows;
    std::vector<Row> laid;
    std::size_t newRow = 0, newColumn = 0;
    for (std::size_t l = 0; l < lines.size(); ++l) {
      Row row;
      const auto mark = [&](std::size_t cell) {
        if (l != cursorLine || cell != cursorCell) return;
        newRow = laid.size();
        newColumn = row.cells.size();
      };
      for (std::size_t cell = 0; cell < lines[l].size(); ++cell) {
        const std::string& c = lines[l][cell];
        if (c.empty()) continue;  // the second half of a wide character
        const std::size_t width = cell + 1 < lines[l].size() && lines[l][cell + 1].empty() ? 2 : 1;
        if (row.cells.size() + width > Full()) {
          laid.push_back(row);
          row = Row{};
          row.wrapped = true;
        }
        mark(cell);
        row.cells.push_back(c);
        if (width == 2) row.cells.push_back("");
      }
      mark(lines[l].size());
      laid.push_back(row);
    }
    const std::size_t end = std::max(laid.size(), newRow + 1);
    laid.resize(end);
    const std::size_t top = std::min(rows_ > 0 && end > rows_ ? end - rows_ : 0, newRow);
    scrollback_.assign(laid.begin(), laid.begin() + static_cast<std::ptrdiff_t>(top));
    screen_.assign(laid.begin() + static_cast<std::ptrdiff_t>(top), laid.end());
    row_ = newRow - top;
    column_ = newColumn;
  }

  // The screen's rows, without the empty ones at the bottom.
  std::vector<std::string> Lines() const { return Text(screen_); }
  // The rows scrolled off the top, oldest first.
  std::vector<std::string> Scrollback() const { return Text(scrollback_); }

 private:
  struct Row {
    std::vector<std::string> cells;  // one character each; "" after a wide one
    bool wrapped = false;            // the row goes on from the one above (a full row)
  };

  static std::size_t SequenceLength(std::string_view bytes, std::size_t i) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    const std::size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    return std::min(length, bytes.size() - i);
  }

  // The columns glibc gives the character under C.UTF-8; a byte that is no UTF-8, one.
  static std::size_t ColumnsOf(const std::string& character) {
    static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
    const locale_t previous = uselocale(utf8);
    std::mbstate_t state{};
    wchar_t wide = 0;
    const std::size_t read = std::mbrtowc(&wide, character.data(), character.size(), &state);
    const int width = read == character.size() ? wcwidth(wide) : 1;
    uselocale(previous);
    return width < 0 ? 1 : static_cast<std::size_t>(width);
  }

  void Control(char op, std::size_t n, bool given) {
    if (column_ >= Full()) column_ = Full() - 1;  // a pending wrap ends with any control
    if (op == 'A') {
      const std::size_t up = given && n > 0 ? n : 1;
      row_ = row_ >= up ? row_ - up : 0;
    } else if (op == 'K') {
      Row& row = screen_[row_];
      if (n == 2) {
        row.cells.clear();
        row.wrapped = false;
      } else if (n == 0 && column_ < row.cells.size()) {
        row.cells.resize(column_);
      }
    } else if (op == 'J') {
      Row& row = screen_[row_];
      if (column_ < row.cells.size()) row.cells.resize(column_);
      if (column_ == 0) row.wrapped = false;
      screen_.resize(row_ + 1);
    }
  }

  std::size_t Full() const { return columns_ > 0 ? columns_ : static_cast<std::size_t>(-1); }

  void LineFeed() {
    ++row_;
    if (row_ >= screen_.size()) screen_.resize(row_ + 1);
    if (rows_ > 0 && row_ >= rows_) {
      scrollback_.push_back(screen_.front());
      screen_.erase(screen_.begin());
      row_ = rows_ - 1;
    }
  }

  void Print(const std::string& character) {
    const std::size_t width = ColumnsOf(character);
    if (width == 0) {
      Row& row = screen_[row_];
      if (column_ > 0 && column_ <= row.cells.size()) row.cells[column_ - 1] += character;
      return;
    }
    if (column_ + width > Full()) {
      LineFeed();
      column_ = 0;
      screen_[row_].wrapped = true;
    }
    Row& row = screen_[row_];
    if (row.cells.size() < column_ + width) row.cells.resize(column_ + width, " ");
    row.cells[column_] = character;
    if (width == 2) row.cells[column_ + 1] = "";
    column_ += width;
  }

  static std::vector<std::string> Text(const std::vector<Row>& rows) {
    std::vector<std::string> lines;
    for (const Row& row : rows) {
      std::string line;
      for (const std::string& cell : row.cells) line += cell;
      lines.push_back(line);
    }
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines;
  }

  std::size_t columns_, rows_;
  std::vector<Row> screen_;
  std::vector<Row> scrollback_;
  std::size_t row_ = 0, column_ = 0;
};

// What the screen shows at the end of the output, every line whole.
inline std::vector<std::string> FinalScreen(const std::string& raw) {
  Screen screen;
  screen.Feed(raw);
  return screen.Lines();
}

}  // namespace testsupport
