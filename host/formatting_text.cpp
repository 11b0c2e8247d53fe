// Edit masks, and numbers and dates read from text.
#include "host/exceptions.h"
#include "host/formatting.h"

#include <QDate>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

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
