// The fast label tool window: the panels and tool buttons painted by the paint pass, the variable
// list and the two choices in their own views on top, and presses on the buttons handed to them.
#include "design/PimDrop.h"

#include "host/combobox.h"
#include "host/controlviews.h"
#include "host/dragdrop.h"
#include "host/listbox.h"

#include <QWidget>

class TPimDropLabelsWindow : public TFormWindow {
public:
    explicit TPimDropLabelsWindow(TPimDropLabels* Form) : TFormWindow(Form), FForm(Form) {
        setObjectName(QStringLiteral("PimDropLabels"));
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

private:
    TComponentRef<TPimDropLabels> FForm;
};

QWidget* TPimDropLabels::Widget() const {
    if (!FWindow) FWindow = new TPimDropLabelsWindow(const_cast<TPimDropLabels*>(this));
    return FWindow;
}

void TPimDropLabels::PlaceWindow() {
    if (FWindow) static_cast<TPimDropLabelsWindow*>(FWindow.data())->Place();
}
