#include <cerrno>
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

std::string SystemMessage(int code) {
  return std::strerror(code);
}

}  // namespace platform
