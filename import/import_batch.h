#pragma once
// One way in for every import. Each import — moon days, sunrises and sunsets,
// pasted aspects and void-of-course periods, favourable days, iCalendar —
// gives an ImportBatch: the events as they will be stored. One operation
// merges a batch into the events by identity (start to the minute and name)
// and says what it did in one ChangeSummary; one operation removes imported
// events by kind and month. Both are one change of the event document.
#include <string_view>
#include <vector>

#include "events/event_document.h"
#include "events/todo_item.h"
#include "import/change_summary.h"
#include "import/ics.h"
#include "import/zet_import.h"

struct ImportBatch {
    std::vector<TTodoItem> Events;    // in input order, fields as stored, import mark set
    std::vector<char> Simplified;     // parallel, where given: a repetition taken as its first occurrence
    int Undated = 0;                  // items of the input without any date, left out
    int Repeated = 0;                 // items repeating an earlier one's identity, left out
    std::vector<IcsSkipped> Skipped;  // components of the input that could not be read
    // Favourable days: a day already holding one of the same day of birth at
    // the same moment counts as there, whichever way its subject was written.
    bool SameMarkerAndMoment = false;
};

ImportBatch BatchOf(const std::vector<ZetNewEvent>& events);
ImportBatch BatchOf(IcsRun&& run);
ImportBatch GoodDaysBatch(const std::vector<ZetNewEvent>& events);

// Which events of the batch `store` lacks (each identity once, the first
// kept), and the summary of adding them. An event of another calendar is
// known by its UID alone: given again, it replaces the stored one when its
// calendar changed it, and two of different UIDs are never one.
struct ImportPlan {
    std::vector<char> Add;  // parallel to the batch's events
    std::vector<int> Replace;  // parallel: the stored event it replaces, or -1
    ChangeSummary Summary;
};
ImportPlan PlanImport(const TodoItems& store, const ImportBatch& batch);

// Adds what the events lack: one Imported change of the document.
ChangeSummary MergeImport(EventDocument& doc, ImportBatch batch);
// The same on a plain list (the fuzzers and benchmarks run it so).
ChangeSummary MergeImport(TodoItems& store, ImportBatch batch);

// The imported events of `marker` whose start lies in a chosen month of
// `year`, in store order; `progress` hears (month, 12) after each month.
std::vector<size_t> ImportedInMonths(const TodoItems& store, std::string_view marker, const MonthChoice& months,
                                     int year, const ZetProgress& progress = {});
// Removes them: one Removed change of the document.
ChangeSummary RemoveImported(EventDocument& doc, std::string_view marker, const MonthChoice& months, int year,
                             const ZetProgress& progress = {});
