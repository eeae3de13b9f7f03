#pragma once
// The registry's map of serial devices, HKLM\HARDWARE\DEVICEMAP\SERIALCOMM: one value per port,
// named after the driver's device ("\Device\Silabser0") and holding the port's name ("COM3").
//
// On Windows it is read from the registry itself (Win32SerialDeviceMap.cpp). On Linux the tty
// class directory of sysfs stands in for it, read without opening or probing any port
// (SerialDeviceMap.cpp). Each port that counts gives one value, named and filled as the Windows
// serial drivers would name and fill it:
//   ttyUSBn, driver cp210x -> \Device\Silabser<n> = "COM<k> (ttyUSBn)"
//   ttyUSBn, other driver  -> \Device\VCP<n>      = "COM<k> (ttyUSBn)"
//   ttySn                  -> \Device\Serial<n>   = "COM<k> (ttySn)"
//   ttyACMn                -> \Device\USBSER<n>   = "COM<k> (ttyACMn)"
// where k is the node's fixed COM number (ttyS0-31 = COM1-32, ttyUSB0-31 = COM33-64,
// ttyACM0-31 = COM65-96). Values come in COM-number order.
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct RegistryValue {
  std::string name;  // e.g. "\Device\Silabser0"
  std::string data;  // e.g. "COM33 (ttyUSB0)" on Linux, "COM33" on Windows
};

// The map as it is now. std::nullopt: the key is missing. An empty vector: a key without values
// (on Windows also a key that cannot be opened for reading). Values come in the order in which
// the registry enumerates them.
// Linux: read from $ORB42_SYSFS_TTY (unset or empty: /sys/class/tty), looked up at each call; a
// directory that does not exist or cannot be read is the missing key.
std::optional<std::vector<RegistryValue>> ReadSerialDeviceMap();

// Where ReadSerialDeviceMap() reads now, for messages: the tty class directory on Linux, the
// registry key on Windows.
std::string SerialDeviceMapSource();

#if !defined(_WIN32)
// The same from the given tty class directory.
std::optional<std::vector<RegistryValue>> ReadSerialDeviceMap(const std::string& ttyClassDir);

// The tty class directory that ReadSerialDeviceMap() reads now.
std::string SerialDeviceMapDir();
#endif

}  // namespace platform
