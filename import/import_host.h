#pragma once
// What the import windows ask of the main window; plain C++, like the runs
// whose messages it carries.
#include <functional>
#include <string>
#include <vector>

#include "events/event_document.h"
#include "import/change_summary.h"

struct TImportHost {
    // The events: imports and removals are changes of the document, which the
    // main window's views follow by themselves.
    EventDocument* Document = nullptr;
    std::function<int()> CalendarYear;
    // A message of the library's, in Windows-1251 as the library writes them:
    // why a run did not go.
    std::function<void(const std::string& utf8Text)> ShowMessage;
    // What a finished run did.
    std::function<void(const ChangeSummary&)> ShowSummary;
};
