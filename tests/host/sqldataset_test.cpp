#include "host/lists.h"
#include "host/sqldataset.h"
#include "host/storedforms.h"
#include "support/pgserver.h"
#include "support/sampledata.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const char* const KindsSqlite = R"(
CREATE TABLE kinds (k INTEGER, i INTEGER, b BIGINT, s SMALLINT, r REAL, t TEXT, v VARCHAR(20), c CHAR(3),
                    d DATE, dt DATETIME, tm TIME, bo BOOLEAN, cu CURRENCY, nu NUMERIC(10, 2), n6 NUMERIC(12, 6),
                    me MEMO, bl BLOB, g GRAPHIC, x);
INSERT INTO kinds VALUES (1, 2147483647, 9007199254740993, -32768, 1.5, 'plain', 'Grüße', 'abc', '2024-02-29',
                          '2024-02-29 13:45:30', '23:59:58', 1, 12.3456, 1234.5, 1.123456,
                          'line1' || char(10) || 'line2', x'00FF10', x'89504E47', 5);
INSERT INTO kinds (k) VALUES (2);
INSERT INTO kinds (k, d, dt, bo, cu) VALUES (3, julianday('2024-02-29'), julianday('2024-02-29 13:45:30'), 'false', '7.5');
INSERT INTO kinds (k, d) VALUES (4, 'not a date');
)";

const char* const KindsPostgres = R"(
CREATE TABLE kinds (k integer, i integer, b bigint, s smallint, r double precision, t text, v varchar(20), c char(3),
                    d date, dt timestamp, tm time, bo boolean, cu numeric(12, 4), nu numeric(10, 2),
                    n6 numeric(12, 6), me text, bl bytea, mo money, f4 real, ts timestamptz, u uuid);
INSERT INTO kinds VALUES (1, 2147483647, 9007199254740993, -32768, 1.5, 'plain', 'Grüße', 'abc', '2024-02-29',
                          '2024-02-29 13:45:30', '23:59:58', true, 12.3456, 1234.5, 1.123456,
                          'line1' || chr(10) || 'line2', '\x00ff10', -1234.5, 1.25, '2024-02-29 13:45:30+00',
                          'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11');
INSERT INTO kinds (k) VALUES (2);
)";

bool IsPostgres(const std::string& Backend) {
    return Backend == "postgresql";
}

// The same tests on the embedded database and on a private server.
class SqlDataSet : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        const QString Connection = QStringLiteral("pimtest");
        if (IsPostgres(GetParam())) {
            PIM_REQUIRE_POSTGRES();
            QString Error;
            ASSERT_TRUE(TPrivatePostgres::Instance().Connect(Connection, Error)) << qPrintable(Error);
            QSqlDatabase Db = QSqlDatabase::database(Connection);
            ExecuteSqlScript(Db, QStringLiteral("DROP TABLE IF EXISTS orders; DROP TABLE IF EXISTS customers;"
                                                "DROP TABLE IF EXISTS kinds;"));
            ExecuteSqlScript(Db, ReadSampleScript(QStringLiteral("postgresql")));
            ExecuteSqlScript(Db, QString::fromUtf8(KindsPostgres));
        } else {
            ASSERT_TRUE(FDir.isValid());
            FFile = FDir.filePath(QStringLiteral("sample.db"));
            {
                QSqlDatabase Db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), Connection);
                Db.setDatabaseName(FFile);
                ASSERT_TRUE(Db.open());
                ExecuteSqlScript(Db, ReadSampleScript(QStringLiteral("sqlite")));
                ExecuteSqlScript(Db, QString::fromUtf8(KindsSqlite));
            }
        }
        FConnection = Connection;
    }

    void TearDown() override {
        if (FConnection.isEmpty()) return;
        {
            QSqlDatabase Db = QSqlDatabase::database(FConnection, false);
            Db.close();
        }
        QSqlDatabase::removeDatabase(FConnection);
    }

    // SQLite files are read through the data set's own read-only connection, the server through
    // the application's connection.
    std::unique_ptr<TSqlDataSet> Query(const QString& Sql) {
        auto ds = std::make_unique<TSqlDataSet>();
        if (IsPostgres(GetParam()))
            ds->SetConnectionName(FConnection);
        else
            ds->SetDatabaseName(FFile);
        ds->SetSQL(Sql);
        return ds;
    }

    QTemporaryDir FDir;
    QString FFile;
    QString FConnection;
};

struct TExpected {
    const char* Column;
    TFieldType Sqlite;
    TFieldType Postgres;
    int Size;
    const char* Text;
};

} // namespace

TEST_P(SqlDataSet, EveryMappedKindKeepsItsTypeAndValueAndNull) {
    const bool Pg = IsPostgres(GetParam());
    auto ds = Query(QStringLiteral("SELECT * FROM kinds WHERE k <= 2 ORDER BY k"));
    ds->Open();
    const TExpected Common[] = {
        {"k", ftInteger, ftInteger, 0, "1"},
        {"i", ftInteger, ftInteger, 0, "2147483647"},
        {"b", ftLargeint, ftLargeint, 0, "9007199254740993"},
        {"s", ftSmallint, ftSmallint, 0, "-32768"},
        {"r", ftFloat, ftFloat, 0, "1.5"},
        {"t", ftString, ftMemo, 0, "plain"},
        {"v", ftString, ftString, 20, "Grüße"},
        {"c", ftFixedChar, ftFixedChar, 3, "abc"},
        {"d", ftDate, ftDate, 0, "2024-02-29"},
        {"dt", ftDateTime, ftDateTime, 0, "2024-02-29 13:45:30"},
        {"tm", ftTime, ftTime, 0, "23:59:58"},
        {"bo", ftBoolean, ftBoolean, 0, "True"},
        {"cu", ftCurrency, ftCurrency, 0, "12.3456"},
        {"nu", ftCurrency, ftCurrency, 0, "1234.5"},
        {"n6", ftFMTBcd, ftFMTBcd, 0, "1.123456"},
        {"me", ftMemo, ftMemo, 0, "line1\nline2"},
        {"bl", ftBlob, ftBlob, 0, nullptr},
    };
    for (const TExpected& e : Common) {
        SCOPED_TRACE(e.Column);
        TField* f = ds->FieldByName(QString::fromLatin1(e.Column));
        EXPECT_EQ(f->DataType(), Pg ? e.Postgres : e.Sqlite) << qPrintable(FieldTypeName(f->DataType()));
        EXPECT_EQ(f->Size(), e.Size);
        EXPECT_FALSE(f->IsNull());
        if (e.Text) {
            EXPECT_EQ(f->AsString(), QString::fromUtf8(e.Text));
        }
    }
    EXPECT_EQ(ds->FieldByName(QStringLiteral("d"))->AsDateTime(), 45351.0);
    EXPECT_NEAR(ds->FieldByName(QStringLiteral("dt"))->AsDateTime(), 45351.5732638888888889, 1e-9);
    EXPECT_EQ(ds->FieldByName(QStringLiteral("cu"))->AsCurrency(), 123456);
    EXPECT_EQ(ds->FieldByName(QStringLiteral("bl"))->AsBytes(), QByteArray("\x00\xff\x10", 3));
    EXPECT_EQ(ds->FieldByName(QStringLiteral("me"))->AsBytes(), QByteArray("line1\nline2"));
    EXPECT_TRUE(ds->FieldByName(QStringLiteral("bo"))->AsBoolean());
    if (Pg) {
        TField* Money = ds->FieldByName(QStringLiteral("mo"));
        EXPECT_EQ(Money->DataType(), ftCurrency);
        EXPECT_EQ(Money->AsCurrency(), -12345000);
        EXPECT_EQ(ds->FieldByName(QStringLiteral("f4"))->DataType(), ftSingle);
        EXPECT_EQ(ds->FieldByName(QStringLiteral("f4"))->AsFloat(), 1.25);
        TField* Stamp = ds->FieldByName(QStringLiteral("ts"));
        EXPECT_EQ(Stamp->DataType(), ftTimeStamp);
        EXPECT_EQ(Stamp->Value().toDateTime(),
                  QDateTime(QDate(2024, 2, 29), QTime(13, 45, 30), Qt::UTC).toLocalTime());
        EXPECT_EQ(ds->FieldByName(QStringLiteral("u"))->DataType(), ftGuid);
        EXPECT_EQ(ds->FieldByName(QStringLiteral("u"))->AsString(),
                  QStringLiteral("a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11"));
    } else {
        EXPECT_EQ(ds->FieldByName(QStringLiteral("g"))->DataType(), ftGraphic);
        EXPECT_EQ(ds->FieldByName(QStringLiteral("g"))->AsBytes(), QByteArray("\x89PNG"));
        // No declared type: the storage class of the first value decides.
        EXPECT_EQ(ds->FieldByName(QStringLiteral("x"))->DataType(), ftLargeint);
    }
    ds->Next();
    EXPECT_EQ(ds->Fields(0)->AsInteger(), 2);
    for (int i = 1; i < ds->FieldCount(); ++i) {
        SCOPED_TRACE(ds->Fields(i)->FieldName().toStdString());
        EXPECT_TRUE(ds->Fields(i)->IsNull());
        EXPECT_EQ(ds->Fields(i)->AsString(), QString());
    }
}

TEST_P(SqlDataSet, SampleTablesHaveTheirTypesRowsAndValues) {
    auto Customers = Query(QStringLiteral("SELECT * FROM customers ORDER BY id"));
    Customers->Open();
    const TFieldType Types[] = {ftInteger,  ftString,  ftString, ftFixedChar, ftDate,
                                ftCurrency, ftBoolean, ftMemo,   ftBlob};
    ASSERT_EQ(Customers->FieldCount(), 9);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(Customers->Fields(i)->DataType(), Types[i]) << i;
    EXPECT_EQ(Customers->FieldByName(QStringLiteral("name"))->Size(), 40);
    EXPECT_EQ(Customers->RecordCount(), 500);
    auto F = [&](const char* Name) { return Customers->FieldByName(QString::fromLatin1(Name)); };
    EXPECT_EQ(F("name")->AsString(), QStringLiteral("David Novak"));
    EXPECT_EQ(F("city")->AsString(), QStringLiteral("Zürich"));
    EXPECT_EQ(F("country")->AsString(), QStringLiteral("CH"));
    EXPECT_EQ(F("since")->AsDateTime(), 42102.0);
    EXPECT_EQ(F("credit_limit")->AsCurrency(), 791900);
    EXPECT_TRUE(F("active")->AsBoolean());
    EXPECT_TRUE(F("notes")->IsNull());
    Customers->MoveBy(3);
    EXPECT_EQ(F("notes")->AsString(), QStringLiteral("Key account\nVisit every 5 months"));
    Customers->MoveBy(46);
    EXPECT_EQ(F("id")->AsInteger(), 50);
    EXPECT_EQ(F("logo")->AsBytes(), QByteArray::fromHex("89504e470d0a1a0a"));

    auto Orders = Query(QStringLiteral("SELECT * FROM orders ORDER BY id"));
    Orders->Open();
    EXPECT_EQ(Orders->RecordCount(), 4000);
    EXPECT_EQ(Orders->FieldByName(QStringLiteral("shipped"))->DataType(), ftDateTime);
    EXPECT_EQ(Orders->FieldByName(QStringLiteral("discount"))->DataType(), ftFloat);
    EXPECT_EQ(Orders->FieldByName(QStringLiteral("shipped"))->AsString(),
              QStringLiteral("2023-02-24 01:07:00"));
    EXPECT_EQ(Orders->FieldByName(QStringLiteral("amount"))->AsCurrency(), 10522900);
}

TEST_P(SqlDataSet, MovesBackAndForthOverBufferedRows) {
    auto ds = Query(QStringLiteral("SELECT id FROM orders ORDER BY id"));
    ds->Open();
    EXPECT_EQ(ds->FetchedAll(), IsPostgres(GetParam())); // SQLite fetches as the cursor goes
    EXPECT_TRUE(ds->Bof());
    EXPECT_EQ(ds->Fields(0)->AsInteger(), 1);
    EXPECT_EQ(ds->MoveBy(10), 10);
    EXPECT_EQ(ds->Fields(0)->AsInteger(), 11);
    const TBookmark Mark = ds->GetBookmark();
    ds->Last();
    EXPECT_TRUE(ds->FetchedAll());
    EXPECT_TRUE(ds->Eof());
    EXPECT_EQ(ds->Fields(0)->AsInteger(), 4000);
    ds->Prior();
    EXPECT_EQ(ds->Fields(0)->AsInteger(), 3999);
    EXPECT_EQ(ds->RecNo(), 3999);
    ds->GotoBookmark(Mark);
    EXPECT_EQ(ds->Fields(0)->AsInteger(), 11);
    ds->First();
    ds->Prior();
    EXPECT_TRUE(ds->Bof());
    EXPECT_EQ(ds->Fields(0)->AsInteger(), 1);
    // Closing drops the buffer; opening reads it again.
    ds->Close();
    EXPECT_THROW(ds->Next(), EDatabaseError);
    ds->Open();
    EXPECT_EQ(ds->RecordCount(), 4000);
}

TEST_P(SqlDataSet, FilterAndParametersSelectRecords) {
    auto ds = Query(QStringLiteral("SELECT id, status FROM orders ORDER BY id"));
    ds->OnFilterRecord = [](TDataSet* d, bool& Accept) {
        Accept = d->FieldByName(QStringLiteral("status"))->AsString() == u"open";
    };
    ds->SetFiltered(true);
    ds->Open();
    EXPECT_EQ(ds->Fields(0)->AsInteger(), 9);
    EXPECT_EQ(ds->RecordCount(), 444);
    ds->Last();
    EXPECT_EQ(ds->Fields(0)->AsInteger(), 3996);

    auto p = Query(QStringLiteral("SELECT id FROM orders WHERE customer_id = :c ORDER BY id"));
    p->SetParam(QStringLiteral("c"), 38);
    p->Open();
    EXPECT_EQ(p->RecordCount(), 8);
    p->Last();
    EXPECT_EQ(p->Fields(0)->AsInteger(), 3501);
}

TEST_P(SqlDataSet, OpeningFailsWithTheDatabasesMessage) {
    auto ds = Query(QStringLiteral("SELECT * FROM nosuch"));
    try {
        ds->Open();
        FAIL() << "opened";
    } catch (const EDatabaseError& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("nosuch"))) << qPrintable(e.Message());
    }
    EXPECT_FALSE(ds->Active());
    EXPECT_EQ(ds->State(), dsInactive);
    EXPECT_THROW(ds->First(), EDatabaseError);
    ds->SetSQL(QStringLiteral("SELECT count(*) AS n FROM customers"));
    ds->Open();
    EXPECT_EQ(ds->Fields(0)->AsInteger(), 500);
    EXPECT_THROW(ds->SetSQL(QString()), EDatabaseError); // not while open
    ds->Close();
    ds->SetSQL(QStringLiteral("  "));
    EXPECT_THROW(ds->Open(), EDatabaseError);
    TSqlDataSet Unknown;
    Unknown.SetConnectionName(QStringLiteral("nosuch"));
    Unknown.SetSQL(QStringLiteral("SELECT 1"));
    try {
        Unknown.Open();
        FAIL() << "opened";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Unknown database connection 'nosuch'"));
    }
}

TEST_P(SqlDataSet, AClosedSetReadsItsColumnsWithoutFetchingARow) {
    const bool Pg = IsPostgres(GetParam());
    // The last column fails on every row it is computed for, so only a set that fetches no row
    // can say what its columns are.
    const QString Failing = Pg ? QStringLiteral("1 / (o.id - o.id)")
                               : QStringLiteral("abs(-9223372036854775807 - 1 + o.id - o.id)");
    auto ds = Query(
        QStringLiteral(
            "SELECT o.id, o.order_date, o.shipped, o.status, o.discount, o.amount, c.id AS customer_id, "
            "c.name, c.city, %1 AS boom FROM orders o JOIN customers c ON c.id = o.customer_id "
            "ORDER BY c.name -- by customer")
            .arg(Failing));
    TStringList Names;
    ds->GetFieldNames(&Names);
    EXPECT_EQ(Names.CommaText(),
              QStringLiteral("id,order_date,shipped,status,discount,amount,customer_id,name,city,boom"));
    EXPECT_FALSE(ds->Active());
    const TFieldType Types[] = {ftInteger,  ftDate,    ftDateTime, ftString, ftFloat,
                                ftCurrency, ftInteger, ftString,   ftString};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(ds->FieldDefs()[i].DataType(), Types[i]) << i;
    EXPECT_EQ(ds->FieldDefs()[3].Size(), 10);
    EXPECT_EQ(ds->FieldDefs()[7].Size(), 40);
    EXPECT_THROW(ds->Open(), EDatabaseError);

    // a new statement drops the old columns; a bad one raises and leaves none
    ds->SetSQL(QStringLiteral("SELECT name, city FROM customers;"));
    EXPECT_EQ(ds->FieldDefs().Count(), 0);
    ds->UpdateFieldDefs();
    EXPECT_EQ(ds->FieldDefs().Count(), 2);
    ds->SetSQL(QStringLiteral("SELECT nosuch FROM customers"));
    EXPECT_THROW(ds->GetFieldNames(&Names), EDatabaseError);
    EXPECT_EQ(ds->FieldDefs().Count(), 0);
    ds->SetSQL(QStringLiteral("DELETE FROM customers"));
    EXPECT_THROW(ds->UpdateFieldDefs(), EDatabaseError);
    ds->SetSQL(QStringLiteral("SELECT count(*) AS n FROM customers"));
    ds->Open();
    EXPECT_EQ(ds->Fields(0)->AsInteger(), 500); // nothing was deleted
}

TEST_P(SqlDataSet, AClosedSetNamesTheRepeatedColumnsOfAJoinAsTheOpenSetDoes) {
    auto ds = Query(QStringLiteral("SELECT o.id, c.id, c.name FROM orders o JOIN customers c ON c.id = "
                                   "o.customer_id WHERE o.id < 3"));
    TStringList Closed, Opened;
    ds->GetFieldNames(&Closed);
    EXPECT_EQ(Closed.CommaText(), QStringLiteral("id,id_1,name"));
    ds->Open();
    ds->GetFieldNames(&Opened);
    EXPECT_EQ(Opened.CommaText(), Closed.CommaText());
}

INSTANTIATE_TEST_SUITE_P(Engines, SqlDataSet, ::testing::Values("sqlite", "postgresql"),
                         [](const ::testing::TestParamInfo<std::string>& Info) { return Info.param; });

namespace {

// An SQLite file in Dir made by Script, closed again so that the data sets open it themselves.
QString SqliteFile(const QTemporaryDir& Dir, const QString& Name, const QString& Script) {
    const QString File = Dir.filePath(Name + QStringLiteral(".db"));
    {
        QSqlDatabase Db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), Name);
        Db.setDatabaseName(File);
        if (!Db.open()) throw Exception(QStringLiteral("Cannot make %s"), {File});
        ExecuteSqlScript(Db, Script);
    }
    QSqlDatabase::removeDatabase(Name);
    return File;
}

} // namespace

TEST(SqliteDataSet, DatesStoredAsJulianDaysAndTextValuesConvert) {
    QTemporaryDir Dir;
    const QString File = SqliteFile(Dir, QStringLiteral("kinds"), QString::fromUtf8(KindsSqlite));
    TSqlDataSet ds;
    ds.SetDatabaseName(File);
    ds.SetSQL(QStringLiteral("SELECT d, dt, bo, cu FROM kinds WHERE k = 3"));
    ds.Open();
    EXPECT_EQ(ds.Fields(0)->AsString(), QStringLiteral("2024-02-29"));
    EXPECT_EQ(ds.Fields(1)->AsString(), QStringLiteral("2024-02-29 13:45:30"));
    EXPECT_FALSE(ds.Fields(2)->AsBoolean());
    EXPECT_EQ(ds.Fields(3)->AsCurrency(), 75000);
    ds.Close();
    // A value that is no date is refused when its row is read, with the field's name.
    ds.SetSQL(QStringLiteral("SELECT d FROM kinds WHERE k = 4"));
    try {
        ds.Open();
        FAIL() << "opened";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(),
                  QStringLiteral("'not a date' is not a valid value for field 'd' of type Date"));
    }
    EXPECT_FALSE(ds.Active());
    // A file that is not there is not made: the database says so, after the path it tried.
    TSqlDataSet Missing;
    Missing.SetDatabaseName(Dir.filePath(QStringLiteral("missing.db")));
    Missing.SetSQL(QStringLiteral("SELECT 1"));
    try {
        Missing.Open();
        FAIL() << "opened";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), Dir.filePath(QStringLiteral("missing.db")) +
                                   QStringLiteral(": unable to open database file"));
    }
    EXPECT_FALSE(QFile::exists(Dir.filePath(QStringLiteral("missing.db"))));
}

TEST(SqliteDataSet, AFolderAFileOfSomethingElseAndASecondStatementAreToldAsWhatTheyAre) {
    QTemporaryDir Dir;
    const QString Database = SqliteFile(
        Dir, QStringLiteral("one"), QStringLiteral("CREATE TABLE t (a INTEGER); INSERT INTO t VALUES (1);"));
    const QString Text = Dir.filePath(QStringLiteral("notes.db"));
    {
        QFile File(Text);
        ASSERT_TRUE(File.open(QIODevice::WriteOnly));
        File.write(QByteArray(4096, 'x'));
    }
    const QString Folder = Dir.filePath(QStringLiteral("folder.db"));
    ASSERT_TRUE(QDir(Dir.path()).mkdir(QStringLiteral("folder.db")));
    const QString OneStatement = QStringLiteral("A data set takes one SQL statement");
    const struct {
        QString Database;
        const char* Sql;
        QString Message; // empty: it opens
    } Cases[] = {
        {Folder, "SELECT 1", Folder + QStringLiteral(" is a directory")},
        {Text, "SELECT a FROM t", Text + QStringLiteral(" is not an SQLite database")},
        {Database, "SELECT a FROM t; SELECT a FROM t", OneStatement},
        {Database, "SELECT a FROM t;\n  DELETE FROM t;", OneStatement},
        {Database, "SELECT a FROM t;  \n", QString()},
        {Database, "SELECT missing FROM t", QStringLiteral("no such column: missing")},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Sql);
        // Opening and reading the columns of a closed set tell the same.
        for (const bool Columns : {false, true}) {
            TSqlDataSet Set;
            Set.SetDatabaseName(C.Database);
            Set.SetSQL(QString::fromUtf8(C.Sql));
            QString Message;
            try {
                Columns ? Set.UpdateFieldDefs() : Set.Open();
            } catch (const EDatabaseError& E) {
                Message = E.Message();
            }
            EXPECT_EQ(Message, C.Message) << Columns;
        }
    }
}

TEST(SqliteDataSet, ColumnTypesFollowTheDeclaredNames) {
    const struct {
        const char* Declared;
        int ValueType;
        TFieldType Type;
        int Size;
    } Cases[] = {
        {"INTEGER", 0, ftInteger, 0},
        {"int", 0, ftInteger, 0},
        {"BIGINT", 0, ftLargeint, 0},
        {"UNSIGNED BIG INT", 0, ftInteger, 0},
        {"REAL", 0, ftFloat, 0},
        {"DOUBLE PRECISION", 0, ftFloat, 0},
        {"TEXT", 0, ftString, 0},
        {"varchar(40)", 0, ftString, 40},
        {"NCHAR(2)", 0, ftFixedChar, 2},
        {"VARYING CHARACTER(9)", 0, ftString, 9},
        {"BLOB", 0, ftBlob, 0},
        {"DATE", 0, ftDate, 0},
        {"DATETIME", 0, ftDateTime, 0},
        {"TIME", 0, ftTime, 0},
        {"BOOLEAN", 0, ftBoolean, 0},
        {"CURRENCY", 0, ftCurrency, 0},
        {"MONEY", 0, ftCurrency, 0},
        {"NUMERIC", 0, ftCurrency, 0},
        {"NUMERIC(10,4)", 0, ftCurrency, 0},
        {"DECIMAL(10, 5)", 0, ftFMTBcd, 0},
        {"MEMO", 0, ftMemo, 0},
        {"CLOB", 0, ftMemo, 0},
        {"GRAPHIC", 0, ftGraphic, 0},
        {"WHATEVER", 0, ftFloat, 0},
        {"", QMetaType::LongLong, ftLargeint, 0},
        {"", QMetaType::Double, ftFloat, 0},
        {"", QMetaType::QString, ftString, 0},
        {"", QMetaType::QByteArray, ftBlob, 0},
    };
    for (const auto& c : Cases) {
        const TSqlColumnType t = SqliteColumnType(QString::fromLatin1(c.Declared), c.ValueType);
        EXPECT_EQ(t.DataType, c.Type) << c.Declared;
        EXPECT_EQ(t.Size, c.Size) << c.Declared;
    }
}

TEST(PostgresDataSet, HoldsTheSameSampleDataAsSqlite) {
    PIM_REQUIRE_POSTGRES();
    QString Error;
    ASSERT_TRUE(TPrivatePostgres::Instance().Connect(QStringLiteral("pg"), Error)) << qPrintable(Error);
    ExecuteSqlScript(QSqlDatabase::database(QStringLiteral("pg")),
                     QStringLiteral("DROP TABLE IF EXISTS orders; DROP TABLE IF EXISTS customers;") +
                         ReadSampleScript(QStringLiteral("postgresql")));
    QTemporaryDir Dir;
    const QString File = SqliteFile(Dir, QStringLiteral("lite"), ReadSampleScript(QStringLiteral("sqlite")));
    for (const char* Table : {"customers", "orders"}) {
        const QString Sql = QStringLiteral("SELECT * FROM %1 ORDER BY id").arg(QString::fromLatin1(Table));
        TSqlDataSet Pg, Lite;
        Pg.SetConnectionName(QStringLiteral("pg"));
        Pg.SetSQL(Sql);
        Lite.SetDatabaseName(File);
        Lite.SetSQL(Sql);
        Pg.Open();
        Lite.Open();
        ASSERT_EQ(Pg.FieldCount(), Lite.FieldCount());
        for (int i = 0; i < Pg.FieldCount(); ++i)
            EXPECT_EQ(Pg.Fields(i)->DataType(), Lite.Fields(i)->DataType());
        int Rows = 0;
        for (; !Pg.Eof() && !Lite.Eof(); Pg.Next(), Lite.Next(), ++Rows) {
            for (int i = 0; i < Pg.FieldCount(); ++i) {
                ASSERT_EQ(Pg.Fields(i)->AsBytes(), Lite.Fields(i)->AsBytes())
                    << Table << " row " << Rows << " " << Pg.Fields(i)->FieldName().toStdString();
                ASSERT_EQ(Pg.Fields(i)->IsNull(), Lite.Fields(i)->IsNull());
            }
        }
        EXPECT_TRUE(Pg.Eof() && Lite.Eof());
        EXPECT_EQ(Rows, QString::fromLatin1(Table) == u"orders" ? 4000 : 500);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("pg"));
}

TEST(SqliteDataSet, ABadRowMetWhileWalkingEndsTheSetBeforeIt) {
    QTemporaryDir Dir;
    const QString File = SqliteFile(
        Dir, QStringLiteral("bad"),
        QStringLiteral("CREATE TABLE t (n INTEGER, d DATE);"
                       "WITH RECURSIVE s(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM s WHERE n < 300)"
                       "INSERT INTO t SELECT n, date('2024-01-01', '+' || n || ' days') FROM s;"
                       "INSERT INTO t VALUES (301, 'soon');"));
    TSqlDataSet ds;
    ds.SetDatabaseName(File);
    ds.SetSQL(QStringLiteral("SELECT n, d FROM t ORDER BY n"));
    ds.Open(); // the first rows arrive before the bad one is reached
    int Walked = 1, Errors = 0;
    while (!ds.Eof()) {
        try {
            ds.Next();
            if (!ds.Eof()) ++Walked;
        } catch (const EConvertError&) {
            ++Errors;
        }
    }
    EXPECT_EQ(Errors, 1);
    EXPECT_EQ(Walked, 300);
    EXPECT_EQ(ds.Fields(0)->AsInteger(), 300);
    EXPECT_EQ(ds.RecordCount(), 300);
}

TEST(SqliteDataSet, AStoredFormKeepsTheQueryAndTheSourceReadingItAndOpensWhereverItIsLoaded) {
    QTemporaryDir Dir;
    const QString File = SqliteFile(Dir, QStringLiteral("stored"),
                                    QStringLiteral("CREATE TABLE t (n INTEGER, s TEXT);"
                                                   "INSERT INTO t VALUES (1, 'one'), (2, 'two');"));

    TComponent Root(nullptr);
    Root.SetName(QStringLiteral("Data"));
    auto* Query = new TSqlDataSet(&Root);
    Query->SetName(QStringLiteral("Numbers"));
    Query->SetDatabaseName(File);
    Query->SetSQL(QStringLiteral("SELECT n, s FROM t\nWHERE s <> 'none' ORDER BY n"));
    auto* Source = new TDataSource(&Root);
    Source->SetName(QStringLiteral("NumbersSource"));
    Source->SetDataSet(Query);
    auto* Unbound = new TDataSource(&Root); // no data set: nothing of it is written
    Unbound->SetName(QStringLiteral("Spare"));

    const QByteArray Text = WriteComponentText(&Root);
    const QString Expected =
        QStringLiteral("object Data: TComponent\n"
                       "  object Numbers: TSqlDataSet\n"
                       "    DatabaseName = '%1'\n"
                       "    SQL = 'SELECT n, s FROM t'#10'WHERE s <> ''none'' ORDER BY n'\n"
                       "  end\n"
                       "  object NumbersSource: TDataSource\n"
                       "    DataSet = Numbers\n"
                       "  end\n"
                       "  object Spare: TDataSource\n"
                       "  end\n"
                       "end\n")
            .arg(File);
    EXPECT_EQ(Text.toStdString(), Expected.toStdString());

    TComponent Fresh(nullptr);
    ReadComponentText(Text, &Fresh);
    EXPECT_EQ(WriteComponentText(&Fresh), Text);
    auto* Loaded = dynamic_cast<TSqlDataSet*>(Fresh.FindComponent(QStringLiteral("Numbers")));
    auto* LoadedSource = dynamic_cast<TDataSource*>(Fresh.FindComponent(QStringLiteral("NumbersSource")));
    ASSERT_TRUE(Loaded && LoadedSource);
    EXPECT_EQ(LoadedSource->DataSet(), Loaded);
    EXPECT_TRUE(Loaded->ConnectionName().isEmpty());
    Loaded->Open();
    EXPECT_EQ(Loaded->RecordCount(), 2);
    Loaded->Last();
    EXPECT_EQ(Loaded->Fields(1)->AsString(), QStringLiteral("two"));
}
