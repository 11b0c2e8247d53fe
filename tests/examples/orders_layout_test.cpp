#include "orders_layout.h"
#include "examplejobs.h"
#include "host/devicecontext.h"
#include "host/formatting.h"
#include "host/sqldataset.h"
#include "host/storedforms.h"
#include "output/PimFile.h"
#include "output/PimOut.h"
#include "output/PimSetup.h"
#include "report/PSetup.h"
#include "report/PimPage.h"
#include "report/VyrRep.h"
#include "report/VyrVar.h"
#include "support/bandfixture.h"
#include "support/devices.h"
#include "support/passdriver.h"
#include "support/pgserver.h"
#include "support/reportfixture.h"
#include "support/sampledata.h"
#include "support/wordprocessor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <map>

TEST(OrdersReport, LaysFiveCustomersOfEightOrdersOnEachOfAHundredPagesAndEndsWithTheGrandTotal) {
    TSampleDatabase Db;
    TFormatSettingsScope Fixed(TFormatSettings::Fixed());
    TOrdersForm Form;
    Form.SetName(QStringLiteral("OrdersForm"));
    TVyrReport* Report = BuildOrdersReport(&Form, MakeOrdersDataSet(&Form));
    // The stored form that the main job saves, and that examples/orders.rep holds.
    QFile Stored(QFileInfo(SampleScriptPath(QStringLiteral("sqlite"))).dir().filePath(QStringLiteral("../orders.rep")));
    ASSERT_TRUE(Stored.open(QIODevice::ReadOnly));
    const QByteArray Text = Stored.readAll();
    EXPECT_EQ(WriteComponentText(&Form), Text);
    {
        // Read back into a form that knows the report's handler, it writes the same bytes.
        TOrdersForm Loaded;
        DefineOrdersHandlers(&Loaded);
        ReadComponentText(Text, &Loaded);
        EXPECT_EQ(WriteComponentText(&Loaded), Text);
    }
    TOrdersParts Parts = FindOrdersParts(&Form);
    ASSERT_EQ(Parts.Report, Report);
    TVyrGrouppage* Page = Parts.Page;
    ASSERT_NE(Page, nullptr);
    const QString PimName = Db.Path(QStringLiteral("orders.pim"));
    Page->PageSetup()->SetDestination(destFile);
    Page->SetPimFileName(PimName);

    // What the second pass lays out: per page, the customers begun and the orders printed.
    struct TPageLog {
        std::vector<int> Customers;
        int Orders = 0;
        int Footers = 0;
    };
    std::map<int, TPageLog> Pages;
    std::map<int, int> OrdersOf; // customer id: orders printed below its header
    int Customer = 0;
    auto Counting = [Page] { return Page->PrintTo() && Page->PrintTo()->Destination() == adPimFile; };
    TVyrVar* CustomerId = nullptr;
    for (TVyrVar* V : *Page->Vars())
        if (V->Name() == QStringLiteral("CustomerIdVar")) CustomerId = V;
    ASSERT_NE(CustomerId, nullptr);
    TVyrBand* GroupHead = Page->Groups()->at(0)->Header();
    TVyrBand* GroupFoot = Page->Groups()->at(0)->Footer();
    GroupHead->OnBeforePrint = [&](TVyrBand*) {
        if (!Counting()) return;
        Customer = CustomerId->AsInteger();
        Pages[Page->PageNumber()].Customers.push_back(Customer);
    };
    Page->Detail()->OnBeforePrint = [&](TVyrBand*) {
        if (!Counting()) return;
        ++Pages[Page->PageNumber()].Orders;
        ++OrdersOf[Customer];
    };
    GroupFoot->OnBeforePrint = [&](TVyrBand*) {
        if (Counting()) ++Pages[Page->PageNumber()].Footers;
    };

    TPimOutput Output;
    Page->PageSetup()->GetPimPrinterSetup(Output.PimPrinterSetup());
    RunPasses(*Page, Output);
    EXPECT_EQ(Report->ExceptionText(), QString());

    // The sample's customers have 8 orders each: a header of 22 with room for 2 orders, 8 orders
    // of 18 and a footer of 22 take 188 pixels; the body of 1047 less 52 and 22 for the page's
    // header and footer holds 5 of them, with 33 to spare, too little for the next header.
    const int Customers = Db.Value(QStringLiteral("SELECT count(*) FROM customers")).toInt();
    ASSERT_EQ(Db.Value(QStringLiteral("SELECT count(DISTINCT name) FROM customers")).toInt(), Customers);
    ASSERT_EQ(
        Db.Value(QStringLiteral("SELECT count(*) FROM (SELECT customer_id FROM orders GROUP BY customer_id "
                                "HAVING count(*) <> 8)"))
            .toInt(),
        0);
    const int PageCount = (Customers + 4) / 5;
    EXPECT_EQ(Page->PageCount(), PageCount);
    ASSERT_EQ(Pages.size(), size_t(PageCount));
    for (const auto& [Number, Log] : Pages) {
        EXPECT_EQ(Log.Customers.size(), 5u) << "page " << Number;
        EXPECT_EQ(Log.Orders, 40) << "page " << Number;
        EXPECT_EQ(Log.Footers, 5) << "page " << Number;
    }
    EXPECT_EQ(OrdersOf.size(), size_t(Customers));
    for (const auto& [Id, Count] : OrdersOf)
        EXPECT_EQ(Count, 8) << "customer " << Id;

    auto Doc = std::make_shared<TPimPimFile>();
    Doc->LoadFromFile(PimName);
    ASSERT_EQ(Doc->PageCount(), PageCount);
    const QString Sum = FormatFloat(QStringLiteral("#,##0.00"),
                                    Db.Value(QStringLiteral("SELECT SUM(amount) FROM orders")).toDouble());
    const QStringList First = DrawnTexts(*Doc, 1);
    const QStringList Last = DrawnTexts(*Doc, PageCount);
    EXPECT_TRUE(First.contains(QStringLiteral("Page 1 of %1").arg(PageCount)))
        << First.join(u'|').toStdString();
    EXPECT_TRUE(Last.contains(QStringLiteral("Page %1 of %1").arg(PageCount)))
        << Last.join(u'|').toStdString();
    // The grand total follows its caption, the last text but the page's foot.
    const qsizetype Caption = Last.indexOf(QStringLiteral("Grand total"));
    ASSERT_GE(Caption, 0) << Last.join(u'|').toStdString();
    ASSERT_LT(Caption + 1, Last.size());
    EXPECT_EQ(Last[Caption + 1], Sum);
    // The first customer by name and its first order, as the page shows them.
    QSqlQuery Q(QSqlDatabase::database());
    ASSERT_TRUE(Q.exec(OrdersSql() + QStringLiteral(" LIMIT 1")) && Q.next());
    for (const QString& Text :
         {QStringLiteral("Orders"), QStringLiteral("Amount"), Q.value(QStringLiteral("customer")).toString(),
          Q.value(QStringLiteral("order_date")).toString().left(10),
          FormatFloat(QStringLiteral("#,##0.00"), Q.value(QStringLiteral("amount")).toDouble()),
          FormatFloat(QStringLiteral("0.0%"), Q.value(QStringLiteral("discount")).toDouble())})
        EXPECT_TRUE(First.contains(Text)) << Text.toStdString();
    // The first customer's subtotal after its caption.
    const QString Subtotal = FormatFloat(
        QStringLiteral("#,##0.00"),
        Db.Value(QStringLiteral("SELECT SUM(amount) FROM orders WHERE customer_id = %1").arg(Q.value(QStringLiteral("customer_id")).toInt()))
            .toDouble());
    const qsizetype SubtotalAt = First.indexOf(QStringLiteral("Subtotal"));
    ASSERT_GE(SubtotalAt, 0);
    ASSERT_LT(SubtotalAt + 1, First.size());
    EXPECT_EQ(First[SubtotalAt + 1], Subtotal);

    // In rich text, one pass: no page count, so the foot reads "Page N"; the totals are the same.
    GroupHead->OnBeforePrint = nullptr;
    Page->Detail()->OnBeforePrint = nullptr;
    GroupFoot->OnBeforePrint = nullptr;
    const QString RtfName = Db.Path(QStringLiteral("orders.rtf"));
    Page->SetOutputType(otRichText);
    Page->SetRtfFile(RtfName);
    Page->SetTwoPass(false);
    TPimOutput Unused;
    RunPasses(*Page, Unused);
    QFile Rtf(RtfName);
    ASSERT_TRUE(Rtf.open(QIODevice::ReadOnly));
    const QString RtfText = QString::fromLatin1(Rtf.readAll());
    EXPECT_EQ(RtfText.count(QStringLiteral("\\tab Page 1\\par")), 1) << RtfText.right(400).toStdString();
    EXPECT_FALSE(RtfText.contains(QStringLiteral(" of 1")));
    EXPECT_TRUE(RtfText.contains(Sum));
    EXPECT_EQ(RtfText.count(QStringLiteral("Subtotal")), Customers);

    // In a word processor each row's first label starts its line: the title, and every customer's
    // name and city.
    if (!WordProcessorInstalled())
        GTEST_SKIP() << "soffice is not installed; the word processor check is skipped";
    const QStringList Lines = WordProcessorLines(RtfName, QFileInfo(RtfName).absolutePath());
    ASSERT_FALSE(Lines.isEmpty());
    EXPECT_EQ(Lines[0], QStringLiteral("Orders"));
    EXPECT_TRUE(Lines.contains(Q.value(QStringLiteral("customer")).toString()));
    // Those are the only lines that start with text; every other row's text stands at a stop.
    EXPECT_EQ(Lines.filter(QRegularExpression(QStringLiteral("^[^\\t]"))).size(), 1 + Customers);
}

TEST(OrdersReport, OverThePostgresSamplePrintsTheServersOwnSubtotalsAndGrandTotal) {
    PIM_REQUIRE_POSTGRES();
    const QString Connection = QStringLiteral("orders");
    QString Error;
    ASSERT_TRUE(TPrivatePostgres::Instance().Connect(Connection, Error)) << qPrintable(Error);
    QSqlDatabase Db = QSqlDatabase::database(Connection);
    LoadSampleDatabase(Db, QStringLiteral("postgresql"));
    TFormatSettingsScope Fixed(TFormatSettings::Fixed());
    QTemporaryDir Dir;
    const QString PimName = Dir.filePath(QStringLiteral("orders.pim"));
    {
        TOrdersForm Form;
        TSqlDataSet* Orders = MakeOrdersDataSet(&Form);
        Orders->SetConnectionName(Connection);
        BuildOrdersReport(&Form, Orders);
        TOrdersParts Parts = FindOrdersParts(&Form);
        Parts.Page->PageSetup()->SetDestination(destFile);
        Parts.Page->SetPimFileName(PimName);
        Parts.Report->Run();
    }

    // The amount after each caption, page by page.
    auto Doc = std::make_shared<TPimPimFile>();
    Doc->LoadFromFile(PimName);
    ASSERT_EQ(Doc->PageCount(), 100);
    QStringList Subtotals, GrandTotals;
    for (int N = 1; N <= Doc->PageCount(); ++N) {
        const QStringList Texts = DrawnTexts(*Doc, N);
        for (qsizetype i = 0; i + 1 < Texts.size(); ++i) {
            if (Texts[i] == u"Subtotal") Subtotals << Texts[i + 1];
            if (Texts[i] == u"Grand total") GrandTotals << Texts[i + 1];
        }
    }
    // The server adds and formats the amounts itself, customers in the report's order.
    const QString Sum = QStringLiteral("SELECT to_char(SUM(o.amount), 'FM9,999,999,990.00') FROM orders o ");
    QSqlQuery Q(Db);
    ASSERT_TRUE(Q.exec(Sum + QStringLiteral("JOIN customers c ON c.id = o.customer_id "
                                            "GROUP BY c.id, c.name ORDER BY c.name, c.id")));
    QStringList Sums;
    while (Q.next())
        Sums << Q.value(0).toString();
    ASSERT_EQ(Sums.size(), 500);
    EXPECT_EQ(Subtotals, Sums);
    ASSERT_TRUE(Q.exec(Sum) && Q.next());
    EXPECT_EQ(GrandTotals, QStringList{Q.value(0).toString()});
    EXPECT_EQ(GrandTotals, QStringList{QStringLiteral("5,029,580.00")});
    Q = QSqlQuery();
    Db.close();
    Db = QSqlDatabase();
    QSqlDatabase::removeDatabase(Connection);
}

TEST(OrdersReport, HostileNumbersInTheStoredFormAreRefusedByLineAndPropertyOrRunWithoutFault) {
    // Each case puts one value into the stored orders report, in the property Name of the object
    // Object. Range empty: the form loads and runs to a document, a picture of its first page and a
    // rich-text file, with no fault the sanitizers see. Otherwise reading refuses the value as out of
    // that range, naming the line and the property.
    struct TCase {
        const char* Object;
        const char* Name;
        const char* Value;
        const char* Range;
    };
    const char* const Position = "is not within the range -1000000..1000000";
    const char* const Size = "is not within the range 0..1000000";
    const char* const Resolution = "is not within the range 1..10000";
    const char* const Length = "is not within the range 0..10000";
    const std::vector<TCase> Cases = {
        {"OrdersReport", "PixelsPerInch", "0", Resolution},
        {"OrdersReport", "PixelsPerInch", "-1", Resolution},
        {"OrdersReport", "PixelsPerInch", "-2147483648", Resolution},
        {"OrdersReport", "PixelsPerInch", "2147483647", Resolution},
        {"OrdersReport", "PixelsPerInch", "10001", Resolution},
        {"OrdersReport", "PixelsPerInch", "1", ""},
        {"OrdersReport", "PixelsPerInch", "10000", ""},
        {"OrdersReport", "SWidth", "-2147483648", Size},
        {"OrdersForm", "Width", "-2147483648", Size},
        {"OrdersForm", "Height", "2147483647", Size},
        {"OrdersForm", "Height", "1000000", ""},
        {"OrdersReport", "Width", "-1", Size},
        {"OrdersReport", "Width", "1000000", ""},
        {"OrdersReport", "Height", "0", ""},
        {"OrdersReport", "Left", "-2147483648", Position},
        {"DetailBand", "Height", "2147483647", Size},
        {"DetailBand", "Height", "1000000", ""},
        {"DetailBand", "Width", "-2147483648", Size},
        {"PageFooterBand", "Height", "1000000", ""},
        {"TitleLabel", "Left", "2147483647", Position},
        {"TitleLabel", "Left", "-1000001", Position},
        {"TitleLabel", "Left", "1000000", ""},
        {"TitleLabel", "Left", "-1000000", ""},
        {"TitleLabel", "Top", "-2147483648", Position},
        {"TitleLabel", "Top", "1000000", ""},
        {"TitleLabel", "Width", "1000001", Size},
        {"TitleLabel", "Width", "1000000", ""},
        {"TitleLabel", "Height", "-1", Size},
        {"TitleLabel", "Height", "1000000", ""},
        {"AmountLabel", "Left", "1000000", ""},
        {"AmountLabel", "Top", "2147483647", Position},
        {"AmountLabel", "Width", "-2147483648", Size},
        {"AmountLabel", "Width", "1000000", ""},
        {"AmountLabel", "Height", "1000000", ""},
        {"GrandTotalLabel", "Left", "-1000000", ""},
        {"GrandTotalLabel", "Height", "2147483648", Size},
        {"HeaderRule", "Width", "1000000", ""},
        {"HeaderRule", "Top", "-1000000", ""},
        {"TitleLabel", "Font.Height", "-2147483648", Position},
        {"TitleLabel", "Font.Height", "-1000000", ""},
        {"OrderCaption", "Row", "2147483647", "is not within the range 0..9999"},
        {"OrderCaption", "Row", "9999", ""},
        {"CustomerGroupHeader", "ReserveSpace.BandCount", "2147483647", ""},
        {"ReportPage", "PageSetup.Height", "-5", Length},
        {"ReportPage", "PageSetup.Height", "-INF", Length},
        {"ReportPage", "PageSetup.Width", "1e+300", Length},
        {"ReportPage", "PageSetup.Width", "10000", ""},
        {"ReportPage", "PageSetup.LeftMargin", "10001", Length},
        {"ReportPage", "PageSetup.TopMargin", "10000", ""},
    };
    RegisterOrdersClasses();
    TSampleDatabase Db;
    TFormatSettingsScope Fixed(TFormatSettings::Fixed());
    QFile Stored(SourceFile(QStringLiteral("examples/orders.rep")));
    ASSERT_TRUE(Stored.open(QIODevice::ReadOnly));
    // Sixteen orders: two customers, a page of data.
    const QString Good =
        QString::fromUtf8(Stored.readAll())
            .replace(QStringLiteral("o.order_date, o.id'"), QStringLiteral("o.order_date, o.id LIMIT 16'"));
    const QStringList Lines = Good.split(u'\n');
    for (const TCase& C : Cases) {
        const QString Value = QLatin1String(C.Value);
        SCOPED_TRACE(QStringLiteral("%1.%2 = %3")
                         .arg(QLatin1String(C.Object), QLatin1String(C.Name), Value)
                         .toStdString());
        // The property's line among the object's own, before anything nested in it.
        const qsizetype Start = Lines.indexOf(
            QRegularExpression(QStringLiteral("^ *object %1: .*").arg(QLatin1String(C.Object))));
        ASSERT_GE(Start, 0);
        const QString Indent = QString(Lines[Start].indexOf(u'o') + 2, u' ');
        qsizetype At = Start + 1;
        while (At < Lines.size() && Lines[At].startsWith(Indent) &&
               !Lines[At].startsWith(Indent + QStringLiteral("object ")) &&
               !Lines[At].startsWith(Indent + QLatin1String(C.Name) + QStringLiteral(" = ")))
            ++At;
        ASSERT_TRUE(Lines[At].startsWith(Indent + QLatin1String(C.Name) + QStringLiteral(" = ")));
        QStringList Mutated = Lines;
        Mutated[At] = Indent + QLatin1String(C.Name) + QStringLiteral(" = ") + Value;

        TOrdersForm Form;
        DefineOrdersHandlers(&Form);
        if (*C.Range) {
            const QString Shown = Value == QStringLiteral("-INF") ? QStringLiteral("-inf") : Value;
            const QString Message = QStringLiteral("Error reading %1.%2 on line %3: %4 %5")
                                        .arg(QLatin1String(C.Object), QLatin1String(C.Name),
                                             QString::number(At + 1), Shown, QLatin1String(C.Range));
            try {
                ReadComponentText(Mutated.join(u'\n').toUtf8(), &Form);
                ADD_FAILURE() << "read without error";
            } catch (const EReadError& E) {
                EXPECT_EQ(E.Message(), Message);
            }
            EXPECT_EQ(Form.ComponentCount(), 0);
            continue;
        }
        ReadComponentText(Mutated.join(u'\n').toUtf8(), &Form);
        TOrdersParts Parts = FindOrdersParts(&Form);
        ASSERT_NE(Parts.Page, nullptr);
        const QString PimName = Db.Path(QStringLiteral("hostile.pim"));
        QFile::remove(PimName);
        Parts.Page->PageSetup()->SetDestination(destFile);
        Parts.Page->SetPimFileName(PimName);
        Parts.Report->Run();
        auto Doc = std::make_shared<TPimPimFile>();
        Doc->LoadFromFile(PimName);
        ASSERT_GE(Doc->PageCount(), 1);
        WritePagePicture(*Doc, 1, Db.Path(QStringLiteral("hostile.png")));
        Parts.Page->SetOutputType(otRichText);
        Parts.Page->SetRtfFile(Db.Path(QStringLiteral("hostile.rtf")));
        Parts.Report->Run();
        EXPECT_TRUE(QFileInfo(Db.Path(QStringLiteral("hostile.rtf"))).size() > 0);
    }
}
