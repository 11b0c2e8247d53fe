#pragma once
#include "design/Pageman.h"
#include "host/graphics.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

class TDataSource;
class TVyrBand;
class TVyrDSGuide;
class TVyrExprVar;
class TVyrGrouppage;
class TVyrInnerReport;
class TVyrLabel;
class TVyrReport;
class TVyrSubDataBand;

// The diagnostic of a designed report: update levels that do not match, data loops without a data
// source or its events, labels that show nothing, and settings that spoil a label's look, printed as
// "Severe Problems", "Possible Errors" and "Suggestions and Hints". The form holds the report
// VyrReport1 that prints it; the band manager gives it its designer and calls DiagProc. Each check
// runs in the data filter of the loop that lists it, so a row prints only where the check found
// something.
class TPimDiagForm : public TVyrPageReportForm {
public:
    explicit TPimDiagForm(TComponent* AOwner);
    ~TPimDiagForm() override;

    // Checks Page of its report with the designer that names its event handlers.
    void RunFor(TVyrGrouppage* Page, IDesigner* Designer) override;

    TVyrReport* VyrReport1() const;

    // Checks Page of AReport (nil: the report's first page) and shows what it finds.
    void DiagProc(TVyrReport* AReport, TVyrGrouppage* Page = nullptr);
    // The page's guide of Source; nil when there is none.
    TVyrDSGuide* GetDSG(const TDataSource* Source) const;

    // What each check finds in one row; an empty text (empty bytes) for nothing. Row -1 of the update
    // and data-source checks is the page itself.
    QString UpdateFinding(int Row);
    QString BlankFinding(int Row) const;
    QString BlankLabelFinding(int Row) const;
    // The appearance findings of a label, one after the other as UTF-16 text after its byte-order mark.
    QByteArray MiscFinding(int Row) const;

    int Spot = -1;
    TVyrReport* Report = nullptr;   // the checked report; not owned
    TVyrGrouppage* RPage = nullptr; // the checked page; not owned
    bool MiscError = false;
    bool BlankLabError = false;
    int m = 0;
    int bl = 0;
    TVyrDSGuide* DSG = nullptr;
    // The designer that names the event handlers; without one a handler bound by name or set in code
    // counts as filled in.
    IDesigner* PageDesigner = nullptr;

private:
    void BuildReport();
    TVyrSubDataBand* AddSection(const QString& BandName, const QString& Title, TColor Color, int Order,
                                const QString& LoopName, TVyrExprVar* Row);
    // A loop over rows -1 (the page itself) to Count() - 1 that prints the rows whose finding is not
    // empty, each in Var; Empty() ends it before its first row.
    void RowLoop(TVyrSubDataBand* Band, TVyrExprVar* Var, std::function<bool()> Empty,
                 std::function<int()> Count, std::function<QString(int)> Finding);
    // A loop over the page's labels that ends with one pass past the last label, which prints no row
    // but the summary below the rows, so that the summary shows also when no label was found wanting or
    // there is none; the heading above the rows shows only over findings. Check(i) looks at label i and
    // tells whether its row prints; Summarize fills the summary in on the last pass; a page without
    // labels gets NoLabels as its summary.
    void LabelLoop(TVyrSubDataBand* Band, TVyrBand* Head, int& Row, const bool& Found, TVyrExprVar* Summary,
                   const QString& NoLabels, std::function<bool(int)> Check, std::function<void()> Summarize);
    int LabelCount() const;
    TVyrLabel* LabelAt(int Row) const;
    bool EventFilled(TComponent* Instance, const QString& Event) const;
    QString NilDataSource(TComponent* Instance, TDataSource* Source, const QString& Kind) const;

    std::unique_ptr<TVyrInnerReport> FBuilder;
    TVyrExprVar* FUpdateVar = nullptr;
    TVyrExprVar* FBlankVar = nullptr;
    TVyrExprVar* FBlanklabVar = nullptr;
    TVyrExprVar* FMiscVar = nullptr;
    TVyrExprVar* FMiscSumVar = nullptr;
    TVyrExprVar* FReportOwner = nullptr;
    TVyrExprVar* Fblanklabsum = nullptr;
    TVyrSubDataBand* FUpdate = nullptr;
    TVyrSubDataBand* FBlank = nullptr;
    TVyrSubDataBand* FBlankLabels = nullptr;
    TVyrSubDataBand* FMisc = nullptr;
};
