#pragma once
// What a terminal shows at the end of some output: the few controls the live lines use (cursor
// up, carriage return, clear the line, clear to the end of the screen, line feed) played on a
// grid of lines. Lines longer than the width are kept whole: the tests look at the width
// themselves.
#include <cstddef>
#include <string>
#include <vector>

namespace testsupport {

inline std::vector<std::string> FinalScreen(const std::string& raw) {
  std::vector<std::string> lines(1);
  std::size_t row = 0, column = 0;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const char c = raw[i];
    if (c == '\x1b' && i + 1 < raw.size() && raw[i + 1] == '[') {
      std::size_t j = i + 2;
      std::size_t n = 0;
      while (j < raw.size() && raw[j] >= '0' && raw[j] <= '9') n = n * 10 + (raw[j++] - '0');
      if (j >= raw.size()) break;
      const char op = raw[j];
      if (op == 'A') {
        row = row >= n ? row - n : 0;
      } else if (op == 'K') {
        lines[row].clear();
      } else if (op == 'J') {
        lines[row].erase(std::min(column, lines[row].size()));
        lines.resize(row + 1);
      }
      i = j;
    } else if (c == '\r') {
      column = 0;
    } else if (c == '\n') {
      ++row;
      column = 0;
      if (row >= lines.size()) lines.resize(row + 1);
    } else {
      std::string& line = lines[row];
      if (column < line.size()) {
        line[column] = c;
      } else {
        line.resize(column);
        line += c;
      }
      ++column;
    }
  }
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

}  // namespace testsupport
