#include "host/dialogs.h"
#include "host/exceptions.h"
#include "host/forms.h"
#include "host/printers.h"
#include "host/printsetup.h"
#include "support/fakeprinter.h"
#include "support/scripteddialogs.h"
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <memory>

static void PrintTo(const QString& S, std::ostream* Out) {
    *Out << '"' << S.toStdString() << '"';
}

namespace {

class Dialogs : public ::testing::Test {
protected:
    void SetUp() override {
        ResetApplication();
        Application()->SetTitle(QStringLiteral("Pim Test"));
    }
    void TearDown() override {
        SetUnattendedDialogs(false);
        ResetApplication();
    }
};

TEST_F(Dialogs, AScriptedAnswerReachesTheCaller) {
    TScriptedDialogs Script;
    Script.Answer(mrNo);
    Script.Answer(mrCancel);
    EXPECT_EQ(MessageDlg(QStringLiteral("Delete the band?"), mtConfirmation, mbYesNoCancel), mrNo);
    EXPECT_EQ(MessageDlg(QStringLiteral("Again?"), mtWarning, mbOKCancel), mrCancel);
    ASSERT_EQ(Script.MessageCount(), 2);
    const auto& First = Script.Shown()[0];
    EXPECT_EQ(First.Caption, QStringLiteral("Confirm"));
    EXPECT_EQ(First.Text, QStringLiteral("Delete the band?"));
    EXPECT_EQ(First.Buttons, mbYes | mbNo | mbCancel);
    EXPECT_EQ(First.DefaultButton, mbYes);
    EXPECT_EQ(Script.Last().Caption, QStringLiteral("Warning"));
    EXPECT_EQ(Script.Last().DefaultButton, mbOK);
}

TEST_F(Dialogs, MessageBoxFlagsChooseButtonsIconAndDefault) {
    TScriptedDialogs Script;
    Script.Answer(IDYES);
    EXPECT_EQ(MessageBox(QStringLiteral("Abort the report?"), QStringLiteral("Abort Report?"),
                         MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2),
              IDYES);
    EXPECT_EQ(Script.Last().Buttons, mbYesNoCancel);
    EXPECT_EQ(Script.Last().DlgType, mtConfirmation);
    EXPECT_EQ(Script.Last().DefaultButton, mbNo);
    EXPECT_EQ(Script.Last().Caption, QStringLiteral("Abort Report?"));

    Script.Answer(IDRETRY);
    EXPECT_EQ(MessageBox(QStringLiteral("x"), QString(), MB_RETRYCANCEL | MB_ICONHAND | MB_DEFBUTTON2),
              IDRETRY);
    EXPECT_EQ(Script.Last().Buttons, mbRetry | mbCancel);
    EXPECT_EQ(Script.Last().DefaultButton, mbCancel);
    EXPECT_EQ(Script.Last().DlgType, mtError);

    // An answer that is not one of the box's buttons (the box was closed) never counts as consent.
    Script.Answer(mrClose);
    EXPECT_EQ(MessageBox(QStringLiteral("Delete?"), QStringLiteral("Delete?"), MB_YESNO), IDNO);
    Script.Answer(mrClose);
    EXPECT_EQ(MessageBox(QStringLiteral("Done"), QString(), MB_OK), IDOK);
    EXPECT_EQ(Script.Last().DlgType, mtCustom);
}

// A form whose OnShow sets its caption, as the system's forms load theirs when shown.
class TAskForm : public TForm {
public:
    explicit TAskForm(TComponent* AOwner) : TForm(AOwner) {
        OnShow = [this](TComponent*) {
            SetCaption(QStringLiteral("Page Movement"));
            ++Shows;
        };
    }
    int Shows = 0;
    int Page = 0;
};

TEST_F(Dialogs, AModalFormIsShownAndAnsweredByScript) {
    TScriptedDialogs Script;
    auto* Form = Application()->CreateForm<TAskForm>();
    Script.AnswerForm([](TCustomForm* F) {
        auto* Ask = dynamic_cast<TAskForm*>(F);
        EXPECT_TRUE(F->Visible());
        EXPECT_TRUE(F->Modal());
        Ask->Page = 12;
        F->SetModalResult(mrOk);
        return mrNone; // the form's own result ends the showing
    });
    Script.AnswerForm(mrCancel);
    EXPECT_EQ(Form->ShowModal(), mrOk);
    EXPECT_EQ(Form->Page, 12);
    EXPECT_FALSE(Form->Visible());
    EXPECT_FALSE(Form->Modal());
    EXPECT_EQ(Script.Last().Caption, QStringLiteral("Page Movement"));
    EXPECT_EQ(Form->ShowModal(), mrCancel);
    EXPECT_EQ(Form->Shows, 2);
}

TEST_F(Dialogs, AnExceptionInAFormScriptLeavesTheFormHidden) {
    TScriptedDialogs Script;
    TAskForm Form(nullptr);
    Script.AnswerForm([](TCustomForm*) -> TModalResult {
        throw EConvertError(QStringLiteral("'x' is not a valid integer value"));
    });
    EXPECT_THROW(Form.ShowModal(), EConvertError);
    EXPECT_FALSE(Form.Visible());
    EXPECT_FALSE(Form.Modal());
}

TEST_F(Dialogs, FileDialogsAreAnsweredByScript) {
    TScriptedDialogs Script;
    Script.AnswerFile(QStringLiteral("/tmp/out.pim"), 2);
    Script.AnswerFile(QString());
    TFileRequest Request;
    Request.Filter = QStringLiteral("Text|*.txt|Pim files|*.pim");
    Request.Save = true;
    EXPECT_TRUE(DialogService()->ExecuteFileDialog(Request));
    EXPECT_EQ(Request.FileName, QStringLiteral("/tmp/out.pim"));
    EXPECT_EQ(Request.FilterIndex, 2);
    EXPECT_FALSE(DialogService()->ExecuteFileDialog(Request));
    EXPECT_EQ(Request.FileName, QStringLiteral("/tmp/out.pim"));
}

TEST_F(Dialogs, AnUnscriptedDialogOrAnUnusedAnswerFailsTheTest) {
    EXPECT_NONFATAL_FAILURE(
        {
            TScriptedDialogs Script;
            MessageDlg(QStringLiteral("Surprise"), mtWarning, mbOK);
        },
        "unscripted dialog: Warning: Surprise");
    EXPECT_NONFATAL_FAILURE(
        {
            TScriptedDialogs Script;
            Script.Answer(mrYes);
        },
        "scripted answers left unused");
}

TEST_F(Dialogs, TheScriptedServiceIsInstalledOnlyWhileItLives) {
    EXPECT_EQ(DialogService(), QtDialogService());
    {
        TScriptedDialogs Outer;
        {
            TScriptedDialogs Inner;
            EXPECT_EQ(DialogService(), &Inner);
        }
        EXPECT_EQ(DialogService(), &Outer);
        Outer.SetUnscriptedAnswer(mrYes);
        EXPECT_EQ(MessageDlg(QStringLiteral("?"), mtConfirmation, mbYesNo), mrYes);
    }
    EXPECT_EQ(DialogService(), QtDialogService());
}

// Presses a button of the real message box once it is up; Text, when given, receives the box's text.
void PressWhenShown(QMessageBox::StandardButton Button, QString* Text = nullptr) {
    auto* Timer = new QTimer();
    QObject::connect(Timer, &QTimer::timeout, [Timer, Button, Text] {
        auto* Box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!Box) return;
        Timer->stop();
        Timer->deleteLater();
        if (Text) *Text = Box->text();
        Box->button(Button)->click();
    });
    Timer->start(5);
}

TEST_F(Dialogs, TheQtMessageBoxAnswersWithThePressedButton) {
    SetUnattendedDialogs(true);
    PressWhenShown(QMessageBox::No);
    EXPECT_EQ(MessageBox(QStringLiteral("Save changes?"), QStringLiteral("Confirm?"), MB_YESNOCANCEL), IDNO);
    PressWhenShown(QMessageBox::Retry);
    EXPECT_EQ(MessageDlg(QStringLiteral("Printer busy"), mtError, mbAbortRetryIgnore), mrRetry);

    // The system's texts break lines with a lone CR, which Qt would run together.
    QString Shown;
    PressWhenShown(QMessageBox::Cancel, &Shown);
    EXPECT_EQ(MessageBox(QStringLiteral("Yes - discard\rNo - keep\r\nCancel - go on\n"),
                         QStringLiteral("Abort?"), MB_YESNOCANCEL),
              IDCANCEL);
    EXPECT_EQ(Shown, QStringLiteral("Yes - discard\nNo - keep\nCancel - go on\n"));
}

// A form shown in a real window, a plain widget or a Qt dialog.
class TWindowForm : public TForm {
public:
    explicit TWindowForm(TComponent* AOwner, bool AsDialog = false)
        : TForm(AOwner), FWidget(AsDialog ? new QDialog() : new QWidget()) {}
    QWidget* Widget() const override { return FWidget.get(); }

private:
    std::unique_ptr<QWidget> FWidget;
};

void WhenVisible(TWindowForm* Form, std::function<void()> Action) {
    auto* Timer = new QTimer();
    QObject::connect(Timer, &QTimer::timeout, [Timer, Form, Action] {
        if (!Form->Widget()->isVisible()) return;
        Timer->stop();
        Timer->deleteLater();
        Action();
    });
    Timer->start(5);
}

TEST_F(Dialogs, TheRealModalLoopEndsWithTheFormsResult) {
    SetUnattendedDialogs(true);
    TWindowForm Form(nullptr);
    int Queries = 0;
    Form.OnCloseQuery = [&](TComponent*, bool& CanClose) { CanClose = ++Queries > 1; };
    WhenVisible(&Form, [&] {
        Form.SetModalResult(mrOk); // refused by OnCloseQuery: the loop goes on
        WhenVisible(&Form, [&] { Form.SetModalResult(mrYes); });
    });
    EXPECT_EQ(QtDialogService()->ShowModal(&Form), mrYes);
    EXPECT_EQ(Queries, 2);
    EXPECT_FALSE(Form.Widget()->isVisible());

    // Closing the window cancels.
    Form.OnCloseQuery = nullptr;
    WhenVisible(&Form, [&] { Form.Widget()->close(); });
    EXPECT_EQ(QtDialogService()->ShowModal(&Form), mrCancel);
    EXPECT_FALSE(Form.Visible());
}

TEST_F(Dialogs, AQtDialogThatAcceptsItselfEndsTheModalShowingWithOk) {
    SetUnattendedDialogs(true);
    TWindowForm Form(nullptr, true);
    auto* Dialog = static_cast<QDialog*>(Form.Widget());
    WhenVisible(&Form, [&] { Dialog->accept(); });
    EXPECT_EQ(QtDialogService()->ShowModal(&Form), mrOk);
    WhenVisible(&Form, [&] { Dialog->reject(); });
    EXPECT_EQ(QtDialogService()->ShowModal(&Form), mrCancel);
}

TEST_F(Dialogs, AFormWithoutAWindowCannotBeShownModallyForReal) {
    SetUnattendedDialogs(true);
    TForm Form(nullptr);
    EXPECT_THROW(QtDialogService()->ShowModal(&Form), EInvalidOperation);
    EXPECT_FALSE(Form.Visible());
}

TEST_F(Dialogs, WithNobodyToAnswerTheQtServiceAnswersAsClosedInsteadOfWaiting) {
    ASSERT_FALSE(DialogsCanBeAnswered()); // the tests run on the offscreen platform
    EXPECT_EQ(MessageBox(QStringLiteral("Delete?"), QStringLiteral("Delete?"), MB_YESNO), IDNO);
    EXPECT_EQ(MessageDlg(QStringLiteral("Abort?"), mtConfirmation, mbYesNoCancel), mrCancel);
    TWindowForm Form(nullptr);
    EXPECT_EQ(Form.ShowModal(), mrCancel);
    TFileRequest Request;
    EXPECT_FALSE(DialogService()->ExecuteFileDialog(Request));
}

} // namespace

namespace {

TEST_F(Dialogs, ThePrinterSetupDialogSetsThePrinterAndItsDeviceMode) {
    std::vector<std::unique_ptr<TFakePrinter>> List;
    List.push_back(TFakePrinter::Office(QStringLiteral("First")));
    List.push_back(TFakePrinter::Office(QStringLiteral("Second")));
    TFakePrinterList Printers(std::move(List));
    {
        TPrinterSetupDialog Dialog;
        auto* Names = Dialog.findChild<QComboBox*>(QStringLiteral("Printer"));
        ASSERT_EQ(Names->count(), 2);
        EXPECT_EQ(Dialog.findChild<QComboBox*>(QStringLiteral("Paper"))->currentText(),
                  QStringLiteral("Letter"));
        Names->setCurrentIndex(1);
        EXPECT_EQ(Printer().PrinterIndex(), 1); // the papers and bins offered are the new printer's
        Dialog.findChild<QComboBox*>(QStringLiteral("Paper"))->setCurrentIndex(1);
        Dialog.findChild<QComboBox*>(QStringLiteral("Bin"))->setCurrentIndex(2);
        Dialog.findChild<QRadioButton*>(QStringLiteral("Landscape"))->setChecked(true);
        Dialog.findChild<QComboBox*>(QStringLiteral("Duplex"))->setCurrentIndex(1);
        Dialog.Apply();
    }
    const TDeviceMode& Mode = Printer().DeviceMode();
    EXPECT_EQ(Printer().PrinterIndex(), 1);
    EXPECT_EQ(Mode.PaperSize, dmPaperLegal);
    EXPECT_FALSE(Mode.Has(dmfFormName)); // a paper by name would override the one chosen
    EXPECT_EQ(Mode.DefaultSource, 261);
    EXPECT_EQ(Mode.Orientation, dmOrientLandscape);
    EXPECT_EQ(Mode.Duplex, dmDupVertical);

    // A cancelled dialog puts the former printer back.
    TPrinterSetupDialog Cancelled;
    Cancelled.findChild<QComboBox*>(QStringLiteral("Printer"))->setCurrentIndex(0);
    Cancelled.Revert();
    EXPECT_EQ(Printer().PrinterIndex(), 1);

    TFakePrinterList None;
    EXPECT_THROW(TPrinterSetupDialog(), Exception);
}

TEST_F(Dialogs, AScriptedTypeChangeRunsTheRequestsHandler) {
    TScriptedDialogs Script;
    Script.AnswerFile(QString(), 3);
    Script.AnswerFile(QStringLiteral("/tmp/chosen.pim"), 1);
    TFileRequest Request;
    Request.FileName = QStringLiteral("/tmp/report.pim");
    std::vector<int> Types;
    Request.OnTypeChange = [&](TFileRequest& R) {
        Types.push_back(R.FilterIndex);
        R.FileName.replace(QStringLiteral(".pim"), QStringLiteral(".txt"));
    };
    ASSERT_TRUE(DialogService()->ExecuteFileDialog(Request));
    EXPECT_EQ(Request.FileName, QStringLiteral("/tmp/report.txt"));
    EXPECT_EQ(Request.FilterIndex, 3);
    EXPECT_EQ(Script.Last().Renamed, QStringLiteral("/tmp/report.txt"));
    // The same type again is no change.
    Request.FilterIndex = 1;
    ASSERT_TRUE(DialogService()->ExecuteFileDialog(Request));
    EXPECT_EQ(Types, std::vector<int>{3});
    EXPECT_EQ(Request.FileName, QStringLiteral("/tmp/chosen.pim"));
}

} // namespace

namespace {

TEST_F(Dialogs, TheQtFileDialogRenamesTheFileWhenTheTypeChanges) {
    SetUnattendedDialogs(true);
    TFileRequest Request;
    Request.Save = true;
    Request.Filter = QStringLiteral("Pim File (*.pim)|*.pim|Text File|*.txt");
    Request.InitialDir = QDir::tempPath();
    Request.FileName = QStringLiteral("report.pim");
    Request.OnTypeChange = [](TFileRequest& R) {
        if (R.FilterIndex == 2) R.FileName.replace(QStringLiteral(".pim"), QStringLiteral(".txt"));
    };
    QString Shown;
    QTimer::singleShot(0, [&] {
        auto* Dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(Dialog, nullptr);
        auto* Types = Dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        ASSERT_NE(Types, nullptr);
        QKeyEvent Down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier); // the user picks the next type
        QCoreApplication::sendEvent(Types, &Down);
        Shown = Dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text();
        Dialog->reject();
    });
    EXPECT_FALSE(QtDialogService()->ExecuteFileDialog(Request));
    EXPECT_EQ(Shown, QStringLiteral("report.txt"));
}

} // namespace
