#pragma once
// The day list control: a header strip with one section per column over a
// self-painted body with one row per item. It shows the day rows it owns; the
// program fills Items() and then calls ItemsChanged().
//
// Look properties are plain public members. After changing any of them call
// Refresh() (ItemsChanged() and ColumnsChanged() do the same), so that the
// header, the scroll range and the body follow.
#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>
#include <QString>
#include <QVector>

#include "widgets/day_row.h"

class QMenu;

struct TTodoColumn {
    QString Caption;
    int Width = 100;
    Qt::Alignment Alignment = Qt::AlignLeft;
    QColor Color;      // cell background; invalid = the list's Color
    QFont Font;        // a font with nothing set draws in the list's font
    QColor FontColor;  // invalid = the palette's window text colour
    TodoData Data = TodoData::tdSubject;
};

class TTodoList : public QAbstractScrollArea {
    Q_OBJECT
public:
    enum TGridLines { glsNone, glsItems, glsAlways };

    explicit TTodoList(QWidget* parent = nullptr);
    ~TTodoList() override;

    // The shown rows, owned by the widget.
    TDayRows& Items();
    const TDayRows& Items() const;
    // Call after changing Items(): clamps the selection, updates the scroll
    // range, repaints. Does not sort.
    void ItemsChanged();

    // Selected row, -1 = none.
    int ItemIndex() const;
    // -1 clears; an index past the end clears too. Scrolls the row into
    // view and repaints; raises nothing.
    void SetItemIndex(int index);

    QVector<TTodoColumn>& Columns();
    const QVector<TTodoColumn>& Columns() const;
    void ColumnsChanged();

    // Re-reads the look properties: header height, scroll range, repaint.
    void Refresh();

    // Sorting: switching Sorted on sorts once; while it is on, a change of
    // the sort column or direction sorts again. The selection follows its
    // item. A sort column outside the columns (or -1) sorts nothing.
    bool Sorted() const;
    void SetSorted(bool sorted);
    int SortColumn() const;  // -1 = none
    void SetSortColumn(int column);
    TSortDirection SortDirection() const;
    void SetSortDirection(TSortDirection direction);

    // The text as drawn: date cells formatted with DateFormat, NullDate for 0;
    // empty for a field rows do not carry, and for a row or column that does
    // not exist.
    QString CellText(int row, int column) const;
    // Hint for a point of the body: the cell's full text when it is wider
    // than the cell and HintShowFullText is on, otherwise Hint.
    QString HintAt(const QPoint& bodyPos) const;

    // Row under a point of the body, -1 below the last row or outside.
    int ItemAt(const QPoint& bodyPos) const;
    // Rectangle of a row in body coordinates (may lie outside the visible part).
    QRect ItemRect(int row) const;
    // Rectangle of a cell as drawn, in body coordinates.
    QRect CellRect(int row, int column) const;
    // First row shown at the top of the body.
    int TopIndex() const;
    // The body (viewport) height in whole rows, at least 1.
    int VisibleRows() const;

    // ---- look and behaviour ----
    QColor Color;  // background of the body where there are no cells
    QFont HeaderFont;
    QColor HeaderFontColor;
    QColor HeaderColor, HeaderColorTo;                // header gradient, top to bottom
    QColor HeaderActiveColor, HeaderActiveColorTo;    // sort column's section; invalid = HeaderColor(To)
    int HeaderHeight = 22;
    int ItemHeight = 18;
    TGridLines GridLines = glsAlways;  // glsItems: around item rows only; glsAlways: over the whole body
    QColor GridLineColor;
    QColor SelectionColor, SelectionColorTo;  // invalid SelectionColorTo = flat selection
    QColor SelectionFontColor;
    bool ShowSelection = true;
    QFont CompletionFont;
    QColor CompletionFontColor;
    QString DateFormat;  // Qt date/time format, e.g. "HH:mm"
    QString NullDate;    // shown for a date of 0 when not empty
    bool HintShowFullText = false;
    QString Hint;  // the control's hint; CR LF line breaks are shown as line breaks
    int HintHidePause = -1;  // ms a hint stays; -1 = the platform's choice
    QMenu* PopupMenu = nullptr;  // opened on the right button at the cursor
    // The last column reaches the right edge of the body, so a narrow panel
    // shows no horizontal gap or cut-off grid.
    bool StretchLastColumn = true;

signals:
    void OnClick();
    void OnDblClick();
    // Every key press; Enter gives QChar('\r') and Qt::Key_Return.
    void OnKeyPress(QChar key, int qtKey);
    // Body coordinates.
    void OnMouseMove(Qt::KeyboardModifiers mods, int x, int y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    class THeader;
    friend class THeader;

    int RowCount() const;
    void UpdateScrollRange();
    void LayoutHeader();
    void EnsureVisible(int row);
    void SortNow();
    void PaintHeader(QPainter& p, int width) const;
    void HeaderPressed(int x);
    int ColumnLeft(int column) const;
    int ColumnWidth(int column) const;  // as drawn
    QFont CellFont(int row, int column) const;

    TDayRows items_;
    QVector<TTodoColumn> columns_;
    int itemIndex_ = -1;
    bool sorted_ = false;
    int sortColumn_ = 2;
    TSortDirection sortDirection_ = TSortDirection::sdAscending;
    THeader* header_ = nullptr;
};
