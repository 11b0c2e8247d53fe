#include "host/encoding.h"
#include "host/exceptions.h"
#include "host/lists.h"
#include "host/resstrings.h"
#include "host/streams.h"

#include <gtest/gtest.h>

TEST(Encoding, UpperHalfOfWindows1252MapsBothWays) {
    QByteArray All;
    for (int b = 0x80; b <= 0xFF; ++b) All.append(char(b));
    const QString s = AnsiToString(All);
    EXPECT_EQ(s[0].unicode(), 0x20AC);          // 0x80 euro
    EXPECT_EQ(s[0x85 - 0x80].unicode(), 0x2026); // ellipsis
    EXPECT_EQ(s[0x81 - 0x80].unicode(), 0x0081); // unassigned keeps its number
    EXPECT_EQ(s[0x9F - 0x80].unicode(), 0x0178);
    EXPECT_EQ(s[0xE9 - 0x80].unicode(), 0x00E9);
    EXPECT_EQ(StringToAnsi(s), All);
    EXPECT_EQ(StringToAnsi(QString::fromUtf8("a\u4E2Db")), QByteArray("a?b"));
}

TEST(Encoding, ByteOrderMarksAreDetectedAndDropped) {
    const QString Text = QString::fromUtf8("Grüße €");
    const QByteArray Utf16 = StringToUtf16LE(Text, true);
    EXPECT_EQ(uchar(Utf16[0]), 0xFF);
    EXPECT_EQ(uchar(Utf16[1]), 0xFE);
    EXPECT_EQ(Utf16.size(), 2 + 2 * Text.size());
    EXPECT_EQ(DecodeText(Utf16), Text);
    EXPECT_EQ(DecodeText("\xEF\xBB\xBF" + Text.toUtf8()), Text);
    EXPECT_EQ(DecodeText(QByteArray("caf\xE9")), QString::fromUtf8("café"));
    EXPECT_EQ(StringToUtf16LE("ab", false), QByteArray("a\0b\0", 4));
}

TEST(StringList, SavesAsUtf16WithMarkAndLoadsEveryEncoding) {
    TStringList l;
    l.Add("one");
    l.Add(QString::fromUtf8("twö"));
    TMemoryStream s;
    l.SaveToStream(s);
    const QByteArray Expected = StringToUtf16LE(QString::fromUtf8("one\r\ntwö\r\n"), true);
    ASSERT_EQ(s.Size(), Expected.size());
    EXPECT_EQ(0, memcmp(s.Memory(), Expected.constData(), size_t(Expected.size())));
    TStringList r;
    s.SetPosition(0);
    r.LoadFromStream(s);
    EXPECT_EQ(r.Count(), 2);
    EXPECT_EQ(r[1], QString::fromUtf8("twö"));
    TMemoryStream u;
    const QByteArray Utf8 = "\xEF\xBB\xBFx\ny\rz";
    u.WriteBuffer(Utf8.constData(), Utf8.size());
    u.SetPosition(0);
    r.LoadFromStream(u);
    EXPECT_EQ(r.ToStringList(), QStringList({"x", "y", "z"}));
}

TEST(StringList, SortedFindNamesAndCommaText) {
    TStringList l;
    l.SetSorted(true);
    l.Add("b");
    l.Add("A");
    l.Add("c");
    l.Add("B"); // ignored: the list is case-insensitive and ignores duplicates
    EXPECT_EQ(l.ToStringList(), QStringList({"A", "b", "c"}));
    EXPECT_EQ(l.IndexOf("C"), 2);
    TStringList v;
    v.Add("Name=Value");
    v.SetValues("x", "1");
    EXPECT_EQ(v.Values("NAME"), "Value");
    EXPECT_EQ(v.Names(1), "x");
    v.SetCommaText("a, \"b c\",\"d\"\"e\"");
    EXPECT_EQ(v.ToStringList(), QStringList({"a", "b c", "d\"e"}));
    EXPECT_EQ(v.CommaText(), "a,\"b c\",\"d\"\"e\"");
    EXPECT_THROW(v.Strings(3), EListError);
}

TEST(StringList, CommaTextConsumesControlCharactersAndKeepsQuotedOnes) {
    // A lone NUL once made the reader append empty items for ever.
    TStringList l;
    l.SetCommaText(QString(QChar(0)));
    EXPECT_EQ(l.Count(), 0);
    l.SetCommaText(QString::fromUtf16(u"a\0b,\0,\x01" u"c", 8));
    EXPECT_EQ(l.ToStringList(), QStringList({"a", "b", "", "c"}));
    // Items holding NULs and other control characters come back whole from their comma text.
    TStringList w;
    w.Add(QString::fromUtf16(u"x\0y", 3));
    w.Add(QString(QChar(0)));
    w.Add(QStringLiteral("\t"));
    TStringList r;
    r.SetCommaText(w.CommaText());
    EXPECT_EQ(r.ToStringList(), w.ToStringList());
}

TEST(List, IndexErrorsRaiseAndMovesKeepOrder) {
    int a, b, c;
    TList l;
    l.Add(&a);
    l.Add(&b);
    l.Add(&c);
    l.Move(0, 2);
    EXPECT_EQ(l[0], &b);
    EXPECT_EQ(l[2], &a);
    EXPECT_EQ(l.Remove(&b), 0);
    EXPECT_EQ(l.IndexOf(&b), -1);
    EXPECT_THROW(l.Items(2), EListError);
    EXPECT_THROW(l.Insert(5, &a), EListError);
}

TEST(MessageTexts, AreLookedUpByNumber) {
    EXPECT_EQ(LoadStr(56405), "The printer is busy, please wait.");
    EXPECT_EQ(LoadStr(56450), "Yes      - Discard Report");
    EXPECT_EQ(LoadStr(SAbortCaption), "Abort Report?");
    EXPECT_EQ(LoadStr(56493), "Double Click for Jump to specific page");
    EXPECT_TRUE(LoadStr(56400).endsWith("this selects the TVyrGroupPage component."));
    EXPECT_TRUE(LoadStr(56409).isEmpty());
    try {
        Exception::CreateResFmt(56413, {"Var1"});
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Circular variable reference for variable: Var1");
    }
}
