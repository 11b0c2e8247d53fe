#include "output/PimImg.h"

#include "host/mathutil.h"
#include "output/PimTypes.h"

#include <QBuffer>
#include <QImageReader>
#include <algorithm>

namespace {

// The largest picture a bitmap may claim; beyond it a damaged header could exhaust memory.
constexpr int64_t MaxBitmapPixels = int64_t(1) << 26;

// Reads up to Count bytes and puts the position back; says how many were there.
int64_t Peek(TStream& Stream, uint8_t* Buffer, int64_t Count) {
    const int64_t Start = Stream.Position();
    const int64_t Got = Stream.Read(Buffer, Count);
    Stream.SetPosition(Start);
    return Got;
}

int64_t BytesLeft(TStream& Stream) {
    return Stream.Size() - Stream.Position();
}

template <class T> std::unique_ptr<TGraphic> TryLoad(TStream& Stream, int64_t Start) {
    auto Graphic = std::make_unique<T>();
    try {
        Graphic->LoadFromStream(Stream);
        return Graphic;
    } catch (const std::exception&) {
        Stream.SetPosition(Start);
        return nullptr;
    }
}

int64_t RowBytes(int64_t Width, int BitCount) {
    return ((Width * BitCount + 31) / 32) * 4;
}

int ColoursOf(int BitCount) {
    return BitCount == 1 || BitCount == 4 || BitCount == 8 ? 1 << BitCount : 0;
}

// The bitmap's own resolution as pixels per inch; nothing sensible gives 0.
int PelsPerMeterToInch(int32_t PelsPerMeter) {
    if (PelsPerMeter <= 0) return 0;
    return std::max(0, MulDiv(PelsPerMeter, 254, 10000));
}

} // namespace

// Format tests

bool PimIsBlob(TStream* Stream) {
    if (Stream == nullptr) return false;
    const int64_t Size = Stream->Size();
    uint8_t Header[8];
    Stream->SetPosition(0);
    if (Size >= 8 && Stream->Read(Header, 8) == 8 && GetUInt16LE(Header) == 1 &&
        GetUInt16LE(Header + 2) == 0x0100 && int64_t(GetUInt32LE(Header + 4)) == Size - 8)
        return true;
    Stream->SetPosition(0);
    return false;
}

bool PimIsBitmap(TStream* Stream) {
    if (Stream == nullptr || BytesLeft(*Stream) <= 0) return false;
    uint8_t Header[14];
    return Peek(*Stream, Header, sizeof Header) >= 2 && GetUInt16LE(Header) == 0x4D42;
}

bool PimIsEMF(TStream* Stream) {
    if (Stream == nullptr || BytesLeft(*Stream) <= 108) return false;
    uint8_t Header[44];
    return Peek(*Stream, Header, sizeof Header) == int64_t(sizeof Header) && GetUInt32LE(Header) == 1 &&
           GetUInt32LE(Header + 40) == 0x464D4520;
}

bool PimIsPlaceWMF(TStream* Stream) {
    if (Stream == nullptr || BytesLeft(*Stream) <= 22) return false;
    uint8_t Header[22];
    if (Peek(*Stream, Header, sizeof Header) != int64_t(sizeof Header)) return false;
    if (GetUInt32LE(Header) != PimPlaceHeadKey) return false;
    uint16_t Sum = 0;
    for (int i = 0; i < 10; ++i)
        Sum ^= GetUInt16LE(Header + 2 * i);
    return Sum == GetUInt16LE(Header + 20);
}

bool PimIsIcon(TStream* Stream) {
    if (Stream == nullptr || BytesLeft(*Stream) <= 0) return false;
    uint8_t Header[6];
    if (Peek(*Stream, Header, sizeof Header) < 4) return false;
    const uint16_t Type = GetUInt16LE(Header + 2);
    return Type == 0 || Type == 1;
}

std::unique_ptr<TGraphic> PimGetGraphic(TStream* Stream) {
    if (Stream == nullptr) return nullptr;
    PimIsBlob(Stream);
    const int64_t Start = Stream->Position();
    std::unique_ptr<TGraphic> Result;
    if (PimIsBitmap(Stream)) Result = TryLoad<TBitmap>(*Stream, Start);
    if (!Result && (PimIsEMF(Stream) || PimIsPlaceWMF(Stream))) Result = TryLoad<TMetafile>(*Stream, Start);
    if (!Result && PimIsIcon(Stream)) Result = TryLoad<TIcon>(*Stream, Start);
    if (!Result) Result = TryLoad<TPngImage>(*Stream, Start);
    if (!Result) Result = TryLoad<TGIFImage>(*Stream, Start);
    if (!Result) Result = TryLoad<TJPEGImage>(*Stream, Start);
    if (!Result) Result = TryLoad<TWICImage>(*Stream, Start);
    return Result;
}

namespace {

// Draws through a temporary host canvas and leaves the device context's state as it was, also
// when drawing raises.
template <typename Paint> void WithCanvasOn(DeviceContext& DC, Paint&& PaintOn) {
    struct TStateGuard {
        DeviceContext& DC;
        explicit TStateGuard(DeviceContext& D) : DC(D) { DC.SaveDC(); }
        ~TStateGuard() { DC.RestoreDC(-1); }
    } Guard(DC);
    TCanvas Canvas(&DC);
    PaintOn(Canvas);
}

} // namespace

void PimDrawBitMap(DeviceContext& DC, int X, int Y, const TGraphic* Graphic) {
    if (Graphic == nullptr) return;
    WithCanvasOn(DC, [&](TCanvas& Canvas) {
        if (dynamic_cast<const TMetafile*>(Graphic) != nullptr)
            Canvas.StretchDraw(Bounds(X, Y, std::abs(Graphic->Width()), std::abs(Graphic->Height())), *Graphic);
        else
            Canvas.Draw(X, Y, *Graphic);
    });
}

void PimStretchDrawBitMap(DeviceContext& DC, const TRect& Rect, const TGraphic* Graphic) {
    if (Graphic == nullptr) return;
    WithCanvasOn(DC, [&](TCanvas& Canvas) { Canvas.StretchDraw(Rect, *Graphic); });
}

void PimDrawMetaFile(DeviceContext&, const TRect&, const TMetafile*) {}

// TPimImage

TPimImage::~TPimImage() = default;

// TPimBitmap

TPimBitmap::TPimBitmap() : FBitmapStream(std::make_unique<TMemoryStream>()) {
    FPixelsPerInch = TGraphic::ScreenPixelsPerInch();
}

TPimBitmap::~TPimBitmap() {
    Clear();
}

void TPimBitmap::Clear() {
    FBitmapStream->Clear();
    if (FPalette != 0) DeleteObject(FPalette);
    FPalette = 0;
    FDC = nullptr;
    FBitmapType = abtNone;
    FMonochrome = false;
    FBitmapFileHeader = {};
    FCoreHeader = {};
    FInfoHeader = {};
    FColorSize = 0;
    FBitsSize = 0;
    FBitsOffset = 0;
    FWidth = FHeight = 0;
    FImage = QImage();
}

// The whole rest of the stream is taken as the image; its headers are checked against what is really
// there, so a damaged file leaves the bitmap empty instead of being read past its end.
void TPimBitmap::LoadFromStream(TStream* Stream) {
    Clear();
    if (Stream == nullptr || Stream->Position() >= Stream->Size()) return;
    if (BytesLeft(*Stream) < 14) return;
    uint8_t Header[14];
    Stream->ReadBuffer(Header, sizeof Header);
    if (GetUInt16LE(Header) != 0x4D42) return;
    FBitmapFileHeader.bfType = GetUInt16LE(Header);
    FBitmapFileHeader.bfSize = GetUInt32LE(Header + 2);
    FBitmapFileHeader.bfReserved1 = GetUInt16LE(Header + 6);
    FBitmapFileHeader.bfReserved2 = GetUInt16LE(Header + 8);
    FBitmapFileHeader.bfOffBits = GetUInt32LE(Header + 10);
    const int64_t Left = BytesLeft(*Stream);
    if (Left <= 0 || Left > INT32_MAX) {
        Clear();
        return;
    }
    FBitmapStream->CopyFrom(*Stream, Left);
    if (!InitBitmap()) {
        Clear();
        return;
    }
    FBitmapStream->SetPosition(0);
}

bool TPimBitmap::InitBitmap() {
    if (FBitmapStream->Size() < 4) return false;
    const uint32_t HeaderSize = GetUInt32LE(FBitmapStream->Memory());
    if (HeaderSize == 12) return InitCoreHeader();
    // Versions 4 and 5 (108 and 124 bytes) begin with the same 40 bytes; their masks live inside the
    // header, so the colour table follows it.
    if (HeaderSize == 40 || HeaderSize == 108 || HeaderSize == 124) return InitInfoHeader(HeaderSize);
    return false;
}

bool TPimBitmap::InitCoreHeader() {
    const int64_t Length = FBitmapStream->Size();
    if (Length < 12) return false;
    const uint8_t* p = FBitmapStream->Memory();
    FCoreHeader.bcSize = GetUInt32LE(p);
    FCoreHeader.bcWidth = GetUInt16LE(p + 4);
    FCoreHeader.bcHeight = GetUInt16LE(p + 6);
    FCoreHeader.bcPlanes = GetUInt16LE(p + 8);
    FCoreHeader.bcBitCount = GetUInt16LE(p + 10);
    const int Bits = FCoreHeader.bcBitCount;
    if (Bits != 1 && Bits != 4 && Bits != 8 && Bits != 24) return false;
    const int64_t Width = FCoreHeader.bcWidth, Height = FCoreHeader.bcHeight;
    if (Width == 0 || Height == 0 || Width * Height > MaxBitmapPixels) return false;
    FMonochrome = FCoreHeader.bcPlanes == 1 && Bits == 1;
    FColorSize = 3 * ColoursOf(Bits);
    FBitsOffset = 12 + FColorSize;
    const int64_t Needed = RowBytes(Width, Bits) * Height;
    if (int64_t(FBitsOffset) + Needed > Length) return false;
    FBitsSize = static_cast<int32_t>(Needed);
    FWidth = static_cast<int>(Width);
    FHeight = static_cast<int>(Height);
    FBitmapType = abtPresMan;
    return true;
}

bool TPimBitmap::InitInfoHeader(uint32_t HeaderSize) {
    const int64_t Length = FBitmapStream->Size();
    if (Length < HeaderSize) return false;
    const uint8_t* p = FBitmapStream->Memory();
    TPimBitmapInfoHeader& h = FInfoHeader;
    h.biSize = GetUInt32LE(p);
    h.biWidth = static_cast<int32_t>(GetUInt32LE(p + 4));
    h.biHeight = static_cast<int32_t>(GetUInt32LE(p + 8));
    h.biPlanes = GetUInt16LE(p + 12);
    h.biBitCount = GetUInt16LE(p + 14);
    h.biCompression = GetUInt32LE(p + 16);
    h.biSizeImage = GetUInt32LE(p + 20);
    h.biXPelsPerMeter = static_cast<int32_t>(GetUInt32LE(p + 24));
    h.biYPelsPerMeter = static_cast<int32_t>(GetUInt32LE(p + 28));
    h.biClrUsed = GetUInt32LE(p + 32);
    h.biClrImportant = GetUInt32LE(p + 36);

    const int Bits = h.biBitCount;
    if (Bits != 1 && Bits != 4 && Bits != 8 && Bits != 16 && Bits != 24 && Bits != 32) return false;
    const bool Rle = h.biCompression == BI_RLE8 || h.biCompression == BI_RLE4;
    if (h.biCompression == BI_RLE8 && Bits != 8) return false;
    if (h.biCompression == BI_RLE4 && Bits != 4) return false;
    if (h.biCompression == BI_BITFIELDS && Bits != 16 && Bits != 32) return false;
    if (h.biCompression > BI_BITFIELDS) return false;
    const int64_t Width = h.biWidth;
    const int64_t Height = h.biHeight < 0 ? -int64_t(h.biHeight) : int64_t(h.biHeight);
    if (Width <= 0 || Height == 0 || Width * Height > MaxBitmapPixels) return false;
    if (Rle && h.biHeight < 0) return false;

    if (h.biClrUsed == 0) h.biClrUsed = ColoursOf(Bits);
    if (Bits <= 8 && h.biClrUsed > uint32_t(1 << Bits)) return false;
    const int64_t ColorSize =
        4 * int64_t(h.biClrUsed) + (HeaderSize == 40 && h.biCompression == BI_BITFIELDS ? 12 : 0);
    if (HeaderSize + ColorSize > Length) return false;
    FColorSize = static_cast<uint32_t>(ColorSize);
    FBitsOffset = HeaderSize + FColorSize;
    // A file may leave a gap before its bits; its own offset is used where it points inside the image.
    const int64_t Declared = int64_t(FBitmapFileHeader.bfOffBits) - 14;
    if (Declared > int64_t(FBitsOffset) && Declared < Length) FBitsOffset = static_cast<uint32_t>(Declared);

    const int64_t Available = Length - FBitsOffset;
    if (Rle) {
        if (Available <= 0) return false;
        FBitsSize = static_cast<int32_t>(Available);
    } else {
        const int64_t Needed = RowBytes(Width, Bits) * Height;
        if (Needed > Available) return false;
        FBitsSize = static_cast<int32_t>(Available);
    }
    if (h.biSizeImage != 0 && int64_t(h.biSizeImage) < FBitsSize)
        FBitsSize = static_cast<int32_t>(h.biSizeImage);

    FMonochrome = h.biPlanes == 1 && Bits == 1;
    FWidth = static_cast<int>(Width);
    FHeight = h.biHeight;
    FBitmapType = abtWindows;
    return true;
}

int TPimBitmap::WidthAt(int DevicePixelsPerInchX) const {
    if (FBitmapType == abtNone) return 0;
    int d = FBitmapType == abtWindows ? PelsPerMeterToInch(FInfoHeader.biXPelsPerMeter) : 0;
    if (d <= 0) d = FPixelsPerInch > 0 ? FPixelsPerInch : 96;
    return MulDiv(FWidth, DevicePixelsPerInchX, d);
}

int TPimBitmap::HeightAt(int DevicePixelsPerInchY) const {
    if (FBitmapType == abtNone) return 0;
    int d = FBitmapType == abtWindows ? PelsPerMeterToInch(FInfoHeader.biYPelsPerMeter) : 0;
    if (d <= 0) d = FPixelsPerInch > 0 ? FPixelsPerInch : 96;
    return MulDiv(std::abs(FHeight), DevicePixelsPerInchY, d);
}

// A sixteen-colour bitmap on a palette device takes the device's static colours, which are what
// such bitmaps were drawn for.
std::vector<TPaletteEntry> TPimBitmap::PaletteEntries(const DeviceContext* hnd) const {
    std::vector<TPaletteEntry> Result;
    const uint8_t* Table = FBitmapStream->Memory();
    if (FBitmapType == abtWindows) {
        const uint32_t n = FInfoHeader.biClrUsed;
        if (n < 3) return Result;
        const int SizePalette = hnd != nullptr ? hnd->GetDeviceCaps(SIZEPALETTE) : 0;
        if (n == 16 && SizePalette >= 16) {
            Result.resize(16);
            hnd->GetSystemPaletteEntries(0, 8, Result.data());
            hnd->GetSystemPaletteEntries(SizePalette - 8, 8, Result.data() + 8);
            return Result;
        }
        const uint8_t* q = Table + FInfoHeader.biSize;
        for (uint32_t i = 0; i < n; ++i)
            Result.push_back({q[4 * i + 2], q[4 * i + 1], q[4 * i], 0});
    } else if (FBitmapType == abtPresMan) {
        const int n = ColoursOf(FCoreHeader.bcBitCount);
        const uint8_t* q = Table + 12;
        for (int i = 0; i < n; ++i)
            Result.push_back({q[3 * i + 2], q[3 * i + 1], q[3 * i], 0});
    }
    return Result;
}

void TPimBitmap::Draw(DeviceContext& hnd, int x, int y) {
    StretchDraw(hnd, Bounds(x, y, GetWidth(hnd), GetHeight(hnd)));
}

void TPimBitmap::StretchDraw(DeviceContext& hnd, const TRect& Rect) {
    if (FBitmapType == abtNone) return;
    const QImage Image = ToImage();
    hnd.SaveDC();
    FDC = &hnd;
    if (FPalette == 0) {
        const std::vector<TPaletteEntry> Entries = PaletteEntries(&hnd);
        if (!Entries.empty()) FPalette = CreatePalette(Entries);
    }
    if (!FMonochrome) hnd.SetStretchBltMode(COLORONCOLOR);
    HPALETTE Old = 0;
    if (FPalette != 0) {
        Old = hnd.SelectPalette(FPalette, true);
        hnd.RealizePalette();
    }
    // A top-down bitmap is already upright in its pixels, so the source is always taken downwards.
    hnd.StretchDIBits(Rect.Left, Rect.Top, Rect.Right - Rect.Left + 1, Rect.Bottom - Rect.Top + 1, 0, 0,
                      FWidth, std::abs(FHeight), Image, SRCCOPY);
    if (FPalette != 0) hnd.SelectPalette(Old, true);
    hnd.RestoreDC(-1);
}

// The pixels are read by the image readers from a file image rebuilt around the checked headers, with
// the bits' offset as the headers place them.
QImage TPimBitmap::ToImage() const {
    if (FBitmapType == abtNone) return QImage();
    if (!FImage.isNull()) return FImage;
    const int64_t Length = FBitmapStream->Size();
    QByteArray File(static_cast<qsizetype>(14 + Length), Qt::Uninitialized);
    uint8_t* p = reinterpret_cast<uint8_t*>(File.data());
    PutUInt16LE(p, 0x4D42);
    PutUInt32LE(p + 2, static_cast<uint32_t>(14 + Length));
    PutUInt32LE(p + 6, 0);
    PutUInt32LE(p + 10, 14 + FBitsOffset);
    std::copy_n(FBitmapStream->Memory(), Length, p + 14);
    QBuffer Buffer(&File);
    Buffer.open(QIODevice::ReadOnly);
    QImageReader Reader(&Buffer, "bmp");
    QImage Image;
    if (Reader.read(&Image)) {
        PadColorTable(Image);
        FImage = Image;
    }
    return FImage;
}
