// The data control centre's window: the panels, captions and buttons painted by the paint pass, the
// grid and the lists in their own views on top, and the mouse handed to the control under it.
#include "design/VyrVOpt.h"

#include "host/buttons.h"
#include "host/controlviews.h"
#include "host/forms.h"
#include "host/grids.h"
#include "host/listbox.h"

#include <QPointer>
#include <QPushButton>
#include <QResizeEvent>
#include <QWidget>

class TVyrDSVariableOptionsWindow : public TFormWindow {
public:
    explicit TVyrDSVariableOptionsWindow(TVyrDSVariableOptions* Form) : TFormWindow(Form), FForm(Form) {
        setObjectName(QStringLiteral("VyrDSVariableOptions"));
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
    void resizeEvent(QResizeEvent* Event) override {
        QWidget::resizeEvent(Event);
        if (FForm && (width() != FForm->ClientWidth() || height() != FForm->ClientHeight()))
            CallEventHandler(FForm.Get(),
                             [&] { FForm->SetBounds(FForm->Left(), FForm->Top(), width(), height()); });
    }

private:
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

void TVyrDSVariableOptions::CaptionsMoved() {
    if (FWindow) FWindow->update();
}
