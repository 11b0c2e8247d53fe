#include "output/PimFile.h"
#include "output/PimImg.h"
#include "support/bytes.h"

#include <gtest/gtest.h>

namespace {

// A Windows bitmap file with an info header of HeaderSize bytes, bottom-up rows, the given colour
// table (blue, green, red, 0 each) and the pixel rows as given, each padded to four bytes.
struct BmpLayout {
    uint32_t HeaderSize = 40;
    int32_t Width = 2;
    int32_t Height = 2;
    uint16_t Bits = 24;
    uint32_t Compression = 0;
    int32_t XPelsPerMeter = 3780;
    int32_t YPelsPerMeter = 3780;
    uint32_t ClrUsed = 0;
    std::vector<uint32_t> Colours; // 0x00RRGGBB
    std::vector<QByteArray> Rows;  // bottom row first, unpadded
};

QByteArray MakeBmp(const BmpLayout& s) {
    QByteArray Info;
    Put32(Info, s.HeaderSize);
    Put32(Info, uint32_t(s.Width));
    Put32(Info, uint32_t(s.Height));
    Put16(Info, 1);
    Put16(Info, s.Bits);
    Put32(Info, s.Compression);
    Put32(Info, 0);
    Put32(Info, uint32_t(s.XPelsPerMeter));
    Put32(Info, uint32_t(s.YPelsPerMeter));
    Put32(Info, s.ClrUsed);
    Put32(Info, 0);
    if (s.HeaderSize >= 108) {
        for (uint32_t m : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0u})
            Put32(Info, m);
        Put32(Info, 0x73524742); // sRGB
    }
    while (uint32_t(Info.size()) < s.HeaderSize)
        Info.append('\0');
    for (uint32_t c : s.Colours)
        Put32(Info, c);
    const int Offset = 14 + Info.size();
    QByteArray Bits;
    for (const QByteArray& Row : s.Rows) {
        Bits += Row;
        while (Bits.size() % 4)
            Bits.append('\0');
    }
    QByteArray File;
    Put16(File, 0x4D42);
    Put32(File, uint32_t(Offset + Bits.size()));
    Put32(File, 0);
    Put32(File, uint32_t(Offset));
    return File + Info + Bits;
}

// 2 x 2, 24 bits: bottom row red, blue; top row green, white.
BmpLayout TrueColour() {
    BmpLayout s;
    s.Rows = {QByteArray::fromHex("0000ffff0000"), QByteArray::fromHex("00ff00ffffff")};
    return s;
}

QByteArray CoreBmp() {
    QByteArray b;
    Put16(b, 0x4D42);
    Put32(b, 14 + 12 + 6 + 4);
    Put32(b, 0);
    Put32(b, 14 + 12 + 6);
    Put32(b, 12);
    Put16(b, 3);
    Put16(b, 1);
    Put16(b, 1);
    Put16(b, 1);
    b += QByteArray::fromHex("000000"
                             "ffffff");   // black, white
    b += QByteArray::fromHex("a0000000"); // 1 0 1
    return b;
}

template <class T> bool Is(const std::unique_ptr<TGraphic>& g) {
    return dynamic_cast<T*>(g.get()) != nullptr;
}

} // namespace

TEST(PimGetGraphic, BlobHeaderAroundAPngIsSkipped) {
    QImage Image(3, 2, QImage::Format_RGB32);
    Image.fill(Qt::blue);
    const QByteArray Png = Encode(Image, "png");
    QByteArray Blob;
    Put16(Blob, 1);
    Put16(Blob, 0x0100);
    Put32(Blob, uint32_t(Png.size()));
    for (const QByteArray& Bytes : {Blob + Png, Png}) {
        TMemoryStream s = StreamOf(Bytes);
        auto g = PimGetGraphic(&s);
        ASSERT_TRUE(Is<TPngImage>(g));
        EXPECT_EQ(g->Width(), 3);
        EXPECT_EQ(g->Data(), Png);
    }
    TMemoryStream s = StreamOf(Blob + Png);
    EXPECT_TRUE(PimIsBlob(&s));
    EXPECT_EQ(s.Position(), 8);
    QByteArray WrongSize = Blob + Png + "x";
    TMemoryStream t = StreamOf(WrongSize);
    t.SetPosition(5);
    EXPECT_FALSE(PimIsBlob(&t));
    EXPECT_EQ(t.Position(), 0);
}

TEST(PimGetGraphic, EveryKindIsRecognisedInItsOrder) {
    QImage Image(4, 4, QImage::Format_RGB32);
    Image.fill(Qt::green);
    TMemoryStream Bmp = StreamOf(MakeBmp(TrueColour()));
    EXPECT_TRUE(Is<TBitmap>(PimGetGraphic(&Bmp)));
    TMemoryStream Ico = StreamOf(Encode(Image, "ico"));
    EXPECT_TRUE(PimIsIcon(&Ico));
    EXPECT_TRUE(Is<TIcon>(PimGetGraphic(&Ico)));
    TMemoryStream Jpeg = StreamOf(Encode(Image, "jpg"));
    EXPECT_TRUE(Is<TJPEGImage>(PimGetGraphic(&Jpeg)));
    TMemoryStream Ppm = StreamOf(Encode(Image, "ppm"));
    EXPECT_TRUE(Is<TWICImage>(PimGetGraphic(&Ppm)));
    TMemoryStream Junk = StreamOf(QByteArray(300, 'x'));
    EXPECT_EQ(PimGetGraphic(&Junk), nullptr);
    EXPECT_EQ(PimGetGraphic(nullptr), nullptr);
    for (auto Test : {PimIsBlob, PimIsBitmap, PimIsEMF, PimIsPlaceWMF, PimIsIcon})
        EXPECT_FALSE(Test(nullptr));
}

TEST(PimGetGraphic, DamagedBitmapFallsThroughToTheOtherReaders) {
    QByteArray Bytes = MakeBmp(TrueColour());
    Bytes.truncate(20);
    TMemoryStream s = StreamOf(Bytes);
    EXPECT_TRUE(PimIsBitmap(&s));
    EXPECT_EQ(PimGetGraphic(&s), nullptr);
}

TEST(PimGetGraphic, EnhancedMetafileNeedsItsSignatureAndMoreThan108Bytes) {
    QByteArray Emf(120, '\0');
    Emf[0] = 1;
    Emf[4] = 120;
    const uint8_t Sig[] = {0x20, 0x45, 0x4D, 0x46};
    for (int i = 0; i < 4; ++i)
        Emf[40 + i] = char(Sig[i]);
    TMemoryStream s = StreamOf(Emf);
    s.SetPosition(0);
    EXPECT_TRUE(PimIsEMF(&s));
    EXPECT_EQ(s.Position(), 0);
    QByteArray Short = Emf.left(108);
    TMemoryStream t = StreamOf(Short);
    EXPECT_FALSE(PimIsEMF(&t));
    QByteArray NoSig = Emf;
    NoSig[40] = 0;
    TMemoryStream u = StreamOf(NoSig);
    EXPECT_FALSE(PimIsEMF(&u));
}

TEST(PimGetGraphic, PlaceableMetafileNeedsItsChecksum) {
    const QByteArray Good = PlaceableHeader(0, 0, 1440, 1440, 1440);
    QByteArray Bad = Good;
    Bad[20] = char(Bad[20] ^ 1); // the checksum's low byte
    // A minimal metafile body: header and the end record.
    QByteArray Body = QByteArray::fromHex("010009000003"
                                          "0c000000"
                                          "0000"
                                          "03000000"
                                          "0000"
                                          "030000000000");
    TMemoryStream g = StreamOf(Good + Body);
    EXPECT_TRUE(PimIsPlaceWMF(&g));
    EXPECT_EQ(g.Position(), 0);
    EXPECT_TRUE(Is<TMetafile>(PimGetGraphic(&g)));
    TMemoryStream b = StreamOf(Bad + Body);
    EXPECT_FALSE(PimIsPlaceWMF(&b));
    EXPECT_FALSE(Is<TMetafile>(PimGetGraphic(&b)));
    TMemoryStream Exactly22 = StreamOf(Good);
    EXPECT_FALSE(PimIsPlaceWMF(&Exactly22));
}

TEST(PimGetGraphic, IconTestLooksAtTheResourceTypeOnly) {
    TMemoryStream Zero = StreamOf(QByteArray::fromHex("000000000100"));
    TMemoryStream One = StreamOf(QByteArray::fromHex("000001000100"));
    TMemoryStream Two = StreamOf(QByteArray::fromHex("000002000100"));
    EXPECT_TRUE(PimIsIcon(&Zero));
    EXPECT_TRUE(PimIsIcon(&One));
    EXPECT_FALSE(PimIsIcon(&Two));
    One.SetPosition(6);
    EXPECT_FALSE(PimIsIcon(&One));
}

TEST(PimBitmap, ResolutionOfTheFileSetsThePhysicalSize) {
    BmpLayout s = TrueColour();
    s.Width = 600;
    s.Height = 3;
    s.XPelsPerMeter = s.YPelsPerMeter = 11811;
    s.Rows.assign(3, QByteArray(600 * 3, '\x7f'));
    TMemoryStream m = StreamOf(MakeBmp(s));
    TPimBitmap b;
    b.LoadFromStream(&m);
    ASSERT_EQ(b.BitmapType(), abtWindows);
    EXPECT_EQ(b.WidthAt(96), 192);
    EXPECT_EQ(b.HeightAt(96), 1);
    EXPECT_EQ(b.WidthAt(300), 600);
}

TEST(PimBitmap, ZeroOrNegativeResolutionFallsBackToScreenPixelsPerInch) {
    for (int32_t Res : {0, -3780, 1}) {
        BmpLayout s = TrueColour();
        s.XPelsPerMeter = s.YPelsPerMeter = Res;
        TMemoryStream m = StreamOf(MakeBmp(s));
        TPimBitmap b;
        b.LoadFromStream(&m);
        EXPECT_EQ(b.WidthAt(192), 4) << Res;
        EXPECT_EQ(b.HeightAt(192), 4) << Res;
        b.SetPixelsPerInch(0);
        EXPECT_EQ(b.WidthAt(96), 2) << Res;
    }
    TPimBitmap Empty;
    EXPECT_EQ(Empty.WidthAt(96), 0);
}

TEST(PimBitmap, TrueColourWithoutTableHasNoPalette) {
    TMemoryStream m = StreamOf(MakeBmp(TrueColour()));
    TPimBitmap b;
    b.LoadFromStream(&m);
    ASSERT_EQ(b.BitmapType(), abtWindows);
    EXPECT_EQ(b.ColorSize(), 0u);
    EXPECT_EQ(b.BitsOffset(), 40u);
    EXPECT_EQ(b.BitsSize(), 16);
    EXPECT_TRUE(b.PaletteEntries().empty());
    const QImage Image = b.ToImage();
    EXPECT_EQ(Image.pixel(0, 1), qRgb(255, 0, 0));
    EXPECT_EQ(Image.pixel(1, 1), qRgb(0, 0, 255));
    EXPECT_EQ(Image.pixel(0, 0), qRgb(0, 255, 0));
    EXPECT_EQ(Image.pixel(1, 0), qRgb(255, 255, 255));
}

TEST(PimBitmap, ColourTableBecomesThePalette) {
    BmpLayout s;
    s.Bits = 8;
    s.ClrUsed = 3;
    s.Colours = {0x000000, 0xFF0000, 0x00FF00};
    s.Rows = {QByteArray::fromHex("0102"), QByteArray::fromHex("0200")};
    TMemoryStream m = StreamOf(MakeBmp(s));
    TPimBitmap b;
    b.LoadFromStream(&m);
    EXPECT_EQ(b.ColorSize(), 12u);
    EXPECT_EQ(b.PaletteEntries(), (std::vector<TPaletteEntry>{{0, 0, 0, 0}, {255, 0, 0, 0}, {0, 255, 0, 0}}));
    EXPECT_EQ(b.ToImage().pixel(0, 1), qRgb(255, 0, 0));
    EXPECT_EQ(b.ToImage().pixel(1, 0), qRgb(0, 0, 0));

    s.Bits = 4;
    s.ClrUsed = 0;
    s.Colours.assign(16, 0x123456);
    s.Rows = {QByteArray::fromHex("10"), QByteArray::fromHex("00")};
    TMemoryStream f = StreamOf(MakeBmp(s));
    b.LoadFromStream(&f);
    EXPECT_EQ(b.InfoHeader().biClrUsed, 16u);
    const auto TrueColourDevice = DeviceContext::CreateRecording(TDeviceCaps{});
    const auto Own = b.PaletteEntries(TrueColourDevice.get());
    ASSERT_EQ(Own.size(), 16u);
    EXPECT_EQ(Own[15], (TPaletteEntry{0x12, 0x34, 0x56, 0}));
    TDeviceCaps PaletteCaps;
    PaletteCaps.SizePalette = 256;
    PaletteCaps.BitsPixel = 8;
    const auto PaletteDevice = DeviceContext::CreateRecording(PaletteCaps);
    const auto Sys = b.PaletteEntries(PaletteDevice.get());
    ASSERT_EQ(Sys.size(), 16u);
    TPaletteEntry First[8], Last[8];
    PaletteDevice->GetSystemPaletteEntries(0, 8, First);
    PaletteDevice->GetSystemPaletteEntries(248, 8, Last);
    EXPECT_EQ(Sys[0], First[0]);
    EXPECT_EQ(Sys[7], First[7]);
    EXPECT_EQ(Sys[8], Last[0]);
    EXPECT_EQ(Sys[15], Last[7]);
}

TEST(PimBitmap, CoreHeaderBitmapReadsItsTriples) {
    TMemoryStream m = StreamOf(CoreBmp());
    TPimBitmap b;
    b.LoadFromStream(&m);
    ASSERT_EQ(b.BitmapType(), abtPresMan);
    EXPECT_TRUE(b.Monochrome());
    EXPECT_EQ(b.ColorSize(), 6u);
    EXPECT_EQ(b.BitsSize(), 4);
    EXPECT_EQ(b.PaletteEntries(), (std::vector<TPaletteEntry>{{0, 0, 0, 0}, {255, 255, 255, 0}}));
    EXPECT_EQ(b.WidthAt(192), 6);
    const QImage Image = b.ToImage();
    EXPECT_EQ(Image.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(Image.pixel(1, 0), qRgb(0, 0, 0));
}

TEST(PimBitmap, NewerHeadersAreDrawn) {
    for (uint32_t Size : {108u, 124u}) {
        BmpLayout s = TrueColour();
        s.HeaderSize = Size;
        TMemoryStream m = StreamOf(MakeBmp(s));
        TPimBitmap b;
        b.LoadFromStream(&m);
        ASSERT_EQ(b.BitmapType(), abtWindows) << Size;
        EXPECT_EQ(b.BitsOffset(), Size);
        EXPECT_EQ(b.ToImage().pixel(0, 1), qRgb(255, 0, 0)) << Size;
    }
}

TEST(PimBitmap, DamagedFilesLeaveItEmpty) {
    const QByteArray Good = MakeBmp(TrueColour());
    auto Patch32 = [&Good](int At, uint32_t v) {
        QByteArray b = Good;
        for (int i = 0; i < 4; ++i)
            b[At + i] = char(v >> (8 * i));
        return b;
    };
    BmpLayout Pal;
    Pal.Bits = 8;
    Pal.ClrUsed = 2;
    Pal.Colours = {0, 0xFFFFFF};
    Pal.Rows = {QByteArray(2, '\1'), QByteArray(2, '\0')};
    const QByteArray Paletted = MakeBmp(Pal);
    QByteArray HugePalette = Paletted;
    HugePalette[14 + 32] = char(0xFF);
    HugePalette[14 + 33] = char(0xFF);
    const QByteArray Cases[] = {
        Good.left(Good.size() - 1), // bits cut short
        Good.left(30),              // header cut short
        Good.left(16),              // header size cut short
        Good.left(10),              // file header cut short
        Patch32(14, 200),           // header size of no known kind
        Patch32(14, 0xFFFFFFF0u),   // absurd header size
        Patch32(18, 0x7FFFFFFF),    // absurd width
        Patch32(22, 0x80000000u),   // absurd height
        Patch32(18, 0),             // no width
        Patch32(30, 0x00010000),    // unknown compression
        Patch32(46, 0x40000000),    // colour count past the end
        HugePalette,                // more colours than the bits allow
        CoreBmp().left(CoreBmp().size() - 2),
        QByteArray("BM"),
        QByteArray("XX") + Good.mid(2),
    };
    for (const QByteArray& Bytes : Cases) {
        TMemoryStream m = StreamOf(Bytes);
        TPimBitmap b;
        EXPECT_NO_THROW(b.LoadFromStream(&m));
        EXPECT_TRUE(b.Empty()) << Bytes.toHex().left(80).constData();
        EXPECT_EQ(b.WidthAt(96), 0);
        EXPECT_TRUE(b.ToImage().isNull());
        EXPECT_TRUE(b.PaletteEntries().empty());
    }
    TPimBitmap b;
    b.LoadFromStream(nullptr);
    EXPECT_TRUE(b.Empty());
}

TEST(PimBitmap, GapBeforeTheBitsIsHonouredWhenItStaysInside) {
    QByteArray Bytes = MakeBmp(TrueColour());
    Bytes.insert(54, QByteArray(8, '\x55'));
    Bytes[10] = char(54 + 8);
    TMemoryStream m = StreamOf(Bytes);
    TPimBitmap b;
    b.LoadFromStream(&m);
    EXPECT_EQ(b.BitsOffset(), 48u);
    EXPECT_EQ(b.ToImage().pixel(0, 1), qRgb(255, 0, 0));
    Bytes[10] = char(0xF0);
    Bytes[11] = char(0x7F);
    TMemoryStream Past = StreamOf(Bytes);
    b.LoadFromStream(&Past);
    EXPECT_EQ(b.BitsOffset(), 40u);
}

TEST(PimBitmap, RunLengthBitsAreReadAndACutRunIsHarmless) {
    BmpLayout s;
    s.Bits = 8;
    s.Compression = BI_RLE8;
    s.ClrUsed = 3;
    s.Colours = {0x000000, 0xFF0000, 0x0000FF};
    s.Rows = {QByteArray::fromHex("02010000"
                                  "0202"
                                  "0001")};
    TMemoryStream m = StreamOf(MakeBmp(s));
    TPimBitmap b;
    b.LoadFromStream(&m);
    ASSERT_EQ(b.BitmapType(), abtWindows);
    EXPECT_EQ(b.ToImage().pixel(1, 1), qRgb(255, 0, 0));
    EXPECT_EQ(b.ToImage().pixel(0, 0), qRgb(0, 0, 255));
    s.Height = 4000;
    s.Width = 4000;
    s.Rows = {QByteArray::fromHex("ff01ff01")};
    TMemoryStream Cut = StreamOf(MakeBmp(s));
    b.LoadFromStream(&Cut);
    EXPECT_NO_THROW(b.ToImage());
}

namespace {

TDeviceCaps Caps(int PixelsPerInch) {
    TDeviceCaps c;
    c.LogPixelsX = c.LogPixelsY = PixelsPerInch;
    c.HorzRes = c.VertRes = 400;
    c.PhysicalWidth = c.PhysicalHeight = 400;
    return c;
}

// The calls that draw a picture, one per line.
std::string Drawing(const DeviceContext& DC, int Count = -1) {
    const QStringList Calls = DC.Log()->Only(
        {"SaveDC", "RestoreDC", "SetStretchBltMode", "SelectPalette", "RealizePalette", "StretchDIBits"});
    return Calls.mid(0, Count).join(QLatin1Char('\n')).toStdString();
}

std::string Lines(const QStringList& Calls) {
    return Calls.join(QLatin1Char('\n')).toStdString();
}

} // namespace

TEST(PimBitmapDraw, PhysicalSizeIsDrawnOnePixelWiderAndHigher) {
    BmpLayout s = TrueColour();
    s.Width = 600;
    s.Height = 300;
    s.XPelsPerMeter = s.YPelsPerMeter = 11811;
    s.Rows.assign(300, QByteArray(600 * 3, '\x7f'));
    TMemoryStream m = StreamOf(MakeBmp(s));
    TPimBitmap b;
    b.LoadFromStream(&m);
    auto DC = DeviceContext::CreateRecording(Caps(96));
    EXPECT_EQ(b.GetWidth(*DC), 192);
    EXPECT_EQ(b.GetHeight(*DC), 96);
    b.Draw(*DC, 10, 20);
    EXPECT_EQ(Drawing(*DC),
              Lines({"SaveDC", "SetStretchBltMode 3",
                     "StretchDIBits 10 20 193 97 0 0 600 300 600 300 0x00CC0020", "RestoreDC -1"}));
    EXPECT_EQ(b.DC(), DC.get());
    EXPECT_EQ(b.Palette(), 0u);
}

TEST(PimBitmapDraw, ColourTableIsSelectedAsBackgroundPaletteOnce) {
    const int Before = GdiObjectCount();
    {
        BmpLayout s;
        s.Bits = 8;
        s.ClrUsed = 3;
        s.Colours = {0x000000, 0xFF0000, 0x00FF00};
        s.Rows = {QByteArray::fromHex("0102"), QByteArray::fromHex("0200")};
        TMemoryStream m = StreamOf(MakeBmp(s));
        TPimBitmap b;
        b.LoadFromStream(&m);
        auto DC = DeviceContext::CreateRecording(Caps(96));
        b.StretchDraw(*DC, Rect(0, 0, 9, 9));
        b.StretchDraw(*DC, Rect(0, 0, 9, 9));
        EXPECT_EQ(Drawing(*DC, 7),
                  Lines({"SaveDC", "SetStretchBltMode 3", "SelectPalette palette 3 background",
                         "RealizePalette", "StretchDIBits 0 0 10 10 0 0 2 2 2 2 0x00CC0020",
                         "SelectPalette stock 15 background", "RestoreDC -1"}));
        ASSERT_NE(b.Palette(), 0u);
        std::vector<TPaletteEntry> Entries;
        ASSERT_TRUE(GetObject(b.Palette(), Entries));
        EXPECT_EQ(Entries, b.PaletteEntries());
        EXPECT_EQ(GdiObjectCount(), Before + 1);
        b.Clear();
        EXPECT_EQ(GdiObjectCount(), Before);
        m.SetPosition(0);
        b.LoadFromStream(&m);
        b.Draw(*DC, 0, 0);
    }
    EXPECT_EQ(GdiObjectCount(), Before);
}

TEST(PimBitmapDraw, MonochromeKeepsTheDeviceStretchModeAndEmptyDrawsNothing) {
    TMemoryStream m = StreamOf(CoreBmp());
    TPimBitmap b;
    b.LoadFromStream(&m);
    auto DC = DeviceContext::CreateRecording(Caps(96));
    b.Draw(*DC, 0, 0);
    EXPECT_TRUE(DC->Log()->Only({"SetStretchBltMode"}).isEmpty());
    EXPECT_EQ(Lines(DC->Log()->Only({"StretchDIBits"})), "StretchDIBits 0 0 4 2 0 0 3 1 3 1 0x00CC0020");
    DC->Log()->Clear();
    TPimBitmap Empty;
    Empty.Draw(*DC, 0, 0);
    Empty.StretchDraw(*DC, Rect(0, 0, 5, 5));
    EXPECT_TRUE(DC->Log()->Calls.isEmpty());
}

TEST(PimBitmapDraw, PixelsLandUprightInTheStretchedBox) {
    for (bool TopDown : {false, true}) {
        BmpLayout s = TrueColour();
        if (TopDown) {
            s.Height = -2;
            std::swap(s.Rows[0], s.Rows[1]);
        }
        TMemoryStream m = StreamOf(MakeBmp(s));
        TPimBitmap b;
        b.LoadFromStream(&m);
        EXPECT_EQ(b.GetHeight(*DeviceContext::CreateRecording(Caps(96))), 2);
        auto DC = DeviceContext::CreateImage(20, 20, 96, 96);
        b.StretchDraw(*DC, Rect(2, 2, 5, 5));
        const QImage& Img = *DC->Image();
        EXPECT_EQ(Img.pixel(2, 2), qRgb(0, 255, 0)) << TopDown;
        EXPECT_EQ(Img.pixel(5, 2), qRgb(255, 255, 255)) << TopDown;
        EXPECT_EQ(Img.pixel(2, 5), qRgb(255, 0, 0)) << TopDown;
        EXPECT_EQ(Img.pixel(5, 5), qRgb(0, 0, 255)) << TopDown;
        EXPECT_EQ(Img.pixel(6, 6), qRgb(255, 255, 255)) << TopDown;
    }
}

namespace {

// A graphic whose drawing fails, to see the device context's state put back.
class TFailingGraphic : public TPngImage {
public:
    void StretchDrawOn(DeviceContext&, const TRect&) const override {
        throw Exception(QStringLiteral("broken"));
    }
};

} // namespace

TEST(PimDrawBitMapTest, RasterAtItsSizeMetafileStretchedStateRestored) {
    QImage Image(3, 2, QImage::Format_RGB32);
    Image.fill(Qt::red);
    TMemoryStream Png = StreamOf(Encode(Image, "png"));
    auto g = PimGetGraphic(&Png);
    auto DC = DeviceContext::CreateRecording(Caps(300));
    PimDrawBitMap(*DC, 5, 6, g.get());
    EXPECT_EQ(Drawing(*DC), Lines({"SaveDC", "StretchDIBits 5 6 3 2 0 0 3 2 3 2 0x00CC0020", "RestoreDC -1"}));

    QByteArray Wmf = PlaceableHeader(0, 0, 720, 360, 1440);
    Wmf += QByteArray::fromHex("010009000003"
                               "0c000000"
                               "0000"
                               "03000000"
                               "0000"
                               "030000000000");
    TMemoryStream w = StreamOf(Wmf);
    auto Meta = PimGetGraphic(&w);
    ASSERT_NE(dynamic_cast<TMetafile*>(Meta.get()), nullptr);
    DC->Log()->Clear();
    PimDrawBitMap(*DC, 1, 2, Meta.get());
    const QStringList Calls = DC->Log()->Only({"StretchDIBits"});
    if (TMetafile::CanDrawPlaceable()) {
        ASSERT_EQ(Calls.size(), 1);
        EXPECT_TRUE(Calls[0].startsWith("StretchDIBits 1 2 48 24 0 0 ")) << Calls[0].toStdString();
    }

    TFailingGraphic Broken;
    Png.SetPosition(0);
    Broken.LoadFromStream(Png);
    DC->Log()->Clear();
    EXPECT_THROW(PimDrawBitMap(*DC, 0, 0, &Broken), Exception);
    EXPECT_EQ(Lines(DC->Log()->Only({"SaveDC", "RestoreDC"})), Lines({"SaveDC", "RestoreDC -1"}));
    EXPECT_EQ(DC->SaveDC(), 1);
    PimDrawBitMap(*DC, 0, 0, nullptr);
}

TEST(PimDrawBitMapTest, StretchedDrawFillsTheRectangleAndRestoresTheStateOnFailure) {
    QImage Image(3, 2, QImage::Format_RGB32);
    Image.fill(Qt::red);
    TMemoryStream Png = StreamOf(Encode(Image, "png"));
    auto g = PimGetGraphic(&Png);
    auto DC = DeviceContext::CreateRecording(Caps(300));
    PimStretchDrawBitMap(*DC, Rect(10, 20, 40, 30), g.get());
    EXPECT_EQ(Drawing(*DC), Lines({"SaveDC", "StretchDIBits 10 20 30 10 0 0 3 2 3 2 0x00CC0020", "RestoreDC -1"}));
    TFailingGraphic Broken;
    Png.SetPosition(0);
    Broken.LoadFromStream(Png);
    DC->Log()->Clear();
    EXPECT_THROW(PimStretchDrawBitMap(*DC, Rect(0, 0, 5, 5), &Broken), Exception);
    EXPECT_EQ(Lines(DC->Log()->Only({"SaveDC", "RestoreDC"})), Lines({"SaveDC", "RestoreDC -1"}));
    PimStretchDrawBitMap(*DC, Rect(0, 0, 5, 5), nullptr);
}

TEST(PimBitmapDraw, IndicesBeyondTheColourTableDrawBlackWhicheverWayThePictureComes) {
    // Four run-length pixels: two of colour 0 (blue), two of colour 200 where the table has one entry.
    BmpLayout s;
    s.Width = 4;
    s.Height = 1;
    s.Bits = 8;
    s.Compression = BI_RLE8;
    s.ClrUsed = 1;
    s.Colours = {0x0000FF};
    s.Rows = {QByteArray::fromHex("0200 02c8 0001")};
    const QByteArray Bmp = MakeBmp(s);
    auto Check = [](const DeviceContext& DC, const char* Way) {
        const QImage& Img = *DC.Image();
        EXPECT_EQ(Img.pixel(0, 0), qRgb(0, 0, 255)) << Way;
        EXPECT_EQ(Img.pixel(3, 0), qRgb(0, 0, 0)) << Way;
        EXPECT_EQ(Img.pixel(6, 0), qRgb(255, 255, 255)) << Way;
    };

    TMemoryStream m = StreamOf(Bmp);
    TPimBitmap b;
    b.LoadFromStream(&m);
    ASSERT_EQ(b.BitmapType(), abtWindows);
    // Qt's drawing looks colours up without a bound, so the table must cover every index.
    EXPECT_EQ(b.ToImage().colorTable().size(), 256);
    auto Direct = DeviceContext::CreateImage(8, 2, 96, 96);
    b.StretchDraw(*Direct, Rect(0, 0, 3, 0));
    Check(*Direct, "bitmap");

    m.SetPosition(0);
    auto Graphic = PimGetGraphic(&m);
    ASSERT_TRUE(Is<TBitmap>(Graphic));
    EXPECT_EQ(Graphic->ToImage().colorTable().size(), 256);
    auto Host = DeviceContext::CreateImage(8, 2, 96, 96);
    PimStretchDrawBitMap(*Host, Rect(0, 0, 4, 1), Graphic.get());
    Check(*Host, "graphic");

    TPimPimFile F;
    F.SetPixelsPerInchX(96);
    F.SetPixelsPerInchY(96);
    F.BeginDoc();
    m.SetPosition(0);
    F.DrawBitmap(0, 0, &m);
    F.EndDoc();
    auto Played = DeviceContext::CreateImage(8, 2, 96, 96);
    F.PlayPage(Played.get(), 1);
    Check(*Played, "document");
}
