#include "host/forms.h"
#include "host/messages.h"
#include <QCoreApplication>
#include <QStringList>
#include <gtest/gtest.h>
#include <memory>

static void PrintTo(const QStringList& L, std::ostream* Out) {
    *Out << L.join(QStringLiteral(" | ")).toStdString();
}

namespace {

constexpr uint32_t WM_PING = WM_USER + 1;
constexpr uint32_t WM_ASK = WM_USER + 2;
constexpr uint32_t WM_FAIL = WM_USER + 3;
constexpr uint32_t WM_QUIT_SILENTLY = WM_USER + 4;
constexpr uint32_t WM_FREE_OTHER = WM_USER + 5;
constexpr uint32_t WM_POST_SELF = WM_USER + 6;

// Logs what it receives; some messages make it send, post, raise or free.
class TReceiver : public TComponent {
public:
    TReceiver(QStringList* ALog, const QString& AName) : TComponent(nullptr), FLog(ALog) { SetName(AName); }
    TReceiver* Peer = nullptr;
    TComponent* Other = nullptr;

    void WndProc(TMessage& Message) override {
        const QString Entry = QStringLiteral("%1:%2").arg(Name()).arg(Message.Msg - WM_USER);
        switch (Message.Msg) {
        case WM_PING:
            FLog->append(Entry);
            Message.Result = static_cast<LRESULT>(Message.WParam) + 1;
            return;
        case WM_ASK: {
            FLog->append(Entry + QStringLiteral(" begin"));
            // Nested: the peer answers before this handler goes on.
            const LRESULT Answer = SendMessage(Peer, Peer && Message.WParam > 0 ? WM_ASK : WM_PING,
                                               Message.WParam > 0 ? Message.WParam - 1 : 41);
            FLog->append(Entry + QStringLiteral(" end"));
            Message.Result = Answer * 10;
            return;
        }
        case WM_FAIL:
            FLog->append(Entry);
            throw Exception(QStringLiteral("handler failed"));
        case WM_QUIT_SILENTLY:
            FLog->append(Entry);
            Abort();
        case WM_FREE_OTHER:
            FLog->append(Entry);
            delete Other;
            Other = nullptr;
            return;
        case WM_POST_SELF:
            PostMessage(this, WM_PING);
            FLog->append(Entry + QStringLiteral(" posted"));
            return;
        }
        TComponent::WndProc(Message);
    }

private:
    QStringList* FLog;
};

class Messages : public ::testing::Test {
protected:
    void SetUp() override {
        ResetApplication();
        Application()->OnException = [this](TComponent*, const Exception& E) { Errors << E.Message(); };
    }
    void TearDown() override { ResetApplication(); }
    QStringList Log;
    QStringList Errors;
};

TEST_F(Messages, APostedMessageToAReceiverFreedBeforeDeliveryIsDropped) {
    auto* Gone = new TReceiver(&Log, QStringLiteral("Gone"));
    TReceiver Stays(&Log, QStringLiteral("Stays"));
    PostMessage(Gone, WM_PING);
    PostMessage(&Stays, WM_PING);
    PostMessage(Gone, WM_PING);
    EXPECT_EQ(PostedMessageCount(), 3);
    delete Gone;
    EXPECT_EQ(PostedMessageCount(), 1);
    // A new receiver may get the freed one's address; it must not get its messages.
    auto Fresh = std::make_unique<TReceiver>(&Log, QStringLiteral("Fresh"));
    Application()->ProcessMessages();
    EXPECT_EQ(Log, (QStringList{"Stays:1"}));
}

TEST_F(Messages, AMessageAboutAComponentFreedBeforeDeliveryIsDropped) {
    TReceiver Band(&Log, QStringLiteral("Band"));
    auto* Label = new TComponent(nullptr);
    auto* Kept = new TComponent(nullptr);
    PostMessage(&Band, WM_PING, 0, Label);
    PostMessage(&Band, WM_PING, 1, Kept);
    delete Label;
    EXPECT_EQ(DeliverPostedMessages(), 1);
    EXPECT_EQ(Log, (QStringList{"Band:1"}));
    delete Kept;
}

TEST_F(Messages, AHandlerThatFreesALaterReceiverDropsItsMessages) {
    TReceiver First(&Log, QStringLiteral("First"));
    auto* Second = new TReceiver(&Log, QStringLiteral("Second"));
    First.Other = Second;
    PostMessage(&First, WM_FREE_OTHER);
    PostMessage(Second, WM_PING);
    Application()->ProcessMessages();
    EXPECT_EQ(Log, (QStringList{"First:5"}));
    EXPECT_EQ(PostedMessageCount(), 0);
}

TEST_F(Messages, SentMessagesNestAndReturnTheirResults) {
    TReceiver A(&Log, QStringLiteral("A"));
    TReceiver B(&Log, QStringLiteral("B"));
    A.Peer = &B;
    B.Peer = &A;
    // A asks B, which asks A, which pings B: each answer is known before the asker goes on.
    EXPECT_EQ(SendMessage(&A, WM_ASK, 2), 42000);
    EXPECT_EQ(Log,
              (QStringList{"A:2 begin", "B:2 begin", "A:2 begin", "B:1", "A:2 end", "B:2 end", "A:2 end"}));
    EXPECT_EQ(A.Perform(WM_PING, 6), 7);
    EXPECT_EQ(SendMessage(nullptr, WM_PING), 0);
}

TEST_F(Messages, AMessagePostedWhileHandlingWaitsUntilTheHandlerEnds) {
    TReceiver A(&Log, QStringLiteral("A"));
    PostMessage(&A, WM_POST_SELF);
    EXPECT_TRUE(HasPostedMessage(&A, WM_POST_SELF));
    EXPECT_FALSE(HasPostedMessage(&A, WM_PING));
    EXPECT_EQ(Log, QStringList());
    Application()->ProcessMessages();
    EXPECT_EQ(Log, (QStringList{"A:6 posted", "A:1"}));
}

TEST_F(Messages, AnExceptionInAPostedHandlerReachesTheApplicationAndDeliveryGoesOn) {
    TReceiver A(&Log, QStringLiteral("A"));
    PostMessage(&A, WM_FAIL);
    PostMessage(&A, WM_QUIT_SILENTLY);
    PostMessage(&A, WM_PING);
    Application()->ProcessMessages();
    EXPECT_EQ(Log, (QStringList{"A:3", "A:4", "A:1"}));
    // The silent abort is not reported.
    EXPECT_EQ(Errors, (QStringList{"handler failed"}));
}

TEST_F(Messages, AnExceptionOfASentMessageGoesToTheApplicationButPerformPassesItOn) {
    TReceiver A(&Log, QStringLiteral("A"));
    EXPECT_EQ(SendMessage(&A, WM_FAIL), 0);
    EXPECT_EQ(Errors, (QStringList{"handler failed"}));
    EXPECT_THROW(A.Perform(WM_FAIL), Exception);
    EXPECT_EQ(Errors.size(), 1);
}

TEST_F(Messages, QtsEventLoopDeliversPostedMessagesToo) {
    TReceiver A(&Log, QStringLiteral("A"));
    PostMessage(&A, WM_PING);
    QCoreApplication::processEvents();
    EXPECT_EQ(Log, (QStringList{"A:1"}));
    EXPECT_EQ(PostedMessageCount(), 0);
}

TEST_F(Messages, UnhandledMessagesAnswerZero) {
    TReceiver A(&Log, QStringLiteral("A"));
    EXPECT_EQ(A.Perform(WM_USER + 0x3F, 1, 2), 0);
    EXPECT_FALSE(PostMessage(nullptr, WM_PING));
}

} // namespace
