#include "host/graphics.h"
#include <gtest/gtest.h>

TEST(Colors, SystemColoursComeFromTheFixedTable) {
    EXPECT_EQ(ColorToRGB(clBtnFace), RGB(240, 240, 240));
    EXPECT_EQ(ColorToRGB(clWindow), RGB(255, 255, 255));
    EXPECT_EQ(ColorToRGB(clWindowText), RGB(0, 0, 0));
    EXPECT_EQ(ColorToRGB(clHighlight), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(ColorToRGB(clRed), 0x0000FFu);
    EXPECT_EQ(ColorToRGB(clNavy), 0x800000u);
    EXPECT_EQ(GetSysColor(99), 0u);
    EXPECT_EQ(GetRValue(RGB(1, 2, 3)), 1);
    EXPECT_EQ(GetGValue(RGB(1, 2, 3)), 2);
    EXPECT_EQ(GetBValue(RGB(1, 2, 3)), 3);
}

TEST(Fonts, SizeAndHeightFollowEachOtherAtThePixelsPerInch) {
    TFont F;
    EXPECT_EQ(F.Name(), QStringLiteral("Arial"));
    EXPECT_EQ(F.PixelsPerInch(), 96);
    F.SetSize(10);
    EXPECT_EQ(F.Height(), -13);
    EXPECT_EQ(F.Size(), 10);
    F.SetPixelsPerInch(300);
    EXPECT_EQ(F.Height(), -13); // the height stays, so the size in points changes
    EXPECT_EQ(F.Size(), 3);
    F.SetSize(10);
    EXPECT_EQ(F.Height(), -42);
    F.SetPixelsPerInch(0); // refused: Size would divide by zero
    EXPECT_EQ(F.PixelsPerInch(), 300);
}

TEST(Fonts, ChangesSignalOnlyWhenSomethingChanged) {
    TFont F;
    int Count = 0;
    TFont* Sender = nullptr;
    F.OnChange = [&](TFont* S) {
        ++Count;
        Sender = S;
    };
    F.SetColor(clRed);
    F.SetColor(clRed);
    F.SetStyle(fsBold | fsItalic);
    F.SetName(QStringLiteral("Courier New"));
    F.SetName(QString()); // an empty name is refused
    EXPECT_EQ(Count, 3);
    EXPECT_EQ(Sender, &F);
    TFont Other;
    Other.SetSize(20);
    F.Assign(Other);
    EXPECT_EQ(Count, 4);
    EXPECT_TRUE(F == Other);
    // assigning across resolutions keeps the point size
    TFont Printer;
    Printer.SetPixelsPerInch(300);
    Printer.Assign(Other);
    EXPECT_EQ(Printer.PixelsPerInch(), 300);
    EXPECT_EQ(Printer.Size(), 20);
    EXPECT_EQ(Printer.Height(), -83);
    TFont Copy(F); // a copy is not bound to the original's listener
    Copy.SetSize(30);
    EXPECT_EQ(Count, 4);
}

TEST(Fonts, LogFontRoundTripsTheDescription) {
    TFont F;
    F.SetName(QStringLiteral("Times New Roman"));
    F.SetSize(12);
    F.SetStyle(fsBold | fsUnderline | fsStrikeOut);
    F.SetCharset(SYMBOL_CHARSET);
    F.SetPitch(fpFixed);
    TLogFont Lf = F.LogFont();
    EXPECT_EQ(Lf.lfHeight, -16);
    EXPECT_EQ(Lf.lfWeight, FW_BOLD);
    EXPECT_EQ(Lf.lfItalic, 0);
    EXPECT_EQ(Lf.lfUnderline, 1);
    EXPECT_EQ(Lf.lfStrikeOut, 1);
    EXPECT_EQ(Lf.lfCharSet, SYMBOL_CHARSET);
    EXPECT_EQ(Lf.lfPitchAndFamily & 3, FIXED_PITCH);
    EXPECT_EQ(Lf.lfFaceName, QStringLiteral("Times New Roman"));
    // the fields without a property of their own survive a round trip
    Lf.lfEscapement = 450;
    Lf.lfQuality = 3;
    Lf.lfWeight = 800;
    TFont G;
    G.SetLogFont(Lf);
    EXPECT_EQ(G.Style(), fsBold | fsUnderline | fsStrikeOut);
    EXPECT_EQ(G.Name(), QStringLiteral("Times New Roman"));
    TLogFont Back = G.LogFont();
    EXPECT_EQ(Back.lfEscapement, 450);
    EXPECT_EQ(Back.lfQuality, 3);
    EXPECT_EQ(Back.lfWeight, FW_BOLD); // weight comes from the style set
    // face names are cut to 31 characters
    G.SetName(QString(40, QLatin1Char('x')));
    EXPECT_EQ(G.LogFont().lfFaceName.size(), 31);
}

TEST(Pens, LogPenUsesTheStyleOrdinalsAndTheRgbColour) {
    TPen P;
    EXPECT_EQ(P.LogPen(), (TLogPen{PS_SOLID, 1, 0}));
    P.SetColor(clBtnShadow);
    P.SetWidth(3);
    P.SetStyle(psInsideFrame);
    EXPECT_EQ(P.LogPen(), (TLogPen{PS_INSIDEFRAME, 3, RGB(160, 160, 160)}));
    P.SetWidth(-1);
    EXPECT_EQ(P.Width(), 3);
    TPen Q;
    Q.SetLogPen(TLogPen{PS_DASHDOTDOT, 2, RGB(1, 2, 3)});
    EXPECT_EQ(Q.Style(), psDashDotDot);
    EXPECT_EQ(Q.Color(), TColor(RGB(1, 2, 3)));
    EXPECT_EQ(Q.Width(), 2);
    Q.SetLogPen(TLogPen{0x0F, 1, 0}); // no such style
    EXPECT_EQ(Q.Style(), psSolid);
}

TEST(Pens, ModesMapToTheirRasterOperations) {
    EXPECT_EQ(PenModeToROP2(pmBlack), 1);
    EXPECT_EQ(PenModeToROP2(pmCopy), 13);
    EXPECT_EQ(PenModeToROP2(pmXor), 7);
    EXPECT_EQ(PenModeToROP2(pmNotXor), 10);
    EXPECT_EQ(PenModeToROP2(pmNot), 6);
    EXPECT_EQ(PenModeToROP2(pmWhite), 16);
    EXPECT_EQ(PenModeToROP2(pmNop), 11);
    EXPECT_EQ(PenModeToROP2(pmMergePenNot), 14);
    EXPECT_EQ(PenModeToROP2(pmMaskNotPen), 3);
}

TEST(Brushes, HatchStylesBecomeHatchedRecordsAndBack) {
    TBrush B;
    EXPECT_EQ(B.LogBrush(), (TLogBrush{BS_SOLID, RGB(255, 255, 255), 0}));
    B.SetStyle(bsClear);
    EXPECT_EQ(B.LogBrush().lbStyle, BS_NULL);
    const TBrushStyle Styles[] = {bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross};
    const int Hatches[] = {HS_HORIZONTAL, HS_VERTICAL, HS_FDIAGONAL, HS_BDIAGONAL, HS_CROSS, HS_DIAGCROSS};
    for (int i = 0; i < 6; ++i) {
        B.SetStyle(Styles[i]);
        TLogBrush L = B.LogBrush();
        EXPECT_EQ(L.lbStyle, BS_HATCHED);
        EXPECT_EQ(L.lbHatch, Hatches[i]);
        TBrush C;
        C.SetLogBrush(L);
        EXPECT_EQ(C.Style(), Styles[i]);
    }
    TBrush C;
    C.SetLogBrush(TLogBrush{BS_PATTERN, RGB(9, 9, 9), 0});
    EXPECT_EQ(C.Style(), bsSolid);
    int Count = 0;
    C.OnChange = [&](TBrush*) { ++Count; };
    C.Assign(B);
    EXPECT_EQ(Count, 1);
    EXPECT_TRUE(C == B);
}

TEST(Geometry, RectanglesExcludeRightAndBottom) {
    TRect R = Rect(10, 20, 30, 25);
    EXPECT_EQ(R.Width(), 20);
    EXPECT_EQ(R.Height(), 5);
    EXPECT_EQ(Bounds(10, 20, 20, 5), R);
    EXPECT_TRUE(Rect(5, 5, 5, 10).IsEmpty());
}
