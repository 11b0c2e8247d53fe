#include "design/Pageman.h"
#include "design/Vyrreg.h"
#include "host/db.h"
#include "host/memdataset.h"
#include "host/properties.h"
#include "host/storedforms.h"
#include "output/PimUtil.h"
#include "report/VyrText.h"
#include "support/designfixture.h"

#include <QStringList>
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

} // namespace
