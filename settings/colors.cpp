#include "settings/colors.h"

#include <array>
#include <cstdint>

namespace {

constexpr std::array<ColorIdent, 52> kIdents = {{
    {"clBlack", clBlack},
    {"clMaroon", clMaroon},
    {"clGreen", clGreen},
    {"clOlive", clOlive},
    {"clNavy", clNavy},
    {"clPurple", clPurple},
    {"clTeal", clTeal},
    {"clGray", clGray},
    {"clSilver", clSilver},
    {"clRed", clRed},
    {"clLime", clLime},
    {"clYellow", clYellow},
    {"clBlue", clBlue},
    {"clFuchsia", clFuchsia},
    {"clAqua", clAqua},
    {"clWhite", clWhite},
    {"clMoneyGreen", clMoneyGreen},
    {"clSkyBlue", clSkyBlue},
    {"clCream", clCream},
    {"clMedGray", clMedGray},
    {"clScrollBar", SystemColor(0)},
    {"clBackground", SystemColor(1)},
    {"clActiveCaption", SystemColor(2)},
    {"clInactiveCaption", SystemColor(3)},
    {"clMenu", SystemColor(4)},
    {"clWindow", SystemColor(5)},
    {"clWindowFrame", SystemColor(6)},
    {"clMenuText", SystemColor(7)},
    {"clWindowText", SystemColor(8)},
    {"clCaptionText", SystemColor(9)},
    {"clActiveBorder", SystemColor(10)},
    {"clInactiveBorder", SystemColor(11)},
    {"clAppWorkSpace", SystemColor(12)},
    {"clHighlight", SystemColor(13)},
    {"clHighlightText", SystemColor(14)},
    {"clBtnFace", SystemColor(15)},
    {"clBtnShadow", SystemColor(16)},
    {"clGrayText", SystemColor(17)},
    {"clBtnText", SystemColor(18)},
    {"clInactiveCaptionText", SystemColor(19)},
    {"clBtnHighlight", SystemColor(20)},
    {"cl3DDkShadow", SystemColor(21)},
    {"cl3DLight", SystemColor(22)},
    {"clInfoText", SystemColor(23)},
    {"clInfoBk", SystemColor(24)},
    {"clHotLight", SystemColor(26)},
    {"clGradientActiveCaption", SystemColor(27)},
    {"clGradientInactiveCaption", SystemColor(28)},
    {"clMenuHighlight", SystemColor(29)},
    {"clMenuBar", SystemColor(30)},
    {"clNone", clNone},
    {"clDefault", clDefault},
}};

constexpr std::array<NamedColor, 21> kColorBox = {{
    {"Чёрный", clBlack},        {"Тёмно-красный", clMaroon},   {"Зелёный", clGreen},
    {"Оливковый", clOlive},     {"Тёмно-синий", clNavy},       {"Пурпурный", clPurple},
    {"Сине-зелёный", clTeal},   {"Серый", clGray},             {"Серебристый", clSilver},
    {"Красный", clRed},         {"Лайм", clLime},              {"Жёлтый", clYellow},
    {"Синий", clBlue},          {"Фуксия", clFuchsia},         {"Голубой", clAqua},
    {"Белый", clWhite},         {"Серо-зелёный", clMoneyGreen}, {"Небесный", clSkyBlue},
    {"Кремовый", clCream},      {"Средне-серый", clMedGray},   {"По умолчанию", clDefault},
}};

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool SameIdent(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    const char l = LowerAscii(c);
    if (l >= 'a' && l <= 'f') return l - 'a' + 10;
    return -1;
}

std::optional<TColor> ParseInteger(std::string_view s) {
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    uint64_t v = 0;
    if (!s.empty() && s[0] == '$') {
        s.remove_prefix(1);
        if (s.empty()) return std::nullopt;
        for (char c : s) {
            const int d = HexDigit(c);
            if (d < 0) return std::nullopt;
            v = v * 16 + static_cast<uint64_t>(d);
            if (v > 0xFFFFFFFFu) return std::nullopt;
        }
    } else {
        if (s.empty()) return std::nullopt;
        for (char c : s) {
            if (c < '0' || c > '9') return std::nullopt;
            v = v * 10 + static_cast<uint64_t>(c - '0');
            if (v > 0x80000000u) return std::nullopt;
        }
        if (!negative && v > 0x7FFFFFFFu) return std::nullopt;
    }
    const auto u = static_cast<uint32_t>(v);
    return negative ? static_cast<TColor>(0u - u) : static_cast<TColor>(u);
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
}

}  // namespace

std::span<const ColorIdent> ColorIdents() { return kIdents; }
std::span<const NamedColor> ColorBoxColors() { return kColorBox; }

std::optional<TColor> StringToColor(std::string_view text) {
    for (const ColorIdent& id : kIdents)
        if (SameIdent(text, id.name)) return id.value;
    return ParseInteger(text);
}

std::string ColorToString(TColor color) {
    for (const ColorIdent& id : kIdents)
        if (id.value == color) return id.name;
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string s = "$";
    for (int shift = 28; shift >= 0; shift -= 4) s += kHex[(color >> shift) & 0xF];
    return s;
}

std::string TypedColorString(std::string_view typed) {
    const std::string_view s = TrimBlanks(typed);
    const size_t hash = s.find('#');
    if (hash == std::string_view::npos) return std::string(s);
    const std::string_view h = TrimBlanks(s.substr(hash + 1));
    if (h.size() != 6) return std::string(s);
    return "$00" + std::string(h.substr(4, 2)) + std::string(h.substr(2, 2)) + std::string(h.substr(0, 2));
}

Rgb ColorToRGB(TColor color, const SystemColorLookup& systemColor) {
    if ((color & 0x80000000u) == 0) return ColorChannels(color);
    if (!systemColor) return {};
    return systemColor(static_cast<int>(color & 0xFF)).value_or(Rgb{});
}

Rgb ColorToRGB(TColor color, std::span<const Rgb> systemColors) {
    return ColorToRGB(color, [systemColors](int index) -> std::optional<Rgb> {
        if (index < 0 || static_cast<size_t>(index) >= systemColors.size()) return std::nullopt;
        return systemColors[static_cast<size_t>(index)];
    });
}
