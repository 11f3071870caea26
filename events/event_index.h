#pragma once
// Which events may fall on a day, without walking the whole store. Each event
// is filed under its start day and under every further day its span covers;
// the repeating ones, long spans and events whose days cannot be told are kept
// apart and looked at for every day. A question about a day then costs the
// events of that day plus the ones kept apart (about a tenth of a realistic
// store), not the store.
//
// Positions are those of the events in the document; the document updates the
// index with every change, so the index always describes its events.
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "events/todo_item.h"

class EventIndex {
public:
    // A span longer than this many days is kept apart rather than filed
    // under each of its days.
    static constexpr int64_t kLongestFiledSpan = 62;

    void Rebuild(const TodoItems& events);

    // ---- kept up to date by the document, in this order per change ----
    // The event at `pos` (as it was) leaves the index; the others keep
    // their positions.
    void Unfile(const TTodoItem& event, int pos);
    // The events at the ascending positions `removed` went; the positions
    // after each move down. Their own entries must be unfiled first.
    void Compact(const std::vector<int>& removed);
    // The event now at `pos` is filed (an addition or the new side of an edit).
    void File(const TTodoItem& event, int pos);
    // The event at `pos` changed in place from `before` to `after`, no
    // position moving: touched only when its days or lists differ (a
    // completion changes neither).
    void Refile(const TTodoItem& before, const TTodoItem& after, int pos);
    // Files the events from `first` on, appended by one change.
    void FileAppended(const TodoItems& events, int first);

    // Ascending positions of the events that may fall on the day `day`
    // (a day number): those starting on it or spanning it, and the ones kept
    // apart; with `andNext`, those starting on the next day too (a reminder a
    // day ahead). A superset: the day's rules decide.
    void Candidates(int64_t day, bool andNext, std::vector<int>& out) const;
    // How many events start on the day `day`.
    int StartsOn(int64_t day) const;
    // Whether `wanted` holds for the position of an event starting on `day`;
    // stops at the first that does.
    template <typename Wanted>
    bool AnyStartingOn(int64_t day, Wanted&& wanted) const;
    // The same for the events whose repetition by days, weeks, months or
    // years may fall on `day` (and those kept apart for every day).
    template <typename Wanted>
    bool AnyRepeatingOn(int64_t day, Wanted&& wanted) const;

    // Entries and events kept apart: for tests and for the memory figure.
    size_t Entries() const { return days_.size(); }
    size_t KeptApart() const;

private:
    struct Entry {
        int64_t day;
        int pos;
        bool start;
        friend bool operator<(const Entry& a, const Entry& b) {
            return a.day != b.day ? a.day < b.day : a.pos < b.pos;
        }
    };
    // The entries of one event, and the lists of events kept apart it
    // belongs to: a repetition is kept under what its days share (the day of
    // the year, of the month, the weekday, the day of its period), so a day
    // asks only the lists that can hold it; anything else goes to kAlways.
    static void EntriesOf(const TTodoItem& e, int pos, std::vector<Entry>& out, std::vector<uint64_t>& lists);
    static constexpr uint64_t kAlways = 0;
    static constexpr uint64_t kPeriodKind = 4;  // a key's top byte
    static uint64_t YearlyKey(int64_t day);
    static uint64_t MonthlyKey(int64_t day);
    static uint64_t WeekdayKey(int weekday);  // 1 = Sunday .. 7 = Saturday
    static uint64_t PeriodKey(int64_t period, int64_t day);
    void Keep(uint64_t list, int pos);
    void Drop(uint64_t list, int pos);
    void ListsFor(int64_t day, std::vector<const std::vector<int>*>& out) const;

    std::vector<Entry>::const_iterator FirstOn(int64_t day) const;

    std::vector<Entry> days_;                                // sorted by day, then position
    std::unordered_map<uint64_t, std::vector<int>> apart_;  // each ascending
};

template <typename Wanted>
bool EventIndex::AnyStartingOn(int64_t day, Wanted&& wanted) const {
    for (auto it = FirstOn(day); it != days_.end() && it->day == day; ++it)
        if (it->start && wanted(it->pos)) return true;
    return false;
}

template <typename Wanted>
bool EventIndex::AnyRepeatingOn(int64_t day, Wanted&& wanted) const {
    std::vector<const std::vector<int>*> lists;
    ListsFor(day, lists);
    for (const std::vector<int>* l : lists)
        for (const int pos : *l)
            if (wanted(pos)) return true;
    return false;
}
