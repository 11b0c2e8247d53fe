#pragma once
#include "host/controls.h"
#include "host/lists.h"
#include "host/messages.h"

#include <algorithm>
#include <cassert>
#include <functional>
#include <memory>
#include <vector>

class TFormPrintStatus;
class TPimOutput;
class TVyrGrouppage;
class TVyrPage;
class TVyrPageSetup;
class TVyrReport;

// The registries of the report engine: a list made on the first insert that holds each entry once,
// and is freed again when its last entry leaves.
template <class T, class U> void AddToList(std::unique_ptr<std::vector<T*>>& List, U* Item) {
    if (!Item) return;
    if (!List) List = std::make_unique<std::vector<T*>>();
    if (std::find(List->begin(), List->end(), Item) == List->end()) List->push_back(Item);
}

// For an item its caller has just taken out of every list of its kind (a label that left its band):
// a form of many labels is read without searching the list for each.
template <class T, class U> void AppendToList(std::unique_ptr<std::vector<T*>>& List, U* Item) {
    if (!Item) return;
    if (!List) List = std::make_unique<std::vector<T*>>();
    assert(std::find(List->begin(), List->end(), Item) == List->end());
    List->push_back(Item);
}

template <class T, class U> void RemoveFromList(std::unique_ptr<std::vector<T*>>& List, U* Item) {
    if (!List || !Item) return;
    EraseLast(*List, static_cast<T*>(Item));
    if (List->empty()) List.reset();
}

template <class T, class U> bool ListHas(const std::unique_ptr<std::vector<T*>>& List, const U* Item) {
    return List && std::find(List->begin(), List->end(), Item) != List->end();
}

// A control's parent seen as T: worked out again only when the parent is another one, since the
// engine asks for its page or band at every record. The holder forgets it whenever it changes
// parents.
template <class T> class TParentAs {
public:
    T* Of(const TControl* Control) const {
        TWinControl* Parent = Control->Parent();
        if (Parent != FParent) {
            FParent = Parent;
            FAs = dynamic_cast<T*>(Parent);
        }
        return FAs;
    }
    void Forget() {
        FParent = nullptr;
        FAs = nullptr;
    }

private:
    mutable TWinControl* FParent = nullptr;
    mutable T* FAs = nullptr;
};

class TStringList;

// The clipboard's text, one line an entry; and putting text on it. Without a GUI there is no
// clipboard: nothing is read or written.
void ReadClipboardText(TStringList& Lines);
void WriteClipboardText(const QString& Text);

// The form that holds Component is being freed: its components go without asking.
inline bool VyrFormGoing(const TComponent* Component) {
    return Component->HasState(csDestroying) ||
           (Component->Owner() && Component->Owner()->HasState(csDestroying));
}

// Frees a page, band or group that refuses to be deleted outside the band manager. When freeing is
// refused all the same, the component stays, no longer allowed, and the refusal goes no further.
template <class T> void VyrSafeDelete(T* Component) {
    Component->SetAllowDelete(true);
    try {
        Component->Free();
    } catch (...) {
        Component->SetAllowDelete(false);
    }
}

// What the design package does for a report being designed. The runtime calls these and expects
// nothing of them: every body here is empty.
class TVyrRptDsgn {
public:
    virtual ~TVyrRptDsgn();
    virtual void RepositionButtons() {}
    virtual void SetMinMax() {}
    // On return the page's band manager is set when one could be made.
    virtual void CreatePageManager() {}
    virtual void RedrawRuler() {}
    virtual void RulerXY(int, int) {}
    virtual void RulerUpdate() {}
    virtual void RulerInvalid() {}
    virtual bool VyrDropOK(TComponent*) { return false; }
    virtual void VyrDroplabels(TComponent*, TComponent*, int, int) {}
};

// Makes the design companion of a report being designed and hands it to the report's SetRepDesign.
using TVyrDesignCreate = std::function<void(TVyrReport* Report)>;
// Set by the design package; empty until then, and a report is designed without a companion.
extern TVyrDesignCreate VyrDesignCreate;
// Empties the hook again, as the process starts.
void ResetVyrDesignCreate();

enum TVyrVersion : uint8_t { vPIM1_0 };

using TVyrPromptPrintEvent = std::function<void(TVyrPage* Page, bool& Result)>;
using TVyrReportPrintEvent = std::function<void(TVyrReport* Report)>;
using TVyrOverrideEvent = std::function<void(TVyrPage* Page)>;
using TVyrOverridePromptEvent = std::function<void(TVyrPage* Page, bool& Result)>;

// The application's replacement for the viewer of a screen run.
extern TVyrOverrideEvent CustomPreview;
// The application's replacement for the destination dialog of a report without OnPromptPrint:
// Result starts false; true runs the report.
extern TVyrOverridePromptEvent CustomPrompt;
// The application's own status display, called at the start of each pass instead of the status
// window.
extern TVyrOverrideEvent CustomStatus;
// Clears the application's replacement hooks, as the process starts.
void ResetCustomHooks();

// Makes the viewer window the screen destination of a run shows its document in as it grows. Done
// when the library loads; tests that replaced the page's viewer factory put it back with this.
void VyrInstallPageViewerFactory();

// The component an application drops on a form: it holds the report's pages, runs the first of
// them, and carries the geometry of its design box.
// The resolutions a layout may have. Every length of the page setup becomes pixels at this
// resolution; up to VyrMaxPageLength that is at most 10^8 pixels.
inline constexpr int VyrMaxPixelsPerInch = 10000;

class TVyrReport : public TScrollBox {
public:
    explicit TVyrReport(TComponent* AOwner);
    ~TVyrReport() override;

    // The design companion; the report owns it and frees it before its children. Nothing at run
    // time.
    TVyrRptDsgn* RepDesign() const { return FRepDesign.get(); }
    void SetRepDesign(std::unique_ptr<TVyrRptDsgn> Value);
    const std::vector<TVyrPage*>* Pages() const { return FPages.get(); }
    TVyrPage* Page() const { return FPage; }
    bool Prompt() const { return FPrompt; }
    void SetPrompt(bool Value) { FPrompt = Value; }
    int PixelsPerInch() const { return FPixelsPerInch; }
    // Raises EPropertyError outside 1 .. VyrMaxPixelsPerInch.
    void SetPixelsPerInch(int Value);
    bool AutoRun() const { return FAutoRun; }
    void SetAutoRun(bool Value) { FAutoRun = Value; }
    int STop() const { return FSTop; }
    int SLeft() const { return FSLeft; }
    int SWidth() const { return FSWidth; }
    int SHeight() const { return FSHeight; }
    int MTop() const { return FMTop; }
    int MLeft() const { return FMLeft; }
    TAlign SAlign() const { return FSAlign; }
    bool Minimized() const { return FMinimized; }
    void SetMinimized(bool Value);
    TVyrVersion Version() const { return FVersion; }
    bool CancelPrintJob() const { return FCancelPrintJob; }
    // The abort question's "discard": the output is thrown away and no further pass runs.
    void SetCancelPrintJob(bool Value) { FCancelPrintJob = Value; }
    bool DesignPreview() const { return FDesignPreview; }
    void SetDesignPreview(bool Value) { FDesignPreview = Value; }
    bool SuppressStatus() const { return FSuppressStatus; }
    void SetSuppressStatus(bool Value) { FSuppressStatus = Value; }
    bool Printing() const { return FPrinting; }
    const QString& ExceptionText() const { return FExceptionText; }
    void SetExceptionText(const QString& Value) { FExceptionText = Value; }
    // Whether Run is under way: what goes wrong in the run is raised by Run then, to its caller.
    bool InRun() const { return FInRun; }
    // The pass being run, 1 or 2; 0 outside a run.
    int Pass() const { return FPass; }
    // An error the run cannot go on from, called in the catch that caught it. Under Run the report
    // keeps the first one to raise once the run has ended, and the result is true: generation is to
    // stop. With the steps driven by hand nobody would raise it, so the application's handler hears
    // it at once. The silent abort is dropped.
    bool RunFailed(TComponent* Sender, std::exception_ptr Error);

    // Runs the first page from the destination question to its last page. Raises what ended the
    // run (a run that could not start, its data failing, a generation error, a printer error), the
    // first such error and only once: the application's handler does not hear it as well. A
    // cancelled destination question ends it quietly. Does nothing while a run is in progress.
    void Run();
    // Generation stops after the current record.
    void AbortReport();
    // The steps of Run. InitReport is false when no run was started (one already in progress, no
    // page, the destination cancelled, a failure kept in ExceptionText).
    bool InitReport();
    void ProcessReport();
    void Process();
    // Ends the run on every path: the status window closed, the page setup of the page that ran
    // restored from its copy, the page let go of its output and data. Printing is false afterwards
    // also when a step raises; the first such exception reaches the caller.
    void EndReport();
    virtual bool PromptPrint(TVyrPage* APage);
    virtual void BeforePrint();
    virtual void AfterPrint();

    void InsertPage(TVyrPage* APage);
    void RemovePage(TVyrPage* APage);
    // Adds a group page named from "ReportPage".
    TVyrGrouppage* ToolAddPage(TComponent* Sender = nullptr);
    void PositionButtons();
    void Redraw();
    bool GetAllowDelete() const;

    // Writes the form that holds the report; loading reads such a form into Owner and returns the
    // report it holds.
    void SaveToFile(const QString& FileName) const;
    static TVyrReport* LoadReport(const QString& FileName, TComponent* Owner);

    void SetParent(TWinControl* AParent) override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void DefineProperties(TFiler* Filer) override;
    void Loaded() override;
    void WndProc(TMessage& Message) override;
    void CheckDelete() override;
    void BeforeDestruction() override;
    // Refuses a report copied to the clipboard as text: clears it and raises.
    void NoCopyReport();

    TVyrPromptPrintEvent OnPromptPrint;
    TVyrReportPrintEvent OnBeforePrint;
    TVyrReportPrintEvent OnAfterPrint;

private:
    void ShowStatus();
    void CloseStatus();
    void EndPass();
    void DiscardViewer();
    // The first error of a run is the one Run raises.
    void KeepError(const QString& Message);

    std::unique_ptr<TVyrRptDsgn> FRepDesign;
    std::unique_ptr<std::vector<TVyrPage*>> FPages;
    TVyrPage* FPage = nullptr;
    bool FPrompt = true;
    int FPixelsPerInch = 96;
    bool FAutoRun = false;
    int FSTop = 0;
    int FSLeft = 0;
    int FSWidth = 800;
    int FSHeight = 400;
    int FMTop = 0;
    int FMLeft = 0;
    TAlign FSAlign = alNone;
    bool FMinimized = false;
    TVyrVersion FVersion = vPIM1_0;
    bool FCancelPrintJob = false;
    bool FDesignPreview = false;
    bool FSuppressStatus = false;
    bool FPrinting = false;
    TVyrPage* FGroupPage = nullptr; // the page being run: the first; cleared on removal
    bool FSavePrompt = true;
    bool FPromptSaved = false;
    std::unique_ptr<TVyrPageSetup> FSaveSetup;
    std::unique_ptr<TPimOutput> FPrintTo;
    TComponentRef<TFormPrintStatus> FStatusWin; // frees itself at the end of a pass
    int FPassCount = 1;
    int FPass = 0;
    QString FExceptionText;
    bool FPimDestroying = false;
    bool FInRun = false; // Run is on the stack
};
