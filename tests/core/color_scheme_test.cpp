#include <gtest/gtest.h>

#include "settings/color_scheme.h"

namespace {

std::vector<std::string> DesignStrings() { return FullListColorShem(DesignColors()); }

// The design values themselves are pinned by the shipped Default theme.
TEST(ColorScheme, WithNoThemeTheGridShowsTheDesignValues) {
    std::vector<std::string> list;
    const auto rows = PreViewColorShema(list, DesignColors());
    EXPECT_EQ(list, DesignStrings());  // collected first
    EXPECT_EQ(list[14], "$00FFD06F");
    EXPECT_EQ(GridColors(rows), list);
    EXPECT_EQ(rows[5].caption, ListTitleColorShem()[5]);

    SchemeColors widgets = DesignColors();
    widgets[SlotIndex(ColorSlot::PanelTop)] = clRed;  // the panels are not read back
    widgets[SlotIndex(ColorSlot::SelectColor)] = 0x00123456;
    list = FullListColorShem(widgets);
    EXPECT_EQ(list[14], "$00123456");
    EXPECT_EQ(list[30], "clSilver");
}

TEST(ColorScheme, ApplyingStopsAtTheFirstBadWidgetSlot) {
    const struct {
        const char* what;
        size_t size;          // entries kept from the design list
        int badSlot;          // 1-based slot replaced by "x", 0 for none
        int applied;
        bool painted;
        TColor bottom, font;  // when complete
    } cases[] = {
        {"whole scheme", 34, 0, 30, true, clSkyBlue, clBlack},
        {"extra entries ignored", 36, 0, 30, true, clSkyBlue, clBlack},
        {"30 entries: panels kept, font white", 30, 0, 30, false, clBlack, clWhite},
        {"31 entries", 31, 0, 30, false, clBlack, clWhite},
        {"32 entries: black bottom, font white", 32, 0, 30, true, clBlack, clWhite},
        {"33 entries", 33, 0, 30, true, clSkyBlue, clWhite},
        {"bad top shade", 34, 31, 30, false, clBlack, clWhite},
        {"bad bottom shade", 34, 33, 30, false, clBlack, clWhite},
        {"bad panel font", 34, 34, 30, false, clSkyBlue, clWhite},
        {"bad calendar slot", 34, 12, 11, false, 0, 0}, {"bad list slot", 34, 30, 29, false, 0, 0},
        {"29 entries", 29, 0, 29, false, 0, 0}, {"empty", 0, 0, 0, false, 0, 0},
    };
    for (const auto& c : cases) {
        std::vector<std::string> list = DesignStrings();
        list.resize(c.size, "clRed");
        if (c.badSlot) list[static_cast<size_t>(c.badSlot - 1)] = "x";
        const AppliedScheme r = SetColorShema(list);
        EXPECT_EQ(r.applied, c.applied) << c.what;
        EXPECT_EQ(r.FailedSlot(), c.applied == 30 ? 0 : c.applied + 1) << c.what;
        EXPECT_EQ(r.panelsPainted, c.painted) << c.what;
        for (int k = 0; k < r.applied; ++k) EXPECT_EQ(r.colors[k], DesignColors()[k]) << c.what;
        if (!r.Complete()) continue;
        EXPECT_EQ(r.colors[SlotIndex(ColorSlot::PanelFont)], c.font) << c.what;
        if (!r.panelsPainted) continue;
        EXPECT_EQ(r.colors[SlotIndex(ColorSlot::PanelTop)], clSilver) << c.what;
        EXPECT_EQ(r.colors[SlotIndex(ColorSlot::PanelMiddle)], clBlue) << c.what;
        EXPECT_EQ(r.colors[SlotIndex(ColorSlot::PanelBottom)], c.bottom) << c.what;
    }
}

TEST(ColorScheme, GridRoundTrip) {
    std::vector<std::string> list = {"clRed", "255"};
    auto rows = PreViewColorShema(list, DesignColors());
    ASSERT_EQ(rows.size(), 34u);
    EXPECT_EQ(rows[1].color, "255");
    EXPECT_EQ(rows[33].color, "clWhite");  // no entry
    EXPECT_EQ(list.size(), 2u);            // a scheme that is there is not collected again
    std::vector<std::string> longList(40, "clLime");
    EXPECT_EQ(PreViewColorShema(longList, DesignColors()).size(), 34u);

    FillGridColors(rows, {"clAqua", "clTeal"});
    EXPECT_EQ(rows[0].color, "clAqua");
    EXPECT_EQ(rows[2].color, "clWhite");  // no value: keeps its own
    FillGridColors(rows, std::vector<std::string>(40, "clNavy"));
    EXPECT_TRUE(OutPutColorShema(list, rows).panelsPainted);
    EXPECT_EQ(list, std::vector<std::string>(34, "clNavy"));
}

}  // namespace
