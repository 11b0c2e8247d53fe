// Dates: formatting date and time values by pattern, encoding and decoding them, and the clock.
#include "host/exceptions.h"
#include "host/formatting.h"
#include "host/formatting_internal.h"
#include "host/mathutil.h"

#include <QDate>
#include <QDateTime>

#include <cmath>
#include <cstdlib>
#include <vector>

using namespace FormattingInternal;

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

TPatternHold<TDatePattern> DatePatternOf(const QString& Format) {
    return PatternOf<TDatePattern, CompileDatePattern>(Format);
}

void AppendDateTime(TTextBuffer& R, const QString& F, const TParts& p, const TFormatSettings& S, int Depth) {
    // The named formats may refer to each other; two levels are all any real one needs.
    if (Depth > 2 || F.isEmpty()) return;
    const TPatternHold<TDatePattern> Held = DatePatternOf(F);
    const TDatePattern& P = *Held;
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
