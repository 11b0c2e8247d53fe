#pragma once
#include "report/VyrCalc.h"
#include "report/VyrData.h"

#include <memory>

// A float value that accumulates: every write adds to its accumulator, and it reports the last
// value, the sum, count, maximum, minimum or average as its total type says.
class TVyrFloat : public TVyrData {
public:
    static constexpr TValueClass Class = vcFloat;
    TVyrFloat();
    ~TVyrFloat() override;

    TVyrCalc* Calc() const { return &FCalc; }
    TVyrTotalType TotalType() const { return FTotalType; }
    void SetTotalType(TVyrTotalType Value) { FTotalType = Value; }
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
    // SetData from one of its own class, inline: totals copy their accumulators at every record.
    void TakeOver(const TVyrFloat& Other) {
        FCalc.Assign(Other.FCalc);
        FIsNull = Other.FIsNull;
    }
    // SetValue of one of its own values, inline: totals add at every record.
    void Add(double Value) { FCalc.NewValOwn(Value); }
    // Last takes this value over, then this one adds Value.
    void CopyToThenAdd(TVyrFloat& Last, double Value) {
        Last.FIsNull = FIsNull;
        FCalc.CopyToThenAdd(Last.FCalc, Value);
    }
    void Reset() override;

private:
    mutable TVyrCalc FCalc; // kept in the value: read and copied at every record
    TVyrTotalType FTotalType = ttValue;
};
