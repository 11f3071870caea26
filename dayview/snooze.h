#pragma once
// Reminders put off from the alert window ("Отложить"): each is raised again
// at its moment, with its event's notes. They are kept in a small file of
// their own in the data folder ("snoozed"), not in the event file, so an
// older reader of the event file never meets them and a snooze never makes
// the event file change; they survive a restart and a kill, and one whose
// moment passed while the program was not running is raised at the start.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "events/date_time.h"
#include "events/safe_file.h"

struct SnoozedReminder {
    TDateTime moment = 0;         // when it is raised again
    std::string text;             // the tab caption, Windows-1251
    TDateTime occurrenceDay = 0;  // as RaisedReminder: the day it was due
    TDateTime creationDate = 0;   // the event's identity
    std::string subject;
};

// Minutes of each choice of the snooze menu: 5, 10, 15, 30 minutes, an hour,
// and tomorrow at this time.
inline constexpr int kSnoozeMinutes[] = {5, 10, 15, 30, 60, 24 * 60};

class SnoozeList {
public:
    // Kept in the order of their moments.
    void Add(SnoozedReminder r);
    // The snoozes whose moment is at or before `now`, taken out, earliest
    // first; nothing is walked when none is due.
    std::vector<SnoozedReminder> TakeDue(TDateTime now);
    const std::vector<SnoozedReminder>& Items() const { return items_; }
    bool Empty() const { return items_.empty(); }

    // The file's text, and reading it back: a line that does not read is
    // left out, never the rest.
    std::string Text() const;
    static SnoozeList Parse(std::string_view text);
    // A missing file is an empty list.
    static SnoozeList Load(const std::filesystem::path& file);
    WriteResult Save(const std::filesystem::path& file) const;

private:
    std::vector<SnoozedReminder> items_;
};

// The file beside the event file.
inline std::filesystem::path SnoozeFileIn(const std::filesystem::path& dataDir) { return dataDir / "snoozed"; }
