#include "design/Bandtree.h"
#include "host/canvas.h"
#include "host/db.h"
#include "host/messages.h"
#include "report/PimDS.h"
#include "report/VyrVar.h"
#include "support/devices.h"
#include "support/reportfixture.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

// A report page with its five main bands, made at run time so that nothing is restacked; bands,
// groups and guides are added to it and the band flow is ordered again.
struct TOutlinePage {
    std::unique_ptr<TReportTestForm> Form = std::make_unique<TReportTestForm>();
    TVyrReport* Report = Make<TVyrReport>(Form.get(), QStringLiteral("Report1"), nullptr);
    TVyrGrouppage* Page = Make<TVyrGrouppage>(Form.get(), QStringLiteral("ReportPage"), Report);

    TOutlinePage() {
        ClearPostedMessages();
        Page->AddMainBands();
    }
    template <class T> T* Attach(const QString& Name, TVyrBand* To, bool Above = false) {
        auto* B = Make<T>(Form.get(), Name, Page);
        B->SetBandName(Name);
        B->SetBand(To);
        if constexpr (std::is_base_of_v<TVyrSubBand, T>) B->SetAbove(Above);
        B->SetOrderDirect(999);
        return B;
    }
    TVyrGroup* AddGroup(const QString& Name, int Level) {
        auto* G = Make<TVyrGroup>(Form.get(), Name, Page);
        G->AddBands(Page);
        G->SetLevel(Level);
        return G;
    }
    TVyrBandTree Tree() {
        Page->OrderBands();
        return TVyrBandTree(Page, *Page->Bands());
    }
    TVyrBand* Band(const QString& Name) const { return static_cast<TVyrBand*>(Form->FindComponent(Name)); }
};

// Each row of a tree as "name depth first/last group".
QStringList Outline(const TVyrBandTree& Tree) {
    QStringList Rows;
    for (TVyrBand* B : Tree.Rows()) {
        const TVyrGroup* G = Tree.GroupOfBand(B);
        Rows << QStringLiteral("%1 %2 %3%4 %5")
                    .arg(B->Name())
                    .arg(Tree.BandDepth(B))
                    .arg(Tree.IsFirstOfFamily(B) ? "F" : "-")
                    .arg(Tree.IsLastOfFamily(B) ? "L" : "-")
                    .arg(G ? G->Name() : QStringLiteral("-"));
    }
    return Rows;
}

// Paints rows through the outline painter onto a recording device, 14 high and 300 wide.
struct TRecordedOutline {
    std::unique_ptr<DeviceContext> DC = DeviceContext::CreateRecording(ScreenCaps(96, 300, 200));
    TCanvas Canvas{DC.get()};
    TVyrCanvasOutline Outline{Canvas};
    QStringList Only(const QStringList& Names) const { return DC->Log()->Only(Names); }
};

TRect Row(int Index) {
    return Rect(0, Index * 14, 300, Index * 14 + 14);
}

} // namespace

TEST(BandTree, DepthFamilyEndsAndGroupsOnFourPages) {
    TOutlinePage Plain;
    EXPECT_EQ(Outline(Plain.Tree()),
              (QStringList{"ReportHeaderBand 0 F- -", "PageHeaderBand 0 -- -", "DetailBand 1 -- -",
                           "PageFooterBand 0 -- -", "ReportFooterBand 0 -- -"}));

    TOutlinePage Grouped;
    Grouped.AddGroup(QStringLiteral("Inner"), 5);
    Grouped.AddGroup(QStringLiteral("Outer"), 2);
    EXPECT_EQ(Outline(Grouped.Tree()),
              (QStringList{"ReportHeaderBand 0 F- -", "PageHeaderBand 0 -- -", "OuterHeader 1 -- Outer",
                           "InnerHeader 2 -- Inner", "DetailBand 3 -- -", "InnerFooter 2 -- Inner",
                           "OuterFooter 1 -- Outer", "PageFooterBand 0 -- -", "ReportFooterBand 0 -- -"}));

    TOutlinePage Sides;
    TVyrBand* Detail = Sides.Page->Detail();
    Sides.Attach<TVyrSubBand>(QStringLiteral("Below"), Detail);
    Sides.Attach<TVyrSubBand>(QStringLiteral("Above"), Detail, true);
    Sides.Attach<TVyrSubBand>(QStringLiteral("HeadSub"), Sides.Page->PageHead());
    EXPECT_EQ(Outline(Sides.Tree()),
              (QStringList{"ReportHeaderBand 0 F- -", "PageHeaderBand 0 -- -", "HeadSub 1 -L -",
                           "Above 2 F- -", "DetailBand 1 -- -", "Below 2 -L -", "PageFooterBand 0 -- -",
                           "ReportFooterBand 0 -- -"}));

    TOutlinePage Nested;
    auto* Data = Nested.Attach<TVyrSubDataBand>(QStringLiteral("Data"), Nested.Page->Detail());
    auto* Data1 = Nested.Attach<TVyrSubDataBand>(QStringLiteral("Data1"), Data);
    Nested.Attach<TVyrDataFootBand>(QStringLiteral("Data1Footer"), Data1);
    Nested.Attach<TVyrDataHeadBand>(QStringLiteral("Data1Header"), Data1);
    const TVyrBandTree Tree = Nested.Tree();
    EXPECT_EQ(Outline(Tree),
              (QStringList{"ReportHeaderBand 0 F- -", "PageHeaderBand 0 -- -", "DetailBand 1 -- -",
                           "Data 2 -L -", "Data1Header 4 F- -", "Data1 3 -L -", "Data1Footer 4 -L -",
                           "PageFooterBand 0 -- -", "ReportFooterBand 0 -- -"}));
    EXPECT_TRUE(Tree.IsAncestor(Nested.Page->Detail(), Data1));
    EXPECT_FALSE(Tree.IsAncestor(Data1, Data));

    // A guide decides by its update level; a source without guide, or no source, never matches.
    auto* Source = Make<TDataSource>(Nested.Form.get(), QStringLiteral("Orders"), nullptr);
    auto* Other = Make<TDataSource>(Nested.Form.get(), QStringLiteral("Other"), nullptr);
    auto* Level = Make<TVyrLevel>(Nested.Form.get(), QStringLiteral("Data1Level"), Nested.Page);
    auto* Guide = Make<TVyrDataSourceGuide>(Nested.Form.get(), QStringLiteral("Guide"), Nested.Page);
    Guide->SetDataSource(Source);
    Data1->SetUpdateLevel(Level);
    EXPECT_FALSE(Tree.IsSameLevel(Source, Data1));
    Guide->SetUpdateLevel(Level);
    EXPECT_TRUE(Tree.IsSameLevel(Source, Data1));
    EXPECT_FALSE(Tree.IsSameLevel(Source, Data));
    EXPECT_FALSE(Tree.IsSameLevel(Other, Data1));
    EXPECT_FALSE(Tree.IsSameLevel(nullptr, Data1));
}

TEST(BandTree, BandsAttachedInACycleEndTheWalksUpTheTree) {
    TOutlinePage P;
    auto* A = P.Attach<TVyrSubBand>(QStringLiteral("A"), P.Page->Detail());
    auto* B = P.Attach<TVyrSubBand>(QStringLiteral("B"), A);
    A->SetBand(B); // a damaged form: A and B hang on each other
    TVyrBandTree Tree(P.Page, *P.Page->Bands());
    const int Bands = int(P.Page->Bands()->size());
    EXPECT_EQ(Tree.BandDepth(A), Bands);
    EXPECT_FALSE(Tree.IsAncestor(P.Page->Detail(), A));
    EXPECT_TRUE(Tree.IsAncestor(B, A));
    TRecordedOutline R;
    TVyrBandPainter Painter(Tree, R.Outline);
    for (size_t I = 0; I < Tree.Rows().size(); ++I)
        Painter.PaintBandRow(Tree.Rows()[I], Row(int(I)), false);
    EXPECT_FALSE(R.Only({"ExtTextOut"}).isEmpty());
}

TEST(BandTree, AFreshPageDrawsItsDetailRowWithConnectorGuideAndMissingSource) {
    TOutlinePage P;
    TRecordedOutline R;
    const TVyrBandTree Tree = P.Tree();
    TVyrBandPainter Painter(Tree, R.Outline);
    const TVyrBandRowPaint Done = Painter.PaintBandRow(P.Page->Detail(), Row(2), false);
    EXPECT_EQ(R.Only({"ExtTextOut", "MoveToEx", "LineTo"}),
              (QStringList{"MoveToEx 5 35", "LineTo 9 35", "MoveToEx -5 27", "LineTo -5 43",
                           "ExtTextOut 12 29 6 10 28 300 42 \"Detail\"",
                           "ExtTextOut 180 29 6 180 28 300 42 \"Fill in DataSource\""}));
    EXPECT_EQ(Done.ColumnLeft, 180);
    EXPECT_FALSE(Done.LevelMismatch);
    // The detail band's kind colour is the text's; the page footer, below it, draws no lines.
    EXPECT_TRUE(R.Only({"SetTextColor"}).contains(QStringLiteral("SetTextColor 0xFF0000")));
    R.DC->Log()->Clear();
    Painter.PaintBandRow(P.Page->PageFoot(), Row(3), true);
    EXPECT_EQ(R.Only({"ExtTextOut", "MoveToEx", "LineTo"}),
              QStringList{"ExtTextOut 2 43 6 0 42 300 56 \"Page Footer\""});
}

TEST(BandTree, EverySegmentOfANineRowTree) {
    TOutlinePage P;
    TVyrBand* Detail = P.Page->Detail();
    P.Attach<TVyrSubBand>(QStringLiteral("DetailSub"), Detail, true);
    auto* Data = P.Attach<TVyrSubDataBand>(QStringLiteral("Data"), Detail);
    P.Attach<TVyrDataHeadBand>(QStringLiteral("DataHeader"), Data);
    P.Attach<TVyrDataFootBand>(QStringLiteral("DataFooter"), Data);
    const TVyrBandTree Tree = P.Tree();
    ASSERT_EQ(Tree.Rows().size(), 9u);

    QStringList Segments;
    for (size_t I = 0; I < Tree.Rows().size(); ++I) {
        TRecordedOutline R;
        TVyrBandPainter Painter(Tree, R.Outline, TVyrOutlineOptions{14, 0, false});
        Painter.PaintBandRow(Tree.Rows()[I], Row(int(I)), false);
        const QStringList Calls = R.Only({"MoveToEx", "LineTo"});
        for (int C = 0; C + 1 < Calls.size(); C += 2)
            Segments << QStringLiteral("%1: %2 -> %3").arg(I).arg(Calls[C].mid(9)).arg(Calls[C + 1].mid(7));
    }
    // Rows: 0 report header, 1 page header, 2 DetailSub (above), 3 detail, 4 DataHeader, 5 Data,
    // 6 DataFooter, 7 page footer, 8 report footer. A connector's stub runs from 5 left of the text
    // to its edge at the row's middle (bottom - 7); the family line goes down from the first row and
    // up from the last; a guide line crosses the row at depth x 10 - 15.
    EXPECT_EQ(Segments, (QStringList{
                            "2: 15 35 -> 19 35", "2: 15 35 -> 15 43", // first of the detail's family
                            "3: 5 49 -> 9 49", "3: -5 41 -> -5 57",   // the detail and its own guide
                            "4: 25 63 -> 29 63", "4: 25 63 -> 25 71", // first of Data's family
                            "4: 15 55 -> 15 71",                      // Data's guide: Data lies below
                            "5: 15 77 -> 19 77", "5: 15 77 -> 15 69", // last of the detail's family
                            "6: 25 91 -> 29 91", "6: 25 91 -> 25 83", // last of Data's family
                        }));
}

TEST(BandTree, AMismatchedSourceIsWrittenInRedAndOverlaysTellTheirPlace) {
    TOutlinePage P;
    auto* Data = P.Attach<TVyrSubDataBand>(QStringLiteral("Data"), P.Page->Detail());
    auto* Source = Make<TDataSource>(P.Form.get(), QStringLiteral("Orders"), nullptr);
    Data->SetDataSource(Source);
    auto* Overlay = Make<TVyrOverlayBand>(P.Form.get(), QStringLiteral("OverlayBand"), P.Page);
    Overlay->SetBandName(QStringLiteral("OverlayBand"));
    Overlay->SetFirst(false);
    Overlay->SetTopOffset(12);
    const TVyrBandTree Tree = P.Tree();

    TRecordedOutline R;
    TVyrBandPainter Painter(Tree, R.Outline);
    const TVyrBandRowPaint Done = Painter.PaintBandRow(Data, Row(3), false);
    EXPECT_TRUE(Done.LevelMismatch);
    EXPECT_EQ(Done.ColumnLeft, 180);
    // The name in the kind's maroon, then the source and its warning in red.
    EXPECT_EQ(R.Only({"SetTextColor", "ExtTextOut"}),
              (QStringList{"SetTextColor 0x000080", "ExtTextOut 22 43 6 20 42 300 56 \"Data\"",
                           "SetTextColor 0x0000FF",
                           "ExtTextOut 180 43 6 180 42 300 56 \"Orders (UpdateLevels do not match)\""}));

    // Selected, the red goes to the background; an overlay names when and where it prints.
    R.DC->Log()->Clear();
    Painter.PaintBandRow(Overlay, Row(6), true);
    EXPECT_TRUE(
        R.Only({"ExtTextOut"})
            .contains(QStringLiteral("ExtTextOut 180 85 6 180 84 300 98 \"PrintLast at Offset: 12\"")));
    EXPECT_EQ(R.Only({"MoveToEx", "LineTo"}), QStringList());
}

TEST(BandTree, GroupRowsShowPlaceholdersInThreeColumns) {
    TOutlinePage P;
    TVyrGroup* Group = P.AddGroup(QStringLiteral("Group"), 0);
    const TVyrBandTree Tree = P.Tree();
    TRecordedOutline R;
    TVyrBandPainter Painter(Tree, R.Outline);
    const TVyrGroupColumns Columns = Painter.PaintGroupRow(Group, QString(), Row(0), 300);
    EXPECT_EQ(Columns.Group, 4);
    EXPECT_EQ(Columns.Variable, 95);
    EXPECT_EQ(Columns.Event, 178);
    EXPECT_EQ(R.Only({"FillRect", "ExtTextOut"}).join(u'\n').remove(QRegularExpression(" brush.*")),
              QStringLiteral("FillRect 4 0 300 14\n"
                             "ExtTextOut 6 1 6 4 0 94 14 \"Group\"\n"
                             "ExtTextOut 97 1 6 95 0 177 14 \"Fill in Variable\"\n"
                             "ExtTextOut 180 1 6 178 0 300 14 \"Fill in OnCheckBroken event.\""));

    // One of the two given: the other is "Not assigned.".
    auto* Var = Make<TVyrExprVar>(P.Form.get(), QStringLiteral("CustomerNo"), P.Page);
    Group->SetVariable(Var);
    R.DC->Log()->Clear();
    Painter.PaintGroupRow(Group, QString(), Row(1), 300);
    EXPECT_EQ(R.Only({"ExtTextOut"}).mid(1),
              (QStringList{"ExtTextOut 97 15 6 95 14 177 28 \"CustomerNo\"",
                           "ExtTextOut 180 15 6 178 14 300 28 \"Not assigned.\""}));
}
