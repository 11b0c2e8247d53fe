#include "host/messages.h"
#include "host/controls.h"
#include "host/exceptions.h"
#include <QCoreApplication>
#include <QMetaObject>
#include <QtDebug>
#include <algorithm>
#include <deque>

namespace {

struct TPostedMessage {
    TComponent* Receiver;
    const TComponent* Subject; // a component the message refers to, or nullptr
    TMessage Message;
};

// Never destroyed, so that components freed during program exit can still purge it.
std::deque<TPostedMessage>& Queue() {
    static auto* Posted = new std::deque<TPostedMessage>();
    return *Posted;
}

bool DeliveryScheduled = false;

TMessageExceptionHandler& ExceptionHandler() {
    static auto* Handler = new TMessageExceptionHandler();
    return *Handler;
}

// Without an application object nobody can show the error, but it must not vanish unseen.
void HandleException(TComponent* Sender) {
    if (ExceptionHandler()) {
        ExceptionHandler()(Sender);
        return;
    }
    try {
        throw;
    } catch (const EAbort&) {
    } catch (const Exception& E) {
        qWarning().noquote() << E.Message();
    } catch (const std::exception& E) {
        qWarning() << E.what();
    } catch (...) {
        qWarning() << "Unknown exception";
    }
}

// Under a running Qt event loop nobody may call ProcessMessages, so one delivery is queued with Qt
// whenever the queue fills.
void ScheduleDelivery() {
    QCoreApplication* App = QCoreApplication::instance();
    if (DeliveryScheduled || !App) return;
    DeliveryScheduled = true;
    QMetaObject::invokeMethod(
        App,
        [] {
            DeliveryScheduled = false;
            DeliverPostedMessages();
        },
        Qt::QueuedConnection);
}

// A windowed receiver gets its handle when the first message is addressed to it.
void TargetNeeded(TComponent* Receiver) {
    if (auto* Window = dynamic_cast<TWinControl*>(Receiver)) Window->HandleNeeded();
}

bool Post(TComponent* Receiver, const TComponent* Subject, uint32_t Msg, WPARAM WParam, LPARAM LParam) {
    if (!Receiver) return false;
    TargetNeeded(Receiver);
    TPostedMessage Entry{Receiver, Subject, TMessage{}};
    Entry.Message.Msg = Msg;
    Entry.Message.WParam = WParam;
    Entry.Message.LParam = LParam;
    Queue().push_back(Entry);
    ScheduleDelivery();
    return true;
}

} // namespace

void SetMessageExceptionHandler(TMessageExceptionHandler Handler) {
    ExceptionHandler() = std::move(Handler);
}

LRESULT SendMessage(TComponent* Receiver, uint32_t Msg, WPARAM WParam, LPARAM LParam) {
    if (!Receiver) return 0;
    TargetNeeded(Receiver);
    try {
        return Receiver->Perform(Msg, WParam, LParam);
    } catch (...) {
        HandleException(Receiver);
        return 0;
    }
}

bool PostMessage(TComponent* Receiver, uint32_t Msg, WPARAM WParam, LPARAM LParam) {
    return Post(Receiver, nullptr, Msg, WParam, LParam);
}

bool PostMessage(TComponent* Receiver, uint32_t Msg, WPARAM WParam, TComponent* Subject) {
    return Post(Receiver, Subject, Msg, WParam, reinterpret_cast<LPARAM>(Subject));
}

int DeliverPostedMessages() {
    int Delivered = 0;
    // Taken one at a time: a handler may post, deliver nested or free receivers still waiting.
    while (!Queue().empty()) {
        TPostedMessage Entry = Queue().front();
        Queue().pop_front();
        ++Delivered;
        try {
            Entry.Receiver->Dispatch(Entry.Message);
        } catch (...) {
            HandleException(Entry.Receiver);
        }
    }
    return Delivered;
}

int PostedMessageCount() {
    return static_cast<int>(Queue().size());
}

bool HasPostedMessage(const TComponent* Receiver, uint32_t Msg) {
    return std::any_of(Queue().begin(), Queue().end(), [&](const TPostedMessage& E) {
        return E.Receiver == Receiver && E.Message.Msg == Msg;
    });
}

void RemovePostedMessages(const TComponent* Component) {
    auto& Posted = Queue();
    if (Posted.empty()) return;
    std::erase_if(Posted,
                  [&](const TPostedMessage& E) { return E.Receiver == Component || E.Subject == Component; });
}

void ClearPostedMessages() {
    Queue().clear();
}
