#include "widgets/planner_calendar.h"

#include <QApplication>
#include <QFontDatabase>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace {

// Dates the grid can show: the calendar's first to last day.
TDateTime CalendarDay(TDateTime d) {
    if (!(d == d)) return 0;  // NaN
    return DateOf(std::clamp(d, kFirstCalendarDay, kLastCalendarDay));
}

QString FontFamily() {
    const QString wanted = QStringLiteral("Trebuchet MS");
    return QFontDatabase::families().contains(wanted) ? wanted : QApplication::font().family();
}

QFont PixelFont(int px, bool bold) {
    QFont f(FontFamily());
    f.setPixelSize(px);
    f.setBold(bold);
    return f;
}

constexpr int kButtonWidth = 20;

}  // namespace

TPlannerCalendar::TPlannerCalendar(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFont(PixelFont(12, false));
    DayFont = PixelFont(11, true);
    WeekFont = PixelFont(11, false);

    WeekName = QStringLiteral("№Н");
    NameOfDays = {"Пн", "Вт", "Ср", "Чт", "Пт", "Сб", "Вс"};
    NameOfMonths = {"Январь", "Февраль", "Март",     "Апрель",  "Май",    "Июнь",
                     "Июль",   "Август",  "Сентябрь", "Октябрь", "Ноябрь", "Декабрь"};

    LineColor = QColor(0, 0, 0);
    MonthGradientStartColor = QColor(0xC0, 0xC0, 0xC0);
    MonthGradientEndColor = QColor(0x80, 0x80, 0x80);
    GradientStartColor = QColor(0xC0, 0xC0, 0xC0);
    GradientEndColor = QColor(0x80, 0x80, 0x80);
    EventMarkerColor = QColor(0, 0, 0x80);
    EventDayColor = QColor(24, 231, 231);
    CaptionTextColor = QColor(0, 0, 0);
    DayFontColor = QColor(255, 255, 255);
    TextColor = QColor(255, 251, 240);
    WeekendColor = QColor(255, 255, 0);
    InversColor = QColor(0x80, 0x80, 0x80);
    InActiveColor = QColor(0x80, 0x80, 0x80);
    WeekFontColor = QColor(0, 0, 0x80);
    SelectFontColor = QColor(0, 0, 255);
    SelectColor = QColor(0x6F, 0xD0, 0xFF);
    SetDate(0);
}

QColor TPlannerCalendar::FromRgb(uint32_t rgb) { return QColor::fromRgb(static_cast<QRgb>(rgb & 0xFFFFFFu)); }

uint32_t TPlannerCalendar::ToRgb(const QColor& c) { return static_cast<uint32_t>(c.rgb()) & 0xFFFFFFu; }

TCalendarEvents& TPlannerCalendar::Events() {
    events_.DefaultColor = ToRgb(EventMarkerColor);
    events_.DefaultShape = (EventMarkerShape >= evsRectangle && EventMarkerShape <= evsNone) ? EventMarkerShape
                                                                                           : evsRectangle;
    events_.DefaultFontColor = ToRgb(EventDayColor);
    return events_;
}

// ---- date ----------------------------------------------------------------

void TPlannerCalendar::SetDate(TDateTime d) {
    date_ = CalendarDay(d);
    const DateTimeParts p = DecodeDateTime(date_);
    year_ = p.year;
    month_ = p.month;
    update();
}

void TPlannerCalendar::ChangeDate(TDateTime newDate) {
    const TDateTime old = date_;
    SetDate(newDate);
    for (TDateChange n : DateChangeNotifications(old, date_)) {
        switch (n) {
            case TDateChange::Day: emit OnDayChange(old, date_); break;
            case TDateChange::Month: emit OnMonthChange(old, date_); break;
            case TDateChange::Year: emit OnYearChange(old, date_); break;
        }
    }
}

void TPlannerCalendar::SetToday(TDateTime today) {
    RepaintDate(today_);
    today_ = CalendarDay(today);
    RepaintDate(today_);
}

void TPlannerCalendar::RepaintDate(TDateTime d) {
    const QRect r = DateRect(d);
    if (!r.isEmpty()) update(r);
}

// ---- geometry ------------------------------------------------------------

int TPlannerCalendar::CaptionHeight() const {
    // Seven equal rows under the caption; the caption takes what is left.
    const int rowHeight = std::max(0, height() - 20) / (kCalendarRows + 1);
    return std::max(0, height() - rowHeight * (kCalendarRows + 1));
}

TCalendarGeometry TPlannerCalendar::Geometry() const {
    return LayoutCalendar(width(), height(), CaptionHeight(), ShowWeeks);
}

QRect TPlannerCalendar::CellRect(int row, int col) const {
    const TCalendarGeometry g = Geometry();
    const int left = g.ShowWeeks ? g.WeekColumnWidth : 0;
    return QRect(left + col * g.ColumnWidth, g.CaptionHeight + (row + 1) * g.RowHeight, g.ColumnWidth,
                 g.RowHeight);
}

QRect TPlannerCalendar::DateRect(TDateTime d) const {
    int row, col;
    if (!CalendarCellOfDate(year_, month_, StartDay, d, row, col)) return {};
    return CellRect(row, col);
}

bool TPlannerCalendar::CellShown(const TCalendarCell& cell) const {
    if (cell.MonthDelta < 0) return ShowDaysBefore;
    if (cell.MonthDelta > 0) return ShowDaysAfter;
    return true;
}

bool TPlannerCalendar::DateAtXY(int x, int y, TDateTime& date) const {
    int row, col;
    if (!CalendarCellAtPoint(Geometry(), x, y, row, col)) return false;
    const TCalendarCell cell = CalendarCellAt(year_, month_, StartDay, row, col);
    if (!CellShown(cell)) return false;
    date = cell.Date;
    return true;
}

QFont TPlannerCalendar::CaptionFont() const {
    QFont f = font();
    f.setPixelSize(std::max(8, font().pixelSize() + 1));
    f.setBold(true);
    return f;
}

QRect TPlannerCalendar::PrevButtonRect() const {
    const int h = CaptionHeight();
    return QRect(2, 2, kButtonWidth, std::max(0, h - 4));
}

QRect TPlannerCalendar::NextButtonRect() const {
    const int h = CaptionHeight();
    return QRect(width() - 2 - kButtonWidth, 2, kButtonWidth, std::max(0, h - 4));
}

QRect TPlannerCalendar::MonthNameRect() const {
    const QFontMetrics fm(CaptionFont());
    const QString month = NameOfMonths.value(month_ - 1);
    const QString year = QString::number(year_);
    const int total = fm.horizontalAdvance(month + ' ' + year);
    const int x = (width() - total) / 2;
    return QRect(x, 0, fm.horizontalAdvance(month), CaptionHeight());
}

QRect TPlannerCalendar::YearRect() const {
    const QFontMetrics fm(CaptionFont());
    const QString year = QString::number(year_);
    const QRect month = MonthNameRect();
    const int x = month.right() + 1 + fm.horizontalAdvance(QChar(' '));
    return QRect(x, 0, fm.horizontalAdvance(year), CaptionHeight());
}

// ---- painting --------------------------------------------------------------

void TPlannerCalendar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const TCalendarGeometry g = Geometry();
    const int caption = g.CaptionHeight;

    QLinearGradient grid(0, caption, 0, height());
    grid.setColorAt(0, GradientStartColor);
    grid.setColorAt(1, GradientEndColor);
    p.fillRect(QRect(0, caption, width(), height() - caption), grid);
    PaintCaption(p);
    if (g.ColumnWidth <= 0 || g.RowHeight <= 0) return;

    // Day names, with the week column's header in the same row.
    const int left = g.ShowWeeks ? g.WeekColumnWidth : 0;
    p.setFont(DayFont);
    p.setPen(DayFontColor);
    if (g.ShowWeeks) p.drawText(QRect(0, caption, left - 1, g.RowHeight), Qt::AlignCenter, WeekName);
    for (int c = 0; c < kCalendarColumns; ++c)
        p.drawText(QRect(left + c * g.ColumnWidth, caption, g.ColumnWidth, g.RowHeight), Qt::AlignCenter,
                   NameOfDays.value(ColumnDayNameIndex(StartDay, c)));
    p.setPen(LineColor);
    p.drawLine(0, caption + g.RowHeight - 1, width() - 1, caption + g.RowHeight - 1);

    if (g.ShowWeeks) {
        p.setFont(WeekFont);
        p.setPen(WeekFontColor);
        for (int r = 0; r < kCalendarRows; ++r)
            p.drawText(QRect(0, caption + (r + 1) * g.RowHeight, left - 1, g.RowHeight), Qt::AlignCenter,
                       QString::number(CalendarWeekNumber(year_, month_, StartDay, r)));
        p.setPen(LineColor);
        p.drawLine(left - 1, caption, left - 1, height() - 1);
    }

    for (int r = 0; r < kCalendarRows; ++r)
        for (int c = 0; c < kCalendarColumns; ++c) PaintCell(p, r, c);
}

void TPlannerCalendar::PaintCaption(QPainter& p) {
    const int h = CaptionHeight();
    if (h <= 0) return;
    QLinearGradient grad(0, 0, 0, h);
    grad.setColorAt(0, MonthGradientStartColor);
    grad.setColorAt(1, MonthGradientEndColor);
    p.fillRect(QRect(0, 0, width(), h), grad);

    p.setFont(CaptionFont());
    p.setPen(CaptionTextColor);
    p.drawText(MonthNameRect(), Qt::AlignCenter, NameOfMonths.value(month_ - 1));
    p.drawText(YearRect(), Qt::AlignCenter, QString::number(year_));

    // Browse buttons: small solid triangles pointing back and forward.
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(CaptionTextColor);
    const int half = std::max(2, std::min(5, h / 4));
    for (int side = 0; side < 2; ++side) {
        const QRect b = side == 0 ? PrevButtonRect() : NextButtonRect();
        const QPointF c = QRectF(b).center();
        const double dir = side == 0 ? -1 : 1;
        const QPointF tri[3] = {{c.x() + dir * half, c.y()},
                                {c.x() - dir * half, c.y() - half},
                                {c.x() - dir * half, c.y() + half}};
        p.drawPolygon(tri, 3);
    }
    p.restore();
}

void TPlannerCalendar::PaintCell(QPainter& p, int row, int col) {
    const TCalendarCell cell = CalendarCellAt(year_, month_, StartDay, row, col);
    if (!CellShown(cell)) return;
    const QRect r = CellRect(row, col);
    // The marked area: inset one pixel; the outline pen covers the last pixels.
    const QRect inner = r.adjusted(1, 1, -1, -1);
    const QRect stroke(inner.x(), inner.y(), inner.width() - 1, inner.height() - 1);
    const int pos = events_.Find(cell.Date);
    const bool selected = ShowSelection && SameDay(cell.Date, date_);

    QColor number = cell.MonthDelta != 0 ? InversColor
                    : IsWeekendColumn(StartDay, col) ? WeekendColor
                                                      : TextColor;
    bool bold = false;
    if (pos >= 0) {
        const TCalendarEvent& e = static_cast<const TCalendarEvents&>(events_)[pos];
        const QColor c = FromRgb(e.Color);
        p.setPen(c);
        p.setBrush(c);
        const int cx = stroke.left() + stroke.width() / 2, cy = stroke.top() + stroke.height() / 2;
        switch (e.Shape) {
            case evsRectangle: p.drawRect(stroke); break;
            case evsCircle: p.drawEllipse(stroke); break;
            case evsSquare: {
                const QPoint pts[4] = {{cx, stroke.top()}, {stroke.right() + 1, cy},
                                       {cx, stroke.bottom() + 1}, {stroke.left(), cy}};
                p.drawPolygon(pts, 4);
                break;
            }
            case evsTriangle: {
                const QPoint pts[3] = {{cx, stroke.top()}, {stroke.right() + 1, stroke.bottom() + 1},
                                       {stroke.left(), stroke.bottom() + 1}};
                p.drawPolygon(pts, 3);
                break;
            }
            case evsNone: break;
        }
        number = FromRgb(e.FontColor);
        bold = true;
    }
    if (selected) {
        p.setPen(SelectColor);
        p.setBrush(SelectColor);
        p.drawRect(stroke);
        number = SelectFontColor;
    }
    p.setBrush(Qt::NoBrush);

    QFont f = font();
    f.setBold(bold);
    p.setFont(f);
    p.setPen(number);
    p.drawText(r, Qt::AlignCenter, QString::number(cell.Day));

    if (hasFocus() && SameDay(cell.Date, date_)) {
        p.setPen(QPen(LineColor, 1, Qt::DotLine));
        p.drawRect(stroke.adjusted(1, 1, -1, -1));
    }
    if (ShowToday && SameDay(cell.Date, today_)) {
        p.setPen(LineColor);
        p.drawRect(QRect(r.x(), r.y(), r.width() - 1, r.height() - 1));
    }
}

// ---- input ---------------------------------------------------------------

void TPlannerCalendar::mousePressEvent(QMouseEvent* e) {
    const QPoint pt = e->position().toPoint();
    emit OnMouseDown(e->button(), pt.x(), pt.y());
    if (e->button() != Qt::LeftButton) return;
    if (PrevButtonRect().contains(pt)) { ChangeDate(BrowseMonths(date_, -1)); return; }
    if (NextButtonRect().contains(pt)) { ChangeDate(BrowseMonths(date_, 1)); return; }
    if (pt.y() < CaptionHeight()) {
        if (MonthNameRect().contains(pt)) ShowMonthMenu();
        else if (YearRect().contains(pt)) ShowYearMenu();
        return;
    }
    TDateTime d;
    if (DateAtXY(pt.x(), pt.y(), d)) ChangeDate(d);
}

void TPlannerCalendar::mouseMoveEvent(QMouseEvent* e) {
    const QPoint pt = e->position().toPoint();
    emit OnMouseMove(pt.x(), pt.y());
}

void TPlannerCalendar::keyPressEvent(QKeyEvent* e) {
    TCalendarStep step;
    switch (e->key()) {
        case Qt::Key_Left: step = TCalendarStep::DayBack; break;
        case Qt::Key_Right: step = TCalendarStep::DayForward; break;
        case Qt::Key_Up: step = TCalendarStep::WeekBack; break;
        case Qt::Key_Down: step = TCalendarStep::WeekForward; break;
        case Qt::Key_PageUp: step = TCalendarStep::MonthBack; break;
        case Qt::Key_PageDown: step = TCalendarStep::MonthForward; break;
        default: QWidget::keyPressEvent(e); return;
    }
    ChangeDate(StepDate(date_, step));
    e->accept();
}

bool TPlannerCalendar::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(e);
        if (PrevButtonRect().contains(help->pos()))
            QToolTip::showText(help->globalPos(), QStringLiteral("Предыдущий месяц"), this, PrevButtonRect());
        else if (NextButtonRect().contains(help->pos()))
            QToolTip::showText(help->globalPos(), QStringLiteral("Следующий месяц"), this, NextButtonRect());
        else
            QToolTip::hideText();
        return true;
    }
    if (e->type() == QEvent::FocusIn || e->type() == QEvent::FocusOut) RepaintDate(date_);
    return QWidget::event(e);
}

void TPlannerCalendar::PopupMenu(QMenu* menu, const QRect& under) {
    if (menu_) menu_->close();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu_ = menu;
    menu->popup(mapToGlobal(under.bottomLeft()));
}

void TPlannerCalendar::ShowMonthMenu() {
    auto* menu = new QMenu(this);
    for (int m = 1; m <= 12; ++m) {
        QAction* a = menu->addAction(NameOfMonths.value(m - 1, QString::number(m)));
        a->setCheckable(true);
        a->setChecked(m == month_);
        connect(a, &QAction::triggered, this, [this, m] { ChangeDate(DateInMonth(date_, year_, m)); });
    }
    PopupMenu(menu, MonthNameRect());
}

void TPlannerCalendar::ShowYearMenu() {
    auto* menu = new QMenu(this);
    for (int y : CalendarMenuYears(year_)) {
        QAction* a = menu->addAction(QString::number(y));
        a->setCheckable(true);
        a->setChecked(y == year_);
        connect(a, &QAction::triggered, this, [this, y] { ChangeDate(DateInMonth(date_, y, month_)); });
    }
    PopupMenu(menu, YearRect());
}

QMenu* TPlannerCalendar::OpenMenu() const { return menu_.data(); }
