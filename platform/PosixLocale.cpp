#include <cstdlib>
#include <locale>
#include <stdexcept>
#include <string>

#include "platform/Locale.h"

namespace platform {

namespace {

// The first of the variables that is set and not empty, as the C library looks them up.
std::string FirstSet(std::initializer_list<const char*> names) {
  for (const char* name : names) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return value;
  }
  return {};
}

}  // namespace

bool UserLanguageIsFrench() {
  return FirstSet({"LC_ALL", "LC_MESSAGES", "LANG"}).rfind("fr", 0) == 0;
}

// The program's own C locale is never changed (its numbers stay "2.3" everywhere else): the
// user's locale is only looked at.
bool UserLocaleUsesDecimalComma() {
  const std::string name = FirstSet({"LC_ALL", "LC_NUMERIC", "LANG"});
  if (name.empty()) return false;
  try {
    return std::use_facet<std::numpunct<char>>(std::locale(name)).decimal_point() == ',';
  } catch (const std::runtime_error&) {
    return false;  // not installed here
  }
}

}  // namespace platform
