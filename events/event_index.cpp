#include "events/event_index.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <climits>

#include "events/date_time.h"
#include "events/foreign_event.h"
#include "events/purge.h"
#include "events/recurrence.h"

namespace {
int64_t FloorMod(int64_t a, int64_t p) { return ((a % p) + p) % p; }
}  // namespace

uint64_t EventIndex::YearlyKey(int64_t day) {
    const auto ymd = YmdOf(static_cast<TDateTime>(day));
    return (uint64_t{1} << 56) | (static_cast<unsigned>(ymd.month()) * 32u + static_cast<unsigned>(ymd.day()));
}

uint64_t EventIndex::MonthlyKey(int64_t day) {
    return (uint64_t{2} << 56) | static_cast<unsigned>(YmdOf(static_cast<TDateTime>(day)).day());
}

uint64_t EventIndex::WeekdayKey(int weekday) { return (uint64_t{3} << 56) | static_cast<unsigned>(weekday); }

uint64_t EventIndex::PeriodKey(int64_t period, int64_t day) {
    return (uint64_t{kPeriodKind} << 56) | (static_cast<uint64_t>(period) << 24) | static_cast<uint64_t>(FloorMod(day, period));
}

void EventIndex::EntriesOf(const TTodoItem& e, int pos, std::vector<Entry>& out, std::vector<uint64_t>& lists) {
    out.clear();
    lists.clear();
    const int64_t ks = SafeDayNumber(e.CreationDate);
    // A start outside the calendar has no day to be filed under, yet a span
    // from it may still cover a day.
    if (ks == INT64_MIN) {
        lists.push_back(kAlways);
        return;
    }
    out.push_back({ks, pos, true});
    if (e.Foreign() && e.Foreign()->Repeats()) {
        // Another calendar's series is asked on every day.
        lists.push_back(kAlways);
        return;
    }
    const TRepetition r = e.Repetition();
    const int unit = r.PairedUnit(), count = r.PairedCount();
    if (e.CompletionDate == 0 && unit >= kUnitDays && unit <= kUnitYears && count > 0) {
        if (unit == kUnitYears) {
            lists.push_back(YearlyKey(ks));
        } else if (unit == kUnitMonths) {
            lists.push_back(MonthlyKey(ks));
        } else {
            const int p = PeriodDays(count, unit);
            lists.push_back(p > 0 && p < (1 << 30) ? PeriodKey(p, ks) : kAlways);
        }
    }
    for (int w = 1; w <= 7; ++w)
        if ((static_cast<unsigned>(r.Mask) >> (7 - w)) & 1u) lists.push_back(WeekdayKey(w));
    if (e.CompletionDate != 0) {
        // A moment of a day lies between that day's midnight and the next
        // (before 1899 the other way round), so a span covers no day beyond
        // the days of its ends.
        const int64_t ke = SafeDayNumber(e.CompletionDate);
        if (ke == INT64_MIN || ke - ks > kLongestFiledSpan) {
            lists.push_back(kAlways);
        } else {
            for (int64_t d = ks + 1; d <= ke; ++d) out.push_back({d, pos, false});
        }
    }
    std::sort(lists.begin(), lists.end());
    lists.erase(std::unique(lists.begin(), lists.end()), lists.end());
}

void EventIndex::Keep(uint64_t list, int pos) {
    std::vector<int>& v = apart_[list];
    v.insert(std::upper_bound(v.begin(), v.end(), pos), pos);
}

void EventIndex::Drop(uint64_t list, int pos) {
    const auto found = apart_.find(list);
    if (found == apart_.end()) return;
    std::vector<int>& v = found->second;
    const auto it = std::lower_bound(v.begin(), v.end(), pos);
    if (it == v.end() || *it != pos) return;
    v.erase(it);
    if (v.empty()) apart_.erase(found);
}

void EventIndex::NotePast(const TTodoItem& e, int slot) {
    const auto s = static_cast<size_t>(slot);
    if (s >= bySlot_.size()) bySlot_.resize(s + 1);  // within Headroom, else doubled
    const int64_t start = SafeDayNumber(e.CreationDate);
    bySlot_[s] = {PastFromDay(e), start == INT64_MIN ? kNoDay : static_cast<int32_t>(start)};
}

void EventIndex::Rebuild(const TodoItems& events) {
    days_.clear();
    apart_.clear();
    dead_.clear();
    buried_ = 0;
    bySlot_.clear();
    bySlot_.reserve(Headroom(events.SlotCount()));
    bySlot_.resize(events.SlotCount());
    days_.reserve(static_cast<size_t>(events.Count()) + static_cast<size_t>(events.Count()) / 8);
    std::vector<Entry> one;
    std::vector<uint64_t> lists;
    for (int i = 0; i < events.Count(); ++i) {
        const int slot = static_cast<int>(events.SlotOf(i));
        EntriesOf(events[i], slot, one, lists);
        NotePast(events[i], slot);
        days_.insert(days_.end(), one.begin(), one.end());
        for (const uint64_t l : lists) apart_[l].push_back(slot);  // ascending as slots do
    }
    // The entries came in position order: a counting sort by day keeps that
    // order within a day, in time linear in the entries and the calendar's days.
    if (days_.empty()) return;
    const auto [lo, hi] = std::minmax_element(days_.begin(), days_.end(),
                                              [](const Entry& a, const Entry& b) { return a.day < b.day; });
    const int64_t first = lo->day;
    std::vector<uint32_t> at(static_cast<size_t>(hi->day - first) + 2, 0);
    for (const Entry& x : days_) ++at[static_cast<size_t>(x.day - first) + 1];
    for (size_t k = 1; k < at.size(); ++k) at[k] += at[k - 1];
    std::vector<Entry> sorted;
    sorted.reserve(Headroom(days_.size()));
    sorted.resize(days_.size());
    for (const Entry& x : days_) sorted[at[static_cast<size_t>(x.day - first)]++] = x;
    days_ = std::move(sorted);
}

void EventIndex::File(const TTodoItem& event, int pos) {
    std::vector<Entry> one;
    std::vector<uint64_t> lists;
    EntriesOf(event, pos, one, lists);
    for (const Entry& x : one) days_.insert(std::upper_bound(days_.begin(), days_.end(), x), x);
    for (const uint64_t l : lists) Keep(l, pos);
    NotePast(event, pos);
}

void EventIndex::Refile(const TTodoItem& before, const TTodoItem& after, int pos) {
    std::vector<Entry> was, is;
    std::vector<uint64_t> wasIn, isIn;
    EntriesOf(before, pos, was, wasIn);
    EntriesOf(after, pos, is, isIn);
    auto same = [](const Entry& a, const Entry& b) { return a.day == b.day && a.start == b.start; };
    NotePast(after, pos);
    if (wasIn == isIn && std::equal(was.begin(), was.end(), is.begin(), is.end(), same)) return;
    Unfile(before, pos);
    File(after, pos);
}

void EventIndex::FileAppended(const TodoItems& events, int first) {
    if (first >= events.Count()) return;
    if (events.Count() - first <= 8) {
        // An event or a few: each entry in its place costs less than a merge.
        for (int i = first; i < events.Count(); ++i) File(events[i], static_cast<int>(events.SlotOf(i)));
        return;
    }
    // Positions after every filed one: the new entries sort among themselves
    // and merge with the rest in one pass; the lists stay ascending.
    const auto middle = static_cast<std::ptrdiff_t>(days_.size());
    std::vector<Entry> one;
    std::vector<uint64_t> lists;
    for (int i = first; i < events.Count(); ++i) {
        const int slot = static_cast<int>(events.SlotOf(i));
        EntriesOf(events[i], slot, one, lists);
        days_.insert(days_.end(), one.begin(), one.end());
        for (const uint64_t l : lists) Keep(l, slot);
        NotePast(events[i], slot);
    }
    std::sort(days_.begin() + middle, days_.end());
    std::inplace_merge(days_.begin(), days_.begin() + middle, days_.end());
}

void EventIndex::Unfile(const TTodoItem& event, int pos) {
    std::vector<Entry> one;
    std::vector<uint64_t> lists;
    EntriesOf(event, pos, one, lists);
    for (const Entry& x : one) {
        const auto it = std::lower_bound(days_.begin(), days_.end(), x);
        if (it != days_.end() && it->day == x.day && it->pos == x.pos) days_.erase(it);
    }
    for (const uint64_t l : lists) Drop(l, pos);
}

void EventIndex::BuryAll(const TakenEvents& taken) {
    taken.ForEachWord([&](uint32_t first, uint64_t word) {
        // The word's bits fall into one or two words of dead_.
        const size_t at = first / 64, shift = first % 64;
        const size_t last = (static_cast<size_t>(first) + 63 - static_cast<size_t>(std::countl_zero(word))) / 64;
        if (last >= dead_.size()) dead_.resize(last + 1, 0);
        auto mark = [&](size_t w, uint64_t bits) {
            buried_ += static_cast<size_t>(std::popcount(bits & ~dead_[w]));
            dead_[w] |= bits;
        };
        mark(at, word << shift);
        if (shift != 0 && (word >> (64 - shift)) != 0) mark(at + 1, word >> (64 - shift));
    });
}

void EventIndex::Tidy() {
    // A buried slot never holds an event again, so its entries can wait: a
    // sweep is a pass over all entries, made once the buried events number
    // half of them, so it stays a small share of the removals that led to it
    // (a purge of half a store leaves it to the next large removal).
    if (buried_ == 0 || buried_ * 2 < days_.size() + 2048) return;
    std::erase_if(days_, [&](const Entry& x) { return Dead(x.pos); });
    for (auto it = apart_.begin(); it != apart_.end();) {
        std::erase_if(it->second, [&](int slot) { return Dead(slot); });
        it = it->second.empty() ? apart_.erase(it) : std::next(it);
    }
    buried_ = 0;
}

size_t EventIndex::Entries() const {
    return static_cast<size_t>(std::count_if(days_.begin(), days_.end(), [&](const Entry& x) { return !Dead(x.pos); }));
}

size_t EventIndex::KeptApart() const {
    std::vector<int> all;
    for (const auto& [key, v] : apart_)
        for (const int slot : v)
            if (!Dead(slot)) all.push_back(slot);
    std::sort(all.begin(), all.end());
    return static_cast<size_t>(std::unique(all.begin(), all.end()) - all.begin());
}

std::vector<EventIndex::Entry>::const_iterator EventIndex::FirstOn(int64_t day) const {
    return std::lower_bound(days_.begin(), days_.end(), Entry{day, INT_MIN, false});
}

void EventIndex::ListsFor(int64_t day, std::vector<const std::vector<int>*>& out) const {
    out.clear();
    auto add = [&](uint64_t key) {
        const auto it = apart_.find(key);
        if (it != apart_.end()) out.push_back(&it->second);
    };
    add(kAlways);
    add(YearlyKey(day));
    add(MonthlyKey(day));
    add(WeekdayKey(DayOfWeek(static_cast<TDateTime>(day))));
    // The periods in use are the keys' own: a few hundred keys in all.
    for (const auto& [key, v] : apart_)
        if (key >> 56 == kPeriodKind && key == PeriodKey(static_cast<int64_t>((key >> 24) & 0xFFFFFFFFu), day))
            out.push_back(&v);
}

void EventIndex::Candidates(int64_t day, bool andNext, std::vector<int>& out) const {
    out.clear();
    if (day == INT64_MIN) return;
    auto from = std::lower_bound(days_.begin(), days_.end(), Entry{day, INT_MIN, false});
    for (; from != days_.end() && from->day == day; ++from)
        if (!Dead(from->pos)) out.push_back(from->pos);
    if (andNext)
        for (; from != days_.end() && from->day == day + 1; ++from)
            if (from->start && !Dead(from->pos)) out.push_back(from->pos);
    std::vector<const std::vector<int>*> lists;
    ListsFor(day, lists);
    for (const std::vector<int>* l : lists)
        for (const int slot : *l)
            if (!Dead(slot)) out.push_back(slot);
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
}

int EventIndex::StartsOn(int64_t day, int atMost) const {
    if (day == INT64_MIN) return 0;
    int n = 0;
    for (auto it = std::lower_bound(days_.begin(), days_.end(), Entry{day, INT_MIN, false});
         it != days_.end() && it->day == day && n < atMost; ++it)
        n += it->start && !Dead(it->pos) ? 1 : 0;
    return n;
}

int FindByIdentity(const TodoItems& in, const EventIndex& index, TDateTime creationDate, const std::string& subject) {
    // Every event with a start day is filed under it, and a day's slots ascend
    // as positions do: the first found is the first in the store.
    const int64_t day = SafeDayNumber(creationDate);
    if (day == INT64_MIN) return FindByIdentity(in, creationDate, subject);
    int found = -1;
    index.AnyStartingOn(day, [&](int slot) {
        const TTodoItem& e = in.AtSlot(static_cast<uint32_t>(slot));
        if (e.CreationDate != creationDate || e.Subject != subject) return false;
        found = in.PositionOf(static_cast<uint32_t>(slot));
        return true;
    });
    return found;
}
