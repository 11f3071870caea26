#pragma once
// Where and what the data folder syncs: the server, the user, the chosen
// calendar, which events go there and how often. Kept in a file of its own
// beside the events; the password never is (the system's keyring, or a
// command that prints it).
#include <string>
#include <string_view>

#include "events/todo_item.h"

inline constexpr const char* kSyncSettingsFile = "sync.ini";
inline constexpr const char* kSyncStateFile = "sync-state.txt";

struct SyncSettings {
    std::string url;            // the server's address as typed
    std::string user;
    std::string calendar;       // the chosen calendar's path on the server
    std::string calendarName;   // its name, for the user
    std::string passwordCommand;  // dayloom-cli: a command that prints the password
    bool allowPlainHttp = false;  // http:// to another machine, allowed by the user
    // What goes to the server besides the user's own events and iCalendar
    // imports, which always go.
    bool zetImports = false;
    bool favourableDays = false;
    int everyMinutes = 15;  // 0: only by hand

    bool Configured() const { return !url.empty() && !user.empty() && !calendar.empty(); }
};

// The password in what a password command printed: its first line, without
// the line break (CR LF too); empty when there is none.
std::string PasswordLine(std::string_view output);

// Whether an event of this import kind goes to the server.
bool GoesToServer(TImportKind kind, const SyncSettings& s);

std::string SyncSettingsText(const SyncSettings& s);
// Total: unknown keys are skipped (a later version's), a value that does not
// read keeps its default; false with a message when the text is no settings
// file at all.
bool ReadSyncSettings(std::string_view text, SyncSettings& s, std::string& error);
