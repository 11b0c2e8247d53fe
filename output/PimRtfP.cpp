#include "output/PimRtfP.h"
#include "host/mathutil.h"
#include "host/richlayout.h"
#include "host/rtf.h"

#include <QByteArray>
#include <algorithm>

namespace {

constexpr int TwipsPerInch = 1440;
// Rendering lets the character range, not the rectangle, end the output.
constexpr int RenderExtraTwips = 5000;

bool IsScreenDevice(const DeviceContext& DC) {
    return (DC.GetDeviceCaps(TECHNOLOGY) & 1) != 0;
}

QRect TwipsToQRect(const TRect& r) {
    return QRect(QPoint(r.Left, r.Top), QPoint(r.Right, r.Bottom));
}

} // namespace

TPimRtfDraw::TPimRtfDraw() : FRichEdit(std::make_unique<TRichText>()), FFont(std::make_unique<TFont>()) {
    Reset();
}

TPimRtfDraw::~TPimRtfDraw() = default;

void TPimRtfDraw::Reset() {
    FPosition = 0;
    FHandle = nullptr;
    FTextLength = 0;
    FRichEdit->Clear();
    FPixelsPerInchX = 0;
    FPixelsPerInchY = 0;
    FRangeStart = -1;
    FRangeEnd = -1;
    FPrintCount = 0;
    FHeight = 0;
    SetDefaultFont = false;
}

void TPimRtfDraw::LoadFromStream(TStream& Stream) {
    FRichEdit->Clear();
    Stream.SetPosition(0);
    QByteArray Bytes(static_cast<qsizetype>(std::max<int64_t>(0, Stream.Size())), Qt::Uninitialized);
    if (!Bytes.isEmpty()) Stream.ReadBuffer(Bytes.data(), Bytes.size());
    FRichEdit->Load(Bytes);
    FHeight = 0;
    FTextLength = 0;
    FPrintCount = 0;
    TextLength();
}

// Each product and quotient rounds as MulDiv does, so a rectangle converts to the same twips
// wherever it is converted.
TRect TPimRtfDraw::ScaleRect(const TRect& Rect) const {
    TRect r;
    r.Left = MulDiv(Rect.Left, TwipsPerInch, FPixelsPerInchX);
    r.Top = MulDiv(Rect.Top, TwipsPerInch, FPixelsPerInchY);
    r.Right = r.Left + MulDiv(Rect.Right - Rect.Left + 1, TwipsPerInch, FPixelsPerInchX) - 1;
    r.Bottom = r.Top + MulDiv(Rect.Bottom - Rect.Top + 1, TwipsPerInch, FPixelsPerInchY) - 1;
    return r;
}

TRect TPimRtfDraw::PScaleRect(const TRect& Rect, DeviceContext* DC) const {
    if (!DC || !IsScreenDevice(*DC)) return ScaleRect(Rect);
    const int dx = MulDiv(DC->GetDeviceCaps(LOGPIXELSX), 10, 9);
    const int dy = MulDiv(DC->GetDeviceCaps(LOGPIXELSY), 10, 9);
    if (dx != FPixelsPerInchX || dy != FPixelsPerInchY) {
        const int ResX = DC->GetDeviceCaps(HORZRES);
        const int ResY = DC->GetDeviceCaps(VERTRES);
        DC->SetMapMode(MM_ANISOTROPIC);
        DC->SetWindowExtEx(ResX, ResY);
        DC->SetViewportExtEx(MulDiv(ResX, FPixelsPerInchX, dx), MulDiv(ResY, FPixelsPerInchX, dx));
    }
    TRect r = Rect;
    r.Left = MulDiv(Rect.Left, 10, 9);
    r.Top = MulDiv(Rect.Top, 10, 9);
    r.Right = r.Left + MulDiv(Rect.Right - Rect.Left, 10, 9);
    return ScaleRect(r);
}

// The text is laid out in the device's logical units. On a screen those are the enlarged units of
// the mapping PScaleRect set up: the rectangle arrives enlarged already, and the fonts are made
// larger by the same 10/9, so that after the mapping text has its size on paper and breaks into
// the lines it was measured with.
void TPimRtfDraw::Print() {
    if (!FHandle || FPosition >= TextLength()) return;
    DeviceContext& DC = *FHandle;
    const int Saved = DC.SaveDC();
    try {
        const TRect Twips = PScaleRect(FOutRect, &DC);
        const bool Screen = IsScreenDevice(DC);
        if (!Screen) DC.SetMapMode(MM_TEXT);
        TRichLayoutOptions Options;
        FillOptions(Options);
        Options.PixelsPerInchX = DC.GetDeviceCaps(LOGPIXELSX);
        Options.PixelsPerInchY = DC.GetDeviceCaps(LOGPIXELSY);
        if (Screen) {
            Options.ContentPixelsPerInchX = MulDiv(Options.PixelsPerInchX, 10, 9);
            Options.ContentPixelsPerInchY = MulDiv(Options.PixelsPerInchY, 10, 9);
        }
        const COLORREF Text = DC.GetTextColor();
        Options.TextColor = QColor(GetRValue(Text), GetGValue(Text), GetBValue(Text));
        const TRichLayout Layout(*FRichEdit, Options);
        int Next;
        {
            TDeviceRichCanvas Canvas(DC);
            Next = Layout.Render(Canvas, RangeFirst(), FRangeEnd, TwipsToQRect(Twips), RenderExtraTwips);
        }
        FPosition = Next;
    } catch (...) {
        DC.RestoreDC(Saved);
        FHeight = 0;
        FPrintCount = 0;
        throw;
    }
    DC.RestoreDC(Saved);
    FHeight = 0;
    FPrintCount = 0;
}

void TPimRtfDraw::SetHandle(DeviceContext* Value) {
    FHandle = Value;
}

int TPimRtfDraw::Height() {
    if (FHeight == 0) SetCountHeight();
    return FHeight;
}

int TPimRtfDraw::PrintCount() {
    if (FPrintCount == 0) SetCountHeight();
    return FPrintCount;
}

bool TPimRtfDraw::Forced() {
    if (FPrintCount == 0) SetCountHeight();
    return FForced;
}

int TPimRtfDraw::TextLength() {
    if (FTextLength == 0) FTextLength = FRichEdit->TextLength();
    return FTextLength;
}

void TPimRtfDraw::SetPosition(int Value) {
    FPosition = Value;
    FPrintCount = 0;
    FHeight = 0;
}

void TPimRtfDraw::SetFont(const TFont& Value) {
    FFont->Assign(Value);
}

// Measures at the asked resolution alone: no printer, no device of any kind. When not even one
// line fits, the first line is reported with its full height, so a text split over pages always
// moves on.
void TPimRtfDraw::SetCountHeight() {
    FForced = false;
    if (FPosition >= TextLength()) return;
    if (FPixelsPerInchX <= 0 || FPixelsPerInchY <= 0) return;
    TRichLayoutOptions Options;
    FillOptions(Options);
    Options.PixelsPerInchX = FPixelsPerInchX;
    Options.PixelsPerInchY = FPixelsPerInchY;
    const TRect Twips = ScaleRect(FOutRect);
    const TRichMeasure m =
        TRichLayout(*FRichEdit, Options).Measure(RangeFirst(), FRangeEnd, TwipsToQRect(Twips));
    FPrintCount = m.Count;
    FForced = m.Forced;
    const int Bottom = Twips.Top + MulDiv(m.Height, TwipsPerInch, FPixelsPerInchY);
    FHeight = MulDiv(Bottom - Twips.Top + 1, FPixelsPerInchY, TwipsPerInch);
    if (!m.Forced) FHeight = std::min(FHeight, FOutRect.Bottom - FOutRect.Top - 1);
}

void TPimRtfDraw::FillOptions(TRichLayoutOptions& Options) const {
    Options.DefaultFont = *FFont;
    Options.UseDefaultFont = SetDefaultFont;
}

int TPimRtfDraw::RangeFirst() const {
    return std::max(FPosition, FRangeStart);
}
