#include "design/Innerrep.h"
#include "report/PSetup.h"
#include "report/PimPage.h"
#include "report/VyrCtrl.h"
#include "report/VyrRep.h"
#include "report/VyrText.h"
#include "report/VyrUtil.h"
#include "report/VyrVar.h"

namespace {

constexpr TColor LogoBlue = 0x8B0000; // dark blue
constexpr TColor LogoRed = 0x00008B;  // dark red

void UseReportFont(TVyrBand* Band) {
    Band->Font()->SetName(QStringLiteral("Arial"));
    Band->Font()->SetSize(10);
    Band->Font()->SetColor(clBlack);
    Band->Font()->SetStyle(0);
}

QString ComponentNameOf(const QString& BandName) {
    return VyrMakeValidIDent(QString(BandName).remove(QLatin1Char(' ')), false);
}

TVyrLevel* MakeLevel(TComponent* Form, TVyrPage* Page, TVyrBand* Band, bool IsHeader) {
    auto* Level = new TVyrLevel(Form);
    Level->SetParent(Page);
    VyrAutoSetComponentName(Level, Band->Name() + QStringLiteral("Level"), false);
    Level->SetIsHeader(IsHeader);
    Band->SetUpdateLevel(Level);
    return Level;
}

} // namespace

TVyrInnerReport::TVyrInnerReport(TComponent* Form) : FForm(Form) {
    FReport = new TVyrReport(Form);
    FReport->SetName(QStringLiteral("VyrReport1"));
    FReport->SetPrompt(false);
    FReport->SetPixelsPerInch(96);
    FPage = new TVyrGrouppage(Form);
    FPage->SetName(QStringLiteral("ReportPage"));
    FPage->SetParent(FReport);
    TVyrPageSetup* Setup = FPage->PageSetup();
    Setup->SetAdjustMargin(false);
    Setup->SetUnits(unitInches);
    Setup->SetSize(psLetter);
    Setup->SetOrientation(poPortrait);
    Setup->SetLeftMargin(0.5);
    Setup->SetTopMargin(0.5);
    Setup->SetRightMargin(0.5);
    Setup->SetBottomMargin(0.5);
    Setup->SetDestination(destScreen);
    FPage->AddMainBands();
    for (TVyrBand* Band :
         {FPage->Head(), FPage->PageHead(), FPage->Detail(), FPage->PageFoot(), FPage->Foot()})
        UseReportFont(Band);
}

template <class T> T* TVyrInnerReport::MakeBand(const QString& BandName, TVyrBand* Band, int Height) {
    auto* B = new T(FForm);
    B->SetParent(FPage);
    VyrAutoSetComponentName(B, ComponentNameOf(BandName), false);
    B->SetBandName(BandName);
    B->SetBand(Band);
    B->SetHeight(Height);
    UseReportFont(B);
    return B;
}

TVyrSubBand* TVyrInnerReport::AddSubBand(const QString& BandName, TVyrBand* Band, bool Above, int Order,
                                         int Height) {
    auto* B = MakeBand<TVyrSubBand>(BandName, Band, Height);
    B->SetAbove(Above);
    B->SetOrderDirect(Order);
    // A sub band updates with the band it belongs to.
    B->SetUpdateLevel(Band->UpdateLevel());
    return B;
}

TVyrSubDataBand* TVyrInnerReport::AddDataBand(const QString& BandName, TVyrBand* Band, int Order,
                                              int Height) {
    auto* B = MakeBand<TVyrSubDataBand>(BandName, Band, Height);
    B->SetOrderDirect(Order);
    MakeLevel(FForm, FPage, B, false);
    return B;
}

TVyrDataHeadBand* TVyrInnerReport::AddDataHead(const QString& BandName, TVyrSubDataBand* Band, int Height) {
    auto* B = MakeBand<TVyrDataHeadBand>(BandName, Band, Height);
    MakeLevel(FForm, FPage, B, true);
    return B;
}

TVyrDataFootBand* TVyrInnerReport::AddDataFoot(const QString& BandName, TVyrSubDataBand* Band, int Height) {
    auto* B = MakeBand<TVyrDataFootBand>(BandName, Band, Height);
    MakeLevel(FForm, FPage, B, false);
    return B;
}

TVyrExprVar* TVyrInnerReport::AddVar(const QString& Name, TVyrDataTypes Type) {
    auto* V = new TVyrExprVar(FForm);
    V->SetName(Name);
    V->SetDataType(Type);
    V->SetParent(FPage);
    return V;
}

template <class T>
T* TVyrInnerReport::MakeLabel(TVyrBand* Band, int Left, int Top, int Width, int Height, TFontStyles Style,
                              const QString& Name) {
    auto* L = new T(FForm);
    if (Name.isEmpty())
        VyrAutoSetComponentName(L, VyrStripFirst(L->ClassName()), true);
    else
        L->SetName(Name);
    L->SetParent(Band);
    L->SetBounds(Left, Top, Width, Height);
    if (Style) L->Font()->SetStyle(Style);
    return L;
}

TVyrTextLabel* TVyrInnerReport::AddText(TVyrBand* Band, const QString& Caption, int Left, int Top, int Width,
                                        TFontStyles Style, const QString& Name) {
    auto* L = MakeLabel<TVyrTextLabel>(Band, Left, Top, Width, RowHeight, Style, Name);
    L->SetCaption(Caption);
    return L;
}

TVyrvarlabel* TVyrInnerReport::AddValue(TVyrBand* Band, TVyrVar* Var, int Left, int Top, int Width,
                                        TFontStyles Style, const QString& Name) {
    auto* L = MakeLabel<TVyrvarlabel>(Band, Left, Top, Width, RowHeight, Style, Name);
    L->SetVariable(Var);
    return L;
}

TVyrCheckLabel* TVyrInnerReport::AddCheck(TVyrBand* Band, TVyrVar* Var, int Left, int Top) {
    auto* L = MakeLabel<TVyrCheckLabel>(Band, Left, Top, 12, 12, 0, QString());
    L->SetVariable(Var);
    // The box shows also when it is not checked.
    L->SetBorderType(btSingle);
    return L;
}

TVyrCustomLabel* TVyrInnerReport::AddCustom(TVyrBand* Band, int Left, int Top, int Width, int Height,
                                            const QString& Name) {
    return MakeLabel<TVyrCustomLabel>(Band, Left, Top, Width, Height, 0, Name);
}

void TVyrInnerReport::Wrap(TVyrTVLabel* Label) {
    Label->SetWrapText(true);
    Label->SetStretch(true);
    Label->SetVerticalAlign(laTop);
    if (TVyrBand* Band = Label->Band()) Band->SetStretch(true);
}

void TVyrInnerReport::Strip(TVyrTVLabel* Label, TColor Color) {
    Label->SetTransparent(false);
    Label->SetParentColor(false);
    Label->SetColor(Color);
}

int TVyrInnerReport::AddPageHead(const QString& Title, bool Logo, bool CaptionRow) {
    TVyrBand* Head = FPage->PageHead();
    const int CaptionTop = 38;
    Head->SetHeight(CaptionRow ? CaptionTop + RowHeight + 8 : CaptionTop + 8);
    auto* PageVar = new TVyrPageVar(FForm);
    PageVar->SetName(QStringLiteral("PageNumberVar"));
    PageVar->SetParent(FPage);
    PageVar->SetUpdateLevel(Head->UpdateLevel());
    FPageNumber = PageVar;
    auto* DateVar = new TVyrDateTimeVar(FForm);
    DateVar->SetName(QStringLiteral("RunDateVar"));
    DateVar->SetParent(FPage);

    if (Logo) {
        // The product's mark: its name set in two colours over its kind of work.
        TVyrTextLabel* Name = AddText(Head, QStringLiteral("Pim"), 0, 0, 52, fsBold | fsItalic);
        Name->Font()->SetSize(20);
        Name->Font()->SetColor(LogoBlue);
        Name->SetHeight(32);
        TVyrTextLabel* Kind = AddText(Head, QStringLiteral("Reporter"), 50, 12, 80, fsBold | fsItalic);
        Kind->Font()->SetSize(12);
        Kind->Font()->SetColor(LogoRed);
        Kind->SetHeight(20);
    }
    TVyrTextLabel* TitleLabel =
        AddText(Head, Title, 140, 2, 440, fsBold | fsItalic, QStringLiteral("TitleLabel"));
    TitleLabel->Font()->SetSize(14);
    TitleLabel->SetHeight(24);
    TitleLabel->SetHorizontalAlign(laCenter);

    AddText(Head, QStringLiteral("Page"), 600, 0, 40);
    TVyrvarlabel* Number = AddValue(Head, PageVar, 640, 0, 80);
    Number->SetHorizontalAlign(laRight);
    TVyrvarlabel* Date = AddValue(Head, DateVar, 540, 18, 180);
    Date->SetHorizontalAlign(laRight);
    Date->DataFormat()->SetDisplayFormat(QStringLiteral("yyyy-mm-dd hh:nn"));
    AddRule(Head, Head->Height() - 4);
    return CaptionTop;
}

void TVyrInnerReport::AddRule(TVyrBand* Band, int Top) {
    auto* Rule = new TVyrLine(FForm);
    VyrAutoSetComponentName(Rule, QStringLiteral("Rule"), false);
    Rule->SetParent(Band);
    Rule->SetBounds(0, Top, BodyWidth, 3);
    Rule->SetLineType(ltHorizontal);
    Rule->SetVerticalAlign(laTop);
    Rule->Pen()->SetWidth(1);
}

void TVyrInnerReport::Finish() {
    FPage->OrderBands();
}

void TVyrInnerReport::Run() {
    FReport->Run();
}
