#include "host/graphics.h"
#include "host/mathutil.h"
#include <iterator>

namespace {

// Entries 0..30 of the system colour table. Index 25 is unused and reads as black.
constexpr COLORREF SysColors[31] = {
    RGB(200, 200, 200), // scroll bar
    RGB(0, 0, 0),       // desktop
    RGB(153, 180, 209), // active caption
    RGB(191, 205, 219), // inactive caption
    RGB(240, 240, 240), // menu
    RGB(255, 255, 255), // window
    RGB(100, 100, 100), // window frame
    RGB(0, 0, 0),       // menu text
    RGB(0, 0, 0),       // window text
    RGB(0, 0, 0),       // caption text
    RGB(180, 180, 180), // active border
    RGB(244, 247, 252), // inactive border
    RGB(171, 171, 171), // application work space
    RGB(0, 120, 215),   // highlight
    RGB(255, 255, 255), // highlight text
    RGB(240, 240, 240), // button face
    RGB(160, 160, 160), // button shadow
    RGB(109, 109, 109), // grey text
    RGB(0, 0, 0),       // button text
    RGB(0, 0, 0),       // inactive caption text
    RGB(255, 255, 255), // button highlight
    RGB(105, 105, 105), // 3-D dark shadow
    RGB(227, 227, 227), // 3-D light
    RGB(0, 0, 0),       // tooltip text
    RGB(255, 255, 225), // tooltip background
    RGB(0, 0, 0),       // unused
    RGB(0, 102, 204),   // hot-tracked item
    RGB(185, 209, 234), // gradient of the active caption
    RGB(215, 228, 242), // gradient of the inactive caption
    RGB(0, 120, 215),   // menu highlight
    RGB(240, 240, 240), // menu bar
};

constexpr int DefaultPixelsPerInch = 96;

} // namespace

COLORREF GetSysColor(int Index) {
    if (Index < 0 || Index >= int(std::size(SysColors))) return 0;
    return SysColors[Index];
}

COLORREF ColorToRGB(TColor Color) {
    if (Color < 0) return GetSysColor(Color & 0xFF);
    return COLORREF(Color);
}

// ---- TFont ----

TFont::TFont()
    : FName(QStringLiteral("Arial")), FHeight(-MulDiv(8, DefaultPixelsPerInch, 72)),
      FPixelsPerInch(DefaultPixelsPerInch) {}

TFont::TFont(const TFont& Other)
    : FName(Other.FName), FHeight(Other.FHeight), FPixelsPerInch(Other.FPixelsPerInch), FStyle(Other.FStyle),
      FColor(Other.FColor), FCharset(Other.FCharset), FPitch(Other.FPitch), FExtra(Other.FExtra) {}

TFont& TFont::operator=(const TFont& Other) {
    if (this == &Other) return *this;
    FName = Other.FName;
    FHeight = Other.FHeight;
    FPixelsPerInch = Other.FPixelsPerInch;
    FStyle = Other.FStyle;
    FColor = Other.FColor;
    FCharset = Other.FCharset;
    FPitch = Other.FPitch;
    FExtra = Other.FExtra;
    Changed();
    return *this;
}

TFont::~TFont() = default;

void TFont::Assign(const TFont& Source) {
    FName = Source.FName;
    // a font taken over from a device of another resolution keeps its size in points
    FHeight =
        Source.FPixelsPerInch == FPixelsPerInch ? Source.FHeight : -MulDiv(Source.Size(), FPixelsPerInch, 72);
    FStyle = Source.FStyle;
    FColor = Source.FColor;
    FCharset = Source.FCharset;
    FPitch = Source.FPitch;
    FExtra = Source.FExtra;
    Changed();
}

void TFont::SetName(const QString& Value) {
    if (Value.isEmpty() || Value == FName) return;
    FName = Value;
    Changed();
}

int TFont::Size() const {
    return -MulDiv(FHeight, 72, FPixelsPerInch);
}

void TFont::SetSize(int Value) {
    SetHeight(-MulDiv(Value, FPixelsPerInch, 72));
}

void TFont::SetHeight(int Value) {
    if (Value == FHeight) return;
    FHeight = Value;
    Changed();
}

void TFont::SetPixelsPerInch(int Value) {
    if (Value <= 0) return; // a zero resolution would make Size divide by zero
    FPixelsPerInch = Value;
}

void TFont::SetStyle(TFontStyles Value) {
    Value &= fsBold | fsItalic | fsUnderline | fsStrikeOut;
    if (Value == FStyle) return;
    FStyle = Value;
    Changed();
}

void TFont::SetColor(TColor Value) {
    if (Value == FColor) return;
    FColor = Value;
    Changed();
}

void TFont::SetCharset(TFontCharset Value) {
    if (Value == FCharset) return;
    FCharset = Value;
    Changed();
}

void TFont::SetPitch(TFontPitch Value) {
    if (Value == FPitch) return;
    FPitch = Value;
    Changed();
}

TLogFont TFont::LogFont() const {
    TLogFont R = FExtra;
    R.lfHeight = FHeight;
    R.lfWeight = (FStyle & fsBold) ? FW_BOLD : FW_NORMAL;
    R.lfItalic = (FStyle & fsItalic) ? 1 : 0;
    R.lfUnderline = (FStyle & fsUnderline) ? 1 : 0;
    R.lfStrikeOut = (FStyle & fsStrikeOut) ? 1 : 0;
    R.lfCharSet = FCharset;
    R.lfPitchAndFamily = uint8_t((R.lfPitchAndFamily & 0xF0) | (FPitch == fpFixed      ? FIXED_PITCH
                                                                : FPitch == fpVariable ? VARIABLE_PITCH
                                                                                       : DEFAULT_PITCH));
    R.lfFaceName = FName.left(LF_FACESIZE - 1);
    return R;
}

void TFont::SetLogFont(const TLogFont& Value) {
    FExtra = Value;
    if (!Value.lfFaceName.isEmpty()) FName = Value.lfFaceName.left(LF_FACESIZE - 1);
    FHeight = Value.lfHeight;
    TFontStyles S = 0;
    if (Value.lfWeight >= FW_BOLD) S |= fsBold;
    if (Value.lfItalic) S |= fsItalic;
    if (Value.lfUnderline) S |= fsUnderline;
    if (Value.lfStrikeOut) S |= fsStrikeOut;
    FStyle = S;
    FCharset = Value.lfCharSet;
    switch (Value.lfPitchAndFamily & 0x03) {
    case FIXED_PITCH:
        FPitch = fpFixed;
        break;
    case VARIABLE_PITCH:
        FPitch = fpVariable;
        break;
    default:
        FPitch = fpDefault;
        break;
    }
    Changed();
}

bool TFont::operator==(const TFont& Other) const {
    return FName == Other.FName && FHeight == Other.FHeight && FPixelsPerInch == Other.FPixelsPerInch &&
           FStyle == Other.FStyle && FColor == Other.FColor && FCharset == Other.FCharset &&
           FPitch == Other.FPitch && FExtra.lfEscapement == Other.FExtra.lfEscapement &&
           FExtra.lfOrientation == Other.FExtra.lfOrientation && FExtra.lfWidth == Other.FExtra.lfWidth;
}

void TFont::Changed() {
    if (OnChange) OnChange(this);
}

// ---- TPen ----

int PenModeToROP2(TPenMode Mode) {
    // R2_BLACK = 1 ... R2_WHITE = 16, in the order of the pen modes' own table
    static constexpr int Rop2[16] = {1, 16, 11, 6, 13, 4, 14, 5, 12, 3, 15, 2, 9, 8, 7, 10};
    return Rop2[Mode & 0x0F];
}

TPen::TPen(const TPen& Other)
    : FColor(Other.FColor), FWidth(Other.FWidth), FStyle(Other.FStyle), FMode(Other.FMode) {}

TPen& TPen::operator=(const TPen& Other) {
    if (this != &Other) Assign(Other);
    return *this;
}

void TPen::Assign(const TPen& Source) {
    FColor = Source.FColor;
    FWidth = Source.FWidth;
    FStyle = Source.FStyle;
    FMode = Source.FMode;
    Changed();
}

void TPen::SetColor(TColor Value) {
    if (Value == FColor) return;
    FColor = Value;
    Changed();
}

void TPen::SetWidth(int Value) {
    if (Value < 0 || Value == FWidth) return;
    FWidth = Value;
    Changed();
}

void TPen::SetStyle(TPenStyle Value) {
    if (Value > psAlternate || Value == FStyle) return;
    FStyle = Value;
    Changed();
}

void TPen::SetMode(TPenMode Value) {
    if (Value > pmNotXor || Value == FMode) return;
    FMode = Value;
    Changed();
}

TLogPen TPen::LogPen() const {
    TLogPen R;
    R.lopnStyle = FStyle; // the ordinals are the record's style numbers
    R.lopnWidth = FWidth;
    R.lopnColor = ColorToRGB(FColor);
    return R;
}

void TPen::SetLogPen(const TLogPen& Value) {
    FColor = TColor(Value.lopnColor & 0xFFFFFF);
    FWidth = Value.lopnWidth < 0 ? 0 : Value.lopnWidth;
    uint32_t S = Value.lopnStyle & PS_STYLE_MASK;
    FStyle = S <= PS_ALTERNATE ? TPenStyle(S) : psSolid;
    Changed();
}

bool TPen::operator==(const TPen& Other) const {
    return FColor == Other.FColor && FWidth == Other.FWidth && FStyle == Other.FStyle && FMode == Other.FMode;
}

void TPen::Changed() {
    if (OnChange) OnChange(this);
}

// ---- TBrush ----

TBrush::TBrush(const TBrush& Other) : FColor(Other.FColor), FStyle(Other.FStyle) {}

TBrush& TBrush::operator=(const TBrush& Other) {
    if (this != &Other) Assign(Other);
    return *this;
}

void TBrush::Assign(const TBrush& Source) {
    FColor = Source.FColor;
    FStyle = Source.FStyle;
    Changed();
}

void TBrush::SetColor(TColor Value) {
    if (Value == FColor) return;
    FColor = Value;
    Changed();
}

void TBrush::SetStyle(TBrushStyle Value) {
    if (Value > bsDiagCross || Value == FStyle) return;
    FStyle = Value;
    Changed();
}

TLogBrush TBrush::LogBrush() const {
    TLogBrush R;
    R.lbColor = ColorToRGB(FColor);
    switch (FStyle) {
    case bsSolid:
        R.lbStyle = BS_SOLID;
        break;
    case bsClear:
        R.lbStyle = BS_NULL;
        break;
    default:
        R.lbStyle = BS_HATCHED;
        R.lbHatch = int32_t(FStyle) - int32_t(bsHorizontal); // bsHorizontal..bsDiagCross = HS_*
        break;
    }
    return R;
}

void TBrush::SetLogBrush(const TLogBrush& Value) {
    FColor = TColor(Value.lbColor & 0xFFFFFF);
    if (Value.lbStyle == BS_NULL)
        FStyle = bsClear;
    else if (Value.lbStyle == BS_HATCHED && Value.lbHatch >= HS_HORIZONTAL && Value.lbHatch <= HS_DIAGCROSS)
        FStyle = TBrushStyle(bsHorizontal + Value.lbHatch);
    else
        FStyle = bsSolid;
    Changed();
}

bool TBrush::operator==(const TBrush& Other) const {
    return FColor == Other.FColor && FStyle == Other.FStyle;
}

void TBrush::Changed() {
    if (OnChange) OnChange(this);
}
