#pragma once
// Operations on the event store that do not depend on a window.
#include <string>
#include <vector>

#include "events/todo_item.h"

// One imported event, simple or a to-do (its end kept only then).
TTodoItem ImportedEvent(const std::string& subject, const std::string& notes, TDateTime start, TDateTime end,
                        int alertIndex, EventKind kind);
// The same, appended at the end of the store.
TTodoItem& AddEventToListToDo(TodoItems& store, const std::string& subject,
                              const std::string& notes, TDateTime start, TDateTime end,
                              int alertIndex, EventKind kind);

// One candidate for the store: its identity, the start taken to the minute.
struct EventIdentity {
    TDateTime Start = 0;
    const std::string* Subject = nullptr;
};

// For each candidate, whether the store already holds its identity or an
// earlier candidate has it, so an import never adds an event twice. One pass
// over the store, so its cost grows with the store no faster than a scan.
std::vector<char> KnownIdentities(const TodoItems& store, const std::vector<EventIdentity>& candidates);

// Midnight of every event's start day, in store order (what LoadEvent marks).
std::vector<TDateTime> StartDaysOf(const TodoItems& store);
