#include "design/Pimdiag.h"
#include "design/Innerrep.h"
#include "design/Pageman.h"
#include "host/db.h"
#include "host/properties.h"
#include "host/streams.h"
#include "report/PimDS.h"
#include "report/PimPage.h"
#include "report/VyrCtrl.h"
#include "report/VyrRep.h"
#include "report/VyrText.h"
#include "report/VyrVar.h"

namespace {

constexpr TColor SevereColor = 0xC0C0FF;   // pale red
constexpr TColor PossibleColor = 0xC0FFFF; // pale yellow
constexpr TColor HintColor = 0xC0DCC0;     // pale green

const QString NilDataSourceEnd =
    QStringLiteral("DataSource and one or both of the OnDataStart and OnDataSkip events are not filled in.");

// The findings of one label, collected as a memo value holds text.
class TFindings {
public:
    void Add(const QString& Text) {
        if (Text.isEmpty()) return;
        if (FBytes.isEmpty()) FBytes.append("\xFF\xFE", 2);
        FBytes.append(reinterpret_cast<const char*>(Text.utf16()), Text.size() * 2);
    }
    const QByteArray& Bytes() const { return FBytes; }

private:
    QByteArray FBytes;
};

TVyrBand* BandOf(const TVyrLabel* L) {
    return L->Band();
}

// The variable a label shows, for the kinds that show one.
TVyrVar* ShownVariable(const TVyrLabel* L) {
    if (auto* V = dynamic_cast<const TVyrvarlabel*>(L)) return V->Variable();
    if (auto* R = dynamic_cast<const TVyrVarRefLabel*>(L)) return R->Variable();
    return nullptr;
}

bool ShowsVariable(const TVyrLabel* L) {
    return dynamic_cast<const TVyrvarlabel*>(L) || dynamic_cast<const TVyrCheckLabel*>(L) ||
           dynamic_cast<const TVyrBarCodeLabel*>(L) || dynamic_cast<const TVyrImageLabel*>(L);
}

QString VarLabelFinding(const TVyrvarlabel* L) {
    const QString& N = L->Name();
    const bool V = L->Variable() != nullptr;
    const bool C = !L->Caption().isEmpty();
    const bool K = L->Lines() && L->Lines()->Count() > 0;
    if (!V && !C && !K)
        return N + QStringLiteral(" has no variable, its lines property is nil, and its") +
               QStringLiteral(" caption is blank. ");
    if (!V && C && K)
        return N + QStringLiteral(" has its caption and its Lines property set. The") +
               QStringLiteral(" Lines property will not be displayed.");
    if (V && !C && K)
        return N + QStringLiteral(" has its lines property and its variable set.") +
               QStringLiteral(" The caption property will not be displayed. ");
    if (V && C && !K)
        return N + QStringLiteral(" has its variable and its caption set.") +
               QStringLiteral(" The caption property will not be displayed. ");
    if (V && C && K)
        return N + QStringLiteral(" has its variable, its caption, and its Lines properties set.") +
               QStringLiteral(" The caption and Lines properties will not be displayed. ");
    return QString();
}

void SetMemo(TVyrExprVar* Var, const QByteArray& Bytes) {
    TMemoryStream Stream;
    Stream.WriteBuffer(Bytes.constData(), Bytes.size());
    Stream.SetPosition(0);
    Var->SetAsStream(&Stream);
}

} // namespace

TPimDiagForm::TPimDiagForm(TComponent* AOwner) : TVyrPageReportForm(AOwner) {
    BuildReport();
}

TPimDiagForm::~TPimDiagForm() = default;

void TPimDiagForm::RunFor(TVyrGrouppage* Page, IDesigner* Designer) {
    PageDesigner = Designer;
    DiagProc(Page ? dynamic_cast<TVyrReport*>(Page->Parent()) : nullptr, Page);
}

TVyrReport* TPimDiagForm::VyrReport1() const {
    return FBuilder->Report();
}

void TPimDiagForm::DiagProc(TVyrReport* AReport, TVyrGrouppage* Page) {
    Report = AReport;
    RPage = Page;
    if (!RPage && Report && Report->Pages() && !Report->Pages()->empty())
        RPage = dynamic_cast<TVyrGrouppage*>(Report->Pages()->front());
    MiscError = false;
    FBuilder->Run();
}

TVyrDSGuide* TPimDiagForm::GetDSG(const TDataSource* Source) const {
    return RPage ? RPage->GuideOfDataSource(Source) : nullptr;
}

int TPimDiagForm::LabelCount() const {
    return RPage && RPage->Labels() ? int(RPage->Labels()->size()) : 0;
}

TVyrLabel* TPimDiagForm::LabelAt(int Row) const {
    if (Row < 0 || Row >= LabelCount()) return nullptr;
    return (*RPage->Labels())[size_t(Row)];
}

bool TPimDiagForm::EventFilled(TComponent* Instance, const QString& Event) const {
    if (PageDesigner) return !PimGetMethodValue(Instance, Event, PageDesigner).isEmpty();
    // Called from code there is no designer to name the handlers: a handler bound by name or set in
    // code fills the event in.
    if (!Instance->EventBinding(Event).isEmpty()) return true;
    void* Owner = nullptr;
    const TPropInfo* Info = FindPropPath(Instance, Event, &Owner);
    return Info && Info->Assigned && Info->Assigned(Owner);
}

// Building the report

TVyrSubDataBand* TPimDiagForm::AddSection(const QString& BandName, const QString& Title, TColor Color,
                                          int Order, const QString& LoopName, TVyrExprVar* Row) {
    TVyrInnerReport& B = *FBuilder;
    TVyrSubBand* Section = B.AddSubBand(BandName, B.Page()->Foot(), false, Order, 30);
    TVyrTextLabel* Heading = B.AddText(Section, Title, 0, 6, TVyrInnerReport::BodyWidth, fsBold | fsItalic);
    Heading->Font()->SetSize(12);
    Heading->SetHeight(20);
    TVyrInnerReport::Strip(Heading, Color);
    TVyrSubDataBand* Loop = B.AddDataBand(LoopName, Section, 0, 22);
    TVyrInnerReport::Wrap(B.AddValue(Loop, Row, 16, 2, TVyrInnerReport::BodyWidth - 16));
    return Loop;
}

void TPimDiagForm::BuildReport() {
    FBuilder = std::make_unique<TVyrInnerReport>(this);
    TVyrInnerReport& B = *FBuilder;
    TVyrGrouppage* Page = B.Page();
    FUpdateVar = B.AddVar(QStringLiteral("UpdateVar"), dtypeString);
    FBlankVar = B.AddVar(QStringLiteral("BlankVar"), dtypeString);
    FBlanklabVar = B.AddVar(QStringLiteral("BlanklabVar"), dtypeString);
    FMiscSumVar = B.AddVar(QStringLiteral("MiscSumVar"), dtypeString);
    FReportOwner = B.AddVar(QStringLiteral("ReportOwner"), dtypeString);
    FMiscVar = B.AddVar(QStringLiteral("MiscVar"), dtypeMemo);
    Fblanklabsum = B.AddVar(QStringLiteral("blanklabsum"), dtypeMemo);

    const int Y = B.AddPageHead(QStringLiteral("Diagnostic Report"), true, true);
    TVyrBand* Head = Page->PageHead();
    B.AddText(Head, QStringLiteral("Form:"), 0, Y, 44, fsBold);
    B.AddValue(Head, FReportOwner, 46, Y, 300);
    for (TVyrBand* Main : {Page->Head(), Page->Detail(), Page->PageFoot()})
        Main->SetVisible(false);
    Page->Foot()->SetHeight(4);

    // Severe problems: data loops without a source, then levels that do not match.
    FBlank = AddSection(QStringLiteral("subsevere"), QStringLiteral("Severe Problems"), SevereColor, 0,
                        QStringLiteral("Blank"), FBlankVar);
    TVyrBand* Severe = FBlank->Band();
    B.AddText(B.AddDataHead(QStringLiteral("BlankHeader"), FBlank, 22), QStringLiteral(" DataSource Errors"),
              0, 4, 300, fsBold);
    FUpdate = B.AddDataBand(QStringLiteral("Update"), Severe, 1, 22);
    TVyrInnerReport::Wrap(B.AddValue(FUpdate, FUpdateVar, 16, 2, TVyrInnerReport::BodyWidth - 16));
    B.AddText(B.AddDataHead(QStringLiteral("UpdateHeader"), FUpdate, 22),
              QStringLiteral(" UpdateLevel Errors"), 0, 4, 300, fsBold);
    TVyrTextLabel* Cause = B.AddText(
        B.AddDataFoot(QStringLiteral("UpdateFooter"), FUpdate, 26),
        QStringLiteral(
            "The above errors were caused by variables not having the same updatelevel as the bands on "
            "which they were used.  This may be intentional, but generally this indicates an error. "),
        0, 4, TVyrInnerReport::BodyWidth, fsItalic);
    TVyrInnerReport::Wrap(Cause);

    // Possible errors: labels that show nothing, or not what was set.
    FBlankLabels = AddSection(QStringLiteral("subpossible"), QStringLiteral("Possible Errors"), PossibleColor,
                              1, QStringLiteral("BlankLabels"), FBlanklabVar);
    TVyrBand* BlankHead = B.AddDataHead(QStringLiteral("BlankLabelsHeader"), FBlankLabels, 22);
    B.AddText(BlankHead, QStringLiteral(" Blank Label Errors"), 0, 4, 300, fsBold);
    TVyrBand* BlankFoot = B.AddDataFoot(QStringLiteral("BlankLabelsFooter"), FBlankLabels, 26);
    TVyrInnerReport::Wrap(B.AddValue(BlankFoot, Fblanklabsum, 0, 4, TVyrInnerReport::BodyWidth, fsItalic));

    // Suggestions: settings that spoil how a label looks.
    FMisc = AddSection(QStringLiteral("subwarnings"), QStringLiteral("Suggestions and Hints"), HintColor, 2,
                       QStringLiteral("Misc"), FMiscVar);
    TVyrBand* MiscHead = B.AddDataHead(QStringLiteral("MiscHeader"), FMisc, 22);
    B.AddText(MiscHead, QStringLiteral("  Misc Errors"), 0, 4, 300, fsBold);
    TVyrBand* MiscFoot = B.AddDataFoot(QStringLiteral("MiscFooter"), FMisc, 26);
    TVyrInnerReport::Wrap(B.AddValue(MiscFoot, FMiscSumVar, 0, 4, TVyrInnerReport::BodyWidth, fsItalic));

    Page->OnDataStart = [this, Page](TComponent*) {
        FReportOwner->SetAsString(RPage && RPage->Owner() ? RPage->Owner()->Name() : QString());
        Page->SetDataIsFinished(true);
    };

    // The update-level rows need labels; the page's own data-source row comes first, whether or not
    // the page has sub data bands.
    RowLoop(
        FUpdate, FUpdateVar, [this] { return !RPage || !RPage->Labels(); }, [this] { return LabelCount(); },
        [this](int Row) { return UpdateFinding(Row); });
    RowLoop(
        FBlank, FBlankVar, [this] { return !RPage; },
        [this] { return RPage && RPage->SubDataBands() ? int(RPage->SubDataBands()->size()) : 0; },
        [this](int Row) { return BlankFinding(Row); });

    LabelLoop(
        FBlankLabels, BlankHead, bl, BlankLabError, Fblanklabsum,
        QStringLiteral("There are no labels to check."),
        [this](int Row) {
            const QString Found = BlankLabelFinding(Row);
            if (Found.isEmpty()) return false;
            FBlanklabVar->SetAsString(Found);
            BlankLabError = true;
            return true;
        },
        [this] {
            if (!BlankLabError) {
                Fblanklabsum->SetAsString(
                    QStringLiteral("All VarLabels Have valid variables. No errors to report."));
                return;
            }
            TFindings Summary;
            Summary.Add(QStringLiteral("The above errors were caused by varlabels having both nil variables "
                                       "and nil Lines properties. The new VarLabels have both of these "
                                       "properties, and one of the two should not be nil."));
            Summary.Add(QStringLiteral("  The new VarLabels can be used to display their Lines property much "
                                       "like The old TextLabels used to, or they can also be set to display "
                                       "variables, just like VarLabels used to. Make sure that either the"));
            Summary.Add(
                QStringLiteral(" varlabels get valid variables, or they get a non-nil value for their "
                               "lines property before they print."));
            SetMemo(Fblanklabsum, Summary.Bytes());
        });
    LabelLoop(
        FMisc, MiscHead, m, MiscError, FMiscSumVar, QStringLiteral("There are no Labels to check."),
        [this](int Row) {
            const QByteArray Found = MiscFinding(Row);
            if (!Found.isEmpty()) {
                SetMemo(FMiscVar, Found);
                MiscError = true;
            }
            FMiscSumVar->SetAsString(MiscError ? QStringLiteral("The above errors effect the appearance of "
                                                                "your report, and should probably be fixed.")
                                               : QStringLiteral("No miscellaneous errors to report."));
            return !Found.isEmpty();
        },
        [] {});
    B.Finish();
}

void TPimDiagForm::RowLoop(TVyrSubDataBand* Band, TVyrExprVar* Var, std::function<bool()> Empty,
                           std::function<int()> Count, std::function<QString(int)> Finding) {
    Band->OnDataStart = [this, Band, Empty](TComponent*) {
        Spot = -1;
        Band->SetDataIsFinished(Empty());
    };
    Band->OnDataSkip = [this, Band, Count](TComponent*) {
        if (++Spot >= Count()) Band->SetDataIsFinished(true);
    };
    Band->OnDataFilter = [this, Var, Finding](TComponent*, bool& Result) {
        const QString Found = Finding(Spot);
        if (Found.isEmpty()) return;
        Var->SetAsString(Found);
        Result = true;
    };
}

void TPimDiagForm::LabelLoop(TVyrSubDataBand* Band, TVyrBand* Head, int& Row, const bool& Found,
                             TVyrExprVar* Summary, const QString& NoLabels, std::function<bool(int)> Check,
                             std::function<void()> Summarize) {
    Head->OnPrintWhen = [&Found](TVyrBand*, bool& Result) { Result = Found; };
    Band->OnPrintWhen = [this, &Row](TVyrBand*, bool& Result) { Result = Row < LabelCount(); };
    Band->OnDataStart = [this, &Row, Summary, NoLabels](TComponent*) {
        Row = 0;
        if (!RPage || !RPage->Labels()) Summary->SetAsString(NoLabels);
    };
    Band->OnDataSkip = [this, Band, &Row](TComponent*) {
        if (++Row > LabelCount()) Band->SetDataIsFinished(true);
    };
    Band->OnDataFilter = [this, &Row, Check, Summarize](TComponent*, bool& Result) {
        if (Row < LabelCount()) {
            Result = Check(Row);
            return;
        }
        Result = true;
        if (LabelCount() > 0) Summarize();
    };
}

// The checks

QString TPimDiagForm::UpdateFinding(int Row) {
    if (!RPage) return QString();
    if (Row < 0) {
        DSG = GetDSG(RPage->DataSource());
        if (DSG && RPage->Detail() && DSG->UpdateLevel() != RPage->Detail()->UpdateLevel())
            return QStringLiteral(
                "The DataSources updatelevel is different than the Detail bands updatelevel");
        return QString();
    }
    const TVyrLabel* L = LabelAt(Row);
    if (!L) return QString();
    const QString& N = L->Name();
    if (ShowsVariable(L)) {
        const TVyrVar* V = ShownVariable(L);
        const TVyrBand* B = BandOf(L);
        const TVyrLevel* Level = B ? B->UpdateLevel() : nullptr;
        if (V && Level && Level != V->UpdateLevel() && !Level->IsHeader() &&
            !dynamic_cast<const TVyrDateTimeVar*>(V) && !dynamic_cast<const TVyrPageVar*>(V))
            return N + QStringLiteral("'s variable, ") + V->Name() +
                   QStringLiteral(", has a different UpdateLevel than ") + N + QStringLiteral("'s parent, ") +
                   B->Name();
        return QString();
    }
    if (auto* TotalLabel = dynamic_cast<const TVyrTotalvarLabel*>(L)) {
        const TVyrTotalvar* T = TotalLabel->TotalVariable();
        const TVyrVar* S = T ? T->Variable() : nullptr;
        if (T && S && S->UpdateLevel() != T->UpdateLevel())
            return N + QStringLiteral("'s TotalVariable, ") + T->Name() +
                   QStringLiteral(", has a different UpdateLevel than ") + N +
                   QStringLiteral("'s TotalVariable 's variable's UpdateLevel. ") + N +
                   QStringLiteral("'s TotalVariable's variable is ") + S->Name();
    }
    return QString();
}

QString TPimDiagForm::NilDataSource(TComponent* Instance, TDataSource* Source, const QString& Kind) const {
    if (Source || (EventFilled(Instance, QStringLiteral("OnDataSkip")) &&
                   EventFilled(Instance, QStringLiteral("OnDataStart"))))
        return QString();
    return QStringLiteral("The %1, %2, has a nil ").arg(Kind, Instance->Name()) + NilDataSourceEnd;
}

QString TPimDiagForm::BlankFinding(int Row) const {
    if (!RPage) return QString();
    if (Row < 0) return NilDataSource(RPage, RPage->DataSource(), QStringLiteral("TVyrGroupPage"));
    if (!RPage->SubDataBands() || Row >= int(RPage->SubDataBands()->size())) return QString();
    auto* D = dynamic_cast<TVyrSubDataBand*>((*RPage->SubDataBands())[size_t(Row)]);
    return D ? NilDataSource(D, D->DataSource(), QStringLiteral("TVyrSubDataBand")) : QString();
}

QString TPimDiagForm::BlankLabelFinding(int Row) const {
    const TVyrLabel* L = LabelAt(Row);
    if (!L) return QString();
    const QString& N = L->Name();
    if (auto* V = dynamic_cast<const TVyrvarlabel*>(L)) return VarLabelFinding(V);
    if (auto* C = dynamic_cast<const TVyrCheckLabel*>(L))
        return C->Variable() ? QString()
                             : QStringLiteral("The TVyrCheckLabel ") + N + QStringLiteral(" has no variable");
    if (auto* Bar = dynamic_cast<const TVyrBarCodeLabel*>(L))
        return Bar->Variable()
                   ? QString()
                   : QStringLiteral("The TVyrBarCodeLabel ") + N + QStringLiteral(" has no variable");
    if (auto* Image = dynamic_cast<const TVyrImageLabel*>(L))
        return Image->Variable() || Image->Picture()
                   ? QString()
                   : QStringLiteral("The TVyrImageLabel ") + N +
                         QStringLiteral(" has no variable or picture filled in.");
    if (auto* Total = dynamic_cast<const TVyrTotalvarLabel*>(L))
        return Total->TotalVariable() ? QString() : N + QStringLiteral(" has no variable");
    return QString();
}

QByteArray TPimDiagForm::MiscFinding(int Row) const {
    TVyrLabel* L = LabelAt(Row);
    if (!L) return QByteArray();
    const QString& N = L->Name();
    const TVyrBand* B = BandOf(L);
    TFindings Found;
    if (L->Stretch() && B && !B->Stretch()) {
        Found.Add(QStringLiteral("The label ") + N + QStringLiteral(" has its Stretch property ") +
                  QStringLiteral(" set to True, but the Stretch property of its band is false.  "));
        Found.Add(QStringLiteral(" This may be intentional, but be sure that if ") + N +
                  QStringLiteral(" needs to stretch, that ") + B->Name() +
                  QStringLiteral(" is tall enough to allow") +
                  QStringLiteral(" it to grow as tall as it needs to be."));
    }
    if (L->WrapText() && !L->Stretch()) {
        Found.Add(
            QStringLiteral("The label ") + N + QStringLiteral(" has its Stretch property ") +
            QStringLiteral(" set to false, but its WrapText property is set to True. This means that "));
        Found.Add(
            N + QStringLiteral(" will wrap text to a new line if necessary, ") +
            QStringLiteral("but it will not grow in height in order to do so. You may have done this "));
        Found.Add(QStringLiteral("intentionally, but be careful to make sure that either") + N +
                  QStringLiteral("'s height is big enough to accomodate any possible caption "));
        Found.Add(QStringLiteral("it may get, or its Stretch property gets set to True."));
    }
    if (L->Stretch() && !L->WrapText()) {
        Found.Add(
            QStringLiteral("The label ") + N + QStringLiteral(" has its Stretch property") +
            QStringLiteral(" set to true, but its WrapText property is set to false. This means that "));
        Found.Add(
            N + QStringLiteral(" will grow in height if necessary, but it will not wrap text") +
            QStringLiteral(", so it probably won't have a chance to grow in height. This probably is not"));
        Found.Add(QStringLiteral(
            " the result you planned on. If you want the label to wrap text when necessary, set "
            "Stretch to true, and WrapText to true."));
    }
    const bool Coloured = dynamic_cast<const TVyrTVLabel*>(L) || dynamic_cast<const TVyrCheckLabel*>(L) ||
                          dynamic_cast<const TVyrBarCodeLabel*>(L);
    if (Coloured && ColorToRGB(L->Color()) != ColorToRGB(clWhite) && L->Transparent()) {
        Found.Add(QStringLiteral("You have changed the color of ") + N +
                  QStringLiteral(" from its default, but you have left its transparent property to True.  "));
        Found.Add(QStringLiteral("Transparent must be set to false in order to change the color of a label, "
                                 "otherwise the label will be the same color as whatever is underneath it."));
    }
    if (auto* V = dynamic_cast<const TVyrvarlabel*>(L);
        V && V->Variable() && V->Variable()->DataType() == dtypeMemo && !(L->WrapText() && L->Stretch())) {
        Found.Add(N + QStringLiteral("'s variable, ") + V->Variable()->Name());
        Found.Add(QStringLiteral(" is of type dTypeMemo, but ") + N +
                  QStringLiteral(" has its WrapText or Stretch property set to false."));
        Found.Add(
            QStringLiteral(" Both of these properties should probably be set to true. Otherwise, the label "
                           "will not wrap or move text down to the "));
        Found.Add(QStringLiteral(" next line when text goes beyond the end of the label."));
    }
    return Found.Bytes();
}
