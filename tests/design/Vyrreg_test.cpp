#include "design/Pageman.h"
#include "design/Vyrreg.h"
#include "host/db.h"
#include "host/memdataset.h"
#include "host/properties.h"
#include "host/storedforms.h"
#include "report/PimDS.h"
#include "report/VyrText.h"
#include "report/VyrVar.h"
#include "support/designfixture.h"
#include "support/scripteddialogs.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <typeinfo>

namespace {

struct Vyrreg : ::testing::Test {
    void SetUp() override { initDesignPackage(); }
    void TearDown() override {
        resetDesignPackage();
        ResetStoredForms();
    }
};

QString EditorOf(IDesigner* D, TPersistent* Instance, const QString& Name) {
    auto Editor = GetPropertyEditor(D, Instance, Name);
    return Editor ? ClassNameOf(typeid(*Editor)) : QStringLiteral("none");
}

// The message the call raises; empty when it raises nothing.
template <class F> QString Raised(F&& Call) {
    try {
        Call();
    } catch (const Exception& E) {
        return ClassNameOf(typeid(E)) + QStringLiteral(": ") + E.Message();
    }
    return QString();
}

class TLaterLevelProperty : public TVyrTotalLevelProperty {
public:
    using TVyrTotalLevelProperty::TVyrTotalLevelProperty;
};

// A page whose variable upkeep fails, as it can when a component it makes cannot be named.
class TFailingPage : public TVyrGrouppage {
public:
    using TVyrGrouppage::TVyrGrouppage;
    void UpdateVarList() override { throw Exception(QStringLiteral("no upkeep")); }
};

TEST_F(Vyrreg, RegisterPutsFourteenClassesOnThePaletteAndChoosesTheEditorOfEachRowOfTheTable) {
    initDesignPackage();
    ASSERT_EQ(PalettePages().size(), 1u);
    EXPECT_EQ(PalettePages()[0].Name, QStringLiteral("PimReporter"));
    QStringList Names;
    for (const TComponentClass& C : PalettePages()[0].Classes)
        Names << C.Name;
    EXPECT_EQ(Names, (QStringList{"TVyrvarlabel", "TVyrTotalvarLabel", "TVyrLine", "TVyrShape",
                                  "TVyrImageLabel", "TVyrVerticalDivider", "TVyrCheckLabel",
                                  "TVyrBarCodeLabel", "TVyrCustomLabel", "TVyrReportButton",
                                  "TVyrRichTextLabel", "TVyrReport", "TPimMeter", "TPimPreview"}));
    for (const char* Hidden :
         {"TVyrTextLabel", "TVyrGroup", "TVyrPage", "TVyrBand", "TVyrSubBand", "TVyrSubDataBand",
          "TVyrGrouppage", "TVyrDataSourceGuide", "TVyrDataHeadBand", "TVyrDataFootBand", "TVyrOverlayBand",
          "TVyrLevel", "TVyrExprVar", "TVyrTotalvar", "TVyrDBVar"}) {
        EXPECT_TRUE(IsNoIcon(Hidden)) << Hidden;
        EXPECT_NE(GetClass(Hidden), nullptr) << Hidden;
    }
    EXPECT_FALSE(IsNoIcon("TVyrDateTimeVar"));
    EXPECT_FALSE(IsNoIcon("TVyrPageVar"));
    EXPECT_NE(GetClass("TPimMeter"), nullptr);
    EXPECT_NE(GetClass("TPimPreview"), nullptr);
    for (QString Name : Names << "TVyrTextLabel") {
        const QImage Icon = PaletteIcon(Name.toUpper());
        EXPECT_EQ(Icon.size(), QSize(24, 24)) << Name.toStdString();
        EXPECT_LE(Icon.colorCount(), 16) << Name.toStdString();
    }

    TDesignedReport R;
    IDesigner* D = R.Designer.get();
    TVyrBand* Detail = R.Page->Detail();
    auto* VarLabel = R.Add<TVyrvarlabel>("VarLabel1", Detail);
    auto* TotalLabel = R.Add<TVyrTotalvarLabel>("TotalLabel1", Detail);
    auto* Expr = R.Add<TVyrExprVar>("Amount", R.Page);
    auto* Total = R.Add<TVyrTotalvar>("Total", R.Page);
    auto* Group = R.Add<TVyrGroup>("Group1", R.Page);
    auto* Sub = R.Add<TVyrSubBand>("Sub1", R.Page);
    auto* SubData = R.Add<TVyrSubDataBand>("Data1", R.Page);
    auto* Guide = R.Add<TVyrDataSourceGuide>("Guide1", R.Page);
    const QString Var = "TVyrVarProperty", Level = "TVyrLevelProperty", ReadOnly = "TVyrReadOnlySubProperty";
    EXPECT_EQ(EditorOf(D, VarLabel, "Variable"), Var);
    EXPECT_EQ(EditorOf(D, Group, "Variable"), Var);
    EXPECT_EQ(EditorOf(D, Total, "Variable"), Var);
    EXPECT_EQ(EditorOf(D, TotalLabel, "TotalVariable"), "TVyrTotalVarProperty");
    EXPECT_EQ(EditorOf(D, Expr, "UpdateLevel"), Level);
    EXPECT_EQ(EditorOf(D, Guide, "UpdateLevel"), Level);
    EXPECT_EQ(EditorOf(D, TotalLabel, "LEVEL"), "TVyrTotalLevelProperty");
    EXPECT_EQ(EditorOf(D, Group, "Header"), ReadOnly);
    EXPECT_EQ(EditorOf(D, Sub, "Band"), ReadOnly);
    EXPECT_EQ(EditorOf(D, Detail, "Updatelevel"), ReadOnly);
    EXPECT_EQ(EditorOf(D, Sub, "Updatelevel"), ReadOnly);
    EXPECT_EQ(EditorOf(D, Detail, "ReserveSpace.Band"), "TVyrReserveBandProperty");
    EXPECT_EQ(EditorOf(D, Guide, "DataSource"), "TVyrDataSourceDSGProperty");
    EXPECT_EQ(EditorOf(D, R.Page, "DataSet"), "TVyrDataSetProperty");
    EXPECT_EQ(EditorOf(D, SubData, "DataSet"), "TVyrDataSetProperty");
    // Where no registration fits, the editor of the property's kind.
    EXPECT_EQ(EditorOf(D, R.Page, "DataSource"), "TComponentProperty");
    EXPECT_EQ(EditorOf(D, Detail, "ReserveSpace"), "TClassProperty");
    EXPECT_EQ(EditorOf(D, Detail, "BorderType"), "TEnumProperty");
    EXPECT_EQ(EditorOf(D, Detail, "Nothing"), "none");
    // Of two equal registrations the later wins.
    RegisterPropertyEditor<TVyrLevel, TVyrTotalvarLabel>("Level",
                                                         PropertyEditorClassOf<TLaterLevelProperty>());
    EXPECT_EQ(EditorOf(D, TotalLabel, "level"), ClassNameOf(typeid(TLaterLevelProperty)));
    EXPECT_EQ(GetPropertyEditor(D, Group, "Header")->GetValue(), "(TVyrBand)");
    EXPECT_EQ(GetPropertyEditor(D, Group, "Header")->GetAttributes(), paSubProperties | paReadOnly);
}

TEST_F(Vyrreg, TheReferenceEditorsListTheirPagesComponentsAndRefuseWithTheSystemsTexts) {
    TDesignedReport R;
    TTestDesigner& D = *R.Designer;
    TVyrBand* Detail = R.Page->Detail();
    auto* VarLabel = R.Add<TVyrvarlabel>("VarLabel1", Detail);
    auto* TotalLabel = R.Add<TVyrTotalvarLabel>("TotalLabel1", R.Page->Foot());
    auto* Expr = R.Add<TVyrExprVar>("Amount", R.Page);
    auto* Total = R.Add<TVyrTotalvar>("Total", R.Page);

    auto VarEditor = GetPropertyEditor(&D, VarLabel, "Variable");
    EXPECT_EQ(VarEditor->Values(), (QStringList{"Amount", "svarDateTime", "svarPage"}));
    EXPECT_TRUE(R.Page->LetUpdateDataList());
    D.Modifieds = 0;
    VarEditor->SetValue("amount");
    EXPECT_EQ(VarLabel->Variable(), Expr);
    EXPECT_EQ(VarEditor->GetValue(), "Amount");
    EXPECT_EQ(Raised([&] { VarEditor->SetValue("TOTAL"); }),
              "Exception: You cannot assign a Total Variable to a Variable Property");
    EXPECT_EQ(Raised([&] { VarEditor->SetValue("Nothing"); }), "EPropertyError: Invalid Property");
    EXPECT_EQ(VarLabel->Variable(), Expr);
    EXPECT_EQ(D.Modifieds, 1);
    VarEditor->SetValue("");
    EXPECT_EQ(VarLabel->Variable(), nullptr);

    auto TotalEditor = GetPropertyEditor(&D, TotalLabel, "TotalVariable");
    EXPECT_EQ(TotalEditor->Values(), QStringList{"Total"});
    EXPECT_EQ(Raised([&] { TotalEditor->SetValue("amount"); }),
              "Exception: You must assign a Total Variable.");
    TotalEditor->SetValue("total");
    EXPECT_EQ(TotalLabel->TotalVariable(), Total);

    // A total label's level is never a header's; the other level properties offer every level.
    auto TotalLevel = GetPropertyEditor(&D, TotalLabel, "Level");
    EXPECT_EQ(TotalLevel->Values(),
              (QStringList{"DetailBandlevel", "PageFooterBandlevel", "ReportFooterBandlevel"}));
    EXPECT_EQ(Raised([&] { TotalLevel->SetValue("pageheaderbandlevel"); }),
              "EPropertyError: Invalid Property");
    TotalLevel->SetValue("PAGEFOOTERBANDLEVEL");
    EXPECT_EQ(TotalLabel->Level(), R.Page->PageFoot()->UpdateLevel());
    auto VarLevel = GetPropertyEditor(&D, Expr, "UpdateLevel");
    EXPECT_EQ(VarLevel->Values(),
              (QStringList{"ReportHeaderBandlevel", "PageHeaderBandlevel", "DetailBandlevel",
                           "PageFooterBandlevel", "ReportFooterBandlevel"}));
    VarLevel->SetValue("pageheaderbandlevel");
    EXPECT_EQ(Expr->UpdateLevel(), R.Page->PageHead()->UpdateLevel());

    auto Reserve = GetPropertyEditor(&D, Detail, "ReserveSpace.Band");
    EXPECT_EQ(Reserve->GetComponent(0), Detail->ReserveSpace());
    EXPECT_EQ(Reserve->Values(), (QStringList{"ReportHeaderBand", "PageHeaderBand", "DetailBand",
                                              "PageFooterBand", "ReportFooterBand"}));
    Reserve->SetValue("pagefooterband");
    EXPECT_EQ(Detail->ReserveSpace()->Band(), R.Page->PageFoot());
    EXPECT_EQ(Raised([&] { Reserve->SetValue("VarLabel1"); }), "EPropertyError: Invalid Property");
    EXPECT_EQ(Detail->ReserveSpace()->Band(), R.Page->PageFoot());

    // The data set of older forms: a message, no list, and only clearing.
    TScriptedDialogs Dialogs;
    Dialogs.Answer(mrOk);
    auto* Orphan = R.Add<TMemDataSet>("Orphan");
    R.Page->SetDataSet(Orphan);
    auto DataSet = GetPropertyEditor(&D, R.Page, "DataSet");
    EXPECT_TRUE(DataSet->Values().isEmpty());
    EXPECT_EQ(Dialogs.Last().Text,
              "Dataset is no longer being supported, use the DataSource property instead");
    DataSet->SetValue("Orphan");
    EXPECT_EQ(DataSet->GetValue(), "Orphan");
    DataSet->SetValue("");
    EXPECT_EQ(R.Page->DataSet(), nullptr);

    // Components the editors cannot place.
    auto* Loose = R.Add<TVyrvarlabel>("Loose");
    EXPECT_EQ(Raised([&] { GetPropertyEditor(&D, Loose, "Variable")->Values(); }),
              "Exception: variable property editor can not find page");
    TVyrVarProperty OnBand(&D, {Detail}, "Variable", GetPropList(VarLabel)->Find("Variable"));
    EXPECT_EQ(Raised([&] { OnBand.GetPage(); }), "Exception: variable property editor can not find page");
    auto* LooseBand = R.Add<TVyrBand>("LooseBand");
    EXPECT_EQ(Raised([&] { GetPropertyEditor(&D, LooseBand, "ReserveSpace.Band")->Values(); }),
              "EInvalidCast: Invalid class typecast");

    // A failing upkeep leaves the page free to fill its data lists again.
    auto* Failing = R.Add<TFailingPage>("FailingPage", R.Report);
    auto* FailingBand = R.Add<TVyrBand>("FailingBand", Failing);
    auto* OnFailing = R.Add<TVyrvarlabel>("OnFailing", FailingBand);
    EXPECT_EQ(Raised([&] { GetPropertyEditor(&D, OnFailing, "Variable")->Values(); }),
              "Exception: no upkeep");
    EXPECT_TRUE(Failing->LetUpdateDataList());
}

TEST_F(Vyrreg, AnEditorOverSeveralSelectedComponentsSetsEveryOneOfThem) {
    TDesignedReport R;
    TTestDesigner& D = *R.Designer;
    TVyrBand* Detail = R.Page->Detail();
    auto* Amount = R.Add<TVyrExprVar>("Amount", R.Page);
    auto* Total = R.Add<TVyrTotalvar>("Total", R.Page);
    const std::vector<TPersistent*> Labels{R.Add<TVyrvarlabel>("VarLabel1", Detail),
                                           R.Add<TVyrvarlabel>("VarLabel2", Detail),
                                           R.Add<TVyrvarlabel>("VarLabel3", R.Page->Foot())};
    const std::vector<TPersistent*> Totals{R.Add<TVyrTotalvarLabel>("TotalLabel1", Detail),
                                           R.Add<TVyrTotalvarLabel>("TotalLabel2", R.Page->Foot())};
    const std::vector<TPersistent*> Vars{Amount, R.Add<TVyrExprVar>("Price", R.Page)};
    const std::vector<TPersistent*> Bands{Detail, R.Page->PageHead()};
    struct {
        const std::vector<TPersistent*>* Selected;
        const char* Property;
        const char* Typed;
        const char* Shown;
    } const Rows[] = {
        {&Labels, "Left", "33", "33"},
        {&Labels, "BorderType", "btSingle", "btSingle"},
        {&Labels, "Color", "clRed", "clRed"},
        {&Labels, "Stretch", "True", "True"},
        {&Labels, "Font.Size", "14", "14"},
        {&Labels, "Font.Style", "[fsBold]", "[fsBold]"},
        {&Labels, "Lines", "first\nsecond", "(TStrings)"},
        {&Labels, "Variable", "amount", "Amount"},
        {&Totals, "TotalVariable", "total", "Total"},
        {&Totals, "Level", "pagefooterbandlevel", "PageFooterBandlevel"},
        {&Vars, "UpdateLevel", "detailbandlevel", "DetailBandlevel"},
        {&Bands, "ReserveSpace.Band", "pagefooterband", "PageFooterBand"},
    };
    for (const auto& Row : Rows) {
        SCOPED_TRACE(Row.Property);
        auto Editor = GetPropertyEditor(&D, *Row.Selected, QString::fromLatin1(Row.Property));
        ASSERT_NE(Editor, nullptr);
        EXPECT_EQ(Editor->PropCount(), int(Row.Selected->size()));
        const int Modified = D.Modifieds;
        Editor->SetValue(QString::fromLatin1(Row.Typed));
        EXPECT_EQ(D.Modifieds, Modified + 1);
        for (TPersistent* One : *Row.Selected) {
            SCOPED_TRACE(dynamic_cast<TComponent*>(One)->Name().toStdString());
            EXPECT_EQ(GetPropertyEditor(&D, One, QString::fromLatin1(Row.Property))->GetValue(),
                      QString::fromLatin1(Row.Shown));
        }
    }
    for (TPersistent* One : Labels)
        EXPECT_EQ(GetPropValue(One, QStringLiteral("Lines")).toStringList(),
                  QStringList({"first", "second"}));
    EXPECT_EQ(dynamic_cast<TVyrTotalvarLabel*>(Totals[1])->TotalVariable(), Total);
}

TEST_F(Vyrreg, HeadStripClicksAndTheDesignRoutinesReachTheDesigner) {
    TDesignedReport R;
    TTestDesigner& D = *R.Designer;
    D.Modifieds = 0;
    R.Page->HeadOf(R.Page->Detail())->StretchCheck()->Toggle();
    EXPECT_TRUE(R.Page->Detail()->Stretch());
    EXPECT_EQ(D.Modifieds, 1);

    TVyrBand* Detail = R.Page->Detail();
    Detail->SetEventBinding("OnBeforePrint", "DetailBeforePrint");
    EXPECT_EQ(PimGetMethodValue(Detail, "OnBeforePrint", &D), "DetailBeforePrint");
    EXPECT_EQ(PimGetMethodValue(Detail, "onbeforeprint", &D), "");
    ComponentSelect(&D, Detail);
    EXPECT_EQ(D.SelectedNames(), QStringList{"DetailBand"});
    Detail->SetBorderType(btSingle);
    PimRevertToAncestor(Detail->ReserveSpace(), &D);
    PimRevertToAncestor(Detail, &D);
    EXPECT_EQ(Detail->BorderType(), btNone);
    EXPECT_EQ(D.Reverts.mid(0, 3),
              (QStringList{"TVyrReserveSpace.Band", "TVyrReserveSpace.BandCount", "TVyrReserveSpace.Space"}));
    EXPECT_TRUE(D.Reverts.contains("DetailBand.BorderType"));
}

} // namespace
