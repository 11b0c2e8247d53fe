#include "host/pdfprinter.h"

#include "host/exceptions.h"
#include "host/streams.h"

#include <QDir>
#include <QLocale>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QStandardPaths>

namespace {

QPageLayout LayoutFor(const TDeviceCaps& Caps) {
    auto Mm = [](int Pixels, int Dpi) { return Dpi > 0 ? Pixels * 25.4 / Dpi : 0.0; };
    const QSizeF Paper(Mm(Caps.PhysicalWidth, Caps.LogPixelsX), Mm(Caps.PhysicalHeight, Caps.LogPixelsY));
    const QMarginsF Margins(Mm(Caps.PhysicalOffsetX, Caps.LogPixelsX),
                            Mm(Caps.PhysicalOffsetY, Caps.LogPixelsY),
                            Mm(Caps.PhysicalWidth - Caps.PhysicalOffsetX - Caps.HorzRes, Caps.LogPixelsX),
                            Mm(Caps.PhysicalHeight - Caps.PhysicalOffsetY - Caps.VertRes, Caps.LogPixelsY));
    // The margins put the painter's origin on the corner of the printable area, where the printer
    // has it; no minimum is imposed on them.
    return QPageLayout(QPageSize(Paper, QPageSize::Millimeter, QString(), QPageSize::ExactMatch),
                       QPageLayout::Portrait, Margins, QPageLayout::Millimeter, QMarginsF());
}

QString SafeFileTitle(const QString& Title) {
    QString S = Title.trimmed();
    for (QChar& C : S)
        if (C == u'/' || C == u'\\' || C == u':' || C.unicode() < 32) C = u'_';
    return S.isEmpty() ? QStringLiteral("Untitled") : S;
}

// The file of a job as a Qt device for the PDF writer. A PDF is written in many small pieces; they
// reach the file in large blocks.
class TWholeFileDevice : public QIODevice {
public:
    explicit TWholeFileDevice(TWholeFileStream& File) : FFile(File) {
        QIODevice::open(WriteOnly | Unbuffered);
    }
    ~TWholeFileDevice() override { Flush(); }
    bool isSequential() const override { return true; }
    void close() override {
        Flush();
        QIODevice::close();
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* Data, qint64 Len) override {
        FBuffer.append(Data, Len);
        if (FBuffer.size() >= BlockSize) Flush();
        return Len;
    }

private:
    static constexpr qsizetype BlockSize = 64 * 1024;
    // A failed write is kept by the file and raised when the job ends.
    void Flush() {
        if (!FBuffer.isEmpty()) FFile.Write(FBuffer.constData(), FBuffer.size());
        FBuffer.clear();
    }
    TWholeFileStream& FFile;
    QByteArray FBuffer;
};

} // namespace

TPdfJobWriter::TPdfJobWriter() = default;

TPdfJobWriter::~TPdfJobWriter() {
    if (Active()) Abort();
}

void TPdfJobWriter::Begin(const QString& FileName, const QString& Title, const TDeviceCaps& Caps) {
    if (Caps.LogPixelsX <= 0 || Caps.LogPixelsY <= 0 || Caps.PhysicalWidth <= 0 || Caps.PhysicalHeight <= 0)
        throw Exception(QStringLiteral("The printer reports no page size"));
    // A folder that takes no file fails here, with the file's name, rather than when the first page
    // is painted.
    FFile = std::make_unique<TWholeFileStream>(FileName);
    FFileName = FileName;
    FDevice = std::make_unique<TWholeFileDevice>(*FFile);
    FWriter = std::make_unique<QPdfWriter>(FDevice.get());
    FWriter->setTitle(Title);
    FWriter->setCreator(QStringLiteral("pimrun"));
    FWriter->setResolution(Caps.LogPixelsX);
    FWriter->setPageLayout(LayoutFor(Caps));
}

QPaintDevice* TPdfJobWriter::Device() const {
    return FWriter.get();
}

void TPdfJobWriter::NewPage(const TDeviceCaps& Caps) {
    if (!Active()) return;
    FWriter->setPageLayout(LayoutFor(Caps));
    FWriter->newPage();
}

void TPdfJobWriter::End() {
    FWriter.reset();
    FDevice.reset();
    std::unique_ptr<TWholeFileStream> File = std::move(FFile);
    if (File) File->Commit();
}

void TPdfJobWriter::Abort() {
    FWriter.reset();
    FDevice.reset();
    FFile.reset();
}

TPdfFilePrinter::TPdfFilePrinter() = default;
TPdfFilePrinter::~TPdfFilePrinter() = default;

QString TPdfFilePrinter::Name() const {
    return QStringLiteral("PDF file");
}
QString TPdfFilePrinter::Driver() const {
    return QStringLiteral("pdf");
}

std::vector<TPrinterPaper> StandardPapers() {
    auto Inch = [](double W, double L) { return QPoint(int(W * 254 + 0.5), int(L * 254 + 0.5)); };
    return {
        {1, QStringLiteral("Letter"), Inch(8.5, 11), QStringLiteral("na_letter_8.5x11in"), {}},
        {5, QStringLiteral("Legal"), Inch(8.5, 14), QStringLiteral("na_legal_8.5x14in"), {}},
        {7, QStringLiteral("Executive"), Inch(7.25, 10.5), QStringLiteral("na_executive_7.25x10.5in"), {}},
        {3, QStringLiteral("Tabloid"), Inch(11, 17), QStringLiteral("na_ledger_11x17in"), {}},
        {8, QStringLiteral("A3"), QPoint(2970, 4200), QStringLiteral("iso_a3_297x420mm"), {}},
        {9, QStringLiteral("A4"), QPoint(2100, 2970), QStringLiteral("iso_a4_210x297mm"), {}},
        {11, QStringLiteral("A5"), QPoint(1480, 2100), QStringLiteral("iso_a5_148x210mm"), {}},
        {70, QStringLiteral("A6"), QPoint(1050, 1480), QStringLiteral("iso_a6_105x148mm"), {}},
        {13, QStringLiteral("B5 (JIS)"), QPoint(1820, 2570), QStringLiteral("jis_b5_182x257mm"), {}},
        {20,
         QStringLiteral("Envelope #10"),
         Inch(4.125, 9.5),
         QStringLiteral("na_number-10_4.125x9.5in"),
         {}},
        {27, QStringLiteral("Envelope DL"), QPoint(1100, 2200), QStringLiteral("iso_dl_110x220mm"), {}},
        {28, QStringLiteral("Envelope C5"), QPoint(1620, 2290), QStringLiteral("iso_c5_162x229mm"), {}},
        {256, QStringLiteral("Custom"), Inch(8.5, 11), QString(), {}},
    };
}

TPrinterCapabilities TPdfFilePrinter::Capabilities() {
    TPrinterCapabilities C;
    C.Papers = StandardPapers();
    C.Resolutions = {QPoint(300, 300), QPoint(600, 600), QPoint(1200, 1200)};
    C.MaxCopies = 1;
    C.Duplex = false;
    C.DefaultResolution = Resolution;
    return C;
}

TDeviceMode TPdfFilePrinter::DefaultDeviceMode() {
    TDeviceMode M;
    M.Fields = dmfOrientation | dmfPaperSize | dmfFormName | dmfScale | dmfCopies | dmfPrintQuality |
               dmfColor | dmfYResolution | dmfCollate;
    M.Orientation = dmOrientPortrait;
    const bool Us = QLocale::system().measurementSystem() == QLocale::ImperialUSSystem;
    M.PaperSize = Us ? dmPaperLetter : dmPaperA4;
    M.SetFormName(Us ? QStringLiteral("Letter") : QStringLiteral("A4"));
    M.Scale = 100;
    M.Copies = 1;
    M.PrintQuality = Resolution;
    M.YResolution = Resolution;
    M.Color = dmColorColor;
    M.Collate = 1;
    return M;
}

void TPdfFilePrinter::BeginDoc(const QString& Title, const TDeviceMode&, const TDeviceCaps& Caps) {
    QString Target = FFileName;
    if (Target.isEmpty()) {
        QString Dir = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (Dir.isEmpty()) Dir = QDir::homePath();
        QDir().mkpath(Dir);
        Target = QDir(Dir).filePath(SafeFileTitle(Title) + QStringLiteral(".pdf"));
    }
    FJob.Begin(Target, Title, Caps);
    FLastFileName = Target;
}

void TPdfFilePrinter::NewPage(const TDeviceMode&, const TDeviceCaps& Caps) {
    FJob.NewPage(Caps);
}

void TPdfFilePrinter::EndDoc() {
    FJob.End();
}

void TPdfFilePrinter::Abort() {
    FJob.Abort();
}

namespace {
// The "PDF file" printer closes the machine's printer list, after every spooler's queues.
[[maybe_unused]] const bool PdfFilePrinterListed =
    (AddMachinePrinterSource(1000,
                             [](int& DefaultIndex) {
                                 DefaultIndex = -1;
                                 TPrinterBackends List;
                                 List.push_back(std::make_unique<TPdfFilePrinter>());
                                 return List;
                             }),
     true);
} // namespace
