#include "report/VyrDest.h"
#include "host/dialogs.h"
#include "host/exceptions.h"
#include "host/formatting.h"
#include "host/resstrings.h"
#include "output/PimUtil.h"
#include "report/PSetup.h"

#include <QCheckBox>
#include <QDialog>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

TVyrDestinationChoice VyrReadDestinationChoice(bool AllPages, const QString& StartText, const QString& EndText,
                                               const QString& CopiesText) {
    TVyrDestinationChoice Choice;
    if (!AllPages) {
        auto Page = [](const QString& Text) {
            if (PimEmpty(Text)) return 0;
            const int Value = StrToInt(PimRightTrim(Text));
            if (Value < 0) throw EConvertError(QStringLiteral("'%s' is not a valid page number"), {Text});
            return Value;
        };
        Choice.RangeStart = Page(StartText);
        Choice.RangeEnd = Page(EndText);
        // An end of 0 stands for the last page.
        if (Choice.RangeEnd > 0 && Choice.RangeStart > Choice.RangeEnd)
            throw EConvertError(QStringLiteral("The range from page %s to page %s is empty"),
                                {QString::number(Choice.RangeStart), QString::number(Choice.RangeEnd)});
    }
    Choice.Copies = StrToInt(PimRightTrim(CopiesText));
    if (Choice.Copies < 0 || Choice.Copies > VyrMaxCopies)
        throw EConvertError(QStringLiteral("'%s' is not a valid number of copies"), {CopiesText});
    return Choice;
}

namespace {
template <class T> T* Make(QWidget* Parent, const char* Name, int X, int Y, int W, int H, const char* Text = nullptr) {
    auto* Widget = new T(Parent);
    Widget->setObjectName(QString::fromLatin1(Name));
    Widget->setGeometry(X, Y, W, H);
    if constexpr (requires(T* W) { W->setText(QString()); })
        if (Text) Widget->setText(QString::fromLatin1(Text));
    return Widget;
}
} // namespace

TVyrReportDestination::TVyrReportDestination(TComponent* AOwner)
    : TCustomForm(AOwner), FDialog(std::make_unique<QDialog>()) {
    SetFormStyle(fsStayOnTop);
    QDialog* D = FDialog.get();
    D->setObjectName(QStringLiteral("VyrReportDestination"));
    D->setFixedSize(366, 212);
    D->setWindowFlag(Qt::WindowStaysOnTopHint);
    QFont Font(QStringLiteral("Arial"));
    Font.setPixelSize(12);
    D->setFont(Font);
    QPalette Palette = D->palette();
    Palette.setColor(QPalette::WindowText, Qt::black);
    D->setPalette(Palette);
    SetBounds(0, 0, 366, 212);
    SetCaption(QStringLiteral("Report Destination"));
    D->setWindowTitle(Caption());

    Fdestgroup = Make<QGroupBox>(D, "destgroup", 8, 3, 143, 76);
    Fdestgroup->setTitle(QStringLiteral("Destination"));
    FgoPrinter = Make<QRadioButton>(Fdestgroup, "goPrinter", 13, 21, 112, 20, "P&rinter");
    FgoScreen = Make<QRadioButton>(Fdestgroup, "goScreen", 13, 47, 112, 20, "S&creen");
    FgoScreen->setChecked(true);
    Frangegroup = Make<QGroupBox>(D, "rangegroup", 8, 92, 185, 101);
    Frangegroup->setTitle(QStringLiteral("Range"));
    FrangeAll = Make<QRadioButton>(Frangegroup, "rangeAll", 13, 22, 80, 17, "All");
    FrangeAll->setChecked(true);
    FrangePages = Make<QRadioButton>(Frangegroup, "rangePages", 13, 45, 78, 17, "Pages");
    FlbFrom = Make<QLabel>(Frangegroup, "lbFrom", 20, 70, 29, 15, "From");
    FlbFrom->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    FStartRange = Make<QLineEdit>(Frangegroup, "StartRange", 54, 68, 37, 23);
    FStartRange->setEnabled(false);
    FlbTo = Make<QLabel>(Frangegroup, "lbTo", 117, 70, 14, 15, "To");
    FlbTo->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    FEndRange = Make<QLineEdit>(Frangegroup, "EndRange", 136, 68, 37, 23);
    FEndRange->setEnabled(false);
    FbtnPrint = Make<QPushButton>(D, "btnPrint", 238, 13, 115, 33, "&Print");
    FbtnPrint->setDefault(true);
    FbtnCancel = Make<QPushButton>(D, "btnCancel", 238, 58, 115, 32, "&Cancel");
    Fprintersetup = Make<QPushButton>(D, "printersetup", 238, 102, 115, 33, "Printer &Setup");
    FlbCopies = Make<QLabel>(D, "lbCopies", 241, 148, 40, 15, "Copies");
    FlbCopies->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    FCopies = Make<QLineEdit>(D, "Copies", 288, 146, 37, 23);
    FCollatedCopies = Make<QCheckBox>(D, "CollatedCopies", 248, 176, 113, 17, "Collate");

    QWidget::setTabOrder(Fdestgroup, Frangegroup);
    QWidget::setTabOrder(Frangegroup, FbtnPrint);
    QWidget::setTabOrder(FbtnPrint, FbtnCancel);
    QWidget::setTabOrder(FbtnCancel, Fprintersetup);
    QWidget::setTabOrder(Fprintersetup, FCollatedCopies);
    QWidget::setTabOrder(FCollatedCopies, FCopies);

    QObject::connect(FbtnPrint, &QPushButton::clicked,
                     [this] { CallEventHandler(this, [this] { btnPrintClick(); }); });
    QObject::connect(FbtnCancel, &QPushButton::clicked, [this] { SetModalResult(mrCancel); });
    QObject::connect(Fprintersetup, &QPushButton::clicked,
                     [this] { CallEventHandler(this, [this] { printersetupClick(); }); });
    QObject::connect(FrangeAll, &QRadioButton::clicked, [this] { rangeAllClick(); });
    QObject::connect(FrangePages, &QRadioButton::clicked, [this] { rangePagesClick(); });
}

TVyrReportDestination::~TVyrReportDestination() = default;

QWidget* TVyrReportDestination::Widget() const {
    return FDialog.get();
}

void TVyrReportDestination::DoShow() {
    FormShow();
    TCustomForm::DoShow();
}

void TVyrReportDestination::FormShow() {
    FgoPrinter->setText(LoadStr(SPrinterButton));
    FgoScreen->setText(LoadStr(SScreenButton));
    FrangeAll->setText(LoadStr(SAll));
    FrangePages->setText(LoadStr(SPages));
    FlbFrom->setText(LoadStr(SFrom));
    FlbTo->setText(LoadStr(STo));
    FbtnPrint->setText(LoadStr(SPrintButton));
    FbtnCancel->setText(LoadStr(SCancelButton));
    Fprintersetup->setText(LoadStr(SPrinterSetupButton));
    FlbCopies->setText(LoadStr(SCopies));
    FCollatedCopies->setText(LoadStr(SCollate));
    SetCaption(LoadStr(SReportDestination));
    FDialog->setWindowTitle(Caption());
    Fdestgroup->setTitle(LoadStr(SDestination));
    Frangegroup->setTitle(LoadStr(SRange));
    if (!FPageSetup) return;

    const bool Printers = FPageSetup->AnyPrinters();
    FgoPrinter->setEnabled(Printers);
    Fprintersetup->setEnabled(Printers);
    if (FPageSetup->Destination() != destPrinter)
        FgoScreen->setChecked(true);
    else
        FgoPrinter->setChecked(true);

    FStartRange->clear();
    FEndRange->clear();
    if (FPageSetup->RangeStart() > 0) FStartRange->setText(QString::number(FPageSetup->RangeStart()));
    if (FPageSetup->RangeEnd() > 0) FEndRange->setText(QString::number(FPageSetup->RangeEnd()));
    if (FPageSetup->RangeStart() > 0 || FPageSetup->RangeEnd() > 0) {
        FrangePages->setChecked(true);
        rangePagesClick();
    } else {
        FrangeAll->setChecked(true);
        rangeAllClick();
    }

    FCopies->setText(QString::number(FPageSetup->Copies()));
    FCollatedCopies->setChecked(FPageSetup->CollatedCopies());
    if (Printers) FPageSetup->LoadSettings();
}

void TVyrReportDestination::rangeAllClick() {
    FStartRange->clear();
    FEndRange->clear();
    FStartRange->setEnabled(false);
    FEndRange->setEnabled(false);
}

void TVyrReportDestination::rangePagesClick() {
    FStartRange->setEnabled(true);
    FEndRange->setEnabled(true);
    if (FStartRange->text().isEmpty()) FStartRange->setText(QStringLiteral("1"));
    if (FEndRange->text().isEmpty()) FEndRange->setText(QStringLiteral("0"));
}

void TVyrReportDestination::printersetupClick() {
    WithFormsNotOnTop({this}, [] { ExecutePrinterSetupDialog(); });
}

void TVyrReportDestination::btnPrintClick() {
    if (!FPageSetup) throw EInvalidOperation(QStringLiteral("The report destination dialog has no page setup"));
    const bool AllPages = FrangeAll->isChecked();
    if (!AllPages) {
        if (PimEmpty(FStartRange->text())) FStartRange->setText(QStringLiteral("0"));
        if (PimEmpty(FEndRange->text())) FEndRange->setText(QStringLiteral("0"));
    }
    // Every text is read before the page setup changes, so a bad one leaves it as it was.
    const TVyrDestinationChoice Choice =
        VyrReadDestinationChoice(AllPages, FStartRange->text(), FEndRange->text(), FCopies->text());
    const bool Printers = FPageSetup->AnyPrinters();
    FPageSetup->SetDestination(FgoPrinter->isChecked() ? destPrinter : destScreen);
    FPageSetup->SetRangeStart(Choice.RangeStart);
    FPageSetup->SetRangeEnd(Choice.RangeEnd);
    if (Printers) FPageSetup->CopySettings();
    FPageSetup->SetCopies(Choice.Copies);
    FPageSetup->SetCollatedCopies(FCollatedCopies->isChecked());
    if (Printers) FPageSetup->LoadSettings();
    SetModalResult(mrOk);
}
