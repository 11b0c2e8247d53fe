#include "report/VyrCtrl.h"
#include "host/dialogs.h"
#include "host/forms.h"
#include "host/properties.h"
#include "host/resstrings.h"
#include "report/PimPage.h"
#include "report/VyrRep.h"
#include "report/VyrUtil.h"
#include "report/VyrVar.h"

// TVyrReserveSpace

TVyrReserveSpace::TVyrReserveSpace(TVyrBand* AOwner) : FOwner(AOwner) {}

TVyrReserveSpace::~TVyrReserveSpace() = default;

void TVyrReserveSpace::Assign(const TPersistent* Source) {
    if (auto* S = dynamic_cast<const TVyrReserveSpace*>(Source)) {
        FBand = S->FBand;
        FBandCount = S->FBandCount;
        FSpace = S->FSpace;
        return;
    }
    TPersistent::Assign(Source);
}

int TVyrReserveSpace::GetReserve() const {
    return FBand ? FBand->Height() * FBandCount + FSpace : FSpace;
}

QString TVyrReserveSpace::GetNamePath() const {
    return FOwner ? FOwner->GetNamePath() + QStringLiteral(".ReserveSpace") : TPersistent::GetNamePath();
}

// TVyrBand

enum THeadCheck { hcVisible, hcNewPage, hcNewPageRepeat, hcStretch };

TVyrBand::TVyrBand(TComponent* AOwner)
    : TCustomPanel(AOwner), FBrush(std::make_unique<TBrush>()), FPen(std::make_unique<TPen>()),
      FReserveSpace(std::make_unique<TVyrReserveSpace>(this)) {
    SetCaption(QStringLiteral(" "));
    SetParentColor(true);
}

TVyrBand::~TVyrBand() = default;

void TVyrBand::SetVisible(bool Value) {
    if (Value == FVisible) return;
    FVisible = Value;
    UpdateHeadCheck(hcVisible, Value);
}

void TVyrBand::SetStretch(bool Value) {
    if (Value == FStretch) return;
    FStretch = Value;
    UpdateHeadCheck(hcStretch, Value);
}

void TVyrBand::SetNewPage(bool Value) {
    if (Value == FNewPage) return;
    FNewPage = Value;
    UpdateHeadCheck(hcNewPage, Value);
}

void TVyrBand::SetNewPageRepeat(bool Value) {
    if (Value == FNewPageRepeat) return;
    FNewPageRepeat = Value;
    UpdateHeadCheck(hcNewPageRepeat, Value);
}

void TVyrBand::SetUpdateLevel(TVyrLevel* Value) {
    FUpdateLevel = Value;
    if (Value) Value->FreeNotification(this);
}

void TVyrBand::SetBand(TVyrBand* Value) {
    FBand = Value;
    if (Value) Value->FreeNotification(this);
}

void TVyrBand::UpdateHeadCheck(int Which, bool Value) {
    if (!HasState(csDesigning) || HasState(csLoading | csReading) || !FPage) return;
    TVyrBandHead* Strip = FPage->HeadOf(this);
    if (!Strip) return;
    TCheckBox* Boxes[] = {Strip->VisibleCheck(), Strip->NewPageCheck(), Strip->NewPageRepeatCheck(),
                          Strip->StretchCheck()};
    TCheckBox* Box = Boxes[Which];
    if (Box && Box->Checked() != Value) Box->SetChecked(Value);
}

void TVyrBand::SetBandName(const QString& Value) {
    if (Value == FBandName) return;
    FBandName = Value;
    if (!FPage) return;
    FPage->UpdatePageManager();
    if (!HasState(csDesigning)) return;
    if (TVyrBandHead* Strip = FPage->HeadOf(this)) Strip->NameLabel()->SetCaption(Value);
}

void TVyrBand::SetBorderType(TVyrBorderType Value) {
    if (Value == FBorderType) return;
    FBorderType = Value;
    Invalidate();
}

void TVyrBand::SetOrder(int Value) {
    if (Value == FOrder) return;
    FOrder = Value;
    Reorder();
}

void TVyrBand::Reorder() {
    if (!HasState(csDesigning) || HasState(csReading) || !FPage) return;
    FPage->OrderBands();
    FPage->ArrangeBands();
}

void TVyrBand::SetShade(TPimShadePercent Value) {
    if (Value == FShade) return;
    FShade = Value;
    Invalidate();
}

TVyrBand* TVyrBand::GetMainBand() {
    return this;
}

TVyrReport* TVyrBand::GetReport() const {
    return FPage ? FPage->Report() : nullptr;
}

int TVyrBand::getppi() const {
    return FPage ? FPage->getppi() : Screen()->PixelsPerInch();
}

bool TVyrBand::GetAllowDelete() const {
    return !HasState(csDesigning) || FAllowDelete || VyrFormGoing(this) || !Parent() || PimIsAncestor(this);
}

void TVyrBand::SafeDelete() {
    VyrSafeDelete(this);
}

void TVyrBand::CheckDelete() {
    TCustomPanel::CheckDelete();
    if (!GetAllowDelete()) throw Exception(LoadStr(SNoDeleteBand));
}

namespace {

// The design companion of the report a control lies in, at design time only.
TVyrRptDsgn* DesignOf(const TComponent* Control, TVyrReport* Report) {
    if (!Control->HasState(csDesigning) || !Report) return nullptr;
    return Report->RepDesign();
}

} // namespace

bool TVyrBand::BandDragOver(TComponent* Source, int X, int Y) {
    TVyrRptDsgn* Design = DesignOf(this, GetReport());
    const bool Accept = Design && Design->VyrDropOK(Source);
    if (Accept) Design->RulerXY(X, Top() + Y);
    return Accept;
}

void TVyrBand::BandDragDrop(TComponent* Source, int X, int Y) {
    if (TVyrRptDsgn* Design = DesignOf(this, GetReport())) Design->VyrDroplabels(Source, this, X, Y);
}

void TVyrBand::MouseMovement(int X, int Y) {
    if (TVyrRptDsgn* Design = DesignOf(this, GetReport())) Design->RulerXY(X, Top() + Y);
}

void TVyrBand::InsertLabel(TVyrLabel* Label) {
    AddToList(FLabels, Label);
    if (FPage) FPage->InsertLabel(Label);
}

void TVyrBand::RemoveLabel(TVyrLabel* Label) {
    RemoveFromList(FLabels, Label);
    if (FPage) FPage->RemoveLabel(Label);
}

bool TVyrBand::AcceptsPage(const TWinControl* AParent) const {
    return dynamic_cast<const TVyrPage*>(AParent) != nullptr;
}

void TVyrBand::SetParent(TWinControl* AParent) {
    if (AParent == Parent()) return;
    if (AParent && !AcceptsPage(AParent)) Abort();
    auto* NewPage = static_cast<TVyrPage*>(AParent);
    // A band moved straight to another page leaves the old page's registries first and takes its
    // labels' entries along, so nothing is listed, or printed, twice.
    if (TVyrPage* Old = FPage) {
        RemoveKind(Old);
        Old->RemoveBand(this);
        if (FLabels)
            for (TVyrLabel* L : *FLabels)
                Old->RemoveLabel(L);
    }
    FPage = NewPage;
    if (NewPage) {
        InsertKind(NewPage);
        NewPage->InsertBand(this);
        if (FLabels)
            for (TVyrLabel* L : *FLabels)
                NewPage->InsertLabel(L);
    }
    TCustomPanel::SetParent(AParent);
}

void TVyrBand::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    TCustomPanel::SetBounds(ALeft, ATop, AWidth, AHeight);
    if (FPage && !(FPage->PageState() & psArrangeBands)) FPage->ArrangeBands();
}

void TVyrBand::SetName(const QString& NewName) {
    TCustomPanel::SetName(NewName);
    if (FPage) FPage->UpdatePageManager();
}

void TVyrBand::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomPanel::Notification(AComponent, Operation);
    if (Operation != opRemove || !AComponent) return;
    if (auto* L = dynamic_cast<TVyrLabel*>(AComponent); L && ListHas(FLabels, L)) RemoveLabel(L);
    if (AComponent == FReserveSpace->Band()) FReserveSpace->SetBand(nullptr);
    if (AComponent == FUpdateLevel) FUpdateLevel = nullptr;
    if (AComponent == FBand) FBand = nullptr;
}

void TVyrBand::BeforeDestruction() {
    if (FPage) {
        RemoveKind(FPage);
        FPage->ForgetBand(this);
    }
    TCustomPanel::BeforeDestruction();
}

// Band kinds

namespace {

TVyrBand* MainOf(TVyrBand* Attached) {
    // A chain of attachments that loops back ends where it started.
    TVyrBand* B = Attached;
    for (int Guard = 0; Guard < 1000 && B && B->Band() && B->Band() != Attached; ++Guard) {
        if (dynamic_cast<TVyrSubBand*>(B) || dynamic_cast<TVyrSubDataBand*>(B) ||
            dynamic_cast<TVyrDataHeadBand*>(B))
            B = B->Band();
        else
            break;
    }
    return B ? B->GetMainBand() : nullptr;
}

bool IsGroupPage(const TWinControl* AParent) {
    return dynamic_cast<const TVyrGrouppage*>(AParent) != nullptr;
}

} // namespace

TVyrSubBand::TVyrSubBand(TComponent* AOwner) : TVyrBand(AOwner) {}

void TVyrSubBand::SetAbove(bool Value) {
    if (Value == FAbove) return;
    FAbove = Value;
    Reorder();
}

TVyrBand* TVyrSubBand::GetMainBand() {
    return Band() ? MainOf(this) : this;
}

void TVyrSubBand::InsertKind(TVyrPage* Page) {
    Page->InsertSubBand(this);
}

void TVyrSubBand::RemoveKind(TVyrPage* Page) {
    Page->RemoveSubBand(this);
}

bool TVyrSubBand::AcceptsPage(const TWinControl* AParent) const {
    return IsGroupPage(AParent);
}

TVyrOverlayBand::TVyrOverlayBand(TComponent* AOwner) : TVyrBand(AOwner) {}

void TVyrOverlayBand::SetFirst(bool Value) {
    if (Value == FFirst) return;
    FFirst = Value;
    Reorder();
}

void TVyrOverlayBand::InsertKind(TVyrPage* Page) {
    Page->InsertOverLayBand(this);
}

void TVyrOverlayBand::RemoveKind(TVyrPage* Page) {
    Page->RemoveOverLayBand(this);
}

bool TVyrOverlayBand::AcceptsPage(const TWinControl* AParent) const {
    return IsGroupPage(AParent);
}

TVyrSubDataBand::TVyrSubDataBand(TComponent* AOwner)
    : TVyrBand(AOwner), FDataLink(std::make_unique<TDataLink>()) {}

TVyrSubDataBand::~TVyrSubDataBand() = default;

void TVyrSubDataBand::SetDataSource(TDataSource* Value) {
    FDataLink->SetDataSource(Value);
    if (Value) Value->FreeNotification(this);
}

TDataSet* TVyrSubDataBand::DataSet() const {
    return FDataLink->DataSet();
}

TVyrBand* TVyrSubDataBand::GetMainBand() {
    return Band() ? MainOf(this) : this;
}

void TVyrSubDataBand::SetNewPageRepeat(bool Value) {
    if (Value && HasState(csDesigning)) {
        // Repeating a sub data band is set up by its events, never by the flag.
        ShowMessage(QStringLiteral("Look in the help on how to set repeat on a subdata band."));
        return;
    }
    TVyrBand::SetNewPageRepeat(Value);
}

void TVyrSubDataBand::Notification(TComponent* AComponent, TOperation Operation) {
    if (Operation == opRemove && AComponent) {
        if (AComponent == FDataSet) FDataSet = nullptr;
        if (AComponent == FDataLink->DataSource()) {
            SetDataSource(nullptr);
            FDataSet = nullptr;
        }
    }
    TVyrBand::Notification(AComponent, Operation);
}

void TVyrSubDataBand::DefineProperties(TFiler* Filer) {
    TVyrBand::DefineProperties(Filer);
    // Older forms name the data set; it comes from the data source now.
    Filer->DefineProperty(
        QStringLiteral("DataSet"), [](const QVariant&) {}, [] { return QVariant(); }, false);
}

void TVyrSubDataBand::InsertKind(TVyrPage* Page) {
    Page->InsertSubDataBand(this);
}

void TVyrSubDataBand::RemoveKind(TVyrPage* Page) {
    Page->RemoveSubDataBand(this);
}

bool TVyrSubDataBand::AcceptsPage(const TWinControl* AParent) const {
    return IsGroupPage(AParent);
}

TVyrDataHeadBand::TVyrDataHeadBand(TComponent* AOwner) : TVyrBand(AOwner) {}

TVyrBand* TVyrDataHeadBand::GetMainBand() {
    return Band() ? MainOf(this) : this;
}

void TVyrDataHeadBand::InsertKind(TVyrPage* Page) {
    Page->InsertDataHFBand(this);
}

void TVyrDataHeadBand::RemoveKind(TVyrPage* Page) {
    Page->RemoveDataHFBand(this);
}

bool TVyrDataHeadBand::AcceptsPage(const TWinControl* AParent) const {
    return IsGroupPage(AParent);
}

// TVyrGroup

TVyrGroup::TVyrGroup(TComponent* AOwner) : TControl(AOwner) {
    TControl::SetVisible(false);
}

TVyrGroup::~TVyrGroup() = default;

void TVyrGroup::SetVariable(TVyrVar* Value) {
    if (Value == FVariable) return;
    FVariable = Value;
    if (Value) Value->FreeNotification(this);
    if (TVyrPage* P = getpage()) P->UpdatePageManager();
}

void TVyrGroup::SetLevel(int Value) {
    FLevel = Value;
    SetGroupName(QStringLiteral("Group: ") + QString::number(Value));
}

void TVyrGroup::SetHeader(TVyrBand* Value) {
    FHeader = Value;
    if (Value) Value->FreeNotification(this);
}

void TVyrGroup::SetFooter(TVyrBand* Value) {
    FFooter = Value;
    if (Value) Value->FreeNotification(this);
}

TVyrPage* TVyrGroup::getpage() const {
    return dynamic_cast<TVyrPage*>(Parent());
}

namespace {

TVyrBand* MakeGroupBand(TVyrGroup* Group, TWinControl* BandParent, const QString& Suffix, bool IsHeader) {
    auto* Band = new TVyrBand(Group->Owner());
    Band->SetParent(BandParent);
    Band->SetHeight(20);
    VyrAutoSetComponentName(Band, Group->Name() + Suffix, false);
    Band->SetCaption(QStringLiteral(" "));
    auto* Level = new TVyrLevel(Band->Owner());
    Level->SetParent(BandParent);
    VyrAutoSetComponentName(Level, Band->Name() + QStringLiteral("Level"), false);
    Level->SetIsHeader(IsHeader);
    Band->SetUpdateLevel(Level);
    return Band;
}

} // namespace

void TVyrGroup::AddBands(TWinControl* BandParent) {
    SetHeader(MakeGroupBand(this, BandParent, QStringLiteral("Header"), true));
    SetFooter(MakeGroupBand(this, BandParent, QStringLiteral("Footer"), false));
    NameBands();
}

void TVyrGroup::NameBands() {
    if (FHeader) FHeader->SetBandName(Name() + QStringLiteral(" Header"));
    if (FFooter) FFooter->SetBandName(Name() + QStringLiteral(" Footer"));
}

void TVyrGroup::DeleteBands() {
    for (TVyrBand** Field : {&FHeader, &FFooter}) {
        TVyrBand* Band = *Field;
        if (!Band) continue;
        *Field = nullptr;
        if (TVyrLevel* Level = Band->UpdateLevel()) {
            Level->SetParent(nullptr);
            delete Level;
        }
        Band->SetParent(nullptr);
        Band->SafeDelete();
    }
}

bool TVyrGroup::GetAllowDelete() const {
    return !HasState(csDesigning) || FAllowDelete || VyrFormGoing(this) || !Parent() || PimIsAncestor(this);
}

void TVyrGroup::SafeDelete() {
    VyrSafeDelete(this);
}

void TVyrGroup::CheckDelete() {
    TControl::CheckDelete();
    if (!GetAllowDelete()) throw Exception(LoadStr(SNoDeleteGroup));
}

void TVyrGroup::SetParent(TWinControl* AParent) {
    if (AParent == Parent()) return;
    if (AParent && !IsGroupPage(AParent)) Abort();
    if (TVyrPage* Old = getpage()) Old->RemoveGroup(this);
    if (AParent) static_cast<TVyrPage*>(AParent)->InsertGroup(this);
    TControl::SetParent(AParent);
}

void TVyrGroup::SetBounds(int, int, int, int) {
    TControl::SetBounds(0, 0, 0, 0);
}

void TVyrGroup::SetName(const QString& NewName) {
    TControl::SetName(NewName);
    NameBands();
    if (TVyrPage* P = getpage()) P->UpdatePageManager();
}

void TVyrGroup::Notification(TComponent* AComponent, TOperation Operation) {
    TControl::Notification(AComponent, Operation);
    if (Operation != opRemove || !AComponent) return;
    if (AComponent == FVariable) FVariable = nullptr;
    if (AComponent == FHeader) FHeader = nullptr;
    if (AComponent == FFooter) FFooter = nullptr;
}

void TVyrGroup::DefineProperties(TFiler* Filer) {
    TControl::DefineProperties(Filer);
    // Read straight into the level: the group is renamed only when the page numbers its groups.
    Filer->DefineProperty(
        QStringLiteral("Level"), [this](const QVariant& Value) { FLevel = Value.toInt(); },
        [this] { return QVariant(FLevel); }, true);
}

void TVyrGroup::BeforeDestruction() {
    if (FAllowDelete && !VyrFormGoing(this)) DeleteBands();
    if (TVyrPage* P = getpage()) P->RemoveGroup(this);
    TControl::BeforeDestruction();
}

// TVyrLabel

TVyrLabel::TVyrLabel(TComponent* AOwner)
    : TGraphicControl(AOwner), FBrush(std::make_unique<TBrush>()), FBrushSet(std::make_unique<TBrush>()),
      FPen(std::make_unique<TPen>()), FPenSet(std::make_unique<TPen>()),
      FBorderPen(std::make_unique<TPen>()) {
    SetBounds(0, 0, 65, 17);
}

TVyrLabel::~TVyrLabel() = default;

void TVyrLabel::SetClipType(TVyrClipTypes Value) {
    if (Value == FClipType) return;
    FClipType = Value;
    Invalidate();
}

void TVyrLabel::SetVerticalAlign(TVyrVerticalAlign Value) {
    if (Value == FVerticalAlign) return;
    FVerticalAlign = Value;
    Invalidate();
}

void TVyrLabel::SetHorizontalAlign(TVyrHorizontalAlign Value) {
    if (Value == FHorizontalAlign) return;
    FHorizontalAlign = Value;
    Invalidate();
}

void TVyrLabel::SetWrapText(bool Value) {
    FWrapText = Value;
    if (Value && !HasState(csLoading)) SetStretch(true);
    Invalidate();
}

void TVyrLabel::SetStretch(bool Value) {
    if (Value == FStretch) return;
    FStretch = Value;
    Invalidate();
}

void TVyrLabel::SetBorderType(TVyrBorderType Value) {
    if (Value == FBorderType) return;
    FBorderType = Value;
    Invalidate();
}

void TVyrLabel::SetRotateFont(int Value) {
    if (Value == FRotateFont) return;
    FRotateFont = Value;
    Invalidate();
}

void TVyrLabel::SetShade(TPimShadePercent Value) {
    FShade = Value;
    if (Value != spNone) SetTransparent(false);
    Invalidate();
}

void TVyrLabel::SetBorderMargin(int Value) {
    FBorderMargin = Value;
    Invalidate();
}

void TVyrLabel::SetTransparent(bool Value) {
    if (Value == Transparent()) return;
    FOpaque = !Value;
    Invalidate();
}

TVyrBand* TVyrLabel::Band() const {
    return dynamic_cast<TVyrBand*>(Parent());
}

TVyrPage* TVyrLabel::getpage() const {
    TVyrBand* B = Band();
    return B ? B->Page() : nullptr;
}

int TVyrLabel::GetPPI() const {
    TVyrBand* B = Band();
    return B ? B->getppi() : Screen()->PixelsPerInch();
}

void TVyrLabel::MouseMovement(int X, int Y) {
    TVyrBand* B = Band();
    if (!B) return;
    if (TVyrRptDsgn* Design = DesignOf(this, B->GetReport()))
        Design->RulerXY(Left() + X, B->Top() + Top() + Y);
}

void TVyrLabel::SetParent(TWinControl* AParent) {
    if (AParent == Parent()) return;
    auto* NewBand = dynamic_cast<TVyrBand*>(AParent);
    if (AParent && !NewBand) Abort();
    // A label moved straight to another band leaves the old band and its page first.
    if (TVyrBand* Old = Band()) Old->RemoveLabel(this);
    if (NewBand) NewBand->InsertLabel(this);
    TGraphicControl::SetParent(AParent);
}

void TVyrLabel::LabelChanged() {
    Invalidate();
}

void TVyrLabel::BeforeDestruction() {
    if (TVyrBand* B = Band()) B->RemoveLabel(this);
    TGraphicControl::BeforeDestruction();
}

// Published properties and classes of stored forms

const TEnumInfo& VyrBorderTypeNames() {
    static const TEnumInfo Names(QStringLiteral("TVyrBorderType"),
                                 {QStringLiteral("btNone"), QStringLiteral("btSingle"),
                                  QStringLiteral("btUnderLine"), QStringLiteral("btSmall")});
    return Names;
}

const TEnumInfo& VyrDataRangeNames() {
    static const TEnumInfo Names(QStringLiteral("TVyrDataRange"),
                                 {QStringLiteral("drAllRecords"), QStringLiteral("drSingleRecord")});
    return Names;
}

namespace {

const TEnumInfo& ShadeNames() {
    static const TEnumInfo Names(QStringLiteral("TPimShadePercent"),
                                 {QStringLiteral("spNone"), QStringLiteral("spVeryDark"),
                                  QStringLiteral("spDark"), QStringLiteral("spMedDark"),
                                  QStringLiteral("spMedium"), QStringLiteral("spMedLight"),
                                  QStringLiteral("spLight")});
    return Names;
}

const TEnumInfo& ClipTypeNames() {
    static const TEnumInfo Names(
        QStringLiteral("TVyrClipTypes"),
        {QStringLiteral("ctDefault"), QStringLiteral("ctClip"), QStringLiteral("ctNoClip")});
    return Names;
}

const TEnumInfo& VerticalAlignNames() {
    static const TEnumInfo Names(QStringLiteral("TVyrVerticalAlign"),
                                 {QStringLiteral("laTop"), QStringLiteral("laMiddle"),
                                  QStringLiteral("laBottom"), QStringLiteral("laCenterVert")});
    return Names;
}

const TEnumInfo& HorizontalAlignNames() {
    static const TEnumInfo Names(
        QStringLiteral("TVyrHorizontalAlign"),
        {QStringLiteral("laLeft"), QStringLiteral("laCenter"), QStringLiteral("laRight")});
    return Names;
}

[[maybe_unused]] const bool Declared = [] {
    DeclareProperties<TVyrReserveSpace>()
        .Reference("Band", &TVyrReserveSpace::Band, &TVyrReserveSpace::SetBand)
        .Integer("BandCount", &TVyrReserveSpace::BandCount, &TVyrReserveSpace::SetBandCount)
        .Default(1)
        .Integer("Space", &TVyrReserveSpace::Space, &TVyrReserveSpace::SetSpace)
        .Default(0);
    DeclareProperties<TVyrBand, TControl>()
        .Boolean("Visible", &TVyrBand::Visible, &TVyrBand::SetVisible)
        .Default(true)
        .Boolean("Stretch", &TVyrBand::Stretch, &TVyrBand::SetStretch)
        .Default(false)
        .String("BandName", &TVyrBand::BandName, &TVyrBand::SetBandName)
        .Default(QString())
        .Reference("Updatelevel", &TVyrBand::UpdateLevel, &TVyrBand::SetUpdateLevel)
        .Event("OnPrintWhen", &TVyrBand::OnPrintWhen)
        .Boolean("NewPage", &TVyrBand::NewPage, &TVyrBand::SetNewPage)
        .Default(false)
        .Boolean("NewPageRepeat", &TVyrBand::NewPageRepeat, &TVyrBand::SetNewPageRepeat)
        .Default(false)
        .Enumeration("BorderType", VyrBorderTypeNames(), &TVyrBand::BorderType, &TVyrBand::SetBorderType)
        .Default(btNone)
        .Object("ReserveSpace", &TVyrBand::ReserveSpace)
        .Event("OnBeforePrint", &TVyrBand::OnBeforePrint)
        .Event("OnAfterPrint", &TVyrBand::OnAfterPrint)
        .Boolean("KeepTogether", &TVyrBand::KeepTogether, &TVyrBand::SetKeepTogether)
        .Default(false)
        .Enumeration("Shade", ShadeNames(), &TVyrBand::Shade, &TVyrBand::SetShade)
        .Default(spNone)
        .Publish("Color")
        .Default(clBtnFace)
        .Publish("Font")
        .Publish("ParentColor")
        .Default(true)
        .Publish("ParentFont");
    DeclareProperties<TVyrSubBand, TVyrBand>()
        .Boolean("Above", &TVyrSubBand::Above, &TVyrSubBand::SetAbove)
        .Default(false)
        .Reference("Band", &TVyrBand::Band, &TVyrBand::SetBand)
        .Integer("Order", &TVyrBand::Order, &TVyrBand::SetOrder)
        .Default(0);
    DeclareProperties<TVyrOverlayBand, TVyrBand>()
        .Boolean("First", &TVyrOverlayBand::First, &TVyrOverlayBand::SetFirst)
        .Default(true)
        .Integer("TopOffset", &TVyrOverlayBand::TopOffset, &TVyrOverlayBand::SetTopOffset)
        .Default(0)
        .Integer("LeftOffset", &TVyrOverlayBand::LeftOffset, &TVyrOverlayBand::SetLeftOffset)
        .Default(0)
        .Boolean("UseMargins", &TVyrOverlayBand::UseMargins, &TVyrOverlayBand::SetUseMargins)
        .Default(true)
        .Reference("Band", &TVyrBand::Band, &TVyrBand::SetBand)
        .Integer("Order", &TVyrBand::Order, &TVyrBand::SetOrder)
        .Default(0);
    DeclareProperties<TVyrSubDataBand, TVyrBand>()
        .Reference("DataSource", &TVyrSubDataBand::DataSource, &TVyrSubDataBand::SetDataSource)
        .Enumeration("DataRange", VyrDataRangeNames(), &TVyrSubDataBand::DataRange,
                     &TVyrSubDataBand::SetDataRange)
        .Default(drAllRecords)
        .Boolean("CloseDataSet", &TVyrSubDataBand::CloseDataSet, &TVyrSubDataBand::SetCloseDataSet)
        .Default(false)
        .Event("OnDataStart", &TVyrSubDataBand::OnDataStart)
        .Event("OnDataSkip", &TVyrSubDataBand::OnDataSkip)
        .Event("OnDataFinish", &TVyrSubDataBand::OnDataFinish)
        .Event("OnAfterDataSkip", &TVyrSubDataBand::OnAfterDataSkip)
        .Event("OnDataFilter", &TVyrSubDataBand::OnDataFilter)
        .Reference("Band", &TVyrBand::Band, &TVyrBand::SetBand)
        .Integer("Order", &TVyrBand::Order, &TVyrBand::SetOrder)
        .Default(0);
    DeclareProperties<TVyrDataHeadBand, TVyrBand>().Reference("Band", &TVyrBand::Band, &TVyrBand::SetBand);
    DeclareProperties<TVyrDataFootBand, TVyrDataHeadBand>();
    DeclareProperties<TVyrGroup, TControl>()
        .Reference("Variable", &TVyrGroup::Variable, &TVyrGroup::SetVariable)
        .Reference("Header", &TVyrGroup::Header, &TVyrGroup::SetHeader)
        .Reference("Footer", &TVyrGroup::Footer, &TVyrGroup::SetFooter)
        .Event("OnCheckBroken", &TVyrGroup::OnCheckBroken);
    DeclareProperties<TVyrLabel, TControl>()
        .Event("LabelPrintWhen", &TVyrLabel::LabelPrintWhen)
        .Event("OnBeforePrint", &TVyrLabel::OnBeforePrint)
        .Event("OnAfterPrint", &TVyrLabel::OnAfterPrint)
        .Integer("Row", &TVyrLabel::Row, &TVyrLabel::SetRow)
        .Default(0)
        .Boolean("RtfPrint", &TVyrLabel::RtfPrint, &TVyrLabel::SetRtfPrint)
        .Default(true)
        // What the kinds choose to publish.
        .Boolean("Transparent", &TVyrLabel::Transparent, &TVyrLabel::SetTransparent)
        .Default(true)
        .NotPublished()
        .Boolean("AutoSize", &TVyrLabel::AutoSize, &TVyrLabel::SetAutoSize)
        .Default(false)
        .NotPublished()
        .Enumeration("ClipType", ClipTypeNames(), &TVyrLabel::ClipType, &TVyrLabel::SetClipType)
        .Default(ctDefault)
        .NotPublished()
        .Enumeration("AlignVertical", VerticalAlignNames(), &TVyrLabel::AlignVertical,
                     &TVyrLabel::SetVerticalAlign)
        .Default(laBottom)
        .NotPublished()
        .Enumeration("AlignHorizontal", HorizontalAlignNames(), &TVyrLabel::AlignHorizontal,
                     &TVyrLabel::SetHorizontalAlign)
        .Default(laLeft)
        .NotPublished()
        .Enumeration("BorderType", VyrBorderTypeNames(), &TVyrLabel::BorderType, &TVyrLabel::SetBorderType)
        .Default(btNone)
        .NotPublished()
        .Object("Brush", &TVyrLabel::Brush)
        .NotPublished()
        .Object("Pen", &TVyrLabel::Pen)
        .NotPublished()
        .Object("BorderPen", &TVyrLabel::BorderPen)
        .NotPublished()
        .Boolean("WrapText", &TVyrLabel::WrapText, &TVyrLabel::SetWrapText)
        .Default(false)
        .NotPublished()
        .Boolean("Stretch", &TVyrLabel::Stretch, &TVyrLabel::SetStretch)
        .Default(false)
        .NotPublished()
        .Integer("RotateFont", &TVyrLabel::RotateFont, &TVyrLabel::SetRotateFont)
        .Range(0, 360)
        .Default(0)
        .NotPublished()
        .Enumeration("Shade", ShadeNames(), &TVyrLabel::Shade, &TVyrLabel::SetShade)
        .Default(spNone)
        .NotPublished()
        .Integer("BorderMargin", &TVyrLabel::BorderMargin, &TVyrLabel::SetBorderMargin)
        .Default(2)
        .NotPublished()
        .Boolean("IsVisible", &TVyrLabel::IsVisible, &TVyrLabel::SetIsVisible)
        .Default(true)
        .NotPublished();
    RegisterClasses<TVyrBand, TVyrSubBand, TVyrOverlayBand, TVyrSubDataBand, TVyrDataHeadBand,
                    TVyrDataFootBand, TVyrGroup>();
    return true;
}();

} // namespace
