#include "support/sampledata.h"

#include <QDir>
#include <QFile>

QString SampleScriptPath(const QString& Dialect) {
    // The source folder comes from the build; a compiler cache may make __FILE__ relative to the build
    // folder, which is not where the tests run.
    const QDir Sources(QStringLiteral(PIM_SOURCE_DIR));
    return Sources.absoluteFilePath(QStringLiteral("examples/data/sample-%1.sql").arg(Dialect));
}

QString ReadSampleScript(const QString& Dialect) {
    QFile File(SampleScriptPath(Dialect));
    if (!File.open(QIODevice::ReadOnly)) return QString();
    return QString::fromUtf8(File.readAll());
}
