#pragma once
#include "host/forms.h"

#include <QString>
#include <cstdint>
#include <memory>

class QCheckBox;
class QDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TPimPreview;
class TPimPrinterSetup;

enum TPimPrintRange : uint8_t { prAll, prCurrentPage, prPages };

// What the print dialog's texts ask for. StartPage and EndPage 0 stand for the first and the last
// page.
struct TPimPrintChoice {
    int Copies = 1;
    bool Collate = false;
    int StartPage = 0;
    int EndPage = 0;
};

// Reads the print dialog's texts. Every text is checked before the caller changes anything: a text
// that is not a number raises the integer conversion error, fewer than one copy or a first page
// after the last one raise too. Trailing blanks are dropped; an empty range text stands for 0.
// CurrentPage is the page the current-page range prints (0 = all pages).
TPimPrintChoice PimReadPrintChoice(TPimPrintRange Range, const QString& CopiesText, bool Collate,
                                   const QString& StartText, const QString& EndText, int CurrentPage);

// The print dialog of the viewer: copies, collation, page range and the printer setup. Its controls
// carry their field names as Qt object names.
class TPimPrintDestination : public TCustomForm {
public:
    explicit TPimPrintDestination(TComponent* AOwner);
    ~TPimPrintDestination() override;

    QWidget* Widget() const override;

    TCustomForm* Viewer() const { return FViewer; }
    void SetViewer(TCustomForm* Value) { FViewer = Value; }
    TPimPreview* Preview() const { return FPreview; }
    void SetPreview(TPimPreview* Value) { FPreview = Value; }
    TPimPrinterSetup* PimPrinterSetup() const { return FPimPrinterSetup; }
    void SetPimPrinterSetup(TPimPrinterSetup* Value) { FPimPrinterSetup = Value; }
    int StartPage() const { return FStartPage; }
    int EndPage() const { return FEndPage; }

    TPimPrintRange Range() const;
    void SetRange(TPimPrintRange Value);
    // The dialog's buttons. btnPrintClick raises for bad texts and then leaves the dialog open.
    void btnPrintClick();
    void printersetupClick();

protected:
    void DoShow() override;

private:
    void FormShow();
    void RangeClick();

    std::unique_ptr<QDialog> FDialog;
    QPushButton* FbtnPrint = nullptr;
    QPushButton* FbtnCancel = nullptr;
    QPushButton* Fprintersetup = nullptr;
    QGroupBox* Frangegroup = nullptr;
    QLabel* FlbFrom = nullptr;
    QLabel* FlbTo = nullptr;
    QLabel* FlbCopies = nullptr;
    QRadioButton* FrangeAll = nullptr;
    QRadioButton* FrangeCurrent = nullptr;
    QRadioButton* FrangePages = nullptr;
    QCheckBox* FCollatedCopies = nullptr;
    QLineEdit* FStartRange = nullptr;
    QLineEdit* FEndRange = nullptr;
    QLineEdit* FCopies = nullptr;
    TCustomForm* FViewer = nullptr;               // not owned
    TPimPreview* FPreview = nullptr;              // not owned; may be nullptr
    TPimPrinterSetup* FPimPrinterSetup = nullptr; // the preview's; not owned
    int FStartPage = 0;
    int FEndPage = 0;
};
