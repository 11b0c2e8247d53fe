#include "host/db.h"
#include "host/lists.h"
#include "host/memdataset.h"
#include "host/streams.h"

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <random>

namespace {

// Three people with an id, a name and a balance; the middle one has no balance.
void MakePeople(TMemDataSet& ds) {
    ds.FieldDefs().Add(QStringLiteral("Id"), ftInteger);
    ds.FieldDefs().Add(QStringLiteral("Name"), ftString, 20);
    ds.FieldDefs().Add(QStringLiteral("Balance"), ftCurrency);
    ds.AppendRecord({1, QStringLiteral("Ann"), QStringLiteral("10.50")});
    ds.AppendRecord({2, QStringLiteral("Bob"), QVariant()});
    ds.AppendRecord({3, QStringLiteral("Cy"), -2.25});
}

int Id(TDataSet& ds) {
    return ds.FieldByName(QStringLiteral("Id"))->AsInteger();
}

// Records what a data link hears.
class TRecordingLink : public TDataLink {
public:
    QStringList Log;

protected:
    void ActiveChanged() override {
        Log << (Active() ? QStringLiteral("active") : QStringLiteral("inactive"));
    }
    void DataSetChanged() override { Log << QStringLiteral("changed"); }
    void DataSetScrolled(int Distance) override { Log << QStringLiteral("scrolled %1").arg(Distance); }
};

} // namespace

TEST(DataSet, MovesSetEofAndBofAtTheEnds) {
    TMemDataSet ds;
    MakePeople(ds);
    ds.Open();
    EXPECT_TRUE(ds.Bof());
    EXPECT_FALSE(ds.Eof());
    EXPECT_EQ(Id(ds), 1);
    ds.Prior();
    EXPECT_TRUE(ds.Bof());
    EXPECT_EQ(Id(ds), 1);
    ds.Next();
    EXPECT_FALSE(ds.Bof());
    EXPECT_EQ(Id(ds), 2);
    ds.Next();
    ds.Next();
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(Id(ds), 3); // stays on the last record
    ds.Prior();
    EXPECT_FALSE(ds.Eof());
    EXPECT_EQ(Id(ds), 2);
    ds.Last();
    EXPECT_TRUE(ds.Eof());
    EXPECT_FALSE(ds.Bof());
    EXPECT_EQ(Id(ds), 3);
    ds.First();
    EXPECT_EQ(ds.MoveBy(5), 2);
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(ds.MoveBy(-1), -1);
    EXPECT_EQ(ds.RecNo(), 2);
    EXPECT_EQ(ds.RecordCount(), 3);
}

TEST(DataSet, EmptySetIsAtBothEndsWithNullFields) {
    TMemDataSet ds;
    ds.FieldDefs().Add(QStringLiteral("Id"), ftInteger);
    ds.Open();
    EXPECT_TRUE(ds.Bof());
    EXPECT_TRUE(ds.Eof());
    EXPECT_TRUE(ds.IsEmpty());
    EXPECT_EQ(ds.RecordCount(), 0);
    ds.Next();
    ds.Last();
    EXPECT_TRUE(ds.Bof() && ds.Eof());
    EXPECT_TRUE(ds.Fields(0)->IsNull());
    EXPECT_EQ(ds.Fields(0)->AsInteger(), 0);
    EXPECT_TRUE(ds.GetBookmark().isEmpty());
}

TEST(DataSet, ClosedSetRaisesOnMovesAndCountsNothing) {
    TMemDataSet ds;
    MakePeople(ds);
    const QString Closed = QStringLiteral("Cannot perform this operation on a closed dataset");
    for (auto Move : {&TDataSet::First, &TDataSet::Next, &TDataSet::Prior, &TDataSet::Last}) {
        try {
            (ds.*Move)();
            ADD_FAILURE() << "no exception";
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.Message(), Closed);
        }
    }
    EXPECT_THROW(ds.MoveBy(1), EDatabaseError);
    EXPECT_THROW(ds.GotoBookmark(TBookmark(8, '\0')), EDatabaseError);
    EXPECT_EQ(ds.RecordCount(), 0);
    EXPECT_EQ(ds.FieldCount(), 0);
    EXPECT_EQ(ds.State(), dsInactive);
    // Rows of an in-memory set survive closing.
    ds.Open();
    EXPECT_EQ(ds.RecordCount(), 3);
    ds.Close();
    ds.SetActive(true);
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(ds.RecordCount(), 3);
}

TEST(DataSet, FieldLookupIsCaseInsensitiveAndRaisesForUnknownNames) {
    TMemDataSet ds;
    MakePeople(ds);
    ds.Open();
    EXPECT_EQ(ds.FieldByName(QStringLiteral("NAME"))->AsString(), QStringLiteral("Ann"));
    EXPECT_EQ(ds.FindField(QStringLiteral("nosuch")), nullptr);
    try {
        ds.FieldByName(QStringLiteral("nosuch"));
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Field 'nosuch' not found"));
    }
    EXPECT_EQ(ds.Fields(2)->FieldNo(), 3);
    EXPECT_EQ(ds.Fields(1)->Size(), 20);
    EXPECT_THROW(ds.Fields(3), EListError);
    // Duplicate names, as a join gives them, are told apart.
    TFieldDefs Defs;
    Defs.Add(QStringLiteral("id"), ftInteger);
    Defs.Add(QStringLiteral("ID"), ftInteger);
    Defs.Add(QStringLiteral("id"), ftInteger);
    EXPECT_EQ(Defs[1].Name(), QStringLiteral("ID_1"));
    EXPECT_EQ(Defs[2].Name(), QStringLiteral("id_2"));
}

TEST(DataSet, BookmarksReturnToTheirRecord) {
    TMemDataSet ds;
    MakePeople(ds);
    ds.Open();
    ds.Next();
    const TBookmark Second = ds.GetBookmark();
    ds.Last();
    const TBookmark Third = ds.GetBookmark();
    EXPECT_EQ(ds.CompareBookmarks(Second, Third), -1);
    EXPECT_EQ(ds.CompareBookmarks(Third, Second), 1);
    EXPECT_EQ(ds.CompareBookmarks(Second, Second), 0);
    ds.GotoBookmark(Second);
    EXPECT_EQ(Id(ds), 2);
    EXPECT_FALSE(ds.Eof() || ds.Bof());
    // A bookmark stays good over a close and open of the same rows.
    ds.Close();
    ds.Open();
    EXPECT_TRUE(ds.BookmarkValid(Third));
    ds.GotoBookmark(Third);
    EXPECT_EQ(Id(ds), 3);
    TBookmark Beyond(8, '\0');
    Beyond[0] = 9;
    EXPECT_FALSE(ds.BookmarkValid(Beyond));
    EXPECT_FALSE(ds.BookmarkValid(QByteArray("xy")));
    try {
        ds.GotoBookmark(Beyond);
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Record not found"));
    }
    EXPECT_EQ(Id(ds), 3);
}

TEST(DataSet, FilterEventSeesTheTestedRecordAndHidesRejectedOnes) {
    TMemDataSet ds;
    MakePeople(ds);
    ds.AppendRecord({4, QStringLiteral("Di"), 7});
    std::vector<TDataSetState> States;
    ds.OnFilterRecord = [&](TDataSet* d, bool& Accept) {
        States.push_back(d->State());
        Accept = d->FieldByName(QStringLiteral("Id"))->AsInteger() % 2 == 0;
    };
    ds.Open();
    EXPECT_EQ(ds.RecordCount(), 4); // not filtered yet
    EXPECT_TRUE(States.empty());
    ds.SetFiltered(true);
    EXPECT_EQ(Id(ds), 2);
    EXPECT_EQ(ds.State(), dsBrowse);
    ASSERT_FALSE(States.empty());
    EXPECT_EQ(States[0], dsFilter);
    EXPECT_EQ(ds.RecordCount(), 2);
    EXPECT_EQ(Id(ds), 2); // counting did not move the cursor
    ds.Next();
    EXPECT_EQ(Id(ds), 4);
    EXPECT_EQ(ds.RecNo(), 2);
    ds.Next();
    EXPECT_TRUE(ds.Eof());
    ds.Prior();
    EXPECT_EQ(Id(ds), 2);
    ds.Prior();
    EXPECT_TRUE(ds.Bof());
    ds.Last();
    EXPECT_EQ(Id(ds), 4);
    // A handler that rejects everything leaves an empty set.
    ds.OnFilterRecord = [](TDataSet*, bool& Accept) { Accept = false; };
    ds.Refilter();
    EXPECT_TRUE(ds.Eof() && ds.Bof());
    EXPECT_TRUE(ds.IsEmpty());
    EXPECT_EQ(ds.RecordCount(), 0);
    ds.SetFiltered(false);
    EXPECT_EQ(ds.RecordCount(), 4);
    EXPECT_EQ(Id(ds), 1);
}

TEST(DataSet, AnExceptionInTheFilterLeavesTheCursorUsable) {
    TMemDataSet ds;
    MakePeople(ds);
    ds.Open();
    ds.Next();
    ds.OnFilterRecord = [](TDataSet*, bool&) { throw Exception(QStringLiteral("bad filter")); };
    EXPECT_THROW(ds.SetFiltered(true), Exception);
    EXPECT_EQ(ds.State(), dsBrowse);
    ds.OnFilterRecord = nullptr;
    ds.First();
    EXPECT_EQ(Id(ds), 1);
}

TEST(Field, ValuesConvertBetweenTypes) {
    TMemDataSet ds;
    ds.FieldDefs().Add(QStringLiteral("I"), ftInteger);
    ds.FieldDefs().Add(QStringLiteral("L"), ftLargeint);
    ds.FieldDefs().Add(QStringLiteral("F"), ftFloat);
    ds.FieldDefs().Add(QStringLiteral("C"), ftCurrency);
    ds.FieldDefs().Add(QStringLiteral("B"), ftBoolean);
    ds.FieldDefs().Add(QStringLiteral("D"), ftDate);
    ds.FieldDefs().Add(QStringLiteral("T"), ftTime);
    ds.FieldDefs().Add(QStringLiteral("DT"), ftDateTime);
    ds.FieldDefs().Add(QStringLiteral("S"), ftString, 10);
    ds.FieldDefs().Add(QStringLiteral("M"), ftMemo);
    ds.FieldDefs().Add(QStringLiteral("X"), ftBlob);
    ds.AppendRecord({-7, QStringLiteral("9007199254740993"), 2.5, QStringLiteral("1234.56785"),
                     QStringLiteral("t"), QDate(2024, 2, 29), QTime(13, 45, 30),
                     QStringLiteral("2024-02-29 13:45:30"), QStringLiteral("42"),
                     QStringLiteral("Zeile 1\nZeile 2 \u00e4\U0001F600"), QByteArray("\x00\xff\x10", 3)});
    ds.Open();
    auto F = [&](const char* Name) { return ds.FieldByName(QString::fromLatin1(Name)); };

    EXPECT_EQ(F("I")->AsString(), QStringLiteral("-7"));
    EXPECT_EQ(F("I")->AsFloat(), -7.0);
    EXPECT_EQ(F("I")->AsCurrency(), -70000);
    EXPECT_TRUE(F("I")->AsBoolean());
    EXPECT_EQ(F("L")->AsLargeInt(), 9007199254740993LL);
    EXPECT_THROW(F("L")->AsInteger(), EConvertError);
    EXPECT_EQ(F("F")->AsString(), QStringLiteral("2.5"));
    EXPECT_EQ(F("F")->AsInteger(), 2); // halves to even
    EXPECT_EQ(F("F")->AsCurrency(), 25000);
    EXPECT_EQ(F("C")->AsCurrency(), 12345678); // the fifth decimal 5 after an even digit rounds down
    EXPECT_EQ(F("C")->AsString(), QStringLiteral("1234.5678"));
    EXPECT_DOUBLE_EQ(F("C")->AsFloat(), 1234.5678);
    EXPECT_EQ(F("C")->AsInteger(), 1235);
    EXPECT_TRUE(F("B")->AsBoolean());
    EXPECT_EQ(F("B")->AsString(), QStringLiteral("True"));
    EXPECT_EQ(F("B")->AsInteger(), 1);
    EXPECT_EQ(F("D")->AsDateTime(), 45351.0);
    EXPECT_EQ(F("D")->AsString(), QStringLiteral("2024-02-29"));
    EXPECT_EQ(F("D")->Value(), QVariant(QDate(2024, 2, 29)));
    EXPECT_NEAR(F("T")->AsDateTime(), 0.5732638888888889, 1e-12);
    EXPECT_EQ(F("T")->AsString(), QStringLiteral("13:45:30"));
    EXPECT_NEAR(F("DT")->AsDateTime(), 45351.5732638888888889, 1e-9);
    EXPECT_EQ(F("DT")->AsString(), QStringLiteral("2024-02-29 13:45:30"));
    EXPECT_EQ(F("DT")->Value(), QVariant(QDateTime(QDate(2024, 2, 29), QTime(13, 45, 30))));
    EXPECT_EQ(F("S")->AsInteger(), 42);
    EXPECT_EQ(F("S")->AsFloat(), 42.0);
    EXPECT_EQ(F("M")->AsString(), QStringLiteral("Zeile 1\nZeile 2 \u00e4\U0001F600"));
    EXPECT_EQ(F("M")->AsBytes(), QStringLiteral("Zeile 1\nZeile 2 \u00e4\U0001F600").toUtf8());
    EXPECT_EQ(F("M")->DisplayText(), QStringLiteral("(MEMO)"));
    EXPECT_EQ(F("X")->AsBytes(), QByteArray("\x00\xff\x10", 3));
    EXPECT_EQ(F("X")->DisplayText(), QStringLiteral("(BLOB)"));
    TMemoryStream Blob;
    F("X")->SaveToStream(Blob);
    ASSERT_EQ(Blob.Size(), 3);
    EXPECT_EQ(Blob.Memory()[1], 0xFF);

    // Conversions that make no sense are refused with the field's name.
    EXPECT_THROW(F("S")->AsDateTime(), EConvertError);
    EXPECT_THROW(F("M")->AsInteger(), EConvertError);
    try {
        F("X")->AsFloat();
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Cannot access field 'X' as type Float"));
    }
    EXPECT_THROW(F("D")->AsInteger(), EDatabaseError);
    EXPECT_THROW(F("B")->AsDateTime(), EDatabaseError);
}

TEST(Field, NullValuesReadAsEmptyAndZero) {
    TMemDataSet ds;
    const TFieldType Types[] = {ftInteger, ftFloat, ftCurrency, ftBoolean, ftDate, ftString, ftMemo, ftBlob};
    QVariantList Nulls;
    for (TFieldType t : Types) {
        ds.FieldDefs().Add(FieldTypeName(t), t);
        Nulls << QVariant();
    }
    ds.AppendRecord(Nulls);
    QVariantList Empty = Nulls;
    Empty[5] = QString(QLatin1String("")); // an empty text is a value, not a null
    ds.AppendRecord(Empty);
    ds.Open();
    for (int i = 0; i < ds.FieldCount(); ++i) {
        TField* f = ds.Fields(i);
        SCOPED_TRACE(f->FieldName().toStdString());
        EXPECT_TRUE(f->IsNull());
        EXPECT_EQ(f->AsString(), QString());
        EXPECT_EQ(f->AsLargeInt(), 0);
        EXPECT_EQ(f->AsFloat(), 0.0);
        EXPECT_EQ(f->AsCurrency(), 0);
        EXPECT_FALSE(f->AsBoolean());
        EXPECT_EQ(f->AsDateTime(), 0.0);
        EXPECT_TRUE(f->AsBytes().isEmpty());
        EXPECT_FALSE(f->Value().isValid());
    }
    EXPECT_EQ(ds.FieldByName(QStringLiteral("Memo"))->DisplayText(), QStringLiteral("(memo)"));
    ds.Next();
    EXPECT_FALSE(ds.FieldByName(QStringLiteral("String"))->IsNull());
    EXPECT_TRUE(ds.FieldByName(QStringLiteral("Integer"))->IsNull());
}

TEST(Field, DateTimesBeforeTheEpochCountTheirTimeForwards) {
    TMemDataSet ds;
    ds.FieldDefs().Add(QStringLiteral("DT"), ftDateTime);
    ds.AppendRecord({QDateTime(QDate(1899, 12, 29), QTime(6, 0))});
    ds.AppendRecord({-1.25});
    ds.AppendRecord({QStringLiteral("1899-12-30")});
    ds.Open();
    EXPECT_EQ(ds.Fields(0)->AsDateTime(), -1.25);
    ds.Next();
    EXPECT_EQ(ds.Fields(0)->AsString(), QStringLiteral("1899-12-29 06:00:00"));
    ds.Next();
    EXPECT_EQ(ds.Fields(0)->AsDateTime(), 0.0);
}

TEST(MemDataSet, BadValuesAreRefusedAndLeaveTheRowsAsTheyWere) {
    TMemDataSet ds;
    MakePeople(ds);
    try {
        ds.AppendRecord({4, QStringLiteral("Di"), QStringLiteral("ten")});
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(),
                  QStringLiteral("'ten' is not a valid value for field 'Balance' of type Currency"));
    }
    EXPECT_THROW(ds.AppendRecord({QStringLiteral("x"), QStringLiteral("Di"), 1}), EConvertError);
    EXPECT_THROW(ds.AppendRecord({1, 2}), EDatabaseError);
    EXPECT_THROW(ds.AppendRecord({1e300, QStringLiteral("Di"), 1}), EConvertError);
    EXPECT_THROW(ds.AppendRecord({1, QStringLiteral("Di"), 1e300}), EConvertError);
    ds.AppendRecord({4, QStringLiteral("Di"), 4});
    ds.Open();
    EXPECT_EQ(ds.RecordCount(), 4);
    ds.Last();
    EXPECT_EQ(ds.FieldByName(QStringLiteral("Name"))->AsString(), QStringLiteral("Di"));
    EXPECT_EQ(ds.FieldByName(QStringLiteral("Balance"))->AsCurrency(), 40000);
    // The definitions cannot change under open fields.
    ds.FieldDefs().Add(QStringLiteral("Extra"), ftInteger);
    EXPECT_THROW(ds.AppendRecord({1, QStringLiteral("x"), 1, 1}), EDatabaseError);
    ds.Close();
    ds.AppendRecord({1, QStringLiteral("x"), 1, 1});
    ds.Open();
    EXPECT_EQ(ds.RecordCount(), 1); // new definitions, new rows
}

TEST(DataLink, HearsActivationMovesAndChanges) {
    TMemDataSet ds;
    MakePeople(ds);
    TDataSource Source;
    TRecordingLink Link;
    Link.SetDataSource(&Source);
    EXPECT_TRUE(Link.Log.isEmpty());
    Source.SetDataSet(&ds);
    EXPECT_TRUE(Link.Log.isEmpty()); // the set is still closed
    ds.Open();
    ds.Next();
    ds.Next();
    ds.Next(); // past the last record: no move
    ds.First();
    Source.SetEnabled(false);
    ds.Next(); // a disabled source passes nothing on
    Source.SetEnabled(true);
    ds.Close();
    EXPECT_EQ(Link.Log, QStringList({"active", "scrolled 1", "scrolled 1", "scrolled -2", "inactive",
                                     "active", "inactive"}));
}

TEST(DataLink, DisabledControlsHearOneChangeWhenEnabledAgain) {
    TMemDataSet ds;
    MakePeople(ds);
    TDataSource Source;
    Source.SetDataSet(&ds);
    TRecordingLink Link;
    Link.SetDataSource(&Source);
    ds.DisableControls();
    ds.DisableControls();
    ds.Open(); // activation is always passed on
    ds.Next();
    ds.Last();
    EXPECT_TRUE(ds.ControlsDisabled());
    ds.EnableControls();
    EXPECT_EQ(Link.Log, QStringList({"active"}));
    ds.EnableControls();
    EXPECT_FALSE(ds.ControlsDisabled());
    EXPECT_EQ(Link.Log, QStringList({"active", "changed"}));
    ds.EnableControls(); // unbalanced calls do no harm
    EXPECT_EQ(Link.Log.size(), 2);
}

TEST(DataLink, FieldLinkFollowsItsFieldAndForgetsItWhenTheSetCloses) {
    TMemDataSet ds;
    MakePeople(ds);
    TDataSource Source;
    Source.SetDataSet(&ds);
    TFieldDataLink Link;
    int ActiveChanges = 0, DataChanges = 0;
    Link.OnActiveChange = [&](TFieldDataLink*) { ++ActiveChanges; };
    Link.OnDataChange = [&](TFieldDataLink*) { ++DataChanges; };
    Link.SetFieldName(QStringLiteral("name"));
    Link.SetDataSource(&Source);
    EXPECT_EQ(Link.Field(), nullptr);
    ds.Open();
    ASSERT_NE(Link.Field(), nullptr);
    EXPECT_EQ(Link.Field()->AsString(), QStringLiteral("Ann"));
    ds.Next();
    EXPECT_EQ(Link.Field()->AsString(), QStringLiteral("Bob"));
    EXPECT_EQ(DataChanges, 1);
    ds.Close();
    EXPECT_EQ(Link.Field(), nullptr);
    EXPECT_EQ(ActiveChanges, 2);
}

TEST(DataLink, FreeingEitherEndClearsTheReferences) {
    TDataSource Source;
    TRecordingLink Link;
    Link.SetDataSource(&Source);
    {
        TMemDataSet ds;
        MakePeople(ds);
        Source.SetDataSet(&ds);
        ds.Open();
        EXPECT_TRUE(Link.Active());
    }
    EXPECT_EQ(Source.DataSet(), nullptr);
    EXPECT_FALSE(Link.Active());
    EXPECT_EQ(Link.Log, QStringList({"active", "inactive"}));
    {
        TDataSource Other;
        Link.SetDataSource(&Other);
    }
    EXPECT_EQ(Link.DataSource(), nullptr);
    auto Temporary = std::make_unique<TRecordingLink>();
    Temporary->SetDataSource(&Source);
    Temporary.reset();
    TMemDataSet ds;
    MakePeople(ds);
    Source.SetDataSet(&ds);
    ds.Open(); // the freed link is no longer told anything (ASan would see it)
    EXPECT_EQ(Source.State(), dsBrowse);
}

TEST(DataLink, AHandlerThatRaisesWhileEitherEndIsFreedStaysInside) {
    int Calls = 0;
    auto Refuse = [&Calls](TDataSource*) {
        ++Calls;
        throw Exception(QStringLiteral("refused"));
    };
    TDataSource Source;
    {
        TMemDataSet ds;
        MakePeople(ds);
        Source.SetDataSet(&ds);
        ds.Open();
        Source.OnStateChange = Refuse;
    }
    EXPECT_EQ(Source.DataSet(), nullptr);
    EXPECT_GT(Calls, 0);

    TMemDataSet ds;
    MakePeople(ds);
    {
        TDataSource Other;
        Other.SetDataSet(&ds);
        Other.OnStateChange = Refuse;
    }
    EXPECT_NO_THROW(ds.Open()); // the freed source is no longer among the set's sources
    Source.OnStateChange = nullptr;
}

TEST(DataLinks, ALinkOrSourceThatLeavesWhileOthersAreToldIsNotToldAfterIt) {
    TMemDataSet ds;
    MakePeople(ds);
    ds.Open();
    TDataSource Source;
    Source.SetDataSet(&ds);
    QStringList Told;
    auto First = std::make_unique<TFieldDataLink>();
    auto Second = std::make_unique<TFieldDataLink>();
    First->SetDataSource(&Source);
    Second->SetDataSource(&Source);
    First->OnDataChange = [&](TFieldDataLink*) {
        Told << QStringLiteral("first");
        Second.reset();
    };
    Second->OnDataChange = [&](TFieldDataLink*) { Told << QStringLiteral("second"); };
    ds.Next();
    ds.Next();
    EXPECT_EQ(Told, QStringList({QStringLiteral("first"), QStringLiteral("first")}));

    Told.clear();
    First->OnDataChange = nullptr;
    TDataSource Other;
    Other.SetDataSet(&ds);
    Source.OnDataChange = [&](TDataSource*, TField*) {
        Told << QStringLiteral("source");
        Other.SetDataSet(nullptr);
    };
    Other.OnDataChange = [&](TDataSource*, TField*) { Told << QStringLiteral("other"); };
    ds.Prior();
    ds.Prior();
    EXPECT_EQ(Told, QStringList({QStringLiteral("source"), QStringLiteral("source")}));
}

TEST(RowStore, KeepsTextBytesAndNullsApart) {
    TRowStore s;
    s.Reset({skText, skBytes, skInteger, skFloat});
    s.AppendText(0, QStringLiteral("\U0001F600x"));
    s.AppendBytes(1, QByteArray());
    s.AppendInt(2, std::numeric_limits<int64_t>::min());
    s.AppendFloat(3, -0.0);
    s.EndRow();
    s.AppendNull(0);
    s.AppendBytes(1, QByteArray("ab"));
    EXPECT_THROW(s.EndRow(), EDatabaseError);
    s.AbandonRow();
    s.AppendText(0, QString());
    s.AppendNull(1);
    s.AppendNull(2);
    s.AppendFloat(3, 1.5);
    s.EndRow();
    ASSERT_EQ(s.RowCount(), 2);
    EXPECT_EQ(s.Text(0, 0), QStringLiteral("\U0001F600x"));
    EXPECT_FALSE(s.IsNull(0, 1));
    EXPECT_TRUE(s.Bytes(0, 1).isEmpty());
    EXPECT_EQ(s.Int(0, 2), std::numeric_limits<int64_t>::min());
    EXPECT_FALSE(s.IsNull(1, 0));
    EXPECT_TRUE(s.Text(1, 0).isEmpty());
    EXPECT_TRUE(s.IsNull(1, 1));
    EXPECT_TRUE(s.IsNull(1, 2));
    EXPECT_EQ(s.Float(1, 3), 1.5);
}

TEST(RowStore, GivesBackExactlyWhatWasPutInThroughEveryPacking) {
    // Each column goes through the packings a store makes: small whole numbers widening to the
    // whole range, whole floats meeting fractions, -0, infinity and NaN, texts that repeat (one
    // of them beyond Latin-1), texts that stop repeating and later leave Latin-1, byte runs;
    // nulls among all. Some rows are abandoned half put, with values of a later stretch.
    struct TRow {
        bool Null[5] = {};
        int64_t Int = 0;
        double Float = 0;
        QString Repeated, Varied;
        QByteArray Bytes;
    };
    std::mt19937 Random(32);
    const QString States[] = {QStringLiteral("open"), QStringLiteral("shipped"), QString(),
                              QStringLiteral("Zürich"), QStringLiteral("\u03a9 held")};
    const auto Make = [&](int r) {
        TRow Row;
        for (bool& Null : Row.Null)
            Null = Random() % 13 == 0;
        Row.Int = r < 8000 ? r % 100 : r < 16000 ? int64_t(r) * 100000 : int64_t(Random() % 3) - 1;
        if (r >= 16000 && r % 5 == 0) Row.Int = r % 2 ? std::numeric_limits<int64_t>::min() : INT64_MAX;
        Row.Float = r < 10000 ? 45000 + r / 10 : r % 7 == 0 ? -0.0 : r % 11 == 0 ? -HUGE_VAL : r + 0.25;
        if (r < 10000 && r % 1000 == 500) Row.Float = -0.0;
        if (r >= 10000 && r % 13 == 0) Row.Float = std::nan("");
        Row.Repeated = States[r < 15000 ? r % 4 : r % 5];
        Row.Varied = r < 5000
                         ? QStringLiteral("name %1").arg(r % 50)
                         : QStringLiteral("%1 %2").arg(r < 20000 ? u"Málaga" : u"中", QString::number(r));
        Row.Bytes = QByteArray(int(Random() % 5), char(r));
        return Row;
    };
    const auto Put = [](TRowStore& s, const TRow& Row, int Columns) {
        for (int c = 0; c < Columns; ++c) {
            if (Row.Null[c]) {
                s.AppendNull(c);
                continue;
            }
            switch (c) {
            case 0:
                s.AppendInt(c, Row.Int);
                break;
            case 1:
                s.AppendFloat(c, Row.Float);
                break;
            case 2:
                s.AppendText(c, Row.Repeated);
                break;
            case 3:
                s.AppendText(c, Row.Varied);
                break;
            default:
                s.AppendBytes(c, Row.Bytes);
                break;
            }
        }
    };
    TRowStore s;
    s.Reset({skInteger, skFloat, skText, skText, skBytes});
    std::vector<TRow> Model;
    for (int r = 0; r < 30000; ++r) {
        if (Random() % 50 == 0) {
            Put(s, Make(r + 6000), int(Random() % 5) + 1);
            s.AbandonRow();
        }
        Model.push_back(Make(r));
        Put(s, Model.back(), 5);
        s.EndRow();
    }
    ASSERT_EQ(s.RowCount(), 30000);
    QString Into;
    for (int r = 0; r < 30000; ++r) {
        const TRow& Row = Model[size_t(r)];
        for (int c = 0; c < 5; ++c)
            ASSERT_EQ(s.IsNull(r, c), Row.Null[c]) << r << ' ' << c;
        if (!Row.Null[0]) {
            ASSERT_EQ(s.Int(r, 0), Row.Int) << r;
        }
        const double f = s.Float(r, 1);
        if (!Row.Null[1])
            ASSERT_TRUE(std::memcmp(&f, &Row.Float, sizeof f) == 0 ||
                        (std::isnan(f) && std::isnan(Row.Float)))
                << r << ' ' << f;
        else
            ASSERT_EQ(f, 0) << r;
        if (!Row.Null[2]) {
            ASSERT_EQ(s.Text(r, 2), Row.Repeated) << r;
            s.ReadText(r, 2, Into);
            ASSERT_EQ(Into, Row.Repeated) << r;
        }
        if (!Row.Null[3]) {
            ASSERT_EQ(s.Text(r, 3), Row.Varied) << r;
            s.ReadText(r, 3, Into);
            ASSERT_EQ(Into, Row.Varied) << r;
        }
        if (!Row.Null[4]) {
            ASSERT_EQ(s.Bytes(r, 4), Row.Bytes) << r;
        }
    }

    // What the packing is for: ids, dates and a few names cost some bytes a row, where eight
    // bytes a number and the whole text of each row took over forty.
    TRowStore Orders;
    Orders.Reset({skInteger, skFloat, skText});
    for (int r = 0; r < 100000; ++r) {
        Orders.AppendInt(0, r + 1);
        Orders.AppendFloat(1, 44000 + r / 100);
        Orders.AppendText(2, QStringLiteral("Customer %1").arg(r / 200));
        Orders.EndRow();
    }
    EXPECT_LT(Orders.MemoryUsed(), 100000u * 16);
    EXPECT_EQ(Orders.Text(99999, 2), QStringLiteral("Customer 499"));
}

TEST(Field, IsoTextBecomesDateTimeOrIsRefused) {
    TMemDataSet ds;
    ds.FieldDefs().Add(QStringLiteral("DT"), ftDateTime);
    ds.AppendRecord({QStringLiteral("2024-02-29T13:45:30.25")});
    ds.AppendRecord({QStringLiteral(" 12:30 ")});
    ds.AppendRecord({QStringLiteral("2024-02-29 13:45:30Z")});
    for (const char* Bad :
         {"2024-13-01", "2024-02-30", "2024-02-29x", "24:00", "12:3", "2024-02-29 13:45:30+", "abc"}) {
        EXPECT_THROW(ds.AppendRecord({QString::fromLatin1(Bad)}), EConvertError) << Bad;
    }
    ds.Open();
    EXPECT_EQ(ds.Fields(0)->AsString(), QStringLiteral("2024-02-29 13:45:30.250"));
    ds.Next();
    EXPECT_EQ(ds.Fields(0)->AsDateTime(), 0.5 + 1.0 / 48);
    ds.Next();
    EXPECT_EQ(ds.Fields(0)->Value().toDateTime(),
              QDateTime(QDate(2024, 2, 29), QTime(13, 45, 30), Qt::UTC).toLocalTime());
    EXPECT_EQ(ds.RecordCount(), 3);
}

TEST(Field, DisplayAttributesAndKindStartFromTheTypeAndAreKept) {
    struct {
        TFieldType Type;
        int Size;
        int Width;
        TAlignment Alignment;
        bool Currency;
        TFieldClass Class;
    } const Cases[] = {
        {ftString, 40, 40, TAlignment::taLeftJustify, false, fcString},
        {ftFixedChar, 2, 2, TAlignment::taLeftJustify, false, fcString},
        {ftWideString, 12, 12, TAlignment::taLeftJustify, false, fcString},
        {ftFixedWideChar, 3, 3, TAlignment::taLeftJustify, false, fcString},
        {ftString, 0, 10, TAlignment::taLeftJustify, false, fcString}, // no declared length
        {ftSmallint, 0, 6, TAlignment::taRightJustify, false, fcInteger},
        {ftInteger, 0, 11, TAlignment::taRightJustify, false, fcInteger},
        {ftAutoInc, 0, 11, TAlignment::taRightJustify, false, fcInteger},
        {ftWord, 0, 5, TAlignment::taRightJustify, false, fcInteger},
        {ftLargeint, 0, 15, TAlignment::taRightJustify, false, fcOther},
        {ftBoolean, 0, 5, TAlignment::taLeftJustify, false, fcBoolean},
        {ftDateTime, 0, 18, TAlignment::taLeftJustify, false, fcDateTime},
        {ftTimeStamp, 0, 18, TAlignment::taLeftJustify, false, fcDateTime},
        {ftDate, 0, 10, TAlignment::taLeftJustify, false, fcDateTime},
        {ftTime, 0, 10, TAlignment::taLeftJustify, false, fcDateTime},
        {ftFloat, 0, 10, TAlignment::taRightJustify, false, fcFloat},
        {ftCurrency, 0, 10, TAlignment::taRightJustify, true, fcCurrency},
        {ftBCD, 0, 10, TAlignment::taRightJustify, false, fcOther},
        {ftFMTBcd, 0, 10, TAlignment::taRightJustify, false, fcOther},
        {ftMemo, 0, 10, TAlignment::taLeftJustify, false, fcMemo},
        {ftWideMemo, 0, 10, TAlignment::taLeftJustify, false, fcMemo},
        {ftFmtMemo, 0, 10, TAlignment::taLeftJustify, false, fcMemo},
        {ftBlob, 0, 10, TAlignment::taLeftJustify, false, fcOther},
    };
    for (const auto& c : Cases) {
        const TFieldDef Def(QStringLiteral("F"), c.Type, c.Size, false, 1);
        const TField f(nullptr, Def, -1); // detached: no data set, no value
        EXPECT_EQ(f.DisplayWidth(), c.Width) << FieldTypeName(c.Type).toStdString();
        EXPECT_EQ(f.Alignment(), c.Alignment) << FieldTypeName(c.Type).toStdString();
        EXPECT_EQ(f.Currency(), c.Currency) << FieldTypeName(c.Type).toStdString();
        EXPECT_EQ(f.FieldClass(), c.Class) << FieldTypeName(c.Type).toStdString();
        EXPECT_EQ(f.Precision(), 15);
        EXPECT_EQ(f.DisplayLabel(), QStringLiteral("F"));
        EXPECT_TRUE(f.DisplayFormat().isEmpty() && f.EditMask().isEmpty());
        EXPECT_TRUE(f.IsNull());
        EXPECT_EQ(f.AsString(), QString());
    }

    TMemDataSet ds;
    MakePeople(ds);
    ds.Open();
    TField* Name = ds.FieldByName(QStringLiteral("Name"));
    Name->SetDisplayLabel(QStringLiteral("Customer"));
    Name->SetDisplayWidth(25);
    Name->SetAlignment(TAlignment::taCenter);
    Name->SetEditMask(QStringLiteral(">L<llll"));
    TField* Balance = ds.FieldByName(QStringLiteral("Balance"));
    Balance->SetDisplayFormat(QStringLiteral("#,##0.00"));
    Balance->SetCurrency(false);
    Balance->SetPrecision(4);
    ds.Next();
    EXPECT_EQ(Name->DisplayLabel(), QStringLiteral("Customer"));
    EXPECT_EQ(Name->DisplayWidth(), 25);
    EXPECT_EQ(Name->Alignment(), TAlignment::taCenter);
    EXPECT_EQ(Name->EditMask(), QStringLiteral(">L<llll"));
    EXPECT_EQ(Balance->DisplayFormat(), QStringLiteral("#,##0.00"));
    EXPECT_FALSE(Balance->Currency());
    EXPECT_EQ(Balance->Precision(), 4);
    Name->SetDisplayLabel(QString());
    EXPECT_EQ(Name->DisplayLabel(), QStringLiteral("Name"));
}

TEST(DataSet, FieldNamesComeFromTheOpenFieldsElseTheDefinitions) {
    TMemDataSet ds;
    MakePeople(ds);
    TStringList Names;
    Names.Add(QStringLiteral("stale"));
    ds.GetFieldNames(&Names);
    EXPECT_EQ(Names.CommaText(), QStringLiteral("Id,Name,Balance"));
    ds.Open();
    ds.GetFieldNames(&Names);
    EXPECT_EQ(Names.CommaText(), QStringLiteral("Id,Name,Balance"));
    ds.Close();
    ds.FieldDefs().Clear();
    ds.GetFieldNames(&Names);
    EXPECT_EQ(Names.Count(), 0);
}
