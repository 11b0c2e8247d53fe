#include "support/sampledata.h"

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
