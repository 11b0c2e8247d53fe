#pragma once
#include "host/graphics.h"
#include "host/lists.h"
#include "host/streams.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

class TPimCanvas;

// One piece of a line between tabs: where it starts, in pixels from the line's left edge, and how
// wide its text is.
class TPimTabStringPos {
public:
    int Pos = 0;
    QString Text;
    int Width = 0;
};

enum TPimMemoAlignment : uint8_t { maLeft, maCenter, maRight, maJustify };

// Where one tab part of a line goes: drawn at (X, Y) within Box, with FullBox the whole line. A
// justified part is stretched to the right edge of Box; any other part keeps its natural width.
struct TPimMemoPlacement {
    QString Text;
    int X = 0;
    int Y = 0;
    TRect Box;
    TRect FullBox;
    bool EndParagraph = true;
};

// A multi-line text laid out in a box of a given width: wrapped by the host's word-wrap engine with
// the rules of a multi-line edit control, measured on the process's measuring context, split at
// tabs onto half-inch stops and drawn a range of lines at a time. Every length is in pixels at
// PixelsPerInch.
class TPimMemo {
public:
    virtual void SetFont(const TFont& Value);
    TPimMemo();
    virtual ~TPimMemo();
    TPimMemo(const TPimMemo&) = delete;
    TPimMemo& operator=(const TPimMemo&) = delete;

    // Wraps the text anew and measures the line height.
    void UpdateMemo();
    // Height of the chosen range of the lines of the last wrap.
    int GetPrintHeight() const;
    int PrintHeight() const { return GetPrintHeight(); }
    // Wraps, then draws the chosen range of lines from (x, y) down.
    void Print(TPimCanvas* PimCanvas, int x, int y);
    // Draws the wrapped line of index Spot in Rect.
    void PrintLine(TPimCanvas* PimCanvas, const QString& Text, const TRect& Rect, int Spot);
    // Where PrintLine puts each tab part of a line; ParseString runs on Text first.
    std::vector<TPimMemoPlacement> PlaceLine(const QString& Text, const TRect& Rect, int Spot);
    // Whether line Spot is stretched to the full width when justified.
    bool JustifiesLine(int Spot) const;
    // Indexes of the lines that end a paragraph (justified memos only).
    void FindCarriageReturns();
    // Splits a line at its tabs into Parts and sets the line's width.
    void ParseString(const QString& S);
    void ClearParts();

    const std::vector<std::unique_ptr<TPimTabStringPos>>& Parts() const { return FParts; }
    const std::vector<int>& CarriageReturnList() const { return FCarriageReturnList; }
    int TextLen() const { return FTextLen; }

    int RangeBegin() const { return FRangeBegin; }
    void SetRangeBegin(int Value) { FRangeBegin = Value; }
    int RangeEnd() const { return FRangeEnd; }
    void SetRangeEnd(int Value) { FRangeEnd = Value; }
    int PixelsPerInch() const { return FPixelsPerInch; }
    // Values below 1 are ignored: every length and the tab stops divide by it.
    void SetPixelsPerInch(int Value);
    TFont& Font() { return FFont; }
    const TFont& Font() const { return FFont; }
    int Width() const { return FWidth; }
    void SetWidth(int Value) { FWidth = Value; }
    int WrapHeightPercent() const { return FWrapHeightPercent; }
    void SetWrapHeightPercent(int Value) { FWrapHeightPercent = Value; }
    bool WrapText() const { return FWrapText; }
    void SetWrapText(bool Value) { FWrapText = Value; }
    bool JustifyLastLine() const { return FJustifyLastLine; }
    void SetJustifyLastLine(bool Value) { FJustifyLastLine = Value; }
    TStringList& MemoStrings() { return *FMemoStrings; }
    const TStringList& MemoStrings() const { return *FMemoStrings; }
    int MemoLines() const { return FMemoLines; }
    // The text as bytes: a text given by SetMemoText is written out first.
    TMemoryStream& MemoStream();
    // Empties the own stream and copies the whole of Value into it; nullptr leaves it empty.
    void SetMemoStream(TStream* Value);
    // The same from a memory stream, whose bytes are not copied again when the own stream holds them.
    void SetMemoStream(TMemoryStream& Value);
    // The text as the stream would hold it after the mark FF FE in UTF-16LE, kept as it is given: a
    // label gives the same long text piece after piece, and an unchanged text is known at once.
    void SetMemoText(const QString& Text);
    TPimMemoAlignment MemoAlignment() const { return FMemoAlignment; }
    void SetMemoAlignment(TPimMemoAlignment Value) { FMemoAlignment = Value; }
    int LineHeight() const { return FLineHeight; }
    void SetLineHeight(int Value) { FLineHeight = Value; }
    bool TextDriverCompatibility() const { return FTextDriverCompatibility; }
    void SetTextDriverCompatibility(bool Value) { FTextDriverCompatibility = Value; }
    bool SuppressBlankLines() const { return FSuppressBlankLines; }
    void SetSuppressBlankLines(bool Value) { FSuppressBlankLines = Value; }
    bool SuppressWhiteSpace() const { return FSuppressWhiteSpace; }
    void SetSuppressWhiteSpace(bool Value) { FSuppressWhiteSpace = Value; }
    // The height of the box the lines are drawn in when nothing below it can ever show (a box that
    // does not grow): the wrap then stops after the last line that fits, at least one, so a text far
    // longer than its box costs what the box holds. Zero or less (the default) wraps every line.
    int ShownHeight() const { return FShownHeight; }
    void SetShownHeight(int Value) { FShownHeight = Value; }
    // Whether text was left unwrapped below the lines that fit ShownHeight.
    bool LinesCut() const { return FLinesCut; }

private:
    // The measuring context carries whatever memo used it last, so each use sets this memo's
    // resolution and font first.
    void PrepareMeasuring() const;
    QString ReadText() const;
    void DeleteLine(QStringList& Lines, int Index);
    // Whether the text and everything the wrap depends on are as at the last wrap.
    bool SameWrap() const;
    // First and last line of the range; Last < First when there is nothing to draw.
    void RangeLines(int& First, int& Last) const;
    // The lines of Text with the blank lines suppressed as asked, and the paragraph ends among them;
    // with Wanted not negative, the first Wanted of them and whether more would follow.
    QStringList WrapLines(const QString& Text, int Wanted, bool& More);
    void SuppressLines(QStringList& Lines);

    int FPixelsPerInch;
    TFont FFont;
    int FWidth;
    int FWrapHeightPercent = 100;
    bool FWrapText = true;
    bool FJustifyLastLine = false;
    std::vector<int> FCarriageReturnList;
    std::unique_ptr<TStringList> FMemoStrings;
    int FMemoLines = 0;
    std::unique_ptr<TMemoryStream> FMemoStream;
    QString FMemoText;            // the text, when it came by SetMemoText and the stream is still to be made
    bool FTextSource = false;     // ... which it did
    bool FStringsChanged = false; // MemoStrings was changed from outside since the last wrap filled it
    TPimMemoAlignment FMemoAlignment = maLeft;
    int FLineHeight = 10;
    std::vector<std::unique_ptr<TPimTabStringPos>> FParts;
    int FRangeBegin = -1;
    int FRangeEnd = -1;
    int FTextLen = 0;
    bool FTextDriverCompatibility = false;
    bool FSuppressBlankLines = false;
    bool FSuppressWhiteSpace = false;
    int FShownHeight = 0;
    bool FLinesCut = false; // the last wrap stopped at the lines that fit FShownHeight

    // The last wrap: what it was made from and what it gave. Labels ask for a wrap at every
    // measure and print; an unchanged text is not wrapped again.
    struct TLastWrap {
        bool Valid = false;
        bool TextSource = false; // the text came as a string, not as bytes
        QByteArray Text;
        QString MemoText;
        TFont Font;
        int PixelsPerInch = 0;
        int Width = 0;
        int WrapHeightPercent = 0;
        bool WrapText = false;
        TPimMemoAlignment Alignment = maLeft;
        bool SuppressBlankLines = false;
        bool SuppressWhiteSpace = false;
        int ShownHeight = 0;
        bool LinesCut = false;
        QStringList Lines;
        int LineHeight = 0;
        std::vector<int> ParagraphEnds;
    };
    TLastWrap FLastWrap;
};
