#include "events/event_store.h"

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
