#include "host/controls.h"
#include "host/lists.h"
#include "host/messages.h"
#include "host/properties.h"
#include <algorithm>
#include <cstdlib>

// Invalidation hook

namespace {
TInvalidateHook& InvalidateHook() {
    static auto* Hook = new TInvalidateHook();
    return *Hook;
}
} // namespace

void SetInvalidateHook(TInvalidateHook Hook) {
    InvalidateHook() = std::move(Hook);
}

// TControl

TControl::TControl(TComponent* AOwner) : TComponent(AOwner), FFont(std::make_unique<TFont>()) {
    FFont->OnChange = [this](TFont*) { FontChanged(); };
}

TControl::~TControl() {
    Destroying();
    DetachFromParent();
}

void TControl::SetParent(TWinControl* AParent) {
    if (FParent == AParent) return;
    for (const TControl* Up = AParent; Up; Up = Up->FParent)
        if (Up == this) throw EInvalidOperation(QStringLiteral("A control cannot be a parent of itself"));
    TWinControl* Former = FParent;
    if (FParent) FParent->RemoveControl(this);
    if (AParent) AParent->InsertControl(this);
    Perform(CM_PARENTCHANGED, reinterpret_cast<WPARAM>(Former));
    if (FParent) {
        if (FParentFont) ParentFontChanged();
        if (FParentColor) ParentColorChanged();
    }
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    CheckPropRange(ALeft, -MaxControlPosition, MaxControlPosition);
    CheckPropRange(ATop, -MaxControlPosition, MaxControlPosition);
    CheckPropRange(AWidth, 0, MaxControlSize);
    CheckPropRange(AHeight, 0, MaxControlSize);
    if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight) return;
    const bool Resized = AWidth != FWidth || AHeight != FHeight;
    Invalidate();
    FLeft = ALeft;
    FTop = ATop;
    FWidth = AWidth;
    FHeight = AHeight;
    Invalidate();
    if (FParent && FAlign != alNone) FParent->RequestAlign();
    if (Resized) Resize();
}

QPoint TControl::ClientToParent(const QPoint& Point, const TWinControl* AParent) const {
    QPoint Result = Point;
    for (const TControl* C = this; C && C != AParent; C = C->FParent) {
        if (!C->FParent && !AParent) break;
        if (auto* Window = dynamic_cast<const TWinControl*>(C)) Result += Window->ClientOrigin();
        Result += QPoint(C->FLeft, C->FTop);
    }
    return Result;
}

QPoint TControl::ParentToClient(const QPoint& Point, const TWinControl* AParent) const {
    return Point - ClientToParent(QPoint(0, 0), AParent);
}

void TControl::SetVisible(bool Value) {
    if (Value == FVisible) return;
    if (!Value) Invalidate();
    FVisible = Value;
    if (Value) Invalidate();
    Perform(CM_VISIBLECHANGED, Value ? 1 : 0);
    if (FParent && FAlign != alNone) FParent->RequestAlign();
}

bool TControl::Showing() const {
    for (const TControl* C = this; C; C = C->FParent)
        if (!C->FVisible) return false;
    return true;
}

void TControl::SetEnabled(bool Value) {
    if (Value == FEnabled) return;
    FEnabled = Value;
    Perform(CM_ENABLEDCHANGED, Value ? 1 : 0);
    Invalidate();
}

void TControl::SetAlign(TAlign Value) {
    if (Value == FAlign) return;
    FAlign = Value;
    if (FParent) FParent->RequestAlign();
}

void TControl::SetColor(TColor Value) {
    if (Value == FColor && !FParentColor) return;
    FColor = Value;
    FParentColor = false;
    ColorChanged();
}

void TControl::SetParentColor(bool Value) {
    if (Value == FParentColor) return;
    FParentColor = Value;
    if (Value && FParent) ParentColorChanged();
}

void TControl::SetParentFont(bool Value) {
    if (Value == FParentFont) return;
    FParentFont = Value;
    if (Value && FParent) ParentFontChanged();
}

void TControl::SetCaption(const QString& Value) {
    if (Value == FCaption) return;
    FCaption = Value;
    Perform(CM_TEXTCHANGED);
    Invalidate();
}

void TControl::Invalidate() {
    if (HasState(csLoading | csReading | csDestroying)) return;
    if (InvalidateHook()) InvalidateHook()(this);
}

void TControl::BringToFront() {
    if (FParent) FParent->SetChildOrder(this, FParent->ControlCount() - 1);
}

void TControl::SendToBack() {
    if (FParent) FParent->SetChildOrder(this, 0);
}

void TControl::Click() {
    if (OnClick) OnClick(this);
}

namespace {

TShiftState ShiftOf(WPARAM Keys) {
    TShiftState Shift = 0;
    if (Keys & MK_SHIFT) Shift |= ssShift;
    if (Keys & MK_CONTROL) Shift |= ssCtrl;
    if (Keys & MK_LBUTTON) Shift |= ssLeft;
    if (Keys & MK_RBUTTON) Shift |= ssRight;
    return Shift;
}

TWinControl* OutermostWindow(TControl* Control) {
    TControl* Top = Control;
    while (Top && Top->Parent())
        Top = Top->Parent();
    return dynamic_cast<TWinControl*>(Top);
}

} // namespace

void TControl::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CM_DRAG:
        HandleDrag(Message);
        return;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        HandleMouse(Message);
        return;
    default:
        TComponent::WndProc(Message);
    }
}

void TControl::HandleMouse(TMessage& Message) {
    const int X = GET_X_LPARAM(Message.LParam);
    const int Y = GET_Y_LPARAM(Message.LParam);
    const TShiftState Shift = ShiftOf(Message.WParam);
    switch (Message.Msg) {
    case WM_MOUSEMOVE:
        MouseMove(Shift, X, Y);
        break;
    case WM_LBUTTONDOWN:
        FPressed = true;
        if (TWinControl* Window = OutermostWindow(this))
            DragManager::NotePress(Window, ClientToParent(QPoint(X, Y)));
        MouseDown(mbLeft, Shift | ssLeft, X, Y);
        if (FDragMode == dmAutomatic) BeginDrag(false);
        break;
    case WM_LBUTTONUP: {
        const bool WasPressed = FPressed;
        FPressed = false;
        MouseUp(mbLeft, Shift, X, Y);
        if (WasPressed && ClientRect().contains(X, Y) && !HasState(csDestroying)) ClickedByMouse();
        break;
    }
    case WM_LBUTTONDBLCLK:
        DblClick();
        MouseDown(mbLeft, Shift | ssLeft | ssDouble, X, Y);
        break;
    case WM_RBUTTONDOWN:
        MouseDown(mbRight, Shift | ssRight, X, Y);
        break;
    case WM_RBUTTONUP:
        MouseUp(mbRight, Shift, X, Y);
        break;
    default:
        break;
    }
    Message.Result = 0;
}

void TControl::HandleDrag(TMessage& Message) {
    auto* Rec = reinterpret_cast<TDragRec*>(Message.LParam);
    Message.Result = 0;
    if (!Rec) return;
    TComponent* Source = Rec->Source ? Rec->Source->Source() : nullptr;
    const QPoint At = ParentToClient(Rec->Pos);
    switch (Message.WParam) {
    case dmDragEnter:
    case dmDragMove:
    case dmDragLeave: {
        const TDragState State = Message.WParam == dmDragEnter   ? dsDragEnter
                                 : Message.WParam == dmDragLeave ? dsDragLeave
                                                                 : dsDragMove;
        bool Accept = false;
        DragOver(Source, At.x(), At.y(), State, Accept);
        Message.Result = Accept ? 1 : 0;
        break;
    }
    case dmDragDrop:
        DragDrop(Source, At.x(), At.y());
        break;
    default:
        break;
    }
}

void TControl::BeginDrag(bool Immediate, int Threshold) {
    TWinControl* Window = OutermostWindow(this);
    if (!Window) return;
    DragManager::Begin(new TDragControlObject(this), Window, QPoint(), Immediate,
                       Threshold < 0 ? DragThreshold : Threshold);
}

bool TControl::Dragging() const {
    auto* Object = dynamic_cast<TDragControlObject*>(DragManager::Object());
    return Object && Object->Control() == this;
}

void TControl::DragOver(TComponent* Source, int X, int Y, TDragState State, bool& Accept) {
    Accept = false;
    if (!OnDragOver) return;
    Accept = true;
    OnDragOver(this, Source, X, Y, State, Accept);
}

void TControl::DragDrop(TComponent* Source, int X, int Y) {
    if (OnDragDrop) OnDragDrop(this, Source, X, Y);
}

void TControl::DblClick() {
    if (OnDblClick) OnDblClick(this);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y) {
    if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TControl::FontChanged() {
    // A font set on the control itself stops it following its parent's.
    if (!FAdoptingFont) FParentFont = false;
    Perform(CM_FONTCHANGED);
    Invalidate();
}

void TControl::ParentFontChanged() {
    if (!FParentFont || !FParent) return;
    if (*FFont == *FParent->Font()) return;
    FAdoptingFont = true;
    FFont->Assign(*FParent->Font());
    FAdoptingFont = false;
    Perform(CM_PARENTFONTCHANGED);
}

void TControl::ParentColorChanged() {
    if (!FParentColor || !FParent) return;
    if (FColor == FParent->Color()) return;
    FColor = FParent->Color();
    ColorChanged();
}

void TControl::ColorChanged() {
    Perform(CM_COLORCHANGED);
    Invalidate();
}

void TControl::Resize() {
    if (OnResize) OnResize(this);
}

void TControl::DetachFromParent() {
    if (FParent) FParent->RemoveControl(this);
}

// TWinControl

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl() {
    // Only reached with children when the control was not freed with delete.
    Destroying();
    while (!FControls.empty())
        delete FControls.back();
}

void TWinControl::BeforeDestruction() {
    Destroying();
    // Children go first, while this control is still whole, whoever owns them.
    while (!FControls.empty())
        delete FControls.back();
    DestroyHandle();
    TControl::BeforeDestruction();
}

TControl* TWinControl::Controls(int Index) const {
    if (Index < 0 || Index >= ControlCount())
        throw EListError(QStringLiteral("List index out of bounds (%d)"), {QString::number(Index)});
    return FControls[static_cast<size_t>(Index)];
}

int TWinControl::IndexOfControl(const TControl* AControl) const {
    auto It = std::find(FControls.begin(), FControls.end(), AControl);
    return It == FControls.end() ? -1 : static_cast<int>(It - FControls.begin());
}

bool TWinControl::ContainsControl(const TControl* AControl) const {
    for (const TControl* C = AControl; C; C = C->Parent())
        if (C == this) return true;
    return false;
}

TControl* TWinControl::FindChildControl(const QString& ControlName) const {
    for (TControl* C : FControls)
        if (!ControlName.isEmpty() && C->Name().compare(ControlName, Qt::CaseInsensitive) == 0) return C;
    return nullptr;
}

void TWinControl::InsertControl(TControl* AControl) {
    if (!AControl || AControl->FParent == this) return;
    if (AControl->FParent) AControl->FParent->RemoveControl(AControl);
    FControls.push_back(AControl);
    AControl->FParent = this;
    Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(AControl), 1);
    if (AControl->Align() != alNone) RequestAlign();
    AControl->Invalidate();
}

void TWinControl::RemoveControl(TControl* AControl) {
    if (!AControl || AControl->FParent != this) return;
    AControl->Invalidate();
    EraseLast(FControls, AControl);
    AControl->FParent = nullptr;
    Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(AControl), 0);
    if (AControl->Align() != alNone) RequestAlign();
}

void TWinControl::SetChildOrder(TControl* Child, int Order) {
    const int Current = IndexOfControl(Child);
    if (Current < 0) return;
    Order = std::clamp(Order, 0, ControlCount() - 1);
    if (Order == Current) return;
    FControls.erase(FControls.begin() + Current);
    FControls.insert(FControls.begin() + Order, Child);
    Child->Invalidate();
}

void TWinControl::HandleNeeded() {
    if (FHandle == 0) CreateWnd();
}

uintptr_t TWinControl::Handle() {
    HandleNeeded();
    return FHandle;
}

void TWinControl::DestroyHandle() {
    if (FHandle != 0) DestroyWnd();
}

void TWinControl::CreateWnd() {
    static uintptr_t NextHandle = 0x10000;
    NextHandle += 4;
    FHandle = NextHandle;
}

void TWinControl::DestroyWnd() {
    FHandle = 0;
}

void TWinControl::DisableAlign() {
    ++FAlignLevel;
}

void TWinControl::EnableAlign() {
    if (FAlignLevel > 0) --FAlignLevel;
    if (FAlignLevel == 0 && FAlignPending) Realign();
}

void TWinControl::Realign() {
    if (FAlignLevel > 0) {
        FAlignPending = true;
        return;
    }
    FAlignPending = false;
    DisableAlign();
    QRect Rect = ClientRect();
    AlignControls(nullptr, Rect);
    --FAlignLevel;
    FAlignPending = false;
}

void TWinControl::RequestAlign() {
    if (HasState(csLoading | csReading | csDestroying)) {
        FAlignPending = true;
        return;
    }
    Realign();
}

void TWinControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    const bool Resized = AWidth != Width() || AHeight != Height();
    TControl::SetBounds(ALeft, ATop, AWidth, AHeight);
    if (Resized) RequestAlign();
}

TControl* TWinControl::ControlAtPos(const QPoint& Pos) const {
    auto Find = [&](bool Windowed) -> TControl* {
        for (auto It = FControls.rbegin(); It != FControls.rend(); ++It) {
            TControl* C = *It;
            auto* Window = dynamic_cast<TWinControl*>(C);
            if ((Window != nullptr) != Windowed || !C->ShownOnParent() || !C->BoundsRect().contains(Pos)) continue;
            if (!Window) return C;
            const QPoint Inner = Pos - C->BoundsRect().topLeft() - Window->ClientOrigin();
            if (!Window->ClientRect().contains(Inner)) return C;
            TControl* Deeper = Window->ControlAtPos(Inner);
            return Deeper ? Deeper : C;
        }
        return nullptr;
    };
    if (TControl* C = Find(true)) return C;
    return Find(false);
}

void TWinControl::AlignControls(TControl*, QRect& Rect) {
    auto Aligned = [&](TAlign Kind) {
        std::vector<TControl*> List;
        for (TControl* C : FControls)
            if (C->Align() == Kind && (C->Visible() || C->HasState(csDesigning))) List.push_back(C);
        auto Key = [Kind](const TControl* C) {
            switch (Kind) {
            case alTop:
                return C->Top();
            case alBottom:
                return -(C->Top() + C->Height());
            case alLeft:
                return C->Left();
            case alRight:
                return -(C->Left() + C->Width());
            default:
                return 0;
            }
        };
        std::stable_sort(List.begin(), List.end(),
                         [&](const TControl* A, const TControl* B) { return Key(A) < Key(B); });
        return List;
    };
    int L = Rect.left();
    int T = Rect.top();
    int R = Rect.left() + Rect.width();
    int B = Rect.top() + Rect.height();
    for (TControl* C : Aligned(alTop)) {
        C->SetBounds(L, T, std::max(R - L, 0), C->Height());
        T += C->Height();
    }
    for (TControl* C : Aligned(alBottom)) {
        B -= C->Height();
        C->SetBounds(L, B, std::max(R - L, 0), C->Height());
    }
    for (TControl* C : Aligned(alLeft)) {
        C->SetBounds(L, T, C->Width(), std::max(B - T, 0));
        L += C->Width();
    }
    for (TControl* C : Aligned(alRight)) {
        R -= C->Width();
        C->SetBounds(R, T, C->Width(), std::max(B - T, 0));
    }
    for (TControl* C : Aligned(alClient))
        C->SetBounds(L, T, std::max(R - L, 0), std::max(B - T, 0));
    Rect = QRect(L, T, std::max(R - L, 0), std::max(B - T, 0));
}

void TWinControl::Loaded() {
    TControl::Loaded();
    if (FAlignPending) Realign();
}

void TWinControl::FontChanged() {
    TControl::FontChanged();
    for (size_t i = 0; i < FControls.size(); ++i)
        FControls[i]->ParentFontChanged();
}

void TWinControl::ColorChanged() {
    TControl::ColorChanged();
    for (size_t i = 0; i < FControls.size(); ++i)
        FControls[i]->ParentColorChanged();
}

// TCustomControl and TGraphicControl

TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner), FCanvas(std::make_unique<TCanvas>()) {}

TCustomControl::~TCustomControl() = default;

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner), FCanvas(std::make_unique<TCanvas>()) {}

TGraphicControl::~TGraphicControl() = default;

namespace {

// A raised or lowered edge of Width pixels inside R, which shrinks by it.
void Frame3D(TCanvas* C, TRect& R, TColor TopLeft, TColor BottomRight, int Width) {
    C->Pen().SetWidth(1);
    C->Pen().SetStyle(psSolid);
    for (int i = 0; i < Width; ++i) {
        C->Pen().SetColor(TopLeft);
        C->Polyline({TPoint{R.Left, R.Bottom - 1}, TPoint{R.Left, R.Top}, TPoint{R.Right - 1, R.Top}});
        C->Pen().SetColor(BottomRight);
        C->Polyline({TPoint{R.Right - 1, R.Top}, TPoint{R.Right - 1, R.Bottom - 1}, TPoint{R.Left - 1, R.Bottom - 1}});
        R = TRect{R.Left + 1, R.Top + 1, R.Right - 1, R.Bottom - 1};
    }
}

void Bevel(TCanvas* C, TRect& R, TBevelCut Cut, int Width) {
    if (Cut == bvNone) return;
    if (Cut == bvSpace) {
        R = TRect{R.Left + Width, R.Top + Width, R.Right - Width, R.Bottom - Width};
        return;
    }
    const bool Raised = Cut == bvRaised;
    Frame3D(C, R, Raised ? clBtnHighlight : clBtnShadow, Raised ? clBtnShadow : clBtnHighlight, Width);
}

} // namespace

// TCustomPanel

TCustomPanel::TCustomPanel(TComponent* AOwner) : TCustomControl(AOwner) {
    SetBounds(0, 0, 185, 41);
}

void TCustomPanel::SetBevelWidth(int Value) {
    if (Value == FBevelWidth || Value < 1) return;
    FBevelWidth = Value;
    Invalidate();
}

void TCustomPanel::Paint() {
    TCanvas* C = Canvas();
    if (!C->HandleAllocated()) return;
    TRect R{0, 0, Width(), Height()};
    C->Brush().SetStyle(bsSolid);
    C->Brush().SetColor(Color());
    C->FillRect(R);
    Bevel(C, R, FBevelOuter, FBevelWidth);
    Bevel(C, R, FBevelInner, FBevelWidth);
    if (Caption().trimmed().isEmpty()) return;
    C->SetFont(*Font());
    C->Brush().SetStyle(bsClear);
    const TSize Extent = C->TextExtent(Caption());
    C->TextOut((Width() - Extent.cx) / 2, (Height() - Extent.cy) / 2, Caption());
}

void TCustomPanel::SetBevelInner(TBevelCut Value) {
    if (Value == FBevelInner) return;
    FBevelInner = Value;
    Invalidate();
}

void TCustomPanel::SetBevelOuter(TBevelCut Value) {
    if (Value == FBevelOuter) return;
    FBevelOuter = Value;
    Invalidate();
}

// TScrollBox

TScrollBox::TScrollBox(TComponent* AOwner) : TWinControl(AOwner) {
    SetBounds(0, 0, 185, 41);
}

void TScrollBox::SetBorderStyle(TBorderStyle Value) {
    if (Value == FBorderStyle) return;
    FBorderStyle = Value;
    Invalidate();
    if (!HasState(csLoading | csReading | csDestroying)) Realign();
}

namespace {
constexpr int ScrollBoxBorder = 2;
}

QRect TScrollBox::ClientRect() const {
    if (FBorderStyle != bsSingle) return TWinControl::ClientRect();
    return QRect(0, 0, std::max(Width() - 2 * ScrollBoxBorder, 0), std::max(Height() - 2 * ScrollBoxBorder, 0));
}

QPoint TScrollBox::ClientOrigin() const {
    return FBorderStyle == bsSingle ? QPoint(ScrollBoxBorder, ScrollBoxBorder) : QPoint(0, 0);
}

int TScrollBox::ScrollLimit(bool Horizontal) const {
    const TControlScrollBar& Bar = Horizontal ? FHorzScrollBar : FVertScrollBar;
    const int Client = Horizontal ? ClientWidth() : ClientHeight();
    int Range = Bar.Range;
    if (Range <= 0) {
        // The children's extent in content coordinates, from the scrolled origin.
        for (int i = 0; i < ControlCount(); ++i) {
            const TControl* C = Controls(i);
            if (!C->ShownOnParent()) continue;
            const int Far = Horizontal ? C->Left() + C->Width() : C->Top() + C->Height();
            Range = std::max(Range, Far + Bar.Position);
        }
    }
    return std::max(Range - Client, 0);
}

void TScrollBox::Scroll(bool Horizontal, uint16_t Code, int ThumbPos) {
    TControlScrollBar& Bar = Horizontal ? FHorzScrollBar : FVertScrollBar;
    const int Page = std::max(Horizontal ? ClientWidth() : ClientHeight(), 1);
    const int Line = std::max(Bar.Increment, 1);
    int Position = Bar.Position;
    switch (Code) {
    case SB_LINEUP:
        Position -= Line;
        break;
    case SB_LINEDOWN:
        Position += Line;
        break;
    case SB_PAGEUP:
        Position -= Page;
        break;
    case SB_PAGEDOWN:
        Position += Page;
        break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        Position = ThumbPos;
        break;
    case SB_TOP:
        Position = 0;
        break;
    case SB_BOTTOM:
        Position = ScrollLimit(Horizontal);
        break;
    default:
        return;
    }
    Position = std::clamp(Position, 0, ScrollLimit(Horizontal));
    const int Delta = Position - Bar.Position;
    if (Delta == 0) return;
    if (Horizontal)
        ScrollBy(Delta, 0);
    else
        ScrollBy(0, Delta);
    Invalidate();
}

void TScrollBox::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_HSCROLL:
    case WM_VSCROLL:
        Scroll(Message.Msg == WM_HSCROLL, LOWORD(Message.WParam), int16_t(HIWORD(Message.WParam)));
        Message.Result = 0;
        return;
    default:
        TWinControl::WndProc(Message);
    }
}

void TScrollBox::ScrollBy(int DeltaX, int DeltaY) {
    FHorzScrollBar.Position += DeltaX;
    FVertScrollBar.Position += DeltaY;
    DisableAlign();
    for (int i = 0; i < ControlCount(); ++i) {
        TControl* C = Controls(i);
        C->SetBounds(C->Left() - DeltaX, C->Top() - DeltaY, C->Width(), C->Height());
    }
    EnableAlign();
}

// TPaintBox

TPaintBox::TPaintBox(TComponent* AOwner) : TGraphicControl(AOwner) {
    SetBounds(0, 0, 105, 105);
}

TPaintBox::~TPaintBox() = default;

void TPaintBox::Paint() {
    if (OnPaint) OnPaint(this);
}

// TLabel

TLabel::TLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
    SetBounds(0, 0, 65, 17);
}

void TLabel::SetTransparent(bool Value) {
    if (Value == FTransparent) return;
    FTransparent = Value;
    Invalidate();
}

void TLabel::Paint() {
    TCanvas* C = Canvas();
    if (!C->HandleAllocated()) return;
    if (!FTransparent) {
        C->Brush().SetStyle(bsSolid);
        C->Brush().SetColor(Color());
        C->FillRect(TRect{0, 0, Width(), Height()});
    }
    C->SetFont(*Font());
    C->Brush().SetStyle(bsClear);
    C->TextOut(0, 0, Caption());
}

// TCheckBox

TCheckBox::TCheckBox(TComponent* AOwner) : TCustomControl(AOwner) {
    SetBounds(0, 0, 97, 17);
}

void TCheckBox::Paint() {
    TCanvas* C = Canvas();
    if (!C->HandleAllocated()) return;
    constexpr int Box = 13;
    const int Top = (Height() - Box) / 2;
    C->Brush().SetStyle(bsSolid);
    C->Brush().SetColor(Color());
    C->FillRect(TRect{0, 0, Width(), Height()});
    C->Brush().SetColor(Enabled() ? clWindow : clBtnFace);
    C->FillRect(TRect{0, Top, Box, Top + Box});
    TRect Edge{0, Top, Box, Top + Box};
    Frame3D(C, Edge, clBtnShadow, clBtnHighlight, 1);
    Frame3D(C, Edge, clWindowFrame, clBtnFace, 1);
    if (FChecked) {
        // A tick three pixels thick, as the platform draws it.
        C->Pen().SetColor(clWindowText);
        for (int i = 0; i < 3; ++i) {
            C->MoveTo(3, Top + 5 + i);
            C->LineTo(5, Top + 7 + i);
            C->LineTo(10, Top + 2 + i);
        }
    }
    C->SetFont(*Font());
    C->Brush().SetStyle(bsClear);
    const TSize Extent = C->TextExtent(Caption());
    C->TextOut(Box + 4, (Height() - Extent.cy) / 2, Caption());
}

void TCheckBox::SetChecked(bool Value) {
    if (Value == FChecked) return;
    FChecked = Value;
    Invalidate();
    Click();
}
