#include "support/sampledata.h"
#include "host/sqldataset.h"

#include <QDir>
#include <QFile>

QString SampleScriptPath(const QString& Dialect) {
    const QDir Root(QStringLiteral(PIM_SOURCE_DIR));
    return Root.absoluteFilePath(QStringLiteral("examples/data/sample-%1.sql").arg(Dialect));
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
