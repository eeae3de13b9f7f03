#include "cli/Words.h"

#include <vector>

namespace flash {

namespace {

Language language = Language::English;

}  // namespace

void SetLanguage(Language chosen) {
  language = chosen;
}

bool French() {
  return language == Language::French;
}

std::string Say(const Words& words, std::initializer_list<std::string> args) {
  const std::vector<std::string> values(args);
  const std::string text = French() ? words.fr : words.en;
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '{' && i + 2 < text.size() && text[i + 2] == '}' && text[i + 1] >= '0' &&
        text[i + 1] <= '9') {
      const std::size_t n = static_cast<std::size_t>(text[i + 1] - '0');
      if (n < values.size()) {
        out += values[n];
        i += 2;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

}  // namespace flash
