#pragma once
// What the import windows ask of the main window; plain C++, like the runs
// whose messages it carries.
#include <functional>
#include <string>
#include <vector>

#include "events/date_time.h"
#include "events/todo_item.h"
#include "import/change_summary.h"

struct TImportHost {
    // The main window's one change path: runs `edit` on the event store, then
    // rebuilds the day list and the reminder list (the reminder timer held
    // meanwhile), marks the `mark` days, unmarks the `unmarkIfFree` days that
    // no event starts on any more and recomputes the markers.
    using Edit = std::function<void(TodoItems& store, std::vector<TDateTime>& mark,
                                    std::vector<TDateTime>& unmarkIfFree)>;
    std::function<void(const Edit&)> ChangeStore;
    std::function<int()> CalendarYear;
    // A message of the library's, in Windows-1251 as the library writes them:
    // why a run did not go.
    std::function<void(const std::string& ansiText)> ShowMessage;
    // What a finished run did.
    std::function<void(const ChangeSummary&)> ShowSummary;
};
