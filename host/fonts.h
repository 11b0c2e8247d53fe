#pragma once
#include "host/graphics.h"
#include <QFont>
#include <QHash>
#include <QRawFont>
#include <QString>
#include <QStringView>
#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

// Text metrics of a font as made for a device, in device pixels.
struct TTextMetric {
    int tmHeight = 0; // ascent + descent
    int tmAscent = 0;
    int tmDescent = 0;
    int tmInternalLeading = 0; // tmHeight less the character height
    int tmExternalLeading = 0;
    int tmAveCharWidth = 0;
    int tmMaxCharWidth = 0;
    int tmWeight = 0;
    int tmOverhang = 0;
    int tmDigitizedAspectX = 0;
    int tmDigitizedAspectY = 0;
    char16_t tmFirstChar = 0x20;
    char16_t tmLastChar = 0xFFFC;
    char16_t tmDefaultChar = 0x1F;
    char16_t tmBreakChar = 0x20;
    uint8_t tmItalic = 0;
    uint8_t tmUnderlined = 0;
    uint8_t tmStruckOut = 0;
    uint8_t tmPitchAndFamily = 0;
    uint8_t tmCharSet = 0;
};

// Bits of tmPitchAndFamily. The pitch bit is set for proportional fonts, as the platform has it.
constexpr uint8_t TMPF_FIXED_PITCH = 0x01, TMPF_VECTOR = 0x02, TMPF_TRUETYPE = 0x04, TMPF_DEVICE = 0x08;

// The face a requested name is drawn with: "Arial", "Times New Roman" and "Courier New" go to their
// metric-compatible Liberation faces; other names are left to fontconfig.
QString SubstituteFontName(const QString& Name);

// A font resolved for one device size. Every character advances by a whole number of pixels (its
// unhinted advance rounded), and text is measured and drawn from the same advances, so a measured
// width is exactly the drawn width on every machine. Kerning is off, as the platform's plain text
// calls do not kern. Instances are shared through FontInstance(); they are immutable apart from
// their advance cache, which is guarded.
class TFontInstance {
public:
    TFontInstance(const TLogFont& LogFont, int EmPixels, int WidthPixels, bool Raster);

    const QFont& Font() const { return FFont; } // for drawing: no underline or strike-out of its own
    const TLogFont& LogFont() const { return FLogFont; }
    int EmPixels() const { return FEmPixels; }
    const TTextMetric& Metrics() const { return FMetrics; }

    // Advance of one character (a whole code point) in pixels.
    int Advance(char32_t Ch) const {
        if (Ch < LatinEnd) {
            int32_t A = FLatinAdvances[Ch].load(std::memory_order_relaxed);
            if (A >= 0) return A;
        }
        return MeasureAdvance(Ch);
    }
    // The face's glyph for a character; 0 when the face has none (another face must draw it).
    quint32 Glyph(char32_t Ch) const {
        if (Ch < LatinEnd) {
            int64_t G = FLatinGlyphs[Ch].load(std::memory_order_relaxed);
            if (G >= 0) return quint32(G);
        }
        return FindGlyph(Ch);
    }
    // The face itself, for drawing glyph runs.
    const QRawFont& RawFont() const { return FRaw; }
    // Sum of the advances of Text; surrogate pairs count once.
    int TextWidth(QStringView Text) const;
    // The advance of every UTF-16 unit of Text (the second unit of a surrogate pair gets 0).
    std::vector<int> Advances(QStringView Text) const;

    // Position and thickness of underline and strike-out, below resp. above the baseline.
    double UnderlinePos() const { return FUnderlinePos; }
    double StrikeOutPos() const { return FStrikeOutPos; }
    double LineWidth() const { return FLineWidth; }

    const QString& FamilyUsed() const { return FFamilyUsed; }

private:
    int MeasureAdvance(char32_t Ch) const;
    quint32 FindGlyph(char32_t Ch) const;

    TLogFont FLogFont;
    QFont FFont;
    int FEmPixels;
    TTextMetric FMetrics;
    double FUnderlinePos = 0;
    double FStrikeOutPos = 0;
    double FLineWidth = 1;
    QString FFamilyUsed;
    // Latin-1, nearly all of a report's text, is looked up without the lock; -1 = not yet known.
    static constexpr char32_t LatinEnd = 0x100;
    mutable std::array<std::atomic<int32_t>, LatinEnd> FLatinAdvances;
    mutable std::array<std::atomic<int64_t>, LatinEnd> FLatinGlyphs;
    mutable std::mutex FLock;
    mutable QHash<char32_t, int> FAdvances;
    mutable QHash<char32_t, quint32> FGlyphs;
    QRawFont FRaw;
};

// The shared instance for a log-font record at a device: HeightPixels is the record's height
// already mapped to device pixels (sign kept), WidthPixels its mapped width, PixelsPerInchY the
// device's resolution for the default size. Raster devices get glyphs without antialiasing.
std::shared_ptr<const TFontInstance> FontInstance(const TLogFont& LogFont, int HeightPixels, int WidthPixels,
                                                  int PixelsPerInchY, bool Raster);

// The code point at Index of Text and how many UTF-16 units it takes (2 for a surrogate pair).
inline char32_t CodePointAt(QStringView Text, qsizetype Index, qsizetype& Units) {
    char16_t C = Text[Index].unicode();
    if (QChar::isHighSurrogate(C) && Index + 1 < Text.size() &&
        QChar::isLowSurrogate(Text[Index + 1].unicode())) {
        Units = 2;
        return QChar::surrogateToUcs4(C, Text[Index + 1].unicode());
    }
    Units = 1;
    return C;
}

// The tallest character worth making, in inches: no paper is taller, and the text engine's glyph
// caches grow with the square of the height, so heights from damaged files are bounded by it.
constexpr int MaxCharacterInches = 64;

// How many instances FontInstance() keeps at most; past that the one used longest ago goes.
constexpr int MaxCachedFonts = 256;
// Instances kept now (tests).
int FontCacheCount();
// Drops every cached instance (tests, and after fonts were installed).
void ClearFontCache();
