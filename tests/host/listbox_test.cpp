#include "host/dragdrop.h"
#include "host/listbox.h"
#include "host/menus.h"
#include "host/paintpass.h"
#include "support/devices.h"
#include "support/pixelprobe.h"

#include <QMenu>
#include <QWidget>
#include <gtest/gtest.h>

namespace {
// A list of n items "I0" .. "In-1" whose objects are their numbers, rows 14 high in a client area of
// 100 x 70 (five whole rows) inside the 2-pixel frame.
struct TListFixture {
    explicit TListFixture(int n, int W = 104, int H = 74) : List(new TListBox(&Owner)) {
        List->SetName(QStringLiteral("BandList"));
        List->SetItemHeight(14);
        List->SetBounds(0, 0, W, H);
        for (int I = 0; I < n; ++I)
            List->Items().AddObject(QStringLiteral("I%1").arg(I), reinterpret_cast<void*>(intptr_t(I)));
    }
    QString Selection() const {
        QString S;
        for (int I = 0; I < List->Items().Count(); ++I)
            S += List->Selected(I) ? u'x' : u'.';
        return S;
    }
    // As a user does: scrolled into view first.
    void Click(int Index, TShiftState Shift = 0) {
        List->MakeVisible(Index);
        const TRect R = List->ItemRect(Index);
        List->MouseDown(mbLeft, Shift | ssLeft, R.Left + 3, R.Top + 3);
        List->MouseUp(mbLeft, Shift, R.Left + 3, R.Top + 3);
    }
    TComponent Owner{nullptr};
    TListBox* List;
};
} // namespace

TEST(ListBox, ItemsKeepTheirObjectsAndTheSelectionFollowsInsertsAndDeletes) {
    TListFixture F(5);
    TListBox& L = *F.List;
    L.SetMultiSelect(true);
    L.SetSelected(1, true);
    L.SetSelected(3, true);
    L.SetItemIndex(3);
    EXPECT_EQ(L.SelCount(), 2);
    L.Items().InsertObject(0, QStringLiteral("new"), nullptr);
    EXPECT_EQ(F.Selection(), QStringLiteral("..x.x."));
    EXPECT_EQ(L.ItemIndex(), 4);
    L.Items().Delete(2); // the selected I1 goes, the caret follows I3
    EXPECT_EQ(F.Selection(), QStringLiteral("...x."));
    EXPECT_EQ(L.ItemIndex(), 3);
    EXPECT_EQ(L.Items().ObjectAs<void>(3), reinterpret_cast<void*>(intptr_t(3)));
    EXPECT_EQ(L.Items().IndexOfObject(reinterpret_cast<void*>(intptr_t(4))), 4);
    EXPECT_EQ(L.Items().IndexOf(QStringLiteral("i2")), 2);
    L.Items().Delete(3); // the caret's own item goes: no caret
    EXPECT_EQ(L.ItemIndex(), -1);
    EXPECT_THROW(L.Items().Strings(9), EListError);

    // A single-selection list has exactly its item index selected; a sorted list inserts in order.
    L.SetMultiSelect(false);
    L.SetItemIndex(2);
    EXPECT_EQ(F.Selection(), QStringLiteral("..x."));
    L.SetSorted(true);
    EXPECT_EQ(L.Items().ToStringList(), (QStringList{"I0", "I2", "I4", "new"}));
    EXPECT_EQ(L.Items().Add(QStringLiteral("i3")), 2);
    L.Items().Clear();
    EXPECT_EQ(L.ItemIndex(), -1);
    EXPECT_EQ(L.SelCount(), 0);
}

TEST(ListBox, MovedAndExchangedItemsLeaveNoSelectionThatTheItemIndexDoesNotKnow) {
    TListFixture F(4);
    TListBox& L = *F.List;
    // The selection stays with the place, as the item index does.
    L.SetItemIndex(0);
    L.Items().Exchange(0, 2);
    EXPECT_EQ(L.Items().ToStringList(), (QStringList{"I2", "I1", "I0", "I3"}));
    EXPECT_EQ(L.Items().ObjectAs<void>(2), nullptr);
    EXPECT_EQ(L.ItemIndex(), 0);
    EXPECT_EQ(F.Selection(), QStringLiteral("x..."));
    // A moved item was taken out and put back: its selection went with the taking out.
    L.SetItemIndex(1);
    L.Items().Move(1, 3);
    EXPECT_EQ(L.Items().ToStringList(), (QStringList{"I2", "I0", "I3", "I1"}));
    EXPECT_EQ(L.ItemIndex(), -1);
    EXPECT_EQ(F.Selection(), QStringLiteral("...."));
    EXPECT_EQ(L.SelCount(), 0);
}

TEST(ListBox, ClicksSelectAsThePlatformsListsDoAndReportEachChange) {
    TListFixture F(6);
    TListBox& L = *F.List;
    int Clicks = 0;
    L.OnClick = [&](TComponent*) { ++Clicks; };

    F.Click(2);
    EXPECT_EQ(L.ItemIndex(), 2);
    EXPECT_EQ(F.Selection(), QStringLiteral("..x..."));
    L.MouseDown(mbLeft, ssLeft, 5, 6 * 14 + 1); // past the last item: nothing
    EXPECT_EQ(L.ItemIndex(), 2);
    EXPECT_EQ(Clicks, 1);

    L.SetMultiSelect(true);
    F.Click(1);
    F.Click(4, ssShift);
    EXPECT_EQ(F.Selection(), QStringLiteral(".xxxx."));
    F.Click(3, ssCtrl);
    EXPECT_EQ(F.Selection(), QStringLiteral(".xx.x."));
    EXPECT_EQ(L.ItemIndex(), 3);
    F.Click(0);
    EXPECT_EQ(F.Selection(), QStringLiteral("x....."));
    L.SetExtendedSelect(false);
    F.Click(5);
    F.Click(0);
    EXPECT_EQ(F.Selection(), QStringLiteral(".....x"));
    EXPECT_EQ(Clicks, 7);

    // Keys move the caret and select as a click does; the list scrolls to keep it in view.
    L.SetMultiSelect(false);
    L.SetItemIndex(4);
    EXPECT_TRUE(L.KeyDown(Qt::Key_Down, 0));
    EXPECT_EQ(L.ItemIndex(), 5);
    EXPECT_EQ(L.TopIndex(), 1);
    EXPECT_TRUE(L.KeyDown(Qt::Key_Home, 0));
    EXPECT_EQ(L.TopIndex(), 0);
    EXPECT_FALSE(L.KeyDown(Qt::Key_A, 0));
    EXPECT_EQ(Clicks, 9);

    // A press and a release as the window sends them: one click, on the press.
    L.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 17));
    EXPECT_EQ(L.ItemIndex(), 1);
    L.Perform(WM_LBUTTONUP, 0, MAKELPARAM(5, 17));
    EXPECT_EQ(Clicks, 10);

    // A multiple selection that drags automatically: a press on a selected item keeps the selection
    // for the drag; released in place without a drag, it selects the item alone.
    L.SetMultiSelect(true);
    L.SetExtendedSelect(true);
    F.Click(3, ssCtrl);
    EXPECT_EQ(F.Selection(), QStringLiteral(".x.x.."));
    L.SetDragMode(dmAutomatic);
    L.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 45));
    EXPECT_EQ(F.Selection(), QStringLiteral(".x.x.."));
    DragManager::Move(&L, QPoint(60, 45));
    L.Perform(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(60, 45));
    DragManager::Release(&L, QPoint(5, 45));
    L.Perform(WM_LBUTTONUP, 0, MAKELPARAM(5, 45));
    EXPECT_EQ(F.Selection(), QStringLiteral(".x.x.."));
    EXPECT_EQ(Clicks, 11);
    L.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 17));
    L.Perform(WM_LBUTTONUP, 0, MAKELPARAM(5, 17));
    DragManager::Cancel(); // the window ends the drag the press began
    EXPECT_EQ(F.Selection(), QStringLiteral(".x...."));
    EXPECT_EQ(Clicks, 12);
}

TEST(ListBox, GeometryOfRowsColumnsScrollBarAndPositions) {
    TListFixture F(5);
    TListBox& L = *F.List;
    // Five rows fit: no scroll bar, the client is the frame's inside.
    EXPECT_FALSE(L.ScrollBarShown());
    EXPECT_EQ(L.ClientRect(), QRect(0, 0, 100, 70));
    EXPECT_EQ(L.ItemRect(4), Rect(0, 56, 100, 70));
    EXPECT_EQ(L.ItemAtPos(Point(99, 69), true), 4);
    EXPECT_EQ(L.ItemAtPos(Point(100, 10), true), -1);
    EXPECT_EQ(L.ItemAtPos(Point(100, 10), false), 5);

    // A sixth row brings the scroll bar, which narrows the rows; scrolling moves them up.
    L.Items().Add(QStringLiteral("I5"));
    EXPECT_TRUE(L.ScrollBarShown());
    EXPECT_EQ(L.ClientRect().width(), 100 - ListScrollBarWidth);
    L.SetTopIndex(9);
    EXPECT_EQ(L.TopIndex(), 1);
    EXPECT_EQ(L.ItemRect(1), Rect(0, 0, 83, 14));
    EXPECT_EQ(L.ItemRect(0), Rect(0, -14, 83, 0));
    EXPECT_EQ(L.ItemAtPos(Point(3, 15), true), 2);
    L.MakeVisible(0);
    EXPECT_EQ(L.TopIndex(), 0);

    // Three columns of five rows: item 7 is the third row of the second column.
    for (int I = 6; I < 12; ++I)
        L.Items().Add(QStringLiteral("I%1").arg(I));
    L.SetColumns(3);
    EXPECT_FALSE(L.ScrollBarShown());
    EXPECT_EQ(L.ItemRect(7), Rect(33, 28, 66, 42));
    EXPECT_EQ(L.ItemAtPos(Point(40, 30), true), 7);
    EXPECT_EQ(L.ItemAtPos(Point(70, 60), true), -1); // the third column has only two items

    // An integral height keeps whole rows inside the frame; in columns the sideways scroll bar, once
    // the items need it, lies below the rows.
    TListFixture G(3, 100, 64);
    G.List->SetIntegralHeight(true);
    EXPECT_EQ(G.List->Height(), 4 * 14 + 4);
    G.List->SetColumns(3);
    G.List->SetHeight(50);
    EXPECT_EQ(G.List->Height(), 3 * 14 + 4);
    for (int I = 3; I < 13; ++I)
        G.List->Items().Add(QStringLiteral("I%1").arg(I));
    G.List->SetHeight(70);
    EXPECT_TRUE(G.List->ScrollBarShown());
    EXPECT_EQ(G.List->Height(), 3 * 14 + 4 + ListScrollBarWidth);
    EXPECT_EQ(G.List->ClientRect().height(), 3 * 14);
}

TEST(ListBox, PaintsEachShownRowThroughItsOwnerWithFreshColours) {
    TListFixture F(7);
    TListBox& L = *F.List;
    L.SetStyle(lbOwnerDrawFixed);
    L.SetTopIndex(1);
    L.SetItemIndex(2);
    QStringList Calls;
    L.OnDrawItem = [&](TListBox* Sender, int Index, const TRect& R, TOwnerDrawState State) {
        TCanvas* C = Sender->Canvas();
        Calls << QStringLiteral("%1 %2,%3,%4,%5 %6 %7 %8")
                     .arg(Index)
                     .arg(R.Left)
                     .arg(R.Top)
                     .arg(R.Right)
                     .arg(R.Bottom)
                     .arg(State)
                     .arg(C->Brush().Color() == clHighlight ? "hi" : "win")
                     .arg(C->Font().Color() == clHighlightText ? "hitext" : "text");
        // A colour left behind here must not reach the next row.
        C->Brush().SetColor(clRed);
        C->Font().SetColor(clRed);
        C->FillRect(R);
    };
    auto DC = DeviceContext::CreateRecording(ScreenCaps(96, 83, 70));
    L.PaintTo(*DC);
    EXPECT_EQ(Calls,
              (QStringList{"1 0,0,83,14 0 win text", "2 0,14,83,28 1 hi hitext", "3 0,28,83,42 0 win text",
                           "4 0,42,83,56 0 win text", "5 0,56,83,70 0 win text"}));
    EXPECT_EQ(L.Canvas()->Handle(), nullptr);

    // Without an owner the item's text stands at (left + 2, top) on the filled row.
    L.SetStyle(lbStandard);
    auto Plain = DeviceContext::CreateRecording(ScreenCaps(96, 83, 70));
    L.PaintTo(*Plain);
    const QStringList Texts = Plain->Log()->Only({"ExtTextOut"});
    ASSERT_EQ(Texts.size(), 5);
    EXPECT_EQ(Texts[0], QStringLiteral("ExtTextOut 2 0 0 nil \"I1\""));
    EXPECT_EQ(Texts[4], QStringLiteral("ExtTextOut 2 56 0 nil \"I5\""));
}

TEST(ListBox, TheWindowShowsWhatThePaintDrawsAndRightClicksPopUpTheMenu) {
    TListFixture F(3);
    TListBox& L = *F.List;
    L.SetStyle(lbOwnerDrawFixed);
    L.SetItemIndex(1);
    L.OnDrawItem = [](TListBox* Sender, int Index, const TRect& R, TOwnerDrawState) {
        TCanvas* C = Sender->Canvas();
        C->FillRect(R);
        C->Pen().SetColor(Index == 2 ? clRed : clBlue);
        C->MoveTo(R.Left + 10, R.Top + 7);
        C->LineTo(R.Left + 60, R.Top + 7);
    };
    // The window shows what a paint pass draws: the frame, then the items inside it.
    QImage Painted(104, 74, QImage::Format_RGB32);
    Painted.fill(Qt::black);
    {
        auto DC = DeviceContext::CreateForImage(&Painted, 96, 96);
        PaintControl(&L, *DC);
    }
    QWidget* View = L.Widget();
    ASSERT_NE(View, nullptr);
    EXPECT_EQ(View->objectName(), QStringLiteral("BandList"));
    EXPECT_EQ(View->size(), QSize(104, 74));
    const QImage Shown = View->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(Shown, Painted);
    EXPECT_EQ(CountColor(Shown, 0xFFFF0000), 50);
    EXPECT_EQ(CountColor(Shown, 0xFF0000FF), 100);

    auto* Menu = new TPopupMenu(&F.Owner);
    auto* Item = new TMenuItem(&F.Owner);
    Item->SetCaption(QStringLiteral("Delete"));
    Menu->Items()->Add(Item);
    int Popups = 0;
    Menu->OnPopup = [&](TComponent* Sender) {
        ++Popups;
        EXPECT_EQ(static_cast<TPopupMenu*>(Sender)->PopupComponent(), &L);
    };
    L.SetPopupMenu(Menu);
    L.MouseDown(mbRight, ssRight, 5, 30);
    EXPECT_EQ(L.ItemIndex(), 1); // a right click leaves the selection alone
    L.MouseUp(mbRight, 0, 5, 30);
    EXPECT_EQ(Popups, 1);
    ASSERT_NE(Menu->Menu(), nullptr);
    EXPECT_EQ(Menu->Menu()->actions().size(), 1);
    delete Menu;
    EXPECT_EQ(L.PopupMenu(), nullptr);
    L.MouseUp(mbRight, 0, 5, 30);
}
