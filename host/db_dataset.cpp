// The data set: opening and closing, moving through its records, bookmarks, filters and its fields.
#include "host/db.h"
#include "host/lists.h"
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

// ---- TDataSet

TDataSet::TDataSet(TComponent* AOwner) : TComponent(AOwner) {}

TDataSet::~TDataSet() {
    FFields.clear();
    const std::vector<TDataSource*> Sources = FDataSources;
    FDataSources.clear();
    ++FSourcesRemoved;
    // A handler that raises here has nobody left to tell, and the other sources must still let go.
    for (TDataSource* s : Sources) {
        try {
            s->DataSetDestroyed();
        } catch (...) {
        }
    }
}

void TDataSet::CheckActive() const {
    if (!Active()) throw EDatabaseError(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

void TDataSet::CheckInactive() const {
    if (Active()) throw EDatabaseError(QStringLiteral("Cannot perform this operation on an open dataset"));
}

void TDataSet::SetActive(bool Value) {
    if (Value)
        Open();
    else
        Close();
}

void TDataSet::CreateFields() {
    FFields.clear();
    for (int i = 0; i < FFieldDefs.Count(); ++i)
        FFields.push_back(std::make_unique<TField>(this, FFieldDefs[i], i));
}

void TDataSet::Open() {
    if (Active()) return;
    if (BeforeOpen) BeforeOpen(this);
    FState = dsOpening;
    try {
        InternalOpen();
        if (Rows().ColumnCount() != FFieldDefs.Count())
            throw EDatabaseError(QStringLiteral("Record buffer does not match the field definitions"));
        FReadStore = &Rows();
        CreateFields();
        FCurrent = SeekForward(0);
    } catch (...) {
        FFields.clear();
        FCurrent = -1;
        FState = dsInactive;
        try {
            InternalClose();
        } catch (...) {
        }
        throw;
    }
    FActiveRow = FCurrent;
    FBof = true;
    FEof = FCurrent < 0;
    FState = dsBrowse;
    DataEvent(deUpdateState);
    if (AfterOpen) AfterOpen(this);
}

void TDataSet::Close() {
    if (!Active()) return;
    if (BeforeClose) BeforeClose(this);
    FState = dsInactive;
    FCurrent = -1;
    FActiveRow = -1;
    FBof = FEof = true;
    DataEvent(deUpdateState);
    FFields.clear();
    FReadStore = nullptr;
    InternalClose();
    if (AfterClose) AfterClose(this);
}

void TDataSet::UpdateFieldDefs() {
    if (FState == dsInactive) InternalInitFieldDefs();
}

void TDataSet::GetFieldNames(TStringList* List) {
    List->Clear();
    if (Active()) {
        for (const auto& f : FFields)
            List->Add(f->FieldName());
        return;
    }
    UpdateFieldDefs();
    for (int i = 0; i < FFieldDefs.Count(); ++i)
        List->Add(FFieldDefs[i].Name());
}

bool TDataSet::RowExists(int64_t Row) {
    if (Row < 0) return false;
    while (Row >= Rows().RowCount()) {
        if (!FetchMore()) return false;
    }
    return true;
}

bool TDataSet::Accepts(int64_t Row) {
    if (!FFiltered || !OnFilterRecord) return true;
    const TDataSetState SavedState = FState;
    const int64_t SavedRow = FActiveRow;
    struct Restore {
        TDataSet* Self;
        TDataSetState State;
        int64_t Row;
        ~Restore() {
            Self->FState = State;
            Self->FActiveRow = Row;
        }
    } Guard{this, SavedState, SavedRow};
    FState = dsFilter;
    FActiveRow = Row;
    bool Accept = true;
    OnFilterRecord(this, Accept);
    return Accept;
}

int64_t TDataSet::SeekForward(int64_t From) {
    for (int64_t r = std::max<int64_t>(From, 0); RowExists(r); ++r) {
        if (Accepts(r)) return r;
    }
    return -1;
}

int64_t TDataSet::SeekBackward(int64_t From) {
    for (int64_t r = std::min(From, Rows().RowCount() - 1); r >= 0; --r) {
        if (Accepts(r)) return r;
    }
    return -1;
}

void TDataSet::Scrolled(int64_t OldRow) {
    FActiveRow = FCurrent;
    if (FCurrent != OldRow) DataEvent(deDataSetScroll, static_cast<intptr_t>(FCurrent - OldRow));
    if (AfterScroll) AfterScroll(this);
}

void TDataSet::First() {
    CheckActive();
    const int64_t Old = FCurrent;
    FCurrent = SeekForward(0);
    FBof = true;
    FEof = FCurrent < 0;
    Scrolled(Old);
}

void TDataSet::Next() {
    CheckActive();
    if (FEof) return;
    const int64_t Old = FCurrent;
    const int64_t r = FCurrent < 0 ? -1 : SeekForward(FCurrent + 1);
    if (r < 0) {
        FEof = true;
        FBof = FCurrent < 0;
    } else {
        FCurrent = r;
        FBof = FEof = false;
    }
    Scrolled(Old);
}

void TDataSet::Prior() {
    CheckActive();
    if (FBof) return;
    const int64_t Old = FCurrent;
    const int64_t r = FCurrent < 0 ? -1 : SeekBackward(FCurrent - 1);
    if (r < 0) {
        FBof = true;
        FEof = FCurrent < 0;
    } else {
        FCurrent = r;
        FBof = FEof = false;
    }
    Scrolled(Old);
}

void TDataSet::Last() {
    CheckActive();
    while (FetchMore()) {
    }
    const int64_t Old = FCurrent;
    FCurrent = SeekBackward(Rows().RowCount() - 1);
    FEof = true;
    FBof = FCurrent < 0;
    Scrolled(Old);
}

int TDataSet::MoveBy(int Distance) {
    CheckActive();
    const int64_t Old = FCurrent;
    int Moved = 0;
    while (Distance > 0 && !FEof) {
        const int64_t r = FCurrent < 0 ? -1 : SeekForward(FCurrent + 1);
        if (r < 0) {
            FEof = true;
            break;
        }
        FCurrent = r;
        FBof = false;
        --Distance;
        ++Moved;
    }
    while (Distance < 0 && !FBof) {
        const int64_t r = FCurrent < 0 ? -1 : SeekBackward(FCurrent - 1);
        if (r < 0) {
            FBof = true;
            break;
        }
        FCurrent = r;
        FEof = false;
        ++Distance;
        --Moved;
    }
    Scrolled(Old);
    return Moved;
}

bool TDataSet::IsEmpty() {
    if (!Active()) return true;
    return FCurrent < 0 && SeekForward(0) < 0;
}

int TDataSet::RecordCount() {
    if (!Active()) return 0;
    while (FetchMore()) {
    }
    const int64_t Rows_ = Rows().RowCount();
    int64_t Count = 0;
    if (!FFiltered || !OnFilterRecord)
        Count = Rows_;
    else
        for (int64_t r = 0; r < Rows_; ++r)
            Count += Accepts(r) ? 1 : 0;
    return static_cast<int>(std::min<int64_t>(Count, std::numeric_limits<int>::max()));
}

int TDataSet::RecNo() {
    if (!Active() || FCurrent < 0) return 0;
    if (!FFiltered || !OnFilterRecord) return static_cast<int>(FCurrent + 1);
    int n = 0;
    for (int64_t r = 0; r <= FCurrent; ++r)
        n += Accepts(r) ? 1 : 0;
    return n;
}

TField* TDataSet::Fields(int Index) const {
    if (Index < 0 || Index >= FieldCount())
        throw EListError(QStringLiteral("List index out of bounds (%d)"), {QString::number(Index)});
    return FFields[static_cast<size_t>(Index)].get();
}

TField* TDataSet::FindField(const QString& Name) const {
    for (const auto& f : FFields) {
        if (f->FieldName().compare(Name, Qt::CaseInsensitive) == 0) return f.get();
    }
    return nullptr;
}

TField* TDataSet::FieldByName(const QString& Name) const {
    TField* f = FindField(Name);
    if (!f) throw EDatabaseError(QStringLiteral("Field '%s' not found"), {Name});
    return f;
}

TBookmark TDataSet::GetBookmark() const {
    if (!Active() || FCurrent < 0) return TBookmark();
    TBookmark b(8, '\0');
    PutUInt64LE(reinterpret_cast<uint8_t*>(b.data()), static_cast<uint64_t>(FCurrent));
    return b;
}

namespace {
int64_t BookmarkRow(const TBookmark& b) {
    if (b.size() != 8) return -1;
    const uint64_t r = GetUInt64LE(reinterpret_cast<const uint8_t*>(b.constData()));
    return r > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) ? -1 : static_cast<int64_t>(r);
}
} // namespace

bool TDataSet::BookmarkValid(const TBookmark& Bookmark) {
    return Active() && RowExists(BookmarkRow(Bookmark));
}

void TDataSet::GotoBookmark(const TBookmark& Bookmark) {
    CheckActive();
    const int64_t r = BookmarkRow(Bookmark);
    if (!RowExists(r)) throw EDatabaseError(QStringLiteral("Record not found"));
    const int64_t Old = FCurrent;
    FCurrent = r;
    FBof = FEof = false;
    Scrolled(Old);
}

int TDataSet::CompareBookmarks(const TBookmark& A, const TBookmark& B) const {
    const int64_t a = BookmarkRow(A), b = BookmarkRow(B);
    return a < b ? -1 : a > b ? 1 : 0;
}

void TDataSet::SetFiltered(bool Value) {
    if (Value == FFiltered) return;
    FFiltered = Value;
    if (Active()) Refilter();
}

void TDataSet::Refilter() {
    CheckActive();
    First();
    DataEvent(deDataSetChange);
}

void TDataSet::DisableControls() {
    ++FDisableCount;
}

void TDataSet::EnableControls() {
    if (FDisableCount == 0) return;
    if (--FDisableCount == 0 && FPendingChange) {
        FPendingChange = false;
        DataEvent(deDataSetChange);
    }
}

void TDataSet::DataEvent(TDataEvent Event, intptr_t Info) {
    if (Event != deUpdateState && FDisableCount > 0) {
        FPendingChange = true;
        return;
    }
    // A copy, as a source may leave while it is told; a set's few sources are copied without allocating.
    const QVarLengthArray<TDataSource*, 8> Sources(FDataSources.begin(), FDataSources.end());
    const uint32_t Removed = FSourcesRemoved;
    for (TDataSource* s : Sources) {
        if (FSourcesRemoved == Removed ||
            std::find(FDataSources.begin(), FDataSources.end(), s) != FDataSources.end())
            s->DataEvent(Event, Info);
    }
}

void TDataSet::RowsChanged() {
    if (!Active()) return;
    if (FCurrent < 0) {
        FCurrent = SeekForward(0);
        FActiveRow = FCurrent;
        FBof = true;
        FEof = FCurrent < 0;
    }
    DataEvent(deDataSetChange);
}
