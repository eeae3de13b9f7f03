// Windows opens a serial port for one user at a time: a second program gets "access denied"
// instead of a share of the bytes, so there is no other reader to name.
#include "platform/PortReaders.h"

namespace platform {

std::vector<std::string> OtherReadersOf(const std::string&) {
  return {};
}

}  // namespace platform
