#pragma once
// What a system error code of the serial port means, in the words a person needs: the codes are
// errno values on Linux and GetLastError values on Windows, and the same number means different
// things on the two (5 is EIO on one, ERROR_ACCESS_DENIED on the other).
#include <string>

namespace platform {

enum class PortFailure {
  Permission,  // the user may not open the port
  Held,        // another program has the port
  Missing,     // no such port (not plugged in, or gone)
  Other,
};

PortFailure ClassifyPortError(int code);

// The system's own text for a code, without a line end.
std::string SystemMessage(int code);

}  // namespace platform
