#include "sim/CommandLine.h"

#include <charconv>
#include <cstdint>
#include <limits>
#include <optional>

#include "sim/LoaderBank.h"

namespace sim {
namespace {

template <typename T>
std::optional<T> Number(const std::string& text, T min, T max) {
  std::uint64_t v = 0;
  const char* end = text.data() + text.size();
  auto [p, ec] = std::from_chars(text.data(), end, v);
  if (text.empty() || ec != std::errc() || p != end || v < min || v > max) return std::nullopt;
  return static_cast<T>(v);
}

std::optional<FaultKind> KindNamed(const std::string& s) {
  if (s == "silence") return FaultKind::Silence;
  if (s == "wrong-byte") return FaultKind::WrongByte;
  if (s == "refuse") return FaultKind::Refuse;
  if (s == "hang-up") return FaultKind::HangUp;
  if (s == "late") return FaultKind::Late;
  if (s == "corrupt") return FaultKind::Corrupt;
  return std::nullopt;
}

std::optional<FaultTarget> TargetNamed(const std::string& s) {
  if (s == "command") return FaultTarget::Command;
  if (s == "word") return FaultTarget::ProgramWord;
  if (s == "call") return FaultTarget::Call;
  if (s == "speed") return FaultTarget::SetSpeed;
  if (s == "eeprom") return FaultTarget::EepromWrite;
  return std::nullopt;
}

// KIND:TARGET:N, and for a late answer optionally :MS.
std::optional<Fault> ParseFault(const std::string& text) {
  const auto first = text.find(':');
  const auto second = first == std::string::npos ? first : text.find(':', first + 1);
  if (second == std::string::npos) return std::nullopt;
  const auto third = text.find(':', second + 1);
  const auto kind = KindNamed(text.substr(0, first));
  const auto target = TargetNamed(text.substr(first + 1, second - first - 1));
  const auto ordinal = Number<unsigned>(text.substr(second + 1, third - second - 1), 1, 1000000000);
  if (!kind || !target || !ordinal) return std::nullopt;
  Fault fault{*kind, *target, *ordinal};
  if (third != std::string::npos) {
    const auto ms = Number<unsigned>(text.substr(third + 1), 1, 600000);
    if (*kind != FaultKind::Late || !ms) return std::nullopt;
    fault.delayMs = *ms;
  }
  return fault;
}

// MS (added to each answer) or OUT:IN (host to loader, loader to host), in milliseconds.
bool ParseLatency(const std::string& text, Options& o) {
  const auto colon = text.find(':');
  const auto first = Number<unsigned>(text.substr(0, colon), 0, 10000);
  if (!first) return false;
  if (colon == std::string::npos) {
    o.outLatencyMs = 0;
    o.inLatencyMs = *first;
    return true;
  }
  const auto second = Number<unsigned>(text.substr(colon + 1), 0, 10000);
  if (!second) return false;
  o.outLatencyMs = *first;
  o.inLatencyMs = *second;
  return true;
}

bool ParseVersion(const std::string& text, Device& device) {
  const auto dot = text.find('.');
  if (dot == std::string::npos) return false;
  const auto major = Number<std::uint8_t>(text.substr(0, dot), 0, 255);
  const auto minor = Number<std::uint8_t>(text.substr(dot + 1), 0, 255);
  if (!major || !minor) return false;
  device.versionMajor = *major;
  device.versionMinor = *minor;
  return true;
}

bool Printable3(const std::string& s) {
  if (s.size() != 3) return false;
  for (char c : s) {
    if (c < 0x20 || c > 0x7E) return false;
  }
  return true;
}

// One option with its value; false when the value does not fit.
bool Apply(const std::string& name, const std::string& value, CommandLine& out) {
  Options& o = out.options;
  if (name == "--dir") {
    out.dir = value;
    return !value.empty();
  }
  if (name == "--switch-on-delay" || name == "--hang-up-ms") {
    const auto ms = Number<unsigned>(value, 0, 3600000);
    if (ms) (name == "--switch-on-delay" ? o.switchOnDelayMs : o.hangUpDownMs) = *ms;
    return ms.has_value();
  }
  if (name == "--identity") {
    o.device.identity = value;
    return Printable3(value);
  }
  if (name == "--type") {
    const auto t = Number<std::uint8_t>(value, 0, 255);
    if (t) o.device.deviceType = *t;
    return t.has_value();
  }
  if (name == "--serial") {
    const auto n = Number<std::uint32_t>(value, 0, std::numeric_limits<std::uint32_t>::max());
    if (n) o.device.serialNumber = *n;
    return n.has_value();
  }
  if (name == "--version") return ParseVersion(value, o.device);
  if (name == "--fault") {
    const auto f = ParseFault(value);
    if (f) o.faults.push_back(*f);
    return f.has_value();
  }
  if (name == "--latency") return ParseLatency(value, o);
  if (name == "--line") {
    if (value == "pty") o.line = LineSource::Pty;
    if (value == "qemu") o.line = LineSource::QemuPty;
    if (value == "unchecked") o.line = LineSource::Unchecked;
    return value == "pty" || value == "qemu" || value == "unchecked";
  }
  if (name == "--ports") {
    const auto n = Number<unsigned>(value, 1, kMaxPorts);
    if (n) out.ports = *n;
    return n.has_value();
  }
  return false;
}

bool TakesValue(const std::string& name) {
  for (const char* n : {"--dir", "--switch-on-delay", "--hang-up-ms", "--identity", "--type",
                        "--serial", "--version", "--fault", "--ports", "--latency", "--line"}) {
    if (name == n) return true;
  }
  return false;
}

// The options that one port may have for itself ("P=VALUE").
bool PerPort(const std::string& name) {
  for (const char* n : {"--identity", "--type", "--serial", "--version", "--fault"}) {
    if (name == n) return true;
  }
  return false;
}

// "2=299999999" gives port 2 and "299999999"; a value without a port number is left whole.
std::optional<unsigned> TakePortPrefix(std::string& value) {
  const auto eq = value.find('=');
  if (eq == std::string::npos || eq == 0) return std::nullopt;
  const auto port = Number<unsigned>(value.substr(0, eq), 0, kMaxPorts - 1);
  if (!port) return std::nullopt;
  value.erase(0, eq + 1);
  return port;
}

}  // namespace

CommandLine DefaultCommandLine() {
  CommandLine c;
  c.options.pacing = true;
  c.options.switchOnDelayMs = 2000;
  return c;
}

bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& out, std::string* error) {
  auto fail = [error](const std::string& message) {
    if (error) *error = message;
    return false;
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    std::optional<std::string> value;
    if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = name.substr(eq + 1);
      name.resize(eq);
    }
    if (name == "--help" || name == "-h") {
      out.help = true;
    } else if (name == "--no-pacing" && !value) {
      out.options.pacing = false;
    } else if (name == "--events" && !value) {
      out.events = true;
    } else if (TakesValue(name)) {
      if (!value) {
        if (i + 1 >= args.size()) return fail("option " + name + " needs a value");
        value = args[++i];
      }
      std::string own = *value;
      const std::optional<unsigned> port = PerPort(name) ? TakePortPrefix(own) : std::nullopt;
      if (port) {
        CommandLine scratch;  // the value is checked now, and applied to its port later
        if (!Apply(name, own, scratch)) return fail("bad value for " + name + ": '" + *value + "'");
        out.portOptions.push_back({*port, name, own});
      } else if (!Apply(name, *value, out)) {
        return fail("bad value for " + name + ": '" + *value + "'");
      }
    } else {
      return fail("unknown option '" + args[i] + "'");
    }
  }
  for (const CommandLine::PortOption& p : out.portOptions) {
    if (p.port >= out.ports) {
      return fail(p.name + " " + std::to_string(p.port) + "=" + p.value + ": there is no port " +
                  std::to_string(p.port) + " (--ports " + std::to_string(out.ports) + ")");
    }
  }
  return true;
}

std::vector<Options> OptionsOfPorts(const CommandLine& commandLine) {
  std::vector<Options> ports = OptionsForPorts(commandLine.options, commandLine.ports);
  for (const CommandLine::PortOption& p : commandLine.portOptions) {
    CommandLine own;
    own.options = ports.at(p.port);
    Apply(p.name, p.value, own);
    ports.at(p.port) = own.options;
  }
  return ports;
}

std::string Usage() {
  return "Usage: orb42-loader-sim [--dir DIR] [options]\n"
         "Serves a model of the ORB42TLX remote control's loader on a pseudo-terminal, behind\n"
         "DIR/dev/ttyUSB0 (a cp210x bridge in DIR/sys/class/tty), until interrupted; then prints\n"
         "what was written to each device.\n"
         "\n"
         "  --dir DIR               build the trees in DIR (default: a new temporary directory;\n"
         "                          never /dev or /sys)\n"
         "  --ports N               N bridges, ttyUSB0 to ttyUSB<N-1> (COM33 on), each with a\n"
         "                          device of its own, 1 to 32 (default 1); port i's first\n"
         "                          serial number is --serial + 1000 i\n"
         "  --switch-on-delay MS    the device answers MS ms after the first call (default 2000)\n"
         "  --no-pacing             answer at once instead of at the line's speed\n"
         "  --identity XYZ          the loader's three-character identity (default P03)\n"
         "  --type N                the device type, 0 to 255 (default 1)\n"
         "  --serial N              the first device's serial number (default 312000001)\n"
         "  --version M.m           the firmware version the devices start with (default 1.4)\n"
         "  --hang-up-ms MS         how long a hang-up keeps the cable unplugged (default 300)\n"
         "  --latency MS            what a USB bridge adds: each answer reaches the host MS ms\n"
         "                          later; OUT:IN for each way (host to loader, loader to host)\n"
         "  --line pty|qemu|unchecked\n"
         "                          the loader reads only bytes sent at its own speed, as the\n"
         "                          pseudo-terminal's settings show them (pty, the default);\n"
         "                          qemu: as QEMU's serial backend sets them for a guest's\n"
         "                          USB serial device, rounded to a standard terminal rate;\n"
         "                          unchecked reads everything (a relay that hides the host's\n"
         "                          settings stands between)\n"
         "  --fault KIND:TARGET:N   a fault at the N-th (from 1) TARGET; repeatable\n"
         "                          KIND: silence, wrong-byte, refuse, hang-up, late (the\n"
         "                          answer comes 1500 ms late; late:TARGET:N:MS for MS ms),\n"
         "                          corrupt (a write acknowledged, another value kept)\n"
         "                          TARGET: command, word (program-word write), call,\n"
         "                          speed (set-speed command), eeprom (EEPROM write)\n"
         "  P=VALUE                 --identity, --type, --serial, --version and --fault take\n"
         "                          P=VALUE for port P alone (--fault 2=silence:word:100);\n"
         "                          without P= they apply to every port\n"
         "  --events                print a '# event' line as each step of an update happens:\n"
         "                          calling, call answered, the checks, programming mode, the\n"
         "                          first word written, version 1.5 written, released\n"
         "  --help                  show this help\n"
         "\n"
         "Exit status: 0 after an interrupt, 1 when the simulator cannot start, 2 on bad "
         "options.\n";
}

}  // namespace sim
