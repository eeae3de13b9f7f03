#include "cli/Ports.h"

#include <cctype>
#include <filesystem>

#include "cli/Messages.h"
#include "cli/Words.h"
#include "platform/SerialDeviceMap.h"
#include "platform/SerialPort.h"
#include "update/PortList.h"

namespace flash {

namespace {

constexpr char kLinkPrefix[] = "\\\\.\\COM";  // the form the link opens: \\.\COMn

// The number of "COM<n>" (letter case ignored), or nullopt.
std::optional<long> ComNumberOf(const std::string& text) {
  if (text.size() < 4 || text.size() > 12) return std::nullopt;
  for (std::size_t i = 0; i < 3; ++i) {
    if (std::toupper(static_cast<unsigned char>(text[i])) != "COM"[i]) return std::nullopt;
  }
  long number = 0;
  for (std::size_t i = 3; i < text.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return std::nullopt;
    number = number * 10 + (text[i] - '0');
  }
  return number;
}

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

// On Linux the node beside the COM name; on Windows the COM name is the port's own name.
std::string Port::Label() const {
  if (emptySocket) return Shown(given);
  if (!given.empty() && !ComNumberOf(given)) return Shown(given) + " (" + com + ")";
  return ComLabel();
}

std::string Port::ComLabel() const {
  const std::string node = std::filesystem::path(device).filename().string();
  return node.empty() || node == com ? com : com + " (" + node + ")";
}

#if defined(_WIN32)
std::string PortForms() {
  return Say(
      {"un nom COM, de COM1 à COM101, comme COM3, ou son nom de périphérique, comme "
       "\\\\.\\COM3",
       "a COM name, COM1 to COM101, such as COM3, or its device name, such as "
       "\\\\.\\COM3"});
}
#else
std::string PortForms() {
  const std::string dir =
      std::filesystem::path(platform::DevicePathForComName(kLinkPrefix + std::string("33")))
          .parent_path()
          .string();
  return Say({"un nom COM (de COM1 à COM96 : ttyS0-31 sont COM1-32, ttyUSB0-31 COM33-64, "
              "ttyACM0-31 COM65-96), le nom d'un tel nœud (ttyUSB0) ou son chemin dans {0} "
              "($ORB42_DEV_DIR){1}, ou un lien vers lui comme /dev/serial/by-id/...",
              "a COM name (COM1 to COM96: ttyS0-31 are COM1-32, ttyUSB0-31 COM33-64, ttyACM0-31 "
              "COM65-96), such a node's name (ttyUSB0) or its path in {0} ($ORB42_DEV_DIR){1}, or "
              "a link to it such as /dev/serial/by-id/..."},
             {dir, dir == "/dev" ? "" : Say({" ou dans /dev", " or /dev"})});
}
#endif

std::optional<Port> PortFromComNumber(long number) {
  if (number <= 0) return std::nullopt;
  const std::string device = platform::DevicePathForComName(kLinkPrefix + std::to_string(number));
  if (device.empty()) return std::nullopt;
  Port port;
  port.index = static_cast<std::int32_t>(number - 1);
  port.com = "COM" + std::to_string(number);
  port.device = device;
  return port;
}

// A link in a by-path or by-id folder (/dev/serial/by-path/...-port0) that is not there: udev
// makes such a link while a cable is plugged into that socket and removes it with the cable.
bool EmptySocket(const std::string& argument) {
  namespace fs = std::filesystem;
  const fs::path path(argument);
  const std::string folder = path.parent_path().filename().string();
  std::error_code ec;
  return (folder == "by-path" || folder == "by-id") && !fs::exists(fs::symlink_status(path, ec));
}

std::optional<Port> PortFromArgument(const std::string& argument, std::string* error) {
  if (EmptySocket(argument)) {
    Port socket;
    socket.index = -1;
    socket.device = argument;
    socket.given = argument;
    socket.emptySocket = true;
    return socket;
  }
  std::optional<long> number = ComNumberOf(argument);
  if (!number) {
    const std::string name = platform::ComNameForDevicePath(argument);
    if (!name.empty()) number = ComNumberOf(name.substr(4));  // after "\\.\"
  }
  std::optional<Port> port = number ? PortFromComNumber(*number) : std::nullopt;
  if (port) port->given = argument;
  if (!port && error)
    *error = Say({"« {0} » n'est pas un port série ici : donnez {1}",
                  "'{0}' is not a serial port here: give {1}"},
                 {Shown(argument), PortForms()});
  return port;
}

std::vector<Port> BridgePorts() {
  std::vector<Port> ports;
  const auto listed = ListPorts();
  if (!listed) return ports;
  for (const ListedPort& p : *listed) {
    if (p.bridge && p.port) ports.push_back(*p.port);
  }
  return ports;
}

std::optional<std::vector<ListedPort>> ListPorts() {
  const auto key = platform::ReadSerialDeviceMap();
  if (!key) return std::nullopt;
  PortList list;
  std::string preferred;
  RefreshPortList(list, preferred, key);
  std::vector<ListedPort> out;
  for (const std::string& entry : list.Entries()) {
    ListedPort listed;
    listed.entry = entry;
    listed.bridge = EndsWith(entry, kBridgeSuffix);
    const std::int32_t index = PortIndexFromEntry(entry);
    if (index >= 0) listed.port = PortFromComNumber(index + 1);
    out.push_back(std::move(listed));
  }
  return out;
}

}  // namespace flash
