#pragma once
#include "output/PimXport.h"

#include <QStringList>
#include <initializer_list>

// An export filter that notes every operation it is handed, one line each with its arguments, so
// that a test sees the records of a document as a filter gets them.
class TLogFilter : public TPimExportFilter {
public:
    TLogFilter() : TPimExportFilter(nullptr) {}
    void SetLogFont(const TFont& Font, const TPimLogFont& LogFont) override;
    void SetPen(const TPen& Pen) override;
    void SetBrush(const TBrush& Brush) override;
    void SetTextAlign(uint16_t Flags) override;
    void Textout(int X, int Y, const QString& Text) override;
    void MoveTo(int X, int Y) override;
    void LineTo(int X, int Y) override;
    void ExtTextout(int X, int Y, uint16_t Options, const TRect& R, const char16_t* Text, int Count) override;
    void FillRect(const TRect& R) override;
    void Rectangle(int X1, int Y1, int X2, int Y2) override;
    void PTextout(int X, int Y, const char16_t* Text, int Count) override;
    void RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3) override;
    void Ellipse(int X1, int Y1, int X2, int Y2) override;
    void StretchDraw(const TRect& R, const TGraphic* Graphic) override;
    void DrawBitmap(int X, int Y, TStream* Stream) override;
    void StretchDrawBitmap(const TRect& R, TStream* Stream) override;
    void ShadeRect(const TRect& R, TPimShadePercent Shade) override;
    void TextJustify(const TRect& R, int X, int Y, const QString& Text, bool EndParagraph,
                     const TRect& Full) override;
    void RtfDraw(const TRect& R, TStream* Stream, int StartPos, int EndPos, bool SetDefFont) override;
    void DrawCheckBox(const TRect& R, TPimCheckStyle Style, TColor Color, int Thickness) override;
    void DrawShapeType(TPimDrawType dt, int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4,
                       int Y4) override;
    void PolyDrawType(TPimPolyType pt, const TPoint* Points, int Count) override;
    void Print3of9Barcode(int Left, int Top, int Width, int Height, int Narrow, int Wide, bool Inches,
                          bool Vertical, const QString& Data) override;
    void Print2of5Barcode(int Left, int Top, int Width, int Height, int Narrow, int Wide, bool Inches,
                          bool Vertical, const QString& Data) override;
    // Whether the filter asks for the drawing itself rather than the records.
    void SetGraphicExport(bool Value) { FIsGraphicExport = Value; }
    QStringList Calls;

    // Numbers and rectangles as the notes write them: separated by spaces.
    static QString Ints(std::initializer_list<int> Values);
    static QString Box(const TRect& R);
};
