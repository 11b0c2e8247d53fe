#pragma once
#include <QString>
#include <cstdint>
#include <functional>

// Points, rectangles, colours, fonts, pens and brushes as the system holds them: plain values that
// need no display and no device. A device context turns the log records into drawing objects
// (host/devicecontext.h).

struct TPoint {
    int X = 0;
    int Y = 0;
    bool operator==(const TPoint&) const = default;
};

struct TSize {
    int cx = 0;
    int cy = 0;
    bool operator==(const TSize&) const = default;
};

// Right and Bottom lie just outside the rectangle, as every drawing call treats them.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int Width() const { return int(Clamp((long long)Right - Left)); }
    int Height() const { return int(Clamp((long long)Bottom - Top)); }
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    bool operator==(const TRect&) const = default;

private:
    static constexpr long long Clamp(long long V) {
        return V > 2147483647LL ? 2147483647LL : V < -2147483648LL ? -2147483648LL : V;
    }
};

constexpr TPoint Point(int X, int Y) {
    return TPoint{X, Y};
}
constexpr TRect Rect(int Left, int Top, int Right, int Bottom) {
    return TRect{Left, Top, Right, Bottom};
}
constexpr TRect Bounds(int Left, int Top, int Width, int Height) {
    auto Add = [](int A, int B) {
        long long S = (long long)A + B;
        return int(S > 2147483647LL ? 2147483647LL : S < -2147483648LL ? -2147483648LL : S);
    };
    return TRect{Left, Top, Add(Left, Width), Add(Top, Height)};
}

// A colour is 0x00BBGGRR; a negative value names a system colour whose index is in the low byte.
using TColor = int32_t;
// The colour a device receives: 0x00BBGGRR, with nothing in the top byte that matters to drawing.
using COLORREF = uint32_t;

constexpr COLORREF RGB(uint8_t R, uint8_t G, uint8_t B) {
    return COLORREF(R) | (COLORREF(G) << 8) | (COLORREF(B) << 16);
}
constexpr uint8_t GetRValue(COLORREF C) {
    return uint8_t(C & 0xFF);
}
constexpr uint8_t GetGValue(COLORREF C) {
    return uint8_t((C >> 8) & 0xFF);
}
constexpr uint8_t GetBValue(COLORREF C) {
    return uint8_t((C >> 16) & 0xFF);
}

// Indices of the system colour table.
enum : int {
    COLOR_SCROLLBAR = 0,
    COLOR_BACKGROUND = 1,
    COLOR_ACTIVECAPTION = 2,
    COLOR_INACTIVECAPTION = 3,
    COLOR_MENU = 4,
    COLOR_WINDOW = 5,
    COLOR_WINDOWFRAME = 6,
    COLOR_MENUTEXT = 7,
    COLOR_WINDOWTEXT = 8,
    COLOR_CAPTIONTEXT = 9,
    COLOR_ACTIVEBORDER = 10,
    COLOR_INACTIVEBORDER = 11,
    COLOR_APPWORKSPACE = 12,
    COLOR_HIGHLIGHT = 13,
    COLOR_HIGHLIGHTTEXT = 14,
    COLOR_BTNFACE = 15,
    COLOR_BTNSHADOW = 16,
    COLOR_GRAYTEXT = 17,
    COLOR_BTNTEXT = 18,
    COLOR_INACTIVECAPTIONTEXT = 19,
    COLOR_BTNHIGHLIGHT = 20,
    COLOR_3DDKSHADOW = 21,
    COLOR_3DLIGHT = 22,
    COLOR_INFOTEXT = 23,
    COLOR_INFOBK = 24,
    COLOR_HOTLIGHT = 26,
    COLOR_GRADIENTACTIVECAPTION = 27,
    COLOR_GRADIENTINACTIVECAPTION = 28,
    COLOR_MENUHILIGHT = 29,
    COLOR_MENUBAR = 30,
};

constexpr TColor clSystemColor = TColor(0xFF000000);

constexpr TColor clScrollBar = clSystemColor | COLOR_SCROLLBAR;
constexpr TColor clBackground = clSystemColor | COLOR_BACKGROUND;
constexpr TColor clActiveCaption = clSystemColor | COLOR_ACTIVECAPTION;
constexpr TColor clInactiveCaption = clSystemColor | COLOR_INACTIVECAPTION;
constexpr TColor clMenu = clSystemColor | COLOR_MENU;
constexpr TColor clWindow = clSystemColor | COLOR_WINDOW;
constexpr TColor clWindowFrame = clSystemColor | COLOR_WINDOWFRAME;
constexpr TColor clMenuText = clSystemColor | COLOR_MENUTEXT;
constexpr TColor clWindowText = clSystemColor | COLOR_WINDOWTEXT;
constexpr TColor clCaptionText = clSystemColor | COLOR_CAPTIONTEXT;
constexpr TColor clActiveBorder = clSystemColor | COLOR_ACTIVEBORDER;
constexpr TColor clInactiveBorder = clSystemColor | COLOR_INACTIVEBORDER;
constexpr TColor clAppWorkSpace = clSystemColor | COLOR_APPWORKSPACE;
constexpr TColor clHighlight = clSystemColor | COLOR_HIGHLIGHT;
constexpr TColor clHighlightText = clSystemColor | COLOR_HIGHLIGHTTEXT;
constexpr TColor clBtnFace = clSystemColor | COLOR_BTNFACE;
constexpr TColor clBtnShadow = clSystemColor | COLOR_BTNSHADOW;
constexpr TColor clGrayText = clSystemColor | COLOR_GRAYTEXT;
constexpr TColor clBtnText = clSystemColor | COLOR_BTNTEXT;
constexpr TColor clInactiveCaptionText = clSystemColor | COLOR_INACTIVECAPTIONTEXT;
constexpr TColor clBtnHighlight = clSystemColor | COLOR_BTNHIGHLIGHT;
constexpr TColor cl3DDkShadow = clSystemColor | COLOR_3DDKSHADOW;
constexpr TColor cl3DLight = clSystemColor | COLOR_3DLIGHT;
constexpr TColor clInfoText = clSystemColor | COLOR_INFOTEXT;
constexpr TColor clInfoBk = clSystemColor | COLOR_INFOBK;
constexpr TColor clHotLight = clSystemColor | COLOR_HOTLIGHT;
constexpr TColor clGradientActiveCaption = clSystemColor | COLOR_GRADIENTACTIVECAPTION;
constexpr TColor clGradientInactiveCaption = clSystemColor | COLOR_GRADIENTINACTIVECAPTION;
constexpr TColor clMenuHighlight = clSystemColor | COLOR_MENUHILIGHT;
constexpr TColor clMenuBar = clSystemColor | COLOR_MENUBAR;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clLtGray = 0xC0C0C0;
constexpr TColor clDkGray = 0x808080;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// The fixed system colour table (a light desktop scheme). It never follows the desktop, so pictures
// come out the same on every machine.
COLORREF GetSysColor(int Index);
// A system colour becomes its table entry; any other colour is returned as it is.
COLORREF ColorToRGB(TColor Color);

// ---- Log records: what a device needs to make a font, pen or brush ----

constexpr int32_t FW_DONTCARE = 0, FW_THIN = 100, FW_LIGHT = 300, FW_NORMAL = 400, FW_BOLD = 700,
                  FW_HEAVY = 900;
constexpr uint8_t ANSI_CHARSET = 0, DEFAULT_CHARSET = 1, SYMBOL_CHARSET = 2, OEM_CHARSET = 255;
constexpr uint8_t OUT_DEFAULT_PRECIS = 0, CLIP_DEFAULT_PRECIS = 0, DEFAULT_QUALITY = 0;
// Pitch (low bits) and family (high bits) are or-ed into one byte.
constexpr uint8_t DEFAULT_PITCH = 0, FIXED_PITCH = 1, VARIABLE_PITCH = 2;
constexpr uint8_t FF_DONTCARE = 0x00, FF_ROMAN = 0x10, FF_SWISS = 0x20, FF_MODERN = 0x30, FF_SCRIPT = 0x40,
                  FF_DECORATIVE = 0x50;
constexpr int LF_FACESIZE = 32; // the face name holds at most 31 characters

struct TLogFont {
    int32_t lfHeight = 0;     // negative: character height; positive: cell height; 0: default size
    int32_t lfWidth = 0;      // average character width; 0: the face's own proportions
    int32_t lfEscapement = 0; // tenths of a degree, counter-clockwise
    int32_t lfOrientation = 0;
    int32_t lfWeight = FW_NORMAL;
    uint8_t lfItalic = 0;
    uint8_t lfUnderline = 0;
    uint8_t lfStrikeOut = 0;
    uint8_t lfCharSet = DEFAULT_CHARSET;
    uint8_t lfOutPrecision = OUT_DEFAULT_PRECIS;
    uint8_t lfClipPrecision = CLIP_DEFAULT_PRECIS;
    uint8_t lfQuality = DEFAULT_QUALITY;
    uint8_t lfPitchAndFamily = DEFAULT_PITCH;
    QString lfFaceName; // cut to LF_FACESIZE - 1 characters when a font is made from the record

    bool operator==(const TLogFont&) const = default;
};

enum : uint32_t {
    PS_SOLID = 0,
    PS_DASH = 1,
    PS_DOT = 2,
    PS_DASHDOT = 3,
    PS_DASHDOTDOT = 4,
    PS_NULL = 5,
    PS_INSIDEFRAME = 6,
    PS_USERSTYLE = 7,
    PS_ALTERNATE = 8,
    PS_STYLE_MASK = 0x0F,
};

struct TLogPen {
    uint32_t lopnStyle = PS_SOLID;
    int32_t lopnWidth = 0; // logical units; 0 and 1 both draw one device pixel wide
    COLORREF lopnColor = 0;

    bool operator==(const TLogPen&) const = default;
};

enum : uint32_t { BS_SOLID = 0, BS_NULL = 1, BS_HOLLOW = 1, BS_HATCHED = 2, BS_PATTERN = 3 };
enum : int32_t {
    HS_HORIZONTAL = 0,
    HS_VERTICAL = 1,
    HS_FDIAGONAL = 2,
    HS_BDIAGONAL = 3,
    HS_CROSS = 4,
    HS_DIAGCROSS = 5
};

struct TLogBrush {
    uint32_t lbStyle = BS_SOLID;
    COLORREF lbColor = 0;
    int32_t lbHatch = 0; // HS_* for hatched brushes

    bool operator==(const TLogBrush&) const = default;
};

// ---- Font, pen and brush objects ----

enum TFontStyle : uint8_t { fsBold = 0x01, fsItalic = 0x02, fsUnderline = 0x04, fsStrikeOut = 0x08 };
using TFontStyles = uint8_t; // bit i stands for the style of ordinal i, as the system's sets store it
enum TFontPitch : uint8_t { fpDefault, fpVariable, fpFixed };
using TFontCharset = uint8_t;

// A font described by name, size and style; a new one is Arial, 8 points at 96 pixels per inch, in
// the window text colour. The size is kept as a height in pixels at
// PixelsPerInch (negative = character height), the way the platform's font object keeps it, so
// Size and Height stay consistent when either is set.
class TFont {
public:
    TFont();
    TFont(const TFont& Other);            // copies the description, not the change event
    TFont& operator=(const TFont& Other); // the whole description, resolution included; signals a change
    ~TFont();

    // Copies the description and signals one change. The font keeps its own PixelsPerInch; from a
    // font of another resolution it takes the size in points.
    void Assign(const TFont& Source);

    const QString& Name() const { return FName; }
    void SetName(const QString& Value);
    int Size() const;
    void SetSize(int Value);
    int Height() const { return FHeight; }
    void SetHeight(int Value);
    int PixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(int Value); // keeps Height, as the platform does
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    TFontCharset Charset() const { return FCharset; }
    void SetCharset(TFontCharset Value);
    TFontPitch Pitch() const { return FPitch; }
    void SetPitch(TFontPitch Value);

    // The description a device makes the font from; Escapement, Orientation, Width and the
    // precision fields come from the last record set with SetLogFont.
    TLogFont LogFont() const;
    // Takes name, height, style, charset and pitch from the record and keeps the rest for LogFont.
    void SetLogFont(const TLogFont& Value);

    bool operator==(const TFont& Other) const; // the description, not the event

    std::function<void(TFont* Sender)> OnChange;

private:
    void Changed();

    QString FName;
    int FHeight;
    int FPixelsPerInch;
    TFontStyles FStyle = 0;
    TColor FColor = clWindowText;
    TFontCharset FCharset = DEFAULT_CHARSET;
    TFontPitch FPitch = fpDefault;
    TLogFont FExtra; // the record's fields that have no property of their own
};

enum TPenStyle : uint8_t {
    psSolid,
    psDash,
    psDot,
    psDashDot,
    psDashDotDot,
    psClear,
    psInsideFrame,
    psUserStyle,
    psAlternate
};
enum TPenMode : uint8_t {
    pmBlack,
    pmWhite,
    pmNop,
    pmNot,
    pmCopy,
    pmNotCopy,
    pmMergePenNot,
    pmMaskPenNot,
    pmMergeNotPen,
    pmMaskNotPen,
    pmMerge,
    pmNotMerge,
    pmMask,
    pmNotMask,
    pmXor,
    pmNotXor
};

// The binary raster operation a pen mode stands for (the device's SetROP2 value).
int PenModeToROP2(TPenMode Mode);

class TPen {
public:
    TPen() = default;
    TPen(const TPen& Other);
    TPen& operator=(const TPen& Other);

    void Assign(const TPen& Source);

    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    int Width() const { return FWidth; }
    void SetWidth(int Value); // negative widths are ignored
    TPenStyle Style() const { return FStyle; }
    void SetStyle(TPenStyle Value);
    TPenMode Mode() const { return FMode; }
    void SetMode(TPenMode Value);

    TLogPen LogPen() const;
    void SetLogPen(const TLogPen& Value); // colour, width and style; the mode is not in the record

    bool operator==(const TPen& Other) const;

    std::function<void(TPen* Sender)> OnChange;

private:
    void Changed();

    TColor FColor = clBlack;
    int FWidth = 1;
    TPenStyle FStyle = psSolid;
    TPenMode FMode = pmCopy;
};

enum TBrushStyle : uint8_t {
    bsSolid,
    bsClear,
    bsHorizontal,
    bsVertical,
    bsFDiagonal,
    bsBDiagonal,
    bsCross,
    bsDiagCross
};

class TBrush {
public:
    TBrush() = default;
    TBrush(const TBrush& Other);
    TBrush& operator=(const TBrush& Other);

    void Assign(const TBrush& Source);

    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    TBrushStyle Style() const { return FStyle; }
    void SetStyle(TBrushStyle Value);

    TLogBrush LogBrush() const;
    void SetLogBrush(const TLogBrush& Value); // pattern brushes read as solid: a TBrush has no bitmap

    bool operator==(const TBrush& Other) const;

    std::function<void(TBrush* Sender)> OnChange;

private:
    void Changed();

    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
};
