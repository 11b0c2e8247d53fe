#pragma once
#include "host/exceptions.h"
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <type_traits>
#include <typeinfo>
#include <vector>

// A class with a component as its second base (a Qt window that is also a component) gets a deleting
// destructor that passes the component's inner address to the destroying delete below, which frees
// the whole object; GCC takes that for freeing an interior pointer.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wfree-nonheap-object"
// On the same optimised paths it takes a component made by plain new (inside make_unique, say) and
// freed through that destroying delete for a mismatched pair, though that delete is the class's own.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

class TComponent;
class TFiler;
class TStream;
class TWriter;
struct TMessage;

// Raised by an operation that a class declares but does not provide.
class EAbstractError : public Exception {
public:
    EAbstractError();
};
[[noreturn]] void AbstractError();

// Naming and ownership failures of components. A clash of names has its own class so that callers
// that look for a free name can tell it from a name that can never be valid.
class EComponentError : public Exception {
    using Exception::Exception;
};
class EInvalidComponentName : public EComponentError {
    using EComponentError::EComponentError;
};
class EDuplicateComponentName : public EComponentError {
    using EComponentError::EComponentError;
};
class EClassNotFound : public Exception {
    using Exception::Exception;
};

// The class name of an object as written in the source ("TPimFile"), found from its dynamic type.
QString ClassNameOf(const std::type_info& Type);

// Base of every object that can copy itself from another and store named extra properties.
class TPersistent {
public:
    TPersistent();
    TPersistent(const TPersistent&) = delete;
    TPersistent& operator=(const TPersistent&) = delete;
    virtual ~TPersistent();

    // Copies Source into this object. A class that knows the source handles it and otherwise calls the
    // inherited Assign; in the end the source is asked to AssignTo this object, and when nobody knows
    // the pair the conversion error is raised.
    virtual void Assign(const TPersistent* Source);

    QString ClassName() const { return ClassNameOf(typeid(*this)); }
    bool ClassNameIs(const QString& Name) const;

    // Named extra properties of the stored form: a class defines them here with the filer, after
    // calling the inherited DefineProperties.
    virtual void DefineProperties(TFiler* Filer);

    virtual QString GetNamePath() const;

protected:
    virtual void AssignTo(TPersistent* Dest) const;
    [[noreturn]] void AssignError(const TPersistent* Source) const;
};

// What a stored-form reader or writer offers to DefineProperties. A reader calls ReadData with the
// stored value of each name it finds; a writer calls WriteData for each name whose HasData is true.
class TFiler {
public:
    virtual ~TFiler();

    virtual void DefineProperty(const QString& Name, const std::function<void(const QVariant&)>& ReadData,
                                const std::function<QVariant()>& WriteData, bool HasData) = 0;
    virtual void DefineBinaryProperty(const QString& Name, const std::function<void(TStream&)>& ReadData,
                                      const std::function<void(TStream&)>& WriteData, bool HasData) = 0;

    // The inherited object that the stored values are compared with, when one is known.
    TPersistent* Ancestor() const { return FAncestor; }
    void SetAncestor(TPersistent* Value) { FAncestor = Value; }

private:
    TPersistent* FAncestor = nullptr;
};

enum TOperation : uint8_t { opInsert, opRemove };

// How a text sits in its room. Scoped, since the rich-text writer's tab alignment has its own taCenter.
enum class TAlignment : uint8_t { taLeftJustify, taRightJustify, taCenter };

enum TComponentStateFlag : uint16_t {
    csLoading = 0x0001,
    csReading = 0x0002,
    csWriting = 0x0004,
    csDestroying = 0x0008,
    csDesigning = 0x0010,
    csAncestor = 0x0020,
    csUpdating = 0x0040,
    csFixups = 0x0080,
    csFreeNotification = 0x0100,
    csInline = 0x0200,
    csDesignInstance = 0x0400,
};
using TComponentState = uint16_t;

// A component belongs to its owner, which frees it; it has a name unique within the owner (case is
// ignored) and tells the components that care when it comes and goes.
//
// Freeing: `delete` runs the whole teardown while the object is still complete (its class's
// BeforeDestruction, with every override in place), then the destructors. The teardown marks the
// component and everything it owns as destroying, tells every component that asked for a free
// notification, frees the owned components (last first), and leaves the owner, which tells its other
// components. This holds also when the object is deleted through a pointer to another base class (a
// Qt parent freeing a child window that is also a component). A component made on the stack gets the
// same steps from its base destructor, where only its own overrides are no longer in force.
//
// Components that come or go in bulk are not announced to one another: while an owner frees its
// components in one go (its own teardown, DestroyComponents) each one going is told to the owner and
// to the components that asked for its free notification, not to every other component of the owner;
// while a root is read whole from a stored form, the components the reader puts in it are told to the
// root alone. Either way the cost grows with the number of components, not with its square.
class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;
    static void operator delete(TComponent* Component, std::destroying_delete_t);

    TComponent* Owner() const { return FOwner; }
    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    TComponent* Components(int Index) const;
    int ComponentIndex() const;
    void SetComponentIndex(int Value);
    TComponent* FindComponent(const QString& AName) const;

    const QString& Name() const { return FName; }
    virtual void SetName(const QString& NewName);
    intptr_t Tag() const { return FTag; }
    void SetTag(intptr_t Value) { FTag = Value; }

    TComponentState ComponentState() const { return FComponentState; }
    bool HasState(TComponentState Flags) const { return (FComponentState & Flags) != 0; }
    // Sets designing on this component and, by default, on everything it owns.
    void SetDesigning(bool Value, bool SetChildren = true);
    // The stored-form reader and writer mark what they work on; tests use the same calls.
    void IncludeState(TComponentState Flags) { FComponentState |= Flags; }
    void ExcludeState(TComponentState Flags) { FComponentState &= static_cast<TComponentState>(~Flags); }
    // Marks this component and all it owns as loading and reading.
    void BeginLoading();
    // Ends reading everywhere, then calls Loaded on this component and on all it owns, in that order.
    void EndLoading();

    void InsertComponent(TComponent* AComponent);
    void RemoveComponent(TComponent* AComponent);
    void DestroyComponents();
    // Marks this component and all it owns as being destroyed.
    void Destroying();

    // AComponent is told (Notification opRemove) when this component is freed, and the other way
    // round; the link ends when either goes.
    void FreeNotification(TComponent* AComponent);
    void RemoveFreeNotification(TComponent* AComponent);

    // Window messages handled at once, on the calling stack; exceptions go to the caller.
    intptr_t Perform(uint32_t Msg, uintptr_t WParam = 0, intptr_t LParam = 0);
    // Hands Message to the designer first while the component is being designed (see
    // SetDesignMessageHook), and to WndProc unless the designer took it. Perform and the delivery of
    // posted messages go through here.
    void Dispatch(TMessage& Message);
    virtual void WndProc(TMessage& Message);
    virtual void DefaultHandler(TMessage& Message);

    QString GetNamePath() const override;

    // Runs the teardown described above; called by delete before any destructor.
    virtual void BeforeDestruction();

    // Raises to refuse being freed by Free (a designer's delete); owners, and a stored-form reader
    // cleaning up after an error, delete without asking.
    virtual void CheckDelete();
    // CheckDelete, then delete. Nothing is freed when the check raises.
    void Free();

    // Writes this component's properties into a stored form; the writer calls it for every
    // component it writes, and an override may act after calling the inherited one.
    virtual void WriteState(TWriter* Writer);

    // The table of named event handlers of a root (a form). A handler is the std::function of the
    // event's exact type held in a std::any; a second definition of a name replaces the first.
    void DefineMethod(const QString& Name, std::any Handler);
    // nullptr when the table has no handler of that name (case is ignored).
    const std::any* MethodAddress(const QString& Name) const;
    // The name a handler was defined with, spelled as defined; empty when unknown.
    QString MethodName(const QString& Name) const;
    // The handler name an event property of this component is bound to (empty: none), which stored
    // forms write. A handler assigned directly to the std::function has no name and is not written.
    QString EventBinding(const QString& Event) const;
    void SetEventBinding(const QString& Event, const QString& Handler);

    // A form being designed is no C++ class of its own: it stands for the class its stored form
    // declares, derived from DesignAncestors (nearest first). DesignClassName is that class, or the
    // C++ class when none was set.
    QString DesignClassName() const;
    QStringList DesignAncestors() const;
    void SetDesignClass(const QString& ClassName, const QStringList& Ancestors);

    // Called after the component was read from a stored form; the base clears csLoading.
    virtual void Loaded();
    // Told when a component comes (opInsert) or goes (opRemove). The base forwards to every owned
    // component, except in the bulk cases above, and drops a free-notification link to a removed one;
    // overrides call it. An insertion made by a constructor is told while the new component is still
    // being built: its name is empty and only its TComponent part exists, so handlers must not look at
    // its class then.
    virtual void Notification(TComponent* AComponent, TOperation Operation);

protected:
    // The owner's check of a rename of one of its components; raises on a clash.
    virtual void ValidateRename(TComponent* AComponent, const QString& CurName, const QString& NewName);
    virtual void ValidateInsert(TComponent* AComponent);
    void ChangeName(const QString& NewName);

private:
    void Insert(TComponent* AComponent);
    void Remove(TComponent* AComponent);
    void NotifyAll(TComponent* AComponent, TOperation Operation);
    void RemoveFreeNotifications();
    void CallLoaded();
    void Teardown();

    TComponent* FOwner = nullptr;
    QString FName;
    intptr_t FTag = 0;
    std::vector<TComponent*> FComponents;   // owned
    QHash<QString, TComponent*> FNameIndex; // upper-cased names of the owned components
    std::vector<TComponent*> FFreeNotifies; // not owned; each link is kept on both sides
    bool FFreeingComponents = false;        // inside DestroyComponents
    struct TMethods;
    std::unique_ptr<TMethods> FMethods; // handler table and event bindings, made on first use
    TComponentState FComponentState = 0;
    bool FTornDown = false;
};

bool IsValidIdent(const QString& Ident);

// The designer's look at a message to a component being designed, before the component sees it:
// true when the designer took the message. The designer host installs it; nullptr removes it.
using TDesignMessageHook = std::function<bool(TComponent* Receiver, TMessage& Message)>;
void SetDesignMessageHook(TDesignMessageHook Hook);

// Watches one component through a free notification and forgets it when it is freed.
class TFreeWatch : public TComponent {
public:
    TFreeWatch();
    ~TFreeWatch() override;
    TComponent* Target() const { return FTarget; }
    void SetTarget(TComponent* Value);
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    TComponent* FTarget = nullptr;
};

// A reference to a component that reads nullptr once the component is freed; for holders that are
// not components themselves, or that would otherwise override Notification for it alone.
template <class T> class TComponentRef {
public:
    TComponentRef() = default;
    explicit TComponentRef(T* Target) { Set(Target); }
    TComponentRef(const TComponentRef&) = delete;
    TComponentRef& operator=(const TComponentRef&) = delete;

    T* Get() const { return FWatch && FWatch->Target() ? FTyped : nullptr; }
    T* operator->() const { return Get(); }
    explicit operator bool() const { return Get() != nullptr; }
    void Set(T* Target) {
        if (!FWatch) FWatch = std::make_unique<TFreeWatch>();
        FTyped = Target;
        FWatch->SetTarget(Target);
    }
    TComponentRef& operator=(T* Target) {
        Set(Target);
        return *this;
    }

private:
    std::unique_ptr<TFreeWatch> FWatch;
    T* FTyped = nullptr;
};

// The registry of classes that stored forms name. Registering a class twice keeps the first.
struct TClassInfo {
    QString Name;
    const std::type_info* Type = nullptr;
    std::function<TPersistent*(TComponent* Owner)> Create;
};

void RegisterClassInfo(const TClassInfo& Info);
template <class T> void RegisterClass() {
    TClassInfo Info;
    Info.Name = ClassNameOf(typeid(T));
    Info.Type = &typeid(T);
    if constexpr (std::is_base_of_v<TComponent, T>)
        Info.Create = [](TComponent* Owner) -> TPersistent* { return new T(Owner); };
    else
        Info.Create = [](TComponent*) -> TPersistent* { return new T(); };
    RegisterClassInfo(Info);
}
template <class... T> void RegisterClasses() {
    (RegisterClass<T>(), ...);
}
void UnRegisterClass(const QString& Name);
// nullptr when the name is not registered (case is ignored).
const TClassInfo* GetClass(const QString& Name);
// Raises EClassNotFound when the name is not registered.
const TClassInfo& FindClass(const QString& Name);
// Makes an object of a registered class; a component gets AOwner.
TPersistent* CreateByClassName(const QString& Name, TComponent* AOwner = nullptr);
TComponent* CreateComponentByClassName(const QString& Name, TComponent* AOwner);

// A filer that collects what an object defines, for copying named properties and for tests.
class TPropertyCollector : public TFiler {
public:
    struct TEntry {
        QString Name;
        QVariant Value;    // written value of a plain property
        QByteArray Binary; // written bytes of a binary property
        bool IsBinary = false;
        bool HasData = false;
    };

    // Asks Instance to define its properties and records the written value of each.
    void Collect(TPersistent* Instance);
    // Asks Instance to define its properties and hands each one that is in Entries its value.
    void Apply(TPersistent* Instance);

    void DefineProperty(const QString& Name, const std::function<void(const QVariant&)>& ReadData,
                        const std::function<QVariant()>& WriteData, bool HasData) override;
    void DefineBinaryProperty(const QString& Name, const std::function<void(TStream&)>& ReadData,
                              const std::function<void(TStream&)>& WriteData, bool HasData) override;

    std::vector<TEntry> Entries;

private:
    enum TMode : uint8_t { pmCollect, pmApply };
    TMode FMode = pmCollect;
};
