#include "events/event_index.h"

#include <algorithm>
#include <climits>

#include "events/date_time.h"

bool EventIndex::EntriesOf(const TTodoItem& e, int pos, std::vector<Entry>& out) {
    out.clear();
    const int64_t ks = SafeDayNumber(e.CreationDate);
    // A start outside the calendar has no day to be filed under, yet a span
    // from it may still cover a day.
    if (ks == INT64_MIN) return true;
    out.push_back({ks, pos, true});
    const TRepetition r = e.Repetition();
    const int unit = r.PairedUnit();
    bool apart = r.Mask != 0 || (e.CompletionDate == 0 && unit >= kUnitDays && unit <= kUnitYears && r.PairedCount() > 0);
    if (e.CompletionDate != 0) {
        // A moment of a day lies between that day's midnight and the next
        // (before 1899 the other way round), so a span covers no day beyond
        // the days of its ends.
        const int64_t ke = SafeDayNumber(e.CompletionDate);
        if (ke == INT64_MIN || ke - ks > kLongestFiledSpan) {
            apart = true;
        } else {
            for (int64_t d = ks + 1; d <= ke; ++d) out.push_back({d, pos, false});
        }
    }
    return apart;
}

void EventIndex::Rebuild(const TodoItems& events) {
    days_.clear();
    apart_.clear();
    days_.reserve(static_cast<size_t>(events.Count()) + static_cast<size_t>(events.Count()) / 8);
    std::vector<Entry> one;
    for (int i = 0; i < events.Count(); ++i) {
        if (EntriesOf(events[i], i, one)) apart_.push_back(i);
        days_.insert(days_.end(), one.begin(), one.end());
    }
    std::sort(days_.begin(), days_.end());
}

void EventIndex::Insert(std::vector<Entry>& entries, bool apart, int pos) {
    for (const Entry& x : entries) days_.insert(std::upper_bound(days_.begin(), days_.end(), x), x);
    if (apart) apart_.insert(std::upper_bound(apart_.begin(), apart_.end(), pos), pos);
}

void EventIndex::File(const TTodoItem& event, int pos) {
    std::vector<Entry> one;
    const bool apart = EntriesOf(event, pos, one);
    Insert(one, apart, pos);
}

void EventIndex::FileAppended(const TodoItems& events, int first) {
    if (first >= events.Count()) return;
    // Positions after every filed one: the new entries sort among themselves
    // and merge with the rest in one pass.
    const auto middle = static_cast<std::ptrdiff_t>(days_.size());
    std::vector<Entry> one;
    for (int i = first; i < events.Count(); ++i) {
        if (EntriesOf(events[i], i, one)) apart_.push_back(i);
        days_.insert(days_.end(), one.begin(), one.end());
    }
    std::sort(days_.begin() + middle, days_.end());
    std::inplace_merge(days_.begin(), days_.begin() + middle, days_.end());
}

void EventIndex::Unfile(const TTodoItem& event, int pos) {
    std::vector<Entry> one;
    const bool apart = EntriesOf(event, pos, one);
    for (const Entry& x : one) {
        const auto it = std::lower_bound(days_.begin(), days_.end(), x);
        if (it != days_.end() && it->day == x.day && it->pos == x.pos) days_.erase(it);
    }
    if (apart) {
        const auto it = std::lower_bound(apart_.begin(), apart_.end(), pos);
        if (it != apart_.end() && *it == pos) apart_.erase(it);
    }
}

void EventIndex::Compact(const std::vector<int>& removed) {
    if (removed.empty()) return;
    // How far each position moves down (the removed positions before it),
    // or -1 for a removed one: by search for a few, by table for many (a
    // purge takes half the store).
    std::vector<int> table;
    if (removed.size() > 16) {
        table.assign(static_cast<size_t>(removed.back()) + 1, 0);
        int n = 0;
        size_t next = 0;
        for (size_t p = 0; p < table.size(); ++p) {
            if (next < removed.size() && removed[next] == static_cast<int>(p)) {
                table[p] = -1;
                ++n;
                ++next;
            } else {
                table[p] = n;
            }
        }
    }
    const int all = static_cast<int>(removed.size());
    auto shift = [&](int pos) {
        if (!table.empty()) return pos < static_cast<int>(table.size()) ? table[static_cast<size_t>(pos)] : all;
        const auto it = std::lower_bound(removed.begin(), removed.end(), pos);
        if (it != removed.end() && *it == pos) return -1;
        return static_cast<int>(it - removed.begin());
    };
    size_t kept = 0;
    for (const Entry& x : days_) {
        const int by = shift(x.pos);
        if (by < 0) continue;
        days_[kept] = x;
        days_[kept++].pos -= by;
    }
    days_.resize(kept);
    kept = 0;
    for (const int pos : apart_) {
        const int by = shift(pos);
        if (by >= 0) apart_[kept++] = pos - by;
    }
    apart_.resize(kept);
}

void EventIndex::Candidates(int64_t day, bool andNext, std::vector<int>& out) const {
    out.clear();
    if (day == INT64_MIN) return;
    auto from = std::lower_bound(days_.begin(), days_.end(), Entry{day, INT_MIN, false});
    for (; from != days_.end() && from->day == day; ++from) out.push_back(from->pos);
    if (andNext)
        for (; from != days_.end() && from->day == day + 1; ++from)
            if (from->start) out.push_back(from->pos);
    out.insert(out.end(), apart_.begin(), apart_.end());
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
}

void EventIndex::StartingIn(int64_t first, int64_t last, std::vector<int>& out) const {
    out.clear();
    auto from = std::lower_bound(days_.begin(), days_.end(), Entry{first, INT_MIN, false});
    for (; from != days_.end() && from->day <= last; ++from)
        if (from->start) out.push_back(from->pos);
    out.insert(out.end(), apart_.begin(), apart_.end());
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
}

int EventIndex::StartsOn(int64_t day) const {
    if (day == INT64_MIN) return 0;
    int n = 0;
    for (auto it = std::lower_bound(days_.begin(), days_.end(), Entry{day, INT_MIN, false});
         it != days_.end() && it->day == day; ++it)
        n += it->start ? 1 : 0;
    return n;
}
