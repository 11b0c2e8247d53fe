#pragma once
#include <compare>
#include <cstdint>

// A fixed-point money value: a 64-bit integer counting ten-thousandths. Arithmetic that would leave
// the 64-bit range raises EConvertError instead of wrapping, and so does a conversion from a double
// that is NaN, infinite or too large.
class Currency {
public:
    static constexpr int64_t Scale = 10000;

    constexpr Currency() = default;

    static constexpr Currency FromUnits(int64_t Units) {
        Currency c;
        c.FUnits = Units;
        return c;
    }
    // Value x 10000 to the nearest unit, halves to the even neighbour.
    static Currency FromDouble(double Value);
    static Currency FromInt(int64_t Value);

    constexpr int64_t Units() const { return FUnits; }
    double ToDouble() const { return static_cast<double>(FUnits) / Scale; }

    Currency operator+(Currency Other) const;
    Currency operator-(Currency Other) const;
    Currency operator-() const;
    Currency operator*(int64_t Factor) const;
    // The quotient to the nearest unit, halves to the even neighbour; a zero divisor raises.
    Currency operator/(int64_t Divisor) const;
    Currency& operator+=(Currency Other) { return *this = *this + Other; }

    constexpr auto operator<=>(const Currency&) const = default;

private:
    int64_t FUnits = 0;
};
