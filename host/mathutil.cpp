#include "host/mathutil.h"
#include "host/exceptions.h"

#include <cfenv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

void CheckRange(double Value) {
    // 2^63 is the first double past the int64 range; -2^63 itself still fits.
    constexpr double Limit = 9223372036854775808.0;
    if (std::isnan(Value) || Value >= Limit || Value < -Limit)
        throw ERangeError(QStringLiteral("Invalid floating point operation"));
}

} // namespace

int64_t Round(double Value) {
    CheckRange(Value);
    // nearbyint follows the rounding mode; the default one is to nearest, halves to even.
    const int Saved = std::fegetround();
    if (Saved != FE_TONEAREST) std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(Value);
    if (Saved != FE_TONEAREST) std::fesetround(Saved);
    CheckRange(r);
    return static_cast<int64_t>(r);
}

int64_t Trunc(double Value) {
    CheckRange(Value);
    return static_cast<int64_t>(std::trunc(Value));
}

int MulDiv(int Number, int Numerator, int Denominator) {
    if (Denominator == 0) return -1;
    const int64_t Product = static_cast<int64_t>(Number) * Numerator;
    const bool Negative = (Product < 0) != (Denominator < 0);
    const uint64_t p = Product < 0 ? uint64_t(0) - uint64_t(Product) : uint64_t(Product);
    const uint64_t d = Denominator < 0 ? uint64_t(0) - uint64_t(int64_t(Denominator)) : uint64_t(Denominator);
    const uint64_t q = (p + d / 2) / d;
    if (Negative) {
        if (q > uint64_t(std::numeric_limits<int>::max()) + 1) return -1;
        return static_cast<int>(-static_cast<int64_t>(q));
    }
    if (q > uint64_t(std::numeric_limits<int>::max())) return -1;
    return static_cast<int>(q);
}
