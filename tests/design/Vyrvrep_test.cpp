#include "design/Vyrvrep.h"
#include "host/db.h"
#include "host/exceptions.h"
#include "host/forms.h"
#include "host/memdataset.h"
#include "host/messages.h"
#include "report/PimDS.h"
#include "report/VyrText.h"
#include "report/VyrVar.h"
#include "support/bandfixture.h"
#include "support/designfixture.h"
#include "support/keptruns.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

// A designed report with two data-source guides: Orders making its automatic variables, People over
// ID, NAME and CITY making none, with NAME defined by hand and shown on the detail band.
struct TCentreReport : TDesignedReport {
    TVyrDSGuide* Guide(const QString& Name, const QStringList& Fields, bool Create) {
        auto* Set = Add<TMemDataSet>(Name + QStringLiteral("Set"));
        for (const QString& F : Fields)
            Set->FieldDefs().Add(F, ftString, 20);
        auto* Source = Add<TDataSource>(Name + QStringLiteral("Source"));
        Source->SetDataSet(Set);
        auto* G = Add<TVyrDataSourceGuide>(Name + QStringLiteral("Guide"), Page);
        G->SetDataSource(Source);
        G->SetCreateVariables(Create);
        G->SetUpdateLevel(Page->Detail()->UpdateLevel());
        return G;
    }
    TVyrDBVar* AutoVar(TVyrDSGuide* G, const QString& Field) {
        auto* V = Add<TVyrDBVar>(G->DataSource()->Name() + Field, Page);
        V->SetId(vidAutoDataVar);
        V->SetDataSource(G->DataSource());
        V->SetDataField(Field);
        return V;
    }
};

// The centre's four lists, printed for a page.
struct TLists {
    TDsgList Guides;
    TExprList Exprs;
    TTotalList Totals;
    TDBList DBs;
    void Print(TVyrPage* Page) { RunVReport(Page, Guides, Exprs, DBs, Totals); }
};

// The text lines of page N without their places, from the report's name down.
QStringList Lines(TPimPimFile& Doc, int N) {
    QStringList Lines;
    for (const QString& L : TextLines(Doc, N))
        Lines << L.section(QStringLiteral(": "), 1);
    const qsizetype Body = Lines.indexOf(QRegularExpression(QStringLiteral("ReportName .*")));
    return Body < 0 ? Lines : Lines.mid(Body);
}

// The brush colour each text of page N was written over, as "colour text".
QStringList Brushed(TPimPimFile& Doc, int N) {
    QStringList Texts;
    QString Brush;
    for (const QString& Call : ExportedPage(Doc, N)) {
        if (Call.startsWith(QLatin1String("SetBrush ")))
            Brush = Call.section(QLatin1Char(' '), 1);
        else if (Call.startsWith(QLatin1String("Textout ")))
            Texts << QString::number(Brush.toInt(), 16) + QLatin1Char(' ') +
                         Call.section(QLatin1Char(' '), 3);
    }
    return Texts;
}

const QStringList Titles{"Data Source Guides", "Total Variables", "Expression Variables",
                         "Database Variables"};

} // namespace

TEST(CentreReport, PrintsEachGuideWithItsVariablesAndUnusedFieldsThenTheListsUsedOnesBold) {
    TCentreReport R;
    DeliverPostedMessages();
    TVyrDSGuide* Orders = R.Guide(QStringLiteral("Orders"), {"ORDERNO", "AMOUNT"}, true);
    R.AutoVar(Orders, QStringLiteral("ORDERNO"));
    R.AutoVar(Orders, QStringLiteral("AMOUNT"));
    TVyrDSGuide* People = R.Guide(QStringLiteral("People"), {"ID", "NAME", "CITY"}, false);
    // The field leaves the unused ones whatever case the variable spells it in.
    R.Add<TVyrvarlabel>(QStringLiteral("NameLabel"), R.Page->Detail())
        ->SetVariable(R.AutoVar(People, QStringLiteral("Name")));
    TLists L;
    L.Exprs.push_back(std::make_unique<TExprItem>(
        TExprItem{"PageTextVar", "PageFooterBandLevel", "PageTextGetData", "String", true}));
    L.Totals.push_back(std::make_unique<TTotalItem>(
        TTotalItem{"AmountTotal", "DetailBandLevel", "AmountVar", false, false}));
    L.DBs.push_back(
        std::make_unique<TDBItem>(TDBItem{"NoteVar", "NotesSource", "NOTE", "DetailBandLevel", true, true}));
    TKeptRuns Runs;
    L.Print(R.Page);
    ASSERT_EQ(Runs.Documents.size(), 1u);
    TPimPimFile& Doc = *Runs.Documents.front();
    ASSERT_EQ(Doc.PageCount(), 1);
    EXPECT_EQ(Lines(Doc, 1),
              (QStringList{"ReportName | VyrReport1",
                           "Report Page Name | ReportPage",
                           "Form Name | Form1",
                           "Data Source Guides",
                           "DataSource Name | OrdersSource | Update Level | DetailBandlevel | AutoCreate",
                           "Used | Field Name | Variable Name",
                           "ORDERNO | OrdersSourceORDERNO",
                           "AMOUNT | OrdersSourceAMOUNT",
                           "DataSource Name | PeopleSource | Update Level | DetailBandlevel",
                           "Used | Field Name | Variable Name",
                           "Name | PeopleSourceName",
                           "ID   CITY",
                           "Fields Not defined as PIM Vars:",
                           "Total Variables",
                           "Used | TotaLVar Name | Target Var Name | Update Level | Levels Match?",
                           "AmountTotal | AmountVar | DetailBandLevel",
                           "Expression Variables",
                           "Used | Variable Name | Type | Update Level | Event",
                           "PageTextVar | String | PageFooterBandLevel | PageTextGetData",
                           "Database Variables",
                           "Used | Variable Name | DataSource | DataField | Update Level | Levels Match?",
                           "NoteVar | NotesSource | NOTE | DetailBandLevel"}));
    // The titles on their pale green, "AutoCreate" on yellow.
    const QStringList OnBrush = Brushed(Doc, 1);
    for (const QString& Title : Titles)
        EXPECT_TRUE(OnBrush.contains(QStringLiteral("c0dcc0 ") + Title)) << Title.toStdString();
    EXPECT_TRUE(OnBrush.contains(QStringLiteral("ffff AutoCreate")));
    // Rows of used items in bold, their boxes checked; the others plain and empty.
    const QStringList Headings{"Field Name", "TotaLVar Name", "Variable Name"};
    QStringList Rows;
    for (const QString& S : StyledTexts(Doc, 1)) {
        const QString Text = S.section(QLatin1Char(' '), 2);
        if ((S.startsWith(QLatin1String("124 ")) || S.startsWith(QLatin1String("100 "))) &&
            !Headings.contains(Text.section(QStringLiteral(" / "), 0, 0)) &&
            S.section(QLatin1Char(' '), 1, 1).toInt() > 200)
            Rows << Text;
    }
    EXPECT_EQ(Rows, (QStringList{
                        "ORDERNO / Arial -13 plain / 0x000000", "AMOUNT / Arial -13 plain / 0x000000",
                        "Name / Arial -13 bold / 0x000000", "AmountTotal / Arial -13 plain / 0x000000",
                        "PageTextVar / Arial -13 bold / 0x000000", "NoteVar / Arial -13 bold / 0x000000"}));
    QStringList Checked;
    for (const QString& Call : ExportedPage(Doc, 1))
        if (Call.startsWith(QLatin1String("DrawCheckBox"))) Checked << Call.section(QLatin1Char(' '), 1, 4);
    EXPECT_EQ(Checked, (QStringList{"86 333 98 345", "62 501 74 513", "62 573 74 585", "682 573 694 585"}));
}

TEST(CentreReport, EmptyListsPrintTheirTitlesAndHeadingsOnly) {
    TCentreReport R;
    TKeptRuns Runs;
    TLists().Print(R.Page);
    ASSERT_EQ(Runs.Documents.size(), 1u);
    EXPECT_EQ(Lines(*Runs.Documents.front(), 1),
              (QStringList{"ReportName | VyrReport1", "Report Page Name | ReportPage", "Form Name | Form1",
                           "Data Source Guides", "Total Variables",
                           "Used | TotaLVar Name | Target Var Name | Update Level | Levels Match?",
                           "Expression Variables", "Used | Variable Name | Type | Update Level | Event",
                           "Database Variables",
                           "Used | Variable Name | DataSource | DataField | Update Level | Levels Match?"}));
}

TEST(CentreReport, AFailingRunReachesTheCallerAfterTheReportAndItsListsAreFreed) {
    TCentreReport R;
    TKeptRuns Runs;
    Runs.Raise = QStringLiteral("The screen is gone");
    const int Forms = Application()->ComponentCount();
    try {
        TLists().Print(R.Page);
        ADD_FAILURE() << "the run did not fail";
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message(), QStringLiteral("The screen is gone"));
    }
    EXPECT_EQ(Application()->ComponentCount(), Forms);
}
