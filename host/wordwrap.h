#pragma once
#include "host/canvas.h"
#include "host/fonts.h"
#include "host/graphics.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <array>
#include <memory>
#include <vector>

class DeviceContext;

// The lines a text breaks into, and for each paragraph (a run of text between hard breaks) the index
// of its last line. A wrap asked to stop early leaves Complete false when text was left over; a
// paragraph cut short has no end in the list.
struct TWrappedText {
    QStringList Lines;
    std::vector<int> ParagraphEnds;
    bool Complete = true;
};

// Breaks text into lines the way a multi-line edit control with word wrap does:
// - CR LF, CR and LF each end a paragraph; a break at the very end of the text opens no new line, and
//   an empty paragraph is one empty line;
// - a line ends after the last run of blanks (spaces and tabs) before the first character that would
//   cross the width; the blanks stay at the end of that line and never count against the width;
// - a word wider than the width breaks after its last character that fits, and every line holds at
//   least one character, so a box narrower than one character still makes progress;
// - a tab moves to the next tab stop strictly right of the text before it, stops being counted from
//   the line's own left edge.
// Surrogate pairs are never split.
class TWordWrap {
public:
    TWordWrap(std::shared_ptr<const TFontInstance> Font, int Width, int TabWidth);

    // Stops once it holds MaxLines lines, so that a text far longer than its box costs no more than
    // the lines asked for; a negative MaxLines wraps the whole text.
    TWrappedText Wrap(QStringView Text, qsizetype MaxLines = -1) const;

    int Width() const { return FWidth; }
    int TabWidth() const { return FTabWidth; }
    int NextTabStop(int X) const { return (X / FTabWidth + 1) * FTabWidth; }

private:
    int Advance(char32_t Ch) const;
    // Wraps the paragraph that starts at From and ends at the next hard break, found as it goes;
    // returns where the paragraph ended, Done false when it stopped before.
    qsizetype WrapFrom(QStringView Text, qsizetype From, QStringList& Lines, qsizetype MaxLines,
                       bool& Done) const;

    std::shared_ptr<const TFontInstance> FFont;
    int FWidth;
    int FTabWidth;
    // Advances of the first 256 code points, looked up once: most text never leaves them.
    mutable std::array<int, 256> FLatin;
};

// The process's one context for measuring text: a hidden 1000 x 1000 pixel device whose resolution
// and font are those of whoever prepared it last. Everything that wraps or measures text for a box
// prepares it first, so no caller relies on what another left in it.
class TMeasuringContext {
public:
    static constexpr int DeviceSize = 1000;

    TMeasuringContext();
    ~TMeasuringContext();
    TMeasuringContext(const TMeasuringContext&) = delete;
    TMeasuringContext& operator=(const TMeasuringContext&) = delete;

    int PixelsPerInch() const { return FPixelsPerInch; }
    // Values below 1 are ignored: a resolution of zero would make every length divide by zero.
    void SetPixelsPerInch(int Value);
    // Takes the font's description and keeps its point size at the context's resolution.
    void SetFont(const TFont& Value);
    // Both at once, doing nothing when neither changed.
    void Prepare(const TFont& Font, int PixelsPerInch);

    const TFont& Font() const { return FCanvas->Font(); }
    TCanvas& Canvas() { return *FCanvas; }
    DeviceContext* Handle() const { return FDC.get(); }

    // The current font as the device made it; measuring through it equals measuring on the device.
    std::shared_ptr<const TFontInstance> FontInstance();
    TTextMetric TextMetrics();
    int TextWidth(QStringView Text);

private:
    void MakeDevice();

    int FPixelsPerInch;
    std::unique_ptr<DeviceContext> FDC;
    std::unique_ptr<TCanvas> FCanvas;
    std::shared_ptr<const TFontInstance> FInstance; // null until measured after a change
};

// The one measuring context. It is made when the application object starts (or at first use when
// the library is loaded later) and freed when the application object goes.
TMeasuringContext* MeasuringContext();
// Frees the context now; the next use makes a fresh one.
void FreeMeasuringContext();
