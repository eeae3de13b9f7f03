#include <windows.h>

#include "platform/SystemText.h"
#include "platform/Win32Utf.h"

namespace platform {

std::string SystemTextToUtf8(const std::string& text) {
  return Utf8FromWide(WideFromCodePage(CP_ACP, text));
}

}  // namespace platform
