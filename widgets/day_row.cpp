#include "widgets/day_row.h"

#include <algorithm>
#include <numeric>
#include <utility>

#include "events/ansi.h"

namespace {
template <typename T>
int Cmp(T a, T b) { return a < b ? -1 : (b < a ? 1 : 0); }
}  // namespace

int CompareRows(const TDayRow& a, const TDayRow& b, TodoData field) {
    switch (field) {
        case TodoData::tdSubject: return AnsiCompareStr(a.Subject, b.Subject);
        case TodoData::tdDueDate: return Cmp(a.Moment, b.Moment);
        case TodoData::tdImage: return Cmp(a.ImageIndex, b.ImageIndex);
        case TodoData::tdComplete: return Cmp(a.Complete, b.Complete);
        case TodoData::tdCompletionDate: return Cmp(a.CompletionDate, b.CompletionDate);
        case TodoData::tdCreationDate: return Cmp(a.CreationDate, b.CreationDate);
        case TodoData::tdCompletion:
        case TodoData::tdNotes:
        case TodoData::tdPriority:
        case TodoData::tdStatus:
        case TodoData::tdTotalTime:
        case TodoData::tdResource:
        case TodoData::tdHandle:
        case TodoData::tdProject:
        case TodoData::tdCategory: return 0;
    }
    return 0;
}

int SortRows(TDayRows& rows, TodoData field, TSortDirection direction, int keepIndex) {
    std::vector<size_t> order(rows.size());
    std::iota(order.begin(), order.end(), size_t{0});
    const bool desc = direction == TSortDirection::sdDescending;
    std::stable_sort(order.begin(), order.end(), [&](size_t x, size_t y) {
        const int c = CompareRows(rows[x], rows[y], field);
        return desc ? c > 0 : c < 0;
    });
    TDayRows sorted;
    sorted.reserve(rows.size());
    int newKeep = -1;
    for (size_t i = 0; i < order.size(); ++i) {
        if (static_cast<int>(order[i]) == keepIndex) newKeep = static_cast<int>(i);
        sorted.push_back(std::move(rows[order[i]]));
    }
    rows = std::move(sorted);
    return newKeep;
}
