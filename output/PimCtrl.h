#pragma once
#include "host/devicecontext.h"

#include <QString>
#include <cstdint>
#include <vector>

class TPimCanvas;

// One element of a drawn bar code: a bar (filled) or a space (left untouched), narrow or wide.
struct TPimBarElement {
    bool Bar = false;
    bool Wide = false;
};

// A bar code drawn as filled rectangles. Widths are device pixels, or thousandths of an inch when
// WidthInInches_1000 is set; bars are Height long in a horizontal code and Width long in a vertical one.
class TPimBarCode {
public:
    TPimBarCode();
    virtual ~TPimBarCode();

    // Extent of the code along its direction in pixels of the device: exactly what PrintDC covers.
    virtual int BarCodeLength(DeviceContext& Handle, const QString& Code) const;
    // Draws on the canvas's device context with the canvas's current brush, as PrintDC does; a
    // canvas without a device context draws nothing.
    virtual void Print(TPimCanvas* PimCanvas, int x, int y, const QString& Str) const;
    // Fills the bars with Brush, the top left corner of the code at x, y; spaces are left untouched.
    virtual void PrintDC(DeviceContext& Handle, HBRUSH BrushHandle, int x, int y, const QString& Str) const;

    // Extent of the code along its direction on a device with the given pixels per inch along the code:
    // exactly what is drawn, the gap behind the last character included.
    int BarCodeLengthAt(int PixelsPerInch, const QString& Code) const;

    // The elements drawn for a text, in drawing order; empty when nothing is drawn.
    virtual std::vector<TPimBarElement> Elements(const QString& Str) const = 0;
    // Narrow and wide widths in pixels of a device with the given pixels per inch along the code.
    int NarrowPixels(int PixelsPerInch) const;
    int WidePixels(int PixelsPerInch) const;

    int NarrowWidth() const { return FNarrowWidth; }
    void SetNarrowWidth(int Value) { FNarrowWidth = Value; }
    int WideWidth() const { return FWideWidth; }
    void SetWideWidth(int Value) { FWideWidth = Value; }
    bool Vertical() const { return FVertical; }
    void SetVertical(bool Value) { FVertical = Value; }
    int Height() const { return FHeight; }
    void SetHeight(int Value) { FHeight = Value; }
    int Width() const { return FWidth; }
    void SetWidth(int Value) { FWidth = Value; }
    bool WidthInInches_1000() const { return FWidthInInches_1000; }
    void SetWidthInInches_1000(bool Value) { FWidthInInches_1000 = Value; }

private:
    int PixelsPerInchAlong(const DeviceContext& Handle) const;

    int32_t FNarrowWidth = 1;
    int32_t FWideWidth = 3;
    bool FVertical = false;
    int32_t FHeight = 0;
    int32_t FWidth = 0;
    bool FWidthInInches_1000 = false;
};

// Code 39: start and stop "*", a narrow gap after every character, no check character. Letters are
// drawn as capitals; characters outside the table are left out.
class TPim3of9BarCode : public TPimBarCode {
public:
    TPim3of9BarCode();

    // Nine elements, bar first, "1" wide and "0" narrow; empty for a character outside the table.
    static QString CharCode(QChar Ch);
    std::vector<TPimBarElement> Elements(const QString& Str) const override;
};

// Interleaved 2 of 5: digits in pairs (a leading 0 for an odd count), bars from the first digit and
// spaces from the second, between the start and stop patterns; no check digit.
class TPim2of5BarCode : public TPimBarCode {
public:
    TPim2of5BarCode();

    // Ten elements: "0" narrow bar, "1" narrow space, "2" wide bar, "3" wide space; empty unless both
    // are digits.
    static QString GetBarString(QChar Ch1, QChar Ch2);
    static int FindCode(QChar Ch, const char* Table, int Count);
    std::vector<TPimBarElement> Elements(const QString& Str) const override;
};

extern const char Bar3of9Char[45];
extern const uint8_t Bar3of9Code[44];
extern const char Bar2of5Char[11];
extern const uint8_t Bar2of5Code[10];
