#include <windows.h>

#include "platform/SystemError.h"
#include "platform/Win32Utf.h"

namespace platform {

// Windows refuses a port that another program has open with "access denied": that is a port
// held, not a question of rights. An unplugged USB bridge answers "the device is not
// connected" or "a device attached to the system is not functioning" until its port is gone.
PortFailure ClassifyPortError(int code) {
  switch (static_cast<DWORD>(code)) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
      return PortFailure::Held;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_UNIT:
    case ERROR_GEN_FAILURE:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_OPERATION_ABORTED:
      return PortFailure::Missing;
    default:
      return PortFailure::Other;
  }
}

// As UTF-16, made UTF-8: the ANSI call would give the ANSI code page's bytes, "Acc\xe8s
// refus\xe9" on a French Windows, which is no UTF-8 in a terminal or in JSON.
std::string SystemMessage(int code) {
  wchar_t text[512] = {};
  const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, static_cast<DWORD>(code), 0, text, 512, nullptr);
  std::string message = Utf8FromWide(std::wstring(text, length));
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.'))
    message.pop_back();
  return message.empty() ? "system error " + std::to_string(code) : message;
}

}  // namespace platform
