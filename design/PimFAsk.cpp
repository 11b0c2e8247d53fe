#include "design/PimFAsk.h"
#include "host/widgets.h"

#include <QDialog>
#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

TPimFastAskForm::TPimFastAskForm(TComponent* AOwner)
    : TCustomForm(AOwner), FDialog(std::make_unique<QDialog>()) {
    QDialog* D = FDialog.get();
    D->setObjectName(QStringLiteral("PimFastAskForm"));
    QFont Font(QStringLiteral("Arial"));
    Font.setPixelSize(12);
    D->setFont(Font);
    SetCaption(QStringLiteral("Pim Reporter"));
    D->setWindowTitle(Caption());

    FLabel1 = MakeFormWidget<QLabel>(D, "Label1", 15, 12, 280, 16,
                                     "Labels will be placed beyond the printable width.");
    FLabel2 = MakeFormWidget<QLabel>(D, "Label2", 15, 30, 280, 16, "Choose one of the following options.");
    FWrap = MakeFormWidget<QRadioButton>(D, "Wrap", 30, 56, 200, 20, "Wrap labels?");
    FWrap->setChecked(true);
    FShrink = MakeFormWidget<QRadioButton>(D, "Shrink", 30, 80, 200, 20, "Shrink labels to fit?");
    FDelete = MakeFormWidget<QRadioButton>(D, "Delete", 30, 104, 200, 20, "Delete excess labels?");
    FIgnore = MakeFormWidget<QRadioButton>(D, "Ignore", 30, 128, 200, 20, "Ignore?");
    FOkButton = MakeFormWidget<QPushButton>(D, "OkButton", 120, 162, 80, 27, "Ok");
    FOkButton->setDefault(true);
    FCancelButton = MakeFormWidget<QPushButton>(D, "CancelButton", 210, 162, 80, 27, "Cancel");

    // The window fits its buttons with a margin of 15 pixels.
    const QRect Cancel = FCancelButton->geometry();
    SetBounds(0, 0, Cancel.x() + Cancel.width() + 15, Cancel.y() + Cancel.height() + 15);
    D->setFixedSize(Width(), Height());
    CenterOnScreen(D);

    QObject::connect(FOkButton, &QPushButton::clicked, [this] { OkButtonClick(); });
    QObject::connect(FCancelButton, &QPushButton::clicked, [this] { CancelButtonClick(); });
}

TPimFastAskForm::~TPimFastAskForm() = default;

QWidget* TPimFastAskForm::Widget() const {
    return FDialog.get();
}

void TPimFastAskForm::OkButtonClick() {
    FCanceled = false;
    SetModalResult(mrOk);
}

void TPimFastAskForm::CancelButtonClick() {
    FCanceled = true;
    SetModalResult(mrCancel);
}
