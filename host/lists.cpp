#include "host/lists.h"
#include "host/encoding.h"
#include "host/exceptions.h"
#include "host/streams.h"

#include <algorithm>

namespace {
[[noreturn]] void ListIndexError(int Index) {
    throw EListError(QStringLiteral("List index out of bounds (%d)"), {QString::number(Index)});
}
} // namespace

// ---- TList

TList::TList() = default;
TList::~TList() = default;

void TList::CheckIndex(int Index) const {
    if (Index < 0 || Index >= Count()) ListIndexError(Index);
}

void* TList::Items(int Index) const {
    CheckIndex(Index);
    return FItems[static_cast<size_t>(Index)];
}

void TList::SetItems(int Index, void* Item) {
    CheckIndex(Index);
    FItems[static_cast<size_t>(Index)] = Item;
}

int TList::Add(void* Item) {
    FItems.push_back(Item);
    return Count() - 1;
}

void TList::Insert(int Index, void* Item) {
    if (Index < 0 || Index > Count()) ListIndexError(Index);
    FItems.insert(FItems.begin() + Index, Item);
}

void TList::Delete(int Index) {
    CheckIndex(Index);
    FItems.erase(FItems.begin() + Index);
}

int TList::Remove(void* Item) {
    const int i = IndexOf(Item);
    if (i >= 0) Delete(i);
    return i;
}

int TList::IndexOf(const void* Item) const {
    const auto it = std::find(FItems.begin(), FItems.end(), Item);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

void TList::Exchange(int Index1, int Index2) {
    CheckIndex(Index1);
    CheckIndex(Index2);
    std::swap(FItems[static_cast<size_t>(Index1)], FItems[static_cast<size_t>(Index2)]);
}

void TList::Move(int CurIndex, int NewIndex) {
    if (CurIndex == NewIndex) return;
    CheckIndex(NewIndex);
    void* Item = Items(CurIndex);
    FItems.erase(FItems.begin() + CurIndex);
    FItems.insert(FItems.begin() + NewIndex, Item);
}

void TList::Clear() {
    FItems.clear();
    FItems.shrink_to_fit();
}

void TList::Sort(const std::function<int(void*, void*)>& Compare) {
    std::stable_sort(FItems.begin(), FItems.end(), [&](void* a, void* b) { return Compare(a, b) < 0; });
}

void TList::SetCapacity(int Value) {
    if (Value < Count()) throw EListError(QStringLiteral("List capacity out of bounds (%d)"), {QString::number(Value)});
    FItems.reserve(static_cast<size_t>(Value));
}

// ---- TStringList

TStringList::TStringList() = default;
TStringList::~TStringList() = default;

void TStringList::CheckIndex(int Index) const {
    if (Index < 0 || Index >= Count()) ListIndexError(Index);
}

void TStringList::Changed() {
    if (OnChange) OnChange(this);
}

int TStringList::Compare(const QString& a, const QString& b) const {
    return QString::compare(a, b, FCaseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive);
}

const QString& TStringList::Strings(int Index) const {
    CheckIndex(Index);
    return FItems[static_cast<size_t>(Index)].S;
}

void TStringList::SetStrings(int Index, const QString& S) {
    CheckIndex(Index);
    FItems[static_cast<size_t>(Index)].S = S;
    Changed();
}

void* TStringList::Objects(int Index) const {
    CheckIndex(Index);
    return FItems[static_cast<size_t>(Index)].Object;
}

void TStringList::SetObjects(int Index, void* Object) {
    CheckIndex(Index);
    FItems[static_cast<size_t>(Index)].Object = Object;
}

int TStringList::Add(const QString& S) { return AddObject(S, nullptr); }

int TStringList::AddObject(const QString& S, void* Object) {
    int Index = Count();
    if (FSorted) {
        if (Find(S, Index)) {
            if (FDuplicates == dupIgnore) return Index;
            if (FDuplicates == dupError) throw EListError(QStringLiteral("String list does not allow duplicates"));
        }
    }
    FItems.insert(FItems.begin() + Index, Item{S, Object});
    Changed();
    return Index;
}

void TStringList::Insert(int Index, const QString& S) { InsertObject(Index, S, nullptr); }

void TStringList::InsertObject(int Index, const QString& S, void* Object) {
    if (FSorted) throw EListError(QStringLiteral("Operation not allowed on sorted list"));
    if (Index < 0 || Index > Count()) ListIndexError(Index);
    FItems.insert(FItems.begin() + Index, Item{S, Object});
    Changed();
}

void TStringList::Delete(int Index) {
    CheckIndex(Index);
    FItems.erase(FItems.begin() + Index);
    Changed();
}

void TStringList::Clear() {
    if (FItems.empty()) return;
    FItems.clear();
    Changed();
}

void TStringList::Exchange(int Index1, int Index2) {
    CheckIndex(Index1);
    CheckIndex(Index2);
    std::swap(FItems[static_cast<size_t>(Index1)], FItems[static_cast<size_t>(Index2)]);
    Changed();
}

void TStringList::Move(int CurIndex, int NewIndex) {
    if (CurIndex == NewIndex) return;
    CheckIndex(CurIndex);
    CheckIndex(NewIndex);
    Item it = FItems[static_cast<size_t>(CurIndex)];
    FItems.erase(FItems.begin() + CurIndex);
    FItems.insert(FItems.begin() + NewIndex, it);
    Changed();
}

int TStringList::IndexOf(const QString& S) const {
    if (FSorted) {
        int i;
        return Find(S, i) ? i : -1;
    }
    for (int i = 0; i < Count(); ++i)
        if (Compare(FItems[static_cast<size_t>(i)].S, S) == 0) return i;
    return -1;
}

int TStringList::IndexOfObject(const void* Object) const {
    for (int i = 0; i < Count(); ++i)
        if (FItems[static_cast<size_t>(i)].Object == Object) return i;
    return -1;
}

bool TStringList::Find(const QString& S, int& Index) const {
    int L = 0, H = Count() - 1;
    bool Found = false;
    while (L <= H) {
        const int I = (L + H) / 2;
        const int C = Compare(FItems[static_cast<size_t>(I)].S, S);
        if (C < 0) {
            L = I + 1;
        } else {
            H = I - 1;
            if (C == 0) {
                Found = true;
                if (FDuplicates != dupAccept) L = I;
            }
        }
    }
    Index = L;
    return Found;
}

void TStringList::Sort() {
    std::stable_sort(FItems.begin(), FItems.end(), [this](const Item& a, const Item& b) { return Compare(a.S, b.S) < 0; });
    Changed();
}

void TStringList::SetSorted(bool Value) {
    if (Value && !FSorted) Sort();
    FSorted = Value;
}

void TStringList::SetCaseSensitive(bool Value) {
    if (Value == FCaseSensitive) return;
    FCaseSensitive = Value;
    if (FSorted) Sort();
}

QString TStringList::Names(int Index) const {
    const QString& S = Strings(Index);
    const qsizetype p = S.indexOf(u'=');
    return p < 0 ? QString() : S.left(p);
}

int TStringList::IndexOfName(const QString& Name) const {
    for (int i = 0; i < Count(); ++i) {
        const QString& S = FItems[static_cast<size_t>(i)].S;
        const qsizetype p = S.indexOf(u'=');
        if (p >= 0 && Compare(S.left(p), Name) == 0) return i;
    }
    return -1;
}

QString TStringList::Values(const QString& Name) const {
    const int i = IndexOfName(Name);
    if (i < 0) return {};
    const QString& S = FItems[static_cast<size_t>(i)].S;
    return S.mid(S.indexOf(u'=') + 1);
}

void TStringList::SetValues(const QString& Name, const QString& Value) {
    const int i = IndexOfName(Name);
    if (Value.isEmpty()) {
        if (i >= 0) Delete(i);
    } else if (i < 0) {
        Add(Name + u'=' + Value);
    } else {
        SetStrings(i, Name + u'=' + Value);
    }
}

QString TStringList::Text() const {
    QString Result;
    for (const Item& it : FItems) {
        Result += it.S;
        Result += QStringLiteral("\r\n");
    }
    return Result;
}

void TStringList::SetText(const QString& Value) {
    FItems.clear();
    qsizetype Start = 0;
    const qsizetype n = Value.size();
    while (Start < n) {
        qsizetype p = Start;
        while (p < n && Value[p] != u'\r' && Value[p] != u'\n') ++p;
        FItems.push_back(Item{Value.mid(Start, p - Start), nullptr});
        if (p < n && Value[p] == u'\r') ++p;
        if (p < n && Value[p] == u'\n') ++p;
        Start = p;
    }
    if (FSorted) {
        FSorted = false;
        SetSorted(true);
    }
    Changed();
}

QString TStringList::CommaText() const {
    QStringList Parts;
    for (const Item& it : FItems) {
        const QString& S = it.S;
        bool Quote = S.isEmpty();
        for (QChar c : S)
            if (c.unicode() <= ' ' || c == u',' || c == u'"') Quote = true;
        if (Quote) {
            QString q = S;
            q.replace(u'"', QStringLiteral("\"\""));
            Parts << (u'"' + q + u'"');
        } else {
            Parts << S;
        }
    }
    return Parts.join(u',');
}

void TStringList::SetCommaText(const QString& Value) {
    FItems.clear();
    qsizetype i = 0;
    const qsizetype n = Value.size();
    // A NUL is a blank like any other control character: it ends an unquoted item and is skipped
    // between items, so every pass of the loop below consumes at least one character.
    auto SkipBlanks = [&] {
        while (i < n && Value[i].unicode() <= ' ') ++i;
    };
    SkipBlanks();
    while (i < n) {
        QString S;
        if (Value[i] == u'"') {
            ++i;
            while (i < n) {
                if (Value[i] == u'"') {
                    if (i + 1 < n && Value[i + 1] == u'"') {
                        S += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                S += Value[i++];
            }
        } else {
            while (i < n && Value[i] != u',' && Value[i].unicode() > ' ') S += Value[i++];
        }
        FItems.push_back(Item{S, nullptr});
        SkipBlanks();
        if (i < n && Value[i] == u',') {
            ++i;
            SkipBlanks();
        }
    }
    Changed();
}

QStringList TStringList::ToStringList() const {
    QStringList r;
    for (const Item& it : FItems) r << it.S;
    return r;
}

void TStringList::LoadFromStream(TStream& Stream) {
    const int64_t n = Stream.Size() - Stream.Position();
    QByteArray Bytes(static_cast<qsizetype>(std::max<int64_t>(n, 0)), Qt::Uninitialized);
    if (n > 0) Stream.ReadBuffer(Bytes.data(), n);
    SetText(DecodeText(Bytes));
}

void TStringList::SaveToStream(TStream& Stream) const {
    const QByteArray Bytes = StringToUtf16LE(Text(), true);
    Stream.WriteBuffer(Bytes.constData(), Bytes.size());
}

void TStringList::LoadFromFile(const QString& FileName) {
    TFileStream f(FileName, fmOpenRead | fmShareDenyNone);
    LoadFromStream(f);
}

void TStringList::SaveToFile(const QString& FileName) const {
    TFileStream f(FileName, fmCreate);
    SaveToStream(f);
}
