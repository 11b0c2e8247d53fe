#include "host/devicecontext.h"
#include "host/devicecontext_internal.h"

using namespace DeviceContextInternal;

// ---------------------------------------------------------------------------------------------
// Images

namespace {

// Raster operations that combine a picture with what is already there; only pixel surfaces have them.
void SetImageRop(QPainter& P, uint32_t Rop) {
    switch (Rop) {
    case SRCAND: P.setCompositionMode(QPainter::RasterOp_SourceAndDestination); break;
    case SRCPAINT: P.setCompositionMode(QPainter::RasterOp_SourceOrDestination); break;
    case SRCINVERT: P.setCompositionMode(QPainter::RasterOp_SourceXorDestination); break;
    default: break;
    }
}

} // namespace

int DeviceContext::StretchDIBits(int XDest, int YDest, int DestWidth, int DestHeight, int XSrc, int YSrc,
                                 int SrcWidth, int SrcHeight, const QImage& Bits, uint32_t Rop) {
    if (FLog)
        Note(QStringLiteral("StretchDIBits ") +
             Ints({XDest, YDest, DestWidth, DestHeight, XSrc, YSrc, SrcWidth, SrcHeight, Bits.width(),
                   Bits.height()}) +
             QLatin1Char(' ') + Hex(Rop, 8));
    if (Bits.isNull() || SrcWidth == 0 || SrcHeight == 0) return 0;
    TPainterGuard G(*this);
    if (!G) return SrcHeight;
    QPainter& P = *G.P;
    double L = ToDeviceX(XDest), T = ToDeviceY(YDest);
    double R = ToDeviceX(double(XDest) + DestWidth), B = ToDeviceY(double(YDest) + DestHeight);
    QImage Img = Bits;
    if ((R < L) != (SrcWidth < 0) || (B < T) != (SrcHeight < 0))
        Img = Img.mirrored((R < L) != (SrcWidth < 0), (B < T) != (SrcHeight < 0));
    QRectF Dest(DevRound(std::min(L, R)), DevRound(std::min(T, B)),
                DevRound(std::max(L, R)) - DevRound(std::min(L, R)),
                DevRound(std::max(T, B)) - DevRound(std::min(T, B)));
    double SL = XSrc, ST = YSrc, SW = SrcWidth, SH = SrcHeight;
    QRectF Src(std::min(SL, SL + SW), std::min(ST, ST + SH), std::fabs(SW), std::fabs(SH));
    if (FSurface->IsRaster()) SetImageRop(P, Rop);
    P.setRenderHint(QPainter::SmoothPixmapTransform, FState->StretchMode == HALFTONE);
    P.drawImage(Dest, Img, Src);
    return int(std::fabs(SH) > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                                               : std::fabs(SH));
}

bool DeviceContext::StretchDraw(const TRect& R, const QImage& Image) {
    return StretchDIBits(R.Left, R.Top, R.Width(), R.Height(), 0, 0, Image.width(), Image.height(), Image,
                         SRCCOPY) != 0;
}

bool DeviceContext::BitBlt(int X, int Y, int Width, int Height, const DeviceContext* Source, int XSrc,
                           int YSrc, uint32_t Rop) {
    if (FLog)
        Note(QStringLiteral("BitBlt ") + Ints({X, Y, Width, Height, XSrc, YSrc}) + QLatin1Char(' ') +
             Hex(Rop, 8));
    if (Rop == BLACKNESS || Rop == WHITENESS || Rop == PATCOPY || Rop == DSTINVERT) {
        TPainterGuard G(*this);
        if (G) PatFill(*G.P, ToDeviceRect(X, Y, Sum(X, Width), Sum(Y, Height)), Rop);
        return true;
    }
    if (!Source) return false;
    QImage* SrcImg = Source->Image();
    if (!SrcImg) return false;
    if (Source != this && Source->FPainter) const_cast<DeviceContext*>(Source)->EndPainter();
    QPointF SP = Source->ToDevice(XSrc, YSrc);
    QRect SrcBox(int(SP.x()), int(SP.y()), DevRound(Width * std::fabs(Source->ScaleX())),
                 DevRound(Height * std::fabs(Source->ScaleY())));
    QImage Part = SrcImg->copy(SrcBox);
    TPainterGuard G(*this);
    if (!G) return true;
    QPainter& P = *G.P;
    if (FSurface->IsRaster()) SetImageRop(P, Rop);
    P.drawImage(QRectF(ToDeviceRect(X, Y, Sum(X, Width), Sum(Y, Height))), Part);
    return true;
}

void DeviceContext::PaintWith(const std::function<void(QPainter&)>& Paint, const QString& What) {
    if (FLog) Note(QStringLiteral("PaintWith ") + Quote(What));
    if (!Paint) return;
    TPainterGuard G(*this, true);
    if (!G) return;
    double SX = ScaleX(), SY = ScaleY();
    QTransform T(SX, 0, 0, SY, FState->VpOrg.X - FState->WinOrg.X * SX,
                 FState->VpOrg.Y - FState->WinOrg.Y * SY);
    G.P->setWorldTransform(T, true);
    Paint(*G.P);
}
