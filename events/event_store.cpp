#include "events/event_store.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string_view>
#include <unordered_map>

TTodoItem& AddEventToListToDo(TodoItems& store, const std::string& subject,
                              const std::string& notes, TDateTime start, TDateTime end,
                              int alertIndex, EventKind kind) {
    return store.Add() = ImportedEvent(subject, notes, start, end, alertIndex, kind);
}

TTodoItem ImportedEvent(const std::string& subject, const std::string& notes, TDateTime start, TDateTime end,
                        int alertIndex, EventKind kind) {
    TTodoItem item;
    item.Subject = subject;
    item.Complete = false;
    item.CreationDate = DropSeconds(start);
    item.Notes.push_back(notes);  // one entry; line breaks inside it stay
    item.Category = "0";
    item.Project = "0";
    item.ImageIndex = alertIndex;
    item.Resource = "0";
    if (kind == EventKind::ToDo) item.CompletionDate = DropSeconds(end);
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

struct Identity {
    uint64_t moment;
    std::string_view subject;
    bool operator==(const Identity&) const = default;
};

struct IdentityHash {
    size_t operator()(const Identity& k) const {
        return std::hash<std::string_view>{}(k.subject) ^ static_cast<size_t>(k.moment * 0x9E3779B97F4A7C15ull);
    }
};

}  // namespace

std::vector<char> KnownIdentities(const TodoItems& store, const std::vector<EventIdentity>& candidates) {
    const size_t n = candidates.size();
    std::vector<char> known(n, 0);
    if (n == 0) return known;

    // Each identity is hashed whole, moment and name together: a hundred
    // thousand candidates of one moment, or of one name, cost no more than as
    // many different ones. The map holds the first candidate of each identity.
    std::unordered_map<Identity, size_t, IdentityHash> first;
    first.reserve(n);
    TDateTime lo = 0, hi = 0;
    for (size_t i = 0; i < n; ++i) {
        const TDateTime start = DropSeconds(candidates[i].Start);
        lo = i == 0 ? start : std::min(lo, start);
        hi = i == 0 ? start : std::max(hi, start);
        if (!first.try_emplace(Identity{MomentKey(start), *candidates[i].Subject}, i).second) known[i] = 1;
    }
    for (const TTodoItem& e : store) {
        if (!(e.CreationDate >= lo && e.CreationDate <= hi)) continue;
        const auto it = first.find(Identity{MomentKey(e.CreationDate), e.Subject});
        if (it != first.end()) known[it->second] = 1;
    }
    return known;
}
