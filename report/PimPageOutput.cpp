// The page's output side: starting and ending the document, the viewer of a screen run, printing
// the recorded document and the progress reported along the way.
#include "host/exceptions.h"
#include "host/forms.h"
#include "output/PimFile.h"
#include "report/PimPage.h"

namespace {

TVyrPageViewerFactory& ViewerFactory() {
    static TVyrPageViewerFactory Factory;
    return Factory;
}

TFormStyle FormStyleOf(TVyrFormStyle Style, bool Designing) {
    switch (Style) {
    case pfsMDIChild:
        return Designing ? fsNormal : fsMDIChild;
    case pfsStayOnTop:
        return fsStayOnTop;
    default:
        return fsNormal;
    }
}

} // namespace

void SetVyrPageViewerFactory(TVyrPageViewerFactory Factory) {
    ViewerFactory() = std::move(Factory);
}

const TVyrPageViewerFactory& VyrPageViewerFactory() {
    return ViewerFactory();
}

void ResetVyrPageViewerFactory() {
    ViewerFactory() = nullptr;
}

void TVyrPage::PageStart() {
    SaveUnits = FPageSetup->Units();
    FPageSetup->SetUnits(unitInches);
}

void TVyrPage::PageEnd() {
    UpdateStatus(ssEnd);
    FPageSetup->SetUnits(SaveUnits);
}

void TVyrPage::BeginDoc() {
    FPercentDone = 0;
    FPgNum = 1;
    FPageNumber = 1;
    FPagesPrinted = 0;
    FStatusMuted = false;
    FDrawsNowhere = FOutputType == otNormal && FPrintTo && FPrintTo->Destination() == adNoWhere;
    if (FOutputType == otNormal && FPrintTo) {
        const bool ToFile = FPageSetup->Destination() == destFile;
        // A document file without a name would be made and thrown away, the run reporting success.
        if (ToFile && FPimFileName.isEmpty() && FPrintTo->Destination() == adPimFile)
            throw Exception(QStringLiteral("The PimFileName property of %1 is empty: a report sent to a file needs a file name.")
                                .arg(Name()));
        FPrintTo->SetCreateFile(ToFile);
        FPrintTo->SetFileName(FPimFileName);
        FPrintTo->SetDescription(FDescription);
        FPrintTo->BeginDoc();
        if (FPrintTo->Destination() == adPimFile)
            Preview();
        else if (FPrintTo->Destination() == adNoWhere)
            FPageCount = 0;
    }
    UpdateStatus(ssBegin);
}

void TVyrPage::Preview() {
    if (FPageSetup->Destination() != destScreen) return;
    if (OnPreview) {
        OnPreview(this);
        return;
    }
    if (CustomPreview) {
        CustomPreview(this);
        return;
    }
    if (!ViewerFactory() || !FPrintTo) return;
    const TVyrPreviewSettings* Settings = FPageSetup->PreviewSettings();
    const bool Designing = HasState(csDesigning);
    TComponent* ViewerOwner = Application();
    if (!Designing && Settings->PreviewOwner() == poFormOwned && Owner()) ViewerOwner = Owner();
    TVyrPageViewer* Viewer = ViewerFactory()(ViewerOwner);
    if (!Viewer) return;
    if (Settings->FormStyle() != pfsDefault) Viewer->SetFormStyle(FormStyleOf(Settings->FormStyle(), Designing));
    Viewer->SetWindowState(Settings->WindowState());
    Viewer->SetZoom(Settings->Zoom());
    Viewer->SetPimFile(FPrintTo->PimFile());
    Viewer->OnAbort = [this](TComponent* Sender) { AbortGeneration(Sender); };
    Viewer->Page = this;
    Viewer->SetGenerating(true);
    FPimViewer = Viewer;
    FViewerAlive = Viewer->Alive();
    if (Settings->ModalPreview() != mpModal) Viewer->Show();
}

bool TVyrPage::GenerationFailed() const {
    return FGenerationFailed || (FReport && !FReport->ExceptionText().isEmpty());
}

bool TVyrPage::AnyPageOutput() const {
    if (FPagesPrinted > 0) return true;
    const int RangeEnd = FPageSetup->RangeEnd();
    return FPgNum >= FPageSetup->RangeStart() && (RangeEnd == 0 || FPgNum <= RangeEnd);
}

void TVyrPage::EndDoc() {
    FDrawsNowhere = false;
    FPageCount = FPageNumber;
    FPercentDone = 100;
    if (FOutputType == otRichText || !FPrintTo) return;
    // A failed generation, or a print range past the report's end, is no document: nothing is
    // written or printed, and a viewer keeps the pages it already shows.
    const bool Abandon = GenerationFailed() || !AnyPageOutput();
    if (Abandon)
        FPrintTo->Abort();
    else {
        FPrintTo->EndPage();
        FPrintTo->EndDoc();
    }
    const bool Recorded = !Abandon && FPrintTo->Destination() != adNoWhere;
    if (Recorded && FPageSetup->Destination() == destPrinter) {
        FAbortPrinting = false;
        FPageNumber = 1;
        FPercentDone = 0;
        if (std::shared_ptr<TPimPimFile> Doc = FPrintTo->PimFile()) {
            TPimPrinter Printer;
            Printer.OnStatus = [this](TPimPrinter* Sender) { PrintingStatus(Sender); };
            Doc->SendPages(&Printer, 1, Doc->PageCount());
            if (!Printer.ExceptionText().isEmpty() && FReport) FReport->SetExceptionText(Printer.ExceptionText());
        }
    }
    // The screen's viewer holds its own reference; every other document ends here.
    FPrintTo->SetPimFile(nullptr);
    if (TVyrPageViewer* Viewer = ReleaseViewer()) {
        Viewer->SetGenerating(false);
        Viewer->UpdatePage();
        if (FPageSetup->PreviewSettings()->ModalPreview() == mpModal) Viewer->ShowModal();
    }
}

TVyrPageViewer* TVyrPage::ReleaseViewer() {
    TVyrPageViewer* Viewer = FViewerAlive.expired() ? nullptr : FPimViewer;
    FPimViewer = nullptr;
    FViewerAlive.reset();
    if (Viewer) {
        Viewer->OnAbort = nullptr;
        Viewer->Page = nullptr;
    }
    return Viewer;
}

void TVyrPage::PrintingStatus(TPimPrinter* Sender) {
    if (FAbortPrinting) Sender->SetStopPrinting(true);
    if (FReport && FReport->CancelPrintJob()) Sender->SetAbortPrinting(true);
    FPageNumber = Sender->PageNumber();
    FPercentDone = FPageCount == 0 ? 0.0f : static_cast<float>(FPageNumber) / static_cast<float>(FPageCount) * 100.0f;
    UpdateStatus(ssPrinting);
}

void TVyrPage::UpdateStatus(TVyrStatus Stat) {
    if (!FReport || !FReport->SuppressStatus()) Application()->ProcessMessages();
    if (TVyrPageViewer* Viewer = PimViewer()) Viewer->UpdatePage();
    if (OnUpdateStatus && !FStatusMuted) {
        // A rich-text run has no output to ask.
        if ((Stat == ssPrinting || Stat == ssNoWhere) && FPrintTo && FPrintTo->Destination() == adNoWhere)
            Stat = ssNoWhere;
        try {
            OnUpdateStatus(this, Stat);
        } catch (...) {
            Application()->HandleException(this);
        }
    }
    if (OnUpdate) try {
            OnUpdate(this);
        } catch (...) {
            Application()->HandleException(this);
        }
}

void TVyrPage::AbortGeneration(TComponent* /*Sender*/) {
    FAbortPrinting = true;
    // Only this run goes quiet: the handler is the application's and serves the next run too.
    FStatusMuted = true;
    if (FPageSetup->Destination() == destScreen && FPrintTo && FPrintTo->Destination() != adNoWhere) {
        FPrintTo->EndDoc();
        FPrintTo->SetPimFile(nullptr);
        FPrintTo->SetDestination(adNoWhere);
    }
    ReleaseViewer();
}
