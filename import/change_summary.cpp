#include "import/change_summary.h"

#include "import/ics.h"
#include "import/zet_import.h"

ChangeSummary Summary(const ZetAdded& added) { return {.Added = added.Added, .AlreadyThere = added.AlreadyThere}; }

ChangeSummary Summary(const IcsAdded& added, int undated) {
    return {.Added = added.Added, .AlreadyThere = added.AlreadyThere, .Simplified = added.Simplified,
            .Undated = undated};
}

ChangeSummary RemovalSummary(int removed) { return {.Removal = true, .Removed = removed}; }

std::string SummaryText(const ChangeSummary& s, std::string_view what) {
    std::string text(what);
    if (!text.empty()) text += ". ";
    text += s.Removal ? "Удалено событий: " + std::to_string(s.Removed)
                      : "Добавлено событий: " + std::to_string(s.Added);
    const auto more = [&text](int count, const char* label) {
        if (count != 0) text += std::string(", ") + label + ": " + std::to_string(count);
    };
    more(s.AlreadyThere, "уже были в списке");
    more(s.Simplified, "повторений упрощено");
    more(s.Undated, "без даты пропущено");
    return text + ".";
}
