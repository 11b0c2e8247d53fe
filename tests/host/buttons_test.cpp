#include "host/buttons.h"
#include "host/forms.h"
#include "host/properties.h"
#include "host/storedforms.h"

#include <gtest/gtest.h>

// Stored forms name their root class, so it lives outside an anonymous namespace.
class TButtonTestForm : public TForm {
public:
    using TForm::TForm;
};

TEST(BitBtn, APressGivesItsFormTheModalResultThenRunsOnClickAndItsSettingsAreStored) {
    RegisterClasses<TButtonTestForm>();
    TButtonTestForm Form(nullptr);
    Form.SetName(QStringLiteral("Form1"));
    auto* Button = new TBitBtn(&Form);
    Button->SetName(QStringLiteral("Run"));
    Button->SetParent(&Form);
    EXPECT_EQ(Button->BoundsRect(), QRect(0, 0, 75, 25));
    EXPECT_TRUE(Button->Glyph()->Empty());

    // A custom button leaves the form alone; a kind brings its caption and result.
    QList<TModalResult> SeenAtClick;
    Button->OnClick = [&](TComponent* Sender) {
        EXPECT_EQ(Sender, Button);
        SeenAtClick << Form.ModalResult();
    };
    Button->Click();
    Button->SetKind(bkCancel);
    EXPECT_EQ(Button->Caption(), QStringLiteral("Cancel"));
    EXPECT_EQ(Button->ModalResult(), mrCancel);
    Button->Click();
    EXPECT_EQ(SeenAtClick, (QList<TModalResult>{mrNone, mrCancel}));

    Button->SetKind(bkYes);
    Button->SetCaption(QStringLiteral("&Go"));
    Button->SetDefault(true);
    Button->SetSpacing(2);
    Button->SetBounds(8, 16, 90, 30);
    Button->OnClick = nullptr;
    EXPECT_EQ(WriteComponentText(&Form).toStdString(), std::string(R"(object Form1: TButtonTestForm
  Left = 0
  Top = 0
  Width = 320
  Height = 240
  object Run: TBitBtn
    Left = 8
    Top = 16
    Width = 90
    Height = 30
    Caption = '&Go'
    Default = True
    Kind = bkYes
    ModalResult = 6
    Spacing = 2
  end
end
)"));
    TButtonTestForm Fresh(nullptr);
    ReadComponentText(WriteComponentText(&Form), &Fresh);
    auto* Read = dynamic_cast<TBitBtn*>(Fresh.FindComponent(QStringLiteral("Run")));
    ASSERT_NE(Read, nullptr);
    EXPECT_EQ(Read->Caption(), QStringLiteral("&Go"));
    EXPECT_EQ(Read->ModalResult(), mrYes);
    EXPECT_EQ(WriteComponentText(&Fresh), WriteComponentText(&Form));
}
