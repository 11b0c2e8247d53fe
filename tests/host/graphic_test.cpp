#include "host/forms.h"
#include "host/graphic.h"
#include "support/bytes.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace {

QImage Sample(int W, int H) {
    QImage Image(W, H, QImage::Format_RGB32);
    Image.fill(Qt::white);
    Image.setPixel(1, 2, qRgb(255, 0, 0));
    return Image;
}

QByteArray Saved(const TGraphic& g) {
    TMemoryStream Out;
    g.SaveToStream(Out);
    return QByteArray(reinterpret_cast<const char*>(Out.Memory()), Out.Size());
}

// A 100 x 100 pixel enhanced metafile (at 96 ppi) with a red square from 10 to 90.
QByteArray RedSquareEmf() {
    QByteArray b;
    Put32(b, 1);
    Put32(b, 108);
    for (uint32_t v : {0u, 0u, 99u, 99u})
        Put32(b, v); // bounds in device pixels
    for (uint32_t v : {0u, 0u, 2646u, 2646u})
        Put32(b, v); // frame in 0.01 mm
    Put32(b, 0x464D4520);
    Put32(b, 0x10000);
    Put32(b, 0); // total size, patched below
    Put32(b, 5);
    Put16(b, 2);
    Put16(b, 0);
    for (int i = 0; i < 3; ++i)
        Put32(b, 0);
    for (uint32_t v : {1024u, 768u, 270u, 203u})
        Put32(b, v);
    for (uint32_t v : {0u, 0u, 0u, 270000u, 203000u})
        Put32(b, v);
    for (uint32_t v : {39u, 24u, 1u, 0u, 0x0000FFu, 0u})
        Put32(b, v); // solid red brush as object 1
    for (uint32_t v : {37u, 12u, 1u})
        Put32(b, v);
    for (uint32_t v : {43u, 24u, 10u, 10u, 90u, 90u})
        Put32(b, v);
    for (uint32_t v : {14u, 20u, 0u, 16u, 20u})
        Put32(b, v);
    const uint32_t n = b.size();
    for (int i = 0; i < 4; ++i)
        b[48 + i] = char(n >> (8 * i));
    return b;
}

// A placeable metafile of one inch square (1440 units to the inch) with a red square in its middle.
QByteArray RedSquareWmf() {
    QByteArray b = PlaceableHeader(0, 0, 1440, 1440, 1440);
    QByteArray r;
    auto Record = [&r](uint16_t Function, std::initializer_list<uint16_t> Params) {
        Put32(r, 3 + uint32_t(Params.size()));
        Put16(r, Function);
        for (uint16_t p : Params)
            Put16(r, p);
    };
    Record(0x020B, {0, 0});
    Record(0x020C, {1440, 1440});
    Record(0x02FC, {0, 0x00FF, 0x0000, 0});
    Record(0x012D, {0});
    Record(0x041B, {1300, 1300, 140, 140});
    Record(0x0000, {});
    Put16(b, 1);
    Put16(b, 9);
    Put16(b, 0x0300);
    Put32(b, uint32_t(9 + r.size() / 2));
    Put16(b, 1);
    Put32(b, 7);
    Put16(b, 0);
    return b + r;
}

} // namespace

TEST(Graphic, RasterKindsKeepTheirBytesForSaving) {
    const struct {
        std::unique_ptr<TGraphic> Graphic;
        const char* Format;
    } Cases[] = {{std::make_unique<TPngImage>(), "png"},
                 {std::make_unique<TJPEGImage>(), "jpg"},
                 {std::make_unique<TBitmap>(), "bmp"},
                 {std::make_unique<TIcon>(), "ico"},
                 {std::make_unique<TWICImage>(), "ppm"}};
    for (const auto& c : Cases) {
        const QByteArray Bytes = Encode(Sample(5, 7), c.Format);
        TMemoryStream s = StreamOf(Bytes);
        c.Graphic->LoadFromStream(s);
        EXPECT_EQ(c.Graphic->Width(), 5) << c.Format;
        EXPECT_EQ(c.Graphic->Height(), 7) << c.Format;
        EXPECT_EQ(Saved(*c.Graphic), Bytes) << c.Format;
    }
    const QImage Png = TPngImage().ToImage();
    EXPECT_TRUE(Png.isNull());
}

TEST(Graphic, GifIsReadAndKept) {
    const QByteArray Gif =
        QByteArray::fromHex("47494638396101000100800000000000ffffff21f90400000000002c0000000001"
                            "0001000002024401003b");
    TGIFImage g;
    TMemoryStream s = StreamOf(Gif);
    g.LoadFromStream(s);
    EXPECT_EQ(g.Width(), 1);
    EXPECT_EQ(g.ToImage().pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(Saved(g), Gif);
}

TEST(Graphic, BytesOfAnotherKindAreRefused) {
    const QByteArray Jpeg = Encode(Sample(4, 4), "jpg");
    for (auto* g :
         std::initializer_list<TGraphic*>{new TPngImage, new TGIFImage, new TBitmap, new TMetafile}) {
        std::unique_ptr<TGraphic> Owned(g);
        TMemoryStream s = StreamOf(Jpeg);
        EXPECT_THROW(g->LoadFromStream(s), EInvalidGraphic);
        EXPECT_TRUE(g->Empty());
        TMemoryStream Empty;
        EXPECT_THROW(g->LoadFromStream(Empty), EInvalidGraphic);
    }
}

TEST(Graphic, BitmapTakesOnlyTheLengthItsHeaderStates) {
    QByteArray Bytes = Encode(Sample(3, 3), "bmp");
    const int64_t Length = Bytes.size();
    TMemoryStream s = StreamOf(Bytes + QByteArray("trailing"));
    TBitmap b;
    b.LoadFromStream(s);
    EXPECT_EQ(s.Position(), Length);
    EXPECT_EQ(Saved(b), Bytes);
    EXPECT_EQ(b.ToImage(6, 6).pixel(2, 4), qRgb(255, 0, 0));
}

TEST(Graphic, APictureDrawnInCodeBecomesABitmapFileWithItsPixels) {
    QImage Drawn(5, 3, QImage::Format_RGB32);
    Drawn.fill(qRgb(128, 128, 0));
    Drawn.setPixel(4, 0, qRgb(0, 0, 255));
    TBitmap Glyph;
    Glyph.LoadFromImage(Drawn);
    EXPECT_TRUE(Glyph.Data().startsWith("BM"));
    EXPECT_EQ(Glyph.Width(), 5);
    EXPECT_EQ(Glyph.Height(), 3);
    EXPECT_EQ(Glyph.ToImage().pixel(4, 0), qRgb(0, 0, 255));
    EXPECT_EQ(Glyph.ToImage().pixel(0, 2), qRgb(128, 128, 0));
}

TEST(Graphic, EnhancedMetafileIsSizedByItsFrameAndDrawn) {
    const QByteArray Emf = RedSquareEmf();
    TMetafile m;
    TMemoryStream s = StreamOf(Emf);
    m.LoadFromStream(s);
    EXPECT_TRUE(m.Enhanced());
    EXPECT_EQ(m.Width(), 100);
    EXPECT_EQ(m.Height(), 100);
    EXPECT_EQ(Saved(m), Emf);
    if (!TMetafile::CanDrawEnhanced()) GTEST_SKIP() << "built without an enhanced-metafile converter";
    const QImage Image = m.ToImage(200, 200);
    EXPECT_EQ(Image.pixel(100, 100), qRgb(255, 0, 0));
    EXPECT_EQ(qAlpha(Image.pixel(5, 5)), 0);
}

TEST(Graphic, PlaceableMetafileIsSizedByItsBoxAndDrawn) {
    const QByteArray Wmf = RedSquareWmf();
    TMetafile m;
    TMemoryStream s = StreamOf(Wmf);
    m.LoadFromStream(s);
    EXPECT_FALSE(m.Enhanced());
    EXPECT_EQ(m.Width(), 96);
    EXPECT_EQ(m.Height(), 96);
    EXPECT_EQ(Saved(m), Wmf);
    if (!TMetafile::CanDrawPlaceable()) GTEST_SKIP() << "built without a placeable-metafile converter";
    const QImage Image = m.ToImage(96, 96);
    EXPECT_EQ(Image.pixel(48, 48), qRgb(255, 0, 0));
    EXPECT_EQ(qAlpha(Image.pixel(2, 2)), 0);
}

TEST(Graphic, MetafileSizesFollowTheScreensPixelsPerInch) {
    Screen()->SetPixelsPerInch(120);
    TMetafile m;
    TMemoryStream s = StreamOf(RedSquareWmf());
    m.LoadFromStream(s);
    EXPECT_EQ(TGraphic::ScreenPixelsPerInch(), 120);
    EXPECT_EQ(m.Width(), 120);
    TGraphic::SetScreenPixelsPerInch(0);
    EXPECT_EQ(Screen()->PixelsPerInch(), 96);
    ResetApplication();
    EXPECT_EQ(TGraphic::ScreenPixelsPerInch(), 96);
}

TEST(Graphic, MetafileWithZeroUnitsPerInchHasNoSize) {
    QByteArray Wmf = RedSquareWmf();
    Wmf[14] = 0;
    Wmf[15] = 0;
    TMetafile m;
    TMemoryStream s = StreamOf(Wmf);
    m.LoadFromStream(s);
    EXPECT_EQ(m.Width(), 0);
    EXPECT_TRUE(m.ToImage().isNull());
}

TEST(Graphic, DrawingGoesThroughTheDeviceContextAtTheRectanglesDeviceSize) {
    auto DC = DeviceContext::CreateImage(200, 200, 96, 96);
    DC->SetMapMode(MM_ANISOTROPIC);
    DC->SetWindowExtEx(1, 1);
    DC->SetViewportExtEx(2, 2);
    DC->StartLog();
    TMetafile m;
    TMemoryStream s = StreamOf(RedSquareEmf());
    m.LoadFromStream(s);
    TCanvas Canvas(DC.get());
    Canvas.Draw(10, 10, m);
    EXPECT_EQ(DC->Log()->Only({"StretchDIBits"}).join(' ').toStdString(),
              "StretchDIBits 10 10 100 100 0 0 200 200 200 200 0x00CC0020");
    if (TMetafile::CanDrawEnhanced()) {
        EXPECT_EQ(DC->Image()->pixel(120, 120), qRgb(255, 0, 0));
        EXPECT_EQ(DC->Image()->pixel(25, 25), qRgb(255, 255, 255));
    }
    TPngImage p;
    TMemoryStream ps = StreamOf(Encode(Sample(5, 7), "png"));
    p.LoadFromStream(ps);
    DC->Log()->Clear();
    Canvas.StretchDraw(Rect(0, 0, 10, 14), p);
    EXPECT_EQ(DC->Log()->Only({"StretchDIBits"}).join(' ').toStdString(),
              "StretchDIBits 0 0 10 14 0 0 5 7 5 7 0x00CC0020");
    EXPECT_EQ(DC->Image()->pixel(5, 9),
              qRgb(255, 0, 0)); // source pixel (1, 2), doubled by the stretch and by the mapping
    EXPECT_EQ(DC->Image()->pixel(9, 9), qRgb(255, 255, 255));
}

TEST(Graphic, MetafileLongerThanItsBytesIsRefused) {
    QByteArray Emf = RedSquareEmf();
    Emf.chop(4);
    TMetafile m;
    TMemoryStream s = StreamOf(Emf);
    EXPECT_THROW(m.LoadFromStream(s), EInvalidGraphic);
    EXPECT_TRUE(m.Empty());
    EXPECT_EQ(m.Width(), 0);
    EXPECT_TRUE(m.Svg().isEmpty());
}
