#pragma once
#include "host/controls.h"
#include "host/graphics.h"

#include <QColor>
#include <QWidget>
#include <functional>

class DeviceContext;
class QCloseEvent;
class QMouseEvent;
class TCustomForm;
class TPopupMenu;

// The Qt view of a windowed host control that paints itself in the paint pass (a list box, a
// grid): the picture of the control's Paint at the view's size, mouse events sent to the control as
// its messages in client coordinates, and a drag begun on the control carried over its outermost
// window. The control places the view and lets go of it with Forget when it goes first.
class TControlView : public QWidget {
public:
    explicit TControlView(TWinControl* Control);
    void Forget() { FControl = nullptr; }
    TWinControl* Control() const { return FControl; }

protected:
    void paintEvent(QPaintEvent* Event) override;
    // What the window draws over the control's picture.
    virtual void PaintOver(QPainter&) {}
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    void mouseDoubleClickEvent(QMouseEvent* Event) override;
    QPoint ClientOrigin() const { return FControl ? FControl->ClientOrigin() : QPoint(); }

private:
    void Send(uint32_t Msg, QMouseEvent* Event);
    TWinControl* Outermost() const;
    QPoint InWindow(QMouseEvent* Event) const;

    TWinControl* FControl;
};

// The Qt window of a form drawn by the paint pass (a design form): its controls painted as the
// form holds them, a press and its release with the left or right button handed to the control
// under the pointer (the release to the one pressed) as its messages, and closing as the form's
// Close. The form puts the views of its lists and grids over their controls.
class TFormWindow : public QWidget {
public:
    explicit TFormWindow(TCustomForm* Form);
    ~TFormWindow() override;
    TCustomForm* Form() const;

protected:
    void paintEvent(QPaintEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    void closeEvent(QCloseEvent* Event) override;

private:
    void Forward(QMouseEvent* Event, bool Press);

    TComponentRef<TCustomForm> FForm;
    TComponentRef<TControl> FPressed;
};

// The keys held, as a shift state.
TShiftState ShiftOf(Qt::KeyboardModifiers Modifiers);
QColor QColorOf(TColor Color);

// What a framed control's Paint draws on Canvas, whose device context the painter set: the sunken
// frame when Framed, then Client with the origin at the client area's corner and clipped to it.
void PaintFramedClient(TCanvas& Canvas, const TWinControl& Control, bool Framed,
                       const std::function<void(DeviceContext& DC)>& Client);

// Shows Menu for a right click at a client point of Control, whose view (nullptr: none) shows it.
void ShowContextPopup(TPopupMenu* Menu, TControl* Control, QWidget* View, int X, int Y);
