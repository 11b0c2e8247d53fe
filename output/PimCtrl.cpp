#include "output/PimCtrl.h"

#include "host/mathutil.h"
#include "output/PimOut.h"

#include <algorithm>

const char Bar3of9Char[45] = "1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ-. *$/+%";
// Bits 7 down to 0 are the first eight elements, 1 = wide; the ninth is wide when fewer than three of
// those are, since every character has exactly three wide elements.
const uint8_t Bar3of9Code[44] = {0x90, 0x30, 0xB0, 0x18, 0x98, 0x38, 0x12, 0x92, 0x32, 0x1A, 0x84,
                                 0x24, 0xA4, 0x0C, 0x8C, 0x2C, 0x06, 0x86, 0x26, 0x0E, 0x81, 0x21,
                                 0xA1, 0x09, 0x89, 0x29, 0x03, 0x83, 0x23, 0x0B, 0xC0, 0x60, 0xE0,
                                 0x48, 0xC8, 0x68, 0x42, 0xC2, 0x62, 0x4A, 0x54, 0x51, 0x45, 0x15};
const char Bar2of5Char[11] = "0123456789";
// Bits 7 down to 3 are the five elements of a digit, 1 = wide.
const uint8_t Bar2of5Code[10] = {0x30, 0x88, 0x48, 0xC0, 0x28, 0xA0, 0x60, 0x18, 0x90, 0x50};

// TPimBarCode

TPimBarCode::TPimBarCode() = default;

TPimBarCode::~TPimBarCode() = default;

// A device smaller than a thousandth of an inch per pixel must still draw every element, so a converted
// width is at least one pixel. When the wide width is a whole multiple of the narrow one it stays so in
// pixels, which is what a scanner measures.
int TPimBarCode::NarrowPixels(int PixelsPerInch) const {
    if (!FWidthInInches_1000) return FNarrowWidth;
    return std::max(1, MulDiv(FNarrowWidth, PixelsPerInch, 1000));
}

int TPimBarCode::WidePixels(int PixelsPerInch) const {
    if (!FWidthInInches_1000) return FWideWidth;
    if (FNarrowWidth > 0 && FWideWidth % FNarrowWidth == 0)
        return NarrowPixels(PixelsPerInch) * (FWideWidth / FNarrowWidth);
    return std::max(1, MulDiv(FWideWidth, PixelsPerInch, 1000));
}

int TPimBarCode::PixelsPerInchAlong(const DeviceContext& Handle) const {
    return Handle.GetDeviceCaps(FVertical ? LOGPIXELSY : LOGPIXELSX);
}

int TPimBarCode::BarCodeLength(DeviceContext& Handle, const QString& Code) const {
    return BarCodeLengthAt(PixelsPerInchAlong(Handle), Code);
}

void TPimBarCode::Print(TPimCanvas* PimCanvas, int x, int y, const QString& Str) const {
    if (!PimCanvas || !PimCanvas->Handle()) return;
    PrintDC(*PimCanvas->Handle(), PimCanvas->GetSelectBrush(), x, y, Str);
}

void TPimBarCode::PrintDC(DeviceContext& Handle, HBRUSH BrushHandle, int x, int y, const QString& Str) const {
    const int PixelsPerInch = PixelsPerInchAlong(Handle);
    const int Narrow = NarrowPixels(PixelsPerInch), Wide = WidePixels(PixelsPerInch);
    for (const TPimBarElement& e : Elements(Str)) {
        const int w = e.Wide ? Wide : Narrow;
        if (e.Bar) {
            if (FVertical)
                Handle.FillRect(Bounds(x, y, FWidth, w), BrushHandle);
            else
                Handle.FillRect(Bounds(x, y, w, FHeight), BrushHandle);
        }
        if (FVertical)
            y += w;
        else
            x += w;
    }
}

int TPimBarCode::BarCodeLengthAt(int PixelsPerInch, const QString& Code) const {
    const int Narrow = NarrowPixels(PixelsPerInch), Wide = WidePixels(PixelsPerInch);
    int64_t Length = 0;
    for (const TPimBarElement& e : Elements(Code))
        Length += e.Wide ? Wide : Narrow;
    return static_cast<int>(std::clamp<int64_t>(Length, INT32_MIN, INT32_MAX));
}

// TPim3of9BarCode

TPim3of9BarCode::TPim3of9BarCode() = default;

QString TPim3of9BarCode::CharCode(QChar Ch) {
    for (int i = 0; i < 44; ++i) {
        if (Ch != QLatin1Char(Bar3of9Char[i])) continue;
        const uint8_t Code = Bar3of9Code[i];
        QString Result;
        int Wide = 0;
        for (int Bit = 7; Bit >= 0; --Bit) {
            const bool w = (Code >> Bit) & 1;
            Wide += w;
            Result += w ? QLatin1Char('1') : QLatin1Char('0');
        }
        Result += Wide < 3 ? QLatin1Char('1') : QLatin1Char('0');
        return Result;
    }
    return QString();
}

std::vector<TPimBarElement> TPim3of9BarCode::Elements(const QString& Str) const {
    std::vector<TPimBarElement> Result;
    if (Str.isEmpty()) return Result;
    const QString Text = QLatin1Char('*') + Str.toUpper() + QLatin1Char('*');
    for (QChar Ch : Text) {
        const QString Code = CharCode(Ch);
        if (Code.isEmpty()) continue;
        for (int i = 0; i < Code.size(); ++i)
            Result.push_back({i % 2 == 0, Code[i] == QLatin1Char('1')});
        Result.push_back({false, false});
    }
    return Result;
}

// TPim2of5BarCode

TPim2of5BarCode::TPim2of5BarCode() = default;

int TPim2of5BarCode::FindCode(QChar Ch, const char* Table, int Count) {
    for (int i = 0; i < Count; ++i)
        if (Ch == QLatin1Char(Table[i])) return i;
    return -1;
}

QString TPim2of5BarCode::GetBarString(QChar Ch1, QChar Ch2) {
    const int i1 = FindCode(Ch1, Bar2of5Char, 10), i2 = FindCode(Ch2, Bar2of5Char, 10);
    if (i1 < 0 || i2 < 0) return QString();
    QString Result;
    for (int Bit = 7; Bit >= 3; --Bit) {
        Result += (Bar2of5Code[i1] >> Bit) & 1 ? QLatin1Char('2') : QLatin1Char('0');
        Result += (Bar2of5Code[i2] >> Bit) & 1 ? QLatin1Char('3') : QLatin1Char('1');
    }
    return Result;
}

namespace {

void AppendElements(std::vector<TPimBarElement>& Out, const QString& Codes) {
    for (QChar c : Codes) {
        const char k = c.toLatin1();
        Out.push_back({k == '0' || k == '2', k == '2' || k == '3'});
    }
}

} // namespace

std::vector<TPimBarElement> TPim2of5BarCode::Elements(const QString& Str) const {
    std::vector<TPimBarElement> Result;
    if (Str.isEmpty()) return Result;
    for (QChar Ch : Str)
        if (FindCode(Ch, Bar2of5Char, 10) < 0) return Result;
    const QString Digits = Str.size() % 2 ? QLatin1Char('0') + Str : Str;
    AppendElements(Result, QStringLiteral("0101"));
    for (int i = 0; i + 1 < Digits.size(); i += 2)
        AppendElements(Result, GetBarString(Digits[i], Digits[i + 1]));
    AppendElements(Result, QStringLiteral("210"));
    return Result;
}
