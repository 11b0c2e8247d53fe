#include "host/dialogs.h"
#include "host/exceptions.h"
#include "host/forms.h"
#include "host/memdataset.h"
#include "host/messages.h"
#include "host/pdfprinter.h"
#include "host/printers.h"
#include "host/resstrings.h"
#include "host/sqldataset.h"
#include "output/PimFile.h"
#include "report/PSetup.h"
#include "report/PimPage.h"
#include "report/VyrCtrl.h"
#include "report/VyrRep.h"
#include "report/VyrStat.h"
#include "report/VyrVar.h"
#include "support/fakeprinter.h"
#include "support/reportfixture.h"
#include "support/runreport.h"
#include "support/scripteddialogs.h"
#include "support/smalldisk.h"
#include "viewer/PimPrev.h"
#include "viewer/PimView.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// What a run must give back: the page setup's settings that a run or its handlers may change.
QString SetupText(const TVyrPageSetup& S) {
    return QStringLiteral("dest %1 units %2 size %3 %4x%5 copies %6 range %7-%8 margins %9 %10 %11 %12 orient %13")
        .arg(S.Destination())
        .arg(S.Units())
        .arg(S.Size())
        .arg(S.Width())
        .arg(S.Height())
        .arg(S.Copies())
        .arg(S.RangeStart())
        .arg(S.RangeEnd())
        .arg(S.LeftMargin())
        .arg(S.TopMargin())
        .arg(S.RightMargin())
        .arg(S.BottomMargin())
        .arg(S.Orientation());
}

// A label that fails when it prints the record Fail.
class TFailingLabel : public TVyrLabel {
public:
    using TVyrLabel::TVyrLabel;
    void Print(TVyrPage* oPage, int Space) override {
        if (++Printed == Fail) throw Exception(QStringLiteral("The label cannot print record %1").arg(Printed));
        TVyrLabel::Print(oPage, Space);
    }
    int Fail = 0;
    int Printed = 0;
};

} // namespace

TEST(ReportRun, ToAFileFiresEachEventOnceAndGivesTheSetupBack) {
    TRunReport R;
    TVyrPageSetup* Setup = R.Page->PageSetup();
    Setup->SetUnits(unitMiliMeters);
    const QString Before = SetupText(*Setup);
    // Changes made during the run last only for the run.
    R.Report->OnBeforePrint = [&](TVyrReport*) {
        ++R.Before;
        Setup->SetCopies(5);
        Setup->SetRangeEnd(9);
        EXPECT_TRUE(R.Report->Printing());
    };
    QString StatusPage; // what the status window shows as the last band prints
    R.OnBand = [&](TVyrBand*) {
        TFormPrintStatus* Status = TRunReport::StatusWindow();
        StatusPage = Status ? Status->PageText() : QStringLiteral("no window");
    };

    for (int Run = 1; Run <= 2; ++Run) {
        R.Log.clear();
        R.Statuses.clear();
        EXPECT_EQ(R.RunError(), QString());
        EXPECT_EQ(R.Before, Run);
        EXPECT_EQ(R.After, Run);
        EXPECT_FALSE(R.Report->Printing());
        EXPECT_EQ(SetupText(*Setup), Before);
        EXPECT_EQ(R.PagesInFile(), 3);
        // Every band once: 3 page headers and footers around 8, 8 and 4 details.
        ASSERT_EQ(R.Log.size(), 26);
        EXPECT_EQ(R.Log.count(QStringLiteral("%1 3").arg(R.Page->Detail()->Name())), 4);
        EXPECT_EQ(R.Log.last(), QStringLiteral("%1 3").arg(R.Page->PageFoot()->Name()));
        // The status window listened, and the page's own handler heard the whole run beside it.
        ASSERT_FALSE(R.Statuses.isEmpty());
        EXPECT_EQ(R.Statuses.first(), ssBegin);
        EXPECT_EQ(R.Statuses.last(), ssEnd);
        EXPECT_TRUE(R.Page->OnUpdateStatus);
        EXPECT_EQ(StatusPage, QStringLiteral("3"));
        Application()->ProcessMessages();
        EXPECT_EQ(TRunReport::StatusWindow(), nullptr);
    }

    // A report without a page has nothing to run.
    TVyrReport Empty(nullptr);
    Empty.SetPrompt(false);
    EXPECT_NO_THROW(Empty.Run());
    EXPECT_FALSE(Empty.Printing());
}

TEST(ReportRun, ACancelledQuestionMakesNothingAndTheNextRunWorks) {
    TRunReport R;
    TToldErrors Told;
    R.Report->SetPrompt(true);
    const QString Before = SetupText(*R.Page->PageSetup());
    int Asked = 0;
    R.Report->OnPromptPrint = [&](TVyrPage* Page, bool& Result) {
        ++Asked;
        EXPECT_EQ(Page, R.Page);
        Page->PageSetup()->SetCopies(3);
        Result = false;
    };
    EXPECT_EQ(R.RunError(), QString());
    EXPECT_EQ(Asked, 1);
    EXPECT_FALSE(QFile::exists(R.FileName));
    EXPECT_EQ(R.Before + R.After, 0);
    EXPECT_TRUE(R.Log.isEmpty());
    EXPECT_FALSE(R.Report->Printing());
    EXPECT_EQ(SetupText(*R.Page->PageSetup()), Before);

    // A failing handler cancels the run, which raises why; the application's handler hears nothing.
    R.Report->OnPromptPrint = [](TVyrPage*, bool& Result) {
        Result = true;
        throw Exception(QStringLiteral("no destination today"));
    };
    EXPECT_EQ(R.RunError(), QStringLiteral("no destination today"));
    EXPECT_TRUE(Told.Messages.isEmpty());
    EXPECT_FALSE(QFile::exists(R.FileName));

    // The application's hook answers when the report has no handler; then the dialog.
    R.Report->OnPromptPrint = nullptr;
    CustomPrompt = [](TVyrPage*, bool& Result) { Result = true; };
    EXPECT_EQ(R.RunError(), QString());
    ResetCustomHooks();
    EXPECT_EQ(R.PagesInFile(), 3);
    EXPECT_EQ(R.Before, 1);
    QFile::remove(R.FileName);
    {
        TScriptedDialogs Dialogs;
        Dialogs.AnswerForm(mrCancel);
        EXPECT_EQ(R.RunError(), QString());
        EXPECT_EQ(Dialogs.Shown().at(0).Text, QStringLiteral("TVyrReportDestination"));
    }
    EXPECT_FALSE(QFile::exists(R.FileName));
    EXPECT_EQ(SetupText(*R.Page->PageSetup()), Before);
    EXPECT_TRUE(Told.Messages.isEmpty());
}

TEST(ReportRun, ADestinationQuestionThatCannotBeShownEndsTheRunWithAnError) {
    TRunReport R;
    R.Report->SetPrompt(true);
    // The Qt dialogs, which nobody could answer on the offscreen platform.
    TDialogService* Previous = SetDialogService(nullptr);
    const QString Error = R.RunError();
    SetDialogService(Previous);
    EXPECT_TRUE(Error.startsWith(QStringLiteral("The report's destination question could not be shown")))
        << Error.toStdString();
    EXPECT_FALSE(R.Report->Printing());
    EXPECT_TRUE(R.Log.isEmpty());
    EXPECT_FALSE(QFile::exists(R.FileName));
}

TEST(ReportRun, TwoPassesCountThePagesNowhereThenMakeOneDocument) {
    TRunReport R;
    R.Page->SetTwoPass(true);
    QStringList Footers; // "destination page count" at every page footer
    R.OnBand = [&](TVyrBand* Band) {
        if (Band == R.Page->PageFoot())
            Footers << QStringLiteral("%1 %2").arg(R.Page->PrintTo()->Destination()).arg(R.Page->PageCount());
    };
    EXPECT_EQ(R.RunError(), QString());
    EXPECT_EQ(R.Before, 2);
    EXPECT_EQ(R.After, 2);
    EXPECT_EQ(R.Log.size(), 52);
    // Pass 1 draws nowhere; pass 2 knows the page count and records the one document.
    const QString NoWhere = QStringLiteral("%1 0").arg(adNoWhere);
    const QString Recorded = QStringLiteral("%1 3").arg(adPimFile);
    EXPECT_EQ(Footers, (QStringList{NoWhere, NoWhere, NoWhere, Recorded, Recorded, Recorded}));
    EXPECT_EQ(R.Statuses.count(ssBegin), 2);
    EXPECT_EQ(R.Statuses.count(ssEnd), 2);
    EXPECT_EQ(R.PagesInFile(), 3);
}

TEST(ReportRun, TheAbortQuestionDiscardsKeepsOrGoesOn) {
    struct TCase {
        TModalResult Answer;
        bool TwoPass;
        int Passes;
        int Pages; // in the file; 0 = no file
    };
    for (const TCase& C : {TCase{mrYes, true, 1, 0}, TCase{mrYes, false, 1, 0}, TCase{mrNo, false, 1, 2},
                           TCase{mrCancel, false, 1, 3}}) {
        SCOPED_TRACE(C.Answer);
        SCOPED_TRACE(C.TwoPass);
        TRunReport R;
        TScriptedDialogs Dialogs;
        R.Page->SetTwoPass(C.TwoPass);
        R.OnBand = [&](TVyrBand* Band) {
            if (!R.DetailStartsPage(Band, 2) || R.Before > 1) return;
            TFormPrintStatus* Status = TRunReport::StatusWindow();
            ASSERT_NE(Status, nullptr);
            Dialogs.Answer(C.Answer);
            Status->AskAbort();
        };
        EXPECT_EQ(R.RunError(), QString());
        ASSERT_EQ(Dialogs.MessageCount(), 1);
        EXPECT_EQ(Dialogs.Last().Caption, QStringLiteral("Abort Report?"));
        EXPECT_EQ(R.Before, C.Passes);
        EXPECT_EQ(R.After, C.Passes);
        EXPECT_EQ(R.PagesInFile(), C.Pages);
        EXPECT_FALSE(R.Report->Printing());
        EXPECT_EQ(TRunReport::StatusWindow(), nullptr);
        // Whatever was answered, the next run is whole.
        R.OnBand = nullptr;
        R.Page->SetTwoPass(false);
        EXPECT_EQ(R.RunError(), QString());
        EXPECT_EQ(R.PagesInFile(), 3);
    }
}

TEST(ReportRun, RunRaisesWhatEndedTheRunAndTheNextRunStartsAfresh) {
    TRunReport R;
    const QString Before = SetupText(*R.Page->PageSetup());
    TFakePrinter& Fake = *R.Printers[0];

    // The printer fails on the second page it prints.
    R.Page->PageSetup()->SetDestination(destPrinter);
    Fake.FailAt = TFakePrinter::fpNewPage;
    EXPECT_EQ(R.RunError(), Fake.FailMessage);
    EXPECT_EQ(R.Report->ExceptionText(), Fake.FailMessage);
    EXPECT_FALSE(R.Report->Printing());
    Fake.FailAt = TFakePrinter::fpNone;
    Fake.Jobs.clear();
    EXPECT_EQ(R.RunError(), QString());
    ASSERT_EQ(Fake.Jobs.size(), 1u);
    EXPECT_EQ(Fake.Jobs[0].Pages.size(), 3u);
    EXPECT_TRUE(Fake.Jobs[0].Ended);
    R.Page->PageSetup()->SetDestination(destFile);

    // A label fails on the third record: generation ends there and the run says why.
    auto* Label = Make<TFailingLabel>(R.Form.get(), QStringLiteral("Failing"), R.Page->Detail());
    Label->Fail = 3;
    R.Log.clear();
    EXPECT_EQ(R.RunError(), QStringLiteral("The label cannot print record 3"));
    EXPECT_FALSE(R.Report->Printing());
    EXPECT_EQ(R.Log.count(QStringLiteral("%1 1").arg(R.Page->Detail()->Name())), 3);
    Label->Fail = 0;
    R.Log.clear();
    EXPECT_EQ(R.RunError(), QString());
    EXPECT_EQ(R.Log.size(), 26);

    // A failure outside the page's own guard (a file destination without a name) ends the run too.
    R.Page->SetPimFileName(QString());
    EXPECT_TRUE(R.RunError().contains(QStringLiteral("PimFileName")));
    EXPECT_FALSE(R.Report->Printing());
    EXPECT_EQ(TRunReport::StatusWindow(), nullptr);
    R.Page->SetPimFileName(R.FileName);
    QFile::remove(R.FileName);
    EXPECT_EQ(R.RunError(), QString());
    EXPECT_EQ(R.PagesInFile(), 3);
    EXPECT_EQ(SetupText(*R.Page->PageSetup()), Before);
}

TEST(ReportRun, DataThatCannotOpenEndsTheRunWithItsCauseOnceAndMakesNoFile) {
    TRunReport R;
    // An SQLite file with the orders, a data set on it that a database variable reads.
    const QString Database = R.Dir.filePath(QStringLiteral("orders.db"));
    {
        TSqlDataSet Make;
        Make.SetDatabaseName(QStringLiteral(":memory:"));
        QSqlDatabase Db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("make"));
        Db.setDatabaseName(Database);
        ASSERT_TRUE(Db.open());
        ExecuteSqlScript(
            Db, QStringLiteral("CREATE TABLE orders (n INTEGER); INSERT INTO orders VALUES (1), (2);"));
        Db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("make"));
    TSqlDataSet Orders;
    Orders.SetName(QStringLiteral("Orders"));
    R.Source.SetDataSet(&Orders);
    auto* N = Make<TVyrDBVar>(R.Form.get(), QStringLiteral("NVar"), R.Page);
    N->SetDataSource(&R.Source);
    N->SetDataField(QStringLiteral("n"));
    N->SetUpdateLevel(R.Page->Detail()->UpdateLevel());
    const QString Missing = R.Dir.filePath(QStringLiteral("missing.db"));
    const struct {
        QString Database;
        QString Sql;
        QString Message;
    } Cases[] = {
        {Database, QStringLiteral("SELEC n FROM orders"),
         QStringLiteral("Orders: near \"SELEC\": syntax error")},
        {Missing, QStringLiteral("SELECT n FROM orders"),
         QStringLiteral("Orders: %1: unable to open database file").arg(Missing)},
        // A relative name is taken from the current folder, and told as the whole path tried.
        {QStringLiteral("no such folder/orders.db"), QStringLiteral("SELECT n FROM orders"),
         QStringLiteral("Orders: %1: unable to open database file")
             .arg(QDir::current().absoluteFilePath(QStringLiteral("no such folder/orders.db")))},
    };
    for (const auto& Case : Cases) {
        Orders.SetDatabaseName(Case.Database);
        Orders.SetSQL(Case.Sql);
        TToldErrors Told;
        R.Log.clear();
        EXPECT_EQ(R.RunError(), Case.Message);
        EXPECT_TRUE(Told.Messages.isEmpty()) << Told.Messages.join(u' ').toStdString();
        EXPECT_TRUE(R.Log.isEmpty()) << R.Log.join(u' ').toStdString();
        EXPECT_FALSE(QFile::exists(R.FileName));
        EXPECT_FALSE(R.Report->Printing());
    }
    // Once the query reads, the same report runs.
    Orders.SetDatabaseName(Database);
    Orders.SetSQL(QStringLiteral("SELECT n FROM orders"));
    EXPECT_EQ(R.RunError(), QString());
    EXPECT_EQ(R.PagesInFile(), 1);

    // Rows under each record that cannot be read: the run stops at the first record and raises why,
    // making no file that would lack them.
    R.Source.SetDataSet(&R.Set);
    TDataSource RowSource;
    RowSource.SetDataSet(&Orders);
    Orders.SetSQL(QStringLiteral("SELECT n FROM nosuch"));
    auto* Rows = Make<TVyrSubDataBand>(R.Form.get(), QStringLiteral("Rows"), R.Page);
    Rows->SetBand(R.Page->Detail());
    Rows->SetDataSource(&RowSource);
    Rows->SetHeight(10);
    N->SetDataSource(&RowSource);
    TToldErrors Told;
    QFile::remove(R.FileName);
    EXPECT_EQ(R.RunError(), QStringLiteral("Orders: no such table: nosuch"));
    EXPECT_TRUE(Told.Messages.isEmpty());
    EXPECT_FALSE(QFile::exists(R.FileName));
    Rows->SetDataSource(nullptr);
    N->SetDataSource(nullptr);
}

// Each error a run meets is told once: what ends or spoils the run is raised by Run alone, and the
// application's handler hears only what no caller could: a run that started itself, a label's
// event, which printing goes on from, and a page without any data, which runs without records.
TEST(ReportRun, EachErrorIsToldOnceEitherByRunOrWhereNoCallerCanByTheApplication) {
    const QString NoDataSet = QStringLiteral("The DataSource OrdersSource of ReportPage has no DataSet.  Set "
                                             "its DataSet property to let the report "
                                             "know what database to skip thru.");
    enum TStart : uint8_t { ByRun, ByItself };
    const struct {
        const char* What;
        std::function<void(TRunReport&)> Set;
        bool TwoPass;
        TStart Start;
        QString Raised;
        QStringList Told;
        int Begun; // documents begun: a run that could not start shows no viewer and writes nothing
        int Pages;
    } Cases[] = {
        {"a data source without a data set",
         [](TRunReport& R) { R.Source.SetDataSet(nullptr); },
         false,
         ByRun,
         NoDataSet,
         {},
         0,
         0},
        {"the same in two passes",
         [](TRunReport& R) { R.Source.SetDataSet(nullptr); },
         true,
         ByRun,
         NoDataSet,
         {},
         0,
         0},
        {"the same in a report that runs itself",
         [](TRunReport& R) { R.Source.SetDataSet(nullptr); },
         false,
         ByItself,
         QString(),
         {NoDataSet},
         0,
         0},
        {"no data source at all, two passes",
         [](TRunReport& R) { R.Page->SetDataSource(nullptr); },
         true,
         ByRun,
         QString(),
         {LoadStr(SNoDataSource)},
         2,
         1},
        {"a record the data cannot move past",
         [](TRunReport& R) {
             R.Page->OnDataSkip = [&R](TComponent*) {
                 if (R.Set.FieldByName(QStringLiteral("N"))->AsInteger() == 3)
                     throw Exception(QStringLiteral("bad row"));
                 R.Set.Next();
                 R.Page->SetDataIsFinished(R.Set.Eof());
             };
         },
         false,
         ByRun,
         QStringLiteral("bad row"),
         {},
         1,
         0},
        {"a label's event",
         [](TRunReport& R) {
             auto* Label = Make<TFailingLabel>(R.Form.get(), QStringLiteral("Noisy"), R.Page->Detail());
             Label->OnBeforePrint = [&R](TVyrLabel*) {
                 if (R.Set.FieldByName(QStringLiteral("N"))->AsInteger() == 5)
                     throw Exception(QStringLiteral("label says no"));
             };
         },
         false,
         ByRun,
         QString(),
         {QStringLiteral("label says no")},
         1,
         3},
    };
    for (const auto& Case : Cases) {
        SCOPED_TRACE(Case.What);
        TRunReport R;
        R.Source.SetName(QStringLiteral("OrdersSource"));
        R.Page->SetTwoPass(Case.TwoPass);
        Case.Set(R);
        TToldErrors Told;
        QString Raised;
        if (Case.Start == ByRun) {
            Raised = R.RunError();
        } else {
            R.Report->SetAutoRun(true);
            R.Report->Loaded();
            Application()->ProcessMessages();
        }
        EXPECT_EQ(Raised, Case.Raised);
        EXPECT_EQ(Told.Messages, Case.Told);
        EXPECT_EQ(R.Statuses.count(ssBegin), Case.Begun);
        EXPECT_EQ(R.PagesInFile(), Case.Pages);
        EXPECT_FALSE(R.Report->Printing());
    }
}

// The application works between two records of a run: a close that frees the report's form then
// frees it once the run is done, and freeing the report itself is refused, rather than the run going
// on in freed memory.
TEST(ReportRun, AFormFreedDuringTheRunGoesWhenTheRunIsDoneAndTheRunningReportIsNotFreed) {
    auto R = std::make_unique<TRunReport>();
    TComponentRef<TComponent> Form(R->Form.get());
    QString Refused;
    int Details = 0;
    R->OnBand = [&](TVyrBand* Band) {
        if (Band != R->Page->Detail() || ++Details != 5) return;
        try {
            R->Report->Free();
        } catch (const Exception& E) {
            Refused = E.Message();
        }
        R->Form->Release();
    };
    EXPECT_EQ(R->RunError(), QString());
    EXPECT_EQ(Details, 20);
    EXPECT_EQ(R->PagesInFile(), 3);
    EXPECT_EQ(Refused,
              QStringLiteral("The report Report1 is running: it can be freed once its run is done."));
    ASSERT_TRUE(Form);
    R->Form.release(); // the release frees it, as the fixture goes
    R.reset();
    EXPECT_FALSE(Form);
}

TEST(ReportRun, TheScreenShowsTheDocumentAsItGrowsAndStopKeepsWhatWasMade) {
    VyrInstallPageViewerFactory(); // as the library installs it
    TRunReport R;
    R.Page->PageSetup()->SetDestination(destScreen);
    TPimViewer* Viewer = nullptr;
    QList<int> Shown; // pages the viewer holds when each page footer prints
    R.OnBand = [&](TVyrBand* Band) {
        if (!Viewer) Viewer = dynamic_cast<TPimViewer*>(R.Page->PimViewer());
        if (Band == R.Page->PageFoot() && Viewer) Shown << Viewer->CurrentPreview()->PageCount();
        if (R.DetailStartsPage(Band, 2) && Viewer) Viewer->StopClick();
    };
    EXPECT_EQ(R.RunError(), QString());
    ASSERT_NE(Viewer, nullptr);
    EXPECT_EQ(Shown, QList<int>{1});
    EXPECT_FALSE(Viewer->Generating());
    EXPECT_TRUE(Viewer->Visible());
    EXPECT_EQ(Viewer->CurrentPreview()->PageCount(), 2);
    EXPECT_EQ(R.Page->PimViewer(), nullptr);
    EXPECT_FALSE(R.Report->Printing());
    EXPECT_FALSE(QFile::exists(R.FileName));
    Viewer->Free();
}

TEST(ReportRun, ToThePdfFilePrinterChosenByName) {
    if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
        GTEST_SKIP() << "pdfinfo is not installed (Debian package poppler-utils)";
    TRunReport R;
    TPrinterBackends List;
    List.push_back(TFakePrinter::Office());
    List.push_back(std::make_unique<TPdfFilePrinter>());
    Printer().SetPrinters(std::move(List), 0);
    // As an application does it: the printer by its name, its file, then a printer run.
    Printer().SetPrinterIndex(Printer().Printers().indexOf(QStringLiteral("PDF file")));
    const QString Pdf = R.Dir.filePath(QStringLiteral("run.pdf"));
    dynamic_cast<TPdfFilePrinter&>(*Printer().Backend()).SetFileName(Pdf);
    R.Page->PageSetup()->SetDestination(destPrinter);
    EXPECT_EQ(R.RunError(), QString());
    QProcess Info;
    Info.start(QStringLiteral("pdfinfo"), {Pdf});
    ASSERT_TRUE(Info.waitForFinished());
    const QString Text = QString::fromUtf8(Info.readAllStandardOutput());
    EXPECT_TRUE(QRegularExpression(QStringLiteral("Pages:\\s+3\\n")).match(Text).hasMatch()) << Text.toStdString();
    // The paper is the report's, 3 x 4 in.
    EXPECT_TRUE(Text.contains(QStringLiteral("216 x 288 pts"))) << Text.toStdString();
    EXPECT_FALSE(QFile::exists(R.FileName));
}

namespace {

// Every kind of file the system writes whole, each written to Name as an application writes it
// (through R where a run writes it); a writer raises what the writing raised.
struct TWholeFileWriter {
    const char* Name;
    std::function<void(TRunReport& R, const QString& Name)> Write;
};

const TWholeFileWriter WholeFileWriters[] = {
    {"run.pdf",
     [](TRunReport& R, const QString& Name) {
         TPrinterBackends List;
         auto PdfPrinter = std::make_unique<TPdfFilePrinter>();
         PdfPrinter->SetFileName(Name);
         List.push_back(std::move(PdfPrinter));
         Printer().SetPrinters(std::move(List), 0);
         R.Page->SetOutputType(otNormal);
         R.Page->PageSetup()->SetDestination(destPrinter);
         if (const QString E = R.RunError(); !E.isEmpty()) throw Exception(E);
     }},
    {"run.pim",
     [](TRunReport& R, const QString& Name) {
         R.Page->SetOutputType(otNormal);
         R.Page->PageSetup()->SetDestination(destFile);
         R.Page->SetPimFileName(Name);
         if (const QString E = R.RunError(); !E.isEmpty()) throw Exception(E);
     }},
    {"run.rtf",
     [](TRunReport& R, const QString& Name) {
         R.Page->SetOutputType(otRichText);
         R.Page->SetRtfFile(Name);
         if (const QString E = R.RunError(); !E.isEmpty()) throw Exception(E);
     }},
    {"run.rep", [](TRunReport& R, const QString& Name) { R.Report->SaveToFile(Name); }},
    {"saved.pim",
     [](TRunReport&, const QString& Name) {
         TPimPimFile Document;
         Document.BeginDoc();
         Document.EndDoc();
         Document.SaveToFile(Name);
     }},
};

QString WriteError(const TWholeFileWriter& Writer, TRunReport& R, const QString& Name) {
    try {
        Writer.Write(R, Name);
    } catch (const Exception& E) {
        return E.Message();
    }
    return QString();
}

QByteArray FileBytes(const QString& Name) {
    QFile File(Name);
    return File.open(QIODevice::ReadOnly) ? File.readAll() : QByteArray();
}

mode_t Permissions(const QString& Name) {
    struct stat Info {};
    return ::stat(QFile::encodeName(Name).constData(), &Info) == 0 ? Info.st_mode & 07777 : 0;
}

} // namespace

TEST(ReportRun, AFullDiskFailsEachWriteAndKeepsEveryEarlierFileByteForByte) {
    TSmallDisk Disk(1024 * 1024);
    if (!Disk.Available()) GTEST_SKIP() << Disk.Why().toStdString();
    TRunReport R;
    // The earlier files, written while there was room.
    QStringList Names;
    std::vector<QByteArray> Earlier;
    for (const TWholeFileWriter& W : WholeFileWriters) {
        const QString Name = Disk.Path(QLatin1String(W.Name));
        ASSERT_EQ(WriteError(W, R, Name), QString()) << W.Name;
        Earlier.push_back(FileBytes(Name));
        ASSERT_FALSE(Earlier.back().isEmpty()) << W.Name;
        Names.append(QLatin1String(W.Name));
    }

    Disk.Fill(0);
    for (size_t i = 0; i < std::size(WholeFileWriters); ++i) {
        const TWholeFileWriter& W = WholeFileWriters[i];
        const QString Name = Disk.Path(QLatin1String(W.Name));
        EXPECT_EQ(WriteError(W, R, Name),
                  QStringLiteral("Cannot write file \"%1\". No space left on device").arg(Name))
            << W.Name;
        EXPECT_EQ(FileBytes(Name), Earlier[i]) << W.Name;
        EXPECT_FALSE(R.Report->Printing());
    }
    Names.sort();
    EXPECT_EQ(Disk.Files(), Names);
}

TEST(ReportRun, EveryFileWrittenWholeHasThePermissionsOfANewFileOrOfTheFileItReplaces) {
    TRunReport R;
    struct TUmask {
        mode_t Old;
        explicit TUmask(mode_t Mask) : Old(::umask(Mask)) {}
        ~TUmask() { ::umask(Old); }
    };
    for (const mode_t Mask : {mode_t(022), mode_t(077), mode_t(027)}) {
        TUmask Scope(Mask);
        for (const TWholeFileWriter& W : WholeFileWriters) {
            const QString Name = R.Dir.filePath(
                QStringLiteral("%1.%2").arg(Mask, 3, 8, QChar(u'0')).arg(QLatin1String(W.Name)));
            ASSERT_EQ(WriteError(W, R, Name), QString()) << W.Name;
            EXPECT_EQ(Permissions(Name), 0666 & ~Mask) << W.Name << " umask " << std::oct << Mask;
            // Written again, a file keeps the permissions it was given, as one overwritten in place.
            ASSERT_EQ(::chmod(QFile::encodeName(Name).constData(), 0604), 0);
            ASSERT_EQ(WriteError(W, R, Name), QString()) << W.Name;
            EXPECT_EQ(Permissions(Name), mode_t(0604)) << W.Name << " umask " << std::oct << Mask;
        }
    }
}

TEST(ReportRun, AReportLoadedWithAutoRunRunsOnceTheFormHasLoaded) {
    RegisterReportTestClasses();
    TFakePrinterList Printers{OfficePrinter()};
    TToldErrors Told; // the page has no data source
    QTemporaryDir Dir;
    const QString Document = Dir.filePath(QStringLiteral("auto.pim"));
    const QString Stored = Dir.filePath(QStringLiteral("auto.rep"));
    {
        TReportTestForm Form;
        auto* Report = Make<TVyrReport>(&Form, QStringLiteral("Report1"), nullptr);
        auto* Page = Make<TVyrGrouppage>(&Form, QStringLiteral("ReportPage"), Report);
        Report->SetPrompt(false);
        Report->SetAutoRun(true);
        Page->PageSetup()->SetDestination(destFile);
        Page->SetPimFileName(Document);
        Report->SaveToFile(Stored);
    }
    ClearPostedMessages();
    TReportTestForm Form;
    TVyrReport* Report = TVyrReport::LoadReport(Stored, &Form);
    ASSERT_NE(Report, nullptr);
    EXPECT_FALSE(QFile::exists(Document));
    Application()->ProcessMessages();
    ASSERT_TRUE(QFile::exists(Document));
    TPimPimFile Read;
    Read.LoadFromFile(Document);
    EXPECT_EQ(Read.PageCount(), 1);
    EXPECT_FALSE(Report->Printing());
}

TEST(ReportRun, RichTextRunsOnePassIntoItsFileWithoutADocument) {
    TRunReport R;
    const QString Rtf = R.Dir.filePath(QStringLiteral("run.rtf"));
    R.Page->SetOutputType(otRichText);
    R.Page->SetRtfFile(Rtf);
    R.Page->SetTwoPass(true);
    EXPECT_EQ(R.RunError(), QString());
    EXPECT_EQ(R.Before, 1);
    EXPECT_EQ(R.After, 1);
    EXPECT_EQ(R.Log.count(QStringLiteral("%1 1").arg(R.Page->Detail()->Name())), 20);
    QFile File(Rtf);
    ASSERT_TRUE(File.open(QIODevice::ReadOnly));
    const QByteArray Text = File.readAll();
    EXPECT_TRUE(Text.startsWith("{\\rtf1")) << Text.left(40).toStdString();
    EXPECT_TRUE(Text.trimmed().endsWith('}'));
    EXPECT_FALSE(QFile::exists(R.FileName));
}

TEST(ReportRun, ADesignPreviewGoesToTheScreenWithoutAQuestion) {
    TFakePrinterList Printers{OfficePrinter()};
    ResetApplication();
    TToldErrors Told; // the page has no data source
    TReportTestForm Form;
    Form.SetDesigning(true);
    Form.SetBounds(0, 0, 1000, 800);
    auto* Report = Make<TVyrReport>(&Form, QStringLiteral("Report1"), &Form);
    Application()->ProcessMessages();
    TVyrPage* Page = Report->Page();
    ASSERT_NE(Page, nullptr);
    Page->PageSetup()->SetDestination(destFile);
    int Asked = 0;
    Report->OnPromptPrint = [&](TVyrPage*, bool&) { ++Asked; };
    std::shared_ptr<TPimPimFile> Shown;
    Page->OnPreview = [&](TComponent*) { Shown = Page->PrintTo()->PimFile(); };
    Report->SetDesignPreview(true);
    EXPECT_NO_THROW(Report->Run());
    EXPECT_EQ(Asked, 0);
    ASSERT_NE(Shown, nullptr);
    EXPECT_EQ(Shown->PageCount(), 1);
    EXPECT_TRUE(Report->Prompt());
    EXPECT_EQ(Page->PageSetup()->Destination(), destFile);
    Form.DestroyComponents();
}
