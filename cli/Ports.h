#pragma once
// The ports orb42-flash works on: a PORT argument read as a COM name or a device path, the
// bridges of the serial-device map (--all), and the port list as the wizard shows it (list).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace flash {

struct Port {
  std::int32_t index = 0;  // for the link: COM33 is 32
  std::string com;         // "COM33"
  std::string device;      // the node the link opens: "$ORB42_DEV_DIR/ttyUSB0"
  // "COM33 (ttyUSB0)", as the wizard's list names the port.
  std::string Label() const;
};

// The port a PORT argument names: "COM33" (any letter case) or a path to a node of the COM map
// in $ORB42_DEV_DIR (default /dev). nullopt with *error naming the accepted forms otherwise.
std::optional<Port> PortFromArgument(const std::string& argument, std::string* error);

// The port of COM number `number` (33 for COM33); nullopt when it names no node here.
std::optional<Port> PortFromComNumber(long number);

// Every port the serial-device map lists behind the device's own bridge, in the list's order.
std::vector<Port> BridgePorts();

struct ListedPort {
  std::string entry;  // the wizard's entry: "COM33 (ttyUSB0) : TALVIRE"
  std::optional<Port> port;
  bool bridge = false;
};
// The serial ports as the wizard lists them. nullopt: no serial-device map at all.
std::optional<std::vector<ListedPort>> ListPorts();

// Accepted forms of PORT, for usage messages and --help, with the node directory of now.
std::string PortForms();

}  // namespace flash
