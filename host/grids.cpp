#include "host/grids.h"
#include "host/controlviews.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <QWidget>
#include <algorithm>

namespace {
constexpr int FrameWidth = 2;
} // namespace

// The Qt side of a grid: the grid's own picture, frame and cells, with a scroll bar over it when
// the rows do not all fit.
class TStringGridView : public TControlView {
public:
    explicit TStringGridView(TStringGrid* AGrid)
        : TControlView(AGrid), FScroll(new QScrollBar(Qt::Vertical, this)) {
        FScroll->hide();
        QObject::connect(FScroll, &QScrollBar::valueChanged, this, [this](int Value) {
            if (Grid() && !FSyncing) Grid()->SetTopRow(Value);
        });
    }

    TStringGrid* Grid() const { return static_cast<TStringGrid*>(Control()); }

    // Takes the scroll bar's place, range and position from the grid.
    void Sync() {
        TStringGrid* G = Grid();
        if (!G) return;
        FSyncing = true;
        const QRect Inner = G->InnerRect().translated(ClientOrigin());
        FScroll->setGeometry(Inner.right() + 1 - GridScrollBarWidth, Inner.top(), GridScrollBarWidth,
                             Inner.height());
        FScroll->setRange(0, G->MaxTopRow());
        FScroll->setPageStep(G->VisibleRowCount());
        FScroll->setValue(G->TopRow());
        FScroll->setVisible(G->ScrollBarShown());
        FSyncing = false;
    }

protected:
    void wheelEvent(QWheelEvent* Event) override {
        if (TStringGrid* G = Grid()) G->SetTopRow(G->TopRow() - Event->angleDelta().y() / 120 * 3);
    }

    void keyPressEvent(QKeyEvent* Event) override {
        bool Used = false;
        if (TStringGrid* G = Grid())
            CallEventHandler(G, [&] { Used = G->KeyDown(Event->key(), ShiftOf(Event->modifiers())); });
        if (!Used) QWidget::keyPressEvent(Event);
    }

    void resizeEvent(QResizeEvent* Event) override {
        QWidget::resizeEvent(Event);
        Sync();
    }

private:
    QScrollBar* FScroll;
    bool FSyncing = false;
};

TStringGrid::TStringGrid(TComponent* AOwner) : TWinControl(AOwner) {
    FCells.assign(static_cast<size_t>(FRowCount), std::vector<QString>(static_cast<size_t>(FColCount)));
    FColWidths.assign(static_cast<size_t>(FColCount), FDefaultColWidth);
    SetColor(clWindow);
    SetBounds(0, 0, 320, 120);
}

TStringGrid::~TStringGrid() {
    DropWidget();
}

void TStringGrid::BeforeDestruction() {
    DropWidget();
    TWinControl::BeforeDestruction();
}

void TStringGrid::DropWidget() {
    if (!FWidget) return;
    TStringGridView* View = FWidget;
    FWidget = nullptr;
    View->Forget();
    delete View;
}

void TStringGrid::SetColCount(int Value) {
    Value = std::max(1, Value);
    if (Value == FColCount) return;
    FColCount = Value;
    for (auto& Row : FCells)
        Row.resize(static_cast<size_t>(Value));
    FColWidths.resize(static_cast<size_t>(Value), FDefaultColWidth);
    FCol = std::min(FCol, FColCount - 1);
    Invalidate();
}

void TStringGrid::SetRowCount(int Value) {
    Value = std::max(1, Value);
    if (Value == FRowCount) return;
    FRowCount = Value;
    FCells.resize(static_cast<size_t>(Value), std::vector<QString>(static_cast<size_t>(FColCount)));
    FRow = std::min(FRow, FRowCount - 1);
    ClampTopRow();
    Invalidate();
}

QString TStringGrid::Cells(int ACol, int ARow) const {
    if (ACol < 0 || ACol >= FColCount || ARow < 0 || ARow >= FRowCount) return QString();
    return FCells[static_cast<size_t>(ARow)][static_cast<size_t>(ACol)];
}

void TStringGrid::SetCells(int ACol, int ARow, const QString& Value) {
    if (ACol < 0 || ACol >= FColCount || ARow < 0 || ARow >= FRowCount) return;
    QString& Cell = FCells[static_cast<size_t>(ARow)][static_cast<size_t>(ACol)];
    if (Cell == Value) return;
    Cell = Value;
    Invalidate();
}

void TStringGrid::SetDefaultColWidth(int Value) {
    if (Value == FDefaultColWidth || Value < 0) return;
    FDefaultColWidth = Value;
    FColWidths.assign(static_cast<size_t>(FColCount), Value);
    Invalidate();
}

void TStringGrid::SetDefaultRowHeight(int Value) {
    if (Value == FDefaultRowHeight || Value <= 0) return;
    FDefaultRowHeight = Value;
    ClampTopRow();
    Invalidate();
}

int TStringGrid::ColWidths(int ACol) const {
    if (ACol < 0 || ACol >= FColCount) return 0;
    return FColWidths[static_cast<size_t>(ACol)];
}

void TStringGrid::SetColWidths(int ACol, int Value) {
    if (ACol < 0 || ACol >= FColCount || Value < 0) return;
    if (FColWidths[static_cast<size_t>(ACol)] == Value) return;
    FColWidths[static_cast<size_t>(ACol)] = Value;
    Invalidate();
}

void TStringGrid::SetGridLineWidth(int Value) {
    if (Value == FGridLineWidth || Value < 0) return;
    FGridLineWidth = Value;
    ClampTopRow();
    Invalidate();
}

void TStringGrid::SetOptions(TGridOptions Value) {
    if (Value == FOptions) return;
    FOptions = Value;
    Invalidate();
}

void TStringGrid::SetCol(int Value) {
    Value = std::clamp(Value, 0, FColCount - 1);
    if (Value == FCol) return;
    FCol = Value;
    Invalidate();
}

void TStringGrid::SetRow(int Value) {
    Value = std::clamp(Value, 0, FRowCount - 1);
    if (Value == FRow) return;
    FRow = Value;
    if (FRow < FTopRow)
        SetTopRow(FRow);
    else if (FRow >= FTopRow + VisibleRowCount())
        SetTopRow(FRow - VisibleRowCount() + 1);
    Invalidate();
}

void TStringGrid::SetTopRow(int Value) {
    Value = std::clamp(Value, 0, MaxTopRow());
    if (Value == FTopRow) return;
    FTopRow = Value;
    Invalidate();
    if (OnTopLeftChanged) OnTopLeftChanged(this);
}

int TStringGrid::VisibleRowCount() const {
    return std::max(1, ClientHeight() / RowPitch());
}

int TStringGrid::MaxTopRow() const {
    return std::max(0, FRowCount - VisibleRowCount());
}

void TStringGrid::ClampTopRow() {
    const int Top = std::clamp(FTopRow, 0, MaxTopRow());
    if (Top == FTopRow) return;
    FTopRow = Top;
    if (OnTopLeftChanged) OnTopLeftChanged(this);
}

void TStringGrid::SetBorderStyle(TFormBorderStyle Value) {
    if (Value == FBorderStyle) return;
    FBorderStyle = Value;
    ClampTopRow();
    Invalidate();
}

QPoint TStringGrid::ClientOrigin() const {
    return FBorderStyle == bsSingle ? QPoint(FrameWidth, FrameWidth) : QPoint(0, 0);
}

QRect TStringGrid::InnerRect() const {
    const int F = FBorderStyle == bsSingle ? FrameWidth : 0;
    return QRect(0, 0, std::max(0, Width() - 2 * F), std::max(0, Height() - 2 * F));
}

bool TStringGrid::ScrollBarShown() const {
    return FRowCount * RowPitch() > InnerRect().height();
}

QRect TStringGrid::ClientRect() const {
    QRect R = InnerRect();
    if (ScrollBarShown()) R.setWidth(std::max(0, R.width() - GridScrollBarWidth));
    return R;
}

int TStringGrid::ColLeft(int ACol) const {
    int Left = 0;
    for (int c = 0; c < ACol; ++c)
        Left += ColWidths(c) + FGridLineWidth;
    return Left;
}

TRect TStringGrid::CellRect(int ACol, int ARow) const {
    if (ACol < 0 || ACol >= FColCount || ARow < FTopRow || ARow >= FRowCount) return TRect{};
    const int Top = (ARow - FTopRow) * RowPitch();
    const int Left = ColLeft(ACol);
    if (Top >= ClientHeight() || Left >= ClientWidth()) return TRect{};
    return Bounds(Left, Top, ColWidths(ACol), FDefaultRowHeight);
}

void TStringGrid::MouseToCell(int X, int Y, int& ACol, int& ARow) const {
    ACol = ARow = -1;
    if (X < 0 || Y < 0 || X >= ClientWidth() || Y >= ClientHeight()) return;
    const int r = FTopRow + Y / RowPitch();
    if (r < FRowCount) ARow = r;
    int Right = 0;
    for (int c = 0; c < FColCount; ++c) {
        Right += ColWidths(c) + FGridLineWidth;
        if (X < Right) {
            ACol = c;
            break;
        }
    }
}

void TStringGrid::DrawCell(int ACol, int ARow, const TRect& Rect) {
    const bool Current = ARow == FRow && (ACol == FCol || (FOptions & goRowSelect));
    const TGridDrawState State = Current ? TGridDrawState(gdSelected | (ACol == FCol ? gdFocused : 0)) : 0;
    // A handler finds the canvas in the cell's colours, whether or not the grid drew the cell.
    FCanvas.Brush().SetStyle(bsSolid);
    FCanvas.Brush().SetColor(Current ? clHighlight : Color());
    FCanvas.Font().SetColor(Current ? clHighlightText : Font()->Color());
    if (FDefaultDrawing) FCanvas.TextRect(Rect, Rect.Left + 2, Rect.Top + 2, Cells(ACol, ARow));
    if (OnDrawCell) OnDrawCell(this, ACol, ARow, Rect, State);
}

void TStringGrid::PaintTo(DeviceContext& DC) {
    FCanvas.SetHandle(&DC);
    try {
        FCanvas.SetFont(*Font());
        FCanvas.Brush().SetStyle(bsSolid);
        FCanvas.Brush().SetColor(Color());
        FCanvas.FillRect(TRect{0, 0, ClientWidth(), ClientHeight()});
        for (int r = FTopRow; r < FRowCount && (r - FTopRow) * RowPitch() < ClientHeight(); ++r)
            for (int c = 0; c < FColCount; ++c) {
                const TRect R = CellRect(c, r);
                if (R.IsEmpty()) continue;
                if (FGridLineWidth > 0) {
                    FCanvas.Brush().SetStyle(bsSolid);
                    FCanvas.Brush().SetColor(clSilver);
                    if (FOptions & goVertLine)
                        FCanvas.FillRect(Bounds(R.Right, R.Top, FGridLineWidth, RowPitch()));
                    if (FOptions & goHorzLine)
                        FCanvas.FillRect(Bounds(R.Left, R.Bottom, R.Width(), FGridLineWidth));
                }
                DrawCell(c, r, R);
            }
    } catch (...) {
        FCanvas.SetHandle(nullptr);
        throw;
    }
    FCanvas.SetHandle(nullptr);
}

void TStringGrid::Paint() {
    PaintFramedClient(FCanvas, *this, FBorderStyle == bsSingle, [this](DeviceContext& DC) { PaintTo(DC); });
}

void TStringGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button == mbLeft) {
        int c, r;
        MouseToCell(X, Y, c, r);
        if (c >= 0 && r >= 0) {
            SetCol(c);
            SetRow(r);
            Click();
        }
    }
    TWinControl::MouseDown(Button, Shift, X, Y);
}

void TStringGrid::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TWinControl::MouseUp(Button, Shift, X, Y);
    if (Button == mbRight) ContextPopup(X, Y);
}

void TStringGrid::ContextPopup(int X, int Y) {
    ShowContextPopup(PopupMenu(), this, FWidget, X, Y);
}

bool TStringGrid::KeyDown(int Key, TShiftState) {
    int Step = 0;
    switch (Key) {
    case Qt::Key_Up:
        Step = -1;
        break;
    case Qt::Key_Down:
        Step = 1;
        break;
    case Qt::Key_PageUp:
        Step = -VisibleRowCount();
        break;
    case Qt::Key_PageDown:
        Step = VisibleRowCount();
        break;
    default:
        return false;
    }
    const int Target = std::clamp(FRow + Step, 0, FRowCount - 1);
    if (Target != FRow) {
        SetRow(Target);
        Click();
    }
    return true;
}

QWidget* TStringGrid::Widget() {
    if (!FWidget) {
        FWidget = new TStringGridView(this);
        FWidget->setObjectName(Name());
        FWidget->setVisible(Visible());
        UpdateWidgetGeometry();
    }
    return FWidget;
}

void TStringGrid::UpdateWidgetGeometry() {
    if (!FWidget) return;
    // The view covers the whole grid, frame included.
    const QPoint At = Parent() ? Parent()->ClientToParent(BoundsRect().topLeft()) : BoundsRect().topLeft();
    FWidget->setGeometry(At.x(), At.y(), Width(), Height());
    FWidget->Sync();
}

void TStringGrid::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    TWinControl::SetBounds(ALeft, ATop, AWidth, AHeight);
    ClampTopRow();
    UpdateWidgetGeometry();
}

void TStringGrid::SetVisible(bool Value) {
    TWinControl::SetVisible(Value);
    if (FWidget) FWidget->setVisible(Value);
}

void TStringGrid::Invalidate() {
    TWinControl::Invalidate();
    if (FWidget && !HasState(csDestroying)) {
        FWidget->Sync();
        FWidget->update();
    }
}
