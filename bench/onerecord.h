#pragma once
// The report the label benchmarks share: one record, whose detail band holds the labels a benchmark
// puts on it; A4 at 96 pixels per inch, no question and no status window when it runs, the detail
// band's font Arial 10 pt.
#include "host/memdataset.h"
#include "report/PSetup.h"
#include "report/PimPage.h"
#include "report/VyrRep.h"

struct TOneRecordReport {
    TMemDataSet Set;
    TDataSource Source;
    TComponent Form{nullptr}; // frees the report's parts before the data they read
    TVyrReport* Report = nullptr;
    TVyrGrouppage* Page = nullptr;
    TVyrBand* Detail = nullptr;

    TOneRecordReport() {
        Set.FieldDefs().Add(QStringLiteral("id"), ftInteger);
        Set.AppendRecord({1});
        Report = new TVyrReport(&Form);
        Report->SetPixelsPerInch(96);
        Report->SetPrompt(false);
        Report->SetSuppressStatus(true);
        Page = new TVyrGrouppage(&Form);
        Page->SetParent(Report);
        Page->PageSetup()->SetSize(psA4);
        Source.SetDataSet(&Set);
        Page->SetDataSource(&Source);
        Page->AddMainBands();
        Detail = Page->Detail();
        Detail->Font()->SetName(QStringLiteral("Arial"));
        Detail->Font()->SetSize(10);
    }
};
