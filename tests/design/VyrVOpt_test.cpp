#include "design/Pageman.h"
#include "design/VyrVOpt.h"
#include "design/Vyrreg.h"
#include "host/buttons.h"
#include "host/grids.h"
#include "host/listbox.h"
#include "host/lists.h"
#include "host/mathutil.h"
#include "host/memdataset.h"
#include "host/menus.h"
#include "host/messages.h"
#include "host/sqldataset.h"
#include "host/storedforms.h"
#include "report/PimDS.h"
#include "report/VyrText.h"
#include "report/VyrVar.h"
#include "support/designfixture.h"
#include "support/devices.h"
#include "support/sampledata.h"
#include "support/scripteddialogs.h"

#include "orders_layout.h"

#include <QApplication>
#include <QScreen>
#include <QSqlDatabase>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

struct DataControl : ::testing::Test {
    void SetUp() override {
        initDesignPackage();
        Screen()->SetWidth(1024);
    }
    void TearDown() override {
        Screen()->SetWidth(0);
        resetDesignPackage();
        ResetStoredForms();
    }
};

QStringList DefaultFields() {
    return {QStringLiteral("Id"), QStringLiteral("Name"), QStringLiteral("City"), QStringLiteral("Country"),
            QStringLiteral("Phone")};
}

// A designed report over the in-memory set "Cust" and its source "dsCust", with the band manager
// of its page and the data control centre that the manager made when the page gave "dsCust" its
// guide and asked for the automatic variables. Script answers what that first update shows.
struct TCentre {
    TScriptedDialogs Dialogs;
    TDesignedReport R;
    TMemDataSet* Cust = nullptr;
    TDataSource* Source = nullptr;
    TVyrPageManager* Manager = nullptr;
    TVyrDSVariableOptions* C = nullptr;

    explicit TCentre(const QStringList& Fields = DefaultFields(),
                     const std::function<void(TScriptedDialogs&)>& Script = nullptr) {
        Cust = R.Add<TMemDataSet>(QStringLiteral("Cust"));
        for (const QString& F : Fields)
            Cust->FieldDefs().Add(F, F == u"Id" ? ftInteger : ftString, 20);
        Source = R.Add<TDataSource>(QStringLiteral("dsCust"));
        Source->SetDataSet(Cust);
        SendMessage(R.Page, WM_LBUTTONDBLCLK); // the band manager, hidden
        Manager = dynamic_cast<TVyrPageManager*>(R.Page->PageManager());
        if (Script) Script(Dialogs);
        R.Page->UpdateVarList();
        C = dynamic_cast<TVyrDSVariableOptions*>(Manager->DataControl());
        EXPECT_NE(C, nullptr);
        C->RefreshLists();
        DeliverPostedMessages();
        R.Designer->Selections.clear();
        R.Designer->Modifieds = 0;
    }

    TVyrDSGuide* Guide(int i = 0) const { return (*R.Page->DataSourceList())[size_t(i)]; }
    template <class T = TVyrVar> T* Find(const QString& Name) const {
        return dynamic_cast<T*>(R.Form->FindComponent(Name));
    }
    // The page's variables of a kind, in the page's order.
    QStringList Vars(TVyrVarId Id) const {
        QStringList Names;
        for (TVyrVar* V : *R.Page->Vars())
            if (V->Id() == Id) Names << V->Name();
        return Names;
    }
    static QStringList Items(const TListBox* List) { return List->Items().ToStringList(); }
    static QStringList Selected(const TListBox* List) {
        QStringList S;
        for (int i = 0; i < List->Items().Count(); ++i)
            if (List->Selected(i)) S << List->Items()[i];
        return S;
    }
    static void Select(TListBox* List, const QStringList& Items) {
        List->ClearSelection();
        for (const QString& I : Items)
            List->SetSelected(List->Items().IndexOf(I), true);
    }
};

QString BoundsText(const TControl* C) {
    return QStringLiteral("%1/%2/%3/%4").arg(C->Left()).arg(C->Top()).arg(C->Width()).arg(C->Height());
}

QStringList LeftPanels(const TVyrDSVariableOptions* C) {
    QStringList Panels;
    for (const TControl* P : {C->DataSourcePanel, C->ExprPanel, C->totalpanel, C->DBVarPanel})
        Panels << QStringLiteral("%1/%2").arg(P->Top()).arg(P->Height());
    return Panels;
}

} // namespace

TEST_F(DataControl, RecordsShowPlaceholdersUsesAndLevelsThatDoNotMatch) {
    TCentre T;
    TVyrPage* P = T.R.Page;
    TVyrLevel* Detail = P->Detail()->UpdateLevel();
    TVyrLevel* Header = P->PageHead()->UpdateLevel();
    auto Var = [&](auto* V, const char* Name, TVyrLevel* Level) {
        V->SetName(QString::fromLatin1(Name));
        V->SetParent(P);
        V->SetUpdateLevel(Level);
        return V;
    };
    TComponent* F = T.R.Form.get();
    auto* Bare = Var(new TVyrDBVar(F), "Bare", nullptr);
    auto* OffLevel = Var(new TVyrDBVar(F), "OffLevel", Header);
    OffLevel->SetDataSource(T.Source);
    OffLevel->SetDataField(QStringLiteral("City"));
    auto* OnLevel = Var(new TVyrDBVar(F), "OnLevel", Detail);
    OnLevel->SetDataSource(T.Source);
    auto* Expr = Var(new TVyrExprVar(F), "Expr", nullptr);
    auto* Priced = Var(new TVyrExprVar(F), "Priced", Detail);
    Priced->SetDataType(dtypeCurrency);
    Priced->SetEventBinding(QStringLiteral("OnGetData"), QStringLiteral("PricedGetData"));
    auto* Empty = Var(new TVyrTotalvar(F), "Empty", nullptr);
    auto* Mismatch = Var(new TVyrTotalvar(F), "Mismatch", Header);
    Mismatch->SetVariable(Priced);
    auto* Loose = Var(new TVyrTotalvar(F), "Loose", Header);
    Loose->SetVariable(Expr); // its variable has no level
    (void)Bare;
    (void)Empty;
    (void)Loose;
    // A variable that only a text label shows is not used; one a variable label shows is.
    auto* Text = T.R.Add<TVyrTextLabel>(QStringLiteral("Text1"), P->Detail());
    Text->SetVariable(Expr);
    auto* Shown = T.R.Add<TVyrvarlabel>(QStringLiteral("Shown1"), P->Detail());
    Shown->SetVariable(OnLevel);
    auto* TotalShown = T.R.Add<TVyrTotalvarLabel>(QStringLiteral("TotalShown1"), P->Detail());
    TotalShown->SetTotalVariable(Mismatch);
    T.C->RefreshLists();

    QStringList DB;
    for (const auto& I : T.C->DBList)
        DB << QStringLiteral("%1|%2|%3|%4|%5|%6")
                  .arg(I->DBName, I->DataSourceName, I->DataField, I->LevelName)
                  .arg(I->Used)
                  .arg(I->LevelMatch);
    EXPECT_EQ(DB, QStringList({"Bare|Fill in DataSource.|Fill in Field.|Fill in UpdateLevel.|0|1",
                               "OffLevel|dsCust|City|PageHeaderBandlevel|0|0",
                               "OnLevel|dsCust|Fill in Field.|DetailBandlevel|1|1"}));
    QStringList Exprs;
    for (const auto& I : T.C->ExprList)
        Exprs << QStringLiteral("%1|%2|%3|%4|%5")
                     .arg(I->ExprName, I->ExprLevelName, I->ExprEventName, I->ExprTypeName)
                     .arg(I->Used);
    EXPECT_EQ(Exprs, QStringList({"Expr|Fill in UpdateLevel.|Fill in OnGetData event.|Unknown|1",
                                  "Priced|DetailBandlevel|PricedGetData|Currency|1"}));
    QStringList Totals;
    for (const auto& I : T.C->TotalList)
        Totals << QStringLiteral("%1|%2|%3|%4|%5")
                      .arg(I->TotalName, I->TotalLevelName, I->TotalVarName)
                      .arg(I->Used)
                      .arg(I->LevelMatch);
    EXPECT_EQ(Totals,
              QStringList({"Empty|Fill in UpdateLevel.|Fill in Variable.|0|1",
                           "Mismatch|PageHeaderBandlevel|Priced|1|0", "Loose|PageHeaderBandlevel|Expr|0|1"}));
    // Expr is used by the total Loose, not by the text label.
    delete Loose;
    T.C->RefreshLists();
    EXPECT_FALSE(T.C->ExprList[0]->Used);
    EXPECT_EQ(T.C->DBVarList->Items().ToStringList(), QStringList({"Bare", "OffLevel", "OnLevel"}));
    EXPECT_EQ(T.C->ExprVarList->Items().ToStringList(), QStringList({"Expr", "Priced"}));
    EXPECT_EQ(T.C->TotalVarList->Items().ToStringList(), QStringList({"Empty", "Mismatch"}));
}

TEST_F(DataControl, ADatabaseVariablesLevelIsMatchedWithTheGuideOfItsOwnSource) {
    TCentre T;
    TVyrPage* P = T.R.Page;
    TVyrLevel* Detail = P->Detail()->UpdateLevel();
    TVyrLevel* Header = P->PageHead()->UpdateLevel();
    // A second module with a source of the same name as the form's and one of its own; their guides
    // update at the page header's level.
    TForm DM(nullptr);
    DM.SetName(QStringLiteral("DM"));
    DM.SetDesignClass(QStringLiteral("TDM"), {QStringLiteral("TForm")});
    auto* Namesake = Make<TDataSource>(&DM, QStringLiteral("dsCust"), nullptr);
    auto* Own = Make<TDataSource>(&DM, QStringLiteral("dsOwn"), nullptr);
    TTestDesigner::OpenModule(&DM);
    P->UpdateVarList();
    ASSERT_EQ(P->FullDSNames()->ToStringList(), QStringList({"dsCust", "DM.dsCust", "DM.dsOwn"}));
    for (TDataSource* S : {Namesake, Own})
        P->GuideOfDataSource(S)->SetUpdateLevel(Header);

    struct TCase {
        const char* Name;
        TDataSource* Source;
        TVyrLevel* Level;
        const char* Shown; // data source, level, whether the levels match
    } const Cases[] = {
        {"Here", T.Source, Detail, "dsCust|DetailBandlevel|1"},
        {"HereElsewhen", T.Source, Header, "dsCust|PageHeaderBandlevel|0"},
        {"HereWithoutLevel", T.Source, nullptr, "dsCust|Fill in UpdateLevel.|1"},
        {"There", Namesake, Header, "dsCust|PageHeaderBandlevel|1"},
        {"ThereElsewhen", Namesake, Detail, "dsCust|DetailBandlevel|0"},
        {"OnlyThere", Own, Detail, "dsOwn|DetailBandlevel|0"},
    };
    for (const TCase& C : Cases) {
        auto* V = T.R.Add<TVyrDBVar>(QLatin1String(C.Name), P);
        V->SetDataSource(C.Source);
        V->SetDataField(QStringLiteral("Name"));
        V->SetUpdateLevel(C.Level);
    }
    T.C->RefreshLists();
    ASSERT_EQ(T.C->DBList.size(), std::size(Cases));
    for (size_t i = 0; i < std::size(Cases); ++i) {
        const TDBItem& I = *T.C->DBList[i];
        EXPECT_EQ(QStringLiteral("%1|%2|%3").arg(I.DataSourceName, I.LevelName).arg(I.LevelMatch),
                  QLatin1String(Cases[i].Shown))
            << Cases[i].Name;
    }

    // The guide's level changed, its automatic variables take the new one at the next update.
    T.Guide()->SetUpdateLevel(Header);
    T.C->UpdateDSG(T.Guide());
    std::vector<TVyrDBVar*> Auto;
    FillDsgVarList(T.Guide(), Auto);
    ASSERT_EQ(Auto.size(), 5u);
    for (const TVyrDBVar* V : Auto)
        EXPECT_EQ(V->UpdateLevel(), Header) << V->Name().toStdString();

    // "Revert to Ancestor" reverts the current guide, then each of its automatic variables.
    T.C->RevertToAncestorClick();
    QStringList Reverted;
    for (const QString& R : T.R.Designer->Reverts)
        if (!Reverted.contains(R.section(u'.', 0, 0))) Reverted << R.section(u'.', 0, 0);
    EXPECT_EQ(Reverted, QStringList({T.Guide()->Name(), "custIdVar", "custNameVar", "custCityVar",
                                     "custCountryVar", "custPhoneVar"}));
    EXPECT_TRUE(T.R.Designer->Reverts.contains(T.Guide()->Name() + QStringLiteral(".UpdateLevel")));
    for (TDataSource* S : {Namesake, Own})
        delete P->GuideOfDataSource(S);
}

TEST_F(DataControl, TheFieldListsFollowTheCurrentGuideInTheDataSetsOrder) {
    TCentre T;
    EXPECT_EQ(TCentre::Items(T.C->clist), QStringList({"Id", "Name", "City", "Country", "Phone"}));
    EXPECT_TRUE(T.C->flist->Items().ToStringList().isEmpty());
    // A variable made for "NAME" stands for the field "Name"; fields without one keep their order.
    T.C->DeleteVar(T.Find(QStringLiteral("custNameVar")));
    T.C->DeleteVar(T.Find(QStringLiteral("custIdVar")));
    auto* Upper = new TVyrDBVar(T.R.Form.get());
    Upper->SetName(QStringLiteral("UpperName"));
    Upper->SetParent(T.R.Page);
    Upper->SetId(vidAutoDataVar);
    Upper->SetDataSource(T.Source);
    Upper->SetDataField(QStringLiteral("NAME"));
    T.C->DeleteVar(T.Find(QStringLiteral("custPhoneVar")));
    T.C->RefreshLists();
    EXPECT_EQ(TCentre::Items(T.C->clist), QStringList({"City", "Country", "NAME"}));
    EXPECT_EQ(TCentre::Items(T.C->flist), QStringList({"Id", "Phone"}));
    EXPECT_EQ(T.C->GetDbVar(T.Guide(), QStringLiteral("name")), Upper);

    // A second source whose statement cannot be read lists no field; a guide whose source the
    // page does not list gets no row.
    auto* Broken = T.R.Add<TSqlDataSet>(QStringLiteral("Broken"));
    Broken->SetSQL(QStringLiteral("SELECT nosuch FROM nowhere"));
    auto* BrokenSource = T.R.Add<TDataSource>(QStringLiteral("dsBroken"));
    BrokenSource->SetDataSet(Broken);
    TDataSource Unlisted(nullptr);
    auto* Stray = T.R.Add<TVyrDataSourceGuide>(QStringLiteral("Stray"), T.R.Page);
    Stray->SetDataSource(&Unlisted);
    T.R.Page->UpdateVarList();
    EXPECT_TRUE(T.C->UpdateVars());
    T.C->RefreshLists();
    QStringList Rows;
    for (const auto& I : T.C->DsgList)
        Rows << I->DataSourceName;
    EXPECT_EQ(Rows, QStringList({"dsCust", "dsBroken"}));
    EXPECT_EQ(T.C->DataSourceList->RowCount(), 2);
    EXPECT_EQ(T.C->DataSourceList->Cells(1, 1), QStringLiteral("dsBroken"));
    T.C->DataSourceList->SetRow(1);
    T.C->DataSourceListClick();
    EXPECT_TRUE(T.C->clist->Items().ToStringList().isEmpty());
    EXPECT_TRUE(T.C->flist->Items().ToStringList().isEmpty());
    EXPECT_EQ(T.R.Designer->SelectedNames(), QStringList({T.Guide(2)->Name()}));
    delete Stray;
}

TEST_F(DataControl, APageWithoutGuidesShowsOneEmptyRow) {
    TScriptedDialogs Dialogs;
    TDesignedReport R;
    SendMessage(R.Page, WM_LBUTTONDBLCLK);
    R.Page->UpdateVarList();
    auto& C = *dynamic_cast<TVyrDSVariableOptions*>(
        dynamic_cast<TVyrPageManager*>(R.Page->PageManager())->DataControl());
    EXPECT_TRUE(C.UpdateVars());
    C.RefreshLists();
    C.DataSourceListClick();
    EXPECT_TRUE(C.DsgList.empty());
    EXPECT_FALSE(C.DsgOk());
    EXPECT_EQ(C.GetFullDSName(), QString());
    EXPECT_EQ(C.DataSourceList->RowCount(), 1);
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(C.DataSourceList->Cells(c, 0), QString());
    EXPECT_EQ(C.clist->Items().Count() + C.flist->Items().Count(), 0);
    EXPECT_EQ(C.DataSourceLabel->Left(), 96);
    EXPECT_EQ(C.LevelLabel->Left(), 96 + 20 + C.DataSourceList->Width());
    // The empty row is filled and nothing else is drawn.
    auto DC = DeviceContext::CreateRecording(ScreenCaps(96, 500, 200));
    C.DataSourceList->PaintTo(*DC);
    EXPECT_TRUE(DC->Log()->Only({QStringLiteral("Rectangle"), QStringLiteral("ExtTextOut")}).isEmpty());
}

TEST_F(DataControl, PanelsShareTheClientAreaAndAZoomedListTakesMostOfIt) {
    TCentre T;
    TVyrDSVariableOptions* C = T.C;
    EXPECT_EQ(C->ClientWidth(), 700);
    EXPECT_EQ(C->ClientHeight(), 500);
    EXPECT_EQ(C->DataSourcePanel->Width(), 490);
    EXPECT_EQ(LeftPanels(C), QStringList({"0/200", "200/99", "299/99", "398/99"}));
    QStringList Right;
    for (const TControl* P :
         {static_cast<TControl*>(C->FieldsPanel), static_cast<TControl*>(C->VarPanel),
          static_cast<TControl*>(C->ButtonPanel), static_cast<TControl*>(C->DataSourceList)})
        Right << BoundsText(P);
    EXPECT_EQ(Right, QStringList({"490/0/209/194", "490/194/209/194", "490/390/209/110", "0/21/490/111"}));
    EXPECT_EQ(C->DataSourceList->ColWidths(0), 30);
    EXPECT_EQ(C->DataSourceList->ColWidths(1), 300);
    EXPECT_EQ(C->DataSourceList->ColWidths(2), 150);
    EXPECT_EQ(C->DataSourceLabel->Left(), 35);
    EXPECT_EQ(C->LevelLabel->Left(), 335);
    EXPECT_EQ(C->ExprZoom->Left(), 470);
    EXPECT_EQ(C->FieldZoom->Left(), C->flist->Width() - 20);

    C->ExprZoom->Click();
    EXPECT_TRUE(C->ExprZoomed);
    EXPECT_EQ(LeftPanels(C), QStringList({"0/50", "50/349", "399/49", "448/49"}));
    C->TotalZoom->Click(); // one zoomed list at a time
    EXPECT_FALSE(C->ExprZoomed);
    EXPECT_EQ(LeftPanels(C), QStringList({"0/50", "50/49", "99/349", "448/49"}));
    C->TotalZoom->Click();
    EXPECT_EQ(LeftPanels(C), QStringList({"0/200", "200/99", "299/99", "398/99"}));
    C->VarZoom->Click();
    EXPECT_EQ(BoundsText(C->FieldsPanel) + u' ' + BoundsText(C->VarPanel),
              QStringLiteral("490/0/209/38 490/38/209/350"));
    // The zoomed button shows the minus glyph, the others the plus glyph.
    EXPECT_EQ(C->VarZoom->Glyph()->Data(), C->ZOOMOUT->Glyph()->Data());
    EXPECT_EQ(C->FieldZoom->Glyph()->Data(), C->ZOOMIN->Glyph()->Data());
    EXPECT_NE(C->ZOOMIN->Glyph()->Data(), C->ZOOMOUT->Glyph()->Data());

    Screen()->SetWidth(799);
    TVyrDSVariableOptions Small(Application());
    EXPECT_EQ(QStringLiteral("%1 x %2").arg(Small.ClientWidth()).arg(Small.ClientHeight()),
              QStringLiteral("600 x 450"));
    EXPECT_EQ(Small.DataSourcePanel->Width(), 420);
}

TEST_F(DataControl, TheGridDrawsCheckBoxesWhereAClickTurnsThemOver) {
    TCentre T;
    TVyrDSVariableOptions* C = T.C;
    TStringGrid* Grid = C->DataSourceList;
    auto Paint = [&] {
        auto DC = DeviceContext::CreateRecording(ScreenCaps(96, 500, 200));
        Grid->PaintTo(*DC);
        return DC->Log()->Only(
            {QStringLiteral("Rectangle"), QStringLiteral("MoveToEx"), QStringLiteral("LineTo")});
    };
    const TRect Cell = Grid->CellRect(0, 0);
    EXPECT_EQ(Paint(), QStringList({QStringLiteral("Rectangle %1 %2 %3 %4")
                                        .arg(Cell.Left + 5)
                                        .arg(Cell.Top + 3)
                                        .arg(Cell.Left + 17)
                                        .arg(Cell.Top + 15),
                                    "MoveToEx 7 5", "LineTo 15 13", "MoveToEx 15 5", "LineTo 7 13"}));
    EXPECT_EQ(C->DsgList[0]->CheckRect, Rect(5, 3, 17, 15));

    // the box's edge, any button: the guide stops making variables, and its variables say so
    Grid->MouseUp(mbRight, 0, 17, 15);
    EXPECT_FALSE(T.Guide()->CreateVariables());
    EXPECT_FALSE(T.Find(QStringLiteral("custIdVar"))->AutoVar());
    DeliverPostedMessages();
    EXPECT_EQ(Paint(), QStringList({"Rectangle 5 3 17 15"}));
    Grid->MouseUp(mbLeft, 0, 4, 8); // beside the box
    EXPECT_FALSE(T.Guide()->CreateVariables());
    Grid->MouseUp(mbLeft, 0, 5, 3);
    EXPECT_TRUE(T.Guide()->CreateVariables());
    EXPECT_TRUE(T.Find(QStringLiteral("custIdVar"))->AutoVar());
    EXPECT_GT(T.R.Designer->Modifieds, 0);
}

TEST_F(DataControl, ARowScrolledAwayTakesNoClickMeantForTheRowNowThere) {
    TCentre T;
    // Twelve sources, so the grid scrolls.
    for (int i = 1; i < 12; ++i) {
        auto* S = T.R.Add<TDataSource>(QStringLiteral("dsMore%1").arg(i));
        S->SetDataSet(T.Cust);
    }
    T.R.Page->UpdateVarList();
    for (TVyrDSGuide* G : *T.R.Page->DataSourceList())
        G->SetCreateVariables(false);
    T.C->RefreshLists();
    TStringGrid* Grid = T.C->DataSourceList;
    ASSERT_EQ(Grid->RowCount(), 12);
    ASSERT_GT(Grid->RowCount(), Grid->VisibleRowCount());
    auto Paint = [&] {
        auto DC = DeviceContext::CreateRecording(ScreenCaps(96, 500, 200));
        Grid->PaintTo(*DC);
    };
    auto On = [&] {
        QStringList Names;
        for (const auto& I : T.C->DsgList)
            if (T.C->GetDataSourceGuide(I->DataSourceName)->CreateVariables()) Names << I->DataSourceName;
        return Names;
    };
    Paint();
    Grid->SetTopRow(2);
    Grid->MouseUp(mbLeft, 0, 10, 8); // where row 0's box was
    EXPECT_TRUE(On().isEmpty());
    Paint();
    Grid->MouseUp(mbLeft, 0, 10, 8);
    EXPECT_EQ(On(), QStringList({"dsMore2"}));
    // Only the first row whose box holds the point turns over.
    T.C->DsgList[3]->CheckRect = T.C->DsgList[2]->CheckRect;
    Grid->MouseUp(mbLeft, 0, 10, 8);
    EXPECT_TRUE(On().isEmpty());

    // The grid made lower: a release below it, where a row's box was, turns nothing over.
    Paint();
    const int Last = Grid->TopRow() + Grid->VisibleRowCount() - 1;
    const TRect Box = T.C->DsgList[size_t(Last)]->CheckRect;
    Grid->SetHeight(Grid->Height() - (Grid->ClientHeight() - Box.Top));
    ASSERT_EQ(Grid->TopRow(), 2);
    ASSERT_LE(Grid->ClientHeight(), Box.Top + 2);
    Grid->MouseUp(mbLeft, 0, Box.Left + 2, Box.Top + 2);
    EXPECT_TRUE(On().isEmpty());
}

TEST_F(DataControl, ListsPaintTheirColumnsAndMarks) {
    TCentre T;
    TVyrDSVariableOptions* C = T.C;
    TVyrPage* P = T.R.Page;
    auto* Expr = new TVyrExprVar(T.R.Form.get());
    Expr->SetName(QStringLiteral("Expr"));
    Expr->SetParent(P);
    Expr->SetUpdateLevel(P->Detail()->UpdateLevel());
    T.R.Add<TVyrvarlabel>(QStringLiteral("Shown1"), P->Detail())->SetVariable(Expr);
    auto* Total = new TVyrTotalvar(T.R.Form.get());
    Total->SetName(QStringLiteral("Sum"));
    Total->SetParent(P);
    Total->SetUpdateLevel(P->PageHead()->UpdateLevel());
    Total->SetVariable(Expr);
    T.R.Add<TVyrvarlabel>(QStringLiteral("Shown2"), P->Detail())
        ->SetVariable(T.Find(QStringLiteral("custNameVar")));
    C->RefreshLists();

    auto Drawn = [](TListBox* List, int Width) {
        List->SetAlign(alNone);
        List->SetBorderStyle(bsNone);
        List->SetBounds(0, 0, Width, 60);
        auto DC = DeviceContext::CreateRecording(ScreenCaps(96, 500, 200));
        List->PaintTo(*DC);
        QStringList Calls;
        for (const QString& L : DC->Log()->Only(
                 {QStringLiteral("ExtTextOut"), QStringLiteral("TextOut"), QStringLiteral("SetTextColor")}))
            Calls << L.section(u' ', 0, 2) + (L.contains(u'"') ? u' ' + L.section(u'"', 1, 1) : QString());
        return Calls;
    };
    EXPECT_EQ(
        Drawn(C->ExprVarList, 400),
        QStringList({"SetTextColor 0x008000", "ExtTextOut 6 1 > Expr", "ExtTextOut 107 1 DetailBandlevel",
                     "ExtTextOut 205 1 Fill in OnGetData event.", "ExtTextOut 354 1 Unknown"}));
    EXPECT_EQ(C->ExprLevelLabel->Left(), 105);
    EXPECT_EQ(C->ExprTypeLabel->Left(), 352);
    const QStringList Totals = Drawn(C->TotalVarList, 400);
    EXPECT_EQ(Totals, QStringList({"SetTextColor 0x000000", "ExtTextOut 6 1 Sum", "SetTextColor 0x0000FF",
                                   "ExtTextOut 187 1 * PageHeaderBandlevel", "SetTextColor 0x000000",
                                   "ExtTextOut 296 1 Expr"}));
    // Two columns of four rows; the used field in green, the others in the list's colour.
    EXPECT_EQ(Drawn(C->clist, 200),
              QStringList({"SetTextColor 0x000000", "ExtTextOut 4 0 Id", "SetTextColor 0x008000",
                           "ExtTextOut 4 14 > Name", "SetTextColor 0x000000", "ExtTextOut 4 28 City",
                           "SetTextColor 0x000000", "ExtTextOut 4 42 Country", "SetTextColor 0x000000",
                           "ExtTextOut 104 0 Phone"}));
}

TEST_F(DataControl, UpdateVarsMakesUpTo99VariablesAndStopsAbove) {
    QStringList Fields;
    for (int i = 1; i <= 99; ++i)
        Fields << QStringLiteral("F%1").arg(i);
    Fields[1] = QStringLiteral("Name");
    {
        TCentre T(Fields);
        const QStringList Made = T.Vars(vidAutoDataVar);
        ASSERT_EQ(Made.size(), 99);
        EXPECT_EQ(Made[0], QStringLiteral("custF1Var"));
        EXPECT_EQ(Made[1], QStringLiteral("custNameVar"));
        EXPECT_EQ(Made[98], QStringLiteral("custF99Var"));
        auto* V = T.Find<TVyrDBVar>(QStringLiteral("custNameVar"));
        EXPECT_EQ(V->DataField(), QStringLiteral("Name"));
        EXPECT_EQ(V->DataSource(), T.Source);
        EXPECT_EQ(V->UpdateLevel(), T.Guide()->UpdateLevel());
        EXPECT_TRUE(V->AutoVar());
        EXPECT_EQ(T.Dialogs.Shown().size(), 0u);
    }
    Fields << QStringLiteral("F100");
    // The band manager's first update meets the limit: the message, the centre shown modally once,
    // the guide switched off and nothing made.
    TCentre T(Fields, [](TScriptedDialogs& D) {
        D.Answer(mrOk);
        D.AnswerForm(mrCancel);
    });
    const QString Limit =
        QStringLiteral("There is 100 fields.  You must manually create the db Variables when > 99.");
    ASSERT_EQ(T.Dialogs.Shown().size(), 2u);
    EXPECT_EQ(T.Dialogs.Shown()[0].Text, Limit);
    EXPECT_EQ(T.Dialogs.Shown()[1].Kind, TScriptedDialogs::TShown::skForm);
    EXPECT_FALSE(T.Guide()->CreateVariables());
    EXPECT_TRUE(T.Vars(vidAutoDataVar).isEmpty());
    EXPECT_FALSE(T.C->Visible());
    // Switched off, the guide no longer counts.
    EXPECT_TRUE(T.C->UpdateVars());

    // A second guide whose one field has its variable: its two stale inherited variables do not
    // make up for the hundred that the first lacks, and it stays on.
    TMemDataSet Old(nullptr);
    Old.SetName(QStringLiteral("Old"));
    Old.FieldDefs().Add(QStringLiteral("Kept"), ftString, 5);
    auto* OldSource = T.R.Add<TDataSource>(QStringLiteral("dsOld"));
    OldSource->SetDataSet(&Old);
    for (const char* Field : {"Kept", "Gone1", "Gone2"}) {
        auto* V = T.R.Add<TVyrDBVar>(QStringLiteral("Old%1Var").arg(QString::fromLatin1(Field)), T.R.Page);
        V->SetId(vidAutoDataVar);
        V->SetDataSource(OldSource);
        V->SetDataField(QString::fromLatin1(Field));
        if (*Field == 'G') V->IncludeState(csAncestor);
    }
    T.R.Page->UpdateVarList();
    T.Guide()->SetCreateVariables(true);
    T.Dialogs.Answer(mrOk);
    T.Dialogs.AnswerForm(mrCancel);
    EXPECT_FALSE(T.C->UpdateVars());
    ASSERT_EQ(T.Dialogs.Shown().size(), 4u);
    EXPECT_EQ(T.Dialogs.Shown()[2].Text, Limit);
    EXPECT_FALSE(T.Guide()->CreateVariables());
    EXPECT_TRUE(T.Guide(1)->CreateVariables());
    EXPECT_EQ(T.Vars(vidAutoDataVar).size(), 3);
    // An open centre is brought forward instead of shown modally again.
    T.Guide()->SetCreateVariables(true);
    T.C->Show();
    T.Dialogs.Answer(mrOk);
    EXPECT_FALSE(T.C->UpdateVars());
    EXPECT_EQ(T.Dialogs.Shown().size(), 5u);
    T.C->Hide();
}

TEST_F(DataControl, TheLimitCountsEveryGuideThatMakesVariablesAndHoldsForItsBoxToo) {
    const QString Limit =
        QStringLiteral("There is %1 fields.  You must manually create the db Variables when > 99.");
    struct TCase {
        const char* What;
        int CustFields, OtherFields; // fields without a variable
        bool CustOn, OtherOn;        // the guides that make variables before
        bool Tick;                   // dsOther's box is ticked, else the variables are updated
        int Asked;                   // the count the limit's message gives; 0 for no message
        int Made;
        const char* On; // the guides that make variables after: C for dsCust, O for dsOther
    } const Cases[] = {
        {"100 over two guides", 60, 40, true, true, false, 100, 0, ""},
        {"99 over two guides", 60, 39, true, true, false, 0, 99, "CO"},
        {"a guide that makes none does not count", 60, 40, true, false, false, 0, 60, "C"},
        {"the box of a guide of 500 fields", 0, 500, true, false, true, 500, 0, "C"},
        {"the box counts the other guides too", 60, 40, true, false, true, 100, 0, ""},
        {"the box within the limit", 0, 40, true, false, true, 0, 40, "CO"},
    };
    for (const TCase& C : Cases) {
        TCentre T(QStringList{});
        T.Dialogs.SetUnscriptedAnswer(mrOk);
        TMemDataSet Other(nullptr);
        Other.SetName(QStringLiteral("Other"));
        T.R.Add<TDataSource>(QStringLiteral("dsOther"))->SetDataSet(&Other);
        T.R.Page->UpdateVarList();
        DeliverPostedMessages(); // the updates that the new guide asked for, before its fields come
        ASSERT_EQ(T.R.Page->DataSourceList()->size(), 2u) << C.What;
        for (int i = 0; i < C.CustFields; ++i)
            T.Cust->FieldDefs().Add(QStringLiteral("C%1").arg(i), ftString, 5);
        for (int i = 0; i < C.OtherFields; ++i)
            Other.FieldDefs().Add(QStringLiteral("O%1").arg(i), ftString, 5);
        T.Guide(0)->SetCreateVariables(C.CustOn);
        T.Guide(1)->SetCreateVariables(C.OtherOn);
        T.C->RefreshLists();
        T.C->Show(); // an open centre comes forward at the limit
        if (C.Tick) {
            auto DC = DeviceContext::CreateRecording(ScreenCaps(96, 500, 200));
            T.C->DataSourceList->PaintTo(*DC);
            const TRect Box = T.C->DsgList[1]->CheckRect;
            T.C->DataSourceList->MouseUp(mbLeft, 0, Box.Left + 5, Box.Top + 5);
        } else {
            EXPECT_EQ(T.C->UpdateVars(), C.Asked == 0) << C.What;
        }
        QStringList Messages;
        for (const auto& Shown : T.Dialogs.Shown())
            Messages << Shown.Text;
        EXPECT_EQ(Messages, C.Asked ? QStringList{Limit.arg(C.Asked)} : QStringList()) << C.What;
        EXPECT_EQ(T.Vars(vidAutoDataVar).size(), C.Made) << C.What;
        const QString On = QLatin1String(T.Guide(0)->CreateVariables() ? "C" : "") +
                           QLatin1String(T.Guide(1)->CreateVariables() ? "O" : "");
        EXPECT_EQ(On, QLatin1String(C.On)) << C.What;
        T.C->Hide();
    }
}

TEST_F(DataControl, UpdateDSGFollowsTheDataSet) {
    TCentre T;
    auto* Stale = T.Find(QStringLiteral("custPhoneVar"));
    auto* Inherited = T.Find(QStringLiteral("custCountryVar"));
    Inherited->IncludeState(csAncestor);
    // Phone and Country leave, Mail comes: Phone's variable goes, the inherited one stays.
    T.Cust->FieldDefs().Clear();
    for (const char* F : {"Id", "Name", "City", "Mail"})
        T.Cust->FieldDefs().Add(QString::fromLatin1(F), ftString, 20);
    TComponentRef<TVyrVar> Watch(Stale);
    T.C->UpdateDSG(T.Guide());
    EXPECT_FALSE(Watch);
    const QStringList After = T.Vars(vidAutoDataVar);
    EXPECT_EQ(After,
              QStringList({"custIdVar", "custNameVar", "custCityVar", "custCountryVar", "custMailVar"}));
    const int Modifieds = T.R.Designer->Modifieds;
    T.C->UpdateDSG(T.Guide());
    EXPECT_EQ(T.Vars(vidAutoDataVar), After);
    EXPECT_EQ(T.R.Designer->Modifieds, Modifieds + 1);
    // A data set that lists no field deletes nothing.
    T.Cust->FieldDefs().Clear();
    T.C->UpdateDSG(T.Guide());
    EXPECT_EQ(T.Vars(vidAutoDataVar), After);

    // Two data sets named alike but for case: the second variable takes a number.
    TMemDataSet Other(nullptr);
    Other.SetName(QStringLiteral("cust"));
    Other.FieldDefs().Add(QStringLiteral("Name"), ftString, 20);
    auto* OtherSource = T.R.Add<TDataSource>(QStringLiteral("dsOther"));
    OtherSource->SetDataSet(&Other);
    T.R.Page->UpdateVarList();
    EXPECT_TRUE(T.C->UpdateVars());
    EXPECT_EQ(T.C->GetDbVar(T.Guide(1), QStringLiteral("Name"))->Name(), QStringLiteral("custNameVar1"));
    delete OtherSource;
}

TEST_F(DataControl, CommandsMakeAndDeleteVariables) {
    TCentre T;
    TVyrDSVariableOptions* C = T.C;
    struct TStep {
        const char* What;
        std::function<void()> Do;
        const char* Made; // the new variable, or ""
        TListBox* Selects;
    };
    auto Gone = [&](const char* Name) { return T.Find(QString::fromLatin1(Name)) == nullptr; };
    const TStep Steps[] = {
        {"undefine",
         [&] {
             TCentre::Select(C->clist, {"City", "Phone"});
             C->CListDelete();
         },
         "", nullptr},
        {"define",
         [&] {
             TCentre::Select(C->flist, {"Phone"});
             C->FListDefine();
         },
         "custPhoneVar", nullptr},
        {"db from a field",
         [&] {
             TCentre::Select(C->flist, {"City"});
             C->DropOn(C->DBVarList, C->flist);
         },
         "DBCity", C->DBVarList},
        {"empty db", [&] { C->Add1Click(); }, "DB", nullptr},
        {"expression", [&] { C->ExprAddClick(2); }, "ExprVar", C->ExprVarList},
        {"total of a field",
         [&] {
             TCentre::Select(C->clist, {"Name"});
             C->DropOn(C->TotalVarList, C->clist);
         },
         "TotalOfName", C->TotalVarList},
        {"total of an expression",
         [&] {
             TCentre::Select(C->ExprVarList, {"ExprVar"});
             C->DropOn(C->TotalVarList, C->ExprVarList);
         },
         "TotalOfExprVar", C->TotalVarList},
    };
    for (const TStep& S : Steps) {
        const int Modifieds = T.R.Designer->Modifieds;
        S.Do();
        EXPECT_GT(T.R.Designer->Modifieds, Modifieds) << S.What;
        if (*S.Made) {
            ASSERT_NE(T.Find(QString::fromLatin1(S.Made)), nullptr) << S.What;
            if (S.Selects) {
                EXPECT_EQ(TCentre::Selected(S.Selects), QStringList({QString::fromLatin1(S.Made)})) << S.What;
                EXPECT_EQ(T.R.Designer->SelectedNames(), QStringList({QString::fromLatin1(S.Made)}))
                    << S.What;
            }
        }
    }
    EXPECT_TRUE(Gone("custCityVar"));
    auto* DBCity = T.Find<TVyrDBVar>(QStringLiteral("DBCity"));
    EXPECT_EQ(DBCity->DataSource(), T.Source);
    EXPECT_EQ(DBCity->DataField(), QStringLiteral("City"));
    EXPECT_EQ(DBCity->UpdateLevel(), T.Guide()->UpdateLevel());
    EXPECT_FALSE(DBCity->AutoVar());
    EXPECT_EQ(DBCity->Id(), vidDBVar);
    EXPECT_EQ(T.Find(QStringLiteral("DB"))->UpdateLevel(), T.R.Page->Detail()->UpdateLevel());
    auto* Expr = T.Find(QStringLiteral("ExprVar"));
    EXPECT_EQ(Expr->DataType(), dtypeFloat);
    EXPECT_EQ(Expr->Id(), vidExprVar);
    auto* Total = T.Find<TVyrTotalvar>(QStringLiteral("TotalOfName"));
    EXPECT_EQ(Total->Variable(), T.Find(QStringLiteral("custNameVar")));
    EXPECT_EQ(Total->UpdateLevel(), T.Guide()->UpdateLevel());
    EXPECT_EQ(T.Find<TVyrTotalvar>(QStringLiteral("TotalOfExprVar"))->Variable(), Expr);
    EXPECT_EQ(TCentre::Items(C->DBVarList), QStringList({"DBCity", "DB"}));

    // Deleting three variables of which one is inherited deletes two and says so once.
    T.Find(QStringLiteral("DB"))->IncludeState(csAncestor);
    TCentre::Select(C->DBVarList, {"DBCity", "DB"});
    TCentre::Select(C->TotalVarList, {});
    T.Dialogs.Answer(mrOk);
    C->DeleteETList(C->DBVarList);
    EXPECT_TRUE(Gone("DBCity"));
    EXPECT_FALSE(Gone("DB"));
    ASSERT_EQ(T.Dialogs.MessageCount(), 1);
    EXPECT_EQ(T.Dialogs.Last().Text,
              QStringLiteral(
                  "Selection contains a component introduced in an ancestor form which cannot be deleted"));
    // Without a guide nothing is made from fields.
    T.R.Page->FullDSList()->Clear();
    T.R.Page->FullDSNames()->Clear();
    C->RefreshLists();
    TCentre::Select(C->ExprVarList, {"ExprVar"});
    C->AddManualDBVar(C->ExprVarList);
    EXPECT_EQ(TCentre::Items(C->DBVarList), QStringList({"DB"}));
}

TEST_F(DataControl, AGuideIsDeletedOptimizedAndAddedBack) {
    TCentre T;
    TVyrDSVariableOptions* C = T.C;
    TVyrPage* P = T.R.Page;
    T.R.Add<TVyrvarlabel>(QStringLiteral("Shown1"), P->Detail())
        ->SetVariable(T.Find(QStringLiteral("custNameVar")));
    // A used variable makes Delete ask; No keeps everything.
    T.Dialogs.Answer(mrNo);
    C->DeleteDsgItemClick();
    EXPECT_EQ(T.Dialogs.Last().Text,
              QStringLiteral("There are variables that are being used from this DataSource."));
    EXPECT_EQ(T.Dialogs.Last().Caption, QStringLiteral("Confirm Delete?"));
    EXPECT_EQ(P->DataSourceList()->size(), 1u);
    // Yes: the guide and its variables go, and its source is listed as one without a guide.
    T.Dialogs.Answer(mrYes);
    C->DeleteDsgItemClick();
    EXPECT_EQ(P->DataSourceList(), nullptr);
    EXPECT_TRUE(T.Vars(vidAutoDataVar).isEmpty());
    EXPECT_EQ(P->NoDsgList()->ToStringList(), QStringList({"dsCust"}));
    EXPECT_EQ(T.R.Designer->SelectedNames(), QStringList({"ReportPage"}));
    C->PopupDSList();
    ASSERT_TRUE(C->AddDsgItem->Visible());
    ASSERT_EQ(C->AddDsgItem->Count(), 1);
    EXPECT_EQ(C->AddDsgItem->Items(0)->Caption(), QStringLiteral("dsCust"));
    C->AddDsgItem->Items(0)->Click();
    EXPECT_TRUE(P->NoDsgList()->ToStringList().isEmpty());
    ASSERT_EQ(P->DataSourceList()->size(), 1u);
    EXPECT_EQ(T.Vars(vidAutoDataVar).size(), 5);
    C->PopupDSList();
    EXPECT_FALSE(C->AddDsgItem->Visible());

    // Optimize keeps the used variable and its guide; a guide with nothing used goes.
    T.Find<TVyrvarlabel>(QStringLiteral("Shown1"))->SetVariable(T.Find(QStringLiteral("custNameVar")));
    TMemDataSet Other(nullptr);
    Other.SetName(QStringLiteral("Other"));
    Other.FieldDefs().Add(QStringLiteral("Code"), ftString, 5);
    T.R.Add<TDataSource>(QStringLiteral("dsOther"))->SetDataSet(&Other);
    P->UpdateVarList();
    EXPECT_TRUE(C->UpdateVars());
    EXPECT_EQ(P->DataSourceList()->size(), 2u);
    T.Dialogs.Answer(mrNo);
    C->Optimize();
    EXPECT_EQ(T.Vars(vidAutoDataVar).size(), 6);
    T.Dialogs.Answer(mrYes);
    C->Optimize();
    EXPECT_EQ(T.Dialogs.Last().Caption, QStringLiteral("Confirm Optimize?"));
    EXPECT_EQ(T.Vars(vidAutoDataVar), QStringList({"custNameVar"}));
    ASSERT_EQ(P->DataSourceList()->size(), 1u);
    EXPECT_FALSE(T.Guide()->CreateVariables());
    EXPECT_EQ(P->NoDsgList()->ToStringList(), QStringList({"dsOther"}));
    // A guide whose source the page does not list leaves no name behind.
    TDataSource Unlisted(nullptr);
    auto* Stray = T.R.Add<TVyrDataSourceGuide>(QStringLiteral("Stray"), P);
    Stray->SetDataSource(&Unlisted);
    T.Dialogs.Answer(mrYes);
    C->Optimize();
    EXPECT_EQ(P->NoDsgList()->ToStringList(), QStringList({"dsOther"}));
}

TEST_F(DataControl, MenusAndDropsFollowTheListsAndTheGuide) {
    TCentre T;
    TVyrDSVariableOptions* C = T.C;
    auto States = [&] {
        C->PopupClist();
        C->PopupFlist();
        C->PopupVarList(C->ExprListPopup);
        C->PopupVarList(C->DBListPopup);
        QString S;
        for (TMenuItem* I :
             {C->UnDefine1, C->clistSelectUnused, C->clistSelectAll, C->Define1, C->flistSelectAll,
              C->ExprDelete, C->ExprSelectUnused, C->AddExpressionType, C->DBDelete, C->Add1})
            S += I->Enabled() ? u'+' : u'-';
        return S;
    };
    auto Drops = [&] {
        QString S;
        for (TListBox* Target : {C->clist, C->flist, C->TotalVarList, C->DBVarList})
            for (TListBox* Source : {C->clist, C->flist, C->ExprVarList, C->TotalVarList, C->DBVarList})
                S += C->AcceptsDrop(Target, Source) ? u'+' : u'-';
        return S;
    };
    EXPECT_EQ(States(), QStringLiteral("-++----+-+"));
    // rows: onto clist, flist, TotalVarList, DBVarList; columns: from clist, flist, ExprVarList,
    // TotalVarList, DBVarList
    EXPECT_EQ(Drops(), QStringLiteral("-+---"
                                      "-----"
                                      "+-+-+"
                                      "++---"));
    TCentre::Select(C->clist, {"Id"});
    EXPECT_EQ(States(), QStringLiteral("-++----+-+")); // the guide still makes its variables
    T.Guide()->SetCreateVariables(false);
    C->RefreshLists();
    TCentre::Select(C->clist, {"Id"});
    C->ExprAddClick(1);
    C->SelectUnused(C->clist);
    EXPECT_EQ(TCentre::Selected(C->clist), QStringList({"Id", "Name", "City", "Country", "Phone"}));
    EXPECT_EQ(States(), QStringLiteral("+++--+++-+"));
    EXPECT_EQ(Drops(), QStringLiteral("-+---"
                                      "+----"
                                      "+-+-+"
                                      "++---"));
    T.Guide()->IncludeState(csAncestor);
    EXPECT_EQ(States().left(5), QStringLiteral("-++--"));
    EXPECT_EQ(C->ExprListPopup->Items()->Find(QStringLiteral("Add Expression Type"))->Count(), 9);
}

TEST_F(DataControl, AStepThatRaisesLeavesTheCentreWorking) {
    TCentre T;
    bool Raise = true;
    T.R.Designer->OnModified = [&] {
        if (Raise) throw Exception(QStringLiteral("refused"));
    };
    T.C->DeleteVar(T.Find(QStringLiteral("custIdVar")));
    EXPECT_THROW(T.C->UpdateVars(), Exception);
    EXPECT_EQ(T.C->FDSOptionsState, 0);
    Raise = false;
    EXPECT_TRUE(T.C->UpdateVars());
    EXPECT_NE(T.Find(QStringLiteral("custIdVar")), nullptr);
    // A nested call while one runs does nothing and says all is well.
    T.R.Designer->OnModified = [&] {
        T.C->DeleteVar(T.Find(QStringLiteral("custCityVar")));
        EXPECT_TRUE(T.C->UpdateVars());
    };
    T.C->UpdateDSG(T.Guide());
    EXPECT_EQ(T.Find(QStringLiteral("custCityVar")), nullptr);
}

TEST_F(DataControl, TheSampleOrdersGetTheirVariablesWithoutBeingOpened) {
    {
        QSqlDatabase Db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
        Db.setDatabaseName(QStringLiteral(":memory:"));
        ASSERT_TRUE(Db.open());
        LoadSampleDatabase(Db, QStringLiteral("sqlite"));
    }
    {
        TScriptedDialogs Dialogs;
        TDesignedReport R;
        TSqlDataSet* Orders = MakeOrdersDataSet(R.Form.get());
        R.Add<TDataSource>(QStringLiteral("dsOrders"))->SetDataSet(Orders);
        SendMessage(R.Page, WM_LBUTTONDBLCLK);
        R.Page->UpdateVarList();
        auto& C = *dynamic_cast<TVyrDSVariableOptions*>(
            dynamic_cast<TVyrPageManager*>(R.Page->PageManager())->DataControl());
        QStringList Made;
        for (TVyrVar* V : *R.Page->Vars())
            if (V->Id() == vidAutoDataVar) Made << V->Name();
        EXPECT_EQ(Made, QStringList({"ordersidVar", "ordersorder_dateVar", "ordersshippedVar",
                                     "ordersstatusVar", "ordersdiscountVar", "ordersamountVar",
                                     "orderscustomer_idVar", "orderscustomerVar"}));
        EXPECT_FALSE(Orders->Active());
        const int Before = int(R.Page->Vars()->size());
        EXPECT_TRUE(C.UpdateVars());
        EXPECT_EQ(int(R.Page->Vars()->size()), Before);
    }
    QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false).close();
    QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
}

TEST_F(DataControl, TheWindowShowsTheColumnCaptionsWhereTheListsPaintTheirColumns) {
    TCentre T;
    auto* Expr = new TVyrExprVar(T.R.Form.get());
    Expr->SetName(QStringLiteral("Expr"));
    Expr->SetParent(T.R.Page);
    T.C->RefreshLists();
    QWidget* W = T.C->Widget();
    T.C->Show();
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
    // The lists moved the captions as they painted their rows; what the screen shows is what the
    // window paints now.
    EXPECT_EQ(T.C->ExprLevelLabel->Left(), 4 + int(Round(T.C->ExprVarList->ClientWidth() * 0.25)) + 1);
    const QImage Shown = W->screen()->grabWindow(W->winId()).toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(Shown, W->grab().toImage().convertToFormat(QImage::Format_RGB32));
    T.C->Close();
}
