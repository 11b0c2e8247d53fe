#pragma once
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

enum TSeekOrigin : uint8_t { soBeginning, soCurrent, soEnd };

// File open modes, as the stream constructors take them.
enum : uint16_t {
    fmOpenRead = 0x0000,
    fmOpenWrite = 0x0001,
    fmOpenReadWrite = 0x0002,
    fmShareDenyNone = 0x0040,
    fmCreate = 0xFF00,
};

// A byte stream with a position. Read and Write move as far as they can and say how far;
// ReadBuffer and WriteBuffer insist on the whole count and raise otherwise. All numbers in the
// system's files are little-endian, whatever the machine.
class TStream {
public:
    virtual ~TStream();

    virtual int64_t Read(void* Buffer, int64_t Count) = 0;
    virtual int64_t Write(const void* Buffer, int64_t Count) = 0;
    virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin) = 0;

    int64_t Position();
    void SetPosition(int64_t Value) { Seek(Value, soBeginning); }
    virtual int64_t Size();
    virtual void SetSize(int64_t NewSize) = 0;

    void ReadBuffer(void* Buffer, int64_t Count);
    void WriteBuffer(const void* Buffer, int64_t Count);
    // What a read or a write that fell short raises. Error is the system's reason (errno), 0 when
    // there is none: the data simply ended. A stream over a file names the file and the reason.
    [[noreturn]] virtual void RaiseReadError(int Error);
    [[noreturn]] virtual void RaiseWriteError(int Error);
    // Copies Count bytes from Source's position; Count 0 copies all of Source from its start.
    int64_t CopyFrom(TStream& Source, int64_t Count);

    uint8_t ReadUInt8();
    int8_t ReadInt8();
    uint16_t ReadUInt16();
    int16_t ReadInt16();
    uint32_t ReadUInt32();
    int32_t ReadInt32();
    uint64_t ReadUInt64();
    int64_t ReadInt64();
    float ReadSingle();
    double ReadDouble();

    void WriteUInt8(uint8_t Value);
    void WriteInt8(int8_t Value) { WriteUInt8(static_cast<uint8_t>(Value)); }
    void WriteUInt16(uint16_t Value);
    void WriteInt16(int16_t Value) { WriteUInt16(static_cast<uint16_t>(Value)); }
    void WriteUInt32(uint32_t Value);
    void WriteInt32(int32_t Value) { WriteUInt32(static_cast<uint32_t>(Value)); }
    void WriteUInt64(uint64_t Value);
    void WriteInt64(int64_t Value) { WriteUInt64(static_cast<uint64_t>(Value)); }
    void WriteSingle(float Value);
    void WriteDouble(double Value);
};

// The errors of a file that could not be read or written, naming the file and the system's reason
// (Error 0 when reading: the file ends before the data it should hold). Every reader and writer of
// whole files raises these, so that the user learns which file failed and why.
[[noreturn]] void RaiseFileReadError(const QString& FileName, int Error);
[[noreturn]] void RaiseFileWriteError(const QString& FileName, int Error);

// Little-endian packing into and out of plain byte buffers, for records built in memory.
void PutUInt16LE(uint8_t* p, uint16_t v);
void PutUInt32LE(uint8_t* p, uint32_t v);
void PutUInt64LE(uint8_t* p, uint64_t v);
uint16_t GetUInt16LE(const uint8_t* p);
uint32_t GetUInt32LE(const uint8_t* p);
uint64_t GetUInt64LE(const uint8_t* p);

// A stream held in memory; Memory() stays valid until the next write or size change.
class TMemoryStream : public TStream {
public:
    TMemoryStream();
    ~TMemoryStream() override;

    int64_t Read(void* Buffer, int64_t Count) override;
    int64_t Write(const void* Buffer, int64_t Count) override;
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    int64_t Size() override { return FSize; }
    void SetSize(int64_t NewSize) override;

    void Clear();
    uint8_t* Memory() { return FData.data(); }
    const uint8_t* Memory() const { return FData.data(); }
    // Writes Count bytes at the end and leaves the position after them: a stream recorded piece by
    // piece does this at every piece.
    void Append(const void* Buffer, int64_t Count) {
        if (Count <= 0) return;
        if (FSize + Count > static_cast<int64_t>(FData.size())) Grow(FSize + Count);
        uint8_t* To = FData.data() + FSize;
        const auto* From = static_cast<const uint8_t*>(Buffer);
        // Most records are a few dozen bytes: copied in place rather than through a call.
        if (Count <= 64)
            for (int64_t i = 0; i < Count; ++i)
                To[i] = From[i];
        else
            std::memcpy(To, From, static_cast<size_t>(Count));
        FSize += Count;
        FPosition = FSize;
    }
    void LoadFromStream(TStream& Stream);
    void SaveToStream(TStream& Stream) const;
    void LoadFromFile(const QString& FileName);
    void SaveToFile(const QString& FileName) const;

private:
    void Grow(int64_t NewSize);

    std::vector<uint8_t> FData;
    int64_t FSize = 0;
    int64_t FPosition = 0;
};

// A stream over a file on disk.
class TFileStream : public TStream {
public:
    TFileStream(const QString& FileName, uint16_t Mode);
    // Takes over a descriptor that is already open (a temporary file made safely, say).
    TFileStream(int Handle, const QString& FileName);
    ~TFileStream() override;

    int64_t Read(void* Buffer, int64_t Count) override;
    int64_t Write(const void* Buffer, int64_t Count) override;
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    void SetSize(int64_t NewSize) override;
    [[noreturn]] void RaiseReadError(int Error) override;
    [[noreturn]] void RaiseWriteError(int Error) override;

    const QString& FileName() const { return FFileName; }
    int Handle() const { return FHandle; }

private:
    int FHandle = -1;
    QString FFileName;
};

// A file written whole or not at all. The bytes go to a new file beside FileName (in the same
// folder, so that putting it in place cannot cross file systems), and Commit puts it in FileName's
// place once every byte is on the disk. Freed without Commit, or when Commit fails, the new file is
// removed and whatever stood at FileName before stays as it was, byte for byte. The finished file
// has the permissions of the file it replaces, or those any new file gets (the umask applied).
class TWholeFileStream : public TStream {
public:
    // Raises EFCreateError when the folder does not take a new file.
    explicit TWholeFileStream(const QString& FileName);
    ~TWholeFileStream() override;

    // Reads back what was written, for a writer that moves its bytes.
    int64_t Read(void* Buffer, int64_t Count) override;
    int64_t Write(const void* Buffer, int64_t Count) override;
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    void SetSize(int64_t NewSize) override;
    // Both name FileName, not the file being written beside it.
    [[noreturn]] void RaiseReadError(int Error) override;
    [[noreturn]] void RaiseWriteError(int Error) override;

    // Raises EWriteError with the file's name and the system's reason when a write failed or the
    // bytes did not reach the disk, EFCreateError when the file cannot take FileName's place.
    void Commit();
    const QString& FileName() const { return FFileName; }

private:
    void Discard() noexcept;

    QString FFileName;
    std::unique_ptr<TFileStream> FPart; // the file being written beside FileName
    int FWriteError = 0;                // the system's error of the first write that failed
};

// Writes Bytes as the whole of FileName, through a TWholeFileStream.
void WriteWholeFile(const QString& FileName, const QByteArray& Bytes);
