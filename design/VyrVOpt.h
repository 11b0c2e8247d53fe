#pragma once
#include "design/Pageman.h"
#include "host/forms.h"
#include "host/graphics.h"

#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class IDesigner;
class TBitBtn;
class QWidget;
class TCustomPanel;
class TDataSet;
class TLabel;
class TListBox;
class TMenuItem;
class TPopupMenu;
class TSpeedButton;
class TStringGrid;
class TStringList;
class TVyrDBVar;
class TVyrDSGuide;
class TVyrDSVariableOptionsWindow;
class TVyrPage;
class TVyrVar;

// What the data control centre lists, one record per row; the centre's report prints them too.

// A data-source guide as its row was built.
class TDsgItem {
public:
    bool CreateVariables = false;
    QString DataSourceName;  // as the page lists the data source
    QString UpdateLevelName; // empty without a level
    TRect CheckRect;         // where the row's check box was last drawn, in the grid's client area
};

// An expression variable.
class TExprItem {
public:
    QString ExprName;
    QString ExprLevelName;
    QString ExprEventName; // the handler of OnGetData
    QString ExprTypeName;
    bool Used = false;
};

// A total variable.
class TTotalItem {
public:
    QString TotalName;
    QString TotalLevelName;
    QString TotalVarName; // the variable it sums
    bool Used = false;
    bool LevelMatch = true;
};

// A database variable the user made himself.
class TDBItem {
public:
    QString DBName;
    QString DataSourceName;
    QString DataField;
    QString LevelName;
    bool Used = false;
    bool LevelMatch = true;
};

using TDsgList = std::vector<std::unique_ptr<TDsgItem>>;
using TExprList = std::vector<std::unique_ptr<TExprItem>>;
using TTotalList = std::vector<std::unique_ptr<TTotalItem>>;
using TDBList = std::vector<std::unique_ptr<TDBItem>>;

enum TPimDSOptionsStateFlag : uint8_t { dsoUpdatingVars = 0x01, dsoRefreshLists = 0x02 };
using TPimDSOptionsState = uint8_t;

// Replaces List's lines with the field names of the guide's data set; a data set that cannot list
// them leaves what it listed. Empty without a guide, data source or data set.
void FillDsgFieldList(TVyrDSGuide* Guide, TStringList* List);
// Replaces List with the guide's automatic database variables on its page, in the page's order.
void FillDsgVarList(TVyrDSGuide* Guide, std::vector<TVyrDBVar*>& List);

// The data control centre of one group page: its data-source guides, the fields of the chosen
// guide's data set with and without an automatic variable, and the expression, total and
// persistent database variables, marking what the report uses and levels that do not match. From
// here variables are made, deleted and optimized by menu and drag and drop, and the automatic
// variables follow their data sets. Everything works without a window; the window is made when the
// form is first shown and paints through the same handlers.
class TVyrDSVariableOptions : public TVyrDataControlForm {
public:
    explicit TVyrDSVariableOptions(TComponent* AOwner);
    ~TVyrDSVariableOptions() override;

    QWidget* Widget() const override;

    // The page and the designer are those of the band manager that made the centre.
    TVyrPage* GetGroupPage() const;
    IDesigner* Designer() const;

    // Rebuilds the five lists from the page.
    void RefreshLists();
    // Asks for RefreshLists once the current message is handled.
    void ObjectChanged() override;
    void SelectComponent(TComponent* Component);
    bool VarUsed(const TVyrVar* Var) const;
    bool DsgOk() const;
    QString GetFullDSName() const;
    TVyrDSGuide* GetDataSourceGuide(const QString& Name) const;
    // The guide of the current row; nil when there is none.
    TVyrDSGuide* CurrentGuide() const;
    // The automatic variable of the guide for the field (case ignored); nil for none.
    TVyrDBVar* GetDbVar(const TVyrDSGuide* Guide, const QString& FieldName) const;
    TVyrVar* GetVar(const QString& Name) const;

    void UpdateDsgList();
    void UpdateCFList();
    void UpdateDBVarList();
    void UpdateExprList();
    void UpdateTotalList();

    // Lays the panels out for the client size and the zoomed lists.
    void FormResize();
    // A click on one of the zoom buttons; nil runs the layout with every flag off.
    void ZoomClick(TComponent* Sender);
    void FieldZoomClick(TComponent* Sender);

    // Selecting what a click in a list points at.
    void DataSourceListClick();
    void ClistClick();
    void FlistClick();
    void VarListClick(TListBox* List);
    void SelectUnused(TListBox* List);
    void UnSelectStuff(TComponent* Sender);

    // The variable operations.
    bool UpdateVars() override;
    void UpdateDSG(TVyrDSGuide* Guide);
    void AddDbVar(TVyrDSGuide* Guide, const QString& FieldName);
    void DeleteVar(TVyrVar* Var);
    void CListDelete();
    void FListDefine();
    // A mouse button released over the grid: the check box under the point turns its guide's
    // automatic variables on or off.
    void DataSourceListMouseUp(int X, int Y);
    void AddManualDBVar(TListBox* Source);
    void Add1Click();
    void ExprAddClick(int Tag);
    void AddTotal(TListBox* Source);
    void DeleteETList(TListBox* List);
    void DeleteDsgItemClick();
    void AddDsgItemClick(TMenuItem* Item);
    void RevertToAncestorClick();
    void Optimize();

    // What the lists accept dropped from Source, and the drop.
    bool AcceptsDrop(TComponent* Target, TComponent* Source) const;
    void DropOn(TComponent* Target, TComponent* Source);

    // Sets the menu items' enabled and visible states, as each menu does when it opens.
    void PopupClist();
    void PopupFlist();
    void PopupVarList(TPopupMenu* Menu);
    void PopupDSList();

    // Cell and item painters of the lists.
    void DataSourceListDrawCell(int ACol, int ARow, const TRect& Rect, uint8_t State);
    void ClistDrawItem(int Index, const TRect& Rect, uint8_t State);
    void FlistDrawItem(int Index, const TRect& Rect, uint8_t State);
    void ExprVarListDrawItem(int Index, const TRect& Rect, uint8_t State);
    void TotalVarListDrawItem(int Index, const TRect& Rect, uint8_t State);
    void DBVarListDrawItem(int Index, const TRect& Rect, uint8_t State);

    void WndProc(TMessage& Message) override;

    // What "&Help" and "&Print" run: the help form and the centre's report, which their unit installs.
    std::function<void(TVyrDSVariableOptions* Sender)> OnHelp;
    std::function<void(TVyrDSVariableOptions* Sender)> OnPrint;

    // The item lists, one record per row.
    TDsgList DsgList;
    TExprList ExprList;
    TTotalList TotalList;
    TDBList DBList;
    TPimDSOptionsState FDSOptionsState = 0;
    bool DataSourceZoomed = false;
    bool ExprZoomed = false;
    bool TotalZoomed = false;
    bool DBVarZoomed = false;
    bool FieldZoomed = false;
    bool VarZoomed = false;

    // The controls, owned by the form.
    TCustomPanel* DataSourcePanel = nullptr;
    TCustomPanel* DataSourceListPanel = nullptr;
    TLabel* AutoLabel = nullptr;
    TLabel* DataSourceLabel = nullptr;
    TLabel* LevelLabel = nullptr;
    TStringGrid* DataSourceList = nullptr;
    TSpeedButton* DataSourceZoom = nullptr;
    TCustomPanel* ExprPanel = nullptr;
    TCustomPanel* ExprListPanel = nullptr;
    TLabel* ExprLabel = nullptr;
    TLabel* ExprLevelLabel = nullptr;
    TLabel* ExprEventLabel = nullptr;
    TLabel* ExprTypeLabel = nullptr;
    TListBox* ExprVarList = nullptr;
    TSpeedButton* ExprZoom = nullptr;
    TCustomPanel* totalpanel = nullptr;
    TCustomPanel* TotalListPanel = nullptr;
    TLabel* TotalLabel = nullptr;
    TLabel* TotalLevelLabel = nullptr;
    TLabel* TotalVariableLabel = nullptr;
    TListBox* TotalVarList = nullptr;
    TSpeedButton* TotalZoom = nullptr;
    TCustomPanel* DBVarPanel = nullptr;
    TCustomPanel* DBVarListPanel = nullptr;
    TLabel* DBLabel = nullptr;
    TLabel* DBDataSourceLabel = nullptr;
    TLabel* DBFieldLabel = nullptr;
    TLabel* DBLevelLabel = nullptr;
    TListBox* DBVarList = nullptr;
    TSpeedButton* DbVarZoom = nullptr;
    TCustomPanel* FieldsPanel = nullptr;
    TCustomPanel* FieldsListPanel = nullptr;
    TLabel* FieldsLabel = nullptr;
    TListBox* flist = nullptr;
    TSpeedButton* FieldZoom = nullptr;
    TCustomPanel* VarPanel = nullptr;
    TCustomPanel* VarListPanel = nullptr;
    TLabel* VarsLabel = nullptr;
    TListBox* clist = nullptr;
    TSpeedButton* VarZoom = nullptr;
    TCustomPanel* ButtonPanel = nullptr;
    TLabel* UsedLabel = nullptr;
    TLabel* UnmatchedLabel = nullptr;
    TBitBtn* CloseButton = nullptr;
    TBitBtn* HelpButton = nullptr;
    TBitBtn* OptimizeButton = nullptr;
    TBitBtn* PrintButton = nullptr;
    TSpeedButton* ZOOMIN = nullptr;
    TSpeedButton* ZOOMOUT = nullptr;
    TPopupMenu* clistPopup = nullptr;
    TMenuItem* UnDefine1 = nullptr;
    TMenuItem* clistSelectUnused = nullptr;
    TMenuItem* clistSelectAll = nullptr;
    TPopupMenu* flistpopup = nullptr;
    TMenuItem* Define1 = nullptr;
    TMenuItem* flistSelectAll = nullptr;
    TPopupMenu* ExprListPopup = nullptr;
    TMenuItem* ExprDelete = nullptr;
    TMenuItem* ExprSelectUnused = nullptr;
    TMenuItem* ExprSelectAll = nullptr;
    TMenuItem* AddExpressionType = nullptr;
    TPopupMenu* TotalListPopup = nullptr;
    TMenuItem* TotalDelete = nullptr;
    TMenuItem* TotalSelectUnused = nullptr;
    TMenuItem* TotalSelectAll = nullptr;
    TPopupMenu* DBListPopup = nullptr;
    TMenuItem* DBDelete = nullptr;
    TMenuItem* DBSelectUnused = nullptr;
    TMenuItem* DBSelectAll = nullptr;
    TMenuItem* Add1 = nullptr;
    TPopupMenu* DSListPopup = nullptr;
    TMenuItem* RevertToAncestor1 = nullptr;
    TMenuItem* DeleteDsgItem = nullptr;
    TMenuItem* AddDsgItem = nullptr;

protected:
    void DoShow() override;

private:
    void CreateControls();
    void CreateMenus();
    // The page's variables, copied: the operations add and free variables while they walk.
    std::vector<TVyrVar*> PageVars() const;
    std::vector<TVyrDBVar*> DsgVars(TVyrDSGuide* Guide) const;
    // The fields of the guide's data set that have no automatic variable of the guide.
    int MissingVars(TVyrDSGuide* Guide) const;
    // Puts the listed name of the guide's data source on the page's list of sources without a
    // guide, when the page lists the source.
    void ExcludeDataSource(TVyrDSGuide* Guide);
    void DeleteGuide(TVyrDSGuide* Guide);
    // Selects the items of List from First on, makes the last one current and clicks it.
    void SelectFrom(TListBox* List, int First);
    void Modified();
    // A command that would change the page, while a report runs over its form: the user is told
    // why and the result is true.
    bool Refused() const;
    void ShowUpdateVarsLimit();
    // Puts the views of the lists and the grid at their controls' places in the window.
    void PlaceWidgets();
    // The column captions over a list moved as its items were painted: the window, which paints
    // them, shows them at their new places.
    void CaptionsMoved();

    mutable QPointer<QWidget> FWindow; // made on first show
    friend class TVyrDSVariableOptionsWindow;
};
