#include "host/devicecontext.h"
#include "support/pixelprobe.h"
#include <gtest/gtest.h>

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
};

} // namespace

TEST(DeviceContextShapes, RectangleExcludesRightAndBottomAndKeepsOnePixelPenInside) {
    TImageFixture F;
    F.DC->Rectangle(10, 10, 20, 15);
    EXPECT_EQ(InkBounds(F.Img()), QRect(10, 10, 10, 5)) << PixelMap(F.Img(), QRect(8, 8, 14, 9)).toStdString();
    EXPECT_EQ(F.Img().pixel(10, 10), Black);
    EXPECT_EQ(F.Img().pixel(19, 14), Black);
    EXPECT_EQ(F.Img().pixel(11, 11), Red);
    EXPECT_EQ(F.Img().pixel(18, 13), Red);
    EXPECT_EQ(CountColor(F.Img(), Red), 8 * 3);
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
    TImageFixture F;
    F.DC->Ellipse(10, 10, 50, 30);
    EXPECT_EQ(InkBounds(F.Img()), QRect(10, 10, 40, 20)) << PixelMap(F.Img(), QRect(8, 8, 44, 24)).toStdString();
    EXPECT_EQ(F.Img().pixel(30, 20), Red);
    EXPECT_FALSE(Inked(F.Img(), 10, 10)); // corners stay empty
    EXPECT_EQ(F.Img().pixel(30, 10), Black);
    EXPECT_EQ(F.Img().pixel(30, 29), Black);
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
    TImageFixture F;
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
    EXPECT_TRUE(Inked(F.Img(), 85, 15) || Inked(F.Img(), 86, 14) || Inked(F.Img(), 85, 14) || Inked(F.Img(), 86, 15));
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
    TImageFixture F;
    F.DC->Pie(0, 0, 101, 101, 100, 50, 50, 0);
    EXPECT_EQ(F.Img().pixel(70, 30), Red);
    EXPECT_EQ(F.Img().pixel(30, 70), White);
    EXPECT_EQ(F.Img().pixel(30, 30), White);
    EXPECT_EQ(F.Img().pixel(75, 50), Black); // the horizontal radius
    EXPECT_EQ(F.Img().pixel(50, 25), Black); // the vertical radius
    EXPECT_EQ(F.Img().pixel(25, 50), White);
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
    for (int y = 3; y < 35; ++y) EXPECT_EQ(Inked(F.Img(), 10, y), y % 8 == 0) << y;
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
