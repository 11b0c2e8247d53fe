#include "host/tempfiles.h"
#include "host/exceptions.h"
#include "host/streams.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

QString TempDirectory() {
    QString Dir = QDir::tempPath();
    if (!Dir.endsWith(u'/')) Dir += u'/';
    return Dir;
}

namespace {

int MakeTempFile(const QString& Prefix, QString& FileName) {
    // A prefix names files, never folders: one with a separator could leave the temporary directory.
    if (Prefix.contains(u'/') || Prefix.contains(QChar(0)))
        throw EFCreateError(QStringLiteral("Cannot create temporary file in \"%s\". %s"),
                            {TempDirectory(), QStringLiteral("Invalid file name prefix")});
    QByteArray Template = QFile::encodeName(TempDirectory() + Prefix + QStringLiteral("XXXXXX.tmp"));
    const int Handle = ::mkostemps(Template.data(), 4, O_CLOEXEC);
    if (Handle < 0)
        throw EFCreateError(QStringLiteral("Cannot create temporary file in \"%s\". %s"),
                            {TempDirectory(), QString::fromLocal8Bit(std::strerror(errno))});
    FileName = QFile::decodeName(Template);
    return Handle;
}

} // namespace

QString CreateTempFileName(const QString& Prefix) {
    QString FileName;
    ::close(MakeTempFile(Prefix, FileName));
    return FileName;
}

std::unique_ptr<TFileStream> CreateTempFileStream(QString& FileName, const QString& Prefix) {
    const int Handle = MakeTempFile(Prefix, FileName);
    return std::make_unique<TFileStream>(Handle, FileName);
}
