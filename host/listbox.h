#pragma once
#include "host/canvas.h"
#include "host/controls.h"
#include "host/forms.h"
#include "host/menus.h"

#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class QWidget;
class TListBox;
class TListBoxWidget;

enum TListBoxStyle : uint8_t { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };

// What an item being drawn is, as bit flags.
enum : uint8_t { odSelected = 0x01, odGrayed = 0x02, odDisabled = 0x04, odChecked = 0x08, odFocused = 0x10 };
using TOwnerDrawState = uint8_t;

// Draws item Index into Rect on the list's Canvas. The canvas comes with the list's font and colour,
// or the highlight colours for a selected item.
using TDrawItemEvent =
    std::function<void(TListBox* Control, int Index, const TRect& Rect, TOwnerDrawState State)>;

// The items of a list box: a string and an object pointer each (never owned). Every change goes
// through the list box, which keeps the selection, the caret and the scroll position in step.
class TListBoxStrings {
public:
    explicit TListBoxStrings(TListBox& Owner) : FOwner(Owner) {}
    TListBoxStrings(const TListBoxStrings&) = delete;
    TListBoxStrings& operator=(const TListBoxStrings&) = delete;

    int Count() const;
    const QString& Strings(int Index) const;
    const QString& operator[](int Index) const { return Strings(Index); }
    void SetStrings(int Index, const QString& S);
    void* Objects(int Index) const;
    template <class T> T* ObjectAs(int Index) const { return static_cast<T*>(Objects(Index)); }
    void SetObjects(int Index, void* Object);

    // In a sorted list an item goes where its text belongs; the index it got is returned.
    int Add(const QString& S) { return AddObject(S, nullptr); }
    int AddObject(const QString& S, void* Object);
    void Insert(int Index, const QString& S) { InsertObject(Index, S, nullptr); }
    void InsertObject(int Index, const QString& S, void* Object);
    void Delete(int Index);
    void Clear();
    void Move(int CurIndex, int NewIndex);
    void Exchange(int Index1, int Index2);
    // Case is ignored, as the list box compares.
    int IndexOf(const QString& S) const;
    int IndexOfObject(const void* Object) const;
    // The whole list replaced by Lines (no objects).
    void Assign(const QStringList& Lines);
    QStringList ToStringList() const;

private:
    TListBox& FOwner;
};

// A list of items in one or more columns, drawn by the list itself or by its owner, with single or
// multiple selection, a caret, a scroll position and a popup menu. It works without a widget; Widget()
// makes its Qt view, which paints the visible items through the same DrawItem on an image, so a paint
// recorded by a test is what the window shows. Mouse and key handling take client coordinates.
class TListBox : public TWinControl {
public:
    explicit TListBox(TComponent* AOwner);
    ~TListBox() override;
    void BeforeDestruction() override;

    TListBoxStrings& Items() { return FStrings; }
    const TListBoxStrings& Items() const { return FStrings; }

    // The selected item of a single-selection list; the caret of a multi-selection one (-1: none).
    // Setting it in a multi-selection list moves only the caret.
    int ItemIndex() const { return FItemIndex; }
    void SetItemIndex(int Value);
    bool MultiSelect() const { return FMultiSelect; }
    void SetMultiSelect(bool Value);
    // Clicks with Shift and Ctrl extend a multiple selection; without it a click toggles an item.
    bool ExtendedSelect() const { return FExtendedSelect; }
    void SetExtendedSelect(bool Value) { FExtendedSelect = Value; }
    bool Selected(int Index) const;
    void SetSelected(int Index, bool Value);
    int SelCount() const;
    void ClearSelection();
    void SelectAll();

    int TopIndex() const { return FTopIndex; }
    void SetTopIndex(int Value);
    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int Value);
    // 0: one column that scrolls vertically; n: n columns that scroll sideways.
    int Columns() const { return FColumns; }
    void SetColumns(int Value);
    // The height is kept to whole rows.
    bool IntegralHeight() const { return FIntegralHeight; }
    void SetIntegralHeight(bool Value);
    TListBoxStyle Style() const { return FStyle; }
    void SetStyle(TListBoxStyle Value);
    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value);
    // bsSingle: a frame of 2 pixels round the client area; bsNone: none.
    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle Value);
    TPopupMenu* PopupMenu() const { return FPopupMenu.Get(); }
    void SetPopupMenu(TPopupMenu* Value) { FPopupMenu = Value; }

    // The area inside the frame and the scroll bar, from (0, 0); it begins at ClientOrigin.
    QRect ClientRect() const override;
    QPoint ClientOrigin() const override;
    // Whether the scroll bar is shown: the items do not all fit.
    bool ScrollBarShown() const;
    // Rows shown whole in one column.
    int VisibleRows() const;
    // Where item Index lies in client coordinates (it may lie outside the client area).
    TRect ItemRect(int Index) const;
    // The item under a client point; outside the items -1 when Existing, else the item count.
    int ItemAtPos(const TPoint& Pos, bool Existing) const;
    // Scrolls as little as needed to show item Index.
    void MakeVisible(int Index);

    // The canvas items are drawn on; its device context is set only while painting.
    TCanvas* Canvas() { return &FCanvas; }
    // Paints the client area into DC, (0, 0) being the client's top-left corner: the background, then
    // every item that shows.
    void PaintTo(DeviceContext& DC);
    // Paints the whole control on its canvas, whose device context the painter set: the frame, then
    // the client area as PaintTo does.
    TCanvas* PaintCanvas() override { return &FCanvas; }
    void Paint() override;
    // Draws one item: OnDrawItem, or without one the item's text at (left + 2, top).
    virtual void DrawItem(int Index, const TRect& Rect, TOwnerDrawState State);

    // A press on an item selects it and reports the change as the list's click.
    // A press on an item of a multiple selection that drags automatically keeps the selection, so
    // that all of it goes with the drag; released where it was pressed without a drag, the item is
    // then selected alone.
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    // A press clicks already; the release does not click again.
    void ClickedByMouse() override {}
    // Arrow, page and home/end keys (Qt key codes) move the selection; returns whether the key was used.
    bool KeyDown(int Key, TShiftState Shift);
    // Shows the popup menu for a right click at a client point.
    void ContextPopup(int X, int Y);

    // The Qt view, made on the first call and freed with the list box; its owner places it.
    QWidget* Widget();
    // Puts the view at the control's place relative to its outermost parent.
    void UpdateWidgetGeometry();

    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void SetVisible(bool Value) override;
    void Invalidate() override;

    TDrawItemEvent OnDrawItem;

private:
    friend class TListBoxStrings;
    friend class TListBoxWidget;
    struct TItem {
        QString S;
        void* Object = nullptr;
        bool Selected = false;
    };

    void CheckIndex(int Index) const;
    int SortedIndex(const QString& S) const;
    void ItemInserted(int Index);
    void ItemDeleted(int Index);
    void ItemsChanged();
    // The client area before the scroll bar takes its share.
    QRect InnerRect() const;
    int RowsPerColumn() const;
    int MaxTopIndex() const;
    void SelectByClick(int Index, TShiftState Shift);
    void SelectOnly(int Index);
    void AdjustIntegralHeight();
    void DropWidget();

    TListBoxStrings FStrings;
    std::vector<TItem> FItems;
    int FItemIndex = -1;
    int FAnchor = -1;
    bool FMultiSelect = false;
    bool FExtendedSelect = true;
    int FTopIndex = 0;
    int FItemHeight = 13;
    int FColumns = 0;
    bool FIntegralHeight = false;
    TListBoxStyle FStyle = lbStandard;
    bool FSorted = false;
    TFormBorderStyle FBorderStyle = bsSingle;
    TComponentRef<TPopupMenu> FPopupMenu;
    TCanvas FCanvas;
    bool FHasFocus = false;
    int FHeldItem = -1; // the selected item pressed for a drag of the whole selection
    bool FHeldDragged = false;
    QPointer<TListBoxWidget> FWidget; // freed with the list box unless Qt freed it first
};

// The width of a scroll bar, as the platform's metrics give it.
constexpr int ListScrollBarWidth = 17;

// Puts the Qt view of every list box under Root at its control's place, after Root laid its controls
// out again.
void PlaceListBoxWidgets(TWinControl* Root);
