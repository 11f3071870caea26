#pragma once
// What a run that adds or removes events did, told in one form for every
// run — the ZET imports, the favourable days, iCalendar and the removals —
// in the windows and in dayloom-cli alike.
#include <string>
#include <string_view>

struct ChangeSummary {
    bool Removal = false;  // a removal tells what went, an addition what came
    int Added = 0;
    int AlreadyThere = 0;  // already in the list (or earlier in the input), not added twice
    int Removed = 0;
    int Simplified = 0;    // repetitions taken as their first occurrence
    int Undated = 0;       // items without any date, left out
    int Updated = 0;       // events of another calendar given again (by UID) and changed there
    friend bool operator==(const ChangeSummary&, const ChangeSummary&) = default;
};

ChangeSummary RemovalSummary(int removed);

// One sentence in UTF-8: "Добавлено событий: 7, уже были в списке: 2." or
// "Удалено событий: 16." The first count is always told, the others when
// they are not 0. With `what` ("Луна без курса") the sentence follows it:
// "Луна без курса. Добавлено событий: 1."
std::string SummaryText(const ChangeSummary& summary, std::string_view what = {});
