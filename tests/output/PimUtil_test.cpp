#include "host/classes.h"
#include "host/dialogs.h"
#include "host/exceptions.h"
#include "host/streams.h"
#include "output/PimUtil.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include "support/scripteddialogs.h"

#include <climits>
#include <vector>

namespace {

void* Tag(intptr_t i) { return reinterpret_cast<void*>(i * 8 + 8); }

} // namespace

TEST(PimList, KeepsEveryItemAcrossChunkBoundaries) {
    for (const int n : {999, 1000, 1001, 2500}) {
        TPimList List;
        for (int i = 0; i < n; ++i) ASSERT_EQ(List.Add(Tag(i)), i);
        EXPECT_EQ(List.Count(), n);
        for (int i = 0; i < n; ++i) ASSERT_EQ(List.Items(i), Tag(i)) << n << " items, item " << i;
        EXPECT_THROW(List.Items(n), EListError) << n;
        EXPECT_THROW(List.Items(-1), EListError);
    }
}

TEST(PimList, ItemAfterTheFirstThousandStartsTheSecondChunk) {
    TPimList List;
    for (int i = 0; i < 1000; ++i) List.Add(Tag(i));
    // A full first chunk, no second one yet: index 1000 lies past the chunks.
    EXPECT_THROW(List.Items(1000), EListError);
    EXPECT_EQ(List.Add(Tag(1000)), 1000);
    EXPECT_EQ(List.Items(1000), Tag(1000));
    EXPECT_EQ(List.Items(999), Tag(999));
}

TEST(PimList, ClearLeavesTheItemsAliveAndStartsAgain) {
    std::vector<int> Values(1500, 7);
    TPimList List;
    for (int& v : Values) List.Add(&v);
    List.Clear();
    EXPECT_EQ(List.Count(), 0);
    EXPECT_THROW(List.Items(0), EListError);
    for (const int v : Values) ASSERT_EQ(v, 7);
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
    const uint8_t Head[22] = {0xD7, 0xCD, 0xC6, 0x9A, 0, 0, 0, 0, 0, 0, 0xE8, 0x03, 0xE8, 0x03,
                              0xA0, 0x05, 0,    0,    0, 0, 0x12, 0x34};
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
    EXPECT_TRUE(Info.fileName().startsWith(QStringLiteral("Pim")));
    EXPECT_FALSE(Info.fileName().startsWith(QStringLiteral("Pimx")));
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
        {22, 4.75 * 25.4, 11 * 25.4},   // #12 envelope
        {35, 125, 176},                 // B6 envelope
        {50, 9.5 * 25.4, 12 * 25.4},    // letter extra
        {51, 9.5 * 25.4, 15 * 25.4},    // legal extra
        {54, 8.5 * 25.4, 11 * 25.4},    // letter transverse
        {56, 9.5 * 25.4, 12 * 25.4},    // letter extra transverse
        {4, 17 * 25.4, 11 * 25.4},      // ledger lies on its long side
        {8, 297, 420},   {12, 250, 354}, {27, 110, 220}, {53, 9.27 * 25.4, 12.69 * 25.4},
        {66, 420, 594},  {70, 105, 148}, {75, 11 * 25.4, 8.5 * 25.4}, {118, 458, 324},
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
