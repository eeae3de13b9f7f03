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

bool LineGone(int code) {
  switch (static_cast<DWORD>(code)) {
    case ERROR_GEN_FAILURE:
    case ERROR_BAD_COMMAND:
    case ERROR_ACCESS_DENIED:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_OPERATION_ABORTED:
      return true;
    default:
      return false;
  }
}

namespace {

// As UTF-16, made UTF-8: the ANSI call would give the ANSI code page's bytes, "Acc\xe8s
// refus\xe9" on a French Windows, which is no UTF-8 in a terminal or in JSON. language 0 is the
// system's own choice; empty when the system has no text in that language.
std::string Formatted(int code, DWORD language) {
  wchar_t text[512] = {};
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                     static_cast<DWORD>(code), language, text, 512, nullptr);
  std::string message = Utf8FromWide(std::wstring(text, length));
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.'))
    message.pop_back();
  return message;
}

// What this program says itself of the codes it meets, where Windows has no French text.
const char* OwnFrench(int code) {
  switch (static_cast<DWORD>(code)) {
    case ERROR_FILE_NOT_FOUND:
      return "Le fichier spécifié est introuvable";
    case ERROR_PATH_NOT_FOUND:
      return "Le chemin d'accès spécifié est introuvable";
    case ERROR_ACCESS_DENIED:
      return "Accès refusé";
    case ERROR_SHARING_VIOLATION:
      return "Le processus ne peut pas accéder au fichier car ce fichier est utilisé par un "
             "autre processus";
    case ERROR_DISK_FULL:
      return "Espace insuffisant sur le disque";
    case ERROR_GEN_FAILURE:
      return "Un périphérique attaché au système ne fonctionne pas correctement";
    case ERROR_DEVICE_NOT_CONNECTED:
      return "Le périphérique n'est pas connecté";
    case ERROR_INVALID_NAME:
      return "La syntaxe du nom de fichier, de répertoire ou de volume est incorrecte";
    default:
      return nullptr;
  }
}

}  // namespace

std::string SystemMessage(int code) {
  const std::string message = Formatted(code, 0);
  return message.empty() ? "system error " + std::to_string(code) : message;
}

std::string SystemMessage(int code, bool french) {
  if (!french) {
    const std::string english = Formatted(code, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    return english.empty() ? SystemMessage(code) : english;
  }
  if (std::string text = Formatted(code, MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH)); !text.empty())
    return text;
  if (const char* own = OwnFrench(code)) return own;
  return "erreur système " + std::to_string(code) + " (" + SystemMessage(code) + ")";
}

}  // namespace platform
