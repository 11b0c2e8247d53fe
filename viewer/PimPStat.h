#pragma once
#include "host/forms.h"

#include <memory>

class QDialog;
class QLabel;
class QPushButton;
class TPimPreview;
class TPimPrinter;

// What an answer to the abort question does to a printer that is printing: Yes discards the rest
// (stop and abort), No keeps the pages printed so far (stop), Cancel goes on. Nothing without a
// printer.
void PimApplyAbortAnswer(int Answer, TPimPrinter* Printer);

// The window shown while a preview prints: the page being printed and an Abort button.
class TPimPreviewStatus : public TCustomForm {
public:
    explicit TPimPreviewStatus(TComponent* AOwner);
    ~TPimPreviewStatus() override;

    QWidget* Widget() const override;
    TPimPreview* Preview() const { return FPreview; }
    void SetPreview(TPimPreview* Value) { FPreview = Value; }
    // The text of the page panel.
    QString PageNumber() const;

    // The printer's status event while the preview prints: shows the printer's page.
    void UpdateStatus(TPimPrinter* Sender);
    // Asks the abort question and passes the answer to the preview's printer.
    void AbortButtonClick();

private:
    std::unique_ptr<QDialog> FDialog;
    QLabel* FLabel1 = nullptr;
    QPushButton* FAbortButton = nullptr;
    QLabel* FlbPage = nullptr;
    QLabel* FPageNumber = nullptr;
    TPimPreview* FPreview = nullptr; // not owned
};
