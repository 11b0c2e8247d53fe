#include "devices.h"
#include <cmath>

TDeviceCaps PrinterCaps(int PPI, double WidthInch, double HeightInch, double MarginInch) {
    TDeviceCaps C;
    C.Technology = DT_RASPRINTER;
    C.LogPixelsX = C.LogPixelsY = PPI;
    C.PhysicalWidth = int(std::lround(WidthInch * PPI));
    C.PhysicalHeight = int(std::lround(HeightInch * PPI));
    C.PhysicalOffsetX = C.PhysicalOffsetY = int(std::lround(MarginInch * PPI));
    C.HorzRes = C.PhysicalWidth - 2 * C.PhysicalOffsetX;
    C.VertRes = C.PhysicalHeight - 2 * C.PhysicalOffsetY;
    C.BitsPixel = 24;
    return C;
}

TDeviceCaps ScreenCaps(int PPI, int Width, int Height) {
    TDeviceCaps C;
    C.Technology = DT_RASDISPLAY;
    C.LogPixelsX = C.LogPixelsY = PPI;
    C.PhysicalWidth = C.HorzRes = Width;
    C.PhysicalHeight = C.VertRes = Height;
    return C;
}

TFont MakeFont(const QString& Name, int Size, TFontStyles Style, TColor Color) {
    TFont Font;
    Font.SetName(Name);
    Font.SetSize(Size);
    Font.SetStyle(Style);
    Font.SetColor(Color);
    return Font;
}

TPen MakePen(TColor Color, int Width) {
    TPen Pen;
    Pen.SetColor(Color);
    Pen.SetWidth(Width);
    return Pen;
}

TBrush MakeBrush(TColor Color, TBrushStyle Style) {
    TBrush Brush;
    Brush.SetColor(Color);
    Brush.SetStyle(Style);
    return Brush;
}
