#pragma once
#include "host/devicecontext.h"
#include "host/graphics.h"
#include "output/PimTypes.h"

#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class TComponent;
class TList;
class TStream;

// A list of pointers for indexes that grow into the hundreds of thousands (pages, positions): the
// items live in chunks of 1000 made at full size, so adding never copies what is already there. It
// owns the chunks, never the items.
class TPimList {
public:
    static constexpr int ChunkSize = 1000;

    TPimList();
    ~TPimList();
    TPimList(const TPimList&) = delete;
    TPimList& operator=(const TPimList&) = delete;

    int Add(void* Item);
    void* Items(int Spot) const;
    void Clear();
    int Count() const { return FCount; }

private:
    int FCount = 0;
    std::vector<std::unique_ptr<TList>> FLists; // the chunks, owned
};

enum TPimShadePercent : uint8_t { spNone, spVeryDark, spDark, spMedDark, spMedium, spMedLight, spLight };
enum TPimCheckStyle : uint8_t { acsCross, acsCheck };
enum TPimDrawType : uint8_t { dtArc, dtChord, dtPie };
enum TPimPolyType : uint8_t { ptPolygon, ptPolyLine };

// Placeable metafile headers.
bool PimIsPlaceableMetaFile(TStream& Stream);
void PimFillPlaceHead(TPimPlaceMetaHeader& Header);

// Strings and numbers.
char16_t* PimStrToPChar(QString& S);
bool PimIsPCharEqual(const void* A, const void* B, int Len);
bool PimEmpty(const QString& S);
QString PimRightTrim(const QString& S);
QString PimIntToStr(int N);
double PimInchToMM(double X);
double PimMMtoInch(double X);
// A new, empty file in the temporary directory; an empty name when none could be made.
QString PimGetTempFile(const QString& Prefix);

// Mapping and origin. Percentages scale the viewport; PPIX and PPIY are the resolution the caller's
// coordinates are in.
void PimScale(DeviceContext* DC, int WinX, int WinY, int ViewX, int ViewY, int PercentX, int PercentY);
void PimSetOrigin(DeviceContext* DC, int PPIX, int PPIY, int X, int Y);
TRect PimScaleRect(DeviceContext* DC, int PPIX, int PPIY, const TRect& Rect, int PercentX, int PercentY);

// Draws Text a character at a time from X (leftwards from X when the alignment is right), spreading
// what Width leaves over beyond the text over the blanks between its words.
void PimSetTextJustify(DeviceContext* DC, int X, int Y, const QString& Text, int Width);
// Draws one line part: aligned at X by the device's text alignment without leaving FullRect, or, for
// a line with blanks that does not end a paragraph, stretched from X to the right edge of Rect.
void PimTextJustify(DeviceContext* DC, const TRect& Rect, int X, int Y, const QString& Text,
                    bool EndParagraph, const TRect& FullRect);

void PimShadeRect(DeviceContext* DC, const TRect& Rect, TPimShadePercent Shade);
void PimDrawCheckBox(DeviceContext* DC, const TRect& Rect, TPimCheckStyle CheckStyle, TColor Color,
                     int Thickness);
void PimDrawShapeType(DeviceContext* DC, TPimDrawType dt, int x1, int y1, int x2, int y2, int x3, int y3,
                      int x4, int y4);
void PimPolyDrawType(DeviceContext* DC, TPimPolyType pt, const TPoint* Points, int Count);

// Device capabilities.
bool PimIsScreen(DeviceContext* DC);
TPoint PimGetResolution(DeviceContext* DC);
TPoint PimGetPhysicalSize(DeviceContext* DC);
TPoint PimGetPhysicalOffset(DeviceContext* DC);
TPoint PimGetPrintableSize(DeviceContext* DC);
TRect PimGetPrintableArea(DeviceContext* DC);
// The record an object was made from; the record's size, or 0 for a handle of another kind.
int PimGetObject(HGDIOBJ Handle, TLogFont& LogFont);
int PimGetObject(HGDIOBJ Handle, TLogPen& LogPen);
int PimGetObject(HGDIOBJ Handle, TLogBrush& LogBrush);

// The 8 x 8 pattern of a shade, one byte per row from the top; a 0 bit takes the text colour.
std::array<uint8_t, 8> PimShadePattern(TPimShadePercent Shade);

// Paper sizes by the platform's paper number and the form names of papers 1 to 26.
inline constexpr int PimFormNameCount = 26;
extern const std::array<const char*, PimFormNameCount> PimFormNames;

void PimPaperSizeUnit(int Orientation, int PaperSize, double& X, double& Y, int Units);
void PimPaperSizeMM(int Orientation, int PaperSize, double& X, double& Y);
void PimPaperSizeInch(int Orientation, int PaperSize, double& X, double& Y);
int PimGetForm(const QString& Name);

// Components and the running report.
bool PimIsAncestor(const TComponent* Component);
// Asks whether to discard, keep or go on with a report being made; IDYES, IDNO or IDCANCEL.
int PimAskAbort();
// Prints every page of a stored document on the current printer. Load errors, and a message the
// printer gave when its job ended, reach the caller as exceptions.
void PimFilePrint(const QString& FileName);
