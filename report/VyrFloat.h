#pragma once
#include "report/VyrCalc.h"
#include "report/VyrData.h"

#include <memory>

// A number value that accumulates: every write adds to its accumulator, and it reports the last
// value, the sum, count, maximum, minimum or average as its total type says. T is double or Currency.
template <class T> class TVyrAccumulated : public TVyrData {
public:
    TVyrCalcOf<T>* Calc() const { return &FCalc; }
    TVyrTotalType TotalType() const { return FTotalType; }
    void SetTotalType(TVyrTotalType Value) { FTotalType = Value; }
    // SetData from one of its own class, inline: totals copy their accumulators at every record.
    void TakeOver(const TVyrAccumulated& Other) {
        FCalc.Assign(Other.FCalc);
        FIsNull = Other.FIsNull;
    }
    // SetValue of one of its own values, inline: totals add at every record.
    void Add(T Value) { FCalc.NewValOwn(Value); }
    // Last takes this value over, then this one adds Value.
    void CopyToThenAdd(TVyrAccumulated& Last, T Value) {
        Last.FIsNull = FIsNull;
        FCalc.CopyToThenAdd(Last.FCalc, Value);
    }
    void Reset() override {
        FCalc.Reset();
        FIsNull = false;
    }

protected:
    explicit TVyrAccumulated(TVyrDataTypes DataType) : TVyrData(DataType) {}

    mutable TVyrCalcOf<T> FCalc; // kept in the value: read and copied at every record
    TVyrTotalType FTotalType = ttValue;
};

// The float kind.
class TVyrFloat : public TVyrAccumulated<double> {
public:
    static constexpr TValueClass Class = vcFloat;
    TVyrFloat();
    ~TVyrFloat() override;

    double ValueFloat() { return GetValueFloat(); }

    virtual double GetValueFloat();
    virtual void SetValueFloat(double Value);

    QString GetAsString() override;
    int GetAsInteger() override;
    double GetAsFloat() override;
    Currency GetAsCurrency() override;
    bool GetAsBoolean() override;
    void SetAsString(const QString& Value) override;
    void SetAsInteger(int Value) override;
    void SetAsFloat(double Value) override;
    void SetAsBoolean(bool Value) override;
    void SetValue(const void* Value) override;
    void SetData(TVyrData* Value) override;
};
