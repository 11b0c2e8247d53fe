#include "output/PimFile.h"

#include "host/encoding.h"
#include "host/exceptions.h"
#include "host/streams.h"
#include "output/PimFileInternal.h"

#include <algorithm>
#include <cstring>
#include <vector>

using namespace PimFileInternal;

// ---------------------------------------------------------------------------------------------
// TPimPimFile: writing the document file

void TPimPimFile::WriteFileTo(const QString& FileName, const TPimPrinterSetup& Setup) {
    // A document that cannot be written whole leaves the earlier file as it was.
    TWholeFileStream File(FileName);
    WriteDocument(File, Setup);
    File.Commit();
}

void TPimPimFile::SetDescriptionField() {
    PimSetWideField(PimFileHeader.Description, PimDescriptionLength + 1,
                    FDescription.left(PimDescriptionLength));
}

void TPimPimFile::WriteDocument(TStream& Target, const TPimPrinterSetup& Setup) {
    const int64_t Start = Target.Position();
    WriteFileHeader(Target);
    PimWriteFileInfo(Target, PimFileInfo);
    WriteSetupPart(Target, Setup);
    WriteWholeStream(Target, *FUserStream);
    for (int i = 0; i < PageCount(); ++i)
        Target.WriteInt32(PagePosition(i)->Pos);
    if (FObjects)
        for (const auto& Object : *FObjects)
            WriteObjectEntry(Target, *Object);
    PimFileHeader.HeaderLen = int32_t(Target.Position() - Start);
    Target.SetPosition(Start);
    WriteFileHeader(Target);
    Target.Seek(0, soEnd);
    if (FStream && FStream->Size() > 0) {
        const int64_t Pos = FStream->Position();
        FStream->SetPosition(0);
        Target.CopyFrom(*FStream, FStream->Size());
        FStream->SetPosition(Pos);
    }
}

void TPimPimFile::SaveToFile(const QString& FileName) {
    if (FRunning || !FStream) return;
    // The same path as a job's own file, so a file that cannot be written whole is not left behind.
    SetDescriptionField();
    WriteFileTo(FileName, *FPimPrinterSetup);
}

void TPimPimFile::SaveToStream(TStream& SaveStream) {
    if (FRunning || !FStream) return;
    SetDescriptionField();
    WriteDocument(SaveStream, *FPimPrinterSetup);
}

// ---------------------------------------------------------------------------------------------
// The document file

namespace {

const char* const SVersionNotSupported = "This PIM File Version is not supported";

// A loaded file is untrusted: a count, length or offset that reaches past what the stream holds is a
// file cut short or damaged, reported as the short read it would otherwise become (naming the file,
// when the stream is one), before anything is allocated for it.
int64_t Remaining(TStream& S) {
    return S.Size() - S.Position();
}

void CheckAvailable(TStream& S, int64_t Count) {
    if (Count < 0 || Count > Remaining(S)) S.RaiseReadError(0);
}

// Far beyond any paper, and small enough that a page's size in units of any resolution fits an
// Integer.
constexpr double MaxPaperInches = 32767.0;

// The 36-byte printer info of files before 3.0: the 37-byte form without its collation byte.
void WriteOldPrinterInfo(TStream& Target, const TPimFilePrinterInfo& Info) {
    TMemoryStream Full;
    PimWriteFilePrinterInfo(Full, Info);
    Target.WriteBuffer(Full.Memory(), PimOldPrinterInfoSize);
}

} // namespace

void PimFileInternal::CheckPaperSize(const TPimFilePrinterInfo& Info, TStream& From) {
    // Written so that a size that is not a number fails too.
    if (!(Info.Length >= 0 && Info.Length <= MaxPaperInches && Info.Width >= 0 &&
          Info.Width <= MaxPaperInches))
        From.RaiseReadError(0);
}

void TPimPimFile::LoadFromFile(const QString& FileName) {
    TFileStream File(FileName, fmOpenRead | fmShareDenyNone);
    LoadFromStream(File);
}

void TPimPimFile::LoadFromStream(TStream& LoadStream) {
    // A document still recording is given up: what it holds is replaced.
    FRunning = false;
    FPimStartPrinterSetup.reset();
    Clear();
    FStream = std::make_unique<TPimStream>();
    FObjects = std::make_unique<TPimPimFileObjects>();
    try {
        ReadDocument(LoadStream);
    } catch (...) {
        // Nothing half-checked may be played or saved.
        Clear();
        throw;
    }
    FPercentDone = 100;
}

void TPimPimFile::ReadDocument(TStream& LoadStream) {
    const int64_t Start = LoadStream.Position();
    TPimFileHeader Header;
    PimReadFileHeaderStart(LoadStream, Header);
    if (Header.Key != PimFileKey) throw Exception(QString::fromLatin1(SNotPimFile));
    // Written so that a version that is not a number is refused too; no version was ever 0 or less, so
    // such a number is damage, not the oldest layout.
    if (!(Header.Version > 0 && Header.Version <= PimFileVersion))
        throw Exception(QString::fromLatin1(SVersionNotSupported));
    if (Header.Version < PimFileVersion) {
        PimReadAnsiFileHeaderRest(LoadStream, Header);
    } else {
        LoadStream.SetPosition(Start);
        PimReadFileHeader(LoadStream, Header);
    }
    PimFileHeader = Header;
    PimReadFileInfo(LoadStream, PimFileInfo);
    ReadSetupPart(LoadStream);

    const int32_t UserSize = LoadStream.ReadInt32();
    CheckAvailable(LoadStream, UserSize);
    if (UserSize > 0) FUserStream->CopyFrom(LoadStream, UserSize);
    FUserStream->SetPosition(0);

    CheckAvailable(LoadStream, int64_t(PimFileInfo.Pages) * 4);
    for (int i = 0; i < PimFileInfo.Pages; ++i)
        AddPage(LoadStream.ReadInt32());
    ReadObjectTable(LoadStream);

    const int64_t PageData = Remaining(LoadStream);
    if (PageData > 0) FStream->CopyFrom(LoadStream, PageData);
    FStream->SetPosition(0);
    CheckPages(LoadStream);
    TakeTitle();
}

void TPimPimFile::ReadSetupPart(TStream& LoadStream) {
    // The setup starts from its defaults, so nothing of a document read before survives in it; the
    // bridge to the printer is kept.
    TPimPrinterSetup Fresh;
    Fresh.PrinterSettings()->Assign(FPimPrinterSetup->PrinterSettings());
    FPimPrinterSetup->Assign(&Fresh);
    const float Version = PimFileHeader.Version;
    if (Version < PimVersionSetupBlock) {
        PimFilePrinterInfo = TPimFilePrinterInfo();
        const bool WithCollate = Version >= PimVersionCollate;
        PimReadFilePrinterInfo(LoadStream, PimFilePrinterInfo, WithCollate);
        if (!WithCollate) PimFilePrinterInfo.CollatedCopies = true;
        CheckPaperSize(PimFilePrinterInfo, LoadStream);
        FPimPrinterSetup->SetPrintInfo(PimFilePrinterInfo);
    } else {
        LoadStream.ReadUInt16();
        FPimPrinterSetup->ReadFromStream(LoadStream);
    }
}

void TPimPimFile::ReadObjectTable(TStream& LoadStream) {
    // Every entry holds at least its kind.
    CheckAvailable(LoadStream, int64_t(PimFileInfo.Objects) * 2);
    const bool Ansi = IsOldFormat();
    FObjects->reserve(PimFileInfo.Objects);
    for (int i = 0; i < PimFileInfo.Objects; ++i) {
        auto Object = std::make_unique<TPimPimFileObject>();
        switch (LoadStream.ReadUInt16()) {
        case TPimPimFileObject::FontCode:
            Object->ObjectType = aotFont;
            if (Ansi)
                PimReadAnsiLogFont(LoadStream, Object->LogFont);
            else
                PimReadLogFont(LoadStream, Object->LogFont);
            break;
        case TPimPimFileObject::PenCode:
            Object->ObjectType = aotPen;
            PimReadLogPen(LoadStream, Object->LogPen);
            break;
        case TPimPimFileObject::BrushCode:
            Object->ObjectType = aotBrush;
            PimReadLogBrush(LoadStream, Object->LogBrush);
            break;
        default:
            Object->ObjectType = aotNone;
            break;
        }
        FObjects->push_back(std::move(Object));
    }
}

namespace {

// Steps over the records of a page, raising Source's read error (that of a damaged file) where a
// record reaches past the end of the page data. The page data is read in large blocks and the
// records are stepped over within them: most are a few bytes, and a document holds many.
class TRecordWalk {
public:
    TRecordWalk(TPimStream& Pages, TStream& Source, float Version)
        : FPages(Pages), FSource(Source), FSize(Pages.Size()), FVersion(Version) {}

    void Start(int32_t Pos) {
        if (Pos < 0) FSource.RaiseReadError(0);
        FPos = Pos;
    }
    uint16_t Word() { return GetUInt16LE(Take(2)); }
    // False for a record of the application's own: its length only its handler knows.
    bool SkipRecord(uint16_t RecType);

private:
    static constexpr int64_t BlockSize = 64 * 1024;

    void Need(int64_t Count) const {
        if (Count < 0 || Count > FSize - FPos) FSource.RaiseReadError(0);
    }
    // The next Count bytes (at most 4), read from the page data when the block does not hold them.
    const uint8_t* Take(int64_t Count) {
        Need(Count);
        if (FPos < FBlockStart || FPos + Count > FBlockStart + int64_t(FBlock.size())) {
            FBlock.resize(size_t(std::min(BlockSize, FSize - FPos)));
            FPages.SetPosition(FPos);
            FPages.ReadBuffer(FBlock.data(), int64_t(FBlock.size()));
            FBlockStart = FPos;
        }
        const uint8_t* P = FBlock.data() + (FPos - FBlockStart);
        FPos += Count;
        return P;
    }
    void Skip(int64_t Count) {
        Need(Count);
        FPos += Count;
    }
    int32_t Long() { return int32_t(GetUInt32LE(Take(4))); }
    // Strings count their bytes, in a Word before version 4.0; runs of characters count UTF-16 units.
    void SkipString() { Skip(FVersion < PimVersionSetupBlock ? Word() : Long()); }
    void SkipChars() { Skip(int64_t(Long()) * 2); }
    void SkipStream() { Skip(Long()); }

    TPimStream& FPages;
    TStream& FSource;
    const int64_t FSize;
    const float FVersion;
    int64_t FPos = 0;
    std::vector<uint8_t> FBlock;
    int64_t FBlockStart = 0;
};

bool TRecordWalk::SkipRecord(uint16_t RecType) {
    constexpr int64_t Point = 4, Rect = 8;
    switch (RecType) {
    case TPimPimFile::rtStartPage:
        break;
    case TPimPimFile::rtSelectObject:
    case TPimPimFile::rtSetTextAlign:
        Skip(2);
        break;
    case TPimPimFile::rtMoveTo:
    case TPimPimFile::rtLineTo:
    case TPimPimFile::rtSetBkColor:
        Skip(4);
        break;
    case TPimPimFile::rtTextout:
        Skip(Point);
        SkipString();
        break;
    case TPimPimFile::rtPTextout:
        Skip(Point);
        SkipChars();
        break;
    case TPimPimFile::rtExtTextout:
        Skip(Point + 2 + Rect);
        SkipChars();
        break;
    case TPimPimFile::rtTextRect:
        Skip(Rect + Point);
        SkipString();
        break;
    case TPimPimFile::rtFillRect:
    case TPimPimFile::rtRectangle:
    case TPimPimFile::rtEllipse:
        Skip(Rect);
        break;
    case TPimPimFile::rtRoundRect:
        Skip(3 * Point);
        break;
    case TPimPimFile::rtDraw:
        Skip(Point + 2);
        SkipStream();
        break;
    case TPimPimFile::rtStretchDraw:
        Skip(Rect + 2);
        SkipStream();
        break;
    case TPimPimFile::rtShadeRect:
        Skip(Rect + 2);
        break;
    case TPimPimFile::rtTextJustify:
        Skip(Rect + Point);
        SkipString();
        Skip(FVersion > PimVersionNoFullRect ? 1 + Rect : 1);
        break;
    case TPimPimFile::rtDrawBitmap:
        Skip(Point);
        SkipStream();
        break;
    case TPimPimFile::rtStretchDrawBitmap:
        Skip(Rect);
        SkipStream();
        break;
    case TPimPimFile::rtRtfDraw:
        Skip(4 + Rect + 1 + 4 + 4);
        SkipStream();
        break;
    case TPimPimFile::rtDrawCheckBox:
        Skip(Rect + 2 + 4 + 2);
        break;
    case TPimPimFile::rtDrawShapeType:
        Skip(2 + 8 * 4);
        break;
    case TPimPimFile::rtPolyDrawType:
        Skip(2);
        Skip(int64_t(int16_t(Word())) * 8);
        break;
    case TPimPimFile::rtPrint3of9Barcode:
    case TPimPimFile::rtPrint2of5Barcode:
        Skip(6 * 2 + 2);
        SkipString();
        break;
    case TPimPimFile::rtPrinterInfo:
        Skip(PimFilePrinterInfoSize);
        break;
    case TPimPimFile::rtPrinterSetup:
        // A block of no length is read as nothing.
        Skip(std::max(Long(), 0));
        break;
    default:
        return false;
    }
    return true;
}

} // namespace

void TPimPimFile::CheckPages(TStream& Source) {
    // Every page is followed from its start to the record that ends it, so that a file cut short or
    // damaged is refused when it is opened, not halfway through printing it.
    TRecordWalk Walk(*FStream, Source, PimFileHeader.Version);
    for (int i = 0; i < PageCount(); ++i) {
        Walk.Start(PagePosition(i)->Pos);
        for (uint16_t Type = Walk.Word(); Type != rtEndPage; Type = Walk.Word())
            if (!Walk.SkipRecord(Type)) break;
    }
    FStream->SetPosition(0);
}

void TPimPimFile::TakeTitle() {
    const QString Title = PimWideFieldText(PimFileHeader.Description, PimDescriptionLength + 1);
    if (FDescription.isEmpty() || FDescription == FLoadedDescription) FDescription = Title;
    FLoadedDescription = Title;
}

void TPimPimFile::WriteFileHeader(TStream& Target) {
    if (IsOldFormat())
        PimWriteAnsiFileHeader(Target, PimFileHeader);
    else
        PimWriteFileHeader(Target, PimFileHeader);
}

void TPimPimFile::WriteSetupPart(TStream& Target, const TPimPrinterSetup& Setup) {
    if (!IsOldFormat() || PimFileHeader.Version >= PimVersionSetupBlock) {
        Setup.WriteToStream(Target);
        return;
    }
    TPimFilePrinterInfo Info;
    Setup.GetPrintInfo(Info);
    if (PimFileHeader.Version >= PimVersionCollate)
        PimWriteFilePrinterInfo(Target, Info);
    else
        WriteOldPrinterInfo(Target, Info);
}

void TPimPimFile::WriteObjectEntry(TStream& Target, const TPimPimFileObject& Object) {
    switch (Object.ObjectType) {
    case aotFont:
        if (IsOldFormat()) {
            Target.WriteUInt16(TPimPimFileObject::FontCode);
            PimWriteAnsiLogFont(Target, Object.LogFont);
        } else {
            Object.Write(Target);
        }
        break;
    case aotNone:
        // An entry of a kind this reader did not know keeps its place, so that the indexes of the
        // entries after it stay right and the count in the file info stays true.
        Target.WriteUInt16(0);
        break;
    default:
        Object.Write(Target);
        break;
    }
}

QString TPimPimFile::ReadAnsiString() {
    TPimStream& S = PageStream();
    const int64_t N = PimFileHeader.Version < PimVersionSetupBlock ? int64_t(S.ReadUInt16()) : S.ReadInt32();
    CheckAvailable(S, N);
    QByteArray Bytes(N, '\0');
    S.ReadBuffer(Bytes.data(), N);
    return AnsiToString(Bytes);
}

bool TPimPimFile::GetPagePrinterInfo(TPimPrinterSetup* Setup, int Page) {
    if (!Setup) return false;
    const int Count = PageCount();
    if (!FStream || Count == 0 || (FRunning && Count < 2)) {
        Setup->Assign(FPimPrinterSetup.get());
        return false;
    }
    // While recording, the last page is still growing and has no settled start yet to trust.
    Page = std::clamp(Page, 1, FRunning ? Count - 1 : Count);
    TPimStream& S = *FStream;
    // The recorder appends at the position it left, so it is put back whatever happens here.
    struct TKeep {
        TPimStream& S;
        int64_t Pos;
        // Seeking within what the stream already holds does not fail; a destructor must not throw.
        ~TKeep() {
            try {
                S.SetPosition(Pos);
            } catch (...) {
            }
        }
    } Keep{S, S.Position()};
    S.SetPosition(PagePosition(Page - 1)->Pos);
    switch (ReadType()) {
    case rtPrinterInfo: {
        TPimFilePrinterInfo Info;
        ReadPrinterInfo(Info);
        Setup->SetPrintInfo(Info);
        return true;
    }
    case rtPrinterSetup:
        return Setup->ReadFromPimFile(this);
    default:
        return false;
    }
}
