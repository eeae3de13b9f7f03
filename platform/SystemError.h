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

// A code from a read or a write on a port that opened and worked: the cable (its USB bridge) was
// pulled out. Windows answers every call on the dead handle with 31 (a device attached to the
// system is not functioning), 22 (the device does not recognise the command), 5 (access
// denied), 1167 (not connected) or 995 (aborted); Linux with EIO, ENXIO or ENODEV. At the open,
// 5 means a port held by another program instead: hence a question of its own.
bool LineGone(int code);

// The system's own text for a code, without a line end.
std::string SystemMessage(int code);
// The same in French or in English, whatever the system's own language: on Linux the C
// library's translation where it is installed, otherwise this program's own words for the codes
// it meets (and the English text after them for any other); on Windows FormatMessageW in that
// language, falling back the same way.
std::string SystemMessage(int code, bool french);

}  // namespace platform
