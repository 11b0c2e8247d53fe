#pragma once
#include "host/classes.h"
#include "host/designer.h"

#include <QImage>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <typeinfo>
#include <vector>

struct TPropInfo;

// What a designer registers: the components of its palette pages, the classes it makes without a
// palette button, and the property and component editors with which the form is edited.

// ---- Ancestry of classes ----

// Which class each class derives from. Editor lookup measures distances between classes with it; the
// class registry of stored forms knows only names.
void RegisterAncestry(const std::type_info& Type, const std::type_info& Base);
// A chain from a class up to an ancestor: RegisterAncestryChain<TVyrBand, TCustomPanel, TCustomControl>.
template <class T, class Base, class... More> void RegisterAncestryChain() {
    static_assert(std::is_base_of_v<Base, T>, "each class derives from the next one");
    RegisterAncestry(typeid(T), typeid(Base));
    if constexpr (sizeof...(More) > 0) RegisterAncestryChain<Base, More...>();
}
// Steps from Type up to Ancestor: 0 for the class itself, -1 when Ancestor is not among its known
// ancestors.
int ClassDistance(const std::type_info& Type, const std::type_info& Ancestor);
// The names of Type's known ancestors, nearest first.
QStringList ClassAncestors(const std::type_info& Type);
// Whether Component is of the class named ClassName (case ignored): its design class, a design
// ancestor, its C++ class or one of that class's known ancestors.
bool InheritsFromName(const TComponent* Component, const QString& ClassName);

// ---- Palette ----

// A class a designer can make: its name, its C++ type and how to make one for an owner.
struct TComponentClass {
    QString Name;
    const std::type_info* Type = nullptr;
    std::function<TComponent*(TComponent* Owner)> Create;
};
template <class T> TComponentClass ComponentClassOf() {
    return {ClassNameOf(typeid(T)), &typeid(T),
            [](TComponent* Owner) -> TComponent* { return new T(Owner); }};
}

struct TPalettePage {
    QString Name;
    std::vector<TComponentClass> Classes;
};

// Puts the classes on the palette page Page (made at the end of the pages when new), after the
// classes it holds; a class already on the page stays where it is.
void RegisterComponents(const QString& Page, const std::vector<TComponentClass>& Classes);
// Classes the designer makes (and shows in its lists) without a palette button.
void RegisterNoIcon(const std::vector<TComponentClass>& Classes);
const std::vector<TPalettePage>& PalettePages();
bool IsNoIcon(const QString& ClassName);
// The class of that name on any palette page or in the no-icon set; nullptr when none.
const TComponentClass* FindDesignClass(const QString& ClassName);

// Pictures of palette buttons, by class name (case ignored).
void RegisterPaletteIcon(const QString& ClassName, const QImage& Icon);
QImage PaletteIcon(const QString& ClassName);

// ---- Component editors ----

// What a double click on a component, and its verbs in the designer's menu, do.
class TComponentEditor {
public:
    TComponentEditor(TComponent* AComponent, IDesigner* ADesigner);
    virtual ~TComponentEditor();
    TComponentEditor(const TComponentEditor&) = delete;
    TComponentEditor& operator=(const TComponentEditor&) = delete;

    // A double click: the first verb, when there is one.
    virtual void Edit();
    virtual void ExecuteVerb(int Index);
    virtual QString GetVerb(int Index);
    virtual int GetVerbCount();

    TComponent* Component() const { return FComponent; }
    IDesigner* Designer() const { return FDesigner; }

private:
    TComponent* FComponent;
    IDesigner* FDesigner;
};

using TComponentEditorClass =
    std::function<std::unique_ptr<TComponentEditor>(TComponent* Component, IDesigner* Designer)>;
template <class E> TComponentEditorClass ComponentEditorClassOf() {
    return [](TComponent* Component, IDesigner* Designer) -> std::unique_ptr<TComponentEditor> {
        return std::make_unique<E>(Component, Designer);
    };
}

// Registers the editor of the components of ComponentClass and its descendants.
template <class C> void RegisterComponentEditor(TComponentEditorClass EditorClass);
void RegisterComponentEditor(const std::type_info& ComponentClass,
                             std::function<bool(const TComponent*)> IsInstance,
                             TComponentEditorClass EditorClass);
// The editor of the nearest class of Component that has one (the later of two equally near), else a
// plain editor without verbs.
std::unique_ptr<TComponentEditor> GetComponentEditor(TComponent* Component, IDesigner* Designer);

template <class C> void RegisterComponentEditor(TComponentEditorClass EditorClass) {
    RegisterComponentEditor(
        typeid(C), [](const TComponent* P) { return dynamic_cast<const C*>(P) != nullptr; },
        std::move(EditorClass));
}

// ---- Property editors ----

enum TPropertyAttribute : uint16_t {
    paValueList = 0x01,     // GetValues offers the values
    paSubProperties = 0x02, // a nested object whose properties are edited one by one
    paDialog = 0x04,        // Edit opens a dialog
    paMultiSelect = 0x08,
    paSortList = 0x10,
    paReadOnly = 0x20, // the text cannot be typed
    paRevertable = 0x40,
};
using TPropertyAttributes = uint16_t;

// Edits one property of the selected components, the first of which it reads. Values go through
// GetPropValue and SetPropValue by the property's path; a value that is refused raises
// EPropertyError and leaves the property as it was.
class TPropertyEditor {
public:
    // Instances are the objects that hold the property (for a nested object's property, the nested
    // objects); Path leads from each to it ("Band", or "Font.Name" where the nested object is no
    // persistent).
    TPropertyEditor(IDesigner* ADesigner, std::vector<TPersistent*> Instances, const QString& Path,
                    const TPropInfo* Info);
    virtual ~TPropertyEditor();
    TPropertyEditor(const TPropertyEditor&) = delete;
    TPropertyEditor& operator=(const TPropertyEditor&) = delete;

    virtual TPropertyAttributes GetAttributes();
    // The value as the designer's property list shows it.
    virtual QString GetValue();
    // The values a drop-down list offers, in order.
    virtual void GetValues(const TGetStrProc& Proc);
    // Takes a typed value; raises EPropertyError for one the property cannot take.
    virtual void SetValue(const QString& Value);
    // The dialog of paDialog properties; the designer program installs the dialogs.
    virtual void Edit();
    // The editors of a nested object's properties (paSubProperties).
    virtual std::vector<std::unique_ptr<TPropertyEditor>> GetProperties();

    // The property's own name (the last part of its path); a member of a set is named as its value.
    virtual QString GetName() const;
    const QString& Path() const { return FPath; }
    const TPropInfo* GetPropInfo() const { return FInfo; }
    IDesigner* Designer() const { return FDesigner; }
    int PropCount() const { return static_cast<int>(FInstances.size()); }
    TPersistent* GetComponent(int Index) const;
    // The values the drop-down offers, collected.
    QStringList Values();

protected:
    QVariant GetVarValue() const;
    // Sets every instance, then tells the designer that the form changed.
    void SetVarValue(const QVariant& Value);
    // Raises the property error "Invalid property value".
    [[noreturn]] static void InvalidValue();

private:
    IDesigner* FDesigner;
    std::vector<TPersistent*> FInstances;
    QString FPath;
    const TPropInfo* FInfo;
};

// The editors chosen by the kind of a property when no registered editor fits.
class TIntegerProperty : public TPropertyEditor {
public:
    using TPropertyEditor::TPropertyEditor;
    TPropertyAttributes GetAttributes() override;
    QString GetValue() override;
    void GetValues(const TGetStrProc& Proc) override;
    void SetValue(const QString& Value) override;
};
class TFloatProperty : public TPropertyEditor {
public:
    using TPropertyEditor::TPropertyEditor;
    QString GetValue() override;
    void SetValue(const QString& Value) override;
};
class TStringProperty : public TPropertyEditor {
public:
    using TPropertyEditor::TPropertyEditor;
    QString GetValue() override;
    void SetValue(const QString& Value) override;
};
// Enumerations and Booleans: the names of the values.
class TEnumProperty : public TPropertyEditor {
public:
    using TPropertyEditor::TPropertyEditor;
    TPropertyAttributes GetAttributes() override;
    QString GetValue() override;
    void GetValues(const TGetStrProc& Proc) override;
    void SetValue(const QString& Value) override;
};
// A set shown as [a, b]; its members are edited as sub-properties True or False.
class TSetProperty : public TPropertyEditor {
public:
    using TPropertyEditor::TPropertyEditor;
    TPropertyAttributes GetAttributes() override;
    QString GetValue() override;
    void SetValue(const QString& Value) override;
    std::vector<std::unique_ptr<TPropertyEditor>> GetProperties() override;
};
class TColorProperty : public TPropertyEditor {
public:
    using TPropertyEditor::TPropertyEditor;
    TPropertyAttributes GetAttributes() override;
    QString GetValue() override;
    void GetValues(const TGetStrProc& Proc) override;
    void SetValue(const QString& Value) override;
};
// Lines of text, edited in a dialog; SetValue takes the lines separated by line breaks.
class TStringsProperty : public TPropertyEditor {
public:
    using TPropertyEditor::TPropertyEditor;
    TPropertyAttributes GetAttributes() override;
    QString GetValue() override;
    void SetValue(const QString& Value) override;
};
class TBinaryProperty : public TPropertyEditor {
public:
    using TPropertyEditor::TPropertyEditor;
    TPropertyAttributes GetAttributes() override;
    QString GetValue() override;
    void SetValue(const QString& Value) override;
};
// An event: the name of the root's handler it is bound to. A name the root has no handler for is
// kept on a designing form, which only writes it.
class TMethodProperty : public TPropertyEditor {
public:
    using TPropertyEditor::TPropertyEditor;
    TPropertyAttributes GetAttributes() override;
    QString GetValue() override;
    void SetValue(const QString& Value) override;
};
// A nested object: "(TFont)", read-only, with its properties as sub-properties.
class TClassProperty : public TPropertyEditor {
public:
    using TPropertyEditor::TPropertyEditor;
    TPropertyAttributes GetAttributes() override;
    QString GetValue() override;
    void SetValue(const QString& Value) override;
    std::vector<std::unique_ptr<TPropertyEditor>> GetProperties() override;
};
// A reference to a component: its name as the designer lists it, chosen from the components of
// the property's class.
class TComponentProperty : public TPropertyEditor {
public:
    using TPropertyEditor::TPropertyEditor;
    TPropertyAttributes GetAttributes() override;
    QString GetValue() override;
    void GetValues(const TGetStrProc& Proc) override;
    void SetValue(const QString& Value) override;

protected:
    TComponent* GetComponentReference() const;
    void SetComponentReference(TComponent* Value);
};

// A component's name: a valid identifier that neither another component of its owner nor the form
// has (the form: none of its components). The handlers registered with RegisterRenameHandler then
// bring along what keeps the component's name as text.
class TComponentNameProperty : public TStringProperty {
public:
    using TStringProperty::TStringProperty;
    void SetValue(const QString& Value) override;
};
// The editor of Instance's name, which is no published property; nullptr for no component.
std::unique_ptr<TPropertyEditor> GetComponentNameEditor(IDesigner* Designer, TComponent* Instance);

// Told after the name editor renamed a component, with the name it had.
using TRenameHandler = std::function<void(TComponent* Component, const QString& OldName)>;
void RegisterRenameHandler(TRenameHandler Handler);

using TPropertyEditorClass = std::function<std::unique_ptr<TPropertyEditor>(
    IDesigner* Designer, std::vector<TPersistent*> Instances, const QString& Path, const TPropInfo* Info)>;
template <class E> TPropertyEditorClass PropertyEditorClassOf() {
    return [](IDesigner* Designer, std::vector<TPersistent*> Instances, const QString& Path,
              const TPropInfo* Info) -> std::unique_ptr<TPropertyEditor> {
        return std::make_unique<E>(Designer, std::move(Instances), Path, Info);
    };
}

// Registers EditorClass for the properties whose class is PropertyType or derives from it, of the
// objects of ComponentClass and its descendants (nullptr: any object), named PropertyName (empty:
// any name; case is ignored).
void RegisterPropertyEditor(const std::type_info& PropertyType, const std::type_info* ComponentClass,
                            std::function<bool(const TPersistent*)> IsInstance, const QString& PropertyName,
                            TPropertyEditorClass EditorClass);
template <class P, class C = void>
void RegisterPropertyEditor(const QString& PropertyName, TPropertyEditorClass EditorClass) {
    if constexpr (std::is_void_v<C>)
        RegisterPropertyEditor(typeid(P), nullptr, nullptr, PropertyName, std::move(EditorClass));
    else
        RegisterPropertyEditor(
            typeid(P), &typeid(C), [](const TPersistent* O) { return dynamic_cast<const C*>(O) != nullptr; },
            PropertyName, std::move(EditorClass));
}

// The editor of the property Name (dotted names reach nested objects) of the Instances: of the
// registered editors that fit, the one for the nearest property class wins, then one for the
// nearest object class (any class beats none), then one registered for the name, then the later;
// with none, the editor of the property's kind. nullptr when the first instance has no such
// property.
std::unique_ptr<TPropertyEditor>
GetPropertyEditor(IDesigner* Designer, const std::vector<TPersistent*>& Instances, const QString& Name);
std::unique_ptr<TPropertyEditor> GetPropertyEditor(IDesigner* Designer, TPersistent* Instance,
                                                   const QString& Name);
// The editors of every published property of Instance, in the order stored forms write them.
std::vector<std::unique_ptr<TPropertyEditor>> GetComponentProperties(IDesigner* Designer,
                                                                     TPersistent* Instance);

// Forgets the palette, the no-icon set, the icons, the editors and the rename handlers (the ancestry
// stays).
void ResetDesignRegistry();
