#include "host/properties.h"
#include "host/controls.h"
#include "host/graphics.h"
#include <QLocale>
#include <map>
#include <memory>
#include <typeindex>

// TEnumInfo

TEnumInfo::TEnumInfo(QString TypeName, const QStringList& Names) : FTypeName(std::move(TypeName)) {
    for (int i = 0; i < Names.size(); ++i)
        FValues.emplace_back(i, Names[i]);
}

TEnumInfo::TEnumInfo(QString TypeName, std::vector<std::pair<int, QString>> Values)
    : FTypeName(std::move(TypeName)), FValues(std::move(Values)) {}

QString TEnumInfo::NameOf(int Value) const {
    for (const auto& [V, Name] : FValues)
        if (V == Value) return Name;
    return QString();
}

std::optional<int> TEnumInfo::Find(const QString& Ident) const {
    for (const auto& [V, Name] : FValues)
        if (Name.compare(Ident, Qt::CaseInsensitive) == 0) return V;
    return std::nullopt;
}

int TEnumInfo::ValueOf(const QString& Ident) const {
    if (auto V = Find(Ident)) return *V;
    throw EReadError(QStringLiteral("Cannot find %s in %s"), {Ident, FTypeName});
}

// Names of the host's values

const TEnumInfo& ColorNames() {
    static const TEnumInfo Names(QStringLiteral("TColor"),
                                 std::vector<std::pair<int, QString>>{
                                     {clBlack, "clBlack"},
                                     {clMaroon, "clMaroon"},
                                     {clGreen, "clGreen"},
                                     {clOlive, "clOlive"},
                                     {clNavy, "clNavy"},
                                     {clPurple, "clPurple"},
                                     {clTeal, "clTeal"},
                                     {clGray, "clGray"},
                                     {clSilver, "clSilver"},
                                     {clRed, "clRed"},
                                     {clLime, "clLime"},
                                     {clYellow, "clYellow"},
                                     {clBlue, "clBlue"},
                                     {clFuchsia, "clFuchsia"},
                                     {clAqua, "clAqua"},
                                     {clLtGray, "clLtGray"},
                                     {clDkGray, "clDkGray"},
                                     {clWhite, "clWhite"},
                                     {clMoneyGreen, "clMoneyGreen"},
                                     {clSkyBlue, "clSkyBlue"},
                                     {clCream, "clCream"},
                                     {clMedGray, "clMedGray"},
                                     {clNone, "clNone"},
                                     {clDefault, "clDefault"},
                                     {clScrollBar, "clScrollBar"},
                                     {clBackground, "clBackground"},
                                     {clActiveCaption, "clActiveCaption"},
                                     {clInactiveCaption, "clInactiveCaption"},
                                     {clMenu, "clMenu"},
                                     {clWindow, "clWindow"},
                                     {clWindowFrame, "clWindowFrame"},
                                     {clMenuText, "clMenuText"},
                                     {clWindowText, "clWindowText"},
                                     {clCaptionText, "clCaptionText"},
                                     {clActiveBorder, "clActiveBorder"},
                                     {clInactiveBorder, "clInactiveBorder"},
                                     {clAppWorkSpace, "clAppWorkSpace"},
                                     {clHighlight, "clHighlight"},
                                     {clHighlightText, "clHighlightText"},
                                     {clBtnFace, "clBtnFace"},
                                     {clBtnShadow, "clBtnShadow"},
                                     {clGrayText, "clGrayText"},
                                     {clBtnText, "clBtnText"},
                                     {clInactiveCaptionText, "clInactiveCaptionText"},
                                     {clBtnHighlight, "clBtnHighlight"},
                                     {cl3DDkShadow, "cl3DDkShadow"},
                                     {cl3DLight, "cl3DLight"},
                                     {clInfoText, "clInfoText"},
                                     {clInfoBk, "clInfoBk"},
                                     {clHotLight, "clHotLight"},
                                     {clGradientActiveCaption, "clGradientActiveCaption"},
                                     {clGradientInactiveCaption, "clGradientInactiveCaption"},
                                     {clMenuHighlight, "clMenuHighlight"},
                                     {clMenuBar, "clMenuBar"},
                                 });
    return Names;
}

QString ColorToString(TColor Color) {
    const QString Name = ColorNames().NameOf(Color);
    if (!Name.isEmpty()) return Name;
    return QStringLiteral("$%1").arg(static_cast<uint32_t>(Color), 8, 16, QLatin1Char('0')).toUpper();
}

std::optional<TColor> StringToColor(const QString& Text) {
    if (auto V = ColorNames().Find(Text)) return *V;
    bool Ok = false;
    qint64 Value = 0;
    if (Text.startsWith(u'$'))
        Value = static_cast<qint64>(Text.mid(1).toULongLong(&Ok, 16));
    else
        Value = Text.toLongLong(&Ok, 10);
    if (!Ok || Value < std::numeric_limits<int32_t>::min() || Value > std::numeric_limits<uint32_t>::max())
        return std::nullopt;
    return static_cast<TColor>(static_cast<uint32_t>(Value));
}

const TEnumInfo& FontStyleNames() {
    static const TEnumInfo Names(QStringLiteral("TFontStyle"),
                                 QStringList{"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"});
    return Names;
}

const TEnumInfo& FontPitchNames() {
    static const TEnumInfo Names(QStringLiteral("TFontPitch"),
                                 QStringList{"fpDefault", "fpVariable", "fpFixed"});
    return Names;
}

const TEnumInfo& CharsetNames() {
    static const TEnumInfo Names(
        QStringLiteral("TFontCharset"),
        std::vector<std::pair<int, QString>>{
            {0, "ANSI_CHARSET"},      {1, "DEFAULT_CHARSET"},    {2, "SYMBOL_CHARSET"},
            {77, "MAC_CHARSET"},      {128, "SHIFTJIS_CHARSET"}, {129, "HANGEUL_CHARSET"},
            {130, "JOHAB_CHARSET"},   {134, "GB2312_CHARSET"},   {136, "CHINESEBIG5_CHARSET"},
            {161, "GREEK_CHARSET"},   {162, "TURKISH_CHARSET"},  {163, "VIETNAMESE_CHARSET"},
            {177, "HEBREW_CHARSET"},  {178, "ARABIC_CHARSET"},   {186, "BALTIC_CHARSET"},
            {204, "RUSSIAN_CHARSET"}, {222, "THAI_CHARSET"},     {238, "EASTEUROPE_CHARSET"},
            {255, "OEM_CHARSET"},
        });
    return Names;
}

const TEnumInfo& AlignNames() {
    static const TEnumInfo Names(
        QStringLiteral("TAlign"),
        QStringList{"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient", "alCustom"});
    return Names;
}

const TEnumInfo& PenStyleNames() {
    static const TEnumInfo Names(QStringLiteral("TPenStyle"),
                                 QStringList{"psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot",
                                             "psClear", "psInsideFrame", "psUserStyle", "psAlternate"});
    return Names;
}

const TEnumInfo& PenModeNames() {
    static const TEnumInfo Names(QStringLiteral("TPenMode"),
                                 QStringList{"pmBlack", "pmWhite", "pmNop", "pmNot", "pmCopy", "pmNotCopy",
                                             "pmMergePenNot", "pmMaskPenNot", "pmMergeNotPen", "pmMaskNotPen",
                                             "pmMerge", "pmNotMerge", "pmMask", "pmNotMask", "pmXor",
                                             "pmNotXor"});
    return Names;
}

const TEnumInfo& BrushStyleNames() {
    static const TEnumInfo Names(QStringLiteral("TBrushStyle"),
                                 QStringList{"bsSolid", "bsClear", "bsHorizontal", "bsVertical",
                                             "bsFDiagonal", "bsBDiagonal", "bsCross", "bsDiagCross"});
    return Names;
}

// The registry of declarations

struct TPropRegistry {
    std::map<std::type_index, PropDetail::TClassDecl> Decls;
    std::map<std::type_index, std::unique_ptr<TPropList>> Merged;
    std::map<std::type_index, const TPropList*> ByDynamicType;
    // Lists dropped by a later declaration stay alive: readers may still hold their entries.
    std::vector<std::unique_ptr<TPropList>> Retired;
    bool InMerge = false;

    static TPropRegistry& Get() {
        static auto* Registry = new TPropRegistry();
        return *Registry;
    }

    static int FindIndex(const std::vector<TPropInfo>& List, const QString& Name) {
        for (size_t i = 0; i < List.size(); ++i)
            if (List[i].Name.compare(Name, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
        return -1;
    }

    const TPropList* Merge(const std::type_info& Type, int Guard = 0) {
        auto Done = Merged.find(Type);
        if (Done != Merged.end()) return Done->second.get();
        auto It = Decls.find(Type);
        if (It == Decls.end() || Guard > 64) return nullptr;
        PropDetail::TClassDecl& Decl = It->second;
        auto List = std::make_unique<TPropList>();
        List->FType = Decl.Type;
        Decl.Depth = 0;
        if (Decl.Base) {
            if (const TPropList* BaseList = Merge(*Decl.Base, Guard + 1)) {
                List->FProps = BaseList->FProps;
                Decl.Depth = Decls.at(*Decl.Base).Depth + 1;
            }
        }
        std::vector<TPropInfo>& Props = List->FProps;
        for (const PropDetail::TDeclEntry& Entry : Decl.Entries) {
            const int Index = FindIndex(Props, Entry.Info.Name);
            if (Entry.PublishOnly) {
                if (Index < 0) continue;
                TPropInfo Info = Props[static_cast<size_t>(Index)];
                if (Entry.DefaultGiven) Info.Default = Entry.Info.Default;
                if (Entry.StoredGiven) Info.Stored = Entry.Info.Stored;
                if (Entry.RangeGiven) {
                    Info.MinValue = Entry.Info.MinValue;
                    Info.MaxValue = Entry.Info.MaxValue;
                }
                const bool WasPublished = Info.Published;
                Info.Published = Entry.Info.Published;
                if (WasPublished && Info.Published) {
                    Props[static_cast<size_t>(Index)] = std::move(Info);
                } else {
                    Props.erase(Props.begin() + Index);
                    Props.push_back(std::move(Info));
                }
                continue;
            }
            if (Index >= 0 && Props[static_cast<size_t>(Index)].Published && Entry.Info.Published) {
                Props[static_cast<size_t>(Index)] = Entry.Info;
            } else {
                if (Index >= 0) Props.erase(Props.begin() + Index);
                Props.push_back(Entry.Info);
            }
        }
        const TPropList* Result = List.get();
        Merged[Type] = std::move(List);
        return Result;
    }
};

namespace {

void DeclareHostClasses();

void EnsureHostDeclared() {
    static bool Declared = false;
    if (Declared) return;
    Declared = true;
    DeclareHostClasses();
}

} // namespace

PropDetail::TClassDecl& PropDetail::DeclareClass(const std::type_info& Type, const std::type_info* Base,
                                                 std::function<bool(const TPersistent*)> IsInstance) {
    TPropRegistry& R = TPropRegistry::Get();
    Invalidate();
    PropDetail::TClassDecl& Decl = R.Decls[Type];
    Decl.Type = &Type;
    if (Base) Decl.Base = Base;
    if (IsInstance) Decl.IsInstance = std::move(IsInstance);
    return Decl;
}

void PropDetail::Invalidate() {
    TPropRegistry& R = TPropRegistry::Get();
    for (auto& [Type, List] : R.Merged)
        R.Retired.push_back(std::move(List));
    R.Merged.clear();
    R.ByDynamicType.clear();
}

// TPropInfo and TPropList

const TPropList* TPropInfo::ObjectProps(void* Nested) const {
    if (!Nested || Kind != pkObject) return nullptr;
    if (ObjectIsPersistent) return GetPropList(static_cast<const TPersistent*>(Nested));
    return GetPropList(*ObjectType);
}

std::vector<const TPropInfo*> TPropList::Published() const {
    std::vector<const TPropInfo*> Result;
    for (const TPropInfo& Info : FProps)
        if (Info.Published) Result.push_back(&Info);
    return Result;
}

const TPropInfo* TPropList::Find(const QString& Name, bool PublishedOnly) const {
    for (const TPropInfo& Info : FProps)
        if ((Info.Published || !PublishedOnly) && Info.Name.compare(Name, Qt::CaseInsensitive) == 0)
            return &Info;
    return nullptr;
}

const TPropList* GetPropList(const TPersistent* Instance) {
    if (!Instance) return nullptr;
    EnsureHostDeclared();
    TPropRegistry& R = TPropRegistry::Get();
    const std::type_index Type(typeid(*Instance));
    auto Cached = R.ByDynamicType.find(Type);
    if (Cached != R.ByDynamicType.end()) return Cached->second;
    const TPropList* Result = R.Merge(typeid(*Instance));
    if (!Result) {
        // An undeclared class has the list of its nearest declared base, the deepest one it is an
        // instance of.
        const PropDetail::TClassDecl* Best = nullptr;
        for (auto& [T, Decl] : R.Decls) {
            if (!Decl.IsInstance || !Decl.IsInstance(Instance)) continue;
            R.Merge(*Decl.Type); // sets Depth
            if (!Best || Decl.Depth > Best->Depth) Best = &Decl;
        }
        if (Best) Result = R.Merge(*Best->Type);
    }
    R.ByDynamicType[Type] = Result;
    return Result;
}

const TPropList* GetPropList(const std::type_info& Type) {
    EnsureHostDeclared();
    return TPropRegistry::Get().Merge(Type);
}

// Values

namespace {

bool IsNumber(const QVariant& V) {
    switch (V.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

bool IsFloat(const QVariant& V) {
    return V.typeId() == QMetaType::Double || V.typeId() == QMetaType::Float;
}

[[noreturn]] void InvalidValue() {
    throw EPropertyError(QStringLiteral("Invalid property value"));
}

bool SameValue(const TPropInfo& Info, const QVariant& A, const QVariant& B) {
    switch (Info.Kind) {
    case pkInteger:
    case pkEnumeration:
    case pkSet:
    case pkColor:
        return A.toLongLong() == B.toLongLong();
    case pkFloat:
        return A.toDouble() == B.toDouble();
    case pkBoolean:
        return A.toBool() == B.toBool();
    case pkString:
    case pkEvent:
        return A.toString() == B.toString();
    case pkStrings:
        return A.toStringList() == B.toStringList();
    case pkBinary:
        return A.toByteArray() == B.toByteArray();
    case pkReference:
        return A.value<TComponent*>() == B.value<TComponent*>();
    case pkObject:
        return false;
    }
    return false;
}

} // namespace

void CheckPropRange(qint64 Value, qint64 Min, qint64 Max) {
    if (Value >= Min && Value <= Max) return;
    throw EPropertyError(QStringLiteral("%s is not within the range %s..%s"),
                         {QString::number(Value), QString::number(Min), QString::number(Max)});
}

void CheckFloatPropRange(double Value, double Min, double Max) {
    if (Value >= Min && Value <= Max) return;
    const auto Text = [](double V) { return QString::number(V, 'g', QLocale::FloatingPointShortest); };
    throw EPropertyError(QStringLiteral("%s is not within the range %s..%s"),
                         {Text(Value), Text(Min), Text(Max)});
}

bool IsStoredProp(const void* Object, const TPropInfo& Info) {
    if (Info.Stored && !Info.Stored(Object)) return false;
    if (Info.Kind == pkObject) return true;
    if (Info.Kind == pkEvent) return Info.Assigned && Info.Assigned(Object);
    if (!Info.Default) return true;
    return !SameValue(Info, Info.Get(Object), *Info.Default);
}

QVariant CoercePropValue(const TPropInfo& Info, const QVariant& Value) {
    switch (Info.Kind) {
    case pkInteger: {
        qint64 N = 0;
        if (IsNumber(Value))
            N = Value.toLongLong();
        else if (Info.Enum && Value.typeId() == QMetaType::QString && Info.Enum->Find(Value.toString()))
            N = *Info.Enum->Find(Value.toString());
        else
            InvalidValue();
        CheckPropRange(N, Info.MinValue, Info.MaxValue);
        return QVariant(N);
    }
    case pkFloat:
        if (!IsNumber(Value) && !IsFloat(Value)) InvalidValue();
        return QVariant(Value.toDouble());
    case pkBoolean:
        if (Value.typeId() != QMetaType::Bool) InvalidValue();
        return Value;
    case pkString:
    case pkEvent:
        if (Value.typeId() != QMetaType::QString) InvalidValue();
        return Value;
    case pkEnumeration: {
        if (Value.typeId() == QMetaType::QString || IsIdent(Value)) {
            const QString Ident = IdentOf(Value);
            auto V = Info.Enum->Find(Ident);
            if (!V)
                throw EPropertyError(QStringLiteral("Cannot find %s in %s"), {Ident, Info.Enum->TypeName()});
            return QVariant(*V);
        }
        if (!IsNumber(Value) || Info.Enum->NameOf(Value.toInt()).isEmpty() ||
            Value.toLongLong() != Value.toInt())
            InvalidValue();
        return QVariant(Value.toInt());
    }
    case pkSet: {
        qint64 Bits = 0;
        if (Value.typeId() == QMetaType::QStringList) {
            for (const QString& Ident : Value.toStringList()) {
                auto V = Info.Enum->Find(Ident);
                if (!V)
                    throw EPropertyError(QStringLiteral("Cannot find %s in %s"),
                                         {Ident, Info.Enum->TypeName()});
                if (*V < 0 || *V > 62) InvalidValue();
                Bits |= qint64(1) << *V;
            }
            return QVariant(Bits);
        }
        if (!IsNumber(Value)) InvalidValue();
        Bits = Value.toLongLong();
        for (int i = 0; i < 63; ++i)
            if ((Bits >> i) & 1)
                if (Info.Enum->NameOf(i).isEmpty()) InvalidValue();
        if (Bits < 0) InvalidValue();
        return QVariant(Bits);
    }
    case pkColor: {
        if (Value.typeId() == QMetaType::QString || IsIdent(Value)) {
            auto C = StringToColor(IdentOf(Value));
            if (!C)
                throw EPropertyError(QStringLiteral("Cannot find %s in %s"),
                                     {IdentOf(Value), QStringLiteral("TColor")});
            return QVariant(static_cast<int>(*C));
        }
        if (!IsNumber(Value)) InvalidValue();
        const qint64 N = Value.toLongLong();
        if (N < std::numeric_limits<int32_t>::min() || N > std::numeric_limits<uint32_t>::max())
            InvalidValue();
        return QVariant(static_cast<int>(static_cast<uint32_t>(N)));
    }
    case pkStrings:
        if (Value.typeId() != QMetaType::QStringList) InvalidValue();
        return Value;
    case pkBinary:
        if (Value.typeId() != QMetaType::QByteArray) InvalidValue();
        return Value;
    case pkReference: {
        if (!Value.isValid() || Value.isNull()) return QVariant::fromValue<TComponent*>(nullptr);
        if (Value.metaType() != QMetaType::fromType<TComponent*>()) InvalidValue();
        TComponent* C = Value.value<TComponent*>();
        if (C && !Info.Accepts(C))
            throw EPropertyError(QStringLiteral("%s is not a %s"), {C->Name(), ClassNameOf(*Info.RefType)});
        return Value;
    }
    case pkObject:
        InvalidValue();
    }
    InvalidValue();
}

const TPropInfo* FindPropPath(TPersistent* Instance, const QString& Name, void** Owner, bool PublishedOnly) {
    if (!Instance) return nullptr;
    const QStringList Parts = Name.split(u'.');
    void* Object = ErasedPointer(Instance);
    const TPropList* List = GetPropList(Instance);
    for (int i = 0; i < Parts.size(); ++i) {
        if (!List) return nullptr;
        const TPropInfo* Info = List->Find(Parts[i], PublishedOnly);
        if (!Info) return nullptr;
        if (i == Parts.size() - 1) {
            if (Owner) *Owner = Object;
            return Info;
        }
        if (Info->Kind != pkObject) return nullptr;
        Object = Info->Object(Object);
        if (!Object) return nullptr;
        List = Info->ObjectProps(Object);
    }
    return nullptr;
}

QVariant GetPropValue(const TPersistent* Instance, const QString& Name) {
    void* Object = nullptr;
    const TPropInfo* Info = FindPropPath(const_cast<TPersistent*>(Instance), Name, &Object);
    if (!Info || Info->Kind == pkObject)
        throw EPropertyError(QStringLiteral("Property %s does not exist"), {Name});
    if (Info->Kind == pkEvent) {
        const auto* Component = dynamic_cast<const TComponent*>(Instance);
        if (!Component || !Info->Assigned(Object)) return QVariant(QString());
        return QVariant(Component->EventBinding(Info->Name));
    }
    return Info->Get(Object);
}

void SetPropValue(TPersistent* Instance, const QString& Name, const QVariant& Value) {
    void* Object = nullptr;
    const TPropInfo* Info = FindPropPath(Instance, Name, &Object);
    if (!Info || Info->Kind == pkObject)
        throw EPropertyError(QStringLiteral("Property %s does not exist"), {Name});
    const QVariant V = CoercePropValue(*Info, Value);
    if (Info->Kind != pkEvent) {
        Info->Set(Object, V);
        return;
    }
    auto* Component = dynamic_cast<TComponent*>(Instance);
    if (!Component) InvalidValue();
    const QString HandlerName = V.toString();
    if (HandlerName.isEmpty()) {
        Info->Unbind(Object);
        Component->SetEventBinding(Info->Name, QString());
        return;
    }
    for (TComponent* Root = Component; Root; Root = Root->Owner()) {
        if (const std::any* Handler = Root->MethodAddress(HandlerName)) {
            BindEvent(Component, Object, *Info, Root->MethodName(HandlerName), *Handler);
            return;
        }
    }
    throw EPropertyError(QStringLiteral("Method %s not found"), {HandlerName});
}

void BindEvent(TComponent* Component, void* Object, const TPropInfo& Info, const QString& HandlerName,
               const std::any& Handler) {
    if (!Info.Bind(Object, Handler))
        throw EPropertyError(QStringLiteral("Method %s does not fit %s"), {HandlerName, Info.Name});
    Component->SetEventBinding(Info.Name, HandlerName);
}

// Identifiers

QVariant MakeIdent(const QString& Name) {
    return QVariant::fromValue(TIdent{Name});
}

bool IsIdent(const QVariant& Value) {
    return Value.metaType() == QMetaType::fromType<TIdent>();
}

QString IdentOf(const QVariant& Value) {
    if (IsIdent(Value)) return Value.value<TIdent>().Name;
    if (Value.typeId() == QMetaType::QString) return Value.toString();
    return QString();
}

// The host's own classes

namespace {

void DeclareHostClasses() {
    DeclareProperties<TComponent>()
        .String("Name", &TComponent::Name, &TComponent::SetName)
        .NotPublished()
        .Integer("Tag", &TComponent::Tag, &TComponent::SetTag)
        .Default(0);

    DeclareProperties<TControl, TComponent>()
        .Integer("Left", &TControl::Left, &TControl::SetLeft)
        .Range(-MaxControlPosition, MaxControlPosition)
        .Integer("Top", &TControl::Top, &TControl::SetTop)
        .Range(-MaxControlPosition, MaxControlPosition)
        .Integer("Width", &TControl::Width, &TControl::SetWidth)
        .Range(0, MaxControlSize)
        .Integer("Height", &TControl::Height, &TControl::SetHeight)
        .Range(0, MaxControlSize)
        .Enumeration("Align", AlignNames(), &TControl::Align, &TControl::SetAlign)
        .Default(alNone)
        .NotPublished()
        .String("Caption", &TControl::Caption, &TControl::SetCaption)
        .Default(QString())
        .NotPublished()
        .Color("Color", &TControl::Color, &TControl::SetColor)
        .Stored([](const TControl& C) { return !C.ParentColor(); })
        .NotPublished()
        .Boolean("Enabled", &TControl::Enabled, &TControl::SetEnabled)
        .Default(true)
        .NotPublished()
        .Object("Font", &TControl::Font)
        .Stored([](const TControl& C) { return !C.ParentFont(); })
        .NotPublished()
        .String("Hint", &TControl::Hint, &TControl::SetHint)
        .Default(QString())
        .NotPublished()
        .Boolean("ParentColor", &TControl::ParentColor, &TControl::SetParentColor)
        .Default(false)
        .NotPublished()
        .Boolean("ParentFont", &TControl::ParentFont, &TControl::SetParentFont)
        .Default(true)
        .NotPublished()
        .Boolean("Visible", &TControl::Visible, &TControl::SetVisible)
        .Default(true)
        .NotPublished()
        .Event("OnClick", &TControl::OnClick)
        .NotPublished()
        .Event("OnDblClick", &TControl::OnDblClick)
        .NotPublished()
        .Event("OnResize", &TControl::OnResize)
        .NotPublished();

    DeclareProperties<TFont>()
        .Integer("Charset", &TFont::Charset, &TFont::SetCharset)
        .Names(CharsetNames())
        .Color("Color", &TFont::Color, &TFont::SetColor)
        .Integer("Height", &TFont::Height, &TFont::SetHeight)
        .Range(-MaxControlSize, MaxControlSize)
        .String("Name", &TFont::Name, &TFont::SetName)
        .Enumeration("Pitch", FontPitchNames(), &TFont::Pitch, &TFont::SetPitch)
        .Default(fpDefault)
        .Integer("Size", &TFont::Size, &TFont::SetSize)
        .NotPublished()
        .Set("Style", FontStyleNames(), &TFont::Style, &TFont::SetStyle);

    DeclareProperties<TPen>()
        .Color("Color", &TPen::Color, &TPen::SetColor)
        .Default(clBlack)
        .Enumeration("Mode", PenModeNames(), &TPen::Mode, &TPen::SetMode)
        .Default(pmCopy)
        .Enumeration("Style", PenStyleNames(), &TPen::Style, &TPen::SetStyle)
        .Default(psSolid)
        .Integer("Width", &TPen::Width, &TPen::SetWidth)
        .Default(1);

    DeclareProperties<TBrush>()
        .Color("Color", &TBrush::Color, &TBrush::SetColor)
        .Default(clWhite)
        .Enumeration("Style", BrushStyleNames(), &TBrush::Style, &TBrush::SetStyle)
        .Default(bsSolid);
}

} // namespace
