#include "report/VyrCalc.h"

template <typename T> T TVyrCalcOf<T>::GetAverage() const {
    return FCount == 0 ? T() : FSum / FCount;
}

template class TVyrCalcOf<double>;
template class TVyrCalcOf<Currency>;
