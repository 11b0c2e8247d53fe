#include "host/exceptions.h"
#include "host/streams.h"
#include "host/tempfiles.h"
#include "support/smalldisk.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

TEST(Streams, NumbersAreWrittenLittleEndian) {
    TMemoryStream s;
    s.WriteUInt8(0x01);
    s.WriteUInt16(0x0302);
    s.WriteInt32(-2);
    s.WriteInt64(0x0807060504030201LL);
    s.WriteSingle(1.0f);
    s.WriteDouble(-2.0);
    const uint8_t Expected[] = {0x01, 0x02, 0x03, 0xFE, 0xFF, 0xFF, 0xFF, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07,
                                0x08, 0x00, 0x00, 0x80, 0x3F, 0, 0, 0, 0, 0, 0, 0x00, 0xC0};
    ASSERT_EQ(s.Size(), int64_t(sizeof Expected));
    EXPECT_EQ(0, memcmp(s.Memory(), Expected, sizeof Expected));
    s.SetPosition(0);
    EXPECT_EQ(s.ReadUInt8(), 1);
    EXPECT_EQ(s.ReadUInt16(), 0x0302);
    EXPECT_EQ(s.ReadInt32(), -2);
    EXPECT_EQ(s.ReadInt64(), 0x0807060504030201LL);
    EXPECT_EQ(s.ReadSingle(), 1.0f);
    EXPECT_EQ(s.ReadDouble(), -2.0);
}

TEST(Streams, AShortReadRaisesAndPlainReadSaysHowFar) {
    TMemoryStream s;
    s.WriteUInt16(7);
    s.SetPosition(0);
    char Buf[4];
    EXPECT_THROW(s.ReadBuffer(Buf, 4), EReadError);
    s.SetPosition(1);
    EXPECT_THROW(s.ReadUInt32(), EReadError);
    s.SetPosition(0);
    EXPECT_EQ(s.Read(Buf, 4), 2);
    s.SetPosition(-5);
    EXPECT_EQ(s.Read(Buf, 1), 0);
    s.SetPosition(100);
    EXPECT_EQ(s.Read(Buf, 1), 0);
}

TEST(Streams, WritingPastTheEndGrowsWithZeros) {
    TMemoryStream s;
    s.SetPosition(4);
    s.WriteUInt8(9);
    EXPECT_EQ(s.Size(), 5);
    s.SetSize(8);
    EXPECT_EQ(s.Memory()[7], 0);
    s.SetSize(2);
    EXPECT_EQ(s.Position(), 2);
}

TEST(Streams, FileStreamsRoundTripAndCopy) {
    QString Name;
    {
        auto f = CreateTempFileStream(Name);
        EXPECT_TRUE(QFileInfo(Name).fileName().startsWith("Pim"));
        f->WriteUInt32(0xA1B2C3D4);
        f->WriteUInt16(0x0102);
        EXPECT_EQ(f->Size(), 6);
    }
    TMemoryStream m;
    m.LoadFromFile(Name);
    ASSERT_EQ(m.Size(), 6);
    EXPECT_EQ(m.ReadUInt32(), 0xA1B2C3D4u);
    TMemoryStream copy;
    copy.CopyFrom(m, 0);
    EXPECT_EQ(copy.Size(), 6);
    EXPECT_EQ(0, memcmp(copy.Memory(), m.Memory(), 6));
    QFile::remove(Name);
    EXPECT_THROW(TFileStream(Name, fmOpenRead), EFOpenError);
    EXPECT_THROW(TFileStream("/nonexistent-dir/x.pim", fmCreate), EFCreateError);
}

TEST(Streams, TemporaryFilesAreDistinctAndExist) {
    const QString a = CreateTempFileName();
    const QString b = CreateTempFileName();
    EXPECT_NE(a, b);
    EXPECT_TRUE(QFile::exists(a));
    EXPECT_TRUE(a.startsWith(TempDirectory() + "Pim"));
    EXPECT_TRUE(a.endsWith(".tmp"));
    QFile::remove(a);
    QFile::remove(b);
}

TEST(Streams, AbsurdSizesAndCountsRaiseTheStreamErrors) {
    TMemoryStream s;
    s.WriteUInt32(1);
    TMemoryStream t;
    EXPECT_THROW(t.CopyFrom(s, -1), EReadError);
    s.SetPosition(int64_t(1) << 62);
    EXPECT_THROW(s.WriteUInt8(1), EWriteError);
    EXPECT_EQ(s.Size(), 4);
}

TEST(Streams, ATemporaryFilePrefixCannotLeaveTheTemporaryDirectory) {
    EXPECT_THROW(CreateTempFileName("../Pim"), EFCreateError);
    EXPECT_THROW(CreateTempFileName("sub/Pim"), EFCreateError);
}

namespace {

QByteArray ReadAll(const QString& Name) {
    QFile File(Name);
    return File.open(QIODevice::ReadOnly) ? File.readAll() : QByteArray();
}

void WriteAll(const QString& Name, const QByteArray& Bytes) {
    QFile File(Name);
    ASSERT_TRUE(File.open(QIODevice::WriteOnly));
    ASSERT_EQ(File.write(Bytes), Bytes.size());
}

} // namespace

TEST(Streams, AFileThatCannotBeReadOrWrittenIsNamedWithTheCause) {
    QTemporaryDir Dir;
    const QString Short = Dir.filePath(QStringLiteral("short.rep"));
    WriteAll(Short, "abc");
    const QString Folder = Dir.path();
    const struct {
        const char* What;
        std::function<void()> Action;
        QString Message;
    } Cases[] = {
        {"a folder opened as a file", [&] { TFileStream(Folder, fmOpenRead); },
         QStringLiteral("Cannot open file \"%1\". Is a directory").arg(Folder)},
        {"a read past the end of a file",
         [&] {
             TFileStream File(Short, fmOpenRead);
             File.ReadUInt32();
         },
         QStringLiteral("Cannot read file \"%1\". The file is damaged or cut short").arg(Short)},
        {"a write to a file open for reading",
         [&] {
             TFileStream File(Short, fmOpenRead);
             File.WriteUInt8(1);
         },
         QStringLiteral("Cannot write file \"%1\". Bad file descriptor").arg(Short)},
        {"a read past the end of memory",
         [] {
             TMemoryStream Memory;
             Memory.ReadUInt32();
         },
         QStringLiteral("Stream read error")},
    };
    for (const auto& C : Cases) {
        QString Message;
        try {
            C.Action();
        } catch (const EStreamError& E) {
            Message = E.Message();
        }
        EXPECT_EQ(Message, C.Message) << C.What;
    }
}

TEST(Streams, AWholeFileTakesItsTargetsPlaceOnlyWhenCommitted) {
    QTemporaryDir Dir;
    const QString Name = Dir.filePath(QStringLiteral("doc.pim"));
    WriteAll(Name, "earlier");
    {
        TWholeFileStream File(Name);
        File.WriteBuffer("new bytes", 9);
        File.SetPosition(0);
        File.WriteBuffer("N", 1);
        EXPECT_EQ(ReadAll(Name), QByteArray("earlier")); // written beside it
        EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files).size(), 2);
    }
    EXPECT_EQ(ReadAll(Name), QByteArray("earlier")); // freed without Commit
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files), QStringList{"doc.pim"});
    {
        TWholeFileStream File(Name);
        File.WriteBuffer("new bytes", 9);
        File.SetPosition(0);
        File.WriteBuffer("N", 1);
        File.Commit();
    }
    EXPECT_EQ(ReadAll(Name), QByteArray("New bytes"));
    EXPECT_EQ(QFileInfo(Name).permissions() & QFile::WriteOwner, QFile::WriteOwner);
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files), QStringList{"doc.pim"});
    try {
        TWholeFileStream File(Dir.filePath(QStringLiteral("no such folder/doc.pim")));
        FAIL() << "made";
    } catch (const EFCreateError& E) {
        EXPECT_EQ(E.Message(), QStringLiteral("Cannot create file \"%1\". No such file or directory")
                                   .arg(Dir.filePath(QStringLiteral("no such folder/doc.pim"))));
    }
}

TEST(Streams, AWholeFileThatDoesNotFitTheDiskLeavesTheEarlierFileByteForByte) {
    TSmallDisk Disk(256 * 1024);
    if (!Disk.Available()) GTEST_SKIP() << Disk.Why().toStdString();
    const QString Name = Disk.Path(QStringLiteral("doc.pim"));
    QByteArray Earlier(70 * 1024, '\0');
    for (int i = 0; i < Earlier.size(); ++i)
        Earlier[i] = char(i * 7);
    WriteAll(Name, Earlier);
    Disk.Fill(100 * 1024);
    const QByteArray Big(1024 * 1024, 'b');
    {
        // The write that finds the disk full raises, as every stream does.
        TWholeFileStream File(Name);
        EXPECT_THROW(File.WriteBuffer(Big.constData(), Big.size()), EWriteError);
    }
    EXPECT_EQ(ReadAll(Name), Earlier);
    EXPECT_EQ(Disk.Files(), QStringList{"doc.pim"});
    {
        // A writer that does not look at its writes hears of the failure when it commits.
        TWholeFileStream File(Name);
        File.Write(Big.constData(), Big.size());
        try {
            File.Commit();
            FAIL() << "committed";
        } catch (const EWriteError& E) {
            EXPECT_EQ(E.Message(),
                      QStringLiteral("Cannot write file \"%1\". No space left on device").arg(Name));
        }
    }
    EXPECT_EQ(ReadAll(Name), Earlier);
    EXPECT_EQ(Disk.Files(), QStringList{"doc.pim"});
}
