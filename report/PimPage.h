#pragma once
#include "host/controls.h"
#include "host/db.h"
#include "host/lists.h"
#include "output/PimOut.h"
#include "report/PSetup.h"
#include "report/VyrCtrl.h"
#include "report/VyrRep.h"
#include "report/VyrRtf.h"
#include "report/VyrVar.h"

#include <QElapsedTimer>
#include <functional>
#include <memory>
#include <vector>

class TCheckBox;
class TLabel;
class TPimCanvas;
class TPimOutput;
class TPaintBox;
class TPimDataSourceManager;
class TVyrDataSourceGuide;
class TVyrDSGuide;
class TVyrDBVar;
class TVyrGroup;
class TVyrGrouppage;
class TVyrLevel;
class TVyrPageSetup;
class TVyrTotalvar;
class TVyrVar;
class TPimPrinter;
class TVyrSubDataBand;

// The page's messages to itself and to its band manager; the numbers are part of the interface
// with the design package.
enum : uint32_t {
    WM_VYR_UPDATEVARLIST = WM_USER + 0,
    WM_VYR_REFRESHVARLISTS = WM_USER + 0,
    WM_VYR_UPDATEFORM = WM_USER + 1,
    WM_VYR_SETDATALISTS = WM_USER + 2,
    WM_VYR_CREATEPAGE = WM_USER + 3,
    WM_VYR_ADDBANDS = WM_USER + 4,
    WM_VYR_SELECTGROUPPAGE = WM_USER + 5,
    WM_VYR_DODATACONTROL = WM_USER + 8,
    WM_VYR_DATAUPDATEVARS = WM_USER + 9,
    WM_VYR_VARCHANGED = WM_USER + 10,
    WM_VYR_RUNOVERREPORT = WM_USER + 11,
    WM_VYR_RUNDIAGREPORT = WM_USER + 12,
    WM_VYR_LABEL = WM_USER + 13,
    WM_VYR_NOCOPYREPORT = WM_USER + 14,
};

enum TVyrPageStateFlag : uint8_t { psArrangeBands = 0x01, psUpdateVarList = 0x02, psInsertBand = 0x04 };
using TVyrPageState = uint8_t;

enum TVyrStatus : uint8_t { ssBegin, ssEnd, ssPrinting, ssNoWhere, ssGenerating };
enum TVyrOutputType : uint8_t { otNormal, otRichText };

// The sections of a page being printed, one bit each.
enum TVyrGroupPageStateFlag : uint16_t {
    gpsPrintHead = 1,
    gpsPrintPageHead = 2,
    gpsPrintDetail = 4,
    gpsPrintPageFoot = 8,
    gpsPrintFoot = 16,
    gpsPrintRepeats = 32,
    gpsPrintGroupHead = 64,
    gpsPrintGroupFoot = 128,
    gpsPrintOverLays = 256,
};
using TVyrGroupPageState = uint16_t;
using TVyrBandList = std::vector<TVyrBand*>;

// The design-time strip under a band: its name, an arrow and the check boxes of its four flags.
// Nobody owns it; the page frees it with its band.
class TVyrBandHead : public TCustomPanel {
public:
    explicit TVyrBandHead(TComponent* AOwner);
    ~TVyrBandHead() override;

    TLabel* NameLabel() const { return Fnamelabel; }
    TPaintBox* Arrow() const { return FArrow; }
    TCheckBox* VisibleCheck() const { return Fvisiblecheck; }
    TCheckBox* NewPageCheck() const { return FNewPageCheck; }
    TCheckBox* NewPageRepeatCheck() const { return FNewPageRepeatCheck; }
    TCheckBox* StretchCheck() const { return FStretchCheck; }

private:
    friend class TVyrPage;
    TLabel* Fnamelabel = nullptr; // owned through the component model
    TPaintBox* FArrow = nullptr;
    TCheckBox* Fvisiblecheck = nullptr;
    TCheckBox* FNewPageCheck = nullptr;
    TCheckBox* FNewPageRepeatCheck = nullptr;
    TCheckBox* FStretchCheck = nullptr;
};

using TVyrOnUpdateStatus = std::function<void(TVyrPage* Page, TVyrStatus Stat)>;

// What a page asks of the window that shows its document while it is generated. The viewer layer
// implements it and installs the factory; without a factory the screen shows nothing.
class TVyrPageViewer : public TPimJobViewer {
public:
    // The form style, or no call to leave the viewer's own.
    virtual void SetFormStyle(TFormStyle Value) = 0;
    virtual void SetWindowState(TWindowState Value) = 0;
    virtual void SetZoom(TPimZoom Value) = 0;
    // Refreshes the page count and progress shown.
    virtual void UpdatePage() = 0;
    // Shows the viewer modally; it frees itself when closed, as a viewer shown by Show does.
    virtual void ShowModal() = 0;

    // The Stop button, or closing while generating; the page sets and clears it.
    TNotifyEvent OnAbort;
    // The page generating into the viewer; cleared when the page lets go of it.
    TVyrPage* Page = nullptr;
};

// Makes a viewer owned by Owner; nullptr for none.
using TVyrPageViewerFactory = std::function<TVyrPageViewer*(TComponent* Owner)>;
void SetVyrPageViewerFactory(TVyrPageViewerFactory Factory);
const TVyrPageViewerFactory& VyrPageViewerFactory();
// No factory, as the process starts.
void ResetVyrPageViewerFactory();

// The container of one band layout: registries of its bands, groups, labels, variables, levels and
// data-source guides, the ordered band flow and the design-time stacking of the bands.
class TVyrPage : public TScrollBox, public TVyrPageSetupHost {
public:
    explicit TVyrPage(TComponent* AOwner);
    ~TVyrPage() override;

    // Registries: the page refers to its components, never owns them.
    const std::vector<TVyrLabel*>* Labels() const { return FLabels.get(); }
    const std::vector<TVyrVar*>* Vars() const { return FVars.get(); }
    const std::vector<TVyrTotalvar*>* TotalVars() const { return FTotalVars.get(); }
    const std::vector<TVyrBand*>* Bands() const { return FBands.get(); }
    const std::vector<TVyrBandHead*>* BandHeads() const { return FBandHeads.get(); }
    const std::vector<TVyrLevel*>* Levels() const { return FLevels.get(); }
    const std::vector<TVyrDSGuide*>* DataSourceList() const { return FDataSourceList.get(); }
    const std::vector<TVyrGroup*>* Groups() const { return FGroups.get(); }
    const std::vector<TVyrBand*>* SubBands() const { return FSubBands.get(); }
    const std::vector<TVyrBand*>* SubDataBands() const { return FSubDataBands.get(); }
    const std::vector<TVyrBand*>* DataHFBands() const { return FDataHFBands.get(); }
    const std::vector<TVyrBand*>* OverLayBands() const { return FOverLayBands.get(); }

    // For a label listed on no band and no page: one that has just left its band, or is new.
    void InsertLabel(TVyrLabel* Label);
    void RemoveLabel(TVyrLabel* Label);
    void InsertVar(TVyrVar* Var);
    void RemoveVar(TVyrVar* Var);
    void InsertLevel(TVyrLevel* Level);
    void RemoveLevel(TVyrLevel* Level);
    virtual void InsertGroup(TVyrGroup* Group);
    virtual void RemoveGroup(TVyrGroup* Group);
    void InsertSubBand(TVyrBand* Band);
    void RemoveSubBand(TVyrBand* Band);
    void InsertOverLayBand(TVyrBand* Band);
    void RemoveOverLayBand(TVyrBand* Band);
    void InsertSubDataBand(TVyrBand* Band);
    void RemoveSubDataBand(TVyrBand* Band);
    void InsertDataHFBand(TVyrBand* Band);
    void RemoveDataHFBand(TVyrBand* Band);
    void InsertDataSourceGuide(TVyrDSGuide* Guide);
    void RemoveDataSourceGuide(TVyrDSGuide* Guide);
    virtual void InsertBand(TVyrBand* Band);
    virtual void RemoveBand(TVyrBand* Band);
    // A band being freed leaves every band registry and main-band field of the page.
    void ForgetBand(TVyrBand* Band);

    // What a level update does to the variables of that level, in list order.
    virtual void UpdateVars(TVyrLevel* Level);
    void UpdateDataLevel(TVyrLevel* Level);
    void ResetDataLevel(TVyrLevel* Level);
    void ReverseUpdateDataLevel(TVyrLevel* Level);
    void ResetTotalLevel(TVyrLevel* Level);
    void VarMarkUpdate(TVyrLevel* Level, TVyrUpdateMode Mode);
    // A variable took another level, or lost its own.
    void LevelVarsChanged();
    // Every variable of the page computes what is marked.
    void UpdateData();

    // Turns the registered bands into the one ordered flow that generation walks.
    virtual void OrderBands();
    // Stacks the bands and their head strips at design time.
    virtual void ArrangeBands();
    void AddMainBands();
    virtual void UpdateVarList();
    void UpdateDataLists();
    virtual void AddDataSource(TDataSource* DataSource);
    void DeleteAllGroups();
    void UpdatePageManager();
    void PostUpdateVarlist();
    void VarChanged();
    // Whether the page's report reads the variable: a label of the page shows it (text labels
    // hold no variable of theirs), a total sums it, or a group breaks on it.
    bool VarUsed(const TVyrVar* Var) const;
    // The guide of the data source listed under the name (case ignored); nil for none.
    TVyrDSGuide* GetDataSourceGuide(const QString& FullDSName) const;
    // The guide of that data source object; nil for none. Sources of two modules may share a name,
    // so whatever holds the source itself asks by the source.
    TVyrDSGuide* GuideOfDataSource(const TDataSource* Source) const;

    void SetBandLabels(TVyrBand* Band, TVyrBandHead* Strip);
    // Sets the four check boxes of every head strip from its band.
    void SetBandChecks();
    virtual void FlipVisible(TComponent* Sender);
    void FlipNewPage(TComponent* Sender);
    void FlipNewPageRepeat(TComponent* Sender);
    void FlipStretch(TComponent* Sender);
    virtual void PaintArrow(TComponent* Sender);
    // The head strip of a band; nil at run time or for a band that is not listed.
    TVyrBandHead* HeadOf(const TVyrBand* Band) const;

    TDataSource* GetDataSource() const { return FDataLink->DataSource(); }
    TDataSource* DataSource() const { return GetDataSource(); }
    void SetDataSource(TDataSource* Value);
    TDataSet* DataSet() const { return FDataSet; }
    void SetDataSet(TDataSet* Value);

    // The main bands may lie on another page or form (moved there, or named so by a stored form): the
    // page asks to hear when one is freed, wherever it is.
    TVyrBand* Detail() const { return FDetail; }
    void SetDetail(TVyrBand* Value) { TakeMainBand(FDetail, Value); }
    TVyrBand* Head() const { return FHead; }
    void SetHead(TVyrBand* Value) { TakeMainBand(FHead, Value); }
    TVyrBand* Foot() const { return FFoot; }
    void SetFoot(TVyrBand* Value) { TakeMainBand(FFoot, Value); }
    TVyrBand* PageHead() const { return FPageHead; }
    void SetPageHead(TVyrBand* Value) { TakeMainBand(FPageHead, Value); }
    TVyrBand* PageFoot() const { return FPageFoot; }
    void SetPageFoot(TVyrBand* Value) { TakeMainBand(FPageFoot, Value); }

    TVyrReport* Report() const { return FReport; }
    void SetReport(TVyrReport* Value) { FReport = Value; }
    int Order() const { return FOrder; }
    virtual void SetOrder(int Pos);
    const QString& PageName() const { return FPageName; }
    virtual void SetPageName(const QString& Name) { FPageName = Name; }
    // The page's paper, margins and destination; the page owns it.
    TVyrPageSetup* PageSetup() const { return FPageSetup.get(); }
    void SetPageSetup(const TVyrPageSetup* Value);
    void PageSetupChanged() override;
    TComponent* PageManager() const { return FPageManager; }
    void SetPageManager(TComponent* Value);
    TPimDataSourceManager* DataSourceManager() const { return FDataSourceManager.get(); }
    TList* FullDSList() const { return FFullDSList.get(); }
    TStringList* FullDSNames() const { return FFullDSNames.get(); }
    TStringList* NoDsgList() const { return FNoDsgList.get(); }
    bool LetUpdateDataList() const { return FLetUpdateDataList; }
    void SetLetUpdateDataList(bool Value) { FLetUpdateDataList = Value; }
    TVyrPageState PageState() const { return FPageState; }

    bool ClipLabels() const { return FClipLabels; }
    void SetClipLabels(bool Value) { FClipLabels = Value; }
    TVyrBorderType BorderType() const { return FBorderType; }
    void SetBorderType(TVyrBorderType Value) { FBorderType = Value; }
    TVyrOutputType OutputType() const { return FOutputType; }
    void SetOutputType(TVyrOutputType Value) { FOutputType = Value; }
    bool TwoPass() const { return FTwoPass; }
    void SetTwoPass(bool Value) { FTwoPass = Value; }
    const QString& PimFileName() const { return FPimFileName; }
    void SetPimFileName(const QString& Value) { FPimFileName = Value; }
    const QString& Description() const { return FDescription; }
    void SetDescription(const QString& Value) { FDescription = Value; }
    const QString& RtfFile() const { return FRtfFile; }
    void SetRtfFile(const QString& Value) { FRtfFile = Value; }
    bool CloseDataSources() const { return FCloseDataSources; }
    void SetCloseDataSources(bool Value) { FCloseDataSources = Value; }
    bool NoDataQuit() const { return FNoDataQuit; }
    void SetNoDataQuit(bool Value) { FNoDataQuit = Value; }
    bool OmitLastPgFt() const { return FOmitLastPgFt; }
    void SetOmitLastPgFt(bool Value) { FOmitLastPgFt = Value; }
    bool GroupPageBreaks() const { return FGroupPageBreaks; }
    void SetGroupPageBreaks(bool Value) { FGroupPageBreaks = Value; }
    TVyrDataRange DataRange() const { return FDataRange; }
    void SetDataRange(TVyrDataRange Value) { FDataRange = Value; }
    bool CloseDataSet() const { return FCloseDataSet; }
    void SetCloseDataSet(bool Value) { FCloseDataSet = Value; }
    bool NoRecordCount() const { return FNoRecordCount; }
    void SetNoRecordCount(bool Value) { FNoRecordCount = Value; }
    bool Printing() const { return FPrinting; }
    bool AllowDelete() const { return FAllowDelete; }
    void SetAllowDelete(bool Value) { FAllowDelete = Value; }

    int getppi() const;
    int PixelsPerInch() const { return getppi(); }
    int getpagewidth() const;
    int PageWidth() const { return getpagewidth(); }
    int getpageheight() const;
    int PageHeight() const { return getpageheight(); }
    TVyrUnits GetUnits() const { return FPageSetup->Units(); }
    TVyrUnits Units() const { return GetUnits(); }

    // The output side of a run. Positions are pixels at getppi and include the margins.
    TPimOutput* PrintTo() const { return FPrintTo; }
    void SetPrintTo(TPimOutput* Value) { FPrintTo = Value; }
    int XPos() const { return FxPos; }
    void SetXPos(int Value) { FxPos = Value; }
    int YPos() const { return FyPos; }
    void SetYPos(int Value) { FyPos = Value; }
    bool AbortPrinting() const { return FAbortPrinting; }
    void SetAbortPrinting(bool Value) { FAbortPrinting = Value; }
    int PageNumber() const { return FPageNumber; }
    void SetPageNumber(int Value) { FPageNumber = Value; }
    int PagesPrinted() const { return FPagesPrinted; }
    void SetPagesPrinted(int Value) { FPagesPrinted = Value; }
    int PgNum() const { return FPgNum; }
    void SetPgNum(int Value) { FPgNum = Value; }
    // The top of the page body: YPos just after the page header and the repeated bands.
    int LastPagePos() const { return FLastPagePos; }
    void SetLastPagePos(int Value) { FLastPagePos = Value; }
    // True until the first band other than the page header has printed; a band's NewPage is
    // ignored while it holds.
    bool FirstNewPage() const { return FFirstNewPage; }
    void SetFirstNewPage(bool Value) { FFirstNewPage = Value; }
    TPen* Pen() const { return FPen.get(); }
    // Sets the print position: x and y from the top-left corner of the margins.
    void Position(int x, int y);
    // Whether the current physical page lies in the print range; past its end it also stops
    // generation.
    bool GetPrintOk();
    bool PrintOk() { return GetPrintOk(); }
    // Drawing relative to the print position, only on pages that are output.
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void FillRect(const TRect& Rect);
    // The output's canvas; nil without an output.
    TPimCanvas* GetCanvas() const;
    TPimCanvas* Canvas() const { return GetCanvas(); }
    // The pass draws nowhere from its start, as the first of two passes does: it lays the pages out
    // and fires every event, but what is only drawn can be left out.
    bool DrawsNowhere() const { return FDrawsNowhere; }
    bool GetAllowDelete() const;
    bool OkDelete() const { return GetAllowDelete(); }
    // Frees the page even at design time; a failure to free is swallowed.
    void SafeDelete();
    // Tells the form designer that the form changed.
    void DesignerModified();
    virtual void Redraw();

    // Generation: StartReport, Process once per record while Printing, EndReport.
    void StartReport();
    void Process();
    void EndReport();
    virtual void NewPage();
    void CheckHeight(int nH);
    void CheckBandHeight(TVyrBand* Band);
    void PrintBand(TVyrBand* Band, bool PageFootBand);
    void PrintBandList(TVyrBand* Band, bool PageFootBand);
    void PrintGroupHeads(int GroupLevel);
    void PrintGroupFeet(int GroupLevel);
    void PrintPageFoot();
    virtual void PrintOverLays(bool First);
    void PrintBorder();
    void PrintNewPageRepeats();
    virtual void AddUpdateBand(TVyrBand* Band);
    void MakeList();
    void MakeBandList(TVyrBand* Band);
    int GetPageFootHeight() const;
    int GetBandListHeight(TVyrBand* Band);
    void BandListSaveNewPage(TVyrBand* Band, bool Restore);
    TVyrGroupPageState GroupPageState() const { return FGroupPageState; }
    int AtGroupLevel() const { return FAtGroupLevel; }
    int PFHeight() const { return FPFHeight; }
    const TVyrBandList& MainList() const { return FMainList; }
    const TVyrBandList& OverLayList() const { return FOverLayList; }
    const TVyrBandList& PrintList() const { return FPrintList; }
    const std::vector<TVyrSubDataBand*>& PrintDataList() const { return FPrintDataList; }
    const std::vector<TVyrLevel*>& UpdateBandLevelList() const { return FUpdateBandLevelList; }
    // The band list Band heads; nil when it heads none.
    const TVyrBandList* ListOf(const TVyrBand* Band) const;

    // The output side of a pass: PageStart, BeginDoc, generation, EndDoc, PageEnd.
    void PageStart();
    void PageEnd();
    void BeginDoc();
    void EndDoc();
    void Preview();
    virtual void UpdateStatus(TVyrStatus Stat);
    void PrintingStatus(TPimPrinter* Sender);
    void AbortGeneration(TComponent* Sender);
    void SetPercentDone(float Value) { FPercentDone = Value; }
    int PageCount() const { return FPageCount; }
    TVyrPageViewer* PimViewer() const { return FViewerAlive.expired() ? nullptr : FPimViewer; }
    // Whether generation of the current pass ended by an error that the report keeps.
    bool GenerationFailed() const;
    // The rich-text writer of a rich-text pass; nil otherwise.
    TVyrRtfFile* Rtf() const { return FRtf.get(); }
    bool Continuous() const { return FContinuous; }
    // Begins and ends a pass: the rich-text writer, the data loop and the variables. Generation
    // goes on only when InitReport returns true.
    bool InitReport();
    void UnInitReport();

    // The master data loop: the page walks its data set record by record.
    TDataSet* GetDataSet() const;
    bool DataIsFinished() const { return FDataIsFinished; }
    void SetDataIsFinished(bool Value) { FDataIsFinished = Value; }
    int Skipped() const { return FSkipped; }
    int Records() const { return FRecords; }
    float PercentDone() const { return FPercentDone; }
    void DataStart();
    void DataSkip();
    void DoSkip();
    void DataFinish();
    void AfterDataSkip();
    bool DoOnDataFilter();
    // The run's data failed (Error, the exception caught): under the report's Run, which raises the
    // first such error once the run has ended, generation stops after the current record; with no
    // Run under way the application's handler hears it.
    void RunFailed(TComponent* Sender, std::exception_ptr Error);

    void SetParent(TWinControl* AParent) override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void DefineProperties(TFiler* Filer) override;
    void Loaded() override;
    void WndProc(TMessage& Message) override;
    void CheckDelete() override;
    void BeforeDestruction() override;

protected:
    void Resize() override;

public:
    TVyrOnUpdateStatus OnUpdateStatus;
    TNotifyEvent OnPreview;
    TNotifyEvent OnUpdate;
    TNotifyEvent OnNoData;
    TNotifyEvent OnDataStart;
    TNotifyEvent OnDataSkip;
    TNotifyEvent OnDataFinish;
    TVyrDataFilterEvent OnDataFilter;
    std::function<void(TVyrPage* Page)> OnAfterDataSkip;
    std::function<void(TVyrGrouppage* Page, TPimOutput* PimOutput, int PageNum)> OnNewPage;
    std::function<void(TVyrPage* Page, bool& DoNewPage)> OnBeforeNewPage;

    // The designer's "form changed" call; the design package installs it, nullptr removes it.
    static void SetDesignerModifiedHook(std::function<void(TComponent* Form)> Hook);

private:
    void TakeMainBand(TVyrBand*& Field, TVyrBand* Value);
    class TOrderBuilder;
    bool Designing() const { return HasState(csDesigning); }
    bool LoadingOrReading() const { return HasState(csLoading | csReading); }
    void MakeBandHead(TVyrBand* Band);
    void FreeBandHead(int Index);
    void HandleAddBands();
    void HandleUpdateVarList();
    TVyrBand* MakeMainBand(TVyrBand*& Field, const QString& BandName, const QString& NameBase, int Height,
                           int Top, bool BandVisible, bool IsHeader);
    void SetCheck(TCheckBox* Box, bool Value);
    void Flip(TComponent* Sender, int Which);
    // The variables of a level, kept from one update to the next until a variable or level comes or
    // goes or a variable changes level. A walk holds the list it walks, so that an update that adds
    // or frees variables leaves that walk as it was: lists dropped during a walk are freed when the
    // last walk ends. Walks run at every record, so they count themselves rather than share the list.
    class TLevelWalk;
    // Takes Step at Level for every total of the page.
    void StepTotals(TVyrLevel* Level, void (TVyrTotalvar::*Step)(TVyrLevel*));
    // Copies the level's values to the last ones, marks them and takes Step for each.
    void StepLevel(TVyrLevel* Level, void (TVyrVar::*Step)());
    const std::vector<TVyrVar*>& VarsOf(const TVyrLevel* Level) const {
        return FVarsOfLevel && FVarsLevel == Level ? *FVarsOfLevel : FindVarsOf(Level);
    }
    const std::vector<TVyrVar*>& FindVarsOf(const TVyrLevel* Level) const;

    std::unique_ptr<std::vector<TVyrLabel*>> FLabels;
    std::unique_ptr<std::vector<TVyrVar*>> FVars;
    std::unique_ptr<std::vector<TVyrTotalvar*>> FTotalVars;
    std::unique_ptr<std::vector<TVyrBand*>> FBands;
    std::unique_ptr<std::vector<TVyrBandHead*>> FBandHeads; // design time; strips freed by the page
    std::unique_ptr<std::vector<TVyrLevel*>> FLevels;
    struct TLevelVars {
        const TVyrLevel* Level;
        std::unique_ptr<const std::vector<TVyrVar*>> Vars;
    };
    mutable std::vector<TLevelVars> FLevelVars;
    std::vector<TLevelVars> FDroppedLevelVars; // dropped while a walk held them
    mutable int FLevelWalks = 0;
    // The level last asked about and its list: a run asks for the detail level at every record.
    mutable const TVyrLevel* FVarsLevel = nullptr;
    mutable const std::vector<TVyrVar*>* FVarsOfLevel = nullptr;
    int FOrder = 0;
    TComponent* FPageManager = nullptr; // the band manager form; freed with the page
    TDataSet* FDataSet = nullptr;       // not owned; cleared on removal
    std::unique_ptr<TDataLink> FDataLink;
    TVyrBand* FDetail = nullptr;
    TVyrBand* FHead = nullptr;
    TVyrBand* FFoot = nullptr;
    TVyrBand* FPageHead = nullptr;
    TVyrBand* FPageFoot = nullptr;
    std::unique_ptr<std::vector<TVyrDSGuide*>> FDataSourceList;
    std::unique_ptr<std::vector<TVyrGroup*>> FGroups;
    std::unique_ptr<std::vector<TVyrBand*>> FSubBands;
    std::unique_ptr<std::vector<TVyrBand*>> FSubDataBands;
    std::unique_ptr<std::vector<TVyrBand*>> FDataHFBands;
    std::unique_ptr<std::vector<TVyrBand*>> FOverLayBands;
    std::unique_ptr<TList> FFullDSList;
    std::unique_ptr<TStringList> FFullDSNames;
    std::unique_ptr<TStringList> FNoDsgList;
    bool FInUpdateDataLists = false;
    bool FLetUpdateDataList = true;
    TVyrPageState FPageState = 0;

    bool FDataIsFinished = false;
    int FSkipped = 0;
    int FRecords = 0;
    // Since the event loop last ran during the walk over the data.
    QElapsedTimer FEventsTimer;
    float FPercentDone = 0;
    int FPageCount = 0;
    TVyrUnits SaveUnits = unitInches;
    TVyrPageViewer* FPimViewer = nullptr; // owned by its owner component; frees itself when closed
    std::weak_ptr<void> FViewerAlive;     // expires when the viewer goes
    // The viewer no longer calls or shows this page; returns it when it is still there.
    TVyrPageViewer* ReleaseViewer();
    // Whether the current pass kept an error that ended its generation.
    bool FGenerationFailed = false;
    // The master data could not start this pass (no data set behind the data source, a data set
    // that cannot be opened, a failing start): the pass makes no report then.
    bool FDataStartFailed = false;
    bool FDrawsNowhere = false;
    // Whether any page of the pass lies in the print range.
    bool AnyPageOutput() const;
    std::unique_ptr<TVyrRtfFile> FRtf;
    bool FContinuous = false;
    // Set by AbortGeneration: OnUpdateStatus stays quiet for the rest of the pass.
    bool FStatusMuted = false;

    void RemoveUpdateLevel(TVyrLevel* Level);
    void UpdateTotalsAt(TVyrLevel* Level);
    int TopMarginPixels() const;
    // The pieces of a stretching band, breaking pages until it has printed whole.
    void PrintPieces(TVyrBand* Band, int PH, int TM);
    // The one piece of a stretching overlay on its page.
    void PrintOverlayPiece(TVyrBand* Band, int PageBottom);
    bool InPrintList(const TVyrBand* Band) const;
    bool IsInnermost(const TVyrBand* Band) const;
    void PrintRepeats(TVyrBand* Band);
    void RepeatPrintBandList(TVyrBand* Band);
    void RepeatPrintBand(TVyrBand* Band);
    // A repeated sub data band's loop from its first record, leaving the running loop as it was.
    void RepeatDataLoop(TVyrSubDataBand* Sub, const TVyrBandList& List);
    // A sub data band's rows with its data head and foot; a repeat prints them as repeats do.
    void SubDataLoop(TVyrSubDataBand* Sub, const TVyrBandList& List, bool Repeat, bool PageFootBand);
    std::vector<std::unique_ptr<TVyrBandList>> FPageList;
    bool FHasLists = false;
    TVyrBandList FMainList;
    int FPFHeight = 0;
    TVyrBandList FOverLayList;
    bool FFirstBorder = true;
    bool FPrintedHead = false;
    TVyrGroupPageState FGroupPageState = 0;
    int FAtGroupLevel = -1;
    std::vector<TVyrSubDataBand*> FPrintDataList;
    TVyrBandList FPrintList;
    std::vector<TVyrLevel*> FUpdateBandLevelList;
    bool FInProcess = false;
    TVyrBandList FListing; // bands whose lists are being made

    // The output side; the run itself is added with printing.
    TVyrReport* FReport = nullptr;
    TParentAs<TVyrReport> FParentReport; // the parent, which sets the pixels per inch
    bool FAllowDelete = false;
    bool FClipLabels = false;
    QString FPageName;
    std::unique_ptr<TVyrPageSetup> FPageSetup;
    double FStartDateTime = 0;
    TVyrBorderType FBorderType = btNone;
    TVyrOutputType FOutputType = otNormal;
    bool FTwoPass = false;
    QString FPimFileName;
    QString FDescription;
    std::unique_ptr<TPimDataSourceManager> FDataSourceManager;
    QString FRtfFile;
    bool FCloseDataSources = true;
    bool FNoDataQuit = false;
    bool FOmitLastPgFt = false;
    bool FGroupPageBreaks = false;
    TVyrDataRange FDataRange = drAllRecords;
    bool FCloseDataSet = false;
    bool FNoRecordCount = false;
    bool FPrinting = false;
    bool FFirstTime = true;

    TPimOutput* FPrintTo = nullptr; // the run's output; not owned
    int FxPos = 0;
    int FyPos = 0;
    bool FAbortPrinting = false;
    int FPageNumber = 0;
    int FPagesPrinted = 0;
    int FPgNum = 0;
    int FLastPagePos = 0;
    bool FFirstNewPage = true;
    std::unique_ptr<TPen> FPen;
};

// The page kind that a report holds; band kinds, groups and guides live only on it.
class TVyrGrouppage : public TVyrPage {
public:
    using TVyrPage::TVyrPage;
};

// Page's RunFailed, for a band or variable that may lie on no page: the application's handler hears
// the error then.
void VyrRunFailed(TVyrPage* Page, TComponent* Sender, std::exception_ptr Error);

// True for a query data set: its class or an ancestor is named "TQUERY" in any letter case.
bool IsQueryDataSet(const TPersistent* DataSet);
// The records a data set holds; 0 for an object that is no data set or a query that is not open.
int DataSetRecordCount(TPersistent* DataSet);
