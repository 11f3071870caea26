#include "settings/color_scheme.h"

#include "events/ansi.h"

namespace {

// Written readable, kept in the code page: they go into theme files as they stand.
constexpr const char* kTitles[kColorSlots] = {
    "Линия разделяемая номера недель и дни недели(LineColor):",
    "Фон - верхний оттенок панели с заголовком месяца(MonthGradientStartColor):",
    "Фон - нижний оттенок панели с заголовком месяца(MonthGradientEndColor):",
    "Фон - верхний оттенок календаря(GradientStartColor):",
    "Фон - нижний оттенок календаря(GradientEndColor):",
    "Фон - маркер дня с событием(EventMarkerColor):",
    "Шрифт маркера дня с событием(EventDayColor):",
    "Шрифт названия месяца(CaptionTextColor):",
    "Шрифт дней недели [Mo,Tu...](DayFont):",
    "Шрифт не отмеченных дней календаря(TextColor):",
    "Шрифт выходных дней(WeekendColor):",
    "Шрифт дней вне текущего месяца(InversColor):",
    "Шрифт номеров недель слева(WeekFontColor):",
    "Шрифт выделяемого дня(SelectFontColor):",
    "Фон выделеннго дня(SelectColor):",
    "ToDo - Шрифт заголовков \"Название\" и \"Старт\" [subject, start] (HeaderFont):",
    "ToDo - Линии разделения пунктов(GridLineColor):",
    "ToDo - Шрифт выделенного пункта(SelectionFontColor):",
    "ToDo - Фон - верхний оттенок выделенного пункта(SelectionColor):",
    "ToDo - Фон - нижний оттенок выделенного пункта(SelectionColorTo):",
    "ToDo - Фон - верхний оттенок заголовка \"Название\" [subject]  (HeaderColor):",
    "ToDo - Фон - нижний оттенок заголовка \"Название\" [subject] (HeaderColorTo):",
    "ToDo - Фон - верхний оттенок заголовка  \"Старт\" [start] (HeaderColor):",
    "ToDo - Фон - нижний оттенок  заголовка  \"Старт\" [start] (HeaderColorTo):",
    "ToDo - Шрифт завершённого события(CompletionFont):",
    "ToDo - Фон - пустого списка(Color):",
    "ToDo - Фон -  колонки  \"Название\"[subject] (Background column):",
    "ToDo - Фон -  колонки  \"Старт\" [start] (Background column):",
    "ToDo - Шрифт колонки \"Название\" [subject] (Font color column) :",
    "ToDo - Шрифт колонки \"Старт\" [start](Font color column) :",
    "Фон  панелей - верхний оттенок:",
    "Фон  панелей - средний оттенок:",
    "Фон  панелей - нижний оттенок:",
    "Шрифт панелей:",
};

}  // namespace

const std::vector<std::string>& ListTitleColorShem() {
    static const std::vector<std::string> titles = [] {
        std::vector<std::string> t;
        for (const char* s : kTitles) t.push_back(ansi(s));
        return t;
    }();
    return titles;
}

const SchemeColors& DesignColors() {
    static const SchemeColors colors = {
        clBlack,    clSilver,     clGray,       clSilver,   clGray,    clNavy,     0x00E7E718,
        clBlack,    clWhite,      clCream,      clYellow,   clGray,    clNavy,     clBlue,
        0x00FFD06F,                                                                 // calendar
        clBlack,    clSilver,     clWindowText, 0x00FFA8A8, clWindow,  clGray,     clWhite,
        clGray,     clWhite,      clGray,       clWindow,   clWindow,  clWindow,   clWindowText,
        clWindowText,                                                               // list
        clSilver,   clBlue,       clSkyBlue,    clBlack};                           // panels
    return colors;
}

void AppliedScheme::CopyWidgetColorsTo(SchemeColors& current) const {
    for (int k = 0; k < applied; ++k) current[static_cast<size_t>(k)] = colors[static_cast<size_t>(k)];
}

AppliedScheme SetColorShema(const std::vector<std::string>& list) {
    AppliedScheme r;
    auto convert = [&list](int k) -> std::optional<TColor> {
        if (static_cast<size_t>(k) >= list.size()) return std::nullopt;
        return StringToColor(list[static_cast<size_t>(k)]);
    };
    for (int k = 0; k < kWidgetSlots; ++k) {
        const auto c = convert(k);
        if (!c) return r;
        r.colors[static_cast<size_t>(k)] = *c;
        r.applied = k + 1;
    }
    auto& panel = r.colors;
    panel[SlotIndex(ColorSlot::PanelFont)] = clWhite;
    panel[SlotIndex(ColorSlot::PanelBottom)] = clBlack;
    // The panel slots are optional: the first one that fails leaves the
    // panels unpainted and the font white, and reports nothing.
    const auto top = convert(SlotIndex(ColorSlot::PanelTop));
    const auto middle = convert(SlotIndex(ColorSlot::PanelMiddle));
    if (!top || !middle) return r;
    panel[SlotIndex(ColorSlot::PanelTop)] = *top;
    panel[SlotIndex(ColorSlot::PanelMiddle)] = *middle;
    if (list.size() > 32) {
        const auto bottom = convert(SlotIndex(ColorSlot::PanelBottom));
        if (!bottom) return r;
        panel[SlotIndex(ColorSlot::PanelBottom)] = *bottom;
    }
    if (list.size() > 33) {
        const auto font = convert(SlotIndex(ColorSlot::PanelFont));
        if (!font) return r;
        panel[SlotIndex(ColorSlot::PanelFont)] = *font;
    }
    r.panelsPainted = true;
    return r;
}

std::vector<std::string> FullListColorShem(const SchemeColors& widgetColors) {
    std::vector<std::string> list;
    for (int k = 0; k < kWidgetSlots; ++k) list.push_back(ColorToString(widgetColors[static_cast<size_t>(k)]));
    for (const char* panel : {"clSilver", "clBlue", "clSkyBlue", "clBlack"}) list.emplace_back(panel);
    return list;
}

std::vector<GridRow> PreViewColorShema(std::vector<std::string>& ListColorShem,
                                       const SchemeColors& widgetColors) {
    if (ListColorShem.empty()) ListColorShem = FullListColorShem(widgetColors);
    std::vector<GridRow> rows;
    const auto& titles = ListTitleColorShem();
    for (size_t k = 0; k < titles.size(); ++k)
        rows.push_back({titles[k], k < ListColorShem.size() ? ListColorShem[k] : std::string("clWhite")});
    return rows;
}

std::vector<std::string> GridColors(const std::vector<GridRow>& rows) {
    std::vector<std::string> colors;
    colors.reserve(rows.size());
    for (const GridRow& row : rows) colors.push_back(row.color);
    return colors;
}

AppliedScheme OutPutColorShema(std::vector<std::string>& list, const std::vector<GridRow>& rows) {
    list = GridColors(rows);
    return SetColorShema(list);
}

void FillGridColors(std::vector<GridRow>& rows, const std::vector<std::string>& values) {
    for (size_t k = 0; k < rows.size() && k < values.size(); ++k) rows[k].color = values[k];
}
