#pragma once
// Which events may fall on a day, without walking the whole store. Each event
// is filed under its start day and under every further day its span covers;
// the repeating ones, long spans and events whose days cannot be told are kept
// apart and looked at for every day. A question about a day then costs the
// events of that day plus the ones kept apart (about a tenth of a realistic
// store), not the store.
//
// Events are named by their slots in the store (TodoItems::SlotOf), which a
// removal leaves in place: a removed event is only marked (Bury) and its
// entries are skipped until enough of them are swept out at once, so taking
// events out costs a bit each here. The document updates the index with
// every change, so the index always describes its events.
//
// The index also keeps, for the purge, the day from which each event is past
// (PastFromDay), so a purge reads a number an event.
#include <algorithm>
#include <climits>
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

    // ---- kept up to date by the document ----
    // The event in `slot` went; its entries are skipped from now on.
    void Bury(int slot) {
        const auto s = static_cast<size_t>(slot);
        if (s / 64 >= dead_.size()) dead_.resize(s / 64 + 1, 0);
        const uint64_t bit = uint64_t{1} << (s % 64);
        buried_ += (dead_[s / 64] & bit) == 0 ? 1 : 0;
        dead_[s / 64] |= bit;
    }
    // Every event `taken` names went (Bury for each, a word at a time).
    void BuryAll(const TakenEvents& taken);
    // Sweeps the entries of the buried events out when they are many.
    void Tidy();
    // The event now in `slot` is filed (an addition).
    void File(const TTodoItem& event, int slot);
    // The event in `slot` changed in place from `before` to `after`:
    // touched only when its days or lists differ (a completion changes
    // neither).
    void Refile(const TTodoItem& before, const TTodoItem& after, int slot);
    // Files the events from position `first` on, appended by one change.
    void FileAppended(const TodoItems& events, int first);

    // Ascending slots of the events that may fall on the day `day` (a day
    // number): those starting on it or spanning it, and the ones kept apart;
    // with `andNext`, those starting on the next day too (a reminder a day
    // ahead). A superset: the day's rules decide. Slots ascend as positions do.
    void Candidates(int64_t day, bool andNext, std::vector<int>& out) const;
    // How many events start on the day `day`, counted up to `atMost`.
    int StartsOn(int64_t day, int atMost = INT_MAX) const;
    // PastFromDay of the event in `slot` (kPastAsk when not known).
    int32_t PastFrom(int slot) const {
        return static_cast<size_t>(slot) < bySlot_.size() ? bySlot_[static_cast<size_t>(slot)].pastFrom : kAskPast;
    }
    // The start day (SafeDayNumber) of the event in `slot`, kept or buried;
    // INT64_MIN when it has none or it is not known.
    int64_t StartDay(int slot) const {
        return static_cast<size_t>(slot) < bySlot_.size() && bySlot_[static_cast<size_t>(slot)].start != kNoDay
                   ? bySlot_[static_cast<size_t>(slot)].start
                   : INT64_MIN;
    }
    // Whether `wanted` holds for the slot of an event starting on `day`;
    // stops at the first that does.
    template <typename Wanted>
    bool AnyStartingOn(int64_t day, Wanted&& wanted) const;
    // The same for the events whose repetition by days, weeks, months or
    // years may fall on `day` (and those kept apart for every day).
    template <typename Wanted>
    bool AnyRepeatingOn(int64_t day, Wanted&& wanted) const;

    // Entries of the events there are and events kept apart: for tests and
    // for the memory figure.
    size_t Entries() const;
    size_t KeptApart() const;

private:
    static constexpr int32_t kAskPast = INT32_MIN;  // PastFromDay's kPastAsk
    // Capacity for `n` and the session's additions: an addition that found
    // a vector full would copy all of it on the window's thread (tens of
    // milliseconds at a million events).
    static size_t Headroom(size_t n) { return n + n / 16 + 64; }
    static constexpr int32_t kNoDay = INT32_MIN;
    // What the purge and its batch read of an event, a number each, so they
    // need not reach its record.
    struct SlotDays {
        int32_t pastFrom = kAskPast;
        int32_t start = kNoDay;
    };

public:
    // PastFrom for a pass over many slots, read without reaching the index.
    class PastDays {
    public:
        int32_t operator()(uint32_t slot) const { return slot < n_ ? at_[slot].pastFrom : kAskPast; }

    private:
        friend class EventIndex;
        PastDays(const SlotDays* at, size_t n) : at_(at), n_(n) {}
        const SlotDays* at_;
        size_t n_;
    };
    PastDays AllPastFrom() const { return {bySlot_.data(), bySlot_.size()}; }

private:
    struct Entry {
        int64_t day;
        int pos;  // the slot
        bool start;
        friend bool operator<(const Entry& a, const Entry& b) {
            return a.day != b.day ? a.day < b.day : a.pos < b.pos;
        }
    };
    bool Dead(int slot) const {
        const auto s = static_cast<size_t>(slot);
        return s / 64 < dead_.size() && (dead_[s / 64] >> (s % 64) & 1u) != 0;
    }
    void NotePast(const TTodoItem& e, int slot);
    void Unfile(const TTodoItem& event, int slot);
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

    std::vector<Entry> days_;                                // sorted by day, then slot
    std::unordered_map<uint64_t, std::vector<int>> apart_;  // each ascending
    std::vector<uint64_t> dead_;                             // a bit a slot: buried
    size_t buried_ = 0;                                      // buried since the last sweep
    std::vector<SlotDays> bySlot_;
};

// FindByIdentity asking only the events that start on the day of
// `creationDate` (`index` is the store's own).
int FindByIdentity(const TodoItems& in, const EventIndex& index, TDateTime creationDate, const std::string& subject);

template <typename Wanted>
bool EventIndex::AnyStartingOn(int64_t day, Wanted&& wanted) const {
    for (auto it = FirstOn(day); it != days_.end() && it->day == day; ++it)
        if (it->start && !Dead(it->pos) && wanted(it->pos)) return true;
    return false;
}

template <typename Wanted>
bool EventIndex::AnyRepeatingOn(int64_t day, Wanted&& wanted) const {
    std::vector<const std::vector<int>*> lists;
    ListsFor(day, lists);
    for (const std::vector<int>* l : lists)
        for (const int pos : *l)
            if (!Dead(pos) && wanted(pos)) return true;
    return false;
}
