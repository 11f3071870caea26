#include "events/event_store.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <unordered_map>

TTodoItem& AddEventToListToDo(TodoItems& store, const std::string& subject,
                              const std::string& notes, TDateTime start, TDateTime end,
                              int alertIndex, int kind) {
    TTodoItem& item = store.Add();
    item.Subject = subject;
    item.Complete = false;
    item.CreationDate = DropSeconds(start);
    item.Notes.push_back(notes);  // one entry; line breaks inside it stay
    item.Category = "0";
    item.Project = "0";
    item.ImageIndex = alertIndex;
    item.Resource = "0";
    if (kind == 3) item.CompletionDate = DropSeconds(end);
    item.DueDate = 0;
    return item;
}

std::vector<TDateTime> StartDaysOf(const TodoItems& store) {
    std::vector<TDateTime> days;
    days.reserve(static_cast<size_t>(store.Count()));
    for (const auto& e : store) days.push_back(DateOf(e.CreationDate));
    return days;
}

namespace {

// The identity's moment as a hash key: exact value, the two zeros as one.
uint64_t MomentKey(TDateTime v) {
    if (v == 0) v = 0;
    uint64_t k;
    std::memcpy(&k, &v, sizeof k);
    return k;
}

}  // namespace

std::vector<char> KnownIdentities(const TodoItems& store, const std::vector<EventIdentity>& candidates) {
    const size_t n = candidates.size();
    std::vector<char> known(n, 0);
    if (n == 0) return known;

    // The candidates by their start, each start with the chain of candidates
    // that share it; the store is then walked once against them.
    std::vector<TDateTime> starts(n);
    std::unordered_map<uint64_t, size_t> head;
    head.reserve(n);
    std::vector<size_t> next(n, SIZE_MAX);
    TDateTime lo = 0, hi = 0;
    for (size_t i = 0; i < n; ++i) {
        starts[i] = DropSeconds(candidates[i].Start);
        lo = i == 0 ? starts[i] : std::min(lo, starts[i]);
        hi = i == 0 ? starts[i] : std::max(hi, starts[i]);
        auto [it, fresh] = head.try_emplace(MomentKey(starts[i]), i);
        if (fresh) continue;
        // Later candidates of the same start: a repeat of an earlier one is known.
        size_t j = it->second;
        for (;; j = next[j]) {
            if (*candidates[j].Subject == *candidates[i].Subject) known[i] = 1;
            if (next[j] == SIZE_MAX) break;
        }
        next[j] = i;
    }
    for (const TTodoItem& e : store) {
        if (!(e.CreationDate >= lo && e.CreationDate <= hi)) continue;
        const auto it = head.find(MomentKey(e.CreationDate));
        if (it == head.end()) continue;
        for (size_t j = it->second; j != SIZE_MAX; j = next[j])
            if (*candidates[j].Subject == e.Subject) known[j] = 1;
    }
    return known;
}
