#include <windows.h>

#include "platform/SystemText.h"
#include "platform/Win32Utf.h"

namespace platform {

std::string SystemTextToUtf8(const std::string& text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), length);
  return Utf8FromWide(wide);
}

}  // namespace platform
