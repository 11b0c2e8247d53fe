#pragma once
#include "host/classes.h"
#include "host/devicecontext.h"
#include "host/graphics.h"
#include "output/PimSetup.h"
#include "output/PimStr.h"
#include "output/PimTypes.h"
#include "output/PimUtil.h"

#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class TGraphic;
class TMemoryStream;
class TPimExportFilter;

// One page of a document: where its first record lies in the page stream.
struct TPimPagePosition {
    int32_t Pos = 0;
};

// Every holder of pages: a document that is a source of pages, or a sink that takes pages from one
// (a printer, a device context). Pages move by double dispatch: the source's Send calls the sink's
// Load. Operations a kind of holder has no use for do nothing.
class TPimFile : public TPersistent {
public:
    TPimFile();
    ~TPimFile() override;

    virtual void LoadPimFile(TPimFile* PimFile);
    virtual void LoadPage(TPimFile* PimFile, int Page);
    virtual void LoadPages(TPimFile* PimFile, int StartPage, int EndPage);
    virtual void LoadFromFile(const QString& FileName);
    virtual void LoadFromStream(TStream& LoadStream);
    virtual void Send(TPimFile* PimFile);
    virtual void SendPage(TPimFile* PimFile, int Page);
    virtual void SendPages(TPimFile* PimFile, int StartPage, int EndPage);
    virtual void SaveToFile(const QString& FileName);
    virtual void SaveToStream(TStream& SaveStream);
    virtual void PlayPage(DeviceContext* DC, int Page);
    // Drops the page stream and every page entry.
    virtual void Clear();

    // Absent until recording or loading starts.
    TPimStream* Stream() const { return FStream.get(); }
    TPimList& Pages() { return FPages; }
    int PageCount() const { return FPages.Count(); }
    // Page entry by 0-based index.
    TPimPagePosition* PagePosition(int Index) const;
    TPimPrinterSetup* PimPrinterSetup() const { return FPimPrinterSetup.get(); }
    void SetPimPrinterSetup(const TPimPrinterSetup* Value) { FPimPrinterSetup->Assign(Value); }
    int HorzScale() const { return FHorzScale; }
    void SetHorzScale(int Value) { FHorzScale = Value; }
    int VertScale() const { return FVertScale; }
    void SetVertScale(int Value) { FVertScale = Value; }
    int OrgX() const { return FOrgX; }
    void SetOrgX(int Value) { FOrgX = Value; }
    int OrgY() const { return FOrgY; }
    void SetOrgY(int Value) { FOrgY = Value; }
    bool SetOrigin() const { return FSetOrigin; }
    void SetSetOrigin(bool Value) { FSetOrigin = Value; }
    bool IgnorePrinterSettings() const { return FIgnorePrinterSettings; }
    void SetIgnorePrinterSettings(bool Value) { FIgnorePrinterSettings = Value; }
    const QString& ExceptionText() const { return FExceptionText; }

protected:
    void AddPage(int32_t Pos);

    std::unique_ptr<TPimStream> FStream;
    TPimList FPages; // owns its TPimPagePosition entries
    std::unique_ptr<TPimPrinterSetup> FPimPrinterSetup;
    int FHorzScale = 100;
    int FVertScale = 100;
    int FOrgX = 0;
    int FOrgY = 0;
    bool FSetOrigin = false;
    bool FIgnorePrinterSettings = false;
    QString FExceptionText;
};

enum TPimPimFileObjectTypes : uint8_t { aotNone, aotBrush, aotFont, aotPen };

// One distinct font, pen or brush of a document. Records select it by its index in the table.
class TPimPimFileObject {
public:
    // The kind codes of the file, which are not the enumeration's ordinals.
    static constexpr uint16_t FontCode = 1;
    static constexpr uint16_t PenCode = 2;
    static constexpr uint16_t BrushCode = 3;

    TPimPimFileObject();
    ~TPimPimFileObject();
    TPimPimFileObject(const TPimPimFileObject&) = delete;
    TPimPimFileObject& operator=(const TPimPimFileObject&) = delete;

    // Word kind code, then the record of that kind; an entry of no kind writes nothing.
    void Write(TStream& Str) const;
    // The current file version's form; an unknown code leaves the entry without a kind.
    void Read(TStream& Str);

    TPimPimFileObjectTypes ObjectType = aotNone;
    // Made when the object is played; owned.
    std::unique_ptr<TPen> Pen;
    std::unique_ptr<TBrush> Brush;
    std::unique_ptr<TFont> Font;
    HFONT SelectFont = 0;
    HBRUSH SelectBrush = 0;
    HPEN SelectPen = 0;
    TPimLogPen LogPen;
    TPimLogBrush LogBrush;
    TPimLogFont LogFont;

    // Makes the drawing objects of the entry once, a font at PixelsPerInchY; kept until DeleteObject.
    void CreateObject(int PixelsPerInchY);
    // Frees the objects; none of them may still be selected into a device context.
    void DeleteObject();
};

using TPimPimFileObjects = std::vector<std::unique_ptr<TPimPimFileObject>>;

// A recorded document: every drawing call of a job becomes one typed record in the page stream,
// and fonts, pens and brushes live once each in the object table that records of type 4 select by
// index. Held through std::shared_ptr wherever more than one holder may keep it.
class TPimPimFile : public TPimFile {
public:
    // Record type codes.
    enum : uint16_t {
        rtSelectObject = 4,
        rtStartPage = 5,
        rtEndPage = 6,
        rtSetTextAlign = 20,
        rtTextout = 21,
        rtMoveTo = 23,
        rtLineTo = 24,
        rtPTextout = 25,
        rtExtTextout = 26,
        rtTextRect = 27,
        rtFillRect = 28,
        rtRectangle = 29,
        rtRoundRect = 30,
        rtEllipse = 31,
        rtDraw = 32,
        rtStretchDraw = 33,
        rtShadeRect = 34,
        rtSetBkColor = 35,
        rtTextJustify = 37,
        rtDrawBitmap = 38,
        rtStretchDrawBitmap = 39,
        rtRtfDraw = 40,
        rtDrawCheckBox = 41,
        rtDrawShapeType = 42,
        rtPolyDrawType = 43,
        rtPrint3of9Barcode = 44,
        rtPrint2of5Barcode = 45,
        rtPrinterInfo = 100,
        rtPrinterSetup = 101,
    };
    // Records select objects by a SmallInt, so the table ends at the largest index it can carry.
    static constexpr int MaxObjects = 32768;

    TPimPimFile();
    ~TPimPimFile() override;

    void Clear() override;

    // The page sequence.
    void BeginDoc();
    void NewPage();
    // Closes the last page and, when CreateFile, writes the file FileName. The document stops running
    // even when writing the file fails; the half-written file is removed and the error passes on.
    void EndDoc();
    // Closes the document as it stands without writing any file: an abandoned job leaves none.
    void AbortDoc();

    // Object selection through the table.
    void SetFont(const TFont& Font);
    void SetLogFont(const TFont& Font, const TLogFont& LogFont);
    void SetPen(const TPen& Pen);
    void SetBrush(const TBrush& Brush);

    // One writer per drawing record.
    void SetTextAlign(uint16_t Flags);
    void Textout(int X, int Y, const QString& Text);
    void PTextout(int X, int Y, const char16_t* Text, int Count);
    void ExtTextout(int X, int Y, uint16_t Options, const TRect& Rect, const char16_t* Text, int Count);
    void TextRect(const TRect& Rect, int X, int Y, const QString& Text);
    void MoveTo(int X, int Y);
    void LineTo(int X, int Y);
    void FillRect(const TRect& Rect);
    void Rectangle(int X1, int Y1, int X2, int Y2);
    void RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3);
    void Ellipse(int X1, int Y1, int X2, int Y2);
    void Draw(int X, int Y, const TGraphic* Graphic);
    void StretchDraw(const TRect& Rect, const TGraphic* Graphic);
    void ShadeRect(const TRect& Rect, TPimShadePercent Shade);
    void SetBkColor(int32_t bkColor);
    void TextJustify(const TRect& Rect, int X, int Y, const QString& Text, bool EndParagraph,
                     const TRect& FullRect);
    void DrawBitmap(int X, int Y, TStream* Stream);
    void StretchDrawBitmap(const TRect& Rect, TStream* Stream);
    void RtfDraw(const TRect& Rect, TStream* Stream, int StartPos, int EndPos, bool SetDefFont);
    void DrawCheckBox(const TRect& Rect, TPimCheckStyle CheckStyle, TColor Color, int Thickness);
    void DrawShapeType(TPimDrawType dt, int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4);
    void PolyDrawType(TPimPolyType pt, const TPoint* Points, int Count);
    void Print3of9Barcode(int Left, int Top, int Width, int Height, int NarrowWidth, int WideWidth,
                          bool Inches, bool Vertical, const QString& BarData);
    void Print2of5Barcode(int Left, int Top, int Width, int Height, int NarrowWidth, int WideWidth,
                          bool Inches, bool Vertical, const QString& BarData);
    void WritePrinterInfo(const TPimFilePrinterInfo& Info);

    // Primitives at the page stream's position, for custom records.
    void WriteType(uint16_t Value) { WriteWord(Value); }
    void WriteWord(uint16_t Value);
    void WriteSmallInt(int Value);
    void WriteLongInt(int32_t Value);
    void WriteBoolean(bool Value);
    void WriteRect(const TRect& Rect);
    void WriteString(const QString& Text);
    void WritePChar(const char16_t* Text, int Count);
    // The whole of S from its start.
    void WriteStream(TStream& S);
    uint16_t ReadType() { return ReadWord(); }
    uint16_t ReadWord();
    int16_t ReadSmallInt();
    int32_t ReadLongInt();
    bool ReadBoolean();
    TRect ReadRect();
    QString ReadString();
    void ReadPChar(char16_t* Buffer, int Count);
    // A LongInt count, then that many bytes appended to S at its position.
    void ReadStream(TStream& S);
    void ReadPrinterInfo(TPimFilePrinterInfo& Info);

    void Send(TPimFile* PimFile) override;
    void SendPage(TPimFile* PimFile, int Page) override;
    void SendPages(TPimFile* PimFile, int StartPage, int EndPage) override;
    // Nothing while running or before the document was started or loaded.
    void SaveToFile(const QString& FileName) override;
    void SaveToStream(TStream& SaveStream) override;
    // The document file. A file older than 5.0 keeps its version when loaded: its page stream holds
    // ANSI strings that ReadString reads by that version, and saving it again writes the old layout
    // around the unchanged page stream. Recording always starts a 5.0 document.
    void LoadFromFile(const QString& FileName) override;
    // Every count, length and offset is checked against what the stream holds, and every page is
    // followed to its end; a damaged file raises the stream's read error (one that names the file,
    // from a file) and leaves the document cleared. The title of the file becomes Description
    // unless the caller set one of its own.
    void LoadFromStream(TStream& LoadStream) override;
    // Reads the printer settings recorded at the start of page Page (1-based, brought into the pages
    // there are) into Setup; false when that page records none. The page stream keeps its position.
    bool GetPagePrinterInfo(TPimPrinterSetup* Setup, int Page);
    // Whether the page stream is in the form of a file older than 5.0.
    bool IsOldFormat() const { return PimFileHeader.Key == PimFileKey && PimFileHeader.Version < PimFileVersion; }

private:
    void ReadDocument(TStream& LoadStream);
    void ReadSetupPart(TStream& LoadStream);
    void ReadObjectTable(TStream& LoadStream);
    void CheckPages(TStream& Source);
    void TakeTitle();
    void WriteFileHeader(TStream& Target);
    void WriteSetupPart(TStream& Target, const TPimPrinterSetup& Setup);
    void WriteObjectEntry(TStream& Target, const TPimPimFileObject& Object);
    QString ReadAnsiString();

    QString FLoadedDescription; // the title of the file loaded last

public:

    double PercentDone() const { return FPercentDone; }
    void SetPercentDone(double Value) { FPercentDone = float(Value); }
    int PageWidth() const;
    int PageHeight() const;
    int PixelsPerInchX() const { return PimFileInfo.PixelsPerInchX; }
    void SetPixelsPerInchX(int Value) { PimFileInfo.PixelsPerInchX = uint16_t(Value); }
    int PixelsPerInchY() const { return PimFileInfo.PixelsPerInchY; }
    void SetPixelsPerInchY(int Value) { PimFileInfo.PixelsPerInchY = uint16_t(Value); }
    const QString& Description() const { return FDescription; }
    void SetDescription(const QString& Value) { FDescription = Value; }
    TMemoryStream* UserStream() const { return FUserStream.get(); }
    // Value must stand at its start.
    void SetUserStream(TStream& Value);
    bool Running() const { return FRunning; }
    bool CreateFile() const { return FCreateFile; }
    void SetCreateFile(bool Value) { FCreateFile = Value; }
    // nullptr after Clear, until the next BeginDoc or load.
    TPimPimFileObjects* Objects() const { return FObjects.get(); }
    const QString& FileName() const { return FFileName; }
    void SetFileName(const QString& Value) { FFileName = Value; }
    int LastFont() const { return FLastFont; }
    void SetLastFont(int Value) { FLastFont = Value; }
    int LastPen() const { return FLastPen; }
    void SetLastPen(int Value) { FLastPen = Value; }
    int LastBrush() const { return FLastBrush; }
    void SetLastBrush(int Value) { FLastBrush = Value; }
    int CurrFont() const { return FCurrFont; }
    int CurrPen() const { return FCurrPen; }
    int CurrBrush() const { return FCurrBrush; }
    bool Exporting() const { return FExporting; }
    void SetExporting(bool Value) { FExporting = Value; }
    TPimExportFilter* ExportFilter() const { return FExportFilter; }
    void SetExportFilter(TPimExportFilter* Value) { FExportFilter = Value; }

    // Draws page Page (1-based) into DC, every coordinate taken from the document's resolution to
    // the device's times HorzScale and VertScale. Nothing for a page that does not exist or is
    // still being recorded. The page stream's position is as before afterwards, on every path.
    void PlayPage(DeviceContext* DC, int Page) override;
    // Plays one record whose type code has been read; the page stream stands at its payload. False
    // for a code that neither the player nor a registered handler knows: its payload stays unread.
    bool PlayRecord(uint16_t RecType, DeviceContext* DC);
    // A document coordinate at the resolution of the device being played on, for record handlers.
    int PlayX(int Value) const;
    int PlayY(int Value) const;

    TPimFileHeader PimFileHeader;
    TPimFileInfo PimFileInfo;
    TPimFilePrinterInfo PimFilePrinterInfo;

private:
    TPimStream& PageStream();
    void Finish(bool WriteFile);
    void WriteFileTo(const QString& FileName, const TPimPrinterSetup& Setup);
    void WriteDocument(TStream& Target, const TPimPrinterSetup& Setup);
    void SetDescriptionField();
    int FindOrAdd(TPimPimFileObjectTypes Kind, const TPimLogFont* Font, const TPimLogPen* Pen,
                  const TPimLogBrush* Brush);
    int FindOrAddIndexed(TPimPimFileObjectTypes Kind, const TPimLogFont* Font, const TPimLogPen* Pen,
                         const TPimLogBrush* Brush);
    static std::string ObjectKey(TPimPimFileObjectTypes Kind, const TPimLogFont* Font, const TPimLogPen* Pen,
                                 const TPimLogBrush* Brush);
    void SelectObject(int Index);
    void WriteGraphic(uint16_t Type, const TRect* Rect, int X, int Y, const TGraphic* Graphic);
    void WriteBarcode(uint16_t Type, int Left, int Top, int Width, int Height, int NarrowWidth, int WideWidth,
                      bool Inches, bool Vertical, const QString& BarData);

    std::unique_ptr<TPimPimFileObjects> FObjects;
    std::unordered_map<std::string, int> FObjectIndex; // identity of each entry to its index
    // The objects found last, compared field by field before the index is asked: a report selects
    // the same few fonts, pens and brushes for every label it draws.
    struct TRecentObject {
        TPimPimFileObjectTypes Kind = aotNone;
        TPimLogFont Font;
        TPimLogPen Pen;
        TPimLogBrush Brush;
        int Index = -1;
    };
    std::array<TRecentObject, 8> FRecent;
    size_t FRecentNext = 0;
    std::array<size_t, 4> FRecentHit{}; // per kind, the entry found last
    // The font and log font selected last, and the entry they gave.
    TFont FSelectedFont;
    TLogFont FSelectedLogFont;
    int FSelectedFontIndex = -1;
    bool FSelectedFontValid = false;
    QString FFileName;
    int FLastFont = -1;
    int FLastPen = -1;
    int FLastBrush = -1;
    int FCurrFont = -1;
    int FCurrPen = -1;
    int FCurrBrush = -1;
    bool FRunning = false;
    float FPercentDone = 0;
    QString FDescription;
    std::unique_ptr<TMemoryStream> FUserStream;
    bool FCreateFile = false;
    std::unique_ptr<TPimPrinterSetup> FPimStartPrinterSetup;
    bool FExporting = false;
    TPimExportFilter* FExportFilter = nullptr; // not owned

    // Playing.
    // The filter that takes the drawing while exporting, instead of the device context.
    TPimExportFilter* PlayFilter() const;
    void SetPlayDevice(DeviceContext* DC);
    TPimPimFileObject& PlayObject(int Index);
    TRect ReadPlayRect();
    QString ReadPlayChars(int32_t Count);
    void PlaySelectObject(DeviceContext* DC);
    void PlayShape(DeviceContext* DC, const std::function<void()>& Draw);
    void PlayGraphic(DeviceContext* DC, const TRect* Rect, int X, int Y, TStream& Image);
    void PlayRtf(DeviceContext* DC);
    void PlayBarcode(uint16_t RecType, DeviceContext* DC);
    void ReleasePlayObjects(DeviceContext* DC);
    int FPlayX = 0; // the device's resolution times the scales, while a page plays
    int FPlayY = 0;
};

// A record type of the application's own, with the handler that plays it. The handler reads its
// payload with the document's read primitives.
using TPimRecordPrintEvent = std::function<void(DeviceContext* DC, TPimPimFile* PimFile)>;

struct TPimRecType {
    int16_t RecordType = 0;
    TPimRecordPrintEvent RecordPrintEvent;
};

// Registers a handler; when two handle the same type, the first registered plays it.
void PimAddRecordType(int16_t RecType, TPimRecordPrintEvent Event);
// Forgets every handler, as the process starts.
void PimResetRecordTypes();

// When set, printing starts a new print job wherever the duplex setting changes between pages.
extern bool DuplexNewJob;

// Prints a page range of a document through a print job: makes the copies itself, collated or not,
// follows the printer settings recorded for each page and starts new jobs where duplex demands it.
// Made for one print run.
class TPimPrinter : public TPimFile {
public:
    TPimPrinter();
    ~TPimPrinter() override;

    void LoadPage(TPimFile* PimFile, int Page) override;
    void LoadPages(TPimFile* PimFile, int StartPage, int EndPage) override;
    void LoadFromFile(const QString& FileName) override;

    // Set by the caller between pages, typically from OnStatus: abort ends with the job abandoned,
    // stop ends it normally with the pages printed so far.
    bool AbortPrinting() const { return FAbortPrinting; }
    void SetAbortPrinting(bool Value) { FAbortPrinting = Value; }
    bool StopPrinting() const { return FStopPrinting; }
    void SetStopPrinting(bool Value) { FStopPrinting = Value; }
    int PageNumber() const { return FPageNumber; }

    // Before every page, once at the start and once at the end of a run.
    std::function<void(TPimPrinter* Sender)> OnStatus;

private:
    void Status();

    bool FAbortPrinting = false;
    bool FStopPrinting = false;
    int FPageNumber = 0;
};

// Plays single pages into a device context it does not own: the preview's paint path.
class TPimDeviceContext : public TPimFile {
public:
    TPimDeviceContext();
    ~TPimDeviceContext() override;

    void LoadPage(TPimFile* PimFile, int Page) override;
    void LoadFromFile(const QString& FileName) override;

    DeviceContext* DC() const { return FDC; }
    void SetDC(DeviceContext* Value) { FDC = Value; }

private:
    DeviceContext* FDC = nullptr; // not owned
};

// Holds the one document of a preview or viewer and forwards loading, saving and sending to it.
class TPimFiler {
public:
    TPimFiler();
    virtual ~TPimFiler();
    TPimFiler(const TPimFiler&) = delete;
    TPimFiler& operator=(const TPimFiler&) = delete;

    const std::shared_ptr<TPimFile>& PimFile() const { return FPimFile; }
    // Another document replaces the held one; nullptr only lets go of it.
    virtual void SetPimFile(std::shared_ptr<TPimFile> Value);
    // Refuses a stream that is not a document before the held one changes; a document that fails to
    // load half-way is dropped and the error passes on.
    virtual void LoadFromStream(TStream& Stream);
    virtual void LoadFromFile(const QString& FileName);
    virtual void SaveToFile(const QString& FileName);
    virtual void SaveToStream(TStream& Stream);
    virtual void Send(TPimFile* AF);
    virtual void SendPage(TPimFile* AF, int Page);
    virtual void SendPages(TPimFile* AF, int StartPage, int EndPage);

private:
    std::shared_ptr<TPimFile> FPimFile;
};
