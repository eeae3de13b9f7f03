#pragma once
// The wizard's texts are UTF-8; the Win32 calls take UTF-16. Every text crosses here.
#include <string>

namespace ui::win32 {

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& utf16);

}  // namespace ui::win32
