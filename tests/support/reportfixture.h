#pragma once
#include "host/forms.h"
#include "report/PimPage.h"
#include "report/VyrCtrl.h"
#include "report/VyrRep.h"

#include <QByteArray>
#include <QStringList>
#include <ostream>
#include <type_traits>

// The form that holds a report in tests; stored forms name it as their root class.
class TReportTestForm : public TForm {
public:
    explicit TReportTestForm(TComponent* AOwner = nullptr);
};

// A label kind for tests: publishes its caption and font and stores a few bytes as a binary extra.
class TTestLabel : public TVyrLabel {
public:
    explicit TTestLabel(TComponent* AOwner);
    void DefineProperties(TFiler* Filer) override;
    QByteArray Blob;
};

// Registers the two classes with the stored forms (once).
void RegisterReportTestClasses();

// A component of T owned by Owner, named, and placed on Parent when it is a control.
template <class T> T* Make(TComponent* Owner, const QString& Name, TWinControl* Parent) {
    auto* C = new T(Owner);
    C->SetName(Name);
    if constexpr (std::is_base_of_v<TControl, T>)
        if (Parent) C->SetParent(Parent);
    return C;
}

// Names of components, for comparing registries and band flows.
template <class T> QStringList NamesOf(const std::vector<T*>* List) {
    QStringList Names;
    if (List)
        for (const T* C : *List)
            Names << C->Name();
    return Names;
}

// Collects the messages of the exceptions that reach the application's handler while it lives.
struct TToldErrors {
    QStringList Messages;
    TToldErrors();
    ~TToldErrors();
};

class TMemDataSet;
class TVyrPageSetup;

// The small paper the report tests lay out on: 3 x 4 in with half-inch margins, taken as set.
void UseTestPaper(TVyrPageSetup* Setup);
// Opens Set with one integer field, Field, on the records 1 to Records.
void FillNumbered(TMemDataSet& Set, const QString& Field, int Records);

// Shows texts readably in failed expectations.
inline void PrintTo(const QString& S, std::ostream* Out) {
    *Out << '"' << S.toStdString() << '"';
}
// A list of texts one a line, so that a whole page of positions reads as the page does.
inline void PrintTo(const QStringList& L, std::ostream* Out) {
    *Out << "\n  " << L.join(QStringLiteral("\n  ")).toStdString() << '\n';
}
