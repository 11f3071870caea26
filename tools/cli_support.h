#pragma once
// What the verbs of dayloom-cli share: the data folder and its event file,
// dates, moments and month lists as arguments, and failing with a message.
#include <chrono>
#include <filesystem>
#include <memory>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "events/date_time.h"
#include "events/event_file.h"
#include "events/event_document.h"
#include "events/folder_lock.h"
#include "import/zet_import.h"
#include "import/zet_text.h"
#include "tools/cli_command.h"

constexpr const char* kCliProgram = "dayloom-cli";
constexpr const char* kCliEventFile = "ListToDo.db";

// Arguments are UTF-8; a path made from a narrow string would be read in the
// ANSI code page on Windows, where a Cyrillic name gets lost.
std::filesystem::path CliPath(const std::string& utf8Text);
std::string CliPathText(const std::filesystem::path& p);

// "2010-10-11" -> midnight of that day; nothing for anything else (years
// 0001 to 9999, real calendar days only).
std::optional<TDateTime> ParseCliDate(std::string_view text);
// "2010-10-11 09:30" -> that moment; nothing for anything else.
std::optional<TDateTime> ParseCliMoment(std::string_view text);

// "all" or month numbers 1..12 separated by commas.
std::optional<MonthChoice> ParseMonthList(const std::string& text);

int CliFail(std::ostream& err, const std::string& message);
int CliFailWithHint(std::ostream& err, const std::string& message);

// --months (all when absent) and --data (the default folder when absent); an
// unreadable value fills `error` (UTF-8) and gives nothing.
std::optional<MonthChoice> CliMonths(const CliArgs& args, std::string& error);
std::optional<std::filesystem::path> CliDataDir(const CliArgs& args, const std::filesystem::path& defaultDir,
                                                std::string& error);

// The data folder's writer lock for a writing verb (`writer` names it),
// waiting a little for another verb but not for the window; false with the
// reason. The folder is made when missing.
bool TakeCliLock(const std::filesystem::path& dir, const char* writer, FolderLock& lock, std::string& error);

// The data folder's event file, read whole. A missing file is an empty
// store; a file that cannot be read whole is an error, never overwritten.
// A writing verb (`writer` names it) holds the folder's lock from before the
// read until the store goes out of use; a reading one (`writer` null) takes
// no lock and never refuses.
struct CliStore {
    std::filesystem::path dir, file;
    FolderLock lock;  // declared before the document: released after it
    std::unique_ptr<EventDocument> doc;
    bool existed = false;
    const TodoItems& Events() const { return doc->Events(); }
};
std::optional<CliStore> LoadCliStore(const std::filesystem::path& dir, const char* writer, std::string& error);
// What is told when the event file did not read whole.
std::string CliLoadProblem(const std::filesystem::path& file, const LoadReport& rep);
// Writes the store through the safe write, creating the folder when missing;
// what another writer put in the file meanwhile is merged in first.
bool SaveCliStore(CliStore& store, std::string& error);

// How long a writing verb waits for another writing verb to finish.
constexpr std::chrono::seconds kCliLockWait{10};

// A standard input or a file named "-" read whole, refused past kMaxZetBytes.
ZetFile ReadZetStream(std::istream& in);
