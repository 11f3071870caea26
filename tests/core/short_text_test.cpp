#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "events/short_text.h"
#include "events/todo_item.h"

namespace {

TEST(ShortText, TextsInPlaceAndOnTheHeapBehaveAlike) {
    for (const size_t n : {size_t{0}, size_t{1}, size_t{10}, size_t{11}, size_t{12}, size_t{16}, size_t{70000}}) {
        std::string s;
        for (size_t i = 0; i < n; ++i) s += static_cast<char>('a' + i % 26);
        TShortText t;
        t = s;
        EXPECT_EQ(t.size(), n);
        EXPECT_EQ(t.view(), s);
        EXPECT_EQ(t.empty(), n == 0);
        TShortText copy(t);
        EXPECT_EQ(copy, t);
        TShortText moved(std::move(copy));
        EXPECT_EQ(moved, s);
        EXPECT_TRUE(copy.empty());  // NOLINT: a moved-from text is empty
        t = t.view().substr(n / 2);  // a part of itself
        EXPECT_EQ(t.view(), s.substr(n / 2));
        moved = t;
        EXPECT_EQ(moved, t);
        const std::string back = moved;
        EXPECT_EQ(back, s.substr(n / 2));
    }
    TShortText flagged("x");
    flagged.SetFlag(true);
    EXPECT_TRUE(TShortText(flagged).Flag());
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
