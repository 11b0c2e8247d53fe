#pragma once
#include <cstdint>

// The system's rounding: a floating-point value goes to the nearest integer, halves to the even
// neighbour. Raises ERangeError for NaN, infinities and values outside the 64-bit range.
int64_t Round(double Value);

// Truncation toward zero with the same range check.
int64_t Trunc(double Value);

// Number * Numerator / Denominator over a 64-bit product, halves away from zero. Gives -1 when the
// denominator is 0 or the result does not fit in 32 bits, as callers of the platform rely on.
int MulDiv(int Number, int Numerator, int Denominator);
