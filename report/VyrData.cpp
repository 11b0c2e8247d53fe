#include "report/VyrData.h"
#include "host/controls.h"
#include "host/db.h"
#include "host/encoding.h"
#include "host/lists.h"
#include "host/mathutil.h"
#include "host/properties.h"
#include "host/streams.h"
#include "report/VyrCurr.h"
#include "report/VyrFloat.h"
#include "report/VyrUtil.h"

#include <cmath>
#include <limits>

namespace {

const QString BlobAsStringMessage = QStringLiteral("I am not allowing blob or graphic value AsString.");
const QString UnknownTypeText = QStringLiteral("Unknown type, check to see if field exists.");

[[noreturn]] void Abstract() { AbstractError(); }

void WriteUtf16(TStream& Stream, const QString& Text) {
    // QString holds UTF-16 code units; they go out little-endian whatever the machine.
    const QByteArray Bytes = StringToUtf16LE(Text, false);
    Stream.WriteBuffer(Bytes.constData(), Bytes.size());
}

void AsciiCase(QString& S, TVyrTextCase Case) {
    if (Case == tcNone) return;
    for (QChar& c : S) {
        if (Case == tcUpper && c >= u'a' && c <= u'z') c = QChar(c.unicode() - 32);
        else if (Case == tcLower && c >= u'A' && c <= u'Z') c = QChar(c.unicode() + 32);
    }
}

} // namespace

int VyrTruncToInt(double Value) {
    if (!std::isfinite(Value) || Value <= -2147483649.0 || Value >= 2147483648.0)
        throw EConvertError(QStringLiteral("%s is out of the integer range"), {FloatToStr(Value)});
    return static_cast<int>(std::trunc(Value));
}

EInvalidCast::EInvalidCast() : Exception(QStringLiteral("Invalid class typecast")) {}

// ---------------------------------------------------------------------------------------------
// TVyrData

TVyrData::TVyrData() : TVyrData(dtypeUnknown) {}

TVyrData::TVyrData(TVyrDataTypes DataType) : FDataType(DataType), FStrings(std::make_unique<TStringList>()) {}

TVyrData::~TVyrData() = default;

QString TVyrData::GetAsString() { Abstract(); }
int TVyrData::GetAsInteger() { Abstract(); }
double TVyrData::GetAsFloat() { return 0; }
Currency TVyrData::GetAsCurrency() { return Currency(); }
TDateTime TVyrData::GetAsDateTime() { Abstract(); }
bool TVyrData::GetAsBoolean() { return false; }

TStream* TVyrData::GetAsStream() {
    TMemoryStream* s = ReturnStream();
    s->Clear();
    WriteUtf16(*s, GetAsString());
    s->SetPosition(0);
    return s;
}

TStringList* TVyrData::GetAsStrings() {
    const QString Line = GetAsString();
    FStrings->Clear();
    FStrings->Add(Line);
    return FStrings.get();
}

void TVyrData::SetAsString(const QString&) { Abstract(); }
void TVyrData::SetAsInteger(int) { Abstract(); }
void TVyrData::SetAsFloat(double) { Abstract(); }
void TVyrData::SetAsCurrency(Currency) { Abstract(); }
void TVyrData::SetAsDateTime(TDateTime) { Abstract(); }
void TVyrData::SetAsBoolean(bool) { Abstract(); }
void TVyrData::SetAsStream(TStream*) { Abstract(); }
void TVyrData::SetAsStrings(TStringList*) { Abstract(); }
void TVyrData::SetValue(const void*) {}
void TVyrData::SetData(TVyrData*) {}
void TVyrData::Reset() { FIsNull = false; }

QString TVyrData::AsFormat(TVyrRootFormat* Format) { return Format->FormatAsString(this); }

TMemoryStream* TVyrData::ReturnStream() {
    if (!FReturnStream) FReturnStream = std::make_unique<TMemoryStream>();
    return FReturnStream.get();
}

// ---------------------------------------------------------------------------------------------
// TVyrString

TVyrString::TVyrString() : TVyrData(dtypeString) {
    FValueClass = Class;
}

QString TVyrString::GetAsString() { return FValueString; }
int TVyrString::GetAsInteger() { return StrToInt(FValueString); }

double TVyrString::GetAsFloat() {
    double v = 0;
    return TryStrToFloat(FValueString, v) ? v : 0;
}

Currency TVyrString::GetAsCurrency() { return Currency::FromDouble(GetAsFloat()); }
TDateTime TVyrString::GetAsDateTime() { return StrToDateTime(FValueString); }

bool TVyrString::GetAsBoolean() {
    if (FValueString.isEmpty()) return false;
    const QChar c = FValueString[0];
    return c == u'T' || c == u'Y' || c == u't' || c == u'y';
}

void TVyrString::SetAsString(const QString& Value) { FValueString = Value; }
void TVyrString::SetAsInteger(int Value) { FValueString = QString::number(Value); }
void TVyrString::SetAsFloat(double Value) { FValueString = FloatToStr(Value); }
void TVyrString::SetAsDateTime(TDateTime Value) { FValueString = DateToStr(Value); }
void TVyrString::SetAsBoolean(bool Value) { FValueString = Value ? QStringLiteral("True") : QStringLiteral("False"); }

void TVyrString::SetValue(const void* Value) {
    if (Value) FValueString = *static_cast<const QString*>(Value);
}

void TVyrString::SetData(TVyrData* Value) {
    if (!Value) throw EInvalidCast();
    // Between texts the characters are copied into the buffer this value has: a variable's current
    // and last value take each other's text at every record.
    if (auto* Other = VyrValueAs<TVyrString>(Value)) {
        TakeOver(*Other);
        return;
    }
    FValueString = Value->AsString();
    FIsNull = Value->IsNull();
}

void TVyrString::TakeOver(const TVyrString& Other) {
    if (&Other != this) AssignText(FValueString, Other.FValueString);
    FIsNull = Other.FIsNull;
}

void TVyrString::AssignValueString(QStringView Text) {
    AssignText(FValueString, Text);
}

void TVyrString::ReadField(const TField& Field) {
    Field.ReadString(FValueString);
}

void TVyrString::Reset() {
    FValueString.clear();
    FIsNull = false;
}

// ---------------------------------------------------------------------------------------------
// TVyrInteger

TVyrInteger::TVyrInteger() : TVyrData(dtypeInteger) {
    FValueClass = Class;
}

QString TVyrInteger::GetAsString() { return QString::number(FValueInteger); }

int TVyrInteger::GetAsInteger() {
    if (FValueInteger < std::numeric_limits<int32_t>::min() || FValueInteger > std::numeric_limits<int32_t>::max())
        throw EConvertError(QStringLiteral("%s is out of the integer range"), {QString::number(FValueInteger)});
    return static_cast<int>(FValueInteger);
}

double TVyrInteger::GetAsFloat() { return static_cast<double>(FValueInteger); }
Currency TVyrInteger::GetAsCurrency() { return Currency::FromInt(FValueInteger); }
bool TVyrInteger::GetAsBoolean() { return FValueInteger != 0; }
void TVyrInteger::SetAsString(const QString& Value) { FValueInteger = StrToInt(Value); }
void TVyrInteger::SetAsInteger(int Value) { FValueInteger = Value; }
void TVyrInteger::SetAsFloat(double Value) { FValueInteger = VyrTruncToInt(Value); }
void TVyrInteger::SetAsBoolean(bool Value) { FValueInteger = Value ? 1 : 0; }

void TVyrInteger::SetValue(const void* Value) {
    if (Value) FValueInteger = *static_cast<const int64_t*>(Value);
}

void TVyrInteger::SetData(TVyrData* Value) {
    if (!Value) throw EInvalidCast();
    // Between integers all 64 bits go across; other kinds give what they read as an integer.
    if (auto* Other = VyrValueAs<TVyrInteger>(Value)) {
        TakeOver(*Other);
        return;
    }
    FValueInteger = Value->AsInteger();
    FIsNull = Value->IsNull();
}

void TVyrInteger::Reset() {
    FValueInteger = 0;
    FIsNull = false;
}

// ---------------------------------------------------------------------------------------------
// TVyrDateTime

TVyrDateTime::TVyrDateTime() : TVyrData(dtypeDateTime) {
    FValueClass = Class;
}

QString TVyrDateTime::GetAsString() {
    if (FValueDateTime == 0 || FIsNull) return QString();
    return DateToStr(FValueDateTime);
}

double TVyrDateTime::GetAsFloat() { return FValueDateTime; }
TDateTime TVyrDateTime::GetAsDateTime() { return FValueDateTime; }
void TVyrDateTime::SetAsString(const QString& Value) { FValueDateTime = StrToDateTime(Value); }
void TVyrDateTime::SetAsFloat(double Value) { FValueDateTime = Value; }
void TVyrDateTime::SetAsDateTime(TDateTime Value) { FValueDateTime = Value; }

void TVyrDateTime::SetValue(const void* Value) {
    if (Value) FValueDateTime = *static_cast<const TDateTime*>(Value);
}

void TVyrDateTime::SetData(TVyrData* Value) {
    if (!Value) throw EInvalidCast();
    FValueDateTime = Value->AsDateTime();
    FIsNull = Value->IsNull();
}

void TVyrDateTime::Reset() {
    FValueDateTime = 0;
    FIsNull = false;
}

// ---------------------------------------------------------------------------------------------
// TVyrBoolean

TVyrBoolean::TVyrBoolean() : TVyrData(dtypeBoolean) {
    FValueClass = Class;
}

QString TVyrBoolean::GetAsString() { return FValueBoolean ? QStringLiteral("True") : QStringLiteral("False"); }
int TVyrBoolean::GetAsInteger() { return FValueBoolean ? 1 : 0; }
double TVyrBoolean::GetAsFloat() { return FValueBoolean ? 1.0 : 0.0; }
bool TVyrBoolean::GetAsBoolean() { return FValueBoolean; }

void TVyrBoolean::SetAsString(const QString& Value) {
    FValueBoolean = Value.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0;
}

void TVyrBoolean::SetAsInteger(int Value) { FValueBoolean = Value != 0; }
void TVyrBoolean::SetAsFloat(double Value) { FValueBoolean = Value != 0; }
void TVyrBoolean::SetAsBoolean(bool Value) { FValueBoolean = Value; }

void TVyrBoolean::SetValue(const void* Value) {
    if (Value) FValueBoolean = *static_cast<const bool*>(Value);
}

void TVyrBoolean::SetData(TVyrData* Value) {
    if (!Value) throw EInvalidCast();
    FValueBoolean = Value->AsBoolean();
    FIsNull = Value->IsNull();
}

void TVyrBoolean::Reset() {
    FValueBoolean = false;
    FIsNull = false;
}

// ---------------------------------------------------------------------------------------------
// Blob kinds

TVyrBlob::TVyrBlob() : TVyrBlob(dtypeBlob) {}

TVyrBlob::TVyrBlob(TVyrDataTypes DataType)
    : TVyrData(DataType), FValueStream(std::make_unique<TMemoryStream>()) {
    FValueClass = Class;
}

TVyrBlob::~TVyrBlob() = default;

QString TVyrBlob::GetAsString() { throw Exception(BlobAsStringMessage); }

TStream* TVyrBlob::GetAsStream() {
    FValueStream->SetPosition(0);
    return FValueStream.get();
}

void TVyrBlob::SetAsString(const QString& Value) {
    FValueStream->Clear();
    if (Value.isEmpty()) return;
    const QByteArray Bytes = StringToUtf16LE(Value, true);
    FValueStream->WriteBuffer(Bytes.constData(), Bytes.size());
}

void TVyrBlob::SetAsStream(TStream* Value) {
    // Copying a stream onto itself would empty it first.
    if (Value == FValueStream.get()) return;
    FValueStream->Clear();
    if (Value && Value->Size() > 0) FValueStream->CopyFrom(*Value, 0);
}

void TVyrBlob::SetValue(const void* Value) {
    if (Value) SetAsStream(const_cast<TStream*>(static_cast<const TStream*>(Value)));
}

void TVyrBlob::SetData(TVyrData* Value) {
    auto* Other = VyrValueAs<TVyrBlob>(Value);
    if (!Other) throw EInvalidCast();
    SetAsStream(Other->FValueStream.get());
    FIsNull = Other->IsNull();
}

void TVyrBlob::Reset() {
    FValueStream->Clear();
    FIsNull = false;
}

TVyrMemo::TVyrMemo() : TVyrBlob(dtypeMemo) {}

QString TVyrMemo::GetAsString() {
    const int64_t Size = FValueStream->Size();
    if (Size < 2) return QString();
    QString Text = Utf16LEToString(reinterpret_cast<const char*>(FValueStream->Memory()), Size / 2 * 2);
    // The mark that SetAsString writes in front is not part of the text.
    if (!Text.isEmpty() && Text[0] == QChar(0xFEFF)) Text.remove(0, 1);
    return Text;
}

TStringList* TVyrMemo::GetAsStrings() {
    FStrings->SetText(GetAsString());
    return FStrings.get();
}

void TVyrMemo::SetAsStrings(TStringList* Value) {
    FValueStream->Clear();
    if (Value) Value->SaveToStream(*FValueStream);
}

TVyrGraphic::TVyrGraphic() : TVyrBlob(dtypeGraphic) {}

TVyrUnknown::TVyrUnknown() : TVyrBlob(dtypeUnknown) {}

QString TVyrUnknown::GetAsString() { return UnknownTypeText; }

bool VyrComparesAsValues(const TVyrData* A, const TVyrData* B) {
    const TVyrData::TValueClass Class = A->ValueClass();
    return B->ValueClass() == Class &&
           (Class == TVyrData::vcString || Class == TVyrData::vcInteger || Class == TVyrData::vcBoolean);
}

bool VyrSameText(TVyrData* A, TVyrData* B) {
    // Texts, whole numbers and flags are the same text exactly when they are the same value; the
    // other kinds may give one text for two values.
    if (VyrComparesAsValues(A, B)) {
        switch (A->ValueClass()) {
        case TVyrData::vcString:
            return static_cast<TVyrString*>(A)->ValueString() == static_cast<TVyrString*>(B)->ValueString();
        case TVyrData::vcInteger:
            return static_cast<TVyrInteger*>(A)->ValueInteger() ==
                   static_cast<TVyrInteger*>(B)->ValueInteger();
        case TVyrData::vcBoolean:
            return static_cast<TVyrBoolean*>(A)->ValueBoolean() ==
                   static_cast<TVyrBoolean*>(B)->ValueBoolean();
        default:
            break;
        }
    }
    return A->AsString() == B->AsString();
}

// ---------------------------------------------------------------------------------------------
// Display formats

TVyrRootFormat::TVyrRootFormat() = default;

TVyrRootFormat::~TVyrRootFormat() = default;

void TVyrRootFormat::Assign(const TPersistent* Source) {
    const auto* From = dynamic_cast<const TVyrRootFormat*>(Source);
    if (!From) {
        TPersistent::Assign(Source);
        return;
    }
    if (From == this) return;
    Assign(*From);
}

void TVyrRootFormat::Assign(const TVyrRootFormat& Source) {
    const TVyrRootFormat* From = &Source;
    FDisplayFormat = From->FDisplayFormat;
    FTextCase = From->FTextCase;
    FFloatFormat = From->FFloatFormat;
    FWidth = From->FWidth;
    FDigits = From->FDigits;
    FSuppressNulls = From->FSuppressNulls;
    FUseCurrencyDecimals = From->FUseCurrencyDecimals;
    Changed();
}

int TVyrRootFormat::NumberDigits() const {
    if (FFloatFormat == ffCurrency && FUseCurrencyDecimals) return FormatSettings().CurrencyDecimals;
    return FDigits;
}

QString TVyrRootFormat::FormatAsString(TVyrData* Value) {
    // A text shown as it stands comes back as the value's own string rather than a copy of it.
    if (Value && Value->DataType() == dtypeString && FTextCase == tcNone && VyrEmpty(FDisplayFormat) &&
        !(FSuppressNulls && Value->IsNull()))
        return Value->AsString();
    QString Text;
    FormatInto(Value, Text);
    return Text;
}

void TVyrRootFormat::FormatInto(TVyrData* Value, QString& Into) {
    if (!Value || (FSuppressNulls && Value->IsNull())) {
        Into.truncate(0);
        return;
    }
    const bool NoPattern = VyrEmpty(FDisplayFormat);
    const bool HoursMinutes = this->HoursMinutes();
    switch (Value->DataType()) {
    case dtypeString:
        if (NoPattern)
            AssignText(Into, Value->AsString());
        else
            Into = FormatMaskText(FDisplayFormat, Value->AsString());
        break;
    case dtypeFloat:
    case dtypeInteger:
        if (NoPattern)
            FloatToStrF(Value->AsFloat(), FFloatFormat, FWidth, NumberDigits(), Into);
        else if (HoursMinutes)
            Into = VyrHoursMinutes(Value->AsFloat());
        else
            FormatFloat(FDisplayFormat, Value->AsFloat(), Into);
        break;
    case dtypeBoolean:
        if (NoPattern) {
            AssignText(Into, Value->AsString());
        } else {
            const qsizetype Semicolon = FDisplayFormat.indexOf(u';');
            if (Semicolon < 0)
                Into = Value->AsBoolean() ? FDisplayFormat.left(255) : QString();
            else
                Into = Value->AsBoolean() ? FDisplayFormat.left(Semicolon)
                                          : FDisplayFormat.mid(Semicolon + 1, 255);
        }
        break;
    case dtypeDateTime:
        if (NoPattern)
            AssignText(Into, Value->AsString());
        else
            FormatDateTime(FDisplayFormat, Value->AsDateTime(), Into);
        break;
    case dtypeCurrency:
        if (NoPattern)
            CurrToStrF(Value->AsCurrency(), FFloatFormat, NumberDigits(), Into);
        else if (HoursMinutes)
            Into = VyrHoursMinutes(Value->AsCurrency());
        else
            FormatCurr(FDisplayFormat, Value->AsCurrency(), Into);
        break;
    default:
        AssignText(Into, Value->AsString());
        break;
    }
    AsciiCase(Into, FTextCase);
}

bool TVyrRootFormat::CannotFail(TVyrData* Value) const {
    if (!Value) return true;
    if (Value->ValueClass() == TVyrData::vcOther) return false;
    if (FSuppressNulls && Value->IsNull()) return true;
    const bool HoursMinutes = this->HoursMinutes();
    switch (Value->DataType()) {
    case dtypeString:
    case dtypeBoolean:
        return true;
    case dtypeFloat:
    case dtypeInteger:
    case dtypeCurrency:
        return !HoursMinutes;
    case dtypeDateTime:
        return CanFormatDateTime(Value->AsDateTime());
    default:
        return false;
    }
}

TStream* TVyrRootFormat::FormatAsStream(TVyrData* Value) {
    if (!FReturnStream) FReturnStream = std::make_unique<TMemoryStream>();
    const QString Text = FormatAsString(Value);
    FReturnStream->Clear();
    const QByteArray Bytes = StringToUtf16LE(Text, true);
    FReturnStream->WriteBuffer(Bytes.constData(), Bytes.size());
    FReturnStream->SetPosition(0);
    return FReturnStream.get();
}

void TVyrRootFormat::SetDisplayFormat(const QString& Value) {
    if (Value == FDisplayFormat) return;
    FDisplayFormat = Value;
    Changed();
}

void TVyrRootFormat::SetTextCase(TVyrTextCase Value) {
    if (Value == FTextCase) return;
    FTextCase = Value;
    Changed();
}

void TVyrRootFormat::SetFloatFormat(TFloatFormat Value) {
    if (Value == FFloatFormat) return;
    FFloatFormat = Value;
    Changed();
}

void TVyrRootFormat::SetWidth(int Value) {
    if (Value == FWidth) return;
    FWidth = Value;
    Changed();
}

void TVyrRootFormat::SetDigits(int Value) {
    if (Value == FDigits) return;
    FDigits = Value;
    Changed();
}

void TVyrRootFormat::SetSuppressNulls(bool Value) {
    if (Value == FSuppressNulls) return;
    FSuppressNulls = Value;
    Changed();
}

void TVyrRootFormat::SetUseCurrencyDecimals(bool Value) {
    if (Value == FUseCurrencyDecimals) return;
    FUseCurrencyDecimals = Value;
    Changed();
}

void TVyrRootFormat::Changed() {
    auto* Label = dynamic_cast<TControl*>(FVyrLabel);
    // A label being read from a stored form is drawn once it is complete.
    if (Label && !Label->HasState(csLoading | csReading)) Label->Invalidate();
}

TVyrFloatFormat::TVyrFloatFormat() {
    FFloatFormat = ffNumber;
    FDigits = 2;
}

// ---------------------------------------------------------------------------------------------
// Hours and minutes

namespace {

QString HoursMinutesOf(int64_t Minutes) {
    // The sign goes in front once; the parts are printed from the magnitude.
    const bool Negative = Minutes < 0;
    const uint64_t m = Negative ? uint64_t(0) - uint64_t(Minutes) : uint64_t(Minutes);
    QString R = Negative ? QStringLiteral("-") : QString();
    R += FormatFloat(QStringLiteral("###00"), double(m / 60));
    R += u':';
    R += FormatFloat(QStringLiteral("00"), double(m % 60));
    return R;
}

} // namespace

QString VyrHoursMinutes(double Days) {
    const double Minutes = Days * 1440;
    if (!std::isfinite(Minutes) || std::fabs(Minutes) >= 9007199254740992.0)
        throw EConvertError(QStringLiteral("%s is out of range for hours and minutes"), {FloatToStr(Days)});
    return HoursMinutesOf(Round(Minutes));
}

QString VyrHoursMinutes(Currency Days) {
    // 1440 minutes a day over 10000 units: 144 / 1000, rounded halves to even.
    return HoursMinutesOf((Days * 144 / 1000).Units());
}

// ---------------------------------------------------------------------------------------------
// Values of fields

std::unique_ptr<TVyrData> VyrCreateData(TVyrDataTypes DataType) {
    switch (DataType) {
    case dtypeString:
        return std::make_unique<TVyrString>();
    case dtypeFloat:
        return std::make_unique<TVyrFloat>();
    case dtypeInteger:
        return std::make_unique<TVyrInteger>();
    case dtypeBoolean:
        return std::make_unique<TVyrBoolean>();
    case dtypeDateTime:
        return std::make_unique<TVyrDateTime>();
    case dtypeBlob:
        return std::make_unique<TVyrBlob>();
    case dtypeMemo:
        return std::make_unique<TVyrMemo>();
    case dtypeGraphic:
        return std::make_unique<TVyrGraphic>();
    case dtypeCurrency:
        return std::make_unique<TVyrCurrency>();
    case dtypeUnknown:
        break;
    }
    return std::make_unique<TVyrUnknown>();
}

TVyrDataTypes GetPimDataType(TFieldType FieldType) {
    switch (FieldType) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
    case ftFixedWideChar:
    case ftWideMemo:
        return dtypeString;
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint:
    case ftLongWord:
    case ftShortint:
    case ftByte:
        return dtypeInteger;
    case ftBoolean:
        return dtypeBoolean;
    case ftFloat:
    case ftBCD:
    case ftFMTBcd:
    case ftSingle:
        return dtypeFloat;
    case ftCurrency:
        return dtypeCurrency;
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftTimeStamp:
    case ftOraTimeStamp:
        return dtypeDateTime;
    case ftMemo:
        return dtypeMemo;
    case ftGraphic:
        return dtypeGraphic;
    case ftUnknown:
    case ftOraInterval:
    case ftExtended:
    case ftTimeStampOffset:
        return dtypeUnknown;
    default:
        return FieldType > ftSingle ? dtypeUnknown : dtypeBlob;
    }
}

namespace {

// A memo's lines as a memo control shows them: CR LF between lines, none after the last.
void ReadMemoLines(const TField& Field, TVyrData& Value) {
    TStringList Lines;
    Lines.SetText(Field.AsString());
    Value.SetAsString(Lines.ToStringList().join(QStringLiteral("\r\n")));
}

} // namespace

void VyrReadField(const TField& Field, TVyrData& Value) {
    Value.SetIsNull(false);
    const TFieldType Type = Field.DataType();
    switch (GetPimDataType(Type)) {
    case dtypeString:
        // The wide fixed and memo kinds give their plain value, without the field's text handler.
        if (Type == ftFixedWideChar || Type == ftWideMemo)
            Value.SetAsString(Field.Value().toString());
        else if (auto* Text = VyrValueAs<TVyrString>(&Value))
            Text->ReadField(Field);
        else
            Value.SetAsString(Field.AsString());
        break;
    case dtypeInteger:
        if (auto* Integer = VyrValueAs<TVyrInteger>(&Value))
            Integer->SetValueInteger(Field.AsLargeInt());
        else
            Value.SetAsInteger(Field.AsInteger());
        break;
    case dtypeBoolean:
        Value.SetAsBoolean(Field.AsBoolean());
        break;
    case dtypeCurrency:
        // Through a double, four decimals of a large amount would not come out exact.
        if (auto* Money = VyrValueAs<TVyrCurrency>(&Value)) {
            Money->SetValueCurrency(Currency::FromUnits(Field.AsCurrency()));
            break;
        }
        [[fallthrough]];
    case dtypeFloat:
        Value.SetAsFloat(Field.AsFloat());
        break;
    case dtypeDateTime:
        Value.SetAsDateTime(Field.AsDateTime());
        break;
    case dtypeMemo:
        Value.Reset();
        ReadMemoLines(Field, Value);
        break;
    case dtypeBlob:
    case dtypeGraphic:
        Value.Reset();
        Field.SaveToStream(*Value.AsStream());
        break;
    case dtypeUnknown:
        // A field of no known type empties the value; the types the report cannot show leave it.
        if (Type == ftUnknown) Value.Reset();
        break;
    }
}

// Published properties of the display formats

namespace {

const TEnumInfo& TextCaseNames() {
    static const TEnumInfo Names(QStringLiteral("TVyrTextCase"),
                                 {QStringLiteral("tcNone"), QStringLiteral("tcUpper"), QStringLiteral("tcLower")});
    return Names;
}

const TEnumInfo& FloatFormatNames() {
    static const TEnumInfo Names(QStringLiteral("TFloatFormat"),
                                 {QStringLiteral("ffGeneral"), QStringLiteral("ffExponent"), QStringLiteral("ffFixed"),
                                  QStringLiteral("ffNumber"), QStringLiteral("ffCurrency")});
    return Names;
}

[[maybe_unused]] const bool Declared = [] {
    DeclareProperties<TVyrRootFormat>()
        .String("DisplayFormat", &TVyrRootFormat::DisplayFormat, &TVyrRootFormat::SetDisplayFormat)
        .Default(QString())
        .Integer("Width", &TVyrRootFormat::Width, &TVyrRootFormat::SetWidth)
        .Default(15)
        .Enumeration("TextCase", TextCaseNames(), &TVyrRootFormat::TextCase, &TVyrRootFormat::SetTextCase)
        .Default(tcNone)
        .Boolean("SuppressNulls", &TVyrRootFormat::SuppressNulls, &TVyrRootFormat::SetSuppressNulls)
        .Default(false)
        .Boolean("UseCurrencyDecimals", &TVyrRootFormat::UseCurrencyDecimals,
                 &TVyrRootFormat::SetUseCurrencyDecimals)
        .Default(false)
        .Enumeration("FloatFormat", FloatFormatNames(), &TVyrRootFormat::FloatFormat,
                     &TVyrRootFormat::SetFloatFormat)
        .Default(ffGeneral)
        .NotPublished()
        .Integer("Digits", &TVyrRootFormat::Digits, &TVyrRootFormat::SetDigits)
        .Default(0)
        .NotPublished();
    DeclareProperties<TVyrFormat, TVyrRootFormat>().Publish("FloatFormat").Publish("Digits");
    DeclareProperties<TVyrFloatFormat, TVyrRootFormat>()
        .Publish("FloatFormat")
        .Default(ffNumber)
        .Publish("Digits")
        .Default(2);
    return true;
}();

} // namespace
