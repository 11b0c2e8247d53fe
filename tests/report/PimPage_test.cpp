#include "host/forms.h"
#include "host/messages.h"
#include "host/resstrings.h"
#include "report/PimDS.h"
#include "report/PimPage.h"
#include "report/VyrVar.h"
#include "support/reportfixture.h"
#include "support/scripteddialogs.h"

#include <gtest/gtest.h>

namespace {

template <class T>
T* Attached(TComponent* Owner, const QString& Name, TVyrPage* Page, TVyrBand* To, int Order) {
    auto* B = Make<T>(Owner, Name, Page);
    B->SetBand(To);
    B->SetOrderDirect(Order);
    return B;
}

// A report page with its five main bands, made at run time so nothing is restacked.
struct TRunTimeReport {
    std::unique_ptr<TReportTestForm> Form = std::make_unique<TReportTestForm>();
    TVyrReport* Report = Make<TVyrReport>(Form.get(), QStringLiteral("Report1"), nullptr);
    TVyrGrouppage* Page = Make<TVyrGrouppage>(Form.get(), QStringLiteral("ReportPage"), Report);
    TRunTimeReport() {
        ClearPostedMessages();
        Page->AddMainBands();
    }
};

// A designed form whose report got its page and main bands through the posted messages.
struct TDesignedReport {
    std::unique_ptr<TReportTestForm> Form;
    TVyrReport* Report = nullptr;
    TVyrPage* Page = nullptr;
    TDesignedReport() {
        ResetApplication(); // made now, so that making it later drops no message posted here
        Form = std::make_unique<TReportTestForm>();
        Form->SetDesigning(true);
        Form->SetBounds(0, 0, 1000, 800);
        Report = Make<TVyrReport>(Form.get(), QStringLiteral("Report1"), Form.get());
        Application()->ProcessMessages();
        Page = Report->Page();
    }
};

// A stand-in for the band manager: fills the page's lists of the form's data sources when asked.
class TFakeManager : public TComponent {
public:
    TFakeManager() : TComponent(nullptr) {}
    TVyrPage* Page = nullptr;
    std::vector<std::pair<TDataSource*, QString>> Sources;
    int UpdateVarsCount = 0;
    int UpdateFormCount = 0;
    int VarChangedCount = 0;
    void WndProc(TMessage& Message) override {
        if (Message.Msg == WM_VYR_UPDATEFORM) ++UpdateFormCount;
        if (Message.Msg == WM_VYR_VARCHANGED) ++VarChangedCount;
        if (Message.Msg == WM_VYR_SETDATALISTS)
            for (auto& [DS, Name] : Sources) {
                Page->FullDSList()->Add(DS);
                Page->FullDSNames()->Add(Name);
            }
        if (Message.Msg == WM_VYR_DATAUPDATEVARS) ++UpdateVarsCount;
    }
};

} // namespace

TEST(VyrPage, OrderBandsBuildsTheFlowOfGroupsCompanionsAndOverlays) {
    TRunTimeReport R;
    TComponent* F = R.Form.get();
    TVyrPage* P = R.Page;
    const QStringList Registered = NamesOf(P->Bands());

    // Groups registered with levels 5, 2, 2, and one without bands that must not attach anything.
    auto AddGroup = [&](const QString& Name, int Level, bool WithBands) {
        auto* G = Make<TVyrGroup>(F, Name, P);
        if (WithBands) G->AddBands(P);
        G->SetLevel(Level);
        return G;
    };
    AddGroup(QStringLiteral("GroupA"), 5, true);
    AddGroup(QStringLiteral("GroupB"), 2, true);
    AddGroup(QStringLiteral("GroupC"), 2, true);
    AddGroup(QStringLiteral("GroupD"), 9, false);

    TVyrBand* Detail = P->Detail();
    auto* SA1 = Attached<TVyrSubBand>(F, QStringLiteral("SA1"), P, Detail, 0);
    SA1->SetAbove(true);
    auto* SA2 = Attached<TVyrSubBand>(F, QStringLiteral("SA2"), P, Detail, 0);
    SA2->SetAbove(true);
    Attached<TVyrSubBand>(F, QStringLiteral("SB1"), P, Detail, 3);
    auto* SD1 = Attached<TVyrSubDataBand>(F, QStringLiteral("SD1"), P, Detail, 1);
    Attached<TVyrSubDataBand>(F, QStringLiteral("SD2"), P, Detail, 1);
    Attached<TVyrDataFootBand>(F, QStringLiteral("DF1"), P, SD1, 0);
    Attached<TVyrDataHeadBand>(F, QStringLiteral("DH1"), P, SD1, 0);
    auto* O1 = Attached<TVyrOverlayBand>(F, QStringLiteral("O1"), P, nullptr, 0);
    Attached<TVyrOverlayBand>(F, QStringLiteral("O2"), P, nullptr, 0);
    auto* O3 = Attached<TVyrOverlayBand>(F, QStringLiteral("O3"), P, nullptr, 7);
    O3->SetFirst(false);
    // Reached by nothing: attached to an overlay, or to no band at all.
    Attached<TVyrSubBand>(F, QStringLiteral("SubOfOverlay"), P, O1, 0);
    Attached<TVyrSubBand>(F, QStringLiteral("Loose"), P, nullptr, 0);

    // Without every main band the list keeps its registration order.
    TVyrBand* Foot = P->Foot();
    P->SetFoot(nullptr);
    const QStringList Before = NamesOf(P->Bands());
    P->OrderBands();
    EXPECT_EQ(NamesOf(P->Bands()), Before);
    P->SetFoot(Foot);

    P->OrderBands();
    EXPECT_EQ(NamesOf(P->Bands()).join(u' '),
              QStringLiteral("ReportHeaderBand PageHeaderBand GroupBHeader GroupCHeader GroupAHeader SA2 SA1 "
                             "DetailBand DH1 SD1 DF1 SD2 SB1 GroupAFooter GroupCFooter GroupBFooter "
                             "PageFooterBand ReportFooterBand O2 O1 O3"));
    EXPECT_EQ(NamesOf(P->Groups()).join(u' '), QStringLiteral("GroupB GroupC GroupA GroupD"));
    QStringList Levels;
    for (TVyrGroup* G : *P->Groups())
        Levels << G->GroupName();
    EXPECT_EQ(Levels.join(u','), QStringLiteral("Group: 0,Group: 1,Group: 2,Group: 3"));
    auto OrderOf = [&](const char* Name) {
        return static_cast<TVyrBand*>(F->FindComponent(QString::fromLatin1(Name)))->Order();
    };
    EXPECT_EQ(OrderOf("SA2"), 0);
    EXPECT_EQ(OrderOf("SA1"), 1);
    EXPECT_EQ(OrderOf("SB1"), 0);
    EXPECT_EQ(OrderOf("SD1"), 0);
    EXPECT_EQ(OrderOf("SD2"), 1);
    EXPECT_EQ(OrderOf("O2"), 0);
    EXPECT_EQ(OrderOf("O1"), 1);
    EXPECT_EQ(OrderOf("O3"), 0);
    // Ordering again changes nothing.
    const QStringList Flow = NamesOf(P->Bands());
    P->OrderBands();
    EXPECT_EQ(NamesOf(P->Bands()), Flow);
    EXPECT_EQ(Registered.size(), 5);
}

TEST(VyrPage, EveryKindMovedToAnotherParentIsListedOnlyThere) {
    TReportTestForm Form;
    Form.SetDesigning(true);
    auto* R1 = Make<TVyrReport>(&Form, QStringLiteral("R1"), nullptr);
    auto* R2 = Make<TVyrReport>(&Form, QStringLiteral("R2"), nullptr);
    auto* P1 = Make<TVyrGrouppage>(&Form, QStringLiteral("P1"), R1);
    auto* P2 = Make<TVyrGrouppage>(&Form, QStringLiteral("P2"), R1);
    auto* Plain = Make<TVyrPage>(&Form, QStringLiteral("Plain"), R2);
    ClearPostedMessages();

    auto* B1 = Make<TVyrBand>(&Form, QStringLiteral("B1"), P1);
    auto* B2 = Make<TVyrBand>(&Form, QStringLiteral("B2"), P2);
    auto* L0 = Make<TTestLabel>(&Form, QStringLiteral("L0"), B1);
    auto* L1 = Make<TTestLabel>(&Form, QStringLiteral("L1"), B1);
    auto* S1 = Make<TVyrSubBand>(&Form, QStringLiteral("S1"), P1);
    auto* V1 = Make<TVyrExprVar>(&Form, QStringLiteral("V1"), P1);
    auto* T1 = Make<TVyrTotalvar>(&Form, QStringLiteral("T1"), P1);
    auto* Lv1 = Make<TVyrLevel>(&Form, QStringLiteral("Lv1"), P1);
    auto* G1 = Make<TVyrGroup>(&Form, QStringLiteral("G1"), P1);
    auto* Gd1 = Make<TVyrDataSourceGuide>(&Form, QStringLiteral("Gd1"), P1);
    ASSERT_EQ(NamesOf(P1->Bands()), QStringList({"B1", "S1"}));
    ASSERT_EQ(P1->BandHeads()->size(), 2u);

    L1->SetParent(B2);
    EXPECT_EQ(NamesOf(B1->Labels()), QStringList({"L0"}));
    EXPECT_EQ(NamesOf(B2->Labels()), QStringList({"L1"}));
    EXPECT_EQ(NamesOf(P1->Labels()), QStringList({"L0"}));
    EXPECT_EQ(NamesOf(P2->Labels()), QStringList({"L1"}));

    // A band takes its labels' page entries along, and its head strip moves with it.
    B1->SetParent(P2);
    S1->SetParent(P2);
    V1->SetParent(P2);
    T1->SetParent(P2);
    Lv1->SetParent(P2);
    G1->SetParent(P2);
    Gd1->SetParent(P2);
    P2->SetParent(R2);
    EXPECT_EQ(P1->Bands(), nullptr);
    EXPECT_EQ(P1->BandHeads()->size(), 0u);
    EXPECT_EQ(NamesOf(P2->Bands()), QStringList({"B2", "B1", "S1"}));
    EXPECT_EQ(P2->BandHeads()->size(), 3u);
    EXPECT_EQ(P1->Labels(), nullptr);
    EXPECT_EQ(NamesOf(P2->Labels()), QStringList({"L1", "L0"}));
    EXPECT_EQ(P1->SubBands(), nullptr);
    EXPECT_EQ(NamesOf(P2->SubBands()), QStringList({"S1"}));
    EXPECT_EQ(P1->Vars(), nullptr);
    EXPECT_EQ(P1->TotalVars(), nullptr);
    EXPECT_EQ(NamesOf(P2->Vars()), QStringList({"V1", "T1"}));
    EXPECT_EQ(NamesOf(P2->TotalVars()), QStringList({"T1"}));
    EXPECT_EQ(P1->Levels(), nullptr);
    EXPECT_EQ(NamesOf(P2->Levels()), QStringList({"Lv1"}));
    EXPECT_EQ(P1->Groups(), nullptr);
    EXPECT_EQ(NamesOf(P2->Groups()), QStringList({"G1"}));
    EXPECT_EQ(P1->DataSourceList(), nullptr);
    EXPECT_EQ(NamesOf(P2->DataSourceList()), QStringList({"Gd1"}));
    EXPECT_EQ(NamesOf(R1->Pages()), QStringList({"P1"}));
    EXPECT_EQ(NamesOf(R2->Pages()), QStringList({"Plain", "P2"}));
    EXPECT_EQ(P2->Report(), R2);

    // Wrong parents are refused without a word, and nothing moves.
    EXPECT_THROW(Lv1->SetParent(R1), EAbort);
    EXPECT_THROW(S1->SetParent(Plain), EAbort);
    EXPECT_THROW(G1->SetParent(Plain), EAbort);
    EXPECT_THROW(Gd1->SetParent(Plain), EAbort);
    EXPECT_THROW(L0->SetParent(P2), EAbort);
    EXPECT_THROW(B1->SetParent(R1), EAbort);
    EXPECT_THROW(P2->SetParent(B2), EAbort);
    EXPECT_EQ(Lv1->Parent(), P2);
    EXPECT_EQ(S1->Parent(), P2);
    EXPECT_EQ(L0->Parent(), B1);
    EXPECT_EQ(P2->Parent(), R2);
    EXPECT_EQ(NamesOf(P2->Bands()), QStringList({"B2", "B1", "S1"}));
    EXPECT_EQ(Plain->Bands(), nullptr);
    EXPECT_EQ(Plain->Groups(), nullptr);

    // A variable may sit elsewhere, but only a page lists it.
    V1->SetParent(B2);
    EXPECT_EQ(NamesOf(P2->Vars()), QStringList({"T1"}));

    // Freed components leave every registry.
    delete L0;
    delete T1;
    EXPECT_EQ(NamesOf(P2->Labels()), QStringList({"L1"}));
    EXPECT_EQ(P2->TotalVars(), nullptr);
    ClearPostedMessages();
}

TEST(VyrPage, DesignedBandsGroupsAndPagesAreFreedOnlyThroughSafeDelete) {
    TScriptedDialogs Dialogs;
    TDesignedReport D;
    ASSERT_NE(D.Page, nullptr);
    TVyrPage* P = D.Page;
    auto* G = Make<TVyrGroup>(D.Form.get(), QStringLiteral("Group1"), P);
    G->AddBands(P);
    ASSERT_EQ(P->Bands()->size(), 7u);
    TVyrBand* Detail = P->Detail();

    auto MessageOf = [](auto&& Call) {
        try {
            Call();
        } catch (const Exception& E) {
            return E.Message();
        }
        return QString();
    };
    EXPECT_EQ(MessageOf([&] { Detail->Free(); }),
              QStringLiteral("You are not allowed to delete a band outside of the page manager."));
    EXPECT_EQ(MessageOf([&] { G->Free(); }),
              QStringLiteral("You are not allowed to delete a group outside of the page manager"));
    EXPECT_EQ(MessageOf([&] { P->Free(); }), QStringLiteral("You cannot delete this Group Page"));
    Dialogs.Answer(mrNo);
    EXPECT_THROW(D.Report->Free(), EAbort);
    EXPECT_EQ(Dialogs.Last().Text, QStringLiteral("Are you sure you want to delete this report?"));
    EXPECT_EQ(Dialogs.Last().Caption, QStringLiteral("Delete?"));
    EXPECT_EQ(P->Detail(), Detail);
    EXPECT_EQ(P->Bands()->size(), 7u);
    EXPECT_EQ(NamesOf(P->Groups()), QStringList({"Group1"}));
    EXPECT_EQ(D.Report->Page(), P);

    // A freed main band is no main band any more; its strip goes with it.
    Detail->SafeDelete();
    EXPECT_EQ(P->Detail(), nullptr);
    EXPECT_EQ(P->Bands()->size(), 6u);
    EXPECT_EQ(P->BandHeads()->size(), 6u);
    EXPECT_EQ(D.Form->FindComponent(QStringLiteral("DetailBand")), nullptr);

    // A group takes its bands and their levels along.
    G->SafeDelete();
    EXPECT_EQ(P->Groups(), nullptr);
    EXPECT_EQ(P->Bands()->size(), 4u);
    EXPECT_EQ(D.Form->FindComponent(QStringLiteral("Group1HeaderLevel")), nullptr);
    EXPECT_EQ(P->Levels()->size(), 5u);

    P->SafeDelete();
    EXPECT_EQ(D.Report->Page(), nullptr);
    EXPECT_EQ(D.Report->Pages(), nullptr);
    EXPECT_EQ(D.Form->FindComponent(QStringLiteral("PageHeaderBand")), nullptr);
    EXPECT_EQ(D.Form->FindComponent(QStringLiteral("PageHeaderBandlevel")), nullptr);

    // Freeing the form asks nothing.
    D.Form.reset();
    EXPECT_EQ(Dialogs.MessageCount(), 1);
}

TEST(VyrPage, TwoRequestsForMainBandsMakeFiveStackedBands) {
    ResetApplication();
    TReportTestForm Form;
    Form.SetDesigning(true);
    auto* Report = Make<TVyrReport>(&Form, QStringLiteral("Report1"), nullptr);
    auto* P = Make<TVyrGrouppage>(&Form, QStringLiteral("ReportPage"), Report);
    P->SetParent(Report);
    EXPECT_EQ(PostedMessageCount(), 2);
    Application()->ProcessMessages();
    // The report places its page (400 by 200 less the design margins: 345 by 125).
    Report->SetBounds(0, 0, 400, 200);
    EXPECT_EQ(P->BoundsRect(), QRect(35, 55, 345, 125));
    P->ArrangeBands();

    ASSERT_NE(P->Bands(), nullptr);
    EXPECT_EQ(NamesOf(P->Bands()).join(u' '),
              QStringLiteral("ReportHeaderBand PageHeaderBand DetailBand PageFooterBand ReportFooterBand"));
    EXPECT_EQ(NamesOf(P->Levels()).join(u' '),
              QStringLiteral("ReportHeaderBandlevel PageHeaderBandlevel DetailBandlevel PageFooterBandlevel "
                             "ReportFooterBandlevel"));
    QStringList Facts;
    for (TVyrBand* B : *P->Bands()) {
        TVyrBandHead* Strip = P->HeadOf(B);
        Facts << QStringLiteral("%1 %2 %3,%4,%5,%6 %7 %8 %9%10%11%12 %13%14%15")
                     .arg(B->BandName())
                     .arg(B->UpdateLevel()->IsHeader())
                     .arg(B->Left())
                     .arg(B->Top())
                     .arg(B->Width())
                     .arg(B->Height())
                     .arg(B->Visible())
                     .arg(Strip->Top())
                     .arg(Strip->VisibleCheck()->Checked())
                     .arg(Strip->NewPageCheck()->Visible())
                     .arg(Strip->NewPageRepeatCheck()->Visible())
                     .arg(Strip->StretchCheck()->Visible())
                     .arg(Strip->NameLabel()->Caption())
                     .arg(Strip->Width())
                     .arg(B->UpdateLevel()->Parent() == P);
    }
    // The designer stacks the bands with a strip of 15 under each, as wide as the printable width
    // (7.5 in at 96 pixels per inch) and 50 more.
    EXPECT_EQ(Facts.join(u'\n'), QStringLiteral("Report Header 1 0,0,770,5 0 5 0011 Report Header7701\n"
                                                "Page Header 1 0,20,770,20 1 40 1001 Page Header7701\n"
                                                "Detail 0 0,55,770,20 1 75 1111 Detail7701\n"
                                                "Page Footer 0 0,90,770,20 1 110 1000 Page Footer7701\n"
                                                "Report Footer 0 0,125,770,20 1 145 1111 Report Footer7701"));
    EXPECT_EQ(P->VertScrollBar().Range, 170);

    // Scrolled: every band and strip moves by the scroll positions.
    P->HorzScrollBar().Position = 10;
    P->VertScrollBar().Position = 5;
    P->ArrangeBands();
    EXPECT_EQ(P->Head()->Left(), -10);
    EXPECT_EQ(P->Head()->Top(), -5);
    EXPECT_EQ(P->Foot()->Top(), 120);
    EXPECT_EQ(P->HeadOf(P->Foot())->Top(), 140);

    // Clicking a strip's box sets the band's flag.
    TCheckBox* Stretch = P->HeadOf(P->Detail())->StretchCheck();
    Stretch->Toggle();
    EXPECT_TRUE(P->Detail()->Stretch());
    P->Detail()->SetNewPage(true);
    EXPECT_TRUE(P->HeadOf(P->Detail())->NewPageCheck()->Checked());

    // With four bands the designer leaves them where they are.
    P->Foot()->SafeDelete();
    P->Head()->SetTop(300);
    P->ArrangeBands();
    EXPECT_EQ(P->Head()->Top(), 300);

    // At run time the main bands keep the places they are made at.
    TRunTimeReport R;
    QStringList Tops;
    for (TVyrBand* B : *R.Page->Bands())
        Tops << QStringLiteral("%1/%2/%3").arg(B->Top()).arg(B->Height()).arg(B->Width());
    EXPECT_EQ(Tops.join(u' '), QStringLiteral("20/5/861 40/20/861 75/20/861 110/20/861 145/20/861"));
}

TEST(VyrPage, UpdateVarListKeepsAutomaticVariablesAndGuidesInStep) {
    TDesignedReport D;
    TVyrPage* P = D.Page;
    TComponent* F = D.Form.get();
    TFakeManager Manager;
    Manager.Page = P;
    P->SetPageManager(&Manager);
    auto* Orders = Make<TDataSource>(F, QStringLiteral("dsOrders"), nullptr);
    auto* Lines = Make<TDataSource>(F, QStringLiteral("dsLines"), nullptr);
    Manager.Sources = {{Orders, QStringLiteral("dsOrders")}, {Lines, QStringLiteral("dsLines")}};
    P->NoDsgList()->Add(QStringLiteral("DSLINES"));
    auto* Stale = Make<TVyrDataSourceGuide>(F, QStringLiteral("StaleGuide"), P);
    auto* AutoVar = Make<TVyrDBVar>(F, QStringLiteral("AutoField"), P);
    AutoVar->SetId(vidAutoDataVar);
    (void)Stale;

    P->UpdateVarList();
    EXPECT_EQ(NamesOf(P->Vars()).join(u' '), QStringLiteral("svarDateTime svarPage"));
    auto* DateVar = static_cast<TVyrVar*>(F->FindComponent(QStringLiteral("svarDateTime")));
    auto* PageVar = static_cast<TVyrVar*>(F->FindComponent(QStringLiteral("svarPage")));
    EXPECT_TRUE(DateVar->AutoVar());
    EXPECT_TRUE(PageVar->AutoVar());
    EXPECT_EQ(PageVar->UpdateLevel(), P->PageHead()->UpdateLevel());
    // The level it would take when read back.
    EXPECT_EQ(DateVar->UpdateLevel(), P->Head()->UpdateLevel());
    ASSERT_EQ(NamesOf(P->DataSourceList()), QStringList({"DataSourceGuide"}));
    TVyrDSGuide* Guide = (*P->DataSourceList())[0];
    EXPECT_EQ(Guide->DataSource(), Orders);
    EXPECT_EQ(Guide->UpdateLevel(), P->Detail()->UpdateLevel());
    EXPECT_EQ(Manager.UpdateVarsCount, 1);
    // The band manager hears of new components by post and of variable changes at once.
    DeliverPostedMessages();
    EXPECT_GT(Manager.UpdateFormCount, 0);
    const int Changes = Manager.VarChangedCount;
    DateVar->SetUpdateLevel(P->Detail()->UpdateLevel());
    EXPECT_EQ(Manager.VarChangedCount, Changes + 1);
    DateVar->SetUpdateLevel(P->Head()->UpdateLevel());

    // A level update reaches only the variables of its level.
    P->VarMarkUpdate(P->Head()->UpdateLevel(), umNeedUpdate);
    EXPECT_EQ(DateVar->UpdateMode(), umNeedUpdate);
    EXPECT_EQ(PageVar->UpdateMode(), umNoUpdate);
    P->UpdateDataLevel(P->Head()->UpdateLevel());
    EXPECT_EQ(DateVar->UpdateMode(), umNoUpdate);

    // A second run finds everything in place.
    P->UpdateVarList();
    EXPECT_EQ(P->Vars()->size(), 2u);
    EXPECT_EQ(P->DataSourceList()->size(), 1u);

    // A guide whose level goes falls back to the detail's; without main bands nothing breaks and
    // the new variables and guides wait for a level.
    P->Detail()->UpdateLevel()->SetParent(nullptr);
    P->PageHead()->SafeDelete();
    P->Detail()->SafeDelete();
    delete PageVar;
    delete F->FindComponent(QStringLiteral("DetailBandlevel"));
    EXPECT_EQ(Guide->UpdateLevel(), nullptr);
    delete Guide;
    P->UpdateVarList();
    auto* NewPageVar = static_cast<TVyrVar*>(F->FindComponent(QStringLiteral("svarPage")));
    ASSERT_NE(NewPageVar, nullptr);
    EXPECT_EQ(NewPageVar->UpdateLevel(), nullptr);
    ASSERT_EQ(P->DataSourceList()->size(), 1u);
    EXPECT_EQ((*P->DataSourceList())[0]->UpdateLevel(), nullptr);
    P->SetPageManager(nullptr);
}

namespace {

// A design companion that records what the runtime asks of it.
class TRecordingDesign : public TVyrRptDsgn {
public:
    QStringList Calls;
    TComponent* Droppable = nullptr;
    std::function<void()> MakeManager;
    void RepositionButtons() override { Calls << QStringLiteral("RepositionButtons"); }
    void SetMinMax() override { Calls << QStringLiteral("SetMinMax"); }
    void CreatePageManager() override {
        Calls << QStringLiteral("CreatePageManager");
        if (MakeManager) MakeManager();
    }
    void RulerXY(int X, int Y) override { Calls << QStringLiteral("RulerXY %1,%2").arg(X).arg(Y); }
    void RulerInvalid() override { Calls << QStringLiteral("RulerInvalid"); }
    bool VyrDropOK(TComponent* Source) override { return Source == Droppable; }
    void VyrDroplabels(TComponent* Source, TComponent* Target, int X, int Y) override {
        Calls << QStringLiteral("Droplabels %1 %2 %3,%4").arg(Source->Name(), Target->Name()).arg(X).arg(Y);
    }
};

} // namespace

TEST(VyrPage, DesignCompanionIsAskedForDropsRulersAndTheBandManager) {
    TDesignedReport D;
    TVyrPage* P = D.Page;
    auto Owned = std::make_unique<TRecordingDesign>();
    TRecordingDesign* Design = Owned.get();
    D.Report->SetRepDesign(std::move(Owned));
    TFakeManager Manager;
    Manager.Page = P;
    Design->MakeManager = [&] { P->SetPageManager(&Manager); };
    auto* Source = Make<TDataSource>(D.Form.get(), QStringLiteral("dsDragged"), nullptr);
    Design->Droppable = Source;
    TVyrBand* Detail = P->Detail();
    auto* Label = Make<TTestLabel>(D.Form.get(), QStringLiteral("Label1"), Detail);
    Label->SetBounds(30, 4, 65, 17);

    EXPECT_FALSE(Detail->BandDragOver(D.Report, 5, 6));
    EXPECT_TRUE(Detail->BandDragOver(Source, 5, 6));
    Detail->BandDragDrop(Source, 7, 8);
    Label->MouseMovement(1, 2);
    P->UpdateVarList();
    // The new margin narrows the five bands, and the rulers follow each one.
    P->PageSetup()->SetLeftMargin(1.0);
    D.Report->SetMinimized(true);
    EXPECT_EQ(D.Report->BoundsRect().size(), QSize(82, 44));
    D.Report->SetMinimized(false);
    EXPECT_EQ(D.Report->BoundsRect().size(), QSize(D.Report->SWidth(), D.Report->SHeight()));
    const int Top = Detail->Top();
    EXPECT_EQ(
        Design->Calls.join(u'\n'),
        QStringLiteral(
            "RulerXY 5,%1\nDroplabels dsDragged DetailBand 7,8\nRulerXY 31,%2\nCreatePageManager\n"
            "RepositionButtons\nRepositionButtons\nRepositionButtons\nRepositionButtons\n"
            "RepositionButtons\nRepositionButtons\nRulerInvalid\nSetMinMax\nRepositionButtons\nSetMinMax\n"
            "RepositionButtons")
            .arg(Top + 6)
            .arg(Top + 4 + 2));
    EXPECT_EQ(Manager.UpdateVarsCount, 1);
    P->SetPageManager(nullptr);
}
