#pragma once
#include "host/devicecontext.h"
#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>
#include <memory>
#include <vector>

class QPainter;
class QTextLayout;
class TRichText;

// The font of a run of text: the record a device makes it from (height in the target's units) and
// the face the layout measured it with.
struct TRichFont {
    TLogFont LogFont;
    QFont Font; // with the underline and strike-out of the record
    QColor Color;
};

// Where laid-out rich text goes. Coordinates are in the target's units; text is placed by the left
// end of its baseline, each character advancing by its entry of Advances, so that the target puts
// every character exactly where the layout measured it.
class TRichCanvas {
public:
    virtual ~TRichCanvas();
    virtual void FillBackground(const QRect& Rect, const QColor& Color) = 0;
    virtual void DrawText(int X, int Baseline, const QString& Text, const TRichFont& Font,
                          const std::vector<int>& Advances) = 0;
};

// Draws onto a QPainter, for pictures made without a device context.
class TPainterRichCanvas : public TRichCanvas {
public:
    explicit TPainterRichCanvas(QPainter& Painter) : FPainter(Painter) {}
    void FillBackground(const QRect& Rect, const QColor& Color) override;
    void DrawText(int X, int Baseline, const QString& Text, const TRichFont& Font,
                  const std::vector<int>& Advances) override;

private:
    QPainter& FPainter;
};

// Draws through a device context's own calls: fonts made from their records, text by ExtTextOut
// with the layout's advances, backgrounds by FillRect. The device's font, text colour, alignment
// and background mode are given back when the canvas goes, and every font it made is freed.
class TDeviceRichCanvas : public TRichCanvas {
public:
    explicit TDeviceRichCanvas(DeviceContext& DC);
    ~TDeviceRichCanvas() override;
    void FillBackground(const QRect& Rect, const QColor& Color) override;
    void DrawText(int X, int Baseline, const QString& Text, const TRichFont& Font,
                  const std::vector<int>& Advances) override;

private:
    DeviceContext& FDC;
    HFONT FOldFont = 0;
    COLORREF FOldColor = 0;
    uint32_t FOldAlign = 0;
    int FOldBkMode = 0;
    std::vector<std::pair<TLogFont, HFONT>> FFonts;
    HFONT FSelected = 0;
};

struct TRichLayoutOptions {
    // Resolution that turns the rectangle's twips into the target's units.
    int PixelsPerInchX = 96;
    int PixelsPerInchY = 96;
    // Resolution of what is inside the rectangle: font sizes, indents, tab stops, spacing. Zero means
    // the same as the rectangle's; a target whose units are not its pixels sets it apart.
    int ContentPixelsPerInchX = 0;
    int ContentPixelsPerInchY = 0;
    // Text that sets no font, size, style or colour of its own takes them from DefaultFont when
    // UseDefaultFont is set, otherwise from the text's own default font, 12 point, in TextColor.
    TFont DefaultFont;
    bool UseDefaultFont = false;
    QColor TextColor = Qt::black;
};

struct TRichMeasure {
    int Count = 0;       // characters from the first position that fit
    int Height = 0;      // their height in the target's units
    bool Forced = false; // not even one line fitted; the first line was taken all the same
};

// Lays rich text out in a rectangle given in twips. Measuring and rendering go through the same
// line breaking, so a range measured for one page is exactly the range that page draws, and the
// next page starts at the first character that did not fit.
class TRichLayout {
public:
    TRichLayout(const TRichText& Text, const TRichLayoutOptions& Options);
    ~TRichLayout();

    // How many characters from From (up to To, -1 = the end) fit into Rect, and their height. When
    // not even the first line fits, that line is still taken, so a text split over pages always
    // moves on.
    TRichMeasure Measure(int From, int To, const QRect& RectTwips) const;

    // Draws the characters From..To-1 (To -1 = the end) into Rect from its top, as far as the
    // rectangle's bottom plus ExtraTwips reaches; returns the first character not drawn.
    int Render(TRichCanvas& Canvas, int From, int To, const QRect& RectTwips, int ExtraTwips = 0) const;

private:
    struct TRun;
    struct TParagraph;
    struct TLine;
    struct TPiece;

    TPiece LayOut(int From, int To, int Width, int Limit) const;
    std::shared_ptr<TParagraph> LayOutParagraph(int Block, int Offset) const;
    void PlaceBullet(TParagraph& Para, const class QTextBlockFormat& Format) const;
    TRichFont ResolveFont(const class QTextCharFormat& Format, int& Rise) const;
    QRect ToUnits(const QRect& RectTwips) const;
    int ContentX(int Twips) const;
    int ContentY(int Twips) const;

    const TRichText& FText;
    TRichLayoutOptions FOptions;
};
