// The fast label tool window: the panels and tool buttons painted by the paint pass, the variable
// list and the two choices in their own views on top, and presses on the buttons handed to them.
#include "design/PimDrop.h"

#include "host/combobox.h"
#include "host/devicecontext.h"
#include "host/dragdrop.h"
#include "host/listbox.h"
#include "host/messages.h"
#include "host/paintpass.h"

#include <QCloseEvent>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>

class TPimDropLabelsWindow : public QWidget {
public:
    explicit TPimDropLabelsWindow(TPimDropLabels* Form) : FForm(Form) {
        setObjectName(QStringLiteral("PimDropLabels"));
        setAttribute(Qt::WA_OpaquePaintEvent);
        setWindowFlag(Qt::Tool);
        setWindowTitle(Form->Caption());
        Form->PimVariableList->Widget()->setParent(this);
        for (TComboBox* Choice : {Form->VariableSelection, Form->TextBand})
            Choice->Widget()->setParent(this);
        // Variables dragged out of the list drop on the designed form's bands.
        DragManager::AddView(Form, this);
        Place();
    }
    ~TPimDropLabelsWindow() override { DragManager::RemoveView(this); }

    // Follows the form's place and size and puts the views over their controls.
    void Place() {
        if (!FForm) return;
        setGeometry(FForm->Left(), FForm->Top(), FForm->Width(), FForm->Height());
        FForm->PimVariableList->UpdateWidgetGeometry();
        FForm->VariableSelection->UpdateWidgetGeometry();
        FForm->TextBand->UpdateWidgetGeometry();
        update();
    }

    TComponentRef<TPimDropLabels> FForm;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter Painter(this);
        if (!FForm) return;
        QImage Image(size(), QImage::Format_RGB32);
        Image.fill(palette().window().color());
        {
            auto DC = DeviceContext::CreateForImage(&Image, logicalDpiX(), logicalDpiY());
            PaintControl(FForm.Get(), *DC);
        }
        Painter.drawImage(0, 0, Image);
    }

    void mousePressEvent(QMouseEvent* Event) override { Forward(Event, true); }
    void mouseReleaseEvent(QMouseEvent* Event) override { Forward(Event, false); }

    void closeEvent(QCloseEvent* Event) override {
        Event->ignore();
        if (FForm) CallEventHandler(FForm.Get(), [&] { FForm->Close(); });
    }

private:
    // A left press or release over a tool button goes to that button, in its coordinates; the release
    // goes where the press went.
    void Forward(QMouseEvent* Event, bool Press) {
        if (!FForm || Event->button() != Qt::LeftButton) return;
        const QPoint At = Event->position().toPoint();
        TControl* Target = Press ? FForm->ControlAtPos(At) : FPressed.Get();
        if (Press) FPressed = Target;
        if (!Target) return;
        const QPoint Local = Target->ParentToClient(At, FForm.Get());
        CallEventHandler(Target, [&] {
            Target->Perform(Press ? WM_LBUTTONDOWN : WM_LBUTTONUP, 0, MAKELPARAM(Local.x(), Local.y()));
        });
        update();
    }

    TComponentRef<TControl> FPressed;
};

QWidget* TPimDropLabels::Widget() const {
    if (!FWindow) FWindow = new TPimDropLabelsWindow(const_cast<TPimDropLabels*>(this));
    return FWindow;
}

void TPimDropLabels::PlaceWindow() {
    if (FWindow) static_cast<TPimDropLabelsWindow*>(FWindow.data())->Place();
}
