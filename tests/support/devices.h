#pragma once
#include "host/devicecontext.h"
#include "host/graphics.h"

// Capabilities of a printer page at PPI with unprintable margins all round (Letter by default), for
// recording devices that stand in for printers.
TDeviceCaps PrinterCaps(int PPI, double WidthInch = 8.5, double HeightInch = 11, double MarginInch = 0.25);

// A screen of Width x Height pixels.
TDeviceCaps ScreenCaps(int PPI, int Width, int Height);

// Counts the drawing objects made and not freed since it was created.
class TGdiLeakCheck {
public:
    TGdiLeakCheck() : FBefore(GdiObjectCount()) {}
    int Leaked() const { return GdiObjectCount() - FBefore; }

private:
    int FBefore;
};

// Graphics objects set up in one call, for tests that record or draw with several of them.
TFont MakeFont(const QString& Name, int Size, TFontStyles Style = 0, TColor Color = clBlack);
TPen MakePen(TColor Color, int Width);
TBrush MakeBrush(TColor Color, TBrushStyle Style);
