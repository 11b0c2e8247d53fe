#include "host/exceptions.h"
#include "host/rtf.h"
#include "host/streams.h"
#include "report/PSetup.h"
#include "report/VyrRtf.h"
#include "support/fakeprinter.h"
#include "support/wordprocessor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

QByteArray ReadAll(const QString& Name) {
    QFile F(Name);
    return F.open(QIODevice::ReadOnly) ? F.readAll() : QByteArray("<missing>");
}

TFont MakeFont(const char* Name, int Size, TFontStyles Style = 0) {
    TFont F;
    F.SetName(QString::fromLatin1(Name));
    F.SetSize(Size);
    F.SetStyle(Style);
    return F;
}

// While it lives, files may grow to Bytes at the most, as on a full disk: a write beyond fails
// rather than raising the signal that would end the process.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t Bytes) : FOldHandler(std::signal(SIGXFSZ, SIG_IGN)) {
        if (getrlimit(RLIMIT_FSIZE, &FOld) != 0) return;
        FRestore = true;
        rlimit Small = FOld;
        Small.rlim_cur = Bytes;
        FSet = setrlimit(RLIMIT_FSIZE, &Small) == 0;
    }
    ~TFileSizeLimit() {
        if (FRestore) setrlimit(RLIMIT_FSIZE, &FOld);
        std::signal(SIGXFSZ, FOldHandler);
    }
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;
    bool Set() const { return FSet; }

private:
    rlimit FOld{};
    void (*FOldHandler)(int);
    bool FRestore = false;
    bool FSet = false;
};

const QByteArray Header = "{\\rtf1\\ansi {\\fonttbl{\\f1\\fnil\\fcharset0\\fprq0 Arial;}}";
const QByteArray Margins = "\\margl720\\margr720\\margt720\\margb720";
const QByteArray BodyStart = "\\pard\\plain \\f1\\fs16 ";

class RtfFile : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Dir.isValid()); }

    QString Path(const char* Name) const { return Dir.filePath(QString::fromLatin1(Name)); }

    // The bytes of a file made by Fill and closed.
    QByteArray Written(const std::function<void(TVyrRtfFile&)>& Fill) {
        const QString Name = Path("out.rtf");
        TVyrRtfFile Rtf(Name);
        Fill(Rtf);
        Rtf.Close();
        return ReadAll(Name);
    }

    TFakePrinterList NoPrinters;
    QTemporaryDir Dir;
};

// One row of a band as bands and labels write it: each label defines its tab stop, then writes a tab in
// its font without underline and its text in its own font.
struct TCell {
    int Tab;
    TVyrTabAlignment Kind;
    TFont Font;
    QString Text;
};

void WriteRow(TVyrRtfFile& Rtf, bool NewPage, const std::vector<TCell>& Cells) {
    Rtf.SetPageBreak(NewPage);
    Rtf.ParagraphDefault();
    for (const TCell& C : Cells)
        Rtf.DefineTab(C.Tab, C.Kind);
    for (const TCell& C : Cells) {
        TFont Plain = C.Font;
        Plain.SetStyle(C.Font.Style() & ~fsUnderline);
        Rtf.SetFont(Plain);
        Rtf.Tab();
        Rtf.SetFont(C.Font);
        Rtf.TextOut(C.Text);
    }
    Rtf.NewParagraph();
}

const TFont Title = MakeFont("Times New Roman", 14, fsBold);
const TFont Body = MakeFont("Arial", 10);
const TFont Mono = MakeFont("Courier New", 9);

// Three pages of a small report on legal paper: a title, a row of three columns, a boxed row, a
// bottom-bordered row and a page of its own for the last line.
void WriteReport(TVyrRtfFile& Rtf) {
    TVyrPageSetup Setup;
    Setup.SetSize(psLegal);
    Rtf.SetPageSetup(&Setup);
    WriteRow(Rtf, false, {{4320, taCenter, Title, QStringLiteral("Sales {2026}")}});
    WriteRow(Rtf, false,
             {{720, taLeft, MakeFont("Arial", 10, fsUnderline), QStringLiteral("Name \\ Co")},
              {4320, taCenter, MakeFont("Arial", 10, fsItalic), QStringLiteral("Café Ω")},
              {8640, taRight, Mono, QStringLiteral("中 42")}});
    Rtf.SetBorderType(rbtBox);
    Rtf.StartBorder();
    WriteRow(Rtf, false, {{720, taLeft, Body, QStringLiteral("boxed")}});
    Rtf.EndBorder();
    WriteRow(Rtf, true, {{720, taLeft, MakeFont("Arial", 12), QStringLiteral("page two")}});
    Rtf.SetBorderType(rbtBottom);
    Rtf.StartBorder();
    WriteRow(Rtf, false, {{8640, taRight, Mono, QStringLiteral("total 100")}});
    Rtf.EndBorder();
    WriteRow(Rtf, true, {{4320, taCenter, Title, QStringLiteral("page three")}});
}

// The paragraphs of that report; the empty one closes the box.
const QStringList ReportParagraphs = {
    QStringLiteral("\tSales {2026}"), QStringLiteral("\tName \\ Co\tCafé Ω\t中 42"),
    QStringLiteral("\tboxed"),        QString(),
    QStringLiteral("\tpage two"),     QStringLiteral("\ttotal 100"),
    QStringLiteral("\tpage three")};

QTextCharFormat FormatAt(const TRichText& t, int Pos) {
    const QTextBlock b = t.Document().findBlock(Pos);
    for (const QTextLayout::FormatRange& r : b.textFormats())
        if (Pos - b.position() >= r.start && Pos - b.position() < r.start + r.length) return r.format;
    return QTextCharFormat();
}

// Face, size and style of the character at Pos, as "Arial 10 b i u".
std::string RunAt(const TRichText& t, int Pos) {
    const QTextCharFormat f = FormatAt(t, Pos);
    QString S = f.fontFamilies().toStringList().value(0) + u' ' + QString::number(f.fontPointSize());
    if (f.fontWeight() >= QFont::Bold) S += QStringLiteral(" b");
    if (f.fontItalic()) S += QStringLiteral(" i");
    if (f.fontUnderline()) S += QStringLiteral(" u");
    return S.toStdString();
}

} // namespace

TEST_F(RtfFile, AnEmptyRunIsCompletedWhenTheWriterIsFreed) {
    const QString Name = Path("empty.rtf");
    {
        TVyrRtfFile Rtf(Name);
        EXPECT_EQ(Rtf.FontList().size(), 1u);
        EXPECT_FALSE(QFile::exists(Name)); // nothing in place before the file is complete
    }
    EXPECT_EQ(ReadAll(Name), Header + Margins + " " + BodyStart + "}");
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("empty.rtf")});
}

TEST_F(RtfFile, FontsShareTableEntriesByFaceAndResetTheFormatWhereWritten) {
    const QByteArray Bytes = Written([](TVyrRtfFile& Rtf) {
        Rtf.SetFont(MakeFont("Arial", 10));
        Rtf.SetFont(MakeFont("Arial", 10));
        Rtf.TextOut(QStringLiteral("a"));
        Rtf.SetFont(MakeFont("Arial", 12, fsBold | fsItalic | fsUnderline));
        Rtf.TextOut(QStringLiteral("b"));
        Rtf.SetFont(MakeFont("Courier New", 9));
        Rtf.DefineTab(1440, taLeft);
        Rtf.DefineTab(2880, taCenter);
        Rtf.DefineTab(4320, taRight);
        Rtf.Tab();
        Rtf.NewParagraph();
        Rtf.ParagraphDefault();
        Rtf.TextOut(QString(300, u'x'));
        Rtf.PushBrace();
    });
    EXPECT_EQ(Bytes,
              "{\\rtf1\\ansi {\\fonttbl{\\f1\\fnil\\fcharset0\\fprq0 Arial;}"
              "{\\f2\\fnil\\fcharset0\\fprq0 Courier New;}}" +
                  Margins + " " + BodyStart +
                  "{\\plain\\f1\\fs20 a}{\\plain\\f1\\fs24\\b\\i\\ul b}{\\plain\\f2\\fs18 "
                  "\\tx1440 \\tqc\\tx2880 \\tqr\\tx4320 \\tab \\par }\\pard\\plain\\f1\\fs24\\b\\i\\ul " +
                  QByteArray(300, 'x') + "{}}");
}

TEST_F(RtfFile, ALongBodyGoesToTheFileAsItGrowsAndTheTableWrittenLastStillLeadsIt) {
    // Numbered lines, so that a piece moved to the wrong place or twice shows in the comparison.
    QByteArray Body;
    int64_t Largest = 0;
    const QByteArray Bytes = Written([&Body, &Largest](TVyrRtfFile& Rtf) {
        for (int i = 0; i < 40000; ++i) {
            const QString Line = QStringLiteral("line %1 {of} many").arg(i);
            Rtf.TextOut(Line);
            Rtf.NewParagraph();
            Body += VyrRtfText(Line) + "\\par ";
            Largest = std::max(Largest, Rtf.Stream()->Size());
        }
        // A face first used at the end still gets its table entry ahead of the body.
        Rtf.SetFont(MakeFont("Courier New", 9));
        Rtf.TextOut(QStringLiteral("end"));
    });
    ASSERT_GT(Body.size(), 4 * 256 * 1024);
    EXPECT_LT(Largest, Body.size() / 4); // the body is not held whole
    EXPECT_EQ(Bytes, "{\\rtf1\\ansi {\\fonttbl{\\f1\\fnil\\fcharset0\\fprq0 Arial;}"
                     "{\\f2\\fnil\\fcharset0\\fprq0 Courier New;}}" +
                         Margins + " " + BodyStart + Body + "{\\plain\\f2\\fs18 end}}");
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("out.rtf")});
}

TEST_F(RtfFile, TextIsEscapedAndThePageSetupGivesPaperMarginsAndOrientation) {
    const QByteArray Text = Written(
        [](TVyrRtfFile& Rtf) { Rtf.TextOut(QStringLiteral("\\{}\t1\r\n2\n€é Ω 中 \uFF01 \U0001F600")); });
    EXPECT_EQ(Text.mid(Header.size() + Margins.size() + 1 + BodyStart.size()),
              "\\\\\\{\\}\\tab 1\\line 2\\line \\'80\\'e9 \\u937? \\u20013? \\u-255? \\u-10179?\\u-8704?}");

    const auto PageWords = [this](const std::function<void(TVyrPageSetup&)>& Setup) {
        TVyrPageSetup P;
        Setup(P);
        const QByteArray Bytes = Written([&P](TVyrRtfFile& Rtf) { Rtf.SetPageSetup(&P); });
        return Bytes.mid(Header.size(), Bytes.size() - Header.size() - BodyStart.size() - 1);
    };
    const auto Custom = [](TVyrUnits Units) {
        return [Units](TVyrPageSetup& P) {
            P.SetSize(psCustom);
            P.SetWidth(8.5);
            P.SetHeight(11);
            P.SetUnits(Units);
        };
    };
    EXPECT_EQ(PageWords(Custom(unitInches)), "\\paperw12240\\paperh15840\\psz256" + Margins + " ");
    EXPECT_EQ(PageWords(Custom(unitMiliMeters)), "\\paperw12240\\paperh15840\\psz256" + Margins + " ");
    EXPECT_EQ(PageWords([](TVyrPageSetup& P) {
                  P.SetOrientation(poLandscape);
                  P.SetSize(psA4);
                  P.SetTopMargin(0);
                  P.SetLeftMargin(1);
              }),
              "\\paperh11906\\paperw16838\\psz9\\margl1440\\margr720\\margt\\margb720\\landscape ");
}

TEST_F(RtfFile, AReportReadsBackWithItsTextFontsTabsAndPages) {
    const QByteArray Bytes = Written(WriteReport);
    EXPECT_TRUE(Bytes.contains("\\paperh20160\\paperw12240\\psz5"));
    EXPECT_TRUE(Bytes.contains("\\pard\\box\\brdrs \\plain"));
    EXPECT_TRUE(Bytes.contains("\\pard\\brdrb\\brdrs \\plain"));
    TRichText t;
    t.Load(Bytes);
    EXPECT_EQ(t.Text(), ReportParagraphs.join(u'\r'));

    struct TExpected {
        std::vector<std::pair<int, QTextOption::TabType>> Tabs;
        bool StartsPage;
    };
    const TExpected Paragraphs[] = {
        {{{4320, QTextOption::CenterTab}}, false},
        {{{720, QTextOption::LeftTab}, {4320, QTextOption::CenterTab}, {8640, QTextOption::RightTab}}, false},
        {{{720, QTextOption::LeftTab}}, false},
        {{}, false},
        {{{720, QTextOption::LeftTab}}, true},
        {{{8640, QTextOption::RightTab}}, false},
        {{{4320, QTextOption::CenterTab}}, true},
    };
    int i = 0;
    for (QTextBlock b = t.Document().begin(); b.isValid(); b = b.next(), ++i) {
        ASSERT_LT(i, 7);
        std::vector<std::pair<int, QTextOption::TabType>> Tabs;
        for (const QTextOption::Tab& Tab : b.blockFormat().tabPositions())
            Tabs.emplace_back(int(Tab.position), Tab.type);
        EXPECT_EQ(Tabs, Paragraphs[i].Tabs) << i;
        EXPECT_EQ(b.blockFormat().pageBreakPolicy() == QTextFormat::PageBreak_AlwaysBefore,
                  Paragraphs[i].StartsPage)
            << i;
    }
    EXPECT_EQ(i, 7);

    // Each label's text in its own font; the tab ahead of it is never underlined, and a text after
    // an italic one of the same face is upright.
    const QString All = t.Text();
    const auto Run = [&](const QString& Text) { return RunAt(t, int(All.indexOf(Text))); };
    EXPECT_EQ(Run(QStringLiteral("Sales")), "Times New Roman 14 b");
    EXPECT_EQ(Run(QStringLiteral("Name")), "Arial 10 u");
    EXPECT_EQ(RunAt(t, int(All.indexOf(QStringLiteral("Name"))) - 1), "Arial 10");
    EXPECT_EQ(Run(QStringLiteral("Café")), "Arial 10 i");
    EXPECT_EQ(Run(QStringLiteral("中")), "Courier New 9");
    EXPECT_EQ(Run(QStringLiteral("boxed")), "Arial 10");
    EXPECT_EQ(Run(QStringLiteral("page two")), "Arial 12");
    EXPECT_EQ(Run(QStringLiteral("total")), "Courier New 9");
    EXPECT_EQ(Run(QStringLiteral("page three")), "Times New Roman 14 b");
}

TEST_F(RtfFile, FailuresRaiseAndKeepTheEarlierFile) {
    EXPECT_THROW(TVyrRtfFile(Path("no such folder/out.rtf")), EFCreateError);
    // A folder in the file's place cannot be replaced; it stays, and no partial file is left.
    ASSERT_TRUE(QDir(Dir.path()).mkdir(QStringLiteral("taken.rtf")));
    TVyrRtfFile Taken(Path("taken.rtf"));
    EXPECT_THROW(Taken.Close(), EFCreateError);
    EXPECT_TRUE(QFileInfo(Path("taken.rtf")).isDir());
    EXPECT_TRUE(QDir(Dir.path()).entryList(QDir::Files).isEmpty());

    const QString Name = Path("out.rtf");
    {
        QFile Earlier(Name);
        ASSERT_TRUE(Earlier.open(QIODevice::WriteOnly));
        Earlier.write("earlier");
    }
    bool Raised = false;
    {
        // A file system that takes no more than 4 KB, as a full disk would.
        TFileSizeLimit Limit(4096);
        ASSERT_TRUE(Limit.Set());
        TVyrRtfFile Rtf(Name);
        Rtf.TextOut(QString(10000, u'x'));
        try {
            Rtf.Close();
        } catch (const EStreamError&) {
            Raised = true;
        }
    }
    EXPECT_TRUE(Raised);
    EXPECT_EQ(ReadAll(Name), "earlier");
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("out.rtf")});
}

TEST_F(RtfFile, AWriteThatFailsOnTheWayIsRaisedAtTheCloseAndTheEarlierFileKept) {
    const QString Name = Path("out.rtf");
    {
        QFile Earlier(Name);
        ASSERT_TRUE(Earlier.open(QIODevice::WriteOnly));
        Earlier.write("earlier");
    }
    QString Raised;
    {
        TFileSizeLimit Limit(300 * 1024); // room for one buffer of the body, not for the next
        ASSERT_TRUE(Limit.Set());
        TVyrRtfFile Rtf(Name);
        for (int i = 0; i < 10000; ++i) {
            Rtf.TextOut(QString(100, u'x')); // the run goes on; the failure waits for the close
            Rtf.NewParagraph();
        }
        try {
            Rtf.Close();
        } catch (const EWriteError& E) {
            Raised = E.Message();
        }
    }
    EXPECT_EQ(Raised, QStringLiteral("Cannot write file \"%1\". File too large").arg(Name));
    EXPECT_EQ(ReadAll(Name), "earlier");
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("out.rtf")});
}

TEST_F(RtfFile, AWordProcessorReadsTheReportsTextAndPages) {
    if (!WordProcessorInstalled())
        GTEST_SKIP() << "soffice is not installed; the word processor check is skipped";
    const QString Name = Path("report.rtf");
    Written(WriteReport);
    QFile::rename(Path("out.rtf"), Name);
    EXPECT_EQ(WordProcessorLines(Name, Dir.path()).mid(0, ReportParagraphs.size()), ReportParagraphs);

    const QString Pdfinfo = QStandardPaths::findExecutable(QStringLiteral("pdfinfo"));
    if (Pdfinfo.isEmpty()) GTEST_SKIP() << "pdfinfo is not installed; the page check is skipped";
    QProcess Info;
    Info.start(Pdfinfo, {ConvertWithWordProcessor(Name, QStringLiteral("pdf"), Dir.path())});
    ASSERT_TRUE(Info.waitForFinished(60000));
    const QString Out = QString::fromUtf8(Info.readAllStandardOutput());
    EXPECT_TRUE(Out.contains(QRegularExpression(QStringLiteral("Pages:\\s+3\\n")))) << Out.toStdString();
    EXPECT_TRUE(Out.contains(QRegularExpression(QStringLiteral("Page size:\\s+612 x 1008 pts"))))
        << Out.toStdString();
}
