#include "host/controlviews.h"

#include "host/devicecontext.h"
#include "host/dragdrop.h"
#include "host/forms.h"
#include "host/menus.h"
#include "host/paintpass.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QPainter>

TControlView::TControlView(TWinControl* Control) : FControl(Control) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
}

void TControlView::paintEvent(QPaintEvent*) {
    QPainter Painter(this);
    if (!FControl || width() <= 0 || height() <= 0) return;
    QImage Image(size(), QImage::Format_RGB32);
    Image.fill(QColorOf(FControl->Color()));
    if (TCanvas* Canvas = FControl->PaintCanvas()) {
        auto DC = DeviceContext::CreateForImage(&Image, logicalDpiX(), logicalDpiY());
        Canvas->SetHandle(DC.get());
        CallEventHandler(FControl, [&] { FControl->Paint(); });
        Canvas->SetHandle(nullptr);
    }
    Painter.drawImage(0, 0, Image);
    PaintOver(Painter);
}

void TControlView::mousePressEvent(QMouseEvent* Event) {
    if (Event->button() == Qt::LeftButton)
        Send(WM_LBUTTONDOWN, Event);
    else if (Event->button() == Qt::RightButton)
        Send(WM_RBUTTONDOWN, Event);
}

void TControlView::mouseMoveEvent(QMouseEvent* Event) {
    if (!FControl) return;
    if (DragManager::Pending()) {
        CallEventHandler(FControl, [&] { DragManager::Move(Outermost(), InWindow(Event)); });
        setCursor(!DragManager::Started()   ? Qt::ArrowCursor
                  : DragManager::Accepted() ? Qt::DragMoveCursor
                                            : Qt::ForbiddenCursor);
    }
    Send(WM_MOUSEMOVE, Event);
}

void TControlView::mouseReleaseEvent(QMouseEvent* Event) {
    if (!FControl) return;
    if (Event->button() == Qt::LeftButton) {
        if (DragManager::Pending()) {
            CallEventHandler(FControl, [&] { DragManager::Release(Outermost(), InWindow(Event)); });
            unsetCursor();
        }
        Send(WM_LBUTTONUP, Event);
    } else if (Event->button() == Qt::RightButton) {
        Send(WM_RBUTTONUP, Event);
    }
}

void TControlView::mouseDoubleClickEvent(QMouseEvent* Event) {
    if (Event->button() == Qt::LeftButton) Send(WM_LBUTTONDBLCLK, Event);
}

// The mouse event as the control's message: the point in client coordinates, the buttons and keys
// held in the message's flags.
void TControlView::Send(uint32_t Msg, QMouseEvent* Event) {
    if (!FControl) return;
    const QPoint P = Event->position().toPoint() - ClientOrigin();
    WPARAM Flags = 0;
    if (Event->buttons() & Qt::LeftButton) Flags |= MK_LBUTTON;
    if (Event->buttons() & Qt::RightButton) Flags |= MK_RBUTTON;
    if (Event->modifiers() & Qt::ShiftModifier) Flags |= MK_SHIFT;
    if (Event->modifiers() & Qt::ControlModifier) Flags |= MK_CONTROL;
    TWinControl* C = FControl;
    CallEventHandler(C, [&] { C->Perform(Msg, Flags, MAKELPARAM(P.x(), P.y())); });
}

// The window a drag from the control moves over, and the pointer in its client coordinates.
TWinControl* TControlView::Outermost() const {
    TWinControl* Top = FControl;
    while (Top->Parent())
        Top = Top->Parent();
    return Top;
}

QPoint TControlView::InWindow(QMouseEvent* Event) const {
    return FControl->ClientToParent(Event->position().toPoint() - ClientOrigin());
}

// TFormWindow

TFormWindow::TFormWindow(TCustomForm* Form) : FForm(Form) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

TFormWindow::~TFormWindow() = default;

TCustomForm* TFormWindow::Form() const {
    return FForm.Get();
}

void TFormWindow::paintEvent(QPaintEvent*) {
    QPainter Painter(this);
    TCustomForm* F = FForm.Get();
    if (!F || width() <= 0 || height() <= 0) return;
    QImage Image(size(), QImage::Format_RGB32);
    Image.fill(QColorOf(F->Color()));
    {
        auto DC = DeviceContext::CreateForImage(&Image, logicalDpiX(), logicalDpiY());
        PaintControl(F, *DC);
    }
    Painter.drawImage(0, 0, Image);
}

void TFormWindow::mousePressEvent(QMouseEvent* Event) {
    Forward(Event, true);
}

void TFormWindow::mouseReleaseEvent(QMouseEvent* Event) {
    Forward(Event, false);
}

void TFormWindow::closeEvent(QCloseEvent* Event) {
    // Closing is the form's: it hides the window or frees the form.
    Event->ignore();
    if (TCustomForm* F = FForm.Get()) CallEventHandler(F, [F] { F->Close(); });
}

void TFormWindow::Forward(QMouseEvent* Event, bool Press) {
    const Qt::MouseButton Button = Event->button();
    TCustomForm* F = FForm.Get();
    if (!F || (Button != Qt::LeftButton && Button != Qt::RightButton)) return;
    const QPoint At = Event->position().toPoint();
    TControl* Target = Press ? F->ControlAtPos(At) : FPressed.Get();
    if (Press) FPressed = Target;
    if (Target) {
        const QPoint Local = Target->ParentToClient(At, F);
        const bool Left = Button == Qt::LeftButton;
        const uint32_t Msg =
            Press ? (Left ? WM_LBUTTONDOWN : WM_RBUTTONDOWN) : (Left ? WM_LBUTTONUP : WM_RBUTTONUP);
        CallEventHandler(Target, [&] {
            Target->Perform(Msg, Left && Press ? WPARAM(MK_LBUTTON) : WPARAM(0),
                            MAKELPARAM(Local.x(), Local.y()));
        });
    }
    update();
}

TShiftState ShiftOf(Qt::KeyboardModifiers Modifiers) {
    TShiftState Shift = 0;
    if (Modifiers & Qt::ShiftModifier) Shift |= ssShift;
    if (Modifiers & Qt::ControlModifier) Shift |= ssCtrl;
    if (Modifiers & Qt::AltModifier) Shift |= ssAlt;
    return Shift;
}

QColor QColorOf(TColor Color) {
    const COLORREF C = ColorToRGB(Color);
    return QColor(GetRValue(C), GetGValue(C), GetBValue(C));
}

void PaintFramedClient(TCanvas& Canvas, const TWinControl& Control, bool Framed,
                       const std::function<void(DeviceContext& DC)>& Client) {
    DeviceContext* DC = Canvas.Handle();
    if (!DC) return;
    if (Framed) PaintSunkenFrame(Canvas, Control.Width(), Control.Height());
    // The client draws from its corner, clipped to it; the canvas lets go of the device context
    // while its state is saved, so nothing it selected outlives the restore.
    Canvas.SetHandle(nullptr);
    const QPoint Origin = Control.ClientOrigin();
    const QRect Area = Control.ClientRect();
    const int Saved = DC->SaveDC();
    DC->OffsetViewportOrgEx(Origin.x(), Origin.y());
    DC->IntersectClipRect(0, 0, Area.width(), Area.height());
    try {
        Client(*DC);
    } catch (...) {
        DC->RestoreDC(Saved);
        Canvas.SetHandle(DC);
        throw;
    }
    DC->RestoreDC(Saved);
    Canvas.SetHandle(DC);
}

void ShowContextPopup(TPopupMenu* Menu, TControl* Control, QWidget* View, int X, int Y) {
    if (!Menu || !Menu->AutoPopup()) return;
    QPoint At = Control->ClientToParent(QPoint(X, Y));
    auto* Window = dynamic_cast<TWinControl*>(Control);
    if (View) At = View->mapToGlobal(QPoint(X, Y) + (Window ? Window->ClientOrigin() : QPoint()));
    Menu->SetPopupComponent(Control);
    Menu->Popup(At.x(), At.y());
}
