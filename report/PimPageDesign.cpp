// The page at design time: the head strip above each band with its check boxes, the stacking of the
// bands on the designed form, the main bands of a new page, and the upkeep of its variables and guides.
#include "host/forms.h"
#include "host/mathutil.h"
#include "host/properties.h"
#include "host/resstrings.h"
#include "output/PimOut.h"
#include "report/PimDS.h"
#include "report/PimPage.h"
#include "report/PimPage_internal.h"
#include "report/PimRtfC.h"
#include "report/VyrText.h"
#include "report/VyrUtil.h"
#include "report/VyrVar.h"

#include <QDate>
#include <unordered_set>

using namespace PimPageInternal;

namespace {

constexpr int HeadHeight = 15;

enum THeadCheck { hcVisible, hcNewPage, hcNewPageRepeat, hcStretch };

TCheckBox* HeadCheck(const TVyrBandHead* Strip, int Which) {
    switch (Which) {
    case hcVisible:
        return Strip->VisibleCheck();
    case hcNewPage:
        return Strip->NewPageCheck();
    case hcNewPageRepeat:
        return Strip->NewPageRepeatCheck();
    default:
        return Strip->StretchCheck();
    }
}

bool BandFlag(const TVyrBand* Band, int Which) {
    switch (Which) {
    case hcVisible:
        return Band->Visible();
    case hcNewPage:
        return Band->NewPage();
    case hcNewPageRepeat:
        return Band->NewPageRepeat();
    default:
        return Band->Stretch();
    }
}

void SetBandFlag(TVyrBand* Band, int Which, bool Value) {
    switch (Which) {
    case hcVisible:
        Band->SetVisible(Value);
        break;
    case hcNewPage:
        Band->SetNewPage(Value);
        break;
    case hcNewPageRepeat:
        Band->SetNewPageRepeat(Value);
        break;
    default:
        Band->SetStretch(Value);
        break;
    }
}

} // namespace

// Head strips

void TVyrPage::MakeBandHead(TVyrBand* Band) {
    if (!FBandHeads) FBandHeads = std::make_unique<std::vector<TVyrBandHead*>>();
    auto* Strip = new TVyrBandHead(nullptr);
    Strip->SetTop(Band->Top() + Band->Height());
    Strip->SetParent(this);
    Strip->SetAlign(alNone);
    Strip->SetCaption(QStringLiteral(" "));
    Strip->SetHeight(HeadHeight);
    Strip->SetBevelOuter(bvNone);
    FBandHeads->push_back(Strip);

    const int H = Strip->Height() - 1;
    Strip->FArrow = new TPaintBox(Strip);
    Strip->FArrow->SetParent(Strip);
    Strip->FArrow->SetBounds(25, 0, H, H);
    Strip->FArrow->OnPaint = [this](TComponent* Sender) { PaintArrow(Sender); };

    Strip->Fnamelabel = new TLabel(Strip);
    Strip->Fnamelabel->SetParent(Strip);
    Strip->Fnamelabel->SetTransparent(true);
    Strip->Fnamelabel->SetBounds(50, 0, 100, H);
    Strip->Fnamelabel->Font()->SetName(QStringLiteral("Arial"));
    Strip->Fnamelabel->Font()->SetSize(7);
    Strip->Fnamelabel->SetCaption(QStringLiteral("Band Label"));

    auto MakeCheck = [&](int Left, const QString& Caption, int Which) {
        auto* Box = new TCheckBox(Strip);
        Box->SetParent(Strip);
        Box->SetBounds(Left, 0, 75, H);
        Box->Font()->SetName(QStringLiteral("Arial"));
        Box->Font()->SetSize(7);
        Box->SetCaption(Caption);
        Box->SetChecked(BandFlag(Band, Which));
        Box->OnClick = [this, Which](TComponent* Sender) { Flip(Sender, Which); };
        return Box;
    };
    Strip->Fvisiblecheck = MakeCheck(175, QStringLiteral("Visible"), hcVisible);
    Strip->FNewPageCheck = MakeCheck(275, QStringLiteral("New Page"), hcNewPage);
    Strip->FNewPageRepeatCheck = MakeCheck(375, QStringLiteral("Repeat"), hcNewPageRepeat);
    Strip->FStretchCheck = MakeCheck(475, QStringLiteral("Stretch"), hcStretch);
    SetBandLabels(Band, Strip);
}

void TVyrPage::FreeBandHead(int Index) {
    if (!FBandHeads || Index < 0 || Index >= static_cast<int>(FBandHeads->size())) return;
    TVyrBandHead* Strip = (*FBandHeads)[static_cast<size_t>(Index)];
    FBandHeads->erase(FBandHeads->begin() + Index);
    Strip->SetParent(nullptr);
    delete Strip;
}

void TVyrPage::SetBandLabels(TVyrBand* Band, TVyrBandHead* Strip) {
    if (!Band || !Strip) return;
    auto Hide = [](TCheckBox* Box) { Box->SetVisible(false); };
    if (Band == FPageHead) {
        Hide(Strip->NewPageCheck());
        Hide(Strip->NewPageRepeatCheck());
    } else if (Band == FHead) {
        Hide(Strip->NewPageCheck());
    } else if (Band == FPageFoot || dynamic_cast<TVyrOverlayBand*>(Band)) {
        Hide(Strip->NewPageCheck());
        Hide(Strip->NewPageRepeatCheck());
        Hide(Strip->StretchCheck());
    } else if (dynamic_cast<TVyrSubDataBand*>(Band)) {
        Hide(Strip->NewPageRepeatCheck());
    }
}

void TVyrPage::SetBandChecks() {
    if (!FBands || !FBandHeads) return;
    for (size_t i = 0; i < FBands->size() && i < FBandHeads->size(); ++i)
        for (int Which = hcVisible; Which <= hcStretch; ++Which)
            SetCheck(HeadCheck((*FBandHeads)[i], Which), BandFlag((*FBands)[i], Which));
}

void TVyrPage::SetCheck(TCheckBox* Box, bool Value) {
    if (Box && Box->Checked() != Value) Box->SetChecked(Value);
}

void TVyrPage::Flip(TComponent* Sender, int Which) {
    if (!FBands || !FBandHeads) return;
    for (size_t i = 0; i < FBandHeads->size() && i < FBands->size(); ++i) {
        auto* Box = HeadCheck((*FBandHeads)[i], Which);
        if (Box != Sender) continue;
        TVyrBand* Band = (*FBands)[i];
        if (BandFlag(Band, Which) != Box->Checked()) {
            SetBandFlag(Band, Which, Box->Checked());
            DesignerModified();
        }
        return;
    }
}

void TVyrPage::FlipVisible(TComponent* Sender) {
    Flip(Sender, hcVisible);
}

void TVyrPage::FlipNewPage(TComponent* Sender) {
    Flip(Sender, hcNewPage);
}

void TVyrPage::FlipNewPageRepeat(TComponent* Sender) {
    Flip(Sender, hcNewPageRepeat);
}

void TVyrPage::FlipStretch(TComponent* Sender) {
    Flip(Sender, hcStretch);
}

void TVyrPage::PaintArrow(TComponent* Sender) {
    auto* Box = dynamic_cast<TPaintBox*>(Sender);
    if (!Box || !Box->Canvas()) return;
    TCanvas* C = Box->Canvas();
    C->Pen().SetColor(clBlack);
    C->Pen().SetWidth(1);
    C->Brush().SetColor(clBlack);
    C->Brush().SetStyle(bsSolid);
    const int W = Box->Width();
    const int H = Box->Height();
    C->Polygon({TPoint{1, H - 1}, TPoint{W / 2, 1}, TPoint{W - 1, H - 1}});
}

// Design-time stacking

void TVyrPage::ArrangeBands() {
    if (!Designing() || !FBandHeads) return;
    if (FPageState & (psArrangeBands | psInsertBand)) return;
    if (LoadingOrReading() || !FBands || FBands->size() < 5) return;
    TStateGuard Guard(FPageState, psArrangeBands);
    const int H = HorzScrollBar().Position;
    const int V = VertScrollBar().Position;
    const int PrintWidth = getpagewidth();
    // Bands past the furthest place a control can take stack there.
    int64_t y = -V;
    TVyrBandHead* LastStrip = nullptr;
    for (size_t i = 0; i < FBands->size(); ++i) {
        TVyrBand* Band = (*FBands)[i];
        const int W =
            ClampControlSize(PrintWidth < Width() + H ? int64_t(Width()) + H + 50 : int64_t(PrintWidth) + 50);
        Band->SetBounds(-H, ClampControlPosition(y), W, Band->Height());
        int StripHeight = 0;
        if (i < FBandHeads->size()) {
            TVyrBandHead* Strip = (*FBandHeads)[i];
            Strip->NameLabel()->SetCaption(Band->BandName());
            Strip->SetBounds(-H, ClampControlPosition(y + Band->Height()), W, Strip->Height());
            StripHeight = Strip->Height();
            LastStrip = Strip;
        }
        y += StripHeight + Band->Height();
    }
    // The page keeps its size; the bands that do not fit are reached by scrolling, and so is the
    // right end of every band.
    HorzScrollBar().Range = ClampControlSize(int64_t(PrintWidth) + 50);
    if (LastStrip) {
        const int Bottom = LastStrip->Top() + LastStrip->Height();
        if (Bottom > Height() - 10) VertScrollBar().Range = std::max(VertScrollBar().Range, Bottom + V + 10);
    }
}

// Main bands

TVyrBand* TVyrPage::MakeMainBand(TVyrBand*& Field, const QString& BandName, const QString& NameBase,
                                 int Height, int Top, bool BandVisible, bool IsHeader) {
    auto* Band = new TVyrBand(Owner());
    Field = Band;
    Band->SetParent(this);
    VyrAutoSetComponentName(Band, NameBase, false);
    Band->SetBandName(BandName);
    Band->SetCaption(QStringLiteral(" "));
    Band->SetVisible(BandVisible);
    Band->SetBounds(Band->Left(), Top, ClampControlSize(Width() - 3), Height);
    auto* Level = new TVyrLevel(Band->Owner());
    Level->SetParent(this);
    Band->SetUpdateLevel(Level);
    VyrAutoSetComponentName(Level, Band->Name() + QStringLiteral("level"), false);
    Level->SetIsHeader(IsHeader);
    return Band;
}

void TVyrPage::AddMainBands() {
    struct TMain {
        TVyrBand*& Field;
        const char16_t* BandName;
        const char16_t* NameBase;
        int Height;
        bool Visible;
        bool IsHeader;
    };
    TMain Mains[] = {
        {FHead, u"Report Header", u"ReportHeaderBand", 5, false, true},
        {FPageHead, u"Page Header", u"PageHeaderBand", 20, true, true},
        {FDetail, u"Detail", u"DetailBand", 20, true, false},
        {FPageFoot, u"Page Footer", u"PageFooterBand", 20, true, false},
        {FFoot, u"Report Footer", u"ReportFooterBand", 20, true, false},
    };
    int Top = 20;
    for (const TMain& M : Mains) {
        TVyrBand* Band = MakeMainBand(M.Field, QString::fromUtf16(M.BandName), QString::fromUtf16(M.NameBase),
                                      M.Height, Top, M.Visible, M.IsHeader);
        Top += M.Height + 15;
        (void)Band;
    }
    SetBandChecks();
}

// Design-time upkeep of variables and guides

void TVyrPage::UpdateVarList() {
    if ((FPageState & psUpdateVarList) || FInUpdateDataLists) return;
    TStateGuard Guard(FPageState, psUpdateVarList);

    auto HasId = [this](TVyrVarId Id) {
        return FVars && std::any_of(FVars->begin(), FVars->end(), [Id](TVyrVar* V) { return V->Id() == Id; });
    };
    if (!HasId(vidDateTimeVar)) {
        auto* V = new TVyrDateTimeVar(Owner());
        VyrAutoSetComponentName(V, QStringLiteral("svarDateTime"), false);
        V->SetParent(this);
        V->SetAutoVar(true);
        // The level it takes when read back, so that a form saved now reads and saves the same.
        V->SetUpdateLevel(FHead ? FHead->UpdateLevel() : nullptr);
    }
    if (!HasId(vidPageVar)) {
        auto* V = new TVyrPageVar(Owner());
        VyrAutoSetComponentName(V, QStringLiteral("svarPage"), false);
        V->SetParent(this);
        V->SetAutoVar(true);
        // Without a page header the variable waits for a level instead of taking a freed one.
        V->SetUpdateLevel(FPageHead ? FPageHead->UpdateLevel() : nullptr);
    }

    UpdateDataLists();

    if (FDataSourceList) {
        const std::vector<TVyrDSGuide*> Guides = *FDataSourceList;
        for (TVyrDSGuide* G : Guides)
            if (!G->DataSource() && !PimIsAncestor(G)) {
                G->SetParent(nullptr);
                delete G;
            }
    }

    for (int i = 0; i < FFullDSList->Count(); ++i) {
        auto* DS = static_cast<TDataSource*>(FFullDSList->Items(i));
        if (GuideOfDataSource(DS)) continue;
        const QString Name = i < FFullDSNames->Count() ? FFullDSNames->Strings(i) : QString();
        bool Excluded = false;
        for (int j = 0; j < FNoDsgList->Count() && !Excluded; ++j)
            Excluded = FNoDsgList->Strings(j).compare(Name, Qt::CaseInsensitive) == 0;
        if (!Excluded) AddDataSource(DS);
    }

    std::vector<TVyrDBVar*> Orphans;
    if (FVars)
        for (TVyrVar* V : *FVars) {
            auto* DB = dynamic_cast<TVyrDBVar*>(V);
            if (DB && DB->Id() == vidAutoDataVar && (!DB->DataSource() || !DB->DataSource()->DataSet()) &&
                !PimIsAncestor(DB))
                Orphans.push_back(DB);
        }
    for (TVyrDBVar* V : Orphans) {
        V->SetParent(nullptr);
        delete V;
    }

    if (FPageManager) SendMessage(FPageManager, WM_VYR_DATAUPDATEVARS);
}

void TVyrPage::UpdateDataLists() {
    if (FInUpdateDataLists) return;
    TBoolGuard Guard(FInUpdateDataLists);
    if (!FLetUpdateDataList) return;
    FFullDSList->Clear();
    FFullDSNames->Clear();
    if (FReport && FReport->RepDesign()) FReport->RepDesign()->CreatePageManager();
    if (FPageManager) SendMessage(FPageManager, WM_VYR_SETDATALISTS);
}

void TVyrPage::AddDataSource(TDataSource* DataSource) {
    if (!Designing() || HasState(csLoading)) return;
    // Guides live only on a group page; another page would refuse the parent.
    if (!dynamic_cast<TVyrGrouppage*>(this)) return;
    auto* Guide = new TVyrDataSourceGuide(Owner());
    Guide->SetParent(this);
    VyrAutoSetComponentName(Guide, Guide->ClassName(), true);
    Guide->SetDataSource(DataSource);
    Guide->SetUpdateLevel(FDetail ? FDetail->UpdateLevel() : nullptr);
    UpdatePageManager();
}

void TVyrPage::DeleteAllGroups() {
    if (!FGroups) return;
    const std::vector<TVyrGroup*> Groups = *FGroups;
    for (TVyrGroup* G : Groups)
        if (G) G->SafeDelete();
}

void TVyrPage::UpdatePageManager() {
    if (!Designing() || HasState(csLoading | csDestroying) || !FPageManager) return;
    PostMessage(FPageManager, WM_VYR_UPDATEFORM);
}

void TVyrPage::PostUpdateVarlist() {
    if (!Designing() || HasState(csLoading)) return;
    PostMessage(this, WM_VYR_UPDATEVARLIST);
}

void TVyrPage::VarChanged() {
    if (HasState(csDestroying) || !FPageManager) return;
    SendMessage(FPageManager, WM_VYR_VARCHANGED);
}

namespace {

// The variable a label shows; nil for a label that shows none, and for text labels, which print
// their caption.
const TVyrVar* ShownVariable(const TVyrLabel* Label) {
    if (dynamic_cast<const TVyrTextLabel*>(Label)) return nullptr;
    if (auto* L = dynamic_cast<const TVyrTVLabel*>(Label)) return L->Variable();
    if (auto* L = dynamic_cast<const TVyrVarRefLabel*>(Label)) return L->Variable();
    if (auto* L = dynamic_cast<const TVyrTotalvarLabel*>(Label)) return L->TotalVariable();
    if (auto* L = dynamic_cast<const TVyrRichTextLabel*>(Label)) return L->Variable();
    return nullptr;
}

} // namespace

bool TVyrPage::VarUsed(const TVyrVar* Var) const {
    if (!Var) return false;
    if (FLabels)
        for (const TVyrLabel* L : *FLabels)
            if (ShownVariable(L) == Var) return true;
    if (FTotalVars)
        for (const TVyrTotalvar* T : *FTotalVars)
            if (T->Variable() == Var) return true;
    if (FGroups)
        for (const TVyrGroup* G : *FGroups)
            if (G->Variable() == Var) return true;
    return false;
}

TVyrDSGuide* TVyrPage::GetDataSourceGuide(const QString& FullDSName) const {
    if (FullDSName.isEmpty() || !FDataSourceList) return nullptr;
    for (int i = 0; i < FFullDSNames->Count() && i < FFullDSList->Count(); ++i) {
        if (FFullDSNames->Strings(i).compare(FullDSName, Qt::CaseInsensitive) != 0) continue;
        if (TVyrDSGuide* G = GuideOfDataSource(static_cast<const TDataSource*>(FFullDSList->Items(i)))) return G;
    }
    return nullptr;
}

TVyrDSGuide* TVyrPage::GuideOfDataSource(const TDataSource* Source) const {
    if (!Source || !FDataSourceList) return nullptr;
    for (TVyrDSGuide* G : *FDataSourceList)
        if (G->DataSource() == Source) return G;
    return nullptr;
}

void TVyrPage::UpdateData() {
    if (!FVars) return;
    const std::vector<TVyrVar*> Vars = *FVars;
    for (TVyrVar* Var : Vars)
        Var->UpdateData();
}

void TVyrPage::SetDataSource(TDataSource* Value) {
    FDataLink->SetDataSource(Value);
    if (Value) Value->FreeNotification(this);
}

void TVyrPage::SetOrder(int Pos) {
    FOrder = Pos;
    SetPageName(QStringLiteral("Page: ") + QString::number(Pos));
}

void TVyrPage::SetPageManager(TComponent* Value) {
    if (Value == FPageManager) return;
    if (FPageManager) FPageManager->RemoveFreeNotification(this);
    FPageManager = Value;
    if (Value) Value->FreeNotification(this);
}
