#include "widgets/gradient.h"

int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    // 32-bit factors: the product always fits in 64 bits.
    const int64_t p = static_cast<int64_t>(a) * b;
    const bool negative = (p < 0) != (c < 0);
    const int64_t ap = p < 0 ? -p : p, ac = c < 0 ? -static_cast<int64_t>(c) : c;
    const int64_t q = (ap + ac / 2) / ac;  // exact for odd c too: the remainder never equals c/2
    if (q > INT32_MAX) return -1;
    return static_cast<int>(negative ? -q : q);
}

std::vector<uint32_t> CreateGradient(int n, uint32_t c1, uint32_t c2, uint32_t c3) {
    std::vector<uint32_t> bands;
    if (n < 0) return bands;
    bands.reserve(static_cast<size_t>(n) + 1);
    auto ch = [](uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xFF); };
    for (int i = 0; i <= n; ++i) {
        uint32_t colour = 0;
        for (int shift : {16, 8, 0}) {
            const int v = i < n / 2 ? ch(c1, shift) + MulDiv(i, ch(c2, shift) - ch(c1, shift), n - 1)
                                    : ch(c2, shift) + MulDiv(i, ch(c3, shift) - ch(c2, shift), n - 1);
            colour |= static_cast<uint32_t>(v & 0xFF) << shift;
        }
        bands.push_back(colour);
        if (i == n) break;  // n == INT_MAX must not wrap the counter
    }
    return bands;
}
