#include "report/PimDS.h"
#include "host/properties.h"
#include "report/PimPage.h"
#include "report/VyrVar.h"

#include <algorithm>

// ---- TPimDataSource

TPimDataSource::TPimDataSource(TDataSource* DataSource, TPimDataSourceManager* Manager)
    : FDataSource(DataSource), FManager(Manager) {}

TPimDataSource::~TPimDataSource() {
    try {
        CloseSource();
    } catch (...) {
    }
}

bool TPimDataSource::Opened(const TDataSet* DataSet) const {
    return std::find(FOpenedDataSets.begin(), FOpenedDataSets.end(), DataSet) != FOpenedDataSets.end();
}

QString TPimDataSource::TakeErrorMessage() {
    if (!FUnableToActivate || FErrorTaken) return QString();
    FErrorTaken = true;
    return FErrorMessage;
}

bool TPimDataSource::OpenSource() {
    if (!FDataSource || !FDataSource->DataSet()) return false;
    TDataSet* DataSet = FDataSource->DataSet();
    if (DataSet->Active()) {
        if (!FFoundOpen && !Opened(DataSet)) {
            FFoundOpen = DataSet;
            if (FManager) FManager->Track(DataSet);
        }
        return true;
    }
    try {
        DataSet->Open();
    } catch (const std::exception& e) {
        const Exception* Own = dynamic_cast<const Exception*>(&e);
        FErrorMessage = DataSetMessage(DataSet, Own ? Own->Message() : QString::fromUtf8(e.what()));
        FUnableToActivate = true;
        FErrorTaken = false;
        return false;
    } catch (...) {
        FErrorMessage = DataSetMessage(DataSet, QStringLiteral("Unknown error"));
        FUnableToActivate = true;
        FErrorTaken = false;
        return false;
    }
    const bool Open = DataSet->Active();
    // A set that was open before the run and closed during it is reopened, but left open at the
    // end as it was found.
    if (Open && DataSet != FFoundOpen && !Opened(DataSet)) {
        FOpenedDataSets.push_back(DataSet);
        if (FManager) FManager->Track(DataSet);
    }
    FCloseDataSource = !FOpenedDataSets.empty();
    FUnableToActivate = !Open;
    if (Open) FErrorMessage.clear();
    return Open;
}

void TPimDataSource::CloseSource() {
    std::vector<TDataSet*> ToClose;
    if (FCloseDataSource) ToClose.swap(FOpenedDataSets);
    FCloseDataSource = false;
    FUnableToActivate = false;
    for (TDataSet* DataSet : ToClose) {
        if (FManager) FManager->Untrack(DataSet);
    }
    for (TDataSet* DataSet : ToClose) {
        if (DataSet->Active()) DataSet->Close();
    }
}

void TPimDataSource::Forget(TComponent* Component) {
    if (FDataSource && static_cast<TComponent*>(FDataSource) == Component) FDataSource = nullptr;
    std::erase_if(FOpenedDataSets, [&](TDataSet* d) { return static_cast<TComponent*>(d) == Component; });
    if (FFoundOpen && static_cast<TComponent*>(FFoundOpen) == Component) FFoundOpen = nullptr;
    FCloseDataSource = !FOpenedDataSets.empty();
}

QString DataSetMessage(const TDataSet* DataSet, const QString& Cause) {
    if (!DataSet || DataSet->Name().isEmpty()) return Cause;
    return DataSet->Name() + QStringLiteral(": ") + Cause;
}

// ---- TPimDataSourceManager

TPimDataSourceManager::TPimDataSourceManager() : TComponent(nullptr) {}

TPimDataSourceManager::~TPimDataSourceManager() {
    try {
        CloseDataSources();
    } catch (...) {
    }
}

TPimDataSource* TPimDataSourceManager::Find(const TDataSource* DataSource) const {
    if (!DataSource) return nullptr;
    for (const auto& Item : FDSList) {
        if (Item->DataSource() == DataSource) return Item.get();
    }
    return nullptr;
}

bool TPimDataSourceManager::ActivateDataSource(TDataSource* DataSource) {
    if (!DataSource) return false;
    if (TPimDataSource* Item = Find(DataSource)) {
        TDataSet* DataSet = DataSource->DataSet();
        if (!DataSet) return false;
        if (DataSet->Active()) return true;
        if (Item->UnableToActivate()) return false;
        return Item->OpenSource();
    }
    FDSList.push_back(std::make_unique<TPimDataSource>(DataSource, this));
    Track(DataSource);
    return FDSList.back()->OpenSource();
}

QString TPimDataSourceManager::OpenFailure(TDataSource* DataSource, TDataSet* DataSet, bool& New) {
    if (TPimDataSource* Item = Find(DataSource); Item && Item->UnableToActivate()) {
        New = !Item->TakeErrorMessage().isEmpty();
        return Item->ErrorMessage();
    }
    // Nothing tried to open it (a data set given without a data source), or it opened and was
    // closed again: closed all the same.
    New = true;
    return DataSetMessage(DataSet, QStringLiteral("Cannot perform this operation on a closed dataset"));
}

void TPimDataSourceManager::CloseDataSources() {
    std::vector<std::unique_ptr<TPimDataSource>> Items;
    Items.swap(FDSList);
    std::exception_ptr First;
    for (auto& Item : Items) {
        try {
            Item->CloseSource();
        } catch (...) {
            if (!First) First = std::current_exception();
        }
    }
    for (auto& Item : Items) {
        Untrack(Item->FDataSource);
        Untrack(Item->FFoundOpen);
    }
    Items.clear();
    if (First) std::rethrow_exception(First);
}

bool TPimDataSourceManager::Refers(const TComponent* Component) const {
    for (const auto& Item : FDSList) {
        if (static_cast<const TComponent*>(Item->FDataSource) == Component) return true;
        if (static_cast<const TComponent*>(Item->FFoundOpen) == Component) return true;
        for (TDataSet* d : Item->FOpenedDataSets)
            if (static_cast<const TComponent*>(d) == Component) return true;
    }
    return false;
}

void TPimDataSourceManager::Track(TComponent* Component) {
    if (Component) Component->FreeNotification(this);
}

void TPimDataSourceManager::Untrack(TComponent* Component) {
    if (Component && !Refers(Component)) Component->RemoveFreeNotification(this);
}

void TPimDataSourceManager::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove || !AComponent) return;
    for (auto& Item : FDSList)
        Item->Forget(AComponent);
    // An entry whose data source is gone is dropped; while it still has a data set to close at
    // the end of the run it stays, but can no longer be found.
    std::erase_if(FDSList, [](const std::unique_ptr<TPimDataSource>& Item) {
        return !Item->FDataSource && Item->FOpenedDataSets.empty();
    });
}

// TPimDataLink

void TPimDataLink::ActiveChanged() {
    TDataLink::ActiveChanged();
    if (!DSG || !DSG->HasState(csDesigning)) return;
    TVyrPage* Page = DSG->Page();
    if (Page && !Page->HasState(csDestroying)) Page->Redraw();
}

// TVyrDSGuide

TVyrDSGuide::TVyrDSGuide(TComponent* AOwner)
    : TControl(AOwner), FDataLink(std::make_unique<TPimDataLink>(this)) {
    SetBounds(0, 0, 0, 0);
    TControl::SetVisible(false);
}

TVyrDSGuide::~TVyrDSGuide() = default;

TVyrPage* TVyrDSGuide::Page() const {
    return dynamic_cast<TVyrPage*>(Parent());
}

bool TVyrDSGuide::PageGoing() const {
    TVyrPage* P = Page();
    return !P || P->HasState(csDestroying);
}

void TVyrDSGuide::SetCreateVariables(bool Value) {
    if (Value == FCreateVariables) return;
    FCreateVariables = Value;
    if (!PageGoing()) Page()->VarChanged();
}

void TVyrDSGuide::SetUpdateLevel(TVyrLevel* Value) {
    if (Value == FUpdateLevel) return;
    FUpdateLevel = Value;
    // A guide without a level falls back to the detail band's; a page without a detail band
    // leaves it without one.
    if (!FUpdateLevel && !PageGoing() && Page()->Detail()) FUpdateLevel = Page()->Detail()->UpdateLevel();
    if (FUpdateLevel) FUpdateLevel->FreeNotification(this);
    if (PageGoing()) return;
    Page()->PostUpdateVarlist();
    Page()->VarChanged();
}

void TVyrDSGuide::SetDataSource(TDataSource* Value) {
    FDataLink->SetDataSource(Value);
    if (Value) Value->FreeNotification(this);
}

void TVyrDSGuide::SetParent(TWinControl* AParent) {
    if (AParent == Parent()) return;
    auto* NewPage = dynamic_cast<TVyrGrouppage*>(AParent);
    if (AParent && !NewPage) Abort();
    // A guide moved straight to another page leaves the old one first.
    if (TVyrPage* Old = Page()) Old->RemoveDataSourceGuide(this);
    if (NewPage) NewPage->InsertDataSourceGuide(this);
    TControl::SetParent(AParent);
}

void TVyrDSGuide::Notification(TComponent* AComponent, TOperation Operation) {
    TControl::Notification(AComponent, Operation);
    if (Operation != opRemove || !AComponent) return;
    if (AComponent == FUpdateLevel) {
        SetUpdateLevel(nullptr);
        // The fallback may be the very level that goes.
        if (FUpdateLevel == AComponent) FUpdateLevel = nullptr;
    }
    if (AComponent == FDataLink->DataSource()) FDataLink->SetDataSource(nullptr);
}

void TVyrDSGuide::BeforeDestruction() {
    if (TVyrPage* P = Page()) P->RemoveDataSourceGuide(this);
    TControl::BeforeDestruction();
}

// Published properties and classes of stored forms

namespace {

[[maybe_unused]] const bool Declared = [] {
    DeclareProperties<TVyrDSGuide, TControl>()
        .Boolean("CreateVariables", &TVyrDSGuide::CreateVariables, &TVyrDSGuide::SetCreateVariables)
        .Default(true)
        .Reference("UpdateLevel", &TVyrDSGuide::UpdateLevel, &TVyrDSGuide::SetUpdateLevel)
        .Reference("DataSource", &TVyrDSGuide::DataSource, &TVyrDSGuide::SetDataSource);
    DeclareProperties<TVyrDataSourceGuide, TVyrDSGuide>();
    RegisterClasses<TVyrDSGuide, TVyrDataSourceGuide>();
    return true;
}();

} // namespace
