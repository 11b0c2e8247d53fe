#pragma once
#include <QDialog>

class QComboBox;
class QRadioButton;

// The printer-setup dialog: the current printer of Printer() with its paper, bin, orientation and
// duplex. Picking another printer makes it current at once, so that its papers and bins can be
// offered; a cancelled dialog puts the former printer back. Child widgets carry object names
// ("Printer", "Paper", "Bin", "Portrait", "Landscape", "Duplex") for tests.
class TPrinterSetupDialog : public QDialog {
public:
    explicit TPrinterSetupDialog(QWidget* Parent = nullptr);
    ~TPrinterSetupDialog() override;

    // Writes the choice into the current printer's device mode.
    void Apply();
    // Puts back the printer that was current when the dialog was made.
    void Revert();

private:
    void PrinterChanged(int Index);
    void FillSettings();

    int FOriginalIndex = -1;
    QComboBox* FPrinter = nullptr;
    QComboBox* FPaper = nullptr;
    QComboBox* FBin = nullptr;
    QRadioButton* FPortrait = nullptr;
    QRadioButton* FLandscape = nullptr;
    QComboBox* FDuplex = nullptr;
};
