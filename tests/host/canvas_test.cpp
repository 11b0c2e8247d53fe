#include "host/canvas.h"
#include "support/pixelprobe.h"
#include <gtest/gtest.h>

namespace {
// A two-pixel red square at the drawable's own size.
class TSquare : public TDrawable {
public:
    bool Empty() const override { return false; }
    int Width() const override { return 2; }
    int Height() const override { return 2; }
    void StretchDrawOn(DeviceContext& DC, const TRect& R) const override {
        QImage I(2, 2, QImage::Format_RGB32);
        I.fill(Qt::red);
        DC.StretchDraw(R, I);
    }
};
} // namespace

TEST(Canvas, MakesObjectsOnlyWhenDrawingAndFreesThemWithTheHandle) {
    int Before = GdiObjectCount();
    TDeviceCaps C;
    C.HorzRes = C.VertRes = 100;
    auto DC = DeviceContext::CreateRecording(C);
    {
        TCanvas Canvas(DC.get());
        Canvas.Pen().SetColor(clRed);
        Canvas.Pen().SetWidth(2);
        Canvas.Brush().SetColor(clBlue);
        Canvas.Rectangle(0, 0, 10, 10);
        Canvas.Rectangle(0, 0, 20, 20); // nothing changed: no new objects
        Canvas.Brush().SetStyle(bsClear);
        Canvas.Rectangle(0, 0, 30, 30);
        EXPECT_EQ(GdiObjectCount(), Before + 2);
    }
    EXPECT_EQ(GdiObjectCount(), Before);
    EXPECT_EQ(DC->Log()->Text().toStdString(), std::string("SelectObject pen 0 2 0x0000FF\n"
                                                           "SetROP2 13\n"
                                                           "SelectObject brush 0 0xFF0000 0\n"
                                                           "SetBkColor 0xFF0000\n"
                                                           "SetBkMode 2\n"
                                                           "Rectangle 0 0 10 10\n"
                                                           "Rectangle 0 0 20 20\n"
                                                           "SelectObject brush 1 0xFF0000 0\n"
                                                           "SetBkColor 0xFF0000\n"
                                                           "SetBkMode 1\n"
                                                           "Rectangle 0 0 30 30\n"
                                                           "SelectObject stock 13\n"
                                                           "SelectObject stock 7\n"
                                                           "SelectObject stock 5"));
}

TEST(Canvas, FontIsMadeForTheDeviceResolution) {
    auto DC = DeviceContext::CreateImage(10, 10, 300, 300);
    TCanvas Canvas(DC.get());
    EXPECT_EQ(Canvas.Font().Size(), 8);
    EXPECT_EQ(Canvas.Font().Height(), -33);
    Canvas.Font().SetSize(10);
    EXPECT_EQ(Canvas.Font().Height(), -42);
    TFont Screen; // a font set up on a 96 pixels-per-inch screen keeps its point size
    Screen.SetSize(10);
    Canvas.SetFont(Screen);
    TTextMetric M;
    Canvas.TextHeight(QStringLiteral("x"));
    DC->GetTextMetrics(M);
    EXPECT_EQ(M.tmHeight - M.tmInternalLeading, 42);
}

TEST(Canvas, TextRectFillsWithTheBrushAndClips) {
    auto DC = DeviceContext::CreateImage(100, 50, 96, 96);
    TCanvas Canvas(DC.get());
    Canvas.Brush().SetColor(clRed);
    Canvas.TextRect(Rect(10, 10, 40, 20), 10, 5, QStringLiteral("WWWWWWWW"));
    EXPECT_EQ(InkBounds(*DC->Image()), QRect(10, 10, 30, 10));
    EXPECT_GT(CountColor(*DC->Image(), 0xFFFF0000), 0);
}

TEST(Canvas, DrawsImagesAndDrawablesAtTheirSize) {
    auto DC = DeviceContext::CreateImage(50, 50, 96, 96);
    TCanvas Canvas(DC.get());
    QImage I(3, 4, QImage::Format_RGB32);
    I.fill(Qt::blue);
    Canvas.Draw(5, 6, I);
    EXPECT_EQ(InkBounds(*DC->Image()), QRect(5, 6, 3, 4));
    Canvas.Draw(20, 20, TSquare());
    EXPECT_EQ(InkBounds(*DC->Image(), 0xFFFFFFFF, QRect(15, 15, 30, 30)), QRect(20, 20, 2, 2));
    Canvas.StretchDraw(Rect(30, 30, 40, 35), TSquare());
    EXPECT_EQ(InkBounds(*DC->Image(), 0xFFFFFFFF, QRect(25, 25, 25, 25)), QRect(30, 30, 10, 5));
    EXPECT_EQ(Canvas.Pixel(31, 31), RGB(255, 0, 0));
}

TEST(Canvas, TextOutLeavesThePenAtTheEndOfTheText) {
    auto DC = DeviceContext::CreateMeasuring(96, 96);
    TCanvas Canvas(DC.get());
    Canvas.Font().SetSize(10);
    Canvas.TextOut(7, 9, QStringLiteral("Hello World"));
    EXPECT_EQ(Canvas.PenPos(), Point(7 + 66, 9));
    EXPECT_EQ(Canvas.TextWidth(QStringLiteral("Hello World")), 66);
    EXPECT_EQ(DC->Log(), nullptr); // a measuring device keeps no log
}

TEST(Canvas, XorPenModeUndoesItselfWhenDrawnTwice) {
    auto DC = DeviceContext::CreateImage(40, 40, 96, 96);
    TCanvas Canvas(DC.get());
    Canvas.Pen().SetMode(pmXor);
    Canvas.Pen().SetColor(clWhite);
    Canvas.MoveTo(5, 5);
    Canvas.LineTo(30, 5);
    EXPECT_EQ(CountColor(*DC->Image(), 0xFF000000), 25);
    Canvas.MoveTo(5, 5);
    Canvas.LineTo(30, 5);
    EXPECT_EQ(InkBounds(*DC->Image()), QRect());
}
