#include "host/richlayout.h"
#include "host/rtf.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

struct TDrawn {
    int X, Baseline;
    QString Text;
    TRichFont Font;
    std::vector<int> Advances;
};

class TRecordingCanvas : public TRichCanvas {
public:
    void FillBackground(const QRect& Rect, const QColor& Color) override { Fills.push_back({Rect, Color}); }
    void DrawText(int X, int Baseline, const QString& Text, const TRichFont& Font,
                  const std::vector<int>& Advances) override {
        Texts.push_back({X, Baseline, Text, Font, Advances});
    }
    QString All() const {
        QString s;
        for (const TDrawn& d : Texts)
            s += d.Text;
        return s;
    }
    std::vector<std::pair<QRect, QColor>> Fills;
    std::vector<TDrawn> Texts;
};

// Several paragraphs in several fonts and sizes, long enough for many pages of a small rectangle.
QByteArray LongRtf() {
    QByteArray r = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}{\\f1 Times New Roman;}{\\f2 Courier New;}}"
                   "{\\colortbl;\\red200\\green0\\blue0;}";
    for (int i = 0; i < 12; ++i) {
        r += "\\pard";
        if (i % 3 == 1) r += "\\qj\\li360\\fi360";
        if (i % 3 == 2) r += "\\qc\\sb120\\sa120";
        r += "\\f" + QByteArray::number(i % 3) + "\\fs" + QByteArray::number(18 + 4 * (i % 4)) +
             " Paragraph " + QByteArray::number(i) + ": ";
        for (int w = 0; w < 30 + i; ++w)
            r += (w % 7 == 3 ? "{\\b bold} " : w % 11 == 5 ? "{\\cf1 red}\\tab " : "word ");
        if (i == 5)
            r += "\\line after a break\\par\\par";
        else
            r += "\\par ";
    }
    return r + "}";
}

// Twips of a rectangle of the given pixel size at 96 pixels per inch.
QRect TwipsRect(int Width, int Height) {
    return QRect(QPoint(0, 0), QPoint(Width * 15 - 1, Height * 15 - 1));
}

QString WithoutLayoutCharacters(QString s) {
    s.remove(u'\r');
    s.remove(u'\v');
    s.remove(u'\t');
    return s;
}

} // namespace

TEST(RichLayout, PiecesOfAFixedHeightJoinWithoutGapOrOverlap) {
    TRichText t;
    t.Load(LongRtf());
    TRichLayout Layout(t, TRichLayoutOptions());
    const QRect Rect = TwipsRect(300, 120);
    int Pos = 0;
    QString Joined;
    int Pieces = 0;
    while (Pos < t.TextLength()) {
        const TRichMeasure m = Layout.Measure(Pos, -1, Rect);
        ASSERT_GT(m.Count, 0) << "at " << Pos;
        EXPECT_LE(m.Height, 120);
        EXPECT_FALSE(m.Forced);
        // Rendering the measured range draws it all and stops where the next piece starts.
        TRecordingCanvas c;
        EXPECT_EQ(Layout.Render(c, Pos, Pos + m.Count, Rect, 5000), Pos + m.Count);
        EXPECT_EQ(c.All(), WithoutLayoutCharacters(t.Text(Pos, Pos + m.Count)));
        for (const TDrawn& d : c.Texts)
            EXPECT_LT(d.Baseline, 120);
        Joined += t.Text(Pos, Pos + m.Count);
        Pos += m.Count;
        ++Pieces;
    }
    EXPECT_GT(Pieces, 5);
    EXPECT_EQ(Pos, t.TextLength());
    EXPECT_EQ(Joined, t.Text());
}

TEST(RichLayout, RenderingDrawsExactlyTheAskedRange) {
    TRichText t;
    t.Load(
        "{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 alpha beta gamma\\par delta {\\b epsilon} zeta\\par eta}");
    TRichLayout Layout(t, TRichLayoutOptions());
    TRecordingCanvas c;
    // From inside "beta" to inside "epsilon": nothing before or after is drawn.
    EXPECT_EQ(Layout.Render(c, 8, 28, TwipsRect(400, 200)), 28);
    EXPECT_EQ(c.All(), "ta gammadelta epsil");
    ASSERT_GE(c.Texts.size(), 3u);
    EXPECT_EQ(c.Texts.back().Text, "epsil");
    EXPECT_EQ(c.Texts.back().Font.LogFont.lfWeight, FW_BOLD);
    // The second paragraph starts one line lower, at the left edge.
    EXPECT_GT(c.Texts[1].Baseline, c.Texts[0].Baseline);
    EXPECT_EQ(c.Texts[1].X, 0);
    // A range that starts inside a paragraph begins a line of its own, as a continued piece does.
    EXPECT_EQ(c.Texts[0].X, 0);
}

TEST(RichLayout, AnEmbeddedObjectKeepsItsPlaceButIsNotDrawnAsText) {
    TRichText t;
    t.Load("{\\rtf1 left{\\pict 00}right}");
    TRecordingCanvas c;
    EXPECT_EQ(TRichLayout(t, TRichLayoutOptions()).Render(c, 0, -1, TwipsRect(400, 100)), 10);
    ASSERT_EQ(c.Texts.size(), 2u);
    EXPECT_EQ(c.Texts[0].Text, "left");
    EXPECT_EQ(c.Texts[1].Text, "right");
}

TEST(RichLayout, BulletsHangBeforeTheFirstLineOfTheirParagraph) {
    TRichText t;
    t.Load("{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset2 Symbol;}}\\fs20"
           "\\pard{\\pntext\\f1\\'b7\\tab}\\fi-360\\li720\\f0 one\\par{\\pntext\\f1\\'b7\\tab}two}");
    TRichLayout Layout(t, TRichLayoutOptions());
    TRecordingCanvas c;
    Layout.Render(c, 0, -1, TwipsRect(400, 100));
    ASSERT_EQ(c.Texts.size(), 4u);
    EXPECT_EQ(c.Texts[0].Text, QString::fromUtf8("•"));
    EXPECT_EQ(c.Texts[0].X, 24);
    EXPECT_EQ(c.Texts[1].Text, "one");
    EXPECT_EQ(c.Texts[1].X, 48);
    EXPECT_EQ(c.Texts[0].Baseline, c.Texts[1].Baseline);
    // A piece that starts with the second paragraph draws its bullet; one that starts inside a
    // paragraph does not.
    TRecordingCanvas d;
    Layout.Render(d, 4, -1, TwipsRect(400, 100));
    ASSERT_EQ(d.Texts.size(), 2u);
    EXPECT_EQ(d.Texts[0].Text, QString::fromUtf8("•"));
    TRecordingCanvas e;
    Layout.Render(e, 5, -1, TwipsRect(400, 100));
    ASSERT_EQ(e.Texts.size(), 1u);
    EXPECT_EQ(e.Texts[0].Text, "wo");
    EXPECT_EQ(e.Texts[0].X, 48);
}

TEST(RichLayout, AnEmptyRectangleStillTakesOneLine) {
    TRichText t;
    t.Load("{\\rtf1\\fs40 first line of text\\line second line}");
    TRichLayout Layout(t, TRichLayoutOptions());
    const TRichMeasure m = Layout.Measure(0, -1, TwipsRect(500, 3));
    EXPECT_TRUE(m.Forced);
    EXPECT_EQ(m.Count, 19); // the first line with its forced break
    EXPECT_GT(m.Height, 3);
    const TRichMeasure All = Layout.Measure(0, -1, TwipsRect(500, 500));
    EXPECT_FALSE(All.Forced);
    EXPECT_EQ(All.Count, t.TextLength());
    EXPECT_EQ(All.Height, 2 * m.Height);
}

TEST(RichLayout, MeasuresScaleWithTheResolution) {
    TRichText t;
    t.Load("{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 A short paragraph that wraps.\\par second\\par third}");
    TRichLayoutOptions Screen;
    TRichLayoutOptions Printer;
    Printer.PixelsPerInchX = Printer.PixelsPerInchY = 600;
    const QRect Rect(0, 0, 1440 * 4 - 1, 1440 * 4 - 1);
    const TRichMeasure a = TRichLayout(t, Screen).Measure(0, -1, Rect);
    const TRichMeasure b = TRichLayout(t, Printer).Measure(0, -1, Rect);
    EXPECT_EQ(a.Count, t.TextLength());
    EXPECT_EQ(b.Count, t.TextLength());
    // 12 point is 16 pixels at 96 and 100 at 600 pixels per inch; lines keep that proportion.
    EXPECT_NEAR(double(b.Height) / a.Height, 600.0 / 96, 0.5);
    TRecordingCanvas c;
    TRichLayout(t, Printer).Render(c, 0, -1, Rect);
    ASSERT_FALSE(c.Texts.empty());
    EXPECT_EQ(c.Texts[0].Font.LogFont.lfHeight, -100);
    EXPECT_EQ(c.Texts[0].Font.LogFont.lfFaceName, "Arial");
}

TEST(RichLayout, AlignmentIndentsAndTabStopsPlaceTheText) {
    TRichText t;
    t.Load("{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0\\fs20\\pard\\qr right\\par\\pard\\qc centre\\par"
           "\\pard\\li1440 indented\\par\\pard\\tx2880 a\\tab b\\par\\pard\\tqr\\tx4320 c\\tab d}");
    TRichLayout Layout(t, TRichLayoutOptions());
    TRecordingCanvas c;
    const QRect Rect(QPoint(1500, 300), QPoint(1500 + 6 * 1440 - 1, 300 + 1440 * 3 - 1)); // at (100, 20)
    Layout.Render(c, 0, -1, Rect);
    ASSERT_EQ(c.Texts.size(), 7u);
    QFont f("Liberation Sans");
    f.setPixelSize(13);
    f.setKerning(false);
    f.setHintingPreference(QFont::PreferNoHinting);
    const QFontMetrics fm(f);
    EXPECT_NEAR(c.Texts[0].X + fm.horizontalAdvance("right"), 100 + 576, 2);
    EXPECT_NEAR(c.Texts[1].X + fm.horizontalAdvance("centre") / 2, 100 + 288, 2);
    EXPECT_EQ(c.Texts[2].X, 100 + 96);
    EXPECT_EQ(c.Texts[3].X, 100);
    EXPECT_EQ(c.Texts[4].X, 100 + 192);
    EXPECT_NEAR(c.Texts[6].X + fm.horizontalAdvance("d"), 100 + 288, 2);
    EXPECT_GT(c.Texts[0].Baseline, 20);
    for (std::size_t i = 1; i < 4; ++i)
        EXPECT_GT(c.Texts[i].Baseline, c.Texts[i - 1].Baseline);
}

TEST(RichLayout, DefaultFontFillsWhatTheTextLeavesOpen) {
    TRichText t;
    t.Load("{\\rtf1{\\fonttbl{\\f0 Courier New;}}{\\colortbl;\\red0\\green128\\blue0;}plain {\\f0\\fs40\\cf1 "
           "own}}");
    TRichLayoutOptions o;
    o.DefaultFont.SetName("Times New Roman");
    o.DefaultFont.SetSize(9);
    o.DefaultFont.SetStyle(fsItalic);
    o.DefaultFont.SetColor(clBlue);
    o.UseDefaultFont = true;
    TRecordingCanvas c;
    TRichLayout(t, o).Render(c, 0, -1, TwipsRect(400, 100));
    ASSERT_EQ(c.Texts.size(), 2u);
    EXPECT_EQ(c.Texts[0].Font.LogFont.lfFaceName, "Times New Roman");
    EXPECT_EQ(c.Texts[0].Font.LogFont.lfHeight, -12);
    EXPECT_EQ(c.Texts[0].Font.LogFont.lfItalic, 1);
    EXPECT_EQ(c.Texts[0].Font.Color, QColor(0, 0, 255));
    EXPECT_EQ(c.Texts[1].Font.LogFont.lfFaceName, "Courier New");
    EXPECT_EQ(c.Texts[1].Font.LogFont.lfHeight, -27);
    EXPECT_EQ(c.Texts[1].Font.LogFont.lfItalic, 1);
    EXPECT_EQ(c.Texts[1].Font.Color, QColor(0, 128, 0));
    // Without the default font the text's own default is used.
    TRecordingCanvas d;
    o.UseDefaultFont = false;
    TRichLayout(t, o).Render(d, 0, -1, TwipsRect(400, 100));
    EXPECT_EQ(d.Texts[0].Font.LogFont.lfHeight, -16);
    EXPECT_EQ(d.Texts[0].Font.LogFont.lfItalic, 0);
    EXPECT_EQ(d.Texts[0].Font.Color, QColor(Qt::black));
}

TEST(RichLayout, PainterCanvasPutsInkInsideTheRectangle) {
    TRichText t;
    t.Load("{\\rtf1\\fs24 {\\highlight1 Ink} here}");
    QImage Image(200, 100, QImage::Format_RGB32);
    Image.fill(Qt::white);
    {
        QPainter p(&Image);
        TPainterRichCanvas c(p);
        TRichLayout(t, TRichLayoutOptions())
            .Render(c, 0, -1, QRect(QPoint(300, 300), QPoint(300 + 1499, 300 + 899)));
    }
    int MinX = 1000, MinY = 1000, MaxY = -1;
    for (int y = 0; y < Image.height(); ++y)
        for (int x = 0; x < Image.width(); ++x)
            if (Image.pixel(x, y) != qRgb(255, 255, 255)) {
                MinX = std::min(MinX, x);
                MinY = std::min(MinY, y);
                MaxY = std::max(MaxY, y);
            }
    EXPECT_GE(MinX, 20);
    EXPECT_GE(MinY, 20);
    EXPECT_LT(MaxY, 20 + 20);
}
