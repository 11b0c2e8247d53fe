#include "design/PimOView.h"
#include "host/db.h"
#include "host/lists.h"
#include "report/PSetup.h"
#include "report/VyrText.h"
#include "report/VyrVar.h"
#include "support/bandfixture.h"
#include "support/designfixture.h"
#include "support/keptruns.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

// A designed report with five main bands, a group, a sub band and a sub data band below the detail.
struct TOverviewReport : TDesignedReport {
    TVyrGroup* Group = Add<TVyrGroup>(QStringLiteral("CustomerGroup"), Page);
    TVyrSubBand* Sub = Add<TVyrSubBand>(QStringLiteral("DetailSub"), Page);
    TVyrSubDataBand* Lines = Add<TVyrSubDataBand>(QStringLiteral("Lines"), Page);
    TOverviewReport() {
        Group->AddBands(Page);
        for (TVyrBand* B : {static_cast<TVyrBand*>(Sub), static_cast<TVyrBand*>(Lines)}) {
            B->SetBandName(B->Name());
            B->SetBand(Page->Detail());
        }
        Page->OrderBands();
    }
};

std::shared_ptr<TPimPimFile> RunOverview(TVyrReport* Report, TVyrGrouppage* Page) {
    TKeptRuns Runs;
    auto Form = std::make_unique<TPimOverview>(nullptr);
    Form->Report = Report;
    Form->GP = Page;
    Form->VyrReport1()->Run();
    EXPECT_EQ(Runs.Documents.size(), 1u);
    return Runs.Documents.empty() ? nullptr : Runs.Documents.front();
}

// The text lines of both pages without their places, each page's marked by its number.
QStringList Pages(TPimPimFile& Doc) {
    QStringList Lines;
    for (int N = 1; N <= Doc.PageCount(); ++N)
        for (const QString& L : TextLines(Doc, N))
            Lines << QStringLiteral("%1 ").arg(N) + L.section(QStringLiteral(": "), 1);
    return Lines;
}

// The lines from the one that starts with From, Count of them.
QStringList From(const QStringList& Lines, const QString& Start, int Count) {
    for (qsizetype i = 0; i < Lines.size(); ++i)
        if (Lines[i].section(QLatin1Char(' '), 1).startsWith(Start)) return Lines.mid(i, Count);
    return {};
}

// What the rows that the labels band filled silver on page N show in their first column (x 110): the
// label's name and its property names.
QStringList SilverRows(TPimPimFile& Doc, int N) {
    QList<std::pair<int, int>> Fills;
    const QStringList Calls = ExportedPage(Doc, N);
    for (qsizetype i = 1; i < Calls.size(); ++i)
        if (Calls[i].startsWith(QLatin1String("FillRect")) &&
            Calls[i - 1] == QStringLiteral("SetBrush %1").arg(clSilver))
            Fills << std::pair{Calls[i].section(QLatin1Char(' '), 2, 2).toInt(),
                               Calls[i].section(QLatin1Char(' '), 4, 4).toInt()};
    QStringList Names;
    for (const QString& P : PlacedTexts(Doc, N)) {
        const int Y = P.section(QLatin1Char(' '), 1, 1).toInt();
        if (P.section(QLatin1Char(' '), 0, 0) == QLatin1String("110"))
            for (auto [Top, Bottom] : Fills)
                if (Y > Top && Y <= Bottom) Names << P.section(QLatin1Char(' '), 2);
    }
    return Names;
}

} // namespace

TEST(Overview, DocumentsSetupBandTreeAndEveryBandWithItsGroupLabelsAndCountsOnTwoPages) {
    TOverviewReport R;
    R.Page->SetDescription(QStringLiteral("Orders by customer"));
    TVyrPageSetup* S = R.Page->PageSetup();
    S->SetSource(psManual);
    S->SetDestination(destPrinter);
    S->SetCopies(2);
    S->SetRangeStart(1);
    S->SetRangeEnd(3);
    S->SetFormName(QStringLiteral("Invoice"));
    S->SetCollatedCopies(false);
    S->PreviewSettings()->SetZoom(az75);
    S->PreviewSettings()->SetModalPreview(mpModal);
    auto* Source = R.Add<TDataSource>(QStringLiteral("OrdersSource"));
    R.Page->SetDataSource(Source);
    // Nine labels on the page header: their rows run over the end of the first page.
    for (int i = 1; i <= 5; ++i)
        R.Add<TVyrTextLabel>(QStringLiteral("HeadLabel%1").arg(i), R.Page->PageHead())
            ->SetCaption(QStringLiteral("H"));
    auto* Var = R.Add<TVyrExprVar>(QStringLiteral("NameVar"), R.Page);
    auto* Name = R.Add<TVyrvarlabel>(QStringLiteral("NameLabel"), R.Lines);
    Name->SetVariable(Var);
    for (const char* Line : {"one", "two", "three"})
        Name->Lines()->Add(QLatin1String(Line));
    R.Add<TVyrTotalvarLabel>(QStringLiteral("SumLabel"), R.Lines);
    R.Add<TVyrTextLabel>(QStringLiteral("NoteLabel"), R.Lines)->SetCaption(QStringLiteral("Note"));
    R.Add<TVyrTextLabel>(QStringLiteral("EndLabel"), R.Page->Foot())->SetCaption(QStringLiteral("End"));

    auto Doc = RunOverview(R.Report, R.Page);
    ASSERT_TRUE(Doc);
    ASSERT_EQ(Doc->PageCount(), 2);
    const QStringList Lines = Pages(*Doc);
    EXPECT_EQ(From(Lines, QStringLiteral("Report Description"), 1),
              QStringList{"1 Report Description | Orders by customer | Form | Form1"});
    // The setup and the band tree only on the first page.
    EXPECT_EQ(
        From(Lines, QStringLiteral("Page Setup Information"), 21),
        (QStringList{"1 Page Setup Information",
                     "1 Margins | Top | 0.50 | Bottom | 0.50 | Left | 0.50 | Right | 0.50",
                     "1 Size | psUseCurrent | 11.00 | X | 8.50 | Orientation | poUseCurrent | Copies | 2",
                     "1 Source | psManual | Destination | destPrinter | Range | 1 | To | 3",
                     "1 FormName | Invoice | Duplex | pdUseCurrent | Units | unitInches",
                     "1 TrueTypeOptions | ttUseCurrent",
                     "1 CollatedCopies | AdjustMargins | Color | DirectPrint | TextDriverCompatibility",
                     "1 PreviewSettings | FormStyle | pfsDefault | ModalPreview | mpModal",
                     "1 PreviewOwner | poDefault | WindowState | wsMaximized | Zoom | az75",
                     "1 DataSource | OrdersSource",
                     "1 Band Tree",
                     "1 Report Header",
                     "1 Page Header",
                     "1 CustomerGroup Header",
                     "1 Detail",
                     "1 Lines",
                     "1 DetailSub",
                     "1 CustomerGroup Footer",
                     "1 Page Footer",
                     "1 Report Footer",
                     "1 Band Name | ReportHeaderBand | Height | 5 | Color | clWhite"}));
    EXPECT_EQ(Lines.filter(QStringLiteral("Page Setup Information")).size(), 1);
    EXPECT_EQ(Lines.filter(QStringLiteral("Band Tree")).size(), 1);
    // Tree rows: indented by depth, 12 pt bold italic in the colour of their kind.
    const QStringList Styled = StyledTexts(*Doc, 1);
    const qsizetype Tree = Styled.indexOf(QRegularExpression(QStringLiteral("50 336 Report Header .*")));
    ASSERT_GE(Tree, 0);
    EXPECT_EQ(Styled.mid(Tree, 9),
              (QStringList{"50 336 Report Header / Arial -16 bold italic / 0xFF0000",
                           "50 356 Page Header / Arial -16 bold italic / 0xFF0000",
                           "60 376 CustomerGroup Header / Arial -16 bold italic / 0x008000",
                           "70 396 Detail / Arial -16 bold italic / 0xFF0000",
                           "80 416 Lines / Arial -16 bold italic / 0x000080",
                           "80 436 DetailSub / Arial -16 bold italic / 0x000000",
                           "60 456 CustomerGroup Footer / Arial -16 bold italic / 0x008000",
                           "50 476 Page Footer / Arial -16 bold italic / 0xFF0000",
                           "50 496 Report Footer / Arial -16 bold italic / 0xFF0000"}));

    // A row per band in the page's order; the band that runs over the page break shows again, continued.
    EXPECT_EQ(Lines.filter(QStringLiteral("Band Name")),
              (QStringList{"1 Band Name | ReportHeaderBand | Height | 5 | Color | clWhite",
                           "1 Band Name | PageHeaderBand | Height | 20 | Color | clWhite",
                           "1 Band Name | CustomerGroupHeader | Height | 20 | Color | clWhite",
                           "2 Band Name | CustomerGroupHeader | (Continued) | Height | 20 | Color | clWhite",
                           "2 Band Name | DetailBand | Height | 20 | Color | clWhite",
                           "2 Band Name | Lines | Height | 41 | Color | clWhite",
                           "2 Band Name | DetailSub | Height | 41 | Color | clWhite",
                           "2 Band Name | CustomerGroupFooter | Height | 20 | Color | clWhite",
                           "2 Band Name | PageFooterBand | Height | 20 | Color | clWhite",
                           "2 Band Name | ReportFooterBand | Height | 20 | Color | clWhite"}));
    EXPECT_EQ(From(Lines, QStringLiteral("Group Name"), 2),
              (QStringList{"1 Group Name | CustomerGroup | Grouped On | Not assigned",
                           "1 Band Name | CustomerGroupHeader | Height | 20 | Color | clWhite"}));
    EXPECT_EQ(Lines.filter(QStringLiteral("Group Name")).size(), 1);
    EXPECT_EQ(
        Lines.filter(QStringLiteral("DataSouce")),
        QStringList{"2 BorderType | btNone | Visible | Repeat | Stretch | New Page | DataSouce | Empty"});
    EXPECT_EQ(
        From(Lines, QStringLiteral("NameLabel"), 13),
        (QStringList{
            "2 NameLabel | 0 | 0 | 17 | 65 | clWhite | Arial | btNone | ffGeneral 15 0 | TVyrvarlabel",
            "2 Lines | one", "2 two", "2 three", "2 Variable | NameVar",
            "2 SumLabel | 0 | 0 | 17 | 65 | clWhite | Arial | btNone | ffNumber 15 2 | TVyrTotalvarLabel",
            "2 Level | AutoLevel", "2 Total Variable | Undefined", "2 TotalType | ttSum",
            "2 NoteLabel | 0 | 0 | 17 | 65 | clWhite | Arial | btNone |  | TVyrTextLabel", "2 Caption | Note",
            "2 Label Count | 3", "2 Band Name | DetailSub | Height | 41 | Color | clWhite"}));
    EXPECT_EQ(Lines.filter(QStringLiteral("Count |")),
              (QStringList{"1 Label Count | 0", "1 Label Count | 5", "1 Label Count | 0", "2 Label Count | 0",
                           "2 Label Count | 3", "2 Label Count | 0", "2 Label Count | 0", "2 Label Count | 0",
                           "2 Label Count | 1", "2 Band Count | 9"}));
    // Label rows alternate white and silver, each band's first white again: the second and fourth of
    // the page header's five, the second of the sub data band's three.
    EXPECT_EQ(SilverRows(*Doc, 1), (QStringList{"HeadLabel2", "Caption", "HeadLabel4", "Caption"}));
    EXPECT_EQ(SilverRows(*Doc, 2), (QStringList{"SumLabel", "Level", "Total Variable", "TotalType"}));
}

TEST(Overview, APageWithoutBandsShowsItsSetupAndABandCountOfNothing) {
    auto Form = std::make_unique<TReportTestForm>();
    auto* Report = Make<TVyrReport>(Form.get(), QStringLiteral("Report1"), nullptr);
    auto* Page = Make<TVyrGrouppage>(Form.get(), QStringLiteral("ReportPage"), Report);
    ASSERT_EQ(Page->Bands(), nullptr);
    auto Doc = RunOverview(Report, Page);
    ASSERT_TRUE(Doc);
    ASSERT_EQ(Doc->PageCount(), 1);
    const QStringList Lines = Pages(*Doc);
    EXPECT_EQ(Lines.filter(QStringLiteral("Page Setup Information")).size(), 1);
    EXPECT_TRUE(Lines.filter(QStringLiteral("Band Tree")).isEmpty());
    EXPECT_TRUE(Lines.filter(QStringLiteral("Band Name")).isEmpty());
    EXPECT_EQ(Lines.last(), QStringLiteral("1 Band Count | 0"));
}

TEST(Overview, EveryValueAndHeadingPrintsWithWhatItHeads) {
    {
        // Four margins, each under its own caption.
        TOverviewReport R;
        TVyrPageSetup* S = R.Page->PageSetup();
        S->SetTopMargin(0.25);
        S->SetBottomMargin(0.5);
        S->SetLeftMargin(0.75);
        S->SetRightMargin(1);
        auto Doc = RunOverview(R.Report, R.Page);
        ASSERT_TRUE(Doc);
        EXPECT_EQ(From(Pages(*Doc), QStringLiteral("Margins"), 1),
                  QStringList{"1 Margins | Top | 0.25 | Bottom | 0.50 | Left | 0.75 | Right | 1.00"});
    }
    // A band's heading, its labels' column captions and its group's line above them never end a page:
    // wherever the page break falls, they go with the first row below them. Each of these counts of
    // labels on the detail band brings a heading to a page's foot; the rows of the data band below it
    // are several times as tall as their band, and the group header has no label.
    const QStringList Heading{"Group Name |", "Band Name |", "BorderType |", "Labels | Name |"};
    for (int DetailLabels : {0, 8, 11, 21, 24, 27}) {
        TOverviewReport R;
        for (int i = 1; i <= DetailLabels; ++i)
            R.Add<TVyrTextLabel>(QStringLiteral("DetailLabel%1").arg(i), R.Page->Detail())
                ->SetCaption(QStringLiteral("D"));
        for (const char* Name : {"First", "Second", "Third"}) {
            auto* L = R.Add<TVyrTextLabel>(QLatin1String(Name) + QStringLiteral("Label"), R.Lines);
            for (const char* Line : {"one", "two", "three", "four", "five", "six", "seven", "eight"})
                L->Lines()->Add(QLatin1String(Line));
        }
        auto Doc = RunOverview(R.Report, R.Page);
        ASSERT_TRUE(Doc);
        ASSERT_GE(Doc->PageCount(), 2) << DetailLabels;
        for (int N = 1; N < Doc->PageCount(); ++N) {
            const QStringList Lines = TextLines(*Doc, N);
            ASSERT_FALSE(Lines.isEmpty());
            const QString Last = Lines.last().section(QStringLiteral(": "), 1);
            for (const QString& H : Heading)
                EXPECT_FALSE(Last.startsWith(H))
                    << DetailLabels << " labels, page " << N << ": " << Last.toStdString();
        }
    }
}
