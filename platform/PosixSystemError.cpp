#include <locale.h>
#include <string.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/SystemError.h"

namespace platform {

// EIO counts as gone: a node whose bridge was unplugged answers with it until it disappears.
PortFailure ClassifyPortError(int code) {
  switch (code) {
    case EACCES:
    case EPERM:
      return PortFailure::Permission;
    case EWOULDBLOCK:
#if EAGAIN != EWOULDBLOCK
    case EAGAIN:
#endif
    case EBUSY:
      return PortFailure::Held;
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case EIO:
      return PortFailure::Missing;
    default:
      return PortFailure::Other;
  }
}

bool LineGone(int code) {
  return code == EIO || code == ENXIO || code == ENODEV;
}

std::string SystemMessage(int code) {
  return std::strerror(code);
}

namespace {

// The C library's French text, from the first French locale that is installed: the user's own
// when it is French (fr_CA, fr_BE...), then France's.
std::string LibraryFrench(int code) {
  std::string names[3];
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value && *value) {
      if (std::string(value).rfind("fr", 0) == 0) names[0] = value;
      break;
    }
  }
  names[1] = "fr_FR.UTF-8";
  names[2] = "fr_FR.utf8";
  const std::string english = std::strerror(code);
  for (const std::string& name : names) {
    if (name.empty()) continue;
    // Messages and characters both, so that the accents come as UTF-8.
    const locale_t french = newlocale(LC_MESSAGES_MASK | LC_CTYPE_MASK, name.c_str(), nullptr);
    if (!french) continue;
    const std::string text = strerror_l(code, french);
    freelocale(french);
    if (text != english) return text;
  }
  return {};
}

// What this program says itself of the codes it meets, where the C library has no French.
const char* OwnFrench(int code) {
  switch (code) {
    case ENOENT:
      return "Aucun fichier ou dossier de ce type";
    case EACCES:
      return "Permission non accordée";
    case EPERM:
      return "Opération non permise";
    case EBUSY:
      return "Périphérique ou ressource occupé";
    case EAGAIN:
      return "Ressource temporairement non disponible";
    case EIO:
      return "Erreur d'entrée/sortie";
    case ENOSPC:
      return "Aucun espace disponible sur le périphérique";
    case EFBIG:
      return "Fichier trop gros";
    case EISDIR:
      return "Est un dossier";
    case ENOTDIR:
      return "N'est pas un dossier";
    case ENXIO:
      return "Aucun périphérique ou adresse";
    case ENODEV:
      return "Aucun périphérique de ce type";
    case EROFS:
      return "Système de fichiers accessible en lecture seulement";
    case EPIPE:
      return "Relais brisé (pipe)";
    case ELOOP:
      return "Trop de niveaux de liens symboliques";
    case ENOTTY:
      return "Ioctl() inappropré pour un périphérique";
    case ENAMETOOLONG:
      return "Nom de fichier trop long";
    case EINVAL:
      return "Argument invalide";
    default:
      return nullptr;
  }
}

}  // namespace

std::string SystemMessage(int code, bool french) {
  if (!french) return std::strerror(code);
  if (std::string text = LibraryFrench(code); !text.empty()) return text;
  if (const char* own = OwnFrench(code)) return own;
  return "erreur système " + std::to_string(code) + " (" + std::strerror(code) + ")";
}

}  // namespace platform
