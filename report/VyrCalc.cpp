#include "report/VyrCalc.h"

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
