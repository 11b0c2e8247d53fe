#pragma once
#include "host/currency.h"

#include <cstdint>

// What a numeric value object reports of its accumulator.
enum TVyrTotalType : uint8_t { ttSum, ttCount, ttMax, ttMin, ttAverage, ttValue };

// A running accumulator of doubles: the last value, the sum, the count, the minimum and the maximum
// of all values since the last reset.
class TVyrCalc {
public:
    TVyrCalc();
    virtual ~TVyrCalc();

    void NewVal(double V);
    virtual void Update();
    void Reset();
    double GetAverage() const;
    void Assign(const TVyrCalc& Source);

    double Value() const { return FValue; }
    double Sum() const { return FSum; }
    int Count() const { return FCount; }
    double Min() const { return FMin; }
    double Max() const { return FMax; }
    double Average() const { return GetAverage(); }

private:
    double FValue = 0;
    double FSum = 0;
    double FMin = 0;
    double FMax = 0;
    int32_t FCount = 0;
};

// The same over currency. A sum that leaves the currency range raises EConvertError.
class TVyrCurrCalc {
public:
    TVyrCurrCalc();
    virtual ~TVyrCurrCalc();

    void NewVal(Currency V);
    virtual void Update();
    void Reset();
    // The sum over the count to the nearest unit, halves to even.
    Currency GetAverage() const;
    void Assign(const TVyrCurrCalc& Source);

    Currency Value() const { return FValue; }
    Currency Sum() const { return FSum; }
    int Count() const { return FCount; }
    Currency Min() const { return FMin; }
    Currency Max() const { return FMax; }
    Currency Average() const { return GetAverage(); }

private:
    Currency FValue;
    Currency FSum;
    Currency FMin;
    Currency FMax;
    int32_t FCount = 0;
};
