#include <gtest/gtest.h>

#include <set>

#include "settings/colors.h"

namespace {

TEST(ColorStrings, Reading) {
    const struct {
        const char* text;
        std::optional<TColor> want;
    } cases[] = {
        {"clred", clRed},          {"CLRED", clRed},           {"255", clRed},
        {"$000000FF", clRed},      {"$ff", clRed},             {"+255", clRed},
        {"clBtnFace", 0xFF00000F}, {"-16777201", 0xFF00000F},  {"$FFFFFFFF", 0xFFFFFFFF},
        {"-$1", 0xFFFFFFFF},       {"2147483647", 0x7FFFFFFF}, {"-2147483648", 0x80000000},
        {"$00000000FF", clRed},    {"cl3ddkshadow", SystemColor(21)},
        // not a colour
        {"", std::nullopt},         {"$", std::nullopt},          {"-", std::nullopt},
        {"2147483648", std::nullopt}, {"$100000000", std::nullopt}, {" clRed", std::nullopt},
        {"clRed ", std::nullopt},   {"0xFF", std::nullopt},       {"12a", std::nullopt},
        {"--1", std::nullopt},      {"$-1", std::nullopt},        {"clRed2", std::nullopt},
        {"#FF0000", std::nullopt},  {"99999999999999999999", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(StringToColor(c.text), c.want) << '"' << c.text << '"';
}

TEST(ColorStrings, EveryIdentifierRoundTrips) {
    std::set<TColor> values;
    for (const ColorIdent& id : ColorIdents()) {
        EXPECT_EQ(StringToColor(id.name), id.value) << id.name;
        EXPECT_EQ(ColorToString(id.value), id.name);
        values.insert(id.value);
    }
    EXPECT_EQ(ColorIdents().size(), 52u);
    EXPECT_EQ(values.size(), 52u);
    EXPECT_EQ(StringToColor("clMenuBar"), SystemColor(30));
    EXPECT_EQ(StringToColor("clSkyBlue"), 0xF0CAA6u);
    // Values without an identifier: eight upper-case digits.
    EXPECT_EQ(ColorToString(0x00FFD06F), "$00FFD06F");
    EXPECT_EQ(ColorToString(SystemColor(25)), "$FF000019");  // no identifier has index 25
    EXPECT_EQ(ColorToString(0xFFFFFFFF), "$FFFFFFFF");
}

TEST(ColorStrings, TypedHtmlColourBecomesTheSystemForm) {
    const struct {
        const char* typed;
        const char* want;
    } cases[] = {
        {"#FF8000", "$000080FF"}, {"  #FF8000  ", "$000080FF"}, {"# FF8000", "$000080FF"},
        {"x#FF8000", "$000080FF"}, {"#FF80", "#FF80"},          {" clRed\t", "clRed"},
        {"#GGHHII", "$00IIHHGG"},  // not checked here; the conversion reports it
    };
    for (const auto& c : cases) EXPECT_EQ(TypedColorString(c.typed), c.want) << c.typed;
}

TEST(ColorStrings, PaintedColourResolvesSystemColoursSafely) {
    const Rgb table[] = {{1, 2, 3}, {10, 20, 30}, {7, 8, 9}};
    const Rgb black{};
    EXPECT_EQ(ColorToRGB(0x00FFD06F, table), (Rgb{0x6F, 0xD0, 0xFF}));
    EXPECT_EQ(ColorToRGB(SystemColor(1), table), (Rgb{10, 20, 30}));
    EXPECT_EQ(ColorToRGB(0x80000002, table), (Rgb{7, 8, 9}));  // any negative value is a system colour
    EXPECT_EQ(ColorToRGB(SystemColor(3), table), black);       // one past the table
    EXPECT_EQ(ColorToRGB(SystemColor(255), std::span<const Rgb>{}), black);
    EXPECT_EQ(ColorToRGB(clNone, table), (Rgb{255, 255, 255}));
    EXPECT_EQ(ColorToRGB(clDefault, table), black);

    const SystemColorLookup onlyWindow = [](int index) -> std::optional<Rgb> {
        if (index == 5) return Rgb{255, 255, 254};
        return std::nullopt;
    };
    EXPECT_EQ(ColorToRGB(clWindow, onlyWindow), (Rgb{255, 255, 254}));
    EXPECT_EQ(ColorToRGB(SystemColor(25), onlyWindow), black);
    EXPECT_EQ(ColorToRGB(clWindow, SystemColorLookup{}), black);
}

}  // namespace
