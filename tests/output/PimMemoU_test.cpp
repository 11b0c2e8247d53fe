#include "host/encoding.h"
#include "host/wordwrap.h"
#include "output/PimMemoU.h"

#include <gtest/gtest.h>

namespace {

// A memo of Arial at the given size and resolution, Width pixels wide, holding Text as the report
// engine writes it: UTF-16LE after the mark FF FE.
struct TMemoFixture {
    TPimMemo Memo;
    TMemoFixture(const QString& Text, int Points = 10, int PixelsPerInch = 96, int Width = 144) {
        TFont F;
        F.SetName(QStringLiteral("Arial"));
        F.SetSize(Points);
        Memo.SetFont(F);
        Memo.SetPixelsPerInch(PixelsPerInch);
        Memo.SetWidth(Width);
        SetText(Text);
    }
    void SetText(const QString& Text) { SetBytes(StringToUtf16LE(Text, true)); }
    void SetBytes(const QByteArray& Bytes) {
        TMemoryStream S;
        S.WriteBuffer(Bytes.constData(), Bytes.size());
        S.SetPosition(S.Size());
        Memo.SetMemoStream(&S);
    }
    QStringList Lines() const { return Memo.MemoStrings().ToStringList(); }
};

const QString Fox = QStringLiteral("The quick brown fox jumps over the lazy dog near the riverbank.");

} // namespace

TEST(PimMemo, DefaultsAreOneInchAtScreenResolution) {
    TPimMemo M;
    EXPECT_EQ(M.PixelsPerInch(), 96);
    EXPECT_EQ(M.Width(), 96);
    EXPECT_EQ(M.WrapHeightPercent(), 100);
    EXPECT_TRUE(M.WrapText());
    EXPECT_EQ(M.LineHeight(), 10);
    EXPECT_EQ(M.RangeBegin(), -1);
    EXPECT_EQ(M.RangeEnd(), -1);
    EXPECT_EQ(M.MemoAlignment(), maLeft);
    EXPECT_EQ(M.MemoStream().Size(), 0);
}

TEST(PimMemo, EmptyStreamGivesNoLines) {
    TMemoFixture F{QString()};
    F.SetBytes(QByteArray());
    F.Memo.UpdateMemo();
    EXPECT_EQ(F.Memo.MemoLines(), 0);
    EXPECT_EQ(F.Memo.MemoStrings().Count(), 0);
    EXPECT_EQ(F.Memo.PrintHeight(), 0);
    F.SetText(QString()); // the mark alone
    F.Memo.UpdateMemo();
    EXPECT_EQ(F.Memo.MemoLines(), 0);
}

TEST(PimMemo, WrapsTextOfEveryEncodingTheEngineWrites) {
    TMemoFixture F(Fox + QStringLiteral("\r\n\x00e9t\x00e9"));
    F.Memo.UpdateMemo();
    const QStringList Expected{QStringLiteral("The quick brown fox "),
                               QStringLiteral("jumps over the lazy dog "),
                               QStringLiteral("near the riverbank."), QString::fromUtf8("été")};
    EXPECT_EQ(F.Lines(), Expected);
    EXPECT_EQ(F.Memo.MemoLines(), 4);
    // ANSI without a mark, UTF-8 with its mark, and a string list saved into the stream
    F.SetBytes(StringToAnsi(Fox + QString::fromUtf8("\r\nété")));
    F.Memo.UpdateMemo();
    EXPECT_EQ(F.Lines(), Expected);
    F.SetBytes("\xEF\xBB\xBF" + (Fox + QString::fromUtf8("\nété")).toUtf8());
    F.Memo.UpdateMemo();
    EXPECT_EQ(F.Lines(), Expected);
    TStringList L;
    L.Add(Fox);
    L.Add(QString::fromUtf8("été"));
    TMemoryStream S;
    L.SaveToStream(S);
    F.Memo.SetMemoStream(&S);
    F.Memo.UpdateMemo();
    EXPECT_EQ(F.Lines(), Expected);
}

TEST(PimMemo, SetMemoStreamCopiesTheWholeStreamOverTheOldText) {
    TMemoFixture F(QStringLiteral("a much longer text that was here before"));
    TMemoryStream S;
    S.WriteBuffer("xy", 2);
    F.Memo.SetMemoStream(&S);
    ASSERT_EQ(F.Memo.MemoStream().Size(), 2);
    EXPECT_EQ(F.Memo.MemoStream().Memory()[0], 'x');
    F.Memo.SetMemoStream(nullptr);
    EXPECT_EQ(F.Memo.MemoStream().Size(), 0);
}

TEST(PimMemo, LineHeightIsTheFontHeightScaledByWrapHeightPercent) {
    // 18 pt at 72 pixels per inch: a 20 pixel font
    TMemoFixture F(QStringLiteral("x"), 18, 72);
    F.Memo.UpdateMemo();
    EXPECT_EQ(F.Memo.LineHeight(), 20);
    F.Memo.SetWrapHeightPercent(150);
    F.Memo.UpdateMemo();
    EXPECT_EQ(F.Memo.LineHeight(), 30);
    // a zero or negative percentage would leave nothing for the callers to divide by
    F.Memo.SetWrapHeightPercent(0);
    F.Memo.UpdateMemo();
    EXPECT_EQ(F.Memo.LineHeight(), 1);
}

TEST(PimMemo, WrapTextFalseKeepsOnlyTheFirstWrappedLine) {
    TMemoFixture F(Fox);
    F.Memo.SetWrapText(false);
    F.Memo.UpdateMemo();
    EXPECT_EQ(F.Memo.MemoLines(), 1);
    EXPECT_EQ(F.Memo.MemoStrings()[0], QStringLiteral("The quick brown fox "));
    EXPECT_EQ(F.Memo.PrintHeight(), F.Memo.LineHeight());
}

TEST(PimMemo, SuppressWhiteSpaceDropsOnlyOuterEmptyLines) {
    const QString Text = QStringLiteral("\r\n\r\none\r\n\r\ntwo\r\n\r\n\r\n");
    TMemoFixture F(Text);
    F.Memo.SetMemoAlignment(maJustify);
    F.Memo.UpdateMemo();
    EXPECT_EQ(F.Lines(), (QStringList{"", "", "one", "", "two", "", ""}));
    EXPECT_EQ(F.Memo.CarriageReturnList(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
    F.Memo.SetSuppressWhiteSpace(true);
    F.Memo.UpdateMemo();
    EXPECT_EQ(F.Lines(), (QStringList{"one", "", "two"}));
    EXPECT_EQ(F.Memo.MemoLines(), 3);
    EXPECT_EQ(F.Memo.CarriageReturnList(), (std::vector<int>{0, 1, 2}));
}

TEST(PimMemo, SuppressBlankLinesDropsEveryEmptyLineAndMovesTheParagraphEnds) {
    TMemoFixture F(QStringLiteral("\r\n") + Fox + QStringLiteral("\r\n\r\nEnd.\r\n"));
    F.Memo.SetMemoAlignment(maJustify);
    F.Memo.SetSuppressBlankLines(true);
    F.Memo.UpdateMemo();
    EXPECT_EQ(F.Lines(), (QStringList{"The quick brown fox ", "jumps over the lazy dog ",
                                      "near the riverbank.", "End."}));
    EXPECT_EQ(F.Memo.CarriageReturnList(), (std::vector<int>{2, 3}));
}

TEST(PimMemo, ParagraphEndsComeFromTheDecodedText) {
    // UTF-16 text: a cut at the byte 0A would fall inside the two-byte line feed
    TMemoFixture F(Fox + QStringLiteral("\r\nEnd.\n") + Fox + QStringLiteral("\rx"));
    F.Memo.SetMemoAlignment(maJustify);
    F.Memo.FindCarriageReturns();
    EXPECT_EQ(F.Memo.CarriageReturnList(), (std::vector<int>{2, 3, 6, 7}));
    F.Memo.UpdateMemo();
    EXPECT_EQ(F.Memo.CarriageReturnList(), (std::vector<int>{2, 3, 6, 7}));
    // other alignments keep no list
    F.Memo.SetMemoAlignment(maLeft);
    F.Memo.UpdateMemo();
    EXPECT_TRUE(F.Memo.CarriageReturnList().empty());
    F.Memo.FindCarriageReturns();
    EXPECT_TRUE(F.Memo.CarriageReturnList().empty());
}

TEST(PimMemo, RangeChoosesTheLinesAndTheirHeight) {
    TMemoFixture F(QStringLiteral("1\n2\n3\n4\n5"));
    F.Memo.UpdateMemo();
    ASSERT_EQ(F.Memo.MemoLines(), 5);
    const int LH = F.Memo.LineHeight();
    EXPECT_EQ(F.Memo.PrintHeight(), 5 * LH);
    F.Memo.SetRangeBegin(2);
    F.Memo.SetRangeEnd(99);
    EXPECT_EQ(F.Memo.PrintHeight(), 3 * LH);
    F.Memo.SetRangeEnd(3);
    EXPECT_EQ(F.Memo.PrintHeight(), 2 * LH);
    F.Memo.SetRangeEnd(1); // ends before it begins
    EXPECT_EQ(F.Memo.PrintHeight(), 0);
    F.Memo.SetRangeBegin(-7);
    EXPECT_EQ(F.Memo.PrintHeight(), 2 * LH);
}

TEST(PimMemo, TabPartsSitOnHalfInchStops) {
    TMemoFixture F(QString(), 12, 96);
    F.Memo.ParseString(QStringLiteral("a\tb"));
    ASSERT_EQ(F.Memo.Parts().size(), 2u);
    EXPECT_EQ(F.Memo.Parts()[0]->Pos, 0);
    EXPECT_EQ(F.Memo.Parts()[0]->Width, 9);
    EXPECT_EQ(F.Memo.Parts()[1]->Pos, 48);
    EXPECT_EQ(F.Memo.TextLen(), 57);
    // a first part 50 pixels wide puts the second on the next stop but one
    F.Memo.ParseString(QStringLiteral("WWWr\tb"));
    EXPECT_EQ(F.Memo.Parts()[0]->Width, 50);
    EXPECT_EQ(F.Memo.Parts()[1]->Pos, 96);
    // empty parts between tabs; a tab at the end leaves no remainder
    F.Memo.ParseString(QStringLiteral("\t\tc\t"));
    ASSERT_EQ(F.Memo.Parts().size(), 3u);
    EXPECT_EQ(F.Memo.Parts()[1]->Pos, 48);
    EXPECT_EQ(F.Memo.Parts()[2]->Pos, 96);
    EXPECT_EQ(F.Memo.Parts()[2]->Text, QStringLiteral("c"));
    EXPECT_EQ(F.Memo.TextLen(), 96 + 8);
    F.Memo.ParseString(QString());
    EXPECT_TRUE(F.Memo.Parts().empty());
    EXPECT_EQ(F.Memo.TextLen(), 0);
    // at 300 pixels per inch the stops are 150 apart
    F.Memo.SetPixelsPerInch(300);
    F.Memo.ParseString(QStringLiteral("a\tb"));
    EXPECT_EQ(F.Memo.Parts()[1]->Pos, 150);
}

TEST(PimMemo, JustificationNeverStretchesTheLastLineOfAParagraph) {
    TMemoFixture F(Fox + QStringLiteral("\r\n") + Fox);
    F.Memo.SetMemoAlignment(maJustify);
    F.Memo.UpdateMemo();
    ASSERT_EQ(F.Memo.MemoLines(), 6);
    const std::vector<bool> Expected{true, true, false, true, true, false};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(F.Memo.JustifiesLine(i), Expected[size_t(i)]) << i;
    F.Memo.SetJustifyLastLine(true);
    EXPECT_FALSE(F.Memo.JustifiesLine(2));
    EXPECT_TRUE(F.Memo.JustifiesLine(5));
    // other alignments never stretch
    F.Memo.SetMemoAlignment(maCenter);
    EXPECT_FALSE(F.Memo.JustifiesLine(0));
}

TEST(PimMemo, JustifiedLastLineFollowsTheFlagEvenWithoutParagraphEnds) {
    // one paragraph of two lines whose list was never filled
    TMemoFixture F(QStringLiteral("aaaa bbbb cccc"), 12, 96, 90);
    F.Memo.UpdateMemo();
    ASSERT_EQ(F.Memo.MemoLines(), 2);
    F.Memo.SetMemoAlignment(maJustify);
    EXPECT_TRUE(F.Memo.CarriageReturnList().empty());
    EXPECT_TRUE(F.Memo.JustifiesLine(0));
    EXPECT_FALSE(F.Memo.JustifiesLine(1));
}

TEST(PimMemo, PlacesThePartsOfEachAlignment) {
    // "a" is 9 pixels, the tab puts "bc" (17) at 48: the line is 65 pixels in a box of 200
    TMemoFixture F(QStringLiteral("a\tbc"), 12, 96, 200);
    F.Memo.UpdateMemo();
    const TRect Line = Bounds(10, 20, 200, F.Memo.LineHeight());
    auto Place = [&](TPimMemoAlignment A) {
        F.Memo.SetMemoAlignment(A);
        return F.Memo.PlaceLine(F.Memo.MemoStrings()[0], Line, 0);
    };
    auto L = Place(maLeft);
    ASSERT_EQ(L.size(), 2u);
    ASSERT_EQ(F.Memo.Parts()[1]->Width, 17);
    ASSERT_EQ(F.Memo.TextLen(), 65);
    EXPECT_EQ(L[0].X, 10);
    EXPECT_EQ(L[0].Box, Rect(10, 20, 19, Line.Bottom));
    EXPECT_EQ(L[1].X, 58);
    EXPECT_EQ(L[1].Box, Rect(10, 20, 75, Line.Bottom));
    EXPECT_TRUE(L[1].EndParagraph);
    EXPECT_EQ(L[1].FullBox, Line);
    // centred: x = left + pos + w/2 + (200 - 65)/2, halves truncated
    auto C = Place(maCenter);
    EXPECT_EQ(C[0].X, 10 + 0 + 4 + 67);
    EXPECT_EQ(C[0].Box.Right, C[0].X + 4);
    EXPECT_EQ(C[1].X, 10 + 48 + 8 + 67);
    EXPECT_EQ(C[1].Box.Right, C[1].X + 8);
    // right: x = left + pos + w + 200 - 65, the part's right end
    auto R = Place(maRight);
    EXPECT_EQ(R[0].X, 10 + 9 + 135);
    EXPECT_EQ(R[1].X, Line.Right);
    EXPECT_EQ(R[1].Box.Right, R[1].X);
    // justified: a line that does not end its paragraph stretches its last part over the line box
    F.Memo.SetWrapText(true);
    F.Memo.SetJustifyLastLine(true);
    auto J = Place(maJustify);
    EXPECT_EQ(J[0].X, 10);
    EXPECT_TRUE(J[0].EndParagraph);
    EXPECT_EQ(J[0].Box.Right, 19);
    EXPECT_EQ(J[1].X, 58);
    EXPECT_FALSE(J[1].EndParagraph);
    EXPECT_EQ(J[1].Box, Line);
}
