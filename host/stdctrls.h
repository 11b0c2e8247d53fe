#pragma once
// TEMPORARY stand-in until the host half lands its windowless controls; not committed.
#include "host/canvas.h"
#include "host/controls.h"
class TPaintBox : public TGraphicControl {
public:
    using TGraphicControl::TGraphicControl;
    TCanvas* Canvas() const { return nullptr; }
    std::function<void(TComponent*)> OnPaint;
};
class TLabel : public TGraphicControl {
public:
    using TGraphicControl::TGraphicControl;
    void SetTransparent(bool Value) { FTransparent = Value; }
    bool FTransparent = false;
};
class TCheckBox : public TWinControl {
public:
    using TWinControl::TWinControl;
    bool Checked() const { return FChecked; }
    void SetChecked(bool Value) { FChecked = Value; }
    bool FChecked = false;
};
