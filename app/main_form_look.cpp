// TMainForm's look and settings: applying a colour scheme to the calendar,
// the day list and the panels, collecting it back, the theme file named by
// the options, and the options file itself.
#include <QLabel>
#include <QToolButton>

#include "app/environment.h"
#include "widgets/gradient_panel_widget.h"
#include "app/day_panel.h"
#include "app/main_form.h"
#include "app/system_colors.h"
#include "dayview/sound_choice.h"
#include "settings/color_dlg.h"
#include "settings/theme_file.h"
#include "widgets/planner_calendar.h"
#include "widgets/todo_list.h"

namespace {

uint32_t MarkerRgb(const QColor& c) { return c.rgb() & 0xFFFFFF; }

}  // namespace

void TMainForm::ApplyWidgetColor(ColorSlot slot, TColor value) {
    const QColor c = PaintColor(value);
    TPlannerCalendar& cal = *panel_->Calendar();
    TTodoList& list = *panel_->List();
    switch (slot) {
        case ColorSlot::LineColor: cal.LineColor = c; break;
        case ColorSlot::MonthGradientStartColor: cal.MonthGradientStartColor = c; break;
        case ColorSlot::MonthGradientEndColor: cal.MonthGradientEndColor = c; break;
        case ColorSlot::GradientStartColor: cal.GradientStartColor = c; break;
        case ColorSlot::GradientEndColor: cal.GradientEndColor = c; break;
        case ColorSlot::EventMarkerColor: cal.EventMarkerColor = c; break;
        case ColorSlot::EventDayColor: cal.EventDayColor = c; break;
        case ColorSlot::CaptionTextColor: cal.CaptionTextColor = c; break;
        case ColorSlot::DayFontColor: cal.DayFontColor = c; break;
        case ColorSlot::TextColor: cal.TextColor = c; break;
        case ColorSlot::WeekendColor: cal.WeekendColor = c; break;
        case ColorSlot::InversColor: cal.InversColor = c; break;
        case ColorSlot::WeekFontColor: cal.WeekFontColor = c; break;
        case ColorSlot::SelectFontColor: cal.SelectFontColor = c; break;
        case ColorSlot::SelectColor: cal.SelectColor = c; break;
        case ColorSlot::HeaderFontColor: list.HeaderFontColor = c; break;
        case ColorSlot::GridLineColor: list.GridLineColor = c; break;
        case ColorSlot::SelectionFontColor: list.SelectionFontColor = c; break;
        case ColorSlot::SelectionColor: list.SelectionColor = c; break;
        case ColorSlot::SelectionColorTo: list.SelectionColorTo = c; break;
        case ColorSlot::HeaderActiveColor: list.HeaderActiveColor = c; break;
        case ColorSlot::HeaderActiveColorTo: list.HeaderActiveColorTo = c; break;
        case ColorSlot::HeaderColor: list.HeaderColor = c; break;
        case ColorSlot::HeaderColorTo: list.HeaderColorTo = c; break;
        case ColorSlot::CompletionFontColor: list.CompletionFontColor = c; break;
        case ColorSlot::ListColor: list.Color = c; break;
        case ColorSlot::SubjectColumnColor: list.Columns()[0].Color = c; break;
        case ColorSlot::StartColumnColor: list.Columns()[1].Color = c; break;
        case ColorSlot::SubjectColumnFontColor: list.Columns()[0].FontColor = c; break;
        case ColorSlot::StartColumnFontColor: list.Columns()[1].FontColor = c; break;
        default: break;  // the panel slots are not widget properties
    }
    WidgetColors[size_t(SlotIndex(slot))] = value;
}

bool TMainForm::SetColorShema(const std::vector<std::string>& list) {
    const AppliedScheme a = ::SetColorShema(list);
    for (int i = 0; i < a.applied; ++i) ApplyWidgetColor(ColorSlot(i), a.colors[size_t(i)]);
    TPlannerCalendar* calendar = panel_->Calendar();
    calendar->update();
    panel_->List()->ColumnsChanged();
    panel_->List()->Refresh();
    if (!a.Complete()) return false;
    if (a.panelsPainted)
        PaintPanels(a.colors[size_t(SlotIndex(ColorSlot::PanelTop))],
                    a.colors[size_t(SlotIndex(ColorSlot::PanelMiddle))],
                    a.colors[size_t(SlotIndex(ColorSlot::PanelBottom))]);
    const QColor font = PaintColor(a.colors[size_t(SlotIndex(ColorSlot::PanelFont))]);
    for (QWidget* w : {static_cast<QWidget*>(Label1), static_cast<QWidget*>(panel_->TodayLabel()),
                       static_cast<QWidget*>(sbHideToTray)}) {
        QPalette p = w->palette();
        p.setColor(QPalette::WindowText, font);
        p.setColor(QPalette::ButtonText, font);
        w->setPalette(p);
    }
    QPalette back = calendar->palette();
    back.setColor(QPalette::Window, calendar->LineColor);
    calendar->setPalette(back);
    calendar->setAutoFillBackground(true);
    TCalendarEvents& marks = calendar->Events();
    for (int i = 0; i < marks.Count(); ++i) {
        marks[i].Color = MarkerRgb(calendar->EventMarkerColor);
        marks[i].FontColor = MarkerRgb(calendar->EventDayColor);
    }
    calendar->update();
    return true;
}

void TMainForm::FullListColorShem() { ListColorShem = ::FullListColorShem(WidgetColors); }

bool TMainForm::LoadToDoThemaFromFile(const std::filesystem::path& file) {
    std::vector<std::string> values;
    if (!ReadThemeValues(file, values)) return false;
    ListColorShem = values;
    return SetColorShema(ListColorShem);
}

void TMainForm::PaintPanels(TColor top, TColor middle, TColor bottom) {
    Panel1->SetColors(top, middle, bottom);
    panel_->ButtonStrip()->SetColors(top, middle, bottom);
}

void TMainForm::InstallShippedThemes() {
    // The designed themes come with the program; a user's own folder is left
    // alone (the preferences bring them back on request).
    const std::filesystem::path dir = ThemesDir(DataDir);
    std::error_code ec;
    if (std::filesystem::exists(dir, ec)) return;
    const std::vector<ShippedTheme> shipped = ShippedThemes();
    std::vector<std::string> names;
    for (const ShippedTheme& theme : shipped) names.push_back(SmallCaption(theme.fileName));
    RestoreShippedThemes(dir, shipped, names);
}

UserOptions TMainForm::CurrentOptions() const {
    UserOptions o;
    o.Bounds = {y(), x(), height(), width()};
    o.SoundFile = std::filesystem::path(std::u8string(EdMediaFile.begin(), EdMediaFile.end()));
    o.CurrentThemeFile = CurrentThemeFile;
    o.CalendarVisible = !panel_->Calendar()->isHidden();
    o.BirthDayIndex = BirthDayIndex;
    o.ShowWeekNumbers = ShowWeekNumbers;
    o.WeekStartDay = panel_->Calendar()->StartDay;
    o.SplitRemainingTime = panel_->Formats().SplitRemainingTime;
    return o;
}

void TMainForm::LoadWindowParam() {
    const QRect work = env_.WorkArea();
    const ScreenRect area{work.left(), work.top(), work.width(), work.height()};
    const WindowBounds placement = DefaultPlacement(area, env_.ScreenSize().width(), width(), height());
    const UserOptions defaults = DefaultOptions(env_.ExeDir(), placement);
    const std::optional<UserOptions> read = ::LoadWindowParam(OptionsFileName, defaults);
    if (!read) {
        PaintPanels(clSilver, clBlue, clSkyBlue);
        return;
    }
    std::vector<ScreenRect> areas;
    for (const QRect& r : env_.AvailableAreas()) areas.push_back({r.left(), r.top(), r.width(), r.height()});
    const WindowBounds b =
        PlaceWindow(ClampWindowSize(read->Bounds), area, env_.ScreenSize().width(), areas);
    // Top and left are the outer frame's, as the system stores a window's place.
    // The stored height stands: the bottom edge clings only where the window is put.
    snapping_ = true;
    resize(b.width, b.height);
    snapping_ = false;
    move(b.left, b.top);
    const std::u8string sound = read->SoundFile.u8string();
    EdMediaFile.assign(sound.begin(), sound.end());
    CurrentThemeFile = read->CurrentThemeFile;
    if (!read->CalendarVisible) panel_->SetCalendarVisible(false);
    BirthDayIndex = read->BirthDayIndex;
    ShowWeekNumbers = read->ShowWeekNumbers;
    panel_->Calendar()->ShowWeeks = ShowWeekNumbers;
    WeekStartDay = read->WeekStartDay;
    panel_->Calendar()->StartDay = WeekStartDay;
    DayListFormats formats = panel_->Formats();
    formats.SplitRemainingTime = read->SplitRemainingTime;
    panel_->SetFormats(formats);
    panel_->Calendar()->update();
    const auto theme = FindThemeFile(ThemesDir(DataDir), CurrentThemeFile);
    if (!theme || !LoadToDoThemaFromFile(*theme)) {
        // A start never stops at a theme: the slots before a bad one stay.
        if (!theme) PaintPanels(clSilver, clBlue, clSkyBlue);
    }
}
