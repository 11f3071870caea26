#pragma once
// The month calendar of the main window: a self-painted grid of six weeks
// with a caption (month, year, browse buttons), a day-name row and an
// optional week-number column. Which date a cell holds, week numbers,
// browsing and the order of change notifications come from calendar_grid;
// this class paints and routes input.
//
// Properties are public members (below). The widget never reads the clock:
// SetToday tells it today.
#include <QColor>
#include <QFont>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include "events/date_time.h"
#include "widgets/calendar_grid.h"

class QMenu;

class TPlannerCalendar : public QWidget {
    Q_OBJECT
public:
    explicit TPlannerCalendar(QWidget* parent = nullptr);

    // Selected date (midnight). Setting it shows its month and raises nothing.
    TDateTime Date() const { return date_; }
    void SetDate(TDateTime d);
    int Month() const { return month_; }
    int Year() const { return year_; }

    // Date of the cell under a client point; false over the week column,
    // the caption, the day-name row and hidden neighbouring-month cells.
    bool DateAtXY(int x, int y, TDateTime& date) const;

    // The marker collection; new entries start with EventMarkerColor,
    // EventMarkerShape and EventDayColor as they are when Events() is called.
    TCalendarEvents& Events();
    const TCalendarEvents& Events() const { return events_; }
    void RepaintDate(TDateTime d);
    void SetToday(TDateTime today);
    TDateTime Today() const { return today_; }

    // Cell of a date in the shown grid, in client pixels; empty when not shown.
    QRect DateRect(TDateTime d) const;
    TCalendarGeometry Geometry() const;
    QRect PrevButtonRect() const;
    QRect NextButtonRect() const;
    QRect MonthNameRect() const;
    QRect YearRect() const;
    // The month or year menu while it is open (for tests), else null.
    QMenu* OpenMenu() const;

    // Moves the selection as the user does, raising the notifications.
    void ChangeDate(TDateTime newDate);

    // ---- properties ----
    // Plain public members, set like the fields of a form; after changing
    // any of them call update() (the program repaints after a theme change).
    int StartDay = 1;            // weekday of the first column, 1 = Monday ... 7 = Sunday; others count as 1
    bool ShowWeeks = true;       // week-number column at the left
    QString WeekName;            // header of the week-number column
    QStringList NameOfDays;      // 7 names, Monday first
    QStringList NameOfMonths;    // 12 names, January first
    bool ShowDaysBefore = true;  // days of the previous month in the first rows
    bool ShowDaysAfter = true;   // days of the next month in the last rows
    bool ShowToday = true;       // one-pixel frame in LineColor around today
    bool ShowSelection = true;
    bool EventHints = true;      // hints over marked days; no hint text is set for them

    QColor TextColor, WeekendColor, InversColor;
    QColor InActiveColor;        // kept for themes; no date limits are used
    QColor SelectColor, SelectFontColor;
    // Starting marker colour, shape and day font colour of new marker entries
    // (Events() hands them to the collection).
    QColor EventMarkerColor;
    TEventShape EventMarkerShape = evsRectangle;
    QColor EventDayColor;
    QColor LineColor, CaptionTextColor;
    QColor GradientStartColor, GradientEndColor;            // grid background, top to bottom
    QColor MonthGradientStartColor, MonthGradientEndColor;  // caption background
    QFont DayFont;               // the day-name row
    QColor DayFontColor;
    QFont WeekFont;              // the week numbers
    QColor WeekFontColor;

    // Colour conversions of the marker entries (0xRRGGBB).
    static QColor FromRgb(uint32_t rgb);
    static uint32_t ToRgb(const QColor& c);

    QSize sizeHint() const override { return {265, 185}; }

signals:
    void OnDayChange(TDateTime oldDate, TDateTime newDate);
    void OnMonthChange(TDateTime oldDate, TDateTime newDate);
    void OnYearChange(TDateTime oldDate, TDateTime newDate);
    void OnMouseDown(Qt::MouseButton button, int x, int y);  // first on every press
    void OnMouseMove(int x, int y);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool event(QEvent* e) override;

private:
    int CaptionHeight() const;
    QRect CellRect(int row, int col) const;
    bool CellShown(const TCalendarCell& cell) const;
    void PaintCaption(QPainter& p);
    void PaintCell(QPainter& p, int row, int col);
    void ShowMonthMenu();
    void ShowYearMenu();
    QFont CaptionFont() const;
    void PopupMenu(QMenu* menu, const QRect& under);

    TDateTime date_ = 0;
    TDateTime today_ = 0;
    int month_ = 12, year_ = 1899;
    TCalendarEvents events_;

    QPointer<QMenu> menu_;  // the month or year menu while open
};
