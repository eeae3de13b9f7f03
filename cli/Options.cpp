// The command line, read once: each argument is an option of the table (with its value), the
// command, or a positional argument of the command; what does not fit is worded once the
// language is known, in the program's own words.
#include "cli/Options.h"

#include <functional>
#include <vector>

#include "cli/Messages.h"
#include "cli/OptionTable.h"
#include "platform/Locale.h"

namespace flash {

namespace {

struct Given {
  const OptionSpec* spec;
  std::string value;
};

// What the arguments are, before anything is checked against the command.
struct Reading {
  const CommandSpec* command = nullptr;
  std::vector<Given> options;
  std::vector<std::string> positionals;
  bool help = false;
  bool version = false;
  bool json = false;
  std::optional<Language> language;
  std::function<std::string()> problem;  // the first argument that did not fit, in words
};

std::string CommandList() {
  std::string list;
  for (const CommandSpec& c : kCommandSpecs) {
    const bool last = &c == &kCommandSpecs[std::size(kCommandSpecs) - 1];
    list += (list.empty() ? "" : last ? Say({" ou ", " or "}) : ", ") + std::string(c.name);
  }
  return list;
}

std::string Named(const OptionSpec& spec, const std::string& text) {
  return Say({"{0} : {1}", "{0}: {1}"}, {spec.name, text});
}

// The argument after an option that takes a value is its value, unless it is itself an option
// of the table ("--log --json": the log's name is missing). "-1" is a value, to be refused.
bool IsOption(const char* arg) {
  const std::string text = arg;
  return (text.size() > 2 && text.rfind("--", 0) == 0) || FindOption(text) != nullptr;
}

Reading Read(int argc, const char* const* argv) {
  Reading r;
  auto note = [&r](std::function<std::string()> problem) {
    if (!r.problem) r.problem = std::move(problem);
  };
  bool ended = false;  // after "--", every argument is a positional one
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (!ended && arg == "--") {
      ended = true;
      continue;
    }
    if (!ended && arg.size() > 1 && arg[0] == '-') {
      const OptionSpec* spec = FindOption(arg);
      if (!spec) {
        note([arg] {
          return Say({"option inconnue « {0} »", "unknown option '{0}'"}, {Shown(arg)});
        });
        continue;
      }
      Given given{spec, {}};
      const std::size_t sign = arg.rfind("--", 0) == 0 ? arg.find('=') : std::string::npos;
      if (spec->rule && sign != std::string::npos) {
        given.value = arg.substr(sign + 1);
      } else if (spec->rule && i + 1 < argc && !IsOption(argv[i + 1])) {
        given.value = argv[++i];
      } else if (spec->rule) {
        note([spec] {
          return Named(*spec,
                       Say({"il manque sa valeur ({0}) ; {1}", "its value ({0}) is missing; {1}"},
                           {Say(spec->placeholder), spec->rule->give()}));
        });
        continue;
      } else if (sign != std::string::npos) {
        note([spec] {
          return Named(*spec,
                       Say({"cette option ne prend pas de valeur", "this option takes no value"}));
        });
        continue;
      }
      const std::string name = spec->name;
      if (name == "--help") r.help = true;
      if (name == "--version") r.version = true;
      if (name == "--json") r.json = true;
      if (name == "--lang" && spec->rule->accepts(given.value))
        r.language = given.value == "fr" ? Language::French : Language::English;
      r.options.push_back(std::move(given));
      continue;
    }
    if (!ended && !r.command) {
      r.command = FindCommand(arg);
      if (!r.command) {
        note([arg] {
          return Say({"commande inconnue « {0} » ; commandes : {1}",
                      "unknown command '{0}'; commands: {1}"},
                     {Shown(arg), CommandList()});
        });
      }
      continue;
    }
    r.positionals.push_back(arg);
  }
  return r;
}

bool Present(const Reading& r, const char* name) {
  if (std::string(name) == "PORT") return !r.positionals.empty();
  for (const auto& g : r.options)
    if (std::string(g.spec->name) == name) return true;
  return false;
}

// The first thing that the command does not take, in words; empty when it takes everything.
std::string Refused(const Reading& r) {
  if (r.problem) return r.problem();
  if (!r.command) return Say({"donnez une commande : {0}", "give a command: {0}"}, {CommandList()});
  const CommandSpec& command = *r.command;
  for (std::size_t i = 0; i < r.options.size(); ++i) {
    const OptionSpec& spec = *r.options[i].spec;
    if (spec.commands != 0 && !(spec.commands & BitOf(command.command)))
      return Say({"{0} n'est pas une option de {1}", "{0} is not an option of {1}"},
                 {spec.name, command.name});
    if (spec.rule && !spec.rule->accepts(r.options[i].value))
      return Named(spec, RefusalOf(*spec.rule, Shown(r.options[i].value)));
    for (std::size_t k = 0; k < i; ++k) {
      if (spec.rule && r.options[k].spec == &spec && std::string(spec.name) != "--lang")
        return Named(spec, Say({"donnée deux fois (« {0} » et « {1} ») ; donnez-la une fois",
                                "given twice ('{0}' and '{1}'); give it once"},
                               {Shown(r.options[k].value), Shown(r.options[i].value)}));
    }
  }
  for (const Exclusion& e : kExclusions) {
    if (Present(r, e.first) && Present(r, e.second))
      return Say(
          {"{0} exclut {1} : donnez l'un ou l'autre", "{0} excludes {1}: give one or the other"},
          {e.first, e.second});
  }
  switch (command.command) {
    case Command::List:
      if (!r.positionals.empty())
        return Say({"list ne prend pas d'argument : « {0} »", "list takes no argument: '{0}'"},
                   {Shown(r.positionals[0])});
      break;
    case Command::Check:
      if (r.positionals.empty())
        return Say({"check : donnez le fichier Intel HEX à vérifier (FICHIER.hex)",
                    "check: give the Intel HEX file to check (FILE.hex)"});
      if (r.positionals.size() > 1)
        return Say({"check vérifie un fichier à la fois : « {0} » est de trop",
                    "check checks one file at a time: '{0}' is one too many"},
                   {Shown(r.positionals[1])});
      break;
    case Command::Info:
    case Command::Update:
      if (r.positionals.empty() && !Present(r, "--all"))
        return Say({"{0} : nommez les ports (PORT...) ou donnez --all",
                    "{0}: name the ports (PORT...) or give --all"},
                   {command.name});
      break;
  }
  return {};
}

}  // namespace

CommandLine ReadCommandLine(int argc, const char* const* argv, Job& job) {
  const Reading r = Read(argc, argv);
  CommandLine line;
  line.language =
      r.language.value_or(platform::UserLanguageIsFrench() ? Language::French : Language::English);
  SetLanguage(line.language);
  line.json = r.json;
  if (r.command) line.command = r.command->command;
  if (r.help || r.version) {
    line.ask = r.help ? CommandLine::Ask::Help : CommandLine::Ask::Version;
    return line;
  }
  line.error = Refused(r);
  if (!line.error.empty()) {
    line.ask = CommandLine::Ask::Error;
    return line;
  }
  job.command = r.command->command;
  job.run.session.program = job.command != Command::Info;  // info: the checks only
  for (const auto& g : r.options) g.spec->apply(job, g.value);
  if (job.command == Command::Check) {
    job.firmware = r.positionals[0];
  } else {
    job.portArguments = r.positionals;
  }
  if (!Present(r, "--log-separator"))
    job.logSeparator = platform::UserLocaleUsesDecimalComma() ? ';' : ',';
  return line;
}

std::string RunHelp(std::optional<Command> command) {
  std::string name = "orb42-flash";
  for (const CommandSpec& c : kCommandSpecs)
    if (command && c.command == *command) name += std::string(" ") + c.name;
  return Say(
      {"Lancez {0} --help pour plus d'informations.", "Run {0} --help for more information."},
      {name});
}

}  // namespace flash
