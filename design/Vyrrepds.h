#pragma once
#include "host/classes.h"
#include "host/controls.h"
#include "report/VyrRep.h"

class TPimDropLabels;
class TVyrNoScaleBtn;
class TVyrRuler;
class TVyrRulerContainer;

// What a report gets while it is designed: a row of tool buttons on its box (band manager, data
// control centre, fast labels, run, overview and diagnostic reports, alignment), a ruler above its
// page and one beside each band. The buttons and rulers are the report's children but belong to
// the companion, which frees them.
class TVyrReportDesign : public TVyrRptDsgn {
public:
    explicit TVyrReportDesign(TVyrReport* Report);
    ~TVyrReportDesign() override;

    TVyrNoScaleBtn* MinMaxButton() const { return FMinMaxButton; }
    TVyrNoScaleBtn* PageManButton() const { return FPageManButton; }
    TVyrNoScaleBtn* AutoLabelButton() const { return FAutoLabelButton; }
    TVyrNoScaleBtn* RunButton() const { return FRunButton; }
    TVyrNoScaleBtn* SelectButton() const { return FSelectButton; }
    TVyrNoScaleBtn* DataButton() const { return FDataButton; }
    TVyrRuler* TopRuler() const { return FTopRuler; }
    TVyrRulerContainer* LeftRuler() const { return FLeftRuler; }
    // The fast label window, made at the first press of "Fast"; nil until then or once it is freed.
    TPimDropLabels* DropForm() const { return FDropForm.Get(); }

    void RepositionButtons() override;
    void SetMinMax() override;
    void CreatePageManager() override;
    void RedrawRuler() override;
    void RulerXY(int X, int Y) override;
    void RulerUpdate() override;
    void RulerInvalid() override;
    bool VyrDropOK(TComponent* Source) override;
    void VyrDroplabels(TComponent* Source, TComponent* Target, int X, int Y) override;

    // What the buttons do; without a page only minimising and running do anything.
    void MinMaxClick(TComponent* Sender);
    void SelectButtonMouseUp(TComponent* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void PageManClick(TComponent* Sender);
    void DataClick(TComponent* Sender);
    void AutoLabelClick(TComponent* Sender);
    void RunButtonMouseUp(TComponent* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void ReportClick(TComponent* Sender);
    void AlignClick(TComponent* Sender);

private:
    TVyrNoScaleBtn* MakeButton(const char* Caption, const char* Glyph, const char* Hint, int Left, int Top,
                               int Width, int Height);
    // The band manager of the report's page, once one exists.
    TComponent* PageManager() const;
    void InvalidateRulers();

    // Not owned by any component: the companion frees them.
    TVyrNoScaleBtn* FLeftAlignButton = nullptr;
    TVyrNoScaleBtn* FCenterAlignButton = nullptr;
    TVyrNoScaleBtn* FRightAlignButton = nullptr;
    TVyrNoScaleBtn* FPageCenterButton = nullptr;
    TVyrNoScaleBtn* FMinMaxButton = nullptr;
    TVyrNoScaleBtn* FPageManButton = nullptr;
    TVyrNoScaleBtn* FAutoLabelButton = nullptr;
    TVyrNoScaleBtn* FRunButton = nullptr;
    TVyrNoScaleBtn* FSelectButton = nullptr;
    TVyrNoScaleBtn* FDataButton = nullptr;
    TVyrNoScaleBtn* FRep1Button = nullptr;
    TVyrNoScaleBtn* FRep2Button = nullptr;
    TVyrRuler* FTopRuler = nullptr;
    TVyrRulerContainer* FLeftRuler = nullptr;
    TComponentRef<TPimDropLabels> FDropForm; // owned by the application; the companion frees it
    TVyrReport* FRep;
};

// Makes the companion of a report being designed and hands it to the report.
void VyrRepDesign(TVyrReport* Report);
