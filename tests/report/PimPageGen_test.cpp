#include "host/forms.h"
#include "host/memdataset.h"
#include "host/resstrings.h"
#include "output/PimFile.h"
#include "report/PimPage.h"
#include "report/VyrCtrl.h"
#include "report/VyrText.h"
#include "report/VyrVar.h"
#include "support/bandfixture.h"
#include "support/fakeprinter.h"
#include "support/passdriver.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
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
        FillNumbered(Set, QStringLiteral("N"), Records);
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

// A sub data band of height 20 under the detail, with a data head and a data foot of 10, over a
// set of its own; a total sums the rows and the report footer (2 high) shows it. The band notes
// "name page y value" when it prints.
struct TSubData {
    TMemDataSet Set;
    TDataSource Source;
    TVyrSubDataBand* Sub = nullptr;
    TVyrTotalvar* Total = nullptr;
    TSubData(TGenPage& G, const std::vector<int>& Rows) {
        Set.FieldDefs().Add(QStringLiteral("V"), ftInteger);
        Set.Open();
        for (int Row : Rows)
            Set.AppendRecord({Row});
        Source.SetDataSet(&Set);
        auto* Level = Make<TVyrLevel>(G.Form.get(), QStringLiteral("SubLevel"), G.Page);
        Sub = G.AddBand<TVyrSubDataBand>(QStringLiteral("Sub"), 20);
        Sub->SetBand(G.Page->Detail());
        Sub->SetDataSource(&Source);
        Sub->SetUpdateLevel(Level);
        auto* Head = G.AddBand<TVyrDataHeadBand>(QStringLiteral("SubHead"), 10);
        Head->SetBand(Sub);
        auto* Foot = G.AddBand<TVyrDataFootBand>(QStringLiteral("SubFoot"), 10);
        Foot->SetBand(Sub);
        G.Watch(Head);
        G.Watch(Foot);
        auto* Row = Make<TVyrExprVar>(G.Form.get(), QStringLiteral("Row"), G.Page);
        Row->SetUpdateLevel(Level);
        Row->SetDataType(dtypeFloat);
        Row->OnGetData = [this](TVyrVar* V) {
            V->SetAsFloat(Set.FieldByName(QStringLiteral("V"))->AsInteger());
        };
        Total = Make<TVyrTotalvar>(G.Form.get(), QStringLiteral("Total"), G.Page);
        Total->SetVariable(Row);
        Total->SetUpdateLevel(Level);
        Sub->OnBeforePrint = [&G, this](TVyrBand* B) {
            G.Log << QStringLiteral("%1 %2 %3 %4")
                         .arg(B->Name())
                         .arg(G.Page->PageNumber())
                         .arg(G.Page->YPos())
                         .arg(Set.FieldByName(QStringLiteral("V"))->AsInteger());
        };
        TVyrBand* ReportFoot = G.Page->Foot();
        ReportFoot->SetVisible(true);
        ReportFoot->SetHeight(2);
        ReportFoot->OnBeforePrint = [&G, this](TVyrBand* B) {
            G.Log << QStringLiteral("%1 %2 %3 total %4")
                         .arg(B->Name())
                         .arg(G.Page->PageNumber())
                         .arg(G.Page->YPos())
                         .arg(Total->GetLevelNow(B->UpdateLevel(), ttSum)->AsFloat());
        };
    }
    ~TSubData() { Sub->SetDataSource(nullptr); }
};

// A label that fails to draw while FailNow says so.
class TFailingLabel : public TScriptedLabel {
public:
    using TScriptedLabel::TScriptedLabel;
    std::function<bool()> FailNow;
    void PrintLabel(TPimCanvas* PimCanvas, const TRect& Rect, int Space) override {
        if (FailNow && FailNow()) throw Exception(QStringLiteral("The label cannot draw"));
        TScriptedLabel::PrintLabel(PimCanvas, Rect, Space);
    }
};

// A set whose cursor breaks off past the rows it has fetched, as a query's may.
class TBrokenCursor : public TMemDataSet {
public:
    bool Broken = false;

protected:
    bool FetchMore() override {
        if (Broken) throw EDatabaseError(QStringLiteral("The cursor broke"));
        return false;
    }
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

    // OnNewPage hears of each new page with the output it goes to; one that fails is told at each
    // new page, and the pages still come.
    TGenPage N(20);
    TToldErrors Told;
    QStringList Heard;
    N.Page->OnNewPage = [&](TVyrGrouppage* Page, TPimOutput* Output, int PageNum) {
        Heard << QStringLiteral("%1 %2 %3").arg(Page == N.Page).arg(Output == &N.Output).arg(PageNum);
        throw Exception(QStringLiteral("No tray"));
    };
    N.Run();
    EXPECT_EQ(Heard, (QStringList{"1 1 2", "1 1 3"}));
    EXPECT_EQ(Told.Messages, (QStringList{"No tray", "No tray"}));
    EXPECT_EQ(N.Page->PageCount(), 3);
    ASSERT_NE(N.Doc, nullptr);
    EXPECT_EQ(N.Doc->PageCount(), 3);
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

// A group on Key (of the record's N) with a header and a footer of 20; the header notes its key.
TVyrGroup* AddGroup(TGenPage& G, std::function<int(int)> Key) {
    auto* Var = Make<TVyrExprVar>(G.Form.get(), QStringLiteral("Key"), G.Page);
    Var->SetUpdateLevel(G.Page->Detail()->UpdateLevel());
    Var->SetDataType(dtypeString);
    Var->OnGetData = [&G, Key](TVyrVar* Self) {
        Self->SetAsString(
            QStringLiteral("g%1").arg(Key(G.Set.FieldByName(QStringLiteral("N"))->AsInteger())));
    };
    auto* Group = Make<TVyrGroup>(G.Form.get(), QStringLiteral("G"), G.Page);
    Group->AddBands(G.Page);
    Group->SetVariable(Var);
    Group->Header()->SetHeight(20);
    Group->Footer()->SetHeight(20);
    Group->Header()->OnBeforePrint = [&G, Var](TVyrBand* B) {
        G.Log << QStringLiteral("%1 %2 %3 %4")
                     .arg(B->Name())
                     .arg(G.Page->PageNumber())
                     .arg(G.Page->YPos())
                     .arg(Var->AsString());
    };
    G.Watch(Group->Footer());
    return Group;
}

// A sub band of Band, watched.
TVyrSubBand* AddSub(TGenPage& G, const QString& Name, TVyrBand* Band, int Height, bool Repeat,
                    int Order = 0) {
    auto* Sub = G.AddBand<TVyrSubBand>(Name, Height);
    Sub->SetBand(Band);
    Sub->SetNewPageRepeat(Repeat);
    Sub->SetOrderDirect(Order);
    G.Watch(Sub);
    return Sub;
}

TEST(Generation, ABandThatBreaksThePageItselfHasItsRepeatedSubBandOnlyBelowIt) {
    // A detail of 30 and its repeated sub band of 10: six records fill page 1, the seventh detail's
    // own height check opens page 2.
    TGenPage G(7);
    AddSub(G, QStringLiteral("Sub"), G.Page->Detail(), 10, true);
    G.Run();
    const QString D = G.Page->Detail()->Name();
    const QString H = G.Page->PageHead()->Name();
    const QString F = G.Page->PageFoot()->Name();
    QStringList Expected{H + " 1 48"};
    for (int k = 0; k < 6; ++k)
        Expected << QStringLiteral("%1 1 %2").arg(D).arg(68 + 40 * k)
                 << QStringLiteral("Sub 1 %1").arg(98 + 40 * k);
    Expected << F + " 1 312" << H + " 2 48" << D + " 2 68"
             << "Sub 2 98" << F + " 2 312";
    EXPECT_EQ(G.Log, Expected);

    // The same with a group header of 30 and its repeated sub band, a group a record, a detail of 20.
    TGenPage R(5);
    R.Page->Detail()->SetHeight(20);
    TVyrGroup* Group = AddGroup(R, [](int N) { return N; });
    Group->Header()->SetHeight(30);
    Group->Footer()->SetVisible(false);
    AddSub(R, QStringLiteral("Sub"), Group->Header(), 10, true);
    R.Run();
    Expected = QStringList{H + " 1 48"};
    for (int k = 0; k < 4; ++k)
        Expected << QStringLiteral("GHeader 1 %1 g%2").arg(68 + 60 * k).arg(k + 1)
                 << QStringLiteral("Sub 1 %1").arg(98 + 60 * k)
                 << QStringLiteral("%1 1 %2").arg(D).arg(108 + 60 * k);
    Expected << F + " 1 312" << H + " 2 48"
             << "GHeader 2 68 g5"
             << "Sub 2 98" << D + " 2 108" << F + " 2 312";
    EXPECT_EQ(R.Log, Expected);
    EXPECT_TRUE(R.Page->UpdateBandLevelList().empty());
}

TEST(Generation, ARepeatedGroupHeaderOpensEveryPageOfItsGroupAndARepeatedFooterReturnsAboveItsBrokenSubBand) {
    // Two groups of ten; the footer's sub band of 150 never fits below it, so each footer goes
    // on to a new page, where the footer repeats above it.
    TGenPage G(20);
    TVyrGroup* Group = AddGroup(G, [](int N) { return (N - 1) / 10 + 1; });
    Group->Header()->SetNewPageRepeat(true);
    Group->Footer()->SetNewPageRepeat(true);
    AddSub(G, QStringLiteral("Sub"), Group->Footer(), 150, false);
    G.Run();
    const QString D = G.Page->Detail()->Name();
    const QString H = G.Page->PageHead()->Name();
    const QString F = G.Page->PageFoot()->Name();
    auto Details = [&](int Page, int From, int Count) {
        QStringList L;
        for (int k = 0; k < Count; ++k)
            L << QStringLiteral("%1 %2 %3").arg(D).arg(Page).arg(From + 30 * k);
        return L;
    };
    QStringList Expected{H + " 1 48", "GHeader 1 68 g1"};
    Expected << Details(1, 88, 7) << F + " 1 312";
    Expected << H + " 2 48"
             << "GHeader 2 68 g1" << Details(2, 88, 3) << "GFooter 2 178" << F + " 2 312";
    Expected << H + " 3 48"
             << "GHeader 3 68 g1"
             << "GFooter 3 88"
             << "Sub 3 108"
             << "GHeader 3 258 g2" << Details(3, 278, 1) << F + " 3 312";
    Expected << H + " 4 48"
             << "GHeader 4 68 g2" << Details(4, 88, 7) << F + " 4 312";
    Expected << H + " 5 48"
             << "GHeader 5 68 g2" << Details(5, 88, 2) << "GFooter 5 148" << F + " 5 312";
    Expected << H + " 6 48"
             << "GHeader 6 68 g2"
             << "GFooter 6 88"
             << "Sub 6 108" << F + " 6 312";
    EXPECT_EQ(G.Log, Expected);
    EXPECT_TRUE(G.Page->UpdateBandLevelList().empty());
}

TEST(Generation, SubBandsAboveAndBelowARepeatedDetailRepeatOnlyWhenPrintedBeforeTheBreak) {
    // Above 10, the detail 30, below 10, all repeated, then a plain sub band of 100 that breaks the
    // page on the second record: the three repeat above it.
    TGenPage G(2);
    TVyrBand* Detail = G.Page->Detail();
    Detail->SetNewPageRepeat(true);
    AddSub(G, QStringLiteral("Above"), Detail, 10, true)->SetAbove(true);
    AddSub(G, QStringLiteral("Below"), Detail, 10, true);
    AddSub(G, QStringLiteral("Plain"), Detail, 100, false, 1);
    G.Run();
    const QString D = Detail->Name();
    const QString H = G.Page->PageHead()->Name();
    const QString F = G.Page->PageFoot()->Name();
    EXPECT_EQ(G.Log, (QStringList{H + " 1 48", "Above 1 68", D + " 1 78", "Below 1 108", "Plain 1 118", //
                                  "Above 1 218", D + " 1 228", "Below 1 258", F + " 1 312",             //
                                  H + " 2 48", "Above 2 68", D + " 2 78", "Below 2 108", "Plain 2 118",
                                  F + " 2 312"}));

    // Above 14, the detail 30 and below 10: the fifth detail breaks the page by its own height, so
    // only the band above it was printed before and repeats; the one below prints once, after it.
    TGenPage S(5);
    S.Page->Detail()->SetNewPageRepeat(true);
    AddSub(S, QStringLiteral("Above"), S.Page->Detail(), 14, true)->SetAbove(true);
    AddSub(S, QStringLiteral("Below"), S.Page->Detail(), 10, true);
    S.Run();
    QStringList Expected{H + " 1 48"};
    for (int k = 0; k < 4; ++k)
        Expected << QStringLiteral("Above 1 %1").arg(68 + 54 * k)
                 << QStringLiteral("%1 1 %2").arg(D).arg(82 + 54 * k)
                 << QStringLiteral("Below 1 %1").arg(112 + 54 * k);
    Expected << "Above 1 284" << F + " 1 312" << H + " 2 48"
             << "Above 2 68" << D + " 2 82"
             << "Below 2 112" << F + " 2 312";
    EXPECT_EQ(S.Log, Expected);
}

TEST(Generation, ARepeatedStretchingDetailRepeatsAtItsStretchedHeight) {
    // The detail (30) stretches to its label's 50; the plain sub band of 100 under the second
    // record breaks the page, and the detail repeats whole above it.
    TGenPage G(2);
    TVyrBand* Detail = G.Page->Detail();
    Detail->SetNewPageRepeat(true);
    Detail->SetStretch(true);
    auto* Label = Make<TScriptedLabel>(G.Form.get(), QStringLiteral("Label"), Detail);
    Label->SetBounds(0, 0, 20, 10);
    Label->Need = 50;
    AddSub(G, QStringLiteral("Plain"), Detail, 100, false);
    G.Run();
    const QString D = Detail->Name();
    const QString H = G.Page->PageHead()->Name();
    const QString F = G.Page->PageFoot()->Name();
    EXPECT_EQ(G.Log, (QStringList{H + " 1 48", D + " 1 68", "Plain 1 118", D + " 1 218", F + " 1 312", //
                                  H + " 2 48", D + " 2 68", "Plain 2 118", F + " 2 312"}));
    EXPECT_EQ(Label->Pieces, (std::vector<int>{50, 50, 50}));
    // The repeat is drawn where it was logged: its piece fills 68 to 118 on page 2.
    ASSERT_NE(G.Doc, nullptr);
    EXPECT_EQ(PlayedPage(*G.Doc, 2, {QStringLiteral("FillRect")})
                  .filter(QStringLiteral("FillRect 48 68 68 118 "))
                  .size(),
              1)
        << PlayedPage(*G.Doc, 2, {QStringLiteral("FillRect")}).join(u'\n').toStdString();
}

TEST(Generation, ThePageFootersSpaceIsItsVisibleBandsEachAtItsOwnPlaceAboveTheBottomMargin) {
    // A sub band of 10 under the footer of 24: hidden, the footer stays at 312 and eight details fit;
    // shown, the footer moves up to 302 with the sub band under it at 326, and seven fit.
    for (bool Shown : {false, true}) {
        TGenPage G(8);
        AddSub(G, QStringLiteral("FootSub"), G.Page->PageFoot(), 10, false)->SetVisible(Shown);
        G.Run();
        const QString D = G.Page->Detail()->Name();
        const QString H = G.Page->PageHead()->Name();
        const QString F = G.Page->PageFoot()->Name();
        QStringList Expected;
        for (int Pg = 1, Record = 0; Record < 8; ++Pg) {
            Expected << QStringLiteral("%1 %2 48").arg(H).arg(Pg);
            for (int y = 68; Record < 8 && y + 30 < (Shown ? 302 : 312); y += 30, ++Record)
                Expected << QStringLiteral("%1 %2 %3").arg(D).arg(Pg).arg(y);
            Expected << QStringLiteral("%1 %2 %3").arg(F).arg(Pg).arg(Shown ? 302 : 312);
            if (Shown) Expected << QStringLiteral("FootSub %1 326").arg(Pg);
        }
        EXPECT_EQ(G.Log, Expected) << Shown;
        EXPECT_EQ(G.Page->PageCount(), Shown ? 2 : 1);
    }
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

TEST(Generation, AStretchingOverlayTallerThanTheRoomUnderItIsCutAtThePagesBottomOncePerPage) {
    // 100 high at 250 below the margin: 38 pixels are left to the page's bottom at 336.
    TGenPage G(10);
    auto* Overlay = G.AddBand<TVyrOverlayBand>(QStringLiteral("Overlay"), 100);
    Overlay->SetTopOffset(250);
    Overlay->SetStretch(true);
    G.Watch(Overlay);
    auto* Label = Make<TScriptedLabel>(G.Form.get(), QStringLiteral("Label"), Overlay);
    Label->SetBounds(0, 0, 20, 100);
    Label->Need = 100;
    G.Run();
    EXPECT_EQ(G.Of(QStringLiteral("Overlay")), (QStringList{"Overlay 1 298", "Overlay 2 298"}));
    EXPECT_EQ(Label->Pieces, (std::vector<int>{38, 38}));
    ASSERT_NE(G.Doc, nullptr);
    ASSERT_EQ(G.Doc->PageCount(), 2);
    for (int Page = 1; Page <= 2; ++Page)
        EXPECT_EQ(PlayedPage(*G.Doc, Page, {QStringLiteral("FillRect")}),
                  QStringList{"FillRect 48 298 68 336 brush 0 0x0000FF 0"})
            << Page;
    EXPECT_EQ(G.Of(G.Page->Detail()->Name()).size(), 10);
}

TEST(Generation, SubDataLoopsPrintTheirRowsAndARepeatedOneRunsAgainWithoutDuplicatingAny) {
    // Two rows under each of two records; no rows: neither data head nor foot, total 0.
    for (const std::vector<int>& Rows : {std::vector<int>{10, 20}, std::vector<int>{}}) {
        TGenPage G(2);
        TSubData S(G, Rows);
        G.Run();
        const QString D = G.Page->Detail()->Name();
        const QString RF = G.Page->Foot()->Name();
        const QString H = G.Page->PageHead()->Name() + " 1 48";
        const QString F = G.Page->PageFoot()->Name() + " 1 312";
        if (Rows.empty())
            EXPECT_EQ(G.Log, (QStringList{H, D + " 1 68", D + " 1 98", RF + " 1 128 total 0", F}));
        else
            EXPECT_EQ(G.Log, (QStringList{H, D + " 1 68", "SubHead 1 98", "Sub 1 108 10", "Sub 1 128 20",
                                          "SubFoot 1 148", D + " 1 158", "SubHead 1 188", "Sub 1 198 10",
                                          "Sub 1 218 20", "SubFoot 1 238", RF + " 1 248 total 60", F}));
    }

    // A repeated loop broken before its first row: each new page runs it again from its first row,
    // and then the loop being printed goes on from where it stood, every row once, counted once.
    TGenPage G(1);
    TSubData S(G, {10, 20});
    G.Page->Detail()->SetHeight(200);
    S.Sub->SetHeight(60);
    S.Sub->SetNewPageRepeat(true);
    G.Run();
    const QString D = G.Page->Detail()->Name();
    const QString H = G.Page->PageHead()->Name();
    const QString F = G.Page->PageFoot()->Name();
    EXPECT_EQ(G.Log, (QStringList{
                         H + " 1 48", D + " 1 68", "SubHead 1 268", F + " 1 312",     // row 1 does not fit
                         H + " 2 48", "Sub 2 68 10", "Sub 2 128 20",                  // the repeat
                         "Sub 2 188 10", "Sub 2 248 20", F + " 2 312",                // the loop goes on
                         H + " 3 48", "Sub 3 68 10", "Sub 3 128 20", "SubFoot 3 188", // repeated for its foot
                         G.Page->Foot()->Name() + " 3 198 total 30", F + " 3 312"}));
    EXPECT_TRUE(S.Set.Active());
    EXPECT_TRUE(G.Page->UpdateBandLevelList().empty());
}

TEST(Generation, ASubDataLoopWhoseNextFailsEndsItsRowsAndTellsTheErrorOnce) {
    TGenPage G(2);
    TBrokenCursor Set;
    Set.FieldDefs().Add(QStringLiteral("V"), ftInteger);
    Set.Open();
    Set.AppendRecord({10});
    Set.Broken = true;
    TDataSource Source;
    Source.SetDataSet(&Set);
    auto* Sub = G.AddBand<TVyrSubDataBand>(QStringLiteral("Sub"), 20);
    Sub->SetBand(G.Page->Detail());
    Sub->SetDataSource(&Source);
    G.Watch(Sub);
    TToldErrors Told;
    G.Run();
    Sub->SetDataSource(nullptr);
    const QString D = G.Page->Detail()->Name();
    // Each record's loop prints the row it has and ends where the next one fails.
    EXPECT_EQ(G.Log, (QStringList{G.Page->PageHead()->Name() + " 1 48", D + " 1 68", "Sub 1 98", D + " 1 118",
                                  "Sub 1 148", G.Page->PageFoot()->Name() + " 1 312"}));
    EXPECT_EQ(Told.Messages, (QStringList{"The cursor broke", "The cursor broke"}));
}

TEST(Generation, TwoPassesShowThePageCountOfTheFirstAndTheTotalsOfOne) {
    TGenPage G(20);
    G.Page->SetTwoPass(true);
    auto* PageOf = Make<TVyrExprVar>(G.Form.get(), QStringLiteral("PageOf"), G.Page);
    PageOf->SetUpdateLevel(G.Page->PageFoot()->UpdateLevel());
    PageOf->SetDataType(dtypeString);
    PageOf->OnGetData = [&G](TVyrVar* V) {
        V->SetAsString(QStringLiteral("Page %1 of %2").arg(G.Page->PageNumber()).arg(G.Page->PageCount()));
    };
    auto* N = Make<TVyrExprVar>(G.Form.get(), QStringLiteral("N"), G.Page);
    N->SetUpdateLevel(G.Page->Detail()->UpdateLevel());
    N->SetDataType(dtypeFloat);
    N->OnGetData = [&G](TVyrVar* V) { V->SetAsFloat(G.Set.FieldByName(QStringLiteral("N"))->AsInteger()); };
    auto* Total = Make<TVyrTotalvar>(G.Form.get(), QStringLiteral("Total"), G.Page);
    Total->SetVariable(N);
    Total->SetUpdateLevel(G.Page->Detail()->UpdateLevel());
    QStringList Seen;
    G.Page->PageFoot()->OnBeforePrint = [&](TVyrBand*) { Seen << PageOf->AsString(); };
    G.Page->Foot()->SetVisible(true);
    G.Page->Foot()->SetHeight(10);
    G.Page->Foot()->OnBeforePrint = [&](TVyrBand* B) {
        Seen << QStringLiteral("Total %1").arg(Total->GetLevelNow(B->UpdateLevel(), ttSum)->AsFloat());
    };
    G.Run();
    // The first pass goes nowhere and knows no page count yet.
    EXPECT_EQ(Seen, (QStringList{"Page 1 of 0", "Page 2 of 0", "Total 210", "Page 3 of 0", //
                                 "Page 1 of 3", "Page 2 of 3", "Total 210", "Page 3 of 3"}));
    ASSERT_NE(G.Doc, nullptr);
    EXPECT_EQ(G.Doc->PageCount(), 3);
}

TEST(Generation, AMemoRunsOverThreePagesAndLinesTallerThanTheBodyStillEnd) {
    const QStringList TextCalls{QStringLiteral("TextOut"), QStringLiteral("ExtTextOut")};
    QStringList Lines;
    for (int i = 0; i < 50; ++i)
        Lines << QStringLiteral("Line %1").arg(i);
    TGenPage G(1);
    TVyrBand* Detail = G.Page->Detail();
    Detail->SetStretch(true);
    Detail->SetHeight(17);
    auto* Memo = Make<TVyrTextLabel>(G.Form.get(), QStringLiteral("Memo"), Detail);
    Memo->SetBounds(10, 0, 150, 17);
    Memo->SetCaption(Lines.join(QStringLiteral("\r\n")));
    Memo->SetWrapText(true);
    Memo->Font()->SetHeight(-11);
    G.Page->PageSetup()->SetTextDriverCompatibility(true);
    G.Run();
    ASSERT_NE(G.Doc, nullptr);
    ASSERT_EQ(G.Doc->PageCount(), 3);
    // Every line once, in order, between the page header (68) and the page footer (312).
    QStringList Printed;
    const QRegularExpression Text(QStringLiteral("^\\w+ \\d+ (\\d+) .*\"(Line \\d+)\"$"));
    for (int Page = 1; Page <= 3; ++Page)
        for (const QString& Call : PlayedPage(*G.Doc, Page, TextCalls)) {
            const QRegularExpressionMatch M = Text.match(Call);
            ASSERT_TRUE(M.hasMatch()) << Call.toStdString();
            EXPECT_GE(M.captured(1).toInt(), 68) << Call.toStdString();
            EXPECT_LE(M.captured(1).toInt() + 12, 312) << Call.toStdString();
            Printed << M.captured(2);
        }
    EXPECT_EQ(Printed, Lines);
    EXPECT_EQ(G.Of(G.Page->PageFoot()->Name()).size(), 3);

    // Lines taller than the page body: one a page, and generation ends.
    TGenPage T(1);
    T.Page->Detail()->SetStretch(true);
    auto* Tall = Make<TVyrTextLabel>(T.Form.get(), QStringLiteral("Tall"), T.Page->Detail());
    Tall->SetBounds(10, 0, 180, 17);
    Tall->SetCaption(QStringLiteral("A\r\nB"));
    Tall->SetWrapText(true);
    Tall->Font()->SetSize(100);
    Tall->SetWrapHeightPercent(300);
    T.Run();
    ASSERT_NE(T.Doc, nullptr);
    ASSERT_EQ(T.Doc->PageCount(), 2);
    for (int Page = 1; Page <= 2; ++Page)
        EXPECT_EQ(PlayedPage(*T.Doc, Page, TextCalls).size(), 1) << Page;
}

TEST(Generation, TheFirstOfTwoPassesFiresEveryLabelsEventsAndFailsWhereTheSecondWould) {
    // A date label, a total label and a line on the detail; each notes its print events by pass.
    TGenPage G(4);
    G.Page->SetTwoPass(true);
    TVyrLevel* Detail = G.Page->Detail()->UpdateLevel();
    auto* When = Make<TVyrExprVar>(G.Form.get(), QStringLiteral("When"), G.Page);
    When->SetDataType(dtypeDateTime);
    When->SetUpdateLevel(Detail);
    double Bad = 0; // the record whose date no calendar has
    When->OnGetData = [&](TVyrVar* V) {
        const int N = G.Set.FieldByName(QStringLiteral("N"))->AsInteger();
        V->SetAsDateTime(N == Bad ? 3.0e6 : 45000.0 + N);
    };
    auto* Total = Make<TVyrTotalvar>(G.Form.get(), QStringLiteral("Total"), G.Page);
    Total->SetVariable(When);
    Total->SetUpdateLevel(Detail);
    auto* Date = Make<TVyrvarlabel>(G.Form.get(), QStringLiteral("Date"), G.Page->Detail());
    Date->SetVariable(When);
    Date->DataFormat()->SetDisplayFormat(QStringLiteral("yyyy-mm-dd"));
    auto* Sum = Make<TVyrTotalvarLabel>(G.Form.get(), QStringLiteral("Sum"), G.Page->Detail());
    Sum->SetTotalVariable(Total);
    Sum->SetLeft(100);
    auto* Rule = Make<TVyrLine>(G.Form.get(), QStringLiteral("Rule"), G.Page->Detail());
    QStringList Events;
    for (TVyrLabel* L : std::initializer_list<TVyrLabel*>{Date, Sum, Rule}) {
        L->OnBeforePrint = [&](TVyrLabel* Sender) {
            Events
                << QStringLiteral("%1 before %2").arg(Sender->Name()).arg(G.Page->PrintTo()->Destination());
        };
        L->OnAfterPrint = [&](TVyrLabel* Sender) {
            Events << QStringLiteral("%1 after %2").arg(Sender->Name()).arg(G.Page->PrintTo()->Destination());
        };
    }
    G.Run();
    ASSERT_NE(G.Doc, nullptr);
    for (const char* Name : {"Date", "Sum", "Rule"})
        for (TPimDestination Pass : {adNoWhere, adPimFile}) {
            EXPECT_EQ(Events.filter(QStringLiteral("%1 before %2").arg(QLatin1String(Name)).arg(Pass)).size(),
                      4);
            EXPECT_EQ(Events.filter(QStringLiteral("%1 after %2").arg(QLatin1String(Name)).arg(Pass)).size(),
                      4);
        }
    const QStringList Texts = PlayedPage(*G.Doc, 1, {QStringLiteral("TextOut")});
    EXPECT_EQ(Texts.filter(QStringLiteral("\"2023-03-16\"")).size(), 1) << Texts.join(u'\n').toStdString();

    // A date that cannot be printed ends the report's run in its first pass: no second pass.
    Bad = 3;
    Events.clear();
    TFakePrinterList Printers{};
    G.Report->SetPrompt(false);
    QString Raised;
    try {
        G.Report->Run();
    } catch (const Exception& E) {
        Raised = E.Message();
    }
    EXPECT_EQ(Raised, QStringLiteral("Invalid date and time value"));
    EXPECT_EQ(Events.filter(QStringLiteral("Date before %1").arg(adNoWhere)).size(), 3);
    EXPECT_TRUE(Events.filter(QStringLiteral("before %1").arg(adPimFile)).isEmpty());
}

TEST(Generation, AFailedRunOrARangeBeyondTheReportLeavesNoFileAndNothingPrinted) {
    QTemporaryDir Dir;
    const QString File = Dir.filePath(QStringLiteral("orders.pim"));
    TGenPage G(10);
    G.Page->PageSetup()->SetDestination(destFile);
    G.Page->SetPimFileName(File);
    auto* Label = Make<TFailingLabel>(G.Form.get(), QStringLiteral("Failing"), G.Page->Detail());
    Label->SetBounds(0, 0, 10, 10);
    bool Fail = true;
    Label->FailNow = [&] { return Fail && G.Set.FieldByName(QStringLiteral("N"))->AsInteger() == 3; };
    TToldErrors Told;
    G.Run();
    // Kept for the run to raise once; nobody was told on the way.
    EXPECT_EQ(G.Report->ExceptionText(), QStringLiteral("The label cannot draw"));
    EXPECT_TRUE(Told.Messages.isEmpty());
    EXPECT_EQ(G.Of(G.Page->Detail()->Name()).size(), 3);
    EXPECT_FALSE(QFile::exists(File));

    // The next run starts clean and writes its file.
    Fail = false;
    G.Log.clear();
    G.Run();
    EXPECT_TRUE(G.Report->ExceptionText().isEmpty());
    EXPECT_EQ(G.Of(G.Page->Detail()->Name()).size(), 10);
    ASSERT_TRUE(QFile::exists(File));
    TPimPimFile Read;
    Read.LoadFromFile(File);
    EXPECT_EQ(Read.PageCount(), 2);

    // Pages 5.. of a report of 3: no file, no printing.
    std::vector<std::unique_ptr<TFakePrinter>> List;
    List.push_back(TFakePrinter::Office());
    TFakePrinterList Printers(std::move(List));
    for (TVyrDestination Destination : {destFile, destPrinter}) {
        const QString Beyond = Dir.filePath(QStringLiteral("beyond.pim"));
        TGenPage R(20);
        R.Page->PageSetup()->SetDestination(Destination);
        R.Page->PageSetup()->SetRangeStart(5);
        R.Page->SetPimFileName(Beyond);
        R.Run();
        EXPECT_EQ(R.Page->PagesPrinted(), 0);
        EXPECT_EQ(R.Of(R.Page->PageFoot()->Name()).size(), 3);
        EXPECT_FALSE(QFile::exists(Beyond));
        EXPECT_TRUE(Printers[0]->Jobs.empty());
        EXPECT_TRUE(R.Report->ExceptionText().isEmpty());
    }
}
