#include "output/PimStr.h"
#include "host/exceptions.h"
#include "host/tempfiles.h"

#include <QFile>

#include <algorithm>

int PimMaximumMemoryUsage = 512000;

namespace {
// Reads from the file part go through a buffer of at least this many bytes.
constexpr int64_t ReadBufferSize = 10000;
} // namespace

TPimStream::TPimStream()
    : FMemoryStream(std::make_unique<TMemoryStream>()), FMaxMemUsage(PimMaximumMemoryUsage),
      FBufferStream(std::make_unique<TMemoryStream>()) {}

TPimStream::~TPimStream() { Clear(); }

void TPimStream::InvalidateBuffer() {
    FBufferStream->SetSize(0);
    FBufferStart = 0;
    FBufferEnd = 0;
}

void TPimStream::Clear() {
    FStreamPos = 0;
    FStreamSize = 0;
    FMemoryStream->Clear();
    FBufferStream->Clear();
    FBufferStart = 0;
    FBufferEnd = 0;
    if (FFileStream) {
        FFileStream.reset();
        QFile::remove(FTempFileName);
        FTempFileName.clear();
        FFileStreamSize = 0;
    }
}

TFileStream* TPimStream::GetFileStream() {
    if (!FFileStream) FFileStream = CreateTempFileStream(FTempFileName);
    return FFileStream.get();
}

void TPimStream::Update() {
    if (FMemoryStream->Size() > FMaxMemUsage) DumpToFile();
}

void TPimStream::DumpToFile() {
    if (FMemoryStream->Size() == 0) return;
    TFileStream* File = GetFileStream();
    File->Seek(FFileStreamSize, soBeginning);
    File->WriteBuffer(FMemoryStream->Memory(), FMemoryStream->Size());
    // Keep the memory part's capacity: recording goes on appending at once.
    FMemoryStream->SetSize(0);
    FMemoryStream->SetPosition(0);
    FFileStreamSize = FStreamSize;
}

int64_t TPimStream::Write(const void* Buffer, int64_t Count) {
    if (Count <= 0 || FStreamPos < 0) return 0;
    Update();
    if (FStreamPos == FStreamSize && FStreamPos >= FFileStreamSize) {
        // Recording appends record after record: straight onto the end of the memory part.
        FMemoryStream->Append(Buffer, Count);
        FStreamSize += Count;
        FStreamPos = FStreamSize;
        return Count;
    }
    int64_t Result;
    if (!FFileStream) {
        FMemoryStream->SetPosition(FStreamPos);
        Result = FMemoryStream->Write(Buffer, Count);
        FStreamPos = FMemoryStream->Position();
        FStreamSize = FMemoryStream->Size();
    } else if (FStreamPos < FFileStreamSize) {
        // Writing into the file part: put the whole stream in the file first, so that the two
        // parts never overlap, then write there. The file may grow past its old end.
        DumpToFile();
        FFileStream->Seek(FStreamPos, soBeginning);
        Result = FFileStream->Write(Buffer, Count);
        FStreamPos = FFileStream->Position();
        FStreamSize = std::max(FStreamSize, FFileStream->Size());
        FFileStreamSize = FStreamSize;
        InvalidateBuffer();
    } else {
        FMemoryStream->SetPosition(FStreamPos - FFileStreamSize);
        Result = FMemoryStream->Write(Buffer, Count);
        FStreamSize = FMemoryStream->Size() + FFileStreamSize;
        FStreamPos = FMemoryStream->Position() + FFileStreamSize;
    }
    return Result;
}

int64_t TPimStream::Read(void* Buffer, int64_t Count) {
    if (Count <= 0 || FStreamPos < 0 || FStreamPos >= FStreamSize) return 0;
    if (!FFileStream) {
        FMemoryStream->SetPosition(FStreamPos);
        const int64_t n = FMemoryStream->Read(Buffer, Count);
        FStreamPos = FMemoryStream->Position();
        return n;
    }
    if (FStreamPos < FFileStreamSize) {
        // A read that begins in the file part never has to span the two parts.
        if (FMemoryStream->Size() > 0) DumpToFile();
        const bool Inside = FBufferEnd > FBufferStart && FStreamPos >= FBufferStart && FStreamPos < FBufferEnd &&
                            (FStreamPos + Count <= FBufferEnd || FBufferEnd == FFileStreamSize);
        if (!Inside) {
            const int64_t n = std::min(std::max(Count, ReadBufferSize), FFileStreamSize - FStreamPos);
            FBufferStream->SetSize(n);
            FFileStream->Seek(FStreamPos, soBeginning);
            FFileStream->ReadBuffer(FBufferStream->Memory(), n);
            FBufferStart = FStreamPos;
            FBufferEnd = FStreamPos + n;
        }
        FBufferStream->SetPosition(FStreamPos - FBufferStart);
        const int64_t n = FBufferStream->Read(Buffer, Count);
        FStreamPos += n;
        return n;
    }
    FMemoryStream->SetPosition(FStreamPos - FFileStreamSize);
    const int64_t n = FMemoryStream->Read(Buffer, Count);
    FStreamPos = FFileStreamSize + FMemoryStream->Position();
    return n;
}

int64_t TPimStream::Seek(int64_t Offset, TSeekOrigin Origin) {
    switch (Origin) {
    case soBeginning: FStreamPos = Offset; break;
    case soCurrent: FStreamPos += Offset; break;
    case soEnd: FStreamPos = FStreamSize + Offset; break;
    }
    return FStreamPos;
}

void TPimStream::SetSize(int64_t) { throw EStreamError(QStringLiteral("Stream size cannot be set")); }
