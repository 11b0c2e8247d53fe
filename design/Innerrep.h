#pragma once
#include "host/graphics.h"
#include "report/VyrData.h"

#include <QString>

class TComponent;
class TVyrBand;
class TVyrCheckLabel;
class TVyrCustomLabel;
class TVyrDataFootBand;
class TVyrDataHeadBand;
class TVyrExprVar;
class TVyrGrouppage;
class TVyrReport;
class TVyrSubBand;
class TVyrSubDataBand;
class TVyrTVLabel;
class TVyrTextLabel;
class TVyrVar;
class TVyrvarlabel;

// Builds the reports that the design forms print about a designed report: a report and its page on
// the form that holds them, Letter portrait with half-inch margins at 96 pixels per inch, its five main
// bands in Arial 10, going to the screen without asking where. The page has no data set: its rows, and
// those of its sub data bands, come from their data events, which the form sets.
//
// Bands take the name they print under (FBandName) and a component name made from it; labels are
// placed in band pixels, one text line (Arial 10) being RowHeight high.
class TVyrInnerReport {
public:
    static constexpr int BodyWidth = 720; // the page's body: 7.5 in at 96 pixels per inch
    static constexpr int RowHeight = 17;

    explicit TVyrInnerReport(TComponent* Form);

    TComponent* Form() const { return FForm; }
    TVyrReport* Report() const { return FReport; }
    TVyrGrouppage* Page() const { return FPage; }

    // Bands attached to Band. A sub data band and a data head or foot band get an update level of
    // their own, as the band manager gives them.
    TVyrSubBand* AddSubBand(const QString& BandName, TVyrBand* Band, bool Above, int Order, int Height);
    TVyrSubDataBand* AddDataBand(const QString& BandName, TVyrBand* Band, int Order, int Height);
    TVyrDataHeadBand* AddDataHead(const QString& BandName, TVyrSubDataBand* Band, int Height);
    TVyrDataFootBand* AddDataFoot(const QString& BandName, TVyrSubDataBand* Band, int Height);

    // A variable set from code, of the page and at no update level, so that a value stays as set.
    TVyrExprVar* AddVar(const QString& Name, TVyrDataTypes Type);

    // A fixed text, a variable's value, a check box of a Boolean variable and a label drawn by code,
    // in the band's font with Style added. Name may be left empty for labels nobody looks up.
    TVyrTextLabel* AddText(TVyrBand* Band, const QString& Caption, int Left, int Top, int Width,
                           TFontStyles Style = 0, const QString& Name = QString());
    TVyrvarlabel* AddValue(TVyrBand* Band, TVyrVar* Var, int Left, int Top, int Width, TFontStyles Style = 0,
                           const QString& Name = QString());
    TVyrCheckLabel* AddCheck(TVyrBand* Band, TVyrVar* Var, int Left, int Top);
    TVyrCustomLabel* AddCustom(TVyrBand* Band, int Left, int Top, int Width, int Height, const QString& Name);
    // A label that breaks its text into lines at its width and grows with them, on a band that grows.
    static void Wrap(TVyrTVLabel* Label);
    // A text on a coloured strip across the body.
    static void Strip(TVyrTVLabel* Label, TColor Color);

    // The page header every inner report shows: Title, the page number and the run's date and time,
    // with the product's mark at its left when Logo is set, a rule at its foot and, with CaptionRow, a
    // line above the rule for the form's own captions, whose top it returns.
    int AddPageHead(const QString& Title, bool Logo, bool CaptionRow);
    // The page number the page header shows; nullptr before AddPageHead.
    TVyrVar* PageNumber() const { return FPageNumber; }
    // A rule across the body at Top.
    void AddRule(TVyrBand* Band, int Top);

    // Orders the page's bands once every band is made.
    void Finish();
    // Runs the report; a run that fails raises.
    void Run();

private:
    template <class T> T* MakeBand(const QString& BandName, TVyrBand* Band, int Height);
    template <class T>
    T* MakeLabel(TVyrBand* Band, int Left, int Top, int Width, int Height, TFontStyles Style,
                 const QString& Name);

    TComponent* FForm;
    TVyrReport* FReport = nullptr;
    TVyrGrouppage* FPage = nullptr;
    TVyrVar* FPageNumber = nullptr;
};
