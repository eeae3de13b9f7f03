#pragma once
// UTF-8 and UTF-16, the program's texts and the W calls' (Windows only). Invalid sequences become
// U+FFFD rather than failing: a text is shown whatever it holds.
#include <string>

namespace platform {

std::wstring WideFromUtf8(const std::string& utf8);
// Bytes in a code page of Windows (CP_ACP for the ANSI calls' texts) as UTF-16.
std::wstring WideFromCodePage(unsigned int codePage, const std::string& text);
std::string Utf8FromWide(const std::wstring& utf16);

}  // namespace platform
