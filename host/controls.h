#pragma once
#include "host/canvas.h"
#include "host/classes.h"
#include "host/dragdrop.h"
#include "host/graphics.h"
#include "host/messages.h"
#include <QRect>
#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TWinControl;

enum TAlign : uint8_t { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };

// Borders of windows; a scroll box knows the first two.
enum TFormBorderStyle : uint8_t { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TBorderStyle = TFormBorderStyle;

enum TMouseButton : uint8_t { mbLeft, mbRight, mbMiddle };

// Keys and buttons held during a key or mouse event, as bit flags.
enum : uint16_t {
    ssShift = 0x01,
    ssAlt = 0x02,
    ssCtrl = 0x04,
    ssLeft = 0x08,
    ssRight = 0x10,
    ssMiddle = 0x20,
    ssDouble = 0x40,
};
using TShiftState = uint16_t;

using TMouseEvent = std::function<void(TComponent* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TComponent* Sender, TShiftState Shift, int X, int Y)>;

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
    // The designer asks whether the control takes the mouse itself at the point in LParam (control
    // coordinates); nonzero: yes. Sent to the designed control under a moving pointer too.
    CM_DESIGNHITTEST = CM_BASE + 10,
    // A drag over the control: WParam a TDragMessage, LParam a TDragRec*; the result accepts.
    CM_DRAG = CM_BASE + 11,
};

// The bounds a control takes: a position within MaxControlPosition of its parent's origin, a width
// and height from 0 to MaxControlSize. Far beyond any real form, and small enough that the sums the
// layout makes of a few of them (a far edge, a label on a band on a page) stay well inside an int.
constexpr int MaxControlPosition = 1000000;
constexpr int MaxControlSize = 1000000;
// A position or size worked out by a layout, brought within those limits.
constexpr int ClampControlPosition(int64_t Value) {
    return int(std::clamp<int64_t>(Value, -MaxControlPosition, MaxControlPosition));
}
constexpr int ClampControlSize(int64_t Value) {
    return int(std::clamp<int64_t>(Value, 0, MaxControlSize));
}

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
    // Refuses bounds outside the limits above with EPropertyError, changing nothing.
    virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    QRect BoundsRect() const { return QRect(FLeft, FTop, FWidth, FHeight); }
    void SetBoundsRect(const QRect& Rect) { SetBounds(Rect.left(), Rect.top(), Rect.width(), Rect.height()); }
    virtual QRect ClientRect() const { return QRect(0, 0, FWidth, FHeight); }
    int ClientWidth() const { return ClientRect().width(); }
    int ClientHeight() const { return ClientRect().height(); }
    // Converts between this control's client coordinates and the client coordinates of AParent, or
    // of its outermost parent.
    QPoint ClientToParent(const QPoint& Point, const TWinControl* AParent = nullptr) const;
    QPoint ParentToClient(const QPoint& Point, const TWinControl* AParent = nullptr) const;

    bool Visible() const { return FVisible; }
    virtual void SetVisible(bool Value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible and every parent visible.
    bool Showing() const;
    // Whether the control shows on its parent: visible, or being designed (a designer shows hidden
    // controls too).
    bool ShownOnParent() const { return FVisible || HasState(csDesigning); }
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
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    // Drawing. A paint pass hands its device context to the control's PaintCanvas (none: the control
    // draws nothing of its own), with the origin at the control and clipped to it, and calls Paint.
    virtual TCanvas* PaintCanvas() { return nullptr; }
    virtual void Paint() {}

    // Drag and drop: a control with automatic drag mode starts a drag when pressed with the left
    // button; CM_DRAG reaches the control under the pointer, whose default handling runs its events.
    TDragMode DragMode() const { return FDragMode; }
    void SetDragMode(TDragMode Value) { FDragMode = Value; }
    // Starts dragging this control at once, or once the pointer has moved Threshold pixels from
    // where it was pressed (-1: the usual 5).
    void BeginDrag(bool Immediate, int Threshold = -1);
    bool Dragging() const;
    virtual void DragOver(TComponent* Source, int X, int Y, TDragState State, bool& Accept);
    virtual void DragDrop(TComponent* Source, int X, int Y);
    TDragOverEvent OnDragOver;
    TDragDropEvent OnDragDrop;
    TEndDragEvent OnEndDrag;

    // Mouse messages (WM_LBUTTONDOWN and the rest, the point in control coordinates) become
    // MouseDown, MouseMove, MouseUp, a click when the button comes up where it went down, and a
    // double click; CM_DRAG becomes DragOver and DragDrop.
    void WndProc(TMessage& Message) override;

    virtual void Click();
    virtual void DblClick();
    // Mouse handling in the control's coordinates; the base fires the events.
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);

protected:
    virtual void FontChanged();
    virtual void ParentFontChanged();
    virtual void ParentColorChanged();
    virtual void ColorChanged();
    virtual void Resize();
    // What a left-button click the user made does; a check box turns over.
    virtual void ClickedByMouse() { Click(); }

private:
    friend class TWinControl;
    void DetachFromParent();
    void HandleDrag(TMessage& Message);
    void HandleMouse(TMessage& Message);

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
    TDragMode FDragMode = dmManual;
    bool FPressed = false; // the left button went down on the control and is not up yet
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

    // Where the client area begins within the control (inside its border).
    virtual QPoint ClientOrigin() const { return QPoint(0, 0); }
    // The control under Pos (client coordinates): the deepest one shown on its parent that
    // contains it, windowed children above the others, the later above the earlier; nullptr when
    // Pos lies on this control itself or outside it.
    TControl* ControlAtPos(const QPoint& Pos) const;

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

// A windowed control that paints itself on its canvas.
class TCustomControl : public TWinControl {
public:
    explicit TCustomControl(TComponent* AOwner);
    ~TCustomControl() override;
    TCanvas* Canvas() const { return FCanvas.get(); }
    TCanvas* PaintCanvas() override { return FCanvas.get(); }

private:
    std::unique_ptr<TCanvas> FCanvas; // owned; its device context is the painter's
};

// A control without a window that paints itself on its parent, through its canvas.
class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent* AOwner);
    ~TGraphicControl() override;
    TCanvas* Canvas() const { return FCanvas.get(); }
    TCanvas* PaintCanvas() override { return FCanvas.get(); }

private:
    std::unique_ptr<TCanvas> FCanvas; // owned; its device context is the painter's
};

enum TBevelCut : uint8_t { bvNone, bvLowered, bvRaised, bvSpace };

// A panel: its colour, its bevels and its caption in the middle.
class TCustomPanel : public TCustomControl {
public:
    explicit TCustomPanel(TComponent* AOwner);
    TBevelCut BevelInner() const { return FBevelInner; }
    void SetBevelInner(TBevelCut Value);
    TBevelCut BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut Value);
    int BevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int Value);
    void Paint() override;

private:
    TBevelCut FBevelInner = bvNone;
    TBevelCut FBevelOuter = bvRaised;
    int FBevelWidth = 1;
};

// A scroll bar of a scroll box: a position within a range.
struct TControlScrollBar {
    int Position = 0;
    int Range = 0;
    int Increment = 8;
    bool Visible = true;
};

// A container whose children scroll. A single border (the default) is a sunken frame of 2 pixels
// that the client area lies inside. The scroll messages (WM_HSCROLL, WM_VSCROLL) move the position
// by a line (the bar's Increment), a page (the client size) or to the thumb's place, within the
// range: the bar's Range when set, else the extent of the children.
class TScrollBox : public TWinControl {
public:
    explicit TScrollBox(TComponent* AOwner);
    TControlScrollBar& HorzScrollBar() { return FHorzScrollBar; }
    TControlScrollBar& VertScrollBar() { return FVertScrollBar; }
    const TControlScrollBar& HorzScrollBar() const { return FHorzScrollBar; }
    const TControlScrollBar& VertScrollBar() const { return FVertScrollBar; }
    // Moves the children by the change of position, as scrolling does.
    void ScrollBy(int DeltaX, int DeltaY);
    // The greatest position each bar can take.
    int ScrollLimit(bool Horizontal) const;

    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    QRect ClientRect() const override;
    QPoint ClientOrigin() const override;

    void WndProc(TMessage& Message) override;

private:
    void Scroll(bool Horizontal, uint16_t Code, int ThumbPos);

    TControlScrollBar FHorzScrollBar;
    TControlScrollBar FVertScrollBar;
    TBorderStyle FBorderStyle = bsSingle;
};

// Controls without a widget of their own, for strips and panels that a design view draws itself.

// A surface painted by its OnPaint handler on Canvas, whose device context the painter supplies.
class TPaintBox : public TGraphicControl {
public:
    explicit TPaintBox(TComponent* AOwner);
    ~TPaintBox() override;
    void Paint() override;

    std::function<void(TComponent* Sender)> OnPaint;
};

// A caption shown on its parent, in its font, over its colour unless transparent.
class TLabel : public TGraphicControl {
public:
    explicit TLabel(TComponent* AOwner);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    void Paint() override;

private:
    bool FTransparent = false;
};

// A box that is checked or not; a change of Checked, by code or by a click, runs OnClick. It paints
// a 13-pixel box with a check mark and its caption to the right.
class TCheckBox : public TCustomControl {
public:
    explicit TCheckBox(TComponent* AOwner);
    bool Checked() const { return FChecked; }
    void SetChecked(bool Value);
    // What a user's click does: the opposite state.
    void Toggle() { SetChecked(!FChecked); }
    void Paint() override;

protected:
    void ClickedByMouse() override { Toggle(); }

private:
    bool FChecked = false;
};
