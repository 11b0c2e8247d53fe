#include "host/formatting.h"
#include "host/forms.h"
#include "host/properties.h"
#include "host/resstrings.h"
#include "report/PimDS.h"
#include "report/PimPage.h"
#include "report/VyrCurr.h"
#include "report/VyrFloat.h"
#include "report/VyrVar.h"

#include <algorithm>

// The values of variables and how each kind computes them. The classes, their parenting and their
// stored form live in VyrVar.cpp.

namespace {

std::unique_ptr<TVyrData> NewAccumulator(bool IsCurrency) {
    return IsCurrency ? std::unique_ptr<TVyrData>(std::make_unique<TVyrCurrency>())
                      : std::unique_ptr<TVyrData>(std::make_unique<TVyrFloat>());
}

// Data sets of the class named "TTable" whose published "TableType" has ordinal 4 keep null
// fields as values; any other data set, or one without that property, reports them as null.
bool NullFieldsAreValues(const TDataSet* DataSet) {
    if (!DataSet || !DataSet->ClassNameIs(QStringLiteral("TTable"))) return false;
    const TPropList* Props = GetPropList(DataSet);
    if (!Props || !Props->Find(QStringLiteral("TableType"), true)) return false;
    return GetPropValue(DataSet, QStringLiteral("TableType")).toInt() == 4;
}

// Whether To, of one of the classes T, took over From of the same class inline.
template <class... T> [[gnu::always_inline]] inline bool TakeOverOwn(TVyrData* To, TVyrData* From) {
    const TVyrData::TValueClass Class = To->ValueClass();
    if (Class != From->ValueClass()) return false;
    return ((Class == T::Class && (static_cast<T*>(To)->TakeOver(*static_cast<T*>(From)), true)) || ...);
}

// To takes over From as To->SetData(From) does; values of one class of this unit are copied inline:
// every variable's last value takes its current one at every record, and totals copy their
// accumulators (the first two classes).
[[gnu::always_inline]] inline void CopyValue(TVyrData* To, TVyrData* From) {
    if (To && From &&
        TakeOverOwn<TVyrFloat, TVyrCurrency, TVyrInteger, TVyrDateTime, TVyrBoolean, TVyrString>(To, From))
        return;
    To->SetData(From);
}

// A copy of a value of the same kind, accumulators included; nil for none.
std::unique_ptr<TVyrData> CopyOf(TVyrData* Value) {
    if (!Value) return nullptr;
    std::unique_ptr<TVyrData> Copy = VyrCreateData(Value->DataType());
    Copy->SetData(Value);
    return Copy;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TVyrVar

QString TVyrVar::GetAsString() {
    return GetData()->AsString();
}
int TVyrVar::GetAsInteger() {
    return GetData()->AsInteger();
}
double TVyrVar::GetAsFloat() {
    return GetData()->AsFloat();
}
Currency TVyrVar::GetAsCurrency() {
    return GetData()->AsCurrency();
}
TDateTime TVyrVar::GetAsDateTime() {
    return GetData()->AsDateTime();
}
bool TVyrVar::GetAsBoolean() {
    return GetData()->AsBoolean();
}
TStream* TVyrVar::GetAsStream() {
    return GetData()->AsStream();
}
TStringList* TVyrVar::GetAsStrings() {
    return GetData()->AsStrings();
}
void TVyrVar::SetAsString(const QString& Value) {
    GetDataNow()->SetAsString(Value);
}
void TVyrVar::SetAsInteger(int Value) {
    GetDataNow()->SetAsInteger(Value);
}
void TVyrVar::SetAsFloat(double Value) {
    GetDataNow()->SetAsFloat(Value);
}
void TVyrVar::SetAsCurrency(Currency Value) {
    GetDataNow()->SetAsCurrency(Value);
}
void TVyrVar::SetAsDateTime(TDateTime Value) {
    GetDataNow()->SetAsDateTime(Value);
}
void TVyrVar::SetAsBoolean(bool Value) {
    GetDataNow()->SetAsBoolean(Value);
}
void TVyrVar::SetAsStream(TStream* Value) {
    GetDataNow()->SetAsStream(Value);
}
void TVyrVar::SetAsStrings(TStringList* Value) {
    GetDataNow()->SetAsStrings(Value);
}

bool TVyrVar::IsNull() {
    return DataNow()->IsNull();
}
void TVyrVar::SetIsNull(bool Value) {
    GetDataNow()->SetIsNull(Value);
}

TVyrDataTypes TVyrVar::GetDataType() const {
    return FDataType;
}

TVyrData* TVyrVar::GetDataNow() {
    EnsureValues();
    if (FUpdateMode == umNeedUpdate) UpdateData();
    SettleLast();
    return FDataNow.get();
}

TVyrData* TVyrVar::GetData() {
    return GetDataNow();
}

bool TVyrVar::GetActive() const {
    return FActive;
}

TVyrData* TVyrVar::DataLast() {
    EnsureValues();
    SettleLast();
    return FDataLast.get();
}

void TVyrVar::EnsureValues() {
    // A label may read a variable that no run has initialized yet.
    if (!FDataNow || !FDataLast) Initialize();
}

void TVyrVar::UpdateData() {
    if (FUpdateMode != umNeedUpdate) return;
    FUpdateMode = umNoUpdate;
}

void TVyrVar::UpdateLast() {
    // A copy still to be made goes first: computing the value may read the last one.
    SettleLast();
    TVyrData* Now = DataNow();
    CopyValue(FDataLast.get(), Now);
}

void TVyrVar::CatchUpLast() const {
    FLastBehind = false;
    CopyValue(FDataLast.get(), FDataNow.get());
}

void TVyrVar::ReverseUpdate() {
    TVyrData* Now = DataNow();
    CopyValue(Now, FDataLast.get());
}

bool TVyrVar::ReadsAsOwnClass() const {
    // Worked out once per Initialize rather than at every read.
    const std::type_info& Class = typeid(*this);
    return Class == typeid(TVyrVar) || Class == typeid(TVyrDBVar) || Class == typeid(TVyrExprVar) ||
           Class == typeid(TVyrDateTimeVar) || Class == typeid(TVyrPageVar);
}

void TVyrVar::Initialize() {
    FOwnReads = ReadsAsOwnClass();
    FPlainDBVar = typeid(*this) == typeid(TVyrDBVar);
    FLastBehind = false;
    FDataNow.reset();
    FDataLast.reset();
    FInitialized = true;
    ++FInitializations;
    const TVyrDataTypes Type = GetDataType();
    FDataNow = VyrCreateData(Type);
    FDataLast = VyrCreateData(Type);
    if (Type == dtypeUnknown) FInitialized = false;
    if (HasState(csDesigning) && !FRunning) FUpdateMode = umNeedUpdate;
}

void TVyrVar::Reset() {
    GetDataNow()->Reset();
}

void TVyrVar::ResetData() {
    if (FUpdateMode != umNeedUpdate) return;
    EnsureValues();
    Compute([this] {
        SettleLast();
        FDataNow->Reset();
        FDataNow->SetIsNull(true);
    });
}

TVyrVarState TVyrVar::SaveState() {
    SettleLast();
    TVyrVarState State;
    State.Now = CopyOf(FDataNow.get());
    State.Last = CopyOf(FDataLast.get());
    State.Mode = FUpdateMode;
    return State;
}

void TVyrVar::RestoreState(TVyrVarState& State) {
    FDataNow = std::move(State.Now);
    FDataLast = std::move(State.Last);
    FLastBehind = false;
    FUpdateMode = State.Mode;
}

void TVyrVar::SetRunning(bool Value) {
    if (Value == FRunning) return;
    FRunning = Value;
    if (!Value) Initialize();
}

// ---------------------------------------------------------------------------------------------
// TVyrDBVar

TFieldType TVyrDBVar::GetFieldDataType() const {
    if (TField* f = Field()) return f->DataType();
    try {
        if (TDataSet* ds = FDataLink->DataSet())
            if (const TFieldDef* Def = ds->FieldDefs().Find(FDataField)) return Def->DataType();
    } catch (...) {
        // A data set that cannot list its definitions has none of that name.
    }
    return ftUnknown;
}

void TVyrDBVar::Initialize() {
    FActive = false;
    FFieldNo = -1;
    try {
        Bind();
    } catch (...) {
        // A source that cannot be bound leaves the variable inactive or without its field.
    }
    TVyrVar::Initialize();
}

void TVyrDBVar::Bind() {
    TDataSource* Source = DataSource();
    TDataSet* DataSet = Source ? Source->DataSet() : nullptr;
    if (!DataSet) return;
    TPimDataSourceManager* Manager = Page() ? Page()->DataSourceManager() : nullptr;
    if (FRunning && Manager) {
        FActive = Manager->ActivateDataSource(Source);
        if (!FActive) ReportFailedSource(Manager);
    } else {
        FActive = DataSet->Active();
    }
    if (!FActive) return;
    const TField* Found = DataSet->FindField(FDataField);
    FFieldNo = Found ? Found->Index() : -1;
}

void TVyrDBVar::ReportFailedSource(TPimDataSourceManager* Manager) {
    TPimDataSource* Entry = Manager->Find(DataSource());
    const QString Message = Entry ? Entry->TakeErrorMessage() : QString();
    if (Message.isEmpty()) return;
    // The run fails for want of this source's data: it hears why once.
    VyrRunFailed(Page(), this, std::make_exception_ptr(Exception(Message)));
}

void TVyrDBVar::ActiveChanged() {
    FActive = FDataLink->Active();
    // While the form is freed its data sets close too; nothing is worth recomputing then.
    if (HasState(csDestroying)) return;
    if (FActive) {
        Initialize();
    } else {
        FFieldNo = -1;
        Reset();
    }
}

void TVyrDBVar::UpdateData() {
    if (FUpdateMode != umNeedUpdate) return;
    if (!FOwnReads || !FDataNow || !FDataLast) EnsureValues();
    Compute([this] { ReadField(); });
}

bool TVyrDBVar::NullsAreValues(const TDataSet* DataSet) {
    // Only a class of that name can keep nulls as values, which is worked out once per class; its
    // property is read at every null, as it may change from one record to the next.
    const std::type_info* Class = DataSet ? &typeid(*DataSet) : nullptr;
    if (Class != FNullRuleClass) {
        FNullRuleClass = Class;
        FNullRuleNamed = DataSet && DataSet->ClassNameIs(QStringLiteral("TTable"));
    }
    return FNullRuleNamed && NullFieldsAreValues(DataSet);
}

void TVyrDBVar::ReadField() {
    TField* f = Field();
    if (!f) {
        SettleLast();
        FDataNow->Reset();
        return;
    }
    FDisplayText.Take(*f);
    // Taking the text read the null flag of this record, unless a text handler ran meanwhile.
    const bool Null = f->OnGetText ? f->IsNull() : FDisplayText.Null();
    if (Null && !NullsAreValues(f->DataSet())) {
        SettleLast();
        FDataNow->Reset();
        FDataNow->SetIsNull(true);
        return;
    }
    try {
        if (!ReadTaken(*f)) {
            SettleLast();
            VyrReadField(*f, *FDataNow);
        }
    } catch (...) {
        // A value the field cannot give prints empty rather than stopping the report.
        SettleLast();
        FDataNow->Reset();
    }
}

bool TVyrDBVar::ReadTaken(const TField& Field) {
    // The cases of VyrReadField where the field gives the stored number as it is. Where the last
    // value is still to take the current one, numbers that accumulate copy and add in one step and
    // a text hands its buffer over, as the current one is written anew.
    TVyrData& Value = *FDataNow;
    const TFieldType Type = Field.DataType();
    switch (FDisplayText.Taken()) {
    case TFieldDisplayText::tkInteger:
        if (auto* Integer = VyrValueAs<TVyrInteger>(&Value)) {
            if (ValueTypeOf(Type) != dtypeInteger) return false;
            SettleLastAs(*Integer);
            Value.SetIsNull(false);
            Integer->SetValueInteger(FDisplayText.TakenInt());
            return true;
        }
        if (auto* Money = VyrValueAs<TVyrCurrency>(&Value)) {
            if (Type != ftCurrency) return false;
            const Currency Units = Currency::FromUnits(FDisplayText.TakenInt());
            if (FOwnReads) {
                AddTaken(*Money, Units);
            } else {
                Value.SetIsNull(false);
                Money->SetValueCurrency(Units);
            }
            return true;
        }
        if (Type != ftBoolean) return false;
        // The values of the runtime's own variables are of the runtime's own classes, whose
        // setters no subclass overrides: they are set inline.
        if (auto* Flag = FOwnReads ? VyrValueAs<TVyrBoolean>(&Value) : nullptr) {
            SettleLastAs(*Flag);
            Value.SetIsNull(false);
            Flag->SetValueBoolean(FDisplayText.TakenInt() != 0);
        } else {
            SettleLast();
            Value.SetIsNull(false);
            Value.SetAsBoolean(FDisplayText.TakenInt() != 0);
        }
        return true;
    case TFieldDisplayText::tkFloat:
        if (ValueTypeOf(Type) != dtypeFloat) return false;
        if (auto* Float = FOwnReads ? VyrValueAs<TVyrFloat>(&Value) : nullptr) {
            AddTaken(*Float, FDisplayText.TakenFloat());
            return true;
        }
        SettleLast();
        Value.SetIsNull(false);
        Value.SetAsFloat(FDisplayText.TakenFloat());
        return true;
    case TFieldDisplayText::tkDateTime:
        if (ValueTypeOf(Type) != dtypeDateTime) return false;
        if (auto* Date = FOwnReads ? VyrValueAs<TVyrDateTime>(&Value) : nullptr) {
            SettleLastAs(*Date);
            Value.SetIsNull(false);
            Date->SetValueDateTime(FDisplayText.TakenFloat());
        } else {
            SettleLast();
            Value.SetIsNull(false);
            Value.SetAsDateTime(FDisplayText.TakenFloat());
        }
        return true;
    case TFieldDisplayText::tkText:
        // The wide fixed and memo kinds give their plain value rather than their text.
        if (ValueTypeOf(Type) != dtypeString || Type == ftFixedWideChar || Type == ftWideMemo) return false;
        if (auto* Text = VyrValueAs<TVyrString>(&Value)) {
            if (auto* Last = FLastBehind ? VyrValueAs<TVyrString>(FDataLast.get()) : nullptr) {
                FLastBehind = false;
                Text->HandOverTo(*Last);
            }
            SettleLast();
            Value.SetIsNull(false);
            Text->AssignValueString(FDisplayText.Text());
            return true;
        }
        return false;
    case TFieldDisplayText::tkNone:
        break;
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// TVyrExprVar

void TVyrExprVar::UpdateData() {
    if (FUpdateMode == umUpdating) Exception::CreateResFmt(SCircularVariable, {Name()});
    if (FUpdateMode != umNeedUpdate) return;
    if (!FDataNow) {
        FUpdateMode = umNoUpdate;
        Exception::CreateResFmt(SBadDatatype, {Name()});
    }
    Compute([this] {
        if (!OnGetData) return;
        // Reads and writes inside the handler see this reset value and start no second update.
        SettleLast();
        FDataNow->Reset();
        OnGetData(this);
    });
}

// ---------------------------------------------------------------------------------------------
// TVyrDateTimeVar

void TVyrDateTimeVar::Initialize() {
    TVyrVar::Initialize();
    FDataNow->SetAsDateTime(Now());
    UpdateLast();
}

// ---------------------------------------------------------------------------------------------
// TVyrPageVar

void TVyrPageVar::UpdateData() {
    if (FUpdateMode != umNeedUpdate) return;
    EnsureValues();
    Compute([this] {
        SettleLast();
        FDataNow->SetAsInteger(FDataNow->AsInteger() + 1);
    });
}

// ---------------------------------------------------------------------------------------------
// TVyrTotalvar

TVyrDataTypes TVyrTotalvar::GetDataType() const {
    if (!FInitialized && FVariable)
        return FVariable->DataType() == dtypeCurrency ? dtypeCurrency : dtypeFloat;
    return FIsCurrency ? dtypeCurrency : dtypeFloat;
}

TVyrData* TVyrTotalvar::GetDataNow() {
    Exception::CreateResFmt(SInvalidTotalVar, {Name()});
}

bool TVyrTotalvar::GetActive() const {
    return FVariable ? FVariable->Active() : FActive;
}

void TVyrTotalvar::Initialize() {
    AddLevels();
    // Never read as values (a plain read raises); they only keep DataLast an empty total.
    FDataNow = NewAccumulator(FIsCurrency);
    FDataLast = NewAccumulator(FIsCurrency);
    if (HasState(csDesigning) && !FRunning) FUpdateMode = umNeedUpdate;
    FInitialized = true;
    ++FInitializations;
}

void TVyrTotalvar::AddLevels() {
    DeleteLevels();
    FIsCurrency = FVariable && FVariable->DataType() == dtypeCurrency;
    const size_t Count = Page() && Page()->Levels() ? Page()->Levels()->size() : 0;
    for (size_t i = 0; i < Count; ++i) {
        FDataNowList.push_back(NewAccumulator(FIsCurrency));
        FDataLastList.push_back(NewAccumulator(FIsCurrency));
    }
    FResetNowList.assign(Count, false);
    FResetLastList.assign(Count, false);
    ListsChanged();
}

void TVyrTotalvar::DeleteLevels() {
    FDataNowList.clear();
    FDataLastList.clear();
    FResetNowList.clear();
    FResetLastList.clear();
    ListsChanged();
    FEmpty.reset();
    FIsCurrency = false;
}

void TVyrTotalvar::ListsChanged() {
    // New or restored lists hold their last accumulators as they are.
    FSettled.assign(FDataNowList.size(), FUpdates);
    FResetsPending = true;
    FPlanLayout = 0;
    const TVyrData::TValueClass Class = FIsCurrency ? TVyrCurrency::Class : TVyrFloat::Class;
    auto Own = [Class](const std::unique_ptr<TVyrData>& D) { return D && D->ValueClass() == Class; };
    FOwnAccumulators = FDataNowList.size() == FDataLastList.size() &&
                       std::all_of(FDataNowList.begin(), FDataNowList.end(), Own) &&
                       std::all_of(FDataLastList.begin(), FDataLastList.end(), Own);
}

void TVyrTotalvar::SetParent(TWinControl* AParent) {
    FPlanLayout = 0;
    TVyrVar::SetParent(AParent);
}

void TVyrTotalvar::EnsureValues() {
    if (!FInitialized) Initialize();
}

void TVyrTotalvar::PlanLevels() const {
    // Levels are numbered at the start of a run; a level added or moved since then has no
    // accumulator of its own yet, whatever number it carries.
    const TVyrPage* P = FPage.Of(this);
    const std::vector<TVyrLevel*>* Levels = P ? P->Levels() : nullptr;
    const size_t LevelCount = Levels ? Levels->size() : 0;
    const size_t Count = FDataNowList.size();
    FPlanLevels.assign(Count, nullptr);
    FAdding.clear();
    for (size_t i = 0; i < Count; ++i) {
        if (i < LevelCount) FPlanLevels[i] = (*Levels)[i];
        if (i >= LevelCount || !(*Levels)[i]->IsHeader()) FAdding.push_back(static_cast<uint32_t>(i));
    }
    FPlanLayout = TVyrLevel::Layout();
}

int TVyrTotalvar::IndexOf(const TVyrLevel* Level) const {
    if (!Level || Level->Level() < 0) return -1;
    KeepPlan();
    const auto n = static_cast<size_t>(Level->Level());
    if (n >= FPlanLevels.size() || FPlanLevels[n] != Level) return -1;
    return Level->Level();
}

TVyrData* TVyrTotalvar::EmptyTotal(TVyrTotalType TotalType) {
    if (!FEmpty) FEmpty = NewAccumulator(FIsCurrency);
    FEmpty->Reset();
    VyrSetTotalType(FEmpty.get(), TotalType);
    return FEmpty.get();
}

void TVyrTotalvar::CopyLast(size_t Index) {
    CopyValue(FDataLastList[Index].get(), FDataNowList[Index].get());
    FResetLastList[Index] = FResetNowList[Index];
    FSettled[Index] = FUpdates;
}

void TVyrTotalvar::SettleAll() {
    for (size_t i = 0; i < FDataNowList.size(); ++i)
        SettleLast(i);
}

TVyrData* TVyrTotalvar::LevelNow(TVyrLevel* Level, TVyrTotalType TotalType) {
    if (FUpdateMode == umNeedUpdate) UpdateData();
    const int i = IndexOf(Level);
    if (i < 0) return EmptyTotal(TotalType);
    // Whoever holds the accumulator may change it: the last one must not follow.
    SettleLast(static_cast<size_t>(i));
    TVyrData* Total = FDataNowList[static_cast<size_t>(i)].get();
    VyrSetTotalType(Total, TotalType);
    return Total;
}

TVyrData* TVyrTotalvar::GetLevelLast(TVyrLevel* Level, TVyrTotalType TotalType) {
    const int i = IndexOf(Level);
    if (i < 0) return EmptyTotal(TotalType);
    SettleLast(static_cast<size_t>(i));
    TVyrData* Total = FDataLastList[static_cast<size_t>(i)].get();
    VyrSetTotalType(Total, TotalType);
    return Total;
}

void TVyrTotalvar::ResetLevel(TVyrLevel* Level) {
    const int i = IndexOf(Level);
    if (i < 0) return;
    SettleLast(static_cast<size_t>(i));
    FResetNowList[static_cast<size_t>(i)] = true;
    FResetsPending = true;
}

void TVyrTotalvar::ResetMarkedLevel(TVyrLevel* Level) {
    const int i = IndexOf(Level);
    if (i >= 0) ApplyReset(static_cast<size_t>(i));
}

void TVyrTotalvar::ResetAtlevel(TVyrLevel* Level) {
    const int i = IndexOf(Level);
    if (i < 0) return;
    SettleLast(static_cast<size_t>(i));
    FDataNowList[static_cast<size_t>(i)]->Reset();
}

void TVyrTotalvar::UpdateAtlevel(TVyrLevel* Level) {
    // The accumulator alone: a reset still pending stays pending in the last state too.
    const int i = IndexOf(Level);
    if (i < 0) return;
    SettleLast(static_cast<size_t>(i));
    CopyValue(FDataLastList[static_cast<size_t>(i)].get(), FDataNowList[static_cast<size_t>(i)].get());
}

void TVyrTotalvar::ApplyReset(size_t Index) {
    if (!FResetNowList[Index]) return;
    SettleLast(Index);
    FDataNowList[Index]->Reset();
    FResetNowList[Index] = false;
}

void TVyrTotalvar::UpdateData() {
    if (FUpdateMode == umUpdating) Exception::CreateResFmt(SCircularVariable, {Name()});
    if (FUpdateMode != umNeedUpdate) return;
    Compute([this] { Accumulate(); });
}

void TVyrTotalvar::Accumulate() {
    double Value = 0;
    Currency Money;
    bool Null = false;
    if (FVariable && SourceDelivers()) {
        // A variable whose reads are TVyrVar's own gives its values from DataNow, read once here.
        TVyrData* Now = FVariable->DataNow();
        const bool Own = FVariable->ReadsOwnValues();
        Null = Now->IsNull();
        switch (FVariable->DataType()) {
        case dtypeFloat:
        case dtypeInteger:
        case dtypeCurrency:
            if (FIsCurrency)
                Money = Own ? Now->AsCurrency() : FVariable->AsCurrency();
            else
                Value = Own ? Now->AsFloat() : FVariable->AsFloat();
            break;
        case dtypeBoolean:
            if (Own ? Now->AsBoolean() : FVariable->AsBoolean()) {
                Value = 1.0;
                Money = Currency::FromInt(1);
            }
            break;
        default:
            break;
        }
    }
    const bool Skip = FIgnoreNulls && Null;
    if (FResetsPending) {
        // Resets are rare. Each is made just before its level adds, level by level, so that an
        // addition the sum refuses leaves the resets of the levels after it pending.
        const std::vector<uint32_t>& Adding = AddingLevels();
        auto Adds = Adding.begin();
        for (size_t i = 0; i < FDataNowList.size(); ++i) {
            ApplyReset(i);
            if (Adds == Adding.end() || *Adds != i) continue;
            ++Adds;
            if (!Skip) AddAt(i, Value, Money);
        }
        FResetsPending = false;
        return;
    }
    if (Skip) return;
    if (FOwnAccumulators) {
        if (FIsCurrency)
            AddToLevels<TVyrCurrency>(Money);
        else
            AddToLevels<TVyrFloat>(Value);
        return;
    }
    for (const uint32_t i : AddingLevels())
        AddAt(i, Value, Money);
}

void TVyrTotalvar::AddAt(size_t Index, double Value, Currency Money) {
    SettleLast(Index);
    TVyrData* Total = FDataNowList[Index].get();
    if (FIsCurrency) {
        if (auto* c = VyrValueAs<TVyrCurrency>(Total))
            c->Add(Money);
        else
            Total->SetValue(&Money);
    } else if (auto* f = VyrValueAs<TVyrFloat>(Total)) {
        f->Add(Value);
    } else {
        Total->SetValue(&Value);
    }
}

template <class TAccumulator, class TValue> void TVyrTotalvar::AddToLevels(TValue Value) {
    // Every adding level adds at every record; the last accumulator takes the current one in the
    // same step where the update asked for that. The lists are walked through local pointers, which
    // the additions cannot move, rather than reloaded from the members at each level.
    const std::vector<uint32_t>& Adding = AddingLevels();
    std::unique_ptr<TVyrData>* Now = FDataNowList.data();
    std::unique_ptr<TVyrData>* Last = FDataLastList.data();
    uint64_t* Settled = FSettled.data();
    const uint8_t* ResetNow = FResetNowList.data();
    uint8_t* ResetLast = FResetLastList.data();
    const uint64_t Updates = FUpdates;
    for (const uint32_t i : Adding) {
        auto* Total = static_cast<TAccumulator*>(Now[i].get());
        if (Settled[i] == Updates) {
            Total->Add(Value);
            continue;
        }
        Settled[i] = Updates;
        ResetLast[i] = ResetNow[i];
        Total->CopyToThenAdd(*static_cast<TAccumulator*>(Last[i].get()), Value);
    }
}

bool TVyrTotalvar::SourceDelivers() {
    if (!HasState(csDesigning)) return true;
    if (!FVariable->Initialized()) FVariable->Initialize();
    return FVariable->Active();
}

void TVyrTotalvar::ResetData() {
    if (FUpdateMode != umNeedUpdate) return;
    for (size_t i = 0; i < FDataNowList.size(); ++i)
        ApplyReset(i);
    FResetsPending = false;
    // Nothing is added for this update: a level whose data ran out counts no record.
    FUpdateMode = umNoUpdate;
}

void TVyrTotalvar::UpdateLast() {
    // Every level's last accumulator takes its current one when either is next touched.
    ++FUpdates;
}

void TVyrTotalvar::ReverseUpdate() {
    for (size_t i = 0; i < FDataNowList.size(); ++i) {
        // A level not copied since the update has its current accumulator as its last one: both
        // stay as they are, the copy still to be made.
        if (FSettled[i] != FUpdates) continue;
        CopyValue(FDataNowList[i].get(), FDataLastList[i].get());
        FResetNowList[i] = FResetLastList[i];
    }
    FResetsPending = true;
}

void TVyrTotalvar::Reset() {}

TVyrVarState TVyrTotalvar::SaveState() {
    SettleAll();
    TVyrVarState State = TVyrVar::SaveState();
    for (const std::unique_ptr<TVyrData>& D : FDataNowList)
        State.NowList.push_back(CopyOf(D.get()));
    for (const std::unique_ptr<TVyrData>& D : FDataLastList)
        State.LastList.push_back(CopyOf(D.get()));
    State.ResetNowList = FResetNowList;
    State.ResetLastList = FResetLastList;
    return State;
}

void TVyrTotalvar::RestoreState(TVyrVarState& State) {
    TVyrVar::RestoreState(State);
    FDataNowList = std::move(State.NowList);
    FDataLastList = std::move(State.LastList);
    FResetNowList = std::move(State.ResetNowList);
    FResetLastList = std::move(State.ResetLastList);
    ListsChanged();
}
