#include "output/PimFile.h"
#include "support/bandfixture.h"
#include "support/pgserver.h"
#include "support/sampledata.h"

#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// What the first report's program made of a database: its exit code and messages, and the texts
// of every page of the document it wrote.
struct TFirstRun {
    int ExitCode = -1;
    QString Output;
    QString Errors;
    std::vector<QStringList> Pages;
};

TFirstRun RunFirst(const QString& Database, const QString& Folder, const QStringList& More = {}) {
    QProcess Program;
    Program.start(QStringLiteral(PIM_FIRST_PROGRAM), QStringList({Database, Folder}) + More);
    TFirstRun Run;
    if (!Program.waitForFinished(300000) || Program.exitStatus() != QProcess::NormalExit) return Run;
    Run.ExitCode = Program.exitCode();
    Run.Output = QString::fromLocal8Bit(Program.readAllStandardOutput());
    Run.Errors = QString::fromLocal8Bit(Program.readAllStandardError());
    if (Run.ExitCode != 0) return Run;
    auto Doc = std::make_shared<TPimPimFile>();
    Doc->LoadFromFile(Folder + QStringLiteral("/first.pim"));
    for (int N = 1; N <= Doc->PageCount(); ++N)
        Run.Pages.push_back(DrawnTexts(*Doc, N));
    return Run;
}

// The sample database as an SQLite file in a folder of its own, as the build makes it.
class TSampleFile {
public:
    TSampleFile() {
        {
            QSqlDatabase Db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), Connection);
            Db.setDatabaseName(Path());
            if (Db.open()) LoadSampleDatabase(Db, QStringLiteral("sqlite"));
        }
        QSqlDatabase::removeDatabase(Connection);
    }
    QString Path() const { return FDir.filePath(QStringLiteral("sample.db")); }
    QString Folder(const QString& Name) const { return FDir.filePath(Name); }

private:
    static constexpr const char* Connection = "firstsample";
    QTemporaryDir FDir;
};

} // namespace

TEST(FirstReport, ListsEveryCustomerOnceInNameOrderUnderTheHeaderWithPageNOfMAtEveryFoot) {
    TSampleFile Sample;
    QStringList Lines; // id, name and city of every customer in the report's order
    {
        QSqlDatabase Db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("firstlines"));
        Db.setDatabaseName(Sample.Path());
        ASSERT_TRUE(Db.open());
        QSqlQuery Q(Db);
        ASSERT_TRUE(Q.exec(QStringLiteral("SELECT id, name, city FROM customers ORDER BY name, id")));
        while (Q.next())
            Lines << Q.value(0).toString() << Q.value(1).toString() << Q.value(2).toString();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("firstlines"));
    ASSERT_EQ(Lines.size(), 1500);

    const QString Out = Sample.Folder(QStringLiteral("out"));
    const TFirstRun Run = RunFirst(Sample.Path(), Out);
    ASSERT_EQ(Run.ExitCode, 0) << qPrintable(Run.Errors);
    EXPECT_EQ(Run.Output, QStringLiteral("10 pages in %1/first.pim and %1/first.pdf\n").arg(Out));
    // The body of A4 less margins of 15 and 12.7 mm, 1017 pixels at 96 pixels per inch, less the
    // page header of 48 and the page footer of 20 holds 52 lines of 18: 9 full pages and 32 lines.
    ASSERT_EQ(Run.Pages.size(), 10u);
    const QStringList Header = {QStringLiteral("Customers"), QStringLiteral("No."),
                                QStringLiteral("Customer"), QStringLiteral("City")};
    QStringList Printed;
    for (size_t i = 0; i < Run.Pages.size(); ++i) {
        const QStringList& Texts = Run.Pages[i];
        const int Page = int(i) + 1;
        ASSERT_EQ(Texts.size(), 4 + 3 * (Page < 10 ? 52 : 32) + 1) << "page " << Page;
        EXPECT_EQ(Texts.mid(0, 4), Header) << "page " << Page;
        EXPECT_EQ(Texts.last(), QStringLiteral("Page %1 of 10").arg(Page));
        Printed << Texts.mid(4, Texts.size() - 5);
    }
    EXPECT_EQ(Printed, Lines);
    QFile Pdf(Out + QStringLiteral("/first.pdf"));
    ASSERT_TRUE(Pdf.open(QIODevice::ReadOnly));
    EXPECT_EQ(Pdf.read(5), QByteArray("%PDF-"));

    // A database that is not there stops the program before it writes anything, saying where it looked.
    const QString Nowhere = Sample.Folder(QStringLiteral("nowhere"));
    const QString MissingFile = Sample.Folder(QStringLiteral("missing.db"));
    const TFirstRun Missing = RunFirst(MissingFile, Nowhere);
    EXPECT_EQ(Missing.ExitCode, 1);
    EXPECT_TRUE(
        Missing.Errors.contains(QStringLiteral("first: %1: unable to open database file\n").arg(MissingFile)))
        << qPrintable(Missing.Errors);
    EXPECT_FALSE(QFile::exists(Nowhere + QStringLiteral("/first.pim")));

    // So does a printer that is not there, rather than printing on the default printer.
    const TFirstRun Unknown = RunFirst(Sample.Path(), Nowhere, {QStringLiteral("No such printer")});
    EXPECT_EQ(Unknown.ExitCode, 1);
    EXPECT_TRUE(Unknown.Errors.contains(QStringLiteral("first: Printer \"No such printer\" not found\n")))
        << qPrintable(Unknown.Errors);
    EXPECT_FALSE(QFile::exists(Nowhere + QStringLiteral("/first.pim")));
}

TEST(FirstReport, PrintsTheSamePagesOverPostgresAsOverSqlite) {
    PIM_REQUIRE_POSTGRES();
    TPrivatePostgres& Server = TPrivatePostgres::Instance();
    const QString Connection = QStringLiteral("firstserver");
    QString Error;
    ASSERT_TRUE(Server.Connect(Connection, Error)) << qPrintable(Error);
    LoadSampleDatabase(QSqlDatabase::database(Connection), QStringLiteral("postgresql"));
    QSqlDatabase::database(Connection).close();
    QSqlDatabase::removeDatabase(Connection);

    TSampleFile Sample;
    const TFirstRun Sqlite = RunFirst(Sample.Path(), Sample.Folder(QStringLiteral("sqlite")));
    ASSERT_EQ(Sqlite.ExitCode, 0) << qPrintable(Sqlite.Errors);
    // The server listens on a socket in its folder only; libpq takes the folder as the host.
    const QString Address =
        QStringLiteral("postgresql://postgres@localhost:%1/%2?host=%3").arg(Server.Port());
    const TFirstRun Postgres = RunFirst(Address.arg(QStringLiteral("postgres"), Server.SocketDir()),
                                        Sample.Folder(QStringLiteral("pg")));
    ASSERT_EQ(Postgres.ExitCode, 0) << qPrintable(Postgres.Errors);
    EXPECT_EQ(Postgres.Pages.size(), 10u);
    EXPECT_EQ(Postgres.Pages, Sqlite.Pages);

    // The address's path names the database.
    const TFirstRun Wrong = RunFirst(Address.arg(QStringLiteral("nosuch"), Server.SocketDir()),
                                     Sample.Folder(QStringLiteral("wrong")));
    EXPECT_EQ(Wrong.ExitCode, 1);
    EXPECT_TRUE(Wrong.Errors.contains(QStringLiteral("database \"nosuch\" does not exist")))
        << qPrintable(Wrong.Errors);
}
