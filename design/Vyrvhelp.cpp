#include "design/Vyrvhelp.h"
#include "host/widgets.h"

#include <QDialog>
#include <QFile>
#include <QFont>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {
// The client area at 96 pixels per inch; a finer screen takes a smaller font and a wider form.
constexpr int HelpHeight = 440;
constexpr int ButtonWidth = 75;
constexpr int ButtonHeight = 25;
constexpr int ButtonLeft = 505;
constexpr int FineScreenExtraWidth = 70;
} // namespace

QString VyrVarHelpText() {
    QFile File(QStringLiteral(":/design/Vyrvhelp.txt"));
    if (!File.open(QIODevice::ReadOnly)) return QString();
    return QString::fromUtf8(File.readAll());
}

void VyrShowVarHelp() {
    TVyrVarHelp Help(nullptr);
    Help.ShowModal();
}

TVyrVarHelp::TVyrVarHelp(TComponent* AOwner) : TCustomForm(AOwner), FDialog(std::make_unique<QDialog>()) {
    QDialog* D = FDialog.get();
    D->setObjectName(QStringLiteral("VyrVarHelp"));
    SetCaption(QStringLiteral("Help for Data Control"));
    D->setWindowTitle(Caption());

    const bool FineScreen = Screen()->PixelsPerInch() > 96;
    int Width = ButtonLeft + ButtonWidth + 10;
    if (FineScreen) Width += FineScreenExtraWidth;
    const int ButtonTop = HelpHeight - ButtonHeight - 8;
    FMemo1 = MakeFormWidget<QPlainTextEdit>(D, "Memo1", 0, 0, Width, ButtonTop - 8);
    QFont Font(QStringLiteral("Courier New"));
    Font.setPointSize(FineScreen ? 7 : 9);
    FMemo1->setFont(Font);
    FMemo1->setReadOnly(true);
    FMemo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    FMemo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FMemo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    FMemo1->setPlainText(VyrVarHelpText());
    FExitButton = MakeFormWidget<QPushButton>(D, "ExitButton", Width - ButtonWidth - 10, ButtonTop,
                                              ButtonWidth, ButtonHeight, "E&xit");
    FExitButton->setDefault(true);
    D->setFixedSize(Width, HelpHeight);
    SetBounds(0, 0, Width, HelpHeight);
    CenterOnScreen(D);

    QObject::connect(FExitButton, &QPushButton::clicked, [this] { ExitButtonClick(); });
    // Escape closes the help as the button does.
    QObject::connect(D, &QDialog::rejected, [this] { ExitButtonClick(); });
}

TVyrVarHelp::~TVyrVarHelp() = default;

QWidget* TVyrVarHelp::Widget() const {
    return FDialog.get();
}

void TVyrVarHelp::ExitButtonClick() {
    Close();
}
