#include "host/listbox.h"
#include "host/controlviews.h"
#include "host/dragdrop.h"
#include "host/menus.h"
#include "host/paintpass.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <QWidget>
#include <algorithm>

namespace {
constexpr int FrameWidth = 2;
} // namespace

// The Qt side of a list box: the list box's own picture, frame and items, with a scroll bar over it
// when the items do not fit, and the caret's dotted frame while it has the focus.
class TListBoxWidget : public TControlView {
public:
    explicit TListBoxWidget(TListBox* ListBox) : TControlView(ListBox), FScroll(new QScrollBar(this)) {
        FScroll->hide();
        QObject::connect(FScroll, &QScrollBar::valueChanged, this, [this](int Value) {
            if (List() && !FSyncing)
                List()->SetTopIndex(List()->Columns() > 0 ? Value * List()->RowsPerColumn() : Value);
        });
    }

    TListBox* List() const { return static_cast<TListBox*>(Control()); }

    // Takes the scroll bar's place, range and position from the list box.
    void Sync() {
        TListBox* L = List();
        if (!L) return;
        FSyncing = true;
        const QRect Inner = L->InnerRect().translated(ClientOrigin());
        const bool Shown = L->ScrollBarShown();
        if (L->Columns() > 0) {
            FScroll->setOrientation(Qt::Horizontal);
            FScroll->setGeometry(Inner.left(), Inner.bottom() + 1 - ListScrollBarWidth, Inner.width(),
                                 ListScrollBarWidth);
            const int Rows = L->RowsPerColumn();
            FScroll->setRange(0, (L->MaxTopIndex() + Rows - 1) / Rows);
            FScroll->setValue(L->TopIndex() / Rows);
        } else {
            FScroll->setOrientation(Qt::Vertical);
            FScroll->setGeometry(Inner.right() + 1 - ListScrollBarWidth, Inner.top(), ListScrollBarWidth,
                                 Inner.height());
            FScroll->setRange(0, L->MaxTopIndex());
            FScroll->setPageStep(std::max(1, L->VisibleRows()));
            FScroll->setValue(L->TopIndex());
        }
        FScroll->setVisible(Shown);
        FSyncing = false;
    }

protected:
    // The caret's dotted frame belongs to the window, not to what the items draw.
    void PaintOver(QPainter& Painter) override {
        TListBox* L = List();
        const int Caret = L ? L->ItemIndex() : -1;
        if (!L || !L->FHasFocus || Caret < 0) return;
        const TRect R = L->ItemRect(Caret);
        QPen Dots(Qt::black, 1, Qt::DotLine);
        Painter.setPen(Dots);
        Painter.setClipRect(QRect(ClientOrigin(), L->ClientRect().size()));
        Painter.drawRect(QRect(R.Left, R.Top, R.Width() - 1, R.Height() - 1).translated(ClientOrigin()));
    }

    void wheelEvent(QWheelEvent* Event) override {
        TListBox* L = List();
        if (!L) return;
        const int Steps = Event->angleDelta().y() / 120;
        const int Rows = L->Columns() > 0 ? L->RowsPerColumn() : 3;
        L->SetTopIndex(L->TopIndex() - Steps * Rows);
    }

    void keyPressEvent(QKeyEvent* Event) override {
        bool Used = false;
        if (TListBox* L = List())
            CallEventHandler(L, [&] { Used = L->KeyDown(Event->key(), ShiftOf(Event->modifiers())); });
        if (!Used) QWidget::keyPressEvent(Event);
    }

    void focusInEvent(QFocusEvent* Event) override {
        QWidget::focusInEvent(Event);
        if (List()) List()->FHasFocus = true;
        update();
    }

    void focusOutEvent(QFocusEvent* Event) override {
        QWidget::focusOutEvent(Event);
        if (List()) List()->FHasFocus = false;
        update();
    }

    void resizeEvent(QResizeEvent* Event) override {
        QWidget::resizeEvent(Event);
        Sync();
    }

private:
    QScrollBar* FScroll;
    bool FSyncing = false;
};

// TListBoxStrings

int TListBoxStrings::Count() const {
    return static_cast<int>(FOwner.FItems.size());
}

const QString& TListBoxStrings::Strings(int Index) const {
    FOwner.CheckIndex(Index);
    return FOwner.FItems[size_t(Index)].S;
}

void TListBoxStrings::SetStrings(int Index, const QString& S) {
    FOwner.CheckIndex(Index);
    FOwner.FItems[size_t(Index)].S = S;
    FOwner.Invalidate();
}

void* TListBoxStrings::Objects(int Index) const {
    FOwner.CheckIndex(Index);
    return FOwner.FItems[size_t(Index)].Object;
}

void TListBoxStrings::SetObjects(int Index, void* Object) {
    FOwner.CheckIndex(Index);
    FOwner.FItems[size_t(Index)].Object = Object;
}

int TListBoxStrings::AddObject(const QString& S, void* Object) {
    const int Index = FOwner.FSorted ? FOwner.SortedIndex(S) : Count();
    FOwner.FItems.insert(FOwner.FItems.begin() + Index, TListBox::TItem{S, Object, false});
    FOwner.ItemInserted(Index);
    return Index;
}

void TListBoxStrings::InsertObject(int Index, const QString& S, void* Object) {
    if (Index < 0 || Index > Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    FOwner.FItems.insert(FOwner.FItems.begin() + Index, TListBox::TItem{S, Object, false});
    FOwner.ItemInserted(Index);
}

void TListBoxStrings::Delete(int Index) {
    FOwner.CheckIndex(Index);
    FOwner.FItems.erase(FOwner.FItems.begin() + Index);
    FOwner.ItemDeleted(Index);
}

void TListBoxStrings::Clear() {
    FOwner.FItems.clear();
    FOwner.FItemIndex = -1;
    FOwner.FAnchor = -1;
    FOwner.FTopIndex = 0;
    FOwner.ItemsChanged();
}

void TListBoxStrings::Move(int CurIndex, int NewIndex) {
    if (CurIndex == NewIndex) return;
    FOwner.CheckIndex(CurIndex);
    FOwner.CheckIndex(NewIndex);
    TListBox::TItem Item = FOwner.FItems[size_t(CurIndex)];
    // Taken out and put back: the selection went with the taking out, as the item index did.
    Item.Selected = false;
    Delete(CurIndex);
    FOwner.FItems.insert(FOwner.FItems.begin() + NewIndex, Item);
    FOwner.ItemInserted(NewIndex);
}

void TListBoxStrings::Exchange(int Index1, int Index2) {
    FOwner.CheckIndex(Index1);
    FOwner.CheckIndex(Index2);
    // The texts and objects trade places; the selection stays with the places, as the item index does.
    TListBox::TItem& A = FOwner.FItems[size_t(Index1)];
    TListBox::TItem& B = FOwner.FItems[size_t(Index2)];
    std::swap(A.S, B.S);
    std::swap(A.Object, B.Object);
    FOwner.Invalidate();
}

int TListBoxStrings::IndexOf(const QString& S) const {
    for (int I = 0; I < Count(); ++I)
        if (FOwner.FItems[size_t(I)].S.compare(S, Qt::CaseInsensitive) == 0) return I;
    return -1;
}

int TListBoxStrings::IndexOfObject(const void* Object) const {
    for (int I = 0; I < Count(); ++I)
        if (FOwner.FItems[size_t(I)].Object == Object) return I;
    return -1;
}

void TListBoxStrings::Assign(const QStringList& Lines) {
    Clear();
    for (const QString& S : Lines)
        Add(S);
}

QStringList TListBoxStrings::ToStringList() const {
    QStringList Result;
    for (const TListBox::TItem& Item : FOwner.FItems)
        Result << Item.S;
    return Result;
}

// TListBox

TListBox::TListBox(TComponent* AOwner) : TWinControl(AOwner), FStrings(*this) {
    SetColor(clWindow);
    SetBounds(0, 0, 121, 97);
}

TListBox::~TListBox() {
    DropWidget();
}

void TListBox::BeforeDestruction() {
    DropWidget();
    TWinControl::BeforeDestruction();
}

void TListBox::DropWidget() {
    if (!FWidget) return;
    TListBoxWidget* Widget = FWidget;
    FWidget = nullptr;
    Widget->Forget();
    delete Widget;
}

void TListBox::CheckIndex(int Index) const {
    if (Index < 0 || Index >= int(FItems.size()))
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
}

int TListBox::SortedIndex(const QString& S) const {
    auto It = std::upper_bound(FItems.begin(), FItems.end(), S, [](const QString& Value, const TItem& Item) {
        return Value.compare(Item.S, Qt::CaseInsensitive) < 0;
    });
    return int(It - FItems.begin());
}

void TListBox::ItemInserted(int Index) {
    if (FItemIndex >= Index) ++FItemIndex;
    if (FAnchor >= Index) ++FAnchor;
    ItemsChanged();
}

void TListBox::ItemDeleted(int Index) {
    // The deleted item's own selection went with it; the caret on it is lost, as the platform's is.
    if (FItemIndex == Index)
        FItemIndex = -1;
    else if (FItemIndex > Index)
        --FItemIndex;
    if (FAnchor == Index)
        FAnchor = -1;
    else if (FAnchor > Index)
        --FAnchor;
    ItemsChanged();
}

void TListBox::ItemsChanged() {
    FTopIndex = std::clamp(FTopIndex, 0, MaxTopIndex());
    Invalidate();
}

void TListBox::SetItemIndex(int Value) {
    if (Value < -1 || Value >= Items().Count()) Value = -1;
    if (FMultiSelect) {
        FItemIndex = Value;
    } else {
        for (TItem& Item : FItems)
            Item.Selected = false;
        FItemIndex = Value;
        if (Value >= 0) FItems[size_t(Value)].Selected = true;
    }
    FAnchor = Value;
    Invalidate();
}

void TListBox::SetMultiSelect(bool Value) {
    if (Value == FMultiSelect) return;
    FMultiSelect = Value;
    if (!Value) SetItemIndex(FItemIndex >= 0 && Selected(FItemIndex) ? FItemIndex : -1);
}

bool TListBox::Selected(int Index) const {
    CheckIndex(Index);
    return FItems[size_t(Index)].Selected;
}

void TListBox::SetSelected(int Index, bool Value) {
    CheckIndex(Index);
    if (!FMultiSelect) {
        if (Value)
            SetItemIndex(Index);
        else if (FItemIndex == Index)
            SetItemIndex(-1);
        return;
    }
    if (FItems[size_t(Index)].Selected == Value) return;
    FItems[size_t(Index)].Selected = Value;
    Invalidate();
}

int TListBox::SelCount() const {
    if (!FMultiSelect) return FItemIndex >= 0 ? 1 : 0;
    return int(std::count_if(FItems.begin(), FItems.end(), [](const TItem& Item) { return Item.Selected; }));
}

void TListBox::ClearSelection() {
    if (!FMultiSelect) {
        SetItemIndex(-1);
        return;
    }
    for (TItem& Item : FItems)
        Item.Selected = false;
    Invalidate();
}

void TListBox::SelectAll() {
    if (!FMultiSelect) return;
    for (TItem& Item : FItems)
        Item.Selected = true;
    Invalidate();
}

void TListBox::SetTopIndex(int Value) {
    if (FColumns > 0) {
        const int Rows = RowsPerColumn();
        Value = Value / Rows * Rows;
    }
    Value = std::clamp(Value, 0, MaxTopIndex());
    if (Value == FTopIndex) return;
    FTopIndex = Value;
    Invalidate();
}

void TListBox::SetItemHeight(int Value) {
    if (Value <= 0 || Value == FItemHeight) return;
    FItemHeight = Value;
    AdjustIntegralHeight();
    ItemsChanged();
}

void TListBox::SetColumns(int Value) {
    Value = std::max(0, Value);
    if (Value == FColumns) return;
    FColumns = Value;
    ItemsChanged();
}

void TListBox::SetIntegralHeight(bool Value) {
    if (Value == FIntegralHeight) return;
    FIntegralHeight = Value;
    AdjustIntegralHeight();
}

void TListBox::SetStyle(TListBoxStyle Value) {
    if (Value == FStyle) return;
    FStyle = Value;
    Invalidate();
}

void TListBox::SetSorted(bool Value) {
    if (Value == FSorted) return;
    FSorted = Value;
    if (!Value) return;
    std::stable_sort(FItems.begin(), FItems.end(), [](const TItem& A, const TItem& B) {
        return A.S.compare(B.S, Qt::CaseInsensitive) < 0;
    });
    FItemIndex = -1;
    FAnchor = -1;
    ItemsChanged();
}

void TListBox::SetBorderStyle(TFormBorderStyle Value) {
    if (Value == FBorderStyle) return;
    FBorderStyle = Value;
    AdjustIntegralHeight();
    ItemsChanged();
}

QPoint TListBox::ClientOrigin() const {
    return FBorderStyle == bsSingle ? QPoint(FrameWidth, FrameWidth) : QPoint(0, 0);
}

QRect TListBox::InnerRect() const {
    const int F = FBorderStyle == bsSingle ? FrameWidth : 0;
    return QRect(0, 0, std::max(0, Width() - 2 * F), std::max(0, Height() - 2 * F));
}

bool TListBox::ScrollBarShown() const {
    const QRect Inner = InnerRect();
    const int Count = Items().Count();
    if (FColumns > 0) return Count > std::max(1, Inner.height() / FItemHeight) * FColumns;
    return Count * FItemHeight > Inner.height();
}

QRect TListBox::ClientRect() const {
    QRect R = InnerRect();
    if (ScrollBarShown()) {
        if (FColumns > 0)
            R.setHeight(std::max(0, R.height() - ListScrollBarWidth));
        else
            R.setWidth(std::max(0, R.width() - ListScrollBarWidth));
    }
    return R;
}

int TListBox::VisibleRows() const {
    return ClientRect().height() / FItemHeight;
}

int TListBox::RowsPerColumn() const {
    return std::max(1, VisibleRows());
}

int TListBox::MaxTopIndex() const {
    const int Count = Items().Count();
    if (FColumns > 0) {
        const int Rows = RowsPerColumn();
        const int Shown = Rows * FColumns;
        if (Count <= Shown) return 0;
        // Whole columns scroll; the last one may be partly filled.
        return ((Count - Shown) + Rows - 1) / Rows * Rows;
    }
    return std::max(0, Count - std::max(1, VisibleRows()));
}

TRect TListBox::ItemRect(int Index) const {
    const int K = Index - FTopIndex;
    const int W = ClientRect().width();
    if (FColumns > 0) {
        const int Rows = RowsPerColumn();
        const int ColumnWidth = W / FColumns;
        // Items before the top lie in columns left of the client area.
        const int Column = K >= 0 ? K / Rows : -((-K + Rows - 1) / Rows);
        const int Row = K - Column * Rows;
        return Bounds(Column * ColumnWidth, Row * FItemHeight, ColumnWidth, FItemHeight);
    }
    return Bounds(0, K * FItemHeight, W, FItemHeight);
}

int TListBox::ItemAtPos(const TPoint& Pos, bool Existing) const {
    const int Count = Items().Count();
    const QRect Client = ClientRect();
    int Index = -1;
    if (Client.contains(Pos.X, Pos.Y)) {
        const int Row = Pos.Y / FItemHeight;
        if (FColumns > 0) {
            const int ColumnWidth = std::max(1, Client.width() / FColumns);
            const int Column = Pos.X / ColumnWidth;
            if (Column < FColumns && Row < RowsPerColumn())
                Index = FTopIndex + Column * RowsPerColumn() + Row;
        } else {
            Index = FTopIndex + Row;
        }
    }
    if (Index >= 0 && Index < Count) return Index;
    return Existing ? -1 : Count;
}

void TListBox::MakeVisible(int Index) {
    if (Index < 0 || Index >= Items().Count()) return;
    if (FColumns > 0) {
        const int Rows = RowsPerColumn();
        const int Shown = Rows * std::max(1, FColumns);
        if (Index < FTopIndex)
            SetTopIndex(Index);
        else if (Index >= FTopIndex + Shown)
            SetTopIndex(Index - Shown + Rows);
        return;
    }
    const int Rows = std::max(1, VisibleRows());
    if (Index < FTopIndex)
        SetTopIndex(Index);
    else if (Index >= FTopIndex + Rows)
        SetTopIndex(Index - Rows + 1);
}

void TListBox::PaintTo(DeviceContext& DC) {
    FCanvas.SetHandle(&DC);
    try {
        const QRect Client = ClientRect();
        FCanvas.SetFont(*Font());
        FCanvas.Brush().SetStyle(bsSolid);
        FCanvas.Brush().SetColor(Color());
        FCanvas.FillRect(Rect(0, 0, Client.width(), Client.height()));
        for (int Index = FTopIndex; Index < Items().Count(); ++Index) {
            const TRect R = ItemRect(Index);
            if (R.Left >= Client.width() || (FColumns == 0 && R.Top >= Client.height())) break;
            TOwnerDrawState State = 0;
            if (FItems[size_t(Index)].Selected) State |= odSelected;
            if (FHasFocus && Index == FItemIndex) State |= odFocused;
            if (!Enabled()) State |= odDisabled;
            // Every item starts from the list's own font and colours, whatever the last one changed.
            FCanvas.SetFont(*Font());
            FCanvas.Brush().SetStyle(bsSolid);
            FCanvas.Brush().SetColor(Color());
            if (State & odSelected) {
                FCanvas.Brush().SetColor(clHighlight);
                FCanvas.Font().SetColor(clHighlightText);
            }
            DrawItem(Index, R, State);
        }
    } catch (...) {
        FCanvas.SetHandle(nullptr);
        throw;
    }
    FCanvas.SetHandle(nullptr);
}

void TListBox::Paint() {
    PaintFramedClient(FCanvas, *this, FBorderStyle == bsSingle, [this](DeviceContext& DC) { PaintTo(DC); });
}

void TListBox::DrawItem(int Index, const TRect& Rect, TOwnerDrawState State) {
    if (FStyle != lbStandard && OnDrawItem) {
        OnDrawItem(this, Index, Rect, State);
        return;
    }
    FCanvas.FillRect(Rect);
    FCanvas.TextOut(Rect.Left + 2, Rect.Top, FItems[size_t(Index)].S);
}

void TListBox::SelectOnly(int Index) {
    for (size_t I = 0; I < FItems.size(); ++I)
        FItems[I].Selected = int(I) == Index;
}

void TListBox::SelectByClick(int Index, TShiftState Shift) {
    if (!FMultiSelect) {
        SetItemIndex(Index);
        return;
    }
    if (!FExtendedSelect) {
        FItems[size_t(Index)].Selected = !FItems[size_t(Index)].Selected;
        FAnchor = Index;
    } else if ((Shift & ssShift) && FAnchor >= 0) {
        if (!(Shift & ssCtrl)) SelectOnly(-1);
        for (int I = std::min(FAnchor, Index); I <= std::max(FAnchor, Index); ++I)
            FItems[size_t(I)].Selected = true;
    } else if (Shift & ssCtrl) {
        FItems[size_t(Index)].Selected = !FItems[size_t(Index)].Selected;
        FAnchor = Index;
    } else {
        SelectOnly(Index);
        FAnchor = Index;
    }
    FItemIndex = Index;
    Invalidate();
}

void TListBox::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    FHeldItem = -1;
    FHeldDragged = false;
    if (Button == mbLeft && Enabled()) {
        const int Index = ItemAtPos(Point(X, Y), true);
        if (Index >= 0 && FMultiSelect && DragMode() == dmAutomatic && Selected(Index) && SelCount() > 1 &&
            !(Shift & (ssShift | ssCtrl))) {
            FHeldItem = Index;
        } else if (Index >= 0) {
            SelectByClick(Index, Shift);
            MakeVisible(Index);
            // The selection changed by the user: the list's click, as the platform reports it.
            Click();
        }
    }
    TWinControl::MouseDown(Button, Shift, X, Y);
}

void TListBox::MouseMove(TShiftState Shift, int X, int Y) {
    if (FHeldItem >= 0 && DragManager::Started()) FHeldDragged = true;
    TWinControl::MouseMove(Shift, X, Y);
}

void TListBox::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TWinControl::MouseUp(Button, Shift, X, Y);
    if (Button == mbLeft && FHeldItem >= 0) {
        const int Held = FHeldItem;
        FHeldItem = -1;
        if (!FHeldDragged && ItemAtPos(Point(X, Y), true) == Held) {
            SelectByClick(Held, 0);
            Click();
        }
    }
    if (Button == mbRight) ContextPopup(X, Y);
}

void TListBox::ContextPopup(int X, int Y) {
    ShowContextPopup(PopupMenu(), this, FWidget, X, Y);
}

bool TListBox::KeyDown(int Key, TShiftState Shift) {
    const int Count = Items().Count();
    if (Count == 0) return false;
    const int Page = std::max(1, VisibleRows() - 1);
    const int From = FItemIndex;
    int To = From;
    switch (Key) {
    case Qt::Key_Up:
        To = From < 0 ? 0 : From - 1;
        break;
    case Qt::Key_Down:
        To = From + 1;
        break;
    case Qt::Key_PageUp:
        To = From - Page;
        break;
    case Qt::Key_PageDown:
        To = From + Page;
        break;
    case Qt::Key_Home:
        To = 0;
        break;
    case Qt::Key_End:
        To = Count - 1;
        break;
    default:
        return false;
    }
    To = std::clamp(To, 0, Count - 1);
    if (To == From) return true;
    SelectByClick(To, Shift & ssShift);
    MakeVisible(To);
    Click();
    return true;
}

QWidget* TListBox::Widget() {
    if (!FWidget) {
        FWidget = new TListBoxWidget(this);
        FWidget->setObjectName(Name());
        FWidget->setVisible(Visible());
        UpdateWidgetGeometry();
    }
    return FWidget;
}

void TListBox::UpdateWidgetGeometry() {
    if (!FWidget) return;
    // The view covers the whole control, frame included.
    const QPoint At = Parent() ? Parent()->ClientToParent(BoundsRect().topLeft()) : BoundsRect().topLeft();
    FWidget->setGeometry(At.x(), At.y(), Width(), Height());
    FWidget->Sync();
}

void TListBox::AdjustIntegralHeight() {
    if (!FIntegralHeight) return;
    const int F = FBorderStyle == bsSingle ? 2 * FrameWidth : 0;
    // Columns scroll sideways: their scroll bar lies under the rows and is not a row.
    const int Bar = FColumns > 0 && ScrollBarShown() ? ListScrollBarWidth : 0;
    const int Rows = std::max(1, (Height() - F - Bar) / FItemHeight);
    const int Wanted = Rows * FItemHeight + F + Bar;
    if (Wanted != Height()) TWinControl::SetBounds(Left(), Top(), Width(), Wanted);
}

void TListBox::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    TWinControl::SetBounds(ALeft, ATop, AWidth, AHeight);
    AdjustIntegralHeight();
    FTopIndex = std::clamp(FTopIndex, 0, MaxTopIndex());
    UpdateWidgetGeometry();
}

void TListBox::SetVisible(bool Value) {
    TWinControl::SetVisible(Value);
    if (FWidget) FWidget->setVisible(Value);
}

void TListBox::Invalidate() {
    TWinControl::Invalidate();
    if (FWidget && !HasState(csDestroying)) {
        FWidget->Sync();
        FWidget->update();
    }
}

void PlaceListBoxWidgets(TWinControl* Root) {
    if (!Root) return;
    for (int I = 0; I < Root->ControlCount(); ++I) {
        TControl* Child = Root->Controls(I);
        if (auto* List = dynamic_cast<TListBox*>(Child)) List->UpdateWidgetGeometry();
        if (auto* Container = dynamic_cast<TWinControl*>(Child)) PlaceListBoxWidgets(Container);
    }
}
