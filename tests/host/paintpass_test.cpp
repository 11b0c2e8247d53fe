#include "host/buttons.h"
#include "host/controls.h"
#include "host/devicecontext.h"
#include "host/dragdrop.h"
#include "host/forms.h"
#include "host/paintpass.h"
#include "support/devices.h"
#include "support/paintlog.h"
#include "support/pixelprobe.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

template <class T> T* Place(TComponent* Owner, const QString& Name, TWinControl* Parent, QRect Bounds) {
    auto* C = new T(Owner);
    C->SetName(Name);
    C->SetParent(Parent);
    C->SetBoundsRect(Bounds);
    return C;
}

// A scroll box that notes the scroll messages that reach it after its own handling.
class TNotedBox : public TScrollBox {
public:
    using TScrollBox::TScrollBox;
    void WndProc(TMessage& Message) override {
        TScrollBox::WndProc(Message);
        if (Message.Msg == WM_VSCROLL || Message.Msg == WM_HSCROLL) Positions << VertScrollBar().Position;
    }
    QList<int> Positions;
};

TEST(PaintPass, EachShownControlPaintsAtItsPlaceClippedToItsParentsWindowsAboveTheOthers) {
    TForm Form(nullptr);
    Form.SetBounds(0, 0, 300, 200);
    Form.SetColor(clWhite);
    Form.Show();
    auto* Box = Place<TScrollBox>(&Form, "Box", &Form, QRect(10, 10, 200, 100));
    Box->SetColor(clWhite);
    auto* Label = Place<TLabel>(&Form, "Label1", Box, QRect(20, 50, 300, 17));
    Label->SetCaption("Label");
    Label->SetTransparent(true);
    auto* Panel = Place<TCustomPanel>(&Form, "Panel1", Box, QRect(5, 5, 100, 40));
    Panel->SetCaption("P");
    auto* Check = Place<TCheckBox>(&Form, "Check1", Panel, QRect(3, 20, 90, 17));
    Check->SetCaption("Check");
    Check->SetChecked(true);
    auto* Hidden = Place<TLabel>(&Form, "Hidden", Box, QRect(5, 80, 50, 17));
    Hidden->SetCaption("Hidden");
    Hidden->Hide();
    // Painted before the panel although added after it: windows lie above the others.
    auto* Under = Place<TLabel>(&Form, "Under", Box, QRect(30, 20, 40, 17));
    Under->SetCaption("Under");

    auto DC = DeviceContext::CreateRecordingImage(ScreenCaps(96, 300, 200));
    PaintControl(&Form, *DC);
    const QStringList Texts = DrawnTexts(*DC->Log());
    ASSERT_EQ(Texts.size(), 4) << Texts.join('\n').toStdString();
    // The box's 2-pixel frame puts its children 2 pixels further in.
    EXPECT_EQ(Texts[0], QStringLiteral("32 62 Label"));
    EXPECT_EQ(Texts[1], QStringLiteral("42 32 Under"));
    EXPECT_TRUE(Texts[2].endsWith(" P"));
    const QPoint P = DrawnAt(*DC->Log(), "P");
    EXPECT_GT(P.x(), 17 + 40);
    EXPECT_LT(P.y(), 17 + 20);
    const QPoint C = DrawnAt(*DC->Log(), "Check");
    EXPECT_EQ(C.x(), 17 + 3 + 13 + 4);
    EXPECT_GE(C.y(), 17 + 20);
    EXPECT_LE(C.y(), 17 + 20 + 3);

    const QImage& Image = *DC->Image();
    // Nothing beyond the box, though the label is wider; the panel hides the label beneath it.
    EXPECT_TRUE(InkBounds(Image, 0xFFFFFFFF, QRect(211, 0, 89, 200)).isEmpty());
    EXPECT_TRUE(Inked(Image, 10, 10));
    EXPECT_FALSE(Inked(Image, 13, 13));
    EXPECT_EQ(Image.pixel(45, 34), Image.pixel(107, 29));

    // A form being designed shows its hidden controls too.
    Hidden->SetDesigning(true);
    DC->Log()->Clear();
    PaintControl(&Form, *DC);
    EXPECT_EQ(DrawnAt(*DC->Log(), "Hidden"), QPoint(17, 92));
}

TEST(PaintPass, AScrollBoxFrameShrinksItsClientAndScrollMessagesMoveItsChildrenWithinTheRange) {
    TNotedBox Box(nullptr);
    Box.SetBounds(0, 0, 100, 100);
    EXPECT_EQ(Box.ClientRect(), QRect(0, 0, 96, 96));
    auto* Child = new TCustomPanel(&Box);
    Child->SetParent(&Box);
    Child->SetBounds(0, 300, 50, 50);
    EXPECT_EQ(Child->ClientToParent(QPoint(1, 1)), QPoint(1, 301));
    EXPECT_EQ(Child->ParentToClient(QPoint(1, 301)), QPoint(1, 1));

    auto V = [&](uint16_t Code, uint16_t Pos = 0) { SendMessage(&Box, WM_VSCROLL, MAKEWPARAM(Code, Pos)); };
    V(SB_LINEDOWN);
    V(SB_PAGEDOWN);
    V(SB_THUMBPOSITION, 1000);
    V(SB_PAGEUP);
    V(SB_TOP);
    EXPECT_EQ(Box.Positions, (QList<int>{8, 104, 254, 158, 0}));
    EXPECT_EQ(Child->Top(), 300);
    V(SB_THUMBTRACK, 100);
    EXPECT_EQ(Child->Top(), 200);
    // A range set on the bar holds over the children's extent.
    Box.VertScrollBar().Range = 500;
    V(SB_BOTTOM);
    EXPECT_EQ(Box.VertScrollBar().Position, 404);
    SendMessage(&Box, WM_HSCROLL, MAKEWPARAM(SB_LINERIGHT, 0));
    EXPECT_EQ(Box.HorzScrollBar().Position, 0);

    Box.SetBorderStyle(bsNone);
    EXPECT_EQ(Box.ClientRect(), QRect(0, 0, 100, 100));
    TForm Form(nullptr);
    EXPECT_EQ(Form.BorderStyle(), bsNone);
}

struct TDragLog {
    QStringList Lines;
    void Accepting(TControl* C, bool Accept) {
        C->OnDragOver = [this, Accept](TComponent* Sender, TComponent* Source, int X, int Y, TDragState State,
                                       bool& Accepted) {
            static const char* States[] = {"enter", "leave", "move"};
            Lines << QStringLiteral("%1 %2 %3 from %4 at %5,%6")
                         .arg(Sender->Name(), States[State], Accept ? "yes" : "no", Source->Name())
                         .arg(X)
                         .arg(Y);
            Accepted = Accept;
        };
        C->OnDragDrop = [this](TComponent* Sender, TComponent* Source, int X, int Y) {
            Lines << QStringLiteral("%1 drop %2 at %3,%4").arg(Sender->Name(), Source->Name()).arg(X).arg(Y);
        };
    }
};

TEST(DragDrop, ADragStartsAfterFivePixelsAndEntersMovesLeavesAndDropsWhereAccepted) {
    TForm Form(nullptr);
    Form.SetBounds(0, 0, 400, 300);
    auto* Box = Place<TScrollBox>(&Form, "Box", &Form, QRect(100, 0, 200, 200));
    auto* Yes = Place<TCustomPanel>(&Form, "Yes", Box, QRect(0, 0, 100, 50));
    auto* No = Place<TCustomPanel>(&Form, "No", Box, QRect(0, 100, 100, 50));
    auto* Source = Place<TLabel>(&Form, "Source", &Form, QRect(10, 10, 50, 20));
    Source->SetDragMode(dmAutomatic);
    TDragLog Log;
    Log.Accepting(Yes, true);
    Log.Accepting(No, false);
    QStringList Ends;
    Source->OnEndDrag = [&](TComponent*, TComponent* Target, int X, int Y) {
        Ends
            << QStringLiteral("%1 %2,%3").arg(Target ? Target->Name() : QStringLiteral("none")).arg(X).arg(Y);
    };

    SendMessage(Source, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_TRUE(Source->Dragging());
    DragManager::Move(&Form, QPoint(19, 15));
    EXPECT_FALSE(DragManager::Started());
    DragManager::Move(&Form, QPoint(20, 15));
    EXPECT_TRUE(DragManager::Started());
    EXPECT_EQ(DragManager::Target(), Source);
    EXPECT_FALSE(DragManager::Accepted());
    DragManager::Move(&Form, QPoint(112, 12));
    DragManager::Move(&Form, QPoint(113, 14));
    DragManager::Move(&Form, QPoint(113, 112));
    DragManager::Release(&Form, QPoint(114, 113));
    EXPECT_FALSE(Source->Dragging());
    // Points are in the target's client coordinates, inside the box's frame.
    EXPECT_EQ(Log.Lines,
              (QStringList{"Yes enter yes from Source at 10,10", "Yes move yes from Source at 11,12",
                           "Yes leave yes from Source at 11,12", "No enter no from Source at 11,10",
                           "No move no from Source at 12,11", "No leave no from Source at 12,11"}));

    Log.Lines.clear();
    SendMessage(Source, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    DragManager::Move(&Form, QPoint(150, 30));
    DragManager::Release(&Form, QPoint(150, 30));
    EXPECT_EQ(Log.Lines, (QStringList{"Yes enter yes from Source at 48,28",
                                      "Yes move yes from Source at 48,28", "Yes drop Source at 48,28"}));
    // A press let go before five pixels is a click, not a drag.
    int Clicks = 0;
    Source->OnClick = [&](TComponent*) { ++Clicks; };
    SendMessage(Source, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    DragManager::Move(&Form, QPoint(18, 18));
    DragManager::Release(&Form, QPoint(18, 18));
    SendMessage(Source, WM_LBUTTONUP, 0, MAKELPARAM(8, 8));
    EXPECT_EQ(Clicks, 1);
    EXPECT_EQ(Ends, (QStringList{"none 0,0", "Yes 48,28", "none 0,0"}));
    EXPECT_FALSE(DragManager::Pending());
}

TEST(DragDrop, MouseMessagesClickOnceOnAReleaseOverThePressedControl) {
    TForm Form(nullptr);
    auto* Label = Place<TLabel>(&Form, "Label1", &Form, QRect(0, 0, 50, 20));
    auto* Button = Place<TSpeedButton>(&Form, "Tool1", &Form, QRect(60, 0, 25, 25));
    auto* Check = Place<TCheckBox>(&Form, "Check1", &Form, QRect(0, 30, 80, 17));
    QStringList Clicks;
    for (TControl* C : std::initializer_list<TControl*>{Label, Button, Check})
        C->OnClick = [&](TComponent* Sender) { Clicks << Sender->Name(); };
    auto Press = [](TControl* C, QPoint Up) {
        SendMessage(C, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        SendMessage(C, WM_LBUTTONUP, 0, MAKELPARAM(Up.x(), Up.y()));
    };
    Press(Label, QPoint(3, 3));
    Press(Label, QPoint(70, 3));
    Press(Button, QPoint(3, 3));
    Press(Check, QPoint(3, 3));
    EXPECT_EQ(Clicks, (QStringList{"Label1", "Tool1", "Check1"}));
    EXPECT_TRUE(Check->Checked());
}

} // namespace
