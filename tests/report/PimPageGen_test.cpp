#include "host/forms.h"
#include "host/memdataset.h"
#include "host/resstrings.h"
#include "report/VyrVar.h"
#include "output/PimFile.h"
#include "report/PimPage.h"
#include "report/VyrCtrl.h"
#include "support/bandfixture.h"
#include "support/passdriver.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

// The fixture's 3 x 4 in page (body 288 high from y 48) with its main bands, over a data set of
// numbered records; every band notes "name page y" when it prints.
struct TGenPage : TBandPage {
    TMemDataSet Set;
    TDataSource Source;
    QStringList Log;
    std::shared_ptr<TPimPimFile> Doc; // what the screen would show
    explicit TGenPage(int Records) {
        Page->OnPreview = [this](TComponent*) { Doc = Output.PimFile(); };
        Set.FieldDefs().Add(QStringLiteral("N"), ftInteger);
        Set.Open();
        for (int i = 1; i <= Records; ++i) Set.AppendRecord({i});
        Source.SetDataSet(&Set);
        Page->SetDataSource(&Source);
        Page->AddMainBands();
        ClearPostedMessages();
        for (TVyrBand* B : *Page->Bands()) Watch(B);
        Page->Head()->SetVisible(false);
        Page->Foot()->SetVisible(false);
        Page->PageHead()->SetHeight(20);
        Page->Detail()->SetHeight(30);
        Page->PageFoot()->SetHeight(24);
    }
    ~TGenPage() { Page->SetDataSource(nullptr); }
    void Watch(TVyrBand* B) {
        B->OnBeforePrint = [this](TVyrBand* Band) {
            Log << QStringLiteral("%1 %2 %3").arg(Band->Name()).arg(Page->PageNumber()).arg(Page->YPos());
        };
    }
    // The lines of the log for one band.
    QStringList Of(const QString& Name) const { return Log.filter(QRegularExpression(QStringLiteral("^%1 ").arg(Name))); }
    void Run() { RunPasses(*Page, Output); }
};

} // namespace

TEST(Generation, DetailsFillEachPageAboveTheFooterAndTheLastFooterCanBeLeftOut) {
    TGenPage G(20);
    G.Run();
    const QString Detail = G.Page->Detail()->Name();
    const QString Foot = G.Page->PageFoot()->Name();
    const QString Head = G.Page->PageHead()->Name();
    QStringList Expected;
    for (int Pg = 1; Pg <= 3; ++Pg) {
        Expected << QStringLiteral("%1 %2 48").arg(Head).arg(Pg);
        for (int k = 0; k < (Pg < 3 ? 8 : 4); ++k) Expected << QStringLiteral("%1 %2 %3").arg(Detail).arg(Pg).arg(68 + 30 * k);
        Expected << QStringLiteral("%1 %2 312").arg(Foot).arg(Pg);
    }
    EXPECT_EQ(G.Log, Expected);
    EXPECT_EQ(G.Page->PageCount(), 3);
    ASSERT_NE(G.Doc, nullptr);
    EXPECT_EQ(G.Doc->PageCount(), 3);

    // 61 high: 251 + 61 + 24 reaches the body's bottom, so three a page; 60 gives four.
    for (int Height : {61, 60}) {
        TGenPage H(8);
        H.Page->Detail()->SetHeight(Height);
        H.Page->SetOmitLastPgFt(true);
        H.Run();
        const int PerPage = Height == 61 ? 3 : 4;
        const QStringList Details = H.Of(H.Page->Detail()->Name());
        ASSERT_EQ(Details.size(), 8);
        EXPECT_EQ(Details[PerPage - 1], QStringLiteral("%1 1 %2").arg(H.Page->Detail()->Name()).arg(68 + Height * (PerPage - 1)));
        EXPECT_EQ(Details[PerPage], QStringLiteral("%1 2 68").arg(H.Page->Detail()->Name()));
        const int Pages = (8 + PerPage - 1) / PerPage;
        EXPECT_EQ(H.Page->PageCount(), Pages) << Height;
        EXPECT_EQ(H.Of(H.Page->PageFoot()->Name()).size(), Pages - 1) << Height;
    }
}

TEST(Generation, RepeatedDetailReturnsBelowThePageHeaderWhenItsOwnSubBandBreaksThePage) {
    TGenPage G(2);
    TVyrBand* Detail = G.Page->Detail();
    Detail->SetNewPageRepeat(true);
    auto* A = G.AddBand<TVyrSubBand>(QStringLiteral("SubA"), 200);
    A->SetBand(Detail);
    auto* B = G.AddBand<TVyrSubBand>(QStringLiteral("SubB"), 100);
    B->SetBand(Detail);
    B->SetOrderDirect(1);
    G.Watch(A);
    G.Watch(B);
    G.Run();
    const QString D = Detail->Name();
    const QString H = G.Page->PageHead()->Name();
    const QString F = G.Page->PageFoot()->Name();
    // 98 + 200 fits above the footer, 298 + 100 does not: page 2 opens with the detail again, and
    // so does page 3, broken by the second record's first sub band.
    EXPECT_EQ(G.Log, (QStringList{H + " 1 48", D + " 1 68", "SubA 1 98", F + " 1 312",
                                  H + " 2 48", D + " 2 68", "SubB 2 98", D + " 2 198", F + " 2 312",
                                  H + " 3 48", D + " 3 68", "SubA 3 98", F + " 3 312",
                                  H + " 4 48", D + " 4 68", "SubB 4 98", F + " 4 312"}));
    EXPECT_TRUE(G.Page->UpdateBandLevelList().empty());
    EXPECT_EQ(G.Page->GroupPageState(), 0);
}

TEST(Generation, PrintRangeOutputsOnlyItsPagesAndStopsAfterIt) {
    TGenPage G(48); // six pages of eight
    G.Page->PageSetup()->SetRangeStart(3);
    G.Page->PageSetup()->SetRangeEnd(4);
    G.Run();
    ASSERT_NE(G.Doc, nullptr);
    EXPECT_EQ(G.Doc->PageCount(), 2);
    EXPECT_EQ(G.Page->PagesPrinted(), 2);
    // The first record of page 5 ends generation: nothing after it is laid out.
    const QStringList Details = G.Of(G.Page->Detail()->Name());
    EXPECT_EQ(Details.size(), 33);
    EXPECT_TRUE(G.Page->AbortPrinting());

    // A report header with something to print has its page to itself.
    TGenPage R(3);
    R.Page->Head()->SetVisible(true);
    R.Page->Head()->SetHeight(40);
    R.Run();
    EXPECT_EQ(R.Log.mid(0, 3), (QStringList{R.Page->Head()->Name() + " 1 48", R.Page->PageHead()->Name() + " 2 48",
                                            R.Page->Detail()->Name() + " 2 68"}));
    EXPECT_EQ(R.Doc->PageCount(), 2);
}

TEST(Generation, GroupFootersShowTheOldValuesHeadersTheNewAndOnlyTheBrokenGroupStartsAPage) {
    TGenPage G(0);
    G.Set.Close();
    G.Set.FieldDefs().Add(QStringLiteral("A"), ftInteger);
    G.Set.FieldDefs().Add(QStringLiteral("B"), ftInteger);
    G.Set.Open();
    for (auto [A, B] : std::vector<std::pair<int, int>>{{1, 1}, {1, 1}, {1, 2}, {2, 2}, {2, 3}}) G.Set.AppendRecord({0, A, B});
    G.Page->Detail()->SetHeight(10);
    TVyrLevel* DetailLevel = G.Page->Detail()->UpdateLevel();
    std::vector<TVyrVar*> Vars;
    for (const char* Field : {"A", "B"}) {
        auto* V = Make<TVyrExprVar>(G.Form.get(), QStringLiteral("V%1").arg(QLatin1String(Field)), G.Page);
        V->SetUpdateLevel(DetailLevel);
        V->SetDataType(dtypeString);
        V->OnGetData = [&G, Field](TVyrVar* Self) { Self->SetAsString(G.Set.FieldByName(QLatin1String(Field))->AsString()); };
        Vars.push_back(V);
    }
    for (int i = 0; i < 2; ++i) {
        auto* Group = Make<TVyrGroup>(G.Form.get(), QStringLiteral("G%1").arg(i + 1), G.Page);
        Group->AddBands(G.Page);
        Group->SetLevel(i);
        Group->SetVariable(Vars[i]);
        for (TVyrBand* B : {Group->Header(), Group->Footer()}) {
            B->SetHeight(10);
            B->OnBeforePrint = [&G, V = Vars[i]](TVyrBand* Band) {
                G.Log << QStringLiteral("%1 %2 %3").arg(Band->Name()).arg(G.Page->PageNumber()).arg(V->AsString());
            };
        }
    }
    G.Page->Groups()->at(1)->Header()->SetNewPage(true);
    G.Run();
    const QStringList Groups = G.Log.filter(QRegularExpression(QStringLiteral("^G")));
    EXPECT_EQ(Groups, (QStringList{"G1Header 1 1", "G2Header 1 1",                               //
                                   "G2Footer 1 1", "G2Header 2 2",                               // B breaks
                                   "G2Footer 2 2", "G1Footer 2 1", "G1Header 2 2", "G2Header 2 2", // A breaks
                                   "G2Footer 2 2", "G2Header 3 3",                               // B breaks
                                   "G2Footer 3 3", "G1Footer 3 2"}));
    EXPECT_EQ(G.Page->PageCount(), 3);
}

TEST(Generation, WithoutDataTheMessageIsToldAndHeaderAndFooterStillPrint) {
    TGenPage G(0);
    G.Page->SetDataSource(nullptr);
    TToldErrors Told;
    G.Page->Head()->SetVisible(true);
    G.Page->Foot()->SetVisible(true);
    G.Page->Head()->SetHeight(40);
    G.Page->Foot()->SetHeight(40);
    G.Run();
    EXPECT_EQ(Told.Messages, QStringList{LoadStr(SNoDataSource)});
    EXPECT_EQ(G.Of(G.Page->Head()->Name()).size(), 1);
    EXPECT_EQ(G.Of(G.Page->Foot()->Name()), QStringList{G.Page->Foot()->Name() + " 2 68"});
    EXPECT_TRUE(G.Of(G.Page->Detail()->Name()).isEmpty());

    // With NoDataQuit nothing is output; an OnNoData that fails is kept for the report to raise.
    TGenPage Q(0);
    Q.Page->SetNoDataQuit(true);
    Q.Page->OnNoData = [](TComponent*) { throw Exception(QStringLiteral("no orders today")); };
    Q.Run();
    EXPECT_TRUE(Q.Log.isEmpty());
    EXPECT_EQ(Q.Doc, nullptr);
    EXPECT_EQ(Q.Report->ExceptionText(), QStringLiteral("no orders today"));
}

TEST(Generation, OverlaysTakeNoSpaceAndTheSingleBorderFramesThePrintableArea) {
    TGenPage G(10);
    auto* Overlay = G.AddBand<TVyrOverlayBand>(QStringLiteral("Overlay"), 50);
    Overlay->SetFirst(true);
    Overlay->SetTopOffset(100);
    G.Watch(Overlay);
    G.Page->SetBorderType(btSingle);
    G.Run();
    const QString D = G.Page->Detail()->Name();
    EXPECT_EQ(G.Log.mid(0, 3), (QStringList{"Overlay 1 148", G.Page->PageHead()->Name() + " 1 48", D + " 1 68"}));
    EXPECT_EQ(G.Of(QStringLiteral("Overlay")), (QStringList{"Overlay 1 148", "Overlay 2 148"}));
    EXPECT_EQ(G.Of(D).size(), 10);
    EXPECT_EQ(G.Of(D)[7], D + " 1 278");
    ASSERT_NE(G.Doc, nullptr);
    // Left 48, top 48, 191 wide and 288 high, right and bottom edges inclusive.
    const QStringList Fills = PlayedPage(*G.Doc, 2, {QStringLiteral("FillRect")});
    for (const char* Edge : {"FillRect 48 48 240 49 ", "FillRect 239 48 240 336 ", "FillRect 48 48 49 336 ",
                             "FillRect 48 336 240 337 "})
        EXPECT_EQ(Fills.filter(QLatin1String(Edge)).size(), 1) << Edge << "\n" << Fills.join(QLatin1Char('\n')).toStdString();
}
