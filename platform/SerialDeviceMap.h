#pragma once
// What stands in for the registry's map of serial devices (HKLM\HARDWARE\DEVICEMAP\SERIALCOMM):
// the tty class directory of sysfs, read without opening or probing any port. Each port that
// counts gives one value, named and filled as the Windows serial drivers would name and fill it:
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
  std::string data;  // e.g. "COM33 (ttyUSB0)"
};

// The map read from $ORB42_SYSFS_TTY (unset or empty: /sys/class/tty), looked up at each call.
// std::nullopt: the key is missing (no such directory, or it cannot be read). An empty vector:
// a key without values.
std::optional<std::vector<RegistryValue>> ReadSerialDeviceMap();

// The same from the given tty class directory.
std::optional<std::vector<RegistryValue>> ReadSerialDeviceMap(const std::string& ttyClassDir);

// The tty class directory that ReadSerialDeviceMap() reads now.
std::string SerialDeviceMapDir();

}  // namespace platform
