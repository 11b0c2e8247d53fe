#pragma once
#include "host/controls.h"
#include "host/db.h"
#include "host/graphics.h"
#include "output/PimOut.h"
#include "output/PimUtil.h"
#include "report/VyrCalc.h"
#include "report/VyrRep.h"

#include <QVarLengthArray>
#include <functional>
#include <memory>
#include <vector>

class TEnumInfo;
class TGraphic;
class TMemoryStream;
class TPimBitmap;
class TPimCanvas;
class TVyrFloatFormat;
class TVyrTotalvar;
class TVyrBand;
class TVyrRtfFile;
class TVyrLabel;
class TVyrLevel;
class TVyrPage;
class TVyrReport;
class TVyrVar;

enum TVyrBorderType : uint8_t { btNone, btSingle, btUnderLine, btSmall };

enum TVyrBandStateFlag : uint8_t { bsPrinting = 0x01 };
using TVyrBandState = uint8_t;

enum TVyrDataRange : uint8_t { drAllRecords, drSingleRecord };

// Draws the border of a label, band or page into Rect (right and bottom inclusive). Painting marks
// the designed form, where the sides a border lacks show as a dotted outline.
void VyrDrawBorder(TPimCanvas* PimCanvas, const TRect& Rect, TVyrBorderType BorderType, bool Painting);

// The stored names of the enumerations that several classes publish.
const TEnumInfo& VyrBorderTypeNames();
const TEnumInfo& VyrDataRangeNames();

using TVyrPrintWhenEvent = std::function<void(TVyrBand* Band, bool& Result)>;
using TVyrBandPrintEvent = std::function<void(TVyrBand* Band)>;
using TNotifyEvent = std::function<void(TComponent* Sender)>;

// The last row of the rich-text output a label may take.
inline constexpr int VyrMaxRtfRow = 9999;

// How much room must stay free below a band before it may start on the current page.
class TVyrReserveSpace : public TPersistent {
public:
    explicit TVyrReserveSpace(TVyrBand* AOwner = nullptr);
    ~TVyrReserveSpace() override;
    void Assign(const TPersistent* Source) override;

    TVyrBand* Band() const { return FBand; }
    // The owning band asks to hear when the band is freed, wherever it lies.
    void SetBand(TVyrBand* Value);
    int BandCount() const { return FBandCount; }
    void SetBandCount(int Value) { FBandCount = Value; }
    int Space() const { return FSpace; }
    void SetSpace(int Value) { FSpace = Value; }
    TVyrBand* Owner() const { return FOwner; }
    int GetReserve() const;
    int Reserve() const { return GetReserve(); }
    QString GetNamePath() const override;

private:
    TVyrBand* FBand = nullptr; // not owned; the owning band clears it on removal
    int FBandCount = 1;
    int FSpace = 0;
    TVyrBand* FOwner;
};

// A horizontal strip of a page that holds labels. Its own Visible flag decides whether it prints;
// it never hides the band on the form.
class TVyrBand : public TCustomPanel {
public:
    // The kind of band generation tells apart, which each such kind's class names at its making:
    // generation asks at every band it prints.
    enum TKind : uint8_t { bkPlain, bkSub, bkOverlay, bkSubData };

    explicit TVyrBand(TComponent* AOwner);
    ~TVyrBand() override;

    TKind Kind() const { return FKind; }

    const std::vector<TVyrLabel*>* Labels() const { return FLabels.get(); }
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value) override;
    bool Stretch() const { return FStretch; }
    virtual void SetStretch(bool Value);
    const QString& BandName() const { return FBandName; }
    void SetBandName(const QString& Value);
    bool AllowDelete() const { return FAllowDelete; }
    void SetAllowDelete(bool Value) { FAllowDelete = Value; }
    TVyrPage* Page() const { return FPage; }
    TVyrLevel* UpdateLevel() const { return FUpdateLevel; }
    void SetUpdateLevel(TVyrLevel* Value);
    bool NewPage() const { return FNewPage; }
    virtual void SetNewPage(bool Value);
    bool NewPageRepeat() const { return FNewPageRepeat; }
    virtual void SetNewPageRepeat(bool Value);
    TVyrBandState BandState() const { return FBandState; }
    bool Continued() const { return FContinued; }
    void SetContinued(bool Value) { FContinued = Value; }
    TBrush* Brush() const { return FBrush.get(); }
    TPen* Pen() const { return FPen.get(); }
    TVyrBorderType BorderType() const { return FBorderType; }
    virtual void SetBorderType(TVyrBorderType Value);
    TVyrReserveSpace* ReserveSpace() const { return FReserveSpace.get(); }
    void SetReserveSpace(const TVyrReserveSpace* Value) { FReserveSpace->Assign(Value); }
    int Order() const { return FOrder; }
    virtual void SetOrder(int Value);
    // Stores the order without reordering the page; the page's own renumbering uses it.
    void SetOrderDirect(int Value) { FOrder = Value; }
    TVyrBand* Band() const { return FBand; }
    void SetBand(TVyrBand* Value);
    bool KeepTogether() const { return FKeepTogether; }
    void SetKeepTogether(bool Value) { FKeepTogether = Value; }
    TPimShadePercent Shade() const { return FShade; }
    virtual void SetShade(TPimShadePercent Value);
    int ListPos() const { return FListPos; }
    void SetListPos(int Value) { FListPos = Value; }
    bool EndPrint() const { return FEndPrint; }
    bool FirstPass() const { return FFirstPass; }
    bool SaveNewPage() const { return FSaveNewPage; }
    void SetSaveNewPage(bool Value) { FSaveNewPage = Value; }

    // Printing. A fixed band prints with Print; a stretching band with StartPrint, then PrintHeight
    // once per piece (page) until EndPrint, then FinishedPrint. SpendHeight measures without drawing.
    bool GetPrintOk();
    bool PrintOk() { return GetPrintOk(); }
    int GetPrintHeight();
    int PHeight() { return GetPrintHeight(); }
    void Print(TVyrPage* Page);
    void StartPrint();
    int SpendHeight(TVyrPage* Page, int Space);
    virtual int PrintHeight(TVyrPage* Page, int Space);
    void FinishedPrint();
    // Rich-text output: the labels row by row.
    void PrintRtf(TVyrPage* Page, TVyrRtfFile* Rtf);
    // The output draws nowhere while the page lies outside the print range, and back.
    void PushDest();
    void PopDest();
    void BeforePrint();
    void AfterPrint();

    // The main band this band prints with: the band itself; attached kinds follow their band.
    virtual TVyrBand* GetMainBand();
    TVyrBand* MainBand() { return GetMainBand(); }
    TVyrReport* GetReport() const;
    int getppi() const;
    bool GetAllowDelete() const;
    bool OkDelete() const { return GetAllowDelete(); }
    // Frees the band even at design time; a failure to free is swallowed.
    void SafeDelete();

    // Design time: what the design companion says of items dragged over or dropped on the band, and
    // the rulers following the mouse (X, Y in band coordinates).
    bool BandDragOver(TComponent* Source, int X, int Y);
    void BandDragDrop(TComponent* Source, int X, int Y);
    void MouseMovement(int X, int Y);

    // Band and page label registries; called by the label's parenting.
    // For a label listed on no band and no page: one that has just left its band, or is new.
    void InsertLabel(TVyrLabel* Label);
    void RemoveLabel(TVyrLabel* Label);

    // Design time: a text label copied to the clipboard pastes as a variable label.
    void ModifyLabel(TVyrLabel* Label);
    // The band on the designed form: the panel, its shade, a dotted line at the right edge of the
    // printable width, and its border's outline.
    void Paint() override;
    // At design time the band answers drags itself, through the design companion; WM_VYR_LABEL
    // runs ModifyLabel; CM_DESIGNHITTEST moves the rulers' cross-hair.
    void WndProc(TMessage& Message) override;

    void SetParent(TWinControl* AParent) override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void SetName(const QString& NewName) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void CheckDelete() override;
    void BeforeDestruction() override;
    void Loaded() override;
    void Resize() override;

    TVyrPrintWhenEvent OnPrintWhen;
    TVyrBandPrintEvent OnBeforePrint;
    TVyrBandPrintEvent OnAfterPrint;

protected:
    // The kind registry of the page: a kind joins and leaves it around the band's own parenting.
    virtual void InsertKind(TVyrPage*) {}
    virtual void RemoveKind(TVyrPage*) {}
    virtual bool AcceptsPage(const TWinControl* AParent) const;
    // Reorders and restacks the page after a change of the band's place in the flow.
    void Reorder();
    // Sets one check box of the band's head strip from a flag.
    void UpdateHeadCheck(int Which, bool Value);

    TKind FKind = bkPlain;

private:
    // Background and frame of height h at the print position, of the whole band or of one piece of
    // a stretching band.
    void DrawBackground(TVyrPage* Page, int h, bool Piece);
    // The labels whose parent is the band, in list order: a copy, so that printing them walks the
    // labels there were when it began; a band's few labels are copied without allocating.
    using TLabelCopy = QVarLengthArray<TVyrLabel*, 32>;
    TLabelCopy OwnLabels() const;

    std::unique_ptr<std::vector<TVyrLabel*>> FLabels; // not owned; made on demand
    bool FVisible = true;
    bool FStretch = false;
    QString FBandName;
    bool FAllowDelete = false;
    TVyrPage* FPage = nullptr;
    TVyrLevel* FUpdateLevel = nullptr; // not owned; cleared on removal
    bool FEndPrint = false;
    bool FFirstPass = false;
    int FListPos = 0;
    bool FNewPage = false;
    bool FNewPageRepeat = false;
    TVyrBandState FBandState = 0;
    bool FContinued = false;
    std::unique_ptr<TBrush> FBrush;
    std::unique_ptr<TPen> FPen;
    TVyrBorderType FBorderType = btNone;
    std::unique_ptr<TVyrReserveSpace> FReserveSpace;
    int FOrder = 0;
    TVyrBand* FBand = nullptr; // not owned; cleared on removal
    bool FKeepTogether = false;
    bool FSaveNewPage = false;
    TPimDestination FSaveOutputDest = adPrinter;
    TPimShadePercent FShade = spNone;
};

// A band printed directly above or below the band it is attached to.
class TVyrSubBand : public TVyrBand {
public:
    explicit TVyrSubBand(TComponent* AOwner);
    bool Above() const { return FAbove; }
    virtual void SetAbove(bool Value);
    TVyrBand* GetMainBand() override;

protected:
    void InsertKind(TVyrPage* Page) override;
    void RemoveKind(TVyrPage* Page) override;
    bool AcceptsPage(const TWinControl* AParent) const override;

private:
    bool FAbove = false;
};

// A band printed at a fixed place at the start or the end of every page.
class TVyrOverlayBand : public TVyrBand {
public:
    explicit TVyrOverlayBand(TComponent* AOwner);
    bool First() const { return FFirst; }
    virtual void SetFirst(bool Value);
    int TopOffset() const { return FTopOffset; }
    void SetTopOffset(int Value) { FTopOffset = Value; }
    int LeftOffset() const { return FLeftOffset; }
    void SetLeftOffset(int Value) { FLeftOffset = Value; }
    bool UseMargins() const { return FUseMargins; }
    void SetUseMargins(bool Value) { FUseMargins = Value; }

protected:
    void InsertKind(TVyrPage* Page) override;
    void RemoveKind(TVyrPage* Page) override;
    bool AcceptsPage(const TWinControl* AParent) const override;

private:
    bool FFirst = true;
    int FTopOffset = 0;
    int FLeftOffset = 0;
    bool FUseMargins = true;
};

class TVyrSubDataBand;
using TVyrBandAfterSkipEvent = std::function<void(TVyrSubDataBand* Band)>;
using TVyrDataFilterEvent = std::function<void(TComponent* Sender, bool& Result)>;

// A band that loops over a data source of its own once per print of its band.
class TVyrSubDataBand : public TVyrBand {
public:
    explicit TVyrSubDataBand(TComponent* AOwner);
    ~TVyrSubDataBand() override;

    TDataSource* DataSource() const { return FDataLink->DataSource(); }
    void SetDataSource(TDataSource* Value);
    TDataSet* DataSet() const;
    bool DataIsFinished() const { return FDataIsFinished; }
    void SetDataIsFinished(bool Value) { FDataIsFinished = Value; }
    TVyrDataRange DataRange() const { return FDataRange; }
    void SetDataRange(TVyrDataRange Value) { FDataRange = Value; }
    bool CloseDataSet() const { return FCloseDataSet; }
    void SetCloseDataSet(bool Value) { FCloseDataSet = Value; }
    TVyrBand* GetMainBand() override;
    void SetNewPageRepeat(bool Value) override;

    // The data loop, once per print of the band's list: DataStart, then per record the list and
    // DataSkip until DataIsFinished, then DataFinish. Failures of the events and the data set fail
    // the run, which raises them (the application's handler hears them when no Run is under way):
    // a failed start ends the loop, a failed skip goes on.
    void DataStart();
    void DataSkip();
    void DataFinish();
    void AfterDataSkip();
    bool DoOnDataFilter();

    void Notification(TComponent* AComponent, TOperation Operation) override;
    void DefineProperties(TFiler* Filer) override;

    TNotifyEvent OnDataStart;
    TNotifyEvent OnDataSkip;
    TNotifyEvent OnDataFinish;
    TVyrBandAfterSkipEvent OnAfterDataSkip;
    TVyrDataFilterEvent OnDataFilter;

protected:
    void InsertKind(TVyrPage* Page) override;
    void RemoveKind(TVyrPage* Page) override;
    bool AcceptsPage(const TWinControl* AParent) const override;

private:
    // After the first record was reached: a rejected one is skipped, an accepted one announced.
    void FilterFirst();

    TDataSet* FDataSet = nullptr;         // not owned; cleared on removal
    std::unique_ptr<TDataLink> FDataLink; // owned
    bool FDataIsFinished = false;
    TVyrDataRange FDataRange = drAllRecords;
    bool FCloseDataSet = false;
};

// Printed before the data loop of the sub data band it is attached to.
class TVyrDataHeadBand : public TVyrBand {
public:
    explicit TVyrDataHeadBand(TComponent* AOwner);
    TVyrBand* GetMainBand() override;

protected:
    void InsertKind(TVyrPage* Page) override;
    void RemoveKind(TVyrPage* Page) override;
    bool AcceptsPage(const TWinControl* AParent) const override;
};

// Printed after the data loop of the sub data band it is attached to.
class TVyrDataFootBand : public TVyrDataHeadBand {
public:
    using TVyrDataHeadBand::TVyrDataHeadBand;
};

// Breaks the master data into runs of records with the same value of one variable; owns a header
// and a footer band. Never visible and always of size 0.
class TVyrGroup : public TControl {
public:
    explicit TVyrGroup(TComponent* AOwner);
    ~TVyrGroup() override;

    TVyrVar* Variable() const { return FVariable; }
    void SetVariable(TVyrVar* Value);
    TVyrBand* Header() const { return FHeader; }
    void SetHeader(TVyrBand* Value);
    TVyrBand* Footer() const { return FFooter; }
    void SetFooter(TVyrBand* Value);
    bool Broken() const { return FBroken; }
    void SetBroken(bool Value) { FBroken = Value; }
    int Level() const { return FLevel; }
    virtual void SetLevel(int Value);
    const QString& GroupName() const { return FGroupName; }
    virtual void SetGroupName(const QString& Value) { FGroupName = Value; }
    bool AllowDelete() const { return FAllowDelete; }
    void SetAllowDelete(bool Value) { FAllowDelete = Value; }
    TVyrPage* getpage() const;
    TVyrPage* Page() const { return getpage(); }

    // Whether the break variable's value changed from the last record; OnCheckBroken may decide.
    bool CheckBroken();
    bool IsBroken() { return CheckBroken(); }
    // The header, then clears Broken; the footer. Each once at the page's print position.
    void PrintHead(TVyrPage* Page);
    void PrintFoot(TVyrPage* Page);
    // Makes the header and footer bands with their levels on BandParent.
    void AddBands(TWinControl* BandParent);
    void DeleteBands();
    bool GetAllowDelete() const;
    bool OkDelete() const { return GetAllowDelete(); }
    void SafeDelete();

    void SetParent(TWinControl* AParent) override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void SetName(const QString& NewName) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void DefineProperties(TFiler* Filer) override;
    void CheckDelete() override;
    void BeforeDestruction() override;

    TNotifyEvent OnCheckBroken;

private:
    // The header and footer take their display names from the group's name.
    void NameBands();

    TVyrVar* FVariable = nullptr; // not owned; cleared on removal
    TVyrBand* FHeader = nullptr;  // not owned (the form owns it); cleared on removal
    TVyrBand* FFooter = nullptr;
    bool FBroken = false;
    int FLevel = 0;
    QString FGroupName;
    bool FAllowDelete = false;
};

enum TVyrClipTypes : uint8_t { ctDefault, ctClip, ctNoClip };
enum TVyrVerticalAlign : uint8_t { laTop, laMiddle, laBottom, laCenterVert };
enum TVyrHorizontalAlign : uint8_t { laLeft, laCenter, laRight };

using TVyrLabelPrintWhenEvent = std::function<void(TVyrLabel* lb, bool& Result)>;
using TVyrLabelPrintEvent = std::function<void(TVyrLabel* lb)>;

// Base of every printable item on a band. Labels accept only a band as parent and register with
// the band and its page.
class TVyrLabel : public TGraphicControl {
public:
    explicit TVyrLabel(TComponent* AOwner);
    ~TVyrLabel() override;

    TVyrClipTypes ClipType() const { return FClipType; }
    void SetClipType(TVyrClipTypes Value);
    TVyrVerticalAlign AlignVertical() const { return FVerticalAlign; }
    void SetVerticalAlign(TVyrVerticalAlign Value);
    TVyrHorizontalAlign AlignHorizontal() const { return FHorizontalAlign; }
    void SetHorizontalAlign(TVyrHorizontalAlign Value);
    bool WrapText() const { return FWrapText; }
    virtual void SetWrapText(bool Value);
    bool Stretch() const { return FStretch; }
    virtual void SetStretch(bool Value);
    TVyrBorderType BorderType() const { return FBorderType; }
    virtual void SetBorderType(TVyrBorderType Value);
    TBrush* Brush() const { return FBrush.get(); }
    void SetBrush(const TBrush& Value) { FBrush->Assign(Value); }
    TPen* Pen() const { return FPen.get(); }
    void SetPen(const TPen& Value) { FPen->Assign(Value); }
    TPen* BorderPen() const { return FBorderPen.get(); }
    int Row() const { return FRow; }
    // A row before the first would never be written, so it counts as the first; one past
    // VyrMaxRtfRow raises EPropertyError, since the band writes every row up to the last a label
    // names.
    void SetRow(int Value);
    bool RtfPrint() const { return FRtfPrint; }
    void SetRtfPrint(bool Value) { FRtfPrint = Value; }
    int RotateFont() const { return FRotateFont; }
    virtual void SetRotateFont(int Value);
    TPimShadePercent Shade() const { return FShade; }
    virtual void SetShade(TPimShadePercent Value);
    int BorderMargin() const { return FBorderMargin; }
    void SetBorderMargin(int Value);
    bool IsVisible() const { return FIsVisible; }
    void SetIsVisible(bool Value) { FIsVisible = Value; }
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    bool Transparent() const { return !FOpaque; }
    void SetTransparent(bool Value);
    bool EndPrint() const { return FEndPrint; }
    void SetEndPrint(bool Value) { FEndPrint = Value; }
    bool FirstTime() const { return FFirstTime; }
    void SetFirstTime(bool Value) { FFirstTime = Value; }
    bool Painting() const { return FPainting; }

    // The print protocol through which bands ask a label for its height and have it draw or write
    // itself. Space is the room left below the band's print position; oPage the page generated.
    virtual QString GetDataNow();
    virtual QString GetDisplayText();
    virtual bool PrintOk();
    virtual void StartPrint();
    virtual int SpendHeight(TVyrPage* oPage, int Space);
    virtual int PrintHeight(TVyrPage* oPage, int Space, int Taking);
    virtual void Print(TVyrPage* oPage, int Space);
    virtual void PrintLabel(TPimCanvas* PimCanvas, const TRect& Rect, int Space);
    // Whether PrintLabel only draws: nothing it does is seen on a canvas that draws nowhere, no event
    // fires in it, and nothing in it can fail. A pass that draws nowhere then leaves it out.
    virtual bool OnlyDraws();
    virtual void PrintTab(TVyrPage* oPage, TVyrRtfFile* Rtf, int PrintRow);
    virtual void PrintRtf(TVyrPage* oPage, TVyrRtfFile* Rtf, int PrintRow);
    // Called by the band after its height changed; kinds that follow the band's height take it.
    virtual void BandResized(int BandHeight) { (void)BandHeight; }
    // The last rich-text row the label writes in; a label of several lines writes one a row.
    virtual int LastRtfRow() { return Row(); }
    // The rich-text tab stop in pixels from the band's left edge, and its kind (left, centre, right).
    int GetTabPosition() const;
    int GetTabKind() const;

    // The band's page; nil without a parent.
    TVyrPage* getpage() const;
    TVyrPage* Page() const { return getpage(); }
    TVyrBand* Band() const;
    int GetPPI() const;

    // Where the text is anchored in a rectangle whose left (top) edge is x (y), by the alignment.
    int GetXSpot(int x) const;
    int GetYSpot(int y) const;
    // The anchor within the band.
    int XPos() const;
    int YPos() const;
    // The text-alignment flags that put the text's anchor on the spots.
    uint16_t AlignFlags() const;
    // Whether the text is clipped to the label's rectangle.
    bool ClipRect() const;
    // Draws the label on the designed form through Canvas's device context.
    void Paint() override;
    void Loaded() override;
    void WndProc(TMessage& Message) override;

    // Design time: the rulers follow the mouse (X, Y in label coordinates).
    void MouseMovement(int X, int Y);

    void SetParent(TWinControl* AParent) override;
    void BeforeDestruction() override;
    virtual void LabelChanged();

    TVyrLabelPrintWhenEvent LabelPrintWhen;
    TVyrLabelPrintEvent OnBeforePrint;
    TVyrLabelPrintEvent OnAfterPrint;

protected:
    // The events; an exception goes to the application's handler and printing goes on.
    void DoBeforePrint();
    void DoAfterPrint();

private:
    TWinControl* FPage = nullptr; // declared for the kinds; the page is found through the band
    TVyrClipTypes FClipType = ctDefault;
    TVyrVerticalAlign FVerticalAlign = laBottom;
    TVyrHorizontalAlign FHorizontalAlign = laLeft;
    bool FEndPrint = false;
    bool FFirstTime = false;
    bool FWrapText = false;
    bool FStretch = false;
    TVyrBorderType FBorderType = btNone;
    std::unique_ptr<TBrush> FBrush;
    std::unique_ptr<TBrush> FBrushSet;
    std::unique_ptr<TPen> FPen;
    std::unique_ptr<TPen> FPenSet;
    std::unique_ptr<TPen> FBorderPen;
    int FRow = 0;
    bool FRtfPrint = true;
    int FRotateFont = 0;
    TPimShadePercent FShade = spNone;
    bool FPainting = false;
    int FBorderMargin = 2;
    bool FIsVisible = true;
    bool FAutoSize = false;
    bool FOpaque = false; // a new label is transparent
    TParentAs<TVyrBand> FBand;

protected:
    // The background of the label's rectangle: nothing when transparent, else the shade or the
    // colour; the brush is left clear for the text.
    void InitPrint(TPimCanvas* PimCanvas, const TRect& Rect);
    // One line of text in Rect with the label's font, alignment, angle, clipping, background and
    // border.
    void DrawText(TPimCanvas* PimCanvas, const TRect& Rect, const QString& Text);
    // Sizes the label to its caption at design time.
    void AdjustSize();
    void FontChanged() override;
    // The working copies handed to the canvas while drawing; the stored brush and pen stay as set.
    TBrush* BrushSet() const { return FBrushSet.get(); }
    TPen* PenSet() const { return FPenSet.get(); }
    // Starts a band pass of a kind that prints in pieces: a label that does not print now, or takes
    // no part in the page's rich-text output, ends at once. Returns whether it goes on.
    bool StartPass();
    // The rectangle of a piece Height high: the first at the label's place in the band, a
    // continuation one pixel below the band's position on its new page.
    TRect PieceRect(const TVyrPage* oPage, bool First, int Height) const;
    // The border of a piece h high drawn from Rect's top; on the designed form around Rect itself.
    void PieceBorder(TPimCanvas* PimCanvas, const TRect& Rect, int h);
    // Points Field at Value, watching Value so that the kind's Notification can clear the field
    // when it is freed.
    template <class T> void Watch(T*& Field, T* Value) {
        if (Value != Field) {
            if (Field) Field->RemoveFreeNotification(this);
            if (Value) Value->FreeNotification(this);
        }
        Field = Value;
    }
    // Whether the page's print position is the top of its body: a piece printed there that still
    // left its text behind would ask for pages for ever, so it prints at least a line.
    static bool AtBodyTop(const TVyrPage* oPage);
    // Older forms stored a size-to-caption flag on labels that no longer have one; the kinds without
    // it read the stored value and drop it.
    static void DropStoredAutoSize(TFiler* Filer);
    // The caption of a label that shows a variable: its name, else a request to fill it in.
    static QString VariablePlaceholder(const TComponent* Variable);
};

enum TVyrLineType : uint8_t { ltHorizontal, ltVertical, ltDiagonalLeft, ltDiagonalRight };

// A line in the pen: along the top, middle or bottom of the label, down its left, centre or right,
// or from corner to corner.
class TVyrLine : public TVyrLabel {
public:
    explicit TVyrLine(TComponent* AOwner);
    TVyrLineType LineType() const { return FLineType; }
    void SetLineType(TVyrLineType Value);
    void PrintLabel(TPimCanvas* PimCanvas, const TRect& Rect, int Space) override;
    bool OnlyDraws() override;
    // A line has nothing to write into rich text.
    void PrintTab(TVyrPage*, TVyrRtfFile*, int) override {}
    void PrintRtf(TVyrPage*, TVyrRtfFile*, int) override { SetEndPrint(true); }

private:
    TVyrLineType FLineType = ltHorizontal;
};

// Base of the kinds that show one variable: the reference, cleared when the variable is removed,
// and the placeholder that names it.
class TVyrVarRefLabel : public TVyrLabel {
public:
    using TVyrLabel::TVyrLabel;
    TVyrVar* Variable() const { return FVariable; }
    void SetVariable(TVyrVar* Value);
    QString GetDisplayText() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    TVyrVar* FVariable = nullptr; // not owned; cleared on removal
};

enum TVyrShapeType : uint8_t { sstCircle, sstEllipse, sstRectangle, sstRoundRect, sstRoundSquare, sstSquare };

// A rectangle, square, rounded box, circle or ellipse in the pen, filled with the brush.
class TVyrShape : public TVyrLabel {
public:
    explicit TVyrShape(TComponent* AOwner);
    TVyrShapeType ShapeType() const { return FShapeType; }
    void SetShapeType(TVyrShapeType Value);
    void PrintLabel(TPimCanvas* PimCanvas, const TRect& Rect, int Space) override;
    bool OnlyDraws() override;
    void PrintTab(TVyrPage*, TVyrRtfFile*, int) override {}
    void PrintRtf(TVyrPage*, TVyrRtfFile*, int) override { SetEndPrint(true); }

private:
    TVyrShapeType FShapeType = sstRectangle;
};

enum TVyrCheckStyle : uint8_t { csCross, csCheck };

// A box that shows a variable's truth with a cross or a check mark; "Y" or "N" in rich text.
class TVyrCheckLabel : public TVyrVarRefLabel {
public:
    explicit TVyrCheckLabel(TComponent* AOwner);
    TVyrCheckStyle CheckStyle() const { return FCheckStyle; }
    void SetCheckStyle(TVyrCheckStyle Value);
    // Whether the box shows checked now: without a variable always, on the designed form also while
    // the variable has no value.
    bool Checked();
    void PrintLabel(TPimCanvas* PimCanvas, const TRect& Rect, int Space) override;
    void PrintTab(TVyrPage*, TVyrRtfFile*, int) override {}
    void PrintRtf(TVyrPage* oPage, TVyrRtfFile* Rtf, int PrintRow) override;

private:
    TVyrCheckStyle FCheckStyle = csCross;
};

// A total of a total variable at an update level: the level of the label's band, or one named.
class TVyrTotalvarLabel : public TVyrLabel {
public:
    explicit TVyrTotalvarLabel(TComponent* AOwner);
    ~TVyrTotalvarLabel() override;
    TVyrTotalvar* TotalVariable() const { return FTotalVariable; }
    void SetTotalVariable(TVyrTotalvar* Value);
    bool AutoLevel() const { return FAutoLevel; }
    void SetAutoLevel(bool Value);
    TVyrLevel* Level() const { return FLevel; }
    void SetLevel(TVyrLevel* Value);
    TVyrTotalType TotalType() const { return FTotalType; }
    void SetTotalType(TVyrTotalType Value);
    TVyrFloatFormat* DataFormat() const { return FDataFormat.get(); }
    void SetDataFormat(const TVyrFloatFormat* Value);
    // The level whose total prints: the band's update level unless a level of its own is named.
    TVyrLevel* PrintLevel() const;
    QString GetDataNow() override;
    QString GetDisplayText() override;
    bool OnlyDraws() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void DefineProperties(TFiler* Filer) override;

private:
    TVyrTotalvar* FTotalVariable = nullptr; // not owned; cleared on removal
    bool FAutoLevel = true;
    TVyrLevel* FLevel = nullptr; // not owned; cleared on removal
    TVyrTotalType FTotalType = ttSum;
    std::unique_ptr<TVyrFloatFormat> FDataFormat;
    QString FText; // the last total's text, made into the same buffer each time
};

// A picture from a graphic or blob variable, or the label's own picture; drawn at its size or
// stretched into the label, keeping its aspect when asked.
class TVyrImageLabel : public TVyrVarRefLabel {
public:
    explicit TVyrImageLabel(TComponent* AOwner);
    ~TVyrImageLabel() override;
    // The label's own picture; nil when it has none. Setting copies the picture.
    TGraphic* Picture() const { return FPicture.get(); }
    void SetPicture(const TGraphic* Value);
    // The picture as its stored bytes, for stored forms.
    QByteArray PictureData() const;
    void SetPictureData(const QByteArray& Value);
    bool Center() const { return FCenter; }
    void SetCenter(bool Value);
    bool KeepAspect() const { return FKeepAspect; }
    void SetKeepAspect(bool Value);
    bool KeepBorderAspect() const { return FKeepBorderAspect; }
    void SetKeepBorderAspect(bool Value);
    // What UpdateImage loaded: a bitmap drawn by the output, or another picture.
    TPimBitmap* PimBitmap() const { return FPimBitmap.get(); }
    TGraphic* Data() const { return FData.get(); }
    TMemoryStream* ImageStream() const { return FImageStream.get(); }

    // Loads the picture to draw now from the variable or the label's own picture.
    void UpdateImage();
    void StartPrint() override;
    int SpendHeight(TVyrPage* oPage, int Space) override;
    int PrintHeight(TVyrPage* oPage, int Space, int Taking) override;
    void PrintLabel(TPimCanvas* PimCanvas, const TRect& Rect, int Space) override;
    void PrintTab(TVyrPage*, TVyrRtfFile*, int) override {}
    void PrintRtf(TVyrPage*, TVyrRtfFile*, int) override { SetEndPrint(true); }

private:
    // The loaded picture's size in pixels of the page; false when nothing is loaded.
    bool ImageSize(int& w, int& h) const;
    int ImageHeight();

    std::unique_ptr<TGraphic> FPicture;
    std::unique_ptr<TGraphic> FData;
    bool FCenter = false;
    bool FKeepAspect = false;
    bool FKeepBorderAspect = false;
    std::unique_ptr<TMemoryStream> FImageStream;
    std::unique_ptr<TPimBitmap> FPimBitmap;
};

// A bar down the whole height of its band, on every piece of a band that continues on later
// pages; it never makes the band taller.
class TVyrVerticalDivider : public TVyrLabel {
public:
    explicit TVyrVerticalDivider(TComponent* AOwner);
    int DividerWidth() const { return FDividerWidth; }
    void SetDividerWidth(int Value);
    TColor DividerColor() const { return FDividerColor; }
    void SetDividerColor(TColor Value);
    int SpendHeight(TVyrPage* oPage, int Space) override;
    int PrintHeight(TVyrPage* oPage, int Space, int Taking) override;
    void PrintLabel(TPimCanvas* PimCanvas, const TRect& Rect, int Space) override;
    void PrintTab(TVyrPage*, TVyrRtfFile*, int) override {}
    void PrintRtf(TVyrPage*, TVyrRtfFile*, int) override { SetEndPrint(true); }
    void BandResized(int BandHeight) override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void SetParent(TWinControl* AParent) override;

private:
    int FDividerWidth = 1;
    TColor FDividerColor = clBlack;
};

enum TVyrDirection : uint8_t { bdVertical, bdHorizontal };
enum TVyrBarCodeType : uint8_t { bct3of9, bct2of5 };

// A variable's text as a Code 39 or interleaved 2 of 5 bar code.
class TVyrBarCodeLabel : public TVyrVarRefLabel {
public:
    explicit TVyrBarCodeLabel(TComponent* AOwner);
    ~TVyrBarCodeLabel() override;
    TVyrDirection Direction() const { return FDirection; }
    void SetDirection(TVyrDirection Value);
    int NarrowWidth() const { return FNarrowWidth; }
    void SetNarrowWidth(int Value);
    int WideWidth() const { return FWideWidth; }
    void SetWideWidth(int Value);
    TBrush* BarCodeBrush() const { return FBarCodeBrush.get(); }
    void SetBarCodeBrush(const TBrush& Value) { FBarCodeBrush->Assign(Value); }
    TVyrBarCodeType BarCodeType() const { return FBarCodeType; }
    void SetBarCodeType(TVyrBarCodeType Value);
    bool WidthInInches_1000() const { return FWidthInInches_1000; }
    void SetWidthInInches_1000(bool Value);
    // The text coded: the variable's, ASCII letters in capitals.
    QString CodeText();
    void PrintLabel(TPimCanvas* PimCanvas, const TRect& Rect, int Space) override;
    void PrintTab(TVyrPage*, TVyrRtfFile*, int) override {}
    void PrintRtf(TVyrPage*, TVyrRtfFile*, int) override { SetEndPrint(true); }

private:
    TVyrDirection FDirection = bdHorizontal;
    int FNarrowWidth = 1;
    int FWideWidth = 3;
    std::unique_ptr<TBrush> FBarCodeBrush;
    TVyrBarCodeType FBarCodeType = bct3of9;
    bool FWidthInInches_1000 = false;
};

// The application draws the label in OnDraw: the page's canvas and the label's rectangle in pixels
// of the page.
using TVyrOnDrawEvent = std::function<void(TVyrLabel* lb, TPimCanvas* PimCanvas, const TRect& Rect)>;

class TVyrCustomLabel : public TVyrLabel {
public:
    explicit TVyrCustomLabel(TComponent* AOwner);
    virtual void DrawLabel(TPimCanvas* PimCanvas, const TRect& Rect, int Space);
    void PrintLabel(TPimCanvas* PimCanvas, const TRect& Rect, int Space) override;
    void PrintTab(TVyrPage*, TVyrRtfFile*, int) override {}
    void PrintRtf(TVyrPage*, TVyrRtfFile*, int) override { SetEndPrint(true); }

    TVyrOnDrawEvent OnDraw;
};
