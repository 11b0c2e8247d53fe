#pragma once
#include "design/Pageman.h"

#include <QHash>
#include <QString>
#include <memory>

class TPimCanvas;
class TVyrBand;
class TVyrCustomLabel;
class TVyrExprVar;
class TVyrGroup;
class TVyrGrouppage;
class TVyrInnerReport;
class TVyrLabel;
class TVyrReport;
class TVyrSubDataBand;
class TVyrVar;
struct TRect;

// The overview of a designed report: its page setup and preview settings, a drawn tree of its bands,
// then each band with its group and each of its labels with their properties. The form holds the
// report VyrReport1 that prints it; the band manager sets Report and GP, runs VyrReport1 and frees the
// form. The report's rows come from the documented page through the data events of its page and of its
// sub data bands.
class TPimOverview : public TVyrPageReportForm {
public:
    explicit TPimOverview(TComponent* AOwner);
    ~TPimOverview() override;

    // Documents Page and its report; the designer is not needed.
    void RunFor(TVyrGrouppage* Page, IDesigner* Designer) override;

    TVyrReport* VyrReport1() const;
    // The variable of the overview's report of that name; raises for a name it has not.
    TVyrExprVar* Var(const QString& Name) const;

    // The page's loop over the documented page's bands.
    void ReportPageDataStart();
    void ReportPageDataSkip();
    void ReportPageAfterDataSkip();
    // The loop over the current band's labels.
    void LabelsDataStart();
    void LabelsDataSkip();
    void LabelsAfterDataSkip();
    // The band tree: one row a band, drawn by the tree's custom label.
    void BandListDataStart();
    void BandListDataSkip();
    void DrawBandTree(TPimCanvas* PimCanvas, const TRect& Rect);

    int BandCount = 0;
    int BandSpot = 0;
    TVyrBand* Band = nullptr;
    TVyrLabel* BandLabel = nullptr;
    int LabelCount = 0;
    int LabelSpot = 0;
    TVyrGroup* ReportGroup = nullptr;
    int Spot = 0;
    TVyrReport* Report = nullptr; // the documented report; not owned
    TVyrGrouppage* GP = nullptr;  // the documented page; not owned

private:
    void BuildReport();
    void BuildPageHead();
    void BuildSetup();
    void BuildBandList();
    void BuildDetail();
    void SetSetupVars();
    void SetBandVars();
    void SetLabelVars();
    // The band of the documented page at Index; nullptr past its bands.
    TVyrBand* BandAt(int Index) const;
    // Band Index becomes the current band, with the group it heads.
    void TakeBand(int Index);
    bool OnFirstPage() const;
    // The current band's heading, and its group's line above it, take a new page rather than stay
    // at a page's foot without the row that follows them.
    void KeepHeadingWithFirstRow();
    // The height of what follows the heading: the current band's first label row as the labels
    // band measures it, or the label count of a band without labels.
    int FollowingHeight();

    std::unique_ptr<TVyrInnerReport> FBuilder;
    QHash<QString, TVyrExprVar*> FVars;
    TVyrVar* FPageNumber = nullptr;
    TVyrSubDataBand* FLabels = nullptr;
    TVyrBand* FGroups = nullptr; // the group's line above the heading
    TVyrBand* FCounts = nullptr; // the label count below the rows
    TVyrSubDataBand* FBandList = nullptr;
};
