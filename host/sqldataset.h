#pragma once
#include "host/db.h"

#include <QSqlDatabase>
#include <QVariantMap>
#include <memory>

class QSqlQuery;

// The field type and size a result column gets.
struct TSqlColumnType {
    TFieldType DataType = ftUnknown;
    int Size = 0;
};

// SQLite by declared type (the storage class of the first value when there is none, as for
// expressions); PostgreSQL by the column's type number, length and scale.
TSqlColumnType SqliteColumnType(const QString& DeclaredType, int ValueTypeId);
TSqlColumnType PostgresColumnType(int TypeOid, int Length, int Scale);

// Runs the statements of a script one by one; they end with ";" outside quotes and comments.
// Raises EDatabaseError with the database's message and the failing statement's first line.
void ExecuteSqlScript(QSqlDatabase Database, const QString& Script);

// The rows of an SQL query over Qt Sql, buffered so that the record count, bookmarks and moving
// back work on every driver. On SQLite the rows are fetched as the cursor reaches them; other
// drivers are read to the end on opening, which frees their connection for the next query.
class TSqlDataSet : public TDataSet {
public:
    explicit TSqlDataSet(TComponent* AOwner = nullptr);
    ~TSqlDataSet() override;

    // A connection registered by the application with QSqlDatabase::addDatabase (PostgreSQL,
    // say). When empty, DatabaseName names an SQLite file that the data set opens read-only on
    // its own connection; when both are empty the application's default connection is used.
    const QString& ConnectionName() const { return FConnectionName; }
    void SetConnectionName(const QString& Value);
    const QString& DatabaseName() const { return FDatabaseName; }
    void SetDatabaseName(const QString& Value);
    const QString& SQL() const { return FSQL; }
    void SetSQL(const QString& Value);
    // Values bound to ":Name" placeholders of the query.
    void SetParam(const QString& Name, const QVariant& Value);
    void ClearParams();

    bool FetchedAll() const { return !FQuery; }
    size_t BufferMemory() const { return FStore.MemoryUsed(); }

protected:
    void InternalOpen() override;
    void InternalClose() override;
    // Reads the columns of the statement without running it for a row (SQLite prepares it only,
    // other databases run it wrapped so that it yields none) and closes again; the definitions hold
    // until the statement or its database changes.
    void InternalInitFieldDefs() override;
    TRowStore& Rows() override { return FStore; }
    bool FetchMore() override;

private:
    enum TColumnSource : uint8_t { csPlain, csSqliteDate, csMoney };
    QSqlDatabase Connection();
    // Prepares Sql on Db with the parameters bound.
    void Prepare(const QSqlDatabase& Db, const QString& Sql);
    // Prepares and runs Sql on Db, ready to read its columns.
    void Run(const QSqlDatabase& Db, const QString& Sql);
    // Runs Sql with the parameters bound, ready to read its columns; returns its connection.
    QSqlDatabase Execute(const QString& Sql);
    void ReadColumns();
    void SourceChanged();
    bool FetchRow();
    void EndFetch();

    QString FConnectionName;
    QString FDatabaseName;
    QString FSQL;
    QVariantMap FParams;
    QString FOwnConnection;
    std::unique_ptr<QSqlQuery> FQuery;
    std::vector<TColumnSource> FSources;
    TRowStore FStore;
    bool FColumnsRead = false; // the field definitions are those of the statement as it stands
};
