#include "support/fakeprinter.h"

#include "host/exceptions.h"

TFakePrinter::TFakePrinter(const QString& Name) : FName(Name) {
    Caps.Papers = {
        {dmPaperLetter, QStringLiteral("Letter"), QPoint(2159, 2794), QStringLiteral("letter"), {}}};
    Caps.Resolutions = {QPoint(300, 300)};
    Caps.MaxCopies = 1;
    Caps.DefaultResolution = 300;
    Defaults.Fields = dmfOrientation | dmfPaperSize | dmfCopies;
    Defaults.Orientation = dmOrientPortrait;
    Defaults.PaperSize = dmPaperLetter;
    Defaults.Copies = 1;
}

TFakePrinter::~TFakePrinter() = default;

std::unique_ptr<TFakePrinter> TFakePrinter::Office(const QString& Name) {
    auto P = std::make_unique<TFakePrinter>(Name);
    const QMargins Quarter(635, 635, 635, 635); // a quarter inch in hundredths of a millimetre
    P->Caps.Papers = {
        {dmPaperLetter, QStringLiteral("Letter"), QPoint(2159, 2794), QStringLiteral("letter"), Quarter},
        {dmPaperLegal, QStringLiteral("Legal"), QPoint(2159, 3556), QStringLiteral("legal"), Quarter},
        {dmPaperA4, QStringLiteral("A4 210 x 297 mm"), QPoint(2100, 2970), QStringLiteral("a4"), Quarter},
        {260, QStringLiteral("Envelope #10"), QPoint(1048, 2413), QStringLiteral("env10"), Quarter},
        {dmPaperUser, QStringLiteral("User Defined"), QPoint(2159, 2794), QString(), Quarter},
    };
    P->Caps.Bins = {
        {dmBinAuto, QStringLiteral("Automatically Select"), QStringLiteral("auto")},
        {dmBinUpper, QStringLiteral("Tray 1"), QStringLiteral("tray-1")},
        {261, QStringLiteral("Manual Paper Feed"), QStringLiteral("manual")},
    };
    P->Caps.Resolutions = {QPoint(300, 300), QPoint(600, 600), QPoint(1200, 1200)};
    P->Caps.MaxCopies = 999;
    P->Caps.Duplex = true;
    P->Caps.DefaultResolution = 600;
    TDeviceMode& D = P->Defaults;
    D.Fields = dmfOrientation | dmfPaperSize | dmfFormName | dmfScale | dmfCopies | dmfDefaultSource |
               dmfPrintQuality | dmfColor | dmfDuplex | dmfYResolution | dmfTTOption | dmfCollate;
    D.Orientation = dmOrientPortrait;
    D.PaperSize = dmPaperLetter;
    D.FormName = QStringLiteral("Letter");
    D.Scale = 100;
    D.Copies = 1;
    D.DefaultSource = dmBinAuto;
    D.PrintQuality = 600;
    D.Color = dmColorColor;
    D.Duplex = dmDupSimplex;
    D.YResolution = 600;
    D.TTOption = dmTTDownload;
    D.Collate = 0;
    return P;
}

void TFakePrinter::Fail(TFailPoint Point) const {
    if (FailAt == Point) throw Exception(FailMessage);
}

TPrinterCapabilities TFakePrinter::Capabilities() {
    ++CapabilityReads;
    Fail(fpCapabilities);
    return Caps;
}

TDeviceMode TFakePrinter::DefaultDeviceMode() {
    return Defaults;
}

QPaintDevice* TFakePrinter::PaintDevice() {
    return FPrinting ? &Jobs.back().Picture : nullptr;
}

void TFakePrinter::BeginDoc(const QString& Title, const TDeviceMode& Mode, const TDeviceCaps& PageCaps) {
    Fail(fpBeginDoc);
    Jobs.push_back({Title, Mode, {{Mode, PageCaps}}, QPicture(), false, false});
    FPrinting = true;
}

void TFakePrinter::NewPage(const TDeviceMode& Mode, const TDeviceCaps& PageCaps) {
    Fail(fpNewPage);
    Jobs.back().Pages.push_back({Mode, PageCaps});
}

void TFakePrinter::EndDoc() {
    FPrinting = false;
    Jobs.back().Ended = true;
    Fail(fpEndDoc);
}

void TFakePrinter::Abort() {
    FPrinting = false;
    Jobs.back().Aborted = true;
}

TFakePrinterList::TFakePrinterList(std::vector<std::unique_ptr<TFakePrinter>> Printers, int DefaultIndex) {
    TPrinterBackends List;
    for (auto& P : Printers) {
        FPrinters.push_back(P.get());
        List.push_back(std::move(P));
    }
    Printer().SetPrinters(std::move(List), DefaultIndex);
}

TFakePrinterList::TFakePrinterList() {
    Printer().SetPrinters({}, -1);
}

TFakePrinterList::~TFakePrinterList() {
    if (Printer().Printing()) Printer().Abort();
    Printer().SetTitle(QString());
    Printer().Refresh();
}
