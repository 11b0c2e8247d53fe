#include "viewer/PimDest.h"
#include "host/dialogs.h"
#include "host/exceptions.h"
#include "host/formatting.h"
#include "host/resstrings.h"
#include "output/PimSetup.h"
#include "output/PimUtil.h"
#include "viewer/PimPrev.h"

#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

TPimPrintChoice PimReadPrintChoice(TPimPrintRange Range, const QString& CopiesText, bool Collate,
                                   const QString& StartText, const QString& EndText, int CurrentPage) {
    TPimPrintChoice Choice;
    Choice.Collate = Collate;
    Choice.Copies = StrToInt(PimRightTrim(CopiesText));
    if (Choice.Copies < 1)
        throw EConvertError(QStringLiteral("'%s' is not a valid number of copies"), {CopiesText});
    switch (Range) {
    case prAll:
        break;
    case prCurrentPage:
        Choice.StartPage = Choice.EndPage = CurrentPage;
        break;
    case prPages: {
        auto Page = [](const QString& Text) { return PimEmpty(Text) ? 0 : StrToInt(PimRightTrim(Text)); };
        Choice.StartPage = Page(StartText);
        Choice.EndPage = Page(EndText);
        if (Choice.StartPage > 0 && Choice.EndPage > 0 && Choice.StartPage > Choice.EndPage)
            throw EConvertError(QStringLiteral("The range from page %s to page %s is empty"),
                                {QString::number(Choice.StartPage), QString::number(Choice.EndPage)});
        break;
    }
    }
    return Choice;
}

namespace {
template <class T> T* Make(QWidget* Parent, const char* Name, int X, int Y, int W, int H) {
    auto* Widget = new T(Parent);
    Widget->setObjectName(QString::fromLatin1(Name));
    Widget->setGeometry(X, Y, W, H);
    return Widget;
}
} // namespace

TPimPrintDestination::TPimPrintDestination(TComponent* AOwner)
    : TCustomForm(AOwner), FDialog(std::make_unique<QDialog>()) {
    SetFormStyle(fsStayOnTop);
    QDialog* D = FDialog.get();
    D->setObjectName(QStringLiteral("PimPrintDestination"));
    D->setFixedSize(323, 176);
    D->setWindowFlag(Qt::WindowStaysOnTopHint);
    SetBounds(0, 0, 323, 176);
    FbtnPrint = Make<QPushButton>(D, "btnPrint", 199, 40, 122, 34);
    FbtnPrint->setDefault(true);
    FbtnCancel = Make<QPushButton>(D, "btnCancel", 200, 84, 121, 32);
    Fprintersetup = Make<QPushButton>(D, "printersetup", 200, 126, 121, 33);
    Frangegroup = Make<QGroupBox>(D, "rangegroup", 5, 41, 185, 115);
    FlbFrom = Make<QLabel>(Frangegroup, "lbFrom", 24, 89, 33, 16);
    FlbTo = Make<QLabel>(Frangegroup, "lbTo", 103, 89, 36, 16);
    FlbFrom->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    FlbTo->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    FlbCopies = Make<QLabel>(D, "lbCopies", 12, 14, 47, 19);
    FlbCopies->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    FrangeAll = Make<QRadioButton>(Frangegroup, "rangeAll", 16, 18, 150, 20);
    FrangeCurrent = Make<QRadioButton>(Frangegroup, "rangeCurrent", 16, 40, 150, 20);
    FrangePages = Make<QRadioButton>(Frangegroup, "rangePages", 16, 60, 150, 20);
    FrangeAll->setChecked(true);
    FCollatedCopies = Make<QCheckBox>(D, "CollatedCopies", 112, 12, 80, 20);
    FStartRange = Make<QLineEdit>(Frangegroup, "StartRange", 60, 86, 37, 21);
    FEndRange = Make<QLineEdit>(Frangegroup, "EndRange", 142, 86, 37, 21);
    FStartRange->setEnabled(false);
    FEndRange->setEnabled(false);
    FCopies = Make<QLineEdit>(D, "Copies", 62, 12, 37, 21);

    QObject::connect(FbtnPrint, &QPushButton::clicked,
                     [this] { CallEventHandler(this, [this] { btnPrintClick(); }); });
    QObject::connect(FbtnCancel, &QPushButton::clicked, [this] { SetModalResult(mrCancel); });
    QObject::connect(Fprintersetup, &QPushButton::clicked,
                     [this] { CallEventHandler(this, [this] { printersetupClick(); }); });
    for (QRadioButton* B : {FrangeAll, FrangeCurrent, FrangePages})
        QObject::connect(B, &QRadioButton::clicked, [this] { RangeClick(); });
}

TPimPrintDestination::~TPimPrintDestination() = default;

QWidget* TPimPrintDestination::Widget() const {
    return FDialog.get();
}

void TPimPrintDestination::DoShow() {
    FormShow();
    TCustomForm::DoShow();
}

void TPimPrintDestination::FormShow() {
    FrangeAll->setText(LoadStr(SAll));
    FrangePages->setText(LoadStr(SPages));
    FrangeCurrent->setText(LoadStr(SCurrentPage));
    FlbFrom->setText(LoadStr(SFrom));
    FlbTo->setText(LoadStr(STo));
    FbtnPrint->setText(LoadStr(SPrintButton));
    FbtnCancel->setText(LoadStr(SCancelButton));
    Fprintersetup->setText(LoadStr(SPrinterSetupButton));
    FlbCopies->setText(LoadStr(SCopies));
    FCollatedCopies->setText(LoadStr(SCollate));
    SetCaption(LoadStr(SReportDestination));
    FDialog->setWindowTitle(Caption());
    Frangegroup->setTitle(LoadStr(SRange));
    FStartRange->clear();
    FEndRange->clear();
    if (FPimPrinterSetup) {
        FCopies->setText(QString::number(FPimPrinterSetup->Copies()));
        FCollatedCopies->setChecked(FPimPrinterSetup->CollatedCopies());
    }
    FStartPage = 0;
    FEndPage = 0;
}

TPimPrintRange TPimPrintDestination::Range() const {
    if (FrangePages->isChecked()) return prPages;
    if (FrangeCurrent->isChecked()) return prCurrentPage;
    return prAll;
}

void TPimPrintDestination::SetRange(TPimPrintRange Value) {
    QRadioButton* B = Value == prPages ? FrangePages : Value == prCurrentPage ? FrangeCurrent : FrangeAll;
    B->setChecked(true);
    RangeClick();
}

void TPimPrintDestination::RangeClick() {
    const bool Pages = FrangePages->isChecked();
    FStartRange->setEnabled(Pages);
    FEndRange->setEnabled(Pages);
    if (Pages && FPreview) {
        FStartRange->setText(QStringLiteral("1"));
        FEndRange->setText(QString::number(FPreview->PageCount()));
    } else {
        FStartRange->clear();
        FEndRange->clear();
    }
}

void TPimPrintDestination::printersetupClick() {
    // A window that stays on top would hide the printer-setup dialog.
    WithFormsNotOnTop({FViewer, this}, [] { ExecutePrinterSetupDialog(); });
}

void TPimPrintDestination::btnPrintClick() {
    const int Current = FPreview ? FPreview->Page() : 0;
    const TPimPrintChoice Choice = PimReadPrintChoice(Range(), FCopies->text(), FCollatedCopies->isChecked(),
                                                      FStartRange->text(), FEndRange->text(), Current);
    if (FPimPrinterSetup) {
        // Keeps what the printer-setup dialog changed.
        FPimPrinterSetup->GetData();
        FPimPrinterSetup->SetCollatedCopies(Choice.Collate);
        FPimPrinterSetup->SetCopies(Choice.Copies);
        FPimPrinterSetup->SetData();
    }
    FStartPage = Choice.StartPage;
    FEndPage = Choice.EndPage;
    SetModalResult(mrOk);
}
