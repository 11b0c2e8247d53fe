#include "support/runreport.h"
#include "host/exceptions.h"
#include "host/forms.h"
#include "host/messages.h"
#include "output/PimFile.h"
#include "report/PSetup.h"
#include "report/VyrCtrl.h"
#include "report/VyrStat.h"

#include <QFile>

std::vector<std::unique_ptr<TFakePrinter>> OfficePrinter() {
    std::vector<std::unique_ptr<TFakePrinter>> List;
    List.push_back(TFakePrinter::Office());
    return List;
}

TRunReport::TRunReport(int Records) {
    ClearPostedMessages();
    Report = Make<TVyrReport>(Form.get(), QStringLiteral("Report1"), nullptr);
    Report->SetPixelsPerInch(96);
    Report->SetPrompt(false);
    Page = Make<TVyrGrouppage>(Form.get(), QStringLiteral("ReportPage"), Report);
    TVyrPageSetup* Setup = Page->PageSetup();
    UseTestPaper(Setup);
    Setup->SetDestination(destFile);
    Page->SetPimFileName(FileName);
    FillNumbered(Set, QStringLiteral("N"), Records);
    Source.SetDataSet(&Set);
    Page->SetDataSource(&Source);
    Page->AddMainBands();
    ClearPostedMessages();
    Page->Head()->SetVisible(false);
    Page->Foot()->SetVisible(false);
    Page->PageHead()->SetHeight(20);
    Page->Detail()->SetHeight(30);
    Page->PageFoot()->SetHeight(24);
    for (TVyrBand* B : *Page->Bands())
        B->OnBeforePrint = [this](TVyrBand* Band) {
            Log << QStringLiteral("%1 %2").arg(Band->Name()).arg(Page->PageNumber());
            if (OnBand) OnBand(Band);
        };
    Page->OnUpdateStatus = [this](TVyrPage*, TVyrStatus Stat) { Statuses << Stat; };
    Report->OnBeforePrint = [this](TVyrReport*) { ++Before; };
    Report->OnAfterPrint = [this](TVyrReport*) { ++After; };
}

TRunReport::~TRunReport() {
    Page->SetDataSource(nullptr);
    // Status windows and viewers a run left to the message queue go with the test.
    Application()->ProcessMessages();
}

bool TRunReport::DetailStartsPage(TVyrBand* Band, int PageNumber) const {
    return Band == Page->Detail() && Page->PageNumber() == PageNumber && Page->YPos() == 68;
}

int TRunReport::PagesInFile() const {
    if (!QFile::exists(FileName)) return 0;
    TPimPimFile Read;
    Read.LoadFromFile(FileName);
    return Read.PageCount();
}

QString TRunReport::RunError() {
    try {
        Report->Run();
    } catch (const Exception& E) {
        return E.Message();
    }
    return QString();
}

TFormPrintStatus* TRunReport::StatusWindow() {
    for (int i = Application()->ComponentCount() - 1; i >= 0; --i)
        if (auto* S = dynamic_cast<TFormPrintStatus*>(Application()->Components(i)); S && S->Visible())
            return S;
    return nullptr;
}
