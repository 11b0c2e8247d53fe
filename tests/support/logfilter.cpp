#include "support/logfilter.h"
#include "host/graphic.h"
#include "host/streams.h"

void TLogFilter::SetLogFont(const TFont& Font, const TPimLogFont& LogFont) {
    Calls << QStringLiteral("SetLogFont %1 %2 %3 %4")
                 .arg(Font.Name())
                 .arg(Font.Height())
                 .arg(LogFont.Size)
                 .arg((Font.Style() & fsBold) ? QStringLiteral("bold") : QStringLiteral("plain"));
}

void TLogFilter::SetPen(const TPen& Pen) {
    Calls << QStringLiteral("SetPen %1").arg(Pen.Width());
}

void TLogFilter::SetBrush(const TBrush& Brush) {
    Calls << QStringLiteral("SetBrush %1").arg(Brush.Color());
}

void TLogFilter::SetTextAlign(uint16_t Flags) {
    Calls << QStringLiteral("SetTextAlign %1").arg(Flags);
}

void TLogFilter::Textout(int X, int Y, const QString& Text) {
    Calls << QStringLiteral("Textout %1 %2 %3").arg(X).arg(Y).arg(Text);
}

void TLogFilter::MoveTo(int X, int Y) {
    Calls << QStringLiteral("MoveTo %1 %2").arg(X).arg(Y);
}

void TLogFilter::LineTo(int X, int Y) {
    Calls << QStringLiteral("LineTo %1 %2").arg(X).arg(Y);
}

void TLogFilter::ExtTextout(int X, int Y, uint16_t Options, const TRect& R, const char16_t* Text, int Count) {
    Calls << QStringLiteral("ExtTextout %1 %2 %3 %4 %5 %6")
                 .arg(X)
                 .arg(Y)
                 .arg(Options)
                 .arg(R.Left)
                 .arg(R.Right)
                 .arg(QString::fromUtf16(Text, Count));
}

void TLogFilter::FillRect(const TRect& R) {
    Calls << QStringLiteral("FillRect %1 %2 %3 %4").arg(R.Left).arg(R.Top).arg(R.Right).arg(R.Bottom);
}

void TLogFilter::Rectangle(int X1, int Y1, int X2, int Y2) {
    Calls << QStringLiteral("Rectangle %1 %2 %3 %4").arg(X1).arg(Y1).arg(X2).arg(Y2);
}

void TLogFilter::PTextout(int X, int Y, const char16_t* Text, int Count) {
    Calls << QStringLiteral("PTextout %1 %2 %3").arg(X).arg(Y).arg(QString::fromUtf16(Text, Count));
}

void TLogFilter::RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3) {
    Calls << QStringLiteral("RoundRect ") + Ints({X1, Y1, X2, Y2, X3, Y3});
}

void TLogFilter::Ellipse(int X1, int Y1, int X2, int Y2) {
    Calls << QStringLiteral("Ellipse ") + Ints({X1, Y1, X2, Y2});
}

void TLogFilter::StretchDraw(const TRect& R, const TGraphic* Graphic) {
    Calls << QStringLiteral("StretchDraw ") + Box(R) +
                 QStringLiteral(" of %1x%2").arg(Graphic->Width()).arg(Graphic->Height());
}

void TLogFilter::DrawBitmap(int X, int Y, TStream* Stream) {
    Calls << QStringLiteral("DrawBitmap %1 %2 %3 bytes").arg(X).arg(Y).arg(Stream->Size());
}

void TLogFilter::StretchDrawBitmap(const TRect& R, TStream* Stream) {
    Calls << QStringLiteral("StretchDrawBitmap ") + Box(R) + QStringLiteral(" %1 bytes").arg(Stream->Size());
}

void TLogFilter::ShadeRect(const TRect& R, TPimShadePercent Shade) {
    Calls << QStringLiteral("ShadeRect ") + Box(R) + QStringLiteral(" %1").arg(int(Shade));
}

void TLogFilter::TextJustify(const TRect& R, int X, int Y, const QString& Text, bool EndParagraph,
                             const TRect& Full) {
    Calls << QStringLiteral("TextJustify ") + Box(R) +
                 QStringLiteral(" %1 %2 %3 %4 ").arg(X).arg(Y).arg(Text).arg(EndParagraph) + Box(Full);
}

void TLogFilter::RtfDraw(const TRect& R, TStream* Stream, int StartPos, int EndPos, bool SetDefFont) {
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

void TLogFilter::DrawCheckBox(const TRect& R, TPimCheckStyle Style, TColor Color, int Thickness) {
    Calls << QStringLiteral("DrawCheckBox ") + Box(R) +
                 QStringLiteral(" %1 %2 %3").arg(int(Style)).arg(Color).arg(Thickness);
}

void TLogFilter::DrawShapeType(TPimDrawType dt, int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4,
                               int Y4) {
    Calls << QStringLiteral("DrawShapeType %1 ").arg(int(dt)) + Ints({X1, Y1, X2, Y2, X3, Y3, X4, Y4});
}

void TLogFilter::PolyDrawType(TPimPolyType pt, const TPoint* Points, int Count) {
    QString Line = QStringLiteral("PolyDrawType %1").arg(int(pt));
    for (int i = 0; i < Count; ++i)
        Line += QStringLiteral(" %1,%2").arg(Points[i].X).arg(Points[i].Y);
    Calls << Line;
}

void TLogFilter::Print3of9Barcode(int Left, int Top, int Width, int Height, int Narrow, int Wide, bool Inches,
                                  bool Vertical, const QString& Data) {
    Calls << QStringLiteral("Print3of9Barcode ") +
                 Ints({Left, Top, Width, Height, Narrow, Wide, Inches, Vertical}) + QLatin1Char(' ') + Data;
}

void TLogFilter::Print2of5Barcode(int Left, int Top, int Width, int Height, int Narrow, int Wide, bool Inches,
                                  bool Vertical, const QString& Data) {
    Calls << QStringLiteral("Print2of5Barcode ") +
                 Ints({Left, Top, Width, Height, Narrow, Wide, Inches, Vertical}) + QLatin1Char(' ') + Data;
}

QString TLogFilter::Ints(std::initializer_list<int> Values) {
    QStringList L;
    for (int V : Values)
        L << QString::number(V);
    return L.join(QLatin1Char(' '));
}

QString TLogFilter::Box(const TRect& R) {
    return Ints({R.Left, R.Top, R.Right, R.Bottom});
}
