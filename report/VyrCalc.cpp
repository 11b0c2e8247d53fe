#include "report/VyrCalc.h"

template <typename T> void TVyrCalcOf<T>::NewVal(T V) {
    // A value the sum refuses is not taken at all, so the total stays consistent.
    const T Old = FValue;
    FValue = V;
    try {
        Update();
    } catch (...) {
        FValue = Old;
        throw;
    }
}

template <typename T> void TVyrCalcOf<T>::Update() {
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

template <typename T> T TVyrCalcOf<T>::GetAverage() const {
    return FCount == 0 ? T() : FSum / FCount;
}

template <typename T> T TVyrCalcOf<T>::Total(TVyrTotalType Type) const {
    switch (Type) {
    case ttSum:
        return Sum();
    case ttCount:
        if constexpr (std::is_arithmetic_v<T>)
            return T(FCount);
        else
            return T::FromInt(FCount);
    case ttMax:
        return Max();
    case ttMin:
        return Min();
    case ttAverage:
        return Average();
    case ttValue:
        break;
    }
    return Value();
}

template class TVyrCalcOf<double>;
template class TVyrCalcOf<Currency>;
