#include "report/VyrFloat.h"

TVyrFloat::TVyrFloat() : TVyrAccumulated<double>(dtypeFloat) {
    FValueClass = Class;
}

TVyrFloat::~TVyrFloat() = default;

double TVyrFloat::GetValueFloat() {
    return FCalc.Total(FTotalType);
}

void TVyrFloat::SetValueFloat(double Value) {
    FCalc.NewVal(Value);
}

QString TVyrFloat::GetAsString() {
    return FloatToStr(GetValueFloat());
}
int TVyrFloat::GetAsInteger() {
    return VyrTruncToInt(GetValueFloat());
}
double TVyrFloat::GetAsFloat() {
    return GetValueFloat();
}
Currency TVyrFloat::GetAsCurrency() {
    return Currency::FromDouble(GetValueFloat());
}
bool TVyrFloat::GetAsBoolean() {
    return GetValueFloat() != 0;
}
void TVyrFloat::SetAsString(const QString& Value) {
    SetValueFloat(StrToFloat(Value));
}
void TVyrFloat::SetAsInteger(int Value) {
    SetValueFloat(Value);
}
void TVyrFloat::SetAsFloat(double Value) {
    SetValueFloat(Value);
}
void TVyrFloat::SetAsBoolean(bool Value) {
    SetValueFloat(Value ? 1.0 : 0.0);
}

void TVyrFloat::SetValue(const void* Value) {
    if (Value) FCalc.NewVal(*static_cast<const double*>(Value));
}

void TVyrFloat::SetData(TVyrData* Value) {
    auto* Other = VyrValueAs<TVyrFloat>(Value);
    if (!Other) throw EInvalidCast();
    TakeOver(*Other);
}
