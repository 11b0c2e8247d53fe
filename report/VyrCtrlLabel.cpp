// The label base: its properties, registration with its band, its print protocol and rich-text cell,
// where its text goes, how its background and text are drawn, painting on the designed form and sizing
// to the caption.
#include "host/devicecontext.h"
#include "host/dialogs.h"
#include "host/forms.h"
#include "host/mathutil.h"
#include "host/properties.h"
#include "host/resstrings.h"
#include "host/wordwrap.h"
#include "output/PimOut.h"
#include "report/PimDS.h"
#include "report/PimPage.h"
#include "report/VyrCtrl.h"
#include "report/VyrCtrl_internal.h"
#include "report/VyrRep.h"
#include "report/VyrRtf.h"
#include "report/VyrUtil.h"
#include "report/VyrVar.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

using namespace VyrCtrlInternal;

TVyrLabel::TVyrLabel(TComponent* AOwner)
    : TGraphicControl(AOwner), FBrush(std::make_unique<TBrush>()), FBrushSet(std::make_unique<TBrush>()),
      FPen(std::make_unique<TPen>()), FPenSet(std::make_unique<TPen>()),
      FBorderPen(std::make_unique<TPen>()) {
    SetBounds(0, 0, 65, 17);
}

TVyrLabel::~TVyrLabel() = default;

void TVyrLabel::SetRow(int Value) {
    if (Value > VyrMaxRtfRow) CheckPropRange(Value, 0, VyrMaxRtfRow);
    FRow = Value < 0 ? 0 : Value;
}

void TVyrLabel::SetClipType(TVyrClipTypes Value) {
    if (Value == FClipType) return;
    FClipType = Value;
    Invalidate();
}

void TVyrLabel::SetVerticalAlign(TVyrVerticalAlign Value) {
    if (Value == FVerticalAlign) return;
    FVerticalAlign = Value;
    Invalidate();
}

void TVyrLabel::SetHorizontalAlign(TVyrHorizontalAlign Value) {
    if (Value == FHorizontalAlign) return;
    FHorizontalAlign = Value;
    Invalidate();
}

void TVyrLabel::SetWrapText(bool Value) {
    FWrapText = Value;
    if (Value && !HasState(csLoading)) SetStretch(true);
    Invalidate();
}

void TVyrLabel::SetStretch(bool Value) {
    if (Value == FStretch) return;
    FStretch = Value;
    Invalidate();
}

void TVyrLabel::SetBorderType(TVyrBorderType Value) {
    if (Value == FBorderType) return;
    FBorderType = Value;
    Invalidate();
}

void TVyrLabel::SetRotateFont(int Value) {
    if (Value == FRotateFont) return;
    FRotateFont = Value;
    Invalidate();
}

void TVyrLabel::SetShade(TPimShadePercent Value) {
    FShade = Value;
    if (Value != spNone) SetTransparent(false);
    Invalidate();
}

void TVyrLabel::SetBorderMargin(int Value) {
    FBorderMargin = Value;
    if (FAutoSize)
        AdjustSize();
    else
        Invalidate();
}

void TVyrLabel::SetTransparent(bool Value) {
    if (Value == Transparent()) return;
    FOpaque = !Value;
    Invalidate();
}

TVyrBand* TVyrLabel::Band() const {
    return FBand.Of(this);
}

TVyrPage* TVyrLabel::getpage() const {
    TVyrBand* B = Band();
    return B ? B->Page() : nullptr;
}

int TVyrLabel::GetPPI() const {
    TVyrBand* B = Band();
    return B ? B->getppi() : Screen()->PixelsPerInch();
}

void TVyrLabel::MouseMovement(int X, int Y) {
    TVyrBand* B = Band();
    if (!B) return;
    if (TVyrRptDsgn* Design = DesignOf(this, B->GetReport()))
        Design->RulerXY(Left() + X, B->Top() + Top() + Y);
}

void TVyrLabel::SetParent(TWinControl* AParent) {
    if (AParent == Parent()) return;
    auto* NewBand = dynamic_cast<TVyrBand*>(AParent);
    if (AParent && !NewBand) Abort();
    // A label moved straight to another band leaves the old band and its page first.
    if (TVyrBand* Old = Band()) Old->RemoveLabel(this);
    if (NewBand) NewBand->InsertLabel(this);
    FBand.Forget();
    TGraphicControl::SetParent(AParent);
}

void TVyrLabel::LabelChanged() {
    Invalidate();
}

void TVyrLabel::BeforeDestruction() {
    if (TVyrBand* B = Band()) B->RemoveLabel(this);
    TGraphicControl::BeforeDestruction();
}

// The print protocol

QString TVyrLabel::GetDataNow() {
    return GetDisplayText();
}

QString TVyrLabel::GetDisplayText() {
    return Caption();
}

bool TVyrLabel::PrintOk() {
    if (!FIsVisible || FEndPrint) return false;
    if (!LabelPrintWhen) return true;
    bool Result = false;
    try {
        LabelPrintWhen(this, Result);
    } catch (...) {
        // A failing condition keeps the label off the page; the run goes on.
        return false;
    }
    return Result;
}

void TVyrLabel::StartPrint() {
    FEndPrint = false;
    FEndPrint = !PrintOk();
}

int TVyrLabel::SpendHeight(TVyrPage*, int) {
    return PrintOk() ? Top() + Height() : 0;
}

int TVyrLabel::PrintHeight(TVyrPage* oPage, int Space, int) {
    int Result = 0;
    if (PrintOk()) {
        Print(oPage, Space);
        Result = Top() + Height();
    }
    FEndPrint = true;
    return Result;
}

void TVyrLabel::Print(TVyrPage* oPage, int Space) {
    FEndPrint = false;
    if (PrintOk()) {
        DoBeforePrint();
        const TRect R = Bounds(oPage->XPos() + Left(), oPage->YPos() + Top(), Width(), Height());
        TPimCanvas* C = oPage->GetCanvas();
        if (C && !(oPage->DrawsNowhere() && OnlyDraws())) PrintLabel(C, R, Space);
        DoAfterPrint();
    }
    FEndPrint = true;
}

void TVyrLabel::PrintLabel(TPimCanvas* PimCanvas, const TRect& Rect, int) {
    DrawText(PimCanvas, Rect, GetDataNow());
}

bool TVyrLabel::OnlyDraws() {
    return false;
}

int TVyrLabel::GetTabPosition() const {
    switch (FHorizontalAlign) {
    case laCenter:
        return Left() + Width() / 2;
    case laRight:
        return Left() + Width();
    default:
        return Left();
    }
}

int TVyrLabel::GetTabKind() const {
    return FHorizontalAlign == laCenter ? 1 : FHorizontalAlign == laRight ? 2 : 0;
}

void TVyrLabel::PrintTab(TVyrPage* oPage, TVyrRtfFile* Rtf, int PrintRow) {
    if (!PrintOk() || PrintRow != FRow || !FRtfPrint) return;
    const int PPI = oPage ? oPage->getppi() : GetPPI();
    // Far out at a coarse resolution, a stop in twips may pass what an int holds.
    const int64_t Twips = Round(double(GetTabPosition()) / PPI * 1440);
    Rtf->RowTabStop(int(std::clamp<int64_t>(Twips, INT32_MIN, INT32_MAX)),
                    static_cast<TVyrTabAlignment>(GetTabKind()));
}

void TVyrLabel::PrintRtf(TVyrPage*, TVyrRtfFile* Rtf, int PrintRow) {
    if (!PrintOk()) return;
    if (!FRtfPrint) {
        FEndPrint = true;
        return;
    }
    if (PrintRow != FRow) return;
    DoBeforePrint();
    // The tab before the text is never underlined.
    TFont Plain;
    Plain.Assign(*Font());
    Plain.SetStyle(Plain.Style() & ~fsUnderline);
    Rtf->SetFont(Plain);
    Rtf->RowTab();
    Rtf->SetFont(*Font());
    Rtf->TextOut(GetDataNow());
    DoAfterPrint();
    FEndPrint = true;
}

void TVyrLabel::DoBeforePrint() {
    GuardedEvent(this, OnBeforePrint, this);
}

void TVyrLabel::DoAfterPrint() {
    GuardedEvent(this, OnAfterPrint, this);
}

int TVyrLabel::GetXSpot(int x) const {
    switch (FHorizontalAlign) {
    case laCenter:
        return x + Width() / 2;
    case laRight:
        return x + Width() - FBorderMargin;
    default:
        return x + FBorderMargin;
    }
}

int TVyrLabel::GetYSpot(int y) const {
    switch (FVerticalAlign) {
    case laTop:
        return y + FBorderMargin;
    case laMiddle:
        return y + Height() / 2;
    case laCenterVert:
        return y + (Height() - std::abs(Font()->Height()) * 4 / 3) / 2;
    default:
        return y + Height() - FBorderMargin;
    }
}

int TVyrLabel::XPos() const {
    switch (FHorizontalAlign) {
    case laCenter:
        return Left() + Width() / 2;
    case laRight:
        return Left() + Width() - 1;
    default:
        return Left() + 1;
    }
}

int TVyrLabel::YPos() const {
    switch (FVerticalAlign) {
    case laTop:
        return Top() + 1;
    case laBottom:
        return Top() + Height() - 1;
    default:
        return Top() + Height() / 2;
    }
}

uint16_t TVyrLabel::AlignFlags() const {
    uint16_t Flags = FVerticalAlign == laMiddle   ? TA_BASELINE
                     : FVerticalAlign == laBottom ? TA_BOTTOM
                                                  : TA_TOP;
    if (FHorizontalAlign == laCenter)
        Flags |= TA_CENTER;
    else if (FHorizontalAlign == laRight)
        Flags |= TA_RIGHT;
    return Flags;
}

bool TVyrLabel::ClipRect() const {
    if (FClipType == ctClip) return true;
    if (FClipType != ctDefault) return false;
    const TVyrPage* P = getpage();
    return P && P->ClipLabels();
}

void TVyrLabel::InitPrint(TPimCanvas* PimCanvas, const TRect& Rect) {
    if (!PimCanvas) return;
    TBrush& B = *FBrushSet;
    B.Assign(*FBrush);
    if (Transparent()) {
        B.SetColor(clWhite);
        B.SetStyle(bsClear);
        PimCanvas->SetBrush(B);
        return;
    }
    B.SetStyle(bsSolid);
    if (FShade != spNone) {
        B.SetColor(clWhite);
        PimCanvas->SetBrush(B);
        PimCanvas->ShadeRect(Rect, FShade);
    } else {
        B.SetColor(Color());
        PimCanvas->SetBrush(B);
        PimCanvas->FillRect(Rect);
    }
    PimCanvas->Brush().SetStyle(bsClear);
}

void TVyrLabel::DrawText(TPimCanvas* PimCanvas, const TRect& Rect, const QString& Text) {
    if (!PimCanvas) return;
    int x = GetXSpot(Rect.Left);
    int y = GetYSpot(Rect.Top);
    // The font goes first: a shade is drawn in the text colour selected at the time.
    PimCanvas->SetFont(*Font());
    InitPrint(PimCanvas, Rect);
    const uint16_t Align = AlignFlags();
    PimCanvas->SetTextAlign(Align);
    PimCanvas->SetFontAngle(FRotateFont);
    // Only what the rectangle (unclipped: the page) can show is drawn, however long the text.
    const bool Clip = ClipRect();
    const QString Shown = PimCanvas->ShownText(x, y, Align, Text, Clip ? &Rect : nullptr);
    if (Clip)
        PimCanvas->TextRect(Rect, x, y, Shown);
    else
        PimCanvas->Textout(x, y, Shown);
    VyrDrawBorder(PimCanvas, Rect, FBorderType, FPainting);
}

void TVyrLabel::Paint() {
    DeviceContext* DC = Canvas()->Handle();
    if (!DC) return;
    TPimCanvas C;
    C.SetPixelsPerInchX(DC->GetDeviceCaps(LOGPIXELSX));
    C.SetPixelsPerInchY(DC->GetDeviceCaps(LOGPIXELSY));
    C.SetHandle(DC);
    // Outlines and placeholders belong to painting alone, also when drawing fails.
    struct TPaintingScope {
        bool& Flag;
        TPimCanvas& Canvas;
        ~TPaintingScope() {
            Flag = false;
            Canvas.SetHandle(nullptr);
        }
    } Scope{FPainting, C};
    FPainting = true;
    PrintLabel(&C, TRect{0, 0, Width() - 1, Height() - 1}, Height());
}

void TVyrLabel::Loaded() {
    TGraphicControl::Loaded();
    if (HasState(csDesigning) || ParentFont()) return;
    const int PPI = GetPPI();
    if (Font()->PixelsPerInch() == PPI) return;
    // The font keeps its height in pixels, now at the page's resolution.
    const int PixelHeight = Font()->Height();
    Font()->SetPixelsPerInch(PPI);
    Font()->SetHeight(PixelHeight);
    Perform(CM_FONTCHANGED);
}

void TVyrLabel::WndProc(TMessage& Message) {
    TGraphicControl::WndProc(Message);
    if (Message.Msg == CM_TEXTCHANGED) AdjustSize();
    if (Message.Msg == CM_DESIGNHITTEST && HasState(csDesigning))
        MouseMovement(GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam));
}

void TVyrLabel::FontChanged() {
    TGraphicControl::FontChanged();
    AdjustSize();
}

void TVyrLabel::SetAutoSize(bool Value) {
    if (Value == FAutoSize) return;
    FAutoSize = Value;
    AdjustSize();
}

void TVyrLabel::AdjustSize() {
    if (HasState(csReading) || !FAutoSize || !HasState(csDesigning)) return;
    const TVyrPage* P = getpage();
    if (!P || P->Printing()) return;
    TMeasuringContext& M = *MeasuringContext();
    M.Prepare(*Font(), Font()->PixelsPerInch());
    const int h = std::abs(Font()->Height()) + 2 * FBorderMargin;
    const int w = M.TextWidth(Caption()) + 2 * FBorderMargin + M.TextMetrics().tmMaxCharWidth;
    SetBounds(Left(), Top(), w, h);
}

bool TVyrLabel::AtBodyTop(const TVyrPage* oPage) {
    return oPage && oPage->LastPagePos() == oPage->YPos();
}

QString TVyrLabel::VariablePlaceholder(const TComponent* Variable) {
    return Variable ? Variable->Name() : QStringLiteral("Fill in variable.");
}

void TVyrLabel::DropStoredAutoSize(TFiler* Filer) {
    Filer->DefineProperty(
        QStringLiteral("AutoSize"), [](const QVariant&) {}, nullptr, false);
}

bool TVyrLabel::StartPass() {
    SetEndPrint(false);
    if (!PrintOk()) {
        SetEndPrint(true);
        return false;
    }
    const TVyrPage* P = getpage();
    if (!FRtfPrint && P && P->OutputType() == otRichText) {
        SetEndPrint(true);
        return false;
    }
    return true;
}

TRect TVyrLabel::PieceRect(const TVyrPage* oPage, bool First, int Height) const {
    const int X = oPage ? oPage->XPos() : 0;
    const int Y = oPage ? oPage->YPos() : 0;
    return Bounds(X + Left(), First ? Y + Top() : Y + 1, Width(), Height);
}

void TVyrLabel::PieceBorder(TPimCanvas* PimCanvas, const TRect& Rect, int h) {
    if (FPainting)
        VyrDrawBorder(PimCanvas, Rect, FBorderType, true);
    else
        VyrDrawBorder(PimCanvas, TRect{Rect.Left, Rect.Top, Rect.Left + Width(), Rect.Top + h}, FBorderType,
                      false);
}
