// The day list control on the offscreen platform: what it draws, sorts,
// hints and how it answers the mouse and the keyboard.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QScrollBar>
#include <cmath>
#include <limits>
#include <vector>

#include "events/ansi.h"
#include "events/date_time.h"
#include "tests/ui/drive.h"
#include "widgets/todo_list.h"

namespace {

struct Shown {
    TTodoList list;
    explicit Shown(int w = 265, int h = 300) {
        list.resize(w, h);
        list.show();
        QApplication::processEvents();
    }
    TDayRow& Add(const char* subject, const char* start = "", TDateTime moment = 0) {
        TDayRow& it = list.Items().emplace_back();
        it.Subject = ansi(subject);
        it.StartText = ansi(start);
        it.Moment = moment;
        return it;
    }
    QImage Grab() { return list.grab().toImage().convertToFormat(QImage::Format_RGB32); }
    // A body point in the coordinates of the grabbed image.
    QPoint ToImage(QPoint body) const { return list.viewport()->mapTo(&list, body); }
    std::vector<std::string> Subjects() const {
        std::vector<std::string> out;
        for (const auto& it : list.Items()) out.push_back(utf8(it.Subject));
        return out;
    }
};

// Longest horizontal run of pixels near `color` inside the rectangle.
int LongestRun(const QImage& img, const QRect& r, QColor color, int tol) {
    int best = 0;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        int run = 0;
        for (int x = r.left(); x <= r.right(); ++x) {
            run = Near(img.pixel(x, y), color, tol) ? run + 1 : 0;
            best = std::max(best, run);
        }
    }
    return best;
}

// Bounding box of the pixels that differ from the background.
QRect InkBox(const QImage& img, const QRect& r, QColor background) {
    QRect box;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (!Near(img.pixel(x, y), background, 24)) box |= QRect(x, y, 1, 1);
    return box;
}

QRect ImageRect(const Shown& s, QRect body) {
    return QRect(s.ToImage(body.topLeft()), body.size());
}

}  // namespace

TEST(TodoListDraw, CompletedItemIsGreyAndStruckInEveryColumn) {
    Shown s;
    s.list.GridLines = TTodoList::glsNone;
    s.list.ShowSelection = false;
    // Letters without horizontal strokes: a long horizontal run can only be
    // the strike-out line.
    s.Add("llllllllllll", "llllllll");
    s.Add("llllllllllll", "llllllll").Complete = true;
    s.list.ItemsChanged();
    const QImage img = s.Grab();
    const QColor grey = s.list.CompletionFontColor;

    for (int c = 0; c < 2; ++c) {
        SCOPED_TRACE(c);
        const QRect plain = ImageRect(s, s.list.CellRect(0, c));
        const QRect done = ImageRect(s, s.list.CellRect(1, c));
        EXPECT_GE(LongestRun(img, done, grey, 40), 12) << "no grey strike line";
        EXPECT_LT(LongestRun(img, plain, QColor(0, 0, 0), 90), 6) << "plain item struck";
        // No black ink in the completed cell: all of it is the grey colour.
        EXPECT_LT(LongestRun(img, done, QColor(0, 0, 0), 40), 1);
        EXPECT_GT(InkBox(img, plain, s.list.Color).width(), 10);
    }
}

TEST(TodoListDraw, SelectionIsAGradientFromSelectionColor) {
    struct Case { QColor to; } cases[] = {{QColor(Qt::white)}, {QColor()}};
    for (const auto& c : cases) {
        Shown s;
        s.list.SelectionColorTo = c.to;
        s.Add("");
        s.Add("");
        s.list.SetItemIndex(1);
        s.list.Refresh();
        const QImage img = s.Grab();
        const QRect row = s.list.ItemRect(1);
        const QRgb top = img.pixel(s.ToImage(QPoint(20, row.top())));
        const QRgb bottom = img.pixel(s.ToImage(QPoint(20, row.bottom() - 1)));
        EXPECT_TRUE(Near(top, s.list.SelectionColor, 4)) << std::hex << top;
        const QColor expectBottom = c.to.isValid() ? c.to : s.list.SelectionColor;
        EXPECT_TRUE(Near(bottom, expectBottom, 24)) << std::hex << bottom;
        // Unselected row keeps the column colour.
        EXPECT_TRUE(Near(img.pixel(s.ToImage(QPoint(20, 2))), s.list.Columns()[0].Color, 4));
    }
}

TEST(TodoListDraw, LongNameIsElidedInsideItsColumnAndHintedInFull) {
    Shown s;
    s.list.GridLines = TTodoList::glsNone;
    const char* longName = "Очень длинное название события, которое не помещается в колонку";
    s.Add(longName);
    s.Add("Коротко");
    s.list.Hint = QStringLiteral("подсказка");
    s.list.ItemsChanged();
    const QImage img = s.Grab();
    EXPECT_FALSE(InkBox(img, ImageRect(s, s.list.CellRect(0, 1)), s.list.Color).isValid());  // kept in its column
    // The text ends in an ellipsis: its last pixels are dots on the base
    // line, not the strokes of a cut-off letter.
    const QRect cell = ImageRect(s, s.list.CellRect(0, 0));
    const QRect ink = InkBox(img, cell, s.list.Color);
    ASSERT_TRUE(ink.isValid());
    EXPECT_GT(ink.right(), cell.right() - 20) << "text does not fill the column";
    const QRect tail = InkBox(img, QRect(ink.right() - 5, cell.top(), 6, cell.height()), s.list.Color);
    EXPECT_GT(tail.top(), ink.top() + ink.height() / 2) << "no ellipsis at the end";

    const QPoint onLong = s.list.CellRect(0, 0).center();
    const QPoint onShort = s.list.CellRect(1, 0).center();
    const QPoint below(10, s.list.ItemRect(5).center().y());
    struct Case { bool full; QPoint at; QString hint; } cases[] = {
        {true, onLong, QString::fromUtf8(longName)},
        {true, onShort, QStringLiteral("подсказка")},
        {true, below, QStringLiteral("подсказка")},
        {false, onLong, QStringLiteral("подсказка")},
    };
    for (const auto& c : cases) {
        s.list.HintShowFullText = c.full;
        EXPECT_EQ(s.list.HintAt(c.at), c.hint) << c.full << " " << c.at.y();
    }
}

TEST(TodoListText, CellTexts) {
    TTodoList list;
    TDayRow& it = list.Items().emplace_back();
    it.Subject = ansi("Встреча");
    it.StartText = ansi("45 мин.");
    EXPECT_EQ(list.CellText(0, 1), QStringLiteral("45 мин."));  // "Старт"
    list.Columns()[1].Data = TodoData::tdDueDate;
    const TDateTime nine30 = EncodeDateTime(2010, 10, 11, 9, 30);
    struct Case { TDateTime moment; QString nullDate; QString format; QString text; } cases[] = {
        {0, "None", "HH:mm", "None"},
        {nine30, "None", "HH:mm", "09:30"},
        {nine30, "None", "dd.MM.yyyy HH:mm", "11.10.2010 09:30"},
        {0, "", "HH:mm", "00:00"},
        {std::numeric_limits<double>::quiet_NaN(), "None", "HH:mm", ""},
        {1e300, "None", "HH:mm", ""},
    };
    for (const auto& c : cases) {
        it.Moment = c.moment;
        list.NullDate = c.nullDate;
        list.DateFormat = c.format;
        EXPECT_EQ(list.CellText(0, 1), c.text) << c.moment;
    }
    EXPECT_EQ(list.CellText(0, 0), QStringLiteral("Встреча"));
    EXPECT_EQ(list.CellText(1, 0), QString());
    EXPECT_EQ(list.CellText(0, 2), QString());
    EXPECT_EQ(list.CellText(-1, -1), QString());
}

// A press on a header chooses its column and a second one reverses it; the
// rows move only while sorted, and the selected row stays selected.
TEST(TodoListSort, HeaderPressChoosesColumnThenReversesAndSortsOnlyWhileSorted) {
    Shown s;
    s.list.Columns()[1].Data = TodoData::tdDueDate;
    s.Add("x", "", 3);
    s.Add("y", "", 1);
    s.Add("z", "", 2);
    s.list.ItemsChanged();
    s.list.SetItemIndex(0);  // "x"
    QWidget* header = s.list.childAt(QPoint(s.list.width() / 2, 5));
    ASSERT_NE(header, nullptr);
    ASSERT_NE(header, s.list.viewport());
    auto press = [&](int x) { QTest::mousePress(header, Qt::LeftButton, {}, QPoint(x, 10)); };
    auto selected = [&] { return s.Subjects().at(size_t(s.list.ItemIndex())); };
    const int mid1 = s.list.Columns()[0].Width + 30;
    const int edge1 = s.list.Columns()[0].Width + 2;  // within the edge grip

    press(edge1);
    EXPECT_EQ(s.list.SortColumn(), 2);
    press(mid1);
    EXPECT_EQ(s.list.SortColumn(), 1);
    EXPECT_EQ(s.list.SortDirection(), TSortDirection::sdAscending);
    EXPECT_EQ(s.Subjects(), (std::vector<std::string>{"x", "y", "z"}));

    s.list.SetSorted(true);
    EXPECT_EQ(s.Subjects(), (std::vector<std::string>{"y", "z", "x"}));
    EXPECT_EQ(selected(), "x");
    press(mid1);
    EXPECT_EQ(s.list.SortDirection(), TSortDirection::sdDescending);
    EXPECT_EQ(s.Subjects(), (std::vector<std::string>{"x", "z", "y"}));
    EXPECT_EQ(selected(), "x");
    press(edge1);  // past the last column: no order
    EXPECT_EQ(s.Subjects(), (std::vector<std::string>{"x", "z", "y"}));
    press(30);  // another column keeps the direction
    EXPECT_EQ(s.list.SortColumn(), 0);
    EXPECT_EQ(s.Subjects(), (std::vector<std::string>{"z", "y", "x"}));
    EXPECT_EQ(selected(), "x");
}

// Enter, a double click and the hints' mouse moves are played through the
// main window in the window tests; here the clicks, the keys that move the
// selection and the popup menu of the control itself.
TEST(TodoListInput, ClicksKeysAndThePopupMenu) {
    Shown s;
    for (int i = 0; i < 5; ++i) s.Add("item");
    s.list.ItemsChanged();
    int clicks = 0, keys = 0;
    QObject::connect(&s.list, &TTodoList::OnClick, [&] { ++clicks; });
    QObject::connect(&s.list, &TTodoList::OnKeyPress, [&] { ++keys; });
    QWidget* body = s.list.viewport();
    QTest::mouseClick(body, Qt::LeftButton, {}, s.list.ItemRect(2).center());
    EXPECT_EQ(s.list.ItemIndex(), 2);
    EXPECT_EQ(clicks, 1);
    // Below the last row: no item clicked, selection kept.
    QTest::mousePress(body, Qt::LeftButton, {}, s.list.ItemRect(8).center());
    EXPECT_EQ(s.list.ItemIndex(), 2);
    EXPECT_EQ(clicks, 1);

    struct Nav { int key; int expect; } navs[] = {
        {Qt::Key_Down, 3}, {Qt::Key_End, 4}, {Qt::Key_Down, 4}, {Qt::Key_Up, 3},
        {Qt::Key_Home, 0}, {Qt::Key_Up, 0}, {Qt::Key_PageDown, 4}, {Qt::Key_PageUp, 0},
    };
    for (const auto& n : navs) {
        QTest::keyClick(&s.list, Qt::Key(n.key));
        EXPECT_EQ(s.list.ItemIndex(), n.expect) << n.key;
    }
    EXPECT_EQ(keys, int(std::size(navs)));
    EXPECT_EQ(clicks, 1) << "keys are no clicks";

    QMenu menu;
    menu.addAction(QStringLiteral("Свойства"));
    s.list.PopupMenu = &menu;
    ClickAt(body, s.list.ItemRect(3).center(), Qt::RightButton);
    EXPECT_EQ(s.list.ItemIndex(), 3);
    EXPECT_TRUE(menu.isVisible());
    menu.hide();
}

TEST(TodoListSelection, NoRowOutOfRangeAndTheSelectionScrollsIntoView) {
    Shown s;
    s.list.SetItemIndex(7);
    EXPECT_EQ(s.list.ItemIndex(), -1);
    for (int i = 0; i < 40; ++i) s.Add("item");
    s.list.ItemsChanged();
    s.list.SetItemIndex(39);
    EXPECT_GT(s.list.TopIndex(), 0);
    const int lastVisibleY = (s.list.VisibleRows() - 1) * s.list.ItemHeight + 2;
    EXPECT_EQ(s.list.ItemAt(QPoint(5, lastVisibleY)), 39);
    QApplication::processEvents();
    EXPECT_TRUE(s.list.verticalScrollBar()->isVisible());
}
