#include "cli/Options.h"

#include <CLI/CLI.hpp>
#include <sstream>

#include "cli/ExitCodes.h"
#include "cli/Ports.h"
#include "update/DeviceUpdate.h"
#include "update/UpdateRun.h"

#ifndef ORB42_VERSION
#define ORB42_VERSION "unknown"
#endif

namespace flash {

namespace {

std::string VersionText() {
  return std::string("orb42-flash ") + ORB42_VERSION + ", installs firmware " +
         std::to_string(update::kNewVersionMajor) + "." + std::to_string(update::kNewVersionMinor);
}

std::string Footer() {
  std::ostringstream text;
  text << "\nPORT is " << PortForms() << ".\n\n"
       << ExitCodeTable()
       << "\nEnvironment: ORB42_SYSFS_TTY (default /sys/class/tty) is where the ports are "
          "found,\nORB42_DEV_DIR (default /dev) where their nodes are opened.\n";
  return text.str();
}

// The options that info and update share.
void AddCallOptions(CLI::App& command, Settings& s, unsigned& waitSeconds) {
  command.add_option("PORT", s.ports, "the ports of the devices (COM33 or /dev/ttyUSB0)");
  command.add_flag("--all", s.all, "every port behind the device's own bridge (' : TALVIRE')");
  command
      .add_option("--wait", waitSeconds,
                  "how long to call a device that is not switched on yet, in seconds")
      ->default_val(45)
      ->type_name("SECONDS")
      ->check(CLI::Range(0u, 3600u));
  command.add_flag("--json", s.json, "one JSON object a line for every event and result");
  command.add_flag("--quiet,-q", s.quiet,
                   "only what went wrong, on stderr (with --json: no progress events)");
  command
      .add_option("--log", s.log,
                  "append one CSV line per device: time, port, serial number, version before, "
                  "outcome, seconds")
      ->type_name("FILE");
}

}  // namespace

std::optional<int> ParseCommandLine(int argc, const char* const* argv, Settings& s,
                                    std::ostream& out, std::ostream& err) {
  CLI::App app{
      "orb42-flash: updates the firmware of ORB42TLX remote controls to version 1.5 "
      "from a service bench, several ports at once, with every check of the wizard.",
      "orb42-flash"};
  app.set_version_flag("--version", VersionText());
  app.require_subcommand(1);
  app.footer(Footer());

  CLI::App* list = app.add_subcommand("list",
                                      "list the serial ports as the wizard does; the "
                                      "bridge's are marked ' : TALVIRE'");
  list->add_flag("--json", s.json, "one JSON object a line for each port");

  unsigned infoWait = 45, updateWait = 45;
  CLI::App* info = app.add_subcommand(
      "info",
      "call each device and show its identity, type, serial number and version, and "
      "whether it would be updated; writes nothing");
  AddCallOptions(*info, s, infoWait);

  CLI::App* update = app.add_subcommand("update", "update each device to version 1.5");
  AddCallOptions(*update, s, updateWait);
  update->add_option("--speed", s.speed, "line speed for the programming, in bit/s")
      ->default_val(115200)
      ->type_name("BPS")
      ->check(CLI::IsMember(std::vector<std::int32_t>(std::begin(update::kLoaderSpeeds),
                                                      std::end(update::kLoaderSpeeds))));
  CLI::Option* loop = update->add_flag(
      "--loop", s.loop, "after each device, wait for the next one on the same port, until Ctrl-C");
  update
      ->add_option("--firmware", s.firmware,
                   "write this Intel HEX file instead of the built-in firmware (checked as the "
                   "build checks it)")
      ->type_name("FILE.hex");
  loop->excludes(update->get_option("--wait"));
  for (CLI::App* command : {info, update}) {
    command->get_option("--all")->excludes(command->get_option("PORT"));
    command->footer("\nPORT is " + PortForms() + ".\n\n" + ExitCodeTable());
  }

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e, out, err);
    return code == 0 ? 0 : kExitUsage;
  }

  if (list->parsed()) {
    s.command = Command::List;
    return std::nullopt;
  }
  CLI::App* used = info->parsed() ? info : update;
  s.command = info->parsed() ? Command::Info : Command::Update;
  s.waitSeconds =
      s.loop ? std::nullopt : std::optional<unsigned>(info->parsed() ? infoWait : updateWait);
  if (!s.all && s.ports.empty()) {
    err << used->get_name() << ": name the ports (PORT...) or give --all\n"
        << "Run with --help for more information.\n";
    return kExitUsage;
  }
  return std::nullopt;
}

}  // namespace flash
