#pragma once
// iCalendar (RFC 5545) files, on libical: other calendar programs' files read
// into events, and the event store written out for them.
//
// Reading keeps what the other calendar said of each event (its UID, whole
// repetition, zone, length and text: events/foreign_event.h) and gives the
// record the nearest of dayloom's four kinds, so that older readers of the
// event file see the best they can show. It is tolerant: a component that
// cannot be read is left out and named, the others come in; nothing comes in
// only when nothing could be read.
//
// Writing: an event of another calendar goes out as it came (its own UID,
// rule and exceptions, with the user's changes of name, notes and
// completion); the user's own events as VEVENT with their start, a lasting
// one with its end (whole days as dates), a repeating one with its RRULE, a
// to-do as VTODO with DUE, a reminder choice as VALARM. Times carry the
// zone's name and a VTIMEZONE with the zone's history from the system's zone
// data. The file is made a component at a time, never held whole.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "events/clock_zone.h"
#include "events/date_time.h"
#include "events/event_file.h"
#include "events/safe_file.h"
#include "events/todo_item.h"

struct IcsExportOptions {
    IcsZone Zone = UtcZone();  // the zone of the wall clock times
    TDateTime Now = 0;         // local; DTSTAMP
    // Only events that fall on these days (inclusive, midnight values); a
    // repeating event counts from its start on.
    std::optional<TDateTime> From, To;
    // How a large store is written: threads (0: by the machine's cores) and
    // events per block of work (0: a few thousand). Tests set them small.
    int Threads = 0;
    size_t BlockEvents = 0;
};

// The file in pieces for a safe write or a stream; `events` counts the
// components written as it goes. The store must outlive the source.
ChunkSource ICalendarChunks(const TodoItems& store, const IcsExportOptions& options, int* events = nullptr);
// The same straight from the event file, opened by `file` (whose first
// reading gave `foreign`, the events of other calendars): a large file's
// records are read a block at a time while the threads write the blocks
// before, and are never all held. A file that no longer reads as it did
// throws std::runtime_error out of the source.
ChunkSource ICalendarChunks(EventFileStream& file, const TodoItems& foreign, const IcsExportOptions& options,
                            int* events = nullptr);

struct IcsWritten {
    std::string Text;  // the whole file, CR LF line ends, UTF-8
    int Events = 0;    // components written
};
IcsWritten WriteICalendar(const TodoItems& store, const IcsExportOptions& options);

// The UID of an event: the one its calendar gave it, or for the user's own
// its identity (start to the second, name) in a form that stays the same
// from one export to the next.
std::string IcsUid(const TTodoItem& event);

// A component left out of a read, and why.
struct IcsSkipped {
    int Line = 0;         // where it begins, from 1
    std::string Uid;      // as the file gives it; may be empty
    std::string Reason;   // UTF-8, Russian
};

struct IcsRun {
    bool ok = false;
    std::vector<TTodoItem> Events;   // in file order, fields as the editor stores them
    std::vector<char> Simplified;    // parallel: a repetition taken as its first occurrence
    int Undated = 0;                 // to-dos and events without any date, left out
    int Repeated = 0;                // a UID given again in the same file, left out
    std::vector<IcsSkipped> Skipped; // components that could not be read
    int Line = 0;                    // failure: the line, from 1
    std::string Message;             // failure: for the user, UTF-8
};

// The most a calendar held in memory may be (a file is read in blocks, of any size).
constexpr size_t kMaxIcsBytes = size_t{64} * 1024 * 1024;
// How much of a calendar is read at a time.
constexpr size_t kIcsBlockBytes = size_t{1} << 20;

// Reads a calendar. `local` is the zone dayloom's wall clock is in: times in
// UTC or in another zone are moved onto it. A file is read a block at a time,
// three times over (its encoding, what its events need from elsewhere in it,
// its events), and never held whole: what a read keeps is its events and
// their UIDs. `blockBytes` only changes how the same result is reached.
IcsRun ReadICalendar(std::string_view text, const IcsZone& local, size_t blockBytes = kIcsBlockBytes);
// With `stop`, a reading on another thread ends early once it is set (the
// result then says nothing of the file).
IcsRun ReadICalendarFile(const std::filesystem::path& file, const IcsZone& local, size_t blockBytes = kIcsBlockBytes,
                         const std::atomic<bool>* stop = nullptr);

// One line per component left out: "строка 12, UID abc: DTEND не читается".
std::string SkippedText(const IcsSkipped& s);
