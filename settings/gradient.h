#pragma once
// The panel gradient: one-pixel bands through three colours. Colours are
// 0xRRGGBB.
#include <cstddef>
#include <cstdint>
#include <vector>

// a*b/c rounded to the nearest integer, halves away from zero; c == 0 gives -1.
int64_t MulDiv(int64_t a, int64_t b, int64_t c);

// Colours of the bands 0..n (n + 1 bands; the last lies just outside an image
// n pixels high). The upper half runs from c1 towards the midpoint of c1 and
// c2, the lower half from about the midpoint of c2 and c3 to c3.
std::vector<uint32_t> CreateGradient(int n, uint32_t c1, uint32_t c2, uint32_t c3);
