#pragma once
#include "output/PimFile.h"
#include "output/PimOut.h"
#include "report/PimPage.h"
#include "report/VyrCtrl.h"
#include "report/VyrRep.h"
#include "support/reportfixture.h"

#include <QStringList>
#include <memory>
#include <vector>

// A report page to print bands on, recording into a document: custom paper of 3 x 4 in, margins of
// 0.5 in, no margin adjustment, 96 pixels per inch. The body's top-left corner is (48, 48)
// (LM = TM = 48), its width W 192 and its height PH 288. Made at run time, so nothing is restacked.
class TBandPage {
public:
    TBandPage();
    ~TBandPage();

    // Starts the document and its first page: PgNum and PageNumber 1, no page closed yet,
    // Position (0, 0), LastPagePos := YPos.
    void BeginDoc();
    // Ends the document; Document() keeps it.
    void EndDoc();
    // Prints a band through the page's own PrintBand (a stretching band piece by piece, breaking
    // pages with the page's NewPage) and returns the height it took on each page it printed on;
    // pieces that share a page add up.
    std::vector<int> PrintStretching(TVyrBand* Band);
    // A band of the page, made at run time.
    template <class T = TVyrBand> T* AddBand(const QString& Name, int Height) {
        T* B = Make<T>(Form.get(), Name, Page);
        B->SetHeight(Height);
        return B;
    }
    std::shared_ptr<TPimPimFile> Document() const { return Output.PimFile(); }
    // The body of a rich-text file, set up with the page's setup, into which Band wrote its rows:
    // what follows the file's header, up to the closing of the document.
    QByteArray RichTextRows(TVyrBand* Band);

    std::unique_ptr<TReportTestForm> Form;
    TVyrReport* Report = nullptr;
    TVyrGrouppage* Page = nullptr;
    TPimOutput Output;
};

// The calls page N (from 1) of a document made when played into a recording printer device of the
// fixture's paper at 96 pixels per inch, without the player's clean-up selections at the end.
QStringList PlayedPage(TPimPimFile& Document, int N);
// Only the calls whose name is one of Names.
QStringList PlayedPage(TPimPimFile& Document, int N, const QStringList& Names);

// The texts page N (from 1) of a document draws, in drawing order.
QStringList DrawnTexts(TPimPimFile& Document, int N);

// The records of page N (from 1) as an export filter is handed them: every call with its arguments
// (see TLogFilter), unscaled.
QStringList ExportedPage(TPimPimFile& Document, int N);

// A label whose heights are scripted: it needs Need pixels below its Top in all, takes what fits
// in each piece it is asked for, fills every piece it prints with Color and notes what it saw.
class TScriptedLabel : public TVyrLabel {
public:
    explicit TScriptedLabel(TComponent* AOwner);

    int Need = 0;
    TColor Color = clRed;
    std::vector<int> Pieces;                   // heights printed, one per piece
    std::vector<int> Spaces;                   // Space of every Print and PrintHeight call
    std::vector<TPimDestination> Destinations; // the output's destination when asked to print

    void StartPrint() override;
    int SpendHeight(TVyrPage* oPage, int Space) override;
    int PrintHeight(TVyrPage* oPage, int Space, int Taking) override;
    void Print(TVyrPage* oPage, int Space) override;
    void PrintLabel(TPimCanvas* PimCanvas, const TRect& Rect, int Space) override;

private:
    int Fits(int Space) const;
    void Fill(TVyrPage* oPage, const TRect& Rect);
    int FRemaining = 0;
};
