#include "host/sqldataset.h"
#include "host/properties.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>
#include <atomic>
#include <sqlite3.h>

namespace {

constexpr int FetchChunk = 256;
// Julian day of 30 Dec 1899, 00:00, the origin of the host's date-times.
constexpr double JulianDayOfDateEpoch = 2415018.5;

QString SqlErrorText(const QSqlError& Error) {
    QString Text = Error.databaseText().trimmed();
    if (Text.isEmpty()) Text = Error.text().trimmed();
    if (Text.isEmpty()) Text = QStringLiteral("Database error");
    return Text;
}

[[noreturn]] void RaiseSqlError(const QSqlError& Error) {
    throw EDatabaseError(SqlErrorText(Error));
}

sqlite3* SqliteHandle(const QSqlDatabase& Db) {
    if (!Db.driver() || Db.driverName() != u"QSQLITE") return nullptr;
    const QVariant Handle = Db.driver()->handle();
    if (!Handle.isValid() || qstrcmp(Handle.typeName(), "sqlite3*") != 0) return nullptr;
    return *static_cast<sqlite3* const*>(Handle.constData());
}

// SQLite opens a file only when the first statement reads it: a folder, or a file of something
// else, would fail there with a message that names neither the file nor what is wrong with it.
void CheckSqliteFile(const QSqlDatabase& Db, const QString& Path) {
    if (QFileInfo(Path).isDir()) throw EDatabaseError(QStringLiteral("%s is a directory"), {Path});
    sqlite3* Handle = SqliteHandle(Db);
    if (Handle && sqlite3_exec(Handle, "PRAGMA schema_version", nullptr, nullptr, nullptr) == SQLITE_NOTADB)
        throw EDatabaseError(QStringLiteral("%s is not an SQLite database"), {Path});
}

// Qt takes the first statement of a text from SQLite and refuses the text when more follow, with
// nothing from the database to say why ("not an error").
bool HoldsMoreStatements(const QSqlDatabase& Db, const QString& Sql) {
    sqlite3* Handle = SqliteHandle(Db);
    if (!Handle) return false;
    sqlite3_stmt* Statement = nullptr;
    const void* Tail = nullptr;
    const int Result = sqlite3_prepare16_v2(Handle, Sql.utf16(), int(Sql.size() * 2), &Statement, &Tail);
    sqlite3_finalize(Statement);
    if (Result != SQLITE_OK || !Tail) return false;
    const auto* Rest = static_cast<const char16_t*>(Tail);
    const auto* End = reinterpret_cast<const char16_t*>(Sql.utf16()) + Sql.size();
    return !QStringView(Rest, End).trimmed().isEmpty();
}

// "VARCHAR(40)" gives the base name VARCHAR and the arguments 40; "NUMERIC(12, 2)" 12 and 2.
QString SplitDeclaredType(const QString& Declared, int& First, int& Second) {
    First = Second = -1;
    QString Base = Declared.trimmed().toUpper();
    const qsizetype Open = Base.indexOf(u'(');
    if (Open < 0) return Base.simplified();
    const qsizetype Close = Base.indexOf(u')', Open);
    const QStringList Args = Base.mid(Open + 1, Close < 0 ? -1 : Close - Open - 1).split(u',');
    bool Ok = false;
    if (Args.size() > 0) First = Args[0].trimmed().toInt(&Ok);
    if (!Ok) First = -1;
    if (Args.size() > 1) Second = Args[1].trimmed().toInt(&Ok);
    if (!Ok) Second = -1;
    return Base.left(Open).simplified();
}

QString MoneyText(const QString& Text) {
    QString Result;
    bool Negative = false;
    for (const QChar c : Text) {
        if (c.isDigit() || c == u'.')
            Result += c;
        else if (c == u'-' || c == u'(')
            Negative = true;
    }
    return Negative ? u'-' + Result : Result;
}

} // namespace

TSqlColumnType SqliteColumnType(const QString& DeclaredType, int ValueTypeId) {
    int First, Second;
    const QString Base = SplitDeclaredType(DeclaredType, First, Second);
    const int Size = First > 0 ? First : 0;
    if (Base.isEmpty()) {
        switch (ValueTypeId) {
        case QMetaType::LongLong:
        case QMetaType::Int:
            return {ftLargeint, 0};
        case QMetaType::Double:
            return {ftFloat, 0};
        case QMetaType::QByteArray:
            return {ftBlob, 0};
        default:
            return {ftString, 0};
        }
    }
    static const struct {
        const char* Name;
        TFieldType DataType;
    } Names[] = {
        {"BOOLEAN", ftBoolean},
        {"BOOL", ftBoolean},
        {"DATE", ftDate},
        {"DATETIME", ftDateTime},
        {"TIMESTAMP", ftDateTime},
        {"TIME", ftTime},
        {"CURRENCY", ftCurrency},
        {"MONEY", ftCurrency},
        {"MEMO", ftMemo},
        {"CLOB", ftMemo},
        {"GRAPHIC", ftGraphic},
        {"IMAGE", ftGraphic},
        {"SMALLINT", ftSmallint},
        {"INT2", ftSmallint},
        {"BIGINT", ftLargeint},
        {"INT8", ftLargeint},
        {"INTEGER", ftInteger},
        {"INT", ftInteger},
        {"SINGLE", ftSingle},
        {"FLOAT4", ftSingle},
        {"REAL", ftFloat},
        {"DOUBLE", ftFloat},
        {"DOUBLE PRECISION", ftFloat},
        {"FLOAT", ftFloat},
        {"FLOAT8", ftFloat},
        {"TEXT", ftString},
        {"VARCHAR", ftString},
        {"NVARCHAR", ftString},
        {"CHARACTER VARYING", ftString},
        {"CHAR", ftFixedChar},
        {"CHARACTER", ftFixedChar},
        {"NCHAR", ftFixedChar},
        {"BLOB", ftBlob},
        {"GUID", ftGuid},
        {"UUID", ftGuid},
    };
    for (const auto& n : Names) {
        if (Base == QLatin1String(n.Name)) {
            if (n.DataType == ftGuid) return {ftGuid, 38};
            const bool Sized = n.DataType == ftString || n.DataType == ftFixedChar;
            return {n.DataType, Sized ? Size : 0};
        }
    }
    if (Base == u"NUMERIC" || Base == u"DECIMAL") return {Second > 4 ? ftFMTBcd : ftCurrency, 0};
    // Anything else by SQLite's own affinity rules.
    if (Base.contains(u"INT")) return {ftInteger, 0};
    if (Base.contains(u"CHAR") || Base.contains(u"CLOB") || Base.contains(u"TEXT")) return {ftString, Size};
    if (Base.contains(u"BLOB")) return {ftBlob, 0};
    return {ftFloat, 0};
}

TSqlColumnType PostgresColumnType(int TypeOid, int Length, int Scale) {
    switch (TypeOid) {
    case 16:
        return {ftBoolean, 0};
    case 17:
        return {ftBlob, 0};
    case 18:
        return {ftFixedChar, 1};
    case 19:
        return {ftString, 63};
    case 20:
        return {ftLargeint, 0};
    case 21:
        return {ftSmallint, 0};
    case 23:
        return {ftInteger, 0};
    case 26:
        return {ftLongWord, 0};
    case 25:
    case 114:
    case 142:
    case 3802:
        return {ftMemo, 0};
    case 1042:
        return {ftFixedChar, Length > 0 ? Length : 1};
    case 1043:
        return Length > 0 ? TSqlColumnType{ftString, Length} : TSqlColumnType{ftMemo, 0};
    case 700:
        return {ftSingle, 0};
    case 701:
        return {ftFloat, 0};
    case 790:
        return {ftCurrency, 0};
    case 1700:
        return {Scale >= 0 && Scale <= 4 ? ftCurrency : ftFMTBcd, 0};
    case 1082:
        return {ftDate, 0};
    case 1083:
    case 1266:
        return {ftTime, 0};
    case 1114:
        return {ftDateTime, 0};
    case 1184:
        return {ftTimeStamp, 0};
    case 2950:
        return {ftGuid, 38};
    default:
        return {ftString, 0};
    }
}

void ExecuteSqlScript(QSqlDatabase Database, const QString& Script) {
    QStringList Statements;
    QString Current;
    QChar Quote;
    for (qsizetype i = 0; i < Script.size(); ++i) {
        const QChar c = Script[i];
        const QChar n = i + 1 < Script.size() ? Script[i + 1] : QChar();
        if (!Quote.isNull()) {
            Current += c;
            if (c == Quote) Quote = QChar();
            continue;
        }
        if (c == u'-' && n == u'-') {
            while (i < Script.size() && Script[i] != u'\n')
                ++i;
            Current += u'\n';
            continue;
        }
        if (c == u'/' && n == u'*') {
            const qsizetype End = Script.indexOf(QStringLiteral("*/"), i + 2);
            i = End < 0 ? Script.size() : End + 1;
            Current += u' ';
            continue;
        }
        if (c == u';') {
            if (!Current.trimmed().isEmpty()) Statements << Current.trimmed();
            Current.clear();
            continue;
        }
        if (c == u'\'' || c == u'"') Quote = c;
        Current += c;
    }
    if (!Current.trimmed().isEmpty()) Statements << Current.trimmed();

    QSqlQuery Query(Database);
    for (const QString& Statement : Statements) {
        if (!Query.exec(Statement)) {
            const QSqlError Error = Query.lastError();
            QString Text = Error.databaseText().trimmed();
            if (Text.isEmpty()) Text = Error.text();
            throw EDatabaseError(QStringLiteral("%s in: %s"), {Text, Statement.section(u'\n', 0, 0)});
        }
    }
}

// ---- TSqlDataSet

namespace {

// A stored report keeps its query and where it runs, so the report loads ready to open its data.
const bool SqlDataSetDeclared = [] {
    DeclareProperties<TSqlDataSet, TComponent>()
        .String("ConnectionName", &TSqlDataSet::ConnectionName, &TSqlDataSet::SetConnectionName)
        .Default(QString())
        .String("DatabaseName", &TSqlDataSet::DatabaseName, &TSqlDataSet::SetDatabaseName)
        .Default(QString())
        .String("SQL", &TSqlDataSet::SQL, &TSqlDataSet::SetSQL);
    RegisterClass<TSqlDataSet>();
    return true;
}();

} // namespace

TSqlDataSet::TSqlDataSet(TComponent* AOwner) : TDataSet(AOwner) {}

TSqlDataSet::~TSqlDataSet() {
    try {
        Close();
    } catch (...) {
    }
}

void TSqlDataSet::SetConnectionName(const QString& Value) {
    CheckInactive();
    if (Value != FConnectionName) SourceChanged();
    FConnectionName = Value;
}

void TSqlDataSet::SetDatabaseName(const QString& Value) {
    CheckInactive();
    if (Value != FDatabaseName) SourceChanged();
    FDatabaseName = Value;
}

void TSqlDataSet::SetSQL(const QString& Value) {
    CheckInactive();
    if (Value != FSQL) SourceChanged();
    FSQL = Value;
}

void TSqlDataSet::SourceChanged() {
    FColumnsRead = false;
    if (FieldDefs().Count() > 0) FieldDefs().Clear();
}

void TSqlDataSet::SetParam(const QString& Name, const QVariant& Value) {
    FParams.insert(Name, Value);
}

void TSqlDataSet::ClearParams() {
    FParams.clear();
}

QSqlDatabase TSqlDataSet::Connection() {
    if (!FConnectionName.isEmpty()) {
        if (!QSqlDatabase::contains(FConnectionName))
            throw EDatabaseError(QStringLiteral("Unknown database connection '%s'"), {FConnectionName});
        QSqlDatabase Db = QSqlDatabase::database(FConnectionName, false);
        if (!Db.isOpen() && !Db.open()) RaiseSqlError(Db.lastError());
        return Db;
    }
    if (FDatabaseName.isEmpty()) {
        QSqlDatabase Db = QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false);
        if (!Db.isValid()) throw EDatabaseError(QStringLiteral("No database connection"));
        if (!Db.isOpen() && !Db.open()) RaiseSqlError(Db.lastError());
        return Db;
    }
    static std::atomic<int> Counter{0};
    FOwnConnection = QStringLiteral("PimSqlDataSet%1").arg(++Counter);
    QSqlDatabase Db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), FOwnConnection);
    Db.setDatabaseName(FDatabaseName);
    if (FDatabaseName == u":memory:") {
        if (!Db.open()) RaiseSqlError(Db.lastError());
        return Db;
    }
    Db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    // The file SQLite looked for: a relative name is taken from the current folder.
    const QString Path = QFileInfo(FDatabaseName).absoluteFilePath();
    if (!Db.open()) {
        CheckSqliteFile(Db, Path);
        throw EDatabaseError(QStringLiteral("%s: %s"), {Path, SqlErrorText(Db.lastError())});
    }
    CheckSqliteFile(Db, Path);
    return Db;
}

void TSqlDataSet::Prepare(const QSqlDatabase& Db, const QString& Sql) {
    FQuery = std::make_unique<QSqlQuery>(Db);
    FQuery->setForwardOnly(true);
    FQuery->setNumericalPrecisionPolicy(QSql::HighPrecision);
    if (!FQuery->prepare(Sql)) {
        if (HoldsMoreStatements(Db, Sql))
            throw EDatabaseError(QStringLiteral("A data set takes one SQL statement"));
        RaiseSqlError(FQuery->lastError());
    }
    for (auto it = FParams.cbegin(); it != FParams.cend(); ++it) {
        FQuery->bindValue(it.key().startsWith(u':') ? it.key() : u':' + it.key(), it.value());
    }
}

void TSqlDataSet::Run(const QSqlDatabase& Db, const QString& Sql) {
    Prepare(Db, Sql);
    if (!FQuery->exec()) RaiseSqlError(FQuery->lastError());
    if (!FQuery->isSelect()) throw EDatabaseError(QStringLiteral("The SQL statement returns no rows"));
}

QSqlDatabase TSqlDataSet::Execute(const QString& Sql) {
    if (FSQL.trimmed().isEmpty()) throw EDatabaseError(QStringLiteral("No SQL statement given"));
    QSqlDatabase Db = Connection();
    Run(Db, Sql);
    return Db;
}

void TSqlDataSet::InternalOpen() {
    QSqlDatabase Db = Execute(FSQL);
    ReadColumns();
    if (Db.driverName() != u"QSQLITE") {
        while (FetchMore()) {
        }
    }
}

void TSqlDataSet::InternalInitFieldDefs() {
    if (FColumnsRead) return;
    QString Statement = FSQL.trimmed();
    if (Statement.isEmpty()) throw EDatabaseError(QStringLiteral("No SQL statement given"));
    while (Statement.endsWith(u';'))
        Statement = Statement.chopped(1).trimmed();
    try {
        const QSqlDatabase Db = Connection();
        if (Db.driverName() == u"QSQLITE") {
            // SQLite names the columns of a statement it has only prepared. Wrapped into another,
            // the statement would have its repeated names changed ("id:1" for a second "id").
            Prepare(Db, Statement);
            ReadColumns();
            if (FieldDefs().Count() == 0)
                throw EDatabaseError(QStringLiteral("The SQL statement returns no rows"));
        } else {
            // On their own lines, so that a comment ending the statement does not swallow the
            // wrapper.
            Run(Db, QStringLiteral("SELECT * FROM (\n%1\n) AS PimColumns LIMIT 0").arg(Statement));
            ReadColumns();
        }
    } catch (...) {
        FieldDefs().Clear();
        FColumnsRead = false;
        InternalClose();
        throw;
    }
    InternalClose();
}

void TSqlDataSet::ReadColumns() {
    const QSqlRecord Record = FQuery->record();
    const bool Sqlite = FQuery->driver() && FQuery->driver()->dbmsType() == QSqlDriver::SQLite;
    sqlite3_stmt* Statement = nullptr;
    if (Sqlite) {
        const QVariant Handle = FQuery->result()->handle();
        if (Handle.isValid() && qstrcmp(Handle.typeName(), "sqlite3_stmt*") == 0)
            Statement = *static_cast<sqlite3_stmt* const*>(Handle.constData());
    }
    const bool Postgres = FQuery->driver() && FQuery->driver()->dbmsType() == QSqlDriver::PostgreSQL;

    FieldDefs().Clear();
    FSources.clear();
    std::vector<TStoreKind> Kinds;
    // A statement only prepared has no record yet: SQLite tells its columns all the same.
    const int Count = Statement ? sqlite3_column_count(Statement) : Record.count();
    for (int i = 0; i < Count; ++i) {
        const QSqlField Field = i < Record.count() ? Record.field(i) : QSqlField();
        const QString Name =
            i < Record.count()
                ? Field.name()
                : QString::fromUtf16(static_cast<const char16_t*>(sqlite3_column_name16(Statement, i)))
                      .remove(u'"');
        TSqlColumnType Type;
        TColumnSource Source = csPlain;
        if (Sqlite) {
            const char* Declared = Statement ? sqlite3_column_decltype(Statement, i) : nullptr;
            Type =
                SqliteColumnType(Declared ? QString::fromUtf8(Declared) : QString(), Field.metaType().id());
            if (IsDateTimeType(Type.DataType)) Source = csSqliteDate;
        } else if (Postgres) {
            Type = PostgresColumnType(Field.typeID(), Field.length(), Field.precision());
            if (Field.typeID() == 790) Source = csMoney;
        } else {
            switch (Field.metaType().id()) {
            case QMetaType::Bool:
                Type = {ftBoolean, 0};
                break;
            case QMetaType::Int:
                Type = {ftInteger, 0};
                break;
            case QMetaType::LongLong:
                Type = {ftLargeint, 0};
                break;
            case QMetaType::Double:
                Type = {ftFloat, 0};
                break;
            case QMetaType::QDate:
                Type = {ftDate, 0};
                break;
            case QMetaType::QTime:
                Type = {ftTime, 0};
                break;
            case QMetaType::QDateTime:
                Type = {ftDateTime, 0};
                break;
            case QMetaType::QByteArray:
                Type = {ftBlob, 0};
                break;
            default:
                Type = {ftString, Field.length() > 0 ? Field.length() : 0};
                break;
            }
        }
        TFieldDef& Def =
            FieldDefs().Add(Name, Type.DataType, Type.Size, Field.requiredStatus() == QSqlField::Required);
        if (Field.precision() > 0) Def.SetPrecision(Field.precision());
        Kinds.push_back(StoreKindOf(Type.DataType));
        FSources.push_back(Source);
    }
    FStore.Reset(Kinds);
    FColumnsRead = true;
}

bool TSqlDataSet::FetchRow() {
    if (!FQuery->next()) return false;
    try {
        for (int i = 0; i < FieldDefs().Count(); ++i) {
            const TFieldDef& Def = FieldDefs()[i];
            if (FQuery->isNull(i)) {
                FStore.AppendNull(i);
                continue;
            }
            QVariant Value = FQuery->value(i);
            switch (FSources[static_cast<size_t>(i)]) {
            case csSqliteDate:
                // SQLite keeps dates as ISO text, Julian day numbers or Unix seconds.
                if (Value.typeId() == QMetaType::Double)
                    Value = Value.toDouble() - JulianDayOfDateEpoch;
                else if (Value.typeId() == QMetaType::LongLong)
                    Value = QDateTime::fromSecsSinceEpoch(Value.toLongLong(), Qt::UTC);
                break;
            case csMoney:
                Value = MoneyText(Value.toString());
                break;
            case csPlain:
                break;
            }
            StoreVariant(FStore, i, Def.DataType(), Value, Def.Name());
        }
        FStore.EndRow();
    } catch (...) {
        FStore.AbandonRow();
        throw;
    }
    return true;
}

void TSqlDataSet::EndFetch() {
    if (FQuery) FQuery->finish();
    FQuery.reset();
}

bool TSqlDataSet::FetchMore() {
    if (!FQuery) return false;
    int Fetched = 0;
    try {
        while (Fetched < FetchChunk && FetchRow())
            ++Fetched;
    } catch (...) {
        // The query has moved past the bad row: the set ends before it rather than skip it.
        EndFetch();
        throw;
    }
    if (Fetched < FetchChunk) {
        if (FQuery->lastError().isValid()) {
            const QSqlError Error = FQuery->lastError();
            EndFetch();
            RaiseSqlError(Error);
        }
        EndFetch();
    }
    return Fetched > 0;
}

void TSqlDataSet::InternalClose() {
    EndFetch();
    FStore.Reset({});
    if (!FOwnConnection.isEmpty()) {
        {
            QSqlDatabase Db = QSqlDatabase::database(FOwnConnection, false);
            Db.close();
        }
        QSqlDatabase::removeDatabase(FOwnConnection);
        FOwnConnection.clear();
    }
}
