#pragma once
#include "host/designer.h"
#include "host/forms.h"
#include "host/listbox.h"
#include "host/menus.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

class TCustomPanel;
class TLabel;
class TVyrBand;
class TVyrBandTree;
class TVyrDSGuide;
class TVyrGroup;
class TVyrGrouppage;
class TVyrPageManager;
class TVyrPageManagerWindow;
class TVyrLevel;
class TVyrPage;

// The data control centre as the band manager drives it; the centre's form derives from it and its
// unit installs the creator.
class TVyrDataControlForm : public TForm {
public:
    using TForm::TForm;
    // Makes the automatic database variables that are missing; false when the form must not show.
    virtual bool UpdateVars() = 0;
    // A variable of the page changed: the lists are rebuilt once the current message is done.
    virtual void ObjectChanged() = 0;

    // The band manager that made and holds the form.
    TVyrPageManager* PageManager = nullptr;
};
using TVyrDataControlCreator = std::function<TVyrDataControlForm*(TComponent* Owner)>;
// Installs the creator of the data control centre; nullptr removes it (no centre is made then).
void SetDataControlCreator(TVyrDataControlCreator Creator);

// A design form that runs a report over one page and is freed afterwards: the overview and the
// diagnostic report.
class TVyrPageReportForm : public TForm {
public:
    using TForm::TForm;
    // Runs the form's report for Page, whose designer is Designer.
    virtual void RunFor(TVyrGrouppage* Page, IDesigner* Designer) = 0;
};
using TVyrPageReportCreator = std::function<TVyrPageReportForm*(TComponent* Owner)>;
// Install the makers of the overview and diagnostic forms; nullptr removes one (the message does
// nothing then).
void SetOverviewFormCreator(TVyrPageReportCreator Creator);
void SetDiagnosticFormCreator(TVyrPageReportCreator Creator);

// An entry of the Add Data Band submenu: the guide whose data source the new band takes (none for
// "No DataSource"). The entry forgets a guide that is freed while the menu is open.
class TVyrDataBandItem : public TMenuItem {
public:
    explicit TVyrDataBandItem(TComponent* AOwner) : TMenuItem(AOwner) {}
    TVyrDSGuide* Guide() const { return FGuide.Get(); }
    void SetGuide(TVyrDSGuide* Value);

private:
    TComponentRef<TVyrDSGuide> FGuide;
};

// The band manager of one group page: the page's bands as an outline and its groups as a list, where
// bands and groups are added, moved, deleted and re-parented. The page's and the design companion's
// messages arrive here; it relays to the data control centre and runs the overview and diagnostic
// reports. Owned by the application, held and freed by its page. Every command works without a
// window; the Qt window is made when the form is first shown.
class TVyrPageManager : public TForm {
public:
    explicit TVyrPageManager(TComponent* AOwner);
    ~TVyrPageManager() override;
    void BeforeDestruction() override;

    // The page served; set by the group page's component editor.
    TVyrGrouppage* Page() const { return FPage; }
    void SetPage(TVyrGrouppage* Value);
    // The page's groups in the order of grouplist's rows.
    const std::vector<TVyrGroup*>& GroupPosList() const { return FGroupPosList; }
    // The designer the last group-page editor used; nullptr once that designer no longer designs
    // the page's form.
    IDesigner* PageDesigner() const;
    void SetPageDesigner(IDesigner* Value) { FPageDesigner = Value; }
    // The data control centre, made by the first message that needs it.
    TVyrDataControlForm* DataControl() const { return FDataControl; }

    // Message handlers.
    void UpdateForm();
    void SetDataLists();
    void SelectGroupPage();
    void DoDataControl();
    void DataUpdateVars();
    void VarChanged();
    void RunOverReport();
    void RunDiagReport();

    void RefreshVars();
    // Adds the data source of that name, when the designer lists one the page may use, to the page's
    // full data-source lists.
    void AddDataLists(const QString& Name);
    void UpdateLists();
    void UpdateOutline();
    int GroupIndex() const;
    int BandIndex() const;
    // The band of the selected row of BandList; nullptr when none.
    TVyrBand* SelectedBand() const;
    // The band or group of a row, while the page still holds it; nullptr otherwise.
    TVyrBand* RowBand(int Index) const;
    TVyrGroup* RowGroup(int Index) const;
    void Button2Click(TComponent* Sender);

    // The band list.
    void BandListClick(TComponent* Sender);
    void BandListPopupPopup(TComponent* Sender);
    void BandListDrawItem(TListBox* Control, int Index, const TRect& Rect, TOwnerDrawState State);
    void BandListDragOver(TComponent* Sender, TComponent* Source, int X, int Y, bool& Accept);
    void BandListDragDrop(TComponent* Sender, TComponent* Source, int X, int Y);
    // Whether Dragged may be attached to Target.
    bool ValidMove(TVyrBand* Dragged, TVyrBand* Target) const;
    // Move Up (tag 0) and Move Down (tag 1).
    void MoveUp1Click(TComponent* Sender);
    void Above1Click(TComponent* Sender);
    void Below1Click(TComponent* Sender);
    // An item of the Add Data Band submenu.
    void DataBandClick(TComponent* Sender);
    void DataHeader1Click(TComponent* Sender);
    void DataFooter1Click(TComponent* Sender);
    void PrintFirst1Click(TComponent* Sender);
    void PrintLast1Click(TComponent* Sender);
    void Delete1Click(TComponent* Sender);
    void DeleteSubDataBandsOf(TVyrBand* Band);
    void DeleteSubBandsOf(TVyrBand* Band);
    void DeleteHFBandsOf(TVyrBand* Band);

    // The group list.
    void grouplistClick(TComponent* Sender);
    void GroupListPopupPopup(TComponent* Sender);
    void grouplistDrawItem(TListBox* Control, int Index, const TRect& Rect, TOwnerDrawState State);
    void GroupAddClick(TComponent* Sender);
    void GroupDeleteClick(TComponent* Sender);
    void MoveUpClick(TComponent* Sender);
    void MoveDownClick(TComponent* Sender);

    QWidget* Widget() const override;
    void SetVisible(bool Value) override;
    void WndProc(TMessage& Message) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

    // The form's controls, named as its fields.
    TCustomPanel* BandPanel = nullptr;
    TCustomPanel* Panel2 = nullptr;
    TLabel* Label1 = nullptr;
    TLabel* dslabel = nullptr;
    TListBox* BandList = nullptr;
    TCustomPanel* GroupPanel = nullptr;
    TCustomPanel* Panel1 = nullptr;
    TLabel* GroupLabel = nullptr;
    TLabel* VariableLabel = nullptr;
    TLabel* EventLabel = nullptr;
    TListBox* grouplist = nullptr;
    TPopupMenu* GroupListPopup = nullptr;
    TMenuItem* GroupAdd = nullptr;
    TMenuItem* GroupDelete = nullptr;
    TMenuItem* MoveUp = nullptr;
    TMenuItem* MoveDown = nullptr;
    TPopupMenu* BandListPopup = nullptr;
    TMenuItem* MoveUp1 = nullptr;
    TMenuItem* MoveDown1 = nullptr;
    TMenuItem* N1 = nullptr;
    TMenuItem* AddSubBand1 = nullptr;
    TMenuItem* Above1 = nullptr;
    TMenuItem* Below1 = nullptr;
    TMenuItem* AddDataBand1 = nullptr;
    TMenuItem* AddHeadFoot1 = nullptr;
    TMenuItem* DataHeader1 = nullptr;
    TMenuItem* DataFooter1 = nullptr;
    TMenuItem* AddOverlay1 = nullptr;
    TMenuItem* PrintFirst1 = nullptr;
    TMenuItem* PrintLast1 = nullptr;
    TMenuItem* N2 = nullptr;
    TMenuItem* Delete1 = nullptr;

    TVyrGrouppage* FPage = nullptr; // not owned; cleared on removal
    IDesigner* FPageDesigner = nullptr;
    bool InDataControl = false;
    bool InUpdateLists = false;
    bool InUpdateOutline = false;

protected:
    void DoShow() override;

private:
    void BuildForm();
    void FormCreate();
    void FormDestroy();
    TVyrBandTree BandTree() const;
    // The steps every change of the band flow ends with: order, stack, refresh the lists (all, or only
    // the outline), tell the designer.
    void BandsChanged(bool AllLists);
    // The data control centre, made when missing, makes its variables; Showing also brings the
    // page's variable list up to date first and shows the centre when it agrees.
    void RunDataControl(bool Showing);
    // Shows Band's row as selected and selects the band in the designer, as a click on it does.
    void SelectBandRow(TVyrBand* Band);
    // Gives a band a command made its settings (Setup notes the level it made); a failure frees the
    // band with that level and passes on, else the band flow is redone and the new row selected.
    void FinishNewBand(TVyrBand* Band, const std::function<void(TVyrLevel*& Level)>& Setup);
    void AddSubBand(bool Above);
    void AddHeadFoot(bool Header);
    void AddOverlay(bool First);
    // A new update level for Band, named after it.
    TVyrLevel* NewLevel(TVyrBand* Band, bool IsHeader);
    static void FreeLevel(TVyrBand* Band);
    // Frees Band's level when it has one of its own, its attached bands (sub, sub data, head and foot
    // bands as Which says), then Band; bands already being deleted are passed over.
    void DeleteTree(TVyrBand* Band, bool OwnLevel, bool SubBands, bool SubDataBands, bool HFBands);
    bool Confirm(const QString& Text, const QString& Caption);
    // Whether a report runs over the page's form, which no command may change meanwhile; Refused also
    // tells the user so.
    bool Busy() const;
    bool Refused() const;
    void MoveGroup(int Steps);
    void RunReportForm(const TVyrPageReportCreator& Creator);
    void RefreshWindow();

    std::vector<TVyrGroup*> FGroupPosList;
    TVyrDataControlForm* FDataControl = nullptr; // owned by the application, freed with this form
    std::vector<TVyrBand*> FDeleting;            // bands whose deletion is under way
    std::unique_ptr<TVyrPageManagerWindow> FWindow;
};

// Whether a report runs over the form Root designs: one of the form's own reports, or a report that a
// design form runs about it (the overview, the diagnostic report, the data control centre's lists),
// which holds the page it reads (TReleaseHold). The run walks the form's bands, labels and variables
// and lets the application work between two records, so nothing of the form may change meanwhile.
bool VyrFormRunning(const TComponent* Root);
// Why a command that would change the form is refused while a report runs over it.
QString VyrFormRunningText();
// A command on the form Root designs, refused while a report runs over it: the user is told why (once
// for the command) and the result is true, the command doing nothing. A command that only reads the
// form (OnlyReads: a report about it) waits only for the form's own reports, which leave the form as
// their run sees it; reports about the form may read it side by side.
bool VyrRefusedWhileRunning(const TComponent* Root, bool OnlyReads = false);

// Adds the data source of that name, looked up through Designer, to Page's data-source lists:
// nothing for a name that is no data source or one already listed, nor for a data source of an
// open module that the designed form inherits from (its own copy is the one to use).
void VyrAddDataLists(TVyrPage* Page, IDesigner* Designer, const QString& Name);

// Designer routines the design forms share.
void ComponentSelect(IDesigner* Designer, TComponent* Component);
// The handler name the published event PropName (exact case) of Instance holds; empty when none.
QString PimGetMethodValue(TComponent* Instance, const QString& PropName, IDesigner* Designer);
// Reverts every published property of Instance, in order.
void PimRevertToAncestor(TPersistent* Instance, IDesigner* Designer);
