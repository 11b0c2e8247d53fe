#pragma once
#include "host/canvas.h"
#include "host/controls.h"
#include "host/forms.h"
#include "host/menus.h"

#include <QPointer>
#include <QString>
#include <functional>
#include <vector>

class QWidget;
class TStringGridView;

// Options of a grid, as bit flags.
enum TGridOption : uint16_t { goVertLine = 0x01, goHorzLine = 0x02, goRowSelect = 0x04 };
using TGridOptions = uint16_t;

// What a drawn cell is, as bit flags.
enum TGridDrawStateFlag : uint8_t { gdSelected = 0x01, gdFocused = 0x02 };
using TGridDrawState = uint8_t;

using TDrawCellEvent =
    std::function<void(TComponent* Sender, int ACol, int ARow, const TRect& Rect, TGridDrawState State)>;

// A grid of text cells without fixed rows or columns: every row has the default height, every
// column its own width, and the rows from TopRow on are shown inside a frame, with a vertical
// scroll bar when they do not all fit. The current cell (Col, Row) is chosen by a left press or
// the arrow keys; with goRowSelect the whole row shows selected. Cells are drawn on Canvas by the
// default drawing and then by OnDrawCell, during PaintTo; the Qt view paints through the same
// call, so a test that paints onto a recording device sees what the window shows. It works
// without a widget; mouse and key handling take client coordinates.
class TStringGrid : public TWinControl {
public:
    explicit TStringGrid(TComponent* AOwner);
    ~TStringGrid() override;
    void BeforeDestruction() override;

    int ColCount() const { return FColCount; }
    void SetColCount(int Value);
    int RowCount() const { return FRowCount; }
    void SetRowCount(int Value);
    // Empty for a cell outside the grid.
    QString Cells(int ACol, int ARow) const;
    void SetCells(int ACol, int ARow, const QString& Value);
    int DefaultColWidth() const { return FDefaultColWidth; }
    void SetDefaultColWidth(int Value);
    int DefaultRowHeight() const { return FDefaultRowHeight; }
    void SetDefaultRowHeight(int Value);
    int ColWidths(int ACol) const;
    void SetColWidths(int ACol, int Value);
    int GridLineWidth() const { return FGridLineWidth; }
    void SetGridLineWidth(int Value);
    TGridOptions Options() const { return FOptions; }
    void SetOptions(TGridOptions Value);
    bool DefaultDrawing() const { return FDefaultDrawing; }
    void SetDefaultDrawing(bool Value) { FDefaultDrawing = Value; }

    int Col() const { return FCol; }
    void SetCol(int Value);
    // Setting the current row scrolls it into view.
    int Row() const { return FRow; }
    void SetRow(int Value);
    int TopRow() const { return FTopRow; }
    void SetTopRow(int Value);
    // Rows that fit whole into the client height; at least 1.
    int VisibleRowCount() const;

    // Where a cell lies in the client area; empty for a cell that is not shown.
    TRect CellRect(int ACol, int ARow) const;
    // The cell under a client point; -1 for each coordinate that misses.
    void MouseToCell(int X, int Y, int& ACol, int& ARow) const;

    // bsSingle: a frame of 2 pixels round the client area; bsNone: none.
    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle Value);
    // The area inside the frame and the scroll bar, from (0, 0); it begins at ClientOrigin.
    QRect ClientRect() const override;
    QPoint ClientOrigin() const override;
    // Whether the scroll bar is shown: the rows do not all fit.
    bool ScrollBarShown() const;

    // The canvas cells are drawn on; its device context is set only while painting.
    TCanvas* Canvas() { return &FCanvas; }
    // Paints the client area into DC, (0, 0) being the client's top-left corner.
    void PaintTo(DeviceContext& DC);
    // Paints the whole grid on its canvas, whose device context the painter set: the frame, then the
    // client area as PaintTo does.
    TCanvas* PaintCanvas() override { return &FCanvas; }
    void Paint() override;

    // A left press on a cell makes it current and clicks; every press and release also reaches
    // the mouse events.
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    // A press clicks already; the release does not click again.
    void ClickedByMouse() override {}
    // A right release shows the popup menu, after the mouse event.
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    // Up, down, page up and page down (Qt key codes) move the current row and click; returns
    // whether the key was used.
    bool KeyDown(int Key, TShiftState Shift);
    TPopupMenu* PopupMenu() const { return FPopupMenu.Get(); }
    void SetPopupMenu(TPopupMenu* Value) { FPopupMenu = Value; }
    // Shows the popup menu for a right click at a client point.
    void ContextPopup(int X, int Y);

    // The Qt view, made on the first call and freed with the grid; its owner places it.
    QWidget* Widget();
    // Puts the view at the control's place relative to its outermost parent.
    void UpdateWidgetGeometry();

    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void SetVisible(bool Value) override;
    void Invalidate() override;

    TDrawCellEvent OnDrawCell;
    std::function<void(TComponent* Sender)> OnTopLeftChanged;

private:
    friend class TStringGridView;
    int RowPitch() const { return FDefaultRowHeight + FGridLineWidth; }
    int ColLeft(int ACol) const;
    // The client area before the scroll bar takes its share.
    QRect InnerRect() const;
    int MaxTopRow() const;
    void DrawCell(int ACol, int ARow, const TRect& Rect);
    // Keeps the top row within reach after the rows or the room changed.
    void ClampTopRow();
    void DropWidget();

    int FColCount = 5;
    int FRowCount = 5;
    std::vector<std::vector<QString>> FCells; // [row][col]
    int FDefaultColWidth = 64;
    int FDefaultRowHeight = 24;
    std::vector<int> FColWidths;
    int FGridLineWidth = 1;
    TGridOptions FOptions = goVertLine | goHorzLine;
    bool FDefaultDrawing = true;
    int FCol = 0;
    int FRow = 0;
    int FTopRow = 0;
    TFormBorderStyle FBorderStyle = bsSingle;
    TComponentRef<TPopupMenu> FPopupMenu;
    TCanvas FCanvas;
    QPointer<TStringGridView> FWidget; // freed with the grid unless Qt freed it first
};

// The width of the grid's scroll bar, as the platform's metrics give it.
constexpr int GridScrollBarWidth = 17;
