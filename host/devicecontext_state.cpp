#include "host/devicecontext.h"
#include "host/devicecontext_internal.h"

using namespace DeviceContextInternal;

// ---------------------------------------------------------------------------------------------
// Device context state

QStringList TDeviceLog::Only(const QStringList& Names) const {
    QStringList R;
    for (const QString& C : Calls) {
        QString Name = C.section(QLatin1Char(' '), 0, 0);
        if (Names.contains(Name)) R << C;
    }
    return R;
}

DeviceContext::DeviceContext(std::unique_ptr<TDeviceSurface> Surface)
    : FSurface(std::move(Surface)), FState(std::make_unique<TState>()) {
    FCaps = FSurface->Caps();
    FState->Font = GetStockObject(SYSTEM_FONT);
    FState->Pen = GetStockObject(BLACK_PEN);
    FState->Brush = GetStockObject(WHITE_BRUSH);
    FState->Palette = GetStockObject(DEFAULT_PALETTE);
    Retain(*FState);
}

DeviceContext::~DeviceContext() {
    EndPainter();
    if (!FEnded) FSurface->Finish();
    for (const TState& S : FSaved)
        Release(S);
    Release(*FState);
}

std::unique_ptr<DeviceContext> DeviceContext::CreateImage(int Width, int Height, int PixelsPerInchX,
                                                          int PixelsPerInchY, int Technology) {
    return std::make_unique<DeviceContext>(
        std::make_unique<TImageSurface>(Width, Height, PixelsPerInchX, PixelsPerInchY, Technology));
}

std::unique_ptr<DeviceContext> DeviceContext::CreateForImage(QImage* Image, int PixelsPerInchX,
                                                             int PixelsPerInchY, int Technology) {
    return std::make_unique<DeviceContext>(
        std::make_unique<TImageSurface>(Image, PixelsPerInchX, PixelsPerInchY, Technology));
}

std::unique_ptr<DeviceContext> DeviceContext::CreatePdf(const QString& FileName, QSizeF PaperMM,
                                                        int Resolution, const QString& Title) {
    return std::make_unique<DeviceContext>(
        std::make_unique<TPdfSurface>(FileName, PaperMM, Resolution, Title));
}

std::unique_ptr<DeviceContext> DeviceContext::CreateMeasuring(int PixelsPerInchX, int PixelsPerInchY) {
    TDeviceCaps C;
    C.Technology = DT_RASPRINTER;
    C.LogPixelsX = PixelsPerInchX > 0 ? PixelsPerInchX : 96;
    C.LogPixelsY = PixelsPerInchY > 0 ? PixelsPerInchY : 96;
    return std::make_unique<DeviceContext>(std::make_unique<TNullSurface>(C));
}

std::unique_ptr<DeviceContext> DeviceContext::CreateRecording(const TDeviceCaps& Caps) {
    auto DC = std::make_unique<DeviceContext>(std::make_unique<TNullSurface>(Caps));
    DC->StartLog();
    return DC;
}

std::unique_ptr<DeviceContext> DeviceContext::CreateRecordingImage(const TDeviceCaps& Caps) {
    auto DC = std::make_unique<DeviceContext>(std::make_unique<TImageSurface>(Caps));
    DC->StartLog();
    return DC;
}

QImage* DeviceContext::Image() const {
    return FSurface->Image();
}

void DeviceContext::StartLog() {
    if (!FLog) FLog = std::make_unique<TDeviceLog>();
}

// Callers test FLog before they build the line: most devices keep no log, and building the text of
// every call would cost more than drawing it.
void DeviceContext::Note(const QString& Line) const {
    if (FLog) FLog->Calls << Line;
}

QString DeviceContext::Describe(HGDIOBJ Object) const {
    if (Object >= FirstStock && Object < FirstCreated)
        return QStringLiteral("stock %1").arg(Object - FirstStock);
    TGdiObject O = FindObject(Object);
    switch (O.Type) {
    case OBJ_FONT:
        return QStringLiteral("font %1 %2")
                   .arg(Quote(O.Font.lfFaceName),
                        Ints({O.Font.lfHeight, O.Font.lfWidth, O.Font.lfWeight, O.Font.lfItalic,
                              O.Font.lfUnderline, O.Font.lfStrikeOut, O.Font.lfCharSet})) +
               QStringLiteral(" esc=%1").arg(O.Font.lfEscapement);
    case OBJ_PEN:
        return QStringLiteral("pen %1 %2 %3")
            .arg(O.Pen.lopnStyle)
            .arg(O.Pen.lopnWidth)
            .arg(Hex(O.Pen.lopnColor));
    case OBJ_BRUSH:
        if (O.MonoPattern) {
            QString Bits;
            for (uint8_t R : O.Rows)
                Bits += QStringLiteral("%1").arg(R, 2, 16, QLatin1Char('0')).toUpper();
            return QStringLiteral("brush pattern ") + Bits;
        }
        if (O.Brush.lbStyle == BS_PATTERN) return QStringLiteral("brush pattern image");
        return QStringLiteral("brush %1 %2 %3")
            .arg(O.Brush.lbStyle)
            .arg(Hex(O.Brush.lbColor))
            .arg(O.Brush.lbHatch);
    case OBJ_PAL:
        return QStringLiteral("palette %1").arg(O.Palette.size());
    default:
        return QStringLiteral("invalid");
    }
}

void DeviceContext::Retain(const TState& S) {
    AddUse(S.Font, 1);
    AddUse(S.Pen, 1);
    AddUse(S.Brush, 1);
    AddUse(S.Palette, 1);
}

void DeviceContext::Release(const TState& S) {
    AddUse(S.Font, -1);
    AddUse(S.Pen, -1);
    AddUse(S.Brush, -1);
    AddUse(S.Palette, -1);
}

// ---------------------------------------------------------------------------------------------
// Painting on the surface

namespace {

// Device pixels onto the surface's paint device.
QTransform SurfaceTransform(const TDeviceSurface& Surface) {
    QTransform T;
    const QPoint Origin = Surface.Origin();
    if (!Origin.isNull()) T.translate(Origin.x(), Origin.y());
    const double Zoom = Surface.Zoom();
    if (Zoom > 0 && Zoom != 1.0) T.scale(Zoom, Zoom);
    return T;
}

} // namespace

QPainter* DeviceContext::Painter() {
    if (FPainter) return FPainter.get();
    if (FEnded) return nullptr;
    QPaintDevice* D = FSurface->PaintDevice();
    if (!D) return nullptr;
    FPainter = std::make_unique<QPainter>();
    if (!FPainter->begin(D)) {
        FPainter.reset();
        return nullptr;
    }
    FPainter->setRenderHint(QPainter::Antialiasing, false);
    FPainter->setRenderHint(QPainter::TextAntialiasing, !FSurface->IsRaster());
    FPainter->setRenderHint(QPainter::SmoothPixmapTransform, false);
    FPainter->setWorldTransform(SurfaceTransform(*FSurface));
    FBaseTransform = FPainter->worldTransform();
    FBaseBrushOrigin = FPainter->brushOrigin();
    return FPainter.get();
}

// Puts back what drawing calls change and do not set themselves each time. Each call sets its own
// pen, brush and font before it uses them, so those stay; saving and restoring the whole painter
// instead would cost more than drawing a short text.
void DeviceContext::ResetPainter(QPainter& P) const {
    if (P.worldTransform() != FBaseTransform) P.setWorldTransform(FBaseTransform);
    if (P.compositionMode() != QPainter::CompositionMode_SourceOver)
        P.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (P.brushOrigin() != FBaseBrushOrigin) P.setBrushOrigin(FBaseBrushOrigin);
    if (P.testRenderHint(QPainter::SmoothPixmapTransform))
        P.setRenderHint(QPainter::SmoothPixmapTransform, false);
    PrepareClip(P);
}

void DeviceContext::EndPainter() {
    if (FPainter) {
        FPainter->end();
        FPainter.reset();
    }
}

bool DeviceContext::Draws() const {
    return FSurface->PaintDevice() != nullptr;
}

void DeviceContext::PrepareClip(QPainter& P) const {
    if (FState->Clipped)
        P.setClipRegion(FState->Clip);
    else
        P.setClipping(false);
}

bool DeviceContext::NewPage() {
    if (FLog) Note(QStringLiteral("NewPage"));
    QPainter* P = Painter();
    if (!P) return false;
    bool Done = FSurface->NewPage();
    ResetDC();
    return Done;
}

void DeviceContext::EndDoc() {
    if (FLog) Note(QStringLiteral("EndDoc"));
    if (FEnded) return;
    Painter(); // a document without drawing still gets its one empty page
    EndPainter();
    FSurface->Finish();
    FEnded = true;
}

void DeviceContext::ResetDC() {
    FCaps = FSurface->Caps();
    if (FPainter) {
        // A page begun at another scale draws at that scale from its first call.
        FBaseTransform = SurfaceTransform(*FSurface);
        FPainter->setWorldTransform(FBaseTransform);
    }
    FFontsMade.clear(); // the default size follows the resolution
}

int DeviceContext::GetDeviceCaps(int Index) const {
    const TDeviceCaps& C = FCaps;
    switch (Index) {
    case DRIVERVERSION:
        return 0x400;
    case TECHNOLOGY:
        return C.Technology;
    case HORZSIZE:
        return C.LogPixelsX > 0 ? MulDiv(C.HorzRes, 254, C.LogPixelsX * 10) : 0;
    case VERTSIZE:
        return C.LogPixelsY > 0 ? MulDiv(C.VertRes, 254, C.LogPixelsY * 10) : 0;
    case HORZRES:
        return C.HorzRes;
    case VERTRES:
        return C.VertRes;
    case BITSPIXEL:
        return C.BitsPixel;
    case PLANES:
        return 1;
    case NUMBRUSHES:
    case NUMPENS:
    case NUMCOLORS:
        return -1;
    case NUMFONTS:
        return 0;
    case RASTERCAPS:
        return 0x7E99; // bitblt, stretching, DIBs, large bitmaps and fonts
    case ASPECTX:
    case ASPECTY:
        return 36;
    case ASPECTXY:
        return 51;
    case LOGPIXELSX:
        return C.LogPixelsX;
    case LOGPIXELSY:
        return C.LogPixelsY;
    case SIZEPALETTE:
        return C.SizePalette;
    case NUMRESERVED:
        return 20;
    case COLORRES:
        return 24;
    case PHYSICALWIDTH:
        return C.PhysicalWidth;
    case PHYSICALHEIGHT:
        return C.PhysicalHeight;
    case PHYSICALOFFSETX:
        return C.PhysicalOffsetX;
    case PHYSICALOFFSETY:
        return C.PhysicalOffsetY;
    case SCALINGFACTORX:
    case SCALINGFACTORY:
        return 0;
    default:
        return 0;
    }
}

// ---------------------------------------------------------------------------------------------
// Objects

HGDIOBJ DeviceContext::SelectObject(HGDIOBJ Object) {
    int Type = GetObjectType(Object);
    HGDIOBJ* Slot = nullptr;
    switch (Type) {
    case OBJ_FONT:
        Slot = &FState->Font;
        break;
    case OBJ_PEN:
        Slot = &FState->Pen;
        break;
    case OBJ_BRUSH:
        Slot = &FState->Brush;
        break;
    default:
        return 0; // palettes go through SelectPalette
    }
    if (FLog) Note(QStringLiteral("SelectObject ") + Describe(Object));
    HGDIOBJ Old = *Slot;
    if (Old == Object) return Old;
    AddUse(Object, 1);
    AddUse(Old, -1);
    *Slot = Object;
    return Old;
}

HGDIOBJ DeviceContext::GetCurrentObject(int ObjectType) const {
    switch (ObjectType) {
    case OBJ_FONT:
        return FState->Font;
    case OBJ_PEN:
        return FState->Pen;
    case OBJ_BRUSH:
        return FState->Brush;
    case OBJ_PAL:
        return FState->Palette;
    default:
        return 0;
    }
}

HPALETTE DeviceContext::SelectPalette(HPALETTE Palette, bool ForceBackground) {
    if (GetObjectType(Palette) != OBJ_PAL) return 0;
    if (FLog)
        Note(QStringLiteral("SelectPalette ") + Describe(Palette) + (ForceBackground ? " background" : ""));
    HPALETTE Old = FState->Palette;
    if (Old != Palette) {
        AddUse(Palette, 1);
        AddUse(Old, -1);
        FState->Palette = Palette;
    }
    return Old;
}

int DeviceContext::RealizePalette() {
    if (FLog) Note(QStringLiteral("RealizePalette"));
    return 0; // true-colour devices map nothing
}

int DeviceContext::GetSystemPaletteEntries(int Start, int Count, TPaletteEntry* Entries) const {
    std::vector<TPaletteEntry> Sys;
    GetObject(GetStockObject(DEFAULT_PALETTE), Sys);
    // the device's static colours: the first ten and the last ten of the twenty
    int N = 0;
    for (int i = 0; i < Count && Entries; ++i) {
        int Index = Start + i;
        if (Index < 0 || Index >= 256) break;
        int Pos = Index < 10 ? Index : Index >= 246 ? Index - 236 : -1;
        Entries[i] = Pos >= 0 ? Sys[size_t(Pos)] : TPaletteEntry{};
        ++N;
    }
    return FCaps.SizePalette > 0 ? N : 0;
}

// ---------------------------------------------------------------------------------------------
// Attributes

int DeviceContext::SetMode(int& Field, int Value, bool Valid, const char* Call) {
    if (!Valid) return 0;
    if (FLog) Note(QStringLiteral("%1 %2").arg(QLatin1String(Call)).arg(Value));
    return std::exchange(Field, Value);
}

COLORREF DeviceContext::SetTextColor(COLORREF Color) {
    if (FLog) Note(QStringLiteral("SetTextColor ") + Hex(Color));
    return std::exchange(FState->TextColor, Color);
}
COLORREF DeviceContext::GetTextColor() const {
    return FState->TextColor;
}

COLORREF DeviceContext::SetBkColor(COLORREF Color) {
    if (FLog) Note(QStringLiteral("SetBkColor ") + Hex(Color));
    return std::exchange(FState->BkColor, Color);
}
COLORREF DeviceContext::GetBkColor() const {
    return FState->BkColor;
}

int DeviceContext::SetBkMode(int Mode) {
    return SetMode(FState->BkMode, Mode, Mode == TRANSPARENT || Mode == OPAQUE, "SetBkMode");
}
int DeviceContext::GetBkMode() const {
    return FState->BkMode;
}

uint32_t DeviceContext::SetTextAlign(uint32_t Flags) {
    if (FLog) Note(QStringLiteral("SetTextAlign %1").arg(Flags));
    return std::exchange(FState->TextAlign, Flags & (TA_UPDATECP | TA_CENTER | TA_BASELINE));
}
uint32_t DeviceContext::GetTextAlign() const {
    return FState->TextAlign;
}

int DeviceContext::SetROP2(int Rop2) {
    return SetMode(FState->Rop2, Rop2, Rop2 >= R2_BLACK && Rop2 <= R2_WHITE, "SetROP2");
}
int DeviceContext::GetROP2() const {
    return FState->Rop2;
}

int DeviceContext::SetPolyFillMode(int Mode) {
    return SetMode(FState->PolyFill, Mode, Mode == ALTERNATE || Mode == WINDING, "SetPolyFillMode");
}
int DeviceContext::GetPolyFillMode() const {
    return FState->PolyFill;
}

int DeviceContext::SetArcDirection(int Direction) {
    return SetMode(FState->ArcDirection, Direction,
                   Direction == AD_COUNTERCLOCKWISE || Direction == AD_CLOCKWISE, "SetArcDirection");
}
int DeviceContext::GetArcDirection() const {
    return FState->ArcDirection;
}

int DeviceContext::SetStretchBltMode(int Mode) {
    return SetMode(FState->StretchMode, Mode, Mode >= BLACKONWHITE && Mode <= HALFTONE, "SetStretchBltMode");
}
int DeviceContext::GetStretchBltMode() const {
    return FState->StretchMode;
}

bool DeviceContext::SetBrushOrgEx(int X, int Y, TPoint* Old) {
    if (FLog) Note(QStringLiteral("SetBrushOrgEx ") + Ints({X, Y}));
    if (Old) *Old = FState->BrushOrg;
    FState->BrushOrg = Point(X, Y);
    return true;
}

// ---------------------------------------------------------------------------------------------
// State

int DeviceContext::SaveDC() {
    if (FLog) Note(QStringLiteral("SaveDC"));
    FSaved.push_back(*FState);
    Retain(FSaved.back());
    return int(FSaved.size());
}

bool DeviceContext::RestoreDC(int Level) {
    if (FLog) Note(QStringLiteral("RestoreDC %1").arg(Level));
    int N = int(FSaved.size());
    int Target = Level < 0 ? N + Level + 1 : Level; // the level to return to
    if (Target < 1 || Target > N) return false;
    Release(*FState);
    *FState = FSaved[size_t(Target - 1)];
    // the restored state takes over the saved state's hold on its objects
    for (int i = N - 1; i >= Target; --i)
        Release(FSaved[size_t(i)]);
    FSaved.resize(size_t(Target - 1));
    return true;
}

// ---------------------------------------------------------------------------------------------
// Mapping

int DeviceContext::SetMapMode(int Mode) {
    if (Mode != MM_TEXT && Mode != MM_ISOTROPIC && Mode != MM_ANISOTROPIC) return 0;
    if (FLog) Note(QStringLiteral("SetMapMode %1").arg(Mode));
    int Old = FState->MapMode;
    FState->MapMode = Mode;
    if (Mode == MM_TEXT) {
        FState->WinExt = TSize{1, 1};
        FState->VpExt = TSize{1, 1};
    }
    return Old;
}
int DeviceContext::GetMapMode() const {
    return FState->MapMode;
}

bool DeviceContext::SetExtent(TSize& Field, int X, int Y, TSize* Old, const char* Call) {
    if (FLog) Note(QString::fromLatin1(Call) + u' ' + Ints({X, Y}));
    if (Old) *Old = Field;
    if (FState->MapMode == MM_TEXT) return true; // extents are fixed in this mode
    if (X == 0 || Y == 0) return false;
    Field = TSize{X, Y};
    return true;
}

bool DeviceContext::SetOrigin(TPoint& Field, int X, int Y, TPoint* Old, const char* Call) {
    if (FLog) Note(QString::fromLatin1(Call) + u' ' + Ints({X, Y}));
    if (Old) *Old = Field;
    Field = Point(X, Y);
    return true;
}

bool DeviceContext::SetWindowExtEx(int X, int Y, TSize* Old) {
    return SetExtent(FState->WinExt, X, Y, Old, "SetWindowExtEx");
}

bool DeviceContext::SetWindowOrgEx(int X, int Y, TPoint* Old) {
    return SetOrigin(FState->WinOrg, X, Y, Old, "SetWindowOrgEx");
}

bool DeviceContext::SetViewportExtEx(int X, int Y, TSize* Old) {
    return SetExtent(FState->VpExt, X, Y, Old, "SetViewportExtEx");
}

bool DeviceContext::SetViewportOrgEx(int X, int Y, TPoint* Old) {
    return SetOrigin(FState->VpOrg, X, Y, Old, "SetViewportOrgEx");
}

bool DeviceContext::OffsetViewportOrgEx(int DX, int DY, TPoint* Old) {
    if (FLog) Note(QStringLiteral("OffsetViewportOrgEx ") + Ints({DX, DY}));
    if (Old) *Old = FState->VpOrg;
    FState->VpOrg.X += DX;
    FState->VpOrg.Y += DY;
    return true;
}

bool DeviceContext::GetWindowExtEx(TSize& Size) const {
    Size = FState->WinExt;
    return true;
}
bool DeviceContext::GetWindowOrgEx(TPoint& Pt) const {
    Pt = FState->WinOrg;
    return true;
}
bool DeviceContext::GetViewportExtEx(TSize& Size) const {
    Size = FState->VpExt;
    return true;
}
bool DeviceContext::GetViewportOrgEx(TPoint& Pt) const {
    Pt = FState->VpOrg;
    return true;
}

double DeviceContext::ScaleX() const {
    const TState& S = *FState;
    double X = double(S.VpExt.cx) / S.WinExt.cx;
    if (S.MapMode == MM_ISOTROPIC) {
        double Y = double(S.VpExt.cy) / S.WinExt.cy;
        double M = std::min(std::fabs(X), std::fabs(Y));
        return X < 0 ? -M : M;
    }
    return X;
}

double DeviceContext::ScaleY() const {
    const TState& S = *FState;
    double Y = double(S.VpExt.cy) / S.WinExt.cy;
    if (S.MapMode == MM_ISOTROPIC) {
        double X = double(S.VpExt.cx) / S.WinExt.cx;
        double M = std::min(std::fabs(X), std::fabs(Y));
        return Y < 0 ? -M : M;
    }
    return Y;
}

double DeviceContext::ToDeviceX(double X) const {
    return (X - FState->WinOrg.X) * ScaleX() + FState->VpOrg.X;
}
double DeviceContext::ToDeviceY(double Y) const {
    return (Y - FState->WinOrg.Y) * ScaleY() + FState->VpOrg.Y;
}

QPointF DeviceContext::ToDevice(int X, int Y) const {
    return QPointF(DevRound(ToDeviceX(X)), DevRound(ToDeviceY(Y)));
}

// A logical rectangle as device pixels [left, right) x [top, bottom), ordered.
QRect DeviceContext::ToDeviceRect(int Left, int Top, int Right, int Bottom) const {
    int L = DevRound(ToDeviceX(Left)), R = DevRound(ToDeviceX(Right));
    int T = DevRound(ToDeviceY(Top)), B = DevRound(ToDeviceY(Bottom));
    if (R < L) std::swap(L, R);
    if (B < T) std::swap(T, B);
    return QRect(L, T, R - L, B - T);
}

bool DeviceContext::LPtoDP(TPoint* Points, int Count) const {
    for (int i = 0; i < Count; ++i) {
        QPointF D = ToDevice(Points[i].X, Points[i].Y);
        Points[i] = Point(int(D.x()), int(D.y()));
    }
    return true;
}

bool DeviceContext::DPtoLP(TPoint* Points, int Count) const {
    double SX = ScaleX(), SY = ScaleY();
    for (int i = 0; i < Count; ++i) {
        Points[i].X = DevRound((Points[i].X - FState->VpOrg.X) / SX + FState->WinOrg.X);
        Points[i].Y = DevRound((Points[i].Y - FState->VpOrg.Y) / SY + FState->WinOrg.Y);
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Clipping

static int RegionKind(const QRegion& R) {
    if (R.isEmpty()) return NULLREGION;
    return R.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

int DeviceContext::SelectClipRgn(const QRegion* DeviceRegion) {
    if (DeviceRegion) {
        const QRect B = DeviceRegion->boundingRect();
        if (FLog)
            Note(QStringLiteral("SelectClipRgn ") + Ints({B.left(), B.top(), B.right() + 1, B.bottom() + 1}));
        FState->Clipped = true;
        FState->Clip = *DeviceRegion;
        return RegionKind(FState->Clip);
    }
    if (FLog) Note(QStringLiteral("SelectClipRgn nil"));
    FState->Clipped = false;
    FState->Clip = QRegion();
    return SIMPLEREGION;
}

int DeviceContext::IntersectClipRect(int Left, int Top, int Right, int Bottom) {
    if (FLog) Note(QStringLiteral("IntersectClipRect ") + Ints({Left, Top, Right, Bottom}));
    QRegion R(ToDeviceRect(Left, Top, Right, Bottom));
    if (FState->Clipped)
        FState->Clip = FState->Clip.intersected(R);
    else
        FState->Clip = R;
    FState->Clipped = true;
    return RegionKind(FState->Clip);
}

int DeviceContext::ExcludeClipRect(int Left, int Top, int Right, int Bottom) {
    if (FLog) Note(QStringLiteral("ExcludeClipRect ") + Ints({Left, Top, Right, Bottom}));
    QRegion All =
        FState->Clipped ? FState->Clip : QRegion(-(1 << 24), -(1 << 24), 1 << 25, 1 << 25); // everything
    FState->Clip = All.subtracted(QRegion(ToDeviceRect(Left, Top, Right, Bottom)));
    FState->Clipped = true;
    return RegionKind(FState->Clip);
}

int DeviceContext::GetClipBox(TRect& R) const {
    QRect B;
    if (FState->Clipped)
        B = FState->Clip.boundingRect();
    else
        B = QRect(0, 0, FCaps.HorzRes, FCaps.VertRes);
    TPoint P[2] = {Point(B.left(), B.top()), Point(B.left() + B.width(), B.top() + B.height())};
    DPtoLP(P, 2);
    R = Rect(std::min(P[0].X, P[1].X), std::min(P[0].Y, P[1].Y), std::max(P[0].X, P[1].X),
             std::max(P[0].Y, P[1].Y));
    return FState->Clipped ? RegionKind(FState->Clip) : SIMPLEREGION;
}

bool DeviceContext::PtVisible(int X, int Y) const {
    QPointF D = ToDevice(X, Y);
    QPoint P(int(D.x()), int(D.y()));
    if (FState->Clipped) return FState->Clip.contains(P);
    return P.x() >= 0 && P.y() >= 0 && P.x() < FCaps.HorzRes && P.y() < FCaps.VertRes;
}
