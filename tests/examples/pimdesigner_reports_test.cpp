#include "design/Pageman.h"
#include "design/VyrVOpt.h"
#include "formeditor.h"
#include "host/buttons.h"
#include "host/listbox.h"
#include "host/messages.h"
#include "output/PimFile.h"
#include "report/PimPage.h"
#include "report/VyrRep.h"
#include "support/devices.h"
#include "support/keptruns.h"
#include "support/paintlog.h"
#include "support/sampledata.h"
#include "support/scripteddialogs.h"
#include "viewer/PimPrev.h"
#include "viewer/PimView.h"

#include <QApplication>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

// The viewers the application holds.
std::vector<TPimViewer*> Viewers() {
    std::vector<TPimViewer*> Found;
    for (int i = 0; i < Application()->ComponentCount(); ++i)
        if (auto* V = dynamic_cast<TPimViewer*>(Application()->Components(i))) Found.push_back(V);
    return Found;
}

// The orders form in the designer program's editor.
struct TOrdersDesign {
    TFormEditor Editor;
    TVyrReport* Report = nullptr;
    TOrdersDesign() {
        Editor.Open(SourceFile("examples/orders.rep"));
        Editor.Root()->SetBounds(0, 0, 1100, 800);
        Report = dynamic_cast<TVyrReport*>(Editor.Root()->FindComponent(QStringLiteral("OrdersReport")));
        Report->SetBounds(0, 0, 1080, 780);
    }
    // Clicks the report's tool button of that caption.
    void Click(const char* Caption) {
        for (int i = 0; i < Report->ControlCount(); ++i)
            if (Report->Controls(i)->Caption() == QLatin1String(Caption)) {
                const QRect R = Editor.FormRect(Report->Controls(i));
                Editor.MouseDown(R.center(), 0);
                Editor.MouseUp(R.center(), 0);
                return;
            }
        ADD_FAILURE() << "no button " << Caption;
    }
};

} // namespace

TEST(PimDesignerReports, TheOrdersToolButtonsShowTheOverviewAndTheDiagnosticInTheViewer) {
    TOrdersDesign D;
    ASSERT_TRUE(Viewers().empty());
    // The buttons ask the page's band manager, made for them, to run the reports.
    D.Click("Overview");
    D.Click("Diagnostic");
    DeliverPostedMessages();
    EXPECT_NE(D.Report->Page()->PageManager(), nullptr);
    const std::vector<TPimViewer*> Shown = Viewers();
    ASSERT_EQ(Shown.size(), 2u);
    // Each shows its whole document, generation over: the overview of the orders on three pages, then
    // the diagnostic, which finds nothing wrong with them.
    QList<QStringList> Texts;
    for (TPimViewer* Viewer : Shown) {
        EXPECT_TRUE(Viewer->Widget()->isVisible());
        EXPECT_FALSE(Viewer->Generating());
        std::shared_ptr<TPimPimFile> Doc = Viewer->CurrentPreview()->PimFile();
        ASSERT_TRUE(Doc);
        Texts << TextsOf(PlacedTexts(*Doc, 1));
    }
    EXPECT_EQ(Shown[0]->CurrentPreview()->PageCount(), 3);
    EXPECT_EQ(Texts[0].mid(2, 1), QStringList{"Report Overview Documentation"});
    EXPECT_TRUE(Texts[0].contains(QStringLiteral("OrdersSource")));
    EXPECT_EQ(Shown[1]->CurrentPreview()->PageCount(), 1);
    EXPECT_EQ(Texts[1].mid(2), (QStringList{"Diagnostic Report", "Page", "1", Texts[1].value(5),
                                            "Form:", "OrdersForm", "Severe Problems", "Possible Errors",
                                            "All VarLabels Have valid variables. No errors to report.",
                                            "Suggestions and Hints", "No miscellaneous errors to report."}));
    for (TPimViewer* Viewer : Shown)
        Viewer->Close();
    QApplication::processEvents();
    DeliverPostedMessages();
    EXPECT_TRUE(Viewers().empty());

    // Nor does the band manager made for them: the orders' source updates with the detail band.
    auto* Manager = dynamic_cast<TVyrPageManager*>(D.Report->Page()->PageManager());
    ASSERT_NE(Manager, nullptr);
    Manager->UpdateLists();
    auto DC = DeviceContext::CreateRecording(ScreenCaps(96, 443, 300));
    Manager->BandList->PaintTo(*DC);
    EXPECT_EQ(DrawnTexts(*DC->Log()).filter(QStringLiteral("OrdersSource")),
              QStringList{"263 43 OrdersSource"});
    EXPECT_EQ(Manager->Caption(), QStringLiteral("Band Manager for ReportPage"));
}

TEST(PimDesignerReports, TheOrdersDataCentresPrintShowsItsListsInTheViewerAndItsHelpShowsTheHelp) {
    TSampleDatabase Db;
    TOrdersDesign D;
    D.Click("Data");
    DeliverPostedMessages();
    auto* Manager = dynamic_cast<TVyrPageManager*>(D.Report->Page()->PageManager());
    ASSERT_NE(Manager, nullptr);
    auto* Centre = dynamic_cast<TVyrDSVariableOptions*>(Manager->DataControl());
    ASSERT_NE(Centre, nullptr);
    Centre->PrintButton->Click();
    const std::vector<TPimViewer*> Shown = Viewers();
    ASSERT_EQ(Shown.size(), 1u);
    std::shared_ptr<TPimPimFile> Doc = Shown[0]->CurrentPreview()->PimFile();
    ASSERT_TRUE(Doc);
    QStringList Lines;
    for (const QString& L : TextLines(*Doc, 1))
        Lines << L.section(QStringLiteral(": "), 1);
    // The guide of the orders with its eight automatic variables, then the other lists.
    const qsizetype Guides = Lines.indexOf(QStringLiteral("Data Source Guides"));
    ASSERT_GE(Guides, 0);
    EXPECT_EQ(
        Lines.mid(Guides, 17),
        (QStringList{"Data Source Guides",
                     "DataSource Name | OrdersSource | Update Level | DetailBandlevel | AutoCreate",
                     "Used | Field Name | Variable Name", "id | ordersidVar",
                     "order_date | ordersorder_dateVar", "shipped | ordersshippedVar",
                     "status | ordersstatusVar", "discount | ordersdiscountVar", "amount | ordersamountVar",
                     "customer_id | orderscustomer_idVar", "customer | orderscustomerVar", "Total Variables",
                     "Used | TotaLVar Name | Target Var Name | Update Level | Levels Match?",
                     "AmountTotal | AmountVar | DetailBandlevel", "Expression Variables",
                     "Used | Variable Name | Type | Update Level | Event",
                     "PageTextVar | String | PageFooterBandlevel | OrdersPageTextGetData"}));
    EXPECT_EQ(Lines.filter(QStringLiteral("Var | OrdersSource | ")).size(), 8);
    delete Shown[0];

    TScriptedDialogs Dialogs;
    Dialogs.AnswerForm(mrCancel);
    Centre->HelpButton->Click();
    ASSERT_EQ(Dialogs.Shown().size(), 1u);
    EXPECT_EQ(Dialogs.Shown()[0].Text, QStringLiteral("TVyrVarHelp"));
}
