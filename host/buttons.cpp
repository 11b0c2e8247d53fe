#include "host/buttons.h"
#include "host/forms.h"
#include "host/properties.h"

#include <array>

namespace {

struct TKindInfo {
    const char* Caption;
    TModalResult Result;
};

// The captions and results of the standard buttons, by kind.
constexpr std::array<TKindInfo, 11> KindInfo{{
    {"", mrNone},
    {"OK", mrOk},
    {"Cancel", mrCancel},
    {"&Help", mrNone},
    {"&Yes", mrYes},
    {"&No", mrNo},
    {"&Close", mrNone},
    {"Abort", mrAbort},
    {"&Retry", mrRetry},
    {"&Ignore", mrIgnore},
    {"&All", mrAll},
}};

TCustomForm* FormOf(TControl* Control) {
    for (TControl* C = Control; C; C = C->Parent())
        if (auto* Form = dynamic_cast<TCustomForm*>(C)) return Form;
    return nullptr;
}

const TEnumInfo& KindNames() {
    static const TEnumInfo Names(QStringLiteral("TBitBtnKind"),
                                 {"bkCustom", "bkOK", "bkCancel", "bkHelp", "bkYes", "bkNo", "bkClose", "bkAbort",
                                  "bkRetry", "bkIgnore", "bkAll"});
    return Names;
}

const TEnumInfo& LayoutNames() {
    static const TEnumInfo Names(QStringLiteral("TButtonLayout"),
                                 {"blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"});
    return Names;
}

const bool BitBtnDeclared = [] {
    DeclareProperties<TBitBtn, TControl>()
        .Publish("Caption")
        .Publish("Enabled")
        .Publish("Font")
        .Publish("ParentFont")
        .Publish("Hint")
        .Publish("Visible")
        .Boolean("Cancel", &TBitBtn::Cancel, &TBitBtn::SetCancel)
        .Default(false)
        .Boolean("Default", &TBitBtn::Default, &TBitBtn::SetDefault)
        .Default(false)
        .Enumeration("Kind", KindNames(), &TBitBtn::Kind, &TBitBtn::SetKind)
        .Default(bkCustom)
        .Enumeration("Layout", LayoutNames(), &TBitBtn::Layout, &TBitBtn::SetLayout)
        .Default(blGlyphLeft)
        .Integer("Margin", &TBitBtn::Margin, &TBitBtn::SetMargin)
        .Default(-1)
        .Integer("ModalResult", &TBitBtn::ModalResult, &TBitBtn::SetModalResult)
        .Default(mrNone)
        .Integer("NumGlyphs", &TBitBtn::NumGlyphs, &TBitBtn::SetNumGlyphs)
        .Default(1)
        .Integer("Spacing", &TBitBtn::Spacing, &TBitBtn::SetSpacing)
        .Default(4)
        .Publish("OnClick");
    RegisterClass<TBitBtn>();
    return true;
}();

} // namespace

TBitBtn::TBitBtn(TComponent* AOwner) : TWinControl(AOwner), FGlyph(std::make_unique<TBitmap>()) {
    SetBounds(Left(), Top(), 75, 25);
}

TBitBtn::~TBitBtn() = default;

void TBitBtn::SetKind(TBitBtnKind Value) {
    FKind = Value;
    if (Value == bkCustom || size_t(Value) >= KindInfo.size()) return;
    SetCaption(QString::fromLatin1(KindInfo[Value].Caption));
    FModalResult = KindInfo[Value].Result;
}

void TBitBtn::Click() {
    if (FModalResult != mrNone)
        if (TCustomForm* Form = FormOf(this)) Form->SetModalResult(FModalResult);
    TWinControl::Click();
}
