#include "host/classes.h"
#include "host/dialogs.h"
#include "host/exceptions.h"
#include "host/streams.h"
#include "output/PimUtil.h"

#include "support/pixelprobe.h"
#include "support/scripteddialogs.h"
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

void* Tag(intptr_t i) {
    return reinterpret_cast<void*>(i * 8 + 8);
}

} // namespace

TEST(PimList, KeepsEveryItemAcrossChunkBoundaries) {
    for (const int n : {999, 1000, 1001, 2500}) {
        TPimList List;
        for (int i = 0; i < n; ++i)
            ASSERT_EQ(List.Add(Tag(i)), i);
        EXPECT_EQ(List.Count(), n);
        for (int i = 0; i < n; ++i)
            ASSERT_EQ(List.Items(i), Tag(i)) << n << " items, item " << i;
        EXPECT_THROW(List.Items(n), EListError) << n;
        EXPECT_THROW(List.Items(-1), EListError);
    }
}

TEST(PimList, ItemAfterTheFirstThousandStartsTheSecondChunk) {
    TPimList List;
    for (int i = 0; i < 1000; ++i)
        List.Add(Tag(i));
    // A full first chunk, no second one yet: index 1000 lies past the chunks.
    EXPECT_THROW(List.Items(1000), EListError);
    EXPECT_EQ(List.Add(Tag(1000)), 1000);
    EXPECT_EQ(List.Items(1000), Tag(1000));
    EXPECT_EQ(List.Items(999), Tag(999));
}

TEST(PimList, ClearLeavesTheItemsAliveAndStartsAgain) {
    std::vector<int> Values(1500, 7);
    TPimList List;
    for (int& v : Values)
        List.Add(&v);
    List.Clear();
    EXPECT_EQ(List.Count(), 0);
    EXPECT_THROW(List.Items(0), EListError);
    for (const int v : Values)
        ASSERT_EQ(v, 7);
    EXPECT_EQ(List.Add(&Values[3]), 0);
    EXPECT_EQ(List.Items(0), &Values[3]);
}

TEST(PlaceableMetafile, FillPlaceHeadSetsKeyAndChecksum) {
    TPimPlaceMetaHeader h;
    h.Hmf = 5;
    h.Reserved = 77;
    h.BBox.Left = 0;
    h.BBox.Top = 0;
    h.BBox.Right = 1000;
    h.BBox.Bottom = -2;
    h.Inch = 1440;
    PimFillPlaceHead(h);
    EXPECT_EQ(h.Key, 0x9AC6CDD7u);
    EXPECT_EQ(h.Hmf, 0);
    EXPECT_EQ(h.Reserved, 0u);
    EXPECT_EQ(h.BBox.Right, 1000);
    EXPECT_EQ(h.Inch, 1440);
    // CDD7 ^ 9AC6 ^ 03E8 ^ FFFE ^ 05A0
    EXPECT_EQ(h.CheckSum, 0xCDD7 ^ 0x9AC6 ^ 0x03E8 ^ 0xFFFE ^ 0x05A0);
}

TEST(PlaceableMetafile, RecognisedByKeyAfterRewindingAndLeftBehindTheHeader) {
    const uint8_t Head[22] = {0xD7, 0xCD, 0xC6, 0x9A, 0,    0, 0, 0, 0, 0,    0xE8,
                              0x03, 0xE8, 0x03, 0xA0, 0x05, 0, 0, 0, 0, 0x12, 0x34};
    TMemoryStream s;
    s.WriteBuffer(Head, 22);
    s.WriteUInt32(1);
    s.SetPosition(7);
    EXPECT_TRUE(PimIsPlaceableMetaFile(s)); // a wrong checksum is not looked at
    EXPECT_EQ(s.Position(), 22);

    TMemoryStream Short;
    Short.WriteBuffer(Head, 21);
    EXPECT_FALSE(PimIsPlaceableMetaFile(Short));

    TMemoryStream Other;
    Other.WriteBuffer(Head, 22);
    Other.Memory()[0] = 0xD6;
    EXPECT_FALSE(PimIsPlaceableMetaFile(Other));
}

TEST(PimStrings, BlanksTrimsAndBytes) {
    EXPECT_TRUE(PimEmpty(QStringLiteral("   ")));
    EXPECT_TRUE(PimEmpty(QString()));
    EXPECT_FALSE(PimEmpty(QStringLiteral(" a")));

    const QString Long = QString(295, u'x') + QStringLiteral("     ");
    EXPECT_EQ(PimRightTrim(Long), QString(295, u'x'));
    EXPECT_EQ(PimRightTrim(QStringLiteral("  a b  ")), QStringLiteral("  a b"));
    EXPECT_EQ(PimRightTrim(QStringLiteral("   ")), QString());

    const char a[] = "abcdef", b[] = "abcxef";
    EXPECT_TRUE(PimIsPCharEqual(a, b, 3));
    EXPECT_FALSE(PimIsPCharEqual(a, b, 4));
    EXPECT_TRUE(PimIsPCharEqual(a, b, 0));
}

TEST(PimStrings, StrToPCharGivesAPrivateTerminatedBuffer) {
    const QString Original = QStringLiteral("abc");
    QString S = Original;
    char16_t* p = PimStrToPChar(S);
    EXPECT_EQ(p[3], u'\0');
    p[0] = u'z';
    EXPECT_EQ(S, QStringLiteral("zbc"));
    EXPECT_EQ(Original, QStringLiteral("abc"));

    QString Empty;
    char16_t* e = PimStrToPChar(Empty);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e[0], u'\0');
}

TEST(PimStrings, IntToStrCoversTheWholeRange) {
    EXPECT_EQ(PimIntToStr(-205), QStringLiteral("-205"));
    EXPECT_EQ(PimIntToStr(0), QStringLiteral("0"));
    EXPECT_EQ(PimIntToStr(INT_MAX), QStringLiteral("2147483647"));
    EXPECT_EQ(PimIntToStr(INT_MIN), QStringLiteral("-2147483648"));
    EXPECT_DOUBLE_EQ(PimInchToMM(2), 50.8);
    EXPECT_DOUBLE_EQ(PimMMtoInch(50.8), 2);
}

TEST(PimTempFile, MakesAnEmptyFileWithTheFirstThreeLettersOfThePrefix) {
    const QString Name = PimGetTempFile(QStringLiteral("Pimxyz"));
    ASSERT_FALSE(Name.isEmpty());
    const QFileInfo Info(Name);
    EXPECT_TRUE(Info.exists());
    EXPECT_EQ(Info.size(), 0);
    // "Pim", six random letters or digits, ".tmp": the rest of the prefix is dropped.
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Pim[A-Za-z0-9]{6}\\.tmp$")).match(Info.fileName()).hasMatch())
        << Info.fileName().toStdString();
    const QString Second = PimGetTempFile(QStringLiteral("Pim"));
    EXPECT_NE(Second, Name);
    QFile::remove(Name);
    QFile::remove(Second);

    EXPECT_EQ(PimGetTempFile(QStringLiteral("a/")), QString()); // no such directory
}

TEST(PaperSizes, PortraitAndLandscapeInBothUnits) {
    double x = -1, y = -1;
    PimPaperSizeInch(1, 9, x, y);
    EXPECT_DOUBLE_EQ(x, 210 / 25.4);
    EXPECT_DOUBLE_EQ(y, 297 / 25.4);
    PimPaperSizeInch(2, 9, x, y);
    EXPECT_DOUBLE_EQ(x, 297 / 25.4);
    EXPECT_DOUBLE_EQ(y, 210 / 25.4);
    PimPaperSizeMM(1, 1, x, y);
    EXPECT_DOUBLE_EQ(x, 215.9);
    EXPECT_DOUBLE_EQ(y, 279.4);
    PimPaperSizeMM(0, 9, x, y); // any orientation but landscape is portrait
    EXPECT_DOUBLE_EQ(x, 210);
    EXPECT_DOUBLE_EQ(y, 297);
    PimPaperSizeInch(1, 5, x, y);
    EXPECT_DOUBLE_EQ(x, 8.5);
    EXPECT_DOUBLE_EQ(y, 14);
    PimPaperSizeUnit(1, 9, x, y, 7); // an unknown unit converts nothing
    EXPECT_DOUBLE_EQ(x, 210);
    PimPaperSizeUnit(1, 1, x, y, 7);
    EXPECT_DOUBLE_EQ(x, 8.5);
}

TEST(PaperSizes, UnlistedNumbersAreZeroByZero) {
    for (const int n : {0, -1, 48, 49, 71, 84, 91, 106, 119, 255, 256, 257}) {
        double x = -1, y = -1;
        PimPaperSizeMM(1, n, x, y);
        EXPECT_EQ(x, 0) << n;
        EXPECT_EQ(y, 0) << n;
    }
}

TEST(PaperSizes, SizesMatchThePapersTheyName) {
    const struct {
        int Number;
        double Width, Height; // portrait, millimetres
    } Cases[] = {
        {22, 4.5 * 25.4, 11 * 25.4},  // #12 envelope, as wide as #11
        {35, 125, 176},               // B6 envelope
        {50, 9.5 * 25.4, 12 * 25.4},  // letter extra
        {51, 9.5 * 25.4, 15 * 25.4},  // legal extra
        {54, 8.5 * 25.4, 11 * 25.4},  // letter transverse
        {56, 9.5 * 25.4, 12 * 25.4},  // letter extra transverse
        {4, 17 * 25.4, 11 * 25.4},    // ledger lies on its long side
        {8, 297, 420},
        {12, 250, 354},
        {27, 110, 220},
        {53, 9.27 * 25.4, 12.69 * 25.4},
        {66, 420, 594},
        {70, 105, 148},
        {75, 11 * 25.4, 8.5 * 25.4},
        {118, 458, 324},
    };
    for (const auto& c : Cases) {
        double x = 0, y = 0;
        PimPaperSizeMM(1, c.Number, x, y);
        EXPECT_NEAR(x, c.Width, 1e-9) << c.Number;
        EXPECT_NEAR(y, c.Height, 1e-9) << c.Number;
    }
}

TEST(FormNames, LookupBothWays) {
    EXPECT_EQ(PimGetForm(QStringLiteral("a4")), 8);
    EXPECT_EQ(PimGetForm(QStringLiteral("A6")), -1);
    EXPECT_EQ(PimGetForm(QStringLiteral("Env_10")), 19);
    EXPECT_EQ(PimGetForm(QString()), -1);
    EXPECT_EQ(PimGetForm(QString(300, u'A')), -1);
    for (int i = 0; i < PimFormNameCount; ++i)
        EXPECT_EQ(PimGetForm(QString::fromLatin1(PimFormNames[static_cast<size_t>(i)])), i);
    EXPECT_STREQ(PimFormNames[0], "LETTER");
    EXPECT_STREQ(PimFormNames[25], "ESHEET");
    // The form with index i is paper number i + 1.
    double x = 0, y = 0;
    PimPaperSizeMM(1, PimGetForm(QStringLiteral("a3")) + 1, x, y);
    EXPECT_DOUBLE_EQ(x, 297);
    EXPECT_DOUBLE_EQ(y, 420);
}

TEST(AbortQuestion, ReturnsEachOfTheThreeAnswers) {
    const QString Text = QStringLiteral("Yes      - Discard Report\rNo       - Retain partial report\r"
                                        "Cancel - Continue generating report");
    for (const int Answer : {IDYES, IDNO, IDCANCEL}) {
        TScriptedDialogs Dialogs;
        Dialogs.Answer(Answer);
        EXPECT_EQ(PimAskAbort(), Answer);
        ASSERT_EQ(Dialogs.MessageCount(), 1);
        EXPECT_EQ(Dialogs.Last().Caption, QStringLiteral("Abort Report?"));
        EXPECT_EQ(Dialogs.Last().Text, Text);
        EXPECT_EQ(Dialogs.Last().Buttons, mbYesNoCancel);
    }
}

TEST(AbortQuestion, ClosingTheBoxMeansGoOn) {
    TScriptedDialogs Dialogs;
    Dialogs.Answer(mrClose);
    EXPECT_EQ(PimAskAbort(), IDCANCEL);
}

TEST(Ancestors, OnlyComponentsIntroducedInAnAncestorCount) {
    EXPECT_FALSE(PimIsAncestor(nullptr));
    TComponent c(nullptr);
    EXPECT_FALSE(PimIsAncestor(&c));
    c.IncludeState(csAncestor);
    EXPECT_TRUE(PimIsAncestor(&c));
}

namespace {

TDeviceCaps PrinterCaps(int PPIX, int PPIY) {
    TDeviceCaps c;
    c.Technology = DT_RASPRINTER;
    c.LogPixelsX = PPIX;
    c.LogPixelsY = PPIY;
    c.PhysicalWidth = PPIX * 17 / 2;
    c.PhysicalHeight = PPIY * 11;
    c.PhysicalOffsetX = PPIX / 4;
    c.PhysicalOffsetY = PPIY / 5;
    c.HorzRes = c.PhysicalWidth - PPIX / 2;
    c.VertRes = c.PhysicalHeight - PPIY / 2;
    return c;
}

// A recording device at 96 pixels per inch with Arial 12 pt selected; the font goes with it.
struct TTextFixture {
    std::unique_ptr<DeviceContext> DC;
    HFONT Font = 0;
    TTextFixture() {
        DC = DeviceContext::CreateRecording(PrinterCaps(96, 96));
        TLogFont lf;
        lf.lfHeight = -16;
        lf.lfFaceName = QStringLiteral("Arial");
        Font = CreateFontIndirect(lf);
        DC->SelectObject(Font);
        DC->Log()->Clear();
    }
    ~TTextFixture() {
        DC.reset();
        DeleteObject(Font);
    }
    int Width(const QString& s) const {
        TSize Size;
        DC->GetTextExtentPoint32(s, Size);
        return Size.cx;
    }
    int CpX() const {
        TPoint p;
        DC->GetCurrentPositionEx(p);
        return p.X;
    }
    QStringList Moves() const { return DC->Log()->Only({QStringLiteral("MoveToEx")}); }
    QStringList Texts() const { return DC->Log()->Only({QStringLiteral("TextOut")}); }
};

QString Move(int X, int Y) {
    return QStringLiteral("MoveToEx %1 %2").arg(X).arg(Y);
}

} // namespace

TEST(Mapping, ScaleSetsExtentsFromPercentagesOnAnAnisotropicDevice) {
    auto DC = DeviceContext::CreateRecording(PrinterCaps(300, 600));
    PimScale(DC.get(), 96, 96, 300, 600, 50, 150);
    EXPECT_EQ(DC->GetMapMode(), MM_ANISOTROPIC);
    TSize Win, View;
    DC->GetWindowExtEx(Win);
    DC->GetViewportExtEx(View);
    EXPECT_EQ(Win, (TSize{96, 96}));
    EXPECT_EQ(View, (TSize{150, 900}));

    PimScale(DC.get(), 1, 1, 5, 7, 50, 50); // 2.5 and 3.5 go to the even neighbour
    DC->GetViewportExtEx(View);
    EXPECT_EQ(View, (TSize{2, 4}));

    DC->Log()->Clear();
    PimScale(DC.get(), 300, 600, 300, 600, 100, 100);
    EXPECT_EQ(DC->Log()->Calls, QStringList{QStringLiteral("SetMapMode 8")});
}

TEST(Mapping, OriginAndScaledRectFollowEachAxisResolution) {
    auto DC = DeviceContext::CreateRecording(PrinterCaps(300, 600));
    PimScale(DC.get(), 96, 96, 300, 600, 50, 150);
    PimSetOrigin(DC.get(), 96, 96, 10, 20);
    TPoint Org;
    DC->GetViewportOrgEx(Org);
    EXPECT_EQ(Org, Point(31, 125)); // 31.25 and 125
    TPoint p[1] = {Point(96, 96)};
    DC->LPtoDP(p, 1);
    EXPECT_EQ(p[0], Point(31 + 150, 125 + 900));

    // sx = 150, sy = 1200 pixels per 96 units
    EXPECT_EQ(PimScaleRect(DC.get(), 96, 96, Rect(10, 20, 109, 69), 50, 200), Rect(16, 250, 171, 874));
    EXPECT_EQ(PimScaleRect(DC.get(), 300, 600, Rect(0, 0, 299, 599), 100, 100), Rect(0, 0, 299, 599));
}

TEST(DeviceCaps, ReportResolutionSizesAndTechnology) {
    auto DC = DeviceContext::CreateRecording(PrinterCaps(600, 300));
    EXPECT_FALSE(PimIsScreen(DC.get()));
    EXPECT_EQ(PimGetResolution(DC.get()), Point(600, 300));
    EXPECT_EQ(PimGetPhysicalSize(DC.get()), Point(5100, 3300));
    EXPECT_EQ(PimGetPhysicalOffset(DC.get()), Point(150, 60));
    EXPECT_EQ(PimGetPrintableSize(DC.get()), Point(4800, 3150));
    EXPECT_EQ(PimGetPrintableArea(DC.get()), Rect(150, 60, 4950, 3210));

    TDeviceCaps Screen = PrinterCaps(96, 96);
    Screen.Technology = DT_RASDISPLAY;
    EXPECT_TRUE(PimIsScreen(DeviceContext::CreateRecording(Screen).get()));
    EXPECT_FALSE(PimIsScreen(nullptr));
}

TEST(DeviceCaps, GetObjectGivesTheRecordOfItsKindOnly) {
    TLogFont lf;
    lf.lfHeight = -20;
    lf.lfFaceName = QStringLiteral("Courier New");
    const HFONT Font = CreateFontIndirect(lf);
    const HPEN Pen = CreatePen(PS_DOT, 1, RGB(1, 2, 3));
    TLogFont Got;
    EXPECT_GT(PimGetObject(Font, Got), 0);
    EXPECT_EQ(Got.lfFaceName, QStringLiteral("Courier New"));
    EXPECT_EQ(Got.lfHeight, -20);
    EXPECT_EQ(PimGetObject(Pen, Got), 0);
    TLogPen lp;
    EXPECT_GT(PimGetObject(Pen, lp), 0);
    EXPECT_EQ(lp.lopnStyle, PS_DOT);
    EXPECT_EQ(PimGetObject(0, lp), 0);
    DeleteObject(Font);
    DeleteObject(Pen);
}

TEST(Shading, FillsWithTheShadePatternAndFreesTheBrush) {
    auto DC = DeviceContext::CreateRecording(PrinterCaps(96, 96));
    const int Objects = GdiObjectCount();
    PimShadeRect(DC.get(), Rect(10, 20, 110, 70), spVeryDark);
    PimShadeRect(DC.get(), Rect(0, 0, 8, 8), spLight);
    PimShadeRect(DC.get(), Rect(0, 0, 8, 8), static_cast<TPimShadePercent>(9));
    PimShadeRect(DC.get(), Rect(0, 0, 8, 8), spNone);
    EXPECT_EQ(DC->Log()->Calls,
              (QStringList{QStringLiteral("SetBkMode 1"),
                           QStringLiteral("FillRect 10 20 110 70 brush pattern 55AA55AA55AA55AA"),
                           QStringLiteral("SetBkMode 1"),
                           QStringLiteral("FillRect 0 0 8 8 brush pattern FFBFFFFFFFFDFFFF"),
                           QStringLiteral("SetBkMode 1"),
                           QStringLiteral("FillRect 0 0 8 8 brush pattern FBF7BEDFFB7DEFBF")}));
    EXPECT_EQ(GdiObjectCount(), Objects);
}

TEST(Shading, DarkBitsTakeTheTextColourOnAnImage) {
    auto DC = DeviceContext::CreateRecordingImage(PrinterCaps(96, 96));
    DC->SetTextColor(RGB(0, 0, 0));
    PimShadeRect(DC.get(), Rect(16, 8, 24, 16), spVeryDark);
    const QImage& Img = *DC->Image();
    // Row 8 is pattern row 0 (55: the first, third, ... pixels dark), row 9 is AA.
    EXPECT_EQ(Img.pixel(16, 8), 0xFF000000u);
    EXPECT_EQ(Img.pixel(18, 8), 0xFF000000u);
    EXPECT_EQ(Img.pixel(17, 9), 0xFF000000u);
    EXPECT_EQ(Img.pixel(24, 8), 0xFFFFFFFFu); // right edge excluded
    EXPECT_EQ(CountColor(Img, 0xFF000000), 32);
}

TEST(CheckBoxes, CrossAndCheckStrokesInATenPixelBox) {
    auto DC = DeviceContext::CreateRecording(PrinterCaps(96, 96));
    const int Objects = GdiObjectCount();
    PimDrawCheckBox(DC.get(), Rect(0, 0, 9, 9), acsCross, clRed, 3);
    PimDrawCheckBox(DC.get(), Rect(0, 0, 9, 9), acsCheck, clRed, 1);
    EXPECT_EQ(
        DC->Log()->Calls,
        (QStringList{QStringLiteral("SelectObject pen 0 3 0x0000FF"), QStringLiteral("SetROP2 13"),
                     Move(2, 2), QStringLiteral("LineTo 8 8"), Move(8, 2), QStringLiteral("LineTo 2 8"),
                     QStringLiteral("SelectObject stock 7"), QStringLiteral("SelectObject pen 0 1 0x0000FF"),
                     QStringLiteral("SetROP2 13"), Move(8, 2), QStringLiteral("LineTo 6 8"),
                     QStringLiteral("LineTo 4 5"), QStringLiteral("SelectObject stock 7")}));
    EXPECT_EQ(GdiObjectCount(), Objects);
}

TEST(CheckBoxes, MarginsScaleWithTheBoxAndColoursResolve) {
    auto DC = DeviceContext::CreateRecording(PrinterCaps(96, 96));
    PimDrawCheckBox(DC.get(), Rect(10, 20, 109, 69), acsCheck, clWindowText, 2);
    const QString Pen = QStringLiteral("SelectObject pen 0 2 0x") +
                        QString::number(ColorToRGB(clWindowText), 16).rightJustified(6, u'0').toUpper();
    EXPECT_EQ(DC->Log()->Calls,
              (QStringList{Pen, QStringLiteral("SetROP2 13"), Move(90, 25), QStringLiteral("LineTo 60 65"),
                           QStringLiteral("LineTo 40 45"), QStringLiteral("SelectObject stock 7")}));
}

TEST(Shapes, ArcChordPieAndPolygonsByType) {
    auto DC = DeviceContext::CreateRecording(PrinterCaps(96, 96));
    PimDrawShapeType(DC.get(), dtArc, 1, 2, 3, 4, 5, 6, 7, 8);
    PimDrawShapeType(DC.get(), dtChord, 10, 20, 30, 40, 50, 60, 70, 80);
    PimDrawShapeType(DC.get(), dtPie, 0, 0, 100, 50, 100, 25, 0, 25);
    PimDrawShapeType(DC.get(), static_cast<TPimDrawType>(3), 0, 0, 1, 1, 0, 0, 1, 1);
    const TPoint Points[3] = {Point(0, 0), Point(10, 0), Point(5, 8)};
    PimPolyDrawType(DC.get(), ptPolygon, Points, 3);
    PimPolyDrawType(DC.get(), ptPolyLine, Points, 2);
    PimPolyDrawType(DC.get(), static_cast<TPimPolyType>(2), Points, 3);
    PimPolyDrawType(DC.get(), ptPolygon, nullptr, 3);
    EXPECT_EQ(
        DC->Log()->Calls,
        (QStringList{QStringLiteral("Arc 1 2 3 4 5 6 7 8"), QStringLiteral("Chord 10 20 30 40 50 60 70 80"),
                     QStringLiteral("Pie 0 0 100 50 100 25 0 25"), QStringLiteral("Polygon 3 0,0 10,0 5,8"),
                     QStringLiteral("Polyline 2 0,0 10,0")}));
}

TEST(JustifiedText, StretchedLineFillsItsBoxWithTheSmallerGapFirst) {
    TTextFixture F;
    const QString Text = QStringLiteral("ab cd ef");
    const int w = F.Width(Text);
    const int Right = 10 + w + 41; // 41 extra pixels over two blanks: 20, then 21
    PimTextJustify(F.DC.get(), Rect(10, 0, Right, 20), 10, 5, Text, false, Rect(10, 0, Right, 20));
    const int g1 = 10 + F.Width(QStringLiteral("ab ")) + 20;
    const int g2 = g1 + F.Width(QStringLiteral("cd ")) + 21;
    EXPECT_EQ(F.Moves(), (QStringList{Move(10, 5), Move(g1, 5), Move(g2, 5)}));
    EXPECT_EQ(F.CpX(), Right);
    EXPECT_EQ(F.Texts().size(), 8);
    EXPECT_EQ(F.DC->GetTextAlign(), 0u); // update-current-position switched off again
}

TEST(JustifiedText, EndOfParagraphIsAlignedLeftRightOrCentred) {
    TTextFixture F;
    const QString Text = QStringLiteral("ab cd  ");
    const int w = F.Width(QStringLiteral("ab cd"));
    const TRect Line = Rect(0, 0, 300, 20);

    PimTextJustify(F.DC.get(), Line, 50, 5, Text, true, Line);
    EXPECT_EQ(F.Moves().first(), Move(50, 5));
    EXPECT_EQ(F.CpX(), 50 + w);
    EXPECT_EQ(F.Texts().size(), 5); // trailing blanks are not drawn

    F.DC->Log()->Clear();
    F.DC->SetTextAlign(TA_RIGHT);
    PimTextJustify(F.DC.get(), Line, 250, 5, Text, true, Line);
    EXPECT_EQ(F.Moves().first(), Move(250, 5));
    EXPECT_TRUE(F.Texts().first().endsWith(QStringLiteral("\"d\"")));
    EXPECT_EQ(F.CpX(), 250 - w);
    EXPECT_EQ(F.DC->GetTextAlign(), uint32_t(TA_RIGHT));

    F.DC->Log()->Clear();
    F.DC->SetTextAlign(TA_CENTER);
    PimTextJustify(F.DC.get(), Line, 150, 5, Text, true, Line);
    EXPECT_EQ(F.Moves().first(), Move(150 - w / 2, 5));
    EXPECT_EQ(F.CpX(), 150 - w / 2 + w);
    EXPECT_EQ(F.DC->GetTextAlign(), uint32_t(TA_CENTER));
}

TEST(JustifiedText, AlignedTextStaysInsideTheFullBox) {
    TTextFixture F;
    const QString Text = QStringLiteral("Total");
    const int w = F.Width(Text);
    F.DC->SetTextAlign(TA_CENTER);
    PimTextJustify(F.DC.get(), Rect(20, 0, 60, 20), 22, 5, Text, true, Rect(20, 0, 200, 20));
    EXPECT_EQ(F.Moves().first(), Move(20, 5)); // centred on 22 would start left of the box
    EXPECT_EQ(F.CpX(), 20 + w);
}

TEST(JustifiedText, EveryTabPartOfACentredLineIsCentred) {
    TTextFixture F;
    const TRect Line = Rect(0, 0, 400, 20);
    F.DC->SetTextAlign(TA_CENTER);
    const int w1 = F.Width(QStringLiteral("One"));
    const int w2 = F.Width(QStringLiteral("Two"));
    PimTextJustify(F.DC.get(), Rect(0, 0, 100, 20), 100, 5, QStringLiteral("One"), true, Line);
    PimTextJustify(F.DC.get(), Rect(0, 0, 250, 20), 250, 5, QStringLiteral("Two"), true, Line);
    EXPECT_EQ(F.Moves(), (QStringList{Move(100 - w1 / 2, 5), Move(250 - w2 / 2, 5)}));
    EXPECT_EQ(F.DC->GetTextAlign(), uint32_t(TA_CENTER));
}

TEST(JustifiedText, LeadingBlanksTakeNoGap) {
    TTextFixture F;
    const QString Text = QStringLiteral("  ab cd");
    const int Right = 200;
    PimTextJustify(F.DC.get(), Rect(10, 0, Right, 20), 10, 5, Text, false, Rect(10, 0, Right, 20));
    const int Gap = Right - 10 - F.Width(Text);
    EXPECT_EQ(F.Moves(), (QStringList{Move(10, 5), Move(10 + F.Width(QStringLiteral("  ab ")) + Gap, 5)}));
    EXPECT_EQ(F.CpX(), Right);
}

TEST(JustifiedText, RightAlignedLinesAreDrawnFromTheEndAndStretchBackwards) {
    TTextFixture F;
    F.DC->SetTextAlign(TA_RIGHT);
    const QString Text = QStringLiteral("ab cd ef");
    // Drawn leftwards from 300 over a width of 201: the text starts at 100.
    PimSetTextJustify(F.DC.get(), 300, 5, Text, 201);
    const int Extra = 200 - F.Width(Text);
    const int g1 = 300 - F.Width(QStringLiteral(" ef")) - Extra / 2;
    const int g2 = g1 - F.Width(QStringLiteral(" cd")) - (Extra - Extra / 2);
    EXPECT_EQ(F.Moves(), (QStringList{Move(300, 5), Move(g1, 5), Move(g2, 5)}));
    EXPECT_EQ(F.CpX(), 100);
    EXPECT_EQ(F.DC->GetTextAlign(), uint32_t(TA_RIGHT));
}

TEST(JustifiedText, EveryGapAtAnyScaleFollowsTheWidthOfTheTextStillToCome) {
    TTextFixture F;
    // Played at 37 %, as a zoomed preview plays a page: a text's width is then not the sum of the
    // widths of its parts, so the gaps show whether the rest of a line was measured as a whole.
    F.DC->SetMapMode(MM_ANISOTROPIC);
    F.DC->SetWindowExtEx(100, 100);
    F.DC->SetViewportExtEx(37, 37);
    const QString Words[] = {
        QStringLiteral("Invoice"), QStringLiteral("il"),
        QStringLiteral("WWW"),     QStringLiteral("x") + QString::fromUcs4(U"\U0001F600"),
        QStringLiteral("total,"),  QStringLiteral("mmm"),
        QStringLiteral("1.25")};
    // Where the rule puts each gap of Text, measuring the rest of the line anew at every blank.
    auto Expected = [&](const QString& Text, int X, int Width, bool Backwards) {
        QStringList Moves{Move(X, 5)};
        int64_t Cur = X;
        int k = 0;
        const int n = int(Text.count(u' '));
        auto Step = [&](qsizetype Start, qsizetype Length) {
            const int W = F.Width(Text.mid(Start, Length));
            Cur += Backwards ? -W : W;
            if (Text[Start] != u' ') return;
            if (Backwards)
                Cur -= (Width - (X - Cur + 1) - F.Width(Text.left(Start))) / (n - k);
            else
                Cur += (Width - (Cur - X + 1) - F.Width(Text.mid(Start + 1))) / (n - k);
            Moves << Move(int(Cur), 5);
            ++k;
        };
        if (Backwards)
            for (qsizetype i = Text.size(); i > 0;) {
                const qsizetype Length = Text[i - 1].isLowSurrogate() ? 2 : 1;
                i -= Length;
                Step(i, Length);
            }
        else
            for (qsizetype i = 0; i < Text.size();) {
                const qsizetype Length = Text[i].isHighSurrogate() ? 2 : 1;
                Step(i, Length);
                i += Length;
            }
        return Moves;
    };
    // Lines of 2 to 40 words, each a different run of the words, with 0 to 60 pixels to spread.
    for (int Count = 2; Count <= 40; ++Count) {
        QString Text;
        for (int i = 0; i < Count; ++i)
            Text += (i ? QStringLiteral(" ") : QString()) + Words[(i * 3 + Count) % 7];
        const int Width = F.Width(Text) + (Count * 13) % 61;
        for (bool Backwards : {false, true}) {
            SCOPED_TRACE(Text.toStdString() + (Backwards ? " drawn backwards" : ""));
            const int X = Backwards ? 3000 : 20;
            F.DC->SetTextAlign(Backwards ? TA_RIGHT : TA_LEFT);
            F.DC->Log()->Clear();
            PimSetTextJustify(F.DC.get(), X, 5, Text, Width);
            EXPECT_EQ(F.Moves(), Expected(Text, X, Width, Backwards));
        }
    }
}

TEST(JustifiedText, SurrogatePairsAreDrawnWhole) {
    TTextFixture F;
    const QString Face = QString::fromUcs4(U"\U0001F600");
    const QString Text = QStringLiteral("a") + Face + QStringLiteral(" b") + Face;
    PimTextJustify(F.DC.get(), Rect(0, 0, 300, 20), 0, 5, Text, false, Rect(0, 0, 300, 20));
    EXPECT_EQ(
        F.Texts(),
        (QStringList{
            QStringLiteral("TextOut 0 5 \"a\""),
            QStringLiteral("TextOut %1 5 \"").arg(F.Width(QStringLiteral("a"))) + Face + QStringLiteral("\""),
            QStringLiteral("TextOut %1 5 \" \"").arg(F.Width(QStringLiteral("a") + Face)),
            QStringLiteral("TextOut %1 5 \"b\"").arg(300 - F.Width(QStringLiteral("b") + Face)),
            QStringLiteral("TextOut %1 5 \"").arg(300 - F.Width(Face)) + Face + QStringLiteral("\"")}));
    EXPECT_EQ(F.CpX(), 300);
}

TEST(JustifiedText, ExtremeCoordinatesNeitherOverflowNorCrash) {
    TTextFixture F;
    const TRect Huge = Rect(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    PimTextJustify(F.DC.get(), Huge, INT_MIN, 0, QStringLiteral("a b c"), false, Huge);
    F.DC->SetTextAlign(TA_CENTER);
    PimTextJustify(F.DC.get(), Huge, INT_MAX, 0, QStringLiteral("a b"), true, Huge);
    PimDrawCheckBox(F.DC.get(), Huge, acsCheck, clBlack, 1);
    // MulDiv gives -1 for what does not fit; the rectangle is then wrong but made without overflow.
    EXPECT_EQ(PimScaleRect(F.DC.get(), 1, 1, Huge, 100, 100), Rect(-1, -1, -3, -3));
    PimScale(F.DC.get(), 1, 1, INT_MAX, INT_MAX, 1000, 1000);
    TSize View;
    F.DC->GetViewportExtEx(View);
    EXPECT_EQ(View.cx, INT_MAX);
}
