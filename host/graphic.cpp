#include "host/graphic.h"

#include "host/forms.h"
#include "host/mathutil.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <algorithm>

#ifdef PIM_HAVE_SVG
#include <QSvgRenderer>
#endif
#ifdef PIM_HAVE_EMF2SVG
#include <emf2svg.h>
#endif
#ifdef PIM_HAVE_WMF
#include <libwmf/api.h>
#include <libwmf/svg.h>
#endif

namespace {

// Sizes of pictures are kept within what a 32-bit size field and a painter can take.
constexpr int64_t MaxGraphicBytes = int64_t(1) << 30;
// A metafile is turned into pixels only up to this many, so a forged frame cannot exhaust memory.
constexpr int64_t MaxImagePixels = int64_t(1) << 26;

uint32_t PeekUInt32(const QByteArray& Data, int Offset) {
    return GetUInt32LE(reinterpret_cast<const uint8_t*>(Data.constData()) + Offset);
}

int32_t PeekInt32(const QByteArray& Data, int Offset) {
    return static_cast<int32_t>(PeekUInt32(Data, Offset));
}

int16_t PeekInt16(const QByteArray& Data, int Offset) {
    return static_cast<int16_t>(GetUInt16LE(reinterpret_cast<const uint8_t*>(Data.constData()) + Offset));
}

uint16_t PeekUInt16(const QByteArray& Data, int Offset) {
    return GetUInt16LE(reinterpret_cast<const uint8_t*>(Data.constData()) + Offset);
}

// A length in some unit per inch as screen pixels; nothing sensible gives 0 rather than a division by 0.
int ToScreenPixels(int64_t Length, int UnitsPerInch) {
    if (Length <= 0 || UnitsPerInch <= 0 || Length > INT32_MAX) return 0;
    return std::max(0, MulDiv(static_cast<int>(Length), TGraphic::ScreenPixelsPerInch(), UnitsPerInch));
}

constexpr uint32_t EnhancedSignature = 0x464D4520;
constexpr uint32_t PlaceableKey = 0x9AC6CDD7;

} // namespace

// TGraphic

TGraphic::~TGraphic() = default;

void TGraphic::LoadFromStream(TStream& Stream) {
    FData.clear();
    FImage = QImage();
    const int64_t Available = std::max<int64_t>(0, Stream.Size() - Stream.Position());
    const int64_t Count = TakeCount(Stream, Available);
    if (Count <= 0 || Count > MaxGraphicBytes)
        throw EInvalidGraphic(QStringLiteral("Invalid graphic format"));
    QByteArray Data(static_cast<qsizetype>(Count), Qt::Uninitialized);
    Stream.ReadBuffer(Data.data(), Count);
    FData = Data;
    try {
        Decode();
    } catch (...) {
        FData.clear();
        FImage = QImage();
        throw;
    }
}

void TGraphic::SaveToStream(TStream& Stream) const {
    if (!FData.isEmpty()) Stream.WriteBuffer(FData.constData(), FData.size());
}

void TGraphic::LoadFromFile(const QString& FileName) {
    TFileStream Stream(FileName, fmOpenRead | fmShareDenyNone);
    LoadFromStream(Stream);
}

void TGraphic::SaveToFile(const QString& FileName) const {
    TFileStream Stream(FileName, fmCreate);
    SaveToStream(Stream);
}

int TGraphic::Width() const {
    return FImage.width();
}

int TGraphic::Height() const {
    return FImage.height();
}

void TGraphic::Render(QPainter& Painter, const QRectF& Target) const {
    if (FImage.isNull() || Target.isEmpty()) return;
    Painter.drawImage(Target, FImage);
}

QImage TGraphic::ToImage(int W, int H) const {
    if (FImage.isNull() || W <= 0 || H <= 0 || (W == FImage.width() && H == FImage.height())) return FImage;
    return FImage.scaled(W, H, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

void TGraphic::StretchDrawOn(DeviceContext& DC, const TRect& Rect) const {
    if (FImage.isNull()) return;
    DC.StretchDraw(Rect, FImage);
}

int TGraphic::ScreenPixelsPerInch() {
    return Screen()->PixelsPerInch();
}

void TGraphic::SetScreenPixelsPerInch(int Value) {
    Screen()->SetPixelsPerInch(Value > 0 ? Value : 96);
}

int64_t TGraphic::TakeCount(TStream&, int64_t Available) const {
    return Available;
}

void TGraphic::DecodeImage(const char* Format, const char* What) {
    QBuffer Buffer(&FData);
    Buffer.open(QIODevice::ReadOnly);
    QImageReader Reader(&Buffer, Format);
    if (Format == nullptr) Reader.setDecideFormatFromContent(true);
    QImage Image;
    if (!Reader.read(&Image) || Image.isNull())
        throw EInvalidGraphic(QStringLiteral("%1 image is not valid").arg(QLatin1String(What)));
    PadColorTable(Image);
    FImage = std::move(Image);
}

void PadColorTable(QImage& Image) {
    const QImage::Format Format = Image.format();
    if (Format != QImage::Format_Indexed8 && Format != QImage::Format_Mono &&
        Format != QImage::Format_MonoLSB)
        return;
    const qsizetype Needed = qsizetype(1) << Image.depth();
    QList<QRgb> Table = Image.colorTable();
    if (Table.size() >= Needed) return;
    Table.resize(Needed, qRgb(0, 0, 0));
    Image.setColorTable(Table);
}

// Raster kinds

TBitmap::TBitmap() = default;

void TBitmap::LoadFromImage(const QImage& Image) {
    QByteArray Bytes;
    QBuffer Buffer(&Bytes);
    Buffer.open(QIODevice::WriteOnly);
    Image.save(&Buffer, "BMP");
    TMemoryStream Stream;
    Stream.Write(Bytes.constData(), Bytes.size());
    Stream.SetPosition(0);
    LoadFromStream(Stream);
}

// A bitmap says its own length in the file header; anything behind it belongs to someone else.
int64_t TBitmap::TakeCount(TStream& Stream, int64_t Available) const {
    if (Available < 14) return Available;
    const int64_t Start = Stream.Position();
    uint8_t Header[14];
    Stream.ReadBuffer(Header, sizeof Header);
    Stream.SetPosition(Start);
    const uint32_t FileSize = GetUInt32LE(Header + 2);
    if (GetUInt16LE(Header) == 0x4D42 && FileSize > 14 && FileSize <= Available) return FileSize;
    return Available;
}

void TBitmap::Decode() {
    DecodeImage("bmp", "Bitmap");
}

TIcon::TIcon() = default;

void TIcon::Decode() {
    DecodeImage("ico", "Icon");
}

TPngImage::TPngImage() = default;

void TPngImage::Decode() {
    DecodeImage("png", "PNG");
}

TGIFImage::TGIFImage() = default;

void TGIFImage::Decode() {
    DecodeImage("gif", "GIF");
}

TJPEGImage::TJPEGImage() = default;

void TJPEGImage::Decode() {
    DecodeImage("jpeg", "JPEG");
}

TWICImage::TWICImage() = default;

void TWICImage::Decode() {
    DecodeImage(nullptr, "Unknown");
}

// Metafiles

TMetafile::TMetafile() = default;

TMetafile::~TMetafile() = default;

bool TMetafile::CanDrawEnhanced() {
#if defined(PIM_HAVE_SVG) && defined(PIM_HAVE_EMF2SVG)
    return true;
#else
    return false;
#endif
}

bool TMetafile::CanDrawPlaceable() {
#if defined(PIM_HAVE_SVG) && defined(PIM_HAVE_WMF)
    return true;
#else
    return false;
#endif
}

void TMetafile::Decode() {
    FEnhanced = false;
    FWidth = FHeight = 0;
    FSvg.clear();
    FRenderer.reset();
    if (FData.size() >= 88 && PeekUInt32(FData, 0) == 1 && PeekUInt32(FData, 40) == EnhancedSignature &&
        PeekUInt32(FData, 48) >= 88 && PeekUInt32(FData, 48) <= uint32_t(FData.size()))
        DecodeEnhanced();
    else if (FData.size() >= 22 + 18 && PeekUInt32(FData, 0) == PlaceableKey)
        DecodePlaceable();
    else
        throw EInvalidGraphic(QStringLiteral("Metafile is not valid"));
#ifdef PIM_HAVE_SVG
    if (!FSvg.isEmpty()) {
        auto Renderer = std::make_unique<QSvgRenderer>(FSvg);
        if (Renderer->isValid()) FRenderer = std::move(Renderer);
    }
#endif
}

// The frame of an enhanced metafile is in hundredths of a millimetre.
void TMetafile::DecodeEnhanced() {
    FEnhanced = true;
    const int64_t FrameW = int64_t(PeekInt32(FData, 32)) - PeekInt32(FData, 24);
    const int64_t FrameH = int64_t(PeekInt32(FData, 36)) - PeekInt32(FData, 28);
    FWidth = ToScreenPixels(FrameW, 2540);
    FHeight = ToScreenPixels(FrameH, 2540);
    // The converter is given only the length the header declares.
    const uint32_t Declared = PeekUInt32(FData, 48);
#ifdef PIM_HAVE_EMF2SVG
    generatorOptions Options{};
    Options.nameSpace = const_cast<char*>("");
    Options.svgDelimiter = true;
    Options.emfplus = false;
    Options.imgWidth = FWidth;
    Options.imgHeight = FHeight;
    char* Out = nullptr;
    size_t OutLength = 0;
    QByteArray Input = FData.left(static_cast<qsizetype>(Declared));
    const int Ok = emf2svg(Input.data(), static_cast<size_t>(Input.size()), &Out, &OutLength, &Options);
    if (Out != nullptr) {
        if (Ok) FSvg = QByteArray(Out, static_cast<qsizetype>(OutLength));
        free(Out);
    }
#endif
}

// The bounding box of a placeable metafile is in its own units, Inch of them to the inch.
void TMetafile::DecodePlaceable() {
    FEnhanced = false;
    const int64_t BoxW = int64_t(PeekInt16(FData, 10)) - PeekInt16(FData, 6);
    const int64_t BoxH = int64_t(PeekInt16(FData, 12)) - PeekInt16(FData, 8);
    const int Inch = PeekUInt16(FData, 14);
    FWidth = ToScreenPixels(BoxW, Inch);
    FHeight = ToScreenPixels(BoxH, Inch);
#ifdef PIM_HAVE_WMF
    wmfAPI* API = nullptr;
    wmfAPI_Options Options{};
    Options.function = wmf_svg_function;
    const unsigned long Flags =
        WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
    if (wmf_api_create(&API, Flags, &Options) != wmf_E_None) {
        if (API != nullptr) wmf_api_destroy(API);
        return;
    }
    wmf_svg_t* Device = WMF_SVG_GetData(API);
    wmfD_Rect Box{};
    unsigned int DisplayW = 0, DisplayH = 0;
    QByteArray Input = FData;
    bool Ok = wmf_mem_open(API, reinterpret_cast<unsigned char*>(Input.data()), Input.size()) == wmf_E_None &&
              wmf_scan(API, 0, &Box) == wmf_E_None &&
              wmf_display_size(API, &DisplayW, &DisplayH, TGraphic::ScreenPixelsPerInch(),
                               TGraphic::ScreenPixelsPerInch()) == wmf_E_None;
    if (Ok) {
        // The picture is the header's box, not just the part drawn on; the converter works in points.
        if (Inch > 0 && BoxW > 0 && BoxH > 0) {
            wmfD_Rect Frame{};
            Frame.TL.x = float(PeekInt16(FData, 6)) * 72 / Inch;
            Frame.TL.y = float(PeekInt16(FData, 8)) * 72 / Inch;
            Frame.BR.x = float(PeekInt16(FData, 10)) * 72 / Inch;
            Frame.BR.y = float(PeekInt16(FData, 12)) * 72 / Inch;
            Box = Frame;
        }
        Device->bbox = Box;
        Device->width = DisplayW;
        Device->height = DisplayH;
        Device->flags |= WMF_SVG_INLINE_IMAGES;
        Device->out = wmf_stream_create(API, nullptr);
        wmfD_Rect Played{};
        Ok = Device->out != nullptr && wmf_play(API, 0, &Played) == wmf_E_None;
        if (Device->out != nullptr) {
            char* Out = nullptr;
            unsigned long OutLength = 0;
            wmf_stream_destroy(API, Device->out, &Out, &OutLength);
            Device->out = nullptr;
            if (Ok && Out != nullptr) FSvg = QByteArray(Out, static_cast<qsizetype>(OutLength));
            if (Out != nullptr) wmf_free(API, Out);
        }
    }
    wmf_api_destroy(API);
#endif
}

void TMetafile::Render(QPainter& Painter, const QRectF& Target) const {
#ifdef PIM_HAVE_SVG
    if (FRenderer && !Target.isEmpty()) FRenderer->render(&Painter, Target);
#else
    (void)Painter;
    (void)Target;
#endif
}

void TMetafile::StretchDrawOn(DeviceContext& DC, const TRect& Rect) const {
    TPoint Corners[2] = {Point(Rect.Left, Rect.Top), Point(Rect.Right, Rect.Bottom)};
    DC.LPtoDP(Corners, 2);
    const int W = std::abs(Corners[1].X - Corners[0].X), H = std::abs(Corners[1].Y - Corners[0].Y);
    const QImage Image = ToImage(W, H);
    if (!Image.isNull()) DC.StretchDraw(Rect, Image);
}

QImage TMetafile::ToImage(int W, int H) const {
    if (W <= 0 || H <= 0) {
        W = FWidth;
        H = FHeight;
    }
    if (W <= 0 || H <= 0 || int64_t(W) * H > MaxImagePixels) return QImage();
    QImage Image(W, H, QImage::Format_ARGB32_Premultiplied);
    Image.fill(Qt::transparent);
    QPainter Painter(&Image);
    Render(Painter, QRectF(0, 0, W, H));
    return Image;
}
