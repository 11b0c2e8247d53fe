// The data control centre: its controls, the item lists and how they are rebuilt and painted, the
// layout and zoom rules, and what a click in a list selects.
#include "design/VyrVOpt.h"

#include "host/buttons.h"
#include "host/designer.h"
#include "host/grids.h"
#include "host/listbox.h"
#include "host/lists.h"
#include "host/mathutil.h"
#include "host/menus.h"
#include "output/PimUtil.h"
#include "report/PimDS.h"
#include "report/PimPage.h"
#include "report/VyrVar.h"

#include <QImage>
#include <QPainter>

namespace {

const QString FillLevel = QStringLiteral("Fill in UpdateLevel.");
constexpr int StripHeight = 21;
constexpr int ZoomSize = 16;
constexpr int ButtonPanelHeight = 110;
constexpr TColor UsedColor = 0x008000;
constexpr TColor UnmatchedColor = 0x0000FF;

QString LevelName(const TVyrLevel* Level) {
    return Level ? Level->Name() : FillLevel;
}

QString DataTypeName(TVyrDataTypes Type) {
    switch (Type) {
    case dtypeString:
        return QStringLiteral("String");
    case dtypeFloat:
        return QStringLiteral("Float");
    case dtypeInteger:
        return QStringLiteral("Integer");
    case dtypeBoolean:
        return QStringLiteral("Boolean");
    case dtypeDateTime:
        return QStringLiteral("DateTime");
    case dtypeBlob:
        return QStringLiteral("Blob");
    case dtypeMemo:
        return QStringLiteral("Memo");
    case dtypeGraphic:
        return QStringLiteral("Graphic");
    case dtypeCurrency:
        return QStringLiteral("Currency");
    default:
        return QStringLiteral("Unknown");
    }
}

bool IsAutoDBVar(const TVyrVar* Var) {
    return dynamic_cast<const TVyrDBVar*>(Var) && Var->Id() == vidAutoDataVar;
}

bool IsPersistentDBVar(const TVyrVar* Var) {
    return dynamic_cast<const TVyrDBVar*>(Var) && Var->Id() != vidAutoDataVar && !Var->AutoVar();
}

bool IsExprVar(const TVyrVar* Var) {
    return Var->Id() == vidExprVar;
}

// A magnifier, with a plus or a minus sign in its glass, as a bitmap glyph.
void MakeZoomGlyph(TSpeedButton* Button, bool Plus) {
    QImage Image(ZoomSize, ZoomSize, QImage::Format_RGB32);
    Image.fill(QColor(192, 192, 192));
    {
        QPainter P(&Image);
        P.setPen(QPen(Qt::black, 1));
        P.drawEllipse(1, 1, 9, 9);
        P.setPen(QPen(Qt::black, 2));
        P.drawLine(9, 9, 14, 14);
        P.setPen(QPen(Qt::black, 1));
        P.drawLine(3, 6, 8, 6);
        if (Plus) P.drawLine(5, 3, 5, 8);
    }
    Button->Glyph()->LoadFromImage(Image);
}

} // namespace

// Unit routines

void FillDsgFieldList(TVyrDSGuide* Guide, TStringList* List) {
    List->Clear();
    if (!Guide || !Guide->DataSource() || !Guide->DataSource()->DataSet()) return;
    // A data set that cannot say what its fields are has none to offer.
    TStringList Names;
    try {
        Guide->DataSource()->DataSet()->GetFieldNames(&Names);
    } catch (...) {
    }
    for (int i = 0; i < Names.Count(); ++i)
        List->Add(Names[i]);
}

void FillDsgVarList(TVyrDSGuide* Guide, std::vector<TVyrDBVar*>& List) {
    List.clear();
    if (!Guide || !Guide->DataSource()) return;
    TVyrPage* Page = Guide->Page();
    if (!Page || !Page->Vars()) return;
    for (TVyrVar* V : *Page->Vars())
        if (IsAutoDBVar(V)) {
            auto* DB = static_cast<TVyrDBVar*>(V);
            if (DB->DataSource() == Guide->DataSource()) List.push_back(DB);
        }
}

// TVyrDSVariableOptions

TVyrDSVariableOptions::TVyrDSVariableOptions(TComponent* AOwner) : TVyrDataControlForm(AOwner) {
    SetCaption(QStringLiteral("Data Control Center"));
    Font()->SetName(QStringLiteral("Arial"));
    Font()->SetHeight(-11);
    if (Screen()->PixelsPerInch() > 96) Font()->SetSize(7);
    if (Screen()->Width() >= 800)
        SetBounds(Left(), Top(), 700, 500);
    else
        SetBounds(Left(), Top(), 600, 450);
    CreateControls();
    CreateMenus();
    OnResize = [this](TComponent*) { FormResize(); };
    ZoomClick(nullptr);
    FieldZoomClick(nullptr);
}

TVyrDSVariableOptions::~TVyrDSVariableOptions() {
    delete FWindow.data();
}

TVyrPage* TVyrDSVariableOptions::GetGroupPage() const {
    return PageManager ? PageManager->Page() : nullptr;
}

IDesigner* TVyrDSVariableOptions::Designer() const {
    return PageManager ? PageManager->PageDesigner() : nullptr;
}

void TVyrDSVariableOptions::CreateControls() {
    auto Panel = [this](TWinControl* Parent, const QString& Name) {
        auto* P = new TCustomPanel(this);
        P->SetName(Name);
        P->SetParent(Parent);
        P->SetCaption(QString());
        return P;
    };
    auto Strip = [&](TWinControl* Parent, const QString& Name) {
        auto* S = Panel(Parent, Name);
        S->SetAlign(alTop);
        S->SetHeight(StripHeight);
        S->SetBevelOuter(bvNone);
        return S;
    };
    auto Label = [this](TWinControl* Parent, const QString& Name, const QString& Caption, int Left) {
        auto* L = new TLabel(this);
        L->SetName(Name);
        L->SetParent(Parent);
        L->SetCaption(Caption);
        L->SetBounds(Left, 4, 150, 16);
        L->SetTransparent(true);
        return L;
    };
    auto Zoom = [this](TWinControl* Parent, const QString& Name) {
        auto* B = new TSpeedButton(this);
        B->SetName(Name);
        B->SetParent(Parent);
        B->SetBounds(0, 2, ZoomSize + 2, ZoomSize + 2);
        B->OnClick = [this](TComponent* Sender) {
            if (Sender == FieldZoom || Sender == VarZoom)
                FieldZoomClick(Sender);
            else
                ZoomClick(Sender);
        };
        return B;
    };
    auto List = [this](TWinControl* Parent, const QString& Name, int ItemHeight, int Columns) {
        auto* L = new TListBox(this);
        L->SetName(Name);
        L->SetParent(Parent);
        L->SetAlign(alClient);
        L->SetStyle(lbOwnerDrawFixed);
        L->SetItemHeight(ItemHeight);
        L->SetColumns(Columns);
        L->SetMultiSelect(true);
        return L;
    };

    DataSourcePanel = Panel(this, QStringLiteral("DataSourcePanel"));
    DataSourceListPanel = Strip(DataSourcePanel, QStringLiteral("DataSourceListPanel"));
    AutoLabel = Label(DataSourceListPanel, QStringLiteral("AutoLabel"), QStringLiteral("Auto"), 5);
    DataSourceLabel =
        Label(DataSourceListPanel, QStringLiteral("DataSourceLabel"), QStringLiteral("DataSource"), 35);
    LevelLabel = Label(DataSourceListPanel, QStringLiteral("LevelLabel"), QStringLiteral("Level"), 200);
    DataSourceZoom = Zoom(DataSourceListPanel, QStringLiteral("DataSourceZoom"));
    DataSourceList = new TStringGrid(this);
    DataSourceList->SetName(QStringLiteral("DataSourceList"));
    DataSourceList->SetParent(DataSourcePanel);
    DataSourceList->SetAlign(alTop);
    DataSourceList->SetColCount(3);
    DataSourceList->SetRowCount(1);
    DataSourceList->SetDefaultRowHeight(17);
    DataSourceList->SetOptions(goVertLine | goHorzLine | goRowSelect);
    DataSourceList->SetDefaultDrawing(false);
    DataSourceList->OnDrawCell = [this](TComponent*, int ACol, int ARow, const TRect& R,
                                        TGridDrawState State) {
        DataSourceListDrawCell(ACol, ARow, R, State);
    };
    DataSourceList->OnClick = [this](TComponent*) { DataSourceListClick(); };
    DataSourceList->OnMouseUp = [this](TComponent*, TMouseButton, TShiftState, int X, int Y) {
        DataSourceListMouseUp(X, Y);
    };
    // A row that scrolls away keeps no check box that a click could reach.
    DataSourceList->OnTopLeftChanged = [this](TComponent*) {
        for (auto& Item : DsgList)
            Item->CheckRect = TRect{};
    };
    DataSourcePanel->OnResize = [this](TComponent*) {
        const int GridHeight = int(Round(DataSourcePanel->Height() * 0.66)) - DataSourceListPanel->Height();
        DataSourceList->SetHeight(std::max(0, GridHeight));
        DataSourceList->SetColWidths(0, 30);
        DataSourceList->SetColWidths(1, DataSourceList->Width() - 190);
        DataSourceList->SetColWidths(2, 150);
    };

    ExprPanel = Panel(this, QStringLiteral("ExprPanel"));
    ExprListPanel = Strip(ExprPanel, QStringLiteral("ExprListPanel"));
    ExprLabel = Label(ExprListPanel, QStringLiteral("ExprLabel"), QStringLiteral("Expression Variables"), 4);
    ExprLevelLabel = Label(ExprListPanel, QStringLiteral("ExprLevelLabel"), QStringLiteral("Level"), 120);
    ExprEventLabel =
        Label(ExprListPanel, QStringLiteral("ExprEventLabel"), QStringLiteral("OnGetData Event"), 220);
    ExprTypeLabel = Label(ExprListPanel, QStringLiteral("ExprTypeLabel"), QStringLiteral("Type"), 380);
    ExprZoom = Zoom(ExprListPanel, QStringLiteral("ExprZoom"));
    ExprVarList = List(ExprPanel, QStringLiteral("ExprVarList"), 15, 0);

    totalpanel = Panel(this, QStringLiteral("totalpanel"));
    TotalListPanel = Strip(totalpanel, QStringLiteral("TotalListPanel"));
    TotalLabel = Label(TotalListPanel, QStringLiteral("TotalLabel"), QStringLiteral("Total Variables"), 4);
    TotalLevelLabel = Label(TotalListPanel, QStringLiteral("TotalLevelLabel"), QStringLiteral("Level"), 220);
    TotalVariableLabel =
        Label(TotalListPanel, QStringLiteral("TotalVariableLabel"), QStringLiteral("Variable"), 350);
    TotalZoom = Zoom(TotalListPanel, QStringLiteral("TotalZoom"));
    TotalVarList = List(totalpanel, QStringLiteral("TotalVarList"), 15, 0);

    DBVarPanel = Panel(this, QStringLiteral("DBVarPanel"));
    DBVarListPanel = Strip(DBVarPanel, QStringLiteral("DBVarListPanel"));
    DBLabel = Label(DBVarListPanel, QStringLiteral("DBLabel"), QStringLiteral("DB Variables"), 4);
    DBDataSourceLabel =
        Label(DBVarListPanel, QStringLiteral("DBDataSourceLabel"), QStringLiteral("DataSource"), 120);
    DBFieldLabel = Label(DBVarListPanel, QStringLiteral("DBFieldLabel"), QStringLiteral("Field"), 240);
    DBLevelLabel = Label(DBVarListPanel, QStringLiteral("DBLevelLabel"), QStringLiteral("Level"), 360);
    DbVarZoom = Zoom(DBVarListPanel, QStringLiteral("DbVarZoom"));
    DBVarList = List(DBVarPanel, QStringLiteral("DBVarList"), 15, 0);

    FieldsPanel = Panel(this, QStringLiteral("FieldsPanel"));
    FieldsListPanel = Strip(FieldsPanel, QStringLiteral("FieldsListPanel"));
    FieldsLabel =
        Label(FieldsListPanel, QStringLiteral("FieldsLabel"), QStringLiteral("Available Fields"), 4);
    FieldZoom = Zoom(FieldsListPanel, QStringLiteral("FieldZoom"));
    flist = List(FieldsPanel, QStringLiteral("flist"), 14, 2);

    VarPanel = Panel(this, QStringLiteral("VarPanel"));
    VarListPanel = Strip(VarPanel, QStringLiteral("VarListPanel"));
    VarsLabel = Label(VarListPanel, QStringLiteral("VarsLabel"), QStringLiteral("Variables"), 4);
    VarZoom = Zoom(VarListPanel, QStringLiteral("VarZoom"));
    clist = List(VarPanel, QStringLiteral("clist"), 14, 2);

    for (TListBox* L : {clist, flist, ExprVarList, DBVarList})
        L->SetDragMode(dmAutomatic);
    clist->OnDrawItem = [this](TListBox*, int I, const TRect& R, TOwnerDrawState S) {
        ClistDrawItem(I, R, S);
    };
    flist->OnDrawItem = [this](TListBox*, int I, const TRect& R, TOwnerDrawState S) {
        FlistDrawItem(I, R, S);
    };
    ExprVarList->OnDrawItem = [this](TListBox*, int I, const TRect& R, TOwnerDrawState S) {
        ExprVarListDrawItem(I, R, S);
    };
    TotalVarList->OnDrawItem = [this](TListBox*, int I, const TRect& R, TOwnerDrawState S) {
        TotalVarListDrawItem(I, R, S);
    };
    DBVarList->OnDrawItem = [this](TListBox*, int I, const TRect& R, TOwnerDrawState S) {
        DBVarListDrawItem(I, R, S);
    };
    clist->OnClick = [this](TComponent*) { ClistClick(); };
    flist->OnClick = [this](TComponent*) { FlistClick(); };
    for (TListBox* L : {ExprVarList, TotalVarList, DBVarList})
        L->OnClick = [this, L](TComponent*) { VarListClick(L); };
    for (TListBox* L : {clist, flist, TotalVarList, DBVarList}) {
        L->OnDragOver = [this](TComponent* Sender, TComponent* Source, int, int, TDragState, bool& Accept) {
            Accept = AcceptsDrop(Sender, Source);
        };
        L->OnDragDrop = [this](TComponent* Sender, TComponent* Source, int, int) { DropOn(Sender, Source); };
    }

    ButtonPanel = Panel(this, QStringLiteral("ButtonPanel"));
    ButtonPanel->SetHeight(ButtonPanelHeight);
    UsedLabel = Label(ButtonPanel, QStringLiteral("UsedLabel"), QStringLiteral("> Used in Report"), 8);
    UsedLabel->Font()->SetName(QStringLiteral("Arial"));
    UsedLabel->Font()->SetHeight(-13);
    UsedLabel->Font()->SetColor(UsedColor);
    UnmatchedLabel =
        Label(ButtonPanel, QStringLiteral("UnmatchedLabel"), QStringLiteral("* Unmatched Levels"), 8);
    UnmatchedLabel->Font()->SetName(QStringLiteral("Arial"));
    UnmatchedLabel->Font()->SetHeight(-13);
    UnmatchedLabel->Font()->SetColor(UnmatchedColor);
    UnmatchedLabel->SetTop(24);
    auto Button = [this](const QString& Name, const QString& Caption, std::function<void()> Action) {
        auto* B = new TBitBtn(this);
        B->SetName(Name);
        B->SetParent(ButtonPanel);
        B->SetCaption(Caption);
        B->OnClick = [Action](TComponent*) { Action(); };
        return B;
    };
    CloseButton = Button(QStringLiteral("CloseButton"), QStringLiteral("&Close"), [this] { Close(); });
    HelpButton = Button(QStringLiteral("HelpButton"), QStringLiteral("&Help"), [this] {
        if (OnHelp) OnHelp(this);
    });
    OptimizeButton =
        Button(QStringLiteral("OptimizeButton"), QStringLiteral("&Optimize"), [this] { Optimize(); });
    PrintButton = Button(QStringLiteral("PrintButton"), QStringLiteral("&Print"), [this] {
        if (OnPrint) OnPrint(this);
    });

    ZOOMIN = new TSpeedButton(this);
    ZOOMIN->SetName(QStringLiteral("ZOOMIN"));
    MakeZoomGlyph(ZOOMIN, true);
    ZOOMOUT = new TSpeedButton(this);
    ZOOMOUT->SetName(QStringLiteral("ZOOMOUT"));
    MakeZoomGlyph(ZOOMOUT, false);
}

void TVyrDSVariableOptions::DoShow() {
    TVyrDataControlForm::DoShow();
    RefreshLists();
    DataSourceListClick();
}

// Refreshing

void TVyrDSVariableOptions::RefreshLists() {
    if (FDSOptionsState & dsoRefreshLists) return;
    FDSOptionsState |= dsoRefreshLists;
    struct TClear {
        TPimDSOptionsState& State;
        ~TClear() { State &= ~dsoRefreshLists; }
    } Clear{FDSOptionsState};
    if (GetGroupPage()) {
        UpdateDsgList();
        UpdateCFList();
        UpdateDBVarList();
        UpdateExprList();
        UpdateTotalList();
    }
    // What the rebuild made the page post (its notices to the band manager, which ask this form for
    // another refresh) is delivered now, and that refresh is dropped while the guard is set. The
    // window system's events wait for the event loop: handled here, inside the handler that asked
    // for the rebuild, a click could free this form or the menu whose choice is being handled.
    DeliverPostedMessages();
}

void TVyrDSVariableOptions::ObjectChanged() {
    PostMessage(this, WM_VYR_REFRESHVARLISTS);
}

void TVyrDSVariableOptions::WndProc(TMessage& Message) {
    if (Message.Msg == WM_VYR_REFRESHVARLISTS) {
        RefreshLists();
        return;
    }
    TVyrDataControlForm::WndProc(Message);
}

void TVyrDSVariableOptions::UpdateDsgList() {
    DsgList.clear();
    TVyrPage* Page = GetGroupPage();
    if (Page && Page->DataSourceList())
        for (TVyrDSGuide* G : *Page->DataSourceList()) {
            const int i = Page->FullDSList()->IndexOf(G->DataSource());
            if (i < 0 || !G->DataSource()) continue;
            auto Item = std::make_unique<TDsgItem>();
            Item->CreateVariables = G->CreateVariables();
            Item->DataSourceName =
                i < Page->FullDSNames()->Count() ? Page->FullDSNames()->Strings(i) : QString();
            Item->UpdateLevelName = G->UpdateLevel() ? G->UpdateLevel()->Name() : QString();
            DsgList.push_back(std::move(Item));
        }
    DataSourceList->SetRowCount(std::max<int>(1, int(DsgList.size())));
    for (int r = 0; r < int(DsgList.size()); ++r) {
        DataSourceList->SetCells(0, r, QStringLiteral(" "));
        DataSourceList->SetCells(1, r, DsgList[size_t(r)]->DataSourceName);
        DataSourceList->SetCells(2, r, DsgList[size_t(r)]->UpdateLevelName);
    }
    if (DsgList.empty())
        for (int c = 0; c < 3; ++c)
            DataSourceList->SetCells(c, 0, QString());
    FormResize();
}

void TVyrDSVariableOptions::UpdateCFList() {
    QStringList Defined, Available;
    TVyrDSGuide* Guide = CurrentGuide();
    if (Guide && Guide->DataSource()) {
        for (TVyrDBVar* V : DsgVars(Guide))
            Defined << V->DataField();
        TStringList Fields;
        FillDsgFieldList(Guide, &Fields);
        for (int i = 0; i < Fields.Count(); ++i)
            if (!Defined.contains(Fields[i], Qt::CaseInsensitive)) Available << Fields[i];
    }
    clist->Items().Assign(Defined);
    flist->Items().Assign(Available);
}

void TVyrDSVariableOptions::UpdateDBVarList() {
    DBList.clear();
    TVyrPage* Page = GetGroupPage();
    QStringList Names;
    for (TVyrVar* V : PageVars()) {
        if (!IsPersistentDBVar(V)) continue;
        auto* DB = static_cast<TVyrDBVar*>(V);
        auto Item = std::make_unique<TDBItem>();
        Item->DBName = DB->Name();
        Item->DataSourceName =
            DB->DataSource() ? DB->DataSource()->Name() : QStringLiteral("Fill in DataSource.");
        Item->DataField = DB->DataField().isEmpty() ? QStringLiteral("Fill in Field.") : DB->DataField();
        Item->LevelName = LevelName(DB->UpdateLevel());
        Item->Used = VarUsed(DB);
        // By the source itself, since sources of two modules may share a name.
        if (DB->UpdateLevel())
            if (const TVyrDSGuide* G = Page->GuideOfDataSource(DB->DataSource()))
                Item->LevelMatch = G->UpdateLevel() == DB->UpdateLevel();
        Names << Item->DBName;
        DBList.push_back(std::move(Item));
    }
    DBVarList->Items().Assign(Names);
}

void TVyrDSVariableOptions::UpdateExprList() {
    ExprList.clear();
    QStringList Names;
    for (TVyrVar* V : PageVars()) {
        if (!IsExprVar(V)) continue;
        auto Item = std::make_unique<TExprItem>();
        Item->ExprName = V->Name();
        Item->ExprLevelName = LevelName(V->UpdateLevel());
        Item->ExprEventName = PimGetMethodValue(V, QStringLiteral("OnGetData"), Designer());
        if (Item->ExprEventName.isEmpty()) Item->ExprEventName = QStringLiteral("Fill in OnGetData event.");
        Item->ExprTypeName = DataTypeName(V->DataType());
        Item->Used = VarUsed(V);
        Names << Item->ExprName;
        ExprList.push_back(std::move(Item));
    }
    ExprVarList->Items().Assign(Names);
}

void TVyrDSVariableOptions::UpdateTotalList() {
    TotalList.clear();
    TVyrPage* Page = GetGroupPage();
    QStringList Names;
    if (Page && Page->TotalVars())
        for (TVyrTotalvar* T : *Page->TotalVars()) {
            auto Item = std::make_unique<TTotalItem>();
            Item->TotalName = T->Name();
            Item->TotalLevelName = LevelName(T->UpdateLevel());
            Item->TotalVarName = T->Variable() ? T->Variable()->Name() : QStringLiteral("Fill in Variable.");
            Item->Used = VarUsed(T);
            if (T->UpdateLevel() && T->Variable() && T->Variable()->UpdateLevel())
                Item->LevelMatch = T->UpdateLevel() == T->Variable()->UpdateLevel();
            Names << Item->TotalName;
            TotalList.push_back(std::move(Item));
        }
    TotalVarList->Items().Assign(Names);
}

// Questions about the page

std::vector<TVyrVar*> TVyrDSVariableOptions::PageVars() const {
    TVyrPage* Page = GetGroupPage();
    return Page && Page->Vars() ? *Page->Vars() : std::vector<TVyrVar*>();
}

std::vector<TVyrDBVar*> TVyrDSVariableOptions::DsgVars(TVyrDSGuide* Guide) const {
    std::vector<TVyrDBVar*> Vars;
    FillDsgVarList(Guide, Vars);
    return Vars;
}

void TVyrDSVariableOptions::SelectComponent(TComponent* Component) {
    TVyrPage* Page = GetGroupPage();
    if (!Page) return;
    ComponentSelect(Designer(), Component ? Component : Page);
}

bool TVyrDSVariableOptions::VarUsed(const TVyrVar* Var) const {
    TVyrPage* Page = GetGroupPage();
    return Page && Page->VarUsed(Var);
}

bool TVyrDSVariableOptions::DsgOk() const {
    const int Row = DataSourceList->Row();
    return !DsgList.empty() && Row >= 0 && Row < int(DsgList.size());
}

QString TVyrDSVariableOptions::GetFullDSName() const {
    return DsgOk() ? DsgList[size_t(DataSourceList->Row())]->DataSourceName : QString();
}

TVyrDSGuide* TVyrDSVariableOptions::GetDataSourceGuide(const QString& Name) const {
    TVyrPage* Page = GetGroupPage();
    return Page ? Page->GetDataSourceGuide(Name) : nullptr;
}

TVyrDSGuide* TVyrDSVariableOptions::CurrentGuide() const {
    return GetDataSourceGuide(GetFullDSName());
}

TVyrDBVar* TVyrDSVariableOptions::GetDbVar(const TVyrDSGuide* Guide, const QString& FieldName) const {
    if (!Guide) return nullptr;
    for (TVyrVar* V : PageVars())
        if (IsAutoDBVar(V)) {
            auto* DB = static_cast<TVyrDBVar*>(V);
            if (DB->DataSource() == Guide->DataSource() &&
                DB->DataField().compare(FieldName, Qt::CaseInsensitive) == 0)
                return DB;
        }
    return nullptr;
}

TVyrVar* TVyrDSVariableOptions::GetVar(const QString& Name) const {
    for (TVyrVar* V : PageVars())
        if (V->Name() == Name) return V;
    return nullptr;
}

// Painting

void TVyrDSVariableOptions::DataSourceListDrawCell(int ACol, int ARow, const TRect& R, uint8_t State) {
    TCanvas* C = DataSourceList->Canvas();
    if (ARow >= int(DsgList.size())) {
        C->FillRect(R);
        return;
    }
    TDsgItem& Item = *DsgList[size_t(ARow)];
    const bool Selected = State & gdSelected;
    const TColor Text = Selected ? clWhite : clBlack;
    C->Brush().SetStyle(bsSolid);
    C->Brush().SetColor(Selected ? clNavy : clWhite);
    C->Font().SetColor(Text);
    C->FillRect(R);
    if (ACol == 0) {
        const int L = R.Left + 5;
        const int T = R.Top + 3;
        C->Pen().SetStyle(psSolid);
        C->Pen().SetWidth(0);
        C->Pen().SetColor(Text);
        Item.CheckRect = Rect(L, T, L + 12, T + 12);
        C->Rectangle(Item.CheckRect);
        if (Item.CreateVariables) {
            C->Pen().SetWidth(2);
            C->MoveTo(L + 2, T + 2);
            C->LineTo(L + 10, T + 10);
            C->MoveTo(L + 10, T + 2);
            C->LineTo(L + 2, T + 10);
        }
        return;
    }
    C->TextRect(R, R.Left + 2, R.Top + 1, ACol == 1 ? Item.DataSourceName : Item.UpdateLevelName);
}

namespace {

// The used mark: green on a selected item's background, else its text, for the rest of the row.
QString MarkUsed(TCanvas* C, const QString& Name, bool Used, bool Selected) {
    if (!Used) return Name;
    if (Selected)
        C->Brush().SetColor(UsedColor);
    else
        C->Font().SetColor(UsedColor);
    return QStringLiteral("> ") + Name;
}

// A column's caption over the list starts where the column does and is as wide.
bool PlaceCaption(TLabel* Caption, int Left, int Right) {
    const QRect Place(Left, Caption->Top(), std::max(0, Right - Left), Caption->Height());
    if (Caption->BoundsRect() == Place) return false;
    Caption->SetBounds(Place.x(), Place.y(), Place.width(), Place.height());
    return true;
}

// The columns of a list's row: from 4 pixels in, one pixel apart, each as wide as it is added.
class TColumns {
public:
    explicit TColumns(const TRect& Item) : FItem(Item), FNext(Item.Left + 4) {}
    // The room from the next column's left to the row's end.
    int Room() const { return FItem.Right - FNext; }
    void Add(int Width) {
        FSpans.push_back({FNext, FNext + Width});
        FNext += Width + 1;
    }
    // The captions over the list stand where the columns do and are as wide.
    // Whether any caption moved.
    bool Place(std::initializer_list<TLabel*> Captions) const {
        size_t i = 0;
        bool Moved = false;
        for (TLabel* Caption : Captions) {
            const auto [L, R] = FSpans[i++];
            Moved |= PlaceCaption(Caption, L, R);
        }
        return Moved;
    }
    struct TCell {
        QString Text;
        bool Unmatched = false; // a level that does not match: "* " in red
    };
    // Fills the row and writes each cell at (left + 2, top + 1) clipped to its column; the first
    // cell is the name, marked when the variable is used.
    void Draw(TCanvas* C, bool Selected, bool Used, std::initializer_list<TCell> Cells) const {
        size_t i = 0;
        for (const TCell& Cell : Cells) {
            const auto [L, R] = FSpans[i];
            QString Text = Cell.Text;
            if (i++ == 0) {
                Text = MarkUsed(C, Text, Used, Selected);
                C->FillRect(FItem);
            }
            const TColor Before = C->Font().Color();
            if (Cell.Unmatched) {
                C->Font().SetColor(UnmatchedColor);
                Text = QStringLiteral("* ") + Text;
            }
            C->TextRect(Rect(L, FItem.Top, R, FItem.Bottom), L + 2, FItem.Top + 1, Text);
            if (Cell.Unmatched) C->Font().SetColor(Before);
        }
    }

private:
    TRect FItem;
    int FNext;
    std::vector<std::pair<int, int>> FSpans;
};

} // namespace

void TVyrDSVariableOptions::ClistDrawItem(int Index, const TRect& R, uint8_t State) {
    TCanvas* C = clist->Canvas();
    const QString Field = clist->Items()[Index];
    const QString Text = MarkUsed(C, Field, VarUsed(GetDbVar(CurrentGuide(), Field)), State & odSelected);
    C->FillRect(R);
    C->TextOut(R.Left + 4, R.Top, Text);
}

void TVyrDSVariableOptions::FlistDrawItem(int Index, const TRect& R, uint8_t) {
    TCanvas* C = flist->Canvas();
    C->FillRect(R);
    C->TextOut(R.Left + 4, R.Top, flist->Items()[Index]);
}

void TVyrDSVariableOptions::ExprVarListDrawItem(int Index, const TRect& Rect_, uint8_t State) {
    const int W = ExprVarList->ClientWidth();
    TColumns Cols(Rect_);
    Cols.Add(int(Round(W * 0.25)));
    Cols.Add(int(Round(0.33 * Cols.Room())));
    Cols.Add(int(Round(0.75 * Cols.Room())));
    Cols.Add(Cols.Room());
    if (Cols.Place({ExprLabel, ExprLevelLabel, ExprEventLabel, ExprTypeLabel})) CaptionsMoved();
    if (Index < 0 || Index >= int(ExprList.size())) return;
    const TExprItem& Item = *ExprList[size_t(Index)];
    Cols.Draw(ExprVarList->Canvas(), State & odSelected, Item.Used,
              {{Item.ExprName}, {Item.ExprLevelName}, {Item.ExprEventName}, {Item.ExprTypeName}});
}

void TVyrDSVariableOptions::TotalVarListDrawItem(int Index, const TRect& Rect_, uint8_t State) {
    const int W = TotalVarList->ClientWidth();
    TColumns Cols(Rect_);
    Cols.Add(int(Round(W * 0.45)));
    Cols.Add(int(Round(Cols.Room() / 2.0)));
    Cols.Add(Cols.Room());
    if (Cols.Place({TotalLabel, TotalLevelLabel, TotalVariableLabel})) CaptionsMoved();
    if (Index < 0 || Index >= int(TotalList.size())) return;
    const TTotalItem& Item = *TotalList[size_t(Index)];
    Cols.Draw(TotalVarList->Canvas(), State & odSelected, Item.Used,
              {{Item.TotalName}, {Item.TotalLevelName, !Item.LevelMatch}, {Item.TotalVarName}});
}

void TVyrDSVariableOptions::DBVarListDrawItem(int Index, const TRect& Rect_, uint8_t State) {
    const int W = DBVarList->ClientWidth();
    TColumns Cols(Rect_);
    Cols.Add(int(Round(W * 0.25)));
    const int Quarter = Cols.Room() / 4;
    Cols.Add(Quarter);
    Cols.Add(Quarter);
    Cols.Add(Cols.Room());
    if (Cols.Place({DBLabel, DBDataSourceLabel, DBFieldLabel, DBLevelLabel})) CaptionsMoved();
    if (Index < 0 || Index >= int(DBList.size())) return;
    const TDBItem& Item = *DBList[size_t(Index)];
    Cols.Draw(DBVarList->Canvas(), State & odSelected, Item.Used,
              {{Item.DBName}, {Item.DataSourceName}, {Item.DataField}, {Item.LevelName, !Item.LevelMatch}});
}

// Layout and zoom

void TVyrDSVariableOptions::FormResize() {
    if (!ButtonPanel) return;
    const int H = ClientHeight();
    const int CW = ClientWidth();
    const int LeftWidth = int(Round(CW * 0.7));
    const bool AnyZoomed = DataSourceZoomed || ExprZoomed || TotalZoomed || DBVarZoomed;
    struct TLeft {
        TCustomPanel* Panel;
        bool Zoomed;
        double Share;
    } const Lefts[] = {{DataSourcePanel, DataSourceZoomed, 0.4},
                       {ExprPanel, ExprZoomed, 0.2},
                       {totalpanel, TotalZoomed, 0.2},
                       {DBVarPanel, DBVarZoomed, 0.2}};
    int Top = 0;
    for (const TLeft& L : Lefts) {
        const double Share = !AnyZoomed ? L.Share : L.Zoomed ? 0.7 : 0.1;
        int Height = int(Round(H * Share));
        if (L.Panel != DataSourcePanel) Height -= 1;
        L.Panel->SetBounds(0, Top, LeftWidth, Height);
        Top += Height;
    }
    for (TSpeedButton* B : {DataSourceZoom, ExprZoom, TotalZoom, DbVarZoom})
        B->SetLeft(DataSourcePanel->Width() - 20);

    const int RightWidth = CW - LeftWidth - 1;
    ButtonPanel->SetBounds(totalpanel->Width(), H - ButtonPanel->Height(), RightWidth, ButtonPanel->Height());
    const int ButtonWidth = std::max(40, (RightWidth - 24) / 2);
    CloseButton->SetBounds(8, 48, ButtonWidth, 25);
    HelpButton->SetBounds(16 + ButtonWidth, 48, ButtonWidth, 25);
    OptimizeButton->SetBounds(8, 78, ButtonWidth, 25);
    PrintButton->SetBounds(16 + ButtonWidth, 78, ButtonWidth, 25);

    const int D = H - ButtonPanel->Height();
    const bool RightZoomed = FieldZoomed || VarZoomed;
    const int FieldsHeight = int(Round(D * (!RightZoomed ? 0.5 : FieldZoomed ? 0.9 : 0.1))) - 1;
    const int VarHeight = int(Round(D * (!RightZoomed ? 0.5 : VarZoomed ? 0.9 : 0.1))) - 1;
    FieldsPanel->SetBounds(LeftWidth, 0, RightWidth, FieldsHeight);
    VarPanel->SetBounds(LeftWidth, FieldsHeight, RightWidth, VarHeight);
    FieldZoom->SetLeft(flist->Width() - 20);
    VarZoom->SetLeft(flist->Width() - 20);

    AutoLabel->SetBounds(5, AutoLabel->Top(), DataSourceList->ColWidths(0), AutoLabel->Height());
    if (!DsgList.empty()) {
        PlaceCaption(DataSourceLabel, DataSourceList->ColWidths(0) + 5,
                     DataSourceList->ColWidths(0) + 5 + DataSourceList->ColWidths(1));
        LevelLabel->SetLeft(DataSourceList->ColWidths(1) + DataSourceLabel->Left());
    } else {
        DataSourceLabel->SetLeft(Screen()->PixelsPerInch());
        LevelLabel->SetLeft(DataSourceLabel->Left() + 20 + DataSourceList->Width());
    }
    if (FWindow) PlaceWidgets();
}

namespace {

// Toggles the clicked button's flag, clears the others and shows each button's glyph.
void ToggleZoom(TComponent* Sender, std::initializer_list<std::pair<TSpeedButton*, bool*>> Pairs,
                TSpeedButton* In, TSpeedButton* Out) {
    for (auto [Button, Flag] : Pairs) {
        *Flag = Button == Sender && !*Flag;
        TMemoryStream Glyph;
        (*Flag ? Out : In)->Glyph()->SaveToStream(Glyph);
        Glyph.SetPosition(0);
        Button->Glyph()->LoadFromStream(Glyph);
        Button->Invalidate();
    }
}

} // namespace

void TVyrDSVariableOptions::ZoomClick(TComponent* Sender) {
    ToggleZoom(Sender,
               {{DataSourceZoom, &DataSourceZoomed},
                {ExprZoom, &ExprZoomed},
                {TotalZoom, &TotalZoomed},
                {DbVarZoom, &DBVarZoomed}},
               ZOOMIN, ZOOMOUT);
    FormResize();
}

void TVyrDSVariableOptions::FieldZoomClick(TComponent* Sender) {
    ToggleZoom(Sender, {{FieldZoom, &FieldZoomed}, {VarZoom, &VarZoomed}}, ZOOMIN, ZOOMOUT);
    FormResize();
}

// Selection

void TVyrDSVariableOptions::UnSelectStuff(TComponent* Sender) {
    for (TListBox* L : {ExprVarList, TotalVarList, flist, clist, DBVarList})
        if (L != Sender) L->ClearSelection();
}

void TVyrDSVariableOptions::DataSourceListClick() {
    SelectComponent(CurrentGuide());
    UpdateCFList();
    UnSelectStuff(DataSourceList);
}

void TVyrDSVariableOptions::ClistClick() {
    TVyrDSGuide* Guide = CurrentGuide();
    if (clist->ItemIndex() >= 0 && Guide)
        for (int i = 0; i < clist->Items().Count(); ++i)
            if (clist->Selected(i)) {
                SelectComponent(GetDbVar(Guide, clist->Items()[i]));
                break;
            }
    UnSelectStuff(clist);
}

void TVyrDSVariableOptions::FlistClick() {
    SelectComponent(nullptr);
    UnSelectStuff(flist);
}

void TVyrDSVariableOptions::VarListClick(TListBox* List) {
    const int i = List->ItemIndex();
    if (i >= 0 && i < List->Items().Count()) SelectComponent(GetVar(List->Items()[i]));
    UnSelectStuff(List);
}

void TVyrDSVariableOptions::SelectUnused(TListBox* List) {
    TVyrDSGuide* Guide = List == clist ? CurrentGuide() : nullptr;
    for (int i = 0; i < List->Items().Count(); ++i) {
        const QString& Name = List->Items()[i];
        const TVyrVar* Var = List == clist ? GetDbVar(Guide, Name) : GetVar(Name);
        List->SetSelected(i, !VarUsed(Var));
    }
}
