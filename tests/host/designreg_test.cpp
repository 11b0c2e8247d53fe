#include "host/buttons.h"
#include "host/db.h"
#include "host/designreg.h"
#include "host/forms.h"
#include "host/memdataset.h"
#include "host/properties.h"
#include "host/storedforms.h"
#include "support/testdesigner.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

struct DesignRegistry : ::testing::Test {
    void TearDown() override {
        ResetDesignRegistry();
        ResetStoredForms();
    }
};

template <class T> T* Place(TComponent* Owner, const QString& Name, TWinControl* Parent = nullptr) {
    auto* C = new T(Owner);
    C->SetName(Name);
    if constexpr (std::is_base_of_v<TControl, T>)
        if (Parent) C->SetParent(Parent);
    return C;
}

QString Refusal(TPropertyEditor& Editor, const QString& Value) {
    try {
        Editor.SetValue(Value);
    } catch (const EPropertyError& E) {
        return E.Message();
    }
    return QStringLiteral("taken");
}

template <int N> class TMark : public TComponentProperty {
public:
    using TComponentProperty::TComponentProperty;
};

TEST_F(DesignRegistry, EditorsByKindShowListsTakeTypedValuesAndKeepTheOldValueOnARefusal) {
    TForm Form(nullptr);
    Form.SetName("Form1");
    TTestDesigner D(&Form);
    auto* Button = Place<TBitBtn>(&Form, "Button1", &Form);
    QStringList Names;
    for (const auto& E : GetComponentProperties(&D, Button))
        Names << E->GetName() + u'=' + E->GetValue();
    EXPECT_EQ(Names.mid(0, 7),
              (QStringList{"Tag=0", "Left=0", "Top=0", "Width=75", "Height=25", "Caption=", "Enabled=True"}));
    EXPECT_TRUE(Names.contains("Font=(TFont)"));
    EXPECT_TRUE(Names.contains("OnClick="));

    auto Margin = GetPropertyEditor(&D, Button, "margin");
    Margin->SetValue(" 12");
    EXPECT_EQ(Refusal(*Margin, "twelve"), "Invalid property value");
    EXPECT_EQ(Button->Margin(), 12);
    EXPECT_EQ(D.Modifieds, 1);

    auto Kind = GetPropertyEditor(&D, Button, "Kind");
    EXPECT_EQ(Kind->Values().size(), 11);
    Kind->SetValue("BKOK");
    EXPECT_EQ(Kind->GetValue(), "bkOK");
    EXPECT_EQ(Refusal(*Kind, "bkNothing"), "Invalid property value");
    auto Cancel = GetPropertyEditor(&D, Button, "Cancel");
    EXPECT_EQ(Cancel->Values(), (QStringList{"False", "True"}));
    Cancel->SetValue("true");
    EXPECT_TRUE(Button->Cancel());
    EXPECT_EQ(Refusal(*Cancel, "maybe"), "Invalid property value");

    // A nested object and its properties, a set with its members, a colour and named integers.
    auto Font = GetPropertyEditor(&D, Button, "Font");
    EXPECT_EQ(Font->GetAttributes(), paSubProperties | paReadOnly);
    QStringList Subs;
    for (const auto& E : Font->GetProperties())
        Subs << E->GetName();
    EXPECT_EQ(Subs, (QStringList{"Charset", "Color", "Height", "Name", "Pitch", "Style"}));
    auto Style = GetPropertyEditor(&D, Button, "Font.Style");
    Style->SetValue("[fsBold]");
    Style->GetProperties()[1]->SetValue("True");
    // Each member's row is named as its value.
    EXPECT_EQ(Style->GetProperties()[1]->GetName(), "fsItalic");
    EXPECT_EQ(Style->GetValue(), "[fsBold,fsItalic]");
    auto Color = GetPropertyEditor(&D, Button, "Font.Color");
    Color->SetValue("clred");
    EXPECT_EQ(Color->GetValue(), "clRed");
    Color->SetValue("$00123456");
    EXPECT_EQ(Button->Font()->Color(), TColor(0x123456));
    EXPECT_EQ(Refusal(*Color, "reddish"), "Invalid property value");
    EXPECT_EQ(GetPropertyEditor(&D, Button, "Font.Charset")->GetValue(), "DEFAULT_CHARSET");

    // An event keeps a name the form defines no handler for while designed, and binds one it does.
    auto Click = GetPropertyEditor(&D, Button, "OnClick");
    Click->SetValue("Button1Click");
    EXPECT_EQ(Click->GetValue(), "Button1Click");
    EXPECT_TRUE(WriteComponentText(&Form).contains("OnClick = Button1Click"));
    int Clicked = 0;
    DefineMethod<void(TComponent*)>(&Form, "Go", [&](TComponent*) { ++Clicked; });
    Click->SetValue("go");
    Button->OnClick(Button);
    EXPECT_EQ(Clicked, 1);
    EXPECT_EQ(Refusal(*Click, "1go"), "Invalid property value");
    EXPECT_EQ(Click->GetValue(), "Go");
}

TEST_F(DesignRegistry, AReferenceListsItsClassAcrossModulesAndTheNearestRegistrationEditsIt) {
    TForm Form(nullptr);
    Form.SetName("Form1");
    TTestDesigner D(&Form);
    auto* Source = Place<TDataSource>(&Form, "Src1");
    auto* Local = Place<TMemDataSet>(&Form, "Local");
    TForm Module(nullptr);
    Module.SetName("Module1");
    auto* Shared = Place<TMemDataSet>(&Module, "Shared");
    TTestDesigner::OpenModule(&Module);

    auto Ref = GetPropertyEditor(&D, Source, "DataSet");
    EXPECT_EQ(Ref->Values(), (QStringList{"Local", "Module1.Shared"}));
    Ref->SetValue("module1.shared");
    EXPECT_EQ(Source->DataSet(), Shared);
    EXPECT_EQ(Ref->GetValue(), "Module1.Shared");
    EXPECT_EQ(Refusal(*Ref, "Src1"), "Invalid property value");
    EXPECT_EQ(Source->DataSet(), Shared);
    Ref->SetValue("Local");
    EXPECT_EQ(Source->DataSet(), Local);
    Ref->SetValue("");
    EXPECT_EQ(Source->DataSet(), nullptr);

    auto Chosen = [&] {
        auto E = GetPropertyEditor(&D, Source, "DataSet");
        return ClassNameOf(typeid(*E)).section("TMark<", 1).section('>', 0, 0).toInt();
    };
    // The nearest property class, then the nearest object class (any class beats none), then a
    // name of any case, then the later.
    RegisterPropertyEditor<TComponent>(QString(), PropertyEditorClassOf<TMark<1>>());
    EXPECT_EQ(Chosen(), 1);
    RegisterPropertyEditor<TDataSet>(QString(), PropertyEditorClassOf<TMark<2>>());
    RegisterPropertyEditor<TDataSet, TComponent>("dataset", PropertyEditorClassOf<TMark<3>>());
    EXPECT_EQ(Chosen(), 3);
    RegisterPropertyEditor<TDataSet, TDataSource>(QString(), PropertyEditorClassOf<TMark<4>>());
    EXPECT_EQ(Chosen(), 4);
    RegisterPropertyEditor<TDataSet, TDataSource>("DATASET", PropertyEditorClassOf<TMark<5>>());
    RegisterPropertyEditor<TDataSet, TDataSource>("Other", PropertyEditorClassOf<TMark<6>>());
    EXPECT_EQ(Chosen(), 5);
    RegisterPropertyEditor<TDataSet, TDataSource>("DataSet", PropertyEditorClassOf<TMark<7>>());
    EXPECT_EQ(Chosen(), 7);
    EXPECT_EQ(ClassDistance(typeid(TMemDataSet), typeid(TComponent)), 2);
    EXPECT_EQ(ClassDistance(typeid(TComponent), typeid(TMemDataSet)), -1);
}

} // namespace
