// Data sources and the links through which controls and reports follow a data set.
#include "host/db.h"
#include "host/mathutil.h"
#include "host/properties.h"
#include "host/streams.h"

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <QVarLengthArray>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <typeinfo>

// ---- TDataSource

namespace {

// A stored report names the data set its source reads through, so loading the report joins them again.
const bool DataSourceDeclared = [] {
    DeclareProperties<TDataSource, TComponent>().Reference("DataSet", &TDataSource::DataSet,
                                                           &TDataSource::SetDataSet);
    RegisterClass<TDataSource>();
    return true;
}();

} // namespace

TDataSource::TDataSource(TComponent* AOwner) : TComponent(AOwner) {}

TDataSource::~TDataSource() {
    try {
        SetDataSet(nullptr); // the links' handlers run and may raise
    } catch (...) {
    }
    const std::vector<TDataLink*> Links = FLinks;
    FLinks.clear();
    ++FLinksRemoved;
    for (TDataLink* l : Links)
        l->FDataSource = nullptr;
}

void TDataSource::SetDataSet(TDataSet* Value) {
    if (Value == FDataSet) return;
    if (FDataSet) {
        auto& v = FDataSet->FDataSources;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
        ++FDataSet->FSourcesRemoved;
    }
    FDataSet = Value;
    if (FDataSet) FDataSet->FDataSources.push_back(this);
    UpdateLinks();
}

void TDataSource::SetEnabled(bool Value) {
    if (Value == FEnabled) return;
    FEnabled = Value;
    UpdateLinks();
}

void TDataSource::UpdateLinks() {
    const std::vector<TDataLink*> Links = FLinks;
    for (TDataLink* l : Links) {
        if (std::find(FLinks.begin(), FLinks.end(), l) != FLinks.end()) l->UpdateState();
    }
    if (OnStateChange) OnStateChange(this);
}

void TDataSource::DataSetDestroyed() {
    FDataSet = nullptr;
    UpdateLinks();
}

void TDataSource::RemoveLink(TDataLink* Link) {
    FLinks.erase(std::remove(FLinks.begin(), FLinks.end(), Link), FLinks.end());
    ++FLinksRemoved;
}

void TDataSource::DataEvent(TDataEvent Event, intptr_t Info) {
    if (Event == deUpdateState) {
        UpdateLinks();
        return;
    }
    if (!FEnabled) return;
    // Every record of a run moves the cursor of each variable's link; when no link would do anything
    // with the move, none is walked.
    const bool Heard =
        Event != deDataSetScroll || std::any_of(FLinks.begin(), FLinks.end(),
                                                [](TDataLink* l) { return l->FActive && !l->DeafToMoves(); });
    if (Heard) {
        const QVarLengthArray<TDataLink*, 32> Links(FLinks.begin(), FLinks.end());
        const uint32_t Removed = FLinksRemoved;
        for (TDataLink* l : Links) {
            if (FLinksRemoved == Removed || std::find(FLinks.begin(), FLinks.end(), l) != FLinks.end())
                l->DataEvent(Event, Info);
        }
    }
    if (OnDataChange && Event != deLayoutChange) {
        TField* Field =
            Event == deFieldChange || Event == deRecordChange ? reinterpret_cast<TField*>(Info) : nullptr;
        OnDataChange(this, Field);
    }
}

// ---- TDataLink

TDataLink::TDataLink() = default;

TDataLink::~TDataLink() {
    if (FDataSource) FDataSource->RemoveLink(this);
}

void TDataLink::SetDataSource(TDataSource* Value) {
    if (Value == FDataSource) return;
    if (FDataSource) FDataSource->RemoveLink(this);
    FDataSource = Value;
    if (FDataSource) FDataSource->FLinks.push_back(this);
    UpdateState();
}

void TDataLink::UpdateState() {
    const bool Now =
        FDataSource && FDataSource->Enabled() && FDataSource->DataSet() && FDataSource->DataSet()->Active();
    if (Now == FActive) return;
    FActive = Now;
    ActiveChanged();
}

void TDataLink::DataSetScrolled(int) {
    DataSetChanged();
}

void TDataLink::RecordChanged(TField*) {}

void TDataLink::DataEvent(TDataEvent Event, intptr_t Info) {
    if (!FActive) return;
    switch (Event) {
    case deFieldChange:
    case deRecordChange:
        RecordChanged(reinterpret_cast<TField*>(Info));
        break;
    case deDataSetChange:
        DataSetChanged();
        break;
    case deDataSetScroll:
        if (!DeafToMoves()) DataSetScrolled(static_cast<int>(Info));
        break;
    case deLayoutChange:
        LayoutChanged();
        break;
    case deUpdateState:
        break;
    }
}

void TDataLink::FindPlainFieldLink() {
    FPlainFieldLink = typeid(*this) == typeid(TFieldDataLink) ? 1 : 0;
}

// ---- TFieldDataLink

void TFieldDataLink::SetFieldName(const QString& Value) {
    if (Value == FFieldName) return;
    FFieldName = Value;
    UpdateField();
}

void TFieldDataLink::UpdateField() {
    FField = Active() && DataSet() ? DataSet()->FindField(FFieldName) : nullptr;
}

void TFieldDataLink::ActiveChanged() {
    UpdateField();
    if (OnActiveChange) OnActiveChange(this);
}

void TFieldDataLink::LayoutChanged() {
    UpdateField();
    TDataLink::LayoutChanged();
}

void TFieldDataLink::RecordChanged(TField* Field) {
    if ((!Field || Field == FField) && OnDataChange) OnDataChange(this);
}
