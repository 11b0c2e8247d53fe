#include "host/formatting.h"
#include "host/encoding.h"
#include "host/exceptions.h"
#include "host/mathutil.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QVarLengthArray>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------------------------
// Settings

namespace {

const std::array<const char*, 12> EnglishMonths = {"January", "February", "March",     "April",
                                                   "May",     "June",     "July",      "August",
                                                   "September", "October", "November", "December"};
const std::array<const char*, 7> EnglishDays = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                "Thursday", "Friday", "Saturday"};

std::optional<TFormatSettings>& CurrentSettings() {
    static std::optional<TFormatSettings> Settings;
    return Settings;
}

// Qt's date and time patterns use m for minutes and AP for the half of the day; ours use n and AMPM.
QString FromQtPattern(const QString& Qt, bool Time) {
    QString R;
    for (qsizetype i = 0; i < Qt.size(); ++i) {
        const QChar c = Qt[i];
        if (c == u'\'') {
            const qsizetype j = Qt.indexOf(u'\'', i + 1);
            const qsizetype End = j < 0 ? Qt.size() : j;
            R += u'"' + Qt.mid(i + 1, End - i - 1) + u'"';
            i = End;
        } else if (Time && c == u'm') {
            R += u'n';
        } else if (Time && c == u'H') {
            R += u'h';
        } else if (Time && (c == u'A' || c == u'a')) {
            if (i + 1 < Qt.size() && (Qt[i + 1] == u'P' || Qt[i + 1] == u'p')) ++i;
            R += QStringLiteral("AMPM");
        } else if (Time && c == u't') {
            // time zones have no place in the system's patterns
        } else {
            R += c;
        }
    }
    return R.trimmed();
}

QChar FirstSeparator(const QString& Pattern, QChar Default) {
    bool Quoted = false;
    for (QChar c : Pattern) {
        if (c == u'"' || c == u'\'') Quoted = !Quoted;
        else if (!Quoted && !c.isLetter() && !c.isSpace()) return c;
    }
    return Pattern.contains(u' ') ? QChar(u' ') : Default;
}

QString NormalizeSpaces(QString S) {
    S.replace(QChar(0x00A0), u' ');
    S.replace(QChar(0x202F), u' ');
    return S;
}

} // namespace

std::array<QString, 12> EnglishMonthNames(bool Short) {
    std::array<QString, 12> R;
    for (size_t i = 0; i < R.size(); ++i) R[i] = QString::fromLatin1(EnglishMonths[i]).left(Short ? 3 : -1);
    return R;
}

std::array<QString, 7> EnglishDayNames(bool Short) {
    std::array<QString, 7> R;
    for (size_t i = 0; i < R.size(); ++i) R[i] = QString::fromLatin1(EnglishDays[i]).left(Short ? 3 : -1);
    return R;
}

TFormatSettings TFormatSettings::Fixed() { return TFormatSettings(); }

TFormatSettings TFormatSettings::FromSystemLocale() { return FromLocale(QLocale::system()); }

TFormatSettings TFormatSettings::FromLocale(const QLocale& L) {
    TFormatSettings S = Fixed();
    // The bare C locale has no conventions of its own worth reading.
    if (L.language() == QLocale::C) return S;
    if (!L.decimalPoint().isEmpty()) S.DecimalSeparator = L.decimalPoint().at(0);
    S.ThousandSeparator = L.groupSeparator().isEmpty() ? QChar(u' ') : L.groupSeparator().at(0);
    if (S.ThousandSeparator == QChar(0x00A0) || S.ThousandSeparator == QChar(0x202F)) S.ThousandSeparator = u' ';
    if (!L.currencySymbol().isEmpty()) S.CurrencyString = L.currencySymbol();

    // The currency layout is read off the locale's own rendering of 1.5 and -1.5.
    const QString Pos = NormalizeSpaces(L.toCurrencyString(1.5, S.CurrencyString));
    const qsizetype Point = Pos.indexOf(S.DecimalSeparator);
    if (Point >= 0) {
        int n = 0;
        while (Point + 1 + n < Pos.size() && Pos[Point + 1 + n].isDigit()) ++n;
        S.CurrencyDecimals = uint8_t(n);
    } else {
        S.CurrencyDecimals = 0;
    }
    const bool SymbolFirst = Pos.startsWith(S.CurrencyString);
    const bool Spaced = Pos.contains(u' ');
    S.CurrencyFormat = uint8_t((SymbolFirst ? 0 : 1) + (Spaced ? 2 : 0));
    const QString Neg = NormalizeSpaces(L.toCurrencyString(-1.5, S.CurrencyString));
    for (uint8_t f = 0; f < 16; ++f) {
        TFormatSettings Probe = S;
        Probe.NegCurrFormat = f;
        if (CurrToStrF(Currency::FromUnits(-15000), ffCurrency, S.CurrencyDecimals, Probe) == Neg) {
            S.NegCurrFormat = f;
            break;
        }
    }

    S.ShortDateFormat = FromQtPattern(L.dateFormat(QLocale::ShortFormat), false);
    S.LongDateFormat = FromQtPattern(L.dateFormat(QLocale::LongFormat), false);
    S.ShortTimeFormat = FromQtPattern(L.timeFormat(QLocale::ShortFormat), true);
    S.LongTimeFormat = FromQtPattern(L.timeFormat(QLocale::LongFormat), true);
    S.DateSeparator = FirstSeparator(S.ShortDateFormat, u'/');
    S.TimeSeparator = FirstSeparator(S.ShortTimeFormat, u':');
    if (!L.amText().isEmpty()) S.TimeAMString = L.amText();
    if (!L.pmText().isEmpty()) S.TimePMString = L.pmText();
    for (int i = 0; i < 12; ++i) {
        S.LongMonthNames[i] = L.monthName(i + 1, QLocale::LongFormat);
        S.ShortMonthNames[i] = L.monthName(i + 1, QLocale::ShortFormat);
    }
    for (int i = 0; i < 7; ++i) {
        const int QtDay = i == 0 ? 7 : i; // Qt counts from Monday
        S.LongDayNames[i] = L.dayName(QtDay, QLocale::LongFormat);
        S.ShortDayNames[i] = L.dayName(QtDay, QLocale::ShortFormat);
    }
    return S;
}

const TFormatSettings& FormatSettings() {
    auto& S = CurrentSettings();
    if (!S) S = TFormatSettings::FromSystemLocale();
    return *S;
}

void SetFormatSettings(const TFormatSettings& Value) { CurrentSettings() = Value; }

void ResetFormatSettings() { CurrentSettings().reset(); }

TFormatSettingsScope::TFormatSettingsScope(const TFormatSettings& Value) : FSaved(FormatSettings()) {
    SetFormatSettings(Value);
}

TFormatSettingsScope::~TFormatSettingsScope() { SetFormatSettings(FSaved); }

// ---------------------------------------------------------------------------------------------
// Decimal digits of a number

namespace {

// Text built in place: most numbers and dates fit the inline room, so making one allocates nothing
// until it is copied into the caller's string, whose buffer is reused.
class TTextBuffer {
public:
    void Add(char16_t c) { FText.append(c); }
    void Add(QChar c) { FText.append(c.unicode()); }
    void Add(QStringView s) { FText.append(reinterpret_cast<const char16_t*>(s.data()), s.size()); }
    void AddLatin1(const char* s) {
        for (; *s; ++s)
            FText.append(char16_t(uint8_t(*s)));
    }
    // At least Width digits, leading zeros added.
    void AddNumber(uint64_t Value, int Width = 1) {
        char Digits[24];
        int n = 0;
        do {
            Digits[n++] = char('0' + Value % 10);
            Value /= 10;
        } while (Value);
        for (int i = n; i < Width; ++i)
            FText.append(u'0');
        while (n > 0)
            FText.append(char16_t(Digits[--n]));
    }
    QStringView View() const { return QStringView(FText.constData(), FText.size()); }
    void CopyTo(QString& Into) const { AssignText(Into, View()); }
    QString ToString() const { return View().toString(); }

private:
    QVarLengthArray<char16_t, 128> FText;
};

// Value = 0.Digits x 10^Exponent. Digits carry no leading or trailing zeros; none means zero.
struct TDecimal {
    bool Negative = false;
    int Exponent = 0;
    int Count = 0;
    char Digits[24];
    bool IsZero() const { return Count == 0; }
};

// A number to be formatted: every digit it has, and how many significant digits may be shown.
struct TNumber {
    TDecimal Full;
    int MaxPrecision = 15;
    bool IsCurrency = false;
};

void TrimZeros(TDecimal& d) {
    while (d.Count > 0 && d.Digits[d.Count - 1] == '0')
        --d.Count;
    if (d.Count == 0) d.Exponent = 0;
}

TDecimal DigitsOf(double Value) {
    TDecimal d;
    d.Negative = std::signbit(Value);
    if (Value == 0) return d;
    // 17 significant digits tell every double apart.
    char Buf[40];
    const auto End =
        std::to_chars(Buf, Buf + sizeof Buf, std::fabs(Value), std::chars_format::scientific, 16).ptr;
    const char* p = Buf;
    for (; p < End && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') d.Digits[d.Count++] = *p;
    int Exponent = 0;
    if (p < End) std::from_chars(p + (p[1] == '+' ? 2 : 1), End, Exponent);
    d.Exponent = Exponent + 1;
    TrimZeros(d);
    return d;
}

TDecimal DigitsOf(Currency Value) {
    TDecimal d;
    const int64_t u = Value.Units();
    d.Negative = u < 0;
    uint64_t Abs = u < 0 ? uint64_t(0) - uint64_t(u) : uint64_t(u);
    if (Abs == 0) return d;
    char Reversed[24];
    int n = 0;
    for (; Abs; Abs /= 10)
        Reversed[n++] = char('0' + Abs % 10);
    for (int i = 0; i < n; ++i)
        d.Digits[i] = Reversed[n - 1 - i];
    d.Count = n;
    d.Exponent = n - 4;
    TrimZeros(d);
    return d;
}

// Keeps Count significant digits, rounding the decimal digits half away from zero.
void RoundAt(TDecimal& d, int Count) {
    if (d.IsZero() || Count >= d.Count) return;
    if (Count < 0) {
        d.Count = 0;
        d.Exponent = 0;
        return;
    }
    const bool Up = d.Digits[Count] >= '5';
    d.Count = Count;
    if (Up) {
        int i = Count - 1;
        while (i >= 0 && d.Digits[i] == '9')
            d.Digits[i--] = '0';
        if (i < 0) {
            std::memmove(d.Digits + 1, d.Digits, size_t(d.Count));
            d.Digits[0] = '1';
            ++d.Count;
            ++d.Exponent;
        } else {
            ++d.Digits[i];
        }
    }
    TrimZeros(d);
}

// The number rounded to Precision significant digits and at most Decimals places after the point.
TDecimal Rounded(const TNumber& n, int Precision, int Decimals) {
    TDecimal d = n.Full;
    if (d.IsZero()) return d;
    Precision = std::clamp(Precision, 1, n.MaxPrecision);
    const int64_t Places = int64_t(d.Exponent) + std::clamp(Decimals, 0, 9999);
    RoundAt(d, int(std::min<int64_t>(Precision, Places)));
    return d;
}

char DigitAt(const TDecimal& d, int Index) {
    return Index >= 0 && Index < d.Count ? d.Digits[Index] : '0';
}

// The integer part; with Group, Thousands between the groups of three.
void AddIntegerDigits(TTextBuffer& R, const TDecimal& d, bool Group = false, QChar Thousands = QChar()) {
    for (int i = 0; i < d.Exponent; ++i) {
        R.Add(char16_t(DigitAt(d, i)));
        const int Pos = d.Exponent - 1 - i;
        if (Group && Pos > 0 && Pos % 3 == 0) R.Add(Thousands);
    }
}

void AddFractionDigits(TTextBuffer& R, const TDecimal& d, int Count) {
    for (int i = 0; i < Count; ++i)
        R.Add(char16_t(DigitAt(d, d.Exponent + i)));
}

void AddExponent(TTextBuffer& R, int Exp, bool AlwaysSign, int MinDigits) {
    if (Exp < 0)
        R.Add(u'-');
    else if (AlwaysSign)
        R.Add(u'+');
    R.AddNumber(uint64_t(std::abs(Exp)), MinDigits);
}

const char* Special(double Value) {
    if (std::isnan(Value)) return "NAN";
    return Value < 0 ? "-INF" : "INF";
}

void FormatGeneral(TTextBuffer& R, const TDecimal& d, int Precision, int Digits, const TFormatSettings& S) {
    if (d.IsZero()) {
        R.Add(u'0');
        return;
    }
    if (d.Negative) R.Add(u'-');
    if (d.Exponent > Precision || d.Exponent < -3) {
        R.Add(char16_t(d.Digits[0]));
        if (d.Count > 1) {
            R.Add(S.DecimalSeparator);
            for (int i = 1; i < d.Count; ++i)
                R.Add(char16_t(d.Digits[i]));
        }
        R.Add(u'E');
        AddExponent(R, d.Exponent - 1, false, std::clamp(Digits, 0, 4));
        return;
    }
    if (d.Exponent <= 0) {
        R.Add(u'0');
        R.Add(S.DecimalSeparator);
        for (int i = 0; i < -d.Exponent; ++i)
            R.Add(u'0');
        for (int i = 0; i < d.Count; ++i)
            R.Add(char16_t(d.Digits[i]));
        return;
    }
    AddIntegerDigits(R, d);
    if (d.Count > d.Exponent) {
        R.Add(S.DecimalSeparator);
        for (int i = d.Exponent; i < d.Count; ++i)
            R.Add(char16_t(d.Digits[i]));
    }
}

void FormatExponent(TTextBuffer& R, const TDecimal& d, int Precision, int Digits, const TFormatSettings& S) {
    if (d.Negative && !d.IsZero()) R.Add(u'-');
    R.Add(char16_t(DigitAt(d, 0)));
    if (Precision > 1) R.Add(S.DecimalSeparator);
    for (int i = 1; i < Precision; ++i)
        R.Add(char16_t(DigitAt(d, i)));
    R.Add(u'E');
    AddExponent(R, d.IsZero() ? 0 : d.Exponent - 1, true, std::clamp(Digits, 0, 4));
}

void FormatNumberF(TTextBuffer& R, const TNumber& n, TFloatFormat Format, int Precision, int Digits,
                   const TFormatSettings& S) {
    Precision = std::clamp(Precision, 1, n.MaxPrecision);
    switch (Format) {
    case ffExponent:
        FormatExponent(R, Rounded(n, Precision, 9999), Precision, Digits, S);
        return;
    case ffFixed:
    case ffNumber:
    case ffCurrency: {
        Digits = std::clamp(Digits, 0, 18);
        const TDecimal d = Rounded(n, Precision, Digits);
        if (d.Exponent > Precision) {
            FormatGeneral(R, Rounded(n, Precision, 9999), Precision, 0, S);
            return;
        }
        TTextBuffer Number;
        if (d.Exponent > 0)
            AddIntegerDigits(Number, d, Format != ffFixed, S.ThousandSeparator);
        else
            Number.Add(u'0');
        if (Digits > 0) {
            Number.Add(S.DecimalSeparator);
            AddFractionDigits(Number, d, Digits);
        }
        const bool Negative = d.Negative && !d.IsZero();
        if (Format != ffCurrency) {
            if (Negative) R.Add(u'-');
            R.Add(Number.View());
            return;
        }
        static const char* const PosForms[4] = {"$1", "1$", "$ 1", "1 $"};
        static const char* const NegForms[16] = {"($1)", "-$1",  "$-1",   "$1-",  "(1$)", "-1$",
                                                 "1-$",  "1$-",  "-1 $",  "-$ 1", "1 $-", "$ 1-",
                                                 "$ -1", "1- $", "($ 1)", "(1 $)"};
        const char* Form = Negative ? NegForms[S.NegCurrFormat % 16] : PosForms[S.CurrencyFormat % 4];
        for (const char* p = Form; *p; ++p) {
            if (*p == '$')
                R.Add(S.CurrencyString);
            else if (*p == '1')
                R.Add(Number.View());
            else
                R.Add(char16_t(*p));
        }
        return;
    }
    case ffGeneral:
    default:
        FormatGeneral(R, Rounded(n, Precision, 9999), Precision, Digits, S);
        return;
    }
}

TNumber NumberOf(double Value) { return TNumber{DigitsOf(Value), 18, false}; }
TNumber NumberOf(Currency Value) { return TNumber{DigitsOf(Value), 19, true}; }

void FloatText(TTextBuffer& R, double Value, TFloatFormat Format, int Precision, int Digits,
               const TFormatSettings& S) {
    if (!std::isfinite(Value))
        R.AddLatin1(Special(Value));
    else
        FormatNumberF(R, NumberOf(Value), Format, Precision, Digits, S);
}

void CurrText(TTextBuffer& R, Currency Value, TFloatFormat Format, int Digits, const TFormatSettings& S) {
    FormatNumberF(R, NumberOf(Value), Format, 19, Format == ffExponent ? Digits : std::clamp(Digits, 0, 4),
                  S);
}

} // namespace

QString FloatToStrF(double Value, TFloatFormat Format, int Precision, int Digits, const TFormatSettings& Settings) {
    TTextBuffer R;
    FloatText(R, Value, Format, Precision, Digits, Settings);
    return R.ToString();
}

void FloatToStrF(double Value, TFloatFormat Format, int Precision, int Digits, QString& Into,
                 const TFormatSettings& Settings) {
    TTextBuffer R;
    FloatText(R, Value, Format, Precision, Digits, Settings);
    R.CopyTo(Into);
}

QString FloatToStr(double Value, const TFormatSettings& Settings) {
    return FloatToStrF(Value, ffGeneral, 15, 0, Settings);
}

QString CurrToStrF(Currency Value, TFloatFormat Format, int Digits, const TFormatSettings& Settings) {
    TTextBuffer R;
    CurrText(R, Value, Format, Digits, Settings);
    return R.ToString();
}

void CurrToStrF(Currency Value, TFloatFormat Format, int Digits, QString& Into,
                const TFormatSettings& Settings) {
    TTextBuffer R;
    CurrText(R, Value, Format, Digits, Settings);
    R.CopyTo(Into);
}

QString CurrToStr(Currency Value, const TFormatSettings& Settings) {
    return CurrToStrF(Value, ffGeneral, 0, Settings);
}

// ---------------------------------------------------------------------------------------------
// Number patterns

namespace {

std::vector<QString> SplitSections(const QString& Format) {
    std::vector<QString> R(1);
    QChar Quote;
    for (QChar c : Format) {
        if (!Quote.isNull()) {
            if (c == Quote) Quote = QChar();
        } else if (c == u'"' || c == u'\'') {
            Quote = c;
        } else if (c == u';') {
            if (R.size() == 3) break;
            R.emplace_back();
            continue;
        }
        R.back() += c;
    }
    return R;
}

bool IsExponentAt(const QString& F, qsizetype i) {
    return (F[i] == u'E' || F[i] == u'e') && i + 1 < F.size() && (F[i + 1] == u'+' || F[i + 1] == u'-');
}

// What a section asks for, read before any digit is placed.
struct TSection {
    QString Text;
    int IntPlaces = 0;
    int IntMin = 0;
    int DecPlaces = 0;
    int DecMin = 0;
    bool Thousands = false;
    bool Scientific = false;
};

TSection ScanSection(const QString& F) {
    TSection s;
    s.Text = F;
    bool AfterPoint = false;
    int FirstZero = -1;
    for (qsizetype i = 0; i < F.size(); ++i) {
        const QChar c = F[i];
        if (c == u'"' || c == u'\'') {
            const qsizetype j = F.indexOf(c, i + 1);
            i = j < 0 ? F.size() : j;
        } else if (c == u'0' || c == u'#') {
            if (AfterPoint) {
                ++s.DecPlaces;
                if (c == u'0') s.DecMin = s.DecPlaces;
            } else {
                if (c == u'0' && FirstZero < 0) FirstZero = s.IntPlaces;
                ++s.IntPlaces;
            }
        } else if (c == u'.') {
            AfterPoint = true;
        } else if (c == u',') {
            if (!AfterPoint) s.Thousands = true;
        } else if (IsExponentAt(F, i)) {
            s.Scientific = true;
            break;
        }
    }
    s.IntMin = FirstZero < 0 ? 0 : s.IntPlaces - FirstZero;
    return s;
}

// A pattern split into its sections and scanned once.
struct TNumberPattern {
    std::vector<TSection> Sections;
    bool Has(size_t i) const { return Sections.size() > i && !Sections[i].Text.isEmpty(); }
};

TNumberPattern CompileNumberPattern(const QString& Format) {
    TNumberPattern P;
    for (const QString& Section : SplitSections(Format))
        P.Sections.push_back(ScanSection(Section));
    return P;
}

// The digits of a section, before the pattern places them.
struct TPlaced {
    QVarLengthArray<char16_t, 48> Int;  // integer digits, padded to the section's minimum
    QVarLengthArray<char16_t, 48> Frac; // fraction digits, trailing zeros dropped down to the minimum
    int Exponent = 0;
    bool Zero = true;
};

void PlaceDigits(TPlaced& p, const TNumber& n, const TSection& s) {
    TDecimal d;
    QVarLengthArray<char16_t, 48> Int;
    if (s.Scientific) {
        const int Significant = std::max(1, s.IntPlaces + s.DecPlaces);
        d = Rounded(n, Significant, 9999);
        p.Exponent = d.IsZero() ? 0 : d.Exponent - s.IntPlaces;
        for (int i = 0; i < s.IntPlaces; ++i)
            Int.append(char16_t(DigitAt(d, i)));
        for (int i = 0; i < s.DecPlaces; ++i)
            p.Frac.append(char16_t(DigitAt(d, s.IntPlaces + i)));
    } else {
        d = Rounded(n, n.MaxPrecision, s.DecPlaces);
        for (int i = 0; i < d.Exponent; ++i)
            Int.append(char16_t(DigitAt(d, i)));
        for (int i = 0; i < s.DecPlaces; ++i)
            p.Frac.append(char16_t(DigitAt(d, d.Exponent + i)));
    }
    p.Zero = d.IsZero();
    qsizetype Lead = 0;
    while (Lead < Int.size() && Int[Lead] == u'0')
        ++Lead;
    for (qsizetype i = Int.size() - Lead; i < s.IntMin; ++i)
        p.Int.append(u'0');
    p.Int.append(Int.constData() + Lead, Int.size() - Lead);
    while (p.Frac.size() > s.DecMin && p.Frac.back() == u'0')
        p.Frac.removeLast();
}

void EmitSection(TTextBuffer& R, const TSection& s, const TPlaced& p, const TFormatSettings& S) {
    const QString& F = s.Text;
    const int L = int(p.Int.size());
    int IntIndex = 0; // integer placeholders met so far
    int FracIndex = 0;
    bool AfterPoint = false;
    bool IntDone = false;
    auto PutIntDigit = [&](int k) {
        R.Add(p.Int[k]);
        const int Pos = L - 1 - k;
        if (s.Thousands && Pos > 0 && Pos % 3 == 0) R.Add(S.ThousandSeparator);
    };
    // Digits that have no placeholder of their own all go where the first one stands.
    auto PutAllInt = [&] {
        if (IntDone) return;
        for (int k = 0; k < L; ++k) PutIntDigit(k);
        IntDone = true;
    };
    auto PutQuoted = [&](qsizetype& i) {
        const QChar q = F[i];
        const qsizetype j = F.indexOf(q, i + 1);
        const qsizetype End = j < 0 ? F.size() : j;
        R.Add(QStringView(F).mid(i + 1, End - i - 1));
        i = End;
    };
    for (qsizetype i = 0; i < F.size(); ++i) {
        const QChar c = F[i];
        if (c == u'"' || c == u'\'') {
            PutQuoted(i);
        } else if (c == u'0' || c == u'#') {
            if (AfterPoint) {
                if (FracIndex < p.Frac.size()) R.Add(p.Frac[FracIndex]);
                ++FracIndex;
            } else if (!IntDone) {
                const int Pos = s.IntPlaces - 1 - IntIndex;
                if (IntIndex == 0)
                    for (int k = 0; k < L - s.IntPlaces; ++k) PutIntDigit(k);
                if (Pos < L) PutIntDigit(L - 1 - Pos);
                if (++IntIndex == s.IntPlaces) IntDone = true;
            }
        } else if (c == u'.') {
            if (!AfterPoint) {
                PutAllInt();
                AfterPoint = true;
                if (!p.Frac.isEmpty()) R.Add(S.DecimalSeparator);
            }
        } else if (c == u',') {
            // a flag, not a character of the output
        } else if (IsExponentAt(F, i)) {
            PutAllInt();
            R.Add(c);
            const bool AlwaysSign = F[i + 1] == u'+';
            i += 2;
            int MinDigits = 0;
            while (i < F.size() && F[i] == u'0') {
                ++MinDigits;
                ++i;
            }
            --i;
            AddExponent(R, p.Exponent, AlwaysSign, std::min(MinDigits, 4));
            // whatever follows the exponent is literal text
            for (++i; i < F.size(); ++i) {
                const QChar t = F[i];
                if (t == u'"' || t == u'\'')
                    PutQuoted(i);
                else if (t != u'0' && t != u'#' && t != u',' && t != u'.')
                    R.Add(t);
            }
            break;
        } else {
            R.Add(c);
        }
    }
    PutAllInt();
}

// Patterns met before, read once: a label formats every record with the same one. Entries keep the
// pattern's text, so a pattern found at the same address is the same pattern.
template <class TPattern, TPattern (*Compile)(const QString&)>
const TPattern& PatternOf(const QString& Format) {
    struct TEntry {
        QString Format;
        TPattern Pattern;
    };
    static std::array<TEntry, 8> Cache;
    static size_t Next = 0;
    for (TEntry& E : Cache)
        if (!E.Format.isEmpty() &&
            ((E.Format.constData() == Format.constData() && E.Format.size() == Format.size()) ||
             E.Format == Format))
            return E.Pattern;
    TEntry& E = Cache[Next];
    Next = (Next + 1) % Cache.size();
    E.Pattern = Compile(Format);
    E.Format = Format;
    return E.Pattern;
}

const TNumberPattern& NumberPatternOf(const QString& Format) {
    return PatternOf<TNumberPattern, CompileNumberPattern>(Format);
}

void FormatPattern(TTextBuffer& R, const QString& Format, const TNumber& n, const TFormatSettings& S) {
    if (Format.isEmpty()) {
        FormatNumberF(R, n, ffGeneral, n.IsCurrency ? 19 : 15, 0, S);
        return;
    }
    const TNumberPattern& P = NumberPatternOf(Format);
    size_t Index = 0;
    if (n.Full.IsZero())
        Index = P.Has(2) ? 2 : 0;
    else if (n.Full.Negative)
        Index = P.Has(1) ? 1 : 0;
    TPlaced Placed;
    PlaceDigits(Placed, n, P.Sections[Index]);
    if (Placed.Zero && Index != 2 && P.Has(2)) {
        Index = 2;
        Placed = TPlaced();
        PlaceDigits(Placed, n, P.Sections[Index]);
    }
    if (Index == 0 && n.Full.Negative && !Placed.Zero) R.Add(u'-');
    EmitSection(R, P.Sections[Index], Placed, S);
}

} // namespace

QString FormatFloat(const QString& Format, double Value, const TFormatSettings& Settings) {
    QString R;
    FormatFloat(Format, Value, R, Settings);
    return R;
}

void FormatFloat(const QString& Format, double Value, QString& Into, const TFormatSettings& Settings) {
    TTextBuffer R;
    if (!std::isfinite(Value)) {
        R.AddLatin1(Special(Value));
    } else {
        TNumber n = NumberOf(Value);
        n.MaxPrecision = 15;
        FormatPattern(R, Format, n, Settings);
    }
    R.CopyTo(Into);
}

QString FormatCurr(const QString& Format, Currency Value, const TFormatSettings& Settings) {
    QString R;
    FormatCurr(Format, Value, R, Settings);
    return R;
}

void FormatCurr(const QString& Format, Currency Value, QString& Into, const TFormatSettings& Settings) {
    TTextBuffer R;
    FormatPattern(R, Format, NumberOf(Value), Settings);
    R.CopyTo(Into);
}

// ---------------------------------------------------------------------------------------------
// Dates

namespace {

constexpr int64_t MSecsPerDay = 86400000;
// Day numbers of the civil calendar counted from 1970-01-01.
constexpr int64_t UnixToSerial = 25569;

int64_t DaysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t Era = (y >= 0 ? y : y - 399) / 400;
    const int64_t Yoe = y - Era * 400;
    const int64_t Doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const int64_t Doe = Yoe * 365 + Yoe / 4 - Yoe / 100 + Doy;
    return Era * 146097 + Doe - 719468;
}

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const int64_t Era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t Doe = z - Era * 146097;
    const int64_t Yoe = (Doe - Doe / 1460 + Doe / 36524 - Doe / 146096) / 365;
    const int64_t Doy = Doe - (365 * Yoe + Yoe / 4 - Yoe / 100);
    const int64_t Mp = (5 * Doy + 2) / 153;
    d = int(Doy - (153 * Mp + 2) / 5 + 1);
    m = int(Mp < 10 ? Mp + 3 : Mp - 9);
    y = int(Yoe + Era * 400 + (m <= 2));
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
    static const int Days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : Days[m - 1];
}

[[noreturn]] void InvalidDate() { throw EConvertError(QStringLiteral("Invalid argument to date encode")); }

// Whole days and milliseconds of the day; the time of a negative value counts forward from its
// date, as the day numbers do.
struct TSplit {
    int64_t Days = 0;
    int MSec = 0;
};

[[noreturn]] void InvalidDateTime() {
    throw EConvertError(QStringLiteral("Invalid date and time value"));
}

bool TrySplitDateTime(TDateTime Value, TSplit& s) {
    // 2958466 is 10000-01-01, the first day the calendar routines refuse.
    if (!std::isfinite(Value) || std::fabs(Value) >= 2958466.0) return false;
    const int64_t Ms = Round(Value * double(MSecsPerDay));
    s.Days = Ms / MSecsPerDay;
    s.MSec = int(std::llabs(Ms % MSecsPerDay));
    return true;
}

struct TParts {
    int Year = 0, Month = 0, Day = 0, DayOfWeek = 0; // DayOfWeek 0 = Sunday
    int Hour = 0, Min = 0, Sec = 0, MSec = 0;
    bool HasTime = false;
};

bool TryPartsOf(TDateTime Value, TParts& p) {
    TSplit s;
    if (!TrySplitDateTime(Value, s)) return false;
    CivilFromDays(s.Days - UnixToSerial, p.Year, p.Month, p.Day);
    if (p.Year < 1 || p.Year > 9999) return false;
    p.DayOfWeek = int(((s.Days - 1) % 7 + 7) % 7);
    p.Hour = s.MSec / 3600000;
    p.Min = s.MSec / 60000 % 60;
    p.Sec = s.MSec / 1000 % 60;
    p.MSec = s.MSec % 1000;
    p.HasTime = s.MSec != 0;
    return true;
}

TParts PartsOf(TDateTime Value) {
    TParts p;
    if (!TryPartsOf(Value, p)) InvalidDateTime();
    return p;
}

qsizetype RunLength(const QString& F, qsizetype i) {
    const QChar u = F[i].toUpper();
    qsizetype k = i;
    while (k < F.size() && F[k].toUpper() == u) ++k;
    return k - i;
}

bool StartsWithNoCase(const QString& F, qsizetype i, QLatin1StringView Word) {
    return QStringView(F).mid(i, Word.size()).compare(Word, Qt::CaseInsensitive) == 0;
}

bool UsesAmPm(const QString& F) {
    for (qsizetype i = 0; i < F.size(); ++i) {
        const QChar c = F[i];
        if (c == u'"' || c == u'\'') {
            const qsizetype j = F.indexOf(c, i + 1);
            i = j < 0 ? F.size() : j;
        } else if (StartsWithNoCase(F, i, QLatin1StringView("am/pm")) ||
                   StartsWithNoCase(F, i, QLatin1StringView("a/p")) ||
                   StartsWithNoCase(F, i, QLatin1StringView("ampm"))) {
            return true;
        }
    }
    return false;
}

// One field or literal of a date-time pattern.
enum TDateToken : uint8_t {
    dtLiteral,     // Text
    dtDateAndTime, // "c": the short date, and the long time when there is a time
    dtShortDate,
    dtLongDate,
    dtShortTime,
    dtLongTime,
    dtDay,
    dtDay2,
    dtDayShortName,
    dtDayLongName,
    dtYear2,
    dtYear4,
    dtMonth,
    dtMonth2,
    dtMonthShortName,
    dtMonthLongName,
    dtHour, // in twelve hours when the pattern has a half of the day
    dtHour2,
    dtMinute,
    dtMinute2,
    dtSecond,
    dtSecond2,
    dtMSec,
    dtMSec3,
    dtHalfOfDay, // Text before noon, Text2 after
    dtAmPm,      // the settings' strings
    dtDateSeparator,
    dtTimeSeparator,
};

struct TDateField {
    TDateToken Kind;
    QString Text;
    QString Text2;
};

struct TDatePattern {
    bool AmPm = false;
    std::vector<TDateField> Fields;
};

TDatePattern CompileDatePattern(const QString& F) {
    TDatePattern P;
    P.AmPm = UsesAmPm(F);
    auto Add = [&P](TDateToken Kind, QString Text = QString(), QString Text2 = QString()) {
        P.Fields.push_back({Kind, std::move(Text), std::move(Text2)});
    };
    auto AddText = [&P, &Add](QStringView Text) {
        if (!P.Fields.empty() && P.Fields.back().Kind == dtLiteral)
            P.Fields.back().Text += Text;
        else
            Add(dtLiteral, Text.toString());
    };
    bool AfterHour = false;
    for (qsizetype i = 0; i < F.size();) {
        const QChar c = F[i];
        const char u = char(c.toUpper().toLatin1());
        qsizetype n = 1;
        bool Hour_ = false;
        switch (u) {
        case '"':
        case '\'': {
            const qsizetype j = F.indexOf(c, i + 1);
            const qsizetype End = j < 0 ? F.size() : j;
            AddText(QStringView(F).mid(i + 1, End - i - 1));
            n = End - i + 1;
            break;
        }
        case 'C':
            Add(dtDateAndTime);
            break;
        case 'D':
            n = RunLength(F, i);
            Add(n == 1   ? dtDay
                : n == 2 ? dtDay2
                : n == 3 ? dtDayShortName
                : n == 4 ? dtDayLongName
                : n == 5 ? dtShortDate
                         : dtLongDate);
            break;
        case 'Y':
            n = RunLength(F, i);
            Add(n <= 2 ? dtYear2 : dtYear4);
            break;
        case 'M':
            n = RunLength(F, i);
            if (AfterHour && n <= 2)
                Add(n == 1 ? dtMinute : dtMinute2);
            else
                Add(n == 1 ? dtMonth : n == 2 ? dtMonth2 : n == 3 ? dtMonthShortName : dtMonthLongName);
            break;
        case 'H':
            n = RunLength(F, i);
            Add(n == 1 ? dtHour : dtHour2);
            Hour_ = true;
            break;
        case 'N':
            n = RunLength(F, i);
            Add(n == 1 ? dtMinute : dtMinute2);
            break;
        case 'S':
            n = RunLength(F, i);
            Add(n == 1 ? dtSecond : dtSecond2);
            break;
        case 'Z':
            n = RunLength(F, i);
            Add(n < 3 ? dtMSec : dtMSec3);
            break;
        case 'T':
            n = RunLength(F, i);
            Add(n == 1 ? dtShortTime : dtLongTime);
            break;
        case 'A':
            if (StartsWithNoCase(F, i, QLatin1StringView("am/pm"))) {
                Add(dtHalfOfDay, F.mid(i, 2), F.mid(i + 3, 2));
                n = 5;
            } else if (StartsWithNoCase(F, i, QLatin1StringView("a/p"))) {
                Add(dtHalfOfDay, F.mid(i, 1), F.mid(i + 2, 1));
                n = 3;
            } else if (StartsWithNoCase(F, i, QLatin1StringView("ampm"))) {
                Add(dtAmPm);
                n = 4;
            } else {
                AddText(QStringView(&c, 1));
            }
            break;
        case '/':
            Add(dtDateSeparator);
            break;
        case ':':
            Add(dtTimeSeparator);
            break;
        default:
            AddText(QStringView(&c, 1));
            break;
        }
        // Only another field ends the hour's claim on a following "m"; separators do not.
        if (Hour_)
            AfterHour = true;
        else if (c.isLetter())
            AfterHour = false;
        i += n;
    }
    return P;
}

const TDatePattern& DatePatternOf(const QString& Format) {
    return PatternOf<TDatePattern, CompileDatePattern>(Format);
}

void AppendDateTime(TTextBuffer& R, const QString& F, const TParts& p, const TFormatSettings& S, int Depth) {
    // The named formats may refer to each other; two levels are all any real one needs.
    if (Depth > 2 || F.isEmpty()) return;
    const TDatePattern& P = DatePatternOf(F);
    const int Hour12 = p.Hour % 12 == 0 ? 12 : p.Hour % 12;
    const int Hour = P.AmPm ? Hour12 : p.Hour;
    for (const TDateField& Field : P.Fields) {
        switch (Field.Kind) {
        case dtLiteral:
            R.Add(Field.Text);
            break;
        case dtDateAndTime:
            AppendDateTime(R, S.ShortDateFormat, p, S, Depth + 1);
            if (p.HasTime) {
                R.Add(u' ');
                AppendDateTime(R, S.LongTimeFormat, p, S, Depth + 1);
            }
            break;
        case dtShortDate:
            AppendDateTime(R, S.ShortDateFormat, p, S, Depth + 1);
            break;
        case dtLongDate:
            AppendDateTime(R, S.LongDateFormat, p, S, Depth + 1);
            break;
        case dtShortTime:
            AppendDateTime(R, S.ShortTimeFormat, p, S, Depth + 1);
            break;
        case dtLongTime:
            AppendDateTime(R, S.LongTimeFormat, p, S, Depth + 1);
            break;
        case dtDay:
            R.AddNumber(uint64_t(p.Day));
            break;
        case dtDay2:
            R.AddNumber(uint64_t(p.Day), 2);
            break;
        case dtDayShortName:
            R.Add(S.ShortDayNames[size_t(p.DayOfWeek)]);
            break;
        case dtDayLongName:
            R.Add(S.LongDayNames[size_t(p.DayOfWeek)]);
            break;
        case dtYear2:
            R.AddNumber(uint64_t(p.Year % 100), 2);
            break;
        case dtYear4:
            R.AddNumber(uint64_t(p.Year), 4);
            break;
        case dtMonth:
            R.AddNumber(uint64_t(p.Month));
            break;
        case dtMonth2:
            R.AddNumber(uint64_t(p.Month), 2);
            break;
        case dtMonthShortName:
            R.Add(S.ShortMonthNames[size_t(p.Month - 1)]);
            break;
        case dtMonthLongName:
            R.Add(S.LongMonthNames[size_t(p.Month - 1)]);
            break;
        case dtHour:
            R.AddNumber(uint64_t(Hour));
            break;
        case dtHour2:
            R.AddNumber(uint64_t(Hour), 2);
            break;
        case dtMinute:
            R.AddNumber(uint64_t(p.Min));
            break;
        case dtMinute2:
            R.AddNumber(uint64_t(p.Min), 2);
            break;
        case dtSecond:
            R.AddNumber(uint64_t(p.Sec));
            break;
        case dtSecond2:
            R.AddNumber(uint64_t(p.Sec), 2);
            break;
        case dtMSec:
            R.AddNumber(uint64_t(p.MSec));
            break;
        case dtMSec3:
            R.AddNumber(uint64_t(p.MSec), 3);
            break;
        case dtHalfOfDay:
            R.Add(p.Hour < 12 ? Field.Text : Field.Text2);
            break;
        case dtAmPm:
            R.Add(p.Hour < 12 ? S.TimeAMString : S.TimePMString);
            break;
        case dtDateSeparator:
            R.Add(S.DateSeparator);
            break;
        case dtTimeSeparator:
            R.Add(S.TimeSeparator);
            break;
        }
    }
}

} // namespace

bool CanFormatDateTime(TDateTime Value) {
    TParts p;
    return TryPartsOf(Value, p);
}

QString FormatDateTime(const QString& Format, TDateTime Value, const TFormatSettings& Settings) {
    QString R;
    FormatDateTime(Format, Value, R, Settings);
    return R;
}

void FormatDateTime(const QString& Format, TDateTime Value, QString& Into, const TFormatSettings& Settings) {
    const TParts p = PartsOf(Value);
    TTextBuffer R;
    if (Format.isEmpty()) {
        static const QString DateAndTime = QStringLiteral("c");
        AppendDateTime(R, DateAndTime, p, Settings, 0);
    } else {
        AppendDateTime(R, Format, p, Settings, 0);
    }
    R.CopyTo(Into);
}

QString DateToStr(TDateTime Value, const TFormatSettings& Settings) {
    return FormatDateTime(QStringLiteral("ddddd"), Value, Settings);
}

QString TimeToStr(TDateTime Value, const TFormatSettings& Settings) {
    return FormatDateTime(QStringLiteral("tt"), Value, Settings);
}

QString DateTimeToStr(TDateTime Value, const TFormatSettings& Settings) {
    return FormatDateTime(QStringLiteral("c"), Value, Settings);
}

bool TryEncodeDate(int Year, int Month, int Day, TDateTime& Result) {
    if (Year < 1 || Year > 9999 || Month < 1 || Month > 12 || Day < 1 || Day > DaysInMonth(Year, Month))
        return false;
    Result = double(DaysFromCivil(Year, Month, Day) + UnixToSerial);
    return true;
}

bool TryEncodeTime(int Hour, int Min, int Sec, int MSec, TDateTime& Result) {
    if (Hour < 0 || Hour > 23 || Min < 0 || Min > 59 || Sec < 0 || Sec > 59 || MSec < 0 || MSec > 999)
        return false;
    Result = double(((Hour * 60 + Min) * 60 + Sec) * 1000 + MSec) / double(MSecsPerDay);
    return true;
}

TDateTime EncodeDate(int Year, int Month, int Day) {
    TDateTime R;
    if (!TryEncodeDate(Year, Month, Day, R)) InvalidDate();
    return R;
}

TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec) {
    TDateTime R;
    if (!TryEncodeTime(Hour, Min, Sec, MSec, R)) InvalidDate();
    return R;
}

namespace {

std::function<TDateTime()>& NowClock() {
    static std::function<TDateTime()> Clock;
    return Clock;
}

TDateTime SystemNow() {
    const QDateTime Local = QDateTime::currentDateTime();
    const QDate d = Local.date();
    const QTime t = Local.time();
    return EncodeDate(d.year(), d.month(), d.day()) + EncodeTime(t.hour(), t.minute(), t.second(), t.msec());
}

} // namespace

TDateTime Now() {
    const auto& Clock = NowClock();
    return Clock ? Clock() : SystemNow();
}

void SetNowClock(std::function<TDateTime()> Clock) { NowClock() = std::move(Clock); }

void ResetNowClock() { NowClock() = nullptr; }

void DecodeDayNumber(int64_t DayNumber, int& Year, int& Month, int& Day) {
    CivilFromDays(DayNumber - UnixToSerial, Year, Month, Day);
}

void DecodeDate(TDateTime Value, int& Year, int& Month, int& Day) {
    const TParts p = PartsOf(Value);
    Year = p.Year;
    Month = p.Month;
    Day = p.Day;
}

void DecodeTime(TDateTime Value, int& Hour, int& Min, int& Sec, int& MSec) {
    const TParts p = PartsOf(Value);
    Hour = p.Hour;
    Min = p.Min;
    Sec = p.Sec;
    MSec = p.MSec;
}

int DayOfWeek(TDateTime Value) { return PartsOf(Value).DayOfWeek + 1; }

// ---------------------------------------------------------------------------------------------
// Edit masks

namespace {

struct TMaskItem {
    bool Literal = false;
    QChar Ch;
    int Case = 0; // 0 as typed, 1 upper, 2 lower
};

struct TMask {
    std::vector<TMaskItem> Items;
    bool RightAlign = false;
    bool SaveLiterals = true;
};

TMask ParseMask(const QString& EditMask) {
    // The fields are split at the semicolons that are not escaped; the first is the mask itself.
    std::vector<QString> Fields(1);
    for (qsizetype i = 0; i < EditMask.size(); ++i) {
        const QChar c = EditMask[i];
        if (c == u'\\' && i + 1 < EditMask.size()) {
            Fields.back() += c;
            Fields.back() += EditMask[++i];
        } else if (c == u';' && Fields.size() < 3) {
            Fields.emplace_back();
        } else {
            Fields.back() += c;
        }
    }
    TMask m;
    if (Fields.size() > 1) m.SaveLiterals = Fields[1].trimmed() != QStringLiteral("0");
    const QString& F = Fields[0];
    const TFormatSettings& S = FormatSettings();
    int Case = 0;
    for (qsizetype i = 0; i < F.size(); ++i) {
        const QChar c = F[i];
        switch (c.unicode()) {
        case u'!':
            m.RightAlign = true;
            break;
        case u'>':
            Case = 1;
            break;
        case u'<':
            // "<>" switches case conversion off again
            if (i + 1 < F.size() && F[i + 1] == u'>') {
                Case = 0;
                ++i;
            } else {
                Case = 2;
            }
            break;
        case u'\\':
            if (i + 1 < F.size()) m.Items.push_back({true, F[++i], 0});
            break;
        case u'L': case u'l': case u'A': case u'a': case u'C': case u'c': case u'0': case u'9': case u'#':
            m.Items.push_back({false, c, Case});
            break;
        case u':':
            m.Items.push_back({true, S.TimeSeparator, 0});
            break;
        case u'/':
            m.Items.push_back({true, S.DateSeparator, 0});
            break;
        case u'_':
            m.Items.push_back({true, u' ', 0});
            break;
        default:
            m.Items.push_back({true, c, 0});
            break;
        }
    }
    return m;
}

QChar Cased(QChar c, int Case) { return Case == 1 ? c.toUpper() : Case == 2 ? c.toLower() : c; }

} // namespace

QString FormatMaskText(const QString& EditMask, const QString& Value) {
    const TMask m = ParseMask(EditMask);
    const qsizetype n = qsizetype(m.Items.size());
    std::vector<QChar> Out(size_t(n), QChar(u' '));
    const qsizetype Slots = m.SaveLiterals ? n : std::count_if(m.Items.begin(), m.Items.end(),
                                                                 [](const TMaskItem& t) { return !t.Literal; });
    // With "!" a short value fills the mask from its end, so the missing characters lead.
    const bool Backward = m.RightAlign && Value.size() < Slots;
    qsizetype v = Backward ? Value.size() - 1 : 0;
    for (qsizetype k = 0; k < n; ++k) {
        const qsizetype i = Backward ? n - 1 - k : k;
        const TMaskItem& t = m.Items[size_t(i)];
        const bool HaveValue = Backward ? v >= 0 : v < Value.size();
        if (t.Literal) {
            Out[size_t(i)] = t.Ch;
            // A value that carries the literals has the same character here: step over it.
            if (m.SaveLiterals && HaveValue && Value[v] == t.Ch) v += Backward ? -1 : 1;
        } else if (HaveValue) {
            Out[size_t(i)] = Cased(Value[v], t.Case);
            v += Backward ? -1 : 1;
        }
    }
    QString R;
    R.reserve(n);
    for (QChar c : Out) R += c;
    return R;
}

// ---------------------------------------------------------------------------------------------
// Text to numbers and dates

bool TryStrToInt(const QString& S, int& Value) {
    qsizetype i = 0;
    while (i < S.size() && S[i] == u' ') ++i;
    bool Negative = false;
    if (i < S.size() && (S[i] == u'+' || S[i] == u'-')) Negative = S[i++] == u'-';
    int Base = 10;
    if (i < S.size() && (S[i] == u'$' || S[i] == u'x' || S[i] == u'X')) {
        Base = 16;
        ++i;
    } else if (i + 1 < S.size() && S[i] == u'0' && (S[i + 1] == u'x' || S[i + 1] == u'X')) {
        Base = 16;
        i += 2;
    }
    if (i >= S.size()) return false;
    uint64_t Acc = 0;
    for (; i < S.size(); ++i) {
        const int d = S[i].isDigit() ? S[i].digitValue()
                      : Base == 16 && S[i].toLower() >= u'a' && S[i].toLower() <= u'f'
                          ? S[i].toLower().unicode() - u'a' + 10
                          : -1;
        if (d < 0 || d >= Base || S[i].unicode() > 127) return false;
        Acc = Acc * uint64_t(Base) + uint64_t(d);
        if (Acc > 0xFFFFFFFFull) return false;
    }
    if (Base == 10) {
        if (Negative ? Acc > 2147483648ull : Acc > 2147483647ull) return false;
        Value = Negative ? int(-int64_t(Acc)) : int(Acc);
    } else {
        // Hexadecimal texts name the 32 bits, so $FFFFFFFF is -1.
        const int32_t Bits = int32_t(uint32_t(Acc));
        Value = Negative ? int(-int64_t(Bits)) : Bits;
        if (Negative && Bits == INT32_MIN) return false;
    }
    return true;
}

int StrToInt(const QString& S) {
    int v;
    if (!TryStrToInt(S, v)) throw EConvertError(QStringLiteral("'%s' is not a valid integer value"), {S});
    return v;
}

bool TryStrToFloat(const QString& S, double& Value, const TFormatSettings& Settings) {
    const QString T = S.trimmed();
    std::string C;
    qsizetype i = 0;
    if (i < T.size() && (T[i] == u'+' || T[i] == u'-')) C += char(T[i++].unicode());
    int Mantissa = 0;
    while (i < T.size() && T[i] >= u'0' && T[i] <= u'9') C += char(T[i++].unicode()), ++Mantissa;
    if (i < T.size() && T[i] == Settings.DecimalSeparator) {
        C += '.';
        ++i;
        while (i < T.size() && T[i] >= u'0' && T[i] <= u'9') C += char(T[i++].unicode()), ++Mantissa;
    }
    if (Mantissa == 0) return false;
    if (i < T.size() && (T[i] == u'e' || T[i] == u'E')) {
        C += 'e';
        ++i;
        if (i < T.size() && (T[i] == u'+' || T[i] == u'-')) C += char(T[i++].unicode());
        int ExpDigits = 0;
        while (i < T.size() && T[i] >= u'0' && T[i] <= u'9') C += char(T[i++].unicode()), ++ExpDigits;
        if (ExpDigits == 0) return false;
    }
    if (i != T.size()) return false;
    const double v = std::strtod(C.c_str(), nullptr);
    if (!std::isfinite(v)) return false;
    Value = v;
    return true;
}

double StrToFloat(const QString& S, const TFormatSettings& Settings) {
    double v;
    if (!TryStrToFloat(S, v, Settings))
        throw EConvertError(QStringLiteral("'%s' is not a valid floating point value"), {S});
    return v;
}

Currency StrToCurr(const QString& S, const TFormatSettings& Settings) {
    return Currency::FromDouble(StrToFloat(S, Settings));
}

namespace {

// A small scanner over the text of a date and time.
class TDateScanner {
public:
    explicit TDateScanner(const QString& Text) : T(Text) {}

    void SkipBlanks() {
        while (i < T.size() && T[i] == u' ') ++i;
    }
    bool AtEnd() const { return i >= T.size(); }
    bool Take(QChar c) {
        if (i < T.size() && T[i] == c) {
            ++i;
            return true;
        }
        return false;
    }
    bool TakeWord(const QString& W) {
        if (!W.isEmpty() && T.mid(i, W.size()).compare(W, Qt::CaseInsensitive) == 0) {
            i += W.size();
            return true;
        }
        return false;
    }
    // A month by its long or short name; Month is 1..12.
    bool MonthName(const TFormatSettings& S, int& Month) {
        for (int k = 0; k < 12; ++k)
            for (const QString* Name : {&S.LongMonthNames[size_t(k)], &S.ShortMonthNames[size_t(k)]})
                if (TakeWord(*Name)) {
                    Month = k + 1;
                    return true;
                }
        return false;
    }
    // Up to MaxDigits decimal digits; Digits says how many there were.
    bool Number(int& Value, int& Digits, int MaxDigits = 9) {
        Value = 0;
        Digits = 0;
        while (i < T.size() && T[i] >= u'0' && T[i] <= u'9' && Digits < MaxDigits) {
            Value = Value * 10 + (T[i++].unicode() - u'0');
            ++Digits;
        }
        return Digits > 0;
    }
    qsizetype Pos() const { return i; }
    void SetPos(qsizetype p) { i = p; }

private:
    const QString& T;
    qsizetype i = 0;
};

// The order of day, month and year as the short date format gives them: "DMY", "MDY" or "YMD".
QString DateOrder(const QString& Format) {
    QString R;
    bool Quoted = false;
    for (QChar c : Format) {
        if (c == u'"' || c == u'\'') Quoted = !Quoted;
        if (Quoted) continue;
        const QChar u = c.toUpper();
        if ((u == u'D' || u == u'M' || u == u'Y') && !R.contains(u)) R += u;
    }
    return R.size() == 3 ? R : QStringLiteral("MDY");
}

bool ScanDate(TDateScanner& Sc, const TFormatSettings& S, TDateTime& Date) {
    const qsizetype Start = Sc.Pos();
    int v[3], Digits[3];
    int n = 0;
    int NamedMonth = 0; // a month given by name, wherever it stands
    auto Field = [&] {
        if (NamedMonth == 0 && Sc.MonthName(S, NamedMonth)) return true;
        if (!Sc.Number(v[n], Digits[n])) return false;
        ++n;
        return true;
    };
    if (!Field()) return false;
    int Fields = 1;
    while (Fields < 3 && Sc.Take(S.DateSeparator)) {
        if (!Field()) return false;
        ++Fields;
    }
    if (Fields < 2) {
        Sc.SetPos(Start);
        return false;
    }
    Sc.Take(S.DateSeparator); // a trailing separator is harmless
    QString Order = DateOrder(S.ShortDateFormat);
    int Year = QDate::currentDate().year(), Month = 0, Day = 0, YearDigits = 4;
    if (NamedMonth != 0) {
        Month = NamedMonth;
        Order.remove(u'M');
        if (n == 2) {
            Day = Order[0] == u'D' ? v[0] : v[1];
            Year = Order[0] == u'D' ? v[1] : v[0];
            YearDigits = Order[0] == u'D' ? Digits[1] : Digits[0];
        } else {
            Day = v[0];
        }
    } else if (n == 3) {
        for (int k = 0; k < 3; ++k) {
            if (Order[k] == u'Y') Year = v[k], YearDigits = Digits[k];
            else if (Order[k] == u'M') Month = v[k];
            else Day = v[k];
        }
    } else {
        QString Md = Order;
        Md.remove(u'Y');
        Month = Md[0] == u'M' ? v[0] : v[1];
        Day = Md[0] == u'M' ? v[1] : v[0];
    }
    if (YearDigits <= 2) {
        const int Now = QDate::currentDate().year();
        const int Floor = Now - S.TwoDigitYearCenturyWindow;
        Year += Floor / 100 * 100;
        if (S.TwoDigitYearCenturyWindow > 0 && Year < Floor) Year += 100;
    }
    return TryEncodeDate(Year, Month, Day, Date);
}

bool ScanTime(TDateScanner& Sc, const TFormatSettings& S, TDateTime& Time) {
    int h, m = 0, s = 0, ms = 0, d;
    if (!Sc.Number(h, d, 2)) return false;
    bool Separated = false;
    if (Sc.Take(S.TimeSeparator)) {
        Separated = true;
        if (!Sc.Number(m, d, 2)) return false;
        if (Sc.Take(S.TimeSeparator)) {
            if (!Sc.Number(s, d, 2)) return false;
            if (Sc.Take(S.DecimalSeparator)) {
                if (!Sc.Number(ms, d, 3)) return false;
                while (d < 3) ms *= 10, ++d;
            }
        }
    }
    Sc.SkipBlanks();
    int Half = 0; // 1 morning, 2 afternoon
    if (Sc.TakeWord(S.TimeAMString) || Sc.TakeWord(QStringLiteral("AM"))) Half = 1;
    else if (Sc.TakeWord(S.TimePMString) || Sc.TakeWord(QStringLiteral("PM"))) Half = 2;
    if (!Separated && Half == 0) return false;
    if (Half != 0) {
        if (h < 1 || h > 12) return false;
        h = h % 12 + (Half == 2 ? 12 : 0);
    }
    return TryEncodeTime(h, m, s, ms, Time);
}

} // namespace

bool TryStrToDateTime(const QString& S, TDateTime& Value, const TFormatSettings& Settings) {
    const QString T = S.trimmed();
    TDateScanner Sc(T);
    TDateTime Date = 0, Time = 0;
    const bool HaveDate = ScanDate(Sc, Settings, Date);
    if (!HaveDate) Sc.SetPos(0);
    Sc.SkipBlanks();
    bool HaveTime = false;
    if (!Sc.AtEnd()) {
        HaveTime = ScanTime(Sc, Settings, Time);
        if (!HaveTime) return false;
        Sc.SkipBlanks();
    }
    if (!Sc.AtEnd() || (!HaveDate && !HaveTime)) return false;
    // Before 1899-12-30 the day numbers are negative and the time counts away from zero with them.
    Value = Date < 0 ? Date - Time : Date + Time;
    return true;
}

TDateTime StrToDateTime(const QString& S, const TFormatSettings& Settings) {
    TDateTime v;
    if (!TryStrToDateTime(S, v, Settings))
        throw EConvertError(QStringLiteral("'%s' is not a valid date and time"), {S});
    return v;
}
