#include "host/printsetup.h"
#include "host/printers.h"
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

TPrinterSetupDialog::TPrinterSetupDialog(QWidget* Parent) : QDialog(Parent) {
    setWindowTitle(QStringLiteral("Printer Setup"));
    // Raises the system's message when there is no printer at all, before anything is shown.
    FOriginalIndex = Printer().PrinterIndex();

    FPrinter = new QComboBox(this);
    FPrinter->setObjectName(QStringLiteral("Printer"));
    FPrinter->addItems(Printer().Printers());
    FPrinter->setCurrentIndex(FOriginalIndex);
    FPaper = new QComboBox(this);
    FPaper->setObjectName(QStringLiteral("Paper"));
    FBin = new QComboBox(this);
    FBin->setObjectName(QStringLiteral("Bin"));
    FPortrait = new QRadioButton(QStringLiteral("P&ortrait"), this);
    FPortrait->setObjectName(QStringLiteral("Portrait"));
    FLandscape = new QRadioButton(QStringLiteral("&Landscape"), this);
    FLandscape->setObjectName(QStringLiteral("Landscape"));
    FDuplex = new QComboBox(this);
    FDuplex->setObjectName(QStringLiteral("Duplex"));

    auto* Orientation = new QHBoxLayout();
    Orientation->addWidget(FPortrait);
    Orientation->addWidget(FLandscape);
    auto* Form = new QFormLayout();
    Form->addRow(QStringLiteral("&Name:"), FPrinter);
    Form->addRow(QStringLiteral("Si&ze:"), FPaper);
    Form->addRow(QStringLiteral("&Source:"), FBin);
    Form->addRow(QStringLiteral("Orientation:"), Orientation);
    Form->addRow(QStringLiteral("&Two-sided:"), FDuplex);
    auto* Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* Layout = new QVBoxLayout(this);
    Layout->addLayout(Form);
    Layout->addWidget(Buttons);
    connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(FPrinter, &QComboBox::currentIndexChanged, this, &TPrinterSetupDialog::PrinterChanged);
    FillSettings();
}

TPrinterSetupDialog::~TPrinterSetupDialog() = default;

void TPrinterSetupDialog::PrinterChanged(int Index) {
    if (Index < 0) return;
    Printer().SetPrinterIndex(Index);
    FillSettings();
}

void TPrinterSetupDialog::FillSettings() {
    const TPrinterCapabilities Caps = Printer().Capabilities();
    const TDeviceMode& Mode = Printer().DeviceMode();
    auto Select = [](QComboBox* Box, int Number) {
        const int At = Box->findData(Number);
        if (At >= 0) Box->setCurrentIndex(At);
    };
    FPaper->clear();
    for (const TPrinterPaper& P : Caps.Papers)
        FPaper->addItem(P.Name, int(P.Number));
    if (Mode.Has(dmfPaperSize)) Select(FPaper, Mode.PaperSize);
    FBin->clear();
    for (const TPrinterBin& B : Caps.Bins)
        FBin->addItem(B.Name, int(B.Number));
    if (Mode.Has(dmfDefaultSource)) Select(FBin, Mode.DefaultSource);
    const bool Landscape = Mode.Has(dmfOrientation) && Mode.Orientation == dmOrientLandscape;
    FLandscape->setChecked(Landscape);
    FPortrait->setChecked(!Landscape);
    FDuplex->clear();
    FDuplex->addItem(QStringLiteral("None"), int(dmDupSimplex));
    if (Caps.Duplex) {
        FDuplex->addItem(QStringLiteral("Long edge"), int(dmDupVertical));
        FDuplex->addItem(QStringLiteral("Short edge"), int(dmDupHorizontal));
    }
    FDuplex->setEnabled(Caps.Duplex);
    if (Mode.Has(dmfDuplex)) Select(FDuplex, Mode.Duplex);
}

void TPrinterSetupDialog::Apply() {
    TDeviceMode& Mode = Printer().DeviceMode();
    if (FPaper->currentIndex() >= 0) {
        Mode.PaperSize = int16_t(FPaper->currentData().toInt());
        Mode.Fields |= dmfPaperSize;
        // A paper chosen by number replaces one chosen by name or by size.
        Mode.Fields &= ~uint32_t(dmfFormName | dmfPaperLength | dmfPaperWidth);
    }
    if (FBin->currentIndex() >= 0) {
        Mode.DefaultSource = int16_t(FBin->currentData().toInt());
        Mode.Fields |= dmfDefaultSource;
    }
    Mode.Orientation = FLandscape->isChecked() ? dmOrientLandscape : dmOrientPortrait;
    Mode.Fields |= dmfOrientation;
    if (FDuplex->isEnabled() && FDuplex->currentIndex() >= 0) {
        Mode.Duplex = int16_t(FDuplex->currentData().toInt());
        Mode.Fields |= dmfDuplex;
    }
}

void TPrinterSetupDialog::Revert() {
    if (Printer().PrinterIndex() != FOriginalIndex) Printer().SetPrinterIndex(FOriginalIndex);
}
