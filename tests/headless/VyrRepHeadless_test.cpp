#include "output/PimFile.h"
#include "report/PSetup.h"
#include "report/VyrText.h"
#include "support/runreport.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

// The run report with a text on each detail line, which a run can draw only with fonts.
struct THeadlessReport : TRunReport {
    THeadlessReport() {
        auto* Text = Make<TVyrTextLabel>(Form.get(), QStringLiteral("Text"), Page->Detail());
        Text->SetBounds(0, 0, 150, 20);
        Text->SetCaption(QStringLiteral("An order"));
    }
};

} // namespace

TEST(HeadlessRun, FilesAndPrintersRunWithoutAStatusWindowAndWindowsEndTheRunWithAnError) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        GTEST_SKIP() << "a command-line program";
    THeadlessReport R;
    EXPECT_EQ(R.RunError(), QString());
    EXPECT_EQ(R.PagesInFile(), 3);

    R.Page->PageSetup()->SetDestination(destPrinter);
    EXPECT_EQ(R.RunError(), QString());
    ASSERT_EQ(R.Printers[0]->Jobs.size(), 1u);
    EXPECT_EQ(R.Printers[0]->Jobs[0].Pages.size(), 3u);

    // The screen needs a viewer, the question a dialog: neither can be made.
    QFile::remove(R.FileName);
    R.Page->PageSetup()->SetDestination(destScreen);
    EXPECT_EQ(R.RunError(),
              QStringLiteral("The report cannot be shown on the screen by a program without a GUI "
                             "application; send it to a printer or a file."));
    R.Report->SetPrompt(true);
    R.Page->PageSetup()->SetDestination(destFile);
    EXPECT_TRUE(
        R.RunError().startsWith(QStringLiteral("The report's destination question could not be shown")));
    EXPECT_FALSE(QFile::exists(R.FileName));
    EXPECT_FALSE(R.Report->Printing());

    // A screen run whose document the application takes itself needs no window.
    R.Report->SetPrompt(false);
    R.Page->PageSetup()->SetDestination(destScreen);
    std::shared_ptr<TPimPimFile> Shown;
    R.Page->OnPreview = [&](TComponent*) { Shown = R.Page->PrintTo()->PimFile(); };
    EXPECT_EQ(R.RunError(), QString());
    ASSERT_NE(Shown, nullptr);
    EXPECT_EQ(Shown->PageCount(), 3);
}

TEST(HeadlessRun, ACommandLineProgramIsToldItsReportNeedsAGuiApplication) {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        // The same test again, in this program made with a QCoreApplication.
        QProcess Child;
        Child.start(
            QCoreApplication::applicationFilePath(),
            {QStringLiteral("--core-application"),
             QStringLiteral(
                 "--gtest_filter=HeadlessRun.ACommandLineProgramIsToldItsReportNeedsAGuiApplication")});
        ASSERT_TRUE(Child.waitForFinished(60000));
        const QString Output =
            QString::fromLocal8Bit(Child.readAllStandardOutput() + Child.readAllStandardError());
        EXPECT_EQ(Child.exitStatus(), QProcess::NormalExit) << Output.toStdString();
        EXPECT_EQ(Child.exitCode(), 0) << Output.toStdString();
        EXPECT_TRUE(Output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << Output.toStdString();
        return;
    }
    // Its fonts cannot be measured without one: the run ends before anything is made.
    THeadlessReport R;
    EXPECT_EQ(R.RunError(),
              QStringLiteral("A report draws text, which needs a GUI application object: make a "
                             "QGuiApplication or a QApplication before running it."));
    EXPECT_FALSE(QFile::exists(R.FileName));
    EXPECT_FALSE(R.Report->Printing());
}
