#pragma once
// A verb of dayloom-cli as one entry: its name, its options, its help and the
// function that does the work. The parser and the help are built from these
// entries; tools/cli_dispatch.cpp names them all in one table.
#include <cstddef>
#include <filesystem>
#include <functional>
#include <istream>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "events/date_time.h"
#include "events/clock_zone.h"

struct CliOption {
    std::string_view name;   // "--months", "-o"
    std::string_view value;  // what the help calls its value ("СПИСОК"); empty for a flag
    // The help lines after the name, '\n' between them; empty when the verb's
    // own text explains the option.
    std::string_view help;
    bool endsWithDataFolder = false;  // the help goes on with the default data folder

    bool TakesValue() const { return !value.empty(); }
};

// Where the general help lists a verb. The reading verbs share one list of
// options and have no help of their own; the others show their options'
// lines under their own text, and a writing verb's help warns about the window.
enum class CliGroup { Reading, Exchange, Writing };

// Where a password comes from, asked of the system (cli_platform_*.cpp);
// tests give their own.
struct CliSecrets {
    // Runs a command through the system's shell: the first line it prints,
    // or false with the reason (it failed, printed nothing, is missing).
    std::function<bool(const std::string& command, std::string& line, std::string& error)> runCommand;
    // The password the window keeps in the system's keyring under `key`;
    // false with the reason when there is none or the keyring is away.
    std::function<bool(const std::string& key, std::string& password, std::string& error)> keyring;
};

// What a verb works with besides its arguments.
struct CliCall {
    std::istream& in;  // for a file named "-"
    std::ostream& out;
    std::ostream& err;
    const std::filesystem::path& defaultDataDir;  // without --data
    TDateTime clockNow;
    const IcsZone& zone;  // the computer's, for the iCalendar verbs
    const CliSecrets* secrets = nullptr;  // none: no password can be had
};

// A verb's arguments once read: options with a value (--name VALUE or
// --name=VALUE), flags, and the rest in order.
struct CliArgs {
    std::vector<std::pair<std::string, std::string>> values;
    std::vector<std::string> flags;
    std::vector<std::string> positional;

    const std::string* Value(std::string_view name) const;
    bool Flag(std::string_view name) const;
};

struct CliVerb {
    std::string_view name;
    CliGroup group;
    std::string_view usage;  // the synopsis lines and what the verb does
    std::span<const CliOption> options;
    std::string_view notes;  // said after the options' lines
    // Plain arguments beyond this many are refused by name.
    size_t maxArguments;
    // Runs the verb on arguments already read; returns the exit status.
    int (*run)(const CliCall& call, const CliArgs& args);
};

// Reads `args` (the verb left out) against `options`, in order. "--help" or
// "-h" where an option may stand ends the reading: `help` is set and the rest
// is not looked at. An unknown option, a repeated one, a flag given a value
// and an option without its value are errors (`error`, UTF-8).
std::optional<CliArgs> ReadCliArgs(const std::vector<std::string>& args, std::span<const CliOption> options,
                                   bool& help, std::string& error);

// The help of all the verbs, on one page, in their order.
void PrintGeneralHelp(std::ostream& os, std::span<const CliVerb* const> verbs,
                      const std::filesystem::path& defaultDataDir);
// One verb's help: its text, its options' lines and, for a writing verb, the
// warning about the window.
void PrintVerbHelp(std::ostream& os, const CliVerb& verb);
