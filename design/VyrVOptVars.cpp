// The data control centre's operations on the page's variables and guides: keeping automatic
// variables in step with their data sets, defining, making and deleting variables, guides and
// their sources, Optimize, the popup menus and what the lists accept dropped.
#include "design/VyrVOpt.h"

#include "host/designer.h"
#include "host/dialogs.h"
#include "host/grids.h"
#include "host/listbox.h"
#include "host/lists.h"
#include "host/menus.h"
#include "output/PimUtil.h"
#include "report/PimDS.h"
#include "report/PimPage.h"
#include "report/VyrUtil.h"
#include "report/VyrVar.h"

#include <QWidget>

namespace {

const QString InheritedNoDelete =
    QStringLiteral("Selection contains a component introduced in an ancestor form which cannot be deleted");

// Clears a state flag when the operation that set it ends, however it ends.
class TStateFlag {
public:
    TStateFlag(TPimDSOptionsState& State, TPimDSOptionsState Flag) : FState(State), FFlag(Flag) {
        FState |= Flag;
    }
    ~TStateFlag() { FState &= TPimDSOptionsState(~FFlag); }
    TStateFlag(const TStateFlag&) = delete;
    TStateFlag& operator=(const TStateFlag&) = delete;

private:
    TPimDSOptionsState& FState;
    TPimDSOptionsState FFlag;
};

QStringList SelectedItems(const TListBox* List) {
    QStringList Items;
    for (int i = 0; i < List->Items().Count(); ++i)
        if (List->Selected(i)) Items << List->Items()[i];
    return Items;
}

bool Confirmed(const QString& Text, const QString& Caption) {
    return Application()->MessageBox(Text, Caption, MB_YESNO) == IDYES;
}

} // namespace

bool TVyrDSVariableOptions::Refused() const {
    TVyrPage* Page = GetGroupPage();
    return Page && VyrRefusedWhileRunning(Page->Owner());
}

void TVyrDSVariableOptions::Modified() {
    if (IDesigner* D = Designer()) D->Modified();
}

// Automatic variables

int TVyrDSVariableOptions::MissingVars(TVyrDSGuide* Guide) const {
    TStringList Fields;
    FillDsgFieldList(Guide, &Fields);
    int Missing = 0;
    for (int i = 0; i < Fields.Count(); ++i)
        if (!GetDbVar(Guide, Fields[i])) ++Missing;
    return Missing;
}

bool TVyrDSVariableOptions::UpdateVars() {
    if (FDSOptionsState & dsoUpdatingVars) return true;
    TStateFlag Guard(FDSOptionsState, dsoUpdatingVars);
    TVyrPage* Page = GetGroupPage();
    if (!Page || !Page->DataSourceList()) return true;
    const std::vector<TVyrDSGuide*> Guides = *Page->DataSourceList();
    // Counting the fields without a variable, so that one guide's stale variables cannot hide
    // another's missing ones.
    int Missing = 0;
    for (TVyrDSGuide* G : Guides)
        if (G->CreateVariables()) Missing += MissingVars(G);
    if (Missing <= 99) {
        for (TVyrDSGuide* G : Guides)
            UpdateDSG(G);
        return true;
    }
    ShowMessage(QStringLiteral("There is %1 fields.  You must manually create the db Variables when > 99.")
                    .arg(Missing));
    for (TVyrDSGuide* G : Guides)
        if (G->CreateVariables() && MissingVars(G) > 0) G->SetCreateVariables(false);
    // An open centre is brought forward; showing it modally again would fail.
    if (Visible()) {
        BringToFront();
        if (QWidget* W = Widget()) {
            W->raise();
            W->activateWindow();
        }
    } else {
        ShowModal();
    }
    return false;
}

void TVyrDSVariableOptions::UpdateDSG(TVyrDSGuide* Guide) {
    if (!Guide) return;
    TStringList Fields;
    FillDsgFieldList(Guide, &Fields);
    if (Fields.Count() > 0)
        for (TVyrDBVar* V : DsgVars(Guide))
            if (Fields.IndexOf(V->DataField()) < 0 && !PimIsAncestor(V)) DeleteVar(V);
    // Every field that lacks a variable gets one, even where stale inherited variables make the
    // counts agree.
    if (Guide->CreateVariables())
        for (int i = 0; i < Fields.Count(); ++i)
            AddDbVar(Guide, Fields[i]);
    for (TVyrDBVar* V : DsgVars(Guide)) {
        V->SetAutoVar(Guide->CreateVariables());
        V->SetUpdateLevel(Guide->UpdateLevel());
    }
    Modified();
}

void TVyrDSVariableOptions::AddDbVar(TVyrDSGuide* Guide, const QString& FieldName) {
    TVyrPage* Page = GetGroupPage();
    if (!Page || !Guide || GetDbVar(Guide, FieldName)) return;
    TDataSource* Source = Guide->DataSource();
    const QString SetName = Source && Source->DataSet() ? Source->DataSet()->Name().toLower() : QString();
    auto* V = new TVyrDBVar(Page->Owner());
    VyrAutoSetComponentName(V, SetName + FieldName + QStringLiteral("Var"), false);
    V->SetParent(Page);
    V->SetAutoVar(Guide->CreateVariables());
    V->SetId(vidAutoDataVar);
    V->SetDataSource(Source);
    V->SetDataField(FieldName);
    V->SetUpdateLevel(Guide->UpdateLevel());
}

void TVyrDSVariableOptions::DeleteVar(TVyrVar* Var) {
    if (!Var) return;
    Var->SetParent(nullptr);
    delete Var;
}

void TVyrDSVariableOptions::FListDefine() {
    if (Refused()) return;
    TVyrDSGuide* Guide = CurrentGuide();
    if (!Guide) return;
    if (PimIsAncestor(Guide)) {
        ShowMessage(QStringLiteral(
            "Selection contains a component introduced in an ancestor form.  Define fields there."));
        return;
    }
    for (const QString& Field : SelectedItems(flist))
        AddDbVar(Guide, Field);
    RefreshLists();
    Modified();
}

void TVyrDSVariableOptions::CListDelete() {
    if (Refused()) return;
    TVyrDSGuide* Guide = CurrentGuide();
    if (!Guide) return;
    if (PimIsAncestor(Guide)) {
        ShowMessage(InheritedNoDelete);
        return;
    }
    const QStringList Fields = SelectedItems(clist);
    SelectComponent(nullptr);
    for (const QString& Field : Fields)
        DeleteVar(GetDbVar(Guide, Field));
    RefreshLists();
    Modified();
}

void TVyrDSVariableOptions::DataSourceListMouseUp(int X, int Y) {
    // A press on the grid may be released beyond it, where the boxes of rows no longer shown were.
    if (!DataSourceList->ClientRect().contains(X, Y)) return;
    for (const auto& Item : DsgList) {
        const TRect& R = Item->CheckRect;
        if (R.IsEmpty() || X < R.Left || X > R.Right || Y < R.Top || Y > R.Bottom) continue;
        TVyrDSGuide* Guide = GetDataSourceGuide(Item->DataSourceName);
        if (Guide && !PimIsAncestor(Guide) && !Refused()) {
            Guide->SetCreateVariables(!Guide->CreateVariables());
            // The box shows the change at once, before the refresh it asked for comes.
            Item->CreateVariables = Guide->CreateVariables();
            DataSourceList->Invalidate();
            // A guide switched on makes its variables under the limit, and with the question, of
            // every update. The question pumps messages, which may rebuild the rows: neither the
            // row nor the guide is read after it.
            if (Guide->CreateVariables())
                UpdateVars();
            else
                UpdateDSG(Guide);
            UpdateCFList();
        }
        return;
    }
}

// Variables made by hand

void TVyrDSVariableOptions::SelectFrom(TListBox* List, int First) {
    const int Count = List->Items().Count();
    if (First >= Count) return;
    for (int i = First; i < Count; ++i)
        List->SetSelected(i, true);
    List->SetItemIndex(Count - 1);
    VarListClick(List);
}

void TVyrDSVariableOptions::AddManualDBVar(TListBox* Source) {
    if (Refused()) return;
    TVyrPage* Page = GetGroupPage();
    TVyrDSGuide* Guide = CurrentGuide();
    // Without a guide there is no data source to read the fields from.
    if (!Page || !Source || Source->SelCount() == 0 || !Guide) return;
    const int First = DBVarList->Items().Count();
    for (const QString& Field : SelectedItems(Source)) {
        if (Field.isEmpty()) continue;
        auto* V = new TVyrDBVar(Page->Owner());
        VyrAutoSetComponentName(V, QStringLiteral("DB") + Field, false);
        V->SetParent(Page);
        V->SetDataSource(Guide->DataSource());
        V->SetUpdateLevel(Guide->UpdateLevel());
        V->SetDataField(Field);
    }
    Modified();
    RefreshLists();
    SelectFrom(DBVarList, First);
}

void TVyrDSVariableOptions::Add1Click() {
    if (Refused()) return;
    TVyrPage* Page = GetGroupPage();
    if (!Page) return;
    auto* V = new TVyrDBVar(Page->Owner());
    VyrAutoSetComponentName(V, QStringLiteral("DB"), false);
    V->SetParent(Page);
    V->SetUpdateLevel(Page->Detail() ? Page->Detail()->UpdateLevel() : nullptr);
    Modified();
    RefreshLists();
}

void TVyrDSVariableOptions::ExprAddClick(int Tag) {
    if (Refused()) return;
    TVyrPage* Page = GetGroupPage();
    if (!Page) return;
    auto* V = new TVyrExprVar(Page->Owner());
    VyrAutoSetComponentName(V, QStringLiteral("ExprVar"), false);
    V->SetParent(Page);
    V->SetId(vidExprVar);
    V->SetUpdateLevel(Page->Detail() ? Page->Detail()->UpdateLevel() : nullptr);
    V->SetDataType(TVyrDataTypes(Tag));
    Modified();
    RefreshLists();
    SelectFrom(ExprVarList, ExprVarList->Items().Count() - 1);
}

void TVyrDSVariableOptions::AddTotal(TListBox* Source) {
    if (Refused()) return;
    TVyrPage* Page = GetGroupPage();
    if (!Page || !Source || Source->SelCount() == 0) return;
    const int First = TotalVarList->Items().Count();
    TVyrDSGuide* Guide = Source == clist ? CurrentGuide() : nullptr;
    for (const QString& Item : SelectedItems(Source)) {
        TVyrVar* Var = Source == clist ? GetDbVar(Guide, Item) : GetVar(Item);
        if (!Var) continue;
        auto* DB = dynamic_cast<TVyrDBVar*>(Var);
        auto* T = new TVyrTotalvar(Page->Owner());
        VyrAutoSetComponentName(T, QStringLiteral("TotalOf") + (DB ? DB->DataField() : Var->Name()), false);
        T->SetParent(Page);
        T->SetUpdateLevel(Var->UpdateLevel());
        T->SetVariable(Var);
    }
    Modified();
    RefreshLists();
    SelectFrom(TotalVarList, First);
}

void TVyrDSVariableOptions::DeleteETList(TListBox* List) {
    if (Refused()) return;
    if (!GetGroupPage()) return;
    SelectComponent(nullptr);
    bool Inherited = false;
    for (const QString& Name : SelectedItems(List)) {
        TVyrVar* Var = GetVar(Name);
        if (PimIsAncestor(Var))
            Inherited = true;
        else
            DeleteVar(Var);
    }
    RefreshLists();
    Modified();
    if (Inherited) ShowMessage(InheritedNoDelete);
}

// Guides

void TVyrDSVariableOptions::ExcludeDataSource(TVyrDSGuide* Guide) {
    TVyrPage* Page = GetGroupPage();
    if (!Guide->DataSource()) return;
    // A source the page does not list has no name to keep.
    const int i = Page->FullDSList()->IndexOf(Guide->DataSource());
    if (i >= 0 && i < Page->FullDSNames()->Count()) Page->NoDsgList()->Add(Page->FullDSNames()->Strings(i));
}

void TVyrDSVariableOptions::DeleteGuide(TVyrDSGuide* Guide) {
    Guide->SetParent(nullptr);
    delete Guide;
}

void TVyrDSVariableOptions::DeleteDsgItemClick() {
    if (Refused()) return;
    TVyrPage* Page = GetGroupPage();
    TVyrDSGuide* Guide = CurrentGuide();
    if (!Page || !Guide) return;
    if (PimIsAncestor(Guide)) {
        ShowMessage(InheritedNoDelete);
        return;
    }
    SelectComponent(nullptr);
    const std::vector<TVyrDBVar*> Vars = DsgVars(Guide);
    const bool Used = std::any_of(Vars.begin(), Vars.end(), [this](TVyrDBVar* V) { return VarUsed(V); });
    if (Used && !Confirmed(QStringLiteral("There are variables that are being used from this DataSource."),
                           QStringLiteral("Confirm Delete?")))
        return;
    ExcludeDataSource(Guide);
    for (TVyrDBVar* V : Vars)
        if (!PimIsAncestor(V)) DeleteVar(V);
    DeleteGuide(Guide);
    Page->UpdateVarList();
    UpdateVars();
    RefreshLists();
    Modified();
}

void TVyrDSVariableOptions::AddDsgItemClick(TMenuItem* Item) {
    if (Refused()) return;
    TVyrPage* Page = GetGroupPage();
    if (!Page || !Item) return;
    const int i = Page->NoDsgList()->IndexOf(StripHotkey(Item->Caption()));
    if (i >= 0) Page->NoDsgList()->Delete(i);
    Modified();
    Page->UpdateVarList();
    UpdateVars();
    RefreshLists();
}

void TVyrDSVariableOptions::RevertToAncestorClick() {
    if (Refused()) return;
    TVyrDSGuide* Guide = CurrentGuide();
    if (!Guide) return;
    // The guide's variables are those of its source before the revert, which may take the source
    // back to the ancestor's.
    const std::vector<TVyrDBVar*> Vars = DsgVars(Guide);
    PimRevertToAncestor(Guide, Designer());
    for (TVyrDBVar* V : Vars)
        PimRevertToAncestor(V, Designer());
}

void TVyrDSVariableOptions::Optimize() {
    if (Refused()) return;
    TVyrPage* Page = GetGroupPage();
    if (!Page) return;
    if (!Confirmed(
            QStringLiteral("This will delete any unused auto dbvars.  If you use any variables in code, I "
                           "cannot detect that.  Optimize?"),
            QStringLiteral("Confirm Optimize?")))
        return;
    SelectComponent(nullptr);
    std::vector<TVyrDSGuide*> Optimized;
    if (Page->DataSourceList())
        for (TVyrDSGuide* G : std::vector<TVyrDSGuide*>(*Page->DataSourceList())) {
            if (PimIsAncestor(G)) continue;
            Optimized.push_back(G);
            G->SetCreateVariables(false);
            for (TVyrDBVar* V : DsgVars(G))
                if (!VarUsed(V) && !PimIsAncestor(V)) DeleteVar(V);
        }
    for (TVyrDSGuide* G : Optimized)
        if (DsgVars(G).empty()) {
            SelectComponent(nullptr);
            ExcludeDataSource(G);
            DeleteGuide(G);
        }
    Page->UpdateVarList();
    UpdateVars();
    RefreshLists();
    Modified();
}

// Menus

void TVyrDSVariableOptions::PopupClist() {
    TVyrDSGuide* Guide = CurrentGuide();
    UnDefine1->SetEnabled(DsgOk() && !PimIsAncestor(Guide) &&
                          !DsgList[size_t(DataSourceList->Row())]->CreateVariables && clist->SelCount() > 0);
    clistSelectUnused->SetEnabled(clist->Items().Count() > 0);
    clistSelectAll->SetEnabled(clist->Items().Count() > 0);
}

void TVyrDSVariableOptions::PopupFlist() {
    Define1->SetEnabled(!PimIsAncestor(CurrentGuide()) && flist->SelCount() > 0);
    flistSelectAll->SetEnabled(flist->Items().Count() > 0);
}

void TVyrDSVariableOptions::PopupVarList(TPopupMenu* Menu) {
    struct TItems {
        TPopupMenu* Menu;
        TListBox* List;
        TMenuItem* Delete;
        TMenuItem* Unused;
        TMenuItem* All;
    } const Menus[] = {{ExprListPopup, ExprVarList, ExprDelete, ExprSelectUnused, ExprSelectAll},
                       {TotalListPopup, TotalVarList, TotalDelete, TotalSelectUnused, TotalSelectAll},
                       {DBListPopup, DBVarList, DBDelete, DBSelectUnused, DBSelectAll}};
    for (const TItems& M : Menus) {
        if (M.Menu != Menu) continue;
        M.Delete->SetEnabled(M.List->SelCount() > 0);
        M.Unused->SetEnabled(M.List->Items().Count() > 0);
        M.All->SetEnabled(M.List->Items().Count() > 0);
    }
}

void TVyrDSVariableOptions::PopupDSList() {
    TVyrPage* Page = GetGroupPage();
    AddDsgItem->Clear();
    const int Count = Page ? Page->NoDsgList()->Count() : 0;
    AddDsgItem->SetVisible(Count > 0);
    for (int i = 0; i < Count; ++i) {
        auto* Item = new TMenuItem(this);
        Item->SetCaption(Page->NoDsgList()->Strings(i));
        Item->OnClick = [this, Item](TComponent*) { AddDsgItemClick(Item); };
        AddDsgItem->Add(Item);
    }
}

void TVyrDSVariableOptions::CreateMenus() {
    auto Menu = [this](const QString& Name, TListBox* List) {
        auto* M = new TPopupMenu(this);
        M->SetName(Name);
        if (List) List->SetPopupMenu(M);
        return M;
    };
    auto Item = [this](TMenuItem* Parent, const QString& Name, const QString& Caption,
                       std::function<void()> Action) {
        auto* I = new TMenuItem(this);
        I->SetName(Name);
        I->SetCaption(Caption);
        if (Action) I->OnClick = [Action](TComponent*) { Action(); };
        Parent->Add(I);
        return I;
    };

    clistPopup = Menu(QStringLiteral("clistPopup"), clist);
    UnDefine1 = Item(clistPopup->Items(), QStringLiteral("UnDefine1"), QStringLiteral("Un&Define"), [this] {
        SelectComponent(nullptr);
        CListDelete();
    });
    clistSelectUnused = Item(clistPopup->Items(), QStringLiteral("clistSelectUnused"),
                             QStringLiteral("Select All &Unused"), [this] { SelectUnused(clist); });
    clistSelectAll = Item(clistPopup->Items(), QStringLiteral("clistSelectAll"),
                          QStringLiteral("Se&lect All"), [this] { clist->SelectAll(); });
    clistPopup->OnPopup = [this](TComponent*) { PopupClist(); };

    flistpopup = Menu(QStringLiteral("flistpopup"), flist);
    Define1 = Item(flistpopup->Items(), QStringLiteral("Define1"), QStringLiteral("&Define"),
                   [this] { FListDefine(); });
    flistSelectAll = Item(flistpopup->Items(), QStringLiteral("flistSelectAll"),
                          QStringLiteral("Se&lect All"), [this] { flist->SelectAll(); });
    flistpopup->OnPopup = [this](TComponent*) { PopupFlist(); };

    struct TVarMenu {
        TPopupMenu*& Menu;
        const char* Name;
        TListBox* List;
        TMenuItem*& Delete;
        TMenuItem*& Unused;
        TMenuItem*& All;
        const char* Prefix;
    } const VarMenus[] = {
        {ExprListPopup, "ExprListPopup", ExprVarList, ExprDelete, ExprSelectUnused, ExprSelectAll, "Expr"},
        {TotalListPopup, "TotalListPopup", TotalVarList, TotalDelete, TotalSelectUnused, TotalSelectAll,
         "Total"},
        {DBListPopup, "DBListPopup", DBVarList, DBDelete, DBSelectUnused, DBSelectAll, "DB"},
    };
    for (const TVarMenu& V : VarMenus) {
        TListBox* List = V.List;
        const QString Prefix = QString::fromLatin1(V.Prefix);
        V.Menu = Menu(QString::fromLatin1(V.Name), List);
        V.Delete = Item(V.Menu->Items(), Prefix + QStringLiteral("Delete"), QStringLiteral("&Delete"),
                        [this, List] { DeleteETList(List); });
        V.Unused = Item(V.Menu->Items(), Prefix + QStringLiteral("SelectUnused"),
                        QStringLiteral("Select All &Unused"), [this, List] { SelectUnused(List); });
        V.All = Item(V.Menu->Items(), Prefix + QStringLiteral("SelectAll"), QStringLiteral("Se&lect All"),
                     [List] { List->SelectAll(); });
        TPopupMenu* M = V.Menu;
        M->OnPopup = [this, M](TComponent*) { PopupVarList(M); };
    }
    AddExpressionType = Item(ExprListPopup->Items(), QStringLiteral("AddExpressionType"),
                             QStringLiteral("&Add Expression Type"), nullptr);
    const char* const Types[] = {"String", "Float", "Integer", "Boolean", "DateTime",
                                 "Blob",   "Memo",  "Graphic", "Currency"};
    for (int Tag = 1; Tag <= 9; ++Tag)
        Item(AddExpressionType, QStringLiteral("AddExpr") + QString::fromLatin1(Types[Tag - 1]),
             QString::fromLatin1(Types[Tag - 1]), [this, Tag] { ExprAddClick(Tag); })
            ->SetTag(Tag);
    Add1 =
        Item(DBListPopup->Items(), QStringLiteral("Add1"), QStringLiteral("&Add"), [this] { Add1Click(); });

    DSListPopup = Menu(QStringLiteral("DSListPopup"), nullptr);
    DataSourceList->SetPopupMenu(DSListPopup);
    RevertToAncestor1 = Item(DSListPopup->Items(), QStringLiteral("RevertToAncestor1"),
                             QStringLiteral("Revert to Ancestor"), [this] { RevertToAncestorClick(); });
    DeleteDsgItem = Item(DSListPopup->Items(), QStringLiteral("DeleteDsgItem"), QStringLiteral("Delete"),
                         [this] { DeleteDsgItemClick(); });
    AddDsgItem = Item(DSListPopup->Items(), QStringLiteral("AddDsgItem"), QStringLiteral("Add"), nullptr);
    DSListPopup->OnPopup = [this](TComponent*) { PopupDSList(); };
}

// Drag and drop

bool TVyrDSVariableOptions::AcceptsDrop(TComponent* Target, TComponent* Source) const {
    if (Target == clist) return Source == flist;
    if (Target == flist)
        return Source == clist && DsgOk() && !DsgList[size_t(DataSourceList->Row())]->CreateVariables;
    if (Target == TotalVarList) return Source == clist || Source == ExprVarList || Source == DBVarList;
    if (Target == DBVarList) return Source == clist || Source == flist;
    return false;
}

void TVyrDSVariableOptions::DropOn(TComponent* Target, TComponent* Source) {
    if (!AcceptsDrop(Target, Source)) return;
    if (Target == clist)
        FListDefine();
    else if (Target == flist)
        CListDelete();
    else if (Target == TotalVarList)
        AddTotal(static_cast<TListBox*>(Source));
    else if (Target == DBVarList)
        AddManualDBVar(static_cast<TListBox*>(Source));
}
