#include "host/devicecontext.h"
#include "host/devicecontext_internal.h"

// ---------------------------------------------------------------------------------------------
// The object table
namespace DeviceContextInternal {

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

// A copy of the object, or one of Type 0 for an invalid handle.
TGdiObject FindObject(HGDIOBJ H) {
    return ReadObject(H, [](const TGdiObject* O) { return O ? *O : TGdiObject{}; });
}

void AddUse(HGDIOBJ H, int Delta) {
    if (!H) return;
    TGdiTable& T = Table();
    std::lock_guard<std::mutex> G(T.Lock);
    auto It = T.Objects.find(H);
    if (It != T.Objects.end()) It->second.Uses += Delta;
}

} // namespace DeviceContextInternal

using namespace DeviceContextInternal;

namespace {

HGDIOBJ AddObject(TGdiObject O) {
    TGdiTable& T = Table();
    std::lock_guard<std::mutex> G(T.Lock);
    MakeStock(T);
    HGDIOBJ H = T.Next++;
    T.Objects.emplace(H, std::move(O));
    return H;
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
