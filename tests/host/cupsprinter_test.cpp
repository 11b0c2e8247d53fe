#include "host/cupsprinter.h"
#include "host/devicecontext.h"
#include "host/exceptions.h"
#include "host/printers.h"
#include "support/cupsfixture.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

// The queues of the private scheduler: a colour laser with five bins and a duplexer, and a plain
// PDF printer with no bins.
class CupsPrinters : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Server = TCupsServer::Instance();
        if (!Server) return;
        const QString Laser = FindPpd(QStringLiteral("pxlcolor.ppd"));
        const QString Plain = FindPpd(QStringLiteral("Generic-PDF_Printer-PDF.ppd"));
        if (Laser.isEmpty() || Plain.isEmpty()) {
            Missing = QStringLiteral("the PPD files of cups-filters are not installed");
            return;
        }
        try {
            Server->AddQueue(QStringLiteral("Office"), Laser, {QStringLiteral("OptionDuplex=True")});
            Server->AddQueue(QStringLiteral("Plain"), Plain);
            Server->SetDefault(QStringLiteral("Office"));
        } catch (const Exception& E) {
            Missing = E.Message();
        }
    }
    static void TearDownTestSuite() {
        Printer().Refresh();
        TCupsServer::Shutdown();
    }
    void SetUp() override {
        if (!Server) GTEST_SKIP() << "no private CUPS server: " << TCupsServer::SkipReason().toStdString();
        if (!Missing.isEmpty()) GTEST_SKIP() << Missing.toStdString();
        Printer().Refresh();
    }
    void TearDown() override { Printer().Refresh(); }

    static TCupsServer* Server;
    static QString Missing;
};

TCupsServer* CupsPrinters::Server = nullptr;
QString CupsPrinters::Missing;

const TPrinterBin* BinNamed(const TPrinterCapabilities& C, const QString& Source) {
    for (const TPrinterBin& B : C.Bins)
        if (B.Source == Source) return &B;
    return nullptr;
}

} // namespace

TEST(CupsKeywords, MediaAndSourcesMapOntoDeviceModeNumbers) {
    EXPECT_EQ(CupsPaperNumber(QStringLiteral("na_letter_8.5x11in")), 1);
    EXPECT_EQ(CupsPaperNumber(QStringLiteral("iso_a4_210x297mm")), 9);
    EXPECT_EQ(CupsPaperNumber(QStringLiteral("na_number-10_4.125x9.5in")), 20);
    EXPECT_EQ(CupsPaperNumber(QStringLiteral("om_small-photo_100x150mm")), 0);
    EXPECT_EQ(CupsPaperName(QStringLiteral("iso_a4_210x297mm")), QStringLiteral("A4"));
    EXPECT_EQ(CupsPaperName(QStringLiteral("custom_148.52x209.9mm_148.52x209.9mm")),
              QStringLiteral("148.52x209.9mm 148.52x209.9mm"));
    EXPECT_EQ(CupsBinNumber(QStringLiteral("auto")), dmBinAuto);
    EXPECT_EQ(CupsBinNumber(QStringLiteral("manual")), dmBinManual);
    EXPECT_EQ(CupsBinNumber(QStringLiteral("tray-3")), 0);
    EXPECT_EQ(CupsBinName(QStringLiteral("tray-3")), QStringLiteral("Tray 3"));
    EXPECT_EQ(CupsBinName(QStringLiteral("by-pass-tray")), QStringLiteral("By Pass Tray"));
}

TEST_F(CupsPrinters, QueuesAreListedWithTheDefaultAndPdfFileLast) {
    const QStringList Names = Printer().Printers();
    ASSERT_EQ(Names.size(), 3);
    EXPECT_EQ(Names[0], QStringLiteral("Office"));
    EXPECT_EQ(Names[1], QStringLiteral("Plain"));
    EXPECT_EQ(Names[2], QStringLiteral("PDF file"));
    EXPECT_EQ(Printer().DefaultPrinter(), QStringLiteral("Office"));
    QString Device, Driver, Port;
    Printer().GetPrinter(Device, Driver, Port);
    EXPECT_EQ(Device, QStringLiteral("Office"));
    EXPECT_EQ(Port, QStringLiteral("file:///dev/null"));
    EXPECT_FALSE(Driver.isEmpty());
}

TEST_F(CupsPrinters, CapabilitiesComeFromTheQueue) {
    const TPrinterCapabilities C = Printer().Capabilities();
    EXPECT_TRUE(C.Duplex);
    EXPECT_EQ(C.MaxCopies, 9999);
    EXPECT_EQ(C.DefaultResolution, 600);
    EXPECT_NE(std::find(C.Resolutions.begin(), C.Resolutions.end(), QPoint(1200, 1200)), C.Resolutions.end());

    auto A4 =
        std::find_if(C.Papers.begin(), C.Papers.end(), [](const TPrinterPaper& P) { return P.Number == 9; });
    ASSERT_NE(A4, C.Papers.end());
    EXPECT_EQ(A4->Name, QStringLiteral("A4"));
    EXPECT_EQ(A4->Media, QStringLiteral("iso_a4_210x297mm"));
    EXPECT_EQ(A4->Size, QPoint(2099, 2970));
    EXPECT_GT(A4->Margins.left(), 0);

    // Automatic, manual, envelope and large-capacity feeds get their device-mode numbers, the
    // queue's own trays numbers above 256; "auto" appears once although two slots map to it.
    ASSERT_NE(BinNamed(C, QStringLiteral("auto")), nullptr);
    EXPECT_EQ(BinNamed(C, QStringLiteral("auto"))->Number, dmBinAuto);
    ASSERT_NE(BinNamed(C, QStringLiteral("manual")), nullptr);
    EXPECT_EQ(BinNamed(C, QStringLiteral("manual"))->Number, dmBinManual);
    ASSERT_NE(BinNamed(C, QStringLiteral("large-capacity")), nullptr);
    EXPECT_EQ(BinNamed(C, QStringLiteral("large-capacity"))->Number, dmBinLargeCapacity);
    EXPECT_GE(C.Bins.size(), 5u);
    EXPECT_EQ(
        std::count_if(C.Bins.begin(), C.Bins.end(), [](const TPrinterBin& B) { return B.Source == "auto"; }),
        1);

    const TDeviceMode& M = Printer().DeviceMode();
    EXPECT_EQ(M.PaperSize, dmPaperLetter);
    EXPECT_EQ(M.FormName, QStringLiteral("Letter"));
    EXPECT_EQ(M.Duplex, dmDupSimplex);
    EXPECT_EQ(M.PrintQuality, 600);
    EXPECT_EQ(M.Copies, 1);

    Printer().SetPrinterIndex(1);
    const TPrinterCapabilities P = Printer().Capabilities();
    EXPECT_TRUE(P.Bins.empty());
    EXPECT_NE(
        std::find_if(P.Papers.begin(), P.Papers.end(), [](const TPrinterPaper& X) { return X.Number == 70; }),
        P.Papers.end()); // A6
}

TEST_F(CupsPrinters, TwoPageJobReachesTheQueueWithItsOptions) {
    TDeviceMode& Mode = Printer().DeviceMode();
    Mode.Fields |= dmfCopies | dmfCollate | dmfDuplex | dmfPaperSize | dmfDefaultSource | dmfPrintQuality;
    Mode.Copies = 2;
    Mode.Collate = 1;
    Mode.Duplex = dmDupVertical;
    Mode.PaperSize = dmPaperA4;
    Mode.DefaultSource = dmBinManual;
    Mode.PrintQuality = dmResHigh;
    Printer().SetTitle(QStringLiteral("Quarterly report"));
    Printer().BeginDoc();
    Printer().Handle()->TextOut(100, 100, u"Page one");
    Printer().NewPage();
    Printer().Handle()->TextOut(100, 100, u"Page two");
    Printer().EndDoc();

    auto* Office = dynamic_cast<TCupsPrinter*>(Printer().Backend());
    ASSERT_NE(Office, nullptr);
    ASSERT_GT(Office->LastJobId(), 0);
    const QMap<QString, QString> A = Server->JobAttributes(Office->LastJobId());
    EXPECT_EQ(A.value(QStringLiteral("job-name")), QStringLiteral("Quarterly report"));
    EXPECT_EQ(A.value(QStringLiteral("copies")), QStringLiteral("2"));
    EXPECT_EQ(A.value(QStringLiteral("multiple-document-handling")),
              QStringLiteral("separate-documents-collated-copies"));
    EXPECT_EQ(A.value(QStringLiteral("sides")), QStringLiteral("two-sided-long-edge"));
    EXPECT_EQ(A.value(QStringLiteral("media")), QStringLiteral("iso_a4_210x297mm"));
    EXPECT_EQ(A.value(QStringLiteral("media-source")), QStringLiteral("manual"));
    EXPECT_EQ(A.value(QStringLiteral("print-quality")), QStringLiteral("high"));
    EXPECT_EQ(A.value(QStringLiteral("document-format")), QStringLiteral("application/pdf"));

    if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
        GTEST_SKIP() << "pdfinfo is not installed (Debian package poppler-utils)";
    QProcess Info;
    Info.start(QStringLiteral("pdfinfo"), {Server->JobDocument(Office->LastJobId())});
    Info.waitForFinished(30000);
    EXPECT_TRUE(QString::fromUtf8(Info.readAllStandardOutput())
                    .contains(QRegularExpression(QStringLiteral("Pages:\\s+2"))));
}

// The PDF the queue receives at Scale 50 holds the page at half the size it has at Scale 100: the
// distance between two words and their widths, in points on the paper, halve.
TEST_F(CupsPrinters, ScaleReachesThePagesTheQueueReceives) {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "pdftotext is not installed (Debian package poppler-utils)";
    auto* Office = dynamic_cast<TCupsPrinter*>(Printer().Backend());
    ASSERT_NE(Office, nullptr);
    // Per scale: the left word's left edge and width, the distance to the right word's edges.
    std::vector<QRectF> Words[2];
    const int Scales[] = {100, 50};
    for (int i = 0; i < 2; ++i) {
        TDeviceMode& Mode = Printer().DeviceMode();
        Mode.Fields |= dmfScale;
        Mode.Scale = int16_t(Scales[i]);
        Printer().BeginDoc();
        DeviceContext* Dc = Printer().Handle();
        const int Dpi = Dc->GetDeviceCaps(LOGPIXELSX);
        Dc->TextOut(Dpi, Dpi, u"Alpha");
        Dc->TextOut(4 * Dpi, 3 * Dpi, u"Omega");
        Printer().EndDoc();
        QProcess Text;
        Text.start(QStringLiteral("pdftotext"),
                   {QStringLiteral("-bbox"), Server->JobDocument(Office->LastJobId()), QStringLiteral("-")});
        Text.waitForFinished(30000);
        const QString Html = QString::fromUtf8(Text.readAllStandardOutput());
        static const QRegularExpression Word(QStringLiteral(
            R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">(\w+)</word>)re"));
        for (auto M = Word.globalMatch(Html); M.hasNext();) {
            const auto W = M.next();
            Words[i].push_back(QRectF(QPointF(W.captured(1).toDouble(), W.captured(2).toDouble()),
                                      QPointF(W.captured(3).toDouble(), W.captured(4).toDouble())));
        }
        ASSERT_EQ(Words[i].size(), 2u) << Html.toStdString();
    }
    const QPointF Apart[] = {Words[0][1].topLeft() - Words[0][0].topLeft(),
                             Words[1][1].topLeft() - Words[1][0].topLeft()};
    EXPECT_NEAR(Apart[0].x(), 216.0, 0.5) << "three inches at full size";
    EXPECT_NEAR(Apart[0].y(), 144.0, 0.5);
    EXPECT_NEAR(Apart[1].x(), Apart[0].x() / 2, 0.5);
    EXPECT_NEAR(Apart[1].y(), Apart[0].y() / 2, 0.5);
    EXPECT_NEAR(Words[1][0].width(), Words[0][0].width() / 2, 0.5);
    EXPECT_NEAR(Words[1][0].height(), Words[0][0].height() / 2, 0.5);
}

TEST_F(CupsPrinters, AQueueThatIsGoneGivesAClearMessage) {
    TPrinterBackends L;
    L.push_back(std::make_unique<TCupsPrinter>(QStringLiteral("NoSuchQueue")));
    Printer().SetPrinters(std::move(L), 0);
    try {
        Printer().DeviceMode();
        FAIL() << "no exception";
    } catch (const Exception& E) {
        EXPECT_TRUE(E.Message().startsWith(QStringLiteral("The printer NoSuchQueue is not available")))
            << E.Message().toStdString();
    }
}

TEST_F(CupsPrinters, DeviceModeSettingsBecomeJobOptions) {
    auto* Office = dynamic_cast<TCupsPrinter*>(Printer().Backend());
    ASSERT_NE(Office, nullptr);
    TDeviceMode M;
    M.Fields = dmfCopies | dmfCollate | dmfDuplex | dmfPaperSize | dmfDefaultSource | dmfPrintQuality |
               dmfYResolution | dmfColor;
    M.Copies = 3;
    M.Collate = 0;
    M.Duplex = dmDupHorizontal;
    M.PaperSize = 999; // no such paper: no media option
    M.DefaultSource = 12345;
    M.PrintQuality = 1200;
    M.YResolution = 1200;
    M.Color = dmColorMonochrome;
    using TOptions = std::vector<std::pair<QString, QString>>;
    EXPECT_EQ(Office->JobOptions(M),
              TOptions({{"copies", "3"},
                        {"collate", "false"},
                        {"multiple-document-handling", "separate-documents-uncollated-copies"},
                        {"sides", "two-sided-short-edge"},
                        {"printer-resolution", "1200dpi"},
                        {"print-color-mode", "monochrome"}}));

    // A size of its own goes out as a custom medium.
    TDeviceMode U;
    U.Fields = dmfPaperSize | dmfPaperLength | dmfPaperWidth;
    U.PaperSize = dmPaperUser;
    U.PaperLength = 2000;
    U.PaperWidth = 1000;
    EXPECT_EQ(Office->JobOptions(U), TOptions({{"media", "custom_100x200mm_100x200mm"}}));
    EXPECT_TRUE(Office->JobOptions(TDeviceMode()).empty());
}
