#include "widgets/todo_list.h"

#include <QContextMenuEvent>
#include <QDate>
#include <QDateTime>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QScrollBar>
#include <QTime>
#include <QToolTip>

#include <algorithm>
#include <cmath>

#include "events/qt_ansi.h"
#include "events/date_time.h"

namespace {

constexpr int kTextPadding = 3;      // space between a cell's edge and its text
constexpr int kHeaderEdgeGrip = 4;   // presses this close to a section edge do not sort
constexpr int kSelectionSteps = 16;  // bands of the selection gradient
constexpr int kSortMarkWidth = 7;

QString FormatDate(TDateTime value, const QString& format, const QString& nullDate) {
    if (value == 0 && !nullDate.isEmpty()) return nullDate;
    if (!InCalendar(value)) return {};
    const DateTimeParts p = DecodeDateTime(value);
    const QDateTime dt(QDate(p.year, p.month, p.day),
                       QTime(p.hour, p.minute, p.second, p.millisecond));
    return dt.toString(format);
}

QColor Mix(const QColor& from, const QColor& to, int step, int steps) {
    if (steps <= 1) return from;
    const auto lerp = [&](int a, int b) { return a + (b - a) * step / (steps - 1); };
    return QColor(lerp(from.red(), to.red()), lerp(from.green(), to.green()),
                  lerp(from.blue(), to.blue()));
}

// A top-to-bottom gradient in a fixed number of flat bands; the first band
// is exactly `from`, the last exactly `to`.
void FillSteppedGradient(QPainter& p, const QRect& r, const QColor& from, const QColor& to,
                         int steps) {
    const int h = r.height();
    for (int i = 0; i < steps; ++i) {
        const int y0 = r.top() + h * i / steps;
        const int y1 = r.top() + h * (i + 1) / steps;
        if (y1 > y0) p.fillRect(QRect(r.left(), y0, r.width(), y1 - y0), Mix(from, to, i, steps));
    }
}

bool HasFont(const QFont& f) { return f.resolveMask() != 0; }

}  // namespace

// The header strip: a plain child widget above the body that the list
// paints and whose presses it interprets.
class TTodoList::THeader : public QWidget {
public:
    explicit THeader(TTodoList* list) : QWidget(list), list_(list) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        list_->PaintHeader(p, width());
    }
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton) list_->HeaderPressed(e->position().toPoint().x());
    }

private:
    TTodoList* list_;
};

TTodoList::TTodoList(QWidget* parent) : QAbstractScrollArea(parent) {
    const QPalette pal = palette();

    QFont listFont(QStringLiteral("Trebuchet MS"), 9);
    listFont.setStyleHint(QFont::SansSerif);
    setFont(listFont);

    Color = pal.color(QPalette::Base);
    HeaderFont = listFont;
    HeaderFontColor = Qt::black;
    HeaderColor = QColor(0x80, 0x80, 0x80);
    HeaderColorTo = Qt::white;
    GridLineColor = QColor(0xC0, 0xC0, 0xC0);
    SelectionColor = QColor(0xA8, 0xA8, 0xFF);
    SelectionColorTo = pal.color(QPalette::Base);
    SelectionFontColor = pal.color(QPalette::WindowText);
    CompletionFont = QFont(QStringLiteral("Tahoma"), 9);
    CompletionFont.setStyleHint(QFont::SansSerif);
    CompletionFont.setStrikeOut(true);
    CompletionFontColor = QColor(0x80, 0x80, 0x80);
    DateFormat = QStringLiteral("HH:mm");
    NullDate = QStringLiteral("нет");

    TTodoColumn name;
    name.Caption = QStringLiteral("Название");
    name.Width = 180;
    name.Data = TodoData::tdSubject;
    name.Color = pal.color(QPalette::Base);
    name.FontColor = pal.color(QPalette::WindowText);
    TTodoColumn start = name;
    start.Caption = QStringLiteral("Старт");
    start.Width = 100;
    start.Data = TodoData::tdCategory;
    columns_ = {name, start};

    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);

    header_ = new THeader(this);
    Refresh();
}

TTodoList::~TTodoList() = default;

TDayRows& TTodoList::Items() { return items_; }
const TDayRows& TTodoList::Items() const { return items_; }

int TTodoList::RowCount() const { return static_cast<int>(items_.size()); }

void TTodoList::ItemsChanged() {
    if (itemIndex_ >= RowCount()) itemIndex_ = RowCount() - 1;
    Refresh();
}

int TTodoList::ItemIndex() const { return itemIndex_; }

void TTodoList::SetItemIndex(int index) {
    itemIndex_ = (index >= 0 && index < RowCount()) ? index : -1;
    EnsureVisible(itemIndex_);
    viewport()->update();
}

QVector<TTodoColumn>& TTodoList::Columns() { return columns_; }
const QVector<TTodoColumn>& TTodoList::Columns() const { return columns_; }

void TTodoList::ColumnsChanged() { Refresh(); }

void TTodoList::Refresh() {
    HeaderHeight = std::max(0, HeaderHeight);
    ItemHeight = std::max(1, ItemHeight);
    if (viewportMargins().top() != HeaderHeight) setViewportMargins(0, HeaderHeight, 0, 0);
    LayoutHeader();
    UpdateScrollRange();
    header_->update();
    viewport()->update();
}

void TTodoList::LayoutHeader() {
    const QRect cr = contentsRect();
    header_->setGeometry(cr.left(), cr.top(), viewport()->width(), HeaderHeight);
    header_->setVisible(HeaderHeight > 0);
}

bool TTodoList::Sorted() const { return sorted_; }

void TTodoList::SetSorted(bool sorted) {
    if (sorted == sorted_) return;
    sorted_ = sorted;
    if (sorted_) SortNow();
}

int TTodoList::SortColumn() const { return sortColumn_; }

void TTodoList::SetSortColumn(int column) {
    if (column == sortColumn_) return;
    sortColumn_ = column;
    if (sorted_) SortNow();
    header_->update();
}

TSortDirection TTodoList::SortDirection() const { return sortDirection_; }

void TTodoList::SetSortDirection(TSortDirection direction) {
    if (direction == sortDirection_) return;
    sortDirection_ = direction;
    if (sorted_) SortNow();
    header_->update();
}

void TTodoList::SortNow() {
    const int col = sortColumn_;
    if (col < 0 || col >= columns_.size()) return;
    itemIndex_ = SortRows(items_, columns_[col].Data, sortDirection_, itemIndex_);
    EnsureVisible(itemIndex_);
    viewport()->update();
}

QString TTodoList::CellText(int row, int column) const {
    if (row < 0 || row >= RowCount() || column < 0 || column >= columns_.size()) return {};
    const TDayRow& it = items_[size_t(row)];
    switch (columns_[column].Data) {
        case TodoData::tdSubject: return FromAnsi(it.Subject);
        case TodoData::tdDueDate: return FormatDate(it.Moment, DateFormat, NullDate);
        case TodoData::tdCompletionDate: return FormatDate(it.CompletionDate, DateFormat, NullDate);
        case TodoData::tdCreationDate: return FormatDate(it.CreationDate, DateFormat, NullDate);
        case TodoData::tdCategory: return FromAnsi(it.StartText);
        case TodoData::tdNotes:
        case TodoData::tdCompletion:
        case TodoData::tdPriority:
        case TodoData::tdTotalTime:
        case TodoData::tdResource:
        case TodoData::tdProject:
        case TodoData::tdStatus:
        case TodoData::tdImage:
        case TodoData::tdComplete:
        case TodoData::tdHandle: return {};
    }
    return {};
}

int TTodoList::TopIndex() const { return verticalScrollBar()->value(); }

int TTodoList::VisibleRows() const { return std::max(1, viewport()->height() / ItemHeight); }

int TTodoList::ItemAt(const QPoint& bodyPos) const {
    if (bodyPos.y() < 0 || bodyPos.x() < 0 || bodyPos.x() >= viewport()->width()) return -1;
    const int row = TopIndex() + bodyPos.y() / ItemHeight;
    return row < RowCount() ? row : -1;
}

QRect TTodoList::ItemRect(int row) const {
    return QRect(0, (row - TopIndex()) * ItemHeight, viewport()->width(), ItemHeight);
}

int TTodoList::ColumnLeft(int column) const {
    int x = 0;
    for (int c = 0; c < column && c < columns_.size(); ++c) x += std::max(0, columns_[c].Width);
    return x;
}

int TTodoList::ColumnWidth(int column) const {
    if (column < 0 || column >= columns_.size()) return 0;
    const int w = std::max(0, columns_[column].Width);
    const int body = viewport()->width();
    if (StretchLastColumn && column == columns_.size() - 1 && body > 0)
        return std::max(0, body - ColumnLeft(column));
    return w;
}

QRect TTodoList::CellRect(int row, int column) const {
    const QRect r = ItemRect(row);
    return QRect(ColumnLeft(column), r.top(), ColumnWidth(column), r.height());
}

QFont TTodoList::CellFont(int row, int column) const {
    if (row >= 0 && row < RowCount() && items_[size_t(row)].Complete) return CompletionFont;
    if (column >= 0 && column < columns_.size() && HasFont(columns_[column].Font))
        return columns_[column].Font;
    return font();
}

QString TTodoList::HintAt(const QPoint& bodyPos) const {
    if (!HintShowFullText) return Hint;
    const int row = ItemAt(bodyPos);
    if (row < 0) return Hint;
    for (int c = 0; c < columns_.size(); ++c) {
        const QRect cell = CellRect(row, c);
        if (bodyPos.x() < cell.left() || bodyPos.x() > cell.right()) continue;
        const QString text = CellText(row, c).trimmed();
        const int room = cell.width() - 2 * kTextPadding;
        if (!text.isEmpty() && QFontMetrics(CellFont(row, c)).horizontalAdvance(text) > room)
            return text;
        break;
    }
    return Hint;
}

void TTodoList::UpdateScrollRange() {
    const int rows = VisibleRows();
    QScrollBar* sb = verticalScrollBar();
    sb->setRange(0, std::max(0, RowCount() - rows));
    sb->setPageStep(rows);
    sb->setSingleStep(1);
}

void TTodoList::EnsureVisible(int row) {
    if (row < 0) return;
    QScrollBar* sb = verticalScrollBar();
    const int rows = VisibleRows();
    if (row < sb->value()) sb->setValue(row);
    else if (row >= sb->value() + rows) sb->setValue(row - rows + 1);
}

void TTodoList::scrollContentsBy(int, int) { viewport()->update(); }

void TTodoList::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    LayoutHeader();
    UpdateScrollRange();
    header_->update();
}

void TTodoList::PaintHeader(QPainter& p, int width) const {
    const int h = HeaderHeight;
    const QColor sepColor = HeaderColor.isValid() ? HeaderColor.darker(130) : QColor(Qt::gray);
    const auto fillSection = [&](const QRect& r, bool active) {
        QColor top = HeaderColor, bottom = HeaderColorTo;
        if (active && HeaderActiveColor.isValid()) {
            top = HeaderActiveColor;
            bottom = HeaderActiveColorTo.isValid() ? HeaderActiveColorTo : HeaderActiveColor;
        }
        if (!bottom.isValid()) bottom = top;
        QLinearGradient g(0, r.top(), 0, r.bottom());
        g.setColorAt(0, top);
        g.setColorAt(1, bottom);
        p.fillRect(r, g);
    };

    // Behind the sections first, so a header wider than the columns is filled.
    fillSection(QRect(0, 0, width, h), false);

    p.setFont(HeaderFont);
    const QFontMetrics fm(HeaderFont);
    for (int c = 0; c < columns_.size(); ++c) {
        const int left = ColumnLeft(c);
        if (left >= width) break;
        const QRect r(left, 0, ColumnWidth(c), h);
        const bool sortCol = c == sortColumn_;
        fillSection(r, sortCol);

        QRect textRect = r.adjusted(kTextPadding, 0, -kTextPadding, 0);
        if (sortCol) {
            // A small triangle at the right: point up ascending, down descending.
            const int mx = r.right() - kTextPadding - kSortMarkWidth;
            const int my = r.center().y();
            QPolygon tri;
            if (sortDirection_ == TSortDirection::sdAscending)
                tri << QPoint(mx, my + 2) << QPoint(mx + kSortMarkWidth - 1, my + 2)
                    << QPoint(mx + kSortMarkWidth / 2, my - 2);
            else
                tri << QPoint(mx, my - 2) << QPoint(mx + kSortMarkWidth - 1, my - 2)
                    << QPoint(mx + kSortMarkWidth / 2, my + 2);
            p.setPen(Qt::NoPen);
            p.setBrush(HeaderFontColor);
            p.drawPolygon(tri);
            p.setBrush(Qt::NoBrush);
            textRect.setRight(mx - 2);
        }
        p.setPen(HeaderFontColor);
        const Qt::Alignment hAlign = columns_[c].Alignment & Qt::AlignHorizontal_Mask;
        p.drawText(textRect, int(hAlign ? hAlign : Qt::AlignLeft) | Qt::AlignVCenter,
                   fm.elidedText(columns_[c].Caption, Qt::ElideRight, std::max(0, textRect.width())));
        p.setPen(sepColor);
        if (c < columns_.size() - 1 || !StretchLastColumn) p.drawLine(r.right(), 2, r.right(), h - 3);
    }
    p.setPen(sepColor);
    p.drawLine(0, h - 1, width - 1, h - 1);
}

void TTodoList::HeaderPressed(int x) {
    for (int c = 0; c < columns_.size(); ++c) {
        const int left = ColumnLeft(c);
        const int right = left + ColumnWidth(c);
        if (x < left || x >= right) continue;
        if (x - left <= kHeaderEdgeGrip || right - x <= kHeaderEdgeGrip) return;
        if (c == sortColumn_)
            SetSortDirection(sortDirection_ == TSortDirection::sdAscending
                                 ? TSortDirection::sdDescending
                                 : TSortDirection::sdAscending);
        else
            SetSortColumn(c);
        return;
    }
}

void TTodoList::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    const int w = viewport()->width();
    const int h = viewport()->height();
    p.fillRect(0, 0, w, h, Color);

    const int top = TopIndex();
    const int last = std::min(RowCount() - 1, top + h / ItemHeight + 1);
    const int gridInset = GridLines == glsNone ? 0 : 1;

    for (int row = top; row <= last; ++row) {
        const bool selected = ShowSelection && row == itemIndex_;
        const bool completed = items_[size_t(row)].Complete;
        for (int c = 0; c < columns_.size(); ++c) {
            const QRect cell = CellRect(row, c);
            if (cell.left() >= w) break;
            if (cell.width() <= 0) continue;
            const TTodoColumn& col = columns_[c];
            // The grid takes the cell's last pixel row and column.
            const QRect fill = cell.adjusted(0, 0, -gridInset, -gridInset);
            QColor textColor;
            if (selected) {
                if (SelectionColorTo.isValid())
                    FillSteppedGradient(p, fill, SelectionColor, SelectionColorTo, kSelectionSteps);
                else
                    p.fillRect(fill, SelectionColor);
                textColor = SelectionFontColor;
            } else {
                p.fillRect(fill, col.Color.isValid() ? col.Color : Color);
                textColor = col.FontColor.isValid() ? col.FontColor
                                                    : palette().color(QPalette::WindowText);
            }
            if (completed && !selected) textColor = CompletionFontColor;

            const QFont f = CellFont(row, c);
            p.setFont(f);
            p.setPen(textColor);
            const QRect textRect = fill.adjusted(kTextPadding, 0, -kTextPadding, 0);
            const QString text = QFontMetrics(f).elidedText(CellText(row, c), Qt::ElideRight,
                                                             std::max(0, textRect.width()));
            const Qt::Alignment hAlign = col.Alignment & Qt::AlignHorizontal_Mask;
            p.drawText(textRect, int(hAlign ? hAlign : Qt::AlignLeft) | Qt::AlignVCenter | Qt::TextSingleLine, text);
        }
    }

    if (GridLines == glsNone) return;
    p.setPen(GridLineColor);
    const int rowsShown = std::max(0, last - top + 1);
    // glsItems: the grid covers the item rows; glsAlways: the whole body.
    const int gridBottom = GridLines == glsAlways ? h : rowsShown * ItemHeight;
    if (gridBottom <= 0) return;
    for (int y = ItemHeight - 1; y < gridBottom; y += ItemHeight) p.drawLine(0, y, w - 1, y);
    for (int c = 0; c < columns_.size(); ++c) {
        if (StretchLastColumn && c == columns_.size() - 1) break;
        const int x = ColumnLeft(c) + ColumnWidth(c) - 1;
        if (x >= w) break;
        p.drawLine(x, 0, x, gridBottom - 1);
    }
}

void TTodoList::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    const int row = ItemAt(pos);
    if (event->button() == Qt::LeftButton) {
        // A press below the last row keeps the selection and is no click on an item.
        if (row < 0) return;
        SetItemIndex(row);
        emit OnClick();
    } else if (event->button() == Qt::RightButton) {
        if (row >= 0) SetItemIndex(row);
    }
}

void TTodoList::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const int row = ItemAt(event->position().toPoint());
    if (row >= 0) SetItemIndex(row);
    emit OnDblClick();
}

void TTodoList::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    emit OnMouseMove(event->modifiers(), pos.x(), pos.y());
}

void TTodoList::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    QChar ch;
    if (key == Qt::Key_Return || key == Qt::Key_Enter) ch = QLatin1Char('\r');
    else if (!event->text().isEmpty()) ch = event->text().at(0);
    emit OnKeyPress(ch, key == Qt::Key_Enter ? int(Qt::Key_Return) : key);

    const int count = RowCount();
    const bool navigation = key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_Home ||
                            key == Qt::Key_End || key == Qt::Key_PageUp || key == Qt::Key_PageDown;
    // Enter belongs to the list's owner; keys the list has no use for go on to the parent.
    if (!navigation && key != Qt::Key_Return && key != Qt::Key_Enter) event->ignore();
    if (count == 0 || !navigation) return;
    const int cur = itemIndex_;
    const int page = VisibleRows();
    int next = cur;
    switch (key) {
        case Qt::Key_Up: next = cur < 0 ? 0 : cur - 1; break;
        case Qt::Key_Down: next = cur + 1; break;
        case Qt::Key_Home: next = 0; break;
        case Qt::Key_End: next = count - 1; break;
        case Qt::Key_PageUp: next = cur < 0 ? 0 : cur - page; break;
        case Qt::Key_PageDown: next = cur + page; break;
        default: return;
    }
    SetItemIndex(std::clamp(next, 0, count - 1));
}

void TTodoList::contextMenuEvent(QContextMenuEvent* event) {
    if (!PopupMenu) return;
    QPoint global = event->globalPos();
    if (event->reason() == QContextMenuEvent::Keyboard && itemIndex_ >= 0)
        global = viewport()->mapToGlobal(ItemRect(itemIndex_).bottomLeft());
    PopupMenu->popup(global);
}

bool TTodoList::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* he = static_cast<QHelpEvent*>(event);
        QString text = HintAt(he->pos());
        if (text.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
            return true;
        }
        text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
        const int row = ItemAt(he->pos());
        const QRect area = row >= 0 ? ItemRect(row) : viewport()->rect();
        QToolTip::showText(he->globalPos(), text, viewport(), area, HintHidePause);
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}
