#pragma once
// orb42-flash's commands and options, each stated once with its words in both languages: the
// reader of the command line (Options.cpp) checks and applies them from this table, and the help
// (Help.cpp) is written from it, defaults included.
#include <optional>
#include <string>

#include "cli/Job.h"
#include "cli/Words.h"

namespace flash {

// The longest --wait, in seconds.
inline constexpr unsigned kMaxWaitSeconds = 3600;

// The commands an option may stand with, as bits.
enum CommandBit : unsigned {
  kOnList = 1u << 0,
  kOnInfo = 1u << 1,
  kOnUpdate = 1u << 2,
  kOnCheck = 1u << 3,
  kOnAny = kOnList | kOnInfo | kOnUpdate | kOnCheck,
};
unsigned BitOf(Command command);

struct CommandSpec {
  Command command;
  const char* name;  // "update"
  Words summary;     // one line, for the program's help
  Words positional;  // "PORT..." / "FILE.hex"; empty: none
  Words positionalHelp;
};

// What a value must be: the option's refusal says what it takes and what to give.
struct ValueRule {
  Words takes;  // "a speed of the loader"
  std::string (*give)();
  bool (*accepts)(const std::string& value);
};

struct OptionSpec {
  const char* name;       // "--speed"
  const char* shortName;  // "-v"; nullptr when it has none
  unsigned commands;      // where it may stand (CommandBit); 0: anywhere, also before a command
  Words placeholder;      // its value's name in the help, {nullptr, nullptr} for a flag
  const ValueRule* rule;  // nullptr for a flag
  Words help;             // {0}: the default, {1}: the loader's speeds, {2}: the longest --wait
  // The default as the help shows it; nullptr when it has none.
  std::string (*defaultText)();
  // Puts the option into the job: value is the checked value, "" for a flag.
  void (*apply)(Job& job, const std::string& value);
};

extern const CommandSpec kCommandSpecs[4];
extern const OptionSpec kOptionSpecs[];
extern const std::size_t kOptionCount;

const CommandSpec* FindCommand(const std::string& name);
// By its long name (with or without "=value" after it) or its short one.
const OptionSpec* FindOption(const std::string& name);

// The options that exclude each other on one command line: --all and PORT, --loop and --wait.
struct Exclusion {
  const char* first;
  const char* second;  // an option's name, or "PORT" for the positional ports
};
extern const Exclusion kExclusions[2];

// "4800, 9600, ... or 256000" in the run's language.
std::string LoaderSpeedList();
// The words of a value refused by its rule: "'1e5' is not a speed of the loader; give ...".
std::string RefusalOf(const ValueRule& rule, const std::string& value);
// Plain decimal digits only: no sign, no exponent, no fraction, no 0x, nothing around them.
std::optional<unsigned long> Decimal(const std::string& text);

}  // namespace flash
