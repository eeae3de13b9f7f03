#pragma once
#include <cstdint>

// Result of every device-link operation: 0 for success, the system's error code when a call on
// the port failed (GetLastError() on Windows, errno on Linux), or one of the link's own codes
// below.
using LinkError = std::int32_t;

inline constexpr LinkError LinkOk = 0;
inline constexpr LinkError LinkNotConnected = 100001;       // the loader has not answered Connect
inline constexpr LinkError LinkTimeout = 100002;            // no byte within the read time-out
inline constexpr LinkError LinkBadAnswer = 100003;          // another byte than the acknowledgement
inline constexpr LinkError LinkNotUnlocked = 100004;        // programming asked for while locked
inline constexpr LinkError LinkAddressOutOfRange = 100007;  // program word outside 48..7103
inline constexpr LinkError LinkNotProgramming = 100009;     // programming command outside that mode
inline constexpr LinkError LinkPortNotOpen = 100016;        // the port is not open
inline constexpr LinkError LinkWrongIdentity = 100020;      // the loader is not "P03"
// Codes of the read-back that orb42-flash asks for (the wizard reads nothing back):
inline constexpr LinkError LinkCellMismatch = 100021;     // an EEPROM cell reads back otherwise
inline constexpr LinkError LinkVersionMismatch = 100022;  // the version reads back otherwise
// The checks read each value that decides whether a device is written twice; two answers that
// differ mean a line that garbles digits, and nothing it said can be trusted:
inline constexpr LinkError LinkAnswersDiffer = 100023;

// A system error code (errno on Linux, GetLastError() on Windows) rather than one of the link's
// own codes above.
constexpr bool IsSystemError(LinkError error) {
  return error > 0 && error < 100000;
}

// How far the loader has been led, beside the separate connected flag.
enum LoaderState : std::int32_t { LoaderIdle = 0, LoaderUnlocked = 2, LoaderProgramming = 3 };
