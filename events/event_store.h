#pragma once
// Operations on the event store that do not depend on a window.
#include <string>
#include <vector>

#include "events/todo_item.h"

// Appends one imported event (Kind 0 simple, 3 to-do) at the end of the store.
TTodoItem& AddEventToListToDo(TodoItems& store, const std::string& subject,
                              const std::string& notes, TDateTime start, TDateTime end,
                              int alertIndex, int kind);

// Midnight of every event's start day, in store order (what LoadEvent marks).
std::vector<TDateTime> StartDaysOf(const TodoItems& store);
