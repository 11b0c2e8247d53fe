#include "host/controls.h"
#include "host/storedforms.h"
#include "host/streams.h"
#include <gtest/gtest.h>
#include <random>

// Stored-form test classes live at the top level: a stored form names classes by their plain names.

enum TFormTestKind : uint8_t { ftkPlain, ftkFancy, ftkOther };
enum TFormTestVarId : uint8_t { ftvAbstract, ftvDBVar, ftvPageVar };

const TEnumInfo& FormTestKindNames() {
    static const TEnumInfo Names(QStringLiteral("TFormTestKind"),
                                 QStringList{"ftkPlain", "ftkFancy", "ftkOther"});
    return Names;
}
const TEnumInfo& FormTestVarIdNames() {
    static const TEnumInfo Names(QStringLiteral("TFormTestVarId"),
                                 QStringList{"ftvAbstract", "ftvDBVar", "ftvPageVar"});
    return Names;
}

class TFormTestBox;

// A persistent owned by a box, with a reference, a default and an extra of its own.
class TFormTestSpace : public TPersistent {
public:
    TFormTestBox* Band = nullptr;
    int Count = 1;
    double Margin = 0.5;
    void DefineProperties(TFiler* Filer) override {
        TPersistent::DefineProperties(Filer);
        Filer->DefineProperty(
            QStringLiteral("Margin"), [this](const QVariant& V) { Margin = V.toDouble(); },
            [this] { return QVariant(Margin); }, Margin != 0.5);
    }
};

// The root of the test forms.
class TFormTestForm : public TWinControl {
public:
    using TWinControl::TWinControl;
};

class TFormTestBox : public TWinControl {
public:
    explicit TFormTestBox(TComponent* AOwner) : TWinControl(AOwner) {}
    int Number = 0;
    double Ratio = 0;
    bool Flag = false;
    TFormTestKind Kind = ftkPlain;
    TFontStyles Styles = 0;
    QStringList Lines;
    QByteArray Data;
    TFormTestBox* Buddy = nullptr;
    std::unique_ptr<TFormTestSpace> Space = std::make_unique<TFormTestSpace>();
    std::function<void(TFormTestBox*, bool&)> OnCheck;
    // Extras
    int Order = 0;
    TFormTestVarId Id = ftvAbstract;
    QByteArray Blob;
    // What loading did
    int LoadedCalls = 0;
    bool SkipInherited = false;
    bool LoadingInLoaded = false;

    void DefineProperties(TFiler* Filer) override {
        TWinControl::DefineProperties(Filer);
        Filer->DefineProperty(
            QStringLiteral("Order"), [this](const QVariant& V) { Order = V.toInt(); },
            [this] { return QVariant(Order); }, true);
        Filer->DefineProperty(
            QStringLiteral("ID"),
            [this](const QVariant& V) { Id = TFormTestVarId(FormTestVarIdNames().ValueOf(IdentOf(V))); },
            [this] { return MakeIdent(FormTestVarIdNames().NameOf(Id)); }, Id != ftvAbstract);
        Filer->DefineProperty(
            QStringLiteral("DataSet"), [](const QVariant&) {}, nullptr, false);
        Filer->DefineBinaryProperty(
            QStringLiteral("Blob"),
            [this](TStream& S) {
                Blob.resize(static_cast<qsizetype>(S.Size()));
                S.ReadBuffer(Blob.data(), Blob.size());
            },
            [this](TStream& S) { S.WriteBuffer(Blob.constData(), Blob.size()); }, !Blob.isEmpty());
    }
    void Loaded() override {
        ++LoadedCalls;
        LoadingInLoaded = HasState(csLoading) && !HasState(csReading);
        if (!SkipInherited) TWinControl::Loaded();
    }
};

// Accepts only a box as its parent, as report classes refuse wrong parents.
class TFormTestItem : public TControl {
public:
    using TControl::TControl;
    void SetParent(TWinControl* AParent) override {
        if (AParent && !dynamic_cast<TFormTestBox*>(AParent)) Abort();
        TControl::SetParent(AParent);
    }
};

// Never loads: its Loaded skips the inherited call and must still end loading.
class TFormTestStubborn : public TFormTestBox {
public:
    explicit TFormTestStubborn(TComponent* AOwner) : TFormTestBox(AOwner) { SkipInherited = true; }
};

// Frees the component its caption names when it is loaded, as a Loaded that replaces a part may.
class TFormTestFreer : public TFormTestBox {
public:
    using TFormTestBox::TFormTestBox;
    void Loaded() override {
        if (TComponent* Victim = Owner()->FindComponent(Caption())) delete Victim;
        TFormTestBox::Loaded();
    }
};

namespace {

const bool FormTestDeclared = [] {
    RegisterClasses<TFormTestBox, TFormTestItem, TFormTestStubborn, TFormTestFreer>();
    DeclareProperties<TFormTestSpace>()
        .Reference(
            "Band", [](const TFormTestSpace& S) { return S.Band; },
            [](TFormTestSpace& S, TFormTestBox* V) { S.Band = V; })
        .Integer(
            "Count", [](const TFormTestSpace& S) { return S.Count; },
            [](TFormTestSpace& S, int V) { S.Count = V; })
        .Default(1);
    DeclareProperties<TFormTestBox, TControl>()
        .Publish("Caption")
        .Publish("Color")
        .Default(clBtnFace)
        .Publish("Font")
        .Publish("ParentFont")
        .Publish("ParentColor")
        .Integer(
            "Number", [](const TFormTestBox& B) { return B.Number; },
            [](TFormTestBox& B, int V) { B.Number = V; })
        .Range(0, 1000)
        .Default(0)
        .Float(
            "Ratio", [](const TFormTestBox& B) { return B.Ratio; },
            [](TFormTestBox& B, double V) { B.Ratio = V; })
        .Boolean(
            "Flag", [](const TFormTestBox& B) { return B.Flag; }, [](TFormTestBox& B, bool V) { B.Flag = V; })
        .Default(false)
        .Enumeration(
            "Kind", FormTestKindNames(), [](const TFormTestBox& B) { return B.Kind; },
            [](TFormTestBox& B, TFormTestKind V) { B.Kind = V; })
        .Default(ftkPlain)
        .Set(
            "Styles", FontStyleNames(), [](const TFormTestBox& B) { return B.Styles; },
            [](TFormTestBox& B, TFontStyles V) { B.Styles = V; })
        .Strings(
            "Lines", [](const TFormTestBox& B) { return B.Lines; },
            [](TFormTestBox& B, const QStringList& V) { B.Lines = V; })
        .Binary(
            "Data", [](const TFormTestBox& B) { return B.Data; },
            [](TFormTestBox& B, const QByteArray& V) { B.Data = V; })
        .Reference(
            "Buddy", [](const TFormTestBox& B) { return B.Buddy; },
            [](TFormTestBox& B, TFormTestBox* V) { B.Buddy = V; })
        .Object("Space", [](const TFormTestBox& B) { return B.Space.get(); })
        .Event("OnCheck", &TFormTestBox::OnCheck);
    DeclareProperties<TFormTestItem, TControl>().Publish("Caption");
    return true;
}();

struct StoredForms : ::testing::Test {
    void TearDown() override { ResetStoredForms(); }
};

// A form with every kind of value, two boxes, an item in each and a strip nobody owns.
std::unique_ptr<TFormTestForm> MakeForm() {
    auto Form = std::make_unique<TFormTestForm>(nullptr);
    Form->SetName(QStringLiteral("Form1"));
    DefineMethod<void(TFormTestBox*, bool&)>(Form.get(), QStringLiteral("Box1Check"),
                                             [](TFormTestBox*, bool&) {});
    auto* Box1 = new TFormTestBox(Form.get());
    Box1->SetName(QStringLiteral("Box1"));
    Box1->SetParent(Form.get());
    Box1->SetBounds(0, 20, 300, 40);
    Box1->SetCaption(QStringLiteral("It's \"é\" 中 😀\r\nnext\t") + QChar(0xD800));
    Box1->SetColor(clRed);
    Box1->Font()->SetStyle(fsBold | fsItalic);
    Box1->Number = 1000;
    Box1->Ratio = 0.1;
    Box1->Flag = true;
    Box1->Kind = ftkFancy;
    Box1->Styles = fsBold | fsStrikeOut;
    Box1->Lines = QStringList{"a'b", "", "c"};
    Box1->Data = QByteArray::fromHex("00FF10");
    Box1->Space->Count = 3;
    Box1->Space->Margin = 0.25;
    Box1->Order = -7;
    Box1->Id = ftvPageVar;
    Box1->Blob = QByteArray(40, '\x5A');
    SetPropValue(Box1, QStringLiteral("OnCheck"), QStringLiteral("Box1Check"));
    auto* Box2 = new TFormTestBox(Form.get());
    Box2->SetName(QStringLiteral("Box2"));
    Box2->SetParent(Form.get());
    Box2->SetParentColor(true);
    Box2->Ratio = -1e300;
    Box2->Buddy = Box1;
    Box2->Space->Band = Box2;
    Box1->Buddy = Box2;
    // Control order differs from creation order: Item2 comes first in Box1.
    auto* Item1 = new TFormTestItem(Form.get());
    Item1->SetName(QStringLiteral("Item1"));
    Item1->SetParent(Box1);
    auto* Item2 = new TFormTestItem(Form.get());
    Item2->SetName(QStringLiteral("Item2"));
    Item2->SetParent(Box1);
    Item2->SendToBack();
    auto* Strip = new TFormTestItem(nullptr); // a design-time helper: freed with its parent, never written
    Strip->SetName(QStringLiteral("Strip"));
    Strip->SetParent(Box2);
    return Form;
}

const char* const FormText = R"(object Form1: TFormTestForm
  Left = 0
  Top = 0
  Width = 0
  Height = 0
  object Box1: TFormTestBox
    Left = 0
    Top = 20
    Width = 300
    Height = 40
    Caption = 'It''s "é" 中 😀'#13#10'next'#9#55296
    Color = clRed
    Font.Charset = DEFAULT_CHARSET
    Font.Color = clWindowText
    Font.Height = -11
    Font.Name = 'Arial'
    Font.Style = [fsBold, fsItalic]
    ParentFont = False
    Number = 1000
    Ratio = 0.1
    Flag = True
    Kind = ftkFancy
    Styles = [fsBold, fsStrikeOut]
    Lines = (
      'a''b'
      ''
      'c')
    Data = {
      00FF10}
    Buddy = Box2
    Space.Count = 3
    Space.Margin = 0.25
    OnCheck = Box1Check
    Order = -7
    ID = ftvPageVar
    Blob = {
      5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A
      5A5A5A5A5A5A5A5A}
    object Item2: TFormTestItem
      Left = 0
      Top = 0
      Width = 0
      Height = 0
    end
    object Item1: TFormTestItem
      Left = 0
      Top = 0
      Width = 0
      Height = 0
    end
  end
  object Box2: TFormTestBox
    Left = 0
    Top = 0
    Width = 0
    Height = 0
    ParentColor = True
    Ratio = -1e+300
    Styles = []
    Buddy = Box1
    Space.Band = Box2
    Order = 0
  end
end
)";

} // namespace

TEST_F(StoredForms, AFormIsWrittenExactlyAndReadsBackIntoAFreshRootToTheSameBytes) {
    auto Form = MakeForm();
    const QByteArray Text = WriteComponentText(Form.get());
    EXPECT_EQ(Text.toStdString(), std::string(FormText));

    TFormTestForm Fresh(nullptr);
    DefineMethod<void(TFormTestBox*, bool&)>(&Fresh, QStringLiteral("Box1Check"),
                                             [](TFormTestBox*, bool& R) { R = false; });
    ReadComponentText(Text, &Fresh);
    EXPECT_EQ(WriteComponentText(&Fresh), Text);
    EXPECT_EQ(Fresh.Name(), QStringLiteral("Form1"));
    ASSERT_EQ(Fresh.ComponentCount(), 4);
    auto* Box1 = dynamic_cast<TFormTestBox*>(Fresh.FindComponent(QStringLiteral("box1")));
    auto* Box2 = dynamic_cast<TFormTestBox*>(Fresh.FindComponent(QStringLiteral("Box2")));
    ASSERT_TRUE(Box1 && Box2);
    EXPECT_EQ(Box1->Caption(),
              dynamic_cast<TControl*>(Form->FindComponent(QStringLiteral("Box1")))->Caption());
    EXPECT_EQ(Box1->Parent(), &Fresh);
    EXPECT_EQ(Box1->Buddy, Box2);
    EXPECT_EQ(Box2->Buddy, Box1);
    EXPECT_EQ(Box2->Space->Band, Box2);
    EXPECT_EQ(Box2->Ratio, -1e300);
    EXPECT_TRUE(Box2->ParentColor());
    EXPECT_EQ(Box1->Ratio, 0.1);
    EXPECT_EQ(Box1->Blob, QByteArray(40, '\x5A'));
    EXPECT_EQ(Box1->Font()->Style(), fsBold | fsItalic);
    EXPECT_FALSE(Box1->ParentFont());
    ASSERT_EQ(Box1->ControlCount(), 2);
    EXPECT_EQ(Box1->Controls(0)->Name(), QStringLiteral("Item2"));
    bool Result = true;
    Box1->OnCheck(Box1, Result); // bound to the fresh root's own handler
    EXPECT_FALSE(Result);
    // Reading ran Loaded once on each object made, after every object had stopped reading.
    EXPECT_EQ(Box1->LoadedCalls, 1);
    EXPECT_TRUE(Box1->LoadingInLoaded);
    for (int i = 0; i < Fresh.ComponentCount(); ++i)
        EXPECT_FALSE(Fresh.Components(i)->HasState(csLoading | csReading));
}

TEST_F(StoredForms, FloatsAreWrittenAsTheShortestTextThatReadsBackToTheSameDouble) {
    struct TCase {
        double Value;
        const char* Text;
    };
    const TCase Cases[] = {
        {0.1 + 0.2, "0.30000000000000004"},
        {210.00000000000003, "210.00000000000003"},
        {210, "210"},
        {-0.0, "-0"},
        {0.0, "0"},
        {1e-300, "1e-300"},
        {5e-324, "5e-324"},
        {1e21, "1e+21"},
        {1.7976931348623157e308, "1.7976931348623157e+308"},
        {123456789.12345679, "123456789.12345679"},
        {1.0 / 3, "0.3333333333333333"},
        {9007199254740993.0, "9007199254740992"},
        // A whole number past the 64-bit integers keeps its exponent: its digits alone would be
        // read as an integer that does not fit.
        {9223372036854775808.0, "9.223372036854776e+18"},
        {12345678901234567000.0, "1.2345678901234567e+19"},
        {-12345678901234567000.0, "-1.2345678901234567e+19"},
        {9223372036854774784.0, "9223372036854775000"},
        {std::numeric_limits<double>::infinity(), "INF"},
        {-std::numeric_limits<double>::infinity(), "-INF"},
        {std::numeric_limits<double>::quiet_NaN(), "NAN"},
    };
    auto Same = [](double A, double B) {
        return (std::isnan(A) && std::isnan(B)) || (A == B && std::signbit(A) == std::signbit(B));
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Text);
        TFormTestForm Form(nullptr);
        Form.SetName(QStringLiteral("Form1"));
        auto* Box = new TFormTestBox(&Form);
        Box->SetName(QStringLiteral("Box1"));
        Box->Ratio = C.Value;
        Box->Space->Margin = C.Value; // a named extra takes the same text
        const QString Text = QString::fromUtf8(WriteComponentText(&Form));
        EXPECT_TRUE(Text.contains(QStringLiteral("\n    Ratio = %1\n").arg(QLatin1String(C.Text))))
            << Text.toStdString();
        EXPECT_TRUE(Text.contains(QStringLiteral("\n    Space.Margin = %1\n").arg(QLatin1String(C.Text))))
            << Text.toStdString();
        TFormTestForm Fresh(nullptr);
        ReadComponentText(Text.toUtf8(), &Fresh);
        auto* Read = dynamic_cast<TFormTestBox*>(Fresh.FindComponent(QStringLiteral("Box1")));
        ASSERT_NE(Read, nullptr);
        EXPECT_TRUE(Same(Read->Ratio, C.Value)) << Read->Ratio;
        EXPECT_TRUE(Same(Read->Space->Margin, C.Value)) << Read->Space->Margin;
    }
    // Forms written before held such a number as bare digits; they still read.
    TFormTestForm Old(nullptr);
    ReadComponentText(
        "object Form1: TFormTestForm\n  object Box1: TFormTestBox\n"
        "    Ratio = 12345678901234567000\n    Space.Margin = -12345678901234567000\n  end\nend\n",
        &Old);
    auto* Read = dynamic_cast<TFormTestBox*>(Old.FindComponent(QStringLiteral("Box1")));
    ASSERT_NE(Read, nullptr);
    EXPECT_EQ(Read->Ratio, 12345678901234567000.0);
    EXPECT_EQ(Read->Space->Margin, -12345678901234567000.0);
}

TEST_F(StoredForms, ReadingIgnoresCaseTakesOlderSpellingsAndEndsLoadingOfObjectsThatSkipTheInheritedLoaded) {
    TFormTestForm Root(nullptr);
    auto* Existing = new TFormTestBox(&Root);
    Existing->SetName(QStringLiteral("Existing"));
    const QByteArray Text = "\xEF\xBB\xBF" // a byte-order mark is skipped
                            "OBJECT FormX: tformtestform\n"
                            "  object B: TFORMTESTBOX\n"
                            "    KIND = FTKOTHER\n"
                            "    flag = true\n"
                            "    COLOR = $000080FF\n"
                            "    font.style = [FSBOLD]\n"
                            "    styles = []\n"
                            "    caption = #233'x'#$4E2D + \n"
                            "      'y'#128512\n"
                            "    ratio = 5\n"
                            "    Id = FTVDBVAR\n"
                            "    DataSet = Module1.Table1\n"
                            "    SPACE.margin = 2\n"
                            "    Buddy = existing\n"
                            "  END\n"
                            "  object S: TFormTestStubborn\n"
                            "  end\n"
                            "End\n";
    ReadComponentText(Text, &Root);
    auto* B = dynamic_cast<TFormTestBox*>(Root.FindComponent(QStringLiteral("B")));
    ASSERT_TRUE(B);
    EXPECT_EQ(B->Kind, ftkOther);
    EXPECT_TRUE(B->Flag);
    EXPECT_EQ(B->Color(), TColor(0x000080FF));
    EXPECT_EQ(B->Font()->Style(), fsBold);
    EXPECT_EQ(B->Caption(), QString::fromUtf8("éx中y😀"));
    EXPECT_EQ(B->Ratio, 5.0);
    EXPECT_EQ(B->Id, ftvDBVar);
    EXPECT_EQ(B->Space->Margin, 2.0);
    EXPECT_EQ(B->Buddy, Existing);
    auto* S = dynamic_cast<TFormTestBox*>(Root.FindComponent(QStringLiteral("S")));
    EXPECT_EQ(S->LoadedCalls, 1);
    EXPECT_FALSE(S->HasState(csLoading));
    EXPECT_EQ(Existing->LoadedCalls, 0); // only what the reader made is loaded
    // "DataSet" is read but never written; "ID" is written bare.
    const QByteArray Again = WriteComponentText(&Root);
    EXPECT_FALSE(Again.contains("DataSet"));
    EXPECT_TRUE(Again.contains("    ID = ftvDBVar\n"));
    EXPECT_TRUE(Again.contains("    Color = $000080FF\n"));
}

TEST_F(StoredForms, ReferencesIntoAnotherFormResolveWhicheverFormLoadsFirst) {
    auto Write = [](const QString& Name, const QString& BuddyOf) {
        TFormTestForm Form(nullptr);
        Form.SetName(Name);
        auto* Box = new TFormTestBox(&Form);
        Box->SetName(QStringLiteral("Box"));
        TFormTestForm Other(nullptr);
        Other.SetName(BuddyOf);
        auto* Target = new TFormTestBox(&Other);
        Target->SetName(QStringLiteral("Box"));
        Box->Buddy = Target;
        Box->Space->Band = Target;
        return WriteComponentText(&Form);
    };
    const QByteArray A = Write(QStringLiteral("FormA"), QStringLiteral("FormB"));
    const QByteArray B = Write(QStringLiteral("FormB"), QStringLiteral("FormA"));
    EXPECT_TRUE(A.contains("    Buddy = FormB.Box\n    Space.Band = FormB.Box\n"));
    for (bool AFirst : {true, false}) {
        ResetStoredForms();
        TFormTestForm RootA(nullptr);
        TFormTestForm RootB(nullptr);
        if (AFirst) {
            ReadComponentText(A, &RootA);
            EXPECT_EQ(dynamic_cast<TFormTestBox*>(RootA.Components(0))->Buddy, nullptr); // waits for FormB
            ReadComponentText(B, &RootB);
        } else {
            ReadComponentText(B, &RootB);
            ReadComponentText(A, &RootA);
        }
        auto* BoxA = dynamic_cast<TFormTestBox*>(RootA.Components(0));
        auto* BoxB = dynamic_cast<TFormTestBox*>(RootB.Components(0));
        EXPECT_EQ(BoxA->Buddy, BoxB);
        EXPECT_EQ(BoxA->Space->Band, BoxB);
        EXPECT_EQ(BoxB->Buddy, BoxA);
        EXPECT_EQ(FindRoot(QStringLiteral("forma")), &RootA);
        EXPECT_EQ(WriteComponentText(&RootA), A);
    }
    // A waiting reference whose holder is freed first is dropped, not fixed up into freed memory.
    ResetStoredForms();
    {
        TFormTestForm RootA(nullptr);
        ReadComponentText(A, &RootA);
    }
    TFormTestForm RootB(nullptr);
    ReadComponentText(B, &RootB);
    EXPECT_EQ(FindRoot(QStringLiteral("FormA")), nullptr);
}

TEST_F(StoredForms, EachErrorNamesItsCauseLineAndPathAndLeavesTheRootAsItWas) {
    auto Form = MakeForm();
    const QString Good = QString::fromUtf8(WriteComponentText(Form.get()));
    struct TCase {
        QString Find;    // a line of the good form, or empty to cut the text
        QString Replace; // what replaces it
        QString Message;
        bool ClassNotFound = false;
    };
    const std::vector<TCase> Cases = {
        {"  object Box2: TFormTestBox\n", "  object Box2: TNoSuchBox\n",
         "Error reading Box2 on line 52: Class TNoSuchBox not found", true},
        {"    Number = 1000\n", "    Number = 1001\n",
         "Error reading Box1.Number on line 19: 1001 is not within the range 0..1000"},
        {"    Kind = ftkFancy\n", "    Kind = ftkFoo\n",
         "Error reading Box1.Kind on line 22: Cannot find ftkFoo in TFormTestKind"},
        {"    ID = ftvPageVar\n", "    ID = vidFoo\n",
         "Error reading Box1.ID on line 35: Cannot find vidFoo in TFormTestVarId"},
        {"    Flag = True\n", "    Bogus = True\n",
         "Error reading Box1.Bogus on line 21: Property Bogus does not exist"},
        {"    Space.Count = 3\n", "    Space.Count = 'three'\n",
         "Error reading Box1.Space.Count on line 31: Invalid property value"},
        {"    Buddy = Box1\n", "    Buddy = Nobody\n",
         "Error reading Box2.Buddy on line 60: Cannot find component Nobody"},
        {"    Buddy = Box1\n", "    Buddy = Item1\n",
         "Error reading Box2.Buddy on line 60: Item1 is not a TFormTestBox"},
        {"    OnCheck = Box1Check\n", "    OnCheck = Nope\n",
         "Error reading Box1.OnCheck on line 33: Method Nope not found"},
        {"  object Box2: TFormTestBox\n", "  object Box1: TFormTestBox\n",
         "Error reading Box1 on line 52: A component named Box1 already exists"},
        {"  object Box2: TFormTestBox\n", "  object Box2: TFormTestItem\n",
         "Error reading Box2 on line 52: A TFormTestItem cannot be placed on a TFormTestForm"},
        {"    Ratio = 0.1\n", "    Ratio = 0.1.2\n", "Error on line 20: Invalid number"},
        {"      00FF10}\n", "      00FF1}\n", "Error on line 29: Invalid binary value"},
        {"", "", "Error on line 51: Unexpected end of text"},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Message.toStdString());
        QString Text = Good;
        if (C.Find.isEmpty()) {
            Text = Text.left(Text.indexOf(QStringLiteral("  end\n  object Box2")));
        } else {
            ASSERT_TRUE(Text.contains(C.Find));
            Text.replace(Text.indexOf(C.Find), C.Find.size(), C.Replace);
        }
        TFormTestForm Root(nullptr);
        DefineMethod<void(TFormTestBox*, bool&)>(&Root, QStringLiteral("Box1Check"),
                                                 [](TFormTestBox*, bool&) {});
        auto* Keep = new TFormTestBox(&Root);
        Keep->SetName(QStringLiteral("Keep"));
        Keep->SetParent(&Root);
        try {
            ReadComponentText(Text.toUtf8(), &Root);
            ADD_FAILURE() << "no error";
        } catch (const EClassNotFound& E) {
            EXPECT_TRUE(C.ClassNotFound);
            EXPECT_EQ(E.Message(), C.Message);
        } catch (const EReadError& E) {
            EXPECT_FALSE(C.ClassNotFound);
            EXPECT_EQ(E.Message(), C.Message);
        }
        EXPECT_EQ(Root.ComponentCount(), 1);
        EXPECT_EQ(Root.ControlCount(), 1);
        EXPECT_EQ(Root.Name(), QString());
        EXPECT_FALSE(Root.HasState(csLoading | csReading));
        EXPECT_EQ(FindRoot(QStringLiteral("Form1")), nullptr);
        EXPECT_EQ(Keep->LoadedCalls, 0);
    }
}

TEST_F(StoredForms, CutAndMutatedFormsRaiseOrLoadButNeverCrash) {
    auto Form = MakeForm();
    const QByteArray Good = WriteComponentText(Form.get());
    std::mt19937 Random(18);
    const QByteArray Noise = "'#${}()[]=:.,+-0123456789 \nobject end ABCxyz\xC3\xA9\xFF";
    int Loaded = 0;
    for (int i = 0; i < 3000; ++i) {
        QByteArray Text = Good;
        const int Cuts = 1 + int(Random() % 3);
        for (int k = 0; k < Cuts; ++k) {
            const qsizetype At = qsizetype(Random() % quint32(Text.size() + 1));
            switch (Random() % 4) {
            case 0:
                Text.truncate(At);
                break;
            case 1:
                if (At < Text.size()) Text[At] = Noise[qsizetype(Random() % quint32(Noise.size()))];
                break;
            case 2:
                Text.insert(At, Noise[qsizetype(Random() % quint32(Noise.size()))]);
                break;
            default:
                Text.remove(At, qsizetype(Random() % 8));
                break;
            }
        }
        TFormTestForm Root(nullptr);
        DefineMethod<void(TFormTestBox*, bool&)>(&Root, QStringLiteral("Box1Check"),
                                                 [](TFormTestBox*, bool&) {});
        try {
            ReadComponentText(Text, &Root);
            ++Loaded;
            WriteComponentText(&Root);
        } catch (const EReadError&) {
            EXPECT_EQ(Root.ComponentCount(), 0);
        } catch (const EClassNotFound&) {
            EXPECT_EQ(Root.ComponentCount(), 0);
        }
    }
    EXPECT_GT(Loaded, 0);
}

TEST_F(StoredForms, HostileFormsReadOrFailWithoutDeepRecursionOrHugeMessages) {
    // A caption continued 70,000 times over as many lines, as a fuzzer wrote it.
    QByteArray Long = "object Form1: TFormTestForm\n  object Box1: TFormTestBox\n    Caption = 'ab'";
    QString Want = QStringLiteral("ab");
    for (int i = 1; i < 70000; ++i) {
        Long += i % 2 ? " +\n      #$41'c'" : " + 'ab'";
        Want += i % 2 ? QStringLiteral("Ac") : QStringLiteral("ab");
    }
    const int Lines = 1 + 70000 / 2; // the caption's lines
    {
        TFormTestForm Root(nullptr);
        ReadComponentText(Long + "\n  end\nend\n", &Root);
        auto* Box = dynamic_cast<TFormTestBox*>(Root.FindComponent(QStringLiteral("Box1")));
        ASSERT_NE(Box, nullptr);
        EXPECT_EQ(Box->Caption(), Want);
    }
    const auto Message = [](const QByteArray& Text) {
        TFormTestForm Root(nullptr);
        try {
            ReadComponentText(Text, &Root);
        } catch (const Exception& E) {
            EXPECT_EQ(Root.ComponentCount(), 0);
            return E.Message();
        }
        return QStringLiteral("no error");
    };
    EXPECT_EQ(Message(Long + " +\n    Bogus = 1\n  end\nend\n"),
              QStringLiteral("Error on line %1: String expected").arg(Lines + 3));
    EXPECT_EQ(
        Message(Long + "\n    Bogus = 1\n  end\nend\n"),
        QStringLiteral("Error reading Box1.Bogus on line %1: Property Bogus does not exist").arg(Lines + 3));

    // Names of a megabyte are cut to 100 characters in the message, whatever their kind.
    const QByteArray Huge = "P" + QByteArray(1000000, 'x');
    const QString Cut = QStringLiteral("P") + QString(99, u'x') + QStringLiteral("...");
    EXPECT_EQ(Message("object Form1: TFormTestForm\n  object Box1: TFormTestBox\n    " + Huge +
                      " = 1\n  end\nend\n"),
              QStringLiteral("Error reading Box1.P") + QString(94, u'x') +
                  QStringLiteral("... on line 3: Property ") + Cut + QStringLiteral(" does not exist"));
    EXPECT_EQ(Message("object Form1: TFormTestForm\n  object Box1: " + Huge + "\n  end\nend\n"),
              QStringLiteral("Error reading Box1 on line 2: Class ") + Cut + QStringLiteral(" not found"));
    EXPECT_EQ(Message("object Form1: TFormTestForm\n  object Box1: TFormTestBox\n    Kind = " + Huge +
                      "\n  end\nend\n"),
              QStringLiteral("Error reading Box1.Kind on line 3: Cannot find ") + Cut +
                  QStringLiteral(" in TFormTestKind"));
}

TEST_F(StoredForms, ALoadedThatFreesAnotherObjectReadLeavesItOutOfLoading) {
    TFormTestForm Root(nullptr);
    ReadComponentText("object Form1: TFormTestForm\n"
                      "  object Freer: TFormTestFreer\n    Caption = 'Victim'\n  end\n"
                      "  object Victim: TFormTestBox\n  end\n"
                      "  object Other: TFormTestBox\n  end\n"
                      "end\n",
                      &Root);
    EXPECT_EQ(Root.FindComponent(QStringLiteral("Victim")), nullptr);
    ASSERT_EQ(Root.ComponentCount(), 2);
    for (const char* Name : {"Freer", "Other"}) {
        auto* Box = dynamic_cast<TFormTestBox*>(Root.FindComponent(QString::fromLatin1(Name)));
        ASSERT_NE(Box, nullptr) << Name;
        EXPECT_EQ(Box->LoadedCalls, 1) << Name;
        EXPECT_FALSE(Box->HasState(csLoading | csReading)) << Name;
    }
}

TEST_F(StoredForms, ClipboardCopiesOfSomeComponentsPasteIntoAnotherParent) {
    auto Form = MakeForm();
    TWriter Writer(Form.get());
    Writer.WriteComponent(Form->FindComponent(QStringLiteral("Item1")));
    const QByteArray Copy = Writer.Text();
    EXPECT_EQ(Copy.toStdString(),
              "object Item1: TFormTestItem\n  Left = 0\n  Top = 0\n  Width = 0\n  Height = 0\nend\n");
    TFormTestForm Other(nullptr);
    auto* Target = new TFormTestBox(&Other);
    TReader Reader(&Other);
    const auto Pasted = Reader.ReadComponents(Copy, Target);
    ASSERT_EQ(Pasted.size(), 1u);
    EXPECT_EQ(Pasted[0]->Owner(), &Other);
    EXPECT_EQ(dynamic_cast<TControl*>(Pasted[0])->Parent(), Target);
    // A second paste clashes with the first one's name: nothing more is made.
    EXPECT_THROW(Reader.ReadComponents(Copy, Target), EReadError);
    EXPECT_EQ(Other.ComponentCount(), 2);
    EXPECT_EQ(Target->ControlCount(), 1);
}

TEST(Components, FreeAsksTheComponentFirstAndOwnersDeleteWithoutAsking) {
    struct TRefusing : TComponent {
        using TComponent::TComponent;
        bool Refuse = true;
        void CheckDelete() override {
            if (Refuse) throw Exception(QStringLiteral("Cannot delete"));
        }
    };
    TComponent Owner(nullptr);
    auto* C = new TRefusing(&Owner);
    EXPECT_THROW(C->Free(), Exception);
    EXPECT_EQ(Owner.ComponentCount(), 1);
    C->Refuse = false;
    C->Free();
    EXPECT_EQ(Owner.ComponentCount(), 0);
    new TRefusing(&Owner); // freed by the owner without a check
}
