#include "host/designer.h"
#include "host/controls.h"
#include "host/designreg.h"
#include "host/properties.h"
#include "host/storedforms.h"

#include <QHash>
#include <algorithm>

IDesigner::~IDesigner() = default;

// Designers by root

namespace {

QHash<const TComponent*, IDesigner*>& Designers() {
    static auto* Table = new QHash<const TComponent*, IDesigner*>();
    return *Table;
}

const TComponent* RootOf(const TComponent* Component) {
    while (Component && Component->Owner())
        Component = Component->Owner();
    return Component;
}

bool IsMouseMessage(uint32_t Msg) {
    return Msg >= WM_MOUSEMOVE && Msg <= WM_RBUTTONUP;
}

// Only input is the designer's; everything else a designing control handles itself.
bool RouteToDesigner(TComponent* Receiver, TMessage& Message) {
    if (!IsMouseMessage(Message.Msg)) return false;
    IDesigner* Designer = FindRootDesigner(Receiver);
    return Designer && Designer->IsDesignMsg(Receiver, Message);
}

} // namespace

IDesigner* FindRootDesigner(const TComponent* Component) {
    const TComponent* Root = RootOf(Component);
    if (!Root) return nullptr;
    IDesigner* Designer = Designers().value(Root, nullptr);
    // A root freed while its designer lived may leave its address to a newcomer.
    return Designer && Designer->GetRoot() == Root ? Designer : nullptr;
}

void SetRootDesigner(TComponent* Root, IDesigner* Designer) {
    if (!Root) return;
    if (Designer)
        Designers().insert(Root, Designer);
    else
        Designers().remove(Root);
    if (!Designers().isEmpty())
        SetDesignMessageHook(RouteToDesigner);
    else
        SetDesignMessageHook(nullptr);
}

// The selection, which drops a component as it is freed.

class TDesignerHost::TSelection : public TComponent {
public:
    explicit TSelection(TDesignerHost* AHost) : TComponent(nullptr), FHost(AHost) {}
    ~TSelection() override { Set({}); }

    const TDesignerSelections& Items() const { return FItems; }
    void Set(const TDesignerSelections& List) {
        for (TComponent* C : FItems)
            if (std::find(List.begin(), List.end(), C) == List.end()) RemoveFreeNotification(C);
        FItems.clear();
        for (TComponent* C : List)
            if (C && std::find(FItems.begin(), FItems.end(), C) == FItems.end()) {
                FItems.push_back(C);
                C->FreeNotification(this);
            }
    }
    void Notification(TComponent* AComponent, TOperation Operation) override {
        TComponent::Notification(AComponent, Operation);
        if (Operation != opRemove) return;
        auto It = std::find(FItems.begin(), FItems.end(), AComponent);
        if (It == FItems.end()) return;
        FItems.erase(It);
        if (!FHost->FRoot.Get() || FHost->FRoot->HasState(csDestroying)) return;
        FHost->SelectionChanged();
    }

private:
    TDesignerHost* FHost;
    TDesignerSelections FItems;
};

// TDesignerHost

TDesignerHost::TDesignerHost(TComponent* Root) : FRoot(Root), FSelection(std::make_unique<TSelection>(this)) {
    if (!Root) return;
    Root->SetDesigning(true);
    SetRootDesigner(Root, this);
}

TDesignerHost::~TDesignerHost() {
    // Also when the root went first: its entry must not outlive this designer.
    for (auto It = Designers().begin(); It != Designers().end();)
        It = It.value() == this ? Designers().erase(It) : std::next(It);
    if (Designers().isEmpty()) SetDesignMessageHook(nullptr);
    FSelection.reset();
}

TComponent* TDesignerHost::GetRoot() const {
    return FRoot.Get();
}

void TDesignerHost::Modified() {
    ++FModifiedCount;
    if (OnModified) OnModified();
}

void TDesignerHost::SelectComponent(TComponent* Instance) {
    SetSelections(Instance ? TDesignerSelections{Instance} : TDesignerSelections{});
}

void TDesignerHost::SetSelections(const TDesignerSelections& List) {
    FSelection->Set(List);
    SelectionChanged();
}

TDesignerSelections TDesignerHost::GetSelections() const {
    return FSelection->Items();
}

void TDesignerHost::ToggleSelection(TComponent* Instance) {
    if (!Instance) return;
    TDesignerSelections List = FSelection->Items();
    auto It = std::find(List.begin(), List.end(), Instance);
    if (It != List.end())
        List.erase(It);
    else
        List.push_back(Instance);
    SetSelections(List);
}

bool TDesignerHost::IsSelected(const TComponent* Instance) const {
    const TDesignerSelections& List = FSelection->Items();
    return std::find(List.begin(), List.end(), Instance) != List.end();
}

void TDesignerHost::SelectionChanged() {
    if (OnSelectionChanged) OnSelectionChanged();
}

std::vector<TComponent*> TDesignerHost::GetModules() const {
    std::vector<TComponent*> Modules = RegisteredRoots();
    TComponent* Root = FRoot.Get();
    if (Root && std::find(Modules.begin(), Modules.end(), Root) == Modules.end())
        Modules.insert(Modules.begin(), Root);
    return Modules;
}

void TDesignerHost::GetComponentNames(const std::function<bool(const TComponent*)>& IsOfType,
                                      const TGetStrProc& Proc) const {
    TComponent* Root = FRoot.Get();
    if (!Root || !Proc) return;
    auto Accepts = [&](const TComponent* C) { return !C->Name().isEmpty() && (!IsOfType || IsOfType(C)); };
    for (int i = 0; i < Root->ComponentCount(); ++i)
        if (TComponent* C = Root->Components(i); Accepts(C)) Proc(C->Name());
    for (TComponent* Module : GetModules()) {
        if (Module == Root || Module->Name().isEmpty()) continue;
        for (int i = 0; i < Module->ComponentCount(); ++i)
            if (TComponent* C = Module->Components(i); Accepts(C) && IsComponentLinkable(C))
                Proc(Module->Name() + u'.' + C->Name());
    }
}

TComponent* TDesignerHost::GetComponent(const QString& Name) const {
    TComponent* Root = FRoot.Get();
    if (!Root || Name.isEmpty()) return nullptr;
    const qsizetype Dot = Name.indexOf(u'.');
    if (Dot < 0) {
        if (Name.compare(Root->Name(), Qt::CaseInsensitive) == 0) return Root;
        return Root->FindComponent(Name);
    }
    const QString ModuleName = Name.left(Dot);
    for (TComponent* Module : GetModules())
        if (Module->Name().compare(ModuleName, Qt::CaseInsensitive) == 0)
            return Module == Root ? Root->FindComponent(Name.mid(Dot + 1))
                                  : Module->FindComponent(Name.mid(Dot + 1));
    return nullptr;
}

QString TDesignerHost::GetComponentName(const TComponent* Component) const {
    TComponent* Root = FRoot.Get();
    if (!Component || Component->Name().isEmpty()) return QString();
    if (Component == Root || Component->Owner() == Root) return Component->Name();
    if (Component->Owner() && !Component->Owner()->Name().isEmpty())
        return Component->Owner()->Name() + u'.' + Component->Name();
    return Component->Name();
}

bool TDesignerHost::IsComponentLinkable(const TComponent* Component) const {
    if (!Component || !Component->Owner()) return false;
    const TComponent* Module = Component->Owner();
    if (Module == FRoot.Get()) return false;
    const std::vector<TComponent*> Modules = GetModules();
    return std::find(Modules.begin(), Modules.end(), Module) != Modules.end();
}

QString TDesignerHost::GetMethodName(const TComponent* Instance, const QString& Event) const {
    return Instance ? Instance->EventBinding(Event) : QString();
}

void TDesignerHost::Revert(TPersistent* Instance, const QString& PropName) {
    if (!Instance) return;
    void* Owner = nullptr;
    const TPropInfo* Info = FindPropPath(Instance, PropName, &Owner);
    if (!Info) return;
    if (Info->Kind == pkEvent) {
        SetPropValue(Instance, PropName, QString());
        return;
    }
    if (Info->Default && Info->Set) SetPropValue(Instance, PropName, *Info->Default);
}

bool TDesignerHost::IsDesignMsg(TComponent* Sender, TMessage& Message) {
    if (!IsMouseMessage(Message.Msg)) return false;
    // A control that answers the hit test takes the mouse itself, as the tool buttons on a report do.
    if (Sender->Perform(CM_DESIGNHITTEST, Message.WParam, Message.LParam) != 0) return false;
    switch (Message.Msg) {
    case WM_LBUTTONDBLCLK:
        EditComponent(Sender);
        break;
    case WM_LBUTTONDOWN:
        if (Message.WParam & MK_SHIFT)
            ToggleSelection(Sender);
        else if (!IsSelected(Sender))
            SelectComponent(Sender);
        break;
    default:
        break;
    }
    return true;
}

void TDesignerHost::EditComponent(TComponent* Component) {
    if (!Component) return;
    std::unique_ptr<TComponentEditor> Editor = GetComponentEditor(Component, this);
    Editor->Edit();
}
