#include "output/PimTypes.h"

#include "host/encoding.h"
#include "host/streams.h"
#include "output/PimSetup.h"

#include <cstring>

void PimSetWideField(char16_t* Field, int Size, const QString& Text) {
    std::fill(Field, Field + Size, u'\0');
    const int N = std::min<int>(int(Text.size()), Size - 1);
    for (int i = 0; i < N; ++i)
        Field[i] = Text[i].unicode();
}

QString PimWideFieldText(const char16_t* Field, int Size) {
    int N = 0;
    while (N < Size && Field[N] != 0)
        ++N;
    return QString::fromUtf16(Field, N);
}

namespace {

void WriteWide(TStream& Stream, const char16_t* Field, int Size) {
    for (int i = 0; i < Size; ++i)
        Stream.WriteUInt16(Field[i]);
}

void ReadWide(TStream& Stream, char16_t* Field, int Size) {
    for (int i = 0; i < Size; ++i)
        Field[i] = Stream.ReadUInt16();
}

} // namespace

void PimWriteFileHeader(TStream& Stream, const TPimFileHeader& Header) {
    Stream.WriteBuffer(Header.Name, 3);
    Stream.WriteInt32(Header.Key);
    Stream.WriteSingle(Header.Version);
    Stream.WriteInt32(Header.HeaderLen);
    WriteWide(Stream, Header.Description, PimDescriptionLength + 1);
}

void PimReadFileHeader(TStream& Stream, TPimFileHeader& Header) {
    Stream.ReadBuffer(Header.Name, 3);
    Header.Key = Stream.ReadInt32();
    Header.Version = Stream.ReadSingle();
    Header.HeaderLen = Stream.ReadInt32();
    ReadWide(Stream, Header.Description, PimDescriptionLength + 1);
}

void PimWriteFileInfo(TStream& Stream, const TPimFileInfo& Info) {
    Stream.WriteInt32(Info.Pages);
    Stream.WriteUInt16(Info.Objects);
    Stream.WriteUInt16(Info.PixelsPerInchX);
    Stream.WriteUInt16(Info.PixelsPerInchY);
}

void PimReadFileInfo(TStream& Stream, TPimFileInfo& Info) {
    Info.Pages = Stream.ReadInt32();
    Info.Objects = Stream.ReadUInt16();
    Info.PixelsPerInchX = Stream.ReadUInt16();
    Info.PixelsPerInchY = Stream.ReadUInt16();
}

void PimWriteLogFont(TStream& Stream, const TPimLogFont& Font) {
    Stream.WriteInt32(Font.Color);
    Stream.WriteUInt16(Font.Size);
    Stream.WriteUInt8(Font.Italic);
    Stream.WriteUInt8(Font.Underline);
    Stream.WriteUInt8(Font.StrikeOut);
    Stream.WriteUInt16(Font.Escapement);
    Stream.WriteUInt16(Font.Weight);
    Stream.WriteUInt8(Font.CharSet);
    Stream.WriteUInt8(Font.OutPrecision);
    Stream.WriteUInt8(Font.ClipPrecision);
    Stream.WriteUInt8(Font.Quality);
    Stream.WriteUInt8(Font.PitchAndFamily);
    WriteWide(Stream, Font.Name, PimFontNameLength);
}

void PimReadLogFont(TStream& Stream, TPimLogFont& Font) {
    Font.Color = Stream.ReadInt32();
    Font.Size = Stream.ReadUInt16();
    Font.Italic = Stream.ReadUInt8();
    Font.Underline = Stream.ReadUInt8();
    Font.StrikeOut = Stream.ReadUInt8();
    Font.Escapement = Stream.ReadUInt16();
    Font.Weight = Stream.ReadUInt16();
    Font.CharSet = Stream.ReadUInt8();
    Font.OutPrecision = Stream.ReadUInt8();
    Font.ClipPrecision = Stream.ReadUInt8();
    Font.Quality = Stream.ReadUInt8();
    Font.PitchAndFamily = Stream.ReadUInt8();
    ReadWide(Stream, Font.Name, PimFontNameLength);
}

void PimWriteLogPen(TStream& Stream, const TPimLogPen& Pen) {
    Stream.WriteInt32(Pen.Color);
    Stream.WriteUInt8(Pen.Style);
    Stream.WriteUInt16(Pen.Width);
    Stream.WriteUInt8(Pen.Mode);
}

void PimReadLogPen(TStream& Stream, TPimLogPen& Pen) {
    Pen.Color = Stream.ReadInt32();
    Pen.Style = Stream.ReadUInt8();
    Pen.Width = Stream.ReadUInt16();
    Pen.Mode = Stream.ReadUInt8();
}

void PimWriteLogBrush(TStream& Stream, const TPimLogBrush& Brush) {
    Stream.WriteInt32(Brush.Color);
    Stream.WriteUInt8(Brush.Style);
}

void PimReadLogBrush(TStream& Stream, TPimLogBrush& Brush) {
    Brush.Color = Stream.ReadInt32();
    Brush.Style = Stream.ReadUInt8();
}

void PimWriteFilePrinterInfo(TStream& Stream, const TPimFilePrinterInfo& Info) {
    Stream.WriteUInt16(Info.Orientation);
    Stream.WriteUInt16(Info.PaperSize);
    Stream.WriteDouble(Info.Length);
    Stream.WriteDouble(Info.Width);
    Stream.WriteUInt16(Info.Scale);
    Stream.WriteUInt16(Info.Copies);
    Stream.WriteUInt16(Info.Source);
    Stream.WriteInt16(Info.PrintQuality);
    Stream.WriteUInt16(Info.Color);
    Stream.WriteUInt16(Info.Duplex);
    Stream.WriteUInt16(Info.YResolution);
    Stream.WriteUInt16(Info.TTOption);
    Stream.WriteUInt8(Info.CollatedCopies ? 1 : 0);
}

void PimReadFilePrinterInfo(TStream& Stream, TPimFilePrinterInfo& Info, bool WithCollate) {
    Info.Orientation = Stream.ReadUInt16();
    Info.PaperSize = Stream.ReadUInt16();
    Info.Length = Stream.ReadDouble();
    Info.Width = Stream.ReadDouble();
    Info.Scale = Stream.ReadUInt16();
    Info.Copies = Stream.ReadUInt16();
    Info.Source = Stream.ReadUInt16();
    Info.PrintQuality = Stream.ReadInt16();
    Info.Color = Stream.ReadUInt16();
    Info.Duplex = Stream.ReadUInt16();
    Info.YResolution = Stream.ReadUInt16();
    Info.TTOption = Stream.ReadUInt16();
    if (WithCollate) Info.CollatedCopies = Stream.ReadUInt8() != 0;
}

bool PimLogFontEqual(const TPimLogFont& A, const TPimLogFont& B) {
    if (A.Color != B.Color || A.Size != B.Size || A.Italic != B.Italic || A.Underline != B.Underline ||
        A.StrikeOut != B.StrikeOut || A.Escapement != B.Escapement || A.Weight != B.Weight ||
        A.CharSet != B.CharSet || A.OutPrecision != B.OutPrecision || A.ClipPrecision != B.ClipPrecision ||
        A.Quality != B.Quality || A.PitchAndFamily != B.PitchAndFamily)
        return false;
    for (int i = 0; i < PimFontNameLength; ++i) {
        if (A.Name[i] != B.Name[i]) return false;
        if (A.Name[i] == 0) return true;
    }
    return true;
}

namespace {

// A fixed ANSI field: the text cut to Size - 1 bytes, zero-terminated, the rest zero.
void WriteAnsiField(TStream& Stream, const QString& Text, int Size) {
    QByteArray Bytes = StringToAnsi(Text).left(Size - 1);
    Bytes.append(QByteArray(Size - Bytes.size(), '\0'));
    Stream.WriteBuffer(Bytes.constData(), Size);
}

// The text of a fixed ANSI field up to its first zero.
QString ReadAnsiField(TStream& Stream, int Size) {
    QByteArray Bytes(Size, '\0');
    Stream.ReadBuffer(Bytes.data(), Size);
    const qsizetype Zero = Bytes.indexOf('\0');
    return AnsiToString(Bytes.constData(), Zero < 0 ? Size : Zero);
}

} // namespace

void PimReadFileHeaderStart(TStream& Stream, TPimFileHeader& Header) {
    Stream.ReadBuffer(Header.Name, 3);
    Header.Key = Stream.ReadInt32();
    Header.Version = Stream.ReadSingle();
    Header.HeaderLen = Stream.ReadInt32();
}

void PimWriteAnsiFileHeader(TStream& Stream, const TPimFileHeader& Header) {
    Stream.WriteBuffer(Header.Name, 3);
    Stream.WriteInt32(Header.Key);
    Stream.WriteSingle(Header.Version);
    Stream.WriteInt32(Header.HeaderLen);
    WriteAnsiField(Stream, PimWideFieldText(Header.Description, PimDescriptionLength + 1),
                   PimDescriptionLength + 1);
}

void PimReadAnsiFileHeaderRest(TStream& Stream, TPimFileHeader& Header) {
    PimSetWideField(Header.Description, PimDescriptionLength + 1,
                    ReadAnsiField(Stream, PimDescriptionLength + 1));
}

void PimWriteAnsiLogFont(TStream& Stream, const TPimLogFont& Font) {
    Stream.WriteInt32(Font.Color);
    Stream.WriteUInt16(Font.Size);
    Stream.WriteUInt8(Font.Italic);
    Stream.WriteUInt8(Font.Underline);
    Stream.WriteUInt8(Font.StrikeOut);
    Stream.WriteUInt16(Font.Escapement);
    Stream.WriteUInt16(Font.Weight);
    Stream.WriteUInt8(Font.CharSet);
    Stream.WriteUInt8(Font.OutPrecision);
    Stream.WriteUInt8(Font.ClipPrecision);
    Stream.WriteUInt8(Font.Quality);
    Stream.WriteUInt8(Font.PitchAndFamily);
    WriteAnsiField(Stream, PimWideFieldText(Font.Name, PimFontNameLength), PimFontNameLength);
}

void PimReadAnsiLogFont(TStream& Stream, TPimLogFont& Font) {
    Font.Color = Stream.ReadInt32();
    Font.Size = Stream.ReadUInt16();
    Font.Italic = Stream.ReadUInt8();
    Font.Underline = Stream.ReadUInt8();
    Font.StrikeOut = Stream.ReadUInt8();
    Font.Escapement = Stream.ReadUInt16();
    Font.Weight = Stream.ReadUInt16();
    Font.CharSet = Stream.ReadUInt8();
    Font.OutPrecision = Stream.ReadUInt8();
    Font.ClipPrecision = Stream.ReadUInt8();
    Font.Quality = Stream.ReadUInt8();
    Font.PitchAndFamily = Stream.ReadUInt8();
    PimSetWideField(Font.Name, PimFontNameLength, ReadAnsiField(Stream, PimFontNameLength));
}

void PimWriteMetaHeader(TStream& Stream, const TPimMetaHeader& Header) {
    Stream.WriteUInt16(Header.mtType);
    Stream.WriteUInt16(Header.mtHeaderSize);
    Stream.WriteUInt16(Header.mtVersion);
    Stream.WriteInt32(Header.mtSize);
    Stream.WriteUInt16(Header.mtNoObjects);
    Stream.WriteInt32(Header.mtMaxRecord);
    Stream.WriteUInt16(Header.mtNoParameters);
}

void PimReadMetaHeader(TStream& Stream, TPimMetaHeader& Header) {
    Header.mtType = Stream.ReadUInt16();
    Header.mtHeaderSize = Stream.ReadUInt16();
    Header.mtVersion = Stream.ReadUInt16();
    Header.mtSize = Stream.ReadInt32();
    Header.mtNoObjects = Stream.ReadUInt16();
    Header.mtMaxRecord = Stream.ReadInt32();
    Header.mtNoParameters = Stream.ReadUInt16();
}

void PimWriteMetaRecordHead(TStream& Stream, const TPimMetaRecord& Record) {
    Stream.WriteInt32(Record.rdSize);
    Stream.WriteUInt16(Record.rdFunction);
}

void PimReadMetaRecordHead(TStream& Stream, TPimMetaRecord& Record) {
    Record.rdSize = Stream.ReadInt32();
    Record.rdFunction = Stream.ReadUInt16();
}
