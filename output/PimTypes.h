#pragma once
#include <QString>
#include <cstdint>

// The header in front of a placeable metafile, 22 bytes packed in the file. It is kept as plain fields
// and written or read field by field, never by copying the struct's memory.
struct TPimPlaceMetaHeader {
    uint32_t Key = 0;
    int16_t Hmf = 0;
    struct {
        int16_t Left = 0;
        int16_t Top = 0;
        int16_t Right = 0;
        int16_t Bottom = 0;
    } BBox;
    uint16_t Inch = 0;
    uint32_t Reserved = 0;
    uint16_t CheckSum = 0;
};

inline constexpr int PimPlaceMetaHeaderSize = 22;
inline constexpr uint32_t PimPlaceHeadKey = 0x9AC6CDD7u;

// The zoom setting of a preview. Its ordinal is also the row of the viewer's zoom list and the stored
// value of a report's preview settings, so the order never changes.
enum TPimZoom : uint8_t { az200, az150, az100, az75, az50, az25, az10, azWidth, azHeight, azPage };

class TStream;
struct TPimFilePrinterInfo;

// The records of a document file. Each is kept as plain fields and goes to and from a stream field
// by field in little-endian order, so the file layout never depends on the compiler's packing.

inline constexpr int PimDescriptionLength = 100; // characters; the field holds one more for the zero
inline constexpr int PimFontNameLength = 32;     // characters, the terminating zero included

// 217 bytes: "PIM", key, version, offset of the page data, the document title.
struct TPimFileHeader {
    char Name[3] = {'P', 'I', 'M'};
    int32_t Key = 0;
    float Version = 0;
    int32_t HeaderLen = 0;
    char16_t Description[PimDescriptionLength + 1] = {};
};
inline constexpr int PimFileHeaderSize = 217;
inline constexpr int32_t PimFileKey = 101071;
inline constexpr float PimFileVersion = 5.0f;

// 10 bytes.
struct TPimFileInfo {
    int32_t Pages = 0;
    uint16_t Objects = 0;
    uint16_t PixelsPerInchX = 0;
    uint16_t PixelsPerInchY = 0;
};
inline constexpr int PimFileInfoSize = 10;

// 82 bytes. Two fonts are the same object when bytes 0 to 17 agree and the names agree up to their
// terminators.
struct TPimLogFont {
    int32_t Color = 0;
    uint16_t Size = 0;
    uint8_t Italic = 0;
    uint8_t Underline = 0;
    uint8_t StrikeOut = 0;
    uint16_t Escapement = 0;
    uint16_t Weight = 0;
    uint8_t CharSet = 0;
    uint8_t OutPrecision = 0;
    uint8_t ClipPrecision = 0;
    uint8_t Quality = 0;
    uint8_t PitchAndFamily = 0;
    char16_t Name[PimFontNameLength] = {};
};
inline constexpr int PimLogFontSize = 82;

// 8 bytes: colour, style ordinal, width, mode ordinal.
struct TPimLogPen {
    int32_t Color = 0;
    uint8_t Style = 0;
    uint16_t Width = 0;
    uint8_t Mode = 0;
    bool operator==(const TPimLogPen&) const = default;
};
inline constexpr int PimLogPenSize = 8;

// 5 bytes: colour and style ordinal.
struct TPimLogBrush {
    int32_t Color = 0;
    uint8_t Style = 0;
    bool operator==(const TPimLogBrush&) const = default;
};
inline constexpr int PimLogBrushSize = 5;

inline constexpr int PimFilePrinterInfoSize = 37;

void PimWriteFileHeader(TStream& Stream, const TPimFileHeader& Header);
void PimReadFileHeader(TStream& Stream, TPimFileHeader& Header);
void PimWriteFileInfo(TStream& Stream, const TPimFileInfo& Info);
void PimReadFileInfo(TStream& Stream, TPimFileInfo& Info);
void PimWriteLogFont(TStream& Stream, const TPimLogFont& Font);
void PimReadLogFont(TStream& Stream, TPimLogFont& Font);
void PimWriteLogPen(TStream& Stream, const TPimLogPen& Pen);
void PimReadLogPen(TStream& Stream, TPimLogPen& Pen);
void PimWriteLogBrush(TStream& Stream, const TPimLogBrush& Brush);
void PimReadLogBrush(TStream& Stream, TPimLogBrush& Brush);
// The 37-byte form; the 36-byte form of old files is the same without the collation byte.
void PimWriteFilePrinterInfo(TStream& Stream, const TPimFilePrinterInfo& Info);
void PimReadFilePrinterInfo(TStream& Stream, TPimFilePrinterInfo& Info, bool WithCollate = true);

// Whether two font records describe the same font object.
bool PimLogFontEqual(const TPimLogFont& A, const TPimLogFont& B);
// Sets a zero-terminated name field of Size characters from Text, cut to Size - 1 characters.
void PimSetWideField(char16_t* Field, int Size, const QString& Text);
QString PimWideFieldText(const char16_t* Field, int Size);

// Files before 5.0 keep their texts as ANSI (Windows-1252): a 116-byte header whose title is 101
// single bytes, and 50-byte font records whose name is 32 single bytes. The first 15 bytes of both
// headers are the same, so a reader decides between them after those.
inline constexpr int PimFileHeaderStartSize = 15;
inline constexpr int PimAnsiFileHeaderSize = 116;
inline constexpr int PimAnsiLogFontSize = 50;
inline constexpr int PimOldPrinterInfoSize = 36;

// The versions whose layout differs; a file is read by the newest of these not above its own.
inline constexpr float PimVersionNoFullRect = 1.0f; // record 37 without its full rectangle
inline constexpr float PimVersionCollate = 3.0f;    // printer info gains the collation byte
inline constexpr float PimVersionSetupBlock = 4.0f; // tagged printer setup, LongInt string counts

// Name, key, version and data offset: the part both header forms share.
void PimReadFileHeaderStart(TStream& Stream, TPimFileHeader& Header);
// The ANSI header of an old file into the wide record and back; characters with no place in the
// code page become '?'.
void PimWriteAnsiFileHeader(TStream& Stream, const TPimFileHeader& Header);
void PimReadAnsiFileHeaderRest(TStream& Stream, TPimFileHeader& Header);
void PimWriteAnsiLogFont(TStream& Stream, const TPimLogFont& Font);
void PimReadAnsiLogFont(TStream& Stream, TPimLogFont& Font);

// 18 bytes: the header at the start of a Windows metafile.
struct TPimMetaHeader {
    uint16_t mtType = 0;
    uint16_t mtHeaderSize = 0;
    uint16_t mtVersion = 0;
    int32_t mtSize = 0;
    uint16_t mtNoObjects = 0;
    int32_t mtMaxRecord = 0;
    uint16_t mtNoParameters = 0;
};
inline constexpr int PimMetaHeaderSize = 18;

// The fixed 6 bytes in front of each metafile record; rdSize counts Words, the parameters included.
struct TPimMetaRecord {
    int32_t rdSize = 0;
    uint16_t rdFunction = 0;
};
inline constexpr int PimMetaRecordHeadSize = 6;

void PimWriteMetaHeader(TStream& Stream, const TPimMetaHeader& Header);
void PimReadMetaHeader(TStream& Stream, TPimMetaHeader& Header);
void PimWriteMetaRecordHead(TStream& Stream, const TPimMetaRecord& Record);
void PimReadMetaRecordHead(TStream& Stream, TPimMetaRecord& Record);
