#include "host/devicecontext.h"
#include "host/mathutil.h"
#include <QGlyphRun>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPainterPathStroker>
#include <QPdfWriter>
#include <QtMath>
#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>
#include <unordered_map>

// ---------------------------------------------------------------------------------------------
// The object table

namespace {

struct TGdiObject {
    int Type = 0;
    TLogFont Font;
    TLogPen Pen;
    TLogBrush Brush;
    bool MonoPattern = false;
    uint8_t Rows[8] = {};
    QImage Pattern; // colour pattern brushes
    std::vector<TPaletteEntry> Palette;
    int Uses = 0; // selections in device contexts and their saved states
    bool Stock = false;
};

constexpr HGDIOBJ FirstStock = 1;       // stock object i has handle FirstStock + i
constexpr HGDIOBJ FirstCreated = 0x100; // created objects count up from here

struct TGdiTable {
    std::mutex Lock;
    std::unordered_map<HGDIOBJ, TGdiObject> Objects;
    HGDIOBJ Next = FirstCreated;
    bool StockMade = false;
};

TGdiTable& Table() {
    static TGdiTable T;
    return T;
}

TLogFont StockFont(int Index) {
    TLogFont F;
    switch (Index) {
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case SYSTEM_FIXED_FONT:
        F.lfHeight = 12;
        F.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
        F.lfFaceName = QStringLiteral("Courier New");
        break;
    case ANSI_VAR_FONT:
    case DEFAULT_GUI_FONT:
        F.lfHeight = -11;
        F.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
        F.lfFaceName = QStringLiteral("MS Sans Serif");
        break;
    default: // SYSTEM_FONT, DEVICE_DEFAULT_FONT
        F.lfHeight = 16;
        F.lfWeight = FW_BOLD;
        F.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
        F.lfFaceName = QStringLiteral("System");
        break;
    }
    return F;
}

void MakeStock(TGdiTable& T) {
    if (T.StockMade) return;
    T.StockMade = true;
    auto Add = [&](int Index, TGdiObject O) {
        O.Stock = true;
        T.Objects[FirstStock + HGDIOBJ(Index)] = std::move(O);
    };
    const COLORREF BrushColors[5] = {RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128),
                                     RGB(64, 64, 64), RGB(0, 0, 0)};
    for (int i = WHITE_BRUSH; i <= BLACK_BRUSH; ++i) {
        TGdiObject O;
        O.Type = OBJ_BRUSH;
        O.Brush = TLogBrush{BS_SOLID, BrushColors[i], 0};
        Add(i, O);
    }
    {
        TGdiObject O;
        O.Type = OBJ_BRUSH;
        O.Brush = TLogBrush{BS_NULL, 0, 0};
        Add(NULL_BRUSH, O);
    }
    {
        TGdiObject O;
        O.Type = OBJ_PEN;
        O.Pen = TLogPen{PS_SOLID, 0, RGB(255, 255, 255)};
        Add(WHITE_PEN, O);
        O.Pen = TLogPen{PS_SOLID, 0, 0};
        Add(BLACK_PEN, O);
        O.Pen = TLogPen{PS_NULL, 0, 0};
        Add(NULL_PEN, O);
    }
    for (int i : {OEM_FIXED_FONT, ANSI_FIXED_FONT, ANSI_VAR_FONT, SYSTEM_FONT, DEVICE_DEFAULT_FONT,
                  SYSTEM_FIXED_FONT, DEFAULT_GUI_FONT}) {
        TGdiObject O;
        O.Type = OBJ_FONT;
        O.Font = StockFont(i);
        Add(i, O);
    }
    {
        TGdiObject O;
        O.Type = OBJ_PAL;
        const COLORREF Static[20] = {
            RGB(0, 0, 0),       RGB(128, 0, 0),     RGB(0, 128, 0),     RGB(128, 128, 0),
            RGB(0, 0, 128),     RGB(128, 0, 128),   RGB(0, 128, 128),   RGB(192, 192, 192),
            RGB(192, 220, 192), RGB(166, 202, 240), RGB(255, 251, 240), RGB(160, 160, 164),
            RGB(128, 128, 128), RGB(255, 0, 0),     RGB(0, 255, 0),     RGB(255, 255, 0),
            RGB(0, 0, 255),     RGB(255, 0, 255),   RGB(0, 255, 255),   RGB(255, 255, 255)};
        for (COLORREF C : Static)
            O.Palette.push_back(TPaletteEntry{GetRValue(C), GetGValue(C), GetBValue(C), 0});
        Add(DEFAULT_PALETTE, O);
    }
}

HGDIOBJ AddObject(TGdiObject O) {
    TGdiTable& T = Table();
    std::lock_guard<std::mutex> G(T.Lock);
    MakeStock(T);
    HGDIOBJ H = T.Next++;
    T.Objects.emplace(H, std::move(O));
    return H;
}

// Hands the object (nullptr for an invalid handle) to Read under the table's lock, so that a caller
// that needs one field does not copy the whole object, patterns and palettes included.
template <class TRead> auto ReadObject(HGDIOBJ H, TRead Read) {
    TGdiTable& T = Table();
    std::lock_guard<std::mutex> G(T.Lock);
    MakeStock(T);
    auto It = T.Objects.find(H);
    return Read(It == T.Objects.end() ? nullptr : &It->second);
}

// A copy of the object, or one of Type 0 for an invalid handle.
TGdiObject FindObject(HGDIOBJ H) {
    return ReadObject(H, [](const TGdiObject* O) { return O ? *O : TGdiObject{}; });
}

// Copies the record of an object of Type into Record.
template <class TRecord> bool ReadRecord(HGDIOBJ H, int Type, TRecord TGdiObject::*Field, TRecord& Record) {
    return ReadObject(H, [&](const TGdiObject* O) {
        if (!O || O->Type != Type) return false;
        Record = O->*Field;
        return true;
    });
}

void AddUse(HGDIOBJ H, int Delta) {
    if (!H) return;
    TGdiTable& T = Table();
    std::lock_guard<std::mutex> G(T.Lock);
    auto It = T.Objects.find(H);
    if (It != T.Objects.end()) It->second.Uses += Delta;
}

QColor ToQColor(COLORREF C) {
    return QColor(GetRValue(C), GetGValue(C), GetBValue(C));
}

QString Quote(QStringView S) {
    QString R = S.toString();
    R.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    R.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + R + QLatin1Char('"');
}

QString Hex(uint32_t V, int Digits = 6) {
    return QStringLiteral("0x") + QString::number(V, 16).rightJustified(Digits, QLatin1Char('0')).toUpper();
}

QString Ints(std::initializer_list<int> Values) {
    QStringList L;
    for (int V : Values)
        L << QString::number(V);
    return L.join(QLatin1Char(' '));
}

// Device coordinates stay far inside the range where integer and painter arithmetic is exact, so
// absurd input gives an absurd picture rather than overflow.
constexpr double DeviceLimit = double(1 << 26);

int DevRound(double V) {
    if (std::isnan(V)) return 0;
    return int(std::floor(std::clamp(V, -DeviceLimit, DeviceLimit) + 0.5));
}

// A + B without overflow.
int Sum(int A, int B) {
    return int(std::clamp<int64_t>(int64_t(A) + B, std::numeric_limits<int>::min(),
                                   std::numeric_limits<int>::max()));
}

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

HFONT CreateFontIndirect(const TLogFont& LogFont) {
    TGdiObject O;
    O.Type = OBJ_FONT;
    O.Font = LogFont;
    O.Font.lfFaceName = LogFont.lfFaceName.left(LF_FACESIZE - 1);
    return AddObject(std::move(O));
}

HPEN CreatePenIndirect(const TLogPen& LogPen) {
    TGdiObject O;
    O.Type = OBJ_PEN;
    O.Pen = LogPen;
    if ((O.Pen.lopnStyle & PS_STYLE_MASK) > PS_ALTERNATE) O.Pen.lopnStyle = PS_SOLID;
    if (O.Pen.lopnWidth < 0) O.Pen.lopnWidth = 0;
    return AddObject(std::move(O));
}

HPEN CreatePen(uint32_t Style, int Width, COLORREF Color) {
    return CreatePenIndirect(TLogPen{Style, Width, Color});
}

HBRUSH CreateBrushIndirect(const TLogBrush& LogBrush) {
    TGdiObject O;
    O.Type = OBJ_BRUSH;
    O.Brush = LogBrush;
    if (O.Brush.lbStyle == BS_HATCHED && (O.Brush.lbHatch < HS_HORIZONTAL || O.Brush.lbHatch > HS_DIAGCROSS))
        O.Brush.lbStyle = BS_SOLID;
    if (O.Brush.lbStyle > BS_HATCHED) O.Brush.lbStyle = BS_SOLID; // patterns need their bits
    return AddObject(std::move(O));
}

HBRUSH CreateSolidBrush(COLORREF Color) {
    return CreateBrushIndirect(TLogBrush{BS_SOLID, Color, 0});
}

HBRUSH CreateHatchBrush(int Hatch, COLORREF Color) {
    if (Hatch < HS_HORIZONTAL || Hatch > HS_DIAGCROSS) return 0;
    return CreateBrushIndirect(TLogBrush{BS_HATCHED, Color, Hatch});
}

HBRUSH CreatePatternBrush(const uint8_t Rows[8]) {
    TGdiObject O;
    O.Type = OBJ_BRUSH;
    O.Brush = TLogBrush{BS_PATTERN, 0, 0};
    O.MonoPattern = true;
    std::copy(Rows, Rows + 8, O.Rows);
    return AddObject(std::move(O));
}

HBRUSH CreatePatternBrush(const QImage& Pattern) {
    if (Pattern.isNull()) return 0;
    TGdiObject O;
    O.Type = OBJ_BRUSH;
    O.Brush = TLogBrush{BS_PATTERN, 0, 0};
    O.Pattern = Pattern.convertToFormat(QImage::Format_ARGB32);
    return AddObject(std::move(O));
}

HPALETTE CreatePalette(const std::vector<TPaletteEntry>& Entries) {
    if (Entries.empty()) return 0;
    TGdiObject O;
    O.Type = OBJ_PAL;
    O.Palette = Entries;
    return AddObject(std::move(O));
}

HGDIOBJ GetStockObject(int Index) {
    if (Index < WHITE_BRUSH || Index > DEFAULT_GUI_FONT || Index == 9) return 0;
    TGdiTable& T = Table();
    std::lock_guard<std::mutex> G(T.Lock);
    MakeStock(T);
    return FirstStock + HGDIOBJ(Index);
}

bool DeleteObject(HGDIOBJ Object) {
    TGdiTable& T = Table();
    std::lock_guard<std::mutex> G(T.Lock);
    MakeStock(T);
    auto It = T.Objects.find(Object);
    if (It == T.Objects.end()) return false;
    if (It->second.Stock) return true;
    if (It->second.Uses > 0) return false;
    T.Objects.erase(It);
    return true;
}

int GetObjectType(HGDIOBJ Object) {
    return ReadObject(Object, [](const TGdiObject* O) { return O ? O->Type : 0; });
}

bool GetObject(HGDIOBJ Font, TLogFont& LogFont) {
    return ReadRecord(Font, OBJ_FONT, &TGdiObject::Font, LogFont);
}

bool GetObject(HGDIOBJ Pen, TLogPen& LogPen) {
    return ReadRecord(Pen, OBJ_PEN, &TGdiObject::Pen, LogPen);
}

bool GetObject(HGDIOBJ Brush, TLogBrush& LogBrush) {
    return ReadRecord(Brush, OBJ_BRUSH, &TGdiObject::Brush, LogBrush);
}

bool GetObject(HGDIOBJ Palette, std::vector<TPaletteEntry>& Entries) {
    return ReadRecord(Palette, OBJ_PAL, &TGdiObject::Palette, Entries);
}

int GdiObjectCount() {
    TGdiTable& T = Table();
    std::lock_guard<std::mutex> G(T.Lock);
    int N = 0;
    for (const auto& [H, O] : T.Objects)
        if (!O.Stock) ++N;
    return N;
}

int ClearGdiObjects() {
    TGdiTable& T = Table();
    std::lock_guard<std::mutex> G(T.Lock);
    return int(std::erase_if(T.Objects,
                             [](const auto& Item) { return !Item.second.Stock && Item.second.Uses <= 0; }));
}

// ---------------------------------------------------------------------------------------------
// Surfaces

TDeviceSurface::~TDeviceSurface() = default;

TImageSurface::TImageSurface(int Width, int Height, int PixelsPerInchX, int PixelsPerInchY, int Technology)
    : FOwned(std::make_unique<QImage>(std::max(1, Width), std::max(1, Height), QImage::Format_RGB32)),
      FImage(FOwned.get()) {
    FImage->fill(Qt::white);
    FCaps.Technology = Technology;
    FCaps.LogPixelsX = PixelsPerInchX > 0 ? PixelsPerInchX : 96;
    FCaps.LogPixelsY = PixelsPerInchY > 0 ? PixelsPerInchY : 96;
}

TImageSurface::TImageSurface(QImage* Image, int PixelsPerInchX, int PixelsPerInchY, int Technology)
    : FImage(Image) {
    FCaps.Technology = Technology;
    FCaps.LogPixelsX = PixelsPerInchX > 0 ? PixelsPerInchX : 96;
    FCaps.LogPixelsY = PixelsPerInchY > 0 ? PixelsPerInchY : 96;
}

TImageSurface::TImageSurface(const TDeviceCaps& Caps)
    : FOwned(std::make_unique<QImage>(std::max(1, Caps.HorzRes), std::max(1, Caps.VertRes),
                                      QImage::Format_RGB32)),
      FImage(FOwned.get()), FCaps(Caps), FFixedCaps(true) {
    FImage->fill(Qt::white);
}

TDeviceCaps TImageSurface::Caps() const {
    if (FFixedCaps) return FCaps;
    TDeviceCaps C = FCaps;
    C.PhysicalWidth = C.HorzRes = FImage->width();
    C.PhysicalHeight = C.VertRes = FImage->height();
    C.BitsPixel = FImage->depth();
    return C;
}

QPaintDevice* TImageSurface::PaintDevice() {
    return FImage;
}

TPdfSurface::TPdfSurface(const QString& FileName, QSizeF PaperMM, int Resolution, const QString& Title)
    : FWriter(std::make_unique<QPdfWriter>(FileName)), FPaperMM(PaperMM),
      FResolution(Resolution > 0 ? Resolution : 300) {
    FWriter->setResolution(FResolution);
    if (!Title.isEmpty()) FWriter->setTitle(Title);
    FWriter->setCreator(QStringLiteral("pimrun"));
    ApplyLayout();
}

TPdfSurface::~TPdfSurface() = default;

void TPdfSurface::ApplyLayout() {
    bool Landscape = FPaperMM.width() > FPaperMM.height();
    QSizeF Portrait = Landscape ? QSizeF(FPaperMM.height(), FPaperMM.width()) : FPaperMM;
    QPageLayout Layout(QPageSize(Portrait, QPageSize::Millimeter),
                       Landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                       QPageLayout::Millimeter);
    Layout.setMode(QPageLayout::FullPageMode);
    FWriter->setPageLayout(Layout);
}

void TPdfSurface::SetPaper(QSizeF PaperMM) {
    if (PaperMM.width() <= 0 || PaperMM.height() <= 0) return;
    FPaperMM = PaperMM;
    ApplyLayout();
}

void TPdfSurface::SetPrintableArea(int OffsetX, int OffsetY, int Width, int Height) {
    FPrintable = QRect(OffsetX, OffsetY, Width, Height);
}

TDeviceCaps TPdfSurface::Caps() const {
    TDeviceCaps C;
    C.Technology = DT_RASPRINTER;
    C.LogPixelsX = C.LogPixelsY = FResolution;
    C.PhysicalWidth = C.HorzRes = DevRound(FPaperMM.width() / 25.4 * FResolution);
    C.PhysicalHeight = C.VertRes = DevRound(FPaperMM.height() / 25.4 * FResolution);
    if (!FPrintable.isEmpty()) {
        C.PhysicalOffsetX = FPrintable.left();
        C.PhysicalOffsetY = FPrintable.top();
        C.HorzRes = FPrintable.width();
        C.VertRes = FPrintable.height();
    }
    C.BitsPixel = 24;
    return C;
}

QPoint TPdfSurface::Origin() const {
    return FPrintable.isEmpty() ? QPoint() : FPrintable.topLeft();
}

QPaintDevice* TPdfSurface::PaintDevice() {
    return FWriter.get();
}

bool TPdfSurface::NewPage() {
    return FWriter->newPage();
}

void TPdfSurface::Finish() {}

// ---------------------------------------------------------------------------------------------
// Device context state

struct DeviceContext::TState {
    HFONT Font = 0;
    HPEN Pen = 0;
    HBRUSH Brush = 0;
    HPALETTE Palette = 0;
    COLORREF TextColor = 0;
    COLORREF BkColor = RGB(255, 255, 255);
    int BkMode = OPAQUE;
    uint32_t TextAlign = TA_LEFT | TA_TOP | TA_NOUPDATECP;
    int Rop2 = R2_COPYPEN;
    int PolyFill = ALTERNATE;
    int ArcDirection = AD_COUNTERCLOCKWISE;
    int StretchMode = BLACKONWHITE;
    TPoint BrushOrg;
    int MapMode = MM_TEXT;
    TSize WinExt{1, 1};
    TSize VpExt{1, 1};
    TPoint WinOrg;
    TPoint VpOrg;
    bool Clipped = false;
    QRegion Clip; // device pixels
    TPoint Cp;
};

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
    QPoint Origin = FSurface->Origin();
    if (!Origin.isNull()) FPainter->translate(Origin);
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

// Every drawing call starts on a painter in the device context's base state, with its clipping
// applied. Code that is not ours (Full) gets a saved state, put back afterwards, so whatever it
// changes cannot leak into the next call.
struct DeviceContext::TPainterGuard {
    QPainter* P;
    bool Full;
    explicit TPainterGuard(DeviceContext& DC, bool AFull = false) : P(DC.Painter()), Full(AFull) {
        if (!P) return;
        DC.ResetPainter(*P);
        if (Full) P->save();
    }
    ~TPainterGuard() {
        if (P && Full) P->restore();
    }
    explicit operator bool() const { return P != nullptr; }
};

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

// ---------------------------------------------------------------------------------------------
// Text

const DeviceContext::TMadeFont& DeviceContext::SelectedFont() const {
    double SX = ScaleX(), SY = ScaleY();
    HFONT H = FState->Font;
    auto Same = [&](const TMadeFont& M) { return M.ScaleX == SX && M.ScaleY == SY; };
    auto Use = [&](std::vector<TMadeFont>::iterator It) -> const TMadeFont& {
        std::rotate(FFontsMade.begin(), It, It + 1);
        return FFontsMade.front();
    };
    if (!FFontsMade.empty() && FFontsMade.front().Handle == H && Same(FFontsMade.front()))
        return FFontsMade.front();
    for (auto It = FFontsMade.begin(); It != FFontsMade.end(); ++It)
        if (It->Handle == H && Same(*It)) return Use(It);
    TLogFont F;
    if (!GetObject(H, F)) F = StockFont(SYSTEM_FONT);
    for (auto It = FFontsMade.begin(); It != FFontsMade.end(); ++It)
        if (It->LogFont == F && Same(*It)) {
            It->Handle = H;
            return Use(It);
        }
    int PH = F.lfHeight == 0 ? 0 : DevRound(F.lfHeight * std::fabs(SY));
    if (F.lfHeight != 0 && PH == 0) PH = F.lfHeight < 0 ? -1 : 1;
    int PW = F.lfWidth == 0 ? 0 : std::max(1, DevRound(std::abs(F.lfWidth) * std::fabs(SX)));
    TMadeFont M{H, SX, SY, F, FontInstance(F, PH, PW, FCaps.LogPixelsY, FSurface->IsRaster())};
    if (FFontsMade.size() >= MaxMadeFonts) FFontsMade.pop_back();
    FFontsMade.insert(FFontsMade.begin(), std::move(M));
    return FFontsMade.front();
}

std::shared_ptr<const TFontInstance> DeviceContext::CurrentFont() const {
    return SelectedFont().Font;
}

bool DeviceContext::TextOut(int X, int Y, QStringView Text) {
    if (FLog) Note(QStringLiteral("TextOut ") + Ints({X, Y}) + QLatin1Char(' ') + Quote(Text));
    DrawText(X, Y, 0, nullptr, Text, nullptr);
    return true;
}

bool DeviceContext::ExtTextOut(int X, int Y, uint32_t Options, const TRect* R, QStringView Text,
                               const int* Dx) {
    if (FLog) {
        QString Line = QStringLiteral("ExtTextOut ") + Ints({X, Y, int(Options)}) + QLatin1Char(' ') +
                       (R ? Ints({R->Left, R->Top, R->Right, R->Bottom}) : QStringLiteral("nil")) +
                       QLatin1Char(' ') + Quote(Text);
        if (Dx) {
            QStringList L;
            for (qsizetype i = 0; i < Text.size(); ++i)
                L << QString::number(Dx[i]);
            Line += QStringLiteral(" dx=") + L.join(QLatin1Char(','));
        }
        Note(Line);
    }
    DrawText(X, Y, Options, R, Text, Dx);
    return true;
}

void DeviceContext::DrawText(int X, int Y, uint32_t Options, const TRect* R, QStringView Text,
                             const int* Dx) {
    const TMadeFont& Made = SelectedFont();
    std::shared_ptr<const TFontInstance> Font = Made.Font;
    const TTextMetric& M = Font->Metrics();
    const int Escapement = Made.LogFont.lfEscapement;
    const bool Underline = Made.LogFont.lfUnderline, StrikeOut = Made.LogFont.lfStrikeOut;
    uint32_t Align = FState->TextAlign;
    bool UpdateCp = Align & TA_UPDATECP;

    // advances in device pixels, one per UTF-16 unit
    std::vector<int>& Adv = FAdvanceBuffer;
    Adv.assign(size_t(Text.size()), 0);
    if (Dx) {
        double SX = std::fabs(ScaleX());
        int64_t Logical = 0;
        int Prev = 0;
        for (qsizetype i = 0; i < Text.size(); ++i) {
            Logical += Dx[i];
            int Dev = DevRound(double(Logical) * SX);
            Adv[size_t(i)] = Dev - Prev;
            Prev = Dev;
        }
    } else {
        for (qsizetype i = 0, Units = 1; i < Text.size(); i += Units)
            Adv[size_t(i)] = Font->Advance(CodePointAt(Text, i, Units));
    }
    int Width = 0;
    for (int A : Adv)
        Width += A;

    TPoint Ref = UpdateCp ? FState->Cp : Point(X, Y);
    QPointF Origin = ToDevice(Ref.X, Ref.Y);
    double Angle = Escapement / 10.0;

    int StartX = 0;
    switch (Align & TA_CENTER) {
    case TA_RIGHT:
        StartX = -Width;
        break;
    case TA_CENTER:
        StartX = -(Width / 2);
        break;
    default:
        break;
    }
    int Baseline = 0;
    switch (Align & TA_BASELINE) {
    case TA_BASELINE:
        Baseline = 0;
        break;
    case TA_BOTTOM:
        Baseline = -M.tmDescent;
        break;
    default:
        Baseline = M.tmAscent;
        break;
    }

    if (UpdateCp) {
        int Advance = 0;
        switch (Align & TA_CENTER) {
        case TA_RIGHT:
            Advance = -Width;
            break;
        case TA_CENTER:
            Advance = 0;
            break;
        default:
            Advance = Width;
            break;
        }
        // level text, nearly all of it, moves along x alone: no need for the sine and cosine
        double Rad = qDegreesToRadians(Angle);
        double CosA = Angle == 0 ? 1.0 : std::cos(Rad), SinA = Angle == 0 ? 0.0 : std::sin(Rad);
        TPoint NewCp[1] = {
            Point(DevRound(Origin.x() + Advance * CosA), DevRound(Origin.y() - Advance * SinA))};
        DPtoLP(NewCp, 1);
        FState->Cp = NewCp[0];
    }

    TPainterGuard G(*this);
    if (!G) return;
    QPainter& P = *G.P;
    QRect Box = R ? ToDeviceRect(R->Left, R->Top, R->Right, R->Bottom) : QRect();
    if (R && (Options & ETO_OPAQUE)) P.fillRect(Box, ToQColor(FState->BkColor));
    if (R && (Options & ETO_CLIPPED)) {
        if (FState->Clipped)
            P.setClipRegion(FState->Clip.intersected(QRegion(Box)));
        else
            P.setClipRect(Box);
    }
    if (Text.isEmpty()) return;

    // Level text is placed by moving its coordinates to the whole-pixel origin rather than the
    // painter: every change of the painter's transform makes it prepare its pen and glyphs anew.
    QPoint Shift;
    if (Angle != 0) {
        P.translate(Origin);
        P.rotate(-Angle);
    } else {
        Shift = Origin.toPoint();
    }
    if (FState->BkMode == OPAQUE)
        P.fillRect(QRect(StartX, Baseline - M.tmAscent, Width, M.tmHeight).translated(Shift),
                   ToQColor(FState->BkColor));

    const QColor Ink = ToQColor(FState->TextColor);
    if (FInkPen.color() != Ink) FInkPen = QPen(Ink);
    P.setPen(FInkPen);
    // Glyphs of the face go out as one run at their whole-pixel positions; a character the face
    // lacks is drawn on its own so that the font machinery can find another face for it. Only
    // that needs the painter's font, and setting it costs more than the run.
    bool FontSet = false;
    QList<quint32>& Glyphs = FGlyphBuffer;
    QList<QPointF>& Positions = FPositionBuffer;
    Glyphs.clear();
    Positions.clear();
    int Pos = StartX;
    for (qsizetype Index = 0, Len = 1; Index < Text.size(); Index += Len) {
        char32_t Ch = CodePointAt(Text, Index, Len);
        int A = 0;
        for (qsizetype k = 0; k < Len; ++k)
            A += Adv[size_t(Index + k)];
        if (Ch != U' ' && Ch >= 0x20) {
            quint32 Glyph = Font->Glyph(Ch);
            if (Glyph != 0) {
                Glyphs << Glyph;
                Positions << QPointF(Pos, 0);
            } else {
                if (!FontSet) P.setFont(Font->Font());
                FontSet = true;
                P.drawText(QPointF(Pos, Baseline) + Shift, Text.mid(Index, Len).toString());
            }
        }
        Pos += A;
    }
    if (!Glyphs.isEmpty()) {
        if (FRunFont != Font) {
            FRun.setRawFont(Font->RawFont());
            FRunFont = Font;
        }
        FRun.setGlyphIndexes(Glyphs);
        FRun.setPositions(Positions);
        P.drawGlyphRun(QPointF(Shift.x(), Shift.y() + Baseline), FRun);
        // let go of the lists, so that the next call fills them without copying
        FRun.setGlyphIndexes({});
        FRun.setPositions({});
    }
    int Line = std::max(1, DevRound(Font->LineWidth()));
    if (Underline)
        P.fillRect(QRect(StartX, Baseline + DevRound(Font->UnderlinePos()) - Line / 2, Width, Line)
                       .translated(Shift),
                   Ink);
    if (StrikeOut)
        P.fillRect(QRect(StartX, Baseline - DevRound(Font->StrikeOutPos()) - Line / 2, Width, Line)
                       .translated(Shift),
                   Ink);
}

bool DeviceContext::GetTextExtentPoint32(QStringView Text, TSize& Size) const {
    const TFontInstance* Font = SelectedFont().Font.get();
    int W = Font->TextWidth(Text);
    Size.cx = DevRound(W / std::fabs(ScaleX()));
    Size.cy = DevRound(Font->Metrics().tmHeight / std::fabs(ScaleY()));
    return true;
}

bool DeviceContext::GetTextExtentExPoint(QStringView Text, int MaxExtent, int* Fit, int* Dx,
                                         TSize& Size) const {
    const TFontInstance* Font = SelectedFont().Font.get();
    std::vector<int> Adv = Font->Advances(Text);
    double SX = std::fabs(ScaleX());
    int Dev = 0, Count = 0;
    bool Fits = true;
    for (qsizetype i = 0; i < Text.size(); ++i) {
        Dev += Adv[size_t(i)];
        int Logical = DevRound(Dev / SX);
        if (Dx) Dx[i] = Logical;
        if (Fits && MaxExtent >= 0 && Logical > MaxExtent) Fits = false;
        if (Fits) Count = int(i + 1);
    }
    if (Fit) *Fit = Count;
    Size.cx = DevRound(Dev / SX);
    Size.cy = DevRound(Font->Metrics().tmHeight / std::fabs(ScaleY()));
    return true;
}

bool DeviceContext::GetTextMetrics(TTextMetric& Metrics) const {
    Metrics = SelectedFont().Font->Metrics();
    if (FState->MapMode != MM_TEXT) {
        double SX = std::fabs(ScaleX()), SY = std::fabs(ScaleY());
        Metrics.tmHeight = DevRound(Metrics.tmHeight / SY);
        Metrics.tmAscent = DevRound(Metrics.tmAscent / SY);
        Metrics.tmDescent = DevRound(Metrics.tmDescent / SY);
        Metrics.tmInternalLeading = DevRound(Metrics.tmInternalLeading / SY);
        Metrics.tmExternalLeading = DevRound(Metrics.tmExternalLeading / SY);
        Metrics.tmAveCharWidth = DevRound(Metrics.tmAveCharWidth / SX);
        Metrics.tmMaxCharWidth = DevRound(Metrics.tmMaxCharWidth / SX);
    }
    return true;
}

QString DeviceContext::GetTextFace() const {
    TLogFont F;
    if (!GetObject(FState->Font, F)) return QString();
    return F.lfFaceName;
}

bool DeviceContext::GetCharWidth32(char32_t First, char32_t Last, int* Widths) const {
    if (!Widths || Last < First) return false;
    const TFontInstance* Font = SelectedFont().Font.get();
    double SX = std::fabs(ScaleX());
    for (char32_t C = First; C <= Last; ++C)
        Widths[C - First] = DevRound(Font->Advance(C) / SX);
    return true;
}

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
