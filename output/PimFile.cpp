#include "output/PimFile.h"

#include "host/encoding.h"
#include "host/exceptions.h"
#include "host/forms.h"
#include "host/graphic.h"
#include "host/mathutil.h"
#include "host/streams.h"
#include "output/PimFileInternal.h"

#include <QFile>

#include <algorithm>
#include <cstring>

namespace PimFileInternal {

const char* const SNotPimFile = "ERROR: not an PIM file";

// The whole of a stream from its start, with its size in front.
void WriteWholeStream(TStream& Target, TStream& S) {
    const int64_t N = S.Size();
    Target.WriteInt32(int32_t(N));
    if (N > 0) {
        S.SetPosition(0);
        Target.CopyFrom(S, N);
    }
}

} // namespace PimFileInternal

using namespace PimFileInternal;

namespace {

const char* const STooManyObjects =
    "The document uses more than %d different fonts, pens and brushes; no more can be recorded";
const char* const SNotRecording = "The document has not been started";

// Builds one record in memory so that it reaches the page stream in a single write.
class TRecord {
public:
    explicit TRecord(uint16_t Type) { Word(Type); }

    void Word(uint16_t V) { PutUInt16LE(Room(2), V); }
    // An Integer stored in a SmallInt field keeps its low 16 bits.
    void SmallInt(int V) { Word(uint16_t(uint32_t(V) & 0xFFFF)); }
    void LongInt(int32_t V) { PutUInt32LE(Room(4), uint32_t(V)); }
    void Boolean(bool V) { *Room(1) = V ? 1 : 0; }
    void Rect(const TRect& R) {
        SmallInt(R.Left);
        SmallInt(R.Top);
        SmallInt(R.Right);
        SmallInt(R.Bottom);
    }
    void Chars(const char16_t* Text, int Count) {
        if (Count <= 0)
            return;
        uint8_t* P = Room(size_t(Count) * 2);
        for (int i = 0; i < Count; ++i)
            PutUInt16LE(P + 2 * i, Text[i]);
    }
    void String(const QString& Text) {
        LongInt(int32_t(Text.size() * 2));
        Chars(reinterpret_cast<const char16_t*>(Text.utf16()), int(Text.size()));
    }
    void Bytes(const void* P, size_t N) {
        if (N > 0)
            std::memcpy(Room(N), P, N);
    }
    void WriteTo(TStream& Stream) const { Stream.WriteBuffer(Data(), int64_t(FLength)); }

private:
    const uint8_t* Data() const { return FHeap ? FHeap.get() : FInline; }
    // N more bytes at the end of the record.
    uint8_t* Room(size_t N) {
        if (FLength + N > FCapacity) {
            const size_t Capacity = std::max(FLength + N, FCapacity * 2);
            auto Heap = std::make_unique<uint8_t[]>(Capacity);
            std::memcpy(Heap.get(), Data(), FLength);
            FHeap = std::move(Heap);
            FCapacity = Capacity;
        }
        uint8_t* P = (FHeap ? FHeap.get() : FInline) + FLength;
        FLength += N;
        return P;
    }

    uint8_t FInline[256];
    std::unique_ptr<uint8_t[]> FHeap;
    size_t FCapacity = sizeof(FInline);
    size_t FLength = 0;
};

uint16_t GraphicKind(const TGraphic* Graphic) {
    if (dynamic_cast<const TBitmap*>(Graphic)) return 1;
    if (dynamic_cast<const TIcon*>(Graphic)) return 0;
    if (dynamic_cast<const TMetafile*>(Graphic)) return 2;
    return 3;
}

bool HasData(TStream* Stream) {
    return Stream && Stream->Size() > 0;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TPimFile

TPimFile::TPimFile() : FPimPrinterSetup(std::make_unique<TPimPrinterSetup>()) {}

TPimFile::~TPimFile() {
    TPimFile::Clear();
}

void TPimFile::LoadPimFile(TPimFile*) {}
void TPimFile::LoadPage(TPimFile*, int) {}
void TPimFile::LoadPages(TPimFile*, int, int) {}
void TPimFile::LoadFromFile(const QString&) {}
void TPimFile::LoadFromStream(TStream&) {}
void TPimFile::Send(TPimFile*) {}
void TPimFile::SendPage(TPimFile*, int) {}
void TPimFile::SendPages(TPimFile*, int, int) {}
void TPimFile::SaveToFile(const QString&) {}
void TPimFile::SaveToStream(TStream&) {}
void TPimFile::PlayPage(DeviceContext*, int) {}

void TPimFile::Clear() {
    FStream.reset();
    for (int i = 0; i < FPages.Count(); ++i)
        delete static_cast<TPimPagePosition*>(FPages.Items(i));
    FPages.Clear();
}

TPimPagePosition* TPimFile::PagePosition(int Index) const {
    return static_cast<TPimPagePosition*>(FPages.Items(Index));
}

void TPimFile::AddPage(int32_t Pos) {
    auto Entry = std::make_unique<TPimPagePosition>();
    Entry->Pos = Pos;
    FPages.Add(Entry.get());
    Entry.release();
}

// ---------------------------------------------------------------------------------------------
// TPimPimFileObject

TPimPimFileObject::TPimPimFileObject() = default;

TPimPimFileObject::~TPimPimFileObject() {
    for (HGDIOBJ H : {SelectFont, SelectBrush, SelectPen})
        if (H) ::DeleteObject(H);
}

void TPimPimFileObject::Write(TStream& Str) const {
    switch (ObjectType) {
    case aotFont:
        Str.WriteUInt16(FontCode);
        PimWriteLogFont(Str, LogFont);
        break;
    case aotPen:
        Str.WriteUInt16(PenCode);
        PimWriteLogPen(Str, LogPen);
        break;
    case aotBrush:
        Str.WriteUInt16(BrushCode);
        PimWriteLogBrush(Str, LogBrush);
        break;
    case aotNone:
        break;
    }
}

void TPimPimFileObject::Read(TStream& Str) {
    switch (Str.ReadUInt16()) {
    case FontCode:
        ObjectType = aotFont;
        PimReadLogFont(Str, LogFont);
        break;
    case PenCode:
        ObjectType = aotPen;
        PimReadLogPen(Str, LogPen);
        break;
    case BrushCode:
        ObjectType = aotBrush;
        PimReadLogBrush(Str, LogBrush);
        break;
    default:
        ObjectType = aotNone;
        break;
    }
}

// ---------------------------------------------------------------------------------------------
// TPimPimFile

TPimPimFile::TPimPimFile() : FUserStream(std::make_unique<TMemoryStream>()) {
    SetPixelsPerInchX(Screen()->PixelsPerInch());
    SetPixelsPerInchY(Screen()->PixelsPerInch());
}

TPimPimFile::~TPimPimFile() {
    TPimPimFile::Clear();
}

void TPimPimFile::Clear() {
    TPimFile::Clear();
    FLastFont = FLastPen = FLastBrush = -1;
    FCurrFont = FCurrPen = FCurrBrush = -1;
    FObjects.reset();
    FObjectIndex.clear();
    FRecent = {};
    FSelectedFontValid = false;
    FUserStream->Clear();
}

TPimStream& TPimPimFile::PageStream() {
    if (!FStream) throw Exception(QString::fromLatin1(SNotRecording));
    return *FStream;
}

void TPimPimFile::BeginDoc() {
    FPercentDone = 0;
    PimFileHeader = TPimFileHeader();
    PimFileHeader.Key = PimFileKey;
    PimFileHeader.Version = PimFileVersion;
    PimFileHeader.HeaderLen = 0;
    Clear();
    FStream = std::make_unique<TPimStream>();
    FObjects = std::make_unique<TPimPimFileObjects>();
    FPimStartPrinterSetup = std::make_unique<TPimPrinterSetup>();
    FPimStartPrinterSetup->Assign(FPimPrinterSetup.get());
    AddPage(0);
    FPimPrinterSetup->WriteToStream(*FStream);
    WriteType(rtStartPage);
    FRunning = true;
}

void TPimPimFile::NewPage() {
    TPimStream& S = PageStream();
    WriteType(rtEndPage);
    AddPage(int32_t(S.Position()));
    FPimPrinterSetup->WriteToStream(S);
    WriteType(rtStartPage);
    for (int Index : {FCurrFont, FCurrPen, FCurrBrush})
        if (Index != -1) SelectObject(Index);
}

void TPimPimFile::EndDoc() {
    Finish(FCreateFile);
}

void TPimPimFile::AbortDoc() {
    Finish(false);
}

void TPimPimFile::Finish(bool WriteFile) {
    if (!FRunning) return;
    // Whatever happens below, the document is closed: a job that failed to write its file must not
    // leave a document that records for ever.
    struct TStop {
        TPimPimFile* F;
        ~TStop() {
            F->FPimStartPrinterSetup.reset();
            F->FRunning = false;
            F->FPercentDone = 100;
        }
    } Stop{this};
    WriteType(rtEndPage);
    PimFileInfo.Pages = PageCount();
    PimFileInfo.Objects = uint16_t(FObjects ? FObjects->size() : 0);
    SetDescriptionField();
    if (WriteFile)
        WriteFileTo(FFileName, *FPimStartPrinterSetup);
    else
        FPimPrinterSetup->Assign(FPimStartPrinterSetup.get());
}

// Object selection

void TPimPimFile::SetFont(const TFont& Font) {
    SetLogFont(Font, Font.LogFont());
}

void TPimPimFile::SetLogFont(const TFont& Font, const TLogFont& LogFont) {
    // A label selects the font the one before it selected, most of the time: the same font and log
    // font give the same entry.
    FSelectedFontValid = FSelectedFontValid && FObjects && FObjectIndex.size() == FObjects->size();
    if (FSelectedFontValid && Font == FSelectedFont && LogFont == FSelectedLogFont) {
        FCurrFont = FSelectedFontIndex;
        SelectObject(FCurrFont);
        return;
    }
    TPimLogFont F;
    F.Color = Font.Color();
    F.Size = uint16_t(Font.Size());
    F.Italic = LogFont.lfItalic;
    F.Underline = LogFont.lfUnderline;
    F.StrikeOut = LogFont.lfStrikeOut;
    F.Escapement = uint16_t(uint32_t(LogFont.lfEscapement) & 0xFFFF);
    F.Weight = uint16_t(uint32_t(LogFont.lfWeight) & 0xFFFF);
    F.CharSet = LogFont.lfCharSet;
    F.OutPrecision = LogFont.lfOutPrecision;
    F.ClipPrecision = LogFont.lfClipPrecision;
    F.Quality = LogFont.lfQuality;
    F.PitchAndFamily = LogFont.lfPitchAndFamily;
    PimSetWideField(F.Name, PimFontNameLength, Font.Name());
    FCurrFont = FindOrAdd(aotFont, &F, nullptr, nullptr);
    FSelectedFont = Font;
    FSelectedLogFont = LogFont;
    FSelectedFontIndex = FCurrFont;
    FSelectedFontValid = true;
    SelectObject(FCurrFont);
}

void TPimPimFile::SetPen(const TPen& Pen) {
    TPimLogPen P;
    P.Color = Pen.Color();
    P.Style = Pen.Style();
    P.Width = uint16_t(Pen.Width());
    P.Mode = Pen.Mode();
    FCurrPen = FindOrAdd(aotPen, nullptr, &P, nullptr);
    SelectObject(FCurrPen);
}

void TPimPimFile::SetBrush(const TBrush& Brush) {
    TPimLogBrush B;
    B.Color = Brush.Color();
    B.Style = Brush.Style();
    FCurrBrush = FindOrAdd(aotBrush, nullptr, nullptr, &B);
    SelectObject(FCurrBrush);
}

// The identity of an object in the table: its kind and the bytes that decide equality (a font's
// name only up to its terminator).
std::string TPimPimFile::ObjectKey(TPimPimFileObjectTypes Kind, const TPimLogFont* Font,
                                   const TPimLogPen* Pen, const TPimLogBrush* Brush) {
    // Built in place, field by field in the file's byte order: every text a report draws asks for
    // its font, so the key must cost no stream and no allocation beyond the string's own.
    std::string Key;
    Key.reserve(1 + 18 + 2 * PimFontNameLength);
    auto Put = [&Key](uint32_t Value, int Bytes) {
        for (int i = 0; i < Bytes; ++i)
            Key.push_back(static_cast<char>((Value >> (8 * i)) & 0xFF));
    };
    Put(Kind, 1);
    if (Font) {
        Put(uint32_t(Font->Color), 4);
        Put(Font->Size, 2);
        Put(Font->Italic, 1);
        Put(Font->Underline, 1);
        Put(Font->StrikeOut, 1);
        Put(Font->Escapement, 2);
        Put(Font->Weight, 2);
        Put(Font->CharSet, 1);
        Put(Font->OutPrecision, 1);
        Put(Font->ClipPrecision, 1);
        Put(Font->Quality, 1);
        Put(Font->PitchAndFamily, 1);
        for (int N = 0; N < PimFontNameLength && Font->Name[N] != 0; ++N)
            Put(Font->Name[N], 2);
    }
    if (Pen) {
        Put(uint32_t(Pen->Color), 4);
        Put(Pen->Style, 1);
        Put(Pen->Width, 2);
        Put(Pen->Mode, 1);
    }
    if (Brush) {
        Put(uint32_t(Brush->Color), 4);
        Put(Brush->Style, 1);
    }
    return Key;
}

int TPimPimFile::FindOrAdd(TPimPimFileObjectTypes Kind, const TPimLogFont* Font, const TPimLogPen* Pen,
                           const TPimLogBrush* Brush) {
    if (!FObjects) throw Exception(QString::fromLatin1(SNotRecording));
    // The table is searched through an index of its entries' identities, which finds the same first
    // equal entry a scan from index 0 would.
    TPimPimFileObjects& Table = *FObjects;
    if (FObjectIndex.size() == Table.size()) {
        auto Same = [&](const TRecentObject& R) {
            return R.Kind == Kind && ((Font && PimLogFontEqual(R.Font, *Font)) || (Pen && R.Pen == *Pen) ||
                                      (Brush && R.Brush == *Brush));
        };
        size_t& Hit = FRecentHit[Kind];
        if (Same(FRecent[Hit])) return FRecent[Hit].Index;
        for (size_t i = 0; i < FRecent.size(); ++i)
            if (Same(FRecent[i])) {
                Hit = i;
                return FRecent[i].Index;
            }
    }
    const int Index = FindOrAddIndexed(Kind, Font, Pen, Brush);
    TRecentObject& R = FRecent[FRecentNext];
    FRecentNext = (FRecentNext + 1) % FRecent.size();
    R.Kind = Kind;
    if (Font) R.Font = *Font;
    if (Pen) R.Pen = *Pen;
    if (Brush) R.Brush = *Brush;
    R.Index = Index;
    return Index;
}

int TPimPimFile::FindOrAddIndexed(TPimPimFileObjectTypes Kind, const TPimLogFont* Font, const TPimLogPen* Pen,
                                  const TPimLogBrush* Brush) {
    TPimPimFileObjects& Table = *FObjects;
    // Entries put into the table through Objects() are indexed before the search.
    if (FObjectIndex.size() != Table.size()) {
        FRecent = {};
        FObjectIndex.clear();
        for (size_t i = 0; i < Table.size(); ++i) {
            const TPimPimFileObject& E = *Table[i];
            FObjectIndex.emplace(ObjectKey(E.ObjectType, E.ObjectType == aotFont ? &E.LogFont : nullptr,
                                           E.ObjectType == aotPen ? &E.LogPen : nullptr,
                                           E.ObjectType == aotBrush ? &E.LogBrush : nullptr),
                                 int(i));
        }
    }
    const std::string Key = ObjectKey(Kind, Font, Pen, Brush);
    if (auto It = FObjectIndex.find(Key); It != FObjectIndex.end()) return It->second;
    if (int(Table.size()) >= MaxObjects)
        throw Exception(FormatText(QString::fromLatin1(STooManyObjects), {QString::number(MaxObjects)}));
    auto O = std::make_unique<TPimPimFileObject>();
    O->ObjectType = Kind;
    if (Font) O->LogFont = *Font;
    if (Pen) O->LogPen = *Pen;
    if (Brush) O->LogBrush = *Brush;
    Table.push_back(std::move(O));
    const int Index = int(Table.size()) - 1;
    FObjectIndex.emplace(Key, Index);
    return Index;
}

void TPimPimFile::SelectObject(int Index) {
    TRecord R(rtSelectObject);
    R.SmallInt(Index);
    R.WriteTo(PageStream());
}

// Record writers

void TPimPimFile::SetTextAlign(uint16_t Flags) {
    TRecord R(rtSetTextAlign);
    R.Word(Flags);
    R.WriteTo(PageStream());
}

void TPimPimFile::Textout(int X, int Y, const QString& Text) {
    TRecord R(rtTextout);
    R.SmallInt(X);
    R.SmallInt(Y);
    R.String(Text);
    R.WriteTo(PageStream());
}

void TPimPimFile::PTextout(int X, int Y, const char16_t* Text, int Count) {
    TRecord R(rtPTextout);
    R.SmallInt(X);
    R.SmallInt(Y);
    R.LongInt(Count);
    R.Chars(Text, std::max(Count, 0));
    R.WriteTo(PageStream());
}

void TPimPimFile::ExtTextout(int X, int Y, uint16_t Options, const TRect& Rect, const char16_t* Text,
                             int Count) {
    TRecord R(rtExtTextout);
    R.SmallInt(X);
    R.SmallInt(Y);
    R.Word(Options);
    R.Rect(Rect);
    R.LongInt(Count);
    R.Chars(Text, std::max(Count, 0));
    R.WriteTo(PageStream());
}

void TPimPimFile::TextRect(const TRect& Rect, int X, int Y, const QString& Text) {
    TRecord R(rtTextRect);
    R.Rect(Rect);
    R.SmallInt(X);
    R.SmallInt(Y);
    R.String(Text);
    R.WriteTo(PageStream());
}

void TPimPimFile::MoveTo(int X, int Y) {
    TRecord R(rtMoveTo);
    R.SmallInt(X);
    R.SmallInt(Y);
    R.WriteTo(PageStream());
}

void TPimPimFile::LineTo(int X, int Y) {
    TRecord R(rtLineTo);
    R.SmallInt(X);
    R.SmallInt(Y);
    R.WriteTo(PageStream());
}

void TPimPimFile::FillRect(const TRect& Rect) {
    TRecord R(rtFillRect);
    R.Rect(Rect);
    R.WriteTo(PageStream());
}

void TPimPimFile::Rectangle(int X1, int Y1, int X2, int Y2) {
    TRecord R(rtRectangle);
    for (int V : {X1, Y1, X2, Y2})
        R.SmallInt(V);
    R.WriteTo(PageStream());
}

void TPimPimFile::RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3) {
    TRecord R(rtRoundRect);
    for (int V : {X1, Y1, X2, Y2, X3, Y3})
        R.SmallInt(V);
    R.WriteTo(PageStream());
}

void TPimPimFile::Ellipse(int X1, int Y1, int X2, int Y2) {
    TRecord R(rtEllipse);
    for (int V : {X1, Y1, X2, Y2})
        R.SmallInt(V);
    R.WriteTo(PageStream());
}

void TPimPimFile::WriteGraphic(uint16_t Type, const TRect* Rect, int X, int Y, const TGraphic* Graphic) {
    if (!Graphic) return;
    TMemoryStream Image;
    Graphic->SaveToStream(Image);
    if (Image.Size() == 0) return;
    TRecord R(Type);
    if (Rect) {
        R.Rect(*Rect);
    } else {
        R.SmallInt(X);
        R.SmallInt(Y);
    }
    R.Word(GraphicKind(Graphic));
    R.LongInt(int32_t(Image.Size()));
    R.Bytes(Image.Memory(), size_t(Image.Size()));
    R.WriteTo(PageStream());
}

void TPimPimFile::Draw(int X, int Y, const TGraphic* Graphic) {
    WriteGraphic(rtDraw, nullptr, X, Y, Graphic);
}

void TPimPimFile::StretchDraw(const TRect& Rect, const TGraphic* Graphic) {
    WriteGraphic(rtStretchDraw, &Rect, 0, 0, Graphic);
}

void TPimPimFile::ShadeRect(const TRect& Rect, TPimShadePercent Shade) {
    TRecord R(rtShadeRect);
    R.Rect(Rect);
    R.SmallInt(Shade);
    R.WriteTo(PageStream());
}

void TPimPimFile::SetBkColor(int32_t bkColor) {
    TRecord R(rtSetBkColor);
    R.LongInt(bkColor);
    R.WriteTo(PageStream());
}

void TPimPimFile::TextJustify(const TRect& Rect, int X, int Y, const QString& Text, bool EndParagraph,
                              const TRect& FullRect) {
    TRecord R(rtTextJustify);
    R.Rect(Rect);
    R.SmallInt(X);
    R.SmallInt(Y);
    R.String(Text);
    R.Boolean(EndParagraph);
    R.Rect(FullRect);
    R.WriteTo(PageStream());
}

void TPimPimFile::DrawBitmap(int X, int Y, TStream* Stream) {
    if (!HasData(Stream)) return;
    TPimStream& S = PageStream();
    TRecord R(rtDrawBitmap);
    R.SmallInt(X);
    R.SmallInt(Y);
    R.WriteTo(S);
    WriteWholeStream(S, *Stream);
}

void TPimPimFile::StretchDrawBitmap(const TRect& Rect, TStream* Stream) {
    if (!HasData(Stream)) return;
    TPimStream& S = PageStream();
    TRecord R(rtStretchDrawBitmap);
    R.Rect(Rect);
    R.WriteTo(S);
    WriteWholeStream(S, *Stream);
}

void TPimPimFile::RtfDraw(const TRect& Rect, TStream* Stream, int StartPos, int EndPos, bool SetDefFont) {
    if (!HasData(Stream)) return;
    TPimStream& S = PageStream();
    TRecord R(rtRtfDraw);
    // The length counts itself, the Rect, the Boolean, both positions and the stream's own length
    // field, so that a reader can skip the record without knowing its parts.
    R.LongInt(int32_t(Stream->Size() + 25));
    R.Rect(Rect);
    R.Boolean(SetDefFont);
    R.LongInt(StartPos);
    R.LongInt(EndPos);
    R.WriteTo(S);
    WriteWholeStream(S, *Stream);
}

void TPimPimFile::DrawCheckBox(const TRect& Rect, TPimCheckStyle CheckStyle, TColor Color, int Thickness) {
    TRecord R(rtDrawCheckBox);
    R.Rect(Rect);
    R.SmallInt(CheckStyle);
    R.LongInt(Color);
    R.SmallInt(Thickness);
    R.WriteTo(PageStream());
}

void TPimPimFile::DrawShapeType(TPimDrawType dt, int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4,
                                int Y4) {
    TRecord R(rtDrawShapeType);
    R.SmallInt(dt);
    for (int V : {X1, X2, X3, X4, Y1, Y2, Y3, Y4})
        R.LongInt(V);
    R.WriteTo(PageStream());
}

void TPimPimFile::PolyDrawType(TPimPolyType pt, const TPoint* Points, int Count) {
    TRecord R(rtPolyDrawType);
    R.SmallInt(pt);
    R.SmallInt(Count);
    for (int i = 0; i < Count; ++i) {
        R.LongInt(Points[i].X);
        R.LongInt(Points[i].Y);
    }
    R.WriteTo(PageStream());
}

void TPimPimFile::WriteBarcode(uint16_t Type, int Left, int Top, int Width, int Height, int NarrowWidth,
                               int WideWidth, bool Inches, bool Vertical, const QString& BarData) {
    TRecord R(Type);
    for (int V : {Left, Top, Width, Height, NarrowWidth, WideWidth})
        R.SmallInt(V);
    R.Boolean(Inches);
    R.Boolean(Vertical);
    R.String(BarData);
    R.WriteTo(PageStream());
}

void TPimPimFile::Print3of9Barcode(int Left, int Top, int Width, int Height, int NarrowWidth, int WideWidth,
                                   bool Inches, bool Vertical, const QString& BarData) {
    WriteBarcode(rtPrint3of9Barcode, Left, Top, Width, Height, NarrowWidth, WideWidth, Inches, Vertical,
                 BarData);
}

void TPimPimFile::Print2of5Barcode(int Left, int Top, int Width, int Height, int NarrowWidth, int WideWidth,
                                   bool Inches, bool Vertical, const QString& BarData) {
    WriteBarcode(rtPrint2of5Barcode, Left, Top, Width, Height, NarrowWidth, WideWidth, Inches, Vertical,
                 BarData);
}

void TPimPimFile::WritePrinterInfo(const TPimFilePrinterInfo& Info) {
    TPimStream& S = PageStream();
    WriteType(rtPrinterInfo);
    PimWriteFilePrinterInfo(S, Info);
}

// Primitives

void TPimPimFile::WriteWord(uint16_t Value) {
    PageStream().WriteUInt16(Value);
}
void TPimPimFile::WriteSmallInt(int Value) {
    PageStream().WriteUInt16(uint16_t(uint32_t(Value) & 0xFFFF));
}
void TPimPimFile::WriteLongInt(int32_t Value) {
    PageStream().WriteInt32(Value);
}
void TPimPimFile::WriteBoolean(bool Value) {
    PageStream().WriteUInt8(Value ? 1 : 0);
}

void TPimPimFile::WriteRect(const TRect& Rect) {
    for (int V : {Rect.Left, Rect.Top, Rect.Right, Rect.Bottom})
        WriteSmallInt(V);
}

void TPimPimFile::WriteString(const QString& Text) {
    TPimStream& S = PageStream();
    S.WriteInt32(int32_t(Text.size() * 2));
    for (QChar C : Text)
        S.WriteUInt16(C.unicode());
}

void TPimPimFile::WritePChar(const char16_t* Text, int Count) {
    TPimStream& S = PageStream();
    for (int i = 0; i < Count; ++i)
        S.WriteUInt16(Text[i]);
}

void TPimPimFile::WriteStream(TStream& S) {
    WriteWholeStream(PageStream(), S);
}

uint16_t TPimPimFile::ReadWord() {
    return PageStream().ReadUInt16();
}
int16_t TPimPimFile::ReadSmallInt() {
    return PageStream().ReadInt16();
}
int32_t TPimPimFile::ReadLongInt() {
    return PageStream().ReadInt32();
}
bool TPimPimFile::ReadBoolean() {
    return PageStream().ReadUInt8() != 0;
}

TRect TPimPimFile::ReadRect() {
    TRect R;
    R.Left = ReadSmallInt();
    R.Top = ReadSmallInt();
    R.Right = ReadSmallInt();
    R.Bottom = ReadSmallInt();
    return R;
}

QString TPimPimFile::ReadString() {
    if (IsOldFormat()) return ReadAnsiString();
    TPimStream& S = PageStream();
    const int32_t N = S.ReadInt32();
    if (N < 0 || N > S.Size() - S.Position()) throw EReadError(QStringLiteral("Stream read error"));
    QString Text(N / 2, Qt::Uninitialized);
    for (int i = 0; i < N / 2; ++i)
        Text[i] = QChar(S.ReadUInt16());
    if (N % 2) S.ReadUInt8();
    return Text;
}

void TPimPimFile::ReadPChar(char16_t* Buffer, int Count) {
    TPimStream& S = PageStream();
    for (int i = 0; i < Count; ++i)
        Buffer[i] = S.ReadUInt16();
}

void TPimPimFile::ReadStream(TStream& S) {
    TPimStream& P = PageStream();
    const int32_t N = P.ReadInt32();
    if (N < 0 || N > P.Size() - P.Position()) throw EReadError(QStringLiteral("Stream read error"));
    if (N > 0) S.CopyFrom(P, N);
}

// A printer-info record on a page has its collation byte in files of every version; only the file's
// own printer info before 3.0 goes without it.
void TPimPimFile::ReadPrinterInfo(TPimFilePrinterInfo& Info) {
    PimReadFilePrinterInfo(PageStream(), Info, true);
    CheckPaperSize(Info, PageStream());
}

// Sending

void TPimPimFile::Send(TPimFile* PimFile) {
    if (PimFile) PimFile->LoadPimFile(this);
}

void TPimPimFile::SendPage(TPimFile* PimFile, int Page) {
    if (PimFile) PimFile->LoadPage(this, Page);
}

void TPimPimFile::SendPages(TPimFile* PimFile, int StartPage, int EndPage) {
    if (PimFile) PimFile->LoadPages(this, StartPage, EndPage);
}

int TPimPimFile::PageWidth() const {
    return int(Round(PixelsPerInchX() * FPimPrinterSetup->Width()));
}

int TPimPimFile::PageHeight() const {
    return int(Round(PixelsPerInchY() * FPimPrinterSetup->Length()));
}

void TPimPimFile::SetUserStream(TStream& Value) {
    FUserStream->Clear();
    const int64_t N = Value.Size();
    if (N > 0) FUserStream->CopyFrom(Value, N);
}
