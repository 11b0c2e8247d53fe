#include "host/streams.h"
#include "host/exceptions.h"

#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

TStream::~TStream() = default;

int64_t TStream::Position() { return Seek(0, soCurrent); }

int64_t TStream::Size() {
    const int64_t Pos = Seek(0, soCurrent);
    const int64_t Result = Seek(0, soEnd);
    Seek(Pos, soBeginning);
    return Result;
}

void TStream::ReadBuffer(void* Buffer, int64_t Count) {
    if (Count == 0) return;
    if (Count < 0) RaiseReadError(0);
    errno = 0;
    if (Read(Buffer, Count) != Count) RaiseReadError(errno);
}

void TStream::WriteBuffer(const void* Buffer, int64_t Count) {
    if (Count == 0) return;
    if (Count < 0) RaiseWriteError(0);
    errno = 0;
    if (Write(Buffer, Count) != Count) RaiseWriteError(errno);
}

void TStream::RaiseReadError(int) {
    throw EReadError(QStringLiteral("Stream read error"));
}

void TStream::RaiseWriteError(int) {
    throw EWriteError(QStringLiteral("Stream write error"));
}

namespace {

QString SystemReason(int Error) {
    return QString::fromLocal8Bit(std::strerror(Error));
}

} // namespace

void RaiseFileReadError(const QString& FileName, int Error) {
    throw EReadError(
        QStringLiteral("Cannot read file \"%s\". %s"),
        {FileName, Error != 0 ? SystemReason(Error) : QStringLiteral("The file is damaged or cut short")});
}

void RaiseFileWriteError(const QString& FileName, int Error) {
    // A write that stopped short without a reason from the system is a failed write all the same.
    throw EWriteError(QStringLiteral("Cannot write file \"%s\". %s"),
                      {FileName, SystemReason(Error != 0 ? Error : EIO)});
}

int64_t TStream::CopyFrom(TStream& Source, int64_t Count) {
    if (Count < 0) throw EReadError(QStringLiteral("Stream read error"));
    if (Count == 0) {
        Source.SetPosition(0);
        Count = Source.Size();
    }
    const int64_t Result = Count;
    std::vector<uint8_t> Buffer(static_cast<size_t>(std::min<int64_t>(Count, 61440)));
    while (Count > 0) {
        const int64_t n = std::min<int64_t>(Count, static_cast<int64_t>(Buffer.size()));
        Source.ReadBuffer(Buffer.data(), n);
        WriteBuffer(Buffer.data(), n);
        Count -= n;
    }
    return Result;
}

void PutUInt16LE(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
void PutUInt32LE(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
void PutUInt64LE(uint8_t* p, uint64_t v) {
    for (int i = 0; i < 8; ++i) p[i] = uint8_t(v >> (8 * i));
}
uint16_t GetUInt16LE(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t GetUInt32LE(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
uint64_t GetUInt64LE(const uint8_t* p) { return uint64_t(GetUInt32LE(p)) | (uint64_t(GetUInt32LE(p + 4)) << 32); }

uint8_t TStream::ReadUInt8() {
    uint8_t b;
    ReadBuffer(&b, 1);
    return b;
}
int8_t TStream::ReadInt8() { return static_cast<int8_t>(ReadUInt8()); }
uint16_t TStream::ReadUInt16() {
    uint8_t b[2];
    ReadBuffer(b, 2);
    return GetUInt16LE(b);
}
int16_t TStream::ReadInt16() { return static_cast<int16_t>(ReadUInt16()); }
uint32_t TStream::ReadUInt32() {
    uint8_t b[4];
    ReadBuffer(b, 4);
    return GetUInt32LE(b);
}
int32_t TStream::ReadInt32() { return static_cast<int32_t>(ReadUInt32()); }
uint64_t TStream::ReadUInt64() {
    uint8_t b[8];
    ReadBuffer(b, 8);
    return GetUInt64LE(b);
}
int64_t TStream::ReadInt64() { return static_cast<int64_t>(ReadUInt64()); }
float TStream::ReadSingle() {
    const uint32_t u = ReadUInt32();
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}
double TStream::ReadDouble() {
    const uint64_t u = ReadUInt64();
    double d;
    std::memcpy(&d, &u, 8);
    return d;
}

void TStream::WriteUInt8(uint8_t Value) { WriteBuffer(&Value, 1); }
void TStream::WriteUInt16(uint16_t Value) {
    uint8_t b[2];
    PutUInt16LE(b, Value);
    WriteBuffer(b, 2);
}
void TStream::WriteUInt32(uint32_t Value) {
    uint8_t b[4];
    PutUInt32LE(b, Value);
    WriteBuffer(b, 4);
}
void TStream::WriteUInt64(uint64_t Value) {
    uint8_t b[8];
    PutUInt64LE(b, Value);
    WriteBuffer(b, 8);
}
void TStream::WriteSingle(float Value) {
    uint32_t u;
    std::memcpy(&u, &Value, 4);
    WriteUInt32(u);
}
void TStream::WriteDouble(double Value) {
    uint64_t u;
    std::memcpy(&u, &Value, 8);
    WriteUInt64(u);
}

// ---- TMemoryStream

TMemoryStream::TMemoryStream() = default;
TMemoryStream::~TMemoryStream() = default;

int64_t TMemoryStream::Read(void* Buffer, int64_t Count) {
    if (Count <= 0 || FPosition < 0 || FPosition >= FSize) return 0;
    const int64_t n = std::min(Count, FSize - FPosition);
    std::memcpy(Buffer, FData.data() + FPosition, static_cast<size_t>(n));
    FPosition += n;
    return n;
}

int64_t TMemoryStream::Write(const void* Buffer, int64_t Count) {
    if (Count <= 0 || FPosition < 0) return 0;
    const int64_t End = FPosition + Count;
    if (End > FSize) {
        Grow(End);
        // A write that starts past the end leaves a gap; it reads back as zeros, not as old bytes.
        if (FPosition > FSize) std::memset(FData.data() + FSize, 0, static_cast<size_t>(FPosition - FSize));
        FSize = End;
    }
    std::memcpy(FData.data() + FPosition, Buffer, static_cast<size_t>(Count));
    FPosition = End;
    return Count;
}

int64_t TMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin) {
    switch (Origin) {
    case soBeginning: FPosition = Offset; break;
    case soCurrent: FPosition += Offset; break;
    case soEnd: FPosition = FSize + Offset; break;
    }
    return FPosition;
}

void TMemoryStream::Grow(int64_t NewSize) {
    if (NewSize <= static_cast<int64_t>(FData.size())) return;
    // Grow by a quarter at least, so a stream written piece by piece is not copied each time.
    const int64_t Wanted = std::max<int64_t>(NewSize, static_cast<int64_t>(FData.size()) * 5 / 4 + 8192);
    try {
        // Past a terabyte the request can only be a wild position, never data the system holds.
        if (Wanted > (int64_t(1) << 40)) throw std::length_error("memory stream");
        FData.resize(static_cast<size_t>(Wanted));
    } catch (const std::exception&) {
        // A position far past the end asks for more than the machine has: say so in the system's words.
        throw EWriteError(QStringLiteral("Out of memory while expanding memory stream"));
    }
}

void TMemoryStream::SetSize(int64_t NewSize) {
    if (NewSize < 0) throw EStreamError(QStringLiteral("Stream write error"));
    const int64_t Old = FSize;
    Grow(NewSize);
    if (NewSize > Old) std::memset(FData.data() + Old, 0, static_cast<size_t>(NewSize - Old));
    FSize = NewSize;
    if (FPosition > NewSize) FPosition = NewSize;
}

void TMemoryStream::Clear() {
    FData.clear();
    FData.shrink_to_fit();
    FSize = 0;
    FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream& Stream) {
    Stream.SetPosition(0);
    const int64_t n = Stream.Size();
    SetSize(n);
    if (n) Stream.ReadBuffer(FData.data(), n);
    FPosition = 0;
}

void TMemoryStream::SaveToStream(TStream& Stream) const {
    if (FSize) Stream.WriteBuffer(FData.data(), FSize);
}

void TMemoryStream::LoadFromFile(const QString& FileName) {
    TFileStream f(FileName, fmOpenRead | fmShareDenyNone);
    LoadFromStream(f);
}

void TMemoryStream::SaveToFile(const QString& FileName) const {
    TFileStream f(FileName, fmCreate);
    SaveToStream(f);
}

// ---- TFileStream

TFileStream::TFileStream(const QString& FileName, uint16_t Mode) : FFileName(FileName) {
    const QByteArray Path = QFile::encodeName(FileName);
    if (Mode == fmCreate || (Mode & 0xFF00) == fmCreate) {
        FHandle = ::open(Path.constData(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (FHandle < 0)
            throw EFCreateError(QStringLiteral("Cannot create file \"%s\". %s"),
                                {FileName, SystemReason(errno)});
        return;
    }
    int Flags = O_CLOEXEC;
    switch (Mode & 3) {
    case fmOpenWrite: Flags |= O_WRONLY; break;
    case fmOpenReadWrite: Flags |= O_RDWR; break;
    default: Flags |= O_RDONLY; break;
    }
    FHandle = ::open(Path.constData(), Flags);
    int Error = FHandle < 0 ? errno : 0;
    // A folder opens for reading, and would only fail at the first read, as if it were damaged.
    struct stat Info {};
    if (Error == 0 && ::fstat(FHandle, &Info) == 0 && S_ISDIR(Info.st_mode)) {
        ::close(FHandle);
        FHandle = -1;
        Error = EISDIR;
    }
    if (Error != 0)
        throw EFOpenError(QStringLiteral("Cannot open file \"%s\". %s"), {FileName, SystemReason(Error)});
}

TFileStream::TFileStream(int Handle, const QString& FileName) : FHandle(Handle), FFileName(FileName) {}

TFileStream::~TFileStream() {
    if (FHandle >= 0) ::close(FHandle);
}

int64_t TFileStream::Read(void* Buffer, int64_t Count) {
    int64_t Done = 0;
    auto* p = static_cast<char*>(Buffer);
    while (Done < Count) {
        const ssize_t n = ::read(FHandle, p + Done, static_cast<size_t>(Count - Done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        Done += n;
    }
    return Done;
}

int64_t TFileStream::Write(const void* Buffer, int64_t Count) {
    int64_t Done = 0;
    const auto* p = static_cast<const char*>(Buffer);
    while (Done < Count) {
        const ssize_t n = ::write(FHandle, p + Done, static_cast<size_t>(Count - Done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        Done += n;
    }
    return Done;
}

int64_t TFileStream::Seek(int64_t Offset, TSeekOrigin Origin) {
    const int Whence = Origin == soBeginning ? SEEK_SET : Origin == soCurrent ? SEEK_CUR : SEEK_END;
    const off_t r = ::lseek(FHandle, static_cast<off_t>(Offset), Whence);
    if (r < 0) throw EStreamError(QStringLiteral("Stream seek error"));
    return r;
}

void TFileStream::SetSize(int64_t NewSize) {
    if (::ftruncate(FHandle, static_cast<off_t>(NewSize)) != 0) RaiseWriteError(errno);
    if (Position() > NewSize) Seek(NewSize, soBeginning);
}

void TFileStream::RaiseReadError(int Error) {
    RaiseFileReadError(FFileName, Error);
}

void TFileStream::RaiseWriteError(int Error) {
    RaiseFileWriteError(FFileName, Error);
}

// TWholeFileStream

namespace {

[[noreturn]] void RaiseCreateError(const QString& FileName, int Error) {
    throw EFCreateError(QStringLiteral("Cannot create file \"%s\". %s"), {FileName, SystemReason(Error)});
}

// Makes the new file beside Target under a name no other file has. It is created as any new file is,
// so the umask gives its permissions: a private file put in place would hide a report from the
// group and others who could read the file it replaced or any other new file.
int CreatePartFile(const QByteArray& Target, QByteArray& Part) {
    static constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int Attempt = 0; Attempt < 100; ++Attempt) {
        Part = Target + '.';
        for (int i = 0; i < 6; ++i)
            Part += Letters[QRandomGenerator::global()->bounded(int(sizeof Letters) - 1)];
        const int Handle = ::open(Part.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (Handle >= 0 || errno != EEXIST) return Handle;
    }
    errno = EEXIST;
    return -1;
}

} // namespace

TWholeFileStream::TWholeFileStream(const QString& FileName) : FFileName(FileName) {
    const QByteArray Target = QFile::encodeName(FileName);
    QByteArray Part;
    const int Handle = CreatePartFile(Target, Part);
    if (Handle < 0) RaiseCreateError(FileName, errno);
    FPart = std::make_unique<TFileStream>(Handle, QFile::decodeName(Part));
    // A file written again keeps its permissions, as one overwritten in place would.
    struct stat Earlier {};
    if (::stat(Target.constData(), &Earlier) == 0 && S_ISREG(Earlier.st_mode))
        ::fchmod(Handle, Earlier.st_mode & 0777);
}

TWholeFileStream::~TWholeFileStream() {
    Discard();
}

int64_t TWholeFileStream::Read(void* Buffer, int64_t Count) {
    return FPart ? FPart->Read(Buffer, Count) : 0;
}

int64_t TWholeFileStream::Write(const void* Buffer, int64_t Count) {
    if (!FPart) return 0;
    errno = 0;
    const int64_t Done = FPart->Write(Buffer, Count);
    // Kept for Commit: a writer that does not look at what each write did still fails there.
    if (Done < Count && FWriteError == 0) FWriteError = errno != 0 ? errno : EIO;
    return Done;
}

void TWholeFileStream::RaiseReadError(int Error) {
    RaiseFileReadError(FFileName, Error);
}

void TWholeFileStream::RaiseWriteError(int Error) {
    RaiseFileWriteError(FFileName, FWriteError != 0 ? FWriteError : Error);
}

int64_t TWholeFileStream::Seek(int64_t Offset, TSeekOrigin Origin) {
    if (!FPart) throw EStreamError(QStringLiteral("Stream seek error"));
    return FPart->Seek(Offset, Origin);
}

void TWholeFileStream::SetSize(int64_t NewSize) {
    if (!FPart) throw EStreamError(QStringLiteral("Stream write error"));
    FPart->SetSize(NewSize);
}

void TWholeFileStream::Commit() {
    if (!FPart) throw EWriteError(QStringLiteral("Stream write error"));
    if (FWriteError == 0 && ::fsync(FPart->Handle()) != 0) FWriteError = errno;
    if (FWriteError != 0) {
        const int Error = FWriteError;
        Discard();
        RaiseFileWriteError(FFileName, Error);
    }
    const QString PartName = FPart->FileName();
    FPart.reset();
    if (::rename(QFile::encodeName(PartName).constData(), QFile::encodeName(FFileName).constData()) != 0) {
        const int Error = errno;
        QFile::remove(PartName);
        RaiseCreateError(FFileName, Error);
    }
}

void TWholeFileStream::Discard() noexcept {
    if (!FPart) return;
    const QString PartName = FPart->FileName();
    FPart.reset();
    QFile::remove(PartName);
}

void WriteWholeFile(const QString& FileName, const QByteArray& Bytes) {
    TWholeFileStream File(FileName);
    File.WriteBuffer(Bytes.constData(), Bytes.size());
    File.Commit();
}
