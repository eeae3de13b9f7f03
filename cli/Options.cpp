#include "cli/Options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iterator>
#include <sstream>

#include "cli/ExitCodes.h"
#include "cli/Ports.h"
#include "cli/Words.h"
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
  return Say({"orb42-flash {0}, installe le firmware {1}.{2}",
              "orb42-flash {0}, installs firmware {1}.{2}"},
             {ORB42_VERSION, std::to_string(loader::kNewVersionMajor),
              std::to_string(loader::kNewVersionMinor)});
}

std::string Environment() {
  return "\n" +
         Say({"Environnement : ORB42_SYSFS_TTY (par défaut /sys/class/tty) est l'endroit "
              "où les ports sont trouvés,\nORB42_DEV_DIR (par défaut /dev) celui où leurs "
              "nœuds sont ouverts ; LC_ALL, LC_MESSAGES ou LANG choisissent la langue "
              "(--lang l'impose).",
              "Environment: ORB42_SYSFS_TTY (default /sys/class/tty) is where the ports "
              "are found,\nORB42_DEV_DIR (default /dev) where their nodes are opened; "
              "LC_ALL, LC_MESSAGES or LANG choose the language (--lang overrides them)."}) +
         "\n";
}

std::string Footer() {
  return "\n" + Say({"PORT est {0}.", "PORT is {0}."}, {PortForms()}) + "\n\n" + ExitCodeTable() +
         Environment();
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
  return Say(
      {"commande inconnue « {0} » ; commandes : {1}", "unknown command '{0}'; commands: {1}"},
      {given, list});
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
             : i + 1 == count ? Say({" ou ", " or "})
                              : ", ") +
            std::to_string(loader::kSpeedSteps[i].bitsPerSecond);
  return list;
}

// What each option with a value takes, in the words of its refusal: "--speed: '1e5' is not
// ...; give ...". CLI11 prints the option's name before the text a check returns.
struct ValueRule {
  const char* option;
  Words takes;  // "a speed of the loader"
  std::string (*give)();
  bool (*accepts)(const std::string& value);
};

const ValueRule kSpeedRule{
    "--speed",
    {"une vitesse du chargeur", "a speed of the loader"},
    [] {
      return Say({"donnez {0} (bit/s)", "give one of {0} (bit/s)"}, {LoaderSpeedList()});
    },
    [](const std::string& v) {
      const auto n = Decimal(v);
      return n && loader::IsLoaderSpeed(static_cast<std::int32_t>(*n));
    }};
const ValueRule kWaitRule{
    "--wait",
    {"un nombre de secondes", "a number of seconds"},
    [] {
      return Say({"donnez des secondes entières de 0 à {0}", "give whole seconds from 0 to {0}"},
                 {std::to_string(kMaxWaitSeconds)});
    },
    [](const std::string& v) {
      const auto n = Decimal(v);
      return n && *n <= kMaxWaitSeconds;
    }};
const ValueRule kFirmwareRule{
    "--firmware",
    {"un nom de fichier", "a file name"},
    [] {
      return Say({"donnez le chemin d'un fichier Intel HEX", "give the path of an Intel HEX file"});
    },
    [](const std::string& v) { return !v.empty(); }};
const ValueRule kLogRule{"--log",
                         {"un nom de fichier", "a file name"},
                         [] {
                           return Say({"donnez le chemin du fichier CSV où ajouter les lignes",
                                       "give the path of the CSV file to append to"});
                         },
                         [](const std::string& v) { return !v.empty(); }};
const ValueRule kSeparatorRule{
    "--log-separator",
    {"un séparateur des colonnes du journal", "a separator of the log's columns"},
    [] {
      return Say({"donnez , (virgule) ou ; (point-virgule)", "give , (comma) or ; (semicolon)"});
    },
    [](const std::string& v) { return v == "," || v == ";"; }};
const ValueRule kLanguageRule{"--lang",
                              {"une langue", "a language"},
                              [] {
                                return Say({"donnez fr ou en", "give fr or en"});
                              },
                              [](const std::string& v) { return v == "fr" || v == "en"; }};
const ValueRule* const kValueRules[] = {&kSpeedRule, &kWaitRule,      &kFirmwareRule,
                                        &kLogRule,   &kSeparatorRule, &kLanguageRule};

std::string Refusal(const ValueRule& rule, const std::string& value) {
  return value.empty()
             ? Say({"une valeur vide n'est pas {0} ; {1}", "an empty value is not {0}; {1}"},
                   {Say(rule.takes), rule.give()})
             : Say({"« {0} » n'est pas {1} ; {2}", "'{0}' is not {1}; {2}"},
                   {value, Say(rule.takes), rule.give()});
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

std::string RunHelp() {
  return Say({"Lancez avec --help pour plus d'informations.",
              "Run with --help for more information."}) +
         "\n";
}

// --lang on every command, so that it may stand anywhere on the line.
void AddLanguage(CLI::App& command, std::string& language) {
  command
      .add_option("--lang", language,
                  Say({"la langue des messages : fr ou en (par défaut celle de LC_ALL, "
                       "LC_MESSAGES ou LANG)",
                       "the language of the messages: fr or en (default: that of LC_ALL, "
                       "LC_MESSAGES or LANG)"}))
      ->type_name("LANG")
      ->check(Check(kLanguageRule));
}

// The options that info and update share.
void AddCallOptions(CLI::App& command, Job& s, std::string& waitSeconds, std::string& separator) {
  command.add_option("PORT", s.portArguments,
                     Say({"les ports des appareils (COM33 ou /dev/ttyUSB0)",
                          "the ports of the devices (COM33 or /dev/ttyUSB0)"}));
  command.add_flag("--all", s.all,
                   Say({"tous les ports derrière le pont de l'appareil (« : TALVIRE »)",
                        "every port behind the device's own bridge (' : TALVIRE')"}));
  command
      .add_option("--wait", waitSeconds,
                  Say({"combien de temps appeler un appareil pas encore allumé, en secondes "
                       "entières (0 à 3600) ; 0 appelle une fois (environ 2 s avec la purge fixe "
                       "de la liaison, et la libération d'un appareil qui répond)",
                       "how long to call a device that is not switched on yet, in whole seconds "
                       "(0 to 3600); 0 calls once (about 2 s with the link's fixed purge, and the "
                       "release of a device that answers)"}))
      ->default_str("45")
      ->type_name("SECONDS")
      ->check(Check(kWaitRule));
  command.add_flag("--json", s.json,
                   Say({"un objet JSON par ligne pour chaque événement et chaque résultat",
                        "one JSON object a line for every event and result"}));
  command.add_flag("--verbose,-v", s.verbose,
                   Say({"une trace de chaque commande du chargeur et de sa réponse, avec l'heure, "
                        "et de chaque réparation de la ligne, sur stderr (avec --json : des "
                        "événements trace) ; des lignes simples au lieu des lignes vivantes",
                        "a trace of every loader command and answer with its time, and of every "
                        "repair of the line, on stderr (with --json: trace events); plain lines "
                        "instead of the live ones"}));
  command.add_flag("--quiet,-q", s.quiet,
                   Say({"seulement ce qui a échoué, sur stderr (avec --json : sans événements de "
                        "progression)",
                        "only what went wrong, on stderr (with --json: no progress events)"}));
  command
      .add_option("--log", s.log,
                  Say({"ajoute une ligne CSV par appareil : heure, port, numéro de série, "
                       "versions avant et après, résultat, cause, vitesse, secondes, "
                       "réparations, firmware et son SHA-256, version d'orb42-flash",
                       "append one CSV line per device: time, port, serial number, versions "
                       "before and after, outcome, cause, speed, seconds, repairs, firmware and "
                       "its SHA-256, orb42-flash's version"}))
      ->type_name("FILE")
      ->check(Check(kLogRule));
  command
      .add_option("--log-separator", separator,
                  Say({"le séparateur des colonnes du journal : , ou ; (par défaut ; avec une "
                       "virgule décimale dans les secondes quand votre locale écrit les "
                       "décimales avec une virgule, comme un tableur français les lit ; sinon ,)",
                       "the log's column separator: , or ; (default: ; with a decimal comma in the "
                       "seconds when your locale writes decimals with a comma, as a French "
                       "spreadsheet reads them; otherwise ,)"}))
      ->type_name("SEP")
      ->check(Check(kSeparatorRule));
}

// CLI11's own words in its help, in the run's language.
void Labels(CLI::App& app) {
  if (!French()) return;
  auto formatter = app.get_formatter();
  formatter->label("Usage", "Utilisation");
  formatter->label("OPTIONS", "OPTIONS");
  formatter->label("Options", "Options");
  formatter->label("Positionals", "Arguments");
  formatter->label("Subcommands", "Commandes");
  formatter->label("SUBCOMMAND", "COMMANDE");
  formatter->label("Excludes", "Exclut");
  formatter->label("REQUIRED", "OBLIGATOIRE");
  formatter->label("TEXT", "TEXTE");
}

}  // namespace

Language LanguageOf(int argc, const char* const* argv) {
  for (int i = 1; i < argc && std::string(argv[i]) != "--"; ++i) {
    const std::string arg = argv[i];
    const std::string value = arg == "--lang" && i + 1 < argc ? argv[i + 1]
                              : arg.rfind("--lang=", 0) == 0  ? arg.substr(7)
                                                              : std::string();
    if (value == "fr") return Language::French;
    if (value == "en") return Language::English;
  }
  return platform::UserLanguageIsFrench() ? Language::French : Language::English;
}

std::optional<int> ParseCommandLine(int argc, const char* const* argv, Job& s, std::ostream& out,
                                    std::ostream& err) {
  CLI::App app{Say({"orb42-flash : met à jour en version 1.5 le firmware des télécommandes "
                    "ORB42TLX depuis un banc de service, plusieurs ports à la fois, avec toutes "
                    "les vérifications de l'assistant.",
                    "orb42-flash: updates the firmware of ORB42TLX remote controls to version 1.5 "
                    "from a service bench, several ports at once, with every check of the "
                    "wizard."}),
               "orb42-flash"};
  Labels(app);
  app.set_version_flag(
      "--version", VersionText(),
      Say({"affiche la version et termine", "Display program version information and exit"}));
  app.set_help_flag("-h,--help",
                    Say({"affiche cette aide et termine", "Print this help message and exit"}));
  app.require_subcommand(1);
  app.footer(Footer());
  std::string language;
  AddLanguage(app, language);

  CLI::App* list = app.add_subcommand(
      "list", Say({"liste les ports série comme l'assistant ; ceux du pont sont marqués « : "
                   "TALVIRE »",
                   "list the serial ports as the wizard does; the bridge's are marked ' : "
                   "TALVIRE'"}));
  list->add_flag(
      "--json", s.json,
      Say({"un objet JSON par ligne pour chaque port", "one JSON object a line for each port"}));
  AddLanguage(*list, language);
  // No device is called: no exit status of devices to tell.
  list->footer("\n" +
               Say({"Code de sortie : 0, même quand aucun port n'est trouvé ; 2 pour une erreur "
                    "d'utilisation.",
                    "Exit status: 0, also when no port is found; 2 for bad usage."}) +
               "\n" + Environment());

  CLI::App* check = app.add_subcommand(
      "check", Say({"vérifie un fichier de firmware comme la compilation le vérifie, et dit ce "
                    "qu'il écrirait et son SHA-256 ; aucun appareil n'est appelé",
                    "check a firmware file as the build checks it, and tell what it would write "
                    "and its SHA-256; no device is called"}));
  check->add_option("FILE.hex", s.firmware, Say({"le fichier Intel HEX", "the Intel HEX file"}))
      ->required()
      ->check(Check(kFirmwareRule));
  check->add_flag("--json", s.json,
                  Say({"un objet JSON : les chiffres du fichier, ou l'erreur",
                       "one JSON object: the file's figures, or the error"}));
  AddLanguage(*check, language);
  check->footer("\n" +
                Say({"Code de sortie : 0 quand le fichier serait accepté par --firmware et par la "
                     "compilation, 2 quand il est refusé (FICHIER:LIGNE: error: ...).",
                     "Exit status: 0 when the file would be accepted by --firmware and by the "
                     "build, 2 when it is refused (FILE:LINE: error: ...)."}) +
                "\n");

  if (const auto unknown = UnknownCommand(argc, argv)) {
    err << "orb42-flash: " << *unknown << "\n" << RunHelp();
    return kExitUsage;
  }
  if (const auto refused = EmptyAssignment(argc, argv)) {
    err << *refused << "\n" << RunHelp();
    return kExitUsage;
  }

  std::string infoWait = "45", updateWait = "45", speed = "115200";
  std::string infoSeparator, updateSeparator;
  CLI::App* info = app.add_subcommand(
      "info", Say({"appelle chaque appareil et montre son identité, son type, son numéro de série "
                   "et sa version, et s'il serait mis à jour ; n'écrit rien",
                   "call each device and show its identity, type, serial number and version, "
                   "and whether it would be updated; writes nothing"}));
  AddCallOptions(*info, s, infoWait, infoSeparator);

  CLI::App* update = app.add_subcommand("update", Say({"met chaque appareil à jour en version 1.5",
                                                       "update each device to version 1.5"}));
  AddCallOptions(*update, s, updateWait, updateSeparator);
  update
      ->add_option("--speed", speed,
                   Say({"vitesse de la ligne pour la programmation, en bit/s : {0}",
                        "line speed for the programming, in bit/s: {0}"},
                       {LoaderSpeedList()}))
      ->default_str("115200")
      ->type_name("BPS")
      ->check(Check(kSpeedRule));
  CLI::Option* loop = update->add_flag(
      "--loop", s.loop,
      Say({"après chaque appareil, attend le suivant sur le même port, jusqu'à Ctrl-C",
           "after each device, wait for the next one on the same port, until Ctrl-C"}));
  update
      ->add_option("--firmware", s.firmware,
                   Say({"écrit ce fichier Intel HEX au lieu du firmware intégré (vérifié comme la "
                        "compilation le vérifie)",
                        "write this Intel HEX file instead of the built-in firmware (checked as "
                        "the build checks it)"}))
      ->type_name("FILE.hex")
      ->check(Check(kFirmwareRule));
  bool noVerify = false;
  update->add_flag("--no-verify", noVerify,
                   Say({"ne relit ni les cellules d'EEPROM écrites par l'image (avant la version) "
                        "ni la version (après) ; les mots de programme ne peuvent pas être relus",
                        "do not read back the EEPROM cells the image wrote (before the version is "
                        "written) nor the version (after it); program words cannot be read back"}));
  loop->excludes(update->get_option("--wait"));
  for (CLI::App* command : {info, update}) {
    AddLanguage(*command, language);
    command->get_option("--all")->excludes(command->get_option("PORT"));
    command->footer("\n" + Say({"PORT est {0}.", "PORT is {0}."}, {PortForms()}) + "\n\n" +
                    ExitCodeTable());
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
          what.find(" is not ") == std::string::npos &&
          what.find(" n'est pas ") == std::string::npos) {
        err << what << "; " << rule->give() << "\n" << RunHelp();
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
    err << Say({"{0} : nommez les ports (PORT...) ou donnez --all",
                "{0}: name the ports (PORT...) or give --all"},
               {used->get_name()})
        << "\n"
        << RunHelp();
    return kExitUsage;
  }
  return std::nullopt;
}

}  // namespace flash
