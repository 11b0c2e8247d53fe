#include "host/designreg.h"
#include "host/buttons.h"
#include "host/controls.h"
#include "host/db.h"
#include "host/forms.h"
#include "host/memdataset.h"
#include "host/properties.h"
#include "host/sqldataset.h"

#include <QHash>
#include <QLocale>
#include <limits>
#include <map>
#include <typeindex>

// Ancestry

namespace {

struct TAncestry {
    std::map<std::type_index, const std::type_info*> Bases;
};

TAncestry& Ancestry() {
    static auto* Table = [] {
        auto* T = new TAncestry();
        auto Add = [T](const std::type_info& Type, const std::type_info& Base) { T->Bases[Type] = &Base; };
        // The host's own classes, so that report classes need only name their nearest host base.
        Add(typeid(TComponent), typeid(TPersistent));
        Add(typeid(TControl), typeid(TComponent));
        Add(typeid(TWinControl), typeid(TControl));
        Add(typeid(TCustomControl), typeid(TWinControl));
        Add(typeid(TCustomPanel), typeid(TCustomControl));
        Add(typeid(TCheckBox), typeid(TCustomControl));
        Add(typeid(TGraphicControl), typeid(TControl));
        Add(typeid(TPaintBox), typeid(TGraphicControl));
        Add(typeid(TLabel), typeid(TGraphicControl));
        Add(typeid(TScrollBox), typeid(TWinControl));
        Add(typeid(TCustomForm), typeid(TScrollBox));
        Add(typeid(TForm), typeid(TCustomForm));
        Add(typeid(TBitBtn), typeid(TWinControl));
        Add(typeid(TDataSource), typeid(TComponent));
        Add(typeid(TDataSet), typeid(TComponent));
        Add(typeid(TSqlDataSet), typeid(TDataSet));
        Add(typeid(TMemDataSet), typeid(TDataSet));
        return T;
    }();
    return *Table;
}

bool SameName(const QString& A, const QString& B) {
    return A.compare(B, Qt::CaseInsensitive) == 0;
}

// A class that an instance test admits but the table does not link counts as far away.
constexpr int UnknownDistance = 1000;

} // namespace

void RegisterAncestry(const std::type_info& Type, const std::type_info& Base) {
    Ancestry().Bases[Type] = &Base;
}

int ClassDistance(const std::type_info& Type, const std::type_info& Ancestor) {
    const std::type_info* T = &Type;
    for (int Steps = 0; T; ++Steps) {
        if (*T == Ancestor) return Steps;
        auto It = Ancestry().Bases.find(*T);
        T = It == Ancestry().Bases.end() ? nullptr : It->second;
    }
    return -1;
}

QStringList ClassAncestors(const std::type_info& Type) {
    QStringList Names;
    auto It = Ancestry().Bases.find(Type);
    while (It != Ancestry().Bases.end()) {
        Names << ClassNameOf(*It->second);
        It = Ancestry().Bases.find(*It->second);
    }
    return Names;
}

bool InheritsFromName(const TComponent* Component, const QString& ClassName) {
    if (!Component) return false;
    if (SameName(Component->DesignClassName(), ClassName) || Component->ClassNameIs(ClassName)) return true;
    for (const QString& Name : Component->DesignAncestors() + ClassAncestors(typeid(*Component)))
        if (SameName(Name, ClassName)) return true;
    return false;
}

// Palette

namespace {

struct TRegistry {
    std::vector<TPalettePage> Pages;
    std::vector<TComponentClass> NoIcon;
    QHash<QString, QImage> Icons; // upper-cased class name
    struct TComponentEditorEntry {
        const std::type_info* Class;
        std::function<bool(const TComponent*)> IsInstance;
        TComponentEditorClass Editor;
    };
    std::vector<TComponentEditorEntry> ComponentEditors;
    struct TPropertyEditorEntry {
        const std::type_info* PropertyType;
        const std::type_info* Class; // nullptr: any object
        std::function<bool(const TPersistent*)> IsInstance;
        QString Name; // empty: any property
        TPropertyEditorClass Editor;
    };
    std::vector<TPropertyEditorEntry> PropertyEditors;
    std::vector<TRenameHandler> RenameHandlers;
};

TRegistry& Registry() {
    static auto* R = new TRegistry();
    return *R;
}

} // namespace

void RegisterComponents(const QString& Page, const std::vector<TComponentClass>& Classes) {
    auto& Pages = Registry().Pages;
    auto It = std::find_if(Pages.begin(), Pages.end(), [&](const TPalettePage& P) { return P.Name == Page; });
    if (It == Pages.end()) It = Pages.insert(Pages.end(), TPalettePage{Page, {}});
    for (const TComponentClass& Class : Classes) {
        const bool Listed =
            std::any_of(It->Classes.begin(), It->Classes.end(),
                        [&](const TComponentClass& C) { return SameName(C.Name, Class.Name); });
        if (!Listed) It->Classes.push_back(Class);
    }
}

void RegisterNoIcon(const std::vector<TComponentClass>& Classes) {
    for (const TComponentClass& Class : Classes)
        if (!IsNoIcon(Class.Name)) Registry().NoIcon.push_back(Class);
}

const std::vector<TPalettePage>& PalettePages() {
    return Registry().Pages;
}

bool IsNoIcon(const QString& ClassName) {
    const auto& List = Registry().NoIcon;
    return std::any_of(List.begin(), List.end(),
                       [&](const TComponentClass& C) { return SameName(C.Name, ClassName); });
}

const TComponentClass* FindDesignClass(const QString& ClassName) {
    for (const TPalettePage& Page : Registry().Pages)
        for (const TComponentClass& C : Page.Classes)
            if (SameName(C.Name, ClassName)) return &C;
    for (const TComponentClass& C : Registry().NoIcon)
        if (SameName(C.Name, ClassName)) return &C;
    return nullptr;
}

void RegisterPaletteIcon(const QString& ClassName, const QImage& Icon) {
    Registry().Icons.insert(ClassName.toUpper(), Icon);
}

QImage PaletteIcon(const QString& ClassName) {
    return Registry().Icons.value(ClassName.toUpper());
}

// Component editors

TComponentEditor::TComponentEditor(TComponent* AComponent, IDesigner* ADesigner)
    : FComponent(AComponent), FDesigner(ADesigner) {}

TComponentEditor::~TComponentEditor() = default;

void TComponentEditor::Edit() {
    if (GetVerbCount() > 0) ExecuteVerb(0);
}

void TComponentEditor::ExecuteVerb(int) {}

QString TComponentEditor::GetVerb(int) {
    return QString();
}

int TComponentEditor::GetVerbCount() {
    return 0;
}

void RegisterComponentEditor(const std::type_info& ComponentClass,
                             std::function<bool(const TComponent*)> IsInstance,
                             TComponentEditorClass EditorClass) {
    Registry().ComponentEditors.push_back({&ComponentClass, std::move(IsInstance), std::move(EditorClass)});
}

std::unique_ptr<TComponentEditor> GetComponentEditor(TComponent* Component, IDesigner* Designer) {
    const TComponentEditorClass* Best = nullptr;
    int BestDistance = std::numeric_limits<int>::max();
    for (const auto& Entry : Registry().ComponentEditors) {
        if (!Component || !Entry.IsInstance(Component)) continue;
        int Distance = ClassDistance(typeid(*Component), *Entry.Class);
        if (Distance < 0) Distance = UnknownDistance;
        if (Distance <= BestDistance) {
            BestDistance = Distance;
            Best = &Entry.Editor;
        }
    }
    if (Best) return (*Best)(Component, Designer);
    return std::make_unique<TComponentEditor>(Component, Designer);
}

// Property editors

TPropertyEditor::TPropertyEditor(IDesigner* ADesigner, std::vector<TPersistent*> Instances,
                                 const QString& Path, const TPropInfo* Info)
    : FDesigner(ADesigner), FInstances(std::move(Instances)), FPath(Path), FInfo(Info) {}

TPropertyEditor::~TPropertyEditor() = default;

TPropertyAttributes TPropertyEditor::GetAttributes() {
    return paRevertable;
}

QString TPropertyEditor::GetValue() {
    return GetVarValue().toString();
}

void TPropertyEditor::GetValues(const TGetStrProc&) {}

void TPropertyEditor::SetValue(const QString& Value) {
    SetVarValue(Value);
}

void TPropertyEditor::Edit() {}

std::vector<std::unique_ptr<TPropertyEditor>> TPropertyEditor::GetProperties() {
    return {};
}

QString TPropertyEditor::GetName() const {
    return FInfo ? FInfo->Name : FPath.section(u'.', -1);
}

TPersistent* TPropertyEditor::GetComponent(int Index) const {
    if (Index < 0 || Index >= PropCount())
        throw EListError(QStringLiteral("List index out of bounds (%d)"), {QString::number(Index)});
    return FInstances[static_cast<size_t>(Index)];
}

QStringList TPropertyEditor::Values() {
    QStringList List;
    GetValues([&](const QString& S) { List << S; });
    return List;
}

QVariant TPropertyEditor::GetVarValue() const {
    return FInstances.empty() ? QVariant() : GetPropValue(FInstances.front(), FPath);
}

void TPropertyEditor::SetVarValue(const QVariant& Value) {
    for (TPersistent* Instance : FInstances)
        SetPropValue(Instance, FPath, Value);
    if (FDesigner) FDesigner->Modified();
}

void TPropertyEditor::InvalidValue() {
    throw EPropertyError(QStringLiteral("Invalid property value"));
}

// Integer

TPropertyAttributes TIntegerProperty::GetAttributes() {
    return TPropertyEditor::GetAttributes() | (GetPropInfo()->Enum ? paValueList : 0);
}

QString TIntegerProperty::GetValue() {
    const qint64 V = GetVarValue().toLongLong();
    if (const TEnumInfo* Names = GetPropInfo()->Enum; Names && V == static_cast<int>(V)) {
        const QString Name = Names->NameOf(static_cast<int>(V));
        if (!Name.isEmpty()) return Name;
    }
    return QString::number(V);
}

void TIntegerProperty::GetValues(const TGetStrProc& Proc) {
    if (const TEnumInfo* Names = GetPropInfo()->Enum)
        for (const auto& Value : Names->Values())
            Proc(Value.second);
}

void TIntegerProperty::SetValue(const QString& Value) {
    bool Ok = false;
    const qint64 N = Value.trimmed().toLongLong(&Ok);
    if (Ok) {
        SetVarValue(N);
        return;
    }
    if (const TEnumInfo* Names = GetPropInfo()->Enum)
        if (auto Named = Names->Find(Value.trimmed())) {
            SetVarValue(static_cast<qint64>(*Named));
            return;
        }
    InvalidValue();
}

// Float

QString TFloatProperty::GetValue() {
    return QString::number(GetVarValue().toDouble(), 'g', QLocale::FloatingPointShortest);
}

void TFloatProperty::SetValue(const QString& Value) {
    bool Ok = false;
    const double V = Value.trimmed().toDouble(&Ok);
    if (!Ok) InvalidValue();
    SetVarValue(V);
}

// String

QString TStringProperty::GetValue() {
    return GetVarValue().toString();
}

void TStringProperty::SetValue(const QString& Value) {
    SetVarValue(Value);
}

// Enumeration and Boolean

TPropertyAttributes TEnumProperty::GetAttributes() {
    return TPropertyEditor::GetAttributes() | paValueList | paSortList;
}

QString TEnumProperty::GetValue() {
    const QVariant V = GetVarValue();
    if (GetPropInfo()->Kind == pkBoolean)
        return V.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    return GetPropInfo()->Enum->NameOf(V.toInt());
}

void TEnumProperty::GetValues(const TGetStrProc& Proc) {
    if (GetPropInfo()->Kind == pkBoolean) {
        Proc(QStringLiteral("False"));
        Proc(QStringLiteral("True"));
        return;
    }
    for (const auto& Value : GetPropInfo()->Enum->Values())
        Proc(Value.second);
}

void TEnumProperty::SetValue(const QString& Value) {
    const QString Text = Value.trimmed();
    if (GetPropInfo()->Kind == pkBoolean) {
        if (SameName(Text, QStringLiteral("True")))
            SetVarValue(true);
        else if (SameName(Text, QStringLiteral("False")))
            SetVarValue(false);
        else
            InvalidValue();
        return;
    }
    auto V = GetPropInfo()->Enum->Find(Text);
    if (!V) InvalidValue();
    SetVarValue(*V);
}

// Set

namespace {

// One member of a set, True when the set holds it.
class TSetElementProperty : public TPropertyEditor {
public:
    TSetElementProperty(IDesigner* ADesigner, std::vector<TPersistent*> Instances, const QString& Path,
                        const TPropInfo* Info, int Element, QString Name)
        : TPropertyEditor(ADesigner, std::move(Instances), Path, Info), FElement(Element),
          FName(std::move(Name)) {}
    TPropertyAttributes GetAttributes() override { return paValueList | paSortList; }
    QString GetValue() override {
        return (GetVarValue().toLongLong() >> FElement) & 1 ? QStringLiteral("True")
                                                            : QStringLiteral("False");
    }
    void GetValues(const TGetStrProc& Proc) override {
        Proc(QStringLiteral("False"));
        Proc(QStringLiteral("True"));
    }
    void SetValue(const QString& Value) override {
        qint64 Bits = GetVarValue().toLongLong();
        if (SameName(Value.trimmed(), QStringLiteral("True")))
            Bits |= qint64(1) << FElement;
        else if (SameName(Value.trimmed(), QStringLiteral("False")))
            Bits &= ~(qint64(1) << FElement);
        else
            InvalidValue();
        SetVarValue(Bits);
    }
    QString GetName() const override { return FName; }

private:
    int FElement;
    QString FName;
};

} // namespace

TPropertyAttributes TSetProperty::GetAttributes() {
    return TPropertyEditor::GetAttributes() | paSubProperties | paReadOnly;
}

QString TSetProperty::GetValue() {
    QStringList Names;
    const qint64 Bits = GetVarValue().toLongLong();
    for (const auto& [Value, Name] : GetPropInfo()->Enum->Values())
        if (Value >= 0 && Value < 63 && ((Bits >> Value) & 1)) Names << Name;
    return u'[' + Names.join(QStringLiteral(",")) + u']';
}

void TSetProperty::SetValue(const QString& Value) {
    QString Text = Value.trimmed();
    if (Text.startsWith(u'[') && Text.endsWith(u']')) Text = Text.mid(1, Text.size() - 2);
    QStringList Names;
    for (const QString& Part : Text.split(u',', Qt::SkipEmptyParts))
        if (!Part.trimmed().isEmpty()) Names << Part.trimmed();
    SetVarValue(Names);
}

std::vector<std::unique_ptr<TPropertyEditor>> TSetProperty::GetProperties() {
    std::vector<std::unique_ptr<TPropertyEditor>> List;
    std::vector<TPersistent*> Instances;
    for (int i = 0; i < PropCount(); ++i)
        Instances.push_back(GetComponent(i));
    for (const auto& [Value, Name] : GetPropInfo()->Enum->Values())
        if (Value >= 0 && Value < 63)
            List.push_back(std::make_unique<TSetElementProperty>(Designer(), Instances, Path(), GetPropInfo(),
                                                                 Value, Name));
    return List;
}

// Colour

TPropertyAttributes TColorProperty::GetAttributes() {
    return TPropertyEditor::GetAttributes() | paValueList | paDialog;
}

QString TColorProperty::GetValue() {
    return ColorToString(static_cast<TColor>(GetVarValue().toInt()));
}

void TColorProperty::GetValues(const TGetStrProc& Proc) {
    for (const auto& Value : ColorNames().Values())
        Proc(Value.second);
}

void TColorProperty::SetValue(const QString& Value) {
    auto Color = StringToColor(Value.trimmed());
    if (!Color) InvalidValue();
    SetVarValue(static_cast<int>(*Color));
}

// Strings and binary data

TPropertyAttributes TStringsProperty::GetAttributes() {
    return TPropertyEditor::GetAttributes() | paDialog | paReadOnly;
}

QString TStringsProperty::GetValue() {
    return QStringLiteral("(TStrings)");
}

void TStringsProperty::SetValue(const QString& Value) {
    QStringList Lines = Value.split(u'\n');
    for (QString& Line : Lines)
        if (Line.endsWith(u'\r')) Line.chop(1);
    if (Lines.size() == 1 && Lines.front().isEmpty()) Lines.clear();
    SetVarValue(Lines);
}

TPropertyAttributes TBinaryProperty::GetAttributes() {
    return paReadOnly;
}

QString TBinaryProperty::GetValue() {
    return QStringLiteral("(Binary)");
}

void TBinaryProperty::SetValue(const QString&) {
    InvalidValue();
}

// Events

TPropertyAttributes TMethodProperty::GetAttributes() {
    return TPropertyEditor::GetAttributes() | paSortList;
}

QString TMethodProperty::GetValue() {
    auto* Component = dynamic_cast<TComponent*>(GetComponent(0));
    if (!Component) return QString();
    if (Designer()) return Designer()->GetMethodName(Component, GetPropInfo()->Name);
    return GetVarValue().toString();
}

void TMethodProperty::SetValue(const QString& Value) {
    const QString Name = Value.trimmed();
    if (!Name.isEmpty() && !IsValidIdent(Name)) InvalidValue();
    try {
        SetVarValue(Name);
        return;
    } catch (const EPropertyError&) {
        // A handler the form's code does not define: a designed form keeps its name.
        for (int i = 0; i < PropCount(); ++i) {
            auto* Component = dynamic_cast<TComponent*>(GetComponent(i));
            if (!Component || !Component->HasState(csDesigning)) throw;
        }
    }
    for (int i = 0; i < PropCount(); ++i) {
        auto* Component = dynamic_cast<TComponent*>(GetComponent(i));
        void* Object = nullptr;
        if (const TPropInfo* Info = FindPropPath(Component, Path(), &Object); Info && Info->Unbind)
            Info->Unbind(Object);
        Component->SetEventBinding(GetPropInfo()->Name, Name);
    }
    if (Designer()) Designer()->Modified();
}

// Nested objects

TPropertyAttributes TClassProperty::GetAttributes() {
    return paSubProperties | paReadOnly;
}

namespace {

// The object a class property shows: the nested object, or the component a reference points to.
struct TShownObject {
    void* Object = nullptr;
    const TPropList* Props = nullptr;
    TPersistent* Persistent = nullptr;
};

TShownObject ShownObject(TPersistent* Instance, const QString& Path) {
    void* Owner = nullptr;
    const TPropInfo* Info = FindPropPath(Instance, Path, &Owner);
    TShownObject Shown;
    if (!Info || !Owner) return Shown;
    if (Info->Kind == pkObject) {
        Shown.Object = Info->Object(Owner);
        Shown.Props = Info->ObjectProps(Shown.Object);
        if (Shown.Object && Info->ObjectIsPersistent) Shown.Persistent = static_cast<TPersistent*>(Shown.Object);
    } else if (Info->Kind == pkReference) {
        if (TComponent* Target = Info->Get(Owner).value<TComponent*>()) {
            Shown.Persistent = Target;
            Shown.Object = ErasedPointer<TPersistent>(Target);
            Shown.Props = GetPropList(Target);
        }
    }
    return Shown;
}

} // namespace

QString TClassProperty::GetValue() {
    const TPropInfo* Info = GetPropInfo();
    if (Info->Kind == pkReference) return u'(' + ClassNameOf(*Info->RefType) + u')';
    const TShownObject Shown = ShownObject(GetComponent(0), Path());
    if (Shown.Persistent) return u'(' + Shown.Persistent->ClassName() + u')';
    return u'(' + ClassNameOf(*Info->ObjectType) + u')';
}

void TClassProperty::SetValue(const QString&) {
    InvalidValue();
}

std::vector<std::unique_ptr<TPropertyEditor>> TClassProperty::GetProperties() {
    std::vector<std::unique_ptr<TPropertyEditor>> List;
    const TShownObject Shown = ShownObject(GetComponent(0), Path());
    if (!Shown.Props) return List;
    // A referenced component is edited as itself; a nested object through its owners' path.
    if (GetPropInfo()->Kind == pkReference) {
        for (const TPropInfo* Sub : Shown.Props->Published())
            if (auto Editor = GetPropertyEditor(Designer(), Shown.Persistent, Sub->Name)) List.push_back(std::move(Editor));
        return List;
    }
    std::vector<TPersistent*> Instances;
    for (int i = 0; i < PropCount(); ++i)
        Instances.push_back(GetComponent(i));
    for (const TPropInfo* Sub : Shown.Props->Published())
        if (auto Editor = GetPropertyEditor(Designer(), Instances, Path() + u'.' + Sub->Name))
            List.push_back(std::move(Editor));
    return List;
}

// Component references

TPropertyAttributes TComponentProperty::GetAttributes() {
    return TPropertyEditor::GetAttributes() | paValueList | paSortList;
}

TComponent* TComponentProperty::GetComponentReference() const {
    return GetVarValue().value<TComponent*>();
}

void TComponentProperty::SetComponentReference(TComponent* Value) {
    SetVarValue(QVariant::fromValue<TComponent*>(Value));
}

QString TComponentProperty::GetValue() {
    TComponent* Target = GetComponentReference();
    if (!Target) return QString();
    return Designer() ? Designer()->GetComponentName(Target) : Target->Name();
}

void TComponentProperty::GetValues(const TGetStrProc& Proc) {
    if (Designer()) Designer()->GetComponentNames(GetPropInfo()->Accepts, Proc);
}

void TComponentProperty::SetValue(const QString& Value) {
    const QString Name = Value.trimmed();
    if (Name.isEmpty()) {
        SetComponentReference(nullptr);
        return;
    }
    TComponent* Target = Designer() ? Designer()->GetComponent(Name) : nullptr;
    if (!Target || !GetPropInfo()->Accepts(Target)) InvalidValue();
    SetComponentReference(Target);
}

// Name

void TComponentNameProperty::SetValue(const QString& Value) {
    auto* Component = dynamic_cast<TComponent*>(GetComponent(0));
    if (!Component || PropCount() != 1) InvalidValue();
    const QString Name = Value.trimmed();
    if (Name == Component->Name()) return;
    if (!IsValidIdent(Name))
        throw EInvalidComponentName(QStringLiteral("'%s' is not a valid component name"), {Name});
    // References by name find the form before its components, and a component of its own name.
    const TComponent* Root = Designer() ? Designer()->GetRoot() : nullptr;
    const bool RootsName = Root && Component != Root && Root->Name().compare(Name, Qt::CaseInsensitive) == 0;
    if (RootsName || (Component == Root && Root->FindComponent(Name)))
        throw EDuplicateComponentName(QStringLiteral("A component named %s already exists"), {Name});
    const QString OldName = Component->Name();
    Component->SetName(Name);
    for (const TRenameHandler& Handler : Registry().RenameHandlers)
        Handler(Component, OldName);
    if (Designer()) Designer()->Modified();
}

std::unique_ptr<TPropertyEditor> GetComponentNameEditor(IDesigner* Designer, TComponent* Instance) {
    const TPropList* Props = Instance ? GetPropList(Instance) : nullptr;
    const TPropInfo* Info = Props ? Props->Find(QStringLiteral("Name")) : nullptr;
    if (!Info) return nullptr;
    return std::make_unique<TComponentNameProperty>(Designer, std::vector<TPersistent*>{Instance},
                                                    QStringLiteral("Name"), Info);
}

void RegisterRenameHandler(TRenameHandler Handler) {
    Registry().RenameHandlers.push_back(std::move(Handler));
}

// Lookup

void RegisterPropertyEditor(const std::type_info& PropertyType, const std::type_info* ComponentClass,
                            std::function<bool(const TPersistent*)> IsInstance, const QString& PropertyName,
                            TPropertyEditorClass EditorClass) {
    Registry().PropertyEditors.push_back(
        {&PropertyType, ComponentClass, std::move(IsInstance), PropertyName, std::move(EditorClass)});
}

namespace {

// The object that holds a dotted property, and the path from it: the nearest persistent on the way,
// since editors of a nested object's properties work on that object.
struct TResolved {
    TPersistent* Base = nullptr;
    QString Path;
    const TPropInfo* Info = nullptr;
};

bool Resolve(TPersistent* Instance, const QString& Name, TResolved& Out) {
    if (!Instance) return false;
    const QStringList Parts = Name.split(u'.');
    TPersistent* Base = Instance;
    QStringList Rest;
    void* Object = ErasedPointer(Instance);
    const TPropList* List = GetPropList(Instance);
    for (qsizetype i = 0; i < Parts.size(); ++i) {
        const TPropInfo* Info = List ? List->Find(Parts[i]) : nullptr;
        if (!Info) return false;
        if (i + 1 == Parts.size()) {
            Rest << Info->Name;
            Out = {Base, Rest.join(u'.'), Info};
            return true;
        }
        if (Info->Kind != pkObject || !(Object = Info->Object(Object))) return false;
        if (Info->ObjectIsPersistent) {
            Base = static_cast<TPersistent*>(Object);
            Rest.clear();
        } else {
            Rest << Info->Name;
        }
        List = Info->ObjectProps(Object);
    }
    return false;
}

const std::type_info* PropertyClass(const TPropInfo& Info) {
    if (Info.Kind == pkReference) return Info.RefType;
    if (Info.Kind == pkObject) return Info.ObjectType;
    return nullptr;
}

TPropertyEditorClass KindEditor(TPropKind Kind) {
    switch (Kind) {
    case pkInteger:
        return PropertyEditorClassOf<TIntegerProperty>();
    case pkFloat:
        return PropertyEditorClassOf<TFloatProperty>();
    case pkBoolean:
    case pkEnumeration:
        return PropertyEditorClassOf<TEnumProperty>();
    case pkString:
        return PropertyEditorClassOf<TStringProperty>();
    case pkSet:
        return PropertyEditorClassOf<TSetProperty>();
    case pkColor:
        return PropertyEditorClassOf<TColorProperty>();
    case pkStrings:
        return PropertyEditorClassOf<TStringsProperty>();
    case pkBinary:
        return PropertyEditorClassOf<TBinaryProperty>();
    case pkObject:
        return PropertyEditorClassOf<TClassProperty>();
    case pkReference:
        return PropertyEditorClassOf<TComponentProperty>();
    case pkEvent:
        return PropertyEditorClassOf<TMethodProperty>();
    }
    return PropertyEditorClassOf<TPropertyEditor>();
}

} // namespace

std::unique_ptr<TPropertyEditor>
GetPropertyEditor(IDesigner* Designer, const std::vector<TPersistent*>& Instances, const QString& Name) {
    if (Instances.empty()) return nullptr;
    TResolved First;
    if (!Resolve(Instances.front(), Name, First)) return nullptr;
    std::vector<TPersistent*> Bases;
    for (TPersistent* Instance : Instances) {
        TResolved R;
        if (!Resolve(Instance, Name, R)) return nullptr;
        Bases.push_back(R.Base);
    }
    const TPropInfo& Info = *First.Info;
    const std::type_info* PropType = PropertyClass(Info);
    const TPersistent* Base = First.Base;

    // The score of a registration: lower is better, compared field by field.
    struct TScore {
        int TypeDistance;
        int NoClass;
        int ClassDistance;
        int NoName;
    };
    const TPropertyEditorClass* Best = nullptr;
    TScore BestScore{};
    for (const auto& Entry : Registry().PropertyEditors) {
        if (!PropType) break;
        const int TypeDistance = ClassDistance(*PropType, *Entry.PropertyType);
        if (TypeDistance < 0) continue;
        int Distance = 0;
        if (Entry.Class) {
            if (!Entry.IsInstance(Base)) continue;
            Distance = ClassDistance(typeid(*Base), *Entry.Class);
            if (Distance < 0) Distance = UnknownDistance;
        }
        if (!Entry.Name.isEmpty() && !SameName(Entry.Name, Info.Name)) continue;
        const TScore Score{TypeDistance, Entry.Class ? 0 : 1, Distance, Entry.Name.isEmpty() ? 1 : 0};
        auto Key = [](const TScore& S) {
            return std::tuple(S.TypeDistance, S.NoClass, S.ClassDistance, S.NoName);
        };
        if (!Best || Key(Score) <= Key(BestScore)) {
            Best = &Entry.Editor;
            BestScore = Score;
        }
    }
    const TPropertyEditorClass Editor = Best ? *Best : KindEditor(Info.Kind);
    return Editor(Designer, Bases, First.Path, First.Info);
}

std::unique_ptr<TPropertyEditor> GetPropertyEditor(IDesigner* Designer, TPersistent* Instance,
                                                   const QString& Name) {
    return GetPropertyEditor(Designer, std::vector<TPersistent*>{Instance}, Name);
}

std::vector<std::unique_ptr<TPropertyEditor>> GetComponentProperties(IDesigner* Designer,
                                                                     TPersistent* Instance) {
    std::vector<std::unique_ptr<TPropertyEditor>> List;
    const TPropList* Props = Instance ? GetPropList(Instance) : nullptr;
    if (!Props) return List;
    for (const TPropInfo* Info : Props->Published())
        if (auto Editor = GetPropertyEditor(Designer, Instance, Info->Name))
            List.push_back(std::move(Editor));
    return List;
}

void ResetDesignRegistry() {
    TRegistry& R = Registry();
    R.Pages.clear();
    R.NoIcon.clear();
    R.Icons.clear();
    R.ComponentEditors.clear();
    R.PropertyEditors.clear();
    R.RenameHandlers.clear();
}
