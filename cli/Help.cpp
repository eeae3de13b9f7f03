// The help of orb42-flash and of each command, written from the table of options in the run's
// language and wrapped at 80 columns.
#include <string>
#include <vector>

#include "cli/ExitCodes.h"
#include "cli/Figures.h"
#include "cli/OptionTable.h"
#include "cli/Options.h"
#include "cli/Ports.h"
#include "link/LoaderFacts.h"

#ifndef ORB42_VERSION
#define ORB42_VERSION "unknown"
#endif

namespace flash {

namespace {

constexpr std::size_t kWidth = 80;
constexpr std::size_t kTextColumn = 26;

// Columns a UTF-8 text takes: one per character (the help's texts hold no wide characters).
std::size_t Columns(const std::string& text) {
  std::size_t n = 0;
  for (unsigned char c : text) n += (c & 0xC0) != 0x80 ? 1 : 0;
  return n;
}

constexpr char kNoBreak = '\x01';  // a space the lines are never broken at

// French puts a space before : ; ? ! and inside « »: a line never starts with one of them, nor
// ends with «.
std::string GlueFrenchMarks(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool beforeMark = text[i] == ' ' && i + 1 < text.size() &&
                            (std::string(":;?!").find(text[i + 1]) != std::string::npos ||
                             text.compare(i + 1, 2, "»") == 0);
    const bool afterQuote = text[i] == ' ' && i >= 2 && text.compare(i - 2, 2, "«") == 0;
    out += beforeMark || afterQuote ? kNoBreak : text[i];
  }
  return out;
}

// text broken at spaces into lines of at most kWidth columns, the first one after `lead` (which
// is padded to the text column), the others indented to it.
std::string Wrapped(const std::string& lead, const std::string& raw,
                    std::size_t indent = kTextColumn) {
  const std::string text = GlueFrenchMarks(raw);
  std::string out = lead;
  std::size_t column = Columns(lead);
  if (!lead.empty() && column + 1 > indent) {
    out += "\n";
    column = 0;
  }
  std::string word;
  bool first = true;
  auto flush = [&] {
    if (word.empty()) return;
    const std::size_t w = Columns(word);
    if (!first && column + 1 + w > kWidth) {
      out += "\n";
      column = 0;
      first = true;
    }
    if (column < indent) {
      out += std::string(indent - column, ' ');
      column = indent;
    } else if (!first) {
      out += " ";
      ++column;
    }
    for (char c : word) out += c == kNoBreak ? ' ' : c;
    column += w;
    first = false;
    word.clear();
  };
  for (char c : text) {
    if (c == ' ') {
      flush();
    } else if (c == '\n') {
      flush();
      out += "\n";
      column = 0;
      first = true;
    } else {
      word += c;
    }
  }
  flush();
  return out + "\n";
}

std::string Environment() {
#if defined(_WIN32)
  return Say({"Langue : celle de l'affichage de Windows (--lang l'impose).",
              "Language: that of Windows' display (--lang overrides it)."});
#else
  return Say(
      {"Environnement : ORB42_SYSFS_TTY (par défaut /sys/class/tty) est l'endroit où les "
       "ports sont trouvés, ORB42_DEV_DIR (par défaut /dev) celui où leurs nœuds sont "
       "ouverts ; LC_ALL, LC_MESSAGES ou LANG choisissent la langue (--lang l'impose).",
       "Environment: ORB42_SYSFS_TTY (default /sys/class/tty) is where the ports are "
       "found, ORB42_DEV_DIR (default /dev) where their nodes are opened; LC_ALL, "
       "LC_MESSAGES or LANG choose the language (--lang overrides them)."});
#endif
}

std::string PortLine() {
  return Wrapped("", Say({"PORT est {0}.", "PORT is {0}."}, {PortForms()}), 0);
}

std::string OptionLead(const OptionSpec& o) {
  std::string lead = "  ";
  if (o.shortName) lead += std::string(o.shortName) + ", ";
  lead += o.name;
  if (o.rule) lead += " " + Say(o.placeholder);
  return lead;
}

std::string Options(unsigned commandBit) {
  std::string out = Say({"Options :", "Options:"}) + "\n";
  for (std::size_t i = 0; i < kOptionCount; ++i) {
    const OptionSpec& o = kOptionSpecs[i];
    const bool here =
        commandBit == 0 ? o.commands == 0 : o.commands == 0 || (o.commands & commandBit);
    if (!here || (commandBit != 0 && std::string(o.name) == "--version")) continue;
    out +=
        Wrapped(OptionLead(o), Say(o.help, {o.defaultText ? o.defaultText() : std::string(),
                                            LoaderSpeedList(), std::to_string(kMaxWaitSeconds)}));
  }
  return out;
}

std::string ProgramHelp() {
  std::string out =
      Wrapped("",
              Say({"orb42-flash : met à jour en version {0} le firmware des télécommandes "
                   "ORB42TLX depuis un banc de service, plusieurs ports à la fois, avec toutes "
                   "les vérifications de l'assistant.",
                   "orb42-flash: updates the firmware of ORB42TLX remote controls to version "
                   "{0} from a service bench, several ports at once, with every check of the "
                   "wizard."},
                  {NewVersion()}),
              0) +
      "\n" +
      Say({"Utilisation : orb42-flash COMMANDE [OPTIONS]",
           "Usage: orb42-flash COMMAND [OPTIONS]"}) +
      "\n\n" + Say({"Commandes :", "Commands:"}) + "\n";
  for (const CommandSpec& c : kCommandSpecs)
    out += Wrapped("  " + std::string(c.name), Say(c.summary, {NewVersion()}), 10);
  out += "\n" + Options(0) + "\n" + PortLine() + "\n" + ExitCodeTable() + "\n" +
         Wrapped("", Environment(), 0);
  return out;
}

std::string CommandHelp(const CommandSpec& c) {
  std::string usage = Say(
      {"Utilisation : orb42-flash {0} [OPTIONS]", "Usage: orb42-flash {0} [OPTIONS]"}, {c.name});
  if (c.positional.fr)
    usage += c.command == Command::Check ? " " + Say(c.positional) : " [" + Say(c.positional) + "]";
  std::string out = Wrapped("", Say(c.summary, {NewVersion()}), 0) + "\n" + usage + "\n\n";
  if (c.positional.fr) {
    out += Say({"Arguments :", "Arguments:"}) + "\n" +
           Wrapped("  " + Say(c.positional), Say(c.positionalHelp)) + "\n";
  }
  out += Options(BitOf(c.command)) + "\n";
  switch (c.command) {
    case Command::List:
      // No device is called: no exit status of devices to tell.
      out += Wrapped("",
                     Say({"Code de sortie : 0, même quand aucun port n'est trouvé ; 2 pour une "
                          "erreur d'utilisation.",
                          "Exit status: 0, also when no port is found; 2 for bad usage."}),
                     0) +
             "\n" + Wrapped("", Environment(), 0);
      break;
    case Command::Check:
      out += Wrapped("",
                     Say({"Code de sortie : 0 quand le fichier serait accepté par --firmware et "
                          "par la compilation, 2 quand il est refusé.",
                          "Exit status: 0 when the file would be accepted by --firmware and "
                          "by the build, 2 when it is refused."}),
                     0);
      break;
    case Command::Info:
    case Command::Update:
      out += PortLine() + "\n" + ExitCodeTable();
      break;
  }
  return out;
}

}  // namespace

std::string HelpText(std::optional<Command> command) {
  for (const CommandSpec& c : kCommandSpecs)
    if (command && c.command == *command) return CommandHelp(c);
  return ProgramHelp();
}

std::string VersionText() {
  return Say(
      {"orb42-flash {0}, installe le firmware {1}", "orb42-flash {0}, installs firmware {1}"},
      {ORB42_VERSION, NewVersion()});
}

}  // namespace flash
