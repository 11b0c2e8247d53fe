#pragma once
#include "host/streams.h"

#include <QString>
#include <memory>

// Memory limit each new spilling stream starts with; 512000 bytes at start-up.
extern int PimMaximumMemoryUsage;

// The page stream of a recorded document. It keeps its tail in memory and moves everything
// before it into a temporary file once the memory part grows past MaxMemUsage, so a report of
// any length records in bounded memory. Tuned for appending at the end and reading forward.
class TPimStream : public TStream {
public:
    TPimStream();
    ~TPimStream() override;

    int64_t Read(void* Buffer, int64_t Count) override;
    int64_t Write(const void* Buffer, int64_t Count) override;
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    int64_t Size() override { return FStreamSize; }
    // The size follows what was written; it cannot be set.
    void SetSize(int64_t NewSize) override;

    void Clear();
    // The temporary file, made on the first call.
    TFileStream* GetFileStream();
    // Whether part of the stream has moved to disk; asks without making the file.
    bool HasFileStream() const { return FFileStream != nullptr; }
    void Update();
    void DumpToFile();

    int MaxMemUsage() const { return FMaxMemUsage; }
    void SetMaxMemUsage(int Value) { FMaxMemUsage = Value; }
    const QString& TempFileName() const { return FTempFileName; }
    int64_t FileStreamSize() const { return FFileStreamSize; }
    int64_t MemorySize() { return FMemoryStream->Size(); }

private:
    void InvalidateBuffer();

    std::unique_ptr<TMemoryStream> FMemoryStream;
    std::unique_ptr<TFileStream> FFileStream;
    QString FTempFileName;
    int64_t FStreamPos = 0;
    int64_t FStreamSize = 0;
    int FMaxMemUsage = 0;
    int64_t FFileStreamSize = 0;
    std::unique_ptr<TMemoryStream> FBufferStream;
    int64_t FBufferStart = 0;
    int64_t FBufferEnd = 0;
};
