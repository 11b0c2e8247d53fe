#pragma once
#include "host/forms.h"
#include "output/PimOut.h"
#include "output/PimTypes.h"

#include <QString>
#include <functional>
#include <memory>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QMainWindow;
class QMenu;
class QMenuBar;
class QObject;
class QToolButton;
class QWidget;
class TPimExportFilter;
class TPimMeter;
class TPimPimFile;
class TPimPreview;

// What a viewer is busy with; while it is busy nothing may replace the document it shows.
enum TPimViewerModes : uint8_t { vmGenerating = 0x01, vmPrinting = 0x02 };
using TPimViewerMode = uint8_t;

class TPimViewer;
using TPimViewEvent = std::function<void(TPimViewer* Viewer)>;

// The folder both file dialogs of a viewer start in.
extern QString PimViewerDir;
// Called with every viewer as it is made, so an application can adjust it.
extern TPimViewEvent PimViewEvent;
// Empties both.
void PimResetViewerGlobals();

// The save dialog's filter: the document file, then each registered export filter in list order.
QString PimBuildExportFilter();
// The name a file gets when the save dialog switches to the type of Pattern, a filter's extension
// list such as "*.htm;*.html": a name that already has one of the list's extensions keeps it, another
// gets the list's first one. A pattern with no extension or a wildcard one leaves the name alone.
QString PimChangeFileType(const QString& FileName, const QString& Pattern);
// The same for the save dialog's filter FilterIndex (1 = the document file).
QString PimTypeChangeFileName(const QString& FileName, int FilterIndex);
// Hands Document to Filter: saved into a temporary file when the document has spilled to disk, else
// into memory, then GenerateToFile with FileName and CurrentPage. The copy is removed afterwards, also
// when the filter fails.
void PimExportDocument(TPimPimFile& Document, TPimExportFilter& Filter, const QString& FileName,
                       int CurrentPage);

// The viewer window: a toolbar, a menu and two previews, the right one shown on demand. It shows a
// document while a print job records it, with progress and a Stop button, and a finished or loaded
// one; it opens, saves, exports and prints. Every control's Qt object name is its field name.
//
// A viewer shown modelessly frees itself when closed; a modal one is freed by whoever showed it.
class TPimViewer : public TCustomForm, public TPimJobViewer {
public:
    explicit TPimViewer(TComponent* AOwner);
    ~TPimViewer() override;

    void BeforeDestruction() override;
    QWidget* Widget() const override;
    void SetVisible(bool Value) override;

    // TPimJobViewer
    void SetGenerating(bool Value) override;
    // Shows a document still being recorded; generation ends when that document is complete.
    void SetPimFile(std::shared_ptr<TPimPimFile> Value) override;
    void Show() override { TCustomForm::Show(); }
    void UpdatePage() override;

    bool Generating() const { return FGenerating; }
    TPimViewerMode ViewerMode() const { return FViewerMode; }
    TPimPreview* CurrentPreview() const { return FCurrentPreview; }
    TPimPreview* LeftPreview() const { return FLeftPreview; }
    TPimPreview* RightPreview() const { return FRightPreview; }
    TPimMeter* LoadMeter() const { return FLoadMeter; }
    double GetLoadPercent() const;

    void SetZoom(TPimZoom Zoom);
    void SelectPreview(TPimPreview* Preview);
    void UpdateStatus(TComponent*) { UpdatePage(); }
    void UpdateControls();
    // Key handling of the window; returns whether the key was used.
    bool FormKeyDown(int Key, Qt::KeyboardModifiers Shift);

    // Commands of the toolbar and the menu.
    void OpenClick();
    void CloseDocumentClick();
    void SaveClick();
    void PrintClick();
    void PrintAtOnce();
    void PrinterSetupClick();
    void StopClick();
    void GotoPageClick();
    void ZoomValuesChange();
    void ToolBarDblClick();
    void TwoPagesClick();
    void SynchronizedClick();
    void ViewToolbarClick();
    void KeyboardHelpClick();
    void FirstPageClick();
    void PriorPageClick();
    void NextPageClick();
    void LastPageClick();
    // The divider's drag; X is relative to the divider.
    void DividerMouseDown(int X);
    void DividerMouseMove(int X);
    void DividerMouseUp(int X);

    // Set by the job that records the shown document; called once by Stop or by closing while
    // generating, then cleared.
    std::function<void(TComponent* Sender)> OnAbort;

protected:
    void DoClose(TCloseAction& Action) override;

private:
    class TEvents;
    friend class TEvents;

    void BuildWindow();
    void FormCreate();
    QToolButton* SpeedButton(const char* Name, int X, int Width, const QString& Hint);
    QAction* Item(QMenu* Menu, const char* Name, const QString& Caption, void (TPimViewer::*Handler)());
    void LayoutPreviews();
    void PreviewScrolled(TPimPreview* Sender);
    TPimPreview* OtherPreview() const;
    void RunPrint(int StartPage, int EndPage, bool IgnorePrinterSettings);
    void Call(void (TPimViewer::*Handler)());

    std::unique_ptr<QMainWindow> FWindow;
    std::unique_ptr<TEvents> FEvents;
    QMenuBar* FMainMenu1 = nullptr;
    QMenu* FFile1 = nullptr;
    QAction* FOpen1 = nullptr;
    QAction* FSynchronized = nullptr;
    QAction* FViewToolbar = nullptr;
    QAction* FTwoPages = nullptr;
    QWidget* FToolBar = nullptr;
    QToolButton* FbtnOpen = nullptr;
    QToolButton* FbtnSave = nullptr;
    QToolButton* Fsendprinter = nullptr;
    QComboBox* FZoomValues = nullptr;
    QLabel* FPageNum = nullptr;
    QToolButton* FStop = nullptr;
    QWidget* FArea = nullptr; // below the toolbar: previews, divider and the drag line
    QFrame* FDivider = nullptr;
    QFrame* FCursorPosition = nullptr;
    TPimMeter* FLoadMeter = nullptr;      // owned as a component
    TPimPreview* FLeftPreview = nullptr;  // owned as a component
    TPimPreview* FRightPreview = nullptr; // owned as a component
    TPimPreview* FCurrentPreview = nullptr;
    int FRightWidth = 374;
    bool FMouseIsDown = false;
    bool FShowFirst = true;
    bool FGenerating = false;
    TPimViewerMode FViewerMode = 0;
    // The document a job records into; generation ends when it is complete.
    std::weak_ptr<TPimPimFile> FRecording;
    // Closing was asked for while printing: the window closes when the print run is over.
    bool FCloseAfterPrint = false;
    bool FDestroying = false;
    bool FUpdatingPage = false;
    QString FInitialDir;
};

// Installs the factory through which a print job to the screen makes its viewer. Done when the
// library loads; tests that replaced the factory put it back with this.
void PimInstallViewerFactory();

// Shows a stored document in a modal viewer. Load errors reach the caller; no window is shown then.
void PimFileView(const QString& FileName);
