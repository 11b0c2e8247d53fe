#pragma once
#include "host/currency.h"

#include <cstdint>
#include <type_traits>

// What a numeric value object reports of its accumulator.
enum TVyrTotalType : uint8_t { ttSum, ttCount, ttMax, ttMin, ttAverage, ttValue };

// A running accumulator: the last value, the sum, the count, the minimum and the maximum of all values
// since the last reset. Doubles and currency accumulate alike; only the arithmetic of T differs.
template <typename T> class TVyrCalcOf {
public:
    TVyrCalcOf() { Reset(); }
    virtual ~TVyrCalcOf() = default;

    void NewVal(T V) {
        Take(V, [this] { Update(); });
    }
    // NewVal of an accumulator that is of this very class (a value's own member), inline and
    // without the virtual call: totals add at every record.
    void NewValOwn(T V) {
        Take(V, [this] { TVyrCalcOf::Update(); });
    }
    // Last takes a copy of this accumulator, then this one takes V as NewValOwn does: the fields are
    // read once for both, as totals do for every level at every record.
    void CopyToThenAdd(TVyrCalcOf& Last, T V) {
        const T Value = FValue, Sum = FSum, Min = FMin, Max = FMax;
        const int32_t Count = FCount;
        Last.FValue = Value;
        Last.FSum = Sum;
        Last.FMin = Min;
        Last.FMax = Max;
        Last.FCount = Count;
        // The sum comes first: a value it refuses leaves this accumulator as it was.
        const T NewSum = Sum + V;
        FValue = V;
        FSum = NewSum;
        FMax = Count == 0 || V > Max ? V : Max;
        FMin = Count == 0 || V < Min ? V : Min;
        FCount = Count + 1;
    }
    virtual void Update() {
        // The sum is checked first, so a refused value leaves sum, count and extremes as they were.
        FSum = FSum + FValue;
        if (FCount == 0) {
            FMax = FValue;
            FMin = FValue;
        }
        if (FValue > FMax) FMax = FValue;
        if (FValue < FMin) FMin = FValue;
        ++FCount;
    }
    void Reset() {
        FValue = T();
        FSum = T();
        FMin = T();
        FMax = T();
        FCount = 0;
    }
    // The sum over the count; for currency to the nearest unit, halves to even.
    T GetAverage() const;
    // Inline: totals copy their accumulators at every update.
    void Assign(const TVyrCalcOf& Source) {
        FValue = Source.FValue;
        FSum = Source.FSum;
        FMin = Source.FMin;
        FMax = Source.FMax;
        FCount = Source.FCount;
    }
    // What a value object of total type Type reports; the count as a value of T. Inline: labels read
    // totals and values at every record.
    T Total(TVyrTotalType Type) const {
        switch (Type) {
        case ttSum:
            return FSum;
        case ttCount:
            if constexpr (std::is_arithmetic_v<T>)
                return T(FCount);
            else
                return T::FromInt(FCount);
        case ttMax:
            return FMax;
        case ttMin:
            return FMin;
        case ttAverage:
            return GetAverage();
        case ttValue:
            break;
        }
        return FValue;
    }

    T Value() const { return FValue; }
    T Sum() const { return FSum; }
    int Count() const { return FCount; }
    T Min() const { return FMin; }
    T Max() const { return FMax; }
    T Average() const { return GetAverage(); }

private:
    template <class TUpdate> void Take(T V, TUpdate&& DoUpdate) {
        // A value the sum refuses is not taken at all, so the total stays consistent.
        const T Old = FValue;
        FValue = V;
        try {
            DoUpdate();
        } catch (...) {
            FValue = Old;
            throw;
        }
    }

    T FValue{};
    T FSum{};
    T FMin{};
    T FMax{};
    int32_t FCount = 0;
};

extern template class TVyrCalcOf<double>;
extern template class TVyrCalcOf<Currency>;

using TVyrCalc = TVyrCalcOf<double>;
// A currency sum that leaves the currency range raises EConvertError.
using TVyrCurrCalc = TVyrCalcOf<Currency>;
