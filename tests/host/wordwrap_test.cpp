#include "host/devicecontext.h"
#include "host/exceptions.h"
#include "host/wordwrap.h"

#include <gtest/gtest.h>

namespace {

// Arial (Liberation Sans) at the given size and resolution, wrapped to Width with half-inch stops.
TWordWrap ArialWrap(int Points, int PixelsPerInch, int Width) {
    TFont F;
    F.SetName(QStringLiteral("Arial"));
    F.SetSize(Points);
    MeasuringContext()->Prepare(F, PixelsPerInch);
    return TWordWrap(MeasuringContext()->FontInstance(), Width, PixelsPerInch / 2);
}

QStringList Lines(const TWordWrap& W, const QString& Text) {
    return W.Wrap(Text).Lines;
}

const QString Fox = QStringLiteral("The quick brown fox jumps over the lazy dog near the riverbank.");

} // namespace

TEST(WordWrap, BreaksAfterTheLastBlankThatFitsAtEachWidthAndResolution) {
    const QStringList Narrow{QStringLiteral("The quick brown fox "),
                             QStringLiteral("jumps over the lazy dog "),
                             QStringLiteral("near the riverbank.")};
    const QStringList Wide{QStringLiteral("The quick brown fox jumps over the lazy "),
                           QStringLiteral("dog near the riverbank.")};
    // 1.5 and 2.5 inches of 10 pt text: the same breaks at screen and printer resolution
    EXPECT_EQ(Lines(ArialWrap(10, 96, 144), Fox), Narrow);
    EXPECT_EQ(Lines(ArialWrap(10, 96, 240), Fox), Wide);
    EXPECT_EQ(Lines(ArialWrap(10, 300, 450), Fox), Narrow);
    EXPECT_EQ(Lines(ArialWrap(10, 300, 750), Fox), Wide);
    // 450 pixels hold the whole paragraph at screen resolution, where the letters are 3 times smaller
    EXPECT_EQ(Lines(ArialWrap(10, 96, 450), Fox), QStringList{Fox});
}

TEST(WordWrap, EachLineFitsAndTheNextWordWouldNot) {
    ArialWrap(10, 96, 144);
    auto Font = MeasuringContext()->FontInstance();
    // "The quick brown fox" is 114 pixels; with " jumps" it would be 152
    EXPECT_EQ(Font->TextWidth(u"The quick brown fox"), 114);
    EXPECT_EQ(Font->TextWidth(u"The quick brown fox jumps"), 152);
    // one pixel less than a line's own width moves its last word down
    EXPECT_EQ(Lines(ArialWrap(10, 96, 114), Fox).first(), QStringLiteral("The quick brown fox "));
    EXPECT_EQ(Lines(ArialWrap(10, 96, 113), Fox).first(), QStringLiteral("The quick brown "));
}

TEST(WordWrap, TrailingBlanksStayOnTheLineWithoutCountingForItsWidth) {
    // "ab" is 18 pixels at 12 pt and 96 pixels per inch; the blanks after it would make 38
    const QStringList L = Lines(ArialWrap(12, 96, 18), QStringLiteral("ab     cd"));
    EXPECT_EQ(L, (QStringList{QStringLiteral("ab     "), QStringLiteral("cd")}));
    // blanks at the end of the paragraph stay too
    EXPECT_EQ(Lines(ArialWrap(12, 96, 18), QStringLiteral("ab   ")), QStringList{QStringLiteral("ab   ")});
}

TEST(WordWrap, AWordWiderThanTheBoxBreaksAtItsLastCharacterThatFits) {
    // 9 pixels a letter: four fit in 40 pixels, and "aaaa" stays apart from the long word after it
    const QStringList L = Lines(ArialWrap(12, 96, 40), QStringLiteral("aaaa bbbbbbbbbb c"));
    EXPECT_EQ(L, (QStringList{QStringLiteral("aaaa "), QStringLiteral("bbbb"), QStringLiteral("bbbb"),
                              QStringLiteral("bb c")}));
    // a box narrower than one letter still takes one letter a line; a surrogate pair is one letter
    const QString Clef = QString::fromUcs4(U"x\U0001D11Ey");
    EXPECT_EQ(Lines(ArialWrap(12, 96, 0), Clef),
              (QStringList{QStringLiteral("x"), QString::fromUcs4(U"\U0001D11E"), QStringLiteral("y")}));
    EXPECT_EQ(Lines(ArialWrap(12, 96, -5), QStringLiteral("ab")), (QStringList{"a", "b"}));
}

TEST(WordWrap, CrLfCrAndLfAreEachOneHardBreak) {
    const TWordWrap W = ArialWrap(12, 96, 1000);
    const TWrappedText R = W.Wrap(QStringLiteral("one\r\ntwo\rthree\nfour"));
    EXPECT_EQ(R.Lines, (QStringList{"one", "two", "three", "four"}));
    EXPECT_EQ(R.ParagraphEnds, (std::vector<int>{0, 1, 2, 3}));
    // empty paragraphs are empty lines; LF CR is two breaks; a break at the end opens no line
    const TWrappedText E = W.Wrap(QStringLiteral("a\r\n\r\nb\n\rc\r\n"));
    EXPECT_EQ(E.Lines, (QStringList{"a", "", "b", "", "c"}));
    EXPECT_EQ(E.ParagraphEnds, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_TRUE(W.Wrap(QString()).Lines.isEmpty());
    EXPECT_EQ(W.Wrap(QStringLiteral("\n")).Lines, QStringList{QString()});
}

TEST(WordWrap, ParagraphEndsIndexTheLastLineOfEachWrappedParagraph) {
    const TWrappedText R = ArialWrap(10, 96, 144).Wrap(Fox + QStringLiteral("\r\nEnd.\r\n") + Fox);
    ASSERT_EQ(R.Lines.size(), 7);
    EXPECT_EQ(R.Lines[3], QStringLiteral("End."));
    EXPECT_EQ(R.ParagraphEnds, (std::vector<int>{2, 3, 6}));
}

TEST(WordWrap, TabsMoveToTheNextHalfInchStopFromTheLineStart) {
    // at 96 pixels per inch the stops are 48 apart: "a" (9) tab reaches 48, "b" ends at 57
    EXPECT_EQ(Lines(ArialWrap(12, 96, 57), QStringLiteral("a\tb")), QStringList{QStringLiteral("a\tb")});
    // one pixel less: the line breaks after the tab, which is a blank
    EXPECT_EQ(Lines(ArialWrap(12, 96, 56), QStringLiteral("a\tb")),
              (QStringList{QStringLiteral("a\t"), QStringLiteral("b")}));
    // the stops of the second line count from its own left edge
    EXPECT_EQ(Lines(ArialWrap(12, 96, 57), QStringLiteral("aaaaa b\tc")),
              (QStringList{QStringLiteral("aaaaa "), QStringLiteral("b\tc")}));
    EXPECT_EQ(ArialWrap(12, 96, 60).NextTabStop(48), 96);
    EXPECT_EQ(ArialWrap(12, 1, 60).TabWidth(), 1); // never a zero stop
}

TEST(MeasuringContext, KeepsThePointSizeAtEachResolutionAndMeasuresAsTheDeviceDoes) {
    TMeasuringContext* M = MeasuringContext();
    TFont F;
    F.SetName(QStringLiteral("Arial"));
    F.SetSize(18);
    M->Prepare(F, 72);
    EXPECT_EQ(M->Font().Height(), -18);
    EXPECT_EQ(M->TextMetrics().tmHeight, 20);
    M->Prepare(F, 144);
    EXPECT_EQ(M->Font().Height(), -36);
    EXPECT_EQ(M->Handle()->GetDeviceCaps(LOGPIXELSY), 144);
    EXPECT_EQ(M->Handle()->GetDeviceCaps(HORZRES), TMeasuringContext::DeviceSize);
    TSize S;
    M->Canvas().TextExtent(QString());
    M->Handle()->GetTextExtentPoint32(u"Measured", S);
    EXPECT_EQ(M->TextWidth(u"Measured"), S.cx);
    M->SetPixelsPerInch(0); // ignored
    EXPECT_EQ(M->PixelsPerInch(), 144);
}

TEST(MeasuringContext, IsMadeAgainAfterBeingFreed) {
    TMeasuringContext* Before = MeasuringContext();
    ASSERT_NE(Before, nullptr);
    FreeMeasuringContext();
    TMeasuringContext* After = MeasuringContext();
    ASSERT_NE(After, nullptr);
    EXPECT_EQ(After->PixelsPerInch(), 96);
}
