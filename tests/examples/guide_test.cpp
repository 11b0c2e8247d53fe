#include "guide.h"
#include "host/formatting.h"
#include "host/forms.h"
#include "host/sqldataset.h"
#include "host/streams.h"
#include "output/PimFile.h"
#include "report/PSetup.h"
#include "report/PimPage.h"
#include "report/VyrCtrl.h"
#include "report/VyrData.h"
#include "report/VyrRep.h"
#include "report/VyrText.h"
#include "support/bandfixture.h"
#include "support/fakeprinter.h"
#include "support/runreport.h"
#include "support/sampledata.h"
#include "support/scripteddialogs.h"

#include <QApplication>
#include <QFile>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>

namespace {

QString ReadSource(const QString& RelativePath) {
    QFile File(SourceFile(RelativePath));
    return File.open(QIODevice::ReadOnly) ? QString::fromUtf8(File.readAll()) : QString();
}

// Whether Block's lines stand in Source one after the other, each behind the same indentation.
bool HoldsBlock(const QStringList& Source, const QStringList& Block) {
    for (qsizetype Start = 0; Start + Block.size() <= Source.size(); ++Start) {
        const qsizetype At = Source[Start].indexOf(Block[0]);
        if (At < 0 || !Source[Start].left(At).trimmed().isEmpty()) continue;
        const QString Indent = Source[Start].left(At);
        bool Same = true;
        for (qsizetype i = 0; Same && i < Block.size(); ++i)
            Same = Block[i].isEmpty() ? Source[Start + i].trimmed().isEmpty()
                                      : Source[Start + i] == Indent + Block[i];
        if (Same) return true;
    }
    return false;
}

// The texts a document prints, page by page, in drawing order.
std::vector<QStringList> PrintedPages(const QString& FileName) {
    auto Doc = std::make_shared<TPimPimFile>();
    Doc->LoadFromFile(FileName);
    std::vector<QStringList> Pages;
    for (int N = 1; N <= Doc->PageCount(); ++N)
        Pages.push_back(DrawnTexts(*Doc, N));
    return Pages;
}

// A number as the fixed settings print it with two decimals: thousands grouped by commas.
QString TwoDecimals(double Value) {
    QString Text = QString::number(Value, 'f', 2);
    for (qsizetype At = Text.indexOf(u'.') - 3; At > (Text.startsWith(u'-') ? 1 : 0); At -= 3)
        Text.insert(At, u',');
    return Text;
}

// What the city report prints below its page headers over the rows Sql gives: every city with its
// orders, its count and its sum, then the total of all.
QStringList ExpectedBody(const QString& Sql, const QString& CountDigits) {
    QStringList Body;
    QSqlQuery Q(QSqlDatabase::database());
    if (!Q.exec(Sql)) return {Q.lastError().text()};
    QString City;
    int Count = 0;
    double Sum = 0, Total = 0;
    auto EndCity = [&] {
        if (City.isEmpty()) return;
        Body << QStringLiteral("Orders") << QString::number(Count) + CountDigits << TwoDecimals(Sum);
    };
    while (Q.next()) {
        if (Q.value(0).toString() != City) {
            EndCity();
            City = Q.value(0).toString();
            Body << City;
            Count = 0;
            Sum = 0;
        }
        const double Amount = Q.value(4).toDouble();
        // An order not shipped prints an empty date.
        Body << Q.value(1).toString() << Q.value(2).toString().left(10) << Q.value(3).toString().left(10)
             << TwoDecimals(Amount);
        ++Count;
        Sum += Amount;
        Total += Amount;
    }
    EndCity();
    Body << QStringLiteral("All cities") << TwoDecimals(Total);
    return Body;
}

const QStringList PageHeader = {QStringLiteral("Orders by city"), QStringLiteral("Order"),
                                QStringLiteral("Date"), QStringLiteral("Shipped"), QStringLiteral("Amount")};

QString CityQuery(const QString& Where) {
    return QStringLiteral("SELECT c.city, o.id, o.order_date, o.shipped, o.amount FROM orders o "
                          "JOIN customers c ON c.id = o.customer_id %1 ORDER BY c.city, o.id")
        .arg(Where);
}

// The city report over the sample database, into a document file of its own.
struct TCityRun {
    TSampleDatabase Db;
    TFormatSettingsScope Fixed{TFormatSettings::Fixed()};
    TForm Form{nullptr};
    TCityReport City = BuildCityReport(&Form, Db.Path(QStringLiteral("sample.db")));
    QString FileName = Db.Path(QStringLiteral("city.pim"));
    QStringList Unheard;

    explicit TCityRun(const QString& Where = QString()) {
        if (!Where.isEmpty()) City.Orders->SetSQL(CityQuery(Where));
        City.Page->PageSetup()->SetDestination(destFile);
        City.Page->SetPimFileName(FileName);
    }
    QString Run() { return RunWithoutBoxes(City.Report, Unheard); }
};

// The texts of every paragraph of a rich-text file's body, tabs between its labels.
QStringList RichTextParagraphs(const QString& FileName) {
    QFile File(FileName);
    if (!File.open(QIODevice::ReadOnly)) return {};
    QString Text = QString::fromLatin1(File.readAll());
    Text = Text.mid(Text.indexOf(QStringLiteral("\\pard")));
    Text.replace(QStringLiteral("\\tab "), QStringLiteral("\t"));
    static const QRegularExpression Word(QStringLiteral("\\\\[a-z]+-?[0-9]* ?|[{}]"));
    QStringList Paragraphs;
    for (const QString& Part : Text.split(QStringLiteral("\\par ")))
        Paragraphs << QString(Part).remove(Word).trimmed();
    return Paragraphs;
}

} // namespace

TEST(Guide, EveryCodeBlockOfTheReadmeStandsWordForWordInTheSourcesTheTestsRun) {
    const QString Readme = ReadSource(QStringLiteral("README.md"));
    const QStringList Sources = ReadSource(QStringLiteral("examples/guide.cpp")).split(u'\n') +
                                ReadSource(QStringLiteral("examples/first/first.cpp")).split(u'\n');
    static const QRegularExpression Fenced(QStringLiteral("```cpp\n(.*?)```"),
                                           QRegularExpression::DotMatchesEverythingOption);
    int Blocks = 0;
    for (auto M = Fenced.globalMatch(Readme); M.hasNext(); ++Blocks) {
        QStringList Block = M.next().captured(1).split(u'\n');
        Block.removeLast(); // the fence's own line
        EXPECT_TRUE(HoldsBlock(Sources, Block)) << "not in the sources:\n" << qPrintable(Block.join(u'\n'));
    }
    EXPECT_GE(Blocks, 6);

    // The block of the server connection is run as well; it connects only when the data set opens.
    TForm Form(nullptr);
    auto* Customers = new TSqlDataSet(&Form);
    UseServer(Customers, QStringLiteral("secret"));
    EXPECT_EQ(Customers->ConnectionName(), QStringLiteral("sales"));
    EXPECT_EQ(QSqlDatabase::database(QStringLiteral("sales"), false).hostName(),
              QStringLiteral("db.example.com"));
    QSqlDatabase::removeDatabase(QStringLiteral("sales"));
}

TEST(Guide, GroupsCountAndSumEveryCitysOrdersAsTheDatabaseHasThem) {
    TCityRun Run;
    ASSERT_EQ(Run.Run(), QString());
    EXPECT_TRUE(Run.Unheard.isEmpty()) << qPrintable(Run.Unheard.join(u'\n'));
    const std::vector<QStringList> Pages = PrintedPages(Run.FileName);
    // 4000 orders of 18 pixels, 12 cities with a header and a footer of 20, under a page header of 48
    // in a body of 1017.
    EXPECT_EQ(Pages.size(), 78u);
    QStringList Body;
    for (const QStringList& Texts : Pages) {
        ASSERT_EQ(Texts.mid(0, 5), PageHeader);
        Body << Texts.mid(5);
    }
    const QStringList Expected = ExpectedBody(CityQuery(QString()), QString());
    EXPECT_EQ(Body, Expected);
    // Bologna's 336 orders, 38 of them not shipped, which print an empty date rather than a date of zero.
    const qsizetype Bologna = Body.indexOf(QStringLiteral("Bologna"));
    ASSERT_GE(Bologna, 0);
    const qsizetype Footer = Body.indexOf(QStringLiteral("Orders"), Bologna);
    ASSERT_GE(Footer, 0);
    EXPECT_EQ(Body.mid(Footer, 3),
              QStringList({QStringLiteral("Orders"), QStringLiteral("336"), QStringLiteral("447,670.24")}));
    EXPECT_EQ(Body.mid(Bologna, Footer - Bologna).count(QString()), 38);
    EXPECT_FALSE(Body.contains(QStringLiteral("1899-12-30")));
    EXPECT_EQ(Body.mid(Body.size() - 2),
              QStringList({QStringLiteral("All cities"), QStringLiteral("5,029,580.00")}));

    // Without a whole-number format a count prints as totals do, with two decimals.
    Run.City.Count->DataFormat()->SetDigits(2);
    Run.City.Orders->SetSQL(CityQuery(QStringLiteral("WHERE c.city = 'Bologna'")));
    ASSERT_EQ(Run.Run(), QString());
    QStringList Bolognas;
    for (const QStringList& Texts : PrintedPages(Run.FileName))
        Bolognas << Texts.mid(5);
    EXPECT_EQ(Bolognas,
              ExpectedBody(CityQuery(QStringLiteral("WHERE c.city = 'Bologna'")), QStringLiteral(".00")));
    EXPECT_TRUE(Bolognas.contains(QStringLiteral("336.00")));
}

TEST(Guide, RichTextCaptionsShareTheTitlesLineUnlessGivenARowOfTheirOwn) {
    TCityRun Run(QStringLiteral("WHERE o.id <= 3"));
    const QString Rtf = Run.Db.Path(QStringLiteral("city.rtf"));
    Run.City.Page->SetOutputType(otRichText);
    Run.City.Page->SetRtfFile(Rtf);
    ASSERT_EQ(Run.Run(), QString());
    QStringList Paragraphs = RichTextParagraphs(Rtf);
    ASSERT_GE(Paragraphs.size(), 2);
    EXPECT_EQ(Paragraphs.mid(0, 2), QStringList({QStringLiteral("Orders by city"),
                                                 QStringLiteral("Order\tDate\tShipped\tAmount")}));

    for (TVyrLabel* Label : *Run.City.Page->PageHead()->Labels())
        Label->SetRow(0);
    ASSERT_EQ(Run.Run(), QString());
    Paragraphs = RichTextParagraphs(Rtf);
    ASSERT_GE(Paragraphs.size(), 1);
    EXPECT_EQ(Paragraphs[0], QStringLiteral("Orders by city\tOrder\tDate\tShipped\tAmount"));
}

TEST(Guide, PrintsAStoredDocumentOnThePrinterChosenByNameAndRaisesThePrintersErrors) {
    std::vector<std::unique_ptr<TFakePrinter>> List;
    List.push_back(TFakePrinter::Office(QStringLiteral("Office Laser")));
    List.push_back(TFakePrinter::Office(QStringLiteral("Front Desk")));
    TFakePrinterList Printers(std::move(List), 1);
    TCityRun Run(QStringLiteral("WHERE c.city = 'Cork'"));
    ASSERT_EQ(Run.Run(), QString());
    const int Pages = int(PrintedPages(Run.FileName).size());
    ASSERT_EQ(Pages, 7);

    SelectPrinter(QStringLiteral("Office Laser"));
    // A name the list does not hold is refused, rather than taken for the default printer.
    try {
        SelectPrinter(QStringLiteral("Office Lazer"));
        ADD_FAILURE() << "no exception";
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message(), QStringLiteral("Printer \"Office Lazer\" not found"));
    }
    PrintDocument(Run.FileName);
    ASSERT_EQ(Printers[0]->Jobs.size(), 1u);
    EXPECT_EQ(Printers[0]->Jobs[0].Pages.size(), size_t(Pages));
    EXPECT_TRUE(Printers[0]->Jobs[0].Ended);
    EXPECT_TRUE(Printers[1]->Jobs.empty());

    // The printer's errors reach the caller, whether a page fails or the finished job.
    for (TFakePrinter::TFailPoint Point : {TFakePrinter::fpNewPage, TFakePrinter::fpEndDoc}) {
        Printers[0]->FailAt = Point;
        try {
            PrintDocument(Run.FileName);
            ADD_FAILURE() << "no exception at " << int(Point);
        } catch (const Exception& E) {
            EXPECT_EQ(E.Message(), QStringLiteral("The fake printer failed"));
        }
    }
}

TEST(Guide, ARunTellsItsErrorOnceToItsCallerAndShowsNoWindowOrMessageBox) {
    TScriptedDialogs Dialogs; // a message box or a modal form fails the test
    TFakePrinterList Printers(OfficePrinter());
    TCityRun Run(QStringLiteral("WHERE c.city = 'Cork'"));
    QStringList Windows;
    Run.City.Page->Detail()->OnBeforePrint = [&Windows](TVyrBand*) {
        for (QWidget* W : QApplication::topLevelWidgets())
            if (W->isVisible()) Windows << QString::fromLatin1(W->metaObject()->className());
    };

    // A label's event has no caller to hear it: the application's handler does, and printing goes on.
    Run.City.Sum->OnBeforePrint = [](TVyrLabel*) { throw Exception(QStringLiteral("No sum today")); };
    EXPECT_EQ(Run.Run(), QString());
    EXPECT_EQ(Run.Unheard, QStringList({QStringLiteral("No sum today")}));
    EXPECT_EQ(PrintedPages(Run.FileName).size(), 7u);
    Run.City.Sum->OnBeforePrint = nullptr;
    Run.Unheard.clear();

    // A query that fails ends the run: its caller hears it, the handler does not, and the file the
    // run writes, a document or a rich-text file, stays as the run before left it.
    Run.City.Orders->SetSQL(QStringLiteral("SELECT * FROM nosuch"));
    const QString Rtf = Run.Db.Path(QStringLiteral("city.rtf"));
    Run.City.Page->SetRtfFile(Rtf);
    for (const QString& File : {Run.FileName, Rtf}) {
        Run.City.Page->SetOutputType(File == Rtf ? otRichText : otNormal);
        WriteWholeFile(File, "earlier");
        EXPECT_TRUE(Run.Run().contains(QStringLiteral("no such table: nosuch"))) << qPrintable(File);
        EXPECT_TRUE(Run.Unheard.isEmpty()) << qPrintable(Run.Unheard.join(u'\n'));
        QFile Written(File);
        EXPECT_TRUE(Written.open(QIODevice::ReadOnly));
        EXPECT_EQ(Written.readAll(), QByteArray("earlier")) << qPrintable(File);
    }
    Run.City.Page->SetOutputType(otNormal);

    // So does a printer that fails.
    Run.Unheard.clear();
    Run.City.Orders->SetSQL(CityQuery(QStringLiteral("WHERE c.city = 'Cork'")));
    Run.City.Page->PageSetup()->SetDestination(destPrinter);
    Printers[0]->FailAt = TFakePrinter::fpEndDoc;
    EXPECT_EQ(Run.Run(), QStringLiteral("The fake printer failed"));
    EXPECT_TRUE(Run.Unheard.isEmpty()) << qPrintable(Run.Unheard.join(u'\n'));
    ASSERT_EQ(Printers[0]->Jobs.size(), 1u);

    Windows.removeDuplicates();
    EXPECT_TRUE(Windows.isEmpty()) << qPrintable(Windows.join(u' '));
    EXPECT_TRUE(Dialogs.Shown().empty());
}
