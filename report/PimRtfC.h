#pragma once
#include "report/VyrCtrl.h"

#include <memory>

class TPimRtfDraw;
class TStream;
class TVyrVar;

// A label that prints formatted rich text held by a variable, typically a memo or blob field. A
// stretching label prints the characters that fit in the room left and continues on the following
// pages with the first character that did not fit. It writes nothing into rich-text files.
class TVyrRichTextLabel : public TVyrLabel {
public:
    explicit TVyrRichTextLabel(TComponent* AOwner);
    ~TVyrRichTextLabel() override;

    TVyrVar* Variable() const { return FVariable; }
    void SetVariable(TVyrVar* Value);
    // The renderer; its position is the label's progress through the text.
    TPimRtfDraw* RtfDraw() const { return FRtfDraw.get(); }
    int BottomMargin() const { return FBottomMargin; }
    void SetBottomMargin(int Value);
    bool SetDefaultFont() const { return FSetDefaultFont; }
    void SetSetDefaultFont(bool Value);

    QString GetDataNow() override;
    QString GetDisplayText() override;
    void StartPrint() override;
    int SpendHeight(TVyrPage* oPage, int Space) override;
    int PrintHeight(TVyrPage* oPage, int Space, int Taking) override;
    void Print(TVyrPage* oPage, int Space) override;
    void PrintLabel(TPimCanvas* PimCanvas, const TRect& Rect, int Space) override;
    void PrintTab(TVyrPage* oPage, TVyrRtfFile* Rtf, int PrintRow) override;
    void PrintRtf(TVyrPage* oPage, TVyrRtfFile* Rtf, int PrintRow) override;
    void Paint() override;

    void Notification(TComponent* AComponent, TOperation Operation) override;
    void DefineProperties(TFiler* Filer) override;

protected:
    // Draws the next piece of the text into Rect, with Space pixels of room, and returns the height
    // it takes.
    int PrintMemo(TPimCanvas* PimCanvas, const TRect& Rect, int Space);

private:
    struct TPiece {
        int Count = 0;      // characters from the renderer's position
        int TextHeight = 0; // their height
        int Height = 0;     // of the whole piece, margins included
    };
    // What the next piece holds and how high it is with Room pixels left for it (negative: no
    // limit). Spending and printing both measure here, so the height asked for is the height drawn.
    TPiece MeasurePiece(int Room, bool AtTop);
    // The next piece; AtTop: it begins where a line that does not fit could not go to a later page.
    int PrintPiece(TPimCanvas* PimCanvas, const TRect& Rect, int Space, bool AtTop);
    // The text prints only from a variable that is there and active; without one the label ends at
    // once, or it would never reach the end of its text.
    bool HasText() const;
    TStream* TextStream() const;
    // Replaces the renderer by a new one at position 0 with the label's font.
    void FreshRenderer();

    TVyrVar* FVariable = nullptr; // not owned; cleared on removal
    std::unique_ptr<TPimRtfDraw> FRtfDraw;
    int FBottomMargin = 20;
    bool FSetDefaultFont = false;
};
