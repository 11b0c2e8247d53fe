#include "host/memdataset.h"

TMemDataSet::TMemDataSet(TComponent* AOwner) : TDataSet(AOwner) {}

TMemDataSet::~TMemDataSet() {
    try {
        Close();
    } catch (...) {
    }
}

void TMemDataSet::PrepareStore() {
    if (FStoreVersion == FieldDefs().Version()) return;
    CheckInactive();
    std::vector<TStoreKind> Kinds;
    for (int i = 0; i < FieldDefs().Count(); ++i)
        Kinds.push_back(StoreKindOf(FieldDefs()[i].DataType()));
    FStore.Reset(Kinds);
    FStoreVersion = FieldDefs().Version();
}

void TMemDataSet::AppendRecord(const QVariantList& Values) {
    PrepareStore();
    if (Values.size() != FieldDefs().Count()) {
        throw EDatabaseError(QStringLiteral("%d values given for %d fields"),
                             {QString::number(Values.size()), QString::number(FieldDefs().Count())});
    }
    try {
        for (int i = 0; i < FieldDefs().Count(); ++i) {
            const TFieldDef& Def = FieldDefs()[i];
            StoreVariant(FStore, i, Def.DataType(), Values[i], Def.Name());
        }
        FStore.EndRow();
    } catch (...) {
        FStore.AbandonRow();
        throw;
    }
    RowsChanged();
}

void TMemDataSet::EmptyDataSet() {
    FStore.Clear();
    if (Active()) First();
    RowsChanged();
}

void TMemDataSet::InternalOpen() {
    PrepareStore();
}

void TMemDataSet::InternalClose() {}
