#include "host/devicecontext.h"
#include "host/devicecontext_internal.h"
#include <QPainterPathStroker>
#include <QtMath>

using namespace DeviceContextInternal;

namespace {

// The dash patterns of one-pixel pens, in pixels on and off.
const std::vector<int>& DashPattern(uint32_t Style) {
    static const std::vector<int> Solid;
    static const std::vector<int> Dash{18, 6};
    static const std::vector<int> Dot{3, 3};
    static const std::vector<int> DashDot{9, 6, 3, 6};
    static const std::vector<int> DashDotDot{9, 3, 3, 3, 3, 3};
    static const std::vector<int> Alternate{1, 1};
    switch (Style & PS_STYLE_MASK) {
    case PS_DASH:
        return Dash;
    case PS_DOT:
        return Dot;
    case PS_DASHDOT:
        return DashDot;
    case PS_DASHDOTDOT:
        return DashDotDot;
    case PS_ALTERNATE:
        return Alternate;
    default:
        return Solid;
    }
}

// The 8x8 hatch as one byte per row, most significant bit leftmost; set bits are drawn.
void HatchRows(int Hatch, uint8_t Rows[8]) {
    for (int y = 0; y < 8; ++y) {
        uint8_t R = 0;
        for (int x = 0; x < 8; ++x) {
            bool On = false;
            bool H = y == 0, V = x == 0, F = ((x - y) & 7) == 0, B = ((x + y) & 7) == 7;
            switch (Hatch) {
            case HS_HORIZONTAL:
                On = H;
                break;
            case HS_VERTICAL:
                On = V;
                break;
            case HS_FDIAGONAL:
                On = F;
                break;
            case HS_BDIAGONAL:
                On = B;
                break;
            case HS_CROSS:
                On = H || V;
                break;
            case HS_DIAGCROSS:
                On = F || B;
                break;
            default:
                break;
            }
            if (On) R |= uint8_t(0x80 >> x);
        }
        Rows[y] = R;
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Pens and brushes on the painter

bool DeviceContext::PenVisible() const {
    TLogPen Pen;
    if (!GetObject(FState->Pen, Pen)) return false;
    return (Pen.lopnStyle & PS_STYLE_MASK) != PS_NULL && FState->Rop2 != R2_NOP;
}

int DeviceContext::PenDeviceWidth() const {
    TLogPen Pen;
    if (!GetObject(FState->Pen, Pen) || Pen.lopnWidth <= 1) return 1;
    return std::max(1, DevRound(Pen.lopnWidth * std::fabs(ScaleX())));
}

QColor DeviceContext::PenColor() const {
    TLogPen Pen;
    GetObject(FState->Pen, Pen);
    if (FState->Rop2 == R2_BLACK) return Qt::black;
    if (FState->Rop2 == R2_WHITE) return Qt::white;
    return ToQColor(Pen.lopnColor);
}

void DeviceContext::ApplyRop(QPainter& P) const {
    if (!FSurface->IsRaster()) return; // paged devices draw every mode as a plain copy
    QPainter::CompositionMode M = QPainter::CompositionMode_SourceOver;
    switch (FState->Rop2) {
    case R2_NOTMERGEPEN:
        M = QPainter::RasterOp_NotSourceAndNotDestination;
        break;
    case R2_MASKNOTPEN:
        M = QPainter::RasterOp_NotSourceAndDestination;
        break;
    case R2_NOTCOPYPEN:
        M = QPainter::RasterOp_NotSource;
        break;
    case R2_MASKPENNOT:
        M = QPainter::RasterOp_SourceAndNotDestination;
        break;
    case R2_NOT:
        M = QPainter::RasterOp_NotDestination;
        break;
    case R2_XORPEN:
        M = QPainter::RasterOp_SourceXorDestination;
        break;
    case R2_NOTMASKPEN:
        M = QPainter::RasterOp_NotSourceOrNotDestination;
        break;
    case R2_MASKPEN:
        M = QPainter::RasterOp_SourceAndDestination;
        break;
    case R2_NOTXORPEN:
        M = QPainter::RasterOp_NotSourceXorDestination;
        break;
    case R2_MERGENOTPEN:
        M = QPainter::RasterOp_NotSourceOrDestination;
        break;
    case R2_MERGEPENNOT:
        M = QPainter::RasterOp_SourceOrNotDestination;
        break;
    case R2_MERGEPEN:
        M = QPainter::RasterOp_SourceOrDestination;
        break;
    default:
        break;
    }
    P.setCompositionMode(M);
}

void DeviceContext::FillShape(QPainter& P, const QPainterPath& Path, HBRUSH Brush) {
    TGdiObject B = FindObject(Brush);
    if (B.Type != OBJ_BRUSH || B.Brush.lbStyle == BS_NULL) return;
    P.setPen(Qt::NoPen);
    QBrush QB;
    if (B.Brush.lbStyle == BS_SOLID) {
        QB = QBrush(ToQColor(B.Brush.lbColor));
    } else {
        QImage Tile;
        if (B.Brush.lbStyle == BS_PATTERN && !B.MonoPattern) {
            Tile = B.Pattern;
        } else {
            uint8_t Rows[8];
            bool Hatched = B.Brush.lbStyle == BS_HATCHED;
            if (Hatched)
                HatchRows(B.Brush.lbHatch, Rows);
            else
                std::copy(B.Rows, B.Rows + 8, Rows);
            Tile = QImage(8, 8, QImage::Format_ARGB32);
            QRgb Fore = ToQColor(Hatched ? B.Brush.lbColor : FState->TextColor).rgb();
            QRgb Back = ToQColor(FState->BkColor).rgb();
            // hatches leave the background alone when it is transparent; patterns always paint it
            if (Hatched && FState->BkMode == TRANSPARENT) Back = qRgba(0, 0, 0, 0);
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x) {
                    bool Set = Rows[y] & (0x80 >> x);
                    Tile.setPixel(x, y, Hatched ? (Set ? Fore : Back) : (Set ? Back : Fore));
                }
        }
        QB = QBrush(Tile);
        P.setBrushOrigin(QPointF(FState->BrushOrg.X, FState->BrushOrg.Y));
    }
    P.setBrush(QB);
    P.drawPath(Path);
}

// A box in a solid colour on a raster device is the same pixels as the path of the box, at a
// fraction of the cost; paged devices keep the path.
void DeviceContext::FillBox(QPainter& P, const QRect& Box, HBRUSH Brush) {
    if (FSurface->IsRaster()) {
        COLORREF Color = 0;
        bool Solid = ReadObject(Brush, [&](const TGdiObject* O) {
            if (!O || O->Type != OBJ_BRUSH || O->Brush.lbStyle != BS_SOLID) return false;
            Color = O->Brush.lbColor;
            return true;
        });
        if (Solid) {
            P.fillRect(Box, ToQColor(Color));
            return;
        }
    }
    QPainterPath Path;
    Path.addRect(QRectF(Box));
    FillShape(P, Path, Brush);
}

// Fills the pen's area: everything inside Outer and outside Inner.
void DeviceContext::StrokePath(QPainter& P, const QPainterPath& Outer, const QPainterPath& Inner) {
    QPainterPath Ring = Outer;
    Ring.addPath(Inner);
    Ring.setFillRule(Qt::OddEvenFill);
    P.setPen(Qt::NoPen);
    P.setBrush(PenColor());
    ApplyRop(P);
    P.drawPath(Ring);
}

// A one-pixel line by whole pixels, with the pen's dash pattern; the end pixel is left out
// unless LastPixel.
void DeviceContext::DrawLinePixels(QPainter& P, QPoint From, QPoint To, bool LastPixel) {
    TLogPen Pen;
    GetObject(FState->Pen, Pen);
    const std::vector<int>& Dashes = DashPattern(Pen.lopnStyle);
    QColor On = PenColor();
    QColor Off = ToQColor(FState->BkColor);
    bool PaintGaps = FState->BkMode == OPAQUE;
    ApplyRop(P);
    int DX = std::abs(To.x() - From.x()), DY = std::abs(To.y() - From.y());
    int SX = From.x() < To.x() ? 1 : -1, SY = From.y() < To.y() ? 1 : -1;
    int Steps = std::max(DX, DY) + (LastPixel ? 1 : 0);
    if (Dashes.empty() && (DX == 0 || DY == 0)) {
        // straight solid lines as one rectangle
        int N = Steps;
        if (N <= 0) return;
        QRect R = DX == 0 ? QRect(From.x(), SY > 0 ? From.y() : From.y() - N + 1, 1, N)
                          : QRect(SX > 0 ? From.x() : From.x() - N + 1, From.y(), N, 1);
        P.fillRect(R, On);
        return;
    }
    if (!FSurface->IsRaster() && Steps > 0) {
        // paged devices get a real line, from the centre of the first pixel to that of the last
        QPen Line(On, 1, Qt::SolidLine, Qt::FlatCap);
        if (!Dashes.empty()) {
            QVector<qreal> Pattern;
            for (int V : Dashes)
                Pattern << V;
            Line.setDashPattern(Pattern);
        }
        QPointF A = QPointF(From) + QPointF(0.5, 0.5), B = QPointF(To) + QPointF(0.5, 0.5);
        double Length = std::hypot(B.x() - A.x(), B.y() - A.y());
        if (!LastPixel && Length > 0) B = A + (B - A) * ((Length - 0.5) / Length);
        P.setPen(Line);
        P.drawLine(QLineF(A, B));
        return;
    }
    if (Steps > 1 << 16) {
        // far longer than any page: leave the pixel rules to the painter rather than step for ages
        QPen Long(On, 0);
        P.setPen(Long);
        P.drawLine(From, To);
        return;
    }
    int X = From.x(), Y = From.y();
    int Err = DX - DY;
    size_t DashIndex = 0;
    int DashLeft = Dashes.empty() ? 0 : Dashes[0];
    // neighbouring pixels of one colour in a row or a column go out as one rectangle
    QRect Span;
    int SpanKind = 0; // 1 pen colour, 2 gap colour
    auto Flush = [&] {
        if (SpanKind) P.fillRect(Span, SpanKind == 1 ? On : Off);
        SpanKind = 0;
    };
    auto Plot = [&](int PX, int PY, int Kind) {
        if (Kind == SpanKind) {
            QRect Grown = Span.united(QRect(PX, PY, 1, 1));
            bool Adjacent = (Grown.height() == 1 && Grown.width() == Span.width() + 1) ||
                            (Grown.width() == 1 && Grown.height() == Span.height() + 1);
            if (Adjacent) {
                Span = Grown;
                return;
            }
        }
        Flush();
        if (!Kind) return;
        Span = QRect(PX, PY, 1, 1);
        SpanKind = Kind;
    };
    for (int i = 0; i < Steps; ++i) {
        bool Drawn = Dashes.empty() || DashIndex % 2 == 0;
        Plot(X, Y, Drawn ? 1 : PaintGaps ? 2 : 0);
        if (!Dashes.empty() && --DashLeft == 0) {
            DashIndex = (DashIndex + 1) % Dashes.size();
            DashLeft = Dashes[DashIndex];
        }
        int E2 = 2 * Err;
        if (E2 > -DY) {
            Err -= DY;
            X += SX;
        }
        if (E2 < DX) {
            Err += DX;
            Y += SY;
        }
    }
    Flush();
}

// ---------------------------------------------------------------------------------------------
// Lines

bool DeviceContext::MoveToEx(int X, int Y, TPoint* Old) {
    if (FLog) Note(QStringLiteral("MoveToEx ") + Ints({X, Y}));
    if (Old) *Old = FState->Cp;
    FState->Cp = Point(X, Y);
    return true;
}

bool DeviceContext::GetCurrentPositionEx(TPoint& Pt) const {
    Pt = FState->Cp;
    return true;
}

bool DeviceContext::LineTo(int X, int Y) {
    if (FLog) Note(QStringLiteral("LineTo ") + Ints({X, Y}));
    TPoint From = FState->Cp;
    FState->Cp = Point(X, Y);
    if (!PenVisible()) return true;
    TPainterGuard G(*this);
    if (!G) return true;
    QPointF A = ToDevice(From.X, From.Y), B = ToDevice(X, Y);
    int W = PenDeviceWidth();
    if (W <= 1) {
        DrawLinePixels(*G.P, A.toPoint(), B.toPoint(), false);
    } else {
        QPainterPath Line;
        Line.moveTo(A + QPointF(0.5, 0.5));
        Line.lineTo(B + QPointF(0.5, 0.5));
        QPainterPathStroker S;
        S.setWidth(W);
        S.setCapStyle(Qt::RoundCap);
        S.setJoinStyle(Qt::RoundJoin);
        G.P->setPen(Qt::NoPen);
        G.P->setBrush(PenColor());
        ApplyRop(*G.P);
        G.P->drawPath(S.createStroke(Line));
    }
    return true;
}

static QString PointList(const TPoint* Points, int Count) {
    QStringList L;
    for (int i = 0; i < Count; ++i)
        L << QStringLiteral("%1,%2").arg(Points[i].X).arg(Points[i].Y);
    return L.join(QLatin1Char(' '));
}

bool DeviceContext::Polyline(const TPoint* Points, int Count) {
    if (!Points || Count < 2) return false;
    if (FLog) Note(QStringLiteral("Polyline %1 ").arg(Count) + PointList(Points, Count));
    if (!PenVisible()) return true;
    TPainterGuard G(*this);
    if (!G) return true;
    int W = PenDeviceWidth();
    if (W <= 1) {
        for (int i = 1; i < Count; ++i)
            DrawLinePixels(*G.P, ToDevice(Points[i - 1].X, Points[i - 1].Y).toPoint(),
                           ToDevice(Points[i].X, Points[i].Y).toPoint(), false);
        return true;
    }
    QPainterPath Line;
    Line.moveTo(ToDevice(Points[0].X, Points[0].Y) + QPointF(0.5, 0.5));
    for (int i = 1; i < Count; ++i)
        Line.lineTo(ToDevice(Points[i].X, Points[i].Y) + QPointF(0.5, 0.5));
    QPainterPathStroker S;
    S.setWidth(W);
    S.setCapStyle(Qt::RoundCap);
    S.setJoinStyle(Qt::RoundJoin);
    G.P->setPen(Qt::NoPen);
    G.P->setBrush(PenColor());
    ApplyRop(*G.P);
    G.P->drawPath(S.createStroke(Line));
    return true;
}

bool DeviceContext::Polygon(const TPoint* Points, int Count) {
    if (!Points || Count < 2) return false;
    if (FLog) Note(QStringLiteral("Polygon %1 ").arg(Count) + PointList(Points, Count));
    TPainterGuard G(*this);
    if (!G) return true;
    QPainterPath Area;
    Area.moveTo(ToDevice(Points[0].X, Points[0].Y));
    for (int i = 1; i < Count; ++i)
        Area.lineTo(ToDevice(Points[i].X, Points[i].Y));
    Area.closeSubpath();
    Area.setFillRule(FState->PolyFill == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    ApplyRop(*G.P);
    FillShape(*G.P, Area, FState->Brush);
    if (!PenVisible()) return true;
    int W = PenDeviceWidth();
    if (W <= 1) {
        for (int i = 0; i < Count; ++i) {
            const TPoint& A = Points[i];
            const TPoint& B = Points[(i + 1) % Count];
            DrawLinePixels(*G.P, ToDevice(A.X, A.Y).toPoint(), ToDevice(B.X, B.Y).toPoint(), false);
        }
        return true;
    }
    QPainterPath Line;
    Line.moveTo(ToDevice(Points[0].X, Points[0].Y) + QPointF(0.5, 0.5));
    for (int i = 1; i < Count; ++i)
        Line.lineTo(ToDevice(Points[i].X, Points[i].Y) + QPointF(0.5, 0.5));
    Line.closeSubpath();
    QPainterPathStroker S;
    S.setWidth(W);
    S.setJoinStyle(Qt::RoundJoin);
    G.P->setPen(Qt::NoPen);
    G.P->setBrush(PenColor());
    ApplyRop(*G.P);
    G.P->drawPath(S.createStroke(Line));
    return true;
}

// ---------------------------------------------------------------------------------------------
// Closed shapes

namespace {

enum TShapeKind { skRectangle, skRoundRect, skEllipse, skArc, skChord, skPie };

// The outline of a shape kind inside Box (device pixels, right and bottom excluded).
QPainterPath ShapePath(int Kind, const QRectF& Box, double RX, double RY) {
    QPainterPath P;
    if (Box.width() <= 0 || Box.height() <= 0) return P;
    if (Kind == skRectangle)
        P.addRect(Box);
    else if (Kind == skRoundRect)
        P.addRoundedRect(Box, std::max(0.0, std::min(RX, Box.width() / 2)),
                         std::max(0.0, std::min(RY, Box.height() / 2)));
    else
        P.addEllipse(Box);
    return P;
}

// The wedge from the centre between two polar angles (degrees, counter-clockwise on the screen),
// reaching far beyond Radius.
QPainterPath Wedge(QPointF Centre, double Radius, double From, double Sweep) {
    QPainterPath P;
    double R = Radius * 2 + 16;
    P.moveTo(Centre);
    int Steps = std::max(2, int(std::ceil(std::fabs(Sweep) / 2)));
    for (int i = 0; i <= Steps; ++i) {
        double A = qDegreesToRadians(From + Sweep * i / Steps);
        P.lineTo(Centre + QPointF(R * std::cos(A), -R * std::sin(A)));
    }
    P.closeSubpath();
    return P;
}

// The point where the radial at polar angle A meets the ellipse of semi-axes RX, RY.
QPointF OnEllipse(QPointF Centre, double RX, double RY, double A) {
    double C = std::cos(qDegreesToRadians(A)), S = std::sin(qDegreesToRadians(A));
    double Den = std::sqrt(RY * RY * C * C + RX * RX * S * S);
    double R = Den > 0 ? RX * RY / Den : 0;
    return Centre + QPointF(R * C, -R * S);
}

} // namespace

// A rectangle with a solid outline on a raster device, as boxes: the same pixels as its paths.
// Inner is the part the brush fills, Outer less Inner the outline (none without a pen, where
// Inner is Outer).
void DeviceContext::DrawPlainRectangle(QPainter& P, const QRect& Outer, const QRect& Inner, bool Pen) {
    ApplyRop(P);
    bool HasInner = Inner.width() > 0 && Inner.height() > 0;
    if (HasInner) FillBox(P, Inner, FState->Brush);
    if (!Pen || Outer.width() <= 0 || Outer.height() <= 0) return;
    QColor Color = PenColor();
    if (!HasInner) {
        P.fillRect(Outer, Color);
        return;
    }
    P.fillRect(QRect(Outer.left(), Outer.top(), Outer.width(), Inner.top() - Outer.top()), Color);
    P.fillRect(QRect(Outer.left(), Inner.bottom() + 1, Outer.width(), Outer.bottom() - Inner.bottom()),
               Color);
    P.fillRect(QRect(Outer.left(), Inner.top(), Inner.left() - Outer.left(), Inner.height()), Color);
    P.fillRect(QRect(Inner.right() + 1, Inner.top(), Outer.right() - Inner.right(), Inner.height()), Color);
}

bool DeviceContext::DrawClosedShape(int Kind, int Left, int Top, int Right, int Bottom, int A, int B, int C,
                                    int D) {
    TPainterGuard G(*this);
    if (!G) return true;
    QPainter& P = *G.P;
    QRect Box = ToDeviceRect(Left, Top, Right, Bottom);
    bool Pen = PenVisible();
    TLogPen LogPen;
    GetObject(FState->Pen, LogPen);
    uint32_t Style = LogPen.lopnStyle & PS_STYLE_MASK;
    int W = PenDeviceWidth();
    // a null pen leaves the figure one pixel smaller in both directions
    QRectF Outer, Inner;
    if (!Pen) {
        Outer = QRectF(Box.left(), Box.top(), Box.width() - 1, Box.height() - 1);
        Inner = Outer;
    } else if (W <= 1 || Style == PS_INSIDEFRAME) {
        Outer = QRectF(Box);
        Inner = Outer.adjusted(W, W, -W, -W);
    } else {
        int Before = W / 2, After = W - 1 - W / 2;
        Outer = QRectF(Box).adjusted(-Before, -Before, After, After);
        Inner = Outer.adjusted(W, W, -W, -W);
    }
    if (Kind == skRectangle && FSurface->IsRaster() && (!Pen || W > 1 || DashPattern(Style).empty())) {
        DrawPlainRectangle(P, Outer.toRect(), Inner.toRect(), Pen);
        return true;
    }
    double RX = Kind == skRoundRect ? A / 2.0 * std::fabs(ScaleX()) : 0;
    double RY = Kind == skRoundRect ? B / 2.0 * std::fabs(ScaleY()) : 0;
    int PathKind = Kind == skArc || Kind == skChord || Kind == skPie ? skEllipse : Kind;
    QPainterPath OuterPath = ShapePath(PathKind, Outer, RX, RY);
    QPainterPath InnerPath = ShapePath(PathKind, Inner, std::max(0.0, RX - W), std::max(0.0, RY - W));

    // the part of the ellipse an arc, chord or pie covers
    QPainterPath Part;
    QPointF StartPt, EndPt;
    QPointF Centre = QRectF(Box).center();
    if (Kind == skArc || Kind == skChord || Kind == skPie) {
        QPointF S = ToDevice(A, B), E = ToDevice(C, D);
        double AS = qRadiansToDegrees(std::atan2(-(S.y() - Centre.y()), S.x() - Centre.x()));
        double AE = qRadiansToDegrees(std::atan2(-(E.y() - Centre.y()), E.x() - Centre.x()));
        double Sweep = AE - AS;
        if (FState->ArcDirection == AD_CLOCKWISE) {
            while (Sweep >= 0)
                Sweep -= 360;
        } else {
            while (Sweep <= 0)
                Sweep += 360;
        }
        double Radius = std::max(Box.width(), Box.height());
        // the radial ends on the centre line of the pen
        double RXc = (Outer.width() + Inner.width()) / 4 - 0.5,
               RYc = (Outer.height() + Inner.height()) / 4 - 0.5;
        QPointF PixCentre = Centre - QPointF(0.5, 0.5);
        StartPt = OnEllipse(PixCentre, RXc, RYc, AS);
        EndPt = OnEllipse(PixCentre, RXc, RYc, AE);
        if (Kind == skChord) {
            QPainterPath W2 = Wedge(Centre, Radius, AS, Sweep);
            // the segment: the wedge plus or minus the triangle of the centre and the two ends
            QPainterPath Tri;
            Tri.moveTo(Centre);
            Tri.lineTo(StartPt + QPointF(0.5, 0.5));
            Tri.lineTo(EndPt + QPointF(0.5, 0.5));
            Tri.closeSubpath();
            Part = std::fabs(Sweep) <= 180 ? W2.subtracted(Tri) : W2.united(Tri);
        } else {
            Part = Wedge(Centre, Radius, AS, Sweep);
        }
    }

    ApplyRop(P);
    if (Kind != skArc) {
        QPainterPath Fill = Part.isEmpty() ? InnerPath : InnerPath.intersected(Part);
        if (!Pen) Fill = Part.isEmpty() ? OuterPath : OuterPath.intersected(Part);
        FillShape(P, Fill, FState->Brush);
    }
    if (!Pen) return true;
    QPainterPath Ring = OuterPath;
    Ring.addPath(InnerPath);
    Ring.setFillRule(Qt::OddEvenFill);
    if (!DashPattern(Style).empty() && W <= 1) {
        // dashed outlines follow the pen's centre line
        QPen QP(PenColor());
        QP.setWidth(1);
        QP.setCapStyle(Qt::FlatCap);
        QVector<qreal> Pattern;
        for (int V : DashPattern(Style))
            Pattern << V;
        QP.setDashPattern(Pattern);
        QPainterPath Centre1 = ShapePath(PathKind, QRectF(Box).adjusted(0.5, 0.5, -0.5, -0.5), RX, RY);
        if (!Part.isEmpty()) Centre1 = Centre1.intersected(Part);
        P.setBrush(Qt::NoBrush);
        if (FState->BkMode == OPAQUE) {
            QPen Back(ToQColor(FState->BkColor), 1);
            P.setPen(Back);
            P.drawPath(Centre1);
        }
        P.setPen(QP);
        P.drawPath(Centre1);
    } else {
        if (!Part.isEmpty()) Ring = Ring.intersected(Part);
        P.setPen(Qt::NoPen);
        P.setBrush(PenColor());
        P.drawPath(Ring);
    }
    if (Kind == skPie || Kind == skChord) {
        QPoint S = QPoint(DevRound(StartPt.x()), DevRound(StartPt.y()));
        QPoint E = QPoint(DevRound(EndPt.x()), DevRound(EndPt.y()));
        QPoint M = QPoint(DevRound(Centre.x() - 0.5), DevRound(Centre.y() - 0.5));
        if (W <= 1) {
            if (Kind == skPie) {
                DrawLinePixels(P, M, S, true);
                DrawLinePixels(P, M, E, true);
            } else {
                DrawLinePixels(P, S, E, true);
            }
        } else {
            QPainterPath Line;
            if (Kind == skPie) {
                Line.moveTo(StartPt + QPointF(0.5, 0.5));
                Line.lineTo(QPointF(M) + QPointF(0.5, 0.5));
                Line.lineTo(EndPt + QPointF(0.5, 0.5));
            } else {
                Line.moveTo(StartPt + QPointF(0.5, 0.5));
                Line.lineTo(EndPt + QPointF(0.5, 0.5));
            }
            QPainterPathStroker St;
            St.setWidth(W);
            St.setCapStyle(Qt::RoundCap);
            St.setJoinStyle(Qt::RoundJoin);
            P.setPen(Qt::NoPen);
            P.setBrush(PenColor());
            P.drawPath(St.createStroke(Line));
        }
    }
    return true;
}

bool DeviceContext::Rectangle(int Left, int Top, int Right, int Bottom) {
    if (FLog) Note(QStringLiteral("Rectangle ") + Ints({Left, Top, Right, Bottom}));
    return DrawClosedShape(skRectangle, Left, Top, Right, Bottom, 0, 0, 0, 0);
}

bool DeviceContext::RoundRect(int Left, int Top, int Right, int Bottom, int Width, int Height) {
    if (FLog) Note(QStringLiteral("RoundRect ") + Ints({Left, Top, Right, Bottom, Width, Height}));
    return DrawClosedShape(skRoundRect, Left, Top, Right, Bottom, Width, Height, 0, 0);
}

bool DeviceContext::Ellipse(int Left, int Top, int Right, int Bottom) {
    if (FLog) Note(QStringLiteral("Ellipse ") + Ints({Left, Top, Right, Bottom}));
    return DrawClosedShape(skEllipse, Left, Top, Right, Bottom, 0, 0, 0, 0);
}

bool DeviceContext::Arc(int Left, int Top, int Right, int Bottom, int XStart, int YStart, int XEnd,
                        int YEnd) {
    if (FLog) Note(QStringLiteral("Arc ") + Ints({Left, Top, Right, Bottom, XStart, YStart, XEnd, YEnd}));
    return DrawClosedShape(skArc, Left, Top, Right, Bottom, XStart, YStart, XEnd, YEnd);
}

bool DeviceContext::Chord(int Left, int Top, int Right, int Bottom, int XStart, int YStart, int XEnd,
                          int YEnd) {
    if (FLog) Note(QStringLiteral("Chord ") + Ints({Left, Top, Right, Bottom, XStart, YStart, XEnd, YEnd}));
    return DrawClosedShape(skChord, Left, Top, Right, Bottom, XStart, YStart, XEnd, YEnd);
}

bool DeviceContext::Pie(int Left, int Top, int Right, int Bottom, int XStart, int YStart, int XEnd,
                        int YEnd) {
    if (FLog) Note(QStringLiteral("Pie ") + Ints({Left, Top, Right, Bottom, XStart, YStart, XEnd, YEnd}));
    return DrawClosedShape(skPie, Left, Top, Right, Bottom, XStart, YStart, XEnd, YEnd);
}

bool DeviceContext::FillRect(const TRect& R, HBRUSH Brush) {
    if (FLog)
        Note(QStringLiteral("FillRect ") + Ints({R.Left, R.Top, R.Right, R.Bottom}) + QLatin1Char(' ') +
             Describe(Brush));
    if (GetObjectType(Brush) != OBJ_BRUSH) return false;
    TPainterGuard G(*this);
    if (!G) return true;
    FillBox(*G.P, ToDeviceRect(R.Left, R.Top, R.Right, R.Bottom), Brush);
    return true;
}

bool DeviceContext::FrameRect(const TRect& R, HBRUSH Brush) {
    if (FLog)
        Note(QStringLiteral("FrameRect ") + Ints({R.Left, R.Top, R.Right, R.Bottom}) + QLatin1Char(' ') +
             Describe(Brush));
    if (GetObjectType(Brush) != OBJ_BRUSH) return false;
    TPainterGuard G(*this);
    if (!G) return true;
    QRectF Box(ToDeviceRect(R.Left, R.Top, R.Right, R.Bottom));
    if (Box.isEmpty()) return true;
    QPainterPath Ring;
    Ring.addRect(Box);
    Ring.addRect(Box.adjusted(1, 1, -1, -1));
    Ring.setFillRule(Qt::OddEvenFill);
    FillShape(*G.P, Ring, Brush);
    return true;
}

bool DeviceContext::PatBlt(int X, int Y, int Width, int Height, uint32_t Rop) {
    if (FLog) Note(QStringLiteral("PatBlt ") + Ints({X, Y, Width, Height}) + QLatin1Char(' ') + Hex(Rop, 8));
    TPainterGuard G(*this);
    if (!G) return true;
    PatFill(*G.P, ToDeviceRect(X, Y, Sum(X, Width), Sum(Y, Height)), Rop);
    return true;
}

void DeviceContext::PatFill(QPainter& P, const QRect& Box, uint32_t Rop) {
    switch (Rop) {
    case BLACKNESS:
        P.fillRect(Box, Qt::black);
        break;
    case WHITENESS:
        P.fillRect(Box, Qt::white);
        break;
    case DSTINVERT:
        if (FSurface->IsRaster()) {
            P.setCompositionMode(QPainter::RasterOp_NotDestination);
            P.fillRect(Box, Qt::black);
        }
        break;
    default:
        FillBox(P, Box, FState->Brush);
        break;
    }
}

bool DeviceContext::SetPixel(int X, int Y, COLORREF Color) {
    if (FLog) Note(QStringLiteral("SetPixel ") + Ints({X, Y}) + QLatin1Char(' ') + Hex(Color));
    TPainterGuard G(*this);
    if (!G) return true;
    QPointF D = ToDevice(X, Y);
    G.P->fillRect(QRectF(D.x(), D.y(), 1, 1), ToQColor(Color));
    return true;
}

COLORREF DeviceContext::GetPixel(int X, int Y) const {
    QImage* Img = FSurface->Image();
    if (!Img) return 0xFFFFFFFF;
    QPointF D = ToDevice(X, Y);
    QPoint P(int(D.x()), int(D.y()));
    if (!Img->rect().contains(P)) return 0xFFFFFFFF;
    if (FPainter) const_cast<DeviceContext*>(this)->EndPainter(); // make what was drawn readable
    QRgb C = Img->pixel(P);
    return RGB(uint8_t(qRed(C)), uint8_t(qGreen(C)), uint8_t(qBlue(C)));
}
