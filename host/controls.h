#pragma once
#include "host/canvas.h"
#include "host/classes.h"
#include "host/graphics.h"
#include "host/messages.h"
#include <QRect>
#include <functional>
#include <memory>
#include <vector>

class TWinControl;

enum TAlign : uint8_t { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };

// Notifications a control sends to itself (through Perform) when one of its properties changed, so
// that a class can react in its WndProc.
enum : uint32_t {
    CM_BASE = 0xB000,
    CM_PARENTCHANGED = CM_BASE + 1,     // WParam: the former parent
    CM_CONTROLLISTCHANGE = CM_BASE + 2, // to the parent; WParam: the control, LParam: 1 inserted, 0 removed
    CM_FONTCHANGED = CM_BASE + 3,
    CM_PARENTFONTCHANGED = CM_BASE + 4,
    CM_COLORCHANGED = CM_BASE + 5,
    CM_TEXTCHANGED = CM_BASE + 6,
    CM_VISIBLECHANGED = CM_BASE + 7,
    CM_ENABLEDCHANGED = CM_BASE + 8,
    CM_RELEASE = CM_BASE + 9,
};

// A visible element without a window of its own: a parent, bounds, alignment, colour, font and
// caption. Nothing is drawn here; Invalidate only tells the invalidation hook, which a designer
// view can use to repaint.
class TControl : public TComponent {
public:
    explicit TControl(TComponent* AOwner);
    // Leaves the parent only here, after the derived destructors, so that they still reach it.
    ~TControl() override;

    TWinControl* Parent() const { return FParent; }
    // Classes that accept only certain parents check the class here and refuse with Abort() before
    // calling the inherited SetParent. A nullptr parent is always accepted.
    virtual void SetParent(TWinControl* AParent);
    bool HasParent() const { return FParent != nullptr; }

    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetLeft(int Value) { SetBounds(Value, FTop, FWidth, FHeight); }
    void SetTop(int Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
    void SetWidth(int Value) { SetBounds(FLeft, FTop, Value, FHeight); }
    void SetHeight(int Value) { SetBounds(FLeft, FTop, FWidth, Value); }
    virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    QRect BoundsRect() const { return QRect(FLeft, FTop, FWidth, FHeight); }
    void SetBoundsRect(const QRect& Rect) { SetBounds(Rect.left(), Rect.top(), Rect.width(), Rect.height()); }
    virtual QRect ClientRect() const { return QRect(0, 0, FWidth, FHeight); }
    int ClientWidth() const { return ClientRect().width(); }
    int ClientHeight() const { return ClientRect().height(); }
    // Converts between this control's coordinates and those of its outermost parent.
    QPoint ClientToParent(const QPoint& Point, const TWinControl* AParent = nullptr) const;

    bool Visible() const { return FVisible; }
    virtual void SetVisible(bool Value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible and every parent visible.
    bool Showing() const;
    bool Enabled() const { return FEnabled; }
    virtual void SetEnabled(bool Value);

    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign Value);

    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool Value);

    TFont* Font() const { return FFont.get(); }
    void SetFont(const TFont& Value) { FFont->Assign(Value); }
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool Value);

    const QString& Caption() const { return FCaption; }
    void SetCaption(const QString& Value);
    const QString& Text() const { return FCaption; }
    void SetText(const QString& Value) { SetCaption(Value); }
    const QString& Hint() const { return FHint; }
    void SetHint(const QString& Value) { FHint = Value; }

    // Asks for a repaint. Nothing happens while the control is loading, reading or being destroyed.
    virtual void Invalidate();
    void Repaint() { Invalidate(); }
    void Refresh() { Invalidate(); }
    void Update() {}

    void BringToFront();
    void SendToBack();

    std::function<void(TComponent* Sender)> OnClick;
    std::function<void(TComponent* Sender)> OnDblClick;
    std::function<void(TComponent* Sender)> OnResize;
    virtual void Click();

protected:
    virtual void FontChanged();
    virtual void ParentFontChanged();
    virtual void ParentColorChanged();
    virtual void ColorChanged();
    virtual void Resize();

private:
    friend class TWinControl;
    void DetachFromParent();

    TWinControl* FParent = nullptr;
    int FLeft = 0;
    int FTop = 0;
    int FWidth = 0;
    int FHeight = 0;
    bool FVisible = true;
    bool FEnabled = true;
    TAlign FAlign = alNone;
    TColor FColor = clBtnFace;
    bool FParentColor = false;
    std::unique_ptr<TFont> FFont; // owned
    bool FParentFont = true;
    bool FAdoptingFont = false;
    QString FCaption;
    QString FHint;
};

// The hook that Invalidate calls; a designer view installs one to repaint. nullptr removes it.
using TInvalidateHook = std::function<void(TControl* Control)>;
void SetInvalidateHook(TInvalidateHook Hook);

// A control that contains other controls and has a window handle, made when first needed.
class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* AOwner);
    ~TWinControl() override;
    void BeforeDestruction() override;

    int ControlCount() const { return static_cast<int>(FControls.size()); }
    TControl* Controls(int Index) const;
    int IndexOfControl(const TControl* AControl) const;
    bool ContainsControl(const TControl* AControl) const;
    TControl* FindChildControl(const QString& ControlName) const;
    void InsertControl(TControl* AControl);
    void RemoveControl(TControl* AControl);
    void SetChildOrder(TControl* Child, int Order);

    // The window handle: a number unique in the process, made on demand.
    bool HandleAllocated() const { return FHandle != 0; }
    void HandleNeeded();
    uintptr_t Handle();
    void DestroyHandle();

    void DisableAlign();
    void EnableAlign();
    void Realign();

    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

protected:
    virtual void CreateWnd();
    virtual void DestroyWnd();
    // Places the aligned children: top, bottom, left and right ones by their current order along
    // their edge, then the client-aligned ones in what remains.
    virtual void AlignControls(TControl* AControl, QRect& Rect);
    void FontChanged() override;
    void ColorChanged() override;
    void Loaded() override;

private:
    friend class TControl;
    void RequestAlign();

    std::vector<TControl*> FControls; // not owned by the list; freed with this control
    uintptr_t FHandle = 0;
    int FAlignLevel = 0;
    bool FAlignPending = false;
};

// A windowed control that paints itself.
class TCustomControl : public TWinControl {
public:
    using TWinControl::TWinControl;
    virtual void Paint() {}
};

// A control without a window that paints itself on its parent.
class TGraphicControl : public TControl {
public:
    using TControl::TControl;
    virtual void Paint() {}
};

enum TBevelCut : uint8_t { bvNone, bvLowered, bvRaised, bvSpace };

class TCustomPanel : public TCustomControl {
public:
    explicit TCustomPanel(TComponent* AOwner);
    TBevelCut BevelInner() const { return FBevelInner; }
    void SetBevelInner(TBevelCut Value);
    TBevelCut BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut Value);

private:
    TBevelCut FBevelInner = bvNone;
    TBevelCut FBevelOuter = bvRaised;
};

// A scroll bar of a scroll box: a position within a range.
struct TControlScrollBar {
    int Position = 0;
    int Range = 0;
    int Increment = 8;
    bool Visible = true;
};

class TScrollBox : public TWinControl {
public:
    explicit TScrollBox(TComponent* AOwner);
    TControlScrollBar& HorzScrollBar() { return FHorzScrollBar; }
    TControlScrollBar& VertScrollBar() { return FVertScrollBar; }
    const TControlScrollBar& HorzScrollBar() const { return FHorzScrollBar; }
    const TControlScrollBar& VertScrollBar() const { return FVertScrollBar; }
    // Moves the children by the change of position, as scrolling does.
    void ScrollBy(int DeltaX, int DeltaY);

private:
    TControlScrollBar FHorzScrollBar;
    TControlScrollBar FVertScrollBar;
};

// Controls without a widget of their own, for strips and panels that a design view draws itself.

// A surface painted by its OnPaint handler on Canvas, whose device context the painter supplies.
class TPaintBox : public TGraphicControl {
public:
    explicit TPaintBox(TComponent* AOwner);
    ~TPaintBox() override;
    TCanvas* Canvas() const { return FCanvas.get(); }
    void Paint() override;

    std::function<void(TComponent* Sender)> OnPaint;

private:
    std::unique_ptr<TCanvas> FCanvas; // owned
};

// A caption shown on its parent.
class TLabel : public TGraphicControl {
public:
    explicit TLabel(TComponent* AOwner);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);

private:
    bool FTransparent = false;
};

// A box that is checked or not; a change of Checked, by code or by a click, runs OnClick.
class TCheckBox : public TWinControl {
public:
    explicit TCheckBox(TComponent* AOwner);
    bool Checked() const { return FChecked; }
    void SetChecked(bool Value);
    // What a user's click does: the opposite state.
    void Toggle() { SetChecked(!FChecked); }

private:
    bool FChecked = false;
};
