#pragma once
#include "host/classes.h"
#include "host/messages.h"

#include <QString>
#include <functional>
#include <memory>
#include <type_traits>
#include <vector>

class TPersistent;

using TGetStrProc = std::function<void(const QString& S)>;
using TDesignerSelections = std::vector<TComponent*>;

// What the design-time package asks of the form designer that edits a form: the form (the root),
// the selection, the components by name, the handler names of events, reverting a property and the
// news that the form changed. Every design unit reaches its designer only through this interface,
// so it works alike under the designer program and the tests' headless host.
class IDesigner {
public:
    virtual ~IDesigner();

    // The form being designed.
    virtual TComponent* GetRoot() const = 0;
    // The form changed: it needs saving and its views a refresh.
    virtual void Modified() = 0;

    // Makes Instance the one selected component; nullptr empties the selection.
    virtual void SelectComponent(TComponent* Instance) = 0;
    virtual void SetSelections(const TDesignerSelections& List) = 0;
    // The selected components in the order they were selected.
    virtual TDesignerSelections GetSelections() const = 0;

    // Calls Proc with the name of every named component that IsOfType accepts: the root's own
    // components in their order, then those of the other open modules that can be linked from the
    // root, as "Module.Name".
    virtual void GetComponentNames(const std::function<bool(const TComponent*)>& IsOfType,
                                   const TGetStrProc& Proc) const = 0;
    template <class T> void GetComponentNames(const TGetStrProc& Proc) const {
        GetComponentNames([](const TComponent* C) { return dynamic_cast<const T*>(C) != nullptr; }, Proc);
    }
    // The component of that name (case ignored): the root itself, one of its components, or
    // "Module.Name" in another open module; nullptr when there is none.
    virtual TComponent* GetComponent(const QString& Name) const = 0;
    // The name under which GetComponentNames lists Component; empty when it has none.
    virtual QString GetComponentName(const TComponent* Component) const = 0;
    // Whether Component lies in another open module and can be referred to from the root.
    virtual bool IsComponentLinkable(const TComponent* Component) const = 0;
    // The open modules: every loaded form the stored forms know, the root among them.
    virtual std::vector<TComponent*> GetModules() const = 0;

    // The handler the event property Event of Instance names; empty when none.
    virtual QString GetMethodName(const TComponent* Instance, const QString& Event) const = 0;
    // Puts a property of Instance back to what the ancestor form holds; without one, to its default.
    virtual void Revert(TPersistent* Instance, const QString& PropName) = 0;

    // A message sent or posted to a component being designed: true when the designer took it. The
    // mouse belongs to the designer unless the control asks for it (CM_DESIGNHITTEST); a double
    // click opens the component editor.
    virtual bool IsDesignMsg(TComponent* Sender, TMessage& Message) = 0;
};

// The designer of the form that holds Component (through its owners up to the root); nullptr when
// the form is not being designed.
IDesigner* FindRootDesigner(const TComponent* Component);
// Makes Designer the designer of Root; nullptr ends it.
void SetRootDesigner(TComponent* Root, IDesigner* Designer);

// The designer of one form, without windows: the designer program shows it, the tests drive it. It
// marks the root and all it owns as designing and hands messages to designing controls to
// IsDesignMsg. The selection forgets a component when it is freed.
class TDesignerHost : public IDesigner {
public:
    explicit TDesignerHost(TComponent* Root);
    ~TDesignerHost() override;
    TDesignerHost(const TDesignerHost&) = delete;
    TDesignerHost& operator=(const TDesignerHost&) = delete;

    TComponent* GetRoot() const override;
    void Modified() override;
    void SelectComponent(TComponent* Instance) override;
    void SetSelections(const TDesignerSelections& List) override;
    TDesignerSelections GetSelections() const override;
    void GetComponentNames(const std::function<bool(const TComponent*)>& IsOfType,
                           const TGetStrProc& Proc) const override;
    using IDesigner::GetComponentNames;
    TComponent* GetComponent(const QString& Name) const override;
    QString GetComponentName(const TComponent* Component) const override;
    bool IsComponentLinkable(const TComponent* Component) const override;
    std::vector<TComponent*> GetModules() const override;
    QString GetMethodName(const TComponent* Instance, const QString& Event) const override;
    void Revert(TPersistent* Instance, const QString& PropName) override;
    bool IsDesignMsg(TComponent* Sender, TMessage& Message) override;

    // Adds Instance to the selection, or takes it out when it is selected (a click with Shift).
    void ToggleSelection(TComponent* Instance);
    bool IsSelected(const TComponent* Instance) const;
    // Opens the component editor of the nearest registered class of Component (a double click).
    void EditComponent(TComponent* Component);

    // The number of Modified calls since the host was made or the count reset.
    int ModifiedCount() const { return FModifiedCount; }
    void ResetModified() { FModifiedCount = 0; }

    std::function<void()> OnModified;
    std::function<void()> OnSelectionChanged;

private:
    class TSelection;
    void SelectionChanged();

    TComponentRef<TComponent> FRoot;
    std::unique_ptr<TSelection> FSelection;
    int FModifiedCount = 0;
};
