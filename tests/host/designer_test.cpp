#include "host/buttons.h"
#include "host/controls.h"
#include "host/db.h"
#include "host/designer.h"
#include "host/designreg.h"
#include "host/forms.h"
#include "host/storedforms.h"
#include "support/testdesigner.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <memory>

namespace {

struct DesignerTest : ::testing::Test {
    void TearDown() override {
        ResetDesignRegistry();
        ResetStoredForms();
    }
};

// Notes which editor a double click opened and on what.
QStringList Opened;

template <int Id> class TNotingEditor : public TComponentEditor {
public:
    using TComponentEditor::TComponentEditor;
    int GetVerbCount() override { return 1; }
    QString GetVerb(int) override { return QStringLiteral("Open"); }
    void ExecuteVerb(int) override {
        Opened << QStringLiteral("%1:%2").arg(Id).arg(Component()->Name());
        Designer()->Modified();
    }
};

// Takes the mouse itself at design time, as a tool button on a designed form does.
class THitPanel : public TCustomPanel {
public:
    using TCustomPanel::TCustomPanel;
    void WndProc(TMessage& Message) override {
        if (Message.Msg == CM_DESIGNHITTEST) {
            Message.Result = 1;
            return;
        }
        TCustomPanel::WndProc(Message);
    }
};

template <class T> T* Place(TComponent* Owner, const QString& Name, TWinControl* Parent) {
    auto* C = new T(Owner);
    C->SetName(Name);
    if constexpr (std::is_base_of_v<TControl, T>) C->SetParent(Parent);
    return C;
}

TEST_F(DesignerTest, AHostServesItsFormItsOpenModulesAndASelectionThatForgetsFreedComponents) {
    TForm Form(nullptr);
    Form.SetName(QStringLiteral("Form1"));
    auto* Panel = Place<TCustomPanel>(&Form, QStringLiteral("Panel1"), &Form);
    auto* Label = Place<TLabel>(&Form, QStringLiteral("Label1"), Panel);
    auto* Src1 = Place<TDataSource>(&Form, QStringLiteral("Src1"), nullptr);
    TForm Module(nullptr);
    Module.SetName(QStringLiteral("DataModule1"));
    auto* Src2 = Place<TDataSource>(&Module, QStringLiteral("Src2"), nullptr);
    Place<TLabel>(&Module, QStringLiteral("Other"), &Module);

    auto D = std::make_unique<TTestDesigner>(&Form);
    TTestDesigner::OpenModule(&Module);
    EXPECT_TRUE(Label->HasState(csDesigning));
    EXPECT_EQ(FindRootDesigner(Label), D.get());
    EXPECT_EQ(FindRootDesigner(&Module), nullptr);

    QStringList Names;
    D->GetComponentNames<TDataSource>([&](const QString& S) { Names << S; });
    EXPECT_EQ(Names, (QStringList{"Src1", "DataModule1.Src2"}));
    EXPECT_EQ(D->GetComponent(QStringLiteral("datamodule1.SRC2")), Src2);
    EXPECT_EQ(D->GetComponent(QStringLiteral("form1")), &Form);
    EXPECT_EQ(D->GetComponent(QStringLiteral("Form1.Src1")), Src1);
    EXPECT_EQ(D->GetComponent(QStringLiteral("Nowhere.Src1")), nullptr);
    EXPECT_EQ(D->GetComponentName(Src2), QStringLiteral("DataModule1.Src2"));
    EXPECT_TRUE(D->IsComponentLinkable(Src2));
    EXPECT_FALSE(D->IsComponentLinkable(Src1));

    Panel->SetEventBinding(QStringLiteral("OnClick"), QStringLiteral("Panel1Click"));
    EXPECT_EQ(D->GetMethodName(Panel, QStringLiteral("onclick")), QStringLiteral("Panel1Click"));
    EXPECT_EQ(D->GetMethodName(Label, QStringLiteral("OnClick")), QString());

    // A revert puts the declared default back.
    auto* Button = Place<TBitBtn>(&Form, QStringLiteral("Button1"), &Form);
    Button->SetMargin(5);
    D->Revert(Button, QStringLiteral("Margin"));
    EXPECT_EQ(Button->Margin(), -1);
    EXPECT_EQ(D->Reverts, QStringList{"Button1.Margin"});

    int Told = 0;
    D->OnSelectionChanged = [&] { ++Told; };
    D->SetSelections({Label, Panel, Label});
    EXPECT_EQ(D->SelectedNames(), (QStringList{"Label1", "Panel1"}));
    delete Label;
    EXPECT_EQ(D->SelectedNames(), QStringList{"Panel1"});
    EXPECT_EQ(Told, 2);
    D->ToggleSelection(Src1);
    D->ToggleSelection(Panel);
    EXPECT_EQ(D->SelectedNames(), QStringList{"Src1"});

    D.reset();
    EXPECT_EQ(FindRootDesigner(Panel), nullptr);
    // Without a designer a double click is the control's own again.
    int Clicks = 0;
    Panel->OnDblClick = [&](TComponent*) { ++Clicks; };
    SendMessage(Panel, WM_LBUTTONDBLCLK);
    EXPECT_EQ(Clicks, 1);
}

TEST_F(DesignerTest, ADoubleClickOnADesigningControlOpensTheEditorOfItsNearestRegisteredClass) {
    RegisterComponentEditor<TWinControl>(ComponentEditorClassOf<TNotingEditor<1>>());
    RegisterComponentEditor<TCustomPanel>(ComponentEditorClassOf<TNotingEditor<2>>());
    RegisterComponentEditor<TCustomControl>(ComponentEditorClassOf<TNotingEditor<3>>());
    RegisterComponentEditor<TCustomPanel>(ComponentEditorClassOf<TNotingEditor<4>>());
    TForm Form(nullptr);
    auto* Panel = Place<TCustomPanel>(&Form, QStringLiteral("Panel1"), &Form);
    auto* Check = Place<TCheckBox>(&Form, QStringLiteral("Check1"), Panel);
    auto* Box = Place<TScrollBox>(&Form, QStringLiteral("Box1"), &Form);
    auto* Label = Place<TLabel>(&Form, QStringLiteral("Label1"), Panel);
    auto* Tool = Place<THitPanel>(&Form, QStringLiteral("Tool1"), &Form);
    int ToolClicks = 0, LabelClicks = 0;
    Tool->OnDblClick = [&](TComponent*) { ++ToolClicks; };
    Label->OnDblClick = [&](TComponent*) { ++LabelClicks; };
    TTestDesigner D(&Form);

    Opened.clear();
    for (TControl* C : std::initializer_list<TControl*>{Panel, Check, Box, Label, Tool})
        SendMessage(C, WM_LBUTTONDBLCLK, 0, MAKELPARAM(3, 4));
    // The later of two editors of one class wins; a label has no editor on its way up; the tool
    // button took the click itself, as a posted one would.
    EXPECT_EQ(Opened, (QStringList{"4:Panel1", "3:Check1", "1:Box1"}));
    EXPECT_EQ(LabelClicks, 0);
    EXPECT_EQ(ToolClicks, 1);
    EXPECT_EQ(D.Modifieds, 3);

    PostMessage(Check, WM_LBUTTONDBLCLK);
    DeliverPostedMessages();
    EXPECT_EQ(Opened.last(), QStringLiteral("3:Check1"));

    // A press selects; with Shift it adds to the selection or takes out again.
    SendMessage(Panel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
    SendMessage(Label, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(1, 1));
    EXPECT_EQ(D.SelectedNames(), (QStringList{"Panel1", "Label1"}));
    SendMessage(Panel, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(1, 1));
    EXPECT_EQ(D.SelectedNames(), QStringList{"Label1"});
    EXPECT_FALSE(Check->Checked());
}

TEST_F(DesignerTest, APlainPressOnASelectedComponentKeepsTheSelection) {
    TForm Form(nullptr);
    auto* Panel = Place<TCustomPanel>(&Form, QStringLiteral("Panel1"), &Form);
    auto* Label = Place<TLabel>(&Form, QStringLiteral("Label1"), Panel);
    auto* Check = Place<TCheckBox>(&Form, QStringLiteral("Check1"), Panel);
    auto* Tool = Place<THitPanel>(&Form, QStringLiteral("Tool1"), &Form);
    TTestDesigner D(&Form);
    struct {
        std::vector<TComponent*> Before;
        TControl* Pressed;
        bool Shift;
        QStringList After;
        bool Told; // the designer was given a selection
    } const Presses[] = {
        // A press on one of several selected components keeps them all, so a drag moves them all.
        {{Panel, Label}, Label, false, {"Panel1", "Label1"}, false},
        {{Panel, Label}, Panel, false, {"Panel1", "Label1"}, false},
        {{Panel, Label}, Check, false, {"Check1"}, true},
        {{Panel, Label}, Label, true, {"Panel1"}, true},
        {{Panel}, Label, true, {"Panel1", "Label1"}, true},
        {{}, Panel, false, {"Panel1"}, true},
        // A control that takes the mouse itself leaves the selection alone.
        {{Panel, Label}, Tool, false, {"Panel1", "Label1"}, false},
    };
    for (const auto& Press : Presses) {
        SCOPED_TRACE(Press.Pressed->Name().toStdString() + (Press.Shift ? " with Shift" : ""));
        D.SetSelections(Press.Before);
        const size_t Given = D.Selections.size();
        SendMessage(Press.Pressed, WM_LBUTTONDOWN, WPARAM(MK_LBUTTON) | (Press.Shift ? WPARAM(MK_SHIFT) : 0),
                    MAKELPARAM(1, 1));
        EXPECT_EQ(D.SelectedNames(), Press.After);
        EXPECT_EQ(D.Selections.size() > Given, Press.Told);
    }
}

TEST_F(DesignerTest, ADesignedFormIsNoClassOfTheProgramAndKeepsTheHandlerNamesItCannotBind) {
    const QByteArray Text = "object Orders: TOrdersForm\n"
                            "  Left = 0\n"
                            "  Top = 0\n"
                            "  Width = 320\n"
                            "  Height = 240\n"
                            "  object Button1: TBitBtn\n"
                            "    Left = 8\n"
                            "    Top = 8\n"
                            "    Width = 75\n"
                            "    Height = 25\n"
                            "    OnClick = Button1Click\n"
                            "  end\n"
                            "end\n";
    // A program's own form must be of the class the text names.
    TForm Plain(nullptr);
    try {
        ReadComponentText(Text, &Plain);
        ADD_FAILURE() << "read into a TForm";
    } catch (const EReadError& E) {
        EXPECT_TRUE(E.Message().contains("The form holds a TOrdersForm, not a TForm"))
            << E.Message().toStdString();
    }

    TForm Form(nullptr);
    TTestDesigner D(&Form);
    ReadComponentText(Text, &Form);
    EXPECT_EQ(Form.DesignClassName(), QStringLiteral("TOrdersForm"));
    EXPECT_EQ(Form.DesignAncestors(), QStringList{"TForm"});
    EXPECT_TRUE(InheritsFromName(&Form, "tcustomform"));
    EXPECT_FALSE(InheritsFromName(&Form, "TBitBtn"));
    auto* Button = dynamic_cast<TBitBtn*>(Form.FindComponent("Button1"));
    ASSERT_NE(Button, nullptr);
    EXPECT_EQ(D.GetMethodName(Button, "OnClick"), QStringLiteral("Button1Click"));
    EXPECT_FALSE(Button->OnClick);
    EXPECT_EQ(WriteComponentText(&Form), Text);

    // A form that fails to read keeps the class it had.
    TForm Other(nullptr);
    TTestDesigner OtherDesigner(&Other);
    QByteArray Broken = Text;
    Broken.replace("Width = 75", "Widht = 75");
    EXPECT_THROW(ReadComponentText(Broken, &Other), EReadError);
    EXPECT_EQ(Other.DesignClassName(), QStringLiteral("TForm"));
}

} // namespace
