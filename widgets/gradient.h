#pragma once
// The panel gradient: one-pixel bands through three colours. Each channel
// byte is computed on its own, so bands come in the byte order the colours
// go in (0x00BBGGRR from a scheme); the top byte is dropped, so a system
// colour enters with its index as "red", unresolved, as the panels always did.
#include <cstddef>
#include <cstdint>
#include <vector>

// a*b/c rounded to the nearest integer, halves away from zero; c == 0, or a
// result outside the 32-bit range, gives -1.
int MulDiv(int a, int b, int c);

// Colours of the bands 0..n (n + 1 bands; the last lies just outside an image
// n pixels high). The upper half runs from c1 towards the midpoint of c1 and
// c2, the lower half from about the midpoint of c2 and c3 to c3.
std::vector<uint32_t> CreateGradient(int n, uint32_t c1, uint32_t c2, uint32_t c3);
