// The label kinds that draw rather than print text: lines, shapes, pictures, dividers, bar codes,
// check boxes, totals and labels drawn by the application.
#include "host/graphic.h"
#include "host/properties.h"
#include "host/streams.h"
#include "output/PimCtrl.h"
#include "output/PimImg.h"
#include "output/PimOut.h"
#include "report/PimPage.h"
#include "report/VyrCtrl.h"
#include "report/VyrData.h"
#include "report/VyrRtf.h"
#include "report/VyrVar.h"

#include <algorithm>

// TVyrLine

TVyrLine::TVyrLine(TComponent* AOwner) : TVyrLabel(AOwner) {}

void TVyrLine::SetLineType(TVyrLineType Value) {
    if (Value == FLineType) return;
    FLineType = Value;
    Invalidate();
}

bool TVyrLine::OnlyDraws() {
    return !Painting();
}

void TVyrLine::PrintLabel(TPimCanvas* PimCanvas, const TRect& Rect, int) {
    if (!PimCanvas) return;
    InitPrint(PimCanvas, Rect);
    PenSet()->Assign(*Pen());
    PimCanvas->SetPen(*PenSet());
    const int P = Pen()->Width();
    switch (FLineType) {
    case ltDiagonalLeft:
        PimCanvas->MoveTo(Rect.Left, Rect.Top);
        PimCanvas->LineTo(Rect.Right, Rect.Bottom);
        break;
    case ltDiagonalRight:
        PimCanvas->MoveTo(Rect.Right, Rect.Top);
        PimCanvas->LineTo(Rect.Left, Rect.Bottom);
        break;
    default: {
        if (P <= 0) break;
        // Straight lines are filled in the pen's colour, so that they are as thick on every device.
        // The working brush takes the colour: the stored brush is saved with the form.
        TBrush& B = *BrushSet();
        B.Assign(*Brush());
        B.SetColor(Pen()->Color());
        B.SetStyle(bsSolid);
        PimCanvas->SetBrush(B);
        if (FLineType == ltHorizontal) {
            int y;
            switch (AlignVertical()) {
            case laTop:
                y = Rect.Top;
                break;
            case laBottom:
                y = Rect.Bottom - P;
                break;
            default:
                y = Rect.Top + Height() / 2;
            }
            PimCanvas->FillRect(Bounds(Rect.Left, y, Rect.Right - Rect.Left + 1, P));
        } else {
            int x;
            switch (AlignHorizontal()) {
            case laLeft:
                x = Rect.Left;
                break;
            case laRight:
                x = Rect.Right - P;
                break;
            default:
                x = Rect.Left + Width() / 2;
            }
            PimCanvas->FillRect(Bounds(x, Rect.Top, P, Rect.Bottom - Rect.Top + 1));
        }
    }
    }
    VyrDrawBorder(PimCanvas, Rect, BorderType(), Painting());
}

// TVyrVarRefLabel

void TVyrVarRefLabel::SetVariable(TVyrVar* Value) {
    Watch(FVariable, Value);
    Invalidate();
}

void TVyrVarRefLabel::Notification(TComponent* AComponent, TOperation Operation) {
    TVyrLabel::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FVariable) SetVariable(nullptr);
}

QString TVyrVarRefLabel::GetDisplayText() {
    return VariablePlaceholder(FVariable);
}

// TVyrShape

TVyrShape::TVyrShape(TComponent* AOwner) : TVyrLabel(AOwner) {}

void TVyrShape::SetShapeType(TVyrShapeType Value) {
    if (Value == FShapeType) return;
    FShapeType = Value;
    Invalidate();
}

bool TVyrShape::OnlyDraws() {
    return !Painting();
}

void TVyrShape::PrintLabel(TPimCanvas* PimCanvas, const TRect& Rect, int) {
    if (!PimCanvas) return;
    InitPrint(PimCanvas, Rect);
    BrushSet()->Assign(*Brush());
    PimCanvas->SetBrush(*BrushSet());
    PenSet()->Assign(*Pen());
    PimCanvas->SetPen(*PenSet());
    const int P = Pen()->Width();
    int w = Width() - P + 1, h = Height() - P + 1;
    const int m = std::min(w, h);
    int dx = P / 2, dy = P / 2;
    if (FShapeType == sstCircle || FShapeType == sstRoundSquare || FShapeType == sstSquare) {
        dx += (w - m) / 2;
        dy += (h - m) / 2;
        w = h = m;
    }
    const int x = Rect.Left + dx, y = Rect.Top + dy;
    // On the designed form the control's own edge is the last pixel it owns.
    const int Inset = Painting() ? 1 : 0;
    switch (FShapeType) {
    case sstRectangle:
        PimCanvas->Rectangle(Rect.Left, Rect.Top, Rect.Right - Inset, Rect.Bottom - Inset);
        break;
    case sstSquare:
        PimCanvas->Rectangle(x, y, x + w - Inset, y + h - Inset);
        break;
    case sstRoundRect:
    case sstRoundSquare:
        PimCanvas->RoundRect(x, y, x + w, y + h, m / 4, m / 4);
        break;
    default:
        PimCanvas->Ellipse(x, y, x + w, y + h);
    }
}

// TVyrCheckLabel

TVyrCheckLabel::TVyrCheckLabel(TComponent* AOwner) : TVyrVarRefLabel(AOwner) {
    SetColor(clWindow);
    SetParentColor(true);
    SetBounds(Left(), Top(), 12, 12);
}

void TVyrCheckLabel::SetCheckStyle(TVyrCheckStyle Value) {
    if (Value == FCheckStyle) return;
    FCheckStyle = Value;
    Invalidate();
}

bool TVyrCheckLabel::Checked() {
    TVyrVar* V = Variable();
    if (!V) return true;
    if (Painting()) {
        if (!V->Initialized()) V->Initialize();
        return !V->Active() || V->AsBoolean();
    }
    return V->AsBoolean();
}

void TVyrCheckLabel::PrintLabel(TPimCanvas* PimCanvas, const TRect& Rect, int) {
    if (!PimCanvas) return;
    const bool Check = Checked();
    InitPrint(PimCanvas, Rect);
    if (Check)
        PimCanvas->DrawCheckBox(Rect, FCheckStyle == csCheck ? acsCheck : acsCross, Pen()->Color(),
                                Pen()->Width());
    VyrDrawBorder(PimCanvas, Rect, BorderType(), Painting());
}

void TVyrCheckLabel::PrintRtf(TVyrPage* oPage, TVyrRtfFile* Rtf, int PrintRow) {
    if (!PrintOk()) return;
    if (!RtfPrint() || !Rtf) {
        SetEndPrint(true);
        return;
    }
    if (PrintRow != Row()) return;
    DoBeforePrint();
    TVyrLabel::PrintTab(oPage, Rtf, PrintRow);
    // The tab before the mark is never underlined.
    TFont Plain;
    Plain.Assign(*Font());
    Plain.SetStyle(Plain.Style() & ~fsUnderline);
    Rtf->SetFont(Plain);
    Rtf->RowTab();
    Rtf->SetFont(*Font());
    // Without a variable the box draws checked, so the text says so too.
    Rtf->TextOut(!Variable() || Variable()->AsBoolean() ? QStringLiteral("Y") : QStringLiteral("N"));
    DoAfterPrint();
    SetEndPrint(true);
}

// TVyrTotalvarLabel

TVyrTotalvarLabel::TVyrTotalvarLabel(TComponent* AOwner)
    : TVyrLabel(AOwner), FDataFormat(std::make_unique<TVyrFloatFormat>()) {
    SetColor(clWindow);
    SetParentColor(true);
    SetHorizontalAlign(laRight);
}

TVyrTotalvarLabel::~TVyrTotalvarLabel() = default;

void TVyrTotalvarLabel::SetTotalVariable(TVyrTotalvar* Value) {
    Watch(FTotalVariable, Value);
    Invalidate();
}

void TVyrTotalvarLabel::SetAutoLevel(bool Value) {
    if (Value == FAutoLevel) return;
    FAutoLevel = Value;
    Invalidate();
}

void TVyrTotalvarLabel::SetLevel(TVyrLevel* Value) {
    if (Value == FLevel) return;
    Watch(FLevel, Value);
    Invalidate();
}

void TVyrTotalvarLabel::SetTotalType(TVyrTotalType Value) {
    if (Value == FTotalType) return;
    FTotalType = Value;
    Invalidate();
}

void TVyrTotalvarLabel::SetDataFormat(const TVyrFloatFormat* Value) {
    if (Value) FDataFormat->Assign(*Value);
}

void TVyrTotalvarLabel::Notification(TComponent* AComponent, TOperation Operation) {
    TVyrLabel::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == FTotalVariable) SetTotalVariable(nullptr);
    // A removed level must not be read through afterwards.
    if (AComponent == FLevel) SetLevel(nullptr);
}

void TVyrTotalvarLabel::DefineProperties(TFiler* Filer) {
    TVyrLabel::DefineProperties(Filer);
    // Older forms stored a size-to-caption flag on total labels too; it is read and dropped.
    Filer->DefineProperty(
        QStringLiteral("AutoSize"), [](const QVariant&) {}, nullptr, false);
}

TVyrLevel* TVyrTotalvarLabel::PrintLevel() const {
    TVyrBand* B = Band();
    if ((FAutoLevel || !FLevel) && B) return B->UpdateLevel();
    return FLevel;
}

QString TVyrTotalvarLabel::GetDisplayText() {
    return VariablePlaceholder(FTotalVariable);
}

QString TVyrTotalvarLabel::GetDataNow() {
    TVyrLevel* Lv = PrintLevel();
    if (!FTotalVariable) return GetDisplayText();
    if (HasState(csDesigning) || !FTotalVariable->Initialized()) {
        if (!FTotalVariable->Initialized()) FTotalVariable->Initialize();
        if (!FTotalVariable->Active()) return GetDisplayText();
    }
    // Without a level the run keeps, there is no total to show: an empty one would pass for zero.
    if (!FTotalVariable->HasLevel(Lv)) return GetDisplayText();
    FDataFormat->FormatInto(FTotalVariable->Getlevel(Lv, FTotalType), FText);
    return FText;
}

bool TVyrTotalvarLabel::OnlyDraws() {
    if (Painting()) return false;
    if (!FTotalVariable) return true;
    // Read as it stands, a total formats as a number, which fails only as hours and minutes.
    if (HasState(csDesigning) || !FTotalVariable->Initialized() ||
        FTotalVariable->UpdateMode() == umNeedUpdate)
        return false;
    return !FDataFormat->HoursMinutes();
}

// TVyrImageLabel

TVyrImageLabel::TVyrImageLabel(TComponent* AOwner)
    : TVyrVarRefLabel(AOwner), FImageStream(std::make_unique<TMemoryStream>()) {}

TVyrImageLabel::~TVyrImageLabel() = default;

void TVyrImageLabel::SetPicture(const TGraphic* Value) {
    FPicture.reset();
    if (Value && !Value->Empty()) {
        TMemoryStream S;
        Value->SaveToStream(S);
        S.SetPosition(0);
        FPicture = PimGetGraphic(&S);
    }
    Invalidate();
}

QByteArray TVyrImageLabel::PictureData() const {
    return FPicture ? FPicture->Data() : QByteArray();
}

void TVyrImageLabel::SetPictureData(const QByteArray& Value) {
    FPicture.reset();
    if (!Value.isEmpty()) {
        TMemoryStream S;
        S.WriteBuffer(Value.constData(), Value.size());
        S.SetPosition(0);
        FPicture = PimGetGraphic(&S);
    }
    Invalidate();
}

void TVyrImageLabel::SetCenter(bool Value) {
    if (Value == FCenter) return;
    FCenter = Value;
    Invalidate();
}

void TVyrImageLabel::SetKeepAspect(bool Value) {
    if (Value == FKeepAspect) return;
    FKeepAspect = Value;
    Invalidate();
}

void TVyrImageLabel::SetKeepBorderAspect(bool Value) {
    if (Value == FKeepBorderAspect) return;
    FKeepBorderAspect = Value;
    Invalidate();
}

void TVyrImageLabel::UpdateImage() {
    FImageStream->Clear();
    FPimBitmap.reset();
    FData.reset();
    TVyrVar* V = Variable();
    if (V && Painting() && !V->Initialized()) {
        V->Initialize();
        if (!V->Active()) return;
    }
    const TVyrDataTypes Type = V ? V->DataType() : dtypeUnknown;
    if (!V || (Type != dtypeGraphic && Type != dtypeBlob)) {
        if (FPicture && !FPicture->Empty()) FPicture->SaveToStream(*FImageStream);
    } else if (TStream* Value = V->AsStream()) {
        Value->SetPosition(0);
        PimIsBlob(Value); // leaves the position behind a blob header
        const int64_t Rest = Value->Size() - Value->Position();
        if (Rest > 0) FImageStream->CopyFrom(*Value, Rest);
    }
    if (FImageStream->Size() == 0) return;
    FImageStream->SetPosition(0);
    if (PimIsBitmap(FImageStream.get())) {
        FPimBitmap = std::make_unique<TPimBitmap>();
        FPimBitmap->LoadFromStream(FImageStream.get());
        FImageStream->SetPosition(0);
        // A damaged bitmap is nothing to draw; the label keeps its own height.
        if (FPimBitmap->Empty()) FPimBitmap.reset();
        return;
    }
    FData = PimGetGraphic(FImageStream.get());
    FImageStream->SetPosition(0);
    if (FData && FData->Empty()) FData.reset();
}

bool TVyrImageLabel::ImageSize(int& w, int& h) const {
    const int PPI = GetPPI();
    if (FPimBitmap) {
        w = FPimBitmap->WidthAt(PPI);
        h = FPimBitmap->HeightAt(PPI);
        return true;
    }
    if (FData) {
        w = std::abs(FData->Width());
        h = std::abs(FData->Height());
        return true;
    }
    return false;
}

int TVyrImageLabel::ImageHeight() {
    int w = 0, h = 0;
    if (Stretch() || !ImageSize(w, h)) return Top() + Height();
    return Top() + h;
}

void TVyrImageLabel::StartPrint() {
    TVyrLabel::StartPrint();
    if (PrintOk()) UpdateImage();
}

int TVyrImageLabel::SpendHeight(TVyrPage*, int) {
    UpdateImage();
    return PrintOk() ? ImageHeight() : 0;
}

int TVyrImageLabel::PrintHeight(TVyrPage* oPage, int Space, int) {
    int Result = 0;
    if (PrintOk()) {
        Print(oPage, Space);
        Result = ImageHeight();
    }
    SetEndPrint(true);
    return Result;
}

void TVyrImageLabel::PrintLabel(TPimCanvas* PimCanvas, const TRect& Rect, int) {
    UpdateImage();
    if (!PimCanvas) return;
    InitPrint(PimCanvas, Rect);
    int w = 0, h = 0;
    const bool Loaded = ImageSize(w, h);
    TRect Frame = Rect;
    auto DrawFrame = [&] { VyrDrawBorder(PimCanvas, Painting() ? Rect : Frame, BorderType(), Painting()); };
    // Nothing to draw, or a picture or label without extent: only the frame shows.
    if (!Loaded || w <= 0 || h <= 0) {
        DrawFrame();
        return;
    }
    if (Stretch()) {
        const int W = Rect.Right - Rect.Left, H = Rect.Bottom - Rect.Top;
        if (W <= 0 || H <= 0) {
            DrawFrame();
            return;
        }
        int dx = 0, dy = 0;
        if (FKeepAspect) {
            // 64-bit products: a large picture must not overflow the comparison.
            if (int64_t(W) * 1000 / H < int64_t(w) * 1000 / h)
                dy = H - int(int64_t(W) * h / w);
            else
                dx = W - int(int64_t(w) * H / h);
        }
        int x = Rect.Left, y = Rect.Top;
        if (FCenter) {
            x += dx / 2;
            y += dy / 2;
        }
        const TRect Target = Bounds(x, y, W - dx, H - dy);
        if (FPimBitmap)
            PimCanvas->StretchDrawBitmap(Target, FImageStream.get());
        else
            PimCanvas->StretchDraw(Target, FData.get());
        if (FKeepBorderAspect) Frame = Target;
    } else {
        int x = Rect.Left, y = Rect.Top;
        if (FCenter) {
            x += (Width() - w) / 2;
            y += (Height() - h) / 2;
        }
        if (FPimBitmap)
            PimCanvas->DrawBitmap(x, y, FImageStream.get());
        else
            PimCanvas->Draw(x, y, FData.get());
        Frame = Bounds(x, y, w + 1, h + 1);
    }
    DrawFrame();
}

// TVyrVerticalDivider

TVyrVerticalDivider::TVyrVerticalDivider(TComponent* AOwner) : TVyrLabel(AOwner) {
    SetColor(clWindow);
    SetParentColor(true);
    SetBounds(Left(), Top(), Width(), Height());
}

void TVyrVerticalDivider::SetDividerWidth(int Value) {
    if (Value == FDividerWidth) return;
    FDividerWidth = Value;
    SetBounds(Left(), Top(), Width(), Height());
}

void TVyrVerticalDivider::SetDividerColor(TColor Value) {
    if (Value == FDividerColor) return;
    FDividerColor = Value;
    Invalidate();
}

void TVyrVerticalDivider::SetBounds(int ALeft, int, int, int) {
    // Only the place across the band is the user's: the divider runs from the band's top to its bottom.
    if (TVyrBand* B = Band())
        TVyrLabel::SetBounds(ALeft, 1, ClampControlSize(int64_t(FDividerWidth) + 1),
                             ClampControlSize(B->Height() - 1));
    else
        TVyrLabel::SetBounds(ALeft, 1, 2, 1000);
    Invalidate();
}

void TVyrVerticalDivider::SetParent(TWinControl* AParent) {
    TVyrLabel::SetParent(AParent);
    SetBounds(Left(), Top(), Width(), Height());
}

void TVyrVerticalDivider::BandResized(int) {
    SetBounds(Left(), Top(), Width(), Height());
}

int TVyrVerticalDivider::SpendHeight(TVyrPage*, int) {
    return Height();
}

int TVyrVerticalDivider::PrintHeight(TVyrPage* oPage, int, int Taking) {
    // Every piece of the band gets its bar, over the height the band takes there.
    SetEndPrint(false);
    TVyrLabel::PrintHeight(oPage, Taking, Taking);
    SetEndPrint(true);
    return 0;
}

void TVyrVerticalDivider::PrintLabel(TPimCanvas* PimCanvas, const TRect& Rect, int Space) {
    // The print events belong to Print, once a piece; painting the form fires none.
    if (PimCanvas) {
        if (FDividerWidth != 0) {
            TBrush& B = *BrushSet();
            B.Assign(*Brush());
            B.SetColor(FDividerColor);
            B.SetStyle(bsSolid);
            PimCanvas->SetBrush(B);
            PimCanvas->FillRect(Bounds(Rect.Left, Rect.Top - 1, FDividerWidth, Space));
        } else {
            TPen& P = *PenSet();
            P.Assign(*Pen());
            P.SetColor(FDividerColor);
            P.SetStyle(psSolid);
            P.SetWidth(0);
            PimCanvas->SetPen(P);
            PimCanvas->MoveTo(Rect.Left, Rect.Top - 1);
            PimCanvas->LineTo(Rect.Left, Rect.Top + Space);
        }
    }
}

// TVyrBarCodeLabel

TVyrBarCodeLabel::TVyrBarCodeLabel(TComponent* AOwner)
    : TVyrVarRefLabel(AOwner), FBarCodeBrush(std::make_unique<TBrush>()) {
    SetColor(clWindow);
    SetParentColor(true);
    FBarCodeBrush->SetColor(clBlack);
    FBarCodeBrush->SetStyle(bsSolid);
    FBarCodeBrush->OnChange = [this](TBrush*) { Invalidate(); };
}

TVyrBarCodeLabel::~TVyrBarCodeLabel() = default;

void TVyrBarCodeLabel::SetDirection(TVyrDirection Value) {
    if (Value == FDirection) return;
    FDirection = Value;
    Invalidate();
}

void TVyrBarCodeLabel::SetNarrowWidth(int Value) {
    if (Value == FNarrowWidth) return;
    FNarrowWidth = Value;
    Invalidate();
}

void TVyrBarCodeLabel::SetWideWidth(int Value) {
    if (Value == FWideWidth) return;
    FWideWidth = Value;
    Invalidate();
}

void TVyrBarCodeLabel::SetBarCodeType(TVyrBarCodeType Value) {
    if (Value == FBarCodeType) return;
    FBarCodeType = Value;
    Invalidate();
}

void TVyrBarCodeLabel::SetWidthInInches_1000(bool Value) {
    if (Value == FWidthInInches_1000) return;
    FWidthInInches_1000 = Value;
    Invalidate();
}

QString TVyrBarCodeLabel::CodeText() {
    QString Code = Variable() ? Variable()->AsString() : QString();
    for (QChar& Ch : Code)
        if (Ch >= u'a' && Ch <= u'z') Ch = QChar(Ch.unicode() - u'a' + u'A');
    return Code;
}

void TVyrBarCodeLabel::PrintLabel(TPimCanvas* PimCanvas, const TRect& Rect, int) {
    if (!PimCanvas) return;
    TVyrVar* V = Variable();
    if (Painting() && V && !V->Initialized()) V->Initialize();
    if (!V || !V->Active()) {
        DrawText(PimCanvas, Rect, GetDataNow());
        return;
    }
    InitPrint(PimCanvas, Rect);
    const int BM = BorderMargin();
    const bool Vertical = FDirection == bdVertical;
    // A label too small for its margins has no room for bars.
    const int Bars = Vertical ? Width() - 2 * BM : Height() - 2 * BM;
    if (Bars > 0) {
        std::unique_ptr<TPimBarCode> Code;
        if (FBarCodeType == bct2of5)
            Code = std::make_unique<TPim2of5BarCode>();
        else
            Code = std::make_unique<TPim3of9BarCode>();
        Code->SetNarrowWidth(FNarrowWidth);
        Code->SetWideWidth(FWideWidth);
        Code->SetVertical(Vertical);
        Code->SetWidthInInches_1000(FWidthInInches_1000);
        const QString Text = CodeText();
        // Measured at the page's resolution, on which the code is drawn.
        const int Length = Code->BarCodeLengthAt(GetPPI(), Text);
        int dx, dy;
        if (!Vertical) {
            dy = BM;
            dx = AlignHorizontal() == laLeft     ? BM
                 : AlignHorizontal() == laCenter ? (Width() - Length) / 2
                                                 : Width() - Length - BM;
        } else {
            dx = BM;
            dy = AlignVertical() == laTop      ? BM
                 : AlignVertical() == laBottom ? Height() - Length - BM
                                               : (Height() - Length) / 2;
        }
        PimCanvas->SetBrush(*FBarCodeBrush);
        const int W = Vertical ? Bars : 0, H = Vertical ? 0 : Bars;
        if (FBarCodeType == bct2of5)
            PimCanvas->Print2of5Barcode(Rect.Left + dx, Rect.Top + dy, W, H, FNarrowWidth, FWideWidth,
                                        FWidthInInches_1000, Vertical, Text);
        else
            PimCanvas->Print3of9Barcode(Rect.Left + dx, Rect.Top + dy, W, H, FNarrowWidth, FWideWidth,
                                        FWidthInInches_1000, Vertical, Text);
    }
    VyrDrawBorder(PimCanvas, Rect, BorderType(), Painting());
}

// TVyrCustomLabel

TVyrCustomLabel::TVyrCustomLabel(TComponent* AOwner) : TVyrLabel(AOwner) {}

void TVyrCustomLabel::DrawLabel(TPimCanvas* PimCanvas, const TRect& Rect, int) {
    if (OnDraw) OnDraw(this, PimCanvas, Rect);
}

void TVyrCustomLabel::PrintLabel(TPimCanvas* PimCanvas, const TRect& Rect, int Space) {
    if (!PimCanvas) return;
    InitPrint(PimCanvas, Rect);
    DrawLabel(PimCanvas, Rect, Space);
    VyrDrawBorder(PimCanvas, Rect, BorderType(), Painting());
}

// Published properties and classes of stored forms

namespace {

TEnumInfo Names(const char* Type, std::initializer_list<const char*> Values) {
    QStringList L;
    for (const char* V : Values)
        L << QString::fromLatin1(V);
    return TEnumInfo(QString::fromLatin1(Type), L);
}

[[maybe_unused]] const bool Declared = [] {
    static const TEnumInfo LineTypes =
        Names("TVyrLineType", {"ltHorizontal", "ltVertical", "ltDiagonalLeft", "ltDiagonalRight"});
    static const TEnumInfo ShapeTypes =
        Names("TVyrShapeType",
              {"sstCircle", "sstEllipse", "sstRectangle", "sstRoundRect", "sstRoundSquare", "sstSquare"});
    static const TEnumInfo CheckStyles = Names("TVyrCheckStyle", {"csCross", "csCheck"});
    static const TEnumInfo TotalTypes =
        Names("TVyrTotalType", {"ttSum", "ttCount", "ttMax", "ttMin", "ttAverage", "ttValue"});
    static const TEnumInfo Directions = Names("TVyrDirection", {"bdVertical", "bdHorizontal"});
    static const TEnumInfo BarCodeTypes = Names("TVyrBarCodeType", {"bct3of9", "bct2of5"});

    DeclareProperties<TVyrVarRefLabel, TVyrLabel>()
        .Reference("Variable", &TVyrVarRefLabel::Variable, &TVyrVarRefLabel::SetVariable)
        .NotPublished();
    DeclareProperties<TVyrCheckLabel, TVyrVarRefLabel>()
        .Publish("Align")
        .Publish("Color")
        .Default(clWindow)
        .Publish("ParentColor")
        .Default(true)
        .Publish("Transparent")
        .Enumeration("CheckStyle", CheckStyles, &TVyrCheckLabel::CheckStyle, &TVyrCheckLabel::SetCheckStyle)
        .Default(csCross)
        .Publish("BorderType")
        .Publish("Shade")
        .Publish("Pen")
        .Publish("Variable");
    DeclareProperties<TVyrTotalvarLabel, TVyrLabel>()
        .Boolean("AutoLevel", &TVyrTotalvarLabel::AutoLevel, &TVyrTotalvarLabel::SetAutoLevel)
        .Default(true)
        .Enumeration("TotalType", TotalTypes, &TVyrTotalvarLabel::TotalType, &TVyrTotalvarLabel::SetTotalType)
        .Default(ttSum)
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
        .Default(laRight)
        .Publish("BorderType")
        .Publish("RotateFont")
        .Publish("Shade")
        .Publish("BorderMargin")
        .Object("DataFormat", &TVyrTotalvarLabel::DataFormat)
        .Publish("Font")
        .Reference("Level", &TVyrTotalvarLabel::Level, &TVyrTotalvarLabel::SetLevel)
        .Reference("TotalVariable", &TVyrTotalvarLabel::TotalVariable, &TVyrTotalvarLabel::SetTotalVariable);
    DeclareProperties<TVyrLine, TVyrLabel>()
        .Publish("AlignVertical")
        .Publish("AlignHorizontal")
        .Enumeration("LineType", LineTypes, &TVyrLine::LineType, &TVyrLine::SetLineType)
        .Default(ltHorizontal)
        .Publish("Transparent")
        .Publish("Pen");
    DeclareProperties<TVyrShape, TVyrLabel>()
        .Enumeration("ShapeType", ShapeTypes, &TVyrShape::ShapeType, &TVyrShape::SetShapeType)
        .Default(sstRectangle)
        .Publish("Brush")
        .Publish("Pen");
    DeclareProperties<TVyrImageLabel, TVyrVarRefLabel>()
        .Boolean("Center", &TVyrImageLabel::Center, &TVyrImageLabel::SetCenter)
        .Default(false)
        .Boolean("KeepAspect", &TVyrImageLabel::KeepAspect, &TVyrImageLabel::SetKeepAspect)
        .Default(false)
        .Boolean("KeepBorderAspect", &TVyrImageLabel::KeepBorderAspect, &TVyrImageLabel::SetKeepBorderAspect)
        .Default(false)
        .Publish("Stretch")
        .Publish("BorderType")
        .Binary("Picture", &TVyrImageLabel::PictureData, &TVyrImageLabel::SetPictureData)
        .Publish("Variable");
    DeclareProperties<TVyrVerticalDivider, TVyrLabel>()
        .Publish("Color")
        .Default(clWindow)
        .Publish("ParentColor")
        .Default(true)
        .Integer("DividerWidth", &TVyrVerticalDivider::DividerWidth, &TVyrVerticalDivider::SetDividerWidth)
        .Default(1)
        .Color("DividerColor", &TVyrVerticalDivider::DividerColor, &TVyrVerticalDivider::SetDividerColor)
        .Default(clBlack);
    DeclareProperties<TVyrBarCodeLabel, TVyrVarRefLabel>()
        .Publish("Align")
        .Publish("Color")
        .Default(clWindow)
        .Publish("ParentColor")
        .Default(true)
        .Publish("Transparent")
        .Publish("BorderType")
        .Enumeration("Direction", Directions, &TVyrBarCodeLabel::Direction, &TVyrBarCodeLabel::SetDirection)
        .Default(bdHorizontal)
        .Integer("NarrowWidth", &TVyrBarCodeLabel::NarrowWidth, &TVyrBarCodeLabel::SetNarrowWidth)
        .Default(1)
        .Integer("WideWidth", &TVyrBarCodeLabel::WideWidth, &TVyrBarCodeLabel::SetWideWidth)
        .Default(3)
        .Publish("AlignVertical")
        .Publish("AlignHorizontal")
        .Publish("BorderMargin")
        .Enumeration("BarCodeType", BarCodeTypes, &TVyrBarCodeLabel::BarCodeType,
                     &TVyrBarCodeLabel::SetBarCodeType)
        .Default(bct3of9)
        .Boolean("WidthInInches_1000", &TVyrBarCodeLabel::WidthInInches_1000,
                 &TVyrBarCodeLabel::SetWidthInInches_1000)
        .Default(false)
        .Object("BarCodeBrush", &TVyrBarCodeLabel::BarCodeBrush)
        .Publish("Variable");
    DeclareProperties<TVyrCustomLabel, TVyrLabel>()
        .Publish("Transparent")
        .Publish("BorderType")
        .Publish("Shade")
        .Event("OnDraw", &TVyrCustomLabel::OnDraw);
    RegisterClasses<TVyrCheckLabel, TVyrTotalvarLabel, TVyrLine, TVyrShape, TVyrImageLabel,
                    TVyrVerticalDivider, TVyrBarCodeLabel, TVyrCustomLabel>();
    return true;
}();

} // namespace
