#pragma once
#include "report/VyrCalc.h"
#include "report/VyrData.h"

#include <memory>

// The currency counterpart of TVyrFloat: it accumulates exact ten-thousandths.
class TVyrCurrency : public TVyrData {
public:
    static constexpr TValueClass Class = vcCurrency;
    TVyrCurrency();
    ~TVyrCurrency() override;

    TVyrCurrCalc* Calc() const { return &FCalc; }
    TVyrTotalType TotalType() const { return FTotalType; }
    void SetTotalType(TVyrTotalType Value) { FTotalType = Value; }
    double ValueFloat() { return GetValueFloat(); }
    Currency ValueCurrency() { return GetValueCurrency(); }

    virtual double GetValueFloat();
    virtual void SetValueFloat(double Value);
    virtual Currency GetValueCurrency();
    virtual void SetValueCurrency(Currency Value);

    QString GetAsString() override;
    int GetAsInteger() override;
    double GetAsFloat() override;
    Currency GetAsCurrency() override;
    bool GetAsBoolean() override;
    void SetAsString(const QString& Value) override;
    void SetAsInteger(int Value) override;
    void SetAsFloat(double Value) override;
    void SetAsCurrency(Currency Value) override;
    void SetAsBoolean(bool Value) override;
    void SetValue(const void* Value) override;
    void SetData(TVyrData* Value) override;
    // SetData from one of its own class, inline: totals copy their accumulators at every record.
    void TakeOver(const TVyrCurrency& Other) {
        FCalc.Assign(Other.FCalc);
        FIsNull = Other.FIsNull;
    }
    // SetValue of one of its own values, inline: totals add at every record.
    void Add(Currency Value) { FCalc.NewValOwn(Value); }
    // Last takes this value over, then this one adds Value.
    void CopyToThenAdd(TVyrCurrency& Last, Currency Value) {
        Last.FIsNull = FIsNull;
        FCalc.CopyToThenAdd(Last.FCalc, Value);
    }
    void Reset() override;

private:
    mutable TVyrCurrCalc FCalc; // kept in the value: read and copied at every record
    TVyrTotalType FTotalType = ttValue;
};
