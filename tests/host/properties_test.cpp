#include "host/controls.h"
#include "host/properties.h"
#include <gtest/gtest.h>

namespace {

enum TShade : uint8_t { shNone, shLight, shDark };
const TEnumInfo& ShadeNames() {
    static const TEnumInfo Names(QStringLiteral("TShade"), QStringList{"shNone", "shLight", "shDark"});
    return Names;
}

class TSpace : public TPersistent {
public:
    TComponent* Band = nullptr;
    int Count = 1;
};

// A base with a property of each kind.
class TStrip : public TWinControl {
public:
    using TWinControl::TWinControl;
    bool Printed() const { return FPrinted; }
    void SetPrinted(bool V) { FPrinted = V; }
    int Percent = 100;
    double Ratio = 0.5;
    TShade Shade = shNone;
    TFontStyles Styles = 0;
    TColor Back = clWindow;
    QStringList Lines;
    QByteArray Data;
    TStrip* Next = nullptr;
    TSpace* Space() const { return FSpace.get(); }
    std::function<void(TStrip*, bool&)> OnPrintWhen;

private:
    bool FPrinted = true;
    std::unique_ptr<TSpace> FSpace = std::make_unique<TSpace>();
};

// Publishes and replaces what its base declared.
class TBandStrip : public TStrip {
public:
    using TStrip::TStrip;
    int Size = 7;
};

// Declares nothing: it has its nearest declared base's list.
class TLeafStrip : public TBandStrip {
public:
    using TBandStrip::TBandStrip;
};

// The derived class is declared before its base: lists are merged when first asked for.
const bool Declared = [] {
    DeclareProperties<TBandStrip, TStrip>()
        .Publish("Font")
        .Unpublish("Top")
        .Integer(
            "Width", [](const TBandStrip& S) { return S.Size; }, [](TBandStrip& S, int V) { S.Size = V; })
        .Default(7)
        .Publish("Ratio")
        .Default(0.5)
        .Boolean("Visible", &TStrip::Printed, &TStrip::SetPrinted)
        .Default(true);
    DeclareProperties<TSpace>()
        .Reference(
            "Band", [](const TSpace& S) { return S.Band; }, [](TSpace& S, TComponent* C) { S.Band = C; })
        .Integer(
            "Count", [](const TSpace& S) { return S.Count; }, [](TSpace& S, int V) { S.Count = V; })
        .Default(1);
    DeclareProperties<TStrip, TControl>()
        .Integer(
            "Percent", [](const TStrip& S) { return S.Percent; }, [](TStrip& S, int V) { S.Percent = V; })
        .Range(25, 300)
        .Default(100)
        .Float(
            "Ratio", [](const TStrip& S) { return S.Ratio; }, [](TStrip& S, double V) { S.Ratio = V; })
        .Enumeration(
            "Shade", ShadeNames(), [](const TStrip& S) { return S.Shade; },
            [](TStrip& S, TShade V) { S.Shade = V; })
        .Default(shNone)
        .Set(
            "Styles", FontStyleNames(), [](const TStrip& S) { return S.Styles; },
            [](TStrip& S, TFontStyles V) { S.Styles = V; })
        .Color(
            "Back", [](const TStrip& S) { return S.Back; }, [](TStrip& S, TColor V) { S.Back = V; })
        .Default(clWindow)
        .Strings(
            "Lines", [](const TStrip& S) { return S.Lines; },
            [](TStrip& S, const QStringList& V) { S.Lines = V; })
        .Binary(
            "Data", [](const TStrip& S) { return S.Data; },
            [](TStrip& S, const QByteArray& V) { S.Data = V; })
        .Reference(
            "Next", [](const TStrip& S) { return S.Next; }, [](TStrip& S, TStrip* V) { S.Next = V; })
        .Object("Space", &TStrip::Space)
        .Event("OnPrintWhen", &TStrip::OnPrintWhen);
    return true;
}();

QStringList PublishedNames(const TPersistent* Instance) {
    QStringList Names;
    for (const TPropInfo* Info : GetPropList(Instance)->Published())
        Names << Info->Name;
    return Names;
}

} // namespace

TEST(Properties, AClassInheritsPublishesReplacesAndHidesItsBasesProperties) {
    TComponent Root(nullptr);
    auto* Strip = new TStrip(&Root);
    auto* Band = new TBandStrip(&Root);
    auto* Leaf = new TLeafStrip(&Root);
    const QStringList Base = {"Tag",    "Left", "Top",   "Width", "Height", "Percent", "Ratio",      "Shade",
                              "Styles", "Back", "Lines", "Data",  "Next",   "Space",   "OnPrintWhen"};
    EXPECT_EQ(PublishedNames(Strip), Base);
    // Width is replaced in place, Top is hidden, Font and Visible join at the end, Ratio keeps its
    // place with a default.
    const QStringList Derived = {"Tag",   "Left",        "Width", "Height", "Percent", "Ratio",
                                 "Shade", "Styles",      "Back",  "Lines",  "Data",    "Next",
                                 "Space", "OnPrintWhen", "Font",  "Visible"};
    EXPECT_EQ(PublishedNames(Band), Derived);
    EXPECT_EQ(PublishedNames(Leaf), Derived);
    EXPECT_EQ(GetPropList(Leaf), GetPropList(Band));

    // The replaced Visible is the band's own flag, not the control's; the hidden Top still sets.
    SetPropValue(Band, QStringLiteral("visible"), false);
    EXPECT_FALSE(Band->Printed());
    EXPECT_TRUE(Band->Visible());
    SetPropValue(Band, QStringLiteral("TOP"), 12);
    EXPECT_EQ(Band->Top(), 12);
    SetPropValue(Band, QStringLiteral("Width"), 9);
    EXPECT_EQ(Band->Size, 9);
    EXPECT_EQ(Band->Width(), 0);

    // Defaults and stored conditions decide what a form would write.
    const TPropList* List = GetPropList(Band);
    auto Stored = [&](const char* Name) {
        return IsStoredProp(ErasedPointer<TPersistent>(Band), *List->Find(Name));
    };
    EXPECT_FALSE(Stored("Ratio"));
    EXPECT_TRUE(Stored("Left")); // no default: always written
    EXPECT_FALSE(Stored("Shade"));
    EXPECT_FALSE(Stored("Lines"));
    EXPECT_FALSE(Stored("Font")); // the font follows the parent's
    Band->Ratio = 0.25;
    Band->Font()->SetSize(10);
    EXPECT_TRUE(Stored("Ratio"));
    EXPECT_TRUE(Stored("Font"));
    EXPECT_FALSE(GetPropList(Strip)->Find("Font", true));
    EXPECT_TRUE(GetPropList(Strip)->Find("font"));
}

TEST(Properties, EveryKindIsSetAndReadByNameInAnyCase) {
    TComponent Form(nullptr);
    TComponent Module(&Form);
    auto* S = new TStrip(&Module);
    auto* Other = new TStrip(&Module);
    SetPropValue(S, QStringLiteral("PERCENT"), 300);
    SetPropValue(S, QStringLiteral("ratio"), 1.5);
    SetPropValue(S, QStringLiteral("Shade"), QStringLiteral("SHDARK"));
    SetPropValue(S, QStringLiteral("styles"), QStringList{"fsitalic", "FSSTRIKEOUT"});
    SetPropValue(S, QStringLiteral("Back"), QStringLiteral("clbtnface"));
    SetPropValue(S, QStringLiteral("lines"), QStringList{"a", "b"});
    SetPropValue(S, QStringLiteral("DATA"), QByteArray("\x01\x02", 2));
    SetPropValue(S, QStringLiteral("next"), QVariant::fromValue<TComponent*>(Other));
    SetPropValue(S, QStringLiteral("space.band"), QVariant::fromValue<TComponent*>(Other));
    SetPropValue(S, QStringLiteral("SPACE.COUNT"), 4);
    SetPropValue(S, QStringLiteral("font.style"), QStringList{"fsBold"});
    SetPropValue(S, QStringLiteral("Font.Color"), QStringLiteral("$000000FF"));
    SetPropValue(S, QStringLiteral("Font.Charset"), QStringLiteral("russian_charset"));
    EXPECT_EQ(S->Percent, 300);
    EXPECT_EQ(S->Ratio, 1.5);
    EXPECT_EQ(S->Shade, shDark);
    EXPECT_EQ(S->Styles, fsItalic | fsStrikeOut);
    EXPECT_EQ(S->Back, clBtnFace);
    EXPECT_EQ(S->Lines, QStringList({"a", "b"}));
    EXPECT_EQ(S->Data, QByteArray("\x01\x02", 2));
    EXPECT_EQ(S->Next, Other);
    EXPECT_EQ(S->Space()->Band, Other);
    EXPECT_EQ(S->Space()->Count, 4);
    EXPECT_EQ(S->Font()->Style(), fsBold);
    EXPECT_EQ(S->Font()->Color(), clRed);
    EXPECT_EQ(S->Font()->Charset(), 204);
    EXPECT_EQ(GetPropValue(S, QStringLiteral("shade")).toInt(), shDark);
    EXPECT_EQ(GetPropValue(S, QStringLiteral("Styles")).toLongLong(), fsItalic | fsStrikeOut);
    EXPECT_EQ(GetPropValue(S, QStringLiteral("Back")).toInt(), clBtnFace);
    EXPECT_EQ(GetPropValue(S, QStringLiteral("space.BAND")).value<TComponent*>(), Other);
    EXPECT_EQ(GetPropValue(S, QStringLiteral("Font.Name")).toString(), QStringLiteral("Arial"));

    // An event binds the handler of that name from the nearest owner that has one.
    int Calls = 0;
    DefineMethod<void(TStrip*, bool&)>(&Form, QStringLiteral("StripPrintWhen"), [&](TStrip*, bool& R) {
        ++Calls;
        R = false;
    });
    SetPropValue(S, QStringLiteral("onprintwhen"), QStringLiteral("STRIPPRINTWHEN"));
    bool Result = true;
    S->OnPrintWhen(S, Result);
    EXPECT_EQ(Calls, 1);
    EXPECT_FALSE(Result);
    EXPECT_EQ(GetPropValue(S, QStringLiteral("OnPrintWhen")).toString(), QStringLiteral("StripPrintWhen"));
    SetPropValue(S, QStringLiteral("OnPrintWhen"), QString());
    EXPECT_FALSE(S->OnPrintWhen);
    EXPECT_EQ(GetPropValue(S, QStringLiteral("OnPrintWhen")).toString(), QString());

    EXPECT_EQ(ColorToString(clBtnFace), QStringLiteral("clBtnFace"));
    EXPECT_EQ(ColorToString(0x00123456), QStringLiteral("$00123456"));
    EXPECT_EQ(StringToColor(QStringLiteral("$00123456")), TColor(0x00123456));
    EXPECT_EQ(StringToColor(QStringLiteral("-16777201")), clBtnFace);
    EXPECT_EQ(StringToColor(QStringLiteral("clNoSuch")), std::nullopt);
}

TEST(Properties, BadNamesAndValuesAreRefusedAndLeaveTheObjectAlone) {
    TComponent Form(nullptr);
    auto* S = new TStrip(&Form);
    auto* Wrong = new TComponent(&Form);
    Wrong->SetName(QStringLiteral("Plain"));
    DefineMethod<void(TComponent*)>(&Form, QStringLiteral("Clicked"), [](TComponent*) {});
    auto Refused = [&](const char* Name, const QVariant& Value) {
        try {
            SetPropValue(S, QString::fromLatin1(Name), Value);
        } catch (const EPropertyError& E) {
            return E.Message();
        }
        return QStringLiteral("no error");
    };
    EXPECT_EQ(Refused("Bogus", 1), QStringLiteral("Property Bogus does not exist"));
    EXPECT_EQ(Refused("Space.Bogus", 1), QStringLiteral("Property Space.Bogus does not exist"));
    EXPECT_EQ(Refused("Space", 1), QStringLiteral("Property Space does not exist"));
    EXPECT_EQ(Refused("Percent", 301), QStringLiteral("301 is not within the range 25..300"));
    EXPECT_EQ(Refused("Font.Charset", 256), QStringLiteral("256 is not within the range 0..255"));
    EXPECT_EQ(Refused("Percent", QStringLiteral("50")), QStringLiteral("Invalid property value"));
    EXPECT_EQ(Refused("Shade", QStringLiteral("shFoo")), QStringLiteral("Cannot find shFoo in TShade"));
    EXPECT_EQ(Refused("Shade", 7), QStringLiteral("Invalid property value"));
    EXPECT_EQ(Refused("Styles", QStringList{"fsBold", "fsHuge"}),
              QStringLiteral("Cannot find fsHuge in TFontStyle"));
    EXPECT_EQ(Refused("Next", QVariant::fromValue<TComponent*>(Wrong)),
              QStringLiteral("Plain is not a ") + ClassNameOf(typeid(TStrip)));
    EXPECT_EQ(Refused("OnPrintWhen", QStringLiteral("Clicked")),
              QStringLiteral("Method Clicked does not fit OnPrintWhen"));
    EXPECT_EQ(Refused("OnPrintWhen", QStringLiteral("Nowhere")), QStringLiteral("Method Nowhere not found"));
    EXPECT_EQ(S->Percent, 100);
    EXPECT_EQ(S->Shade, shNone);
    EXPECT_EQ(S->Styles, 0);
    EXPECT_EQ(S->Next, nullptr);
    EXPECT_FALSE(S->OnPrintWhen);
    EXPECT_EQ(S->Font()->Charset(), DEFAULT_CHARSET);
    EXPECT_THROW(GetPropValue(S, QStringLiteral("Nothing")), EPropertyError);
    try {
        FontStyleNames().ValueOf(QStringLiteral("fsFoo"));
        ADD_FAILURE();
    } catch (const EReadError& E) {
        EXPECT_EQ(E.Message(), QStringLiteral("Cannot find fsFoo in TFontStyle"));
    }
}
