#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "events/ansi.h"
#include "events/short_text.h"
#include "events/todo_item.h"

namespace {

// The record's decimal texts keep their number beside the bytes, in place
// or in the heap block; copies, moves and a text assigned from a part of
// itself must carry the right number along.
TEST(ShortText, TextsInPlaceAndOnTheHeapBehaveAlike) {
    for (const size_t n : {size_t{0}, size_t{1}, size_t{7}, size_t{8}, size_t{10}, size_t{12}, size_t{70000}}) {
        std::string s;
        for (size_t i = 0; i < n; ++i) s += static_cast<char>('1' + i % 9);
        TDecimalText t;
        EXPECT_EQ(t.Value(), 0);
        t = s;
        EXPECT_EQ(t.size(), n);
        EXPECT_EQ(t.view(), s);
        EXPECT_EQ(t.empty(), n == 0);
        EXPECT_EQ(t.Value(), DecimalOrZero(s));
        TDecimalText copy(t);
        EXPECT_EQ(copy, t);
        EXPECT_EQ(copy.Value(), t.Value());
        TDecimalText moved(std::move(copy));
        EXPECT_EQ(moved, s);
        EXPECT_EQ(moved.Value(), DecimalOrZero(s));
        EXPECT_TRUE(copy.empty());  // NOLINT: a moved-from text is empty and reads as 0
        EXPECT_EQ(copy.Value(), 0);  // NOLINT
        t = t.view().substr(n / 2);  // a part of itself
        EXPECT_EQ(t.view(), s.substr(n / 2));
        EXPECT_EQ(t.Value(), DecimalOrZero(s.substr(n / 2)));
        moved = t;
        EXPECT_EQ(moved, t);
        EXPECT_EQ(moved.Value(), t.Value());
        const std::string back = moved;
        EXPECT_EQ(back, s.substr(n / 2));
        moved = std::move(t);
        EXPECT_EQ(moved.Value(), DecimalOrZero(s.substr(n / 2)));
        EXPECT_TRUE(t.empty());  // NOLINT
        EXPECT_EQ(t.Value(), 0);  // NOLINT
        moved.clear();
        EXPECT_EQ(moved.Value(), 0);
    }
    TCompactText<11> flagged("x");
    flagged.SetFlag(true);
    EXPECT_TRUE(TCompactText<11>(flagged).Flag());
    EXPECT_EQ(flagged, "x");
    flagged = "y";  // a new text clears it
    EXPECT_FALSE(flagged.Flag());
}

TEST(ShortText, NotesKeepTheirLinesEvenWhenALineHoldsABreak) {
    TNotes n;
    EXPECT_TRUE(n.empty());
    n.push_back("");
    EXPECT_EQ(n.size(), 1u);
    EXPECT_EQ(n.PlainText(), "\r\n");  // the editor's empty description, in place
    TNotes longer = n;
    longer.push_back(std::string(20, 'x'));  // past what fits in place
    EXPECT_EQ(longer, (std::vector<std::string>{"", std::string(20, 'x')}));
    // The imports put a whole text with its breaks into one line.
    n.push_back("a\r\nb");
    n.push_back("c");
    ASSERT_EQ(n.size(), 3u);
    EXPECT_EQ(n[1], "a\r\nb");
    EXPECT_EQ(n[2], "c");
    EXPECT_EQ(n.Text(), "\r\na\r\nb\r\nc\r\n");
    EXPECT_EQ(n, (std::vector<std::string>{"", "a\r\nb", "c"}));
    EXPECT_FALSE(n == (std::vector<std::string>{"", "a", "b", "c"}));
    TNotes split;
    split = {"", "a", "b", "c"};
    EXPECT_FALSE(n == split);  // same text, other lines
    EXPECT_EQ(split.Text(), n.Text());
    const TNotes copy = n;
    EXPECT_EQ(copy, n);

    TTodoItem e;
    e.SetNotesText("x\ry\nz\r\n");
    EXPECT_EQ(e.Notes, (std::vector<std::string>{"x", "y", "z"}));
    e.SetNotesText("one");
    EXPECT_EQ(e.Notes, std::vector<std::string>{"one"});
    EXPECT_EQ(e.NotesText(), "one\r\n");
}

}  // namespace
