// The main job: builds the "orders" report in code over the sample database, saves it as a stored
// form to <out>/orders.rep, loads it back into a new form, and runs it three times: into the document
// file <out>/orders.pim, on the "PDF file" printer into <out>/orders.pdf and as rich text into
// <out>/orders.rtf; page 1 of the document is played into <out>/orders-page1.png at 96 pixels per inch.
#include "examplejobs.h"
#include "orders_layout.h"
#include "host/exceptions.h"
#include "host/formatting.h"
#include "host/sqldataset.h"
#include "output/PimFile.h"
#include "report/PSetup.h"
#include "report/PimPage.h"
#include "report/VyrRep.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <cstdio>
#include <memory>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication App(argc, argv);
    const QDir Out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("out"));
    QDir().mkpath(Out.path());
#ifdef PIM_SAMPLE_DB
    const QString Database = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral(PIM_SAMPLE_DB);
#else
    const QString Database = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
#endif
    const QString RepName = Out.filePath(QStringLiteral("orders.rep"));
    const QString PimName = Out.filePath(QStringLiteral("orders.pim"));
    const QString PdfName = Out.filePath(QStringLiteral("orders.pdf"));
    const QString RtfName = Out.filePath(QStringLiteral("orders.rtf"));
    const QString PngName = Out.filePath(QStringLiteral("orders-page1.png"));
    try {
        if (!QFileInfo::exists(Database))
            throw Exception(QStringLiteral("The sample database %s is missing"), {Database});
        QSqlDatabase Db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
        Db.setDatabaseName(Database);
        Db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!Db.open()) throw Exception(QStringLiteral("Cannot open %s"), {Database});
        // The paper comes from the printer the report prints on, here from the start.
        UsePdfPrinter(PdfName);
        // Amounts and dates look the same on every machine.
        SetFormatSettings(TFormatSettings::Fixed());
        RegisterOrdersClasses();

        {
            TOrdersForm Built;
            Built.SetName(QStringLiteral("OrdersForm"));
            TVyrReport* Report = BuildOrdersReport(&Built, MakeOrdersDataSet(&Built));
            Report->SaveToFile(RepName);
            std::printf("wrote %s (the report as a stored form, %lld bytes)\n", qPrintable(RepName), FileSize(RepName));
        }

        TOrdersForm Form;
        DefineOrdersHandlers(&Form);
        TVyrReport* Report = TVyrReport::LoadReport(RepName, &Form);
        if (!Report || !FindOrdersParts(&Form).Page) throw Exception(QStringLiteral("%s holds no report"), {RepName});
        TVyrPage* Page = FindOrdersParts(&Form).Page;
        TVyrPageSetup* Setup = Page->PageSetup();

        Setup->SetDestination(destFile);
        Page->SetPimFileName(PimName);
        Report->Run();
        auto Doc = std::make_shared<TPimPimFile>();
        Doc->LoadFromFile(PimName);
        std::printf("wrote %s (%d pages, %lld bytes)\n", qPrintable(PimName), Doc->PageCount(), FileSize(PimName));

        Setup->SetDestination(destPrinter);
        Report->Run();
        std::printf("wrote %s (%d pages printed on \"PDF file\", %lld bytes)\n", qPrintable(PdfName),
                    Page->PageCount(), FileSize(PdfName));

        Page->SetOutputType(otRichText);
        Page->SetRtfFile(RtfName);
        Report->Run();
        Page->SetOutputType(otNormal);
        std::printf("wrote %s (rich text, %lld bytes)\n", qPrintable(RtfName), FileSize(RtfName));

        const QSize Picture = WritePagePicture(*Doc, 1, PngName);
        std::printf("wrote %s (page 1, %d x %d pixels at 96 pixels per inch)\n", qPrintable(PngName), Picture.width(),
                    Picture.height());
    } catch (const Exception& E) {
        std::fprintf(stderr, "orders: %s\n", qPrintable(E.Message()));
        return 1;
    }
    return 0;
}
