#include "host/classes.h"
#include "host/devicecontext.h"
#include "report/VyrUtil.h"
#include "support/devices.h"

#include <QRegularExpression>
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
        {"TVYRLabel", "Label"}, {"TLabel", "Label"},  {"T", "T"},  {"Tvyr", "vyr"},
        {"tvyrBand", "Band"},   {"Detail", "Detail"}, {"tx", "x"}, {"", ""},
    };
    for (auto [In, Out] : Strip)
        EXPECT_EQ(VyrStripFirst(QString::fromLatin1(In)), QString::fromLatin1(Out)) << In;
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

namespace {

// What a ruler of the given size draws on a recording screen device.
QStringList PaintedRuler(TVyrRuler& Ruler) {
    auto DC = DeviceContext::CreateRecording(ScreenCaps(96, Ruler.Width(), Ruler.Height()));
    Ruler.Canvas()->SetHandle(DC.get());
    Ruler.Paint();
    Ruler.Canvas()->SetHandle(nullptr);
    return DC->Log()->Calls;
}

// The texts drawn, as "x y text".
QStringList Texts(const QStringList& Calls) {
    QStringList Found;
    static const QRegularExpression Text(QStringLiteral("^ExtTextOut (-?\\d+) (-?\\d+) 0 nil \"(.*)\"$"));
    for (const QString& Call : Calls)
        if (const QRegularExpressionMatch M = Text.match(Call); M.hasMatch())
            Found << M.captured(1) + QLatin1Char(' ') + M.captured(2) + QLatin1Char(' ') + M.captured(3);
    return Found;
}

// The black lines drawn, as "x1,y1>x2,y2", each from the pen position a move set.
QStringList Ticks(const QStringList& Calls) {
    QStringList Found;
    bool Black = false;
    QString From;
    for (const QString& Call : Calls) {
        const QStringList W = Call.split(QLatin1Char(' '));
        if (W[0] == QStringLiteral("SelectObject") && W[1] == QStringLiteral("pen"))
            Black = W[4] == QStringLiteral("0x000000");
        if (W[0] == QStringLiteral("MoveToEx")) From = W[1] + QLatin1Char(',') + W[2];
        if (W[0] == QStringLiteral("LineTo") && Black)
            Found << From + QLatin1Char('>') + W[1] + QLatin1Char(',') + W[2];
    }
    return Found;
}

} // namespace

TEST(Rulers, AHorizontalRulerLabelsEveryTenMillimetresWithSixTicksAndAnInchRulerHalvesAtTheMiddle) {
    TVyrRuler Ruler(nullptr);
    Ruler.SetBounds(0, 0, 400, 20);
    Ruler.SetUnits(unitMiliMeters);
    QStringList Calls = PaintedRuler(Ruler);
    // 96 / 25.4 * 10 = 37.8 pixels a label; the last one starts past the end.
    EXPECT_EQ(Texts(Calls),
              QStringList({"3 2 0", "41 2 10", "79 2 20", "116 2 30", "154 2 40", "192 2 50", "230 2 60",
                           "268 2 70", "305 2 80", "343 2 90", "381 2 100", "419 2 110"}));
    EXPECT_EQ(Ticks(Calls).mid(0, 9),
              QStringList({"0,20>0,0", "6,20>6,15", "13,20>13,15", "19,20>19,10", "25,20>25,15",
                           "31,20>31,15", "38,20>38,15", "38,20>38,0", "44,20>44,15"}));
    EXPECT_EQ(Ticks(Calls).size(), 12 * 7);
    // The mark stands at its place, moved with the scale's origin.
    EXPECT_EQ(Calls.filter(QStringLiteral("FillRect")).last(),
              QStringLiteral("FillRect 0 0 1 20 brush 0 0xFFFFFF 0"));
    Ruler.SetStartPixels(-30);
    Ruler.UpdateHair(50);
    Calls = PaintedRuler(Ruler);
    EXPECT_EQ(Texts(Calls).mid(0, 2), QStringList({"-27 2 0", "11 2 10"}));
    EXPECT_EQ(Texts(Calls).size(), 12);
    EXPECT_EQ(Calls.filter(QStringLiteral("FillRect")).last(),
              QStringLiteral("FillRect 20 0 21 20 brush 0 0xFFFFFF 0"));
    Ruler.SetShowCrossHair(false);
    EXPECT_EQ(PaintedRuler(Ruler).filter(QStringLiteral("FillRect")).size(), 1); // the face only

    Ruler.SetStartPixels(0);
    Ruler.SetUnits(unitInches);
    Calls = PaintedRuler(Ruler);
    EXPECT_EQ(Texts(Calls), QStringList({"3 2 0", "99 2 1", "195 2 2", "291 2 3", "387 2 4"}));
    EXPECT_EQ(Ticks(Calls).mid(0, 9),
              QStringList({"0,20>0,0", "12,20>12,15", "24,20>24,15", "36,20>36,15", "48,20>48,10",
                           "60,20>60,15", "72,20>72,15", "84,20>84,15", "96,20>96,15"}));
    Ruler.SetUnits(unitCentiMeters);
    EXPECT_EQ(Texts(PaintedRuler(Ruler)).mid(0, 3), QStringList({"3 2 0", "41 2 1", "79 2 2"}));

    // Without a resolution only the bevels are drawn: raised outside, lowered inside.
    Ruler.SetPixelsPerInch(0);
    Calls = PaintedRuler(Ruler);
    EXPECT_TRUE(Texts(Calls).isEmpty());
    EXPECT_TRUE(Ticks(Calls).isEmpty());
    EXPECT_TRUE(Calls.filter(QStringLiteral("LineTo")).isEmpty());
    EXPECT_EQ(Calls.filter(QStringLiteral("Polyline")).size(), 4);
}

TEST(Rulers, AVerticalRulerLabelsAtTheLeftAndTicksFromTheRightEdge) {
    TVyrRuler Ruler(nullptr);
    Ruler.SetVertical(true);
    Ruler.SetBounds(0, 0, 20, 120);
    QStringList Calls = PaintedRuler(Ruler);
    EXPECT_EQ(Texts(Calls), QStringList({"4 3 0", "4 99 1"}));
    EXPECT_EQ(Ticks(Calls).mid(0, 6), QStringList({"20,0>0,0", "20,12>15,12", "20,24>15,24", "20,36>15,36",
                                                   "20,48>10,48", "20,60>15,60"}));
    Ruler.UpdateHair(30);
    Calls = PaintedRuler(Ruler);
    EXPECT_EQ(Calls.filter(QStringLiteral("FillRect")).last(),
              QStringLiteral("FillRect 0 30 20 31 brush 0 0xFFFFFF 0"));
    // The white mark shows on the face it is drawn over, which is a grey well below white, the
    // rulers beside the bands' as much as this one's.
    const QStringList Face = Calls.filter(QStringLiteral("FillRect")).first().split(QLatin1Char(' '));
    const uint Grey = Face[7].toUInt(nullptr, 16);
    EXPECT_LE((Grey & 0xFF) + (Grey >> 8 & 0xFF) + (Grey >> 16 & 0xFF), 3u * 0xC0)
        << Face.join(u' ').toStdString();
    TVyrRulerContainer Beside(nullptr);
    EXPECT_EQ(ColorToRGB(Beside.Color()), ColorToRGB(Ruler.Color()));
}

TEST(Rulers, EveryUnitTicksItsSubdivisionsRoundedHalfToEvenAtAnyResolution) {
    // At 100 pixels per inch an eighth of an inch is 12.5 pixels: its ticks fall on halves, which go
    // to the even pixel; centimetres and millimetres divide into six.
    struct {
        TVyrUnits Unit;
        int PixelsPerInch;
        bool Vertical;
        int Length;
        int Start;
        const char* Ticks; // "position:end of the tick"
        const char* Labels;
    } const Cases[] = {
        {unitInches, 100, false, 110, -25,
         "-25:0 -12:15 0:15 12:15 25:10 38:15 50:15 62:15 75:15 75:0 88:15 100:15 112:15 125:10 138:15 "
         "150:15 "
         "162:15 175:15",
         "-22:0 78:1"},
        {unitInches, 100, true, 120, 0,
         "0:0 12:15 25:15 38:15 50:10 62:15 75:15 88:15 100:15 100:0 112:15 125:15 138:15 150:10 162:15 "
         "175:15 "
         "188:15 200:15",
         "3:0 103:1"},
        {unitCentiMeters, 96, false, 80, 0,
         "0:0 6:15 13:15 19:10 25:15 31:15 38:15 38:0 44:15 50:15 57:10 63:15 69:15 76:15 76:0 82:15 88:15 "
         "94:10 "
         "101:15 107:15 113:15",
         "3:0 41:1 79:2"},
        {unitCentiMeters, 100, true, 80, 0,
         "0:0 7:15 13:15 20:10 26:15 33:15 39:15 39:0 46:15 52:15 59:10 66:15 72:15 79:15 79:0 85:15 92:15 "
         "98:10 "
         "105:15 112:15 118:15",
         "3:0 42:1 82:2"},
        {unitMiliMeters, 100, false, 80, 0,
         "0:0 7:15 13:15 20:10 26:15 33:15 39:15 39:0 46:15 52:15 59:10 66:15 72:15 79:15 79:0 85:15 92:15 "
         "98:10 "
         "105:15 112:15 118:15",
         "3:0 42:10 82:20"},
    };
    for (const auto& Case : Cases) {
        SCOPED_TRACE(Case.Labels);
        TVyrRuler Ruler(nullptr);
        Ruler.SetVertical(Case.Vertical);
        Ruler.SetBounds(0, 0, Case.Vertical ? 20 : Case.Length, Case.Vertical ? Case.Length : 20);
        Ruler.SetUnits(Case.Unit);
        Ruler.SetPixelsPerInch(Case.PixelsPerInch);
        Ruler.SetStartPixels(Case.Start);
        const QStringList Calls = PaintedRuler(Ruler);
        QStringList Found;
        for (const QString& Tick : Ticks(Calls)) {
            // "x,20>x,end" across a horizontal ruler, "20,y>end,y" along a vertical one.
            const QStringList Ends = Tick.split(u'>');
            const QStringList From = Ends[0].split(u','), To = Ends[1].split(u',');
            Found << (Case.Vertical ? From[1] + u':' + To[0] : From[0] + u':' + To[1]);
        }
        EXPECT_EQ(Found.join(u' ').toStdString(), Case.Ticks);
        QStringList Labels;
        for (const QString& Text : Texts(Calls)) {
            const QStringList W = Text.split(u' ');
            Labels << (Case.Vertical ? W[1] : W[0]) + u':' + W[2];
        }
        EXPECT_EQ(Labels.join(u' ').toStdString(), Case.Labels);
    }
}
