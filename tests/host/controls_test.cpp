#include "host/controls.h"
#include "host/forms.h"
#include <QStringList>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

static void PrintTo(const QRect& R, std::ostream* Out) {
    *Out << "(" << R.left() << "," << R.top() << " " << R.width() << "x" << R.height() << ")";
}

namespace {

class TReportBox : public TScrollBox {
public:
    using TScrollBox::TScrollBox;
};

// Accepts only a report as parent, and keeps a registry of its child strips, as a page does.
class TPageBox : public TScrollBox {
public:
    using TScrollBox::TScrollBox;
    void SetParent(TWinControl* AParent) override {
        if (AParent && !dynamic_cast<TReportBox*>(AParent)) Abort();
        TScrollBox::SetParent(AParent);
    }
    std::vector<TControl*> Strips;
};

// Leaves its page's registry when freed, reaching the page through its parent.
class TStrip : public TCustomPanel {
public:
    using TCustomPanel::TCustomPanel;
    void SetParent(TWinControl* AParent) override {
        if (AParent && !dynamic_cast<TPageBox*>(AParent)) Abort();
        TCustomPanel::SetParent(AParent);
        if (auto* Page = dynamic_cast<TPageBox*>(AParent)) Page->Strips.push_back(this);
    }
    ~TStrip() override {
        if (auto* Page = dynamic_cast<TPageBox*>(Parent())) std::erase(Page->Strips, this);
    }
};

TEST(Controls, AParentOfTheWrongClassIsRefusedWithTheSilentAbort) {
    TForm Form(nullptr);
    auto* Report = new TReportBox(&Form);
    Report->SetParent(&Form);
    auto* Page = new TPageBox(&Form);
    EXPECT_THROW(Page->SetParent(&Form), EAbort);
    EXPECT_EQ(Page->Parent(), nullptr);
    EXPECT_EQ(Form.ControlCount(), 1);
    Page->SetParent(Report);
    auto* Strip = new TStrip(&Form);
    EXPECT_THROW(Strip->SetParent(Report), EAbort);
    Strip->SetParent(Page);
    EXPECT_EQ(Page->Strips.size(), 1u);
    // The refusal reaches the application's handler without a message.
    int Reported = 0;
    Application()->OnException = [&](TComponent*, const Exception&) { ++Reported; };
    CallEventHandler(Strip, [&] { Strip->SetParent(Report); });
    EXPECT_EQ(Reported, 0);
    EXPECT_EQ(Strip->Parent(), Page);
    ResetApplication();
    EXPECT_THROW(Report->SetParent(Page), EInvalidOperation); // its own grandchild
}

TEST(Controls, FreeingAParentFreesItsChildrenWhileItIsStillWhole) {
    auto* Form = new TForm(nullptr);
    auto* Report = new TReportBox(Form);
    Report->SetParent(Form);
    auto* Page = new TPageBox(Form);
    Page->SetParent(Report);
    for (int i = 0; i < 3; ++i)
        (new TStrip(Form))->SetParent(Page);
    EXPECT_EQ(Form->ComponentCount(), 5);
    // Each strip leaves the page's registry in its destructor; the page's members are still alive.
    EXPECT_EQ(Page->Strips.size(), 3u);
    delete Page;
    EXPECT_EQ(Form->ComponentCount(), 1);
    EXPECT_EQ(Report->ControlCount(), 0);
    Page = new TPageBox(Form);
    Page->SetParent(Report);
    (new TStrip(Form))->SetParent(Page);
    delete Form; // the form frees the report, the report the page, the page the strip
}

TEST(Controls, AlignedChildrenFillTheirParentEdgeByEdge) {
    TForm Form(nullptr);
    Form.SetBounds(0, 0, 400, 300);
    auto* Header = new TStrip(&Form);
    auto* Footer = new TStrip(&Form);
    auto* Side = new TStrip(&Form);
    auto* Body = new TStrip(&Form);
    auto* Loose = new TStrip(&Form);
    for (TControl* C : {Header, Footer, Side, Body, Loose})
        static_cast<TWinControl*>(&Form)->InsertControl(C);
    Header->SetHeight(40);
    Footer->SetHeight(30);
    Side->SetWidth(50);
    Loose->SetBounds(7, 8, 9, 10);
    Header->SetAlign(alTop);
    Footer->SetAlign(alBottom);
    Side->SetAlign(alLeft);
    Body->SetAlign(alClient);
    EXPECT_EQ(Header->BoundsRect(), QRect(0, 0, 400, 40));
    EXPECT_EQ(Footer->BoundsRect(), QRect(0, 270, 400, 30));
    EXPECT_EQ(Side->BoundsRect(), QRect(0, 40, 50, 230));
    EXPECT_EQ(Body->BoundsRect(), QRect(50, 40, 350, 230));
    EXPECT_EQ(Loose->BoundsRect(), QRect(7, 8, 9, 10));
    Form.SetWidth(500);
    EXPECT_EQ(Body->BoundsRect(), QRect(50, 40, 450, 230));
    Header->Hide();
    EXPECT_EQ(Side->BoundsRect(), QRect(0, 0, 50, 270));
    // A second top strip placed above the first goes first.
    Header->Show();
    auto* Title = new TStrip(&Form);
    Title->SetBounds(0, -5, 10, 20);
    Form.InsertControl(Title);
    Title->SetAlign(alTop);
    EXPECT_EQ(Title->BoundsRect(), QRect(0, 0, 500, 20));
    EXPECT_EQ(Header->BoundsRect(), QRect(0, 20, 500, 40));
}

TEST(Controls, ChildrenFollowTheParentsFontAndColourUntilGivenTheirOwn) {
    TForm Form(nullptr);
    auto* Page = new TPageBox(&Form);
    Form.InsertControl(Page);
    auto* Strip = new TStrip(&Form);
    Page->InsertControl(Strip);
    Strip->SetParentColor(true);
    Form.Font()->SetName(QStringLiteral("Times New Roman"));
    Form.Font()->SetSize(12);
    EXPECT_EQ(Strip->Font()->Name(), QStringLiteral("Times New Roman"));
    EXPECT_EQ(Strip->Font()->Size(), 12);
    EXPECT_TRUE(Strip->ParentFont());
    Strip->Font()->SetSize(9);
    EXPECT_FALSE(Strip->ParentFont());
    Form.Font()->SetSize(14);
    EXPECT_EQ(Strip->Font()->Size(), 9);
    EXPECT_EQ(Page->Font()->Size(), 14);
    Strip->SetParentFont(true);
    EXPECT_EQ(Strip->Font()->Size(), 14);

    Page->SetColor(0x00FF00);
    EXPECT_EQ(Strip->Color(), 0x00FF00);
    Strip->SetColor(0x0000FF);
    EXPECT_FALSE(Strip->ParentColor());
    Page->SetColor(0x123456);
    EXPECT_EQ(Strip->Color(), 0x0000FF);
}

TEST(Controls, InvalidationIsObservableAndQuietWhileLoading) {
    std::vector<TControl*> Seen;
    SetInvalidateHook([&](TControl* C) { Seen.push_back(C); });
    TForm Form(nullptr);
    auto* Strip = new TStrip(&Form);
    Form.InsertControl(Strip);
    Seen.clear();
    Strip->SetCaption(QStringLiteral("Detail"));
    EXPECT_EQ(Seen, std::vector<TControl*>{Strip});
    Strip->SetCaption(QStringLiteral("Detail")); // no change, no repaint
    EXPECT_EQ(Seen.size(), 1u);
    Form.BeginLoading();
    Strip->SetBounds(1, 2, 3, 4);
    Strip->SetCaption(QStringLiteral("Header"));
    EXPECT_EQ(Seen.size(), 1u);
    Form.EndLoading();
    Strip->Invalidate();
    EXPECT_EQ(Seen.size(), 2u);
    SetInvalidateHook(nullptr);
    Strip->Invalidate();
    EXPECT_EQ(Seen.size(), 2u);
}

// Counts the notifications a container sends itself.
class TListening : public TWinControl {
public:
    using TWinControl::TWinControl;
    QStringList Log;
    void WndProc(TMessage& Message) override {
        if (Message.Msg == CM_CONTROLLISTCHANGE)
            Log << QStringLiteral("%1 %2").arg(Message.LParam ? "+" : "-",
                                               reinterpret_cast<TControl*>(Message.WParam)->Name());
        TWinControl::WndProc(Message);
    }
};

TEST(Controls, AContainerIsToldWhenChildrenComeAndGoAndHasAHandleOnDemand) {
    TListening Box(nullptr);
    auto* A = new TControl(&Box);
    A->SetName(QStringLiteral("A"));
    A->SetParent(&Box);
    auto* B = new TControl(&Box);
    B->SetName(QStringLiteral("B"));
    B->SetParent(&Box);
    B->SendToBack();
    EXPECT_EQ(Box.Controls(0), B);
    EXPECT_EQ(Box.FindChildControl(QStringLiteral("a")), A);
    delete A;
    EXPECT_EQ(Box.Log, (QStringList{"+ A", "+ B", "- A"}));
    EXPECT_FALSE(Box.HandleAllocated());
    const uintptr_t H = Box.Handle();
    EXPECT_NE(H, 0u);
    EXPECT_EQ(Box.Handle(), H);
    TWinControl Other(nullptr);
    EXPECT_NE(Other.Handle(), H);
    // A message addressed to a control makes its handle.
    TWinControl Addressed(nullptr);
    SendMessage(&Addressed, WM_USER);
    EXPECT_TRUE(Addressed.HandleAllocated());
    EXPECT_TRUE(Box.ContainsControl(B));
    EXPECT_EQ(B->ClientToParent(QPoint(1, 1)), QPoint(1, 1));
}

TEST(Controls, AScrollBoxMovesItsChildrenWhenScrolled) {
    TScrollBox Box(nullptr);
    auto* C = new TControl(&Box);
    C->SetParent(&Box);
    C->SetBounds(10, 20, 30, 40);
    Box.ScrollBy(5, 15);
    EXPECT_EQ(C->BoundsRect(), QRect(5, 5, 30, 40));
    EXPECT_EQ(Box.VertScrollBar().Position, 15);
    EXPECT_EQ(C->ClientToParent(QPoint(2, 3)), QPoint(7, 8));
}

TEST(Controls, WindowlessStripControlsClickOnlyOnAChangeAndPaintThroughTheirHandler) {
    TCustomPanel Strip(nullptr);
    auto* Check = new TCheckBox(&Strip);
    Check->SetParent(&Strip);
    int Clicks = 0;
    Check->OnClick = [&](TComponent* Sender) {
        EXPECT_EQ(Sender, Check);
        ++Clicks;
    };
    Check->SetChecked(false);
    Check->SetChecked(true);
    Check->SetChecked(true);
    Check->Toggle();
    EXPECT_EQ(Clicks, 2);
    EXPECT_FALSE(Check->Checked());
    EXPECT_FALSE(Check->HandleAllocated());
    auto* Arrow = new TPaintBox(&Strip);
    TCanvas* Painted = nullptr;
    Arrow->OnPaint = [&](TComponent* Sender) { Painted = dynamic_cast<TPaintBox*>(Sender)->Canvas(); };
    Arrow->Paint();
    EXPECT_EQ(Painted, Arrow->Canvas());
    auto* Label = new TLabel(&Strip);
    Label->SetTransparent(true);
    EXPECT_TRUE(Label->Transparent());
}

} // namespace
