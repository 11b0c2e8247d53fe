#include "host/exceptions.h"
#include "host/formatting.h"

#include <QDate>
#include <QLocale>
#include <gtest/gtest.h>
#include <cmath>
#include <limits>

namespace {

const TFormatSettings& Us() {
    static const TFormatSettings S = TFormatSettings::Fixed();
    return S;
}

// Continental conventions: decimal comma, thousands point, euro after the number.
TFormatSettings Continental() {
    TFormatSettings S = TFormatSettings::Fixed();
    S.DecimalSeparator = u',';
    S.ThousandSeparator = u'.';
    S.CurrencyString = QStringLiteral("EUR");
    S.CurrencyFormat = 3;
    S.NegCurrFormat = 8;
    S.ShortDateFormat = QStringLiteral("dd.MM.yyyy");
    S.DateSeparator = u'.';
    return S;
}

} // namespace

TEST(CurrencyValue, ConvertsFromDoublesHalvesToEvenAndRefusesOverflow) {
    EXPECT_EQ(Currency::FromDouble(2.5).Units(), 25000);
    EXPECT_EQ(Currency::FromDouble(-1.23456).Units(), -12346);
    EXPECT_EQ(Currency::FromDouble(0.00025).Units(), 2);  // 2.5 units -> 2
    EXPECT_EQ(Currency::FromDouble(0.00035).Units(), 4);  // 3.5 units -> 4
    EXPECT_DOUBLE_EQ(Currency::FromUnits(25000).ToDouble(), 2.5);
    EXPECT_THROW(Currency::FromDouble(std::nan("")), EConvertError);
    EXPECT_THROW(Currency::FromDouble(std::numeric_limits<double>::infinity()), EConvertError);
    EXPECT_THROW(Currency::FromDouble(1e15), EConvertError);
    EXPECT_THROW(Currency::FromInt(int64_t(1) << 62), EConvertError);
    const Currency Max = Currency::FromUnits(std::numeric_limits<int64_t>::max());
    EXPECT_THROW(Max + Currency::FromUnits(1), EConvertError);
    EXPECT_THROW(-Currency::FromUnits(std::numeric_limits<int64_t>::min()), EConvertError);
}

TEST(CurrencyValue, DivisionRoundsHalvesToEven) {
    const struct {
        int64_t Units, Divisor, Result;
    } Cases[] = {{10000, 3, 3333}, {5, 2, 2}, {7, 2, 4}, {-5, 2, -2}, {-7, 2, -4}, {5, -2, -2},
                 {20000, 3, 6667}, {9, 6, 2}, {15, 6, 2}, {21, 6, 4}, {0, 7, 0}};
    for (const auto& c : Cases)
        EXPECT_EQ((Currency::FromUnits(c.Units) / c.Divisor).Units(), c.Result) << c.Units << "/" << c.Divisor;
    EXPECT_THROW(Currency::FromUnits(1) / 0, EConvertError);
    EXPECT_EQ((Currency::FromUnits(std::numeric_limits<int64_t>::min()) / 2).Units(),
              std::numeric_limits<int64_t>::min() / 2);
}

TEST(FloatText, FiveFormsWithPrecisionAndDigits) {
    const struct {
        double Value;
        TFloatFormat Format;
        int Precision, Digits;
        const char* Text;
    } Cases[] = {
        {1234.5, ffGeneral, 15, 0, "1234.5"},
        {0.1 + 0.2, ffGeneral, 15, 0, "0.3"},
        {1e20, ffGeneral, 15, 0, "1E20"},
        {1e-5, ffGeneral, 15, 0, "1E-5"},
        {0.0001, ffGeneral, 15, 0, "0.0001"},
        {1.5e-7, ffGeneral, 15, 2, "1.5E-07"},
        {123456789012345678.0, ffGeneral, 15, 0, "1.23456789012346E17"},
        {-1.5, ffGeneral, 15, 0, "-1.5"},
        {0.0, ffGeneral, 15, 0, "0"},
        {2.0 / 3.0, ffGeneral, 4, 0, "0.6667"},
        {1234.5, ffExponent, 4, 2, "1.235E+03"},
        {-0.00012, ffExponent, 2, 0, "-1.2E-4"},
        {0.0, ffExponent, 3, 2, "0.00E+00"},
        {1234.5, ffFixed, 15, 2, "1234.50"},
        {2.5, ffFixed, 15, 0, "3"},
        {-0.001, ffFixed, 15, 2, "0.00"},
        {1.005, ffFixed, 15, 2, "1.00"}, // the double is a hair below 1.005
        {0.125, ffFixed, 15, 2, "0.13"},
        {1e20, ffFixed, 15, 2, "1E20"},
        {1234567.891, ffNumber, 15, 2, "1,234,567.89"},
        {-999.999, ffNumber, 15, 2, "-1,000.00"},
        {0.5, ffNumber, 15, 0, "1"},
        {1234.5, ffCurrency, 15, 2, "$1,234.50"},
        {-1234.5, ffCurrency, 15, 2, "($1,234.50)"},
    };
    for (const auto& c : Cases)
        EXPECT_EQ(FloatToStrF(c.Value, c.Format, c.Precision, c.Digits, Us()), QString::fromLatin1(c.Text))
            << c.Value << " form " << int(c.Format);
    EXPECT_EQ(FloatToStrF(std::nan(""), ffFixed, 15, 2, Us()), QStringLiteral("NAN"));
    EXPECT_EQ(FloatToStrF(-std::numeric_limits<double>::infinity(), ffGeneral, 15, 2, Us()), QStringLiteral("-INF"));
}

TEST(FloatText, SettingsChooseSeparatorsAndCurrencyLayout) {
    const TFormatSettings S = Continental();
    EXPECT_EQ(FloatToStrF(1234567.891, ffNumber, 15, 2, S), QStringLiteral("1.234.567,89"));
    EXPECT_EQ(FloatToStrF(1234.5, ffCurrency, 15, 2, S), QStringLiteral("1.234,50 EUR"));
    EXPECT_EQ(FloatToStrF(-1234.5, ffCurrency, 15, 2, S), QStringLiteral("-1.234,50 EUR"));
    EXPECT_EQ(FloatToStr(0.25, S), QStringLiteral("0,25"));
    // every negative currency layout, in order
    const char* Neg[16] = {"($1.50)", "-$1.50", "$-1.50", "$1.50-", "(1.50$)", "-1.50$", "1.50-$", "1.50$-",
                           "-1.50 $", "-$ 1.50", "1.50 $-", "$ 1.50-", "$ -1.50", "1.50- $", "($ 1.50)", "(1.50 $)"};
    TFormatSettings U = Us();
    for (uint8_t f = 0; f < 16; ++f) {
        U.NegCurrFormat = f;
        EXPECT_EQ(CurrToStrF(Currency::FromUnits(-15000), ffCurrency, 2, U), QString::fromLatin1(Neg[f])) << int(f);
    }
}

TEST(FloatText, CurrencyIsExactToTheLastUnit) {
    const Currency Big = Currency::FromUnits(9223372036854775807);
    EXPECT_EQ(CurrToStr(Big, Us()), QStringLiteral("922337203685477.5807"));
    EXPECT_EQ(CurrToStrF(Big, ffNumber, 4, Us()), QStringLiteral("922,337,203,685,477.5807"));
    EXPECT_EQ(CurrToStrF(Currency::FromUnits(-12345), ffFixed, 2, Us()), QStringLiteral("-1.23"));
    EXPECT_EQ(CurrToStrF(Currency::FromUnits(12350), ffFixed, 2, Us()), QStringLiteral("1.24"));
    EXPECT_EQ(CurrToStr(Currency::FromUnits(30000), Us()), QStringLiteral("3"));
}

TEST(NumberPattern, PlaceholdersSeparatorsAndLiterals) {
    const struct {
        const char* Format;
        double Value;
        const char* Text;
    } Cases[] = {
        {"#,##0.00", 1234.5, "1,234.50"},
        {"#,##0.00", 1234567.0, "1,234,567.00"},
        {"0.00", -1234.567, "-1234.57"},
        {"###00", 1, "01"},
        {"###00", 36, "36"},
        {"###00", 12345, "12345"},
        {"00", 1234, "1234"},
        {"#.##", 0.5, ".5"},
        {"0.0#", 1.5, "1.5"},
        {"0.0#", 1.256, "1.26"},
        {"0", 2.5, "3"},
        {"0", -0.4, "0"},
        {"#", 0, ""},
        {"0.00E+00", 1234.5, "1.23E+03"},
        {"0.0E-0", 0.00012, "1.2E-4"},
        {"0.0e+000", 0, "0.0e+000"},
        {"\"$\"#,##0", 5, "$5"},
        {"'No. '000", 7, "No. 007"},
        {"$#,##0.00", -5, "-$5.00"},
        {"000-000", 12345, "012-345"},
        {"", 1.5, "1.5"},
    };
    for (const auto& c : Cases)
        EXPECT_EQ(FormatFloat(QString::fromLatin1(c.Format), c.Value, Us()), QString::fromLatin1(c.Text))
            << c.Format << " " << c.Value;
}

TEST(NumberPattern, SectionsForNegativeAndZero) {
    EXPECT_EQ(FormatFloat(QStringLiteral("#,##0;(#,##0)"), -1234, Us()), QStringLiteral("(1,234)"));
    EXPECT_EQ(FormatFloat(QStringLiteral("#,##0;(#,##0)"), 1234, Us()), QStringLiteral("1,234"));
    EXPECT_EQ(FormatFloat(QStringLiteral("0;-0;zero"), 0, Us()), QStringLiteral("zero"));
    EXPECT_EQ(FormatFloat(QStringLiteral("0.0;-0.0;zero"), 0.01, Us()), QStringLiteral("zero"));
    EXPECT_EQ(FormatFloat(QStringLiteral("0.0;-0.0;zero"), -0.01, Us()), QStringLiteral("zero"));
    EXPECT_EQ(FormatFloat(QStringLiteral("0;;zero"), -5, Us()), QStringLiteral("-5"));
    EXPECT_EQ(FormatFloat(QStringLiteral("0\";\"0;x"), 12, Us()), QStringLiteral("1;2"));
    const TFormatSettings S = Continental();
    EXPECT_EQ(FormatFloat(QStringLiteral("#,##0.00;[#,##0.00]"), -1234.5, S), QStringLiteral("[1.234,50]"));
    EXPECT_EQ(FormatCurr(QStringLiteral("#,##0.00"), Currency::FromUnits(12345678), Us()), QStringLiteral("1,234.57"));
    EXPECT_EQ(FormatCurr(QStringLiteral("0.0000;(0.0000)"), Currency::FromUnits(-1), Us()), QStringLiteral("(0.0001)"));
}

TEST(NumberPattern, IntoAStringGivesEachTextWholeAndLeavesCopiesOfTheStringAlone) {
    QString Into;
    FormatFloat(QStringLiteral("#,##0.00"), 1234567.891, Into, Us());
    EXPECT_EQ(Into, QStringLiteral("1,234,567.89"));
    const QString Held = Into;
    FormatFloat(QStringLiteral("0"), 7, Into, Us());
    EXPECT_EQ(Into, QStringLiteral("7"));
    EXPECT_EQ(Held, QStringLiteral("1,234,567.89"));
    // A pattern met again after others is read the same; so is an equal pattern in another string.
    for (const char* Format :
         {"0.0", "0.00", "0.000", "#,##0", "0.0000", "00", "0.0;(0.0)", "0.00E+00", "0.0"}) {
        FormatFloat(QString::fromLatin1(Format), -2.5, Into, Continental());
        EXPECT_EQ(Into, FormatFloat(QString::fromLatin1(Format), -2.5, Continental())) << Format;
    }
    EXPECT_EQ(Into, QStringLiteral("-2,5"));
    CurrToStrF(Currency::FromUnits(-123456789), ffCurrency, 2, Into, Continental());
    EXPECT_EQ(Into, QStringLiteral("-12.345,68 EUR"));
    FormatCurr(QStringLiteral("0.00"), Currency::FromUnits(5), Into, Us());
    EXPECT_EQ(Into, QStringLiteral("0.00"));
    FloatToStrF(std::numeric_limits<double>::infinity(), ffFixed, 15, 2, Into, Us());
    EXPECT_EQ(Into, QStringLiteral("INF"));
    FormatDateTime(QStringLiteral("dddd, mmmm d, yyyy 'at' h:nn am/pm"), EncodeDate(2024, 9, 30) + 0.75, Into,
                   Us());
    EXPECT_EQ(Into, QStringLiteral("Monday, September 30, 2024 at 6:00 pm"));
    FormatDateTime(QStringLiteral("yy"), EncodeDate(2024, 9, 30), Into, Us());
    EXPECT_EQ(Into, QStringLiteral("24"));
}

TEST(DateTimePattern, FieldsNamesAndSeparators) {
    const TDateTime When = EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 45);
    const struct {
        const char* Format;
        const char* Text;
    } Cases[] = {
        {"yyyy-mm-dd hh:nn:ss.zzz", "2024-03-05 14:07:09.045"},
        {"d/m/yy", "5/3/24"},
        {"dddd, mmmm d", "Tuesday, March 5"},
        {"ddd mmm", "Tue Mar"},
        {"hh:mm", "14:07"},
        {"h:mm am/pm", "2:07 pm"},
        {"hh:nn AMPM", "02:07 PM"},
        {"h A/P", "2 P"},
        {"c", "3/5/2024 2:07:09 PM"},
        {"ddddd", "3/5/2024"},
        {"dddddd", "Tuesday, March 5, 2024"},
        {"t", "2:07 PM"},
        {"'Day' d \"of\" m", "Day 5 of 3"},
        {"s z", "9 45"},
        {"", "3/5/2024 2:07:09 PM"},
    };
    for (const auto& c : Cases)
        EXPECT_EQ(FormatDateTime(QString::fromLatin1(c.Format), When, Us()), QString::fromLatin1(c.Text)) << c.Format;
    EXPECT_EQ(FormatDateTime(QStringLiteral("c"), EncodeDate(2024, 3, 5), Us()), QStringLiteral("3/5/2024"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("ddddd hh:nn"), EncodeDate(2024, 3, 5), Continental()),
              QStringLiteral("05.03.2024 00:00"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("yyyy-mm-dd hh:nn"), -1.25, Us()), QStringLiteral("1899-12-29 06:00"));
    EXPECT_THROW(FormatDateTime(QStringLiteral("c"), std::nan(""), Us()), EConvertError);
    EXPECT_THROW(FormatDateTime(QStringLiteral("c"), 1e300, Us()), EConvertError);
}

TEST(DateTimePattern, ANamedFormatMetForTheFirstTimeLeavesThePatternNamingItWhole) {
    // Patterns read before are kept, a few of them; a named format read while a pattern naming it
    // is written may take that pattern's place, and the rest of the pattern must still be written.
    const TDateTime When = EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 45);
    const QString Outer = QStringLiteral("c' #1'");
    TFormatSettings First = Us();
    First.ShortDateFormat = QStringLiteral("yyyy'a1'");
    First.LongTimeFormat = QStringLiteral("hh'a2'");
    EXPECT_EQ(FormatDateTime(Outer, When, First), QStringLiteral("2024a1 14a2 #1"));
    for (int i = 1; i <= 5; ++i)
        EXPECT_EQ(FormatDateTime(QStringLiteral("'f%1' d").arg(i), When, Us()),
                  QStringLiteral("f%1 5").arg(i));
    TFormatSettings Second = First;
    Second.ShortDateFormat = QStringLiteral("yyyy'b1'");
    EXPECT_EQ(FormatDateTime(Outer, When, Second), QStringLiteral("2024b1 14a2 #1"));
}

TEST(DateTimePattern, CalendarRoundTrips) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2);
    EXPECT_EQ(EncodeDate(2000, 2, 29), 36585);
    EXPECT_EQ(DayOfWeek(0), 7);
    EXPECT_EQ(DayOfWeek(EncodeDate(2024, 3, 5)), 3);
    for (TDateTime d : {-693593.0, -1.0, 0.0, 36585.0, 45356.0, 2958465.0}) {
        int y, m, dd;
        DecodeDate(d, y, m, dd);
        EXPECT_EQ(EncodeDate(y, m, dd), d);
    }
    EXPECT_THROW(EncodeDate(2023, 2, 29), EConvertError);
    EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
}

TEST(DateTimePattern, NowFollowsAnInstalledClockUntilReset) {
    const TDateTime Fixed = EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 45);
    SetNowClock([Fixed] { return Fixed; });
    EXPECT_EQ(Now(), Fixed);
    ResetNowClock();
    // The system clock again: today's date, so not the fixed day of the past.
    const QDate Today = QDate::currentDate();
    const TDateTime Real = Now();
    EXPECT_GE(Real, EncodeDate(Today.year(), Today.month(), Today.day()));
    EXPECT_LT(Real, EncodeDate(Today.year(), Today.month(), Today.day()) + 2);
}

TEST(TextConversion, IntegersAndTheirErrors) {
    EXPECT_EQ(StrToInt(QStringLiteral("123")), 123);
    EXPECT_EQ(StrToInt(QStringLiteral("  -45")), -45);
    EXPECT_EQ(StrToInt(QStringLiteral("$FF")), 255);
    EXPECT_EQ(StrToInt(QStringLiteral("0x10")), 16);
    EXPECT_EQ(StrToInt(QStringLiteral("$FFFFFFFF")), -1);
    EXPECT_EQ(StrToInt(QStringLiteral("2147483647")), 2147483647);
    EXPECT_EQ(StrToInt(QStringLiteral("-2147483648")), -2147483647 - 1);
    for (const char* Bad : {"", "-", "12a", "2147483648", "1.5", "12 ", "$", "99999999999999999999"})
        EXPECT_THROW(StrToInt(QString::fromLatin1(Bad)), EConvertError) << Bad;
    try {
        StrToInt(QStringLiteral("12a"));
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("'12a' is not a valid integer value"));
    }
}

TEST(TextConversion, FloatsFollowTheDecimalSeparator) {
    EXPECT_EQ(StrToFloat(QStringLiteral("1.5"), Us()), 1.5);
    EXPECT_EQ(StrToFloat(QStringLiteral(" -2.5e3 "), Us()), -2500);
    EXPECT_EQ(StrToFloat(QStringLiteral(".5"), Us()), 0.5);
    EXPECT_EQ(StrToFloat(QStringLiteral("5."), Us()), 5);
    EXPECT_EQ(StrToFloat(QStringLiteral("1,5"), Continental()), 1.5);
    for (const char* Bad : {"1,5", "abc", "1e", "1e999", "", ".", "NAN", "1.2.3"})
        EXPECT_THROW(StrToFloat(QString::fromLatin1(Bad), Us()), EConvertError) << Bad;
    EXPECT_EQ(StrToCurr(QStringLiteral("2.5"), Us()).Units(), 25000);
    double v = 7;
    EXPECT_FALSE(TryStrToFloat(QStringLiteral("x"), v, Us()));
    EXPECT_EQ(v, 7);
}

TEST(TextConversion, DatesAndTimesInTheShortDateOrder) {
    EXPECT_EQ(StrToDateTime(QStringLiteral("3/5/2024"), Us()), EncodeDate(2024, 3, 5));
    EXPECT_EQ(StrToDateTime(QStringLiteral("3/5/2024 14:07:09"), Us()), EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 0));
    EXPECT_EQ(StrToDateTime(QStringLiteral("3/5/2024 2:07 PM"), Us()), EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 0, 0));
    EXPECT_EQ(StrToDateTime(QStringLiteral("12:00 am"), Us()), 0);
    EXPECT_EQ(StrToDateTime(QStringLiteral("14:30"), Us()), EncodeTime(14, 30, 0, 0));
    EXPECT_EQ(StrToDateTime(QStringLiteral("05.03.2024"), Continental()), EncodeDate(2024, 3, 5));
    for (const char* Bad : {"bad", "2/30/2024", "3/5/2024 25:00", "3", "3/5/2024 x", "", "13:00 PM"})
        EXPECT_THROW(StrToDateTime(QString::fromLatin1(Bad), Us()), EConvertError) << Bad;
    // round trips through short date forms, one of them with month names
    const TDateTime d = EncodeDate(1999, 12, 31);
    EXPECT_EQ(StrToDateTime(DateToStr(d, Us()), Us()), d);
    TFormatSettings Named = Us();
    Named.ShortDateFormat = QStringLiteral("d mmm yyyy");
    Named.DateSeparator = u' ';
    EXPECT_EQ(DateToStr(d, Named), QStringLiteral("31 Dec 1999"));
    EXPECT_EQ(StrToDateTime(QStringLiteral("31 Dec 1999 10:00"), Named), d + EncodeTime(10, 0, 0, 0));
    EXPECT_EQ(StrToDateTime(QStringLiteral("5 March 2024"), Named), EncodeDate(2024, 3, 5));
}

TEST(EditMask, PlaceholdersLiteralsCaseAndAlignment) {
    const struct {
        const char* Mask;
        const char* Value;
        const char* Text;
    } Cases[] = {
        {"!(999)000-0000;0;_", "5551234567", "(555)123-4567"},
        {"!(999)000-0000;0;_", "1234567", "(   )123-4567"},
        {"(999)000-0000;0;_", "1234567", "(123)456-7   "},
        {">LL<lll;0", "abCDE", "ABcde"},
        {">L<>ll;0", "abc", "Abc"},
        {"00/00/0000;1;_", "12/31/2024", "12/31/2024"},
        {"00/00/0000;1;_", "12312024", "12/31/2024"},
        {"00:00;0", "1230", "12:30"},
        {"\\A00;0", "12", "A12"},
        {"000_000;0", "123456", "123 456"},
        {"000;0", "12345", "123"},
        {"", "abc", ""},
    };
    TFormatSettingsScope Scope(Us());
    for (const auto& c : Cases)
        EXPECT_EQ(FormatMaskText(QString::fromLatin1(c.Mask), QString::fromLatin1(c.Value)), QString::fromLatin1(c.Text))
            << c.Mask << " / " << c.Value;
}

TEST(Settings, ScopeInstallsAndRestoresAndTheLocaleGivesAUsableSet) {
    ResetFormatSettings();
    const TFormatSettings Locale = FormatSettings();
    EXPECT_FALSE(Locale.ShortDateFormat.isEmpty());
    EXPECT_FALSE(Locale.LongMonthNames[0].isEmpty());
    EXPECT_NE(Locale.DecimalSeparator, Locale.ThousandSeparator);
    {
        TFormatSettingsScope Scope(Continental());
        EXPECT_EQ(FloatToStr(1.5), QStringLiteral("1,5"));
    }
    EXPECT_EQ(FormatSettings().DecimalSeparator, Locale.DecimalSeparator);
    // A date printed in the locale's short form reads back.
    const TDateTime d = EncodeDate(2024, 11, 23);
    EXPECT_EQ(StrToDateTime(DateToStr(d)), d);
}

TEST(Settings, ReadFromALocale) {
    const TFormatSettings De = TFormatSettings::FromLocale(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(De.DecimalSeparator, QChar(u','));
    EXPECT_EQ(De.ThousandSeparator, QChar(u'.'));
    EXPECT_EQ(De.CurrencyString, QStringLiteral("€"));
    EXPECT_EQ(De.CurrencyDecimals, 2);
    EXPECT_EQ(FloatToStrF(-1234.5, ffCurrency, 15, 2, De), QStringLiteral("-1.234,50 €"));
    EXPECT_EQ(De.DateSeparator, QChar(u'.'));
    EXPECT_EQ(De.LongMonthNames[2], QStringLiteral("März"));
    EXPECT_EQ(De.LongDayNames[0], QStringLiteral("Sonntag"));
    const TDateTime d = EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 0);
    EXPECT_EQ(FormatDateTime(QStringLiteral("tt"), d, De), QStringLiteral("14:07:09"));
    EXPECT_EQ(StrToDateTime(DateToStr(d, De), De), EncodeDate(2024, 3, 5));

    const TFormatSettings En = TFormatSettings::FromLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(FloatToStrF(1234.5, ffCurrency, 15, 2, En), QStringLiteral("$1,234.50"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("t"), d, En), QStringLiteral("2:07 PM"));
    EXPECT_EQ(StrToDateTime(DateToStr(d, En), En), EncodeDate(2024, 3, 5));
    EXPECT_EQ(TFormatSettings::FromLocale(QLocale::c()).ShortDateFormat, TFormatSettings::Fixed().ShortDateFormat);
}

TEST(Robustness, ArbitraryPatternsAndTextsNeverFail) {
    // Pattern characters in every order: the formatters must give some text and never read past
    // the pattern, whatever it holds.
    const QString Alphabet = QStringLiteral("0#.,;E+e-\"'dmyhnsztcap/:!<>\\LlAaCc09_ x");
    uint32_t Seed = 12345;
    auto Next = [&] {
        Seed = Seed * 1103515245u + 12345u;
        return (Seed >> 16) & 0x7fff;
    };
    const double Numbers[] = {0, -0.5, 1234.5678, -1e300, 1e-300, 9.99e15};
    for (int Round = 0; Round < 3000; ++Round) {
        QString P;
        const int Length = int(Next() % 12);
        for (int i = 0; i < Length; ++i) P += Alphabet[qsizetype(Next() % Alphabet.size())];
        const double v = Numbers[Round % 6];
        EXPECT_NO_THROW(FormatFloat(P, v, Us())) << P.toStdString();
        EXPECT_NO_THROW(FormatCurr(P, Currency::FromUnits(int64_t(Next()) * 7919 - 99999), Us())) << P.toStdString();
        EXPECT_NO_THROW(FormatDateTime(P, 45356.75, Us())) << P.toStdString();
        EXPECT_NO_THROW(FormatMaskText(P, QStringLiteral("ab12"))) << P.toStdString();
        TDateTime d;
        double f;
        int n;
        TryStrToDateTime(P, d, Us());
        TryStrToFloat(P, f, Us());
        TryStrToInt(P, n);
    }
}
