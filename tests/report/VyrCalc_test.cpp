#include "report/VyrCalc.h"
#include "report/VyrCurr.h"
#include "report/VyrFloat.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

const TVyrTotalType AllTotals[] = {ttSum, ttCount, ttMax, ttMin, ttAverage, ttValue};

class Accumulators : public ::testing::Test {
protected:
    TFormatSettingsScope Scope{TFormatSettings::Fixed()};
};

} // namespace

TEST_F(Accumulators, NewAndResetObjectsReportZeroForEveryTotal) {
    TVyrFloat f;
    TVyrCurrency c;
    for (int Pass = 0; Pass < 2; ++Pass) {
        for (TVyrTotalType t : AllTotals) {
            f.SetTotalType(t);
            c.SetTotalType(t);
            EXPECT_EQ(f.ValueFloat(), 0) << int(t);
            EXPECT_EQ(c.ValueCurrency().Units(), 0) << int(t);
        }
        f.SetAsFloat(9);
        c.SetAsFloat(9);
        f.SetIsNull(true);
        f.Reset();
        c.Reset();
        EXPECT_FALSE(f.IsNull());
    }
}

TEST_F(Accumulators, FloatTotalsOverFiveMinusTwoSeven) {
    TVyrFloat f;
    for (double v : {5.0, -2.0, 7.0}) f.SetAsFloat(v);
    const std::pair<TVyrTotalType, double> Expected[] = {{ttSum, 10}, {ttCount, 3},         {ttMax, 7},
                                                         {ttMin, -2}, {ttAverage, 10.0 / 3}, {ttValue, 7}};
    for (auto [t, v] : Expected) {
        f.SetTotalType(t);
        EXPECT_DOUBLE_EQ(f.AsFloat(), v) << int(t);
    }
    f.SetTotalType(ttAverage);
    EXPECT_EQ(f.AsString(), QStringLiteral("3.33333333333333"));
    EXPECT_EQ(f.AsInteger(), 3);
    EXPECT_EQ(f.AsCurrency().Units(), 33333);

    TVyrCalc Calc; // a first negative value is both extremes
    Calc.NewVal(-2);
    EXPECT_EQ(Calc.Min(), -2);
    EXPECT_EQ(Calc.Max(), -2);
    Calc.NewVal(-5);
    EXPECT_EQ(Calc.Max(), -2);
    Calc.NewVal(1);
    EXPECT_EQ(Calc.Max(), 1);
    EXPECT_EQ(Calc.Min(), -5);
}

TEST_F(Accumulators, CurrencyTotalsOverFiveMinusTwoSeven) {
    TVyrCurrency c;
    for (double v : {5.0, -2.0, 7.0}) c.SetAsFloat(v);
    const std::pair<TVyrTotalType, int64_t> Expected[] = {{ttSum, 100000}, {ttCount, 30000},    {ttMax, 70000},
                                                          {ttMin, -20000}, {ttAverage, 33333}, {ttValue, 70000}};
    for (auto [t, Units] : Expected) {
        c.SetTotalType(t);
        EXPECT_EQ(c.ValueCurrency().Units(), Units) << int(t);
        EXPECT_EQ(c.AsCurrency().Units(), Units) << int(t);
    }
    c.SetTotalType(ttCount);
    EXPECT_EQ(c.ValueFloat(), 3);
    EXPECT_EQ(c.AsString(), QStringLiteral("3"));
    c.SetTotalType(ttAverage);
    EXPECT_DOUBLE_EQ(c.ValueFloat(), 3.3333);
}

TEST_F(Accumulators, CurrencyAveragesRoundHalvesToEven) {
    const struct {
        std::vector<int64_t> Units;
        int64_t Average;
    } Cases[] = {
        {{10000, 0, 0}, 3333}, // 1.0000, 0, 0 -> 0.3333
        {{1, 0}, 0},           // 0.5 unit -> 0
        {{3, 0}, 2},           // 1.5 -> 2
        {{5, 0}, 2},           // 2.5 -> 2
        {{7, 0}, 4},           // 3.5 -> 4
        {{-5, 0}, -2},
        {{-7, 0}, -4},
        {{20000, 0, 0}, 6667},
    };
    for (const auto& c : Cases) {
        TVyrCurrency v;
        v.SetTotalType(ttAverage);
        for (int64_t u : c.Units) v.SetValueCurrency(Currency::FromUnits(u));
        EXPECT_EQ(v.ValueCurrency().Units(), c.Average);
    }
}

TEST_F(Accumulators, EveryWriteAddsAValue) {
    TVyrCurrency c;
    c.SetValueFloat(2.5);
    EXPECT_EQ(c.Calc()->Value().Units(), 25000);
    EXPECT_EQ(c.ValueFloat(), 2.5);
    TVyrFloat f;
    f.SetTotalType(ttSum);
    f.SetAsBoolean(true);
    f.SetAsInteger(2);
    f.SetAsString(QStringLiteral("0.5"));
    double d = 4;
    f.SetValue(&d);
    EXPECT_EQ(f.AsFloat(), 7.5);
    EXPECT_EQ(f.Calc()->Count(), 4);
    EXPECT_THROW(f.SetAsString(QStringLiteral("x")), EConvertError);
    EXPECT_EQ(f.Calc()->Count(), 4);
    c.SetTotalType(ttSum);
    c.SetAsCurrency(Currency::FromUnits(1));
    const Currency Half = Currency::FromUnits(5000);
    c.SetValue(&Half);
    EXPECT_EQ(c.AsCurrency().Units(), 30001);
}

TEST_F(Accumulators, UnsupportedConversionsAndOverflowRaise) {
    TVyrFloat f;
    TVyrCurrency c;
    EXPECT_THROW(f.AsDateTime(), EAbstractError);
    EXPECT_THROW(c.AsDateTime(), EAbstractError);
    EXPECT_THROW(f.SetAsDateTime(1), EAbstractError);
    EXPECT_THROW(f.SetAsCurrency(Currency()), EAbstractError);
    EXPECT_THROW(c.SetAsStream(nullptr), EAbstractError);
    EXPECT_THROW(c.SetAsStrings(nullptr), EAbstractError);
    c.SetValueCurrency(Currency::FromUnits(std::numeric_limits<int64_t>::max()));
    EXPECT_THROW(c.SetValueCurrency(Currency::FromUnits(1)), EConvertError);
    c.SetTotalType(ttSum);
    EXPECT_EQ(c.ValueCurrency().Units(), std::numeric_limits<int64_t>::max());
    EXPECT_EQ(c.Calc()->Count(), 1);
    EXPECT_EQ(c.Calc()->Value().Units(), std::numeric_limits<int64_t>::max()); // the refused 1 is not kept
}
