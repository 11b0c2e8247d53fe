// Format settings, and numbers formatted to a precision or by a pattern.
#include "host/formatting.h"
#include "host/formatting_internal.h"

#include <QLocale>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <vector>

using namespace FormattingInternal;

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

} // namespace

QString FloatToStrF(double Value, TFloatFormat Format, int Precision, int Digits, const TFormatSettings& Settings) {
    QString R;
    FloatToStrF(Value, Format, Precision, Digits, R, Settings);
    return R;
}

void FloatToStrF(double Value, TFloatFormat Format, int Precision, int Digits, QString& Into,
                 const TFormatSettings& Settings) {
    TTextBuffer R;
    if (!std::isfinite(Value))
        R.AddLatin1(Special(Value));
    else
        FormatNumberF(R, NumberOf(Value), Format, Precision, Digits, Settings);
    R.CopyTo(Into);
}

QString FloatToStr(double Value, const TFormatSettings& Settings) {
    return FloatToStrF(Value, ffGeneral, 15, 0, Settings);
}

QString CurrToStrF(Currency Value, TFloatFormat Format, int Digits, const TFormatSettings& Settings) {
    QString R;
    CurrToStrF(Value, Format, Digits, R, Settings);
    return R;
}

void CurrToStrF(Currency Value, TFloatFormat Format, int Digits, QString& Into,
                const TFormatSettings& Settings) {
    TTextBuffer R;
    FormatNumberF(R, NumberOf(Value), Format, 19, Format == ffExponent ? Digits : std::clamp(Digits, 0, 4),
                  Settings);
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


TPatternHold<TNumberPattern> NumberPatternOf(const QString& Format) {
    return PatternOf<TNumberPattern, CompileNumberPattern>(Format);
}

void FormatPattern(TTextBuffer& R, const QString& Format, const TNumber& n, const TFormatSettings& S) {
    if (Format.isEmpty()) {
        FormatNumberF(R, n, ffGeneral, n.IsCurrency ? 19 : 15, 0, S);
        return;
    }
    const TPatternHold<TNumberPattern> Held = NumberPatternOf(Format);
    const TNumberPattern& P = *Held;
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
