// Every command and option of orb42-flash with its words, its rule and what it does to the job.
#include "cli/OptionTable.h"

#include <cstring>

#include "link/LoaderFacts.h"

namespace flash {

namespace {

const ValueRule kSpeedRule{
    {"une vitesse du chargeur", "a speed of the loader"},
    [] {
      return Say({"donnez {0} (bit/s)", "give one of {0} (bit/s)"}, {LoaderSpeedList()});
    },
    [](const std::string& v) {
      const auto n = Decimal(v);
      return n && loader::IsLoaderSpeed(static_cast<std::int32_t>(*n));
    }};
const ValueRule kWaitRule{
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
    {"un nom de fichier", "a file name"},
    [] {
      return Say({"donnez le chemin d'un fichier Intel HEX", "give the path of an Intel HEX file"});
    },
    [](const std::string& v) { return !v.empty(); }};
const ValueRule kLogRule{{"un nom de fichier", "a file name"},
                         [] {
                           return Say({"donnez le chemin du fichier CSV où ajouter les lignes",
                                       "give the path of the CSV file to append to"});
                         },
                         [](const std::string& v) { return !v.empty(); }};
const ValueRule kSeparatorRule{
    {"un séparateur des colonnes du journal", "a separator of the log's columns"},
    [] {
      return Say({"donnez , (virgule) ou ; (point-virgule)", "give , (comma) or ; (semicolon)"});
    },
    [](const std::string& v) { return v == "," || v == ";"; }};
const ValueRule kLanguageRule{{"une langue", "a language"},
                              [] {
                                return Say({"donnez fr ou en", "give fr or en"});
                              },
                              [](const std::string& v) { return v == "fr" || v == "en"; }};

constexpr Words kNoWords{nullptr, nullptr};

#if defined(_WIN32)
constexpr Words kPortsHelp{"les ports des appareils (COM3 ou \\\\.\\COM3)",
                           "the ports of the devices (COM3 or \\\\.\\COM3)"};
constexpr Words kLanguageHelp{
    "la langue des messages : fr ou en (par défaut celle de l'affichage de Windows)",
    "the language of the messages: fr or en (default: that of Windows' display)"};
#else
constexpr Words kPortsHelp{"les ports des appareils (COM33 ou /dev/ttyUSB0)",
                           "the ports of the devices (COM33 or /dev/ttyUSB0)"};
constexpr Words kLanguageHelp{
    "la langue des messages : fr ou en (par défaut celle de LC_ALL, LC_MESSAGES ou LANG)",
    "the language of the messages: fr or en (default: that of LC_ALL, LC_MESSAGES or LANG)"};
#endif

}  // namespace

const CommandSpec kCommandSpecs[4] = {
    {Command::List,
     "list",
     {"liste les ports série comme l'assistant ; ceux du pont sont marqués « : TALVIRE »",
      "list the serial ports as the wizard does; the bridge's are marked ' : TALVIRE'"},
     kNoWords,
     kNoWords},
    {Command::Info,
     "info",
     {"appelle chaque appareil et montre son identité, son type, son numéro de série et sa "
      "version, et s'il serait mis à jour ; n'écrit rien",
      "call each device and show its identity, type, serial number and version, and whether it "
      "would be updated; writes nothing"},
     {"PORT...", "PORT..."},
     kPortsHelp},
    {Command::Update,
     "update",
     {"met chaque appareil à jour en version {0}", "update each device to version {0}"},
     {"PORT...", "PORT..."},
     kPortsHelp},
    {Command::Check,
     "check",
     {"vérifie un fichier de firmware comme la compilation le vérifie, et dit ce qu'il écrirait "
      "et son SHA-256 ; aucun appareil n'est appelé",
      "check a firmware file as the build checks it, and tell what it would write and its "
      "SHA-256; no device is called"},
     {"FICHIER.hex", "FILE.hex"},
     {"le fichier Intel HEX", "the Intel HEX file"}},
};

const OptionSpec kOptionSpecs[] = {
    {"--help",
     "-h",
     0,
     kNoWords,
     nullptr,
     {"affiche cette aide et termine", "print this help and exit"},
     nullptr,
     [](Job&, const std::string&) {}},
    {"--version",
     "-V",
     0,
     kNoWords,
     nullptr,
     {"affiche la version et termine", "print the version and exit"},
     nullptr,
     [](Job&, const std::string&) {}},
    {"--lang",
     nullptr,
     0,
     {"LANGUE", "LANG"},
     &kLanguageRule,
     kLanguageHelp,
     nullptr,
     [](Job&, const std::string&) {}},
    {"--all",
     nullptr,
     kOnInfo | kOnUpdate,
     kNoWords,
     nullptr,
     {"tous les ports derrière le pont de l'appareil (« : TALVIRE »)",
      "every port behind the device's own bridge (' : TALVIRE')"},
     nullptr,
     [](Job& job, const std::string&) { job.all = true; }},
    {"--wait",
     nullptr,
     kOnInfo | kOnUpdate,
     {"SECONDES", "SECONDS"},
     &kWaitRule,
     {"combien de temps appeler un appareil pas encore allumé, en secondes entières (0 à {2}, "
      "par défaut {0}) ; 0 appelle une fois (environ 2 s avec la purge fixe de la liaison, et la "
      "libération d'un appareil qui répond)",
      "how long to call a device that is not switched on yet, in whole seconds (0 to {2}, "
      "default {0}); 0 calls once (about 2 s with the link's fixed purge, and the release of a "
      "device that answers)"},
     [] { return std::to_string(update::kDefaultWaitSeconds); },
     [](Job& job, const std::string& v) {
       job.run.waitSeconds = static_cast<unsigned>(*Decimal(v));
     }},
    {"--json",
     nullptr,
     kOnAny,
     kNoWords,
     nullptr,
     {"un objet JSON par ligne pour chaque événement et chaque résultat (list : pour chaque port ; "
      "check : les chiffres du fichier, ou l'erreur)",
      "one JSON object a line for every event and result (list: for each port; check: the file's "
      "figures, or the error)"},
     nullptr,
     [](Job& job, const std::string&) { job.json = true; }},
    {"--verbose",
     "-v",
     kOnInfo | kOnUpdate,
     kNoWords,
     nullptr,
     {"une trace de chaque commande du chargeur et de sa réponse, avec l'heure, et de chaque "
      "réparation de la ligne, sur la sortie d'erreur (avec --json : des événements trace) ; des "
      "lignes simples au lieu des lignes vivantes",
      "a trace of every loader command and answer with its time, and of every repair of the "
      "line, on stderr (with --json: trace events); plain lines instead of the live ones"},
     nullptr,
     [](Job& job, const std::string&) { job.verbose = true; }},
    {"--quiet",
     "-q",
     kOnInfo | kOnUpdate,
     kNoWords,
     nullptr,
     {"seulement ce qui a échoué, sur la sortie d'erreur (avec --json : sans événements de "
      "progression)",
      "only what went wrong, on stderr (with --json: no progress events)"},
     nullptr,
     [](Job& job, const std::string&) { job.quiet = true; }},
    {"--log",
     nullptr,
     kOnInfo | kOnUpdate,
     {"FICHIER", "FILE"},
     &kLogRule,
     {"ajoute une ligne CSV par appareil : heure, port, numéro de série, versions avant et après, "
      "résultat, cause, vitesse, secondes, réparations, firmware et son SHA-256, version "
      "d'orb42-flash",
      "append one CSV line per device: time, port, serial number, versions before and after, "
      "outcome, cause, speed, seconds, repairs, firmware and its SHA-256, orb42-flash's version"},
     nullptr,
     [](Job& job, const std::string& v) { job.log = v; }},
    {"--log-separator",
     nullptr,
     kOnInfo | kOnUpdate,
     {"SÉP", "SEP"},
     &kSeparatorRule,
     {"le séparateur des colonnes du journal : , ou ; (par défaut ; avec une virgule décimale "
      "dans les secondes quand votre locale écrit les décimales avec une virgule, comme un "
      "tableur français les lit ; sinon ,)",
      "the log's column separator: , or ; (default: ; with a decimal comma in the seconds when "
      "your locale writes decimals with a comma, as a French spreadsheet reads them; "
      "otherwise ,)"},
     nullptr,
     [](Job& job, const std::string& v) { job.logSeparator = v[0]; }},
    {"--speed",
     nullptr,
     kOnUpdate,
     {"BIT/S", "BPS"},
     &kSpeedRule,
     {"la vitesse de la ligne pour la programmation, en bit/s : {1} (par défaut {0})",
      "line speed for the programming, in bit/s: {1} (default {0})"},
     [] { return std::to_string(update::kBenchSpeed); },
     [](Job& job, const std::string& v) {
       job.run.session.speed = static_cast<std::int32_t>(*Decimal(v));
     }},
    {"--loop",
     nullptr,
     kOnUpdate,
     kNoWords,
     nullptr,
     {"après chaque appareil, attend le suivant sur le même port, jusqu'à Ctrl-C",
      "after each device, wait for the next one on the same port, until Ctrl-C"},
     nullptr,
     [](Job& job, const std::string&) {
       job.loop = true;
       job.run.waitSeconds.reset();
     }},
    {"--firmware",
     nullptr,
     kOnUpdate,
     {"FICHIER.hex", "FILE.hex"},
     &kFirmwareRule,
     {"écrit ce fichier Intel HEX au lieu du firmware intégré (vérifié comme la compilation le "
      "vérifie)",
      "write this Intel HEX file instead of the built-in firmware (checked as the build checks "
      "it)"},
     nullptr,
     [](Job& job, const std::string& v) { job.firmware = v; }},
    {"--no-verify",
     nullptr,
     kOnUpdate,
     kNoWords,
     nullptr,
     {"ne relit ni les cellules d'EEPROM écrites par l'image (avant la version) ni la version "
      "(après) ; les mots de programme ne peuvent pas être relus",
      "do not read back the EEPROM cells the image wrote (before the version is written) nor "
      "the version (after it); program words cannot be read back"},
     nullptr,
     [](Job& job, const std::string&) { job.run.session.verify = false; }},
};
const std::size_t kOptionCount = std::size(kOptionSpecs);

const Exclusion kExclusions[2] = {{"--all", "PORT"}, {"--loop", "--wait"}};

unsigned BitOf(Command command) {
  switch (command) {
    case Command::List:
      return kOnList;
    case Command::Info:
      return kOnInfo;
    case Command::Update:
      return kOnUpdate;
    case Command::Check:
      return kOnCheck;
  }
  return 0;
}

const CommandSpec* FindCommand(const std::string& name) {
  for (const CommandSpec& c : kCommandSpecs)
    if (name == c.name) return &c;
  return nullptr;
}

const OptionSpec* FindOption(const std::string& given) {
  const std::string name = given.substr(0, given.find('='));
  for (const OptionSpec& o : kOptionSpecs) {
    if (name == o.name || (o.shortName && given == o.shortName)) return &o;
  }
  return nullptr;
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

std::string RefusalOf(const ValueRule& rule, const std::string& value) {
  return value.empty()
             ? Say({"une valeur vide n'est pas {0} ; {1}", "an empty value is not {0}; {1}"},
                   {Say(rule.takes), rule.give()})
             : Say({"« {0} » n'est pas {1} ; {2}", "'{0}' is not {1}; {2}"},
                   {value, Say(rule.takes), rule.give()});
}

std::optional<unsigned long> Decimal(const std::string& text) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  return std::stoul(text);
}

}  // namespace flash
