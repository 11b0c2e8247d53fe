#include "design/Vyrvrep.h"
#include "design/Innerrep.h"
#include "host/lists.h"
#include "host/releasehold.h"
#include "report/PimDS.h"
#include "report/PimPage.h"
#include "report/VyrCtrl.h"
#include "report/VyrRep.h"
#include "report/VyrText.h"
#include "report/VyrVar.h"

#include <algorithm>
#include <tuple>

namespace {

constexpr TColor TitleColor = 0xC0DCC0; // pale green

// A column of a list: its heading, and the variable its rows show (a check box for a Boolean one).
struct TColumn {
    const char* Heading;
    const char* Var;
    TVyrDataTypes Type;
    int Left;
    int Width;
};

} // namespace

TVYRVREPForm::TVYRVREPForm(TComponent* AOwner) : TForm(AOwner) {
    BuildReport();
}

TVYRVREPForm::~TVYRVREPForm() = default;

TVyrReport* TVYRVREPForm::VYRVRpt() const {
    return FBuilder->Report();
}

void TVYRVREPForm::SetBandBold(TVyrBand* Band, bool SetBold) {
    TFont* Font = Band->Font();
    Font->SetStyle(SetBold ? Font->Style() | fsBold : Font->Style() & ~fsBold);
}

TVyrExprVar* TVYRVREPForm::Var(const char* Name, TVyrDataTypes Type) {
    if (auto* Found = dynamic_cast<TVyrExprVar*>(FindComponent(QLatin1String(Name)))) return Found;
    return FBuilder->AddVar(QLatin1String(Name), Type);
}

TVyrBand* TVYRVREPForm::AddTitle(const QString& BandName, const QString& Title, int Order) {
    TVyrInnerReport& B = *FBuilder;
    TVyrBand* Band = B.AddSubBand(BandName, B.Page()->Foot(), false, Order, 32);
    TVyrTextLabel* L = B.AddText(Band, Title, 0, 8, TVyrInnerReport::BodyWidth, fsBold | fsItalic);
    L->Font()->SetSize(12);
    L->SetHeight(20);
    TVyrInnerReport::Strip(L, clWhite);
    FTitles[size_t(Order)] = L;
    return Band;
}

void TVYRVREPForm::ListLoop(TVyrSubDataBand* Band, std::function<int()> Count, std::function<bool(int)> Row) {
    // A list without items still passes once, its row held back, so that its headings print.
    Band->OnPrintWhen = [this, Count](TVyrBand*, bool& Result) { Result = DataSpot < Count(); };
    Band->OnDataStart = [this](TComponent*) { DataSpot = 0; };
    Band->OnAfterDataSkip = [this, Count, Row](TVyrSubDataBand* Sender) {
        if (DataSpot < Count()) SetBandBold(Sender, Row(DataSpot));
    };
    Band->OnDataSkip = [this, Count](TComponent* Sender) {
        ++DataSpot;
        if (DataSpot + 1 > std::max(Count(), 1))
            static_cast<TVyrSubDataBand*>(Sender)->SetDataIsFinished(true);
    };
}

void TVYRVREPForm::BuildReport() {
    FBuilder = std::make_unique<TVyrInnerReport>(this);
    TVyrInnerReport& B = *FBuilder;
    TVyrGrouppage* Page = B.Page();
    B.AddPageHead(QStringLiteral("Data Control Center Report"), false, false);

    TVyrBand* Detail = Page->Detail();
    Detail->SetHeight(64);
    int Y = 6;
    for (auto [Caption, Label, Name] :
         {std::tuple{"ReportName", &lbRep, "lbRep"}, std::tuple{"Report Page Name", &lbPage, "lbPage"},
          std::tuple{"Form Name", &lbForm, "lbForm"}}) {
        B.AddText(Detail, QLatin1String(Caption), 0, Y, 130, fsBold);
        *Label = B.AddText(Detail, QStringLiteral("Unknown"), 134, Y, 400, 0, QLatin1String(Name));
        Y += 18;
    }
    Page->OnDataStart = [Page](TComponent*) { Page->SetDataIsFinished(false); };
    Page->OnDataSkip = [Page](TComponent*) { Page->SetDataIsFinished(true); };
    Page->Foot()->SetHeight(4);

    FTitles.assign(4, nullptr);
    BuildGuides(AddTitle(QStringLiteral("DSGTitle"), QStringLiteral("Data Source Guides"), 0));

    auto Section = [&](TVyrBand* Title, const char* Loop, std::initializer_list<TColumn> Columns) {
        TVyrSubDataBand* Rows = B.AddDataBand(QLatin1String(Loop), Title, 0, 18);
        TVyrBand* Head = B.AddDataHead(QLatin1String(Loop) + QStringLiteral("Header"), Rows, 22);
        for (const TColumn& C : Columns) {
            B.AddText(Head, QLatin1String(C.Heading), C.Left, 4, C.Width, fsBold);
            if (C.Type == dtypeBoolean)
                B.AddCheck(Rows, Var(C.Var, C.Type), C.Left + 14, 3);
            else
                B.AddValue(Rows, Var(C.Var, C.Type), C.Left, 1, C.Width);
        }
        return Rows;
    };
    TVyrSubDataBand* Totals =
        Section(AddTitle(QStringLiteral("TotalTitle"), QStringLiteral("Total Variables"), 1), "Data",
                {{"Used", "TotalUsedVar", dtypeBoolean, 0, 44},
                 {"TotaLVar Name", "TotalNameVar", dtypeString, 50, 180},
                 {"Target Var Name", "TotalVarNameVar", dtypeString, 240, 180},
                 {"Update Level", "TotalLevelVar", dtypeString, 430, 180},
                 {"Levels Match?", "TotalLevelMatchVar", dtypeBoolean, 620, 100}});
    ListLoop(
        Totals, [this] { return int(totallist->size()); },
        [this](int i) {
            const TTotalItem& Item = *(*totallist)[size_t(i)];
            Var("TotalNameVar", dtypeString)->SetAsString(Item.TotalName);
            Var("TotalLevelVar", dtypeString)->SetAsString(Item.TotalLevelName);
            Var("TotalVarNameVar", dtypeString)->SetAsString(Item.TotalVarName);
            Var("TotalUsedVar", dtypeBoolean)->SetAsBoolean(Item.Used);
            Var("TotalLevelMatchVar", dtypeBoolean)->SetAsBoolean(Item.LevelMatch);
            return Item.Used;
        });

    TVyrSubDataBand* Exprs =
        Section(AddTitle(QStringLiteral("ExprTitle"), QStringLiteral("Expression Variables"), 2), "Data1",
                {{"Used", "ExprUsedVar", dtypeBoolean, 0, 44},
                 {"Variable Name", "ExprNameVar", dtypeString, 50, 180},
                 {"Type", "ExprTypeVar", dtypeString, 240, 90},
                 {"Update Level", "ExprLevelVar", dtypeString, 340, 170},
                 {"Event", "ExprEventVar", dtypeString, 520, 200}});
    ListLoop(
        Exprs, [this] { return int(exprList->size()); },
        [this](int i) {
            const TExprItem& Item = *(*exprList)[size_t(i)];
            Var("ExprNameVar", dtypeString)->SetAsString(Item.ExprName);
            Var("ExprLevelVar", dtypeString)->SetAsString(Item.ExprLevelName);
            Var("ExprEventVar", dtypeString)->SetAsString(Item.ExprEventName);
            Var("ExprTypeVar", dtypeString)->SetAsString(Item.ExprTypeName);
            Var("ExprUsedVar", dtypeBoolean)->SetAsBoolean(Item.Used);
            return Item.Used;
        });

    TVyrSubDataBand* DBVars =
        Section(AddTitle(QStringLiteral("DBTitle"), QStringLiteral("Database Variables"), 3), "Data2",
                {{"Used", "DBUsedVar", dtypeBoolean, 0, 44},
                 {"Variable Name", "DBNameVar", dtypeString, 50, 150},
                 {"DataSource", "DBDataSourceVar", dtypeString, 210, 130},
                 {"DataField", "DBDataFieldVar", dtypeString, 350, 120},
                 {"Update Level", "DBLevelVar", dtypeString, 480, 130},
                 {"Levels Match?", "DBLevelMatchVar", dtypeBoolean, 620, 100}});
    ListLoop(
        DBVars, [this] { return int(dblist->size()); },
        [this](int i) {
            const TDBItem& Item = *(*dblist)[size_t(i)];
            Var("DBNameVar", dtypeString)->SetAsString(Item.DBName);
            Var("DBDataSourceVar", dtypeString)->SetAsString(Item.DataSourceName);
            Var("DBDataFieldVar", dtypeString)->SetAsString(Item.DataField);
            Var("DBLevelVar", dtypeString)->SetAsString(Item.LevelName);
            Var("DBUsedVar", dtypeBoolean)->SetAsBoolean(Item.Used);
            Var("DBLevelMatchVar", dtypeBoolean)->SetAsBoolean(Item.LevelMatch);
            return Item.Used;
        });
    B.Finish();
}

TVyrDSGuide* TVYRVREPForm::Guide() const {
    const std::vector<TVyrDSGuide*>* Guides = pg ? pg->DataSourceList() : nullptr;
    if (!Guides || dsgSpot < 0 || dsgSpot >= int(Guides->size())) return nullptr;
    return (*Guides)[size_t(dsgSpot)];
}

void TVYRVREPForm::BuildGuides(TVyrBand* Title) {
    TVyrInnerReport& B = *FBuilder;
    TVyrExprVar* DSName = Var("DSNameVar", dtypeString);
    TVyrExprVar* UpdLevel = Var("UpdLevelVar", dtypeString);
    TVyrExprVar* CreateVars = Var("CreateVarsVar", dtypeBoolean);
    FGuides = B.AddDataBand(QStringLiteral("Data3"), Title, 0, 26);
    B.AddText(FGuides, QStringLiteral("DataSource Name"), 0, 6, 124, fsBold);
    B.AddValue(FGuides, DSName, 126, 6, 210, fsBold);
    B.AddText(FGuides, QStringLiteral("Update Level"), 346, 6, 94, fsBold);
    B.AddValue(FGuides, UpdLevel, 442, 6, 170, fsBold);
    TVyrTextLabel* Auto = B.AddText(FGuides, QStringLiteral("AutoCreate"), 630, 6, 90, fsBold | fsItalic);
    TVyrInnerReport::Strip(Auto, clYellow);
    Auto->SetHorizontalAlign(laCenter);
    Auto->LabelPrintWhen = [CreateVars](TVyrLabel*, bool& Result) { Result = CreateVars->AsBoolean(); };

    FGuides->OnDataStart = [this](TComponent*) {
        dsgSpot = 0;
        FGuides->SetDataIsFinished(!Guide());
    };
    FGuides->OnDataSkip = [this](TComponent*) {
        ++dsgSpot;
        if (!Guide()) FGuides->SetDataIsFinished(true);
    };
    FGuides->OnAfterDataSkip = [this, DSName, UpdLevel, CreateVars](TVyrSubDataBand*) {
        TVyrDSGuide* G = Guide();
        DSName->SetAsString(G->DataSource() ? G->DataSource()->Name() : QString());
        CreateVars->SetAsBoolean(G->CreateVariables());
        UpdLevel->SetAsString(G->UpdateLevel() ? G->UpdateLevel()->Name() : QString());
        FillDsgVarList(G, *dsgvarlist);
        FillDsgFieldList(G, UnusedFieldList);
    };

    // The guide's automatic variables; each one's field leaves the list of fields without one.
    TVyrBand* VarsBand = B.AddSubBand(QStringLiteral("Data3Sub"), FGuides, false, 0, 2);
    TVyrSubDataBand* Vars = B.AddDataBand(QStringLiteral("Data4"), VarsBand, 0, 18);
    TVyrBand* VarsHead = B.AddDataHead(QStringLiteral("Data4Header"), Vars, 22);
    TVyrExprVar* Used = Var("dsVarUsedVar", dtypeBoolean);
    TVyrExprVar* Field = Var("dsFieldNameVar", dtypeString);
    TVyrExprVar* VarName = Var("dsVarNameVar", dtypeString);
    B.AddText(VarsHead, QStringLiteral("Used"), 24, 4, 44, fsBold);
    B.AddText(VarsHead, QStringLiteral("Field Name"), 74, 4, 200, fsBold);
    B.AddText(VarsHead, QStringLiteral("Variable Name"), 284, 4, 250, fsBold);
    B.AddCheck(Vars, Used, 38, 3);
    B.AddValue(Vars, Field, 74, 1, 200);
    B.AddValue(Vars, VarName, 284, 1, 250);
    ListLoop(
        Vars, [this] { return int(dsgvarlist->size()); },
        [this, Used, Field, VarName](int i) {
            TVyrDBVar* V = (*dsgvarlist)[size_t(i)];
            Field->SetAsString(V->DataField());
            VarName->SetAsString(V->Name());
            const bool IsUsed = pg->VarUsed(V);
            Used->SetAsBoolean(IsUsed);
            if (const int Index = UnusedFieldList->IndexOf(V->DataField()); Index >= 0)
                UnusedFieldList->Delete(Index);
            return IsUsed;
        });

    TVyrBand* Unused = B.AddSubBand(QStringLiteral("Data3Sub1"), FGuides, false, 1, 24);
    Unused->OnPrintWhen = [CreateVars](TVyrBand*, bool& Result) { Result = !CreateVars->AsBoolean(); };
    B.AddText(Unused, QStringLiteral("Fields Not defined as PIM Vars:"), 24, 4, 220, fsBold);
    lbUnused =
        B.AddText(Unused, QString(), 248, 4, TVyrInnerReport::BodyWidth - 248, 0, QStringLiteral("lbUnused"));
    TVyrInnerReport::Wrap(lbUnused);
    Unused->OnBeforePrint = [this](TVyrBand*) {
        lbUnused->SetCaption(UnusedFieldList->CommaText().replace(QLatin1Char(','), QStringLiteral("   ")));
    };
}

void RunVReport(TVyrPage* Page, const TDsgList& DsgList, const TExprList& ExprList, const TDBList& DBList,
                const TTotalList& TotalList) {
    auto Form = std::make_unique<TVYRVREPForm>(nullptr);
    std::vector<TVyrDBVar*> GuideVars;
    TStringList Unused;
    // Fields leave the list whatever case their variable spells them in.
    Unused.SetCaseSensitive(false);
    Form->dsgvarlist = &GuideVars;
    Form->UnusedFieldList = &Unused;
    Form->pg = Page;
    Form->dsglist = &DsgList;
    Form->exprList = &ExprList;
    Form->dblist = &DBList;
    Form->totallist = &TotalList;
    for (int i = 0; i < 4; ++i)
        Form->SectionTitle(i)->SetColor(TitleColor);
    TComponent* Report = Page ? dynamic_cast<TVyrReport*>(Page->Parent()) : nullptr;
    if (Report) Form->lbRep->SetCaption(Report->Name());
    if (Page) Form->lbPage->SetCaption(Page->Name());
    if (auto* Owner = Report ? dynamic_cast<TCustomForm*>(Report->Owner()) : nullptr)
        Form->lbForm->SetCaption(Owner->Name());
    Form->VYRVRpt()->Run();
}

void VyrPrintVarLists(TVyrDSVariableOptions* Centre) {
    TVyrPage* Page = Centre->GetGroupPage();
    if (!Page || VyrRefusedWhileRunning(Page->Owner(), true)) return;
    // The run lets the application work between two rows; the page's form takes no change meanwhile.
    const TReleaseHold Hold(Page);
    RunVReport(Page, Centre->DsgList, Centre->ExprList, Centre->DBList, Centre->TotalList);
}
