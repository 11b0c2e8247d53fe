#include "host/currency.h"
#include "host/exceptions.h"
#include "host/mathutil.h"

#include <cmath>
#include <limits>

namespace {

[[noreturn]] void Overflow() { throw EConvertError(QStringLiteral("Currency value out of range")); }

} // namespace

Currency Currency::FromDouble(double Value) {
    if (!std::isfinite(Value)) throw EConvertError(QStringLiteral("Invalid floating point value for currency"));
    const double Scaled = Value * Scale;
    // 2^63 is the first double outside the range; -2^63 itself still fits.
    constexpr double Limit = 9223372036854775808.0;
    if (Scaled >= Limit || Scaled < -Limit) Overflow();
    return FromUnits(Round(Scaled));
}

Currency Currency::FromInt(int64_t Value) {
    int64_t r;
    if (__builtin_mul_overflow(Value, Scale, &r)) Overflow();
    return FromUnits(r);
}

Currency Currency::operator+(Currency Other) const {
    int64_t r;
    if (__builtin_add_overflow(FUnits, Other.FUnits, &r)) Overflow();
    return FromUnits(r);
}

Currency Currency::operator-(Currency Other) const {
    int64_t r;
    if (__builtin_sub_overflow(FUnits, Other.FUnits, &r)) Overflow();
    return FromUnits(r);
}

Currency Currency::operator-() const {
    if (FUnits == std::numeric_limits<int64_t>::min()) Overflow();
    return FromUnits(-FUnits);
}

Currency Currency::operator*(int64_t Factor) const {
    int64_t r;
    if (__builtin_mul_overflow(FUnits, Factor, &r)) Overflow();
    return FromUnits(r);
}

Currency Currency::operator/(int64_t Divisor) const {
    if (Divisor == 0) throw EConvertError(QStringLiteral("Division by zero"));
    if (Divisor == -1) return -*this;
    int64_t q = FUnits / Divisor;
    const int64_t r = FUnits % Divisor;
    // |r| < |Divisor| <= 2^63, so twice |r| is compared without overflow as unsigned.
    const uint64_t TwiceR = 2 * (r < 0 ? uint64_t(0) - uint64_t(r) : uint64_t(r));
    const uint64_t AbsD = Divisor < 0 ? uint64_t(0) - uint64_t(Divisor) : uint64_t(Divisor);
    if (TwiceR > AbsD || (TwiceR == AbsD && (q & 1) != 0)) {
        const bool Negative = (FUnits < 0) != (Divisor < 0);
        q += Negative ? -1 : 1;
    }
    return FromUnits(q);
}
