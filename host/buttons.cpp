#include "host/buttons.h"
#include "host/forms.h"
#include "host/properties.h"

#include <QImage>
#include <algorithm>
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
                                 {"bkCustom", "bkOK", "bkCancel", "bkHelp", "bkYes", "bkNo", "bkClose",
                                  "bkAbort", "bkRetry", "bkIgnore", "bkAll"});
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
    // A stored form carries the caption and result it had; the kind read after them keeps them.
    if (Value == bkCustom || size_t(Value) >= KindInfo.size() || HasState(csLoading) || HasState(csReading))
        return;
    SetCaption(QString::fromLatin1(KindInfo[Value].Caption));
    FModalResult = KindInfo[Value].Result;
}

void TBitBtn::Click() {
    if (FModalResult != mrNone)
        if (TCustomForm* Form = FormOf(this)) Form->SetModalResult(FModalResult);
    TWinControl::Click();
}

// TSpeedButton

TSpeedButton::TSpeedButton(TComponent* AOwner)
    : TGraphicControl(AOwner), FGlyph(std::make_unique<TBitmap>()) {
    SetBounds(Left(), Top(), 23, 22);
}

TSpeedButton::~TSpeedButton() = default;

void TSpeedButton::SetNumGlyphs(int Value) {
    Value = std::clamp(Value, 1, 4);
    if (Value == FNumGlyphs) return;
    FNumGlyphs = Value;
    Invalidate();
}

void TSpeedButton::SetMargin(int Value) {
    if (Value == FMargin || Value < -1) return;
    FMargin = Value;
    Invalidate();
}

void TSpeedButton::SetSpacing(int Value) {
    if (Value == FSpacing) return;
    FSpacing = Value;
    Invalidate();
}

void TSpeedButton::SetGroupIndex(int Value) {
    if (Value == FGroupIndex) return;
    FGroupIndex = Value;
    if (FGroupIndex == 0 && FDown) {
        // Out of its group nothing holds the button down.
        FDown = false;
        Invalidate();
    } else if (FDown)
        RaiseGroup();
}

void TSpeedButton::SetDown(bool Value) {
    if (FGroupIndex == 0) Value = false;
    if (Value == FDown) return;
    if (FDown && !FAllowAllUp) return;
    FDown = Value;
    if (FDown) RaiseGroup();
    Invalidate();
}

void TSpeedButton::RaiseGroup() {
    TWinControl* P = Parent();
    if (!P || FGroupIndex == 0) return;
    for (int i = 0; i < P->ControlCount(); ++i) {
        auto* Other = dynamic_cast<TSpeedButton*>(P->Controls(i));
        if (Other && Other != this && Other->FGroupIndex == FGroupIndex && Other->FDown) {
            Other->FDown = false;
            Other->Invalidate();
        }
    }
}

void TSpeedButton::Click() {
    if (FGroupIndex != 0) SetDown(!FDown);
    TGraphicControl::Click();
}

void TSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft || !Enabled()) return;
    FPressed = true;
    Invalidate();
}

void TSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (FPressed && Button == mbLeft) {
        FPressed = false;
        Invalidate();
    }
    TGraphicControl::MouseUp(Button, Shift, X, Y);
}

void TSpeedButton::ClickedByMouse() {
    if (Enabled()) TGraphicControl::ClickedByMouse();
}

QImage TSpeedButton::GlyphImage() const {
    if (FGlyph->Empty()) return QImage();
    const QImage All = FGlyph->ToImage();
    const int Count = std::max(1, std::min(FNumGlyphs, All.width()));
    const int W = All.width() / Count;
    int Index = 0;
    if (!Enabled() && Count > 1)
        Index = 1;
    else if (FPressed && Count > 2)
        Index = 2;
    else if (FDown)
        Index = Count > 3 ? 3 : Count > 2 ? 2 : 0;
    QImage Part = All.copy(Index * W, 0, W, All.height()).convertToFormat(QImage::Format_ARGB32);
    // The colour of the bottom left pixel is the background the glyph stands on.
    const QRgb Clear = Part.pixel(0, Part.height() - 1);
    for (int y = 0; y < Part.height(); ++y) {
        auto* Line = reinterpret_cast<QRgb*>(Part.scanLine(y));
        for (int x = 0; x < Part.width(); ++x)
            if (Line[x] == Clear) Line[x] = 0;
    }
    return Part;
}

void TSpeedButton::Paint() {
    TCanvas* C = Canvas();
    if (!C->Handle()) return;
    const int W = Width();
    const int H = Height();
    const bool Sunk = FPressed || FDown;

    C->Brush().SetStyle(bsSolid);
    C->Brush().SetColor(clBtnFace);
    C->FillRect(Rect(0, 0, W, H));
    C->Pen().SetStyle(psSolid);
    C->Pen().SetWidth(1);
    C->Pen().SetColor(Sunk ? clBtnShadow : clBtnHighlight);
    C->MoveTo(0, H - 1);
    C->LineTo(0, 0);
    C->LineTo(W, 0);
    C->Pen().SetColor(Sunk ? clBtnHighlight : clBtnShadow);
    C->MoveTo(W - 1, 0);
    C->LineTo(W - 1, H - 1);
    C->LineTo(-1, H - 1);

    const QImage Picture = GlyphImage();
    C->SetFont(*Font());
    if (!Enabled()) C->Font().SetColor(clGrayText);
    const TSize Text = Caption().isEmpty() ? TSize{} : C->TextExtent(Caption());
    const int GlyphWidth = Picture.isNull() ? 0 : Picture.width();
    const int Gap = GlyphWidth > 0 && Text.cx > 0 ? FSpacing : 0;
    const int Shift = Sunk ? 1 : 0;
    const int x = (FMargin < 0 ? (W - (GlyphWidth + Gap + Text.cx)) / 2 : FMargin) + Shift;
    if (!Picture.isNull()) C->Draw(x, (H - Picture.height()) / 2 + Shift, Picture);
    if (Text.cx > 0) {
        C->Brush().SetStyle(bsClear);
        C->TextOut(x + GlyphWidth + Gap, (H - Text.cy) / 2 + Shift, Caption());
    }
}
