#include "host/storedforms.h"
#include "output/PimRtfP.h"
#include "report/PimRtfC.h"
#include "report/VyrVar.h"
#include "support/bandfixture.h"
#include "support/devices.h"
#include "support/logfilter.h"
#include "support/pixelprobe.h"

#include <QRegularExpression>
#include <functional>
#include <gtest/gtest.h>

namespace {

// A rich-text label at the common placement: Left 10, Top 5, 100 x 17, border margin 2, bottom
// margin 20; on a band printed at (48, 68) its rectangle is 58 73 158 90.
TVyrRichTextLabel* AddRichLabel(TBandPage& P, TVyrBand* Band, TVyrVar* Var) {
    auto* L = Make<TVyrRichTextLabel>(P.Form.get(), QStringLiteral("Rich"), Band);
    L->SetBounds(10, 5, 100, 17);
    L->SetVariable(Var);
    return L;
}

// A silent label placed after the one under test: the band asks it, right after that label, how
// much of the Space of each piece it spends, and it ends with that label.
class TPieceProbe : public TVyrLabel {
public:
    using TVyrLabel::TVyrLabel;
    TVyrLabel* Watched = nullptr;
    std::function<void(int Space)> OnPiece;
    int SpendHeight(TVyrPage*, int Space) override {
        if (OnPiece) OnPiece(Space);
        return 0;
    }
    int PrintHeight(TVyrPage*, int, int) override {
        SetEndPrint(Watched->EndPrint());
        return 0;
    }
};

// A variable holding Rtf as its value stream, as a memo field would.
TVyrVar* AddRichVariable(TBandPage& P, const QByteArray& Rtf) {
    auto* Var = Make<TVyrExprVar>(P.Form.get(), QStringLiteral("Notes"), P.Page);
    Var->SetDataType(dtypeBlob);
    Var->Initialize();
    TMemoryStream S;
    S.WriteBuffer(Rtf.constData(), Rtf.size());
    Var->SetAsStream(&S);
    return Var;
}

QByteArray Paragraphs(int Count, const QByteArray& Size = "\\fs20") {
    QByteArray r = "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}}\\f0" + Size + " ";
    for (int i = 0; i < Count; ++i)
        r += "Paragraph " + QByteArray::number(i) + ": {\\b words} that wrap over a line\\par ";
    return r + "}";
}

int TextLength(const QByteArray& Rtf) {
    TPimRtfDraw r;
    TMemoryStream S;
    S.WriteBuffer(Rtf.constData(), Rtf.size());
    r.LoadFromStream(S);
    return r.TextLength();
}

// The rich-text records of page N as an export filter gets them: the text rectangle and the range
// of characters drawn.
struct TRtfRecord {
    TRect Rect;
    int Start = 0;
    int End = 0;
};

std::vector<TRtfRecord> RtfRecords(TPimPimFile& Document, int N) {
    std::vector<TRtfRecord> Records;
    for (const QString& Call : ExportedPage(Document, N)) {
        if (!Call.startsWith(QStringLiteral("RtfDraw "))) continue;
        const QStringList Parts = Call.split(QLatin1Char(' '));
        TRtfRecord r;
        r.Rect = TRect{Parts[1].toInt(), Parts[2].toInt(), Parts[3].toInt(), Parts[4].toInt()};
        r.Start = Parts[Parts.size() - 3].toInt();
        r.End = Parts[Parts.size() - 2].toInt();
        Records.push_back(r);
    }
    return Records;
}

// The label's background fills of page N (the label is yellow) as rectangles.
std::vector<QRect> YellowFills(TPimPimFile& Document, int N) {
    static const QRegularExpression Fill(
        QStringLiteral("^FillRect (\\d+) (\\d+) (\\d+) (\\d+) brush 0 0x00FFFF"));
    std::vector<QRect> Fills;
    for (const QString& Call : PlayedPage(Document, N)) {
        const auto m = Fill.match(Call);
        if (m.hasMatch())
            Fills.emplace_back(QPoint(m.captured(1).toInt(), m.captured(2).toInt()),
                               QPoint(m.captured(3).toInt() - 1, m.captured(4).toInt() - 1));
    }
    return Fills;
}

// The text drawn on page N inside Within: what differs from the label's yellow.
QRect TextInk(TPimPimFile& Document, int N, const QRect& Within) {
    auto DC = DeviceContext::CreateRecordingImage(PrinterCaps(96, 3, 4, 0));
    Document.PlayPage(DC.get(), N);
    return InkBounds(*DC->Image(), qRgb(255, 255, 0), Within);
}

} // namespace

// Eight paragraphs in a stretching band of 10 placed so that about half of them fit above the
// bottom of page 1's body (y 336).
TEST(VyrRichTextLabel, StretchingTextGoesOnWithTheNextCharacterBelowTheNextPagesTop) {
    const QByteArray Rtf = Paragraphs(8);
    const int Length = TextLength(Rtf);
    TBandPage P;
    auto* B = P.AddBand(QStringLiteral("Band1"), 10);
    B->SetStretch(true);
    auto* L = AddRichLabel(P, B, AddRichVariable(P, Rtf));
    L->SetStretch(true);
    L->SetTransparent(false);
    L->SetParentColor(false);
    L->SetColor(clYellow);
    int Whole = 0;
    {
        TPimRtfDraw r;
        TMemoryStream S;
        S.WriteBuffer(Rtf.constData(), Rtf.size());
        r.LoadFromStream(S);
        r.SetPixelsPerInchX(96);
        r.SetPixelsPerInchY(96);
        r.SetFont(*L->Font());
        r.SetOutRect(Bounds(0, 0, 96, 5000));
        Whole = r.Height();
    }
    ASSERT_GT(Whole, 100);
    // room for half the text and 12 pixels, less than a line but more than the band's height, so
    // that the label itself finds that nothing more fits on page 1
    const int Y = 336 - (5 + 2 * 2 + 20 + Whole / 2 + 12);
    std::vector<int> Spends;
    auto* Probe = Make<TPieceProbe>(P.Form.get(), QStringLiteral("Probe"), B);
    Probe->SetBounds(10, 5, 10, 5);
    Probe->Watched = L;
    Probe->OnPiece = [&](int Space) { Spends.push_back(L->SpendHeight(P.Page, Space)); };
    P.BeginDoc();
    P.Page->Position(0, Y - 48);
    const std::vector<int> Pieces = P.PrintStretching(B);
    P.EndDoc();
    ASSERT_EQ(P.Document()->PageCount(), 2);

    // the first piece on page 1 and, past the line that does not fit there, the rest on page 2
    const std::vector<TRtfRecord> Page1 = RtfRecords(*P.Document(), 1), Page2 = RtfRecords(*P.Document(), 2);
    ASSERT_EQ(Page1.size(), 1u);
    ASSERT_EQ(Page2.size(), 1u);
    EXPECT_EQ(Page1[0].Start, 0);
    EXPECT_GT(Page1[0].End, Length / 4);
    EXPECT_LT(Page1[0].End, Length * 3 / 4);
    EXPECT_EQ(Page2[0].Start, Page1[0].End);
    EXPECT_EQ(Page2[0].End, Length);
    EXPECT_EQ(Page1[0].Rect.Left, 60);
    EXPECT_EQ(Page1[0].Rect.Top, Y + 5 + 2);
    EXPECT_EQ(Page1[0].Rect.Right, 156);
    EXPECT_EQ(Page2[0].Rect.Left, 60);
    EXPECT_EQ(Page2[0].Rect.Top, 48 + 1 + 2);

    // the label's own pieces: its text, the rest of page 1 and the text on page 2
    const std::vector<QRect> Fills1 = YellowFills(*P.Document(), 1), Fills2 = YellowFills(*P.Document(), 2);
    ASSERT_EQ(Fills1.size(), 2u);
    ASSERT_EQ(Fills2.size(), 1u);
    const int First = Fills1[0].height() + 1, Rest = Fills1[1].height() + 1, Last = Fills2[0].height() + 1;
    EXPECT_EQ(Fills1[0].top(), Y + 5);
    EXPECT_GE(First, 17);
    EXPECT_EQ(Fills1[1].top(), Y + 5 + First + 1);
    EXPECT_EQ(Fills1[1].top() + Rest, 336 + 1);
    EXPECT_EQ(Fills2[0].top(), 48 + 1);
    EXPECT_EQ(Pieces, (std::vector<int>{5 + First + Rest + 1, Last + 1})); // by page
    // what the band asked for when measured before it prints, then before each piece: the first as
    // printed, a continuation one more
    EXPECT_EQ(Spends, (std::vector<int>{5 + First, 5 + First, Rest + 1, Last + 1}));

    // the text ends at least the bottom margin above the bottom of each piece
    for (const auto& [Page, Fill] : {std::pair{1, Fills1[0]}, std::pair{2, Fills2[0]}}) {
        const QRect Ink = TextInk(*P.Document(), Page, Fill);
        ASSERT_FALSE(Ink.isEmpty()) << Page;
        const int Free = Fill.bottom() + 1 - Ink.bottom();
        EXPECT_GE(Free, 20) << Page;
        EXPECT_LE(Free, 20 + 2 * 2 + 6) << Page;
    }
}

TEST(VyrRichTextLabel, FixedEmptyInactiveAndOversizedTextTakeTheRoomTheyShould) {
    const QByteArray Rtf = Paragraphs(8);
    TBandPage P;
    auto* B = P.AddBand(QStringLiteral("Band1"), 17);
    B->SetStretch(true);
    auto* Var = AddRichVariable(P, Rtf);

    // not stretching: one piece of its design height with what fits in it
    auto* Fixed = AddRichLabel(P, B, Var);
    Fixed->SetHeight(60);
    P.BeginDoc();
    P.Page->Position(0, 20);
    EXPECT_EQ(P.PrintStretching(B), std::vector<int>{5 + 60});
    EXPECT_TRUE(Fixed->EndPrint());

    // without a variable, or with one that is not active, nothing at all
    Fixed->SetVariable(nullptr);
    EXPECT_EQ(Fixed->Caption(), QStringLiteral("Fill in variable."));
    auto* Closed = Make<TVyrDBVar>(P.Form.get(), QStringLiteral("Closed"), P.Page);
    Closed->Initialize();
    ASSERT_FALSE(Closed->Active());
    auto* Inactive = Make<TVyrRichTextLabel>(P.Form.get(), QStringLiteral("Inactive"), B);
    Inactive->SetBounds(10, 5, 100, 17);
    Inactive->SetStretch(true);
    Inactive->SetVariable(Closed);
    EXPECT_EQ(Inactive->Caption(), QStringLiteral("Closed"));
    for (TVyrRichTextLabel* L : {Fixed, Inactive}) {
        L->StartPrint();
        EXPECT_TRUE(L->EndPrint());
        EXPECT_EQ(L->SpendHeight(P.Page, 200), 0);
        EXPECT_EQ(L->PrintHeight(P.Page, 200, 0), 0);
    }
    P.Page->Position(0, 100);
    EXPECT_EQ(P.PrintStretching(B), std::vector<int>{17});
    B->Print(P.Page);
    // nor does it write into rich-text files
    Inactive->SetVariable(Var);
    Inactive->StartPrint();
    Inactive->PrintRtf(P.Page, nullptr, 0);
    EXPECT_TRUE(Inactive->EndPrint());
    P.EndDoc();
    const std::vector<TRtfRecord> Drawn = RtfRecords(*P.Document(), 1);
    ASSERT_EQ(Drawn.size(), 1u);
    EXPECT_EQ(Drawn[0].Start, 0);
    EXPECT_GT(Drawn[0].End, 0);
    EXPECT_LT(Drawn[0].End, TextLength(Rtf) / 2);
    EXPECT_EQ(Drawn[0].Rect.Left, 60);
    EXPECT_EQ(Drawn[0].Rect.Top, 75);
    EXPECT_EQ(Drawn[0].Rect.Right, 156);

    // lines higher than the page body: below the body top the first waits for the next page, and
    // from the top of each page one line prints, so the text moves on to its end
    const QByteArray Huge = "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}}\\f0\\fs600 A\\par B\\par C}";
    TBandPage H;
    auto* HB = H.AddBand(QStringLiteral("Band1"), 17);
    HB->SetStretch(true);
    auto* HL = AddRichLabel(H, HB, AddRichVariable(H, Huge));
    HL->SetStretch(true);
    H.BeginDoc();
    H.Page->Position(0, 100);
    EXPECT_EQ(H.PrintStretching(HB).size(), 4u);
    H.EndDoc();
    ASSERT_EQ(H.Document()->PageCount(), 4);
    EXPECT_TRUE(RtfRecords(*H.Document(), 1).empty());
    int Next = 0;
    for (int Page = 2; Page <= 4; ++Page) {
        const std::vector<TRtfRecord> Line = RtfRecords(*H.Document(), Page);
        ASSERT_EQ(Line.size(), 1u) << Page;
        EXPECT_EQ(Line[0].Start, Next) << Page;
        EXPECT_GT(Line[0].End, Next) << Page;
        EXPECT_EQ(Line[0].Rect.Top, 48 + 1 + 2) << Page;
        Next = Line[0].End;
    }
    EXPECT_EQ(Next, TextLength(Huge));
}

TEST(VyrRichTextLabel, TheDesignedFormShowsTheTextAndStoredFormsKeepTheLabel) {
    RegisterReportTestClasses();
    TBandPage P;
    auto* B = P.AddBand(QStringLiteral("Band1"), 30);
    auto* L = AddRichLabel(P, B, AddRichVariable(P, Paragraphs(1)));
    L->SetStretch(true);
    L->SetBottomMargin(10);
    L->SetSetDefaultFont(true);

    // painted in its box, with the first line although the box is lower than a line and margins
    auto DC = DeviceContext::CreateRecording(ScreenCaps(96, 200, 100));
    L->Canvas()->SetHandle(DC.get());
    L->Paint();
    L->Canvas()->SetHandle(nullptr);
    EXPECT_FALSE(L->Painting());
    const QStringList Text = DC->Log()->Only({QStringLiteral("ExtTextOut")});
    ASSERT_FALSE(Text.isEmpty());
    EXPECT_TRUE(Text[0].contains(QStringLiteral("\"Paragraph 0: \""))) << Text[0].toStdString();
    EXPECT_TRUE(DC->Log()->Calls.contains(QStringLiteral("LineTo 99 16"))); // the dotted outline

    const QByteArray Stored = WriteComponentText(P.Form.get());
    EXPECT_TRUE(Stored.contains("object Rich: TVyrRichTextLabel\n")) << Stored.constData();
    EXPECT_TRUE(Stored.contains("          Stretch = True\n")) << Stored.constData();
    EXPECT_TRUE(Stored.contains("          SetDefaultFont = True\n          BottomMargin = 10\n"))
        << Stored.constData();
    EXPECT_TRUE(Stored.contains("          Variable = Notes\n")) << Stored.constData();
    QByteArray Old = Stored;
    Old.replace("          Stretch = True\n", "          AutoSize = True\n          Stretch = True\n");
    TReportTestForm Loaded;
    ReadComponentText(Old, &Loaded);
    auto* Read = dynamic_cast<TVyrRichTextLabel*>(Loaded.FindComponent(QStringLiteral("Rich")));
    ASSERT_NE(Read, nullptr);
    EXPECT_EQ(Read->BottomMargin(), 10);
    EXPECT_TRUE(Read->SetDefaultFont());
    ASSERT_NE(Read->Variable(), nullptr);
    EXPECT_EQ(Read->Caption(), QStringLiteral("Notes"));
    EXPECT_EQ(WriteComponentText(&Loaded).toStdString(), Stored.toStdString());
    // removing the variable clears the reference
    delete Read->Variable();
    EXPECT_EQ(Read->Variable(), nullptr);
    EXPECT_EQ(Read->GetDisplayText(), QStringLiteral("Fill in variable."));
}
