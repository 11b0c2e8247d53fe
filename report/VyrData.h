#pragma once
#include "host/classes.h"
#include "host/currency.h"
#include "host/exceptions.h"
#include "host/formatting.h"

#include <QString>
#include <cstdint>
#include <memory>

class TField;
class TStream;
class TMemoryStream;
class TStringList;
class TVyrRootFormat;
enum TFieldType : uint8_t;

enum TVyrDataTypes : uint8_t {
    dtypeUnknown,
    dtypeString,
    dtypeFloat,
    dtypeInteger,
    dtypeBoolean,
    dtypeDateTime,
    dtypeBlob,
    dtypeMemo,
    dtypeGraphic,
    dtypeCurrency,
};

// Raised when a value is handed another value of a kind it cannot take over.
class EInvalidCast : public Exception {
public:
    EInvalidCast();
};

// A typed value of a report variable. Every kind converts itself to and from the other types; a
// conversion a kind does not offer raises EAbstractError.
class TVyrData {
public:
    // The value classes of this unit, which a value names at its making; any other class of value
    // is vcOther. A value takes over another of its own class by it, without run-time type lookups
    // at every record.
    enum TValueClass : uint8_t {
        vcOther,
        vcString,
        vcInteger,
        vcDateTime,
        vcBoolean,
        vcBlob,
        vcFloat,
        vcCurrency
    };

    TVyrData();
    virtual ~TVyrData();
    TVyrData(const TVyrData&) = delete;
    TVyrData& operator=(const TVyrData&) = delete;

    TValueClass ValueClass() const { return FValueClass; }
    TVyrDataTypes DataType() const { return FDataType; }
    bool IsNull() const { return FIsNull; }
    void SetIsNull(bool Value) { FIsNull = Value; }

    QString AsString() { return GetAsString(); }
    int AsInteger() { return GetAsInteger(); }
    double AsFloat() { return GetAsFloat(); }
    Currency AsCurrency() { return GetAsCurrency(); }
    TDateTime AsDateTime() { return GetAsDateTime(); }
    bool AsBoolean() { return GetAsBoolean(); }
    // The stream and the list stay owned by the value and are refilled on the next call.
    TStream* AsStream() { return GetAsStream(); }
    TStringList* AsStrings() { return GetAsStrings(); }

    virtual QString GetAsString();
    virtual int GetAsInteger();
    virtual double GetAsFloat();
    virtual Currency GetAsCurrency();
    virtual TDateTime GetAsDateTime();
    virtual bool GetAsBoolean();
    virtual TStream* GetAsStream();
    virtual TStringList* GetAsStrings();
    virtual void SetAsString(const QString& Value);
    virtual void SetAsInteger(int Value);
    virtual void SetAsFloat(double Value);
    virtual void SetAsCurrency(Currency Value);
    virtual void SetAsDateTime(TDateTime Value);
    virtual void SetAsBoolean(bool Value);
    virtual void SetAsStream(TStream* Value);
    virtual void SetAsStrings(TStringList* Value);
    // Value points to a value of the kind's own type (QString, int64_t, TDateTime, bool, TStream,
    // double, Currency).
    virtual void SetValue(const void* Value);
    virtual void SetData(TVyrData* Value);
    virtual void Reset();
    virtual QString AsFormat(TVyrRootFormat* Format);

protected:
    explicit TVyrData(TVyrDataTypes DataType);
    TMemoryStream* ReturnStream();

    TValueClass FValueClass = vcOther;
    TVyrDataTypes FDataType = dtypeUnknown;
    std::unique_ptr<TMemoryStream> FReturnStream; // made on first use
    std::unique_ptr<TStringList> FStrings;
    bool FIsNull = false;
};

class TVyrString : public TVyrData {
public:
    static constexpr TValueClass Class = vcString;
    TVyrString();

    const QString& ValueString() const { return FValueString; }
    void SetValueString(const QString& Value) { FValueString = Value; }
    // SetData from one of its own class: the characters go into this value's own buffer.
    void TakeOver(const TVyrString& Other);
    // The field's text (as AsString gives it) into the value's own buffer.
    void ReadField(const TField& Field);
    // The characters of Text into the value's own buffer.
    void AssignValueString(QStringView Text);
    // Last takes this value as it stands without copying its characters; this one keeps Last's old
    // buffer, for a text about to be written anew.
    void HandOverTo(TVyrString& Last) {
        FValueString.swap(Last.FValueString);
        Last.FIsNull = FIsNull;
    }

    QString GetAsString() override;
    int GetAsInteger() override;
    double GetAsFloat() override;
    Currency GetAsCurrency() override;
    TDateTime GetAsDateTime() override;
    bool GetAsBoolean() override;
    void SetAsString(const QString& Value) override;
    void SetAsInteger(int Value) override;
    void SetAsFloat(double Value) override;
    void SetAsDateTime(TDateTime Value) override;
    void SetAsBoolean(bool Value) override;
    void SetValue(const void* Value) override;
    void SetData(TVyrData* Value) override;
    void Reset() override;

private:
    QString FValueString;
};

// Holds 64 bits, so large and unsigned 32-bit fields keep their values; reading one that does not
// fit 32 bits as an integer raises EConvertError.
class TVyrInteger : public TVyrData {
public:
    static constexpr TValueClass Class = vcInteger;
    TVyrInteger();

    int64_t ValueInteger() const { return FValueInteger; }
    void SetValueInteger(int64_t Value) { FValueInteger = Value; }
    // SetData from one of its own class, inline: all 64 bits go across.
    void TakeOver(const TVyrInteger& Other) {
        FValueInteger = Other.FValueInteger;
        FIsNull = Other.FIsNull;
    }

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
    void Reset() override;

private:
    int64_t FValueInteger = 0;
};

class TVyrDateTime : public TVyrData {
public:
    static constexpr TValueClass Class = vcDateTime;
    TVyrDateTime();

    TDateTime ValueDateTime() const { return FValueDateTime; }
    void SetValueDateTime(TDateTime Value) { FValueDateTime = Value; }
    // SetData from one of its own class, inline.
    void TakeOver(const TVyrDateTime& Other) {
        FValueDateTime = Other.FValueDateTime;
        FIsNull = Other.FIsNull;
    }

    QString GetAsString() override;
    double GetAsFloat() override;
    TDateTime GetAsDateTime() override;
    void SetAsString(const QString& Value) override;
    void SetAsFloat(double Value) override;
    void SetAsDateTime(TDateTime Value) override;
    void SetValue(const void* Value) override;
    void SetData(TVyrData* Value) override;
    void Reset() override;

private:
    TDateTime FValueDateTime = 0;
};

class TVyrBoolean : public TVyrData {
public:
    static constexpr TValueClass Class = vcBoolean;
    TVyrBoolean();

    bool ValueBoolean() const { return FValueBoolean; }
    void SetValueBoolean(bool Value) { FValueBoolean = Value; }
    // SetData from one of its own class, inline.
    void TakeOver(const TVyrBoolean& Other) {
        FValueBoolean = Other.FValueBoolean;
        FIsNull = Other.FIsNull;
    }

    QString GetAsString() override;
    int GetAsInteger() override;
    double GetAsFloat() override;
    bool GetAsBoolean() override;
    void SetAsString(const QString& Value) override;
    void SetAsInteger(int Value) override;
    void SetAsFloat(double Value) override;
    void SetAsBoolean(bool Value) override;
    void SetValue(const void* Value) override;
    void SetData(TVyrData* Value) override;
    void Reset() override;

private:
    bool FValueBoolean = false;
};

// Binary data in a stream of its own; the memo, graphic and unknown kinds share it.
class TVyrBlob : public TVyrData {
public:
    static constexpr TValueClass Class = vcBlob;
    TVyrBlob();
    ~TVyrBlob() override;

    TMemoryStream* ValueStream() const { return FValueStream.get(); }

    QString GetAsString() override;
    TStream* GetAsStream() override;
    void SetAsString(const QString& Value) override;
    void SetAsStream(TStream* Value) override;
    void SetValue(const void* Value) override;
    void SetData(TVyrData* Value) override;
    void Reset() override;

protected:
    explicit TVyrBlob(TVyrDataTypes DataType);

    std::unique_ptr<TMemoryStream> FValueStream;
};

// Text held as UTF-16 in the value stream.
class TVyrMemo : public TVyrBlob {
public:
    TVyrMemo();

    QString GetAsString() override;
    TStringList* GetAsStrings() override;
    void SetAsStrings(TStringList* Value) override;
};

class TVyrGraphic : public TVyrBlob {
public:
    TVyrGraphic();
};

class TVyrUnknown : public TVyrBlob {
public:
    TVyrUnknown();

    QString GetAsString() override;
};

enum TVyrTextCase : uint8_t { tcNone, tcUpper, tcLower };

// How a label turns a value into display text: a display pattern, the number form, Boolean
// captions, hours and minutes, and a letter case.
class TVyrRootFormat : public TPersistent {
public:
    TVyrRootFormat();
    ~TVyrRootFormat() override;

    void Assign(const TPersistent* Source) override;
    void Assign(const TVyrRootFormat& Source);

    QString FormatAsString(TVyrData* Value);
    // The same text into Into, in the buffer Into already has when it is its own and large enough.
    void FormatInto(TVyrData* Value, QString& Into);
    // Whether formatting the value is sure not to raise (a date past the calendar, hours and minutes
    // out of range and values of other classes might).
    bool CannotFail(TVyrData* Value) const;
    // UTF-16LE with the byte-order mark, at position 0; owned by the format, reused on the next call.
    TStream* FormatAsStream(TVyrData* Value);

    const QString& DisplayFormat() const { return FDisplayFormat; }
    // Whether numbers show as hours and minutes ("HH:MM"), which fails for values out of range.
    bool HoursMinutes() const { return FDisplayFormat == u"HH:MM"; }
    void SetDisplayFormat(const QString& Value);
    TVyrTextCase TextCase() const { return FTextCase; }
    void SetTextCase(TVyrTextCase Value);
    TFloatFormat FloatFormat() const { return FFloatFormat; }
    void SetFloatFormat(TFloatFormat Value);
    int Width() const { return FWidth; }
    void SetWidth(int Value);
    int Digits() const { return FDigits; }
    void SetDigits(int Value);
    bool SuppressNulls() const { return FSuppressNulls; }
    void SetSuppressNulls(bool Value);
    bool UseCurrencyDecimals() const { return FUseCurrencyDecimals; }
    void SetUseCurrencyDecimals(bool Value);
    TComponent* VyrLabel() const { return FVyrLabel; }
    void SetVyrLabel(TComponent* Value) { FVyrLabel = Value; }

protected:
    // Repaints the owning label after a setting changed.
    void Changed();

    QString FDisplayFormat;
    TVyrTextCase FTextCase = tcNone;
    TFloatFormat FFloatFormat = ffGeneral;
    int32_t FWidth = 15;
    int32_t FDigits = 0;
    TComponent* FVyrLabel = nullptr; // not owned
    std::unique_ptr<TMemoryStream> FReturnStream;
    bool FSuppressNulls = false;
    bool FUseCurrencyDecimals = false;

private:
    int NumberDigits() const;
};

// The format of text labels.
class TVyrFormat : public TVyrRootFormat {};

// The format of total labels: two decimals in the number form unless set otherwise.
class TVyrFloatFormat : public TVyrRootFormat {
public:
    TVyrFloatFormat();
};

// A float as a 32-bit integer, truncated toward zero; NaN, infinities and values outside the
// range raise EConvertError.
int VyrTruncToInt(double Value);

// Whether the two values read as the same text (AsString), worked out without making the texts
// where the values tell.
bool VyrSameText(TVyrData* A, TVyrData* B);
// Whether VyrSameText compares the two as values, without making their texts: texts, whole numbers
// and flags of one class.
bool VyrComparesAsValues(const TVyrData* A, const TVyrData* B);

// Value as a value of class T (one of the classes that name their class), or nullptr.
template <class T> T* VyrValueAs(TVyrData* Value) {
    return Value && Value->ValueClass() == T::Class ? static_cast<T*>(Value) : nullptr;
}

// Days as hours and minutes ("36:00" for 1.5), the sign printed once in front.
QString VyrHoursMinutes(double Days);
QString VyrHoursMinutes(Currency Days);

// A new value object of the kind that holds values of type DataType.
std::unique_ptr<TVyrData> VyrCreateData(TVyrDataTypes DataType);

// The value type that holds what a field of the given type gives; dtypeUnknown for the types
// whose values the report cannot show (extended floats, intervals, time stamps with offset).
TVyrDataTypes GetPimDataType(TFieldType FieldType);

// Fills Value, made for the field's value type, from the field's current record and clears its
// null flag. Memo lines are kept as UTF-16 with the byte-order mark, joined by CR LF. Raises
// what the field raises; the caller decides what a failed read leaves.
void VyrReadField(const TField& Field, TVyrData& Value);
