#include "design/Pageman.h"
#include "design/PimDrop.h"
#include "design/VyrVOpt.h"
#include "design/Vyrreg.h"
#include "design/Vyrvrep.h"
#include "host/db.h"
#include "host/dragdrop.h"
#include "host/memdataset.h"
#include "host/paintpass.h"
#include "host/properties.h"
#include "host/storedforms.h"
#include "output/PimUtil.h"
#include "report/PimDS.h"
#include "report/VyrText.h"
#include "report/VyrVar.h"
#include "support/designfixture.h"
#include "support/devices.h"
#include "support/fakeprinter.h"
#include "support/paintlog.h"
#include "support/scripteddialogs.h"
#include "viewer/PimView.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QStringList>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

struct Pageman : ::testing::Test {
    void SetUp() override { initDesignPackage(); }
    void TearDown() override {
        resetDesignPackage();
        ResetStoredForms();
    }
};

TVyrPageManager* ManagerOf(TVyrPage* Page) {
    return dynamic_cast<TVyrPageManager*>(Page->PageManager());
}

TEST_F(Pageman, TheFirstDoubleClickMakesTheBandManagerHiddenAndTheNextShowsIt) {
    TDesignedReport R;
    EXPECT_EQ(R.Page->PageManager(), nullptr);
    SendMessage(R.Page, WM_LBUTTONDBLCLK);
    TVyrPageManager* Manager = ManagerOf(R.Page);
    ASSERT_NE(Manager, nullptr);
    EXPECT_EQ(Manager->Owner(), Application());
    EXPECT_EQ(Manager->FPage, R.Page);
    EXPECT_EQ(Manager->PageDesigner(), R.Designer.get());
    EXPECT_FALSE(Manager->Visible());
    SendMessage(R.Page, WM_LBUTTONDBLCLK);
    EXPECT_EQ(ManagerOf(R.Page), Manager);
    EXPECT_TRUE(Manager->Visible());
    // The manager goes with its page.
    TComponentRef<TVyrPageManager> Watch(Manager);
    R.Form.reset();
    EXPECT_FALSE(Watch);
}

TEST_F(Pageman, TheEditorThatMakesTheManagerLeavesItHiddenOnItsOwnVerbOnce) {
    TDesignedReport R;
    auto Editor = GetComponentEditor(R.Page, R.Designer.get());
    auto* PageEditor = dynamic_cast<TVyrGrouppageEditor*>(Editor.get());
    ASSERT_NE(PageEditor, nullptr);
    EXPECT_TRUE(PageEditor->First());
    EXPECT_EQ(Editor->GetVerbCount(), 1);
    EXPECT_EQ(Editor->GetVerb(0), QStringLiteral("Page Manager"));
    Editor->ExecuteVerb(0);
    EXPECT_FALSE(ManagerOf(R.Page)->Visible());
    Editor->ExecuteVerb(1);
    EXPECT_FALSE(ManagerOf(R.Page)->Visible());
    Editor->ExecuteVerb(0);
    EXPECT_TRUE(ManagerOf(R.Page)->Visible());
    // A second editor finds the manager and shows it at once.
    ManagerOf(R.Page)->Hide();
    auto Again = GetComponentEditor(R.Page, R.Designer.get());
    EXPECT_FALSE(dynamic_cast<TVyrGrouppageEditor*>(Again.get())->First());
    Again->Edit();
    EXPECT_TRUE(ManagerOf(R.Page)->Visible());
}

TEST_F(Pageman, DataListsKeepOwnSourcesAndInheritedCopiesAndSkipAnAncestorModulesAndDuplicates) {
    TDesignedReport R;
    R.Form->SetDesignClass("TChildForm", {"TBaseForm", "TForm"});
    R.Add<TDataSource>("OwnSource");
    auto* Inherited = R.Add<TDataSource>("InheritedSource");
    Inherited->IncludeState(csAncestor);
    R.Add<TMemDataSet>("NotASource");
    TForm Base(nullptr);
    Base.SetName("BaseForm");
    Base.SetDesignClass("TBaseForm", {"TForm"});
    Make<TDataSource>(&Base, "BaseSource", nullptr);
    TForm Other(nullptr);
    Other.SetName("Other");
    Other.SetDesignClass("TOtherForm", {"TForm"});
    Make<TDataSource>(&Other, "OtherSource", nullptr);
    TTestDesigner::OpenModule(&Base);
    TTestDesigner::OpenModule(&Other);

    // The page asks for its lists: the designer makes the band manager through a double click.
    SendMessage(R.Page, WM_LBUTTONDBLCLK);
    R.Page->UpdateDataLists();
    const QStringList Expected{"OwnSource", "InheritedSource", "Other.OtherSource"};
    EXPECT_EQ(R.Page->FullDSNames()->ToStringList(), Expected);
    ASSERT_EQ(R.Page->FullDSList()->Count(), 3);
    EXPECT_EQ(R.Page->FullDSList()->Items(1), Inherited);
    ManagerOf(R.Page)->AddDataLists("ownsource");
    ManagerOf(R.Page)->AddDataLists("NotASource");
    ManagerOf(R.Page)->AddDataLists("BaseForm.BaseSource");
    EXPECT_EQ(R.Page->FullDSNames()->ToStringList(), Expected);

    // The variable editor fills the same lists itself.
    auto* Label = R.Add<TVyrvarlabel>("Label1", R.Page->Detail());
    TVyrVarProperty Editor(R.Designer.get(), {Label}, "Variable", GetPropList(Label)->Find("Variable"));
    R.Page->FullDSNames()->Clear();
    R.Page->FullDSList()->Clear();
    Editor.SetDataLists();
    EXPECT_EQ(R.Page->FullDSNames()->ToStringList(), Expected);

    // Posted selection of the page, as the design companion's select button asks.
    PostMessage(ManagerOf(R.Page), WM_VYR_SELECTGROUPPAGE);
    DeliverPostedMessages();
    EXPECT_EQ(R.Designer->SelectedNames(), QStringList{"ReportPage"});
}

// A designed report whose page got its band manager through a double click, its lists filled.
struct TManaged {
    TDesignedReport R;
    TVyrPageManager* M = nullptr;

    TManaged() {
        SendMessage(R.Page, WM_LBUTTONDBLCLK);
        M = ManagerOf(R.Page);
        M->UpdateLists();
    }
    TVyrBand* Band(const QString& Name) const { return dynamic_cast<TVyrBand*>(R.Form->FindComponent(Name)); }
    int Row(const QString& Name) const { return M->BandList->Items().IndexOfObject(Band(Name)); }
    // A left click on the band's row, as the window sends it.
    void Select(const QString& Name) {
        const int Index = Row(Name);
        ASSERT_GE(Index, 0) << Name.toStdString();
        M->BandList->MakeVisible(Index);
        const TRect At = M->BandList->ItemRect(Index);
        M->BandList->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(At.Left + 3, At.Top + 3));
        M->BandList->Perform(WM_LBUTTONUP, 0, MAKELPARAM(At.Left + 3, At.Top + 3));
    }
    void SelectGroup(int Index) {
        M->grouplist->SetItemIndex(Index);
        M->grouplistClick(M->grouplist);
    }
    QStringList Bands() const { return NamesOf(R.Page->Bands()); }
    QStringList Rows() const {
        QStringList Names;
        for (int I = 0; I < M->BandList->Items().Count(); ++I)
            Names << M->BandList->Items().ObjectAs<TVyrBand>(I)->Name();
        return Names;
    }
    // A command of the band menu with the band of that name selected.
    void On(const QString& Name, void (TVyrPageManager::*Command)(TComponent*)) {
        Select(Name);
        (M->*Command)(nullptr);
    }
    // A data band without data source added on the band of that name.
    void DataOn(const QString& Name) {
        Select(Name);
        DataItem("No DataSource")->Click();
    }
    // The Add Data Band entry of that caption, as the popup built it.
    TMenuItem* DataItem(const QString& Caption) {
        M->BandListPopupPopup(M->BandListPopup);
        return M->AddDataBand1->Find(Caption);
    }
    QString LevelOf(const QString& Name) const {
        const TVyrLevel* L = Band(Name)->UpdateLevel();
        return L ? L->Name() + (L->IsHeader() ? QStringLiteral(" header") : QString()) : QStringLiteral("-");
    }
};

TEST_F(Pageman, AddingBandsGivesEachItsPlaceItsLevelAndTheSelection) {
    TManaged T;
    int Modifieds = 0;
    auto Added = [&](const QString& Name) {
        EXPECT_EQ(T.M->SelectedBand(), T.Band(Name));
        EXPECT_EQ(T.R.Designer->SelectedNames(), QStringList{Name});
        EXPECT_EQ(T.R.Designer->Modifieds, ++Modifieds) << Name.toStdString();
    };
    T.On("DetailBand", &TVyrPageManager::Above1Click);
    Added("DetailBandSub");
    T.On("DetailBand", &TVyrPageManager::Below1Click);
    Added("DetailBandSub1");
    T.DataOn("DetailBand");
    Added("Data");
    T.DataOn("DetailBand");
    Added("Data1");
    T.On("Data", &TVyrPageManager::DataHeader1Click);
    Added("DataHeader");
    T.On("Data", &TVyrPageManager::DataFooter1Click);
    Added("DataFooter");
    T.M->PrintFirst1Click(T.M->PrintFirst1);
    Added("OverlayBand");
    EXPECT_EQ(T.Bands(), (QStringList{"ReportHeaderBand", "PageHeaderBand", "DetailBandSub", "DetailBand",
                                      "DataHeader", "Data", "DataFooter", "Data1", "DetailBandSub1",
                                      "PageFooterBand", "ReportFooterBand", "OverlayBand"}));
    EXPECT_EQ(T.Rows(), T.Bands());
    EXPECT_EQ(T.R.Designer->Modifieds, 7);

    // Sub bands share their band's level; the others have their own, a data header's a header level.
    QStringList Levels;
    for (const char* Name :
         {"DetailBandSub", "DetailBandSub1", "Data", "Data1", "DataHeader", "DataFooter", "OverlayBand"})
        Levels << T.LevelOf(Name);
    EXPECT_EQ(Levels, (QStringList{"DetailBandlevel", "DetailBandlevel", "DataLevel", "Data1Level",
                                   "DataHeaderLevel header", "DataFooterLevel", "OverlayBandLevel"}));
    EXPECT_TRUE(static_cast<TVyrSubBand*>(T.Band("DetailBandSub"))->Above());
    EXPECT_FALSE(static_cast<TVyrSubBand*>(T.Band("DetailBandSub1"))->Above());
    EXPECT_EQ(T.Band("Data")->Band(), T.Band("DetailBand"));
    EXPECT_EQ(NamesOf(T.R.Page->Levels()).size(), 10);
}

TEST_F(Pageman, ADataBandOnAGuideTakesItsSourceAndGivesTheGuideItsLevelAnEntryWhoseGuideWentDoesNothing) {
    TManaged T;
    auto* Customers = T.R.Add<TDataSource>("Customers");
    auto* Orders = T.R.Add<TDataSource>("Orders");
    auto* Guide1 = T.R.Add<TVyrDataSourceGuide>("Guide1", T.R.Page);
    auto* Guide2 = T.R.Add<TVyrDataSourceGuide>("Guide2", T.R.Page);
    Guide1->SetDataSource(Customers);
    Guide2->SetDataSource(Orders);
    TVyrLevel* Before = Guide1->UpdateLevel();

    T.Select("DetailBand");
    T.M->BandListPopupPopup(T.M->BandListPopup);
    QStringList Entries;
    for (int I = 0; I < T.M->AddDataBand1->Count(); ++I)
        Entries << QStringLiteral("%1 %2")
                       .arg(T.M->AddDataBand1->Items(I)->Tag())
                       .arg(T.M->AddDataBand1->Items(I)->Caption());
    EXPECT_EQ(Entries, (QStringList{"0 No DataSource", "1 Customers", "2 Orders"}));
    T.M->AddDataBand1->Items(2)->Click();
    auto* Data = dynamic_cast<TVyrSubDataBand*>(T.Band("Data"));
    ASSERT_NE(Data, nullptr);
    EXPECT_EQ(Data->DataSource(), Orders);
    EXPECT_EQ(Guide2->UpdateLevel(), Data->UpdateLevel());
    EXPECT_EQ(Guide1->UpdateLevel(), Before);

    // The guide an entry stands for goes while the menu is open: choosing the entry does nothing.
    T.Select("DetailBand");
    TMenuItem* Entry = T.DataItem("Customers");
    ASSERT_NE(Entry, nullptr);
    delete Guide1;
    const QStringList Bands = T.Bands();
    const int Modifieds = T.R.Designer->Modifieds;
    Entry->Click();
    EXPECT_EQ(T.Bands(), Bands);
    EXPECT_EQ(T.R.Designer->Modifieds, Modifieds);
}

TEST_F(Pageman, TheBandMenuIsEnabledByTheKindOfTheSelectedBand) {
    TManaged T;
    T.On("DetailBand", &TVyrPageManager::Below1Click);
    T.DataOn("DetailBand");
    T.On("Data", &TVyrPageManager::DataHeader1Click);
    T.On("PageFooterBand", &TVyrPageManager::Below1Click);
    T.M->PrintLast1Click(nullptr);
    T.R.Add<TVyrGroup>("Group", T.R.Page)->AddBands(T.R.Page);
    T.R.Page->OrderBands();
    T.M->UpdateLists();

    // Move up, move down, add sub band, add data band, add head/foot, header, footer, overlay, delete.
    auto Enabled = [&] {
        T.M->BandListPopupPopup(T.M->BandListPopup);
        QString S;
        for (TMenuItem* I :
             {T.M->MoveUp1, T.M->MoveDown1, T.M->AddSubBand1, T.M->AddDataBand1, T.M->AddHeadFoot1,
              T.M->DataHeader1, T.M->DataFooter1, T.M->AddOverlay1, T.M->Delete1})
            S += I->Enabled() ? u'1' : u'.';
        return S + QStringLiteral(" %1").arg(T.M->AddDataBand1->Count());
    };
    QStringList Table;
    T.M->BandList->SetItemIndex(-1);
    Table << "none " + Enabled();
    for (const char* Name : {"Data", "DetailBandSub", "PageFooterBandSub", "DataHeader", "OverlayBand",
                             "DetailBand", "PageFooterBand", "GroupHeader"}) {
        T.Select(Name);
        Table << QString::fromLatin1(Name) + u' ' + Enabled();
    }
    EXPECT_EQ(Table, (QStringList{"none .......1. 0", "Data 11111.111 1", "DetailBandSub 11.1...11 1",
                                  "PageFooterBandSub 11.....11 0", "DataHeader ..11...11 1",
                                  "OverlayBand 11.....11 0", "DetailBand ..11...1. 1",
                                  "PageFooterBand ..1....1. 0", "GroupHeader ..11...1. 1"}));
}

TEST_F(Pageman, MovesSwapSiblingsAndCrossFromOneSideOfTheirBandToTheOther) {
    TManaged T;
    for (const char* Side : {"above", "above", "below", "below"}) {
        T.Select("DetailBand");
        if (QLatin1String(Side) == QLatin1String("above"))
            T.M->Above1Click(nullptr);
        else
            T.M->Below1Click(nullptr);
    }
    auto Around = [&] {
        QStringList Rows = T.Rows();
        return Rows.mid(2, Rows.size() - 4).join(u' ');
    };
    // Each new sub band goes to the far end of its side.
    EXPECT_EQ(Around(),
              QStringLiteral("DetailBandSub DetailBandSub1 DetailBand DetailBandSub2 DetailBandSub3"));
    const int Modifieds = T.R.Designer->Modifieds;
    T.Select("DetailBandSub2");
    T.M->MoveUp1Click(T.M->MoveDown1);
    EXPECT_EQ(Around(),
              QStringLiteral("DetailBandSub DetailBandSub1 DetailBand DetailBandSub3 DetailBandSub2"));
    T.Select("DetailBandSub3");
    T.M->MoveUp1Click(T.M->MoveUp1);
    EXPECT_EQ(Around(),
              QStringLiteral("DetailBandSub DetailBandSub1 DetailBandSub3 DetailBand DetailBandSub2"));
    EXPECT_TRUE(static_cast<TVyrSubBand*>(T.Band("DetailBandSub3"))->Above());
    T.Select("DetailBandSub3");
    T.M->MoveUp1Click(T.M->MoveDown1);
    EXPECT_EQ(Around(),
              QStringLiteral("DetailBandSub DetailBandSub1 DetailBand DetailBandSub3 DetailBandSub2"));
    EXPECT_FALSE(static_cast<TVyrSubBand*>(T.Band("DetailBandSub3"))->Above());
    EXPECT_EQ(T.R.Designer->Modifieds, Modifieds + 3);

    // Two overlays of a kind swap; a main band does not move.
    T.M->PrintFirst1Click(nullptr);
    T.M->PrintFirst1Click(nullptr);
    T.Select("OverlayBand1");
    T.M->MoveUp1Click(T.M->MoveUp1);
    EXPECT_EQ(T.Rows().mid(T.Rows().size() - 2), (QStringList{"OverlayBand1", "OverlayBand"}));
    T.Select("DetailBand");
    const QStringList Before = T.Rows();
    T.M->MoveUp1Click(T.M->MoveUp1);
    EXPECT_EQ(T.Rows(), Before);
}

TEST_F(Pageman, DeletingASubDataBandTakesItsWholeTreeWithTheirLevels) {
    TManaged T;
    TScriptedDialogs Dialogs;
    const QStringList MainLevels = NamesOf(T.R.Page->Levels());
    T.DataOn("DetailBand");
    for (auto Add : {&TVyrPageManager::Below1Click, &TVyrPageManager::DataHeader1Click,
                     &TVyrPageManager::DataFooter1Click}) {
        T.Select("Data");
        (T.M->*Add)(nullptr);
    }
    T.DataOn("Data");
    T.On("Data1", &TVyrPageManager::Above1Click);
    T.DataOn("DataSub");
    T.R.Add<TVyrTextLabel>("Label1", T.Band("DataSub"));
    EXPECT_EQ(T.Bands().size(), 5 + 7);

    // An ancestor's band stays, with the message; No keeps all.
    T.Band("Data")->IncludeState(csAncestor);
    Dialogs.Answer(mrOk);
    T.Select("Data");
    T.M->Delete1Click(T.M->Delete1);
    EXPECT_EQ(Dialogs.Last().Text,
              QStringLiteral(
                  "Selection contains a component introduced in an ancestor form which cannot be deleted"));
    T.Band("Data")->ExcludeState(csAncestor);
    Dialogs.Answer(mrNo);
    T.M->Delete1Click(T.M->Delete1);
    EXPECT_EQ(Dialogs.Last().Caption, QStringLiteral("Confirm Delete"));
    EXPECT_EQ(Dialogs.Last().Text,
              QStringLiteral("This band contains labels or child bands.  Delete Anyway?"));
    EXPECT_EQ(T.Bands().size(), 5 + 7);

    Dialogs.Answer(mrYes);
    const int Modifieds = T.R.Designer->Modifieds;
    T.M->Delete1Click(T.M->Delete1);
    EXPECT_EQ(T.Bands(), (QStringList{"ReportHeaderBand", "PageHeaderBand", "DetailBand", "PageFooterBand",
                                      "ReportFooterBand"}));
    EXPECT_EQ(T.Rows(), T.Bands());
    EXPECT_EQ(T.R.Page->SubBands(), nullptr);
    EXPECT_EQ(T.R.Page->SubDataBands(), nullptr);
    EXPECT_EQ(T.R.Page->DataHFBands(), nullptr);
    EXPECT_EQ(NamesOf(T.R.Page->Levels()), MainLevels);
    EXPECT_EQ(T.R.Page->Labels(), nullptr);
    for (const char* Name : {"Data", "DataSub", "DataHeader", "DataFooter", "Data1", "Data1Sub", "Data2",
                             "DataLevel", "Data2Level", "Label1"})
        EXPECT_EQ(T.R.Form->FindComponent(Name), nullptr) << Name;
    EXPECT_EQ(T.R.Designer->SelectedNames(), QStringList{"ReportPage"});
    EXPECT_EQ(T.R.Designer->Modifieds, Modifieds + 1);

    // A main band is not deleted.
    T.Select("DetailBand");
    T.M->Delete1Click(T.M->Delete1);
    EXPECT_EQ(T.Bands().size(), 5);

    // Two data bands hung on each other (a damaged form) are deleted once each.
    T.DataOn("DetailBand");
    T.DataOn("DetailBand");
    T.Band("Data")->SetBand(T.Band("Data1"));
    T.Band("Data1")->SetBand(T.Band("Data"));
    T.M->DeleteSubDataBandsOf(T.Band("Data"));
    EXPECT_EQ(T.R.Page->SubDataBands(), nullptr);
    EXPECT_EQ(T.R.Form->FindComponent("Data1Level"), nullptr);
}

TEST_F(Pageman, GroupsAreAddedMovedAndDeletedWithTheirBandsInOrder) {
    TManaged T;
    for (int I = 0; I < 3; ++I)
        T.M->GroupAddClick(T.M->GroupAdd);
    EXPECT_EQ(T.M->grouplist->Items().ToStringList(), (QStringList{"Group", "Group1", "Group2"}));
    EXPECT_EQ(NamesOf(&T.M->GroupPosList()), (QStringList{"Group", "Group1", "Group2"}));
    EXPECT_EQ(T.R.Designer->Modifieds, 3);

    auto Enabled = [&] {
        T.M->GroupListPopupPopup(T.M->GroupListPopup);
        QString S;
        for (TMenuItem* I : {T.M->GroupAdd, T.M->GroupDelete, T.M->MoveUp, T.M->MoveDown})
            S += I->Enabled() ? u'1' : u'.';
        return S;
    };
    EXPECT_EQ(Enabled(), QStringLiteral("1..."));
    T.SelectGroup(0);
    EXPECT_EQ(Enabled(), QStringLiteral("11.1"));
    EXPECT_EQ(T.R.Designer->SelectedNames(), QStringList{"Group"});
    T.SelectGroup(2);
    EXPECT_EQ(Enabled(), QStringLiteral("111."));

    T.M->MoveUpClick(T.M->MoveUp);
    EXPECT_EQ(T.M->grouplist->Items().ToStringList(), (QStringList{"Group", "Group2", "Group1"}));
    T.SelectGroup(1);
    T.M->GroupDeleteClick(T.M->GroupDelete);
    EXPECT_EQ(T.M->grouplist->Items().ToStringList(), (QStringList{"Group", "Group1"}));
    QStringList Levels;
    for (const TVyrGroup* G : *T.R.Page->Groups())
        Levels << QStringLiteral("%1 %2").arg(G->Name()).arg(G->Level());
    EXPECT_EQ(Levels, (QStringList{"Group 0", "Group1 1"}));
    EXPECT_EQ(T.Bands(),
              (QStringList{"ReportHeaderBand", "PageHeaderBand", "GroupHeader", "Group1Header", "DetailBand",
                           "Group1Footer", "GroupFooter", "PageFooterBand", "ReportFooterBand"}));
    EXPECT_EQ(T.R.Form->FindComponent("Group2Header"), nullptr);
    EXPECT_EQ(T.R.Form->FindComponent("Group2HeaderLevel"), nullptr);
    EXPECT_EQ(T.R.Designer->Modifieds, 5);
}

TEST_F(Pageman, EveryKindMovesAndIsDeletedOnItsOwnLeavingTheRestAsItWas) {
    TManaged T;
    for (auto Add :
         {&TVyrPageManager::Above1Click, &TVyrPageManager::Above1Click, &TVyrPageManager::Below1Click})
        T.On("DetailBand", Add);
    T.DataOn("DetailBand");
    T.DataOn("DetailBand");
    T.On("Data", &TVyrPageManager::DataHeader1Click);
    T.On("Data", &TVyrPageManager::DataFooter1Click);
    T.M->PrintFirst1Click(nullptr);
    for (int I = 0; I < 3; ++I)
        T.M->GroupAddClick(nullptr);
    // Every level of the page is the level of a band on it, and every band's level is one of the
    // page's: a band deleted took its own level along and left everyone else's.
    auto Levels = [&] {
        QStringList Wrong;
        for (const TVyrBand* B : *T.R.Page->Bands())
            if (!B->UpdateLevel() || NamesOf(T.R.Page->Levels()).indexOf(B->UpdateLevel()->Name()) < 0)
                Wrong << B->Name() + QStringLiteral(" has no level of the page");
        for (const TVyrLevel* L : *T.R.Page->Levels())
            if (std::none_of(T.R.Page->Bands()->begin(), T.R.Page->Bands()->end(),
                             [L](const TVyrBand* B) { return B->UpdateLevel() == L; }))
                Wrong << L->Name() + QStringLiteral(" is nobody's");
        return Wrong;
    };
    ASSERT_EQ(Levels(), QStringList());
    ASSERT_EQ(NamesOf(T.R.Page->Levels()).size(), 5 + 6 + 5);

    // The band menu's Move Down and Delete on the band of that name.
    auto Down = [&T](const char* Name) {
        return [&T, Name] {
            T.Select(Name);
            T.M->MoveUp1Click(T.M->MoveDown1);
        };
    };
    auto Delete = [&T](const char* Name) {
        return [&T, Name] { T.On(Name, &TVyrPageManager::Delete1Click); };
    };
    struct TStep {
        const char* What;
        std::function<void()> Do;
        const char* Rows; // the outline between the page header and the page footer, then the overlays
    } const Steps[] = {
        {"the first of two sub bands above moved down", Down("DetailBandSub"),
         "GroupHeader Group1Header Group2Header DetailBandSub1 DetailBandSub DetailBand DataHeader Data "
         "DataFooter Data1 DetailBandSub2 Group2Footer Group1Footer GroupFooter OverlayBand"},
        {"a sub data band moved down", Down("Data"),
         "GroupHeader Group1Header Group2Header DetailBandSub1 DetailBandSub DetailBand Data1 DataHeader "
         "Data DataFooter DetailBandSub2 Group2Footer Group1Footer GroupFooter OverlayBand"},
        {"a sub band below deleted", Delete("DetailBandSub2"),
         "GroupHeader Group1Header Group2Header DetailBandSub1 DetailBandSub DetailBand Data1 DataHeader "
         "Data DataFooter Group2Footer Group1Footer GroupFooter OverlayBand"},
        {"a sub band above deleted", Delete("DetailBandSub"),
         "GroupHeader Group1Header Group2Header DetailBandSub1 DetailBand Data1 DataHeader Data DataFooter "
         "Group2Footer Group1Footer GroupFooter OverlayBand"},
        {"a data head band deleted", Delete("DataHeader"),
         "GroupHeader Group1Header Group2Header DetailBandSub1 DetailBand Data1 Data DataFooter Group2Footer "
         "Group1Footer GroupFooter OverlayBand"},
        {"a data foot band deleted", Delete("DataFooter"),
         "GroupHeader Group1Header Group2Header DetailBandSub1 DetailBand Data1 Data Group2Footer "
         "Group1Footer GroupFooter OverlayBand"},
        {"an overlay deleted", Delete("OverlayBand"),
         "GroupHeader Group1Header Group2Header DetailBandSub1 DetailBand Data1 Data Group2Footer "
         "Group1Footer GroupFooter"},
        {"the first of three groups moved down",
         [&] {
             T.SelectGroup(0);
             T.M->MoveDownClick(T.M->MoveDown);
         },
         "Group1Header GroupHeader Group2Header DetailBandSub1 DetailBand Data1 Data Group2Footer "
         "GroupFooter Group1Footer"},
    };
    for (const TStep& S : Steps) {
        const int Modifieds = T.R.Designer->Modifieds;
        S.Do();
        const QStringList Rows = T.Rows();
        EXPECT_EQ(Rows, T.Bands()) << S.What;
        const qsizetype Foot = Rows.indexOf(QStringLiteral("PageFooterBand"));
        EXPECT_EQ((Rows.mid(2, Foot - 2) + Rows.mid(Foot + 2)).join(u' '), QLatin1String(S.Rows)) << S.What;
        EXPECT_EQ(Levels(), QStringList()) << S.What;
        EXPECT_EQ(T.R.Designer->Modifieds, Modifieds + 1) << S.What;
    }
    EXPECT_TRUE(static_cast<TVyrSubBand*>(T.Band("DetailBandSub1"))->Above());
    EXPECT_EQ(T.M->grouplist->Items().ToStringList(), (QStringList{"Group1", "Group", "Group2"}));
    EXPECT_EQ(NamesOf(T.R.Page->Levels()).size(), 5 + 6 + 2);
}

TEST_F(Pageman, DeletingAGroupRenumbersOnlyTheGroupsThePageStillHasWhenAnotherWentBeforeTheListsCaughtUp) {
    TManaged T;
    for (int I = 0; I < 3; ++I)
        T.M->GroupAddClick(T.M->GroupAdd);
    DeliverPostedMessages();
    // Taken off the page and freed elsewhere; the lists learn of it only from the message the page
    // posted, which has not come yet.
    auto* Gone = dynamic_cast<TVyrGroup*>(T.R.Form->FindComponent("Group1"));
    ASSERT_NE(Gone, nullptr);
    Gone->SetParent(nullptr);
    Gone->SafeDelete();
    EXPECT_EQ(T.M->grouplist->Items().ToStringList(), (QStringList{"Group", "Group1", "Group2"}));
    T.SelectGroup(2);
    T.M->GroupDeleteClick(T.M->GroupDelete);
    QStringList Levels;
    for (const TVyrGroup* G : *T.R.Page->Groups())
        Levels << QStringLiteral("%1 %2").arg(G->Name()).arg(G->Level());
    EXPECT_EQ(Levels, QStringList{"Group 0"});
    EXPECT_EQ(T.M->RowGroup(1), nullptr);
    EXPECT_EQ(T.Bands(), (QStringList{"ReportHeaderBand", "PageHeaderBand", "GroupHeader", "DetailBand",
                                      "GroupFooter", "PageFooterBand", "ReportFooterBand"}));
}

TEST_F(Pageman, DropsReattachOnlyWhereABandMayHang) {
    TManaged T;
    T.On("DetailBand", &TVyrPageManager::Below1Click);
    T.DataOn("DetailBand");
    T.DataOn("Data");
    T.On("Data", &TVyrPageManager::DataHeader1Click);
    T.On("PageFooterBand", &TVyrPageManager::Below1Click);
    T.M->PrintFirst1Click(nullptr);

    auto Valid = [&](const char* D, const char* Target) {
        return T.M->ValidMove(T.Band(D), T.Band(Target)) ? '1' : '.';
    };
    QString Table;
    for (auto [D, Target] : std::initializer_list<std::pair<const char*, const char*>>{
             {"DetailBandSub", "Data"},              // a sub band on a sub data band
             {"Data1", "DetailBandSub"},             // a sub data band on a sub band
             {"Data", "PageHeaderBand"},             // on a main band
             {"DetailBandSub", "PageFooterBand"},    // a sub band on the page footer
             {"Data", "PageFooterBand"},             // anything else there: no
             {"Data", "PageFooterBandSub"},          // nor below it
             {"DetailBand", "PageHeaderBand"},       // a main band never moves
             {"OverlayBand", "DetailBand"},          // nor an overlay
             {"Data", "OverlayBand"},                // nor onto one
             {"DataHeader", "DetailBand"},           // nor a head band
             {"DetailBandSub", "PageFooterBandSub"}, // a sub band on a sub band
             {"Data", "Data"},                       // on itself
             {"Data", "Data1"},                      // on what hangs below it
             {"Data", "Nothing"}})
        Table += Valid(D, Target);
    EXPECT_EQ(Table, QStringLiteral("1111.........."));

    // A drag from the sub band's row onto the sub data band's row, as the window carries it.
    auto Centre = [&](const char* Name) {
        const TRect R = T.M->BandList->ItemRect(T.Row(Name));
        return T.M->BandList->ClientToParent(QPoint(R.Left + 20, R.Top + 7));
    };
    T.Select("Data");
    T.Select("DetailBandSub");
    const int Modifieds = T.R.Designer->Modifieds;
    const QPoint From = T.M->BandList->ParentToClient(Centre("DetailBandSub"));
    T.M->BandList->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(From.x(), From.y()));
    ASSERT_TRUE(DragManager::Pending());
    DragManager::Move(T.M, Centre("PageFooterBandSub"));
    EXPECT_FALSE(DragManager::Accepted());
    DragManager::Move(T.M, Centre("Data"));
    EXPECT_TRUE(DragManager::Accepted());
    DragManager::Release(T.M, Centre("Data"));
    T.M->BandList->Perform(WM_LBUTTONUP, 0, 0);
    auto* Sub = T.Band("DetailBandSub");
    EXPECT_EQ(Sub->Band(), T.Band("Data"));
    EXPECT_EQ(Sub->UpdateLevel(), T.Band("Data")->UpdateLevel());
    EXPECT_EQ(T.Rows().mid(T.Row("DataHeader"), 4),
              (QStringList{"DataHeader", "Data", "Data1", "DetailBandSub"}));
    EXPECT_EQ(T.R.Designer->Modifieds, Modifieds + 1);

    // Over empty space the drag is accepted and its drop does nothing.
    T.Select("Data1");
    bool Accept = false;
    T.M->BandListDragOver(T.M->BandList, T.M->BandList, 5, 300, Accept);
    EXPECT_TRUE(Accept);
    T.M->BandListDragDrop(T.M->BandList, T.M->BandList, 5, 300);
    EXPECT_EQ(T.R.Designer->Modifieds, Modifieds + 1);
    T.M->BandListDragOver(T.M->BandList, T.M->grouplist, 5, 300, Accept);
    EXPECT_FALSE(Accept);
}

// A data control centre that counts what the band manager asks of it.
class TCountingCentre : public TVyrDataControlForm {
public:
    using TVyrDataControlForm::TVyrDataControlForm;
    bool UpdateVars() override {
        ++Updates;
        if (Nested) SendMessage(PageManager, WM_VYR_DODATACONTROL);
        return Show;
    }
    void ObjectChanged() override { ++Changes; }
    int Updates = 0;
    int Changes = 0;
    bool Nested = false;
    bool Show = true;
};

class TFailingReport : public TVyrPageReportForm {
public:
    using TVyrPageReportForm::TVyrPageReportForm;
    void RunFor(TVyrGrouppage* Page, IDesigner* Designer) override {
        Seen = Page->Name() + (Designer ? QStringLiteral(" designed") : QString());
        throw Exception(QStringLiteral("The report failed"));
    }
    static inline QString Seen;
};

TEST_F(Pageman, MessagesReachTheDataControlCentreOnceAndTheReportFormsLiveForOneRun) {
    TManaged T;
    TToldErrors Told;
    int Made = 0;
    bool Fail = true;
    TCountingCentre* Centre = nullptr;
    SetDataControlCreator([&](TComponent* Owner) -> TVyrDataControlForm* {
        ++Made;
        if (Fail) throw Exception(QStringLiteral("No centre"));
        Centre = new TCountingCentre(Owner);
        Centre->Nested = true;
        return Centre;
    });
    SendMessage(T.M, WM_VYR_DODATACONTROL);
    EXPECT_EQ(Told.Messages, QStringList{"No centre"});
    EXPECT_FALSE(T.M->InDataControl);
    Fail = false;
    PostMessage(T.M, WM_VYR_DODATACONTROL);
    DeliverPostedMessages();
    ASSERT_NE(Centre, nullptr);
    EXPECT_EQ(Made, 2);
    EXPECT_EQ(Centre->Owner(), Application());
    EXPECT_EQ(Centre->PageManager, T.M);
    EXPECT_EQ(Centre->Updates, 1); // the nested message did nothing
    EXPECT_TRUE(Centre->Visible());

    // The page's messages: variables made without showing, a changed variable, a refresh.
    Centre->Hide();
    Centre->Nested = false;
    SendMessage(T.M, WM_VYR_DATAUPDATEVARS);
    EXPECT_EQ(Centre->Updates, 2);
    EXPECT_FALSE(Centre->Visible());
    SendMessage(T.M, WM_VYR_VARCHANGED);
    EXPECT_EQ(Centre->Changes, 1);
    SendMessage(T.M, WM_VYR_UPDATEFORM);
    EXPECT_TRUE(HasPostedMessage(Centre, WM_VYR_REFRESHVARLISTS));
    EXPECT_EQ(Made, 2);
    DeliverPostedMessages();

    // A report form is freed after its run, also when the run fails.
    TComponentRef<TComponent> Form;
    SetOverviewFormCreator([&](TComponent* Owner) -> TVyrPageReportForm* {
        auto* F = new TFailingReport(Owner);
        Form = F;
        return F;
    });
    PostMessage(T.M, WM_VYR_RUNOVERREPORT);
    DeliverPostedMessages();
    EXPECT_EQ(TFailingReport::Seen, QStringLiteral("ReportPage designed"));
    EXPECT_EQ(Told.Messages.last(), QStringLiteral("The report failed"));
    EXPECT_FALSE(Form);
    SendMessage(T.M, WM_VYR_RUNDIAGREPORT); // no diagnostic form installed: nothing

    // A centre freed elsewhere is forgotten, and the next message makes another, which goes with its
    // band manager.
    delete Centre;
    Centre = nullptr;
    SendMessage(T.M, WM_VYR_VARCHANGED);
    SendMessage(T.M, WM_VYR_DATAUPDATEVARS);
    ASSERT_NE(Centre, nullptr);
    EXPECT_EQ(Made, 3);
    TComponentRef<TCountingCentre> Watch(Centre);
    T.R.Form.reset();
    EXPECT_FALSE(Watch);
    SetDataControlCreator(nullptr);
    SetOverviewFormCreator(nullptr);
}

// While the page's report runs, each tool window refuses every change and says why once a command:
// the run prints a sub data band that the band manager's Delete, chosen in its menu between two of
// the band's records, would otherwise free under it.
TEST_F(Pageman, WhileItsReportRunsEveryToolWindowRefusesEachChangeWithOneWordAndTheRunGoesOn) {
    std::vector<std::unique_ptr<TFakePrinter>> Office;
    Office.push_back(TFakePrinter::Office());
    TFakePrinterList Printers{std::move(Office)};
    TManaged T;
    auto Names = [&T] {
        QStringList List;
        for (int i = 0; i < T.R.Form->ComponentCount(); ++i)
            List << T.R.Form->Components(i)->Name();
        return List;
    };
    auto* OrderSet = T.R.Add<TMemDataSet>("OrderSet");
    auto* RowSet = T.R.Add<TMemDataSet>("RowSet");
    FillNumbered(*OrderSet, QStringLiteral("N"), 2);
    FillNumbered(*RowSet, QStringLiteral("N"), 3);
    auto* Orders = T.R.Add<TDataSource>("Orders");
    auto* Rows = T.R.Add<TDataSource>("Rows");
    Orders->SetDataSet(OrderSet);
    Rows->SetDataSet(RowSet);
    T.R.Page->SetDataSource(Orders);
    T.R.Add<TVyrDataSourceGuide>("Guide1", T.R.Page)->SetDataSource(Rows);
    T.Select("DetailBand");
    T.DataItem("Rows")->Click();
    auto* Data = dynamic_cast<TVyrSubDataBand*>(T.Band("Data"));
    ASSERT_NE(Data, nullptr);
    T.M->GroupAdd->Click();
    SendMessage(T.M, WM_VYR_DODATACONTROL);
    auto* Centre = dynamic_cast<TVyrDSVariableOptions*>(T.M->DataControl());
    ASSERT_NE(Centre, nullptr);
    TPimDropLabels Drop(nullptr);
    Drop.SetPage(T.R.Page);
    Drop.FillComboBoxes();
    Drop.PimVariableList->SetSelected(0, true);
    T.M->Show();
    T.Select("Data");
    DeliverPostedMessages();

    TScriptedDialogs Dialogs;
    Dialogs.SetUnscriptedAnswer(mrOk);
    const QStringList Before = Names();
    const int Modifieds = T.R.Designer->Modifieds;
    const std::pair<const char*, std::function<void()>> Commands[] = {
        {"Move Up",
         [&] {
             T.M->BandListPopupPopup(T.M->BandListPopup);
             T.M->MoveUp1->Click();
         }},
        {"Add Sub Band Above", [&] { T.M->Above1->Click(); }},
        {"Add Data Band", [&] { T.DataItem("No DataSource")->Click(); }},
        {"Add Head", [&] { T.M->DataHeader1->Click(); }},
        {"Add Overlay", [&] { T.M->PrintFirst1->Click(); }},
        {"a band dropped on a band", [&] { T.M->BandListDragDrop(T.M->BandList, T.M->BandList, 3, 3); }},
        {"Add group", [&] { T.M->GroupAdd->Click(); }},
        {"Delete group", [&] { T.SelectGroup(0), T.M->GroupDelete->Click(); }},
        {"Move group down", [&] { T.M->MoveDown->Click(); }},
        {"Overview", [&] { SendMessage(T.M, WM_VYR_RUNOVERREPORT); }},
        {"Data", [&] { SendMessage(T.M, WM_VYR_DODATACONTROL); }},
        {"Define", [&] { Centre->FListDefine(); }},
        {"Undefine", [&] { Centre->CListDelete(); }},
        {"Add DB variable", [&] { Centre->Add1Click(); }},
        {"Add expression", [&] { Centre->ExprAddClick(1); }},
        {"Add total", [&] { Centre->AddTotal(Centre->clist); }},
        {"Delete variables", [&] { Centre->DeleteETList(Centre->DBVarList); }},
        {"Delete guide", [&] { Centre->DeleteDsgItemClick(); }},
        {"Revert guide", [&] { Centre->RevertToAncestorClick(); }},
        {"Optimize", [&] { Centre->Optimize(); }},
        {"Fields made variables", [&] { Centre->AddManualDBVar(Centre->flist); }},
        {"Print the lists", [&] { VyrPrintVarLists(Centre); }},
        {"Drop labels", [&] { Drop.DropLabels(T.R.Page->Detail(), 10, 10); }},
        {"Undo drop", [&] { Drop.SpeedButton1Click(); }},
    };
    int RowsPrinted = 0;
    bool Chosen = false;
    Data->OnBeforePrint = [&](TVyrBand*) {
        // The run pumps after each of the band's rows. After the first the Delete is chosen from the
        // band menu as the user chooses it, from the event loop; after the third every other command
        // is tried.
        if (++RowsPrinted == 1)
            QTimer::singleShot(0, [&] {
                T.M->BandListPopup->Popup(0, 0);
                QMenu* Menu = T.M->BandListPopup->Menu();
                ASSERT_NE(Menu, nullptr);
                auto* Delete = Menu->findChild<QAction*>(QStringLiteral("Delete1"));
                ASSERT_NE(Delete, nullptr);
                ASSERT_TRUE(Delete->isEnabled());
                QObject::connect(Delete, &QAction::triggered, [&] { Chosen = true; });
                Menu->setActiveAction(Delete);
                QCoreApplication::postEvent(Menu,
                                            new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier));
            });
        else if (RowsPrinted == 3)
            QTimer::singleShot(0, [&] {
                for (const auto& [What, Command] : Commands) {
                    const size_t Told = Dialogs.Shown().size();
                    Command();
                    EXPECT_EQ(Dialogs.Shown().size(), Told + 1) << What;
                }
            });
    };
    QEventLoop Loop;
    QTimer::singleShot(0, [&] {
        T.R.Report->SetDesignPreview(true);
        EXPECT_NO_THROW(T.R.Report->Run());
        Loop.quit();
    });
    Loop.exec();

    EXPECT_TRUE(Chosen);
    EXPECT_EQ(RowsPrinted, 6);
    EXPECT_FALSE(T.R.Report->Printing());
    EXPECT_EQ(Dialogs.MessageCount(), int(std::size(Commands)) + 1);
    const QString Why =
        QStringLiteral("A report of the form is running: the form stays as it is until the run is done.");
    for (const TScriptedDialogs::TShown& Shown : Dialogs.Shown())
        EXPECT_EQ(Shown.Text, Why);
    EXPECT_EQ(Names(), Before);
    EXPECT_EQ(T.R.Designer->Modifieds, Modifieds);
    auto CloseViewers = [] {
        for (int i = Application()->ComponentCount() - 1; i >= 0; --i)
            if (auto* Viewer = dynamic_cast<TPimViewer*>(Application()->Components(i))) delete Viewer;
    };
    CloseViewers();

    // The overview's report reads the page as it runs: meanwhile the Delete is refused too.
    bool Tried = false;
    QTimer::singleShot(0, [&] {
        Tried = true;
        T.Select("Data");
        T.M->Delete1->Click();
    });
    SendMessage(T.M, WM_VYR_RUNOVERREPORT);
    CloseViewers();
    EXPECT_TRUE(Tried);
    EXPECT_NE(T.Band("Data"), nullptr);
    EXPECT_EQ(Dialogs.MessageCount(), int(std::size(Commands)) + 2);
    EXPECT_EQ(Dialogs.Last().Text, Why);

    // Once the runs are done the same Delete frees the band.
    T.Select("Data");
    T.M->Delete1->Click();
    EXPECT_EQ(T.Band("Data"), nullptr);
    EXPECT_EQ(Dialogs.MessageCount(), int(std::size(Commands)) + 2);
}

TEST_F(Pageman, TheListsPaintTheOutlineMarkTheCaptionOnceAndMoveTheHeaderLabels) {
    TManaged T;
    auto* Orders = T.R.Add<TDataSource>("Orders");
    T.R.Page->SetDataSource(Orders);
    T.M->GroupAddClick(nullptr);
    T.M->UpdateLists();
    EXPECT_EQ(T.M->Caption(), QStringLiteral("Band Manager for ReportPage"));
    // Rows 300 wide in the band list; the group list 300 wide with its frame.
    T.M->BandList->SetAlign(alNone);
    T.M->BandList->SetBounds(0, 0, 304, 200);
    T.M->grouplist->SetAlign(alNone);
    T.M->grouplist->SetBounds(0, 0, 300, 100);

    for (int I = 0; I < 3; ++I) {
        auto DC = DeviceContext::CreateRecording(ScreenCaps(96, 300, 200));
        T.M->BandList->PaintTo(*DC);
    }
    // The page's source has no guide: its level cannot match the detail band's.
    EXPECT_EQ(T.M->Caption(), QStringLiteral("* Band Manager for ReportPage"));
    EXPECT_EQ(T.M->dslabel->Left(), 180);
    T.M->UpdateLists();
    EXPECT_EQ(T.M->Caption(), QStringLiteral("Band Manager for ReportPage"));

    // Nothing is painted while the lists are rebuilt.
    T.M->InUpdateLists = true;
    auto Quiet = DeviceContext::CreateRecording(ScreenCaps(96, 300, 200));
    T.M->BandList->PaintTo(*Quiet);
    EXPECT_TRUE(DrawnTexts(*Quiet->Log()).isEmpty());
    T.M->InUpdateLists = false;

    // The group's handler comes from the designer; its columns move the header labels.
    T.R.Form->DefineMethod("GroupBreaks", TNotifyEvent([](TComponent*) {}));
    T.M->GroupPosList()[0]->SetEventBinding("OnCheckBroken", "GroupBreaks");
    auto DC = DeviceContext::CreateRecording(ScreenCaps(96, 296, 100));
    T.M->grouplist->PaintTo(*DC);
    EXPECT_EQ(DrawnTexts(*DC->Log()), (QStringList{"6 1 Group", "97 1 Not assigned.", "178 1 GroupBreaks"}));
    EXPECT_EQ(T.M->GroupLabel->Left(), 4);
    EXPECT_EQ(T.M->VariableLabel->Left(), 95);
    EXPECT_EQ(T.M->EventLabel->Left(), 176);

    // A band freed elsewhere leaves a row that is never read until the next refresh, which keeps
    // the selected band selected.
    T.On("DetailBand", &TVyrPageManager::Below1Click);
    T.Select("GroupHeader");
    T.Band("DetailBandSub")->SafeDelete();
    auto Stale = DeviceContext::CreateRecording(ScreenCaps(96, 300, 200));
    T.M->BandList->PaintTo(*Stale);
    EXPECT_EQ(DrawnTexts(*Stale->Log()).size(), 7 + 1);
    PostMessage(T.M, WM_VYR_UPDATEFORM);
    DeliverPostedMessages();
    EXPECT_EQ(T.M->BandList->Items().Count(), 7);
    EXPECT_EQ(T.M->SelectedBand(), T.Band("GroupHeader"));
}
} // namespace

namespace {

TEST_F(Pageman, ItsWindowComesWithTheFirstShowAndShowsTheListsAsTheFormPaintsThem) {
    TManaged T;
    EXPECT_EQ(T.M->Widget(), nullptr);
    T.M->Show();
    QWidget* Window = T.M->Widget();
    ASSERT_NE(Window, nullptr);
    EXPECT_EQ(Window->windowTitle(), QStringLiteral("Band Manager for ReportPage"));
    EXPECT_EQ(T.M->BandList->Widget()->parentWidget(), Window);
    // The band list lies below its header strip, the group list at the foot of the window.
    EXPECT_EQ(T.M->BandList->Widget()->geometry(), QRect(0, 21, 443, 228));
    EXPECT_EQ(T.M->grouplist->Widget()->geometry(), QRect(0, 270, 443, 130));
    const QImage Shown = Window->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(Shown.size(), QSize(443, 400));

    // What the list's window shows is what the form's paint draws there.
    QImage Painted(443, 400, QImage::Format_RGB32);
    Painted.fill(Qt::black);
    {
        auto DC = DeviceContext::CreateForImage(&Painted, 96, 96);
        PaintControl(T.M, *DC);
    }
    const QRect List = T.M->BandList->Widget()->geometry();
    EXPECT_EQ(Shown.copy(List), Painted.copy(List));
    auto Recorded = DeviceContext::CreateRecording(ScreenCaps(96, 443, 400));
    PaintControl(T.M, *Recorded);
    EXPECT_EQ(DrawnAt(*Recorded->Log(), QStringLiteral("Detail")), QPoint(2 + 10 + 2, 21 + 2 + 2 * 14 + 1));

    // Closing hides the window; the form stays for the page's messages.
    T.M->Close();
    EXPECT_FALSE(T.M->Visible());
    EXPECT_EQ(ManagerOf(T.R.Page), T.M);
}

// A press and release of Button at At in View, as the window system hands them over.
void ClickIn(QWidget* View, QPoint At, Qt::MouseButton Button) {
    for (QEvent::Type Type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent Event(Type, QPointF(At), QPointF(View->mapToGlobal(At)), Button,
                          Type == QEvent::MouseButtonPress ? Button : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(View, &Event);
    }
}

TEST_F(Pageman, ARightClickChoosesTheRowUnderThePointerBeforeItsMenuOpensAndTheMenuWorksOnIt) {
    TManaged T;
    T.On(QStringLiteral("DetailBand"), &TVyrPageManager::Below1Click);
    T.M->GroupAddClick(nullptr);
    T.M->GroupAddClick(nullptr);
    T.M->Show();
    ASSERT_NE(T.M->Widget(), nullptr);
    const QString Sub = T.Rows().filter(QStringLiteral("Sub")).value(0);
    ASSERT_FALSE(Sub.isEmpty());
    // A point in row Row of List, in its view's coordinates; past the last row for -1.
    auto PointAt = [](TListBox* List, int Row) {
        const TRect R = List->ItemRect(Row < 0 ? List->Items().Count() : Row);
        return QPoint(R.Left + 5, R.Top + 5) + List->ClientOrigin();
    };
    struct {
        bool Groups;
        QString Before;  // the row chosen by a left click first
        QString Pressed; // empty: below the last row
        QString After;   // the row chosen and the component selected in the designer
        QStringList Enabled;
    } const Cases[] = {
        {false,
         "PageHeaderBand",
         Sub,
         Sub,
         {"MoveUp1", "MoveDown1", "AddDataBand1", "AddOverlay1", "Delete1"}},
        {false, Sub, "PageHeaderBand", "PageHeaderBand", {"AddSubBand1", "AddDataBand1", "AddOverlay1"}},
        {false, Sub, "", Sub, {"MoveUp1", "MoveDown1", "AddDataBand1", "AddOverlay1", "Delete1"}},
        {true, "Group", "Group1", "Group1", {"GroupAdd", "GroupDelete", "MoveUp"}},
        {true, "Group1", "Group", "Group", {"GroupAdd", "GroupDelete", "MoveDown"}},
    };
    for (const auto& Case : Cases) {
        SCOPED_TRACE((Case.Before + u'>' + Case.Pressed).toStdString());
        TListBox* List = Case.Groups ? T.M->grouplist : T.M->BandList;
        auto RowOf = [&](const QString& Name) {
            return Case.Groups ? List->Items().IndexOf(Name) : T.Row(Name);
        };
        if (Case.Groups)
            T.SelectGroup(RowOf(Case.Before));
        else
            T.Select(Case.Before);
        ClickIn(List->Widget(), PointAt(List, Case.Pressed.isEmpty() ? -1 : RowOf(Case.Pressed)),
                Qt::RightButton);
        EXPECT_EQ(List->ItemIndex(), RowOf(Case.After));
        EXPECT_EQ(T.R.Designer->SelectedNames(), QStringList{Case.After});
        QMenu* Shown = (Case.Groups ? T.M->GroupListPopup : T.M->BandListPopup)->Menu();
        ASSERT_NE(Shown, nullptr);
        QStringList Enabled;
        for (QAction* Action : Shown->actions())
            if (Action->isEnabled() && !Action->isSeparator()) Enabled << Action->objectName();
        EXPECT_EQ(Enabled, Case.Enabled);
        Shown->close();
        QApplication::processEvents();
    }

    // Chosen from the menu, Delete takes the band the right click chose.
    T.Select(QStringLiteral("PageHeaderBand"));
    ClickIn(T.M->BandList->Widget(), PointAt(T.M->BandList, T.Row(Sub)), Qt::RightButton);
    QMenu* Shown = T.M->BandListPopup->Menu();
    ASSERT_NE(Shown, nullptr);
    QAction* Delete = Shown->findChild<QAction*>(QStringLiteral("Delete1"));
    ASSERT_NE(Delete, nullptr);
    ClickIn(Shown, Shown->actionGeometry(Delete).center(), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(T.R.Form->FindComponent(Sub), nullptr);
    EXPECT_TRUE(T.Bands().contains(QStringLiteral("PageHeaderBand")));
    EXPECT_FALSE(T.Rows().contains(Sub));
}

} // namespace
