#pragma once
#include "host/forms.h"

#include <QString>
#include <memory>

class QDialog;
class QPlainTextEdit;
class QPushButton;

// The help of the data control centre: a fixed text on how its lists, menus and buttons work, in a
// memo above the button that closes it. The centre shows it modally through the dialog service and
// frees it. Its controls carry their field names as Qt object names.
class TVyrVarHelp : public TCustomForm {
public:
    explicit TVyrVarHelp(TComponent* AOwner);
    ~TVyrVarHelp() override;

    QWidget* Widget() const override;

    QPlainTextEdit* Memo1() const { return FMemo1; }
    QPushButton* ExitButton() const { return FExitButton; }

    void ExitButtonClick();

private:
    std::unique_ptr<QDialog> FDialog;
    QPlainTextEdit* FMemo1 = nullptr;
    QPushButton* FExitButton = nullptr;
};

// The data control centre's "&Help": the help shown modally, then freed.
void VyrShowVarHelp();

// The help text: its title line, then each section under its heading and a line of dashes.
QString VyrVarHelpText();
