#pragma once
#include "host/controls.h"
#include "host/dialogs.h"
#include "host/graphic.h"

#include <cstdint>
#include <memory>

// The kinds of bitmap button: every kind but bkCustom brings the caption and the modal result of its
// standard button.
enum TBitBtnKind : uint8_t { bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll };
enum TButtonLayout : uint8_t { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

// A push button with a picture, as a control without a widget: it keeps its caption, kind, glyph and
// modal result, and a press is a call of Click. Classes that run something on a press override
// Click and call the inherited one for the button's own handling.
class TBitBtn : public TWinControl {
public:
    explicit TBitBtn(TComponent* AOwner);
    ~TBitBtn() override;

    TBitBtnKind Kind() const { return FKind; }
    // Takes the kind's caption and modal result; bkCustom leaves both as they are.
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
