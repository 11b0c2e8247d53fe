// The data control centre's window: the panels, captions and buttons painted by the paint pass, the
// grid and the lists in their own views on top, and the mouse handed to the control under it.
#include "design/VyrVOpt.h"

#include "host/buttons.h"
#include "host/controlviews.h"
#include "host/devicecontext.h"
#include "host/forms.h"
#include "host/grids.h"
#include "host/listbox.h"
#include "host/messages.h"
#include "host/paintpass.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QResizeEvent>
#include <QWidget>

class TVyrDSVariableOptionsWindow : public QWidget {
public:
    explicit TVyrDSVariableOptionsWindow(TVyrDSVariableOptions* Form) : FForm(Form) {
        setObjectName(QStringLiteral("VyrDSVariableOptions"));
        setAttribute(Qt::WA_OpaquePaintEvent);
        setWindowTitle(Form->Caption());
        resize(Form->ClientWidth(), Form->ClientHeight());
        Form->DataSourceList->Widget()->setParent(this);
        for (TListBox* List :
             {Form->ExprVarList, Form->TotalVarList, Form->DBVarList, Form->flist, Form->clist})
            List->Widget()->setParent(this);
        // The command buttons are the platform's own push buttons.
        for (TBitBtn* Button :
             {Form->CloseButton, Form->HelpButton, Form->OptimizeButton, Form->PrintButton}) {
            auto* Push = new QPushButton(Button->Caption(), this);
            Push->setObjectName(Button->Name());
            QObject::connect(Push, &QPushButton::clicked, this, [this, Button] {
                if (FForm) CallEventHandler(Button, [&] { Button->Click(); });
            });
            FButtons.push_back({Button, Push});
        }
    }

    // Puts the push buttons at their controls' places.
    void Place() {
        for (auto& [Button, Push] : FButtons) {
            const QPoint At = Button->ClientToParent(QPoint(0, 0));
            Push->setGeometry(At.x(), At.y(), Button->Width(), Button->Height());
        }
        update();
    }

    TComponentRef<TVyrDSVariableOptions> FForm;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter Painter(this);
        if (!FForm) return;
        QImage Image(size(), QImage::Format_RGB32);
        Image.fill(QColorOf(clBtnFace));
        {
            auto DC = DeviceContext::CreateForImage(&Image, logicalDpiX(), logicalDpiY());
            PaintControl(FForm.Get(), *DC);
        }
        Painter.drawImage(0, 0, Image);
    }

    void resizeEvent(QResizeEvent* Event) override {
        QWidget::resizeEvent(Event);
        if (FForm && (width() != FForm->ClientWidth() || height() != FForm->ClientHeight()))
            CallEventHandler(FForm.Get(),
                             [&] { FForm->SetBounds(FForm->Left(), FForm->Top(), width(), height()); });
    }

    void mousePressEvent(QMouseEvent* Event) override { Forward(Event, true); }
    void mouseReleaseEvent(QMouseEvent* Event) override {
        Forward(Event, false);
        update();
    }

    void closeEvent(QCloseEvent* Event) override {
        Event->ignore();
        if (FForm) CallEventHandler(FForm.Get(), [&] { FForm->Close(); });
    }

private:
    // A press or release over a button or a caption goes to that control, as its message in its
    // coordinates.
    void Forward(QMouseEvent* Event, bool Press) {
        const Qt::MouseButton Button = Event->button();
        if (!FForm || (Button != Qt::LeftButton && Button != Qt::RightButton)) return;
        const QPoint At = Event->position().toPoint();
        TControl* Target = Press ? FForm->ControlAtPos(At) : FPressed.Get();
        if (Press) FPressed = Target;
        if (!Target) return;
        const QPoint Local = Target->ParentToClient(At, FForm.Get());
        const bool Left = Button == Qt::LeftButton;
        const uint32_t Msg =
            Press ? (Left ? WM_LBUTTONDOWN : WM_RBUTTONDOWN) : (Left ? WM_LBUTTONUP : WM_RBUTTONUP);
        CallEventHandler(Target, [&] {
            Target->Perform(Msg, Left && Press ? WPARAM(MK_LBUTTON) : WPARAM(0),
                            MAKELPARAM(Local.x(), Local.y()));
        });
    }

    TComponentRef<TControl> FPressed;
    std::vector<std::pair<TBitBtn*, QPushButton*>> FButtons;
};

QWidget* TVyrDSVariableOptions::Widget() const {
    if (!FWindow) {
        auto* Self = const_cast<TVyrDSVariableOptions*>(this);
        FWindow = new TVyrDSVariableOptionsWindow(Self);
        Self->PlaceWidgets();
    }
    return FWindow;
}

void TVyrDSVariableOptions::PlaceWidgets() {
    DataSourceList->UpdateWidgetGeometry();
    PlaceListBoxWidgets(this);
    if (FWindow) static_cast<TVyrDSVariableOptionsWindow*>(FWindow.data())->Place();
}
