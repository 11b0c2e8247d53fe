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

#include "host/devicecontext.h"
#include "host/streams.h"
#include "support/devices.h"

#include <QImage>

namespace {

// Two glyphs side by side on an olive ground: the first with a red, the second with a blue corner.
void LoadTwoGlyphs(TBitmap* Glyph) {
    QImage Image(28, 14, QImage::Format_RGB32);
    Image.fill(qRgb(128, 128, 0));
    Image.setPixel(0, 0, qRgb(255, 0, 0));
    Image.setPixel(14, 0, qRgb(0, 0, 255));
    Glyph->LoadFromImage(Image);
}

QImage PaintedButton(TSpeedButton& Button, QStringList* Calls = nullptr) {
    auto DC = DeviceContext::CreateRecordingImage(ScreenCaps(96, Button.Width(), Button.Height()));
    Button.Canvas()->SetHandle(DC.get());
    Button.Paint();
    Button.Canvas()->SetHandle(nullptr);
    if (Calls) *Calls = DC->Log()->Calls;
    return *DC->Image();
}

} // namespace

TEST(SpeedButton, ALeftReleaseOverItClicksAnyReleaseIsToldAndAGroupKeepsOneDown) {
    TForm Form(nullptr);
    auto* A = new TSpeedButton(&Form);
    A->SetParent(&Form);
    A->SetBounds(0, 0, 35, 35);
    QStringList Seen;
    A->OnMouseUp = [&](TComponent* Sender, TMouseButton Button, TShiftState, int X, int Y) {
        EXPECT_EQ(Sender, A);
        Seen << QStringLiteral("up %1 at %2,%3").arg(int(Button)).arg(X).arg(Y);
    };
    A->OnClick = [&](TComponent*) { Seen << QStringLiteral("click"); };
    auto Mouse = [A](uint32_t Msg, int X, int Y) { A->Perform(Msg, 0, MAKELPARAM(X, Y)); };
    Mouse(WM_LBUTTONDOWN, 5, 5);
    EXPECT_TRUE(A->Pressed());
    Mouse(WM_LBUTTONUP, 6, 7);
    EXPECT_FALSE(A->Pressed());
    Mouse(WM_RBUTTONDOWN, 5, 5);
    Mouse(WM_RBUTTONUP, 5, 5);
    A->MouseUp(mbMiddle, 0, 5, 5);
    // Released away from the button, the press is taken back.
    Mouse(WM_LBUTTONDOWN, 5, 5);
    Mouse(WM_LBUTTONUP, 40, 5);
    A->SetEnabled(false);
    Mouse(WM_LBUTTONDOWN, 5, 5);
    EXPECT_FALSE(A->Pressed());
    Mouse(WM_LBUTTONUP, 5, 5);
    EXPECT_EQ(Seen, QStringList({"up 0 at 6,7", "click", "up 1 at 5,5", "up 2 at 5,5", "up 0 at 40,5",
                                 "up 0 at 5,5"}));

    // Without a group a button never stays down; in one, one button at a time does.
    A->SetDown(true);
    EXPECT_FALSE(A->Down());
    auto* B = new TSpeedButton(&Form);
    auto* C = new TSpeedButton(&Form);
    auto* Other = new TSpeedButton(&Form);
    for (TSpeedButton* S : {A, B, C})
        S->SetGroupIndex(1);
    for (TSpeedButton* S : {B, C, Other})
        S->SetParent(&Form);
    Other->SetGroupIndex(2);
    Other->SetDown(true);
    A->SetDown(true);
    B->Click();
    EXPECT_EQ((std::vector<bool>{A->Down(), B->Down(), C->Down(), Other->Down()}),
              (std::vector<bool>{false, true, false, true}));
    B->Click();
    EXPECT_TRUE(B->Down()); // the last one down stays down
    B->SetAllowAllUp(true);
    B->Click();
    EXPECT_FALSE(B->Down());
    C->SetDown(true);
    C->SetGroupIndex(0);
    EXPECT_FALSE(C->Down());
}

TEST(SpeedButton, PaintsItsFaceTheGlyphOfItsStateClearOfItsGroundAndTheCaptionBesideIt) {
    TSpeedButton Button(nullptr);
    Button.SetBounds(0, 0, 35, 35);
    LoadTwoGlyphs(Button.Glyph());
    Button.SetNumGlyphs(2);
    Button.SetMargin(5);
    const QRgb Face = ColorToRGB(clBtnFace) | 0xFF000000;
    const QRgb Red = qRgb(255, 0, 0);
    // The glyph stands 5 pixels in and in the middle of the height, its olive ground left out.
    QImage Image = PaintedButton(Button);
    EXPECT_EQ(Image.pixel(5, 10), Red);
    EXPECT_EQ(Image.pixel(6, 10), Face);
    EXPECT_EQ(Image.pixel(18, 23), Face);
    EXPECT_EQ(Image.pixel(0, 0), qRgb(255, 255, 255)); // the raised edge
    EXPECT_EQ(Image.pixel(34, 34), ColorToRGB(clBtnShadow) | 0xFF000000);
    Button.SetEnabled(false);
    EXPECT_EQ(PaintedButton(Button).pixel(5, 10), qRgb(0, 0, 255));
    Button.SetEnabled(true);
    // Held down, the picture moves one pixel and the edge is sunk.
    Button.MouseDown(mbLeft, ssLeft, 1, 1);
    Image = PaintedButton(Button);
    EXPECT_EQ(Image.pixel(6, 11), Red);
    EXPECT_EQ(Image.pixel(0, 0), ColorToRGB(clBtnShadow) | 0xFF000000);
    Button.MouseUp(mbLeft, 0, 50, 50);

    // Centred, glyph and caption share the middle, the spacing between them.
    Button.SetMargin(-1);
    Button.SetBounds(0, 0, 100, 35);
    Button.SetCaption(QStringLiteral("Band"));
    TFont Font;
    Font.SetName(QStringLiteral("Arial"));
    Font.SetSize(7);
    Button.SetFont(Font);
    QStringList Calls;
    PaintedButton(Button, &Calls);
    const QString Draw = Calls.filter(QStringLiteral("StretchDIBits")).value(0);
    const QString Text = Calls.filter(QStringLiteral("ExtTextOut")).value(0);
    ASSERT_FALSE(Draw.isEmpty());
    ASSERT_FALSE(Text.isEmpty());
    const int GlyphLeft = Draw.section(QLatin1Char(' '), 1, 1).toInt();
    const int TextLeft = Text.section(QLatin1Char(' '), 1, 1).toInt();
    EXPECT_EQ(TextLeft, GlyphLeft + 14 + 4);
    EXPECT_TRUE(Calls.contains(QStringLiteral("SelectObject font \"Arial\" -9 0 400 0 0 0 1 esc=0")));
    // "Band" is 22 pixels wide in that font: the pair, 40 wide, stands 30 pixels in.
    EXPECT_EQ(GlyphLeft, 30);
}
