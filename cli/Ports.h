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
  std::string given;       // the PORT argument as the user wrote it; empty for --all
  // A socket of the bench named by its by-path or by-id link while nothing is plugged into it:
  // udev has removed the link, so there is no node and no COM name (index -1) for now.
  bool emptySocket = false;
  // As the user named it: "COM33 (ttyUSB0)", as the wizard's list names the port, for a COM name
  // or --all; "/dev/serial/by-path/pci-...-port0 (COM33)" for anything else, so that a bench
  // labelled by socket reads as it is labelled.
  std::string Label() const;
  // "COM33 (ttyUSB0)" whatever the user wrote.
  std::string ComLabel() const;
};

// The port a PORT argument names: "COM33" (any letter case), a node's name ("ttyUSB0"), its path
// in $ORB42_DEV_DIR (default /dev) or in /dev, or a udev link to it (/dev/serial/by-id/...); on
// Windows "COM3" or "\\.\COM3". A by-path or by-id link that is not there is an empty socket
// (Port::emptySocket), for the run to report on its own line. nullopt with *error naming the
// accepted forms otherwise.
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
