#include "host/exceptions.h"
#include "host/memdataset.h"
#include "host/messages.h"
#include "output/PimFile.h"
#include "report/PSetup.h"
#include "report/PimPage.h"
#include "report/VyrCtrl.h"
#include "report/VyrRep.h"
#include "report/VyrText.h"
#include "support/fakeprinter.h"
#include "support/reportfixture.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A report of 20 numbered records, 8 a page, with a text on each detail line.
struct THeadlessReport {
    TFakePrinterList Printers{[] {
        std::vector<std::unique_ptr<TFakePrinter>> List;
        List.push_back(TFakePrinter::Office());
        return List;
    }()};
    std::unique_ptr<TReportTestForm> Form = std::make_unique<TReportTestForm>();
    TVyrReport* Report = nullptr;
    TVyrGrouppage* Page = nullptr;
    TMemDataSet Set;
    TDataSource Source;
    QTemporaryDir Dir;
    QString FileName = Dir.filePath(QStringLiteral("run.pim"));

    THeadlessReport() {
        ClearPostedMessages();
        Report = Make<TVyrReport>(Form.get(), QStringLiteral("Report1"), nullptr);
        Report->SetPixelsPerInch(96);
        Page = Make<TVyrGrouppage>(Form.get(), QStringLiteral("ReportPage"), Report);
        UseTestPaper(Page->PageSetup());
        Page->SetPimFileName(FileName);
        FillNumbered(Set, QStringLiteral("N"), 20);
        Source.SetDataSet(&Set);
        Page->SetDataSource(&Source);
        Page->AddMainBands();
        ClearPostedMessages();
        Page->Head()->SetVisible(false);
        Page->Foot()->SetVisible(false);
        Page->PageHead()->SetHeight(20);
        Page->Detail()->SetHeight(30);
        Page->PageFoot()->SetHeight(24);
        auto* Text = Make<TVyrTextLabel>(Form.get(), QStringLiteral("Text"), Page->Detail());
        Text->SetBounds(0, 0, 150, 20);
        Text->SetCaption(QStringLiteral("An order"));
    }
    ~THeadlessReport() { Page->SetDataSource(nullptr); }
    QString RunError() {
        try {
            Report->Run();
        } catch (const Exception& E) {
            return E.Message();
        }
        return QString();
    }
};

} // namespace

TEST(HeadlessRun, FilesAndPrintersRunWithoutAStatusWindowAndWindowsEndTheRunWithAnError) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        GTEST_SKIP() << "a command-line program";
    THeadlessReport R;
    R.Report->SetPrompt(false);
    R.Page->PageSetup()->SetDestination(destFile);
    EXPECT_EQ(R.RunError(), QString());
    ASSERT_TRUE(QFile::exists(R.FileName));
    TPimPimFile Read;
    Read.LoadFromFile(R.FileName);
    EXPECT_EQ(Read.PageCount(), 3);

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
    R.Report->SetPrompt(false);
    R.Page->PageSetup()->SetDestination(destFile);
    EXPECT_EQ(R.RunError(),
              QStringLiteral("A report draws text, which needs a GUI application object: make a "
                             "QGuiApplication or a QApplication before running it."));
    EXPECT_FALSE(QFile::exists(R.FileName));
    EXPECT_FALSE(R.Report->Printing());
}
