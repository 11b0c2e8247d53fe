#include "design/Pageman.h"
#include "host/db.h"
#include "host/designreg.h"
#include "host/lists.h"
#include "host/properties.h"
#include "output/PimUtil.h"
#include "report/PimPage.h"

#include <algorithm>

TVyrPageManager::TVyrPageManager(TComponent* AOwner) : TForm(AOwner) {
    SetCaption(QStringLiteral("Band Mananger"));
    SetBounds(Left(), Top(), 443, 400);
}

TVyrPageManager::~TVyrPageManager() = default;

void TVyrPageManager::SetPage(TVyrGrouppage* Value) {
    if (Value == FPage) return;
    if (FPage) FPage->RemoveFreeNotification(this);
    FPage = Value;
    if (Value) Value->FreeNotification(this);
}

IDesigner* TVyrPageManager::PageDesigner() const {
    return FPageDesigner && FPage && FindRootDesigner(FPage) == FPageDesigner ? FPageDesigner : nullptr;
}

void TVyrPageManager::SetDataLists() {
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

void TVyrPageManager::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_VYR_SETDATALISTS:
        SetDataLists();
        return;
    case WM_VYR_SELECTGROUPPAGE:
        SelectGroupPage();
        return;
    default:
        TForm::WndProc(Message);
    }
}

void TVyrPageManager::Notification(TComponent* AComponent, TOperation Operation) {
    TForm::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FPage) FPage = nullptr;
}

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
