#pragma once
#include "host/controls.h"
#include "host/dialogs.h"
#include "host/graphic.h"

#include <cstdint>
#include <memory>

// The kinds of bitmap button: every kind but bkCustom brings the caption and the modal result of its
// standard button.
enum TBitBtnKind : uint8_t {
    bkCustom,
    bkOK,
    bkCancel,
    bkHelp,
    bkYes,
    bkNo,
    bkClose,
    bkAbort,
    bkRetry,
    bkIgnore,
    bkAll
};
enum TButtonLayout : uint8_t { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

// A push button with a picture, as a control without a widget: it keeps its caption, kind, glyph and
// modal result, and a press is a call of Click. Classes that run something on a press override
// Click and call the inherited one for the button's own handling.
class TBitBtn : public TWinControl {
public:
    explicit TBitBtn(TComponent* AOwner);
    ~TBitBtn() override;

    TBitBtnKind Kind() const { return FKind; }
    // Takes the kind's caption and modal result; bkCustom, and a kind read from a stored form, leave
    // both as they are.
    void SetKind(TBitBtnKind Value);
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult Value) { FModalResult = Value; }
    bool Default() const { return FDefault; }
    void SetDefault(bool Value) { FDefault = Value; }
    bool Cancel() const { return FCancel; }
    void SetCancel(bool Value) { FCancel = Value; }
    // Empty unless the application loads a picture into it; owned.
    TBitmap* Glyph() const { return FGlyph.get(); }
    TButtonLayout Layout() const { return FLayout; }
    void SetLayout(TButtonLayout Value) { FLayout = Value; }
    int Margin() const { return FMargin; }
    void SetMargin(int Value) { FMargin = Value; }
    int NumGlyphs() const { return FNumGlyphs; }
    void SetNumGlyphs(int Value) { FNumGlyphs = Value; }
    int Spacing() const { return FSpacing; }
    void SetSpacing(int Value) { FSpacing = Value; }

    // A press: a modal result other than mrNone goes to the form that holds the button, then OnClick
    // runs.
    void Click() override;

private:
    TBitBtnKind FKind = bkCustom;
    TModalResult FModalResult = mrNone;
    bool FDefault = false;
    bool FCancel = false;
    std::unique_ptr<TBitmap> FGlyph; // owned
    TButtonLayout FLayout = blGlyphLeft;
    int FMargin = -1;
    int FNumGlyphs = 1;
    int FSpacing = 4;
};

// A flat tool button without a widget: a caption, a glyph of NumGlyphs pictures side by side (up,
// disabled, down, held down), a hint. A left press and its release over the button is a click, after
// OnMouseUp with the button; a disabled button does not click. Buttons with the same GroupIndex on one
// parent stay down one at a time.
class TSpeedButton : public TGraphicControl {
public:
    explicit TSpeedButton(TComponent* AOwner);
    ~TSpeedButton() override;

    // Empty until a picture is loaded into it; owned.
    TBitmap* Glyph() const { return FGlyph.get(); }
    int NumGlyphs() const { return FNumGlyphs; }
    void SetNumGlyphs(int Value);
    // Pixels from the left edge to the glyph; -1 centres glyph and caption together.
    int Margin() const { return FMargin; }
    void SetMargin(int Value);
    // Pixels between glyph and caption.
    int Spacing() const { return FSpacing; }
    void SetSpacing(int Value);
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int Value);
    // Only a button of a group stays down; a button that is down is raised again only by another of
    // its group going down, unless AllowAllUp.
    bool Down() const { return FDown; }
    void SetDown(bool Value);
    bool AllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool Value) { FAllowAllUp = Value; }
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool Value) { FShowHint = Value; }
    // Pressed by the mouse and not yet released.
    bool Pressed() const { return FPressed; }

    void Paint() override;

    // A click of a grouped button puts it down (or up again, with AllowAllUp), then OnClick runs.
    void Click() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

protected:
    // The click of a release over the pressed button, unless it is disabled.
    void ClickedByMouse() override;

private:
    // The picture of the glyph for the button's state, its transparent colour made clear.
    QImage GlyphImage() const;
    void RaiseGroup();

    std::unique_ptr<TBitmap> FGlyph; // owned
    int FNumGlyphs = 1;
    int FMargin = -1;
    int FSpacing = 4;
    int FGroupIndex = 0;
    bool FDown = false;
    bool FAllowAllUp = false;
    bool FShowHint = false;
    bool FPressed = false;
};
