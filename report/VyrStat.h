#pragma once
#include "host/classes.h"
#include "host/forms.h"
#include "report/PimPage.h"

#include <QString>
#include <functional>
#include <memory>

class QDialog;
class QLabel;
class QPushButton;
class QFrame;
class TPimMeter;

// The window that shows a run's progress: what the run does, the page and the percentage done, with
// an Abort button that asks whether to discard the report, keep what was made, or go on.
//
// A run shows it with Start, which hooks the window into the page's status updates: the page's own
// OnUpdateStatus keeps running after the window's, and is put back at the end status (ssEnd), by
// Finish and when the window is freed. At ssEnd the window closes and frees itself (later, from the
// message queue); Finish does the same for a run that ended another way (an exception), so the
// run driver calls it from its end on every path. Hold the window in a TComponentRef: it reads
// nullptr once the window is gone.
class TFormPrintStatus : public TCustomForm {
public:
    explicit TFormPrintStatus(TComponent* AOwner);
    ~TFormPrintStatus() override;

    QWidget* Widget() const override;

    // The window closes itself (it is not the user closing it).
    bool Closing() const { return FClosing; }
    TComponent* Report() const { return FReport; }
    void SetReport(TComponent* Value) { FReport = Value; }
    TVyrPage* Page() const { return FPage.Get(); }

    // Hooks the window into APage's status updates, shows it non-modally and processes pending
    // messages.
    void Start(TVyrPage* APage);
    // The page's status event (a TVyrOnUpdateStatus handler).
    void UpdateStatus(TVyrPage* APage, TVyrStatus Stat);
    // Puts the page's own status handler back, hides the window and frees it later; nothing when it
    // already did. Never raises.
    void Finish();

    // The abort question (also the Abort button and the window's close box): Yes calls OnAbort with
    // Discard true, No with Discard false, Cancel nothing. Without OnAbort, Yes and No only set the
    // page's AbortPrinting.
    void AskAbort();
    void abortbuttonClick() { AskAbort(); }
    std::function<void(TVyrPage* Page, bool Discard)> OnAbort;

    // What the window shows, for tests and for a status shown some other way.
    QString WaitText() const;
    QString PageText() const;
    int Progress() const;

    void BeforeDestruction() override;

protected:
    void DoShow() override;
    void DoClose(TCloseAction& Action) override;

private:
    struct THook;
    void FormCreate();
    void HookedStatus(TVyrPage* APage, TVyrStatus Stat);
    void Detach();

    std::unique_ptr<QDialog> FDialog;
    QFrame* FPanel1 = nullptr;
    QLabel* FlbWait = nullptr;
    QLabel* FlbPage = nullptr;
    QPushButton* FAbortbutton = nullptr;
    QLabel* Fpagenumber = nullptr;
    TPimMeter* FLoadMeter = nullptr; // owned as a component
    bool FClosing = false;
    TComponent* FReport = nullptr;       // not owned
    TComponentRef<TVyrPage> FPage;       // the page whose status is hooked
    TVyrOnUpdateStatus FUserUpdateStatus; // the page's own handler, called after the window's
    bool FHooked = false;
    bool FFinished = false;
    std::unique_ptr<QObject> FCloseFilter;
};
