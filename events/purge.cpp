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

int32_t PastFromDay(const TTodoItem& e) {
    if (e.Foreign()) return kPastAsk;
    if (!e.Complete && KeepsRecurring(e.Repetition())) return kPastNever;
    // From the day after `day`, as IsPurgeable compares: day < today.
    auto after = [](int64_t day) {
        return day >= INT32_MIN + 1 && day < INT32_MAX - 1 ? static_cast<int32_t>(day + 1) : kPastAsk;
    };
    const int64_t endDay = e.CompletionDate == 0 ? 0 : SafeDayNumber(e.CompletionDate);
    if (endDay != 0 && endDay != INT64_MIN) return e.Complete ? INT32_MIN + 1 : after(endDay);
    const int64_t startDay = SafeDayNumber(e.CreationDate);
    return startDay == INT64_MIN ? kPastNever : after(startDay);
}

std::vector<size_t> PastEvents(const TodoItems& store, TDateTime now) {
    std::vector<size_t> past;
    for (int i = 0; i < store.Count(); ++i)
        if (IsPurgeable(store[i], now)) past.push_back(static_cast<size_t>(i));
    return past;
}

std::vector<size_t> PurgeOldEvents(TodoItems& store, TDateTime now,
                                   std::vector<TDateTime>* daysToUnmark) {
    const TodoItems& items = store;
    std::vector<size_t> removed = PastEvents(store, now);
    if (removed.empty()) return removed;
    std::vector<char> purge(static_cast<size_t>(items.Count()), 0);
    for (const size_t i : removed) purge[i] = 1;

    if (daysToUnmark) {
        // Removing one by one, a day's mark goes with the last of its events
        // when none of the kept ones starts there.
        std::unordered_map<int64_t, int> kept, left;
        for (size_t i = 0; i < purge.size(); ++i) {
            const int64_t day = SafeDayNumber(items[static_cast<int>(i)].CreationDate);
            if (day == INT64_MIN) continue;
            ++(purge[i] ? left[day] : kept[day]);
        }
        for (size_t i : removed) {
            const int64_t day = SafeDayNumber(items[static_cast<int>(i)].CreationDate);
            if (day == INT64_MIN) continue;
            if (--left[day] == 0 && kept.find(day) == kept.end())
                daysToUnmark->push_back(static_cast<TDateTime>(day));
        }
    }

    store.Take(0, [&](int i, uint32_t) { return purge[static_cast<size_t>(i)] != 0; });
    store.Compact();
    return removed;
}
