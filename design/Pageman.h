#pragma once
#include "host/designer.h"
#include "host/forms.h"

#include <QString>

class TVyrGrouppage;
class TVyrPage;

// The band manager of one group page: the window to which the page and the design companion send
// their messages. This unit holds what the rest of the package needs of it so far: the page, the
// designer that the group page's editors leave with it, and the data-source lists it fills for the
// page; the window with its band outline and group list comes with the band manager itself.
class TVyrPageManager : public TForm {
public:
    explicit TVyrPageManager(TComponent* AOwner);
    ~TVyrPageManager() override;

    // The page served; set by the group page's component editor.
    TVyrGrouppage* Page() const { return FPage; }
    void SetPage(TVyrGrouppage* Value);
    // The designer the last group-page editor used; nullptr once that designer no longer designs
    // the page's form.
    IDesigner* PageDesigner() const;
    void SetPageDesigner(IDesigner* Value) { FPageDesigner = Value; }

    // WM_VYR_SETDATALISTS: the page's lists of the form's data sources, from the designer.
    void SetDataLists();
    void AddDataLists(const QString& Name);
    // WM_VYR_SELECTGROUPPAGE: the page becomes the designer's selection.
    void SelectGroupPage();

    void WndProc(TMessage& Message) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

    TVyrGrouppage* FPage = nullptr; // not owned; cleared on removal
    IDesigner* FPageDesigner = nullptr;
};

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
