#pragma once
#include <QObject>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <Qt>
#include <functional>

class QWidget;
class TControl;
class TWinControl;

// Works the windows as a user does: mouse and key events handed to the widgets as the window system
// hands them, and popup menus chosen from the Qt menu they show, while an event loop runs. The
// designer's scripted session and the tests of the tool windows drive them so; what Qt's own code
// does with the windows is then what a user's clicks make it do.

// Runs Steps from inside a running event loop and returns once they are done and the events they
// left waiting have been handled.
void FromEventLoop(const std::function<void()>& Steps);
// Lets the event loop handle what is waiting, a few rounds.
void HandlePendingEvents();

// A press and a release of Button at At (View's coordinates); Keys held.
void ClickView(QWidget* View, QPoint At, Qt::MouseButton Button = Qt::LeftButton,
               Qt::KeyboardModifiers Keys = Qt::NoModifier);
void DoubleClickView(QWidget* View, QPoint At);
// The pointer moved to At with Held down.
void MoveInView(QWidget* View, QPoint At, Qt::MouseButtons Held = Qt::NoButton);
// A press and release of a key.
void PressKey(QWidget* View, int Key, Qt::KeyboardModifiers Keys = Qt::NoModifier);

// Where a point of Control's client area lies in the view of Window, a windowed control with a view
// of its own (a list, a grid) or a form whose window paints its controls; Window is Control or one of
// its parents.
QPoint ViewPointOf(const TControl* Control, const TWinControl* Window, QPoint Client);
// The middle of Control in Window's view.
QPoint ViewCentreOf(const TControl* Control, const TWinControl* Window);

// What choosing from a popup menu came to.
struct TMenuChoice {
    // A popup menu showed after Open.
    bool Shown = false;
    // Every step of the path was an enabled entry, and the last one was clicked.
    bool Chosen = false;
    // A menu of the popup was freed while one of its own events was being handled: Qt's code went
    // on in freed memory.
    bool FreedInOwnEvent = false;
    // The shown popup was freed once the choice was over.
    bool FreedAfter = false;
    // The entries of the menu the last step was looked up in, as "name" or "name (off)"; a
    // separator is "-".
    QStringList Entries;
};

// Runs Open (a right click, say) from the event loop, then works the popup it showed: each step of
// Path names an entry, by its object name or its caption without accelerator marks; a submenu's entry
// is highlighted and opened with the Right key, the last entry pressed and released with the mouse.
// A path that leads nowhere closes the popup with Escape. Returns what happened.
TMenuChoice ChooseFromPopup(const std::function<void()>& Open, const QStringList& Path);
// Answers the modal windows shown while it lives, as a user would, from the event loop of the window:
// a message box by a click on its Yes button (else Ok, else its first), any other modal window by
// closing it. The host's dialogs are let show for the while. Keeps the texts of the boxes answered.
class TModalAnswerer : public QObject {
public:
    TModalAnswerer();
    ~TModalAnswerer() override;
    QStringList Texts;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    bool FAnswerable; // whether dialogs could be answered before
};

// A right click at At in View, then ChooseFromPopup.
TMenuChoice RightClickChoose(QWidget* View, QPoint At, const QStringList& Path);
