#include "host/classes.h"
#include "report/VyrUtil.h"

#include <gtest/gtest.h>

TEST(Units, ConvertBothWaysBetweenTheThreeUnits) {
    TVyrUnitMaster Um;
    const TVyrUnits All[] = {unitInches, unitMiliMeters, unitCentiMeters};
    // one inch in each unit
    const double Inch[] = {1, 25.4, 2.54};
    for (int From = 0; From < 3; ++From) {
        EXPECT_DOUBLE_EQ(Um.ToIn(Inch[From], All[From]), 1) << From;
        EXPECT_DOUBLE_EQ(Um.ToMM(Inch[From], All[From]), 25.4) << From;
        EXPECT_DOUBLE_EQ(Um.ToCM(Inch[From], All[From]), 2.54) << From;
        EXPECT_DOUBLE_EQ(Um.InTo(1, All[From]), Inch[From]) << From;
        EXPECT_DOUBLE_EQ(Um.MMTo(25.4, All[From]), Inch[From]) << From;
        EXPECT_DOUBLE_EQ(Um.CMTo(2.54, All[From]), Inch[From]) << From;
        for (int To = 0; To < 3; ++To)
            EXPECT_DOUBLE_EQ(Um.UnitToUnit(Inch[From], All[From], All[To]), Inch[To]) << From << "->" << To;
    }
    EXPECT_DOUBLE_EQ(Um.InTo(1.0, unitMiliMeters), 25.4);
    EXPECT_DOUBLE_EQ(Um.MMTo(25.4, unitInches), 1);
    EXPECT_DOUBLE_EQ(Um.CMTo(3, unitMiliMeters), 30);
    EXPECT_DOUBLE_EQ(Um.MMTo(30, unitCentiMeters), 3);
    const auto Bad = static_cast<TVyrUnits>(7);
    EXPECT_EQ(Um.ToIn(5, Bad), 0);
    EXPECT_EQ(Um.MMTo(5, Bad), 0);
    EXPECT_EQ(Um.UnitToUnit(5, Bad, unitInches), 0);
}

TEST(NameHelpers, StripFirstAndValidIdentifiers) {
    const std::pair<const char*, const char*> Strip[] = {
        {"TVYRLabel", "Label"}, {"TLabel", "Label"}, {"T", "T"}, {"Tvyr", "vyr"}, {"tvyrBand", "Band"},
        {"Detail", "Detail"},   {"tx", "x"},         {"", ""},
    };
    for (auto [In, Out] : Strip) EXPECT_EQ(VyrStripFirst(QString::fromLatin1(In)), QString::fromLatin1(Out)) << In;
    EXPECT_EQ(VyrMakeValidIDent(QStringLiteral("2nd band"), false), QStringLiteral("_nd_band"));
    EXPECT_EQ(VyrMakeValidIDent(QStringLiteral("TVyrLabel"), true), QStringLiteral("Label"));
    EXPECT_EQ(VyrMakeValidIDent(QStringLiteral("Größe-1"), false), QStringLiteral("Gr__e_1"));
    EXPECT_EQ(VyrMakeValidIDent(QString(), true), QString());
    EXPECT_TRUE(VyrIsValidIdent(QStringLiteral("_a1")));
    EXPECT_FALSE(VyrIsValidIdent(QStringLiteral("1a")));
    EXPECT_FALSE(VyrIsValidIdent(QString()));
}

TEST(NameHelpers, BlanksAndRightTrim) {
    EXPECT_TRUE(VyrEmpty(QString()));
    EXPECT_TRUE(VyrEmpty(QStringLiteral("    ")));
    EXPECT_FALSE(VyrEmpty(QStringLiteral("  x ")));
    EXPECT_FALSE(VyrEmpty(QStringLiteral("\t")));
    const QString Long = QString(297, u'a') + QStringLiteral("   ");
    EXPECT_EQ(VyrRightTrim(Long), QString(297, u'a'));
    EXPECT_EQ(VyrRightTrim(QStringLiteral("   ")), QString());
    EXPECT_EQ(VyrRightTrim(QStringLiteral(" a b ")), QStringLiteral(" a b"));
}

namespace {

// A component whose every name is refused, and not for a clash.
class TStubborn : public TComponent {
public:
    using TComponent::TComponent;
    void SetName(const QString& NewName) override {
        throw EInvalidComponentName(QStringLiteral("'%s' is refused"), {NewName});
    }
};

} // namespace

TEST(ComponentNames, AutoNamingSkipsTakenNamesIgnoringCase) {
    TComponent Owner(nullptr);
    auto* Detail = new TComponent(&Owner);
    Detail->SetName(QStringLiteral("Detail"));
    auto* Detail1 = new TComponent(&Owner);
    Detail1->SetName(QStringLiteral("detail1"));
    auto* Fresh = new TComponent(&Owner);
    EXPECT_TRUE(VyrAutoSetComponentName(Fresh, QStringLiteral("Detail"), false));
    EXPECT_EQ(Fresh->Name(), QStringLiteral("Detail2"));
    auto* Band = new TComponent(&Owner);
    EXPECT_TRUE(VyrAutoSetComponentName(Band, QStringLiteral("TVyrDetail"), true));
    EXPECT_EQ(Band->Name(), QStringLiteral("Detail3"));
    auto* Odd = new TComponent(&Owner);
    EXPECT_TRUE(VyrAutoSetComponentName(Odd, QStringLiteral("2nd band"), false));
    EXPECT_EQ(Odd->Name(), QStringLiteral("_nd_band"));
}

TEST(ComponentNames, RefusalsGiveFalse) {
    TComponent Owner(nullptr);
    auto* Taken = new TComponent(&Owner);
    Taken->SetName(QStringLiteral("Title"));
    auto* c = new TComponent(&Owner);
    c->SetName(QStringLiteral("Keep"));
    EXPECT_FALSE(VyrAutoSetComponentName(c, QStringLiteral("   "), false));
    EXPECT_FALSE(VyrAutoSetComponentName(c, QString(), true));
    EXPECT_EQ(c->Name(), QStringLiteral("Keep"));
    EXPECT_FALSE(VyrSetComponentName(c, QStringLiteral("title")));
    EXPECT_FALSE(VyrSetComponentName(c, QStringLiteral("2x")));
    EXPECT_FALSE(VyrSetComponentName(c, QStringLiteral(" ")));
    EXPECT_FALSE(VyrSetComponentName(nullptr, QStringLiteral("x")));
    EXPECT_EQ(c->Name(), QStringLiteral("Keep"));
    EXPECT_TRUE(VyrSetComponentName(c, QStringLiteral("Other")));
    EXPECT_EQ(c->Name(), QStringLiteral("Other"));
    TStubborn Stubborn(nullptr);
    EXPECT_FALSE(VyrAutoSetComponentName(&Stubborn, QStringLiteral("Band"), false));
    EXPECT_FALSE(VyrSetComponentName(&Stubborn, QStringLiteral("Band")));
}
