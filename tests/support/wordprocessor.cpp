#include "support/wordprocessor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

QString Office() {
    return QStandardPaths::findExecutable(QStringLiteral("soffice"));
}

} // namespace

bool WordProcessorInstalled() {
    return !Office().isEmpty();
}

QString ConvertWithWordProcessor(const QString& FileName, const QString& To, const QString& Dir) {
    const QString Profile = QUrl::fromLocalFile(QDir(Dir).filePath(QStringLiteral("profile"))).toString();
    QProcess P;
    P.start(Office(), {QStringLiteral("-env:UserInstallation=") + Profile, QStringLiteral("--headless"),
                       QStringLiteral("--convert-to"), To, QStringLiteral("--outdir"), Dir, FileName});
    EXPECT_TRUE(P.waitForFinished(300000)) << To.toStdString();
    EXPECT_EQ(P.exitCode(), 0) << P.readAllStandardError().toStdString();
    return QDir(Dir).filePath(QFileInfo(FileName).completeBaseName() + u'.' + To.section(u':', 0, 0));
}

QStringList WordProcessorLines(const QString& FileName, const QString& Dir) {
    QFile F(ConvertWithWordProcessor(FileName, QStringLiteral("txt:Text (encoded):UTF8"), Dir));
    if (!F.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "no text from " << FileName.toStdString();
        return {};
    }
    QString Text = QString::fromUtf8(F.readAll());
    if (Text.startsWith(QChar(0xFEFF))) Text.remove(0, 1);
    Text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return Text.split(u'\n');
}
