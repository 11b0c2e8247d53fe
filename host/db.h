#pragma once
#include "host/classes.h"
#include "host/exceptions.h"

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

class TStream;
class TStringList;
class TDataSet;
class TDataSource;
class TDataLink;

// The host's field types. The numbers are stored and compared by the report engine, so every
// value keeps its place even where nothing here produces it.
enum TFieldType : uint8_t {
    ftUnknown = 0,
    ftString = 1,
    ftSmallint = 2,
    ftInteger = 3,
    ftWord = 4,
    ftBoolean = 5,
    ftFloat = 6,
    ftCurrency = 7,
    ftBCD = 8,
    ftDate = 9,
    ftTime = 10,
    ftDateTime = 11,
    ftBytes = 12,
    ftVarBytes = 13,
    ftAutoInc = 14,
    ftBlob = 15,
    ftMemo = 16,
    ftGraphic = 17,
    ftFmtMemo = 18,
    ftOleObject = 19,
    ftOleEmbedded = 20,
    ftTypedBinary = 21,
    ftCursor = 22,
    ftFixedChar = 23,
    ftWideString = 24,
    ftLargeint = 25,
    ftADT = 26,
    ftArray = 27,
    ftReference = 28,
    ftDataSet = 29,
    ftOraBlob = 30,
    ftOraClob = 31,
    ftVariant = 32,
    ftInterface = 33,
    ftIDispatch = 34,
    ftGuid = 35,
    ftTimeStamp = 36,
    ftFMTBcd = 37,
    ftFixedWideChar = 38,
    ftWideMemo = 39,
    ftOraTimeStamp = 40,
    ftOraInterval = 41,
    ftLongWord = 42,
    ftShortint = 43,
    ftByte = 44,
    ftExtended = 45,
    ftConnection = 46,
    ftParams = 47,
    ftStream = 48,
    ftTimeStampOffset = 49,
    ftObject = 50,
    ftSingle = 51,
};

enum TDataSetState : uint8_t { dsInactive, dsBrowse, dsFilter, dsOpening };

// What a data set tells the data sources attached to it.
enum TDataEvent : uint8_t {
    deFieldChange,
    deRecordChange,
    deDataSetChange,
    deDataSetScroll,
    deLayoutChange,
    deUpdateState,
};

// A position in a data set that survives moves; opaque to callers, empty when there is none.
using TBookmark = QByteArray;

class EDatabaseError : public Exception {
    using Exception::Exception;
};

// How a value of a field type is kept in a row store.
enum TStoreKind : uint8_t { skInteger, skFloat, skText, skBytes };
TStoreKind StoreKindOf(TFieldType DataType);
bool IsDateTimeType(TFieldType DataType);
bool IsBlobType(TFieldType DataType);
QString FieldTypeName(TFieldType DataType);

// The kinds of field that code formatting a field by its kind tells apart. Fixed and wide strings
// are strings, an auto-increment is an integer, a time stamp a date-time, a wide or formatted memo
// a memo; BCD numbers, large integers and the rest are none of them.
enum TFieldClass : uint8_t {
    fcOther,
    fcString,
    fcInteger,
    fcFloat,
    fcCurrency,
    fcBoolean,
    fcDateTime,
    fcMemo
};
TFieldClass FieldClassOf(TFieldType DataType);

// Whole numbers kept in as few bytes each as the widest of them needs, 1, 2, 4 or 8: a column of
// small numbers costs a byte a row. A number that needs more widens all of them.
class TPackedInts {
public:
    int64_t Size() const { return FSize; }
    int64_t operator[](int64_t Index) const {
        const uint8_t* p = FData.data() + (static_cast<size_t>(Index) << FShift);
        switch (FShift) {
        case 0:
            return static_cast<int8_t>(*p);
        case 1:
            return Load<int16_t>(p);
        case 2:
            return Load<int32_t>(p);
        default:
            return Load<int64_t>(p);
        }
    }
    void PushBack(int64_t Value);
    void Truncate(int64_t NewSize);
    size_t MemoryUsed() const { return FData.capacity(); }

private:
    template <typename T> static int64_t Load(const uint8_t* p) {
        T Value;
        std::memcpy(&Value, p, sizeof(T));
        return Value;
    }
    void Widen(int Shift);

    std::vector<uint8_t> FData;
    int64_t FSize = 0;
    int FShift = 0; // the bytes of a number are 1 << FShift
};

// The rows of a data set, column by column, in little memory, so that a million rows cost some
// tens of megabytes and a few allocations rather than millions of variants:
// - whole numbers (Booleans, currency in 1/10000, integers) packed, a byte a row for small ones;
// - floats (and date-times as days since 30 Dec 1899) packed as whole numbers as long as they
//   all are, as dates are, and as doubles from the first that is not;
// - text once for each different value with a packed number per row, as long as the values
//   repeat (names, cities, states); when most of them are different, all in one arena, one byte
//   a character while every character is Latin-1 and UTF-16 from the first that is not;
// - byte runs in one arena.
// What is read back is always what was put in, exactly.
class TRowStore {
public:
    void Reset(const std::vector<TStoreKind>& Kinds);
    void Clear(); // keeps the columns, drops the rows
    int ColumnCount() const { return static_cast<int>(FColumns.size()); }
    TStoreKind Kind(int Col) const { return FColumns[static_cast<size_t>(Col)].Kind; }
    int64_t RowCount() const { return FRows; }

    // A row is appended one value per column, in column order, then closed with EndRow; a row
    // left unfinished (an exception while converting) is dropped with AbandonRow.
    void AppendNull(int Col);
    void AppendInt(int Col, int64_t Value);
    void AppendFloat(int Col, double Value);
    void AppendText(int Col, const QString& Value);
    void AppendBytes(int Col, const QByteArray& Value);
    void EndRow();
    void AbandonRow();

    bool IsNull(int64_t Row, int Index) const { return Col(Index).Nulls[static_cast<size_t>(Row)]; }
    int64_t Int(int64_t Row, int Index) const { return Col(Index).Ints[Row]; }
    double Float(int64_t Row, int Index) const {
        const TColumn& C = Col(Index);
        return C.Floats.empty() ? static_cast<double>(C.Ints[Row]) : C.Floats[static_cast<size_t>(Row)];
    }
    QString Text(int64_t Row, int Col) const;
    // The text of a cell into Into, so that reading row after row allocates nothing: the characters,
    // of a repeated value as of any other, go into the buffer Into already has when it is its own and
    // large enough.
    void ReadText(int64_t Row, int Col, QString& Into) const;
    QByteArray Bytes(int64_t Row, int Col) const;
    size_t MemoryUsed() const;

private:
    struct TColumn {
        TStoreKind Kind = skInteger;
        // Integers; floats while every one is whole (Floats empty).
        TPackedInts Ints;
        std::vector<double> Floats;
        // Text by value number (Coded), into Values.
        bool Coded = false;
        TPackedInts Codes;
        std::vector<QString> Values;
        std::vector<uint32_t> Slots; // hash table of value numbers + 1, 0 where free
        int64_t LastCode = -1;
        // Text and byte runs in turn: each row's run ends at Ends[Row] in Arena.
        std::vector<char> Arena;
        TPackedInts Ends;
        bool Wide = false; // the arena holds UTF-16 rather than Latin-1 text
        std::vector<bool> Nulls;
    };
    TColumn& Col(int Index) { return FColumns[static_cast<size_t>(Index)]; }
    const TColumn& Col(int Index) const { return FColumns[static_cast<size_t>(Index)]; }
    static void NewColumn(TColumn& C, TStoreKind Kind);
    static void AppendRun(TColumn& C, const char* Data, size_t Size);
    // Into the arena, without the null flag.
    static void AppendPlainText(TColumn& C, QStringView Value);
    // The value number of a text, added when new.
    static int64_t CodeOf(TColumn& C, const QString& Value);
    static void Rehash(TColumn& C, size_t Size);
    // From value numbers to the text of every row in the arena, for good.
    static void Uncode(TColumn& C);
    static void WidenArena(TColumn& C);

    std::vector<TColumn> FColumns;
    int64_t FRows = 0;
};

// Puts a variant into the store column of a field of the given type, converting it; raises
// EConvertError with the field's name when the value does not fit the type. A null variant
// stores a null. Date-times come as QDate, QTime, QDateTime, ISO 8601 text or a double in days
// since 30 Dec 1899; currency as a number or decimal text.
void StoreVariant(TRowStore& Store, int Col, TFieldType DataType, const QVariant& Value,
                  const QString& FieldName);

class TFieldDef {
public:
    TFieldDef(QString Name, TFieldType DataType, int Size, bool Required, int FieldNo)
        : FName(std::move(Name)), FDataType(DataType), FSize(Size), FRequired(Required), FFieldNo(FieldNo) {}
    const QString& Name() const { return FName; }
    TFieldType DataType() const { return FDataType; }
    int Size() const { return FSize; }
    bool Required() const { return FRequired; }
    int FieldNo() const { return FFieldNo; } // 1-based
    int Precision() const { return FPrecision; }
    void SetPrecision(int Value) { FPrecision = Value; }

private:
    QString FName;
    TFieldType FDataType;
    int FSize;
    bool FRequired;
    int FFieldNo;
    int FPrecision = 0;
};

class TFieldDefs {
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    TFieldDef& Items(int Index) const;
    TFieldDef& operator[](int Index) const { return Items(Index); }
    // A name already present (without regard to case) gets "_1", "_2", ... appended, the way
    // joined columns of the same name are told apart.
    TFieldDef& Add(const QString& Name, TFieldType DataType, int Size = 0, bool Required = false);
    int IndexOf(const QString& Name) const;
    TFieldDef* Find(const QString& Name) const;
    void Clear();
    // Counts changes, so a data set can tell that its rows no longer fit the definitions.
    int Version() const { return FVersion; }

private:
    std::vector<std::unique_ptr<TFieldDef>> FItems;
    int FVersion = 0;
};

// A column of the current record. Fields exist while their data set is open and are freed when
// it closes; the data links are told before that happens. A field made from a definition without
// a data set is detached: it has no value, only its type and display attributes.
class TField {
public:
    TField(TDataSet* DataSet, const TFieldDef& Def, int Index);
    virtual ~TField();

    TDataSet* DataSet() const { return FDataSet; }
    const QString& FieldName() const { return FFieldName; }
    TFieldType DataType() const { return FDataType; }
    int Size() const { return FSize; }
    int FieldNo() const { return FIndex + 1; }
    int Index() const { return FIndex; }
    bool Required() const { return FRequired; }
    bool IsBlob() const { return IsBlobType(FDataType); }
    TFieldClass FieldClass() const { return FieldClassOf(FDataType); }

    bool IsNull() const;
    QString DisplayText() const;
    QString AsString() const;
    // AsString into Into, reusing its buffer for a text field without a text handler.
    void ReadString(QString& Into) const;
    int32_t AsInteger() const;
    int64_t AsLargeInt() const;
    bool AsBoolean() const;
    double AsFloat() const;
    int64_t AsCurrency() const; // in 1/10000
    double AsDateTime() const;  // days since 30 Dec 1899, the fraction being the time of day
    // Blob fields give their bytes; text fields their text as UTF-8.
    QByteArray AsBytes() const;
    QVariant Value() const;
    void SaveToStream(TStream& Stream) const;

    // How the field is shown, starting from its type: a caption (the field's name until one is
    // set), a width in characters, an alignment, a display format and an edit mask, whether a
    // value is money, and the digits of a float.
    QString DisplayLabel() const { return FDisplayLabel.isEmpty() ? FFieldName : FDisplayLabel; }
    void SetDisplayLabel(const QString& Value) { FDisplayLabel = Value; }
    int DisplayWidth() const { return FDisplayWidth; }
    void SetDisplayWidth(int Value) { FDisplayWidth = Value; }
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value) { FAlignment = Value; }
    const QString& DisplayFormat() const { return FDisplayFormat; }
    void SetDisplayFormat(const QString& Value) { FDisplayFormat = Value; }
    const QString& EditMask() const { return FEditMask; }
    void SetEditMask(const QString& Value) { FEditMask = Value; }
    bool Currency() const { return FCurrency; }
    void SetCurrency(bool Value) { FCurrency = Value; }
    int Precision() const { return FPrecision; }
    void SetPrecision(int Value) { FPrecision = Value; }

    // Replaces the display text; DisplayText says whether the text is for showing.
    std::function<void(TField* Sender, QString& Text, bool DisplayText)> OnGetText;

private:
    friend class TFieldDisplayText;
    [[noreturn]] void AccessError(const QString& TypeName) const;
    int64_t Row() const;
    const TRowStore& Store() const;
    // The field's cell in the current row, as the store keeps it.
    int64_t StoredInt() const;
    double StoredFloat() const;
    QString StoredText() const;
    QString RawText() const;

    TDataSet* FDataSet; // nil for a detached field
    QString FFieldName;
    TFieldType FDataType;
    int FSize;
    int FIndex;
    bool FRequired;
    QString FDisplayLabel;
    int FDisplayWidth;
    TAlignment FAlignment;
    QString FDisplayFormat;
    QString FEditMask;
    bool FCurrency;
    int FPrecision = 15;
    // What the type says of how the value is kept, asked at every read.
    TStoreKind FStoreKind;
    bool FBlob;
    bool FDateTime;
};

// The width in characters and the alignment a field of the type shows with until told otherwise.
int DefaultDisplayWidth(TFieldType DataType, int Size);
TAlignment DefaultAlignment(TFieldType DataType);

// A field's display text as it was at one moment, made only when it is read, which may be after the
// cursor has moved on: numbers, date-times, Booleans and blobs keep the value the row store holds
// and become text on the first read; text is copied into a buffer that stays with the holder. A
// field with a text handler gives its display text at once, so that the handler runs when it
// always did.
class TFieldDisplayText {
public:
    void Take(const TField& Field);
    const QString& Text() const;
    // Whether the field was null when taken.
    bool Null() const { return FNull; }
    // The stored number, date-time, flag or text taken from a field that was not null and has no
    // text handler, for a reader of the same record that would read the field again; tkNone
    // otherwise. The text of tkText is Text().
    enum TTaken : uint8_t { tkNone, tkInteger, tkFloat, tkDateTime, tkText };
    TTaken Taken() const { return FTaken; }
    int64_t TakenInt() const { return FInt; }
    double TakenFloat() const { return FFloat; }

private:
    mutable QString FText;
    mutable bool FPending = false;
    bool FNullText = false; // the null of a text field, whose buffer FText keeps
    TFieldType FDataType = ftUnknown;
    bool FNull = true;
    TTaken FTaken = tkNone;
    int64_t FInt = 0;
    double FFloat = 0;
};

// A set of records with a cursor. Descendants say how rows arrive (InternalOpen, FetchMore) and
// where they are kept (Rows); moving, filtering, bookmarks and the notification of data sources
// are done here once for all of them. A descendant closes itself in its own destructor, while
// its rows still exist, so that the data links hear of it.
class TDataSet : public TComponent {
public:
    explicit TDataSet(TComponent* AOwner = nullptr);
    ~TDataSet() override;

    void Open();
    void Close();
    bool Active() const { return FState != dsInactive && FState != dsOpening; }
    void SetActive(bool Value);
    TDataSetState State() const { return FState; }

    void First();
    void Next();
    void Prior();
    void Last();
    int MoveBy(int Distance);
    bool Eof() const { return FEof; }
    bool Bof() const { return FBof; }
    bool IsEmpty();
    // The number of records the filter accepts; 0 for a closed data set.
    int RecordCount();
    // 1-based position of the current record among the accepted ones, 0 when there is none.
    int RecNo();

    TFieldDefs& FieldDefs() { return FFieldDefs; }
    const TFieldDefs& FieldDefs() const { return FFieldDefs; }
    // Brings the field definitions of a closed data set up to date with its source, without
    // reading any record; an open set keeps those it opened with. Raises EDatabaseError when the
    // source cannot say.
    void UpdateFieldDefs();
    // Replaces List's lines with the names of the open set's fields, else of its field
    // definitions, brought up to date first.
    void GetFieldNames(TStringList* List);
    int FieldCount() const { return static_cast<int>(FFields.size()); }
    TField* Fields(int Index) const;
    TField* FieldByName(const QString& Name) const;
    TField* FindField(const QString& Name) const;

    TBookmark GetBookmark() const;
    void GotoBookmark(const TBookmark& Bookmark);
    bool BookmarkValid(const TBookmark& Bookmark);
    int CompareBookmarks(const TBookmark& A, const TBookmark& B) const;

    bool Filtered() const { return FFiltered; }
    void SetFiltered(bool Value);
    // Applies a changed filter handler: the cursor goes back to the first accepted record.
    void Refilter();

    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return FDisableCount > 0; }

    std::function<void(TDataSet* DataSet, bool& Accept)> OnFilterRecord;
    std::function<void(TDataSet*)> BeforeOpen;
    std::function<void(TDataSet*)> AfterOpen;
    std::function<void(TDataSet*)> BeforeClose;
    std::function<void(TDataSet*)> AfterClose;
    std::function<void(TDataSet*)> AfterScroll;

protected:
    // Makes the field definitions and the first rows available, or raises EDatabaseError.
    virtual void InternalOpen() = 0;
    virtual void InternalClose() = 0;
    // Refreshes the field definitions while closed; data sets whose definitions are made in code
    // keep the default.
    virtual void InternalInitFieldDefs() {}
    virtual TRowStore& Rows() = 0;
    const TRowStore& Rows() const { return const_cast<TDataSet*>(this)->Rows(); }
    // Appends more rows to the store; false when there are no more. Data sets that have every
    // row from the start keep the default.
    virtual bool FetchMore() { return false; }

    void DataEvent(TDataEvent Event, intptr_t Info = 0);
    void CheckActive() const;
    void CheckInactive() const;
    // Tells the data links that rows were added while open.
    void RowsChanged();

private:
    friend class TField;
    friend class TDataSource;

    bool RowExists(int64_t Row);
    bool Accepts(int64_t Row);
    int64_t SeekForward(int64_t From);
    int64_t SeekBackward(int64_t From);
    void CreateFields();
    void Scrolled(int64_t OldRow);

    TFieldDefs FFieldDefs;
    std::vector<std::unique_ptr<TField>> FFields;
    // The row store the fields read, while open: a data set keeps one store from opening to closing.
    const TRowStore* FReadStore = nullptr;
    std::vector<TDataSource*> FDataSources;
    // Counts the sources that left, so that telling them finds out cheaply whether one left meanwhile.
    uint32_t FSourcesRemoved = 0;
    TDataSetState FState = dsInactive;
    int64_t FCurrent = -1;   // row of the cursor, -1 when there is no accepted record
    int64_t FActiveRow = -1; // row the fields read: the cursor's, or the one being filtered
    bool FBof = true;
    bool FEof = true;
    bool FFiltered = false;
    int FDisableCount = 0;
    bool FPendingChange = false;
};

// Asked for every field at every record: inline, over the data set's cursor and row store.
inline int64_t TField::Row() const {
    return FDataSet ? FDataSet->FActiveRow : -1;
}

inline const TRowStore& TField::Store() const {
    return *FDataSet->FReadStore;
}

inline bool TField::IsNull() const {
    const int64_t r = Row();
    return r < 0 || Store().IsNull(r, FIndex);
}

// Connects data-aware objects to a data set.
class TDataSource : public TComponent {
public:
    explicit TDataSource(TComponent* AOwner = nullptr);
    ~TDataSource() override;

    TDataSet* DataSet() const { return FDataSet; }
    void SetDataSet(TDataSet* Value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    TDataSetState State() const { return FDataSet && FEnabled ? FDataSet->State() : dsInactive; }

    std::function<void(TDataSource*)> OnStateChange;
    std::function<void(TDataSource*, TField*)> OnDataChange;

private:
    friend class TDataSet;
    friend class TDataLink;

    void DataEvent(TDataEvent Event, intptr_t Info);
    void UpdateLinks();
    void DataSetDestroyed();
    // Takes a link off the list and counts it as gone, for a walk of the list under way.
    void RemoveLink(TDataLink* Link);

    TDataSet* FDataSet = nullptr;
    bool FEnabled = true;
    std::vector<TDataLink*> FLinks;
    // Counts the links that left, so that telling them finds out cheaply whether one left meanwhile.
    uint32_t FLinksRemoved = 0;
};

// What a data-aware object holds to hear of its data source's data set: activation, moves and
// changes of the current record.
class TDataLink {
public:
    TDataLink();
    virtual ~TDataLink();

    TDataSource* DataSource() const { return FDataSource; }
    void SetDataSource(TDataSource* Value);
    TDataSet* DataSet() const { return FDataSource ? FDataSource->DataSet() : nullptr; }
    bool Active() const { return FActive; }

protected:
    virtual void ActiveChanged() {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    virtual void DataSetScrolled(int Distance);
    virtual void LayoutChanged() { DataSetChanged(); }
    virtual void RecordChanged(TField* Field);

private:
    friend class TDataSource;
    void DataEvent(TDataEvent Event, intptr_t Info);
    void UpdateState();
    // Whether a move of the cursor would reach nothing: a field link of that very class without a
    // handler for changes.
    inline bool DeafToMoves();
    // Works out whether the link is of that very class.
    void FindPlainFieldLink();

    TDataSource* FDataSource = nullptr;
    bool FActive = false;
    // Whether the link is a plain field link, worked out once, when it first hears a move.
    int8_t FPlainFieldLink = -1;
};

// A data link bound to one field by name; the field is found again whenever the data set
// opens or its layout changes.
class TFieldDataLink : public TDataLink {
public:
    const QString& FieldName() const { return FFieldName; }
    void SetFieldName(const QString& Value);
    TField* Field() const { return FField; }

    std::function<void(TFieldDataLink*)> OnActiveChange;
    std::function<void(TFieldDataLink*)> OnDataChange;

protected:
    void ActiveChanged() override;
    void LayoutChanged() override;
    void RecordChanged(TField* Field) override;

private:
    void UpdateField();

    QString FFieldName;
    TField* FField = nullptr;
};

inline bool TDataLink::DeafToMoves() {
    if (FPlainFieldLink < 0) FindPlainFieldLink();
    return FPlainFieldLink == 1 && !static_cast<TFieldDataLink*>(this)->OnDataChange;
}
