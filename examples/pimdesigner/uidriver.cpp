#include "uidriver.h"
#include "host/controls.h"
#include "host/dialogs.h"
#include "host/forms.h"
#include "host/menus.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <memory>
#include <vector>

void FromEventLoop(const std::function<void()>& Steps) {
    QEventLoop Loop;
    QTimer::singleShot(0, &Loop, [&] {
        Steps();
        // What the steps posted comes before the loop ends.
        QTimer::singleShot(0, &Loop, [&Loop] { Loop.quit(); });
    });
    Loop.exec();
}

void HandlePendingEvents() {
    for (int i = 0; i < 3; ++i)
        FromEventLoop([] {});
}

namespace {

void SendMouse(QWidget* View, QEvent::Type Type, QPoint At, Qt::MouseButton Button, Qt::MouseButtons Held,
               Qt::KeyboardModifiers Keys) {
    if (!View) return;
    const QPoint Global = View->mapToGlobal(At);
    QMouseEvent Event(Type, QPointF(At), QPointF(Global), Button, Held, Keys);
    QApplication::sendEvent(View, &Event);
}

} // namespace

void ClickView(QWidget* View, QPoint At, Qt::MouseButton Button, Qt::KeyboardModifiers Keys) {
    QPointer<QWidget> Guard(View);
    SendMouse(View, QEvent::MouseButtonPress, At, Button, Button, Keys);
    if (Guard) SendMouse(View, QEvent::MouseButtonRelease, At, Button, Qt::NoButton, Keys);
}

void DoubleClickView(QWidget* View, QPoint At) {
    QPointer<QWidget> Guard(View);
    ClickView(View, At);
    if (Guard)
        SendMouse(View, QEvent::MouseButtonDblClick, At, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    if (Guard) SendMouse(View, QEvent::MouseButtonRelease, At, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
}

void MoveInView(QWidget* View, QPoint At, Qt::MouseButtons Held) {
    SendMouse(View, QEvent::MouseMove, At, Qt::NoButton, Held, Qt::NoModifier);
}

void PressKey(QWidget* View, int Key, Qt::KeyboardModifiers Keys) {
    QPointer<QWidget> Guard(View);
    QKeyEvent Press(QEvent::KeyPress, Key, Keys);
    QApplication::sendEvent(View, &Press);
    QKeyEvent Release(QEvent::KeyRelease, Key, Keys);
    if (Guard) QApplication::sendEvent(View, &Release);
}

QPoint ViewPointOf(const TControl* Control, const TWinControl* Window, QPoint Client) {
    QPoint At = Control->ClientToParent(Client, Window);
    // A form's window shows its client area; a list's or a grid's view shows the whole control.
    if (!dynamic_cast<const TCustomForm*>(Window)) At += Window->ClientOrigin();
    return At;
}

QPoint ViewCentreOf(const TControl* Control, const TWinControl* Window) {
    return ViewPointOf(Control, Window, QPoint(Control->ClientWidth() / 2, Control->ClientHeight() / 2));
}

namespace {

QAction* EntryOf(QMenu* Menu, const QString& Step) {
    for (QAction* A : Menu->actions())
        if (!A->isSeparator() && (A->objectName() == Step || StripHotkey(A->text()) == Step)) return A;
    return nullptr;
}

QStringList EntriesOf(QMenu* Menu) {
    QStringList Entries;
    for (QAction* A : Menu->actions()) {
        QString Name = A->objectName().isEmpty() ? StripHotkey(A->text()) : A->objectName();
        Entries << (A->isSeparator() ? QStringLiteral("-")
                    : A->isEnabled() ? Name
                                     : Name + QStringLiteral(" (off)"));
    }
    return Entries;
}

// Notes the freeing of each menu of a popup, and whether it came while the menu handled an event of
// its own that the driver sent.
class TMenuFreeWatch {
public:
    explicit TMenuFreeWatch(QMenu* Root) {
        std::vector<QMenu*> Menus{Root};
        for (QMenu* Sub : Root->findChildren<QMenu*>())
            Menus.push_back(Sub);
        for (QMenu* Menu : Menus)
            QObject::connect(Menu, &QObject::destroyed, [State = FState] {
                if (State->Sending) State->FreedInOwnEvent = true;
            });
    }
    // Sends Event to Menu, noting a menu freed meanwhile.
    void Send(QMenu* Menu, QEvent* Event) {
        FState->Sending = true;
        QApplication::sendEvent(Menu, Event);
        FState->Sending = false;
    }
    bool FreedInOwnEvent() const { return FState->FreedInOwnEvent; }

private:
    struct TState {
        bool Sending = false;
        bool FreedInOwnEvent = false;
    };
    std::shared_ptr<TState> FState = std::make_shared<TState>();
};

QPoint CentreOf(QMenu* Menu, QAction* Action) {
    return Menu->actionGeometry(Action).center();
}

void SendToMenu(TMenuFreeWatch& Watch, QMenu* Menu, QEvent::Type Type, QPoint At, Qt::MouseButtons Held) {
    QMouseEvent Event(Type, QPointF(At), QPointF(Menu->mapToGlobal(At)), Qt::LeftButton, Held,
                      Qt::NoModifier);
    Watch.Send(Menu, &Event);
}

void KeyToMenu(TMenuFreeWatch& Watch, QMenu* Menu, int Key) {
    QKeyEvent Event(QEvent::KeyPress, Key, Qt::NoModifier);
    Watch.Send(Menu, &Event);
}

} // namespace

TMenuChoice ChooseFromPopup(const std::function<void()>& Open, const QStringList& Path) {
    TMenuChoice Result;
    FromEventLoop([&] {
        Open();
        QPointer<QMenu> Root = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!Root) return;
        Result.Shown = true;
        TMenuFreeWatch Watch(Root);
        QPointer<QMenu> Menu = Root;
        for (int i = 0; i < Path.size() && Menu; ++i) {
            Result.Entries = EntriesOf(Menu);
            QAction* Action = EntryOf(Menu, Path[i]);
            if (!Action || !Action->isEnabled()) break;
            const QPoint At = CentreOf(Menu, Action);
            if (i + 1 < Path.size()) {
                // Highlighted by a press, opened with the Right key.
                if (!Action->menu()) break;
                SendToMenu(Watch, Menu, QEvent::MouseButtonPress, At, Qt::LeftButton);
                if (Menu) KeyToMenu(Watch, Menu, Qt::Key_Right);
                Menu = Action->menu();
                if (!Menu || !Menu->isVisible()) break;
                continue;
            }
            if (Action->menu()) break;
            SendToMenu(Watch, Menu, QEvent::MouseButtonPress, At, Qt::LeftButton);
            if (Menu) SendToMenu(Watch, Menu, QEvent::MouseButtonRelease, At, Qt::NoButton);
            Result.Chosen = true;
        }
        // A path that led nowhere leaves the popup open: Escape closes each menu of it.
        for (int i = 0; i < 4 && !Result.Chosen; ++i)
            if (auto* Open = qobject_cast<QMenu*>(QApplication::activePopupWidget()))
                KeyToMenu(Watch, Open, Qt::Key_Escape);
        Result.FreedInOwnEvent = Watch.FreedInOwnEvent();
        // The popup goes soon after the choice, from the event loop.
        for (int i = 0; i < 10 && Root; ++i)
            QCoreApplication::processEvents();
        Result.FreedAfter = !Root;
    });
    return Result;
}

TMenuChoice RightClickChoose(QWidget* View, QPoint At, const QStringList& Path) {
    return ChooseFromPopup([&] { ClickView(View, At, Qt::RightButton); }, Path);
}

TModalAnswerer::TModalAnswerer() : FAnswerable(DialogsCanBeAnswered()) {
    SetUnattendedDialogs(true);
    QApplication::instance()->installEventFilter(this);
}

TModalAnswerer::~TModalAnswerer() {
    QApplication::instance()->removeEventFilter(this);
    SetUnattendedDialogs(FAnswerable);
}

bool TModalAnswerer::eventFilter(QObject* Watched, QEvent* Event) {
    auto* Window = qobject_cast<QWidget*>(Watched);
    if (Event->type() != QEvent::Show || !Window || !Window->isWindow() || !Window->isModal()) return false;
    QPointer<QWidget> Shown(Window);
    if (auto* Box = qobject_cast<QMessageBox*>(Window)) {
        Texts << Box->text();
        QAbstractButton* Answer = Box->button(QMessageBox::Yes);
        if (!Answer) Answer = Box->button(QMessageBox::Ok);
        if (!Answer && !Box->buttons().isEmpty()) Answer = Box->buttons().front();
        QPointer<QAbstractButton> Button(Answer);
        // The box answers from its own loop, once it runs.
        QTimer::singleShot(0, Box, [Button] {
            if (Button) ClickView(Button, Button->rect().center());
        });
    } else {
        QTimer::singleShot(0, Window, [Shown] {
            if (Shown) Shown->close();
        });
    }
    return false;
}
