#include "host/forms.h"
#include "support/scripteddialogs.h"
#include <QStringList>
#include <functional>
#include <gtest/gtest.h>

static void PrintTo(const QStringList& L, std::ostream* Out) {
    *Out << L.join(QStringLiteral(" | ")).toStdString();
}

namespace {

class ApplicationObject : public ::testing::Test {
protected:
    void SetUp() override { ResetApplication(); }
    void TearDown() override { ResetApplication(); }
};

// A label-like component with a user event, printed in a loop that must go on after a failure.
class TPrinting : public TComponent {
public:
    using TComponent::TComponent;
    std::function<void(TComponent*)> OnBeforePrint;
    int Printed = 0;
    void Print() {
        CallEventHandler(this, [this] { OnBeforePrint(this); });
        ++Printed;
    }
};

TEST_F(ApplicationObject, AnExceptionInAnEventHandlerReachesTheApplicationAndTheCallerGoesOn) {
    QStringList Seen;
    TComponent* SeenSender = nullptr;
    Application()->OnException = [&](TComponent* Sender, const Exception& E) {
        Seen << E.Message();
        SeenSender = Sender;
    };
    TPrinting Label(nullptr);
    int Calls = 0;
    Label.OnBeforePrint = [&](TComponent*) {
        if (++Calls == 2) throw EConvertError(QStringLiteral("'abc' is not a valid integer value"));
        if (Calls == 3) throw std::runtime_error("out of range");
        if (Calls == 4) Abort();
    };
    for (int i = 0; i < 5; ++i)
        Label.Print();
    EXPECT_EQ(Label.Printed, 5);
    EXPECT_EQ(Seen, (QStringList{"'abc' is not a valid integer value", "out of range"}));
    EXPECT_EQ(SeenSender, &Label);
    EXPECT_TRUE(CallEventHandler(&Label, nullptr));
}

TEST_F(ApplicationObject, WithoutAHandlerTheExceptionIsShownInAnErrorBox) {
    TScriptedDialogs Script;
    Script.Answer(mrOk);
    Application()->SetTitle(QStringLiteral("Reports"));
    EXPECT_FALSE(CallEventHandler(nullptr, [] { throw Exception(QStringLiteral("Printer is busy")); }));
    EXPECT_EQ(Script.Last().Text, QStringLiteral("Printer is busy."));
    EXPECT_EQ(Script.Last().Caption, QStringLiteral("Reports"));
    EXPECT_EQ(Script.Last().DlgType, mtError);
    EXPECT_EQ(Script.Last().Buttons, mbOK);
}

TEST_F(ApplicationObject, ResetFreesTheFormsTheApplicationOwns) {
    auto* A = Application()->CreateForm<TForm>();
    A->SetName(QStringLiteral("PageManager"));
    Application()->CreateForm<TForm>();
    auto* Holder = new TComponent(nullptr);
    A->FreeNotification(Holder);
    EXPECT_EQ(Application()->ComponentCount(), 2);
    EXPECT_EQ(Application()->FindComponent(QStringLiteral("pagemanager")), A);
    ResetApplication();
    EXPECT_EQ(Application()->ComponentCount(), 0);
    delete Holder;
}

TEST_F(ApplicationObject, TheScreenHas96PixelsPerInchInTestsAndCanBeSet) {
    EXPECT_EQ(Screen()->PixelsPerInch(), 96);
    Screen()->SetPixelsPerInch(120);
    EXPECT_EQ(Screen()->PixelsPerInch(), 120);
    Screen()->SetPixelsPerInch(0);
    EXPECT_EQ(Screen()->PixelsPerInch(), 120);
    Screen()->SetCursor(crHourGlass);
    EXPECT_EQ(Screen()->Cursor(), crHourGlass);
    ResetApplication();
    EXPECT_EQ(Screen()->PixelsPerInch(), 96);
    EXPECT_EQ(Screen()->Cursor(), crDefault);
    EXPECT_GT(Screen()->Width(), 0);
}

TEST_F(ApplicationObject, AReleasedFormIsFreedWhenMessagesAreProcessed) {
    auto* Form = Application()->CreateForm<TForm>();
    auto* Holder = new TComponent(nullptr);
    bool Gone = false;
    struct TWatch : TComponent {
        using TComponent::TComponent;
        bool* Flag = nullptr;
        void Notification(TComponent* C, TOperation Op) override {
            TComponent::Notification(C, Op);
            if (Op == opRemove && C != this) *Flag = true;
        }
    };
    auto* Watch = new TWatch(nullptr);
    Watch->Flag = &Gone;
    Form->FreeNotification(Watch);
    Form->Release();
    Form->Release(); // a second release finds the form gone
    EXPECT_FALSE(Gone);
    Application()->ProcessMessages();
    EXPECT_TRUE(Gone);
    EXPECT_EQ(Application()->ComponentCount(), 0);
    delete Watch;
    delete Holder;
}

TEST_F(ApplicationObject, ClosingAFormAsksFirstAndDoesWhatOnCloseSays) {
    TForm Form(nullptr);
    QStringList Log;
    bool Allow = false;
    Form.OnCloseQuery = [&](TComponent*, bool& CanClose) {
        Log << "query";
        CanClose = Allow;
    };
    Form.OnClose = [&](TComponent*, TCloseAction& Action) {
        Log << "close";
        Action = caMinimize;
    };
    Form.OnHide = [&](TComponent*) { Log << "hide"; };
    Form.Show();
    Form.Close();
    EXPECT_TRUE(Form.Visible());
    Allow = true;
    Form.Close();
    EXPECT_EQ(Form.WindowState(), wsMinimized);
    Form.OnClose = nullptr;
    Form.Close();
    EXPECT_FALSE(Form.Visible());
    EXPECT_EQ(Log, (QStringList{"query", "query", "close", "query", "hide"}));
}

} // namespace
