#include "report/VyrRep.h"
#include "host/dialogs.h"
#include "host/exceptions.h"
#include "host/forms.h"
#include "host/lists.h"
#include "host/printers.h"
#include "host/properties.h"
#include "host/releasehold.h"
#include "host/resstrings.h"
#include "host/storedforms.h"
#include "host/streams.h"
#include "output/PimOut.h"
#include "output/PimPSet.h"
#include "output/PimSetup.h"
#include "report/PSetup.h"
#include "report/PimPage.h"
#include "report/VyrDest.h"
#include "report/VyrStat.h"
#include "report/VyrUtil.h"
#include "viewer/PimView.h"

#include <QApplication>
#include <QClipboard>
#include <array>
#include <exception>

namespace {

// A report loaded with AutoRun runs itself once the form has loaded.
constexpr uint32_t WM_VYR_AUTORUN = WM_USER + 15;

// Windows need a widget application object; a program without one runs its reports to files and
// printers only.
bool HasGuiApplication() {
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

// The alignments the design box can have; another stored name leaves it as it is.
const std::array<const char16_t*, 6> SAlignNames = {u"alNone", u"alTop",   u"alBottom",
                                                    u"alLeft", u"alRight", u"alClient"};

// The viewer window as the screen destination of a run sees it: it shows the document while the page
// records it, and Stop or closing it stops the page.
class TVyrRunViewer : public TPimViewer, public TVyrPageViewer {
public:
    explicit TVyrRunViewer(TComponent* AOwner) : TPimViewer(AOwner) {
        TPimViewer::OnAbort = [this](TComponent* Sender) {
            if (!TVyrPageViewer::OnAbort) return;
            TNotifyEvent Abort = TVyrPageViewer::OnAbort;
            Abort(Sender);
        };
    }
    void SetGenerating(bool Value) override { TPimViewer::SetGenerating(Value); }
    void SetPimFile(std::shared_ptr<TPimPimFile> Value) override { TPimViewer::SetPimFile(std::move(Value)); }
    void Show() override { TPimViewer::Show(); }
    void UpdatePage() override { TPimViewer::UpdatePage(); }
    void SetFormStyle(TFormStyle Value) override { TCustomForm::SetFormStyle(Value); }
    void SetWindowState(TWindowState Value) override { TCustomForm::SetWindowState(Value); }
    void SetZoom(TPimZoom Value) override { TPimViewer::SetZoom(Value); }
    void ShowModal() override {
        TCustomForm::ShowModal();
        // A modal viewer is freed by whoever showed it; the page lets go of it here.
        Free();
    }
};

} // namespace

void VyrInstallPageViewerFactory() {
    SetVyrPageViewerFactory([](TComponent* Owner) -> TVyrPageViewer* {
        // Without a GUI there is no window to show.
        if (!HasGuiApplication()) return nullptr;
        return new TVyrRunViewer(Owner);
    });
}

namespace {
[[maybe_unused]] const bool GPageViewerFactoryInstalled = (VyrInstallPageViewerFactory(), true);
} // namespace

TVyrRptDsgn::~TVyrRptDsgn() = default;

void ReadClipboardText(TStringList& Lines) {
    Lines.Clear();
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return;
    const QString Text = QGuiApplication::clipboard()->text();
    if (!Text.isEmpty()) Lines.SetText(Text);
}

void WriteClipboardText(const QString& Text) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return;
    QGuiApplication::clipboard()->setText(Text);
}

// TVyrReport

TVyrReport::TVyrReport(TComponent* AOwner) : TScrollBox(AOwner) {
    // The box's first size is not the size it is restored to.
    TScrollBox::SetBounds(Left(), Top(), 400, 200);
    if (HasState(csDesigning)) {
        HorzScrollBar().Visible = false;
        VertScrollBar().Visible = false;
    }
    FPixelsPerInch = Screen()->PixelsPerInch();
    TScrollBox::SetVisible(false);
    // The companion's buttons and rulers become the report's first children.
    if (HasState(csDesigning) && VyrDesignCreate) VyrDesignCreate(this);
}

TVyrReport::~TVyrReport() {
    // A report that was not freed with delete still lets its companion take its parts off first.
    FRepDesign.reset();
}

void TVyrReport::Run() {
    if (FPrinting) return;
    FExceptionText.clear();
    struct TInRun {
        bool& Flag;
        explicit TInRun(bool& F) : Flag(F) { Flag = true; }
        ~TInRun() { Flag = false; }
    } InRun(FInRun);
    // The run walks the report's form and lets the application work between two records: a close
    // that would free the form meanwhile frees it once the run is done.
    const TReleaseHold Hold(this);
    try {
        if (InitReport())
            while (FPrinting) {
                ProcessReport();
                if (!FExceptionText.isEmpty()) Application()->ProcessMessages();
            }
    } catch (const Exception& E) {
        // Whatever escaped the steps' own guards ends the run here, so that the next run can start.
        KeepError(E.Message());
        try {
            EndReport();
        } catch (...) {
        }
        throw;
    } catch (...) {
        try {
            EndReport();
        } catch (...) {
        }
        throw;
    }
    if (!FExceptionText.isEmpty()) throw Exception(FExceptionText);
}

void TVyrReport::AbortReport() {
    if (FPrinting && FPages && !FPages->empty()) FPages->front()->SetAbortPrinting(true);
}

bool TVyrReport::InitReport() {
    if (FPrinting || !FPages || FPages->empty()) return false;
    bool Result = true;
    FPrinting = true;
    try {
        FGroupPage = FPages->front();
        FGroupPage->FreeNotification(this);
        FPrintTo.reset();
        FStatusWin = nullptr;
        FPass = 0;
        TVyrPageSetup* Setup = FGroupPage->PageSetup();
        FSaveSetup = std::make_unique<TVyrPageSetup>();
        FSaveSetup->Assign(Setup);
        FPassCount = FGroupPage->TwoPass() ? 2 : 1;
        const bool Busy = Printer().Printing();
        if (HasState(csDesigning)) {
            if (!Busy) Setup->LoadSettings();
            FSavePrompt = FPrompt;
            FPromptSaved = true;
            FPrompt = !FDesignPreview;
            if (FDesignPreview) Setup->SetDestination(destScreen);
        }
        if (Busy) throw Exception(LoadStr(SPrinterBusy));
        // Fonts are measured by the GUI library, which stops the whole program when it has no
        // application object to do it with.
        if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            throw Exception(
                QStringLiteral("A report draws text, which needs a GUI application object: make a "
                               "QGuiApplication or a QApplication before running it."));
        if (FGroupPage->OutputType() == otNormal) {
            try {
                FPrintTo = std::make_unique<TPimOutput>(FPixelsPerInch, FPixelsPerInch);
            } catch (...) {
                throw Exception(LoadStr(SCouldNotRun));
            }
        }
        PimResetPrinter();
        Setup->LoadSettings();
        if (FPrompt) Result = PromptPrint(FGroupPage);
        // Taking the printer's values back would lose a custom paper's own size.
        if (Setup->Size() == psCustom) {
            const double Height = Setup->Height();
            const double Width = Setup->Width();
            Setup->CopySettings();
            Setup->SetSize(psCustom);
            Setup->SetHeight(Height);
            Setup->SetWidth(Width);
        } else
            Setup->CopySettings();
        // A document that nobody could see would be made and thrown away as if it had been shown.
        if (Result && FPrintTo && Setup->Destination() == destScreen && !FGroupPage->OnPreview &&
            !CustomPreview && !HasGuiApplication())
            throw Exception(
                QStringLiteral("The report cannot be shown on the screen by a program without a GUI "
                               "application; send it to a printer or a file."));
        if (FPrintTo) {
            Setup->GetPimPrinterSetup(FPrintTo->PimPrinterSetup());
            FPrintTo->PimPrinterSetup()->SetData();
        }
        if (FGroupPage->OutputType() == otRichText) FPassCount = 1;
        if (!Result) EndReport();
    } catch (...) {
        // A run that cannot start ends here; Run raises why.
        Result = false;
        std::exception_ptr Failure = std::current_exception();
        try {
            std::rethrow_exception(Failure);
        } catch (const EAbort&) {
            Failure = nullptr;
        } catch (const Exception& E) {
            KeepError(E.Message());
            Failure = nullptr;
        } catch (...) {
        }
        try {
            EndReport();
        } catch (const Exception& E) {
            KeepError(E.Message());
        }
        if (Failure) std::rethrow_exception(Failure);
    }
    return Result;
}

bool TVyrReport::PromptPrint(TVyrPage* APage) {
    bool Result = false;
    if (OnPromptPrint || CustomPrompt) {
        // A failing handler cancels the run, which raises why.
        try {
            if (OnPromptPrint)
                OnPromptPrint(APage, Result);
            else
                CustomPrompt(APage, Result);
        } catch (...) {
            RunFailed(this, std::current_exception());
            return false;
        }
        return Result;
    }
    // A question that cannot be shown would be taken as cancelled, and the run would end as if the
    // user had chosen so.
    if (!HasGuiApplication() || (DialogService() == QtDialogService() && !DialogsCanBeAnswered()))
        throw Exception(
            QStringLiteral("The report's destination question could not be shown: there is no display "
                           "to show it on. Set Prompt to False and choose the destination in the page "
                           "setup, or answer it in OnPromptPrint."));
    auto Dialog = std::make_unique<TVyrReportDestination>(Application());
    Dialog->SetPageSetup(APage->PageSetup());
    return Dialog->ShowModal() == mrOk;
}

void TVyrReport::ProcessReport() {
    if (!FPrinting) return;
    if (!FGroupPage) {
        // The page went away during the run.
        EndReport();
        return;
    }
    if (FGroupPage->Printing()) {
        try {
            FGroupPage->Process();
        } catch (const Exception& E) {
            KeepError(E.Message());
            EndReport();
        }
        return;
    }
    if (FPass > 0) EndPass();
    if (FPrinting && FGroupPage && FPass < FPassCount)
        Process();
    else
        EndReport();
}

void TVyrReport::EndPass() {
    try {
        FGroupPage->EndReport();
    } catch (const Exception& E) {
        // The footers failed: the pass ends with what was made, and the run with that error.
        KeepError(E.Message());
        FGroupPage->SetAbortPrinting(true);
    }
    if (FCancelPrintJob && FPrintTo) {
        FPrintTo->Abort();
        DiscardViewer();
    } else
        FGroupPage->EndDoc();
    FGroupPage->PageEnd();
    CloseStatus();
    // A discarded job or a failed pass runs no further pass.
    if (FCancelPrintJob || !FExceptionText.isEmpty()) FPass = FPassCount;
    AfterPrint();
}

void TVyrReport::DiscardViewer() {
    TVyrPageViewer* Viewer = FGroupPage->PimViewer();
    if (!Viewer) return;
    FPrintTo->SetPimFile(nullptr);
    // The page lets go of the viewer and stops reporting to it.
    FGroupPage->AbortGeneration(this);
    Viewer->OnAbort = nullptr;
    Viewer->SetGenerating(false);
    if (auto* Window = dynamic_cast<TComponent*>(Viewer)) try {
            Window->Free();
        } catch (...) {
        }
}

void TVyrReport::Process() {
    ++FPass;
    BeforePrint();
    ShowStatus();
    FGroupPage->SetPrintTo(FPrintTo.get());
    FGroupPage->PageStart();
    FCancelPrintJob = false;
    // Every run records a document; the first of two passes only counts the pages.
    if (FPrintTo) FPrintTo->SetDestination(FPassCount == 2 && FPass == 1 ? adNoWhere : adPimFile);
    if (!FGroupPage->InitReport()) {
        FGroupPage->PageEnd();
        CloseStatus();
        AfterPrint();
        EndReport();
        return;
    }
    FGroupPage->BeginDoc();
    try {
        FGroupPage->StartReport();
    } catch (const Exception& E) {
        // The report header failed: the pass ends with what was made.
        KeepError(E.Message());
        FGroupPage->SetAbortPrinting(true);
    }
}

void TVyrReport::ShowStatus() {
    if (FSuppressStatus) return;
    const TVyrPageSetup* Setup = FGroupPage->PageSetup();
    const TVyrDestination Dest = Setup->Destination();
    // A viewer shown beside the run shows the progress itself.
    const bool Wanted = FGroupPage->OutputType() == otRichText || Dest == destPrinter || Dest == destFile ||
                        (Dest == destScreen && Setup->PreviewSettings()->ModalPreview() == mpModal) ||
                        (FPassCount == 2 && FPass == 1);
    if (!Wanted) return;
    if (CustomStatus) {
        TVyrPage* Page = FGroupPage;
        CallEventHandler(this, [Page] { CustomStatus(Page); });
        return;
    }
    // A program without a GUI has no window to show the progress in; the run goes on without it.
    if (!HasGuiApplication()) return;
    auto* Status = new TFormPrintStatus(Application());
    Status->SetReport(this);
    Status->OnAbort = [this](TVyrPage* Page, bool Discard) {
        if (Discard) FCancelPrintJob = true;
        if (Page) Page->SetAbortPrinting(true);
    };
    FStatusWin = Status;
    // The window listens to the page's status before the page's own handler, which it keeps.
    Status->Start(FGroupPage);
}

void TVyrReport::CloseStatus() {
    // The window closes itself at the pass's end status; a pass that ended otherwise closes it here.
    if (TFormPrintStatus* Status = FStatusWin.Get()) Status->Finish();
    FStatusWin = nullptr;
}

void TVyrReport::EndReport() {
    std::exception_ptr Failure;
    auto Step = [&Failure](const std::function<void()>& Do) {
        try {
            Do();
        } catch (...) {
            if (!Failure) Failure = std::current_exception();
        }
    };
    Step([this] { CloseStatus(); });
    TVyrPage* Ran = FGroupPage;
    // A pass that ended by an exception leaves its viewer showing what was made, no longer generating.
    if (Ran && Ran->PimViewer()) Step([this, Ran] {
            TVyrPageViewer* Viewer = Ran->PimViewer();
            Ran->AbortGeneration(this);
            Viewer->SetGenerating(false);
        });
    // Only the page that ran gets its setup back, and only from the copy taken for this run.
    if (Ran && FSaveSetup) Step([&] { Ran->SetPageSetup(FSaveSetup.get()); });
    FSaveSetup.reset();
    if (FPromptSaved) {
        FPrompt = FSavePrompt;
        FPromptSaved = false;
    }
    if (Ran) {
        // A run cancelled before its first pass started no data to finish.
        if (FPass > 0) Step([Ran] { Ran->UnInitReport(); });
        Ran->SetPrintTo(nullptr);
        Ran->RemoveFreeNotification(this);
    }
    FGroupPage = nullptr;
    FPrintTo.reset();
    FPass = 0;
    FPrinting = false;
    if (Failure) std::rethrow_exception(Failure);
}

void TVyrReport::BeforePrint() {
    if (OnBeforePrint) CallEventHandler(this, [this] { OnBeforePrint(this); });
}

void TVyrReport::AfterPrint() {
    if (OnAfterPrint) CallEventHandler(this, [this] { OnAfterPrint(this); });
}

void TVyrReport::KeepError(const QString& Message) {
    if (FExceptionText.isEmpty()) FExceptionText = Message;
}

bool TVyrReport::RunFailed(TComponent* Sender, std::exception_ptr Error) {
    if (!FInRun) {
        Application()->HandleException(Sender, Error);
        return false;
    }
    const QString Message = TApplication::ExceptionMessage(Error);
    if (Message.isEmpty()) return false;
    KeepError(Message);
    return true;
}

void TVyrReport::SetRepDesign(std::unique_ptr<TVyrRptDsgn> Value) {
    FRepDesign = std::move(Value);
}

void TVyrReport::SetPixelsPerInch(int Value) {
    CheckPropRange(Value, 1, VyrMaxPixelsPerInch);
    if (Value == FPixelsPerInch) return;
    FPixelsPerInch = Value;
    Invalidate();
    if (FPage) FPage->Redraw();
    Redraw();
}

void TVyrReport::SetMinimized(bool Value) {
    FMinimized = Value;
    if (HasState(csLoading | csReading)) return;
    if (FRepDesign) FRepDesign->SetMinMax();
    if (Value) {
        FSLeft = Left();
        FSTop = Top();
        FSWidth = Width();
        FSHeight = Height();
        FSAlign = Align();
        SetAlign(alNone);
        TScrollBox::SetBounds(FMLeft, FMTop, 82, 44);
    } else {
        TScrollBox::SetBounds(FSLeft, FSTop, FSWidth, FSHeight);
        SetAlign(FSAlign);
    }
    HorzScrollBar().Visible = false;
    VertScrollBar().Visible = false;
    if (FPage) FPage->DesignerModified();
    PositionButtons();
}

void TVyrReport::InsertPage(TVyrPage* APage) {
    AddToList(FPages, APage);
    APage->SetReport(this);
    FPage = APage;
}

void TVyrReport::RemovePage(TVyrPage* APage) {
    RemoveFromList(FPages, APage);
    if (FPage == APage) FPage = nullptr;
    if (APage && APage->Report() == this) APage->SetReport(nullptr);
}

TVyrGrouppage* TVyrReport::ToolAddPage(TComponent*) {
    auto* NewPage = new TVyrGrouppage(Owner());
    NewPage->SetParent(this);
    VyrAutoSetComponentName(NewPage, QStringLiteral("ReportPage"), false);
    NewPage->SetCaption(QStringLiteral(" "));
    NewPage->SetOrder(FPages ? static_cast<int>(FPages->size()) : 0);
    return NewPage;
}

void TVyrReport::PositionButtons() {
    if (FPimDestroying || HasState(csDestroying)) return;
    if (FPage) FPage->SetBounds(0, 0, 0, 0);
    if (!HasState(csDesigning)) return;
    if (FRepDesign) FRepDesign->RepositionButtons();
    HorzScrollBar().Visible = false;
    VertScrollBar().Visible = false;
}

void TVyrReport::Redraw() {
    if (HasState(csDesigning)) Invalidate();
}

bool TVyrReport::GetAllowDelete() const {
    return !HasState(csDesigning) || VyrFormGoing(this) || !Parent();
}

void TVyrReport::SaveToFile(const QString& FileName) const {
    WriteComponentFile(FileName, Owner() ? Owner() : const_cast<TVyrReport*>(this));
}

TVyrReport* TVyrReport::LoadReport(const QString& FileName, TComponent* Owner) {
    ReadComponentFile(FileName, Owner);
    for (int i = 0; i < Owner->ComponentCount(); ++i)
        if (auto* R = dynamic_cast<TVyrReport*>(Owner->Components(i))) return R;
    return nullptr;
}

void TVyrReport::SetParent(TWinControl* AParent) {
    TScrollBox::SetParent(AParent);
    if (HasState(csDesigning) && AParent) PostMessage(this, WM_VYR_CREATEPAGE);
}

void TVyrReport::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    if (HasState(csLoading | csReading)) {
        TScrollBox::SetBounds(ALeft, ATop, AWidth, AHeight);
        return;
    }
    if (FMinimized) {
        TScrollBox::SetBounds(ALeft, ATop, 82, 44);
        FMLeft = ALeft;
        FMTop = ATop;
    } else {
        TScrollBox::SetBounds(ALeft, ATop, AWidth, AHeight);
        FSLeft = ALeft;
        FSTop = ATop;
        FSWidth = AWidth;
        FSHeight = AHeight;
    }
    PositionButtons();
}

void TVyrReport::Notification(TComponent* AComponent, TOperation Operation) {
    TScrollBox::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent) {
        if (AComponent == FGroupPage) FGroupPage = nullptr;
    }
    if (Operation == opRemove && AComponent && ListHas(FPages, AComponent))
        RemovePage(static_cast<TVyrPage*>(AComponent));
}

void TVyrReport::DefineProperties(TFiler* Filer) {
    TScrollBox::DefineProperties(Filer);
    // Each value is refused outside what the layout and the design box can take, as the setters do.
    struct TIntProp {
        const char16_t* Name;
        int TVyrReport::*Field;
        int Min, Max;
    };
    static const TIntProp Ints[] = {
        {u"PixelsPerInch", &TVyrReport::FPixelsPerInch, 1, VyrMaxPixelsPerInch},
        {u"STop", &TVyrReport::FSTop, -MaxControlPosition, MaxControlPosition},
        {u"SLeft", &TVyrReport::FSLeft, -MaxControlPosition, MaxControlPosition},
        {u"SWidth", &TVyrReport::FSWidth, 0, MaxControlSize},
        {u"SHeight", &TVyrReport::FSHeight, 0, MaxControlSize},
        {u"MTop", &TVyrReport::FMTop, -MaxControlPosition, MaxControlPosition},
        {u"MLeft", &TVyrReport::FMLeft, -MaxControlPosition, MaxControlPosition},
    };
    for (const TIntProp& P : Ints) {
        Filer->DefineProperty(
            QString::fromUtf16(P.Name),
            [this, &P](const QVariant& Value) {
                CheckPropRange(Value.toLongLong(), P.Min, P.Max);
                this->*P.Field = Value.toInt();
            },
            [this, &P] { return QVariant(this->*P.Field); }, true);
    }
    Filer->DefineProperty(
        QStringLiteral("SAlign"),
        [this](const QVariant& Value) {
            const QString Ident = IdentOf(Value);
            for (size_t i = 0; i < SAlignNames.size(); ++i)
                if (Ident.compare(QString::fromUtf16(SAlignNames[i]), Qt::CaseInsensitive) == 0)
                    FSAlign = static_cast<TAlign>(i);
        },
        [this] {
            return MakeIdent(
                QString::fromUtf16(FSAlign < SAlignNames.size() ? SAlignNames[FSAlign] : SAlignNames[0]));
        },
        true);
    Filer->DefineProperty(
        QStringLiteral("Version"),
        [this](const QVariant& Value) {
            if (IdentOf(Value).compare(QStringLiteral("vPim1_0"), Qt::CaseInsensitive) == 0)
                FVersion = vPIM1_0;
        },
        [] { return MakeIdent(QStringLiteral("vPim1_0")); }, true);
}

void TVyrReport::Loaded() {
    TScrollBox::Loaded();
    if (HasState(csDesigning)) {
        SetPixelsPerInch(Screen()->PixelsPerInch());
        if (FRepDesign) FRepDesign->SetMinMax();
        Invalidate();
        return;
    }
    // The layout was made at the report's resolution: the font keeps its size in pixels.
    if (!ParentFont() && Font()->PixelsPerInch() != FPixelsPerInch) {
        Font()->SetPixelsPerInch(FPixelsPerInch);
        FontChanged();
    }
    // The run waits until every component of the form has finished loading.
    if (FAutoRun) PostMessage(this, WM_VYR_AUTORUN);
}

void TVyrReport::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_VYR_CREATEPAGE:
        if (!FPage) ToolAddPage(this);
        return;
    case WM_VYR_NOCOPYREPORT:
        NoCopyReport();
        return;
    case WM_VYR_AUTORUN:
        try {
            Run();
        } catch (...) {
            // Nobody called the run to hear why it ended.
            Application()->HandleException(this);
        }
        return;
    case CM_VISIBLECHANGED:
        // The box never shows at run time, whatever the form asks.
        if (TControl::Visible()) TScrollBox::SetVisible(false);
        return;
    default:
        TScrollBox::WndProc(Message);
    }
}

void TVyrReport::CheckDelete() {
    TScrollBox::CheckDelete();
    // The run on the stack would go on in a freed report.
    if (FPrinting)
        throw Exception(
            QStringLiteral("The report %1 is running: it can be freed once its run is done.").arg(Name()));
    if (GetAllowDelete()) return;
    if (Application()->MessageBox(LoadStr(SDeleteReport), LoadStr(SDeleteCaption), MB_YESNO) != IDYES)
        Abort();
}

void TVyrReport::NoCopyReport() {
    TStringList Lines;
    ReadClipboardText(Lines);
    for (int i = 0; i < Lines.Count(); ++i) {
        const QString& Line = Lines[i];
        // A report button's line names its class after the report's.
        if (Line.contains(QStringLiteral(": TVyrReport")) && Line.contains(QStringLiteral("object")) &&
            !Line.contains(QStringLiteral(": TVyrReportButton"))) {
            QGuiApplication::clipboard()->clear();
            throw Exception(QStringLiteral("You cannot copy a report."));
        }
    }
}

void TVyrReport::BeforeDestruction() {
    FPimDestroying = true;
    if (FPrinting) try {
            EndReport();
        } catch (...) {
        }
    // The companion takes its buttons and rulers off the report itself, before the report frees
    // its children.
    FRepDesign.reset();
    TScrollBox::BeforeDestruction();
}

// Published properties and classes of stored forms

namespace {

[[maybe_unused]] const bool Declared = [] {
    DeclareProperties<TVyrReport, TControl>()
        .Boolean("Prompt", &TVyrReport::Prompt, &TVyrReport::SetPrompt)
        .Default(true)
        .Boolean("AutoRun", &TVyrReport::AutoRun, &TVyrReport::SetAutoRun)
        .Default(false)
        .Boolean("Minimized", &TVyrReport::Minimized, &TVyrReport::SetMinimized)
        .Default(false)
        .Event("OnPromptPrint", &TVyrReport::OnPromptPrint)
        .Event("OnBeforePrint", &TVyrReport::OnBeforePrint)
        .Event("OnAfterPrint", &TVyrReport::OnAfterPrint)
        .Boolean("SuppressStatus", &TVyrReport::SuppressStatus, &TVyrReport::SetSuppressStatus)
        .Default(false);
    RegisterClasses<TVyrReport>();
    return true;
}();

} // namespace

TVyrDesignCreate VyrDesignCreate;

void ResetVyrDesignCreate() {
    VyrDesignCreate = nullptr;
}

TVyrOverrideEvent CustomPreview;
TVyrOverridePromptEvent CustomPrompt;
TVyrOverrideEvent CustomStatus;

void ResetCustomHooks() {
    CustomPreview = nullptr;
    CustomPrompt = nullptr;
    CustomStatus = nullptr;
}
