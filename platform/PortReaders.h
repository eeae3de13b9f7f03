#pragma once
// Who else may be reading a serial port. A terminal program, brltty, gpsd or a stray cat with
// the port open takes bytes meant for this program, and the line then looks silent.
#include <string>
#include <vector>

namespace platform {

// The other processes that hold the port's node open for reading, as "cat (pid 4242)", in pid
// order. On Linux from /proc (only the processes this user may look at); on Windows a port has
// one user at a time, so the list is empty.
std::vector<std::string> OtherReadersOf(const std::string& devicePath);

}  // namespace platform
