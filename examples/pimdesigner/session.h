#pragma once
#include "uidriver.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class TDesignerWindow;
class TFormEditor;
class TListBox;
class TPimDropLabels;
class TVyrDSVariableOptions;
class TVyrPage;
class TVyrPageManager;
class TVyrReport;
class TVyrReportDesign;

// One thing a user does in a design tool window of a report.
struct TToolAction {
    // "BandManager", "DataControl" or "FastLabels".
    QString Window;
    // The list, grid, button or drop-down list acted on, by its component name.
    QString Control;
    // The item of a list or grid clicked first (empty: none, and the right click goes below the
    // items); for a drop-down list, the entry chosen.
    QString Select;
    // The entries chosen from the popup menu that a right click on the control shows; empty for a
    // button (a click), a drop-down list, the box of a grid's row and a drag.
    QStringList Path;
    // For a drag: the list of the same window the item is dropped on.
    QString DropOn = {};

    // "Control Select: Path" (or "Control Select -> DropOn"), as tables of expected states name it.
    QString Text() const;
};

// Every right-click action of the band manager and the data control centre of examples/orders.rep,
// and the buttons and choices of its fast label window, in an order in which each finds something
// to work on.
const std::vector<TToolAction>& OrdersToolActions();

// The tool windows of the first report of the form a designer window designs, worked through the
// windows' own events.
class TToolWindows {
public:
    explicit TToolWindows(TDesignerWindow& Window);

    TVyrReport* Report() const { return FReport; }
    TVyrPage* Page() const { return FPage; }
    TVyrPageManager* BandManager() const;
    TVyrDSVariableOptions* DataControl() const;
    TPimDropLabels* FastLabels() const;

    // Presses the report's tool button of that caption ("Band", "Data", "Fast", "Run", ...) on the
    // form view and lets the event loop handle what it posted.
    bool PressTool(const QString& Caption, Qt::MouseButton Button = Qt::LeftButton);
    // Opens a tool window through its button; false when it did not show.
    bool Open(const QString& Window);
    // Does Action. For a right-click action, what came of the popup; otherwise Chosen tells whether
    // the control was found.
    TMenuChoice Do(const TToolAction& Action);
    // What the control of Action (the list dropped on, for a drag) shows: the items of a list or the
    // rows of a grid, comma separated, the selected ones (the current row of a grid) marked "*", a
    // guide that makes its variables " auto"; "down" or "up" for a button, with the columns of the
    // fast label window's variables; the chosen entry of a drop-down list, then those variables.
    QString State(const TToolAction& Action) const;

    // A left click on item Index of List, Keys held; a drag of the selected items of From, pressed on
    // item Index, dropped at Global (screen coordinates).
    void ClickItem(TListBox* List, int Index, Qt::KeyboardModifiers Keys = Qt::NoModifier);
    void DragItem(TListBox* From, int Index, QPoint Global);
    // Where item Index of List lies in its view; below the items for -1.
    static QPoint ItemPoint(TListBox* List, int Index);
    // Closes every viewer window that reports opened.
    static void CloseViewers();

private:
    TListBox* ListNamed(const QString& Window, const QString& Control) const;

    TDesignerWindow& FWindow;
    TFormEditor& FEditor;
    TVyrReport* FReport = nullptr;
    TVyrReportDesign* FDesign = nullptr;
    TVyrPage* FPage = nullptr;
};

// An afternoon's work on a form, done through the windows' own events as a user does it: the form
// opened; every action of OrdersToolActions; the data control centre's buttons; a fast label drop
// and its undo; the overview and diagnostic reports; a run,
// during which a band it prints is deleted from the band manager; the form saved and read back.
// Message boxes are answered Yes (else Ok), other modal windows closed. Window must be shown. Log
// hears each step. Returns the faults found, one line each; none when every step did what it should.
QStringList RunDesignerSession(TDesignerWindow& Window, const QString& FileName, const QString& SaveAs,
                               const std::function<void(const QString& Step)>& Log = nullptr);
