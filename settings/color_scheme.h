#pragma once
// The colour scheme of the main window: 34 slots, 15 for the calendar, 15
// for the day list and 4 for the two gradient panels, kept as colour strings
// (ListColorShem) and applied in one step. The shell maps each slot to the
// widget property named by its enumerator.
#include <array>
#include <string>
#include <vector>

#include "settings/colors.h"

enum class ColorSlot : int {
    // PlannerCalendar1
    LineColor,  // also the calendar's own background
    MonthGradientStartColor,
    MonthGradientEndColor,
    GradientStartColor,
    GradientEndColor,
    EventMarkerColor,  // also every marker already placed
    EventDayColor,     // also the font of every marker already placed
    CaptionTextColor,
    DayFontColor,
    TextColor,
    WeekendColor,
    InversColor,
    WeekFontColor,
    SelectFontColor,
    SelectColor,
    // TodoListShow; column 1 is "Название", column 2 "Старт"
    HeaderFontColor,
    GridLineColor,
    SelectionFontColor,
    SelectionColor,
    SelectionColorTo,
    HeaderActiveColor,
    HeaderActiveColorTo,
    HeaderColor,
    HeaderColorTo,
    CompletionFontColor,
    ListColor,
    SubjectColumnColor,
    StartColumnColor,
    SubjectColumnFontColor,
    StartColumnFontColor,
    // Image1 and Image2, top to bottom; the font of Label1, LabelNowDate, sbHideToTray
    PanelTop,
    PanelMiddle,
    PanelBottom,
    PanelFont,
};

constexpr int kColorSlots = 34;
constexpr int kWidgetSlots = 30;  // the calendar's and the list's; the panels follow
using SchemeColors = std::array<TColor, kColorSlots>;

constexpr int SlotIndex(ColorSlot s) { return static_cast<int>(s); }

// The 34 slot captions in the code page, in slot order.
const std::vector<std::string>& ListTitleColorShem();
// The colours the main window has before any theme: Default.tdt.
const SchemeColors& DesignColors();

// What SetColorShema applies. The widget slots convert in order and the
// first that is missing or does not convert stops everything: the shell sets
// colors[0 .. applied-1] and nothing more. Only a complete pass goes on to
// the panels, the panel font, the calendar background and the markers.
struct AppliedScheme {
    SchemeColors colors{};
    int applied = 0;
    // Both panels are painted from colors[PanelTop..PanelBottom]; a panel
    // slot that is missing or does not convert leaves them as they were.
    bool panelsPainted = false;

    bool Complete() const { return applied == kWidgetSlots; }
    // The 1-based slot that stopped the pass, 0 when complete.
    int FailedSlot() const { return Complete() ? 0 : applied + 1; }
    // Records the applied widget colours in the shell's copy of the current ones.
    void CopyWidgetColorsTo(SchemeColors& current) const;
};

// Entry k-1 of the list is slot k. The panel font is white and the bottom
// shade black unless slots 34 and 33 are there.
AppliedScheme SetColorShema(const std::vector<std::string>& list);

// The scheme collected back from the widgets' colours (slots 1-30); the panel
// slots are not read back and are always the default gradient and black.
std::vector<std::string> FullListColorShem(const SchemeColors& widgetColors);

struct GridRow {
    std::string caption;  // column 0, "Часть интерфейса"
    std::string color;    // column 1, "Цвет"
};

// The 34 grid rows under the header: captions and the scheme's strings, with
// "clWhite" where the scheme has no entry. An empty scheme is first collected
// from the widgets.
std::vector<GridRow> PreViewColorShema(std::vector<std::string>& ListColorShem,
                                       const SchemeColors& widgetColors);
// The grid's colour column, in row order.
std::vector<std::string> GridColors(const std::vector<GridRow>& rows);
// The list becomes the grid's colour column, then it is applied.
AppliedScheme OutPutColorShema(std::vector<std::string>& list, const std::vector<GridRow>& rows);
// A theme's values go into the colour column of rows 1, 2, ...; rows without a
// value keep theirs, values beyond the last row are dropped.
void FillGridColors(std::vector<GridRow>& rows, const std::vector<std::string>& values);
