#include "output/PimOut.h"

#include "host/exceptions.h"
#include "host/fonts.h"
#include "host/forms.h"
#include "host/graphic.h"
#include "host/mathutil.h"
#include "host/printers.h"
#include "output/PimCtrl.h"
#include "output/PimFile.h"
#include "output/PimImg.h"
#include "output/PimRtfP.h"
#include "output/PimSetup.h"

#include <cmath>

int32_t PrintOffsetX = 0;
int32_t PrintOffsetY = 0;
TPimPrintOffsetEvent OnPrintOffset;

void PimResetPrintOffset() {
    PrintOffsetX = 0;
    PrintOffsetY = 0;
    OnPrintOffset = nullptr;
}

TPimJobViewer::TPimJobViewer() : FAlive(std::make_shared<int>(0)) {}

TPimJobViewer::~TPimJobViewer() = default;

namespace {

TPimViewerFactory& ViewerFactory() {
    static TPimViewerFactory Factory;
    return Factory;
}

const char* const SUntitledReport = "Untitled Report";

} // namespace

void SetPimViewerFactory(TPimViewerFactory Factory) {
    ViewerFactory() = std::move(Factory);
}

const TPimViewerFactory& PimViewerFactory() {
    return ViewerFactory();
}

// ---------------------------------------------------------------------------------------------
// TPimCanvas

TPimCanvas::TPimCanvas()
    : FFont(std::make_unique<TFont>()), FBrush(std::make_unique<TBrush>()), FPen(std::make_unique<TPen>()),
      FPixelsPerInchX(Screen()->PixelsPerInch()), FPixelsPerInchY(Screen()->PixelsPerInch()) {
    AttachEvents();
}

TPimCanvas::~TPimCanvas() {
    SetHandle(nullptr);
    DetachEvents();
    SetSelectFont(0);
    SetSelectBrush(0);
    SetSelectPen(0);
}

void TPimCanvas::AttachEvents() {
    FFont->OnChange = [this](TFont*) {
        if (!FQuiet) UpdateFont();
    };
    FPen->OnChange = [this](TPen*) {
        if (!FQuiet) UpdatePen();
    };
    FBrush->OnChange = [this](TBrush*) {
        if (!FQuiet) UpdateBrush();
    };
}

void TPimCanvas::DetachEvents() {
    FFont->OnChange = nullptr;
    FPen->OnChange = nullptr;
    FBrush->OnChange = nullptr;
}

TPimPimFile* TPimCanvas::Recorder() const {
    if ((FDestination != adPimFile && FDestination != adPreview) || !FPimOutput) return nullptr;
    return FPimOutput->PimFile().get();
}

void TPimCanvas::SetFont(const TFont& Value) {
    // The assignment's one change, without going through the font's change event.
    FQuiet = true;
    FFont->Assign(Value);
    FQuiet = false;
    UpdateFont();
}

// Assigning a pen or brush records it exactly once, whether or not the assignment changed it.
void TPimCanvas::SetPen(const TPen& Value) {
    FQuiet = true;
    FPen->Assign(Value);
    FQuiet = false;
    UpdatePen();
}

void TPimCanvas::SetBrush(const TBrush& Value) {
    FQuiet = true;
    FBrush->Assign(Value);
    FQuiet = false;
    UpdateBrush();
}

void TPimCanvas::SetLogFont(const TLogFont& Value) {
    FLogFontStale = false;
    FStaleAngle = false;
    FLogFont = Value;
    // The height follows the size in points at this canvas's resolution, whatever resolution the
    // font object was made for.
    FLogFont.lfHeight = -MulDiv(FFont->Size(), FPixelsPerInchY, 72);
    SetSelectFont(0);
    FontChanged();
}

void TPimCanvas::SetLogPen(const TLogPen& Value) {
    FLogPen = Value;
    SetSelectPen(0);
}

void TPimCanvas::SetLogBrush(const TLogBrush& Value) {
    FLogBrush = Value;
    SetSelectBrush(0);
}

void TPimCanvas::ReleaseObject(HGDIOBJ& Cached, int Stock) {
    if (!Cached) return;
    // An object still selected cannot be deleted: put the stock object in its place first.
    if (FHandle) FHandle->SelectObject(GetStockObject(Stock));
    DeleteObject(Cached);
    Cached = 0;
}

void TPimCanvas::SetSelectFont(HFONT Value) {
    ReleaseObject(FSelectFont, SYSTEM_FONT);
    FSelectFont = Value;
}

void TPimCanvas::SetSelectPen(HPEN Value) {
    ReleaseObject(FSelectPen, BLACK_PEN);
    FSelectPen = Value;
}

void TPimCanvas::SetSelectBrush(HBRUSH Value) {
    ReleaseObject(FSelectBrush, NULL_BRUSH);
    FSelectBrush = Value;
}

HFONT TPimCanvas::GetSelectFont() {
    FreshLogFont();
    if (!FSelectFont) FSelectFont = CreateFontIndirect(FLogFont);
    return FSelectFont;
}

HPEN TPimCanvas::GetSelectPen() {
    if (!FSelectPen) FSelectPen = CreatePenIndirect(FLogPen);
    return FSelectPen;
}

HBRUSH TPimCanvas::GetSelectBrush() {
    if (!FSelectBrush) FSelectBrush = CreateBrushIndirect(FLogBrush);
    return FSelectBrush;
}

bool TPimCanvas::Silent() const {
    return !Prints() && !Recorder();
}

const TLogFont& TPimCanvas::LogFont() const {
    FreshLogFont();
    return FLogFont;
}

// A canvas that draws nowhere, as in the first pass of a two-pass run, has its font changed for every
// label without ever using it: the record of the font is made from the font when something asks.
void TPimCanvas::FreshLogFont() const {
    if (!FLogFontStale) return;
    FLogFontStale = false;
    FLogFont = FFont->LogFont();
    FLogFont.lfHeight = -MulDiv(FFont->Size(), FPixelsPerInchY, 72);
    if (FStaleAngle) FLogFont.lfEscapement = FStaleEscapement;
    FStaleAngle = false;
}

void TPimCanvas::SetPixelsPerInchY(int Value) {
    // A font changed while drawing nowhere keeps its height at the resolution it was changed at.
    FreshLogFont();
    FPixelsPerInchY = Value;
}

void TPimCanvas::UpdateFont() {
    if (Silent()) {
        SetSelectFont(0);
        FLogFontStale = true;
        FStaleAngle = false;
        return;
    }
    SetLogFont(FFont->LogFont());
}

void TPimCanvas::UpdatePen() {
    SetLogPen(FPen->LogPen());
    if (Prints())
        FHandle->SelectObject(GetSelectPen());
    else if (TPimPimFile* F = Recorder())
        F->SetPen(*FPen);
}

void TPimCanvas::UpdateBrush() {
    SetLogBrush(FBrush->LogBrush());
    if (Prints()) {
        FHandle->SelectObject(GetSelectBrush());
        FHandle->SetBkColor(FLogBrush.lbColor);
        FHandle->SetBkMode(FLogBrush.lbStyle == BS_SOLID ? OPAQUE : TRANSPARENT);
    } else if (TPimPimFile* F = Recorder()) {
        F->SetBrush(*FBrush);
    }
}

void TPimCanvas::SetHandle(DeviceContext* Value) {
    // The stock objects take their places without telling: the record of the font stays the last one.
    FreshLogFont();
    DetachEvents();
    SetSelectFont(0);
    TLogFont StockFont;
    GetObject(GetStockObject(SYSTEM_FONT), StockFont);
    FFont->SetLogFont(StockFont);
    SetSelectPen(0);
    TLogPen StockPen;
    GetObject(GetStockObject(BLACK_PEN), StockPen);
    FPen->SetLogPen(StockPen);
    SetSelectBrush(0);
    TLogBrush StockBrush;
    GetObject(GetStockObject(NULL_BRUSH), StockBrush);
    FBrush->SetLogBrush(StockBrush);
    AttachEvents();
    FHandle = Value;
}

void TPimCanvas::FontChanged() {
    if (Prints()) {
        FHandle->SelectObject(GetSelectFont());
        FHandle->SetTextColor(ColorToRGB(FFont->Color()));
    } else if (TPimPimFile* F = Recorder()) {
        FreshLogFont();
        F->SetLogFont(*FFont, FLogFont);
    }
}

void TPimCanvas::SetFontAngle(int Angle) {
    if (FLogFontStale && Silent()) {
        FStaleAngle = true;
        FStaleEscapement = Angle * 10;
        SetSelectFont(0);
        return;
    }
    FreshLogFont();
    FLogFont.lfEscapement = Angle * 10;
    SetLogFont(FLogFont);
}

void TPimCanvas::SetBkColor(int32_t bkColor) {
    if (Prints())
        FHandle->SetBkColor(COLORREF(bkColor));
    else if (TPimPimFile* F = Recorder())
        F->SetBkColor(bkColor);
}

void TPimCanvas::SetTextAlign(uint16_t Flags) {
    if (Prints())
        FHandle->SetTextAlign(Flags);
    else if (TPimPimFile* F = Recorder())
        F->SetTextAlign(Flags);
}

// ---- How much of a long text can show ----

namespace {

// Texts up to this long are drawn whole: they cost little, and measuring each would cost more.
constexpr qsizetype ShortText = 1024;
// Whole characters kept beyond the reach on either side, for ink that a glyph throws past its
// advance.
constexpr int KeptCharacters = 16;
// How many characters beyond the reach the even ends of a centred text are looked for.
constexpr int BalanceSteps = 4096;

// Walks the character boundaries of a text, a surrogate pair being one character, with the offset
// in pixels of each boundary along the baseline.
class TAdvanceWalk {
public:
    TAdvanceWalk(QStringView Text, const TFontInstance& Font, qsizetype At, int64_t Offset)
        : FText(Text), FFont(&Font), FAt(At), FOffset(Offset) {}

    qsizetype At() const { return FAt; }
    int64_t Offset() const { return FOffset; }

    bool Forward() {
        if (FAt >= FText.size()) return false;
        if (const char16_t C = FText[FAt].unicode(); C < 0x100) {
            FOffset += FFont->Advance(C);
            ++FAt;
            return true;
        }
        qsizetype Units;
        FOffset += FFont->Advance(CodePointAt(FText, FAt, Units));
        FAt += Units;
        return true;
    }
    bool Back() {
        if (FAt <= 0) return false;
        qsizetype Start = FAt - 1;
        if (Start > 0 && FText[Start].isLowSurrogate() && FText[Start - 1].isHighSurrogate()) --Start;
        qsizetype Units;
        FOffset -= FFont->Advance(CodePointAt(FText, Start, Units));
        FAt = Start;
        return true;
    }
    void Forward(int Count) {
        while (Count-- > 0 && Forward()) {
        }
    }
    void Back(int Count) {
        while (Count-- > 0 && Back()) {
        }
    }

private:
    QStringView FText;
    const TFontInstance* FFont;
    qsizetype FAt;
    int64_t FOffset;
};

// Characters [First, Last) of a text can show; the anchor moves by (ShiftX, ShiftY).
struct TShownPart {
    qsizetype First = 0;
    qsizetype Last = 0;
    int ShiftX = 0;
    int ShiftY = 0;
};

// The direction of the baseline for an escapement in tenths of a degree, as the device turns the
// text: exact for level text and quarter turns, whose anchors can move by whole pixels.
struct TBaseline {
    double Cos = 1, Sin = 0;
    bool Square = true;
    explicit TBaseline(int Escapement) {
        const int Tenths = ((Escapement % 3600) + 3600) % 3600;
        if (Tenths % 900 == 0) {
            static const int C[] = {1, 0, -1, 0}, S[] = {0, 1, 0, -1};
            Cos = C[Tenths / 900];
            Sin = S[Tenths / 900];
        } else {
            const double Radians = Escapement / 10.0 * M_PI / 180.0;
            Cos = std::cos(Radians);
            Sin = std::sin(Radians);
            Square = false;
        }
    }
    // How far along the baseline from (X, Y) the point (px, py) lies (y grows downwards).
    double Along(int X, int Y, int px, int py) const {
        return (double(px) - X) * Cos - (double(py) - Y) * Sin;
    }
};

// Only a part of Text shows in Box when it is drawn at (X, Y): the glyphs between Lo and Hi along
// the baseline, measured from the anchor. The reach is widened by its own length and by twice the
// largest glyph on either side: glyphs throw ink past their advances, and a device of another
// resolution rounds every advance its own way, so its text runs longer or shorter than measured here.
TShownPart ShownPart(QStringView Text, const TFontInstance& Font, int Escapement, uint32_t Align, int X,
                     int Y, const TRect& Box) {
    const qsizetype n = Text.size();
    const TBaseline Line(Escapement);
    double Near = Line.Along(X, Y, Box.Left, Box.Top), Far = Near;
    const TPoint Corners[] = {Point(Box.Right, Box.Top), Point(Box.Left, Box.Bottom),
                              Point(Box.Right, Box.Bottom)};
    for (const TPoint& Corner : Corners) {
        const double t = Line.Along(X, Y, Corner.X, Corner.Y);
        Near = std::min(Near, t);
        Far = std::max(Far, t);
    }
    const TTextMetric& M = Font.Metrics();
    const double Margin = (Far - Near) + 2.0 * std::max(M.tmMaxCharWidth, M.tmHeight);
    const int64_t Lo = int64_t(std::floor(Near - Margin));
    const int64_t Hi = int64_t(std::ceil(Far + Margin));

    TShownPart Part{0, n};
    switch (Align & TA_CENTER) {
    case TA_RIGHT: {
        // Kept in place from the end: only a start can go.
        TAdvanceWalk W(Text, Font, n, 0);
        while (W.Offset() >= Lo && W.Back()) {
        }
        W.Back(KeptCharacters);
        Part.First = W.At();
        return Part;
    }
    case TA_CENTER:
        break;
    default: {
        // Kept in place from the start: only an end can go.
        TAdvanceWalk W(Text, Font, 0, 0);
        while (W.Offset() <= Hi && W.Forward()) {
        }
        W.Forward(KeptCharacters);
        Part.Last = W.At();
        return Part;
    }
    }

    // Centred: the text starts half its width left of the anchor. Offsets are from the anchor.
    int64_t Width = 0;
    for (TAdvanceWalk W(Text, Font, 0, 0); W.Forward();)
        Width = W.Offset();
    const int64_t Half = Width / 2;
    TAdvanceWalk Start(Text, Font, 0, -Half);
    TAdvanceWalk End = Start;
    while (End.Forward() && End.Offset() < Lo)
        Start = End;
    while (End.Offset() <= Hi && End.Forward()) {
    }
    Start.Back(KeptCharacters);
    End.Forward(KeptCharacters);
    if (Start.At() == 0 && End.At() == n) return Part;

    // What is kept stays in place when the halving of its own width puts its start where it was:
    // when its two ends lie as far from the anchor on either side, or the end one pixel further
    // (the pixel an odd width drops). The ends are moved outwards until they do; the whole text
    // always does.
    TAdvanceWalk A = Start, B = End;
    for (int Step = 0; Step < 2 * BalanceSteps; ++Step) {
        const int64_t Sum = A.Offset() + B.Offset();
        if (Sum == 0 || Sum == 1) {
            Part.First = A.At();
            Part.Last = B.At();
            return Part;
        }
        if (Sum < 0 ? !B.Forward() : !A.Back()) break;
    }
    if (!Line.Square) return Part; // a turned text whose anchor cannot move by whole pixels
    // No even cut nearby: the anchor moves by what the two ends differ, which keeps the glyphs put.
    const int64_t Kept = End.Offset() - Start.Offset();
    const int64_t Shift = Start.Offset() + Kept / 2;
    Part.First = Start.At();
    Part.Last = End.At();
    Part.ShiftX = int(Shift * int64_t(Line.Cos));
    Part.ShiftY = int(-Shift * int64_t(Line.Sin));
    return Part;
}

} // namespace

bool TPimCanvas::ShownArea(TRect& Area) const {
    if (TPimPimFile* F = Recorder()) {
        Area = Rect(0, 0, F->PageWidth(), F->PageHeight());
        return true;
    }
    if (Prints()) {
        FHandle->GetClipBox(Area);
        return true;
    }
    return false;
}

QString TPimCanvas::ShownText(int& x, int& y, uint16_t Align, const QString& Text, const TRect* Clip) {
    if (Text.size() <= ShortText || (Align & TA_UPDATECP) || Silent()) return Text;
    TRect Box;
    if (Clip)
        Box = *Clip;
    else if (!ShownArea(Box))
        return Text;
    FreshLogFont();
    const TLogFont& F = FLogFont;
    // The font as a device at the canvas's resolution makes it.
    const auto Font = FontInstance(F, F.lfHeight, F.lfWidth == 0 ? 0 : std::max(1, std::abs(F.lfWidth)),
                                   FPixelsPerInchY, true);
    const TShownPart Part = ShownPart(Text, *Font, F.lfEscapement, Align, x, y, Box);
    x += Part.ShiftX;
    y += Part.ShiftY;
    if (Part.First == 0 && Part.Last == Text.size()) return Text;
    return Text.mid(Part.First, Part.Last - Part.First);
}

void TPimCanvas::Textout(int x, int y, const QString& Text) {
    if (Prints()) {
        if (!Text.isEmpty()) FHandle->TextOut(x, y, Text);
    } else if (TPimPimFile* F = Recorder()) {
        F->Textout(x, y, Text);
    }
}

void TPimCanvas::PTextOut(int x, int y, const char16_t* Text, int Count) {
    if (Prints())
        FHandle->TextOut(x, y, QStringView(Text, std::max(Count, 0)));
    else if (TPimPimFile* F = Recorder())
        F->PTextout(x, y, Text, Count);
}

void TPimCanvas::ExtTextout(int x, int y, uint16_t Options, const TRect& Rect, const char16_t* Text,
                            int Count) {
    if (Prints())
        FHandle->ExtTextOut(x, y, Options, &Rect, QStringView(Text, std::max(Count, 0)));
    else if (TPimPimFile* F = Recorder())
        F->ExtTextout(x, y, Options, Rect, Text, Count);
}

void TPimCanvas::TextRect(const TRect& Rect, int x, int y, const QString& Text) {
    if (Prints()) {
        const uint32_t Options = FBrush->Style() == bsClear ? ETO_CLIPPED : ETO_CLIPPED | ETO_OPAQUE;
        FHandle->ExtTextOut(x, y, Options, &Rect, Text);
    } else if (TPimPimFile* F = Recorder()) {
        F->TextRect(Rect, x, y, Text);
    }
}

void TPimCanvas::MoveTo(int x, int y) {
    if (Prints())
        FHandle->MoveToEx(x, y);
    else if (TPimPimFile* F = Recorder())
        F->MoveTo(x, y);
}

void TPimCanvas::LineTo(int x, int y) {
    if (Prints())
        FHandle->LineTo(x, y);
    else if (TPimPimFile* F = Recorder())
        F->LineTo(x, y);
}

void TPimCanvas::FillRect(const TRect& Rect) {
    if (Prints())
        FHandle->FillRect(Rect, GetSelectBrush());
    else if (TPimPimFile* F = Recorder())
        F->FillRect(Rect);
}

void TPimCanvas::Rectangle(int x1, int y1, int x2, int y2) {
    if (Prints())
        FHandle->Rectangle(x1, y1, x2, y2);
    else if (TPimPimFile* F = Recorder())
        F->Rectangle(x1, y1, x2, y2);
}

void TPimCanvas::RoundRect(int x1, int y1, int x2, int y2, int x3, int y3) {
    if (Prints())
        FHandle->RoundRect(x1, y1, x2, y2, x3, y3);
    else if (TPimPimFile* F = Recorder())
        F->RoundRect(x1, y1, x2, y2, x3, y3);
}

void TPimCanvas::Ellipse(int x1, int y1, int x2, int y2) {
    if (Prints())
        FHandle->Ellipse(x1, y1, x2, y2);
    else if (TPimPimFile* F = Recorder())
        F->Ellipse(x1, y1, x2, y2);
}

void TPimCanvas::SetDrawColors() {
    FHandle->SetBkColor(ColorToRGB(FBrush->Color()));
    FHandle->SetTextColor(ColorToRGB(FFont->Color()));
}

void TPimCanvas::Draw(int x, int y, const TGraphic* Graphic) {
    if (!Graphic || Graphic->Empty()) return;
    if (Prints()) {
        SetDrawColors();
        PimDrawBitMap(*FHandle, x, y, Graphic);
    } else if (TPimPimFile* F = Recorder()) {
        F->Draw(x, y, Graphic);
    }
}

void TPimCanvas::StretchDraw(const TRect& Rect, const TGraphic* Graphic) {
    if (!Graphic || Graphic->Empty()) return;
    if (Prints()) {
        SetDrawColors();
        PimStretchDrawBitMap(*FHandle, Rect, Graphic);
    } else if (TPimPimFile* F = Recorder()) {
        F->StretchDraw(Rect, Graphic);
    }
}

void TPimCanvas::ShadeRect(const TRect& Rect, TPimShadePercent Shade) {
    if (Prints())
        PimShadeRect(FHandle, Rect, Shade);
    else if (TPimPimFile* F = Recorder())
        F->ShadeRect(Rect, Shade);
}

void TPimCanvas::TextJustify(const TRect& Rect, int x, int y, const QString& Text, bool EndParagraph,
                             const TRect& FullRect) {
    if (Prints())
        PimTextJustify(FHandle, Rect, x, y, Text, EndParagraph, FullRect);
    else if (TPimPimFile* F = Recorder())
        F->TextJustify(Rect, x, y, Text, EndParagraph, FullRect);
}

void TPimCanvas::DrawBitmap(int X, int Y, TStream* Stream) {
    if (!Stream || Stream->Size() == 0) return;
    if (Prints()) {
        SetDrawColors();
        TPimBitmap Bitmap;
        Stream->SetPosition(0);
        Bitmap.LoadFromStream(Stream);
        Bitmap.Draw(*FHandle, X, Y);
    } else if (TPimPimFile* F = Recorder()) {
        F->DrawBitmap(X, Y, Stream);
    }
}

void TPimCanvas::StretchDrawBitmap(const TRect& Rect, TStream* Stream) {
    if (!Stream || Stream->Size() == 0) return;
    if (Prints()) {
        SetDrawColors();
        TPimBitmap Bitmap;
        Stream->SetPosition(0);
        Bitmap.LoadFromStream(Stream);
        Bitmap.StretchDraw(*FHandle, Rect);
    } else if (TPimPimFile* F = Recorder()) {
        F->StretchDrawBitmap(Rect, Stream);
    }
}

void TPimCanvas::RtfDraw(const TRect& Rect, TStream* Stream, int StartPos, int EndPos, bool SetDefFont) {
    if (!Stream || Stream->Size() == 0) return;
    if (Prints()) {
        TPimRtfDraw Rtf;
        Rtf.SetFont(*FFont);
        Rtf.SetDefaultFont = SetDefFont;
        Rtf.SetRangeStart(StartPos);
        Rtf.SetRangeEnd(EndPos);
        Rtf.SetPixelsPerInchX(FPixelsPerInchX);
        Rtf.SetPixelsPerInchY(FPixelsPerInchY);
        Rtf.SetOutRect(Rect);
        Rtf.SetHandle(FHandle);
        Rtf.LoadFromStream(*Stream);
        SetDrawColors();
        Rtf.Print();
    } else if (TPimPimFile* F = Recorder()) {
        F->RtfDraw(Rect, Stream, StartPos, EndPos, SetDefFont);
    }
}

void TPimCanvas::DrawCheckBox(const TRect& Rect, TPimCheckStyle CheckStyle, TColor Color, int Thickness) {
    if (Prints())
        PimDrawCheckBox(FHandle, Rect, CheckStyle, Color, Thickness);
    else if (TPimPimFile* F = Recorder())
        F->DrawCheckBox(Rect, CheckStyle, Color, Thickness);
}

void TPimCanvas::Arc(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4) {
    DrawShapeType(dtArc, X1, Y1, X2, Y2, X3, Y3, X4, Y4);
}

void TPimCanvas::Chord(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4) {
    DrawShapeType(dtChord, X1, Y1, X2, Y2, X3, Y3, X4, Y4);
}

void TPimCanvas::Pie(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4) {
    DrawShapeType(dtPie, X1, Y1, X2, Y2, X3, Y3, X4, Y4);
}

void TPimCanvas::DrawShapeType(TPimDrawType dt, int x1, int y1, int x2, int y2, int x3, int y3, int x4,
                               int y4) {
    if (Prints())
        PimDrawShapeType(FHandle, dt, x1, y1, x2, y2, x3, y3, x4, y4);
    else if (TPimPimFile* F = Recorder())
        F->DrawShapeType(dt, x1, y1, x2, y2, x3, y3, x4, y4);
}

void TPimCanvas::Polygon(const TPoint* Points, int Count) {
    PolyDrawType(ptPolygon, Points, Count);
}

void TPimCanvas::Polyline(const TPoint* Points, int Count) {
    PolyDrawType(ptPolyLine, Points, Count);
}

void TPimCanvas::PolyDrawType(TPimPolyType pt, const TPoint* Points, int Count) {
    if (Prints())
        PimPolyDrawType(FHandle, pt, Points, Count);
    else if (TPimPimFile* F = Recorder())
        F->PolyDrawType(pt, Points, Count);
}

void TPimCanvas::PrintBarcode(bool ThreeOfNine, int Left, int Top, int Width, int Height, int NarrowWidth,
                              int WideWidth, bool Inches, bool Vertical, const QString& BarData) {
    std::unique_ptr<TPimBarCode> Code;
    if (ThreeOfNine)
        Code = std::make_unique<TPim3of9BarCode>();
    else
        Code = std::make_unique<TPim2of5BarCode>();
    Code->SetNarrowWidth(NarrowWidth);
    Code->SetWideWidth(WideWidth);
    Code->SetVertical(Vertical);
    Code->SetWidthInInches_1000(Inches);
    Code->SetWidth(Width);
    Code->SetHeight(Height);
    Code->Print(this, Left, Top, BarData);
}

void TPimCanvas::Print3of9Barcode(int Left, int Top, int Width, int Height, int NarrowWidth, int WideWidth,
                                  bool Inches, bool Vertical, const QString& BarData) {
    if (Prints())
        PrintBarcode(true, Left, Top, Width, Height, NarrowWidth, WideWidth, Inches, Vertical, BarData);
    else if (TPimPimFile* F = Recorder())
        F->Print3of9Barcode(Left, Top, Width, Height, NarrowWidth, WideWidth, Inches, Vertical, BarData);
}

void TPimCanvas::Print2of5Barcode(int Left, int Top, int Width, int Height, int NarrowWidth, int WideWidth,
                                  bool Inches, bool Vertical, const QString& BarData) {
    if (Prints())
        PrintBarcode(false, Left, Top, Width, Height, NarrowWidth, WideWidth, Inches, Vertical, BarData);
    else if (TPimPimFile* F = Recorder())
        F->Print2of5Barcode(Left, Top, Width, Height, NarrowWidth, WideWidth, Inches, Vertical, BarData);
}

// ---------------------------------------------------------------------------------------------
// TPimOutput

TPimOutput::TPimOutput()
    : FPrinter(&::Printer()), FPimCanvas(std::make_unique<TPimCanvas>()),
      FPimPrinterSetup(std::make_unique<TPimPrinterSetup>()), FPixelsPerInchX(Screen()->PixelsPerInch()),
      FPixelsPerInchY(Screen()->PixelsPerInch()) {}

TPimOutput::TPimOutput(int PixelsPerInchX, int PixelsPerInchY) : TPimOutput() {
    FPixelsPerInchX = PixelsPerInchX;
    FPixelsPerInchY = PixelsPerInchY;
}

TPimOutput::~TPimOutput() {
    // The canvas lets go of the printer's device context before a job still running is abandoned.
    FPimCanvas.reset();
    if (FDestination == adPrinter && FPrinter->Printing()) {
        try {
            FPrinter->Abort();
        } catch (...) {
        }
    }
}

void TPimOutput::SetDestination(TPimDestination Value) {
    FDestination = Value;
    FPimCanvas->SetDestination(Value);
}

DeviceContext* TPimOutput::Handle() const {
    if (FDestination == adPrinter) return FPrinter->Printing() ? FPrinter->Handle() : FHandle;
    return FHandle;
}

void TPimOutput::SetPimPrinterSetup(const TPimPrinterSetup* Value) {
    FPimPrinterSetup->Assign(Value);
}

void TPimOutput::BeginDoc() {
    FLoadPercent = 0;
    FPimViewer = nullptr;
    FViewerAlive.reset();
    // A canvas still attached to an earlier job must not outlive that job's device context.
    FPimCanvas->SetHandle(nullptr);
    switch (FDestination) {
    case adPrinter:
        FPimPrinterSetup->SetData();
        FPimPrinterSetup->GetData();
        FPrinter->SetTitle(FDescription.isEmpty() ? QString::fromLatin1(SUntitledReport) : FDescription);
        FPrinter->BeginDoc();
        FHandle = FPrinter->Handle();
        FPageOpen = true;
        FixupPage();
        break;
    case adPimFile:
    case adPreview: {
        FPimFile.reset();
        auto Doc = std::make_shared<TPimPimFile>();
        if (FDestination == adPimFile && !FFileName.isEmpty()) Doc->SetCreateFile(FCreateFile);
        Doc->SetFileName(FFileName);
        Doc->SetDescription(FDescription);
        FHandle = nullptr;
        FPimPrinterSetup->SetData();
        FPimPrinterSetup->GetData();
        Doc->SetPimPrinterSetup(FPimPrinterSetup.get());
        Doc->SetPixelsPerInchX(FPixelsPerInchX);
        Doc->SetPixelsPerInchY(FPixelsPerInchY);
        Doc->BeginDoc();
        FPimFile = std::move(Doc);
        if (FDestination == adPreview && PimViewerFactory()) {
            FPimViewer = PimViewerFactory()(Application());
            if (FPimViewer) {
                FViewerAlive = FPimViewer->Alive();
                FPimViewer->SetGenerating(true);
                if (TPimJobViewer* V = PimViewer()) V->SetPimFile(FPimFile);
                if (TPimJobViewer* V = PimViewer()) V->Show();
            }
        }
        break;
    }
    case adNoWhere:
        break;
    }
    FPimCanvas->SetPimOutput(this);
    FPimCanvas->SetHandle(Handle());
    FPimCanvas->SetPixelsPerInchX(FPixelsPerInchX);
    FPimCanvas->SetPixelsPerInchY(FPixelsPerInchY);
}

void TPimOutput::FixupPage() {
    DeviceContext* DC = Handle();
    if (FDestination != adPrinter || !DC) return;
    FPixelsPerInchX = DC->GetDeviceCaps(LOGPIXELSX);
    FPixelsPerInchY = DC->GetDeviceCaps(LOGPIXELSY);
    DC->SetMapMode(MM_ANISOTROPIC);
    if (OnPrintOffset) OnPrintOffset();
    const TPoint Res = PimGetResolution(DC);
    DC->SetViewportOrgEx(
        MulDiv(PrintOffsetX, Res.X, 300) - int(Round(FPixelsPerInchX * FPimPrinterSetup->LeftPrintArea())),
        MulDiv(PrintOffsetY, Res.Y, 300) - int(Round(FPixelsPerInchY * FPimPrinterSetup->TopPrintArea())));
}

void TPimOutput::StartPage() {
    switch (FDestination) {
    case adPrinter:
        // The printer's job begins with its first page open; every later page starts here.
        if (!FPageOpen && FPrinter->Printing()) {
            FPrinter->NewPage();
            FPageOpen = true;
        }
        FixupPage();
        FPimCanvas->FontChanged();
        break;
    case adPimFile:
    case adPreview:
        if (FPimFile) {
            FPimFile->SetPimPrinterSetup(FPimPrinterSetup.get());
            FPimFile->NewPage();
            FPimFile->SetPercentDone(FLoadPercent);
            if (TPimJobViewer* V = PimViewer()) V->UpdatePage();
        }
        break;
    case adNoWhere:
        break;
    }
}

void TPimOutput::EndPage() {
    if (FDestination == adPrinter) FPageOpen = false;
}

void TPimOutput::NewPage() {
    EndPage();
    StartPage();
}

void TPimOutput::EndDoc() {
    FLoadPercent = 100;
    FPimCanvas->SetHandle(nullptr);
    switch (FDestination) {
    case adPrinter:
        FHandle = nullptr;
        FPageOpen = false;
        try {
            FPrinter->EndDoc();
        } catch (const Exception& E) {
            FExceptionText = E.Message();
        }
        break;
    case adPimFile:
    case adPreview:
        CloseDocument(false);
        break;
    case adNoWhere:
        break;
    }
}

void TPimOutput::CloseDocument(bool Abandon) {
    if (!FPimFile) return;
    // Whether or not the document closes cleanly, a viewer learns that generation is over and
    // takes the document.
    auto HandOver = [this] {
        FPimFile->SetPercentDone(100);
        if (FDestination == adPreview && FPimViewer) {
            // A viewer the user has closed took nothing: the job keeps its document.
            TPimJobViewer* V = PimViewer();
            if (!V) return;
            FPimFile.reset();
            V->SetGenerating(false);
        }
    };
    try {
        if (Abandon)
            FPimFile->AbortDoc();
        else
            FPimFile->EndDoc();
    } catch (...) {
        HandOver();
        throw;
    }
    HandOver();
}

void TPimOutput::Abort() {
    FPimCanvas->SetHandle(nullptr);
    if (FDestination == adPrinter) {
        FHandle = nullptr;
        FPageOpen = false;
        if (FPrinter->Printing()) FPrinter->Abort();
        return;
    }
    FLoadPercent = 100;
    if (FDestination != adNoWhere) CloseDocument(true);
}
