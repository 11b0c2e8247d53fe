#include "host/grids.h"
#include "host/paintpass.h"
#include "support/devices.h"
#include "support/paintlog.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

QString RectText(const TRect& R) {
    return QStringLiteral("%1 %2 %3 %4").arg(R.Left).arg(R.Top).arg(R.Right).arg(R.Bottom);
}

// Three columns of 30, 100 and 150 pixels and ten rows of 17 in a grid of 320 x 60: inside the
// frame and the scroll bar the client area is 299 x 56, where three rows fit whole and a fourth
// shows in part.
struct TGrid {
    TStringGrid Grid{nullptr};
    TGrid() {
        Grid.SetColCount(3);
        Grid.SetRowCount(10);
        Grid.SetDefaultRowHeight(17);
        Grid.SetColWidths(0, 30);
        Grid.SetColWidths(1, 100);
        Grid.SetColWidths(2, 150);
        Grid.SetOptions(Grid.Options() | goRowSelect);
        Grid.SetBounds(0, 0, 320, 60);
        for (int r = 0; r < 10; ++r)
            Grid.SetCells(1, r, QStringLiteral("row %1").arg(r));
    }
};

} // namespace

TEST(StringGrid, CellsLieByWidthsAndRowHeightFromTheTopRow) {
    TGrid G;
    TStringGrid& Grid = G.Grid;
    int TopChanges = 0;
    Grid.OnTopLeftChanged = [&](TComponent*) { ++TopChanges; };
    EXPECT_EQ(Grid.VisibleRowCount(), 3);
    EXPECT_EQ(Grid.ClientRect(), QRect(0, 0, 299, 56));
    struct {
        int Col, Row;
        const char* Rect;
    } const Top[] = {
        {0, 0, "0 0 30 17"},  {1, 0, "31 0 131 17"},   {2, 0, "132 0 282 17"},
        {0, 2, "0 36 30 53"}, {2, 3, "132 54 282 71"}, // shown in part
        {0, 4, "0 0 0 0"},    {3, 0, "0 0 0 0"},       {0, 10, "0 0 0 0"},
    };
    for (const auto& c : Top)
        EXPECT_EQ(RectText(Grid.CellRect(c.Col, c.Row)), QString::fromLatin1(c.Rect))
            << c.Col << ',' << c.Row;

    // the current row scrolls into view; the top row stops where the last rows fill the view
    Grid.SetRow(7);
    EXPECT_EQ(Grid.TopRow(), 5);
    EXPECT_EQ(RectText(Grid.CellRect(1, 7)), QStringLiteral("31 36 131 53"));
    EXPECT_TRUE(Grid.CellRect(1, 4).IsEmpty());
    Grid.SetTopRow(20);
    EXPECT_EQ(Grid.TopRow(), 7);
    Grid.SetTopRow(-3);
    EXPECT_EQ(Grid.TopRow(), 0);
    EXPECT_EQ(TopChanges, 3);

    int c, r;
    Grid.MouseToCell(31, 18, c, r);
    EXPECT_EQ(QStringLiteral("%1,%2").arg(c).arg(r), QStringLiteral("1,1"));
    Grid.MouseToCell(30, 17, c, r); // the grid lines belong to the cell before them
    EXPECT_EQ(QStringLiteral("%1,%2").arg(c).arg(r), QStringLiteral("0,0"));
    Grid.MouseToCell(290, 55, c, r);
    EXPECT_EQ(QStringLiteral("%1,%2").arg(c).arg(r), QStringLiteral("-1,3"));

    // fewer rows pull the top row back
    Grid.SetTopRow(7);
    Grid.SetRowCount(4);
    EXPECT_EQ(Grid.TopRow(), 1);
    EXPECT_EQ(Grid.Row(), 3);
    Grid.SetRowCount(3); // all rows fit: no scroll bar
    EXPECT_EQ(Grid.ClientRect(), QRect(0, 0, 316, 56));
    EXPECT_EQ(Grid.TopRow(), 0);
}

TEST(StringGrid, PaintsTheShownCellsThroughItsHandlerAndALeftPressChoosesTheRow) {
    TGrid G;
    TStringGrid& Grid = G.Grid;
    Grid.SetTopRow(2);
    Grid.SetRow(3);
    QStringList Drawn;
    Grid.OnDrawCell = [&](TComponent* Sender, int ACol, int ARow, const TRect& R, TGridDrawState State) {
        EXPECT_EQ(Sender, &Grid);
        EXPECT_TRUE(Grid.Canvas()->HandleAllocated());
        Drawn << QStringLiteral("%1,%2 %3 %4").arg(ACol).arg(ARow).arg(RectText(R)).arg(State);
    };
    auto DC = DeviceContext::CreateRecording(ScreenCaps(96, 300, 60));
    Grid.PaintTo(*DC);
    EXPECT_FALSE(Grid.Canvas()->HandleAllocated());
    EXPECT_EQ(Drawn.join(u'\n'), QStringLiteral("0,2 0 0 30 17 0\n1,2 31 0 131 17 0\n2,2 132 0 282 17 0\n"
                                                "0,3 0 18 30 35 3\n1,3 31 18 131 35 1\n2,3 132 18 282 35 1\n"
                                                "0,4 0 36 30 53 0\n1,4 31 36 131 53 0\n2,4 132 36 282 53 0\n"
                                                "0,5 0 54 30 71 0\n1,5 31 54 131 71 0\n2,5 132 54 282 71 0"));
    // the default drawing writes each cell's text into its rectangle before the handler runs
    const QStringList Texts = DC->Log()->Only({QStringLiteral("ExtTextOut")});
    ASSERT_EQ(Texts.size(), 12);
    EXPECT_TRUE(Texts[4].startsWith(QStringLiteral("ExtTextOut 33 20 "))) << qPrintable(Texts[4]);
    EXPECT_TRUE(Texts[4].contains(QStringLiteral("\"row 3\""))) << qPrintable(Texts[4]);
    // in the paint pass the cells stand inside the frame
    auto Pass = DeviceContext::CreateRecording(ScreenCaps(96, 320, 60));
    PaintControl(&Grid, *Pass);
    EXPECT_EQ(DrawnAt(*Pass->Log(), QStringLiteral("row 3")), QPoint(35, 22));

    QStringList Events;
    Grid.OnClick = [&](TComponent*) { Events << QStringLiteral("click %1").arg(Grid.Row()); };
    Grid.OnMouseUp = [&](TComponent*, TMouseButton B, TShiftState, int X, int Y) {
        Events << QStringLiteral("up %1 %2 %3").arg(int(B)).arg(X).arg(Y);
    };
    Grid.MouseDown(mbRight, 0, 40, 40);
    Grid.MouseUp(mbRight, 0, 40, 40);
    Grid.MouseDown(mbLeft, 0, 40, 40);
    Grid.MouseUp(mbLeft, 0, 40, 40);
    Grid.MouseDown(mbLeft, 0, 290, 5); // beside the columns: no cell
    EXPECT_EQ(Events.join(u'|'), QStringLiteral("up 1 40 40|click 4|up 0 40 40"));
    EXPECT_EQ(Grid.Col(), 1);
}
