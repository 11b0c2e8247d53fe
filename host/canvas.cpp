#include "host/canvas.h"
#include "host/mathutil.h"

TDrawable::~TDrawable() = default;

TCanvas::TCanvas() {
    FFont.OnChange = [this](TFont*) { FState &= uint8_t(~csFontValid); };
    FPen.OnChange = [this](TPen*) { FState &= uint8_t(~csPenValid); };
    FBrush.OnChange = [this](TBrush*) { FState &= uint8_t(~csBrushValid); };
}

TCanvas::TCanvas(DeviceContext* DC) : TCanvas() {
    SetHandle(DC);
}

TCanvas::~TCanvas() {
    SetHandle(nullptr);
}

void TCanvas::SetHandle(DeviceContext* Value) {
    if (Value == FHandle) return;
    if (FHandle) DeselectHandles();
    FHandle = Value;
    FState = Value ? csHandleValid : 0;
    int PPI = Value ? Value->GetDeviceCaps(LOGPIXELSY) : 0;
    if (PPI > 0 && PPI != FFont.PixelsPerInch()) {
        // the font keeps its size in points on a device of another resolution
        int Size = FFont.Size();
        FFont.SetPixelsPerInch(PPI);
        FFont.SetSize(Size);
    }
}

// Selects the stock objects so that the canvas's own objects can be freed.
void TCanvas::DeselectHandles() {
    if (FHandle) {
        FHandle->SelectObject(GetStockObject(SYSTEM_FONT));
        FHandle->SelectObject(GetStockObject(BLACK_PEN));
        FHandle->SelectObject(GetStockObject(NULL_BRUSH));
    }
    if (FFontHandle) DeleteObject(FFontHandle);
    if (FPenHandle) DeleteObject(FPenHandle);
    if (FBrushHandle) DeleteObject(FBrushHandle);
    FFontHandle = FPenHandle = FBrushHandle = 0;
    FState &= uint8_t(~(csFontValid | csPenValid | csBrushValid));
}

void TCanvas::RequiredState(uint8_t Required) {
    if (!FHandle) return;
    uint8_t Needed = Required & uint8_t(~FState);
    if (Needed & csFontValid) CreateFont();
    if (Needed & csPenValid) CreatePen();
    if (Needed & csBrushValid) CreateBrush();
}

void TCanvas::CreateFont() {
    TLogFont Lf = FFont.LogFont();
    // the font keeps its height at its own resolution; the device may have another
    int DevicePPI = FHandle->GetDeviceCaps(LOGPIXELSY);
    if (FFont.PixelsPerInch() != DevicePPI && FFont.PixelsPerInch() > 0)
        Lf.lfHeight = MulDiv(Lf.lfHeight, DevicePPI, FFont.PixelsPerInch());
    HFONT Old = FFontHandle;
    FFontHandle = CreateFontIndirect(Lf);
    FHandle->SelectObject(FFontHandle);
    if (Old) DeleteObject(Old);
    FHandle->SetTextColor(ColorToRGB(FFont.Color()));
    FState |= csFontValid;
}

void TCanvas::CreatePen() {
    HPEN Old = FPenHandle;
    FPenHandle = CreatePenIndirect(FPen.LogPen());
    FHandle->SelectObject(FPenHandle);
    if (Old) DeleteObject(Old);
    FHandle->SetROP2(PenModeToROP2(FPen.Mode()));
    FState |= csPenValid;
}

void TCanvas::CreateBrush() {
    HBRUSH Old = FBrushHandle;
    FBrushHandle = CreateBrushIndirect(FBrush.LogBrush());
    FHandle->SelectObject(FBrushHandle);
    if (Old) DeleteObject(Old);
    FHandle->SetBkColor(ColorToRGB(FBrush.Color()));
    FHandle->SetBkMode(FBrush.Style() == bsSolid ? OPAQUE : TRANSPARENT);
    FState |= csBrushValid;
}

void TCanvas::Changing() {
    if (OnChanging) OnChanging(this);
}

void TCanvas::Changed() {
    if (OnChange) OnChange(this);
}

TPoint TCanvas::PenPos() const {
    TPoint P;
    if (FHandle) FHandle->GetCurrentPositionEx(P);
    return P;
}

void TCanvas::SetPenPos(TPoint Value) {
    MoveTo(Value.X, Value.Y);
}

void TCanvas::MoveTo(int X, int Y) {
    if (FHandle) FHandle->MoveToEx(X, Y);
}

void TCanvas::LineTo(int X, int Y) {
    if (!FHandle) return;
    Changing();
    RequiredState(csPenValid | csBrushValid);
    FHandle->LineTo(X, Y);
    Changed();
}

void TCanvas::Rectangle(int X1, int Y1, int X2, int Y2) {
    if (!FHandle) return;
    Changing();
    RequiredState(csPenValid | csBrushValid);
    FHandle->Rectangle(X1, Y1, X2, Y2);
    Changed();
}

void TCanvas::RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3) {
    if (!FHandle) return;
    Changing();
    RequiredState(csPenValid | csBrushValid);
    FHandle->RoundRect(X1, Y1, X2, Y2, X3, Y3);
    Changed();
}

void TCanvas::Ellipse(int X1, int Y1, int X2, int Y2) {
    if (!FHandle) return;
    Changing();
    RequiredState(csPenValid | csBrushValid);
    FHandle->Ellipse(X1, Y1, X2, Y2);
    Changed();
}

void TCanvas::Arc(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4) {
    if (!FHandle) return;
    Changing();
    RequiredState(csPenValid | csBrushValid);
    FHandle->Arc(X1, Y1, X2, Y2, X3, Y3, X4, Y4);
    Changed();
}

void TCanvas::Chord(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4) {
    if (!FHandle) return;
    Changing();
    RequiredState(csPenValid | csBrushValid);
    FHandle->Chord(X1, Y1, X2, Y2, X3, Y3, X4, Y4);
    Changed();
}

void TCanvas::Pie(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4) {
    if (!FHandle) return;
    Changing();
    RequiredState(csPenValid | csBrushValid);
    FHandle->Pie(X1, Y1, X2, Y2, X3, Y3, X4, Y4);
    Changed();
}

void TCanvas::Polygon(const std::vector<TPoint>& Points) {
    if (!FHandle || Points.empty()) return;
    Changing();
    RequiredState(csPenValid | csBrushValid);
    FHandle->Polygon(Points.data(), int(Points.size()));
    Changed();
}

void TCanvas::Polyline(const std::vector<TPoint>& Points) {
    if (!FHandle || Points.empty()) return;
    Changing();
    RequiredState(csPenValid | csBrushValid);
    FHandle->Polyline(Points.data(), int(Points.size()));
    Changed();
}

void TCanvas::FillRect(const TRect& R) {
    if (!FHandle) return;
    Changing();
    RequiredState(csBrushValid);
    FHandle->FillRect(R, FBrushHandle);
    Changed();
}

void TCanvas::FrameRect(const TRect& R) {
    if (!FHandle) return;
    Changing();
    RequiredState(csBrushValid);
    FHandle->FrameRect(R, FBrushHandle);
    Changed();
}

void TCanvas::TextOut(int X, int Y, const QString& Text) {
    if (!FHandle) return;
    Changing();
    RequiredState(csFontValid | csBrushValid);
    FHandle->ExtTextOut(X, Y, FTextFlags, nullptr, Text);
    TSize S;
    FHandle->GetTextExtentPoint32(Text, S);
    FHandle->MoveToEx(X + S.cx, Y); // the pen waits at the end of the text
    Changed();
}

void TCanvas::TextRect(const TRect& R, int X, int Y, const QString& Text) {
    if (!FHandle) return;
    Changing();
    RequiredState(csFontValid | csBrushValid);
    uint32_t Options = ETO_CLIPPED | FTextFlags;
    if (FBrush.Style() != bsClear) Options |= ETO_OPAQUE;
    FHandle->ExtTextOut(X, Y, Options, &R, Text);
    Changed();
}

TSize TCanvas::TextExtent(const QString& Text) {
    TSize S;
    if (!FHandle) return S;
    RequiredState(csFontValid);
    FHandle->GetTextExtentPoint32(Text, S);
    return S;
}

void TCanvas::Draw(int X, int Y, const QImage& Image) {
    if (Image.isNull()) return;
    StretchDraw(Bounds(X, Y, Image.width(), Image.height()), Image);
}

void TCanvas::StretchDraw(const TRect& R, const QImage& Image) {
    if (!FHandle || Image.isNull()) return;
    Changing();
    FHandle->StretchDraw(R, Image);
    Changed();
}

void TCanvas::Draw(int X, int Y, const TDrawable& Graphic) {
    if (Graphic.Empty()) return;
    StretchDraw(Bounds(X, Y, Graphic.Width(), Graphic.Height()), Graphic);
}

void TCanvas::StretchDraw(const TRect& R, const TDrawable& Graphic) {
    if (!FHandle || Graphic.Empty()) return;
    Changing();
    Graphic.StretchDrawOn(*FHandle, R);
    Changed();
}

COLORREF TCanvas::Pixel(int X, int Y) {
    if (!FHandle) return 0xFFFFFFFF;
    return FHandle->GetPixel(X, Y);
}

void TCanvas::SetPixel(int X, int Y, TColor Color) {
    if (!FHandle) return;
    Changing();
    FHandle->SetPixel(X, Y, ColorToRGB(Color));
    Changed();
}
