#pragma once
#include "host/forms.h"

#include <QString>
#include <memory>

class QCheckBox;
class QDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TVyrPageSetup;

// What the destination dialog's texts ask for, read and checked before anything is changed.
struct TVyrDestinationChoice {
    int RangeStart = 0;
    int RangeEnd = 0;
    int Copies = 1;
};

// Reads the range and copies texts of the destination dialog. Trailing blanks are dropped and an empty
// range text stands for 0. A text that is not an integer raises the integer conversion error; copies
// outside 0 .. 9999, a negative page or a first page after the last one raise EConvertError. With
// AllPages the range texts are not read and the range is 0 to 0.
TVyrDestinationChoice VyrReadDestinationChoice(bool AllPages, const QString& StartText, const QString& EndText,
                                               const QString& CopiesText);

// The dialog that asks where a report goes before it runs: printer or screen, the page range, the
// copies and their collation. The caller sets PageSetup, shows the dialog modally through the dialog
// service (ShowModal) and runs the report when the result is mrOk: only then has the dialog written
// the choices into the page setup. Its controls carry their field names as Qt object names.
class TVyrReportDestination : public TCustomForm {
public:
    explicit TVyrReportDestination(TComponent* AOwner);
    ~TVyrReportDestination() override;

    QWidget* Widget() const override;

    TVyrPageSetup* PageSetup() const { return FPageSetup; }
    void SetPageSetup(TVyrPageSetup* Value) { FPageSetup = Value; }

    // The controls, for scripts that fill the dialog.
    QPushButton* btnPrint() const { return FbtnPrint; }
    QPushButton* btnCancel() const { return FbtnCancel; }
    QPushButton* printersetup() const { return Fprintersetup; }
    QGroupBox* destgroup() const { return Fdestgroup; }
    QRadioButton* goPrinter() const { return FgoPrinter; }
    QRadioButton* goScreen() const { return FgoScreen; }
    QLabel* lbCopies() const { return FlbCopies; }
    QGroupBox* rangegroup() const { return Frangegroup; }
    QLabel* lbFrom() const { return FlbFrom; }
    QLabel* lbTo() const { return FlbTo; }
    QRadioButton* rangeAll() const { return FrangeAll; }
    QRadioButton* rangePages() const { return FrangePages; }
    QCheckBox* CollatedCopies() const { return FCollatedCopies; }
    QLineEdit* StartRange() const { return FStartRange; }
    QLineEdit* EndRange() const { return FEndRange; }
    QLineEdit* Copies() const { return FCopies; }

    // The buttons' handlers. btnPrintClick raises for a bad text and then leaves the dialog open and
    // the page setup untouched; a press of the Print button passes that error to the application's
    // handler.
    void FormShow();
    void btnPrintClick();
    void rangeAllClick();
    void rangePagesClick();
    void printersetupClick();

protected:
    void DoShow() override;

private:
    std::unique_ptr<QDialog> FDialog;
    QPushButton* FbtnPrint = nullptr;
    QPushButton* FbtnCancel = nullptr;
    QPushButton* Fprintersetup = nullptr;
    QGroupBox* Fdestgroup = nullptr;
    QRadioButton* FgoPrinter = nullptr;
    QRadioButton* FgoScreen = nullptr;
    QLabel* FlbCopies = nullptr;
    QGroupBox* Frangegroup = nullptr;
    QLabel* FlbFrom = nullptr;
    QLabel* FlbTo = nullptr;
    QRadioButton* FrangeAll = nullptr;
    QRadioButton* FrangePages = nullptr;
    QCheckBox* FCollatedCopies = nullptr;
    QLineEdit* FStartRange = nullptr;
    QLineEdit* FEndRange = nullptr;
    QLineEdit* FCopies = nullptr;
    TVyrPageSetup* FPageSetup = nullptr; // the caller's; not owned
};
