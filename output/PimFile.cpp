#include "output/PimFile.h"

#include "host/encoding.h"
#include "host/exceptions.h"
#include "host/forms.h"
#include "host/graphic.h"
#include "host/mathutil.h"
#include "host/streams.h"

#include <QFile>

#include <algorithm>
#include <cstring>

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

// The whole of a stream from its start, with its size in front.
void WriteWholeStream(TStream& Target, TStream& S) {
    const int64_t N = S.Size();
    Target.WriteInt32(int32_t(N));
    if (N > 0) {
        S.SetPosition(0);
        Target.CopyFrom(S, N);
    }
}

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
        if (H) DeleteObject(H);
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

void TPimPimFile::WriteFileTo(const QString& FileName, const TPimPrinterSetup& Setup) {
    try {
        TFileStream File(FileName, fmCreate);
        WriteDocument(File, Setup);
    } catch (...) {
        QFile::remove(FileName);
        throw;
    }
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

// Object selection

void TPimPimFile::SetFont(const TFont& Font) {
    SetLogFont(Font, Font.LogFont());
}

void TPimPimFile::SetLogFont(const TFont& Font, const TLogFont& LogFont) {
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
    TMemoryStream M;
    M.WriteUInt8(Kind);
    if (Font) {
        PimWriteLogFont(M, *Font);
        int N = 0;
        while (N < PimFontNameLength && Font->Name[N] != 0)
            ++N;
        M.SetSize(1 + 18 + 2 * N);
    }
    if (Pen) PimWriteLogPen(M, *Pen);
    if (Brush) PimWriteLogBrush(M, *Brush);
    return std::string(reinterpret_cast<const char*>(M.Memory()), size_t(M.Size()));
}

int TPimPimFile::FindOrAdd(TPimPimFileObjectTypes Kind, const TPimLogFont* Font, const TPimLogPen* Pen,
                           const TPimLogBrush* Brush) {
    if (!FObjects) throw Exception(QString::fromLatin1(SNotRecording));
    // The table is searched through an index of its entries' identities, which finds the same first
    // equal entry a scan from index 0 would.
    const std::string Key = ObjectKey(Kind, Font, Pen, Brush);
    if (auto It = FObjectIndex.find(Key); It != FObjectIndex.end()) return It->second;
    TPimPimFileObjects& Table = *FObjects;
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

void TPimPimFile::ReadPrinterInfo(TPimFilePrinterInfo& Info) {
    const bool WithCollate = !IsOldFormat() || PimFileHeader.Version >= PimVersionCollate;
    PimReadFilePrinterInfo(PageStream(), Info, WithCollate);
    if (!WithCollate) Info.CollatedCopies = true;
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

// ---------------------------------------------------------------------------------------------
// The document file

namespace {

const char* const SNotPimFile = "ERROR: not an PIM file";
const char* const SVersionNotSupported = "This PIM File Version is not supported";

// A loaded file is untrusted: a count, length or offset that reaches past what the stream holds is a
// file cut short or damaged, reported as the short read it would otherwise become, before anything
// is allocated for it.
[[noreturn]] void DamagedFile() {
    throw EReadError(QStringLiteral("Stream read error"));
}

int64_t Remaining(TStream& S) {
    return S.Size() - S.Position();
}

void CheckAvailable(TStream& S, int64_t Count) {
    if (Count < 0 || Count > Remaining(S)) DamagedFile();
}

// The 36-byte printer info of files before 3.0: the 37-byte form without its collation byte.
void WriteOldPrinterInfo(TStream& Target, const TPimFilePrinterInfo& Info) {
    TMemoryStream Full;
    PimWriteFilePrinterInfo(Full, Info);
    Target.WriteBuffer(Full.Memory(), PimOldPrinterInfoSize);
}

} // namespace

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
    // Written so that a version that is not a number is refused too.
    if (!(Header.Version <= PimFileVersion)) throw Exception(QString::fromLatin1(SVersionNotSupported));
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
    CheckPageOffsets();
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

void TPimPimFile::CheckPageOffsets() {
    // Each page must hold at least the type of its first record.
    const int64_t Size = FStream->Size();
    for (int i = 0; i < PageCount(); ++i) {
        const int32_t Pos = PagePosition(i)->Pos;
        if (Pos < 0 || Pos + int64_t(2) > Size) DamagedFile();
    }
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
