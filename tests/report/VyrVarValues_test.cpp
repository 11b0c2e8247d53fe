#include "host/formatting.h"
#include "host/forms.h"
#include "host/memdataset.h"
#include "host/messages.h"
#include "host/properties.h"
#include "host/streams.h"
#include "report/PimDS.h"
#include "report/PimPage.h"
#include "report/VyrCurr.h"
#include "report/VyrFloat.h"
#include "report/VyrVar.h"
#include "support/reportfixture.h"
#include "support/runvars.h"

#include <QDateTime>
#include <array>
#include <functional>
#include <gtest/gtest.h>
#include <optional>

// A data set of the class whose null fields count as values when its "TableType" is 4.
class TTable : public TMemDataSet {
public:
    using TMemDataSet::TMemDataSet;
    int TableType() const { return FTableType; }
    void SetTableType(int Value) { FTableType = Value; }

private:
    int FTableType = 0;
};

namespace {

[[maybe_unused]] const bool TableDeclared = [] {
    DeclareProperties<TTable, TComponent>().Integer("TableType", &TTable::TableType, &TTable::SetTableType);
    return true;
}();

// A run-time report page with its five main bands, each with its level.
struct TReportPage {
    std::unique_ptr<TReportTestForm> Form = std::make_unique<TReportTestForm>();
    TVyrReport* Report = Make<TVyrReport>(Form.get(), QStringLiteral("Report1"), nullptr);
    TVyrGrouppage* Page = Make<TVyrGrouppage>(Form.get(), QStringLiteral("ReportPage"), Report);
    TReportPage() {
        ClearPostedMessages();
        Page->AddMainBands();
    }
    TVyrLevel* Detail() const { return Page->Detail()->UpdateLevel(); }
    template <class V> V* Var(const QString& Name, TVyrLevel* Level) {
        auto* v = Make<V>(Form.get(), Name, Page);
        v->SetUpdateLevel(Level);
        return v;
    }
};

QString Hex(TVyrData* Value) {
    auto* Blob = dynamic_cast<TVyrBlob*>(Value);
    if (!Blob) return QStringLiteral("not a blob");
    const QByteArray Bytes(reinterpret_cast<const char*>(Blob->ValueStream()->Memory()),
                           static_cast<qsizetype>(Blob->ValueStream()->Size()));
    return QString::fromLatin1(Bytes.toHex(' ').toUpper());
}

QString MessageOf(const std::function<void()>& Action) {
    try {
        Action();
    } catch (const Exception& e) {
        return e.Message();
    }
    return QStringLiteral("no exception");
}

} // namespace

TEST(DatabaseVariables, ReadEachFieldByItsTypeAndNullsByTheTableRule) {
    TFormatSettingsScope Scope{TFormatSettings::Fixed()};
    TTable Set;
    Set.FieldDefs().Add(QStringLiteral("Big"), ftLargeint);
    Set.FieldDefs().Add(QStringLiteral("Long"), ftLongWord);
    Set.FieldDefs().Add(QStringLiteral("Single"), ftSingle);
    Set.FieldDefs().Add(QStringLiteral("Ext"), ftExtended);
    Set.FieldDefs().Add(QStringLiteral("Money"), ftCurrency);
    Set.FieldDefs().Add(QStringLiteral("Notes"), ftMemo);
    Set.FieldDefs().Add(QStringLiteral("Picture"), ftBlob);
    Set.FieldDefs().Add(QStringLiteral("Name"), ftString, 20);
    Set.AppendRecord({qlonglong(3000000000), qlonglong(4000000000), 1.5, 2.5, QStringLiteral("12.3456"),
                      QStringLiteral("ab\r\ncd"), QByteArray("\x00\xFF\x10", 3), QVariant()});
    TDataSource Source;
    Source.SetDataSet(&Set);
    TReportPage R;
    std::vector<TVyrDBVar*> Vars;
    for (const char* Field : {"Big", "Long", "Single", "Ext", "Money", "Notes", "Picture", "Name", "Nope"}) {
        auto* V = R.Var<TVyrDBVar>(QStringLiteral("v") + QLatin1String(Field), R.Detail());
        V->SetDataSource(&Source);
        V->SetDataField(QLatin1String(Field));
        Vars.push_back(V);
    }
    // Before the run the set is closed: the types come from its field definitions.
    EXPECT_EQ(Vars[1]->FieldDataType(), ftLongWord);
    EXPECT_EQ(Vars[8]->FieldDataType(), ftUnknown);
    EXPECT_FALSE(Vars[1]->Active());
    StartRunVariables(*R.Page);
    EXPECT_TRUE(Set.Active()); // opened for the run by the page's manager
    R.Page->UpdateDataLevel(R.Detail());

    EXPECT_EQ(Vars[0]->DataType(), dtypeInteger);
    EXPECT_EQ(static_cast<TVyrInteger*>(Vars[0]->DataNow())->ValueInteger(), 3000000000);
    EXPECT_EQ(static_cast<TVyrInteger*>(Vars[1]->DataNow())->ValueInteger(), 4000000000);
    EXPECT_EQ(Vars[1]->AsString(), QStringLiteral("4000000000"));
    EXPECT_THROW(Vars[1]->AsInteger(), EConvertError);
    EXPECT_EQ(Vars[2]->DataType(), dtypeFloat);
    EXPECT_EQ(Vars[2]->AsFloat(), 1.5);
    EXPECT_EQ(Vars[3]->DataType(), dtypeUnknown);
    EXPECT_EQ(Vars[4]->DataType(), dtypeCurrency);
    EXPECT_EQ(static_cast<TVyrCurrency*>(Vars[4]->DataNow())->ValueCurrency().Units(), 123456);
    EXPECT_EQ(Vars[4]->DisplayText(), Set.FieldByName(QStringLiteral("Money"))->DisplayText());
    EXPECT_EQ(Vars[5]->DataType(), dtypeMemo);
    EXPECT_EQ(Hex(Vars[5]->DataNow()), QStringLiteral("FF FE 61 00 62 00 0D 00 0A 00 63 00 64 00"));
    EXPECT_EQ(Vars[6]->DataType(), dtypeBlob);
    EXPECT_EQ(Hex(Vars[6]->DataNow()), QStringLiteral("00 FF 10"));
    EXPECT_TRUE(Vars[7]->IsNull());
    EXPECT_EQ(Vars[7]->AsString(), QString());

    // A field the data set lacks leaves the variable without a field; each update empties it.
    TVyrDBVar* Missing = Vars[8];
    EXPECT_TRUE(Missing->Active());
    EXPECT_EQ(Missing->FieldNo(), -1);
    EXPECT_EQ(Missing->DataType(), dtypeUnknown);
    Missing->SetAsString(QStringLiteral("left over"));
    R.Page->UpdateDataLevel(R.Detail());
    EXPECT_EQ(Hex(Missing->DataNow()), QString());
    EXPECT_EQ(Missing->AsString(), QStringLiteral("Unknown type, check to see if field exists."));

    // On the table kind whose type is 4 the same null field is a value.
    Set.SetTableType(4);
    R.Page->UpdateDataLevel(R.Detail());
    EXPECT_FALSE(Vars[7]->IsNull());
    Set.SetTableType(3);
    R.Page->UpdateDataLevel(R.Detail());
    EXPECT_TRUE(Vars[7]->IsNull());
}

namespace {

// A float value that counts the writes that reach its setter.
class TCountingFloat : public TVyrFloat {
public:
    int Writes = 0;
    void SetValueFloat(double Value) override {
        ++Writes;
        TVyrFloat::SetValueFloat(Value);
    }
};

// A database variable of a class of its own, whose current value is a float of a class of its own.
class TCountingDBVar : public TVyrDBVar {
public:
    using TVyrDBVar::TVyrDBVar;
    TCountingFloat* Counting = nullptr;
    void Initialize() override {
        TVyrDBVar::Initialize();
        if (DataType() != dtypeFloat) return;
        auto Value = std::make_unique<TCountingFloat>();
        Counting = Value.get();
        FDataNow = std::move(Value);
    }
};

} // namespace

TEST(DatabaseVariables, NumbersDatesAndFlagsKeepAccumulatingAndSubclassesStillSetThroughTheirSetters) {
    TFormatSettingsScope Scope{TFormatSettings::Fixed()};
    const std::pair<const char*, TFieldType> Defs[] = {
        {"Price", ftFloat}, {"Money", ftCurrency}, {"Day", ftDate}, {"Flag", ftBoolean}};
    TMemDataSet Set;
    for (const auto& [Name, Type] : Defs)
        Set.FieldDefs().Add(QLatin1String(Name), Type);
    for (int i = 0; i < 3; ++i)
        Set.AppendRecord({std::array{1.5, -4.0, 2.5}[i],
                          QString::fromLatin1(std::array{"2.25", "10", "0.5"}[i]), 45000.0 + i, i != 1});
    TDataSource Source;
    Source.SetDataSet(&Set);
    TReportPage R;
    // The last reads the price through a variable of a class of its own.
    std::vector<TVyrDBVar*> Vars;
    for (int i = 0; i < 5; ++i) {
        const QString Field = QLatin1String(Defs[i % 4].first);
        TVyrDBVar* V = i < 4 ? R.Var<TVyrDBVar>(QStringLiteral("v") + Field, R.Detail())
                             : R.Var<TCountingDBVar>(QStringLiteral("vOwn"), R.Detail());
        V->SetDataSource(&Source);
        V->SetDataField(Field);
        Vars.push_back(V);
    }
    auto* Own = static_cast<TCountingDBVar*>(Vars[4]);
    StartRunVariables(*R.Page);
    const double Prices[] = {1.5, -4.0, 2.5};
    const int64_t Units[] = {22500, 100000, 5000};
    Set.First();
    for (int i = 0; i < 3; ++i) {
        R.Page->UpdateDataLevel(R.Detail());
        EXPECT_EQ(Vars[0]->AsFloat(), Prices[i]);
        EXPECT_EQ(static_cast<TVyrCurrency*>(Vars[1]->DataNow())->ValueCurrency().Units(), Units[i]);
        EXPECT_EQ(Vars[2]->AsDateTime(), 45000.0 + i);
        EXPECT_EQ(Vars[3]->AsBoolean(), i != 1);
        EXPECT_FALSE(Vars[0]->IsNull() || Vars[1]->IsNull() || Vars[2]->IsNull() || Vars[3]->IsNull());
        EXPECT_EQ(Own->AsFloat(), Prices[i]);
        if (i > 0) {
            // The last values are those of the record before, accumulators included.
            EXPECT_EQ(Vars[0]->DataLast()->AsFloat(), Prices[i - 1]);
            EXPECT_EQ(static_cast<TVyrFloat*>(Vars[0]->DataLast())->Calc()->Count(), i);
            EXPECT_EQ(static_cast<TVyrCurrency*>(Vars[1]->DataLast())->ValueCurrency().Units(), Units[i - 1]);
            EXPECT_EQ(Vars[2]->DataLast()->AsDateTime(), 45000.0 + i - 1);
            EXPECT_EQ(Vars[3]->DataLast()->AsBoolean(), i != 2);
        }
        Set.Next();
    }
    // The values are accumulators: every record added to the sum, count and extremes.
    const TVyrCalc* Price = static_cast<TVyrFloat*>(Vars[0]->DataNow())->Calc();
    EXPECT_EQ(Price->Sum(), 0.0);
    EXPECT_EQ(Price->Count(), 3);
    EXPECT_EQ(Price->Min(), -4.0);
    EXPECT_EQ(Price->Max(), 2.5);
    const TVyrCurrency* Money = static_cast<TVyrCurrency*>(Vars[1]->DataNow());
    EXPECT_EQ(Money->Calc()->Sum().Units(), 127500);
    EXPECT_EQ(Money->Calc()->Count(), 3);
    // A variable of another class keeps going through its value's setter, once a record.
    ASSERT_NE(Own->Counting, nullptr);
    EXPECT_EQ(Own->Counting->Writes, 3);
    EXPECT_EQ(Own->Counting->Calc()->Count(), 3);
}

TEST(DatabaseVariables, TheTypeFollowsAFieldOfTheSameNameRedefinedWhileTheSetWasClosed) {
    TMemDataSet Set;
    Set.FieldDefs().Add(QStringLiteral("X"), ftInteger);
    Set.AppendRecord({7});
    TDataSource Source;
    Source.SetDataSet(&Set);
    TReportPage R;
    auto* V = R.Var<TVyrDBVar>(QStringLiteral("v"), R.Detail());
    V->SetDataSource(&Source);
    V->SetDataField(QStringLiteral("X"));
    StartRunVariables(*R.Page);
    R.Page->UpdateDataLevel(R.Detail());
    EXPECT_EQ(V->DataType(), dtypeInteger);
    EXPECT_EQ(V->AsInteger(), 7);

    Set.Close();
    Set.FieldDefs().Clear();
    Set.FieldDefs().Add(QStringLiteral("X"), ftString, 10);
    Set.Open();
    Set.AppendRecord({QStringLiteral("seven")});
    Set.First();
    R.Page->UpdateDataLevel(R.Detail());
    EXPECT_EQ(V->DataType(), dtypeString);
    EXPECT_EQ(V->AsString(), QStringLiteral("seven"));
    Set.Close();
    EXPECT_EQ(V->DataType(), dtypeUnknown);
}

TEST(DatabaseVariables, ATextFieldsNullLastsForItsOwnRecordOnly) {
    TMemDataSet Set;
    Set.FieldDefs().Add(QStringLiteral("Name"), ftString, 20);
    Set.FieldDefs().Add(QStringLiteral("Wide"), ftWideString, 20);
    const struct {
        QVariant Value;
        const char* Text;
        bool Null;
    } Rows[] = {{QStringLiteral("Ann"), "Ann", false},
                {QVariant(), "", true},
                {QStringLiteral("Cy"), "Cy", false},
                {QVariant(), "", true},
                {QVariant(), "", true},
                {QStringLiteral("Dee"), "Dee", false}};
    for (const auto& Row : Rows)
        Set.AppendRecord({Row.Value, Row.Value});
    TDataSource Source;
    Source.SetDataSet(&Set);
    TReportPage R;
    std::vector<TVyrDBVar*> Vars;
    for (const QString& Field : {QStringLiteral("Name"), QStringLiteral("Wide")}) {
        auto* V = R.Var<TVyrDBVar>(QStringLiteral("v") + Field, R.Detail());
        V->SetDataSource(&Source);
        V->SetDataField(Field);
        Vars.push_back(V);
    }
    TVyrFormat Shown; // as a label that prints nothing for a null shows it
    Shown.SetSuppressNulls(true);
    StartRunVariables(*R.Page);
    Set.First();
    for (const auto& Row : Rows) {
        SCOPED_TRACE(Row.Text);
        R.Page->UpdateDataLevel(R.Detail());
        for (TVyrDBVar* V : Vars) {
            EXPECT_EQ(V->IsNull(), Row.Null) << V->Name().toStdString();
            EXPECT_EQ(V->AsString(), QLatin1String(Row.Text)) << V->Name().toStdString();
            EXPECT_EQ(V->DisplayText(), QLatin1String(Row.Text)) << V->Name().toStdString();
            EXPECT_EQ(Shown.FormatAsString(V->DataNow()), QLatin1String(Row.Text)) << V->Name().toStdString();
        }
        Set.Next();
    }
}

TEST(DatabaseVariables, DisplayTextIsThatOfTheUpdatedRecordAfterTheCursorMovesOn) {
    TMemDataSet Set;
    const TFieldType Types[] = {ftDateTime, ftDateTime, ftCurrency, ftBoolean,
                                ftMemo,     ftString,   ftFloat,    ftInteger};
    for (TFieldType t : Types)
        Set.FieldDefs().Add(FieldTypeName(t) + QString::number(Set.FieldDefs().Count()), t);
    Set.AppendRecord({QDateTime(QDate(1899, 12, 29), QTime(6, 0)),
                      QDateTime(QDate(2024, 2, 29), QTime(13, 45, 30, 250)), QStringLiteral("-1234.5"), true,
                      QStringLiteral("memo"), QStringLiteral("Zürich"), 0.1, 7});
    Set.AppendRecord(
        {2958466.0, QVariant(), QStringLiteral("0"), false, QVariant(), QStringLiteral("Kraków"), 2.5, 8});
    TDataSource Source;
    Source.SetDataSet(&Set);
    TReportPage R;
    std::vector<TVyrDBVar*> Vars;
    for (int i = 0; i < Set.FieldDefs().Count(); ++i) {
        auto* V = R.Var<TVyrDBVar>(QStringLiteral("v%1").arg(i), R.Detail());
        V->SetDataSource(&Source);
        V->SetDataField(Set.FieldDefs()[i].Name());
        Vars.push_back(V);
    }
    StartRunVariables(*R.Page);
    // A text handler runs at the update, as it always did; the text it gives is the one kept.
    int Calls = 0;
    Set.Fields(7)->OnGetText = [&Calls](TField* Sender, QString& Text, bool) {
        ++Calls;
        Text = QStringLiteral("#") + QString::number(Sender->AsLargeInt());
    };
    auto Texts = [&Vars] {
        QStringList L;
        for (TVyrDBVar* V : Vars)
            L << V->DisplayText();
        return L;
    };
    R.Page->UpdateDataLevel(R.Detail());
    EXPECT_EQ(Calls, 1);
    Set.Next();
    EXPECT_EQ(Texts(),
              QStringList({QStringLiteral("1899-12-29 06:00:00"), QStringLiteral("2024-02-29 13:45:30.250"),
                           QStringLiteral("-1234.5"), QStringLiteral("True"), QStringLiteral("(MEMO)"),
                           QStringLiteral("Zürich"), QStringLiteral("0.1"), QStringLiteral("#7")}));
    R.Page->UpdateDataLevel(R.Detail());
    R.Page->ReverseUpdateDataLevel(R.Detail());
    Set.First();
    // Stepping back restores the values, not the texts: those stay the last record read's. Years
    // past 9999 keep the calendar's own numbering.
    EXPECT_EQ(Texts(), QStringList({QStringLiteral("10000-01-01 00:00:00"), QString(), QStringLiteral("0"),
                                    QStringLiteral("False"), QStringLiteral("(memo)"),
                                    QStringLiteral("Kraków"), QStringLiteral("2.5"), QStringLiteral("#8")}));
    EXPECT_EQ(Calls, 2);
}

TEST(DatabaseVariables, ShareOneOpeningAndAFailingSourceIsToldOncePerRun) {
    TMemDataSet Good, Bad;
    int Opens = 0;
    for (TMemDataSet* Set : {&Good, &Bad}) {
        Set->FieldDefs().Add(QStringLiteral("Id"), ftInteger);
        Set->AppendRecord({7});
    }
    Good.AfterOpen = [&](TDataSet*) { ++Opens; };
    Bad.BeforeOpen = [](TDataSet*) { throw EDatabaseError(QStringLiteral("no such table: orders")); };
    TDataSource GoodSource, BadSource;
    GoodSource.SetDataSet(&Good);
    BadSource.SetDataSet(&Bad);
    TReportPage R;
    std::vector<TVyrDBVar*> Vars;
    for (TDataSource* Source : {&GoodSource, &GoodSource, &BadSource, &BadSource}) {
        auto* V = R.Var<TVyrDBVar>(QStringLiteral("v%1").arg(Vars.size()), R.Detail());
        V->SetDataSource(Source);
        V->SetDataField(QStringLiteral("Id"));
        Vars.push_back(V);
    }
    TToldErrors Told;
    for (int Run = 1; Run <= 2; ++Run) {
        StartRunVariables(*R.Page);
        R.Page->UpdateDataLevel(R.Detail());
        EXPECT_EQ(Opens, Run);
        EXPECT_TRUE(Vars[0]->Active() && Vars[1]->Active());
        EXPECT_EQ(Vars[1]->AsInteger(), 7);
        EXPECT_FALSE(Vars[2]->Active() || Vars[3]->Active());
        EXPECT_EQ(Vars[3]->DataType(), dtypeUnknown);
        EXPECT_EQ(Told.Messages.size(), Run);
        EndRunVariables(*R.Page);
        R.Page->DataSourceManager()->CloseDataSources();
        EXPECT_FALSE(Good.Active());
        EXPECT_FALSE(Vars[0]->Active()); // the closing reached the variables through their links
    }
    EXPECT_EQ(Told.Messages, QStringList({QStringLiteral("no such table: orders"),
                                          QStringLiteral("no such table: orders")}));
}

TEST(ExpressionVariables, HandlerSeesTheResetValueAndAnErrorLeavesTheVariableReady) {
    TReportPage R;
    auto* V = R.Var<TVyrExprVar>(QStringLiteral("Var1"), R.Detail());
    V->SetDataType(dtypeString);
    int Calls = 0;
    QString Seen;
    bool Recurse = false, Raise = false;
    V->OnGetData = [&](TVyrVar* Self) {
        ++Calls;
        Seen = Self->AsString();
        if (Recurse) Self->UpdateData();
        if (Raise) throw Exception(QStringLiteral("bad row"));
        Self->SetAsString(QStringLiteral("row%1").arg(Calls));
    };
    EXPECT_EQ(V->AsString(), QString()); // read before any run: values made on demand
    StartRunVariables(*R.Page);
    V->SetAsString(QStringLiteral("stale"));
    R.Page->UpdateDataLevel(R.Detail());
    EXPECT_EQ(Seen, QString());
    EXPECT_EQ(V->AsString(), QStringLiteral("row1"));

    Recurse = true;
    EXPECT_EQ(MessageOf([&] { R.Page->UpdateDataLevel(R.Detail()); }),
              QStringLiteral("Circular variable reference for variable: Var1"));
    EXPECT_EQ(V->UpdateMode(), umNoUpdate);
    Recurse = false;
    Raise = true;
    EXPECT_EQ(MessageOf([&] { R.Page->UpdateDataLevel(R.Detail()); }), QStringLiteral("bad row"));
    EXPECT_EQ(V->UpdateMode(), umNoUpdate);
    EXPECT_EQ(V->AsString(), QString());
    Raise = false;
    R.Page->UpdateDataLevel(R.Detail());
    EXPECT_EQ(V->AsString(), QStringLiteral("row4"));
    EXPECT_TRUE(V->Active());

    TReportTestForm Designed;
    Designed.SetDesigning(true);
    EXPECT_FALSE(TVyrExprVar(&Designed).Active());
}

TEST(LevelUpdates, MarkingIsLazyUpdatingIsEagerAndTheLastValueStepsBack) {
    TMemDataSet Set;
    Set.FieldDefs().Add(QStringLiteral("Id"), ftInteger);
    Set.FieldDefs().Add(QStringLiteral("Name"), ftString, 10);
    for (int i = 1; i <= 3; ++i)
        Set.AppendRecord({i * 10, QStringLiteral("n%1").arg(i)});
    TDataSource Source;
    Source.SetDataSet(&Set);
    TReportPage R;
    auto* Id = R.Var<TVyrDBVar>(QStringLiteral("Id"), R.Detail());
    Id->SetDataSource(&Source);
    Id->SetDataField(QStringLiteral("Id"));
    auto* Name = R.Var<TVyrDBVar>(QStringLiteral("NameVar"), R.Detail());
    Name->SetDataSource(&Source);
    Name->SetDataField(QStringLiteral("Name"));
    auto* Twice = R.Var<TVyrExprVar>(QStringLiteral("Twice"), R.Detail());
    Twice->SetDataType(dtypeInteger);
    int Calls = 0;
    Twice->OnGetData = [&](TVyrVar* Self) {
        ++Calls;
        Self->SetAsInteger(Id->AsInteger() * 2);
    };
    auto* Other = R.Var<TVyrExprVar>(QStringLiteral("Other"), R.Page->PageHead()->UpdateLevel());
    int OtherCalls = 0;
    Other->OnGetData = [&](TVyrVar*) { ++OtherCalls; };
    StartRunVariables(*R.Page);

    R.Page->VarMarkUpdate(R.Detail(), umNeedUpdate);
    EXPECT_EQ(Calls, 0);
    EXPECT_EQ(Twice->AsInteger(), 20);
    EXPECT_EQ(Twice->AsInteger(), 20);
    EXPECT_EQ(Calls, 1);
    EXPECT_EQ(Name->AsString(), QStringLiteral("n1"));

    Set.Next();
    R.Page->UpdateDataLevel(R.Detail());
    EXPECT_EQ(Calls, 2);
    EXPECT_EQ(Twice->AsInteger(), 40);
    EXPECT_EQ(Id->AsInteger(), 20);
    EXPECT_EQ(Calls, 2);
    EXPECT_EQ(Id->DataLast()->AsInteger(), 10);
    EXPECT_EQ(Twice->DataLast()->AsInteger(), 20);
    EXPECT_EQ(Name->AsString(), QStringLiteral("n2"));
    EXPECT_EQ(Name->DataLast()->AsString(), QStringLiteral("n1"));
    R.Page->ReverseUpdateDataLevel(R.Detail());
    EXPECT_EQ(Id->AsInteger(), 10);
    EXPECT_EQ(Twice->AsInteger(), 20);
    EXPECT_EQ(Name->AsString(), QStringLiteral("n1"));
    EXPECT_EQ(Calls, 2);
    EXPECT_EQ(OtherCalls, 0); // other levels are left alone

    // A level whose data ran out: the values go empty and null, the previous ones kept as last.
    R.Page->ResetDataLevel(R.Detail());
    EXPECT_TRUE(Id->IsNull());
    EXPECT_EQ(Id->AsInteger(), 0);
    EXPECT_EQ(Id->DataLast()->AsInteger(), 10);
    EXPECT_EQ(Calls, 2);
}

TEST(TotalVariables, AccumulatePerLevelAndResetOnlyBeforeTheNextValue) {
    TReportTestForm Form;
    auto* Page = Make<TVyrGrouppage>(&Form, QStringLiteral("P"), nullptr);
    std::vector<TVyrLevel*> L;
    for (int i = 0; i < 3; ++i) {
        L.push_back(Make<TVyrLevel>(&Form, QStringLiteral("L%1").arg(i), Page));
        L.back()->SetIsHeader(i == 1);
    }
    // Each source gives the value of the current row of its column; nullopt is a null.
    struct TColumn {
        TVyrDataTypes Type;
        std::vector<std::optional<QVariant>> Rows;
    };
    const std::vector<TColumn> Columns = {
        {dtypeFloat, {5.0, -2.0, 7.0}},
        {dtypeFloat, {5.0, std::nullopt, 7.0}},
        {dtypeFloat, {5.0, std::nullopt, 7.0}},
        {dtypeBoolean, {true, false, true}},
        {dtypeString, {QStringLiteral("9"), QStringLiteral("x"), QStringLiteral("1")}},
        {dtypeCurrency, std::vector<std::optional<QVariant>>(10, QVariant(0.1))},
    };
    size_t Row = 0;
    std::vector<TVyrTotalvar*> Totals;
    for (size_t c = 0; c < Columns.size(); ++c) {
        auto* Source = Make<TVyrExprVar>(&Form, QStringLiteral("Source%1").arg(c), Page);
        Source->SetDataType(Columns[c].Type);
        Source->SetUpdateLevel(L[2]);
        Source->OnGetData = [&Columns, &Row, c](TVyrVar* Self) {
            const auto& Rows = Columns[c].Rows;
            const std::optional<QVariant>& v = Rows[Row % Rows.size()];
            if (!v)
                Self->SetIsNull(true);
            else if (v->typeId() == QMetaType::Bool)
                Self->SetAsBoolean(v->toBool());
            else if (v->typeId() == QMetaType::QString)
                Self->SetAsString(v->toString());
            else
                Self->SetAsFloat(v->toDouble());
        };
        auto* Total = Make<TVyrTotalvar>(&Form, QStringLiteral("Total%1").arg(c + 1), Page);
        Total->SetVariable(Source);
        Total->SetUpdateLevel(L[2]);
        Total->SetIgnoreNulls(c == 1);
        Totals.push_back(Total);
    }
    StartRunVariables(*Page);
    for (Row = 0; Row < 3; ++Row)
        Page->UpdateDataLevel(L[2]);

    auto Sum = [&](int t, int Level, TVyrTotalType Type = ttSum) {
        return Totals[t]->GetLevelNow(L[Level], Type)->AsFloat();
    };
    EXPECT_EQ(Sum(0, 0), 10);
    EXPECT_EQ(Sum(0, 0, ttCount), 3);
    EXPECT_EQ(Sum(0, 0, ttMax), 7);
    EXPECT_EQ(Sum(0, 2, ttMin), -2);
    EXPECT_EQ(Totals[0]->Getlevel(L[2], ttValue)->AsFloat(), 7);
    EXPECT_EQ(Sum(0, 1), 0); // the header level takes nothing
    EXPECT_EQ(Sum(0, 1, ttCount), 0);
    EXPECT_EQ(Sum(1, 0), 12); // nulls skipped
    EXPECT_EQ(Sum(1, 0, ttCount), 2);
    EXPECT_EQ(Sum(2, 0), 12); // nulls add their empty value and count
    EXPECT_EQ(Sum(2, 0, ttCount), 3);
    EXPECT_EQ(Sum(3, 0), 2);
    EXPECT_EQ(Sum(4, 0), 0);
    EXPECT_EQ(Sum(4, 0, ttCount), 3);
    EXPECT_FALSE(Totals[0]->IsCurrency());
    EXPECT_TRUE(Totals[5]->IsCurrency());
    for (Row = 3; Row < 10; ++Row)
        Page->UpdateDataLevel(L[2]);
    auto* Money = dynamic_cast<TVyrCurrency*>(Totals[5]->GetLevelNow(L[0], ttSum));
    ASSERT_NE(Money, nullptr);
    EXPECT_EQ(Money->ValueCurrency().Units(), 10000); // ten times 0.1 is exactly 1.0000

    // After a band printed: the old total still reads until the next value arrives.
    Page->ResetTotalLevel(L[2]);
    Totals[0]->UpdateAtlevel(L[2]);
    EXPECT_EQ(Sum(0, 2), 35); // three rounds of 5, -2, 7 and one 5
    EXPECT_EQ(Totals[0]->GetLevelLast(L[2], ttSum)->AsFloat(), 35);
    Row = 1; // -2
    Page->UpdateDataLevel(L[2]);
    EXPECT_EQ(Sum(0, 2), -2);
    EXPECT_EQ(Sum(0, 2, ttCount), 1);
    Row = 2; // 7: the reset happened once
    Page->UpdateDataLevel(L[2]);
    EXPECT_EQ(Sum(0, 2), 5);
    EXPECT_EQ(Sum(0, 2, ttCount), 2);
    EXPECT_EQ(Sum(0, 0), 40);

    EXPECT_EQ(MessageOf([&] { (void)Totals[0]->AsString(); }),
              QStringLiteral("Invalid access to totalvar: Total1"));
    EXPECT_EQ(MessageOf([&] { (void)Totals[0]->IsNull(); }),
              QStringLiteral("Invalid access to totalvar: Total1"));
    EXPECT_EQ(Totals[0]->DataLast()->AsFloat(), 0); // and the levels are kept
    EXPECT_EQ(Sum(0, 0), 40);

    // A level added after Initialize, or none, has no accumulators: it reads empty and takes nothing.
    auto* Late = Make<TVyrLevel>(&Form, QStringLiteral("Late"), Page);
    for (TVyrLevel* Level : {Late, static_cast<TVyrLevel*>(nullptr)}) {
        Page->ResetTotalLevel(Level);
        Totals[0]->UpdateAtlevel(Level);
        Totals[0]->ResetAtlevel(Level);
        Totals[0]->ResetMarkedLevel(Level);
        EXPECT_EQ(Totals[0]->GetLevelNow(Level, ttCount)->AsFloat(), 0);
        EXPECT_EQ(Totals[0]->GetLevelLast(Level, ttSum)->AsFloat(), 0);
    }
    EXPECT_EQ(Sum(0, 0), 40); // level 0 untouched, though the late level is numbered 0 too
}

// A float source on the detail level summed by a total; Update gives the source its next value.
struct TSummedSource {
    TReportPage R;
    TVyrLevel* Detail = R.Detail();
    TVyrLevel* Header = R.Page->Head()->UpdateLevel(); // a header level: adds nothing
    TVyrExprVar* Source = R.Var<TVyrExprVar>(QStringLiteral("Source"), Detail);
    TVyrTotalvar* Total = R.Var<TVyrTotalvar>(QStringLiteral("Total"), Detail);
    double Next = 0;
    TSummedSource() {
        Source->SetDataType(dtypeFloat);
        Source->OnGetData = [this](TVyrVar* Self) { Self->SetAsFloat(Next); };
        Total->SetVariable(Source);
        StartRunVariables(*R.Page);
    }
    void Update(double Value) {
        Next = Value;
        R.Page->UpdateDataLevel(Detail);
    }
    double NowOf(TVyrLevel* Level) const { return Total->GetLevelNow(Level, ttSum)->AsFloat(); }
    double LastOf(TVyrLevel* Level) const { return Total->GetLevelLast(Level, ttSum)->AsFloat(); }
};

TEST(TotalVariables, LastTotalsFollowEveryChangeOfTheirLevelEvenWhereNothingIsAdded) {
    TSummedSource S;
    ASSERT_TRUE(S.Header->IsHeader());

    S.Update(1);
    S.Update(2);
    EXPECT_EQ(S.NowOf(S.Detail), 3);
    EXPECT_EQ(S.LastOf(S.Detail), 1);
    // A header's accumulator changed through the pointer handed out is copied at the next update.
    S.Total->GetLevelNow(S.Header, ttSum)->SetAsFloat(4);
    S.Update(3);
    EXPECT_EQ(S.LastOf(S.Header), 4);
    // So is one whose last accumulator was changed from outside: it takes the current one again.
    S.Total->GetLevelLast(S.Header, ttSum)->SetAsFloat(100);
    S.Update(4);
    EXPECT_EQ(S.LastOf(S.Header), 4);
    EXPECT_EQ(S.NowOf(S.Header), 4);
    // A reset of the header happens before the next value; stepping back brings the old total and
    // the pending reset back, and the next update resets it again.
    S.R.Page->ResetTotalLevel(S.Header);
    S.Update(5);
    EXPECT_EQ(S.NowOf(S.Header), 0);
    EXPECT_EQ(S.LastOf(S.Header), 4);
    S.R.Page->ReverseUpdateDataLevel(S.Detail);
    EXPECT_EQ(S.NowOf(S.Header), 4);
    EXPECT_EQ(S.NowOf(S.Detail), 10);
    S.Update(6);
    EXPECT_EQ(S.NowOf(S.Header), 0);
    EXPECT_EQ(S.LastOf(S.Header), 4);
    EXPECT_EQ(S.NowOf(S.Detail), 16);
    // A reset at the level itself and a saved state put back reach the last totals too.
    S.Total->ResetAtlevel(S.Header);
    S.Total->GetLevelNow(S.Header, ttSum)->SetAsFloat(7);
    TVyrVarState Saved = S.Total->SaveState();
    S.Total->ResetAtlevel(S.Header);
    S.Total->RestoreState(Saved);
    S.Update(7);
    EXPECT_EQ(S.LastOf(S.Header), 7);
    EXPECT_EQ(S.LastOf(S.Detail), 16);
    EXPECT_EQ(S.NowOf(S.Detail), 23);

    // A variable made while the level updates joins it from the next update on; the update under
    // way walks the variables it started with.
    TVyrExprVar* Late = nullptr;
    int LateCalls = 0;
    S.Source->OnGetData = [&](TVyrVar* Self) {
        Self->SetAsFloat(S.Next);
        if (Late) return;
        Late = S.R.Var<TVyrExprVar>(QStringLiteral("Late"), S.Detail);
        Late->SetDataType(dtypeInteger);
        Late->OnGetData = [&](TVyrVar*) { ++LateCalls; };
        Late->SetRunning(true);
        Late->Initialize();
    };
    S.Update(8);
    EXPECT_EQ(S.NowOf(S.Detail), 31);
    EXPECT_EQ(LateCalls, 0);
    S.Update(9);
    EXPECT_EQ(LateCalls, 1);
    EXPECT_EQ(S.NowOf(S.Detail), 40);

    // A header level made a data level during the run adds from the next update on, and back.
    const double HeaderBefore = S.NowOf(S.Header);
    S.Header->SetIsHeader(false);
    S.Update(10);
    EXPECT_EQ(S.NowOf(S.Header), HeaderBefore + 10);
    EXPECT_EQ(S.LastOf(S.Header), HeaderBefore);
    S.Header->SetIsHeader(true);
    S.Update(11);
    EXPECT_EQ(S.NowOf(S.Header), HeaderBefore + 10);
    EXPECT_EQ(S.NowOf(S.Detail), 61);
}

TEST(TotalVariables, SteppingBackCopyingALevelAndARefusedSumKeepLastTotalsAndPendingResets) {
    TSummedSource S;
    S.Update(1);
    S.Update(2);
    // A level nobody touched since the update keeps its last total through two steps back.
    S.Total->GetLevelNow(S.Header, ttSum)->SetAsFloat(4);
    S.Update(3);
    S.R.Page->ReverseUpdateDataLevel(S.Detail);
    EXPECT_EQ(S.NowOf(S.Header), 4);
    EXPECT_EQ(S.Total->GetLevelLast(S.Header, ttSum)->AsFloat(), 4);
    S.R.Page->ReverseUpdateDataLevel(S.Detail);
    EXPECT_EQ(S.NowOf(S.Header), 4);
    // Copying a level copies its accumulator, not its pending reset: stepping back takes the reset
    // back too.
    EXPECT_EQ(S.NowOf(S.Detail), 3);
    S.R.Page->ResetTotalLevel(S.Detail);
    S.Total->UpdateAtlevel(S.Detail);
    S.R.Page->ReverseUpdateDataLevel(S.Detail);
    S.Update(5);
    EXPECT_EQ(S.NowOf(S.Detail), 8);

    // A currency sum out of range on the first level leaves the reset of the level after it
    // pending, as that level has not added yet.
    TReportTestForm Form;
    auto* Page = Make<TVyrGrouppage>(&Form, QStringLiteral("P"), nullptr);
    std::vector<TVyrLevel*> L;
    for (int i = 0; i < 2; ++i)
        L.push_back(Make<TVyrLevel>(&Form, QStringLiteral("L%1").arg(i), Page));
    auto* Money = Make<TVyrExprVar>(&Form, QStringLiteral("Money"), Page);
    Money->SetDataType(dtypeCurrency);
    Money->SetUpdateLevel(L[1]);
    Money->OnGetData = [](TVyrVar* Self) { Self->SetAsCurrency(Currency::FromInt(900000000000000LL)); };
    auto* Sum = Make<TVyrTotalvar>(&Form, QStringLiteral("Sum"), Page);
    Sum->SetVariable(Money);
    Sum->SetUpdateLevel(L[1]);
    StartRunVariables(*Page);
    Page->UpdateDataLevel(L[1]);
    Page->ResetTotalLevel(L[1]);
    EXPECT_ANY_THROW(Page->UpdateDataLevel(L[1]));
    EXPECT_EQ(Sum->GetLevelNow(L[1], ttSum)->AsCurrency().Units(),
              Currency::FromInt(900000000000000LL).Units());
}

TEST(LevelUpdates, AVariableLeftMarkedByAFailedUpdateStillSeesItsLastValue) {
    TReportPage R;
    TVyrLevel* Detail = R.Detail();
    bool Raise = false;
    auto* First = R.Var<TVyrExprVar>(QStringLiteral("First"), Detail);
    First->SetDataType(dtypeFloat);
    First->OnGetData = [&](TVyrVar*) {
        if (Raise) throw Exception(QStringLiteral("bad row"));
    };
    auto* X = R.Var<TVyrExprVar>(QStringLiteral("X"), Detail);
    X->SetDataType(dtypeFloat);
    double Next = 0;
    bool XRaises = false;
    std::vector<double> SeenLast;
    X->OnGetData = [&](TVyrVar* Self) {
        SeenLast.push_back(Self->DataLast()->AsFloat());
        if (XRaises) throw Exception(QStringLiteral("bad X"));
        Self->SetAsFloat(Next);
    };
    StartRunVariables(*R.Page);
    auto Update = [&](double Value, bool FirstRaises) {
        Next = Value;
        Raise = FirstRaises;
        R.Page->UpdateDataLevel(Detail);
    };
    Update(1, false);
    EXPECT_ANY_THROW(Update(2, true));
    EXPECT_EQ(X->UpdateMode(), umNeedUpdate);
    SeenLast.clear();
    Update(3, false);
    EXPECT_EQ(SeenLast, (std::vector<double>{1, 3}));
    Update(4, false);
    EXPECT_ANY_THROW(Update(5, true));
    XRaises = true;
    EXPECT_ANY_THROW(Update(6, false));
    EXPECT_EQ(X->DataLast()->AsFloat(), 4);
}

TEST(PageAndDateTimeVariables, CountPagesAndKeepTheStartTime) {
    const TDateTime Start = EncodeDate(2024, 3, 5) + EncodeTime(9, 30, 0, 0);
    TDateTime Clock = Start;
    SetNowClock([&Clock] { return Clock; });
    TReportPage R;
    TVyrLevel* PageHead = R.Page->PageHead()->UpdateLevel();
    TVyrLevel* Head = R.Page->Head()->UpdateLevel();
    auto* PageNo = R.Var<TVyrPageVar>(QStringLiteral("svarPage"), PageHead);
    auto* Caption = R.Var<TVyrExprVar>(QStringLiteral("Caption"), PageHead);
    Caption->SetDataType(dtypeString);
    Caption->OnGetData = [&](TVyrVar* Self) {
        Self->SetAsString(QStringLiteral("Page ") + PageNo->AsString());
    };
    auto* Started = R.Var<TVyrDateTimeVar>(QStringLiteral("svarDateTime"), Head);
    EXPECT_EQ(PageNo->AsInteger(), 0);
    StartRunVariables(*R.Page);
    Clock = Start + 1;
    for (int i = 0; i < 3; ++i)
        R.Page->UpdateDataLevel(PageHead);
    EXPECT_EQ(PageNo->AsInteger(), 3);
    EXPECT_EQ(Caption->AsString(), QStringLiteral("Page 3"));
    R.Page->UpdateDataLevel(Head);
    R.Page->ReverseUpdateDataLevel(Head);
    EXPECT_EQ(Started->AsDateTime(), Start);
    EXPECT_EQ(Started->DataLast()->AsDateTime(), Start);

    EndRunVariables(*R.Page); // stopping initializes again
    EXPECT_FALSE(PageNo->Running());
    EXPECT_EQ(PageNo->AsInteger(), 0);
    EXPECT_EQ(Started->AsDateTime(), Start + 1);
    ResetNowClock();
}

TEST(VariableLevels, LoadedTakesTheMainBandsLevelsOrStaysNil) {
    TReportPage R;
    TReportTestForm Bare;
    auto* Empty = Make<TVyrGrouppage>(&Bare, QStringLiteral("Empty"), nullptr);
    for (TVyrPage* Page : {static_cast<TVyrPage*>(R.Page), static_cast<TVyrPage*>(Empty)}) {
        TComponent* Owner = Page->Owner();
        auto* Db = Make<TVyrDBVar>(Owner, QStringLiteral("Db"), Page);
        auto* Started = Make<TVyrDateTimeVar>(Owner, QStringLiteral("Started"), Page);
        auto* PageNo = Make<TVyrPageVar>(Owner, QStringLiteral("PageNo"), Page);
        for (TVyrVar* V :
             {static_cast<TVyrVar*>(Db), static_cast<TVyrVar*>(Started), static_cast<TVyrVar*>(PageNo)})
            V->Loaded();
        const bool Bands = Page == R.Page;
        EXPECT_EQ(Db->UpdateLevel(), Bands ? R.Detail() : nullptr);
        EXPECT_EQ(Started->UpdateLevel(), Bands ? R.Page->Head()->UpdateLevel() : nullptr);
        EXPECT_EQ(PageNo->UpdateLevel(), Bands ? R.Page->PageHead()->UpdateLevel() : nullptr);
    }
}
