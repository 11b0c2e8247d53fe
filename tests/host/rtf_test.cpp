#include "host/encoding.h"
#include "host/rtf.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <gtest/gtest.h>

namespace {

QString Loaded(const QByteArray& Bytes) {
    TRichText t;
    t.Load(Bytes);
    return t.Text();
}

// The format of the character at a position of the text.
QTextCharFormat FormatAt(const TRichText& t, int Pos) {
    const QTextBlock b = t.Document().findBlock(Pos);
    for (const QTextLayout::FormatRange& r : b.textFormats())
        if (Pos - b.position() >= r.start && Pos - b.position() < r.start + r.length) return r.format;
    return QTextCharFormat();
}

QString FamilyAt(const TRichText& t, int Pos) {
    return FormatAt(t, Pos).fontFamilies().toStringList().value(0);
}

} // namespace

TEST(RtfReader, FontAndColourTablesGiveEachRunItsFontSizeAndColour) {
    TRichText t;
    t.Load("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}{\\f1\\froman Times New Roman;}}"
           "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue128;}"
           "\\pard\\f0\\fs20 Plain \\f1\\fs32\\cf1 red \\cf2\\b blue\\b0  \\i it\\i0  \\ul u\\ulnone  "
           "\\strike s\\strike0"
           "  x\\super 2\\nosupersub\\par}");
    EXPECT_EQ(t.Text(), "Plain red blue it u s x2");
    EXPECT_EQ(t.TextLength(), 24);
    EXPECT_EQ(FamilyAt(t, 0), "Arial");
    EXPECT_EQ(FormatAt(t, 0).fontPointSize(), 10.0);
    EXPECT_FALSE(FormatAt(t, 0).hasProperty(rcpHasColor));
    EXPECT_EQ(FamilyAt(t, 6), "Times New Roman");
    EXPECT_EQ(FormatAt(t, 6).fontPointSize(), 16.0);
    EXPECT_EQ(FormatAt(t, 6).foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(FormatAt(t, 10).foreground().color(), QColor(0, 0, 128));
    EXPECT_EQ(FormatAt(t, 10).fontWeight(), QFont::Bold);
    EXPECT_EQ(FormatAt(t, 14).fontWeight(), QFont::Normal);
    EXPECT_TRUE(FormatAt(t, 15).fontItalic());
    EXPECT_TRUE(FormatAt(t, 18).fontUnderline());
    EXPECT_FALSE(FormatAt(t, 20).fontUnderline());
    EXPECT_TRUE(FormatAt(t, 20).fontStrikeOut());
    EXPECT_EQ(FormatAt(t, 23).verticalAlignment(), QTextCharFormat::AlignSuperScript);
    EXPECT_EQ(FormatAt(t, 22).verticalAlignment(), QTextCharFormat::AlignNormal);
    EXPECT_EQ(t.DefaultFamily(), "Arial");
}

TEST(RtfReader, NestedGroupsRestoreTheFormatOfTheirParent) {
    TRichText t;
    t.Load("{\\rtf1 a{\\b b{\\i c}d}e}");
    EXPECT_EQ(t.Text(), "abcde");
    EXPECT_FALSE(FormatAt(t, 0).hasProperty(rcpHasBold));
    EXPECT_EQ(FormatAt(t, 1).fontWeight(), QFont::Bold);
    EXPECT_FALSE(FormatAt(t, 1).fontItalic());
    EXPECT_TRUE(FormatAt(t, 2).fontItalic());
    EXPECT_EQ(FormatAt(t, 2).fontWeight(), QFont::Bold);
    EXPECT_FALSE(FormatAt(t, 3).fontItalic());
    EXPECT_EQ(FormatAt(t, 3).fontWeight(), QFont::Bold);
    EXPECT_FALSE(FormatAt(t, 4).hasProperty(rcpHasBold));
}

TEST(RtfReader, UnknownAndSkippedDestinationsLeaveNoText) {
    EXPECT_EQ(Loaded("{\\rtf1{\\*\\generator Writer 1.0;}{\\*\\unknown {nested} text}A"
                     "{\\info{\\title T}{\\author Me}}{\\stylesheet{\\s0 Normal;}}B"
                     "{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}}"
                     "{\\header head}C\\bin3 {}}D}"),
              "ABlinkCD");
}

TEST(RtfReader, BulletsBelongToTheirParagraphButTakeNoPosition) {
    TRichText t;
    t.Load(
        "{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset2 Symbol;}}"
        "\\pard{\\pntext\\f1\\'b7\\tab}{\\*\\pn\\pnlvlblt\\pnf1{\\pntxtb\\'b7}}\\fi-360\\li720\\f0 one\\par"
        "{\\pntext\\f1\\'b7\\tab}two\\par\\pard plain\\par{\\listtext 1.\\tab}three}");
    EXPECT_EQ(t.Text(), "one\rtwo\rplain\rthree");
    const auto Bullet = [&](int Block) {
        return t.Document().findBlockByNumber(Block).blockFormat().stringProperty(rbpBulletText);
    };
    EXPECT_EQ(Bullet(0), QString::fromUtf8("•\t"));
    EXPECT_EQ(Bullet(1), QString::fromUtf8("•\t"));
    EXPECT_EQ(Bullet(2), "");
    EXPECT_EQ(Bullet(3), "1.\t");
    const QTextCharFormat f = t.Document()
                                  .findBlockByNumber(0)
                                  .blockFormat()
                                  .property(rbpBulletFormat)
                                  .value<QTextFormat>()
                                  .toCharFormat();
    // The symbol font's characters are read as Unicode, so the face itself is not kept.
    EXPECT_FALSE(f.hasProperty(rcpHasFamily));
    EXPECT_EQ(Loaded("{\\rtf1{\\fonttbl{\\f1\\fcharset2 Symbol;}}{\\f1 abp\\'b7W}}"),
              QString::fromUtf8("αβπ•Ω"));
}

TEST(RtfReader, APictureOrObjectTakesOnePosition) {
    TRichText t;
    t.Load("{\\rtf1 a{\\*\\shppict{\\pict\\pngblip 89504e47}}{\\nonshppict{\\pict\\wmetafile8 0102}}b"
           "{\\object\\objemb{\\*\\objdata 0102}{\\result{\\pict 00}}}c{\\*\\unknown{\\pict 00}}d}");
    EXPECT_EQ(t.Text(), QString("a") + QChar(0xFFFC) + "b" + QChar(0xFFFC) + "cd");
    EXPECT_EQ(t.TextLength(), 6);
}

TEST(RtfReader, UnicodeCharactersDropTheirFallbackOfUcCharacters) {
    // \uc1 is the default: one fallback character; \uc2 two; \uc0 none. Fallbacks may be hex bytes
    // or control words, and a group end stops the skipping.
    EXPECT_EQ(Loaded("{\\rtf1 a\\u8364?b\\uc2\\u20013\\'3f\\'3fc\\uc0\\u1046 d{\\u233\\'e9}e}"),
              QString::fromUtf8("a€b中cЖdéée"));
    EXPECT_EQ(Loaded("{\\rtf1 \\u-4064?x}"), QString(QChar(char16_t(0xF020))) + "x");
    EXPECT_EQ(Loaded("{\\rtf1\\uc1 \\u55357\\'3f\\u56832\\'3f!}"), QString::fromUtf8("😀!"));
    // A fallback that runs into the group's end does not eat the brace.
    EXPECT_EQ(Loaded("{\\rtf1 {\\uc3\\u945 a}b}"), QString::fromUtf8("αb"));
}

TEST(RtfReader, HexBytesAreReadInTheCodePageOfDocumentAndFont) {
    EXPECT_EQ(Loaded("{\\rtf1\\ansi caf\\'e9 \\'80\\'85}"), QString::fromUtf8("café €…"));
    EXPECT_EQ(Loaded("{\\rtf1\\ansi\\ansicpg1251 \\'c4\\'e0}"), QString::fromUtf8("Да"));
    EXPECT_EQ(Loaded("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset238 Arial CE;}}\\f0\\'e8\\f1\\'e8}"),
              QString::fromUtf8("èč"));
    // Double-byte code pages take their second byte also when it is plain ASCII.
    EXPECT_EQ(Loaded("{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f0\\fcharset128 MS Gothic;}}\\f0 "
                     "\\'93\\'fa\\'96\\'7b\\'8c\\'ea\\'83A}"),
              QString::fromUtf8("日本語ア"));
    // Raw bytes above 127 count as bytes of the code page too.
    EXPECT_EQ(Loaded("{\\rtf1 na\xEFve}"), QString::fromUtf8("naïve"));
}

TEST(RtfReader, EscapedBracesBackslashesAndSpecialCharacters) {
    EXPECT_EQ(
        Loaded("{\\rtf1 \\{a\\}\\\\b\\~c\\_d\\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote}"),
        QString::fromUtf8("{a}\\b\u00A0c\u2011d—–•‘’“”"));
}

TEST(RtfReader, ParagraphsBreaksAndTabsCountOnePositionEach) {
    TRichText t;
    t.Load("{\\rtf1 one\\par two\\line three\\tab four\\par\\par five\\par}");
    // The \par closing the last paragraph leaves no empty paragraph behind.
    EXPECT_EQ(t.Text(), "one\rtwo\vthree\tfour\r\rfive");
    EXPECT_EQ(t.TextLength(), 24);
    EXPECT_EQ(t.Document().blockCount(), 4);
    EXPECT_EQ(t.Text(4, 7), "two");
    EXPECT_EQ(t.Text(18, 23), "\r\rfiv");
}

TEST(RtfReader, ParagraphFormatsAreKeptInTwips) {
    TRichText t;
    t.Load("{\\rtf1\\deftab360\\pard\\qc\\li720\\ri360\\fi-240\\sb120\\sa240\\sl-300 centred\\par"
           "\\pard\\tx1000\\tqr\\tx5000\\tqdec\\tx7000\\qj\\sl360\\slmult1 tabs\\par\\pard\\qr right}");
    ASSERT_EQ(t.Document().blockCount(), 3);
    const QTextBlockFormat a = t.Document().findBlockByNumber(0).blockFormat();
    EXPECT_EQ(a.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(a.intProperty(rbpLeftIndent), 720);
    EXPECT_EQ(a.intProperty(rbpRightIndent), 360);
    EXPECT_EQ(a.intProperty(rbpFirstIndent), -240);
    EXPECT_EQ(a.intProperty(rbpSpaceBefore), 120);
    EXPECT_EQ(a.intProperty(rbpSpaceAfter), 240);
    EXPECT_EQ(a.intProperty(rbpLineSpacing), -300);
    const QTextBlockFormat b = t.Document().findBlockByNumber(1).blockFormat();
    EXPECT_EQ(b.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignJustify);
    EXPECT_EQ(b.intProperty(rbpLeftIndent), 0);
    EXPECT_TRUE(b.boolProperty(rbpLineSpacingMultiple));
    const QList<QTextOption::Tab> Tabs = b.tabPositions();
    ASSERT_EQ(Tabs.size(), 3);
    EXPECT_EQ(Tabs[0].position, 1000);
    EXPECT_EQ(Tabs[0].type, QTextOption::LeftTab);
    EXPECT_EQ(Tabs[1].position, 5000);
    EXPECT_EQ(Tabs[1].type, QTextOption::RightTab);
    EXPECT_EQ(Tabs[2].type, QTextOption::DelimiterTab);
    // The last paragraph takes the formats in force when the document ends.
    EXPECT_EQ(t.Document().findBlockByNumber(2).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
              Qt::AlignRight);
    EXPECT_EQ(t.DefaultTab(), 360);
}

TEST(RtfReader, TextWithoutRtfHeaderLoadsAsPlainText) {
    TRichText t;
    t.Load("first line\r\nsecond\tline\r\n");
    EXPECT_EQ(t.Text(), "first line\rsecond\tline");
    EXPECT_FALSE(FormatAt(t, 0).hasProperty(rcpHasFamily));
    EXPECT_EQ(Loaded(StringToUtf16LE(QString::fromUtf8("Grüße\nzwei"), true)),
              QString::fromUtf8("Grüße\rzwei"));
    // Braces and backslashes of plain text are just characters.
    EXPECT_EQ(Loaded("a {\\b} c"), "a {\\b} c");
    // RTF stored as UTF-16 text is still read as RTF.
    EXPECT_EQ(Loaded(StringToUtf16LE(QString::fromUtf8("{\\rtf1 Tschüß\\par}"), true)),
              QString::fromUtf8("Tschüß"));
    EXPECT_TRUE(IsRtf("{\\rtf1 x}"));
    EXPECT_FALSE(IsRtf("rtf"));
    EXPECT_EQ(Loaded(""), "");
}

TEST(RtfReader, DamagedRtfGivesWhatCouldBeReadWithoutFailing) {
    EXPECT_EQ(Loaded("{\\rtf1 abc"), "abc");
    EXPECT_EQ(Loaded("{\\rtf1 a}}}b"), "a");
    EXPECT_EQ(Loaded("{\\rtf1 a\\'zz\\'4"), "azz");
    EXPECT_EQ(Loaded("{\\rtf1 \\bin999999999"), "");
    EXPECT_EQ(Loaded("{\\rtf1 x\\u"), "x");
    EXPECT_EQ(Loaded("{\\rtf1 \\fs99999999999999 big\\"), "big");
    EXPECT_EQ(Loaded("{\\rtf1 {{{{{{{{{{{{{{{{{{{{deep}"), "deep");
    EXPECT_EQ(Loaded("{\\rtf1 a" + QByteArray(100000, '{') + "b" + QByteArray(100000, '}') + "c}"), "abc");
}

// Bytes cut from a real document at every length and shuffled RTF-like noise: the reader keeps
// what it can and its positions stay consistent with its text.
TEST(RtfReader, AnyBytesLoadWithConsistentPositions) {
    const QByteArray Sample = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}"
                              "{\\colortbl ;\\red255\\green0\\blue0;}\\pard\\qc\\f0\\fs20 Caf\\'e9 "
                              "{\\b\\cf1 bold}\\tab\\u8364?\\line x\\par{\\*\\x{y}}\\'8\\uc2\\u1234\\'41";
    std::vector<QByteArray> Inputs;
    for (int n = 0; n <= Sample.size(); ++n)
        Inputs.push_back(Sample.left(n));
    uint32_t Seed = 12345;
    const char Pieces[] = "{}\\'abcu-9 0;*\r\n\x80\xFF";
    for (int i = 0; i < 300; ++i) {
        QByteArray b = "{\\rtf1 ";
        for (int k = 0; k < 60; ++k) {
            Seed = Seed * 1103515245u + 12345u;
            b += Pieces[(Seed >> 16) % (sizeof(Pieces) - 1)];
        }
        Inputs.push_back(b);
    }
    for (const QByteArray& In : Inputs) {
        TRichText t;
        t.Load(In);
        EXPECT_EQ(t.Text().size(), t.TextLength()) << In.constData();
    }
}

TEST(RtfReader, APageBreakMakesTheNextParagraphStartAPage) {
    TRichText t;
    // Amid text, after a paragraph end and at the very start; none of them adds an empty paragraph.
    t.Load("{\\rtf1\\page a\\page b\\par\\pard \\page c\\par d\\par}");
    EXPECT_EQ(t.Text(), "a\rb\rc\rd");
    std::vector<bool> Starts;
    for (QTextBlock b = t.Document().begin(); b.isValid(); b = b.next())
        Starts.push_back(b.blockFormat().pageBreakPolicy() == QTextFormat::PageBreak_AlwaysBefore);
    EXPECT_EQ(Starts, (std::vector<bool>{true, true, true, false}));
}
