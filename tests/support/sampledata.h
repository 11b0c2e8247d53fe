#pragma once
#include <QSqlDatabase>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>

// A file of the source tree, by its path from the top ("examples/orders.rep").
QString SourceFile(const QString& RelativePath);

// The sample database scripts of examples/data ("sqlite" or "postgresql").
QString SampleScriptPath(const QString& Dialect);
QString ReadSampleScript(const QString& Dialect);

// Makes the sample database on Db afresh: its tables dropped where they are, then its script run.
void LoadSampleDatabase(QSqlDatabase Db, const QString& Dialect);

// The sample database as the application's default connection, in a folder of its own, for as long
// as the object lives.
class TSampleDatabase {
public:
    TSampleDatabase();
    ~TSampleDatabase();
    QString Path(const QString& Name) const { return FDir.filePath(Name); }
    // The first value of the first row of a query.
    QVariant Value(const QString& Sql) const;

private:
    QTemporaryDir FDir;
};
