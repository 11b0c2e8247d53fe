#pragma once
#include "host/devicecontext.h"
#include "host/graphics.h"
#include "host/streams.h"
#include <memory>

class TRichText;
struct TRichLayoutOptions;

// Measures and draws rich text in ranges of characters, so that a long formatted text can be split
// over pages: measuring says how many characters from Position fit into OutRect and how high they
// are, printing draws the next range onto Handle and moves Position past it. Measuring needs no
// device: it lays the text out at PixelsPerInchX and PixelsPerInchY.
class TPimRtfDraw {
public:
    TPimRtfDraw();
    virtual ~TPimRtfDraw();
    TPimRtfDraw(const TPimRtfDraw&) = delete;
    TPimRtfDraw& operator=(const TPimRtfDraw&) = delete;

    void Reset();
    // Loads the whole stream from its start: rich text, or plain text when it holds no RTF.
    void LoadFromStream(TStream& Stream);
    // Pixels at PixelsPerInchX and PixelsPerInchY to twips.
    TRect ScaleRect(const TRect& Rect) const;
    // ScaleRect for drawing on DC; on a screen the device is given a mapping that draws the text
    // at the size it has on paper.
    TRect PScaleRect(const TRect& Rect, DeviceContext* DC) const;
    // Draws the next range into OutRect on Handle and moves Position to the first character not
    // drawn.
    void Print();

    TRichText* RichEdit() const { return FRichEdit.get(); }
    const TRect& OutRect() const { return FOutRect; }
    void SetOutRect(const TRect& Value) { FOutRect = Value; }
    DeviceContext* Handle() const { return FHandle; }
    void SetHandle(DeviceContext* Value);
    int Height();
    int PrintCount();
    // Whether the measured range is a first line that did not fit, taken so that the text moves on.
    bool Forced();
    int TextLength();
    int PixelsPerInchX() const { return FPixelsPerInchX; }
    void SetPixelsPerInchX(int Value) { FPixelsPerInchX = Value; }
    int PixelsPerInchY() const { return FPixelsPerInchY; }
    void SetPixelsPerInchY(int Value) { FPixelsPerInchY = Value; }
    int Position() const { return FPosition; }
    void SetPosition(int Value);
    int RangeStart() const { return FRangeStart; }
    void SetRangeStart(int Value) { FRangeStart = Value; }
    int RangeEnd() const { return FRangeEnd; }
    void SetRangeEnd(int Value) { FRangeEnd = Value; }
    const TFont& Font() const { return *FFont; }
    void SetFont(const TFont& Value);

    // Text without a font of its own takes Font.
    bool SetDefaultFont = false;

private:
    void SetCountHeight();
    void FillOptions(TRichLayoutOptions& Options) const;
    int RangeFirst() const;

    std::unique_ptr<TRichText> FRichEdit;
    int FPosition = 0;
    TRect FOutRect;
    DeviceContext* FHandle = nullptr; // not owned
    int FTextLength = 0;
    int FPixelsPerInchX = 0;
    int FPixelsPerInchY = 0;
    int FRangeStart = -1;
    int FRangeEnd = -1;
    int FPrintCount = 0;
    int FHeight = 0;
    bool FForced = false;
    std::unique_ptr<TFont> FFont;
};
