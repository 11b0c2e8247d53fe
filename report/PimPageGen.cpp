// The page's generation passes: what a pass prepares before its first record and releases after
// the last.
#include "host/forms.h"
#include "report/PimDS.h"
#include "report/PimPage.h"
#include "report/VyrRtf.h"
#include "report/VyrVar.h"

namespace {

bool StartsWithData(const TVyrVar* Var) {
    return dynamic_cast<const TVyrDBVar*>(Var) || dynamic_cast<const TVyrTotalvar*>(Var);
}

} // namespace

bool TVyrPage::InitReport() {
    // Left set by the previous run, it would keep this run's variables from running before the
    // data has even started.
    FDataIsFinished = false;
    FStatusMuted = false;
    FRtf.reset();
    FContinuous = FOutputType == otRichText;
    if (FContinuous) {
        FRtf = std::make_unique<TVyrRtfFile>(FRtfFile.isEmpty() ? QStringLiteral("PimRtf.rtf") : FRtfFile);
        FRtf->SetPageSetup(FPageSetup.get());
    }
    FLastPagePos = 0;
    FFirstNewPage = true;
    FAbortPrinting = false;
    OrderBands();
    FPageSetup->SetUnits(unitInches);

    if (FLevels) {
        int i = 0;
        for (TVyrLevel* Level : *FLevels)
            Level->SetLevel(i++);
    }
    auto StartVars = [this](bool WithData) {
        if (!FVars) return;
        const std::vector<TVyrVar*> Vars = *FVars;
        for (TVyrVar* Var : Vars) {
            if (StartsWithData(Var) != WithData) continue;
            if (!FDataIsFinished) Var->SetRunning(true);
            Var->Initialize();
        }
    };
    StartVars(false);
    DataStart();
    StartVars(true);

    if (!FDataIsFinished) return true;
    bool Result = true;
    if (FNoDataQuit) {
        FPrinting = false;
        Result = false;
    }
    if (OnNoData) {
        try {
            OnNoData(this);
        } catch (const Exception& E) {
            // The run stops here; its report raises the message once the pass has ended.
            FPrinting = false;
            if (!FReport) throw;
            FReport->SetExceptionText(E.Message());
            return false;
        }
    }
    return Result;
}

void TVyrPage::UnInitReport() {
    DataFinish();
    if (FVars) {
        const std::vector<TVyrVar*> Vars = *FVars;
        for (TVyrVar* Var : Vars)
            Var->SetRunning(false);
    }
    std::unique_ptr<TVyrRtfFile> Rtf = std::move(FRtf);
    if (FCloseDataSources) FDataSourceManager->CloseDataSources();
    // Closed here rather than by freeing, so that a file that cannot be written is reported.
    if (Rtf) Rtf->Close();
}
