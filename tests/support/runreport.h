#pragma once
#include "host/memdataset.h"
#include "report/PimPage.h"
#include "report/VyrRep.h"
#include "support/fakeprinter.h"
#include "support/reportfixture.h"

#include <QList>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <vector>

class TFormPrintStatus;

// The office laser alone, as the machine's printer list.
std::vector<std::unique_ptr<TFakePrinter>> OfficePrinter();

// A report run as an application runs it: a 3 x 4 in page (body 288 high) with a page header of 20,
// a detail of 30 and a page footer of 24 over 20 records gives 3 pages of 8, 8 and 4 details. It
// goes to a document file without a question; every band notes "band page" when it prints.
struct TRunReport {
    TFakePrinterList Printers{OfficePrinter()};
    std::unique_ptr<TReportTestForm> Form = std::make_unique<TReportTestForm>();
    TVyrReport* Report = nullptr;
    TVyrGrouppage* Page = nullptr;
    TMemDataSet Set;
    TDataSource Source;
    QTemporaryDir Dir;
    QString FileName = Dir.filePath(QStringLiteral("run.pim"));
    QStringList Log;
    QList<TVyrStatus> Statuses;
    int Before = 0;
    int After = 0;

    explicit TRunReport(int Records = 20);
    ~TRunReport();
    // Called for every band printed, after it is noted.
    std::function<void(TVyrBand*)> OnBand;
    bool DetailStartsPage(TVyrBand* Band, int PageNumber) const;
    int PagesInFile() const;
    // Runs the report and gives the message it raised, empty when it raised none.
    QString RunError();
    // The status window of the run in progress.
    static TFormPrintStatus* StatusWindow();
};
