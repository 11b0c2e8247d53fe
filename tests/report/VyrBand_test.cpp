#include "host/exceptions.h"
#include "host/forms.h"
#include "host/memdataset.h"
#include "host/streams.h"
#include "report/PimPage.h"
#include "report/VyrCtrl.h"
#include "report/VyrRtf.h"
#include "report/VyrVar.h"
#include "support/bandfixture.h"
#include "support/fakeprinter.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TScriptedLabel* AddLabel(TBandPage& P, TVyrBand* Band, const QString& Name, TRect Place, TColor Color) {
    auto* L = Make<TScriptedLabel>(P.Form.get(), Name, Band);
    L->SetBounds(Place.Left, Place.Top, Place.Width(), Place.Height());
    L->Color = Color;
    return L;
}

const QStringList Fills{QStringLiteral("FillRect")};

} // namespace

// A fixed band fills its colour, lays the shade over it, frames itself with four strips and has its
// labels print in list order; a white band leaves the paper unfilled.
TEST(VyrBand, FixedBandDrawsColourShadeBorderAndLabelsAtThePrintPosition) {
    TBandPage P;
    auto* B = P.AddBand(QStringLiteral("Band1"), 30);
    B->SetBorderType(btSingle);
    B->SetShade(spMedium);
    B->SetColor(clBtnFace);
    auto* Right = AddLabel(P, B, QStringLiteral("Right"), Bounds(100, 5, 20, 10), clRed);
    auto* Left = AddLabel(P, B, QStringLiteral("Left"), Bounds(10, 2, 20, 10), clBlue);
    auto* White = P.AddBand(QStringLiteral("Band2"), 20);
    White->SetColor(clWhite);
    White->SetBorderType(btUnderLine);

    P.BeginDoc();
    EXPECT_EQ(P.Page->getpagewidth(), 192);
    EXPECT_EQ(P.Page->getpageheight(), 288);
    P.Page->Position(0, 20);
    EXPECT_EQ(P.Page->XPos(), 48);
    EXPECT_EQ(P.Page->YPos(), 68);
    B->Print(P.Page);
    P.Page->Position(0, 100);
    White->Print(P.Page);
    P.EndDoc();

    EXPECT_EQ(PlayedPage(*P.Document(), 1, Fills),
              (QStringList{
                  "FillRect 48 69 239 99 brush 0 0xF0F0F0 0",             // button face
                  "FillRect 49 69 238 97 brush pattern FBF7BEDFFB7DEFBF", // shade
                  "FillRect 48 68 240 69 brush 0 0x000000 0",             // top
                  "FillRect 239 68 240 98 brush 0 0x000000 0",            // right
                  "FillRect 48 68 49 98 brush 0 0x000000 0",              // left
                  "FillRect 48 98 240 99 brush 0 0x000000 0",             // bottom
                  "FillRect 148 73 168 83 brush 0 0x0000FF 0",            // "Right" first, as listed
                  "FillRect 58 70 78 80 brush 0 0xFF0000 0",
                  "FillRect 48 168 240 169 brush 0 0x000000 0", // the white band: its underline only
              }));
    EXPECT_EQ(Right->Spaces, (std::vector<int>{30}));
    EXPECT_EQ(Left->Spaces, (std::vector<int>{30}));
    EXPECT_EQ(B->BandState(), 0);
}

// A stretching band takes at least its height on its first piece, gives the rest of the page back
// when it may not start below the body top, and splits a tall label across pages.
TEST(VyrBand, StretchingBandPrintsPieceByPieceAcrossPages) {
    TBandPage P;
    auto* B = P.AddBand(QStringLiteral("Band1"), 30);
    B->SetStretch(true);
    B->SetColor(clWhite);
    P.BeginDoc();
    P.Page->SetYPos(60);
    EXPECT_EQ(P.PrintStretching(B), (std::vector<int>{30})); // no labels: one piece of its height

    auto* Short = AddLabel(P, B, QStringLiteral("Short"), Bounds(0, 0, 50, 10), clRed);
    Short->Need = 10;
    EXPECT_EQ(P.PrintStretching(B), (std::vector<int>{30}));
    EXPECT_EQ(Short->Pieces, (std::vector<int>{10}));

    // Below the body top with less room than its height: the whole room is used and nothing drawn.
    P.EndDoc();
    P.BeginDoc();
    P.Page->SetYPos(P.Page->LastPagePos() + 10);
    B->StartPrint();
    EXPECT_EQ(B->PrintHeight(P.Page, 20), 20);
    EXPECT_TRUE(B->FirstPass());
    EXPECT_FALSE(B->EndPrint());
    P.Page->SetYPos(P.Page->LastPagePos()); // the caller broke the page
    EXPECT_EQ(B->PrintHeight(P.Page, 288), 30);
    EXPECT_TRUE(B->EndPrint());
    EXPECT_EQ(Short->Pieces, (std::vector<int>{10, 10}));
    B->FinishedPrint();
    P.EndDoc();
    EXPECT_EQ(PlayedPage(*P.Document(), 1, Fills), QStringList{"FillRect 48 48 98 58 brush 0 0x0000FF 0"});

    // A label needing 300 from y 100: 236 fit on page 1, the other 64 go to the top of page 2.
    P.BeginDoc();
    Short->Need = 300;
    P.Page->SetYPos(100);
    EXPECT_EQ(P.PrintStretching(B), (std::vector<int>{236, 64}));
    EXPECT_EQ(P.Page->PgNum(), 2);
    EXPECT_EQ(P.Page->YPos(), 112);
    P.EndDoc();
    ASSERT_EQ(P.Document()->PageCount(), 2);
    EXPECT_EQ(PlayedPage(*P.Document(), 1, Fills), QStringList{"FillRect 48 100 98 336 brush 0 0x0000FF 0"});
    EXPECT_EQ(PlayedPage(*P.Document(), 2, Fills), QStringList{"FillRect 48 48 98 112 brush 0 0x0000FF 0"});
    EXPECT_EQ(B->BandState(), 0);
}

// Pages before the print range are laid out without output: the labels draw nowhere and the
// destination comes back; the print conditions of bands decide which bands print at all.
TEST(VyrBand, PrintRangeAndPrintConditions) {
    TBandPage P;
    P.Page->PageSetup()->SetRangeStart(2);
    auto* Fixed = P.AddBand(QStringLiteral("Fixed"), 20);
    auto* FixedLabel = AddLabel(P, Fixed, QStringLiteral("L1"), Bounds(0, 0, 10, 10), clRed);
    auto* Tall = P.AddBand(QStringLiteral("Tall"), 20);
    Tall->SetStretch(true);
    auto* TallLabel = AddLabel(P, Tall, QStringLiteral("L2"), Bounds(0, 0, 10, 10), clRed);
    TallLabel->Need = 40;
    P.BeginDoc();
    P.Page->SetYPos(100);
    Fixed->Print(P.Page);
    EXPECT_EQ(P.PrintStretching(Tall), (std::vector<int>{40}));
    EXPECT_TRUE(FixedLabel->Spaces.empty());
    EXPECT_EQ(TallLabel->Destinations, (std::vector<TPimDestination>{adNoWhere}));
    EXPECT_EQ(P.Output.Destination(), adPimFile);
    EXPECT_FALSE(P.Page->AbortPrinting());
    P.Page->PageSetup()->SetRangeEnd(1);
    P.Page->SetPgNum(2);
    EXPECT_FALSE(P.Page->GetPrintOk());
    EXPECT_TRUE(P.Page->AbortPrinting()); // past the end of the range generation stops
    P.EndDoc();
    EXPECT_TRUE(PlayedPage(*P.Document(), 1, Fills).isEmpty());

    TVyrBand* B = Fixed;
    EXPECT_TRUE(B->GetPrintOk());
    B->SetVisible(false);
    EXPECT_FALSE(B->GetPrintOk());
    EXPECT_EQ(B->GetPrintHeight(), 0);
    B->SetVisible(true);
    B->SetContinued(true);
    EXPECT_FALSE(B->GetPrintOk()); // repeats print only the bands that repeat
    B->SetNewPageRepeat(true);
    EXPECT_TRUE(B->GetPrintOk());
    B->SetContinued(false);
    bool Answer = true;
    B->OnPrintWhen = [](TVyrBand*, bool&) {};
    EXPECT_FALSE(B->GetPrintOk()); // a handler that leaves Result prints nothing
    B->OnPrintWhen = [&](TVyrBand*, bool& Result) { Result = Answer; };
    EXPECT_TRUE(B->GetPrintOk());
    EXPECT_EQ(B->GetPrintHeight(), 20);
    B->OnPrintWhen = [](TVyrBand*, bool&) { throw Exception(QStringLiteral("bad condition")); };
    EXPECT_FALSE(B->GetPrintOk());
}

namespace {

// The body a band wrote into a rich-text file, between the writer's own start and the end.
QByteArray RtfBody(TVyrRtfFile& Rtf) {
    TMemoryStream* S = Rtf.Stream();
    return QByteArray(reinterpret_cast<const char*>(S->Memory()), int(S->Size()));
}

struct TRtfBand {
    TBandPage P;
    QTemporaryDir Dir;
    std::unique_ptr<TVyrRtfFile> Rtf;
    TVyrBand* B = P.AddBand(QStringLiteral("Band1"), 20);
    TRtfBand() {
        TFakePrinterList NoPrinters;
        Rtf = std::make_unique<TVyrRtfFile>(Dir.filePath(QStringLiteral("out.rtf")));
        P.Page->SetFirstNewPage(false);
    }
    TScriptedLabel* Label(const QString& Name, int Left, const QString& Text, int Row = 0) {
        auto* L = AddLabel(P, B, Name, Bounds(Left, 0, 40, 10), clBlack);
        L->SetCaption(Text);
        L->SetRow(Row);
        return L;
    }
    QByteArray Written() {
        const int Start = int(Rtf->Stream()->Size());
        B->PrintRtf(P.Page, Rtf.get());
        return RtfBody(*Rtf).mid(Start);
    }
};

} // namespace

// In rich-text output a band writes its labels left to right, row by row, one paragraph per row.
TEST(VyrBand, RichTextRows) {
    {
        TRtfBand R;
        R.Label(QStringLiteral("L1"), 96, QStringLiteral("right"));
        R.Label(QStringLiteral("L2"), 0, QStringLiteral("second"));
        R.Label(QStringLiteral("L3"), 0, QStringLiteral("first")); // same anchor, listed later
        R.Label(QStringLiteral("L4"), 10, QStringLiteral("below"), 1);
        const QByteArray W = R.Written();
        EXPECT_EQ(W.count("\\par "), 2);
        const qsizetype Second = W.indexOf("second"), First = W.indexOf("first"), Right = W.indexOf("right");
        EXPECT_TRUE(Second >= 0 && Second < First && First < Right && Right < W.indexOf("\\par "));
        EXPECT_GT(W.indexOf("below"), W.indexOf("\\par "));
        EXPECT_EQ(W.count(" \\page"), 0);
        EXPECT_TRUE(R.B->EndPrint());
    }
    {
        TRtfBand R;
        R.B->SetBorderType(btUnderLine);
        R.B->SetNewPage(true);
        R.B->SetHeight(0);
        for (int Row = 0; Row < 3; ++Row)
            R.Label(QStringLiteral("L%1").arg(Row), 0, QStringLiteral("row%1").arg(Row), Row);
        const QByteArray W = R.Written();
        EXPECT_EQ(W.count(" \\page"), 1); // before the first row only
        EXPECT_LT(W.indexOf(" \\page"), W.indexOf("row0"));
        EXPECT_EQ(W.count("\\brdrb\\brdrs "), 3);
        EXPECT_EQ(W.count("\\par "), 0); // a band of no height ends no paragraph
        EXPECT_LT(W.indexOf("row1"), W.indexOf("row2"));
    }
    {
        // A label that stops printing after the start of the band ends with it.
        TRtfBand R;
        auto* L = R.Label(QStringLiteral("L1"), 0, QStringLiteral("never"));
        int Asked = 0;
        L->LabelPrintWhen = [&](TVyrLabel*, bool& Result) { Result = ++Asked == 1; };
        const QByteArray W = R.Written();
        EXPECT_EQ(W.count("\\par "), 1);
        EXPECT_FALSE(W.contains("never"));
    }
}

namespace {

// A sub data band over three rows of an in-memory data set, and the loop that generation runs.
struct TSubData {
    TBandPage P;
    TMemDataSet Set;
    TDataSource Source;
    TVyrSubDataBand* Band = P.AddBand<TVyrSubDataBand>(QStringLiteral("SubData1"), 20);
    std::vector<int> Seen; // the Id of every record the band printed
    TSubData() {
        Set.FieldDefs().Add(QStringLiteral("Id"), ftInteger);
        for (int i = 1; i <= 3; ++i)
            Set.AppendRecord({i});
        Source.SetDataSet(&Set);
        Band->SetDataSource(&Source);
    }
    int Id() { return Set.FieldByName(QStringLiteral("Id"))->AsInteger(); }
    std::vector<int> Loop() {
        Seen.clear();
        Band->DataStart();
        for (int Guard = 0; !Band->DataIsFinished() && Guard < 20; ++Guard) {
            Seen.push_back(Id());
            Band->DataSkip();
        }
        Band->DataFinish();
        return Seen;
    }
};

} // namespace

TEST(VyrSubDataBand, DataLoopWalksFiltersAndSurvivesFailingEvents) {
    TToldErrors Told;
    {
        TSubData D;
        int Skips = 0;
        D.Band->OnAfterDataSkip = [&](TVyrSubDataBand*) { ++Skips; };
        EXPECT_EQ(D.Loop(), (std::vector<int>{1, 2, 3}));
        EXPECT_EQ(Skips, 3);
        EXPECT_TRUE(D.Set.Active()); // the run closes its data sources, the band does not

        D.Band->SetCloseDataSet(true);
        EXPECT_EQ(D.Loop(), (std::vector<int>{1, 2, 3}));
        EXPECT_FALSE(D.Set.Active());
        EXPECT_EQ(D.Loop(), (std::vector<int>{1, 2, 3})); // opened again by the next loop
        EXPECT_FALSE(D.Set.Active());
        D.Band->SetCloseDataSet(false);

        D.Band->SetDataRange(drSingleRecord);
        D.Set.Open();
        D.Set.Next();
        EXPECT_EQ(D.Loop(), (std::vector<int>{2}));
        EXPECT_EQ(D.Id(), 2); // the current record stays
        D.Band->SetDataRange(drAllRecords);

        std::vector<int> Filtered;
        D.Band->OnDataFilter = [&](TComponent*, bool& Result) {
            Filtered.push_back(D.Set.Eof() ? 0 : D.Id());
            Result = false;
        };
        Skips = 0;
        EXPECT_EQ(D.Loop(), (std::vector<int>{}));
        EXPECT_EQ(Skips, 0);
        EXPECT_EQ(Filtered, (std::vector<int>{1, 2, 3}));
    }
    {
        // One row, rejected: the filter runs twice, the second time at the end of the data.
        TSubData D;
        D.Set.EmptyDataSet();
        D.Set.AppendRecord({9});
        int Filtered = 0;
        bool AtEnd = false;
        D.Band->OnDataFilter = [&](TComponent*, bool& Result) {
            ++Filtered;
            AtEnd = D.Set.Eof();
            Result = false;
        };
        EXPECT_EQ(D.Loop(), (std::vector<int>{}));
        EXPECT_EQ(Filtered, 2);
        EXPECT_TRUE(AtEnd);
    }
    {
        // Events drive the loop: a failing skip is told and ends the rows, since it would fail again
        // from the same row; a failing start ends the loop before its first row.
        TSubData D;
        int Row = 0, Skips = 0, Finished = 0;
        D.Band->OnDataStart = [&](TComponent*) { Row = 1; };
        D.Band->OnDataSkip = [&](TComponent* Sender) {
            if (++Skips == 1) throw Exception(QStringLiteral("skip failed"));
            if (++Row > 3) static_cast<TVyrSubDataBand*>(Sender)->SetDataIsFinished(true);
        };
        D.Band->OnDataFinish = [&](TComponent*) { ++Finished; };
        D.Band->DataStart();
        int Printed = 0;
        while (!D.Band->DataIsFinished() && Printed < 20) {
            ++Printed;
            D.Band->DataSkip();
        }
        D.Band->DataFinish();
        EXPECT_EQ(Printed, 1);
        EXPECT_EQ(Finished, 1);
        D.Band->OnDataStart = [](TComponent*) { throw Exception(QStringLiteral("start failed")); };
        D.Band->DataStart();
        EXPECT_TRUE(D.Band->DataIsFinished());
    }
    EXPECT_EQ(Told.Messages, (QStringList{"skip failed", "start failed"}));
    {
        TSubData D;
        D.Band->SetDataSource(nullptr); // no data and no events: nothing to print
        EXPECT_EQ(D.Loop(), (std::vector<int>{}));
    }
}

// A group breaks when the text of its variable changes, letter case included, or when its handler
// says so; a failing handler is told once and the test's result stands.
TEST(VyrGroup, BreakTest) {
    TBandPage P;
    P.Page->AddMainBands();
    TVyrLevel* Detail = P.Page->Detail()->UpdateLevel();
    auto* V = Make<TVyrExprVar>(P.Form.get(), QStringLiteral("Name"), P.Page);
    V->SetUpdateLevel(Detail);
    V->SetDataType(dtypeString);
    QString Current;
    V->OnGetData = [&](TVyrVar* Self) { Self->SetAsString(Current); };
    auto* G = Make<TVyrGroup>(P.Form.get(), QStringLiteral("Group1"), P.Page);
    auto Next = [&](const char* Name) {
        Current = QString::fromLatin1(Name);
        P.Page->UpdateDataLevel(Detail);
        return G->CheckBroken();
    };
    EXPECT_FALSE(Next("Smith")); // no variable yet: only a handler could break it
    G->SetVariable(V);
    EXPECT_FALSE(Next("Smith"));
    EXPECT_TRUE(Next("SMITH"));
    EXPECT_FALSE(Next("SMITH"));
    EXPECT_TRUE(Next("Jones"));

    TToldErrors Told;
    G->OnCheckBroken = [](TComponent* Sender) {
        static_cast<TVyrGroup*>(Sender)->SetBroken(true);
        throw Exception(QStringLiteral("handler failed"));
    };
    EXPECT_TRUE(Next("Jones"));
    G->SetVariable(nullptr);
    G->OnCheckBroken = [](TComponent* Sender) { static_cast<TVyrGroup*>(Sender)->SetBroken(true); };
    EXPECT_TRUE(G->CheckBroken());
    G->OnCheckBroken = [](TComponent*) { throw Exception(QStringLiteral("handler failed")); };
    G->SetVariable(V);
    EXPECT_TRUE(Next("Brown")); // the variable's answer stands
    EXPECT_EQ(Told.Messages, (QStringList{"handler failed", "handler failed"}));

    G->SetBroken(true);
    P.BeginDoc();
    G->PrintHead(P.Page);
    EXPECT_FALSE(G->Broken()); // no bands yet: nothing printed, the break is taken
    P.EndDoc();
}

// AddBands gives a group its header and footer with their own levels; the reserved space below a
// band counts a band that still exists; a group keeps no size; a refused delete frees nothing.
TEST(VyrGroup, BandsReserveBoundsAndDeletion) {
    TBandPage P;
    P.Page->AddMainBands();
    auto* G = Make<TVyrGroup>(P.Form.get(), QStringLiteral("Group1"), P.Page);
    G->AddBands(P.Page);
    ASSERT_TRUE(G->Header() && G->Footer());
    TVyrBand* H = G->Header();
    EXPECT_EQ(H->Name(), QStringLiteral("Group1Header"));
    EXPECT_EQ(H->BandName(), QStringLiteral("Group1 Header"));
    EXPECT_EQ(H->Height(), 20);
    ASSERT_NE(H->UpdateLevel(), nullptr);
    EXPECT_EQ(H->UpdateLevel()->Name(), QStringLiteral("Group1HeaderLevel"));
    EXPECT_TRUE(H->UpdateLevel()->IsHeader());
    EXPECT_EQ(G->Footer()->Name(), QStringLiteral("Group1Footer"));
    EXPECT_EQ(G->Footer()->BandName(), QStringLiteral("Group1 Footer"));
    EXPECT_FALSE(G->Footer()->UpdateLevel()->IsHeader());

    auto* Extra = P.AddBand(QStringLiteral("Extra"), 18);
    TVyrReserveSpace* R = H->ReserveSpace();
    R->SetBand(Extra);
    R->SetBandCount(2);
    R->SetSpace(5);
    EXPECT_EQ(R->Reserve(), 41);
    R->SetBandCount(INT32_MAX);
    EXPECT_EQ(R->Reserve(), INT32_MAX); // clamped, never wrapped
    R->SetBandCount(2);
    delete Extra;
    EXPECT_EQ(R->Band(), nullptr);
    EXPECT_EQ(R->Reserve(), 5);

    delete H->UpdateLevel();
    EXPECT_EQ(H->UpdateLevel(), nullptr);

    G->SetBounds(10, 20, 30, 40);
    EXPECT_EQ((std::vector<int>{G->Left(), G->Top(), G->Width(), G->Height()}), (std::vector<int>{0, 0, 0, 0}));

    P.Form->SetDesigning(true);
    EXPECT_THROW(
        {
            try {
                G->Free();
            } catch (const Exception& E) {
                EXPECT_EQ(E.Message(), QStringLiteral("You are not allowed to delete a group outside of the page manager"));
                throw;
            }
        },
        Exception);
    EXPECT_EQ(G->Header(), H);
    EXPECT_EQ(P.Page->Groups()->size(), 1u);
    EXPECT_THROW(H->Free(), Exception);
    EXPECT_EQ(H->Parent(), P.Page);
    G->SafeDelete();
    EXPECT_TRUE(P.Page->Groups() == nullptr || P.Page->Groups()->empty());
    EXPECT_EQ(P.Form->FindComponent(QStringLiteral("Group1Header")), nullptr);
}

// Attached bands lead to their main band; a band attached to nothing, or a loop, has none.
TEST(VyrBand, MainBandOfAttachedKinds) {
    TBandPage P;
    P.Page->AddMainBands();
    TVyrBand* Detail = P.Page->Detail();
    auto* Sub = P.AddBand<TVyrSubDataBand>(QStringLiteral("Sub"), 10);
    auto* Head = P.AddBand<TVyrDataHeadBand>(QStringLiteral("Head"), 10);
    auto* Child = P.AddBand<TVyrSubBand>(QStringLiteral("Child"), 10);
    auto* Overlay = P.AddBand<TVyrOverlayBand>(QStringLiteral("Overlay"), 10);
    EXPECT_EQ(Sub->GetMainBand(), nullptr);
    Sub->SetBand(Detail);
    Head->SetBand(Sub);
    Child->SetBand(Head);
    EXPECT_EQ(Child->GetMainBand(), Detail);
    EXPECT_EQ(Overlay->GetMainBand(), Overlay);
    Sub->SetBand(Child);
    EXPECT_EQ(Child->GetMainBand(), nullptr);
    EXPECT_EQ(Sub->GetMainBand(), nullptr);
}

// A page's main bands, a reserve's band and the page's data set may lie elsewhere (another page or
// form): when that owner frees its components in one go, the page and the band forget them.
TEST(VyrBand, MainBandsReserveBandAndDataSetFreedElsewhereAreForgotten) {
    TBandPage P;
    P.Page->AddMainBands();
    TVyrBand* Own = P.Page->Detail();
    TComponent Elsewhere(nullptr);
    auto* Band = Make<TVyrBand>(&Elsewhere, QStringLiteral("Far"), nullptr);
    auto* Data = new TMemDataSet(&Elsewhere);
    P.Page->SetDetail(Band);
    P.Page->SetHead(Band);
    P.Page->SetFoot(Band);
    P.Page->SetPageHead(Band);
    P.Page->SetPageFoot(Band);
    P.Page->SetDataSet(Data);
    Own->ReserveSpace()->SetBand(Band);
    TVyrBand* Copier = P.AddBand(QStringLiteral("Copier"), 10);
    Copier->ReserveSpace()->Assign(Own->ReserveSpace());
    Elsewhere.DestroyComponents();
    EXPECT_EQ((std::vector<const void*>{P.Page->Detail(), P.Page->Head(), P.Page->Foot(), P.Page->PageHead(),
                                        P.Page->PageFoot(), P.Page->DataSet(), Own->ReserveSpace()->Band(),
                                        Copier->ReserveSpace()->Band()}),
              std::vector<const void*>(8, nullptr));
}
