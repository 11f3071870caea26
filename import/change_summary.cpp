#include "import/change_summary.h"

ChangeSummary RemovalSummary(int removed) { return {.Removal = true, .Removed = removed}; }

std::string SummaryText(const ChangeSummary& s, std::string_view what) {
    std::string text(what);
    if (!text.empty()) text += ". ";
    text += s.Removal ? "Удалено событий: " + std::to_string(s.Removed)
                      : "Добавлено событий: " + std::to_string(s.Added);
    const auto more = [&text](int count, const char* label) {
        if (count != 0) text += std::string(", ") + label + ": " + std::to_string(count);
    };
    more(s.Updated, "обновлено");
    more(s.AlreadyThere, "уже были в списке");
    more(s.Simplified, "повторений упрощено");
    more(s.Undated, "без даты пропущено");
    return text + ".";
}
