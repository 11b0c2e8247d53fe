#pragma once
#include "host/db.h"

// A data set held in memory: its fields are defined in code and its rows appended, open or
// closed. The rows outlive Close, so the same data can be walked again; changing the field
// definitions drops them.
class TMemDataSet : public TDataSet {
public:
    explicit TMemDataSet(TComponent* AOwner = nullptr);
    ~TMemDataSet() override;

    // One value per field definition, in their order; an invalid variant is a null. Raises
    // EConvertError when a value does not fit its field, leaving the rows as they were.
    void AppendRecord(const QVariantList& Values);
    void EmptyDataSet();
    int64_t StoredRows() const { return FStore.RowCount(); }

protected:
    void InternalOpen() override;
    void InternalClose() override;
    TRowStore& Rows() override { return FStore; }

private:
    void PrepareStore();

    TRowStore FStore;
    int FStoreVersion = -1;
};
