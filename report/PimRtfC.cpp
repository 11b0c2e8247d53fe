#include "report/PimRtfC.h"
#include "host/properties.h"
#include "output/PimOut.h"
#include "output/PimRtfP.h"
#include "report/PimPage.h"
#include "report/VyrVar.h"

#include <algorithm>

namespace {

// The height of the measuring rectangle when the room has no limit: far more than any page, and
// still far from overflowing once turned into twips.
constexpr int UnlimitedRoom = 1 << 20;

} // namespace

TVyrRichTextLabel::TVyrRichTextLabel(TComponent* AOwner)
    : TVyrLabel(AOwner), FRtfDraw(std::make_unique<TPimRtfDraw>()) {
    SetColor(clWindow);
    SetParentColor(true);
}

TVyrRichTextLabel::~TVyrRichTextLabel() = default;

void TVyrRichTextLabel::SetVariable(TVyrVar* Value) {
    Watch(FVariable, Value);
    SetCaption(GetDisplayText());
}

void TVyrRichTextLabel::SetBottomMargin(int Value) {
    if (Value == FBottomMargin) return;
    FBottomMargin = Value;
    Invalidate();
}

void TVyrRichTextLabel::SetSetDefaultFont(bool Value) {
    if (Value == FSetDefaultFont) return;
    FSetDefaultFont = Value;
    Invalidate();
}

void TVyrRichTextLabel::Notification(TComponent* AComponent, TOperation Operation) {
    TVyrLabel::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FVariable) SetVariable(nullptr);
}

void TVyrRichTextLabel::DefineProperties(TFiler* Filer) {
    TVyrLabel::DefineProperties(Filer);
    DropStoredAutoSize(Filer);
}

QString TVyrRichTextLabel::GetDisplayText() {
    return VariablePlaceholder(FVariable);
}

QString TVyrRichTextLabel::GetDataNow() {
    return GetDisplayText();
}

bool TVyrRichTextLabel::HasText() const {
    return FVariable && FVariable->Active();
}

TStream* TVyrRichTextLabel::TextStream() const {
    return HasText() ? FVariable->AsStream() : nullptr;
}

void TVyrRichTextLabel::FreshRenderer() {
    FRtfDraw = std::make_unique<TPimRtfDraw>();
    FRtfDraw->Reset();
    FRtfDraw->SetFont(*Font());
    FRtfDraw->SetDefaultFont = FSetDefaultFont;
}

TVyrRichTextLabel::TPiece TVyrRichTextLabel::MeasurePiece(int Room, bool AtTop) {
    const int BM = BorderMargin();
    TPimRtfDraw& R = *FRtfDraw;
    R.SetPosition(R.Position()); // forgets what was measured before
    R.SetPixelsPerInchX(GetPPI());
    R.SetPixelsPerInchY(GetPPI());
    R.SetFont(*Font());
    R.SetDefaultFont = FSetDefaultFont;
    const int TextRoom = Room < 0 ? UnlimitedRoom : Room - 2 * BM - FBottomMargin;
    R.SetOutRect(Bounds(100, 100, Width() - 2 * BM, TextRoom));
    TPiece Piece;
    Piece.Count = R.PrintCount();
    Piece.TextHeight = R.Height();
    Piece.Height = Piece.TextHeight + 2 * BM + FBottomMargin;
    // Below the top of a page body a line that does not fit waits for the next page, and the piece
    // takes the rest of this one; at the top it prints all the same, so the text moves on.
    if (Piece.Count > 0 && R.Forced() && !AtTop) {
        Piece.Count = 0;
        Piece.TextHeight = 0;
        Piece.Height = Room;
    }
    if (FirstTime()) Piece.Height = std::max(Piece.Height, Height());
    return Piece;
}

void TVyrRichTextLabel::StartPrint() {
    if (!StartPass()) return;
    SetFirstTime(true);
    if (!HasText()) {
        SetEndPrint(true);
        return;
    }
    FreshRenderer();
    FRtfDraw->SetPixelsPerInchX(GetPPI());
    FRtfDraw->SetPixelsPerInchY(GetPPI());
    FRtfDraw->SetOutRect(Bounds(100, 100, Width() - 2 * BorderMargin(), 2000));
    if (TStream* S = TextStream()) FRtfDraw->LoadFromStream(*S);
}

int TVyrRichTextLabel::SpendHeight(TVyrPage* oPage, int Space) {
    if (!PrintOk() || !HasText()) return 0;
    if (!Stretch()) return Top() + Height();
    if (FirstTime()) {
        if (Space >= 0 && Space - Top() < Height()) return Top() + Height();
        return Top() + MeasurePiece(Space < 0 ? Space : Space - Top(), AtBodyTop(oPage)).Height;
    }
    return MeasurePiece(Space, AtBodyTop(oPage)).Height + 1;
}

int TVyrRichTextLabel::PrintHeight(TVyrPage* oPage, int Space, int Taking) {
    (void)Taking;
    if (!PrintOk() || !HasText()) {
        SetEndPrint(true);
        return 0;
    }
    const bool First = FirstTime();
    if (First) DoBeforePrint();
    if (First && Space >= 0) Space -= Top();
    int h = PrintPiece(oPage ? oPage->Canvas() : nullptr, PieceRect(oPage, First, Space), Space,
                       AtBodyTop(oPage));
    if (First) h += Top();
    if (EndPrint()) DoAfterPrint();
    SetFirstTime(false);
    return h;
}

void TVyrRichTextLabel::Print(TVyrPage* oPage, int Space) {
    SetEndPrint(false);
    if (PrintOk() && HasText()) {
        DoBeforePrint();
        SetFirstTime(true);
        FreshRenderer();
        if (TStream* S = TextStream()) FRtfDraw->LoadFromStream(*S);
        PrintLabel(oPage ? oPage->Canvas() : nullptr, PieceRect(oPage, true, Height()), Space - Top());
        DoAfterPrint();
    }
    SetEndPrint(true);
}

void TVyrRichTextLabel::PrintLabel(TPimCanvas* PimCanvas, const TRect& Rect, int Space) {
    PrintMemo(PimCanvas, Rect, Space);
}

// A single print, or the designed form: what does not fit has no next page to go to.
int TVyrRichTextLabel::PrintMemo(TPimCanvas* PimCanvas, const TRect& Rect, int Space) {
    return PrintPiece(PimCanvas, Rect, Space, true);
}

int TVyrRichTextLabel::PrintPiece(TPimCanvas* PimCanvas, const TRect& Rect, int Space, bool AtTop) {
    const int BM = BorderMargin();
    const TPiece Piece = MeasurePiece(Stretch() ? Space : Height(), AtTop || !Stretch());
    int h;
    if (Stretch()) {
        h = Piece.Height;
        SetEndPrint(FRtfDraw->Position() + Piece.Count >= FRtfDraw->TextLength());
    } else {
        h = Height();
        SetEndPrint(true);
    }
    // A piece always holds what was measured to fit, also where the room left is less than a line.
    TRect T{Rect.Left + BM, Rect.Top + BM, Rect.Right - BM, Rect.Bottom - BM - FBottomMargin};
    T.Bottom = std::max(T.Bottom, T.Top + Piece.TextHeight);

    if (PimCanvas) {
        // The font goes first: the text takes it as its default, and a shade its colour.
        PimCanvas->SetFont(*Font());
        InitPrint(PimCanvas, TRect{Rect.Left, Rect.Top, Rect.Left + Width(), Rect.Top + h - 1});
    }
    if (TStream* S = TextStream()) {
        const int p = FRtfDraw->Position();
        if (PimCanvas && Piece.Count > 0) PimCanvas->RtfDraw(T, S, p, p + Piece.Count, FSetDefaultFont);
        FRtfDraw->SetPosition(p + Piece.Count);
    }
    if (PimCanvas) PieceBorder(PimCanvas, Rect, h);
    return h;
}

void TVyrRichTextLabel::PrintTab(TVyrPage*, TVyrRtfFile*, int) {}

void TVyrRichTextLabel::PrintRtf(TVyrPage*, TVyrRtfFile*, int) {
    SetEndPrint(true);
}

void TVyrRichTextLabel::Paint() {
    SetFirstTime(true);
    FreshRenderer();
    if (FVariable) {
        if (!FVariable->Initialized()) FVariable->Initialize();
        if (TStream* S = TextStream()) FRtfDraw->LoadFromStream(*S);
    }
    TVyrLabel::Paint();
}

// Published properties and the class of stored forms

namespace {

[[maybe_unused]] const bool Declared = [] {
    DeclareProperties<TVyrRichTextLabel, TVyrLabel>()
        .Publish("Align")
        .Publish("Color")
        .Default(clWindow)
        .Publish("ParentColor")
        .Default(true)
        .Publish("ParentFont")
        .Default(true)
        .Publish("Transparent")
        .Publish("ClipType")
        .Publish("AlignVertical")
        .Publish("AlignHorizontal")
        .Publish("Stretch")
        .Publish("BorderType")
        .Publish("Shade")
        .Publish("BorderMargin")
        .Boolean("SetDefaultFont", &TVyrRichTextLabel::SetDefaultFont, &TVyrRichTextLabel::SetSetDefaultFont)
        .Default(false)
        .Integer("BottomMargin", &TVyrRichTextLabel::BottomMargin, &TVyrRichTextLabel::SetBottomMargin)
        .Publish("Font")
        .Reference("Variable", &TVyrRichTextLabel::Variable, &TVyrRichTextLabel::SetVariable);
    RegisterClasses<TVyrRichTextLabel>();
    return true;
}();

} // namespace
