#pragma once
#include "host/devicecontext.h"
#include "host/graphics.h"
#include <QImage>
#include <QString>
#include <vector>

// Something a canvas can draw at a place or stretched into a rectangle; the graphic family derives
// from it.
class TDrawable {
public:
    virtual ~TDrawable();
    virtual bool Empty() const = 0;
    virtual int Width() const = 0; // device pixels at the drawable's own resolution
    virtual int Height() const = 0;
    virtual void StretchDrawOn(DeviceContext& DC, const TRect& Rect) const = 0;
};

// The host's canvas: a font, a pen and a brush as value objects, made into drawing objects of the
// device context only when something is drawn after they changed. The canvas owns the drawing
// objects it made and deletes them when they change or when it lets go of the device context (it
// selects stock objects first, so nothing of it stays selected). The device context itself is not
// owned: the caller keeps it alive while it is the canvas's Handle. On a device of another
// resolution the font keeps its size in points.
class TCanvas {
public:
    TCanvas();
    explicit TCanvas(DeviceContext* DC);
    virtual ~TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    DeviceContext* Handle() const { return FHandle; }
    void SetHandle(DeviceContext* Value);
    bool HandleAllocated() const { return FHandle != nullptr; }

    TFont& Font() { return FFont; }
    void SetFont(const TFont& Value) { FFont.Assign(Value); }
    TPen& Pen() { return FPen; }
    void SetPen(const TPen& Value) { FPen.Assign(Value); }
    TBrush& Brush() { return FBrush; }
    void SetBrush(const TBrush& Value) { FBrush.Assign(Value); }

    TPoint PenPos() const;
    void SetPenPos(TPoint Value);
    // Flags for text: ETO_OPAQUE and ETO_CLIPPED as TextRect uses them.
    uint32_t TextFlags() const { return FTextFlags; }
    void SetTextFlags(uint32_t Value) { FTextFlags = Value; }

    void MoveTo(int X, int Y);
    void LineTo(int X, int Y);
    void Rectangle(int X1, int Y1, int X2, int Y2);
    void Rectangle(const TRect& R) { Rectangle(R.Left, R.Top, R.Right, R.Bottom); }
    void RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3);
    void Ellipse(int X1, int Y1, int X2, int Y2);
    void Ellipse(const TRect& R) { Ellipse(R.Left, R.Top, R.Right, R.Bottom); }
    void Arc(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4);
    void Chord(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4);
    void Pie(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4);
    void Polygon(const std::vector<TPoint>& Points);
    void Polyline(const std::vector<TPoint>& Points);
    void FillRect(const TRect& R);
    void FrameRect(const TRect& R);

    // Text in the font's colour; the background is filled in the brush colour unless the brush is
    // clear. TextOut leaves the pen position at the end of the text.
    void TextOut(int X, int Y, const QString& Text);
    void TextRect(const TRect& R, int X, int Y, const QString& Text);
    TSize TextExtent(const QString& Text);
    int TextWidth(const QString& Text) { return TextExtent(Text).cx; }
    int TextHeight(const QString& Text) { return TextExtent(Text).cy; }

    void Draw(int X, int Y, const QImage& Image);
    void StretchDraw(const TRect& R, const QImage& Image);
    void Draw(int X, int Y, const TDrawable& Graphic);
    void StretchDraw(const TRect& R, const TDrawable& Graphic);

    COLORREF Pixel(int X, int Y);
    void SetPixel(int X, int Y, TColor Color);

    std::function<void(TCanvas* Sender)> OnChange;
    std::function<void(TCanvas* Sender)> OnChanging;

private:
    enum : uint8_t { csHandleValid = 1, csFontValid = 2, csPenValid = 4, csBrushValid = 8 };

    // Makes sure the device context holds the drawing objects the canvas needs for the next call.
    void RequiredState(uint8_t State);
    void CreateFont();
    void CreatePen();
    void CreateBrush();
    void DeselectHandles();
    void Changing();
    void Changed();

    DeviceContext* FHandle = nullptr; // not owned
    TFont FFont;
    TPen FPen;
    TBrush FBrush;
    uint8_t FState = 0;
    uint32_t FTextFlags = 0;
    HFONT FFontHandle = 0;   // owned
    HPEN FPenHandle = 0;     // owned
    HBRUSH FBrushHandle = 0; // owned
};
