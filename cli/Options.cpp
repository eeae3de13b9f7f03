#include "cli/Options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iterator>
#include <sstream>

#include "cli/ExitCodes.h"
#include "cli/Ports.h"
#include "link/LoaderFacts.h"
#include "platform/Locale.h"
#include "update/DeviceUpdate.h"
#include "update/UpdateRun.h"

#ifndef ORB42_VERSION
#define ORB42_VERSION "unknown"
#endif

namespace flash {

namespace {

std::string VersionText() {
  return std::string("orb42-flash ") + ORB42_VERSION + ", installs firmware " +
         std::to_string(loader::kNewVersionMajor) + "." + std::to_string(loader::kNewVersionMinor);
}

std::string Environment() {
  return "\nEnvironment: ORB42_SYSFS_TTY (default /sys/class/tty) is where the ports are "
         "found,\nORB42_DEV_DIR (default /dev) where their nodes are opened.\n";
}

std::string Footer() {
  return "\nPORT is " + PortForms() + ".\n\n" + ExitCodeTable() + Environment();
}

constexpr const char* kCommands[] = {"list", "info", "update", "check"};

// A first argument that is no option and no command: CLI11 would only say that a command is
// required.
std::optional<std::string> UnknownCommand(int argc, const char* const* argv) {
  if (argc < 2 || argv[1][0] == '-') return std::nullopt;
  const std::string given = argv[1];
  std::string list;
  for (const char* command : kCommands) {
    if (given == command) return std::nullopt;
    list += (list.empty() ? "" : ", ") + std::string(command);
  }
  return "unknown command '" + given + "'; commands: " + list;
}

constexpr unsigned kMaxWaitSeconds = 3600;

// Plain decimal digits only: no sign, no exponent, no fraction, no 0x, nothing around them.
std::optional<unsigned long> Decimal(const std::string& text) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  return std::stoul(text);
}

std::string LoaderSpeedList() {
  std::string list;
  const std::size_t count = loader::kSpeedCount;
  for (std::size_t i = 0; i < count; ++i)
    list += (i == 0           ? ""
             : i + 1 == count ? " or "
                              : ", ") +
            std::to_string(loader::kSpeedSteps[i].bitsPerSecond);
  return list;
}

// What each option with a value takes, in the words of its refusal: "--speed: '1e5' is not
// ...; give ...". CLI11 prints the option's name before the text a check returns.
struct ValueRule {
  const char* option;
  const char* takes;  // "a speed of the loader"
  std::string (*give)();
  bool (*accepts)(const std::string& value);
};

const ValueRule kSpeedRule{"--speed", "a speed of the loader",
                           [] { return "give one of " + LoaderSpeedList() + " (bit/s)"; },
                           [](const std::string& v) {
                             const auto n = Decimal(v);
                             return n && loader::IsLoaderSpeed(static_cast<std::int32_t>(*n));
                           }};
const ValueRule kWaitRule{
    "--wait", "a number of seconds",
    [] { return "give whole seconds from 0 to " + std::to_string(kMaxWaitSeconds); },
    [](const std::string& v) {
      const auto n = Decimal(v);
      return n && *n <= kMaxWaitSeconds;
    }};
const ValueRule kFirmwareRule{"--firmware", "a file name",
                              [] { return std::string("give the path of an Intel HEX file"); },
                              [](const std::string& v) { return !v.empty(); }};
const ValueRule kLogRule{"--log", "a file name",
                         [] { return std::string("give the path of the CSV file to append to"); },
                         [](const std::string& v) { return !v.empty(); }};
const ValueRule kSeparatorRule{"--log-separator", "a separator of the log's columns",
                               [] { return std::string("give , (comma) or ; (semicolon)"); },
                               [](const std::string& v) { return v == "," || v == ";"; }};
const ValueRule* const kValueRules[] = {&kSpeedRule, &kWaitRule, &kFirmwareRule, &kLogRule,
                                        &kSeparatorRule};

std::string Refusal(const ValueRule& rule, const std::string& value) {
  const std::string what = value.empty() ? std::string("an empty value") : "'" + value + "'";
  return what + " is not " + rule.takes + "; " + rule.give();
}

CLI::Validator Check(const ValueRule& rule) {
  return CLI::Validator(
      [&rule](std::string& value) {
        return rule.accepts(value) ? std::string() : Refusal(rule, value);
      },
      "", rule.option);
}

// "--speed=" with nothing after the sign: CLI11 would take the next argument as its value (or
// an empty one), so it is refused here, before the parse.
std::optional<std::string> EmptyAssignment(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--") break;
    for (const ValueRule* rule : kValueRules)
      if (arg == std::string(rule->option) + "=")
        return std::string(rule->option) + ": " + Refusal(*rule, "");
  }
  return std::nullopt;
}

// The options that info and update share.
void AddCallOptions(CLI::App& command, Job& s, std::string& waitSeconds, std::string& separator) {
  command.add_option("PORT", s.portArguments, "the ports of the devices (COM33 or /dev/ttyUSB0)");
  command.add_flag("--all", s.all, "every port behind the device's own bridge (' : TALVIRE')");
  command
      .add_option("--wait", waitSeconds,
                  "how long to call a device that is not switched on yet, in whole seconds "
                  "(0 to 3600); 0 calls once (about 2 s with the link's fixed purge, and the "
                  "release of a device that answers)")
      ->default_str("45")
      ->type_name("SECONDS")
      ->check(Check(kWaitRule));
  command.add_flag("--json", s.json, "one JSON object a line for every event and result");
  command.add_flag("--verbose,-v", s.verbose,
                   "a trace of every loader command and answer with its time, and of every "
                   "repair of the line, on stderr (with --json: trace events); plain lines "
                   "instead of the live ones");
  command.add_flag("--quiet,-q", s.quiet,
                   "only what went wrong, on stderr (with --json: no progress events)");
  command
      .add_option("--log", s.log,
                  "append one CSV line per device: time, port, serial number, versions before and "
                  "after, outcome, cause, speed, seconds, repairs, firmware and its SHA-256, "
                  "orb42-flash's version")
      ->type_name("FILE")
      ->check(Check(kLogRule));
  command
      .add_option("--log-separator", separator,
                  "the log's column separator: , or ; (default: ; with a decimal comma in the "
                  "seconds when your locale writes decimals with a comma, as a French "
                  "spreadsheet reads them; otherwise ,)")
      ->type_name("SEP")
      ->check(Check(kSeparatorRule));
}

}  // namespace

std::optional<int> ParseCommandLine(int argc, const char* const* argv, Job& s, std::ostream& out,
                                    std::ostream& err) {
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
  // No device is called: no exit status of devices to tell.
  list->footer("\nExit status: 0, also when no port is found; 2 for bad usage.\n" + Environment());

  CLI::App* check = app.add_subcommand(
      "check",
      "check a firmware file as the build checks it, and tell what it would write and its "
      "SHA-256; no device is called");
  check->add_option("FILE.hex", s.firmware, "the Intel HEX file")
      ->required()
      ->check(Check(kFirmwareRule));
  check->add_flag("--json", s.json, "one JSON object: the file's figures, or the error");
  check->footer(
      "\nExit status: 0 when the file would be accepted by --firmware and by the build, 2 "
      "when it is refused (FILE:LINE: error: ...).\n");

  if (const auto unknown = UnknownCommand(argc, argv)) {
    err << "orb42-flash: " << *unknown << "\nRun with --help for more information.\n";
    return kExitUsage;
  }
  if (const auto refused = EmptyAssignment(argc, argv)) {
    err << *refused << "\nRun with --help for more information.\n";
    return kExitUsage;
  }

  std::string infoWait = "45", updateWait = "45", speed = "115200";
  std::string infoSeparator, updateSeparator;
  CLI::App* info = app.add_subcommand(
      "info",
      "call each device and show its identity, type, serial number and version, and "
      "whether it would be updated; writes nothing");
  AddCallOptions(*info, s, infoWait, infoSeparator);

  CLI::App* update = app.add_subcommand("update", "update each device to version 1.5");
  AddCallOptions(*update, s, updateWait, updateSeparator);
  update
      ->add_option("--speed", speed,
                   "line speed for the programming, in bit/s: " + LoaderSpeedList())
      ->default_str("115200")
      ->type_name("BPS")
      ->check(Check(kSpeedRule));
  CLI::Option* loop = update->add_flag(
      "--loop", s.loop, "after each device, wait for the next one on the same port, until Ctrl-C");
  update
      ->add_option("--firmware", s.firmware,
                   "write this Intel HEX file instead of the built-in firmware (checked as the "
                   "build checks it)")
      ->type_name("FILE.hex")
      ->check(Check(kFirmwareRule));
  bool noVerify = false;
  update->add_flag("--no-verify", noVerify,
                   "do not read back the EEPROM cells the image wrote (before the version is "
                   "written) nor the version (after it); program words cannot be read back");
  loop->excludes(update->get_option("--wait"));
  for (CLI::App* command : {info, update}) {
    command->get_option("--all")->excludes(command->get_option("PORT"));
    command->footer("\nPORT is " + PortForms() + ".\n\n" + ExitCodeTable());
  }

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // CLI11's own words for a missing or repeated value name the option; they also say what
    // it takes.
    const std::string what = e.what();
    for (const ValueRule* rule : kValueRules) {
      const std::string prefix = std::string(rule->option) + ": ";
      if (e.get_exit_code() != 0 && what.rfind(prefix, 0) == 0 &&
          what.find(" is not ") == std::string::npos) {
        err << what << "; " << rule->give() << "\nRun with --help for more information.\n";
        return kExitUsage;
      }
    }
    const int code = app.exit(e, out, err);
    return code == 0 ? 0 : kExitUsage;
  }

  if (list->parsed() || check->parsed()) {
    s.command = list->parsed() ? Command::List : Command::Check;
    return std::nullopt;
  }
  CLI::App* used = info->parsed() ? info : update;
  s.command = info->parsed() ? Command::Info : Command::Update;
  s.verify = !noVerify;
  // The checks above let only values that the rules accept through.
  s.speed = static_cast<std::int32_t>(*Decimal(speed));
  s.waitSeconds = s.loop ? std::nullopt
                         : std::optional<unsigned>(static_cast<unsigned>(
                               *Decimal(info->parsed() ? infoWait : updateWait)));
  const std::string& separator = info->parsed() ? infoSeparator : updateSeparator;
  s.logSeparator = !separator.empty()                       ? separator[0]
                   : platform::UserLocaleUsesDecimalComma() ? ';'
                                                            : ',';
  if (!s.all && s.portArguments.empty()) {
    err << used->get_name() << ": name the ports (PORT...) or give --all\n"
        << "Run with --help for more information.\n";
    return kExitUsage;
  }
  return std::nullopt;
}

}  // namespace flash
