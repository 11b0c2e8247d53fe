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

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <functional>
#include "support/devices.h"
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
QStringList Played(TPimPimFile& F, int Page, int Ppi = 96) {
    auto DC = DeviceContext::CreateRecording(ScreenCaps(Ppi));
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

// Notes every operation it is handed.
class TLogFilter : public TPimExportFilter {
public:
    TLogFilter() : TPimExportFilter(nullptr) {}
    void SetLogFont(const TFont& Font, const TPimLogFont& LogFont) override {
        Calls << QStringLiteral("SetLogFont %1 %2 %3 %4")
                     .arg(Font.Name())
                     .arg(Font.Height())
                     .arg(LogFont.Size)
                     .arg((Font.Style() & fsBold) ? QStringLiteral("bold") : QStringLiteral("plain"));
    }
    void SetPen(const TPen& Pen) override { Calls << QStringLiteral("SetPen %1").arg(Pen.Width()); }
    void SetBrush(const TBrush& Brush) override { Calls << QStringLiteral("SetBrush %1").arg(Brush.Color()); }
    void SetTextAlign(uint16_t Flags) override { Calls << QStringLiteral("SetTextAlign %1").arg(Flags); }
    void Textout(int X, int Y, const QString& Text) override {
        Calls << QStringLiteral("Textout %1 %2 %3").arg(X).arg(Y).arg(Text);
    }
    void MoveTo(int X, int Y) override { Calls << QStringLiteral("MoveTo %1 %2").arg(X).arg(Y); }
    void LineTo(int X, int Y) override { Calls << QStringLiteral("LineTo %1 %2").arg(X).arg(Y); }
    void ExtTextout(int X, int Y, uint16_t Options, const TRect& R, const char16_t* Text,
                    int Count) override {
        Calls << QStringLiteral("ExtTextout %1 %2 %3 %4 %5 %6")
                     .arg(X)
                     .arg(Y)
                     .arg(Options)
                     .arg(R.Left)
                     .arg(R.Right)
                     .arg(QString::fromUtf16(Text, Count));
    }
    void FillRect(const TRect& R) override {
        Calls << QStringLiteral("FillRect %1 %2 %3 %4").arg(R.Left).arg(R.Top).arg(R.Right).arg(R.Bottom);
    }
    void Rectangle(int X1, int Y1, int X2, int Y2) override {
        Calls << QStringLiteral("Rectangle %1 %2 %3 %4").arg(X1).arg(Y1).arg(X2).arg(Y2);
    }
    QStringList Calls;
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
    QImage Image(30, 15, QImage::Format_RGB32);
    Image.fill(Qt::blue);
    QByteArray Bytes;
    QBuffer Buffer(&Bytes);
    Buffer.open(QIODevice::WriteOnly);
    Image.save(&Buffer, "PNG");
    TMemoryStream Png;
    Png.WriteBuffer(Bytes.constData(), Bytes.size());
    Png.SetPosition(0);
    TPngImage Graphic;
    Graphic.LoadFromStream(Png);
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
        if (Pages.size() == 3)
            Sender->SetStopPrinting(true);
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
