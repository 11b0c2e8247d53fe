#pragma once
#include "host/currency.h"

#include <QString>
#include <array>
#include <cstdint>
#include <functional>

class QLocale;

// Days since 1899-12-30; the fraction is the time of day.
using TDateTime = double;

enum TFloatFormat : uint8_t { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

std::array<QString, 12> EnglishMonthNames(bool Short);
std::array<QString, 7> EnglishDayNames(bool Short);

// Everything number and date output depends on. A default-made record holds United States
// conventions with English names. Applications use the one read from the system
// locale; tests install Fixed() so that results do not depend on the machine.
struct TFormatSettings {
    QChar DecimalSeparator = u'.';
    QChar ThousandSeparator = u',';
    QString CurrencyString = QStringLiteral("$");
    // Where the currency string goes: 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $".
    uint8_t CurrencyFormat = 0;
    // The sixteen negative forms, 0 "($1)" to 15 "(1 $)".
    uint8_t NegCurrFormat = 0;
    uint8_t CurrencyDecimals = 2;
    QString ShortDateFormat = QStringLiteral("M/d/yyyy");
    QString LongDateFormat = QStringLiteral("dddd, MMMM d, yyyy");
    QChar DateSeparator = u'/';
    QChar TimeSeparator = u':';
    QString ShortTimeFormat = QStringLiteral("h:nn AMPM");
    QString LongTimeFormat = QStringLiteral("h:nn:ss AMPM");
    QString TimeAMString = QStringLiteral("AM");
    QString TimePMString = QStringLiteral("PM");
    std::array<QString, 12> ShortMonthNames = EnglishMonthNames(true);
    std::array<QString, 12> LongMonthNames = EnglishMonthNames(false);
    std::array<QString, 7> ShortDayNames = EnglishDayNames(true); // Sunday first
    std::array<QString, 7> LongDayNames = EnglishDayNames(false);
    // A two-digit year is read as the year within this many years before the current one.
    int TwoDigitYearCenturyWindow = 50;

    // United States conventions with English names, the same on every machine.
    static TFormatSettings Fixed();
    static TFormatSettings FromSystemLocale();
    static TFormatSettings FromLocale(const QLocale& Locale);
};

// The settings that the routines below use when none are passed. Read from the system locale on
// first use; SetFormatSettings replaces them and ResetFormatSettings reads the locale again.
const TFormatSettings& FormatSettings();
void SetFormatSettings(const TFormatSettings& Value);
void ResetFormatSettings();

// Installs settings for the life of the object and puts the previous ones back afterwards.
class TFormatSettingsScope {
public:
    explicit TFormatSettingsScope(const TFormatSettings& Value);
    ~TFormatSettingsScope();
    TFormatSettingsScope(const TFormatSettingsScope&) = delete;
    TFormatSettingsScope& operator=(const TFormatSettingsScope&) = delete;

private:
    TFormatSettings FSaved;
};

// Float to text in one of the five forms. Precision is the number of significant digits
// (at most 18), Digits the decimals of the fixed forms (at most 18) or the least number of
// exponent digits of the exponent forms (at most 4).
// The routines that take Into write their text there, in the buffer Into already has when it is its
// own and large enough: what a label prints record after record then allocates nothing. Patterns
// are read once and kept for the next value.
QString FloatToStrF(double Value, TFloatFormat Format, int Precision, int Digits,
                    const TFormatSettings& Settings = FormatSettings());
void FloatToStrF(double Value, TFloatFormat Format, int Precision, int Digits, QString& Into,
                 const TFormatSettings& Settings = FormatSettings());
QString FloatToStr(double Value, const TFormatSettings& Settings = FormatSettings());
// The same for currency, exact to the last unit; Digits is at most 4.
QString CurrToStrF(Currency Value, TFloatFormat Format, int Digits,
                   const TFormatSettings& Settings = FormatSettings());
void CurrToStrF(Currency Value, TFloatFormat Format, int Digits, QString& Into,
                const TFormatSettings& Settings = FormatSettings());
QString CurrToStr(Currency Value, const TFormatSettings& Settings = FormatSettings());

// Number patterns: up to three sections "positive;negative;zero" made of the placeholders 0 and #,
// the decimal point ".", the thousands flag ",", the exponents E+ E- e+ e- and quoted literals.
QString FormatFloat(const QString& Format, double Value, const TFormatSettings& Settings = FormatSettings());
void FormatFloat(const QString& Format, double Value, QString& Into,
                 const TFormatSettings& Settings = FormatSettings());
QString FormatCurr(const QString& Format, Currency Value, const TFormatSettings& Settings = FormatSettings());
void FormatCurr(const QString& Format, Currency Value, QString& Into,
                const TFormatSettings& Settings = FormatSettings());

// Date-time patterns (c d dd ddd dddd ddddd dddddd m mm mmm mmmm yy yyyy h hh n nn s ss z zzz t tt
// am/pm a/p ampm / : and quoted literals). An empty pattern means "c".
QString FormatDateTime(const QString& Format, TDateTime Value, const TFormatSettings& Settings = FormatSettings());
// Whether the date-time routines take the value; they raise EConvertError for the others.
bool CanFormatDateTime(TDateTime Value);
void FormatDateTime(const QString& Format, TDateTime Value, QString& Into,
                    const TFormatSettings& Settings = FormatSettings());
QString DateToStr(TDateTime Value, const TFormatSettings& Settings = FormatSettings());
QString TimeToStr(TDateTime Value, const TFormatSettings& Settings = FormatSettings());
QString DateTimeToStr(TDateTime Value, const TFormatSettings& Settings = FormatSettings());

// Calendar arithmetic on the day count; invalid parts raise EConvertError.
TDateTime EncodeDate(int Year, int Month, int Day);
TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec);
bool TryEncodeDate(int Year, int Month, int Day, TDateTime& Result);
bool TryEncodeTime(int Hour, int Min, int Sec, int MSec, TDateTime& Result);
void DecodeDate(TDateTime Value, int& Year, int& Month, int& Day);
// The date of a whole day number (days since 30 Dec 1899) in the proleptic Gregorian calendar, years
// counted astronomically (the year before 1 is 0).
void DecodeDayNumber(int64_t DayNumber, int& Year, int& Month, int& Day);
void DecodeTime(TDateTime Value, int& Hour, int& Min, int& Sec, int& MSec);
// 1 = Sunday .. 7 = Saturday.
int DayOfWeek(TDateTime Value);

// The local date and time, to the millisecond. A run stamps its start with it, so tests install a
// clock of their own with SetNowClock; ResetNowClock goes back to the system's clock.
TDateTime Now();
void SetNowClock(std::function<TDateTime()> Clock);
void ResetNowClock();

// Edit masks: "mask;save literals;blank". The value is laid into the mask's placeholders; literals
// come from the mask. Missing characters print as spaces, leading ones when the mask has "!".
QString FormatMaskText(const QString& EditMask, const QString& Value);

// Text to numbers and dates. The Str* forms raise EConvertError with the text in the message.
int StrToInt(const QString& S);
bool TryStrToInt(const QString& S, int& Value);
double StrToFloat(const QString& S, const TFormatSettings& Settings = FormatSettings());
bool TryStrToFloat(const QString& S, double& Value, const TFormatSettings& Settings = FormatSettings());
Currency StrToCurr(const QString& S, const TFormatSettings& Settings = FormatSettings());
TDateTime StrToDateTime(const QString& S, const TFormatSettings& Settings = FormatSettings());
bool TryStrToDateTime(const QString& S, TDateTime& Value, const TFormatSettings& Settings = FormatSettings());
