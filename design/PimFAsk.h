#pragma once
#include "host/forms.h"

#include <memory>

class QDialog;
class QLabel;
class QPushButton;
class QRadioButton;

// The question the fast label placement asks when a row of new labels would run past the printable
// width: wrap them, shrink them, delete those past the edge or leave them. The caller shows it
// modally through the dialog service (ShowModal) and reads Canceled and the radio buttons; a window
// closed any other way than by "Ok" counts as cancelled. Its controls carry their field names as Qt
// object names.
class TPimFastAskForm : public TCustomForm {
public:
    explicit TPimFastAskForm(TComponent* AOwner);
    ~TPimFastAskForm() override;

    QWidget* Widget() const override;

    bool Canceled() const { return FCanceled; }

    QLabel* Label1() const { return FLabel1; }
    QLabel* Label2() const { return FLabel2; }
    QRadioButton* Wrap() const { return FWrap; }
    QRadioButton* Shrink() const { return FShrink; }
    QRadioButton* Delete() const { return FDelete; }
    QRadioButton* Ignore() const { return FIgnore; }
    QPushButton* OkButton() const { return FOkButton; }
    QPushButton* CancelButton() const { return FCancelButton; }

    // The buttons' handlers: both close the question.
    void OkButtonClick();
    void CancelButtonClick();

private:
    std::unique_ptr<QDialog> FDialog;
    QLabel* FLabel1 = nullptr;
    QLabel* FLabel2 = nullptr;
    QRadioButton* FWrap = nullptr;
    QRadioButton* FShrink = nullptr;
    QRadioButton* FDelete = nullptr;
    QRadioButton* FIgnore = nullptr;
    QPushButton* FOkButton = nullptr;
    QPushButton* FCancelButton = nullptr;
    bool FCanceled = true;
};
