#include "support/smalldisk.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <sys/statvfs.h>

namespace {
const QString FillerName = QStringLiteral(".filler");
} // namespace

TSmallDisk::TSmallDisk(int64_t Size) {
    if (!FDir.isValid()) {
        FWhy = QStringLiteral("no temporary folder");
        return;
    }
    const QByteArray Where = QFile::encodeName(FDir.path());
    const QByteArray Options = "size=" + QByteArray::number(static_cast<qlonglong>(Size)) + ",mode=0777";
    if (::mount("tmpfs", Where.constData(), "tmpfs", MS_NOSUID | MS_NODEV, Options.constData()) != 0) {
        FWhy = QStringLiteral("cannot mount a small tmpfs to fill (it needs root): %1")
                   .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    FMounted = true;
}

TSmallDisk::~TSmallDisk() {
    // Detached, so that a file still open cannot keep it mounted; the folder goes with FDir.
    if (FMounted) ::umount2(QFile::encodeName(FDir.path()).constData(), MNT_DETACH);
}

QString TSmallDisk::Path(const QString& Name) const {
    return FDir.filePath(Name);
}

void TSmallDisk::Fill(int64_t Free) {
    struct statvfs Info {};
    if (::statvfs(QFile::encodeName(FDir.path()).constData(), &Info) != 0) return;
    const int64_t Room = static_cast<int64_t>(Info.f_bavail) * static_cast<int64_t>(Info.f_frsize);
    QFile Filler(Path(FillerName));
    if (!Filler.open(QIODevice::Append)) return;
    const QByteArray Block(4096, 'x');
    for (int64_t Left = Room - Free; Left > 0; Left -= Block.size())
        if (Filler.write(Block.constData(), std::min<int64_t>(Left, Block.size())) <= 0) break;
}

QStringList TSmallDisk::Files() const {
    QStringList Names =
        QDir(FDir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    Names.removeAll(FillerName);
    return Names;
}
