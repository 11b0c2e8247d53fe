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

class TStrip : public TWinControl {
public:
    using TWinControl::TWinControl;
    bool Printed() const { return FPrinted; }
    void SetPrinted(bool V) { FPrinted = V; }
    double Ratio = 0.5;
    TShade Shade = shNone;
    TFontStyles Styles = 0;
    QStringList Lines;
    QByteArray Data;
    TStrip* Next = nullptr;
    TSpace* Space() const { return FSpace.get(); }
    std::function<void(TStrip*, bool&)> OnPrintWhen;

private:
    bool FPrinted = true;
    std::unique_ptr<TSpace> FSpace = std::make_unique<TSpace>();
};

const bool Declared = [] {
    DeclareProperties<TSpace>()
        .Reference(
            "Band", [](const TSpace& S) { return S.Band; }, [](TSpace& S, TComponent* C) { S.Band = C; })
        .Integer(
            "Count", [](const TSpace& S) { return S.Count; }, [](TSpace& S, int V) { S.Count = V; })
        .Default(1);
    DeclareProperties<TStrip, TControl>()
        .Publish("Font")
        .Publish("Color")
        .Default(clBtnFace)
        .Boolean("Visible", &TStrip::Printed, &TStrip::SetPrinted)
        .Default(true)
        .Float(
            "Ratio", [](const TStrip& S) { return S.Ratio; }, [](TStrip& S, double V) { S.Ratio = V; })
        .Enumeration(
            "Shade", ShadeNames(), [](const TStrip& S) { return S.Shade; },
            [](TStrip& S, TShade V) { S.Shade = V; })
        .Default(shNone)
        .Set(
            "Styles", FontStyleNames(), [](const TStrip& S) { return S.Styles; },
            [](TStrip& S, TFontStyles V) { S.Styles = V; })
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

} // namespace

TEST(Properties, Smoke) {
    TComponent Root(nullptr);
    auto* S = new TStrip(&Root);
    SetPropValue(S, "shade", QStringLiteral("SHDARK"));
    EXPECT_EQ(S->Shade, shDark);
    SetPropValue(S, "Font.Height", -20);
    EXPECT_EQ(S->Font()->Height(), -20);
    SetPropValue(S, "Space.Band", QVariant::fromValue<TComponent*>(S));
    EXPECT_EQ(S->Space()->Band, S);
    bool Called = false;
    DefineMethod<void(TStrip*, bool&)>(&Root, "StripWhen", [&](TStrip*, bool& R) {
        Called = true;
        R = false;
    });
    SetPropValue(S, "OnPrintWhen", QStringLiteral("stripwhen"));
    bool R = true;
    S->OnPrintWhen(S, R);
    EXPECT_TRUE(Called);
    EXPECT_EQ(GetPropValue(S, "OnPrintWhen").toString(), QStringLiteral("StripWhen"));
    std::vector<QString> Names;
    for (auto* P : GetPropList(S)->Published())
        Names.push_back(P->Name);
    EXPECT_EQ(Names.size(), 16u);
}
