#pragma once
#include "report/VyrFloat.h"

// The currency counterpart of TVyrFloat: it accumulates exact ten-thousandths.
class TVyrCurrency : public TVyrAccumulated<Currency> {
public:
    static constexpr TValueClass Class = vcCurrency;
    TVyrCurrency();
    ~TVyrCurrency() override;

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
};

// A total's accumulator (of either kind) reports what the total label asks for; other values keep
// theirs.
inline void VyrSetTotalType(TVyrData* Value, TVyrTotalType Type) {
    if (auto* f = VyrValueAs<TVyrFloat>(Value))
        f->SetTotalType(Type);
    else if (auto* c = VyrValueAs<TVyrCurrency>(Value))
        c->SetTotalType(Type);
}
