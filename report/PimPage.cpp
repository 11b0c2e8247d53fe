#include "report/PimPage.h"
#include "host/forms.h"
#include "host/mathutil.h"
#include "host/properties.h"
#include "host/resstrings.h"
#include "output/PimOut.h"
#include "report/PimDS.h"
#include "report/PimPage_internal.h"
#include "report/VyrUtil.h"
#include "report/VyrVar.h"

#include <QDate>
#include <QVarLengthArray>
#include <unordered_set>

namespace {

std::function<void(TComponent*)>& DesignerModifiedHook() {
    static auto* Hook = new std::function<void(TComponent*)>();
    return *Hook;
}

} // namespace

using namespace PimPageInternal;

// TVyrBandHead

TVyrBandHead::TVyrBandHead(TComponent* AOwner) : TCustomPanel(AOwner) {}

TVyrBandHead::~TVyrBandHead() = default;

// TVyrPage

TVyrPage::TVyrPage(TComponent* AOwner)
    : TScrollBox(AOwner), FDataLink(std::make_unique<TDataLink>()), FFullDSList(std::make_unique<TList>()),
      FFullDSNames(std::make_unique<TStringList>()), FNoDsgList(std::make_unique<TStringList>()),
      FPageSetup(std::make_unique<TVyrPageSetup>()),
      FDataSourceManager(std::make_unique<TPimDataSourceManager>()), FPen(std::make_unique<TPen>()) {
    FPageSetup->SetPage(this);
    SetColor(clWhite);
    SetBounds(Left(), Top(), 9 * Screen()->PixelsPerInch(), 400);
    FStartDateTime = QDate(1899, 12, 30).daysTo(QDate::currentDate());
    if (Designing()) FBandHeads = std::make_unique<std::vector<TVyrBandHead*>>();
}

TVyrPage::~TVyrPage() {
    // A screen run's viewer outlives its page: it must not call back into a freed one.
    ReleaseViewer();
}

void TVyrPage::SetDesignerModifiedHook(std::function<void(TComponent*)> Hook) {
    DesignerModifiedHook() = std::move(Hook);
}

// Registries

void TVyrPage::InsertLabel(TVyrLabel* Label) {
    AppendToList(FLabels, Label);
}

void TVyrPage::RemoveLabel(TVyrLabel* Label) {
    RemoveFromList(FLabels, Label);
}

void TVyrPage::InsertVar(TVyrVar* Var) {
    LevelVarsChanged();
    AddToList(FVars, Var);
    if (auto* Total = dynamic_cast<TVyrTotalvar*>(Var)) AddToList(FTotalVars, Total);
}

void TVyrPage::RemoveVar(TVyrVar* Var) {
    LevelVarsChanged();
    RemoveFromList(FVars, Var);
    if (!FTotalVars) return;
    std::erase_if(*FTotalVars, [Var](TVyrTotalvar* Total) { return static_cast<TVyrVar*>(Total) == Var; });
    if (FTotalVars->empty()) FTotalVars.reset();
}

void TVyrPage::InsertLevel(TVyrLevel* Level) {
    LevelVarsChanged();
    TVyrLevel::LayoutChanged();
    AddToList(FLevels, Level);
}

void TVyrPage::RemoveLevel(TVyrLevel* Level) {
    LevelVarsChanged();
    TVyrLevel::LayoutChanged();
    RemoveFromList(FLevels, Level);
}

void TVyrPage::InsertGroup(TVyrGroup* Group) {
    AddToList(FGroups, Group);
}

void TVyrPage::RemoveGroup(TVyrGroup* Group) {
    RemoveFromList(FGroups, Group);
}

void TVyrPage::InsertSubBand(TVyrBand* Band) {
    AddToList(FSubBands, Band);
    Band->SetCaption(QStringLiteral(" "));
}

void TVyrPage::RemoveSubBand(TVyrBand* Band) {
    RemoveFromList(FSubBands, Band);
}

void TVyrPage::InsertOverLayBand(TVyrBand* Band) {
    AddToList(FOverLayBands, Band);
    Band->SetCaption(QStringLiteral(" "));
}

void TVyrPage::RemoveOverLayBand(TVyrBand* Band) {
    RemoveFromList(FOverLayBands, Band);
}

void TVyrPage::InsertSubDataBand(TVyrBand* Band) {
    AddToList(FSubDataBands, Band);
    Band->SetCaption(QStringLiteral(" "));
}

void TVyrPage::RemoveSubDataBand(TVyrBand* Band) {
    RemoveFromList(FSubDataBands, Band);
}

void TVyrPage::InsertDataHFBand(TVyrBand* Band) {
    AddToList(FDataHFBands, Band);
    Band->SetCaption(QStringLiteral(" "));
}

void TVyrPage::RemoveDataHFBand(TVyrBand* Band) {
    RemoveFromList(FDataHFBands, Band);
}

void TVyrPage::InsertDataSourceGuide(TVyrDSGuide* Guide) {
    AddToList(FDataSourceList, Guide);
}

void TVyrPage::RemoveDataSourceGuide(TVyrDSGuide* Guide) {
    RemoveFromList(FDataSourceList, Guide);
}

void TVyrPage::InsertBand(TVyrBand* Band) {
    if (FPageState & psInsertBand) return;
    TStateGuard Guard(FPageState, psInsertBand);
    const bool Listed = ListHas(FBands, Band);
    AddToList(FBands, Band);
    if (Designing() && !Listed) MakeBandHead(Band);
}

void TVyrPage::RemoveBand(TVyrBand* Band) {
    if (!FBands) return;
    auto It = std::find(FBands->begin(), FBands->end(), Band);
    if (It == FBands->end()) return;
    const auto Index = static_cast<int>(It - FBands->begin());
    RemoveFromList(FBands, Band);
    if (Designing() && !HasState(csDestroying)) FreeBandHead(Index);
}

void TVyrPage::ForgetBand(TVyrBand* Band) {
    RemoveBand(Band);
    RemoveSubBand(Band);
    RemoveOverLayBand(Band);
    RemoveSubDataBand(Band);
    RemoveDataHFBand(Band);
    // A freed main band must not stay behind as one: the page would then order and print it.
    for (TVyrBand** Field : {&FDetail, &FHead, &FFoot, &FPageHead, &FPageFoot})
        if (*Field == Band) *Field = nullptr;
}

void TVyrPage::TakeMainBand(TVyrBand*& Field, TVyrBand* Value) {
    // One band may fill two of the fields, so a band left behind keeps its link.
    Field = Value;
    if (Value) Value->FreeNotification(this);
}

void TVyrPage::SetDataSet(TDataSet* Value) {
    FDataSet = Value;
    if (Value) Value->FreeNotification(this);
}

TVyrBandHead* TVyrPage::HeadOf(const TVyrBand* Band) const {
    if (!FBands || !FBandHeads) return nullptr;
    auto It = std::find(FBands->begin(), FBands->end(), Band);
    if (It == FBands->end()) return nullptr;
    const auto Index = static_cast<size_t>(It - FBands->begin());
    return Index < FBandHeads->size() ? (*FBandHeads)[Index] : nullptr;
}

// Update-level wiring

class TVyrPage::TLevelWalk {
public:
    TLevelWalk(TVyrPage* Page, const TVyrLevel* Level) : FPage(Page), FVars(Page->VarsOf(Level)) {
        ++Page->FLevelWalks;
    }
    ~TLevelWalk() {
        if (--FPage->FLevelWalks == 0) FPage->FDroppedLevelVars.clear();
    }
    TLevelWalk(const TLevelWalk&) = delete;
    TLevelWalk& operator=(const TLevelWalk&) = delete;
    auto begin() const { return FVars.begin(); }
    auto end() const { return FVars.end(); }

private:
    TVyrPage* FPage;
    const std::vector<TVyrVar*>& FVars;
};

const std::vector<TVyrVar*>& TVyrPage::FindVarsOf(const TVyrLevel* Level) const {
    FVarsLevel = Level;
    for (const TLevelVars& Entry : FLevelVars)
        if (Entry.Level == Level) return *(FVarsOfLevel = Entry.Vars.get());
    auto Vars = std::make_unique<std::vector<TVyrVar*>>();
    if (FVars)
        for (TVyrVar* V : *FVars)
            if (V->UpdateLevel() == Level) Vars->push_back(V);
    FLevelVars.push_back({Level, std::move(Vars)});
    return *(FVarsOfLevel = FLevelVars.back().Vars.get());
}

void TVyrPage::LevelVarsChanged() {
    FVarsOfLevel = nullptr;
    if (FLevelWalks > 0)
        for (TLevelVars& Entry : FLevelVars)
            FDroppedLevelVars.push_back(std::move(Entry));
    FLevelVars.clear();
}

void TVyrPage::UpdateVars(TVyrLevel* Level) {
    for (TVyrVar* V : TLevelWalk(this, Level))
        V->UpdateLastValue();
}

void TVyrPage::StepLevel(TVyrLevel* Level, void (TVyrVar::*Step)()) {
    UpdateVars(Level);
    // Marking runs nothing of the variables', so the list it walks is the one the step walks.
    const TLevelWalk Vars(this, Level);
    for (TVyrVar* V : Vars)
        V->SetUpdateMode(umNeedUpdate);
    for (TVyrVar* V : Vars)
        (V->*Step)();
}

void TVyrPage::UpdateDataLevel(TVyrLevel* Level) {
    StepLevel(Level, &TVyrVar::UpdateData);
}

void TVyrPage::ResetDataLevel(TVyrLevel* Level) {
    StepLevel(Level, &TVyrVar::ResetData);
}

void TVyrPage::ReverseUpdateDataLevel(TVyrLevel* Level) {
    for (TVyrVar* V : TLevelWalk(this, Level))
        V->ReverseUpdate();
}

void TVyrPage::ResetTotalLevel(TVyrLevel* Level) {
    StepTotals(Level, &TVyrTotalvar::ResetLevel);
}

void TVyrPage::StepTotals(TVyrLevel* Level, void (TVyrTotalvar::*Step)(TVyrLevel*)) {
    if (!FTotalVars) return;
    // A copy, as a step may add or free totals; a page's few totals are copied without allocating.
    const QVarLengthArray<TVyrTotalvar*, 16> Totals(FTotalVars->begin(), FTotalVars->end());
    for (TVyrTotalvar* T : Totals)
        (T->*Step)(Level);
}

void TVyrPage::VarMarkUpdate(TVyrLevel* Level, TVyrUpdateMode Mode) {
    for (TVyrVar* V : TLevelWalk(this, Level))
        V->SetUpdateMode(Mode);
}

// Band order

// Builds the new band flow: each band is attached once, with its companions in their order.
class TVyrPage::TOrderBuilder {
public:
    explicit TOrderBuilder(TVyrPage* Page) : P(Page) {}

    void AddSubBand(TVyrBand* Band) {
        if (!Band || !Visited.insert(Band).second) return;
        const bool SubData = dynamic_cast<TVyrSubDataBand*>(Band) != nullptr;
        if (SubData)
            for (TVyrBand* B : Copy(P->FDataHFBands))
                if (B->Band() == Band && !dynamic_cast<TVyrDataFootBand*>(B)) AddSubBand(B);
        std::vector<TVyrBand*> Above, Below;
        for (TVyrBand* B : Copy(P->FSubBands)) {
            if (B->Band() != Band) continue;
            auto* Sub = dynamic_cast<TVyrSubBand*>(B);
            (Sub && Sub->Above() ? Above : Below).push_back(B);
        }
        TakeByOrder(Above, true, [this](TVyrBand* B) { AddBand(B); });
        AddBand(Band);
        TakeByOrder(Below, true, [this](TVyrBand* B) { AddBand(B); });
        if (SubData)
            for (TVyrBand* B : Copy(P->FDataHFBands))
                if (B->Band() == Band && dynamic_cast<TVyrDataFootBand*>(B)) AddSubBand(B);
    }

    void AddBand(TVyrBand* Band) {
        if (ListHas(P->FBands, Band) && Appended.insert(Band).second) {
            NewBands.push_back(Band);
            if (P->Designing() && P->FBandHeads) {
                const auto Index = static_cast<size_t>(std::find(P->FBands->begin(), P->FBands->end(), Band) -
                                                       P->FBands->begin());
                if (Index < P->FBandHeads->size()) NewHeads.push_back((*P->FBandHeads)[Index]);
            }
        }
        std::vector<TVyrBand*> SubData;
        for (TVyrBand* B : Copy(P->FSubDataBands))
            if (B->Band() == Band) SubData.push_back(B);
        TakeByOrder(SubData, false, [this](TVyrBand* B) { AddSubBand(B); });
    }

    // Takes the entries by ascending Order, renumbering them from 0; equal orders go to the last
    // listed or to the first listed one.
    template <class F> static void TakeByOrder(std::vector<TVyrBand*>& List, bool TiesToLast, F Attach) {
        int Running = 0;
        while (!List.empty()) {
            size_t Best = 0;
            for (size_t i = 1; i < List.size(); ++i)
                if (TiesToLast ? List[i]->Order() <= List[Best]->Order()
                               : List[i]->Order() < List[Best]->Order())
                    Best = i;
            TVyrBand* B = List[Best];
            List.erase(List.begin() + static_cast<std::ptrdiff_t>(Best));
            B->SetOrderDirect(Running++);
            Attach(B);
        }
    }

    static std::vector<TVyrBand*> Copy(const std::unique_ptr<std::vector<TVyrBand*>>& List) {
        return List ? *List : std::vector<TVyrBand*>();
    }

    TVyrPage* P;
    std::vector<TVyrBand*> NewBands;
    std::vector<TVyrBandHead*> NewHeads;
    std::unordered_set<TVyrBand*> Visited;
    std::unordered_set<TVyrBand*> Appended;
};

void TVyrPage::OrderBands() {
    if (LoadingOrReading() || (FPageState & psInsertBand) || !FBands) return;
    if (!FDetail || !FHead || !FFoot || !FPageHead || !FPageFoot) return;

    if (FGroups) {
        std::vector<TVyrGroup*> Work = *FGroups;
        FGroups->clear();
        int Running = 0;
        while (!Work.empty()) {
            size_t Best = 0;
            for (size_t i = 1; i < Work.size(); ++i)
                if (Work[i]->Level() < Work[Best]->Level()) Best = i;
            TVyrGroup* G = Work[Best];
            Work.erase(Work.begin() + static_cast<std::ptrdiff_t>(Best));
            G->SetLevel(Running++);
            FGroups->push_back(G);
        }
    }

    TOrderBuilder B(this);
    B.AddSubBand(FHead);
    B.AddSubBand(FPageHead);
    if (FGroups)
        for (TVyrGroup* G : *FGroups)
            B.AddSubBand(G->Header());
    B.AddSubBand(FDetail);
    if (FGroups)
        for (auto It = FGroups->rbegin(); It != FGroups->rend(); ++It)
            B.AddSubBand((*It)->Footer());
    B.AddSubBand(FPageFoot);
    B.AddSubBand(FFoot);

    std::vector<TVyrBand*> First, Last;
    for (TVyrBand* O : TOrderBuilder::Copy(FOverLayBands)) {
        auto* Overlay = dynamic_cast<TVyrOverlayBand*>(O);
        (Overlay && Overlay->First() ? First : Last).push_back(O);
    }
    TOrderBuilder::TakeByOrder(First, true, [&](TVyrBand* O) { B.AddBand(O); });
    TOrderBuilder::TakeByOrder(Last, true, [&](TVyrBand* O) { B.AddBand(O); });

    // Bands the flow does not reach leave the list, and at design time their strips go with them.
    if (Designing() && FBandHeads) {
        std::vector<TVyrBandHead*> Dropped;
        for (TVyrBandHead* Strip : *FBandHeads)
            if (std::find(B.NewHeads.begin(), B.NewHeads.end(), Strip) == B.NewHeads.end())
                Dropped.push_back(Strip);
        *FBandHeads = B.NewHeads;
        for (TVyrBandHead* Strip : Dropped) {
            Strip->SetParent(nullptr);
            delete Strip;
        }
    }
    if (B.NewBands.empty())
        FBands.reset();
    else
        *FBands = B.NewBands;
}

int TVyrPage::getppi() const {
    TVyrReport* R = FParentReport.Of(this);
    return R ? R->PixelsPerInch() : Screen()->PixelsPerInch();
}

namespace {

// A length of the page setup in pixels: converted to inches first, rounded once.
int SetupPixels(const TVyrPageSetup& Setup, double Length, int PPI) {
    if (Setup.Units() != unitInches) Length = Setup.UM()->ToIn(Length, Setup.Units());
    return static_cast<int>(Round(Length * PPI));
}

} // namespace

int TVyrPage::getpagewidth() const {
    return SetupPixels(*FPageSetup, FPageSetup->PrintWidth(), getppi());
}

int TVyrPage::getpageheight() const {
    return SetupPixels(*FPageSetup, FPageSetup->PrintHeight(), getppi());
}

void TVyrPage::Position(int x, int y) {
    const int PPI = getppi();
    FxPos = x + static_cast<int>(Round(PPI * FPageSetup->LeftMargin()));
    FyPos = y + static_cast<int>(Round(PPI * FPageSetup->TopMargin()));
}

bool TVyrPage::GetPrintOk() {
    if (FPgNum < FPageSetup->RangeStart()) return false;
    if (FPageSetup->RangeEnd() != 0 && FPgNum > FPageSetup->RangeEnd()) {
        FAbortPrinting = true;
        return false;
    }
    return true;
}

TPimCanvas* TVyrPage::GetCanvas() const {
    return FPrintTo ? FPrintTo->PimCanvas() : nullptr;
}

void TVyrPage::MoveTo(int x, int y) {
    TPimCanvas* C = GetCanvas();
    if (C && GetPrintOk()) C->MoveTo(x + FxPos, y + FyPos);
}

void TVyrPage::LineTo(int x, int y) {
    TPimCanvas* C = GetCanvas();
    if (C && GetPrintOk()) C->LineTo(x + FxPos, y + FyPos);
}

void TVyrPage::FillRect(const TRect& Rect) {
    TPimCanvas* C = GetCanvas();
    if (C && GetPrintOk())
        C->FillRect(TRect{Rect.Left + FxPos, Rect.Top + FyPos, Rect.Right + FxPos, Rect.Bottom + FyPos});
}

void TVyrPage::SetPageSetup(const TVyrPageSetup* Value) {
    FPageSetup->Assign(Value);
    // Assigning copies the other setup's page too; this one stays with this page.
    FPageSetup->SetPage(this);
}

void TVyrPage::PageSetupChanged() {
    if (FReport) FReport->PositionButtons();
    ArrangeBands();
    Invalidate();
    if (FReport && FReport->RepDesign()) FReport->RepDesign()->RulerInvalid();
    if (FBands)
        for (TVyrBand* B : *FBands)
            B->Invalidate();
}

bool TVyrPage::GetAllowDelete() const {
    return !Designing() || FAllowDelete || VyrFormGoing(this) || !Parent();
}

void TVyrPage::SafeDelete() {
    VyrSafeDelete(this);
}

void TVyrPage::CheckDelete() {
    TScrollBox::CheckDelete();
    if (!GetAllowDelete()) throw Exception(LoadStr(SNoDeleteGroupPage));
}

void TVyrPage::DesignerModified() {
    if (!DesignerModifiedHook()) return;
    // A frame's page belongs to the form that holds the frame.
    TComponent* Form = Owner();
    while (Form && Form->Owner() && !dynamic_cast<TCustomForm*>(Form))
        Form = Form->Owner();
    DesignerModifiedHook()(Form);
}

void TVyrPage::Redraw() {
    if (!Designing()) return;
    Invalidate();
    if (FBands)
        for (TVyrBand* B : *FBands)
            B->Invalidate();
}

// Component model

void TVyrPage::SetParent(TWinControl* AParent) {
    auto* NewReport = dynamic_cast<TVyrReport*>(AParent);
    if (AParent && !NewReport) Abort();
    if (AParent != Parent()) {
        // A page moved straight to another report leaves the old one first.
        if (FReport) FReport->RemovePage(this);
        if (NewReport) NewReport->InsertPage(this);
        FParentReport.Forget();
        TScrollBox::SetParent(AParent);
    }
    if (AParent) PostMessage(this, WM_VYR_ADDBANDS);
}

void TVyrPage::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    if (LoadingOrReading()) return;
    // The report places its page; the page's own bounds are never its choice.
    if (TWinControl* P = Parent())
        TScrollBox::SetBounds(35, 55, ClampControlSize(P->Width() - 55), ClampControlSize(P->Height() - 75));
    else
        TScrollBox::SetBounds(35, 55, AWidth, AHeight);
    (void)ALeft;
    (void)ATop;
}

void TVyrPage::Notification(TComponent* AComponent, TOperation Operation) {
    TScrollBox::Notification(AComponent, Operation);
    if (!AComponent) return;
    if (Operation == opInsert) {
        // A component being inserted is still being built, so its class cannot be asked yet; a
        // new data source may be among them.
        UpdatePageManager();
        return;
    }
    if (AComponent == FPageManager) FPageManager = nullptr;
    if (dynamic_cast<TDataSource*>(AComponent)) {
        UpdatePageManager();
        if (AComponent == DataSource()) {
            SetDataSource(nullptr);
            FDataSet = nullptr;
        }
    }
    if (AComponent == FDataSet) FDataSet = nullptr;
    if (auto* L = dynamic_cast<TVyrLabel*>(AComponent); L && ListHas(FLabels, L)) {
        RemoveLabel(L);
        UpdatePageManager();
    } else if (auto* V = dynamic_cast<TVyrVar*>(AComponent); V && ListHas(FVars, V)) {
        RemoveVar(V);
        UpdatePageManager();
    } else if (auto* Lv = dynamic_cast<TVyrLevel*>(AComponent); Lv && ListHas(FLevels, Lv)) {
        RemoveLevel(Lv);
        UpdatePageManager();
    } else if (auto* G = dynamic_cast<TVyrDSGuide*>(AComponent); G && ListHas(FDataSourceList, G)) {
        RemoveDataSourceGuide(G);
        UpdatePageManager();
    } else if (auto* Gr = dynamic_cast<TVyrGroup*>(AComponent); Gr && ListHas(FGroups, Gr)) {
        RemoveGroup(Gr);
        UpdatePageManager();
    } else if (auto* B = dynamic_cast<TVyrBand*>(AComponent)) {
        ForgetBand(B);
    }
}

void TVyrPage::DefineProperties(TFiler* Filer) {
    TScrollBox::DefineProperties(Filer);
    Filer->DefineProperty(
        QStringLiteral("Order"), [this](const QVariant& Value) { FOrder = Value.toInt(); },
        [this] { return QVariant(FOrder); }, true);
    // Older forms name the master data set; it comes from the data source now.
    Filer->DefineProperty(
        QStringLiteral("DataSet"), [](const QVariant&) {}, [] { return QVariant(); }, false);
    Filer->DefineProperty(
        QStringLiteral("NoDsgList"),
        [this](const QVariant& Value) {
            FNoDsgList->Clear();
            for (const QString& S : Value.toStringList())
                FNoDsgList->Add(S);
        },
        [this] { return QVariant(FNoDsgList->ToStringList()); }, FNoDsgList->Count() > 0);
}

void TVyrPage::Loaded() {
    TScrollBox::Loaded();
    if (!Designing()) return;
    SetBounds(Left(), Top(), Width(), Height());
    OrderBands();
    ArrangeBands();
    if (FReport && FReport->RepDesign()) FReport->RepDesign()->RulerUpdate();
    // Bands read from a form were placed while they were still loading, which moves no tools: the
    // report places its tools and rulers at the page now that it stands at its design place.
    if (FReport) FReport->PositionButtons();
    if (FBands && FBandHeads)
        for (size_t i = 0; i < FBands->size() && i < FBandHeads->size(); ++i)
            SetBandLabels((*FBands)[i], (*FBandHeads)[i]);
    SetBandChecks();
}

void TVyrPage::Resize() {
    TScrollBox::Resize();
    ArrangeBands();
}

void TVyrPage::HandleAddBands() {
    if (!Designing() || LoadingOrReading() || FBands) return;
    TComponentRef<TVyrPage> Self(this);
    Application()->ProcessMessages();
    // Pumping may free the page, or deliver a second request that has made the bands already.
    if (!Self || FBands || HasState(csDestroying)) return;
    AddMainBands();
}

void TVyrPage::HandleUpdateVarList() {
    if (Designing() && !HasState(csLoading | csDestroying)) UpdateVarList();
}

void TVyrPage::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_VYR_ADDBANDS:
        HandleAddBands();
        return;
    case WM_VYR_UPDATEVARLIST:
        HandleUpdateVarList();
        return;
    case WM_HSCROLL:
    case WM_VSCROLL:
        TScrollBox::WndProc(Message);
        if (Message.Msg == WM_HSCROLL) ArrangeBands();
        if (FReport) FReport->PositionButtons();
        return;
    default:
        TScrollBox::WndProc(Message);
    }
}

void TVyrPage::BeforeDestruction() {
    if (FAllowDelete) DeleteAllGroups();
    Destroying();
    // The strips are children and go with the other children; the list must not outlive them.
    FBandHeads.reset();
    if (FReport) FReport->RemovePage(this);
    if (FPageManager) {
        TComponent* Manager = FPageManager;
        SetPageManager(nullptr);
        delete Manager;
    }
    TScrollBox::BeforeDestruction();
}

// Published properties and classes of stored forms

namespace {

const TEnumInfo& OutputTypeNames() {
    static const TEnumInfo Names(QStringLiteral("TVyrOutputType"),
                                 {QStringLiteral("otNormal"), QStringLiteral("otRichText")});
    return Names;
}

[[maybe_unused]] const bool Declared = [] {
    // The report places its page, so the page's bounds are never stored.
    DeclareProperties<TVyrPage, TControl>()
        .Unpublish("Left")
        .Unpublish("Top")
        .Unpublish("Width")
        .Unpublish("Height")
        .Boolean("ClipLabels", &TVyrPage::ClipLabels, &TVyrPage::SetClipLabels)
        .Default(false)
        .Enumeration("BorderType", VyrBorderTypeNames(), &TVyrPage::BorderType, &TVyrPage::SetBorderType)
        .Default(btNone)
        .Object("PageSetup", &TVyrPage::PageSetup)
        .Event("OnPreview", &TVyrPage::OnPreview)
        .Event("OnUpdateStatus", &TVyrPage::OnUpdateStatus)
        .String("PimFileName", &TVyrPage::PimFileName, &TVyrPage::SetPimFileName)
        .Default(QString())
        .String("Description", &TVyrPage::Description, &TVyrPage::SetDescription)
        .Default(QString())
        .Boolean("TwoPass", &TVyrPage::TwoPass, &TVyrPage::SetTwoPass)
        .Default(false)
        .Enumeration("OutputType", OutputTypeNames(), &TVyrPage::OutputType, &TVyrPage::SetOutputType)
        .Default(otNormal)
        .String("RtfFile", &TVyrPage::RtfFile, &TVyrPage::SetRtfFile)
        .Default(QString())
        .Boolean("CloseDataSources", &TVyrPage::CloseDataSources, &TVyrPage::SetCloseDataSources)
        .Default(true)
        .Boolean("NoDataQuit", &TVyrPage::NoDataQuit, &TVyrPage::SetNoDataQuit)
        .Default(false)
        .Boolean("OmitLastPgFt", &TVyrPage::OmitLastPgFt, &TVyrPage::SetOmitLastPgFt)
        .Default(false)
        .Boolean("GroupPageBreaks", &TVyrPage::GroupPageBreaks, &TVyrPage::SetGroupPageBreaks)
        .Default(false)
        .Event("OnNoData", &TVyrPage::OnNoData)
        .Event("OnNewPage", &TVyrPage::OnNewPage)
        .Event("OnBeforeNewPage", &TVyrPage::OnBeforeNewPage)
        .Reference("DataSource", &TVyrPage::DataSource, &TVyrPage::SetDataSource)
        // Older forms named the data set; it is only cleared now.
        .Reference("DataSet", &TVyrPage::DataSet, &TVyrPage::SetDataSet)
        .NotPublished()
        .Enumeration("DataRange", VyrDataRangeNames(), &TVyrPage::DataRange, &TVyrPage::SetDataRange)
        .Default(drAllRecords)
        .Boolean("CloseDataSet", &TVyrPage::CloseDataSet, &TVyrPage::SetCloseDataSet)
        .Default(false)
        .Boolean("NoRecordCount", &TVyrPage::NoRecordCount, &TVyrPage::SetNoRecordCount)
        .Default(false)
        .Event("OnDataStart", &TVyrPage::OnDataStart)
        .Event("OnDataSkip", &TVyrPage::OnDataSkip)
        .Event("OnDataFinish", &TVyrPage::OnDataFinish)
        .Event("OnDataFilter", &TVyrPage::OnDataFilter)
        .Event("OnAfterDataSkip", &TVyrPage::OnAfterDataSkip)
        .Reference("Detail", &TVyrPage::Detail, &TVyrPage::SetDetail)
        .Reference("Head", &TVyrPage::Head, &TVyrPage::SetHead)
        .Reference("Foot", &TVyrPage::Foot, &TVyrPage::SetFoot)
        .Reference("PageHead", &TVyrPage::PageHead, &TVyrPage::SetPageHead)
        .Reference("PageFoot", &TVyrPage::PageFoot, &TVyrPage::SetPageFoot);
    DeclareProperties<TVyrGrouppage, TVyrPage>();
    RegisterClasses<TVyrPage, TVyrGrouppage>();
    return true;
}();

} // namespace
