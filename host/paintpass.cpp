#include "host/paintpass.h"
#include "host/canvas.h"
#include "host/controls.h"
#include "host/devicecontext.h"
#include "host/forms.h"

namespace {

void PaintOne(TControl* Control, DeviceContext& DC, QPoint Origin);

void PaintChildren(TWinControl* Window, DeviceContext& DC) {
    const QRect Client = Window->ClientRect();
    const QPoint Inner = Window->ClientOrigin();
    const int Saved = DC.SaveDC();
    DC.IntersectClipRect(Inner.x(), Inner.y(), Inner.x() + Client.width(), Inner.y() + Client.height());
    for (bool Windowed : {false, true})
        for (int i = 0; i < Window->ControlCount(); ++i) {
            TControl* C = Window->Controls(i);
            if ((dynamic_cast<TWinControl*>(C) != nullptr) == Windowed)
                PaintOne(C, DC, Inner + C->BoundsRect().topLeft());
        }
    DC.RestoreDC(Saved);
}

void PaintOne(TControl* Control, DeviceContext& DC, QPoint Origin) {
    if (!Control->ShownOnParent() || Control->Width() <= 0 || Control->Height() <= 0) return;
    const int Saved = DC.SaveDC();
    DC.OffsetViewportOrgEx(Origin.x(), Origin.y());
    DC.IntersectClipRect(0, 0, Control->Width(), Control->Height());
    TRect Clip;
    if (DC.GetClipBox(Clip) > NULLREGION) {
        auto* Window = dynamic_cast<TWinControl*>(Control);
        TCanvas* Canvas = Control->PaintCanvas();
        if (Window && !Canvas) {
            // A window without a painter of its own shows its colour and its frame.
            TCanvas Background(&DC);
            Background.Brush().SetColor(Control->Color());
            Background.FillRect(TRect{0, 0, Control->Width(), Control->Height()});
            if (auto* Box = dynamic_cast<TScrollBox*>(Control); Box && Box->BorderStyle() == bsSingle)
                PaintSunkenFrame(Background, Control->Width(), Control->Height());
            Background.SetHandle(nullptr);
        }
        if (Canvas) {
            Canvas->SetHandle(&DC);
            try {
                Control->Paint();
            } catch (...) {
                Application()->HandleException(Control);
            }
            Canvas->SetHandle(nullptr);
        }
        if (Window) PaintChildren(Window, DC);
    }
    DC.RestoreDC(Saved);
}

} // namespace

void PaintSunkenFrame(TCanvas& C, int Width, int Height) {
    auto Edge = [&](int Inset, TColor TopLeft, TColor BottomRight) {
        const int L = Inset, T = Inset, R = Width - 1 - Inset, B = Height - 1 - Inset;
        C.Pen().SetColor(TopLeft);
        C.Polyline({TPoint{L, B}, TPoint{L, T}, TPoint{R + 1, T}});
        C.Pen().SetColor(BottomRight);
        C.Polyline({TPoint{R, T + 1}, TPoint{R, B}, TPoint{L, B}});
    };
    C.Pen().SetWidth(1);
    C.Pen().SetStyle(psSolid);
    Edge(0, clBtnShadow, clBtnHighlight);
    Edge(1, cl3DDkShadow, clBtnFace);
}

void PaintControl(TControl* Control, DeviceContext& DC, QPoint Origin) {
    if (Control) PaintOne(Control, DC, Origin);
}
