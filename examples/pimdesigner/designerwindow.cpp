#include "designerwindow.h"
#include "design/Pageman.h"
#include "host/combobox.h"
#include "host/controlviews.h"
#include "host/designreg.h"
#include "host/devicecontext.h"
#include "host/dialogs.h"
#include "host/dragdrop.h"
#include "host/messages.h"
#include "host/paintpass.h"
#include "host/printers.h"
#include "host/properties.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

namespace {


std::vector<TDesignerFormHook>& FormHooks() {
    static auto* Hooks = new std::vector<TDesignerFormHook>();
    return *Hooks;
}

// A palette button's picture: the registered icon, else the class's initials.
QIcon PaletteButtonIcon(const QString& ClassName) {
    QImage Icon = PaletteIcon(ClassName);
    if (Icon.isNull()) {
        Icon = QImage(24, 24, QImage::Format_RGB32);
        Icon.fill(QColor(0xC0, 0xC0, 0xC0));
        QPainter P(&Icon);
        P.setPen(Qt::black);
        QFont F = P.font();
        F.setPixelSize(10);
        F.setBold(true);
        P.setFont(F);
        QString Initials;
        for (QChar C : ClassName.mid(1))
            if (C.isUpper()) Initials += C;
        P.drawText(QRect(0, 0, 24, 24), Qt::AlignCenter, Initials.left(3));
    }
    return QIcon(QPixmap::fromImage(Icon.scaled(24, 24)));
}

const int EditorRole = Qt::UserRole + 1;

} // namespace

void AddDesignerFormHook(TDesignerFormHook Hook) {
    FormHooks().push_back(std::move(Hook));
}

void ResetDesignerFormHooks() {
    FormHooks().clear();
}

// The form as it will print: the paint pass into an image of the form's size, with the handles of
// the selection over it. The mouse and the keys go to the editor.
class TFormView : public QWidget {
public:
    explicit TFormView(TDesignerWindow* Window) : QWidget(nullptr), FWindow(Window) {
        setFocusPolicy(Qt::StrongFocus);
        setMouseTracking(true);
        setObjectName(QStringLiteral("FormView"));
    }
    QSize PaintedSize() const { return FPainted.size(); }

    void SizeToForm() {
        TForm* Root = FWindow->FEditor.Root();
        // Room beyond the form for the handles that size it.
        const QSize Size = Root ? QSize(Root->Width() + 4, Root->Height() + 4) : QSize(100, 100);
        setFixedSize(Size);
    }

protected:
    bool event(QEvent* Event) override {
        if (Event->type() != QEvent::ToolTip) return QWidget::event(Event);
        auto* Help = static_cast<QHelpEvent*>(Event);
        QString Hint;
        FWindow->Guarded([&] { Hint = FWindow->FEditor.HintAt(Help->pos()); }, false);
        if (Hint.isEmpty()) {
            QToolTip::hideText();
            Event->ignore();
        } else {
            QToolTip::showText(Help->globalPos(), Hint, this);
        }
        return true;
    }
    void paintEvent(QPaintEvent* Event) override {
        QPainter P(this);
        P.fillRect(Event->rect(), palette().color(QPalette::Dark));
        TFormEditor& E = FWindow->FEditor;
        if (!E.Root()) return;
        // Only what the window shows is painted: a form may be far larger than any picture of it
        // that memory could hold. A report run from the form runs on the designed components
        // themselves: meanwhile its labels hold the run's values and its page counts in inches, so
        // the view keeps showing the picture painted before the run.
        const QRect Form(0, 0, E.Root()->Width(), E.Root()->Height());
        const QRect Wanted = (Event->rect() | visibleRegion().boundingRect()) & Form;
        if (!E.Running() && !Wanted.isEmpty()) {
            FPainted = QImage(Wanted.size(), QImage::Format_RGB32);
            FPainted.fill(Qt::white);
            FPaintedAt = Wanted.topLeft();
            auto DC = DeviceContext::CreateForImage(&FPainted, 96, 96);
            PaintControl(E.Root(), *DC, -FPaintedAt);
        }
        P.fillRect(Event->rect() & Form, Qt::white);
        P.drawImage(FPaintedAt, FPainted);
        std::vector<TControl*> Selected = E.SelectedControls();
        const QColor Handle = Selected.size() == 1 ? Qt::black : Qt::gray;
        if (E.Designer()->IsSelected(E.Root())) Selected.push_back(E.Root());
        for (TControl* C : Selected) {
            const std::vector<QRect> List = E.Handles(C);
            for (int i = 0; i < int(List.size()); ++i)
                if (E.IsHandle(C, i))
                    P.fillRect(List[size_t(i)], C == E.Root() ? QColor(Qt::darkGray) : Handle);
        }
    }
    void mousePressEvent(QMouseEvent* Event) override {
        setFocus();
        if (Event->button() == Qt::RightButton)
            FWindow->Guarded([&] {
                FWindow->FEditor.RightMouseDown(Event->position().toPoint(), ShiftOf(Event->modifiers()));
            });
        if (Event->button() != Qt::LeftButton) return;
        FWindow->Guarded(
            [&] { FWindow->PressedOnForm(Event->position().toPoint(), ShiftOf(Event->modifiers())); });
    }
    void mouseMoveEvent(QMouseEvent* Event) override {
        // What a move changes the view shows at once and the lists take at the release; a refresh
        // at every move would close whatever is being edited in them.
        FWindow->Guarded(
            [&] { FWindow->FEditor.MouseMove(Event->position().toPoint(), ShiftOf(Event->modifiers())); },
            false);
        update();
    }
    void mouseReleaseEvent(QMouseEvent* Event) override {
        if (Event->button() == Qt::RightButton) {
            FWindow->Guarded([&] {
                FWindow->FEditor.RightMouseUp(Event->position().toPoint(), ShiftOf(Event->modifiers()));
            });
            FWindow->Refresh();
        }
        if (Event->button() != Qt::LeftButton) return;
        FWindow->Guarded(
            [&] { FWindow->FEditor.MouseUp(Event->position().toPoint(), ShiftOf(Event->modifiers())); });
        FWindow->Refresh();
    }
    void mouseDoubleClickEvent(QMouseEvent* Event) override {
        FWindow->Guarded([&] { FWindow->FEditor.DblClick(Event->position().toPoint()); });
        FWindow->Refresh();
    }
    void keyPressEvent(QKeyEvent* Event) override {
        int DX = 0, DY = 0;
        switch (Event->key()) {
        case Qt::Key_Left:
            DX = -1;
            break;
        case Qt::Key_Right:
            DX = 1;
            break;
        case Qt::Key_Up:
            DY = -1;
            break;
        case Qt::Key_Down:
            DY = 1;
            break;
        case Qt::Key_Delete:
            FWindow->Guarded([&] { FWindow->FEditor.DeleteSelection(); });
            return;
        default:
            QWidget::keyPressEvent(Event);
            return;
        }
        FWindow->Guarded([&] {
            if (Event->modifiers() & Qt::ShiftModifier)
                FWindow->FEditor.SizeSelection(DX, DY);
            else
                FWindow->FEditor.MoveSelection(DX, DY);
        });
    }

private:
    TDesignerWindow* FWindow;
    QImage FPainted;   // the part of the form last painted, no larger than the window shows
    QPoint FPaintedAt; // where that part lies on the form
};

TDesignerWindow::TDesignerWindow(QWidget* Parent) : QMainWindow(Parent) {
    setObjectName(QStringLiteral("PimDesigner"));
    resize(1200, 820);

    FView = new TFormView(this);
    FScroll = new QScrollArea;
    FScroll->setObjectName(QStringLiteral("FormArea"));
    FScroll->setWidget(FView);
    FScroll->setBackgroundRole(QPalette::Dark);

    FComponents = new QListWidget;
    FComponents->setObjectName(QStringLiteral("Components"));
    FComponents->installEventFilter(this);
    FProperties = new QTreeWidget;
    FProperties->setObjectName(QStringLiteral("Properties"));
    FProperties->setColumnCount(2);
    FProperties->setHeaderLabels({QStringLiteral("Property"), QStringLiteral("Value")});
    FProperties->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    FProperties->setEditTriggers(QAbstractItemView::NoEditTriggers);

    auto* Left = new QSplitter(Qt::Vertical);
    Left->addWidget(FComponents);
    Left->addWidget(FProperties);
    Left->setStretchFactor(1, 2);
    auto* Split = new QSplitter(Qt::Horizontal);
    Split->addWidget(Left);
    Split->addWidget(FScroll);
    Split->setStretchFactor(1, 3);
    Split->setSizes({300, 900});

    FPalette = new QTabWidget;
    FPalette->setObjectName(QStringLiteral("Palette"));
    FPalette->setMaximumHeight(70);
    BuildPalette();

    auto* Central = new QWidget;
    auto* Layout = new QVBoxLayout(Central);
    Layout->setContentsMargins(2, 2, 2, 2);
    Layout->addWidget(FPalette);
    Layout->addWidget(Split, 1);
    setCentralWidget(Central);
    FStatus = new QLabel;
    statusBar()->addWidget(FStatus, 1);
    BuildMenus();

    connect(FComponents, &QListWidget::itemClicked, this, [this](QListWidgetItem* Item) {
        TComponent* C = Item->data(Qt::UserRole).value<TComponent*>();
        FEditor.Designer()->SelectComponent(C);
    });
    connect(FProperties, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* Item, int) { EditProperty(Item); });
    connect(FProperties, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* Item, int Column) {
        if (FRefreshing || Column != 1) return;
        const int Index = Item->data(0, EditorRole).toInt();
        if (Index < 0 || Index >= int(FEditors.size())) return;
        // The row's editor reports its text before it closes; the refresh after the change
        // rebuilds the list, which must wait until the editor has gone.
        QTimer::singleShot(0, this, [this, Editor = FEditors[size_t(Index)], Value = Item->text(1)] {
            CommitProperty(Editor.get(), Value);
        });
    });

    FEditor.OnChanged = [this] { Changed(); };
    SetInvalidateHook([this](TControl*) {
        if (FView) FView->update();
    });
    NewForm();
}

TDesignerWindow::~TDesignerWindow() {
    DragManager::RemoveView(FView);
    SetInvalidateHook(nullptr);
    FEditor.OnChanged = nullptr;
}

QWidget* TDesignerWindow::FormView() const {
    return FView;
}

QSize TDesignerWindow::PaintedSize() const {
    return FView->PaintedSize();
}

void TDesignerWindow::BuildMenus() {
    auto* Bar = addToolBar(QStringLiteral("Main"));
    Bar->setObjectName(QStringLiteral("MainBar"));
    auto Add = [&](QMenu* Menu, const QString& Text, QKeySequence Keys, std::function<void()> Action,
                   bool OnBar = false) {
        QAction* A = Menu->addAction(Text);
        A->setShortcut(Keys);
        connect(A, &QAction::triggered, this, [this, Action] { Guarded(Action); });
        if (OnBar) Bar->addAction(A);
        return A;
    };
    QMenu* File = menuBar()->addMenu(QStringLiteral("&File"));
    Add(
        File, QStringLiteral("&New"), QKeySequence::New, [this] { NewForm(); }, true);
    Add(
        File, QStringLiteral("&Open..."), QKeySequence::Open, [this] { Open(); }, true);
    Add(
        File, QStringLiteral("&Save"), QKeySequence::Save, [this] { Save(); }, true);
    Add(File, QStringLiteral("Save &As..."), QKeySequence::SaveAs, [this] { SaveAs(); });
    File->addSeparator();
    Add(File, QStringLiteral("E&xit"), QKeySequence::Quit, [this] { close(); });
    Bar->addSeparator();
    QMenu* Edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    Add(
        Edit, QStringLiteral("Cu&t"), QKeySequence::Cut, [this] { FEditor.CutSelection(); }, true);
    Add(
        Edit, QStringLiteral("&Copy"), QKeySequence::Copy, [this] { FEditor.CopySelection(); }, true);
    Add(
        Edit, QStringLiteral("&Paste"), QKeySequence::Paste, [this] { FEditor.Paste(); }, true);
    Add(
        Edit, QStringLiteral("&Delete"), QKeySequence(), [this] { FEditor.DeleteSelection(); }, true);
    FComponentMenu = menuBar()->addMenu(QStringLiteral("&Component"));
    // The verbs come from the component editor when the menu opens, not at every selection.
    connect(FComponentMenu, &QMenu::aboutToShow, this, [this] {
        FComponentMenu->clear();
        QStringList Verbs;
        Guarded([&] { Verbs = FEditor.Verbs(); });
        for (int i = 0; i < Verbs.size(); ++i)
            connect(FComponentMenu->addAction(Verbs[i]), &QAction::triggered, this,
                    [this, i] { Guarded([&] { FEditor.ExecuteVerb(i); }); });
        if (Verbs.isEmpty()) FComponentMenu->addAction(QStringLiteral("(no verbs)"))->setEnabled(false);
    });
    Bar->addSeparator();
    QMenu* Report = menuBar()->addMenu(QStringLiteral("&Report"));
    Add(
        Report, QStringLiteral("&Run"), QKeySequence(Qt::Key_F9), [this] { FEditor.Run(); }, true);
}

void TDesignerWindow::BuildPalette() {
    FPaletteButtons = new QButtonGroup(this);
    FPaletteButtons->setExclusive(false);
    for (const TPalettePage& Page : PalettePages()) {
        auto* Tab = new QWidget;
        auto* Row = new QHBoxLayout(Tab);
        Row->setContentsMargins(2, 2, 2, 2);
        Row->setSpacing(1);
        for (const TComponentClass& Class : Page.Classes) {
            auto* Button = new QToolButton;
            Button->setObjectName(Class.Name);
            Button->setIcon(PaletteButtonIcon(Class.Name));
            Button->setIconSize(QSize(24, 24));
            Button->setToolTip(Class.Name);
            Button->setCheckable(true);
            Button->setAutoRaise(true);
            FPaletteButtons->addButton(Button);
            connect(Button, &QToolButton::clicked, this,
                    [this, Name = Class.Name](bool On) { ArmClass(On ? Name : QString()); });
            Row->addWidget(Button);
        }
        Row->addStretch(1);
        FPalette->addTab(Tab, Page.Name);
    }
}

void TDesignerWindow::ArmClass(const QString& ClassName) {
    FArmed = ClassName;
    for (QAbstractButton* Button : FPaletteButtons->buttons())
        Button->setChecked(Button->objectName() == ClassName && !ClassName.isEmpty());
    FStatus->setText(ClassName.isEmpty() ? QString()
                                         : QStringLiteral("Click on the form to place a %1").arg(ClassName));
}

bool TDesignerWindow::PressedOnForm(QPoint At, TShiftState Shift) {
    if (FArmed.isEmpty()) {
        FEditor.MouseDown(At, Shift);
        return false;
    }
    const QString Class = FArmed;
    ArmClass(QString());
    FEditor.AddComponent(Class, At);
    return true;
}

void TDesignerWindow::Guarded(const std::function<void()>& Action, bool Changes) {
    if (Changes && FEditor.Running()) {
        // Something done while a report of the form is made would change or free what the run
        // walks through.
        FStatus->setText(VyrFormRunningText());
        return;
    }
    // A run the action started may have printed without a word, into a file the user did not name.
    const int Printed = Printer().EndedJobs();
    try {
        Action();
    } catch (const EAbort&) {
    } catch (const Exception& E) {
        Application()->ShowException(E);
    } catch (const std::exception& E) {
        Application()->ShowException(Exception(QString::fromLocal8Bit(E.what())));
    }
    if (Printer().EndedJobs() != Printed) {
        const QString File = Printer().LastJobFile();
        FStatus->setText(File.isEmpty()
                             ? QStringLiteral("The report was printed on %1").arg(Printer().LastJobPrinter())
                             : QStringLiteral("The report was printed into the file %1")
                                   .arg(QDir::toNativeSeparators(File)));
    }
    if (Changes) Changed();
}

void TDesignerWindow::Changed() {
    if (FRefreshPending) return;
    FRefreshPending = true;
    QTimer::singleShot(0, this, [this] {
        if (FRefreshPending) Refresh();
    });
}

void TDesignerWindow::Refresh() {
    FRefreshPending = false;
    ++FRefreshes;
    FView->SizeToForm();
    RefreshComponents();
    RefreshProperties();
    RefreshScrollBars();
    const QString Name = FEditor.FileName().isEmpty() ? QStringLiteral("(new form)") : FEditor.FileName();
    setWindowTitle(QStringLiteral("Pim Designer - %1%2")
                       .arg(Name, FEditor.IsModified() ? QStringLiteral(" *") : QString()));
    FView->update();
}

void TDesignerWindow::RefreshComponents() {
    FRefreshing = true;
    FComponents->clear();
    TForm* Root = FEditor.Root();
    if (Root) {
        auto Add = [&](TComponent* C) {
            auto* Item = new QListWidgetItem(C->Name() + QStringLiteral(": ") + C->DesignClassName());
            Item->setData(Qt::UserRole, QVariant::fromValue<TComponent*>(C));
            FComponents->addItem(Item);
            if (FEditor.Designer()->IsSelected(C)) Item->setSelected(true);
        };
        Add(Root);
        for (int i = 0; i < Root->ComponentCount(); ++i)
            Add(Root->Components(i));
    }
    FRefreshing = false;
}

void TDesignerWindow::RefreshProperties() {
    // The rows are made anew after every change; the user's place among them stays.
    QList<QStringList> Expanded;
    for (QTreeWidgetItemIterator Row(FProperties); *Row; ++Row)
        if ((*Row)->isExpanded()) Expanded << PropertyPath(*Row);
    const QStringList Current =
        FProperties->currentItem() ? PropertyPath(FProperties->currentItem()) : QStringList();
    const int Scrolled = FProperties->verticalScrollBar()->value();

    FRefreshing = true;
    FProperties->clear();
    FEditors.clear();
    const TDesignerSelections Selected =
        FEditor.Designer() ? FEditor.Designer()->GetSelections() : TDesignerSelections();
    if (!Selected.empty()) {
        std::vector<std::unique_ptr<TPropertyEditor>> List;
        try {
            // One component is renamed at a time.
            if (Selected.size() == 1)
                if (auto Name = GetComponentNameEditor(FEditor.Designer(), Selected.front()))
                    List.push_back(std::move(Name));
            for (auto& Editor : GetComponentProperties(FEditor.Designer(), Selected.front()))
                List.push_back(std::move(Editor));
        } catch (const Exception&) {
        }
        for (auto& Editor : List)
            AddPropertyItem(nullptr, std::move(Editor), 0);
    }
    for (const QStringList& Path : Expanded)
        if (QTreeWidgetItem* Row = FindPropertyItem(Path)) Row->setExpanded(true);
    if (QTreeWidgetItem* Row = FindPropertyItem(Current)) FProperties->setCurrentItem(Row);
    // The scroll bar takes its range from the rows laid out.
    FProperties->doItemsLayout();
    FProperties->verticalScrollBar()->setValue(Scrolled);
    FRefreshing = false;
}

QStringList TDesignerWindow::PropertyPath(const QTreeWidgetItem* Row) {
    QStringList Path;
    for (; Row; Row = Row->parent())
        Path.prepend(Row->text(0));
    return Path;
}

void TDesignerWindow::AddPropertyItem(QTreeWidgetItem* Parent, std::unique_ptr<TPropertyEditor> Editor,
                                      int Depth) {
    QString Value;
    try {
        Value = Editor->GetValue();
    } catch (const Exception& E) {
        Value = QStringLiteral("(%1)").arg(E.Message());
    }
    auto* Item = Parent ? new QTreeWidgetItem(Parent) : new QTreeWidgetItem(FProperties);
    Item->setText(0, Editor->GetName());
    Item->setText(1, Value);
    const TPropertyAttributes Attributes = Editor->GetAttributes();
    if (!(Attributes & (paReadOnly | paValueList | paDialog)))
        Item->setFlags(Item->flags() | Qt::ItemIsEditable);
    Item->setData(0, EditorRole, int(FEditors.size()));
    TPropertyEditor* Raw = Editor.get();
    FEditors.push_back(std::move(Editor));
    // A nested object shows its own properties below it, one level deep for references.
    if ((Attributes & paSubProperties) && Depth < 2) {
        std::vector<std::unique_ptr<TPropertyEditor>> Subs;
        try {
            Subs = Raw->GetProperties();
        } catch (const Exception&) {
        }
        for (auto& Sub : Subs)
            AddPropertyItem(Item, std::move(Sub), Depth + 1);
    }
}

void TDesignerWindow::EditProperty(QTreeWidgetItem* Item) {
    auto EditorOf = [this](QTreeWidgetItem* Row) {
        const int Index = Row ? Row->data(0, EditorRole).toInt() : -1;
        return Index >= 0 && Index < int(FEditors.size()) ? FEditors[size_t(Index)]
                                                          : std::shared_ptr<TPropertyEditor>();
    };
    // Held here too: a refresh while the list or the dialog is open replaces the window's editors.
    std::shared_ptr<TPropertyEditor> Editor = EditorOf(Item);
    if (!Editor) return;
    const TPropertyAttributes Attributes = Editor->GetAttributes();
    if (Attributes & paValueList) {
        QStringList Values;
        const QStringList Path = PropertyPath(Item);
        // Reading the values may change the form (a page makes the variables it lacks, and what
        // it posted meanwhile) and so rebuild the list, there or soon, which would take the
        // drop-down away as it opens: rebuild it now and open the drop-down on the row as it is.
        const int Refreshes = FRefreshes;
        Guarded(
            [&] {
                Values = Editor->Values();
                DeliverPostedMessages();
            },
            false);
        if (FRefreshPending) Refresh();
        if (FRefreshes != Refreshes) {
            Item = FindPropertyItem(Path);
            Editor = EditorOf(Item);
            if (!Editor) return;
        }
        auto* Box = new QComboBox;
        Box->setEditable(!(Attributes & paReadOnly));
        Box->addItems(Values);
        Box->setCurrentText(Item->text(1));
        FitDropDownToItems(Box);
        FProperties->setItemWidget(Item, 1, Box);
        connect(Box, &QComboBox::activated, this, [this, Editor, Box](int) {
            // The refresh after the change frees the list, which must not happen while it still
            // reports the choice.
            QTimer::singleShot(
                0, this, [this, Editor, Value = Box->currentText()] { CommitProperty(Editor.get(), Value); });
        });
        Box->showPopup();
        // The list opens at the double click's second press; its release, a moment later and
        // usually off the list, would close it again.
        FOpenedList = Box->view()->parentWidget();
        FOpenedList->installEventFilter(this);
        Box->view()->viewport()->installEventFilter(this);
        FListOpened.start();
    } else if (Attributes & paDialog) {
        bool Ok = false;
        const QString Lines =
            GetPropValue(Editor->GetComponent(0), Editor->Path()).toStringList().join(u'\n');
        const QString Text =
            QInputDialog::getMultiLineText(this, Editor->GetName(), Editor->GetName(), Lines, &Ok);
        if (Ok) CommitProperty(Editor.get(), Text);
    } else if (!(Attributes & paReadOnly)) {
        FProperties->editItem(Item, 1);
    }
}

QTreeWidgetItem* TDesignerWindow::FindPropertyItem(const QStringList& Path) const {
    QTreeWidgetItem* Found = nullptr;
    for (const QString& Name : Path) {
        const int Count = Found ? Found->childCount() : FProperties->topLevelItemCount();
        QTreeWidgetItem* Next = nullptr;
        for (int i = 0; i < Count && !Next; ++i) {
            QTreeWidgetItem* Row = Found ? Found->child(i) : FProperties->topLevelItem(i);
            if (Row->text(0) == Name) Next = Row;
        }
        if (!Next) return nullptr;
        Found = Next;
    }
    return Found;
}

void TDesignerWindow::CommitProperty(TPropertyEditor* Editor, const QString& Value) {
    Guarded([&] { Editor->SetValue(Value); });
    Refresh();
}

void TDesignerWindow::RefreshScrollBars() {
    TForm* Root = FEditor.Root();
    std::map<std::pair<const TScrollBox*, bool>, QPointer<QScrollBar>> Kept;
    std::function<void(TWinControl*)> Walk = [&](TWinControl* Window) {
        for (int i = 0; i < Window->ControlCount(); ++i) {
            auto* Inner = dynamic_cast<TWinControl*>(Window->Controls(i));
            if (!Inner || !Inner->ShownOnParent()) continue;
            if (auto* Box = dynamic_cast<TScrollBox*>(Inner)) {
                const QRect R = FEditor.FormRect(Box);
                const QPoint In = Box->ClientOrigin();
                for (bool Horizontal : {false, true}) {
                    const TControlScrollBar& Info = Horizontal ? Box->HorzScrollBar() : Box->VertScrollBar();
                    const int Limit = Box->ScrollLimit(Horizontal);
                    if (!Info.Visible || Limit <= 0) continue;
                    QPointer<QScrollBar>& Bar = FBars[{Box, Horizontal}];
                    if (!Bar) {
                        Bar = new QScrollBar(Horizontal ? Qt::Horizontal : Qt::Vertical, FView);
                        Bar->setObjectName(Horizontal ? QStringLiteral("HorzScroll")
                                                      : QStringLiteral("VertScroll"));
                        connect(Bar, &QScrollBar::valueChanged, this, [this, Box, Horizontal](int Value) {
                            if (FRefreshing) return;
                            SendMessage(Box, Horizontal ? WM_HSCROLL : WM_VSCROLL,
                                        MAKEWPARAM(SB_THUMBPOSITION, uint16_t(Value)));
                            FView->update();
                        });
                    }
                    const int Thick = Bar->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
                    const QRect Client(R.topLeft() + In, Box->ClientRect().size());
                    if (Horizontal)
                        Bar->setGeometry(Client.left(), Client.bottom() + 1 - Thick, Client.width() - Thick,
                                         Thick);
                    else
                        Bar->setGeometry(Client.right() + 1 - Thick, Client.top(), Thick,
                                         Client.height() - Thick);
                    FRefreshing = true;
                    Bar->setRange(0, Limit);
                    Bar->setPageStep(Horizontal ? Client.width() : Client.height());
                    Bar->setSingleStep(Info.Increment);
                    Bar->setValue(Info.Position);
                    FRefreshing = false;
                    Bar->show();
                    Kept[{Box, Horizontal}] = Bar;
                }
            }
            Walk(Inner);
        }
    };
    if (Root) Walk(Root);
    for (auto& [Key, Bar] : FBars)
        if (!Kept.count(Key) && Bar) delete Bar.data();
    FBars = std::move(Kept);
}

std::vector<QScrollBar*> TDesignerWindow::ScrollBars() const {
    std::vector<QScrollBar*> List;
    for (const auto& [Key, Bar] : FBars)
        if (Bar) List.push_back(Bar);
    return List;
}

// Files

void TDesignerWindow::NewForm() {
    if (!CanDiscard()) return;
    FEditor.NewForm();
    FormChanged();
}

void TDesignerWindow::FormChanged() {
    // What is dragged out of the design tool windows drops on the form.
    if (FEditor.Root()) DragManager::AddView(FEditor.Root(), FView);
    for (const TDesignerFormHook& Hook : FormHooks())
        Hook(this, &FEditor);
    Refresh();
}

bool TDesignerWindow::OpenFile(const QString& FileName) {
    bool Done = false;
    Guarded([&] {
        FEditor.Open(FileName);
        Done = true;
    });
    if (Done) FormChanged();
    return Done;
}

bool TDesignerWindow::SaveFile(const QString& FileName) {
    bool Done = false;
    Guarded([&] {
        FEditor.Save(FileName);
        Done = true;
    });
    return Done;
}

void TDesignerWindow::Open() {
    if (!CanDiscard()) return;
    const QString Name =
        QFileDialog::getOpenFileName(this, QStringLiteral("Open a form"), QString(),
                                     QStringLiteral("Stored forms (*.rep *.dfm *.txt);;All files (*)"));
    if (!Name.isEmpty()) OpenFile(Name);
}

bool TDesignerWindow::CanDiscard() {
    if (!FEditor.IsModified() || !FEditor.Root()) return true;
    const QString Name =
        FEditor.FileName().isEmpty() ? FEditor.Root()->Name() : QFileInfo(FEditor.FileName()).fileName();
    switch (MessageBox(QStringLiteral("Save the changes to %1?").arg(Name), QStringLiteral("Pim Designer"),
                       MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES:
        // A save that failed or was cancelled keeps the form.
        Save();
        return !FEditor.IsModified();
    case IDNO:
        return true;
    default:
        return false;
    }
}

bool TDesignerWindow::eventFilter(QObject* Watched, QEvent* Event) {
    if (FOpenedList && Event->type() == QEvent::MouseButtonRelease &&
        (Watched == FOpenedList || FOpenedList->isAncestorOf(qobject_cast<QWidget*>(Watched)))) {
        const bool OpeningClick =
            FListOpened.isValid() && FListOpened.elapsed() < QApplication::doubleClickInterval();
        FListOpened.invalidate();
        if (OpeningClick) return true;
    }
    if (Watched == FComponents && Event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(Event)->key() == Qt::Key_Delete &&
        static_cast<QKeyEvent*>(Event)->modifiers() == Qt::NoModifier) {
        Guarded([this] { FEditor.DeleteSelection(); });
        return true;
    }
    return QMainWindow::eventFilter(Watched, Event);
}

void TDesignerWindow::closeEvent(QCloseEvent* Event) {
    if (FEditor.Running()) {
        FStatus->setText(VyrFormRunningText());
        Event->ignore();
        // A window that stays without a word looks broken; the run waits while the user reads.
        if (!FTellingRun) {
            FTellingRun = true;
            MessageBox(QStringLiteral(
                           "A report of the form is running: close the designer again once the run is done"),
                       QStringLiteral("Pim Designer"), MB_OK | MB_ICONINFORMATION);
            FTellingRun = false;
        }
    } else if (CanDiscard()) {
        Event->accept();
        // The program ends with this window: the tool windows the designed form keeps (band
        // manager, data control centre, fast labels) and the viewers of its reports close with
        // it, else they alone would keep the program running.
        for (QWidget* Window : QApplication::topLevelWidgets())
            if (Window != this && Window->isVisible() && Window->windowType() != Qt::ToolTip &&
                Window->windowType() != Qt::Popup)
                Window->close();
    } else
        Event->ignore();
}

void TDesignerWindow::Save() {
    if (FEditor.FileName().isEmpty())
        SaveAs();
    else
        SaveFile(FEditor.FileName());
}

void TDesignerWindow::SaveAs() {
    const QString Name =
        QFileDialog::getSaveFileName(this, QStringLiteral("Save the form"), FEditor.FileName(),
                                     QStringLiteral("Stored forms (*.rep);;All files (*)"));
    if (!Name.isEmpty()) SaveFile(Name);
}
