// The band kinds: sub bands, overlays, sub data bands with their own data loop, data head and foot bands.
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
#include <functional>

using namespace VyrCtrlInternal;

// Band kinds

namespace {

bool IsAttachedKind(const TVyrBand* B) {
    return dynamic_cast<const TVyrSubBand*>(B) || dynamic_cast<const TVyrSubDataBand*>(B) ||
           dynamic_cast<const TVyrDataHeadBand*>(B);
}

// The main band at the end of a chain of attachments; nil for a kind attached to nothing or a chain
// that loops. The walk is bounded, so no chain can hang it.
TVyrBand* MainOf(TVyrBand* Start) {
    TVyrBand* B = Start;
    for (int Guard = 0; Guard < 1000; ++Guard) {
        if (!IsAttachedKind(B)) return B;
        B = B->Band();
        if (!B || B == Start) return nullptr;
    }
    return nullptr;
}

} // namespace

TVyrSubBand::TVyrSubBand(TComponent* AOwner) : TVyrBand(AOwner) {
    FKind = bkSub;
}

void TVyrSubBand::SetAbove(bool Value) {
    if (Value == FAbove) return;
    FAbove = Value;
    Reorder();
}

TVyrBand* TVyrSubBand::GetMainBand() {
    return MainOf(this);
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

TVyrOverlayBand::TVyrOverlayBand(TComponent* AOwner) : TVyrBand(AOwner) {
    FKind = bkOverlay;
}

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
    : TVyrBand(AOwner), FDataLink(std::make_unique<TDataLink>()) {
    FKind = bkSubData;
}

TVyrSubDataBand::~TVyrSubDataBand() = default;

void TVyrSubDataBand::SetDataSource(TDataSource* Value) {
    FDataLink->SetDataSource(Value);
    if (Value) Value->FreeNotification(this);
}

TDataSet* TVyrSubDataBand::DataSet() const {
    return FDataLink->DataSet();
}

TVyrBand* TVyrSubDataBand::GetMainBand() {
    return MainOf(this);
}

void TVyrSubDataBand::SetNewPageRepeat(bool Value) {
    if (Value && HasState(csDesigning)) {
        // Repeating a sub data band is set up by its events, never by the flag; a form being read
        // is refused without a word.
        if (!HasState(csLoading | csReading))
            ShowMessage(QStringLiteral("Look in the help on how to set repeat on a subdata band."));
        return;
    }
    TVyrBand::SetNewPageRepeat(Value);
}

void TVyrSubDataBand::AfterDataSkip() {
    GuardedEvent(this, OnAfterDataSkip, this);
}

bool TVyrSubDataBand::DoOnDataFilter() {
    bool Result = false;
    OnDataFilter(this, Result);
    return Result;
}

void TVyrSubDataBand::FilterFirst() {
    if (OnDataFilter && !DoOnDataFilter())
        DataSkip();
    else
        AfterDataSkip();
}

void TVyrSubDataBand::DataStart() {
    FDataIsFinished = false;
    bool Tell = true;
    try {
        TDataSet* DS = DataSet();
        if (OnDataStart) {
            OnDataStart(this);
            if (!FDataIsFinished) FilterFirst();
        } else if (DS) {
            TPimDataSourceManager* Manager = Page() ? Page()->DataSourceManager() : nullptr;
            if (Manager && !Manager->ActivateDataSource(DataSource()) && !DS->Active()) {
                // Every loop of the run meets the same closed set: the run hears why once.
                FDataIsFinished = true;
                throw EDatabaseError(Manager->OpenFailure(DataSource(), DS, Tell));
            }
            if (FDataRange == drAllRecords) {
                DS->First();
                FDataIsFinished = DS->Eof();
                if (!FDataIsFinished) FilterFirst();
            } else if (DS->Eof()) {
                FDataIsFinished = true;
            } else {
                // One record, the current one: only the filter can refuse it.
                if (OnDataFilter) FDataIsFinished = !DoOnDataFilter();
                if (!FDataIsFinished) AfterDataSkip();
            }
        } else {
            FDataIsFinished = true;
        }
    } catch (...) {
        FDataIsFinished = true;
        if (Tell) VyrRunFailed(Page(), this, std::current_exception());
    }
}

void TVyrSubDataBand::DataSkip() {
    bool Moving = false;
    auto Move = [&Moving](const std::function<void()>& Step) {
        Moving = true;
        Step();
        Moving = false;
    };
    try {
        TDataSet* DS = DataSet();
        if (OnDataSkip) {
            Move([this] { OnDataSkip(this); });
            if (OnDataFilter)
                while (!FDataIsFinished && !DoOnDataFilter())
                    Move([this] { OnDataSkip(this); });
            if (!FDataIsFinished) AfterDataSkip();
        } else if (DS) {
            if (FDataRange == drSingleRecord) {
                FDataIsFinished = true;
            } else {
                Move([DS] { DS->Next(); });
                if (OnDataFilter)
                    while (!FDataIsFinished && !DoOnDataFilter()) {
                        Move([DS] { DS->Next(); });
                        FDataIsFinished = DS->Eof();
                    }
                if (DS->Eof())
                    FDataIsFinished = true;
                else
                    AfterDataSkip();
            }
        }
    } catch (...) {
        // A move that fails would fail again from the same record, printing it for ever: the
        // loop's data ends here.
        if (Moving) FDataIsFinished = true;
        VyrRunFailed(Page(), this, std::current_exception());
    }
    Application()->ProcessMessages();
}

void TVyrSubDataBand::DataFinish() {
    try {
        if (OnDataFinish)
            OnDataFinish(this);
        else if (TDataSet* DS = DataSet(); DS && FCloseDataSet)
            DS->Close();
    } catch (...) {
        VyrRunFailed(Page(), this, std::current_exception());
    }
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
    return MainOf(this);
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
