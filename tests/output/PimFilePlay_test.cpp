#include "host/devicecontext.h"
#include "host/exceptions.h"
#include "host/forms.h"
#include "host/graphic.h"
#include "host/streams.h"
#include "host/tempfiles.h"
#include "output/PimFile.h"
#include "output/PimSetup.h"
#include "output/PimUtil.h"
#include "output/PimXport.h"
#include "support/fakeprinter.h"
#include "support/logfilter.h"

#include "support/devices.h"
#include "support/pixelprobe.h"
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

namespace {

TDeviceCaps ScreenCaps(int Ppi) {
    TDeviceCaps C;
    C.LogPixelsX = C.LogPixelsY = Ppi;
    C.HorzRes = C.PhysicalWidth = 8 * Ppi;
    C.VertRes = C.PhysicalHeight = 11 * Ppi;
    return C;
}

// What a page played into a recording device of the given resolution called, without the clean-up
// selections the player makes at the end of every page.
QStringList Played(TPimPimFile& F, int Page, int Ppi = 96, int Technology = DT_RASDISPLAY) {
    TDeviceCaps Caps = ScreenCaps(Ppi);
    Caps.Technology = Technology;
    auto DC = DeviceContext::CreateRecording(Caps);
    F.PlayPage(DC.get(), Page);
    QStringList Calls = DC->Log()->Calls;
    while (!Calls.isEmpty() && Calls.last().startsWith(QStringLiteral("SelectObject stock")))
        Calls.removeLast();
    return Calls;
}

// One recorded page with text, lines, a fill, a rectangle with a wide pen and aligned text.
void RecordDrawing(TPimPimFile& F) {
    F.SetFont(MakeFont(QStringLiteral("Arial"), 10, fsBold, clRed));
    F.SetPen(MakePen(clBlue, 2));
    F.SetBrush(MakeBrush(clYellow, bsSolid));
    F.SetTextAlign(24);
    F.Textout(15, 30, QStringLiteral("Total"));
    F.MoveTo(5, 7);
    F.LineTo(50, 7);
    F.FillRect(TRect{10, 10, 21, 21});
    F.Rectangle(10, 40, 60, 70);
    const char16_t Text[] = u"abc";
    F.ExtTextout(3, 4, 6, TRect{1, 2, 30, 12}, Text, 3);
}

// A BMP file of a 10 x 5 picture.
TMemoryStream& SmallBmp(TMemoryStream& S) {
    QImage Image(10, 5, QImage::Format_RGB32);
    Image.fill(Qt::green);
    QByteArray Bytes;
    QBuffer Buffer(&Bytes);
    Buffer.open(QIODevice::WriteOnly);
    Image.save(&Buffer, "BMP");
    // No resolution of its own: the player's pixels per inch size it.
    std::fill_n(Bytes.data() + 38, 8, '\0');
    S.WriteBuffer(Bytes.constData(), Bytes.size());
    return S;
}

// A blue 30 x 15 PNG picture.
void LoadBluePng(TPngImage& Graphic) {
    QImage Image(30, 15, QImage::Format_RGB32);
    Image.fill(Qt::blue);
    QByteArray Bytes;
    QBuffer Buffer(&Bytes);
    Buffer.open(QIODevice::WriteOnly);
    Image.save(&Buffer, "PNG");
    TMemoryStream Png;
    Png.WriteBuffer(Bytes.constData(), Bytes.size());
    Png.SetPosition(0);
    Graphic.LoadFromStream(Png);
}

// One recorded page with the drawing records the first page leaves out: text by count, round and
// elliptic shapes, shading, a centred line held inside its outer box, bitmaps, a check box, a pie
// and a polygon with a wide pen, and two bar codes.
void RecordEveryOtherDrawing(TPimPimFile& F) {
    F.SetFont(MakeFont(QStringLiteral("Arial"), 10));
    F.SetPen(MakePen(clBlue, 2));
    F.SetBrush(MakeBrush(clBlack, bsSolid));
    F.PTextout(5, 6, u"pq", 2);
    F.RoundRect(1, 2, 31, 22, 6, 4);
    F.Ellipse(3, 4, 13, 14);
    F.ShadeRect(TRect{0, 0, 30, 30}, spMedium);
    F.SetTextAlign(TA_CENTER);
    F.TextJustify(TRect{40, 50, 100, 60}, 25, 50, QStringLiteral("Wide"), true, TRect{20, 50, 200, 60});
    F.SetTextAlign(TA_LEFT);
    TMemoryStream Bmp;
    F.DrawBitmap(10, 20, &SmallBmp(Bmp));
    F.StretchDrawBitmap(TRect{30, 20, 50, 30}, &Bmp);
    F.DrawCheckBox(TRect{0, 100, 10, 110}, acsCross, clRed, 1);
    F.DrawShapeType(dtPie, 0, 120, 40, 160, 40, 120, 0, 160);
    const TPoint Points[] = {{1, 1}, {20, 5}, {9, 30}};
    F.PolyDrawType(ptPolygon, Points, 3);
    F.Print3of9Barcode(10, 200, 0, 5, 1, 2, false, false, QStringLiteral("1"));
    F.Print2of5Barcode(30, 200, 4, 0, 1, 3, false, true, QStringLiteral("12"));
}

// Every page carries a record of type 700 with its number, which the handler notes when the page
// plays: the order in which pages reach the printer.
constexpr int16_t PageMark = 700;

class PimPlayback : public ::testing::Test {
protected:
    void SetUp() override { PimResetRecordTypes(); }
    void TearDown() override {
        PimResetRecordTypes();
        DuplexNewJob = false;
    }
};

class PimPrinting : public PimPlayback {
protected:
    void SetUp() override {
        PimPlayback::SetUp();
        std::vector<std::unique_ptr<TFakePrinter>> L;
        L.push_back(TFakePrinter::Office());
        Printers = std::make_unique<TFakePrinterList>(std::move(L));
        Fake = (*Printers)[0];
        PimAddRecordType(PageMark,
                         [this](DeviceContext*, TPimPimFile* F) { Pages.push_back(F->ReadSmallInt()); });
    }
    void TearDown() override {
        Printers.reset();
        PimPlayback::TearDown();
    }

    // Pages with the duplex settings given, one per page, and the copies of the document.
    std::shared_ptr<TPimPimFile> Document(const std::vector<int>& Duplex, int Copies = 1,
                                          bool Collated = true) {
        auto F = std::make_shared<TPimPimFile>();
        TPimPrinterSetup* Setup = F->PimPrinterSetup();
        Setup->SetCopies(Copies);
        Setup->SetCollatedCopies(Collated);
        for (size_t i = 0; i < Duplex.size(); ++i) {
            Setup->SetDuplex(Duplex[i]);
            if (i == 0)
                F->BeginDoc();
            else
                F->NewPage();
            F->WriteType(uint16_t(PageMark));
            F->WriteSmallInt(int(i) + 1);
            F->Textout(10, 10, QStringLiteral("Page %1").arg(i + 1));
        }
        F->EndDoc();
        return F;
    }

    std::shared_ptr<TPimPimFile> Pages5(int Copies = 1, bool Collated = true) {
        return Document({1, 1, 1, 1, 1}, Copies, Collated);
    }

    int PrintedPages() const {
        int N = 0;
        for (const TFakeJob& J : Fake->Jobs)
            N += int(J.Pages.size());
        return N;
    }

    std::unique_ptr<TFakePrinterList> Printers;
    TFakePrinter* Fake = nullptr;
    std::vector<int> Pages;
};

} // namespace

TEST_F(PimPlayback, PlayingAtTheRecordedResolutionGivesTheRecordedCalls) {
    TPimPimFile F;
    F.BeginDoc();
    RecordDrawing(F);
    F.EndDoc();
    EXPECT_EQ(Played(F, 1), QStringList({
                                "SelectObject font \"Arial\" -13 0 700 0 0 0 1 esc=0",
                                "SetTextColor 0x0000FF",
                                "SelectObject pen 0 2 0xFF0000",
                                "SelectObject brush 0 0x00FFFF 0",
                                "SetBkColor 0x00FFFF",
                                "SetBkMode 2",
                                "SetTextAlign 24",
                                "TextOut 15 30 \"Total\"",
                                "MoveToEx 5 7",
                                "LineTo 50 7",
                                "FillRect 10 10 21 21 brush 0 0x00FFFF 0",
                                "SelectObject pen 0 2 0xFF0000",
                                "Rectangle 10 40 60 70",
                                "SelectObject pen 0 2 0xFF0000",
                                "ExtTextOut 3 4 6 1 2 30 12 \"abc\"",
                            }));
}

TEST_F(PimPlayback, PlayingAtAnotherResolutionOrZoomScalesCoordinatesFontsAndPens) {
    TPimPimFile F;
    F.BeginDoc();
    RecordDrawing(F);
    F.EndDoc();
    const QStringList Expected({
        "SelectObject font \"Arial\" -27 0 700 0 0 0 1 esc=0",
        "SetTextColor 0x0000FF",
        "SelectObject pen 0 2 0xFF0000",
        "SelectObject brush 0 0x00FFFF 0",
        "SetBkColor 0x00FFFF",
        "SetBkMode 2",
        "SetTextAlign 24",
        "TextOut 30 60 \"Total\"",
        "MoveToEx 10 14",
        "LineTo 100 14",
        "FillRect 20 20 42 42 brush 0 0x00FFFF 0",
        "SelectObject pen 0 4 0xFF0000",
        "Rectangle 20 80 120 140",
        "SelectObject pen 0 2 0xFF0000",
        "ExtTextOut 6 8 6 2 4 60 24 \"abc\"",
    });
    EXPECT_EQ(Played(F, 1, 192), Expected);
    F.SetHorzScale(200);
    F.SetVertScale(200);
    EXPECT_EQ(Played(F, 1, 96), Expected);
}

TEST_F(PimPlayback, ExportingHandsEveryRecordToTheFilterInsteadOfTheDevice) {
    TPimPimFile F;
    F.BeginDoc();
    RecordDrawing(F);
    F.EndDoc();
    TLogFilter Filter;
    F.SetExporting(true);
    F.SetExportFilter(&Filter);
    F.SetHorzScale(200);
    F.SetVertScale(200);
    auto DC = DeviceContext::CreateRecording(ScreenCaps(96));
    F.PlayPage(DC.get(), 1);
    EXPECT_EQ(Filter.Calls, QStringList({
                                "SetLogFont Arial -27 10 bold",
                                "SetPen 2",
                                "SetBrush 65535",
                                "SetTextAlign 24",
                                "Textout 30 60 Total",
                                "MoveTo 10 14",
                                "LineTo 100 14",
                                "FillRect 20 20 42 42",
                                "Rectangle 20 80 120 140",
                                "ExtTextout 6 8 6 2 60 abc",
                            }));
    EXPECT_TRUE(DC->Log()
                    ->Only({QStringLiteral("TextOut"), QStringLiteral("Rectangle"),
                            QStringLiteral("FillRect"), QStringLiteral("LineTo")})
                    .isEmpty());
    // Without a device context the filter still gets the page.
    Filter.Calls.clear();
    F.PlayPage(nullptr, 1);
    EXPECT_EQ(Filter.Calls.size(), 10);
}

// Twice the resolution or a zoom of 200 doubles every coordinate, pen width, font and picture
// alike: the page plays the same either way on paper. A bitmap without a resolution of its own
// takes the document's, lowered by the zoom.
TEST_F(PimPlayback, EveryOtherDrawingRecordPlaysAtTwiceTheResolutionOrTheZoom) {
    TPimPimFile F;
    F.BeginDoc();
    RecordEveryOtherDrawing(F);
    F.EndDoc();
    QStringList Expected({
        "SelectObject font \"Arial\" -27 0 400 0 0 0 1 esc=0",
        "SetTextColor 0x000000",
        "SelectObject pen 0 2 0xFF0000",
        "SelectObject brush 0 0x000000 0",
        "SetBkColor 0x000000",
        "SetBkMode 2",
        "TextOut 10 12 \"pq\"",
        "SelectObject pen 0 4 0xFF0000",
        "RoundRect 2 4 62 44 12 8",
        "SelectObject pen 0 2 0xFF0000",
        "SelectObject pen 0 4 0xFF0000",
        "Ellipse 6 8 26 28",
        "SelectObject pen 0 2 0xFF0000",
        "SetBkMode 1",
        "FillRect 0 0 60 60 brush pattern FBF7BEDFFB7DEFBF",
        "SetTextAlign 6",
        // Centred on x = 50, the line would begin left of its outer box: it begins at the box.
        "SetTextAlign 0",
        "SetTextAlign 1",
        "MoveToEx 40 100",
        "TextOut 40 100 \"W\"",
    });
    const QStringList Tail({
        "SetTextAlign 0",
        "SetTextAlign 6",
        "SetTextAlign 0",
        "SaveDC",
        "SetStretchBltMode 3",
        "StretchDIBits 20 40 21 11 0 0 10 5 10 5 0x00CC0020",
        "RestoreDC -1",
        "SaveDC",
        "SetStretchBltMode 3",
        "StretchDIBits 60 40 41 21 0 0 10 5 10 5 0x00CC0020",
        "RestoreDC -1",
        "SelectObject pen 0 2 0x0000FF",
        "SetROP2 13",
        "MoveToEx 2 202",
        "LineTo 19 219",
        "MoveToEx 19 202",
        "LineTo 2 219",
        "SelectObject pen 0 2 0xFF0000",
        "SelectObject pen 0 4 0xFF0000",
        "Pie 0 240 80 320 80 240 0 320",
        "SelectObject pen 0 2 0xFF0000",
        "SelectObject pen 0 4 0xFF0000",
        "Polygon 3 2,2 40,10 18,60",
        "SelectObject pen 0 2 0xFF0000",
        // "*1*" in Code 39, narrow 2 and wide 4, each character followed by its narrow gap.
        "FillRect 20 400 22 410",
        "FillRect 26 400 28 410",
        "FillRect 30 400 34 410",
        "FillRect 36 400 40 410",
        "FillRect 42 400 44 410",
        "FillRect 46 400 50 410",
        "FillRect 52 400 54 410",
        "FillRect 58 400 60 410",
        "FillRect 62 400 64 410",
        "FillRect 66 400 70 410",
        "FillRect 72 400 74 410",
        "FillRect 78 400 80 410",
        "FillRect 82 400 86 410",
        "FillRect 88 400 92 410",
        "FillRect 94 400 96 410",
        // "12" in 2 of 5 running down, narrow 2 and wide 6: start, the pair, stop.
        "FillRect 60 400 68 402",
        "FillRect 60 404 68 406",
        "FillRect 60 408 68 414",
        "FillRect 60 416 68 418",
        "FillRect 60 424 68 426",
        "FillRect 60 428 68 430",
        "FillRect 60 432 68 438",
        "FillRect 60 444 68 450",
        "FillRect 60 452 68 454",
    });
    // The letters after the first follow the font's own advances.
    const auto Check = [&](const QStringList& Got) {
        const qsizetype Letters = Expected.size();
        ASSERT_GT(Got.size(), Letters + 3);
        EXPECT_EQ(Got.mid(0, Letters), Expected);
        const QStringList Rest = Got.mid(Letters + 3);
        QStringList Shown = Rest;
        for (QString& L : Shown)
            if (L.startsWith(QStringLiteral("FillRect")) && L.endsWith(QStringLiteral("brush 0 0x000000 0")))
                L.chop(QStringLiteral(" brush 0 0x000000 0").size());
        EXPECT_EQ(Shown, Tail);
    };
    Check(Played(F, 1, 192, DT_RASPRINTER));
    F.SetHorzScale(200);
    F.SetVertScale(200);
    Check(Played(F, 1, 96, DT_RASPRINTER));

    // Rich text on a screen covers twice the pixels at twice the zoom, and the same at twice the
    // resolution.
    TPimPimFile R;
    R.BeginDoc();
    R.SetFont(MakeFont(QStringLiteral("Arial"), 10));
    TMemoryStream Rtf;
    const QByteArray Text("{\\rtf1 Hello world}");
    Rtf.WriteBuffer(Text.constData(), Text.size());
    R.RtfDraw(TRect{10, 20, 150, 60}, &Rtf, 0, -1, true);
    R.EndDoc();
    const auto Ink = [&](int Ppi, int Zoom) {
        auto DC = DeviceContext::CreateImage(400, 200, Ppi, Ppi);
        R.SetHorzScale(Zoom);
        R.SetVertScale(Zoom);
        R.PlayPage(DC.get(), 1);
        return InkBounds(*DC->Image());
    };
    const QRect Plain = Ink(96, 100), Zoomed = Ink(96, 200), Fine = Ink(192, 100);
    ASSERT_FALSE(Plain.isEmpty());
    EXPECT_NEAR(Zoomed.left(), 2 * Plain.left(), 2);
    EXPECT_NEAR(Zoomed.top(), 2 * Plain.top(), 2);
    EXPECT_NEAR(Zoomed.width(), 2 * Plain.width(), 3);
    EXPECT_NEAR(Zoomed.height(), 2 * Plain.height(), 3);
    EXPECT_NEAR(Fine.left(), Zoomed.left(), 1);
    EXPECT_NEAR(Fine.width(), Zoomed.width(), 2);
}

// Widths in thousandths of an inch are the printer's to convert; a screen scales them with the page.
TEST_F(PimPlayback, BarWidthsInInchesKeepTheirSizeOnPaperOnly) {
    TPimPimFile F;
    F.BeginDoc();
    F.SetBrush(MakeBrush(clBlack, bsSolid));
    F.Print2of5Barcode(10, 10, 0, 20, 10, 30, true, false, QStringLiteral("12"));
    F.EndDoc();
    F.SetHorzScale(200);
    F.SetVertScale(200);
    const auto Bars = [&](int Technology) {
        QStringList Boxes;
        for (const QString& Call : Played(F, 1, 96, Technology))
            if (Call.startsWith(QStringLiteral("FillRect"))) Boxes << Call.section(QLatin1Char(' '), 1, 4);
        return Boxes.join(QLatin1Char('|'));
    };
    // 10 thousandths at 96 pixels per inch are one pixel on paper; on a screen the 20 they become
    // at twice the zoom are two.
    EXPECT_EQ(Bars(DT_RASPRINTER), "20 20 21 60|22 20 23 60|24 20 27 60|28 20 29 60|32 20 33 60|34 20 35 60|"
                                   "36 20 39 60|42 20 45 60|46 20 47 60");
    EXPECT_EQ(Bars(DT_RASDISPLAY), "20 20 22 60|24 20 26 60|28 20 34 60|36 20 38 60|44 20 46 60|48 20 50 60|"
                                   "52 20 58 60|64 20 70 60|72 20 74 60");
}

// Printer records met on a page leave their settings with the document: the last page played
// decides its printer setup and printer info.
TEST_F(PimPlayback, PrinterRecordsMetWhilePlayingTakeThePagesSettings) {
    TPimPimFile F;
    F.PimPrinterSetup()->SetCopies(2);
    F.BeginDoc();
    TPimFilePrinterInfo Info;
    Info.Orientation = 2;
    Info.PaperSize = 9;
    Info.Length = 11.69;
    Info.Width = 8.27;
    Info.Scale = 75;
    Info.Copies = 4;
    Info.CollatedCopies = true;
    F.WritePrinterInfo(Info);
    F.Textout(1, 1, QStringLiteral("after the info"));
    F.PimPrinterSetup()->SetCopies(3);
    F.NewPage();
    F.EndDoc();
    ASSERT_EQ(F.PimPrinterSetup()->Copies(), 2);
    EXPECT_EQ(Played(F, 2), QStringList());
    EXPECT_EQ(F.PimPrinterSetup()->Copies(), 3);
    EXPECT_EQ(Played(F, 1), QStringList({"TextOut 1 1 \"after the info\""}));
    EXPECT_EQ(F.PimPrinterSetup()->Copies(), 2);
    const TPimFilePrinterInfo& Got = F.PimFilePrinterInfo;
    EXPECT_EQ(Got.Orientation, 2);
    EXPECT_EQ(Got.PaperSize, 9);
    EXPECT_DOUBLE_EQ(Got.Length, 11.69);
    EXPECT_DOUBLE_EQ(Got.Width, 8.27);
    EXPECT_EQ(Got.Scale, 75);
    EXPECT_EQ(Got.Copies, 4);
    EXPECT_TRUE(Got.CollatedCopies);
}

// Exporting hands pictures, rich text, bar codes, check boxes, shapes and polygons to the filter,
// scaled; a filter that draws for itself gets nothing and the page goes to its device context.
TEST_F(PimPlayback, ExportingRoutesEveryOtherRecordUnlessTheFilterDrawsItself) {
    TPngImage Graphic;
    LoadBluePng(Graphic);
    TPimPimFile F;
    F.BeginDoc();
    RecordEveryOtherDrawing(F);
    F.Draw(10, 20, &Graphic);
    F.StretchDraw(TRect{0, 0, 50, 40}, &Graphic);
    TMemoryStream Rtf;
    Rtf.WriteBuffer("{\\rtf1 Hi}", 10);
    F.RtfDraw(TRect{10, 70, 110, 90}, &Rtf, 1, 5, true);
    F.DrawCheckBox(TRect{0, 100, 10, 110}, acsCheck, clGreen, 3);
    F.EndDoc();
    F.SetHorzScale(200);
    F.SetVertScale(200);
    const QStringList Unrouted = Played(F, 1, 96);

    TLogFilter Filter;
    F.SetExporting(true);
    F.SetExportFilter(&Filter);
    auto DC = DeviceContext::CreateRecording(ScreenCaps(96));
    F.PlayPage(DC.get(), 1);
    TMemoryStream Bmp;
    const int64_t BmpSize = SmallBmp(Bmp).Size();
    EXPECT_EQ(Filter.Calls, QStringList({
                                "SetLogFont Arial -27 10 plain",
                                "SetPen 2",
                                "SetBrush 0",
                                "PTextout 10 12 pq",
                                "RoundRect 2 4 62 44 12 8",
                                "Ellipse 6 8 26 28",
                                "ShadeRect 0 0 60 60 4",
                                "SetTextAlign 6",
                                "TextJustify 80 100 200 120 50 100 Wide 1 40 100 400 120",
                                "SetTextAlign 0",
                                QStringLiteral("DrawBitmap 20 40 %1 bytes").arg(BmpSize),
                                QStringLiteral("StretchDrawBitmap 60 40 100 60 %1 bytes").arg(BmpSize),
                                "DrawCheckBox 0 200 20 220 0 255 2",
                                "DrawShapeType 2 0 240 80 320 80 240 0 320",
                                "PolyDrawType 0 2,2 40,10 18,60",
                                "Print3of9Barcode 20 400 0 10 2 4 0 0 1",
                                "Print2of5Barcode 60 400 8 0 2 6 0 1 12",
                                "StretchDraw 20 40 80 70 of 30x15",
                                "StretchDraw 0 0 100 80 of 30x15",
                                "RtfDraw 20 140 220 180 {\\rtf1 Hi} 1 5 1",
                                "DrawCheckBox 0 200 20 220 1 32768 6",
                            }));
    EXPECT_TRUE(DC->Log()
                    ->Only({"TextOut", "RoundRect", "Ellipse", "FillRect", "StretchDIBits", "Pie", "Polygon",
                            "LineTo", "ExtTextOut"})
                    .isEmpty());

    TLogFilter Graphic2;
    Graphic2.SetGraphicExport(true);
    F.SetExportFilter(&Graphic2);
    EXPECT_EQ(Played(F, 1, 96), Unrouted);
    EXPECT_TRUE(Graphic2.Calls.isEmpty());
}

TEST_F(PimPlayback, TextInABoxIsOpaqueOnlyAfterAVisibleBrush) {
    TPimPimFile F;
    F.BeginDoc();
    F.TextRect(TRect{0, 0, 50, 10}, 1, 1, QStringLiteral("none"));
    F.SetBrush(MakeBrush(clWhite, bsClear));
    F.TextRect(TRect{0, 0, 50, 10}, 1, 1, QStringLiteral("clear"));
    F.SetBrush(MakeBrush(clWhite, bsSolid));
    F.TextRect(TRect{0, 0, 50, 10}, 1, 1, QStringLiteral("solid"));
    F.EndDoc();
    auto DC = DeviceContext::CreateRecording(ScreenCaps(96));
    F.PlayPage(DC.get(), 1);
    EXPECT_EQ(DC->Log()->Only({QStringLiteral("ExtTextOut")}),
              QStringList({"ExtTextOut 1 1 4 0 0 50 10 \"none\"", "ExtTextOut 1 1 4 0 0 50 10 \"clear\"",
                           "ExtTextOut 1 1 6 0 0 50 10 \"solid\""}));
}

TEST_F(PimPlayback, AFillScaledToNothingShowsOnAScreenButNotOnPaper) {
    TPimPimFile F;
    F.BeginDoc();
    F.SetBrush(MakeBrush(clRed, bsSolid));
    F.FillRect(TRect{10, 10, 10, 30});
    F.EndDoc();
    auto Screen = DeviceContext::CreateRecording(ScreenCaps(96));
    F.PlayPage(Screen.get(), 1);
    EXPECT_EQ(Screen->Log()->Only({QStringLiteral("FillRect")}),
              QStringList({"FillRect 10 10 11 30 brush 0 0x0000FF 0"}));
    TDeviceCaps Paper = ScreenCaps(96);
    Paper.Technology = DT_RASPRINTER;
    auto Printer = DeviceContext::CreateRecording(Paper);
    F.PlayPage(Printer.get(), 1);
    EXPECT_EQ(Printer->Log()->Only({QStringLiteral("FillRect")}),
              QStringList({"FillRect 10 10 10 30 brush 0 0x0000FF 0"}));
}

TEST_F(PimPlayback, APictureIsPlacedAndSizedAtTheDeviceResolution) {
    TPngImage Graphic;
    LoadBluePng(Graphic);
    TPimPimFile F;
    F.BeginDoc();
    F.Draw(10, 20, &Graphic);
    F.StretchDraw(TRect{0, 0, 50, 40}, &Graphic);
    F.EndDoc();
    auto DC = DeviceContext::CreateRecording(ScreenCaps(192));
    F.PlayPage(DC.get(), 1);
    const QStringList Drawn = DC->Log()->Only({QStringLiteral("StretchDIBits")});
    ASSERT_EQ(Drawn.size(), 2);
    EXPECT_TRUE(Drawn[0].startsWith(QStringLiteral("StretchDIBits 20 40 60 30 0 0 30 15")))
        << Drawn[0].toStdString();
    EXPECT_TRUE(Drawn[1].startsWith(QStringLiteral("StretchDIBits 0 0 100 80 0 0 30 15")))
        << Drawn[1].toStdString();
}

TEST_F(PimPlayback, CustomRecordsPlayThroughTheFirstHandlerOfTheirType) {
    QStringList Seen;
    PimAddRecordType(500, [&](DeviceContext* DC, TPimPimFile* F) {
        const int X = F->ReadSmallInt();
        Seen << QStringLiteral("first %1").arg(X);
        DC->TextOut(F->PlayX(X), 0, u"custom");
    });
    PimAddRecordType(500, [&](DeviceContext*, TPimPimFile*) { Seen << QStringLiteral("second"); });
    PimAddRecordType(21, [&](DeviceContext*, TPimPimFile*) { Seen << QStringLiteral("text handler"); });
    TPimPimFile F;
    F.BeginDoc();
    F.WriteType(500);
    F.WriteSmallInt(40);
    F.Textout(1, 2, QStringLiteral("after"));
    F.EndDoc();
    auto DC = DeviceContext::CreateRecording(ScreenCaps(192));
    F.PlayPage(DC.get(), 1);
    EXPECT_EQ(Seen, QStringList({"first 40"}));
    EXPECT_EQ(DC->Log()->Only({QStringLiteral("TextOut")}),
              QStringList({"TextOut 80 0 \"custom\"", "TextOut 2 4 \"after\""}));
}

TEST_F(PimPlayback, AnUnknownRecordEndsItsPageWithoutReadingTheNext) {
    TPimPimFile F;
    F.BeginDoc();
    F.Textout(1, 1, QStringLiteral("before"));
    F.WriteType(600);
    F.WriteLongInt(0x00150015); // would read as two Textout records if taken for records
    F.NewPage();
    F.Textout(2, 2, QStringLiteral("page two"));
    F.EndDoc();
    auto DC = DeviceContext::CreateRecording(ScreenCaps(96));
    F.PlayPage(DC.get(), 1);
    EXPECT_EQ(DC->Log()->Only({QStringLiteral("TextOut")}), QStringList({"TextOut 1 1 \"before\""}));
    DC->Log()->Clear();
    F.PlayPage(DC.get(), 2);
    EXPECT_EQ(DC->Log()->Only({QStringLiteral("TextOut")}), QStringList({"TextOut 2 2 \"page two\""}));
}

TEST_F(PimPlayback, AFailedPageLeavesTheDocumentBeingRecordedIntact) {
    TPimPimFile F;
    F.BeginDoc();
    F.SetFont(MakeFont(QStringLiteral("Arial"), 10));
    F.SetPen(MakePen(clRed, 3));
    F.Rectangle(0, 0, 10, 10);
    F.WriteType(TPimPimFile::rtSelectObject);
    F.WriteSmallInt(99);
    F.NewPage();
    const int64_t End = F.Stream()->Size();
    ASSERT_EQ(F.Stream()->Position(), End);
    const int Objects = GdiObjectCount();
    auto DC = DeviceContext::CreateRecording(ScreenCaps(96));
    try {
        F.PlayPage(DC.get(), 1);
        FAIL() << "no error";
    } catch (const EListError& E) {
        EXPECT_EQ(E.Message(), QStringLiteral("List index out of bounds (99)"));
    }
    EXPECT_EQ(F.Stream()->Position(), End);
    EXPECT_EQ(GdiObjectCount(), Objects);
    F.Textout(0, 0, QStringLiteral("still recording"));
    F.EndDoc();
    DC->Log()->Clear();
    F.PlayPage(DC.get(), 2);
    EXPECT_EQ(DC->Log()->Only({QStringLiteral("TextOut")}), QStringList({"TextOut 0 0 \"still recording\""}));
}

TEST_F(PimPlayback, WhileRecordingOnlyFinishedPagesPlay) {
    TPimPimFile F;
    F.BeginDoc();
    F.Textout(0, 0, QStringLiteral("one"));
    auto DC = DeviceContext::CreateRecording(ScreenCaps(96));
    F.PlayPage(DC.get(), 1);
    EXPECT_TRUE(DC->Log()->Calls.isEmpty());
    F.NewPage();
    F.Textout(0, 0, QStringLiteral("two"));
    const int64_t Pos = F.Stream()->Position();
    F.PlayPage(DC.get(), 1);
    F.PlayPage(DC.get(), 2);
    EXPECT_EQ(DC->Log()->Only({QStringLiteral("TextOut")}), QStringList({"TextOut 0 0 \"one\""}));
    EXPECT_EQ(F.Stream()->Position(), Pos);
    F.EndDoc();
}

TEST_F(PimPlayback, ObjectsSelectedOnOnePageDoNotReachAnother) {
    TPimPimFile F;
    F.BeginDoc();
    F.FillRect(TRect{0, 0, 5, 5});
    F.TextJustify(TRect{0, 0, 50, 10}, 0, 0, QStringLiteral("a b"), false, TRect{0, 0, 50, 10});
    F.NewPage();
    F.SetFont(MakeFont(QStringLiteral("Arial"), 10));
    F.SetBrush(MakeBrush(clRed, bsSolid));
    F.FillRect(TRect{0, 0, 5, 5});
    F.EndDoc();
    auto DC = DeviceContext::CreateRecording(ScreenCaps(96));
    F.PlayPage(DC.get(), 2);
    EXPECT_EQ(DC->Log()->Only({QStringLiteral("FillRect")}).size(), 1);
    DC->Log()->Clear();
    F.PlayPage(DC.get(), 1);
    EXPECT_TRUE(DC->Log()->Only({QStringLiteral("FillRect"), QStringLiteral("TextOut")}).isEmpty());
}

TEST_F(PimPlayback, RichTextBeforeAnyFontAndAZeroResolutionStillPlay) {
    TPimPimFile F;
    F.SetPixelsPerInchX(0);
    F.SetPixelsPerInchY(0);
    F.BeginDoc();
    TMemoryStream Rtf;
    const QByteArray Text("{\\rtf1 Hello}");
    Rtf.WriteBuffer(Text.constData(), Text.size());
    F.RtfDraw(TRect{0, 0, 200, 50}, &Rtf, 0, -1, true);
    F.Rectangle(1, 2, 3, 4);
    F.EndDoc();
    F.SetVertScale(0);
    auto DC = DeviceContext::CreateRecording(ScreenCaps(96));
    EXPECT_NO_THROW(F.PlayPage(DC.get(), 1));
    EXPECT_TRUE(DC->Log()->Calls.contains(QStringLiteral("Rectangle 1 2 3 4")));

    TPimPimFile G;
    G.BeginDoc();
    G.RtfDraw(TRect{0, 0, 200, 50}, &Rtf, 0, -1, true);
    G.EndDoc();
    auto Image = DeviceContext::CreateImage(300, 100, 96, 96);
    EXPECT_NO_THROW(G.PlayPage(Image.get(), 1));
}

TEST_F(PimPlayback, AFontRecordOfAnyHeightIsMadeNoTallerThanThePaper) {
    TPimPimFile F;
    F.BeginDoc();
    TLogFont Turned;
    Turned.lfEscapement = 900;
    F.SetLogFont(MakeFont(QStringLiteral("Arial"), 65535), Turned);
    F.Textout(10, 500, QString::fromUcs4(U"\U000E0001"));
    F.EndDoc();
    // 64 inches at 96 pixels per inch; the page device bounds it further to its own page.
    EXPECT_EQ(Played(F, 1).first().toStdString(), "SelectObject font \"Arial\" -6144 0 400 0 0 0 1 esc=900");
    auto Page = DeviceContext::CreateImage(816, 1056, 96, 96);
    EXPECT_NO_THROW(F.PlayPage(Page.get(), 1));
}

TEST_F(PimPlayback, DamagedPagesRaiseTheReadErrorOrEndCleanly) {
    TPimPimFile F;
    F.BeginDoc();
    RecordDrawing(F);
    F.TextJustify(TRect{0, 0, 200, 20}, 0, 0, QStringLiteral("a b c"), false, TRect{0, 0, 200, 20});
    const TPoint Points[] = {{1, 1}, {20, 5}, {9, 30}};
    F.PolyDrawType(ptPolygon, Points, 3);
    F.DrawShapeType(dtPie, 0, 0, 40, 40, 40, 0, 0, 40);
    F.DrawCheckBox(TRect{0, 0, 10, 10}, acsCheck, clRed, 2);
    F.ShadeRect(TRect{0, 0, 30, 30}, spMedium);
    F.Print3of9Barcode(10, 10, 0, 30, 1, 3, false, false, QStringLiteral("AB12"));
    F.EndDoc();
    const int64_t Size = F.Stream()->Size();
    const int64_t Start = F.PagePosition(0)->Pos;
    QByteArray Page(int(Size), '\0');
    F.Stream()->SetPosition(0);
    F.Stream()->ReadBuffer(Page.data(), Size);
    auto DC = DeviceContext::CreateRecordingImage(ScreenCaps(96));
    uint32_t Seed = 12345;
    auto Next = [&Seed] {
        Seed = Seed * 1103515245u + 12345u;
        return Seed >> 8;
    };
    for (int Round = 0; Round < 300; ++Round) {
        QByteArray Damaged = Page;
        for (int i = 0; i < 3; ++i)
            Damaged[int(Start + Next() % uint32_t(Size - Start))] = char(Next() & 0xFF);
        F.Stream()->SetPosition(0);
        F.Stream()->WriteBuffer(Damaged.constData(), Damaged.size());
        F.Stream()->SetPosition(0);
        try {
            F.PlayPage(DC.get(), 1);
        } catch (const Exception&) {
        }
        EXPECT_EQ(F.Stream()->Position(), 0);
        DC->Log()->Clear();
    }
}

TEST_F(PimPlayback, ADeviceContextSinkPlaysTheClampedPage) {
    TPimPimFile F;
    F.BeginDoc();
    F.Textout(0, 0, QStringLiteral("one"));
    F.NewPage();
    F.Textout(0, 0, QStringLiteral("two"));
    F.EndDoc();
    auto DC = DeviceContext::CreateRecording(ScreenCaps(96));
    TPimDeviceContext Sink;
    Sink.SetDC(DC.get());
    F.SendPage(&Sink, 9);
    F.SendPage(&Sink, 0);
    EXPECT_EQ(DC->Log()->Only({QStringLiteral("TextOut")}),
              QStringList({"TextOut 0 0 \"two\"", "TextOut 0 0 \"one\""}));
}

TEST_F(PimPlayback, AFilerRefusesWhatIsNotADocumentAndLetsGoWithoutFreeing) {
    TPimFiler Filer;
    auto Doc = std::make_shared<TPimPimFile>();
    Filer.SetPimFile(Doc);
    TMemoryStream Junk;
    const QByteArray Bytes(300, 'x');
    Junk.WriteBuffer(Bytes.constData(), Bytes.size());
    Junk.SetPosition(0);
    try {
        Filer.LoadFromStream(Junk);
        FAIL() << "no error";
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message(), QStringLiteral("ERROR: not an PIM file"));
    }
    TMemoryStream Short;
    Short.WriteBuffer("PIM", 3);
    Short.SetPosition(0);
    EXPECT_THROW(Filer.LoadFromStream(Short), Exception);
    EXPECT_EQ(Filer.PimFile(), Doc);
    Filer.SetPimFile(nullptr);
    EXPECT_EQ(Doc.use_count(), 1);
}

TEST_F(PimPrinting, AFilerLoadsADocumentAndSendsItsPages) {
    auto F = Pages5();
    TMemoryStream Saved;
    F->SaveToStream(Saved);
    Saved.SetPosition(0);
    TPimFiler Filer;
    Filer.LoadFromStream(Saved);
    ASSERT_TRUE(Filer.PimFile());
    EXPECT_EQ(Filer.PimFile()->PageCount(), 5);
    TPimPrinter P;
    Filer.SendPages(&P, 4, 9);
    EXPECT_EQ(Pages, std::vector<int>({4, 5}));

    // A file cut short drops the half-read document and passes the error on.
    TMemoryStream Cut;
    Saved.SetPosition(0);
    Cut.CopyFrom(Saved, PimFileHeaderSize + 20);
    Cut.SetPosition(0);
    EXPECT_THROW(Filer.LoadFromStream(Cut), Exception);
    EXPECT_FALSE(Filer.PimFile());
}

TEST_F(PimPrinting, PrintingAStoredFilePrintsEveryPageAndReportsErrors) {
    const QString FileName = PimGetTempFile(QStringLiteral("Pim"));
    Pages5()->SaveToFile(FileName);
    PimFilePrint(FileName);
    EXPECT_EQ(Pages, std::vector<int>({1, 2, 3, 4, 5}));
    ASSERT_EQ(Fake->Jobs.size(), 1u);
    EXPECT_TRUE(Fake->Jobs[0].Ended);

    Fake->FailAt = TFakePrinter::fpEndDoc;
    try {
        PimFilePrint(FileName);
        ADD_FAILURE() << "no error";
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message(), Fake->FailMessage);
    }
    QFile::remove(FileName);
    EXPECT_THROW(PimFilePrint(FileName), Exception);
}

TEST_F(PimPrinting, APageRangePrintsOnlyItsPages) {
    auto F = Pages5();
    TPimPrinter P;
    F->SendPages(&P, 2, 3);
    EXPECT_EQ(Pages, std::vector<int>({2, 3}));
    ASSERT_EQ(Fake->Jobs.size(), 1u);
    EXPECT_EQ(Fake->Jobs[0].Pages.size(), 2u);
    EXPECT_TRUE(Fake->Jobs[0].Ended);

    Pages.clear();
    F->SendPages(&P, 1, 99);
    EXPECT_EQ(Pages, std::vector<int>({1, 2, 3, 4, 5}));
    Pages.clear();
    F->SendPage(&P, 0);
    EXPECT_EQ(Pages, std::vector<int>({1}));
}

TEST_F(PimPrinting, ADocumentBeingRecordedPrintsItsFinishedPagesUnderItsTitle) {
    auto F = std::make_shared<TPimPimFile>();
    F->SetDescription(QStringLiteral("Weekly sales"));
    F->BeginDoc();
    for (int Page = 1; Page <= 5; ++Page) {
        if (Page > 1) F->NewPage();
        F->WriteType(uint16_t(PageMark));
        F->WriteSmallInt(Page);
    }
    TPimPrinter P;
    F->SendPages(&P, 1, 99);
    EXPECT_EQ(Pages, std::vector<int>({1, 2, 3, 4}));
    ASSERT_EQ(Fake->Jobs.size(), 1u);
    EXPECT_EQ(Fake->Jobs[0].Title, QStringLiteral("Weekly sales"));
    EXPECT_EQ(F->Description(), QStringLiteral("Weekly sales"));
    F->EndDoc();
}

TEST_F(PimPrinting, UncollatedCopiesRepeatEachPage) {
    auto F = Pages5(2, false);
    TPimPrinter P;
    F->SendPages(&P, 2, 3);
    EXPECT_EQ(Pages, std::vector<int>({2, 2, 3, 3}));
    ASSERT_EQ(Fake->Jobs.size(), 1u);
    EXPECT_EQ(Fake->Jobs[0].Pages.size(), 4u);
    EXPECT_EQ(Fake->Jobs[0].Copies(), 1);
}

TEST_F(PimPrinting, CollatedCopiesRepeatTheRangeInANewJobWhenDuplex) {
    auto F = Pages5(2, true);
    TPimPrinter P;
    F->SendPages(&P, 2, 3);
    EXPECT_EQ(Pages, std::vector<int>({2, 3, 2, 3}));
    EXPECT_EQ(Fake->Jobs.size(), 1u);
    EXPECT_EQ(PrintedPages(), 4);

    Fake->Jobs.clear();
    Pages.clear();
    auto D = Document({2, 2, 2, 2, 2}, 2, true);
    D->SendPages(&P, 2, 3);
    EXPECT_EQ(Pages, std::vector<int>({2, 3, 2, 3}));
    ASSERT_EQ(Fake->Jobs.size(), 2u);
    EXPECT_EQ(Fake->Jobs[0].Pages.size(), 2u);
    EXPECT_EQ(Fake->Jobs[1].Pages.size(), 2u);
    EXPECT_EQ(Fake->Jobs[1].Duplex(), 2);
}

TEST_F(PimPrinting, ADuplexChangeStartsANewJobOnlyWhenAsked) {
    auto F = Document({1, 2, 2, 1});
    TPimPrinter P;
    F->SendPages(&P, 1, 4);
    EXPECT_EQ(Fake->Jobs.size(), 1u);
    EXPECT_EQ(PrintedPages(), 4);

    Fake->Jobs.clear();
    DuplexNewJob = true;
    F->SendPages(&P, 1, 4);
    ASSERT_EQ(Fake->Jobs.size(), 3u);
    EXPECT_EQ(Fake->Jobs[0].Pages.size(), 1u);
    EXPECT_EQ(Fake->Jobs[1].Pages.size(), 2u);
    EXPECT_EQ(Fake->Jobs[1].Duplex(), 2);
    EXPECT_EQ(Fake->Jobs[2].Pages.size(), 1u);
    EXPECT_EQ(Fake->Jobs[2].Duplex(), 1);
    for (const TFakeJob& J : Fake->Jobs)
        EXPECT_TRUE(J.Ended);
}

TEST_F(PimPrinting, EachPageTakesItsRecordedSettingsUnlessTheyAreIgnored) {
    auto F = Document({1, 2, 2});
    TPimPrinter P;
    F->SendPages(&P, 1, 3);
    ASSERT_EQ(Fake->Jobs.size(), 1u);
    ASSERT_EQ(Fake->Jobs[0].Pages.size(), 3u);
    EXPECT_EQ(Fake->Jobs[0].Pages[0].Mode.Duplex, 1);
    EXPECT_EQ(Fake->Jobs[0].Pages[1].Mode.Duplex, 2);
    EXPECT_EQ(Fake->Jobs[0].Pages[2].Mode.Duplex, 2);

    Fake->Jobs.clear();
    Printer().ResetDeviceMode();
    P.SetIgnorePrinterSettings(true);
    F->SendPages(&P, 1, 3);
    ASSERT_EQ(Fake->Jobs.size(), 1u);
    for (const TFakePage& Page : Fake->Jobs[0].Pages)
        EXPECT_EQ(Page.Mode.Duplex, 1);
}

TEST_F(PimPrinting, StatusComesForEveryPageAndAbortAbandonsTheJob) {
    auto F = Pages5();
    TPimPrinter P;
    std::vector<int> Status;
    P.OnStatus = [&](TPimPrinter* Sender) {
        Status.push_back(Sender->PageNumber());
        if (Sender->PageNumber() == 2) Sender->SetAbortPrinting(true);
    };
    F->SendPages(&P, 1, 3);
    EXPECT_EQ(Status, std::vector<int>({1, 1, 2, 3, 3}));
    EXPECT_EQ(Pages, std::vector<int>({1}));
    ASSERT_EQ(Fake->Jobs.size(), 1u);
    EXPECT_TRUE(Fake->Jobs[0].Aborted);
    EXPECT_FALSE(Printer().Printing());
}

TEST_F(PimPrinting, StopEndsTheJobWithThePagesPrintedSoFar) {
    auto F = Pages5(2, true);
    TPimPrinter P;
    P.OnStatus = [&](TPimPrinter* Sender) {
        if (Pages.size() == 3) Sender->SetStopPrinting(true);
    };
    F->SendPages(&P, 1, 5);
    EXPECT_EQ(Pages, std::vector<int>({1, 2, 3}));
    ASSERT_EQ(Fake->Jobs.size(), 1u);
    EXPECT_TRUE(Fake->Jobs[0].Ended);
    EXPECT_FALSE(Fake->Jobs[0].Aborted);
    EXPECT_EQ(Fake->Jobs[0].Pages.size(), 3u);
}

TEST_F(PimPrinting, AFailingPageClosesThePrintJob) {
    PimAddRecordType(701,
                     [](DeviceContext*, TPimPimFile*) { throw Exception(QStringLiteral("page broke")); });
    auto F = std::make_shared<TPimPimFile>();
    F->BeginDoc();
    F->Textout(0, 0, QStringLiteral("fine"));
    F->NewPage();
    F->WriteType(701);
    F->EndDoc();
    TPimPrinter P;
    EXPECT_THROW(F->SendPages(&P, 1, 2), Exception);
    EXPECT_FALSE(Printer().Printing());
    ASSERT_EQ(Fake->Jobs.size(), 1u);
    EXPECT_TRUE(Fake->Jobs[0].Aborted || Fake->Jobs[0].Ended);
    EXPECT_FALSE(F->SetOrigin());
    // The printer is free for the next job.
    Pages.clear();
    Pages5()->SendPages(&P, 1, 1);
    EXPECT_EQ(Pages, std::vector<int>({1}));
}

TEST_F(PimPrinting, ThePrinterFailingAtTheEndLeavesItsMessage) {
    auto F = Pages5();
    Fake->FailAt = TFakePrinter::fpEndDoc;
    TPimPrinter P;
    F->SendPages(&P, 1, 2);
    EXPECT_EQ(P.ExceptionText(), Fake->FailMessage);
    EXPECT_FALSE(Printer().Printing());
}
