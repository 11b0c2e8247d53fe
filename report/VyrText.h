#pragma once
#include "output/PimMemoU.h"
#include "report/VyrCtrl.h"

#include <memory>

class TStringList;
class TVyrFormat;
class TVyrVar;

// Keeps the line height of memo labels within a quarter and three times the font's text height.
using TVyrWrapHeightPercent = int;

// A label that prints text: a variable's value or a fixed caption. Short text prints on one line;
// a memo, or text that wraps, is broken into lines at the label's width and, when the label
// stretches, continues on the following pages.
class TVyrTVLabel : public TVyrLabel {
public:
    explicit TVyrTVLabel(TComponent* AOwner);
    ~TVyrTVLabel() override;

    TVyrVar* Variable() const { return FVariable; }
    void SetVariable(TVyrVar* Value);
    int DataRow() const { return FDataRow; }
    TVyrWrapHeightPercent WrapHeightPercent() const { return FWrapHeightPercent; }
    void SetWrapHeightPercent(TVyrWrapHeightPercent Value);
    TPimMemo* PimMemo() const { return FPimMemo.get(); }
    bool JustifyMemo() const { return FJustifyMemo; }
    void SetJustifyMemo(bool Value);
    TVyrFormat* DataFormat() const { return FDataFormat.get(); }
    void SetDataFormat(const TVyrFormat* Value);
    bool SuppressRepeats() const { return FSuppressRepeats; }
    void SetSuppressRepeats(bool Value) { FSuppressRepeats = Value; }
    TStringList* Lines() const { return FLines.get(); }
    void SetLines(const TStringList* Value);
    bool SuppressBlankLines() const { return FSuppressBlankLines; }
    void SetSuppressBlankLines(bool Value) { FSuppressBlankLines = Value; }
    bool SuppressWhiteSpace() const { return FSuppressWhiteSpace; }
    void SetSuppressWhiteSpace(bool Value) { FSuppressWhiteSpace = Value; }
    bool UseDisplayText() const { return FUseDisplayText; }
    void SetUseDisplayText(bool Value) { FUseDisplayText = Value; }

    // Whether the text prints as memo lines rather than on one line.
    bool IsMemo() const;
    // Fills the memo with the text to print now and wraps it.
    virtual void UpdateMemo();

    QString GetDataNow() override;
    QString GetDisplayText() override;
    void StartPrint() override;
    int SpendHeight(TVyrPage* oPage, int Space) override;
    int PrintHeight(TVyrPage* oPage, int Space, int Taking) override;
    void Print(TVyrPage* oPage, int Space) override;
    void PrintLabel(TPimCanvas* PimCanvas, const TRect& Rect, int Space) override;
    void PrintTab(TVyrPage* oPage, TVyrRtfFile* Rtf, int PrintRow) override;
    void PrintRtf(TVyrPage* oPage, TVyrRtfFile* Rtf, int PrintRow) override;
    int LastRtfRow() override;
    void Paint() override;

    void Notification(TComponent* AComponent, TOperation Operation) override;
    void DefineProperties(TFiler* Filer) override;
    bool OnlyDraws() override;

protected:
    // A variable label: whether a memo or blob variable makes the label a memo.
    bool FShowsVariable = false;

    // Draws the next piece of memo lines into Rect and returns the height it takes.
    int PrintMemo(TPimCanvas* PimCanvas, const TRect& Rect, int Space);
    // The height the next piece of memo lines would take in Space.
    int SpendMemo(TVyrPage* oPage, int Space);

private:
    // The text of one line, or nothing when a repeated value is suppressed.
    bool SingleLineText(QString& Text);
    // The database variable's display text when the label asks for it, else the value.
    QString RtfText();
    int TabPartPosition(const TPimTabStringPos& Part, bool Last, int Parts) const;
    // The height in which the memo's lines can show; 0 when every line may print.
    int ShownMemoHeight() const;
    void WriteText(const QString& Text, bool MarkEmpty);

    TVyrVar* FVariable = nullptr; // not owned; cleared on removal
    int FDataRow = 0;
    TVyrWrapHeightPercent FWrapHeightPercent = 100;
    std::unique_ptr<TPimMemo> FPimMemo;
    bool FJustifyMemo = false;
    std::unique_ptr<TVyrFormat> FDataFormat;
    bool FSuppressRepeats = false;
    std::unique_ptr<TStringList> FLines;
    bool FSuppressBlankLines = false;
    bool FSuppressWhiteSpace = false;
    bool FUseDisplayText = false;
    // The variable's run (its count of initializations) in which the label last printed a value;
    // a run's first value is never suppressed as a repeat.
    int FRepeatRun = -1;
    bool FBodyTop = false; // the piece being printed continues at the top of a page body
    QString FText;         // the last value's text, made into the same buffer record after record
};

// A label that prints the value of a variable.
class TVyrvarlabel : public TVyrTVLabel {
public:
    explicit TVyrvarlabel(TComponent* AOwner) : TVyrTVLabel(AOwner) { FShowsVariable = true; }
};

// A label that prints a fixed caption or fixed lines.
class TVyrTextLabel : public TVyrTVLabel {
public:
    using TVyrTVLabel::TVyrTVLabel;
    // After writing itself, asks its band to turn a clipboard copy of it into a variable label.
    void WriteState(TWriter* Writer) override;
};
