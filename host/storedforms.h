#pragma once
#include "host/classes.h"
#include "host/properties.h"
#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class TWinControl;

// The readable stored form of components, UTF-8 without a byte-order mark:
//
//     object Form1: TForm1
//       Left = 0
//       Caption = 'It''s'#13#10'done'
//       Font.Style = [fsBold, fsItalic]
//       object Band1: TBand
//         Updatelevel = Level1
//         Lines = (
//           'a'
//           'b')
//       end
//     end
//
// Values: integers, floats (the shortest text that reads back the same), True and False, names of
// enumeration values and colours ($00BBGGRR without a name), sets, quoted strings with '' inside and
// #n for control characters (the reader takes #n for any character), lists of strings, binary data
// as { hex }, references by name (Module.Name for a component of another form).

// Writes components. Each component is written with its published properties (base first), then its
// named extras (DefineProperties), then the components nested under it: the controls it parents that
// the root owns, in control order.
class TWriter {
public:
    explicit TWriter(TComponent* Root);
    ~TWriter();

    TComponent* Root() const { return FRoot; }
    // The root and every component it owns (components it does not own, such as design-time
    // helpers, are never written).
    void WriteRootComponent();
    // One component of the root and the components nested under it, as a clipboard holds them.
    void WriteComponent(TComponent* Component);
    // Called from TComponent::WriteState: the published properties, then the extras.
    void WriteProperties(TPersistent* Instance);

    // What was written so far, UTF-8.
    QByteArray Text() const { return FText; }

private:
    void WriteObject(TComponent* Component);
    void WriteChildren(TComponent* Parent);
    void WriteObjectProperties(void* Object, const TPropList* List, TPersistent* Persistent,
                               const QString& Prefix);
    void WriteExtras(TPersistent* Instance, const QString& Prefix);
    void WriteStrings(const QString& Name, const QStringList& Items);
    void WriteBinary(const QString& Name, const QByteArray& Bytes);
    static QString FormatScalar(const TPropInfo& Info, const QVariant& Value);
    void WriteLine(const QString& Line);
    QString ReferenceName(const TComponent* Target) const;

    TComponent* FRoot;
    QByteArray FText;
    int FLevel = 0;
};

// Reads components. Every object is made owned by the root, named, parented on the control it is
// nested in (or, at the top, on the root when the root is a control container), and read; references
// are fixed up once everything is read, then each object made gets Loaded and leaves its loading
// state. Any error raises EReadError (EClassNotFound for an unknown class) whose message gives the
// cause, the line and the object and property path; everything the reader made is freed then and
// the root keeps the components it had. An error raised by a Loaded comes out after every object made
// has had its Loaded; the objects stay then.
class TReader {
public:
    explicit TReader(TComponent* Root);
    ~TReader();

    // A whole form: the root's own properties (its class must match) and all it holds. The root takes
    // the stored name when it has none, gets Loaded with the rest, and becomes a loaded form that
    // references from other forms can reach.
    void ReadRootComponent(const QByteArray& Text);
    // Objects as a clipboard holds them; those at the top that are controls are parented on Parent
    // (when not nullptr). Returns the objects at the top. Rename, when given, names each object:
    // it gets the name the text stores and gives the one to use; a reference in the text to a name
    // given another then follows its object.
    std::vector<TComponent*> ReadComponents(const QByteArray& Text, TWinControl* Parent,
                                            const std::function<QString(const QString& Name)>& Rename = {});

private:
    struct TImpl;
    TComponent* FRoot;
};

// A whole form in memory and in files.
QByteArray WriteComponentText(TComponent* Root);
void ReadComponentText(const QByteArray& Text, TComponent* Root);
void WriteComponentFile(const QString& FileName, TComponent* Root);
void ReadComponentFile(const QString& FileName, TComponent* Root);

// Loaded forms, which references of the form Module.Name reach. A reference into a form that is not
// loaded yet waits until a form of that name is registered; a form registers when read whole, or by
// RegisterRoot. A root leaves the registry when freed.
void RegisterRoot(TComponent* Root);
void UnRegisterRoot(TComponent* Root);
TComponent* FindRoot(const QString& Name);
// Every registered root still alive, in the order they registered.
std::vector<TComponent*> RegisteredRoots();
// Forgets every registered root and every waiting reference (tests).
void ResetStoredForms();
