#include "session.h"
#include "designerwindow.h"

#include "design/Pageman.h"
#include "design/PimDrop.h"
#include "design/VyrVOpt.h"
#include "design/Vyrrepds.h"
#include "host/buttons.h"
#include "host/combobox.h"
#include "host/grids.h"
#include "host/listbox.h"
#include "host/lists.h"
#include "report/PimPage.h"
#include "report/VyrCtrl.h"
#include "report/VyrRep.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

QString TToolAction::Text() const {
    QString Result = Control;
    if (!Select.isEmpty()) Result += u' ' + Select;
    if (!Path.isEmpty()) Result += QStringLiteral(": ") + Path.join(QStringLiteral(" > "));
    if (!DropOn.isEmpty()) Result += QStringLiteral(" -> ") + DropOn;
    return Result;
}

const std::vector<TToolAction>& OrdersToolActions() {
    static const std::vector<TToolAction> Actions = [] {
        const QString B = QStringLiteral("BandManager"), D = QStringLiteral("DataControl"),
                      F = QStringLiteral("FastLabels");
        std::vector<TToolAction> List = {
            {B, "BandList", "Detail", {"AddSubBand1", "Below1"}},
            {B, "BandList", "Detail", {"AddSubBand1", "Above1"}},
            {B, "BandList", "DetailBandSub1", {"MoveDown1"}},
            {B, "BandList", "DetailBandSub1", {"MoveUp1"}},
            {B, "BandList", "Detail", {"AddDataBand1", "No DataSource"}},
            {B, "BandList", "Detail", {"AddDataBand1", "OrdersSource"}},
            {B, "BandList", "Data", {"AddHeadFoot1", "DataHeader1"}},
            {B, "BandList", "Data", {"AddHeadFoot1", "DataFooter1"}},
            {B, "BandList", "Data", {"MoveDown1"}},
            {B, "BandList", "Data", {"MoveUp1"}},
            {B, "BandList", "Detail", {"AddOverlay1", "PrintFirst1"}},
            {B, "BandList", "Detail", {"AddOverlay1", "PrintLast1"}},
            {B, "BandList", "OverlayBand", {"MoveDown1"}},
            {B, "BandList", "OverlayBand", {"Delete1"}},
            {B, "BandList", "OverlayBand1", {"Delete1"}},
            {B, "BandList", "Data", {"Delete1"}},
            {B, "BandList", "Data1", {"Delete1"}},
            {B, "BandList", "DetailBandSub1", {"Delete1"}},
            {B, "grouplist", "", {"GroupAdd"}},
            {B, "grouplist", "Group", {"MoveUp"}},
            {B, "grouplist", "Group", {"MoveDown"}},
            {B, "grouplist", "Group", {"GroupDelete"}},
            {D, "clist", "", {"clistSelectAll"}},
            {D, "clist", "", {"clistSelectUnused"}},
            {D, "DataSourceList", "OrdersSource", {"RevertToAncestor1"}},
            {D, "DataSourceList", "OrdersSource", {"DeleteDsgItem"}},
            {D, "DataSourceList", "", {"AddDsgItem", "OrdersSource"}},
            {D, "DataSourceList", "OrdersSource", {}},
            {D, "clist", "amount", {"UnDefine1"}},
            {D, "flist", "", {"flistSelectAll"}},
            {D, "flist", "amount", {"Define1"}},
            {D, "ExprVarList", "", {"ExprSelectAll"}},
            {D, "ExprVarList", "", {"ExprSelectUnused"}},
            {D, "clist", "amount", {}, "TotalVarList"},
            {D, "TotalVarList", "", {"TotalSelectAll"}},
            {D, "TotalVarList", "", {"TotalSelectUnused"}},
            {D, "TotalVarList", "", {"TotalDelete"}},
            {D, "DBVarList", "", {"Add1"}},
            {D, "DBVarList", "", {"DBSelectAll"}},
            {D, "DBVarList", "", {"DBSelectUnused"}},
            {D, "DBVarList", "DB", {"DBDelete"}},
        };
        for (const char* Type :
             {"String", "Float", "Integer", "Boolean", "DateTime", "Blob", "Memo", "Graphic", "Currency"})
            List.push_back({D, "ExprVarList", "", {"AddExpressionType", QString::fromLatin1(Type)}});
        List.push_back({D, "ExprVarList", "", {"ExprSelectUnused"}});
        List.push_back({D, "ExprVarList", "", {"ExprDelete"}});
        for (const char* Button :
             {"sbHorizdiv", "sbHoriz", "sbLeft", "sbTop", "SpeedButton2", "SpeedButton3", "sbVert"})
            List.push_back({F, Button, "", {}});
        for (const char* Kind : {"Expression", "Total", "System", "Manual DB", "OrdersSource", "All"})
            List.push_back({F, "VariableSelection", Kind, {}});
        List.push_back({F, "TextBand", "PageHeaderBand", {}});
        List.push_back({F, "TextBand", "No Text Label", {}});
        return List;
    }();
    return Actions;
}

// TToolWindows

TToolWindows::TToolWindows(TDesignerWindow& Window) : FWindow(Window), FEditor(Window.Editor()) {
    for (int i = 0; FEditor.Root() && i < FEditor.Root()->ComponentCount() && !FReport; ++i)
        FReport = dynamic_cast<TVyrReport*>(FEditor.Root()->Components(i));
    FDesign = FReport ? dynamic_cast<TVyrReportDesign*>(FReport->RepDesign()) : nullptr;
    FPage = FReport ? FReport->Page() : nullptr;
}

TVyrPageManager* TToolWindows::BandManager() const {
    return FPage ? dynamic_cast<TVyrPageManager*>(FPage->PageManager()) : nullptr;
}

TVyrDSVariableOptions* TToolWindows::DataControl() const {
    TVyrPageManager* Manager = BandManager();
    return Manager ? dynamic_cast<TVyrDSVariableOptions*>(Manager->DataControl()) : nullptr;
}

TPimDropLabels* TToolWindows::FastLabels() const {
    return FDesign ? FDesign->DropForm() : nullptr;
}

bool TToolWindows::PressTool(const QString& Caption, Qt::MouseButton Button) {
    for (int i = 0; FReport && i < FReport->ControlCount(); ++i)
        if (auto* B = dynamic_cast<TSpeedButton*>(FReport->Controls(i)); B && B->Caption() == Caption) {
            ClickView(FWindow.FormView(), FEditor.FormRect(B).center(), Button);
            HandlePendingEvents();
            return true;
        }
    return false;
}

bool TToolWindows::Open(const QString& Window) {
    auto Shown = [](TCustomForm* Form) { return Form && Form->Widget() && Form->Widget()->isVisible(); };
    if (Window == QStringLiteral("BandManager")) {
        if (!Shown(BandManager())) PressTool(QStringLiteral("Band"));
        return Shown(BandManager());
    }
    if (Window == QStringLiteral("DataControl")) {
        if (!Shown(DataControl())) PressTool(QStringLiteral("Data"));
        return Shown(DataControl());
    }
    if (Window == QStringLiteral("FastLabels")) {
        if (!Shown(FastLabels())) {
            PressTool(QStringLiteral("Fast"));
            // Out of the way of the form, as a user would put it.
            if (Shown(FastLabels())) FastLabels()->Widget()->move(FWindow.geometry().right() + 20, 0);
        }
        return Shown(FastLabels());
    }
    return false;
}

TListBox* TToolWindows::ListNamed(const QString& Window, const QString& Control) const {
    TComponent* Form = Window == QStringLiteral("BandManager")   ? static_cast<TComponent*>(BandManager())
                       : Window == QStringLiteral("DataControl") ? static_cast<TComponent*>(DataControl())
                                                                 : static_cast<TComponent*>(FastLabels());
    return Form ? dynamic_cast<TListBox*>(Form->FindComponent(Control)) : nullptr;
}

QPoint TToolWindows::ItemPoint(TListBox* List, int Index) {
    if (Index < 0) return ViewPointOf(List, List, QPoint(List->ClientWidth() / 2, List->ClientHeight() - 2));
    const TRect R = List->ItemRect(Index);
    return ViewPointOf(List, List, QPoint(R.Left + 10, (R.Top + R.Bottom) / 2));
}

void TToolWindows::ClickItem(TListBox* List, int Index, Qt::KeyboardModifiers Keys) {
    List->MakeVisible(Index);
    ClickView(List->Widget(), ItemPoint(List, Index), Qt::LeftButton, Keys);
}

void TToolWindows::DragItem(TListBox* From, int Index, QPoint Global) {
    QWidget* View = From->Widget();
    From->MakeVisible(Index);
    const QPoint Start = ItemPoint(From, Index);
    const QPoint End = View->mapFromGlobal(Global);
    QMouseEvent Press(QEvent::MouseButtonPress, QPointF(Start), QPointF(View->mapToGlobal(Start)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(View, &Press);
    MoveInView(View, Start + QPoint(10, 10), Qt::LeftButton);
    MoveInView(View, End, Qt::LeftButton);
    QMouseEvent Release(QEvent::MouseButtonRelease, QPointF(End), QPointF(Global), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(View, &Release);
    HandlePendingEvents();
}

void TToolWindows::CloseViewers() {
    for (QWidget* W : QApplication::topLevelWidgets())
        if (W->objectName() == QStringLiteral("PimViewer") && W->isVisible()) W->close();
    HandlePendingEvents();
}

namespace {

QPoint Middle(const TRect& R) {
    return QPoint((R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2);
}

// Chooses Entry from the drop-down list of Box as a user does: dropped down with the key (so that
// the click on the entry is not taken for the end of a click that opened it), then the entry clicked.
bool ChooseInBox(QComboBox* Box, const QString& Entry) {
    const int Index = Box->findText(Entry);
    if (Index < 0) return false;
    bool Chosen = false;
    FromEventLoop([&] {
        PressKey(Box, Qt::Key_F4);
        QAbstractItemView* List = Box->view();
        if (!List->isVisible()) return;
        ClickView(List->viewport(), List->visualRect(Box->model()->index(Index, 0)).center());
        Chosen = true;
    });
    HandlePendingEvents();
    return Chosen;
}

} // namespace

TMenuChoice TToolWindows::Do(const TToolAction& Action) {
    TMenuChoice Result;
    if (!Open(Action.Window)) return Result;
    if (Action.Window == QStringLiteral("FastLabels")) {
        TPimDropLabels* Tool = FastLabels();
        TComponent* C = Tool->FindComponent(Action.Control);
        if (auto* Button = dynamic_cast<TSpeedButton*>(C)) {
            ClickView(Tool->Widget(), ViewCentreOf(Button, Tool));
            Result.Chosen = true;
        } else if (auto* Box = dynamic_cast<TComboBox*>(C)) {
            Result.Chosen = Box->View() && ChooseInBox(Box->View(), Action.Select);
        }
        return Result;
    }
    if (Action.Control == QStringLiteral("DataSourceList")) {
        TStringGrid* Grid = DataControl()->DataSourceList;
        int Row = 0;
        for (int r = 0; r < Grid->RowCount(); ++r)
            if (Grid->Cells(1, r) == Action.Select) Row = r;
        const QPoint At = ViewPointOf(Grid, Grid, Middle(Grid->CellRect(1, Row)));
        if (!Action.Select.isEmpty()) ClickView(Grid->Widget(), At);
        if (!Action.Path.isEmpty()) return RightClickChoose(Grid->Widget(), At, Action.Path);
        // No menu: the row's box that makes the guide's variables.
        const std::vector<std::unique_ptr<TDsgItem>>& Rows = DataControl()->DsgList;
        if (Row < int(Rows.size())) {
            ClickView(Grid->Widget(), ViewPointOf(Grid, Grid, Middle(Rows[size_t(Row)]->CheckRect)));
            HandlePendingEvents();
            Result.Chosen = true;
        }
        return Result;
    }
    TListBox* List = ListNamed(Action.Window, Action.Control);
    if (!List) return Result;
    const int Index = Action.Select.isEmpty() ? -1 : List->Items().IndexOf(Action.Select);
    if (Index >= 0) ClickItem(List, Index);
    if (!Action.DropOn.isEmpty()) {
        TListBox* Onto = ListNamed(Action.Window, Action.DropOn);
        if (!Onto || Index < 0) return Result;
        DragItem(List, Index, Onto->Widget()->mapToGlobal(ItemPoint(Onto, -1)));
        Result.Chosen = true;
        return Result;
    }
    return RightClickChoose(List->Widget(), ItemPoint(List, Index), Action.Path);
}

QString TToolWindows::State(const TToolAction& Action) const {
    QStringList Items;
    if (Action.Window == QStringLiteral("FastLabels")) {
        TPimDropLabels* Tool = FastLabels();
        TComponent* C = Tool ? Tool->FindComponent(Action.Control) : nullptr;
        if (auto* Button = dynamic_cast<TSpeedButton*>(C))
            return QStringLiteral("%1, %2 columns")
                .arg(Button->Down() ? QStringLiteral("down") : QStringLiteral("up"))
                .arg(Tool->PimVariableList->Columns());
        if (auto* Box = dynamic_cast<TComboBox*>(C)) {
            Items << Box->Text() + u':';
            for (int i = 0; i < Tool->PimVariableList->Items().Count(); ++i)
                Items << Tool->PimVariableList->Items()[i];
        }
        return Items.join(u',');
    }
    if (Action.Control == QStringLiteral("DataSourceList")) {
        TVyrDSVariableOptions* Centre = DataControl();
        for (int r = 0; Centre && r < int(Centre->DsgList.size()); ++r)
            Items << (r == Centre->DataSourceList->Row() ? QStringLiteral("*") : QString()) +
                         Centre->DsgList[size_t(r)]->DataSourceName +
                         (Centre->DsgList[size_t(r)]->CreateVariables ? QStringLiteral(" auto") : QString());
        return Items.join(u',');
    }
    TListBox* List = ListNamed(Action.Window, Action.DropOn.isEmpty() ? Action.Control : Action.DropOn);
    for (int i = 0; List && i < List->Items().Count(); ++i) {
        const bool Marked = List->MultiSelect() ? List->Selected(i) : List->ItemIndex() == i;
        Items << (Marked ? QStringLiteral("*") : QString()) + List->Items()[i];
    }
    return Items.join(u',');
}

// The session

namespace {

class TSession {
public:
    TSession(TDesignerWindow& Window, std::function<void(const QString&)> Log)
        : FWindow(Window), FEditor(Window.Editor()), FLog(std::move(Log)) {}

    QStringList Run(const QString& FileName, const QString& SaveAs);

private:
    void Step(const QString& Text) {
        if (FLog) FLog(Text);
    }
    void Fault(const QString& Text) { FFaults << Text; }
    void Expect(bool Holds, const QString& Text) {
        if (!Holds) Fault(Text);
    }
    // What an action must come to: done (a menu's entry offered and chosen), and the menu freed only
    // after its own events.
    void Check(const TMenuChoice& Choice, const QString& What);
    void PushButton(QWidget* Window, const QString& Name);

    void WorkTheToolWindows();
    void WorkTheCentresButtons();
    void DropAndUndoFastLabels();
    void RunTheToolReports();
    void RunTheReport();
    void SaveTheForm(const QString& SaveAs);

    TDesignerWindow& FWindow;
    TFormEditor& FEditor;
    std::function<void(const QString&)> FLog;
    std::unique_ptr<TToolWindows> FTools;
    QStringList FFaults;
};

void TSession::Check(const TMenuChoice& Choice, const QString& What) {
    Step(What);
    if (!Choice.Chosen)
        Fault(What +
              (Choice.Shown
                   ? QStringLiteral(": not offered (%1)").arg(Choice.Entries.join(QStringLiteral(", ")))
                   : QStringLiteral(": nothing to act on")));
    if (Choice.FreedInOwnEvent) Fault(What + QStringLiteral(": the menu was freed inside its own event"));
    if (Choice.Shown && !Choice.FreedAfter) Fault(What + QStringLiteral(": the menu stayed"));
}

void TSession::PushButton(QWidget* Window, const QString& Name) {
    auto* Button = Window ? Window->findChild<QPushButton*>(Name) : nullptr;
    Step(QStringLiteral("button ") + Name);
    if (!Button) {
        Fault(QStringLiteral("no button ") + Name);
        return;
    }
    ClickView(Button, Button->rect().center());
    HandlePendingEvents();
}

void TSession::WorkTheToolWindows() {
    for (const TToolAction& Action : OrdersToolActions())
        Check(FTools->Do(Action), Action.Window + QStringLiteral(", ") + Action.Text());
}

void TSession::WorkTheCentresButtons() {
    TVyrDSVariableOptions* Centre = FTools->DataControl();
    if (!Centre) return;
    QWidget* Window = Centre->Widget();
    PushButton(Window, QStringLiteral("PrintButton"));
    TToolWindows::CloseViewers();
    PushButton(Window, QStringLiteral("HelpButton"));
    PushButton(Window, QStringLiteral("OptimizeButton"));
    PushButton(Window, QStringLiteral("CloseButton"));
    Expect(!Window->isVisible(), QStringLiteral("Close left the data control centre open"));
}

void TSession::DropAndUndoFastLabels() {
    TPimDropLabels* Tool = FTools->FastLabels();
    TVyrBand* Detail = FTools->Page()->Detail();
    if (!Tool || !Detail || Tool->PimVariableList->Items().Count() < 2) {
        Fault(QStringLiteral("fast labels: nothing to drop"));
        return;
    }
    TListBox* List = Tool->PimVariableList;
    const auto LabelCount = [Detail] { return Detail->Labels() ? int(Detail->Labels()->size()) : 0; };
    const int Labels = LabelCount();
    FTools->ClickItem(List, 0);
    FTools->ClickItem(List, 1, Qt::ControlModifier);
    const QPoint Drop =
        FWindow.FormView()->mapToGlobal(FEditor.FormRect(Detail).bottomRight() - QPoint(60, 4));
    FTools->DragItem(List, 1, Drop);
    Step(QStringLiteral("fast labels: two variables dropped on the detail band"));
    Expect(LabelCount() == Labels + 2,
           QStringLiteral("fast labels: the drop made %1 labels").arg(LabelCount() - Labels));
    ClickView(Tool->Widget(), ViewCentreOf(Tool->SpeedButton1, Tool));
    Step(QStringLiteral("fast labels: undo"));
    Expect(LabelCount() == Labels, QStringLiteral("fast labels: undo left the labels"));
    Tool->Widget()->close();
    HandlePendingEvents();
}

void TSession::RunTheToolReports() {
    for (const char* Button : {"Overview", "Diagnostic"}) {
        Step(QString::fromLatin1(Button));
        Expect(FTools->PressTool(QString::fromLatin1(Button)), QStringLiteral("no button ") + Button);
        TToolWindows::CloseViewers();
    }
}

void TSession::RunTheReport() {
    // A band the run prints, deleted from the band manager while the run goes on.
    TVyrPage* Page = FTools->Page();
    const QString Victim = Page->Detail() ? Page->Detail()->Name() + QStringLiteral("Sub") : QString();
    bool Tried = false;
    QTimer During;
    QObject::connect(&During, &QTimer::timeout, [&] {
        TVyrPageManager* Manager = FTools->BandManager();
        if (Tried || !FEditor.Running() || !Manager) return;
        Tried = true;
        During.stop();
        TListBox* Bands = Manager->BandList;
        const int Row = Bands->Items().IndexOf(Victim);
        if (Row < 0) return;
        FTools->ClickItem(Bands, Row);
        const TMenuChoice Choice =
            RightClickChoose(Bands->Widget(), TToolWindows::ItemPoint(Bands, Row), {"Delete1"});
        Step(QStringLiteral("during the run: BandList %1: Delete1").arg(Victim));
        if (Choice.FreedInOwnEvent)
            Fault(QStringLiteral("during the run: the menu was freed inside its own event"));
    });
    During.start(0);
    Step(QStringLiteral("run"));
    Expect(FTools->PressTool(QStringLiteral("Run")), QStringLiteral("no button Run"));
    During.stop();
    Expect(Tried, QStringLiteral("the run gave no chance to delete a band meanwhile"));
    Expect(FEditor.Root()->FindComponent(Victim) != nullptr,
           QStringLiteral("the band %1 was deleted while the report printed it").arg(Victim));
    TToolWindows::CloseViewers();
}

void TSession::SaveTheForm(const QString& SaveAs) {
    Step(QStringLiteral("save ") + SaveAs);
    if (!FWindow.SaveFile(SaveAs)) {
        Fault(QStringLiteral("cannot save ") + SaveAs);
        return;
    }
    TFormEditor Reread;
    try {
        Reread.Open(SaveAs);
    } catch (const Exception& E) {
        Fault(QStringLiteral("the saved form does not read back: ") + E.Message());
    }
}

QStringList TSession::Run(const QString& FileName, const QString& SaveAs) {
    TModalAnswerer Answers;
    Step(QStringLiteral("open ") + FileName);
    if (!FWindow.OpenFile(FileName)) return {QStringLiteral("cannot open ") + FileName};
    FWindow.Refresh();
    HandlePendingEvents();
    FTools = std::make_unique<TToolWindows>(FWindow);
    if (!FTools->Page()) return {QStringLiteral("the form holds no report with a page")};
    WorkTheToolWindows();
    WorkTheCentresButtons();
    DropAndUndoFastLabels();
    RunTheToolReports();
    RunTheReport();
    SaveTheForm(SaveAs);
    return FFaults;
}

} // namespace

QStringList RunDesignerSession(TDesignerWindow& Window, const QString& FileName, const QString& SaveAs,
                               const std::function<void(const QString& Step)>& Log) {
    return TSession(Window, Log).Run(FileName, SaveAs);
}
