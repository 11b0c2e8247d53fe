// Field types, the buffered rows of a data set, field definitions and fields with their conversions.
#include "host/db.h"
#include "host/encoding.h"
#include "host/formatting.h"
#include "host/mathutil.h"
#include "host/properties.h"
#include "host/streams.h"

#include <QDate>
#include <QDateTime>
#include <QHashFunctions>
#include <QTime>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

const QDate DateEpoch(1899, 12, 30);
constexpr int64_t MSecsPerDay = 86400000;
constexpr int64_t CurrencyScale = 10000;

[[noreturn]] void BadValue(const QVariant& Value, const QString& FieldName, TFieldType DataType) {
    throw EConvertError(QStringLiteral("'%s' is not a valid value for field '%s' of type %s"),
                        {Value.toString(), FieldName, FieldTypeName(DataType)});
}

// Dates before the epoch count their days backwards but their time of day forwards, so -1.25 is
// 29 Dec 1899, 06:00.
double EncodeDateTime(const QDate& Date, const QTime& Time) {
    const double Days = Date.isValid() ? static_cast<double>(DateEpoch.daysTo(Date)) : 0.0;
    const double Fraction =
        Time.isValid() ? static_cast<double>(Time.msecsSinceStartOfDay()) / MSecsPerDay : 0.0;
    return Days >= 0 ? Days + Fraction : Days - Fraction;
}

bool ValidDateTime(double Value) {
    return std::isfinite(Value) && std::fabs(Value) <= 3.0e6;
}

// Whole days from the epoch and the milliseconds of the day, which count forward from the date also
// before the epoch.
void SplitDateTime(double Value, int64_t& Days, int& MSecs) {
    if (!ValidDateTime(Value)) {
        throw EConvertError(QStringLiteral("Invalid date-time value %s"), {QString::number(Value)});
    }
    Days = Trunc(Value);
    int64_t Ms = Round(std::fabs(Value - static_cast<double>(Days)) * MSecsPerDay);
    if (Ms >= MSecsPerDay) {
        Ms = 0;
        Days += Value >= 0 ? 1 : -1;
    }
    MSecs = static_cast<int>(Ms);
}

void DecodeDateTime(double Value, QDate& Date, QTime& Time) {
    int64_t Days;
    int MSecs;
    SplitDateTime(Value, Days, MSecs);
    Date = DateEpoch.addDays(Days);
    Time = QTime::fromMSecsSinceStartOfDay(MSecs);
}

bool ReadDigits(QStringView Text, qsizetype At, int Count, int& Value) {
    if (At + Count > Text.size()) return false;
    Value = 0;
    for (qsizetype i = At; i < At + Count; ++i) {
        const char16_t c = Text[i].unicode();
        if (c < u'0' || c > u'9') return false;
        Value = Value * 10 + (c - u'0');
    }
    return true;
}

// ISO 8601 dates, times and date-times without a zone are read by hand: going through QDateTime
// asks the C library for the local time zone on every value, which costs a file lookup each.
// Text with a zone is converted to local time.
bool ParseIsoDateTime(const QString& Source, double& Result) {
    const QStringView Text = QStringView(Source).trimmed();
    int Year = 1899, Month = 12, Day = 30, Hour = 0, Minute = 0, Second = 0, MSec = 0;
    qsizetype p = 0;
    const bool HasDate = Text.size() >= 10 && Text[4] == u'-' && Text[7] == u'-';
    if (HasDate) {
        if (!ReadDigits(Text, 0, 4, Year) || !ReadDigits(Text, 5, 2, Month) || !ReadDigits(Text, 8, 2, Day))
            return false;
        p = 10;
        if (p < Text.size()) {
            if (Text[p] != u' ' && Text[p] != u'T') return false;
            ++p;
        }
    }
    if (p < Text.size() || !HasDate) {
        if (!ReadDigits(Text, p, 2, Hour) || p + 2 >= Text.size() || Text[p + 2] != u':' ||
            !ReadDigits(Text, p + 3, 2, Minute))
            return false;
        p += 5;
        if (p < Text.size() && Text[p] == u':') {
            if (!ReadDigits(Text, p + 1, 2, Second)) return false;
            p += 3;
            if (p < Text.size() && (Text[p] == u'.' || Text[p] == u',')) {
                int Scale = 100;
                for (++p; p < Text.size() && Text[p].isDigit(); ++p, Scale /= 10)
                    MSec += (Text[p].unicode() - u'0') * Scale;
            }
        }
        if (p < Text.size()) {
            if (!HasDate) return false;
            QString Iso = Source.trimmed();
            Iso[10] = u'T';
            const QDateTime dt = QDateTime::fromString(Iso, Qt::ISODateWithMs);
            if (!dt.isValid()) return false;
            const QDateTime Local = dt.toLocalTime();
            Result = EncodeDateTime(Local.date(), Local.time());
            return true;
        }
    }
    const QDate Date(Year, Month, Day);
    const QTime Time(Hour, Minute, Second, MSec);
    if (!Date.isValid() || !Time.isValid()) return false;
    Result = EncodeDateTime(Date, Time);
    return true;
}

// Exact decimal text to 1/10000, halves to even beyond the fourth decimal.
bool ParseCurrency(const QString& Source, int64_t& Result) {
    const QString Text = Source.trimmed();
    qsizetype i = 0;
    bool Negative = false;
    if (i < Text.size() && (Text[i] == u'-' || Text[i] == u'+')) Negative = Text[i++] == u'-';
    __int128 Whole = 0;
    int Digits = 0, Decimals = 0;
    int Beyond = -1; // first digit past the fourth decimal
    bool Sticky = false;
    bool Point = false;
    for (; i < Text.size(); ++i) {
        const QChar c = Text[i];
        if (c == u'.' && !Point) {
            Point = true;
            continue;
        }
        if (c < u'0' || c > u'9') return false;
        const int d = c.unicode() - u'0';
        ++Digits;
        if (Point && Decimals >= 4) {
            if (Beyond < 0)
                Beyond = d;
            else if (d != 0)
                Sticky = true;
            continue;
        }
        if (Point) ++Decimals;
        Whole = Whole * 10 + d;
        if (Whole > (static_cast<__int128>(1) << 80)) return false;
    }
    if (Digits == 0) return false;
    for (; Decimals < 4; ++Decimals)
        Whole *= 10;
    if (Beyond > 5 || (Beyond == 5 && (Sticky || (Whole & 1)))) ++Whole;
    if (Negative) Whole = -Whole;
    if (Whole > std::numeric_limits<int64_t>::max() || Whole < std::numeric_limits<int64_t>::min())
        return false;
    Result = static_cast<int64_t>(Whole);
    return true;
}

bool ParseBoolean(const QString& Source, bool& Result) {
    const QString Text = Source.trimmed().toLower();
    if (Text == u"true" || Text == u"t" || Text == u"yes" || Text == u"y" || Text == u"1" || Text == u"-1") {
        Result = true;
        return true;
    }
    if (Text == u"false" || Text == u"f" || Text == u"no" || Text == u"n" || Text == u"0") {
        Result = false;
        return true;
    }
    return false;
}

int64_t CheckedCurrency(int64_t Whole, const QString& FieldName) {
    int64_t Result;
    if (__builtin_mul_overflow(Whole, CurrencyScale, &Result)) {
        throw EConvertError(QStringLiteral("Value %s is out of range for field '%s'"),
                            {QString::number(Whole), FieldName});
    }
    return Result;
}

int64_t DoubleToCurrency(double Value, const QString& FieldName) {
    const double Scaled = Value * CurrencyScale;
    if (!std::isfinite(Scaled) || std::fabs(Scaled) >= 9.2e18) {
        throw EConvertError(QStringLiteral("Value %s is out of range for field '%s'"),
                            {QString::number(Value), FieldName});
    }
    return Round(Scaled);
}

int64_t DoubleToWhole(double Value, const QString& FieldName) {
    if (!std::isfinite(Value) || std::fabs(Value) >= 9.2e18) {
        throw EConvertError(QStringLiteral("Value %s is out of range for field '%s'"),
                            {QString::number(Value), FieldName});
    }
    return Round(Value);
}

// Currency to whole units, halves to even.
int64_t CurrencyToWhole(int64_t Value) {
    int64_t q = Value / CurrencyScale;
    const int64_t r = Value % CurrencyScale;
    const int64_t Twice = 2 * (r < 0 ? -r : r);
    if (Twice > CurrencyScale || (Twice == CurrencyScale && (q & 1))) q += r < 0 ? -1 : 1;
    return q;
}

QString CurrencyToText(int64_t Value) {
    const bool Negative = Value < 0;
    const uint64_t Abs = Negative ? 0 - static_cast<uint64_t>(Value) : static_cast<uint64_t>(Value);
    QString Text = QString::number(Abs / CurrencyScale);
    uint64_t Fraction = Abs % CurrencyScale;
    if (Fraction != 0) {
        QString Digits = QString::number(Fraction).rightJustified(4, u'0');
        while (Digits.endsWith(u'0'))
            Digits.chop(1);
        Text += u'.' + Digits;
    }
    return Negative ? u'-' + Text : Text;
}

QString FloatToText(double Value) {
    return QString::number(Value, 'g', 15);
}

// yyyy-MM-dd, HH:mm:ss and .zzz when there are milliseconds, as ISO writes them. The years 1 to
// 9999 are written here digit by digit; the others, which the calendar numbers differently around
// year 0, go through QDate.
QString DateTimeToText(TFieldType DataType, double Value) {
    int64_t Days;
    int MSecs;
    SplitDateTime(Value, Days, MSecs);
    int Year, Month, Day;
    DecodeDayNumber(Days, Year, Month, Day);
    if (Year < 1 || Year > 9999) {
        const QDate d = DateEpoch.addDays(Days);
        const QTime t = QTime::fromMSecsSinceStartOfDay(MSecs);
        const QString TimeFormat =
            t.msec() != 0 ? QStringLiteral("HH:mm:ss.zzz") : QStringLiteral("HH:mm:ss");
        if (DataType == ftDate) return d.toString(QStringLiteral("yyyy-MM-dd"));
        if (DataType == ftTime) return t.toString(TimeFormat);
        return d.toString(QStringLiteral("yyyy-MM-dd")) + u' ' + t.toString(TimeFormat);
    }
    char Text[24];
    char* p = Text;
    auto Put = [&p](int Number, int Digits) {
        for (int i = Digits - 1; i >= 0; --i, Number /= 10)
            p[i] = char('0' + Number % 10);
        p += Digits;
    };
    if (DataType != ftTime) {
        Put(Year, 4);
        *p++ = '-';
        Put(Month, 2);
        *p++ = '-';
        Put(Day, 2);
        if (DataType == ftDate) return QString::fromLatin1(Text, p - Text);
        *p++ = ' ';
    }
    Put(MSecs / 3600000, 2);
    *p++ = ':';
    Put(MSecs / 60000 % 60, 2);
    *p++ = ':';
    Put(MSecs / 1000 % 60, 2);
    if (MSecs % 1000 != 0) {
        *p++ = '.';
        Put(MSecs % 1000, 3);
    }
    return QString::fromLatin1(Text, p - Text);
}

// The text of a number, date-time or Boolean cell; blobs give their kind in brackets, in capitals
// when they hold something.
QString CellText(TFieldType DataType, bool Null, int64_t Int, double Float) {
    if (IsBlobType(DataType)) {
        const char* Kind =
            DataType == ftGraphic ? "graphic"
            : DataType == ftMemo || DataType == ftWideMemo || DataType == ftFmtMemo || DataType == ftOraClob
                ? "memo"
                : "blob";
        QString Text = u'(' + QString::fromLatin1(Kind) + u')';
        return Null ? Text : Text.toUpper();
    }
    if (Null) return QString();
    if (StoreKindOf(DataType) == skInteger) {
        if (DataType == ftBoolean) return Int ? QStringLiteral("True") : QStringLiteral("False");
        if (DataType == ftCurrency) return CurrencyToText(Int);
        return QString::number(Int);
    }
    if (IsDateTimeType(DataType)) return DateTimeToText(DataType, Float);
    return FloatToText(Float);
}

bool IsWholeType(int Id) {
    switch (Id) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Long:
        return true;
    default:
        return false;
    }
}

bool IsTextType(int Id) {
    return Id == QMetaType::QString || Id == QMetaType::QByteArray;
}

QString VariantText(const QVariant& Value) {
    return Value.typeId() == QMetaType::QByteArray ? QString::fromUtf8(Value.toByteArray())
                                                   : Value.toString();
}

int64_t VariantToWhole(const QVariant& Value, TFieldType DataType, const QString& FieldName) {
    const int Id = Value.typeId();
    if (Id == QMetaType::Bool) return Value.toBool() ? 1 : 0;
    if (IsWholeType(Id)) return Value.toLongLong();
    if (Id == QMetaType::ULongLong || Id == QMetaType::ULong) {
        const qulonglong u = Value.toULongLong();
        if (u > static_cast<qulonglong>(std::numeric_limits<int64_t>::max()))
            BadValue(Value, FieldName, DataType);
        return static_cast<int64_t>(u);
    }
    if (Id == QMetaType::Double || Id == QMetaType::Float) return DoubleToWhole(Value.toDouble(), FieldName);
    if (IsTextType(Id)) {
        const QString Text = VariantText(Value).trimmed();
        bool Ok = false;
        const qlonglong n = Text.toLongLong(&Ok);
        if (Ok) return n;
        const double d = Text.toDouble(&Ok);
        if (Ok) return DoubleToWhole(d, FieldName);
    }
    BadValue(Value, FieldName, DataType);
}

double VariantToDouble(const QVariant& Value, TFieldType DataType, const QString& FieldName) {
    const int Id = Value.typeId();
    if (Id == QMetaType::Double || Id == QMetaType::Float || IsWholeType(Id) || Id == QMetaType::ULongLong)
        return Value.toDouble();
    if (IsTextType(Id)) {
        bool Ok = false;
        const double d = VariantText(Value).trimmed().toDouble(&Ok);
        if (Ok) return d;
    }
    BadValue(Value, FieldName, DataType);
}

double VariantToDateTime(const QVariant& Value, TFieldType DataType, const QString& FieldName) {
    switch (Value.typeId()) {
    case QMetaType::QDate:
        return EncodeDateTime(Value.toDate(), QTime(0, 0));
    case QMetaType::QTime:
        return EncodeDateTime(DateEpoch, Value.toTime());
    case QMetaType::QDateTime: {
        QDateTime dt = Value.toDateTime();
        if (!dt.isValid()) BadValue(Value, FieldName, DataType);
        if (dt.timeSpec() != Qt::LocalTime) dt = dt.toLocalTime();
        return EncodeDateTime(dt.date(), dt.time());
    }
    case QMetaType::Double:
    case QMetaType::Float:
        return Value.toDouble();
    default:
        break;
    }
    double Result = 0;
    if (IsTextType(Value.typeId()) && ParseIsoDateTime(VariantText(Value), Result)) return Result;
    BadValue(Value, FieldName, DataType);
}

} // namespace

// ---- field types

TStoreKind StoreKindOf(TFieldType DataType) {
    switch (DataType) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftBoolean:
    case ftCurrency:
    case ftAutoInc:
    case ftLargeint:
    case ftLongWord:
    case ftShortint:
    case ftByte:
        return skInteger;
    case ftFloat:
    case ftBCD:
    case ftFMTBcd:
    case ftSingle:
    case ftExtended:
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftTimeStamp:
    case ftOraTimeStamp:
    case ftTimeStampOffset:
        return skFloat;
    case ftUnknown:
    case ftString:
    case ftFixedChar:
    case ftWideString:
    case ftFixedWideChar:
    case ftMemo:
    case ftWideMemo:
    case ftFmtMemo:
    case ftOraClob:
    case ftGuid:
    case ftVariant:
    case ftOraInterval:
        return skText;
    default:
        return skBytes;
    }
}

bool IsDateTimeType(TFieldType DataType) {
    switch (DataType) {
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftTimeStamp:
    case ftOraTimeStamp:
    case ftTimeStampOffset:
        return true;
    default:
        return false;
    }
}

bool IsBlobType(TFieldType DataType) {
    switch (DataType) {
    case ftBlob:
    case ftMemo:
    case ftGraphic:
    case ftFmtMemo:
    case ftOleObject:
    case ftOleEmbedded:
    case ftTypedBinary:
    case ftOraBlob:
    case ftOraClob:
    case ftWideMemo:
        return true;
    default:
        return false;
    }
}

QString FieldTypeName(TFieldType DataType) {
    static const char* const Names[] = {
        "Unknown",    "String",          "Smallint",      "Integer",     "Word",         "Boolean",
        "Float",      "Currency",        "BCD",           "Date",        "Time",         "DateTime",
        "Bytes",      "VarBytes",        "AutoInc",       "Blob",        "Memo",         "Graphic",
        "FmtMemo",    "OleObject",       "OleEmbedded",   "TypedBinary", "Cursor",       "FixedChar",
        "WideString", "Largeint",        "ADT",           "Array",       "Reference",    "DataSet",
        "OraBlob",    "OraClob",         "Variant",       "Interface",   "IDispatch",    "Guid",
        "TimeStamp",  "FMTBcd",          "FixedWideChar", "WideMemo",    "OraTimeStamp", "OraInterval",
        "LongWord",   "Shortint",        "Byte",          "Extended",    "Connection",   "Params",
        "Stream",     "TimeStampOffset", "Object",        "Single",
    };
    static_assert(std::size(Names) == ftSingle + 1);
    return DataType <= ftSingle ? QString::fromLatin1(Names[DataType]) : QString::number(DataType);
}

int DefaultDisplayWidth(TFieldType DataType, int Size) {
    switch (DataType) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
    case ftFixedWideChar:
        // A text column of no declared length would show in no room at all.
        return Size > 0 ? Size : 10;
    case ftSmallint:
        return 6;
    case ftInteger:
    case ftAutoInc:
        return 11;
    case ftWord:
        return 5;
    case ftLargeint:
        return 15;
    case ftBoolean:
        return 5;
    case ftDateTime:
    case ftTimeStamp:
        return 18;
    default:
        return 10;
    }
}

TFieldClass FieldClassOf(TFieldType DataType) {
    switch (DataType) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
    case ftFixedWideChar:
        return fcString;
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
        return fcInteger;
    case ftFloat:
        return fcFloat;
    case ftCurrency:
        return fcCurrency;
    case ftBoolean:
        return fcBoolean;
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftTimeStamp:
        return fcDateTime;
    case ftMemo:
    case ftFmtMemo:
    case ftWideMemo:
        return fcMemo;
    default:
        return fcOther;
    }
}

TAlignment DefaultAlignment(TFieldType DataType) {
    switch (DataType) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint:
    case ftLongWord:
    case ftShortint:
    case ftByte:
    case ftFloat:
    case ftSingle:
    case ftExtended:
    case ftCurrency:
    case ftBCD:
    case ftFMTBcd:
        return TAlignment::taRightJustify;
    default:
        return TAlignment::taLeftJustify;
    }
}

// ---- TPackedInts

namespace {

bool FitsIn(int64_t Value, int Shift) {
    switch (Shift) {
    case 0:
        return Value >= INT8_MIN && Value <= INT8_MAX;
    case 1:
        return Value >= INT16_MIN && Value <= INT16_MAX;
    case 2:
        return Value >= INT32_MIN && Value <= INT32_MAX;
    default:
        return true;
    }
}

void StoreAs(uint8_t* p, int Shift, int64_t Value) {
    switch (Shift) {
    case 0:
        *p = static_cast<uint8_t>(Value);
        break;
    case 1: {
        const auto v = static_cast<int16_t>(Value);
        std::memcpy(p, &v, sizeof v);
        break;
    }
    case 2: {
        const auto v = static_cast<int32_t>(Value);
        std::memcpy(p, &v, sizeof v);
        break;
    }
    default:
        std::memcpy(p, &Value, sizeof Value);
        break;
    }
}

} // namespace

void TPackedInts::PushBack(int64_t Value) {
    if (!FitsIn(Value, FShift)) {
        int Shift = FShift + 1;
        while (!FitsIn(Value, Shift))
            ++Shift;
        Widen(Shift);
    }
    const size_t At = static_cast<size_t>(FSize) << FShift;
    FData.resize(At + (size_t(1) << FShift));
    StoreAs(FData.data() + At, FShift, Value);
    ++FSize;
}

void TPackedInts::Truncate(int64_t NewSize) {
    if (NewSize >= FSize) return;
    FSize = NewSize;
    FData.resize(static_cast<size_t>(NewSize) << FShift);
}

void TPackedInts::Widen(int Shift) {
    std::vector<uint8_t> Wider(static_cast<size_t>(FSize) << Shift);
    for (int64_t i = 0; i < FSize; ++i)
        StoreAs(Wider.data() + (static_cast<size_t>(i) << Shift), Shift, (*this)[i]);
    FData.swap(Wider);
    FShift = Shift;
}

// ---- TRowStore

namespace {

// Different values a text column keeps by number at most when they are more than an eighth of
// its rows; past that, each row keeps its own text.
constexpr size_t CodedValuesFree = 4096;
constexpr size_t RowsPerCodedValue = 8;

// A double that a whole number gives back exactly; -0 and the fractions are not.
bool IsWhole(double Value) {
    return std::fabs(Value) < 9007199254740992.0 && Value == std::trunc(Value) &&
           !(Value == 0 && std::signbit(Value));
}

QString EmptyText() {
    return QString(0, Qt::Uninitialized);
}

} // namespace

void TRowStore::NewColumn(TColumn& C, TStoreKind Kind) {
    C = TColumn();
    C.Kind = Kind;
    C.Coded = Kind == skText;
    if (C.Coded) C.Slots.assign(64, 0);
}

void TRowStore::Reset(const std::vector<TStoreKind>& Kinds) {
    FColumns.clear();
    FColumns.resize(Kinds.size());
    for (size_t i = 0; i < Kinds.size(); ++i)
        NewColumn(FColumns[i], Kinds[i]);
    FRows = 0;
}

void TRowStore::Clear() {
    for (TColumn& C : FColumns)
        NewColumn(C, C.Kind);
    FRows = 0;
}

void TRowStore::AppendNull(int Index) {
    TColumn& C = Col(Index);
    switch (C.Kind) {
    case skInteger:
        C.Ints.PushBack(0);
        break;
    case skFloat:
        if (C.Floats.empty())
            C.Ints.PushBack(0);
        else
            C.Floats.push_back(0);
        break;
    default:
        if (C.Coded)
            C.Codes.PushBack(0);
        else
            C.Ends.PushBack(static_cast<int64_t>(C.Arena.size()));
        break;
    }
    C.Nulls.push_back(true);
}

void TRowStore::AppendInt(int Index, int64_t Value) {
    TColumn& C = Col(Index);
    C.Ints.PushBack(Value);
    C.Nulls.push_back(false);
}

void TRowStore::AppendFloat(int Index, double Value) {
    TColumn& C = Col(Index);
    if (C.Floats.empty()) {
        if (IsWhole(Value)) {
            C.Ints.PushBack(static_cast<int64_t>(Value));
            C.Nulls.push_back(false);
            return;
        }
        // The first fraction: the column keeps doubles from now on.
        C.Floats.reserve(static_cast<size_t>(C.Ints.Size()) + 1);
        for (int64_t i = 0; i < C.Ints.Size(); ++i)
            C.Floats.push_back(static_cast<double>(C.Ints[i]));
        C.Ints = TPackedInts();
    }
    C.Floats.push_back(Value);
    C.Nulls.push_back(false);
}

void TRowStore::AppendRun(TColumn& C, const char* Data, size_t Size) {
    C.Arena.insert(C.Arena.end(), Data, Data + Size);
    C.Ends.PushBack(static_cast<int64_t>(C.Arena.size()));
    C.Nulls.push_back(false);
}

void TRowStore::AppendPlainText(TColumn& C, QStringView Value) {
    const size_t At = C.Arena.size();
    const qsizetype n = Value.size();
    if (!C.Wide) {
        C.Arena.resize(At + static_cast<size_t>(n));
        char* To = C.Arena.data() + At;
        const char16_t* From = Value.utf16();
        qsizetype i = 0;
        for (; i < n && From[i] < 0x100; ++i)
            To[i] = static_cast<char>(From[i]);
        if (i < n) {
            // The first character beyond Latin-1: the column keeps UTF-16 from now on.
            C.Arena.resize(At);
            WidenArena(C);
        }
    }
    if (C.Wide) {
        const auto* From = reinterpret_cast<const char*>(Value.utf16());
        C.Arena.insert(C.Arena.end(), From, From + n * qsizetype(sizeof(char16_t)));
    }
    C.Ends.PushBack(static_cast<int64_t>(C.Arena.size()));
}

void TRowStore::WidenArena(TColumn& C) {
    std::vector<char> Wide(C.Arena.size() * 2);
    for (size_t i = 0; i < C.Arena.size(); ++i) {
        const char16_t Unit = static_cast<uint8_t>(C.Arena[i]);
        std::memcpy(Wide.data() + 2 * i, &Unit, sizeof Unit);
    }
    C.Arena.swap(Wide);
    TPackedInts Ends;
    for (int64_t i = 0; i < C.Ends.Size(); ++i)
        Ends.PushBack(2 * C.Ends[i]);
    C.Ends = std::move(Ends);
    C.Wide = true;
}

void TRowStore::Rehash(TColumn& C, size_t Size) {
    C.Slots.assign(Size, 0);
    const size_t Mask = Size - 1;
    for (size_t Code = 0; Code < C.Values.size(); ++Code) {
        size_t i = qHash(QStringView(C.Values[Code]), 0) & Mask;
        while (C.Slots[i] != 0)
            i = (i + 1) & Mask;
        C.Slots[i] = static_cast<uint32_t>(Code + 1);
    }
}

int64_t TRowStore::CodeOf(TColumn& C, const QString& Value) {
    // Rows often repeat the text of the row before.
    if (C.LastCode >= 0 && C.Values[static_cast<size_t>(C.LastCode)] == Value) return C.LastCode;
    const size_t Mask = C.Slots.size() - 1;
    size_t i = qHash(QStringView(Value), 0) & Mask;
    for (; C.Slots[i] != 0; i = (i + 1) & Mask) {
        const size_t Code = C.Slots[i] - 1;
        if (C.Values[Code] == Value) return C.LastCode = static_cast<int64_t>(Code);
    }
    if (C.Values.size() >= CodedValuesFree && C.Values.size() * RowsPerCodedValue > C.Nulls.size()) {
        Uncode(C);
        return -1;
    }
    // A copy of its own, no larger than the text, rather than a share of what the caller had.
    C.Values.push_back(Value.isEmpty() ? EmptyText() : QString(Value.constData(), Value.size()));
    C.Slots[i] = static_cast<uint32_t>(C.Values.size());
    if (C.Values.size() * 2 > C.Slots.size()) Rehash(C, C.Slots.size() * 2);
    return C.LastCode = static_cast<int64_t>(C.Values.size() - 1);
}

void TRowStore::Uncode(TColumn& C) {
    C.Coded = false;
    for (int64_t r = 0; r < C.Codes.Size(); ++r) {
        if (C.Nulls[static_cast<size_t>(r)])
            C.Ends.PushBack(static_cast<int64_t>(C.Arena.size()));
        else
            AppendPlainText(C, C.Values[static_cast<size_t>(C.Codes[r])]);
    }
    C.Codes = TPackedInts();
    std::vector<QString>().swap(C.Values);
    std::vector<uint32_t>().swap(C.Slots);
    C.LastCode = -1;
}

void TRowStore::AppendText(int Index, const QString& Value) {
    TColumn& C = Col(Index);
    if (C.Kind != skText) {
        AppendRun(C, reinterpret_cast<const char*>(Value.constData()),
                  static_cast<size_t>(Value.size()) * sizeof(QChar));
        return;
    }
    if (C.Coded) {
        const int64_t Code = CodeOf(C, Value);
        if (Code >= 0) {
            C.Codes.PushBack(Code);
            C.Nulls.push_back(false);
            return;
        }
    }
    AppendPlainText(C, Value);
    C.Nulls.push_back(false);
}

void TRowStore::AppendBytes(int Index, const QByteArray& Value) {
    AppendRun(Col(Index), Value.constData(), static_cast<size_t>(Value.size()));
}

void TRowStore::EndRow() {
    const size_t Expected = static_cast<size_t>(FRows) + 1;
    for (const TColumn& C : FColumns) {
        if (C.Nulls.size() != Expected)
            throw EDatabaseError(QStringLiteral("Incomplete row in record buffer"));
    }
    ++FRows;
}

void TRowStore::AbandonRow() {
    const size_t Keep = static_cast<size_t>(FRows);
    for (TColumn& C : FColumns) {
        if (C.Nulls.size() <= Keep) continue;
        C.Nulls.resize(Keep);
        C.Ints.Truncate(FRows);
        if (C.Floats.size() > Keep) C.Floats.resize(Keep);
        C.Codes.Truncate(FRows);
        if (C.Ends.Size() > FRows) {
            C.Ends.Truncate(FRows);
            C.Arena.resize(Keep == 0 ? 0 : static_cast<size_t>(C.Ends[FRows - 1]));
        }
    }
}

void TRowStore::ReadText(int64_t Row, int Index, QString& Into) const {
    const TColumn& C = Col(Index);
    if (C.Coded) {
        AssignText(Into, C.Values[static_cast<size_t>(C.Codes[Row])]);
        return;
    }
    const int64_t Begin = Row == 0 ? 0 : C.Ends[Row - 1];
    const int64_t End = C.Ends[Row];
    const char* From = C.Arena.data() + Begin;
    if (C.Wide || C.Kind != skText)
        AssignText(Into, QStringView(reinterpret_cast<const QChar*>(From),
                                     static_cast<qsizetype>((End - Begin) / 2)));
    else
        AssignText(Into, QLatin1StringView(From, static_cast<qsizetype>(End - Begin)));
}

QString TRowStore::Text(int64_t Row, int Index) const {
    // A repeated text is shared rather than copied.
    const TColumn& C = Col(Index);
    if (C.Coded) return C.Values[static_cast<size_t>(C.Codes[Row])];
    QString Result;
    ReadText(Row, Index, Result);
    return Result;
}

QByteArray TRowStore::Bytes(int64_t Row, int Index) const {
    const TColumn& C = Col(Index);
    const int64_t Begin = Row == 0 ? 0 : C.Ends[Row - 1];
    const int64_t End = C.Ends[Row];
    return QByteArray(C.Arena.data() + Begin, static_cast<qsizetype>(End - Begin));
}

size_t TRowStore::MemoryUsed() const {
    size_t Total = 0;
    for (const TColumn& C : FColumns) {
        Total += C.Ints.MemoryUsed() + C.Floats.capacity() * sizeof(double) + C.Codes.MemoryUsed() +
                 C.Slots.capacity() * sizeof(uint32_t) + C.Arena.capacity() + C.Ends.MemoryUsed() +
                 C.Nulls.capacity() / 8;
        for (const QString& Value : C.Values)
            Total += sizeof(QString) + static_cast<size_t>(Value.capacity()) * sizeof(QChar);
    }
    return Total;
}

void StoreVariant(TRowStore& Store, int Col, TFieldType DataType, const QVariant& Value,
                  const QString& FieldName) {
    if (!Value.isValid() || Value.isNull()) {
        Store.AppendNull(Col);
        return;
    }
    switch (StoreKindOf(DataType)) {
    case skInteger:
        if (DataType == ftBoolean) {
            bool b = false;
            if (Value.typeId() == QMetaType::Bool)
                b = Value.toBool();
            else if (IsTextType(Value.typeId())) {
                if (!ParseBoolean(VariantText(Value), b)) BadValue(Value, FieldName, DataType);
            } else
                b = VariantToWhole(Value, DataType, FieldName) != 0;
            Store.AppendInt(Col, b ? 1 : 0);
        } else if (DataType == ftCurrency) {
            const int Id = Value.typeId();
            int64_t c = 0;
            if (Id == QMetaType::Double || Id == QMetaType::Float)
                c = DoubleToCurrency(Value.toDouble(), FieldName);
            else if (IsTextType(Id)) {
                if (!ParseCurrency(VariantText(Value), c)) {
                    bool Ok = false;
                    const double d = VariantText(Value).trimmed().toDouble(&Ok);
                    if (!Ok) BadValue(Value, FieldName, DataType);
                    c = DoubleToCurrency(d, FieldName);
                }
            } else
                c = CheckedCurrency(VariantToWhole(Value, DataType, FieldName), FieldName);
            Store.AppendInt(Col, c);
        } else {
            Store.AppendInt(Col, VariantToWhole(Value, DataType, FieldName));
        }
        break;
    case skFloat:
        Store.AppendFloat(Col, IsDateTimeType(DataType) ? VariantToDateTime(Value, DataType, FieldName)
                                                        : VariantToDouble(Value, DataType, FieldName));
        break;
    case skText:
        if (Value.typeId() == QMetaType::QDate || Value.typeId() == QMetaType::QDateTime ||
            Value.typeId() == QMetaType::QTime)
            Store.AppendText(Col, Value.toString());
        else
            Store.AppendText(Col, VariantText(Value));
        break;
    case skBytes:
        Store.AppendBytes(Col, Value.typeId() == QMetaType::QString ? Value.toString().toUtf8()
                                                                    : Value.toByteArray());
        break;
    }
}

// ---- TFieldDefs

TFieldDef& TFieldDefs::Items(int Index) const {
    if (Index < 0 || Index >= Count())
        throw EListError(QStringLiteral("List index out of bounds (%d)"), {QString::number(Index)});
    return *FItems[static_cast<size_t>(Index)];
}

TFieldDef& TFieldDefs::Add(const QString& Name, TFieldType DataType, int Size, bool Required) {
    QString Unique = Name;
    for (int n = 1; IndexOf(Unique) >= 0; ++n)
        Unique = Name + u'_' + QString::number(n);
    FItems.push_back(std::make_unique<TFieldDef>(Unique, DataType, Size, Required, Count() + 1));
    ++FVersion;
    return *FItems.back();
}

int TFieldDefs::IndexOf(const QString& Name) const {
    for (int i = 0; i < Count(); ++i) {
        if (FItems[static_cast<size_t>(i)]->Name().compare(Name, Qt::CaseInsensitive) == 0) return i;
    }
    return -1;
}

TFieldDef* TFieldDefs::Find(const QString& Name) const {
    const int i = IndexOf(Name);
    return i < 0 ? nullptr : FItems[static_cast<size_t>(i)].get();
}

void TFieldDefs::Clear() {
    FItems.clear();
    ++FVersion;
}

// ---- TField

TField::TField(TDataSet* DataSet, const TFieldDef& Def, int Index)
    : FDataSet(DataSet), FFieldName(Def.Name()), FDataType(Def.DataType()), FSize(Def.Size()), FIndex(Index),
      FRequired(Def.Required()), FDisplayWidth(DefaultDisplayWidth(Def.DataType(), Def.Size())),
      FAlignment(DefaultAlignment(Def.DataType())), FCurrency(Def.DataType() == ftCurrency),
      FStoreKind(StoreKindOf(FDataType)), FBlob(IsBlobType(FDataType)), FDateTime(IsDateTimeType(FDataType)) {
}

TField::~TField() = default;

int64_t TField::StoredInt() const {
    return Store().Int(Row(), FIndex);
}

double TField::StoredFloat() const {
    return Store().Float(Row(), FIndex);
}

QString TField::StoredText() const {
    return Store().Text(Row(), FIndex);
}

void TField::AccessError(const QString& TypeName) const {
    throw EDatabaseError(QStringLiteral("Cannot access field '%s' as type %s"), {FFieldName, TypeName});
}

QString TField::RawText() const {
    if (IsNull()) return QString();
    switch (FStoreKind) {
    case skInteger:
        return CellText(FDataType, false, StoredInt(), 0);
    case skFloat:
        return CellText(FDataType, false, 0, StoredFloat());
    case skText:
        return StoredText();
    case skBytes:
        return QString::fromLatin1(Store().Bytes(Row(), FIndex));
    }
    return QString();
}

QString TField::AsString() const {
    QString Text = RawText();
    if (OnGetText) OnGetText(const_cast<TField*>(this), Text, false);
    return Text;
}

void TField::ReadString(QString& Into) const {
    if (OnGetText || FStoreKind != skText || IsNull())
        Into = AsString();
    else
        Store().ReadText(Row(), FIndex, Into);
}

QString TField::DisplayText() const {
    QString Text = FBlob ? CellText(FDataType, IsNull(), 0, 0) : RawText();
    if (OnGetText) OnGetText(const_cast<TField*>(this), Text, true);
    return Text;
}

int32_t TField::AsInteger() const {
    const int64_t v = AsLargeInt();
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) {
        throw EConvertError(QStringLiteral("Value %s is out of range for field '%s'"),
                            {QString::number(v), FFieldName});
    }
    return static_cast<int32_t>(v);
}

int64_t TField::AsLargeInt() const {
    if (IsNull()) return 0;
    switch (FStoreKind) {
    case skInteger:
        return FDataType == ftCurrency ? CurrencyToWhole(StoredInt()) : StoredInt();
    case skFloat:
        if (FDateTime) break;
        return DoubleToWhole(StoredFloat(), FFieldName);
    case skText: {
        bool Ok = false;
        const QString Text = StoredText().trimmed();
        const qlonglong n = Text.toLongLong(&Ok);
        if (!Ok) throw EConvertError(QStringLiteral("'%s' is not a valid integer value"), {Text});
        return n;
    }
    case skBytes:
        break;
    }
    AccessError(QStringLiteral("Integer"));
}

bool TField::AsBoolean() const {
    if (IsNull()) return false;
    switch (FStoreKind) {
    case skInteger:
        return StoredInt() != 0;
    case skText: {
        bool b = false;
        const QString Text = StoredText();
        if (!ParseBoolean(Text, b))
            throw EConvertError(QStringLiteral("'%s' is not a valid boolean value"), {Text});
        return b;
    }
    default:
        break;
    }
    AccessError(QStringLiteral("Boolean"));
}

double TField::AsFloat() const {
    if (IsNull()) return 0;
    switch (FStoreKind) {
    case skInteger:
        if (FDataType == ftCurrency) return static_cast<double>(StoredInt()) / CurrencyScale;
        return static_cast<double>(StoredInt());
    case skFloat:
        return StoredFloat();
    case skText: {
        bool Ok = false;
        const QString Text = StoredText().trimmed();
        const double d = Text.toDouble(&Ok);
        if (!Ok) throw EConvertError(QStringLiteral("'%s' is not a valid floating point value"), {Text});
        return d;
    }
    case skBytes:
        break;
    }
    AccessError(QStringLiteral("Float"));
}

int64_t TField::AsCurrency() const {
    if (IsNull()) return 0;
    switch (FStoreKind) {
    case skInteger:
        if (FDataType == ftBoolean) break;
        return FDataType == ftCurrency ? StoredInt() : CheckedCurrency(StoredInt(), FFieldName);
    case skFloat:
        if (FDateTime) break;
        return DoubleToCurrency(StoredFloat(), FFieldName);
    case skText: {
        int64_t c = 0;
        const QString Text = StoredText();
        if (!ParseCurrency(Text, c))
            throw EConvertError(QStringLiteral("'%s' is not a valid currency value"), {Text});
        return c;
    }
    case skBytes:
        break;
    }
    AccessError(QStringLiteral("Currency"));
}

double TField::AsDateTime() const {
    if (IsNull()) return 0;
    if (FDateTime) return StoredFloat();
    if (FStoreKind == skText) {
        double d = 0;
        const QString Text = StoredText();
        if (!ParseIsoDateTime(Text, d))
            throw EConvertError(QStringLiteral("'%s' is not a valid date and time"), {Text});
        return d;
    }
    AccessError(QStringLiteral("DateTime"));
}

QByteArray TField::AsBytes() const {
    if (IsNull()) return QByteArray();
    if (FStoreKind == skBytes) return Store().Bytes(Row(), FIndex);
    return RawText().toUtf8();
}

QVariant TField::Value() const {
    if (IsNull()) return QVariant();
    switch (FStoreKind) {
    case skInteger:
        if (FDataType == ftBoolean) return QVariant(StoredInt() != 0);
        if (FDataType == ftCurrency) return QVariant(static_cast<double>(StoredInt()) / CurrencyScale);
        return QVariant(static_cast<qlonglong>(StoredInt()));
    case skFloat:
        if (FDateTime) {
            QDate d;
            QTime t;
            DecodeDateTime(StoredFloat(), d, t);
            if (FDataType == ftDate) return QVariant(d);
            if (FDataType == ftTime) return QVariant(t);
            return QVariant(QDateTime(d, t));
        }
        return QVariant(StoredFloat());
    case skText:
        return QVariant(StoredText());
    case skBytes:
        return QVariant(Store().Bytes(Row(), FIndex));
    }
    return QVariant();
}

void TField::SaveToStream(TStream& Stream) const {
    const QByteArray Bytes = AsBytes();
    if (!Bytes.isEmpty()) Stream.WriteBuffer(Bytes.constData(), Bytes.size());
}

// ---- TFieldDisplayText

void TFieldDisplayText::Take(const TField& Field) {
    FPending = false;
    FNullText = false;
    FTaken = tkNone;
    FDataType = Field.DataType();
    FNull = Field.IsNull();
    if (Field.OnGetText) {
        FText = Field.DisplayText();
        return;
    }
    if (Field.FBlob) {
        FPending = true;
        return;
    }
    switch (Field.FStoreKind) {
    case skInteger:
        FInt = FNull ? 0 : Field.StoredInt();
        FPending = true;
        if (!FNull) FTaken = tkInteger;
        break;
    case skFloat:
        FFloat = FNull ? 0 : Field.StoredFloat();
        // A date-time beyond the calendar fails now, as reading its text always did.
        if (!FNull && Field.FDateTime && !ValidDateTime(FFloat))
            FText = Field.DisplayText();
        else
            FPending = true;
        if (!FNull) FTaken = Field.FDateTime ? tkDateTime : tkFloat;
        break;
    case skText:
        // A null text leaves the buffer for the next record's text.
        if (FNull) {
            FNullText = true;
        } else {
            Field.Store().ReadText(Field.Row(), Field.FIndex, FText);
            FTaken = tkText;
        }
        break;
    case skBytes:
        FText = Field.DisplayText();
        break;
    }
}

const QString& TFieldDisplayText::Text() const {
    if (FNullText) {
        static const QString Null;
        return Null;
    }
    if (FPending) {
        FText = CellText(FDataType, FNull, FInt, FFloat);
        FPending = false;
    }
    return FText;
}
