#include "support/sampledata.h"

#include <QDir>
#include <QFile>

QString SampleScriptPath(const QString& Dialect) {
    // The compiler cache may hand __FILE__ over relative to the build tree, which is not where the
    // tests run; the source tree's path is given at build time.
    const QDir Source(QStringLiteral(PIM_SOURCE_DIR));
    return Source.absoluteFilePath(QStringLiteral("examples/data/sample-%1.sql").arg(Dialect));
}

QString ReadSampleScript(const QString& Dialect) {
    QFile File(SampleScriptPath(Dialect));
    if (!File.open(QIODevice::ReadOnly)) return QString();
    return QString::fromUtf8(File.readAll());
}
