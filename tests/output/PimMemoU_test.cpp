#include "host/encoding.h"
#include "host/wordwrap.h"
#include "output/PimMemoU.h"
#include "output/PimOut.h"

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

TEST(PimMemo, ATextGivenAsAStringIsItsBytesAndAChangeOfTextOrLinesIsNeverMissed) {
    TMemoFixture F(Fox);
    F.Memo.UpdateMemo();
    const QStringList FromBytes = F.Lines();
    QString Text = Fox;
    F.Memo.SetMemoText(Text);
    F.Memo.UpdateMemo();
    EXPECT_EQ(F.Lines(), FromBytes);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(F.Memo.MemoStream().Memory()),
                         int(F.Memo.MemoStream().Size())),
              StringToUtf16LE(Fox, true));
    // A changed text and lines changed from outside are both seen.
    F.Memo.SetMemoText(Text);
    F.Memo.UpdateMemo();
    Text.replace(0, 3, QStringLiteral("Any"));
    F.Memo.SetMemoText(Text);
    F.Memo.UpdateMemo();
    EXPECT_EQ(F.Lines().first(), QStringLiteral("Any quick brown fox "));
    F.Memo.MemoStrings().SetStrings(0, QStringLiteral("changed"));
    F.Memo.UpdateMemo();
    EXPECT_EQ(F.Lines().first(), QStringLiteral("Any quick brown fox "));
    // A stream holding the same bytes again, or other bytes, and the empty text with its mark.
    TMemoryStream Same;
    const QByteArray Bytes = StringToUtf16LE(Fox, true);
    Same.WriteBuffer(Bytes.constData(), Bytes.size());
    F.Memo.SetMemoStream(Same);
    F.Memo.UpdateMemo();
    EXPECT_EQ(F.Lines(), FromBytes);
    F.Memo.SetMemoStream(Same);
    F.Memo.UpdateMemo();
    EXPECT_EQ(F.Lines(), FromBytes);
    F.Memo.SetMemoText(QString());
    F.Memo.UpdateMemo();
    EXPECT_EQ(F.Memo.MemoLines(), 0);
    EXPECT_EQ(F.Memo.MemoStream().Size(), 2);
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

TEST(PimMemo, PartBoxesEndWhereEachAlignmentPutsThePartsEnd) {
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
    EXPECT_EQ(L[0].Box, Rect(10, 20, 19, Line.Bottom));
    EXPECT_EQ(L[1].Box, Rect(10, 20, 75, Line.Bottom));
    EXPECT_EQ(L[1].FullBox, Line);
    // centred: x = left + pos + w/2 + (200 - 65)/2 with halves truncated, the box ends w/2 further
    auto C = Place(maCenter);
    EXPECT_EQ(C[1].X, 10 + 48 + 8 + 67);
    EXPECT_EQ(C[1].Box.Right, C[1].X + 8);
    auto R = Place(maRight);
    EXPECT_EQ(R[0].X, 10 + 9 + 135);
    EXPECT_EQ(R[0].Box.Right, R[0].X);
    // a stretched line's last part gets the whole line as its box
    F.Memo.SetJustifyLastLine(true);
    auto J = Place(maJustify);
    EXPECT_TRUE(J[0].EndParagraph);
    EXPECT_EQ(J[0].Box.Right, 19);
    EXPECT_FALSE(J[1].EndParagraph);
    EXPECT_EQ(J[1].Box, Line);
}

namespace {

TDeviceCaps Caps96() {
    TDeviceCaps c;
    c.Technology = DT_RASPRINTER;
    c.PhysicalWidth = c.HorzRes = 816;
    c.PhysicalHeight = c.VertRes = 1056;
    return c;
}

// The drawing surface on a recording printer device at 96 pixels per inch.
struct TDrawFixture {
    std::unique_ptr<DeviceContext> DC = DeviceContext::CreateRecording(Caps96());
    TPimCanvas Canvas;
    TDrawFixture() {
        Canvas.SetHandle(DC.get());
        DC->Log()->Clear();
    }
    ~TDrawFixture() { Canvas.SetHandle(nullptr); }
    QStringList Texts() const { return DC->Log()->Only({QStringLiteral("TextOut")}); }
};

} // namespace

QString T(int X, int Y, const char* Ch) {
    return QStringLiteral("TextOut %1 %2 \"%3\"").arg(X).arg(Y).arg(QLatin1String(Ch));
}

TEST(PimMemoDrawing, EachAlignmentPlacesItsLinesInTheBox) {
    // 12 pt at 96 pixels per inch in a box 60 wide from (10, 20): lines 17 pixels apart
    TMemoFixture F(QStringLiteral("ab cd ef gh\r\nij"), 12, 96, 60);
    TDrawFixture D;
    auto Draw = [&](TPimMemoAlignment A) {
        D.DC->Log()->Clear();
        F.Memo.SetMemoAlignment(A);
        F.Memo.Print(&D.Canvas, 10, 20);
        return D.Texts();
    };
    EXPECT_EQ(Draw(maLeft), (QStringList{T(10, 20, "a"), T(19, 20, "b"), T(28, 20, " "), T(32, 20, "c"),
                                         T(40, 20, "d"), T(49, 20, " "), T(53, 20, "e"), T(62, 20, "f"),
                                         T(10, 37, "g"), T(19, 37, "h"), T(10, 54, "i"), T(14, 54, "j")}));
    // centred on the box's middle (40), the trailing blank of a wrapped line left out
    EXPECT_EQ(Draw(maCenter), (QStringList{T(12, 20, "a"), T(21, 20, "b"), T(30, 20, " "), T(34, 20, "c"),
                                           T(42, 20, "d"), T(51, 20, " "), T(55, 20, "e"), T(64, 20, "f"),
                                           T(31, 37, "g"), T(40, 37, "h"), T(36, 54, "i"), T(40, 54, "j")}));
    EXPECT_EQ(D.DC->Log()->Only({QStringLiteral("SetTextAlign")}).first(), QStringLiteral("SetTextAlign 6"));
    // right-aligned: drawn leftwards from the box's right edge (70)
    EXPECT_EQ(Draw(maRight), (QStringList{T(70, 20, "f"), T(66, 20, "e"), T(57, 20, " "), T(53, 20, "d"),
                                          T(44, 20, "c"), T(36, 20, " "), T(32, 20, "b"), T(23, 20, "a"),
                                          T(70, 37, "h"), T(61, 37, "g"), T(70, 54, "j"), T(66, 54, "i")}));
    // justified: the first line's gaps widen to reach the right edge; the paragraph's last line
    // ("gh") and the text's last line keep their natural width
    EXPECT_EQ(Draw(maJustify), (QStringList{T(10, 20, "a"), T(19, 20, "b"), T(28, 20, " "), T(34, 20, "c"),
                                            T(42, 20, "d"), T(51, 20, " "), T(57, 20, "e"), T(66, 20, "f"),
                                            T(10, 37, "g"), T(19, 37, "h"), T(10, 54, "i"), T(14, 54, "j")}));
}

TEST(PimMemoDrawing, JustifyLastLineStretchesTheTextsLastLineOnly) {
    TMemoFixture F(QStringLiteral("ab cd ef gh\r\nij kl"), 12, 96, 60);
    TDrawFixture D;
    F.Memo.SetMemoAlignment(maJustify);
    F.Memo.Print(&D.Canvas, 10, 20);
    const QStringList Natural = D.Texts().mid(8);
    EXPECT_EQ(Natural, (QStringList{T(10, 37, "g"), T(19, 37, "h"), T(10, 54, "i"), T(14, 54, "j"),
                                    T(18, 54, " "), T(22, 54, "k"), T(30, 54, "l")}));
    D.DC->Log()->Clear();
    F.Memo.SetJustifyLastLine(true);
    F.Memo.Print(&D.Canvas, 10, 20);
    const QStringList Stretched = D.Texts().mid(8);
    EXPECT_EQ(Stretched, (QStringList{T(10, 37, "g"), T(19, 37, "h"), T(10, 54, "i"), T(14, 54, "j"),
                                      T(18, 54, " "), T(58, 54, "k"), T(66, 54, "l")}));
}

TEST(PimMemoDrawing, TabPartsDrawOnTheirStops) {
    // "a" at the left edge, "bc" on the half-inch stop 48 pixels further
    TMemoFixture F(QStringLiteral("a\tbc"), 12, 96, 200);
    TDrawFixture D;
    F.Memo.Print(&D.Canvas, 10, 20);
    EXPECT_EQ(D.Texts(), (QStringList{T(10, 20, "a"), T(58, 20, "b"), T(67, 20, "c")}));
}

TEST(PimMemoDrawing, RangeAndPlainTextOutput) {
    // lines "a<tab>", "bc", "x<tab>y ", "z"; from line 1 on, each part as one plain text call
    TMemoFixture F(QStringLiteral("a\tbc\r\nx\ty z"), 12, 96, 60);
    TDrawFixture D;
    F.Memo.SetTextDriverCompatibility(true);
    F.Memo.SetMemoAlignment(maCenter);
    F.Memo.SetRangeBegin(1);
    F.Memo.Print(&D.Canvas, 10, 20);
    EXPECT_EQ(D.Texts(), (QStringList{T(39, 20, "bc"), T(14, 37, "x"), T(64, 37, "y "), T(40, 54, "z")}));
    EXPECT_EQ(F.Memo.PrintHeight(), 3 * 17);
    D.DC->Log()->Clear();
    F.Memo.SetRangeEnd(1);
    F.Memo.SetMemoAlignment(maLeft);
    F.Memo.Print(&D.Canvas, 0, 0);
    EXPECT_EQ(D.Texts(), QStringList{T(0, 0, "bc")});
}

TEST(PimMemoDrawing, AnEmptyTextDrawsNothingButSetsTheFont) {
    TMemoFixture F{QString()};
    F.SetBytes(QByteArray());
    TDrawFixture D;
    F.Memo.Print(&D.Canvas, 10, 20);
    EXPECT_TRUE(D.Texts().isEmpty());
    EXPECT_EQ(D.DC->Log()->Only({QStringLiteral("SelectObject")}).last(),
              QStringLiteral("SelectObject font \"Arial\" -13 0 400 0 0 0 1 esc=0"));
    EXPECT_EQ(D.Canvas.Font().Size(), 10);
    F.Memo.Print(nullptr, 0, 0); // no surface: nothing at all
}

TEST(PimMemo, WrapsAgainOnlyWhenSomethingItDependsOnChanged) {
    TMemoFixture F(Fox);
    F.Memo.UpdateMemo();
    const QStringList Three = F.Lines();
    ASSERT_EQ(Three.size(), 3);
    // what a caller changed in the results is put back by the next wrap
    F.Memo.MemoStrings().Clear();
    F.Memo.SetLineHeight(99);
    F.Memo.UpdateMemo();
    EXPECT_EQ(F.Lines(), Three);
    EXPECT_EQ(F.Memo.LineHeight(), 15);
    // each input counts: width, text, font, resolution, line height, wrap and suppress flags
    F.Memo.SetWidth(1000);
    F.Memo.UpdateMemo();
    EXPECT_EQ(F.Lines(), QStringList{Fox});
    F.Memo.SetWidth(144);
    F.SetText(Fox + QStringLiteral("\r\n\r\n"));
    F.Memo.UpdateMemo();
    EXPECT_EQ(F.Memo.MemoLines(), 4);
    F.Memo.SetSuppressWhiteSpace(true);
    F.Memo.UpdateMemo();
    EXPECT_EQ(F.Lines(), Three);
    F.Memo.SetSuppressWhiteSpace(false);
    F.Memo.SetSuppressBlankLines(true);
    F.Memo.UpdateMemo();
    EXPECT_EQ(F.Lines(), Three);
    F.Memo.SetWrapText(false);
    F.Memo.UpdateMemo();
    EXPECT_EQ(F.Memo.MemoLines(), 1);
    F.Memo.SetWrapHeightPercent(150);
    F.Memo.UpdateMemo();
    EXPECT_EQ(F.Memo.LineHeight(), 23);
    F.Memo.Font().SetSize(20);
    F.Memo.UpdateMemo();
    EXPECT_GT(F.Memo.LineHeight(), 23);
    F.Memo.Font().SetSize(10);
    F.Memo.SetPixelsPerInch(192);
    F.Memo.UpdateMemo();
    EXPECT_EQ(F.Memo.LineHeight(), 45);
    F.Memo.SetMemoAlignment(maJustify);
    F.Memo.SetPixelsPerInch(96);
    F.Memo.SetWrapText(true);
    F.Memo.UpdateMemo();
    EXPECT_EQ(F.Memo.CarriageReturnList(), std::vector<int>{2});
}

// A box that cannot grow shows its first lines only: the memo wraps no further than the lines that
// fit, and those are the lines the whole text begins with, blank lines suppressed as asked, with
// the same paragraph ends and the same justification. Lines of 15 pixels, three fox lines a
// paragraph.
TEST(PimMemo, ABoxThatCannotGrowWrapsOnlyTheLinesItShowsAsTheWholeTextBeginsThem) {
    const QString Break = QStringLiteral("\r\n");
    struct TCase {
        QString Text;
        bool SuppressWhiteSpace;
        bool SuppressBlankLines;
        int Shown; // lines that fit the box
    };
    const TCase Cases[] = {
        {(Fox + QLatin1Char(' ')).repeated(40), false, false, 3},
        {Break.repeated(12) + Fox + Break + Fox, true, false, 2},         // the empty lines ahead go
        {Fox + Break.repeated(12), true, false, 3},                       // ... and those at the end
        {Fox + Break.repeated(12) + QStringLiteral("x"), true, false, 5}, // ... but not between
        {(QStringLiteral("a") + Break.repeated(3)).repeated(9), false, true, 4},
        {QStringLiteral("one\r\ntwo\r\nthree"), false, false, 2}, // the box ends with a paragraph
        {QStringLiteral("one\r\ntwo"), false, false, 2},          // ... or with the text
        {Fox, false, false, 9},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Text.left(40).toStdString());
        TMemoFixture Whole(C.Text), Box(C.Text);
        for (TPimMemo* M : {&Whole.Memo, &Box.Memo}) {
            M->SetMemoAlignment(maJustify);
            M->SetSuppressWhiteSpace(C.SuppressWhiteSpace);
            M->SetSuppressBlankLines(C.SuppressBlankLines);
        }
        Whole.Memo.UpdateMemo();
        ASSERT_EQ(Whole.Memo.LineHeight(), 15);
        Box.Memo.SetShownHeight(C.Shown * 15 + 14);
        Box.Memo.UpdateMemo();
        const int n = std::min(C.Shown, Whole.Memo.MemoLines());
        EXPECT_EQ(Box.Lines(), Whole.Lines().mid(0, n));
        EXPECT_EQ(Box.Memo.MemoLines(), n);
        EXPECT_EQ(Box.Memo.LinesCut(), Whole.Memo.MemoLines() > C.Shown);
        std::vector<int> Ends;
        for (int End : Whole.Memo.CarriageReturnList())
            if (End < n) Ends.push_back(End);
        EXPECT_EQ(Box.Memo.CarriageReturnList(), Ends);
        for (int Spot = 0; Spot < n; ++Spot)
            EXPECT_EQ(Box.Memo.JustifiesLine(Spot), Whole.Memo.JustifiesLine(Spot)) << Spot;
    }
}
