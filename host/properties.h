#pragma once
#include "host/classes.h"
#include "host/graphics.h"
#include "host/lists.h"
#include <QByteArray>
#include <QStringList>
#include <QVariant>
#include <any>
#include <functional>
#include <limits>
#include <optional>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <vector>

// Published properties: each class declares once, in order, the properties that stored forms write
// and that can be read and set by name. A class starts from its base's list; a declaration of a name
// the base already has replaces that entry in place, Publish makes an inherited but unpublished one
// published at the end of the list.
//
// Declaring a class (once, from a static initializer or a registration routine; the order in which
// classes are declared does not matter, lists are merged when first asked for):
//
//     static const bool BandDeclared = [] {
//         DeclareProperties<TVyrBand, TControl>()
//             .Publish("Font")                                  // inherited from TControl, now stored
//             .Publish("Color").Default(clBtnFace)
//             .Boolean("Visible", &TVyrBand::Visible, &TVyrBand::SetVisible).Default(true) // replaces
//             .String("BandName", &TVyrBand::BandName, &TVyrBand::SetBandName).Default(QString())
//             .Integer("Order", &TVyrSubBand::Order, &TVyrSubBand::SetOrder).Default(0)
//             .Integer("WrapHeightPercent", Get, Set).Range(25, 300).Default(100)
//             .Enumeration("BorderType", BorderTypeNames, &TVyrBand::BorderType, &TVyrBand::SetBorderType)
//                 .Default(btNone)
//             .Reference("Updatelevel", &TVyrBand::UpdateLevel, &TVyrBand::SetUpdateLevel)
//             .Object("ReserveSpace", &TVyrBand::ReserveSpace)
//             .Float("LeftMargin", Get, Set).Stored(false)
//             .Boolean("Stretch", &TVyrBand::Stretch, &TVyrBand::SetStretch)
//                 .Stored([](const TVyrBand& B) { return B.Stretch(); })
//             .Event("OnBeforePrint", &TVyrBand::OnBeforePrint);
//         return true;
//     }();
//
// Getters and setters are member pointers or callables taking (const T&) and (T&, value). Without
// Default a property is always written; with it, a value equal to the default is not written.
//
// Events: a root (the form) keeps a table of named handlers (TComponent::DefineMethod, or the typed
// DefineMethod below); an event property holds the name of the handler it is bound to and binds the
// handler's std::function, which must be of the event's exact type.

// ---- Kinds and the QVariant form of their values ----

enum TPropKind : uint8_t {
    pkInteger,     // qint64; written by name where Enum names the value (character sets)
    pkFloat,       // double
    pkBoolean,     // bool
    pkString,      // QString
    pkEnumeration, // int: the value; written by its name
    pkSet,         // qint64: bit i stands for the enumeration value i; written as [a, b]
    pkColor,       // int (TColor); written by its name, else as $00BBGGRR
    pkStrings,     // QStringList
    pkBinary,      // QByteArray
    pkObject,      // a nested object written as dotted names (Font.Name); no value of its own
    pkReference,   // TComponent*, QVariant::fromValue<TComponent*>; written by name
    pkEvent,       // QString: the name of the root's handler it is bound to, empty when none
};

// The names of the values of an enumeration ("TVyrBorderType": btNone, btSingle, ...).
class TEnumInfo {
public:
    // Values 0, 1, 2, ... named in order.
    TEnumInfo(QString TypeName, const QStringList& Names);
    // Named values that need not be consecutive (character sets, colours).
    TEnumInfo(QString TypeName, std::vector<std::pair<int, QString>> Values);

    const QString& TypeName() const { return FTypeName; }
    const std::vector<std::pair<int, QString>>& Values() const { return FValues; }
    // The name of Value; empty when it has none.
    QString NameOf(int Value) const;
    // The value named Ident; case is ignored.
    std::optional<int> Find(const QString& Ident) const;
    // Like Find, but raises EReadError "Cannot find <Ident> in <TypeName>" for an unknown name.
    int ValueOf(const QString& Ident) const;

private:
    QString FTypeName;
    std::vector<std::pair<int, QString>> FValues;
};

// The system colours and the standard colours by name (clBtnFace, clRed, ...), as TColor values.
const TEnumInfo& ColorNames();
// A colour as stored forms write it: its name, else $00BBGGRR; and back (name, $hex or decimal).
QString ColorToString(TColor Color);
std::optional<TColor> StringToColor(const QString& Text);

// Names of the host's own enumerations that its declared classes publish.
const TEnumInfo& FontStyleNames();  // fsBold, fsItalic, fsUnderline, fsStrikeOut (a set)
const TEnumInfo& FontPitchNames();  // fpDefault, fpVariable, fpFixed
const TEnumInfo& CharsetNames();    // ANSI_CHARSET, DEFAULT_CHARSET, ...
const TEnumInfo& AlignNames();      // alNone, alTop, ...
const TEnumInfo& PenStyleNames();   // psSolid, ...
const TEnumInfo& PenModeNames();    // pmBlack, ...
const TEnumInfo& BrushStyleNames(); // bsSolid, ...

// Raised when a property is asked for by a name the class does not have, or given a value it cannot
// take.
class EPropertyError : public Exception {
    using Exception::Exception;
};

// Raises EPropertyError "N is not within the range Min..Max" for a Value outside Min..Max; setters
// that refuse a value out of their range say it in the words that reading a stored form does.
void CheckPropRange(qint64 Value, qint64 Min, qint64 Max);
// The same for a float; a value that is not a number is outside every range.
void CheckFloatPropRange(double Value, double Min, double Max);

// An object as property accessors see it: a class derived from TPersistent is passed as its
// TPersistent* (converted to void*), any other class (TFont, TPen, TBrush) as a pointer to itself.
template <class T> void* ErasedPointer(T* Object) {
    if constexpr (std::is_base_of_v<TPersistent, T>)
        return static_cast<void*>(static_cast<TPersistent*>(Object));
    else
        return static_cast<void*>(Object);
}
template <class T> T* FromErasedPointer(void* Pointer) {
    if constexpr (std::is_base_of_v<TPersistent, T>)
        return static_cast<T*>(static_cast<TPersistent*>(Pointer));
    else
        return static_cast<T*>(Pointer);
}

class TPropList;

// One declared property with its type-erased accessors.
struct TPropInfo {
    QString Name;
    TPropKind Kind = pkInteger;
    bool Published = true;
    const TEnumInfo* Enum = nullptr;         // enumeration and set: the value names (colour: ColorNames())
    std::optional<QVariant> Default;         // a value equal to it is not written; none: always written
    std::function<bool(const void*)> Stored; // when set and false, the property is not written
    qint64 MinValue = std::numeric_limits<qint64>::min(); // integer: the values the type holds
    qint64 MaxValue = std::numeric_limits<qint64>::max();

    std::function<QVariant(const void*)> Get;         // every kind but pkObject and pkEvent
    std::function<void(void*, const QVariant&)> Set;  // the same kinds
    std::function<void*(void*)> Object;               // pkObject: the nested object or nullptr
    const std::type_info* ObjectType = nullptr;       // pkObject: its declared class
    bool ObjectIsPersistent = false;                  // pkObject: its lists follow its dynamic class
    const std::type_info* RefType = nullptr;          // pkReference: the class it accepts
    std::function<bool(const TComponent*)> Accepts;   // pkReference: Component is of that class
    std::function<bool(void*, const std::any&)> Bind; // pkEvent: false when the handler does not fit
    std::function<void(void*)> Unbind;                // pkEvent: empties the std::function
    std::function<bool(const void*)> Assigned;        // pkEvent: the std::function is not empty

    // The property list of the nested object (pkObject), found from its dynamic class when it is a
    // persistent.
    const TPropList* ObjectProps(void* Nested) const;
};

// The declared properties of one class, its base's first.
class TPropList {
public:
    const std::type_info& Type() const { return *FType; }
    // Every declared property, published or not, in list order.
    const std::vector<TPropInfo>& Properties() const { return FProps; }
    // The published properties in the order stored forms write them.
    std::vector<const TPropInfo*> Published() const;
    // By name, case ignored; nullptr when the class has none.
    const TPropInfo* Find(const QString& Name, bool PublishedOnly = false) const;

private:
    friend struct TPropRegistry;
    const std::type_info* FType = nullptr;
    std::vector<TPropInfo> FProps;
};

// The list of Instance's dynamic class: its own declaration, else that of its nearest declared base.
// TPersistent itself has none; TComponent, TControl, TFont, TPen and TBrush are declared by the host.
const TPropList* GetPropList(const TPersistent* Instance);
// The list declared for exactly Type or, for a persistent class that was not declared, nullptr.
const TPropList* GetPropList(const std::type_info& Type);

// Whether the stored form writes Info of Object: stored, and not equal to its default.
bool IsStoredProp(const void* Object, const TPropInfo& Info);

// Reading and setting by name (case ignored; dotted names reach nested objects: "Font.Height",
// "ReserveSpace.Band"). Unpublished declared properties count too. Raise EPropertyError for an
// unknown name or a value of the wrong kind, class or range. Enumerations and colours also take
// their names, sets a QStringList of names; events take a handler name, looked up in the owners'
// handler tables, nearest first.
QVariant GetPropValue(const TPersistent* Instance, const QString& Name);
void SetPropValue(TPersistent* Instance, const QString& Name, const QVariant& Value);
// The property and the object it belongs to that a dotted name leads to; nullptr when none.
const TPropInfo* FindPropPath(TPersistent* Instance, const QString& Name, void** Owner,
                              bool PublishedOnly = false);
// Converts Value to the QVariant form of Info's kind and checks it (names, range, class); raises
// EPropertyError.
QVariant CoercePropValue(const TPropInfo& Info, const QVariant& Value);

// Binds an event property of Component to Handler, a std::function of the event's type held in a
// std::any, and remembers HandlerName for writing. Raises EPropertyError when the type does not fit.
void BindEvent(TComponent* Component, void* Object, const TPropInfo& Info, const QString& HandlerName,
               const std::any& Handler);

// A handler of a root's table, typed: DefineMethod<void(TVyrBand*)>(Form, "Band1Print", Lambda).
template <class Sig, class F> void DefineMethod(TComponent* Root, const QString& Name, F&& Handler) {
    Root->DefineMethod(Name, std::any(std::function<Sig>(std::forward<F>(Handler))));
}

// ---- Identifiers among extra (DefineProperties) values ----

// A bare identifier value of a named extra property (vidDBVar, alNone): a writer writes it without
// quotes, a reader hands identifiers over in this form (True and False arrive as bool).
struct TIdent {
    QString Name;
};
Q_DECLARE_METATYPE(TIdent)
QVariant MakeIdent(const QString& Name);
bool IsIdent(const QVariant& Value);
// The identifier's name; a string value gives its text, anything else an empty string.
QString IdentOf(const QVariant& Value);

// ---- Declaring ----

namespace PropDetail {
struct TDeclEntry {
    TPropInfo Info;
    bool PublishOnly = false;  // publishes (or, with Info.Published false, hides) the inherited one
    bool DefaultGiven = false; // PublishOnly: Default replaces the inherited one
    bool StoredGiven = false;  // PublishOnly: Stored replaces the inherited one
    bool RangeGiven = false;   // PublishOnly: the range replaces the inherited one
};
// The declaration of one class; the returned entry lives as long as the program.
struct TClassDecl {
    const std::type_info* Type = nullptr;
    const std::type_info* Base = nullptr;               // nullptr: the list starts empty
    std::function<bool(const TPersistent*)> IsInstance; // persistent classes only
    int Depth = 0;                                      // persistent classes: length of the base chain
    std::vector<TDeclEntry> Entries;
};
TClassDecl& DeclareClass(const std::type_info& Type, const std::type_info* Base,
                         std::function<bool(const TPersistent*)> IsInstance);
// Drops every merged list, so that the next lookup merges the declarations again.
void Invalidate();

template <class V> QStringList ToStringList(const V& Value) {
    if constexpr (std::is_convertible_v<const V&, QStringList>)
        return Value;
    else if constexpr (std::is_pointer_v<V>)
        return Value ? Value->ToStringList() : QStringList();
    else
        return Value.ToStringList();
}
} // namespace PropDetail

// Builds the declaration of T (base Base, or none when Base is void). Each call adds one property;
// Default, Range, Stored and NotPublished modify the one added or published last.
template <class T, class Base = void> class TPropDeclaration {
public:
    TPropDeclaration() {
        std::function<bool(const TPersistent*)> IsInstance;
        if constexpr (std::is_base_of_v<TPersistent, T>)
            IsInstance = [](const TPersistent* P) { return dynamic_cast<const T*>(P) != nullptr; };
        const std::type_info* BaseType = nullptr;
        if constexpr (!std::is_void_v<Base>) {
            static_assert(std::is_base_of_v<Base, T>, "Base must be a base class of T");
            BaseType = &typeid(Base);
        }
        FDecl = &PropDetail::DeclareClass(typeid(T), BaseType, std::move(IsInstance));
    }

    template <class G, class S> TPropDeclaration& Integer(const QString& Name, G Getter, S Setter) {
        using V = std::decay_t<std::invoke_result_t<G, const T&>>;
        TPropInfo& I = Add(Name, pkInteger);
        if constexpr (std::is_integral_v<V> || std::is_enum_v<V>) {
            using N = std::conditional_t<std::is_enum_v<V>, int, V>;
            I.MinValue = static_cast<qint64>(std::numeric_limits<N>::min());
            I.MaxValue = std::numeric_limits<N>::max() > std::numeric_limits<qint64>::max()
                             ? std::numeric_limits<qint64>::max()
                             : static_cast<qint64>(std::numeric_limits<N>::max());
        }
        I.Get = [Getter](const void* O) {
            return QVariant(static_cast<qint64>(std::invoke(Getter, Obj(O))));
        };
        I.Set = [Setter](void* O, const QVariant& V) {
            std::invoke(Setter, Obj(O), static_cast<ValueType<G>>(V.toLongLong()));
        };
        return *this;
    }
    template <class G, class S> TPropDeclaration& Float(const QString& Name, G Getter, S Setter) {
        TPropInfo& I = Add(Name, pkFloat);
        I.Get = [Getter](const void* O) {
            return QVariant(static_cast<double>(std::invoke(Getter, Obj(O))));
        };
        I.Set = [Setter](void* O, const QVariant& V) {
            std::invoke(Setter, Obj(O), static_cast<ValueType<G>>(V.toDouble()));
        };
        return *this;
    }
    template <class G, class S> TPropDeclaration& Boolean(const QString& Name, G Getter, S Setter) {
        TPropInfo& I = Add(Name, pkBoolean);
        I.Get = [Getter](const void* O) { return QVariant(static_cast<bool>(std::invoke(Getter, Obj(O)))); };
        I.Set = [Setter](void* O, const QVariant& V) { std::invoke(Setter, Obj(O), V.toBool()); };
        return *this;
    }
    template <class G, class S> TPropDeclaration& String(const QString& Name, G Getter, S Setter) {
        TPropInfo& I = Add(Name, pkString);
        I.Get = [Getter](const void* O) { return QVariant(QString(std::invoke(Getter, Obj(O)))); };
        I.Set = [Setter](void* O, const QVariant& V) { std::invoke(Setter, Obj(O), V.toString()); };
        return *this;
    }
    template <class G, class S>
    TPropDeclaration& Enumeration(const QString& Name, const TEnumInfo& Names, G Getter, S Setter) {
        TPropInfo& I = Add(Name, pkEnumeration);
        I.Enum = &Names;
        I.Get = [Getter](const void* O) { return QVariant(static_cast<int>(std::invoke(Getter, Obj(O)))); };
        I.Set = [Setter](void* O, const QVariant& V) {
            std::invoke(Setter, Obj(O), static_cast<ValueType<G>>(V.toInt()));
        };
        return *this;
    }
    // A set held as bits (bit i = value i of Names), in any integral type or a type constructible
    // from one.
    template <class G, class S>
    TPropDeclaration& Set(const QString& Name, const TEnumInfo& Names, G Getter, S Setter) {
        TPropInfo& I = Add(Name, pkSet);
        I.Enum = &Names;
        I.Get = [Getter](const void* O) {
            return QVariant(static_cast<qint64>(std::invoke(Getter, Obj(O))));
        };
        I.Set = [Setter](void* O, const QVariant& V) {
            std::invoke(Setter, Obj(O), static_cast<ValueType<G>>(V.toLongLong()));
        };
        return *this;
    }
    template <class G, class S> TPropDeclaration& Color(const QString& Name, G Getter, S Setter) {
        TPropInfo& I = Add(Name, pkColor);
        I.Enum = &ColorNames();
        I.Get = [Getter](const void* O) { return QVariant(static_cast<int>(std::invoke(Getter, Obj(O)))); };
        I.Set = [Setter](void* O, const QVariant& V) {
            std::invoke(Setter, Obj(O), static_cast<ValueType<G>>(V.toInt()));
        };
        return *this;
    }
    // A list of strings read with Getter (a QStringList, or a TStringList by pointer or reference)
    // and set with Setter taking a QStringList.
    template <class G, class S> TPropDeclaration& Strings(const QString& Name, G Getter, S Setter) {
        TPropInfo& I = Add(Name, pkStrings);
        I.Default = QVariant(QStringList());
        I.Get = [Getter](const void* O) {
            return QVariant(PropDetail::ToStringList(std::invoke(Getter, Obj(O))));
        };
        I.Set = [Setter](void* O, const QVariant& V) { std::invoke(Setter, Obj(O), V.toStringList()); };
        return *this;
    }
    // A TStringList that the object owns: Getter returns it (pointer); setting replaces its lines.
    template <class G> TPropDeclaration& Strings(const QString& Name, G Getter) {
        return Strings(Name, Getter, [Getter](T& O, const QStringList& L) {
            auto* List = std::invoke(Getter, O);
            List->Clear();
            for (const QString& S : L)
                List->Add(S);
        });
    }
    template <class G, class S> TPropDeclaration& Binary(const QString& Name, G Getter, S Setter) {
        TPropInfo& I = Add(Name, pkBinary);
        I.Default = QVariant(QByteArray());
        I.Get = [Getter](const void* O) { return QVariant(QByteArray(std::invoke(Getter, Obj(O)))); };
        I.Set = [Setter](void* O, const QVariant& V) { std::invoke(Setter, Obj(O), V.toByteArray()); };
        return *this;
    }
    // A nested object that T owns (TFont, a TPersistent such as the reserved space); Getter returns
    // a pointer to it.
    template <class G> TPropDeclaration& Object(const QString& Name, G Getter) {
        using P = std::decay_t<std::invoke_result_t<G, T&>>;
        using N = std::remove_cv_t<std::remove_pointer_t<P>>;
        static_assert(std::is_pointer_v<P>, "an object property's getter returns a pointer");
        TPropInfo& I = Add(Name, pkObject);
        I.ObjectType = &typeid(N);
        I.ObjectIsPersistent = std::is_base_of_v<TPersistent, N>;
        I.Object = [Getter](void* O) -> void* {
            N* Nested = const_cast<N*>(std::invoke(Getter, Obj(O)));
            return Nested ? ErasedPointer<N>(Nested) : nullptr;
        };
        return *this;
    }
    // A reference to another component, of the class Getter returns a pointer to.
    template <class G, class S> TPropDeclaration& Reference(const QString& Name, G Getter, S Setter) {
        using P = std::decay_t<std::invoke_result_t<G, const T&>>;
        using R = std::remove_cv_t<std::remove_pointer_t<P>>;
        static_assert(std::is_base_of_v<TComponent, R>, "a reference names a component class");
        TPropInfo& I = Add(Name, pkReference);
        I.Default = QVariant::fromValue<TComponent*>(nullptr);
        I.RefType = &typeid(R);
        I.Accepts = [](const TComponent* C) { return dynamic_cast<const R*>(C) != nullptr; };
        I.Get = [Getter](const void* O) {
            R* Target = const_cast<R*>(std::invoke(Getter, Obj(O)));
            return QVariant::fromValue<TComponent*>(Target);
        };
        I.Set = [Setter](void* O, const QVariant& V) {
            std::invoke(Setter, Obj(O), dynamic_cast<R*>(V.value<TComponent*>()));
        };
        return *this;
    }
    // An event: Member is the std::function member that holds the handler.
    template <class Sig> TPropDeclaration& Event(const QString& Name, std::function<Sig> T::*Member) {
        static_assert(std::is_base_of_v<TComponent, T>, "events belong to components");
        TPropInfo& I = Add(Name, pkEvent);
        I.Default = QVariant(QString());
        I.Bind = [Member](void* O, const std::any& Handler) {
            const auto* F = std::any_cast<std::function<Sig>>(&Handler);
            if (!F) return false;
            Obj(O).*Member = *F;
            return true;
        };
        I.Unbind = [Member](void* O) { Obj(O).*Member = nullptr; };
        I.Assigned = [Member](const void* O) { return static_cast<bool>(Obj(O).*Member); };
        return *this;
    }

    // Publishes the inherited property Name (declared by a base but not published) at this place.
    TPropDeclaration& Publish(const QString& Name) {
        PropDetail::TDeclEntry Entry;
        Entry.Info.Name = Name;
        Entry.PublishOnly = true;
        FDecl->Entries.push_back(std::move(Entry));
        return *this;
    }
    // Takes the inherited property Name out of the published list (it can still be set by name).
    TPropDeclaration& Unpublish(const QString& Name) {
        Publish(Name);
        FDecl->Entries.back().Info.Published = false;
        return *this;
    }
    // The value that is not written.
    template <class V> TPropDeclaration& Default(const V& Value) {
        PropDetail::TDeclEntry& E = FDecl->Entries.back();
        if constexpr (std::is_same_v<V, QVariant>)
            E.Info.Default = Value;
        else if constexpr (std::is_enum_v<V>)
            E.Info.Default = QVariant(static_cast<int>(Value));
        else if constexpr (std::is_same_v<V, bool>)
            E.Info.Default = QVariant(Value);
        else if constexpr (std::is_integral_v<V>)
            E.Info.Default = QVariant(static_cast<qint64>(Value));
        else if constexpr (std::is_floating_point_v<V>)
            E.Info.Default = QVariant(static_cast<double>(Value));
        else if constexpr (std::is_pointer_v<V> || std::is_null_pointer_v<V>)
            E.Info.Default = QVariant::fromValue<TComponent*>(nullptr);
        else
            E.Info.Default = QVariant(Value);
        E.DefaultGiven = true;
        return *this;
    }
    // Always written, even when an inherited declaration had a default.
    TPropDeclaration& NoDefault() {
        PropDetail::TDeclEntry& E = FDecl->Entries.back();
        E.Info.Default.reset();
        E.DefaultGiven = true;
        return *this;
    }
    // Integer properties: written by name where the value has one in Names, else as a number; read
    // from either.
    TPropDeclaration& Names(const TEnumInfo& Names) {
        FDecl->Entries.back().Info.Enum = &Names;
        return *this;
    }
    // Integer properties: the values a stored form may hold.
    TPropDeclaration& Range(qint64 Min, qint64 Max) {
        PropDetail::TDeclEntry& E = FDecl->Entries.back();
        E.Info.MinValue = Min;
        E.Info.MaxValue = Max;
        E.RangeGiven = true;
        return *this;
    }
    // Written only when Predicate (taking const T&) is true.
    template <class P> TPropDeclaration& Stored(P Predicate) {
        PropDetail::TDeclEntry& E = FDecl->Entries.back();
        if constexpr (std::is_same_v<P, bool>)
            E.Info.Stored = [Predicate](const void*) { return Predicate; };
        else
            E.Info.Stored = [Predicate](const void* O) {
                return static_cast<bool>(std::invoke(Predicate, Obj(O)));
            };
        E.StoredGiven = true;
        return *this;
    }
    // Declared for reading and setting by name, but not stored (a base's property that descendants
    // may publish).
    TPropDeclaration& NotPublished() {
        FDecl->Entries.back().Info.Published = false;
        return *this;
    }

private:
    template <class G> using ValueType = std::decay_t<std::invoke_result_t<G, const T&>>;
    static T& Obj(void* O) { return *FromErasedPointer<T>(O); }
    static const T& Obj(const void* O) { return *FromErasedPointer<T>(const_cast<void*>(O)); }

    TPropInfo& Add(const QString& Name, TPropKind Kind) {
        PropDetail::Invalidate();
        PropDetail::TDeclEntry Entry;
        Entry.Info.Name = Name;
        Entry.Info.Kind = Kind;
        FDecl->Entries.push_back(std::move(Entry));
        return FDecl->Entries.back().Info;
    }

    PropDetail::TClassDecl* FDecl = nullptr;
};

template <class T, class Base = void> TPropDeclaration<T, Base> DeclareProperties() {
    return TPropDeclaration<T, Base>();
}
