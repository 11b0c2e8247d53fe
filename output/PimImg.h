#pragma once
#include "host/devicecontext.h"
#include "host/graphic.h"
#include "host/streams.h"

#include <QImage>
#include <cstdint>
#include <memory>
#include <vector>

// Recognises the picture in a stream and loads the graphic of its kind; nil (empty) when nothing
// reads it. A database blob header in front of the picture is skipped.
std::unique_ptr<TGraphic> PimGetGraphic(TStream* Stream);

// True leaves the position behind the 8-byte blob header; False rewinds to the start.
bool PimIsBlob(TStream* Stream);
// These leave the position where it was.
bool PimIsBitmap(TStream* Stream);
bool PimIsEMF(TStream* Stream);
bool PimIsPlaceWMF(TStream* Stream);
bool PimIsIcon(TStream* Stream);

// Draws a graphic with its top left corner at X, Y: a metafile stretched into a box of its own
// width and height, anything else at its own size. The device context's state is as before
// afterwards, also when drawing fails; a nil graphic draws nothing.
void PimDrawBitMap(DeviceContext& DC, int X, int Y, const TGraphic* Graphic);
// The same with the picture stretched into Rect.
void PimStretchDrawBitMap(DeviceContext& DC, const TRect& Rect, const TGraphic* Graphic);
// Kept for callers of the old metafile path; metafiles draw through the two routines above.
void PimDrawMetaFile(DeviceContext& DC, const TRect& Rect, const TMetafile* Metafile);

enum TPimBitmapType : uint8_t { abtNone, abtWindows, abtPresMan };

struct TPimBitmapFileHeader {
    uint16_t bfType = 0;
    uint32_t bfSize = 0;
    uint16_t bfReserved1 = 0;
    uint16_t bfReserved2 = 0;
    uint32_t bfOffBits = 0;
};

struct TPimBitmapCoreHeader {
    uint32_t bcSize = 0;
    uint16_t bcWidth = 0;
    uint16_t bcHeight = 0;
    uint16_t bcPlanes = 0;
    uint16_t bcBitCount = 0;
};

// The first 40 bytes of every Windows bitmap header, whatever its version.
struct TPimBitmapInfoHeader {
    uint32_t biSize = 0;
    int32_t biWidth = 0;
    int32_t biHeight = 0;
    uint16_t biPlanes = 0;
    uint16_t biBitCount = 0;
    uint32_t biCompression = 0;
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;
};

enum : uint32_t { BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3 };

class TPimImage {
public:
    virtual ~TPimImage();
};

// A device-independent bitmap kept as its file image and drawn with its own palette, at its physical
// size or stretched, so that bitmaps print faithfully. Meant for one device context at a time: the
// palette is made for the first one drawn on.
class TPimBitmap : public TPimImage {
public:
    TPimBitmap();
    ~TPimBitmap() override;

    void Clear();
    // A damaged or unknown bitmap leaves it empty; it never reads outside the stream.
    void LoadFromStream(TStream* Stream);

    bool Empty() const { return FBitmapType == abtNone; }
    TPimBitmapType BitmapType() const { return FBitmapType; }
    bool Monochrome() const { return FMonochrome; }
    int PixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(int Value) { FPixelsPerInch = Value; }
    const TPimBitmapFileHeader& BitmapFileHeader() const { return FBitmapFileHeader; }
    const TPimBitmapCoreHeader& CoreHeader() const { return FCoreHeader; }
    const TPimBitmapInfoHeader& InfoHeader() const { return FInfoHeader; }
    uint32_t ColorSize() const { return FColorSize; }
    int32_t BitsSize() const { return FBitsSize; }
    // Offset of the pixel bits within the image after the file header.
    uint32_t BitsOffset() const { return FBitsOffset; }
    int RawWidth() const { return FWidth; }
    int RawHeight() const { return FHeight; }

    // Draws at the bitmap's physical size with the top left corner at x, y.
    void Draw(DeviceContext& hnd, int x, int y);
    // Draws into Rect, one pixel wider and higher than the rectangle.
    void StretchDraw(DeviceContext& hnd, const TRect& Rect);
    // Size in pixels of the device.
    int GetWidth(const DeviceContext& hnd) const { return WidthAt(hnd.GetDeviceCaps(LOGPIXELSX)); }
    int GetHeight(const DeviceContext& hnd) const { return HeightAt(hnd.GetDeviceCaps(LOGPIXELSY)); }
    // Size in pixels of a device with the given pixels per inch.
    int WidthAt(int DevicePixelsPerInchX) const;
    int HeightAt(int DevicePixelsPerInchY) const;

    // The entries of the palette the bitmap draws with on a device: empty when it draws without one.
    std::vector<TPaletteEntry> PaletteEntries(const DeviceContext* hnd = nullptr) const;
    HPALETTE Palette() const { return FPalette; }
    DeviceContext* DC() const { return FDC; }
    // The picture's pixels, read from the bitmap's bits and colour table.
    QImage ToImage() const;

private:
    bool InitBitmap();
    bool InitCoreHeader();
    bool InitInfoHeader(uint32_t HeaderSize);

    HPALETTE FPalette = 0; // made for the first device drawn on; owned
    bool FMonochrome = false;
    TPimBitmapType FBitmapType = abtNone;
    TPimBitmapFileHeader FBitmapFileHeader;
    std::unique_ptr<TMemoryStream> FBitmapStream; // the image after the file header; owned
    TPimBitmapCoreHeader FCoreHeader;
    TPimBitmapInfoHeader FInfoHeader;
    uint32_t FColorSize = 0;
    int32_t FBitsSize = 0;
    uint32_t FBitsOffset = 0;
    DeviceContext* FDC = nullptr; // the one last drawn on; not owned
    int FWidth = 0;
    int FHeight = 0;
    int FPixelsPerInch = 96;
    mutable QImage FImage; // decoded on first use
};
