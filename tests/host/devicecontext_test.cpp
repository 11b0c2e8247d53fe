#include "host/devicecontext.h"
#include "host/mathutil.h"
#include "support/devices.h"
#include "support/pixelprobe.h"
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <limits>

namespace {

constexpr QRgb White = 0xFFFFFFFF;
constexpr QRgb Black = 0xFF000000;
constexpr QRgb Red = 0xFFFF0000;
constexpr QRgb Blue = 0xFF0000FF;

// An image device with a black one-pixel pen and a red brush selected; the objects are freed with it.
struct TImageFixture {
    std::unique_ptr<DeviceContext> DC;
    HBRUSH RedBrush = CreateSolidBrush(RGB(255, 0, 0));
    explicit TImageFixture(int PPI = 96, int W = 200, int H = 200) {
        DC = DeviceContext::CreateImage(W, H, PPI, PPI);
        DC->SelectObject(GetStockObject(BLACK_PEN));
        DC->SelectObject(RedBrush);
    }
    ~TImageFixture() {
        DC.reset();
        DeleteObject(RedBrush);
    }
    const QImage& Img() const { return *DC->Image(); }
    void Clear() { DC->Image()->fill(Qt::white); }
};

} // namespace

TEST(DeviceContextShapes, RectangleExcludesRightAndBottomAndKeepsOnePixelPenInside) {
    for (int PPI : {96, 300}) {
        SCOPED_TRACE(PPI);
        TImageFixture F(PPI);
        F.DC->Rectangle(10, 10, 20, 15);
        EXPECT_EQ(InkBounds(F.Img()), QRect(10, 10, 10, 5))
            << PixelMap(F.Img(), QRect(8, 8, 14, 9)).toStdString();
        EXPECT_EQ(F.Img().pixel(10, 10), Black);
        EXPECT_EQ(F.Img().pixel(19, 14), Black);
        EXPECT_EQ(F.Img().pixel(11, 11), Red);
        EXPECT_EQ(F.Img().pixel(18, 13), Red);
        EXPECT_EQ(CountColor(F.Img(), Red), 8 * 3);
    }
}

TEST(DeviceContextShapes, NullPenRectangleIsOnePixelSmaller) {
    TImageFixture F;
    F.DC->SelectObject(GetStockObject(NULL_PEN));
    F.DC->Rectangle(10, 10, 20, 15);
    EXPECT_EQ(InkBounds(F.Img()), QRect(10, 10, 9, 4));
    EXPECT_EQ(CountColor(F.Img(), Red), 9 * 4);
}

TEST(DeviceContextShapes, WidePensAreCentredUnlessInsideFrame) {
    TImageFixture F;
    HPEN Wide = CreatePen(PS_SOLID, 3, RGB(0, 0, 255));
    HPEN Inside = CreatePen(PS_INSIDEFRAME, 3, RGB(0, 0, 255));
    F.DC->SelectObject(Wide);
    F.DC->Rectangle(20, 20, 40, 40);
    EXPECT_EQ(InkBounds(F.Img()), QRect(19, 19, 22, 22));
    EXPECT_EQ(InkBounds(F.Img(), White, QRect(0, 0, 200, 100)), QRect(19, 19, 22, 22));
    EXPECT_EQ(F.Img().pixel(22, 22), Red);
    F.DC->SelectObject(Inside);
    F.DC->Rectangle(100, 20, 120, 40);
    EXPECT_EQ(InkBounds(F.Img(), White, QRect(90, 0, 100, 100)), QRect(100, 20, 20, 20));
    EXPECT_EQ(F.Img().pixel(102, 102 - 80), Blue);
    EXPECT_EQ(F.Img().pixel(103, 23), Red);
    F.DC->SelectObject(GetStockObject(BLACK_PEN));
    EXPECT_TRUE(DeleteObject(Wide));
    EXPECT_TRUE(DeleteObject(Inside));
}

TEST(DeviceContextShapes, EllipseStaysInsideItsBox) {
    for (int PPI : {96, 300}) {
        SCOPED_TRACE(PPI);
        TImageFixture F(PPI);
        F.DC->Ellipse(10, 10, 50, 30);
        EXPECT_EQ(InkBounds(F.Img()), QRect(10, 10, 40, 20))
            << PixelMap(F.Img(), QRect(8, 8, 44, 24)).toStdString();
        EXPECT_EQ(F.Img().pixel(30, 20), Red);
        EXPECT_FALSE(Inked(F.Img(), 10, 10)); // corners stay empty
        EXPECT_EQ(F.Img().pixel(30, 10), Black);
        EXPECT_EQ(F.Img().pixel(30, 29), Black);
    }
}

TEST(DeviceContextShapes, RoundRectStaysInsideItsBoxWithEmptyCorners) {
    TImageFixture F;
    F.DC->RoundRect(10, 10, 50, 40, 12, 12);
    EXPECT_EQ(InkBounds(F.Img()), QRect(10, 10, 40, 30));
    EXPECT_FALSE(Inked(F.Img(), 10, 10));
    EXPECT_FALSE(Inked(F.Img(), 49, 39));
    EXPECT_EQ(F.Img().pixel(30, 10), Black);
    EXPECT_EQ(F.Img().pixel(30, 25), Red);
}

TEST(DeviceContextShapes, LineToLeavesOutTheEndPixel) {
    for (int PPI : {96, 300}) {
        SCOPED_TRACE(PPI);
        TImageFixture F(PPI);
        F.DC->MoveToEx(5, 5);
        F.DC->LineTo(15, 5);
        EXPECT_EQ(InkBounds(F.Img()), QRect(5, 5, 10, 1));
        F.DC->MoveToEx(50, 50);
        F.DC->LineTo(60, 60);
        EXPECT_TRUE(Inked(F.Img(), 59, 59));
        EXPECT_FALSE(Inked(F.Img(), 60, 60));
        EXPECT_EQ(CountColor(F.Img(), Black, QRect(40, 40, 40, 40)), 10);
        F.DC->MoveToEx(100, 20);
        F.DC->LineTo(100, 10); // upwards
        EXPECT_EQ(InkBounds(F.Img(), White, QRect(90, 0, 20, 40)), QRect(100, 11, 1, 10));
        TPoint Cp;
        F.DC->GetCurrentPositionEx(Cp);
        EXPECT_EQ(Cp, Point(100, 10));
    }
}

TEST(DeviceContextShapes, PolylineJoinsSegmentsWithoutTheLastPixel) {
    TImageFixture F;
    TPoint P[3] = {{10, 10}, {20, 10}, {20, 20}};
    F.DC->Polyline(P, 3);
    EXPECT_EQ(InkBounds(F.Img()), QRect(10, 10, 11, 10));
    EXPECT_TRUE(Inked(F.Img(), 20, 10));
    EXPECT_FALSE(Inked(F.Img(), 20, 20));
}

TEST(DeviceContextShapes, DashedPenLeavesGapsPaintedOnlyWhenOpaque) {
    TImageFixture F;
    HPEN Dot = CreatePen(PS_DOT, 1, RGB(0, 0, 0));
    F.DC->SelectObject(Dot);
    F.DC->SetBkColor(RGB(0, 0, 255));
    F.DC->SetBkMode(TRANSPARENT);
    F.DC->MoveToEx(0, 5);
    F.DC->LineTo(12, 5);
    EXPECT_EQ(CountColor(F.Img(), Black, QRect(0, 5, 12, 1)), 6);
    EXPECT_EQ(F.Img().pixel(3, 5), White);
    F.DC->SetBkMode(OPAQUE);
    F.DC->MoveToEx(0, 7);
    F.DC->LineTo(12, 7);
    EXPECT_EQ(CountColor(F.Img(), Blue, QRect(0, 7, 12, 1)), 6);
    F.DC->SelectObject(GetStockObject(BLACK_PEN));
    DeleteObject(Dot);
}

TEST(DeviceContextShapes, ArcRunsCounterClockwiseBetweenTheRadials) {
    TImageFixture F;
    // from the right-hand radial to the top radial: the upper right quarter only
    F.DC->Arc(0, 0, 101, 101, 100, 50, 50, 0);
    QRect Ink = InkBounds(F.Img());
    EXPECT_GE(Ink.left(), 49);
    EXPECT_LE(Ink.bottom(), 51);
    EXPECT_TRUE(Inked(F.Img(), 100, 49) || Inked(F.Img(), 100, 50));
    EXPECT_TRUE(Inked(F.Img(), 50, 0) || Inked(F.Img(), 51, 0));
    EXPECT_TRUE(Inked(F.Img(), 85, 15) || Inked(F.Img(), 86, 14) || Inked(F.Img(), 85, 14) ||
                Inked(F.Img(), 86, 15));
    EXPECT_EQ(CountColor(F.Img(), Red), 0); // an arc fills nothing
    // the other way round gives the other three quarters
    TImageFixture G;
    G.DC->Arc(0, 0, 101, 101, 50, 0, 100, 50);
    EXPECT_TRUE(Inked(G.Img(), 0, 50));
    EXPECT_TRUE(Inked(G.Img(), 50, 100));
    EXPECT_FALSE(Inked(G.Img(), 85, 15) || Inked(G.Img(), 86, 14) || Inked(G.Img(), 85, 14) ||
                 Inked(G.Img(), 86, 15));
}

TEST(DeviceContextShapes, PieFillsTheWedgeAndDrawsBothRadii) {
    for (int PPI : {96, 300}) {
        SCOPED_TRACE(PPI);
        TImageFixture F(PPI);
        F.DC->Pie(0, 0, 101, 101, 100, 50, 50, 0);
        EXPECT_EQ(F.Img().pixel(70, 30), Red);
        EXPECT_EQ(F.Img().pixel(30, 70), White);
        EXPECT_EQ(F.Img().pixel(30, 30), White);
        EXPECT_EQ(F.Img().pixel(75, 50), Black); // the horizontal radius
        EXPECT_EQ(F.Img().pixel(50, 25), Black); // the vertical radius
        EXPECT_EQ(F.Img().pixel(25, 50), White);
    }
}

TEST(DeviceContextShapes, ChordFillsTheSegmentCutByItsLine) {
    TImageFixture F;
    F.DC->Chord(0, 0, 101, 101, 100, 50, 50, 0);
    EXPECT_EQ(F.Img().pixel(85, 20), Red);
    EXPECT_EQ(F.Img().pixel(60, 40), White); // beyond the chord, towards the centre
    EXPECT_TRUE(F.Img().pixel(75, 25) == Black || F.Img().pixel(75, 26) == Black)
        << PixelMap(F.Img(), QRect(45, 0, 60, 55)).toStdString(); // on the chord
}

TEST(DeviceContextShapes, PolygonAlternateLeavesTheInnerPartOfAStarEmpty) {
    TImageFixture F;
    F.DC->SelectObject(GetStockObject(NULL_PEN));
    // a five-pointed star drawn in one stroke
    TPoint Star[5] = {{100, 10}, {160, 190}, {10, 70}, {190, 70}, {40, 190}};
    F.DC->Polygon(Star, 5);
    EXPECT_EQ(F.Img().pixel(100, 110), White);
    EXPECT_EQ(F.Img().pixel(100, 40), Red);
    F.DC->SetPolyFillMode(WINDING);
    F.DC->Polygon(Star, 5);
    EXPECT_EQ(F.Img().pixel(100, 110), Red);
}

TEST(DeviceContextShapes, FillRectCoversExactlyTheRectangle) {
    TImageFixture F;
    F.DC->FillRect(Rect(10, 20, 30, 25), F.RedBrush);
    EXPECT_EQ(InkBounds(F.Img()), QRect(10, 20, 20, 5));
    EXPECT_EQ(CountColor(F.Img(), Red), 100);
}

TEST(DeviceContextShapes, HatchesRepeatEveryEightDevicePixels) {
    TImageFixture F;
    HBRUSH H = CreateHatchBrush(HS_HORIZONTAL, RGB(0, 0, 0));
    HBRUSH V = CreateHatchBrush(HS_VERTICAL, RGB(0, 0, 0));
    F.DC->SetBkMode(TRANSPARENT);
    F.DC->FillRect(Rect(3, 3, 35, 35), H);
    for (int y = 3; y < 35; ++y)
        EXPECT_EQ(Inked(F.Img(), 10, y), y % 8 == 0) << y;
    EXPECT_EQ(CountColor(F.Img(), Black), 4 * 32);
    // opaque background fills the gaps with the background colour
    F.DC->SetBkMode(OPAQUE);
    F.DC->SetBkColor(RGB(0, 0, 255));
    F.DC->FillRect(Rect(100, 100, 116, 108), V);
    EXPECT_EQ(CountColor(F.Img(), Black, QRect(100, 100, 16, 8)), 16);
    EXPECT_EQ(CountColor(F.Img(), Blue, QRect(100, 100, 16, 8)), 16 * 8 - 16);
    EXPECT_TRUE(Inked(F.Img(), 104, 100, 0xFF0000FF));
    EXPECT_FALSE(Inked(F.Img(), 105, 100, 0xFF0000FF));
    DeleteObject(H);
    DeleteObject(V);
}

TEST(DeviceContextShapes, PatternBrushUsesTextColourForZeroBitsAndBackgroundForOnes) {
    TImageFixture F;
    const uint8_t Rows[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
    HBRUSH B = CreatePatternBrush(Rows);
    F.DC->SetTextColor(RGB(0, 0, 0));
    F.DC->SetBkColor(RGB(255, 0, 0));
    F.DC->FillRect(Rect(0, 0, 16, 16), B);
    EXPECT_EQ(F.Img().pixel(0, 0), Black); // bit 7 of 0x55 is 0
    EXPECT_EQ(F.Img().pixel(1, 0), Red);
    EXPECT_EQ(F.Img().pixel(0, 1), Red);
    EXPECT_EQ(F.Img().pixel(8, 8), Black);
    EXPECT_EQ(CountColor(F.Img(), Black), 128);
    DeleteObject(B);
}

// ---- Text ----

namespace {

// Arial at Points on the device, selected; freed with the fixture.
struct TFontFixture {
    DeviceContext& DC;
    HFONT Font;
    TFontFixture(DeviceContext& ADC, int Points, int Escapement = 0, int Weight = FW_NORMAL) : DC(ADC) {
        TLogFont Lf;
        Lf.lfHeight = -MulDiv(Points, DC.GetDeviceCaps(LOGPIXELSY), 72);
        Lf.lfEscapement = Escapement;
        Lf.lfWeight = Weight;
        Lf.lfFaceName = QStringLiteral("Arial");
        Font = CreateFontIndirect(Lf);
        DC.SelectObject(Font);
    }
    ~TFontFixture() {
        DC.SelectObject(GetStockObject(SYSTEM_FONT));
        DeleteObject(Font);
    }
};

int HelloWorldWidth(int PPI) {
    auto DC = DeviceContext::CreateImage(10, 10, PPI, PPI);
    TFontFixture F(*DC, 10);
    TSize S;
    DC->GetTextExtentPoint32(u"Hello World", S);
    return S.cx;
}

} // namespace

TEST(DeviceContextText, HelloWorldMeasuresTheSameEveryTimeAtBothResolutions) {
    int W96 = HelloWorldWidth(96), W300 = HelloWorldWidth(300);
    ClearFontCache();
    EXPECT_EQ(HelloWorldWidth(96), W96);
    EXPECT_EQ(HelloWorldWidth(300), W300);
    // Liberation Sans has the advance widths of the face it stands in for
    EXPECT_EQ(W96, 66);
    EXPECT_EQ(W300, 215);
}

TEST(DeviceContextText, ACharacterIsNeverMadeTallerThanThePage) {
    // A font of some 26,000 points, turned, drawing a character no face has: made as high as the
    // page at most, or as a sheet of 12 inches on a smaller device and on one that only measures.
    auto CharacterHeight = [](DeviceContext& DC) {
        TFontFixture F(DC, 26478, 900);
        EXPECT_TRUE(DC.TextOut(10, 90, QString::fromUcs4(U"\U000E0001x")));
        TTextMetric M;
        EXPECT_TRUE(DC.GetTextMetrics(M));
        return M.tmHeight - M.tmInternalLeading;
    };
    TImageFixture Page(96, 1500, 100);
    EXPECT_EQ(CharacterHeight(*Page.DC), 1500);
    TImageFixture Small(96, 300, 100);
    EXPECT_EQ(CharacterHeight(*Small.DC), 12 * 96);
    auto Measuring = DeviceContext::CreateMeasuring(96, 96);
    EXPECT_EQ(CharacterHeight(*Measuring), 12 * 96);
    // A font that fits is made as asked.
    TFontFixture Fits(*Page.DC, 72);
    TTextMetric M;
    Page.DC->GetTextMetrics(M);
    EXPECT_EQ(M.tmHeight - M.tmInternalLeading, 96);
}

TEST(DeviceContextText, DrawnWidthEqualsMeasuredWidth) {
    for (int PPI : {96, 300}) {
        TImageFixture F(PPI, 1000, 200);
        TFontFixture Font(*F.DC, 10);
        TSize S;
        F.DC->GetTextExtentPoint32(u"Hello World", S);
        // the opaque background is the text cell: exactly the measured extent
        F.DC->SetBkColor(RGB(255, 0, 0));
        F.DC->SetBkMode(OPAQUE);
        F.DC->SetTextAlign(TA_UPDATECP);
        F.DC->MoveToEx(20, 30);
        F.DC->TextOut(0, 0, u"Hello World");
        QRect Cell = InkBounds(F.Img());
        EXPECT_EQ(Cell, QRect(20, 30, S.cx, S.cy)) << PPI;
        TPoint Cp;
        F.DC->GetCurrentPositionEx(Cp);
        EXPECT_EQ(Cp, Point(20 + S.cx, 30)) << PPI;
        // a second call continues where the first ended
        F.DC->TextOut(0, 0, u"!");
        TSize Bang;
        F.DC->GetTextExtentPoint32(u"!", Bang);
        EXPECT_EQ(InkBounds(F.Img()), QRect(20, 30, S.cx + Bang.cx, S.cy)) << PPI;
    }
}

TEST(DeviceContextText, MetricsAddUpAtBothResolutions) {
    for (int PPI : {96, 300}) {
        auto DC = DeviceContext::CreateImage(10, 10, PPI, PPI);
        TFontFixture F(*DC, 10);
        TTextMetric M;
        DC->GetTextMetrics(M);
        EXPECT_EQ(M.tmHeight, M.tmAscent + M.tmDescent);
        EXPECT_EQ(M.tmHeight - M.tmInternalLeading, MulDiv(10, PPI, 72));
        EXPECT_GT(M.tmAveCharWidth, 0);
        EXPECT_TRUE(M.tmPitchAndFamily & TMPF_FIXED_PITCH); // proportional, as the flag has it
    }
    auto DC = DeviceContext::CreateImage(10, 10, 96, 96);
    TFontFixture F(*DC, 10);
    TTextMetric M;
    DC->GetTextMetrics(M);
    EXPECT_EQ(M.tmAscent, 12);
    EXPECT_EQ(M.tmDescent, 3);
}

TEST(DeviceContextText, PositiveHeightIsTheCellHeight) {
    auto DC = DeviceContext::CreateImage(10, 10, 96, 96);
    TLogFont Lf;
    Lf.lfHeight = 30;
    Lf.lfFaceName = QStringLiteral("Arial");
    HFONT Font = CreateFontIndirect(Lf);
    DC->SelectObject(Font);
    TTextMetric M;
    DC->GetTextMetrics(M);
    EXPECT_NEAR(M.tmHeight, 30, 1);
    DC->SelectObject(GetStockObject(SYSTEM_FONT));
    DeleteObject(Font);
}

TEST(DeviceContextText, TransparentBackgroundLeavesTheCellAlone) {
    TImageFixture F;
    TFontFixture Font(*F.DC, 10);
    F.DC->SetBkColor(RGB(255, 0, 0));
    F.DC->SetBkMode(TRANSPARENT);
    F.DC->TextOut(10, 10, u"Hello");
    EXPECT_EQ(CountColor(F.Img(), Red), 0);
    EXPECT_GT(CountColor(F.Img(), Black), 20);
}

TEST(DeviceContextText, AlignmentFlagsPlaceTheCell) {
    TImageFixture F(96, 400, 200);
    TFontFixture Font(*F.DC, 10);
    TTextMetric M;
    F.DC->GetTextMetrics(M);
    TSize S;
    F.DC->GetTextExtentPoint32(u"Total", S);
    F.DC->SetBkColor(RGB(255, 0, 0));
    struct TCase {
        uint32_t Align;
        QRect Cell;
    } Cases[] = {
        {TA_LEFT | TA_TOP, QRect(200, 100, S.cx, S.cy)},
        {TA_RIGHT | TA_TOP, QRect(200 - S.cx, 100, S.cx, S.cy)},
        {TA_CENTER | TA_TOP, QRect(200 - S.cx / 2, 100, S.cx, S.cy)},
        {TA_LEFT | TA_BASELINE, QRect(200, 100 - M.tmAscent, S.cx, S.cy)},
        {TA_LEFT | TA_BOTTOM, QRect(200, 100 - S.cy, S.cx, S.cy)},
    };
    for (const TCase& C : Cases) {
        F.Clear();
        F.DC->SetTextAlign(C.Align);
        F.DC->TextOut(200, 100, u"Total");
        EXPECT_EQ(InkBounds(F.Img()), C.Cell) << C.Align;
    }
    // glyphs sit on the baseline: nothing of "H" below it
    F.Clear();
    F.DC->SetBkMode(TRANSPARENT);
    F.DC->SetTextAlign(TA_BASELINE);
    F.DC->TextOut(200, 100, u"H");
    EXPECT_EQ(InkBounds(F.Img()).bottom(), 99);
}

TEST(DeviceContextText, RightAlignedUpdateCpMovesLeft) {
    TImageFixture F;
    TFontFixture Font(*F.DC, 10);
    TSize S;
    F.DC->GetTextExtentPoint32(u"abc", S);
    F.DC->SetTextAlign(TA_RIGHT | TA_UPDATECP);
    F.DC->MoveToEx(150, 20);
    F.DC->TextOut(0, 0, u"abc");
    TPoint Cp;
    F.DC->GetCurrentPositionEx(Cp);
    EXPECT_EQ(Cp, Point(150 - S.cx, 20));
    F.DC->SetTextAlign(TA_CENTER | TA_UPDATECP);
    F.DC->TextOut(0, 0, u"abc");
    F.DC->GetCurrentPositionEx(Cp);
    EXPECT_EQ(Cp, Point(150 - S.cx, 20));
}

TEST(DeviceContextText, EscapementRotatesTextCounterClockwise) {
    TImageFixture F(96, 300, 300);
    TFontFixture Font(*F.DC, 12, 900);
    F.DC->SetBkMode(TRANSPARENT);
    TSize S;
    F.DC->GetTextExtentPoint32(u"Rotated", S);
    F.DC->SetTextAlign(TA_BASELINE);
    F.DC->TextOut(150, 200, u"Rotated");
    QRect Ink = InkBounds(F.Img());
    // read upwards from the reference point, the glyphs to its left
    EXPECT_GT(Ink.height(), Ink.width());
    EXPECT_LE(Ink.bottom(), 200);
    EXPECT_GE(Ink.top(), 200 - S.cx - 1);
    EXPECT_LE(Ink.right(), 150);
    EXPECT_GE(Ink.left(), 150 - S.cy);
}

TEST(DeviceContextText, ExtTextOutClipsAndFillsItsRectangle) {
    TImageFixture F;
    TFontFixture Font(*F.DC, 20);
    F.DC->SetBkMode(TRANSPARENT);
    F.DC->SetBkColor(RGB(255, 0, 0));
    TRect R = Rect(10, 10, 40, 20);
    F.DC->ExtTextOut(10, 5, ETO_CLIPPED | ETO_OPAQUE, &R, u"WWWWWW");
    EXPECT_EQ(InkBounds(F.Img()), QRect(10, 10, 30, 10));
    EXPECT_GT(CountColor(F.Img(), Black), 0);
    // with spacing given, the characters go where the caller says
    TImageFixture G;
    TFontFixture Font2(*G.DC, 10);
    const int Dx[3] = {30, 30, 30};
    G.DC->SetBkMode(TRANSPARENT);
    G.DC->ExtTextOut(10, 10, 0, nullptr, u"iii", Dx);
    QRect Ink = InkBounds(G.Img());
    EXPECT_GE(Ink.right(), 70);
    EXPECT_LT(Ink.right(), 75);
}

TEST(DeviceContextText, ExtentExReportsHowManyCharactersFit) {
    auto DC = DeviceContext::CreateImage(10, 10, 96, 96);
    TFontFixture F(*DC, 10);
    TSize Whole, Part;
    DC->GetTextExtentPoint32(u"Hello World", Whole);
    DC->GetTextExtentPoint32(u"Hello", Part);
    int Fit = 0;
    int Dx[11];
    TSize S;
    DC->GetTextExtentExPoint(u"Hello World", Part.cx, &Fit, Dx, S);
    EXPECT_EQ(Fit, 5);
    EXPECT_EQ(Dx[4], Part.cx);
    EXPECT_EQ(Dx[10], Whole.cx);
    EXPECT_EQ(S.cx, Whole.cx);
}

// ---- State, mapping and clipping ----

TEST(DeviceContextState, ClippingLimitsEveryDrawing) {
    TImageFixture F;
    F.DC->IntersectClipRect(10, 10, 20, 20);
    F.DC->FillRect(Rect(0, 0, 100, 100), F.RedBrush);
    EXPECT_EQ(InkBounds(F.Img()), QRect(10, 10, 10, 10));
    F.DC->IntersectClipRect(15, 0, 100, 100);
    F.Clear();
    F.DC->Rectangle(0, 0, 100, 100);
    EXPECT_EQ(InkBounds(F.Img()), QRect(15, 10, 5, 10));
    TRect Box;
    EXPECT_EQ(F.DC->GetClipBox(Box), SIMPLEREGION);
    EXPECT_EQ(Box, Rect(15, 10, 20, 20));
    F.DC->SelectClipRgn(nullptr);
    F.DC->ExcludeClipRect(0, 0, 50, 200);
    F.Clear();
    F.DC->FillRect(Rect(0, 0, 100, 100), F.RedBrush);
    EXPECT_EQ(InkBounds(F.Img()), QRect(50, 0, 50, 100));
}

TEST(DeviceContextState, RestoreDCBringsBackTheWholeState) {
    TImageFixture F;
    HPEN Blue = CreatePen(PS_SOLID, 1, RGB(0, 0, 255));
    int Level = F.DC->SaveDC();
    EXPECT_EQ(Level, 1);
    F.DC->SelectObject(Blue);
    F.DC->SetTextColor(RGB(1, 2, 3));
    F.DC->SetBkMode(TRANSPARENT);
    F.DC->SetTextAlign(TA_BASELINE | TA_RIGHT);
    F.DC->SetMapMode(MM_ANISOTROPIC);
    F.DC->SetWindowExtEx(10, 10);
    F.DC->SetViewportExtEx(20, 20);
    F.DC->SetViewportOrgEx(5, 5);
    F.DC->IntersectClipRect(0, 0, 1, 1);
    F.DC->MoveToEx(7, 7);
    EXPECT_EQ(F.DC->SaveDC(), 2);
    F.DC->SetTextColor(RGB(9, 9, 9));
    EXPECT_TRUE(F.DC->RestoreDC(-1));
    EXPECT_EQ(F.DC->GetTextColor(), RGB(1, 2, 3));
    EXPECT_TRUE(F.DC->RestoreDC(1));
    EXPECT_EQ(F.DC->GetCurrentObject(OBJ_PEN), GetStockObject(BLACK_PEN));
    EXPECT_EQ(F.DC->GetTextColor(), RGB(0, 0, 0));
    EXPECT_EQ(F.DC->GetBkMode(), OPAQUE);
    EXPECT_EQ(F.DC->GetTextAlign(), TA_TOP | TA_LEFT);
    EXPECT_EQ(F.DC->GetMapMode(), MM_TEXT);
    TPoint Cp;
    F.DC->GetCurrentPositionEx(Cp);
    EXPECT_EQ(Cp, Point(0, 0));
    F.DC->FillRect(Rect(0, 0, 10, 10), F.RedBrush); // clipping is gone too
    EXPECT_EQ(InkBounds(F.Img()), QRect(0, 0, 10, 10));
    EXPECT_FALSE(F.DC->RestoreDC(1)); // nothing saved any more
    EXPECT_TRUE(DeleteObject(Blue));  // the restored state let go of it
}

TEST(DeviceContextState, AnisotropicMappingScalesAndMovesDrawing) {
    TImageFixture F(96, 400, 400);
    F.DC->SetMapMode(MM_ANISOTROPIC);
    F.DC->SetWindowExtEx(1000, 1000);
    F.DC->SetViewportExtEx(100, 200);
    F.DC->SetViewportOrgEx(10, 20);
    F.DC->Rectangle(0, 0, 1000, 500);
    EXPECT_EQ(InkBounds(F.Img()), QRect(10, 20, 100, 100));
    TPoint P[1] = {Point(500, 500)};
    F.DC->LPtoDP(P, 1);
    EXPECT_EQ(P[0], Point(60, 120));
    F.DC->DPtoLP(P, 1);
    EXPECT_EQ(P[0], Point(500, 500));
    // text follows the mapping: a 100-unit font is 20 pixels high here, and measures in units
    TLogFont Lf;
    Lf.lfHeight = -100;
    Lf.lfFaceName = QStringLiteral("Arial");
    HFONT Font = CreateFontIndirect(Lf);
    F.DC->SelectObject(Font);
    TTextMetric M;
    F.DC->GetTextMetrics(M);
    EXPECT_EQ(F.DC->CurrentFont()->EmPixels(), 20);
    EXPECT_NEAR(M.tmHeight - M.tmInternalLeading, 100, 5);
    F.DC->SelectObject(GetStockObject(SYSTEM_FONT));
    DeleteObject(Font);
    // back to text mode: one unit is one pixel again
    F.DC->SetMapMode(MM_TEXT);
    F.DC->SetViewportOrgEx(0, 0);
    F.Clear();
    F.DC->Rectangle(0, 0, 10, 10);
    EXPECT_EQ(InkBounds(F.Img()), QRect(0, 0, 10, 10));
}

TEST(DeviceContextState, DeviceCapsOfTheBackings) {
    auto Img = DeviceContext::CreateImage(850, 1100, 100, 100);
    EXPECT_EQ(Img->GetDeviceCaps(LOGPIXELSX), 100);
    EXPECT_EQ(Img->GetDeviceCaps(HORZRES), 850);
    EXPECT_EQ(Img->GetDeviceCaps(VERTRES), 1100);
    EXPECT_EQ(Img->GetDeviceCaps(TECHNOLOGY), DT_RASDISPLAY);
    TDeviceCaps C = PrinterCaps(600, 8.5, 5.5, 0.25);
    C.LogPixelsY = 300;
    C.PhysicalOffsetY = 50;
    auto Rec = DeviceContext::CreateRecording(C);
    EXPECT_EQ(Rec->GetDeviceCaps(LOGPIXELSX), 600);
    EXPECT_EQ(Rec->GetDeviceCaps(LOGPIXELSY), 300);
    EXPECT_EQ(Rec->GetDeviceCaps(PHYSICALWIDTH), 5100);
    EXPECT_EQ(Rec->GetDeviceCaps(PHYSICALHEIGHT), 3300);
    EXPECT_EQ(Rec->GetDeviceCaps(PHYSICALOFFSETX), 150);
    EXPECT_EQ(Rec->GetDeviceCaps(PHYSICALOFFSETY), 50);
    EXPECT_EQ(Rec->GetDeviceCaps(HORZRES), 4800);
    EXPECT_EQ(Rec->GetDeviceCaps(VERTRES), 3000);
    EXPECT_EQ(Rec->GetDeviceCaps(TECHNOLOGY) & 1, 0); // not a screen
}

// ---- Objects ----

TEST(DeviceContextObjects, SelectReturnsThePreviousObjectOfThatKind) {
    auto DC = DeviceContext::CreateImage(10, 10, 96, 96);
    HPEN Pen = CreatePen(PS_DASH, 2, RGB(1, 2, 3));
    HBRUSH Brush = CreateHatchBrush(HS_CROSS, RGB(4, 5, 6));
    EXPECT_EQ(DC->SelectObject(Pen), GetStockObject(BLACK_PEN));
    EXPECT_EQ(DC->SelectObject(Brush), GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(DC->SelectObject(GetStockObject(NULL_PEN)), Pen);
    EXPECT_EQ(DC->GetCurrentObject(OBJ_BRUSH), Brush);
    EXPECT_EQ(DC->SelectObject(0), 0u);
    EXPECT_EQ(DC->SelectObject(0xDEAD), 0u);
    TLogPen Lp;
    ASSERT_TRUE(GetObject(Pen, Lp));
    EXPECT_EQ(Lp, (TLogPen{PS_DASH, 2, RGB(1, 2, 3)}));
    TLogBrush Lb;
    ASSERT_TRUE(GetObject(Brush, Lb));
    EXPECT_EQ(Lb, (TLogBrush{BS_HATCHED, RGB(4, 5, 6), HS_CROSS}));
    DC->SelectObject(GetStockObject(NULL_BRUSH));
    DeleteObject(Pen);
    DeleteObject(Brush);
}

TEST(DeviceContextObjects, SelectedObjectIsNotFreedUntilDeselected) {
    TGdiLeakCheck Leaks;
    {
        auto DC = DeviceContext::CreateImage(10, 10, 96, 96);
        TLogFont Lf;
        Lf.lfHeight = -13;
        Lf.lfFaceName = QStringLiteral("Arial");
        HFONT Font = CreateFontIndirect(Lf);
        DC->SelectObject(Font);
        EXPECT_FALSE(DeleteObject(Font));
        EXPECT_EQ(GetObjectType(Font), OBJ_FONT);
        DC->SaveDC();
        DC->SelectObject(GetStockObject(SYSTEM_FONT));
        EXPECT_FALSE(DeleteObject(Font)); // the saved state still holds it
        DC->RestoreDC(-1);
        DC->SelectObject(GetStockObject(SYSTEM_FONT));
        EXPECT_TRUE(DeleteObject(Font));
        EXPECT_EQ(GetObjectType(Font), 0);
        EXPECT_FALSE(DeleteObject(Font));
        EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_PEN))); // stock objects stay
        EXPECT_EQ(GetObjectType(GetStockObject(BLACK_PEN)), OBJ_PEN);
        // a device context that goes away lets go of what it held
        HPEN Pen = CreatePen(PS_SOLID, 1, 0);
        DC->SelectObject(Pen);
        DC.reset();
        EXPECT_TRUE(DeleteObject(Pen));
    }
    EXPECT_EQ(Leaks.Leaked(), 0);
}

TEST(DeviceContextObjects, StockObjectsHaveTheirRecords) {
    TLogBrush B;
    ASSERT_TRUE(GetObject(GetStockObject(NULL_BRUSH), B));
    EXPECT_EQ(B.lbStyle, BS_NULL);
    TLogPen P;
    ASSERT_TRUE(GetObject(GetStockObject(BLACK_PEN), P));
    EXPECT_EQ(P, (TLogPen{PS_SOLID, 0, 0}));
    TLogFont F;
    ASSERT_TRUE(GetObject(GetStockObject(SYSTEM_FONT), F));
    EXPECT_EQ(F.lfWeight, FW_BOLD);
    EXPECT_EQ(GetStockObject(9), 0u);
    EXPECT_EQ(GetStockObject(99), 0u);
}

// ---- Recording ----

TEST(DeviceContextRecording, LogShowsEveryCallWithItsArguments) {
    TDeviceCaps C;
    C.HorzRes = C.PhysicalWidth = 800;
    C.VertRes = C.PhysicalHeight = 600;
    auto DC = DeviceContext::CreateRecording(C);
    TLogFont Lf;
    Lf.lfHeight = -13;
    Lf.lfEscapement = 900;
    Lf.lfFaceName = QStringLiteral("Arial");
    HFONT Font = CreateFontIndirect(Lf);
    HPEN Pen = CreatePen(PS_SOLID, 2, RGB(255, 0, 0));
    DC->SelectObject(Font);
    DC->SelectObject(Pen);
    DC->SetTextAlign(TA_BASELINE);
    DC->SetBkMode(TRANSPARENT);
    DC->TextOut(10, 20, u"Sum \"A\"");
    TRect R = Rect(1, 2, 3, 4);
    DC->ExtTextOut(5, 6, ETO_CLIPPED, &R, u"x");
    DC->MoveToEx(1, 1);
    DC->LineTo(5, 1);
    DC->Rectangle(0, 0, 10, 10);
    TPoint Pts[3] = {{0, 0}, {5, 0}, {0, 5}};
    DC->Polygon(Pts, 3);
    DC->SelectObject(GetStockObject(BLACK_PEN));
    DC->SelectObject(GetStockObject(SYSTEM_FONT));
    TSize S;
    DC->GetTextExtentPoint32(u"not logged", S);
    EXPECT_EQ(DC->Log()->Text().toStdString(),
              std::string("SelectObject font \"Arial\" -13 0 400 0 0 0 1 esc=900\n"
                          "SelectObject pen 0 2 0x0000FF\n"
                          "SetTextAlign 24\n"
                          "SetBkMode 1\n"
                          "TextOut 10 20 \"Sum \\\"A\\\"\"\n"
                          "ExtTextOut 5 6 4 1 2 3 4 \"x\"\n"
                          "MoveToEx 1 1\n"
                          "LineTo 5 1\n"
                          "Rectangle 0 0 10 10\n"
                          "Polygon 3 0,0 5,0 0,5\n"
                          "SelectObject stock 7\n"
                          "SelectObject stock 13"));
    EXPECT_EQ(DC->Log()->Only({QStringLiteral("LineTo"), QStringLiteral("Rectangle")}),
              QStringList({QStringLiteral("LineTo 5 1"), QStringLiteral("Rectangle 0 0 10 10")}));
    EXPECT_EQ(DC->Image(), nullptr);
    DeleteObject(Font);
    DeleteObject(Pen);
}

TEST(DeviceContextRecording, RecordingImageDrawsAndLogs) {
    TDeviceCaps C;
    C.HorzRes = 50;
    C.VertRes = 40;
    auto DC = DeviceContext::CreateRecordingImage(C);
    DC->Rectangle(1, 1, 5, 5);
    ASSERT_NE(DC->Image(), nullptr);
    EXPECT_EQ(DC->Image()->size(), QSize(50, 40));
    EXPECT_EQ(InkBounds(*DC->Image()), QRect(1, 1, 4, 4));
    EXPECT_EQ(DC->Log()->Calls, QStringList({QStringLiteral("Rectangle 1 1 5 5")}));
}

// ---- Images ----

TEST(DeviceContextImages, StretchDIBitsFillsTheDestinationExactly) {
    TImageFixture F;
    QImage Src(2, 2, QImage::Format_RGB32);
    Src.setPixel(0, 0, Red);
    Src.setPixel(1, 0, Blue);
    Src.setPixel(0, 1, Blue);
    Src.setPixel(1, 1, Red);
    EXPECT_EQ(F.DC->StretchDIBits(10, 10, 20, 20, 0, 0, 2, 2, Src, SRCCOPY), 2);
    EXPECT_EQ(InkBounds(F.Img()), QRect(10, 10, 20, 20));
    EXPECT_EQ(F.Img().pixel(10, 10), Red);
    EXPECT_EQ(F.Img().pixel(29, 10), Blue);
    EXPECT_EQ(F.Img().pixel(19, 19), Red);
    EXPECT_EQ(F.Img().pixel(20, 19), Blue);
    // a negative height turns the picture upside down
    F.Clear();
    F.DC->StretchDIBits(10, 30, 20, -20, 0, 0, 2, 2, Src, SRCCOPY);
    EXPECT_EQ(InkBounds(F.Img()), QRect(10, 10, 20, 20));
    EXPECT_EQ(F.Img().pixel(10, 10), Blue);
}

TEST(DeviceContextImages, BitBltCopiesBetweenImageDevices) {
    TImageFixture Src, Dst;
    Src.DC->FillRect(Rect(5, 5, 10, 10), Src.RedBrush);
    Dst.DC->BitBlt(20, 30, 10, 10, Src.DC.get(), 0, 0, SRCCOPY);
    EXPECT_EQ(InkBounds(Dst.Img()), QRect(25, 35, 5, 5));
    Dst.DC->BitBlt(0, 0, 5, 5, nullptr, 0, 0, BLACKNESS);
    EXPECT_EQ(Dst.Img().pixel(4, 4), Black);
}

// ---- PDF ----

namespace {
QString RunTool(const QString& Program, const QStringList& Args) {
    QProcess P;
    P.start(Program, Args);
    if (!P.waitForFinished(30000)) return QString();
    return QString::fromUtf8(P.readAllStandardOutput());
}
} // namespace

TEST(DeviceContextPdf, TwoPagesWithTextAndPaperSize) {
    QTemporaryDir Dir;
    QString File = Dir.filePath(QStringLiteral("test.pdf"));
    {
        auto DC = DeviceContext::CreatePdf(File, QSizeF(210, 297), 300);
        EXPECT_EQ(DC->GetDeviceCaps(LOGPIXELSX), 300);
        EXPECT_EQ(DC->GetDeviceCaps(PHYSICALWIDTH), 2480);
        EXPECT_EQ(DC->GetDeviceCaps(PHYSICALHEIGHT), 3508);
        EXPECT_EQ(DC->GetDeviceCaps(TECHNOLOGY), DT_RASPRINTER);
        TFontFixture F(*DC, 12);
        DC->SetBkMode(TRANSPARENT);
        DC->TextOut(300, 300, u"First page text");
        DC->Rectangle(300, 400, 1000, 600);
        EXPECT_TRUE(DC->NewPage());
        DC->TextOut(300, 300, u"Second page Hello World");
        DC->EndDoc();
    }
    QString Info = RunTool(QStringLiteral("pdfinfo"), {File});
    if (Info.isEmpty()) GTEST_SKIP() << "pdfinfo is not installed";
    EXPECT_TRUE(Info.contains(QRegularExpression(QStringLiteral("Pages:\\s+2\\b")))) << Info.toStdString();
    EXPECT_TRUE(Info.contains(
        QRegularExpression(QStringLiteral("Page size:\\s+595(\\.\\d+)? x 84[12](\\.\\d+)? pts"))))
        << Info.toStdString();
    QString Page1 = RunTool(QStringLiteral("pdftotext"), {"-f", "1", "-l", "1", File, "-"});
    QString Page2 = RunTool(QStringLiteral("pdftotext"), {"-f", "2", "-l", "2", File, "-"});
    EXPECT_EQ(Page1.trimmed(), QStringLiteral("First page text"));
    EXPECT_EQ(Page2.trimmed(), QStringLiteral("Second page Hello World"));
}

TEST(DeviceContextPdf, LandscapePaperKeepsItsWidth) {
    QTemporaryDir Dir;
    QString File = Dir.filePath(QStringLiteral("wide.pdf"));
    {
        auto DC = DeviceContext::CreatePdf(File, QSizeF(297, 210), 72);
        EXPECT_EQ(DC->GetDeviceCaps(HORZRES), 842);
        EXPECT_EQ(DC->GetDeviceCaps(VERTRES), 595);
        DC->EndDoc();
    }
    QString Info = RunTool(QStringLiteral("pdfinfo"), {File});
    if (Info.isEmpty()) GTEST_SKIP() << "pdfinfo is not installed";
    EXPECT_TRUE(Info.contains(
        QRegularExpression(QStringLiteral("Page size:\\s+84[12](\\.\\d+)? x 595(\\.\\d+)? pts"))))
        << Info.toStdString();
}

TEST(DeviceContextPdf, PaperChangesBetweenPagesAndPrintableAreaMovesTheOrigin) {
    QTemporaryDir Dir;
    QString File = Dir.filePath(QStringLiteral("mixed.pdf"));
    {
        auto Surface = std::make_unique<TPdfSurface>(File, QSizeF(210, 297), 72);
        TPdfSurface* Pdf = Surface.get();
        Pdf->SetPrintableArea(18, 18, 559, 806);
        DeviceContext DC(std::move(Surface));
        EXPECT_EQ(DC.GetDeviceCaps(PHYSICALOFFSETX), 18);
        EXPECT_EQ(DC.GetDeviceCaps(HORZRES), 559);
        TFontFixture F(DC, 12);
        DC.TextOut(0, 0, u"Portrait");
        Pdf->SetPaper(QSizeF(297, 210));
        Pdf->SetPrintableArea(0, 0, 0, 0);
        DC.NewPage();
        EXPECT_EQ(DC.GetDeviceCaps(PHYSICALWIDTH), 842);
        EXPECT_EQ(DC.GetDeviceCaps(PHYSICALOFFSETX), 0);
        DC.TextOut(0, 0, u"Landscape");
        DC.EndDoc();
        DC.TextOut(0, 0, u"after the end"); // nothing more reaches the file
    }
    QString Info = RunTool(QStringLiteral("pdfinfo"), {"-f", "1", "-l", "2", File});
    if (Info.isEmpty()) GTEST_SKIP() << "pdfinfo is not installed";
    EXPECT_TRUE(
        Info.contains(QRegularExpression(QStringLiteral("Page\\s+1 size:\\s+595(\\.\\d+)? x 84[12]"))))
        << Info.toStdString();
    EXPECT_TRUE(
        Info.contains(QRegularExpression(QStringLiteral("Page\\s+2 size:\\s+84[12](\\.\\d+)? x 595"))))
        << Info.toStdString();
    // the text of page 1 starts at the printable offset: a quarter inch from the paper's edge
    QString Box = RunTool(QStringLiteral("pdftotext"), {"-f", "1", "-l", "1", "-bbox", File, "-"});
    QRegularExpressionMatch M =
        QRegularExpression(QStringLiteral("xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\"[^>]*>Portrait")).match(Box);
    ASSERT_TRUE(M.hasMatch()) << Box.toStdString();
    EXPECT_NEAR(M.captured(1).toDouble(), 18, 1.5);
    EXPECT_NEAR(M.captured(2).toDouble(), 18, 1.5);
    EXPECT_FALSE(RunTool(QStringLiteral("pdftotext"), {File, "-"}).contains(QStringLiteral("after")));
}

TEST(DeviceContextState, PaintWithWorksInLogicalUnitsInsideTheClip) {
    TImageFixture F;
    F.DC->SetMapMode(MM_ANISOTROPIC);
    F.DC->SetWindowExtEx(10, 10);
    F.DC->SetViewportExtEx(20, 20);
    F.DC->IntersectClipRect(0, 0, 5, 100);
    F.DC->PaintWith([](QPainter& P) { P.fillRect(QRect(2, 2, 10, 3), Qt::red); }, QStringLiteral("bar"));
    EXPECT_EQ(InkBounds(F.Img()), QRect(4, 4, 6, 6));
}

TEST(DeviceContextState, AbsurdArgumentsDrawWithoutFaults) {
    const int Big = std::numeric_limits<int>::max(), Small = std::numeric_limits<int>::min();
    TImageFixture F(96, 50, 50);
    F.DC->Rectangle(Small, Small, Big, Big);
    F.DC->Ellipse(Small, 0, Big, 10);
    F.DC->MoveToEx(Small, Small);
    F.DC->LineTo(Big, Big - 7);
    F.DC->Pie(Small, Small, Big, Big, 0, 0, 0, 0);
    F.DC->PatBlt(Big, Big, Big, Big, WHITENESS);
    TRect R = Rect(Small, Small, Big, Big);
    F.DC->FillRect(R, F.RedBrush);
    EXPECT_EQ(CountColor(F.Img(), Red), 50 * 50);
    QImage Pic(1, 1, QImage::Format_RGB32);
    F.DC->StretchDIBits(0, 0, Big, Big, 0, 0, Small, Small, Pic, SRCCOPY);
    EXPECT_TRUE(F.DC->SetWindowExtEx(0, 5)); // text mode ignores extents
    F.DC->SetMapMode(MM_ANISOTROPIC);
    EXPECT_FALSE(F.DC->SetWindowExtEx(0, 5));
    EXPECT_FALSE(F.DC->SetViewportExtEx(5, 0));
    F.DC->SetWindowExtEx(1, 1);
    F.DC->SetViewportExtEx(Big, Big);
    F.DC->Rectangle(0, 0, 5, 5);
    TLogFont Lf;
    Lf.lfHeight = Small;
    Lf.lfWidth = Big;
    Lf.lfEscapement = Big;
    Lf.lfWeight = Big;
    HFONT Font = CreateFontIndirect(Lf);
    F.DC->SelectObject(Font);
    F.DC->TextOut(0, 0, u"x");
    TSize S;
    F.DC->GetTextExtentPoint32(u"x", S);
    F.DC->SelectObject(GetStockObject(SYSTEM_FONT));
    DeleteObject(Font);
    EXPECT_EQ(Rect(Small, 0, Big, 0).Width(), Big);
    EXPECT_EQ(Bounds(Big, 0, 10, 0).Right, Big);
}

TEST(DeviceContextText, SwitchingFontsMeasuresWithTheSelectedOne) {
    auto DC = DeviceContext::CreateMeasuring(96, 96);
    TLogFont Lf;
    Lf.lfFaceName = QStringLiteral("Arial");
    Lf.lfHeight = -13;
    HFONT Small = CreateFontIndirect(Lf);
    Lf.lfHeight = -26;
    HFONT Large = CreateFontIndirect(Lf);
    TSize A, B, C;
    DC->SelectObject(Small);
    DC->GetTextExtentPoint32(u"Hello World", A);
    DC->SelectObject(Large);
    DC->GetTextExtentPoint32(u"Hello World", B);
    DC->SelectObject(Small);
    DC->GetTextExtentPoint32(u"Hello World", C);
    EXPECT_EQ(A, C);
    EXPECT_NEAR(B.cx, 2 * A.cx, 3);
    // a font freed and made again is measured afresh
    DC->SelectObject(GetStockObject(SYSTEM_FONT));
    DeleteObject(Small);
    DeleteObject(Large);
    Lf.lfHeight = -13;
    HFONT Again = CreateFontIndirect(Lf);
    DC->SelectObject(Again);
    DC->GetTextExtentPoint32(u"Hello World", C);
    EXPECT_EQ(A, C);
    DC->SelectObject(GetStockObject(SYSTEM_FONT));
    DeleteObject(Again);
}

TEST(DeviceContextText, ImageDevicesDrawGlyphsWithoutAntialiasing) {
    for (int PPI : {96, 300}) {
        TImageFixture F(PPI, 600, 200);
        TFontFixture Font(*F.DC, 10, 300);
        F.DC->SetBkMode(TRANSPARENT);
        F.DC->TextOut(20, 100, u"Hello World, 0123456789");
        int Ink = CountColor(F.Img(), Black);
        EXPECT_GT(Ink, 50);
        EXPECT_EQ(Ink + CountColor(F.Img(), White), F.Img().width() * F.Img().height()) << PPI;
    }
}

TEST(DeviceContextShapes, HatchSpacingStaysInDevicePixelsUnderMapping) {
    TImageFixture F(300);
    HBRUSH H = CreateHatchBrush(HS_VERTICAL, RGB(0, 0, 0));
    F.DC->SetBkMode(TRANSPARENT);
    F.DC->SetMapMode(MM_ANISOTROPIC);
    F.DC->SetWindowExtEx(1, 1);
    F.DC->SetViewportExtEx(4, 4); // one unit is four pixels
    F.DC->FillRect(Rect(0, 0, 10, 10), H);
    for (int x = 0; x < 40; ++x)
        EXPECT_EQ(Inked(F.Img(), x, 5), x % 8 == 0) << x;
    F.DC->SetMapMode(MM_TEXT);
    DeleteObject(H);
}

TEST(DeviceContextText, GlyphsTakeTheTextColour) {
    TImageFixture F;
    TFontFixture Font(*F.DC, 12);
    F.DC->SetTextColor(RGB(0, 0, 255));
    F.DC->SetBkMode(TRANSPARENT);
    F.DC->TextOut(10, 10, u"Blue");
    EXPECT_GT(CountColor(F.Img(), Blue), 20);
    EXPECT_EQ(CountColor(F.Img(), Blue) + CountColor(F.Img(), White), 200 * 200);
}

TEST(DeviceContextImages, IndexedImagesDrawWithTheirColourTable) {
    TImageFixture F;
    QImage Pic(2, 1, QImage::Format_Indexed8);
    Pic.setColorTable({qRgb(255, 0, 0), qRgb(0, 0, 255)});
    Pic.setPixel(0, 0, 1);
    Pic.setPixel(1, 0, 0);
    HPALETTE Pal = CreatePalette({TPaletteEntry{255, 0, 0, 0}, TPaletteEntry{0, 0, 255, 0}});
    F.DC->StartLog();
    HPALETTE Old = F.DC->SelectPalette(Pal, true);
    F.DC->RealizePalette();
    F.DC->StretchDIBits(0, 0, 4, 2, 0, 0, 2, 1, Pic, SRCCOPY);
    F.DC->SelectPalette(Old, true);
    EXPECT_EQ(F.Img().pixel(0, 0), Blue);
    EXPECT_EQ(F.Img().pixel(1, 1), Blue);
    EXPECT_EQ(F.Img().pixel(2, 0), Red);
    EXPECT_EQ(F.DC->Log()->Text().toStdString(), std::string("SelectPalette palette 2 background\n"
                                                             "RealizePalette\n"
                                                             "StretchDIBits 0 0 4 2 0 0 2 1 2 1 0x00CC0020\n"
                                                             "SelectPalette stock 15 background"));
    EXPECT_TRUE(DeleteObject(Pal));
}

TEST(DeviceContextObjects, ClearingTheTableSparesSelectedAndStockObjects) {
    auto DC = DeviceContext::CreateMeasuring(96, 96);
    HPEN Kept = CreatePen(PS_SOLID, 1, 0);
    HPEN Dropped = CreatePen(PS_SOLID, 2, 0);
    DC->SelectObject(Kept);
    EXPECT_GE(ClearGdiObjects(), 1);
    EXPECT_EQ(GetObjectType(Dropped), 0);
    EXPECT_EQ(GetObjectType(Kept), OBJ_PEN);
    EXPECT_EQ(GetObjectType(GetStockObject(WHITE_BRUSH)), OBJ_BRUSH);
    DC->SelectObject(GetStockObject(BLACK_PEN));
    EXPECT_TRUE(DeleteObject(Kept));
}

TEST(DeviceContextRecording, LogStartsWhereAskedAndShowsAdvancesAndBrushes) {
    TImageFixture F;
    F.DC->TextOut(1, 2, u"before");
    F.DC->FillRect(Rect(0, 0, 5, 5), F.RedBrush);
    EXPECT_EQ(F.DC->Log(), nullptr);
    F.DC->StartLog();
    const int Dx[3] = {7, 8, 9};
    F.DC->ExtTextOut(3, 4, ETO_OPAQUE, nullptr, u"a\"b", Dx);
    F.DC->FillRect(Rect(10, 20, 30, 40), F.RedBrush);
    F.DC->PatBlt(1, 2, 3, 4, PATCOPY);
    EXPECT_EQ(F.DC->Log()->Text().toStdString(), std::string("ExtTextOut 3 4 2 nil \"a\\\"b\" dx=7,8,9\n"
                                                             "FillRect 10 20 30 40 brush 0 0x0000FF 0\n"
                                                             "PatBlt 1 2 3 4 0x00F00021"));
}

TEST(DeviceContextShapes, SolidFillsCoverExactlyTheirBoxUnderMapping) {
    TImageFixture F;
    F.DC->SetMapMode(MM_ANISOTROPIC);
    F.DC->SetWindowExtEx(2, 2);
    F.DC->SetViewportExtEx(3, -3);
    F.DC->SetViewportOrgEx(10, 150);
    F.DC->FillRect(Rect(0, 0, 20, 40), F.RedBrush);
    EXPECT_EQ(InkBounds(F.Img()), QRect(10, 90, 30, 60));
    EXPECT_EQ(CountColor(F.Img(), Red), 30 * 60);
    F.Clear();
    F.DC->PatBlt(0, 0, 20, 40, PATCOPY); // with the selected brush
    EXPECT_EQ(InkBounds(F.Img()), QRect(10, 90, 30, 60));
    EXPECT_EQ(CountColor(F.Img(), Red), 30 * 60);
    F.DC->SetMapMode(MM_TEXT);
}

TEST(DeviceContextText, FontsDifferingOnlyInEscapementKeepTheirOwnAngle) {
    TImageFixture F(96, 300, 300);
    F.DC->SetBkMode(TRANSPARENT);
    TLogFont Lf;
    Lf.lfFaceName = QStringLiteral("Arial");
    Lf.lfHeight = -16;
    HFONT Level = CreateFontIndirect(Lf);
    Lf.lfEscapement = 900;
    HFONT Upright = CreateFontIndirect(Lf);
    auto Draw = [&](HFONT Font) {
        F.Clear();
        F.DC->SelectObject(Font);
        F.DC->TextOut(150, 150, u"HHHHHHHH");
        return InkBounds(F.Img());
    };
    for (int Round = 0; Round < 2; ++Round) {
        QRect A = Draw(Level), B = Draw(Upright);
        EXPECT_GT(A.width(), 2 * A.height()) << Round;
        EXPECT_GT(B.height(), 2 * B.width()) << Round;
        EXPECT_NEAR(A.width(), B.height(), 2) << Round;
    }
    F.DC->SelectObject(GetStockObject(SYSTEM_FONT));
    DeleteObject(Level);
    DeleteObject(Upright);
}

namespace {

// A device whose resolution changes under it, as a printer's does between jobs.
class TChangingSurface : public TDeviceSurface {
public:
    TDeviceCaps C;
    TDeviceCaps Caps() const override { return C; }
    QPaintDevice* PaintDevice() override { return nullptr; }
    bool IsRaster() const override { return true; }
};

} // namespace

TEST(DeviceContextText, DefaultSizeFollowsTheResolutionAfterResetDC) {
    auto Owned = std::make_unique<TChangingSurface>();
    TChangingSurface* Surface = Owned.get();
    DeviceContext DC(std::move(Owned));
    TLogFont Lf;
    Lf.lfFaceName = QStringLiteral("Arial"); // height 0: the default size of 12 points
    HFONT Font = CreateFontIndirect(Lf);
    DC.SelectObject(Font);
    TTextMetric At96, At192;
    DC.GetTextMetrics(At96);
    Surface->C.LogPixelsX = Surface->C.LogPixelsY = 192;
    DC.ResetDC();
    DC.GetTextMetrics(At192);
    EXPECT_EQ(At96.tmHeight - At96.tmInternalLeading, 16);
    EXPECT_EQ(At192.tmHeight - At192.tmInternalLeading, 32);
    DC.SelectObject(GetStockObject(SYSTEM_FONT));
    DeleteObject(Font);
}

TEST(DeviceContextState, PainterSettingsOfOneCallDoNotReachTheNext) {
    TImageFixture F(96, 300, 200);
    auto Source = DeviceContext::CreateImage(10, 10, 96, 96);
    F.DC->BitBlt(0, 0, 10, 10, Source.get(), 0, 0, SRCINVERT); // white on white: black
    EXPECT_EQ(CountColor(F.Img(), Black), 100);
    F.Clear();
    // a rotated text, a stretched image and foreign painting first ...
    TLogFont Lf;
    Lf.lfFaceName = QStringLiteral("Arial");
    Lf.lfHeight = -16;
    Lf.lfEscapement = 450;
    HFONT Slanted = CreateFontIndirect(Lf);
    F.DC->SelectObject(Slanted);
    F.DC->TextOut(150, 100, u"Slanted");
    F.DC->SetStretchBltMode(HALFTONE);
    F.DC->StretchDraw(Rect(0, 0, 20, 20), QImage(2, 2, QImage::Format_RGB32));
    F.DC->PaintWith([](QPainter& P) {
        P.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        P.setOpacity(0.5);
        P.translate(40, 40);
    });
    F.Clear();
    F.DC->SelectObject(GetStockObject(SYSTEM_FONT));
    DeleteObject(Slanted);
    // ... leave the next calls exactly where and as they draw on a fresh device
    F.DC->FillRect(Rect(10, 10, 20, 30), F.RedBrush);
    EXPECT_EQ(InkBounds(F.Img()), QRect(10, 10, 10, 20));
    EXPECT_EQ(CountColor(F.Img(), Red), 200);
    F.Clear();
    TFontFixture Font(*F.DC, 12);
    F.DC->SetBkMode(TRANSPARENT);
    F.DC->TextOut(20, 20, u"Level");
    auto Fresh = DeviceContext::CreateImage(300, 200, 96, 96);
    TFontFixture FreshFont(*Fresh, 12);
    Fresh->SetBkMode(TRANSPARENT);
    Fresh->TextOut(20, 20, u"Level");
    EXPECT_EQ(F.Img(), *Fresh->Image());
}

TEST(DeviceContextShapes, XorRectangleDrawnTwiceLeavesNoTrace) {
    TImageFixture F;
    F.DC->FillRect(Rect(30, 30, 60, 60), F.RedBrush); // something underneath to mix with
    QImage Before = F.Img().copy();
    F.DC->SetROP2(R2_XORPEN);
    for (int Width : {1, 5}) {
        HPEN Pen = CreatePen(PS_SOLID, Width, RGB(0, 0, 255));
        F.DC->SelectObject(Pen);
        F.DC->Rectangle(10, 20, 90, 70);
        EXPECT_NE(F.Img(), Before) << Width;
        EXPECT_EQ(F.Img().pixel(10, 20), qRgb(0, 0, 255) ^ 0x00FFFFFF) << Width; // blue on white
        F.DC->Rectangle(10, 20, 90, 70);
        EXPECT_EQ(F.Img(), Before) << Width;
        F.DC->SelectObject(GetStockObject(BLACK_PEN));
        DeleteObject(Pen);
    }
    F.DC->SetROP2(R2_COPYPEN);
}
