// Groups with their header and footer bands, and the space a band reserves below itself.
#include "host/dialogs.h"
#include "host/forms.h"
#include "host/mathutil.h"
#include "host/properties.h"
#include "host/resstrings.h"
#include "output/PimOut.h"
#include "report/PimDS.h"
#include "report/PimPage.h"
#include "report/VyrCtrl.h"
#include "report/VyrCtrl_internal.h"
#include "report/VyrRep.h"
#include "report/VyrRtf.h"
#include "report/VyrUtil.h"
#include "report/VyrVar.h"

#include <algorithm>
#include <cstdint>

using namespace VyrCtrlInternal;

// TVyrReserveSpace

TVyrReserveSpace::TVyrReserveSpace(TVyrBand* AOwner) : FOwner(AOwner) {}

TVyrReserveSpace::~TVyrReserveSpace() = default;

void TVyrReserveSpace::Assign(const TPersistent* Source) {
    if (auto* S = dynamic_cast<const TVyrReserveSpace*>(Source)) {
        SetBand(S->FBand);
        FBandCount = S->FBandCount;
        FSpace = S->FSpace;
        return;
    }
    TPersistent::Assign(Source);
}

void TVyrReserveSpace::SetBand(TVyrBand* Value) {
    FBand = Value;
    if (Value && FOwner) Value->FreeNotification(FOwner);
}

int TVyrReserveSpace::GetReserve() const {
    // Any count and space give a usable figure: the sum is taken wide and clamped.
    const int64_t Sum = (FBand ? int64_t(FBand->Height()) * FBandCount : 0) + FSpace;
    return int(std::clamp<int64_t>(Sum, INT32_MIN, INT32_MAX));
}

QString TVyrReserveSpace::GetNamePath() const {
    return FOwner ? FOwner->GetNamePath() + QStringLiteral(".ReserveSpace") : TPersistent::GetNamePath();
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

bool TVyrGroup::CheckBroken() {
    FBroken = false;
    if (FVariable) FBroken = !VyrSameText(FVariable->DataNow(), FVariable->DataLast());
    GuardedEvent(this, OnCheckBroken, static_cast<TComponent*>(this));
    return FBroken;
}

void TVyrGroup::PrintHead(TVyrPage* Page) {
    if (FHeader) FHeader->Print(Page);
    FBroken = false;
}

void TVyrGroup::PrintFoot(TVyrPage* Page) {
    if (FFooter) FFooter->Print(Page);
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
