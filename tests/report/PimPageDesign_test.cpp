#include "host/lists.h"
#include "report/PimDS.h"
#include "report/PimPage.h"
#include "report/PimRtfC.h"
#include "report/VyrText.h"
#include "report/VyrVar.h"
#include "support/reportfixture.h"

#include <gtest/gtest.h>

TEST(VyrPageDesign, AVariableIsUsedByTheLabelsTotalsAndGroupsThatReadIt) {
    auto Form = std::make_unique<TReportTestForm>();
    TComponent* F = Form.get();
    auto* Report = Make<TVyrReport>(F, QStringLiteral("Report1"), nullptr);
    auto* P = Make<TVyrGrouppage>(F, QStringLiteral("ReportPage"), Report);
    P->AddMainBands();
    TVyrBand* Band = P->Detail();
    auto Var = [&](const QString& Name) { return Make<TVyrExprVar>(F, Name, P); };

    struct TCase {
        const char* Name;
        std::function<void(TVyrVar*)> Use;
        bool Used;
    };
    TVyrTotalvar* Total = nullptr;
    const std::vector<TCase> Cases = {
        {"Unread", [](TVyrVar*) {}, false},
        {"InText", [&](TVyrVar* V) { Make<TVyrTextLabel>(F, QStringLiteral("Text1"), Band)->SetVariable(V); },
         false},
        {"InVarLabel",
         [&](TVyrVar* V) { Make<TVyrvarlabel>(F, QStringLiteral("Var1"), Band)->SetVariable(V); }, true},
        {"InCheck",
         [&](TVyrVar* V) { Make<TVyrCheckLabel>(F, QStringLiteral("Check1"), Band)->SetVariable(V); }, true},
        {"InBarCode",
         [&](TVyrVar* V) { Make<TVyrBarCodeLabel>(F, QStringLiteral("Bar1"), Band)->SetVariable(V); }, true},
        {"InImage",
         [&](TVyrVar* V) { Make<TVyrImageLabel>(F, QStringLiteral("Image1"), Band)->SetVariable(V); }, true},
        {"InRich",
         [&](TVyrVar* V) { Make<TVyrRichTextLabel>(F, QStringLiteral("Rich1"), Band)->SetVariable(V); },
         true},
        {"Summed",
         [&](TVyrVar* V) {
             Total = Make<TVyrTotalvar>(F, QStringLiteral("TotalOfSummed"), P);
             Total->SetVariable(V);
         },
         true},
        {"Broken", [&](TVyrVar* V) { Make<TVyrGroup>(F, QStringLiteral("Group1"), P)->SetVariable(V); },
         true},
    };
    std::vector<TVyrVar*> Vars;
    for (const TCase& c : Cases) {
        Vars.push_back(Var(QString::fromLatin1(c.Name)));
        c.Use(Vars.back());
    }
    for (size_t i = 0; i < Cases.size(); ++i)
        EXPECT_EQ(P->VarUsed(Vars[i]), Cases[i].Used) << Cases[i].Name;
    // the total itself is used once a total label shows it
    EXPECT_FALSE(P->VarUsed(Total));
    Make<TVyrTotalvarLabel>(F, QStringLiteral("TotalLabel1"), Band)->SetTotalVariable(Total);
    EXPECT_TRUE(P->VarUsed(Total));
    EXPECT_FALSE(P->VarUsed(nullptr));
    // a label that goes takes its use with it
    delete F->FindComponent(QStringLiteral("Var1"));
    EXPECT_FALSE(P->VarUsed(Vars[2]));
}

TEST(VyrPageDesign, AGuideIsFoundByItsSourcesListedNameWhateverTheCase) {
    auto Form = std::make_unique<TReportTestForm>();
    TComponent* F = Form.get();
    auto* Report = Make<TVyrReport>(F, QStringLiteral("Report1"), nullptr);
    auto* P = Make<TVyrGrouppage>(F, QStringLiteral("ReportPage"), Report);
    auto* Cust = Make<TDataSource>(F, QStringLiteral("dsCust"), nullptr);
    auto* Orders = Make<TDataSource>(F, QStringLiteral("dsOrders"), nullptr);
    auto* Unguided = Make<TDataSource>(F, QStringLiteral("dsSpare"), nullptr);
    auto* CustGuide = Make<TVyrDataSourceGuide>(F, QStringLiteral("CustGuide"), P);
    CustGuide->SetDataSource(Cust);
    auto* OrdersGuide = Make<TVyrDataSourceGuide>(F, QStringLiteral("OrdersGuide"), P);
    OrdersGuide->SetDataSource(Orders);
    // The same name listed twice: the first entry has no guide, the second has.
    for (auto [DS, Name] : std::vector<std::pair<TDataSource*, const char*>>{{Cust, "dsCust"},
                                                                             {Unguided, "Other.dsOrders"},
                                                                             {Orders, "Other.dsOrders"},
                                                                             {Unguided, "dsSpare"}}) {
        P->FullDSList()->Add(DS);
        P->FullDSNames()->Add(QString::fromLatin1(Name));
    }
    EXPECT_EQ(P->GetDataSourceGuide(QStringLiteral("dsCust")), CustGuide);
    EXPECT_EQ(P->GetDataSourceGuide(QStringLiteral("DSCUST")), CustGuide);
    EXPECT_EQ(P->GetDataSourceGuide(QStringLiteral("other.dsorders")), OrdersGuide);
    EXPECT_EQ(P->GetDataSourceGuide(QStringLiteral("dsSpare")), nullptr);
    EXPECT_EQ(P->GetDataSourceGuide(QStringLiteral("dsNone")), nullptr);
    EXPECT_EQ(P->GetDataSourceGuide(QString()), nullptr);
}
