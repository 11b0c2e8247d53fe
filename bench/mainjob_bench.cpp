// The main job's three outputs of the "orders" report over an SQLite database, as examples/orders
// makes them, one after the other in one process: the document file, the "PDF file" printer and
// the rich-text file. For each it reports the resident memory's peak during that output (the
// high-water mark is reset before it), how far that lies above the memory before it, and the
// processor time. Run it over a database grown with bench/grow-sample.sh to see memory stay flat:
//
//   mainjob_bench DATABASE [OUTDIR]        (OUTDIR keeps the three files; a temporary one else)
#include "examplejobs.h"
#include "host/exceptions.h"
#include "host/formatting.h"
#include "host/sqldataset.h"
#include "orders_layout.h"
#include "peakmemory.h"
#include "report/PSetup.h"
#include "report/PimPage.h"
#include "report/VyrRep.h"

#include <QApplication>
#include <QDir>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>
#include <functional>

namespace {

void Measure(const char* Output, const QString& FileName, const std::function<void()>& Run) {
    benchmemory::ResetPeak();
    const long BaseKb = benchmemory::StatusKb("VmRSS:");
    const double Start = benchmemory::CpuSeconds();
    Run();
    const double Seconds = benchmemory::CpuSeconds() - Start;
    const long PeakKb = benchmemory::StatusKb("VmHWM:");
    std::printf("%-9s peak %6.1f MB (+%6.1f MB), %7.2f s processor time, %lld bytes\n", Output,
                PeakKb / 1024.0, (PeakKb - BaseKb) / 1024.0, Seconds, FileSize(FileName));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication App(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: mainjob_bench DATABASE [OUTDIR]\n");
        return 2;
    }
    QTemporaryDir Temporary;
    const QDir Out(argc > 2 ? QString::fromLocal8Bit(argv[2]) : Temporary.path());
    QDir().mkpath(Out.path());
    const QString PimName = Out.filePath(QStringLiteral("orders.pim"));
    const QString PdfName = Out.filePath(QStringLiteral("orders.pdf"));
    const QString RtfName = Out.filePath(QStringLiteral("orders.rtf"));
    try {
        QSqlDatabase Db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
        Db.setDatabaseName(QString::fromLocal8Bit(argv[1]));
        Db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!Db.open()) throw Exception(QStringLiteral("Cannot open %s"), {Db.databaseName()});
        UsePdfPrinter(PdfName);
        SetFormatSettings(TFormatSettings::Fixed());
        TOrdersForm Form;
        TVyrReport* Report = BuildOrdersReport(&Form, MakeOrdersDataSet(&Form));
        TVyrPage* Page = FindOrdersParts(&Form).Page;
        TVyrPageSetup* Setup = Page->PageSetup();
        std::printf("start     %6.1f MB\n", benchmemory::StatusKb("VmRSS:") / 1024.0);

        Setup->SetDestination(destFile);
        Page->SetPimFileName(PimName);
        Measure("document", PimName, [&] { Report->Run(); });

        Setup->SetDestination(destPrinter);
        Measure("pdf", PdfName, [&] { Report->Run(); });

        Page->SetOutputType(otRichText);
        Page->SetRtfFile(RtfName);
        Measure("richtext", RtfName, [&] { Report->Run(); });
        Page->SetOutputType(otNormal);
        if (!Report->ExceptionText().isEmpty()) throw Exception(Report->ExceptionText());
    } catch (const Exception& E) {
        std::fprintf(stderr, "mainjob_bench: %s\n", qPrintable(E.Message()));
        return 1;
    }
    return 0;
}
