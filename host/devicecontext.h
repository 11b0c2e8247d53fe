#pragma once
#include "host/fonts.h"
#include "host/graphics.h"
#include <QColor>
#include <QGlyphRun>
#include <QImage>
#include <QList>
#include <QPainterPath>
#include <QPen>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QRegion>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QTransform>
#include <QVector>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QPaintDevice;
class QPainter;
class QPdfWriter;

// ---- Drawing objects ----
//
// Fonts, pens, brushes and palettes live in one process-wide table, like the platform's drawing
// objects: a handle is a small non-zero number, 0 means none. The table owns every object; whoever
// creates one deletes it with DeleteObject. A device context never owns what is selected into it.
// DeleteObject refuses (returns false, nothing freed) while the object is selected into a device
// context or held by a saved state of one, so an object is always deselected before it is freed.
// Stock objects are never freed; deleting one succeeds and does nothing.

using HGDIOBJ = uint32_t;
using HFONT = HGDIOBJ;
using HPEN = HGDIOBJ;
using HBRUSH = HGDIOBJ;
using HPALETTE = HGDIOBJ;

enum : int { OBJ_PEN = 1, OBJ_BRUSH = 2, OBJ_PAL = 5, OBJ_FONT = 6 };

enum : int {
    WHITE_BRUSH = 0,
    LTGRAY_BRUSH = 1,
    GRAY_BRUSH = 2,
    DKGRAY_BRUSH = 3,
    BLACK_BRUSH = 4,
    NULL_BRUSH = 5,
    HOLLOW_BRUSH = 5,
    WHITE_PEN = 6,
    BLACK_PEN = 7,
    NULL_PEN = 8,
    OEM_FIXED_FONT = 10,
    ANSI_FIXED_FONT = 11,
    ANSI_VAR_FONT = 12,
    SYSTEM_FONT = 13,
    DEVICE_DEFAULT_FONT = 14,
    DEFAULT_PALETTE = 15,
    SYSTEM_FIXED_FONT = 16,
    DEFAULT_GUI_FONT = 17,
};

struct TPaletteEntry {
    uint8_t peRed = 0;
    uint8_t peGreen = 0;
    uint8_t peBlue = 0;
    uint8_t peFlags = 0;
    bool operator==(const TPaletteEntry&) const = default;
};

HFONT CreateFontIndirect(const TLogFont& LogFont);
HPEN CreatePenIndirect(const TLogPen& LogPen);
HPEN CreatePen(uint32_t Style, int Width, COLORREF Color);
HBRUSH CreateBrushIndirect(const TLogBrush& LogBrush);
HBRUSH CreateSolidBrush(COLORREF Color);
HBRUSH CreateHatchBrush(int Hatch, COLORREF Color);
// An 8x8 two-colour pattern, one byte per row, top row first, most significant bit leftmost: a 0 bit
// is drawn in the device's text colour, a 1 bit in its background colour. The pattern repeats from
// device pixel (0, 0) plus the brush origin, whatever the mapping.
HBRUSH CreatePatternBrush(const uint8_t Rows[8]);
// A colour pattern; the image's top left pixel lies on device pixel (0, 0) plus the brush origin.
HBRUSH CreatePatternBrush(const QImage& Pattern);
HPALETTE CreatePalette(const std::vector<TPaletteEntry>& Entries);
HGDIOBJ GetStockObject(int Index); // 0 for an index that is not a stock object
bool DeleteObject(HGDIOBJ Object);
int GetObjectType(HGDIOBJ Object); // 0 for an invalid handle
bool GetObject(HGDIOBJ Font, TLogFont& LogFont);
bool GetObject(HGDIOBJ Pen, TLogPen& LogPen);
bool GetObject(HGDIOBJ Brush, TLogBrush& LogBrush);
bool GetObject(HGDIOBJ Palette, std::vector<TPaletteEntry>& Entries);
// Objects alive that are not stock objects: tests use it to find leaks.
int GdiObjectCount();
// Frees every object that is neither a stock object nor selected anywhere (the table's reset for
// tests); returns how many were freed.
int ClearGdiObjects();

// ---- Device context constants ----

enum : int {
    DRIVERVERSION = 0,
    TECHNOLOGY = 2,
    HORZSIZE = 4,
    VERTSIZE = 6,
    HORZRES = 8,
    VERTRES = 10,
    BITSPIXEL = 12,
    PLANES = 14,
    NUMBRUSHES = 16,
    NUMPENS = 18,
    NUMFONTS = 22,
    NUMCOLORS = 24,
    RASTERCAPS = 38,
    ASPECTX = 40,
    ASPECTY = 42,
    ASPECTXY = 44,
    LOGPIXELSX = 88,
    LOGPIXELSY = 90,
    SIZEPALETTE = 104,
    NUMRESERVED = 106,
    COLORRES = 108,
    PHYSICALWIDTH = 110,
    PHYSICALHEIGHT = 111,
    PHYSICALOFFSETX = 112,
    PHYSICALOFFSETY = 113,
    SCALINGFACTORX = 114,
    SCALINGFACTORY = 115,
};

enum : int {
    DT_PLOTTER = 0,
    DT_RASDISPLAY = 1,
    DT_RASPRINTER = 2,
    DT_RASCAMERA = 3,
    DT_CHARSTREAM = 4,
    DT_METAFILE = 5,
    DT_DISPFILE = 6
};

enum : int { TRANSPARENT = 1, OPAQUE = 2 };

enum : uint32_t {
    TA_NOUPDATECP = 0,
    TA_UPDATECP = 1,
    TA_LEFT = 0,
    TA_RIGHT = 2,
    TA_CENTER = 6,
    TA_TOP = 0,
    TA_BOTTOM = 8,
    TA_BASELINE = 24,
};

enum : uint32_t { ETO_OPAQUE = 0x0002, ETO_CLIPPED = 0x0004 };

enum : int { MM_TEXT = 1, MM_ISOTROPIC = 7, MM_ANISOTROPIC = 8 };

enum : int { ALTERNATE = 1, WINDING = 2 };
enum : int { AD_COUNTERCLOCKWISE = 1, AD_CLOCKWISE = 2 };
enum : int { BLACKONWHITE = 1, WHITEONBLACK = 2, COLORONCOLOR = 3, HALFTONE = 4 };

enum : int {
    R2_BLACK = 1,
    R2_NOTMERGEPEN = 2,
    R2_MASKNOTPEN = 3,
    R2_NOTCOPYPEN = 4,
    R2_MASKPENNOT = 5,
    R2_NOT = 6,
    R2_XORPEN = 7,
    R2_NOTMASKPEN = 8,
    R2_MASKPEN = 9,
    R2_NOTXORPEN = 10,
    R2_NOP = 11,
    R2_MERGENOTPEN = 12,
    R2_COPYPEN = 13,
    R2_MERGEPENNOT = 14,
    R2_MERGEPEN = 15,
    R2_WHITE = 16,
};

enum : uint32_t {
    SRCCOPY = 0x00CC0020,
    SRCPAINT = 0x00EE0086,
    SRCAND = 0x008800C6,
    SRCINVERT = 0x00660046,
    PATCOPY = 0x00F00021,
    BLACKNESS = 0x00000042,
    WHITENESS = 0x00FF0062,
    DSTINVERT = 0x00550009,
};

enum : int { ERROR_REGION = 0, NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3 };

// What a device reports about itself; all sizes in device pixels.
struct TDeviceCaps {
    int Technology = DT_RASDISPLAY;
    int LogPixelsX = 96;
    int LogPixelsY = 96;
    int PhysicalWidth = 0;
    int PhysicalHeight = 0;
    int PhysicalOffsetX = 0;
    int PhysicalOffsetY = 0;
    int HorzRes = 0; // printable width
    int VertRes = 0; // printable height
    int BitsPixel = 32;
    int SizePalette = 0;
};

// ---- Surfaces ----

// Where a device context's drawing goes. The image, PDF and recording devices below are surfaces;
// a printer device is another one: it hands out the paint device of the current page and starts
// the next page on request. Coordinates on the paint device are device pixels, (0, 0) being the
// top left corner of the printable area.
class TDeviceSurface {
public:
    virtual ~TDeviceSurface();
    virtual TDeviceCaps Caps() const = 0;
    // The paint device drawn on; nullptr when nothing is painted (recording only).
    virtual QPaintDevice* PaintDevice() = 0;
    // Raster surfaces without antialiasing keep the platform's pixel rules exactly.
    virtual bool IsRaster() const = 0;
    // The pixels, for surfaces that have them (copying between devices, probes in tests).
    virtual QImage* Image() { return nullptr; }
    // Where device pixel (0, 0), the top left corner of the printable area, lies on PaintDevice().
    virtual QPoint Origin() const { return QPoint(); }
    // How large a device pixel is drawn on PaintDevice(): a printer printing at a scale below 100
    // percent draws the page smaller, as its driver would. Read when a painter begins and at ResetDC.
    virtual double Zoom() const { return 1.0; }
    // Ends the current page and starts an empty one; false when the surface has no pages.
    // Called while a painter is active on PaintDevice().
    virtual bool NewPage() { return false; }
    // Called once after the last painter on the surface has ended.
    virtual void Finish() {}
};

// A QImage at a given resolution: screen and memory devices. The image is owned unless one is
// handed in by pointer, in which case the caller keeps it alive for the device's life.
class TImageSurface : public TDeviceSurface {
public:
    TImageSurface(int Width, int Height, int PixelsPerInchX, int PixelsPerInchY,
                  int Technology = DT_RASDISPLAY);
    TImageSurface(QImage* Image, int PixelsPerInchX, int PixelsPerInchY, int Technology = DT_RASDISPLAY);
    // An image of the printable size (HorzRes x VertRes) of a device that reports Caps as given.
    explicit TImageSurface(const TDeviceCaps& Caps);
    TDeviceCaps Caps() const override;
    QPaintDevice* PaintDevice() override;
    bool IsRaster() const override { return true; }
    QImage* Image() override { return FImage; }

private:
    std::unique_ptr<QImage> FOwned;
    QImage* FImage;
    TDeviceCaps FCaps;
    bool FFixedCaps = false;
};

// A PDF file of pages of one paper size (millimetres, portrait or landscape as given) at a
// resolution in dots per inch. The file is complete when the device context is destroyed or its
// EndDoc is called.
class TPdfSurface : public TDeviceSurface {
public:
    TPdfSurface(const QString& FileName, QSizeF PaperMM, int Resolution, const QString& Title = QString());
    ~TPdfSurface() override;
    TDeviceCaps Caps() const override;
    QPaintDevice* PaintDevice() override;
    bool IsRaster() const override { return false; }
    QPoint Origin() const override;
    bool NewPage() override;
    void Finish() override;

    // The paper of the pages that follow (a printer whose settings change between pages); call
    // DeviceContext::ResetDC afterwards so the device context reads the new capabilities.
    void SetPaper(QSizeF PaperMM);
    // A printable area smaller than the paper, in device pixels, as a printer with unprintable
    // margins has; by default the whole paper is printable.
    void SetPrintableArea(int OffsetX, int OffsetY, int Width, int Height);

private:
    void ApplyLayout();

    std::unique_ptr<QPdfWriter> FWriter;
    QSizeF FPaperMM;
    int FResolution;
    QRect FPrintable; // empty: the whole paper
};

// No pixels at all: a device of the given capabilities whose calls are only logged.
class TNullSurface : public TDeviceSurface {
public:
    explicit TNullSurface(const TDeviceCaps& Caps) : FCaps(Caps) {}
    TDeviceCaps Caps() const override { return FCaps; }
    QPaintDevice* PaintDevice() override { return nullptr; }
    bool IsRaster() const override { return true; }

private:
    TDeviceCaps FCaps;
};

// ---- The device context ----

// One line per call, in call order, with the arguments in logical units as the caller gave them,
// e.g. "Rectangle 10 10 50 30", "TextOut 5 7 \"Total\"", "SelectObject font \"Arial\" -13 0 400 0 0 0
// 1 esc=0". Objects are described by their records, never by handle numbers, so a log does not
// depend on what was created before.
class TDeviceLog {
public:
    QStringList Calls;
    void Clear() { Calls.clear(); }
    QString Text() const { return Calls.join(QLatin1Char('\n')); }
    // Only the calls whose name is one of Names, in order.
    QStringList Only(const QStringList& Names) const;
};

// A device context with the drawing rules of the platform the system was written for:
// - rectangles, round rectangles, ellipses and fills exclude the right and bottom edges; a pen's
//   outline lies inside the figure for one-pixel and inside-frame pens, centred on the edge of the
//   figure for wider pens;
// - a line ends one pixel before its end point; wide pens have round ends;
// - arcs, chords and pies run counter-clockwise from the radial through the start point to the
//   radial through the end point; equal points give the whole ellipse;
// - hatch and pattern brushes repeat every 8 device pixels from device pixel (0, 0);
// - text is placed by the alignment flags, advances the current position with TA_UPDATECP, fills
//   its cell with the background colour when the background mode is OPAQUE, and is rotated by the
//   font's escapement;
// - SaveDC/RestoreDC keep the whole state: objects, colours, modes, alignment, current position,
//   mapping and clipping.
// Image devices draw without antialiasing, so every pixel follows these rules.
class DeviceContext {
public:
    explicit DeviceContext(std::unique_ptr<TDeviceSurface> Surface);
    ~DeviceContext();
    DeviceContext(const DeviceContext&) = delete;
    DeviceContext& operator=(const DeviceContext&) = delete;

    // An owned white image of Width x Height pixels.
    static std::unique_ptr<DeviceContext> CreateImage(int Width, int Height, int PixelsPerInchX,
                                                      int PixelsPerInchY, int Technology = DT_RASDISPLAY);
    // Draws into the caller's image, which must outlive the device context.
    static std::unique_ptr<DeviceContext> CreateForImage(QImage* Image, int PixelsPerInchX,
                                                         int PixelsPerInchY, int Technology = DT_RASDISPLAY);
    static std::unique_ptr<DeviceContext> CreatePdf(const QString& FileName, QSizeF PaperMM, int Resolution,
                                                    const QString& Title = QString());
    // A device that only measures: text extents and metrics at the given resolution, no pixels,
    // no log. Word wrapping and rich-text layout measure on it.
    static std::unique_ptr<DeviceContext> CreateMeasuring(int PixelsPerInchX, int PixelsPerInchY);
    // A device that draws nothing and logs every call; Log() is never null on it.
    static std::unique_ptr<DeviceContext> CreateRecording(const TDeviceCaps& Caps);
    // A recording device that also draws into an owned image of the printable size, for tests that
    // want both the log and the pixels.
    static std::unique_ptr<DeviceContext> CreateRecordingImage(const TDeviceCaps& Caps);

    TDeviceSurface* Surface() const { return FSurface.get(); }
    QImage* Image() const; // the pixels of an image device, else nullptr
    TDeviceLog* Log() const { return FLog.get(); }
    void StartLog(); // logs every following call, on any device

    // Pages: a paged device (PDF, printer) ends the current page and starts a new one; EndDoc
    // finishes the document. Both keep the state of the device context.
    bool NewPage();
    void EndDoc();
    // Reads the surface's capabilities again after its paper or resolution changed.
    void ResetDC();

    int GetDeviceCaps(int Index) const;

    // Objects
    HGDIOBJ SelectObject(HGDIOBJ Object); // the previous object of that kind; 0 when Object is invalid
    HGDIOBJ GetCurrentObject(int ObjectType) const;
    HPALETTE SelectPalette(HPALETTE Palette, bool ForceBackground);
    int RealizePalette();
    int GetSystemPaletteEntries(int Start, int Count, TPaletteEntry* Entries) const;

    // Attributes
    COLORREF SetTextColor(COLORREF Color);
    COLORREF GetTextColor() const;
    COLORREF SetBkColor(COLORREF Color);
    COLORREF GetBkColor() const;
    int SetBkMode(int Mode);
    int GetBkMode() const;
    uint32_t SetTextAlign(uint32_t Flags);
    uint32_t GetTextAlign() const;
    int SetROP2(int Rop2);
    int GetROP2() const;
    int SetPolyFillMode(int Mode);
    int GetPolyFillMode() const;
    int SetArcDirection(int Direction);
    int GetArcDirection() const;
    int SetStretchBltMode(int Mode);
    int GetStretchBltMode() const;
    bool SetBrushOrgEx(int X, int Y, TPoint* Old = nullptr);

    // State
    int SaveDC();              // the new state's level, 1 for the first
    bool RestoreDC(int Level); // a negative level counts back from the newest saved state

    // Mapping
    int SetMapMode(int Mode);
    int GetMapMode() const;
    bool SetWindowExtEx(int X, int Y, TSize* Old = nullptr);
    bool SetWindowOrgEx(int X, int Y, TPoint* Old = nullptr);
    bool SetViewportExtEx(int X, int Y, TSize* Old = nullptr);
    bool SetViewportOrgEx(int X, int Y, TPoint* Old = nullptr);
    bool OffsetViewportOrgEx(int DX, int DY, TPoint* Old = nullptr);
    bool GetWindowExtEx(TSize& Size) const;
    bool GetWindowOrgEx(TPoint& Point) const;
    bool GetViewportExtEx(TSize& Size) const;
    bool GetViewportOrgEx(TPoint& Point) const;
    bool LPtoDP(TPoint* Points, int Count) const;
    bool DPtoLP(TPoint* Points, int Count) const;

    // Clipping (rectangles in logical units)
    int SelectClipRgn(const QRegion* DeviceRegion); // nullptr removes clipping
    int IntersectClipRect(int Left, int Top, int Right, int Bottom);
    int ExcludeClipRect(int Left, int Top, int Right, int Bottom);
    int GetClipBox(TRect& Rect) const;
    bool PtVisible(int X, int Y) const;

    // Lines and shapes
    bool MoveToEx(int X, int Y, TPoint* Old = nullptr);
    bool GetCurrentPositionEx(TPoint& Point) const;
    bool LineTo(int X, int Y);
    bool Polyline(const TPoint* Points, int Count);
    bool Polygon(const TPoint* Points, int Count);
    bool Rectangle(int Left, int Top, int Right, int Bottom);
    bool RoundRect(int Left, int Top, int Right, int Bottom, int Width, int Height);
    bool Ellipse(int Left, int Top, int Right, int Bottom);
    bool Arc(int Left, int Top, int Right, int Bottom, int XStart, int YStart, int XEnd, int YEnd);
    bool Chord(int Left, int Top, int Right, int Bottom, int XStart, int YStart, int XEnd, int YEnd);
    bool Pie(int Left, int Top, int Right, int Bottom, int XStart, int YStart, int XEnd, int YEnd);
    bool FillRect(const TRect& Rect, HBRUSH Brush);
    bool FrameRect(const TRect& Rect, HBRUSH Brush);
    bool PatBlt(int X, int Y, int Width, int Height, uint32_t Rop);
    bool SetPixel(int X, int Y, COLORREF Color);
    COLORREF GetPixel(int X, int Y) const; // 0xFFFFFFFF where there is no pixel to read

    // Text
    bool TextOut(int X, int Y, QStringView Text);
    // Dx, when given, holds the advance of every character in logical units.
    bool ExtTextOut(int X, int Y, uint32_t Options, const TRect* Rect, QStringView Text,
                    const int* Dx = nullptr);
    bool GetTextExtentPoint32(QStringView Text, TSize& Size) const;
    // How many characters fit in MaxExtent (Fit) and the extent after each character (Dx).
    bool GetTextExtentExPoint(QStringView Text, int MaxExtent, int* Fit, int* Dx, TSize& Size) const;
    bool GetTextMetrics(TTextMetric& Metrics) const;
    QString GetTextFace() const;
    bool GetCharWidth32(char32_t First, char32_t Last, int* Widths) const;

    // Images
    // Stretches the source rectangle of Bits onto the destination rectangle (logical units); a
    // negative destination width or height mirrors. Indexed images draw with their colour table.
    int StretchDIBits(int XDest, int YDest, int DestWidth, int DestHeight, int XSrc, int YSrc, int SrcWidth,
                      int SrcHeight, const QImage& Bits, uint32_t Rop);
    // The whole image into Rect (right and bottom excluded).
    bool StretchDraw(const TRect& Rect, const QImage& Image);
    bool BitBlt(int X, int Y, int Width, int Height, const DeviceContext* Source, int XSrc, int YSrc,
                uint32_t Rop);

    // The selected font as made for this device (never null).
    std::shared_ptr<const TFontInstance> CurrentFont() const;

    // Hands a painter to code that draws with Qt itself (rich text, metafiles). The painter is
    // clipped like every other call and works in logical units of the current mapping; What is
    // what the log shows for the call.
    void PaintWith(const std::function<void(QPainter&)>& Paint, const QString& What = QString());

private:
    struct TState;
    struct TPainterGuard;
    friend struct TPainterGuard;

    QPainter* Painter();
    void EndPainter();
    void ResetPainter(QPainter& P) const;
    void Note(const QString& Line) const;
    // A mode out of its range answers 0 and changes nothing; a valid one is logged as Call.
    int SetMode(int& Field, int Value, bool Valid, const char* Call);
    // The window's or the viewport's extent or origin, logged as Call.
    bool SetExtent(TSize& Field, int X, int Y, TSize* Old, const char* Call);
    bool SetOrigin(TPoint& Field, int X, int Y, TPoint* Old, const char* Call);
    QString Describe(HGDIOBJ Object) const;
    void Retain(const TState& State);
    void Release(const TState& State);

    double ToDeviceX(double X) const;
    double ToDeviceY(double Y) const;
    QPointF ToDevice(int X, int Y) const;
    QRect ToDeviceRect(int Left, int Top, int Right, int Bottom) const;
    double ScaleX() const;
    double ScaleY() const;

    bool Draws() const;
    void PrepareClip(QPainter& P) const;
    void PatFill(QPainter& P, const QRect& Box, uint32_t Rop);
    void FillShape(QPainter& P, const QPainterPath& Path, HBRUSH Brush);
    void FillBox(QPainter& P, const QRect& Box, HBRUSH Brush);
    void StrokePath(QPainter& P, const QPainterPath& Outer, const QPainterPath& Inner);
    void DrawLinePixels(QPainter& P, QPoint From, QPoint To, bool LastPixel);
    bool PenVisible() const;
    int PenDeviceWidth() const;
    QColor PenColor() const;
    void ApplyRop(QPainter& P) const;
    void DrawPlainRectangle(QPainter& P, const QRect& Outer, const QRect& Inner, bool Pen);
    bool DrawClosedShape(int Kind, int Left, int Top, int Right, int Bottom, int A, int B, int C, int D);
    void DrawText(int X, int Y, uint32_t Options, const TRect* Rect, QStringView Text, const int* Dx);

    std::unique_ptr<TDeviceSurface> FSurface;
    std::unique_ptr<QPainter> FPainter;
    QTransform FBaseTransform; // of FPainter, as begun: device pixels on the paint device
    QPointF FBaseBrushOrigin;
    // DrawText's working lists, kept so that a call does not allocate them again
    std::vector<int> FAdvanceBuffer;
    QList<quint32> FGlyphBuffer;
    QList<QPointF> FPositionBuffer;
    QPen FInkPen; // the text colour's pen, kept so that the painter sees the same pen again
    // a glyph run costs more to make than to draw; FRunFont keeps its face alive
    QGlyphRun FRun;
    std::shared_ptr<const TFontInstance> FRunFont;
    std::unique_ptr<TDeviceLog> FLog;
    TDeviceCaps FCaps;
    std::unique_ptr<TState> FState;
    std::vector<TState> FSaved;
    bool FEnded = false; // after EndDoc nothing more is drawn
    // Fonts made for this device, the one in use first. Handles are never reused, so a handle
    // and the scale identify a font; a new handle with a known record (a canvas that makes its
    // font again) finds it by the record. Reports switch between a few fonts, so a few suffice.
    struct TMadeFont {
        HFONT Handle = 0;
        double ScaleX = 0, ScaleY = 0;
        TLogFont LogFont; // as selected, escapement included
        std::shared_ptr<const TFontInstance> Font;
    };
    static constexpr size_t MaxMadeFonts = 8;
    mutable std::vector<TMadeFont> FFontsMade;
    const TMadeFont& SelectedFont() const;
};
