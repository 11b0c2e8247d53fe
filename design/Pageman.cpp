#include "design/Pageman.h"

#include "design/Bandtree.h"
#include "host/controlviews.h"
#include "host/db.h"
#include "host/designreg.h"
#include "host/lists.h"
#include "host/properties.h"
#include "host/releasehold.h"
#include "host/widgets.h"
#include "output/PimUtil.h"
#include "report/PimDS.h"
#include "report/PimPage.h"
#include "report/VyrCtrl.h"
#include "report/VyrRep.h"
#include "report/VyrUtil.h"
#include "report/VyrVar.h"

#include <QResizeEvent>
#include <QWidget>
#include <algorithm>
#include <typeinfo>

// Seams for the forms that later units make

namespace {
TVyrDataControlCreator& DataControlCreator() {
    static auto* Creator = new TVyrDataControlCreator();
    return *Creator;
}
TVyrPageReportCreator& OverviewCreator() {
    static auto* Creator = new TVyrPageReportCreator();
    return *Creator;
}
TVyrPageReportCreator& DiagnosticCreator() {
    static auto* Creator = new TVyrPageReportCreator();
    return *Creator;
}

const QString AncestorMessage =
    QStringLiteral("Selection contains a component introduced in an ancestor form which cannot be deleted");

bool IsSubBand(const TVyrBand* B) {
    return dynamic_cast<const TVyrSubBand*>(B) != nullptr;
}
bool IsSubDataBand(const TVyrBand* B) {
    return dynamic_cast<const TVyrSubDataBand*>(B) != nullptr;
}
bool IsOverlayBand(const TVyrBand* B) {
    return dynamic_cast<const TVyrOverlayBand*>(B) != nullptr;
}
// A data head or foot band (a foot band is a kind of head band).
bool IsHFBand(const TVyrBand* B) {
    return dynamic_cast<const TVyrDataHeadBand*>(B) != nullptr;
}
bool IsFootBand(const TVyrBand* B) {
    return dynamic_cast<const TVyrDataFootBand*>(B) != nullptr;
}

// The bands of one of the page's kind lists attached to Band, copied.
std::vector<TVyrBand*> AttachedTo(const std::vector<TVyrBand*>* List, const TVyrBand* Band) {
    std::vector<TVyrBand*> Found;
    if (List)
        for (TVyrBand* B : *List)
            if (B->Band() == Band) Found.push_back(B);
    return Found;
}
} // namespace

void SetDataControlCreator(TVyrDataControlCreator Creator) {
    DataControlCreator() = std::move(Creator);
}

void SetOverviewFormCreator(TVyrPageReportCreator Creator) {
    OverviewCreator() = std::move(Creator);
}

void SetDiagnosticFormCreator(TVyrPageReportCreator Creator) {
    DiagnosticCreator() = std::move(Creator);
}

void TVyrDataBandItem::SetGuide(TVyrDSGuide* Value) {
    FGuide = Value;
}

// The window of a band manager: its panels and labels painted as the form holds them, its two lists
// as widgets of their own on top.
class TVyrPageManagerWindow : public TFormWindow {
public:
    explicit TVyrPageManagerWindow(TVyrPageManager* Form) : TFormWindow(Form), FForm(Form) {
        setObjectName(QStringLiteral("PageManager"));
        setWindowFlags(Qt::Tool);
        resize(Form->Width(), Form->Height());
        for (TListBox* List : {Form->BandList, Form->grouplist}) {
            List->Widget()->setParent(this);
            List->Widget()->setVisible(List->Visible());
        }
        PlaceListBoxWidgets(Form);
    }
    TVyrPageManager* FForm;

protected:
    void resizeEvent(QResizeEvent* Event) override {
        QWidget::resizeEvent(Event);
        if (!FForm) return;
        FForm->SetBounds(FForm->Left(), FForm->Top(), width(), height());
        PlaceListBoxWidgets(FForm);
    }
};

// TVyrPageManager

TVyrPageManager::TVyrPageManager(TComponent* AOwner) : TForm(AOwner) {
    BuildForm();
    FormCreate();
}

TVyrPageManager::~TVyrPageManager() {
    FormDestroy();
}

void TVyrPageManager::BeforeDestruction() {
    FormDestroy();
    TForm::BeforeDestruction();
}

void TVyrPageManager::SetPage(TVyrGrouppage* Value) {
    if (Value == FPage) return;
    if (FPage) FPage->RemoveFreeNotification(this);
    FPage = Value;
    if (Value) Value->FreeNotification(this);
}

IDesigner* TVyrPageManager::PageDesigner() const {
    return FPageDesigner && FPage && FindRootDesigner(FPage) == FPageDesigner ? FPageDesigner : nullptr;
}

void TVyrPageManager::BuildForm() {
    SetBounds(0, 0, 443, 400);
    TFont Arial;
    Arial.SetName(QStringLiteral("Arial"));
    Arial.SetHeight(-11);
    Arial.SetColor(clBlack);
    SetFont(Arial);
    SetCaption(QStringLiteral("Band Mananger"));

    auto Panel = [this](const char* Name, TWinControl* Parent, TAlign Align, int Height) {
        auto* P = new TCustomPanel(this);
        P->SetName(QString::fromLatin1(Name));
        P->SetParent(Parent);
        P->SetHeight(Height);
        P->SetAlign(Align);
        return P;
    };
    auto Label = [this](const char* Name, TWinControl* Parent, int Left, const char* Caption) {
        auto* L = new TLabel(this);
        L->SetName(QString::fromLatin1(Name));
        L->SetParent(Parent);
        L->SetBounds(Left, 4, 120, 13);
        L->SetTransparent(true);
        L->SetCaption(QString::fromLatin1(Caption));
        return L;
    };
    auto List = [this](const char* Name, TWinControl* Parent) {
        auto* L = new TListBox(this);
        L->SetName(QString::fromLatin1(Name));
        L->SetParent(Parent);
        L->SetStyle(lbOwnerDrawFixed);
        L->SetItemHeight(14);
        L->SetAlign(alClient);
        return L;
    };

    GroupPanel = Panel("GroupPanel", this, alBottom, 151);
    Panel1 = Panel("Panel1", GroupPanel, alTop, 21);
    GroupLabel = Label("GroupLabel", Panel1, 5, "Groups");
    VariableLabel = Label("VariableLabel", Panel1, 133, "Variable");
    EventLabel = Label("EventLabel", Panel1, 259, "OnCheckBroken Event");
    grouplist = List("grouplist", GroupPanel);

    BandPanel = Panel("BandPanel", this, alClient, 0);
    BandPanel->SetBevelOuter(bvLowered);
    Panel2 = Panel("Panel2", BandPanel, alTop, 21);
    Label1 = Label("Label1", Panel2, 5, "Bands");
    dslabel = Label("dslabel", Panel2, 259, "DataSources");
    BandList = List("BandList", BandPanel);
    BandList->SetDragMode(dmAutomatic);

    auto Item = [this](const char* Name, TMenuItem* Into, const char* Caption,
                       void (TVyrPageManager::*Handler)(TComponent*)) {
        auto* I = new TMenuItem(this);
        I->SetName(QString::fromLatin1(Name));
        I->SetCaption(QString::fromLatin1(Caption));
        if (Handler) I->OnClick = [this, Handler](TComponent* Sender) { (this->*Handler)(Sender); };
        Into->Add(I);
        return I;
    };
    GroupListPopup = new TPopupMenu(this);
    GroupListPopup->SetName(QStringLiteral("GroupListPopup"));
    GroupListPopup->OnPopup = [this](TComponent* Sender) { GroupListPopupPopup(Sender); };
    TMenuItem* G = GroupListPopup->Items();
    GroupAdd = Item("GroupAdd", G, "&Add", &TVyrPageManager::GroupAddClick);
    GroupDelete = Item("GroupDelete", G, "&Delete", &TVyrPageManager::GroupDeleteClick);
    MoveUp = Item("MoveUp", G, "Move&Up", &TVyrPageManager::MoveUpClick);
    MoveDown = Item("MoveDown", G, "Move&Down", &TVyrPageManager::MoveDownClick);

    BandListPopup = new TPopupMenu(this);
    BandListPopup->SetName(QStringLiteral("BandListPopup"));
    BandListPopup->OnPopup = [this](TComponent* Sender) { BandListPopupPopup(Sender); };
    TMenuItem* B = BandListPopup->Items();
    MoveUp1 = Item("MoveUp1", B, "Move Up", &TVyrPageManager::MoveUp1Click);
    MoveDown1 = Item("MoveDown1", B, "Move Down", &TVyrPageManager::MoveUp1Click);
    MoveDown1->SetTag(1);
    N1 = Item("N1", B, "-", nullptr);
    AddSubBand1 = Item("AddSubBand1", B, "Add Sub Band", nullptr);
    Above1 = Item("Above1", AddSubBand1, "Above", &TVyrPageManager::Above1Click);
    Below1 = Item("Below1", AddSubBand1, "Below", &TVyrPageManager::Below1Click);
    AddDataBand1 = Item("AddDataBand1", B, "Add Data Band", nullptr);
    AddHeadFoot1 = Item("AddHeadFoot1", B, "Add Head/Foot", nullptr);
    DataHeader1 = Item("DataHeader1", AddHeadFoot1, "Header", &TVyrPageManager::DataHeader1Click);
    DataFooter1 = Item("DataFooter1", AddHeadFoot1, "Footer", &TVyrPageManager::DataFooter1Click);
    AddOverlay1 = Item("AddOverlay1", B, "Add Overlay", nullptr);
    PrintFirst1 = Item("PrintFirst1", AddOverlay1, "Print First", &TVyrPageManager::PrintFirst1Click);
    PrintLast1 = Item("PrintLast1", AddOverlay1, "Print Last", &TVyrPageManager::PrintLast1Click);
    N2 = Item("N2", B, "-", nullptr);
    Delete1 = Item("Delete1", B, "Delete", &TVyrPageManager::Delete1Click);

    BandList->SetPopupMenu(BandListPopup);
    BandList->OnClick = [this](TComponent* Sender) { BandListClick(Sender); };
    BandList->OnDrawItem = [this](TListBox* C, int I, const TRect& R, TOwnerDrawState S) {
        BandListDrawItem(C, I, R, S);
    };
    BandList->OnDragOver = [this](TComponent* Sender, TComponent* Source, int X, int Y, TDragState,
                                  bool& Accept) { BandListDragOver(Sender, Source, X, Y, Accept); };
    BandList->OnDragDrop = [this](TComponent* Sender, TComponent* Source, int X, int Y) {
        BandListDragDrop(Sender, Source, X, Y);
    };
    grouplist->SetPopupMenu(GroupListPopup);
    grouplist->OnClick = [this](TComponent* Sender) { grouplistClick(Sender); };
    // The menu of a right click is about the row under the pointer: the row is chosen first, as a
    // left click would choose it.
    auto RightClickChooses = [this](TListBox* List, void (TVyrPageManager::*Click)(TComponent*)) {
        List->OnMouseDown = [this, List, Click](TComponent*, TMouseButton Button, TShiftState, int X, int Y) {
            const int Row = List->ItemAtPos(Point(X, Y), true);
            if (Button != mbRight || Row < 0 || Row == List->ItemIndex()) return;
            List->SetItemIndex(Row);
            (this->*Click)(List);
        };
    };
    RightClickChooses(BandList, &TVyrPageManager::BandListClick);
    RightClickChooses(grouplist, &TVyrPageManager::grouplistClick);
    grouplist->OnDrawItem = [this](TListBox* C, int I, const TRect& R, TOwnerDrawState S) {
        grouplistDrawItem(C, I, R, S);
    };
}

void TVyrPageManager::FormCreate() {
    FGroupPosList.clear();
    FDataControl = nullptr;
    InDataControl = false;
    InUpdateLists = false;
    InUpdateOutline = false;
}

void TVyrPageManager::FormDestroy() {
    FGroupPosList.clear();
    if (FDataControl) {
        TVyrDataControlForm* Centre = FDataControl;
        FDataControl = nullptr;
        delete Centre;
    }
    FWindow.reset();
}

QWidget* TVyrPageManager::Widget() const {
    return FWindow.get();
}

void TVyrPageManager::SetVisible(bool Value) {
    if (Value && !FWindow) {
        FWindow = std::make_unique<TVyrPageManagerWindow>(this);
        FWindow->setWindowTitle(Caption());
        CenterOnScreen(FWindow.get());
    }
    TForm::SetVisible(Value);
}

void TVyrPageManager::DoShow() {
    UpdateLists();
    TForm::DoShow();
}

void TVyrPageManager::RefreshWindow() {
    if (!FWindow) return;
    FWindow->setWindowTitle(Caption());
    FWindow->update();
}

void TVyrPageManager::Notification(TComponent* AComponent, TOperation Operation) {
    TForm::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == FPage) FPage = nullptr;
    if (AComponent == FDataControl) FDataControl = nullptr;
}

void TVyrPageManager::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_VYR_UPDATEFORM:
        UpdateForm();
        break;
    case WM_VYR_SETDATALISTS:
        SetDataLists();
        break;
    case WM_VYR_SELECTGROUPPAGE:
        SelectGroupPage();
        break;
    case WM_VYR_DODATACONTROL:
        DoDataControl();
        break;
    case WM_VYR_DATAUPDATEVARS:
        DataUpdateVars();
        break;
    case WM_VYR_VARCHANGED:
        VarChanged();
        break;
    case WM_VYR_RUNOVERREPORT:
        RunOverReport();
        break;
    case WM_VYR_RUNDIAGREPORT:
        RunDiagReport();
        break;
    default:
        TForm::WndProc(Message);
        return;
    }
    Message.Result = 0;
}

// Message handlers

void TVyrPageManager::UpdateForm() {
    UpdateLists();
    RefreshVars();
}

void TVyrPageManager::SetDataLists() {
    // What the page asks for itself waits until the run is done.
    if (Busy()) return;
    IDesigner* Designer = PageDesigner();
    if (!FPage || !Designer) return;
    TVyrPage* P = FPage;
    Designer->GetComponentNames<TDataSource>(
        [&](const QString& Name) { VyrAddDataLists(P, Designer, Name); });
}

void TVyrPageManager::AddDataLists(const QString& Name) {
    if (FPage) VyrAddDataLists(FPage, PageDesigner(), Name);
}

void TVyrPageManager::SelectGroupPage() {
    if (FPage) ComponentSelect(PageDesigner(), FPage);
}

void TVyrPageManager::DoDataControl() {
    RunDataControl(true);
}

void TVyrPageManager::DataUpdateVars() {
    RunDataControl(false);
}

void TVyrPageManager::RunDataControl(bool Showing) {
    // The centre makes the variables the page lacks: refused with a word when the user asked for it,
    // quietly when the page did.
    if (Showing ? Refused() : Busy()) return;
    if (InDataControl) return;
    InDataControl = true;
    // The guard is cleared however the centre's work ends, or no later message would reach it.
    try {
        if (Showing && FPage) FPage->UpdateVarList();
        if (!FDataControl && DataControlCreator()) {
            FDataControl = DataControlCreator()(Application());
            if (FDataControl) {
                FDataControl->PageManager = this;
                FDataControl->FreeNotification(this);
            }
        }
        if (FDataControl && FDataControl->UpdateVars() && Showing) FDataControl->Show();
    } catch (...) {
        InDataControl = false;
        throw;
    }
    InDataControl = false;
}

void TVyrPageManager::VarChanged() {
    if (FDataControl) FDataControl->ObjectChanged();
}

void TVyrPageManager::RunReportForm(const TVyrPageReportCreator& Creator) {
    if (FPage && VyrRefusedWhileRunning(FPage->Owner(), true)) return;
    if (!Creator || !FPage) return;
    std::unique_ptr<TVyrPageReportForm> Form(Creator(Application()));
    // The form's report reads the page and lets the application work meanwhile.
    const TReleaseHold Hold(FPage);
    if (Form) Form->RunFor(FPage, PageDesigner());
}

void TVyrPageManager::RunOverReport() {
    RunReportForm(OverviewCreator());
}

void TVyrPageManager::RunDiagReport() {
    RunReportForm(DiagnosticCreator());
}

bool TVyrPageManager::Busy() const {
    return FPage && VyrFormRunning(FPage->Owner());
}

bool TVyrPageManager::Refused() const {
    return FPage && VyrRefusedWhileRunning(FPage->Owner());
}

void TVyrPageManager::RefreshVars() {
    if (FDataControl) PostMessage(FDataControl, WM_VYR_REFRESHVARLISTS);
}

// Lists

void TVyrPageManager::UpdateLists() {
    if (InUpdateLists) return;
    InUpdateLists = true;
    try {
        TVyrGroup* Selected = RowGroup(GroupIndex());
        grouplist->Items().Clear();
        FGroupPosList.clear();
        if (FPage && FPage->Groups())
            for (TVyrGroup* Group : *FPage->Groups()) {
                grouplist->Items().AddObject(Group->Name(), Group);
                FGroupPosList.push_back(Group);
            }
        if (Selected) grouplist->SetItemIndex(grouplist->Items().IndexOfObject(Selected));
        SetCaption(QStringLiteral("Band Manager for ") + (FPage ? FPage->Name() : QString()));
        UpdateOutline();
    } catch (...) {
        InUpdateLists = false;
        throw;
    }
    InUpdateLists = false;
    RefreshWindow();
}

void TVyrPageManager::UpdateOutline() {
    if (InUpdateOutline) return;
    InUpdateOutline = true;
    try {
        // The selected band stays selected, so that a refresh the page posts does not lose it.
        TVyrBand* Selected = SelectedBand();
        BandList->Items().Clear();
        if (FPage && FPage->Bands())
            for (TVyrBand* Band : *FPage->Bands())
                BandList->Items().AddObject(Band->BandName(), Band);
        if (Selected) BandList->SetItemIndex(BandList->Items().IndexOfObject(Selected));
    } catch (...) {
        InUpdateOutline = false;
        throw;
    }
    InUpdateOutline = false;
}

int TVyrPageManager::GroupIndex() const {
    return grouplist->ItemIndex();
}

int TVyrPageManager::BandIndex() const {
    return BandList->ItemIndex();
}

TVyrBand* TVyrPageManager::SelectedBand() const {
    return RowBand(BandIndex());
}

TVyrBand* TVyrPageManager::RowBand(int Index) const {
    if (Index < 0 || Index >= BandList->Items().Count() || !FPage || !FPage->Bands()) return nullptr;
    // A band freed since the last refresh is no longer the page's; its row waits for the refresh the
    // page posted and is never read.
    auto* Band = BandList->Items().ObjectAs<TVyrBand>(Index);
    const std::vector<TVyrBand*>& Bands = *FPage->Bands();
    return std::find(Bands.begin(), Bands.end(), Band) != Bands.end() ? Band : nullptr;
}

TVyrGroup* TVyrPageManager::RowGroup(int Index) const {
    if (Index < 0 || Index >= int(FGroupPosList.size()) || !FPage || !FPage->Groups()) return nullptr;
    TVyrGroup* Group = FGroupPosList[size_t(Index)];
    const std::vector<TVyrGroup*>& Groups = *FPage->Groups();
    return std::find(Groups.begin(), Groups.end(), Group) != Groups.end() ? Group : nullptr;
}

void TVyrPageManager::Button2Click(TComponent*) {
    Close();
}

TVyrBandTree TVyrPageManager::BandTree() const {
    std::vector<TVyrBand*> Rows;
    Rows.reserve(size_t(BandList->Items().Count()));
    for (int I = 0; I < BandList->Items().Count(); ++I)
        if (TVyrBand* Band = RowBand(I)) Rows.push_back(Band);
    return TVyrBandTree(FPage, std::move(Rows));
}

void TVyrPageManager::BandsChanged(bool AllLists) {
    if (FPage) {
        FPage->OrderBands();
        FPage->ArrangeBands();
    }
    if (AllLists)
        UpdateLists();
    else
        UpdateOutline();
    if (IDesigner* Designer = PageDesigner()) Designer->Modified();
}

void TVyrPageManager::SelectBandRow(TVyrBand* Band) {
    BandList->SetItemIndex(BandList->Items().IndexOfObject(Band));
    BandListClick(BandList);
}

// The band list

void TVyrPageManager::BandListClick(TComponent*) {
    if (TVyrBand* Band = SelectedBand()) {
        ComponentSelect(PageDesigner(), Band);
        grouplist->SetItemIndex(-1);
    }
}

void TVyrPageManager::BandListDrawItem(TListBox* Control, int Index, const TRect& Rect,
                                       TOwnerDrawState State) {
    if (InUpdateLists) return;
    TVyrBand* Band = RowBand(Index);
    if (!Band) return;
    const TVyrBandTree Tree = BandTree();
    TVyrCanvasOutline Canvas(*Control->Canvas());
    TVyrBandPainter Painter(Tree, Canvas);
    const TVyrBandRowPaint Done = Painter.PaintBandRow(Band, Rect, State & odSelected);
    if (Done.LevelMismatch && !Caption().startsWith(QStringLiteral("* "))) {
        SetCaption(QStringLiteral("* ") + Caption());
        RefreshWindow();
    }
    if (Done.ColumnLeft >= 0 && dslabel->Left() != Done.ColumnLeft) {
        dslabel->SetLeft(Done.ColumnLeft);
        RefreshWindow();
    }
}

void TVyrPageManager::BandListPopupPopup(TComponent*) {
    TVyrBand* P = SelectedBand();
    const bool Sub = IsSubBand(P);
    const bool SubData = IsSubDataBand(P);
    const bool HeadFoot = IsHFBand(P);
    const bool Overlay = IsOverlayBand(P);
    const bool Other = P && !Sub && !SubData && !HeadFoot && !Overlay;
    const TVyrBand* PageFoot = FPage ? FPage->PageFoot() : nullptr;

    bool HasHeader = false;
    bool HasFooter = false;
    if (SubData && FPage)
        for (TVyrBand* HF : AttachedTo(FPage->DataHFBands(), P))
            (IsFootBand(HF) ? HasFooter : HasHeader) = true;

    const bool Move = Sub || SubData || Overlay;
    MoveUp1->SetEnabled(Move);
    MoveDown1->SetEnabled(Move);
    AddSubBand1->SetEnabled(SubData || HeadFoot || Other);
    AddDataBand1->SetEnabled(SubData || HeadFoot || (Sub && P->Band() != PageFoot) ||
                             (Other && P != PageFoot));
    AddHeadFoot1->SetEnabled(SubData);
    DataHeader1->SetEnabled(SubData && !HasHeader);
    DataFooter1->SetEnabled(SubData && !HasFooter);
    AddOverlay1->SetEnabled(true);
    Delete1->SetEnabled(Sub || SubData || HeadFoot || Overlay);

    AddDataBand1->Clear();
    if (!AddDataBand1->Enabled()) return;
    auto AddItem = [this](const QString& Caption, TVyrDSGuide* Guide, int Tag) {
        auto* I = new TVyrDataBandItem(this);
        I->SetCaption(Caption);
        I->SetTag(Tag);
        I->SetGuide(Guide);
        I->OnClick = [this](TComponent* Sender) { DataBandClick(Sender); };
        AddDataBand1->Add(I);
    };
    AddItem(QStringLiteral("No DataSource"), nullptr, 0);
    if (FPage && FPage->DataSourceList()) {
        int Tag = 0;
        for (TVyrDSGuide* Guide : *FPage->DataSourceList())
            AddItem(Guide->DataSource() ? Guide->DataSource()->Name() : QString(), Guide, ++Tag);
    }
}

void TVyrPageManager::MoveUp1Click(TComponent* Sender) {
    if (Refused()) return;
    TVyrBand* P = SelectedBand();
    if (!P || !FPage) return;
    const bool Down = Sender && Sender->Tag() == 1;
    const int O = P->Order();
    auto* Sub = dynamic_cast<TVyrSubBand*>(P);
    auto* Overlay = dynamic_cast<TVyrOverlayBand*>(P);
    const bool SubData = IsSubDataBand(P);
    if (!Sub && !Overlay && !SubData) return;

    // The bands P swaps places with: the same kind on the same band and side.
    const TVyrBandTree Tree = BandTree();
    std::vector<TVyrBand*> Siblings;
    for (TVyrBand* B : Tree.Rows()) {
        if (B == P || typeid(*B) != typeid(*P) || B->Band() != P->Band()) continue;
        if (Sub && static_cast<TVyrSubBand*>(B)->Above() != Sub->Above()) continue;
        if (Overlay && static_cast<TVyrOverlayBand*>(B)->First() != Overlay->First()) continue;
        Siblings.push_back(B);
    }

    int NewOrder = Down ? O + 1 : O - 1;
    if (Sub || Overlay) {
        const bool Flag = Sub ? Sub->Above() : Overlay->First();
        // Past the end of its side a band goes over to the other side, to its near end.
        if (Down && Flag && int(Siblings.size()) < NewOrder) {
            if (Sub)
                Sub->SetAbove(false);
            else
                Overlay->SetFirst(false);
            NewOrder = -1;
        } else if (!Down && !Flag && NewOrder < 0) {
            if (Sub)
                Sub->SetAbove(true);
            else
                Overlay->SetFirst(true);
            NewOrder = 999;
        }
    }
    P->SetOrderDirect(NewOrder);
    for (TVyrBand* B : Siblings)
        if (B->Order() == NewOrder) B->SetOrderDirect(O);
    BandsChanged(true);
}

TVyrLevel* TVyrPageManager::NewLevel(TVyrBand* Band, bool IsHeader) {
    auto* Level = new TVyrLevel(FPage->Owner());
    try {
        VyrAutoSetComponentName(Level, Band->BandName() + QStringLiteral("Level"), false);
        Level->SetParent(FPage);
        Level->SetIsHeader(IsHeader);
    } catch (...) {
        delete Level;
        throw;
    }
    Band->SetUpdateLevel(Level);
    return Level;
}

void TVyrPageManager::FreeLevel(TVyrBand* Band) {
    TVyrLevel* Level = Band->UpdateLevel();
    if (!Level) return;
    Band->SetUpdateLevel(nullptr);
    Level->SetParent(nullptr);
    delete Level;
}

namespace {
// Frees a band made by a command that failed, with the level it got.
void Discard(TVyrBand* Band, TVyrLevel* Level) {
    if (Level) {
        Band->SetUpdateLevel(nullptr);
        Level->SetParent(nullptr);
        delete Level;
    }
    Band->SetParent(nullptr);
    Band->SafeDelete();
}

// A new attached band of kind T on Page, hanging on Parent, named from Base; NameError is raised when
// no name can be given.
template <class T>
T* NewAttachedBand(TVyrPage* Page, TVyrBand* Parent, const QString& Base, const QString& NameError) {
    auto* Band = new T(Page->Owner());
    if (!VyrAutoSetComponentName(Band, Base, false)) {
        Band->SafeDelete();
        throw Exception(NameError);
    }
    try {
        Band->SetParent(Page);
        Band->SetBand(Parent);
        Band->SetBounds(Band->Left(), 0, 200, 20);
        Band->SetBandName(Band->Name());
    } catch (...) {
        Discard(Band, nullptr);
        throw;
    }
    return Band;
}
} // namespace

void TVyrPageManager::FinishNewBand(TVyrBand* Band, const std::function<void(TVyrLevel*& Level)>& Setup) {
    TVyrLevel* Level = nullptr;
    try {
        Setup(Level);
    } catch (...) {
        Discard(Band, Level);
        throw;
    }
    BandsChanged(false);
    SelectBandRow(Band);
}

void TVyrPageManager::AddSubBand(bool Above) {
    if (Refused()) return;
    TVyrBand* P = SelectedBand();
    if (!P || !FPage) return;
    auto* Band = NewAttachedBand<TVyrSubBand>(FPage, P, P->Name() + QStringLiteral("Sub"),
                                              QStringLiteral("Could not create band."));
    FinishNewBand(Band, [&](TVyrLevel*&) {
        Band->SetUpdateLevel(P->UpdateLevel());
        Band->SetAbove(Above);
        Band->SetOrderDirect(999);
    });
}

void TVyrPageManager::Above1Click(TComponent*) {
    AddSubBand(true);
}

void TVyrPageManager::Below1Click(TComponent*) {
    AddSubBand(false);
}

void TVyrPageManager::DataBandClick(TComponent* Sender) {
    if (Refused()) return;
    auto* Item = dynamic_cast<TVyrDataBandItem*>(Sender);
    TVyrBand* P = SelectedBand();
    if (!Item || !P || !FPage) return;
    TVyrDSGuide* Guide = Item->Guide();
    // The guide the entry stood for went while the menu was open.
    if (Item->Tag() > 0 && !Guide) return;
    auto* Band = NewAttachedBand<TVyrSubDataBand>(FPage, P, QStringLiteral("Data"),
                                                  QStringLiteral("Could not create band."));
    FinishNewBand(Band, [&](TVyrLevel*& Level) {
        Band->SetOrderDirect(999);
        Level = NewLevel(Band, false);
        if (Guide) {
            Guide->SetUpdateLevel(Level);
            Band->SetDataSource(Guide->DataSource());
        }
    });
}

void TVyrPageManager::AddHeadFoot(bool Header) {
    if (Refused()) return;
    TVyrBand* P = SelectedBand();
    if (!P || !FPage) return;
    const QString Base = P->Name() + (Header ? QStringLiteral("Header") : QStringLiteral("Footer"));
    const QString Error = QStringLiteral("Invalid band name");
    TVyrBand* Band = Header ? static_cast<TVyrBand*>(NewAttachedBand<TVyrDataHeadBand>(FPage, P, Base, Error))
                            : NewAttachedBand<TVyrDataFootBand>(FPage, P, Base, Error);
    FinishNewBand(Band, [&](TVyrLevel*& Level) { Level = NewLevel(Band, Header); });
}

void TVyrPageManager::DataHeader1Click(TComponent*) {
    AddHeadFoot(true);
}

void TVyrPageManager::DataFooter1Click(TComponent*) {
    AddHeadFoot(false);
}

void TVyrPageManager::AddOverlay(bool First) {
    if (Refused()) return;
    if (!FPage) return;
    auto* Band = new TVyrOverlayBand(FPage->Owner());
    if (!VyrAutoSetComponentName(Band, QStringLiteral("OverlayBand"), false)) {
        Band->SafeDelete();
        return;
    }
    FinishNewBand(Band, [&](TVyrLevel*& Level) {
        Band->SetParent(FPage);
        Band->SetHeight(20);
        Band->SetBandName(Band->Name());
        Level = NewLevel(Band, false);
        Band->SetFirst(First);
        Band->SetOrderDirect(999);
    });
}

void TVyrPageManager::PrintFirst1Click(TComponent*) {
    AddOverlay(true);
}

void TVyrPageManager::PrintLast1Click(TComponent*) {
    AddOverlay(false);
}

bool TVyrPageManager::Confirm(const QString& Text, const QString& Caption) {
    return Application()->MessageBox(Text, Caption, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void TVyrPageManager::Delete1Click(TComponent*) {
    if (Refused()) return;
    TVyrBand* P = SelectedBand();
    if (!P || !FPage) return;
    if (PimIsAncestor(P)) {
        ShowMessage(AncestorMessage);
        return;
    }
    const TVyrBandTree Tree = BandTree();
    const bool HasChildren = std::any_of(Tree.Rows().begin(), Tree.Rows().end(),
                                         [P](const TVyrBand* B) { return B->Band() == P; });
    const bool HasLabels = P->Labels() && !P->Labels()->empty();
    if ((HasChildren || HasLabels) &&
        !Confirm(QStringLiteral("This band contains labels or child bands.  Delete Anyway?"),
                 QStringLiteral("Confirm Delete")))
        return;

    if (IsSubDataBand(P)) {
        ComponentSelect(PageDesigner(), FPage);
        DeleteTree(P, true, true, true, true);
    } else if (IsSubBand(P)) {
        ComponentSelect(PageDesigner(), FPage);
        DeleteTree(P, false, false, true, false);
    } else if (IsHFBand(P)) {
        ComponentSelect(PageDesigner(), FPage);
        DeleteTree(P, true, true, true, false);
    } else if (IsOverlayBand(P)) {
        ComponentSelect(PageDesigner(), FPage);
        DeleteTree(P, true, false, false, false);
    } else {
        return;
    }
    BandsChanged(false);
}

void TVyrPageManager::DeleteTree(TVyrBand* Band, bool OwnLevel, bool SubBands, bool SubDataBands,
                                 bool HFBands) {
    // Bands hung on each other in a cycle would otherwise delete each other for ever.
    if (std::find(FDeleting.begin(), FDeleting.end(), Band) != FDeleting.end()) return;
    FDeleting.push_back(Band);
    try {
        if (OwnLevel) FreeLevel(Band);
        if (SubBands) DeleteSubBandsOf(Band);
        if (SubDataBands) DeleteSubDataBandsOf(Band);
        if (HFBands) DeleteHFBandsOf(Band);
    } catch (...) {
        std::erase(FDeleting, Band);
        throw;
    }
    std::erase(FDeleting, Band);
    Band->SetParent(nullptr);
    Band->SafeDelete();
}

namespace {
// The first band of one of the page's kind lists that hangs on Band and is not Skipped; the list is
// read afresh every time, since each deletion changes it.
template <class List>
TVyrBand* NextAttached(List Get, const TVyrBand* Band, const std::vector<TVyrBand*>& Skipped) {
    const std::vector<TVyrBand*>* Bands = Get();
    if (!Bands) return nullptr;
    for (TVyrBand* B : *Bands)
        if (B->Band() == Band && std::find(Skipped.begin(), Skipped.end(), B) == Skipped.end()) return B;
    return nullptr;
}
} // namespace

void TVyrPageManager::DeleteSubDataBandsOf(TVyrBand* Band) {
    while (TVyrBand* B = NextAttached([this] { return FPage->SubDataBands(); }, Band, FDeleting))
        DeleteTree(B, true, true, true, true);
}

void TVyrPageManager::DeleteSubBandsOf(TVyrBand* Band) {
    while (TVyrBand* B = NextAttached([this] { return FPage->SubBands(); }, Band, FDeleting))
        DeleteTree(B, false, false, true, false);
}

void TVyrPageManager::DeleteHFBandsOf(TVyrBand* Band) {
    while (TVyrBand* B = NextAttached([this] { return FPage->DataHFBands(); }, Band, FDeleting))
        DeleteTree(B, true, true, true, false);
}

// Drag and drop

bool TVyrPageManager::ValidMove(TVyrBand* Dragged, TVyrBand* Target) const {
    if (!Dragged || !Target || Dragged == Target) return false;
    if (typeid(*Dragged) == typeid(TVyrBand)) return false;
    if (IsOverlayBand(Dragged) || IsOverlayBand(Target)) return false;
    if (IsHFBand(Dragged)) return false;
    if (IsSubBand(Dragged) && IsSubBand(Target)) return false;
    const TVyrBandTree Tree = BandTree();
    // Whatever hangs below the page footer prints with it: only plain sub bands may go there.
    const TVyrBand* PageFoot = FPage ? FPage->PageFoot() : nullptr;
    const bool BelowPageFoot = PageFoot && (Target == PageFoot || Tree.IsAncestor(PageFoot, Target));
    if (BelowPageFoot && typeid(*Dragged) != typeid(TVyrSubBand)) return false;
    return !Tree.IsAncestor(Dragged, Target);
}

void TVyrPageManager::BandListDragOver(TComponent* Sender, TComponent* Source, int X, int Y, bool& Accept) {
    Accept = Source == BandList && Sender == BandList;
    if (!Accept) return;
    const int Row = BandList->ItemAtPos(Point(X, Y), true);
    if (Row >= 0) Accept = ValidMove(SelectedBand(), RowBand(Row));
}

void TVyrPageManager::BandListDragDrop(TComponent* Sender, TComponent* Source, int X, int Y) {
    if (Refused()) return;
    if (Source != BandList || Sender != BandList) return;
    const int Row = BandList->ItemAtPos(Point(X, Y), true);
    if (Row < 0) return;
    TVyrBand* Dragged = SelectedBand();
    TVyrBand* Target = RowBand(Row);
    if (!ValidMove(Dragged, Target)) return;
    Dragged->SetBand(Target);
    Dragged->SetOrder(-1);
    if (IsSubBand(Dragged)) Dragged->SetUpdateLevel(Target->UpdateLevel());
    BandsChanged(true);
}

// The group list

void TVyrPageManager::grouplistClick(TComponent*) {
    if (TVyrGroup* Group = RowGroup(GroupIndex())) ComponentSelect(PageDesigner(), Group);
}

void TVyrPageManager::GroupListPopupPopup(TComponent*) {
    const int Index = GroupIndex();
    const int Count = grouplist->Items().Count();
    GroupAdd->SetEnabled(true);
    GroupDelete->SetEnabled(Index >= 0);
    MoveUp->SetEnabled(Index > 0 && Count >= 2);
    MoveDown->SetEnabled(Index >= 0 && Count >= 2 && Index < Count - 1);
}

void TVyrPageManager::grouplistDrawItem(TListBox* Control, int Index, const TRect& Rect, TOwnerDrawState) {
    TVyrGroup* Group = RowGroup(Index);
    if (!Group) return;
    const TVyrBandTree Tree(FPage, {});
    TVyrCanvasOutline Canvas(*Control->Canvas());
    TVyrBandPainter Painter(Tree, Canvas);
    const TVyrGroupColumns Columns = Painter.PaintGroupRow(
        Group, PimGetMethodValue(Group, QStringLiteral("OnCheckBroken"), PageDesigner()), Rect,
        Control->Width());
    const bool Moved = GroupLabel->Left() != Columns.Group || VariableLabel->Left() != Columns.Variable ||
                       EventLabel->Left() != Columns.Event;
    GroupLabel->SetLeft(Columns.Group);
    VariableLabel->SetLeft(Columns.Variable);
    EventLabel->SetLeft(Columns.Event);
    if (Moved) RefreshWindow();
}

void TVyrPageManager::GroupAddClick(TComponent*) {
    if (Refused()) return;
    if (!FPage) return;
    auto* Group = new TVyrGroup(FPage->Owner());
    try {
        VyrAutoSetComponentName(Group, QStringLiteral("Group"), false);
        Group->SetParent(FPage);
        grouplist->Items().AddObject(Group->Name(), Group);
        FGroupPosList.push_back(Group);
        Group->AddBands(FPage);
        Group->SetLevel(grouplist->Items().Count());
    } catch (...) {
        std::erase(FGroupPosList, Group);
        const int Row = grouplist->Items().IndexOfObject(Group);
        if (Row >= 0) grouplist->Items().Delete(Row);
        Group->SafeDelete();
        throw;
    }
    FPage->OrderBands();
    FPage->ArrangeBands();
    UpdateOutline();
    grouplistClick(grouplist);
    if (IDesigner* Designer = PageDesigner()) Designer->Modified();
}

void TVyrPageManager::GroupDeleteClick(TComponent*) {
    if (Refused()) return;
    const int Index = GroupIndex();
    TVyrGroup* Group = RowGroup(Index);
    if (!Group) return;
    ComponentSelect(PageDesigner(), FPage);
    if (PimIsAncestor(Group)) {
        ShowMessage(AncestorMessage);
        return;
    }
    for (TVyrBand* Band : {Group->Header(), Group->Footer()})
        if (Band) {
            DeleteSubBandsOf(Band);
            DeleteSubDataBandsOf(Band);
        }
    Group->SetParent(nullptr);
    grouplist->Items().Delete(Index);
    FGroupPosList.erase(FGroupPosList.begin() + Index);
    Group->SafeDelete();
    // A row may still hold a group freed elsewhere since the last refresh; it has no level to get.
    int Level = 0;
    for (int Row = 0; Row < int(FGroupPosList.size()); ++Row)
        if (TVyrGroup* G = RowGroup(Row)) G->SetLevel(++Level);
    BandsChanged(false);
    grouplistClick(grouplist);
}

void TVyrPageManager::MoveGroup(int Steps) {
    if (Refused()) return;
    TVyrGroup* Group = RowGroup(GroupIndex());
    if (!Group) return;
    // Two steps past its neighbour: the ordering puts it on the far side of that one.
    Group->SetLevel(Group->Level() + Steps);
    BandsChanged(true);
}

void TVyrPageManager::MoveUpClick(TComponent*) {
    MoveGroup(-2);
}

void TVyrPageManager::MoveDownClick(TComponent*) {
    MoveGroup(2);
}

// Data sources of the designed form and the designer routines

void VyrAddDataLists(TVyrPage* Page, IDesigner* Designer, const QString& Name) {
    if (!Page || !Designer) return;
    auto* Source = dynamic_cast<TDataSource*>(Designer->GetComponent(Name));
    if (!Source || Page->FullDSList()->IndexOf(Source) >= 0) return;
    // A data source of the form this one inherits from is there as the form's own copy.
    if (!PimIsAncestor(Source) && Designer->IsComponentLinkable(Source) && Source->Owner()) {
        const TComponent* Root = Designer->GetRoot();
        const QString OwnerClass = Source->Owner()->DesignClassName();
        if (Root && InheritsFromName(Root, OwnerClass) &&
            Root->DesignClassName().compare(OwnerClass, Qt::CaseInsensitive) != 0)
            return;
    }
    Page->FullDSNames()->Add(Name);
    Page->FullDSList()->Add(Source);
}

namespace {
bool OwnReportRuns(const TComponent* Root) {
    for (int i = 0; i < Root->ComponentCount(); ++i)
        if (auto* Report = dynamic_cast<const TVyrReport*>(Root->Components(i)); Report && Report->Printing())
            return true;
    return false;
}
} // namespace

bool VyrFormRunning(const TComponent* Root) {
    return Root && (ReleaseHeld(Root) || OwnReportRuns(Root));
}

QString VyrFormRunningText() {
    return QStringLiteral("A report of the form is running: the form stays as it is until the run is done.");
}

bool VyrRefusedWhileRunning(const TComponent* Root, bool OnlyReads) {
    if (!Root || !(OnlyReads ? OwnReportRuns(Root) : VyrFormRunning(Root))) return false;
    ShowMessage(VyrFormRunningText());
    return true;
}

void ComponentSelect(IDesigner* Designer, TComponent* Component) {
    if (Designer) Designer->SelectComponent(Component);
}

QString PimGetMethodValue(TComponent* Instance, const QString& PropName, IDesigner* Designer) {
    const TPropList* Props = Instance ? GetPropList(Instance) : nullptr;
    if (!Props) return QString();
    for (const TPropInfo* Info : Props->Published())
        if (Info->Kind == pkEvent && Info->Name == PropName)
            return Designer ? Designer->GetMethodName(Instance, Info->Name)
                            : Instance->EventBinding(Info->Name);
    return QString();
}

void PimRevertToAncestor(TPersistent* Instance, IDesigner* Designer) {
    const TPropList* Props = Instance ? GetPropList(Instance) : nullptr;
    if (!Props || !Designer) return;
    for (const TPropInfo* Info : Props->Published())
        Designer->Revert(Instance, Info->Name);
}
