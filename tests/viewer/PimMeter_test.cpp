#include "host/controls.h"
#include "host/devicecontext.h"
#include "support/devices.h"
#include "support/pixelprobe.h"
#include "viewer/PimMeter.h"

#include <QWidget>
#include <gtest/gtest.h>

namespace {

struct TPainted {
    QImage Image;
    QStringList Texts; // the text calls of the paint
};

// The meter painted into a white 100 x 20 image that logs its calls.
TPainted Paint(TPimMeter& M) {
    M.SetBounds(0, 0, 100, 20);
    auto DC = DeviceContext::CreateRecordingImage(ScreenCaps(96, 100, 20));
    M.PaintTo(*DC);
    return {*DC->Image(), DC->Log()->Only({QStringLiteral("ExtTextOut")})};
}

const QRgb Red = qRgb(255, 0, 0);
const QRgb Black = qRgb(0, 0, 0);

} // namespace

TEST(PimMeter, DrawsTheBarForTheFractionDoneWithThePercentCentredOverIt) {
    TPimMeter M(nullptr);
    EXPECT_EQ(M.PercentText(), QStringLiteral("0.0%"));
    M.SetMax(200);
    M.SetProgress(91);
    EXPECT_EQ(M.PercentText(), QStringLiteral("45.5%"));
    TPainted P = Paint(M);
    ASSERT_EQ(P.Texts.size(), 1);
    EXPECT_TRUE(P.Texts[0].startsWith(QStringLiteral("ExtTextOut 50 "))) << P.Texts[0].toStdString();
    EXPECT_TRUE(P.Texts[0].endsWith(QStringLiteral("\"45.5%\""))) << P.Texts[0].toStdString();

    // A black frame round the whole control, the bar from x 1 to Round(100 * 0.455) - 1 = 45 (not
    // included) over rows 1 to 18, white beyond it; the text lies in the middle.
    const QImage& I = P.Image;
    for (int X = 0; X < 100; ++X) {
        EXPECT_EQ(I.pixel(X, 0) & 0xFFFFFF, Black & 0xFFFFFF) << X;
        EXPECT_EQ(I.pixel(X, 19) & 0xFFFFFF, Black & 0xFFFFFF) << X;
    }
    EXPECT_EQ(I.pixel(0, 10) & 0xFFFFFF, Black & 0xFFFFFF);
    EXPECT_EQ(I.pixel(99, 10) & 0xFFFFFF, Black & 0xFFFFFF);
    EXPECT_EQ(CountColor(I, Red, QRect(1, 1, 20, 18)), 20 * 18);
    EXPECT_EQ(CountColor(I, Red, QRect(44, 1, 1, 18)), 18 - CountColor(I, Black, QRect(44, 1, 1, 18)));
    EXPECT_EQ(CountColor(I, Red, QRect(45, 1, 54, 18)), 0);
    EXPECT_EQ(CountColor(I, qRgb(255, 255, 255), QRect(80, 1, 19, 18)), 19 * 18);
    // The text: what is neither bar nor field inside the frame, centred on x = 50.
    QRect Text;
    for (int Y = 1; Y < 19; ++Y)
        for (int X = 1; X < 99; ++X)
            if ((I.pixel(X, Y) & 0xFFFFFF) != (Red & 0xFFFFFF) && (I.pixel(X, Y) & 0xFFFFFF) != 0xFFFFFF)
                Text |= QRect(X, Y, 1, 1);
    EXPECT_NEAR(Text.center().x(), 50, 1) << PixelMap(I, QRect(0, 0, 100, 20)).toStdString();
    EXPECT_GT(Text.width(), 15);
    EXPECT_NEAR(Text.center().y(), 10, 2);

    // Past the maximum: the whole bar and 100.0%.
    M.SetProgress(500);
    P = Paint(M);
    EXPECT_EQ(M.PercentText(), QStringLiteral("100.0%"));
    EXPECT_EQ(CountColor(P.Image, Red, QRect(80, 1, 18, 18)), 18 * 18);
    EXPECT_EQ(CountColor(P.Image, Red, QRect(99, 1, 1, 18)), 0);

    // Too little to reach past the border draws no bar rather than one running leftwards; so do
    // Progress at Min and Min at Max.
    for (auto [Min, Max, Progress] : {std::tuple{0, 100, 1}, {0, 100, 0}, {5, 5, 9}, {10, 100, 3}}) {
        M.SetMin(Min);
        M.SetMax(Max);
        M.SetProgress(Progress);
        P = Paint(M);
        EXPECT_EQ(CountColor(P.Image, Red), 0) << Min << " " << Max << " " << Progress;
    }
    EXPECT_EQ(M.PercentText(), QStringLiteral("0.0%"));

    // No border and no text: a plain white field with the bar.
    M.SetMin(0);
    M.SetMax(100);
    M.SetProgress(50);
    M.SetBorderStyle(bsNone);
    M.SetShowText(false);
    M.SetMeterColor(clYellow);
    P = Paint(M);
    EXPECT_TRUE(P.Texts.isEmpty());
    EXPECT_EQ(CountColor(P.Image, qRgb(255, 255, 0)), 48 * 18); // x 1 .. 48, rows 1 .. 18
    EXPECT_EQ(CountColor(P.Image, Black), 0);
}

TEST(PimMeter, RepaintsOnlyWhenAValueChanges) {
    TPimMeter M(nullptr);
    int Repaints = 0;
    SetInvalidateHook([&](TControl* C) {
        if (C == &M) ++Repaints;
    });
    M.SetProgress(0);
    M.SetMin(0);
    M.SetMax(100);
    M.SetMeterColor(clRed);
    M.SetBackGroundColor(clWhite);
    M.SetBorderStyle(bsSingle);
    M.SetStyle(msHorizontal);
    M.SetShowText(true);
    EXPECT_EQ(Repaints, 0);
    M.SetProgress(1);
    M.SetProgress(1);
    M.SetMax(99);
    M.SetShowText(false);
    EXPECT_EQ(Repaints, 3);
    SetInvalidateHook(nullptr);

    // The widget paints what the meter draws.
    M.SetShowText(true);
    M.SetProgress(99);
    M.SetBounds(0, 0, 100, 20);
    ASSERT_NE(M.Widget(), nullptr);
    const QImage Shown = M.Widget()->grab().toImage();
    EXPECT_EQ(Shown.size(), QSize(100, 20));
    EXPECT_GT(CountColor(Shown, Red), 1000);
}
