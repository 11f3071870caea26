#pragma once
// What the writing verbs of dayloom-cli share: their option reader, the data
// folder and its event file, month lists, and failing with a message.
#include <chrono>
#include <filesystem>
#include <memory>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "events/event_file.h"
#include "events/event_file_keeper.h"
#include "events/folder_lock.h"
#include "import/zet_import.h"
#include "import/zet_text.h"

constexpr const char* kCliProgram = "dayloom-cli";
constexpr const char* kCliEventFile = "ListToDo.db";

// A verb's arguments: options with a value (--name VALUE or --name=VALUE),
// flags, and the rest in order.
struct CliArgs {
    std::vector<std::pair<std::string, std::string>> values;
    std::vector<std::string> flags;
    std::vector<std::string> positional;

    const std::string* Value(const std::string& name) const;
    bool Flag(const std::string& name) const;
    bool AskedForHelp() const { return Flag("--help") || Flag("-h"); }
};

// Reads `args` against the options a verb knows; an unknown option, a
// repeated one or a missing value is an error (the message is UTF-8).
std::optional<CliArgs> ReadCliArgs(const std::vector<std::string>& args,
                                   const std::vector<std::string>& valueOptions,
                                   const std::vector<std::string>& flagOptions, std::string& error);

// Arguments are UTF-8; a path made from a narrow string would be read in the
// ANSI code page on Windows, where a Cyrillic name gets lost.
std::filesystem::path CliPath(const std::string& utf8Text);
std::string CliPathText(const std::filesystem::path& p);

// "all" or month numbers 1..12 separated by commas.
std::optional<MonthChoice> ParseMonthList(const std::string& text);

int CliFail(std::ostream& err, const std::string& message);
int CliFailWithHint(std::ostream& err, const std::string& message);

// A verb's help on standard output; a verb that writes the event file adds
// the warning about the running program. The result is the exit code.
int CliPrintHelp(std::ostream& out, std::ostream& err, void (*usage)(std::ostream&), bool writes);

// --months (all when absent) and --data (the default folder when absent); an
// unreadable value fills `error` (UTF-8) and gives nothing.
std::optional<MonthChoice> CliMonths(const CliArgs& args, std::string& error);
std::optional<std::filesystem::path> CliDataDir(const CliArgs& args, const std::filesystem::path& defaultDir,
                                                std::string& error);

// The data folder's event file, read whole. A missing file is an empty
// store; a file that cannot be read whole is an error, never overwritten.
// A writing verb (`writer` names it) holds the folder's lock from before the
// read until the store goes out of use; a reading one (`writer` null) takes
// no lock and never refuses.
struct CliStore {
    std::filesystem::path dir, file;
    TodoItems items;
    bool existed = false;
    FolderLock lock;
    std::unique_ptr<EventFileKeeper> keeper;
};
std::optional<CliStore> LoadCliStore(const std::filesystem::path& dir, const char* writer, std::string& error);
// Writes the store through the safe write, creating the folder when missing;
// what another writer put in the file meanwhile is merged in first.
bool SaveCliStore(CliStore& store, std::string& error);

// How long a writing verb waits for another writing verb to finish.
constexpr std::chrono::seconds kCliLockWait{10};

// A standard input or a file named "-" read whole, refused past kMaxZetBytes.
ZetFile ReadZetStream(std::istream& in);

// Said by the help of every verb that writes the event file.
extern const char* const kCliWriterWarning;
