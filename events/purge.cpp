#include "events/purge.h"

#include <climits>
#include <cstdint>
#include <unordered_map>
#include <utility>

#include "events/recurrence.h"

bool IsPurgeable(const TTodoItem& e, TDateTime now) {
    const int64_t today = SafeDayNumber(now);
    if (today == INT64_MIN) return false;
    // A series of another calendar is past when its last occurrence is.
    if (e.Foreign()) return !KeepsRecurring(e, now);
    // An end that is no date counts as none, as does an end on the zero day.
    const int64_t endDay = e.CompletionDate == 0 ? 0 : SafeDayNumber(e.CompletionDate);
    const bool hasEnd = endDay != 0 && endDay != INT64_MIN;
    bool past;
    if (hasEnd) {
        past = endDay < today || e.Complete;
    } else {
        // A start before today's midnight is a start on an earlier day.
        const int64_t startDay = SafeDayNumber(e.CreationDate);
        past = startDay != INT64_MIN && startDay < today;
    }
    if (!past) return false;
    return e.Complete || !KeepsRecurring(e.Repetition());
}

std::vector<size_t> PastEvents(const TodoItems& store, TDateTime now) {
    std::vector<size_t> past;
    for (size_t i = 0; i < store.Vector().size(); ++i)
        if (IsPurgeable(store.Vector()[i], now)) past.push_back(i);
    return past;
}

std::vector<size_t> PurgeOldEvents(TodoItems& store, TDateTime now,
                                   std::vector<TDateTime>* daysToUnmark) {
    std::vector<TTodoItem>& items = store.Vector();
    std::vector<size_t> removed;
    std::vector<char> purge(items.size(), 0);
    for (size_t i = 0; i < items.size(); ++i)
        if (IsPurgeable(items[i], now)) {
            purge[i] = 1;
            removed.push_back(i);
        }
    if (removed.empty()) return removed;

    if (daysToUnmark) {
        // Removing one by one, a day's mark goes with the last of its events
        // when none of the kept ones starts there.
        std::unordered_map<int64_t, int> kept, left;
        for (size_t i = 0; i < items.size(); ++i) {
            const int64_t day = SafeDayNumber(items[i].CreationDate);
            if (day == INT64_MIN) continue;
            ++(purge[i] ? left[day] : kept[day]);
        }
        for (size_t i : removed) {
            const int64_t day = SafeDayNumber(items[i].CreationDate);
            if (day == INT64_MIN) continue;
            if (--left[day] == 0 && kept.find(day) == kept.end())
                daysToUnmark->push_back(static_cast<TDateTime>(day));
        }
    }

    size_t out = 0;
    for (size_t i = 0; i < items.size(); ++i)
        if (!purge[i]) {
            if (out != i) items[out] = std::move(items[i]);
            ++out;
        }
    items.resize(out);
    return removed;
}
