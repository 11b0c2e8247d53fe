#include "viewer/PimPStat.h"
#include "host/resstrings.h"
#include "output/PimFile.h"
#include "output/PimUtil.h"
#include "viewer/PimPrev.h"

#include <QDialog>
#include <QLabel>
#include <QPushButton>

void PimApplyAbortAnswer(int Answer, TPimPrinter* Printer) {
    if (!Printer) return;
    if (Answer == IDYES) {
        Printer->SetStopPrinting(true);
        Printer->SetAbortPrinting(true);
    } else if (Answer == IDNO) {
        Printer->SetStopPrinting(true);
    }
}

TPimPreviewStatus::TPimPreviewStatus(TComponent* AOwner)
    : TCustomForm(AOwner), FDialog(std::make_unique<QDialog>()) {
    QDialog* D = FDialog.get();
    D->setObjectName(QStringLiteral("PimPreviewStatus"));
    D->setFixedSize(309, 130);
    SetBounds(0, 0, 309, 130);
    FLabel1 = new QLabel(D);
    FLabel1->setObjectName(QStringLiteral("Label1"));
    FLabel1->setGeometry(8, 14, 290, 19);
    FAbortButton = new QPushButton(D);
    FAbortButton->setObjectName(QStringLiteral("AbortButton"));
    FAbortButton->setGeometry(184, 44, 89, 33);
    FAbortButton->setDefault(true);
    FlbPage = new QLabel(D);
    FlbPage->setObjectName(QStringLiteral("lbPage"));
    FlbPage->setGeometry(12, 54, 61, 19);
    FlbPage->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    FPageNumber = new QLabel(QStringLiteral("1"), D);
    FPageNumber->setObjectName(QStringLiteral("PageNumber"));
    FPageNumber->setGeometry(78, 52, 81, 23);
    FPageNumber->setAlignment(Qt::AlignCenter);
    QObject::connect(FAbortButton, &QPushButton::clicked,
                     [this] { CallEventHandler(this, [this] { AbortButtonClick(); }); });
    // FormCreate
    FLabel1->setText(LoadStr(SPrintingWait));
    FAbortButton->setText(LoadStr(SAbort));
    FlbPage->setText(LoadStr(SPage));
    SetCaption(LoadStr(SPrintStatus));
    D->setWindowTitle(Caption());
}

TPimPreviewStatus::~TPimPreviewStatus() = default;

QWidget* TPimPreviewStatus::Widget() const {
    return FDialog.get();
}

QString TPimPreviewStatus::PageNumber() const {
    return FPageNumber->text();
}

void TPimPreviewStatus::UpdateStatus(TPimPrinter* Sender) {
    if (Sender) FPageNumber->setText(QString::number(Sender->PageNumber()));
}

void TPimPreviewStatus::AbortButtonClick() {
    const int Answer = PimAskAbort();
    PimApplyAbortAnswer(Answer, FPreview ? FPreview->PimPrinter() : nullptr);
}
