#include "report/VyrCurr.h"

TVyrCurrency::TVyrCurrency() : TVyrAccumulated<Currency>(dtypeCurrency) {
    FValueClass = Class;
}

TVyrCurrency::~TVyrCurrency() = default;

double TVyrCurrency::GetValueFloat() {
    if (FTotalType == ttCount) return FCalc.Count();
    return GetValueCurrency().ToDouble();
}

void TVyrCurrency::SetValueFloat(double Value) {
    FCalc.NewVal(Currency::FromDouble(Value));
}

Currency TVyrCurrency::GetValueCurrency() {
    return FCalc.Total(FTotalType);
}

void TVyrCurrency::SetValueCurrency(Currency Value) {
    FCalc.NewVal(Value);
}

QString TVyrCurrency::GetAsString() {
    return FloatToStr(GetValueFloat());
}
int TVyrCurrency::GetAsInteger() {
    return VyrTruncToInt(GetValueFloat());
}
double TVyrCurrency::GetAsFloat() {
    return GetValueFloat();
}
// The currency itself rather than the float times 10000: the same value without the detour
// through a double, which cannot hold every currency exactly.
Currency TVyrCurrency::GetAsCurrency() {
    return GetValueCurrency();
}
bool TVyrCurrency::GetAsBoolean() {
    return GetValueFloat() != 0;
}
void TVyrCurrency::SetAsString(const QString& Value) {
    SetValueFloat(StrToFloat(Value));
}
void TVyrCurrency::SetAsInteger(int Value) {
    SetValueFloat(Value);
}
void TVyrCurrency::SetAsFloat(double Value) {
    SetValueFloat(Value);
}
void TVyrCurrency::SetAsCurrency(Currency Value) {
    SetValueCurrency(Value);
}
void TVyrCurrency::SetAsBoolean(bool Value) {
    SetValueFloat(Value ? 1.0 : 0.0);
}

void TVyrCurrency::SetValue(const void* Value) {
    if (Value) FCalc.NewVal(*static_cast<const Currency*>(Value));
}

void TVyrCurrency::SetData(TVyrData* Value) {
    auto* Other = VyrValueAs<TVyrCurrency>(Value);
    if (!Other) throw EInvalidCast();
    TakeOver(*Other);
}
