#pragma once
#include "host/graphic.h"
#include "host/streams.h"
#include "output/PimXport.h"

#include <QStringList>

// An export filter that notes every record it is handed, with its arguments, as one line each.
class TLogFilter : public TPimExportFilter {
public:
    TLogFilter() : TPimExportFilter(nullptr) {}
    void SetLogFont(const TFont& Font, const TPimLogFont& LogFont) override {
        Calls << QStringLiteral("SetLogFont %1 %2 %3 %4")
                     .arg(Font.Name())
                     .arg(Font.Height())
                     .arg(LogFont.Size)
                     .arg((Font.Style() & fsBold) ? QStringLiteral("bold") : QStringLiteral("plain"));
    }
    void SetPen(const TPen& Pen) override { Calls << QStringLiteral("SetPen %1").arg(Pen.Width()); }
    void SetBrush(const TBrush& Brush) override { Calls << QStringLiteral("SetBrush %1").arg(Brush.Color()); }
    void SetTextAlign(uint16_t Flags) override { Calls << QStringLiteral("SetTextAlign %1").arg(Flags); }
    void Textout(int X, int Y, const QString& Text) override {
        Calls << QStringLiteral("Textout %1 %2 %3").arg(X).arg(Y).arg(Text);
    }
    void MoveTo(int X, int Y) override { Calls << QStringLiteral("MoveTo %1 %2").arg(X).arg(Y); }
    void LineTo(int X, int Y) override { Calls << QStringLiteral("LineTo %1 %2").arg(X).arg(Y); }
    void ExtTextout(int X, int Y, uint16_t Options, const TRect& R, const char16_t* Text,
                    int Count) override {
        Calls << QStringLiteral("ExtTextout %1 %2 %3 %4 %5 %6")
                     .arg(X)
                     .arg(Y)
                     .arg(Options)
                     .arg(R.Left)
                     .arg(R.Right)
                     .arg(QString::fromUtf16(Text, Count));
    }
    void TextRect(const TRect& R, int X, int Y, const QString& Text) override {
        Calls << QStringLiteral("TextRect ") + Box(R) + QStringLiteral(" %1 %2 %3").arg(X).arg(Y).arg(Text);
    }
    void FillRect(const TRect& R) override {
        Calls << QStringLiteral("FillRect %1 %2 %3 %4").arg(R.Left).arg(R.Top).arg(R.Right).arg(R.Bottom);
    }
    void Rectangle(int X1, int Y1, int X2, int Y2) override {
        Calls << QStringLiteral("Rectangle %1 %2 %3 %4").arg(X1).arg(Y1).arg(X2).arg(Y2);
    }
    void PTextout(int X, int Y, const char16_t* Text, int Count) override {
        Calls << QStringLiteral("PTextout %1 %2 %3").arg(X).arg(Y).arg(QString::fromUtf16(Text, Count));
    }
    void RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3) override {
        Calls << QStringLiteral("RoundRect ") + Ints({X1, Y1, X2, Y2, X3, Y3});
    }
    void Ellipse(int X1, int Y1, int X2, int Y2) override {
        Calls << QStringLiteral("Ellipse ") + Ints({X1, Y1, X2, Y2});
    }
    void StretchDraw(const TRect& R, const TGraphic* Graphic) override {
        Calls << QStringLiteral("StretchDraw ") + Box(R) +
                     QStringLiteral(" of %1x%2").arg(Graphic->Width()).arg(Graphic->Height());
    }
    void DrawBitmap(int X, int Y, TStream* Stream) override {
        Calls << QStringLiteral("DrawBitmap %1 %2 %3 bytes").arg(X).arg(Y).arg(Stream->Size());
    }
    void StretchDrawBitmap(const TRect& R, TStream* Stream) override {
        Calls << QStringLiteral("StretchDrawBitmap ") + Box(R) +
                     QStringLiteral(" %1 bytes").arg(Stream->Size());
    }
    void ShadeRect(const TRect& R, TPimShadePercent Shade) override {
        Calls << QStringLiteral("ShadeRect ") + Box(R) + QStringLiteral(" %1").arg(int(Shade));
    }
    void TextJustify(const TRect& R, int X, int Y, const QString& Text, bool EndParagraph,
                     const TRect& Full) override {
        Calls << QStringLiteral("TextJustify ") + Box(R) +
                     QStringLiteral(" %1 %2 %3 %4 ").arg(X).arg(Y).arg(Text).arg(EndParagraph) + Box(Full);
    }
    void RtfDraw(const TRect& R, TStream* Stream, int StartPos, int EndPos, bool SetDefFont) override {
        Stream->SetPosition(0);
        QByteArray Text(int(Stream->Size()), '\0');
        Stream->ReadBuffer(Text.data(), Text.size());
        Calls << QStringLiteral("RtfDraw ") + Box(R) +
                     QStringLiteral(" %1 %2 %3 %4")
                         .arg(QString::fromLatin1(Text))
                         .arg(StartPos)
                         .arg(EndPos)
                         .arg(SetDefFont);
    }
    void DrawCheckBox(const TRect& R, TPimCheckStyle Style, TColor Color, int Thickness) override {
        Calls << QStringLiteral("DrawCheckBox ") + Box(R) +
                     QStringLiteral(" %1 %2 %3").arg(int(Style)).arg(Color).arg(Thickness);
    }
    void DrawShapeType(TPimDrawType dt, int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4,
                       int Y4) override {
        Calls << QStringLiteral("DrawShapeType %1 ").arg(int(dt)) + Ints({X1, Y1, X2, Y2, X3, Y3, X4, Y4});
    }
    void PolyDrawType(TPimPolyType pt, const TPoint* Points, int Count) override {
        QString Line = QStringLiteral("PolyDrawType %1").arg(int(pt));
        for (int i = 0; i < Count; ++i)
            Line += QStringLiteral(" %1,%2").arg(Points[i].X).arg(Points[i].Y);
        Calls << Line;
    }
    void Print3of9Barcode(int Left, int Top, int Width, int Height, int Narrow, int Wide, bool Inches,
                          bool Vertical, const QString& Data) override {
        Calls << QStringLiteral("Print3of9Barcode ") +
                     Ints({Left, Top, Width, Height, Narrow, Wide, Inches, Vertical}) + QLatin1Char(' ') +
                     Data;
    }
    void Print2of5Barcode(int Left, int Top, int Width, int Height, int Narrow, int Wide, bool Inches,
                          bool Vertical, const QString& Data) override {
        Calls << QStringLiteral("Print2of5Barcode ") +
                     Ints({Left, Top, Width, Height, Narrow, Wide, Inches, Vertical}) + QLatin1Char(' ') +
                     Data;
    }
    static QString Ints(std::initializer_list<int> Values) {
        QStringList L;
        for (int V : Values)
            L << QString::number(V);
        return L.join(QLatin1Char(' '));
    }
    static QString Box(const TRect& R) { return Ints({R.Left, R.Top, R.Right, R.Bottom}); }
    void SetGraphicExport(bool Value) { FIsGraphicExport = Value; }
    QStringList Calls;
};
