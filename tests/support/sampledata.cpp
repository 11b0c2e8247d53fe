#include "support/sampledata.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString SampleScriptPath(const QString& Dialect) {
    // The source tree's own path: a compiler cache may hand out __FILE__ relative to the build folder.
    const QDir Root(QStringLiteral(PIM_SOURCE_DIR));
    return Root.absoluteFilePath(QStringLiteral("examples/data/sample-%1.sql").arg(Dialect));
}

QString ReadSampleScript(const QString& Dialect) {
    QFile File(SampleScriptPath(Dialect));
    if (!File.open(QIODevice::ReadOnly)) return QString();
    return QString::fromUtf8(File.readAll());
}
