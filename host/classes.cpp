#include "host/classes.h"
#include "host/forms.h"
#include "host/lists.h"
#include "host/messages.h"
#include "host/storedforms.h"
#include "host/streams.h"
#include <QHash>
#include <algorithm>
#include <cstdlib>
#include <cxxabi.h>
#include <map>
#include <memory>
#include <typeindex>

EAbstractError::EAbstractError() : Exception(QStringLiteral("Abstract Error")) {}

void AbstractError() {
    throw EAbstractError();
}

QString ClassNameOf(const std::type_info& Type) {
    // Demangling is slow and the names never change, so each type is demangled once.
    static auto* Cache = new std::map<std::type_index, QString>();
    auto It = Cache->find(Type);
    if (It != Cache->end()) return It->second;
    int Status = 0;
    char* Demangled = abi::__cxa_demangle(Type.name(), nullptr, nullptr, &Status);
    QString Name = QString::fromLatin1(Status == 0 && Demangled ? Demangled : Type.name());
    std::free(Demangled);
    Cache->emplace(Type, Name);
    return Name;
}

// TPersistent

TPersistent::TPersistent() = default;
TPersistent::~TPersistent() = default;

void TPersistent::Assign(const TPersistent* Source) {
    if (Source) {
        Source->AssignTo(this);
        return;
    }
    AssignError(nullptr);
}

bool TPersistent::ClassNameIs(const QString& Name) const {
    return ClassName().compare(Name, Qt::CaseInsensitive) == 0;
}

void TPersistent::DefineProperties(TFiler*) {}

QString TPersistent::GetNamePath() const {
    return ClassName();
}

void TPersistent::AssignTo(TPersistent* Dest) const {
    Dest->AssignError(this);
}

void TPersistent::AssignError(const TPersistent* Source) const {
    const QString SourceName = Source ? Source->ClassName() : QStringLiteral("nil");
    throw EConvertError(QStringLiteral("Cannot assign a %s to a %s."), {SourceName, ClassName()});
}

TFiler::~TFiler() = default;

// TComponent

struct TComponent::TMethods {
    QHash<QString, std::pair<QString, std::any>> Handlers; // upper-cased name -> (name, handler)
    QHash<QString, QString> Bindings;                      // upper-cased event name -> handler name
    QString DesignClass;                                   // a designed root's class, empty: none
    QStringList DesignAncestors;
};

namespace {
TDesignMessageHook& DesignMessageHook() {
    static auto* Hook = new TDesignMessageHook();
    return *Hook;
}
} // namespace

void SetDesignMessageHook(TDesignMessageHook Hook) {
    DesignMessageHook() = std::move(Hook);
}

TComponent::TComponent(TComponent* AOwner) {
    if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
    // Reached without BeforeDestruction only for a component that was not freed with delete.
    Teardown();
    RemovePostedMessages(this);
}

void TComponent::operator delete(TComponent* Component, std::destroying_delete_t) {
    // The address of the whole object, which differs from Component under multiple inheritance.
    void* Block = dynamic_cast<void*>(Component);
    Component->BeforeDestruction();
    Component->~TComponent();
    ::operator delete(Block);
}

TComponent* TComponent::Components(int Index) const {
    if (Index < 0 || Index >= ComponentCount())
        throw EListError(QStringLiteral("List index out of bounds (%d)"), {QString::number(Index)});
    return FComponents[static_cast<size_t>(Index)];
}

int TComponent::ComponentIndex() const {
    if (!FOwner) return -1;
    const auto& List = FOwner->FComponents;
    auto It = std::find(List.begin(), List.end(), this);
    return It == List.end() ? -1 : static_cast<int>(It - List.begin());
}

void TComponent::SetComponentIndex(int Value) {
    if (!FOwner) return;
    auto& List = FOwner->FComponents;
    const int Count = static_cast<int>(List.size());
    const int Current = ComponentIndex();
    if (Current < 0) return;
    Value = std::clamp(Value, 0, Count - 1);
    if (Value == Current) return;
    List.erase(List.begin() + Current);
    List.insert(List.begin() + Value, this);
}

TComponent* TComponent::FindComponent(const QString& AName) const {
    if (AName.isEmpty()) return nullptr;
    return FNameIndex.value(AName.toUpper(), nullptr);
}

void TComponent::SetName(const QString& NewName) {
    if (FName == NewName) return;
    if (!NewName.isEmpty() && !IsValidIdent(NewName))
        throw EInvalidComponentName(QStringLiteral("'%s' is not a valid component name"), {NewName});
    if (FOwner)
        FOwner->ValidateRename(this, FName, NewName);
    else
        ValidateRename(nullptr, FName, NewName);
    ChangeName(NewName);
}

void TComponent::SetDesigning(bool Value, bool SetChildren) {
    if (Value)
        IncludeState(csDesigning);
    else
        ExcludeState(csDesigning);
    if (SetChildren)
        for (TComponent* Component : FComponents)
            Component->SetDesigning(Value, true);
}

void TComponent::BeginLoading() {
    IncludeState(csLoading | csReading);
    for (TComponent* Component : FComponents)
        Component->BeginLoading();
}

void TComponent::EndLoading() {
    // Every component has finished reading before the first Loaded runs, so a Loaded may look at
    // its neighbours' values.
    std::function<void(TComponent*)> EndReading = [&](TComponent* C) {
        C->ExcludeState(csReading);
        for (TComponent* Child : C->FComponents)
            EndReading(Child);
    };
    EndReading(this);
    CallLoaded();
}

void TComponent::CallLoaded() {
    if (HasState(csLoading)) Loaded();
    // A Loaded may add or free components, so the list is walked by index.
    for (size_t i = 0; i < FComponents.size(); ++i)
        FComponents[i]->CallLoaded();
}

namespace {

// A removal must reach every holder of a reference, and it often happens inside a destructor, so
// a handler that raises must neither stop the others being told nor escape: its error goes to the
// application's handler, as an error of an event handler does.
void DeliverRemoval(TComponent* Receiver, TComponent* Removed) {
    try {
        Receiver->Notification(Removed, opRemove);
    } catch (const EAbort&) {
    } catch (...) {
        try {
            Application()->HandleException(Receiver, std::current_exception());
        } catch (...) {
        }
    }
}

} // namespace

void TComponent::InsertComponent(TComponent* AComponent) {
    if (!AComponent || AComponent->FOwner == this) return;
    for (TComponent* Up = this; Up; Up = Up->FOwner)
        if (Up == AComponent)
            throw EComponentError(QStringLiteral("A component cannot own itself or its owner"));
    ValidateInsert(AComponent);
    ValidateRename(AComponent, QString(), AComponent->FName);
    if (AComponent->FOwner) AComponent->FOwner->RemoveComponent(AComponent);
    Insert(AComponent);
    if (HasState(csDesigning)) AComponent->SetDesigning(true);
    Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
    if (!AComponent || AComponent->FOwner != this) return;
    DeliverRemoval(this, AComponent);
    Remove(AComponent);
}

void TComponent::DestroyComponents() {
    const bool Was = FFreeingComponents;
    FFreeingComponents = true;
    while (!FComponents.empty()) {
        TComponent* Instance = FComponents.back();
        RemoveComponent(Instance);
        delete Instance;
    }
    FFreeingComponents = Was;
}

void TComponent::Destroying() {
    if (HasState(csDestroying)) return;
    IncludeState(csDestroying);
    for (TComponent* Component : FComponents)
        Component->Destroying();
}

void TComponent::FreeNotification(TComponent* AComponent) {
    if (!AComponent || AComponent == this) return;
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) == FFreeNotifies.end())
        FFreeNotifies.push_back(AComponent);
    auto& Other = AComponent->FFreeNotifies;
    if (std::find(Other.begin(), Other.end(), this) == Other.end()) Other.push_back(this);
    IncludeState(csFreeNotification);
    AComponent->IncludeState(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
    if (!AComponent) return;
    // A link is listed once; the newest links are the likeliest to go first.
    EraseLast(FFreeNotifies, AComponent);
    EraseLast(AComponent->FFreeNotifies, this);
    if (FFreeNotifies.empty()) ExcludeState(csFreeNotification);
    if (AComponent->FFreeNotifies.empty()) AComponent->ExcludeState(csFreeNotification);
}

LRESULT TComponent::Perform(uint32_t Msg, uintptr_t WParam, intptr_t LParam) {
    TMessage Message;
    Message.Msg = Msg;
    Message.WParam = WParam;
    Message.LParam = LParam;
    Dispatch(Message);
    return Message.Result;
}

void TComponent::Dispatch(TMessage& Message) {
    if ((FComponentState & csDesigning) && DesignMessageHook() && DesignMessageHook()(this, Message)) return;
    WndProc(Message);
}

void TComponent::WndProc(TMessage& Message) {
    DefaultHandler(Message);
}

void TComponent::DefaultHandler(TMessage& Message) {
    Message.Result = 0;
}

QString TComponent::GetNamePath() const {
    return FName;
}

void TComponent::BeforeDestruction() {
    Teardown();
}

void TComponent::CheckDelete() {}

void TComponent::Free() {
    CheckDelete();
    delete this;
}

void TComponent::WriteState(TWriter* Writer) {
    Writer->WriteProperties(this);
}

void TComponent::DefineMethod(const QString& Name, std::any Handler) {
    if (!FMethods) FMethods = std::make_unique<TMethods>();
    FMethods->Handlers.insert(Name.toUpper(), {Name, std::move(Handler)});
}

const std::any* TComponent::MethodAddress(const QString& Name) const {
    if (!FMethods) return nullptr;
    auto It = FMethods->Handlers.constFind(Name.toUpper());
    return It == FMethods->Handlers.constEnd() ? nullptr : &It->second;
}

QString TComponent::MethodName(const QString& Name) const {
    if (!FMethods) return QString();
    auto It = FMethods->Handlers.constFind(Name.toUpper());
    return It == FMethods->Handlers.constEnd() ? QString() : It->first;
}

QString TComponent::EventBinding(const QString& Event) const {
    return FMethods ? FMethods->Bindings.value(Event.toUpper()) : QString();
}

void TComponent::SetEventBinding(const QString& Event, const QString& Handler) {
    if (Handler.isEmpty()) {
        if (FMethods) FMethods->Bindings.remove(Event.toUpper());
        return;
    }
    if (!FMethods) FMethods = std::make_unique<TMethods>();
    FMethods->Bindings.insert(Event.toUpper(), Handler);
}

QString TComponent::DesignClassName() const {
    return FMethods && !FMethods->DesignClass.isEmpty() ? FMethods->DesignClass : ClassName();
}

QStringList TComponent::DesignAncestors() const {
    return FMethods ? FMethods->DesignAncestors : QStringList();
}

void TComponent::SetDesignClass(const QString& ClassName, const QStringList& Ancestors) {
    if (!FMethods) FMethods = std::make_unique<TMethods>();
    FMethods->DesignClass = ClassName;
    FMethods->DesignAncestors = Ancestors;
}

void TComponent::Loaded() {
    ExcludeState(csLoading);
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
    if (Operation == opRemove && AComponent) RemoveFreeNotification(AComponent);
    NotifyAll(AComponent, Operation);
}

void TComponent::ValidateRename(TComponent* AComponent, const QString& CurName, const QString& NewName) {
    if (!AComponent || NewName.isEmpty()) return;
    if (CurName.compare(NewName, Qt::CaseInsensitive) == 0) return;
    if (FindComponent(NewName))
        throw EDuplicateComponentName(QStringLiteral("A component named %s already exists"), {NewName});
}

void TComponent::ValidateInsert(TComponent*) {}

void TComponent::ChangeName(const QString& NewName) {
    if (FOwner) {
        if (!FName.isEmpty()) FOwner->FNameIndex.remove(FName.toUpper());
        if (!NewName.isEmpty()) FOwner->FNameIndex.insert(NewName.toUpper(), this);
    }
    FName = NewName;
}

void TComponent::Insert(TComponent* AComponent) {
    FComponents.push_back(AComponent);
    AComponent->FOwner = this;
    if (!AComponent->FName.isEmpty()) FNameIndex.insert(AComponent->FName.toUpper(), AComponent);
}

void TComponent::Remove(TComponent* AComponent) {
    // Removed from the back when an owner frees its components, so the search is short then.
    EraseLast(FComponents, AComponent);
    if (!AComponent->FName.isEmpty()) FNameIndex.remove(AComponent->FName.toUpper());
    AComponent->FOwner = nullptr;
}

void TComponent::NotifyAll(TComponent* AComponent, TOperation Operation) {
    if (AComponent && AComponent->FOwner == this) {
        if (Operation == opRemove && FFreeingComponents) return;
        if (Operation == opInsert && HasState(csReading)) return;
    }
    // Handlers may free components of this owner, so the index is brought back into range each turn.
    int i = ComponentCount() - 1;
    while (i >= 0) {
        TComponent* Receiver = FComponents[static_cast<size_t>(i)];
        if (Operation == opRemove)
            DeliverRemoval(Receiver, AComponent);
        else
            Receiver->Notification(AComponent, Operation);
        --i;
        if (i >= ComponentCount()) i = ComponentCount() - 1;
    }
}

void TComponent::RemoveFreeNotifications() {
    while (!FFreeNotifies.empty()) {
        TComponent* Other = FFreeNotifies.back();
        FFreeNotifies.pop_back();
        EraseLast(Other->FFreeNotifies, this);
        if (Other->FFreeNotifies.empty()) Other->ExcludeState(csFreeNotification);
        DeliverRemoval(Other, this);
    }
    ExcludeState(csFreeNotification);
}

void TComponent::Teardown() {
    if (FTornDown) return;
    FTornDown = true;
    Destroying();
    RemovePostedMessages(this);
    RemoveFreeNotifications();
    DestroyComponents();
    if (FOwner) FOwner->RemoveComponent(this);
}

bool IsValidIdent(const QString& Ident) {
    if (Ident.isEmpty()) return false;
    auto IsAlpha = [](QChar c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_'; };
    if (!IsAlpha(Ident[0])) return false;
    for (QChar c : Ident)
        if (!IsAlpha(c) && !(c >= u'0' && c <= u'9')) return false;
    return true;
}

// TFreeWatch

TFreeWatch::TFreeWatch() : TComponent(nullptr) {}

TFreeWatch::~TFreeWatch() = default;

void TFreeWatch::SetTarget(TComponent* Value) {
    if (Value == FTarget) return;
    if (FTarget) RemoveFreeNotification(FTarget);
    FTarget = Value;
    if (FTarget) FTarget->FreeNotification(this);
}

void TFreeWatch::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FTarget) FTarget = nullptr;
}

// Class registry

namespace {
std::map<QString, TClassInfo>& Registry() {
    static auto* Classes = new std::map<QString, TClassInfo>();
    return *Classes;
}
} // namespace

void RegisterClassInfo(const TClassInfo& Info) {
    Registry().emplace(Info.Name.toUpper(), Info);
}

void UnRegisterClass(const QString& Name) {
    Registry().erase(Name.toUpper());
}

const TClassInfo* GetClass(const QString& Name) {
    auto It = Registry().find(Name.toUpper());
    return It == Registry().end() ? nullptr : &It->second;
}

const TClassInfo& FindClass(const QString& Name) {
    const TClassInfo* Info = GetClass(Name);
    if (!Info) throw EClassNotFound(QStringLiteral("Class %s not found"), {Name});
    return *Info;
}

TPersistent* CreateByClassName(const QString& Name, TComponent* AOwner) {
    return FindClass(Name).Create(AOwner);
}

TComponent* CreateComponentByClassName(const QString& Name, TComponent* AOwner) {
    const TClassInfo& Info = FindClass(Name);
    TPersistent* Instance = Info.Create(AOwner);
    if (auto* Component = dynamic_cast<TComponent*>(Instance)) return Component;
    delete Instance;
    throw EClassNotFound(QStringLiteral("Class %s is not a component"), {Name});
}

// TPropertyCollector

void TPropertyCollector::Collect(TPersistent* Instance) {
    FMode = pmCollect;
    Entries.clear();
    Instance->DefineProperties(this);
}

void TPropertyCollector::Apply(TPersistent* Instance) {
    FMode = pmApply;
    Instance->DefineProperties(this);
    FMode = pmCollect;
}

void TPropertyCollector::DefineProperty(const QString& Name,
                                        const std::function<void(const QVariant&)>& ReadData,
                                        const std::function<QVariant()>& WriteData, bool HasData) {
    if (FMode == pmCollect) {
        TEntry Entry;
        Entry.Name = Name;
        Entry.HasData = HasData;
        if (HasData && WriteData) Entry.Value = WriteData();
        Entries.push_back(std::move(Entry));
        return;
    }
    for (const TEntry& Entry : Entries)
        if (Entry.Name == Name && Entry.HasData && !Entry.IsBinary && ReadData) ReadData(Entry.Value);
}

void TPropertyCollector::DefineBinaryProperty(const QString& Name,
                                              const std::function<void(TStream&)>& ReadData,
                                              const std::function<void(TStream&)>& WriteData, bool HasData) {
    if (FMode == pmCollect) {
        TEntry Entry;
        Entry.Name = Name;
        Entry.IsBinary = true;
        Entry.HasData = HasData;
        if (HasData && WriteData) {
            TMemoryStream Stream;
            WriteData(Stream);
            Entry.Binary = QByteArray(reinterpret_cast<const char*>(Stream.Memory()), Stream.Size());
        }
        Entries.push_back(std::move(Entry));
        return;
    }
    for (const TEntry& Entry : Entries) {
        if (Entry.Name != Name || !Entry.HasData || !Entry.IsBinary || !ReadData) continue;
        TMemoryStream Stream;
        Stream.Write(Entry.Binary.constData(), Entry.Binary.size());
        Stream.SetPosition(0);
        ReadData(Stream);
    }
}
