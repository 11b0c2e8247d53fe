#include "output/PimFile.h"

#include "host/canvas.h"
#include "host/exceptions.h"
#include "host/forms.h"
#include "host/mathutil.h"
#include "host/streams.h"
#include "output/PimCtrl.h"
#include "output/PimFileInternal.h"
#include "output/PimOut.h"
#include "output/PimXport.h"

#include <algorithm>

using namespace PimFileInternal;

// ---------------------------------------------------------------------------------------------
// TPimPrinter

namespace {

// The page a sink is asked for, within the pages a source can give.
int ClampPage(TPimFile* PimFile, int Page) {
    const auto* Doc = dynamic_cast<const TPimPimFile*>(PimFile);
    const int Count = PimFile->PageCount();
    if (Doc && Doc->Running()) {
        if (Page >= Count) Page = Count - 1;
    } else if (Page > Count) {
        Page = Count;
    }
    return std::max(Page, 1);
}

} // namespace

TPimPrinter::TPimPrinter() = default;

TPimPrinter::~TPimPrinter() = default;

void TPimPrinter::Status() {
    if (OnStatus) OnStatus(this);
}

void TPimPrinter::LoadPage(TPimFile* PimFile, int Page) {
    if (!PimFile) return;
    Page = ClampPage(PimFile, Page);
    LoadPages(PimFile, Page, Page);
}

void TPimPrinter::LoadFromFile(const QString& FileName) {
    TFileStream File(FileName, fmOpenRead);
    LoadFromStream(File);
}

void TPimPrinter::LoadPages(TPimFile* PimFile, int StartPage, int EndPage) {
    auto* Doc = dynamic_cast<TPimPimFile*>(PimFile);
    if (!Doc) return;
    FAbortPrinting = false;
    FStopPrinting = false;
    const int Count = Doc->PageCount();
    EndPage = std::min(EndPage, Doc->Running() ? Count - 1 : Count);
    StartPage = std::max(StartPage, 1);
    if (StartPage > EndPage) return;

    TPimPrinterSetup& Setup = *Doc->PimPrinterSetup();
    TPimPrinterSetup Prev;
    TPimOutput Output;
    // A document still being recorded has no title in its header yet and keeps its own.
    const QString Title = PimWideFieldText(Doc->PimFileHeader.Description, PimDescriptionLength + 1);
    if (!Title.isEmpty()) Doc->SetDescription(Title);
    Output.SetDescription(Doc->Description());
    Output.SetDestination(adPrinter);
    Doc->GetPagePrinterInfo(&Setup, StartPage);

    // The printer always prints one copy; the loop makes the copies.
    int Copies = 1;
    bool Collated = false;
    if (!FIgnorePrinterSettings) {
        Copies = Setup.Copies();
        Setup.SetCopies(1);
        Collated = Setup.CollatedCopies();
        Setup.SetData();
        Setup.GetData();
    } else {
        Setup.GetData();
        Copies = Setup.Copies();
        Collated = Setup.CollatedCopies();
        if (Copies > 1) {
            Setup.SetCopies(1);
            Setup.SetData();
        }
    }
    Output.SetPimPrinterSetup(&Setup);
    Prev.Assign(&Setup);

    auto NewJob = [&] {
        Output.EndDoc();
        Output.SetPimPrinterSetup(&Setup);
        Output.PimPrinterSetup()->SetCopies(1);
        Output.BeginDoc();
    };

    try {
        FPageNumber = StartPage;
        Status();
        Output.BeginDoc();
        Doc->SetHorzScale(100);
        Doc->SetVertScale(100);
        Doc->SetSetOrigin(true);
        int Page = StartPage;
        int Copy = 0;
        int LastDuplex = -1;
        while (Page <= EndPage) {
            FPageNumber = Page;
            Status();
            if (!FAbortPrinting && !FStopPrinting) {
                if (DuplexNewJob && LastDuplex != -1) {
                    Doc->GetPagePrinterInfo(&Setup, Page);
                    if (Setup.Duplex() != LastDuplex) NewJob();
                }
                if (Page > StartPage || Copy > 0) {
                    if (!FIgnorePrinterSettings && (Copy == 0 || Collated)) {
                        bool Changed = true;
                        Setup.SetCopies(Copies);
                        Doc->GetPagePrinterInfo(&Setup, Page);
                        if (Page > StartPage) {
                            Doc->GetPagePrinterInfo(&Prev, Page - 1);
                            Prev.SetCopies(1);
                            Changed = !Prev.IsRunningEqual(Setup);
                        }
                        if (Changed) {
                            if (!Collated) Copies = Setup.Copies();
                            Setup.SetCopies(1);
                            Setup.SetData();
                        }
                    }
                    Setup.GetData();
                    Output.StartPage();
                }
                Doc->SetOrgX(-int(Round(Doc->PixelsPerInchX() * Setup.LeftPrintArea())));
                Doc->SetOrgY(-int(Round(Doc->PixelsPerInchY() * Setup.TopPrintArea())));
                Doc->PlayPage(Output.Handle(), Page);
                Output.EndPage();
            }
            // A status window gets its chance to set AbortPrinting or StopPrinting.
            Application()->ProcessMessages();
            if (Copies <= 1) {
                ++Page;
            } else if (!Collated) {
                if (++Copy >= Copies) {
                    Copy = 0;
                    ++Page;
                }
            } else if (++Page > EndPage) {
                if (++Copy < Copies) {
                    Page = StartPage;
                    // Each collated copy begins on a sheet of its own.
                    if (Setup.Duplex() != 1 && !FAbortPrinting && !FStopPrinting) NewJob();
                }
            }
            LastDuplex = Setup.Duplex();
        }
        Doc->SetSetOrigin(false);
        if (FAbortPrinting)
            Output.Abort();
        else
            Output.EndDoc();
        Status();
    } catch (...) {
        // The job must not stay open on the printer after a failed page.
        Doc->SetSetOrigin(false);
        try {
            Output.Abort();
        } catch (...) {
        }
        if (!Output.ExceptionText().isEmpty()) FExceptionText = Output.ExceptionText();
        throw;
    }
    if (!Output.ExceptionText().isEmpty()) FExceptionText = Output.ExceptionText();
}

// ---------------------------------------------------------------------------------------------
// TPimDeviceContext

TPimDeviceContext::TPimDeviceContext() = default;

TPimDeviceContext::~TPimDeviceContext() = default;

void TPimDeviceContext::LoadPage(TPimFile* PimFile, int Page) {
    if (!PimFile) return;
    PimFile->PlayPage(FDC, ClampPage(PimFile, Page));
}

void TPimDeviceContext::LoadFromFile(const QString& FileName) {
    TFileStream File(FileName, fmOpenRead);
    LoadFromStream(File);
}

// ---------------------------------------------------------------------------------------------
// TPimFiler

TPimFiler::TPimFiler() = default;

TPimFiler::~TPimFiler() = default;

void TPimFiler::SetPimFile(std::shared_ptr<TPimFile> Value) {
    FPimFile = std::move(Value);
}

void TPimFiler::LoadFromStream(TStream& Stream) {
    TPimFileHeader Header;
    const int64_t Start = Stream.Position();
    if (Stream.Size() - Start < PimFileHeaderSize) throw Exception(QString::fromLatin1(SNotPimFile));
    PimReadFileHeader(Stream, Header);
    if (Header.Key != PimFileKey) throw Exception(QString::fromLatin1(SNotPimFile));
    auto Doc = std::make_shared<TPimPimFile>();
    SetPimFile(Doc);
    Stream.SetPosition(Start);
    try {
        Doc->LoadFromStream(Stream);
    } catch (...) {
        SetPimFile(nullptr);
        throw;
    }
}

void TPimFiler::LoadFromFile(const QString& FileName) {
    TFileStream File(FileName, fmOpenRead);
    LoadFromStream(File);
}

void TPimFiler::SaveToFile(const QString& FileName) {
    if (FPimFile) FPimFile->SaveToFile(FileName);
}

void TPimFiler::SaveToStream(TStream& Stream) {
    if (FPimFile) FPimFile->SaveToStream(Stream);
}

void TPimFiler::Send(TPimFile* AF) {
    if (FPimFile) FPimFile->Send(AF);
}

void TPimFiler::SendPage(TPimFile* AF, int Page) {
    if (FPimFile) FPimFile->SendPage(AF, Page);
}

void TPimFiler::SendPages(TPimFile* AF, int StartPage, int EndPage) {
    if (FPimFile) FPimFile->SendPages(AF, StartPage, EndPage);
}
