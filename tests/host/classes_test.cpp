#include "host/classes.h"
#include "host/forms.h"
#include "host/streams.h"
#include <QStringList>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

static void PrintTo(const QString& S, std::ostream* Out) {
    *Out << '"' << S.toStdString() << '"';
}
static void PrintTo(const QStringList& L, std::ostream* Out) {
    *Out << L.join(QStringLiteral(" | ")).toStdString();
}

namespace {

// Keeps a plain pointer to another component and clears it when that one goes.
class TRefHolder : public TComponent {
public:
    using TComponent::TComponent;
    void SetTarget(TComponent* Value) {
        FTarget = Value;
        if (Value) Value->FreeNotification(this);
    }
    TComponent* Target() const { return FTarget; }
    QStringList* Log = nullptr;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override {
        TComponent::Notification(AComponent, Operation);
        if (Log)
            Log->append(QStringLiteral("%1 %2 %3")
                            .arg(Name(), Operation == opRemove ? QStringLiteral("-") : QStringLiteral("+"),
                                 AComponent->Name()));
        if (Operation == opRemove && AComponent == FTarget) {
            // Its class is still known only while the removed component is whole.
            TargetClass = AComponent->ClassName();
            FTarget = nullptr;
        }
    }

public:
    QString TargetClass;

private:
    TComponent* FTarget = nullptr;
};

// Logs its destruction and whether it was still marked as destroying then.
class TLogged : public TComponent {
public:
    TLogged(TComponent* AOwner, QStringList* ALog, const QString& AName) : TComponent(AOwner), FLog(ALog) {
        SetName(AName);
    }
    ~TLogged() override { FLog->append(Name() + (HasState(csDestroying) ? QString() : QStringLiteral("!"))); }

private:
    QStringList* FLog;
};

TEST(Components, FreeingAComponentClearsEveryReferenceToIt) {
    TComponent FormA(nullptr);
    TComponent FormB(nullptr);
    auto* Target = new TComponent(&FormA);
    Target->SetName(QStringLiteral("Target"));
    auto* Sibling = new TRefHolder(&FormA); // same owner: told through the owner
    Sibling->SetTarget(Target);
    auto* Stranger = new TRefHolder(&FormB); // other owner: told through its free notification
    Stranger->SetTarget(Target);
    auto* Unowned = new TRefHolder(nullptr);
    Unowned->SetTarget(Target);

    delete Target;
    EXPECT_EQ(Sibling->Target(), nullptr);
    EXPECT_EQ(Stranger->Target(), nullptr);
    EXPECT_EQ(Unowned->Target(), nullptr);
    EXPECT_EQ(FormA.ComponentCount(), 1);
    EXPECT_FALSE(Unowned->HasState(csFreeNotification));
    delete Unowned;
}

TEST(Components, AComponentReferenceReadsNullOnceTheComponentIsFreed) {
    auto* Form = new TComponent(nullptr);
    auto* A = new TRefHolder(Form);
    auto* B = new TComponent(Form);
    TComponentRef<TRefHolder> Ref(A);
    TComponentRef<TComponent> Other;
    EXPECT_FALSE(Other);
    Other = B;
    EXPECT_EQ(Ref.Get(), A);
    EXPECT_EQ(Ref->Target(), nullptr);
    Ref = nullptr; // no longer watching A
    Ref = A;
    delete A;
    EXPECT_EQ(Ref.Get(), nullptr);
    EXPECT_EQ(Other.Get(), B);
    delete Form;
    EXPECT_FALSE(Other);
}

TEST(Components, FreeNotificationEndsWhenTheHolderGoesFirst) {
    auto Target = std::make_unique<TComponent>(nullptr);
    auto* Holder = new TRefHolder(nullptr);
    Holder->SetTarget(Target.get());
    delete Holder;
    // Under the address sanitizer a stale link would be reported when the target goes.
    Target.reset();
    SUCCEED();
}

TEST(Components, OwnerFreesItsComponentsLastFirstAnnouncingEachToTheRest) {
    QStringList Freed;
    QStringList Told;
    {
        TComponent Form(nullptr);
        auto* Watcher = new TRefHolder(&Form);
        Watcher->SetName(QStringLiteral("Watcher"));
        Watcher->Log = &Told;
        new TLogged(&Form, &Freed, QStringLiteral("A"));
        auto* B = new TLogged(&Form, &Freed, QStringLiteral("B"));
        Watcher->SetTarget(B);
        new TLogged(&Form, &Freed, QStringLiteral("C"));
    }
    EXPECT_EQ(Freed, (QStringList{"C", "B", "A"}));
    // Insertions are told while the new component has no name yet. Freed in one go, the components
    // are not announced to each other: the watcher hears of B, which it asked about, and of no other.
    EXPECT_EQ(Told, (QStringList{"Watcher + ", "Watcher + ", "Watcher + ", "Watcher - B"}));
}

TEST(Components, AFreedComponentIsToldToItsOwnersComponentsAloneButToThoseThatAskedAlsoInBulk) {
    // A form of Watcher (asked about B), Bystander (asked about nothing), A, B and C, and an Outsider
    // on another form that asked about C. Each case frees something and lists what Watcher,
    // Bystander, C and Outsider heard.
    struct TCase {
        const char* What;
        std::function<void(TComponent& Form, TComponent& Other)> Free;
        QStringList Heard;
    };
    auto Named = [](TComponent& Form, const char* Name) { return Form.FindComponent(QLatin1String(Name)); };
    const std::vector<TCase> Cases = {
        // Alone, a component is told to every component of its owner, itself included.
        {"one component",
         [&](TComponent& F, TComponent&) { delete Named(F, "A"); },
         {"C - A", "Bystander - A", "Watcher - A"}},
        // Those that asked hear first, the owner's components after.
        {"one that others asked about",
         [&](TComponent& F, TComponent&) { delete Named(F, "C"); },
         {"Outsider - C", "C - C", "Bystander - C", "Watcher - C"}},
        // In bulk, only those that asked hear, and a link is heard from both ends.
        {"the owner's components",
         [](TComponent& F, TComponent&) { F.DestroyComponents(); },
         {"Outsider - C", "Watcher - B"}},
        {"the outsider's owner", [](TComponent&, TComponent& O) { O.DestroyComponents(); }, {"C - Outsider"}},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.What);
        QStringList Heard;
        TComponent Form(nullptr);
        TComponent Other(nullptr);
        auto Holder = [&](TComponent* Owner, const char* Name) {
            auto* H = new TRefHolder(Owner);
            H->SetName(QLatin1String(Name));
            return H;
        };
        TRefHolder* Watcher = Holder(&Form, "Watcher");
        TRefHolder* Bystander = Holder(&Form, "Bystander");
        Holder(&Form, "A");
        TRefHolder* B = Holder(&Form, "B");
        TRefHolder* Target = Holder(&Form, "C");
        TRefHolder* Outsider = Holder(&Other, "Outsider");
        Watcher->SetTarget(B);
        Outsider->SetTarget(Target);
        for (TRefHolder* Listener : {Watcher, Bystander, Target, Outsider})
            Listener->Log = &Heard;
        C.Free(Form, Other);
        EXPECT_EQ(Heard, C.Heard);
        Heard.clear();
        for (TComponent* Owner : {&Form, &Other})
            for (int i = 0; i < Owner->ComponentCount(); ++i)
                static_cast<TRefHolder*>(Owner->Components(i))->Log = nullptr;
    }

    // A form of many components, each asking about the one before: freed in one go, each one hears
    // of the one after it, once, and nothing else is told.
    constexpr int Count = 3000;
    QStringList Heard;
    {
        TComponent Form(nullptr);
        TRefHolder* Previous = nullptr;
        for (int i = 0; i < Count; ++i) {
            auto* H = new TRefHolder(&Form);
            H->SetName(QStringLiteral("H%1").arg(i));
            H->SetTarget(Previous);
            Previous = H;
        }
        for (int i = 0; i < Count; ++i)
            static_cast<TRefHolder*>(Form.Components(i))->Log = &Heard;
    }
    QStringList Expected;
    for (int i = Count - 1; i > 0; --i)
        Expected << QStringLiteral("H%1 - H%2").arg(i - 1).arg(i);
    EXPECT_EQ(Heard, Expected);

    // Components that a reader puts in a root are not announced to the root's other components.
    QStringList Inserted;
    TComponent Root(nullptr);
    auto* Present = new TRefHolder(&Root);
    Present->SetName(QStringLiteral("Present"));
    Present->Log = &Inserted;
    new TComponent(&Root);
    Root.IncludeState(csReading);
    new TComponent(&Root);
    Root.ExcludeState(csReading);
    EXPECT_EQ(Inserted, QStringList{"Present + "});
}

TEST(Components, DeletingAnOwnedComponentRemovesItFromItsOwner) {
    auto Form = std::make_unique<TComponent>(nullptr);
    auto* A = new TComponent(Form.get());
    auto* B = new TComponent(Form.get());
    A->SetName(QStringLiteral("A"));
    B->SetName(QStringLiteral("B"));
    delete A;
    ASSERT_EQ(Form->ComponentCount(), 1);
    EXPECT_EQ(Form->Components(0), B);
    EXPECT_EQ(B->ComponentIndex(), 0);
    EXPECT_EQ(Form->FindComponent(QStringLiteral("a")), nullptr);
    EXPECT_EQ(Form->FindComponent(QStringLiteral("b")), B);
    EXPECT_THROW(Form->Components(1), EListError);
}

// While its owner is torn down, a component frees another component of the same owner.
class TFreesOnRemoval : public TComponent {
public:
    using TComponent::TComponent;
    TComponent* Victim = nullptr;
    TComponent* Trigger = nullptr;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override {
        TComponent::Notification(AComponent, Operation);
        if (Operation == opRemove && AComponent == Trigger && Victim) {
            TComponent* V = Victim;
            Victim = nullptr;
            delete V;
        }
        if (Operation == opRemove && AComponent == Victim) Victim = nullptr;
    }
};

TEST(Components, AHandlerMayFreeAnotherComponentDuringTheOwnersTeardown) {
    auto* Form = new TComponent(nullptr);
    auto* Freer = new TFreesOnRemoval(Form);
    auto* Victim = new TComponent(Form);
    auto* Trigger = new TComponent(Form);
    new TComponent(Form);
    Freer->Victim = Victim;
    Freer->Trigger = Trigger;
    delete Form;
    SUCCEED();
}

TEST(Components, NamesAreUniqueWithinTheOwnerWithoutRegardToCase) {
    TComponent Form(nullptr);
    TComponent Other(nullptr);
    auto* A = new TComponent(&Form);
    auto* B = new TComponent(&Form);
    A->SetName(QStringLiteral("Band1"));
    EXPECT_THROW(B->SetName(QStringLiteral("BAND1")), EDuplicateComponentName);
    EXPECT_EQ(B->Name(), QString());
    A->SetName(QStringLiteral("BAND1")); // a change of case only is no clash with itself
    EXPECT_EQ(A->Name(), QStringLiteral("BAND1"));
    auto* C = new TComponent(&Other);
    C->SetName(QStringLiteral("band1")); // other owner
    EXPECT_THROW(Form.InsertComponent(C), EDuplicateComponentName);
    EXPECT_EQ(C->Owner(), &Other);
    C->SetName(QStringLiteral("Band2"));
    Form.InsertComponent(C);
    EXPECT_EQ(C->Owner(), &Form);
    EXPECT_EQ(Other.ComponentCount(), 0);
    EXPECT_THROW(A->InsertComponent(&Form), EComponentError);
    // Renames and moves keep the lookup right.
    A->SetName(QStringLiteral("Header"));
    EXPECT_EQ(Form.FindComponent(QStringLiteral("band1")), nullptr);
    EXPECT_EQ(Form.FindComponent(QStringLiteral("HEADER")), A);
    B->SetName(QStringLiteral("Band1"));
    Other.InsertComponent(C);
    EXPECT_EQ(Form.FindComponent(QStringLiteral("Band2")), nullptr);
    EXPECT_EQ(Other.FindComponent(QStringLiteral("Band2")), C);
}

TEST(Components, InvalidIdentifiersAreRefusedAsNames) {
    TComponent C(nullptr);
    for (const char* Bad : {"1Band", "Band 1", "Bänd", "a-b", "a.b"})
        EXPECT_THROW(C.SetName(QString::fromUtf8(Bad)), EInvalidComponentName) << Bad;
    try {
        C.SetName(QStringLiteral("9x"));
    } catch (const EInvalidComponentName& E) {
        EXPECT_EQ(E.Message(), QStringLiteral("'9x' is not a valid component name"));
    }
    C.SetName(QStringLiteral("_Band_9"));
    C.SetName(QString());
    EXPECT_EQ(C.Name(), QString());
}

class TLoadRecorder : public TComponent {
public:
    TLoadRecorder(TComponent* AOwner, QStringList* ALog, const QString& AName)
        : TComponent(AOwner), FLog(ALog) {
        SetName(AName);
    }

protected:
    void Loaded() override {
        TComponent::Loaded();
        // Reading has ended for every component before the first Loaded.
        bool AnyReading = false;
        for (TComponent* Up = this; Up->Owner(); Up = Up->Owner())
            for (int i = 0; i < Up->Owner()->ComponentCount(); ++i)
                AnyReading = AnyReading || Up->Owner()->Components(i)->HasState(csReading);
        FLog->append(Name() + (AnyReading ? QStringLiteral(" reading") : QString()));
    }

private:
    QStringList* FLog;
};

TEST(Components, LoadedRunsOnceForEachComponentAfterReadingEnded) {
    QStringList Log;
    TLoadRecorder Form(nullptr, &Log, QStringLiteral("Form"));
    new TLoadRecorder(&Form, &Log, QStringLiteral("Page"));
    new TLoadRecorder(&Form, &Log, QStringLiteral("Band"));
    Form.BeginLoading();
    EXPECT_TRUE(Form.Components(1)->HasState(csLoading | csReading));
    Form.EndLoading();
    EXPECT_EQ(Log, (QStringList{"Form", "Page", "Band"}));
    EXPECT_FALSE(Form.Components(0)->HasState(csLoading));
    Form.EndLoading(); // nothing is loading any more
    EXPECT_EQ(Log.size(), 3);
}

TEST(Components, DesigningSpreadsToOwnedAndLaterInsertedComponents) {
    TComponent Form(nullptr);
    auto* A = new TComponent(&Form);
    Form.SetDesigning(true);
    EXPECT_TRUE(A->HasState(csDesigning));
    auto* B = new TComponent(&Form);
    EXPECT_TRUE(B->HasState(csDesigning));
    Form.SetDesigning(false, false);
    EXPECT_FALSE(Form.HasState(csDesigning));
    EXPECT_TRUE(B->HasState(csDesigning));
}

class TWidgetBase {
public:
    virtual ~TWidgetBase() = default;
    int Padding[5] = {};
};

// A component that is not the first base of its class, as a Qt-backed form would be.
class TSecondBase : public TWidgetBase, public TComponent {
public:
    explicit TSecondBase(TComponent* AOwner) : TComponent(AOwner) {}
};

TEST(Components, AComponentThatIsNotTheFirstBaseIsFreedWhole) {
    TComponent Form(nullptr);
    auto* Mixed = new TSecondBase(&Form);
    TComponent* AsComponent = Mixed;
    EXPECT_NE(static_cast<void*>(AsComponent), static_cast<void*>(Mixed));
    delete AsComponent;
    EXPECT_EQ(Form.ComponentCount(), 0);
    // Freed through its other base, as a Qt parent frees its children: the owner still hears of it
    // while the object is whole.
    auto* Holder = new TRefHolder(&Form);
    TWidgetBase* AsWidget = new TSecondBase(&Form);
    Holder->SetTarget(dynamic_cast<TComponent*>(AsWidget));
    delete AsWidget;
    EXPECT_EQ(Holder->Target(), nullptr);
    EXPECT_TRUE(Holder->TargetClass.endsWith(QStringLiteral("TSecondBase")));
    EXPECT_EQ(Form.ComponentCount(), 1);
    new TSecondBase(&Form); // freed by its owner
}

class TSettings : public TPersistent {
public:
    int Copies = 1;
    QByteArray Extra;
    void Assign(const TPersistent* Source) override {
        if (auto* S = dynamic_cast<const TSettings*>(Source)) {
            Copies = S->Copies;
            return;
        }
        TPersistent::Assign(Source);
    }
    void DefineProperties(TFiler* Filer) override {
        TPersistent::DefineProperties(Filer);
        Filer->DefineProperty(
            QStringLiteral("Copies"), [this](const QVariant& V) { Copies = V.toInt(); },
            [this] { return QVariant(Copies); }, Copies != 1);
        Filer->DefineBinaryProperty(
            QStringLiteral("Extra"),
            [this](TStream& S) {
                Extra.resize(static_cast<qsizetype>(S.Size()));
                S.Read(Extra.data(), S.Size());
            },
            [this](TStream& S) { S.Write(Extra.constData(), Extra.size()); }, !Extra.isEmpty());
    }
};

// Knows how to copy itself into settings, but not the other way round.
class TSettingsSource : public TPersistent {
protected:
    void AssignTo(TPersistent* Dest) const override {
        if (auto* S = dynamic_cast<TSettings*>(Dest)) {
            S->Copies = 7;
            return;
        }
        TPersistent::AssignTo(Dest);
    }
};

TEST(Persistent, AssignCopiesKnownSourcesAndRefusesOthersWithTheConversionError) {
    TSettings A;
    TSettings B;
    B.Copies = 3;
    A.Assign(&B);
    EXPECT_EQ(A.Copies, 3);
    TSettingsSource Source;
    A.Assign(&Source);
    EXPECT_EQ(A.Copies, 7);
    TComponent Component(nullptr);
    try {
        A.Assign(&Component);
        FAIL() << "no error";
    } catch (const EConvertError& E) {
        EXPECT_EQ(E.Message(), QStringLiteral("Cannot assign a TComponent to a %1.").arg(A.ClassName()));
    }
    EXPECT_THROW(A.Assign(nullptr), EConvertError);
    EXPECT_THROW(Source.Assign(&A), EConvertError);
}

TEST(Persistent, NamedExtraPropertiesRoundTripThroughAFiler) {
    TSettings A;
    TPropertyCollector Filer;
    Filer.Collect(&A);
    ASSERT_EQ(Filer.Entries.size(), 2u);
    EXPECT_FALSE(Filer.Entries[0].HasData); // default values are not stored

    A.Copies = 4;
    A.Extra = QByteArray::fromHex("FFFE4100");
    Filer.Collect(&A);
    EXPECT_EQ(Filer.Entries[0].Name, QStringLiteral("Copies"));
    EXPECT_EQ(Filer.Entries[0].Value.toInt(), 4);
    EXPECT_EQ(Filer.Entries[1].Binary.toHex(), QByteArray("fffe4100"));
    TSettings B;
    Filer.Apply(&B);
    EXPECT_EQ(B.Copies, 4);
    EXPECT_EQ(B.Extra, A.Extra);
}

class TRegistered : public TComponent {
public:
    using TComponent::TComponent;
};

TEST(ClassRegistry, CreatesRegisteredClassesByNameWithoutRegardToCase) {
    RegisterClass<TRegistered>();
    RegisterClass<TSettings>();
    const QString Name = ClassNameOf(typeid(TRegistered));
    TComponent Form(nullptr);
    TComponent* C = CreateComponentByClassName(Name.toUpper(), &Form);
    EXPECT_NE(dynamic_cast<TRegistered*>(C), nullptr);
    EXPECT_EQ(C->Owner(), &Form);
    EXPECT_TRUE(C->ClassNameIs(Name.toLower()));
    std::unique_ptr<TPersistent> P(CreateByClassName(ClassNameOf(typeid(TSettings))));
    EXPECT_NE(dynamic_cast<TSettings*>(P.get()), nullptr);
    EXPECT_THROW(CreateComponentByClassName(ClassNameOf(typeid(TSettings)), &Form), EClassNotFound);
    EXPECT_EQ(Form.ComponentCount(), 1);
    UnRegisterClass(Name);
    EXPECT_EQ(GetClass(Name), nullptr);
    try {
        FindClass(QStringLiteral("TNoSuchBand"));
        FAIL() << "no error";
    } catch (const EClassNotFound& E) {
        EXPECT_EQ(E.Message(), QStringLiteral("Class TNoSuchBand not found"));
    }
    UnRegisterClass(ClassNameOf(typeid(TSettings)));
}

TEST(ClassRegistry, ClassNamesAreTheNamesInTheSource) {
    TComponent C(nullptr);
    EXPECT_EQ(C.ClassName(), QStringLiteral("TComponent"));
    EXPECT_THROW(AbstractError(), EAbstractError);
}

} // namespace

namespace {

// Raises from its notification, as a careless event handler might.
class TRaisingHolder : public TRefHolder {
public:
    using TRefHolder::TRefHolder;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override {
        TRefHolder::Notification(AComponent, Operation);
        if (Operation == opRemove) throw Exception(QStringLiteral("refused"));
    }
};

} // namespace

TEST(Components, ARemovalThatARaisingHandlerRefusesStillReachesEveryHolder) {
    QStringList Errors;
    Application()->OnException = [&](TComponent*, const Exception& E) { Errors << E.Message(); };
    {
        TComponent Owner(nullptr);
        auto* Target = new TComponent(&Owner);
        auto* First = new TRaisingHolder(&Owner);
        auto* Second = new TRefHolder(&Owner);
        auto* Outside = new TRaisingHolder(nullptr);
        First->SetTarget(Target);
        Second->SetTarget(Target);
        Outside->SetTarget(Target);
        delete Target; // must not escape the destructor
        EXPECT_EQ(First->Target(), nullptr);
        EXPECT_EQ(Second->Target(), nullptr);
        EXPECT_EQ(Outside->Target(), nullptr);
        delete Outside;
    }
    Application()->OnException = nullptr;
    EXPECT_FALSE(Errors.isEmpty());
    for (const QString& E : Errors) EXPECT_EQ(E, "refused");
}
