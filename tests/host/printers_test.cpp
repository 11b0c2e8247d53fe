#include "host/devicecontext.h"
#include "host/exceptions.h"
#include "host/pdfprinter.h"
#include "host/printers.h"
#include "support/fakeprinter.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <iterator>

namespace {

std::vector<std::unique_ptr<TFakePrinter>> TwoPrinters() {
    std::vector<std::unique_ptr<TFakePrinter>> L;
    L.push_back(TFakePrinter::Office());
    L.push_back(std::make_unique<TFakePrinter>(QStringLiteral("Label Printer")));
    return L;
}

QString MessageOf(const std::function<void()>& F) {
    try {
        F();
    } catch (const Exception& E) {
        return E.Message();
    }
    return QStringLiteral("<no exception>");
}

QString Tool(const QString& Program, const QStringList& Args) {
    QProcess P;
    P.start(Program, Args);
    P.waitForFinished(30000);
    return QString::fromUtf8(P.readAllStandardOutput());
}

} // namespace

TEST(Printers, WithNoPrinterEveryPathGivesTheMessage) {
    TFakePrinterList None;
    EXPECT_EQ(Printer().PrinterCount(), 0);
    EXPECT_TRUE(Printer().DefaultPrinter().isEmpty());
    const QString NoDefault = QString::fromLatin1(SNoDefaultPrinter);
    EXPECT_EQ(MessageOf([] { Printer().PrinterIndex(); }), NoDefault);
    EXPECT_EQ(MessageOf([] { Printer().DeviceMode(); }), NoDefault);
    EXPECT_EQ(MessageOf([] { Printer().DeviceCaps(); }), NoDefault);
    EXPECT_EQ(MessageOf([] { Printer().Capabilities(); }), NoDefault);
    EXPECT_EQ(MessageOf([] { Printer().BeginDoc(); }), NoDefault);
    EXPECT_EQ(MessageOf([] { Printer().SetPrinterIndex(-1); }), NoDefault);
    EXPECT_EQ(MessageOf([] { Printer().SetPrinterIndex(0); }), QString::fromLatin1(SPrinterIndexError));
    EXPECT_EQ(MessageOf([] { Printer().EndDoc(); }), QString::fromLatin1(SNotPrinting));
    EXPECT_FALSE(Printer().Printing());
}

TEST(Printers, IndexMinusOneIsTheDefaultAndChangingPrinterReadsItsDefaults) {
    TFakePrinterList List(TwoPrinters(), 1);
    EXPECT_EQ(Printer().Printers(),
              QStringList({QStringLiteral("Office Laser"), QStringLiteral("Label Printer")}));
    EXPECT_EQ(Printer().DefaultPrinter(), QStringLiteral("Label Printer"));
    EXPECT_EQ(Printer().PrinterIndex(), 1);
    EXPECT_EQ(Printer().DeviceMode().DeviceName, QStringLiteral("Label Printer"));

    Printer().SetPrinterIndex(0);
    TDeviceMode& Mode = Printer().DeviceMode();
    EXPECT_EQ(Mode.PrintQuality, 600);
    Mode.Copies = 7;
    Printer().SetPrinterIndex(0);
    EXPECT_EQ(Printer().DeviceMode().Copies, 7) << "selecting the same printer keeps the edits";
    Printer().ResetDeviceMode();
    EXPECT_EQ(Printer().DeviceMode().Copies, 1);

    Printer().DeviceMode().Copies = 5;
    Printer().SetPrinterIndex(1);
    Printer().SetPrinterIndex(0);
    EXPECT_EQ(Printer().DeviceMode().Copies, 1) << "another printer in between drops the edits";
    QString Device, Driver, Port;
    Printer().GetPrinter(Device, Driver, Port);
    EXPECT_EQ(Device, QStringLiteral("Office Laser"));
    EXPECT_EQ(Driver, QStringLiteral("fake"));
    EXPECT_EQ(Port, QStringLiteral("FILE:"));
}

TEST(Printers, DeviceCapsFollowPaperOrientationAndResolution) {
    TFakePrinterList List(TwoPrinters(), 0);
    TDeviceMode& Mode = Printer().DeviceMode();
    TDeviceCaps C = Printer().DeviceCaps();
    // Letter at 600 dpi with a quarter inch all round.
    EXPECT_EQ(C.LogPixelsX, 600);
    EXPECT_EQ(C.LogPixelsY, 600);
    EXPECT_EQ(C.PhysicalWidth, 5100);
    EXPECT_EQ(C.PhysicalHeight, 6600);
    EXPECT_EQ(C.PhysicalOffsetX, 150);
    EXPECT_EQ(C.PhysicalOffsetY, 150);
    EXPECT_EQ(C.HorzRes, 4800);
    EXPECT_EQ(C.VertRes, 6300);

    Mode.Orientation = dmOrientLandscape;
    C = Printer().DeviceCaps();
    EXPECT_EQ(C.PhysicalWidth, 6600);
    EXPECT_EQ(C.PhysicalHeight, 5100);
    EXPECT_EQ(C.HorzRes, 6300);

    Mode.Orientation = dmOrientPortrait;
    Mode.PaperSize = dmPaperA4;
    Mode.PrintQuality = 300;
    Mode.YResolution = 150;
    EXPECT_EQ(Printer().DeviceCaps().LogPixelsY, 300) << "only a pair the printer offers";
    List[0]->Caps.Resolutions.push_back(QPoint(300, 150));
    C = Printer().DeviceCaps();
    EXPECT_EQ(C.LogPixelsX, 300);
    EXPECT_EQ(C.LogPixelsY, 150);
    EXPECT_EQ(C.PhysicalWidth, 2480);  // 210 mm at 300 dpi
    EXPECT_EQ(C.PhysicalHeight, 1754); // 297 mm at 150 dpi
    EXPECT_EQ(C.PhysicalOffsetY, 38);

    // The user size takes the device mode's own length and width.
    Mode.PrintQuality = 600;
    Mode.YResolution = 600;
    Mode.PaperSize = dmPaperUser;
    Mode.Fields |= dmfPaperLength | dmfPaperWidth;
    Mode.PaperLength = 1270;
    Mode.PaperWidth = 2540;
    C = Printer().DeviceCaps();
    EXPECT_EQ(C.PhysicalWidth, 6000);
    EXPECT_EQ(C.PhysicalHeight, 3000);

    // A paper the printer lacks is looked up by its form name.
    Mode.Fields &= ~uint32_t(dmfPaperLength | dmfPaperWidth);
    Mode.PaperSize = 999;
    Mode.FormName = QStringLiteral("legal");
    EXPECT_EQ(Printer().DeviceCaps().PhysicalHeight, 8400);
}

TEST(Printers, FakeJobRecordsPagesCopiesAndModeChangedWhileRunning) {
    TFakePrinterList List(TwoPrinters(), 0);
    TFakePrinter* Fake = List[0];
    TDeviceMode& Mode = Printer().DeviceMode();
    Mode.Copies = 2;
    Mode.Collate = 1;
    Mode.Duplex = dmDupVertical;
    Printer().SetTitle(QStringLiteral("Invoices"));
    Printer().BeginDoc();
    EXPECT_TRUE(Printer().Printing());
    DeviceContext* Dc = Printer().Handle();
    Dc->StartLog();
    Dc->MoveToEx(0, 0);
    Dc->LineTo(100, 100);

    // An edit alone changes nothing for the running job; applied, it holds from the next page.
    Mode.PaperSize = dmPaperLegal;
    Printer().NewPage();
    Printer().ApplyDeviceMode();
    EXPECT_EQ(Printer().DeviceCaps().PhysicalHeight, 8400);
    EXPECT_EQ(Dc->GetDeviceCaps(PHYSICALHEIGHT), 6600) << "the page under way keeps its paper";
    Dc->Rectangle(10, 10, 50, 50);
    Dc->NewPage(); // the device context's own page break reaches the printer too
    EXPECT_EQ(Dc->GetDeviceCaps(PHYSICALHEIGHT), 8400);
    EXPECT_EQ(Printer().PageNumber(), 3);
    EXPECT_EQ(Printer().Handle(), Dc) << "one device context for the whole job";
    EXPECT_EQ(Dc->GetDeviceCaps(LOGPIXELSX), 600);
    EXPECT_EQ(Dc->GetDeviceCaps(PHYSICALOFFSETX), 150);
    EXPECT_EQ(Dc->GetDeviceCaps(TECHNOLOGY), DT_RASPRINTER);
    EXPECT_EQ(
        Dc->Log()->Only({QStringLiteral("LineTo"), QStringLiteral("NewPage"), QStringLiteral("Rectangle")}),
        QStringList({QStringLiteral("LineTo 100 100"), QStringLiteral("NewPage"),
                     QStringLiteral("Rectangle 10 10 50 50"), QStringLiteral("NewPage")}));
    Printer().EndDoc();
    EXPECT_FALSE(Printer().Printing());

    ASSERT_EQ(Fake->Jobs.size(), 1u);
    const TFakeJob& Job = Fake->Jobs[0];
    EXPECT_EQ(Job.Title, QStringLiteral("Invoices"));
    EXPECT_TRUE(Job.Ended);
    EXPECT_EQ(Job.Copies(), 2);
    EXPECT_TRUE(Job.Collate());
    EXPECT_EQ(Job.Duplex(), dmDupVertical);
    ASSERT_EQ(Job.Pages.size(), 3u);
    EXPECT_EQ(Job.Pages[0].Mode.PaperSize, dmPaperLetter);
    EXPECT_EQ(Job.Pages[1].Mode.PaperSize, dmPaperLetter);
    EXPECT_EQ(Job.Pages[2].Mode.PaperSize, dmPaperLegal);
    EXPECT_EQ(Job.Pages[2].Caps.PhysicalHeight, 8400);
    EXPECT_GT(Job.Picture.size(), 0u);
}

// A job at Scale 50 draws its pages at half size on the paper it asked for, and the area the
// system measures doubles; a Scale applied while the job runs holds from the next page.
TEST(Printers, ScaleShrinksWhatIsDrawnAndGrowsTheMeasuredArea) {
    TFakePrinterList List(TwoPrinters(), 0);
    TFakePrinter* Fake = List[0];
    TDeviceMode& Mode = Printer().DeviceMode();
    const TDeviceCaps Full = Printer().DeviceCaps();

    Printer().BeginDoc();
    Printer().Handle()->Rectangle(600, 1200, 1800, 3000);
    Printer().EndDoc();

    Printer().BeginDoc();
    Mode.Scale = 50;
    Printer().ApplyDeviceMode();
    Printer().NewPage();
    DeviceContext* Dc = Printer().Handle();
    Dc->Rectangle(600, 1200, 1800, 3000);
    const int Measured[] = {Dc->GetDeviceCaps(LOGPIXELSX),     Dc->GetDeviceCaps(PHYSICALWIDTH),
                            Dc->GetDeviceCaps(PHYSICALHEIGHT), Dc->GetDeviceCaps(PHYSICALOFFSETX),
                            Dc->GetDeviceCaps(HORZRES),        Dc->GetDeviceCaps(VERTRES)};
    Printer().EndDoc();

    const int Doubled[] = {Full.LogPixelsX,          2 * Full.PhysicalWidth, 2 * Full.PhysicalHeight,
                           2 * Full.PhysicalOffsetX, 2 * Full.HorzRes,       2 * Full.VertRes};
    EXPECT_TRUE(std::equal(std::begin(Measured), std::end(Measured), std::begin(Doubled)));
    EXPECT_EQ(Printer().DeviceCaps().HorzRes, 2 * Full.HorzRes) << "measured outside a job as well";
    ASSERT_EQ(Fake->Jobs.size(), 2u);
    ASSERT_EQ(Fake->Jobs[1].Pages.size(), 2u);
    EXPECT_EQ(Fake->Jobs[1].Pages[1].Caps.PhysicalWidth, Full.PhysicalWidth) << "the paper stays";
    EXPECT_EQ(Fake->Jobs[0].Picture.boundingRect(), QRect(600, 1200, 1200, 1800));
    EXPECT_EQ(Fake->Jobs[1].Picture.boundingRect(), QRect(300, 600, 600, 900));
}

TEST(Printers, FailuresOnDemandLeaveThePrinterReady) {
    TFakePrinterList List(TwoPrinters(), 0);
    TFakePrinter* Fake = List[0];
    Fake->FailAt = TFakePrinter::fpBeginDoc;
    EXPECT_EQ(MessageOf([] { Printer().BeginDoc(); }), Fake->FailMessage);
    EXPECT_FALSE(Printer().Printing());

    Fake->FailAt = TFakePrinter::fpEndDoc;
    Printer().BeginDoc();
    EXPECT_EQ(MessageOf([] { Printer().BeginDoc(); }), QString::fromLatin1(SPrinting));
    EXPECT_EQ(MessageOf([] { Printer().SetPrinterIndex(1); }), QString::fromLatin1(SPrinting));
    EXPECT_EQ(MessageOf([] { Printer().EndDoc(); }), Fake->FailMessage);
    EXPECT_FALSE(Printer().Printing());

    Fake->FailAt = TFakePrinter::fpNone;
    Printer().BeginDoc();
    Printer().Abort();
    EXPECT_TRUE(Printer().Aborted());
    EXPECT_FALSE(Printer().Printing());
    ASSERT_EQ(Fake->Jobs.size(), 2u);
    EXPECT_TRUE(Fake->Jobs[1].Aborted);
    EXPECT_FALSE(Fake->Jobs[1].Ended);
}

TEST(Printers, PdfFilePrinterWritesEachPageWithItsPaper) {
    QTemporaryDir Dir;
    auto Pdf = std::make_unique<TPdfFilePrinter>();
    TPdfFilePrinter* P = Pdf.get();
    P->SetFileName(Dir.filePath(QStringLiteral("out.pdf")));
    TPrinterBackends L;
    L.push_back(std::move(Pdf));
    Printer().SetPrinters(std::move(L), 0);

    TDeviceMode& Mode = Printer().DeviceMode();
    Mode.PaperSize = dmPaperA4;
    Printer().SetTitle(QStringLiteral("Two pages"));
    Printer().BeginDoc();
    DeviceContext* Dc = Printer().Handle();
    TLogFont Lf;
    Lf.lfHeight = -100;
    Lf.lfFaceName = QStringLiteral("Arial");
    const HFONT Font = CreateFontIndirect(Lf);
    const HGDIOBJ Old = Dc->SelectObject(Font);
    Dc->TextOut(100, 200, u"First page");
    Mode.PaperSize = dmPaperLetter;
    Mode.Orientation = dmOrientLandscape;
    Printer().ApplyDeviceMode();
    Printer().NewPage();
    Dc->TextOut(100, 200, u"Second page");
    Dc->SelectObject(Old);
    Printer().EndDoc();
    EXPECT_TRUE(DeleteObject(Font));
    const QString Written = P->LastFileName();
    Printer().Refresh();

    EXPECT_EQ(Written, Dir.filePath(QStringLiteral("out.pdf")));
    QFile F(Written);
    ASSERT_TRUE(F.open(QIODevice::ReadOnly));
    EXPECT_TRUE(F.read(5) == "%PDF-");
    if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
        GTEST_SKIP() << "pdfinfo is not installed (Debian package poppler-utils)";
    const QString Info =
        Tool(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                                         QStringLiteral("2"), F.fileName()});
    EXPECT_TRUE(Info.contains(QRegularExpression(QStringLiteral("Pages:\\s+2"))));
    EXPECT_TRUE(Info.contains(QRegularExpression(QStringLiteral("Page\\s+1 size:\\s+595 x 842"))));
    EXPECT_TRUE(Info.contains(QRegularExpression(QStringLiteral("Page\\s+2 size:\\s+792 x 612"))));
    EXPECT_TRUE(Info.contains(QStringLiteral("Two pages")));
    const QString Text = Tool(QStringLiteral("pdftotext"), {F.fileName(), QStringLiteral("-")});
    EXPECT_TRUE(Text.contains(QStringLiteral("First page")));
    EXPECT_TRUE(Text.contains(QStringLiteral("Second page")));
}

TEST(Printers, AbortedPdfJobLeavesNoFile) {
    QTemporaryDir Dir;
    auto Pdf = std::make_unique<TPdfFilePrinter>();
    Pdf->SetFileName(Dir.filePath(QStringLiteral("gone.pdf")));
    TPrinterBackends L;
    L.push_back(std::move(Pdf));
    Printer().SetPrinters(std::move(L), 0);
    Printer().BeginDoc();
    Printer().Handle()->Rectangle(10, 10, 100, 100);
    Printer().Abort();
    Printer().Refresh();
    EXPECT_FALSE(QFile::exists(Dir.filePath(QStringLiteral("gone.pdf"))));
}

TEST(Printers, HandleOutsideAJobAnswersForTheDeviceModeInForce) {
    TFakePrinterList List(TwoPrinters(), 0);
    DeviceContext* Dc = Printer().Handle();
    EXPECT_EQ(Dc->GetDeviceCaps(LOGPIXELSY), 600);
    EXPECT_EQ(Dc->GetDeviceCaps(PHYSICALHEIGHT), 6600);
    EXPECT_EQ(Dc->GetDeviceCaps(VERTRES), 6300);
    EXPECT_EQ(Printer().Handle(), Dc);
    Printer().DeviceMode().PaperSize = dmPaperLegal;
    EXPECT_EQ(Printer().Handle(), Dc) << "a holder of the handle keeps a valid one";
    EXPECT_EQ(Dc->GetDeviceCaps(PHYSICALHEIGHT), 8400);
    Printer().BeginDoc();
    EXPECT_NE(Printer().Handle(), Dc);
    Printer().EndDoc();
    EXPECT_EQ(Printer().Handle(), Dc);
    TSize Size;
    EXPECT_TRUE(Printer().Handle()->GetTextExtentPoint32(u"Total", Size));
    EXPECT_GT(Size.cx, 0);

    TFakePrinterList None;
    EXPECT_EQ(MessageOf([] { Printer().Handle(); }), QString::fromLatin1(SNoDefaultPrinter));
}
