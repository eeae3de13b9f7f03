#include "ui/win32/Utf.h"

#include "platform/Win32Utf.h"

namespace ui::win32 {

std::wstring Widen(const std::string& utf8) {
  return platform::WideFromUtf8(utf8);
}

std::string Narrow(const std::wstring& utf16) {
  return platform::Utf8FromWide(utf16);
}

}  // namespace ui::win32
