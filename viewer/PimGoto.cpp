#include "viewer/PimGoto.h"
#include "host/formatting.h"
#include "output/PimUtil.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

bool PimGotoPageTarget(const QString& Entry, int PageCount, int& Page) {
    if (PimEmpty(Entry)) return false;
    const int N = StrToInt(PimRightTrim(Entry));
    if (N >= PageCount)
        Page = PageCount;
    else if (N > 0)
        Page = N;
    else
        Page = 1;
    return true;
}

TPimGotoPage::TPimGotoPage(TComponent* AOwner) : TCustomForm(AOwner), FDialog(std::make_unique<QDialog>()) {
    QDialog* D = FDialog.get();
    D->setObjectName(QStringLiteral("PimGotoPage"));
    D->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    D->setFixedSize(244, 111);
    SetBounds(0, 0, 244, 111);
    FLabel1 = new QLabel(D);
    FLabel1->setObjectName(QStringLiteral("Label1"));
    FLabel1->setGeometry(44, 28, 72, 16);
    FPageNum = new QLineEdit(D);
    FPageNum->setObjectName(QStringLiteral("PageNum"));
    FPageNum->setGeometry(120, 24, 73, 21);
    FPageNum->setMaxLength(6);
    FPageNum->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,6}")), FPageNum));
    FButton1 = new QPushButton(D);
    FButton1->setObjectName(QStringLiteral("Button1"));
    FButton1->setGeometry(8, 60, 107, 33);
    FButton1->setDefault(true);
    FButton2 = new QPushButton(D);
    FButton2->setObjectName(QStringLiteral("Button2"));
    FButton2->setGeometry(132, 60, 109, 33);
    QObject::connect(FButton1, &QPushButton::clicked, [this] { SetModalResult(mrOk); });
    QObject::connect(FButton2, &QPushButton::clicked, [this] { SetModalResult(mrCancel); });
    FPageNum->setFocus();
}

TPimGotoPage::~TPimGotoPage() = default;

QWidget* TPimGotoPage::Widget() const {
    return FDialog.get();
}

void TPimGotoPage::SetCaption(const QString& Value) {
    TCustomForm::SetCaption(Value);
    FDialog->setWindowTitle(Value);
}
