#pragma once
// The reminder timer's tick as a plain function: given the moment, the
// reminder list and what has been raised so far, it says what the main
// window's TimerAlertTimer has to do, in order. The window carries the
// actions out (sound, alert window tabs, caption, rebuilds); nothing here
// touches a window, a device or the clock.
//
// A raised reminder is remembered by its text (compared without regard to
// letter case) together with the day of its reminder moment, so a repeating
// event reminds again on each day it occurs, while rebuilding the lists on
// the same day never raises it twice. A tab reaches its event by identity
// (CreationDate, Subject), not by a store position, so deleting or purging
// other events never makes a tab show the wrong notes.
//
// The window side, in outline (TimerAlertTimer, once a second):
//   a = ReminderTick({now, TodoListAlert, SoundPlaying(player), alert.isVisible(),
//                     refreshTicks, lastRollDay, formats}, memory);
//   if (a.cutSound) CutSoundOff(player);
//   for each step: Play      -> MediaBum_Play(player, EdMediaFile, ...)
//                  RaiseTab  -> alert.ShowAndRaise(); alert.AddTab(text)
//                  SelectTab -> alert.ShowAndRaise(); alert.SelectTab(tab)
//   then the caption, the day-list rebuild and the roll-over; keep
//   a.newRefreshTicks and a.newLastRollDay for the next tick.
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "dayview/time_left.h"
#include "events/date_time.h"
#include "events/event_index.h"
#include "events/todo_item.h"
#include "widgets/day_row.h"

// Ticks between two rebuilds of the day list, so its time-left texts stay current.
constexpr int kRefreshTicks = 28;

// One reminder raised during this run; the alert window has one tab per
// entry, in the same order.
struct RaisedReminder {
    std::string text;           // tab caption, Windows-1251: "Subject [start]"
    TDateTime occurrenceDay = 0;  // midnight of the day of the row's reminder moment
    TDateTime creationDate = 0;   // identity of the event: its start ...
    std::string subject;          // ... and its name, compared exactly
    // For reminders repeated every N minutes or hours: the moment the sound
    // was last started for this reminder, so each repeat rings once even when
    // two ticks fall into the same second or a tick is late.
    TDateTime lastRing = 0;
};

// The raised reminders of the run (ListMsg, with the event identity in place
// of ListSrcIdxMsg's store positions). Nothing is ever removed during a run.
struct ReminderMemory {
    std::vector<RaisedReminder> raised;

    // Position of the reminder with this text (any letter case) raised for
    // this day, or -1. A hash look-up: a tick costs what is due, not what
    // has been raised before.
    int Find(const std::string& text, TDateTime occurrenceDay) const;
    // Appends a raised reminder and indexes it.
    int Add(RaisedReminder r);
    // The tab a row of the reminder list was last found under, by the row's
    // own fields, so a row already raised costs no text formatting; -1 when
    // the row has not been seen.
    int KnownTab(const TDayRow& row) const;
    void RememberTab(const TDayRow& row, int tab);
    // The tab captions in order, as ListMsg holds them.
    std::vector<std::string> ListMsg() const;
    // Position in `store` of the event of tab `tab` (first with its identity),
    // or -1 when the event is gone or the tab does not exist; the
    // counterpart of a ListSrcIdxMsg line, valid until the store changes.
    int ListSrcIdxMsg(const TodoItems& store, int tab) const;

private:
    void Index() const;  // brings the look-ups up to `raised`
    mutable std::unordered_map<std::string, int> byText_;  // upper-case text + day -> tab
    mutable size_t indexed_ = 0;
    std::unordered_map<std::string, int> byRow_;  // a row's subject, start and moment -> tab
};

// What a tick looks at. The reminder list is the window's TodoListAlert, as
// built by UpDateTdList in reminder mode (ascending reminder moment).
struct TickInput {
    TDateTime now = 0;
    const TDayRows& alertList;
    // The sound player's position is not 0 and it has a file set.
    bool soundPlaying = false;
    // The alert window is showing (false once the user has closed it).
    bool alertShowing = false;
    // The refresh tick counter and the last roll day the window keeps across ticks.
    int refreshTicks = 0;
    TDateTime lastRollDay = 0;
    DayListFormats fmt;
};

// One thing to do for a reminder, in the order given.
struct TickStep {
    enum Kind {
        Play,       // MediaBum_Play: start the reminder sound
        RaiseTab,   // show and raise the alert window, append a tab `text` and select it
        SelectTab,  // show and raise the alert window, select tab `tab`
    };
    Kind kind = Play;
    std::string text;  // RaiseTab: the caption (Windows-1251)
    int tab = -1;      // RaiseTab: index of the new tab; SelectTab: the tab to select
};

struct TickActions {
    // Before anything else: open, stop and close the player (the user closed
    // the alert window while the sound was still playing).
    bool cutSound = false;
    std::vector<TickStep> steps;
    // Set LabelNowDate to TodayCaption(now); on every tick.
    bool setCaption = true;
    // Empty the day list and rebuild it in day mode for the calendar's date.
    bool rebuildDayList = false;
    // A new day has begun: set the calendar to now's date, rebuild the
    // reminder list for today at midnight and the day list for the same
    // date, recompute the calendar markers. Done after the other actions;
    // reminders of the new day fire from the next tick on.
    bool rollOver = false;
    // What the window keeps for the next tick.
    TDateTime newLastRollDay = 0;
    int newRefreshTicks = 0;
};

// One tick. Raises every row whose reminder moment has come and whose
// (text, day) is not in `memory` yet, appending it there; rings the repeats
// of rows repeated every N minutes or hours, only at or after their
// reminder moment. Rows with the choice "Не напоминать" (0) and completed
// rows are skipped.
TickActions ReminderTick(const TickInput& in, ReminderMemory& memory);

// The reminder text of a row: its Subject, " [", its event's start, "]".
// The start is written as the time of day (long time format) when fewer than
// 23 whole hours lie between the start and `reference`, otherwise as date
// and time. The tick passes the row's reminder moment as reference, so the
// text of a row stays the same the whole day.
std::string ReminderText(const TDayRow& row, TDateTime reference, const DayListFormats& fmt);

// "Это событие удалено." (in the code page), shown for a tab whose event is gone.
const std::string& EventDeletedText();

// The notes of a raised reminder's event in `store`, lines joined by CR LF;
// EventDeletedText() when no stored event has its identity any more. With
// `index` (the store's own) the event is looked for among its day's only.
std::string TabNotes(const TodoItems& store, const RaisedReminder& reminder, const EventIndex* index = nullptr);
// The same for tab `tab` of the memory; EventDeletedText() for a tab that
// does not exist.
std::string TabNotes(const TodoItems& store, const ReminderMemory& memory, int tab,
                     const EventIndex* index = nullptr);
