#include "report/VyrCalc.h"

TVyrCalc::TVyrCalc() { Reset(); }

TVyrCalc::~TVyrCalc() = default;

void TVyrCalc::NewVal(double V) {
    FValue = V;
    Update();
}

void TVyrCalc::Update() {
    FSum += FValue;
    if (FCount == 0) {
        FMax = FValue;
        FMin = FValue;
    }
    if (FValue > FMax) FMax = FValue;
    if (FValue < FMin) FMin = FValue;
    ++FCount;
}

void TVyrCalc::Reset() {
    FValue = 0;
    FSum = 0;
    FMin = 0;
    FMax = 0;
    FCount = 0;
}

double TVyrCalc::GetAverage() const { return FCount == 0 ? 0 : FSum / FCount; }

void TVyrCalc::Assign(const TVyrCalc& Source) {
    FValue = Source.FValue;
    FSum = Source.FSum;
    FMin = Source.FMin;
    FMax = Source.FMax;
    FCount = Source.FCount;
}

TVyrCurrCalc::TVyrCurrCalc() { Reset(); }

TVyrCurrCalc::~TVyrCurrCalc() = default;

void TVyrCurrCalc::NewVal(Currency V) {
    FValue = V;
    Update();
}

void TVyrCurrCalc::Update() {
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

void TVyrCurrCalc::Reset() {
    FValue = Currency();
    FSum = Currency();
    FMin = Currency();
    FMax = Currency();
    FCount = 0;
}

Currency TVyrCurrCalc::GetAverage() const { return FCount == 0 ? Currency() : FSum / FCount; }

void TVyrCurrCalc::Assign(const TVyrCurrCalc& Source) {
    FValue = Source.FValue;
    FSum = Source.FSum;
    FMin = Source.FMin;
    FMax = Source.FMax;
    FCount = Source.FCount;
}
