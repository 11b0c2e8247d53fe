#pragma once
#include "host/controls.h"
#include "host/db.h"
#include "report/VyrCalc.h"
#include "report/VyrCurr.h"
#include "report/VyrData.h"
#include "report/VyrRep.h"

#include <functional>
#include <memory>
#include <typeinfo>
#include <vector>

class TPimDataSourceManager;
class TVyrPage;
class TVyrVar;

enum TVyrUpdateMode : uint8_t { umNeedUpdate, umUpdating, umNoUpdate };

// What a variable holds between two updates: its values and update state. Printing that must
// leave no trace on the run (a data loop printed again on a new page) takes it before and puts it
// back after.
struct TVyrVarState {
    std::unique_ptr<TVyrData> Now;
    std::unique_ptr<TVyrData> Last;
    TVyrUpdateMode Mode = umNoUpdate;
    // Totals: the accumulators and pending resets of every level.
    std::vector<std::unique_ptr<TVyrData>> NowList;
    std::vector<std::unique_ptr<TVyrData>> LastList;
    std::vector<uint8_t> ResetNowList;
    std::vector<uint8_t> ResetLastList;
};

enum TVyrVarId : uint8_t {
    vidAbstract,
    vidDBVar,
    vidExprVar,
    vidTotalVar,
    vidAutoDataVar,
    vidDateTimeVar,
    vidPageVar,
};

// The stored name of a kind ("vidDBVar").
QString VyrVarIdName(TVyrVarId Id);
// The kind a stored name stands for, case ignored; raises "Cannot find <name> in TVyrVarId".
TVyrVarId VyrVarIdFromName(const QString& Name);

// The moment at which a set of variables takes new data. Every main band and group band has its own.
class TVyrLevel : public TControl {
public:
    explicit TVyrLevel(TComponent* AOwner);
    ~TVyrLevel() override;

    int Level() const { return FLevel; }
    void SetLevel(int Value) { FLevel = Value; }
    bool IsHeader() const { return FIsHeader; }
    void SetIsHeader(bool Value) {
        if (Value == FIsHeader) return;
        FIsHeader = Value;
        LayoutChanged();
    }
    // Counts the changes of any page's levels: a level added to a page or taken from it, or made a
    // header or not. Totals keep what they worked out of their page's levels while it stays.
    static uint64_t Layout() { return FLayout; }
    static void LayoutChanged() { ++FLayout; }
    virtual TVyrPage* GetPage() const;
    TVyrPage* Page() const { return GetPage(); }

    // Only a page is a parent; the level registers with it before it is placed there.
    void SetParent(TWinControl* AParent) override;
    void DefineProperties(TFiler* Filer) override;
    void BeforeDestruction() override;

private:
    int FLevel = 0;
    bool FIsHeader = false;
    static uint64_t FLayout;
};

// The data of a report: a current and a last value, taken at its update level. Values are computed
// by the kinds; this class keeps what every kind shares and its place on the page.
class TVyrVar : public TControl {
public:
    explicit TVyrVar(TComponent* AOwner);
    ~TVyrVar() override;

    // The current value, computed first when its level marked it for update. A variable read
    // before any Initialize makes its values then.
    TVyrData* DataNow() { return FOwnReads ? OwnDataNow() : GetDataNow(); }
    TVyrData* DataLast();
    // The values as they stand, without what a read may do first (make them, update them); nil
    // before they are made.
    TVyrData* ValueNow() const {
        SettleLast();
        return FDataNow.get();
    }
    TVyrData* ValueLast() const {
        SettleLast();
        return FDataLast.get();
    }
    // Whether reading the value now gives ValueNow as it stands: both values are made, no update is
    // pending, and the kind reads its value plainly.
    virtual bool ReadsAsItStands() const { return ValuesStand(); }
    TVyrData* Data() { return FOwnReads ? OwnDataNow() : GetData(); }
    // Whether the variable's reads are TVyrVar's own: AsFloat and the like read DataNow.
    bool ReadsOwnValues() const { return FOwnReads; }
    QString AsString() { return FOwnReads ? OwnDataNow()->AsString() : GetAsString(); }
    int AsInteger() { return FOwnReads ? OwnDataNow()->AsInteger() : GetAsInteger(); }
    double AsFloat() { return FOwnReads ? OwnDataNow()->AsFloat() : GetAsFloat(); }
    Currency AsCurrency() { return FOwnReads ? OwnDataNow()->AsCurrency() : GetAsCurrency(); }
    TDateTime AsDateTime() { return FOwnReads ? OwnDataNow()->AsDateTime() : GetAsDateTime(); }
    bool AsBoolean() { return FOwnReads ? OwnDataNow()->AsBoolean() : GetAsBoolean(); }
    TStream* AsStream() { return GetAsStream(); }
    TStringList* AsStrings() { return GetAsStrings(); }
    bool IsNull();
    void SetIsNull(bool Value);
    bool AutoVar() const { return FAutovar; }
    void SetAutoVar(bool Value) { FAutovar = Value; }
    // Database variables of the runtime's own class are asked at every record: without the virtual
    // call for them.
    inline TVyrDataTypes DataType() const;
    virtual void SetDataType(TVyrDataTypes Value);
    TVyrUpdateMode UpdateMode() const { return FUpdateMode; }
    void SetUpdateMode(TVyrUpdateMode Value) { FUpdateMode = Value; }
    TVyrLevel* UpdateLevel() const { return FUpdateLevel; }
    void SetUpdateLevel(TVyrLevel* Value);
    TVyrVarId Id() const { return FId; }
    void SetId(TVyrVarId Value) { FId = Value; }
    bool Active() const { return GetActive(); }
    bool Initialized() const { return FInitialized; }
    // How often the variable made new values; a reader tells one run's values from another's.
    int Initializations() const { return FInitializations; }
    bool Running() const { return FRunning; }
    // Switching a run off initializes the variable again.
    void SetRunning(bool Value);
    // The page the variable is registered with: its parent when that is a page.
    TVyrPage* Page() const;

    void SetParent(TWinControl* AParent) override;
    void SetName(const QString& NewName) override;
    void DefineProperties(TFiler* Filer) override;
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void BeforeDestruction() override;

    virtual QString GetAsString();
    virtual int GetAsInteger();
    virtual double GetAsFloat();
    virtual Currency GetAsCurrency();
    virtual TDateTime GetAsDateTime();
    virtual bool GetAsBoolean();
    virtual TStream* GetAsStream();
    virtual TStringList* GetAsStrings();
    virtual void SetAsString(const QString& Value);
    virtual void SetAsInteger(int Value);
    virtual void SetAsFloat(double Value);
    virtual void SetAsCurrency(Currency Value);
    virtual void SetAsDateTime(TDateTime Value);
    virtual void SetAsBoolean(bool Value);
    virtual void SetAsStream(TStream* Value);
    virtual void SetAsStrings(TStringList* Value);
    virtual TVyrDataTypes GetDataType() const;
    virtual TVyrData* GetDataNow();
    virtual TVyrData* GetData();
    virtual bool GetActive() const;
    // Computes the value when the mode is umNeedUpdate.
    virtual void UpdateData();
    // DataLast takes a copy of the current value; ReverseUpdate copies it back.
    virtual void UpdateLast();
    // UpdateLast as the variable's class does it, without the virtual calls for the runtime's own
    // classes (FOwnReads), none of which overrides it: level updates copy every variable per record.
    void UpdateLastValue() {
        if (!FOwnReads)
            UpdateLast();
        else if (ValuesStand())
            FLastBehind = true;
        else
            TVyrVar::UpdateLast();
    }
    virtual void ReverseUpdate();
    // Makes a new pair of values for the variable's type.
    virtual void Initialize();
    virtual void Reset();
    // Empties a value marked for update and marks it null.
    virtual void ResetData();
    // A copy of what the variable holds now, and that copy put back.
    virtual TVyrVarState SaveState();
    virtual void RestoreState(TVyrVarState& State);

protected:
    // The page asks its band manager to refresh after a change that the data control centre shows.
    void Changed();
    // Makes the values on demand, for a variable read before any Initialize.
    virtual void EnsureValues();
    // What GetDataNow does for a variable whose reads none of its classes overrides (FOwnReads):
    // the same steps without the virtual calls that lead to them, as labels and totals read
    // variables at every record.
    bool ReadsAsOwnClass() const;
    // Both values are made and no update is pending.
    bool ValuesStand() const { return FDataNow && FDataLast && FUpdateMode != umNeedUpdate; }
    TVyrData* OwnDataNow() {
        if (!FDataNow || !FDataLast) EnsureValues();
        if (FUpdateMode == umNeedUpdate) UpdateData();
        SettleLast();
        return FDataNow.get();
    }
    // The last value takes the current one where a level update asked for that and it was not done
    // yet. Whatever writes the current value or reads the last one settles first.
    void SettleLast() const {
        if (FLastBehind) CatchUpLast();
    }
    void CatchUpLast() const;
    // Runs one update with the mode umUpdating. An exception empties DataNow and puts the mode back
    // to umNoUpdate before it goes on, so the next level update computes again.
    template <class TStep> void Compute(TStep&& Step) {
        FUpdateMode = umUpdating;
        try {
            Step();
        } catch (...) {
            // The error goes on, but the variable is left ready for the next update, not stuck
            // half-way where every later read would take it for a circular reference.
            if (FDataNow) {
                SettleLast();
                FDataNow->Reset();
            }
            FUpdateMode = umNoUpdate;
            throw;
        }
        FUpdateMode = umNoUpdate;
    }

    std::unique_ptr<TVyrData> FDataLast; // owned
    std::unique_ptr<TVyrData> FDataNow;  // owned
    bool FAutovar = false;
    TVyrDataTypes FDataType = dtypeUnknown;
    TVyrUpdateMode FUpdateMode = umNoUpdate;
    TVyrLevel* FUpdateLevel = nullptr; // not owned; cleared on removal
    TVyrVarId FId = vidAbstract;
    bool FActive = true;
    bool FInitialized = false;
    bool FRunning = false;
    // Whether the variable is of a class of this unit that reads its values as TVyrVar does (its
    // GetAs..., GetData, GetDataNow and EnsureValues are TVyrVar's); set when values are made.
    bool FOwnReads = false;
    // Whether the variable is a database variable of the runtime's own class; set with FOwnReads.
    bool FPlainDBVar = false;
    // Whether the last value is still to take the current one: a level update of a variable of the
    // runtime's own classes leaves the copy to the next read or write of either value, which for a
    // database variable is its own update, where the copy and the new value are made in one step.
    mutable bool FLastBehind = false;
    int FInitializations = 0;
    TParentAs<TVyrPage> FPage;
};

// A variable that reads one field of a data set.
class TVyrDBVar : public TVyrVar {
public:
    explicit TVyrDBVar(TComponent* AOwner);
    ~TVyrDBVar() override;

    TDataSource* DataSource() const { return FDataLink->DataSource(); }
    void SetDataSource(TDataSource* Value);
    const QString& DataField() const { return FDataField; }
    void SetDataField(const QString& Value);
    int FieldNo() const { return FFieldNo; }
    // The field's display text at the last update, made when it is first read.
    const QString& DisplayText() const { return FDisplayText.Text(); }
    // The bound field; nil while the variable has none.
    TField* Field() const { return FFieldNo != -1 ? FDataLink->Field() : nullptr; }
    // The field's type, else that of the data set's field definition of the name, else ftUnknown.
    virtual TFieldType GetFieldDataType() const;
    TFieldType FieldDataType() const { return GetFieldDataType(); }

    void Notification(TComponent* AComponent, TOperation Operation) override;
    TVyrDataTypes GetDataType() const override {
        // Totals and labels ask at every record; the value type follows the field's type alone.
        const TField* f = Field();
        return f ? ValueTypeOf(f->DataType()) : dtypeUnknown;
    }
    void UpdateData() override;
    void Initialize() override;

private:
    void Bind();
    void ReportFailedSource(TPimDataSourceManager* Manager);
    void ActiveChanged();
    void ReadField();
    // SettleLast for a current value Now of one of the runtime's own classes, copied inline where
    // the last value is of its class.
    template <class T> void SettleLastAs(T& Now) {
        if (!FLastBehind) return;
        if (auto* Last = VyrValueAs<T>(FDataLast.get())) {
            FLastBehind = false;
            Last->TakeOver(Now);
        } else {
            CatchUpLast();
        }
    }
    // Adds Value to a current value that accumulates; where the last value is still to take it
    // over, the copy and the addition are one step.
    template <class T, class TValue> void AddTaken(T& Now, TValue Value) {
        if (auto* Last = FLastBehind ? VyrValueAs<T>(FDataLast.get()) : nullptr) {
            FLastBehind = false;
            Now.CopyToThenAdd(*Last, Value);
        } else {
            SettleLast();
            Now.Add(Value);
        }
        Now.SetIsNull(false);
    }
    // Fills the value from what taking the display text read of the field, where that is what
    // reading the field would give; false where the field must be read.
    bool ReadTaken(const TField& Field);
    bool NullsAreValues(const TDataSet* DataSet);
    // GetPimDataType of the field type, remembered for the type last asked about: asked for every
    // field of every record.
    TVyrDataTypes ValueTypeOf(TFieldType Type) const {
        if (Type != FTypeOfField) {
            FTypeOfField = Type;
            FValueType = GetPimDataType(Type);
        }
        return FValueType;
    }

    int FFieldNo = -1;
    QString FDataField;
    std::unique_ptr<TFieldDataLink> FDataLink; // owned
    TFieldDisplayText FDisplayText;
    const std::type_info* FNullRuleClass = nullptr; // the data set class last asked about nulls
    bool FNullRuleNamed = false;
    // The value type of the field type last asked about.
    mutable TFieldType FTypeOfField = ftUnknown;
    mutable TVyrDataTypes FValueType = dtypeUnknown;
};

using TGetDataEvent = std::function<void(TVyrVar* Sender)>;

// A variable whose value an event handler supplies.
class TVyrExprVar : public TVyrVar {
public:
    explicit TVyrExprVar(TComponent* AOwner);
    void UpdateData() override;
    TGetDataEvent OnGetData;
};

// The time the run started.
class TVyrDateTimeVar : public TVyrVar {
public:
    explicit TVyrDateTimeVar(TComponent* AOwner);
    void Loaded() override;
    void Initialize() override;
};

// Counts its updates; on the page header's level it counts pages.
class TVyrPageVar : public TVyrVar {
public:
    explicit TVyrPageVar(TComponent* AOwner);
    void Loaded() override;
    void UpdateData() override;
};

// Sums another variable once per level of the page.
class TVyrTotalvar : public TVyrVar {
public:
    explicit TVyrTotalvar(TComponent* AOwner);
    ~TVyrTotalvar() override;

    TVyrVar* Variable() const { return FVariable; }
    void SetVariable(TVyrVar* Value);
    bool IgnoreNulls() const { return FIgnoreNulls; }
    void SetIgnoreNulls(bool Value) { FIgnoreNulls = Value; }
    bool IsCurrency() const { return FIsCurrency; }

    // The accumulators of a level, reporting TotalType. A level the lists do not reach (added
    // since the last Initialize, or nil) reads as an empty total.
    TVyrData* Getlevel(TVyrLevel* Level, TVyrTotalType TotalType) { return GetLevelNow(Level, TotalType); }
    TVyrData* GetLevelNow(TVyrLevel* Level, TVyrTotalType TotalType) {
        // Labels read a level at every record: one that is up to date, of the run's levels, with
        // its last accumulator already copied, is handed out here.
        if (FUpdateMode != umNeedUpdate && FPlanLayout == TVyrLevel::Layout() && Level) {
            const auto n = static_cast<size_t>(Level->Level());
            if (n < FPlanLevels.size() && FPlanLevels[n] == Level && FSettled[n] == FUpdates) {
                TVyrData* Total = FDataNowList[n].get();
                VyrSetTotalType(Total, TotalType);
                return Total;
            }
        }
        return LevelNow(Level, TotalType);
    }
    TVyrData* GetLevelLast(TVyrLevel* Level, TVyrTotalType TotalType);
    // Whether the run's accumulators reach the level.
    bool HasLevel(const TVyrLevel* Level) const { return IndexOf(Level) >= 0; }
    // Marks the level for a reset that happens just before its next value is added.
    void ResetLevel(TVyrLevel* Level);
    void ResetMarkedLevel(TVyrLevel* Level);
    void ResetAtlevel(TVyrLevel* Level);
    // The level's last accumulator takes a copy of its current one.
    void UpdateAtlevel(TVyrLevel* Level);
    void AddLevels();
    void DeleteLevels();

    void SetParent(TWinControl* AParent) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    TVyrDataTypes GetDataType() const override;
    // Totals are read per level; a plain read raises "Invalid access to totalvar".
    TVyrData* GetDataNow() override;
    // A total is never read as a plain value.
    bool ReadsAsItStands() const override { return false; }
    bool GetActive() const override;
    void UpdateData() override;
    void UpdateLast() override;
    void ReverseUpdate() override;
    void Initialize() override;
    void Reset() override;
    void ResetData() override;
    TVyrVarState SaveState() override;
    void RestoreState(TVyrVarState& State) override;

private:
    void EnsureValues() override;
    int IndexOf(const TVyrLevel* Level) const;
    TVyrData* LevelNow(TVyrLevel* Level, TVyrTotalType TotalType);
    // Works out again which page level each accumulator belongs to and which levels add, where the
    // layout of levels changed since.
    void KeepPlan() const {
        if (FPlanLayout != TVyrLevel::Layout()) PlanLevels();
    }
    void PlanLevels() const;
    // The indices of the accumulators that add, in order.
    const std::vector<uint32_t>& AddingLevels() const {
        KeepPlan();
        return FAdding;
    }
    // The level's last accumulator and reset flag take the current ones, where an update asked for
    // that since they were last copied.
    void SettleLast(size_t Index) {
        if (FSettled[Index] != FUpdates) CopyLast(Index);
    }
    void CopyLast(size_t Index);
    void SettleAll();
    void ListsChanged();
    TVyrData* EmptyTotal(TVyrTotalType TotalType);
    void ApplyReset(size_t Index);
    void Accumulate();
    // Accumulate's additions where every accumulator is a TAccumulator, as the total makes them.
    template <class TAccumulator, class TValue> void AddToLevels(TValue Value);
    // Adds to the accumulator of one level, whatever its class.
    void AddAt(size_t Index, double Value, Currency Money);
    bool SourceDelivers();

    TVyrVar* FVariable = nullptr; // not owned; cleared on removal
    // One accumulator pair and one pair of reset flags per level of the page; made for a run.
    std::vector<std::unique_ptr<TVyrData>> FDataNowList;
    std::vector<std::unique_ptr<TVyrData>> FDataLastList;
    std::vector<uint8_t> FResetNowList;
    std::vector<uint8_t> FResetLastList;
    // An update makes every level's last accumulator its current one, but the copy is made only when
    // either is next read or changed: header levels, and levels read only after they added, are then
    // copied once at most rather than at every record. FSettled[i] == FUpdates when level i's last
    // is up to date with the latest update.
    std::vector<uint64_t> FSettled;
    uint64_t FUpdates = 0;
    // Whether any reset flag may be set, so that adding need not look at every level's.
    bool FResetsPending = false;
    // Whether every accumulator, current and last, is of the class the total makes (TVyrFloat, or
    // TVyrCurrency for a currency total); worked out whenever the lists are made or put back.
    bool FOwnAccumulators = false;
    bool FIgnoreNulls = false;
    bool FIsCurrency = false;
    // The page's levels as they were when last worked out (nil past the page's), and the indices of
    // the accumulators that add: those of levels that are not headers. Worked out again when the
    // layout of levels changes, the total moves to another parent or its lists are made anew.
    mutable std::vector<TVyrLevel*> FPlanLevels;
    mutable std::vector<uint32_t> FAdding;
    mutable uint64_t FPlanLayout = 0;
    std::unique_ptr<TVyrData> FEmpty; // what a level without accumulators reads
};

inline TVyrDataTypes TVyrVar::DataType() const {
    return FPlainDBVar ? static_cast<const TVyrDBVar*>(this)->TVyrDBVar::GetDataType() : GetDataType();
}
