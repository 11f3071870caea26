#pragma once
// Colour values as the theme files and the colour grid hold them, and their
// text form. A value is 0x00BBGGRR for an RGB colour (red in the low byte)
// and 0xFF0000nn for system colour nn.
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

using TColor = uint32_t;

constexpr TColor SystemColor(int index) { return 0xFF000000u | static_cast<TColor>(index & 0xFF); }

constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080,
                 clNavy = 0x800000, clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080,
                 clSilver = 0xC0C0C0, clRed = 0x0000FF, clLime = 0x00FF00, clYellow = 0x00FFFF,
                 clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00, clWhite = 0xFFFFFF,
                 clMoneyGreen = 0xC0DCC0, clSkyBlue = 0xF0CAA6, clCream = 0xF0FBFF,
                 clMedGray = 0xA4A0A0;
constexpr TColor clWindow = SystemColor(5), clWindowText = SystemColor(8);
constexpr TColor clNone = 0x1FFFFFFF, clDefault = 0x20000000;

struct ColorIdent {
    const char* name;
    TColor value;
};
// The 52 colour identifiers: RGB colours, system colours, clNone, clDefault.
std::span<const ColorIdent> ColorIdents();

// The colour list of the preferences, in its order: the 16 standard and the
// 4 extended colours, then the default colour; names are UTF-8 and only shown.
struct NamedColor {
    const char* name;
    TColor value;
};
std::span<const NamedColor> ColorBoxColors();

// An identifier (any letter case), or a decimal or "$"-hexadecimal integer
// with an optional sign. Nothing else converts: no blanks, no "0x", no
// decimal outside the 32-bit signed range, no more than 8 significant hex digits.
std::optional<TColor> StringToColor(std::string_view text);
// The identifier when there is one, else "$" and eight upper-case hex digits.
std::string ColorToString(TColor color);

// What the colour edit box makes of typed text: blanks trimmed, and an HTML
// "#RRGGBB" turned into "$00BBGGRR" (digits not checked; the conversion that
// follows reports them). Any other text is returned trimmed.
std::string TypedColorString(std::string_view typed);

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// The three channel bytes as they stand in the value; a system colour is not
// resolved (the panel gradient splits colours this way).
constexpr Rgb ColorChannels(TColor c) {
    return {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c >> 16)};
}

// The colour to paint. A value with the top bit set is system colour
// (value & 0xFF); an index the lookup does not know paints black. Other
// values paint their low three bytes (clNone white, clDefault black).
using SystemColorLookup = std::function<std::optional<Rgb>(int index)>;
Rgb ColorToRGB(TColor color, const SystemColorLookup& systemColor);
// The same with a table indexed by system colour; indices past it paint black.
Rgb ColorToRGB(TColor color, std::span<const Rgb> systemColors);
