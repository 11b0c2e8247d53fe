#include "host/controls.h"
#include <algorithm>

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
        Result += QPoint(C->FLeft, C->FTop);
    }
    return Result;
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
    std::erase(FControls, AControl);
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

// TCustomPanel

TCustomPanel::TCustomPanel(TComponent* AOwner) : TCustomControl(AOwner) {
    SetBounds(0, 0, 185, 41);
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

TPaintBox::TPaintBox(TComponent* AOwner) : TGraphicControl(AOwner), FCanvas(std::make_unique<TCanvas>()) {
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

// TCheckBox

TCheckBox::TCheckBox(TComponent* AOwner) : TWinControl(AOwner) {
    SetBounds(0, 0, 97, 17);
}

void TCheckBox::SetChecked(bool Value) {
    if (Value == FChecked) return;
    FChecked = Value;
    Invalidate();
    Click();
}
