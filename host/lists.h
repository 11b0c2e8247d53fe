#pragma once
#include <QString>
#include <QStringList>
#include <algorithm>
#include <functional>
#include <iterator>
#include <vector>

class TStream;

// Erases the last element of List equal to Value, if there is one. The search starts at the back:
// entries mostly leave newest first (an owner frees its components last first).
template <class T, class U> void EraseLast(std::vector<T>& List, const U& Value) {
    auto It = std::find(List.rbegin(), List.rend(), Value);
    if (It != List.rend()) List.erase(std::next(It).base());
}

// A list of untyped pointers; it never owns what they point to.
class TList {
public:
    TList();
    virtual ~TList();

    int Count() const { return static_cast<int>(FItems.size()); }
    void* Items(int Index) const;
    void* operator[](int Index) const { return Items(Index); }
    void SetItems(int Index, void* Item);
    int Add(void* Item);
    void Insert(int Index, void* Item);
    void Delete(int Index);
    int Remove(void* Item);
    int IndexOf(const void* Item) const;
    void Exchange(int Index1, int Index2);
    void Move(int CurIndex, int NewIndex);
    void* First() const { return Items(0); }
    void* Last() const { return Items(Count() - 1); }
    void Clear();
    void Sort(const std::function<int(void*, void*)>& Compare);
    int Capacity() const { return static_cast<int>(FItems.capacity()); }
    void SetCapacity(int Value);

private:
    void CheckIndex(int Index) const;
    std::vector<void*> FItems;
};

enum TDuplicates : uint8_t { dupIgnore, dupAccept, dupError };

// A list of strings with an object pointer each; text in and out is lines ended by CR LF.
class TStringList {
public:
    TStringList();
    virtual ~TStringList();

    int Count() const { return static_cast<int>(FItems.size()); }
    const QString& Strings(int Index) const;
    const QString& operator[](int Index) const { return Strings(Index); }
    void SetStrings(int Index, const QString& S);
    void* Objects(int Index) const;
    void SetObjects(int Index, void* Object);

    int Add(const QString& S);
    int AddObject(const QString& S, void* Object);
    void Insert(int Index, const QString& S);
    void InsertObject(int Index, const QString& S, void* Object);
    void Delete(int Index);
    void Clear();
    void Exchange(int Index1, int Index2);
    void Move(int CurIndex, int NewIndex);
    int IndexOf(const QString& S) const;
    int IndexOfObject(const void* Object) const;
    // Binary search in a sorted list; Index is where S is or would be inserted.
    bool Find(const QString& S, int& Index) const;
    void Sort();

    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value);
    bool CaseSensitive() const { return FCaseSensitive; }
    void SetCaseSensitive(bool Value);
    TDuplicates Duplicates() const { return FDuplicates; }
    void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }

    // name=value lines
    QString Names(int Index) const;
    QString Values(const QString& Name) const;
    void SetValues(const QString& Name, const QString& Value);
    int IndexOfName(const QString& Name) const;

    QString Text() const;
    void SetText(const QString& Value);
    QString CommaText() const;
    void SetCommaText(const QString& Value);
    QStringList ToStringList() const;

    // Reading detects FF FE and EF BB BF; writing is FF FE with UTF-16LE.
    void LoadFromStream(TStream& Stream);
    void SaveToStream(TStream& Stream) const;
    void LoadFromFile(const QString& FileName);
    void SaveToFile(const QString& FileName) const;

    std::function<void(TStringList*)> OnChange;

private:
    struct Item {
        QString S;
        void* Object = nullptr;
    };
    void CheckIndex(int Index) const;
    int Compare(const QString& a, const QString& b) const;
    void Changed();

    std::vector<Item> FItems;
    bool FSorted = false;
    bool FCaseSensitive = false;
    TDuplicates FDuplicates = dupIgnore;
};
