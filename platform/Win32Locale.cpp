#include <windows.h>

#include "platform/Locale.h"

namespace platform {

bool UserLanguageIsFrench() {
  return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_FRENCH;
}

bool UserLocaleUsesDecimalComma() {
  wchar_t decimal[8] = {};
  if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, decimal, 8) <= 0) return false;
  return decimal[0] == L',';
}

}  // namespace platform
