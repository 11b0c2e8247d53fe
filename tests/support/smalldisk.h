#pragma once
#include <QString>
#include <QTemporaryDir>
#include <cstdint>

// A folder on a file system of its own with little room, to see what writing does when the disk is
// full: a tmpfs mounted for the test. Mounting needs the right to (root, with the capability to
// mount); where it is refused, Available() is false and Why() says why, for the test to skip.
class TSmallDisk {
public:
    explicit TSmallDisk(int64_t Size);
    ~TSmallDisk();
    TSmallDisk(const TSmallDisk&) = delete;
    TSmallDisk& operator=(const TSmallDisk&) = delete;

    bool Available() const { return FMounted; }
    const QString& Why() const { return FWhy; }
    QString Path(const QString& Name) const;
    // Takes up all the room but Free bytes, with a file of its own.
    void Fill(int64_t Free);
    // The names in the folder, but the filler.
    QStringList Files() const;

private:
    QTemporaryDir FDir;
    bool FMounted = false;
    QString FWhy;
};
