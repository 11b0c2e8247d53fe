#include "host/printers.h"
#include "output/PimSetup.h"
#include "report/PSetup.h"
#include "report/VyrDest.h"
#include "support/fakeprinter.h"
#include "support/reportfixture.h"
#include "support/scripteddialogs.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

namespace {

std::vector<std::unique_ptr<TFakePrinter>> OfficePrinter() {
    std::vector<std::unique_ptr<TFakePrinter>> List;
    List.push_back(TFakePrinter::Office());
    return List;
}

TVyrReportDestination* AsDialog(TCustomForm* Form) {
    auto* Dialog = dynamic_cast<TVyrReportDestination*>(Form);
    EXPECT_NE(Dialog, nullptr);
    return Dialog;
}

// The page setup's choices in one line, so that a changed setup shows in full.
std::string SetupOf(const TVyrPageSetup& S) {
    return QStringLiteral("dest %1 range %2-%3 copies %4 collate %5 orient %6")
        .arg(S.Destination())
        .arg(S.RangeStart())
        .arg(S.RangeEnd())
        .arg(S.Copies())
        .arg(S.CollatedCopies())
        .arg(S.Orientation())
        .toStdString();
}

class ReportDestination : public ::testing::Test {
protected:
    void SetUp() override { PimClearPrinterInfoCache(); }
    void TearDown() override { PimClearPrinterInfoCache(); }
};

} // namespace

TEST_F(ReportDestination, OpensOnTheSetupAndWritesTheWholeChoiceBackOnPrint) {
    TFakePrinterList Printers(OfficePrinter());
    TVyrPageSetup Setup;
    Setup.SetDestination(destFile);
    Setup.SetRangeStart(0);
    Setup.SetRangeEnd(5);
    Setup.SetCopies(2);
    Setup.SetCollatedCopies(true);
    Setup.SetOrientation(poPortrait);

    TScriptedDialogs Script;
    Script.AnswerForm([](TCustomForm* Form) {
        TVyrReportDestination* D = AsDialog(Form);
        // Texts come from the string table, the controls stand where the form puts them.
        EXPECT_EQ(Form->Widget()->size(), QSize(366, 212));
        EXPECT_EQ(D->Caption(), QStringLiteral("Report Destination"));
        EXPECT_EQ(D->destgroup()->title(), QStringLiteral("Destination"));
        EXPECT_EQ(D->rangegroup()->title(), QStringLiteral("Range"));
        EXPECT_EQ(D->goScreen()->text(), QStringLiteral("Scr&een"));
        EXPECT_EQ(D->printersetup()->text(), QStringLiteral("Printer &Setup"));
        EXPECT_EQ(D->CollatedCopies()->text(), QStringLiteral("Collate"));
        EXPECT_EQ(D->StartRange()->geometry(), QRect(54, 68, 37, 23));
        EXPECT_EQ(D->Copies()->geometry(), QRect(288, 146, 37, 23));
        EXPECT_EQ(D->btnPrint()->geometry(), QRect(238, 13, 115, 33));
        EXPECT_EQ(D->Copies()->objectName(), QStringLiteral("Copies"));
        // A file destination is offered as the screen; a range ending at 5 starts at 1.
        EXPECT_TRUE(D->goScreen()->isChecked());
        EXPECT_TRUE(D->goPrinter()->isEnabled());
        EXPECT_TRUE(D->printersetup()->isEnabled());
        EXPECT_TRUE(D->rangePages()->isChecked());
        EXPECT_TRUE(D->StartRange()->isEnabled());
        EXPECT_EQ(D->StartRange()->text(), QStringLiteral("1"));
        EXPECT_EQ(D->EndRange()->text(), QStringLiteral("5"));
        EXPECT_EQ(D->Copies()->text(), QStringLiteral("2"));
        EXPECT_TRUE(D->CollatedCopies()->isChecked());
        // Showing put the setup on the printer.
        EXPECT_EQ(Printer().DeviceMode().Orientation, dmOrientPortrait);

        // All empties and disables the range; Pages fills empty edits with 1 and 0.
        D->rangeAll()->click();
        EXPECT_TRUE(D->StartRange()->text().isEmpty());
        EXPECT_FALSE(D->EndRange()->isEnabled());
        D->rangePages()->click();
        EXPECT_EQ(D->StartRange()->text(), QStringLiteral("1"));
        EXPECT_EQ(D->EndRange()->text(), QStringLiteral("0"));

        // The printer-setup dialog changes the printer; Print takes that over into the setup.
        D->printersetup()->click();
        D->goPrinter()->click();
        D->StartRange()->setText(QStringLiteral("3 "));
        D->EndRange()->setText(QStringLiteral("7"));
        D->Copies()->setText(QStringLiteral("4  "));
        D->CollatedCopies()->setChecked(false);
        D->btnPrint()->click();
        return mrNone;
    });
    Script.AnswerPrinterSetup([] {
        Printer().DeviceMode().Orientation = dmOrientLandscape;
        Printer().DeviceMode().Fields |= dmfOrientation;
    });

    TVyrReportDestination Dialog(nullptr);
    Dialog.SetPageSetup(&Setup);
    EXPECT_EQ(Dialog.ShowModal(), mrOk);
    EXPECT_EQ(Script.Pending(), 0);
    EXPECT_EQ(SetupOf(Setup), SetupOf([] {
                  static TVyrPageSetup Want;
                  Want.SetDestination(destPrinter);
                  Want.SetRangeStart(3);
                  Want.SetRangeEnd(7);
                  Want.SetCopies(4);
                  Want.SetCollatedCopies(false);
                  Want.SetOrientation(poLandscape);
                  return std::cref(Want);
              }()));
    // And the setup went back to the printer.
    EXPECT_EQ(Printer().DeviceMode().Copies, 4);
    EXPECT_EQ(Printer().DeviceMode().Collate, 0);
    EXPECT_EQ(Printer().DeviceMode().Orientation, dmOrientLandscape);

    // Pages with both edits emptied stores 0 to 0; Cancel afterwards changes nothing.
    Script.AnswerForm([](TCustomForm* Form) {
        TVyrReportDestination* D = AsDialog(Form);
        EXPECT_TRUE(D->goPrinter()->isChecked());
        EXPECT_EQ(D->StartRange()->text(), QStringLiteral("3"));
        D->StartRange()->clear();
        D->EndRange()->setText(QStringLiteral("  "));
        D->btnPrint()->click();
        return mrNone;
    });
    EXPECT_EQ(Dialog.ShowModal(), mrOk);
    EXPECT_EQ(Setup.RangeStart(), 0);
    EXPECT_EQ(Setup.RangeEnd(), 0);
    const std::string Before = SetupOf(Setup);
    Script.AnswerForm([](TCustomForm* Form) {
        TVyrReportDestination* D = AsDialog(Form);
        D->goScreen()->click();
        D->Copies()->setText(QStringLiteral("9"));
        D->btnCancel()->click();
        return mrNone;
    });
    EXPECT_EQ(Dialog.ShowModal(), mrCancel);
    EXPECT_EQ(SetupOf(Setup), Before);
}

TEST_F(ReportDestination, WithoutPrintersOffersTheScreenOnly) {
    TFakePrinterList NoPrinters;
    TVyrPageSetup Setup;
    Setup.SetDestination(destPrinter);
    TScriptedDialogs Script;
    Script.AnswerForm([](TCustomForm* Form) {
        TVyrReportDestination* D = AsDialog(Form);
        EXPECT_FALSE(D->goPrinter()->isEnabled());
        EXPECT_FALSE(D->printersetup()->isEnabled());
        EXPECT_TRUE(D->rangeAll()->isChecked());
        D->goScreen()->click();
        D->btnPrint()->click();
        return mrNone;
    });
    TVyrReportDestination Dialog(nullptr);
    Dialog.SetPageSetup(&Setup);
    EXPECT_EQ(Dialog.ShowModal(), mrOk);
    EXPECT_EQ(Setup.Destination(), destScreen);
    EXPECT_EQ(Setup.RangeStart(), 0);
    EXPECT_EQ(Setup.RangeEnd(), 0);
}

TEST_F(ReportDestination, BadTextsLeaveTheSetupAsItWasAndTheDialogOpen) {
    TFakePrinterList Printers(OfficePrinter());
    TVyrPageSetup Setup;
    Setup.SetDestination(destScreen);
    Setup.SetRangeStart(2);
    Setup.SetRangeEnd(4);
    Setup.SetCopies(3);
    Setup.SetCollatedCopies(false);
    Setup.SetOrientation(poPortrait);
    const std::string Before = SetupOf(Setup);

    struct TCase {
        const char* Start;
        const char* End;
        const char* Copies;
        const char* Error;
    };
    const TCase Cases[] = {
        {"1", "2", "abc", "'abc' is not a valid integer value"},
        {"1", "2", "-1", "'-1' is not a valid number of copies"},
        {"1", "2", "70000", "'70000' is not a valid number of copies"},
        {"x", "2", "1", "'x' is not a valid integer value"},
        {"-2", "2", "1", "'-2' is not a valid page number"},
        {"1", "-5", "1", "'-5' is not a valid page number"},
        {"6", "3", "1", "The range from page 6 to page 3 is empty"},
    };
    TToldErrors Told;
    TScriptedDialogs Script;
    Script.AnswerForm([&](TCustomForm* Form) {
        TVyrReportDestination* D = AsDialog(Form);
        // The destination and the collation change first in the dialog, yet stay out of the setup.
        D->goPrinter()->click();
        D->CollatedCopies()->setChecked(true);
        for (const TCase& C : Cases) {
            D->StartRange()->setText(QString::fromLatin1(C.Start));
            D->EndRange()->setText(QString::fromLatin1(C.End));
            D->Copies()->setText(QString::fromLatin1(C.Copies));
            D->btnPrint()->click();
            EXPECT_EQ(D->ModalResult(), mrNone) << C.Copies;
            EXPECT_EQ(SetupOf(Setup), Before) << C.Copies;
        }
        // The largest count and an end of 0 (the last page) are fine.
        D->StartRange()->setText(QStringLiteral("6"));
        D->EndRange()->setText(QStringLiteral("0"));
        D->Copies()->setText(QStringLiteral("9999"));
        D->btnPrint()->click();
        return mrNone;
    });
    TVyrReportDestination Dialog(nullptr);
    Dialog.SetPageSetup(&Setup);
    EXPECT_EQ(Dialog.ShowModal(), mrOk);
    QStringList Want;
    for (const TCase& C : Cases)
        Want << QString::fromLatin1(C.Error);
    EXPECT_EQ(Told.Messages, Want);
    EXPECT_EQ(Setup.Destination(), destPrinter);
    EXPECT_EQ(Setup.RangeStart(), 6);
    EXPECT_EQ(Setup.RangeEnd(), 0);
    EXPECT_EQ(Setup.Copies(), 9999);
    EXPECT_TRUE(Setup.CollatedCopies());
}
