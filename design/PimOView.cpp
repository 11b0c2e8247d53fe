#include "design/PimOView.h"
#include "design/Bandtree.h"
#include "design/Innerrep.h"
#include "host/devicecontext.h"
#include "host/exceptions.h"
#include "host/lists.h"
#include "host/properties.h"
#include "output/PimOut.h"
#include "report/PSetup.h"
#include "report/PimPage.h"
#include "report/VyrCtrl.h"
#include "report/VyrRep.h"
#include "report/VyrText.h"
#include "report/VyrVar.h"

#include <tuple>

namespace {

struct TVarDecl {
    const char* Name;
    TVyrDataTypes Type;
};

// The report's variables, set from code as the documented page is walked.
constexpr TVarDecl OverviewVars[] = {
    {"BandName", dtypeString},         {"LabelName", dtypeString},        {"GroupName", dtypeString},
    {"BandColor", dtypeString},        {"LabelColor", dtypeString},       {"BandBorder", dtypeString},
    {"ReportDesc", dtypeString},       {"ReportOwner", dtypeString},      {"PaperSource", dtypeString},
    {"PaperSize", dtypeString},        {"PrintDest", dtypeString},        {"PrintDuplex", dtypeString},
    {"DetailDataSource", dtypeString}, {"SubDataSource", dtypeString},    {"PrintQuality", dtypeString},
    {"PrintUnits", dtypeString},       {"PrintTTOption", dtypeString},    {"PrintOrientation", dtypeString},
    {"PrintFormName", dtypeString},    {"PreviewFormStyle", dtypeString}, {"PreviewModal", dtypeString},
    {"PreviewOwner", dtypeString},     {"PreviewState", dtypeString},     {"PreviewZoom", dtypeString},
    {"LabelFont", dtypeString},        {"LabelBorder", dtypeString},      {"LabelFormat", dtypeString},
    {"GroupVarName", dtypeString},     {"PropertyList", dtypeString},     {"ValueList", dtypeString},
    {"LabelType", dtypeString},        {"BandHeight", dtypeInteger},      {"LabelTop", dtypeInteger},
    {"LabelLeft", dtypeInteger},       {"LabelHeight", dtypeInteger},     {"LabelWidth", dtypeInteger},
    {"PrintCopies", dtypeInteger},     {"PrintRangeStart", dtypeInteger}, {"PrintRangeEnd", dtypeInteger},
    {"MarginLeft", dtypeFloat},        {"MarginRight", dtypeFloat},       {"MarginTop", dtypeFloat},
    {"MarginBottom", dtypeFloat},      {"PaperHeight", dtypeFloat},       {"PaperWidth", dtypeFloat},
    {"BandVisible", dtypeBoolean},     {"BandRepeat", dtypeBoolean},      {"BandNewPage", dtypeBoolean},
    {"BandStretch", dtypeBoolean},     {"PrintTextComp", dtypeBoolean},   {"PrintAdjMargins", dtypeBoolean},
    {"PrintCollated", dtypeBoolean},   {"PrintColor", dtypeBoolean},      {"PrintDirect", dtypeBoolean},
};

// The name the declared property Prop of Instance gives its value.
QString EnumName(const TPersistent* Instance, const char* Prop) {
    const TPropList* Props = Instance ? GetPropList(Instance) : nullptr;
    const TPropInfo* Info = Props ? Props->Find(QLatin1String(Prop)) : nullptr;
    if (!Info || !Info->Enum) return QString();
    return Info->Enum->NameOf(GetPropValue(Instance, QLatin1String(Prop)).toInt());
}

QString NameOr(const TComponent* Component, const QString& Missing) {
    return Component ? Component->Name() : Missing;
}

// The lines of the property and value columns of one label.
struct TPropertyRows {
    QString Names;
    QString Values;
    void Add(const QString& Name, const QString& Value) {
        Names += Name + QChar(13);
        Values += Value + QChar(13);
    }
};

void AddTextProperties(TPropertyRows& Rows, TVyrTVLabel* Label) {
    if (!Label->Caption().isEmpty()) Rows.Add(QStringLiteral("Caption"), Label->Caption());
    if (!Label->DataFormat()->DisplayFormat().isEmpty())
        Rows.Add(QStringLiteral("DisplayFormat"), Label->DataFormat()->DisplayFormat());
    const TStringList* Lines = Label->Lines();
    for (int i = 0; Lines && i < Lines->Count(); ++i)
        Rows.Add(i == 0 ? QStringLiteral("Lines") : QString(), Lines->Strings(i));
}

QString FormatText(const TVyrRootFormat* Format) {
    if (!Format->DisplayFormat().isEmpty()) return Format->DisplayFormat();
    return EnumName(Format, "FloatFormat") + QLatin1Char(' ') + QString::number(Format->Width()) +
           QLatin1Char(' ') + QString::number(Format->Digits());
}

} // namespace

TPimOverview::TPimOverview(TComponent* AOwner) : TVyrPageReportForm(AOwner) {
    BuildReport();
}

TPimOverview::~TPimOverview() = default;

void TPimOverview::RunFor(TVyrGrouppage* Page, IDesigner*) {
    Report = Page ? dynamic_cast<TVyrReport*>(Page->Parent()) : nullptr;
    GP = Page;
    VyrReport1()->Run();
}

TVyrReport* TPimOverview::VyrReport1() const {
    return FBuilder->Report();
}

TVyrExprVar* TPimOverview::Var(const QString& Name) const {
    TVyrExprVar* V = FVars.value(Name);
    if (!V) throw Exception(QStringLiteral("The overview has no variable %1").arg(Name));
    return V;
}

TVyrBand* TPimOverview::BandAt(int Index) const {
    const std::vector<TVyrBand*>* Bands = GP ? GP->Bands() : nullptr;
    if (!Bands || Index < 0 || Index >= int(Bands->size())) return nullptr;
    return (*Bands)[size_t(Index)];
}

bool TPimOverview::OnFirstPage() const {
    return FPageNumber->AsInteger() == 1;
}

// Building the report

void TPimOverview::BuildReport() {
    FBuilder = std::make_unique<TVyrInnerReport>(this);
    for (const TVarDecl& D : OverviewVars)
        FVars.insert(QLatin1String(D.Name), FBuilder->AddVar(QLatin1String(D.Name), D.Type));
    BuildPageHead();
    BuildSetup();
    BuildBandList();
    BuildDetail();

    TVyrGrouppage* Page = FBuilder->Page();
    Page->OnDataStart = [this](TComponent*) { ReportPageDataStart(); };
    Page->OnDataSkip = [this](TComponent*) { ReportPageDataSkip(); };
    Page->OnAfterDataSkip = [this](TVyrPage*) { ReportPageAfterDataSkip(); };
    FBuilder->Finish();
}

void TPimOverview::BuildPageHead() {
    TVyrInnerReport& B = *FBuilder;
    const int Y = B.AddPageHead(QStringLiteral("Report Overview Documentation"), true, true);
    TVyrBand* Head = B.Page()->PageHead();
    FPageNumber = B.PageNumber();
    B.AddText(Head, QStringLiteral("Report Description"), 0, Y, 130, fsBold);
    B.AddValue(Head, Var(QStringLiteral("ReportDesc")), 130, Y, 290);
    B.AddText(Head, QStringLiteral("Form"), 440, Y, 40, fsBold);
    B.AddValue(Head, Var(QStringLiteral("ReportOwner")), 480, Y, 240);
}

void TPimOverview::BuildSetup() {
    TVyrInnerReport& B = *FBuilder;
    TVyrBand* Setup = B.AddSubBand(QStringLiteral("Setup"), B.Page()->PageHead(), false, 0, 196);
    Setup->OnPrintWhen = [this](TVyrBand*, bool& Result) { Result = OnFirstPage(); };
    auto Caption = [&](const char* Text, int Left, int Top, int Width) {
        B.AddText(Setup, QLatin1String(Text), Left, Top, Width, fsBold);
    };
    auto Value = [&](const char* Name, int Left, int Top, int Width) {
        return B.AddValue(Setup, Var(QLatin1String(Name)), Left, Top, Width);
    };
    auto Number = [&](const char* Name, int Left, int Top, int Width) {
        Value(Name, Left, Top, Width)->DataFormat()->SetDisplayFormat(QStringLiteral("0.00"));
    };
    auto Check = [&](const char* Name, const char* Text, int Left, int Top, int Width) {
        B.AddCheck(Setup, Var(QLatin1String(Name)), Left, Top + 2);
        B.AddText(Setup, QLatin1String(Text), Left + 16, Top, Width);
    };

    TVyrTextLabel* Title =
        B.AddText(Setup, QStringLiteral("Page Setup Information"), 0, 6, 300, fsBold | fsItalic);
    Title->Font()->SetSize(12);
    Title->SetHeight(20);
    int Y = 30;
    Caption("Margins", 0, Y, 70);
    Caption("Top", 80, Y, 30);
    Number("MarginTop", 112, Y, 48);
    Caption("Bottom", 170, Y, 50);
    Number("MarginBottom", 222, Y, 48);
    Caption("Left", 280, Y, 30);
    Number("MarginLeft", 312, Y, 48);
    Caption("Right", 370, Y, 40);
    Number("MarginRight", 412, Y, 48);
    Y += 18;
    Caption("Size", 0, Y, 40);
    Value("PaperSize", 42, Y, 150);
    Number("PaperHeight", 200, Y, 40);
    B.AddText(Setup, QStringLiteral("X"), 244, Y, 12);
    Number("PaperWidth", 258, Y, 40);
    Caption("Orientation", 310, Y, 80);
    Value("PrintOrientation", 392, Y, 110);
    Caption("Copies", 520, Y, 50);
    Value("PrintCopies", 572, Y, 60);
    Y += 18;
    Caption("Source", 0, Y, 50);
    Value("PaperSource", 52, Y, 140);
    Caption("Destination", 200, Y, 80);
    Value("PrintDest", 282, Y, 110);
    Caption("Range", 400, Y, 46);
    Value("PrintRangeStart", 448, Y, 40);
    Caption("To", 490, Y, 22);
    Value("PrintRangeEnd", 514, Y, 40);
    Y += 18;
    Caption("FormName", 0, Y, 74);
    Value("PrintFormName", 76, Y, 150);
    Caption("Duplex", 230, Y, 50);
    Value("PrintDuplex", 282, Y, 130);
    Caption("Units", 420, Y, 40);
    Value("PrintUnits", 462, Y, 120);
    Y += 18;
    Caption("TrueTypeOptions", 0, Y, 114);
    Value("PrintTTOption", 116, Y, 150);
    Y += 18;
    Check("PrintCollated", "CollatedCopies", 0, Y, 110);
    Check("PrintAdjMargins", "AdjustMargins", 130, Y, 110);
    Check("PrintColor", "Color", 260, Y, 60);
    Check("PrintDirect", "DirectPrint", 340, Y, 90);
    Check("PrintTextComp", "TextDriverCompatibility", 450, Y, 170);
    Y += 22;
    Caption("PreviewSettings", 0, Y, 120);
    Caption("FormStyle", 130, Y, 70);
    Value("PreviewFormStyle", 202, Y, 100);
    Caption("ModalPreview", 320, Y, 96);
    Value("PreviewModal", 418, Y, 100);
    Y += 18;
    Caption("PreviewOwner", 130, Y, 96);
    Value("PreviewOwner", 228, Y, 100);
    Caption("WindowState", 340, Y, 90);
    Value("PreviewState", 432, Y, 100);
    Caption("Zoom", 540, Y, 40);
    Value("PreviewZoom", 582, Y, 80);
    Y += 18;
    Caption("DataSource", 0, Y, 80);
    Value("DetailDataSource", 82, Y, 300);
}

void TPimOverview::BuildBandList() {
    TVyrInnerReport& B = *FBuilder;
    TVyrBand* Setup = static_cast<TVyrBand*>(FindComponent(QStringLiteral("Setup")));
    FBandList = B.AddDataBand(QStringLiteral("Band List"), Setup, 0, 20);
    TVyrBand* Header = B.AddDataHead(QStringLiteral("BandListHeader"), FBandList, 28);
    TVyrBand* Footer = B.AddDataFoot(QStringLiteral("BandListFooter"), FBandList, 12);
    for (TVyrBand* Band : {static_cast<TVyrBand*>(FBandList), Header, Footer})
        Band->OnPrintWhen = [this](TVyrBand*, bool& Result) { Result = OnFirstPage(); };
    TVyrTextLabel* Caption = B.AddText(Header, QStringLiteral("Band Tree"), 0, 6, 200, fsBold | fsItalic);
    Caption->Font()->SetSize(12);
    Caption->SetHeight(20);
    TVyrCustomLabel* Tree =
        B.AddCustom(FBandList, 0, 0, TVyrInnerReport::BodyWidth, 20, QStringLiteral("BandTree"));
    Tree->OnDraw = [this](TVyrLabel*, TPimCanvas* C, const TRect& R) { DrawBandTree(C, R); };
    FBandList->OnDataStart = [this](TComponent*) { BandListDataStart(); };
    FBandList->OnDataSkip = [this](TComponent*) { BandListDataSkip(); };
}

void TPimOverview::BuildDetail() {
    TVyrInnerReport& B = *FBuilder;
    TVyrGrouppage* Page = B.Page();
    TVyrBand* Detail = Page->Detail();
    Detail->SetHeight(62);
    Detail->SetNewPageRepeat(true);
    B.AddText(Detail, QStringLiteral("Band Name"), 0, 4, 78, fsBold);
    B.AddValue(Detail, Var(QStringLiteral("BandName")), 80, 4, 170, fsBold);
    TVyrTextLabel* Continued = B.AddText(Detail, QStringLiteral("(Continued)"), 250, 4, 90, fsItalic);
    Continued->LabelPrintWhen = [](TVyrLabel* L, bool& Result) {
        Result = L->Band() && L->Band()->Continued();
    };
    B.AddText(Detail, QStringLiteral("Height"), 350, 4, 46, fsBold);
    B.AddValue(Detail, Var(QStringLiteral("BandHeight")), 398, 4, 40);
    B.AddText(Detail, QStringLiteral("Color"), 450, 4, 40, fsBold);
    B.AddValue(Detail, Var(QStringLiteral("BandColor")), 492, 4, 110);
    B.AddText(Detail, QStringLiteral("BorderType"), 0, 22, 78, fsBold);
    B.AddValue(Detail, Var(QStringLiteral("BandBorder")), 80, 22, 90);
    int X = 180;
    for (auto [Name, Text] : {std::pair{"BandVisible", "Visible"}, std::pair{"BandRepeat", "Repeat"},
                              std::pair{"BandStretch", "Stretch"}, std::pair{"BandNewPage", "New Page"}}) {
        B.AddCheck(Detail, Var(QLatin1String(Name)), X, 24);
        B.AddText(Detail, QLatin1String(Text), X + 16, 22, 60);
        X += 80;
    }
    auto SubDataOnly = [this](TVyrLabel*, bool& Result) {
        Result = dynamic_cast<TVyrSubDataBand*>(Band) != nullptr;
    };
    B.AddText(Detail, QStringLiteral("DataSouce"), 510, 22, 76, fsBold)->LabelPrintWhen = SubDataOnly;
    B.AddValue(Detail, Var(QStringLiteral("SubDataSource")), 588, 22, 132)->LabelPrintWhen = SubDataOnly;

    // The columns of the label rows, under their headings.
    struct TColumn {
        const char* Heading;
        const char* Var;
        int Left;
        int Width;
    };
    static constexpr TColumn Columns[] = {
        {"Name", "LabelName", 60, 100},     {"Top", "LabelTop", 160, 32},
        {"Left", "LabelLeft", 192, 32},     {"Height", "LabelHeight", 224, 38},
        {"Width", "LabelWidth", 262, 36},   {"Color", "LabelColor", 298, 80},
        {"Font", "LabelFont", 378, 72},     {"Border", "LabelBorder", 450, 70},
        {"Format", "LabelFormat", 520, 80}, {"Type", "LabelType", 600, 120},
    };
    B.AddText(Detail, QStringLiteral("Labels"), 0, 43, 58, fsBold | fsItalic);
    for (const TColumn& C : Columns)
        B.AddText(Detail, QLatin1String(C.Heading), C.Left, 43, C.Width, fsBold)->Font()->SetSize(8);

    auto* Groups = B.AddSubBand(QStringLiteral("Groups"), Detail, true, 0, 24);
    FGroups = Groups;
    Groups->OnPrintWhen = [this](TVyrBand*, bool& Result) { Result = ReportGroup != nullptr; };
    // The group's line goes to the next page with its band's row rather than stay behind alone.
    Groups->ReserveSpace()->SetBand(Detail);
    B.AddText(Groups, QStringLiteral("Group Name"), 0, 4, 80, fsBold);
    B.AddValue(Groups, Var(QStringLiteral("GroupName")), 82, 4, 200);
    B.AddText(Groups, QStringLiteral("Grouped On"), 300, 4, 80, fsBold);
    B.AddValue(Groups, Var(QStringLiteral("GroupVarName")), 382, 4, 200);

    FLabels = B.AddDataBand(QStringLiteral("Labels"), Detail, 0, 34);
    FLabels->SetBorderType(btSingle);
    FLabels->SetKeepTogether(true);
    FLabels->SetColor(clWhite);
    FLabels->Font()->SetSize(8);
    for (const TColumn& C : Columns)
        B.AddValue(FLabels, Var(QLatin1String(C.Var)), C.Left, 2, C.Width)->SetHeight(14);
    for (auto [Name, Left, Width] :
         {std::tuple{"PropertyList", 60, 160}, std::tuple{"ValueList", 224, 496}}) {
        TVyrvarlabel* L = B.AddValue(FLabels, Var(QLatin1String(Name)), Left, 17, Width);
        L->SetHeight(14);
        TVyrInnerReport::Wrap(L);
    }
    B.AddDataFoot(QStringLiteral("LabelsFooter"), FLabels, 4);
    // Rows alternate between white and silver, starting white under each band.
    FLabels->OnAfterPrint = [](TVyrBand* Band) {
        Band->SetColor(Band->Color() == clWhite ? clSilver : clWhite);
    };
    Detail->OnAfterPrint = [this](TVyrBand*) { FLabels->SetColor(clWhite); };
    FLabels->OnDataStart = [this](TComponent*) { LabelsDataStart(); };
    FLabels->OnDataSkip = [this](TComponent*) { LabelsDataSkip(); };
    FLabels->OnAfterDataSkip = [this](TVyrSubDataBand*) { LabelsAfterDataSkip(); };

    auto* Counts = B.AddSubBand(QStringLiteral("DetailBandSub1"), Detail, false, 0, 22);
    FCounts = Counts;
    B.AddText(Counts, QStringLiteral("Label Count"), 0, 3, 80, fsBold);
    auto* TotalLabels = new TVyrTotalvar(this);
    TotalLabels->SetName(QStringLiteral("TotalLabels"));
    TotalLabels->SetParent(Page);
    TotalLabels->SetVariable(Var(QStringLiteral("LabelName")));
    TotalLabels->SetUpdateLevel(FLabels->UpdateLevel());
    auto* LabelTotal = new TVyrTotalvarLabel(this);
    LabelTotal->SetName(QStringLiteral("LabelCountLabel"));
    LabelTotal->SetParent(Counts);
    LabelTotal->SetBounds(82, 3, 60, TVyrInnerReport::RowHeight);
    LabelTotal->SetTotalVariable(TotalLabels);
    LabelTotal->SetTotalType(ttCount);
    LabelTotal->DataFormat()->SetDisplayFormat(QStringLiteral("0"));
    B.AddSubBand(QStringLiteral("DetailBandSub"), Detail, false, 1, 10);

    TVyrBand* Foot = Page->Foot();
    Foot->SetHeight(28);
    B.AddRule(Foot, 2);
    B.AddText(Foot, QStringLiteral("Band Count"), 0, 8, 80, fsBold);
    auto* TotalBands = new TVyrTotalvar(this);
    TotalBands->SetName(QStringLiteral("TotalBands"));
    TotalBands->SetParent(Page);
    TotalBands->SetVariable(Var(QStringLiteral("BandName")));
    TotalBands->SetUpdateLevel(Detail->UpdateLevel());
    auto* BandTotal = new TVyrTotalvarLabel(this);
    BandTotal->SetName(QStringLiteral("BandCountLabel"));
    BandTotal->SetParent(Foot);
    BandTotal->SetBounds(82, 8, 60, TVyrInnerReport::RowHeight);
    BandTotal->SetTotalVariable(TotalBands);
    BandTotal->SetTotalType(ttCount);
    BandTotal->DataFormat()->SetDisplayFormat(QStringLiteral("0"));
    Page->PageFoot()->SetHeight(8);
}

// The page's loop over the bands

void TPimOverview::ReportPageDataStart() {
    TVyrGrouppage* Page = FBuilder->Page();
    BandSpot = 0;
    BandCount = GP && GP->Bands() ? int(GP->Bands()->size()) : 0;
    TakeBand(0);
    // A page without bands has no row to start on.
    Page->SetDataIsFinished(!Band);
    Var(QStringLiteral("ReportDesc"))->SetAsString(GP ? GP->Description() : QString());
    Var(QStringLiteral("ReportOwner"))->SetAsString(GP && GP->Owner() ? GP->Owner()->Name() : QString());
    SetSetupVars();
    TDataSource* Source = GP ? GP->DataSource() : nullptr;
    Var(QStringLiteral("DetailDataSource"))->SetAsString(Source ? Source->Name() : QStringLiteral("Empty"));
}

void TPimOverview::ReportPageDataSkip() {
    ++BandSpot;
    if (BandSpot >= BandCount) {
        FBuilder->Page()->SetDataIsFinished(true);
        return;
    }
    TakeBand(BandSpot);
}

void TPimOverview::TakeBand(int Index) {
    Band = BandAt(Index);
    ReportGroup = nullptr;
    if (Band && GP->Groups())
        for (TVyrGroup* G : *GP->Groups())
            if (G->Header() == Band) {
                ReportGroup = G;
                break;
            }
}

void TPimOverview::ReportPageAfterDataSkip() {
    SetBandVars();
    KeepHeadingWithFirstRow();
}

void TPimOverview::KeepHeadingWithFirstRow() {
    const int Following = FollowingHeight();
    FBuilder->Page()->Detail()->ReserveSpace()->SetSpace(Following);
    FGroups->ReserveSpace()->SetSpace(Following);
}

int TPimOverview::FollowingHeight() {
    const std::vector<TVyrLabel*>* Labels = Band ? Band->Labels() : nullptr;
    if (!Labels || Labels->empty()) return FCounts->Height();
    // The row's property lists wrap and stretch, so the row is measured with the first label's values
    // the way the labels band measures it before printing; printing starts its labels afresh.
    BandLabel = Labels->front();
    SetLabelVars();
    TVyrPage* Page = FBuilder->Page();
    const int Space = Page->getpageheight();
    int Height = FLabels->Height();
    for (TVyrLabel* L : *FLabels->Labels()) {
        L->StartPrint();
        Height = std::max(Height, L->SpendHeight(Page, Space));
    }
    return Height;
}

void TPimOverview::SetSetupVars() {
    const TVyrPageSetup* S = GP ? GP->PageSetup() : nullptr;
    if (!S) return;
    auto Text = [this](const char* Name, const QString& Value) {
        Var(QLatin1String(Name))->SetAsString(Value);
    };
    auto Float = [this](const char* Name, double Value) { Var(QLatin1String(Name))->SetAsFloat(Value); };
    auto Int = [this](const char* Name, int Value) { Var(QLatin1String(Name))->SetAsInteger(Value); };
    auto Bool = [this](const char* Name, bool Value) { Var(QLatin1String(Name))->SetAsBoolean(Value); };
    Float("MarginLeft", S->LeftMargin());
    Float("MarginRight", S->RightMargin());
    Float("MarginTop", S->TopMargin());
    Float("MarginBottom", S->BottomMargin());
    Float("PaperHeight", S->Height());
    Float("PaperWidth", S->Width());
    Text("PaperSource", EnumName(S, "Source"));
    Text("PaperSize", EnumName(S, "Size"));
    Text("PrintDest", EnumName(S, "Destination"));
    Text("PrintDuplex", EnumName(S, "Duplex"));
    Text("PrintQuality", EnumName(S, "PrintQuality"));
    Text("PrintUnits", EnumName(S, "Units"));
    Text("PrintTTOption", EnumName(S, "TrueTypeOption"));
    Text("PrintOrientation", EnumName(S, "Orientation"));
    Int("PrintCopies", S->Copies());
    Int("PrintRangeStart", S->RangeStart());
    Int("PrintRangeEnd", S->RangeEnd());
    Bool("PrintTextComp", S->TextDriverCompatibility());
    Bool("PrintAdjMargins", S->AdjustMargin());
    Bool("PrintCollated", S->CollatedCopies());
    Bool("PrintColor", S->Color());
    Bool("PrintDirect", S->DirectPrinter());
    Text("PrintFormName", S->FormName());
    const TVyrPreviewSettings* P = S->PreviewSettings();
    Text("PreviewFormStyle", EnumName(P, "FormStyle"));
    Text("PreviewModal", EnumName(P, "ModalPreview"));
    Text("PreviewOwner", EnumName(P, "PreviewOwner"));
    Text("PreviewState", EnumName(P, "WindowState"));
    Text("PreviewZoom", EnumName(P, "Zoom"));
}

void TPimOverview::SetBandVars() {
    if (!Band) return;
    if (auto* Sub = dynamic_cast<TVyrSubDataBand*>(Band))
        Var(QStringLiteral("SubDataSource"))->SetAsString(NameOr(Sub->DataSource(), QStringLiteral("Empty")));
    Var(QStringLiteral("BandName"))->SetAsString(Band->Name());
    Var(QStringLiteral("BandStretch"))->SetAsBoolean(Band->Stretch());
    Var(QStringLiteral("BandNewPage"))->SetAsBoolean(Band->NewPage());
    Var(QStringLiteral("BandRepeat"))->SetAsBoolean(Band->NewPageRepeat());
    Var(QStringLiteral("BandVisible"))->SetAsBoolean(Band->Visible());
    Var(QStringLiteral("BandHeight"))->SetAsInteger(Band->Height());
    Var(QStringLiteral("BandBorder"))->SetAsString(EnumName(Band, "BorderType"));
    Var(QStringLiteral("BandColor"))->SetAsString(ColorToString(Band->Color()));
    Var(QStringLiteral("GroupName"))->SetAsString(ReportGroup ? ReportGroup->Name() : QString());
    Var(QStringLiteral("GroupVarName"))
        ->SetAsString(
            NameOr(ReportGroup ? ReportGroup->Variable() : nullptr, QStringLiteral("Not assigned")));
}

// The loop over the current band's labels

void TPimOverview::LabelsDataStart() {
    LabelSpot = 0;
    LabelCount = Band && Band->Labels() ? int(Band->Labels()->size()) : 0;
    FLabels->SetDataIsFinished(LabelCount == 0);
    BandLabel = LabelCount > 0 ? (*Band->Labels())[0] : nullptr;
}

void TPimOverview::LabelsDataSkip() {
    ++LabelSpot;
    if (LabelSpot >= LabelCount) {
        FLabels->SetDataIsFinished(true);
        return;
    }
    BandLabel = (*Band->Labels())[size_t(LabelSpot)];
}

void TPimOverview::LabelsAfterDataSkip() {
    SetLabelVars();
}

void TPimOverview::SetLabelVars() {
    TVyrLabel* L = BandLabel;
    if (!L) return;
    Var(QStringLiteral("LabelTop"))->SetAsInteger(L->Top());
    Var(QStringLiteral("LabelLeft"))->SetAsInteger(L->Left());
    Var(QStringLiteral("LabelHeight"))->SetAsInteger(L->Height());
    Var(QStringLiteral("LabelWidth"))->SetAsInteger(L->Width());
    Var(QStringLiteral("LabelName"))->SetAsString(L->Name());
    Var(QStringLiteral("LabelColor"))->SetAsString(ColorToString(L->Color()));
    Var(QStringLiteral("LabelType"))->SetAsString(L->ClassName());
    QString Font, Border, Format;

    TPropertyRows Rows;
    auto VariableRow = [&Rows](const TVyrVar* V) {
        Rows.Add(QStringLiteral("Variable"), NameOr(V, QStringLiteral("Not assigned")));
    };
    if (dynamic_cast<TVyrShape*>(L)) Rows.Add(QStringLiteral("ShapeType"), EnumName(L, "ShapeType"));
    if (dynamic_cast<TVyrLine*>(L)) Rows.Add(QStringLiteral("LineType"), EnumName(L, "LineType"));
    if (auto* Bar = dynamic_cast<TVyrBarCodeLabel*>(L)) {
        Rows.Add(QStringLiteral("BarCodeType"), EnumName(L, "BarCodeType"));
        VariableRow(Bar->Variable());
    }
    if (auto* Image = dynamic_cast<TVyrImageLabel*>(L)) VariableRow(Image->Variable());
    if (auto* Check = dynamic_cast<TVyrCheckLabel*>(L)) {
        Rows.Add(QStringLiteral("CheckStyle"), EnumName(L, "CheckStyle"));
        VariableRow(Check->Variable());
    }
    auto* Text = dynamic_cast<TVyrTVLabel*>(L);
    if (Text) AddTextProperties(Rows, Text);
    if (auto* Value = dynamic_cast<TVyrvarlabel*>(L)) {
        if (Value->Variable()) Rows.Add(QStringLiteral("Variable"), Value->Variable()->Name());
        Format = FormatText(Value->DataFormat());
    }
    auto* Total = dynamic_cast<TVyrTotalvarLabel*>(L);
    if (Total) {
        Rows.Add(QStringLiteral("Level"),
                 Total->AutoLevel() ? QStringLiteral("AutoLevel") : NameOr(Total->Level(), QString()));
        Rows.Add(QStringLiteral("Total Variable"),
                 NameOr(Total->TotalVariable(), QStringLiteral("Undefined")));
        Rows.Add(QStringLiteral("TotalType"), EnumName(L, "TotalType"));
        Format = FormatText(Total->DataFormat());
    }
    // Only labels that print text have a font and a border of their own to show.
    if (Text || Total) {
        Font = L->Font()->Name();
        Border = EnumName(L, "BorderType");
    }
    Var(QStringLiteral("LabelFont"))->SetAsString(Font);
    Var(QStringLiteral("LabelBorder"))->SetAsString(Border);
    Var(QStringLiteral("LabelFormat"))->SetAsString(Format);
    Var(QStringLiteral("PropertyList"))->SetAsString(Rows.Names);
    Var(QStringLiteral("ValueList"))->SetAsString(Rows.Values);
}

// The band tree

void TPimOverview::BandListDataStart() {
    Spot = 0;
    // With no band there is no row to draw.
    FBandList->SetDataIsFinished(!BandAt(0));
}

void TPimOverview::BandListDataSkip() {
    ++Spot;
    if (!BandAt(Spot)) FBandList->SetDataIsFinished(true);
}

void TPimOverview::DrawBandTree(TPimCanvas* PimCanvas, const TRect& Rect) {
    TVyrBand* Row = BandAt(Spot);
    if (!PimCanvas || !Row) return;
    TFont Font;
    Font.SetName(QStringLiteral("Arial"));
    Font.SetSize(12);
    Font.SetStyle(fsBold | fsItalic);
    PimCanvas->SetFont(Font);
    PimCanvas->SetTextAlign(TA_LEFT | TA_TOP);
    PimCanvas->Brush().SetStyle(bsClear);
    TVyrBandTree Tree(GP, *GP->Bands());
    TVyrPimCanvasOutline Outline(*PimCanvas);
    TVyrOutlineOptions Options;
    Options.ItemHeight = 0;
    Options.GuideStop = 2;
    Options.DataSourceColumn = false;
    TVyrBandPainter(Tree, Outline, Options).PaintBandRow(Row, Rect, false);
}
