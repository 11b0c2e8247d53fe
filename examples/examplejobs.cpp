#include "examplejobs.h"
#include "host/devicecontext.h"
#include "host/exceptions.h"
#include "host/mathutil.h"
#include "host/pdfprinter.h"
#include "host/printers.h"
#include "host/streams.h"
#include "output/PimFile.h"
#include "output/PimSetup.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>

void UsePdfPrinter(const QString& FileName) {
    const int Index = Printer().Printers().indexOf(QStringLiteral("PDF file"));
    if (Index < 0) throw Exception(QStringLiteral("The \"PDF file\" printer is missing"));
    Printer().SetPrinterIndex(Index);
    auto* Pdf = dynamic_cast<TPdfFilePrinter*>(Printer().Backend());
    if (!Pdf) throw Exception(QStringLiteral("The \"PDF file\" printer is missing"));
    Pdf->SetFileName(FileName);
}

qint64 FileSize(const QString& FileName) {
    return QFileInfo(FileName).size();
}

QSize WritePagePicture(TPimPimFile& Doc, int Page, const QString& FileName) {
    const TPimPrinterSetup* Setup = Doc.PimPrinterSetup();
    const int Width = int(Round(Setup->Width() * 96));
    const int Height = int(Round(Setup->Length() * 96));
    auto DC = DeviceContext::CreateImage(Width, Height, 96, 96);
    Doc.PlayPage(DC.get(), Page);
    DC->EndDoc();
    QByteArray Png;
    QBuffer Buffer(&Png);
    Buffer.open(QIODevice::WriteOnly);
    if (!DC->Image()->save(&Buffer, "PNG")) throw Exception(QStringLiteral("Cannot write %s"), {FileName});
    // Like every file of the system, written whole or not at all.
    WriteWholeFile(FileName, Png);
    return DC->Image()->size();
}
