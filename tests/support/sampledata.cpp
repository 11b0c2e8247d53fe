#include "support/sampledata.h"
#include "host/sqldataset.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>

QString SourceFile(const QString& RelativePath) {
    return QDir(QStringLiteral(PIM_SOURCE_DIR)).absoluteFilePath(RelativePath);
}

QString SampleScriptPath(const QString& Dialect) {
    return SourceFile(QStringLiteral("examples/data/sample-%1.sql").arg(Dialect));
}

QString ReadSampleScript(const QString& Dialect) {
    QFile File(SampleScriptPath(Dialect));
    if (!File.open(QIODevice::ReadOnly)) return QString();
    return QString::fromUtf8(File.readAll());
}

void LoadSampleDatabase(QSqlDatabase Db, const QString& Dialect) {
    ExecuteSqlScript(Db, QStringLiteral("DROP TABLE IF EXISTS orders; DROP TABLE IF EXISTS customers;"));
    ExecuteSqlScript(Db, ReadSampleScript(Dialect));
}

TSampleDatabase::TSampleDatabase() {
    QSqlDatabase Db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    Db.setDatabaseName(FDir.filePath(QStringLiteral("sample.db")));
    if (Db.open()) LoadSampleDatabase(Db, QStringLiteral("sqlite"));
}

TSampleDatabase::~TSampleDatabase() {
    QSqlDatabase::database(QSqlDatabase::defaultConnection, false).close();
    QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
}

QVariant TSampleDatabase::Value(const QString& Sql) const {
    QSqlQuery Q(QSqlDatabase::database());
    return Q.exec(Sql) && Q.next() ? Q.value(0) : QVariant();
}
